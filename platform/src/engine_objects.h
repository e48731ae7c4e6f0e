// The engine's records behind the objects it hands to a driver. Each record
// derives from the public object, so a service turns the driver's pointer
// back into its record.
#pragma once

#include "platform/ddi.h"
#include "platform/engine_host.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace vexl::engine {

// The lock of every engine table.
std::mutex& EngineLock();

// True when the service's failure switch fires for this call.
bool ShouldFail(Service service);

// ---- Surfaces --------------------------------------------------------------------

struct SurfaceRecord {
    SURFOBJ so{};
    std::unique_ptr<std::uint8_t[]> ownedBits;
    FLONG hooks = 0;
    bool associated = false;
    bool banding = false;
};

// The record of a surface handle, or of a SURFOBJ the engine gave out; null when unknown.
SurfaceRecord* FindSurface(HSURF hsurf);
SurfaceRecord* FindSurface(const SURFOBJ* pso);

bool IsBitmapFormat(ULONG format);
std::int64_t MinimumStride(LONG width, ULONG format);

// ---- Devices ---------------------------------------------------------------------

struct DeviceRecord {
    std::map<ULONG, PFN> hooks;
    DHPDEV dhpdev = nullptr;
};
DeviceRecord* FindDevice(HDEV hdev);

// ---- Paths -----------------------------------------------------------------------

struct Segment {
    bool bezier = false;
    POINTFIX points[3]{};  // a line uses the first
};

struct Subpath {
    POINTFIX start{};
    std::vector<Segment> segments;
    bool closed = false;
};

struct PathRecord : PATHOBJ {
    std::vector<Subpath> subpaths;
    ULONG piecePoints = 0;
    bool madeByEngine = false;
    // Enumeration: the subpath and segment to hand out next, and the points of the last piece.
    std::size_t nextSubpath = 0;
    std::size_t nextSegment = 0;
    std::vector<POINTFIX> piece;

    void Recount();
};

PathRecord* NewEnginePath();
void CountEnginePath(int delta);

// ---- Other objects ---------------------------------------------------------------------

struct ClipRecord : CLIPOBJ {
    std::vector<RECTL> rects;
    std::size_t nextRect = 0;
};

struct XlateRecord : XLATEOBJ {
    std::vector<ULONG> table;
};

struct XformRecord : XFORMOBJ {
    XFORML matrix{1, 0, 0, 1, 0, 0};
    bool identity = true;
};

struct BrushRecord : BRUSHOBJ {
    SURFOBJ* target = nullptr;
    SURFOBJ* pattern = nullptr;
    XLATEOBJ* xlate = nullptr;
    ULONG hatch = HS_DDI_MAX;
    std::vector<std::uint64_t> realization;  // 8-byte aligned memory for the driver
    bool realized = false;
    int realizeCalls = 0;
};

// The rectangles a drawing call may touch: the clip's, cut to the bounds.
std::vector<RECTL> ClipRects(CLIPOBJ* pco, const RECTL& bounds);
RECTL Intersect(const RECTL& a, const RECTL& b);
bool IsEmpty(const RECTL& r);

// The same rectangles handed one by one to `draw`, without a list.
template <typename Draw> void ForEachClipRect(CLIPOBJ* pco, const RECTL& bounds, Draw draw)
{
    auto visit = [&](const RECTL& r) {
        const RECTL cut = Intersect(r, bounds);
        if (!IsEmpty(cut)) draw(cut);
    };
    if (!pco || pco->iDComplexity == DC_TRIVIAL) {
        visit(bounds);
    } else if (pco->iDComplexity == DC_RECT) {
        visit(pco->rclBounds);
    } else {
        for (const RECTL& r : static_cast<ClipRecord*>(pco)->rects) visit(r);
    }
}

ULONG TranslateColor(XLATEOBJ* pxlo, ULONG value);

}  // namespace vexl::engine
