// Entry points of the graphics library.
#include "graphics/hooks.h"
#include "graphics/library.h"
#include "graphics/pdev.h"
#include "platform/win32.h"

VEXL_API BOOL DllEntryPoint(HINSTANCE module, DWORD reason, LPVOID)
{
    return vexl::graphics::HandleProcessNotification(module, reason);
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
