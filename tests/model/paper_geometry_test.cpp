// Paper geometry of the compiled model: the page values of a paper for the
// current resolution, orientation and conditions, the sizes of the selected,
// output and custom papers, the search of a paper by its size, and the
// copies of the model's font lists.
#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/paper_sync.h"
#include "common/core/store.h"
#include "common/model/paper_geometry.h"
#include "common/wiring.h"

#include "compiled_fixture.h"
#include "core/devmode_fakes.h"

#include <gtest/gtest.h>

#include <optional>

#include <array>
#include <string>

namespace vexl::model {
namespace {

using vexl::test::CurrentFakeModel;
using vexl::test::FakeModel;
using vexl::test::FakeServices;
using vexl::test::Pick;

// The free size 256 comes first with the size of A4, so a search for A4 has
// to pass it. A4 has a conditional record ahead of its plain portrait one;
// Letter is described for landscape only, at 1200 dpi only while duplex is on.
constexpr std::string_view kPapers =
    "*FileVersion: 7.60\n"
    "*OpenUI *KSD_dmPaperSize: PickPage\n"
    "*KSD_dmPaperSize BF_dmPaperSize_256: \"custom\"\n"
    "*KSD_dmPaperSize BF_dmPaperSize_9: \"a4\"\n"
    "*KSD_dmPaperSize BF_dmPaperSize_1: \"letter\"\n"
    "*KSD_dmPaperSize BF_dmPaperSize_8: \"a3\"\n"
    "*KSD_dmPaperSize BF_dmPaperSize_384: \"custom1\"\n"
    "*PageMMValue p BF_dmPaperSize_256: \"2100 2970\"\n"
    "*PageMMValue p BF_dmPaperSize_9: \"2100 2970\"\n"
    "*PageValue p BF_dmPaperSize_9: 600 BF_dmOrientation_1 KSD_rdmFuncSelectDuplex True \"50 60 4861 6896 4961 7016\"\n"
    "*PageValue p BF_dmPaperSize_9: 600 BF_dmOrientation_1 \"100 100 4761 6816 4961 7016\"\n"
    "*PageValue p BF_dmPaperSize_9: 600 BF_dmOrientation_2 \"100 100 6816 4761 7016 4961\"\n"
    "*PageMMValue p BF_dmPaperSize_1: \"2159 2794\"\n"
    "*PageValue p BF_dmPaperSize_1: 600 BF_dmOrientation_2 \"120 100 6400 4900 6600 5100\"\n"
    "*PageValue p BF_dmPaperSize_1: 1200 BF_dmOrientation_2 KSD_rdmFuncSelectDuplex True "
    "\"240 200 12800 9800 13200 10200\"\n"
    "*PageMMValue p BF_dmPaperSize_8: \"2970 4200\"\n"
    "*PageMMValue p BF_dmPaperSize_384: \"1000 1480\"\n"
    "*CloseUI: *KSD_dmPaperSize\n";

// The fields of a rectangle and a size, for comparison and messages.
std::array<std::int32_t, 4> Fields(const PageRect& r)
{
    return {r.left, r.top, r.right, r.bottom};
}
std::array<std::int32_t, 2> Fields(const PaperExtent& s)
{
    return {s.width, s.length};
}

// The custom-size slots as the slot code keeps them: selecting a row brings
// its size into the custom-size items; refreshing the printer-side row reads
// the printer's free size (here a fixed 3600 by 1200 dots).
DevmodeServices SlotServices()
{
    DevmodeServices s = FakeServices();
    s.loadAllFreeSizeSlotsOnce = [](DriverContext*) {};
    s.cachePrintFreeSize = [](DriverContext* context, int row) {
        if (row == kPrinterFreeSizePaperRow) {
            context->workArea->paperTable[row].width = 3600;
            context->workArea->paperTable[row].length = 1200;
        }
    };
    s.selectFreeSizeSlot = [](DriverContext* context, int row) {
        SetItemOption(context, wdmFreeSizeWidth, context->workArea->paperTable[row].width);
        SetItemOption(context, wdmFreeSizeLength, context->workArea->paperTable[row].length);
    };
    return s;
}

class PaperGeometry : public test::CompiledContextTest {
protected:
    void SetUp() override
    {
        CompiledContextTest::SetUp();
        UseDescription(kPapers, names_);
        CurrentFakeModel() = &fake_;
        fake_.entries[rdmOutPaperSize] = Pick({9, 1, 8, 256, 384, 1024}, {8});
        devmodeServices_.emplace(SlotServices());
        SetItemValue(context(), rdmDstResolutionW, 600);
        SetItemValue(context(), dmOrientation, 1);
        SetItemValue(context(), dmPaperSize, 9);
    }
    void TearDown() override
    {
        devmodeServices_.reset();
        CurrentFakeModel() = nullptr;
        CompiledContextTest::TearDown();
    }

    DEVMODEW* devmode() { return reinterpret_cast<DEVMODEW*>(GetStoreBytes(context())); }
    PaperSizeRow& row(int r) { return context()->workArea->paperTable[r]; }

    const DescriptionNames& names_ = ModelDatabaseNames();
    FakeModel fake_;
    std::optional<vexl::test::ScopedDevmodeServices> devmodeServices_;
};

TEST_F(PaperGeometry, PageValueByResolutionOrientationAndCondition)
{
    struct Case {
        const char* what;
        std::uint16_t option;
        std::uint32_t resolution;
        std::uint32_t orientation;
        std::uint32_t duplex;
        BOOL answer;
        PageRect printable;
        PaperExtent paper;
    };
    const Case cases[] = {
        {"portrait", 9, 600, 1, 0, 1, {100, 100, 4861, 6916}, {4961, 7016}},
        {"a condition that holds comes first", 9, 600, 1, 1, 1, {50, 60, 4911, 6956}, {4961, 7016}},
        {"landscape", 9, 600, 2, 0, 1, {100, 100, 6916, 4861}, {7016, 4961}},
        {"landscape only, asked in portrait: turned", 1, 600, 1, 0, 1, {100, 120, 5000, 6520}, {5100, 6600}},
        {"a condition that fails counts in the turned pass too", 1, 1200, 1, 0, 0, {}, {}},
        {"the same record once its condition holds", 1, 1200, 1, 1, 1, {200, 240, 10000, 13040}, {10200, 13200}},
        {"no record for the resolution", 9, 300, 1, 0, 0, {}, {}},
        {"an option without page values", 256, 600, 1, 0, 0, {}, {}},
        {"not an option of the paper entry", 5, 600, 1, 0, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SetItemValue(context(), rdmDstResolutionW, c.resolution);
        SetItemValue(context(), dmOrientation, c.orientation);
        SetItemValue(context(), rdmFuncSelectDuplex, c.duplex);
        // Whatever the caller's records held before, they hold the answer after.
        PageRect printable{-7, -7, -7, -7};
        PaperExtent paper{-7, -7};
        EXPECT_EQ(GetPageGeometry(context(), &printable, &paper, c.option), c.answer) << c.what;
        EXPECT_EQ(Fields(printable), Fields(c.printable)) << c.what;
        EXPECT_EQ(Fields(paper), Fields(c.paper)) << c.what;
    }

    CompiledModel* model = context()->compiledModel;
    context()->compiledModel = nullptr;
    PageRect printable{-7, -7, -7, -7};
    PaperExtent paper{-7, -7};
    EXPECT_EQ(MatchPageValue(context(), &printable, &paper, 9), 0);
    EXPECT_EQ(Fields(printable), Fields(PageRect{}));
    EXPECT_EQ(Fields(paper), Fields(PaperExtent{}));
    context()->compiledModel = model;
}

TEST_F(PaperGeometry, OptionSelectedAndOutputSizes)
{
    PaperExtent size{};
    EXPECT_EQ(GetPaperOptionSize(context(), &size, 0), 1);
    EXPECT_EQ(Fields(size), Fields((PaperExtent{2100, 2970})));
    EXPECT_EQ(GetSelectedPaperSize(context(), &size), 1);
    EXPECT_EQ(Fields(size), Fields((PaperExtent{2100, 2970})));
    SetItemValue(context(), rdmOutPaperSize, 8);
    EXPECT_EQ(GetPaperOptionSize(context(), &size, rdmOutPaperSize), 1);
    EXPECT_EQ(Fields(size), Fields((PaperExtent{2970, 4200})));
    EXPECT_EQ(GetPaperSizeOfOption(context(), &size, 1), 1);
    EXPECT_EQ(Fields(size), Fields((PaperExtent{2159, 2794})));

    // Landscape turns the option's size.
    SetItemValue(context(), dmOrientation, 2);
    EXPECT_EQ(GetPaperOptionSize(context(), &size, 0), 1);
    EXPECT_EQ(Fields(size), Fields((PaperExtent{2970, 2100})));

    // The output paper is measured as the source paper, which stays as it was.
    EXPECT_EQ(GetOutputPaperSize(context(), &size), 1);
    EXPECT_EQ(Fields(size), Fields((PaperExtent{4200, 2970})));
    EXPECT_EQ(GetItemValue(context(), dmPaperSize), 9u);
    SetItemValue(context(), rdmOutPaperSize, kOutputPaperSameAsSource);
    EXPECT_EQ(GetOutputPaperSize(context(), &size), 1);
    EXPECT_EQ(Fields(size), Fields((PaperExtent{2970, 2100})));

    // A paper the entry does not list has no size.
    SetItemValue(context(), dmPaperSize, 5);
    size = PaperExtent{-7, -7};
    EXPECT_EQ(GetPaperOptionSize(context(), &size, 0), 0);
    EXPECT_EQ(Fields(size), Fields(PaperExtent{}));
}

TEST_F(PaperGeometry, CustomAndFreeSizes)
{
    // Rows in 1,200-dpi dots: 1200 dots are 254 tenths of a millimetre.
    row(0).width = 1200;
    row(0).length = 2400;
    row(kUserDefinedPaperRow).width = 2400;
    row(kUserDefinedPaperRow).length = 3600;
    row(kPrinterFreeSizePaperRow).width = 1;  // stale until refreshed
    row(kPrinterFreeSizePaperRow).length = 1;

    struct Case {
        const char* what;
        std::uint32_t source;
        std::uint32_t output;
        std::uint32_t orientation;
        std::uint32_t fields;
        std::uint32_t freeShortOver;
        PaperExtent size;
    };
    const Case cases[] = {
        {"free size: the caller's own size, never turned", 256, 1024, 2, 0, 0, {1234, 2345}},
        {"free size over the short limit: its row", 256, 1024, 1, 0, 1, {508, 762}},
        {"free size over the short limit in landscape: turned", 256, 1024, 2, 0, 1, {762, 508}},
        {"custom size chosen by paper: its slot", 384, 1024, 1, DM_PAPERSIZE, 0, {254, 508}},
        {"custom size chosen by paper in landscape: turned", 384, 1024, 2, DM_PAPERSIZE, 0, {508, 254}},
        {"custom output paper: its slot, never turned", 9, 384, 2, DM_PAPERSIZE, 0, {254, 508}},
        {"printer-side free size: its refreshed row", 9, 448, 2, DM_PAPERSIZE, 0, {762, 254}},
    };
    for (const Case& c : cases) {
        SetItemValue(context(), dmPaperSize, c.source);
        SetItemValue(context(), rdmOutPaperSize, c.output);
        SetItemValue(context(), dmOrientation, c.orientation);
        SetItemValue(context(), rdmFuncSelectFreeShortOver, c.freeShortOver);
        SetDevmodeFields(devmode(), c.fields);
        SetDevmodeField16(devmode(), offsetof(DEVMODEW, dmPaperWidth), 1234);
        SetDevmodeField16(devmode(), offsetof(DEVMODEW, dmPaperLength), 2345);
        PaperExtent size{};
        EXPECT_EQ(GetOutputPaperSize(context(), &size), 1) << c.what;
        EXPECT_EQ(Fields(size), Fields(c.size)) << c.what;
    }
}

TEST_F(PaperGeometry, FindPaperBySizeWithToleranceAndTurn)
{
    struct Case {
        std::int16_t width;
        std::int16_t length;
        std::uint16_t tolerant;
        std::uint16_t paper;
    };
    const Case cases[] = {
        {2100, 2970, 0, 9},  // past the free size of the same size
        {2117, 2987, 1, 9}, {2117, 2970, 0, 0}, {2118, 2970, 1, 0},
        {2099, 2970, 1, 0}, {2970, 2100, 0, 9}, {2987, 2117, 1, 9},  // turned
        {2159, 2794, 0, 1}, {2970, 4200, 0, 0},                      // A3 is not offered for the output paper
        {1000, 1480, 1, 0},                                          // only a custom size has it
        {0, 0, 1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindPaperBySize(context(), c.width, c.length, c.tolerant), c.paper)
            << c.width << " x " << c.length << (c.tolerant ? " tolerant" : "");
    }
    fake_.entries[rdmOutPaperSize].unavailable.clear();
    EXPECT_EQ(FindPaperBySize(context(), 2970, 4200, 0), 8);
    fake_.entries.erase(rdmOutPaperSize);  // rdmOutPaperSize without a UI entry takes nothing
    EXPECT_EQ(FindPaperBySize(context(), 2100, 2970, 0), 0);
}

// ---- font lists ----------------------------------------------------------------------------------

std::u16string NameOf(const WCHAR* name)
{
    return std::u16string(name);
}

// Every character after the terminator of a 32-character name is zero.
bool IsZeroFilledAfterName(const WCHAR* name)
{
    std::size_t i = 0;
    while (i < 32 && name[i] != 0) ++i;
    for (; i < 32; ++i)
        if (name[i] != 0) return false;
    return true;
}

class FontLists : public test::CompiledContextTest {};

TEST_F(FontLists, CopiesOfThePackageLists)
{
    test::FixtureNames names = test::PackageDescriptionNames();
    std::ifstream file(test::kPackageFolder / "TZ16E1MD.VXD", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    UseDescription(text.str(), names);

    std::int32_t count = -1;
    DeviceFontRecord* fonts = CopyDeviceFontList(context(), &count);
    ASSERT_TRUE(fonts);
    ASSERT_EQ(count, 5);
    EXPECT_EQ(fonts[0].id, 1u);
    EXPECT_EQ(NameOf(fonts[0].name), u"Courier");
    EXPECT_EQ(fonts[4].id, 5u);
    EXPECT_EQ(NameOf(fonts[4].name), u"Letter Gothic");
    EXPECT_TRUE(IsZeroFilledAfterName(fonts[4].name));
    FreeIfNotNull(fonts);

    count = -1;
    DeviceFontRecord* cartridges = CopyCartridgeFontList(context(), &count);
    ASSERT_TRUE(cartridges);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(cartridges[1].id, 102u);
    EXPECT_EQ(NameOf(cartridges[1].name), u"OCR-B");
    FreeIfNotNull(cartridges);
    std::int32_t* noCount = nullptr;
    cartridges = CopyCartridgeFontList(context(), noCount);
    EXPECT_TRUE(cartridges);
    FreeIfNotNull(cartridges);

    // The first option of the font table has no substitutions; the second has three.
    count = -1;
    FontSubstPair* pairs = CopyFontSubstTable(context(), &count);
    ASSERT_TRUE(pairs);
    ASSERT_EQ(count, 3);
    EXPECT_EQ(NameOf(pairs[0].trueTypeFace), u"Arial");
    EXPECT_EQ(NameOf(pairs[0].deviceFont), u"Helvetica");
    EXPECT_EQ(NameOf(pairs[1].trueTypeFace), u"Times New Roman");
    EXPECT_EQ(NameOf(pairs[2].deviceFont), u"Courier");
    EXPECT_TRUE(IsZeroFilledAfterName(pairs[1].trueTypeFace));
    FreeIfNotNull(pairs);
}

TEST_F(FontLists, LongNamesAreCutAndMissingListsGiveNothing)
{
    UseDescription("*FileVersion: 7.60\n"
                   "*DeviceFonts: IDList { {\"An Uncommonly Long Device Font Name Indeed\" 7} }\n"
                   "*OpenUI *KSD_rdmTTFont: FontTbl\n*KSD_rdmTTFont BF_rdmTTFont_1: \"\"\n"
                   "*CloseUI: *KSD_rdmTTFont\n",
                   ModelDatabaseNames());
    std::int32_t count = -1;
    DeviceFontRecord* fonts = CopyDeviceFontList(context(), &count);
    ASSERT_TRUE(fonts);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(fonts[0].id, 7u);
    EXPECT_EQ(NameOf(fonts[0].name), u"An Uncommonly Long Device Font ");  // 31 characters
    FreeIfNotNull(fonts);

    // No cartridges, no substitutions: nothing, and a count of 0.
    count = -1;
    EXPECT_EQ(CopyCartridgeFontList(context(), &count), nullptr);
    EXPECT_EQ(count, 0);
    count = -1;
    EXPECT_EQ(CopyFontSubstTable(context(), &count), nullptr);
    EXPECT_EQ(count, 0);

    CompiledModel* model = context()->compiledModel;
    context()->compiledModel = nullptr;
    count = -1;
    EXPECT_EQ(CopyDeviceFontList(context(), &count), nullptr);
    EXPECT_EQ(count, 0);
    count = -1;
    EXPECT_EQ(CopyFontSubstTable(context(), &count), nullptr);
    EXPECT_EQ(count, 0);
    context()->compiledModel = model;
}

}  // namespace
}  // namespace vexl::model
