// Image records (0x20): every bitmap that reaches the printer - the bands of
// raster mode and, in vector mode, the sources of copy, stretch and blit
// calls. The pixel data is copied once from the engine's bitmap into the
// display list, in pieces of at most 1 MB so that the stream can be flushed
// while a large image is still being copied. A temporary surface is made only
// when the format, size or orientation asks for one.
#pragma once

#include "platform/ddi.h"
#include "platform/types.h"

#include <cstddef>
#include <cstdint>

namespace vexl {

struct Pdev;
struct OutputStream;

// The fixed part of record 0x20, before the palette.
inline constexpr std::uint32_t kImageHeaderBytes = 56;
// Rows are reserved in pieces of at most this many bytes (one row at least).
inline constexpr std::uint32_t kImagePieceBytes = 0x100000;

// Byte 2 of the record: pixel format in bits 0-3 and flags.
inline constexpr BYTE kImageFormat1Bit = 0x00;
inline constexpr BYTE kImageFormat4Bit = 0x01;
inline constexpr BYTE kImageFormat8Bit = 0x02;
inline constexpr BYTE kImageFormat24Bit = 0x04;
inline constexpr BYTE kImageGrey = 0x10;  // 24-bit colour reduced to 8-bit grey
inline constexpr BYTE kImageNoPalette = 0x20;
inline constexpr BYTE kImageBltSource = 0x80;  // the source of a bit-block transfer
// Byte 3.
inline constexpr BYTE kImageRaster = 0x04;
inline constexpr BYTE kImageHostMatched = 0x08;
// Byte 1.
inline constexpr BYTE kImageReduced = 0x02;

// Format flags of the emitters: bits 0-7 go to byte 2, bits 8-15 to byte 3,
// bits 16-23 to byte 1.
inline constexpr DWORD ImageFormatFlags(BYTE format, BYTE flags3 = 0, BYTE flags1 = 0)
{
    return DWORD{format} | (DWORD{flags3} << 8) | (DWORD{flags1} << 16);
}

// One image as the emitters take it.
struct ImageRecordArgs {
    LONG x;  // destination rectangle
    LONG y;
    LONG width;
    LONG height;
    LONG sourceX;  // origin of the source rectangle in the bitmap
    LONG sourceY;
    ULONG bitmapWidth;    // pixels of one row of `bits`
    ULONG rows;           // rows of `bits`
    DWORD formatFlags;    // see ImageFormatFlags
    const BYTE* bits;     // the top row
    const BYTE* palette;  // null, or 3 bytes per entry (2, 16 or 256 entries)
    BOOL bottomUp;        // the row after the top row lies one row size below it in memory
};

// Record 0x20 in pieces of at most 1 MB, with grey reduction of 24-bit
// images for monochrome printing. When a reservation fails the stream is
// left parseable: the partial record is withdrawn when nothing of it was
// sent, else completed with white rows (and FALSE is returned).
BOOL EmitImageRecord(Pdev& pdev, const ImageRecordArgs& image);
// The same record in one reservation (no grey reduction, no pieces).
BOOL EmitImageRecordWhole(Pdev& pdev, const ImageRecordArgs& image);
// The same record with one reservation per row, without the raster flag:
// the retry after EmitImageRecord failed.
BOOL EmitImageRecordByRows(Pdev& pdev, const ImageRecordArgs& image);

// The producers. Each returns TRUE when the image is in the display list.
// DrvCopyBits and the bands of raster mode.
BOOL EmitCopiedImage(Pdev& pdev, XLATEOBJ* xlate, SURFOBJ* source, const POINTL* sourceOrigin, const RECTL& dest);
// DrvStretchBlt and DrvStretchBltROP: a negative destination extent mirrors.
BOOL EmitStretchedImage(Pdev& pdev, XLATEOBJ* xlate, SURFOBJ* source, const POINTL* halftoneOrigin,
                        const POINTL* sourceOrigin, const RECTL& dest, const RECTL& sourceRect);
// DrvBitBlt with a source; rop4 0xAACC with a mask is a transparent copy.
BOOL EmitBltImage(Pdev& pdev, XLATEOBJ* xlate, SURFOBJ* source, const RECTL& dest, const POINTL* sourceOrigin,
                  SURFOBJ* mask, const POINTL* maskOrigin, ROP4 rop4);
// Fast paths: a 24-bit rectangle cut out of a larger 24-bit source, and a
// source too large for a temporary surface sent row by row.
BOOL EmitCroppedImage(Pdev& pdev, SURFOBJ* source, const POINTL& sourceOrigin, const RECTL& dest);
BOOL EmitScaledImage(Pdev& pdev, XLATEOBJ* xlate, SURFOBJ* source, const RECTL& sourceRect, const RECTL& dest);

// Bytes of one row of an engine bitmap format (BMF_1BPP .. BMF_32BPP),
// rounded up to 4; 0 for any other format or a row too long to address.
ULONG BitmapStride(ULONG format, LONG width);
// A locked top-down bitmap associated with the Pdev's engine device, or null.
// The caller releases it with DeleteTempSurface.
SURFOBJ* CreateTempSurface(Pdev& pdev, LONG width, LONG height, ULONG format);
void DeleteTempSurface(SURFOBJ* surface);
// 24-bit pixels (bytes b0, b1, b2 in memory order: blue, green, red) to
// 8-bit grey, (306 x red + 601 x green + 117 x blue) / 1,024.
void ReduceRowToGrey(const BYTE* row, std::size_t pixels, BYTE* grey);

// Bits 16-23 of a 32-bit raster operation code (0xCC0020 gives 0xCC).
inline constexpr BYTE RopFromRop4(DWORD rop)
{
    return static_cast<BYTE>((rop >> 16) & 0xFF);
}

}  // namespace vexl
