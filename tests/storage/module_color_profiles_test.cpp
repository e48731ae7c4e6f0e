// The colour-profile module on the package model: what its commands leave
// in the settings INI, the list operations and judges over the stored
// profiles, and the texts it completes.
#include "common/core/module_events.h"
#include "common/storage/module_color_profiles.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/printer_facts.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/model/judge_eval.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/module_presets.h"
#include "common/storage/resources.h"
#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexl::test {
namespace {

class ColorProfiles : public StorageTest {
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

    std::u16string Language() { return GetProfileCounterSection(context()); }
    const WCHAR* Ini() { return GetSettingsIniPath(context()); }

    // count stored profiles named P0, P1, ... with paths p0.icm, p1.icm, ...
    void WriteProfiles(int count, int builtIn, int capacity)
    {
        const std::u16string section = Language();
        WriteIniString(section.c_str(), u"CmmCount", Number(count).c_str(), Ini());
        WriteIniString(section.c_str(), u"CmmDefault", Number(builtIn).c_str(), Ini());
        WriteIniString(section.c_str(), u"CmmMax", Number(capacity).c_str(), Ini());
        for (int i = 0; i < count; ++i) {
            const std::u16string name = u"ColorMatching" + Number(i) + section;
            WriteIniString(name.c_str(), u"rdmColorMatchingMode", (u"P" + Number(i)).c_str(), Ini());
            WriteIniString(name.c_str(), u"wdmColorProfilePath", (u"p" + Number(i) + u".icm").c_str(), Ini());
        }
    }
    std::u16string ProfileKey(int index, const WCHAR* key)
    {
        WCHAR section[kProfileTextChars] = {};
        FormatProfileSection(context(), index, section);
        WCHAR text[kProfileTextChars] = {};
        ReadIniString(section, key, u"<none>", text, kProfileTextChars, Ini());
        return text;
    }
    void SetText(std::uint16_t id, const WCHAR* text) { SetItemString(context(), FindItem(context(), id), text); }
    std::u16string Text(std::uint16_t id)
    {
        WCHAR text[kProfileTextChars] = {};
        GetItemString(context(), FindItem(context(), id), text, kProfileTextChars);
        return text;
    }
    static std::u16string Number(int value)
    {
        const std::string digits = std::to_string(value);
        return std::u16string(digits.begin(), digits.end());
    }
};

TEST_F(ColorProfiles, AddStopsAtCapacityButIsAnswered)
{
    WriteProfiles(3, 1, 4);
    SetText(wdmSrcFreeSizeName, u"Fresh");
    SetText(wdmColorProfilePath, u"fresh.icm");
    EXPECT_EQ(ColorModuleCommand(context(), kColorCommandAdd, nullptr), 1);
    EXPECT_EQ(GetProfileCount(context()), 4);
    EXPECT_EQ(ProfileKey(3, u"rdmColorMatchingMode"), u"Fresh");
    EXPECT_EQ(ProfileKey(3, u"wdmColorProfilePath"), u"fresh.icm");

    SetText(wdmSrcFreeSizeName, u"Overflow");
    EXPECT_EQ(ColorModuleCommand(context(), kColorCommandAdd, nullptr), 1);
    EXPECT_EQ(GetProfileCount(context()), 4);
    EXPECT_EQ(ProfileKey(4, u"rdmColorMatchingMode"), u"<none>");
}

// The sections after the deleted profile move down one by one in the file,
// whatever the page holds; the old last section stays behind.
TEST_F(ColorProfiles, DeleteShiftsTheFollowingSectionsInTheFile)
{
    WriteProfiles(4, 1, 16);
    SetItemValue(context(), rdmColorMatchingMode, kProfileValueBase + 1);
    SetText(wdmSrcFreeSizeName, u"left on the page");
    EXPECT_EQ(ColorModuleCommand(context(), kColorCommandDelete, nullptr), 1);
    EXPECT_EQ(GetProfileCount(context()), 3);
    EXPECT_EQ(ProfileKey(0, u"rdmColorMatchingMode"), u"P0");
    EXPECT_EQ(ProfileKey(1, u"rdmColorMatchingMode"), u"P2");
    EXPECT_EQ(ProfileKey(1, u"wdmColorProfilePath"), u"p2.icm");
    EXPECT_EQ(ProfileKey(2, u"rdmColorMatchingMode"), u"P3");
    EXPECT_EQ(ProfileKey(3, u"rdmColorMatchingMode"), u"P3");
    EXPECT_EQ(Text(wdmSrcFreeSizeName), u"left on the page");
    EXPECT_EQ(context()->workArea->colorChangeFlags[0], 1);
    EXPECT_EQ(context()->workArea->colorChangeFlags[1], kProfileValueBase + 1);
}

// Without the profile page the right profile still goes.
TEST_F(ColorProfiles, DeleteWithoutTheProfilePageDeletesTheSelectedProfile)
{
    WriteProfiles(3, 1, 16);
    bool complete = false;
    PageTable* pages = CopyPageTable(context()->pageTable, &complete);
    ASSERT_TRUE(complete);
    PageTable* shared = context()->pageTable;
    context()->pageTable = pages;
    FindPage(context(), 4011)->itemCount = 0;
    SetItemValue(context(), rdmColorMatchingMode, kProfileValueBase);
    ColorModuleCommand(context(), kColorCommandDelete, nullptr);
    context()->pageTable = shared;
    FreePageTable(pages);
    EXPECT_EQ(GetProfileCount(context()), 2);
    EXPECT_EQ(ProfileKey(0, u"rdmColorMatchingMode"), u"P1");
    EXPECT_EQ(ProfileKey(1, u"rdmColorMatchingMode"), u"P2");
}

TEST_F(ColorProfiles, ValuesReferToStoredProfilesOnly)
{
    WriteProfiles(2, 1, 16);
    EXPECT_EQ(ProfileIndexFromValue(context(), 199), -1);
    EXPECT_EQ(ProfileIndexFromValue(context(), 200), 0);
    EXPECT_EQ(ProfileIndexFromValue(context(), 201), 1);
    EXPECT_EQ(ProfileIndexFromValue(context(), 202), -1);
}

TEST_F(ColorProfiles, JudgesAndCountOperation)
{
    WriteProfiles(3, 2, 3);
    EXPECT_EQ(EvaluateModuleJudge(context(), wdmJudgeHookUcf20), 1u);  // no selection
    SetItemValue(context(), rdmColorMatchingMode, kProfileValueBase + 1);
    EXPECT_EQ(EvaluateModuleJudge(context(), wdmJudgeHookUcf20), 1u);  // built-in
    SetItemValue(context(), rdmColorMatchingMode, kProfileValueBase + 2);
    EXPECT_EQ(EvaluateModuleJudge(context(), wdmJudgeHookUcf20), 0u);
    EXPECT_EQ(EvaluateModuleJudge(context(), wdmJudgeHookUcf21), 1u);  // full
    EXPECT_EQ(EvaluateModuleJudge(context(), wdmJudgeHookUcf22), 1u);
    EXPECT_EQ(EvaluateModuleJudge(context(), 1300), 0u);
    EXPECT_EQ(GetJudgeHooks().evaluateModuleJudge(context(), wdmJudgeHookUcf21), 1u);

    std::uintptr_t request[kModuleListRequestWords] = {};
    EXPECT_TRUE(RunModuleListOperation(context(), 0, request));
    EXPECT_EQ(request[0], 3u);
    EXPECT_FALSE(RunModuleListOperation(context(), 7, request));
}

TEST_F(ColorProfiles, ListOperationOneLoadsTheProfileAndCutsItsText)
{
    WriteProfiles(2, 1, 16);
    WCHAR text[3] = {u'x', u'x', u'x'};
    std::uintptr_t request[kModuleListRequestWords] = {1, reinterpret_cast<std::uintptr_t>(text), 3};
    EXPECT_TRUE(RunModuleListOperation(context(), 1, request));
    EXPECT_EQ(std::u16string(text), u"P1");
    EXPECT_EQ(Text(wdmColorProfilePath), u"p1.icm");
}

// The user profiles' strings take the profile's name, cut to the caller's buffer.
TEST_F(ColorProfiles, UserProfileStringsAreCutToTheBuffer)
{
    WriteProfiles(2, 1, 16);
    WriteIniString((u"ColorMatching1" + Language()).c_str(), u"rdmColorMatchingMode", u"A long profile name", Ini());
    WCHAR text[8] = {};
    CompleteResourceString(context(), 566, text, 8);
    EXPECT_EQ(std::u16string(text), u"A long ");
    ModuleStringRequest other{600, text, 8};
    EXPECT_EQ(ColorModuleEvent(context(), kModuleEventStringText, &other, nullptr), 0);
}

TEST_F(ColorProfiles, CountersCopiedToAnotherFile)
{
    const std::u16string section = Language();
    const std::u16string source = u"C:\\_vexl\\source.ini";
    const std::u16string target = u"C:\\_vexl\\target.ini";
    WriteIniString(section.c_str(), u"CmmMax", u"12", source.c_str());
    WriteIniString(section.c_str(), u"CmmDefault", u"3", source.c_str());
    WriteIniString(section.c_str(), u"CmmCount", u"7", target.c_str());
    ListCopyEvent keep{source.c_str(), target.c_str(), TRUE};
    EXPECT_EQ(ColorModuleEvent(context(), kModuleEventCopyProfileCounters, &keep, nullptr), 1);
    EXPECT_EQ(ReadIniInt(section.c_str(), u"CmmMax", 0, target.c_str()), 12);
    EXPECT_EQ(ReadIniInt(section.c_str(), u"CmmCount", 0, target.c_str()), 7);
    ListCopyEvent reset{source.c_str(), target.c_str(), FALSE};
    ColorModuleEvent(context(), kModuleEventCopyProfileCounters, &reset, nullptr);
    EXPECT_EQ(ReadIniInt(section.c_str(), u"CmmCount", 0, target.c_str()), 3);
}

// After profiles were deleted, a user quality list in use gives its own
// colour matching back to the items that now refer past the stored
// profiles; everything else stays as it was.
TEST_F(ColorProfiles, AResetTakesTheQualityListsValuesForReferencesPastTheProfiles)
{
    // The snapshot levels a context is created with.
    struct SnapshotLevels {
        ContextWorkArea* work;
        std::vector<std::uint8_t> levels[3];
        explicit SnapshotLevels(ContextWorkArea* w) : work(w)
        {
            for (int i = 0; i < 3; ++i) {
                levels[i].assign(kSettingsStoreSize, 0);
                work->storeSnapshots[i] = levels[i].data();
            }
        }
        ~SnapshotLevels()
        {
            for (std::uint8_t*& level : work->storeSnapshots) level = nullptr;
        }
    } snapshots(ctx_.work());
    WriteProfiles(4, 1, 16);
    std::u16string section = GetPrinterSectionName(context());
    SanitizeIniSection(section.data());
    WriteIniString(section.c_str(), u"QualityList0", u"C:\\_vexl\\fine.rsq", Ini());
    // The quality file, in the language form of the driver's quality files:
    // colour matching 2, brightness 10.
    const WCHAR* file = u"C:\\_vexl\\fine.rsq";
    WriteIniString(Language().c_str(), u"rdmColorMatchingMode", u"2", file);
    WriteIniString(Language().c_str(), u"rdmBrightness", u"10", file);

    SetItemValue(context(), rdmUseUserMacro, 1);
    SetItemValue(context(), rdmUserPrintMacro, 32);  // the first user quality list
    SetItemValue(context(), rdmBrightness, 60);
    SetItemValue(context(), wdmColorMatchingText, kProfileValueBase + 1);
    SetItemValue(context(), wdmColorMatchingLine, 3);
    const auto store = [&] {
        const std::uint8_t* bytes = GetStoreBytes(context());
        return std::vector<std::uint8_t>(bytes, bytes + kSettingsStoreSize);
    };
    // The last of the four profiles was deleted.
    SetProfileCount(context(), 3);
    struct Case {
        std::uint32_t mode;  // rdmColorMatchingMode before the reset
        std::uint32_t expected;
    } cases[] = {
        {kProfileValueBase + 3, 2},                      // past the profiles: the file's value
        {kProfileValueBase + 2, kProfileValueBase + 2},  // still a profile
        {1, 1},                                          // a built-in choice
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        SetItemValue(context(), rdmColorMatchingMode, c.mode);
        std::vector<std::uint8_t> before = store();
        FixProfileItemsAfterReset(context());
        EXPECT_EQ(GetItemValue(context(), rdmColorMatchingMode), c.expected);
        SetItemValue(context(), rdmColorMatchingMode, c.mode);
        EXPECT_EQ(store(), before) << "only the colour matching may change";
        EXPECT_EQ(GetItemValue(context(), rdmBrightness), 60u);
        EXPECT_EQ(GetItemValue(context(), wdmColorMatchingText), kProfileValueBase + 1);
    }

    // Without a user quality list in use nothing changes.
    SetItemValue(context(), rdmUseUserMacro, 0);
    SetItemValue(context(), rdmColorMatchingMode, kProfileValueBase + 3);
    FixProfileItemsAfterReset(context());
    EXPECT_EQ(GetItemValue(context(), rdmColorMatchingMode), kProfileValueBase + 3);
}

TEST_F(ColorProfiles, PictureAndSliderEvents)
{
    PageItem picture{};
    picture.controlId = 3039;
    SetItemOption(context(), rdmTonerSaveDensityText, 1);
    ControlPictureEvent event{&picture, 6982, 99};
    EXPECT_EQ(ColorModuleEvent(context(), kModuleEventPictureIndex, &event, nullptr), 1);
    EXPECT_EQ(event.pictureIndex, 13u);
    PageItem slider{};
    for (std::uint16_t id : {3032, 3035, 3038, 3033}) {
        slider.controlId = id;
        SliderDirectionEvent direction{&slider, 0};
        ColorModuleEvent(context(), kModuleEventReversedSlider, &direction, nullptr);
        EXPECT_EQ(direction.reversed, id == 3033 ? 0u : 1u) << id;
    }
}

}  // namespace
}  // namespace vexl::test
