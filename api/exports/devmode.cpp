// The DEVMODE exports of the settings interface. Every handle is looked up
// among the live instances before it is followed.
#include "vexlapi/vexldrv.h"

#include "api/devmode_delivery.h"
#include "api/frame.h"
#include "platform/types.h"

using vexl::DriverContext;
using namespace vexl::api;

VEXL_API int VEXLDrvGetDevmode(VEXLDRVHANDLE instance, uint32_t flags, void* devmode)
{
    DriverContext* context = FindLiveInstance(instance);
    if (context == nullptr) return -1;
    return GetInstanceDevmode(context, flags, static_cast<DEVMODEW*>(devmode));
}

VEXL_API int VEXLDrvGetDevmodeEx(VEXLDRVHANDLE instance, uint32_t flags, void* devmode, const void* callerDevmode,
                                 uint32_t /*reserved*/)
{
    DriverContext* context = FindLiveInstance(instance);
    if (context == nullptr) return -1;
    return GetInstanceDevmodeEx(context, flags, static_cast<DEVMODEW*>(devmode),
                                static_cast<const DEVMODEW*>(callerDevmode));
}
