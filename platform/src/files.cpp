// Files and folders of the machine: CreateFileW and the calls on its handles,
// and the operations on files and folders by name.
//
// The read-only attribute is the owner's write bit of the host file. The layer
// checks it itself before every write, truncation, deletion or replacement, so
// it holds also for a process that runs as root. The hidden and system
// attributes are kept with the entry (file_security.cpp); the archive
// attribute is not: files answer FILE_ATTRIBUTE_ARCHIVE (and READONLY),
// folders FILE_ATTRIBUTE_DIRECTORY. Creating, writing and deleting entries
// is checked against their security (security.h).
#include "platform/files.h"

#include "platform/kernel.h"
#include "platform/machine.h"
#include "platform/security.h"

#include "files_host.h"
#include "platform/modules_host.h"
#include "profile.h"
#include "unicode.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace vexl::platform {
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;  // 1970-01-01 in 100 ns since 1601
constexpr std::int64_t kTicksPerSecond = 10'000'000;

bool FolderExists(const fs::path& folder)
{
    struct stat status {};
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// errno to Windows error, for the errors that do not depend on the path.
struct ErrnoMapping {
    int error;
    DWORD windowsError;
};

constexpr ErrnoMapping kErrnoMappings[] = {
    {ENOENT, ERROR_FILE_NOT_FOUND},
    {ENOTDIR, ERROR_PATH_NOT_FOUND},
    {ELOOP, ERROR_PATH_NOT_FOUND},
    {EACCES, ERROR_ACCESS_DENIED},
    {EPERM, ERROR_ACCESS_DENIED},
    {EROFS, ERROR_ACCESS_DENIED},
    {EISDIR, ERROR_ACCESS_DENIED},
    {EBUSY, ERROR_SHARING_VIOLATION},
    {ETXTBSY, ERROR_SHARING_VIOLATION},
    {EEXIST, ERROR_FILE_EXISTS},
    {ENOTEMPTY, ERROR_DIR_NOT_EMPTY},
    {ENOSPC, ERROR_DISK_FULL},
    {EDQUOT, ERROR_DISK_FULL},
    {EFBIG, ERROR_DISK_FULL},
    {ENAMETOOLONG, ERROR_FILENAME_EXCED_RANGE},
    {EMFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, ERROR_TOO_MANY_OPEN_FILES},
    {ENOMEM, ERROR_NOT_ENOUGH_MEMORY},
    {EXDEV, ERROR_NOT_SAME_DEVICE},
    {EBADF, ERROR_INVALID_HANDLE},
    {EINVAL, ERROR_INVALID_PARAMETER},
};

}  // namespace

FileObject::~FileObject()
{
    if (fd >= 0) ::close(fd);
}

fs::path HostFile(const WCHAR* windowsPath)
{
    if (!windowsPath || !*windowsPath) return {};
    return machine::HostPath(View(windowsPath));
}

DWORD ErrorFromErrno(int error)
{
    for (const ErrnoMapping& mapping : kErrnoMappings) {
        if (mapping.error == error) return mapping.windowsError;
    }
    return ERROR_GEN_FAILURE;
}

DWORD ErrorFromErrno(int error, const fs::path& path)
{
    if (error == ENOENT && !FolderExists(path.parent_path())) return ERROR_PATH_NOT_FOUND;
    return ErrorFromErrno(error);
}

bool IsReadOnlyFile(const fs::path& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode) && IsReadOnlyMode(status.st_mode);
}

DWORD AttributesFromStat(const struct stat& status)
{
    if (S_ISDIR(status.st_mode)) return FILE_ATTRIBUTE_DIRECTORY;
    return FILE_ATTRIBUTE_ARCHIVE | (IsReadOnlyMode(status.st_mode) ? FILE_ATTRIBUTE_READONLY : 0);
}

FILETIME FileTimeFromTimespec(const struct timespec& time)
{
    const std::int64_t ticks = std::int64_t(time.tv_sec) * kTicksPerSecond + time.tv_nsec / 100;
    const std::uint64_t value = kUnixEpochAsFileTime + static_cast<std::uint64_t>(ticks);
    return {static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

struct timespec TimespecFromFileTime(const FILETIME& time)
{
    const std::uint64_t value = (std::uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    const std::int64_t ticks = static_cast<std::int64_t>(value - kUnixEpochAsFileTime);
    std::int64_t seconds = ticks / kTicksPerSecond;
    std::int64_t rest = ticks % kTicksPerSecond;
    if (rest < 0) {
        rest += kTicksPerSecond;
        --seconds;
    }
    struct timespec result {};
    result.tv_sec = static_cast<time_t>(seconds);
    result.tv_nsec = static_cast<long>(rest * 100);
    return result;
}

}  // namespace vexl::platform

using namespace vexl::platform;
namespace fs = std::filesystem;

namespace {

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

HANDLE FailOpen(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

bool IsTruncating(DWORD disposition)
{
    return disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
}

// The host open flags for a Windows request on an entry that exists or not.
int OpenFlags(DWORD access, DWORD disposition, DWORD flags, bool exists)
{
    int hostFlags = O_CLOEXEC;
    const bool reads = access & GENERIC_READ;
    const bool writes = access & GENERIC_WRITE;
    if (writes || !exists || IsTruncating(disposition)) {
        hostFlags |= (reads || !writes) ? O_RDWR : O_WRONLY;
    } else {
        hostFlags |= reads ? O_RDONLY : O_PATH;
    }
    if (!exists) hostFlags |= O_CREAT | O_EXCL;
    if (exists && IsTruncating(disposition)) hostFlags |= O_TRUNC;
    if (writes && (flags & FILE_FLAG_WRITE_THROUGH)) hostFlags |= O_DSYNC;
    return hostFlags;
}

HANDLE OpenFolder(const fs::path& path, DWORD access, DWORD disposition, DWORD flags)
{
    if (disposition == CREATE_NEW) return FailOpen(ERROR_FILE_EXISTS);
    if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || (access & GENERIC_WRITE) || IsTruncating(disposition))
        return FailOpen(ERROR_ACCESS_DENIED);
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return FailOpen(ErrorFromErrno(errno, path));
    SetLastError(disposition == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return AddHandle(std::make_shared<FileObject>(fd, access));
}

// What the host answers for an open descriptor, its birth time included
// where the host keeps one.
bool StatOpenFile(int fd, struct statx& status)
{
    return ::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &status) == 0;
}

FILETIME FileTimeFromStatx(const struct statx_timestamp& time)
{
    struct timespec result {};
    result.tv_sec = static_cast<time_t>(time.tv_sec);
    result.tv_nsec = static_cast<long>(time.tv_nsec);
    return FileTimeFromTimespec(result);
}

// Hosts that do not keep a birth time answer the last write time as creation time.
FILETIME CreationTime(const struct statx& status)
{
    return FileTimeFromStatx((status.stx_mask & STATX_BTIME) ? status.stx_btime : status.stx_mtime);
}

// Windows lets nobody write a file while a handle that shares it for
// reading only is open; such a handle that does not write itself keeps the
// size and times the file had when it was opened.
bool KeepsOpenedStatus(DWORD access, DWORD shareMode)
{
    return !(access & GENERIC_WRITE) && !(shareMode & FILE_SHARE_WRITE);
}

// The handle of a descriptor just opened; `status` is what the host
// answered for it, when it was asked.
HANDLE AddFileHandle(int fd, DWORD access, DWORD shareMode, const struct statx* status)
{
    auto object = std::make_shared<FileObject>(fd, access);
    if (KeepsOpenedStatus(access, shareMode)) {
        struct statx own {};
        if (status || StatOpenFile(fd, own)) {
            const struct statx& found = status ? *status : own;
            object->opened = OpenedFileStatus{found.stx_size, CreationTime(found), FileTimeFromStatx(found.stx_mtime)};
        }
    }
    return AddHandle(std::move(object));
}

// Opens an existing file as its name is written, for reading or for
// neither reading nor writing: the open comes first and the descriptor is
// asked what it opened, where a lookup by name would cost one more walk of
// the path. Answers nothing when the request needs the general way (the
// name is spelt in another case, names a folder or not a plain file, or the
// open fails: the general way then answers the same error it always does).
std::optional<HANDLE> OpenFileAsWritten(std::u16string_view name, DWORD access, DWORD shareMode,
                                        DWORD disposition)
{
    const std::string root = vexl::machine::RootText();
    const std::string path = vexl::machine::ExactHostPath(root, name);
    if (path.empty()) return std::nullopt;
    // Without O_NONBLOCK the open of a pipe would wait for a writer here,
    // before the checks; only plain files are taken this way.
    const int fd = ::open(path.c_str(), ((access & GENERIC_READ) ? O_RDONLY : O_PATH) | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct statx status {};
    if (!StatOpenFile(fd, status) || !S_ISREG(status.stx_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    if ((access & GENERIC_READ) && MachineKeepsSecurity(root) && !HasFileAccess(path, FILE_READ_DATA)) {
        ::close(fd);
        return FailOpen(ERROR_ACCESS_DENIED);
    }
    SetLastError(disposition == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return AddFileHandle(fd, access, shareMode, &status);
}

std::shared_ptr<FileObject> FindFile(HANDLE file)
{
    std::shared_ptr<FileObject> object = FindHandle<FileObject>(file);
    if (!object) SetLastError(ERROR_INVALID_HANDLE);
    return object;
}

// A handle that may write: opened for writing, and its file not made read-only since.
std::shared_ptr<FileObject> FindWritableFile(HANDLE file)
{
    std::shared_ptr<FileObject> object = FindFile(file);
    if (!object) return nullptr;
    struct stat status {};
    if (!(object->access & GENERIC_WRITE) || (::fstat(object->fd, &status) == 0 && IsReadOnlyMode(status.st_mode))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return object;
}

std::string TemporaryName(const fs::path& target)
{
    return target.string() + ".~" + std::to_string(::getpid()) + "-" + std::to_string(::gettid());
}

void SyncFolder(const fs::path& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

bool WriteAll(int fd, const char* bytes, std::size_t count)
{
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        bytes += n;
        count -= static_cast<std::size_t>(n);
    }
    return true;
}

// Renames an entry; without replace an entry that appears at the target in
// the meantime is kept. Answers 0 or the errno of the failure.
int RenameEntry(const fs::path& from, const fs::path& to, bool replace)
{
    if (!replace) {
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
        if (errno != EINVAL && errno != ENOSYS) return errno;  // else the host cannot tell: rename plainly
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Copies the bytes, permission bits and times of a file to a temporary file
// beside the target and renames it over the target: the target is either
// its old self or a whole copy. Answers 0 or the errno of the failure.
int CopyHostFile(const fs::path& from, const struct stat& source, const fs::path& to, bool replace)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    const std::string temporary = TemporaryName(to);
    const int out = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return error;
    }
    int error = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        if (!WriteAll(out, buffer, static_cast<std::size_t>(n))) {
            error = errno;
            break;
        }
    }
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    if (!error && (::fsync(out) != 0 || ::fchmod(out, source.st_mode & 07777) != 0 || ::futimens(out, times) != 0))
        error = errno;
    ::close(in);
    if (::close(out) != 0 && !error) error = errno;
    if (!error) error = RenameEntry(temporary, to, replace);
    if (error) ::unlink(temporary.c_str());
    return error;
}

// The checks before an existing file may be replaced by a copy or a move.
DWORD CheckReplaceable(const struct stat& target, bool replaceAllowed, DWORD existsError)
{
    if (!replaceAllowed) return existsError;
    if (S_ISDIR(target.st_mode) || IsReadOnlyMode(target.st_mode)) return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

// The entry a name resolves to, with the Windows error when there is none.
struct Entry {
    fs::path path;
    struct stat status {};
    DWORD error = ERROR_SUCCESS;
    bool exists() const { return error == ERROR_SUCCESS; }
};

Entry LookUp(const WCHAR* windowsPath)
{
    Entry entry;
    entry.path = HostFile(windowsPath);
    if (entry.path.empty()) {
        entry.error = ERROR_PATH_NOT_FOUND;
    } else if (::stat(entry.path.c_str(), &entry.status) != 0) {
        entry.error = ErrorFromErrno(errno, entry.path);
    }
    return entry;
}

bool IsSameEntry(const Entry& a, const Entry& b)
{
    return a.exists() && b.exists() && a.status.st_ino == b.status.st_ino && a.status.st_dev == b.status.st_dev;
}

// A rename onto the same file in another case gives it the new spelling of
// its last component.
fs::path NewSpelling(const fs::path& target, const WCHAR* targetName)
{
    std::u16string_view name = View(targetName);
    const std::size_t separator = name.find_last_of(u"\\/");
    if (separator != std::u16string_view::npos) name.remove_prefix(separator + 1);
    return name.empty() ? target : target.parent_path() / ToUtf8(name);
}

UINT CopyFolderName(const std::u16string& folder, LPWSTR buffer, UINT size)
{
    const UINT length = static_cast<UINT>(folder.size());
    if (!buffer || size <= length) return length + 1;
    folder.copy(buffer, length);
    buffer[length] = 0;
    return length;
}

}  // namespace

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES /*security*/,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE /*templateFile*/)
{
    if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING)
        return FailOpen(ERROR_INVALID_PARAMETER);
    DWORD access = desiredAccess & (GENERIC_READ | GENERIC_WRITE);
    if (desiredAccess & GENERIC_ALL) access = GENERIC_READ | GENERIC_WRITE;
    if (creationDisposition == TRUNCATE_EXISTING && !(access & GENERIC_WRITE)) return FailOpen(ERROR_INVALID_PARAMETER);
    // An open that neither writes nor creates changes nothing when it finds
    // the file: it is tried first.
    const bool opensExisting = creationDisposition == OPEN_EXISTING || creationDisposition == OPEN_ALWAYS;
    if (fileName && *fileName && opensExisting && !(access & GENERIC_WRITE)) {
        if (const std::optional<HANDLE> opened = OpenFileAsWritten(View(fileName), access, shareMode, creationDisposition))
            return *opened;
    }
    vexl::machine::HostStatus found;
    const fs::path path = fileName && *fileName ? vexl::machine::HostPathWithStatus(View(fileName), &found) : fs::path();
    if (path.empty()) return FailOpen(ERROR_PATH_NOT_FOUND);

    const struct stat& status = found.status;
    const bool exists = found.exists;
    if (!exists && found.error != ENOENT) return FailOpen(ErrorFromErrno(found.error, path));
    if (exists) {
        if (S_ISDIR(status.st_mode)) return OpenFolder(path, access, creationDisposition, flagsAndAttributes);
        if (creationDisposition == CREATE_NEW) return FailOpen(ERROR_FILE_EXISTS);
        if (IsReadOnlyMode(status.st_mode) && ((access & GENERIC_WRITE) || IsTruncating(creationDisposition)))
            return FailOpen(ERROR_ACCESS_DENIED);
        const ACCESS_MASK wanted =
            ((access & GENERIC_READ) ? FILE_READ_DATA : 0) |
            ((access & GENERIC_WRITE) || IsTruncating(creationDisposition) ? FILE_WRITE_DATA : 0);
        if (wanted && !HasFileAccess(path, wanted)) return FailOpen(ERROR_ACCESS_DENIED);
    } else if (creationDisposition == OPEN_EXISTING || creationDisposition == TRUNCATE_EXISTING) {
        return FailOpen(ErrorFromErrno(ENOENT, path));
    } else if (!MayCreateIn(path.parent_path(), false)) {
        return FailOpen(ERROR_ACCESS_DENIED);
    }

    const mode_t mode = (flagsAndAttributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    const int fd = ::open(path.c_str(), OpenFlags(access, creationDisposition, flagsAndAttributes, exists), mode);
    if (fd < 0) return FailOpen(ErrorFromErrno(errno, path));
    if (exists && creationDisposition == CREATE_ALWAYS && (flagsAndAttributes & FILE_ATTRIBUTE_READONLY))
        ::fchmod(fd, status.st_mode & 07555);
    const bool reportsExisting = creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS;
    const HANDLE handle = AddFileHandle(fd, access, shareMode, nullptr);
    SetLastError(exists && reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped)
{
    if (bytesRead) *bytesRead = 0;
    const std::shared_ptr<FileObject> object = FindFile(file);
    if (!object) return FALSE;
    if (overlapped || (!buffer && bytesToRead)) return Fail(ERROR_INVALID_PARAMETER);
    if (!(object->access & GENERIC_READ)) return Fail(ERROR_ACCESS_DENIED);
    DWORD done = 0;
    while (done < bytesToRead) {
        const ssize_t n = ::read(object->fd, static_cast<char*>(buffer) + done, bytesToRead - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(errno == EISDIR ? ERROR_INVALID_FUNCTION : ErrorFromErrno(errno));
        if (n == 0) break;
        done += static_cast<DWORD>(n);
        if (bytesRead) *bytesRead = done;
    }
    return TRUE;
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten, LPOVERLAPPED overlapped)
{
    if (bytesWritten) *bytesWritten = 0;
    const std::shared_ptr<FileObject> object = FindWritableFile(file);
    if (!object) return FALSE;
    if (overlapped || (!buffer && bytesToWrite)) return Fail(ERROR_INVALID_PARAMETER);
    DWORD done = 0;
    while (done < bytesToWrite) {
        const ssize_t n = ::write(object->fd, static_cast<const char*>(buffer) + done, bytesToWrite - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail(n == 0 ? ERROR_DISK_FULL : ErrorFromErrno(errno));
        done += static_cast<DWORD>(n);
        if (bytesWritten) *bytesWritten = done;
    }
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distanceToMove, PLONG distanceToMoveHigh, DWORD moveMethod)
{
    const std::shared_ptr<FileObject> object = FindFile(file);
    if (!object) return INVALID_SET_FILE_POINTER;
    const std::int64_t distance =
        distanceToMoveHigh ? static_cast<std::int64_t>((std::uint64_t(std::uint32_t(*distanceToMoveHigh)) << 32) |
                                                       std::uint32_t(distanceToMove))
                           : std::int64_t(distanceToMove);
    std::int64_t base = 0;
    if (moveMethod == FILE_CURRENT) {
        base = ::lseek(object->fd, 0, SEEK_CUR);
    } else if (moveMethod == FILE_END) {
        struct stat status {};
        base = ::fstat(object->fd, &status) == 0 ? status.st_size : -1;
    } else if (moveMethod != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (base < 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if ((distance < 0 && base + distance < 0) || (distance > 0 && base > INT64_MAX - distance)) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    const std::int64_t position = base + distance;
    // Without a high part the position must fit in 32 bits.
    if (!distanceToMoveHigh && position > 0xFFFFFFFELL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (::lseek(object->fd, position, SEEK_SET) < 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceToMoveHigh) *distanceToMoveHigh = static_cast<LONG>(position >> 32);
    // A low part that looks like the failure value is told apart by the last error.
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position);
}

BOOL SetEndOfFile(HANDLE file)
{
    const std::shared_ptr<FileObject> object = FindWritableFile(file);
    if (!object) return FALSE;
    const off_t position = ::lseek(object->fd, 0, SEEK_CUR);
    if (position < 0 || ::ftruncate(object->fd, position) != 0) return Fail(ErrorFromErrno(errno));
    return TRUE;
}

DWORD GetFileSize(HANDLE file, LPDWORD fileSizeHigh)
{
    const std::shared_ptr<FileObject> object = FindFile(file);
    struct stat status {};
    if (!object) return INVALID_FILE_SIZE;
    if (!object->opened && ::fstat(object->fd, &status) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return INVALID_FILE_SIZE;
    }
    const std::uint64_t size = object->opened ? object->opened->size : static_cast<std::uint64_t>(status.st_size);
    if (fileSizeHigh) *fileSizeHigh = static_cast<DWORD>(size >> 32);
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

BOOL FlushFileBuffers(HANDLE file)
{
    const std::shared_ptr<FileObject> object = FindFile(file);
    if (!object) return FALSE;
    if (!(object->access & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
    if (::fsync(object->fd) != 0) return Fail(ErrorFromErrno(errno));
    return TRUE;
}

BOOL GetFileTime(HANDLE file, LPFILETIME creationTime, LPFILETIME lastAccessTime, LPFILETIME lastWriteTime)
{
    const std::shared_ptr<FileObject> object = FindFile(file);
    if (!object) return FALSE;
    // Reading moves the last access time: it is always asked of the host.
    if (object->opened && !lastAccessTime) {
        if (creationTime) *creationTime = object->opened->creation;
        if (lastWriteTime) *lastWriteTime = object->opened->lastWrite;
        return TRUE;
    }
    struct statx status {};
    if (!StatOpenFile(object->fd, status)) return Fail(ErrorFromErrno(errno));
    if (creationTime) *creationTime = CreationTime(status);
    if (lastAccessTime) *lastAccessTime = FileTimeFromStatx(status.stx_atime);
    if (lastWriteTime) *lastWriteTime = FileTimeFromStatx(status.stx_mtime);
    return TRUE;
}

BOOL SetFileTime(HANDLE file, const FILETIME* /*creationTime*/, const FILETIME* lastAccessTime,
                 const FILETIME* lastWriteTime)
{
    // The host keeps no settable creation time; that part is accepted and left as it is.
    const std::shared_ptr<FileObject> object = FindWritableFile(file);
    if (!object) return FALSE;
    auto toHost = [](const FILETIME* time) {
        struct timespec result {};
        const bool keep = !time || (time->dwLowDateTime >= 0xFFFFFFFE && time->dwHighDateTime == 0xFFFFFFFF);
        if (keep) {
            result.tv_nsec = UTIME_OMIT;
        } else {
            result = TimespecFromFileTime(*time);
        }
        return result;
    };
    const struct timespec times[2] = {toHost(lastAccessTime), toHost(lastWriteTime)};
    if (::futimens(object->fd, times) != 0) return Fail(ErrorFromErrno(errno));
    return TRUE;
}

LONG CompareFileTime(const FILETIME* fileTime1, const FILETIME* fileTime2)
{
    if (!fileTime1 || !fileTime2) return 0;
    const std::uint64_t a = (std::uint64_t(fileTime1->dwHighDateTime) << 32) | fileTime1->dwLowDateTime;
    const std::uint64_t b = (std::uint64_t(fileTime2->dwHighDateTime) << 32) | fileTime2->dwLowDateTime;
    return a < b ? -1 : a > b ? 1 : 0;
}

BOOL DeleteFileW(LPCWSTR fileName)
{
    const Entry entry = LookUp(fileName);
    if (!entry.exists()) {
        // A link that leads nowhere is still deleted as a link.
        struct stat link {};
        if (!entry.path.empty() && ::lstat(entry.path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            if (!MayDeleteEntry(entry.path)) return Fail(ERROR_ACCESS_DENIED);
            if (::unlink(entry.path.c_str()) != 0) return Fail(ErrorFromErrno(errno, entry.path));
            return TRUE;
        }
        return Fail(entry.error);
    }
    if (S_ISDIR(entry.status.st_mode) || IsReadOnlyMode(entry.status.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (!MayDeleteEntry(entry.path)) return Fail(ERROR_ACCESS_DENIED);
    if (::unlink(entry.path.c_str()) != 0) return Fail(ErrorFromErrno(errno, entry.path));
    return TRUE;
}

BOOL CopyFileW(LPCWSTR existingFileName, LPCWSTR newFileName, BOOL failIfExists)
{
    const Entry source = LookUp(existingFileName);
    if (!source.exists()) return Fail(source.error);
    if (S_ISDIR(source.status.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    const Entry target = LookUp(newFileName);
    if (target.path.empty()) return Fail(ERROR_PATH_NOT_FOUND);
    if (target.exists()) {
        if (IsSameEntry(source, target)) return Fail(failIfExists ? ERROR_FILE_EXISTS : ERROR_SHARING_VIOLATION);
        const DWORD error = CheckReplaceable(target.status, !failIfExists, ERROR_FILE_EXISTS);
        if (error != ERROR_SUCCESS) return Fail(error);
    } else if (target.error != ERROR_FILE_NOT_FOUND) {
        return Fail(target.error);
    }
    if (const int error = CopyHostFile(source.path, source.status, target.path, !failIfExists))
        return Fail(error == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(error, target.path));
    return TRUE;
}

BOOL MoveFileExW(LPCWSTR existingFileName, LPCWSTR newFileName, DWORD flags)
{
    if (!newFileName || (flags & MOVEFILE_DELAY_UNTIL_REBOOT)) return Fail(ERROR_INVALID_PARAMETER);
    const Entry source = LookUp(existingFileName);
    if (!source.exists()) return Fail(source.error);
    const Entry target = LookUp(newFileName);
    if (target.path.empty()) return Fail(ERROR_PATH_NOT_FOUND);
    fs::path destination = target.path;
    if (IsSameEntry(source, target)) {
        destination = NewSpelling(target.path, newFileName);
        if (destination == source.path) return TRUE;
    } else if (target.exists()) {
        const DWORD error = CheckReplaceable(target.status, flags & MOVEFILE_REPLACE_EXISTING, ERROR_ALREADY_EXISTS);
        if (error != ERROR_SUCCESS) return Fail(error);
    } else if (target.error != ERROR_FILE_NOT_FOUND) {
        return Fail(target.error);
    }

    const bool replace = (flags & MOVEFILE_REPLACE_EXISTING) || IsSameEntry(source, target);
    if (const int error = RenameEntry(source.path, destination, replace)) {
        if (error == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
        if (error != EXDEV || !(flags & MOVEFILE_COPY_ALLOWED) || S_ISDIR(source.status.st_mode))
            return Fail(ErrorFromErrno(error, destination));
        if (const int copyError = CopyHostFile(source.path, source.status, destination, replace))
            return Fail(copyError == EEXIST ? ERROR_ALREADY_EXISTS : ErrorFromErrno(copyError, destination));
        ::unlink(source.path.c_str());
    }
    if (flags & MOVEFILE_WRITE_THROUGH) {
        SyncFolder(destination.parent_path());
        SyncFolder(source.path.parent_path());
    }
    return TRUE;
}

BOOL MoveFileW(LPCWSTR existingFileName, LPCWSTR newFileName)
{
    return MoveFileExW(existingFileName, newFileName, MOVEFILE_COPY_ALLOWED);
}

BOOL CreateDirectoryW(LPCWSTR pathName, LPSECURITY_ATTRIBUTES /*securityAttributes*/)
{
    const fs::path path = HostFile(pathName);
    if (path.empty()) return Fail(ERROR_PATH_NOT_FOUND);
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0 && ::lstat(path.parent_path().c_str(), &status) == 0 &&
        !MayCreateIn(path.parent_path(), true))
        return Fail(ERROR_ACCESS_DENIED);
    if (::mkdir(path.c_str(), 0777) != 0) {
        const int error = errno;
        if (error == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
        return Fail(error == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(error));
    }
    return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR pathName)
{
    const Entry entry = LookUp(pathName);
    if (!entry.exists()) return Fail(entry.error);
    if (!S_ISDIR(entry.status.st_mode)) return Fail(ERROR_DIRECTORY);
    if (!MayDeleteEntry(entry.path)) return Fail(ERROR_ACCESS_DENIED);
    // A link to a folder is removed as a link; its folder stays.
    struct stat link {};
    if (::lstat(entry.path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (::unlink(entry.path.c_str()) != 0) return Fail(ErrorFromErrno(errno));
        return TRUE;
    }
    if (::rmdir(entry.path.c_str()) != 0) return Fail(errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrorFromErrno(errno));
    return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR fileName)
{
    const Entry entry = LookUp(fileName);
    if (!entry.exists()) {
        SetLastError(entry.error);
        return INVALID_FILE_ATTRIBUTES;
    }
    return AttributesFromStat(entry.status) | KeptAttributes(entry.path);
}

BOOL SetFileAttributesW(LPCWSTR fileName, DWORD fileAttributes)
{
    const Entry entry = LookUp(fileName);
    if (!entry.exists()) return Fail(entry.error);
    // Hidden and system are kept for files and folders; read-only for files only.
    if (!KeepAttributes(entry.path, fileAttributes)) return Fail(ErrorFromErrno(errno));
    if (S_ISDIR(entry.status.st_mode)) return TRUE;
    const mode_t mode = entry.status.st_mode & 07777;
    const mode_t wanted = (fileAttributes & FILE_ATTRIBUTE_READONLY) ? mode & ~mode_t(0222) : mode | S_IWUSR;
    if (wanted != mode && ::chmod(entry.path.c_str(), wanted) != 0) return Fail(ErrorFromErrno(errno));
    return TRUE;
}

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size)
{
    return CopyFolderName(vexl::machine::CurrentProfile()->systemDirectory, buffer, size);
}

UINT GetWindowsDirectoryW(LPWSTR buffer, UINT size)
{
    return CopyFolderName(vexl::machine::CurrentProfile()->windowsDirectory, buffer, size);
}

UINT GetSystemWindowsDirectoryW(LPWSTR buffer, UINT size)
{
    return GetWindowsDirectoryW(buffer, size);
}
