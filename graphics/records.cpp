#include "graphics/records.h"

#include "common/core/le.h"

#include <cstring>

namespace vexl {

namespace {

// Record lengths and field offsets of the fixed parts.
constexpr std::uint32_t kRectangleBytes = 40;
constexpr std::uint32_t kClipRectangleBytes = 24;
constexpr std::uint32_t kShortRecordBytes = 4;
constexpr std::uint32_t kLongStateRecordBytes = 8;
constexpr std::uint32_t kPatternHeaderBytes = 6;
constexpr std::uint32_t kDeviceFontHeaderBytes = 24;
constexpr std::uint32_t kDownloadFontHeaderBytes = 32;
constexpr std::uint32_t kCharRecordBytes = 36;
constexpr std::uint32_t kGlyphHeaderBytes = 64;
constexpr std::uint32_t kGlyphDefinitionHeaderBytes = 28;
constexpr std::uint32_t kGlyphRunEntryBytes = 6;
constexpr std::uint32_t kPageBeginBytes = 16;
constexpr std::uint32_t kMaxRecordCount = 0xFFFF;  // counts travel as u16

// The fixed parts add up to their fields: header 8, four i32 per box.
static_assert(kRectangleBytes == 8 + 2 * 16);
static_assert(kClipRectangleBytes == 8 + 16);
static_assert(kCharRecordBytes == 8 + 16 + 4 + 4 + 2 + 2);
static_assert(kGlyphHeaderBytes == 8 + 16 + 8 + 4 + 8 + 8 + 4 + 4 + 2 + 1 + 1);
static_assert(kGlyphDefinitionHeaderBytes == 8 + 4 + 4 + 4 + 4 + 2 + 1 + 1);
static_assert(kPageBeginBytes == 4 + 4 + 4 + 2 + 2);
static_assert(kDownloadFontHeaderBytes == kDeviceFontHeaderBytes + 8);

// Font flags of records 0x50 and 0x56.
constexpr WORD kFontItalic = 0x0001;
constexpr WORD kFontBold = 0x0002;
constexpr WORD kFontEmboldened = 0x0020;
constexpr WORD kFontGlyphIndices = 0x0010;
constexpr WORD kFontVertical = 0x0080;
constexpr WORD kFontNotKind2 = 0x2000;

constexpr std::uint64_t RoundUp4(std::uint64_t n)
{
    return (n + 3) & ~std::uint64_t(3);
}

// Reserves a record whose every byte starts zero.
BYTE* ReserveZeroed(OutputStream& stream, std::uint64_t size)
{
    if (size > UINT32_MAX) return nullptr;
    BYTE* record = ReserveRecord(stream, static_cast<std::uint32_t>(size));
    if (record) std::memset(record, 0, static_cast<std::size_t>(size));
    return record;
}

void WriteHeader(BYTE* record, BYTE type, BYTE kind, std::uint32_t length)
{
    WriteLe8(record, type);
    WriteLe8(record + 2, kind);
    WriteLe32(record + 4, length);
}

void WriteLeI32(BYTE* p, LONG value)
{
    WriteLe32(p, static_cast<std::uint32_t>(value));
}

void WriteRect(BYTE* p, const RECTL& rect)
{
    WriteLeI32(p, rect.left);
    WriteLeI32(p + 4, rect.top);
    WriteLeI32(p + 8, rect.right);
    WriteLeI32(p + 12, rect.bottom);
}

// Three bytes of a colour value, low byte first.
BYTE* WriteColor(BYTE* p, DWORD color)
{
    p[0] = static_cast<BYTE>(color);
    p[1] = static_cast<BYTE>(color >> 8);
    p[2] = static_cast<BYTE>(color >> 16);
    return p + 3;
}

BYTE* EmitShortRecord(OutputStream& stream, BYTE type, BYTE value)
{
    BYTE* record = ReserveZeroed(stream, kShortRecordBytes);
    if (!record) return nullptr;
    WriteLe8(record, type);
    WriteLe8(record + 1, value);
    return record;
}

// Bytes of a face name: up to its NUL, at most the field.
std::uint32_t NameBytes(const char* name)
{
    return static_cast<std::uint32_t>(strnlen(name, kFontNameBytes));
}

WORD FontFlags(const FontSelection& font)
{
    WORD flags = 0;
    if (font.simItalic) flags |= kFontItalic;
    if (font.simBold) flags |= kFontBold;
    if (font.emboldened) flags |= kFontBold | kFontEmboldened;
    switch (font.kind) {
    case 1:
        flags |= 0x0004;
        break;
    case 2:
        flags |= 0x0008;
        break;
    case 3:
        flags |= 0x0010;
        break;
    case 4:
        flags |= 0x0200;
        break;
    default:
        break;
    }
    if (font.fontClass == kFontClassGlyphIndices) flags |= kFontGlyphIndices;
    if (font.vertical) flags |= kFontVertical;
    if (font.kind != 2) flags |= kFontNotKind2;
    return flags;
}

// The fields that records 0x50 and 0x56 share from offset 4 to 23.
void WriteFontMetrics(BYTE* record, const FontSelection& font, WORD length)
{
    WriteLe16(record + 4, FontFlags(font));
    WriteLe16(record + 6, font.weight);
    WriteLe16(record + 8, font.angle);
    WriteLe16(record + 10, font.emX);
    WriteLe16(record + 12, font.emY);
    WriteLe16(record + 14, length);
    WriteLe16(record + 20, font.internalLeading);
    WriteLe16(record + 22, font.defaultChar);
}

// The name counted in 16-bit units, plus the fixed part, rounded down to 4:
// at least two zero bytes always follow the name.
WORD FontRecordLength(const FontSelection& font, std::uint32_t fixed)
{
    const std::uint32_t units = (NameBytes(font.faceName) + 1) / 2;
    return static_cast<WORD>((2 * units + fixed + 4) & ~3u);
}

BYTE* EmitFontRecord(OutputStream& stream, const FontSelection& font, bool downloaded)
{
    const std::uint32_t nameOffset = downloaded ? kDownloadFontHeaderBytes : kDeviceFontHeaderBytes;
    const WORD length = FontRecordLength(font, nameOffset);
    BYTE* record = ReserveZeroed(stream, length);
    if (!record) return nullptr;
    if (downloaded) {
        WriteLe8(record, kRecordDownloadFont);
        WriteLe8(record + 1, font.charSet);
        WriteLe8(record + 2, font.pitchAndFamily);
    } else {
        WriteLe8(record, kRecordDeviceFont);
        WriteLe8(record + 2, font.charSet);
        WriteLe8(record + 3, font.pitchAndFamily);
    }
    WriteFontMetrics(record, font, length);
    std::memcpy(record + nameOffset, font.faceName, NameBytes(font.faceName));
    return record;
}

void WriteCharHead(BYTE* record, BYTE type, BYTE kind, std::uint32_t length, const RECTL& box, LONG x, LONG y,
                   WORD count)
{
    WriteHeader(record, type, kind, length);
    WriteRect(record + 8, box);
    WriteLeI32(record + 24, x);
    WriteLeI32(record + 28, y);
    WriteLe16(record + 32, count);
}

// Data length of a fill pattern, or -1 for a kind or depth without one.
long PatternDataBytes(const RealizedBrush& brush)
{
    const long side = brush.side;
    if (brush.kind == 0) return 0;
    if (brush.kind == 2 || (brush.kind == 3 && brush.bitsPerPixel == 1)) return side * side / 8;
    if (brush.kind == 3 && brush.bitsPerPixel == 24) return side * side * 3;
    return -1;
}

}  // namespace

BYTE* EmitRectangleRecord(OutputStream& stream, const RECTL& rect)
{
    BYTE* record = ReserveZeroed(stream, kRectangleBytes);
    if (!record) return nullptr;
    WriteHeader(record, kRecordRectangle, kRectangleFill, kRectangleBytes);
    WriteRect(record + 8, rect);
    WriteRect(record + 24, rect);
    return record;
}

BYTE* EmitClipRectangleRecord(OutputStream& stream, const RECTL& rect)
{
    BYTE* record = ReserveZeroed(stream, kClipRectangleBytes);
    if (!record) return nullptr;
    WriteHeader(record, kRecordRectangle, kRectangleClip, kClipRectangleBytes);
    WriteRect(record + 8, rect);
    return record;
}

BYTE* EmitColorRecord(OutputStream& stream, const ColorState& state)
{
    const bool background = state.backgroundMode == 2;
    const bool pen = state.penColor != 0;
    const std::uint32_t colors = 1 + (background ? 1 : 0) + (pen ? 1 : 0);
    const std::uint32_t length = (3 * colors + 7) & ~3u;
    BYTE* record = ReserveZeroed(stream, length);
    if (!record) return nullptr;
    BYTE flags = 0x01;
    if (background) flags |= 0x08;
    if (pen) flags |= 0x10;
    if (state.kind == kColorKindText) flags |= 0x40;
    if (state.hostMatched) flags |= 0x80;
    WriteLe8(record, kRecordColor);
    WriteLe8(record + 1, static_cast<BYTE>(length));
    WriteLe8(record + 2, flags);
    BYTE* p = WriteColor(record + 4, state.foreground);
    if (background) p = WriteColor(p, state.background);
    if (pen) WriteColor(p, state.pen);
    return record;
}

BYTE* EmitRopRecord(OutputStream& stream, BYTE rop3)
{
    return EmitShortRecord(stream, kRecordRop, rop3 == 0xF0 ? 0xCC : rop3);
}

BYTE* EmitBackgroundModeRecord(OutputStream& stream, BYTE mode)
{
    return EmitShortRecord(stream, kRecordBackgroundMode, mode);
}

BYTE* EmitLineWidthRecord(OutputStream& stream, WORD width, DWORD dashMask, WORD dashUnit)
{
    BYTE* record = ReserveZeroed(stream, kLongStateRecordBytes);
    if (!record) return nullptr;
    WriteLe8(record, kRecordLineWidth);
    WriteLe8(record + 1, static_cast<BYTE>(dashUnit));
    WriteLe16(record + 2, width);
    WriteLe32(record + 4, dashMask);
    return record;
}

BYTE* EmitDashPhaseRecord(OutputStream& stream, WORD phase)
{
    return EmitShortRecord(stream, kRecordDashPhase, static_cast<BYTE>(phase));
}

BYTE* EmitLineCapRecord(OutputStream& stream, WORD cap)
{
    return EmitShortRecord(stream, kRecordLineCap, static_cast<BYTE>(cap));
}

BYTE* EmitLineJoinRecord(OutputStream& stream, WORD join, DWORD miterLimit)
{
    BYTE* record = ReserveZeroed(stream, kLongStateRecordBytes);
    if (!record) return nullptr;
    WriteLe8(record, kRecordLineJoin);
    WriteLe8(record + 1, static_cast<BYTE>(join));
    WriteLe32(record + 4, miterLimit);
    return record;
}

BYTE* EmitClipResetRecord(OutputStream& stream)
{
    return EmitShortRecord(stream, kRecordClipReset, 0);
}

BYTE* EmitPatternRecord(OutputStream& stream, const RealizedBrush& brush)
{
    const long data = PatternDataBytes(brush);
    // A pattern whose bits the brush does not hold is refused like an
    // unsupported kind.
    if (data < 0 || static_cast<unsigned long>(data) > kMaxPatternBytes) return nullptr;
    BYTE* record = ReserveZeroed(stream, RoundUp4(kPatternHeaderBytes + data));
    if (!record) return nullptr;
    BYTE flags = 0;
    if (brush.kind == 3 && brush.bitsPerPixel == 24) flags |= 0x01;
    if (brush.kind != 0) flags |= 0x80;
    if (brush.hostMatched) flags |= 0x40;
    const bool knownSide = brush.side == 16 || brush.side == 32 || brush.side == 64;
    WriteLe8(record, kRecordPattern);
    WriteLe8(record + 1, flags);
    WriteLe8(record + 2, knownSide ? static_cast<BYTE>(brush.side) : 0);
    WriteLe8(record + 3, 1);
    WriteLe16(record + 4, static_cast<WORD>(data));
    std::memcpy(record + kPatternHeaderBytes, brush.bits, static_cast<std::size_t>(data));
    return record;
}

BYTE* EmitFontSelectRecord(OutputStream& stream, const FontSelection& font)
{
    return EmitFontRecord(stream, font, false);
}

BYTE* EmitDownloadFontRecord(OutputStream& stream, const FontSelection& font)
{
    return EmitFontRecord(stream, font, true);
}

BYTE* EmitDeviceCharRecord(OutputStream& stream, const RECTL& box, LONG x, LONG y, WORD code)
{
    BYTE* record = ReserveZeroed(stream, kCharRecordBytes);
    if (!record) return nullptr;
    WriteCharHead(record, kRecordDeviceChar, 0, kCharRecordBytes, box, x, y, code);
    return record;
}

BYTE* EmitOutlineCharRecord(OutputStream& stream, const RECTL& box, LONG x, LONG y, WORD code, const BYTE* body,
                            std::uint32_t bodySize)
{
    if (!body && bodySize) return nullptr;
    const std::uint64_t length = RoundUp4(std::uint64_t(bodySize) + kCharRecordBytes);
    BYTE* record = ReserveZeroed(stream, length);
    if (!record) return nullptr;
    WriteCharHead(record, kRecordDeviceChar, 1, static_cast<std::uint32_t>(length), box, x, y, code);
    if (bodySize) std::memcpy(record + kCharRecordBytes, body, bodySize);
    return record;
}

BYTE* EmitDeviceStringRecord(OutputStream& stream, const RECTL& box, LONG x, LONG y, const SHORT* advances,
                             std::uint32_t advanceCount, const WCHAR* chars, std::uint32_t count)
{
    // One common advance or one per character; the count travels as u16.
    if (count > kMaxRecordCount || (advanceCount != 1 && advanceCount != count) || !advances || (count && !chars))
        return nullptr;
    const std::uint64_t length =
        kCharRecordBytes + RoundUp4(2 * std::uint64_t(advanceCount) + 2 * std::uint64_t(count));
    BYTE* record = ReserveZeroed(stream, length);
    if (!record) return nullptr;
    const BYTE flags = advanceCount == count ? 0x80 : 0;
    WriteCharHead(record, kRecordDeviceString, flags, static_cast<std::uint32_t>(length), box, x, y,
                  static_cast<WORD>(count));
    BYTE* p = record + kCharRecordBytes;
    for (std::uint32_t i = 0; i < advanceCount; ++i, p += 2) WriteLe16(p, static_cast<WORD>(advances[i]));
    for (std::uint32_t i = 0; i < count; ++i, p += 2) WriteLe16(p, chars[i]);
    return record;
}

BYTE* EmitGlyphRecord(OutputStream& stream, const GlyphDraw& glyph)
{
    if (glyph.type != kRecordGlyphKept && glyph.type != kRecordGlyphOnce) return nullptr;
    const bool hasBitmap = glyph.bitmap != nullptr;
    // A glyph the printer already has carries no bitmap: size 0.
    const std::uint32_t size = hasBitmap ? glyph.size : 0;
    const std::uint64_t length = kGlyphHeaderBytes + RoundUp4(size);
    BYTE* record = ReserveZeroed(stream, length);
    if (!record) return nullptr;
    WriteHeader(record, glyph.type, glyph.flags, static_cast<std::uint32_t>(length));
    WriteRect(record + 8, glyph.box);
    WriteLeI32(record + 24, glyph.cellTop.x);
    WriteLeI32(record + 28, glyph.cellTop.y);
    WriteLe32(record + 32, hasBitmap ? kGlyphHeaderBytes : 0);
    WriteLeI32(record + 36, glyph.bitmapOrigin.x);
    WriteLeI32(record + 40, glyph.bitmapOrigin.y);
    WriteLeI32(record + 44, glyph.width);
    WriteLeI32(record + 48, glyph.height);
    WriteLe32(record + 52, size);
    WriteLe16(record + 60, glyph.code);
    WriteLe8(record + 62, hasBitmap ? glyph.compression : kGlyphUncompressed);
    if (size) std::memcpy(record + kGlyphHeaderBytes, glyph.bitmap, size);
    return record;
}

BYTE* EmitGlyphDefinitionRecord(OutputStream& stream, const GlyphDefinition& glyph)
{
    if (!glyph.bitmap || glyph.size == 0) return nullptr;
    const std::uint64_t length = kGlyphDefinitionHeaderBytes + RoundUp4(glyph.size);
    BYTE* record = ReserveZeroed(stream, length);
    if (!record) return nullptr;
    WriteHeader(record, kRecordGlyphDefinition, glyph.flags, static_cast<std::uint32_t>(length));
    WriteLe32(record + 8, glyph.size);
    WriteLeI32(record + 12, glyph.width);
    WriteLeI32(record + 16, glyph.height);
    WriteLe16(record + 24, glyph.code);
    WriteLe8(record + 26, glyph.compression);
    std::memcpy(record + kGlyphDefinitionHeaderBytes, glyph.bitmap, glyph.size);
    return record;
}

BYTE* EmitGlyphRunRecord(OutputStream& stream, BYTE flags, const RECTL& box, LONG x, LONG y,
                         const GlyphRunEntry* entries, std::uint32_t count)
{
    if (count > kMaxRecordCount || (count && !entries)) return nullptr;
    const std::uint64_t length = kCharRecordBytes + RoundUp4(kGlyphRunEntryBytes * std::uint64_t(count));
    BYTE* record = ReserveZeroed(stream, length);
    if (!record) return nullptr;
    WriteCharHead(record, kRecordGlyphRun, flags, static_cast<std::uint32_t>(length), box, x, y,
                  static_cast<WORD>(count));
    BYTE* p = record + kCharRecordBytes;
    for (std::uint32_t i = 0; i < count; ++i, p += kGlyphRunEntryBytes) {
        WriteLe16(p, static_cast<WORD>(entries[i].dx));
        WriteLe16(p + 2, static_cast<WORD>(entries[i].dy));
        WriteLe16(p + 4, entries[i].code);
    }
    return record;
}

BYTE* EmitPageBeginRecord(OutputStream& stream, LONG width, LONG length, WORD resolution)
{
    BYTE* record = ReserveZeroed(stream, kPageBeginBytes);
    if (!record) return nullptr;
    WriteLe8(record, kRecordPageBegin);
    WriteLeI32(record + 4, width);
    WriteLeI32(record + 8, length);
    WriteLe16(record + 12, resolution);
    WriteLe16(record + 14, resolution);
    return record;
}

BYTE* EmitPageEndRecord(OutputStream& stream)
{
    return EmitShortRecord(stream, kRecordPageEnd, 0);
}

}  // namespace vexl
