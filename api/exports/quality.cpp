// The quality-data exports: the instance's settings saved into its record's
// saved store, and the quality and macro items restored from it. Every
// handle is looked up among the live instances before it is followed.
#include "vexlapi/vexldrv.h"

#include "api/frame.h"
#include "api/quality_data.h"
#include "common/core/appservices.h"
#include "platform/types.h"

using vexl::ApiRecord;
using vexl::DriverContext;
using namespace vexl::api;

namespace {

std::uint8_t* SavedStoreOf(DriverContext* instance)
{
    if (instance == nullptr || instance->workArea == nullptr) return nullptr;
    const ApiRecord* record = instance->workArea->apiRecord;
    return record != nullptr ? record->savedStore : nullptr;
}

}  // namespace

VEXL_API int VEXLDrvSaveQualityData(VEXLDRVHANDLE instance)
{
    DriverContext* context = FindLiveInstance(instance);
    return SaveQualityData(context, SavedStoreOf(context));
}

VEXL_API int VEXLDrvRestoreQualityData(VEXLDRVHANDLE instance)
{
    DriverContext* context = FindLiveInstance(instance);
    return RestoreQualityData(context, SavedStoreOf(context));
}
