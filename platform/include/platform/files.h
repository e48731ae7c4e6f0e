// Files, folders, find handles, read-only file mappings and the Windows and
// system folders. Windows paths are mapped into the machine (machine.h);
// file handles are kernel handles closed by CloseHandle.
#pragma once

#include "platform/types.h"

// Access, sharing and creation.
inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD GENERIC_EXECUTE = 0x20000000;
inline constexpr DWORD GENERIC_ALL = 0x10000000;

// Sharing is accepted and not enforced: every process may open every file.
inline constexpr DWORD FILE_SHARE_READ = 0x00000001;
inline constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
inline constexpr DWORD FILE_SHARE_DELETE = 0x00000004;

inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x00000002;
inline constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x00000004;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x00000020;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
inline constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x00000100;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

inline constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000;
inline constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000;
inline constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000;
inline constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000;

// File pointer and size.
inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;
inline constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
inline constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;

// Moving files.
inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x00000001;
inline constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x00000002;
inline constexpr DWORD MOVEFILE_DELAY_UNTIL_REBOOT = 0x00000004;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x00000008;

// Read-only file mappings.
inline constexpr DWORD PAGE_READONLY = 0x02;
inline constexpr DWORD FILE_MAP_READ = 0x0004;

// Errors the file functions answer besides those of types.h.

// Overlapped input and output is not supported: pass null.
struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
};
static_assert(sizeof(WIN32_FIND_DATAW) == 592);
using LPWIN32_FIND_DATAW = WIN32_FIND_DATAW*;

// Opening and using files. CreateFileW answers INVALID_HANDLE_VALUE on failure.
// After a successful CREATE_ALWAYS or OPEN_ALWAYS the last error tells whether
// the file was there before (ERROR_ALREADY_EXISTS) or not (0). Access 0 opens a
// file for queries only (size, times).
VEXL_API HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode,
                            LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                            DWORD flagsAndAttributes, HANDLE templateFile);
VEXL_API BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped);
VEXL_API BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped);
VEXL_API DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod);
VEXL_API BOOL SetEndOfFile(HANDLE file);
VEXL_API DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh);
VEXL_API BOOL FlushFileBuffers(HANDLE file);
VEXL_API BOOL GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime, LPFILETIME lastWriteTime);
VEXL_API BOOL SetFileTime(HANDLE file, const FILETIME* creationTime, const FILETIME* lastAccessTime,
                          const FILETIME* lastWriteTime);
VEXL_API LONG CompareFileTime(const FILETIME* fileTime1, const FILETIME* fileTime2);

// Files and folders by name. A read-only file cannot be written, truncated,
// deleted or replaced (ERROR_ACCESS_DENIED) until its attribute is cleared.
VEXL_API BOOL DeleteFileW(LPCWSTR fileName);
VEXL_API BOOL CopyFileW(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists);
VEXL_API BOOL MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags);
VEXL_API BOOL MoveFileW(LPCWSTR existingFileName, LPCWSTR newFileName);
VEXL_API BOOL CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES securityAttributes);
VEXL_API BOOL RemoveDirectoryW(LPCWSTR pathName);
VEXL_API DWORD GetFileAttributesW(LPCWSTR fileName);
VEXL_API BOOL SetFileAttributesW(LPCWSTR fileName, DWORD fileAttributes);

// Listing a folder: wildcards * and ? compared without case.
VEXL_API HANDLE FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData);
VEXL_API BOOL FindNextFileW(HANDLE findFile, LPWIN32_FIND_DATAW findData);
VEXL_API BOOL FindClose(HANDLE findFile);

// Read-only mappings of a whole file or a part of it. CreateFileMappingW answers
// null on failure; a view stays valid after the mapping handle is closed.
VEXL_API HANDLE CreateFileMappingW(HANDLE file, LPSECURITY_ATTRIBUTES attributes, DWORD protect, DWORD maximumSizeHigh,
                                   DWORD maximumSizeLow, LPCWSTR name);
VEXL_API LPVOID MapViewOfFile(HANDLE fileMappingObject, DWORD desiredAccess, DWORD fileOffsetHigh, DWORD fileOffsetLow,
                              SIZE_T numberOfBytesToMap);
VEXL_API BOOL UnmapViewOfFile(LPCVOID baseAddress);

// The full form of a path: a relative path is joined to the process's
// current folder (the machine profile's, "C:\\" by default), "." and ".."
// are resolved. Answers the length copied, or, when the buffer is too small,
// the size needed including the terminator; *filePart (when asked) points at
// the last component in the buffer, NULL when the path ends in a separator.
VEXL_API DWORD GetFullPathNameW(LPCWSTR fileName, DWORD bufferLength, LPWSTR buffer, LPWSTR* filePart);
// The short form of an existing file or folder's path: the machine keeps no
// 8.3 names, so the path as given. ERROR_FILE_NOT_FOUND or
// ERROR_PATH_NOT_FOUND when it does not exist. Sizes as GetFullPathNameW.
VEXL_API DWORD GetShortPathNameW(LPCWSTR longPath, LPWSTR shortPath, DWORD bufferLength);

// The machine's folders. Answer the length copied; when the buffer is too
// small, the size needed including the terminator.
VEXL_API UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);
VEXL_API UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size);
// The system's Windows folder (the same as GetWindowsDirectoryW here: the
// machine has no per-user Windows folder).
VEXL_API UINT GetSystemWindowsDirectoryW(LPWSTR buffer, UINT size);
