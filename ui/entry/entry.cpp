// Entry point of the printer interface library.
#include "common/wiring.h"
#include "platform/win32.h"

namespace {
// The library's own module: the pages and their resources are found through it.
HINSTANCE g_module = nullptr;
}  // namespace

VEXL_API BOOL DllInitialize(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) g_module = module;
    return vexl::HandleProcessEntry(reason);
}
