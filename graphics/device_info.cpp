// The device description handed to the graphics engine when a Pdev is
// enabled.
#include "graphics/device_info.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>

namespace vexl {
namespace {

bool IsMonochrome(const Pdev* pdev)
{
    return pdev->colorProcess == 1 && pdev->color == 1;
}

// The device's colours, in the engine's 4-decimal fixed point.
constexpr COLORINFO kDeviceColors = {
    {6380, 3350, 0},  // Red
    {2345, 6075, 0},  // Green
    {1410, 932, 0},   // Blue
    {2000, 2450, 0},  // Cyan
    {5210, 2100, 0},  // Magenta
    {4750, 5100, 0},  // Yellow
    {3127, 3290, 0},  // AlignmentWhite
    12500,
    12500,
    12500,  // red, green and blue gamma
    585,
    120,  // magenta and yellow in the cyan dye
    0,
    0,  // cyan and yellow in the magenta dye
    0,
    10000,  // cyan and magenta in the yellow dye
};

constexpr CharsetCodePage kCharsetTable[] = {
    {0, 1252},   {128, 932},  {129, 949},  {130, 1361}, {134, 936},  {136, 950},  {177, 1255},
    {178, 1256}, {161, 1253}, {162, 1254}, {186, 1257}, {238, 1250}, {204, 1251}, {222, 874},
};

// The face of the default font.
constexpr WCHAR kDefaultFontFace[] = u"\u660E\u671D";

struct ColorFormat {
    ULONG bitsPixel;
    ULONG planes;
    ULONG numColors;
    ULONG numPalReg;
};

ColorFormat GdiColorFormat(const Pdev* pdev)
{
    if (pdev->rasterMode != 0) {
        if (IsMonochrome(pdev)) return {1, 1, 2, 2};
        return {8, 3, 0xFFFFFF, 0xFFFFFF};
    }
    if (pdev->colorProcess == 1) {
        if (pdev->color == 2) return {1, 1, 8, 20};
        return {1, 1, 2, 2};
    }
    if (pdev->colorProcess == 2) return {24, 1, 0xFFFFFF, 0xFFFFFF};
    return {8, 3, 0xFFFFFF, 0xFFFFFF};
}

// GDIINFO sizes: millimetres with the extended print area, else negated
// micrometres, held within a LONG for a paper too large to name in them.
ULONG GdiSize(const Pdev* pdev, LONG tenthMm)
{
    if (pdev->extPrintArea == 2) return static_cast<ULONG>(tenthMm / 10);
    const std::int64_t micrometres =
        std::clamp<std::int64_t>(std::int64_t{tenthMm} * 100, -std::numeric_limits<LONG>::max(),
                                 std::numeric_limits<LONG>::max());
    return static_cast<ULONG>(static_cast<LONG>(-micrometres));
}

}  // namespace

ULONG HalftonePatternSize(ULONG xDpi, ULONG yDpi, BOOL reduce)
{
    const ULONG dpi = std::min(xDpi, yDpi);
    ULONG code = 3;
    if (dpi >= 2400)
        code = HT_PATSIZE_16x16_M;
    else if (dpi >= 1800)
        code = HT_PATSIZE_14x14_M;
    else if (dpi >= 1200)
        code = HT_PATSIZE_12x12_M;
    else if (dpi >= 900)
        code = HT_PATSIZE_10x10_M;
    else if (dpi >= 400)
        code = HT_PATSIZE_8x8_M;
    else if (dpi >= 180)
        code = HT_PATSIZE_6x6_M;
    else
        code = HT_PATSIZE_4x4_M;
    return reduce ? code - 2 : code;
}

ULONG DitherCellSize(ULONG patternSize)
{
    return 2 * (patternSize / 2 + 1);
}

BOOL CharsetFromCodePage(ULONG value, CharsetCodePage* out, int direction)
{
    for (const CharsetCodePage& row : kCharsetTable) {
        const ULONG key = direction == kSearchByCharset    ? row.charset
                          : direction == kSearchByCodePage ? row.codePage
                                                           : ~0u;
        if (key == value) {
            if (out) *out = row;
            return TRUE;
        }
    }
    return FALSE;
}

USHORT CurrentAnsiCodePage()
{
    USHORT oem = 0;
    USHORT ansi = 0;
    EngGetCurrentCodePage(&oem, &ansi);
    return ansi;
}

LOGFONTW MakeDefaultFont(WORD resolution, BYTE charset)
{
    LOGFONTW font{};
    font.lfHeight = (resolution * 10 + resolution / 2) / 72;
    font.lfWidth = font.lfHeight / 2;
    font.lfWeight = 400;
    font.lfCharSet = charset;
    font.lfOutPrecision = OUT_STRING_PRECIS;
    font.lfClipPrecision = CLIP_STROKE_PRECIS;
    font.lfPitchAndFamily = FIXED_PITCH | FF_ROMAN;
    std::memcpy(font.lfFaceName, kDefaultFontFace, sizeof kDefaultFontFace);
    return font;
}

void FillGdiInfo(Pdev* pdev, ULONG size, GDIINFO* out)
{
    const PaperRecord& paper = pdev->paper;
    const ULONG resolution = pdev->resolution;
    GDIINFO info{};
    info.ulVersion = 0x500;
    info.ulTechnology = DT_RASPRINTER;
    info.ulHorzSize = GdiSize(pdev, paper.printableWidthTenthMm);
    info.ulVertSize = GdiSize(pdev, paper.printableLengthTenthMm);
    info.ulHorzRes = static_cast<ULONG>(paper.printableWidthDots);
    info.ulVertRes = static_cast<ULONG>(paper.printableLengthDots);
    pdev->pageWidth = paper.printableWidthDots;
    pdev->pageHeight = paper.printableLengthDots;
    const ColorFormat format = GdiColorFormat(pdev);
    info.cBitsPixel = format.bitsPixel;
    info.cPlanes = format.planes;
    info.ulNumColors = format.numColors;
    info.ulNumPalReg = format.numPalReg;
    info.flRaster = 0;
    info.ulLogPixelsX = resolution;
    info.ulLogPixelsY = resolution;
    info.ulAspectX = resolution;
    info.ulAspectY = resolution;
    info.ulAspectXY = resolution * 1414 / 1000;
    info.flTextCaps =
        TC_OP_CHARACTER | TC_OP_STROKE | TC_CP_STROKE | TC_CR_90 | TC_CR_ANY | TC_UA_ABLE | TC_SO_ABLE | TC_VA_ABLE;
    info.xStyleStep = 1;
    info.yStyleStep = 1;
    info.denStyleStep = resolution / 25;
    info.ptlPhysOffset = {paper.xOffset, paper.yOffset};
    info.szlPhysSize = {paper.physicalWidthDots, paper.physicalLengthDots};
    info.ciDevice = kDeviceColors;
    info.ulDevicePelsDPI = 0;
    info.ulPrimaryOrder = PRIMARY_ORDER_CBA;
    info.ulHTPatternSize = HalftonePatternSize(resolution, resolution, FALSE);
    const bool oneBit = IsMonochrome(pdev) && (pdev->rasterMode != 0 || pdev->hiddenFunc30 != 0);
    info.ulHTOutputFormat = oneBit ? HT_FORMAT_1BPP : HT_FORMAT_24BPP;
    info.flHTFlags = HT_FLAG_HAS_BLACK_DYE;
    if (out) std::memcpy(out, &info, std::min<std::size_t>(size, sizeof info));
}

BOOL FillDevInfo(Pdev* pdev, ULONG size, DEVINFO* out, ULONG halftonePatternSize)
{
    DEVINFO info{};
    const bool raster = pdev->rasterMode != 0;
    info.flGraphicsCaps =
        raster ? (GCAPS_HALFTONE | GCAPS_COLOR_DITHER | GCAPS_MONO_DITHER)
               : (GCAPS_BEZIERS | GCAPS_GEOMETRICWIDE | GCAPS_ALTERNATEFILL | GCAPS_WINDINGFILL | GCAPS_HALFTONE);
    if (pdev->emfSpoolOutput == 0) info.flGraphicsCaps |= GCAPS_DONTJOURNAL;
    if (pdev->color == 2 && pdev->colorMatching == 1 && pdev->icmType == 1) info.flGraphicsCaps |= GCAPS_ICM;

    if (!raster && pdev->language == 0 && pdev->hiddenFunc4 != 0) {
        CharsetCodePage pair{};
        const BYTE charset = CharsetFromCodePage(CurrentAnsiCodePage(), &pair, kSearchByCodePage) ? pair.charset : 0;
        info.lfDefaultFont = MakeDefaultFont(pdev->resolution, charset);
        info.lfAnsiVarFont = MakeDefaultFont(pdev->resolution, 0);
        info.lfAnsiFixFont = info.lfAnsiVarFont;
    }

    if (pdev->palette) {
        EngDeletePalette(pdev->palette);
        pdev->palette = nullptr;
    }
    if (raster && IsMonochrome(pdev)) {
        info.iDitherFormat = BMF_1BPP;
        info.cxDither = DitherCellSize(halftonePatternSize);
        info.cyDither = info.cxDither;
        info.flGraphicsCaps |= GCAPS_FORCEDITHER;
        auto* colors = static_cast<ULONG*>(PdevPoolAlloc(pdev->pool, 2 * sizeof(ULONG)));
        if (!colors) return FALSE;
        colors[0] = 0x000000;
        colors[1] = 0xFFFFFF;
        pdev->palette = EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0);
        PdevPoolFree(pdev->pool, colors);
    } else {
        info.iDitherFormat = BMF_24BPP;
        pdev->palette = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
    }
    if (!pdev->palette) return FALSE;
    info.hpalDefault = pdev->palette;
    if (out) std::memcpy(out, &info, std::min<std::size_t>(size, sizeof info));
    return TRUE;
}

}  // namespace vexl
