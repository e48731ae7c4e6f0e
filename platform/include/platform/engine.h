// The graphics engine's services that a printer driver calls: surfaces,
// palettes, blits on engine bitmaps, and the PATHOBJ, CLIPOBJ, BRUSHOBJ,
// XLATEOBJ, XFORMOBJ, FONTOBJ and STROBJ services, resources, code pages and
// local time.
//
// Every object the driver is handed was built by the engine (the engine host
// or a test, through platform/engine_host.h); the driver reads its public
// fields and calls these services on it.
#pragma once

#include "platform/ddi.h"
#include "platform/types.h"

// ---- Surfaces ----------------------------------------------------------------------

// A bitmap of the format (BMF_1BPP to BMF_32BPP). lWidth is the row stride in
// bytes, or 0 for ((width x bits + 31) / 32) x 4. With BMF_TOPDOWN the first
// row lies at pvBits; otherwise the rows run bottom-up (lDelta negative).
// pvBits null: the engine allocates the bits (zeroed unless BMF_NOZEROINIT);
// otherwise the caller's bits are used and stay the caller's. Null on a bad
// format or size (ERROR_INVALID_PARAMETER) or without memory.
VEXL_API HBITMAP EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits);
// A device surface of the driver (STYPE_DEVICE, no bits); dhsurf is the driver's handle for it.
VEXL_API HSURF EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat);
// Ties the surface to the device and records the hooks the driver takes for
// it; a device surface gets the device's Pdev as its dhpdev.
VEXL_API BOOL EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks);
VEXL_API BOOL EngMarkBandingSurface(HSURF hsurf);
VEXL_API SURFOBJ* EngLockSurface(HSURF hsurf);
VEXL_API void EngUnlockSurface(SURFOBJ* pso);
VEXL_API BOOL EngDeleteSurface(HSURF hsurf);

// ---- Palettes ----------------------------------------------------------------------

// PAL_INDEXED takes cColors entries from pulColors; PAL_BITFIELDS the three
// masks; PAL_RGB and PAL_BGR nothing.
VEXL_API HPALETTE EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed, FLONG flGreen,
                                   FLONG flBlue);
VEXL_API BOOL EngDeletePalette(HPALETTE hpal);

// ---- Blits ---------------------------------------------------------------------------

// Copies between engine bitmaps of any formats, through the XLATEOBJ (null or
// trivial: the values are kept, or converted between direct formats).
VEXL_API BOOL EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                          POINTL* pptlSrc);
// ROP4 0xCCCC copies; 0xAACC copies through a 1-bit mask (1 takes the source);
// 0xF0F0 fills with the brush's solid colour; 0x0000 and 0xFFFF fill black and white.
VEXL_API BOOL EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                        RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
// Nearest-neighbour stretch; a destination rectangle whose right is left of
// its left (or bottom above top) mirrors the image. HALFTONE to a 1-bit
// destination dithers.
VEXL_API BOOL EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                            COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask,
                            ULONG iMode);
VEXL_API BOOL EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor);
// Draws the glyph bitmaps of the string in the foreground brush's colour.
VEXL_API BOOL EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra, RECTL* prclOpaque,
                         BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);

// ---- Paths -----------------------------------------------------------------------------

VEXL_API void PATHOBJ_vEnumStart(PATHOBJ* ppo);
// Hands out the next piece of the path; FALSE when it was the last.
VEXL_API BOOL PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd);
VEXL_API void PATHOBJ_vGetBounds(PATHOBJ* ppo, RECTFX* prectfx);
// Frees a path the engine made for the driver (CLIPOBJ_ppoGetPath).
VEXL_API void EngDeletePath(PATHOBJ* ppo);

// ---- Clipping ----------------------------------------------------------------------------

VEXL_API ULONG CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection, ULONG cLimit);
// Fills an ENUMRECTS of cj bytes; TRUE while more rectangles follow.
VEXL_API BOOL CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul);
// The clip region as a new path (one closed subpath per rectangle), freed with EngDeletePath.
VEXL_API PATHOBJ* CLIPOBJ_ppoGetPath(CLIPOBJ* pco);

// ---- Brushes ------------------------------------------------------------------------------

// The driver's realisation of the brush: DrvRealizeBrush runs at the first call
// and its result is kept with the brush. Null when the driver refuses.
VEXL_API PVOID BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo);
// Memory for the realisation, kept with the brush and freed with it.
VEXL_API PVOID BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj);
VEXL_API ULONG BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo);

// ---- Colour translation --------------------------------------------------------------------

VEXL_API ULONG XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor);
VEXL_API ULONG* XLATEOBJ_piVector(XLATEOBJ* pxlo);
VEXL_API ULONG XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal);

// ---- Transforms -------------------------------------------------------------------------------

// The matrix and its complexity (GX_*); DDI_ERROR for a null object.
VEXL_API ULONG XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform);
VEXL_API ULONG XFORMOBJ_iGetFloatObjXform(XFORMOBJ* pxo, FLOATOBJ_XFORM* pfxo);
VEXL_API BOOL XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn, PVOID pvOut);

// ---- Fonts ---------------------------------------------------------------------------------------

VEXL_API IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo);
// The notional-to-device transform of the font.
VEXL_API XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo);
// FO_GLYPHBITS: *ppvGlyph gets a GLYPHDATA whose gdf.pgb is the glyph's bitmap;
// FO_PATHOBJ: gdf.ppo its outline. Answers the glyphs given (1), or 0 when the
// engine cannot give that glyph.
VEXL_API ULONG FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg, PVOID* ppvGlyph);
VEXL_API FD_GLYPHSET* FONTOBJ_pfdg(FONTOBJ* pfo);

VEXL_API void STROBJ_vEnumStart(STROBJ* pstro);
// The next batch of glyph positions; FALSE with the last batch.
VEXL_API BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, GLYPHPOS** ppgpos);

// ---- Resources, code pages, time ------------------------------------------------------------------

// The resource of that numeric type and id in the module (a module of the
// platform layer, or the handle a driver was given); null when there is none.
VEXL_API PVOID EngFindResource(HANDLE h, int iName, int iType, ULONG* pulSize);

VEXL_API void EngGetCurrentCodePage(USHORT* OemCodePage, USHORT* AnsiCodePage);
// Converts to and from the current ANSI code page; counts are in bytes.
VEXL_API void EngUnicodeToMultiByteN(LPSTR MultiByteString, ULONG MaxBytesInMultiByteString,
                                     ULONG* BytesInMultiByteString, LPWSTR UnicodeString, ULONG BytesInUnicodeString);
VEXL_API void EngMultiByteToUnicodeN(LPWSTR UnicodeString, ULONG MaxBytesInUnicodeString, ULONG* BytesInUnicodeString,
                                     LPSTR MultiByteString, ULONG BytesInMultiByteString);

struct ENG_TIME_FIELDS {
    USHORT usYear;
    USHORT usMonth;
    USHORT usDay;
    USHORT usHour;
    USHORT usMinute;
    USHORT usSecond;
    USHORT usMilliseconds;
    USHORT usWeekday;
};

// The machine's local time (fixed when the machine profile fixes it).
VEXL_API void EngQueryLocalTime(ENG_TIME_FIELDS* ptf);

// a x b / c with a 64-bit product, rounded half away from zero; -1 when c is 0.
VEXL_API int MulDiv(int nNumber, int nNumerator, int nDenominator);
