// The watermark module: command 327 keeps the current watermark in its
// stamp slot.
#include "common/storage/module_watermark.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/settings_modules.h"
#include "common/storage/ini_lists.h"

namespace vexl {
namespace {

constexpr std::uint16_t kWatermarkCommandStore = 327;

}  // namespace

int WatermarkModuleCommand(DriverContext* context, std::uint16_t command, void*)
{
    if (command != kWatermarkCommandStore) return 0;
    const std::uint32_t slot = GetItemValue(context, rdmWmID);
    if (GetItemValue(context, rdmFuncSelectWaterMark) != 0 && slot < static_cast<std::uint32_t>(GetStampCount(context)))
        SaveStampSlot(context, static_cast<int>(slot));
    return 1;
}

}  // namespace vexl
