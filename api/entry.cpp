// Entry point of the settings library.
#include "platform/win32.h"

VEXL_API BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    (void)module;
    (void)reason;
    (void)reserved;
    return TRUE;
}
