// The security and the kept attributes of the machine's files and folders.
//
// An entry's owner SID, DACL and hidden and system attributes are kept in
// extended attributes of its host entry, so that they travel with the entry
// and every process of the machine sees them. Access is decided by
// AccessCheck with the token of the machine profile's user on the entry's
// effective DACL: its own, else the inheritable ACEs of the nearest folder
// above it that has one (no such folder: everything is allowed).
#include "platform/security.h"

#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/machine.h"

#include "files_host.h"
#include "platform/modules_host.h"
#include "profile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace vexl::platform {
namespace fs = std::filesystem;

namespace {

constexpr const char* kOwnerName = "user.vexl.owner";
constexpr const char* kDaclName = "user.vexl.dacl";
constexpr const char* kAttributesName = "user.vexl.attributes";
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

using Bytes = std::vector<BYTE>;

// Most machines never give an entry an owner, a DACL or a kept attribute.
// The first such write leaves this marker under the machine's root, and
// while it is missing no entry keeps anything: the checks then read no
// extended attribute (one per folder up to the root for each check). The
// marker's absence is looked at no more than once per millisecond tick; its
// presence is remembered for the root.
constexpr const char* kKeptMarker = "security.kept";

struct KeptMarkerCache {
    std::mutex lock;
    std::string root;
    bool present = false;
    std::uint64_t checkedTick = 0;
    bool checked = false;
};

KeptMarkerCache& TheKeptMarkerCache()
{
    static KeptMarkerCache cache;
    return cache;
}

std::uint64_t CoarseTick()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

}  // namespace

// The root is compared as text: this is asked on every open.
bool MachineKeepsSecurity(const std::string& root)
{
    KeptMarkerCache& cache = TheKeptMarkerCache();
    std::lock_guard guard(cache.lock);
    const std::uint64_t tick = CoarseTick();
    if (cache.checked && root == cache.root && (cache.present || tick == cache.checkedTick)) return cache.present;
    struct stat status {};
    cache.present = root.empty() || ::stat((fs::path(root) / kKeptMarker).c_str(), &status) == 0;
    cache.root = root;
    cache.checkedTick = tick;
    cache.checked = true;
    return cache.present;
}

bool MachineKeepsSecurity()
{
    return MachineKeepsSecurity(vexl::machine::RootText());
}

namespace {

bool MarkMachineKeepsSecurity()
{
    const fs::path root = vexl::machine::Root();
    if (root.empty()) return true;
    const int fd = ::open((root / kKeptMarker).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    KeptMarkerCache& cache = TheKeptMarkerCache();
    std::lock_guard guard(cache.lock);
    cache.root = root.native();
    cache.present = true;
    cache.checked = true;
    return true;
}

std::optional<Bytes> ReadKept(const fs::path& path, const char* name)
{
    if (!MachineKeepsSecurity()) return std::nullopt;
    const ssize_t size = ::lgetxattr(path.c_str(), name, nullptr, 0);
    if (size < 0) return std::nullopt;
    Bytes bytes(static_cast<std::size_t>(size));
    const ssize_t read = ::lgetxattr(path.c_str(), name, bytes.data(), bytes.size());
    if (read < 0) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(read));
    return bytes;
}

bool WriteKept(const fs::path& path, const char* name, const Bytes& bytes)
{
    if (!MarkMachineKeepsSecurity()) return false;
    return ::lsetxattr(path.c_str(), name, bytes.data(), bytes.size(), 0) == 0;
}

Bytes AdministratorsSid()
{
    // S-1-5-32-544
    return {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
}

bool IsWithinMachine(const fs::path& path, const fs::path& root)
{
    const fs::path relative = path.lexically_relative(root);
    return !relative.empty() && *relative.begin() != "..";
}

struct EffectiveSecurity {
    Bytes owner;
    std::optional<Bytes> dacl;  // none: everything is allowed; empty: a null DACL
};

// The ACEs of an ancestor's DACL that reach an entry depth levels below it.
Bytes InheritedAcl(const Bytes& dacl, bool folder, bool direct)
{
    Bytes acl(sizeof(ACL), 0);
    if (dacl.size() < sizeof(ACL)) return {};
    ACL header;
    std::memcpy(&header, dacl.data(), sizeof header);
    std::size_t at = sizeof(ACL);
    WORD count = 0;
    for (WORD i = 0; i < header.AceCount && at + sizeof(ACE_HEADER) <= dacl.size(); ++i) {
        ACE_HEADER ace;
        std::memcpy(&ace, dacl.data() + at, sizeof ace);
        if (ace.AceSize < sizeof(ACE_HEADER) || at + ace.AceSize > dacl.size()) break;
        const BYTE wanted = folder ? CONTAINER_INHERIT_ACE : OBJECT_INHERIT_ACE;
        const bool reaches = (ace.AceFlags & wanted) && (direct || !(ace.AceFlags & NO_PROPAGATE_INHERIT_ACE));
        if (reaches) {
            const std::size_t start = acl.size();
            acl.insert(acl.end(), dacl.begin() + static_cast<std::ptrdiff_t>(at),
                       dacl.begin() + static_cast<std::ptrdiff_t>(at + ace.AceSize));
            acl[start + 1] = 0;  // an inherited ACE applies to the entry itself
            ++count;
        }
        at += ace.AceSize;
    }
    const ACL inherited{static_cast<BYTE>(ACL_REVISION), 0, static_cast<WORD>(acl.size()), count, 0};
    std::memcpy(acl.data(), &inherited, sizeof inherited);
    return acl;
}

EffectiveSecurity EffectiveSecurityOf(const fs::path& path, bool folder)
{
    EffectiveSecurity security;
    security.owner = ReadKept(path, kOwnerName).value_or(AdministratorsSid());
    security.dacl = ReadKept(path, kDaclName);
    if (security.dacl) return security;
    const fs::path root = vexl::machine::Root();
    bool direct = true;
    for (fs::path above = path.parent_path(); IsWithinMachine(above, root) && above != above.parent_path();
         above = above.parent_path()) {
        if (const std::optional<Bytes> dacl = ReadKept(above, kDaclName)) {
            if (dacl->empty()) return security;  // a null DACL above: nothing to inherit
            security.dacl = InheritedAcl(*dacl, folder, direct);
            return security;
        }
        direct = false;
    }
    return security;
}

// AccessCheck with the user's token: the thread's own when it impersonates,
// else one taken for the call.
bool CheckAccess(const EffectiveSecurity& security, ACCESS_MASK desired)
{
    if (!security.dacl || security.dacl->empty()) return true;
    Bytes owner = security.owner;
    Bytes dacl = *security.dacl;
    SECURITY_DESCRIPTOR descriptor{};
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorOwner(&descriptor, owner.data(), FALSE);
    SetSecurityDescriptorGroup(&descriptor, owner.data(), FALSE);
    SetSecurityDescriptorDacl(&descriptor, TRUE, reinterpret_cast<PACL>(dacl.data()), FALSE);

    const DWORD lastError = GetLastError();
    HANDLE token = nullptr;
    bool ownImpersonation = false;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
        ownImpersonation = ImpersonateSelf(SecurityImpersonation) != FALSE;
        if (!ownImpersonation || !OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
            if (ownImpersonation) RevertToSelf();
            return false;
        }
    }
    GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    PRIVILEGE_SET privileges{};
    DWORD privilegesLength = sizeof privileges;
    DWORD granted = 0;
    BOOL status = FALSE;
    const BOOL checked =
        AccessCheck(&descriptor, token, desired, &mapping, &privileges, &privilegesLength, &granted, &status);
    CloseHandle(token);
    if (ownImpersonation) RevertToSelf();
    SetLastError(lastError);
    return checked && status;
}

bool IsFolderEntry(const fs::path& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool IsValidSidAt(const BYTE* sid, std::size_t room)
{
    return sid && room >= 8 && sid[0] == SID_REVISION && sid[1] <= SID_MAX_SUB_AUTHORITIES && room >= 8u + 4u * sid[1];
}

}  // namespace

DWORD KeptAttributes(const fs::path& path)
{
    const std::optional<Bytes> bytes = ReadKept(path, kAttributesName);
    if (!bytes || bytes->size() != sizeof(DWORD)) return 0;
    DWORD attributes;
    std::memcpy(&attributes, bytes->data(), sizeof attributes);
    return attributes & kKeptAttributes;
}

bool KeepAttributes(const fs::path& path, DWORD attributes)
{
    const DWORD kept = attributes & kKeptAttributes;
    if (kept == 0) return ::lremovexattr(path.c_str(), kAttributesName) == 0 || errno == ENODATA;
    Bytes bytes(sizeof kept);
    std::memcpy(bytes.data(), &kept, sizeof kept);
    return WriteKept(path, kAttributesName, bytes);
}

bool HasFileAccess(const fs::path& path, ACCESS_MASK access)
{
    if (!MachineKeepsSecurity()) return true;
    return CheckAccess(EffectiveSecurityOf(path, IsFolderEntry(path)), access);
}

bool MayDeleteEntry(const fs::path& path)
{
    return HasFileAccess(path, DELETE) || HasFileAccess(path.parent_path(), FILE_DELETE_CHILD);
}

bool MayCreateIn(const fs::path& folder, bool subfolder)
{
    return HasFileAccess(folder, subfolder ? FILE_ADD_SUBDIRECTORY : FILE_ADD_FILE);
}

}  // namespace vexl::platform

using namespace vexl::platform;
namespace fs = std::filesystem;

BOOL SetFileSecurityW(LPCWSTR fileName, SECURITY_INFORMATION securityInformation,
                      PSECURITY_DESCRIPTOR securityDescriptor)
{
    if (!securityDescriptor) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const fs::path path = HostFile(fileName);
    struct stat status {};
    if (path.empty() || ::lstat(path.c_str(), &status) != 0) {
        SetLastError(path.empty() ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno, path));
        return FALSE;
    }
    if (S_ISLNK(status.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    SECURITY_DESCRIPTOR descriptor;
    std::memcpy(&descriptor, securityDescriptor, sizeof descriptor);
    if (descriptor.Revision != SECURITY_DESCRIPTOR_REVISION || (descriptor.Control & SE_SELF_RELATIVE)) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return FALSE;
    }
    const ACCESS_MASK needed = ((securityInformation & OWNER_SECURITY_INFORMATION) ? WRITE_OWNER : 0) |
                               ((securityInformation & DACL_SECURITY_INFORMATION) ? WRITE_DAC : 0);
    if (needed && !HasFileAccess(path, needed)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }

    std::optional<Bytes> owner;
    if (securityInformation & OWNER_SECURITY_INFORMATION) {
        const auto* sid = static_cast<const BYTE*>(descriptor.Owner);
        if (!sid || !IsValidSid(descriptor.Owner)) {
            SetLastError(ERROR_INVALID_OWNER);
            return FALSE;
        }
        // Only an administrator may give an entry an owner.
        if (!vexl::machine::CurrentProfile()->administrator) {
            SetLastError(ERROR_INVALID_OWNER);
            return FALSE;
        }
        owner = Bytes(sid, sid + GetLengthSid(descriptor.Owner));
    }
    std::optional<Bytes> dacl;
    if (securityInformation & DACL_SECURITY_INFORMATION) {
        if (!(descriptor.Control & SE_DACL_PRESENT) || !descriptor.Dacl) {
            dacl = Bytes{};  // a null DACL allows everything
        } else {
            if (!IsValidAcl(descriptor.Dacl)) {
                SetLastError(ERROR_INVALID_ACL);
                return FALSE;
            }
            const auto* bytes = reinterpret_cast<const BYTE*>(descriptor.Dacl);
            dacl = Bytes(bytes, bytes + descriptor.Dacl->AclSize);
        }
    }
    if ((owner && !WriteKept(path, kOwnerName, *owner)) || (dacl && !WriteKept(path, kDaclName, *dacl))) {
        SetLastError(ErrorFromErrno(errno, path));
        return FALSE;
    }
    return TRUE;
}

BOOL GetFileSecurityW(LPCWSTR fileName, SECURITY_INFORMATION requestedInformation,
                      PSECURITY_DESCRIPTOR securityDescriptor, DWORD length, LPDWORD lengthNeeded)
{
    if (!lengthNeeded) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const fs::path path = HostFile(fileName);
    struct stat status {};
    if (path.empty() || ::lstat(path.c_str(), &status) != 0) {
        SetLastError(path.empty() ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno, path));
        return FALSE;
    }
    std::optional<Bytes> owner;
    std::optional<Bytes> dacl;
    if (requestedInformation & OWNER_SECURITY_INFORMATION) owner = ReadKept(path, kOwnerName);
    if (requestedInformation & DACL_SECURITY_INFORMATION) dacl = ReadKept(path, kDaclName);
    if (owner && !IsValidSidAt(owner->data(), owner->size())) owner.reset();

    SECURITY_DESCRIPTOR_RELATIVE header{};
    header.Revision = SECURITY_DESCRIPTOR_REVISION;
    header.Control = SE_SELF_RELATIVE;
    Bytes out(sizeof header);
    if (owner) {
        header.Owner = static_cast<DWORD>(out.size());
        out.insert(out.end(), owner->begin(), owner->end());
    }
    if (dacl) {
        header.Control |= SE_DACL_PRESENT;
        if (!dacl->empty()) {
            header.Dacl = static_cast<DWORD>(out.size());
            out.insert(out.end(), dacl->begin(), dacl->end());
        }
    }
    std::memcpy(out.data(), &header, sizeof header);
    *lengthNeeded = static_cast<DWORD>(out.size());
    if (!securityDescriptor || length < out.size()) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memcpy(securityDescriptor, out.data(), out.size());
    return TRUE;
}
