// Hand-made job streams for the decoder's tests, written field by field from
// the frame and record tables.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace vexl::test {

struct Bytes {
    std::vector<std::uint8_t> v;

    Bytes& U8(std::uint32_t x)
    {
        v.push_back(static_cast<std::uint8_t>(x));
        return *this;
    }
    Bytes& U16(std::uint32_t x)
    {
        U8(x);
        return U8(x >> 8);
    }
    Bytes& U32(std::uint32_t x)
    {
        U16(x);
        return U16(x >> 16);
    }
    Bytes& I16(std::int32_t x) { return U16(static_cast<std::uint32_t>(x)); }
    Bytes& I32(std::int32_t x) { return U32(static_cast<std::uint32_t>(x)); }
    Bytes& Raw(std::initializer_list<std::uint8_t> bytes)
    {
        v.insert(v.end(), bytes);
        return *this;
    }
    Bytes& Raw(const std::vector<std::uint8_t>& bytes)
    {
        v.insert(v.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Bytes& Text(std::string_view text)
    {
        v.insert(v.end(), text.begin(), text.end());
        return *this;
    }
    Bytes& Zeros(std::size_t n)
    {
        v.resize(v.size() + n);
        return *this;
    }
    Bytes& Pad4()
    {
        while (v.size() % 4) v.push_back(0);
        return *this;
    }
    Bytes& Rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) { return I32(l).I32(t).I32(r).I32(b); }
    Bytes& Add(const Bytes& other) { return Raw(other.v); }
    std::size_t size() const { return v.size(); }
};

inline Bytes Frame(std::uint8_t type, const Bytes& payload)
{
    Bytes b;
    b.U8(type).Zeros(3).U32(static_cast<std::uint32_t>(payload.size())).Add(payload);
    return b;
}

inline Bytes TextOf(std::string_view text)
{
    return Bytes{}.Text(text);
}

// ---- records ----------------------------------------------------------------

inline Bytes PageBegin(std::int32_t width = 4800, std::int32_t length = 7000, std::uint16_t dpi = 600)
{
    return Bytes{}.U8(0x60).Zeros(3).I32(width).I32(length).U16(dpi).U16(dpi);
}
inline Bytes PageEnd()
{
    return Bytes{}.Raw({0x61, 0, 0, 0});
}

inline Bytes FillRect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b)
{
    return Bytes{}.Raw({0x10, 0, 1, 0}).U32(40).Rect(l, t, r, b).Rect(l, t, r, b);
}
inline Bytes ClipRect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b)
{
    return Bytes{}.Raw({0x10, 0, 5, 0}).U32(24).Rect(l, t, r, b);
}
inline Bytes ClipReset()
{
    return Bytes{}.Raw({0x37, 0, 0, 0});
}

// Colours as R, G, B byte triples; flags as the record's byte 2.
inline Bytes Colour(std::uint8_t flags, std::initializer_list<std::uint32_t> colours)
{
    const int n = static_cast<int>(colours.size());
    Bytes b;
    b.U8(0x30).U8((3 * n + 7) & ~3).U8(flags).U8(0);
    for (const std::uint32_t c : colours) b.U8(c >> 16).U8(c >> 8).U8(c);
    return b.Pad4();
}
inline Bytes Rop(std::uint8_t rop)
{
    return Bytes{}.Raw({0x31, rop, 0, 0});
}
inline Bytes Background(std::uint8_t mode)
{
    return Bytes{}.Raw({0x32, mode, 0, 0});
}
inline Bytes LineWidth(std::uint8_t unit, std::uint16_t width, std::uint32_t mask)
{
    return Bytes{}.U8(0x33).U8(unit).U16(width).U32(mask);
}
inline Bytes DashPhase(std::uint8_t phase)
{
    return Bytes{}.Raw({0x34, phase, 0, 0});
}
inline Bytes LineCap(std::uint8_t cap)
{
    return Bytes{}.Raw({0x35, cap, 0, 0});
}
inline Bytes LineJoin(std::uint8_t join, std::uint32_t miter)
{
    return Bytes{}.Raw({0x36, join, 0, 0}).U32(miter);
}

inline Bytes SolidPattern()
{
    return Bytes{}.Raw({0x40, 0x00, 32, 1}).U16(0).Pad4();
}
inline Bytes OneBitPattern(std::uint8_t fill)
{
    Bytes b;
    b.Raw({0x40, 0x80, 32, 1}).U16(128);
    for (int i = 0; i < 128; ++i) b.U8(fill);
    return b.Pad4();
}

// A subpath: element count, start point, then elements of 3 or 7 words.
struct Subpath {
    std::int32_t x, y;
    std::vector<std::vector<std::int32_t>> elements;  // {x, y} line or {x1, y1, x2, y2, x3, y3} curve
};

inline Bytes SubpathBytes(const std::vector<Subpath>& subpaths, std::uint32_t& words, bool& curves)
{
    Bytes b;
    words = subpaths.size() > 1 ? 1 : 0;
    curves = false;
    for (const auto& s : subpaths) {
        b.U32(static_cast<std::uint32_t>(s.elements.size())).I32(s.x).I32(s.y);
        words += 3;
        for (const auto& e : s.elements) {
            const bool curve = e.size() == 6;
            b.U32(curve ? 1 : 0);
            for (const auto w : e) b.I32(w);
            words += curve ? 7 : 3;
            curves = curves || curve;
        }
    }
    return b;
}

inline Bytes PathRecord(std::uint8_t mode, bool closed, const std::vector<Subpath>& subpaths, int forceType = 0)
{
    std::uint32_t words = 0;
    bool curves = false;
    const Bytes body = SubpathBytes(subpaths, words, curves);
    Bytes b;
    const std::uint8_t type = forceType ? static_cast<std::uint8_t>(forceType) : curves ? 0x11 : 0x12;
    b.U8(type).U8(0).U8(mode | (closed ? 0x08 : 0) | (subpaths.size() > 1 ? 0x10 : 0)).U8(0);
    b.U32(static_cast<std::uint32_t>(28 + body.size())).Rect(0, 0, 100, 100).U32(words).Add(body);
    return b;
}

inline Bytes FontSelect(std::uint8_t type, std::uint16_t flags, std::string_view name)
{
    const bool downloaded = type == 0x56;
    const std::size_t units = (name.size() + 1) / 2;
    const std::size_t length = (2 * units + (downloaded ? 36 : 28)) & ~std::size_t{3};
    Bytes b;
    b.U8(type);
    if (!downloaded) b.U8(0);
    b.U8(128).U8(0x31);
    if (downloaded) b.U8(0);
    b.U16(flags).U16(400).U16(0).U16(50).U16(50).U16(static_cast<std::uint16_t>(length)).U32(0).U16(5).U16(0x20);
    if (downloaded) b.Zeros(8);
    b.Text(name);
    b.Zeros(length - b.size());
    return b;
}

inline Bytes DeviceChar(std::uint16_t code)
{
    return Bytes{}.Raw({0x51, 0, 0, 0}).U32(36).Rect(10, 20, 60, 70).I32(10).I32(20).U16(code).U16(0);
}

inline Bytes DeviceString(std::u16string_view text, std::vector<std::int16_t> advances)
{
    const bool each = advances.size() == text.size() && text.size() != 1;
    const std::size_t body = 2 * advances.size() + 2 * text.size();
    Bytes b;
    b.Raw({0x52, 0, static_cast<std::uint8_t>(each ? 0x80 : 0), 0})
        .U32(static_cast<std::uint32_t>(36 + ((body + 3) & ~std::size_t{3})));
    b.Rect(0, 0, 200, 50).I32(0).I32(10).U16(static_cast<std::uint16_t>(text.size())).U16(0);
    for (const auto a : advances) b.I16(a);
    for (const auto c : text) b.U16(c);
    return b.Pad4();
}

// Glyph drawn (0x53 kept, 0x57 one-off) with its bitmap as given.
inline Bytes GlyphDrawn(std::uint8_t type, std::uint8_t flags, std::uint16_t code, std::int32_t width,
                        std::int32_t height, std::uint8_t compression, const std::vector<std::uint8_t>& bitmap)
{
    Bytes b;
    b.U8(type).U8(0).U8(flags).U8(0).U32(static_cast<std::uint32_t>(64 + ((bitmap.size() + 3) & ~std::size_t{3})));
    b.Rect(100, 200, 100 + width, 200 + height).I32(100).I32(180).U32(64).I32(100).I32(200).I32(width).I32(height);
    b.U32(static_cast<std::uint32_t>(bitmap.size())).U32(0).U16(code).U8(compression).U8(0).Raw(bitmap);
    return b.Pad4();
}

// A kept glyph drawn again without its bitmap: size 0, offset 0, compression
// 0, the glyph's own width and height.
inline Bytes GlyphAgain(std::uint8_t flags, std::uint16_t code, std::int32_t width, std::int32_t height)
{
    Bytes b;
    b.Raw({0x53, 0, flags, 0}).U32(64).Rect(300, 200, 300 + width, 200 + height).I32(300).I32(180).U32(0);
    b.I32(300).I32(200).I32(width).I32(height).U32(0).U32(0).U16(code).U8(0).U8(0);
    return b;
}

inline Bytes GlyphDefinition(std::uint8_t flags, std::uint16_t code, std::int32_t width, std::int32_t height,
                             std::uint8_t compression, const std::vector<std::uint8_t>& bitmap)
{
    Bytes b;
    b.Raw({0x54, 0, flags, 0}).U32(static_cast<std::uint32_t>(28 + ((bitmap.size() + 3) & ~std::size_t{3})));
    b.U32(static_cast<std::uint32_t>(bitmap.size())).I32(width).I32(height).U32(0).U16(code).U8(compression).U8(0);
    return b.Raw(bitmap).Pad4();
}

struct RunEntry {
    std::int16_t dx, dy;
    std::uint16_t code;
};

inline Bytes GlyphRun(std::uint8_t flags, const std::vector<RunEntry>& entries)
{
    Bytes b;
    b.Raw({0x55, 0, flags, 0}).U32(static_cast<std::uint32_t>(36 + ((6 * entries.size() + 3) & ~std::size_t{3})));
    b.Rect(0, 0, 300, 40).I32(5).I32(6).U16(static_cast<std::uint16_t>(entries.size())).U16(0);
    for (const auto& e : entries) b.I16(e.dx).I16(e.dy).U16(e.code);
    return b.Pad4();
}

// Image record: byte 1, byte 2 (format and flags), byte 3; rows of rowSize
// bytes filled with fill; the palette as given.
inline Bytes Image(std::uint8_t reduced, std::uint8_t format, std::uint8_t mode, std::uint32_t width,
                   std::uint32_t rows, std::uint32_t rowSize, const std::vector<std::uint8_t>& palette,
                   std::uint8_t fill = 0x5A)
{
    Bytes b;
    const std::size_t length = (56 + palette.size() + rowSize * rows + 3) & ~std::size_t{3};
    b.U8(0x20).U8(reduced).U8(format).U8(mode).U32(static_cast<std::uint32_t>(length));
    b.Rect(10, 20, 10 + static_cast<std::int32_t>(width), 20 + static_cast<std::int32_t>(rows))
        .I32(0)
        .I32(0)
        .U32(width)
        .U32(rows);
    b.I32(10).I32(20).I32(static_cast<std::int32_t>(width)).I32(static_cast<std::int32_t>(rows)).Raw(palette);
    for (std::size_t i = 0; i < rowSize * rows; ++i) b.U8(fill);
    return b.Pad4();
}

// ---- whole streams ---------------------------------------------------------------

inline const std::string kJobStartText = "@PJL JOB\r\n";  // an F3 frame of 18 bytes

inline Bytes JobStart(std::string_view text = kJobStartText)
{
    return Frame(0xF3, TextOf(text));
}

inline Bytes JobNameFrame(std::string_view name)
{
    return Frame(0xF3, TextOf("@PJL SET JOBNAME = \"").Text(name).Text("\"\r\n"));
}

// F4 (empty), F0, the display list cut into F5 frames at the given offsets, F1 (empty).
inline Bytes PageFrames(const Bytes& list, const std::vector<std::size_t>& cuts = {})
{
    Bytes b = Frame(0xF4, {});
    b.Add(Frame(0xF0, {}));
    std::size_t from = 0;
    for (const std::size_t cut : cuts) {
        Bytes piece;
        piece.v.assign(list.v.begin() + static_cast<std::ptrdiff_t>(from),
                       list.v.begin() + static_cast<std::ptrdiff_t>(cut));
        b.Add(Frame(0xF5, piece));
        from = cut;
    }
    Bytes last;
    last.v.assign(list.v.begin() + static_cast<std::ptrdiff_t>(from), list.v.end());
    b.Add(Frame(0xF5, last));
    b.Add(Frame(0xF1, {}));
    return b;
}

inline Bytes DisplayList(const std::vector<Bytes>& records)
{
    Bytes list = PageBegin();
    for (const auto& r : records) list.Add(r);
    return list.Add(PageEnd());
}

// JobStart, then one page whose display list holds page begin, the records
// and page end in one F5 frame. The first record starts at kFirstRecord.
inline Bytes OnePage(const std::vector<Bytes>& records)
{
    return JobStart().Add(PageFrames(DisplayList(records)));
}

constexpr std::uint64_t kListStart = 18 + 8 + 8 + 8;  // F3 JobStart, F4, F0, F5 header
constexpr std::uint64_t kFirstRecord = kListStart + 16;

}  // namespace vexl::test
