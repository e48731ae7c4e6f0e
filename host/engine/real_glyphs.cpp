#include "real_glyphs.h"

#include "platform/machine.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <filesystem>
#include <memory>
#include <string>

namespace vexl::host {
namespace {

struct CharacterRange {
    char16_t first;
    char16_t last;
};
constexpr CharacterRange kRanges[] = {{0x20, 0x7E}, {0xA0, 0x17F}};

bool InRanges(char16_t c)
{
    for (const CharacterRange& range : kRanges)
        if (c >= range.first && c <= range.last) return true;
    return false;
}

std::string TextFontPath()
{
    const machine::Profile profile = machine::LoadProfile();
    return (std::filesystem::path(profile.fontFolder) / (profile.fontFile + ".ttf")).string();
}

struct FreeTypeLibrary {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeTypeLibrary()
    {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }
};

// The glyph of one character from the face's rendered one-bit bitmap; a
// character without ink (the space) gets a blank 1 x 1 cell.
engine::Glyph TakeGlyph(FT_Face face, char16_t c)
{
    engine::Glyph glyph;
    glyph.hg = c;
    const FT_GlyphSlot slot = face->glyph;
    glyph.advance = static_cast<LONG>((slot->advance.x + 32) >> 6);
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.width == 0 || bitmap.rows == 0 || bitmap.pixel_mode != FT_PIXEL_MODE_MONO) {
        glyph.size = SIZEL{1, 1};
        glyph.origin = POINTL{0, -1};
        glyph.bits.assign(1, 0);
        return glyph;
    }
    glyph.size = SIZEL{static_cast<LONG>(bitmap.width), static_cast<LONG>(bitmap.rows)};
    glyph.origin = POINTL{slot->bitmap_left, -slot->bitmap_top};
    const std::size_t rowBytes = (bitmap.width + 7) / 8;
    glyph.bits.assign(rowBytes * bitmap.rows, 0);
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const unsigned char* from = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
        std::copy(from, from + rowBytes, glyph.bits.begin() + static_cast<std::ptrdiff_t>(row * rowBytes));
    }
    return glyph;
}

}  // namespace

HGLYPH RealGlyphHandle(char16_t c)
{
    return InRanges(c) ? c : u'?';
}

std::vector<engine::Glyph> RenderedGlyphs(LONG emPixels)
{
    std::vector<engine::Glyph> glyphs;
    FreeTypeLibrary ft;
    if (emPixels <= 0 || FT_Init_FreeType(&ft.library) != 0) return glyphs;
    if (FT_New_Face(ft.library, TextFontPath().c_str(), 0, &ft.face) != 0) return glyphs;
    if (FT_Set_Pixel_Sizes(ft.face, 0, static_cast<FT_UInt>(emPixels)) != 0) return glyphs;
    for (const CharacterRange& range : kRanges) {
        for (char16_t c = range.first;; ++c) {
            if (FT_Load_Char(ft.face, c, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) == 0)
                glyphs.push_back(TakeGlyph(ft.face, c));
            if (c == range.last) break;
        }
    }
    return glyphs;
}

}  // namespace vexl::host
