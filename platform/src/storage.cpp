#include "storage.h"

#include <cerrno>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>
#include <vector>

namespace vexl::platform {

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    // Read straight into the text, sized by the file and grown should the
    // file grow meanwhile; one read more sees its end.
    std::string bytes(static_cast<std::size_t>(status.st_size) + 1, '\0');
    std::size_t used = 0;
    for (;;) {
        if (used == bytes.size()) bytes.resize(bytes.size() * 2);
        const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        used += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(used);
    return bytes;
}

namespace {

// A name no other writer of the file uses: the process, the thread and a
// number of the thread's own.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& file)
{
    thread_local unsigned t_serial = 0;
    std::filesystem::path temporary = file;
    temporary += ".~" + std::to_string(::getpid()) + "-" + std::to_string(::gettid()) + "-" + std::to_string(++t_serial);
    return temporary;
}

// The process id in a temporary name of the file: "<file>.~<pid>-..." as
// this layer names them, or "<file>.<pid>.tmp" as older writers did; 0 when
// the name is neither.
pid_t WriterOfTemporary(std::string_view name, std::string_view file)
{
    if (name.size() <= file.size() + 1 || name.substr(0, file.size()) != file || name[file.size()] != '.') return 0;
    std::string_view rest = name.substr(file.size() + 1);
    bool ours = false;
    if (rest.front() == '~') {
        rest.remove_prefix(1);
        ours = true;
    }
    std::size_t digits = 0;
    while (digits < rest.size() && digits < 9 && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    if (digits == 0) return 0;
    const std::string_view after = rest.substr(digits);
    if (ours ? after.empty() || after.front() != '-' : after != ".tmp") return 0;
    pid_t pid = 0;
    for (char c : rest.substr(0, digits)) pid = pid * 10 + (c - '0');
    return pid;
}

bool IsProcessGone(pid_t pid)
{
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
}

}  // namespace

void RemoveStaleTemporaries(const std::filesystem::path& file)
{
    const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : ".";
    const std::string name = file.filename().string();
    DIR* listing = ::opendir(folder.c_str());
    if (!listing) return;
    while (const dirent* entry = ::readdir(listing)) {
        const pid_t writer = WriterOfTemporary(entry->d_name, name);
        if (writer != 0 && IsProcessGone(writer)) ::unlinkat(::dirfd(listing), entry->d_name, 0);
    }
    ::closedir(listing);
}

namespace {

// The old versions of files that this thread's commits replaced, kept under
// their temporary names until ReleaseReplacedFiles removes them.
thread_local std::vector<std::filesystem::path> t_replaced;

}  // namespace

void ReleaseReplacedFiles()
{
    for (const std::filesystem::path& old : t_replaced) ::unlink(old.c_str());
    t_replaced.clear();
}

int ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes)
{
    PreparedReplace replace;
    if (const int error = replace.Prepare(file, bytes)) return error;
    const int error = replace.Commit();
    ReleaseReplacedFiles();
    return error;
}

PreparedReplace::~PreparedReplace()
{
    Discard();
}

PreparedReplace::PreparedReplace(PreparedReplace&& other) noexcept
    : file_(std::move(other.file_)), temporary_(std::exchange(other.temporary_, {}))
{
}

PreparedReplace& PreparedReplace::operator=(PreparedReplace&& other) noexcept
{
    if (this != &other) {
        Discard();
        file_ = std::move(other.file_);
        temporary_ = std::exchange(other.temporary_, {});
    }
    return *this;
}

int PreparedReplace::Prepare(const std::filesystem::path& file, std::string_view bytes)
{
    Discard();
    ReleaseReplacedFiles();
    RemoveStaleTemporaries(file);
    std::filesystem::path temporary = TemporaryNameFor(file);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(temporary.c_str());
            return error;
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return error;
    }
    file_ = file;
    temporary_ = std::move(temporary);
    return 0;
}

int PreparedReplace::Commit()
{
    if (temporary_.empty()) return EINVAL;
    // The new file and the old one change places: the old one's blocks are
    // freed (which can take milliseconds) only when ReleaseReplacedFiles
    // removes it, after the caller's locks.
    if (::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, file_.c_str(), RENAME_EXCHANGE) == 0) {
        t_replaced.push_back(std::move(temporary_));
        temporary_.clear();
        return 0;
    }
    if (::rename(temporary_.c_str(), file_.c_str()) != 0) {
        const int error = errno;
        Discard();
        return error;
    }
    temporary_.clear();
    return 0;
}

void PreparedReplace::Discard()
{
    if (temporary_.empty()) return;
    ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool FileStamp::operator==(const FileStamp& other) const
{
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec &&
           changed.tv_sec == other.changed.tv_sec && changed.tv_nsec == other.changed.tv_nsec;
}

std::optional<FileStamp> StampOf(const char* file)
{
    struct stat status {};
    if (::stat(file, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return FileStamp{status.st_dev, status.st_ino, status.st_size, status.st_mtim, status.st_ctim};
}

std::optional<FileStamp> StampOf(const std::filesystem::path& file)
{
    return StampOf(file.c_str());
}

FileLock::FileLock(const std::filesystem::path& lockFile)
{
    std::error_code ignored;
    std::filesystem::create_directories(lockFile.parent_path(), ignored);
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) return;
    ::fchmod(fd_, 0666);
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
}

FileLock::~FileLock()
{
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace vexl::platform
