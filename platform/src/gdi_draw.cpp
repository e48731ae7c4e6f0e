// Drawing on DCs: the rectangle helpers, pixels, the raster operations of
// the blits, lines, shapes, paths and clipping.
#include "gdi_objects.h"

#include "platform/kernel.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>

namespace vexl::gdi {
namespace {

// The clip of a DC without a clip region of its own, in device coordinates.
constexpr RECT kEverywhere = {-(1 << 27), -(1 << 27), 1 << 27, 1 << 27};

RECT Meet(const RECT& a, const RECT& b)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) r = {0, 0, 0, 0};
    return r;
}

bool Empty(const RECT& r)
{
    return r.left >= r.right || r.top >= r.bottom;
}

RECT Normalized(int left, int top, int right, int bottom)
{
    return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

// The ROP3 code of a binary raster operation (the pen as the pattern).
DWORD Rop3OfRop2(int rop2)
{
    const int table = (rop2 - 1) & 0xF;
    DWORD code = 0;
    for (int index = 0; index < 8; ++index) {
        const int p = (index >> 2) & 1;
        const int d = index & 1;
        if ((table >> (p * 2 + d)) & 1) code |= DWORD(1) << index;
    }
    return code << 16;
}

bool UsesSource(DWORD rop)
{
    const DWORD code = (rop >> 16) & 0xFF;
    return ((code >> 2) ^ code) & 0x33;
}

bool UsesPattern(DWORD rop)
{
    const DWORD code = (rop >> 16) & 0xFF;
    return ((code >> 4) ^ code) & 0x0F;
}

bool HatchBit(ULONG_PTR hatch, int x, int y)
{
    switch (hatch) {
    case HS_HORIZONTAL:
        return y == 0;
    case HS_VERTICAL:
        return x == 0;
    case HS_FDIAGONAL:
        return x == y;
    case HS_BDIAGONAL:
        return x + y == 7;
    case HS_CROSS:
        return x == 0 || y == 0;
    case HS_DIAGCROSS:
        return x == y || x + y == 7;
    default:
        return false;
    }
}

PenObject* PenOf(DcObject& dc)
{
    auto* pen = Find<PenObject>(dc.state.pen, OBJ_PEN);
    return pen && pen->log.lopnStyle != UINT(PS_NULL) ? pen : nullptr;
}

// The on/off runs of a styled cosmetic pen.
std::vector<int> DashesOf(UINT style)
{
    switch (style) {
    case PS_DASH:
        return {18, 6};
    case PS_DOT:
        return {3, 3};
    case PS_DASHDOT:
        return {9, 6, 3, 6};
    case PS_DASHDOTDOT:
        return {9, 3, 3, 3, 3, 3};
    default:
        return {};
    }
}

// Plots a pen point of the pen's width centred on (x, y), surface coordinates.
void PlotPenPoint(Canvas& canvas, int x, int y, Pixel color, int width)
{
    if (width <= 1) {
        PlotPen(canvas, x, y, color);
        return;
    }
    const int from = -(width / 2);
    for (int dy = from; dy < from + width; ++dy) {
        for (int dx = from; dx < from + width; ++dx) PlotPen(canvas, x + dx, y + dy, color);
    }
}

// A line in surface coordinates, its last point left out.
void DrawLine(Canvas& canvas, POINT a, POINT b)
{
    PenObject* pen = PenOf(*canvas.dc);
    if (!pen) return;
    const Pixel color = PixelOf(*canvas.dc, pen->log.lopnColor);
    const Pixel gap = PixelOf(*canvas.dc, canvas.dc->state.bkColor);
    const int width = int(pen->log.lopnWidth.x);
    const std::vector<int> dashes = width <= 1 ? DashesOf(pen->log.lopnStyle) : std::vector<int>{};
    int dx = std::abs(b.x - a.x), sx = a.x < b.x ? 1 : -1;
    int dy = -std::abs(b.y - a.y), sy = a.y < b.y ? 1 : -1;
    int error = dx + dy;
    int x = a.x, y = a.y, step = 0;
    while (x != b.x || y != b.y) {
        bool on = true;
        if (!dashes.empty()) {
            int total = 0;
            for (int d : dashes) total += d;
            int position = step % total, run = 0;
            for (std::size_t i = 0; i < dashes.size(); ++i) {
                if (position < run + dashes[i]) {
                    on = i % 2 == 0;
                    break;
                }
                run += dashes[i];
            }
        }
        if (on)
            PlotPenPoint(canvas, x, y, color, width);
        else if (canvas.dc->state.bkMode == OPAQUE)
            PlotPen(canvas, x, y, gap);
        ++step;
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y += sy;
        }
    }
}

POINT ToSurface(const Canvas& canvas, POINT p)
{
    return {p.x + canvas.offset.x, p.y + canvas.offset.y};
}

// A closed or open run of lines through the points (logical coordinates).
void DrawPolyline(Canvas& canvas, const std::vector<POINT>& points, bool closed)
{
    for (std::size_t i = 0; i + 1 < points.size(); ++i)
        DrawLine(canvas, ToSurface(canvas, points[i]), ToSurface(canvas, points[i + 1]));
    if (closed && points.size() > 2) DrawLine(canvas, ToSurface(canvas, points.back()), ToSurface(canvas, points[0]));
}

// Fills the pixels whose centres lie inside the polygons (logical points),
// by the fill mode.
void FillPolygons(Canvas& canvas, const std::vector<std::vector<POINT>>& polygons, int mode, HGDIOBJ brush)
{
    struct Edge {
        double x0, y0, x1, y1;
        int direction;
    };
    std::vector<Edge> edges;
    LONG top = INT32_MAX, bottom = INT32_MIN;
    for (const auto& polygon : polygons) {
        for (std::size_t i = 0; i < polygon.size(); ++i) {
            const POINT a = ToSurface(canvas, polygon[i]);
            const POINT b = ToSurface(canvas, polygon[(i + 1) % polygon.size()]);
            top = std::min({top, a.y, b.y});
            bottom = std::max({bottom, a.y, b.y});
            if (a.y == b.y) continue;
            edges.push_back({double(a.x), double(a.y), double(b.x), double(b.y), a.y < b.y ? 1 : -1});
        }
    }
    if (edges.empty()) return;
    const bool transparent = canvas.dc->state.bkMode == TRANSPARENT;
    top = std::max<LONG>(top, 0);
    bottom = std::min<LONG>(bottom, canvas.target->height);
    for (LONG y = top; y < bottom; ++y) {
        const double cy = y + 0.5;
        std::vector<std::pair<double, int>> crossings;
        for (const Edge& e : edges) {
            const double lo = std::min(e.y0, e.y1), hi = std::max(e.y0, e.y1);
            if (cy < lo || cy >= hi) continue;
            crossings.push_back({e.x0 + (cy - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.direction});
        }
        std::sort(crossings.begin(), crossings.end());
        int winding = 0;
        for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += crossings[i].second;
            const bool inside = mode == WINDING ? winding != 0 : i % 2 == 0;
            if (!inside) continue;
            const LONG from = LONG(std::ceil(crossings[i].first - 0.5));
            const LONG to = LONG(std::ceil(crossings[i + 1].first - 0.5));
            for (LONG x = std::max<LONG>(from, 0); x < std::min<LONG>(to, canvas.target->width); ++x) {
                if (!canvas.Inside(x, y)) continue;
                if (auto p = BrushPixel(canvas, brush, x, y, transparent)) canvas.target->Put(x, y, *p);
            }
        }
    }
}

// A shape given by what lies inside it (surface coordinates) within bounds:
// the pen draws the pixels on its edge and the brush fills the rest.
void DrawShape(Canvas& canvas, RECT bounds, const std::function<bool(int, int)>& inside)
{
    PenObject* pen = PenOf(*canvas.dc);
    const int width = pen ? int(pen->log.lopnWidth.x) : 0;
    const Pixel penColor = pen ? PixelOf(*canvas.dc, pen->log.lopnColor) : 0;
    const bool transparent = canvas.dc->state.bkMode == TRANSPARENT;
    bounds = Meet(bounds, {0, 0, canvas.target->width, canvas.target->height});
    for (int y = bounds.top; y < bounds.bottom; ++y) {
        for (int x = bounds.left; x < bounds.right; ++x) {
            if (!inside(x, y) || !canvas.Inside(x, y)) continue;
            bool edge = false;
            for (int k = 1; k <= width && !edge; ++k)
                edge = !inside(x - k, y) || !inside(x + k, y) || !inside(x, y - k) || !inside(x, y + k);
            if (edge) {
                PlotPen(canvas, x, y, penColor);
            } else if (auto p = BrushPixel(canvas, canvas.dc->state.brush, x, y, transparent)) {
                canvas.target->Put(x, y, *p);
            }
        }
    }
}

// The shape's box in surface coordinates; without a pen the box loses its
// right and bottom edges.
RECT ShapeBox(Canvas& canvas, int left, int top, int right, int bottom)
{
    RECT r = Normalized(left, top, right, bottom);
    if (!PenOf(*canvas.dc)) {
        --r.right;
        --r.bottom;
    }
    OffsetRect(&r, canvas.offset.x, canvas.offset.y);
    return r;
}

bool InEllipse(const RECT& box, double px, double py)
{
    const double rx = (box.right - box.left) / 2.0, ry = (box.bottom - box.top) / 2.0;
    if (rx <= 0 || ry <= 0) return false;
    const double ux = (px - (box.left + rx)) / rx, uy = (py - (box.top + ry)) / ry;
    return ux * ux + uy * uy <= 1.0;
}

// The points of an ellipse's outline, for paths.
std::vector<POINT> EllipsePoints(const RECT& box)
{
    std::vector<POINT> points;
    const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
    const double rx = (box.right - box.left) / 2.0, ry = (box.bottom - box.top) / 2.0;
    for (int i = 0; i < 64; ++i) {
        const double a = i * 2 * M_PI / 64;
        points.push_back({LONG(std::lround(cx + rx * std::cos(a))), LONG(std::lround(cy + ry * std::sin(a)))});
    }
    return points;
}

// Runs a drawing call on the DC's canvas; FALSE for a DC without one.
BOOL WithCanvas(HDC hdc, const std::function<void(Canvas&)>& draw)
{
    std::lock_guard guard(GdiLock());
    std::optional<Canvas> canvas = CanvasOf(hdc);
    if (!canvas) return FALSE;
    draw(*canvas);
    return TRUE;
}

// Applies the raster operation over the destination rectangle (logical),
// taking source pixels from src (null when the operation has no source)
// scaled from the source rectangle; negative sizes mirror.
BOOL Blit(HDC hdc, int x, int y, int width, int height, HDC src, int xSrc, int ySrc, int srcWidth, int srcHeight,
          DWORD rop)
{
    std::lock_guard guard(GdiLock());
    std::optional<Canvas> canvas = CanvasOf(hdc);
    if (!canvas) return FALSE;
    std::optional<Canvas> source;
    if (UsesSource(rop)) {
        source = CanvasOf(src);
        if (!source) return FALSE;
    }
    bool mirrorX = (width < 0) != (srcWidth < 0), mirrorY = (height < 0) != (srcHeight < 0);
    if (width < 0) {
        x += width;
        width = -width;
    }
    if (height < 0) {
        y += height;
        height = -height;
    }
    if (srcWidth < 0) {
        xSrc += srcWidth;
        srcWidth = -srcWidth;
    }
    if (srcHeight < 0) {
        ySrc += srcHeight;
        srcHeight = -srcHeight;
    }
    if (width == 0 || height == 0 || (source && (srcWidth == 0 || srcHeight == 0))) return TRUE;
    DcObject& dc = *canvas->dc;
    BitmapObject& target = *canvas->target;
    const bool targetMono = target.bitsPixel == 1;
    const Pixel textColor = PixelOf(dc, dc.state.textColor), bkColor = PixelOf(dc, dc.state.bkColor);
    const bool pattern = UsesPattern(rop);
    const Pixel sourceBk = source ? PixelOf(*source->dc, source->dc->state.bkColor) : 0;
    const bool sourceMono = source && source->target->bitsPixel == 1;
    // A blit within one surface reads the pixels as they were before it.
    std::optional<BitmapObject> before;
    if (source && source->target == canvas->target) before = target;
    BitmapObject* from = before ? &*before : source ? source->target : nullptr;
    for (int j = 0; j < height; ++j) {
        const int ty = y + j + canvas->offset.y;
        if (ty < 0 || ty >= target.height) continue;
        for (int i = 0; i < width; ++i) {
            const int tx = x + i + canvas->offset.x;
            if (tx < 0 || tx >= target.width || !canvas->Inside(tx, ty)) continue;
            Pixel s = 0;
            if (source) {
                int si = int((std::int64_t(2 * i + 1) * srcWidth) / (2 * std::int64_t(width)));
                int sj = int((std::int64_t(2 * j + 1) * srcHeight) / (2 * std::int64_t(height)));
                if (mirrorX) si = srcWidth - 1 - si;
                if (mirrorY) sj = srcHeight - 1 - sj;
                const int sx = xSrc + si + source->offset.x, sy = ySrc + sj + source->offset.y;
                if (sx < 0 || sy < 0 || sx >= source->target->width || sy >= source->target->height) continue;
                s = from->Get(sx, sy);
                if (sourceMono && !targetMono) s = s == kWhite ? bkColor : textColor;
                if (!sourceMono && targetMono) s = s == sourceBk ? kWhite : 0;
            }
            Pixel p = 0;
            if (pattern) p = BrushPixel(*canvas, dc.state.brush, tx, ty, false).value_or(kWhite);
            if (targetMono) p = ToMono(p);
            target.Put(tx, ty, ApplyRop3(rop, p, s, target.Get(tx, ty)));
        }
    }
    return TRUE;
}

HBRUSH BrushArgument(HBRUSH brush)
{
    // A system colour index plus one stands for that colour's brush.
    const auto value = reinterpret_cast<std::uintptr_t>(brush);
    if (value > 0 && value <= 31) return GetSysColorBrush(int(value) - 1);
    return brush;
}

}  // namespace

bool Canvas::Inside(int x, int y) const
{
    for (const RECT& r : clip) {
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return true;
    }
    return false;
}

Canvas CanvasOf(DcObject& dc)
{
    Canvas canvas;
    canvas.dc = &dc;
    canvas.target = TargetOf(dc);
    canvas.offset = {dc.surfaceOrigin.x + dc.state.viewportOrg.x, dc.surfaceOrigin.y + dc.state.viewportOrg.y};
    if (!canvas.target) return canvas;
    RECT bound{0, 0, canvas.target->width, canvas.target->height};
    if (dc.baseClip) bound = Meet(bound, *dc.baseClip);
    if (dc.state.clip) {
        for (const RECT& r : OffsetRects(*dc.state.clip, dc.surfaceOrigin.x, dc.surfaceOrigin.y)) {
            const RECT m = Meet(r, bound);
            if (!Empty(m)) canvas.clip.push_back(m);
        }
    } else if (!Empty(bound)) {
        canvas.clip.push_back(bound);
    }
    return canvas;
}

std::optional<Canvas> CanvasOf(HDC hdc)
{
    DcObject* dc = FindDc(hdc);
    if (!dc) return std::nullopt;
    Canvas canvas = CanvasOf(*dc);
    if (!canvas.target) return std::nullopt;
    return canvas;
}

Pixel PixelOf(DcObject& dc, COLORREF color)
{
    if ((color >> 24) == 0x01) {
        auto* palette = Find<PaletteObject>(dc.state.palette, OBJ_PAL);
        const std::size_t index = color & 0xFFFF;
        if (!palette || index >= palette->entries.size()) return 0;
        const PALETTEENTRY& e = palette->entries[index];
        return ToPixel(RGB(e.peRed, e.peGreen, e.peBlue));
    }
    return ToPixel(color & 0xFFFFFF);
}

void PlotPen(Canvas& canvas, int x, int y, Pixel pen)
{
    if (!canvas.Inside(x, y)) return;
    if (canvas.target->bitsPixel == 1) pen = ToMono(pen);
    const int rop2 = canvas.dc->state.rop2;
    if (rop2 == int(R2_COPYPEN)) {
        canvas.target->Put(x, y, pen);
        return;
    }
    canvas.target->Put(x, y, ApplyRop3(Rop3OfRop2(rop2), pen, 0, canvas.target->Get(x, y)));
}

std::optional<Pixel> BrushPixel(Canvas& canvas, HGDIOBJ handle, int x, int y, bool transparentHatch)
{
    auto* brush = Find<BrushObject>(handle, OBJ_BRUSH);
    if (!brush) return std::nullopt;
    DcObject& dc = *canvas.dc;
    const int px = ((x - dc.surfaceOrigin.x - dc.state.brushOrg.x) % 8 + 8) % 8;
    const int py = ((y - dc.surfaceOrigin.y - dc.state.brushOrg.y) % 8 + 8) % 8;
    switch (brush->log.lbStyle) {
    case BS_SOLID:
        return PixelOf(dc, brush->log.lbColor);
    case BS_HATCHED:
        if (HatchBit(brush->log.lbHatch, px, py)) return PixelOf(dc, brush->log.lbColor);
        if (transparentHatch) return std::nullopt;
        return PixelOf(dc, dc.state.bkColor);
    case BS_PATTERN: {
        const Pixel p = brush->pattern[std::size_t(py * 8 + px)];
        if (!brush->monoPattern) return p;
        return p == kWhite ? PixelOf(dc, dc.state.bkColor) : PixelOf(dc, dc.state.textColor);
    }
    default:
        return std::nullopt;
    }
}

void FillSurfaceRect(Canvas& canvas, RECT r, HGDIOBJ brush)
{
    r = Meet(r, {0, 0, canvas.target->width, canvas.target->height});
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            if (!canvas.Inside(x, y)) continue;
            if (auto p = BrushPixel(canvas, brush, x, y, false)) canvas.target->Put(x, y, *p);
        }
    }
}

}  // namespace vexl::gdi

using namespace vexl::gdi;

// ---- Rectangles ----------------------------------------------------------------------------

VEXL_API BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    if (!rect) return FALSE;
    *rect = {left, top, right, bottom};
    return TRUE;
}

VEXL_API BOOL SetRectEmpty(LPRECT rect)
{
    return SetRect(rect, 0, 0, 0, 0);
}

VEXL_API BOOL CopyRect(LPRECT dst, const RECT* src)
{
    if (!dst || !src) return FALSE;
    *dst = *src;
    return TRUE;
}

VEXL_API BOOL IsRectEmpty(const RECT* rect)
{
    return !rect || rect->left >= rect->right || rect->top >= rect->bottom;
}

VEXL_API BOOL EqualRect(const RECT* a, const RECT* b)
{
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

VEXL_API BOOL PtInRect(const RECT* rect, POINT pt)
{
    return rect && pt.x >= rect->left && pt.x < rect->right && pt.y >= rect->top && pt.y < rect->bottom;
}

VEXL_API BOOL OffsetRect(LPRECT rect, int dx, int dy)
{
    if (!rect) return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

VEXL_API BOOL InflateRect(LPRECT rect, int dx, int dy)
{
    if (!rect) return FALSE;
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return TRUE;
}

VEXL_API BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b)
{
    if (!dst || !a || !b) return FALSE;
    *dst = Meet(*a, *b);
    return !IsRectEmpty(dst);
}

VEXL_API BOOL UnionRect(LPRECT dst, const RECT* a, const RECT* b)
{
    if (!dst || !a || !b) return FALSE;
    if (IsRectEmpty(a)) {
        *dst = IsRectEmpty(b) ? RECT{0, 0, 0, 0} : *b;
    } else if (IsRectEmpty(b)) {
        *dst = *a;
    } else {
        *dst = {std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                std::max(a->bottom, b->bottom)};
    }
    return !IsRectEmpty(dst);
}

VEXL_API BOOL SubtractRect(LPRECT dst, const RECT* a, const RECT* b)
{
    if (!dst || !a || !b) return FALSE;
    RECT r = *a;
    const RECT m = Meet(*a, *b);
    if (!IsRectEmpty(&m)) {
        // Only a cut across a whole side leaves a rectangle.
        if (m.top == r.top && m.bottom == r.bottom) {
            if (m.left == r.left)
                r.left = std::min(m.right, r.right);
            else if (m.right == r.right)
                r.right = m.left;
        } else if (m.left == r.left && m.right == r.right) {
            if (m.top == r.top)
                r.top = std::min(m.bottom, r.bottom);
            else if (m.bottom == r.bottom)
                r.bottom = m.top;
        }
    }
    *dst = r;
    if (IsRectEmpty(dst)) {
        *dst = {0, 0, 0, 0};
        return FALSE;
    }
    return TRUE;
}

// ---- Pixels and blits ---------------------------------------------------------------------

VEXL_API COLORREF GetPixel(HDC hdc, int x, int y)
{
    std::lock_guard guard(GdiLock());
    std::optional<Canvas> canvas = CanvasOf(hdc);
    if (!canvas) return CLR_INVALID;
    const int sx = x + canvas->offset.x, sy = y + canvas->offset.y;
    if (!canvas->Inside(sx, sy)) return CLR_INVALID;
    return ToColor(canvas->target->Get(sx, sy));
}

VEXL_API COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color)
{
    std::lock_guard guard(GdiLock());
    std::optional<Canvas> canvas = CanvasOf(hdc);
    if (!canvas) return CLR_INVALID;
    const int sx = x + canvas->offset.x, sy = y + canvas->offset.y;
    if (!canvas->Inside(sx, sy)) return CLR_INVALID;
    canvas->target->Put(sx, sy, PixelOf(*canvas->dc, color));
    return ToColor(canvas->target->Get(sx, sy));
}

VEXL_API BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color)
{
    return SetPixel(hdc, x, y, color) != CLR_INVALID;
}

VEXL_API BOOL BitBlt(HDC hdc, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, DWORD rop)
{
    return Blit(hdc, x, y, width, height, source, xSrc, ySrc, width, height, rop);
}

VEXL_API BOOL StretchBlt(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, HDC source, int xSrc, int ySrc,
                         int srcWidth, int srcHeight, DWORD rop)
{
    return Blit(hdc, xDest, yDest, destWidth, destHeight, source, xSrc, ySrc, srcWidth, srcHeight, rop);
}

VEXL_API BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop)
{
    if (UsesSource(rop)) return FALSE;
    return Blit(hdc, x, y, width, height, nullptr, 0, 0, width, height, rop);
}

// ---- Shapes ---------------------------------------------------------------------------------

VEXL_API int FillRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    if (!rect) return FALSE;
    brush = BrushArgument(brush);
    return WithCanvas(hdc, [&](Canvas& canvas) {
        RECT r = *rect;
        OffsetRect(&r, canvas.offset.x, canvas.offset.y);
        FillSurfaceRect(canvas, r, brush);
    });
}

VEXL_API int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush)
{
    if (!rect) return FALSE;
    brush = BrushArgument(brush);
    return WithCanvas(hdc, [&](Canvas& canvas) {
        RECT r = *rect;
        if (IsRectEmpty(&r)) return;
        OffsetRect(&r, canvas.offset.x, canvas.offset.y);
        FillSurfaceRect(canvas, {r.left, r.top, r.right, r.top + 1}, brush);
        FillSurfaceRect(canvas, {r.left, r.bottom - 1, r.right, r.bottom}, brush);
        FillSurfaceRect(canvas, {r.left, r.top, r.left + 1, r.bottom}, brush);
        FillSurfaceRect(canvas, {r.right - 1, r.top, r.right, r.bottom}, brush);
    });
}

VEXL_API BOOL InvertRect(HDC hdc, const RECT* rect)
{
    if (!rect) return FALSE;
    return PatBlt(hdc, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, DSTINVERT);
}

VEXL_API BOOL DrawFocusRect(HDC hdc, const RECT* rect)
{
    if (!rect) return FALSE;
    return WithCanvas(hdc, [&](Canvas& canvas) {
        RECT r = *rect;
        if (IsRectEmpty(&r)) return;
        OffsetRect(&r, canvas.offset.x, canvas.offset.y);
        auto flip = [&](int x, int y) {
            if (x < 0 || y < 0 || x >= canvas.target->width || y >= canvas.target->height) return;
            if (!canvas.Inside(x, y) || (x + y) % 2 != 0) return;
            canvas.target->Put(x, y, canvas.target->Get(x, y) ^ kWhite);
        };
        for (int x = r.left; x < r.right; ++x) {
            flip(x, r.top);
            if (r.bottom - 1 > r.top) flip(x, r.bottom - 1);
        }
        for (int y = r.top + 1; y < r.bottom - 1; ++y) {
            flip(r.left, y);
            if (r.right - 1 > r.left) flip(r.right - 1, y);
        }
    });
}

namespace {

void AddFigure(DcObject& dc, std::vector<POINT> points, bool closed)
{
    dc.figures.push_back({std::move(points), closed});
}

std::vector<POINT> BoxPoints(int left, int top, int right, int bottom)
{
    const RECT r = Normalized(left, top, right, bottom);
    return {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
}

}  // namespace

VEXL_API BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom)
{
    return WithCanvas(hdc, [&](Canvas& canvas) {
        if (canvas.dc->pathOpen) return AddFigure(*canvas.dc, BoxPoints(left, top, right, bottom), true);
        const RECT box = ShapeBox(canvas, left, top, right, bottom);
        DrawShape(canvas, box,
                  [&](int x, int y) { return x >= box.left && x < box.right && y >= box.top && y < box.bottom; });
    });
}

VEXL_API BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom)
{
    return WithCanvas(hdc, [&](Canvas& canvas) {
        if (canvas.dc->pathOpen)
            return AddFigure(*canvas.dc, EllipsePoints(Normalized(left, top, right, bottom)), true);
        const RECT box = ShapeBox(canvas, left, top, right, bottom);
        DrawShape(canvas, box, [&](int x, int y) { return InEllipse(box, x + 0.5, y + 0.5); });
    });
}

VEXL_API BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height)
{
    return WithCanvas(hdc, [&](Canvas& canvas) {
        if (canvas.dc->pathOpen) return AddFigure(*canvas.dc, BoxPoints(left, top, right, bottom), true);
        const RECT box = ShapeBox(canvas, left, top, right, bottom);
        const int ew = std::min<int>(std::abs(width), box.right - box.left);
        const int eh = std::min<int>(std::abs(height), box.bottom - box.top);
        DrawShape(canvas, box, [&](int x, int y) {
            if (x < box.left || x >= box.right || y < box.top || y >= box.bottom) return false;
            const double px = x + 0.5, py = y + 0.5;
            const bool leftSide = px<box.left + ew / 2.0, rightSide = px> box.right - ew / 2.0;
            const bool topSide = py<box.top + eh / 2.0, bottomSide = py> box.bottom - eh / 2.0;
            if (!(leftSide || rightSide) || !(topSide || bottomSide) || ew == 0 || eh == 0) return true;
            const LONG cl = leftSide ? box.left : box.right - ew, ct = topSide ? box.top : box.bottom - eh;
            return InEllipse({cl, ct, cl + ew, ct + eh}, px, py);
        });
    });
}

VEXL_API BOOL Polygon(HDC hdc, const POINT* points, int count)
{
    if (!points || count < 2) return FALSE;
    return WithCanvas(hdc, [&](Canvas& canvas) {
        std::vector<POINT> polygon(points, points + count);
        if (canvas.dc->pathOpen) return AddFigure(*canvas.dc, polygon, true);
        FillPolygons(canvas, {polygon}, canvas.dc->state.polyFillMode, canvas.dc->state.brush);
        DrawPolyline(canvas, polygon, true);
    });
}

VEXL_API BOOL Polyline(HDC hdc, const POINT* points, int count)
{
    if (!points || count < 2) return FALSE;
    return WithCanvas(hdc, [&](Canvas& canvas) {
        std::vector<POINT> line(points, points + count);
        if (canvas.dc->pathOpen) return AddFigure(*canvas.dc, line, false);
        DrawPolyline(canvas, line, false);
    });
}

VEXL_API BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return FALSE;
    if (previous) *previous = dc->state.current;
    dc->state.current = {x, y};
    if (dc->pathOpen) AddFigure(*dc, {{x, y}}, false);
    return TRUE;
}

VEXL_API BOOL LineTo(HDC hdc, int x, int y)
{
    return WithCanvas(hdc, [&](Canvas& canvas) {
        DcObject& dc = *canvas.dc;
        if (dc.pathOpen) {
            if (dc.figures.empty() || dc.figures.back().closed) AddFigure(dc, {dc.state.current}, false);
            dc.figures.back().points.push_back({x, y});
        } else {
            DrawLine(canvas, ToSurface(canvas, dc.state.current), ToSurface(canvas, {x, y}));
        }
        dc.state.current = {x, y};
    });
}

// ---- Paths ------------------------------------------------------------------------------------

VEXL_API BOOL BeginPath(HDC hdc)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return FALSE;
    dc->pathOpen = true;
    dc->pathDone = false;
    dc->figures.clear();
    return TRUE;
}

VEXL_API BOOL EndPath(HDC hdc)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc || !dc->pathOpen) return FALSE;
    dc->pathOpen = false;
    dc->pathDone = true;
    return TRUE;
}

VEXL_API BOOL AbortPath(HDC hdc)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return FALSE;
    dc->pathOpen = false;
    dc->pathDone = false;
    dc->figures.clear();
    return TRUE;
}

VEXL_API BOOL CloseFigure(HDC hdc)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc || !dc->pathOpen || dc->figures.empty()) return FALSE;
    dc->figures.back().closed = true;
    return TRUE;
}

namespace {

BOOL RenderPath(HDC hdc, bool fill, bool stroke)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc || !dc->pathDone) return FALSE;
    Canvas canvas = CanvasOf(*dc);
    if (canvas.target) {
        if (fill) {
            std::vector<std::vector<POINT>> polygons;
            for (const Figure& f : dc->figures) polygons.push_back(f.points);
            FillPolygons(canvas, polygons, dc->state.polyFillMode, dc->state.brush);
        }
        if (stroke) {
            for (const Figure& f : dc->figures) DrawPolyline(canvas, f.points, f.closed || fill);
        }
    }
    dc->pathDone = false;
    dc->figures.clear();
    return canvas.target ? TRUE : FALSE;
}

}  // namespace

VEXL_API BOOL StrokePath(HDC hdc)
{
    return RenderPath(hdc, false, true);
}

VEXL_API BOOL FillPath(HDC hdc)
{
    return RenderPath(hdc, true, false);
}

VEXL_API BOOL StrokeAndFillPath(HDC hdc)
{
    return RenderPath(hdc, true, true);
}

// ---- Clipping ------------------------------------------------------------------------------------

namespace {

int ApplyClip(HDC hdc, const std::vector<RECT>& rects, int mode)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return ERROR;
    if (mode == RGN_COPY) {
        dc->state.clip = rects;
    } else {
        const std::vector<RECT> current = dc->state.clip ? *dc->state.clip : std::vector<RECT>{kEverywhere};
        dc->state.clip = CombineRects(current, rects, mode);
    }
    return KindOf(*dc->state.clip);
}

std::vector<RECT> DeviceRect(HDC hdc, int left, int top, int right, int bottom)
{
    POINT origin{};
    GetViewportOrgEx(hdc, &origin);
    RECT r = Normalized(left, top, right, bottom);
    OffsetRect(&r, origin.x, origin.y);
    return {r};
}

}  // namespace

VEXL_API int ExtSelectClipRgn(HDC hdc, HRGN region, int mode)
{
    std::lock_guard guard(GdiLock());
    if (!region) {
        if (mode != RGN_COPY) return ERROR;
        DcObject* dc = FindDc(hdc);
        if (!dc) return ERROR;
        dc->state.clip.reset();
        return SIMPLEREGION;
    }
    auto* record = Find<RegionObject>(region, OBJ_REGION);
    if (!record) {
        CountBadHandle();
        return ERROR;
    }
    return ApplyClip(hdc, record->rects, mode);
}

VEXL_API int SelectClipRgn(HDC hdc, HRGN region)
{
    return ExtSelectClipRgn(hdc, region, RGN_COPY);
}

VEXL_API int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    return ApplyClip(hdc, DeviceRect(hdc, left, top, right, bottom), RGN_AND);
}

VEXL_API int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom)
{
    return ApplyClip(hdc, DeviceRect(hdc, left, top, right, bottom), RGN_DIFF);
}

VEXL_API int GetClipBox(HDC hdc, LPRECT rect)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc || !rect) return ERROR;
    Canvas canvas = CanvasOf(*dc);
    std::vector<RECT> rects = canvas.clip;
    if (!canvas.target) rects = dc->state.clip ? OffsetRects(*dc->state.clip, 0, 0) : std::vector<RECT>{kEverywhere};
    *rect = BoundsOf(rects);
    if (!IsRectEmpty(rect)) OffsetRect(rect, -canvas.offset.x, -canvas.offset.y);
    return KindOf(rects);
}

VEXL_API int GetClipRgn(HDC hdc, HRGN region)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    auto* record = Find<RegionObject>(region, OBJ_REGION);
    if (!dc || !record) return -1;
    if (!dc->state.clip) return 0;
    record->rects = *dc->state.clip;
    return 1;
}
