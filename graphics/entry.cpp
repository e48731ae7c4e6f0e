// Entry point of the graphics library.
#include "common/core/process.h"
#include "graphics/graphics_context.h"
#include "platform/win32.h"

namespace {
// The library's own module; enabling a device fails without it.
HINSTANCE g_module = nullptr;
}

VEXL_API BOOL DllEntryPoint(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = module;
        // Every context of this library is a graphics context.
        vexl::graphics::UseGraphicsContextSteps();
    }
    return vexl::HandleProcessEntry(reason);
}
