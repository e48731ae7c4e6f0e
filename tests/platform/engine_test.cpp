// The graphics engine services as a driver sees them: paths in pieces,
// clip regions, surfaces and blits, brushes realised by the driver, and the
// counters and failure switches tests rely on.
#include "platform/engine.h"
#include "platform/engine_host.h"
#include "platform/kernel.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

struct Piece {
    FLONG flags;
    ULONG count;
    bool more;
};

std::vector<Piece> Enumerate(PATHOBJ* path)
{
    std::vector<Piece> pieces;
    PATHOBJ_vEnumStart(path);
    for (int guard = 0; guard < 100; ++guard) {
        PATHDATA data{};
        const BOOL more = PATHOBJ_bEnum(path, &data);
        pieces.push_back(Piece{data.flags, data.count, more != FALSE});
        if (!more) break;
    }
    return pieces;
}

engine::Path SampleFigurePath()
{
    engine::Path path;
    path.MoveTo(0, 0).LineTo(160, 0).LineTo(160, 160).LineTo(0, 160);
    path.BezierTo({16, 16}, {32, 16}, {48, 0}).BezierTo({64, -16}, {80, -16}, {96, 0}).Close();
    path.MoveTo(320, 320);  // a subpath of one point
    return path;
}

TEST(EnginePath, PiecesFollowRunsAndLimitsAndFlagSubpathEnds)
{
    struct Case {
        ULONG piecePoints;
        std::vector<Piece> expected;
    };
    const FLONG begin = PD_BEGINSUBPATH, end = PD_ENDSUBPATH, close = PD_CLOSEFIGURE, bez = PD_BEZIERS;
    const Case cases[] = {
        {0, {{begin, 4, true}, {bez | end | close, 6, true}, {begin | end, 1, false}}},
        {3, {{begin, 3, true}, {0, 1, true}, {bez, 3, true}, {bez | end | close, 3, true}, {begin | end, 1, false}}},
        {1,  // a piece holds one segment at least, however small the limit
         {{begin, 2, true},
          {0, 1, true},
          {0, 1, true},
          {bez, 3, true},
          {bez | end | close, 3, true},
          {begin | end, 1, false}}},
    };
    for (const Case& c : cases) {
        engine::Path path = SampleFigurePath();
        path.SetPiecePoints(c.piecePoints);
        const std::vector<Piece> pieces = Enumerate(path.get());
        ASSERT_EQ(pieces.size(), c.expected.size()) << "limit " << c.piecePoints;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            EXPECT_EQ(pieces[i].flags, c.expected[i].flags) << "limit " << c.piecePoints << " piece " << i;
            EXPECT_EQ(pieces[i].count, c.expected[i].count) << "limit " << c.piecePoints << " piece " << i;
            EXPECT_EQ(pieces[i].more, c.expected[i].more) << "limit " << c.piecePoints << " piece " << i;
        }
    }
}

TEST(EnginePath, CurvesCountSegmentsAndBoundsCoverEveryPoint)
{
    engine::Path path = SampleFigurePath();
    EXPECT_EQ(path.get()->cCurves, 5u);  // three lines and two Beziers; the lone point adds none
    EXPECT_EQ(path.get()->fl, PO_BEZIERS);
    RECTFX bounds{};
    PATHOBJ_vGetBounds(path.get(), &bounds);
    EXPECT_EQ(bounds.xLeft, 0);
    EXPECT_EQ(bounds.yTop, -16);
    EXPECT_EQ(bounds.xRight, 320);
    EXPECT_EQ(bounds.yBottom, 320);

    // The points handed out are the path's, in order.
    PATHOBJ_vEnumStart(path.get());
    PATHDATA data{};
    PATHOBJ_bEnum(path.get(), &data);
    ASSERT_EQ(data.count, 4u);
    EXPECT_EQ(data.pptfx[3].x, 0);
    EXPECT_EQ(data.pptfx[3].y, 160);
}

TEST(EngineClip, RegionAsPathIsOwnedByTheEngineAndEnumeratesRectangles)
{
    engine::Clip clip = engine::Clip::Complex({{0, 0, 10, 10}, {20, 0, 30, 5}}, 42);
    EXPECT_EQ(clip.get()->iDComplexity, DC_COMPLEX);
    EXPECT_EQ(clip.get()->iUniq, 42u);
    EXPECT_EQ(clip.get()->rclBounds.right, 30);

    const long before = engine::Live().enginePaths;
    PATHOBJ* path = CLIPOBJ_ppoGetPath(clip.get());
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(path->cCurves, 6u);
    const std::vector<Piece> pieces = Enumerate(path);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].flags, PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE);
    EXPECT_EQ(engine::Live().enginePaths, before + 1);
    EngDeletePath(path);
    EXPECT_EQ(engine::Live().enginePaths, before);

    // One rectangle per call when the buffer holds one.
    ULONG buffer[1 + 4]{};
    EXPECT_EQ(CLIPOBJ_cEnumStart(clip.get(), TRUE, CT_RECTANGLES, CD_ANY, 0), 2u);
    EXPECT_TRUE(CLIPOBJ_bEnum(clip.get(), sizeof(buffer), buffer));
    EXPECT_EQ(buffer[0], 1u);
    EXPECT_FALSE(CLIPOBJ_bEnum(clip.get(), sizeof(buffer), buffer));
    EXPECT_EQ(buffer[3], 30u);

    engine::FailCall(engine::Service::ClipPath, 1);
    EXPECT_EQ(CLIPOBJ_ppoGetPath(clip.get()), nullptr);
    engine::ClearFailures();
}

// ---- Surfaces and blits ------------------------------------------------------------------------

struct Bitmap {
    HBITMAP handle = nullptr;
    SURFOBJ* so = nullptr;
    Bitmap(LONG width, LONG height, ULONG format, FLONG flags = BMF_TOPDOWN, LONG stride = 0)
    {
        handle = EngCreateBitmap(SIZEL{width, height}, stride, format, flags, nullptr);
        so = handle ? EngLockSurface(handle) : nullptr;
    }
    ~Bitmap()
    {
        if (so) EngUnlockSurface(so);
        if (handle) EngDeleteSurface(handle);
    }
};

TEST(EngineSurface, StrideAndRowOrderFollowTheFormatAndFlags)
{
    const Bitmap topDown(10, 3, BMF_24BPP);
    ASSERT_NE(topDown.so, nullptr);
    EXPECT_EQ(topDown.so->lDelta, 32);  // 30 bytes rounded up to 4
    EXPECT_EQ(topDown.so->cjBits, 96u);
    EXPECT_EQ(topDown.so->pvScan0, topDown.so->pvBits);
    EXPECT_EQ(topDown.so->iType, STYPE_BITMAP);

    const Bitmap bottomUp(10, 3, BMF_1BPP, 0);
    EXPECT_EQ(bottomUp.so->lDelta, -4);
    engine::SetPixel(bottomUp.so, 0, 0, 1);  // the top row is the last in memory
    EXPECT_EQ(static_cast<const BYTE*>(bottomUp.so->pvBits)[8], 0x80);

    const Bitmap ownStride(10, 3, BMF_8BPP, BMF_TOPDOWN, 40);
    EXPECT_EQ(ownStride.so->lDelta, 40);
    EXPECT_EQ(EngCreateBitmap(SIZEL{10, 3}, 8, BMF_8BPP, 0, nullptr), nullptr);  // a row does not fit
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(EngCreateBitmap(SIZEL{10, 3}, 0, 9, 0, nullptr), nullptr);
}

TEST(EngineBlit, CopyBitsConvertsEveryFormatTo24Bits)
{
    std::vector<ULONG> greys(256);
    for (ULONG i = 0; i < 256; ++i) greys[i] = i * 0x010101;
    engine::Xlate ramp = engine::Xlate::Table(greys);
    engine::Xlate identity = engine::Xlate::Identity();
    struct Case {
        ULONG format;
        FLONG flags;
        ULONG stored;
        XLATEOBJ* xlate;
        ULONG expected;
    };
    const Case cases[] = {
        {BMF_1BPP, BMF_TOPDOWN, 1, ramp.get(), 0x010101},
        {BMF_4BPP, 0, 0xA, ramp.get(), 0x0A0A0A},
        {BMF_8BPP, BMF_TOPDOWN, 0x80, ramp.get(), 0x808080},
        {BMF_16BPP, 0, 0x7C00, identity.get(), 0xFF0000},  // 5-5-5 red
        {BMF_24BPP, BMF_TOPDOWN, 0x123456, nullptr, 0x123456},
        {BMF_32BPP, 0, 0x80123456, identity.get(), 0x123456},  // the fourth byte goes
    };
    for (const Case& c : cases) {
        Bitmap source(3, 2, c.format, c.flags);
        Bitmap target(3, 2, BMF_24BPP);
        engine::SetPixel(source.so, 2, 1, c.stored);
        RECTL all{0, 0, 3, 2};
        POINTL origin{0, 0};
        ASSERT_TRUE(EngCopyBits(target.so, source.so, nullptr, c.xlate, &all, &origin)) << c.format;
        EXPECT_EQ(engine::GetPixel(target.so, 2, 1), c.expected) << "format " << c.format;
        EXPECT_EQ(engine::GetPixel(target.so, 0, 0), c.format == BMF_16BPP || c.format >= BMF_24BPP ? 0u : 0u);
    }
}

TEST(EngineBlit, BitBltFillsCopiesThroughMasksAndClips)
{
    Bitmap target(8, 2, BMF_24BPP);
    engine::Brush red = engine::Brush::Solid(0xFF0000);
    RECTL left{0, 0, 4, 2};
    ASSERT_TRUE(
        EngBitBlt(target.so, nullptr, nullptr, nullptr, nullptr, &left, nullptr, nullptr, red.get(), nullptr, 0xF0F0));
    EXPECT_EQ(engine::GetPixel(target.so, 3, 1), 0xFF0000u);
    EXPECT_EQ(engine::GetPixel(target.so, 4, 1), 0u);

    RECTL all{0, 0, 8, 2};
    engine::Clip clip = engine::Clip::Rect({6, 0, 8, 2}, 1);
    ASSERT_TRUE(EngBitBlt(target.so, nullptr, nullptr, clip.get(), nullptr, &all, nullptr, nullptr, nullptr, nullptr,
                          0xFFFF));  // white, only inside the clip
    EXPECT_EQ(engine::GetPixel(target.so, 5, 0), 0u);
    EXPECT_EQ(engine::GetPixel(target.so, 6, 0), 0xFFFFFFu);

    // 0xAACC: the source where the mask is set, the target kept elsewhere.
    Bitmap source(8, 2, BMF_24BPP);
    Bitmap mask(8, 2, BMF_1BPP);
    for (LONG x = 0; x < 8; ++x) engine::SetPixel(source.so, x, 0, 0x00FF00);
    engine::SetPixel(mask.so, 1, 0, 1);
    engine::SetPixel(mask.so, 6, 0, 1);
    POINTL origin{0, 0};
    ASSERT_TRUE(
        EngBitBlt(target.so, source.so, mask.so, nullptr, nullptr, &all, &origin, &origin, nullptr, nullptr, 0xAACC));
    EXPECT_EQ(engine::GetPixel(target.so, 0, 0), 0xFF0000u);
    EXPECT_EQ(engine::GetPixel(target.so, 1, 0), 0x00FF00u);
    EXPECT_EQ(engine::GetPixel(target.so, 6, 0), 0x00FF00u);
    EXPECT_EQ(engine::GetPixel(target.so, 7, 0), 0xFFFFFFu);

    RECTL part{2, 0, 4, 1};
    ASSERT_TRUE(EngEraseSurface(target.so, &part, 0x0000FF));
    EXPECT_EQ(engine::GetPixel(target.so, 2, 0), 0x0000FFu);
    EXPECT_EQ(engine::GetPixel(target.so, 1, 0), 0x00FF00u);
}

// Solid fills and plain copies go by rows: every format, spans that start
// and end inside a byte, long runs, a clip of two rectangles, and a source
// that covers only part of the target. Each pixel is checked against what
// the call means pixel by pixel; pixels outside keep their noise.
TEST(EngineBlit, FillsAndCopiesByRowsTouchExactlyTheirPixels)
{
    constexpr LONG kWidth = 203, kHeight = 5;
    const std::vector<RECTL> region = {{3, 0, 70, 3}, {90, 2, 197, 5}};
    for (const ULONG format : {BMF_1BPP, BMF_4BPP, BMF_8BPP, BMF_16BPP, BMF_24BPP, BMF_32BPP}) {
        for (const FLONG flags : {FLONG{BMF_TOPDOWN}, FLONG{0}}) {
            SCOPED_TRACE(testing::Message() << "format " << format << " flags " << flags);
            const ULONG mask = engine::BitsPerPixel(format) >= 32 ? 0xFFFFFFFF
                                                                   : (ULONG(1) << engine::BitsPerPixel(format)) - 1;
            auto noise = [&](LONG x, LONG y) { return ULONG(x * 2654435761u ^ y * 40503u) & mask; };
            Bitmap target(kWidth, kHeight, format, flags);
            Bitmap source(60, 3, format, flags);
            ASSERT_NE(target.so, nullptr);
            for (LONG y = 0; y < kHeight; ++y)
                for (LONG x = 0; x < kWidth; ++x) engine::SetPixel(target.so, x, y, noise(x, y));
            for (LONG y = 0; y < 3; ++y)
                for (LONG x = 0; x < 60; ++x) engine::SetPixel(source.so, x, y, noise(y, x + 7));

            const ULONG color = 0x00C0FFEE & mask;
            engine::Brush brush = engine::Brush::Solid(color);
            engine::Clip clip = engine::Clip::Complex(region, 0);
            RECTL fill{1, 1, 201, 4};
            ASSERT_TRUE(EngBitBlt(target.so, nullptr, nullptr, clip.get(), nullptr, &fill, nullptr, nullptr,
                                  brush.get(), nullptr, 0xF0F0));
            // The copy's source starts 5 columns and a row in; 60 x 3 covers only part of the target.
            RECTL copy{120, 0, 203, 5};
            POINTL from{5, -1};
            ASSERT_TRUE(EngCopyBits(target.so, source.so, nullptr, nullptr, &copy, &from));

            auto inside = [](const RECTL& r, LONG x, LONG y) {
                return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            };
            int wrong = 0;
            for (LONG y = 0; y < kHeight; ++y) {
                for (LONG x = 0; x < kWidth; ++x) {
                    ULONG expected = noise(x, y);
                    if (inside(fill, x, y) && (inside(region[0], x, y) || inside(region[1], x, y))) expected = color;
                    const LONG sx = from.x + x - copy.left, sy = from.y + y - copy.top;
                    if (inside(copy, x, y) && sx >= 0 && sx < 60 && sy >= 0 && sy < 3) expected = noise(sy, sx + 7);
                    const ULONG actual = engine::GetPixel(target.so, x, y);
                    if (actual != expected && ++wrong <= 3)
                        ADD_FAILURE() << "(" << x << "," << y << ") is " << actual << ", not " << expected;
                }
            }
            EXPECT_EQ(wrong, 0);
        }
    }
}

// The engine draws a hatch itself: its line in the translation's second
// colour on the first, from the brush origin.
TEST(EngineBlit, BitBltDrawsHatchesInTheirTwoColours)
{
    struct Case {
        ULONG style;
        POINTL origin;
        std::vector<POINTL> lines;  // pixels of the line in the first 8 x 8 cell
    } cases[] = {
        {HS_HORIZONTAL, {0, 0}, {{0, 4}, {7, 4}}},
        {HS_CROSS, {0, 0}, {{4, 0}, {0, 4}, {4, 7}}},
        {HS_DIAGCROSS, {0, 0}, {{0, 0}, {7, 0}, {3, 3}, {3, 4}}},
        {HS_VERTICAL, {2, 0}, {{6, 0}, {6, 7}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        Bitmap target(16, 8, BMF_24BPP);
        engine::Xlate colours = engine::Xlate::Table({0xFFFFFF, 0x0000A0});
        engine::Brush hatch = engine::Brush::Hatch(target.so, c.style, colours.get());
        RECTL all{0, 0, 16, 8};
        POINTL origin = c.origin;
        ASSERT_TRUE(EngBitBlt(target.so, nullptr, nullptr, nullptr, nullptr, &all, nullptr, nullptr, hatch.get(),
                              &origin, 0xF0F0));
        int inked = 0;
        for (LONG y = 0; y < 8; ++y)
            for (LONG x = 0; x < 8; ++x) inked += engine::GetPixel(target.so, x, y) == 0x0000A0u ? 1 : 0;
        EXPECT_GT(inked, 0);
        EXPECT_LT(inked, 64);  // the rest is the background colour
        for (const POINTL& p : c.lines) {
            EXPECT_EQ(engine::GetPixel(target.so, p.x, p.y), 0x0000A0u) << p.x << "," << p.y;
            EXPECT_EQ(engine::GetPixel(target.so, p.x + 8, p.y), 0x0000A0u) << "the next cell repeats it";
        }
        EXPECT_EQ(engine::GetPixel(target.so, 2, 1), 0xFFFFFFu);
    }
}

TEST(EngineBlit, StretchScalesAndMirrors)
{
    Bitmap source(4, 1, BMF_24BPP);
    for (LONG x = 0; x < 4; ++x) engine::SetPixel(source.so, x, 0, ULONG(x + 1));
    RECTL from{0, 0, 4, 1};
    struct Case {
        RECTL to;
        std::vector<ULONG> row;
    };
    const Case cases[] = {
        {{0, 0, 4, 1}, {1, 2, 3, 4}},
        {{4, 0, 0, 1}, {4, 3, 2, 1}},  // right of left: mirrored
        {{0, 0, 8, 1}, {1, 1, 2, 2, 3, 3, 4, 4}},
        {{8, 0, 0, 1}, {4, 4, 3, 3, 2, 2, 1, 1}},
        {{0, 0, 2, 1}, {2, 4}},  // each target pixel takes the source pixel under its centre
    };
    for (const Case& c : cases) {
        Bitmap target(8, 1, BMF_24BPP);
        RECTL to = c.to;
        ASSERT_TRUE(EngStretchBlt(target.so, source.so, nullptr, nullptr, nullptr, nullptr, nullptr, &to, &from,
                                  nullptr, COLORONCOLOR));
        for (std::size_t x = 0; x < c.row.size(); ++x)
            EXPECT_EQ(engine::GetPixel(target.so, LONG(x), 0), c.row[x]) << "to right " << c.to.right << " x " << x;
    }

    // HALFTONE to one bit: white stays white, black stays black.
    Bitmap white(4, 4, BMF_24BPP);
    RECTL square{0, 0, 4, 4};
    EngEraseSurface(white.so, &square, 0xFFFFFF);
    Bitmap mono(4, 4, BMF_1BPP);
    ASSERT_TRUE(EngStretchBlt(mono.so, white.so, nullptr, nullptr, nullptr, nullptr, nullptr, &square, &square, nullptr,
                              HALFTONE));
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 4; ++x) EXPECT_EQ(engine::GetPixel(mono.so, x, y), 1u);
}

// ---- Devices, brushes and device surfaces ----------------------------------------------------------

int g_realizeCalls = 0;
bool g_realizeRefuses = false;
ULONG g_realizedHatch = 0;
std::vector<ULONG> g_copiedRow;

BOOL TestRealizeBrush(BRUSHOBJ* pbo, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG iHatch)
{
    ++g_realizeCalls;
    g_realizedHatch = iHatch;
    if (g_realizeRefuses) return FALSE;
    auto* memory = static_cast<ULONG*>(BRUSHOBJ_pvAllocRbrush(pbo, 16));
    if (!memory) return FALSE;
    memory[0] = 0xB5B5;
    return TRUE;
}

BOOL TestCopyBits(SURFOBJ*, SURFOBJ* psoSrc, CLIPOBJ*, XLATEOBJ*, RECTL* prclDest, POINTL*)
{
    g_copiedRow.clear();
    for (LONG x = 0; x < prclDest->right - prclDest->left; ++x) g_copiedRow.push_back(engine::GetPixel(psoSrc, x, 0));
    return TRUE;
}

struct TestDevice {
    DRVFN hooks[2] = {{INDEX_DrvRealizeBrush, AsPfn(&TestRealizeBrush)}, {INDEX_DrvCopyBits, AsPfn(&TestCopyBits)}};
    DRVENABLEDATA driver{DDI_DRIVER_VERSION_NT4, 2, hooks};
    HDEV hdev = engine::CreateDevice(driver);
    DHPDEV pdev = reinterpret_cast<DHPDEV>(this);
    HSURF surface = nullptr;
    SURFOBJ* so = nullptr;

    explicit TestDevice(FLONG surfaceHooks)
    {
        engine::SetDevicePdev(hdev, pdev);
        surface = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(pdev), SIZEL{100, 100}, BMF_24BPP);
        EngAssociateSurface(surface, hdev, surfaceHooks);
        so = EngLockSurface(surface);
    }
    ~TestDevice()
    {
        EngDeleteSurface(surface);
        engine::DeleteDevice(hdev);
    }
};

TEST(EngineBrush, TheDriverRealisesAPatternBrushOnceAndTheEngineKeepsIt)
{
    TestDevice device(HOOK_BITBLT);
    ASSERT_NE(device.so, nullptr);
    EXPECT_EQ(device.so->dhpdev, device.pdev);
    EXPECT_EQ(device.so->iType, STYPE_DEVICE);

    g_realizeCalls = 0;
    engine::Brush hatch = engine::Brush::Hatch(device.so, HS_CROSS, nullptr);
    void* first = BRUSHOBJ_pvGetRbrush(hatch.get());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(*static_cast<ULONG*>(first), 0xB5B5u);
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(hatch.get()), first);
    EXPECT_EQ(g_realizeCalls, 1);
    EXPECT_EQ(hatch.RealizeCalls(), 1);
    EXPECT_EQ(g_realizedHatch, HS_CROSS);

    // A refusal is not kept: the next request asks the driver again.
    g_realizeRefuses = true;
    engine::Brush refused = engine::Brush::Hatch(device.so, HS_VERTICAL, nullptr);
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(refused.get()), nullptr);
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(refused.get()), nullptr);
    EXPECT_EQ(refused.RealizeCalls(), 2);
    g_realizeRefuses = false;

    // A realisation larger than any pattern is refused rather than attempted.
    EXPECT_EQ(BRUSHOBJ_pvAllocRbrush(hatch.get(), 0xFFFFFFFF), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);

    // A solid brush needs no realisation.
    engine::Brush solid = engine::Brush::Solid(0x123456);
    EXPECT_EQ(BRUSHOBJ_pvGetRbrush(solid.get()), nullptr);
    EXPECT_EQ(BRUSHOBJ_ulGetBrushColor(solid.get()), 0x123456u);
}

TEST(EngineBlit, StretchToADeviceSurfaceGoesToTheDriversCopyBits)
{
    Bitmap source(2, 1, BMF_24BPP);
    engine::SetPixel(source.so, 0, 0, 0x111111);
    engine::SetPixel(source.so, 1, 0, 0x222222);
    RECTL from{0, 0, 2, 1};
    RECTL to{14, 0, 10, 1};  // mirrored, four wide
    {
        TestDevice device(HOOK_COPYBITS);
        ASSERT_TRUE(EngStretchBlt(device.so, source.so, nullptr, nullptr, nullptr, nullptr, nullptr, &to, &from,
                                  nullptr, COLORONCOLOR));
        EXPECT_EQ(g_copiedRow, (std::vector<ULONG>{0x222222, 0x222222, 0x111111, 0x111111}));
    }
    TestDevice unhooked(HOOK_BITBLT);
    EXPECT_FALSE(EngStretchBlt(unhooked.so, source.so, nullptr, nullptr, nullptr, nullptr, nullptr, &to, &from, nullptr,
                               COLORONCOLOR));
}

TEST(EngineCounters, SurfacesPalettesAndDevicesAreCountedAndFailuresInjected)
{
    const engine::Census start = engine::Live();
    ULONG colors[2] = {0x000000, 0xFFFFFF};
    HPALETTE indexed = EngCreatePalette(PAL_INDEXED, 2, colors, 0, 0, 0);
    HPALETTE bgr = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
    HBITMAP bitmap = EngCreateBitmap(SIZEL{4, 4}, 0, BMF_1BPP, 0, nullptr);
    ASSERT_TRUE(indexed && bgr && bitmap);
    EXPECT_EQ(engine::Live().palettes, start.palettes + 2);
    EXPECT_EQ(engine::Live().surfaces, start.surfaces + 1);
    EXPECT_EQ(engine::DescribePalette(indexed)->colors, (std::vector<ULONG>{0, 0xFFFFFF}));
    EXPECT_EQ(engine::DeviceColor(indexed, 0x00F0F0F0), 1u);
    EXPECT_EQ(engine::DeviceColor(bgr, 0x00332211), 0x112233u);  // 0x00BBGGRR becomes 0x00RRGGBB

    EXPECT_TRUE(EngDeletePalette(indexed));
    EXPECT_FALSE(EngDeletePalette(indexed));
    EXPECT_TRUE(EngDeletePalette(bgr));
    EXPECT_TRUE(EngDeleteSurface(bitmap));
    EXPECT_EQ(engine::Live().palettes, start.palettes);
    EXPECT_EQ(engine::Live().surfaces, start.surfaces);

    engine::FailCall(engine::Service::CreatePalette, 2);
    HPALETTE first = EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(EngCreatePalette(PAL_BGR, 0, nullptr, 0, 0, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EngDeletePalette(first);
    engine::FailCall(engine::Service::AssociateSurface, 1);
    DRVENABLEDATA none{DDI_DRIVER_VERSION_NT4, 0, nullptr};
    HDEV hdev = engine::CreateDevice(none);
    HSURF surface = EngCreateDeviceSurface(nullptr, SIZEL{10, 10}, BMF_24BPP);
    EXPECT_FALSE(EngAssociateSurface(surface, hdev, HOOK_BITBLT));
    EXPECT_TRUE(EngAssociateSurface(surface, hdev, HOOK_BITBLT));
    EngDeleteSurface(surface);
    engine::DeleteDevice(hdev);
    EXPECT_EQ(engine::Live().devices, start.devices);
}

// ---- Fonts, strings, resources and the rest -----------------------------------------------------------

TEST(EngineFont, GlyphsComeAsBitmapsOrOutlinesAndStringsInBatches)
{
    engine::Font font(u"Test", engine::SyntheticGlyphs(), XFORML{0.5f, 0, 0, 0.5f, 0, 0}, 9);
    const IFIMETRICS* ifi = FONTOBJ_pifi(font.get());
    ASSERT_NE(ifi, nullptr);
    EXPECT_EQ(ifi->fwdUnitsPerEm, 2048);
    const BYTE* face = reinterpret_cast<const BYTE*>(ifi) + ifi->dpwszFaceName;
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(face)), u"Test");
    XFORML matrix{};
    EXPECT_EQ(XFORMOBJ_iGetXform(FONTOBJ_pxoGetXform(font.get()), &matrix), GX_SCALE);
    EXPECT_EQ(matrix.eM11, 0.5f);

    HGLYPH large = 4;
    void* glyph = nullptr;
    ASSERT_EQ(FONTOBJ_cGetGlyphs(font.get(), FO_GLYPHBITS, 1, &large, &glyph), 1u);
    const GLYPHBITS* bits = static_cast<GLYPHDATA*>(glyph)->gdf.pgb;
    EXPECT_EQ(bits->sizlBitmap.cx, 800);
    EXPECT_GT(std::size_t(bits->sizlBitmap.cy) * 100, 65535u);
    HGLYPH block = 1;
    ASSERT_EQ(FONTOBJ_cGetGlyphs(font.get(), FO_PATHOBJ, 1, &block, &glyph), 1u);
    EXPECT_EQ(static_cast<GLYPHDATA*>(glyph)->gdf.ppo->cCurves, 3u);
    font.RefuseGlyph(block);
    EXPECT_EQ(FONTOBJ_cGetGlyphs(font.get(), FO_GLYPHBITS, 1, &block, &glyph), 0u);

    engine::String string = engine::LayOutString(font, u"ABCDE", {5, 6, 7, 8, 9}, POINTL{100, 200}, 2);
    EXPECT_EQ(string.get()->pgp, nullptr);  // the driver enumerates
    EXPECT_EQ(string.get()->cGlyphs, 5u);
    STROBJ_vEnumStart(string.get());
    std::vector<ULONG> batches;
    ULONG count = 0;
    GLYPHPOS* positions = nullptr;
    BOOL more = TRUE;
    while (more) {
        more = STROBJ_bEnum(string.get(), &count, &positions);
        batches.push_back(count);
    }
    EXPECT_EQ(batches, (std::vector<ULONG>{2, 2, 1}));
    EXPECT_EQ(positions[0].ptl.x, 100 + 4 * 9);
}

TEST(EngineFont, TextIsDrawnIntoABitmapInTheForegroundColour)
{
    engine::Font font(u"Test", engine::SyntheticGlyphs(), XFORML{1, 0, 0, 1, 0, 0}, 1);
    engine::String string = engine::LayOutString(font, u"#", {1}, POINTL{2, 12});
    Bitmap band(16, 16, BMF_24BPP);
    engine::Brush blue = engine::Brush::Solid(0x0000FF);
    ASSERT_TRUE(
        EngTextOut(band.so, string.get(), font.get(), nullptr, nullptr, nullptr, blue.get(), nullptr, nullptr, 0x0D0D));
    EXPECT_EQ(engine::GetPixel(band.so, 2, 0), 0x0000FFu);   // the block's top-left
    EXPECT_EQ(engine::GetPixel(band.so, 9, 11), 0x0000FFu);  // and bottom-right
    EXPECT_EQ(engine::GetPixel(band.so, 10, 11), 0u);
    EXPECT_EQ(engine::GetPixel(band.so, 2, 12), 0u);
}

class EngineServices : public MachineTest {};

TEST_F(EngineServices, ResourcesCodePagesTimeAndMulDiv)
{
    HANDLE module = reinterpret_cast<HANDLE>(0x77);
    engine::AddResource(module, 258, 3, "blob");
    ULONG size = 0;
    const void* found = EngFindResource(module, 3, 258, &size);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(std::string(static_cast<const char*>(found), size), "blob");
    EXPECT_EQ(EngFindResource(module, 4, 258, &size), nullptr);
    EXPECT_EQ(size, 0u);

    USHORT oem = 0, ansi = 0;
    EngGetCurrentCodePage(&oem, &ansi);
    EXPECT_EQ(ansi, 1252);
    char bytes[8]{};
    ULONG written = 0;
    char16_t text[] = u"R\u00e9port";
    EngUnicodeToMultiByteN(bytes, 3, &written, text, 12);
    EXPECT_EQ(written, 3u);
    EXPECT_EQ(std::string(bytes, 3), "R\xe9p");

    machine::Profile profile = machine::LoadProfile();
    profile.fixedLocalTime = "2007-01-31 09:05:03.000";
    machine::SaveProfile(profile);
    ENG_TIME_FIELDS time{};
    EngQueryLocalTime(&time);
    EXPECT_EQ(time.usYear, 2007);
    EXPECT_EQ(time.usMonth, 1);
    EXPECT_EQ(time.usDay, 31);
    EXPECT_EQ(time.usHour, 9);
    EXPECT_EQ(time.usSecond, 3);

    struct Case {
        int a, b, c, expected;
    };
    for (const Case& c : {Case{10, 3, 4, 8}, Case{-10, 3, 4, -8}, Case{10, -3, -4, 8}, Case{7, 1, 2, 4},
                          Case{1 << 30, 4, 8, 1 << 29}, Case{1, 1, 0, -1}, Case{1 << 30, 1 << 30, 1, -1}})
        EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
}

}  // namespace
}  // namespace vexl::test
