// The machine-wide side of a named mutex: one lock file per name under
// <machine root>/mutex/, which every process that opens the name maps
// shared. The file holds two things:
//  - the owner record: a state byte the holder sets when it takes the
//    mutex and clears when it releases it, and its process id. A taker that
//    finds the state still set knows the previous holder never released it
//    (it died, or its thread ended or closed the mutex while holding it).
//  - the lock itself: a process-shared, robust pthread mutex after the
//    record. An uncontended take and release are atomics on the mapped page
//    and cost no call to the host; a waiter sleeps on the futex. The kernel
//    marks the mutex of a thread that ends holding it (the thread's robust
//    list), so a killed holder leaves it abandoned, never stuck.
// The lock belongs to the thread that took it, not to the open file: a
// child made by fork does not own what its parent held, and parent and
// child exclude each other like any two processes.
// Only Open takes a flock on the file, once per open of the name, so that
// the processes that open a new name at once make its mutex exactly once.
#pragma once

#include "platform/types.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vexl::platform {

// The name that identifies a mutex on the machine: without its "Global\" or
// "Local\" prefix, case folded.
std::u16string MutexKey(std::u16string_view name);

class MutexLockFile {
public:
    using Deadline = std::optional<std::chrono::steady_clock::time_point>;
    enum class Result { Acquired, Abandoned, TimedOut, Failed };

    // Opens the lock file of a mutex key, creating it when missing (mode
    // 0666, so every user of the machine can take it), and maps it; a file
    // that has no mutex yet (new, or of the older layout that held only the
    // record) gets one. `existed` tells whether the file was there before.
    // Null with the last error set on failure, including a file that cannot
    // be mapped: there is no fallback without the mapping.
    static std::unique_ptr<MutexLockFile> Open(std::u16string_view key, bool& existed);
    // Whether a lock file exists for the key.
    static bool Exists(std::u16string_view key);

    ~MutexLockFile();
    MutexLockFile(const MutexLockFile&) = delete;
    MutexLockFile& operator=(const MutexLockFile&) = delete;

    // Takes the lock, waiting until the deadline (none: for ever), and
    // sets the owner record to this process, held.
    Result Acquire(Deadline deadline);
    // Marks the owner record released and drops the lock.
    void Release();
    // Drops the lock and leaves the owner record, so that the next holder
    // learns that the mutex was abandoned.
    void Abandon();

    // The owner record at the start of the file: a state byte, the
    // holder's process id and a newline, zero bytes to its end.
    static constexpr std::size_t kRecordSize = 32;

private:
    struct SharedLock;

    explicit MutexLockFile(SharedLock* shared) : shared_(shared) {}
    static SharedLock* Map(int fd);
    void Unlock();

    SharedLock* shared_;  // the file, mapped shared
    DWORD holder_ = 0;    // the thread of this process that holds the lock; 0: none
};

}  // namespace vexl::platform
