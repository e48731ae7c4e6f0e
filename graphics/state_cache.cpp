// The state caches: a state record goes out only when the page does not
// have that state yet.
#include "graphics/records.h"

namespace vexl {

namespace {

// Caps and joins other than 1 and 2 go out as 0 (round).
WORD DeviceCapOrJoin(WORD value)
{
    return value == 1 || value == 2 ? value : 0;
}

// The dash unit and the dash phase go out as one byte: the cache compares
// what the record holds, so two values of the same byte send one record.
WORD DeviceByte(WORD value)
{
    return value & 0xFF;
}

bool SameColorState(const ColorState& a, const ColorState& b)
{
    const bool pen = a.penColor != 0;
    return a.kind == b.kind && a.backgroundMode == b.backgroundMode && pen == (b.penColor != 0) &&
           a.foreground == b.foreground && a.background == b.background && (!pen || a.pen == b.pen) &&
           (a.hostMatched != 0) == (b.hostMatched != 0);
}

}  // namespace

void InvalidateStateCaches(StateCaches& caches)
{
    caches.line.valid = false;
    caches.rop.valid = false;
    caches.background.valid = false;
    caches.pattern.valid = false;
    caches.color.valid = false;
    caches.font.valid = false;
}

BOOL SelectLineState(OutputStream& stream, StateCaches& caches, const LineState& line)
{
    auto& cache = caches.line;
    const WORD cap = DeviceCapOrJoin(line.cap);
    const WORD join = DeviceCapOrJoin(line.join);
    const WORD dashUnit = DeviceByte(line.dashUnit);
    const WORD phase = DeviceByte(line.phase);
    const bool first = !cache.valid;
    if (first || cache.width != line.width || cache.dashMask != line.dashMask || cache.dashUnit != dashUnit) {
        if (!EmitLineWidthRecord(stream, line.width, line.dashMask, dashUnit)) return FALSE;
        cache.width = line.width;
        cache.dashMask = line.dashMask;
        cache.dashUnit = dashUnit;
    }
    if (first || cache.phase != phase) {
        if (!EmitDashPhaseRecord(stream, phase)) return FALSE;
        cache.phase = phase;
    }
    if (first || cache.cap != cap) {
        if (!EmitLineCapRecord(stream, cap)) return FALSE;
        cache.cap = cap;
    }
    if (first || cache.join != join || cache.miterLimit != line.miterLimit) {
        if (!EmitLineJoinRecord(stream, join, line.miterLimit)) return FALSE;
        cache.join = join;
        cache.miterLimit = line.miterLimit;
    }
    cache.valid = true;
    return TRUE;
}

BOOL SelectRop(OutputStream& stream, StateCaches& caches, BYTE rop3)
{
    auto& cache = caches.rop;
    if (cache.valid && cache.rop3 == rop3) return TRUE;
    if (!EmitRopRecord(stream, rop3)) return FALSE;
    cache.rop3 = rop3;
    cache.valid = true;
    return TRUE;
}

BOOL SelectBackgroundMode(OutputStream& stream, StateCaches& caches, BYTE mode)
{
    auto& cache = caches.background;
    if (cache.valid && cache.mode == mode) return TRUE;
    if (!EmitBackgroundModeRecord(stream, mode)) return FALSE;
    cache.mode = mode;
    cache.valid = true;
    return TRUE;
}

BOOL SelectPattern(OutputStream& stream, StateCaches& caches, const RealizedBrush* brush)
{
    if (!brush) return FALSE;
    auto& cache = caches.pattern;
    // A pattern brush is always sent again: the cache keeps only its kind.
    if (!cache.valid || brush->kind != 0 || brush->kind != cache.kind) {
        if (!EmitPatternRecord(stream, *brush)) return FALSE;
        cache.kind = brush->kind;
        cache.valid = true;
    }
    cache.originX = brush->originX;
    cache.originY = brush->originY;
    return TRUE;
}

BOOL SelectColor(OutputStream& stream, StateCaches& caches, const ColorState* state)
{
    if (!state) return FALSE;
    auto& cache = caches.color;
    // The host-matched flag is part of the colour: a change of it alone
    // sends the record, so the printer never keeps a stale flag.
    if (cache.valid && SameColorState(cache.state, *state)) return TRUE;
    if (!EmitColorRecord(stream, *state)) return FALSE;
    cache.state = *state;
    cache.valid = true;
    return TRUE;
}

}  // namespace vexl
