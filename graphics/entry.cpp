// Entry point of the graphics library.
#include "platform/win32.h"

VEXL_API BOOL DllEntryPoint(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    (void)module;
    (void)reason;
    (void)reserved;
    return TRUE;
}
