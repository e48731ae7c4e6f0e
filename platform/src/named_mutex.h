// The machine-wide side of a named mutex: one lock file per name under
// <machine root>/mutex/, locked with flock by the process whose thread owns
// the mutex. The file also holds the owner record: a state byte the holder
// sets when it takes the lock and clears when it releases, and its process
// id, in a record of fixed size that each process maps. The kernel drops
// the lock of a process that dies, so a process that takes the lock and
// finds the state set knows the previous holder never released it.
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
    // 0666, so every user of the machine can take it); `existed` tells
    // whether it was there before. Null with the last error set on failure.
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
    MutexLockFile(int fd, char* record) : fd_(fd), record_(record) {}
    static char* MapRecord(int fd);
    bool TryLock(bool wait, bool& failed);
    void ReadRecord(char (&record)[kRecordSize]) const;
    void WriteRecord(const char* bytes, std::size_t count);

    int fd_;
    char* record_;  // the record, mapped shared; null when the file could not be mapped
};

}  // namespace vexl::platform
