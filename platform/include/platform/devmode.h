// The public DEVMODE: the 220-byte record of a printer's settings that
// applications, the spooler and the driver pass around. A DEVMODE always
// travels as bytes: the record (dmSize bytes) followed by dmDriverExtra bytes
// that belong to the driver. Its layout is fixed; the asserts below keep it.
#pragma once

#include "platform/types.h"

#include <cstddef>

inline constexpr int CCHDEVICENAME = 32;
inline constexpr int CCHFORMNAME = 32;
inline constexpr WORD DM_SPECVERSION = 0x0401;

struct DEVMODEW {
    WCHAR dmDeviceName[CCHDEVICENAME];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    SHORT dmOrientation;
    SHORT dmPaperSize;
    SHORT dmPaperLength;
    SHORT dmPaperWidth;
    SHORT dmScale;
    SHORT dmCopies;
    SHORT dmDefaultSource;
    SHORT dmPrintQuality;
    SHORT dmColor;
    SHORT dmDuplex;
    SHORT dmYResolution;
    SHORT dmTTOption;
    SHORT dmCollate;
    WCHAR dmFormName[CCHFORMNAME];
    WORD dmLogPixels;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    union {
        DWORD dmDisplayFlags;  // on a display
        DWORD dmNup;           // on a printer: DMNUP_SYSTEM or DMNUP_ONEUP
    };
    DWORD dmDisplayFrequency;
    DWORD dmICMMethod;
    DWORD dmICMIntent;
    DWORD dmMediaType;
    DWORD dmDitherType;
    DWORD dmReserved1;
    DWORD dmReserved2;
    DWORD dmPanningWidth;
    DWORD dmPanningHeight;
};
using PDEVMODEW = DEVMODEW*;
using LPDEVMODEW = DEVMODEW*;

static_assert(sizeof(DEVMODEW) == 220);
static_assert(offsetof(DEVMODEW, dmDeviceName) == 0);
static_assert(offsetof(DEVMODEW, dmSpecVersion) == 64);
static_assert(offsetof(DEVMODEW, dmDriverVersion) == 66);
static_assert(offsetof(DEVMODEW, dmSize) == 68);
static_assert(offsetof(DEVMODEW, dmDriverExtra) == 70);
static_assert(offsetof(DEVMODEW, dmFields) == 72);
static_assert(offsetof(DEVMODEW, dmOrientation) == 76);
static_assert(offsetof(DEVMODEW, dmPaperSize) == 78);
static_assert(offsetof(DEVMODEW, dmPaperLength) == 80);
static_assert(offsetof(DEVMODEW, dmPaperWidth) == 82);
static_assert(offsetof(DEVMODEW, dmScale) == 84);
static_assert(offsetof(DEVMODEW, dmCopies) == 86);
static_assert(offsetof(DEVMODEW, dmDefaultSource) == 88);
static_assert(offsetof(DEVMODEW, dmPrintQuality) == 90);
static_assert(offsetof(DEVMODEW, dmColor) == 92);
static_assert(offsetof(DEVMODEW, dmDuplex) == 94);
static_assert(offsetof(DEVMODEW, dmYResolution) == 96);
static_assert(offsetof(DEVMODEW, dmTTOption) == 98);
static_assert(offsetof(DEVMODEW, dmCollate) == 100);
static_assert(offsetof(DEVMODEW, dmFormName) == 102);
static_assert(offsetof(DEVMODEW, dmLogPixels) == 166);
static_assert(offsetof(DEVMODEW, dmBitsPerPel) == 168);
static_assert(offsetof(DEVMODEW, dmPelsWidth) == 172);
static_assert(offsetof(DEVMODEW, dmPelsHeight) == 176);
static_assert(offsetof(DEVMODEW, dmDisplayFlags) == 180);
static_assert(offsetof(DEVMODEW, dmNup) == 180);
static_assert(offsetof(DEVMODEW, dmDisplayFrequency) == 184);
static_assert(offsetof(DEVMODEW, dmICMMethod) == 188);
static_assert(offsetof(DEVMODEW, dmICMIntent) == 192);
static_assert(offsetof(DEVMODEW, dmMediaType) == 196);
static_assert(offsetof(DEVMODEW, dmDitherType) == 200);
static_assert(offsetof(DEVMODEW, dmReserved1) == 204);
static_assert(offsetof(DEVMODEW, dmReserved2) == 208);
static_assert(offsetof(DEVMODEW, dmPanningWidth) == 212);
static_assert(offsetof(DEVMODEW, dmPanningHeight) == 216);

// The ANSI DEVMODE: the same record with 8-bit device and form names,
// 156 bytes, followed by dmDriverExtra bytes of the driver.
struct DEVMODEA {
    char dmDeviceName[CCHDEVICENAME];
    WORD dmSpecVersion;
    WORD dmDriverVersion;
    WORD dmSize;
    WORD dmDriverExtra;
    DWORD dmFields;
    SHORT dmOrientation;
    SHORT dmPaperSize;
    SHORT dmPaperLength;
    SHORT dmPaperWidth;
    SHORT dmScale;
    SHORT dmCopies;
    SHORT dmDefaultSource;
    SHORT dmPrintQuality;
    SHORT dmColor;
    SHORT dmDuplex;
    SHORT dmYResolution;
    SHORT dmTTOption;
    SHORT dmCollate;
    char dmFormName[CCHFORMNAME];
    WORD dmLogPixels;
    DWORD dmBitsPerPel;
    DWORD dmPelsWidth;
    DWORD dmPelsHeight;
    DWORD dmNup;
    DWORD dmDisplayFrequency;
    DWORD dmICMMethod;
    DWORD dmICMIntent;
    DWORD dmMediaType;
    DWORD dmDitherType;
    DWORD dmReserved1;
    DWORD dmReserved2;
    DWORD dmPanningWidth;
    DWORD dmPanningHeight;
};
using PDEVMODEA = DEVMODEA*;
using LPDEVMODEA = DEVMODEA*;

static_assert(sizeof(DEVMODEA) == 156);
static_assert(offsetof(DEVMODEA, dmSpecVersion) == 32);
static_assert(offsetof(DEVMODEA, dmSize) == 36);
static_assert(offsetof(DEVMODEA, dmDriverExtra) == 38);
static_assert(offsetof(DEVMODEA, dmFields) == 40);
static_assert(offsetof(DEVMODEA, dmOrientation) == 44);
static_assert(offsetof(DEVMODEA, dmCollate) == 68);
static_assert(offsetof(DEVMODEA, dmFormName) == 70);
static_assert(offsetof(DEVMODEA, dmLogPixels) == 102);
static_assert(offsetof(DEVMODEA, dmBitsPerPel) == 104);
static_assert(offsetof(DEVMODEA, dmNup) == 116);
static_assert(offsetof(DEVMODEA, dmMediaType) == 132);
static_assert(offsetof(DEVMODEA, dmPanningHeight) == 152);
// The two records differ only in the width of their names: from
// dmSpecVersion to dmCollate, and from dmLogPixels on, the fields follow
// each other alike.
static_assert(offsetof(DEVMODEW, dmCollate) - offsetof(DEVMODEW, dmSpecVersion) ==
              offsetof(DEVMODEA, dmCollate) - offsetof(DEVMODEA, dmSpecVersion));
static_assert(sizeof(DEVMODEW) - offsetof(DEVMODEW, dmLogPixels) == sizeof(DEVMODEA) - offsetof(DEVMODEA, dmLogPixels));

// dmFields: which fields of the record hold a value.
inline constexpr DWORD DM_ORIENTATION = 0x00000001;
inline constexpr DWORD DM_PAPERSIZE = 0x00000002;
inline constexpr DWORD DM_PAPERLENGTH = 0x00000004;
inline constexpr DWORD DM_PAPERWIDTH = 0x00000008;
inline constexpr DWORD DM_SCALE = 0x00000010;
inline constexpr DWORD DM_POSITION = 0x00000020;
inline constexpr DWORD DM_NUP = 0x00000040;
inline constexpr DWORD DM_DISPLAYORIENTATION = 0x00000080;
inline constexpr DWORD DM_COPIES = 0x00000100;
inline constexpr DWORD DM_DEFAULTSOURCE = 0x00000200;
inline constexpr DWORD DM_PRINTQUALITY = 0x00000400;
inline constexpr DWORD DM_COLOR = 0x00000800;
inline constexpr DWORD DM_DUPLEX = 0x00001000;
inline constexpr DWORD DM_YRESOLUTION = 0x00002000;
inline constexpr DWORD DM_TTOPTION = 0x00004000;
inline constexpr DWORD DM_COLLATE = 0x00008000;
inline constexpr DWORD DM_FORMNAME = 0x00010000;
inline constexpr DWORD DM_LOGPIXELS = 0x00020000;
inline constexpr DWORD DM_BITSPERPEL = 0x00040000;
inline constexpr DWORD DM_PELSWIDTH = 0x00080000;
inline constexpr DWORD DM_PELSHEIGHT = 0x00100000;
inline constexpr DWORD DM_DISPLAYFLAGS = 0x00200000;
inline constexpr DWORD DM_DISPLAYFREQUENCY = 0x00400000;
inline constexpr DWORD DM_ICMMETHOD = 0x00800000;
inline constexpr DWORD DM_ICMINTENT = 0x01000000;
inline constexpr DWORD DM_MEDIATYPE = 0x02000000;
inline constexpr DWORD DM_DITHERTYPE = 0x04000000;
inline constexpr DWORD DM_PANNINGWIDTH = 0x08000000;
inline constexpr DWORD DM_PANNINGHEIGHT = 0x10000000;
inline constexpr DWORD DM_DISPLAYFIXEDOUTPUT = 0x20000000;

// Values of the printer fields.
inline constexpr SHORT DMORIENT_PORTRAIT = 1;
inline constexpr SHORT DMORIENT_LANDSCAPE = 2;
inline constexpr SHORT DMCOLOR_MONOCHROME = 1;
inline constexpr SHORT DMCOLOR_COLOR = 2;
inline constexpr SHORT DMDUP_SIMPLEX = 1;
inline constexpr SHORT DMDUP_VERTICAL = 2;
inline constexpr SHORT DMDUP_HORIZONTAL = 3;
inline constexpr SHORT DMCOLLATE_FALSE = 0;
inline constexpr SHORT DMCOLLATE_TRUE = 1;
inline constexpr DWORD DMNUP_SYSTEM = 1;
inline constexpr DWORD DMNUP_ONEUP = 2;
