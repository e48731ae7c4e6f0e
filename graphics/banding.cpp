// The banding of raster mode: the engine renders each page into the band
// bitmap one band at a time, and each finished band goes to the printer as
// an image record. The last band ends the page itself.
#include "graphics/clip_cache.h"
#include "graphics/document.h"
#include "graphics/hooks.h"
#include "graphics/image_records.h"
#include "graphics/pdev.h"

#include <cstring>

namespace vexl {

namespace {

inline constexpr DWORD kSourceCopy = 0xCC0020;

void FillBandWhite(SURFOBJ* band)
{
    if (band->pvBits && band->cjBits) std::memset(band->pvBits, 0xFF, band->cjBits);
}

// The band starts without a clip.
BOOL ResetBandClip(Pdev* pdev)
{
    ClipCache* cache = pdev->clipCache;
    if (!cache || cache->kind == 0) return TRUE;
    if (!EmitClipResetRecord(pdev->stream)) return FALSE;
    cache->kind = 0;
    return TRUE;
}

}  // namespace

BOOL DrvStartBanding(SURFOBJ* surface, POINTL* origin)
{
    Pdev* pdev = ValidPdevOfSurface(surface);
    if (!pdev) return FALSE;
    if (!origin) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A spooled metafile is played without DrvStartPage: the page starts here.
    if (pdev->emfSpoolOutput && pdev->pageStarted == 0) {
        if (!DrvStartPage(surface)) return FALSE;
        pdev->pageStarted = 0;
    }
    pdev->bandX = 0;
    pdev->bandY = 0;
    pdev->bandCount = 0;
    *origin = POINTL{0, 0};
    if (!ResetBandClip(pdev)) return FALSE;
    if (!SelectRop(pdev->stream, pdev->states, RopFromRop4(kSourceCopy))) return FALSE;
    FillBandWhite(surface);
    return TRUE;
}

BOOL DrvNextBand(SURFOBJ* surface, POINTL* origin)
{
    Pdev* pdev = ValidPdevOfSurface(surface);
    if (!pdev) return FALSE;
    if (!origin) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    pdev->bandCount += 1;
    const LONG x = pdev->bandX;
    const LONG y = pdev->bandY;
    const RECTL band{x, y, x + surface->sizlBitmap.cx, y + surface->sizlBitmap.cy};
    const bool last = band.bottom >= pdev->pageHeight;
    const POINTL next = last ? POINTL{-1, -1} : POINTL{x, band.bottom};
    const BOOL sent = EmitCopiedImage(*pdev, nullptr, surface, nullptr, band);
    FillBandWhite(surface);
    pdev->bandX = next.x;
    pdev->bandY = next.y;
    *origin = next;
    // A band that did not reach the display list fails the page and the
    // job: the output-failed flag is latched (after the last band has ended
    // the page, which keeps the stream whole).
    BOOL result = TRUE;
    if (last) result = DrvSendPage(surface);
    if (!sent) {
        pdev->flags |= kPdevOutputFailed;
        result = FALSE;
    }
    return result;
}

}  // namespace vexl
