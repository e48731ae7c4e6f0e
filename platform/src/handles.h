// The process's table of kernel objects. Every HANDLE the layer gives out
// (files, mutexes, printers, registry keys, find and mapping handles) is a
// small number that names an entry here, never a raw address.
#pragma once

#include "platform/types.h"

#include <memory>

namespace vexl::platform {

struct KernelObject {
    virtual ~KernelObject() = default;
};

// An object that WaitForSingleObject waits for besides a mutex (a process).
struct WaitableObject : KernelObject {
    virtual DWORD Wait(DWORD milliseconds) = 0;
};

// Adds an object and answers its new handle.
HANDLE AddHandle(std::shared_ptr<KernelObject> object);

// The object behind a handle, or null when the handle is unknown or of another kind.
template <typename T> std::shared_ptr<T> FindHandle(HANDLE handle);

std::shared_ptr<KernelObject> FindKernelObject(HANDLE handle);

// Takes the handle out of the table; answers the object it named (null when unknown).
std::shared_ptr<KernelObject> RemoveHandle(HANDLE handle);

template <typename T> std::shared_ptr<T> FindHandle(HANDLE handle)
{
    return std::dynamic_pointer_cast<T>(FindKernelObject(handle));
}

}  // namespace vexl::platform
