// The blit hooks: rectangles filled with a brush, images copied, stretched
// and blitted, and colour dithering.
#include "graphics/drawing.h"
#include "graphics/hooks.h"
#include "graphics/image_records.h"
#include "graphics/pdev.h"
#include "graphics/records.h"
#include "platform/engine.h"

namespace vexl {
namespace {

constexpr BYTE kRopSourceCopy = 0xCC;
constexpr BYTE kRopSourceAnd = 0x88;
constexpr BYTE kBackgroundRopNop = 0xAA;

BYTE ForegroundRop(ROP4 rop4)
{
    return static_cast<BYTE>(rop4 & 0xFF);
}
BYTE BackgroundRop(ROP4 rop4)
{
    return static_cast<BYTE>((rop4 >> 8) & 0xFF);
}

BYTE BlitBackgroundMode(ROP4 rop4)
{
    return BackgroundRop(rop4) == kBackgroundRopNop ? kBackgroundTransparent : kBackgroundOpaque;
}

bool IsPlainBitmap(const SURFOBJ* surface)
{
    return surface && surface->iType == STYPE_BITMAP;
}

bool HalftonesColor(const Pdev* pdev)
{
    return pdev->colorProcess == 1 && pdev->color == 1;
}

// The pattern and colours of a call with a source: the brush's colours, or
// white for both without a brush.
bool SelectSourceCallColors(Pdev* pdev, SURFOBJ* surface, BRUSHOBJ* brush, POINTL* brushOrigin, ROP4 rop4,
                            ColorState* color)
{
    color->foreground = kWhite;
    color->background = kWhite;
    if (brush) {
        RealizedBrush* realized = SelectBrush(pdev, surface, brush, brushOrigin);
        if (!realized || !SelectPattern(pdev->stream, pdev->states, realized)) return false;
        color->foreground = realized->color1;
        color->background = realized->color2;
        color->hostMatched = realized->hostMatched;
    }
    color->penColor = FALSE;
    color->kind = kColorKindBlit;
    color->backgroundMode = BlitBackgroundMode(rop4);
    return true;
}

// Any pixel of a 32-bit source whose fourth byte is not opaque.
bool HasTranslucentPixel(const SURFOBJ* source)
{
    if (!source || source->iBitmapFormat != BMF_32BPP || !source->pvScan0) return false;
    const auto* row = static_cast<const BYTE*>(source->pvScan0);
    for (LONG y = 0; y < source->sizlBitmap.cy; ++y, row += source->lDelta) {
        for (LONG x = 0; x < source->sizlBitmap.cx; ++x) {
            if (row[4 * x + 3] != 0xFF) return true;
        }
    }
    return false;
}

// The colour adjustment of a halftoned stretch when the caller gave none.
COLORADJUSTMENT DefaultColorAdjustment()
{
    COLORADJUSTMENT adjustment{};
    adjustment.caSize = sizeof(COLORADJUSTMENT);
    adjustment.caRedGamma = 10000;
    adjustment.caGreenGamma = 10000;
    adjustment.caBlueGamma = 10000;
    adjustment.caReferenceWhite = 10000;
    return adjustment;
}

}  // namespace

BOOL DrvBitBlt(SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* targetRect,
               POINTL* sourcePoint, POINTL* maskPoint, BRUSHOBJ* brush, POINTL* brushOrigin, ROP4 rop4)
{
    Pdev* pdev = ValidPdevOfSurface(target);
    if (!pdev) return FALSE;
    if (pdev->rasterMode) {
        return EngBitBlt(target, source, mask, clip, xlate, targetRect, sourcePoint, maskPoint, brush, brushOrigin,
                         rop4);
    }
    BOOL answer = FALSE;
    if (!DrawsVectorCall(pdev, &answer)) return answer;
    const BYTE f = ForegroundRop(rop4);

    if (source && f != 0x00 && f != 0xFF) {
        ColorState color{};
        if (!SelectSourceCallColors(pdev, target, brush, brushOrigin, rop4, &color)) return FALSE;
        if (!SelectBackgroundMode(pdev->stream, pdev->states, color.backgroundMode)) return FALSE;
        if (!SelectRop(pdev->stream, pdev->states, f)) return FALSE;
        SwapColorStateRedBlue(&color);
        if (!SelectColor(pdev->stream, pdev->states, &color)) return FALSE;
        if (SelectClip(pdev, clip) < 0) return FALSE;
        if (!targetRect) return FALSE;
        return EmitBltImage(*pdev, xlate, source, *targetRect, sourcePoint, mask, maskPoint, rop4);
    }

    if (!targetRect) return FALSE;
    RealizedBrush* realized = nullptr;
    if (f == 0x00 || f == 0xFF) {
        realized = &pdev->solidBrush;
        realized->kind = 0;
        realized->originX = 0;
        realized->originY = 0;
        realized->color1 = f == 0x00 ? 0 : kWhite;
        realized->color2 = kWhite;
        realized->hostMatched = 0;
    } else {
        realized = SelectBrush(pdev, target, brush, brushOrigin);
    }
    if (!realized || !SelectPattern(pdev->stream, pdev->states, realized)) return FALSE;
    const BYTE rop2 = Rop3ToRop2(f);
    const MIX mix = rop2 | (MIX{Rop3ToRop2(BackgroundRop(rop4))} << 8);
    ColorState color{};
    ColorStateFromMix(pdev, mix, &color, FALSE);
    color.foreground = realized->color1;
    color.background = realized->color2;
    color.kind = kColorKindFill;
    color.hostMatched = realized->hostMatched;
    SwapColorStateRedBlue(&color);
    if (!SelectColor(pdev->stream, pdev->states, &color)) return FALSE;
    if (!SelectBackgroundMode(pdev->stream, pdev->states, color.backgroundMode)) return FALSE;
    if (!SelectRop(pdev->stream, pdev->states, Rop2ToRop3(rop2))) return FALSE;
    if (SelectClip(pdev, clip) < 0) return FALSE;
    return EmitRectangleRecord(pdev->stream, *targetRect) ? TRUE : FALSE;
}

BOOL DrvCopyBits(SURFOBJ* dest, SURFOBJ* source, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* destRect, POINTL* sourcePoint)
{
    Pdev* pdev = ValidPdevOfSurface(dest);
    if (!pdev) return FALSE;
    BOOL answer = FALSE;
    if (!DrawsVectorCall(pdev, &answer)) return answer;
    // A source the engine cannot read as a bitmap (the device surface
    // itself) leaves the destination white.
    if (!IsPlainBitmap(source)) return destRect ? EngEraseSurface(dest, destRect, 0xFFFFFFFF) : FALSE;
    if (dest->iType != STYPE_DEVICE) return FALSE;
    const BYTE rop = HasTranslucentPixel(source) ? kRopSourceAnd : kRopSourceCopy;
    if (!SelectRop(pdev->stream, pdev->states, rop)) return FALSE;
    if (SelectClip(pdev, clip) < 0) return FALSE;
    if (!destRect) return FALSE;
    return EmitCopiedImage(*pdev, xlate, source, sourcePoint, *destRect);
}

BOOL DrvStretchBlt(SURFOBJ* dest, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                   COLORADJUSTMENT* adjustment, POINTL* halftoneOrigin, RECTL* destRect, RECTL* sourceRect,
                   POINTL* maskPoint, ULONG mode)
{
    Pdev* pdev = ValidPdevOfSurface(dest);
    if (!pdev) return FALSE;
    if (pdev->rasterMode) {
        const ULONG rasterMode = HalftonesColor(pdev) ? HALFTONE : mode;
        return EngStretchBlt(dest, source, mask, clip, xlate, adjustment, halftoneOrigin, destRect, sourceRect,
                             maskPoint, rasterMode);
    }
    BOOL answer = FALSE;
    if (!DrawsVectorCall(pdev, &answer)) return answer;
    if (!IsPlainBitmap(source)) return FALSE;
    if (pdev->hiddenFunc30 && HalftonesColor(pdev)) {
        // The engine breaks a halftoned stretch down into calls the driver draws.
        COLORADJUSTMENT fallback = DefaultColorAdjustment();
        return EngStretchBlt(dest, source, mask, clip, xlate, adjustment ? adjustment : &fallback, halftoneOrigin,
                             destRect, sourceRect, maskPoint, HALFTONE);
    }
    if (SelectClip(pdev, clip) < 0) return FALSE;
    if (!SelectRop(pdev->stream, pdev->states, kRopSourceCopy)) return FALSE;
    if (!destRect || !sourceRect) return FALSE;
    return EmitStretchedImage(*pdev, xlate, source, halftoneOrigin, nullptr, *destRect, *sourceRect);
}

BOOL DrvStretchBltROP(SURFOBJ* dest, SURFOBJ* source, SURFOBJ*, CLIPOBJ* clip, XLATEOBJ* xlate, COLORADJUSTMENT*,
                      POINTL* halftoneOrigin, RECTL* destRect, RECTL* sourceRect, POINTL*, ULONG, BRUSHOBJ* brush,
                      ROP4 rop4)
{
    Pdev* pdev = ValidPdevOfSurface(dest);
    if (!pdev) return FALSE;
    BOOL answer = FALSE;
    if (!DrawsVectorCall(pdev, &answer)) return answer;
    if (!IsPlainBitmap(source)) return FALSE;
    if (!SelectBackgroundMode(pdev->stream, pdev->states, BlitBackgroundMode(rop4))) return FALSE;
    ColorState color{};
    if (!SelectSourceCallColors(pdev, dest, brush, nullptr, rop4, &color)) return FALSE;
    SwapColorStateRedBlue(&color);
    if (!SelectColor(pdev->stream, pdev->states, &color)) return FALSE;
    if (!SelectRop(pdev->stream, pdev->states, ForegroundRop(rop4))) return FALSE;
    if (SelectClip(pdev, clip) < 0) return FALSE;
    if (!destRect || !sourceRect) return FALSE;
    return EmitStretchedImage(*pdev, xlate, source, halftoneOrigin, nullptr, *destRect, *sourceRect);
}

ULONG DrvDitherColor(DHPDEV dhpdev, ULONG, ULONG, ULONG*)
{
    // Every colour is left to the engine's halftoning.
    return ValidPdev(dhpdev) ? DCR_HALFTONE : DCR_SOLID;
}

}  // namespace vexl
