// Entry point of the settings library.
#include "api/library.h"
#include "platform/win32.h"

VEXL_API BOOL DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    return vexl::api::HandleProcessNotification(reason);
}
