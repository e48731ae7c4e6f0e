// GDI in memory: device contexts on 32-bit surfaces (windows, memory DCs),
// bitmaps and DIBs, brushes, pens, fonts, regions, palettes, the ternary
// raster operations, shapes, paths, clipping, and text drawn from real
// glyphs, with the rectangle helpers of the window system.
//
// Every GDI handle (objects and DCs, the printer DCs of platform/gdi_host.h
// included) comes from one table and is never reused within a process.
// Surfaces keep 32-bit pixels (B, G, R, unused); palette DIBs are converted
// through their colour table when they are created or set.
//
// The C++ face for the window system and tests (window surfaces, accounting,
// the text log, pictures) is platform/gdi_surface.h.
#pragma once

#include "platform/ddi.h"
#include "platform/printui.h"
#include "platform/text.h"
#include "platform/types.h"

// ---- Colours, rectangles, handles ---------------------------------------------

using COLORREF = DWORD;
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

inline constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b)
{
    return COLORREF(r) | (COLORREF(g) << 8) | (COLORREF(b) << 16);
}
inline constexpr BYTE GetRValue(COLORREF c)
{
    return BYTE(c & 0xFF);
}
inline constexpr BYTE GetGValue(COLORREF c)
{
    return BYTE((c >> 8) & 0xFF);
}
inline constexpr BYTE GetBValue(COLORREF c)
{
    return BYTE((c >> 16) & 0xFF);
}
// A palette-index colour (0x01000000 | index) and a palette-relative one.
inline constexpr COLORREF PALETTEINDEX(WORD index)
{
    return 0x01000000u | index;
}
inline constexpr COLORREF PALETTERGB(BYTE r, BYTE g, BYTE b)
{
    return 0x02000000u | RGB(r, g, b);
}

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

struct SIZE {
    LONG cx;
    LONG cy;
};
using LPSIZE = SIZE*;
using LPPOINT = POINT*;
using LPINT = INT*;

using HGDIOBJ = void*;
struct HBRUSH__;
using HBRUSH = HBRUSH__*;
struct HPEN__;
using HPEN = HPEN__*;
struct HFONT__;
using HFONT = HFONT__*;
struct HRGN__;
using HRGN = HRGN__*;
// HBITMAP and HPALETTE are those of platform/ddi.h.

// ---- Rectangles (the window system's helpers) ------------------------------------

VEXL_API BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom);
VEXL_API BOOL SetRectEmpty(LPRECT rect);
VEXL_API BOOL CopyRect(LPRECT dst, const RECT* src);
VEXL_API BOOL IsRectEmpty(const RECT* rect);
VEXL_API BOOL EqualRect(const RECT* a, const RECT* b);
VEXL_API BOOL PtInRect(const RECT* rect, POINT pt);
VEXL_API BOOL OffsetRect(LPRECT rect, int dx, int dy);
VEXL_API BOOL InflateRect(LPRECT rect, int dx, int dy);
// FALSE and an empty *dst when the rectangles do not meet.
VEXL_API BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b);
VEXL_API BOOL UnionRect(LPRECT dst, const RECT* a, const RECT* b);
VEXL_API BOOL SubtractRect(LPRECT dst, const RECT* a, const RECT* b);

// ---- Object kinds, stock objects, system colours ---------------------------------

inline constexpr DWORD OBJ_PEN = 1;
inline constexpr DWORD OBJ_BRUSH = 2;
inline constexpr DWORD OBJ_DC = 3;
inline constexpr DWORD OBJ_PAL = 5;
inline constexpr DWORD OBJ_FONT = 6;
inline constexpr DWORD OBJ_BITMAP = 7;
inline constexpr DWORD OBJ_REGION = 8;
inline constexpr DWORD OBJ_MEMDC = 10;

inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int HOLLOW_BRUSH = NULL_BRUSH;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
inline constexpr int OEM_FIXED_FONT = 10;
inline constexpr int ANSI_FIXED_FONT = 11;
inline constexpr int ANSI_VAR_FONT = 12;
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int DEVICE_DEFAULT_FONT = 14;
inline constexpr int DEFAULT_PALETTE = 15;
inline constexpr int SYSTEM_FIXED_FONT = 16;
inline constexpr int DEFAULT_GUI_FONT = 17;
inline constexpr int DC_BRUSH = 18;
inline constexpr int DC_PEN = 19;

// Stock objects are never deleted (DeleteObject answers TRUE and keeps them).
VEXL_API HGDIOBJ GetStockObject(int index);

inline constexpr int COLOR_SCROLLBAR = 0;
inline constexpr int COLOR_BACKGROUND = 1;
inline constexpr int COLOR_ACTIVECAPTION = 2;
inline constexpr int COLOR_INACTIVECAPTION = 3;
inline constexpr int COLOR_MENU = 4;
inline constexpr int COLOR_WINDOW = 5;
inline constexpr int COLOR_WINDOWFRAME = 6;
inline constexpr int COLOR_MENUTEXT = 7;
inline constexpr int COLOR_WINDOWTEXT = 8;
inline constexpr int COLOR_CAPTIONTEXT = 9;
inline constexpr int COLOR_ACTIVEBORDER = 10;
inline constexpr int COLOR_INACTIVEBORDER = 11;
inline constexpr int COLOR_APPWORKSPACE = 12;
inline constexpr int COLOR_HIGHLIGHT = 13;
inline constexpr int COLOR_HIGHLIGHTTEXT = 14;
inline constexpr int COLOR_BTNFACE = 15;
inline constexpr int COLOR_BTNSHADOW = 16;
inline constexpr int COLOR_GRAYTEXT = 17;
inline constexpr int COLOR_BTNTEXT = 18;
inline constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
inline constexpr int COLOR_BTNHIGHLIGHT = 20;
inline constexpr int COLOR_3DDKSHADOW = 21;
inline constexpr int COLOR_3DLIGHT = 22;
inline constexpr int COLOR_INFOTEXT = 23;
inline constexpr int COLOR_INFOBK = 24;
inline constexpr int COLOR_HOTLIGHT = 26;
inline constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
inline constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
inline constexpr int COLOR_3DFACE = COLOR_BTNFACE;
inline constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
inline constexpr int COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT;
inline constexpr int COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT;

// The fixed system colours (the classic scheme); a brush per colour that is
// a stock object.
VEXL_API DWORD GetSysColor(int index);
VEXL_API HBRUSH GetSysColorBrush(int index);

// ---- Bitmaps and DIBs -----------------------------------------------------------

inline constexpr DWORD BI_RGB = 0;
inline constexpr DWORD BI_RLE8 = 1;
inline constexpr DWORD BI_RLE4 = 2;
inline constexpr DWORD BI_BITFIELDS = 3;

inline constexpr UINT DIB_RGB_COLORS = 0;
inline constexpr UINT DIB_PAL_COLORS = 1;
inline constexpr DWORD CBM_INIT = 4;

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;  // negative: top-down rows
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

// The header and its colour table (biClrUsed entries, or 2^bits when 0, for
// 1, 4 and 8 bits; three masks for BI_BITFIELDS).
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};
using LPBITMAPINFO = BITMAPINFO*;

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    HANDLE dshSection;
    DWORD dsOffset;
};

// A bitmap of 1 bit (monochrome) or of the display's 32 bits; bits, when
// given, are rows of words in that format.
VEXL_API HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// A bitmap in the format of the DC's current bitmap (a memory DC's first
// bitmap is the 1x1 monochrome one) or of the display.
VEXL_API HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
// A 32-bit section (BI_RGB or BI_BITFIELDS) whose pixels the caller may
// write at *bits, bottom-up unless biHeight is negative; other formats and
// file-mapping sections are refused.
VEXL_API HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                  DWORD offset);
// A display bitmap, its pixels converted from the DIB (CBM_INIT) through the
// colour table as it is now.
VEXL_API HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                const BITMAPINFO* info, UINT usage);
// Converts rows start..start+lines of the DIB into the bitmap; answers the lines set.
VEXL_API int SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
                       UINT usage);
// Rows of the bitmap as a DIB of the header's format (1, 4, 8, 24 or 32
// bits; palette formats get a grey or black-and-white table). bits null:
// fills the header (size, biSizeImage) only.
VEXL_API int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
VEXL_API int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                               UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
VEXL_API int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                           int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                           DWORD rop);

// ---- Brushes and pens -------------------------------------------------------------

inline constexpr UINT BS_SOLID = 0;
inline constexpr UINT BS_NULL = 1;
inline constexpr UINT BS_HOLLOW = BS_NULL;
inline constexpr UINT BS_HATCHED = 2;
inline constexpr UINT BS_PATTERN = 3;
inline constexpr UINT BS_DIBPATTERNPT = 6;

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};

inline constexpr int PS_SOLID = 0;
inline constexpr int PS_DASH = 1;
inline constexpr int PS_DOT = 2;
inline constexpr int PS_DASHDOT = 3;
inline constexpr int PS_DASHDOTDOT = 4;
inline constexpr int PS_NULL = 5;
inline constexpr int PS_INSIDEFRAME = 6;

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;  // x is the width
    COLORREF lopnColor;
};

VEXL_API HBRUSH CreateSolidBrush(COLORREF color);
VEXL_API HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// An 8x8 pattern from the top-left of the bitmap (a monochrome one paints in
// the DC's text and background colours).
VEXL_API HBRUSH CreatePatternBrush(HBITMAP bitmap);
VEXL_API HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
VEXL_API HPEN CreatePen(int style, int width, COLORREF color);
VEXL_API HPEN CreatePenIndirect(const LOGPEN* pen);

// ---- Fonts -------------------------------------------------------------------------

// LOGFONTW and LF_FACESIZE are those of platform/ddi.h.
inline constexpr LONG FW_DONTCARE = 0;
inline constexpr LONG FW_THIN = 100;
inline constexpr LONG FW_LIGHT = 300;
inline constexpr LONG FW_MEDIUM = 500;
inline constexpr LONG FW_SEMIBOLD = 600;
inline constexpr LONG FW_HEAVY = 900;
inline constexpr UINT OEM_CHARSET = 255;
inline constexpr BYTE DEFAULT_QUALITY = 0;
inline constexpr BYTE ANTIALIASED_QUALITY = 4;
inline constexpr BYTE NONANTIALIASED_QUALITY = 3;

inline constexpr int LF_FULLFACESIZE = 64;

struct TEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
};
using LPTEXTMETRICW = TEXTMETRICW*;

// tmPitchAndFamily bits.
inline constexpr BYTE TMPF_FIXED_PITCH = 0x01;
inline constexpr BYTE TMPF_VECTOR = 0x02;
inline constexpr BYTE TMPF_TRUETYPE = 0x04;
inline constexpr BYTE TMPF_DEVICE = 0x08;

struct NEWTEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
    DWORD ntmFlags;
    UINT ntmSizeEM;
    UINT ntmCellHeight;
    UINT ntmAvgWidth;
};

// FONTSIGNATURE is that of platform/text.h.
struct NEWTEXTMETRICEXW {
    NEWTEXTMETRICW ntmTm;
    FONTSIGNATURE ntmFontSig;
};

struct ENUMLOGFONTW {
    LOGFONTW elfLogFont;
    WCHAR elfFullName[LF_FULLFACESIZE];
    WCHAR elfStyle[LF_FACESIZE];
};

struct ENUMLOGFONTEXW {
    LOGFONTW elfLogFont;
    WCHAR elfFullName[LF_FULLFACESIZE];
    WCHAR elfStyle[LF_FACESIZE];
    WCHAR elfScript[LF_FACESIZE];
};

inline constexpr DWORD RASTER_FONTTYPE = 0x0001;
inline constexpr DWORD DEVICE_FONTTYPE = 0x0002;
inline constexpr DWORD TRUETYPE_FONTTYPE = 0x0004;

// The procedure gets an ENUMLOGFONTW (ENUMLOGFONTEXW for the Ex form) and a
// NEWTEXTMETRICW (NEWTEXTMETRICEXW); enumeration stops when it answers 0.
using FONTENUMPROCW = int (*)(const LOGFONTW* logFont, const TEXTMETRICW* metric, DWORD fontType, LPARAM lParam);

struct ABC {
    int abcA;
    UINT abcB;
    int abcC;
};

VEXL_API HFONT CreateFontIndirectW(const LOGFONTW* logFont);
VEXL_API HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                           DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                           DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName);

// The installed families of the machine profile, in its order: once per
// family (face null), or the faces of one family (faceName given).
VEXL_API int EnumFontFamiliesW(HDC hdc, LPCWSTR faceName, FONTENUMPROCW proc, LPARAM lParam);
// logFont->lfFaceName empty: every family; lfCharSet DEFAULT_CHARSET: any charset.
VEXL_API int EnumFontFamiliesExW(HDC hdc, LOGFONTW* logFont, FONTENUMPROCW proc, LPARAM lParam, DWORD flags);

// ---- Regions ------------------------------------------------------------------------

inline constexpr int ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;
inline constexpr int RGN_ERROR = ERROR;

inline constexpr int RGN_AND = 1;
inline constexpr int RGN_OR = 2;
inline constexpr int RGN_XOR = 3;
inline constexpr int RGN_DIFF = 4;
inline constexpr int RGN_COPY = 5;

VEXL_API HRGN CreateRectRgn(int left, int top, int right, int bottom);
VEXL_API HRGN CreateRectRgnIndirect(const RECT* rect);
VEXL_API HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
VEXL_API BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
// dst = src1 op src2 (RGN_COPY takes src1); answers the kind of the result.
VEXL_API int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode);
VEXL_API int OffsetRgn(HRGN region, int dx, int dy);
VEXL_API int GetRgnBox(HRGN region, LPRECT rect);
VEXL_API BOOL PtInRegion(HRGN region, int x, int y);
VEXL_API BOOL RectInRegion(HRGN region, const RECT* rect);
VEXL_API BOOL EqualRgn(HRGN a, HRGN b);
VEXL_API BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush);
VEXL_API BOOL PaintRgn(HDC hdc, HRGN region);

// ---- Palettes -----------------------------------------------------------------------

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

struct LOGPALETTE {
    WORD palVersion;  // 0x300
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

inline constexpr BYTE PC_RESERVED = 0x01;
inline constexpr BYTE PC_EXPLICIT = 0x02;
inline constexpr BYTE PC_NOCOLLAPSE = 0x04;

VEXL_API HPALETTE CreatePalette(const LOGPALETTE* palette);
VEXL_API HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground);
// The entries mapped into the system palette (0 on a display without one).
VEXL_API UINT RealizePalette(HDC hdc);
VEXL_API UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
VEXL_API UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
VEXL_API UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color);
// The colour the device shows for color: itself on a true-colour display,
// the nearest of the 20 static colours on a palette display.
VEXL_API COLORREF GetNearestColor(HDC hdc, COLORREF color);
VEXL_API UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries);

// ---- Objects and device contexts ----------------------------------------------------

// A memory DC with the 1x1 monochrome bitmap selected; hdc is ignored.
VEXL_API HDC CreateCompatibleDC(HDC hdc);
// Ends a memory DC (or a printer DC of platform/gdi_host.h).
VEXL_API BOOL DeleteDC(HDC hdc);
VEXL_API int SaveDC(HDC hdc);
// A negative level counts back from the last save.
VEXL_API BOOL RestoreDC(HDC hdc, int savedDC);

// Selects a bitmap (memory DCs only, and into one DC at a time), brush, pen,
// font or region (a copy becomes the clip; answers the region kind). Answers
// the object it replaced.
VEXL_API HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
// FALSE for an object selected into a DC (it stays), TRUE for a stock object.
VEXL_API BOOL DeleteObject(HGDIOBJ object);
// Copies the object's record (LOGBRUSH, LOGPEN, LOGFONTW, BITMAP or
// DIBSECTION, a WORD entry count for a palette); buffer null: answers the size.
VEXL_API int GetObjectW(HGDIOBJ object, int size, void* buffer);
VEXL_API DWORD GetObjectType(HGDIOBJ object);
VEXL_API HGDIOBJ GetCurrentObject(HDC hdc, UINT type);

inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int PLANES = 14;
inline constexpr int NUMCOLORS = 24;
inline constexpr int RASTERCAPS = 38;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
inline constexpr int SIZEPALETTE = 104;
inline constexpr int NUMRESERVED = 106;
inline constexpr int COLORRES = 108;
inline constexpr int RC_BITBLT = 0x0001;
inline constexpr int RC_PALETTE = 0x0100;
inline constexpr int RC_DIBTODEV = 0x0200;
inline constexpr int RC_STRETCHBLT = 0x0800;
inline constexpr int RC_STRETCHDIB = 0x2000;

// The display: 1024 x 768 at 96 dpi, 32 bits, or 8 bits with RC_PALETTE
// when the machine profile asks for a palette display.
VEXL_API int GetDeviceCaps(HDC hdc, int index);

inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

inline constexpr UINT TA_NOUPDATECP = 0;
inline constexpr UINT TA_UPDATECP = 1;
inline constexpr UINT TA_LEFT = 0;
inline constexpr UINT TA_RIGHT = 2;
inline constexpr UINT TA_CENTER = 6;
inline constexpr UINT TA_TOP = 0;
inline constexpr UINT TA_BOTTOM = 8;
inline constexpr UINT TA_BASELINE = 24;

VEXL_API COLORREF SetTextColor(HDC hdc, COLORREF color);
VEXL_API COLORREF GetTextColor(HDC hdc);
VEXL_API COLORREF SetBkColor(HDC hdc, COLORREF color);
VEXL_API COLORREF GetBkColor(HDC hdc);
VEXL_API int SetBkMode(HDC hdc, int mode);
VEXL_API int GetBkMode(HDC hdc);
VEXL_API UINT SetTextAlign(HDC hdc, UINT align);
VEXL_API UINT GetTextAlign(HDC hdc);
VEXL_API int SetROP2(HDC hdc, int rop2);
VEXL_API int GetROP2(HDC hdc);
VEXL_API int SetStretchBltMode(HDC hdc, int mode);
VEXL_API int GetStretchBltMode(HDC hdc);
VEXL_API BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT previous);
// The DC's origin: logical (0, 0) lands on device (x, y).
VEXL_API BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous);
VEXL_API BOOL GetViewportOrgEx(HDC hdc, LPPOINT origin);
VEXL_API BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT previous);
VEXL_API COLORREF GetPixel(HDC hdc, int x, int y);
VEXL_API COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
VEXL_API BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color);

// ---- Raster operations ------------------------------------------------------------

// Ternary raster operations: bits 16-23 are the truth table over pattern
// (bit 2 of the index), source (bit 1) and destination (bit 0).
inline constexpr DWORD SRCPAINT = 0x00EE0086;
inline constexpr DWORD SRCAND = 0x008800C6;
inline constexpr DWORD SRCINVERT = 0x00660046;
inline constexpr DWORD SRCERASE = 0x00440328;
inline constexpr DWORD NOTSRCCOPY = 0x00330008;
inline constexpr DWORD NOTSRCERASE = 0x001100A6;
inline constexpr DWORD MERGECOPY = 0x00C000CA;
inline constexpr DWORD MERGEPAINT = 0x00BB0226;
inline constexpr DWORD PATCOPY = 0x00F00021;
inline constexpr DWORD PATPAINT = 0x00FB0A09;
inline constexpr DWORD PATINVERT = 0x005A0049;
inline constexpr DWORD DSTINVERT = 0x00550009;
inline constexpr DWORD BLACKNESS = 0x00000042;
inline constexpr DWORD WHITENESS = 0x00FF0062;

// The raster operation's result for one bit (or, bitwise, for whole words)
// of pattern, source and destination.
inline constexpr DWORD ApplyRop3(DWORD rop, DWORD pattern, DWORD source, DWORD destination)
{
    const DWORD code = (rop >> 16) & 0xFF;
    DWORD result = 0;
    for (int index = 0; index < 8; ++index) {
        if (!((code >> index) & 1)) continue;
        const DWORD p = (index & 4) ? pattern : ~pattern;
        const DWORD s = (index & 2) ? source : ~source;
        const DWORD d = (index & 1) ? destination : ~destination;
        result |= p & s & d;
    }
    return result;
}

VEXL_API BOOL BitBlt(HDC hdc, int x, int y, int width, int height, HDC source, int xSrc, int ySrc, DWORD rop);
VEXL_API BOOL StretchBlt(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, HDC source, int xSrc, int ySrc,
                         int srcWidth, int srcHeight, DWORD rop);
VEXL_API BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);

// ---- Shapes ------------------------------------------------------------------------

// Rectangles exclude their right and bottom edges; outlines are drawn with
// the pen and insides filled with the brush.
VEXL_API int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
VEXL_API int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);
VEXL_API BOOL InvertRect(HDC hdc, const RECT* rect);
// An XOR dotted frame: drawing it twice restores the pixels.
VEXL_API BOOL DrawFocusRect(HDC hdc, const RECT* rect);
VEXL_API BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
VEXL_API BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height);
VEXL_API BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom);
VEXL_API BOOL Polygon(HDC hdc, const POINT* points, int count);
VEXL_API BOOL Polyline(HDC hdc, const POINT* points, int count);
VEXL_API BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous);
// Draws to (x, y), leaving that last point out, and moves there.
VEXL_API BOOL LineTo(HDC hdc, int x, int y);

inline constexpr int ALTERNATE = 1;
inline constexpr int WINDING = 2;
VEXL_API int SetPolyFillMode(HDC hdc, int mode);

// ---- Paths -------------------------------------------------------------------------

// Between BeginPath and EndPath the line and shape calls record the path
// instead of drawing; StrokePath, FillPath and StrokeAndFillPath draw it
// (polygons, filled by the poly-fill mode) and end it.
VEXL_API BOOL BeginPath(HDC hdc);
VEXL_API BOOL EndPath(HDC hdc);
VEXL_API BOOL AbortPath(HDC hdc);
VEXL_API BOOL CloseFigure(HDC hdc);
VEXL_API BOOL StrokePath(HDC hdc);
VEXL_API BOOL FillPath(HDC hdc);
VEXL_API BOOL StrokeAndFillPath(HDC hdc);

// ---- Clipping -----------------------------------------------------------------------

// A copy of the region (device coordinates) becomes the clip; null removes it.
VEXL_API int SelectClipRgn(HDC hdc, HRGN region);
VEXL_API int ExtSelectClipRgn(HDC hdc, HRGN region, int mode);
VEXL_API int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
VEXL_API int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom);
// The bounds of what the DC may draw on, in logical coordinates.
VEXL_API int GetClipBox(HDC hdc, LPRECT rect);
// 1 and the clip copied into region; 0 when the DC has no clip of its own.
VEXL_API int GetClipRgn(HDC hdc, HRGN region);

// ---- Text ---------------------------------------------------------------------------

inline constexpr UINT ETO_OPAQUE = 0x0002;
inline constexpr UINT ETO_CLIPPED = 0x0004;

VEXL_API BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count);
// dx, when given, holds the advance of each character.
VEXL_API BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                          const INT* dx);
VEXL_API BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, LPSIZE size);
// How many characters fit in maxExtent (fit non-null), and the extent after
// each character (dx non-null).
VEXL_API BOOL GetTextExtentExPointW(HDC hdc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx, LPSIZE size);
VEXL_API BOOL GetTextMetricsW(HDC hdc, LPTEXTMETRICW metrics);
VEXL_API BOOL GetCharABCWidthsW(HDC hdc, UINT first, UINT last, ABC* widths);
VEXL_API BOOL GetCharWidth32W(HDC hdc, UINT first, UINT last, LPINT widths);
VEXL_API int GetTextFaceW(HDC hdc, int count, LPWSTR face);

inline constexpr UINT DT_TOP = 0x00000000;
inline constexpr UINT DT_LEFT = 0x00000000;
inline constexpr UINT DT_CENTER = 0x00000001;
inline constexpr UINT DT_RIGHT = 0x00000002;
inline constexpr UINT DT_VCENTER = 0x00000004;
inline constexpr UINT DT_BOTTOM = 0x00000008;
inline constexpr UINT DT_WORDBREAK = 0x00000010;
inline constexpr UINT DT_SINGLELINE = 0x00000020;
inline constexpr UINT DT_EXPANDTABS = 0x00000040;
inline constexpr UINT DT_TABSTOP = 0x00000080;
inline constexpr UINT DT_NOCLIP = 0x00000100;
inline constexpr UINT DT_EXTERNALLEADING = 0x00000200;
inline constexpr UINT DT_CALCRECT = 0x00000400;
inline constexpr UINT DT_NOPREFIX = 0x00000800;
inline constexpr UINT DT_INTERNAL = 0x00001000;
inline constexpr UINT DT_EDITCONTROL = 0x00002000;
inline constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
inline constexpr UINT DT_END_ELLIPSIS = 0x00008000;
inline constexpr UINT DT_MODIFYSTRING = 0x00010000;
inline constexpr UINT DT_RTLREADING = 0x00020000;
inline constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
inline constexpr UINT DT_NOFULLWIDTHCHARBREAK = 0x00080000;
inline constexpr UINT DT_HIDEPREFIX = 0x00100000;
inline constexpr UINT DT_PREFIXONLY = 0x00200000;

// Lays out and draws the text in the rectangle; count -1: up to the
// terminator. Answers the height of the text (for a single line with
// DT_VCENTER or DT_BOTTOM, the offset from the rectangle's top to the text's
// bottom); DT_CALCRECT only measures, setting the rectangle's right and
// bottom. "&x" underlines x unless DT_NOPREFIX. DT_MODIFYSTRING writes the
// shortened text back into the caller's string, never past its length.
VEXL_API int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format);
