// Synchronisation: critical sections, mutexes and waits.
#pragma once

#include "platform/types.h"

// A critical section: a recursive lock owned by one thread at a time. The
// record holds the lock object that InitializeCriticalSection creates and
// DeleteCriticalSection destroys; a section that was never initialised (or
// was deleted) locks nothing.
struct CRITICAL_SECTION {
    void* LockObject;
    DWORD SpinCount;  // kept for callers that set it; the lock does not spin
};
using LPCRITICAL_SECTION = CRITICAL_SECTION*;

VEXL_API void InitializeCriticalSection(LPCRITICAL_SECTION section);
VEXL_API BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount);
VEXL_API void EnterCriticalSection(LPCRITICAL_SECTION section);
VEXL_API BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section);
// Leaving a section the calling thread does not hold does nothing.
VEXL_API void LeaveCriticalSection(LPCRITICAL_SECTION section);
VEXL_API void DeleteCriticalSection(LPCRITICAL_SECTION section);

// Mutexes. A named mutex is one object for the whole machine: every process
// that uses the same machine root shares it (a lock file under
// <root>/mutex/). Names compare without case, and "Global\" and "Local\"
// name the same object. Ownership is per thread and recursive; a holder
// that ends (its thread or its process) leaves the mutex abandoned, and the
// next wait that takes it answers WAIT_ABANDONED.
inline constexpr DWORD WAIT_OBJECT_0 = 0x00000000;
inline constexpr DWORD WAIT_ABANDONED = 0x00000080;
inline constexpr DWORD WAIT_TIMEOUT = 0x00000102;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

inline constexpr DWORD MUTEX_MODIFY_STATE = 0x0001;
inline constexpr DWORD MUTEX_ALL_ACCESS = 0x001F0001;

// The security attributes are accepted and not applied: every process of a
// machine may open every mutex, as with a NULL DACL. After a successful
// call GetLastError() is ERROR_ALREADY_EXISTS when the name was already in
// use (in this process, or by a lock file another process made), else 0;
// initialOwner takes ownership only when this call made the mutex.
VEXL_API HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCWSTR name);
// Opens an existing named mutex; ERROR_FILE_NOT_FOUND when there is none.
VEXL_API HANDLE OpenMutexW(DWORD desiredAccess, BOOL inheritHandle, LPCWSTR name);
// FALSE with ERROR_NOT_OWNER when the calling thread does not own it.
VEXL_API BOOL ReleaseMutex(HANDLE mutex);
// Waits for a mutex: WAIT_OBJECT_0, WAIT_ABANDONED, WAIT_TIMEOUT, or
// WAIT_FAILED (ERROR_INVALID_HANDLE for a handle that is neither a mutex nor
// a process); a process is waited for until it ends (process.h).
VEXL_API DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
