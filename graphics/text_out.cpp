// DrvTextOut: raster mode hands the text to the engine; vector mode sends
// the opaque box, the colour, and the string in a device font, as outline
// characters, or as downloaded glyphs.
#include "graphics/drawing.h"
#include "graphics/device_code.h"
#include "graphics/downloaded_fonts.h"
#include "graphics/hooks.h"
#include "graphics/path_encoder.h"
#include "graphics/pdev.h"
#include "graphics/text.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace vexl {
namespace {

// The colour state of a text call's brush from the call's MIX: no brush is
// black on white, a solid brush its colour on white, a pattern brush its two
// colours and its pattern.
BOOL SelectTextColor(Pdev* pdev, SURFOBJ* surface, BRUSHOBJ* brush, const POINTL* origin, MIX mix)
{
    ColorState state{};
    ColorStateFromMix(pdev, mix, &state, FALSE);
    state.kind = kColorKindText;
    state.foreground = 0;
    state.background = kWhite;
    if (brush) {
        if (brush->iSolidColor != kPatternBrushColor) {
            state.foreground = brush->iSolidColor & 0xFFFFFF;
        } else {
            const RealizedBrush* realized = SelectBrush(pdev, surface, brush, origin);
            if (!realized || !SelectPattern(pdev->stream, pdev->states, realized)) return FALSE;
            state.foreground = realized->color1;
            state.background = realized->color2;
        }
        state.hostMatched = (brush->flColorType & BR_HOST_ICM) != 0;
    }
    SwapColorStateRedBlue(&state);
    return SelectBackgroundMode(pdev->stream, pdev->states, state.backgroundMode) &&
           SelectRop(pdev->stream, pdev->states, Rop2ToRop3(state.rop2)) &&
           SelectColor(pdev->stream, pdev->states, &state);
}

bool IsEmpty(const RECTL& r)
{
    return r.left == r.right || r.top == r.bottom;
}

LONG Truncate(double v)
{
    if (v >= 2147483647.0) return 0x7FFFFFFF;
    if (v <= -2147483648.0) return static_cast<LONG>(0x80000000u);
    return static_cast<LONG>(v);
}

// The length in whole pixels of a font-unit vector (a along the font's x
// axis, b along its y axis) on the page: measured in tenths of a pixel, then
// rounded.
LONG PixelLength(double a, double b)
{
    const std::int64_t tenths = IntegerHypot(Truncate(a * 10.0), Truncate(b * 10.0));
    return static_cast<LONG>((tenths + 5) / 10);
}

// The em sizes, ascender, descender and internal leading of the font, in
// pixels of the page.
BOOL ComputeTextMetrics(FONTOBJ* font, const IFIMETRICS& ifi, TextMetrics* out)
{
    XFORMOBJ* xo = FONTOBJ_pxoGetXform(font);
    if (!xo || XFORMOBJ_iGetFloatObjXform(xo, &out->xform) == DDI_ERROR) return FALSE;
    const FLOATOBJ_XFORM& t = out->xform;
    const double units = ifi.fwdUnitsPerEm;
    out->emX = PixelLength(t.eM11 * units, t.eM12 * units);
    out->emY = PixelLength(t.eM21 * units, t.eM22 * units);
    out->ascender = PixelLength(t.eM21 * ifi.fwdWinAscender, t.eM22 * ifi.fwdWinAscender);
    out->descender = PixelLength(t.eM21 * ifi.fwdWinDescender, t.eM22 * ifi.fwdWinDescender);
    const LONG leading = out->ascender + out->descender - out->emY;
    out->internalLeading = leading > 0 ? leading : 0;
    return TRUE;
}

const WCHAR* NameOf(const IFIMETRICS& ifi, PTRDIFF offset)
{
    return reinterpret_cast<const WCHAR*>(reinterpret_cast<const BYTE*>(&ifi) + offset);
}

bool Equals(const char* bytes, std::string_view text)
{
    return std::string_view(bytes) == text;
}

bool HasFullwidthDfg(const char* bytes)
{
    static constexpr char kPrefix[] = {'\x82', '\x63', '\x82', '\x65', '\x82', '\x66'};
    return std::strncmp(bytes, kPrefix, sizeof kPrefix) == 0;
}

bool ContainsGaiji(const WCHAR* name)
{
    return std::u16string_view(name).find(u"外字") != std::u16string_view::npos;
}

bool HasPrivateUseCharacter(const STROBJ* string)
{
    if (!string->pwszOrg) return false;
    for (ULONG i = 0; i < string->cGlyphs; ++i)
        if (string->pwszOrg[i] > 0xDFFF && string->pwszOrg[i] <= 0xF8FF) return true;
    return false;
}

// Appends "_" and the id in lower-case hexadecimal; the name was converted
// with room for it.
void AppendFontId(char* name, ULONG id)
{
    std::size_t length = strnlen(name, kFontNameBytes);
    static constexpr char kDigits[] = "0123456789abcdef";
    char hex[9];
    int n = 0;
    do {
        hex[n++] = kDigits[id & 0xF];
        id >>= 4;
    } while (id && n < 8);
    if (length + 1 + n + 1 > kFontNameBytes) return;
    name[length++] = '_';
    while (n) name[length++] = hex[--n];
    name[length] = 0;
}

constexpr ULONG kMaxStringChars = 0xFFFF;

SHORT ClampShort(LONG v)
{
    return static_cast<SHORT>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}

// The escapement of the font: the angle of its x axis, counter-clockwise
// from 0 to 359.
WORD Escapement(const FLOATOBJ_XFORM& t)
{
    LONG x = ScaleFloat(t.eM11, 5000), y = ScaleFloat(t.eM12, 5000);
    while (x > 32767 || x < -32768 || y > 32767 || y < -32768) {
        x /= 2;
        y /= 2;
    }
    const LONG g = VectorAngle(static_cast<SHORT>(x), static_cast<SHORT>(y));
    return static_cast<WORD>(g > 0 ? 360 - g : -g);
}

bool Mirrored(const FLOATOBJ_XFORM& t)
{
    const LONG a = ScaleFloat(t.eM11, 5000), d = ScaleFloat(t.eM22, 5000);
    return (a < 0 && d > 0) || (a > 0 && d < 0);
}

}  // namespace

BOOL CollectGlyphPositions(Pdev* pdev, STROBJ* string, GlyphPositions* out)
{
    *out = GlyphPositions{string->pgp, string->cGlyphs, FALSE};
    if (string->pgp || string->cGlyphs == 0) return TRUE;
    auto* positions = static_cast<GLYPHPOS*>(PdevPoolAlloc(pdev->pool, sizeof(GLYPHPOS) * string->cGlyphs));
    if (!positions) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    ULONG taken = 0;
    STROBJ_vEnumStart(string);
    BOOL more = TRUE;
    while (more && taken < string->cGlyphs) {
        ULONG count = 0;
        GLYPHPOS* batch = nullptr;
        more = STROBJ_bEnum(string, &count, &batch);
        if (!batch) break;
        for (ULONG i = 0; i < count && taken < string->cGlyphs; ++i) positions[taken++] = batch[i];
    }
    *out = GlyphPositions{positions, taken, TRUE};
    return TRUE;
}

void ReleaseGlyphPositions(Pdev* pdev, GlyphPositions* positions)
{
    if (positions->owned) PdevPoolFree(pdev->pool, positions->positions);
    *positions = GlyphPositions{};
}

std::size_t ConvertFontName(char* out, const WCHAR* name, std::size_t reserve)
{
    const std::size_t length = std::u16string_view(name).size();
    const std::size_t room = kFontNameBytes - 1 - reserve;
    const std::size_t chars = length < 128 ? length : 128;
    const std::size_t written = ToDeviceCode(out, room, name, chars * sizeof(WCHAR), kDeviceCodeMode);
    std::memset(out + written, 0, kFontNameBytes - written);
    return written;
}

BOOL SelectDeviceFont(Pdev* pdev, STROBJ* string, FONTOBJ* font, const IFIMETRICS& ifi, const TextMetrics& sizes,
                      FontSelection* s)
{
    *s = FontSelection{};
    s->simItalic = (font->flFontType & FO_SIM_ITALIC) != 0;
    s->simBold = (font->flFontType & FO_SIM_BOLD) != 0;
    s->emboldened = s->simBold;
    const bool newSystem = pdev->osVersion.dwMajorVersion >= 6;
    const USHORT restricted = newSystem ? 0x4 : (0x4 | 0x8);
    s->kind = (ifi.fsType & restricted) ? 4 : 2;
    s->vertical = (string->flAccel & SO_VERTICAL) != 0;
    s->weight = ifi.usWinWeight;
    s->angle = Escapement(sizes.xform);
    if (Mirrored(sizes.xform)) s->kind = 4;
    s->emX = static_cast<WORD>(sizes.emX);
    s->emY = static_cast<WORD>(sizes.emY);
    const FLOATOBJ_XFORM& t = sizes.xform;
    s->avgWidth = static_cast<WORD>(IntegerHypot((Truncate(t.eM11 * 10.0 * ifi.fwdAveCharWidth) + 5) / 10,
                                                 (Truncate(t.eM12 * 10.0 * ifi.fwdAveCharWidth) + 5) / 10));
    s->internalLeading = static_cast<WORD>(sizes.internalLeading);

    // Room for "_" and eight hexadecimal digits of the private-character rule.
    constexpr std::size_t kSuffix = 9;
    const WCHAR* names[2] = {NameOf(ifi, ifi.dpwszFamilyName), NameOf(ifi, ifi.dpwszFaceName)};
    char* fields[2] = {s->familyName, s->faceName};
    bool eudc = false;
    for (int i = 0; i < 2; ++i) {
        ConvertFontName(fields[i], names[i], kSuffix);
        if (Equals(fields[i], "EUDC")) {
            eudc = true;
            if (pdev->frontFunction)
                s->kind = 4;
            else if (s->kind == 4)
                s->kind = 2;
        }
        if (HasFullwidthDfg(fields[i])) s->kind = 4;
        if (pdev->frontFunction && ContainsGaiji(names[i])) s->kind = 4;
    }
    const bool glyphIndices = (string->flAccel & SO_GLYPHINDEX_TEXTOUT) != 0;
    if (glyphIndices) s->kind = 4;
    s->fontClass = glyphIndices ? kFontClassGlyphIndices : 2;
    s->charSet = ifi.jWinCharSet;
    s->pitchAndFamily = ifi.jWinPitchAndFamily;
    s->defaultChar = ifi.wcDefaultChar;
    s->fontId = static_cast<LONG>(font->iUniq);

    bool privateMark = false;
    if (pdev->frontFunction) {
        if (HasPrivateUseCharacter(string)) {
            s->kind = 4;
            privateMark = true;
        }
        if (eudc) privateMark = true;
    }
    auto& cache = pdev->states.font;
    if (privateMark && s->kind == 4) {
        AppendFontId(s->familyName, font->iUniq);
        AppendFontId(s->faceName, font->iUniq);
        cache.valid = false;
        return EmitFontSelectRecord(pdev->stream, *s) != nullptr;
    }
    if (cache.valid && cache.fontId == s->fontId && cache.fontClass == s->fontClass) return TRUE;
    cache.valid = true;
    cache.fontId = s->fontId;
    cache.fontClass = s->fontClass;
    return EmitFontSelectRecord(pdev->stream, *s) != nullptr;
}

namespace {

// Character by character, each moved back by the ascender along the
// escapement, in a box of the em sizes.
BOOL DrawDeviceChars(Pdev* pdev, STROBJ* string, const GlyphPositions& glyphs, const TextMetrics& sizes,
                     const FontSelection& s)
{
    const LONG sine = SinQ14(s.angle), cosine = CosQ14(s.angle);
    for (ULONG i = 0; i < glyphs.count; ++i) {
        const POINTL& p = glyphs.positions[i].ptl;
        const LONG x = p.x - static_cast<LONG>((std::int64_t(sizes.ascender) * sine) >> 14);
        const LONG y = p.y - static_cast<LONG>((std::int64_t(sizes.ascender) * cosine) >> 14);
        const RECTL box{x, y, x + sizes.emX, y + sizes.emY};
        const WORD code = string->pwszOrg ? string->pwszOrg[i] : static_cast<WORD>(glyphs.positions[i].hg);
        if (!EmitDeviceCharRecord(pdev->stream, box, x, y, code)) return FALSE;
    }
    return TRUE;
}

}  // namespace

BOOL DrawDeviceText(Pdev* pdev, STROBJ* string, const TextMetrics& sizes, const FontSelection& s)
{
    if (string->cGlyphs == 0) return TRUE;
    const WCHAR* chars = string->pwszOrg;
    if (!chars) return FALSE;
    const RECTL& box = string->rclBkGround;
    // A string record counts its characters in 16 bits: a longer string goes
    // character by character.
    const bool fitsOneRecord = string->cGlyphs <= kMaxStringChars;
    if (fitsOneRecord && (string->flAccel & SO_FLAG_DEFAULT_PLACEMENT) && string->ulCharInc) {
        const LONG inc = static_cast<LONG>(string->ulCharInc);
        const SHORT advance = ClampShort((string->flAccel & SO_REVERSED) ? -inc : inc);
        if (string->ulCharInc <= 32767)
            return EmitDeviceStringRecord(pdev->stream, box, box.left, box.top, &advance, 1, chars, string->cGlyphs) !=
                   nullptr;
    }
    GlyphPositions glyphs;
    if (!CollectGlyphPositions(pdev, string, &glyphs)) return FALSE;
    BOOL result = FALSE;
    const bool horizontal = (string->flAccel & SO_HORIZONTAL) != 0;
    const bool vertical = (string->flAccel & SO_VERTICAL) != 0;
    bool oneRecord = fitsOneRecord && s.angle == 0 && (horizontal || vertical) && glyphs.count == string->cGlyphs;
    SHORT* advances = nullptr;
    if (oneRecord) {
        advances = static_cast<SHORT*>(PdevPoolAlloc(pdev->pool, sizeof(SHORT) * glyphs.count));
        if (!advances) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            ReleaseGlyphPositions(pdev, &glyphs);
            return FALSE;
        }
        for (ULONG i = 0; oneRecord && i < glyphs.count; ++i) {
            if (i + 1 == glyphs.count) {
                advances[i] = 0;
                break;
            }
            const POINTL& a = glyphs.positions[i].ptl;
            const POINTL& b = glyphs.positions[i + 1].ptl;
            const std::int64_t step = horizontal ? std::int64_t(b.x) - a.x : std::int64_t(b.y) - a.y;
            const bool sameLine = horizontal ? a.y == b.y : a.x == b.x;
            // The record keeps each advance in 16 signed bits.
            if (!sameLine || step > 32767 || step < -32767)
                oneRecord = false;
            else
                advances[i] = static_cast<SHORT>(step);
        }
    }
    if (oneRecord) {
        const POINTL& first = glyphs.positions[0].ptl;
        result = EmitDeviceStringRecord(pdev->stream, box, first.x, first.y - sizes.ascender, advances, glyphs.count,
                                        chars, glyphs.count) != nullptr;
    } else {
        result = DrawDeviceChars(pdev, string, glyphs, sizes, s);
    }
    if (advances) PdevPoolFree(pdev->pool, advances);
    ReleaseGlyphPositions(pdev, &glyphs);
    return result;
}

BOOL DrawOutlineGlyphs(Pdev* pdev, STROBJ* string, FONTOBJ* font)
{
    GlyphPositions glyphs;
    if (!CollectGlyphPositions(pdev, string, &glyphs)) return FALSE;
    const bool placed = (string->flAccel & SO_FLAG_DEFAULT_PLACEMENT) && string->ulCharInc;
    const bool horizontal = (string->flAccel & SO_HORIZONTAL) != 0;
    BOOL result = TRUE;
    for (ULONG i = 0; i < glyphs.count && result; ++i) {
        GLYPHPOS& g = glyphs.positions[i];
        GLYPHDATA* data = nullptr;
        HGLYPH hg = g.hg;
        if (FONTOBJ_cGetGlyphs(font, FO_PATHOBJ, 1, &hg, reinterpret_cast<PVOID*>(&data)) != 1 || !data ||
            !data->gdf.ppo) {
            result = FALSE;
            break;
        }
        PATHOBJ* path = data->gdf.ppo;
        RECTFX bounds{};
        PATHOBJ_vGetBounds(path, &bounds);
        POINTL at = g.ptl;
        if (placed) {
            const LONG step = static_cast<LONG>(i * string->ulCharInc);
            at = glyphs.positions[0].ptl;
            if (horizontal)
                at.x += step;
            else
                at.y += step;
        }
        const LONG x = at.x + (bounds.xLeft >> 4), y = at.y + (bounds.yTop >> 4);
        const RECTL box{x, y, at.x + ((bounds.xRight + 15) >> 4), at.y + ((bounds.yBottom + 15) >> 4)};
        BOOL closed = FALSE;
        std::uint32_t size = 0;
        BYTE* body = EncodePathBodyInPool(pdev->pool, path, &closed, -bounds.xLeft, -bounds.yTop, &size);
        if (!body) {
            result = FALSE;
            break;
        }
        const WORD code = string->pwszOrg ? string->pwszOrg[i] : static_cast<WORD>(g.hg);
        result = EmitOutlineCharRecord(pdev->stream, box, x, y, code, body, size) != nullptr;
        PdevPoolFree(pdev->pool, body);
    }
    ReleaseGlyphPositions(pdev, &glyphs);
    return result;
}

BOOL DrvTextOut(SURFOBJ* surface, STROBJ* string, FONTOBJ* font, CLIPOBJ* clip, RECTL* extra, RECTL* opaque,
                BRUSHOBJ* foreground, BRUSHOBJ* opaqueBrush, POINTL* brushOrigin, MIX mix)
{
    Pdev* pdev = surface ? PdevFromSurface(surface) : nullptr;
    const IFIMETRICS* ifi = font ? FONTOBJ_pifi(font) : nullptr;
    if (!surface || !string || !font || !IsValidPdev(pdev) || !ifi) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (pdev->hiddenFunc18) return TRUE;
    if (pdev->flags & kPdevOutputFailed) return FALSE;
    if (pdev->rasterMode != 0) {
        POINTL zero{0, 0};
        return EngTextOut(surface, string, font, clip, extra, opaque, foreground, opaqueBrush,
                          brushOrigin ? brushOrigin : &zero, mix);
    }
    if (SelectClip(pdev, clip) < 0) return FALSE;
    if (opaqueBrush && opaque && !IsEmpty(*opaque)) {
        if (!SelectTextColor(pdev, surface, opaqueBrush, brushOrigin, mix) ||
            !EmitRectangleRecord(pdev->stream, *opaque))
            return FALSE;
    }
    if (!SelectTextColor(pdev, surface, foreground, brushOrigin, mix)) return FALSE;
    TextMetrics sizes{};
    if (!ComputeTextMetrics(font, *ifi, &sizes)) return FALSE;

    FontSelection selection;
    BOOL drawn = FALSE;
    if (pdev->textAsBitmap == 0 || pdev->printMethod == 5 || pdev->apiUseFlag) {
        drawn = SelectDeviceFont(pdev, string, font, *ifi, sizes, &selection) &&
                (selection.kind == 2 ? DrawDeviceText(pdev, string, sizes, selection)
                                     : DrawOutlineGlyphs(pdev, string, font));
    } else {
        drawn = SelectDownloadedFont(pdev, string, font, clip, *ifi, sizes, &selection) &&
                (selection.kind == 2 ? DrawDeviceText(pdev, string, sizes, selection)
                                     : DrawDownloadedText(pdev, font, string, sizes, selection));
    }
    if (!drawn) return FALSE;
    for (RECTL* r = extra; r && !IsEmpty(*r); ++r)
        if (!EmitRectangleRecord(pdev->stream, *r)) return FALSE;
    return TRUE;
}

}  // namespace vexl
