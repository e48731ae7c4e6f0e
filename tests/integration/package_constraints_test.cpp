// The constraints of the package's description at work in a real context:
// what is not offered, what is refused, the alert of a finishing choice on a
// small paper and the settings that a change drags along.
#include "common/core/devmode_public.h"
#include "common/core/items.h"
#include "common/core/units.h"
#include "common/model/compiled_model.h"
#include "common/model/constraints.h"
#include "common/storage/module_chapters.h"

#include "support/integration_fixture.h"

namespace vexl::test {
namespace {

constexpr std::uint32_t kA4 = 9;
constexpr std::uint32_t kA5 = 11;
constexpr std::uint32_t kManualFeed = 4;
constexpr std::uint16_t kFinishPage = 1004;              // KSD_IDD_FINISH
constexpr std::uint16_t kPrintSizeIllegalMessage = 252;  // KSD_PrintSizeIllegalMessage

class PackageConstraints : public DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        context_ = Create();
        ASSERT_NE(context_, nullptr);
    }
    void TearDown() override
    {
        if (context_) ReleaseDriverContext(context_, kReleaseDestroy);
        DriverPrinterTest::TearDown();
    }

    BlockOffset Entry(std::uint16_t item) { return LookupUiEntry(item, context_); }
    void Set(std::uint16_t item, std::uint32_t value) { SetItemValue(context_, item, value); }
    std::uint32_t Get(std::uint16_t item) { return GetItemValue(context_, item); }

    // The transactions of the OK answer of the paper's alert.
    BlockOffset PaperAlertOkTransacts()
    {
        using namespace model;
        const CompiledModel* model = context_->compiledModel;
        const ExclusiveBlockRecord record = ReadExclusiveRecord(model, GetItemExclusiveRecord(dmPaperSize, context_));
        const AlertRecordView alert = ReadAlertEntry(model, record.alerts);
        return ReadAlertActionEntry(model, alert.alertActions).transacts;
    }

    DriverContext* context_ = nullptr;
};

TEST_F(PackageConstraints, DuplexTypeIsOfferedOnlyWithDuplex)
{
    Set(rdmFuncSelectDuplex, 0);
    EXPECT_EQ(IsUiOptionUnavailable(Entry(rdmDuplexType), 0, context_), 1u);
    Set(rdmFuncSelectDuplex, 1);
    EXPECT_EQ(IsUiOptionUnavailable(Entry(rdmDuplexType), 0, context_), 0u);
}

TEST_F(PackageConstraints, ChoicesAreRefusedUnderTheirConditions)
{
    struct Case {
        const char* what;
        std::uint16_t item;
        std::uint16_t option;
        std::uint16_t conditionItem;
        std::uint32_t conditionValue;
    };
    const Case cases[] = {
        {"staple with the manual feed", rdmFuncSelectStaple, 0, dmDefaultSource, kManualFeed},
        {"A5 with staple", dmPaperSize, kA5, rdmFuncSelectStaple, 1},
        {"A5 with punch", dmPaperSize, kA5, rdmFuncSelectPunch, 1},
        {"the manual feed with duplex", dmDefaultSource, kManualFeed, rdmFuncSelectDuplex, 1},
    };
    for (const Case& c : cases) {
        const std::uint32_t before = Get(c.conditionItem);
        EXPECT_EQ(IsUiOptionRestricted(Entry(c.item), c.option, context_), 0u) << c.what;
        Set(c.conditionItem, c.conditionValue);
        EXPECT_EQ(IsUiOptionRestricted(Entry(c.item), c.option, context_), 1u) << c.what;
        EXPECT_EQ(IsUiOptionUnavailable(Entry(c.item), c.option, context_), 0u) << c.what;
        Set(c.conditionItem, before);
    }
    // A refused option is still a value of the model: the check lets it pass.
    Set(rdmFuncSelectStaple, 1);
    EXPECT_EQ(CheckItemValue(dmPaperSize, kA5, context_), 1);
}

TEST_F(PackageConstraints, FinishingOnASmallPaperFiresTheAlert)
{
    Set(dmPaperSize, kA5);
    EXPECT_EQ(GetUiAlertMessage(Entry(dmPaperSize), context_), 0u);
    Set(rdmFuncSelectPunch, 1);
    EXPECT_EQ(GetUiAlertMessage(Entry(dmPaperSize), context_), kPrintSizeIllegalMessage);
    Set(dmPaperSize, kA4);
    EXPECT_EQ(GetUiAlertMessage(Entry(dmPaperSize), context_), 0u);
}

TEST_F(PackageConstraints, ChangesDragTheirDependentSettingsAlong)
{
    // Duplex on: the binding goes back to its default, the long edge
    // (option 1, stored as 0).
    Set(rdmDuplexType, 2);
    Set(rdmFuncSelectDuplex, 1);
    EXPECT_EQ(RunUiTransacts(Entry(rdmFuncSelectDuplex), context_), 0);
    EXPECT_EQ(GetItemOption(context_, rdmDuplexType), 1u);
    EXPECT_EQ(Get(rdmDuplexType), 0u);

    // A small paper turns finishing off; a large one leaves it.
    Set(rdmFuncSelectStaple, 1);
    Set(rdmFuncSelectPunch, 1);
    EXPECT_EQ(RunUiTransacts(Entry(dmPaperSize), context_), 0);
    EXPECT_EQ(Get(rdmFuncSelectStaple), 1u);
    Set(dmPaperSize, kA5);
    EXPECT_EQ(RunUiTransacts(Entry(dmPaperSize), context_), 0);
    EXPECT_EQ(Get(rdmFuncSelectStaple), 0u);
    EXPECT_EQ(Get(rdmFuncSelectPunch), 0u);
}

TEST_F(PackageConstraints, TheAlertsOkAnswerOpensTheFinishingPage)
{
    // With finishing on a small paper the answer stops at the page: the
    // paper is left for the user to decide there.
    Set(dmPaperSize, kA5);
    Set(rdmFuncSelectStaple, 1);
    EXPECT_EQ(RunTransactList(PaperAlertOkTransacts(), context_), kFinishPage);
    EXPECT_EQ(Get(dmPaperSize), kA5);
    // Without finishing the small paper becomes A4 and no page opens.
    Set(rdmFuncSelectStaple, 0);
    EXPECT_EQ(RunTransactList(PaperAlertOkTransacts(), context_), 0);
    EXPECT_EQ(Get(dmPaperSize), kA4);
}

TEST_F(PackageConstraints, APaperChangeSetsTheSourceAndOutputGeometry)
{
    const std::uint16_t geometry[] = {rdmSrcPaperWidthDot, rdmSrcPaperLengthDot, rdmDstPaperWidthDot,
                                      rdmDstPaperLengthDot};
    for (std::uint16_t item : geometry) Set(item, 0);
    Set(dmPaperSize, kA4);
    Set(rdmOutPaperSize, kA5);
    SyncPaperAfterChange(context_, kSyncPaperOrScale);
    EXPECT_GT(Get(rdmSrcPaperWidthDot), 0u);
    EXPECT_GT(Get(rdmSrcPaperLengthDot), Get(rdmSrcPaperWidthDot));
    // A5 is half of A4: its length is A4's width.
    EXPECT_EQ(Get(rdmDstPaperLengthDot), Get(rdmSrcPaperWidthDot));
    EXPECT_LT(Get(rdmDstPaperWidthDot), Get(rdmSrcPaperWidthDot));
}

TEST_F(PackageConstraints, ANumericControlTakesItsLimitsFromItsEntry)
{
    PageItem control{};
    control.controlId = 9999;
    control.item = FindItem(context_, rdmScaleH);
    std::int32_t minimum = -1;
    std::int32_t maximum = -1;
    GetControlDisplayLimits(context_, &control, &minimum, &maximum);
    EXPECT_GT(minimum, 0);
    EXPECT_GT(maximum, minimum);
    // A control without an entry has no limits.
    control.item = FindItem(context_, wdmChapterUseTray1);
    GetControlDisplayLimits(context_, &control, &minimum, &maximum);
    EXPECT_EQ(minimum, 0);
    EXPECT_EQ(maximum, 0);
}

// A chapter never takes its sheets from the bypass tray: checking the list
// against the chapter tray's transactions moves such a chapter to tray 1,
// and the tray-class item that named the bypass tray with it.
TEST_F(PackageConstraints, AChapterOnTheBypassTrayMovesToTrayOne)
{
    Set(rdmFuncSelectChapter, 1);
    EnsureChapterData(context_);
    Set(wdmChapterKind, kChapterKindTray);
    Set(wdmChapterTray, kManualFeed);
    std::int32_t pages[] = {5, 0};
    ASSERT_EQ(MergeChapterPages(context_, nullptr, pages, nullptr), 0);
    EXPECT_EQ(Get(wdmChapterUseTray1), kManualFeed);

    ValidateChapterTrays(context_);
    const ChapterRecord* chapter = GetChapterRecord(context_, 0);
    ASSERT_NE(chapter, nullptr);
    EXPECT_EQ(chapter->tray, 1);
    EXPECT_EQ(Get(wdmChapterUseTray1), 1u);
    EXPECT_EQ(Get(wdmChapterTray), kManualFeed);  // the value for the next chapters stays
}

}  // namespace
}  // namespace vexl::test
