// Brush realisation: hatches and patterns become the device's fixed
// 32 x 32 patterns, one bit a pixel where two colours do, else 24 bits.
#include "graphics/drawing.h"
#include "graphics/hooks.h"
#include "graphics/pdev.h"
#include "platform/engine.h"

#include <cstring>

namespace vexl {
namespace {

constexpr int kSide = 32;
constexpr int kOneBitRowBytes = kSide / 8;
constexpr int kColorRowBytes = kSide * 3;

// Hatch rows, bit 7 leftmost, by style.
constexpr BYTE kHatchRows[6][8] = {
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // HS_BDIAGONAL
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // HS_DIAGCROSS
};

DWORD XlateEntry(const XLATEOBJ* xlate, ULONG index, DWORD fallback)
{
    if (!xlate || !xlate->pulXlate || index >= xlate->cEntries) return fallback;
    return xlate->pulXlate[index];
}

void SetBit(RealizedBrush& brush, int x, int y)
{
    brush.bits[y * kOneBitRowBytes + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
}

void SetColor(RealizedBrush& brush, int x, int y, DWORD color)
{
    BYTE* pixel = brush.bits + y * kColorRowBytes + x * 3;
    pixel[0] = static_cast<BYTE>(color);
    pixel[1] = static_cast<BYTE>(color >> 8);
    pixel[2] = static_cast<BYTE>(color >> 16);
}

void StartBrush(RealizedBrush& brush, WORD kind, WORD bitsPerPixel, DWORD color1, DWORD color2)
{
    std::memset(static_cast<void*>(&brush), 0, sizeof brush);
    brush.kind = kind;
    brush.bitsPerPixel = bitsPerPixel;
    brush.side = kSide;
    brush.color1 = color1;
    brush.color2 = color2;
}

// The source pixel that a pattern pixel of the 32 x 32 result repeats: an
// 8 x 8 pattern has its pixels doubled, any other is tiled.
POINTL SourcePixel(const SURFOBJ* pattern, int x, int y, bool doubled)
{
    if (doubled) return POINTL{(x % 16) / 2, (y % 16) / 2};
    return POINTL{x % pattern->sizlBitmap.cx, y % pattern->sizlBitmap.cy};
}

// A pixel as its format stores it, top row first whatever the row order.
DWORD ReadPixel(const SURFOBJ* surface, LONG x, LONG y)
{
    const BYTE* row = static_cast<const BYTE*>(surface->pvScan0) + static_cast<std::ptrdiff_t>(y) * surface->lDelta;
    switch (surface->iBitmapFormat) {
    case BMF_1BPP:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case BMF_4BPP:
        return (x % 2) ? (row[x / 2] & 0x0F) : (row[x / 2] >> 4);
    case BMF_8BPP:
        return row[x];
    case BMF_16BPP:
        return row[2 * x] | (DWORD{row[2 * x + 1]} << 8);
    case BMF_24BPP:
        return row[3 * x] | (DWORD{row[3 * x + 1]} << 8) | (DWORD{row[3 * x + 2]} << 16);
    case BMF_32BPP:
        return row[4 * x] | (DWORD{row[4 * x + 1]} << 8) | (DWORD{row[4 * x + 2]} << 16);
    default:
        return 0;
    }
}

// A 5-bit value scaled to 8 bits, 31 to 255.
DWORD Expand5(DWORD v)
{
    return (v << 3) | (v >> 2);
}

DWORD ColorOfPixel(const SURFOBJ* pattern, const XLATEOBJ* xlate, DWORD pixel)
{
    switch (pattern->iBitmapFormat) {
    case BMF_4BPP:
    case BMF_8BPP:
        return XlateEntry(xlate, pixel, pixel);
    case BMF_16BPP:
        return Expand5(pixel & 0x1F) | (Expand5((pixel >> 5) & 0x1F) << 8) | (Expand5((pixel >> 10) & 0x1F) << 16);
    default:
        return pixel & 0xFFFFFF;
    }
}

bool IsEightByEight(const SURFOBJ* pattern)
{
    return pattern->sizlBitmap.cx == 8 && pattern->sizlBitmap.cy == 8;
}

bool HasPixels(const SURFOBJ* pattern)
{
    return pattern->pvScan0 && pattern->sizlBitmap.cx > 0 && pattern->sizlBitmap.cy > 0;
}

void RealizeHatch(RealizedBrush& brush, ULONG hatch, const XLATEOBJ* xlate)
{
    StartBrush(brush, 2, 1, XlateEntry(xlate, 1, 0), XlateEntry(xlate, 0, kWhite));
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            if (kHatchRows[hatch][y / 4] & (0x80 >> (x / 4))) SetBit(brush, x, y);
        }
    }
}

// An 8 x 8 24-bit pattern of at most two colours: the colours, or false.
bool TwoColors(const SURFOBJ* pattern, DWORD* first, DWORD* other)
{
    *first = ReadPixel(pattern, 0, 0);
    bool hasOther = false;
    *other = 0;
    for (LONG y = 0; y < 8; ++y) {
        for (LONG x = 0; x < 8; ++x) {
            const DWORD pixel = ReadPixel(pattern, x, y);
            if (pixel == *first) continue;
            if (hasOther && pixel != *other) return false;
            *other = pixel;
            hasOther = true;
        }
    }
    return true;
}

void RealizeOneBit(RealizedBrush& brush, const SURFOBJ* pattern, const XLATEOBJ* xlate)
{
    StartBrush(brush, 2, 1, XlateEntry(xlate, 0, 0), XlateEntry(xlate, 1, kWhite));
    const bool doubled = IsEightByEight(pattern);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const POINTL at = SourcePixel(pattern, x, y, doubled);
            // The device draws colour 1 where the bit is set: the pattern's 0 bits.
            if (ReadPixel(pattern, at.x, at.y) == 0) SetBit(brush, x, y);
        }
    }
}

void RealizeTwoColor(RealizedBrush& brush, const SURFOBJ* pattern, DWORD first, DWORD other)
{
    StartBrush(brush, 2, 1, first, other);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const POINTL at = SourcePixel(pattern, x, y, true);
            if (ReadPixel(pattern, at.x, at.y) == first) SetBit(brush, x, y);
        }
    }
}

// The tile side an 8- or 24-bit pattern of another size is resampled to.
LONG TileSide(LONG width)
{
    if (width <= 2) return 4;
    if (width <= 4) return 8;
    if (width <= 10) return 16;
    return kSide;
}

// Resamples the pattern into a 24-bit tile and repeats it; false when the
// tile cannot be made.
bool RealizeResampled(RealizedBrush& brush, SURFOBJ* pattern, XLATEOBJ* xlate)
{
    const LONG side = TileSide(pattern->sizlBitmap.cx);
    HBITMAP bitmap = EngCreateBitmap(SIZEL{side, side}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
    if (!bitmap) return false;
    const auto surface = reinterpret_cast<HSURF>(bitmap);
    SURFOBJ* tile = EngLockSurface(surface);
    bool done = false;
    if (tile) {
        RECTL dest{0, 0, side, side};
        RECTL source{0, 0, pattern->sizlBitmap.cx, pattern->sizlBitmap.cy};
        if (EngStretchBlt(tile, pattern, nullptr, nullptr, xlate, nullptr, nullptr, &dest, &source, nullptr,
                          COLORONCOLOR)) {
            for (int y = 0; y < kSide; ++y) {
                for (int x = 0; x < kSide; ++x) SetColor(brush, x, y, ReadPixel(tile, x % side, y % side));
            }
            done = true;
        }
        EngUnlockSurface(tile);
    }
    EngDeleteSurface(surface);
    return done;
}

void RealizeColor(RealizedBrush& brush, SURFOBJ* pattern, XLATEOBJ* xlate)
{
    StartBrush(brush, 3, 24, 0, kWhite);
    const ULONG format = pattern->iBitmapFormat;
    if (format != BMF_4BPP && format != BMF_8BPP && format != BMF_16BPP && format != BMF_24BPP && format != BMF_32BPP) {
        return;  // other formats leave the pattern empty
    }
    const bool eight = IsEightByEight(pattern);
    if (!eight && (format == BMF_8BPP || format == BMF_24BPP) && RealizeResampled(brush, pattern, xlate)) return;
    // 8 x 8 patterns are repeated four times each way; others pixel by pixel.
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const POINTL at = SourcePixel(pattern, x, y, false);
            SetColor(brush, x, y, ColorOfPixel(pattern, xlate, ReadPixel(pattern, at.x, at.y)));
        }
    }
}

}  // namespace

BOOL DrvRealizeBrush(BRUSHOBJ* brush, SURFOBJ* target, SURFOBJ* pattern, SURFOBJ*, XLATEOBJ* xlate, ULONG hatch)
{
    if (!ValidPdevOfSurface(target)) return FALSE;
    if (!brush) return FALSE;
    if (!pattern && hatch >= HS_DDI_MAX) return FALSE;
    if (pattern && !HasPixels(pattern)) return FALSE;
    auto* realized = static_cast<RealizedBrush*>(BRUSHOBJ_pvAllocRbrush(brush, sizeof(RealizedBrush)));
    if (!realized) return FALSE;

    DWORD first = 0;
    DWORD other = 0;
    if (!pattern) {
        RealizeHatch(*realized, hatch, xlate);
    } else if (pattern->iBitmapFormat == BMF_1BPP) {
        RealizeOneBit(*realized, pattern, xlate);
    } else if (pattern->iBitmapFormat == BMF_24BPP && IsEightByEight(pattern) && TwoColors(pattern, &first, &other)) {
        RealizeTwoColor(*realized, pattern, first, other);
    } else {
        RealizeColor(*realized, pattern, xlate);
    }
    realized->hostMatched = (brush->flColorType & BR_HOST_ICM) ? 1 : 0;
    return TRUE;
}

}  // namespace vexl
