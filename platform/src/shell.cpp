#include "platform/user_folders.h"

#include "platform/kernel.h"
#include "platform/machine.h"

#include "profile.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace vexl::shell {
namespace {

bool SameFolderId(const KNOWNFOLDERID& a, const KNOWNFOLDERID& b)
{
    return a.Data1 == b.Data1 && a.Data2 == b.Data2 && a.Data3 == b.Data3 &&
           std::memcmp(a.Data4, b.Data4, sizeof(a.Data4)) == 0;
}

}  // namespace

LPVOID AllocateTaskMemory(SIZE_T bytes)
{
    return std::malloc(bytes ? bytes : 1);
}

void FreeTaskMemory(LPVOID block)
{
    std::free(block);
}

HRESULT KnownFolderPath(REFKNOWNFOLDERID folderId, DWORD flags, HANDLE token, LPWSTR* path)
{
    (void)flags;
    (void)token;
    if (!path) return E_INVALIDARG;
    *path = nullptr;
    const std::shared_ptr<const machine::Profile> current = machine::CurrentProfile();
    const machine::Profile& profile = *current;
    std::u16string folder;
    if (SameFolderId(folderId, FOLDERID_LocalAppDataLow)) {
        folder = profile.localAppDataLow;
    } else if (SameFolderId(folderId, FOLDERID_Profile)) {
        folder = profile.userProfile;
    } else {
        return E_INVALIDARG;
    }
    if (folder.empty()) return HRESULT_FILE_NOT_FOUND;
    auto* block = static_cast<WCHAR*>(AllocateTaskMemory((folder.size() + 1) * sizeof(WCHAR)));
    if (!block) return E_OUTOFMEMORY;
    folder.copy(block, folder.size());
    block[folder.size()] = 0;
    *path = block;
    return S_OK;
}

BOOL UserProfileDirectory(HANDLE token, LPWSTR profileDirectory, LPDWORD size)
{
    if (!token || !size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::u16string folder = machine::CurrentProfile()->userProfile;
    if (folder.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    const DWORD needed = static_cast<DWORD>(folder.size() + 1);
    if (!profileDirectory || *size < needed) {
        *size = needed;
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    folder.copy(profileDirectory, folder.size());
    profileDirectory[folder.size()] = 0;
    *size = needed;
    return TRUE;
}

}  // namespace vexl::shell
