// The selected paper of a Pdev and its printable area, read from the
// context.
#pragma once

#include "platform/types.h"

namespace vexl {

struct DriverContext;

struct PaperRecord {
    LONG paperWidth;  // of the selected paper
    LONG paperLength;
    LONG physicalWidthDots;    // rdmSrcPaperWidthDot
    LONG physicalLengthDots;   // rdmSrcPaperLengthDot
    LONG printableWidthDots;   // rdmSrcPaperPrnWidthDot
    LONG printableLengthDots;  // rdmSrcPaperPrnLengthDot
    LONG printableWidthTenthMm;
    LONG printableLengthTenthMm;
    LONG paperSize;  // dmPaperSize
    LONG xOffset;    // rdmSrcXOffset
    LONG yOffset;    // rdmSrcYOffset
};

// Fills the record from the context; the sizes in 0.1 mm need a
// resolution (0 leaves them 0).
void ReadPaperRecord(DriverContext* context, WORD resolution, PaperRecord* paper);

}  // namespace vexl
