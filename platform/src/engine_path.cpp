// Paths and clip regions: the PATHOBJ the engine hands to the driver piece by
// piece, and the CLIPOBJ with its rectangles and its region as a path.
#include "engine_objects.h"
#include "platform/engine.h"
#include "platform/kernel.h"

#include <algorithm>
#include <cstring>

namespace vexl::engine {

void PathRecord::Recount()
{
    ULONG curves = 0;
    bool beziers = false;
    for (const Subpath& subpath : subpaths) {
        curves += static_cast<ULONG>(subpath.segments.size());
        for (const Segment& segment : subpath.segments) beziers |= segment.bezier;
    }
    cCurves = curves;
    fl = beziers ? PO_BEZIERS : 0;
}

PathRecord* NewEnginePath()
{
    auto* record = new PathRecord;
    record->madeByEngine = true;
    CountEnginePath(+1);
    return record;
}

// ---- Path builder ------------------------------------------------------------------------------

struct Path::Record : PathRecord {};

Path::Path() : record_(std::make_unique<Record>()) {}
Path::~Path() = default;
Path::Path(Path&&) noexcept = default;
Path& Path::operator=(Path&&) noexcept = default;

Path& Path::MoveTo(FIX x, FIX y)
{
    Subpath subpath;
    subpath.start = POINTFIX{x, y};
    record_->subpaths.push_back(subpath);
    record_->Recount();
    return *this;
}

Path& Path::LineTo(FIX x, FIX y)
{
    if (record_->subpaths.empty() || record_->subpaths.back().closed) {
        const POINTFIX from = record_->subpaths.empty() ? POINTFIX{0, 0} : record_->subpaths.back().start;
        MoveTo(from.x, from.y);
    }
    Segment segment;
    segment.points[0] = POINTFIX{x, y};
    record_->subpaths.back().segments.push_back(segment);
    record_->Recount();
    return *this;
}

Path& Path::BezierTo(POINTFIX c1, POINTFIX c2, POINTFIX end)
{
    if (record_->subpaths.empty() || record_->subpaths.back().closed) {
        const POINTFIX from = record_->subpaths.empty() ? POINTFIX{0, 0} : record_->subpaths.back().start;
        MoveTo(from.x, from.y);
    }
    Segment segment;
    segment.bezier = true;
    segment.points[0] = c1;
    segment.points[1] = c2;
    segment.points[2] = end;
    record_->subpaths.back().segments.push_back(segment);
    record_->Recount();
    return *this;
}

Path& Path::Close()
{
    if (!record_->subpaths.empty()) record_->subpaths.back().closed = true;
    return *this;
}

Path& Path::SetPiecePoints(ULONG piecePoints)
{
    record_->piecePoints = piecePoints;
    return *this;
}

PATHOBJ* Path::get()
{
    return record_.get();
}

// ---- Clip regions --------------------------------------------------------------------------------

struct Clip::Record : ClipRecord {};

Clip::Clip(std::unique_ptr<Record> record) : record_(std::move(record)) {}
Clip::~Clip() = default;
Clip::Clip(Clip&&) noexcept = default;
Clip& Clip::operator=(Clip&&) noexcept = default;

Clip Clip::Trivial(const RECTL& bounds)
{
    auto record = std::make_unique<Record>();
    record->rclBounds = bounds;
    record->iDComplexity = DC_TRIVIAL;
    record->iFComplexity = FC_RECT;
    record->rects = {bounds};
    return Clip(std::move(record));
}

Clip Clip::Rect(const RECTL& rect, ULONG iUniq)
{
    auto record = std::make_unique<Record>();
    record->iUniq = iUniq;
    record->rclBounds = rect;
    record->iDComplexity = DC_RECT;
    record->iFComplexity = FC_RECT;
    record->rects = {rect};
    return Clip(std::move(record));
}

Clip Clip::Complex(std::vector<RECTL> rects, ULONG iUniq)
{
    auto record = std::make_unique<Record>();
    record->iUniq = iUniq;
    RECTL bounds{0, 0, 0, 0};
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const RECTL& r = rects[i];
        bounds = i == 0 ? r
                        : RECTL{std::min(bounds.left, r.left), std::min(bounds.top, r.top),
                                std::max(bounds.right, r.right), std::max(bounds.bottom, r.bottom)};
    }
    record->rclBounds = bounds;
    record->iDComplexity = DC_COMPLEX;
    record->iFComplexity = FC_COMPLEX;
    record->iMode = TC_RECTANGLES;
    record->rects = std::move(rects);
    return Clip(std::move(record));
}

CLIPOBJ* Clip::get()
{
    return record_.get();
}

}  // namespace vexl::engine

using namespace vexl::engine;

// ---- Path services ----------------------------------------------------------------------------------

void PATHOBJ_vEnumStart(PATHOBJ* ppo)
{
    if (!ppo) return;
    auto* path = static_cast<PathRecord*>(ppo);
    path->nextSubpath = 0;
    path->nextSegment = 0;
    path->piece.clear();
}

// One piece: from the current segment of the current subpath, a run of
// segments of one kind, at most piecePoints points (at least one segment).
BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd)
{
    if (!ppo || !ppd) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* path = static_cast<PathRecord*>(ppo);
    path->piece.clear();
    *ppd = PATHDATA{0, 0, nullptr};
    if (path->nextSubpath >= path->subpaths.size()) return FALSE;

    const Subpath& subpath = path->subpaths[path->nextSubpath];
    FLONG flags = 0;
    if (path->nextSegment == 0) {
        flags |= PD_BEGINSUBPATH;
        path->piece.push_back(subpath.start);
    }
    const ULONG limit = path->piecePoints;
    if (path->nextSegment < subpath.segments.size()) {
        const bool bezier = subpath.segments[path->nextSegment].bezier;
        if (bezier) flags |= PD_BEZIERS;
        while (path->nextSegment < subpath.segments.size() && subpath.segments[path->nextSegment].bezier == bezier) {
            const ULONG size = bezier ? 3 : 1;
            const bool first = path->piece.size() <= ((flags & PD_BEGINSUBPATH) ? 1u : 0u);
            if (!first && limit != 0 && path->piece.size() + size > limit) break;
            const Segment& segment = subpath.segments[path->nextSegment++];
            path->piece.insert(path->piece.end(), segment.points, segment.points + size);
        }
    }
    if (path->nextSegment >= subpath.segments.size()) {
        flags |= PD_ENDSUBPATH;
        if (subpath.closed) flags |= PD_CLOSEFIGURE;
        ++path->nextSubpath;
        path->nextSegment = 0;
    }
    ppd->flags = flags;
    ppd->count = static_cast<ULONG>(path->piece.size());
    ppd->pptfx = path->piece.data();
    return path->nextSubpath < path->subpaths.size() ? TRUE : FALSE;
}

void PATHOBJ_vGetBounds(PATHOBJ* ppo, RECTFX* prectfx)
{
    if (!ppo || !prectfx) return;
    const auto* path = static_cast<const PathRecord*>(ppo);
    bool any = false;
    RECTFX bounds{0, 0, 0, 0};
    auto add = [&](const POINTFIX& p) {
        if (!any) {
            bounds = RECTFX{p.x, p.y, p.x, p.y};
            any = true;
            return;
        }
        bounds.xLeft = std::min(bounds.xLeft, p.x);
        bounds.yTop = std::min(bounds.yTop, p.y);
        bounds.xRight = std::max(bounds.xRight, p.x);
        bounds.yBottom = std::max(bounds.yBottom, p.y);
    };
    for (const Subpath& subpath : path->subpaths) {
        add(subpath.start);
        for (const Segment& segment : subpath.segments)
            for (int i = 0; i < (segment.bezier ? 3 : 1); ++i) add(segment.points[i]);
    }
    *prectfx = bounds;
}

void EngDeletePath(PATHOBJ* ppo)
{
    if (!ppo) return;
    auto* path = static_cast<PathRecord*>(ppo);
    if (!path->madeByEngine) return;  // the owner of a built path frees it
    CountEnginePath(-1);
    delete path;
}

// ---- Clip services -----------------------------------------------------------------------------------

ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL, ULONG, ULONG, ULONG)
{
    if (!pco) return 0;
    auto* clip = static_cast<ClipRecord*>(pco);
    clip->nextRect = 0;
    return static_cast<ULONG>(clip->rects.size());
}

BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul)
{
    if (!pco || !pul || cj < sizeof(ENUMRECTS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto* clip = static_cast<ClipRecord*>(pco);
    const std::size_t room = (cj - offsetof(ENUMRECTS, arcl)) / sizeof(RECTL);
    const std::size_t take = std::min(room, clip->rects.size() - std::min(clip->nextRect, clip->rects.size()));
    const ULONG count = static_cast<ULONG>(take);
    std::memcpy(pul, &count, sizeof(count));
    auto* out = reinterpret_cast<std::uint8_t*>(pul) + offsetof(ENUMRECTS, arcl);
    std::memcpy(out, clip->rects.data() + clip->nextRect, take * sizeof(RECTL));
    clip->nextRect += take;
    return clip->nextRect < clip->rects.size() ? TRUE : FALSE;
}

PATHOBJ* CLIPOBJ_ppoGetPath(CLIPOBJ* pco)
{
    if (!pco) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    {
        std::lock_guard guard(EngineLock());
        if (ShouldFail(Service::ClipPath)) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
    }
    const auto* clip = static_cast<const ClipRecord*>(pco);
    PathRecord* path = NewEnginePath();
    for (const RECTL& r : clip->rects) {
        Subpath subpath;
        subpath.start = POINTFIX{r.left * 16, r.top * 16};
        const POINTFIX corners[] = {
            {r.right * 16, r.top * 16}, {r.right * 16, r.bottom * 16}, {r.left * 16, r.bottom * 16}};
        for (const POINTFIX& corner : corners) {
            Segment segment;
            segment.points[0] = corner;
            subpath.segments.push_back(segment);
        }
        subpath.closed = true;
        path->subpaths.push_back(subpath);
    }
    path->Recount();
    return path;
}
