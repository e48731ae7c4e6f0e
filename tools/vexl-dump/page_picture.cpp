#include "page_picture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <optional>

#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include "core/le.h"

namespace vexl::dump {
namespace {

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};
constexpr Rgb kWhite{255, 255, 255};

struct Point {
    double x = 0, y = 0;  // device pixels
};
using Polygon = std::vector<Point>;
using Span = std::pair<int, int>;  // canvas columns [first, second)

// The record's bytes, read within its length only.
class Bytes {
public:
    explicit Bytes(std::span<const std::uint8_t> record) : r_(record) {}
    std::size_t Size() const { return r_.size(); }
    bool Has(std::size_t at, std::size_t count) const { return at <= r_.size() && count <= r_.size() - at; }
    std::uint8_t U8(std::size_t at) const { return Has(at, 1) ? r_[at] : 0; }
    std::uint16_t U16(std::size_t at) const { return Has(at, 2) ? ReadLe16(r_.data() + at) : 0; }
    std::int16_t I16(std::size_t at) const { return static_cast<std::int16_t>(U16(at)); }
    std::uint32_t U32(std::size_t at) const { return Has(at, 4) ? ReadLe32(r_.data() + at) : 0; }
    std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
    std::span<const std::uint8_t> Span(std::size_t at, std::size_t count) const
    {
        return Has(at, count) ? r_.subspan(at, count) : std::span<const std::uint8_t>{};
    }

private:
    std::span<const std::uint8_t> r_;
};

// ---- the polygon filler -------------------------------------------------------------------

// A canvas coordinate held to [0, limit], clamped before it becomes an int
// (a page coordinate can be any 32-bit value).
int Clamp(double value, int limit)
{
    if (!(value > 0)) return 0;
    return value >= limit ? limit : static_cast<int>(value);
}

// The first canvas column (or row) whose pixel centre lies at or after the
// device coordinate.
int FirstCentre(double device, double scale, int limit)
{
    return Clamp(std::ceil(device * scale - 0.5), limit);
}

// The columns of canvas row `row` whose pixel centres lie inside the
// polygons, at `scale` canvas pixels per device pixel.
std::vector<Span> RowSpans(const std::vector<Polygon>& polygons, bool winding, int row, double scale, int width)
{
    const double y = (row + 0.5) / scale;
    std::vector<std::pair<double, int>> crossings;
    for (const Polygon& polygon : polygons) {
        for (std::size_t i = 0; i < polygon.size(); ++i) {
            const Point& a = polygon[i];
            const Point& b = polygon[(i + 1) % polygon.size()];
            if (a.y == b.y) continue;
            const bool down = b.y > a.y;
            const double top = down ? a.y : b.y, bottom = down ? b.y : a.y;
            if (y < top || y >= bottom) continue;
            crossings.emplace_back(a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y), down ? 1 : -1);
        }
    }
    std::sort(crossings.begin(), crossings.end());
    std::vector<Span> spans;
    int count = 0;
    for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
        count += crossings[i].second;
        const bool inside = winding ? count != 0 : (count & 1) != 0;
        if (!inside) continue;
        const int first = FirstCentre(crossings[i].first, scale, width);
        const int last = FirstCentre(crossings[i + 1].first, scale, width);
        if (first >= last) continue;
        if (!spans.empty() && spans.back().second >= first)
            spans.back().second = std::max(spans.back().second, last);
        else
            spans.emplace_back(first, last);
    }
    return spans;
}

std::vector<Span> Intersect(const std::vector<Span>& a, const std::vector<Span>& b)
{
    std::vector<Span> out;
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const int first = std::max(a[i].first, b[j].first), last = std::min(a[i].second, b[j].second);
        if (first < last) out.emplace_back(first, last);
        (a[i].second < b[j].second ? i : j) += 1;
    }
    return out;
}

double SignedArea(const Polygon& polygon)
{
    double area = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Point& a = polygon[i];
        const Point& b = polygon[(i + 1) % polygon.size()];
        area += a.x * b.y - b.x * a.y;
    }
    return area / 2;
}

// The pieces of a stroke of width `width` along a polyline: a band per
// segment and a disc at every point (round joins and caps), all turning the
// same way so that the winding rule joins them.
std::vector<Polygon> StrokeOutline(const std::vector<Point>& line, double width)
{
    const double half = std::max(width, 1.0) / 2;
    std::vector<Polygon> pieces;
    auto add = [&pieces](Polygon polygon) {
        if (SignedArea(polygon) < 0) std::reverse(polygon.begin(), polygon.end());
        pieces.push_back(std::move(polygon));
    };
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const Point a = line[i], b = line[i + 1];
        const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
        if (length == 0) continue;
        const double nx = -dy / length * half, ny = dx / length * half;
        add({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}});
    }
    if (half > 1) {
        for (const Point& p : line) {
            Polygon disc;
            for (int k = 0; k < 16; ++k)
                disc.push_back({p.x + half * std::cos(k * M_PI / 8), p.y + half * std::sin(k * M_PI / 8)});
            add(std::move(disc));
        }
    }
    return pieces;
}

struct Figure {
    std::vector<Point> points;
};

// The subpaths of a path body from `at` to the end of the record, curves
// flattened to lines; points are 28.4 and move by (dx, dy) pixels.
std::vector<Figure> ReadFigures(const Bytes& r, std::size_t at, double dx = 0, double dy = 0)
{
    std::vector<Figure> figures;
    auto point = [&](std::size_t offset) { return Point{r.I32(offset) / 16.0 + dx, r.I32(offset + 4) / 16.0 + dy}; };
    while (r.Has(at, 12)) {
        const std::uint32_t elements = r.U32(at);
        Figure figure;
        figure.points.push_back(point(at + 4));
        at += 12;
        for (std::uint32_t e = 0; e < elements && r.Has(at, 4); ++e) {
            if (r.U32(at) == 0) {
                figure.points.push_back(point(at + 4));
                at += 12;
                continue;
            }
            const Point p0 = figure.points.back(), p1 = point(at + 4), p2 = point(at + 12), p3 = point(at + 20);
            const double span = std::hypot(p1.x - p0.x, p1.y - p0.y) + std::hypot(p2.x - p1.x, p2.y - p1.y) +
                                std::hypot(p3.x - p2.x, p3.y - p2.y);
            const int steps = static_cast<int>(std::clamp(span / 4, 4.0, 256.0));
            for (int i = 1; i <= steps; ++i) {
                const double t = static_cast<double>(i) / steps, u = 1 - t;
                figure.points.push_back(
                    {u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
                     u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
            }
            at += 28;
        }
        figures.push_back(std::move(figure));
    }
    return figures;
}

// A ROP3 on one 8-bit channel: bit (P << 2 | S << 1 | D) of the code gives
// each result bit.
std::uint8_t Rop3(std::uint8_t rop, std::uint8_t p, std::uint8_t s, std::uint8_t d)
{
    std::uint8_t out = 0;
    for (int i = 0; i < 8; ++i) {
        if (!(rop & (1 << i))) continue;
        out |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return out;
}

}  // namespace

// ---- the page ---------------------------------------------------------------------------------

struct PagePictures::Canvas {
    int width = 0, height = 0;  // canvas pixels
    double scale = 1;           // canvas pixels per device pixel
    int reduce = 1;             // canvas pixels per picture pixel, each way
    std::vector<std::uint8_t> rgb;

    // Drawing state of the page.
    Rgb foreground, background, pen;
    bool hasBackground = false, hasPen = false;
    std::uint8_t rop = 0xCC;
    double lineWidth = 0;
    std::uint32_t dashMask = 0xFFFFFFFF;  // from bit 31 down, a bit a dash unit: 1 dash, 0 gap
    int dashUnit = 1;                     // pixels
    int dashPhase = 0;                    // the bit the first unit of a figure takes
    struct Pattern {
        bool solid = true;
        bool colour = false;
        int side = 0;
        std::vector<std::uint8_t> data;
    } pattern;
    enum class ClipKind { Page, Rectangle, Path } clip = ClipKind::Page;
    std::array<double, 4> clipRect{};
    std::vector<Polygon> clipPath;
    bool clipWinding = false;
    struct Kept {
        int width = 0, height = 0;
        std::vector<std::uint8_t> bits;
    };
    std::map<std::pair<std::uint16_t, std::uint8_t>, Kept> kept;
    double deviceEm = 0;
    FT_Library library = nullptr;
    FT_Face face = nullptr;

    ~Canvas()
    {
        if (face) FT_Done_Face(face);
        if (library) FT_Done_FreeType(library);
    }

    void Put(int x, int y, Rgb colour, std::optional<Rgb> source = std::nullopt)
    {
        std::uint8_t* d = rgb.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + x) * 3;
        const Rgb s = source.value_or(colour);
        if (rop == 0xCC || rop == 0xF0) {
            d[0] = s.r;
            d[1] = s.g;
            d[2] = s.b;
            return;
        }
        d[0] = Rop3(rop, colour.r, s.r, d[0]);
        d[1] = Rop3(rop, colour.g, s.g, d[1]);
        d[2] = Rop3(rop, colour.b, s.b, d[2]);
    }

    // The brush at a canvas pixel: the fill colour, or the pattern's pixel
    // at the device pixel (patterns repeat from the page's top left).
    Rgb Brush(int x, int y, Rgb colour) const
    {
        if (pattern.solid || pattern.side == 0) return colour;
        const int side = pattern.side;
        const int px = static_cast<int>(std::floor(x / scale)) % side,
                  py = static_cast<int>(std::floor(y / scale)) % side;
        const std::size_t index = static_cast<std::size_t>(py) * side + px;
        if (pattern.colour) {
            if (index * 3 + 2 >= pattern.data.size()) return colour;
            return {pattern.data[index * 3 + 2], pattern.data[index * 3 + 1], pattern.data[index * 3]};
        }
        if (index / 8 >= pattern.data.size()) return colour;
        const bool set = (pattern.data[index / 8] >> (7 - index % 8)) & 1;
        return set ? colour : (hasBackground ? background : kWhite);
    }

    std::vector<Span> ClipSpans(int row) const
    {
        switch (clip) {
        case ClipKind::Page:
            return {{0, width}};
        case ClipKind::Rectangle: {
            const double y = (row + 0.5) / scale;
            if (y < clipRect[1] || y >= clipRect[3]) return {};
            const int first = FirstCentre(clipRect[0], scale, width);
            const int last = FirstCentre(clipRect[2], scale, width);
            return first < last ? std::vector<Span>{{first, last}} : std::vector<Span>{};
        }
        case ClipKind::Path:
            return RowSpans(clipPath, clipWinding, row, scale, width);
        }
        return {};
    }

    std::pair<int, int> Rows(const std::vector<Polygon>& polygons) const
    {
        double top = 1e18, bottom = -1e18;
        for (const Polygon& polygon : polygons)
            for (const Point& p : polygon) top = std::min(top, p.y), bottom = std::max(bottom, p.y);
        return {Clamp(std::floor(top * scale), height), Clamp(std::ceil(bottom * scale) + 1, height)};
    }

    void Fill(const std::vector<Polygon>& polygons, bool winding, Rgb colour, bool withPattern)
    {
        const auto [first, last] = Rows(polygons);
        for (int row = first; row < last; ++row) {
            for (const auto& [x0, x1] : Intersect(RowSpans(polygons, winding, row, scale, width), ClipSpans(row)))
                for (int x = x0; x < x1; ++x) Put(x, row, withPattern ? Brush(x, row, colour) : colour);
        }
    }

    // A box of device pixels [left, right) x [top, bottom), each canvas
    // pixel taking what `sample` gives at its centre (nothing: untouched).
    template <typename Sample> void Paint(double left, double top, double right, double bottom, Sample sample)
    {
        const int firstRow = FirstCentre(top, scale, height), lastRow = FirstCentre(bottom, scale, height);
        const int firstColumn = FirstCentre(left, scale, width), lastColumn = FirstCentre(right, scale, width);
        for (int row = firstRow; row < lastRow; ++row) {
            for (const auto& [x0, x1] : ClipSpans(row)) {
                for (int x = std::max(x0, firstColumn); x < std::min(x1, lastColumn); ++x) {
                    const double dx = (x + 0.5) / scale - left, dy = (row + 0.5) / scale - top;
                    sample(x, row, dx, dy);
                }
            }
        }
    }

    void DrawBits(double left, double top, int w, int h, std::span<const std::uint8_t> bits, Rgb colour)
    {
        const std::size_t rowBytes = (static_cast<std::size_t>(w) + 7) / 8;
        Paint(left, top, left + w, top + h, [&](int x, int y, double dx, double dy) {
            const auto gx = static_cast<std::size_t>(dx), gy = static_cast<std::size_t>(dy);
            const std::size_t at = gy * rowBytes + gx / 8;
            if (gx < static_cast<std::size_t>(w) && at < bits.size() && ((bits[at] >> (7 - gx % 8)) & 1))
                Put(x, y, colour);
        });
    }
};

PagePictures::PagePictures(PictureOptions options) : options_(std::move(options)) {}
PagePictures::~PagePictures() = default;

void PagePictures::BeginPage(std::uint64_t page)
{
    page_ = page;
    canvas_.reset();
}

namespace {

using Canvas = PagePictures::Canvas;

constexpr double kLargestCanvas = 160e6;  // pixels drawn for one page

void StartCanvas(Canvas& c, const Bytes& r, int dpi, const std::string& fontFile)
{
    const double width = r.I32(4), length = r.I32(8), resolution = r.U16(12);
    if (width <= 0 || length <= 0 || resolution <= 0)
        throw PictureError{"the page-begin record gives no page size or resolution"};
    // The page is drawn at the device resolution or finer and reduced to the
    // picture's, so that thin lines and glyph strokes keep their weight.
    int reduce = std::clamp(static_cast<int>(std::ceil(resolution / dpi)), 1, 8);
    while (reduce > 1 && width * length * std::pow(dpi * reduce / resolution, 2) > kLargestCanvas) --reduce;
    c.reduce = reduce;
    c.scale = dpi * reduce / resolution;
    const double pixels = width * c.scale * length * c.scale;
    if (pixels > kLargestCanvas)
        throw PictureError{"the page of " + std::to_string(static_cast<long long>(width)) + " x " +
                           std::to_string(static_cast<long long>(length)) + " dots is too large to draw at " +
                           std::to_string(dpi) + " dpi"};
    c.width = std::max(1, static_cast<int>(std::lround(width * c.scale)));
    c.height = std::max(1, static_cast<int>(std::lround(length * c.scale)));
    c.rgb.assign(static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height) * 3, 255);
    if (!fontFile.empty() && FT_Init_FreeType(&c.library) == 0 &&
        FT_New_Face(c.library, fontFile.c_str(), 0, &c.face) != 0)
        c.face = nullptr;
}

void Colour(Canvas& c, const Bytes& r)
{
    const std::uint8_t flags = r.U8(2);
    auto at = [&](std::size_t offset) { return Rgb{r.U8(offset), r.U8(offset + 1), r.U8(offset + 2)}; };
    c.foreground = at(4);
    std::size_t next = 7;
    c.hasBackground = (flags & 0x08) != 0;
    if (c.hasBackground) {
        c.background = at(next);
        next += 3;
    }
    c.hasPen = (flags & 0x10) != 0;
    if (c.hasPen) c.pen = at(next);
}

void Pattern(Canvas& c, const Bytes& r)
{
    const std::uint8_t flags = r.U8(1);
    c.pattern.solid = (flags & 0x80) == 0;
    c.pattern.colour = (flags & 0x01) != 0;
    c.pattern.side = r.U8(2);
    const auto data = r.Span(6, r.U16(4));
    c.pattern.data.assign(data.begin(), data.end());
}

std::vector<Polygon> Polygons(const std::vector<Figure>& figures)
{
    std::vector<Polygon> polygons;
    for (const Figure& figure : figures) polygons.push_back(figure.points);
    return polygons;
}

// The dashes of a polyline: the mask repeats every 32 dash units along the
// figure, starting at the phase's bit.
std::vector<std::vector<Point>> Dashes(const std::vector<Point>& line, std::uint32_t mask, int unit, int phase)
{
    double total = 0;
    for (std::size_t i = 0; i + 1 < line.size(); ++i)
        total += std::hypot(line[i + 1].x - line[i].x, line[i + 1].y - line[i].y);
    // A figure of more than four million dash units is far beyond any page: it is drawn solid.
    if (mask == 0xFFFFFFFF || total / unit > 4e6) return {line};
    std::vector<std::vector<Point>> dashes;
    auto on = [&](std::int64_t cell) { return ((mask >> (31 - (cell + phase) % 32)) & 1) != 0; };
    double walked = 0;  // along the figure, in pixels
    bool inDash = false;
    for (std::size_t i = 0; i + 1 < line.size(); ++i) {
        const Point a = line[i], b = line[i + 1];
        const double length = std::hypot(b.x - a.x, b.y - a.y);
        double done = 0;
        while (done < length) {
            const auto cell = static_cast<std::int64_t>((walked + done) / unit);
            const double step = std::min(length - done, (cell + 1) * static_cast<double>(unit) - (walked + done));
            const Point from{a.x + (b.x - a.x) * done / length, a.y + (b.y - a.y) * done / length};
            done += std::max(step, 1e-9);
            const Point to{a.x + (b.x - a.x) * std::min(done, length) / length,
                           a.y + (b.y - a.y) * std::min(done, length) / length};
            if (!on(cell)) {
                inDash = false;
                continue;
            }
            if (!inDash) dashes.push_back({from});
            dashes.back().push_back(to);
            inDash = true;
        }
        walked += length;
    }
    return dashes;
}

void Stroke(Canvas& c, const std::vector<Figure>& figures, bool closed, Rgb colour)
{
    std::vector<Polygon> pieces;
    for (Figure figure : figures) {
        if (closed && figure.points.size() > 2) figure.points.push_back(figure.points.front());
        for (const std::vector<Point>& dash : Dashes(figure.points, c.dashMask, c.dashUnit, c.dashPhase))
            for (Polygon& piece : StrokeOutline(dash, c.lineWidth)) pieces.push_back(std::move(piece));
    }
    c.Fill(pieces, true, colour, false);
}

void Path(Canvas& c, const Bytes& r)
{
    const std::uint8_t flags = r.U8(2);
    const int mode = flags & 0x07;
    const std::vector<Figure> figures = ReadFigures(r, 28);
    const bool winding = mode == 2 || mode == 4;
    switch (mode) {
    case 0:
        Stroke(c, figures, (flags & 0x08) != 0, c.foreground);
        break;
    case 1:
    case 2:
        c.Fill(Polygons(figures), winding, c.foreground, true);
        break;
    case 3:
    case 4:
        c.Fill(Polygons(figures), winding, c.foreground, true);
        Stroke(c, figures, true, c.hasPen ? c.pen : c.foreground);
        break;
    case 5:
        c.clip = Canvas::ClipKind::Path;
        c.clipPath = Polygons(figures);
        c.clipWinding = false;
        break;
    }
}

void Rectangle(Canvas& c, const Bytes& r)
{
    const double left = r.I32(8), top = r.I32(12), right = r.I32(16), bottom = r.I32(20);
    if (r.U8(2) == 5) {
        c.clip = Canvas::ClipKind::Rectangle;
        c.clipRect = {left, top, right, bottom};
        return;
    }
    c.Fill({{{left, top}, {right, top}, {right, bottom}, {left, bottom}}}, false, c.foreground, true);
}

// Pixel (x, y) of an image record's bitmap: palette entries and 24-bit
// pixels hold blue, green, red; without a palette the values are grey levels.
Rgb ImagePixel(const Bytes& r, std::size_t data, std::size_t rowSize, int depth, bool palette, std::uint32_t x,
               std::uint32_t y)
{
    static constexpr int kBits[] = {1, 4, 8, 0, 24};
    const int bits = kBits[depth];
    const std::size_t row = data + static_cast<std::size_t>(y) * rowSize;
    if (bits == 24) {
        const std::size_t at = row + static_cast<std::size_t>(x) * 3;
        return {r.U8(at + 2), r.U8(at + 1), r.U8(at)};
    }
    const std::size_t bit = static_cast<std::size_t>(x) * bits;
    const unsigned value = (r.U8(row + bit / 8) >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
    if (palette) {
        const std::size_t at = 56 + value * 3;
        return {r.U8(at + 2), r.U8(at + 1), r.U8(at)};
    }
    const auto grey = static_cast<std::uint8_t>(value * 255 / ((1u << bits) - 1));
    return {grey, grey, grey};
}

void Image(Canvas& c, const Bytes& r)
{
    const std::uint8_t format = r.U8(2);
    const int depth = format & 0x0F;
    if (depth > 4 || depth == 3) return;
    static constexpr std::size_t kPalette[] = {6, 48, 768, 0, 0};
    static constexpr std::uint64_t kBits[] = {1, 4, 8, 0, 24};
    const bool palette = (format & 0x20) == 0 && depth != 4;
    const std::uint32_t width = r.U32(32), rows = r.U32(36);
    const std::int32_t sx = r.I32(24), sy = r.I32(28);
    const double dx = r.I32(40), dy = r.I32(44), dw = r.I32(48), dh = r.I32(52);
    if (width == 0 || rows == 0 || dw <= 0 || dh <= 0 || sx < 0 || sy < 0 || static_cast<std::uint32_t>(sx) >= width ||
        static_cast<std::uint32_t>(sy) >= rows)
        return;
    const std::size_t rowSize = (width * kBits[depth] + 31) / 32 * 4;
    const std::size_t data = 56 + (palette ? kPalette[depth] : 0);
    const double sw = width - static_cast<std::uint32_t>(sx), sh = rows - static_cast<std::uint32_t>(sy);
    c.Paint(dx, dy, dx + dw, dy + dh, [&](int x, int y, double ox, double oy) {
        const auto px = std::min(width - 1, static_cast<std::uint32_t>(sx + ox * sw / dw));
        const auto py = std::min(rows - 1, static_cast<std::uint32_t>(sy + oy * sh / dh));
        c.Put(x, y, c.foreground, ImagePixel(r, data, rowSize, depth, palette, px, py));
    });
}

// The bits of a glyph bitmap, decompressed when the record says so.
std::vector<std::uint8_t> GlyphBits(const Bytes& r, std::size_t at, std::uint32_t size, int width, int height,
                                    std::uint8_t compression)
{
    const std::size_t raw =
        static_cast<std::size_t>(std::max(height, 0)) * ((static_cast<std::size_t>(std::max(width, 0)) + 7) / 8);
    const auto bytes = r.Span(at, size);
    std::vector<std::uint8_t> bits;
    if (compression == 2) {
        if (auto decoded = DecompressGlyphBits(bytes, raw)) bits = std::move(*decoded);
    } else {
        bits.assign(bytes.begin(), bytes.end());
    }
    bits.resize(raw, 0);
    return bits;
}

void Glyph(Canvas& c, const Bytes& r)
{
    const std::uint8_t flags = r.U8(2);
    const std::pair<std::uint16_t, std::uint8_t> key{r.U16(60), static_cast<std::uint8_t>(flags & 0x0C)};
    const int width = r.I32(44), height = r.I32(48);
    const double x = r.I32(36), y = r.I32(40);
    if (r.U32(32) == 0) {
        const auto found = c.kept.find(key);
        if (found != c.kept.end())
            c.DrawBits(x, y, found->second.width, found->second.height, found->second.bits, c.foreground);
        return;
    }
    std::vector<std::uint8_t> bits = GlyphBits(r, 64, r.U32(52), width, height, r.U8(62));
    c.DrawBits(x, y, width, height, bits, c.foreground);
    if (r.U8(0) == 0x53) c.kept[key] = {width, height, std::move(bits)};
}

void GlyphDefinition(Canvas& c, const Bytes& r)
{
    const int width = r.I32(12), height = r.I32(16);
    c.kept[{r.U16(24), static_cast<std::uint8_t>(r.U8(2) & 0x0C)}] = {
        width, height, GlyphBits(r, 28, r.U32(8), width, height, r.U8(26))};
}

// The opaque background of a string comes as a rectangle record of its own,
// so the boxes of runs and strings are not filled here.
void GlyphRun(Canvas& c, const Bytes& r)
{
    const std::uint8_t kind = r.U8(2) & 0x0C;
    double x = r.I32(24), y = r.I32(28);
    const std::uint16_t count = r.U16(32);
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::size_t at = 36 + std::size_t{6} * i;
        x += r.I16(at);
        y += r.I16(at + 2);
        const auto found = c.kept.find({r.U16(at + 4), kind});
        if (found != c.kept.end())
            c.DrawBits(x, y, found->second.width, found->second.height, found->second.bits, c.foreground);
    }
}

// One character of a printer font at its cell top: drawn from the given
// TrueType file with the baseline at 4/5 of the em, or outlined as a box.
double DeviceCharacter(Canvas& c, double left, double top, char16_t code)
{
    const double em = c.deviceEm > 0 ? c.deviceEm : 24;
    // Beyond a glyph of 2,048 canvas pixels the character is shown by its box.
    if (!c.face || em * c.scale > 2048) {
        const double w = em / 2;
        Stroke(c, {Figure{{{left, top}, {left + w, top}, {left + w, top + em}, {left, top + em}}}}, true, c.foreground);
        return em / 2;
    }
    const auto pixels = static_cast<FT_UInt>(std::max(1.0, std::lround(em * c.scale) * 1.0));
    if (FT_Set_Pixel_Sizes(c.face, 0, pixels) != 0 || FT_Load_Char(c.face, code, FT_LOAD_RENDER) != 0) return em / 2;
    const FT_GlyphSlot slot = c.face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    const double baseline = std::round((top + em * 0.8) * c.scale);
    const double x0 = std::round(left * c.scale) + slot->bitmap_left, y0 = baseline - slot->bitmap_top;
    if (x0 >= c.width || y0 >= c.height || x0 + bitmap.width <= 0 || y0 + bitmap.rows <= 0)
        return (slot->advance.x / 64.0) / c.scale;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int y = static_cast<int>(y0) + static_cast<int>(row);
        if (y < 0 || y >= c.height) continue;
        const std::vector<Span> clip = c.ClipSpans(y);
        for (unsigned column = 0; column < bitmap.width; ++column) {
            const int x = static_cast<int>(x0) + static_cast<int>(column);
            if (bitmap.buffer[row * static_cast<unsigned>(bitmap.pitch) + column] < 128) continue;
            const bool inside =
                std::any_of(clip.begin(), clip.end(), [x](const Span& s) { return x >= s.first && x < s.second; });
            if (inside) c.Put(x, y, c.foreground);
        }
    }
    return (slot->advance.x / 64.0) / c.scale;
}

void DeviceString(Canvas& c, const Bytes& r)
{
    const bool each = r.U8(2) == 0x80;
    const std::uint16_t count = r.U16(32);
    const std::size_t advances = each ? count : 1;
    double x = r.I32(24);
    const double y = r.I32(28);
    for (std::uint16_t i = 0; i < count; ++i) {
        const auto code = static_cast<char16_t>(r.U16(36 + 2 * advances + 2 * std::size_t{i}));
        const double drawn = DeviceCharacter(c, x, y, code);
        const std::int16_t advance = r.I16(36 + 2 * (each ? i : 0));
        x += advance != 0 ? advance : drawn;
    }
}

void Character(Canvas& c, const Bytes& r)
{
    if (r.U8(2) == 0) {
        DeviceCharacter(c, r.I32(24), r.I32(28), static_cast<char16_t>(r.U16(32)));
        return;
    }
    // An outline character: its path relative to the top left of its box.
    c.Fill(Polygons(ReadFigures(r, 40, r.I32(24), r.I32(28))), true, c.foreground, false);
}

void DrawRecord(Canvas& c, const Bytes& r)
{
    switch (r.U8(0)) {
    case 0x10:
        Rectangle(c, r);
        break;
    case 0x11:
    case 0x12:
        Path(c, r);
        break;
    case 0x20:
        Image(c, r);
        break;
    case 0x30:
        Colour(c, r);
        break;
    case 0x31:
        c.rop = r.U8(1);
        break;
    case 0x33:
        c.lineWidth = r.U16(2);
        c.dashUnit = std::max<int>(1, r.U8(1));
        c.dashMask = r.U32(4);
        break;
    case 0x34:
        c.dashPhase = r.U8(1) % 32;
        break;
    case 0x37:
        c.clip = Canvas::ClipKind::Page;
        break;
    case 0x40:
        Pattern(c, r);
        break;
    case 0x50:
        // The em sizes travel in pixels.
        c.deviceEm = r.U16(12);
        break;
    case 0x51:
        Character(c, r);
        break;
    case 0x52:
        DeviceString(c, r);
        break;
    case 0x53:
    case 0x57:
        Glyph(c, r);
        break;
    case 0x54:
        GlyphDefinition(c, r);
        break;
    case 0x55:
        GlyphRun(c, r);
        break;
    default:
        break;
    }
}

// The canvas reduced to the picture: each picture pixel the mean of its
// canvas pixels.
std::vector<std::uint8_t> Reduce(const Canvas& c, int& width, int& height)
{
    const int k = c.reduce;
    width = (c.width + k - 1) / k;
    height = (c.height + k - 1) / k;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned sum[3] = {0, 0, 0}, n = 0;
            for (int yy = y * k; yy < std::min(c.height, (y + 1) * k); ++yy) {
                for (int xx = x * k; xx < std::min(c.width, (x + 1) * k); ++xx) {
                    const std::uint8_t* p = c.rgb.data() + (static_cast<std::size_t>(yy) * c.width + xx) * 3;
                    for (int i = 0; i < 3; ++i) sum[i] += p[i];
                    ++n;
                }
            }
            std::uint8_t* o = out.data() + (static_cast<std::size_t>(y) * width + x) * 3;
            for (int i = 0; i < 3; ++i) o[i] = static_cast<std::uint8_t>((sum[i] + n / 2) / n);
        }
    }
    return out;
}

}  // namespace

void PagePictures::Record(std::span<const std::uint8_t> record)
{
    const Bytes r(record);
    if (r.U8(0) == 0x60) {
        canvas_ = std::make_unique<Canvas>();
        StartCanvas(*canvas_, r, options_.dpi, options_.deviceFontFile);
        return;
    }
    if (canvas_) DrawRecord(*canvas_, r);
}

void PagePictures::EndPage()
{
    if (!canvas_) return;
    int width = 0, height = 0;
    const std::vector<std::uint8_t> pixels = Reduce(*canvas_, width, height);
    canvas_.reset();
    const std::filesystem::path file = options_.folder / (options_.stem + "-" + std::to_string(page_) + ".png");
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, file.c_str(), 0, pixels.data(), 0, nullptr))
        throw PictureError{"cannot write " + file.string() + ": " + image.message};
    files_.push_back(file);
}

}  // namespace vexl::dump
