// Entry point of the settings library.
#include "common/wiring.h"
#include "platform/win32.h"

VEXL_API BOOL DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    return vexl::HandleProcessEntry(reason);
}
