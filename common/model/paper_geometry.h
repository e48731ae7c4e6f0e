// Paper geometry and font lists of the compiled model. Every paper option of
// the paper entry (the PickPage entry of dmPaperSize) carries its size in
// 0.1 mm and, per resolution and orientation, its printable area and paper
// size in dots. These functions find the geometry of a paper for the current
// settings, the sizes of the selected source and output paper (custom and
// free sizes included), the paper of a given size, and hand out copies of the
// model's device-font, cartridge-font and font-substitution lists.
#pragma once

#include "common/core/context.h"
#include "common/core/font_records.h"
#include "common/core/paper_types.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// ---- geometry of a paper option (dots) -------------------------------------------------------

// The PageValue record of the paper option for the current resolution and
// orientation whose condition holds; failing that, the first record of the
// resolution in the other orientation, given turned. printable and paper
// are zeroed first, so they read as zero when no record matches (answer 0).
BOOL MatchPageValue(DriverContext* context, PageRect* printable, PaperExtent* paper, std::uint16_t paperOption);
BOOL GetPageGeometry(DriverContext* context, PageRect* printable, PaperExtent* paper, std::uint16_t paperOption);

// ---- paper sizes (0.1 mm) ---------------------------------------------------------------------
// Each answers 1 with {width, length} in out, or 0 with out zeroed.

// The PageMMValue size of the paper option held by itemId (0: the paper
// entry's own item), turned when dmOrientation is 2.
BOOL GetPaperOptionSize(DriverContext* context, PaperExtent* out, std::uint16_t itemId);
// The same for a paper option given by its id.
BOOL GetPaperSizeOfOption(DriverContext* context, PaperExtent* out, std::uint16_t paperOption);
// The size of the paper stored in the paper entry's item.
BOOL GetSelectedPaperSize(DriverContext* context, PaperExtent* out);
// The size of the paper in rdmOutPaperSize; dmPaperSize is left as it was.
BOOL GetOutputPaperSize(DriverContext* context, PaperExtent* out);
// The size of a custom or free-size paper (384 to 393, 256, 448) from the
// work area's paper rows, the custom-size items or the public DEVMODE; the
// source side turns it for landscape where the row or slot gives it.
BOOL GetCustomPaperSize(DriverContext* context, PaperExtent* out, std::uint16_t paper, BOOL sourceSide);
BOOL GetSourceCustomPaperSize(DriverContext* context, PaperExtent* out, std::uint16_t paper);
BOOL GetOutputCustomPaperSize(DriverContext* context, PaperExtent* out, std::uint16_t paper);

// The stored value of the first paper option whose size matches width by
// length either way round (each side up to kPaperSizeTolerance larger when
// tolerant), skipping the free and custom sizes and papers that
// rdmOutPaperSize does not take; 0 when none.
std::uint16_t FindPaperBySize(DriverContext* context, std::int16_t width, std::int16_t length, std::uint16_t tolerant);

// ---- font lists ------------------------------------------------------------------------------------
// Fresh zero-filled arrays that the caller frees with FreeIfNotNull; count
// (when given) receives the number of records, 0 whenever the answer is null.

// The model's DeviceFonts or FontCartridge list.
DeviceFontRecord* CopyDeviceFontList(DriverContext* context, std::int32_t* count);
DeviceFontRecord* CopyCartridgeFontList(DriverContext* context, std::int32_t* count);
// The substitutions of the first option with any, of the model's first
// FontTbl entry.
FontSubstPair* CopyFontSubstTable(DriverContext* context, std::int32_t* count);

}  // namespace vexl
