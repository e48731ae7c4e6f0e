// The DEVMODE merge of the driver libraries on a context of the package's
// printer: what each caller's flags do to the store.
#include "common/storage/devmode_settings_merge.h"

#include "common/core/devmode_merge.h"
#include "common/core/items.h"
#include "common/core/store.h"

#include "support/integration_fixture.h"

namespace vexl::test {
namespace {

constexpr std::size_t kMachineIdAt = 368;
constexpr std::uint32_t kCallerCopies = 4;
constexpr std::uint32_t kCallerMacro = 17;  // rdmUserPrintMacro; the model's default is 16
constexpr std::uint32_t kShortEdge = 2;     // rdmDuplexType; the transaction's default is 1

class DevmodeSettingsMerge : public DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        context_ = Create(kCallerEnablePdev);
        ASSERT_NE(context_, nullptr);
    }
    void TearDown() override
    {
        if (context_) ReleaseDriverContext(context_, kReleaseDestroy);
        DriverPrinterTest::TearDown();
    }

    // The driver's own DEVMODE with choices in both parts: more copies, a
    // user macro, duplex on with short-edge binding and no device info.
    std::vector<std::uint8_t> CallerDevmode()
    {
        DriverContext* source = Create();
        EXPECT_NE(source, nullptr);
        if (source == nullptr) return {};
        SetItemValue(source, dmCopies, kCallerCopies);
        SetItemValue(source, rdmUserPrintMacro, kCallerMacro);
        SetItemValue(source, rdmFuncSelectDuplex, 1);
        SetItemValue(source, dmDuplex, 3);
        SetItemValue(source, rdmDuplexType, kShortEdge);
        SetDeviceInfoFlag(source, 0);
        std::vector<std::uint8_t> devmode = DevmodeBytes(source);
        ReleaseDriverContext(source, kReleaseDestroy);
        return devmode;
    }

    BOOL Merge(const std::vector<std::uint8_t>& caller, std::uint32_t flags)
    {
        return MergeDevmodeSettings(context_,
                                    caller.empty() ? nullptr : reinterpret_cast<const DEVMODEW*>(caller.data()), flags);
    }
    std::uint32_t Get(std::uint16_t item) { return GetItemValue(context_, item); }

    DriverContext* context_ = nullptr;
};

TEST_F(DevmodeSettingsMerge, WithoutADevmodeFlagNothingChanges)
{
    const std::vector<std::uint8_t> before = DevmodeBytes(context_);
    EXPECT_EQ(Merge(CallerDevmode(), kMergeKeepSupportBits), TRUE);
    EXPECT_EQ(DevmodeBytes(context_), before);
}

TEST_F(DevmodeSettingsMerge, EachCallerSelectsItsSteps)
{
    // The caller's short-edge duplex gives binding 1 through the public
    // duplex field; the transactions of every item put the model's default
    // binding (0) in its place.
    constexpr std::uint32_t kFromPublicDuplex = 1;
    constexpr std::uint32_t kFromTransaction = 0;
    struct Case {
        const char* caller;
        std::uint32_t flags;
        std::uint32_t duplexType;
    };
    const Case cases[] = {
        {"device enable", kMergeEnablePdev, kFromPublicDuplex},
        {"document start", kMergeStartDoc, kFromTransaction},
        {"document sheet", kMergeDocumentSheetInit, kFromPublicDuplex},
        {"document sheet, support bits kept", kMergeDocumentSheetKeepSupport, kFromPublicDuplex},
        {"document properties", kMergeDocumentPropertiesNoSheet, kFromPublicDuplex},
        {"device sheet", kMergeDeviceSheetInit, kFromTransaction},
        {"device capabilities", kMergeDeviceCapabilities, kFromTransaction},
        {"print query", kMergeQueryPrint, kFromTransaction},
        {"DEVMODE conversion", kMergeConvertDevmode, kFromTransaction},
    };
    const std::vector<std::uint8_t> caller = CallerDevmode();
    for (const Case& c : cases) {
        DriverContext* context = Create(kCallerEnablePdev);
        ASSERT_NE(context, nullptr);
        ASSERT_EQ(MergeDevmodeSettings(context, reinterpret_cast<const DEVMODEW*>(caller.data()), c.flags), TRUE);
        EXPECT_EQ(GetItemValue(context, dmCopies), kCallerCopies) << c.caller;
        EXPECT_EQ(GetItemValue(context, rdmUserPrintMacro), kCallerMacro) << c.caller;
        EXPECT_EQ(GetItemValue(context, rdmFuncSelectDuplex), 1u) << c.caller;
        EXPECT_EQ(GetItemValue(context, rdmDuplexType), c.duplexType) << c.caller;
        ReleaseDriverContext(context, kReleaseDestroy);
    }
}

TEST_F(DevmodeSettingsMerge, NoReloadLeavesThePromptAlone)
{
    SetItemValue(context_, wdmCtrlWorkPrompt, 7);
    EXPECT_EQ(Merge(CallerDevmode(), kMergeFromCaller | kMergeNoReload), TRUE);
    EXPECT_EQ(Get(wdmCtrlWorkPrompt), 7u);
    EXPECT_EQ(Merge(CallerDevmode(), kMergeEnablePdev), TRUE);
    EXPECT_EQ(Get(wdmCtrlWorkPrompt), 0u);
}

TEST_F(DevmodeSettingsMerge, AnotherModelGivesOnlyItsPublicPart)
{
    std::vector<std::uint8_t> caller = CallerDevmode();
    caller[kMachineIdAt] = 0x8D;
    SetDeviceInfoFlag(context_, 1);
    EXPECT_EQ(Merge(caller, kMergeEnablePdev), TRUE);
    EXPECT_EQ(Get(dmCopies), kCallerCopies);
    EXPECT_EQ(Get(rdmUserPrintMacro), 16u);
    EXPECT_EQ(GetDevmodeDeviceInfoFlag(reinterpret_cast<const DEVMODEW*>(GetStoreBytes(context_))), 1u);
}

TEST_F(DevmodeSettingsMerge, TheContextsRunTimeFlagsSurvive)
{
    SetDeviceInfoFlag(context_, 1);
    EXPECT_EQ(Merge(CallerDevmode(), kMergeStartDoc), TRUE);
    EXPECT_EQ(Get(rdmUserPrintMacro), kCallerMacro);  // the private part came in
    EXPECT_EQ(Get(rdmBiDirect), 1u);                  // but not its device info flag
}

TEST_F(DevmodeSettingsMerge, AnImageFormJobPrintsAsItComes)
{
    SetItemValue(context_, wdmImageFormJob, 1);
    SetItemValue(context_, rdmExtOutput2A4Fit, 1);
    EXPECT_EQ(Merge({}, kMergeEnablePdev), TRUE);
    EXPECT_EQ(Get(rdmExtOutput2A4Fit), 1u);  // no override without the document-start flag
    EXPECT_EQ(Merge({}, kMergeStartDoc), TRUE);
    EXPECT_EQ(Get(rdmExtOutput2A4Fit), 0u);
    EXPECT_EQ(Get(rdmFuncSelectScale), 0u);
}

}  // namespace
}  // namespace vexl::test
