// Read-only file mappings: CreateFileMappingW over a file handle, views with
// MapViewOfFile and UnmapViewOfFile.
//
// A mapping keeps its own descriptor of the file, so it outlives the file
// handle; a view outlives the mapping handle, as on Windows. The size of a
// mapping is fixed when it is made and cannot exceed the file.
#include "platform/files.h"

#include "platform/kernel.h"

#include "files_host.h"

#include <cerrno>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

using namespace vexl::platform;

namespace {

// Views start at multiples of the allocation granularity.
constexpr std::uint64_t kAllocationGranularity = 65536;

struct MappingObject : KernelObject {
    MappingObject(int descriptor, std::uint64_t bytes) : fd(descriptor), size(bytes) {}
    ~MappingObject() override { ::close(fd); }
    MappingObject(const MappingObject&) = delete;
    MappingObject& operator=(const MappingObject&) = delete;

    int fd;
    std::uint64_t size;
};

// The views of the process: base address and length.
struct ViewTable {
    std::mutex lock;
    std::map<const void*, std::size_t> views;
};

ViewTable& Views()
{
    static ViewTable table;
    return table;
}

}  // namespace

HANDLE CreateFileMappingW(HANDLE file, LPSECURITY_ATTRIBUTES /*attributes*/, DWORD protect, DWORD maximumSizeHigh,
                          DWORD maximumSizeLow, LPCWSTR name)
{
    if (protect != PAGE_READONLY || name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::shared_ptr<FileObject> object = FindHandle<FileObject>(file);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!(object->access & GENERIC_READ)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    struct stat status {};
    if (::fstat(object->fd, &status) != 0) {
        SetLastError(ErrorFromErrno(errno));
        return nullptr;
    }
    const std::uint64_t fileSize = static_cast<std::uint64_t>(status.st_size);
    const std::uint64_t asked = (std::uint64_t(maximumSizeHigh) << 32) | maximumSizeLow;
    const std::uint64_t size = asked == 0 ? fileSize : asked;
    if (size == 0) {
        SetLastError(ERROR_FILE_INVALID);
        return nullptr;
    }
    if (size > fileSize) {
        // A read-only mapping cannot make the file longer.
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const int fd = ::fcntl(object->fd, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        SetLastError(ErrorFromErrno(errno));
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return AddHandle(std::make_shared<MappingObject>(fd, size));
}

LPVOID MapViewOfFile(HANDLE fileMappingObject, DWORD desiredAccess, DWORD fileOffsetHigh, DWORD fileOffsetLow,
                     SIZE_T numberOfBytesToMap)
{
    const std::shared_ptr<MappingObject> mapping = FindHandle<MappingObject>(fileMappingObject);
    if (!mapping) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (desiredAccess != FILE_MAP_READ) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const std::uint64_t offset = (std::uint64_t(fileOffsetHigh) << 32) | fileOffsetLow;
    if (offset % kAllocationGranularity != 0) {
        SetLastError(ERROR_MAPPED_ALIGNMENT);
        return nullptr;
    }
    if (offset >= mapping->size || numberOfBytesToMap > mapping->size - offset) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const std::size_t length =
        numberOfBytesToMap ? numberOfBytesToMap : static_cast<std::size_t>(mapping->size - offset);
    void* view = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, mapping->fd, static_cast<off_t>(offset));
    if (view == MAP_FAILED) {
        SetLastError(errno == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : ErrorFromErrno(errno));
        return nullptr;
    }
    ViewTable& table = Views();
    std::lock_guard guard(table.lock);
    table.views.emplace(view, length);
    return view;
}

BOOL UnmapViewOfFile(LPCVOID baseAddress)
{
    ViewTable& table = Views();
    std::lock_guard guard(table.lock);
    const auto found = table.views.find(baseAddress);
    if (found == table.views.end()) {
        SetLastError(ERROR_INVALID_ADDRESS);
        return FALSE;
    }
    ::munmap(const_cast<void*>(found->first), found->second);
    table.views.erase(found);
    return TRUE;
}
