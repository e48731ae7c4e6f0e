#include "graphics/downloaded_fonts.h"

#include "graphics/device_code.h"
#include "graphics/glyph_cache.h"
#include "graphics/pdev.h"

#include <cstring>
#include <string_view>

namespace vexl {
namespace {

constexpr std::u16string_view kStandInFamilies[] = {u"@ｺﾞｼｯｸ", u"@明朝", u"ｺﾞｼｯｸ", u"明朝"};

bool IsStandInFamily(const char* name)
{
    for (std::u16string_view family : kStandInFamilies) {
        char bytes[kFontNameBytes];
        const std::size_t n =
            ToDeviceCode(bytes, sizeof bytes - 1, family.data(), family.size() * sizeof(WCHAR), kDeviceCodeMode);
        if (strnlen(name, kFontNameBytes) == n && std::memcmp(name, bytes, n) == 0) return true;
    }
    return false;
}

const WCHAR* NameOf(const IFIMETRICS& ifi, PTRDIFF offset)
{
    return reinterpret_cast<const WCHAR*>(reinterpret_cast<const BYTE*>(&ifi) + offset);
}

LONG Truncate(double v)
{
    if (v >= 2147483647.0) return 0x7FFFFFFF;
    if (v <= -2147483648.0) return static_cast<LONG>(0x80000000u);
    return static_cast<LONG>(v);
}

bool IsSpecial(const FontSelection& s, const FLOATOBJ_XFORM& t)
{
    const LONG a = ScaleFloat(t.eM11, 5000), d = ScaleFloat(t.eM22, 5000);
    return std::string_view(s.familyName) == "EUDC" || std::string_view(s.faceName) == "EUDC" || (a < 0 && d > 0) ||
           (a > 0 && d < 0);
}

// One glyph of a string as the engine renders it.
struct FetchedGlyph {
    const GLYPHBITS* bits;  // null: the engine could not give it
    WORD code;
};

FetchedGlyph FetchGlyph(FONTOBJ* font, const STROBJ* string, const GLYPHPOS& position, ULONG index)
{
    GLYPHDATA* data = nullptr;
    HGLYPH hg = position.hg;
    const WORD code = string->pwszOrg ? string->pwszOrg[index] : static_cast<WORD>(hg);
    if (FONTOBJ_cGetGlyphs(font, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&data)) != 1 || !data || !data->gdf.pgb)
        return FetchedGlyph{nullptr, code};
    const GLYPHBITS* bits = data->gdf.pgb;
    if (bits->sizlBitmap.cx < 0 || bits->sizlBitmap.cy < 0) return FetchedGlyph{nullptr, code};
    return FetchedGlyph{bits, code};
}

std::uint32_t RowBytes(const GLYPHBITS* bits)
{
    return (static_cast<std::uint32_t>(bits->sizlBitmap.cx) + 7) / 8;
}
std::uint32_t BitmapBytes(const GLYPHBITS* bits)
{
    return RowBytes(bits) * static_cast<std::uint32_t>(bits->sizlBitmap.cy);
}

// A glyph's bitmap for a record: compressed into a pool buffer when that is
// shorter, else the engine's own rows.
struct PreparedBitmap {
    BYTE* buffer;
    const BYTE* bitmap;
    std::uint32_t size;
    BYTE compression;
};

bool PrepareBitmap(Pdev* pdev, const GLYPHBITS* bits, PreparedBitmap* out)
{
    const std::uint32_t size = BitmapBytes(bits);
    const std::uint32_t capacity = (size + 3) & ~3u;
    auto* buffer = static_cast<BYTE*>(PdevPoolAlloc(pdev->pool, capacity ? capacity : 4));
    if (!buffer) return false;
    std::memset(buffer, 0, capacity ? capacity : 4);
    const std::uint32_t compressed =
        size ? TryCompressGlyph(bits->aj, buffer, capacity, static_cast<std::uint32_t>(bits->sizlBitmap.cy),
                                RowBytes(bits))
             : 0;
    if (compressed)
        *out = PreparedBitmap{buffer, buffer, compressed, kGlyphCompressed};
    else
        *out = PreparedBitmap{buffer, bits->aj, size, kGlyphUncompressed};
    return true;
}

BYTE GlyphFlags(const FontSelection& s)
{
    return s.fontClass == kFontClassGlyphIndices ? kGlyphFlagIndices : kGlyphFlagCharacters;
}

BOOL DrawGlyphsOneByOne(Pdev* pdev, FONTOBJ* font, STROBJ* string, const GlyphPositions& glyphs,
                        const TextMetrics& sizes, const FontSelection& s, bool useCache)
{
    BYTE flags = GlyphFlags(s);
    const LONG sine = SinQ14(s.angle), cosine = CosQ14(s.angle);
    const ULONG fontId = static_cast<ULONG>(s.fontId);
    for (ULONG i = 0; i < glyphs.count; ++i) {
        const GLYPHPOS& position = glyphs.positions[i];
        const FetchedGlyph glyph = FetchGlyph(font, string, position, i);
        if (!glyph.bits) continue;
        const GLYPHBITS* bits = glyph.bits;
        GlyphDraw draw{};
        draw.type = useCache ? kRecordGlyphKept : kRecordGlyphOnce;
        const LONG left = position.ptl.x + bits->ptlOrigin.x, top = position.ptl.y + bits->ptlOrigin.y;
        draw.box = RECTL{left, top, left + bits->sizlBitmap.cx, top + bits->sizlBitmap.cy};
        draw.cellTop = POINTL{position.ptl.x - static_cast<LONG>((std::int64_t(sizes.ascender) * sine) >> 14),
                              position.ptl.y - static_cast<LONG>((std::int64_t(sizes.ascender) * cosine) >> 14)};
        draw.bitmapOrigin = POINTL{left, top};
        draw.width = bits->sizlBitmap.cx;
        draw.height = bits->sizlBitmap.cy;
        draw.code = glyph.code;
        const WORD generation = pdev->glyphGeneration;
        const ULONG bucket = GlyphCacheBucket(fontId, generation, glyph.code);
        if (useCache && FindGlyphCacheEntry(pdev, bucket, fontId, generation, glyph.code, s.fontClass)) {
            flags |= kGlyphFlagKept;
            draw.flags = flags;
            if (!EmitGlyphRecord(pdev->stream, draw)) return FALSE;
            continue;
        }
        PreparedBitmap bitmap;
        if (!PrepareBitmap(pdev, bits, &bitmap)) {
            // The pool is short: what the cache holds goes back first.
            ClearGlyphCache(pdev);
            if (!PrepareBitmap(pdev, bits, &bitmap)) return FALSE;
        }
        draw.flags = flags;
        draw.bitmap = bitmap.bitmap;
        draw.size = bitmap.size;
        draw.compression = bitmap.compression;
        const bool sent = EmitGlyphRecord(pdev->stream, draw) != nullptr;
        PdevPoolFree(pdev->pool, bitmap.buffer);
        if (!sent) return FALSE;
        if (useCache) {
            const WORD now = pdev->glyphGeneration;
            if (!AddGlyphCacheEntry(pdev, GlyphCacheBucket(fontId, now, glyph.code), fontId, now, glyph.code,
                                    s.fontClass))
                ClearGlyphCache(pdev);
        }
    }
    return TRUE;
}

BOOL DefineMissingGlyphs(Pdev* pdev, FONTOBJ* font, STROBJ* string, const GlyphPositions& glyphs,
                         const FontSelection& s)
{
    const ULONG fontId = static_cast<ULONG>(s.fontId);
    const WORD generation = pdev->glyphGeneration;
    for (ULONG i = 0; i < glyphs.count; ++i) {
        // The cache is keyed by the string's code: a kept glyph is not fetched.
        const WORD code = string->pwszOrg ? string->pwszOrg[i] : static_cast<WORD>(glyphs.positions[i].hg);
        const ULONG bucket = GlyphCacheBucket(fontId, generation, code);
        if (FindGlyphCacheEntry(pdev, bucket, fontId, generation, code, s.fontClass)) continue;
        const FetchedGlyph glyph = FetchGlyph(font, string, glyphs.positions[i], i);
        if (!glyph.bits) continue;
        // A glyph without pixels has nothing the printer could keep.
        if (BitmapBytes(glyph.bits) == 0) return FALSE;
        PreparedBitmap bitmap;
        if (!PrepareBitmap(pdev, glyph.bits, &bitmap)) return FALSE;
        const GlyphDefinition definition{GlyphFlags(s), glyph.bits->sizlBitmap.cx, glyph.bits->sizlBitmap.cy,
                                         glyph.code,    bitmap.compression,        bitmap.bitmap,
                                         bitmap.size};
        const bool sent = EmitGlyphDefinitionRecord(pdev->stream, definition) != nullptr;
        PdevPoolFree(pdev->pool, bitmap.buffer);
        if (!sent) return FALSE;
        if (!AddGlyphCacheEntry(pdev, bucket, fontId, generation, glyph.code, s.fontClass)) return FALSE;
    }
    return TRUE;
}

// The run's entries: 16-bit steps between the glyphs' bitmap origins. A
// step the field cannot hold answers FALSE.
bool BuildRunEntries(FONTOBJ* font, STROBJ* string, const GlyphPositions& glyphs, GlyphRunEntry* entries, POINTL* start)
{
    const bool placed = (string->flAccel & SO_FLAG_DEFAULT_PLACEMENT) && string->ulCharInc;
    const bool horizontal = (string->flAccel & SO_HORIZONTAL) != 0;
    POINTL reference{};
    bool haveReference = false;
    for (ULONG i = 0; i < glyphs.count; ++i) {
        const FetchedGlyph glyph = FetchGlyph(font, string, glyphs.positions[i], i);
        entries[i] = GlyphRunEntry{0, 0, glyph.code};
        if (!glyph.bits) {
            if (i == 0) *start = POINTL{string->rclBkGround.left, string->rclBkGround.top};
            continue;
        }
        POINTL at = glyphs.positions[i].ptl;
        if (placed) {
            at = glyphs.positions[0].ptl;
            const std::int64_t step = std::int64_t(i) * string->ulCharInc;
            if (horizontal)
                at.x = static_cast<LONG>(at.x + step);
            else
                at.y = static_cast<LONG>(at.y + step);
        }
        at.x += glyph.bits->ptlOrigin.x;
        at.y += glyph.bits->ptlOrigin.y;
        if (i == 0) *start = at;
        if (!haveReference) {
            reference = i == 0 ? at : *start;
            haveReference = true;
        }
        if (i == 0) continue;
        const std::int64_t dx = std::int64_t(at.x) - reference.x, dy = std::int64_t(at.y) - reference.y;
        if (dx < -32768 || dx > 32767 || dy < -32768 || dy > 32767) return false;
        entries[i].dx = static_cast<SHORT>(dx);
        entries[i].dy = static_cast<SHORT>(dy);
        reference = at;
    }
    return true;
}

constexpr ULONG kMaxRunGlyphs = 0xFFFF;

BOOL DrawCachedGlyphRun(Pdev* pdev, FONTOBJ* font, STROBJ* string, const GlyphPositions& glyphs,
                        const TextMetrics& sizes, const FontSelection& s)
{
    // A string longer than a run can count goes glyph by glyph.
    if (glyphs.count > kMaxRunGlyphs) return DrawGlyphsOneByOne(pdev, font, string, glyphs, sizes, s, true);
    if (!DefineMissingGlyphs(pdev, font, string, glyphs, s)) {
        ClearGlyphCache(pdev);
        return DrawGlyphsOneByOne(pdev, font, string, glyphs, sizes, s, false);
    }
    const std::size_t bytes = (sizeof(GlyphRunEntry) * glyphs.count + 3) & ~std::size_t(3);
    auto* entries = static_cast<GlyphRunEntry*>(PdevPoolAlloc(pdev->pool, bytes ? bytes : 4));
    if (!entries) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    POINTL start{};
    BOOL result;
    if (BuildRunEntries(font, string, glyphs, entries, &start)) {
        result = EmitGlyphRunRecord(pdev->stream, GlyphFlags(s), string->rclBkGround, start.x, start.y, entries,
                                    glyphs.count) != nullptr;
    } else {
        // Glyphs too far apart for the run's 16-bit steps go one by one,
        // from the cache the definitions just filled.
        result = DrawGlyphsOneByOne(pdev, font, string, glyphs, sizes, s, true);
    }
    PdevPoolFree(pdev->pool, entries);
    return result;
}

}  // namespace

BOOL SelectDownloadedFont(Pdev* pdev, STROBJ* string, FONTOBJ* font, CLIPOBJ*, const IFIMETRICS& ifi,
                          const TextMetrics& sizes, FontSelection* s)
{
    auto& cache = pdev->states.font;
    const signed char fontClass = (string->flAccel & SO_GLYPHINDEX_TEXTOUT) ? kFontClassGlyphIndices : 2;
    const FontSelection& last = pdev->downloadedFont;
    // The font the printer has selected: its selection as it was made.
    if (cache.valid && cache.fontId == static_cast<LONG>(font->iUniq) && cache.fontClass == fontClass &&
        last.fontId == cache.fontId && last.fontClass == fontClass && last.kind != 0 &&
        last.vertical == ((string->flAccel & SO_VERTICAL) != 0)) {
        *s = last;
        s->generation = pdev->glyphGeneration;
        return TRUE;
    }
    *s = FontSelection{};
    s->simItalic = (font->flFontType & FO_SIM_ITALIC) != 0;
    s->simBold = (font->flFontType & FO_SIM_BOLD) != 0;
    s->emboldened = s->simBold;
    s->vertical = (string->flAccel & SO_VERTICAL) != 0;
    s->weight = ifi.usWinWeight;
    s->charSet = ifi.jWinCharSet;
    s->pitchAndFamily = ifi.jWinPitchAndFamily;
    const FLOATOBJ_XFORM& t = sizes.xform;
    LONG x = ScaleFloat(t.eM11, 5000), y = ScaleFloat(t.eM12, 5000);
    while (x > 32767 || x < -32768 || y > 32767 || y < -32768) {
        x /= 2;
        y /= 2;
    }
    const LONG a = VectorAngle(static_cast<SHORT>(x), static_cast<SHORT>(y));
    s->angle = static_cast<WORD>(a > 0 ? 360 - a : -a);
    s->emX = static_cast<WORD>(sizes.emX);
    s->emY = static_cast<WORD>(sizes.emY);
    s->avgWidth = static_cast<WORD>(IntegerHypot((Truncate(t.eM11 * 10.0 * ifi.fwdAveCharWidth) + 5) / 10,
                                                 (Truncate(t.eM12 * 10.0 * ifi.fwdAveCharWidth) + 5) / 10));
    s->internalLeading = static_cast<WORD>(sizes.internalLeading);
    s->kind = 5;
    ConvertFontName(s->familyName, NameOf(ifi, ifi.dpwszFamilyName), 0);
    ConvertFontName(s->faceName, NameOf(ifi, ifi.dpwszFaceName), 0);
    if (IsStandInFamily(s->familyName) || IsStandInFamily(s->faceName)) s->kind = 2;
    s->fontClass = fontClass;
    s->fontId = static_cast<LONG>(font->iUniq);
    s->generation = pdev->glyphGeneration;
    s->defaultChar = ifi.wcDefaultChar;
    pdev->downloadedFont = *s;

    if (cache.valid && cache.fontId == s->fontId && cache.fontClass == s->fontClass) return TRUE;
    cache.valid = true;
    cache.fontId = s->fontId;
    cache.fontClass = s->fontClass;
    const BYTE* record =
        s->kind == 5 ? EmitDownloadFontRecord(pdev->stream, *s) : EmitFontSelectRecord(pdev->stream, *s);
    if (!record) cache.valid = false;
    return record != nullptr;
}

BOOL DrawDownloadedText(Pdev* pdev, FONTOBJ* font, STROBJ* string, const TextMetrics& sizes, const FontSelection& s)
{
    GlyphPositions glyphs;
    if (!CollectGlyphPositions(pdev, string, &glyphs)) return FALSE;
    BOOL result;
    if (IsSpecial(s, sizes.xform))
        result = DrawGlyphsOneByOne(pdev, font, string, glyphs, sizes, s, false);
    else if (s.angle != 0 || s.vertical)
        result = DrawGlyphsOneByOne(pdev, font, string, glyphs, sizes, s, true);
    else
        result = DrawCachedGlyphRun(pdev, font, string, glyphs, sizes, s);
    ReleaseGlyphPositions(pdev, &glyphs);
    return result;
}

}  // namespace vexl
