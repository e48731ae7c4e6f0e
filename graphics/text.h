// Text output: the device fonts the printer offers the engine, the font
// queries, and DrvTextOut, which turns every text call into display-list
// records (device-font strings and characters, outline characters, or the
// glyphs of downloaded fonts).
#pragma once

#include "graphics/records.h"
#include "platform/ddi.h"
#include "platform/types.h"

#include <cstddef>
#include <cstdint>

namespace vexl {

struct Pdev;

// A row of the symbol-set table; the glyph set is loaded on first use.
struct SymbolSetRow {
    const char* text;
    BYTE charSet;
    FD_GLYPHSET* glyphSet;
};
inline constexpr int kSymbolSetRows = 6;
inline constexpr int kDefaultSymbolSet = 2;

struct DeviceFontEntry {
    int symbolSet;
    BYTE* resource;  // the pool's copy of the font's description
    ULONG size;
    IFIMETRICS* metrics;
};

struct DeviceFontTable {
    LONG count;
    HMODULE module;
    SymbolSetRow symbolSets[kSymbolSetRows];
    DeviceFontEntry fonts[4];
};

// The table of the four device fonts from the module's resources, in the
// Pdev's pool; null when a resource is missing or malformed or the pool is
// exhausted (the Pdev then offers no device fonts).
DeviceFontTable* LoadDeviceFonts(Pdev* pdev, HMODULE module, LONG* count);
void FreeDeviceFonts(Pdev* pdev, DeviceFontTable* table);
// The glyph set of a device font (1 to 4), loaded on first use; null when
// it cannot be loaded.
FD_GLYPHSET* GetDeviceGlyphSet(Pdev* pdev, ULONG font);
// The advance of a device glyph in font units.
LONG GetDeviceAdvance(const IFIMETRICS& metrics, HGLYPH glyph);

// The smallest r with r x r >= a x a + b x b.
LONG IntegerHypot(LONG a, LONG b);

// The sizes of a text call's font on the page.
struct TextMetrics {
    FLOATOBJ_XFORM xform;
    LONG emX;
    LONG emY;
    LONG ascender;
    LONG descender;
    LONG internalLeading;
};

// Device-font selection and drawing for one string.
BOOL SelectDeviceFont(Pdev* pdev, STROBJ* string, FONTOBJ* font, const IFIMETRICS& metrics, const TextMetrics& sizes,
                      FontSelection* selection);
BOOL DrawDeviceText(Pdev* pdev, STROBJ* string, const TextMetrics& sizes, const FontSelection& selection);
BOOL DrawOutlineGlyphs(Pdev* pdev, STROBJ* string, FONTOBJ* font);

// The glyph positions of a string, enumerated when the STROBJ does not hold
// them; false when the enumeration gave fewer glyphs than the string has.
struct GlyphPositions {
    GLYPHPOS* positions;
    ULONG count;
    BOOL owned;  // in the Pdev's pool
};
BOOL CollectGlyphPositions(Pdev* pdev, STROBJ* string, GlyphPositions* out);
void ReleaseGlyphPositions(Pdev* pdev, GlyphPositions* positions);

// A font name in the device code into a name field, leaving `reserve` bytes
// free for a suffix and never splitting a double-byte character; the rest of
// the field is zero. Answers the bytes written.
std::size_t ConvertFontName(char* out, const WCHAR* name, std::size_t reserve);

// The text hooks are declared with the others in graphics/hooks.h.

}  // namespace vexl
