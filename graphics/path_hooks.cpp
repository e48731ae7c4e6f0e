// The path hooks: strokes, fills, and both in one path record.
#include "graphics/drawing.h"
#include "graphics/hooks.h"
#include "graphics/path_encoder.h"
#include "graphics/pdev.h"

namespace vexl {
namespace {

constexpr BOOL kPathHookError = -1;

// The pattern of the call, or ERROR_NOT_ENOUGH_MEMORY.
bool SelectCallPattern(Pdev* pdev, const RealizedBrush* brush)
{
    if (brush && SelectPattern(pdev->stream, pdev->states, brush)) return true;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
}

BYTE FillMode(FLONG options, BYTE alternate, BYTE winding)
{
    return (options & FP_WINDINGMODE) ? winding : alternate;
}

}  // namespace

BOOL DrvStrokePath(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* brush,
                   POINTL* brushOrigin, LINEATTRS* line, MIX mix)
{
    Pdev* pdev = ValidPdevOfSurface(surface);
    if (!pdev) return kPathHookError;
    BOOL answer = FALSE;
    if (!DrawsVectorCall(pdev, &answer)) return answer;
    if (!brush || brush->iSolidColor == kPatternBrushColor) return FALSE;

    LineState lineState{};
    BOOL geometric = FALSE;
    if (!BuildLineState(pdev, line, brush->iSolidColor, xform, &lineState, &geometric) && geometric) return FALSE;
    if (!SelectLineState(pdev->stream, pdev->states, lineState)) return FALSE;

    RealizedBrush* realized = SelectBrush(pdev, surface, brush, brushOrigin);
    if (!SelectCallPattern(pdev, realized)) return kPathHookError;
    ColorState color{};
    ColorStateFromMix(pdev, mix, &color, FALSE);
    if (!SelectBackgroundMode(pdev->stream, pdev->states, color.backgroundMode)) return FALSE;
    if (!SelectRop(pdev->stream, pdev->states, Rop2ToRop3(color.rop2))) return FALSE;
    if (SelectClip(pdev, clip) < 0) return FALSE;

    color.foreground = brush->iSolidColor;
    color.background = kWhite;
    color.penColor = FALSE;
    color.kind = kColorKindStroke;
    color.hostMatched = realized->hostMatched;
    SwapColorStateRedBlue(&color);
    if (!SelectColor(pdev->stream, pdev->states, &color)) return FALSE;
    return EmitPathRecord(pdev->stream, path, kPathStroke) ? TRUE : FALSE;
}

BOOL DrvFillPath(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, BRUSHOBJ* brush, POINTL* brushOrigin, MIX mix,
                 FLONG options)
{
    Pdev* pdev = ValidPdevOfSurface(surface);
    if (!pdev) return kPathHookError;
    BOOL answer = FALSE;
    if (!DrawsVectorCall(pdev, &answer)) return answer;

    RealizedBrush* realized = SelectBrush(pdev, surface, brush, brushOrigin);
    if (!SelectCallPattern(pdev, realized)) return kPathHookError;
    ColorState color{};
    ColorStateFromMix(pdev, mix, &color, FALSE);
    color.foreground = realized->color1;
    color.background = realized->color2;
    color.kind = kColorKindFill;
    color.hostMatched = realized->hostMatched;
    SwapColorStateRedBlue(&color);
    if (!SelectColor(pdev->stream, pdev->states, &color)) return FALSE;
    // A 24-bit pattern covers its background: the printer draws it opaque,
    // while its colour state keeps the MIX's mode.
    const BYTE mode = realized->kind == 3 ? kBackgroundOpaque : color.backgroundMode;
    if (!SelectBackgroundMode(pdev->stream, pdev->states, mode)) return FALSE;
    if (!SelectRop(pdev->stream, pdev->states, Rop2ToRop3(color.rop2))) return FALSE;
    if (SelectClip(pdev, clip) < 0) return FALSE;
    return EmitPathRecord(pdev->stream, path, FillMode(options, kPathFillAlternate, kPathFillWinding)) ? TRUE : FALSE;
}

BOOL DrvStrokeAndFillPath(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* stroke,
                          LINEATTRS* line, BRUSHOBJ* fill, POINTL* brushOrigin, MIX mix, FLONG options)
{
    Pdev* pdev = ValidPdevOfSurface(surface);
    if (!pdev) return kPathHookError;
    BOOL answer = FALSE;
    if (!DrawsVectorCall(pdev, &answer)) return answer;
    const bool solidPen = stroke && stroke->iSolidColor != kPatternBrushColor;
    const bool solidFill = fill && fill->iSolidColor != kPatternBrushColor;
    if (!solidPen || !solidFill) {
        // Drawn as a fill and then a stroke: two path records.
        const BOOL filled = DrvFillPath(surface, path, clip, fill, brushOrigin, mix, options);
        if (filled != TRUE) return filled;
        return DrvStrokePath(surface, path, clip, xform, stroke, brushOrigin, line, mix);
    }

    LineState lineState{};
    BOOL geometric = FALSE;
    if (!BuildLineState(pdev, line, stroke->iSolidColor, xform, &lineState, &geometric) && geometric) return FALSE;
    if (!SelectLineState(pdev->stream, pdev->states, lineState)) return FALSE;
    // The pen colour is taken before the solid brush is refilled for the fill.
    const DWORD penColor = stroke->iSolidColor;
    RealizedBrush* realized = SelectBrush(pdev, surface, fill, brushOrigin);
    if (!SelectCallPattern(pdev, realized)) return kPathHookError;
    ColorState color{};
    ColorStateFromMix(pdev, mix, &color, TRUE);
    if (realized->kind == 3) color.backgroundMode = kBackgroundOpaque;
    if (!SelectBackgroundMode(pdev->stream, pdev->states, color.backgroundMode)) return FALSE;
    if (!SelectRop(pdev->stream, pdev->states, Rop2ToRop3(color.rop2))) return FALSE;
    if (SelectClip(pdev, clip) < 0) return FALSE;
    color.foreground = realized->color1;
    color.background = realized->color2;
    color.pen = penColor;
    color.kind = kColorKindStrokeAndFill;
    color.hostMatched = realized->hostMatched;
    SwapColorStateRedBlue(&color);
    if (!SelectColor(pdev->stream, pdev->states, &color)) return FALSE;
    const BYTE mode = FillMode(options, kPathStrokeFillAlternate, kPathStrokeFillWinding);
    return EmitPathRecord(pdev->stream, path, mode) ? TRUE : FALSE;
}

}  // namespace vexl
