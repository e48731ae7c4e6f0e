// Text: fonts realised from the machine's font files with FreeType, their
// metrics, the text calls that draw glyphs with those same metrics, the
// installed-font enumeration, and the log of text operations.
#include "gdi_objects.h"

#include "platform/kernel.h"

#include "profile.h"
#include "unicode.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>

namespace vexl::gdi {
namespace {

struct Glyph {
    int advance = 0;
    int left = 0;  // from the pen to the first column of the bitmap
    int top = 0;   // from the baseline up to the first row
    int width = 0;
    int rows = 0;
    std::vector<BYTE> coverage;  // rows x width, 0-255
};

// A font at one size: its face and metrics, and the glyphs drawn so far.
struct RealizedFont {
    FT_Face face = nullptr;
    int em = 0;
    bool aliased = false;
    TEXTMETRICW tm{};
    int underlineOffset = 1;  // below the baseline
    int lineThickness = 1;
    std::map<char16_t, Glyph> glyphs;

    ~RealizedFont()
    {
        if (face) FT_Done_Face(face);
    }
};

struct FontCache {
    FT_Library library = nullptr;
    std::map<std::string, std::unique_ptr<RealizedFont>> fonts;
    std::vector<TextOp> log;

    ~FontCache()
    {
        fonts.clear();
        if (library) FT_Done_FreeType(library);
    }
};

FontCache& Cache()
{
    static FontCache cache;
    return cache;
}

bool SameFace(const std::u16string& a, const WCHAR* b)
{
    return platform::EqualNoCase(a, std::u16string_view(b));
}

const machine::FontFamily* FamilyOf(const machine::Profile& profile, const WCHAR* face)
{
    for (const machine::FontFamily& family : profile.fonts) {
        if (SameFace(family.face, face)) return &family;
    }
    return nullptr;
}

// The font file for the face, weight and slant: the family's file (or the
// profile's) in its bold and oblique variants when the folder has them.
std::string FindFontPath(const LOGFONTW& lf, const std::shared_ptr<const machine::Profile>& profile)
{
    const machine::FontFamily* family = FamilyOf(*profile, lf.lfFaceName);
    const std::string stem = family && !family->file.empty() ? family->file : profile->fontFile;
    const bool bold = lf.lfWeight >= FW_SEMIBOLD, italic = lf.lfItalic != 0;
    std::vector<std::string> names;
    if (bold && italic) names = {stem + "-BoldOblique", stem + "-BoldItalic"};
    if (bold && !italic) names = {stem + "-Bold"};
    if (!bold && italic) names = {stem + "-Oblique", stem + "-Italic"};
    names.push_back(stem);
    names.push_back(profile->fontFile);
    std::error_code error;
    for (const std::string& name : names) {
        const std::filesystem::path path = std::filesystem::path(profile->fontFolder) / (name + ".ttf");
        if (std::filesystem::exists(path, error)) return path.string();
    }
    return {};
}

// The paths found so far, while the profile stays the same.
std::string FontPath(const LOGFONTW& lf)
{
    static std::shared_ptr<const machine::Profile> known;
    static std::map<std::u16string, std::string> paths;
    std::shared_ptr<const machine::Profile> profile = machine::CurrentProfile();
    if (profile != known) {
        known = profile;
        paths.clear();
    }
    std::u16string key = lf.lfFaceName;
    for (auto& c : key) c = platform::FoldCase(c);
    key += lf.lfWeight >= FW_SEMIBOLD ? u"|b" : u"|n";
    key += lf.lfItalic ? u"|i" : u"|r";
    auto found = paths.find(key);
    if (found != paths.end()) return found->second;
    return paths[key] = FindFontPath(lf, profile);
}

int Scale(FT_Long units, int em, FT_UShort unitsPerEm)
{
    return int(std::lround(double(units) * em / unitsPerEm));
}

// A cell height of 13 pixels when the font gives none.
constexpr LONG kDefaultHeight = 13;

RealizedFont* Realize(const LOGFONTW& lf)
{
    FontCache& cache = Cache();
    const std::string path = FontPath(lf);
    if (path.empty()) return nullptr;
    if (!cache.library && FT_Init_FreeType(&cache.library) != 0) return nullptr;
    const bool aliased = lf.lfQuality == NONANTIALIASED_QUALITY;
    const LONG height = lf.lfHeight == 0 ? kDefaultHeight : lf.lfHeight;
    const std::string key = path + "|" + std::to_string(height) + "|" + (aliased ? "1" : "0");
    auto found = cache.fonts.find(key);
    if (found != cache.fonts.end()) return found->second.get();

    auto font = std::make_unique<RealizedFont>();
    if (FT_New_Face(cache.library, path.c_str(), 0, &font->face) != 0) {
        font->face = nullptr;
        return nullptr;
    }
    FT_Face face = font->face;
    const FT_UShort upem = face->units_per_EM ? face->units_per_EM : 2048;
    const FT_Long cell = face->ascender - face->descender;
    // A negative height is the character height; a positive one the cell's.
    font->em = height < 0 ? int(-height) : std::max(1, int(std::lround(double(height) * upem / cell)));
    font->aliased = aliased;
    if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(font->em)) != 0) return nullptr;

    TEXTMETRICW& tm = font->tm;
    tm.tmDescent = Scale(-face->descender, font->em, upem);
    tm.tmAscent = height > 0 ? height - tm.tmDescent : Scale(face->ascender, font->em, upem);
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0, int(tm.tmHeight) - font->em);
    tm.tmExternalLeading = std::max(0, Scale(face->height - cell, font->em, upem));
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    tm.tmAveCharWidth = os2 ? std::max(1, Scale(os2->xAvgCharWidth, font->em, upem)) : font->em / 2;
    tm.tmMaxCharWidth = Scale(face->max_advance_width, font->em, upem);
    tm.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFFFC;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = lf.lfItalic ? 1 : 0;
    tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
    tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
    // TMPF_FIXED_PITCH set means a variable pitch.
    tm.tmPitchAndFamily = BYTE(TMPF_VECTOR | TMPF_TRUETYPE | (FT_IS_FIXED_WIDTH(face) ? 0 : TMPF_FIXED_PITCH) |
                               (lf.lfPitchAndFamily & 0xF0));
    tm.tmCharSet = lf.lfCharSet;
    font->underlineOffset = std::max(1, Scale(-face->underline_position, font->em, upem));
    font->lineThickness = std::max(1, Scale(face->underline_thickness, font->em, upem));
    RealizedFont* raw = font.get();
    cache.fonts.emplace(key, std::move(font));
    return raw;
}

const Glyph& GlyphOf(RealizedFont& font, char16_t c)
{
    auto found = font.glyphs.find(c);
    if (found != font.glyphs.end()) return found->second;
    Glyph glyph;
    const FT_Int32 flags = FT_LOAD_RENDER | (font.aliased ? (FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME) : 0);
    if (FT_Load_Char(font.face, c, flags) == 0) {
        FT_GlyphSlot slot = font.face->glyph;
        glyph.advance = int((slot->advance.x + 32) >> 6);
        glyph.left = slot->bitmap_left;
        glyph.top = slot->bitmap_top;
        glyph.width = int(slot->bitmap.width);
        glyph.rows = int(slot->bitmap.rows);
        glyph.coverage.resize(std::size_t(glyph.width) * std::size_t(glyph.rows));
        for (int y = 0; y < glyph.rows; ++y) {
            const unsigned char* row = slot->bitmap.buffer + std::ptrdiff_t(y) * slot->bitmap.pitch;
            for (int x = 0; x < glyph.width; ++x) {
                const BYTE value = slot->bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                                       ? ((row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0)
                                       : row[x];
                glyph.coverage[std::size_t(y) * std::size_t(glyph.width) + std::size_t(x)] = value;
            }
        }
    }
    return font.glyphs.emplace(c, std::move(glyph)).first->second;
}

RealizedFont* FontOf(DcObject& dc)
{
    auto* font = Find<FontObject>(dc.state.font, OBJ_FONT);
    return font ? Realize(font->log) : nullptr;
}

// The advance of each character (dx when the caller gives them).
std::vector<int> Advances(RealizedFont& font, std::u16string_view text, const INT* dx = nullptr)
{
    std::vector<int> advances;
    for (std::size_t i = 0; i < text.size(); ++i) advances.push_back(dx ? dx[i] : GlyphOf(font, text[i]).advance);
    return advances;
}

int Sum(const std::vector<int>& values)
{
    int total = 0;
    for (int v : values) total += v;
    return total;
}

void Include(RECT& bounds, int x, int y)
{
    if (bounds.left >= bounds.right) {
        bounds = {x, y, x + 1, y + 1};
        return;
    }
    bounds.left = std::min<LONG>(bounds.left, x);
    bounds.top = std::min<LONG>(bounds.top, y);
    bounds.right = std::max<LONG>(bounds.right, x + 1);
    bounds.bottom = std::max<LONG>(bounds.bottom, y + 1);
}

// Where a string is drawn: the canvas, an optional rectangle it is clipped to
// (surface coordinates), and the device pixels it inked.
struct Pen {
    Canvas* canvas = nullptr;
    std::optional<RECT> clip;
    RECT inked{};
};

void Blend(Pen& pen, int x, int y, Pixel color, BYTE coverage)
{
    Canvas& canvas = *pen.canvas;
    if (coverage == 0 || !canvas.Inside(x, y)) return;
    if (pen.clip && !PtInRect(&*pen.clip, {x, y})) return;
    BitmapObject& target = *canvas.target;
    if (target.bitsPixel == 1) {
        if (coverage < 128) return;
        target.Put(x, y, color);
    } else if (coverage == 255) {
        target.Put(x, y, color);
    } else {
        const Pixel d = target.Get(x, y);
        Pixel out = 0;
        for (int shift = 0; shift <= 16; shift += 8) {
            const int dv = int((d >> shift) & 0xFF), tv = int((color >> shift) & 0xFF);
            out |= Pixel((dv * (255 - coverage) + tv * coverage + 127) / 255) << shift;
        }
        target.Put(x, y, out);
    }
    Include(pen.inked, x - canvas.dc->surfaceOrigin.x, y - canvas.dc->surfaceOrigin.y);
}

void FillBackground(Pen& pen, RECT r)
{
    Canvas& canvas = *pen.canvas;
    const Pixel bk = PixelOf(*canvas.dc, canvas.dc->state.bkColor);
    if (pen.clip) IntersectRect(&r, &r, &*pen.clip);
    for (LONG y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, canvas.target->height); ++y) {
        for (LONG x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, canvas.target->width); ++x) {
            if (canvas.Inside(x, y)) canvas.target->Put(x, y, bk);
        }
    }
}

// Draws the glyphs with the cell's top-left at (x, y), surface coordinates;
// underlined marks the characters drawn with an underline (the font's own
// underline marks them all). glyphsToo false draws only the underlines.
void DrawGlyphs(Pen& pen, RealizedFont& font, int x, int y, std::u16string_view text, const std::vector<int>& advances,
                const std::vector<bool>& underlined, bool glyphsToo = true)
{
    Canvas& canvas = *pen.canvas;
    const Pixel color = PixelOf(*canvas.dc, canvas.dc->state.textColor);
    const int baseline = y + int(font.tm.tmAscent);
    int penX = x;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph& glyph = GlyphOf(font, text[i]);
        if (glyphsToo) {
            for (int gy = 0; gy < glyph.rows; ++gy) {
                for (int gx = 0; gx < glyph.width; ++gx)
                    Blend(pen, penX + glyph.left + gx, baseline - glyph.top + gy, color,
                          glyph.coverage[std::size_t(gy) * std::size_t(glyph.width) + std::size_t(gx)]);
            }
        }
        const bool line = font.tm.tmUnderlined || (i < underlined.size() && underlined[i]);
        for (int t = 0; line && t < font.lineThickness; ++t) {
            for (int ux = penX; ux < penX + advances[i]; ++ux)
                Blend(pen, ux, baseline + font.underlineOffset + t, color, 255);
        }
        if (font.tm.tmStruckOut) {
            for (int ux = penX; ux < penX + advances[i]; ++ux)
                Blend(pen, ux, baseline - int(font.tm.tmAscent) / 3, color, 255);
        }
        penX += advances[i];
    }
}

TextOp NewOp(DcObject& dc, TextCall call, std::u16string_view text, UINT flags)
{
    TextOp op;
    op.call = call;
    op.window = dc.window;
    op.text = std::u16string(text);
    op.flags = flags;
    if (auto* font = Find<FontObject>(dc.state.font, OBJ_FONT)) {
        op.face = font->log.lfFaceName;
        op.height = font->log.lfHeight;
        op.weight = font->log.lfWeight;
        op.italic = font->log.lfItalic != 0;
        op.escapement = font->log.lfEscapement;
    }
    op.textColor = dc.state.textColor;
    op.bkColor = dc.state.bkColor;
    op.bkMode = dc.state.bkMode;
    return op;
}

std::u16string_view TextOf(LPCWSTR text, int count)
{
    if (!text) return {};
    if (count < 0) return std::u16string_view(text);
    return std::u16string_view(text, std::size_t(count));
}

// TextOutW and ExtTextOutW: the string placed by the text alignment.
BOOL OutputText(HDC hdc, int x, int y, UINT options, const RECT* rect, std::u16string_view text, const INT* dx,
                TextCall call)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return FALSE;
    Canvas canvas = CanvasOf(*dc);
    RealizedFont* font = FontOf(*dc);
    if (!canvas.target || !font) return FALSE;
    TextOp op = NewOp(*dc, call, text, options);
    op.origin = {x, y};
    if (rect) op.rect = *rect;

    const UINT align = dc->state.textAlign;
    if (align & TA_UPDATECP) {
        x = dc->state.current.x;
        y = dc->state.current.y;
    }
    const std::vector<int> advances = Advances(*font, text, dx);
    const int width = Sum(advances);
    int left = x;
    if ((align & TA_CENTER) == TA_CENTER)
        left = x - width / 2;
    else if (align & TA_RIGHT)
        left = x - width;
    int top = y;
    if ((align & TA_BASELINE) == TA_BASELINE)
        top = y - int(font->tm.tmAscent);
    else if (align & TA_BOTTOM)
        top = y - int(font->tm.tmHeight);
    if (align & TA_UPDATECP) dc->state.current.x = (align & TA_RIGHT) ? left : left + width;

    Pen pen{&canvas, std::nullopt, {}};
    RECT surfaceRect{};
    if (rect) {
        surfaceRect = *rect;
        OffsetRect(&surfaceRect, canvas.offset.x, canvas.offset.y);
    }
    if (rect && (options & ETO_OPAQUE)) FillBackground(pen, surfaceRect);
    if (rect && (options & ETO_CLIPPED)) pen.clip = surfaceRect;
    const int sx = left + canvas.offset.x, sy = top + canvas.offset.y;
    if (dc->state.bkMode == OPAQUE) FillBackground(pen, {sx, sy, sx + width, sy + int(font->tm.tmHeight)});
    DrawGlyphs(pen, *font, sx, sy, text, advances, {});
    op.inked = pen.inked;
    LogText(std::move(op));
    return TRUE;
}

// ---- DrawTextW -------------------------------------------------------------------------------

struct Line {
    std::u16string text;
    std::vector<bool> underlined;
};

// Takes the "&" prefixes out of the text, marking the characters they underline.
Line StripPrefixes(std::u16string_view text, UINT format)
{
    Line line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool mark = false;
        if (!(format & DT_NOPREFIX) && text[i] == u'&') {
            if (i + 1 >= text.size()) break;
            ++i;
            mark = text[i] != u'&' && !(format & DT_HIDEPREFIX);
        }
        line.text.push_back(text[i]);
        line.underlined.push_back(mark);
    }
    return line;
}

std::vector<Line> SplitLines(const Line& all, UINT format)
{
    std::vector<Line> lines(1);
    for (std::size_t i = 0; i < all.text.size(); ++i) {
        const char16_t c = all.text[i];
        if (!(format & DT_SINGLELINE) && (c == u'\r' || c == u'\n')) {
            if (c == u'\r' && i + 1 < all.text.size() && all.text[i + 1] == u'\n') ++i;
            lines.emplace_back();
            continue;
        }
        lines.back().text.push_back(c);
        lines.back().underlined.push_back(all.underlined[i]);
    }
    return lines;
}

int Width(RealizedFont& font, std::u16string_view text)
{
    return Sum(Advances(font, text));
}

Line Slice(const Line& line, std::size_t from, std::size_t to)
{
    return {line.text.substr(from, to - from), std::vector<bool>(line.underlined.begin() + std::ptrdiff_t(from),
                                                                 line.underlined.begin() + std::ptrdiff_t(to))};
}

// Breaks a line at blanks so that each piece fits the width; a word wider
// than the width stays whole unless the edit-control rule breaks it.
std::vector<Line> WrapLine(RealizedFont& font, const Line& line, int width, bool breakWords)
{
    std::vector<Line> out;
    std::size_t start = 0;
    const std::size_t n = line.text.size();
    while (start < n || out.empty()) {
        if (start >= n) {
            out.push_back({});
            break;
        }
        std::size_t end = start, lastBreak = std::string::npos;
        int extent = 0;
        while (end < n) {
            const int advance = GlyphOf(font, line.text[end]).advance;
            if (extent + advance > width && line.text[end] != u' ') break;
            if (line.text[end] == u' ') lastBreak = end;
            extent += advance;
            ++end;
        }
        if (end >= n) {
            out.push_back(Slice(line, start, n));
            break;
        }
        std::size_t cut;
        if (lastBreak != std::string::npos && lastBreak > start) {
            cut = lastBreak;
        } else if (breakWords) {
            cut = std::max(end, start + 1);
        } else {
            cut = end;
            while (cut < n && line.text[cut] != u' ') ++cut;
        }
        std::size_t trimmed = cut;
        while (trimmed > start && line.text[trimmed - 1] == u' ') --trimmed;
        out.push_back(Slice(line, start, trimmed));
        start = cut;
        while (start < n && line.text[start] == u' ') ++start;
    }
    return out;
}

// Shortens a line that is wider than the width with "...": at its end, or,
// for paths, in the middle so that the last component stays.
void Ellipsize(RealizedFont& font, Line& line, int width, UINT format)
{
    if (Width(font, line.text) <= width) return;
    const std::u16string dots = u"...";
    const std::size_t slash = line.text.rfind(u'\\');
    if ((format & DT_PATH_ELLIPSIS) && slash != std::u16string::npos) {
        const std::u16string tail = line.text.substr(slash);
        std::u16string head = line.text.substr(0, slash);
        while (!head.empty() && Width(font, head + dots + tail) > width) head.pop_back();
        line.text = head + dots + tail;
    } else {
        std::u16string head = line.text;
        while (!head.empty() && Width(font, head + dots) > width) head.pop_back();
        line.text = head + dots;
    }
    line.underlined.resize(line.text.size(), false);
}

std::u16string ExpandTabs(RealizedFont& font, const std::u16string& text)
{
    const int stop = 8 * int(font.tm.tmAveCharWidth);
    std::u16string out;
    int extent = 0;
    for (char16_t c : text) {
        if (c != u'\t') {
            out.push_back(c);
            extent += GlyphOf(font, c).advance;
            continue;
        }
        const int space = std::max(1, GlyphOf(font, u' ').advance);
        const int next = stop > 0 ? (extent / stop + 1) * stop : extent + space;
        while (extent < next) {
            out.push_back(u' ');
            extent += space;
        }
    }
    return out;
}

}  // namespace

void LogText(TextOp op)
{
    Cache().log.push_back(std::move(op));
}

std::vector<TextOp> TextLog()
{
    std::lock_guard guard(GdiLock());
    return Cache().log;
}

void ClearTextLog()
{
    std::lock_guard guard(GdiLock());
    Cache().log.clear();
}

}  // namespace vexl::gdi

using namespace vexl::gdi;

VEXL_API BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count)
{
    if (count < 0 || (count > 0 && !text)) return FALSE;
    return OutputText(hdc, x, y, 0, nullptr, TextOf(text, count), nullptr, TextCall::textOut);
}

VEXL_API BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                          const INT* dx)
{
    if (count > 0 && !text) return FALSE;
    return OutputText(hdc, x, y, options, rect, TextOf(text, int(count)), dx, TextCall::extTextOut);
}

VEXL_API BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx, LPSIZE size)
{
    if (count < 0 || (count > 0 && !text) || !size) return FALSE;
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    RealizedFont* font = dc ? FontOf(*dc) : nullptr;
    if (!font) return FALSE;
    const std::vector<int> advances = Advances(*font, TextOf(text, count));
    int extent = 0, fitted = 0;
    for (std::size_t i = 0; i < advances.size(); ++i) {
        extent += advances[i];
        if (dx) dx[i] = extent;
        if (extent <= maxExtent) fitted = int(i) + 1;
    }
    if (fit) *fit = fitted;
    *size = {extent, font->tm.tmHeight};
    return TRUE;
}

VEXL_API BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size)
{
    return GetTextExtentExPointW(hdc, text, count, 0, nullptr, nullptr, size);
}

VEXL_API BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW metrics)
{
    if (!metrics) return FALSE;
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    RealizedFont* font = dc ? FontOf(*dc) : nullptr;
    if (!font) return FALSE;
    *metrics = font->tm;
    return TRUE;
}

VEXL_API BOOL GetCharABCWidthsW(HDC hdc, UINT first, UINT last, ABC* widths)
{
    if (!widths || last < first || last > 0xFFFF) return FALSE;
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    RealizedFont* font = dc ? FontOf(*dc) : nullptr;
    if (!font) return FALSE;
    for (UINT c = first; c <= last; ++c) {
        const Glyph& glyph = GlyphOf(*font, char16_t(c));
        ABC& abc = widths[c - first];
        if (glyph.width == 0) {
            abc = {0, 0, glyph.advance};
        } else {
            abc.abcA = glyph.left;
            abc.abcB = UINT(glyph.width);
            abc.abcC = glyph.advance - glyph.left - glyph.width;
        }
    }
    return TRUE;
}

VEXL_API BOOL GetCharWidth32W(HDC hdc, UINT first, UINT last, LPINT widths)
{
    if (!widths || last < first || last > 0xFFFF) return FALSE;
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    RealizedFont* font = dc ? FontOf(*dc) : nullptr;
    if (!font) return FALSE;
    for (UINT c = first; c <= last; ++c) widths[c - first] = GlyphOf(*font, char16_t(c)).advance;
    return TRUE;
}

VEXL_API int GetTextFaceW(HDC hdc, int count, LPWSTR face)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    auto* font = dc ? Find<FontObject>(dc->state.font, OBJ_FONT) : nullptr;
    if (!font) return 0;
    const std::u16string_view name(font->log.lfFaceName);
    if (!face) return int(name.size()) + 1;
    if (count <= 0) return 0;
    const std::size_t n = std::min(name.size(), std::size_t(count - 1));
    std::copy_n(name.begin(), n, face);
    face[n] = 0;
    return int(n) + 1;
}

VEXL_API int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format)
{
    if (!rect || (count != 0 && !text)) return 0;
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    RealizedFont* font = dc ? FontOf(*dc) : nullptr;
    if (!font) return 0;
    const std::u16string_view given = TextOf(text, count);
    const bool single = format & DT_SINGLELINE;
    const int rectWidth = rect->right - rect->left;

    Line all = StripPrefixes(given, format);
    if (format & DT_EXPANDTABS) {
        all.text = ExpandTabs(*font, all.text);
        all.underlined.resize(all.text.size(), false);
    }
    std::vector<Line> lines;
    for (const Line& line : SplitLines(all, format)) {
        if ((format & DT_WORDBREAK) && !single) {
            for (Line& piece : WrapLine(*font, line, rectWidth, format & DT_EDITCONTROL))
                lines.push_back(std::move(piece));
        } else {
            lines.push_back(line);
        }
    }
    if (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
        for (Line& line : lines) Ellipsize(*font, line, rectWidth, format);
        if ((format & DT_MODIFYSTRING) && lines.size() == 1 && count != 0) {
            // The shortened text goes back into the caller's string, never past its length.
            auto* writable = const_cast<WCHAR*>(text);
            const std::size_t n = std::min(lines[0].text.size(), given.size());
            std::copy_n(lines[0].text.begin(), n, writable);
            if (n < given.size()) writable[n] = 0;
        }
    }

    const int lineHeight =
        int(font->tm.tmHeight) + ((format & DT_EXTERNALLEADING) ? int(font->tm.tmExternalLeading) : 0);
    const int height = lineHeight * int(lines.size());
    int widest = 0;
    for (const Line& line : lines) widest = std::max(widest, Width(*font, line.text));

    TextOp op = NewOp(*dc, TextCall::drawText, given, format);
    op.rect = *rect;
    if (format & DT_CALCRECT) {
        rect->right = rect->left + widest;
        rect->bottom = rect->top + height;
        LogText(std::move(op));
        return height;
    }

    Canvas canvas = CanvasOf(*dc);
    if (!canvas.target) return 0;
    int top = rect->top;
    if (single && (format & DT_VCENTER))
        top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
    else if (single && (format & DT_BOTTOM))
        top = rect->bottom - lineHeight;
    Pen pen{&canvas, std::nullopt, {}};
    if (!(format & DT_NOCLIP)) {
        RECT clip = *rect;
        OffsetRect(&clip, canvas.offset.x, canvas.offset.y);
        pen.clip = clip;
    }
    int y = top;
    for (const Line& line : lines) {
        const std::vector<int> advances = Advances(*font, line.text);
        const int width = Sum(advances);
        int x = rect->left;
        if (format & DT_CENTER)
            x = rect->left + (rectWidth - width) / 2;
        else if (format & DT_RIGHT)
            x = rect->right - width;
        const int sx = x + canvas.offset.x, sy = y + canvas.offset.y;
        if (dc->state.bkMode == OPAQUE && !(format & DT_PREFIXONLY))
            FillBackground(pen, {sx, sy, sx + width, sy + int(font->tm.tmHeight)});
        DrawGlyphs(pen, *font, sx, sy, line.text, advances, line.underlined, !(format & DT_PREFIXONLY));
        y += lineHeight;
    }
    op.inked = pen.inked;
    LogText(std::move(op));
    if (single && (format & (DT_VCENTER | DT_BOTTOM))) return top + lineHeight - rect->top;
    return height;
}

// ---- The installed fonts ----------------------------------------------------------------------

namespace {

struct Enumerated {
    ENUMLOGFONTEXW logFont{};
    NEWTEXTMETRICEXW metric{};
    DWORD type = 0;
};

void CopyName(WCHAR* to, std::size_t size, std::u16string_view from)
{
    const std::size_t n = std::min(from.size(), size - 1);
    std::copy_n(from.begin(), n, to);
    to[n] = 0;
}

std::u16string_view ScriptOf(BYTE charset)
{
    switch (charset) {
    case 0:
        return u"Western";
    case 2:
        return u"Symbol";
    case 128:
        return u"Japanese";
    case 255:
        return u"OEM/DOS";
    default:
        return u"Other";
    }
}

std::vector<Enumerated> Families(const WCHAR* face, int charset)
{
    std::vector<Enumerated> out;
    std::shared_ptr<const vexl::machine::Profile> profile = vexl::machine::CurrentProfile();
    for (const vexl::machine::FontFamily& family : profile->fonts) {
        if (face && *face && !SameFace(family.face, face)) continue;
        if (charset != int(DEFAULT_CHARSET) && charset != family.charset) continue;
        Enumerated e;
        LOGFONTW& lf = e.logFont.elfLogFont;
        CopyName(lf.lfFaceName, LF_FACESIZE, family.face);
        lf.lfHeight = 16;
        lf.lfWeight = FW_NORMAL;
        lf.lfCharSet = family.charset;
        const bool mono = family.file.find("Mono") != std::string::npos;
        const bool serif = family.file.find("Serif") != std::string::npos;
        lf.lfPitchAndFamily = BYTE((mono ? FIXED_PITCH : VARIABLE_PITCH) | (mono    ? FF_MODERN
                                                                            : serif ? FF_ROMAN
                                                                                    : FF_SWISS));
        lf.lfOutPrecision = family.type == TRUETYPE_FONTTYPE ? 3 : 1;
        if (RealizedFont* font = Realize(lf)) {
            const TEXTMETRICW& tm = font->tm;
            NEWTEXTMETRICW& ntm = e.metric.ntmTm;
            std::memcpy(&ntm, &tm, sizeof(TEXTMETRICW));
            if (family.type != TRUETYPE_FONTTYPE) ntm.tmPitchAndFamily &= BYTE(~TMPF_TRUETYPE);
            ntm.tmCharSet = family.charset;
            ntm.ntmFlags = 0x40;  // regular
            ntm.ntmSizeEM = UINT(font->em);
            ntm.ntmCellHeight = UINT(tm.tmHeight);
            ntm.ntmAvgWidth = UINT(tm.tmAveCharWidth);
            lf.lfHeight = tm.tmHeight;
            lf.lfWidth = tm.tmAveCharWidth;
        }
        CopyName(e.logFont.elfFullName, LF_FULLFACESIZE, family.face);
        CopyName(e.logFont.elfStyle, LF_FACESIZE, u"Regular");
        CopyName(e.logFont.elfScript, LF_FACESIZE, ScriptOf(family.charset));
        e.type = family.type;
        out.push_back(e);
    }
    return out;
}

int Enumerate(HDC hdc, const WCHAR* face, int charset, FONTENUMPROCW proc, LPARAM lParam)
{
    if (!proc) return 0;
    std::vector<Enumerated> families;
    {
        std::lock_guard guard(GdiLock());
        if (hdc && !FindDc(hdc)) return 0;
        families = Families(face, charset);
    }
    int result = 1;
    for (const Enumerated& e : families) {
        result = proc(&e.logFont.elfLogFont, reinterpret_cast<const TEXTMETRICW*>(&e.metric), e.type, lParam);
        if (result == 0) break;
    }
    return result;
}

}  // namespace

VEXL_API int EnumFontFamiliesW(HDC hdc, LPCWSTR faceName, FONTENUMPROCW proc, LPARAM lParam)
{
    return Enumerate(hdc, faceName, DEFAULT_CHARSET, proc, lParam);
}

VEXL_API int EnumFontFamiliesExW(HDC hdc, LOGFONTW* logFont, FONTENUMPROCW proc, LPARAM lParam, DWORD)
{
    if (!logFont) return 0;
    return Enumerate(hdc, logFont->lfFaceName, logFont->lfCharSet, proc, lParam);
}
