// The device as the graphics engine sees it: the paper record, the GDIINFO
// and DEVINFO of a Pdev, its default font and its default palette.
#pragma once

#include "graphics/pdev.h"
#include "platform/ddi.h"
#include "platform/engine.h"

#include <cstdint>

namespace vexl {

// Builds the GDIINFO, keeps the page size in dots in the Pdev and copies at
// most the record's own size into the engine's buffer of `size` bytes.
void FillGdiInfo(Pdev* pdev, ULONG size, GDIINFO* out);

// Builds the DEVINFO and the default palette (a previous one is deleted
// first) and copies at most the record's own size into the engine's buffer.
// FALSE when the palette cannot be made.
BOOL FillDevInfo(Pdev* pdev, ULONG size, DEVINFO* out, ULONG halftonePatternSize);

// The halftone pattern-size code for the smaller of two resolutions; two
// less with reduce.
ULONG HalftonePatternSize(ULONG xDpi, ULONG yDpi, BOOL reduce);
// The square dither cell, in pixels, of a halftone pattern-size code.
ULONG DitherCellSize(ULONG patternSize);

// A row of the character-set table.
struct CharsetCodePage {
    BYTE charset;
    USHORT codePage;
};
inline constexpr int kSearchByCharset = 1;
inline constexpr int kSearchByCodePage = 2;
// Finds the pair by character set or by code page; FALSE when absent.
BOOL CharsetFromCodePage(ULONG value, CharsetCodePage* out, int direction);
// The engine's current ANSI code page.
USHORT CurrentAnsiCodePage();

// The default font offered in vector mode: a 10.5-point cell at the
// resolution, with the character set given.
LOGFONTW MakeDefaultFont(WORD resolution, BYTE charset);

}  // namespace vexl
