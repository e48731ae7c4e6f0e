#include "graphics/paper_record.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/model/paper_geometry.h"

namespace vexl {
namespace {

LONG ItemLong(DriverContext* context, std::uint16_t id) { return static_cast<LONG>(GetItemValue(context, id)); }

}  // namespace

void ReadPaperRecord(DriverContext* context, WORD resolution, PaperRecord* paper)
{
    PaperExtent extent{};
    GetSelectedPaperSize(context, &extent);
    paper->paperWidth = extent.width;
    paper->paperLength = extent.length;
    paper->physicalWidthDots = ItemLong(context, rdmSrcPaperWidthDot);
    paper->physicalLengthDots = ItemLong(context, rdmSrcPaperLengthDot);
    paper->printableWidthDots = ItemLong(context, rdmSrcPaperPrnWidthDot);
    paper->printableLengthDots = ItemLong(context, rdmSrcPaperPrnLengthDot);
    if (resolution != 0) {
        paper->printableWidthTenthMm = paper->printableWidthDots * 254 / resolution;
        paper->printableLengthTenthMm = paper->printableLengthDots * 254 / resolution;
    }
    paper->paperSize = ItemLong(context, dmPaperSize);
    paper->xOffset = ItemLong(context, rdmSrcXOffset);
    paper->yOffset = ItemLong(context, rdmSrcYOffset);
}

}  // namespace vexl
