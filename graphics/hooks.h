// The driver's hook table and the library's exports for the engine.
#pragma once

#include "platform/ddi.h"

#include <cstddef>

namespace vexl {

inline constexpr ULONG kDriverVersion = DDI_DRIVER_VERSION_NT4;
inline constexpr ULONG kHookCount = 30;

// The hook table in the order the engine receives it.
const DRVFN* GetHookTable();

BOOL DrvQueryDriverInfo(DWORD mode, PVOID buffer, DWORD size, DWORD* needed);
BOOL DrvEnableDriver(ULONG engineVersion, ULONG size, DRVENABLEDATA* data);
void DrvDisableDriver();

// The drawing, text, font, escape and banding hooks: each validates the Pdev
// (ERROR_INVALID_PARAMETER and the hook's failure value) and fails on a
// latched output failure.
BOOL DrvStartBanding(SURFOBJ* surface, POINTL* origin);
BOOL DrvNextBand(SURFOBJ* surface, POINTL* origin);
BOOL DrvBitBlt(SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* targetRect,
               POINTL* sourcePoint, POINTL* maskPoint, BRUSHOBJ* brush, POINTL* brushOrigin, ROP4 rop4);
BOOL DrvStretchBlt(SURFOBJ* dest, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                   COLORADJUSTMENT* adjustment, POINTL* halftoneOrigin, RECTL* destRect, RECTL* sourceRect,
                   POINTL* maskPoint, ULONG mode);
BOOL DrvStrokePath(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* brush,
                   POINTL* brushOrigin, LINEATTRS* line, MIX mix);
BOOL DrvFillPath(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, BRUSHOBJ* brush, POINTL* brushOrigin, MIX mix,
                 FLONG options);
BOOL DrvStrokeAndFillPath(SURFOBJ* surface, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform, BRUSHOBJ* stroke,
                          LINEATTRS* line, BRUSHOBJ* fill, POINTL* brushOrigin, MIX mix, FLONG options);
BOOL DrvRealizeBrush(BRUSHOBJ* brush, SURFOBJ* target, SURFOBJ* pattern, SURFOBJ* mask, XLATEOBJ* xlate, ULONG hatch);
ULONG DrvEscape(SURFOBJ* surface, ULONG escape, ULONG inSize, PVOID in, ULONG outSize, PVOID out);
ULONG DrvGetGlyphMode(DHPDEV dhpdev, FONTOBJ* font);
ULONG DrvDitherColor(DHPDEV dhpdev, ULONG mode, ULONG rgb, ULONG* dither);
BOOL DrvCopyBits(SURFOBJ* dest, SURFOBJ* source, CLIPOBJ* clip, XLATEOBJ* xlate, RECTL* destRect, POINTL* sourcePoint);
IFIMETRICS* DrvQueryFont(DHPDEV dhpdev, ULONG_PTR file, ULONG face, ULONG_PTR* id);
LONG DrvQueryFontData(DHPDEV dhpdev, FONTOBJ* font, ULONG mode, HGLYPH glyph, GLYPHDATA* data, PVOID out, ULONG size);
PVOID DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR file, ULONG face, ULONG mode, ULONG_PTR* id);
HANDLE DrvIcmCreateColorTransform(DHPDEV dhpdev, LOGCOLORSPACEW* colorSpace, PVOID sourceProfile, ULONG sourceSize,
                                  PVOID destProfile, ULONG destSize, PVOID targetProfile, ULONG targetSize,
                                  DWORD reserved);
BOOL DrvIcmDeleteColorTransform(DHPDEV dhpdev, HANDLE transform);
BOOL DrvStretchBltROP(SURFOBJ* dest, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                      COLORADJUSTMENT* adjustment, POINTL* halftoneOrigin, RECTL* destRect, RECTL* sourceRect,
                      POINTL* maskPoint, ULONG mode, BRUSHOBJ* brush, ROP4 rop4);
BOOL DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* font, ULONG mode, HGLYPH* glyphs, PVOID widths, ULONG count);
BOOL DrvTextOut(SURFOBJ* surface, STROBJ* text, FONTOBJ* font, CLIPOBJ* clip, RECTL* extra, RECTL* opaque,
                BRUSHOBJ* foreground, BRUSHOBJ* opaqueBrush, POINTL* origin, MIX mix);

}  // namespace vexl
