// The display-list layer: the F5 payloads of a page joined into one byte
// sequence, from the page-begin record 0x60 to the page-end record 0x61,
// every record decoded and checked against its table.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

#include "decoder.h"
#include "platform/text.h"

namespace vexl::dump {
namespace {

std::uint64_t RoundUp4(std::uint64_t n)
{
    return (n + 3) & ~std::uint64_t{3};
}

struct RecordKind {
    std::uint8_t type;
    const char* name;
    std::uint32_t minimum;  // smallest length the header allows
};

constexpr RecordKind kRecordKinds[] = {
    {0x10, "rectangle", 24},      {0x11, "path", 28},          {0x12, "path-lines", 28},
    {0x20, "image", 56},          {0x30, "colour", 8},         {0x31, "rop", 4},
    {0x32, "background-mode", 4}, {0x33, "line-width", 8},     {0x34, "dash-phase", 4},
    {0x35, "line-cap", 4},        {0x36, "line-join", 8},      {0x37, "clip-reset", 4},
    {0x40, "pattern", 8},         {0x50, "device-font", 28},   {0x51, "character", 36},
    {0x52, "string", 36},         {0x53, "glyph-kept", 64},    {0x54, "glyph-definition", 28},
    {0x55, "glyph-run", 36},      {0x56, "download-font", 36}, {0x57, "glyph", 64},
    {0x60, "page-begin", 16},     {0x61, "page-end", 4},
};

const RecordKind* FindKind(std::uint8_t type)
{
    for (const auto& kind : kRecordKinds) {
        if (kind.type == type) return &kind;
    }
    return nullptr;
}

std::string Int(std::int64_t v)
{
    return std::to_string(v);
}

// One record in the joined display list, with the stream offsets of its bytes.
class Record {
public:
    Record(const std::uint8_t* bytes, std::uint32_t length, std::uint64_t listOffset,
           std::function<std::uint64_t(std::uint64_t)> streamOffset)
        : p_(bytes), length_(length), listOffset_(listOffset), streamOffset_(std::move(streamOffset))
    {
    }

    std::uint8_t Type() const { return p_[0]; }
    std::uint32_t Length() const { return length_; }
    const std::uint8_t* Bytes() const { return p_; }
    std::uint8_t U8(std::uint32_t at) const { return p_[at]; }
    std::uint16_t U16(std::uint32_t at) const { return ReadLe16(p_ + at); }
    std::int16_t I16(std::uint32_t at) const { return static_cast<std::int16_t>(ReadLe16(p_ + at)); }
    std::uint32_t U32(std::uint32_t at) const { return ReadLe32(p_ + at); }
    std::int32_t I32(std::uint32_t at) const { return static_cast<std::int32_t>(ReadLe32(p_ + at)); }
    std::span<const std::uint8_t> Span(std::uint32_t at, std::uint64_t count) const
    {
        return {p_ + at, static_cast<std::size_t>(count)};
    }

    std::uint64_t At(std::uint64_t field) const { return streamOffset_(listOffset_ + field); }

    [[noreturn]] void Fail(std::uint64_t field, Rule rule, const std::string& detail) const
    {
        dump::Fail(At(field), rule, std::string("record ") + Hex(Type(), 2) + ": " + detail);
    }

    void Zero(std::uint64_t from, std::uint64_t to, const char* what) const
    {
        for (std::uint64_t i = from; i < to; ++i) {
            if (p_[i] != 0)
                Fail(i, Rule::Reserved,
                     std::string(what) + " byte " + Int(static_cast<std::int64_t>(i)) + " is " + Hex(p_[i], 2));
        }
    }

    void ExpectLength(std::uint64_t expected, std::uint32_t field, const std::string& why) const
    {
        if (length_ != expected)
            Fail(field, Rule::RecordLength,
                 "length " + Int(length_) + ", expected " + Int(static_cast<std::int64_t>(expected)) + " (" + why +
                     ")");
    }

    std::string Rect(std::uint32_t at) const
    {
        return "(" + Int(I32(at)) + "," + Int(I32(at + 4)) + "," + Int(I32(at + 8)) + "," + Int(I32(at + 12)) + ")";
    }

private:
    const std::uint8_t* p_;
    std::uint32_t length_;
    std::uint64_t listOffset_;
    std::function<std::uint64_t(std::uint64_t)> streamOffset_;
};

// A length in pixels as a person reads it: millimetres, or points for type.
std::string Fixed(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", value);
    return buffer;
}

// Bytes of the device's Japanese code page (932) as UTF-8 text; nothing for
// pure ASCII, which the listing shows as it is.
std::optional<std::string> DecodeDeviceName(std::span<const std::uint8_t> bytes)
{
    if (std::none_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b >= 0x80; })) return std::nullopt;
    std::u16string wide(bytes.size(), u'\0');
    const int count =
        MultiByteToWideChar(932, 0, reinterpret_cast<LPCSTR>(bytes.data()), static_cast<int>(bytes.size()),
                            reinterpret_cast<LPWSTR>(wide.data()), static_cast<int>(wide.size()));
    if (count <= 0) return std::nullopt;
    std::string text;
    for (int i = 0; i < count; ++i) {
        char32_t c = wide[static_cast<std::size_t>(i)];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < count)
            c = 0x10000 + ((c - 0xD800) << 10) + (wide[static_cast<std::size_t>(++i)] - 0xDC00);
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | (c >> 6));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            text += static_cast<char>(0xE0 | (c >> 12));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xF0 | (c >> 18));
            text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

std::string HashText(std::span<const std::uint8_t> bytes)
{
    return Hex(ContentHash(bytes), 8);
}

// Wrapping sum, as 32-bit coordinates add on the page.
std::int32_t Add32(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

// ---- paths -------------------------------------------------------------------

struct PathCounts {
    std::uint64_t lines = 0;
    std::uint64_t curves = 0;
    std::uint64_t subpaths = 0;
};

// Subpaths from body offset from to the end of the record: u32 element
// count, start point, then line {0, x, y} and curve {1, x1, y1 .. x3, y3}
// elements.
PathCounts ReadSubpaths(const Record& r, std::uint32_t from, std::string& text)
{
    PathCounts counts;
    std::uint64_t at = from;
    const std::uint64_t end = r.Length();
    while (at < end) {
        if (end - at < 12) r.Fail(at, Rule::PathBody, "subpath header cut short by the record end");
        const std::uint32_t elements = r.U32(static_cast<std::uint32_t>(at));
        text += " {start=(" + Int(r.I32(static_cast<std::uint32_t>(at + 4))) + "," +
                Int(r.I32(static_cast<std::uint32_t>(at + 8))) + ")";
        at += 12;
        ++counts.subpaths;
        for (std::uint32_t e = 0; e < elements; ++e) {
            if (end - at < 4)
                r.Fail(at, Rule::PathBody, "subpath of " + Int(elements) + " elements runs past the record end");
            const std::uint32_t kind = r.U32(static_cast<std::uint32_t>(at));
            const std::uint64_t words = kind == 0 ? 3 : kind == 1 ? 7 : 0;
            if (words == 0) r.Fail(at, Rule::PathBody, "element kind " + Int(kind) + ", not 0 (line) or 1 (curve)");
            if (end - at < words * 4) r.Fail(at, Rule::PathBody, "element cut short by the record end");
            text += kind == 0 ? " L(" : " C(";
            for (std::uint64_t w = 1; w < words; ++w)
                text += (w > 1 ? "," : "") + Int(r.I32(static_cast<std::uint32_t>(at + 4 * w)));
            text += ")";
            (kind == 0 ? counts.lines : counts.curves) += 1;
            at += words * 4;
        }
        text += "}";
    }
    return counts;
}

void CheckPointWords(const Record& r, std::uint32_t field, const PathCounts& counts)
{
    const std::uint64_t expected =
        3 * counts.lines + 7 * counts.curves + 3 * counts.subpaths + (counts.subpaths > 1 ? 1 : 0);
    if (r.U32(field) != expected)
        r.Fail(field, Rule::PathBody,
               "point-word count " + Int(r.U32(field)) + ", the subpaths give " +
                   Int(static_cast<std::int64_t>(expected)));
}

// ---- glyph bitmaps -------------------------------------------------------------

// The bitmap of a glyph record: compression 0 sends rows x ((width + 7) / 8)
// bytes as they are, compression 2 the tokens; the choice and the tokens
// must be what the compression rules give for those bits.
std::string CheckGlyphBitmap(const Record& r, std::uint32_t bitmapAt, std::uint32_t sizeField, std::int32_t width,
                             std::int32_t height, std::uint8_t compression, std::uint32_t compressionField)
{
    if (width < 0 || height < 0) r.Fail(sizeField, Rule::FieldValue, "negative bitmap width or height");
    const std::uint64_t rawSize = static_cast<std::uint64_t>(height) * ((static_cast<std::uint64_t>(width) + 7) / 8);
    const std::uint64_t size = r.U32(sizeField);
    const auto bitmap = r.Span(bitmapAt, size);
    const std::uint64_t capacity = RoundUp4(rawSize);
    if (compression == 0) {
        if (size != rawSize)
            r.Fail(sizeField, Rule::GlyphBitmap,
                   "uncompressed bitmap of " + Int(static_cast<std::int64_t>(size)) + " bytes, rows give " +
                       Int(static_cast<std::int64_t>(rawSize)));
        const auto tokens = CompressGlyphBits(bitmap, static_cast<std::size_t>(capacity));
        if (tokens && !tokens->empty())
            r.Fail(compressionField, Rule::GlyphBitmap,
                   "bitmap sent uncompressed although its " + Int(static_cast<std::int64_t>(tokens->size())) +
                       "-byte compressed form fits");
        return "raw hash=" + HashText(bitmap);
    }
    if (compression != 2)
        r.Fail(compressionField, Rule::FieldValue, "compression " + Int(compression) + ", not 0 or 2");
    if (size == 0) r.Fail(sizeField, Rule::GlyphBitmap, "compressed bitmap of 0 bytes");
    const auto bits = DecompressGlyphBits(bitmap, rawSize);
    if (!bits)
        r.Fail(bitmapAt, Rule::GlyphBitmap,
               "tokens cut short or beyond the " + Int(static_cast<std::int64_t>(rawSize)) + "-byte bitmap");
    const auto again = CompressGlyphBits(*bits, static_cast<std::size_t>(capacity));
    if (!again)
        r.Fail(sizeField, Rule::GlyphBitmap,
               "compressed form of " + Int(static_cast<std::int64_t>(size)) + " bytes exceeds the room of the " +
                   Int(static_cast<std::int64_t>(rawSize)) + "-byte bitmap");
    if (again->empty()) r.Fail(compressionField, Rule::GlyphBitmap, "an all-zero bitmap is sent uncompressed");
    const std::size_t common = std::min(again->size(), bitmap.size());
    std::size_t i = 0;
    while (i < common && (*again)[i] == bitmap[i]) ++i;
    if (i < common || again->size() != bitmap.size())
        r.Fail(bitmapAt + i, Rule::GlyphBitmap,
               "tokens differ from the re-encoded bits at token byte " + Int(static_cast<std::int64_t>(i)));
    // The hash of the bits up to the trailing zeros the tokens leave out;
    // the bitmap size stands for the rest.
    return "compressed bits-hash=" + HashText(*bits);
}

std::string GlyphFlagsText(std::uint8_t flags)
{
    std::string text = (flags & 0x04) ? "indices" : "characters";
    if (flags & 0x40) text += "+cached";
    return text;
}

void CheckGlyphFlags(const Record& r, bool cachedAllowed)
{
    const std::uint8_t flags = r.U8(2);
    const std::uint8_t kind = flags & 0x0C;
    const std::uint8_t allowed = 0x0C | (cachedAllowed ? 0x40 : 0);
    if ((flags & ~allowed) != 0 || (kind != 0x04 && kind != 0x08))
        r.Fail(2, Rule::FieldValue, "glyph flags " + Hex(flags, 2));
}

// ---- font selection -------------------------------------------------------------

void CheckFontFlags(const Record& r, bool downloaded)
{
    const std::uint16_t flags = r.U16(4);
    constexpr std::uint16_t kKnown = 0x0001 | 0x0002 | 0x0004 | 0x0008 | 0x0010 | 0x0020 | 0x0080 | 0x0200 | 0x2000;
    if (flags & ~kKnown) r.Fail(4, Rule::FieldValue, "font flags " + Hex(flags, 4) + " hold unknown bits");
    if ((flags & 0x0020) && !(flags & 0x0002))
        r.Fail(4, Rule::FieldValue, "emboldened (0x0020) without simulated bold (0x0002)");
    const int kinds = ((flags & 0x0004) != 0) + ((flags & 0x0008) != 0) + ((flags & 0x0200) != 0);
    if (kinds > 1) r.Fail(4, Rule::FieldValue, "font flags " + Hex(flags, 4) + " name more than one font kind");
    if (((flags & 0x0008) != 0) == ((flags & 0x2000) != 0))
        r.Fail(4, Rule::FieldValue,
               "font flags " + Hex(flags, 4) + ": 0x2000 must be set for every kind but 2 (0x0008)");
    if (downloaded && kinds != 0) r.Fail(4, Rule::FieldValue, "downloaded font with kind bits " + Hex(flags, 4));
}

}  // namespace

const char* RecordName(std::uint8_t type)
{
    const RecordKind* kind = FindKind(type);
    return kind ? kind->name : "unknown";
}

std::uint64_t PageDecoder::StreamOffset(std::uint64_t listOffset) const
{
    for (auto it = segments_.rbegin(); it != segments_.rend(); ++it) {
        if (listOffset >= it->listStart && (listOffset < it->listStart + it->length || it == segments_.rbegin()))
            return it->streamStart + (listOffset - it->listStart);
    }
    return 0;
}

void PageDecoder::Feed(std::span<const std::uint8_t> payload, std::uint64_t streamOffset)
{
    if (!payload.empty()) {
        segments_.push_back({base_ + list_.size(), streamOffset, payload.size()});
        list_.insert(list_.end(), payload.begin(), payload.end());
    }
    DecodeAvailable();
    DropDecoded();
}

// Keeps memory near one frame's worth on long pages: the decoded bytes and
// the segments that only they used go.
void PageDecoder::DropDecoded()
{
    constexpr std::uint64_t kKeep = 1 << 20;
    if (next_ - base_ < kKeep) return;
    list_.erase(list_.begin(), list_.begin() + static_cast<std::ptrdiff_t>(next_ - base_));
    base_ = next_;
    while (segments_.size() > 1 && segments_.front().listStart + segments_.front().length <= base_)
        segments_.erase(segments_.begin());
}

void PageDecoder::Finish(std::uint64_t endOffset)
{
    if (next_ < base_ + list_.size())
        dump::Fail(StreamOffset(next_), Rule::RecordTruncated,
                   std::string("record ") + Hex(list_[next_ - base_], 2) +
                       " runs past the end of the page's display list");
    if (!begun_) dump::Fail(endOffset, Rule::PageStructure, "the page has no display list (no page-begin record 0x60)");
    if (!ended_)
        dump::Fail(endOffset, Rule::PageStructure, "the display list does not end with the page-end record 0x61");
}

namespace {

// The record length as its header gives it; nothing while the header is not
// complete yet.
std::optional<std::uint64_t> HeaderLength(std::span<const std::uint8_t> rest)
{
    const std::uint8_t type = rest[0];
    switch (type) {
    case 0x31:
    case 0x32:
    case 0x34:
    case 0x35:
    case 0x37:
    case 0x61:
        return 4;
    case 0x33:
    case 0x36:
        return 8;
    case 0x60:
        return 16;
    case 0x30:
        if (rest.size() >= 2) return rest[1];
        break;
    case 0x40:
        if (rest.size() >= 6) return RoundUp4(6 + ReadLe16(rest.data() + 4));
        break;
    case 0x50:
    case 0x56:
        if (rest.size() >= 16) return ReadLe16(rest.data() + 14);
        break;
    default:
        if (rest.size() >= 8) return ReadLe32(rest.data() + 4);
        break;
    }
    return std::nullopt;
}

std::uint32_t LengthField(std::uint8_t type)
{
    switch (type) {
    case 0x30:
        return 1;
    case 0x40:
        return 4;
    case 0x50:
    case 0x56:
        return 14;
    default:
        return 4;
    }
}

class RecordDecoder {
public:
    RecordDecoder(const Record& r, PageState& state, std::string& line) : r_(r), s_(state), out_(line) {}

    void Decode()
    {
        const std::uint8_t type = r_.Type();
        const bool wasSplitStroke = s_.splitStroke;
        s_.splitStroke = false;
        switch (type) {
        case 0x10:
            Rectangle();
            break;
        case 0x11:
        case 0x12:
            Path(wasSplitStroke);
            break;
        case 0x20:
            Image();
            break;
        case 0x30:
            Colour();
            break;
        case 0x31:
            Rop();
            break;
        case 0x32:
            BackgroundMode();
            break;
        case 0x33:
            LineWidth();
            break;
        case 0x34:
            DashPhase();
            break;
        case 0x35:
            LineCap();
            break;
        case 0x36:
            LineJoin();
            break;
        case 0x37:
            ClipReset();
            break;
        case 0x40:
            Pattern();
            break;
        case 0x50:
        case 0x56:
            FontSelect();
            break;
        case 0x51:
            Character();
            break;
        case 0x52:
            String();
            break;
        case 0x53:
        case 0x57:
            Glyph();
            break;
        case 0x54:
            GlyphDefinition();
            break;
        case 0x55:
            GlyphRun();
            break;
        case 0x60:
            PageBegin();
            break;
        case 0x61:
            r_.Zero(1, 4, "page-end");
            break;
        }
    }

private:
    void Rectangle()
    {
        r_.Zero(1, 2, "byte");
        r_.Zero(3, 4, "byte");
        const std::uint8_t kind = r_.U8(2);
        if (kind == 5) {
            r_.ExpectLength(24, 4, "clip rectangle");
            const std::array<std::int32_t, 4> rect{r_.I32(8), r_.I32(12), r_.I32(16), r_.I32(20)};
            if (s_.clip == PageState::Clip::Rectangle && s_.clipRect == rect)
                r_.Fail(0, Rule::StateRepeat, "clip rectangle " + r_.Rect(8) + " repeats the current clip");
            s_.clip = PageState::Clip::Rectangle;
            s_.clipRect = rect;
            out_ += " clip=" + r_.Rect(8);
            return;
        }
        if (kind != 1) r_.Fail(2, Rule::FieldValue, "rectangle kind " + Int(kind) + ", not 1 (filled) or 5 (clip)");
        r_.ExpectLength(40, 4, "filled rectangle");
        for (std::uint32_t i = 0; i < 16; ++i) {
            if (r_.U8(24 + i) != r_.U8(8 + i))
                r_.Fail(24 + i, Rule::FieldValue, "second rectangle differs from the first");
        }
        out_ += " fill=" + r_.Rect(8);
    }

    void Path(bool wasSplitStroke)
    {
        r_.Zero(1, 2, "byte");
        r_.Zero(3, 4, "byte");
        const std::uint8_t flags = r_.U8(2);
        const std::uint8_t mode = flags & 0x07;
        if ((flags & ~0x1F) != 0) r_.Fail(2, Rule::FieldValue, "path flags " + Hex(flags, 2) + " hold unknown bits");
        if (mode > 5) r_.Fail(2, Rule::FieldValue, "drawing mode " + Int(mode));
        std::string body;
        const PathCounts counts = ReadSubpaths(r_, 28, body);
        CheckPointWords(r_, 24, counts);
        const bool several = counts.subpaths > 1;
        if (((flags & 0x10) != 0) != several)
            r_.Fail(2, Rule::FieldValue,
                    "flag 0x10 does not match " + Int(static_cast<std::int64_t>(counts.subpaths)) + " subpaths");
        if (mode == 0 && several && (flags & 0x08))
            r_.Fail(0, Rule::PathBody,
                    "a stroke of several subpaths with a closed figure is sent one record per subpath");
        if (r_.Type() == 0x12 && counts.curves != 0) r_.Fail(0, Rule::PathBody, "record 0x12 holds curves");
        if (r_.Type() == 0x11 && counts.curves == 0 && !(wasSplitStroke && mode == 0 && !several))
            r_.Fail(0, Rule::PathBody, "record 0x11 without a curve");
        s_.splitStroke = r_.Type() == 0x11 && mode == 0 && !several;
        if (mode == 5) s_.clip = PageState::Clip::Path;
        static const char* const kModes[] = {
            "stroke", "fill-alternate", "fill-winding", "stroke-fill-alternate", "stroke-fill-winding", "clip"};
        out_ += std::string(" mode=") + kModes[mode] + ((flags & 0x08) ? " closed" : "") + " bounds=" + r_.Rect(8) +
                " words=" + Int(r_.U32(24)) + body + " (bounds in pixels, points in 1/16 pixel)";
    }

    void Image()
    {
        const std::uint8_t reduced = r_.U8(1);
        const std::uint8_t format = r_.U8(2);
        const std::uint8_t mode = r_.U8(3);
        if (reduced != 0 && reduced != 2)
            r_.Fail(1, Rule::FieldValue, "byte 1 " + Hex(reduced, 2) + ", not 0 or 0x02 (reduced)");
        if ((mode & ~0x0C) != 0) r_.Fail(3, Rule::FieldValue, "byte 3 " + Hex(mode, 2) + " holds unknown bits");
        const std::uint8_t depth = format & 0x0F;
        if ((format & 0x40) != 0)
            r_.Fail(2, Rule::ImageLayout, "format byte " + Hex(format, 2) + " holds unknown bit 0x40");
        static const std::uint32_t kBits[] = {1, 4, 8, 0, 24};
        static const std::uint32_t kPalette[] = {6, 48, 768, 0, 0};
        if (depth > 4 || depth == 3) r_.Fail(2, Rule::ImageLayout, "pixel format " + Int(depth));
        const bool grey = (format & 0x10) != 0;
        const bool noPalette = (format & 0x20) != 0;
        if (grey && (depth != 2 || !noPalette))
            r_.Fail(2, Rule::ImageLayout, "grey reduction (0x10) needs format 2 and no palette (0x20)");
        if (depth == 4 && !noPalette) r_.Fail(2, Rule::ImageLayout, "24-bit image without the no-palette flag 0x20");
        const std::uint64_t palette = noPalette ? 0 : kPalette[depth];
        const std::uint64_t width = r_.U32(32);
        const std::uint64_t rows = r_.U32(36);
        if (width == 0) r_.Fail(32, Rule::ImageLayout, "bitmap width 0");
        const std::uint64_t rowSize = (width * kBits[depth] + 31) / 32 * 4;
        if (rows != 0 && rowSize > (std::uint64_t{1} << 33) / rows)
            r_.Fail(36, Rule::RecordLength,
                    Int(static_cast<std::int64_t>(rows)) + " rows of " + Int(static_cast<std::int64_t>(rowSize)) +
                        " bytes exceed any record length");
        const std::uint64_t data = rowSize * rows;
        const std::uint64_t expected = RoundUp4(56 + palette + data);
        r_.ExpectLength(expected, 4,
                        "56 + palette " + Int(static_cast<std::int64_t>(palette)) + " + " +
                            Int(static_cast<std::int64_t>(rows)) + " rows of " +
                            Int(static_cast<std::int64_t>(rowSize)));
        const std::int32_t left = r_.I32(8), top = r_.I32(12);
        const std::int32_t dx = r_.I32(40), dy = r_.I32(44), dw = r_.I32(48), dh = r_.I32(52);
        if (left != dx || top != dy || r_.I32(16) != Add32(dx, dw) || r_.I32(20) != Add32(dy, dh))
            r_.Fail(8, Rule::ImageLayout,
                    "destination rectangle " + r_.Rect(8) + " differs from the destination " + r_.Rect(40));
        const std::uint64_t dataAt = 56 + palette;
        r_.Zero(dataAt + data, r_.Length(), "padding");
        if (grey) {
            for (std::uint64_t row = 0; row < rows; ++row)
                r_.Zero(dataAt + row * rowSize + width, dataAt + (row + 1) * rowSize, "grey row padding");
        }
        static const char* const kDepth[] = {"1-bit", "4-bit", "8-bit", "", "24-bit"};
        out_ += std::string(" format=") + kDepth[depth] + (grey ? " grey" : "") +
                ((format & 0x80) ? " blt-source" : "") + (reduced ? " reduced" : "") +
                ((mode & 0x04) ? " raster" : "") + ((mode & 0x08) ? " host-matched" : "") + " rect=" + r_.Rect(8) +
                " source=(" + Int(r_.I32(24)) + "," + Int(r_.I32(28)) +
                ") bitmap=" + Int(static_cast<std::int64_t>(width)) + "x" + Int(static_cast<std::int64_t>(rows)) +
                " dest=" + r_.Rect(40) + " palette=" + Int(static_cast<std::int64_t>(palette / 3)) +
                (palette ? " palette-hash=" + HashText(r_.Span(56, palette)) : "") +
                " data-hash=" + HashText(r_.Span(static_cast<std::uint32_t>(dataAt), data));
    }

    void Colour()
    {
        const std::uint8_t length = r_.U8(1);
        const std::uint8_t flags = r_.U8(2);
        r_.Zero(3, 4, "byte");
        if ((flags & 0x01) == 0) r_.Fail(2, Rule::FieldValue, "colour flags " + Hex(flags, 2) + " without 0x01");
        if ((flags & ~(0x01 | 0x08 | 0x10 | 0x40 | 0x80)) != 0)
            r_.Fail(2, Rule::FieldValue, "colour flags " + Hex(flags, 2) + " hold unknown bits");
        const int colours = 1 + ((flags & 0x08) != 0) + ((flags & 0x10) != 0);
        r_.ExpectLength(static_cast<std::uint64_t>((3 * colours + 7) & ~3), 1, Int(colours) + " colours");
        (void)length;
        r_.Zero(4 + 3 * colours, r_.Length(), "padding");
        auto rgb = [&](int i) {
            return Hex(r_.U8(4 + 3 * i), 2) + Hex(r_.U8(5 + 3 * i), 2) + Hex(r_.U8(6 + 3 * i), 2);
        };
        int next = 0;
        out_ += " fg=" + rgb(next++);
        if (flags & 0x08) out_ += " bg=" + rgb(next++);
        if (flags & 0x10) out_ += " pen=" + rgb(next++);
        if (flags & 0x40) out_ += " text";
        if (flags & 0x80) out_ += " host-matched";
    }

    void Rop()
    {
        r_.Zero(2, 4, "byte");
        const std::uint8_t rop = r_.U8(1);
        if (rop == 0xF0) r_.Fail(1, Rule::FieldValue, "ROP3 0xF0 goes out as 0xCC");
        // 0xCC may follow 0xCC: one of them can have been asked as 0xF0.
        if (s_.rop == rop && rop != 0xCC)
            r_.Fail(0, Rule::StateRepeat, "ROP3 " + Hex(rop, 2) + " repeats the current one");
        s_.rop = rop;
        out_ += " rop3=" + Hex(rop, 2);
    }

    void BackgroundMode()
    {
        r_.Zero(2, 4, "byte");
        const std::uint8_t mode = r_.U8(1);
        if (mode != 1 && mode != 2) r_.Fail(1, Rule::FieldValue, "background mode " + Int(mode) + ", not 1 or 2");
        if (s_.background == mode) r_.Fail(0, Rule::StateRepeat, "background mode repeats the current one");
        s_.background = mode;
        out_ += mode == 1 ? " transparent" : " opaque";
    }

    void LineWidth()
    {
        const std::uint8_t unit = r_.U8(1);
        if (unit == 0) r_.Fail(1, Rule::FieldValue, "dash unit 0");
        const std::array<std::uint32_t, 3> value{unit, r_.U16(2), r_.U32(4)};
        if (s_.lineWidth == value) r_.Fail(0, Rule::StateRepeat, "line width and dash pattern repeat the current ones");
        s_.lineWidth = value;
        out_ += " width=" + Int(r_.U16(2)) + " dash-unit=" + Int(unit) + " dash-mask=" + Hex(r_.U32(4), 8);
    }

    void DashPhase()
    {
        r_.Zero(2, 4, "byte");
        if (s_.dashPhase == r_.U8(1)) r_.Fail(0, Rule::StateRepeat, "dash phase repeats the current one");
        s_.dashPhase = r_.U8(1);
        out_ += " phase=" + Int(r_.U8(1));
    }

    void LineCap()
    {
        r_.Zero(2, 4, "byte");
        const std::uint8_t cap = r_.U8(1);
        if (cap > 2) r_.Fail(1, Rule::FieldValue, "end cap " + Int(cap) + ", not 0 to 2");
        if (s_.lineCap == cap) r_.Fail(0, Rule::StateRepeat, "end cap repeats the current one");
        s_.lineCap = cap;
        static const char* const kCaps[] = {"round", "flat", "square"};
        out_ += std::string(" cap=") + kCaps[cap];
    }

    void LineJoin()
    {
        r_.Zero(2, 4, "byte");
        const std::uint8_t join = r_.U8(1);
        if (join > 2) r_.Fail(1, Rule::FieldValue, "join " + Int(join) + ", not 0 to 2");
        const std::pair<std::uint8_t, std::uint32_t> value{join, r_.U32(4)};
        if (s_.lineJoin == value) r_.Fail(0, Rule::StateRepeat, "join and miter limit repeat the current ones");
        s_.lineJoin = value;
        static const char* const kJoins[] = {"round", "bevel", "miter"};
        out_ += std::string(" join=") + kJoins[join] + " miter-limit=" + Int(r_.U32(4)) + "/256";
    }

    void ClipReset()
    {
        r_.Zero(1, 4, "clip-reset");
        if (s_.clip == PageState::Clip::WholePage)
            r_.Fail(0, Rule::StateRepeat, "clip reset while the clip is the whole page");
        s_.clip = PageState::Clip::WholePage;
    }

    void Pattern()
    {
        const std::uint8_t flags = r_.U8(1);
        const std::uint8_t side = r_.U8(2);
        if (r_.U8(3) != 1) r_.Fail(3, Rule::FieldValue, "byte 3 is " + Int(r_.U8(3)) + ", not 1");
        if ((flags & ~(0x01 | 0x40 | 0x80)) != 0)
            r_.Fail(1, Rule::FieldValue, "pattern flags " + Hex(flags, 2) + " hold unknown bits");
        if (side != 0 && side != 16 && side != 32 && side != 64)
            r_.Fail(2, Rule::FieldValue, "pattern side " + Int(side));
        const std::uint16_t data = r_.U16(4);
        const bool solid = (flags & 0x80) == 0;
        if (solid) {
            if (data != 0) r_.Fail(4, Rule::FieldValue, "solid brush with pattern data");
            if (flags & 0x01) r_.Fail(1, Rule::FieldValue, "solid brush marked 24-bit");
            if (s_.solidPattern) r_.Fail(0, Rule::StateRepeat, "solid brush repeats the current solid brush");
        } else {
            if (side == 0) r_.Fail(2, Rule::FieldValue, "pattern brush without a pattern side");
            const std::uint32_t expected = (flags & 0x01) ? side * side * 3u : side * side / 8u;
            if (data != expected)
                r_.Fail(4, Rule::FieldValue, "pattern data length " + Int(data) + ", the side gives " + Int(expected));
        }
        s_.solidPattern = solid;
        r_.Zero(6 + data, r_.Length(), "padding");
        out_ += solid ? " solid"
                      : std::string(" pattern ") + ((flags & 0x01) ? "24-bit" : "1-bit") + " side=" + Int(side) +
                            " data-hash=" + HashText(r_.Span(6, data));
        if (flags & 0x40) out_ += " host-matched";
    }

    void FontSelect()
    {
        const bool downloaded = r_.Type() == 0x56;
        const std::uint32_t nameAt = downloaded ? 32 : 24;
        if (downloaded) {
            r_.Zero(3, 4, "byte");
            r_.Zero(24, 32, "reserved");
        } else {
            r_.Zero(1, 2, "byte");
        }
        r_.Zero(16, 20, "reserved");
        CheckFontFlags(r_, downloaded);
        if (r_.U16(8) > 359) r_.Fail(8, Rule::FieldValue, "escapement " + Int(r_.U16(8)) + ", above 359");
        std::uint32_t nameLength = 0;
        while (nameAt + nameLength < r_.Length() && r_.U8(nameAt + nameLength) != 0) ++nameLength;
        const std::uint64_t units = (nameLength + 1) / 2;
        r_.ExpectLength((2 * units + nameAt + 4) & ~std::uint64_t{3}, 14, "name of " + Int(nameLength) + " bytes");
        r_.Zero(nameAt + nameLength, r_.Length(), "name padding");
        const std::uint16_t flags = r_.U16(4);
        const std::uint32_t charset = downloaded ? 1 : 2;
        out_ += " charset=" + Int(r_.U8(charset)) + " pitch-family=" + Hex(r_.U8(charset + 1), 2) +
                " flags=" + Hex(flags, 4) + " weight=" + Int(r_.U16(6)) + " escapement=" + Int(r_.U16(8)) +
                " em=" + Int(r_.U16(10)) + "x" + Int(r_.U16(12)) + " leading=" + Int(r_.U16(20)) +
                " default=" + Hex(r_.U16(22), 4) + " name=\"" + EscapeBytes(r_.Span(nameAt, nameLength)) + "\"";
        // For people: the name in its code page, and the em (in pixels) in points too.
        if (const auto name = DecodeDeviceName(r_.Span(nameAt, nameLength)))
            out_ += " (" + *name + " in code page 932)";
        out_ += " (em " + Int(r_.U16(10)) + " x " + Int(r_.U16(12)) + " pixels";
        if (s_.resolution) out_ += ", " + Fixed(r_.U16(12) * 72.0 / s_.resolution) + " points";
        out_ += ")";
    }

    void Character()
    {
        r_.Zero(1, 2, "byte");
        r_.Zero(3, 4, "byte");
        r_.Zero(34, 36, "reserved");
        const std::uint8_t kind = r_.U8(2);
        out_ +=
            " box=" + r_.Rect(8) + " at=(" + Int(r_.I32(24)) + "," + Int(r_.I32(28)) + ") code=" + Hex(r_.U16(32), 4);
        if (kind == 0) {
            r_.ExpectLength(36, 4, "device character");
            return;
        }
        if (kind != 1) r_.Fail(2, Rule::FieldValue, "character kind " + Int(kind) + ", not 0 (device) or 1 (outline)");
        if (r_.Length() < 40) r_.Fail(4, Rule::RecordLength, "outline character without a path body");
        std::string body;
        const PathCounts counts = ReadSubpaths(r_, 40, body);
        CheckPointWords(r_, 36, counts);
        out_ += " outline words=" + Int(r_.U32(36)) + body + " (points in 1/16 pixel from the box's top left)";
    }

    void String()
    {
        r_.Zero(1, 2, "byte");
        r_.Zero(3, 4, "byte");
        r_.Zero(34, 36, "reserved");
        const std::uint8_t flags = r_.U8(2);
        if (flags != 0 && flags != 0x80) r_.Fail(2, Rule::FieldValue, "string flags " + Hex(flags, 2));
        const std::uint64_t count = r_.U16(32);
        const std::uint64_t advances = flags ? count : 1;
        const std::uint64_t body = 2 * advances + 2 * count;
        r_.ExpectLength(36 + RoundUp4(body), 4,
                        Int(static_cast<std::int64_t>(advances)) + " advances and " +
                            Int(static_cast<std::int64_t>(count)) + " characters");
        r_.Zero(36 + body, r_.Length(), "padding");
        out_ += " box=" + r_.Rect(8) + " at=(" + Int(r_.I32(24)) + "," + Int(r_.I32(28)) + ") advances=";
        for (std::uint64_t i = 0; i < advances; ++i)
            out_ += (i ? "," : "") + Int(r_.I16(static_cast<std::uint32_t>(36 + 2 * i)));
        out_ += " text=\"";
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint16_t c = r_.U16(static_cast<std::uint32_t>(36 + 2 * advances + 2 * i));
            if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
                out_ += static_cast<char>(c);
            } else {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04X", c);
                out_ += buffer;
            }
        }
        out_ += "\"";
    }

    void Glyph()
    {
        const bool kept = r_.Type() == 0x53;
        r_.Zero(1, 2, "byte");
        r_.Zero(3, 4, "byte");
        r_.Zero(56, 60, "reserved");
        r_.Zero(63, 64, "byte");
        CheckGlyphFlags(r_, kept);
        const std::int32_t left = r_.I32(8), top = r_.I32(12);
        const std::int32_t x = r_.I32(36), y = r_.I32(40), width = r_.I32(44), height = r_.I32(48);
        if (left != x || top != y || r_.I32(16) != Add32(x, width) || r_.I32(20) != Add32(y, height))
            r_.Fail(8, Rule::FieldValue,
                    "bitmap box " + r_.Rect(8) + " differs from the bitmap at (" + Int(x) + "," + Int(y) + ") of " +
                        Int(width) + "x" + Int(height));
        const std::uint8_t flags = r_.U8(2);
        const std::uint16_t code = r_.U16(60);
        const std::uint8_t compression = r_.U8(62);
        const std::uint32_t bitmapOffset = r_.U32(32);
        const auto key = std::make_pair(code, static_cast<std::uint8_t>(flags & 0x0C));
        out_ += std::string(" ") + GlyphFlagsText(flags) + " code=" + Hex(code, 4) + " box=" + r_.Rect(8) + " cell=(" +
                Int(r_.I32(24)) + "," + Int(r_.I32(28)) + ") size=" + Int(r_.U32(52));
        if (bitmapOffset == 0 && kept) {
            if (!(flags & 0x40)) r_.Fail(2, Rule::FieldValue, "glyph without bitmap lacks the cached flag 0x40");
            if (r_.U32(52) != 0) r_.Fail(52, Rule::FieldValue, "glyph without bitmap with a bitmap size");
            if (compression != 0) r_.Fail(62, Rule::FieldValue, "glyph without bitmap with a compression");
            r_.ExpectLength(64, 4, "glyph without bitmap");
            if (!s_.keptGlyphs.count(key))
                r_.Fail(0, Rule::GlyphReuse, "glyph " + Hex(code, 4) + " drawn without bitmap before the page sent it");
            out_ += " no-bitmap";
            return;
        }
        if (bitmapOffset != 64)
            r_.Fail(32, Rule::FieldValue, "bitmap offset " + Int(bitmapOffset) + (kept ? ", not 64 or 0" : ", not 64"));
        r_.ExpectLength(64 + RoundUp4(r_.U32(52)), 4, "64 + bitmap size rounded up to 4");
        out_ += " " + CheckGlyphBitmap(r_, 64, 52, width, height, compression, 62);
        r_.Zero(64 + static_cast<std::uint64_t>(r_.U32(52)), r_.Length(), "bitmap padding");
        if (kept) s_.keptGlyphs.insert(key);
    }

    void GlyphDefinition()
    {
        r_.Zero(1, 2, "byte");
        r_.Zero(3, 4, "byte");
        r_.Zero(20, 24, "reserved");
        r_.Zero(27, 28, "byte");
        CheckGlyphFlags(r_, false);
        const std::uint32_t size = r_.U32(8);
        if (size == 0) r_.Fail(8, Rule::FieldValue, "glyph definition without a bitmap");
        r_.ExpectLength(28 + RoundUp4(size), 4, "28 + bitmap size rounded up to 4");
        const std::uint16_t code = r_.U16(24);
        out_ += std::string(" ") + GlyphFlagsText(r_.U8(2)) + " code=" + Hex(code, 4) + " bitmap=" + Int(r_.I32(12)) +
                "x" + Int(r_.I32(16)) + " size=" + Int(size) + " " +
                CheckGlyphBitmap(r_, 28, 8, r_.I32(12), r_.I32(16), r_.U8(26), 26);
        r_.Zero(28 + static_cast<std::uint64_t>(size), r_.Length(), "bitmap padding");
        s_.keptGlyphs.insert({code, static_cast<std::uint8_t>(r_.U8(2) & 0x0C)});
    }

    void GlyphRun()
    {
        r_.Zero(1, 2, "byte");
        r_.Zero(3, 4, "byte");
        r_.Zero(34, 36, "reserved");
        CheckGlyphFlags(r_, false);
        const std::uint64_t count = r_.U16(32);
        r_.ExpectLength(36 + RoundUp4(6 * count), 4, Int(static_cast<std::int64_t>(count)) + " glyphs of 6 bytes");
        r_.Zero(36 + 6 * count, r_.Length(), "padding");
        if (count > 0 && (r_.I16(36) != 0 || r_.I16(38) != 0))
            r_.Fail(36, Rule::FieldValue, "the first glyph of a run has an offset");
        out_ += std::string(" ") + GlyphFlagsText(r_.U8(2)) + " box=" + r_.Rect(8) + " at=(" + Int(r_.I32(24)) + "," +
                Int(r_.I32(28)) + ") glyphs=";
        for (std::uint64_t i = 0; i < count; ++i) {
            const auto at = static_cast<std::uint32_t>(36 + 6 * i);
            out_ += (i ? " " : "") + Hex(r_.U16(at + 4), 4) + "@" + Int(r_.I16(at)) + "," + Int(r_.I16(at + 2));
        }
    }

    void PageBegin()
    {
        r_.Zero(1, 4, "page-begin");
        if (r_.U16(12) != r_.U16(14)) r_.Fail(14, Rule::FieldValue, "the two resolutions differ");
        out_ += " width=" + Int(r_.I32(4)) + " page-length=" + Int(r_.I32(8)) + " resolution=" + Int(r_.U16(12));
        s_.resolution = r_.U16(12);
        if (s_.resolution)
            out_ += " (pixels at " + Int(s_.resolution) + " dpi: " + Fixed(r_.I32(4) * 25.4 / s_.resolution) + " x " +
                    Fixed(r_.I32(8) * 25.4 / s_.resolution) + " mm)";
    }

    const Record& r_;
    PageState& s_;
    std::string& out_;
};

}  // namespace

void PageDecoder::DecodeAvailable()
{
    while (next_ < base_ + list_.size()) {
        const std::span<const std::uint8_t> rest(list_.data() + (next_ - base_), base_ + list_.size() - next_);
        const std::uint8_t type = rest[0];
        const RecordKind* kind = FindKind(type);
        if (!kind) dump::Fail(StreamOffset(next_), Rule::RecordType, "unknown record type " + Hex(type, 2));
        if (ended_) dump::Fail(StreamOffset(next_), Rule::PageStructure, "record after the page-end record 0x61");
        if (!begun_ && type != 0x60)
            dump::Fail(StreamOffset(next_), Rule::PageStructure,
                       "the display list starts with " + Hex(type, 2) + ", not the page-begin record 0x60");
        if (begun_ && type == 0x60)
            dump::Fail(StreamOffset(next_), Rule::PageStructure, "a second page-begin record in the page");
        const std::optional<std::uint64_t> header = HeaderLength(rest);
        if (!header) return;  // the rest of the header comes with the next frame
        const std::uint64_t length = *header;
        const std::uint32_t field = LengthField(type);
        if (length % 4 != 0 || length < kind->minimum)
            dump::Fail(StreamOffset(next_ + field), Rule::RecordLength,
                       std::string("record ") + Hex(type, 2) + ": length " + std::to_string(length) +
                           (length % 4 ? ", not a multiple of 4"
                                       : ", below the smallest of its type (" + std::to_string(kind->minimum) + ")"));
        if (length > rest.size()) return;
        const std::uint64_t at = next_;
        Record record(rest.data(), static_cast<std::uint32_t>(length), at,
                      [this](std::uint64_t offset) { return StreamOffset(offset); });
        std::string line = "  " + Hex(StreamOffset(at), 6) + " " + Hex(type, 2) + " " + kind->name +
                           " length=" + std::to_string(length);
        if (type == 0x60) state_ = PageState{};
        RecordDecoder(record, state_, line).Decode();
        listing_ += line + "\n";
        if (sink_) sink_->Record(rest.first(static_cast<std::size_t>(length)));
        ++summary_.records[type];
        next_ += length;
        if (type == 0x60) begun_ = true;
        if (type == 0x61) ended_ = true;
    }
}

}  // namespace vexl::dump
