// Entry point of the settings library.
#include "common/core/process.h"
#include "platform/win32.h"

VEXL_API BOOL DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) vexl::RunProcessAttach();
    else if (reason == DLL_PROCESS_DETACH) vexl::RunProcessDetach();
    return TRUE;
}
