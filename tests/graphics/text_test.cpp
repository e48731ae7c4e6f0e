// Text in vector and raster mode: the device fonts and their queries, text
// in a device font, as outline characters and as downloaded glyphs with the
// page's glyph cache, every page checked by the job stream's decoder.
#include "common/core/item_ids.h"
#include "graphics/device_code.h"
#include "graphics/device_font_data.h"
#include "graphics/document.h"
#include "graphics/downloaded_fonts.h"
#include "graphics/glyph_cache.h"
#include "graphics/text.h"
#include "vexl_dump.h"

#include "graphics/graphics_fixture.h"

#include <fstream>
#include <sstream>
#include <string>

namespace vexl::test {
namespace {

constexpr XFORML kUpright{0.02f, 0.0f, 0.0f, 0.02f, 0.0f, 0.0f};
constexpr XFORML kQuarterTurn{0.0f, -0.02f, 0.02f, 0.0f, 0.0f, 0.0f};
constexpr MIX kCopyPen = 0x0D0D;

std::vector<HGLYPH> Letters(std::size_t count)
{
    std::vector<HGLYPH> glyphs;
    for (std::size_t i = 0; i < count; ++i) glyphs.push_back(static_cast<HGLYPH>(5 + i % 5));
    return glyphs;
}

class TextTest : public GraphicsPrinterTest {
protected:
    void SetUp() override
    {
        GraphicsPrinterTest::SetUp();
        for (const DeviceFontResource& resource : BuildDeviceFontResources())
            engine::AddResource(FakeLibraryModule(), resource.type, resource.id, resource.bytes);
        machine::InstallFile(VEXL_TZ16C123_FILE, std::u16string(kDriverFolder) + u"\\TZ16C123.DLL");
    }
    void TearDown() override
    {
        engine::ClearResources();
        GraphicsPrinterTest::TearDown();
    }

    // A vector Pdev in an open page of job `jobId`.
    SURFOBJ* StartPage(Pdev** out, DWORD jobId, DWORD textAsBitmap)
    {
        Pdev* pdev = Enable();
        EXPECT_NE(pdev, nullptr);
        if (!pdev) return nullptr;
        *out = pdev;
        SURFOBJ* so = EnableSurface(pdev);
        EXPECT_NE(so, nullptr);
        EXPECT_EQ(pdev->rasterMode, 0);
        if (!so || !DrvStartDoc(so, const_cast<LPWSTR>(u"Text"), jobId) || !DrvStartPage(so)) return nullptr;
        pdev->textAsBitmap = textAsBitmap;
        return so;
    }

    dump::DecodeResult EndJob(SURFOBJ* so, DWORD jobId)
    {
        EXPECT_TRUE(DrvSendPage(so));
        EXPECT_TRUE(DrvEndDoc(so, 0));
        std::ifstream in(machine_.host(u"C:\\standin\\spool\\job-" + std::u16string(1, u'0' + jobId) + u".bin"),
                         std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        return dump::DecodeJobStream(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    }

    static BOOL Draw(SURFOBJ* so, engine::Font& font, engine::String& string, RECTL* extra = nullptr,
                     MIX mix = kCopyPen)
    {
        engine::Brush black = engine::Brush::Solid(0);
        engine::Clip clip = engine::Clip::Trivial(RECTL{0, 0, 4960, 7016});
        return DrvTextOut(so, string.get(), font.get(), clip.get(), extra, nullptr, black.get(), nullptr, nullptr, mix);
    }

    // The display-list lines of each page of a decoded job.
    static std::vector<std::vector<std::string>> Pages(const dump::DecodeResult& result)
    {
        return SplitListingPages(result.listing);
    }

    static std::uint64_t Records(const dump::DecodeResult& result, std::uint8_t type)
    {
        const auto found = result.summary.records.find(type);
        return found == result.summary.records.end() ? 0 : found->second;
    }
};

TEST(IntegerHypot, IsTheSmallestRootNotBelowTheSquareSum)
{
    struct Case {
        LONG a, b, r;
    };
    const Case cases[] = {{0, 0, 0}, {0, -7, 7},     {5, 0, 5},          {3, 4, 5},
                          {1, 1, 2}, {-409, 0, 409}, {4096, 4096, 5793}, {0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF}};
    for (const Case& c : cases) EXPECT_EQ(IntegerHypot(c.a, c.b), c.r) << c.a << "," << c.b;
}

TEST_F(TextTest, ToDeviceCodeTakesTheDevicesBytesThenTheAnsiPage)
{
    struct Case {
        std::u16string_view text;
        std::string_view bytes;
    };
    const Case cases[] = {
        {u"Az", "Az"}, {u"\u00E9", "\xE9"}, {u"\u2122", "\x99"}, {u"\u0152", "\x8C"}, {u"\u201A", "\x82"},
    };
    for (const Case& c : cases) {
        char out[8] = {};
        const std::size_t n = ToDeviceCode(out, sizeof out, c.text.data(), c.text.size() * 2, kDeviceCodeMode);
        EXPECT_EQ(std::string(out, n), c.bytes);
    }
    machine::Profile profile = machine::LoadProfile();
    profile.ansiCodePage = 932;
    machine::SaveProfile(profile);
    machine::AdvanceTickCount(1000);
    ASSERT_EQ(GetACP(), 932u);
    char out[8] = {};
    const std::u16string mincho = u"\u660E";
    EXPECT_EQ(std::string(out, ToDeviceCode(out, sizeof out, mincho.data(), 2, kDeviceCodeMode)), "\x96\xBE");
    // A double-byte character that does not fit whole is left out.
    EXPECT_EQ(ToDeviceCode(out, 1, mincho.data(), 2, kDeviceCodeMode), 0u);
}

// The package's printer as a driver of type 0, which offers device fonts.
class DeviceFontPrinterTest : public TextTest {
protected:
    void SetUp() override
    {
        TextTest::SetUp();
        std::ifstream in(kPackageFolder / "TZ16E1MD.VXD", std::ios::binary);
        std::string description{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        const std::string line = "*DefaultKSD_rdmDriverType: RDMDRIVERTYPE_EXP";
        const std::size_t at = description.find(line);
        ASSERT_NE(at, std::string::npos);
        description.replace(at, line.size(), "*DefaultKSD_rdmDriverType: RDMDRIVERTYPE_DOM");
        machine::WriteFile(kDescriptionFile, description);
    }
};

TEST_F(TextTest, ADriverOfTypeOneOffersNoDeviceFonts)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    ASSERT_EQ(GetItemValue(pdev->context, rdmDriverType), 1u);
    EXPECT_EQ(pdev->deviceFontCount, 0);
    EXPECT_EQ(pdev->deviceFonts, nullptr);
    EXPECT_EQ(dev_.cFonts, 0u);
    ULONG_PTR id = 99;
    EXPECT_EQ(DrvQueryFont(reinterpret_cast<DHPDEV>(pdev), 0, 1, &id), nullptr);
}

TEST_F(DeviceFontPrinterTest, TheFourDeviceFontsAnswerTheQueries)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    ASSERT_EQ(GetItemValue(pdev->context, rdmDriverType), 0u);
    ASSERT_NE(pdev, nullptr);
    ASSERT_EQ(pdev->deviceFontCount, 4);
    EXPECT_EQ(dev_.cFonts, 4u);
    auto dh = reinterpret_cast<DHPDEV>(pdev);
    ULONG_PTR id = 99;
    for (ULONG index : {0u, 5u}) {
        SetLastError(0);
        EXPECT_EQ(DrvQueryFont(dh, 0, index, &id), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(id, 0u);
    }
    IFIMETRICS* first = DrvQueryFont(dh, 0, 1, &id);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->jWinCharSet, 128);
    EXPECT_EQ(std::u16string(reinterpret_cast<const WCHAR*>(reinterpret_cast<BYTE*>(first) + first->dpwszFaceName)),
              u"明朝");
    EXPECT_EQ(pdev->deviceFonts->fonts[0].symbolSet, 0);
    EXPECT_EQ(pdev->deviceFonts->fonts[1].symbolSet, 1);
    EXPECT_EQ(pdev->deviceFonts->fonts[2].symbolSet, 2);
    EXPECT_EQ(pdev->deviceFonts->fonts[3].symbolSet, 2);  // a text of no compared row

    for (ULONG index = 1; index <= 4; ++index) {
        const auto* pairs = static_cast<const FD_KERNINGPAIR*>(DrvQueryFontTree(dh, 0, index, QFT_KERNPAIRS, &id));
        ASSERT_NE(pairs, nullptr);
        EXPECT_EQ(pairs->wcFirst | pairs->wcSecond | pairs->fwdKern, 0);
    }
    EXPECT_EQ(DrvQueryFontTree(dh, 0, 1, 7, &id), nullptr);
    // Fonts 1 and 2 share the Japanese glyph set; its runs point at their handles.
    auto* set = static_cast<FD_GLYPHSET*>(DrvQueryFontTree(dh, 0, 1, QFT_GLYPHSET, &id));
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(DrvQueryFontTree(dh, 0, 2, QFT_GLYPHSET, &id), set);
    ASSERT_EQ(set->cRuns, 2u);
    EXPECT_EQ(set->awcrun[0].phg[0], 0x20u);
    EXPECT_EQ(set->awcrun[1].wcLow, 0x3000);
    EXPECT_EQ(set->awcrun[1].phg[0], 0x8640u);
    EXPECT_EQ(set->awcrun[1].phg[3], 0x889Fu);
    auto* latin = static_cast<FD_GLYPHSET*>(DrvQueryFontTree(dh, 0, 3, QFT_GLYPHSET, &id));
    ASSERT_NE(latin, nullptr);
    EXPECT_EQ(latin->cRuns, 1u);
    EXPECT_EQ(latin->awcrun[0].cGlyphs, 0x5F);
}

TEST_F(DeviceFontPrinterTest, MissingFontResourcesLeaveNoDeviceFonts)
{
    engine::ClearResources();
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    EXPECT_EQ(pdev->deviceFontCount, 0);
    EXPECT_EQ(dev_.cFonts, 0u);
    EXPECT_EQ(DrvQueryFont(reinterpret_cast<DHPDEV>(pdev), 0, 1, nullptr), nullptr);
}

TEST_F(DeviceFontPrinterTest, FontDataAndAdvanceWidthsFollowTheFontTransform)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    auto dh = reinterpret_cast<DHPDEV>(pdev);
    // Device font 3 at 0.05 pixels per unit: 50 pixels per em.
    engine::Font font(u"Line Printer", {}, XFORML{0.05f, 0, 0, 0.05f, 0, 0}, 11);
    font.get()->iFace = 3;

    HGLYPH glyphs[3] = {0x41, 0x8640, 0x889F};
    USHORT widths[3] = {};
    ASSERT_TRUE(DrvQueryAdvanceWidths(dh, font.get(), QAW_GETWIDTHS, glyphs, widths, 3));
    // s = 204 (0.05 x 4096); ((500 x 204) >> 12) + 8 = 32 -> 32; ((1000 x 204) >> 12) + 8 = 57 -> 48.
    EXPECT_EQ(widths[0], 32);
    EXPECT_EQ(widths[1], 32);
    EXPECT_EQ(widths[2], 48);
    EXPECT_TRUE(DrvQueryAdvanceWidths(dh, font.get(), QAW_GETWIDTHS, glyphs, widths, 0));
    EXPECT_FALSE(DrvQueryAdvanceWidths(dh, font.get(), 2, glyphs, widths, 3));

    GLYPHDATA data{};
    EXPECT_EQ(DrvQueryFontData(dh, font.get(), QFD_GLYPHANDBITMAP, 0x41, nullptr, nullptr, 0), 0);
    ASSERT_EQ(DrvQueryFontData(dh, font.get(), QFD_GLYPHANDBITMAP, 0x41, &data, nullptr, 0), 0);
    EXPECT_EQ(data.hg, 0x41u);
    EXPECT_EQ(data.fxD, 32);
    EXPECT_EQ(data.fxAB, 32);
    EXPECT_EQ(data.fxInkTop, 48);      // 42 rounded
    EXPECT_EQ(data.fxInkBottom, -16);  // -12 rounded

    // The device metrics: their size without a buffer, refused in a short one.
    EXPECT_EQ(DrvQueryFontData(dh, font.get(), QFD_MAXEXTENTS, 0, nullptr, nullptr, 0), 124);
    FD_DEVICEMETRICS metrics{};
    SetLastError(0);
    EXPECT_EQ(DrvQueryFontData(dh, font.get(), QFD_MAXEXTENTS, 0, nullptr, &metrics, 100), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    ASSERT_EQ(DrvQueryFontData(dh, font.get(), QFD_MAXEXTENTS, 0, nullptr, &metrics, sizeof metrics), 124);
    EXPECT_FLOAT_EQ(metrics.pteBase.x, 1.0f);
    EXPECT_FLOAT_EQ(metrics.pteSide.y, -1.0f);
    EXPECT_EQ(metrics.cxMax, 50u);
    EXPECT_EQ(metrics.lD, 50);
    EXPECT_EQ(metrics.fxMaxAscender, 48);  // 42
    EXPECT_EQ(metrics.fxMaxDescender, 0);  // 250 less the box's 100 beyond the em: 7
    EXPECT_EQ(metrics.ptlUnderline1.y, 5);
    EXPECT_EQ(metrics.ptlULThickness.y, 2);

    SetLastError(0);
    font.get()->iFace = 5;
    EXPECT_EQ(DrvQueryFontData(dh, font.get(), QFD_MAXEXTENTS, 0, nullptr, &metrics, sizeof metrics), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(DrvGetGlyphMode(dh, font.get()), FO_GLYPHBITS);
}

TEST_F(TextTest, DeviceFontTextTakesItsRecordByPlacement)
{
    Pdev* pdev = nullptr;
    SURFOBJ* so = StartPage(&pdev, 1, 0);
    ASSERT_NE(so, nullptr);
    engine::Font font(u"Test", engine::SyntheticGlyphs(), kUpright, 7);
    engine::Font rotated(u"Test", engine::SyntheticGlyphs(), kQuarterTurn, 8);

    // Positions along the line: one string record with an advance per character.
    engine::String hello = engine::LayOutString(font, u"Hello", Letters(5), POINTL{300, 400});
    ASSERT_TRUE(Draw(so, font, hello));
    // The same font again sends no selection; enumerated positions serve as well.
    engine::String again = engine::LayOutString(font, u"abc", Letters(3), POINTL{300, 500}, 2);
    RECTL underline[2] = {RECTL{300, 505, 400, 508}, RECTL{0, 0, 0, 0}};
    ASSERT_TRUE(Draw(so, font, again, underline));
    // Default placement: one advance for all.
    engine::String fixed(u"xyz", {{5, nullptr, {300, 600}}, {6, nullptr, {330, 600}}, {7, nullptr, {360, 600}}},
                         RECTL{300, 580, 390, 610}, SO_FLAG_DEFAULT_PLACEMENT | SO_HORIZONTAL, 30, true, 0);
    ASSERT_TRUE(Draw(so, font, fixed));
    // Advances beyond the record's 16 bits go character by character.
    engine::String far(u"ab", {{5, nullptr, {100, 700}}, {6, nullptr, {40100, 700}}}, RECTL{100, 680, 40200, 710},
                       SO_HORIZONTAL, 0, true, 0);
    ASSERT_TRUE(Draw(so, font, far));
    // A quarter turn: a new selection, then character by character.
    engine::String turned = engine::LayOutString(rotated, u"Up", Letters(2), POINTL{800, 800});
    ASSERT_TRUE(Draw(so, rotated, turned));
    EXPECT_EQ(pdev->states.font.fontId, 8);

    const dump::DecodeResult result = EndJob(so, 1);
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation) << "\n" << result.listing;
    EXPECT_EQ(Records(result, kRecordDeviceFont), 2u);
    EXPECT_EQ(Records(result, kRecordDeviceString), 3u);
    EXPECT_EQ(Records(result, kRecordDeviceChar), 4u);
    EXPECT_EQ(Records(result, kRecordRectangle), 1u);  // the underline
    EXPECT_EQ(Records(result, kRecordDownloadFont), 0u);
}

TEST_F(TextTest, TextTakesTheRopAndBackgroundModeOfItsMix)
{
    struct Case {
        MIX mix;
        const char* rop;
        const char* mode;
        bool background;  // the colour record carries the background colour
    };
    const Case cases[] = {
        {0x0D0D, "rop3=CC", "opaque", true},        // R2_COPYPEN over R2_COPYPEN
        {0x0B0D, "rop3=CC", "transparent", false},  // background R2_NOP
        {0x0B07, "rop3=66", "transparent", false},  // R2_XORPEN
        {0x0D01, "rop3=FF", "opaque", true},        // R2_BLACK
        {0x0D10, "rop3=00", "opaque", true},        // R2_WHITE
    };
    Pdev* pdev = nullptr;
    SURFOBJ* so = StartPage(&pdev, 7, 0);
    ASSERT_NE(so, nullptr);
    engine::Font font(u"Test", engine::SyntheticGlyphs(), kUpright, 71);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        if (i) {
            ASSERT_TRUE(DrvSendPage(so));
            ASSERT_TRUE(DrvStartPage(so));
        }
        engine::String line = engine::LayOutString(font, u"ab", Letters(2), POINTL{300, 400});
        ASSERT_TRUE(Draw(so, font, line, nullptr, cases[i].mix));
    }
    const dump::DecodeResult result = EndJob(so, 7);
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation) << "\n" << result.listing;
    const auto pages = Pages(result);
    ASSERT_EQ(pages.size(), std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].rop + std::string(" ") + cases[i].mode);
        EXPECT_EQ(CountLinesWith(pages[i], cases[i].rop), 1) << result.listing;
        EXPECT_EQ(CountLinesWith(pages[i], std::string(" ") + cases[i].mode), 1) << result.listing;
        EXPECT_EQ(CountLinesWith(pages[i], "bg="), cases[i].background ? 1 : 0) << result.listing;
    }
}

TEST_F(TextTest, TextAndPatternFillsShareTheRopOfTheirPage)
{
    Pdev* pdev = nullptr;
    SURFOBJ* so = StartPage(&pdev, 8, 0);
    ASSERT_NE(so, nullptr);
    engine::Font font(u"Test", engine::SyntheticGlyphs(), kUpright, 81);
    engine::Brush black = engine::Brush::Solid(0);
    POINTL origin{0, 0};
    for (int i = 0; i < 3; ++i) {
        engine::String line = engine::LayOutString(font, u"ab", Letters(2), POINTL{300, 400 + 100 * i});
        ASSERT_TRUE(Draw(so, font, line));
        RECTL box{300, 450 + 100 * i, 600, 460 + 100 * i};
        ASSERT_TRUE(DrvBitBlt(so, nullptr, nullptr, nullptr, nullptr, &box, nullptr, nullptr, black.get(), &origin,
                              0xF0F0));  // PATCOPY
    }
    const dump::DecodeResult result = EndJob(so, 8);
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation) << "\n" << result.listing;
    EXPECT_EQ(Records(result, kRecordRop), 1u) << result.listing;
}

TEST_F(TextTest, TextLandsOnItsBaselineInEveryForm)
{
    // A 41-pixel font: ascender 1638 and descender 410 of a 2048 em give 33
    // and 8 pixels, so the engine's background box of a line on baseline 400
    // runs from 367 to 408.
    constexpr LONG kBaseline = 400, kTop = 367, kBottom = 408;
    Pdev* pdev = nullptr;
    SURFOBJ* so = StartPage(&pdev, 9, 0);
    ASSERT_NE(so, nullptr);
    engine::Font font(u"Test", engine::SyntheticGlyphs(), kUpright, 91);
    engine::Font turned(u"Test", engine::SyntheticGlyphs(), kQuarterTurn, 92);
    engine::Font eudc(u"EUDC", engine::SyntheticGlyphs(), kUpright, 93);
    auto line = [](std::vector<POINTL> at, RECTL box) {
        std::vector<GLYPHPOS> glyphs;
        for (const POINTL& p : at) glyphs.push_back(GLYPHPOS{5, nullptr, p});
        return engine::String(std::u16string(at.size(), u'a'), glyphs, box, SO_HORIZONTAL, 0, true, 0);
    };
    // A device-font string, the same string character by character (its
    // advance does not fit a string record), and a quarter turn whose box
    // starts the ascender left of the glyph positions.
    engine::String near = line({{300, kBaseline}, {330, kBaseline}}, RECTL{300, kTop, 360, kBottom});
    engine::String far = line({{300, kBaseline}, {40300, kBaseline}}, RECTL{300, kTop, 40341, kBottom});
    engine::String up = line({{800, 2000}, {800, 1970}}, RECTL{767, 1930, 808, 2000});
    ASSERT_TRUE(Draw(so, font, near));
    ASSERT_TRUE(Draw(so, font, far));
    ASSERT_TRUE(Draw(so, turned, up));
    // Downloaded glyphs drawn one by one carry the top of their cell.
    pdev->textAsBitmap = 1;
    engine::String glyphs =
        line({{300, 1000 + kBaseline}, {330, 1000 + kBaseline}}, RECTL{300, 1000 + kTop, 360, 1000 + kBottom});
    ASSERT_TRUE(Draw(so, eudc, glyphs));
    engine::String rotated = line({{1800, 2000}, {1800, 1970}}, RECTL{1767, 1930, 1808, 2000});
    ASSERT_TRUE(Draw(so, turned, rotated));

    const dump::DecodeResult result = EndJob(so, 9);
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation) << "\n" << result.listing;
    const auto pages = Pages(result);
    ASSERT_EQ(pages.size(), 1u);
    const std::vector<std::string>& page = pages[0];
    // The em sizes and the leading of the selection are pixels too.
    EXPECT_EQ(CountLinesWith(page, "em=41x41 leading=0"), 4) << result.listing;
    const char* const expected[] = {
        "box=(300,367,360,408) at=(300,367) advances=30,0",
        "box=(300,367,341,408) at=(300,367) code",
        "box=(40300,367,40341,408) at=(40300,367) code",
        "box=(767,2000,808,2041) at=(767,2000) code",
        "box=(767,1970,808,2011) at=(767,1970) code",
        "cell=(300,1367)",
        "cell=(330,1367)",
        "cell=(1767,2000)",
        "cell=(1767,1970)",
    };
    for (const char* text : expected) EXPECT_EQ(CountLinesWith(page, text), 1) << text << "\n" << result.listing;
}

TEST_F(TextTest, AStringLongerThanARecordCountsGoesCharacterByCharacter)
{
    struct Case {
        ULONG count;
        FLONG placement;
        ULONG charInc;
        std::uint64_t strings, characters;
    };
    const Case cases[] = {
        {65535, SO_HORIZONTAL, 0, 1, 0},
        {65536, SO_HORIZONTAL, 0, 0, 65536},
        {70000, SO_HORIZONTAL | SO_FLAG_DEFAULT_PLACEMENT, 1, 0, 70000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        const DWORD job = 1;
        Pdev* pdev = nullptr;
        SURFOBJ* so = StartPage(&pdev, job, 0);
        ASSERT_NE(so, nullptr);
        engine::Font font(u"Test", engine::SyntheticGlyphs(), kUpright, 101);
        std::vector<GLYPHPOS> positions;
        for (ULONG i = 0; i < c.count; ++i) positions.push_back(GLYPHPOS{5, nullptr, POINTL{LONG(i % 4000), 400}});
        engine::String text(std::u16string(c.count, u'a'), positions, RECTL{0, 367, 4000, 408}, c.placement, c.charInc,
                            true, 0);
        ASSERT_TRUE(Draw(so, font, text));
        const dump::DecodeResult result = EndJob(so, job);
        ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation);
        EXPECT_EQ(Records(result, kRecordDeviceString), c.strings);
        EXPECT_EQ(Records(result, kRecordDeviceChar), c.characters);
        Disable(pdev);
    }
}

TEST_F(TextTest, APrivateCharacterSelectsTheFontAgainUnderItsOwnName)
{
    Pdev* pdev = nullptr;
    SURFOBJ* so = StartPage(&pdev, 2, 0);
    ASSERT_NE(so, nullptr);
    pdev->frontFunction = 1;
    engine::Font font(u"Test", engine::SyntheticGlyphs(), kUpright, 0x2A);
    for (int i = 0; i < 2; ++i) {
        engine::String privateUse = engine::LayOutString(font, u"a\uE001", Letters(2), POINTL{300, 400 + 100 * i});
        ASSERT_TRUE(Draw(so, font, privateUse));
        EXPECT_FALSE(pdev->states.font.valid);
    }
    const dump::DecodeResult result = EndJob(so, 2);
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation) << "\n" << result.listing;
    // Kind 4 draws outline characters; each string selects "Test_2a" again.
    EXPECT_EQ(Records(result, kRecordDeviceFont), 2u);
    EXPECT_EQ(Records(result, kRecordDeviceChar), 4u);
    EXPECT_NE(result.listing.find("Test_2a"), std::string::npos) << result.listing;
}

TEST_F(TextTest, LongDoubleByteNamesKeepRoomForTheSuffix)
{
    machine::Profile profile = machine::LoadProfile();
    profile.ansiCodePage = 932;
    machine::SaveProfile(profile);
    machine::AdvanceTickCount(1000);
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    pdev->frontFunction = 1;
    // 100 characters of two bytes each, and a private-use character.
    engine::Font font(std::u16string(100, u'明'), engine::SyntheticGlyphs(), kUpright, 0xFFFFFFFF);
    engine::String text = engine::LayOutString(font, u"\uE000", Letters(1), POINTL{300, 400});
    TextMetrics sizes{};
    sizes.xform = FLOATOBJ_XFORM{0.02f, 0, 0, 0.02f, 0, 0};
    FontSelection selection;
    pdev->flags |= kPdevPageOpen;
    ASSERT_TRUE(SelectDeviceFont(pdev, text.get(), font.get(), *font.metrics(), sizes, &selection));
    const std::string face(selection.faceName, strnlen(selection.faceName, kFontNameBytes));
    ASSERT_LT(face.size(), kFontNameBytes);
    EXPECT_EQ(face.substr(face.size() - 9), "_ffffffff");
    EXPECT_EQ((face.size() - 9) % 2, 0u);  // whole characters only
    EXPECT_EQ(face.size() - 9, 118u);
}

TEST_F(TextTest, DownloadedGlyphsAreSentOncePerPage)
{
    Pdev* pdev = nullptr;
    SURFOBJ* so = StartPage(&pdev, 3, 1);
    ASSERT_NE(so, nullptr);
    engine::Font font(u"Test", engine::SyntheticGlyphs(), kUpright, 21);
    // The space, the solid block, the checkerboard, the sparse glyph and the
    // 800 x 800 one, and two letters.
    const std::vector<HGLYPH> glyphs = {0, 1, 2, 3, 4, 5, 6};
    for (int i = 0; i < 2; ++i) {
        engine::String line = engine::LayOutString(font, u" #%.Xab", glyphs, POINTL{300, 1000 + 900 * i});
        ASSERT_TRUE(Draw(so, font, line));
    }
    EXPECT_TRUE(DrvSendPage(so));
    ASSERT_TRUE(DrvStartPage(so));
    engine::String next = engine::LayOutString(font, u"ab", {5, 6}, POINTL{300, 400});
    ASSERT_TRUE(Draw(so, font, next));

    const dump::DecodeResult result = EndJob(so, 3);
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation) << "\n" << result.listing;
    EXPECT_EQ(Records(result, kRecordDownloadFont), 2u);     // once per page
    EXPECT_EQ(Records(result, kRecordGlyphDefinition), 9u);  // 7, then 2 on the next page
    EXPECT_EQ(Records(result, kRecordGlyphRun), 3u);
    EXPECT_EQ(Records(result, kRecordGlyphKept) + Records(result, kRecordGlyphOnce), 0u);
}

TEST_F(TextTest, RotatedAndSpecialFontsSendGlyphsOneByOne)
{
    Pdev* pdev = nullptr;
    SURFOBJ* so = StartPage(&pdev, 4, 1);
    ASSERT_NE(so, nullptr);
    engine::Font turned(u"Test", engine::SyntheticGlyphs(), kQuarterTurn, 31);
    for (int i = 0; i < 2; ++i) {
        engine::String line = engine::LayOutString(turned, u"abc", {5, 6, 7}, POINTL{300 + 200 * i, 2000});
        ASSERT_TRUE(Draw(so, turned, line));
    }
    engine::Font eudc(u"EUDC", engine::SyntheticGlyphs(), kUpright, 32);
    for (int i = 0; i < 2; ++i) {
        engine::String line = engine::LayOutString(eudc, u"ab", {5, 6}, POINTL{300, 3000 + 100 * i});
        ASSERT_TRUE(Draw(so, eudc, line));
    }
    // Glyphs further apart than a run's 16-bit steps go one by one.
    engine::Font wide(u"Test", engine::SyntheticGlyphs(), kUpright, 33);
    engine::String far(u"ab", {{5, nullptr, {100, 4000}}, {6, nullptr, {40100, 4000}}}, RECTL{100, 3980, 40200, 4010},
                       SO_HORIZONTAL, 0, true, 0);
    ASSERT_TRUE(Draw(so, wide, far));

    const dump::DecodeResult result = EndJob(so, 4);
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation) << "\n" << result.listing;
    // 3 with bitmaps, 3 without (kept), then the two far glyphs.
    EXPECT_EQ(Records(result, kRecordGlyphKept), 8u);
    EXPECT_EQ(Records(result, kRecordGlyphOnce), 4u);
    EXPECT_EQ(Records(result, kRecordGlyphRun), 0u);
    EXPECT_EQ(Records(result, kRecordGlyphDefinition), 2u);
    EXPECT_NE(result.listing.find("kept"), std::string::npos);
}

TEST_F(TextTest, TheMinchoFamilyStandsInForADownloadedFont)
{
    machine::Profile profile = machine::LoadProfile();
    profile.ansiCodePage = 932;
    machine::SaveProfile(profile);
    machine::AdvanceTickCount(1000);
    Pdev* pdev = nullptr;
    SURFOBJ* so = StartPage(&pdev, 5, 1);
    ASSERT_NE(so, nullptr);
    engine::Font mincho(u"@明朝", engine::SyntheticGlyphs(), kUpright, 41);
    engine::String line = engine::LayOutString(mincho, u"ab", {5, 6}, POINTL{300, 400});
    ASSERT_TRUE(Draw(so, mincho, line));
    const dump::DecodeResult result = EndJob(so, 5);
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation) << "\n" << result.listing;
    EXPECT_EQ(Records(result, kRecordDeviceFont), 1u);
    EXPECT_EQ(Records(result, kRecordDownloadFont), 0u);
    EXPECT_EQ(Records(result, kRecordDeviceString), 1u);
}

TEST_F(TextTest, TheGlyphCacheKeysByFontGenerationAndCode)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    const WORD generation = pdev->glyphGeneration;
    const ULONG bucket = GlyphCacheBucket(1000, generation, 30);
    EXPECT_EQ(bucket, (1000u + generation + 30) & 0x3FF);
    EXPECT_FALSE(AddGlyphCacheEntry(pdev, 1024, 1000, generation, 30, 2));
    ASSERT_TRUE(AddGlyphCacheEntry(pdev, bucket, 1000, generation, 30, 2));
    // Same bucket, another font: appended behind.
    ASSERT_TRUE(AddGlyphCacheEntry(pdev, bucket, 1000 + 1024, generation, 30, 2));
    EXPECT_NE(FindGlyphCacheEntry(pdev, bucket, 1000, generation, 30, 2), nullptr);
    EXPECT_EQ(FindGlyphCacheEntry(pdev, bucket, 1000, generation, 30, 3), nullptr);
    EXPECT_EQ(pdev->glyphCache[bucket]->next->fontId, 1000u + 1024);
    ClearGlyphCache(pdev);
    EXPECT_EQ(pdev->glyphCache[bucket], nullptr);
    EXPECT_EQ(pdev->glyphGeneration, static_cast<WORD>(generation + 1));
}

TEST_F(TextTest, RasterModeHandsTheTextToTheEngine)
{
    const std::vector<std::uint8_t> devmode = DevmodeWith({{rdmImagePrint, 1}});
    Pdev* pdev = Enable(&devmode);
    ASSERT_NE(pdev, nullptr);
    ASSERT_NE(pdev->rasterMode, 0);
    EXPECT_EQ(pdev->deviceFontCount, 0);  // device fonts are a vector-mode offer
    SURFOBJ* so = EnableSurface(pdev);
    ASSERT_NE(so, nullptr);
    engine::Font font(u"Test", engine::SyntheticGlyphs(), kUpright, 51);
    // The solid block at (40, 100): its pixels from the glyph's origin above the baseline.
    engine::String block = engine::LayOutString(font, u"#", {1}, POINTL{40, 100});
    const engine::Glyph* glyph = font.FindGlyph(1);
    ASSERT_NE(glyph, nullptr);
    const LONG x = 40 + glyph->origin.x, y = 100 + glyph->origin.y;
    engine::SetPixel(so, x, y, 1);
    engine::Brush black = engine::Brush::Solid(0);
    ASSERT_TRUE(
        DrvTextOut(so, block.get(), font.get(), nullptr, nullptr, nullptr, black.get(), nullptr, nullptr, kCopyPen));
    EXPECT_EQ(engine::GetPixel(so, x, y), 0u);
    EXPECT_EQ(pdev->stream.recordCount, 0u);
}

TEST_F(TextTest, InvalidCallsAreRefused)
{
    Pdev* pdev = nullptr;
    SURFOBJ* so = StartPage(&pdev, 6, 1);
    ASSERT_NE(so, nullptr);
    engine::Font font(u"Test", engine::SyntheticGlyphs(), kUpright, 61);
    engine::String line = engine::LayOutString(font, u"a", {5}, POINTL{300, 400});
    SetLastError(0);
    EXPECT_FALSE(DrvTextOut(so, nullptr, font.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, kCopyPen));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(DrvTextOut(so, line.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, kCopyPen));
    // With the text-suppressing function the call succeeds without output.
    pdev->hiddenFunc18 = 1;
    EXPECT_TRUE(Draw(so, font, line));
    pdev->hiddenFunc18 = 0;
    const dump::DecodeResult result = EndJob(so, 6);
    ASSERT_TRUE(result.ok()) << dump::FormatViolation(*result.violation);
    EXPECT_EQ(Records(result, kRecordDownloadFont), 0u);
}

}  // namespace
}  // namespace vexl::test
