// The device contexts of GDI and ExtEscape.
#include "platform/gdi_host.h"

#include <cstdint>
#include <map>
#include <mutex>

namespace vexl::gdi {
namespace {

struct DeviceContext {
    EscapeHandler handler = nullptr;
    void* data = nullptr;
};

std::mutex g_lock;
std::map<std::uintptr_t, DeviceContext> g_contexts;
std::uintptr_t g_next = 0x1000;

}  // namespace

HDC CreateDeviceContext(EscapeHandler handler, void* data)
{
    std::lock_guard lock(g_lock);
    const std::uintptr_t id = g_next++;
    g_contexts[id] = {handler, data};
    return reinterpret_cast<HDC>(id);
}

void DeleteDeviceContext(HDC hdc)
{
    std::lock_guard lock(g_lock);
    g_contexts.erase(reinterpret_cast<std::uintptr_t>(hdc));
}

}  // namespace vexl::gdi

VEXL_API int ExtEscape(HDC hdc, int escape, int inputSize, LPCSTR input, int outputSize, LPSTR output)
{
    vexl::gdi::DeviceContext context;
    {
        std::lock_guard lock(vexl::gdi::g_lock);
        auto found = vexl::gdi::g_contexts.find(reinterpret_cast<std::uintptr_t>(hdc));
        if (found == vexl::gdi::g_contexts.end() || found->second.handler == nullptr) return 0;
        context = found->second;
    }
    if (inputSize < 0 || (inputSize > 0 && input == nullptr)) inputSize = 0;
    if (outputSize < 0 || output == nullptr) outputSize = 0;
    return context.handler(context.data, escape, inputSize, input, outputSize, output);
}
