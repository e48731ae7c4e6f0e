// The VEXLDrv exports of the frame: versions, instances, the last error and
// the gates of the capability and status requests. Every handle is looked
// up among the live instances before it is followed.
#include "vexlapi/vexldrv.h"

#include "api/frame.h"
#include "api/versions.h"
#include "platform/types.h"

using vexl::DriverContext;
using namespace vexl::api;

namespace {

DriverContext* Instance(VEXLDRVHANDLE handle)
{
    return FindLiveInstance(handle);
}

}  // namespace

VEXL_API int VEXLDrvCheckAPIVer(const char* printerName)
{
    return CheckApiVersion(printerName);
}

VEXL_API VEXLDRVHANDLE VEXLDrvEnable(const char* printerName)
{
    if (printerName == nullptr || printerName[0] == 0) return nullptr;
    CheckApiVersion(printerName);
    BuildEnabledIdBitmaps(GetRequestedApiVersion());
    return reinterpret_cast<VEXLDRVHANDLE>(OpenApiInstance(printerName));
}

VEXL_API int VEXLDrvInit(int enable, const void* callerRecord)
{
    return InitApiVersion(enable, callerRecord);
}

VEXL_API int VEXLDrvDisable(VEXLDRVHANDLE instance)
{
    if (DriverContext* context = Instance(instance)) CloseApiInstance(context);
    return 1;
}

VEXL_API int VEXLDrvGetLastError(VEXLDRVHANDLE instance)
{
    return GetApiLastError(Instance(instance));
}

VEXL_API uint32_t VEXLDrvGetCaps(VEXLDRVHANDLE instance, uint32_t capabilityId, void* buffer)
{
    DriverContext* context = Instance(instance);
    if (context == nullptr) return static_cast<uint32_t>(-1);
    return GetInstanceCaps(context, capabilityId, buffer);
}

VEXL_API int VEXLDrvGetStatus(VEXLDRVHANDLE instance, uint32_t statusId, void* structure, uint32_t version)
{
    DriverContext* context = Instance(instance);
    if (context == nullptr) return -1;
    return GetInstanceStatus(context, statusId, structure, version);
}

VEXL_API int VEXLDrvSetStatus(VEXLDRVHANDLE instance, uint32_t statusId, const void* structure, uint8_t* changedBitmap,
                              uint32_t mode)
{
    DriverContext* context = Instance(instance);
    if (context == nullptr) return -1;
    return SetInstanceStatus(context, statusId, structure, changedBitmap, mode);
}
