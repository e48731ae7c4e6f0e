// Regions: sets of disjoint rectangles kept in horizontal bands, and the
// region calls.
#include "gdi_objects.h"

#include "platform/kernel.h"

#include <algorithm>
#include <cmath>

namespace vexl::gdi {
namespace {

using Spans = std::vector<std::pair<LONG, LONG>>;

// The merged x spans of the rectangles that cover the band [top, bottom).
Spans SpansIn(const std::vector<RECT>& rects, LONG top, LONG bottom)
{
    Spans spans;
    for (const RECT& r : rects) {
        if (r.top <= top && r.bottom >= bottom && r.left < r.right) spans.push_back({r.left, r.right});
    }
    std::sort(spans.begin(), spans.end());
    Spans merged;
    for (const auto& s : spans) {
        if (!merged.empty() && s.first <= merged.back().second)
            merged.back().second = std::max(merged.back().second, s.second);
        else
            merged.push_back(s);
    }
    return merged;
}

bool Covered(const Spans& spans, LONG x)
{
    for (const auto& s : spans) {
        if (x >= s.first && x < s.second) return true;
    }
    return false;
}

bool Keep(bool a, bool b, int mode)
{
    switch (mode) {
    case RGN_AND:
        return a && b;
    case RGN_OR:
        return a || b;
    case RGN_XOR:
        return a != b;
    case RGN_DIFF:
        return a && !b;
    default:
        return a;
    }
}

Spans CombineSpans(const Spans& a, const Spans& b, int mode)
{
    std::vector<LONG> edges;
    for (const auto& s : a) edges.insert(edges.end(), {s.first, s.second});
    for (const auto& s : b) edges.insert(edges.end(), {s.first, s.second});
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    Spans result;
    for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
        if (!Keep(Covered(a, edges[i]), Covered(b, edges[i]), mode)) continue;
        if (!result.empty() && result.back().second == edges[i])
            result.back().second = edges[i + 1];
        else
            result.push_back({edges[i], edges[i + 1]});
    }
    return result;
}

}  // namespace

std::vector<RECT> CombineRects(const std::vector<RECT>& a, const std::vector<RECT>& b, int mode)
{
    std::vector<LONG> ys;
    for (const RECT& r : a) ys.insert(ys.end(), {r.top, r.bottom});
    for (const RECT& r : b) ys.insert(ys.end(), {r.top, r.bottom});
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::vector<RECT> result;
    std::vector<std::size_t> previousBand;  // indexes of the rectangles of the band above
    for (std::size_t i = 0; i + 1 < ys.size(); ++i) {
        const LONG top = ys[i], bottom = ys[i + 1];
        const Spans spans = CombineSpans(SpansIn(a, top, bottom), SpansIn(b, top, bottom), mode);
        // A band with the same spans as the one right above it extends it.
        bool extends =
            !previousBand.empty() && previousBand.size() == spans.size() && result[previousBand[0]].bottom == top;
        for (std::size_t k = 0; extends && k < spans.size(); ++k)
            extends =
                result[previousBand[k]].left == spans[k].first && result[previousBand[k]].right == spans[k].second;
        if (extends) {
            for (std::size_t index : previousBand) result[index].bottom = bottom;
            continue;
        }
        previousBand.clear();
        for (const auto& s : spans) {
            previousBand.push_back(result.size());
            result.push_back({s.first, top, s.second, bottom});
        }
    }
    return result;
}

std::vector<RECT> OffsetRects(std::vector<RECT> rects, int dx, int dy)
{
    for (RECT& r : rects) {
        r.left += dx;
        r.right += dx;
        r.top += dy;
        r.bottom += dy;
    }
    return rects;
}

RECT BoundsOf(const std::vector<RECT>& rects)
{
    if (rects.empty()) return {0, 0, 0, 0};
    RECT b = rects[0];
    for (const RECT& r : rects) {
        b.left = std::min(b.left, r.left);
        b.top = std::min(b.top, r.top);
        b.right = std::max(b.right, r.right);
        b.bottom = std::max(b.bottom, r.bottom);
    }
    return b;
}

int KindOf(const std::vector<RECT>& rects)
{
    if (rects.empty()) return NULLREGION;
    return rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

std::vector<RECT> EllipseRects(const RECT& box)
{
    std::vector<RECT> rows;
    const double rx = (box.right - box.left) / 2.0, ry = (box.bottom - box.top) / 2.0;
    if (rx <= 0 || ry <= 0) return rows;
    for (LONG y = box.top; y < box.bottom; ++y) {
        const double uy = (y + 0.5 - (box.top + ry)) / ry;
        const double half = rx * std::sqrt(std::max(0.0, 1.0 - uy * uy));
        const double cx = box.left + rx;
        const LONG left = LONG(std::ceil(cx - half - 0.5)), right = LONG(std::ceil(cx + half - 0.5));
        if (left < right) rows.push_back({left, y, right, y + 1});
    }
    return CombineRects(rows, {}, RGN_OR);
}

}  // namespace vexl::gdi

using namespace vexl::gdi;

namespace {

HRGN NewRegion(std::vector<RECT> rects)
{
    std::lock_guard guard(GdiLock());
    auto region = std::make_unique<RegionObject>();
    region->type = OBJ_REGION;
    region->rects = std::move(rects);
    return static_cast<HRGN>(AddObject(std::move(region), true));
}

std::vector<RECT> OneRect(int left, int top, int right, int bottom)
{
    const RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    if (r.left == r.right || r.top == r.bottom) return {};
    return {r};
}

RegionObject* FindRegion(HRGN region)
{
    auto* record = Find<RegionObject>(region, OBJ_REGION);
    if (!record && region) CountBadHandle();
    return record;
}

}  // namespace

VEXL_API HRGN CreateRectRgn(int left, int top, int right, int bottom)
{
    return NewRegion(OneRect(left, top, right, bottom));
}

VEXL_API HRGN CreateRectRgnIndirect(const RECT* rect)
{
    if (!rect) return nullptr;
    return CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom);
}

VEXL_API HRGN CreateEllipticRgn(int left, int top, int right, int bottom)
{
    const RECT box{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
    return NewRegion(EllipseRects(box));
}

VEXL_API BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom)
{
    std::lock_guard guard(GdiLock());
    RegionObject* record = FindRegion(region);
    if (!record) return FALSE;
    record->rects = OneRect(left, top, right, bottom);
    return TRUE;
}

VEXL_API int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode)
{
    std::lock_guard guard(GdiLock());
    RegionObject* target = FindRegion(dst);
    RegionObject* a = FindRegion(src1);
    if (!target || !a || mode < RGN_AND || mode > RGN_COPY) return ERROR;
    if (mode == RGN_COPY) {
        target->rects = a->rects;
    } else {
        RegionObject* b = FindRegion(src2);
        if (!b) return ERROR;
        target->rects = CombineRects(a->rects, b->rects, mode);
    }
    return KindOf(target->rects);
}

VEXL_API int OffsetRgn(HRGN region, int dx, int dy)
{
    std::lock_guard guard(GdiLock());
    RegionObject* record = FindRegion(region);
    if (!record) return ERROR;
    record->rects = OffsetRects(record->rects, dx, dy);
    return KindOf(record->rects);
}

VEXL_API int GetRgnBox(HRGN region, LPRECT rect)
{
    std::lock_guard guard(GdiLock());
    RegionObject* record = FindRegion(region);
    if (!record || !rect) return ERROR;
    *rect = BoundsOf(record->rects);
    return KindOf(record->rects);
}

VEXL_API BOOL PtInRegion(HRGN region, int x, int y)
{
    std::lock_guard guard(GdiLock());
    RegionObject* record = FindRegion(region);
    if (!record) return FALSE;
    for (const RECT& r : record->rects) {
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return TRUE;
    }
    return FALSE;
}

VEXL_API BOOL RectInRegion(HRGN region, const RECT* rect)
{
    std::lock_guard guard(GdiLock());
    RegionObject* record = FindRegion(region);
    if (!record || !rect) return FALSE;
    return !CombineRects(record->rects, OneRect(rect->left, rect->top, rect->right, rect->bottom), RGN_AND).empty();
}

VEXL_API BOOL EqualRgn(HRGN a, HRGN b)
{
    std::lock_guard guard(GdiLock());
    RegionObject* ra = FindRegion(a);
    RegionObject* rb = FindRegion(b);
    if (!ra || !rb) return FALSE;
    return CombineRects(ra->rects, rb->rects, RGN_XOR).empty();
}

VEXL_API BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush)
{
    std::lock_guard guard(GdiLock());
    RegionObject* record = FindRegion(region);
    std::optional<Canvas> canvas = CanvasOf(hdc);
    if (!record || !canvas) return FALSE;
    for (const RECT& r : OffsetRects(record->rects, canvas->offset.x, canvas->offset.y))
        FillSurfaceRect(*canvas, r, brush);
    return TRUE;
}

VEXL_API BOOL PaintRgn(HDC hdc, HRGN region)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return FALSE;
    return FillRgn(hdc, region, static_cast<HBRUSH>(dc->state.brush));
}
