// Entry point of the printer interface library.
#include "platform/win32.h"

VEXL_API BOOL DllInitialize(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    (void)module;
    (void)reason;
    (void)reserved;
    return TRUE;
}
