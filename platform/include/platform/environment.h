// Environment variables of the process. The table is the process's own,
// seeded once from the machine profile (PATH, SYSTEMROOT, SYSTEMDRIVE,
// WINDIR, USERPROFILE, USERNAME, COMPUTERNAME, TEMP, TMP, OS); the host's
// environment is never read. Names compare without case.
#pragma once

#include "platform/types.h"

// Answers the length copied; when the buffer is too small, the size needed
// including the terminator; 0 with ERROR_ENVVAR_NOT_FOUND for a missing name.
VEXL_API DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);
// A null value deletes the variable.
VEXL_API BOOL SetEnvironmentVariableW(LPCWSTR name, LPCWSTR value);
// Replaces every %NAME% of a known variable; unknown names stay as written.
// Answers the characters needed including the terminator (the buffer is only
// filled when they fit), 0 on failure.
VEXL_API DWORD ExpandEnvironmentStringsW(LPCWSTR source, LPWSTR destination, DWORD size);
