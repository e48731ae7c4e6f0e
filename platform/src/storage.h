// Small helpers for the state the layer keeps under the machine root:
// whole-file reads, atomic replacement and a cross-process lock.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vexl::platform {

// The whole regular file, or nothing when it cannot be read (a folder included).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file);

// Replaces the file's contents at once: the bytes go to a temporary file in
// the same folder, are flushed to disk, and the temporary file is renamed
// over the target. A crash or a full disk leaves the old contents whole.
// Answers 0 or the errno of the failure.
int ReplaceFileAtomically(const std::filesystem::path& file, std::string_view bytes);

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
