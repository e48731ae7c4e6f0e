#include "named_mutex.h"

#include "platform/kernel.h"
#include "platform/machine.h"
#include "unicode.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vexl::platform {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

constexpr std::size_t kLongestPlainFileName = 180;
constexpr auto kLockPollInterval = 2ms;

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
// and a newline, the rest of the record zero.
void MakeOwnerRecord(char (&record)[MutexLockFile::kRecordSize])
{
    std::memset(record, 0, sizeof record);
    std::snprintf(record, sizeof record, "%c%lu\n", kHeld, static_cast<unsigned long>(GetCurrentProcessId()));
}

}  // namespace

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
    return std::unique_ptr<MutexLockFile>(new MutexLockFile(fd, MapRecord(fd)));
}

char* MutexLockFile::MapRecord(int fd)
{
    // The file only ever grows to the record's size (a file of the same
    // size keeps its bytes), so a mapping of the record never loses its
    // pages to a truncation.
    struct stat status {};
    if (::fstat(fd, &status) != 0) return nullptr;
    if (status.st_size < static_cast<off_t>(kRecordSize) && ::ftruncate(fd, kRecordSize) != 0) return nullptr;
    void* mapped = ::mmap(nullptr, kRecordSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    return mapped == MAP_FAILED ? nullptr : static_cast<char*>(mapped);
}

bool MutexLockFile::Exists(std::u16string_view key)
{
    const fs::path folder = LockFolder();
    std::error_code error;
    return !folder.empty() && fs::exists(folder / LockFileName(key), error);
}

MutexLockFile::~MutexLockFile()
{
    // Closing drops the lock; a record still written marks the mutex abandoned.
    if (record_) ::munmap(record_, kRecordSize);
    ::close(fd_);
}

// The record is read and written through the shared mapping of the file,
// which costs no call to the host: what this process writes there is in
// the file at once for every other process, and stays there if this one
// dies. Without a mapping the file is read and written.
void MutexLockFile::ReadRecord(char (&record)[kRecordSize]) const
{
    std::memset(record, 0, kRecordSize);
    if (record_) {
        std::memcpy(record, record_, kRecordSize);
    } else {
        [[maybe_unused]] const ssize_t read = ::pread(fd_, record, kRecordSize, 0);
    }
}

void MutexLockFile::WriteRecord(const char* bytes, std::size_t count)
{
    if (record_) {
        std::memcpy(record_, bytes, count);
    } else {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd_, bytes, count, 0);
    }
}

bool MutexLockFile::TryLock(bool wait, bool& failed)
{
    const int operation = wait ? LOCK_EX : LOCK_EX | LOCK_NB;
    while (::flock(fd_, operation) != 0) {
        if (errno == EINTR) continue;
        failed = errno != EWOULDBLOCK;
        return false;
    }
    return true;
}

MutexLockFile::Result MutexLockFile::Acquire(Deadline deadline)
{
    bool failed = false;
    if (!deadline) {
        if (!TryLock(true, failed)) return Result::Failed;
    } else {
        while (!TryLock(false, failed)) {
            if (failed) return Result::Failed;
            const auto now = std::chrono::steady_clock::now();
            if (now >= *deadline) return Result::TimedOut;
            std::this_thread::sleep_for(
                std::min<std::chrono::steady_clock::duration>(*deadline - now, kLockPollInterval));
        }
    }

    // The record: a state byte, '1' while a holder has the lock, then the
    // holder's process id. A state still set when the lock is taken again
    // means the holder died with it. Only the state byte is written when
    // the process that holds the record takes the lock again.
    char record[kRecordSize];
    ReadRecord(record);
    const bool abandoned = record[0] == kHeld;
    char owner[kRecordSize];
    MakeOwnerRecord(owner);
    if (std::memcmp(record + 1, owner + 1, kRecordSize - 1) == 0) {
        WriteRecord(&kHeld, 1);
    } else {
        WriteRecord(owner, kRecordSize);
    }
    return abandoned ? Result::Abandoned : Result::Acquired;
}

void MutexLockFile::Release()
{
    // The flock call below is a call the compiler cannot see into: the
    // state byte is in the mapping before the lock is dropped.
    WriteRecord(&kReleased, 1);
    ::flock(fd_, LOCK_UN);
}

void MutexLockFile::Abandon()
{
    ::flock(fd_, LOCK_UN);
}

}  // namespace vexl::platform
