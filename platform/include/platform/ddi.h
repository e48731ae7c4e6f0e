// The graphics engine's interface to a printer driver (DDI version 0x20000):
// the records the engine and the driver hand each other, the constants, and
// the signatures of the driver's hooks. Records are native in-memory records
// (pointers are 64 bits); nothing here is a stored layout.
#pragma once

#include "platform/devmode.h"
#include "platform/types.h"

// ---- Basic types ---------------------------------------------------------------

using FLONG = ULONG;
using FIX = LONG;  // 28.4 fixed point
using FLOATL = float;
using FLOATOBJ = float;
using FWORD = SHORT;
using LDECI4 = LONG;  // four decimal places in a LONG
using HGLYPH = ULONG;
using ROP4 = ULONG;
using MIX = ULONG;
using PTRDIFF = LONG;  // offsets inside a font record, from its start
using PFN = LONG_PTR (*)();

// Handles: HSURF, HPALETTE and HDEV are the engine's; DHPDEV and DHSURF the driver's.
struct HSURF__;
using HSURF = HSURF__*;
using HBITMAP = HSURF;
struct HDEV__;
using HDEV = HDEV__*;
struct HPALETTE__;
using HPALETTE = HPALETTE__*;
struct DHPDEV__;
using DHPDEV = DHPDEV__*;
struct DHSURF__;
using DHSURF = DHSURF__*;

inline constexpr ULONG DDI_ERROR = 0xFFFFFFFF;

inline constexpr ULONG DDI_DRIVER_VERSION_NT4 = 0x00020000;
inline constexpr ULONG DDI_DRIVER_VERSION_SP3 = 0x00020003;
inline constexpr ULONG DDI_DRIVER_VERSION_NT5 = 0x00030000;

// DrvQueryDriverInfo modes.
inline constexpr DWORD DRVQUERY_USERMODE = 1;

// ---- Geometry ------------------------------------------------------------------

struct POINTFIX {
    FIX x;
    FIX y;
};

struct RECTFX {
    FIX xLeft;
    FIX yTop;
    FIX xRight;
    FIX yBottom;
};

struct POINTE {
    FLOATL x;
    FLOATL y;
};

struct POINTQF {
    LONGLONG x;
    LONGLONG y;
};

// ---- Driver enable -------------------------------------------------------------

struct DRVFN {
    ULONG iFunc;
    PFN pfn;
};

struct DRVENABLEDATA {
    ULONG iDriverVersion;
    ULONG c;
    DRVFN* pdrvfn;
};

// Function indexes of the hook table.
inline constexpr ULONG INDEX_DrvEnablePDEV = 0;
inline constexpr ULONG INDEX_DrvCompletePDEV = 1;
inline constexpr ULONG INDEX_DrvDisablePDEV = 2;
inline constexpr ULONG INDEX_DrvEnableSurface = 3;
inline constexpr ULONG INDEX_DrvDisableSurface = 4;
inline constexpr ULONG INDEX_DrvAssertMode = 5;
inline constexpr ULONG INDEX_DrvResetPDEV = 7;
inline constexpr ULONG INDEX_DrvDisableDriver = 8;
inline constexpr ULONG INDEX_DrvCreateDeviceBitmap = 10;
inline constexpr ULONG INDEX_DrvDeleteDeviceBitmap = 11;
inline constexpr ULONG INDEX_DrvRealizeBrush = 12;
inline constexpr ULONG INDEX_DrvDitherColor = 13;
inline constexpr ULONG INDEX_DrvStrokePath = 14;
inline constexpr ULONG INDEX_DrvFillPath = 15;
inline constexpr ULONG INDEX_DrvStrokeAndFillPath = 16;
inline constexpr ULONG INDEX_DrvPaint = 17;
inline constexpr ULONG INDEX_DrvBitBlt = 18;
inline constexpr ULONG INDEX_DrvCopyBits = 19;
inline constexpr ULONG INDEX_DrvStretchBlt = 20;
inline constexpr ULONG INDEX_DrvSetPalette = 22;
inline constexpr ULONG INDEX_DrvTextOut = 23;
inline constexpr ULONG INDEX_DrvEscape = 24;
inline constexpr ULONG INDEX_DrvDrawEscape = 25;
inline constexpr ULONG INDEX_DrvQueryFont = 26;
inline constexpr ULONG INDEX_DrvQueryFontTree = 27;
inline constexpr ULONG INDEX_DrvQueryFontData = 28;
inline constexpr ULONG INDEX_DrvLineTo = 31;
inline constexpr ULONG INDEX_DrvSendPage = 32;
inline constexpr ULONG INDEX_DrvStartPage = 33;
inline constexpr ULONG INDEX_DrvEndDoc = 34;
inline constexpr ULONG INDEX_DrvStartDoc = 35;
inline constexpr ULONG INDEX_DrvGetGlyphMode = 37;
inline constexpr ULONG INDEX_DrvDestroyFont = 43;
inline constexpr ULONG INDEX_DrvQueryAdvanceWidths = 53;
inline constexpr ULONG INDEX_DrvStartBanding = 57;
inline constexpr ULONG INDEX_DrvNextBand = 58;
inline constexpr ULONG INDEX_DrvQuerySpoolType = 62;
inline constexpr ULONG INDEX_DrvIcmCreateColorTransform = 64;
inline constexpr ULONG INDEX_DrvIcmDeleteColorTransform = 65;
inline constexpr ULONG INDEX_DrvGradientFill = 68;
inline constexpr ULONG INDEX_DrvStretchBltROP = 69;
inline constexpr ULONG INDEX_DrvPlgBlt = 70;
inline constexpr ULONG INDEX_DrvAlphaBlend = 71;
inline constexpr ULONG INDEX_DrvTransparentBlt = 74;
inline constexpr ULONG INDEX_LAST = 89;  // one past the highest index the engine knows

// ---- Device description ----------------------------------------------------------

struct CIECHROMA {
    LDECI4 x;
    LDECI4 y;
    LDECI4 Y;
};

struct COLORINFO {
    CIECHROMA Red;
    CIECHROMA Green;
    CIECHROMA Blue;
    CIECHROMA Cyan;
    CIECHROMA Magenta;
    CIECHROMA Yellow;
    CIECHROMA AlignmentWhite;
    LDECI4 RedGamma;
    LDECI4 GreenGamma;
    LDECI4 BlueGamma;
    LDECI4 MagentaInCyanDye;
    LDECI4 YellowInCyanDye;
    LDECI4 CyanInMagentaDye;
    LDECI4 YellowInMagentaDye;
    LDECI4 CyanInYellowDye;
    LDECI4 MagentaInYellowDye;
};
static_assert(sizeof(COLORINFO) == 120);

struct GDIINFO {
    ULONG ulVersion;
    ULONG ulTechnology;
    ULONG ulHorzSize;
    ULONG ulVertSize;
    ULONG ulHorzRes;
    ULONG ulVertRes;
    ULONG cBitsPixel;
    ULONG cPlanes;
    ULONG ulNumColors;
    ULONG flRaster;
    ULONG ulLogPixelsX;
    ULONG ulLogPixelsY;
    ULONG flTextCaps;
    ULONG ulDACRed;
    ULONG ulDACGreen;
    ULONG ulDACBlue;
    ULONG ulAspectX;
    ULONG ulAspectY;
    ULONG ulAspectXY;
    LONG xStyleStep;
    LONG yStyleStep;
    LONG denStyleStep;
    POINTL ptlPhysOffset;
    SIZEL szlPhysSize;
    ULONG ulNumPalReg;
    COLORINFO ciDevice;
    ULONG ulDevicePelsDPI;
    ULONG ulPrimaryOrder;
    ULONG ulHTPatternSize;
    ULONG ulHTOutputFormat;
    ULONG flHTFlags;
    ULONG ulVRefresh;
    ULONG ulBltAlignment;
    ULONG ulPanningHorzRes;
    ULONG ulPanningVertRes;
    ULONG xPanningAlignment;
    ULONG yPanningAlignment;
    ULONG cxHTPat;
    ULONG cyHTPat;
    LPBYTE pHTPatA;
    LPBYTE pHTPatB;
    LPBYTE pHTPatC;
    ULONG flShadeBlend;
    ULONG ulPhysicalPixelCharacteristics;
    ULONG ulPhysicalPixelGamma;
};
// The fields up to ulBltAlignment lie where every engine expects them.
static_assert(offsetof(GDIINFO, ciDevice) == 108 && offsetof(GDIINFO, ulBltAlignment) == 252);
static_assert(sizeof(GDIINFO) == 320);

inline constexpr ULONG GDIINFO_VERSION = 0x500;
inline constexpr ULONG DT_RASPRINTER = 2;

// flTextCaps.
inline constexpr ULONG TC_OP_CHARACTER = 0x00000001;
inline constexpr ULONG TC_OP_STROKE = 0x00000002;
inline constexpr ULONG TC_CP_STROKE = 0x00000004;
inline constexpr ULONG TC_CR_90 = 0x00000008;
inline constexpr ULONG TC_CR_ANY = 0x00000010;
inline constexpr ULONG TC_SF_X_YINDEP = 0x00000020;
inline constexpr ULONG TC_SA_DOUBLE = 0x00000040;
inline constexpr ULONG TC_SA_INTEGER = 0x00000080;
inline constexpr ULONG TC_SA_CONTIN = 0x00000100;
inline constexpr ULONG TC_EA_DOUBLE = 0x00000200;
inline constexpr ULONG TC_IA_ABLE = 0x00000400;
inline constexpr ULONG TC_UA_ABLE = 0x00000800;
inline constexpr ULONG TC_SO_ABLE = 0x00001000;
inline constexpr ULONG TC_RA_ABLE = 0x00002000;
inline constexpr ULONG TC_VA_ABLE = 0x00004000;

// ulPrimaryOrder.
inline constexpr ULONG PRIMARY_ORDER_ABC = 0;
inline constexpr ULONG PRIMARY_ORDER_ACB = 1;
inline constexpr ULONG PRIMARY_ORDER_BAC = 2;
inline constexpr ULONG PRIMARY_ORDER_BCA = 3;
inline constexpr ULONG PRIMARY_ORDER_CBA = 4;
inline constexpr ULONG PRIMARY_ORDER_CAB = 5;

// Halftone pattern sizes (ulHTPatternSize).
inline constexpr ULONG HT_PATSIZE_2x2 = 0;
inline constexpr ULONG HT_PATSIZE_2x2_M = 1;
inline constexpr ULONG HT_PATSIZE_4x4 = 2;
inline constexpr ULONG HT_PATSIZE_4x4_M = 3;
inline constexpr ULONG HT_PATSIZE_6x6 = 4;
inline constexpr ULONG HT_PATSIZE_6x6_M = 5;
inline constexpr ULONG HT_PATSIZE_8x8 = 6;
inline constexpr ULONG HT_PATSIZE_8x8_M = 7;
inline constexpr ULONG HT_PATSIZE_10x10 = 8;
inline constexpr ULONG HT_PATSIZE_10x10_M = 9;
inline constexpr ULONG HT_PATSIZE_12x12 = 10;
inline constexpr ULONG HT_PATSIZE_12x12_M = 11;
inline constexpr ULONG HT_PATSIZE_14x14 = 12;
inline constexpr ULONG HT_PATSIZE_14x14_M = 13;
inline constexpr ULONG HT_PATSIZE_16x16 = 14;
inline constexpr ULONG HT_PATSIZE_16x16_M = 15;

// Halftone output formats (ulHTOutputFormat) and flags (flHTFlags).
inline constexpr ULONG HT_FORMAT_1BPP = 0;
inline constexpr ULONG HT_FORMAT_4BPP = 2;
inline constexpr ULONG HT_FORMAT_4BPP_IRGB = 3;
inline constexpr ULONG HT_FORMAT_8BPP = 4;
inline constexpr ULONG HT_FORMAT_16BPP = 5;
inline constexpr ULONG HT_FORMAT_24BPP = 6;
inline constexpr ULONG HT_FORMAT_32BPP = 7;
inline constexpr ULONG HT_FLAG_SQUARE_DEVICE_PEL = 0x00000001;
inline constexpr ULONG HT_FLAG_HAS_BLACK_DYE = 0x00000002;
inline constexpr ULONG HT_FLAG_ADDITIVE_PRIMS = 0x00000004;

// LOGFONTW, as the DEVINFO's default fonts.
inline constexpr int LF_FACESIZE = 32;

struct LOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
};
static_assert(sizeof(LOGFONTW) == 92);

inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_BOLD = 700;
inline constexpr BYTE OUT_DEFAULT_PRECIS = 0;
inline constexpr BYTE OUT_STRING_PRECIS = 1;
inline constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
inline constexpr BYTE CLIP_STROKE_PRECIS = 2;
inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr BYTE FIXED_PITCH = 1;
inline constexpr BYTE VARIABLE_PITCH = 2;
inline constexpr BYTE FF_DONTCARE = 0x00;
inline constexpr BYTE FF_ROMAN = 0x10;
inline constexpr BYTE FF_SWISS = 0x20;
inline constexpr BYTE FF_MODERN = 0x30;

struct DEVINFO {
    FLONG flGraphicsCaps;
    LOGFONTW lfDefaultFont;
    LOGFONTW lfAnsiVarFont;
    LOGFONTW lfAnsiFixFont;
    ULONG cFonts;
    ULONG iDitherFormat;
    USHORT cxDither;
    USHORT cyDither;
    HPALETTE hpalDefault;
    FLONG flGraphicsCaps2;
};
static_assert(sizeof(DEVINFO) == 312);

// flGraphicsCaps.
inline constexpr FLONG GCAPS_BEZIERS = 0x00000001;
inline constexpr FLONG GCAPS_GEOMETRICWIDE = 0x00000002;
inline constexpr FLONG GCAPS_ALTERNATEFILL = 0x00000004;
inline constexpr FLONG GCAPS_WINDINGFILL = 0x00000008;
inline constexpr FLONG GCAPS_HALFTONE = 0x00000010;
inline constexpr FLONG GCAPS_COLOR_DITHER = 0x00000020;
inline constexpr FLONG GCAPS_HORIZSTRIKE = 0x00000040;
inline constexpr FLONG GCAPS_VERTSTRIKE = 0x00000080;
inline constexpr FLONG GCAPS_OPAQUERECT = 0x00000100;
inline constexpr FLONG GCAPS_VECTORFONT = 0x00000200;
inline constexpr FLONG GCAPS_MONO_DITHER = 0x00000400;
inline constexpr FLONG GCAPS_DONTJOURNAL = 0x00002000;
inline constexpr FLONG GCAPS_ARBRUSHOPAQUE = 0x00008000;
inline constexpr FLONG GCAPS_HIGHRESTEXT = 0x00040000;
inline constexpr FLONG GCAPS_PALMANAGED = 0x00080000;
inline constexpr FLONG GCAPS_DITHERONREALIZE = 0x00200000;
inline constexpr FLONG GCAPS_FORCEDITHER = 0x00800000;
inline constexpr FLONG GCAPS_GRAY16 = 0x01000000;
inline constexpr FLONG GCAPS_ICM = 0x02000000;
inline constexpr FLONG GCAPS_CMYKCOLOR = 0x04000000;

// ---- Surfaces --------------------------------------------------------------------

// Bitmap formats (iBitmapFormat, iFormat).
inline constexpr ULONG BMF_1BPP = 1;
inline constexpr ULONG BMF_4BPP = 2;
inline constexpr ULONG BMF_8BPP = 3;
inline constexpr ULONG BMF_16BPP = 4;
inline constexpr ULONG BMF_24BPP = 5;
inline constexpr ULONG BMF_32BPP = 6;
inline constexpr ULONG BMF_4RLE = 7;
inline constexpr ULONG BMF_8RLE = 8;

// EngCreateBitmap flags and SURFOBJ fjBitmap.
inline constexpr FLONG BMF_TOPDOWN = 0x0001;
inline constexpr FLONG BMF_NOZEROINIT = 0x0002;
inline constexpr FLONG BMF_DONTCACHE = 0x0004;
inline constexpr FLONG BMF_USERMEM = 0x0008;

// SURFOBJ iType.
inline constexpr USHORT STYPE_BITMAP = 0;
inline constexpr USHORT STYPE_DEVICE = 1;
inline constexpr USHORT STYPE_DEVBITMAP = 3;

struct SURFOBJ {
    DHSURF dhsurf;
    HSURF hsurf;
    DHPDEV dhpdev;
    HDEV hdev;
    SIZEL sizlBitmap;
    ULONG cjBits;
    PVOID pvBits;   // the lowest address of the bits
    PVOID pvScan0;  // the first row (the top one)
    LONG lDelta;    // bytes from one row to the next below it; negative when bottom-up
    ULONG iUniq;
    ULONG iBitmapFormat;
    USHORT iType;
    USHORT fjBitmap;
};

// Hook masks of EngAssociateSurface.
inline constexpr FLONG HOOK_BITBLT = 0x00000001;
inline constexpr FLONG HOOK_STRETCHBLT = 0x00000002;
inline constexpr FLONG HOOK_PLGBLT = 0x00000004;
inline constexpr FLONG HOOK_TEXTOUT = 0x00000008;
inline constexpr FLONG HOOK_PAINT = 0x00000010;
inline constexpr FLONG HOOK_STROKEPATH = 0x00000020;
inline constexpr FLONG HOOK_FILLPATH = 0x00000040;
inline constexpr FLONG HOOK_STROKEANDFILLPATH = 0x00000080;
inline constexpr FLONG HOOK_LINETO = 0x00000100;
inline constexpr FLONG HOOK_COPYBITS = 0x00000400;
inline constexpr FLONG HOOK_STRETCHBLTROP = 0x00002000;
inline constexpr FLONG HOOK_TRANSPARENTBLT = 0x00008000;
inline constexpr FLONG HOOK_ALPHABLEND = 0x00010000;
inline constexpr FLONG HOOK_GRADIENTFILL = 0x00020000;

// ---- Palettes and colour translation ---------------------------------------------------

inline constexpr ULONG PAL_INDEXED = 0x00000001;
inline constexpr ULONG PAL_BITFIELDS = 0x00000002;
inline constexpr ULONG PAL_RGB = 0x00000004;
inline constexpr ULONG PAL_BGR = 0x00000008;
inline constexpr ULONG PAL_CMYK = 0x00000010;

struct XLATEOBJ {
    ULONG iUniq;
    FLONG flXlate;
    USHORT iSrcType;
    USHORT iDstType;
    ULONG cEntries;
    ULONG* pulXlate;
};

// flXlate.
inline constexpr FLONG XO_TRIVIAL = 0x00000001;
inline constexpr FLONG XO_TABLE = 0x00000002;
inline constexpr FLONG XO_TO_MONO = 0x00000004;
inline constexpr FLONG XO_FROM_CMYK = 0x00000008;
inline constexpr FLONG XO_DEVICE_ICM = 0x00000010;
inline constexpr FLONG XO_HOST_ICM = 0x00000020;

// XLATEOBJ_cGetPalette.
inline constexpr ULONG XO_SRCPALETTE = 1;
inline constexpr ULONG XO_DESTPALETTE = 2;
inline constexpr ULONG XO_DESTDCPALETTE = 3;

// ---- Brushes -------------------------------------------------------------------------

struct BRUSHOBJ {
    ULONG iSolidColor;  // 0xFFFFFFFF for a pattern brush
    PVOID pvRbrush;
    FLONG flColorType;
};

// flColorType.
inline constexpr FLONG BR_DEVICE_ICM = 0x00000001;
inline constexpr FLONG BR_HOST_ICM = 0x00000002;
inline constexpr FLONG BR_CMYKCOLOR = 0x00000004;
inline constexpr FLONG BR_ORIGCOLOR = 0x00000008;

// Hatch styles (iHatch of DrvRealizeBrush).
inline constexpr ULONG HS_HORIZONTAL = 0;
inline constexpr ULONG HS_VERTICAL = 1;
inline constexpr ULONG HS_FDIAGONAL = 2;
inline constexpr ULONG HS_BDIAGONAL = 3;
inline constexpr ULONG HS_CROSS = 4;
inline constexpr ULONG HS_DIAGCROSS = 5;
inline constexpr ULONG HS_DDI_MAX = 6;

// DrvDitherColor.
inline constexpr ULONG DCR_SOLID = 0;
inline constexpr ULONG DCR_DRIVER = 1;
inline constexpr ULONG DCR_HALFTONE = 2;

// Binary raster operations (the low and high bytes of a MIX).
inline constexpr ULONG R2_BLACK = 1;
inline constexpr ULONG R2_NOTMERGEPEN = 2;
inline constexpr ULONG R2_MASKNOTPEN = 3;
inline constexpr ULONG R2_NOTCOPYPEN = 4;
inline constexpr ULONG R2_MASKPENNOT = 5;
inline constexpr ULONG R2_NOT = 6;
inline constexpr ULONG R2_XORPEN = 7;
inline constexpr ULONG R2_NOTMASKPEN = 8;
inline constexpr ULONG R2_MASKPEN = 9;
inline constexpr ULONG R2_NOTXORPEN = 10;
inline constexpr ULONG R2_NOP = 11;
inline constexpr ULONG R2_MERGENOTPEN = 12;
inline constexpr ULONG R2_COPYPEN = 13;
inline constexpr ULONG R2_MERGEPENNOT = 14;
inline constexpr ULONG R2_MERGEPEN = 15;
inline constexpr ULONG R2_WHITE = 16;

// Ternary raster operations as ROP3 codes (a ROP4 repeats them in both bytes).
inline constexpr ULONG ROP3_SRCCOPY = 0xCC;
inline constexpr ULONG ROP3_PATCOPY = 0xF0;
inline constexpr ULONG ROP3_BLACKNESS = 0x00;
inline constexpr ULONG ROP3_WHITENESS = 0xFF;
inline constexpr ULONG ROP3_DSTINVERT = 0x55;
inline constexpr DWORD SRCCOPY = 0x00CC0020;

// Stretch modes (iMode of the stretching calls).
inline constexpr ULONG BLACKONWHITE = 1;
inline constexpr ULONG WHITEONBLACK = 2;
inline constexpr ULONG COLORONCOLOR = 3;
inline constexpr ULONG HALFTONE = 4;

struct COLORADJUSTMENT {
    WORD caSize;
    WORD caFlags;
    WORD caIlluminantIndex;
    WORD caRedGamma;
    WORD caGreenGamma;
    WORD caBlueGamma;
    WORD caReferenceBlack;
    WORD caReferenceWhite;
    SHORT caContrast;
    SHORT caBrightness;
    SHORT caColorfulness;
    SHORT caRedGreenTint;
};
static_assert(sizeof(COLORADJUSTMENT) == 24);

// ---- Clipping ------------------------------------------------------------------------

struct CLIPOBJ {
    ULONG iUniq;
    RECTL rclBounds;
    BYTE iDComplexity;
    BYTE iFComplexity;
    BYTE iMode;
    BYTE fjOptions;
};

// iDComplexity.
inline constexpr BYTE DC_TRIVIAL = 0;
inline constexpr BYTE DC_RECT = 1;
inline constexpr BYTE DC_COMPLEX = 3;
// iFComplexity.
inline constexpr BYTE FC_RECT = 1;
inline constexpr BYTE FC_RECT4 = 2;
inline constexpr BYTE FC_COMPLEX = 3;
// iMode.
inline constexpr BYTE TC_RECTANGLES = 0;
inline constexpr BYTE TC_PATHOBJ = 2;
// CLIPOBJ_cEnumStart.
inline constexpr ULONG CT_RECTANGLES = 0;
inline constexpr ULONG CD_RIGHTDOWN = 0;
inline constexpr ULONG CD_LEFTDOWN = 1;
inline constexpr ULONG CD_RIGHTUP = 2;
inline constexpr ULONG CD_LEFTUP = 3;
inline constexpr ULONG CD_ANY = 4;

struct ENUMRECTS {
    ULONG c;
    RECTL arcl[1];
};

// ---- Paths and lines -----------------------------------------------------------------------

struct PATHOBJ {
    FLONG fl;
    ULONG cCurves;  // one per line segment and one per Bezier
};

// PATHOBJ fl.
inline constexpr FLONG PO_BEZIERS = 0x00000001;
inline constexpr FLONG PO_ELLIPSE = 0x00000002;

struct PATHDATA {
    FLONG flags;
    ULONG count;
    POINTFIX* pptfx;
};

// PATHDATA flags.
inline constexpr FLONG PD_BEGINSUBPATH = 0x00000001;
inline constexpr FLONG PD_ENDSUBPATH = 0x00000002;
inline constexpr FLONG PD_RESETSTYLE = 0x00000004;
inline constexpr FLONG PD_CLOSEFIGURE = 0x00000008;
inline constexpr FLONG PD_BEZIERS = 0x00000010;

// Fill modes (flOptions of the fill hooks).
inline constexpr FLONG FP_ALTERNATEMODE = 1;
inline constexpr FLONG FP_WINDINGMODE = 2;

union FLOAT_LONG {
    FLOATL e;
    LONG l;
};

struct LINEATTRS {
    FLONG fl;
    ULONG iJoin;
    ULONG iEndCap;
    FLOAT_LONG elWidth;
    FLOATL eMiterLimit;
    ULONG cstyle;
    FLOAT_LONG* pstyle;
    FLOAT_LONG elStyleState;
};

// LINEATTRS fl.
inline constexpr FLONG LA_GEOMETRIC = 0x00000001;
inline constexpr FLONG LA_ALTERNATE = 0x00000002;
inline constexpr FLONG LA_STARTGAP = 0x00000004;
inline constexpr FLONG LA_STYLED = 0x00000008;

inline constexpr ULONG JOIN_ROUND = 0;
inline constexpr ULONG JOIN_BEVEL = 1;
inline constexpr ULONG JOIN_MITER = 2;
inline constexpr ULONG ENDCAP_ROUND = 0;
inline constexpr ULONG ENDCAP_SQUARE = 1;
inline constexpr ULONG ENDCAP_BUTT = 2;

// ---- Transforms ----------------------------------------------------------------------------------

struct XFORMOBJ {
    ULONG ulReserved;
};

struct XFORML {
    FLOATL eM11;
    FLOATL eM12;
    FLOATL eM21;
    FLOATL eM22;
    FLOATL eDx;
    FLOATL eDy;
};

struct FLOATOBJ_XFORM {
    FLOATOBJ eM11;
    FLOATOBJ eM12;
    FLOATOBJ eM21;
    FLOATOBJ eM22;
    FLOATOBJ eDx;
    FLOATOBJ eDy;
};

// Complexity answered by XFORMOBJ_iGetXform.
inline constexpr ULONG GX_IDENTITY = 0;
inline constexpr ULONG GX_OFFSET = 1;
inline constexpr ULONG GX_SCALE = 2;
inline constexpr ULONG GX_GENERAL = 3;

// XFORMOBJ_bApplyXform modes.
inline constexpr ULONG XF_LTOL = 0;
inline constexpr ULONG XF_INV_LTOL = 1;
inline constexpr ULONG XF_LTOFX = 2;
inline constexpr ULONG XF_INV_FXTOL = 3;

// ---- Fonts -------------------------------------------------------------------------------------------

struct FONTOBJ {
    ULONG iUniq;
    ULONG iFace;
    ULONG cxMax;
    FLONG flFontType;
    ULONG_PTR iTTUniq;
    ULONG_PTR iFile;
    SIZEL sizLogResPpi;
    ULONG ulStyleSize;
    PVOID pvConsumer;
    PVOID pvProducer;
};

// flFontType.
inline constexpr FLONG FO_TYPE_RASTER = 0x00000001;
inline constexpr FLONG FO_TYPE_DEVICE = 0x00000002;
inline constexpr FLONG FO_TYPE_TRUETYPE = 0x00000004;
inline constexpr FLONG FO_TYPE_OPENTYPE = 0x00000008;
inline constexpr FLONG FO_SIM_BOLD = 0x00002000;
inline constexpr FLONG FO_SIM_ITALIC = 0x00004000;
inline constexpr FLONG FO_EM_HEIGHT = 0x00008000;
inline constexpr FLONG FO_GRAY16 = 0x00010000;
inline constexpr FLONG FO_VERT_FACE = 0x00800000;
inline constexpr FLONG FO_DBCS_FONT = 0x01000000;

// FONTOBJ_cGetGlyphs modes, and DrvGetGlyphMode answers.
inline constexpr ULONG FO_HGLYPHS = 0;
inline constexpr ULONG FO_GLYPHBITS = 1;
inline constexpr ULONG FO_PATHOBJ = 2;

struct GLYPHBITS {
    POINTL ptlOrigin;
    SIZEL sizlBitmap;
    BYTE aj[1];  // rows of 1-bit pixels, each padded to a byte, top row first
};

union GLYPHDEF {
    GLYPHBITS* pgb;
    PATHOBJ* ppo;
};

struct GLYPHPOS {
    HGLYPH hg;
    GLYPHDEF* pgdf;
    POINTL ptl;
};

struct GLYPHDATA {
    GLYPHDEF gdf;
    HGLYPH hg;
    FIX fxD;
    FIX fxA;
    FIX fxAB;
    FIX fxInkTop;
    FIX fxInkBottom;
    RECTL rclInk;
    POINTQF ptqD;
};

struct STROBJ {
    ULONG cGlyphs;
    FLONG flAccel;
    ULONG ulCharInc;
    RECTL rclBkGround;
    GLYPHPOS* pgp;  // null when the glyphs must be enumerated
    LPWSTR pwszOrg;
};

// STROBJ flAccel.
inline constexpr FLONG SO_FLAG_DEFAULT_PLACEMENT = 0x00000001;
inline constexpr FLONG SO_HORIZONTAL = 0x00000002;
inline constexpr FLONG SO_VERTICAL = 0x00000004;
inline constexpr FLONG SO_REVERSED = 0x00000008;
inline constexpr FLONG SO_ZERO_BEARINGS = 0x00000010;
inline constexpr FLONG SO_CHAR_INC_EQUAL_BM_BASE = 0x00000020;
inline constexpr FLONG SO_MAXEXT_EQUAL_BM_SIDE = 0x00000040;
inline constexpr FLONG SO_DO_NOT_SUBSTITUTE_DEVICE_FONT = 0x00000080;
inline constexpr FLONG SO_GLYPHINDEX_TEXTOUT = 0x00000100;
inline constexpr FLONG SO_ESC_NOT_ORIENT = 0x00000200;
inline constexpr FLONG SO_DXDY = 0x00000400;

struct PANOSE {
    BYTE bFamilyType;
    BYTE bSerifStyle;
    BYTE bWeight;
    BYTE bProportion;
    BYTE bContrast;
    BYTE bStrokeVariation;
    BYTE bArmStyle;
    BYTE bLetterform;
    BYTE bMidline;
    BYTE bXHeight;
};

// A font's metrics. The dp fields are byte offsets from the start of the
// record to texts and tables that follow it.
struct IFIMETRICS {
    ULONG cjThis;
    ULONG cjIfiExtra;
    PTRDIFF dpwszFamilyName;
    PTRDIFF dpwszStyleName;
    PTRDIFF dpwszFaceName;
    PTRDIFF dpwszUniqueName;
    PTRDIFF dpFontSim;
    LONG lEmbedId;
    LONG lItalicAngle;
    LONG lCharBias;
    PTRDIFF dpCharSets;
    BYTE jWinCharSet;
    BYTE jWinPitchAndFamily;
    USHORT usWinWeight;
    ULONG flInfo;
    USHORT fsSelection;
    USHORT fsType;
    FWORD fwdUnitsPerEm;
    FWORD fwdLowestPPEm;
    FWORD fwdWinAscender;
    FWORD fwdWinDescender;
    FWORD fwdMacAscender;
    FWORD fwdMacDescender;
    FWORD fwdMacLineGap;
    FWORD fwdTypoAscender;
    FWORD fwdTypoDescender;
    FWORD fwdTypoLineGap;
    FWORD fwdAveCharWidth;
    FWORD fwdMaxCharInc;
    FWORD fwdCapHeight;
    FWORD fwdXHeight;
    FWORD fwdSubscriptXSize;
    FWORD fwdSubscriptYSize;
    FWORD fwdSubscriptXOffset;
    FWORD fwdSubscriptYOffset;
    FWORD fwdSuperscriptXSize;
    FWORD fwdSuperscriptYSize;
    FWORD fwdSuperscriptXOffset;
    FWORD fwdSuperscriptYOffset;
    FWORD fwdUnderscoreSize;
    FWORD fwdUnderscorePosition;
    FWORD fwdStrikeoutSize;
    FWORD fwdStrikeoutPosition;
    BYTE chFirstChar;
    BYTE chLastChar;
    BYTE chDefaultChar;
    BYTE chBreakChar;
    WCHAR wcFirstChar;
    WCHAR wcLastChar;
    WCHAR wcDefaultChar;
    WCHAR wcBreakChar;
    POINTL ptlBaseline;
    POINTL ptlAspect;
    POINTL ptlCaret;
    RECTL rclFontBox;
    BYTE achVendId[4];
    ULONG cKerningPairs;
    ULONG ulPanoseCulture;
    PANOSE panose;
};

// IFIMETRICS flInfo.
inline constexpr ULONG FM_INFO_TECH_TRUETYPE = 0x00000001;
inline constexpr ULONG FM_INFO_TECH_BITMAP = 0x00000002;
inline constexpr ULONG FM_INFO_TECH_STROKE = 0x00000004;
inline constexpr ULONG FM_INFO_TECH_OUTLINE_NOT_TRUETYPE = 0x00000008;
inline constexpr ULONG FM_INFO_ARB_XFORMS = 0x00000010;
inline constexpr ULONG FM_INFO_1BPP = 0x00000020;
inline constexpr ULONG FM_INFO_INTEGER_WIDTH = 0x00000800;
inline constexpr ULONG FM_INFO_CONSTANT_WIDTH = 0x00001000;
inline constexpr ULONG FM_INFO_NOT_CONTIGUOUS = 0x00002000;
inline constexpr ULONG FM_INFO_RETURNS_OUTLINES = 0x00008000;
inline constexpr ULONG FM_INFO_RETURNS_BITMAPS = 0x00020000;
inline constexpr ULONG FM_INFO_RIGHT_HANDED = 0x00080000;
inline constexpr ULONG FM_INFO_INTEGRAL_SCALING = 0x00100000;
inline constexpr ULONG FM_INFO_90DEGREE_ROTATIONS = 0x00200000;
inline constexpr ULONG FM_INFO_OPTICALLY_FIXED_PITCH = 0x00400000;
inline constexpr ULONG FM_INFO_DBCS_FIXED_PITCH = 0x10000000;

// IFIMETRICS fsSelection.
inline constexpr USHORT FM_SEL_ITALIC = 0x0001;
inline constexpr USHORT FM_SEL_UNDERSCORE = 0x0002;
inline constexpr USHORT FM_SEL_NEGATIVE = 0x0004;
inline constexpr USHORT FM_SEL_OUTLINED = 0x0008;
inline constexpr USHORT FM_SEL_STRIKEOUT = 0x0010;
inline constexpr USHORT FM_SEL_BOLD = 0x0020;
inline constexpr USHORT FM_SEL_REGULAR = 0x0040;

struct WCRUN {
    WCHAR wcLow;
    USHORT cGlyphs;
    HGLYPH* phg;
};

struct FD_GLYPHSET {
    ULONG cjThis;
    FLONG flAccel;
    ULONG cGlyphsSupported;
    ULONG cRuns;
    WCRUN awcrun[1];
};

// FD_GLYPHSET flAccel.
inline constexpr FLONG GS_UNICODE_HANDLES = 0x00000001;
inline constexpr FLONG GS_8BIT_HANDLES = 0x00000002;
inline constexpr FLONG GS_16BIT_HANDLES = 0x00000004;

struct FD_XFORM {
    FLOATL eXX;
    FLOATL eXY;
    FLOATL eYX;
    FLOATL eYY;
};

struct FD_DEVICEMETRICS {
    FLONG flRealizedType;
    POINTE pteBase;
    POINTE pteSide;
    LONG lD;
    FIX fxMaxAscender;
    FIX fxMaxDescender;
    POINTL ptlUnderline1;
    POINTL ptlStrikeOut;
    POINTL ptlULThickness;
    POINTL ptlSOThickness;
    ULONG cxMax;
    ULONG cyMax;
    ULONG cjGlyphMax;
    FD_XFORM fdxQuantized;
    LONG lNonLinearExtLeading;
    LONG lNonLinearIntLeading;
    LONG lNonLinearMaxCharWidth;
    LONG lNonLinearAvgCharWidth;
    LONG lMinA;
    LONG lMinC;
    LONG lMinD;
    LONG alReserved[1];
};
static_assert(sizeof(FD_DEVICEMETRICS) == 124);

struct FD_KERNINGPAIR {
    WCHAR wcFirst;
    WCHAR wcSecond;
    FWORD fwdKern;
};

// DrvQueryFontTree modes.
inline constexpr ULONG QFT_KERNPAIRS = 2;
inline constexpr ULONG QFT_GLYPHSET = 3;
// DrvQueryFontData modes.
inline constexpr ULONG QFD_GLYPHANDBITMAP = 1;
inline constexpr ULONG QFD_GLYPHANDOUTLINE = 2;
inline constexpr ULONG QFD_MAXEXTENTS = 3;
// DrvQueryAdvanceWidths modes.
inline constexpr ULONG QAW_GETWIDTHS = 0;
inline constexpr ULONG QAW_GETEASYWIDTHS = 1;

// ---- Colour management ----------------------------------------------------------------------------

struct CIEXYZ {
    LONG ciexyzX;
    LONG ciexyzY;
    LONG ciexyzZ;
};

struct CIEXYZTRIPLE {
    CIEXYZ ciexyzRed;
    CIEXYZ ciexyzGreen;
    CIEXYZ ciexyzBlue;
};

struct LOGCOLORSPACEW {
    DWORD lcsSignature;
    DWORD lcsVersion;
    DWORD lcsSize;
    LONG lcsCSType;
    LONG lcsIntent;
    CIEXYZTRIPLE lcsEndpoints;
    DWORD lcsGammaRed;
    DWORD lcsGammaGreen;
    DWORD lcsGammaBlue;
    WCHAR lcsFilename[MAX_PATH];
};

// ---- Documents -------------------------------------------------------------------------------------

// DrvEndDoc flags.
inline constexpr FLONG ED_ABORTDOC = 0x00000001;

// ---- The driver's entry points and hooks, as the engine calls them ----------------------------------

using PFN_DrvEnableDriver = BOOL (*)(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);
using PFN_DrvQueryDriverInfo = BOOL (*)(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, DWORD* pcbNeeded);
using PFN_DrvDisableDriver = void (*)();

using PFN_DrvEnablePDEV = DHPDEV (*)(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat, HSURF* phsurfPatterns,
                                     ULONG cjCaps, GDIINFO* pdevcaps, ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev,
                                     LPWSTR pwszDeviceName, HANDLE hDriver);
using PFN_DrvCompletePDEV = void (*)(DHPDEV dhpdev, HDEV hdev);
using PFN_DrvResetPDEV = BOOL (*)(DHPDEV dhpdevOld, DHPDEV dhpdevNew);
using PFN_DrvDisablePDEV = void (*)(DHPDEV dhpdev);
using PFN_DrvEnableSurface = HSURF (*)(DHPDEV dhpdev);
using PFN_DrvDisableSurface = void (*)(DHPDEV dhpdev);

using PFN_DrvStartDoc = BOOL (*)(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
using PFN_DrvEndDoc = BOOL (*)(SURFOBJ* pso, FLONG fl);
using PFN_DrvStartPage = BOOL (*)(SURFOBJ* pso);
using PFN_DrvSendPage = BOOL (*)(SURFOBJ* pso);
using PFN_DrvStartBanding = BOOL (*)(SURFOBJ* pso, POINTL* pptl);
using PFN_DrvNextBand = BOOL (*)(SURFOBJ* pso, POINTL* pptl);

using PFN_DrvBitBlt = BOOL (*)(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                               RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                               ROP4 rop4);
using PFN_DrvCopyBits = BOOL (*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                                 POINTL* pptlSrc);
using PFN_DrvStretchBlt = BOOL (*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                   COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                   POINTL* pptlMask, ULONG iMode);
using PFN_DrvStretchBltROP = BOOL (*)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                      COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                      POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, ROP4 rop4);
using PFN_DrvStrokePath = BOOL (*)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                                   POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
using PFN_DrvFillPath = BOOL (*)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                                 FLONG flOptions);
using PFN_DrvStrokeAndFillPath = BOOL (*)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                          LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                          FLONG flOptions);
using PFN_DrvRealizeBrush = BOOL (*)(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ* psoMask,
                                     XLATEOBJ* pxlo, ULONG iHatch);
using PFN_DrvDitherColor = ULONG (*)(DHPDEV dhpdev, ULONG iMode, ULONG rgb, ULONG* pul);
using PFN_DrvTextOut = BOOL (*)(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                                RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
using PFN_DrvEscape = ULONG (*)(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut, PVOID pvOut);
using PFN_DrvGetGlyphMode = ULONG (*)(DHPDEV dhpdev, FONTOBJ* pfo);
using PFN_DrvQueryFont = IFIMETRICS* (*)(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid);
using PFN_DrvQueryFontTree = PVOID (*)(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG iMode, ULONG_PTR* pid);
using PFN_DrvQueryFontData = LONG (*)(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg, GLYPHDATA* pgd, PVOID pv,
                                      ULONG cjSize);
using PFN_DrvQueryAdvanceWidths = BOOL (*)(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths,
                                           ULONG cGlyphs);
using PFN_DrvIcmCreateColorTransform = HANDLE (*)(DHPDEV dhpdev, LOGCOLORSPACEW* pLogColorSpace, PVOID pvSourceProfile,
                                                  ULONG cjSourceProfile, PVOID pvDestProfile, ULONG cjDestProfile,
                                                  PVOID pvTargetProfile, ULONG cjTargetProfile, DWORD dwReserved);
using PFN_DrvIcmDeleteColorTransform = BOOL (*)(DHPDEV dhpdev, HANDLE hcmXform);

// A hook as the table holds it, and back as the function it is.
template <typename Function> PFN AsPfn(Function function)
{
    return reinterpret_cast<PFN>(reinterpret_cast<void (*)()>(function));
}

template <typename Function> Function HookAs(PFN pfn)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(pfn));
}
