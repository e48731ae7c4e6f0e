// The shared settings folder, its security and the installation's file helpers.
#include "ui/services/settings_folder.h"

#include "common/core/osinfo.h"
#include "common/storage/bidi_config.h"
#include "common/storage/directories.h"
#include "ui/base/text_buffers.h"

#include <string>

namespace vexl::ui {
namespace {

constexpr DWORD kEveryoneAccessMask = FILE_ALL_ACCESS;
constexpr BYTE kEveryoneAceFlags = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

// The entries of folder + "\*.*" other than "." and "..", one call each.
template <typename Visit> bool ForEachEntry(const WCHAR* folder, Visit visit)
{
    const std::u16string base = std::u16string(TextView(folder)) + u"\\";
    const std::u16string pattern = base + u"*.*";
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(pattern.c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return false;
    do {
        const std::u16string_view name = TextView(data.cFileName);
        if (name == u"." || name == u"..") continue;
        const std::u16string path = base + std::u16string(name);
        visit(path, data.dwFileAttributes);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return true;
}

bool IsFolderEntry(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsLinkEntry(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool Exists(const WCHAR* path)
{
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// "X:" at the start.
bool IsDrivePath(const WCHAR* path)
{
    return path != nullptr && path[0] != 0 && path[1] == u':';
}

BOOL ApplyDescriptor(const WCHAR* path, std::uint32_t flags, PSECURITY_DESCRIPTOR descriptor,
                     SECURITY_INFORMATION information)
{
    if (descriptor == nullptr) return FALSE;
    SetFileSecurityW(path, information, descriptor);
    if (!(flags & kSecurePathOnly)) ApplySecurityRecursive(path, descriptor, flags, information);
    return TRUE;
}

}  // namespace

// ---- the folder --------------------------------------------------------------------

int GetDefaultDataFolder(WCHAR* out, int size)
{
    WCHAR system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length < 3 || length >= MAX_PATH) return 0;
    return CopyIfFits(out, size, std::u16string(TextView(system).substr(0, 3)) + kSettingsFolderName);
}

int GetDataFolder(WCHAR* out, int size, HANDLE printer, const PRINTER_INFO_2W* info)
{
    if (out == nullptr || size <= 0) return 0;
    if (info != nullptr && info->pServerName != nullptr && info->pServerName[0] != 0) {
        WCHAR client[MAX_PATH] = {};
        if (ReadPrinterDataDirectory(printer, kClientDirectoryValueName, client, MAX_PATH) == DirectoryRead::kResolved)
            return CopyIfFits(out, size, TextView(client));
    }
    WCHAR configured[MAX_PATH] = {};
    if (ReadDriverRegistryValue(kDirectoryValueName, configured, sizeof configured) && configured[0] != 0)
        return CopyIfFits(out, size, TextView(configured));
    return GetDefaultDataFolder(out, size);
}

int GetSettingsFolderForPrinterInfo(WCHAR* out, int size, HANDLE printer, const PRINTER_INFO_2W* info)
{
    if (IsNt5OrLater()) return GetDataFolder(out, size, printer, info);
    if (out == nullptr || size <= 0) return 0;
    const UINT length = GetSystemDirectoryW(out, static_cast<UINT>(size));
    return length < static_cast<UINT>(size) ? static_cast<int>(length) : 0;
}

BOOL CreateDataFolder(HANDLE printer)
{
    WCHAR folder[MAX_PATH] = {};
    if (GetSettingsDirectoryForPrinter(folder, MAX_PATH, printer) <= 0) return FALSE;
    const BOOL created = CreateFolder(folder);
    SetFileAttributesW(folder, FILE_ATTRIBUTE_HIDDEN);
    ApplyAdminsOwner(folder, kSecurePathOnly);
    ApplyEveryoneAccess(folder, kSecurePathOnly);
    return created;
}

BOOL CreateDataFolderForContext(DriverContext* context)
{
    return context != nullptr ? CreateDataFolder(context->printer) : FALSE;
}

BOOL RemoveDataFolder()
{
    WCHAR folder[MAX_PATH] = {};
    if (GetDefaultDataFolder(folder, MAX_PATH) <= 0) return FALSE;
    if (!DeleteFolderContents(folder)) return FALSE;
    return RemoveDirectoryW(folder);
}

BOOL SecureDataFolder(DriverContext* context)
{
    if (context == nullptr) return FALSE;
    if (!IsNt5OrLater()) {
        WCHAR path[MAX_PATH] = {};
        if (!GetBidiIniPath(context, path, MAX_PATH)) return FALSE;
        if (Exists(path)) return TRUE;
        PSECURITY_DESCRIPTOR descriptor = MakeEveryoneAccessDescriptor();
        SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), descriptor, FALSE};
        HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, &attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        const BOOL made = file != INVALID_HANDLE_VALUE;
        if (made) {
            CloseHandle(file);
            if (descriptor != nullptr) SetFileSecurityW(path, DACL_SECURITY_INFORMATION, descriptor);
        }
        FreeAccessDescriptor(descriptor);
        return made;
    }
    WCHAR folder[MAX_PATH] = {};
    if (GetSettingsDirectory(folder, MAX_PATH, context) <= 0) return FALSE;
    ApplyAdminsOwner(folder, 0);
    return ApplyEveryoneAccess(folder, 0);
}

// ---- security --------------------------------------------------------------------------

PSECURITY_DESCRIPTOR MakeEveryoneAccessDescriptor()
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return nullptr;
    // The ACE is its 8-byte header and mask followed by the SID; the ACL its
    // 8-byte header followed by the one ACE.
    const DWORD aceSize = 8 + GetLengthSid(everyone);
    const DWORD aclSize = sizeof(ACL) + aceSize;
    auto* acl = static_cast<PACL>(LocalAlloc(LPTR, aclSize));
    auto* descriptor = static_cast<SECURITY_DESCRIPTOR*>(LocalAlloc(LPTR, sizeof(SECURITY_DESCRIPTOR)));
    const bool built = acl != nullptr && descriptor != nullptr && InitializeAcl(acl, aclSize, ACL_REVISION) &&
                       AddAccessAllowedAceEx(acl, ACL_REVISION, kEveryoneAceFlags, kEveryoneAccessMask, everyone) &&
                       InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                       SetSecurityDescriptorDacl(descriptor, TRUE, acl, FALSE);
    FreeSid(everyone);
    if (!built) {
        if (acl != nullptr) LocalFree(acl);
        if (descriptor != nullptr) LocalFree(descriptor);
        return nullptr;
    }
    return descriptor;
}

void FreeAccessDescriptor(PSECURITY_DESCRIPTOR descriptor)
{
    if (descriptor == nullptr) return;
    auto* record = static_cast<SECURITY_DESCRIPTOR*>(descriptor);
    if (record->Dacl != nullptr) LocalFree(record->Dacl);
    LocalFree(descriptor);
}

PSECURITY_DESCRIPTOR MakeAdminsOwnerDescriptor()
{
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
        return nullptr;
    auto* descriptor = static_cast<SECURITY_DESCRIPTOR*>(LocalAlloc(LPTR, sizeof(SECURITY_DESCRIPTOR)));
    if (descriptor == nullptr || !InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorOwner(descriptor, administrators, FALSE)) {
        FreeSid(administrators);
        if (descriptor != nullptr) LocalFree(descriptor);
        return nullptr;
    }
    return descriptor;
}

void FreeOwnerDescriptor(PSECURITY_DESCRIPTOR descriptor)
{
    if (descriptor == nullptr) return;
    auto* record = static_cast<SECURITY_DESCRIPTOR*>(descriptor);
    if (record->Owner != nullptr) FreeSid(record->Owner);
    LocalFree(descriptor);
}

BOOL ApplyEveryoneAccess(const WCHAR* path, std::uint32_t flags)
{
    PSECURITY_DESCRIPTOR descriptor = MakeEveryoneAccessDescriptor();
    const BOOL applied = ApplyDescriptor(path, flags, descriptor, DACL_SECURITY_INFORMATION);
    FreeAccessDescriptor(descriptor);
    return applied;
}

BOOL ApplyAdminsOwner(const WCHAR* path, std::uint32_t flags)
{
    PSECURITY_DESCRIPTOR descriptor = MakeAdminsOwnerDescriptor();
    const BOOL applied = ApplyDescriptor(path, flags, descriptor, OWNER_SECURITY_INFORMATION);
    FreeOwnerDescriptor(descriptor);
    return applied;
}

void ApplySecurityRecursive(const WCHAR* folder, PSECURITY_DESCRIPTOR descriptor, std::uint32_t flags,
                            SECURITY_INFORMATION securityInformation)
{
    if (folder == nullptr || descriptor == nullptr) return;
    ForEachEntry(folder, [&](const std::u16string& path, DWORD attributes) {
        if (IsLinkEntry(attributes)) return;
        if (!IsFolderEntry(attributes)) {
            SetFileSecurityW(path.c_str(), securityInformation, descriptor);
            return;
        }
        if (flags & kSecureSubfolders) SetFileSecurityW(path.c_str(), securityInformation, descriptor);
        if (flags & kSecureRecursive) ApplySecurityRecursive(path.c_str(), descriptor, flags, securityInformation);
    });
}

// ---- files --------------------------------------------------------------------------------

BOOL CreateFolder(const WCHAR* path)
{
    if (path == nullptr) return FALSE;
    if (CreateDirectoryW(path, nullptr)) return TRUE;
    return GetLastError() == ERROR_ALREADY_EXISTS ? TRUE : FALSE;
}

BOOL DeleteFilesByPattern(const WCHAR* pattern)
{
    if (pattern == nullptr) return FALSE;
    const std::u16string_view text = TextView(pattern);
    const std::size_t split = text.find_last_of(u'\\');
    const std::u16string folder(split == std::u16string_view::npos ? std::u16string_view() : text.substr(0, split + 1));
    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return FALSE;
    BOOL any = FALSE;
    do {
        const std::u16string_view name = TextView(data.cFileName);
        if (name == u"." || name == u"..") continue;
        const std::u16string path = folder + std::u16string(name);
        if (SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL)) {
            any = TRUE;
            DeleteFileW(path.c_str());
        }
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return any;
}

BOOL DeleteFolderContents(const WCHAR* folder)
{
    if (folder == nullptr) return FALSE;
    const bool listed = ForEachEntry(folder, [](const std::u16string& path, DWORD attributes) {
        if (IsLinkEntry(attributes)) {
            // The link itself goes; what it leads to is never entered.
            if (IsFolderEntry(attributes)) {
                RemoveDirectoryW(path.c_str());
            } else {
                DeleteFileW(path.c_str());
            }
            return;
        }
        if (IsFolderEntry(attributes)) {
            DeleteFolderContents(path.c_str());
            RemoveDirectoryW(path.c_str());
        } else {
            DeleteFileW(path.c_str());
        }
    });
    return listed ? TRUE : FALSE;
}

BOOL ClearReadOnlyAttribute(const WCHAR* path)
{
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    return TRUE;
}

BOOL CopyDriverFileToSystemDirFor(const WCHAR* name, const WCHAR* sourceName, std::uint16_t mode, HANDLE printer)
{
    if (name == nullptr) return FALSE;
    WCHAR source[MAX_PATH] = {};
    WCHAR target[MAX_PATH] = {};
    BuildDriverDirPath(source, MAX_PATH, sourceName != nullptr ? sourceName : name, printer);
    BuildSystemDirPath(target, MAX_PATH, name);
    if (source[0] == 0 || target[0] == 0) return FALSE;
    if (EqualNoCase(source, target)) return TRUE;
    if (mode == kCopyWhenMissing) {
        if (!Exists(source)) return FALSE;
        if (Exists(target)) return TRUE;
        return CopyFileNormal(source, target, FALSE);
    }
    if (!Exists(source)) return FALSE;
    if (Exists(target)) {
        // A target not older than the source is in place.
        if (CompareFileTimes(source, target, kFileTimeNotLater)) return TRUE;
        ForceDeleteFile(target);
    }
    return CopyFileNormal(source, target, FALSE);
}

BOOL CopyFileByMode(const WCHAR* target, const WCHAR* source, std::uint16_t mode)
{
    if (!IsDrivePath(target) || !IsDrivePath(source)) return FALSE;
    if (EqualNoCase(source, target)) return TRUE;
    if (mode == kCopyWhenMissing) {
        if (!Exists(source)) return FALSE;
        if (Exists(target)) return TRUE;
        return CopyFileNormal(source, target, FALSE);
    }
    if (!Exists(source) || CompareFileTimes(source, target, kFileTimesEqual)) return FALSE;
    if (Exists(target)) ForceDeleteFile(target);
    return CopyFileNormal(source, target, FALSE);
}

BOOL InstallDriverFileFor(const WCHAR* target, const WCHAR* sourceName, std::uint16_t mode, DriverContext* context,
                          int timeMode)
{
    return InstallDriverFileEx(target, sourceName, mode, context, timeMode);
}

WCHAR* BuildUserDirPath(WCHAR* out, int size, const WCHAR* name)
{
    if (out == nullptr || size <= 0) return out;
    out[0] = 0;
    WCHAR folder[MAX_PATH] = {};
    if (GetUserSettingsDirectoryNoContext(folder, MAX_PATH) <= 0) return out;
    CopyIfFits(out, size, std::u16string(TextView(folder)) + u"\\" + std::u16string(TextView(name)));
    return out;
}

BOOL GetWindowsFolder(WCHAR* out, int size)
{
    if (out != nullptr && size > 0) {
        out[0] = 0;
        GetSystemWindowsDirectoryW(out, static_cast<UINT>(size));
    }
    return TRUE;
}

}  // namespace vexl::ui
