// The records behind GDI handles: one table for objects and DCs (printer
// DCs included), with the accounting the tests read. Every function here
// expects the caller to hold GdiLock().
#pragma once

#include "platform/gdi_host.h"
#include "platform/gdi_surface.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vexl::gdi {

std::recursive_mutex& GdiLock();

// A pixel as a 32-bit surface keeps it: 0x00RRGGBB.
using Pixel = std::uint32_t;
inline constexpr Pixel kWhite = 0xFFFFFF;

inline Pixel ToPixel(COLORREF c)
{
    return (Pixel(GetRValue(c)) << 16) | (Pixel(GetGValue(c)) << 8) | GetBValue(c);
}
inline COLORREF ToColor(Pixel p)
{
    return RGB(BYTE(p >> 16), BYTE(p >> 8), BYTE(p));
}
// The nearer of black and white.
Pixel ToMono(Pixel p);

struct Object {
    virtual ~Object() = default;
    DWORD type = 0;
    bool stock = false;
};

struct BitmapObject : Object {
    int width = 0;
    int height = 0;
    int bitsPixel = 32;      // 1 (monochrome) or 32
    bool bottomUp = false;   // rows of a bottom-up DIB section run from the last
    bool surface = false;    // a window surface, outside the accounting
    bool section = false;    // a DIB section
    BITMAPINFOHEADER dib{};  // the section's header
    std::vector<Pixel> pixels;

    Pixel* Row(int y) { return pixels.data() + std::size_t(bottomUp ? height - 1 - y : y) * std::size_t(width); }
    Pixel Get(int x, int y) { return Row(y)[x]; }
    void Put(int x, int y, Pixel p) { Row(y)[x] = bitsPixel == 1 ? ToMono(p) : (p & 0xFFFFFF); }
};

struct BrushObject : Object {
    LOGBRUSH log{};
    // An 8x8 pattern (BS_PATTERN); mono patterns paint in the DC's colours.
    std::vector<Pixel> pattern;
    bool monoPattern = false;
};

struct PenObject : Object {
    LOGPEN log{};
};

struct FontObject : Object {
    LOGFONTW log{};
};

struct RegionObject : Object {
    std::vector<RECT> rects;  // disjoint, in bands
};

struct PaletteObject : Object {
    std::vector<PALETTEENTRY> entries;
};

// ---- Device contexts ---------------------------------------------------------------

enum class DcKind { memory, window, display, printer };

struct Figure {
    std::vector<POINT> points;  // logical
    bool closed = false;
};

struct DcState {
    HGDIOBJ bitmap = nullptr;
    HGDIOBJ brush = nullptr;
    HGDIOBJ pen = nullptr;
    HGDIOBJ font = nullptr;
    HGDIOBJ palette = nullptr;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    UINT textAlign = TA_LEFT | TA_TOP;
    int rop2 = int(R2_COPYPEN);
    int stretchMode = int(BLACKONWHITE);
    int polyFillMode = ALTERNATE;
    POINT brushOrg{};
    POINT viewportOrg{};
    POINT current{};
    std::optional<std::vector<RECT>> clip;  // device coordinates
};

struct DcObject : Object {
    DcKind kind = DcKind::memory;
    DcState state;
    std::vector<DcState> saved;
    HGDIOBJ surface = nullptr;  // window and display DCs
    POINT surfaceOrigin{};      // where device (0, 0) lies on the surface
    std::optional<RECT> baseClip;
    HWND window = nullptr;
    EscapeHandler handler = nullptr;
    void* handlerData = nullptr;
    // Paths.
    bool pathOpen = false;
    bool pathDone = false;
    std::vector<Figure> figures;
};

// ---- The table ------------------------------------------------------------------------

HGDIOBJ AddObject(std::unique_ptr<Object> object, bool counted);
Object* FindObject(HGDIOBJ handle);
template <typename T> T* Find(HGDIOBJ handle, DWORD type)
{
    Object* object = FindObject(handle);
    return object && object->type == type ? static_cast<T*>(object) : nullptr;
}
// Counts a call given a handle that is not (or no longer) in the table.
void CountBadHandle();
// Takes the object out of the table.
void RemoveObject(HGDIOBJ handle);
Accounting& Counters();

DcObject* FindDc(HDC hdc);
BitmapObject* FindBitmap(HGDIOBJ handle);
// The DC's current drawing surface (null for a printer DC).
BitmapObject* TargetOf(DcObject& dc);
// True when a DC (in its current or saved state) holds the object.
bool IsSelected(HGDIOBJ object);

HGDIOBJ Stock(int index);
// A new bitmap of the program (1 or 32 bits, white or black); null for a bad size.
BitmapObject* NewBitmap(int width, int height, int bitsPixel, HGDIOBJ* handle);

// ---- Drawing helpers (gdi_draw.cpp) -------------------------------------------------

// Where and inside what a DC draws: surface coordinates.
struct Canvas {
    DcObject* dc = nullptr;
    BitmapObject* target = nullptr;
    POINT offset{};  // logical -> surface
    std::vector<RECT> clip;
    bool Inside(int x, int y) const;
};
std::optional<Canvas> CanvasOf(HDC hdc);
Canvas CanvasOf(DcObject& dc);

// The pixel for a COLORREF on this DC (palette indexes through its palette).
Pixel PixelOf(DcObject& dc, COLORREF color);

// Writes value through the DC's binary raster operation.
void PlotPen(Canvas& canvas, int x, int y, Pixel pen);
// The brush's pixel at the surface point; nullopt where a hatch leaves the
// background alone (transparent mode) or for a null brush.
std::optional<Pixel> BrushPixel(Canvas& canvas, HGDIOBJ brush, int x, int y, bool transparentHatch);
void FillSurfaceRect(Canvas& canvas, RECT r, HGDIOBJ brush);

// ---- Regions (gdi_region.cpp) ----------------------------------------------------------

std::vector<RECT> CombineRects(const std::vector<RECT>& a, const std::vector<RECT>& b, int mode);
std::vector<RECT> OffsetRects(std::vector<RECT> rects, int dx, int dy);
RECT BoundsOf(const std::vector<RECT>& rects);
int KindOf(const std::vector<RECT>& rects);
std::vector<RECT> EllipseRects(const RECT& box);

// ---- Text (gdi_text.cpp) -------------------------------------------------------------

void LogText(TextOp op);

}  // namespace vexl::gdi
