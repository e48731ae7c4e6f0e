// The user's folders: known folders of the shell, the task allocator that
// hands their paths out, and the user's profile folder.
#pragma once

#include "platform/types.h"

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
using KNOWNFOLDERID = GUID;
using REFKNOWNFOLDERID = const KNOWNFOLDERID&;

inline constexpr KNOWNFOLDERID FOLDERID_LocalAppDataLow = {
    0xA520A1A4, 0x1780, 0x4FF6, {0xBD, 0x18, 0x16, 0x73, 0x43, 0xC5, 0xAF, 0x16}};
inline constexpr KNOWNFOLDERID FOLDERID_Profile = {
    0x5E6C858F, 0x0E22, 0x4760, {0x9A, 0xFE, 0xEA, 0x33, 0x17, 0xB6, 0x71, 0x73}};

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT HRESULT_FILE_NOT_FOUND = static_cast<HRESULT>(0x80070002);
inline constexpr bool SUCCEEDED(HRESULT result)
{
    return result >= 0;
}
inline constexpr bool FAILED(HRESULT result)
{
    return result < 0;
}

// The entry points of the user's folders, which live in libraries of their
// own: the shell library "shell32.dll", the task allocator "ole32.dll" and
// the user environment "UserEnv.dll". A caller loads the library by name and
// takes the entry point with GetProcAddress.
//
// SHGetKnownFolderPath hands out the path of a known folder in a block of the
// task allocator, which the caller frees with CoTaskMemFree; *path is null on
// failure. GetUserProfileDirectoryW answers the profile folder of the user a
// token stands for; *size counts characters with the terminator.
using SHGetKnownFolderPathProc = HRESULT (*)(REFKNOWNFOLDERID folderId, DWORD flags, HANDLE token, LPWSTR* path);
using CoTaskMemFreeProc = void (*)(LPVOID block);
using GetUserProfileDirectoryWProc = BOOL (*)(HANDLE token, LPWSTR profileDirectory, LPDWORD size);
