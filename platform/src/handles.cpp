#include "handles.h"

#include "platform/kernel.h"

#include <mutex>
#include <unordered_map>

namespace vexl::platform {
namespace {

struct HandleTable {
    std::mutex lock;
    std::uintptr_t next = 0x1000;
    std::unordered_map<std::uintptr_t, std::shared_ptr<KernelObject>> objects;
};

HandleTable& Table()
{
    static HandleTable table;
    return table;
}

}  // namespace

HANDLE AddHandle(std::shared_ptr<KernelObject> object)
{
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    table.next += 4;
    table.objects.emplace(table.next, std::move(object));
    return reinterpret_cast<HANDLE>(table.next);
}

std::shared_ptr<KernelObject> FindKernelObject(HANDLE handle)
{
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == table.objects.end() ? nullptr : found->second;
}

std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle)
{
    HandleTable& table = Table();
    std::lock_guard guard(table.lock);
    auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == table.objects.end()) return nullptr;
    std::shared_ptr<KernelObject> object = std::move(found->second);
    table.objects.erase(found);
    return object;
}

}  // namespace vexl::platform

BOOL CloseHandle(HANDLE handle)
{
    if (!vexl::platform::RemoveHandle(handle)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
