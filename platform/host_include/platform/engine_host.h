// The graphics engine's face for the engine host, tests and tools: the devices the engine keeps for a
// driver, the objects it builds and hands to the driver (paths, clip regions, brushes, colour
// translations, transforms, fonts and strings), counters of what is alive, switches that make a
// service fail, and pixel access to engine bitmaps.  The driver never includes this header; it sees
// only platform/engine.h.
#pragma once

#include "platform/ddi.h"
#include "platform/types.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

VEXL_HOST_FACE_BEGIN
namespace vexl::engine {

// ---- Devices ------------------------------------------------------------------------------

// The engine's record of one enabled PDEV: the driver's hooks by index.
HDEV CreateDevice(const DRVENABLEDATA& driver);
void SetDevicePdev(HDEV hdev, DHPDEV dhpdev);
void DeleteDevice(HDEV hdev);
// The driver's function at that index, null when it gave none.
PFN DeviceHook(HDEV hdev, ULONG index);

// What EngAssociateSurface and EngMarkBandingSurface recorded for a surface.
struct SurfaceInfo {
    HDEV hdev = nullptr;
    FLONG hooks = 0;
    bool associated = false;
    bool banding = false;
};
std::optional<SurfaceInfo> DescribeSurface(HSURF hsurf);

struct PaletteInfo {
    ULONG mode = 0;
    std::vector<ULONG> colors;
};
std::optional<PaletteInfo> DescribePalette(HPALETTE hpal);

// The device colour of an application colour (0x00BBGGRR) for a palette: the
// nearest entry's index for PAL_INDEXED, 0x00RRGGBB for PAL_BGR, the colour
// itself for PAL_RGB.
ULONG DeviceColor(HPALETTE hpal, ULONG colorref);

// ---- Counters and failures ------------------------------------------------------------------

// Objects alive now; a test that ends with more than it started with leaked.
struct Census {
    long surfaces = 0;
    long palettes = 0;
    long enginePaths = 0;  // paths made by the engine for the driver (CLIPOBJ_ppoGetPath)
    long devices = 0;
};
Census Live();

enum class Service {
    CreateBitmap,
    CreateDeviceSurface,
    AssociateSurface,
    LockSurface,
    CreatePalette,
    AllocRbrush,
    ClipPath,
    GetGlyphs,
};
// The nth call of the service from now on fails (1: the next one).
void FailCall(Service service, int nth);
void ClearFailures();

// ---- Pixels --------------------------------------------------------------------------------

// A pixel of an engine bitmap as its format stores it: an index for 1, 4 and 8
// bits, 0x00RRGGBB for 24 and 32 bits (32 bits with its fourth byte on top),
// 5-5-5 for 16 bits. (0, 0) is the top-left pixel whatever the row order.
ULONG GetPixel(const SURFOBJ* pso, LONG x, LONG y);
void SetPixel(SURFOBJ* pso, LONG x, LONG y, ULONG value);
ULONG BitsPerPixel(ULONG iBitmapFormat);

// ---- Paths -------------------------------------------------------------------------------------

// A path of subpaths in 28.4 device coordinates. The engine hands it out in
// PATHDATA pieces of at most `piecePoints` points each (0: a subpath's run of
// lines or of Beziers in one piece).
class Path {
public:
    Path();
    ~Path();
    Path(Path&&) noexcept;
    Path& operator=(Path&&) noexcept;

    Path& MoveTo(FIX x, FIX y);
    Path& LineTo(FIX x, FIX y);
    Path& BezierTo(POINTFIX c1, POINTFIX c2, POINTFIX end);
    Path& Close();
    Path& SetPiecePoints(ULONG piecePoints);
    // The same from whole device pixels.
    Path& MoveToPixel(LONG x, LONG y) { return MoveTo(x * 16, y * 16); }
    Path& LineToPixel(LONG x, LONG y) { return LineTo(x * 16, y * 16); }

    PATHOBJ* get();

private:
    struct Record;
    std::unique_ptr<Record> record_;
};

// ---- Clip regions ---------------------------------------------------------------------------------

class Clip {
public:
    static Clip Trivial(const RECTL& bounds);
    static Clip Rect(const RECTL& rect, ULONG iUniq);
    // A region of several rectangles; iUniq 0 says it is not cached.
    static Clip Complex(std::vector<RECTL> rects, ULONG iUniq);
    ~Clip();
    Clip(Clip&&) noexcept;
    Clip& operator=(Clip&&) noexcept;

    CLIPOBJ* get();

    struct Record;

private:
    explicit Clip(std::unique_ptr<Record> record);
    std::unique_ptr<Record> record_;
};

// ---- Colour translations and transforms --------------------------------------------------------------

class Xlate {
public:
    static Xlate Identity();
    // Source index i translates to table[i].
    static Xlate Table(std::vector<ULONG> table, FLONG extraFlags = 0);
    ~Xlate();
    Xlate(Xlate&&) noexcept;
    Xlate& operator=(Xlate&&) noexcept;

    XLATEOBJ* get();

    struct Record;

private:
    explicit Xlate(std::unique_ptr<Record> record);
    std::unique_ptr<Record> record_;
};

class Xform {
public:
    static Xform Identity();
    static Xform Matrix(const XFORML& matrix);
    ~Xform();
    Xform(Xform&&) noexcept;
    Xform& operator=(Xform&&) noexcept;

    XFORMOBJ* get();

    struct Record;

private:
    explicit Xform(std::unique_ptr<Record> record);
    std::unique_ptr<Record> record_;
};

// ---- Brushes ---------------------------------------------------------------------------------------------

// A brush for drawing on a surface of the device. A pattern or hatch brush is
// realised by the driver's DrvRealizeBrush on the first BRUSHOBJ_pvGetRbrush.
class Brush {
public:
    static Brush Solid(ULONG deviceColor, FLONG colorType = 0);
    // The pattern surface stays the caller's; it must outlive the brush.
    static Brush Pattern(SURFOBJ* target, SURFOBJ* pattern, XLATEOBJ* xlate, FLONG colorType = 0);
    static Brush Hatch(SURFOBJ* target, ULONG iHatch, XLATEOBJ* xlate, FLONG colorType = 0);
    ~Brush();
    Brush(Brush&&) noexcept;
    Brush& operator=(Brush&&) noexcept;

    BRUSHOBJ* get();
    // How often the engine asked the driver to realise this brush.
    int RealizeCalls() const;

    struct Record;

private:
    explicit Brush(std::unique_ptr<Record> record);
    std::unique_ptr<Record> record_;
};

// ---- Fonts and strings ---------------------------------------------------------------------------------------

// One glyph of a synthetic font: a 1-bit bitmap (rows padded to bytes, top
// first), its origin relative to the character's position, and its advance.
struct Glyph {
    HGLYPH hg = 0;
    SIZEL size{};
    POINTL origin{};
    std::vector<BYTE> bits;
    LONG advance = 0;  // device pixels
};

// The font the engine renders for the driver: its metrics, its transform and
// its glyphs. The synthetic font has ten glyphs (see SyntheticGlyphs).
class Font {
public:
    Font(std::u16string faceName, std::vector<Glyph> glyphs, const XFORML& notionalToDevice, ULONG iUniq);
    ~Font();
    Font(Font&&) noexcept;
    Font& operator=(Font&&) noexcept;

    FONTOBJ* get();
    IFIMETRICS* metrics();
    // FONTOBJ_cGetGlyphs answers 0 for this glyph.
    void RefuseGlyph(HGLYPH hg);
    const Glyph* FindGlyph(HGLYPH hg) const;

    struct Record;

private:
    std::unique_ptr<Record> record_;
};

// Glyphs for tests: 0 space (all zero), 1 solid block, 2 checkerboard, 3
// glyph with long runs of zero bytes, 4 an 800 x 800 square over 64 KB, 5-9
// letters of a 8 x 12 cell.
std::vector<Glyph> SyntheticGlyphs();

// A string of glyphs at device positions. STROBJ_bEnum hands them out in
// batches of `batch` (0: all in one).
class String {
public:
    String(std::u16string text, std::vector<GLYPHPOS> positions, const RECTL& background, FLONG flAccel, ULONG charInc,
           bool positionsInObject, ULONG batch);
    ~String();
    String(String&&) noexcept;
    String& operator=(String&&) noexcept;

    STROBJ* get();

    struct Record;

private:
    std::unique_ptr<Record> record_;
};

// A horizontal string of the font's glyphs from a baseline origin, each
// glyph advanced by its width.
String LayOutString(Font& font, std::u16string_view text, const std::vector<HGLYPH>& glyphs, POINTL origin,
                    ULONG batch = 0);

// ---- Resources ----------------------------------------------------------------------------------------------

// A resource EngFindResource answers for the module handle, beside the
// module's own resources.
void AddResource(HANDLE module, int type, int id, std::string bytes);
void ClearResources();

}  // namespace vexl::engine
VEXL_HOST_FACE_END
