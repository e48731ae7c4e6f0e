#include "api/item_helpers.h"

#include "api/versions.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/store.h"
#include "common/core/units.h"
#include "common/model/capabilities.h"
#include "common/model/ui_lookup.h"
#include "common/storage/directories.h"
#include "support/integration_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vexl::api {
namespace {

class ItemHelpersTest : public test::DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        context_ = Create(kCallerSettingsInterface);
        ASSERT_NE(context_, nullptr);
    }
    void TearDown() override
    {
        if (context_ != nullptr) ReleaseDriverContext(context_, kReleaseDestroy);
        DriverPrinterTest::TearDown();
    }

    // The settings of the store: its DEVMODE part and its work settings (the
    // heap lists between them belong to their owners, not to a trial).
    std::vector<std::uint8_t> SettingsImage() const
    {
        const std::uint8_t* bytes = GetStoreBytes(context_);
        std::vector<std::uint8_t> image(bytes, bytes + GetDevmodeSize());
        const std::uint8_t* work = bytes + GetStoreAreaBase(kAreaWork);
        image.insert(image.end(), work, work + GetStoreArea3Size());
        return image;
    }

    DriverContext* context_ = nullptr;
};

// ---- per-object colour items --------------------------------------------------------

TEST_F(ItemHelpersTest, AdjustItemsMapToTheirObjectVariants)
{
    struct Case {
        std::uint16_t item;
        std::uint32_t object;
        std::uint16_t target;
    };
    const Case cases[] = {
        {rdmBrightness, 2, wdmBrightnessImage},
        {rdmBrightness, 3, rdmBrightness},
        {dmColor, 0, dmColor},
        {rdmDitherType, 0, wdmDitherTypeText},
        {rdmColorMatchingMode, 1, wdmColorMatchingLine},
        {rdmQualityFuncColorRevision, 2, wdmQualityFuncImageColorRevision},
        {rdmColorBalanceB, 1, wdmColorBalanceBLine},
        {0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        EXPECT_EQ(RemapAdjustItem(context_, c.item, c.object), c.target);
    }

    SetItemValue(context_, rdmAdjustObject, 1);
    SetItemValue(context_, rdmAdjustMode, 0);
    EXPECT_EQ(GetAdjustTargetItem(context_, rdmContrast), rdmContrast);
    SetItemValue(context_, rdmAdjustMode, 1);
    EXPECT_EQ(GetAdjustTargetItem(context_, rdmContrast), wdmContrastLine);
    EXPECT_EQ(AdjustItemTable().back().item, 0);
}

// ---- option lists -------------------------------------------------------------------------

TEST_F(ItemHelpersTest, OptionValuesAndNamesFollowTheEntrysOptions)
{
    EXPECT_EQ(ListOptionValues(context_, nullptr, rdmDuplexType), 3);
    std::int16_t values[4] = {-9, -9, -9, -9};
    EXPECT_EQ(ListOptionValues(context_, values, rdmDuplexType), 3);
    EXPECT_EQ(values[0], 0);
    EXPECT_EQ(values[1], 1);
    EXPECT_EQ(values[2], 2);
    EXPECT_EQ(values[3], -9);

    EXPECT_EQ(ListOptionValues(context_, nullptr, rdmPunchType), -1);         // no entry
    EXPECT_EQ(ListOptionValues(context_, nullptr, rdmFuncSelectDuplex), -1);  // Boolean

    // Names are the UI strings of the option ids, cut to the slot.
    constexpr int kStride = 4;
    WCHAR names[3 * kStride];
    std::fill(std::begin(names), std::end(names), u'?');
    EXPECT_EQ(ListOptionNames(context_, nullptr, kStride, rdmColorMode), 3);
    EXPECT_EQ(ListOptionNames(context_, names, kStride, rdmColorMode), 3);
    EXPECT_EQ(std::u16string(names), u"Let");  // string 1 "Letter"
    EXPECT_EQ(std::u16string(names + kStride), u"Tra");
    EXPECT_EQ(names[3 * kStride - 1], 0);
    EXPECT_EQ(ListOptionNames(context_, names, kStride, rdmPunchType), -1);

    EXPECT_EQ(FindOptionByConstantValue(context_, rdmDuplexType, 1), 2);
    EXPECT_EQ(FindOptionByConstantValue(context_, rdmNUPPOSTKind, 16), 16);
    EXPECT_EQ(FindOptionByConstantValue(context_, rdmDuplexType, 7), 0);
    EXPECT_EQ(FindOptionByConstantValue(context_, rdmPunchType, 0), 0);

    EXPECT_EQ(GetResolutionEntryKind(context_), 0);  // a PickOne entry
}

// ---- the UI entry of an item with a setting control -------------------------------------

TEST_F(ItemHelpersTest, SettingControlEntryCountsOnlyOnTheDocumentSheet)
{
    const SettingControlRef* ref = FindSettingControl(rdmPresetNo);
    ASSERT_NE(ref, nullptr);
    PageDesc* page = FindPage(context_, static_cast<std::int16_t>(ref->pageId));
    ASSERT_NE(page, nullptr);
    PageItem* control = FindPageControl(context_, page, static_cast<std::int16_t>(ref->controlId));
    ASSERT_NE(control, nullptr);

    // The control of the preset number shows the colour mode's entry.
    const BlockOffset colorMode = LookupUiEntry(rdmColorMode, context_);
    ASSERT_NE(colorMode, 0u);
    control->symbolKey = ReadContextUiEntry(context_, colorMode).symbolKey;
    EXPECT_EQ(FindItemUiEntry(rdmPresetNo, context_), colorMode);

    BindSettingControlEntry(rdmPresetNo, context_);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(control->optionNode), colorMode);

    page->sheetMask = 2;  // device sheet only: the item's own entry (none)
    EXPECT_EQ(FindItemUiEntry(rdmPresetNo, context_), LookupUiEntry(rdmPresetNo, context_));
    page->sheetMask = 0x20;
    EXPECT_EQ(FindItemUiEntry(rdmPresetNo, context_), colorMode);

    EXPECT_TRUE(IsItemAvailable(context_, rdmColorMode, 1, kAvailableTestUnavailable | kAvailableTestRestricted));
    EXPECT_FALSE(IsItemAvailable(context_, rdmPunchType, 0, 0));
}

// ---- files ------------------------------------------------------------------------------

std::string BitmapHeader(std::uint32_t infoSize)
{
    std::string bytes(54, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    std::memcpy(bytes.data() + 14, &infoSize, 4);
    return bytes;
}

TEST_F(ItemHelpersTest, UsableFilesAreAbsoluteAndOfTheirType)
{
    machine::WriteFile(u"C:\\forms\\logo.bmp", BitmapHeader(40));
    machine::WriteFile(u"C:\\forms\\core.bmp", BitmapHeader(12));
    machine::WriteFile(u"C:\\forms\\letter.RPO", "overlay");
    machine::WriteFile(u"C:\\forms\\letter.rpx", "overlay");
    struct Case {
        std::uint32_t type;
        const char* path;
        BOOL usable;
    };
    const Case cases[] = {
        {kUsableFileBitmap, "C:\\forms\\logo.bmp", TRUE},
        {kUsableFileBitmap, "C:\\forms\\core.bmp", FALSE},
        {kUsableFileBitmap, "forms\\logo.bmp", FALSE},
        {kUsableFileBitmap, "C:\\forms\\none.bmp", FALSE},
        {kUsableFileOverlay, "C:\\forms\\letter.RPO", TRUE},
        {kUsableFileOverlay, "c:\\FORMS\\LETTER.rpo", TRUE},
        {kUsableFileOverlay, "forms\\letter.RPO", FALSE},
        {kUsableFileOverlay, "C:\\forms\\letter.rpx", FALSE},
        {kUsableFileOverlay, "C:\\forms\\other.rpo", FALSE},
        {1, "C:\\forms\\letter.RPO", FALSE},
        {kUsableFileOverlay, nullptr, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path ? c.path : "(null)");
        EXPECT_EQ(IsUsableFileOfType(context_, c.type, c.path), c.usable);
    }
}

// ---- backups of the store ---------------------------------------------------------------

TEST_F(ItemHelpersTest, BackupsPutTheirPartBackOnlyWhenAsked)
{
    SetItemValue(context_, dmCopies, 2);
    SetItemValue(context_, rdmAdjustMode, 0);
    std::uint8_t* devmode = SaveDevmodePart(context_);
    std::uint8_t* work = SaveWorkSettings(context_);
    ASSERT_NE(devmode, nullptr);
    ASSERT_NE(work, nullptr);
    SetItemValue(context_, dmCopies, 5);
    SetItemValue(context_, rdmAdjustMode, 1);
    RestoreDevmodePart(context_, devmode, TRUE);
    RestoreWorkSettings(context_, work, TRUE);
    EXPECT_EQ(GetItemValue(context_, dmCopies), 2u);
    EXPECT_EQ(GetItemValue(context_, rdmAdjustMode), 0u);

    devmode = SaveDevmodePart(context_);
    SetItemValue(context_, dmCopies, 7);
    RestoreDevmodePart(context_, devmode, FALSE);  // freed, not copied back
    EXPECT_EQ(GetItemValue(context_, dmCopies), 7u);
    RestoreDevmodePart(context_, nullptr, TRUE);
}

// ---- modes and small tests -----------------------------------------------------------------

TEST_F(ItemHelpersTest, SmallSettingTestsReadTheirItems)
{
    SetTerminalServerFlag(context_, 0);
    EXPECT_FALSE(IsPerUserMode(context_));
    SetTerminalServerFlag(context_, 1);
    SetAdminFlag(context_, 1);
    EXPECT_TRUE(IsPerUserMode(context_));
    EXPECT_FALSE(IsPerUserNonAdminMode(context_));
    SetAdminFlag(context_, 0);
    EXPECT_TRUE(IsPerUserNonAdminMode(context_));

    SetItemValue(context_, rdmUserPrintMacro, 160);
    SetItemValue(context_, rdmUseUserMacro, 0);
    EXPECT_FALSE(IsUserMacro160Active(context_));
    SetItemValue(context_, rdmUseUserMacro, 1);
    EXPECT_TRUE(IsUserMacro160Active(context_));
    SetItemValue(context_, rdmUserPrintMacro, 16);
    EXPECT_FALSE(IsUserMacro160Active(context_));

    SetItemValue(context_, rdmFuncSelectMargin, 1);
    EXPECT_TRUE(NeedsMarginReset(context_, 14, nullptr));
    EXPECT_TRUE(NeedsMarginReset(context_, 15, nullptr));
    EXPECT_FALSE(NeedsMarginReset(context_, 16, nullptr));
    SetItemValue(context_, rdmFuncSelectMargin, 0);
    EXPECT_FALSE(NeedsMarginReset(context_, 14, nullptr));
}

TEST_F(ItemHelpersTest, ActionItemsShareOneStoredValue)
{
    SettingItemDescriptor* item = FindItem(context_, rdmActionSecurity);
    ASSERT_NE(item, nullptr);
    const WCHAR* key = item->key;
    const std::uint32_t type = item->typeWord;
    SetItemValue(context_, rdmActionSecurity, 1);
    const std::u16string ini = u"C:\\_vexl\\actions.ini";
    EXPECT_TRUE(StoreActionItem(context_, item, ini.c_str()));
    EXPECT_EQ(item->key, key);
    EXPECT_EQ(item->typeWord, type);

    std::ifstream in(machine::HostPath(ini), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("rdmAction="), std::string::npos) << text;
    EXPECT_EQ(text.find("ACT_SECUREPRINT"), std::string::npos) << text;
}

TEST_F(ItemHelpersTest, PaperCombinationOfThePackageIsNotRefused)
{
    EXPECT_FALSE(IsPaperCombinationRefused(context_));
    EXPECT_EQ(CountColorProfiles(context_), 0);
}

TEST_F(ItemHelpersTest, CustomSizesAreCheckedAgainstTheLimitsOfTheVersionInForce)
{
    std::int32_t smallest[2] = {};
    std::int32_t largest[2] = {};
    GetMinExtentPair(context_, smallest);
    GetMaxExtentPair(context_, largest);
    ASSERT_LT(smallest[0], largest[0]);
    ASSERT_LT(smallest[1], largest[1]);
    const auto w = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
    for (int version : {15, 16}) {
        SCOPED_TRACE(version);
        SetApiVersionInForce(version);
        EXPECT_TRUE(IsCustomSizeInRange(context_, w(smallest[0]), w(smallest[1])));
        EXPECT_TRUE(IsCustomSizeInRange(context_, w(largest[0]), w(largest[1])));
        EXPECT_FALSE(IsCustomSizeInRange(context_, w(largest[0]) + 1, w(largest[1])));
        EXPECT_FALSE(IsCustomSizeInRange(context_, w(smallest[0]), w(smallest[1]) - 1));
        EXPECT_FALSE(IsCustomSizeInRange(context_, 0, w(largest[1])));
    }
    // Below 16 only the low 16 bits of a size count, as the packed limits hold.
    SetApiVersionInForce(15);
    EXPECT_TRUE(IsCustomSizeInRange(context_, 0x10000 + w(smallest[0]), w(smallest[1])));
    SetApiVersionInForce(16);
    EXPECT_FALSE(IsCustomSizeInRange(context_, 0x10000 + w(smallest[0]), w(smallest[1])));
}

TEST_F(ItemHelpersTest, AlertNamesTheMessageOfItsStringAndModeOnePutsTheValueBack)
{
    // Stapling on A5 paper fires the small-paper alert (string 10002).
    SetItemValue(context_, dmPaperSize, 9);
    SetItemValue(context_, rdmFuncSelectStaple, 1);
    EXPECT_TRUE(AlertNamesMessage(context_, dmPaperSize, 10002, 11, 1));
    EXPECT_EQ(GetItemValue(context_, dmPaperSize), 9u);

    EXPECT_FALSE(AlertNamesMessage(context_, dmPaperSize, 10002, 9, 1));  // A4 fires nothing
    EXPECT_EQ(GetItemValue(context_, dmPaperSize), 9u);
    EXPECT_FALSE(AlertNamesMessage(context_, dmPaperSize, 10075, 11, 1));  // another message
    EXPECT_EQ(GetItemValue(context_, dmPaperSize), 11u);                   // left at the value tried
    EXPECT_TRUE(AlertNamesMessage(context_, dmPaperSize, 10002, 0, 0));    // mode 0: as it stands
    EXPECT_EQ(GetItemValue(context_, dmPaperSize), 11u);
    SetItemValue(context_, rdmFuncSelectStaple, 0);
    EXPECT_FALSE(AlertNamesMessage(context_, dmPaperSize, 10002, 0, 0));
}

// The package's description with one more colour mode option whose id has
// no constant of rdmColorMode.
class OptionWithoutConstantTest : public test::DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        std::ifstream in(test::kPackageFolder / "TZ16E1MD.VXD", std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::string last = "*KSD_rdmColorMode BF_rdmColorMode_3: \"@PJL SET COLORMODE=MONO<0D0A>\"\n";
        const std::size_t at = text.find(last);
        ASSERT_NE(at, std::string::npos);
        text.insert(at + last.size(), "*KSD_rdmColorMode BF_rdmNUPPOSTKind_16: \"\"\n");
        machine::WriteFile(test::kDescriptionFile, text);
        context_ = Create(kCallerSettingsInterface);
        ASSERT_NE(context_, nullptr);
    }
    void TearDown() override
    {
        if (context_ != nullptr) ReleaseDriverContext(context_, kReleaseDestroy);
        DriverPrinterTest::TearDown();
    }
    DriverContext* context_ = nullptr;
};

TEST_F(OptionWithoutConstantTest, OneOptionWithoutConstantFailsTheValueListButNotTheNames)
{
    ASSERT_EQ(CountUiOptions(rdmColorMode, context_), 4);
    std::int16_t values[4] = {};
    EXPECT_EQ(ListOptionValues(context_, values, rdmColorMode), -1);
    EXPECT_EQ(ListOptionNames(context_, nullptr, 8, rdmColorMode), 4);
    EXPECT_EQ(FindOptionByConstantValue(context_, rdmColorMode, 3), 3);   // found before the gap
    EXPECT_EQ(FindOptionByConstantValue(context_, rdmColorMode, 99), 0);  // the walk stops at the gap
}

TEST_F(ItemHelpersTest, SwitchTrialsAnswerWithoutChangingTheSettings)
{
    struct Case {
        const char* name;
        std::uint32_t paper;
        std::uint32_t status;
        std::uint16_t switchItem;
        std::uint16_t valueItem;
        std::uint32_t value;
        BOOL accepted;
    };
    const Case cases[] = {
        {"duplex: the printer has no duplex unit, the merge turns it off", 9, 15, rdmFuncSelectDuplex, rdmDuplexType, 1,
         FALSE},
        {"staple on A4", 9, 20, rdmFuncSelectStaple, rdmStapleType, 2, TRUE},
        {"staple on A4, no such type", 9, 20, rdmFuncSelectStaple, rdmStapleType, 7, FALSE},
        {"staple on A5: the model turns it off", 11, 20, rdmFuncSelectStaple, rdmStapleType, 2, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetItemValue(context_, rdmFuncSelectDuplex, 0);
        SetItemValue(context_, rdmFuncSelectStaple, 0);
        SetItemValue(context_, dmPaperSize, c.paper);
        const std::vector<std::uint8_t> before = SettingsImage();
        const std::uint32_t flags = GetUiFlags(context_);
        EXPECT_EQ(TrySwitchOn(context_, c.status, c.switchItem, c.valueItem, c.value), c.accepted);
        EXPECT_EQ(SettingsImage(), before);
        EXPECT_EQ(GetUiFlags(context_), flags);
    }

    // A switch that is on answers at once, whatever the value.
    SetItemValue(context_, rdmFuncSelectDuplex, 1);
    EXPECT_TRUE(TrySwitchOn(context_, 15, rdmFuncSelectDuplex, rdmDuplexType, 7));
}

TEST_F(ItemHelpersTest, MarginsAreResetOnlyWhileTheMarginSwitchIsOff)
{
    SetItemValue(context_, rdmFuncSelectMargin, 1);
    SetItemValue(context_, rdmMarginOdd, 50);
    ResetMarginsIfOff(context_);
    EXPECT_EQ(GetItemValue(context_, rdmMarginOdd), 50u);
    SetItemValue(context_, rdmFuncSelectMargin, 0);
    ResetMarginsIfOff(context_);
    EXPECT_EQ(GetItemValue(context_, rdmMarginOdd), 0u);
}

}  // namespace
}  // namespace vexl::api
