// Fonts the printer does not have: their glyphs travel as bitmaps the
// engine renders, each sent at most once per page while the glyph cache
// holds it.
#pragma once

#include "graphics/records.h"
#include "graphics/text.h"
#include "platform/ddi.h"

namespace vexl {

struct Pdev;

// Glyph flags of records 0x53, 0x54, 0x55 and 0x57.
inline constexpr BYTE kGlyphFlagIndices = 0x04;
inline constexpr BYTE kGlyphFlagCharacters = 0x08;
inline constexpr BYTE kGlyphFlagKept = 0x40;

// Selects the font on the printer: record 0x56, or 0x50 when a device font
// of the Gothic and Mincho families stands in (kind 2).
BOOL SelectDownloadedFont(Pdev* pdev, STROBJ* string, FONTOBJ* font, CLIPOBJ* clip, const IFIMETRICS& metrics,
                          const TextMetrics& sizes, FontSelection* selection);
BOOL DrawDownloadedText(Pdev* pdev, FONTOBJ* font, STROBJ* string, const TextMetrics& sizes,
                        const FontSelection& selection);

}  // namespace vexl
