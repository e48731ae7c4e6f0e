// Small helpers for the state the layer keeps under the machine root:
// whole-file reads, atomic replacement and a cross-process lock.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include <sys/stat.h>

namespace vexl::platform {

// The whole regular file, or nothing when it cannot be read (a folder included).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file);

// Replaces the file's contents at once: the bytes go to a temporary file in
// the same folder, are flushed to disk, and the temporary file is renamed
// over the target. A crash or a full disk leaves the old contents whole.
// Answers 0 or the errno of the failure.
int ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes);

// Removes the temporary files of the file that writers which died left
// beside it: those whose process no longer exists. A live writer's, of this
// process or another, stays. Every replacement runs this first.
void RemoveStaleTemporaries(const std::filesystem::path& file);

// Removes the old versions that this thread's commits left beside their
// files. Every Prepare runs it first.
void ReleaseReplacedFiles();

// The same replacement in two steps, so that the slow part runs outside the
// caller's locks: Prepare writes the bytes to a temporary file beside the
// target and flushes them to disk; Commit renames it over the target. A
// replacement that is never committed removes its temporary file.
class PreparedReplace {
public:
    PreparedReplace() = default;
    ~PreparedReplace();
    PreparedReplace(PreparedReplace&& other) noexcept;
    PreparedReplace& operator=(PreparedReplace&& other) noexcept;
    PreparedReplace(const PreparedReplace&) = delete;
    PreparedReplace& operator=(const PreparedReplace&) = delete;

    // Answers 0 or the errno of the failure (nothing is then prepared).
    int Prepare(const std::filesystem::path& file, std::string_view bytes);
    // Answers 0 or the errno of the failure; the target is then unchanged.
    // The target's old version stays beside it, under the temporary name,
    // until this thread calls ReleaseReplacedFiles.
    int Commit();
    void Discard();
    bool prepared() const { return !temporary_.empty(); }

private:
    std::filesystem::path file_;
    std::filesystem::path temporary_;
};

// What tells one version of a file from another. Every change through this
// layer replaces the file, so a new version is a new inode (made while the
// old one still exists) with its own times.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    timespec modified{};
    timespec changed{};

    bool operator==(const FileStamp& other) const;
};

// The stamp of a regular file; none when it is missing or not a regular file.
std::optional<FileStamp> StampOf(const char* file);
std::optional<FileStamp> StampOf(const std::filesystem::path& file);

// An exclusive lock on a lock file (created when missing), held for the
// lifetime of the object; processes that use one machine exclude each other.
// The kernel drops the lock when its holder dies.
class FileLock {
public:
    explicit FileLock(const std::filesystem::path& lockFile);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_ = -1;
};

}  // namespace vexl::platform
