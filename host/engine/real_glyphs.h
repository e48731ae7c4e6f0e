// Glyphs of the machine's text font, drawn by FreeType, for the lines of text
// the engine host hands the driver.
#pragma once

#include "platform/engine_host.h"
#include "platform/types.h"

#include <vector>

namespace vexl::host {

// The glyph handle of a character among RenderedGlyphs: the character code
// for the Latin characters the set holds, '?' for any other.
HGLYPH RealGlyphHandle(char16_t c);

// One-bit glyphs of the machine profile's text font (its font folder and
// file, as the window layer draws text) with an em of emPixels device
// pixels: printable ASCII and Latin-1 to Latin Extended-A, each keyed by its
// character code, its bitmap placed from the baseline and its advance rounded
// to whole pixels. Empty when the font file cannot be read.
std::vector<engine::Glyph> RenderedGlyphs(LONG emPixels);

}  // namespace vexl::host
