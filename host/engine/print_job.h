// The graphics-engine host: it runs a print job through a printer graphics
// driver as the engine does. It loads the driver by its Windows path,
// enables it and a PDEV, enables the surface, starts the document, replays
// each page's drawing calls through the driver's hooked functions only,
// sends the page and ends the document; DrvResetPDEV in the middle of a job
// when asked.
//
// A page is described with PageBuilder: rectangles (DrvBitBlt with a solid,
// hatch or pattern brush), lines and paths (DrvStrokePath, DrvFillPath,
// DrvStrokeAndFillPath), images (DrvCopyBits at their own size, else
// DrvStretchBlt, mirrored when the destination runs backwards) and lines of
// text (DrvTextOut under a face name): glyphs that FreeType draws from the
// machine's text font at the em size the call asks, or, for a call without a
// size, the engine's synthetic placeholder glyphs that tests of the glyph
// records rely on.
//
// In raster mode the engine draws what the band surface does not hook
// itself: an image at its own size with EngCopyBits, and paths by filling
// their spans with EngBitBlt (a stroke as the outline of each of its
// segments, Beziers flattened to lines).
#pragma once

#include "platform/ddi.h"
#include "platform/types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexl::host {

// An application colour, 0x00BBGGRR.
using ColorRef = ULONG;
inline constexpr ColorRef Rgb(BYTE r, BYTE g, BYTE b)
{
    return ColorRef(r) | (ColorRef(g) << 8) | (ColorRef(b) << 16);
}

// A path in device pixels: subpaths of lines and Beziers.
struct PathSegment {
    bool bezier = false;
    POINTL points[3]{};  // a line uses the first
};

struct PathFigure {
    POINTL start{};
    std::vector<PathSegment> segments;
    bool closed = false;
};

struct PathShape {
    std::vector<PathFigure> figures;
    ULONG piecePoints = 0;  // points per PATHDATA piece the engine hands out (0: whole runs)
};

enum class DrawKind { Rectangle, StrokePath, FillPath, StrokeAndFillPath, Text, Image };

// An image of 24-bit colours, top row first.
struct ImageSpec {
    LONG width = 0;
    LONG height = 0;
    std::vector<ColorRef> pixels;
};

// The brush of a rectangle or a filled path: solid in the call's colour, a
// hatch of the colour on white, or an 8 x 8 pattern of 24-bit pixels.
enum class BrushKind { Solid, Hatch, Pattern };
struct BrushSpec {
    BrushKind kind = BrushKind::Solid;
    ULONG hatch = 0;               // HS_*
    std::vector<ColorRef> pixels;  // Pattern: 64 colours, top row first
};

struct DrawCall {
    DrawKind kind = DrawKind::Rectangle;
    BrushSpec brush;
    RECTL rect{};            // Rectangle; Image: the destination (right < left or bottom < top mirrors)
    ImageSpec image;         // Image
    PathShape path;          // the path kinds
    ColorRef color = 0;      // fill, pen or text colour
    ColorRef fillColor = 0;  // StrokeAndFillPath
    LONG width = 0;          // pen width in pixels; 0 is a cosmetic line
    FLONG fillMode = FP_ALTERNATEMODE;
    POINTL origin{};                // Text: the baseline start
    std::u16string text;            // Text
    std::u16string face = u"Test";  // Text: the face name of the engine's font
    ULONG textBatch = 0;            // Text: glyphs per STROBJ_bEnum batch (0: positions in the object)
    LONG emPixels = 0;              // Text: em size in device pixels of real glyphs; 0: the synthetic glyphs
    // The clip of the call: none (trivial), or a rectangle with its unique id.
    bool clipped = false;
    RECTL clip{};
    ULONG clipUniq = 0;
    std::vector<RECTL> clipRegion;  // more than one: a complex clip of these rectangles
};

struct Page {
    std::vector<DrawCall> calls;
};

class PageBuilder {
public:
    PageBuilder& Rectangle(const RECTL& rect, ColorRef color);
    PageBuilder& Line(POINTL from, POINTL to, ColorRef color, LONG width = 0);
    PageBuilder& StrokePath(const PathShape& path, ColorRef color, LONG width = 0);
    PageBuilder& FillPath(const PathShape& path, ColorRef color, FLONG fillMode = FP_ALTERNATEMODE);
    PageBuilder& StrokeAndFillPath(const PathShape& path, ColorRef pen, ColorRef fill, LONG width = 0);
    PageBuilder& Text(POINTL baseline, std::u16string text, ColorRef color, ULONG batch = 0);
    // A line of text in the engine's font of that face name.
    PageBuilder& TextInFace(POINTL baseline, std::u16string face, std::u16string text, ColorRef color);
    // A line of text in glyphs of the machine's text font (FreeType) with an
    // em of emPixels device pixels, under the face name.
    PageBuilder& SizedText(POINTL baseline, std::u16string face, std::u16string text, ColorRef color, LONG emPixels);
    // An image into the destination rectangle.
    PageBuilder& Image(const RECTL& destination, ImageSpec image);
    // A rectangle or filled path with a hatch or pattern brush.
    PageBuilder& PatternRectangle(const RECTL& rect, ColorRef color, const BrushSpec& brush);
    PageBuilder& PatternFillPath(const PathShape& path, ColorRef color, const BrushSpec& brush,
                                 FLONG fillMode = FP_ALTERNATEMODE);
    // The calls that follow are clipped to the region of the rectangles.
    PageBuilder& ClipToRegion(std::vector<RECTL> rects, ULONG uniq);
    // The calls that follow are clipped to the rectangle (id 0: the engine does not say it is cached).
    PageBuilder& ClipTo(const RECTL& clip, ULONG uniq);
    PageBuilder& NoClip();
    Page Build() const { return page_; }

private:
    DrawCall& Add(DrawCall call);
    Page page_;
    bool clipped_ = false;
    RECTL clip_{};
    ULONG clipUniq_ = 0;
    std::vector<RECTL> clipRegion_;
};

// Path shapes from pixels.
PathShape RectanglePath(const RECTL& rect);
PathShape BezierWave(POINTL start, LONG step, LONG amplitude, int curves);
BrushSpec HatchBrush(ULONG style);
// A checker of two colours in 2 x 2 cells, or of four colours when given.
BrushSpec CheckerBrush(std::vector<ColorRef> colors);
// A picture that shows its orientation: a colour ramp from left to right
// over a grey ramp from top to bottom, with a black block in its top-left corner.
ImageSpec RampImage(LONG width, LONG height);

struct JobOptions {
    std::u16string driverPath;  // the Windows path of the graphics library
    std::u16string printerName;
    std::vector<std::uint8_t> devmode;  // the DEVMODE for DrvEnablePDEV; empty: none
    std::u16string documentName = u"Report";
    DWORD jobId = 1;
    // DrvResetPDEV before this page (0 is the first), with this DEVMODE; -1: no reset.
    int resetBeforePage = -1;
    std::vector<std::uint8_t> resetDevmode;
    // The Windows path of the printer interface library: GDI sends it the
    // document events (DrvDocumentEvent at CreateDC, StartDoc, StartPage,
    // EndPage, EndDoc and DeleteDC) and routes ExtEscape on the job's device
    // context to the graphics library's DrvEscape. Empty: no events.
    std::u16string interfacePath;
    // Every drawing call gets its line in the report. Without, the report
    // keeps the job's steps and only the drawing calls that punted, failed,
    // were not hooked or were drawn by the engine, and counts the others.
    bool reportEveryCall = true;
};

// One call the engine made to the driver, and how it went.
struct HookCall {
    int page = 0;  // 1-based; 0 outside the pages
    std::string hook;
    std::string what;  // the drawing call it came from
    long long result = 0;
    bool punted = false;       // FALSE from a drawing hook: the driver could not draw it
    bool error = false;        // DDI_ERROR from a path hook, or a failure of a job step
    bool unhooked = false;     // the surface's hooks do not take the call, so the engine did not make it
    bool engineDrawn = false;  // unhooked, and the engine drew it into the band itself
};

struct JobReport {
    bool completed = false;  // every job step answered success
    std::string failure;     // the first job step that failed, with the last error
    bool rasterMode = false;
    FLONG surfaceHooks = 0;
    long long drawingCalls = 0;  // every drawing call made, in every band
    GDIINFO gdiInfo{};
    DEVINFO devInfo{};
    std::vector<HookCall> calls;

    int Count(bool HookCall::*flag) const;
};

// Runs the job. The platform layer's machine must be in use and hold the
// printer and the driver's files.
JobReport PrintJob(const JobOptions& options, const std::vector<Page>& pages);

// The names of the drawing calls a surface's hook bits (HOOK_*) name, such
// as "BitBlt TextOut"; bits without a name in hexadecimal.
std::string HookNames(FLONG hooks);

// A readable account of the job: the steps, and every drawing call that punted or failed.
std::string DescribeReport(const JobReport& report);

// The document ./run prints: a page of text in a downloaded font and in a
// device font (the Mincho family, which the printer holds), rectangles,
// lines and paths, an image at its size, stretched and mirrored, pattern
// fills, clipped paths and text under a clip region; and a second page.
std::vector<Page> DemoDocument();

}  // namespace vexl::host
