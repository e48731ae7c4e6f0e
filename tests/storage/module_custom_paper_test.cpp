// The custom paper module on the package model: the inch items while the
// custom size is shown in inches, the size controls' tray limits from an
// injected limit table, and the texts those limits complete.
#include "common/core/module_events.h"
#include "common/storage/module_custom_paper.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/paper_sync.h"
#include "common/core/settings_modules.h"
#include "common/core/units.h"
#include "common/storage/resources.h"
#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace vexl::test {
namespace {

constexpr std::uint16_t kCustomPaper = 256;

std::int32_t MetricDots(std::uint32_t tenthsMm)
{
    return static_cast<std::int32_t>(UnitsToDots(kUnitTenthMm, tenthsMm, kGeometryDpi));
}

// Tray 2 in orientation 1: length 100.0-200.0 mm, width 50.0-150.0 mm; in
// inches the length minimum does not fall on a whole hundredth.
const PaperLimitRow kLimits[] = {
    {1, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8}},  // another platform: never used
    {kPaperLimitAnyPlatform,
     2,
     1,
     {MetricDots(1000), MetricDots(2000), MetricDots(500), MetricDots(1500), 4801, 9600, 2400, 7200}},
    {0, 0, 0, {}},
};

const PaperLimitRow* TestLimits(DriverContext*)
{
    return kLimits;
}

class CustomPaper : public StorageTest {
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        ASSERT_TRUE(InitSettingsModules(context()));
    }
    void TearDown() override
    {
        SetPaperLimitTableGetter(nullptr);
        ReleaseSettingsModules(context());
        StorageTest::TearDown();
    }
    void ShowInches(bool inches)
    {
        SetItemValue(context(), dmPaperSize, kCustomPaper);
        SetItemValue(context(), rdmDspUnit, inches ? 1 : 0);
        SetItemValue(context(), wdmInputFreeSizeType, 1);
    }
    PageItem* Control(std::int16_t page, std::int16_t id)
    {
        return FindPageControl(context(), FindPage(context(), page), id);
    }
    static PageItem Loose(std::uint16_t id)
    {
        PageItem control{};
        control.controlId = id;
        return control;
    }
};

TEST_F(CustomPaper, InchItemsFollowTheDevmodeAndBack)
{
    ShowInches(true);
    DEVMODEW devmode{};
    devmode.dmPaperLength = 2101;
    devmode.dmPaperWidth = 1480;
    DEVMODEW* param = &devmode;
    EXPECT_EQ(CustomPaperModuleEvent(context(), kModuleEventPaperFromDevmode, &param, nullptr), 1);
    EXPECT_EQ(GetItemValue(context(), rdmPaperINCHLength), 827u);
    EXPECT_EQ(GetItemValue(context(), rdmPaperINCHWidth), 582u);

    DEVMODEW out{};
    FreeSizePaperEventBlock block{&out, 0};
    EXPECT_EQ(CustomPaperModuleEvent(context(), kModuleEventPaperToDevmode, &block, nullptr), 1);
    EXPECT_EQ(block.handled, 1u);
    EXPECT_EQ(out.dmPaperLength, 2101);
    EXPECT_EQ(out.dmPaperWidth, 1479);

    ShowInches(false);
    DEVMODEW metric{};
    FreeSizePaperEventBlock untouched{&metric, 0};
    EXPECT_EQ(CustomPaperModuleEvent(context(), kModuleEventPaperToDevmode, &untouched, nullptr), 1);
    EXPECT_EQ(untouched.handled, 0u);
    EXPECT_EQ(metric.dmPaperLength, 0);
}

// Each control group reaches its own item; the second groups only by event 43.
TEST_F(CustomPaper, ControlGroupsMapToTheInchItems)
{
    ShowInches(true);
    struct Case {
        std::uint32_t event;
        std::uint16_t control;
        std::int32_t value;
        std::uint32_t length;
        std::uint32_t width;
    };
    const Case cases[] = {
        {kModuleEventPaperSetValue, 2683, 850, 850, 0},         {kModuleEventPaperSetValue, 2691, 1100, 850, 1100},
        {kModuleEventPaperSetValue, 2686, 999, 850, 1100},      {kModuleEventPaperSetSecondValue, 2686, 700, 700, 1100},
        {kModuleEventPaperSetSecondValue, 2693, 600, 700, 600}, {kModuleEventPaperSetSecondValue, 2683, 1, 700, 600},
        {kModuleEventPaperSetDots, 2682, 1200, 100, 600},       {kModuleEventPaperSetDotsAgain, 2689, 2400, 100, 200},
    };
    for (const Case& c : cases) {
        PageItem control = Loose(c.control);
        ControlValueEvent event{&control, c.value};
        EXPECT_EQ(CustomPaperModuleEvent(context(), c.event, &event, nullptr), 1);
        EXPECT_EQ(GetItemValue(context(), rdmPaperINCHLength), c.length) << c.event << " " << c.control;
        EXPECT_EQ(GetItemValue(context(), rdmPaperINCHWidth), c.width) << c.event << " " << c.control;
    }
    PageItem width = Loose(2690);
    ControlValueEvent read{&width, -1};
    CustomPaperModuleEvent(context(), kModuleEventPaperGetWidth, &read, nullptr);
    EXPECT_EQ(read.value, 200);

    ShowInches(false);
    ControlValueEvent metric{&width, 5};
    CustomPaperModuleEvent(context(), kModuleEventPaperSetValue, &metric, nullptr);
    EXPECT_EQ(GetItemValue(context(), rdmPaperINCHWidth), 200u);
}

TEST_F(CustomPaper, ClampWritesOnlyTheItemsThatChange)
{
    ShowInches(true);
    SetItemOption(context(), rdmPaperFreeSizeLength, 13200);  // 11.00 inches
    SetItemOption(context(), rdmPaperFreeSizeWidth, 10200);   // 8.50 inches
    SetItemValue(context(), rdmPaperINCHWidth, 850);
    FindItem(context(), rdmPaperINCHLength)->stateBits &= ~kItemChangeMarkMask;
    FindItem(context(), rdmPaperINCHWidth)->stateBits &= ~kItemChangeMarkMask;
    EXPECT_EQ(CustomPaperModuleEvent(context(), kModuleEventPaperClamp, nullptr, nullptr), 1);
    EXPECT_EQ(GetItemValue(context(), rdmPaperINCHLength), 1100u);
    EXPECT_NE(FindItem(context(), rdmPaperINCHLength)->stateBits & kItemChangeMarkMask, 0);
    EXPECT_EQ(FindItem(context(), rdmPaperINCHWidth)->stateBits & kItemChangeMarkMask, 0);
}

TEST_F(CustomPaper, UnusableControlsAreSkipped)
{
    bool complete = false;
    PageTable* pages = CopyPageTable(context()->pageTable, &complete);
    ASSERT_TRUE(complete);
    PageTable* shared = context()->pageTable;
    context()->pageTable = pages;
    PageDesc* page = FindPage(context(), 1041);
    EXPECT_EQ(FindFreeSizeControl(context(), page, TRUE)->controlId, 2682);
    FindPageControl(context(), page, 2682)->flags = 0x2;
    FindPageControl(context(), page, 2683)->flags = 0x1;
    EXPECT_EQ(FindFreeSizeControl(context(), page, TRUE), nullptr);
    EXPECT_EQ(FindFreeSizeControl(context(), page, FALSE)->controlId, 2689);
    context()->pageTable = shared;
    FreePageTable(pages);
}

TEST_F(CustomPaper, TrayLimitsComeFromTheTableRoundedOutwards)
{
    std::int32_t minimum = -1;
    std::int32_t maximum = -1;
    EXPECT_FALSE(GetTrayPaperLimits(context(), 2, 1, &minimum, &maximum, TRUE));  // the model has none
    SetPaperLimitTableGetter(TestLimits);
    EXPECT_FALSE(GetTrayPaperLimits(context(), 2, 2, &minimum, &maximum, TRUE));
    ASSERT_TRUE(GetTrayPaperLimits(context(), 2, 1, &minimum, &maximum, TRUE));
    EXPECT_EQ(minimum, MetricDots(1000));
    EXPECT_EQ(maximum, MetricDots(2000));
    SetItemValue(context(), rdmDspUnit, 1);
    ASSERT_TRUE(GetTrayPaperLimits(context(), 2, 1, &minimum, &maximum, TRUE));
    EXPECT_EQ(minimum, 4800);  // 4801 dots lies past 4.00 inches: one hundredth less
    EXPECT_EQ(maximum, 9600);
    ASSERT_TRUE(GetTrayPaperLimits(context(), 2, 1, &minimum, &maximum, FALSE));
    EXPECT_EQ(minimum, 2400);
    EXPECT_EQ(maximum, 7200);
}

TEST_F(CustomPaper, ControlLimitsFollowThePageTray)
{
    SetPaperLimitTableGetter(TestLimits);
    SetItemValue(context(), wdmFreeSizeTray, 2);
    SetItemValue(context(), wdmFreeSizeOrient, 1);
    PageItem width = Loose(2224);
    ControlLimitsEvent event{&width, 0, 0, 0};
    context()->currentPageId = 1002;
    EXPECT_EQ(CustomPaperModuleEvent(context(), kModuleEventPaperLimits, &event, nullptr), 1);
    EXPECT_EQ(event.found, 0u);
    context()->currentPageId = 1017;
    CustomPaperModuleEvent(context(), kModuleEventPaperLimits, &event, nullptr);
    EXPECT_EQ(event.found, 1u);
    EXPECT_EQ(event.minimum, MetricDots(500));
    EXPECT_EQ(event.maximum, MetricDots(1500));

    // The range text of the custom size dialog in whole millimetres.
    WCHAR text[32] = u"%s - %s";
    CompleteResourceString(context(), 13273, text, 32);
    EXPECT_EQ(std::u16string(text), u"100 - 200");
}

TEST_F(CustomPaper, SizeControlFlags)
{
    for (std::uint16_t id : {2220, 2400, 2684, 2691, 2221, 2685}) {
        PageItem control = Loose(id);
        ControlFlagEvent event{&control, 0};
        EXPECT_EQ(CustomPaperModuleEvent(context(), kModuleEventPaperSizeControl, &event, nullptr), 1);
        EXPECT_EQ(event.flag, id == 2221 || id == 2685 ? 0u : 1u) << id;
    }
    EXPECT_EQ(CustomPaperModuleEvent(context(), 48, nullptr, nullptr), 0);
}

}  // namespace
}  // namespace vexl::test
