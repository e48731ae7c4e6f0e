// The display-list records: small binary records, each a multiple of 4
// bytes with every reserved and padding byte zero, written in place into
// the OutputStream. State records are sent only when the state changes
// within a page (the state caches).
#pragma once

#include "graphics/stream.h"
#include "platform/types.h"

#include <cstdint>

namespace vexl {

// Record types.
inline constexpr BYTE kRecordRectangle = 0x10;
inline constexpr BYTE kRecordCurvePath = 0x11;
inline constexpr BYTE kRecordLinePath = 0x12;
inline constexpr BYTE kRecordImage = 0x20;
inline constexpr BYTE kRecordColor = 0x30;
inline constexpr BYTE kRecordRop = 0x31;
inline constexpr BYTE kRecordBackgroundMode = 0x32;
inline constexpr BYTE kRecordLineWidth = 0x33;
inline constexpr BYTE kRecordDashPhase = 0x34;
inline constexpr BYTE kRecordLineCap = 0x35;
inline constexpr BYTE kRecordLineJoin = 0x36;
inline constexpr BYTE kRecordClipReset = 0x37;
inline constexpr BYTE kRecordPattern = 0x40;
inline constexpr BYTE kRecordDeviceFont = 0x50;
inline constexpr BYTE kRecordDeviceChar = 0x51;
inline constexpr BYTE kRecordDeviceString = 0x52;
inline constexpr BYTE kRecordGlyphKept = 0x53;
inline constexpr BYTE kRecordGlyphDefinition = 0x54;
inline constexpr BYTE kRecordGlyphRun = 0x55;
inline constexpr BYTE kRecordDownloadFont = 0x56;
inline constexpr BYTE kRecordGlyphOnce = 0x57;
inline constexpr BYTE kRecordPageBegin = 0x60;
inline constexpr BYTE kRecordPageEnd = 0x61;

// Kinds of record 0x10.
inline constexpr BYTE kRectangleFill = 1;
inline constexpr BYTE kRectangleClip = 5;

// Glyph compression of records 0x53, 0x54 and 0x57.
inline constexpr BYTE kGlyphUncompressed = 0;
inline constexpr BYTE kGlyphCompressed = 2;

// The colour and line attributes of one drawing call.
struct ColorState {
    BYTE rop2;
    BYTE backgroundMode;  // 1 transparent, 2 opaque
    DWORD background;
    DWORD foreground;
    DWORD pen;
    BOOL penColor;     // stroke and fill: the pen colour is sent too
    BYTE kind;         // 0 fill, 1 stroke, 2 text, 3 stroke and fill, 4 blit
    BOOL hostMatched;  // colours already matched by the host
};

inline constexpr BYTE kColorKindText = 2;

struct LineState {
    WORD dashUnit;
    WORD join;   // 0 round, 1 bevel, 2 miter
    WORD cap;    // 0 round, 1 flat, 2 square
    WORD width;  // pixels
    WORD phase;
    DWORD miterLimit;  // x 256
    DWORD dashMask;    // all ones: solid
    DWORD color;
};

// The realisation the engine keeps for a brush.
inline constexpr std::uint32_t kMaxPatternBytes = 32 * 96;
struct RealizedBrush {
    WORD kind;     // 0 solid colour, 2 one-bit pattern, 3 24-bit pattern
    WORD originX;  // modulo 256
    WORD originY;
    DWORD color1;
    DWORD color2;
    WORD bitsPerPixel;  // 1 or 24
    WORD side;          // pattern side in pixels
    DWORD hostMatched;
    BYTE bits[kMaxPatternBytes];  // top row first
};

// A selected device or downloaded font.
inline constexpr std::uint32_t kFontNameBytes = 128;
struct FontSelection {
    BYTE kind;  // 1 to 4 device kinds, 5 downloaded font
    BOOL simItalic;
    BOOL simBold;
    BOOL emboldened;
    BOOL vertical;
    WORD weight;
    WORD angle;  // degrees, 0 to 359, counter-clockwise
    WORD emX;    // pixels along the text's x axis
    WORD emY;
    WORD avgWidth;
    WORD internalLeading;
    BYTE charSet;
    BYTE pitchAndFamily;
    WORD defaultChar;
    char familyName[kFontNameBytes];  // device code page, NUL-terminated unless full
    char faceName[kFontNameBytes];
    LONG fontId;
    WORD generation;
    signed char fontClass;  // 2 characters, 3 glyph indices
};

inline constexpr signed char kFontClassGlyphIndices = 3;

// The drawing state the page already has. DrvStartPage clears every valid
// flag, so the first use of each state on a page sends its record.
struct StateCaches {
    struct {
        bool valid;
        WORD width;
        DWORD dashMask;
        WORD dashUnit;
        WORD phase;
        WORD cap;
        WORD join;
        DWORD miterLimit;
    } line;
    struct {
        bool valid;
        BYTE rop3;  // as asked for, before 0xF0 becomes 0xCC
    } rop;
    struct {
        bool valid;
        BYTE mode;
    } background;
    struct {
        bool valid;
        WORD kind;
        WORD originX;
        WORD originY;
    } pattern;
    struct {
        bool valid;
        ColorState state;
    } color;
    struct {
        bool valid;
        LONG fontId;
        signed char fontClass;
    } font;
};

// Clears every valid flag (page start).
void InvalidateStateCaches(StateCaches& caches);

// State selection: each sends its record when the page does not have the
// state yet, and returns FALSE when a record could not be reserved.
BOOL SelectLineState(OutputStream& stream, StateCaches& caches, const LineState& line);
BOOL SelectRop(OutputStream& stream, StateCaches& caches, BYTE rop3);
BOOL SelectBackgroundMode(OutputStream& stream, StateCaches& caches, BYTE mode);
BOOL SelectPattern(OutputStream& stream, StateCaches& caches, const RealizedBrush* brush);
BOOL SelectColor(OutputStream& stream, StateCaches& caches, const ColorState* state);

// Record emitters: each reserves its record, fills every byte and returns
// it, or null when it could not be reserved (or its input is refused).
BYTE* EmitRectangleRecord(OutputStream& stream, const RECTL& rect);
BYTE* EmitClipRectangleRecord(OutputStream& stream, const RECTL& rect);
BYTE* EmitColorRecord(OutputStream& stream, const ColorState& state);
BYTE* EmitRopRecord(OutputStream& stream, BYTE rop3);
BYTE* EmitBackgroundModeRecord(OutputStream& stream, BYTE mode);
BYTE* EmitLineWidthRecord(OutputStream& stream, WORD width, DWORD dashMask, WORD dashUnit);
BYTE* EmitDashPhaseRecord(OutputStream& stream, WORD phase);
BYTE* EmitLineCapRecord(OutputStream& stream, WORD cap);
BYTE* EmitLineJoinRecord(OutputStream& stream, WORD join, DWORD miterLimit);
BYTE* EmitClipResetRecord(OutputStream& stream);
BYTE* EmitPatternRecord(OutputStream& stream, const RealizedBrush& brush);
BYTE* EmitFontSelectRecord(OutputStream& stream, const FontSelection& font);
BYTE* EmitDownloadFontRecord(OutputStream& stream, const FontSelection& font);
BYTE* EmitDeviceCharRecord(OutputStream& stream, const RECTL& box, LONG x, LONG y, WORD code);
// `body` is a path body of EncodePathBody, `bodySize` bytes.
BYTE* EmitOutlineCharRecord(OutputStream& stream, const RECTL& box, LONG x, LONG y, WORD code, const BYTE* body,
                            std::uint32_t bodySize);
// One advance for all characters, or one per character (advanceCount == count).
BYTE* EmitDeviceStringRecord(OutputStream& stream, const RECTL& box, LONG x, LONG y, const SHORT* advances,
                             std::uint32_t advanceCount, const WCHAR* chars, std::uint32_t count);

// A glyph drawn (0x53 kept for reuse, 0x57 not kept). Without a bitmap
// (0x53 of a glyph the printer has) the size is 0.
struct GlyphDraw {
    BYTE type;  // kRecordGlyphKept or kRecordGlyphOnce
    BYTE flags;
    RECTL box;  // bitmap box on the page
    POINTL cellTop;
    POINTL bitmapOrigin;  // top left of the bitmap
    LONG width;           // pixels
    LONG height;
    WORD code;
    BYTE compression;    // kGlyphUncompressed or kGlyphCompressed
    const BYTE* bitmap;  // null: no bitmap in the record
    std::uint32_t size;  // bitmap bytes
};
BYTE* EmitGlyphRecord(OutputStream& stream, const GlyphDraw& glyph);

struct GlyphDefinition {
    BYTE flags;
    LONG width;
    LONG height;
    WORD code;
    BYTE compression;
    const BYTE* bitmap;
    std::uint32_t size;
};
// No record (null) when there is no bitmap or its size is 0.
BYTE* EmitGlyphDefinitionRecord(OutputStream& stream, const GlyphDefinition& glyph);

struct GlyphRunEntry {
    SHORT dx;
    SHORT dy;
    WORD code;
};
BYTE* EmitGlyphRunRecord(OutputStream& stream, BYTE flags, const RECTL& box, LONG x, LONG y,
                         const GlyphRunEntry* entries, std::uint32_t count);

BYTE* EmitPageBeginRecord(OutputStream& stream, LONG width, LONG length, WORD resolution);
BYTE* EmitPageEndRecord(OutputStream& stream);

// Glyph bitmap compression: the compressed size, 0 when the input is all
// zero, -1 when the output would exceed `capacity`.
std::int32_t CompressGlyphBits(const BYTE* bits, std::uint32_t size, BYTE* out, std::uint32_t capacity);

// Compresses rows x rowBytes bytes into `out` (`capacity` bytes, at least
// the bitmap size rounded up to 4): the compressed size, or 0 when the
// bitmap goes uncompressed.
std::uint32_t TryCompressGlyph(const BYTE* bits, BYTE* out, std::uint32_t capacity, std::uint32_t rows,
                               std::uint32_t rowBytes);

// Angles and fixed point shared by the record producers.
LONG SinQ14(LONG degrees);  // sin x 16,384, any non-negative angle
LONG CosQ14(LONG degrees);
SHORT VectorAngle(SHORT x, SHORT y);  // degrees, -180 to 180
LONG SearchTangentTable(LONG lo, LONG hi, LONG tangent);
LONG ScaleFloat(float f, LONG n);  // f x n truncated toward zero
float DivideToFloat(LONG a, LONG b);

}  // namespace vexl
