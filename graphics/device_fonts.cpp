// The device fonts: their descriptions and glyph sets from the library's
// resources, and the four font queries of the engine.
#include "graphics/device_font_data.h"
#include "graphics/hooks.h"
#include "graphics/pdev.h"
#include "graphics/text.h"

#include "common/core/le.h"

#include <cmath>
#include <cstddef>
#include <cstring>

namespace vexl {
namespace {

// The symbol sets, compared by text (rows 0 to 3), with their character
// sets; the end row closes the table.
constexpr SymbolSetRow kSymbolSets[kSymbolSetRows] = {
    {"ROMA;J83;KATA", 128, nullptr}, {"ROMA;J83V;KATA", 128, nullptr}, {"IBML;IBM850", 0, nullptr},
    {"SYML;SYMR", 2, nullptr},       {"DNGL;DNGR", 2, nullptr},        {nullptr, 0, nullptr},
};
constexpr int kComparedSymbolSets = 4;

// The glyph-set resource of a symbol set: 0 and 1 share id 2, the others id 3.
int GlyphSetResourceOf(int symbolSet)
{
    return symbolSet <= 1 ? 2 : 3;
}

int SymbolSetIndex(const char* text, std::size_t length)
{
    for (int i = 0; i < kComparedSymbolSets; ++i)
        if (std::strlen(kSymbolSets[i].text) == length && std::memcmp(kSymbolSets[i].text, text, length) == 0) return i;
    return kDefaultSymbolSet;
}

// A font description as the code reads it: its size, the IFIMETRICS and
// the names inside it, and a terminated symbol-set text.
bool CheckFontResource(const BYTE* bytes, ULONG size, std::size_t* textAt, std::size_t* textLength)
{
    if (!bytes || size < kMinDeviceFontResource || ReadLe32(bytes) > size) return false;
    const std::uint32_t ifiAt = ReadLe32(bytes + 4);
    if (ifiAt % 8 || ifiAt > size || size - ifiAt < sizeof(IFIMETRICS)) return false;
    IFIMETRICS ifi;
    std::memcpy(&ifi, bytes + ifiAt, sizeof ifi);
    if (ifi.cjThis < sizeof(IFIMETRICS) || ifi.cjThis > size - ifiAt || ifi.fwdUnitsPerEm <= 0) return false;
    for (PTRDIFF name : {ifi.dpwszFamilyName, ifi.dpwszFaceName}) {
        if (name < 0 || static_cast<std::size_t>(name) + 2 > ifi.cjThis || name % 2) return false;
        bool terminated = false;
        for (std::size_t at = ifiAt + name; at + 2 <= ifiAt + ifi.cjThis && !terminated; at += 2)
            terminated = ReadLe16(bytes + at) == 0;
        if (!terminated) return false;
    }
    const std::uint32_t text = ReadLe32(bytes + kSymbolSetOffsetField);
    if (text >= size) return false;
    const void* end = std::memchr(bytes + text, 0, size - text);
    if (!end) return false;
    *textAt = text;
    *textLength = static_cast<const BYTE*>(end) - (bytes + text);
    return true;
}

// Copies a glyph-set resource into the pool and turns each run's offset
// into the address of its handles: the arrays follow the runs in run order.
FD_GLYPHSET* LoadGlyphSet(Pdev* pdev, int id)
{
    ULONG size = 0;
    const auto* bytes =
        static_cast<const BYTE*>(EngFindResource(pdev->deviceFonts->module, id, kGlyphSetResourceType, &size));
    const std::size_t runsAt = offsetof(FD_GLYPHSET, awcrun);
    if (!bytes || size < runsAt) return nullptr;
    const std::uint32_t runs = ReadLe32(bytes + 12);
    if (runs == 0 || runs > (size - runsAt) / sizeof(WCRUN)) return nullptr;
    const std::size_t handlesAt = runsAt + std::size_t(runs) * sizeof(WCRUN);
    std::size_t handles = 0;
    for (std::uint32_t i = 0; i < runs; ++i) handles += ReadLe16(bytes + runsAt + i * sizeof(WCRUN) + 2);
    if (handles > (size - handlesAt) / sizeof(HGLYPH)) return nullptr;
    auto* set = static_cast<FD_GLYPHSET*>(PdevPoolAlloc(pdev->pool, size));
    if (!set) return nullptr;
    std::memcpy(set, bytes, size);
    set->cjThis = size;
    auto* first = reinterpret_cast<HGLYPH*>(reinterpret_cast<BYTE*>(set) + handlesAt);
    std::size_t before = 0;
    for (std::uint32_t i = 0; i < runs; ++i) {
        set->awcrun[i].phg = first + before;
        before += set->awcrun[i].cGlyphs;
    }
    return set;
}

const IFIMETRICS* DeviceFontMetrics(Pdev* pdev, ULONG font)
{
    const DeviceFontTable* table = pdev->deviceFonts;
    if (!table || font < 1 || font > static_cast<ULONG>(table->count)) return nullptr;
    return table->fonts[font - 1].metrics;
}

// The font of a FONTOBJ that names a device font; else ERROR_INVALID_PARAMETER.
const IFIMETRICS* KnownDeviceFont(Pdev* pdev, FONTOBJ* font)
{
    const IFIMETRICS* metrics = font ? DeviceFontMetrics(pdev, font->iFace) : nullptr;
    if (!metrics) SetLastError(ERROR_INVALID_PARAMETER);
    return metrics;
}

bool FontTransform(FONTOBJ* font, FLOATOBJ_XFORM* xform)
{
    XFORMOBJ* xo = FONTOBJ_pxoGetXform(font);
    return xo && XFORMOBJ_iGetFloatObjXform(xo, xform) != DDI_ERROR;
}

// T applied to (x, y), each part truncated toward zero.
POINTL Apply(const FLOATOBJ_XFORM& t, LONG x, LONG y)
{
    const double px = double(t.eM11) * x + double(t.eM21) * y;
    const double py = double(t.eM12) * x + double(t.eM22) * y;
    auto clamp = [](double v) {
        return static_cast<LONG>(std::fmax(std::fmin(std::trunc(v), 2147483647.0), -2147483648.0));
    };
    return POINTL{clamp(px), clamp(py)};
}

LONG Length(POINTL p)
{
    return IntegerHypot(p.x, p.y);
}

// A whole pixel in 28.4: + 8 with the low four bits cleared.
LONG RoundFix(LONG value)
{
    return static_cast<LONG>((static_cast<std::int64_t>(value) + 8) & ~std::int64_t(15));
}

POINTE Unit(POINTL p)
{
    const double length = std::hypot(double(p.x), double(p.y));
    if (length == 0) return POINTE{0, 0};
    return POINTE{static_cast<FLOATL>(p.x / length), static_cast<FLOATL>(p.y / length)};
}

constexpr LONG kDeviceMetricsSize = sizeof(FD_DEVICEMETRICS);

LONG FillDeviceMetrics(const IFIMETRICS& ifi, const FLOATOBJ_XFORM& t, FD_DEVICEMETRICS* out)
{
    FD_DEVICEMETRICS m{};
    m.flRealizedType = 0;
    m.pteBase = Unit(Apply(t, 1000, 0));
    m.pteSide = Unit(Apply(t, 0, -1000));
    m.cxMax = static_cast<ULONG>(Length(Apply(t, ifi.fwdMaxCharInc, 0)));
    m.lD = (ifi.flInfo & FM_INFO_CONSTANT_WIDTH) ? static_cast<LONG>(m.cxMax) : 0;
    const LONG top = ifi.rclFontBox.top;
    const LONG bottom = ifi.rclFontBox.bottom;
    LONG descent = bottom < 0 ? -bottom : bottom;
    const bool fixedPitch = (ifi.jWinPitchAndFamily & 3) == FIXED_PITCH;
    if (fixedPitch && !(ifi.flInfo & FM_INFO_DBCS_FIXED_PITCH)) {
        const LONG excess = top - bottom - 1000;
        if (excess > 0) descent = descent > excess ? descent - excess : 0;
    }
    m.fxMaxAscender = RoundFix(Length(Apply(t, 0, top)));
    m.fxMaxDescender = RoundFix(Length(Apply(t, 0, descent)));
    m.ptlUnderline1 = Apply(t, 0, -ifi.fwdUnderscorePosition);
    m.ptlStrikeOut = Apply(t, 0, -ifi.fwdStrikeoutPosition);
    m.ptlULThickness = Apply(t, 0, ifi.fwdUnderscoreSize);
    m.ptlSOThickness = m.ptlULThickness;
    *out = m;
    return kDeviceMetricsSize;
}

void FillGlyphData(const IFIMETRICS& ifi, const FLOATOBJ_XFORM& t, HGLYPH glyph, GLYPHDATA* data)
{
    const LONG advance = GetDeviceAdvance(ifi, glyph);
    const POINTL base = Apply(t, 4096, 0);
    const LONG l = Length(base);
    auto inkOf = [&](LONG boxValue) {
        const LONG length = Length(Apply(t, 0, boxValue));
        return RoundFix(boxValue < 0 ? -length : length);
    };
    *data = GLYPHDATA{};
    data->hg = glyph;
    data->fxD = RoundFix(static_cast<LONG>((std::int64_t(advance) * l) >> 12));
    data->fxA = 0;
    data->fxAB = data->fxD;
    data->fxInkTop = inkOf(ifi.rclFontBox.top);
    data->fxInkBottom = inkOf(ifi.rclFontBox.bottom);
    const LONG dx = RoundFix(static_cast<LONG>((std::int64_t(base.x) * advance) >> 12));
    const LONG dy = RoundFix(static_cast<LONG>((std::int64_t(base.y) * advance) >> 12));
    data->ptqD.x = static_cast<LONGLONG>(static_cast<std::uint64_t>(static_cast<std::uint32_t>(dx)) << 32);
    data->ptqD.y = static_cast<LONGLONG>(static_cast<std::uint64_t>(static_cast<std::uint32_t>(dy)) << 32);
}

// The empty kerning-pair list: its terminator only.
const FD_KERNINGPAIR kNoKerningPairs[1] = {};

}  // namespace

LONG IntegerHypot(LONG a, LONG b)
{
    const std::uint64_t ua = a < 0 ? std::uint64_t(-std::int64_t(a)) : std::uint64_t(a);
    const std::uint64_t ub = b < 0 ? std::uint64_t(-std::int64_t(b)) : std::uint64_t(b);
    if (ua == 0) return static_cast<LONG>(ub > 0x7FFFFFFF ? 0x7FFFFFFF : ub);
    if (ub == 0) return static_cast<LONG>(ua > 0x7FFFFFFF ? 0x7FFFFFFF : ua);
    const std::uint64_t square = ua * ua + ub * ub;
    auto r = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(square)));
    while (r > 0 && r * r >= square) --r;
    while (r * r < square) ++r;
    return static_cast<LONG>(r > 0x7FFFFFFF ? 0x7FFFFFFF : r);
}

LONG GetDeviceAdvance(const IFIMETRICS& metrics, HGLYPH glyph)
{
    if (glyph < 256 || glyph == 0x8640 || (glyph >> 8) == 0x85) return metrics.fwdAveCharWidth;
    return metrics.fwdMaxCharInc;
}

DeviceFontTable* LoadDeviceFonts(Pdev* pdev, HMODULE module, LONG* count)
{
    if (count) *count = 0;
    auto* table = static_cast<DeviceFontTable*>(PdevPoolAlloc(pdev->pool, sizeof(DeviceFontTable)));
    if (!table) return nullptr;
    *table = DeviceFontTable{};
    table->count = kDeviceFontCount;
    table->module = module;
    std::memcpy(table->symbolSets, kSymbolSets, sizeof kSymbolSets);
    for (int i = 0; i < kDeviceFontCount; ++i) {
        ULONG size = 0;
        const auto* bytes = static_cast<const BYTE*>(EngFindResource(module, i + 1, kDeviceFontResourceType, &size));
        std::size_t textAt = 0, textLength = 0;
        BYTE* copy = CheckFontResource(bytes, size, &textAt, &textLength)
                         ? static_cast<BYTE*>(PdevPoolAlloc(pdev->pool, size))
                         : nullptr;
        if (!copy) {
            pdev->deviceFonts = table;
            FreeDeviceFonts(pdev, table);
            pdev->deviceFonts = nullptr;
            return nullptr;
        }
        std::memcpy(copy, bytes, size);
        DeviceFontEntry& font = table->fonts[i];
        font.resource = copy;
        font.size = size;
        font.metrics = reinterpret_cast<IFIMETRICS*>(copy + ReadLe32(copy + 4));
        font.symbolSet = SymbolSetIndex(reinterpret_cast<const char*>(copy + textAt), textLength);
    }
    if (count) *count = table->count;
    return table;
}

void FreeDeviceFonts(Pdev* pdev, DeviceFontTable* table)
{
    if (!table) return;
    for (int i = 0; i < kSymbolSetRows; ++i) {
        FD_GLYPHSET* set = table->symbolSets[i].glyphSet;
        if (!set) continue;
        // Sets that share a resource share one copy.
        for (int k = i; k < kSymbolSetRows; ++k)
            if (table->symbolSets[k].glyphSet == set) table->symbolSets[k].glyphSet = nullptr;
        PdevPoolFree(pdev->pool, set);
    }
    for (DeviceFontEntry& font : table->fonts)
        if (font.resource) PdevPoolFree(pdev->pool, font.resource);
    PdevPoolFree(pdev->pool, table);
}

FD_GLYPHSET* GetDeviceGlyphSet(Pdev* pdev, ULONG font)
{
    if (!DeviceFontMetrics(pdev, font)) return nullptr;
    DeviceFontTable* table = pdev->deviceFonts;
    const int symbolSet = table->fonts[font - 1].symbolSet;
    SymbolSetRow& row = table->symbolSets[symbolSet];
    if (row.glyphSet) return row.glyphSet;
    const int id = GlyphSetResourceOf(symbolSet);
    for (int i = 0; i < kComparedSymbolSets; ++i) {
        if (table->symbolSets[i].glyphSet && GlyphSetResourceOf(i) == id) {
            row.glyphSet = table->symbolSets[i].glyphSet;
            return row.glyphSet;
        }
    }
    row.glyphSet = LoadGlyphSet(pdev, id);
    return row.glyphSet;
}

ULONG DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ*)
{
    // The engine hands glyphs as bitmaps.
    return ValidPdev(dhpdev) ? FO_GLYPHBITS : 0;
}

IFIMETRICS* DrvQueryFont(DHPDEV dhpdev, ULONG_PTR, ULONG index, ULONG_PTR* id)
{
    if (id) *id = 0;
    Pdev* pdev = ValidPdev(dhpdev);
    const IFIMETRICS* metrics = pdev ? DeviceFontMetrics(pdev, index) : nullptr;
    if (!metrics) SetLastError(ERROR_INVALID_PARAMETER);
    return const_cast<IFIMETRICS*>(metrics);
}

PVOID DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR, ULONG index, ULONG mode, ULONG_PTR* id)
{
    if (id) *id = 0;
    Pdev* pdev = ValidPdev(dhpdev);
    if (!pdev) return nullptr;
    if (mode == QFT_KERNPAIRS) return const_cast<FD_KERNINGPAIR*>(kNoKerningPairs);
    if (mode == QFT_GLYPHSET) {
        FD_GLYPHSET* set = GetDeviceGlyphSet(pdev, index);
        if (!set) SetLastError(ERROR_INVALID_PARAMETER);
        return set;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

LONG DrvQueryFontData(DHPDEV dhpdev, FONTOBJ* font, ULONG mode, HGLYPH glyph, GLYPHDATA* data, PVOID output, ULONG size)
{
    Pdev* pdev = ValidPdev(dhpdev);
    if (!pdev) return -1;
    const IFIMETRICS* metrics = KnownDeviceFont(pdev, font);
    if (!metrics || (mode != QFD_GLYPHANDBITMAP && mode != QFD_MAXEXTENTS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (mode == QFD_GLYPHANDBITMAP && !data) return 0;
    FLOATOBJ_XFORM t;
    if (!FontTransform(font, &t)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (mode == QFD_GLYPHANDBITMAP) {
        FillGlyphData(*metrics, t, glyph, data);
        return 0;
    }
    // The device metrics: their size for a caller that asks without a buffer.
    if (!output) return kDeviceMetricsSize;
    if (size < static_cast<ULONG>(kDeviceMetricsSize)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return -1;
    }
    return FillDeviceMetrics(*metrics, t, static_cast<FD_DEVICEMETRICS*>(output));
}

BOOL DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* font, ULONG mode, HGLYPH* glyphs, PVOID widths, ULONG count)
{
    Pdev* pdev = ValidPdev(dhpdev);
    if (!pdev) return FALSE;
    if (mode != QAW_GETWIDTHS && mode != QAW_GETEASYWIDTHS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (count == 0) return TRUE;
    const IFIMETRICS* metrics = KnownDeviceFont(pdev, font);
    FLOATOBJ_XFORM t;
    if (!metrics || !glyphs || !widths || !FontTransform(font, &t)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const LONG s = Length(Apply(t, 4096, 0));
    auto* out = static_cast<USHORT*>(widths);
    for (ULONG i = 0; i < count; ++i) {
        const std::int64_t width = (std::int64_t(GetDeviceAdvance(*metrics, glyphs[i])) * s) >> 12;
        out[i] = static_cast<USHORT>(RoundFix(static_cast<LONG>(width)));
    }
    return TRUE;
}

}  // namespace vexl
