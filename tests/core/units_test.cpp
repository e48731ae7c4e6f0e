// Display units and 1,200-dpi dots, custom size limits, the region's paper,
// the fit-to-paper scale, character-set codes, the driver id of the model
// INI, the text filter and the lock tests.
#include "common/core/module_events.h"
#include "common/core/units.h"

#include "common/core/item_ids.h"
#include "common/core/settings_modules.h"
#include "context_fixture.h"

#include <gtest/gtest.h>

namespace vexl {
namespace {

using test::ContextTest;

TEST(UnitConversionTest, GivenPairsConvertBothWays)
{
    struct Case {
        std::uint32_t kind;
        std::uint32_t units;
        std::uint32_t dpi;
        std::uint32_t dots;
    } cases[] = {
        {kUnitTenthMm, 2100, 1200, 9920},
        {kUnitHundredthInch, 850, 600, 5100},
        {kUnitTenthMm, 0, 1200, 0},
        {kUnitHundredthInch, 1100, 1200, 13200},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UnitsToDots(c.kind, c.units, c.dpi), c.dots) << c.kind << " " << c.units;
        EXPECT_EQ(DotsToUnits(c.kind, c.dots, c.dpi), c.units) << c.kind << " " << c.dots;
    }
    for (std::uint32_t kind : {0u, 3u}) {
        EXPECT_EQ(UnitsToDots(kind, 2100, 1200), 0u);
        EXPECT_EQ(DotsToUnits(kind, 9920, 1200), 0u);
    }
}

TEST(UnitConversionTest, EveryDisplayValueSurvivesTheRoundTrip)
{
    for (std::uint32_t kind : {kUnitTenthMm, kUnitHundredthInch}) {
        for (std::uint32_t dpi : {1200u, 600u}) {
            for (std::uint32_t value = 0; value < 6000; ++value) {
                const std::uint32_t dots1200 = UnitsToDots(kind, value, 1200);
                ASSERT_EQ(dots1200 % 2, 0u) << kind << " " << value;
                const std::uint32_t back =
                    kind == kUnitTenthMm ? DotsToTenthMm(dots1200, 1200) : DotsToHundredthInch(dots1200, 1200);
                ASSERT_LE(back, value) << kind << " " << value;
                ASSERT_EQ(DotsToUnits(kind, UnitsToDots(kind, value, dpi), dpi), value)
                    << "kind " << kind << " value " << value << " dpi " << dpi;
            }
        }
    }
}

TEST(UnitConversionTest, ArithmeticEdges)
{
    EXPECT_EQ(DotsToTenthMm(1200, 0), 0u);
    EXPECT_EQ(DotsToHundredthInch(1200, 0), 0u);
    EXPECT_EQ(DotsToHundredthInch(1200, 50), 0u);  // no whole dot per hundredth
    EXPECT_EQ(RescaleDots(1200, 0, 600), 0u);
    EXPECT_EQ(RescaleDots(1201, 1200, 600), 600u);
    EXPECT_EQ(MulDivTruncate(7, 100, 0), -1);
    EXPECT_EQ(MulDivTruncate(-7, 100, 3), -233);
    EXPECT_EQ(MulDivTruncate(100000, 100000, 100000), 100000);  // the product does not wrap
}

class UnitsTest : public ContextTest {
protected:
    UnitsTest() { context_ = Create(Open()); }
    ~UnitsTest() override { ReleaseDriverContext(context_, kReleaseDestroy); }
    DriverContext* context_ = nullptr;
};

TEST_F(UnitsTest, ItemSizesUseTheDisplayUnit)
{
    SetItemValue(context_, rdmDspUnit, 0);
    EXPECT_EQ(SetItemDisplaySize(context_, wdmFreeSizeWidth, 2100), 9920);
    EXPECT_EQ(GetItemValue(context_, wdmFreeSizeWidth), 9920u);
    EXPECT_EQ(GetItemDisplaySize(context_, wdmFreeSizeWidth, 0), 2100);
    EXPECT_EQ(GetItemDisplaySize(context_, 0, 9920), 2100);
    EXPECT_EQ(GetItemDisplaySize(context_, wdmFreeSizeWidth, -1), 0);
    EXPECT_EQ(SetItemDisplaySize(context_, wdmFreeSizeWidth, -1), 0);
    EXPECT_EQ(GetItemValue(context_, wdmFreeSizeWidth), 9920u);

    SetItemValue(context_, rdmDspUnit, 1);
    EXPECT_EQ(GetItemDisplaySize(context_, 0, 10200), 850);
}

TEST_F(UnitsTest, FreeSizeLimitsStayInsideTheModelLimits)
{
    for (std::uint32_t unit : {0u, 1u}) {
        SetItemValue(context_, rdmDspUnit, unit);
        const std::uint32_t kind = unit == 0 ? kUnitTenthMm : kUnitHundredthInch;
        for (std::uint16_t item : {wdmFreeSizeWidth, wdmFreeSizeLength}) {
            std::int32_t low = -1;
            std::int32_t high = -1;
            ASSERT_EQ(GetFreeSizeLimits(context_, item, &low, &high), 1);
            EXPECT_GE(UnitsToDots(kind, low, 1200), 4724u) << unit << " " << item;
            EXPECT_LT(UnitsToDots(kind, low - 1, 1200), 4724u) << unit << " " << item;
            EXPECT_LE(UnitsToDots(kind, high, 1200), 20408u) << unit << " " << item;
            EXPECT_GT(UnitsToDots(kind, high + 1, 1200), 20408u) << unit << " " << item;
        }
    }
    EXPECT_EQ(GetFreeSizeLimits(context_, dmPaperWidth, nullptr, nullptr), 0);
}

// The job-option module's answer to event 54: the small standard paper.
int AnswerSmallStandardPaper(DriverContext*, std::uint32_t event, void* param, void*)
{
    if (event != kModuleEventSmallStandardPaper) return 0;
    *static_cast<std::uint32_t*>(param) = 1;
    return 1;
}

TEST_F(UnitsTest, TheRegionDecidesTheStandardPaper)
{
    struct Case {
        std::uint32_t driverType;
        std::uint32_t locale;
        std::uint32_t swapped;
        bool smallPaper;
        std::uint16_t paper;
    } cases[] = {
        {0, 0, 0, true, kPaperA4},     {1, 1, 0, true, kPaperLetter}, {1, 0, 0, true, kPaperA4},
        {0, 1, 1, true, kPaperLetter}, {1, 1, 1, true, kPaperA4},     {1, 1, 0, false, kPaperTabloid},
        {0, 0, 0, false, kPaperA3},
    };
    for (const Case& c : cases) {
        SetItemValue(context_, rdmDriverType, c.driverType);
        SetItemValue(context_, rdmLocaleID, c.locale);
        SetItemValue(context_, rdmHiddenFunc16, c.swapped);
        context_->workArea->moduleTable->rows[kModuleJobOptions].event =
            c.smallPaper ? AnswerSmallStandardPaper : NullModuleEvent;
        EXPECT_EQ(GetRegionStandardPaper(context_), c.paper) << c.driverType << c.locale << c.swapped << c.smallPaper;
    }
}

TEST_F(UnitsTest, TheOutputPaperFollowsTheChoice)
{
    context_->workArea->moduleTable->rows[kModuleJobOptions].event = AnswerSmallStandardPaper;
    SetItemValue(context_, dmPaperSize, 8);
    struct Case {
        std::uint32_t outPaper;
        std::uint16_t effective;
    } cases[] = {{1024, 8}, {1025, kPaperA4}, {1028, kPaperA4}, {11, 11}};
    for (const Case& c : cases) {
        SetItemValue(context_, rdmOutPaperSize, c.outPaper);
        EXPECT_EQ(GetEffectiveOutputPaper(context_), c.effective) << c.outPaper;
    }
    // The region fit needs its function bits, and the model's paper mode list is empty.
    SetItemValue(context_, rdmOutPaperSize, 1024);
    EXPECT_EQ(NeedsRegionPaperFit(context_), 0);
    SetItemValue(context_, rdmFrontFunc, 8);
    SetItemValue(context_, rdmExtOutput2A4Fit, 1);
    EXPECT_EQ(NeedsRegionPaperFit(context_), 0);
}

TEST_F(UnitsTest, FitToPaperTakesTheSmallerRatio)
{
    SetItemValue(context_, rdmOutPaperSize, 9);
    SetItemValue(context_, rdmFuncSelectScale, 1);
    SetItemValue(context_, rdmScaleType, 2);
    SetItemValue(context_, rdmSrcPaperWidthDot, 9920);
    SetItemValue(context_, rdmSrcPaperLengthDot, 14030);
    SetItemValue(context_, rdmDstPaperWidthDot, 7016);
    SetItemValue(context_, rdmDstPaperLengthDot, 11000);
    SyncPaperAfterChange(context_, kSyncPaperOrScale);
    EXPECT_EQ(GetItemValue(context_, rdmScaleH), 70u);
    EXPECT_EQ(GetItemValue(context_, rdmScaleV), 70u);

    // Without a source width there is no ratio: the scale stays.
    SetItemValue(context_, rdmSrcPaperWidthDot, 0);
    SyncPaperAfterChange(context_, kSyncPaperOrScale);
    EXPECT_EQ(GetItemValue(context_, rdmScaleH), 70u);

    // Same-as-source output with scaling off is 100 %.
    SetItemValue(context_, rdmFuncSelectScale, 0);
    SetItemValue(context_, rdmOutPaperSize, 1024);
    SyncPaperAfterChange(context_, kSyncPaperOrScale);
    EXPECT_EQ(GetItemValue(context_, rdmScaleH), 100u);
    EXPECT_EQ(GetItemValue(context_, rdmScaleV), 100u);
}

TEST_F(UnitsTest, TheDriverIdComesFromTheModelIni)
{
    machine::WriteFile(std::u16string(test::kDriverFolder) + u"\\TZ16E172.ini", "[VEXL Color 4540]\r\nDriverID=37\r\n");
    LoadDriverIdFromModelFile(context_);
    EXPECT_EQ(GetItemValue(context_, rdmDriverID), 37u);

    // A model INI without the key gives 0.
    machine::WriteFile(std::u16string(test::kDriverFolder) + u"\\TZ16E172.ini", "[Models]\r\n");
    LoadDriverIdFromModelFile(context_);
    EXPECT_EQ(GetItemValue(context_, rdmDriverID), 0u);
}

TEST_F(UnitsTest, LockTestsReadTheirItems)
{
    EXPECT_EQ(IsAnyLockSet(context_), 0);
    SetItemValue(context_, rdmLock001InfoBit7, 1);
    EXPECT_EQ(IsAnyLockSet(context_), 1);
    EXPECT_EQ(IsColorLocked(context_), 0);
    SetItemValue(context_, rdmLock001InfoBitColor, 1);
    SetItemValue(context_, rdmLock000InfoBitDuplex, 1);
    EXPECT_EQ(IsColorLocked(context_), 1);
    EXPECT_EQ(IsDuplexLocked(context_), 1);
    EXPECT_EQ(IsTrayLocked(context_), 0);
}

TEST_F(UnitsTest, AuthCharsetItemsTakeTheAnsiCodePagesCode)
{
    SetItemValue(context_, rdmAuthUserNameCharSet, 0);
    SetItemValue(context_, rdmAuthPasswordCharSet, 0);
    SetAuthCharsetItems(context_, kAuthPasswordCharset);
    EXPECT_EQ(GetItemValue(context_, rdmAuthUserNameCharSet), 0u);
    EXPECT_EQ(GetItemValue(context_, rdmAuthPasswordCharSet), 2u);
}

TEST(CharsetCodeTest, TheAnsiCodePageNamesTheCode)
{
    struct Case {
        UINT codePage;
        std::uint32_t code;
    } cases[] = {{1252, 2}, {1250, 3}, {1251, 5}, {28591, 0}, {437, 0}};
    for (const Case& c : cases) {
        machine::Profile profile;
        profile.ansiCodePage = c.codePage;
        test::TestMachine machine(profile);
        EXPECT_EQ(GetAnsiCharsetCode(), c.code) << c.codePage;
    }
}

TEST(TextFilterTest, NamesRefuseQuotesAndColons)
{
    struct Case {
        std::uint16_t ch;
        BOOL name;
        BOOL code;
    } cases[] = {
        {u'A', 1, 1}, {u':', 0, 1}, {u'"', 0, 1}, {0x7F, 0, 0}, {8, 1, 1}, {0x1F, 0, 0}, {0x20, 1, 1}, {0xE9, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsValidTextChar(c.ch, kTextKindName), c.name) << c.ch;
        EXPECT_EQ(IsValidTextChar(c.ch, kTextKindCode), c.code) << c.ch;
        EXPECT_EQ(IsValidTextChar(c.ch, 3), 0) << c.ch;
    }
}

TEST(SmallQueriesTest, TrayItemsAndSettingControls)
{
    for (std::uint16_t id : {13, 1005, 1009, 1120, 1156, 10276, 10280, 10288}) EXPECT_EQ(IsTrayItem(id), 1) << id;
    for (std::uint16_t id : {12, 1004, 1010, 1121, 1160, 10281}) EXPECT_EQ(IsTrayItem(id), 0) << id;
    const SettingControlRef* control = FindSettingControl(46);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->controlId, 2053);
    EXPECT_EQ(FindSettingControl(47), nullptr);
}

}  // namespace
}  // namespace vexl
