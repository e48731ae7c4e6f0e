// Entry point of the graphics library.
#include "common/core/process.h"
#include "platform/win32.h"

namespace {
// The library's own module; enabling a device fails without it.
HINSTANCE g_module = nullptr;
}

VEXL_API BOOL DllEntryPoint(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) g_module = module;
    return vexl::HandleProcessEntry(reason);
}
