// What the file, find, mapping and INI functions share: the host file behind
// a Windows path, Windows errors for host failures, the read-only attribute
// kept in the host mode bits, and FILETIME conversions.
#pragma once

#include "platform/types.h"

#include "handles.h"
#include "platform/modules_host.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>

namespace vexl::platform {

// The host path of a Windows path; empty when the name is null, empty,
// invalid or there is no machine.
std::filesystem::path HostFile(const WCHAR* windowsPath);

// The Windows error for an errno of a call on path: a missing entry is
// ERROR_FILE_NOT_FOUND when its folder exists, else ERROR_PATH_NOT_FOUND.
DWORD ErrorFromErrno(int error, const std::filesystem::path& path);
DWORD ErrorFromErrno(int error);

// A file is read-only when its owner may not write it. The layer checks this
// itself, so the attribute holds even for a process that runs as root.
constexpr bool IsReadOnlyMode(mode_t mode)
{
    return (mode & S_IWUSR) == 0;
}
bool IsReadOnlyFile(const std::filesystem::path& path);

// Windows attributes of a host entry.
DWORD AttributesFromStat(const struct stat& status);

// The hidden and system attributes kept with an entry (file_security.cpp).
DWORD KeptAttributes(const std::filesystem::path& path);
bool KeepAttributes(const std::filesystem::path& path, DWORD attributes);

// Whether any entry of the machine keeps an owner, a DACL or kept
// attributes; while none does, every access is allowed. A caller that holds
// the root's text (RootText()) passes it.
bool MachineKeepsSecurity();
bool MachineKeepsSecurity(const std::string& root);

// Whether the machine profile's user may use the entry so, by its security
// (security.h); a folder's rights decide the creation of entries in it.
bool HasFileAccess(const std::filesystem::path& path, ACCESS_MASK access);
bool MayDeleteEntry(const std::filesystem::path& path);
bool MayCreateIn(const std::filesystem::path& folder, bool subfolder);

FILETIME FileTimeFromTimespec(const struct timespec& time);
struct timespec TimespecFromFileTime(const FILETIME& time);

}  // namespace vexl::platform

namespace vexl::platform {

// The size and times of a file as it was opened.
struct OpenedFileStatus {
    std::uint64_t size = 0;
    FILETIME creation{};
    FILETIME lastWrite{};
};

// A file handle: an open host descriptor and the Windows access it was opened
// with. A handle that only reads and shares the file for reading only keeps
// the file's size and times from its open: Windows lets nobody write the
// file while it is open, so they stay the file's until it is closed. (The
// layer does not refuse such a writer; a program that writes against that
// rule leaves the handle with the values of its open.)
struct FileObject : KernelObject {
    FileObject(int descriptor, DWORD grantedAccess) : fd(descriptor), access(grantedAccess) {}
    ~FileObject() override;
    FileObject(const FileObject&) = delete;
    FileObject& operator=(const FileObject&) = delete;

    int fd;
    DWORD access;  // GENERIC_READ and GENERIC_WRITE bits
    std::optional<OpenedFileStatus> opened;
};

}  // namespace vexl::platform
