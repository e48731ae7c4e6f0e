#include "graphics/paper_record.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/model/paper_geometry.h"

#include <algorithm>
#include <cstdint>

namespace vexl {
namespace {

// Dots at a resolution in tenths of a millimetre, in 64 bits: a printable
// size from a caller's DEVMODE can be any 32-bit value, and the result is
// held at the limits of the field.
LONG DotsToTenthMm(LONG dots, LONG resolution)
{
    const std::int64_t tenths = static_cast<std::int64_t>(dots) * 254 / resolution;
    return static_cast<LONG>(std::clamp<std::int64_t>(tenths, INT32_MIN, INT32_MAX));
}

LONG ItemLong(DriverContext* context, std::uint16_t id)
{
    return static_cast<LONG>(GetItemValue(context, id));
}

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
        paper->printableWidthTenthMm = DotsToTenthMm(paper->printableWidthDots, resolution);
        paper->printableLengthTenthMm = DotsToTenthMm(paper->printableLengthDots, resolution);
    }
    paper->paperSize = ItemLong(context, dmPaperSize);
    paper->xOffset = ItemLong(context, rdmSrcXOffset);
    paper->yOffset = ItemLong(context, rdmSrcYOffset);
}

}  // namespace vexl
