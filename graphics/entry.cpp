// Entry points of the graphics library.
#include "common/wiring.h"
#include "graphics/graphics_context.h"
#include "graphics/hooks.h"
#include "graphics/pdev.h"
#include "platform/win32.h"

VEXL_API BOOL DllEntryPoint(HINSTANCE module, DWORD reason, LPVOID)
{
    // The module handle is kept at attach; enabling a device fails without it.
    if (reason == DLL_PROCESS_ATTACH) vexl::SetLibraryModule(module);
    const BOOL result = vexl::HandleProcessEntry(reason);
    // Every context of this library is a graphics context: its steps go over
    // the defaults that the attach installed.
    if (reason == DLL_PROCESS_ATTACH) vexl::graphics::UseGraphicsContextSteps();
    return result;
}

VEXL_API BOOL DrvQueryDriverInfo(DWORD mode, PVOID buffer, DWORD size, DWORD* needed)
{
    return vexl::DrvQueryDriverInfo(mode, buffer, size, needed);
}

VEXL_API BOOL DrvEnableDriver(ULONG engineVersion, ULONG size, DRVENABLEDATA* data)
{
    return vexl::DrvEnableDriver(engineVersion, size, data);
}

VEXL_API void DrvDisableDriver()
{
    vexl::DrvDisableDriver();
}
