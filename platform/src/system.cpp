#include "platform/system.h"

#include "handles.h"
#include "profile.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/machine.h"
#include "platform/security.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace vexl::platform {
namespace {

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// ---- Version ----------------------------------------------------------------

struct ServicePack {
    WORD major = 0;
    WORD minor = 0;
};

// "Service Pack 3" is 3.0; "Service Pack 6a" is 6.0; "Service Pack 1.2" is 1.2.
ServicePack ParseServicePack(std::u16string_view text)
{
    ServicePack pack;
    std::size_t at = 0;
    while (at < text.size() && (text[at] < u'0' || text[at] > u'9')) ++at;
    const auto readNumber = [&text, &at] {
        WORD value = 0;
        for (; at < text.size() && text[at] >= u'0' && text[at] <= u'9'; ++at)
            value = static_cast<WORD>(std::min(value * 10 + (text[at] - u'0'), 0xFFFF));
        return value;
    };
    pack.major = readNumber();
    if (at + 1 < text.size() && text[at] == u'.') {
        ++at;
        pack.minor = readNumber();
    }
    return pack;
}

// On the Windows 9x platform the high word of the build number holds the
// major and minor version.
DWORD BuildNumberOf(const machine::Profile& profile)
{
    if (profile.platformId != VER_PLATFORM_WIN32_WINDOWS) return profile.osBuild;
    return (profile.osBuild & 0xFFFF) | ((profile.osMajor & 0xFF) << 24) | ((profile.osMinor & 0xFF) << 16);
}

unsigned ConditionShift(DWORD typeBit)
{
    return 3 * static_cast<unsigned>(std::countr_zero(typeBit));
}

BYTE ConditionOf(DWORDLONG conditionMask, DWORD typeBit)
{
    return static_cast<BYTE>((conditionMask >> ConditionShift(typeBit)) & 7);
}

bool IsComparison(BYTE condition)
{
    return condition >= VER_EQUAL && condition <= VER_LESS_EQUAL;
}

bool Compare(BYTE condition, DWORD actual, DWORD wanted)
{
    switch (condition) {
    case VER_EQUAL:
        return actual == wanted;
    case VER_GREATER:
        return actual > wanted;
    case VER_GREATER_EQUAL:
        return actual >= wanted;
    case VER_LESS:
        return actual < wanted;
    default:
        return actual <= wanted;
    }
}

struct VersionField {
    DWORD type;
    DWORD actual;
    DWORD wanted;
};

enum class Verdict { Match, Mismatch, BadArguments };

// Major, minor, service-pack major and minor form one version number: the
// first field that differs (or the last one asked) decides, with its condition.
Verdict CompareVersion(const std::vector<VersionField>& fields, DWORDLONG conditionMask)
{
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const BYTE condition = ConditionOf(conditionMask, fields[i].type);
        if (!IsComparison(condition)) return Verdict::BadArguments;
        if (i + 1 == fields.size() || fields[i].actual != fields[i].wanted)
            return Compare(condition, fields[i].actual, fields[i].wanted) ? Verdict::Match : Verdict::Mismatch;
    }
    return Verdict::Match;
}

Verdict CompareField(const VersionField& field, DWORDLONG conditionMask)
{
    const BYTE condition = ConditionOf(conditionMask, field.type);
    if (!IsComparison(condition)) return Verdict::BadArguments;
    return Compare(condition, field.actual, field.wanted) ? Verdict::Match : Verdict::Mismatch;
}

Verdict CompareSuite(WORD actual, WORD wanted, DWORDLONG conditionMask)
{
    switch (ConditionOf(conditionMask, VER_SUITENAME)) {
    case VER_AND:
        return (actual & wanted) == wanted ? Verdict::Match : Verdict::Mismatch;
    case VER_OR:
        return (actual & wanted) != 0 ? Verdict::Match : Verdict::Mismatch;
    default:
        return Verdict::BadArguments;
    }
}

Verdict VerifyVersion(const OSVERSIONINFOEXW& wanted, DWORD typeMask, DWORDLONG conditionMask)
{
    const std::shared_ptr<const machine::Profile> current = machine::CurrentProfile();
    const machine::Profile& profile = *current;
    const ServicePack pack = ParseServicePack(profile.servicePack);

    std::vector<VersionField> version;
    for (const VersionField& field : {VersionField{VER_MAJORVERSION, profile.osMajor, wanted.dwMajorVersion},
                                      VersionField{VER_MINORVERSION, profile.osMinor, wanted.dwMinorVersion},
                                      VersionField{VER_SERVICEPACKMAJOR, pack.major, wanted.wServicePackMajor},
                                      VersionField{VER_SERVICEPACKMINOR, pack.minor, wanted.wServicePackMinor}}) {
        if (typeMask & field.type) version.push_back(field);
    }
    std::vector<Verdict> verdicts{CompareVersion(version, conditionMask)};
    for (const VersionField& field : {VersionField{VER_BUILDNUMBER, profile.osBuild, wanted.dwBuildNumber},
                                      VersionField{VER_PLATFORMID, profile.platformId, wanted.dwPlatformId},
                                      VersionField{VER_PRODUCT_TYPE, profile.productType, wanted.wProductType}}) {
        if (typeMask & field.type) verdicts.push_back(CompareField(field, conditionMask));
    }
    if (typeMask & VER_SUITENAME) verdicts.push_back(CompareSuite(profile.suiteMask, wanted.wSuiteMask, conditionMask));

    if (std::ranges::count(verdicts, Verdict::BadArguments)) return Verdict::BadArguments;
    return std::ranges::count(verdicts, Verdict::Mismatch) ? Verdict::Mismatch : Verdict::Match;
}

// ---- Names ------------------------------------------------------------------

// Copies a name and its terminator when *size has room for them.
bool CopyName(const std::u16string& name, LPWSTR buffer, DWORD size)
{
    if (!buffer || size <= name.size()) return false;
    name.copy(buffer, name.size());
    buffer[name.size()] = 0;
    return true;
}

// ---- SIDs -------------------------------------------------------------------

constexpr std::size_t kSidHeaderSize = 8;

std::size_t SidLength(BYTE subAuthorityCount)
{
    return kSidHeaderSize + 4u * subAuthorityCount;
}

bool IsValidSidBytes(const BYTE* sid)
{
    return sid && sid[0] == SID_REVISION && sid[1] <= SID_MAX_SUB_AUTHORITIES;
}

std::vector<BYTE> MakeSid(const SID_IDENTIFIER_AUTHORITY& authority, std::initializer_list<DWORD> subAuthorities)
{
    std::vector<BYTE> sid(SidLength(static_cast<BYTE>(subAuthorities.size())));
    sid[0] = SID_REVISION;
    sid[1] = static_cast<BYTE>(subAuthorities.size());
    std::memcpy(&sid[2], authority.Value, sizeof authority.Value);
    std::size_t at = kSidHeaderSize;
    for (DWORD subAuthority : subAuthorities) {
        std::memcpy(&sid[at], &subAuthority, sizeof subAuthority);
        at += sizeof subAuthority;
    }
    return sid;
}

// ---- Tokens -----------------------------------------------------------------

struct Token : KernelObject {
    bool impersonation = false;
    ACCESS_MASK access = 0;
    std::vector<std::vector<BYTE>> sids;

    bool Has(const BYTE* sid, std::size_t length) const
    {
        return std::ranges::any_of(sids, [&](const std::vector<BYTE>& own) {
            return own.size() == length && std::memcmp(own.data(), sid, length) == 0;
        });
    }
};

// The SIDs of the profile's user.
std::vector<std::vector<BYTE>> UserSids()
{
    std::vector<std::vector<BYTE>> sids{
        MakeSid(SECURITY_WORLD_SID_AUTHORITY, {SECURITY_WORLD_RID}),
        MakeSid(SECURITY_NT_AUTHORITY, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS}),
    };
    if (machine::CurrentProfile()->administrator)
        sids.push_back(MakeSid(SECURITY_NT_AUTHORITY, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}));
    return sids;
}

BOOL OpenToken(bool impersonation, DWORD desiredAccess, HANDLE* token)
{
    auto object = std::make_shared<Token>();
    object->impersonation = impersonation;
    object->access = desiredAccess;
    object->sids = UserSids();
    *token = AddHandle(std::move(object));
    return TRUE;
}

thread_local std::optional<SECURITY_IMPERSONATION_LEVEL> t_impersonation;

// ---- ACLs -------------------------------------------------------------------

ACL LoadAcl(const void* acl)
{
    ACL header;
    std::memcpy(&header, acl, sizeof header);
    return header;
}

ACE_HEADER LoadAceHeader(const BYTE* at)
{
    ACE_HEADER header;
    std::memcpy(&header, at, sizeof header);
    return header;
}

// The offset after the last ACE, when the header and every ACE size stay
// inside the ACL's size.
std::optional<std::size_t> AceEnd(const void* acl)
{
    if (!acl) return std::nullopt;
    const ACL header = LoadAcl(acl);
    if (header.AclRevision < ACL_REVISION || header.AclRevision > ACL_REVISION_DS || header.AclSize < sizeof(ACL))
        return std::nullopt;
    const auto* bytes = static_cast<const BYTE*>(acl);
    std::size_t at = sizeof(ACL);
    for (WORD i = 0; i < header.AceCount; ++i) {
        if (at + sizeof(ACE_HEADER) > header.AclSize) return std::nullopt;
        const ACE_HEADER ace = LoadAceHeader(bytes + at);
        if (ace.AceSize < sizeof(ACE_HEADER) || at + ace.AceSize > header.AclSize) return std::nullopt;
        at += ace.AceSize;
    }
    return at;
}

GENERIC_MAPPING LoadMapping(const GENERIC_MAPPING* mapping)
{
    GENERIC_MAPPING copy;
    std::memcpy(&copy, mapping, sizeof copy);
    return copy;
}

ACCESS_MASK MapGeneric(ACCESS_MASK mask, const GENERIC_MAPPING& mapping)
{
    struct Right {
        ACCESS_MASK generic;
        ACCESS_MASK GENERIC_MAPPING::*mapped;
    };
    static constexpr Right kRights[] = {
        {GENERIC_READ, &GENERIC_MAPPING::GenericRead},
        {GENERIC_WRITE, &GENERIC_MAPPING::GenericWrite},
        {GENERIC_EXECUTE, &GENERIC_MAPPING::GenericExecute},
        {GENERIC_ALL, &GENERIC_MAPPING::GenericAll},
    };
    ACCESS_MASK mapped = mask;
    for (const Right& right : kRights) {
        if (mask & right.generic) mapped = (mapped & ~right.generic) | mapping.*right.mapped;
    }
    return mapped;
}

// The rights a DACL gives the token, ACE by ACE in order: an allowed ACE
// adds its rights unless an earlier denied ACE took them away.
ACCESS_MASK AllowedRights(const void* dacl, const Token& token, const GENERIC_MAPPING& mapping)
{
    const ACL header = LoadAcl(dacl);
    const auto* bytes = static_cast<const BYTE*>(dacl);
    ACCESS_MASK allowed = 0;
    ACCESS_MASK denied = 0;
    std::size_t next = sizeof(ACL);
    for (WORD i = 0; i < header.AceCount; ++i) {
        const std::size_t at = next;
        const ACE_HEADER ace = LoadAceHeader(bytes + at);
        next = at + ace.AceSize;
        const bool known = ace.AceType == ACCESS_ALLOWED_ACE_TYPE || ace.AceType == ACCESS_DENIED_ACE_TYPE;
        constexpr std::size_t kSidOffset = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK);
        if (!known || (ace.AceFlags & INHERIT_ONLY_ACE) || ace.AceSize < kSidOffset + kSidHeaderSize) continue;
        const BYTE* sid = bytes + at + kSidOffset;
        const std::size_t sidLength = SidLength(sid[1]);
        if (!IsValidSidBytes(sid) || kSidOffset + sidLength > ace.AceSize || !token.Has(sid, sidLength)) continue;

        ACCESS_MASK mask;
        std::memcpy(&mask, bytes + at + sizeof(ACE_HEADER), sizeof mask);
        mask = MapGeneric(mask, mapping);
        if (ace.AceType == ACCESS_ALLOWED_ACE_TYPE) {
            allowed |= mask & ~denied;
        } else {
            denied |= mask & ~allowed;
        }
    }
    return allowed;
}

// ---- Security descriptors -----------------------------------------------------

SECURITY_DESCRIPTOR LoadDescriptor(const void* descriptor)
{
    SECURITY_DESCRIPTOR record;
    std::memcpy(&record, descriptor, sizeof record);
    return record;
}

void StoreDescriptor(void* descriptor, const SECURITY_DESCRIPTOR& record)
{
    std::memcpy(descriptor, &record, sizeof record);
}

bool IsValidDescriptorRecord(const SECURITY_DESCRIPTOR& record)
{
    if (record.Revision != SECURITY_DESCRIPTOR_REVISION || (record.Control & SE_SELF_RELATIVE)) return false;
    if (record.Owner && !IsValidSidBytes(static_cast<const BYTE*>(record.Owner))) return false;
    if (record.Group && !IsValidSidBytes(static_cast<const BYTE*>(record.Group))) return false;
    return !(record.Control & SE_DACL_PRESENT) || !record.Dacl || AceEnd(record.Dacl);
}

// Changes an absolute descriptor of revision 1.
template <typename Change> BOOL ChangeDescriptor(PSECURITY_DESCRIPTOR descriptor, Change change)
{
    if (!descriptor) return Fail(ERROR_INVALID_PARAMETER);
    SECURITY_DESCRIPTOR record = LoadDescriptor(descriptor);
    if (record.Revision != SECURITY_DESCRIPTOR_REVISION) return Fail(ERROR_UNKNOWN_REVISION);
    if (record.Control & SE_SELF_RELATIVE) return Fail(ERROR_INVALID_SECURITY_DESCR);
    change(record);
    StoreDescriptor(descriptor, record);
    return TRUE;
}

void SetControl(SECURITY_DESCRIPTOR& record, SECURITY_DESCRIPTOR_CONTROL bit, bool on)
{
    record.Control = static_cast<SECURITY_DESCRIPTOR_CONTROL>(on ? record.Control | bit : record.Control & ~bit);
}

}  // namespace
}  // namespace vexl::platform

using namespace vexl::platform;
namespace machine = vexl::machine;

BOOL GetVersionExW(LPOSVERSIONINFOW versionInfo)
{
    if (!versionInfo) return Fail(ERROR_INVALID_PARAMETER);
    const DWORD size = versionInfo->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW)) return Fail(ERROR_INVALID_PARAMETER);

    const std::shared_ptr<const machine::Profile> current = machine::CurrentProfile();
    const machine::Profile& profile = *current;
    versionInfo->dwMajorVersion = profile.osMajor;
    versionInfo->dwMinorVersion = profile.osMinor;
    versionInfo->dwBuildNumber = BuildNumberOf(profile);
    versionInfo->dwPlatformId = profile.platformId;
    std::fill(std::begin(versionInfo->szCSDVersion), std::end(versionInfo->szCSDVersion), u'\0');
    profile.servicePack.copy(versionInfo->szCSDVersion, std::size(versionInfo->szCSDVersion) - 1);

    if (size == sizeof(OSVERSIONINFOEXW)) {
        auto* extended = reinterpret_cast<LPOSVERSIONINFOEXW>(versionInfo);
        const ServicePack pack = ParseServicePack(profile.servicePack);
        extended->wServicePackMajor = pack.major;
        extended->wServicePackMinor = pack.minor;
        extended->wSuiteMask = profile.suiteMask;
        extended->wProductType = profile.productType;
        extended->wReserved = 0;
    }
    return TRUE;
}

ULONGLONG VerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE condition)
{
    condition &= 7;
    if (condition == 0) return conditionMask;
    for (DWORD type = VER_MINORVERSION; type <= VER_PRODUCT_TYPE; type <<= 1) {
        if (!(typeMask & type)) continue;
        const unsigned shift = ConditionShift(type);
        conditionMask = (conditionMask & ~(ULONGLONG{7} << shift)) | (ULONGLONG{condition} << shift);
    }
    return conditionMask;
}

BOOL VerifyVersionInfoW(LPOSVERSIONINFOEXW versionInfo, DWORD typeMask, DWORDLONG conditionMask)
{
    if (!versionInfo || typeMask == 0 || conditionMask == 0) return Fail(ERROR_BAD_ARGUMENTS);
    switch (VerifyVersion(*versionInfo, typeMask, conditionMask)) {
    case Verdict::Match:
        return TRUE;
    case Verdict::Mismatch:
        return Fail(ERROR_OLD_WIN_VERSION);
    default:
        return Fail(ERROR_BAD_ARGUMENTS);
    }
}

BOOL GetUserNameW(LPWSTR buffer, LPDWORD size)
{
    if (!size) return Fail(ERROR_INVALID_PARAMETER);
    const std::u16string name = machine::CurrentProfile()->userName;
    const auto needed = static_cast<DWORD>(name.size() + 1);
    const bool copied = CopyName(name, buffer, *size);
    *size = needed;
    return copied ? TRUE : Fail(ERROR_INSUFFICIENT_BUFFER);
}

BOOL GetComputerNameW(LPWSTR buffer, LPDWORD size)
{
    if (!size) return Fail(ERROR_INVALID_PARAMETER);
    const std::u16string name = machine::CurrentProfile()->computerName;
    if (!CopyName(name, buffer, *size)) {
        *size = static_cast<DWORD>(name.size() + 1);
        return Fail(ERROR_BUFFER_OVERFLOW);
    }
    *size = static_cast<DWORD>(name.size());
    return TRUE;
}

BOOL ImpersonateSelf(SECURITY_IMPERSONATION_LEVEL level)
{
    if (level < SecurityAnonymous || level > SecurityDelegation) return Fail(ERROR_INVALID_PARAMETER);
    t_impersonation = level;
    return TRUE;
}

BOOL RevertToSelf()
{
    t_impersonation.reset();
    return TRUE;
}

BOOL OpenThreadToken(HANDLE thread, DWORD desiredAccess, BOOL openAsSelf, HANDLE* token)
{
    (void)openAsSelf;
    if (!token) return Fail(ERROR_INVALID_PARAMETER);
    *token = nullptr;
    if (thread != GetCurrentThread()) return Fail(ERROR_INVALID_HANDLE);
    if (!t_impersonation) return Fail(ERROR_NO_TOKEN);
    if (*t_impersonation == SecurityAnonymous) return Fail(ERROR_CANT_OPEN_ANONYMOUS);
    return OpenToken(true, desiredAccess, token);
}

BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token)
{
    if (!token) return Fail(ERROR_INVALID_PARAMETER);
    *token = nullptr;
    if (process != GetCurrentProcess()) return Fail(ERROR_INVALID_HANDLE);
    return OpenToken(false, desiredAccess, token);
}

BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE subAuthorityCount, DWORD subAuthority0,
                              DWORD subAuthority1, DWORD subAuthority2, DWORD subAuthority3, DWORD subAuthority4,
                              DWORD subAuthority5, DWORD subAuthority6, DWORD subAuthority7, PSID* sid)
{
    if (!sid) return Fail(ERROR_INVALID_PARAMETER);
    *sid = nullptr;
    if (!authority || subAuthorityCount > 8) return Fail(ERROR_INVALID_PARAMETER);
    const DWORD subAuthorities[8] = {subAuthority0, subAuthority1, subAuthority2, subAuthority3,
                                     subAuthority4, subAuthority5, subAuthority6, subAuthority7};
    auto* bytes = static_cast<BYTE*>(std::calloc(1, SidLength(subAuthorityCount)));
    if (!bytes) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    bytes[0] = SID_REVISION;
    bytes[1] = subAuthorityCount;
    std::memcpy(bytes + 2, authority->Value, sizeof authority->Value);
    std::memcpy(bytes + kSidHeaderSize, subAuthorities, 4u * subAuthorityCount);
    *sid = bytes;
    return TRUE;
}

PVOID FreeSid(PSID sid)
{
    std::free(sid);
    return nullptr;
}

DWORD GetLengthSid(PSID sid)
{
    return sid ? static_cast<DWORD>(SidLength(static_cast<const BYTE*>(sid)[1])) : 0;
}

BOOL IsValidSid(PSID sid)
{
    return IsValidSidBytes(static_cast<const BYTE*>(sid)) ? TRUE : Fail(ERROR_INVALID_SID);
}

BOOL EqualSid(PSID sid1, PSID sid2)
{
    const auto* a = static_cast<const BYTE*>(sid1);
    const auto* b = static_cast<const BYTE*>(sid2);
    if (!IsValidSidBytes(a) || !IsValidSidBytes(b)) return Fail(ERROR_INVALID_SID);
    SetLastError(ERROR_SUCCESS);
    return a[1] == b[1] && std::memcmp(a, b, SidLength(a[1])) == 0;
}

BOOL InitializeAcl(PACL acl, DWORD aclLength, DWORD aclRevision)
{
    if (!acl || aclRevision < ACL_REVISION || aclRevision > ACL_REVISION_DS || aclLength > 0xFFFF)
        return Fail(ERROR_INVALID_PARAMETER);
    if (aclLength < sizeof(ACL)) return Fail(ERROR_INSUFFICIENT_BUFFER);
    const ACL header{static_cast<BYTE>(aclRevision), 0, static_cast<WORD>(aclLength), 0, 0};
    std::memcpy(acl, &header, sizeof header);
    return TRUE;
}

BOOL IsValidAcl(PACL acl)
{
    return AceEnd(acl) ? TRUE : Fail(ERROR_INVALID_ACL);
}

BOOL AddAccessAllowedAce(PACL acl, DWORD aceRevision, DWORD accessMask, PSID sid)
{
    return AddAccessAllowedAceEx(acl, aceRevision, 0, accessMask, sid);
}

BOOL AddAccessAllowedAceEx(PACL acl, DWORD aceRevision, DWORD aceFlags, DWORD accessMask, PSID sid)
{
    (void)aceRevision;
    if (aceFlags & ~DWORD{0x1F}) return Fail(ERROR_INVALID_FLAGS);
    const std::optional<std::size_t> end = AceEnd(acl);
    if (!end) return Fail(ERROR_INVALID_ACL);
    const auto* sidBytes = static_cast<const BYTE*>(sid);
    if (!IsValidSidBytes(sidBytes)) return Fail(ERROR_INVALID_SID);

    ACL header = LoadAcl(acl);
    const std::size_t sidLength = SidLength(sidBytes[1]);
    const std::size_t aceSize = sizeof(ACE_HEADER) + sizeof(ACCESS_MASK) + sidLength;
    if (*end + aceSize > header.AclSize || header.AceCount == 0xFFFF) return Fail(ERROR_ALLOTTED_SPACE_EXCEEDED);

    auto* at = reinterpret_cast<BYTE*>(acl) + *end;
    const ACE_HEADER ace{ACCESS_ALLOWED_ACE_TYPE, static_cast<BYTE>(aceFlags), static_cast<WORD>(aceSize)};
    std::memcpy(at, &ace, sizeof ace);
    std::memcpy(at + sizeof ace, &accessMask, sizeof accessMask);
    std::memcpy(at + sizeof ace + sizeof accessMask, sidBytes, sidLength);
    ++header.AceCount;
    std::memcpy(acl, &header, sizeof header);
    return TRUE;
}

BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision)
{
    if (!descriptor) return Fail(ERROR_INVALID_PARAMETER);
    if (revision != SECURITY_DESCRIPTOR_REVISION) return Fail(ERROR_UNKNOWN_REVISION);
    SECURITY_DESCRIPTOR record{};
    record.Revision = SECURITY_DESCRIPTOR_REVISION;
    StoreDescriptor(descriptor, record);
    return TRUE;
}

BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL daclPresent, PACL dacl, BOOL daclDefaulted)
{
    return ChangeDescriptor(descriptor, [&](SECURITY_DESCRIPTOR& record) {
        record.Dacl = daclPresent ? dacl : nullptr;
        SetControl(record, SE_DACL_PRESENT, daclPresent);
        SetControl(record, SE_DACL_DEFAULTED, daclPresent && daclDefaulted);
    });
}

BOOL SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR descriptor, PSID owner, BOOL ownerDefaulted)
{
    return ChangeDescriptor(descriptor, [&](SECURITY_DESCRIPTOR& record) {
        record.Owner = owner;
        SetControl(record, SE_OWNER_DEFAULTED, ownerDefaulted);
    });
}

BOOL SetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR descriptor, PSID group, BOOL groupDefaulted)
{
    return ChangeDescriptor(descriptor, [&](SECURITY_DESCRIPTOR& record) {
        record.Group = group;
        SetControl(record, SE_GROUP_DEFAULTED, groupDefaulted);
    });
}

BOOL IsValidSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor)
{
    if (!descriptor || !IsValidDescriptorRecord(LoadDescriptor(descriptor))) return Fail(ERROR_INVALID_SECURITY_DESCR);
    return TRUE;
}

void MapGenericMask(DWORD* accessMask, GENERIC_MAPPING* genericMapping)
{
    if (accessMask && genericMapping) *accessMask = MapGeneric(*accessMask, LoadMapping(genericMapping));
}

BOOL AccessCheck(PSECURITY_DESCRIPTOR descriptor, HANDLE clientToken, DWORD desiredAccess,
                 GENERIC_MAPPING* genericMapping, PPRIVILEGE_SET privilegeSet, DWORD* privilegeSetLength,
                 DWORD* grantedAccess, BOOL* accessStatus)
{
    if (!descriptor || !genericMapping || !privilegeSetLength || !grantedAccess || !accessStatus)
        return Fail(ERROR_INVALID_PARAMETER);
    const std::shared_ptr<Token> token = FindHandle<Token>(clientToken);
    if (!token) return Fail(ERROR_INVALID_HANDLE);
    if (!token->impersonation) return Fail(ERROR_NO_IMPERSONATION_TOKEN);
    if (!(token->access & TOKEN_QUERY)) return Fail(ERROR_ACCESS_DENIED);
    const SECURITY_DESCRIPTOR record = LoadDescriptor(descriptor);
    if (!IsValidDescriptorRecord(record) || !record.Owner || !record.Group) return Fail(ERROR_INVALID_SECURITY_DESCR);
    if (*privilegeSetLength < sizeof(PRIVILEGE_SET)) {
        *privilegeSetLength = sizeof(PRIVILEGE_SET);
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    if (!privilegeSet) return Fail(ERROR_INVALID_PARAMETER);
    const PRIVILEGE_SET noPrivileges{};
    std::memcpy(privilegeSet, &noPrivileges, sizeof noPrivileges);

    const GENERIC_MAPPING mapping = LoadMapping(genericMapping);
    const bool maximum = desiredAccess & MAXIMUM_ALLOWED;
    const ACCESS_MASK wanted = MapGeneric(desiredAccess & ~MAXIMUM_ALLOWED, mapping);
    const bool unrestricted = !(record.Control & SE_DACL_PRESENT) || !record.Dacl;
    const ACCESS_MASK allowed =
        unrestricted ? wanted | MapGeneric(GENERIC_ALL, mapping) : AllowedRights(record.Dacl, *token, mapping);
    const ACCESS_MASK granted = maximum ? allowed : wanted;
    // Nothing asked is nothing granted.
    const bool ok = (wanted & ~allowed) == 0 && granted != 0;
    *grantedAccess = ok ? granted : 0;
    *accessStatus = ok ? TRUE : FALSE;
    if (!ok) SetLastError(ERROR_ACCESS_DENIED);
    return TRUE;
}
