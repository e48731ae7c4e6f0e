// The font-substitution module.
#include "common/storage/module_small.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"

namespace vexl {
namespace {

constexpr std::uint16_t kFontSubstControl = 2384;
constexpr std::uint16_t kFontSubstPage = kPageDialogUserTtf;
// State bits 2-3 of a control: 1 shows it.
constexpr std::uint16_t kControlShownMask = 0x000C;
constexpr std::uint16_t kControlShown = 0x0004;

}  // namespace

int FontSubstModuleEvent(DriverContext* context, std::uint32_t event, void* param, void*)
{
    auto* record = static_cast<DisabledStateEvent*>(param);
    if (event != kModuleEventMayShowControl || !record || !record->item) return 0;
    if (record->item->controlId != kFontSubstControl) return 0;
    // Shown unless the printer's default settings are being edited, and
    // always on the font page itself.
    const bool onFontPage = record->page && record->page->pageId == kFontSubstPage;
    if (GetItemValue(context, rdmCallSrc) == 0 || onFontPage) {
        record->item->state =
            static_cast<std::uint16_t>((record->item->state & ~kControlShownMask) | kControlShown);
        record->decided = 1;
    }
    return 1;
}

}  // namespace vexl
