// The C++ face of the in-memory GDI for the window system, tools and tests:
// window surfaces and the DCs that draw on them, the object and DC
// accounting, the log of text operations, and pictures of surfaces.
#pragma once

#include "platform/gdi.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

VEXL_HOST_FACE_BEGIN
namespace vexl::gdi {

// ---- Window surfaces ------------------------------------------------------------

// A 32-bit surface for a top-level window, filled white. Surfaces are not
// GDI objects of the program: they are outside the accounting and
// SelectObject refuses them.
HBITMAP CreateSurface(int width, int height);
// Keeps the pixels that still fit; new ones are white.
bool ResizeSurface(HBITMAP surface, int width, int height);
void DeleteSurface(HBITMAP surface);

// A DC on the surface (null: the display) whose logical (0, 0) lies at
// origin and which draws only inside clip (surface coordinates; null: the
// whole surface). The window is recorded with its text operations. It is
// counted as a DC got until ReleaseSurfaceDC.
HDC GetSurfaceDC(HBITMAP surface, POINT origin, const RECT* clip, HWND window);
bool ReleaseSurfaceDC(HDC hdc);
// The window a DC draws for (null for memory DCs).
HWND SurfaceDCWindow(HDC hdc);

// The pixel of the surface (CLR_INVALID outside it).
COLORREF SurfacePixel(HBITMAP surface, int x, int y);
SIZE SurfaceSize(HBITMAP surface);

// ---- Bitmaps of resources ---------------------------------------------------------

// A 32-bit bitmap of the program from a packed DIB of size bytes (header,
// colour table, rows), converted through its colour table; null when it is
// not a DIB this layer reads or the bytes are cut short.
HBITMAP CreateBitmapFromPackedDib(const void* data, std::size_t size);

// ---- Pictures --------------------------------------------------------------------

// The part of the surface (null: all of it) as an RGB PNG file. Also takes
// any bitmap of the program.
bool WritePng(HBITMAP surface, const std::filesystem::path& file, const RECT* part = nullptr);
std::string EncodePng(HBITMAP surface, const RECT* part = nullptr);

// ---- Accounting -----------------------------------------------------------------

struct Accounting {
    long objectsCreated = 0;  // pens, brushes, fonts, bitmaps, regions, palettes
    long objectsDeleted = 0;
    long deletesRefused = 0;  // DeleteObject of an object selected into a DC
    long memoryDCsCreated = 0;
    long memoryDCsDeleted = 0;
    long dcsGot = 0;  // window and display DCs
    long dcsReleased = 0;
    long badHandleCalls = 0;  // calls given a dead or unknown handle
};
Accounting GetAccounting();

struct LiveObject {
    HGDIOBJ handle;
    DWORD type;  // OBJ_*
};
// The objects of the program not yet deleted, oldest first.
std::vector<LiveObject> LiveObjects();
// The DCs created or got and not yet deleted or released.
std::vector<HDC> LiveDCs();

// ---- Text log -------------------------------------------------------------------

enum class TextCall { textOut, extTextOut, drawText };

struct TextOp {
    TextCall call = TextCall::textOut;
    HWND window = nullptr;
    std::u16string text;
    RECT rect{};     // DrawTextW's and ExtTextOutW's rectangle (logical)
    POINT origin{};  // TextOutW's and ExtTextOutW's point (logical)
    UINT flags = 0;  // DT_* or ETO_*
    RECT inked{};    // the device pixels the text covers (empty for DT_CALCRECT)
    std::u16string face;
    LONG height = 0;
    LONG weight = 0;
    bool italic = false;
    LONG escapement = 0;
    COLORREF textColor = 0;
    COLORREF bkColor = 0;
    int bkMode = 0;
};

std::vector<TextOp> TextLog();
void ClearTextLog();

}  // namespace vexl::gdi
VEXL_HOST_FACE_END
