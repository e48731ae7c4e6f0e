// The surface of a Pdev: a band bitmap that the engine renders into in
// raster mode, or a device surface whose drawing calls the driver takes in
// vector mode.
#pragma once

#include "graphics/pdev.h"
#include "platform/ddi.h"

namespace vexl {

// Hooks asked for each surface.
inline constexpr FLONG kRasterSurfaceHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT;
inline constexpr FLONG kVectorSurfaceHooks = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT | HOOK_STROKEPATH |
                                             HOOK_FILLPATH | HOOK_STROKEANDFILLPATH | HOOK_COPYBITS;

// Rows of a band for a page width in dots: a little over 300 KB of 1-bit
// rows, in whole multiples of 32 rows, and never more than the page.
LONG BandHeight(LONG pageWidth, LONG pageHeight);
// Bytes of one row of a bitmap of the format code (1 to 6).
LONG BitmapRowStride(LONG width, ULONG format);
// The hooks of the Pdev's surface.
FLONG SurfaceHooks(const Pdev* pdev);

HSURF DrvEnableSurface(DHPDEV dhpdev);
void DrvDisableSurface(DHPDEV dhpdev);

}  // namespace vexl
