// Processes: CreateProcessW starts a program of the machine as a host
// process. The Windows path of the program is mapped into the machine
// (machine.h); the file there must be executable. The program gets only its
// own path as argument (the command line is not passed) and runs in the
// mapped current directory with the environment of its parent, so it sees
// the same machine. WaitForSingleObject (sync.h) waits for it to end.
//
// For hermetic tests a process can record the launches instead of starting
// anything: each recorded process has ended at once with exit code 0.
#pragma once

#include "platform/types.h"

#include <string>
#include <vector>

struct STARTUPINFOW {
    DWORD cb;
    LPWSTR lpReserved;
    LPWSTR lpDesktop;
    LPWSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
using LPSTARTUPINFOW = STARTUPINFOW*;

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

inline constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001;
inline constexpr DWORD STILL_ACTIVE = 259;

// Starts the program applicationName (required; the command line is
// recorded but not passed). FALSE with ERROR_FILE_NOT_FOUND when the program
// is missing or not executable, ERROR_DIRECTORY when the current directory
// is not a folder. Both handles of the answer are closed by CloseHandle; the
// thread handle stands for the process too.
VEXL_API BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                             LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                             LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                             LPPROCESS_INFORMATION processInformation);
// The exit code, or STILL_ACTIVE while the process runs.
VEXL_API BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

