// The chapter trays checked against the transactions of the chapter tray
// entry: a chapter on a tray that the description moves elsewhere follows
// it, and so does the tray-class item that named the old tray.
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/storage/module_chapters.h"

#include "compiled_fixture.h"

#include <gtest/gtest.h>

namespace vexl::model {
namespace {

// Tray values 1 and 4 are the options 13624 and 13260 of wdmChapterTray's
// value map; a chapter may not be fed from the bypass tray.
constexpr std::string_view kChapterModel =
    "*FileVersion: 7.60\n"
    "*OpenUI *KSD_CHAPTRAY: PickOne\n*KSD_CHAPTRAY CT_T1: \"t1\"\n*KSD_CHAPTRAY CT_BYPASS: \"bypass\"\n"
    "*DefaultKSD_CHAPTRAY: CT_T1\n*CloseUI: *KSD_CHAPTRAY\n"
    "*Judge 1=OnBypass: KSD_CHAPTRAY == CT_BYPASS\n"
    "*Action 1=ToTray1: { {KSD_CHAPTRAY CT_T1} }\n"
    "*Transact 1=LeaveBypass: { {OnBypass ToTray1} }\n"
    "*Exclusive: { {KSD_CHAPTRAY NULL NULL NULL NULL LeaveBypass NULL NULL} }\n";

class ChapterTrays : public test::CompiledContextTest {
protected:
    void SetUp() override
    {
        CompiledContextTest::SetUp();
        test::FixtureNames names = test::SmallModelNames();
        names.symbols["KSD_CHAPTRAY"] = {wdmChapterTray, 520};
        names.constants["CT_T1"] = 13624;
        names.constants["CT_BYPASS"] = 13260;
        UseDescription(kChapterModel, names);
    }
    void TearDown() override
    {
        FreeIfNotNull(ctx_.work()->chapters);
        CompiledContextTest::TearDown();
    }
};

TEST_F(ChapterTrays, AChapterLeavesATrayTheDescriptionRefuses)
{
    SetItemValue(context(), wdmChapterMax, 4);
    SetItemValue(context(), wdmChapterNum, 2);
    ChapterRecord* list = EnsureChapterList(context());
    ASSERT_NE(list, nullptr);
    list[0] = {2, 3, 0, 1, {}};
    list[1] = {5, 4, 0, 2, {}};
    SetItemValue(context(), wdmChapterUseTray1, 3);
    SetItemValue(context(), wdmChapterUseTray2, 4);
    SetItemValue(context(), wdmChapterTray, 4);
    SetItemValue(context(), wdmChapterPrint, 1);

    ValidateChapterTrays(context());
    EXPECT_EQ(list[0].tray, 3);
    EXPECT_EQ(list[1].tray, 1);
    EXPECT_EQ(list[1].print, 2);
    EXPECT_EQ(GetItemValue(context(), wdmChapterUseTray1), 3u);
    EXPECT_EQ(GetItemValue(context(), wdmChapterUseTray2), 1u);
    // The values for the next chapters are as before.
    EXPECT_EQ(GetItemValue(context(), wdmChapterTray), 4u);
    EXPECT_EQ(GetItemValue(context(), wdmChapterPrint), 1u);
}

}  // namespace
}  // namespace vexl::model
