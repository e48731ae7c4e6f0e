// The engine's blits on its bitmaps: copies through a colour translation,
// raster operations with brushes and masks, stretching with mirroring, and
// erasing. A blit to a device surface goes to the driver's DrvCopyBits with
// a bitmap, as the engine breaks a call down for a driver.
#include "engine_objects.h"
#include "platform/engine.h"
#include "platform/kernel.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vexl::engine {

RECTL Intersect(const RECTL& a, const RECTL& b)
{
    return RECTL{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
}

bool IsEmpty(const RECTL& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

std::vector<RECTL> ClipRects(CLIPOBJ* pco, const RECTL& bounds)
{
    std::vector<RECTL> rects;
    auto add = [&](const RECTL& r) {
        const RECTL cut = Intersect(r, bounds);
        if (!IsEmpty(cut)) rects.push_back(cut);
    };
    if (!pco || pco->iDComplexity == DC_TRIVIAL) {
        add(bounds);
    } else if (pco->iDComplexity == DC_RECT) {
        add(pco->rclBounds);
    } else {
        for (const RECTL& r : static_cast<ClipRecord*>(pco)->rects) add(r);
    }
    return rects;
}

ULONG TranslateColor(XLATEOBJ* pxlo, ULONG value)
{
    if (!pxlo || (pxlo->flXlate & XO_TRIVIAL) || !pxlo->pulXlate || pxlo->cEntries == 0) return value;
    return value < pxlo->cEntries ? pxlo->pulXlate[value] : 0;
}

namespace {

bool IsIndexed(ULONG format)
{
    return format == BMF_1BPP || format == BMF_4BPP || format == BMF_8BPP;
}

ULONG Luminance(ULONG rgb)
{
    return (((rgb >> 16) & 0xFF) * 30 + ((rgb >> 8) & 0xFF) * 59 + (rgb & 0xFF) * 11) / 100;
}

ULONG From555(ULONG v)
{
    auto expand = [](ULONG five) { return (five << 3) | (five >> 2); };
    return (expand((v >> 10) & 31) << 16) | (expand((v >> 5) & 31) << 8) | expand(v & 31);
}

ULONG To555(ULONG rgb)
{
    return (((rgb >> 19) & 31) << 10) | (((rgb >> 11) & 31) << 5) | ((rgb >> 3) & 31);
}

// A source pixel as the destination stores it.
ULONG ConvertPixel(ULONG value, ULONG srcFormat, ULONG dstFormat, XLATEOBJ* pxlo)
{
    const bool table = pxlo && !(pxlo->flXlate & XO_TRIVIAL) && pxlo->pulXlate && pxlo->cEntries > 0;
    if (table && IsIndexed(srcFormat)) {
        value = TranslateColor(pxlo, value);
        if (dstFormat == BMF_16BPP) return To555(value);
        if (dstFormat == BMF_24BPP) return value & 0xFFFFFF;
        return value;
    }
    if (srcFormat == dstFormat) return value;
    // Without a table the value keeps its colour between direct formats.
    ULONG rgb = value;
    if (srcFormat == BMF_16BPP)
        rgb = From555(value);
    else if (srcFormat == BMF_32BPP)
        rgb = value & 0xFFFFFF;
    else if (srcFormat == BMF_1BPP)
        rgb = value ? 0xFFFFFF : 0;
    switch (dstFormat) {
    case BMF_1BPP:
        return IsIndexed(srcFormat) ? (value & 1) : (Luminance(rgb) >= 128 ? 1 : 0);
    case BMF_4BPP:
        return IsIndexed(srcFormat) ? (value & 0x0F) : Luminance(rgb) >> 4;
    case BMF_8BPP:
        return IsIndexed(srcFormat) ? (value & 0xFF) : Luminance(rgb);
    case BMF_16BPP:
        return To555(rgb);
    case BMF_24BPP:
        return rgb;
    case BMF_32BPP:
        return rgb;
    default:
        return value;
    }
}

ULONG PixelMask(ULONG format)
{
    const ULONG bits = BitsPerPixel(format);
    return bits >= 32 ? 0xFFFFFFFF : (ULONG(1) << bits) - 1;
}

// The ternary raster operation on every bit of the three values.
ULONG ApplyRop3(ULONG rop3, ULONG pattern, ULONG source, ULONG dest)
{
    ULONG result = 0;
    for (int k = 0; k < 8; ++k) {
        if (!(rop3 & (1u << k))) continue;
        result |= ((k & 4) ? pattern : ~pattern) & ((k & 2) ? source : ~source) & ((k & 1) ? dest : ~dest);
    }
    return result;
}

bool UsesSource(ULONG rop3)
{
    return ((rop3 >> 2) ^ rop3) & 0x33;
}
bool UsesPattern(ULONG rop3)
{
    return ((rop3 >> 4) ^ rop3) & 0x0F;
}

RECTL Bounds(const SURFOBJ* pso)
{
    return RECTL{0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
}

bool IsKnownBitmap(SURFOBJ* pso)
{
    std::lock_guard guard(EngineLock());
    SurfaceRecord* record = FindSurface(pso);
    return record && record->so.iType == STYPE_BITMAP && record->so.pvScan0;
}

// The driver's DrvCopyBits for a device surface, when the surface's hooks take it.
PFN_DrvCopyBits DriverCopyBits(SURFOBJ* pso)
{
    std::lock_guard guard(EngineLock());
    SurfaceRecord* record = FindSurface(pso);
    if (!record || !(record->hooks & HOOK_COPYBITS)) return nullptr;
    DeviceRecord* device = FindDevice(record->so.hdev);
    if (!device) return nullptr;
    const auto it = device->hooks.find(INDEX_DrvCopyBits);
    return it == device->hooks.end() ? nullptr : HookAs<PFN_DrvCopyBits>(it->second);
}

bool IsDeviceSurface(SURFOBJ* pso)
{
    return pso && pso->iType != STYPE_BITMAP;
}

std::uint8_t* RowAt(const SURFOBJ* pso, LONG y)
{
    return static_cast<std::uint8_t*>(pso->pvScan0) + std::ptrdiff_t(y) * pso->lDelta;
}

// Fills `bytes` bytes with the repeated pattern, a whole number of pixels
// long, in stores of the pattern's size.
template <std::size_t N> void FillWithPattern(std::uint8_t* to, std::size_t bytes, const std::uint8_t (&pattern)[N])
{
    std::size_t done = 0;
    for (; done + N <= bytes; done += N) std::memcpy(to + done, pattern, N);
    for (std::size_t i = 0; done < bytes; ++done, ++i) to[done] = pattern[i];
}

// Sets the pixels [left, right) of a row to one value as the format stores it.
void FillRow(std::uint8_t* row, ULONG format, LONG left, LONG right, ULONG value)
{
    switch (format) {
    case BMF_1BPP: {
        const std::uint8_t ones = (value & 1) ? 0xFF : 0x00;
        LONG x = left;
        for (; x < right && (x & 7); ++x) {
            const auto bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
            row[x >> 3] = static_cast<std::uint8_t>(ones ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
        }
        const LONG wholeEnd = right & ~LONG{7};
        if (x < wholeEnd) {
            std::memset(row + (x >> 3), ones, static_cast<std::size_t>((wholeEnd - x) >> 3));
            x = wholeEnd;
        }
        for (; x < right; ++x) {
            const auto bit = static_cast<std::uint8_t>(0x80 >> (x & 7));
            row[x >> 3] = static_cast<std::uint8_t>(ones ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
        }
        return;
    }
    case BMF_8BPP:
        std::memset(row + left, static_cast<int>(value & 0xFF), static_cast<std::size_t>(right - left));
        return;
    case BMF_24BPP: {
        const auto b0 = static_cast<std::uint8_t>(value), b1 = static_cast<std::uint8_t>(value >> 8),
                   b2 = static_cast<std::uint8_t>(value >> 16);
        std::uint8_t* p = row + 3 * std::ptrdiff_t(left);
        const std::size_t bytes = 3 * static_cast<std::size_t>(right - left);
        if (b0 == b1 && b1 == b2) {
            std::memset(p, b0, bytes);
            return;
        }
        // Eight pixels laid once, then stored 24 bytes at a time.
        std::uint8_t pattern[24];
        for (int i = 0; i < 24; i += 3) {
            pattern[i] = b0;
            pattern[i + 1] = b1;
            pattern[i + 2] = b2;
        }
        FillWithPattern(p, bytes, pattern);
        return;
    }
    case BMF_32BPP: {
        std::uint8_t pattern[32];
        for (int i = 0; i < 32; i += 4) std::memcpy(pattern + i, &value, 4);
        FillWithPattern(row + 4 * std::ptrdiff_t(left), 4 * static_cast<std::size_t>(right - left), pattern);
        return;
    }
    default: {
        SURFOBJ one{};
        one.pvScan0 = row;
        one.iBitmapFormat = format;
        for (LONG x = left; x < right; ++x) SetPixel(&one, x, 0, value);
        return;
    }
    }
}

// A solid PATCOPY fill: the first row of each rectangle filled as a run,
// the rows under it copied from it when pixels are whole bytes.
void FillSolid(SURFOBJ* dst, CLIPOBJ* pco, const RECTL& area, ULONG value)
{
    const ULONG format = dst->iBitmapFormat;
    const std::size_t bytesPerPixel = BitsPerPixel(format) / 8;
    ForEachClipRect(pco, area, [&](const RECTL& r) {
        FillRow(RowAt(dst, r.top), format, r.left, r.right, value);
        const std::uint8_t* first = RowAt(dst, r.top) + bytesPerPixel * std::size_t(r.left);
        const std::size_t bytes = bytesPerPixel * std::size_t(r.right - r.left);
        for (LONG y = r.top + 1; y < r.bottom; ++y) {
            if (bytesPerPixel == 0)
                FillRow(RowAt(dst, y), format, r.left, r.right, value);
            else
                std::memcpy(RowAt(dst, y) + bytesPerPixel * std::size_t(r.left), first, bytes);
        }
    });
}

// A source copy without a mask: rows of the same format and no colour table
// are copied as bytes, others converted pixel by pixel along the row.
void CopyRows(SURFOBJ* dst, SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, const RECTL& target, const RECTL& area,
              POINTL from)
{
    const bool table = pxlo && !(pxlo->flXlate & XO_TRIVIAL) && pxlo->pulXlate && pxlo->cEntries > 0;
    const ULONG srcFormat = src->iBitmapFormat, dstFormat = dst->iBitmapFormat;
    const bool raw = srcFormat == dstFormat && !(table && IsIndexed(srcFormat)) && BitsPerPixel(dstFormat) >= 8;
    const std::ptrdiff_t bytesPerPixel = BitsPerPixel(dstFormat) / 8;
    // The destination columns and rows whose source pixels exist.
    const RECTL sourced{target.left - from.x, target.top - from.y, target.left - from.x + src->sizlBitmap.cx,
                        target.top - from.y + src->sizlBitmap.cy};
    ForEachClipRect(pco, Intersect(area, sourced), [&](const RECTL& r) {
        for (LONG y = r.top; y < r.bottom; ++y) {
            const LONG sy = from.y + (y - target.top);
            const LONG sx = from.x + (r.left - target.left);
            if (raw) {
                std::memcpy(RowAt(dst, y) + bytesPerPixel * r.left, RowAt(src, sy) + bytesPerPixel * sx,
                            static_cast<std::size_t>(bytesPerPixel * (r.right - r.left)));
                continue;
            }
            for (LONG x = r.left; x < r.right; ++x)
                SetPixel(dst, x, y, ConvertPixel(GetPixel(src, sx + (x - r.left), sy), srcFormat, dstFormat, pxlo));
        }
    });
}

// The engine's own 8 x 8 hatches by style, bit 7 leftmost: 1 is the line.
constexpr BYTE kHatchRows[HS_DDI_MAX][8] = {
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HS_BDIAGONAL
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HS_DIAGCROSS
};

// The brush's colour at a destination pixel, in the destination's terms. A
// hatch draws its line in index 1 of its translation on index 0.
ULONG BrushPixel(BRUSHOBJ* pbo, const SURFOBJ* dst, LONG x, LONG y, const POINTL* origin)
{
    if (!pbo) return 0;
    if (pbo->iSolidColor != 0xFFFFFFFF) return pbo->iSolidColor;
    auto* brush = static_cast<BrushRecord*>(pbo);
    if (!brush->pattern && brush->hatch < HS_DDI_MAX) {
        const LONG ox = origin ? origin->x : 0, oy = origin ? origin->y : 0;
        const LONG px = (((x - ox) % 8) + 8) % 8, py = (((y - oy) % 8) + 8) % 8;
        const ULONG line = (kHatchRows[brush->hatch][py] >> (7 - px)) & 1;
        return ConvertPixel(line, BMF_1BPP, dst->iBitmapFormat, brush->xlate);
    }
    if (!brush->pattern || brush->pattern->sizlBitmap.cx <= 0 || brush->pattern->sizlBitmap.cy <= 0) return 0;
    const LONG ox = origin ? origin->x : 0, oy = origin ? origin->y : 0;
    const LONG w = brush->pattern->sizlBitmap.cx, h = brush->pattern->sizlBitmap.cy;
    const LONG px = (((x - ox) % w) + w) % w, py = (((y - oy) % h) + h) % h;
    return ConvertPixel(GetPixel(brush->pattern, px, py), brush->pattern->iBitmapFormat, dst->iBitmapFormat,
                        brush->xlate);
}

}  // namespace
}  // namespace vexl::engine

using namespace vexl::engine;

BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclTrg,
               POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4)
{
    const ULONG foreground = rop4 & 0xFF, background = (rop4 >> 8) & 0xFF;
    const bool needsSource = UsesSource(foreground) || UsesSource(background);
    const bool needsMask = foreground != background;
    if (!psoTrg || !prclTrg || (needsSource && (!psoSrc || !IsKnownBitmap(psoSrc))) ||
        (needsMask && (!psoMask || psoMask->iBitmapFormat != BMF_1BPP || !IsKnownBitmap(psoMask))) ||
        ((UsesPattern(foreground) || UsesPattern(background)) && !pbo)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (IsDeviceSurface(psoTrg)) {
        // A device surface takes a plain copy from the driver's own hook.
        PFN_DrvCopyBits copyBits = DriverCopyBits(psoTrg);
        if (rop4 != 0xCCCC || !copyBits) {
            SetLastError(ERROR_NOT_SUPPORTED);
            return FALSE;
        }
        return copyBits(psoTrg, psoSrc, pco, pxlo, prclTrg, pptlSrc);
    }
    if (!IsKnownBitmap(psoTrg)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const RECTL target{std::min(prclTrg->left, prclTrg->right), std::min(prclTrg->top, prclTrg->bottom),
                       std::max(prclTrg->left, prclTrg->right), std::max(prclTrg->top, prclTrg->bottom)};
    const POINTL src = pptlSrc ? *pptlSrc : POINTL{0, 0};
    const POINTL mask = pptlMask ? *pptlMask : POINTL{0, 0};
    const ULONG dstMask = PixelMask(psoTrg->iBitmapFormat);
    const RECTL area = Intersect(target, Bounds(psoTrg));
    if (IsEmpty(area)) return TRUE;
    if (rop4 == 0xF0F0 && pbo && pbo->iSolidColor != 0xFFFFFFFF) {
        FillSolid(psoTrg, pco, area, pbo->iSolidColor & dstMask);
        return TRUE;
    }
    if (rop4 == 0xCCCC) {
        CopyRows(psoTrg, psoSrc, pco, pxlo, target, area, src);
        return TRUE;
    }
    if (rop4 == 0xF0F0) {
        // A pattern or hatch copied as it is: the brush's pixels, nothing read back.
        ForEachClipRect(pco, area, [&](const RECTL& r) {
            for (LONG y = r.top; y < r.bottom; ++y)
                for (LONG x = r.left; x < r.right; ++x)
                    SetPixel(psoTrg, x, y, BrushPixel(pbo, psoTrg, x, y, pptlBrush) & dstMask);
        });
        return TRUE;
    }
    for (const RECTL& r : ClipRects(pco, area)) {
        for (LONG y = r.top; y < r.bottom; ++y) {
            for (LONG x = r.left; x < r.right; ++x) {
                const LONG sx = src.x + (x - target.left), sy = src.y + (y - target.top);
                ULONG s = 0;
                if (needsSource) {
                    if (sx < 0 || sy < 0 || sx >= psoSrc->sizlBitmap.cx || sy >= psoSrc->sizlBitmap.cy) continue;
                    s = ConvertPixel(GetPixel(psoSrc, sx, sy), psoSrc->iBitmapFormat, psoTrg->iBitmapFormat, pxlo);
                }
                ULONG rop3 = foreground;
                if (needsMask) {
                    const LONG mx = mask.x + (x - target.left), my = mask.y + (y - target.top);
                    const bool set = mx >= 0 && my >= 0 && mx < psoMask->sizlBitmap.cx && my < psoMask->sizlBitmap.cy &&
                                     GetPixel(psoMask, mx, my);
                    rop3 = set ? foreground : background;
                }
                const ULONG p = BrushPixel(pbo, psoTrg, x, y, pptlBrush);
                const ULONG d = GetPixel(psoTrg, x, y);
                SetPixel(psoTrg, x, y, ApplyRop3(rop3, p, s, d) & dstMask);
            }
        }
    }
    return TRUE;
}

BOOL EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest, POINTL* pptlSrc)
{
    return EngBitBlt(psoDest, psoSrc, nullptr, pco, pxlo, prclDest, pptlSrc, nullptr, nullptr, nullptr, 0xCCCC);
}

namespace {

// A 4 x 4 ordered dither threshold, 0-255.
ULONG DitherThreshold(LONG x, LONG y)
{
    static constexpr ULONG kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    return kBayer[y & 3][x & 3] * 16 + 8;
}

ULONG SourceColor(ULONG value, ULONG format, XLATEOBJ* pxlo)
{
    return ConvertPixel(value, format, BMF_24BPP, pxlo);
}

// Stretches into an engine bitmap; the destination rectangle may be mirrored.
BOOL StretchIntoBitmap(SURFOBJ* dst, SURFOBJ* src, CLIPOBJ* pco, XLATEOBJ* pxlo, const RECTL& dest, const RECTL& source,
                       ULONG iMode)
{
    const bool mirrorX = dest.right < dest.left, mirrorY = dest.bottom < dest.top;
    const RECTL area{std::min(dest.left, dest.right), std::min(dest.top, dest.bottom), std::max(dest.left, dest.right),
                     std::max(dest.top, dest.bottom)};
    const std::int64_t dw = area.right - area.left, dh = area.bottom - area.top;
    const std::int64_t sw = source.right - source.left, sh = source.bottom - source.top;
    if (dw == 0 || dh == 0 || sw <= 0 || sh <= 0) return TRUE;
    const bool dither = iMode == HALFTONE && dst->iBitmapFormat == BMF_1BPP;
    const RECTL visible = Intersect(area, Bounds(dst));
    if (IsEmpty(visible)) return TRUE;
    // The source column of every visible destination column, worked out once.
    std::vector<LONG> columns(static_cast<std::size_t>(visible.right - visible.left));
    for (LONG x = visible.left; x < visible.right; ++x) {
        std::int64_t u = x - area.left;
        if (mirrorX) u = dw - 1 - u;
        columns[static_cast<std::size_t>(x - visible.left)] =
            static_cast<LONG>(source.left + (2 * u + 1) * sw / (2 * dw));
    }
    ForEachClipRect(pco, visible, [&](const RECTL& r) {
        for (LONG y = r.top; y < r.bottom; ++y) {
            std::int64_t v = y - area.top;
            if (mirrorY) v = dh - 1 - v;
            const LONG sy = static_cast<LONG>(source.top + (2 * v + 1) * sh / (2 * dh));
            if (sy < 0 || sy >= src->sizlBitmap.cy) continue;
            for (LONG x = r.left; x < r.right; ++x) {
                const LONG sx = columns[static_cast<std::size_t>(x - visible.left)];
                if (sx < 0 || sx >= src->sizlBitmap.cx) continue;
                const ULONG value = GetPixel(src, sx, sy);
                if (dither) {
                    const ULONG luminance = Luminance(SourceColor(value, src->iBitmapFormat, pxlo));
                    SetPixel(dst, x, y, luminance >= DitherThreshold(x, y));
                } else {
                    SetPixel(dst, x, y, ConvertPixel(value, src->iBitmapFormat, dst->iBitmapFormat, pxlo));
                }
            }
        }
    });
    return TRUE;
}

}  // namespace

BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ*, CLIPOBJ* pco, XLATEOBJ* pxlo, COLORADJUSTMENT*, POINTL*,
                   RECTL* prclDest, RECTL* prclSrc, POINTL*, ULONG iMode)
{
    if (!psoDest || !psoSrc || !prclDest || !IsKnownBitmap(psoSrc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const RECTL source = prclSrc ? *prclSrc : Bounds(psoSrc);
    if (!IsDeviceSurface(psoDest)) {
        if (!IsKnownBitmap(psoDest)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        return StretchIntoBitmap(psoDest, psoSrc, pco, pxlo, *prclDest, source, iMode);
    }
    // A device surface: render into a bitmap of the device's format, then hand it to DrvCopyBits.
    PFN_DrvCopyBits copyBits = DriverCopyBits(psoDest);
    if (!copyBits) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    RECTL area{std::min(prclDest->left, prclDest->right), std::min(prclDest->top, prclDest->bottom),
               std::max(prclDest->left, prclDest->right), std::max(prclDest->top, prclDest->bottom)};
    if (IsEmpty(area)) return TRUE;
    const HBITMAP temp = EngCreateBitmap(SIZEL{area.right - area.left, area.bottom - area.top}, 0,
                                         psoDest->iBitmapFormat, BMF_TOPDOWN, nullptr);
    SURFOBJ* tempObject = temp ? EngLockSurface(temp) : nullptr;
    if (!tempObject) {
        if (temp) EngDeleteSurface(temp);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    RECTL local{prclDest->left - area.left, prclDest->top - area.top, prclDest->right - area.left,
                prclDest->bottom - area.top};
    StretchIntoBitmap(tempObject, psoSrc, nullptr, pxlo, local, source, iMode);
    POINTL origin{0, 0};
    const BOOL result = copyBits(psoDest, tempObject, pco, nullptr, &area, &origin);
    EngUnlockSurface(tempObject);
    EngDeleteSurface(temp);
    return result;
}

BOOL EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor)
{
    if (!pso || !prcl || !IsKnownBitmap(pso)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const ULONG value = iColor & PixelMask(pso->iBitmapFormat);
    const RECTL r = Intersect(*prcl, Bounds(pso));
    if (IsEmpty(r)) return TRUE;
    for (LONG y = r.top; y < r.bottom; ++y) FillRow(RowAt(pso, y), pso->iBitmapFormat, r.left, r.right, value);
    return TRUE;
}
