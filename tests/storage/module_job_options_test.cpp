// The job-option and font-substitution modules: the separation cycle and
// its judge, the colour-matching changes of a sub-dialog, and what they say
// about controls.
#include "common/core/items.h"
#include "common/core/module_events.h"
#include "common/core/printer_facts.h"
#include "common/core/settings_modules.h"
#include "common/model/capabilities.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/module_job_options.h"
#include "common/storage/module_small.h"
#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

namespace vexl::test {
namespace {

class JobOptionModule : public StorageTest {
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        ASSERT_TRUE(InitSettingsModules(context()));
    }
    void TearDown() override
    {
        ReleaseSettingsModules(context());
        StorageTest::TearDown();
    }
};

TEST_F(JobOptionModule, TheSeparationCycleFollowsTheCopies)
{
    SetItemValue(context(), rdmSeparationSheetCycle, 5);
    SetItemValue(context(), dmCopies, 0);
    SendSettingsModuleCommand(context(), kCommandSeparationCycle);
    EXPECT_EQ(GetItemValue(context(), rdmSeparationSheetCycle), 5u);

    SetItemValue(context(), dmCopies, 3);
    EXPECT_TRUE(EvaluateSeparationJudge(context(), kSeparationJudge));
    EXPECT_FALSE(EvaluateSeparationJudge(context(), 1404));
    EXPECT_EQ(JobOptionModuleCommand(context(), kCommandSeparationCycle, nullptr), 1);
    EXPECT_EQ(GetItemValue(context(), rdmSeparationSheetCycle), 3u);
    SetItemValue(context(), rdmSeparationSheetCycle, 5);
    SetItemValue(context(), dmCopies, 5);
    EXPECT_FALSE(EvaluateSeparationJudge(context(), kSeparationJudge));
    EXPECT_EQ(JobOptionModuleCommand(context(), 902, nullptr), 0);
}

// OK on a sub-dialog applies the marked colour-matching items from their
// remembered values and drops the marks.
TEST_F(JobOptionModule, ColourChangesAreCommittedAndTheirMarksCleared)
{
    SetItemValue(context(), rdmColorMatchingMode, 1);
    std::uint8_t* changes = ctx_.work()->colorChangeFlags;
    changes[0] = kColorChangeText | kColorChangeImage;
    changes[1] = 9;
    changes[2] = 201;
    changes[4] = 203;
    PageDesc page{};
    PageEventRecord record{&page};
    NotifySettingsModules(context(), kModuleEventSubDialogOk, &record);
    EXPECT_EQ(GetItemValue(context(), rdmColorMatchingMode), 1u);
    EXPECT_EQ(GetItemValue(context(), wdmColorMatchingText), 201u);
    EXPECT_EQ(GetItemValue(context(), wdmColorMatchingImage), 203u);
    EXPECT_EQ(changes[0], 0);

    // With the user's first quality list in use, its file takes the change.
    std::u16string section = GetPrinterSectionName(context());
    SanitizeIniSection(section.data());
    WriteIniString(section.c_str(), u"QualityList0", u"C:\\_vexl\\mine.rsq", GetSettingsIniPath(context()));
    SetItemValue(context(), rdmUseUserMacro, 1);
    SetItemValue(context(), rdmUserPrintMacro, 32);
    changes[0] = kColorChangeMode;
    changes[1] = 3;
    NotifySettingsModules(context(), kModuleEventSubDialogOk, &record);
    EXPECT_NE(ReadHostFile(u"C:\\_vexl\\mine.rsq").find("rdmColorMatchingMode=3"), std::string::npos);
}

TEST_F(JobOptionModule, GeneralQuestionsGetTheirFixedAnswers)
{
    std::uint32_t answer = 0;
    NotifySettingsModules(context(), 21, &answer);
    EXPECT_EQ(answer, 1u);
    answer = 0;
    NotifySettingsModules(context(), kModuleEventSmallStandardPaper, &answer);
    EXPECT_EQ(answer, 1u);
    int marker = 0;
    ResolutionListEvent list{&marker};
    NotifySettingsModules(context(), kModuleEventResolutionList, &list);
    EXPECT_EQ(list.pointer, nullptr);
}

TEST_F(JobOptionModule, ControlsOfTheEditPageAreMarkedWhileTheirFunctionIsOn)
{
    PageDesc edit{};
    edit.pageId = 1003;
    PageDesc other{};
    other.pageId = 1001;
    PageItem copyGuard{};
    copyGuard.controlId = 2928;
    copyGuard.state = 0x0E;
    PageItem watermark{};
    watermark.controlId = 2088;
    SetItemValue(context(), rdmFunc2SelectUICtrlCopyGuard, 1);

    PageControlRecord onOther{&other, &copyGuard};
    NotifySettingsModules(context(), kModuleEventPageControls, &onOther);
    EXPECT_EQ(copyGuard.state, 0x0E);
    PageControlRecord guard{&edit, &copyGuard};
    NotifySettingsModules(context(), kModuleEventPageControls, &guard);
    EXPECT_EQ(copyGuard.state, 0x0D);
    PageControlRecord mark{&edit, &watermark};
    NotifySettingsModules(context(), kModuleEventPageControls, &mark);
    EXPECT_EQ(watermark.state, 0);

    ControlEventRecord created{&watermark};
    NotifySettingsModules(context(), kModuleEventControlCreated, &created);
    EXPECT_EQ(watermark.flags2, 2u);
}

// The font-substitution control is shown unless the printer's defaults are
// being edited, and always on the font page.
TEST_F(JobOptionModule, TheFontSubstitutionControlIsShownOutsideThePrinterDefaults)
{
    PageDesc basic{};
    basic.pageId = 1001;
    PageDesc fonts{};
    fonts.pageId = 4004;
    const struct {
        std::uint32_t callSource;
        PageDesc* page;
        bool shown;
    } cases[] = {{0, &basic, true}, {1, &basic, false}, {1, &fonts, true}};
    for (const auto& c : cases) {
        PageItem control{};
        control.controlId = 2384;
        control.state = 0x08;
        SetItemValue(context(), rdmCallSrc, c.callSource);
        DisabledStateEvent record{&control, c.page, 0, control.controlId, 0, 0};
        EXPECT_EQ(FontSubstModuleEvent(context(), kModuleEventMayShowControl, &record, nullptr), 1);
        EXPECT_EQ(record.decided, c.shown ? 1u : 0u);
        EXPECT_EQ(control.state, c.shown ? 0x04 : 0x08);
    }
    PageItem other{};
    other.controlId = 2385;
    DisabledStateEvent record{&other, &basic, 0, other.controlId, 0, 0};
    EXPECT_EQ(FontSubstModuleEvent(context(), kModuleEventMayShowControl, &record, nullptr), 0);
}

}  // namespace
}  // namespace vexl::test
