// The shell library. Its one export hands out the path of a known folder of
// the user, as the machine profile has it, in a block of the task allocator
// that CoTaskMemFree of ole32.dll frees.
#include "platform/user_folders.h"

VEXL_API HRESULT SHGetKnownFolderPath(REFKNOWNFOLDERID folderId, DWORD flags, HANDLE token, LPWSTR* path);

HRESULT SHGetKnownFolderPath(REFKNOWNFOLDERID folderId, DWORD flags, HANDLE token, LPWSTR* path)
{
    return vexl::shell::KnownFolderPath(folderId, flags, token, path);
}
