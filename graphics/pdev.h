// The Pdev: the graphics library's device object, one per printer device
// context, from DrvEnablePDEV to DrvDisablePDEV. Every later call of the
// engine names it, directly or through the dhpdev of a SURFOBJ, and every
// hook tests it first: a guard word stands at both ends.
#pragma once

#include "graphics/command_groups.h"
#include "graphics/paper_record.h"
#include "graphics/pool.h"
#include "graphics/records.h"
#include "graphics/stream.h"
#include "platform/ddi.h"
#include "platform/engine.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct DriverContext;

inline constexpr DWORD kPdevGuard = 0x19651013;

// Flags of the Pdev.
inline constexpr DWORD kPdevDocumentOpen = 0x4;
// kPdevOutputFailed (0x8) is latched by the stream writer and never cleared.
inline constexpr DWORD kPdevPageOpen = 0x8000;
inline constexpr DWORD kPdevResetInProgress = 0x100000;

inline constexpr int kBrushScratchBytes = 28;
inline constexpr int kGlyphCacheBuckets = 1024;

// A colour transform the driver created for the engine, with the profile
// it was made from and the reference on the colour library it holds.
struct ColorTransformEntry {
    HANDLE transform;
    HANDLE profile;
    HMODULE library;
};
inline constexpr int kColorTransformSlots = 8;
struct ColorTransformList {
    ColorTransformEntry entries[kColorTransformSlots];
};

struct GlyphCacheEntry;
struct DeviceFontTable;
struct ClipCache;

struct Pdev {
    DWORD leadingGuard;
    DriverContext* context;
    PdevPool* pool;
    HANDLE printer;
    HDEV engineDevice;
    HSURF surface;
    HPALETTE palette;
    DWORD flags;
    PaperRecord paper;
    LONG pageCount;  // pages started in the document; 1 on the first page
    LONG deviceFontCount;
    HMODULE module;  // the library's own module
    SHORT copies;
    SHORT rasterMode;    // non-zero: the engine renders bands
    SHORT colorProcess;  // 1 monochrome
    SHORT orientation;   // 0 portrait, 1 landscape
    WORD resolution;     // dots per inch
    SHORT language;
    WORD jobBinder;  // page 1 carries only the JobStart group and the job name
    DWORD machineColorType;
    DWORD emfSpoolOutput;  // the job name comes from the spooler's job record
    DWORD color;           // dmColor: 1 monochrome, 2 colour
    SHORT extPrintArea;    // 2: GDIINFO sizes in millimetres
    DWORD hiddenFunc4;     // a default font is offered
    DWORD frontFunction;
    DWORD hiddenFunc18;
    SHORT hiddenFunc30;  // vector mode: 1-bit device surface
    SHORT hiddenFunc5;   // vector mode: DrvStretchBltROP hooked only when 0
    char* jobName;       // 8-bit device text in the pool, used with its length
    SHORT jobNameLength;
    DeviceFontTable* deviceFonts;
    ClipCache* clipCache;
    BYTE brushScratch[kBrushScratchBytes];
    RealizedBrush solidBrush;  // refilled at every solid-colour call
    OutputStream stream;
    StateCaches states;
    LONG bandX;
    LONG bandY;
    LONG bandCount;
    LONG pageWidth;  // printable size in dots, from the GDIINFO step
    LONG pageHeight;
    const WCHAR* spoolLibraryName;       // the ModelRecord's spool library
    ColorTransformList colorTransforms;  // every transform the engine holds, with its profile
    BYTE colorMatching;
    BYTE icmType;
    DWORD textAsBitmap;
    GlyphCacheEntry* glyphCache[kGlyphCacheBuckets];
    WORD glyphGeneration;
    FontSelection downloadedFont;  // the last downloaded-font selection, reused while the font cache holds it
    DWORD printMethod;
    DEVMODEW* devmodeCopy;  // the DEVMODE of DrvEnablePDEV, in the pool; null without one
    DWORD jobId;
    DWORD pageStarted;  // set by every DrvStartPage
    DWORD apiUseFlag;
    DWORD printMethod7;
    OSVERSIONINFOW osVersion;
    graphics::JobCommandState jobCommands;  // the state of the job command groups
    DWORD trailingGuard;
};

// The library's module handle, kept at process attach.
void SetLibraryModule(HMODULE module);
HMODULE GetLibraryModule();

// Non-null with both guards in place.
BOOL IsValidPdev(const Pdev* pdev);
// The Pdev of a surface, or null.
Pdev* PdevFromSurface(SURFOBJ* surface);
// The Pdev of a surface when it is valid; else ERROR_INVALID_PARAMETER and null.
Pdev* ValidPdevOfSurface(SURFOBJ* surface);
Pdev* ValidPdev(DHPDEV dhpdev);

// Reads the Pdev's settings from its context; clears the flags and the
// page count first.
void ReadPdevSettings(Pdev* pdev);

// Frees the DEVMODE copy, releases the context and destroys the pool, which
// frees the Pdev itself.
void FreePdev(Pdev* pdev);

// The PDEV hooks.
DHPDEV DrvEnablePDEV(DEVMODEW* devmode, LPWSTR logAddress, ULONG patternCount, HSURF* patterns, ULONG gdiInfoSize,
                     GDIINFO* gdiInfo, ULONG devInfoSize, DEVINFO* devInfo, HDEV engineDevice, LPWSTR deviceName,
                     HANDLE printer);
void DrvCompletePDEV(DHPDEV dhpdev, HDEV engineDevice);
BOOL DrvResetPDEV(DHPDEV oldPdev, DHPDEV newPdev);
void DrvDisablePDEV(DHPDEV dhpdev);

}  // namespace vexl
