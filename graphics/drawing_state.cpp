// Brushes, colour states, clips, raster operations and line attributes of
// the drawing hooks.
#include "graphics/drawing.h"

#include "graphics/clip_cache.h"
#include "graphics/path_encoder.h"
#include "graphics/pdev.h"
#include "platform/engine.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace vexl {
namespace {

// The ROP3 codes that use only the pattern and the destination, in ROP2 order.
constexpr BYTE kPatternRops[16] = {0x00, 0x05, 0x0A, 0x0F, 0x50, 0x55, 0x5A, 0x5F,
                                   0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA, 0xFF};

// The device ROP3 of ROP2 0 to 16: the source-based ROP3 of the same
// function, black 0xFF and white 0x00.
constexpr BYTE kDeviceRops[17] = {0xCC, 0xFF, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                  0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x00};

WORD OriginModulo(LONG value)
{
    return static_cast<WORD>(((value % 256) + 256) % 256);
}

DWORD SwapRedBlue(DWORD color)
{
    return (color & 0xFF00FF00u) | ((color & 0xFF) << 16) | ((color >> 16) & 0xFF);
}

constexpr DWORD kSolidMask = 0xFFFFFFFF;

}  // namespace

BOOL DrawsVectorCall(const Pdev* pdev, BOOL* answer)
{
    if (pdev->hiddenFunc18) {
        *answer = TRUE;
        return FALSE;
    }
    if (pdev->flags & kPdevOutputFailed) {
        *answer = FALSE;
        return FALSE;
    }
    return TRUE;
}

BYTE Rop3ToRop2(BYTE rop3)
{
    for (BYTE i = 0; i < 16; ++i) {
        if (kPatternRops[i] == rop3) return static_cast<BYTE>(i + 1);
    }
    return 0;
}

BYTE Rop2ToRop3(BYTE rop2)
{
    return rop2 <= 16 ? kDeviceRops[rop2] : 0xCC;
}

RealizedBrush* SelectBrush(Pdev* pdev, SURFOBJ*, BRUSHOBJ* brush, const POINTL* origin)
{
    if (!brush) return nullptr;
    RealizedBrush* realized = nullptr;
    if (brush->iSolidColor == kPatternBrushColor) {
        realized = static_cast<RealizedBrush*>(BRUSHOBJ_pvGetRbrush(brush));
        if (!realized) return nullptr;
        realized->originX = origin ? OriginModulo(origin->x) : 0;
        realized->originY = origin ? OriginModulo(origin->y) : 0;
    } else {
        realized = &pdev->solidBrush;
        realized->kind = 0;
        realized->originX = 0;
        realized->originY = 0;
        realized->color1 = brush->iSolidColor;
        realized->color2 = kWhite;
        realized->bitsPerPixel = 0;
        realized->side = 0;
    }
    realized->hostMatched = (brush->flColorType & BR_HOST_ICM) ? 1 : 0;
    return realized;
}

void ColorStateFromMix(Pdev*, MIX mix, ColorState* state, BOOL strokeAndFill)
{
    state->rop2 = static_cast<BYTE>(mix & 0xFF);
    state->backgroundMode = ((mix >> 8) & 0xFF) == R2_NOP ? kBackgroundTransparent : kBackgroundOpaque;
    state->penColor = strokeAndFill;
}

void SwapColorStateRedBlue(ColorState* state)
{
    state->foreground = SwapRedBlue(state->foreground);
    state->background = SwapRedBlue(state->background);
    if (state->pen != 0) state->pen = SwapRedBlue(state->pen);
}

LONG SelectClip(Pdev* pdev, CLIPOBJ* clip)
{
    OutputStream& stream = pdev->stream;
    ClipCache* cache = pdev->clipCache;
    const BYTE complexity = clip ? clip->iDComplexity : DC_TRIVIAL;
    // The printer keeps its clip across pages: the reset goes out whenever a
    // clip was last sent, on this page or an earlier one.
    auto reset = [&]() -> LONG {
        if (cache && cache->kind == 0) return 1;
        if (!EmitClipResetRecord(stream)) return -1;
        if (cache) {
            cache->kind = 0;
            cache->lastResult = TRUE;
        }
        return 1;
    };
    if (complexity == DC_RECT) {
        const RECTL& r = clip->rclBounds;
        if (cache && cache->valid && cache->kind == 1 && cache->rect.left == r.left && cache->rect.top == r.top &&
            cache->rect.right == r.right && cache->rect.bottom == r.bottom) {
            return 1;
        }
        if (!EmitClipRectangleRecord(stream, r)) return -1;
        if (cache) *cache = ClipCache{TRUE, clip->iUniq, TRUE, 1, r};
        return 1;
    }
    if (complexity == DC_COMPLEX) {
        if (clip->iUniq != 0 && cache && cache->valid && cache->kind == 3 && cache->clipId == clip->iUniq) return 1;
        PATHOBJ* path = CLIPOBJ_ppoGetPath(clip);
        if (!path) return -1;
        const BYTE* record = EmitPathRecord(stream, path, kPathClip);
        EngDeletePath(path);
        if (!record) return -1;
        if (cache) *cache = ClipCache{TRUE, clip->iUniq, TRUE, 3, clip->rclBounds};
        return 1;
    }
    return reset();
}

BOOL XformScale(XFORMOBJ* xform, LONG* scale)
{
    if (!xform) return FALSE;
    FLOATOBJ_XFORM matrix{};
    const ULONG complexity = XFORMOBJ_iGetFloatObjXform(xform, &matrix);
    if (complexity == GX_IDENTITY || complexity == DDI_ERROR) return FALSE;
    const double mean = (std::fabs(matrix.eM11) * 256.0 + std::fabs(matrix.eM22) * 256.0) / 2.0;
    *scale = static_cast<LONG>(mean);
    return TRUE;
}

namespace {

// The line width in pixels of a geometric line. The width is a float; an
// engine that hands an integer there instead gives a value that is no
// normal float, which is then read as the integer it is.
LONG GeometricWidth(const LINEATTRS* line)
{
    const float e = line->elWidth.e;
    if (std::isfinite(e) && std::fabs(e) >= 1.0f) return e >= 2147483520.0f ? 0x7FFFFFFF : static_cast<LONG>(e);
    if (std::fpclassify(e) == FP_NORMAL || std::isnan(e) || std::isinf(e)) return 0;
    return line->elWidth.l;
}

// The dash mask of the style lengths (pixels): unit, mask and phase, or
// FALSE when the style does not fit.
BOOL BuildDash(std::vector<LONG>& lengths, LONG start, bool geometric, LineState* out)
{
    LONG total = 0;
    for (LONG length : lengths) total += length;
    if (total <= 0) return TRUE;  // solid
    out->phase = static_cast<WORD>(static_cast<long long>(start) * 32 / total);
    // A length of 0 takes that of the next entry (the last: of the previous).
    const std::size_t n = lengths.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (lengths[i] != 0) continue;
        if (i + 1 < n)
            lengths[i] = lengths[i + 1];
        else if (i > 0)
            lengths[i] = lengths[i - 1];
    }
    total = 0;
    for (LONG length : lengths) total += length;
    if (total <= 0) return TRUE;

    LONG unit = 1;
    if (total > 32) {
        unit = total / 32;
        if (unit > 255) {
            if (geometric) return FALSE;
            unit = 255;
        }
        LONG sum = 0;
        for (LONG& length : lengths) {
            length = std::max<LONG>(1, static_cast<LONG>((static_cast<long long>(length) * 32 / total) % 256));
            sum += length;
        }
        if (sum > 32) return FALSE;
        LONG extra = 32 - sum;
        for (std::size_t i = 0; i < n && extra > 0; ++i, --extra) ++lengths[i];
        LONG others = 0;
        for (std::size_t i = 0; i + 1 < n; ++i) others += lengths[i];
        lengths[n - 1] = 32 - others;
        total = 32;
    }
    // Every length is at least 1 and they add up to at most 32, so the
    // repeated entries fit the mask.
    LONG rep = 32 / total;
    LONG rem = 32 % total;
    if (rep > 1) {
        std::vector<LONG> repeated;
        for (LONG r = 0; r < rep; ++r) repeated.insert(repeated.end(), lengths.begin(), lengths.end());
        const LONG count = static_cast<LONG>(repeated.size());
        for (LONG i = 0; i < count; ++i) repeated[i] += rem / count + (i < rem % count ? 1 : 0);
        lengths.swap(repeated);
        rep = 1;
        rem = 0;
    }
    DWORD mask = 0;
    int bit = 31;
    bool last = true;
    for (std::size_t i = 0; i < lengths.size() && bit >= 0; ++i) {
        const bool dash = i % 2 == 0;
        LONG run = lengths[i] * rep;
        if (rem > 0) {
            ++run;
            --rem;
        }
        for (LONG k = 0; k < run && bit >= 0; ++k, --bit) {
            if (dash) mask |= DWORD{1} << bit;
        }
        last = dash;
    }
    for (; bit >= 0; --bit) {
        if (last) mask |= DWORD{1} << bit;
    }
    out->dashUnit = static_cast<WORD>(unit);
    out->dashMask = mask;
    return TRUE;
}

}  // namespace

BOOL BuildLineState(Pdev* pdev, const LINEATTRS* line, DWORD color, XFORMOBJ* xform, LineState* out, BOOL* geometricOut)
{
    const bool geometric = line && (line->fl & LA_GEOMETRIC);
    if (geometricOut) *geometricOut = geometric ? TRUE : FALSE;
    *out = LineState{1, 0, 0, 1, 0, 2560, kSolidMask, color};
    if (!line) return TRUE;
    LONG scale = 0;
    const bool scaled = XformScale(xform, &scale) != FALSE;

    if (geometric) {
        if (scaled && scale == 0) return FALSE;
        const LONG w = GeometricWidth(line);
        LONG width = 1;
        if (w >= 1) width = scaled ? std::max<LONG>(1, static_cast<LONG>((static_cast<long long>(w) * scale) >> 8)) : w;
        out->width = static_cast<WORD>(std::min<LONG>(width, 0xFFFF));
        out->join = line->iJoin == JOIN_BEVEL ? 1 : line->iJoin == JOIN_MITER ? 2 : 0;
        out->cap = line->iEndCap == ENDCAP_SQUARE ? 2 : line->iEndCap == ENDCAP_BUTT ? 1 : 0;
    }
    if (geometric || (line->fl & LA_STYLED)) {
        const float limit = std::isnan(line->eMiterLimit) ? 1.0f : std::clamp(line->eMiterLimit, 1.0f, 32767.0f);
        out->miterLimit = static_cast<DWORD>(limit * 256.0f);
    }
    if (!(geometric || (line->fl & LA_STYLED)) || line->cstyle == 0 || !line->pstyle) return TRUE;

    if (out->width > 1) return FALSE;
    if (line->cstyle == 1) return TRUE;
    std::vector<LONG> lengths;
    lengths.reserve(line->cstyle);
    const LONG cosmeticUnit = std::max<LONG>(1, pdev->resolution / 50);
    for (ULONG i = 0; i < line->cstyle; ++i) {
        LONG length = 0;
        if (geometric) {
            const float e = line->pstyle[i].e;
            length = std::isfinite(e) ? static_cast<LONG>(std::clamp(e, 0.0f, 1.0e6f)) : 0;
            if (scaled) length = static_cast<LONG>((static_cast<long long>(length) * scale) >> 8);
        } else {
            length = std::clamp<LONG>(line->pstyle[i].l, 0, 1000000) * cosmeticUnit;
        }
        lengths.push_back(length);
    }
    LONG start = 0;
    if (line->fl & LA_STARTGAP) {
        start = geometric ? lengths.front() : (lengths.front() & 0xFF);
        lengths.erase(lengths.begin());
        if (lengths.size() <= 1) return TRUE;
    }
    LineState dashed = *out;
    if (!BuildDash(lengths, start, geometric, &dashed)) return geometric ? FALSE : TRUE;
    *out = dashed;
    return TRUE;
}

}  // namespace vexl
