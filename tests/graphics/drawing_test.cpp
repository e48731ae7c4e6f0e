// The drawing hooks in vector mode, checked through the job the spool
// library writes and the independent decoder: raster operations, brushes,
// line attributes, clips, copied images and the colour transforms.
#include "graphics/color_transform.h"
#include "graphics/drawing.h"
#include "graphics/document.h"
#include "graphics/records.h"
#include "platform/engine.h"
#include "platform/modules.h"
#include "print_job.h"
#include "vexl_dump.h"

#include "graphics/graphics_fixture.h"

#include <algorithm>
#include <sstream>
#include <string>

namespace vexl::test {
namespace {

constexpr DWORD kJobId = 5;

// The display-list lines of each page of the decoded job.
using PageLines = std::vector<std::vector<std::string>>;

class DrawingTest : public GraphicsPrinterTest {
protected:
    void SetUp() override
    {
        GraphicsPrinterTest::SetUp();
        machine::InstallFile(VEXL_TZ16C123_FILE, std::u16string(kDriverFolder) + u"\\TZ16C123.DLL");
        machine::InstallFile(VEXL_MSCMS_FILE, u"C:\\WINDOWS\\system32\\mscms.dll");
    }

    // A vector-mode Pdev with a document and its first page started.
    SURFOBJ* Start()
    {
        pdev_ = Enable();
        if (!pdev_) return nullptr;
        pdev_->rasterMode = 0;
        pdev_->resolution = 600;
        so_ = EnableSurface(pdev_);
        if (!so_) return nullptr;
        std::u16string name = u"Drawing";
        if (!DrvStartDoc(so_, name.data(), kJobId) || !DrvStartPage(so_)) return nullptr;
        return so_;
    }

    void NextPage()
    {
        ASSERT_TRUE(DrvSendPage(so_));
        ASSERT_TRUE(DrvStartPage(so_));
    }

    // Ends the page and the document and decodes the job.
    PageLines Finish()
    {
        EXPECT_TRUE(DrvSendPage(so_));
        EXPECT_TRUE(DrvEndDoc(so_, 0));
        const std::vector<std::uint8_t> bytes = ReadHostFileBytes(machine_.host(u"C:\\standin\\spool\\job-5.bin"));
        const dump::DecodeResult result = dump::DecodeJobStream(bytes);
        EXPECT_TRUE(result.ok()) << (result.violation ? dump::FormatViolation(*result.violation) : "") << "\n"
                                 << result.listing;
        listing_ = result.listing;
        return SplitListingPages(result.listing);
    }

    Pdev* pdev_ = nullptr;
    SURFOBJ* so_ = nullptr;
    std::string listing_;
};

BRUSHOBJ SolidBrush(ULONG color)
{
    return BRUSHOBJ{color, nullptr, 0};
}

TEST_F(DrawingTest, ABitBltFillSendsTheRopAndColourOfItsRop4)
{
    struct Case {
        ROP4 rop4;
        const char* rop;
        const char* more;  // a further text the page must hold
    };
    const Case cases[] = {
        {0x0000, "rop3=FF", "fg=000000"},    // BLACKNESS
        {0xFFFF, "rop3=00", "fg=FFFFFF"},    // WHITENESS
        {0xF0F0, "rop3=CC", "fg=FF0000"},    // PATCOPY in the brush colour
        {0x5A5A, "rop3=66", "opaque"},       // PATINVERT
        {0xAAF0, "rop3=CC", "transparent"},  // background kept
    };
    ASSERT_NE(Start(), nullptr);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        if (i) NextPage();
        RECTL rect{10, 20, 110, 220};
        BRUSHOBJ brush = SolidBrush(0xFF0000);
        POINTL origin{0, 0};
        EXPECT_TRUE(DrvBitBlt(so_, nullptr, nullptr, nullptr, nullptr, &rect, nullptr, nullptr, &brush, &origin,
                              cases[i].rop4));
    }
    const PageLines pages = Finish();
    ASSERT_EQ(pages.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].rop);
        EXPECT_EQ(CountLinesWith(pages[i], cases[i].rop), 1);
        EXPECT_EQ(CountLinesWith(pages[i], cases[i].more), 1) << listing_;
        EXPECT_EQ(CountLinesWith(pages[i], "fill=(10,20,110,220)"), 1);
    }
}

TEST_F(DrawingTest, TheRopTablesMapPatternRopsToDeviceRops)
{
    EXPECT_EQ(Rop3ToRop2(0xF0), 13);
    EXPECT_EQ(Rop3ToRop2(0x5A), 7);
    EXPECT_EQ(Rop3ToRop2(0xAA), R2_NOP);
    EXPECT_EQ(Rop3ToRop2(0xCC), 0);
    const BYTE expected[18] = {0xCC, 0xFF, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                               0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x00, 0xCC};
    for (BYTE rop2 = 0; rop2 < 18; ++rop2) EXPECT_EQ(Rop2ToRop3(rop2), expected[rop2]) << int(rop2);
}

// ---- Brushes ----

class BrushTest : public DrawingTest {
protected:
    // The realisation of the brush, as the engine keeps it.
    static const RealizedBrush* Realized(engine::Brush& brush)
    {
        return static_cast<const RealizedBrush*>(BRUSHOBJ_pvGetRbrush(brush.get()));
    }
    static bool Bit(const RealizedBrush* brush, int x, int y)
    {
        return (brush->bits[y * 4 + x / 8] >> (7 - x % 8)) & 1;
    }
    static DWORD Color(const RealizedBrush* brush, int x, int y)
    {
        const BYTE* p = brush->bits + y * 96 + x * 3;
        return p[0] | (DWORD{p[1]} << 8) | (DWORD{p[2]} << 16);
    }

    struct Bitmap {
        HBITMAP bitmap = nullptr;
        SURFOBJ* so = nullptr;
        Bitmap(LONG cx, LONG cy, ULONG format, FLONG flags)
        {
            bitmap = EngCreateBitmap(SIZEL{cx, cy}, 0, format, flags, nullptr);
            so = bitmap ? EngLockSurface(reinterpret_cast<HSURF>(bitmap)) : nullptr;
        }
        ~Bitmap()
        {
            if (so) EngUnlockSurface(so);
            if (bitmap) EngDeleteSurface(reinterpret_cast<HSURF>(bitmap));
        }
    };
};

TEST_F(BrushTest, AHatchBecomesBlocksOfFourPixelsInTheTranslatedColours)
{
    ASSERT_NE(Start(), nullptr);
    engine::Xlate colors = engine::Xlate::Table({0xFFFFFF, 0x123456});
    engine::Brush cross = engine::Brush::Hatch(so_, HS_CROSS, colors.get());
    const RealizedBrush* r = Realized(cross);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, 2);
    EXPECT_EQ(r->bitsPerPixel, 1);
    EXPECT_EQ(r->side, 32);
    EXPECT_EQ(r->color1, 0x123456u);
    EXPECT_EQ(r->color2, 0xFFFFFFu);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool line = (y >= 16 && y < 20) || (x >= 16 && x < 20);
            ASSERT_EQ(Bit(r, x, y), line) << x << "," << y;
        }
    }
    engine::Brush unknown = engine::Brush::Hatch(so_, 6, colors.get());
    EXPECT_EQ(Realized(unknown), nullptr);
    Finish();
}

TEST_F(BrushTest, PatternsBecomeOneBitOrColourPatternsOfThirtyTwoPixels)
{
    ASSERT_NE(Start(), nullptr);
    // An 8 x 8 one-bit pattern: pixels doubled, the bits inverted.
    Bitmap mono(8, 8, BMF_1BPP, BMF_TOPDOWN);
    ASSERT_NE(mono.so, nullptr);
    engine::SetPixel(mono.so, 1, 0, 1);
    engine::Xlate monoColors = engine::Xlate::Table({0x00AA00, 0xFFFFFF});
    engine::Brush monoBrush = engine::Brush::Pattern(so_, mono.so, monoColors.get());
    const RealizedBrush* r = Realized(monoBrush);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, 2);
    EXPECT_EQ(r->color1, 0x00AA00u);
    EXPECT_TRUE(Bit(r, 0, 0));
    EXPECT_FALSE(Bit(r, 2, 0));
    EXPECT_FALSE(Bit(r, 3, 1));
    EXPECT_TRUE(Bit(r, 4, 0));
    EXPECT_FALSE(Bit(r, 18, 17));  // the 16 x 16 doubling repeats

    // Two colours in 24 bits: one bit a pixel, the first pixel's colour as colour 1.
    Bitmap two(8, 8, BMF_24BPP, BMF_TOPDOWN);
    for (LONG y = 0; y < 8; ++y)
        for (LONG x = 0; x < 8; ++x) engine::SetPixel(two.so, x, y, (x + y) % 2 ? 0x0000FF : 0xFF0000);
    engine::Brush twoBrush = engine::Brush::Pattern(so_, two.so, nullptr);
    r = Realized(twoBrush);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, 2);
    EXPECT_EQ(r->color1, 0xFF0000u);
    EXPECT_EQ(r->color2, 0x0000FFu);

    // 5-5-5 pixels: 31 becomes 255, not 247.
    Bitmap high(8, 8, BMF_16BPP, BMF_TOPDOWN);
    engine::SetPixel(high.so, 0, 0, 0x7FFF);
    engine::SetPixel(high.so, 1, 0, 0x0010);
    engine::Brush highBrush = engine::Brush::Pattern(so_, high.so, nullptr);
    r = Realized(highBrush);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, 3);
    EXPECT_EQ(r->bitsPerPixel, 24);
    EXPECT_EQ(Color(r, 0, 0), 0xFFFFFFu);
    EXPECT_EQ(Color(r, 1, 0), 0x000084u);
    EXPECT_EQ(Color(r, 8, 8), 0xFFFFFFu);  // repeated four times each way

    // A bottom-up pattern still gives its top row first.
    Bitmap bottomUp(8, 8, BMF_24BPP, 0);
    for (LONG x = 0; x < 8; ++x) {
        engine::SetPixel(bottomUp.so, x, 0, 0x112233);
        engine::SetPixel(bottomUp.so, x, 1, 0x445566);
        engine::SetPixel(bottomUp.so, x, 7, 0x778899);
    }
    engine::Brush bottomBrush = engine::Brush::Pattern(so_, bottomUp.so, nullptr);
    r = Realized(bottomBrush);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, 3);
    EXPECT_EQ(Color(r, 0, 0), 0x112233u);
    EXPECT_EQ(Color(r, 0, 7), 0x778899u);

    // An 8-bit pattern of another size is resampled to a tile and repeated.
    Bitmap odd(3, 3, BMF_8BPP, BMF_TOPDOWN);
    engine::SetPixel(odd.so, 0, 0, 1);
    engine::Xlate palette = engine::Xlate::Table({0x000000, 0x00FF00});
    engine::Brush oddBrush = engine::Brush::Pattern(so_, odd.so, palette.get());
    r = Realized(oddBrush);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, 3);
    EXPECT_EQ(Color(r, 0, 0), 0x00FF00u);
    EXPECT_EQ(Color(r, 8, 8), 0x00FF00u);  // a tile of 8
    EXPECT_EQ(Color(r, 4, 4), 0x000000u);
    Finish();
}

TEST_F(BrushTest, PatternFillsSendTheirPatternsAndTwentyFourBitsFillOpaque)
{
    ASSERT_NE(Start(), nullptr);
    Bitmap checker(8, 8, BMF_24BPP, BMF_TOPDOWN);
    for (LONG y = 0; y < 8; ++y)
        for (LONG x = 0; x < 8; ++x) engine::SetPixel(checker.so, x, y, 0x010101 * ((x * 7 + y * 13) % 200));
    engine::Brush colour = engine::Brush::Pattern(so_, checker.so, nullptr);
    engine::Path path;
    path.MoveToPixel(10, 10).LineToPixel(200, 10).LineToPixel(200, 200).Close();
    POINTL origin{300, -5};
    const MIX transparent = (R2_NOP << 8) | R2_COPYPEN;
    EXPECT_TRUE(DrvFillPath(so_, path.get(), nullptr, colour.get(), &origin, transparent, FP_WINDINGMODE));
    const auto* realized = static_cast<const RealizedBrush*>(colour.get()->pvRbrush);
    ASSERT_NE(realized, nullptr);
    EXPECT_EQ(realized->originX, 300 % 256);
    EXPECT_EQ(realized->originY, 251);

    engine::Xlate colors = engine::Xlate::Table({0xFFFFFF, 0});
    engine::Brush hatch = engine::Brush::Hatch(so_, HS_FDIAGONAL, colors.get());
    RECTL rect{0, 0, 64, 64};
    EXPECT_TRUE(
        DrvBitBlt(so_, nullptr, nullptr, nullptr, nullptr, &rect, nullptr, nullptr, hatch.get(), &origin, 0xF0F0));
    const std::vector<std::string> page = Finish().at(0);
    EXPECT_EQ(CountLinesWith(page, "pattern 24-bit side=32"), 1);
    EXPECT_EQ(CountLinesWith(page, "opaque"), 1);
    EXPECT_EQ(CountLinesWith(page, "mode=fill-winding"), 1);
    EXPECT_EQ(CountLinesWith(page, "pattern 1-bit side=32"), 1);
    // The printer fills the 24-bit pattern opaque; its colour state is the
    // transparent one of its MIX, without a background colour.
    const auto fillColour = std::find_if(
        page.begin(), page.end(), [](const std::string& line) { return line.find(" colour ") != std::string::npos; });
    ASSERT_NE(fillColour, page.end()) << listing_;
    EXPECT_EQ(fillColour->find("bg="), std::string::npos) << *fillColour;
}

// ---- Line attributes ----

struct DashCase {
    const char* name;
    FLONG fl;
    std::vector<float> style;  // geometric entries, or cosmetic integers
    float width;
    float scale;  // 0: identity transform
    BOOL result;
    WORD unit;
    DWORD mask;
    WORD phase;
};

TEST_F(DrawingTest, BuildLineStateTurnsStylesIntoDashMasks)
{
    const DashCase cases[] = {
        {"cosmetic 3-1", LA_STYLED, {3, 1}, 0, 0, TRUE, 1, 0xFFFFFF00, 0},
        {"cosmetic start gap", LA_STYLED | LA_STARTGAP, {1, 3, 1}, 0, 0, TRUE, 1, 0xFFFFFF00, 8},
        {"geometric scaled", LA_GEOMETRIC, {4, 4}, 0.5f, 2.0f, TRUE, 1, 0xFF00FF00, 0},
        {"cosmetic too many entries", LA_STYLED, std::vector<float>(40, 1), 0, 0, TRUE, 1, 0xFFFFFFFF, 0},
        {"geometric too many entries", LA_GEOMETRIC, std::vector<float>(40, 12), 1, 0, FALSE, 0, 0, 0},
        {"geometric wide and styled", LA_GEOMETRIC, {4, 4}, 3, 0, FALSE, 0, 0, 0},
        {"one entry is solid", LA_STYLED, {5}, 0, 0, TRUE, 1, 0xFFFFFFFF, 0},
        {"zero scale", LA_GEOMETRIC, {}, 2, 1e-9f, FALSE, 0, 0, 0},
    };
    ASSERT_NE(Start(), nullptr);
    for (const DashCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<FLOAT_LONG> style;
        for (float v : c.style) {
            FLOAT_LONG entry{};
            if (c.fl & LA_GEOMETRIC)
                entry.e = v;
            else
                entry.l = static_cast<LONG>(v);
            style.push_back(entry);
        }
        LINEATTRS line{};
        line.fl = c.fl;
        line.eMiterLimit = 4.0f;
        if (c.fl & LA_GEOMETRIC)
            line.elWidth.e = c.width;
        else
            line.elWidth.l = 1;
        line.cstyle = static_cast<ULONG>(style.size());
        line.pstyle = style.empty() ? nullptr : style.data();
        engine::Xform xform =
            c.scale == 0 ? engine::Xform::Identity() : engine::Xform::Matrix(XFORML{c.scale, 0, 0, c.scale, 0, 0});
        LineState state{};
        BOOL geometric = FALSE;
        const BOOL result = BuildLineState(pdev_, &line, 0x123456, xform.get(), &state, &geometric);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(geometric, (c.fl & LA_GEOMETRIC) ? TRUE : FALSE);
        if (!result) continue;
        EXPECT_EQ(state.width, 1);
        EXPECT_EQ(state.dashUnit, c.unit);
        EXPECT_EQ(state.dashMask, c.mask);
        EXPECT_EQ(state.phase, c.phase);
        EXPECT_EQ(state.color, 0x123456u);
    }
    Finish();
}

TEST_F(DrawingTest, GeometricWidthsJoinsCapsAndMiterLimits)
{
    ASSERT_NE(Start(), nullptr);
    LINEATTRS line{};
    line.fl = LA_GEOMETRIC;
    line.elWidth.e = 6.7f;
    line.iJoin = JOIN_MITER;
    line.iEndCap = ENDCAP_BUTT;
    line.eMiterLimit = 50000.0f;
    engine::Xform half = engine::Xform::Matrix(XFORML{0.5f, 0, 0, -0.5f, 0, 0});
    LineState state{};
    BOOL geometric = FALSE;
    ASSERT_TRUE(BuildLineState(pdev_, &line, 0, half.get(), &state, &geometric));
    EXPECT_EQ(state.width, 3);
    EXPECT_EQ(state.join, 2);
    EXPECT_EQ(state.cap, 1);
    EXPECT_EQ(state.miterLimit, 32767u * 256);
    // An integer width in the float field is read as the integer.
    line.elWidth.l = 4;
    ASSERT_TRUE(BuildLineState(pdev_, &line, 0, nullptr, &state, &geometric));
    EXPECT_EQ(state.width, 4);
    // A cosmetic line: width 1, round, default limit.
    LINEATTRS cosmetic{};
    cosmetic.iJoin = JOIN_MITER;
    ASSERT_TRUE(BuildLineState(pdev_, &cosmetic, 0, nullptr, &state, &geometric));
    EXPECT_EQ(state.width, 1);
    EXPECT_EQ(state.join, 0);
    EXPECT_EQ(state.miterLimit, 2560u);
    Finish();
}

// ---- Clips ----

TEST_F(DrawingTest, TheClipCacheSendsAClipOnlyWhenItChanges)
{
    ASSERT_NE(Start(), nullptr);
    engine::Clip rect = engine::Clip::Rect(RECTL{0, 0, 500, 500}, 3);
    engine::Clip same = engine::Clip::Rect(RECTL{0, 0, 500, 500}, 4);
    engine::Clip trivial = engine::Clip::Trivial(RECTL{0, 0, 4000, 6000});
    engine::Clip region = engine::Clip::Complex({RECTL{0, 0, 100, 100}, RECTL{200, 0, 300, 100}}, 9);
    engine::Clip uncached = engine::Clip::Complex({RECTL{0, 0, 100, 100}, RECTL{200, 0, 300, 100}}, 0);
    const engine::Census before = engine::Live();
    for (CLIPOBJ* clip :
         {rect.get(), same.get(), trivial.get(), trivial.get(), region.get(), region.get(), uncached.get()}) {
        EXPECT_EQ(SelectClip(pdev_, clip), 1);
    }
    EXPECT_EQ(engine::Live().enginePaths, before.enginePaths);
    NextPage();
    // The printer still holds the last page's clip path: the first trivial
    // clip resets it, the second sends nothing.
    EXPECT_EQ(SelectClip(pdev_, trivial.get()), 1);
    EXPECT_EQ(SelectClip(pdev_, trivial.get()), 1);
    EXPECT_EQ(SelectClip(pdev_, rect.get()), 1);
    engine::FailCall(engine::Service::ClipPath, 1);
    EXPECT_EQ(SelectClip(pdev_, region.get()), -1);
    engine::ClearFailures();
    const PageLines pages = Finish();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(CountLinesWith(pages[0], "clip=(0,0,500,500)"), 1);
    EXPECT_EQ(CountLinesWith(pages[0], "clip-reset"), 1);
    EXPECT_EQ(CountLinesWith(pages[0], "mode=clip"), 2);
    EXPECT_EQ(CountLinesWith(pages[1], "clip-reset"), 1);
    EXPECT_EQ(CountLinesWith(pages[1], "clip=(0,0,500,500)"), 1);
    ASSERT_FALSE(pages[1].empty());
    EXPECT_NE(pages[1].front().find("clip-reset"), std::string::npos) << listing_;
}

TEST_F(DrawingTest, APageAfterAClippedPageResetsThePrintersClip)
{
    ASSERT_NE(Start(), nullptr);
    engine::Clip rect = engine::Clip::Rect(RECTL{0, 0, 500, 500}, 3);
    engine::Clip trivial = engine::Clip::Trivial(RECTL{0, 0, 4000, 6000});
    RECTL box{10, 20, 110, 220};
    BRUSHOBJ brush = SolidBrush(0);
    POINTL origin{0, 0};
    EXPECT_TRUE(DrvBitBlt(so_, nullptr, nullptr, rect.get(), nullptr, &box, nullptr, nullptr, &brush, &origin, 0xF0F0));
    NextPage();
    EXPECT_TRUE(
        DrvBitBlt(so_, nullptr, nullptr, trivial.get(), nullptr, &box, nullptr, nullptr, &brush, &origin, 0xF0F0));
    NextPage();
    // An unclipped page after an unclipped page sends no reset.
    EXPECT_TRUE(
        DrvBitBlt(so_, nullptr, nullptr, trivial.get(), nullptr, &box, nullptr, nullptr, &brush, &origin, 0xF0F0));
    const PageLines pages = Finish();
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(CountLinesWith(pages[0], "clip-reset"), 0);
    EXPECT_EQ(CountLinesWith(pages[1], "clip-reset"), 1) << listing_;
    EXPECT_EQ(CountLinesWith(pages[2], "clip-reset"), 0);
}

// ---- Path hooks ----

TEST_F(DrawingTest, PathHooksSendLineStateColourAndThePath)
{
    ASSERT_NE(Start(), nullptr);
    engine::Path path;
    path.MoveToPixel(10, 10).LineToPixel(400, 10).LineToPixel(400, 300).Close();
    engine::Xform identity = engine::Xform::Identity();
    BRUSHOBJ pen = SolidBrush(0x0000FF);
    BRUSHOBJ fill = SolidBrush(0x00FF00);
    LINEATTRS line{};
    line.fl = LA_GEOMETRIC;
    line.elWidth.e = 5.0f;
    line.iJoin = JOIN_BEVEL;
    const MIX copy = (R2_COPYPEN << 8) | R2_COPYPEN;
    EXPECT_TRUE(DrvStrokePath(so_, path.get(), nullptr, identity.get(), &pen, nullptr, &line, copy));
    EXPECT_TRUE(DrvStrokeAndFillPath(so_, path.get(), nullptr, identity.get(), &pen, &line, &fill, nullptr, copy,
                                     FP_WINDINGMODE));
    BRUSHOBJ patternPen{0xFFFFFFFF, nullptr, 0};
    EXPECT_FALSE(DrvStrokePath(so_, path.get(), nullptr, identity.get(), &patternPen, nullptr, &line, copy));
    // A styled geometric line wider than a pixel is left to the engine.
    FLOAT_LONG style[2];
    style[0].e = 4;
    style[1].e = 2;
    line.cstyle = 2;
    line.pstyle = style;
    EXPECT_FALSE(DrvStrokePath(so_, path.get(), nullptr, identity.get(), &pen, nullptr, &line, copy));
    const std::vector<std::string> page = Finish().at(0);
    EXPECT_EQ(CountLinesWith(page, "width=5"), 1);
    EXPECT_EQ(CountLinesWith(page, "join=bevel"), 1);
    EXPECT_EQ(CountLinesWith(page, "mode=stroke "), 1);
    EXPECT_EQ(CountLinesWith(page, "mode=stroke-fill-winding"), 1);
    EXPECT_EQ(CountLinesWith(page, "pen=0000FF"), 1) << listing_;
}

TEST_F(DrawingTest, HooksDrawNothingOnRequestAndFailAfterAnOutputFailure)
{
    ASSERT_NE(Start(), nullptr);
    engine::Path path;
    path.MoveToPixel(0, 0).LineToPixel(10, 10);
    BRUSHOBJ brush = SolidBrush(0);
    RECTL rect{0, 0, 10, 10};
    LINEATTRS line{};
    auto calls = [&] {
        return std::vector<BOOL>{
            DrvBitBlt(so_, nullptr, nullptr, nullptr, nullptr, &rect, nullptr, nullptr, &brush, nullptr, 0xF0F0),
            DrvStrokePath(so_, path.get(), nullptr, nullptr, &brush, nullptr, &line, 0x0D0D),
            DrvFillPath(so_, path.get(), nullptr, &brush, nullptr, 0x0D0D, 0),
        };
    };
    pdev_->hiddenFunc18 = 1;
    EXPECT_EQ(calls(), (std::vector<BOOL>{TRUE, TRUE, TRUE}));
    pdev_->hiddenFunc18 = 0;
    const std::vector<std::string> page = Finish().at(0);
    EXPECT_TRUE(page.empty()) << listing_;
    pdev_->flags |= kPdevOutputFailed;
    EXPECT_EQ(calls(), (std::vector<BOOL>{FALSE, FALSE, FALSE}));
    EXPECT_EQ(DrvDitherColor(reinterpret_cast<DHPDEV>(pdev_), 0, 0x123456, nullptr), DCR_HALFTONE);
}

// ---- Images ----

TEST_F(DrawingTest, CopyBitsSendsSourceAndWhereAlphaIsNotOpaque)
{
    ASSERT_NE(Start(), nullptr);
    HBITMAP bitmap = EngCreateBitmap(SIZEL{4, 4}, 0, BMF_32BPP, BMF_TOPDOWN, nullptr);
    SURFOBJ* source = EngLockSurface(reinterpret_cast<HSURF>(bitmap));
    ASSERT_NE(source, nullptr);
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 4; ++x) engine::SetPixel(source, x, y, 0xFF000000);
    RECTL rect{0, 0, 4, 4};
    POINTL from{0, 0};
    EXPECT_TRUE(DrvCopyBits(so_, source, nullptr, nullptr, &rect, &from));
    NextPage();
    engine::SetPixel(source, 3, 3, 0x80000000);
    EXPECT_TRUE(DrvCopyBits(so_, source, nullptr, nullptr, &rect, &from));
    EngUnlockSurface(source);
    EngDeleteSurface(reinterpret_cast<HSURF>(bitmap));
    const PageLines pages = Finish();
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(CountLinesWith(pages[0], "rop3=CC"), 1);
    EXPECT_EQ(CountLinesWith(pages[1], "rop3=88"), 1);
    for (const auto& page : pages) EXPECT_EQ(CountLinesWith(page, " image "), 1) << listing_;
}

// ---- A vector page through the engine host ----

TEST_F(DrawingTest, AVectorPageOfPatternsAndClippedPathsPrintsThroughTheBuiltLibrary)
{
    machine::InstallFile(VEXL_TZ16E100_FILE, std::u16string(kDriverFolder) + u"\\TZ16E100.DLL");
    host::JobOptions options;
    options.driverPath = std::u16string(kDriverFolder) + u"\\TZ16E100.DLL";
    options.printerName = kPrinterName;
    options.jobId = 8;
    using host::Rgb;
    host::PageBuilder page;
    page.Rectangle(RECTL{100, 100, 900, 400}, Rgb(200, 0, 0))
        .PatternRectangle(RECTL{1000, 100, 1800, 400}, Rgb(0, 0, 160), host::HatchBrush(HS_CROSS))
        .PatternRectangle(RECTL{1900, 100, 2700, 400}, 0, host::CheckerBrush({}))
        .PatternRectangle(RECTL{2800, 100, 3600, 400}, 0,
                          host::CheckerBrush({Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)}))
        .Line(POINTL{100, 500}, POINTL{3600, 500}, Rgb(0, 0, 0))
        .ClipToRegion({RECTL{100, 600, 1000, 1400}, RECTL{1200, 600, 2100, 1400}}, 12)
        .PatternFillPath(host::RectanglePath(RECTL{100, 600, 2100, 1400}), Rgb(0, 120, 0),
                         host::HatchBrush(HS_DIAGCROSS))
        .StrokePath(host::BezierWave(POINTL{100, 1000}, 200, 300, 10), Rgb(0, 0, 0), 3)
        .ClipTo(RECTL{2200, 600, 3000, 1400}, 13)
        .StrokeAndFillPath(host::RectanglePath(RECTL{2100, 500, 3100, 1500}), Rgb(0, 0, 0), Rgb(255, 255, 0), 5)
        .NoClip()
        .FillPath(host::RectanglePath(RECTL{100, 1600, 900, 1900}), Rgb(0, 0, 255), FP_WINDINGMODE);
    const host::JobReport report = host::PrintJob(options, {page.Build()});
    ASSERT_TRUE(report.completed) << report.failure;
    EXPECT_FALSE(report.rasterMode);
    for (const host::HookCall& call : report.calls) {
        if (call.page == 0) continue;
        EXPECT_FALSE(call.punted || call.error || call.unhooked) << call.hook << " " << call.what;
    }
    const std::vector<std::uint8_t> bytes = ReadHostFileBytes(machine_.host(u"C:\\standin\\spool\\job-8.bin"));
    const dump::DecodeResult result = dump::DecodeJobStream(bytes);
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation) << "\n" << result.listing;
    std::vector<std::string> lines;
    std::istringstream listing(result.listing);
    for (std::string line; std::getline(listing, line);) lines.push_back(line);
    EXPECT_EQ(CountLinesWith(lines, "pattern 1-bit side=32"), 3) << result.listing;
    EXPECT_EQ(CountLinesWith(lines, "pattern 24-bit side=32"), 1);
    EXPECT_EQ(CountLinesWith(lines, "mode=clip"), 1);  // the region once for its two calls
    EXPECT_EQ(CountLinesWith(lines, "clip=(2200,600,3000,1400)"), 1);
    EXPECT_EQ(CountLinesWith(lines, "clip-reset"), 1);
    EXPECT_EQ(CountLinesWith(lines, "fill=("), 4);
    EXPECT_EQ(CountLinesWith(lines, "mode=stroke-fill-alternate"), 1);
    EXPECT_EQ(CountLinesWith(lines, "mode=fill-winding"), 1);
}

// ---- Colour transforms ----

class ColorTransformTest : public DrawingTest {
protected:
    long Count(const char* name)
    {
        HMODULE library = LoadLibraryW(u"mscms.dll");
        if (!library) return -1;
        auto count = reinterpret_cast<long (*)()>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
        const long value = count ? count() : -1;
        FreeLibrary(library);
        return value;
    }
    long Profiles() { return Count("StandinOpenProfiles"); }
    long Transforms() { return Count("StandinLiveTransforms"); }

    HANDLE Create(Pdev* pdev)
    {
        return DrvIcmCreateColorTransform(reinterpret_cast<DHPDEV>(pdev), &space_, nullptr, 0, profile_,
                                          sizeof profile_, nullptr, 0, 0);
    }

    LOGCOLORSPACEW space_{};
    BYTE profile_[128] = {1, 2, 3};
};

TEST_F(ColorTransformTest, EachTransformIsDeletedWithItsOwnProfile)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    const auto dh = reinterpret_cast<DHPDEV>(pdev);
    HANDLE first = Create(pdev);
    HANDLE second = Create(pdev);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(Transforms(), 2);
    EXPECT_EQ(Profiles(), 2);
    EXPECT_TRUE(DrvIcmDeleteColorTransform(dh, first));
    EXPECT_EQ(Transforms(), 1);
    EXPECT_EQ(Profiles(), 1);
    EXPECT_TRUE(DrvIcmDeleteColorTransform(dh, first));  // already gone: nothing more
    EXPECT_EQ(Transforms(), 1);
    EXPECT_TRUE(DrvIcmDeleteColorTransform(dh, second));
    EXPECT_EQ(Transforms(), 0);
    EXPECT_EQ(Profiles(), 0);

    // A transform the library refuses leaves no profile open.
    machine::WriteFile(u"C:\\standin\\mscms.ini", "[Library]\r\nCreateError=2013\r\n");
    EXPECT_EQ(Create(pdev), nullptr);
    EXPECT_EQ(Profiles(), 0);
    machine::WriteFile(u"C:\\standin\\mscms.ini", "");
    EXPECT_EQ(DrvIcmCreateColorTransform(dh, &space_, nullptr, 0, nullptr, 0, nullptr, 0, 0), nullptr);
}

TEST_F(ColorTransformTest, AResetCarriesTheTransformsAndDisablingReleasesThem)
{
    Pdev* from = Enable();
    Pdev* to = Enable();
    ASSERT_NE(from, nullptr);
    ASSERT_NE(to, nullptr);
    HANDLE transform = Create(from);
    ASSERT_NE(transform, nullptr);
    CarryColorTransforms(to, from);
    Disable(from);
    EXPECT_EQ(Transforms(), 1);
    EXPECT_TRUE(DrvIcmDeleteColorTransform(reinterpret_cast<DHPDEV>(to), transform));
    EXPECT_EQ(Transforms(), 0);
    ASSERT_NE(Create(to), nullptr);
    Disable(to);
    EXPECT_EQ(Transforms(), 0);
    EXPECT_EQ(Profiles(), 0);
}

}  // namespace
}  // namespace vexl::test
