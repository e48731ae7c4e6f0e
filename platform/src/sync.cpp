#include "platform/sync.h"

#include "handles.h"
#include "named_mutex.h"
#include "platform/kernel.h"
#include "platform/machine.h"
#include "unicode.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vexl::platform {
namespace {

// ---- Critical sections ----------------------------------------------------

// The lock behind a CRITICAL_SECTION. The owner is kept beside the mutex so
// that a thread that does not hold the section cannot unlock it.
struct SectionLock {
    std::recursive_mutex mutex;
    std::atomic<DWORD> owner{0};
    DWORD recursion = 0;  // touched by the owner only
};

SectionLock* LockOf(LPCRITICAL_SECTION section)
{
    return section ? static_cast<SectionLock*>(section->LockObject) : nullptr;
}

void NoteEntered(SectionLock& lock)
{
    lock.owner.store(GetCurrentThreadId());
    ++lock.recursion;
}

// ---- Mutexes --------------------------------------------------------------

using Clock = std::chrono::steady_clock;

// One mutex of the process, shared by every handle that names it. A thread
// that takes it becomes the owner at once (so other threads of the process
// wait on the condition variable) and then, for a named mutex, takes the
// lock file; the recursion count turns 1 when both are done.
struct MutexState {
    std::mutex lock;
    std::condition_variable released;
    DWORD owner = 0;                          // thread id; 0 when free
    DWORD recursion = 0;                      // 0 while the owner still waits for the lock file
    bool abandoned = false;                   // its owner thread ended without releasing it
    std::unique_ptr<MutexLockFile> lockFile;  // named mutexes only
};

struct MutexObject : KernelObject {
    explicit MutexObject(std::shared_ptr<MutexState> s) : state(std::move(s)) {}
    std::shared_ptr<MutexState> state;
};

// The named mutexes of the process, by machine root and key. An entry lives
// while a handle does.
struct MutexNames {
    std::mutex lock;
    std::unordered_map<std::u16string, std::weak_ptr<MutexState>> states;
};

MutexNames& Names()
{
    static MutexNames names;
    return names;
}

void AbandonIfOwnedBy(MutexState& state, DWORD thread)
{
    std::lock_guard guard(state.lock);
    if (state.owner != thread || state.recursion == 0) return;
    if (state.lockFile) state.lockFile->Abandon();
    state.owner = 0;
    state.recursion = 0;
    state.abandoned = true;
    state.released.notify_all();
}

// The mutexes the thread owns. A thread that ends while it owns some leaves
// them abandoned, so that their waiters go on.
struct OwnedMutexes {
    std::vector<std::weak_ptr<MutexState>> states;

    ~OwnedMutexes()
    {
        const DWORD self = GetCurrentThreadId();
        for (const std::weak_ptr<MutexState>& weak : states) {
            if (std::shared_ptr<MutexState> state = weak.lock()) AbandonIfOwnedBy(*state, self);
        }
    }

    void Add(const std::shared_ptr<MutexState>& state) { states.push_back(state); }

    void Remove(const MutexState* state)
    {
        std::erase_if(states, [state](const std::weak_ptr<MutexState>& weak) {
            const std::shared_ptr<MutexState> held = weak.lock();
            return !held || held.get() == state;
        });
    }
};

thread_local OwnedMutexes t_owned;

MutexLockFile::Deadline DeadlineAfter(DWORD milliseconds)
{
    if (milliseconds == INFINITE) return std::nullopt;
    return Clock::now() + std::chrono::milliseconds(milliseconds);
}

DWORD WaitForMutex(const std::shared_ptr<MutexState>& state, DWORD milliseconds)
{
    const DWORD self = GetCurrentThreadId();
    const MutexLockFile::Deadline deadline = DeadlineAfter(milliseconds);

    std::unique_lock guard(state->lock);
    if (state->owner == self) {
        ++state->recursion;
        return WAIT_OBJECT_0;
    }
    const auto isFree = [&state] { return state->owner == 0; };
    if (!deadline) {
        state->released.wait(guard, isFree);
    } else if (!state->released.wait_until(guard, *deadline, isFree)) {
        return WAIT_TIMEOUT;
    }

    state->owner = self;
    bool abandoned = std::exchange(state->abandoned, false);
    if (state->lockFile) {
        guard.unlock();
        const MutexLockFile::Result result = state->lockFile->Acquire(deadline);
        guard.lock();
        if (result == MutexLockFile::Result::TimedOut || result == MutexLockFile::Result::Failed) {
            state->owner = 0;
            state->abandoned = abandoned;
            state->released.notify_all();
            if (result == MutexLockFile::Result::TimedOut) return WAIT_TIMEOUT;
            SetLastError(ERROR_ACCESS_DENIED);
            return WAIT_FAILED;
        }
        abandoned = abandoned || result == MutexLockFile::Result::Abandoned;
    }
    state->recursion = 1;
    t_owned.Add(state);
    return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

// The process's object for a name: the one already open, else one over the
// name's lock file (made when `create`). `existed` tells whether the name
// was in use before.
std::shared_ptr<MutexState> OpenNamedMutex(std::u16string_view name, bool create, bool& existed)
{
    const std::u16string key = MutexKey(name);
    if (key.empty() || key.find(u'\\') != std::u16string::npos) {
        SetLastError(key.empty() ? ERROR_INVALID_NAME : ERROR_PATH_NOT_FOUND);
        return nullptr;
    }

    const std::u16string entry = machine::Root().u16string() + u'|' + key;
    MutexNames& names = Names();
    std::lock_guard guard(names.lock);
    if (auto found = names.states.find(entry); found != names.states.end()) {
        if (std::shared_ptr<MutexState> state = found->second.lock()) {
            existed = true;
            return state;
        }
    }
    if (!create && !MutexLockFile::Exists(key)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    std::unique_ptr<MutexLockFile> lockFile = MutexLockFile::Open(key, existed);
    if (!lockFile) return nullptr;

    auto state = std::make_shared<MutexState>();
    state->lockFile = std::move(lockFile);
    std::erase_if(names.states, [](const auto& named) { return named.second.expired(); });
    names.states[entry] = state;
    return state;
}

}  // namespace
}  // namespace vexl::platform

using namespace vexl::platform;

void InitializeCriticalSection(LPCRITICAL_SECTION section)
{
    InitializeCriticalSectionAndSpinCount(section, 0);
}

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount)
{
    if (!section) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    section->LockObject = new (std::nothrow) SectionLock;
    section->SpinCount = spinCount;
    if (!section->LockObject) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}

void EnterCriticalSection(LPCRITICAL_SECTION section)
{
    SectionLock* lock = LockOf(section);
    if (!lock) return;
    lock->mutex.lock();
    NoteEntered(*lock);
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section)
{
    SectionLock* lock = LockOf(section);
    if (!lock) return TRUE;
    if (!lock->mutex.try_lock()) return FALSE;
    NoteEntered(*lock);
    return TRUE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION section)
{
    SectionLock* lock = LockOf(section);
    if (!lock || lock->owner.load() != GetCurrentThreadId()) return;
    if (--lock->recursion == 0) lock->owner.store(0);
    lock->mutex.unlock();
}

void DeleteCriticalSection(LPCRITICAL_SECTION section)
{
    if (!section) return;
    delete LockOf(section);
    section->LockObject = nullptr;
}

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCWSTR name)
{
    (void)attributes;
    bool existed = false;
    std::shared_ptr<MutexState> state;
    if (name && *name) {
        state = OpenNamedMutex(View(name), true, existed);
        if (!state) return nullptr;
    } else {
        state = std::make_shared<MutexState>();
    }
    HANDLE handle = AddHandle(std::make_shared<MutexObject>(state));
    if (initialOwner && !existed) WaitForMutex(state, INFINITE);
    SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

HANDLE OpenMutexW(DWORD desiredAccess, BOOL inheritHandle, LPCWSTR name)
{
    (void)desiredAccess;
    (void)inheritHandle;
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    bool existed = false;
    std::shared_ptr<MutexState> state = OpenNamedMutex(View(name), false, existed);
    if (!state) return nullptr;
    return AddHandle(std::make_shared<MutexObject>(std::move(state)));
}

BOOL ReleaseMutex(HANDLE mutex)
{
    const std::shared_ptr<MutexObject> object = FindHandle<MutexObject>(mutex);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    MutexState& state = *object->state;
    std::lock_guard guard(state.lock);
    if (state.owner != GetCurrentThreadId() || state.recursion == 0) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    if (--state.recursion > 0) return TRUE;
    if (state.lockFile) state.lockFile->Release();
    state.owner = 0;
    t_owned.Remove(&state);
    state.released.notify_all();
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds)
{
    const std::shared_ptr<MutexObject> object = FindHandle<MutexObject>(handle);
    if (!object) {
        if (const std::shared_ptr<WaitableObject> other = FindHandle<WaitableObject>(handle))
            return other->Wait(milliseconds);
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return WaitForMutex(object->state, milliseconds);
}
