#include "named_mutex.h"

#include "platform/kernel.h"
#include "platform/machine.h"
#include "unicode.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <pthread.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexl::platform {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLongestPlainFileName = 180;

bool IsPlainFileChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
           c == '_';
}

std::uint64_t Fnv1a(std::string_view bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// The file name of a key: letters, digits, '.', '-' and '_' as they are,
// every other byte of its UTF-8 as %XX, so that two keys never share a
// file. A name too long for the file system keeps its start and a hash.
std::string LockFileName(std::u16string_view key)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    const std::string utf8 = ToUtf8(key);
    std::string name;
    for (char c : utf8) {
        if (IsPlainFileChar(c)) {
            name += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            name += '%';
            name += kHex[byte >> 4];
            name += kHex[byte & 0xF];
        }
    }
    if (name.size() > kLongestPlainFileName) {
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a(utf8)));
        name = name.substr(0, kLongestPlainFileName) + "~" + hash;
    }
    return name + ".lock";
}

fs::path LockFolder()
{
    const fs::path root = machine::Root();
    return root.empty() ? fs::path() : root / "mutex";
}

DWORD ErrorOfErrno(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return ERROR_ACCESS_DENIED;
    case ENAMETOOLONG:
        return ERROR_INVALID_NAME;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_PATH_NOT_FOUND;
    }
}

bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix)
{
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

constexpr char kHeld = '1';
constexpr char kReleased = '0';

// The owner record of this process, held: the state byte, the process id
// and a newline, the rest of the record zero. Each thread formats it once
// per process id (a child made by fork formats its own).
const char* OwnerRecord()
{
    thread_local DWORD formattedFor = 0;
    thread_local char record[MutexLockFile::kRecordSize];
    const DWORD process = GetCurrentProcessId();
    if (formattedFor != process) {
        std::memset(record, 0, sizeof record);
        std::snprintf(record, sizeof record, "%c%lu\n", kHeld, static_cast<unsigned long>(process));
        formattedFor = process;
    }
    return record;
}

// Set in a lock file once its mutex is made: a file without it (new, or
// of the layout that held only the record) gets its mutex made on open.
constexpr std::uint32_t kMutexMade = 0x78746d31;

// A mutex that processes share through a mapping of its file, robust so
// that the kernel hands it on when its holder ends, and error checking so
// that a thread that takes it twice gets an error instead of waiting on
// itself. Answers 0 or the error.
int MakeMutex(pthread_mutex_t& mutex)
{
    pthread_mutexattr_t attributes;
    if (const int error = ::pthread_mutexattr_init(&attributes)) return error;
    int error = ::pthread_mutexattr_setpshared(&attributes, PTHREAD_PROCESS_SHARED);
    if (!error) error = ::pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
    if (!error) error = ::pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_ERRORCHECK);
    if (!error) error = ::pthread_mutex_init(&mutex, &attributes);
    ::pthread_mutexattr_destroy(&attributes);
    return error;
}

// A flock of the whole file, taken or dropped (`operation`).
bool LockWhole(int fd, int operation)
{
    while (::flock(fd, operation) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

// A steady clock time as the monotonic clock's time of the host.
timespec MonotonicTime(std::chrono::steady_clock::time_point when)
{
    const auto sinceStart = when.time_since_epoch();
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sinceStart);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(sinceStart - seconds);
    return {static_cast<time_t>(seconds.count()), static_cast<long>(nanoseconds.count())};
}

}  // namespace

// The bytes of a lock file, mapped shared by every process that has the
// mutex open: the owner record first, then the mutex.
struct MutexLockFile::SharedLock {
    char record[kRecordSize];
    std::uint32_t made;  // kMutexMade once the mutex is made
    pthread_mutex_t mutex;
};

std::u16string MutexKey(std::u16string_view name)
{
    for (std::u16string_view prefix : {u"Global\\", u"Local\\"}) {
        if (StartsWithNoCase(name, prefix)) {
            name.remove_prefix(prefix.size());
            break;
        }
    }
    std::u16string key(name);
    std::transform(key.begin(), key.end(), key.begin(), FoldCase);
    return key;
}

std::unique_ptr<MutexLockFile> MutexLockFile::Open(std::u16string_view key, bool& existed)
{
    const fs::path folder = LockFolder();
    if (folder.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return nullptr;
    }
    std::error_code error;
    if (fs::create_directories(folder, error)) {
        // Every user of the machine makes lock files here.
        fs::permissions(folder, fs::perms::all, error);
    }

    const fs::path file = folder / LockFileName(key);
    existed = false;
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) {
        existed = true;
        fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
    }
    if (fd < 0) {
        SetLastError(ErrorOfErrno(errno));
        return nullptr;
    }
    // The file mode mirrors the NULL DACL the driver gives its mutex; the
    // process umask would take the write bits away from other users.
    ::fchmod(fd, 0666);
    SharedLock* shared = Map(fd);
    const int mapError = errno;
    ::close(fd);  // the mapping keeps the file
    if (!shared) {
        SetLastError(ErrorOfErrno(mapError));
        return nullptr;
    }
    return std::unique_ptr<MutexLockFile>(new MutexLockFile(shared));
}

MutexLockFile::SharedLock* MutexLockFile::Map(int fd)
{
    // The processes that open the file at once take turns here, so that the
    // first one grows the file and makes its mutex and the others find it
    // made. The file only ever grows (a longer one keeps its bytes), so a
    // mapping never loses its pages to a truncation.
    static_assert(offsetof(SharedLock, record) == 0);
    static_assert(offsetof(SharedLock, mutex) % alignof(pthread_mutex_t) == 0);
    if (!LockWhole(fd, LOCK_EX)) return nullptr;
    SharedLock* shared = nullptr;
    struct stat status {};
    if (::fstat(fd, &status) == 0 &&
        (status.st_size >= static_cast<off_t>(sizeof(SharedLock)) || ::ftruncate(fd, sizeof(SharedLock)) == 0)) {
        void* mapped = ::mmap(nullptr, sizeof(SharedLock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (mapped != MAP_FAILED) shared = static_cast<SharedLock*>(mapped);
    }
    if (shared && shared->made != kMutexMade) {
        if (const int made = MakeMutex(shared->mutex); made == 0) {
            shared->made = kMutexMade;
        } else {
            ::munmap(shared, sizeof(SharedLock));
            shared = nullptr;
            errno = made;
        }
    }
    const int error = errno;
    LockWhole(fd, LOCK_UN);
    errno = error;
    return shared;
}

bool MutexLockFile::Exists(std::u16string_view key)
{
    const fs::path folder = LockFolder();
    std::error_code error;
    return !folder.empty() && fs::exists(folder / LockFileName(key), error);
}

MutexLockFile::~MutexLockFile()
{
    // Closed while held by this thread: the lock is dropped and the record
    // left held, so that the next holder learns the mutex was abandoned.
    // Closed while held by another thread of this process: the page stays
    // mapped (a few bytes, never given back). The C library links the robust
    // mutexes a thread holds into a list through the mutexes themselves, and
    // the kernel walks that list when the thread ends to mark them
    // abandoned; an unmapped mutex would break the list and leave the lock
    // held for ever.
    if (holder_ != 0 && holder_ != GetCurrentThreadId()) return;
    if (holder_ != 0) Unlock();
    ::munmap(shared_, sizeof(SharedLock));
}

MutexLockFile::Result MutexLockFile::Acquire(Deadline deadline)
{
    int locked = 0;
    if (deadline) {
        const timespec until = MonotonicTime(*deadline);
        locked = ::pthread_mutex_clocklock(&shared_->mutex, CLOCK_MONOTONIC, &until);
    } else {
        locked = ::pthread_mutex_lock(&shared_->mutex);
    }
    bool ownerDied = false;
    switch (locked) {
    case 0:
        break;
    case EOWNERDEAD:
        // Its holder ended without dropping it; the lock is this thread's now.
        ::pthread_mutex_consistent(&shared_->mutex);
        ownerDied = true;
        break;
    case ETIMEDOUT:
        return Result::TimedOut;
    default:  // ENOTRECOVERABLE, or this thread holds it already
        return Result::Failed;
    }
    holder_ = GetCurrentThreadId();

    // The record: a state byte, '1' while a holder has the lock, then the
    // holder's process id. A state still set when the lock is taken again
    // means the holder never released it. Only the state byte is written
    // when the process that holds the record takes the lock again.
    char* record = shared_->record;
    const bool abandoned = ownerDied || record[0] == kHeld;
    const char* owner = OwnerRecord();
    if (std::memcmp(record + 1, owner + 1, kRecordSize - 1) == 0) {
        record[0] = kHeld;
    } else {
        std::memcpy(record, owner, kRecordSize);
    }
    return abandoned ? Result::Abandoned : Result::Acquired;
}

void MutexLockFile::Unlock()
{
    holder_ = 0;
    ::pthread_mutex_unlock(&shared_->mutex);
}

void MutexLockFile::Release()
{
    shared_->record[0] = kReleased;
    Unlock();
}

void MutexLockFile::Abandon()
{
    Unlock();
}

}  // namespace vexl::platform
