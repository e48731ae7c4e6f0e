#include "common/core/process.h"

#include "common/core/context.h"
#include "common/core/osinfo.h"
#include "platform/win32.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace vexl {
namespace {

constexpr DWORD kCacheLockSpinCount = 4000;
constexpr const WCHAR* kSettingsMutexName = u"Global\\VexlMutexTse";

struct CacheLock {
    CRITICAL_SECTION section;
    BOOL created;
};

CacheLock g_cacheLocks[2];
HANDLE g_settingsMutex = nullptr;
std::mutex g_settingsMutexCreation;
std::mutex g_cacheLockCreation;

CacheLock* FindCacheLock(int which)
{
    return which == kCapabilitiesCacheLock || which == kGeneralCacheLock ? &g_cacheLocks[which - 1] : nullptr;
}

void CreateCacheLock(CacheLock& lock)
{
    lock.created = InitializeCriticalSectionAndSpinCount(&lock.section, kCacheLockSpinCount);
}

bool UsesSettingsMutex(const DriverContext* context)
{
    return !context || !context->workArea || context->workArea->useSettingsMutex != 0;
}

// The handle of the settings mutex, created on first use. The work the
// mutex guards must never run unserialised against other processes, so a
// failed creation is tried again until it succeeds.
HANDLE OpenSettingsMutex()
{
    std::lock_guard guard(g_settingsMutexCreation);
    while (!g_settingsMutex) {
        g_settingsMutex = CreateSettingsMutex();
        if (!g_settingsMutex) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return g_settingsMutex;
}

}  // namespace

void LibraryProcessAttach()
{
    ClearContextCaches();
    ForgetOsAnswers();
    // A section made on demand before the attach stays: making it again
    // would lose the one in use.
    for (CacheLock& lock : g_cacheLocks) {
        if (!lock.created) CreateCacheLock(lock);
    }
    g_settingsMutex = nullptr;
}

void LibraryProcessDetach()
{
    for (CacheLock& lock : g_cacheLocks) {
        if (lock.created == TRUE) {
            DeleteCriticalSection(&lock.section);
            lock.created = FALSE;
        }
    }
    if (g_settingsMutex) {
        CloseHandle(g_settingsMutex);
        g_settingsMutex = nullptr;
    }
}

void EnterContextCacheLock(int which)
{
    CacheLock* lock = FindCacheLock(which);
    if (!lock) return;
    // A table is never used without its lock: a section whose creation
    // failed at attach is created here, and again until that succeeds.
    if (!lock->created) {
        std::lock_guard guard(g_cacheLockCreation);
        while (!lock->created) {
            CreateCacheLock(*lock);
            if (!lock->created) std::this_thread::yield();
        }
    }
    EnterCriticalSection(&lock->section);
}

void LeaveContextCacheLock(int which)
{
    CacheLock* lock = FindCacheLock(which);
    if (lock && lock->created) LeaveCriticalSection(&lock->section);
}

HANDLE CreateSettingsMutex()
{
    SECURITY_DESCRIPTOR descriptor{};
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES attributes{sizeof(SECURITY_ATTRIBUTES), &descriptor, FALSE};
    return CreateMutexW(&attributes, FALSE, kSettingsMutexName);
}

namespace {

// How long the threads of this process hold the settings mutex: the depth
// of the holding thread's waits, when its outermost wait returned, and the
// longest hold so far. Only the thread that owns the mutex touches the depth
// and the time, so the mutex itself guards them (no thread-local storage:
// the library is unloaded while threads live on). The longest hold, the sum
// of the holds and their number are kept since the last look.
int g_settingsMutexDepth = 0;
std::chrono::steady_clock::time_point g_settingsMutexTaken;
std::atomic<std::int64_t> g_longestSettingsMutexHold{0};
std::atomic<std::int64_t> g_settingsMutexHeld{0};
std::atomic<std::int64_t> g_settingsMutexHolds{0};

void NoteSettingsMutexTaken()
{
    if (g_settingsMutexDepth++ == 0) g_settingsMutexTaken = std::chrono::steady_clock::now();
}

void NoteSettingsMutexReleased()
{
    if (g_settingsMutexDepth == 0 || --g_settingsMutexDepth != 0) return;
    const std::int64_t held =
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - g_settingsMutexTaken)
            .count();
    std::int64_t longest = g_longestSettingsMutexHold.load();
    while (held > longest && !g_longestSettingsMutexHold.compare_exchange_weak(longest, held)) {
    }
    g_settingsMutexHeld += held;
    ++g_settingsMutexHolds;
}

}  // namespace

void LockSettingsMutex(DriverContext* context)
{
    if (!UsesSettingsMutex(context)) return;
    WaitForSingleObject(OpenSettingsMutex(), INFINITE);
    NoteSettingsMutexTaken();
}

void UnlockSettingsMutex(DriverContext* context)
{
    if (!UsesSettingsMutex(context)) return;
    if (!g_settingsMutex) return;
    NoteSettingsMutexReleased();
    ReleaseMutex(g_settingsMutex);
}

SettingsMutexHolds TakeSettingsMutexHolds()
{
    return {std::chrono::nanoseconds(g_longestSettingsMutexHold.exchange(0)),
            std::chrono::nanoseconds(g_settingsMutexHeld.exchange(0)), g_settingsMutexHolds.exchange(0)};
}

}  // namespace vexl
