// The user's folders as the machine holds them, for the stand-ins of the
// shell, task-allocator and user-environment libraries, which export them
// under their Windows names. The paths come from the machine profile.
#pragma once

#include "platform/shell.h"

VEXL_HOST_FACE_BEGIN
namespace vexl::shell {

// The path of a known folder (LocalAppDataLow or Profile) in a block of the
// task allocator, which the caller frees with FreeTaskMemory; *path is null
// on failure. A folder the machine profile leaves empty is not found.
HRESULT KnownFolderPath(REFKNOWNFOLDERID folderId, DWORD flags, HANDLE token, LPWSTR* path);

// The task allocator.
LPVOID AllocateTaskMemory(SIZE_T bytes);
void FreeTaskMemory(LPVOID block);

// The profile folder of the user a token (from OpenThreadToken or
// OpenProcessToken) stands for. *size counts characters with the terminator:
// a short buffer fails with ERROR_INSUFFICIENT_BUFFER and the size needed.
BOOL UserProfileDirectory(HANDLE token, LPWSTR profileDirectory, LPDWORD size);

}  // namespace vexl::shell
VEXL_HOST_FACE_END
