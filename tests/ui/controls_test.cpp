// The option-node and control-value helpers on the package printer: display
// texts, administrator locks, lookup by window, and the printer's paths.
#include "ui/services/controls.h"

#include "common/core/appservices.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/model/compile_state.h"
#include "common/model/compiled_model.h"
#include "common/model/ui_lookup.h"
#include "common/storage/directories.h"
#include "common/storage/resources.h"
#include "ui/base/printer_values.h"
#include "ui/base/text_buffers.h"
#include "ui_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace vexl::test {
namespace {

class ControlsTest : public UiPrinterTest {
protected:
    void SetUp() override
    {
        UiPrinterTest::SetUp();
        context_ = Create();
        ASSERT_NE(context_, nullptr);
    }
    void TearDown() override
    {
        if (context_) ReleaseDriverContext(context_, kReleaseDestroy);
        UiPrinterTest::TearDown();
    }
    std::u16string Display(std::uint16_t symbolKey)
    {
        WCHAR text[512] = {};
        ui::FormatItemValueText(context_, symbolKey, text, 512);
        return text;
    }
    std::u16string String(std::uint32_t id)
    {
        WCHAR text[1025] = {};
        LoadUiString(context_, id, text, 1025, TRUE);
        return text;
    }
    // The first setting whose UI entry is of the kind.
    SettingItemDescriptor* FindSettingOfKind(std::uint16_t kind)
    {
        for (int i = 0; i < context_->itemTable->count; ++i) {
            SettingItemDescriptor& item = context_->itemTable->items[i];
            if (item.symbolKey == 0) continue;
            const BlockOffset entry = FindUiEntryByKey(item.symbolKey, context_);
            if (entry != 0 && (ReadContextUiEntry(context_, entry).type & 0xFF) == kind) return &item;
        }
        return nullptr;
    }
    DriverContext* context_ = nullptr;
};

TEST_F(ControlsTest, DisplayTextsFollowTheKindOfTheSetting)
{
    // The display-string table maps an option to another string; other ids show themselves.
    EXPECT_EQ(ui::MapOptionToStringId(2284), 261u);
    EXPECT_EQ(ui::MapOptionToStringId(3228), 13652u);
    EXPECT_EQ(ui::MapOptionToStringId(9), 9u);

    SettingItemDescriptor* boolean = FindSettingOfKind(model::kUiBoolean);
    ASSERT_NE(boolean, nullptr);
    WriteItemOption(context_, boolean, 1);
    EXPECT_EQ(Display(boolean->symbolKey), u"On");
    WriteItemOption(context_, boolean, 0);
    EXPECT_EQ(Display(boolean->symbolKey), u"Off");

    // A pick option whose string has no text names its id.
    SettingItemDescriptor* pick = FindSettingOfKind(model::kUiPickOne);
    ASSERT_NE(pick, nullptr);
    const std::uint32_t option = ReadItemOption(context_, pick);
    const std::uint32_t id = ui::MapOptionToStringId(option);
    const std::u16string text = String(id);
    EXPECT_EQ(Display(pick->symbolKey), text.empty() ? ui::DecimalText(id) + u" is not string-ID" : text);
}

TEST_F(ControlsTest, StampKindsShowTheirOwnTexts)
{
    // The model gives the stamp kind no UI entry; a symbol key of its own
    // in this context's item table makes it reachable.
    SettingItemDescriptor* kind = FindItem(context_, rdmWmKind);
    ASSERT_NE(kind, nullptr);
    if (kind->symbolKey == 0) kind->symbolKey = 0x7FF0;
    ASSERT_EQ(FindUiEntryByKey(kind->symbolKey, context_), 0u);
    const struct {
        std::uint32_t value;
        std::u16string text;
    } cases[] = {{1, u"文字ｽﾀﾝﾌﾟ"}, {2, u"ｲﾒｰｼﾞｽﾀﾝﾌﾟ"}, {3, u"合成"}, {7, u"Unknown"}};
    for (const auto& c : cases) {
        SetItemValue(context_, rdmWmKind, c.value);
        EXPECT_EQ(Display(kind->symbolKey), c.text) << c.value;
    }
}

TEST_F(ControlsTest, AnAdministratorLockNeedsTheLockMessageOfTheControl)
{
    if (!IsFeatureClassOn(context_, 2, 0)) GTEST_SKIP() << "no administrator locks in this build";
    SetItemValue(context_, rdmLock000InfoBitMedia, 1);
    PageItem control{};
    control.lockMessageId2 = rdmLock000InfoBitMedia;
    EXPECT_FALSE(ui::IsControlAdminLocked(context_, &control));
    control.lockMessageId = 1;
    EXPECT_TRUE(ui::IsControlAdminLocked(context_, &control));
    SetItemValue(context_, rdmLock000InfoBitMedia, 0);
    EXPECT_FALSE(ui::IsControlAdminLocked(context_, &control));
}

TEST_F(ControlsTest, PagesAndControlsAreFoundByTheirWindows)
{
    ASSERT_GT(context_->pageTable->count, 1);
    PageDesc& second = context_->pageTable->pages[1];
    ASSERT_GT(second.itemCount, 0);
    auto* pageWindow = reinterpret_cast<HWND>(0x1000);
    auto* controlWindow = reinterpret_cast<HWND>(0x2000);
    second.window = pageWindow;
    second.items[second.itemCount - 1].window = controlWindow;
    EXPECT_EQ(ui::FindPageByWindow(context_, pageWindow), &second);
    EXPECT_EQ(ui::FindControlByWindow(context_, nullptr, controlWindow), &second.items[second.itemCount - 1]);
    EXPECT_EQ(ui::FindControlByWindow(context_, &context_->pageTable->pages[0], controlWindow), nullptr);
    EXPECT_EQ(ui::FindPageByWindow(context_, controlWindow), nullptr);
    second.window = nullptr;
    second.items[second.itemCount - 1].window = nullptr;
}

TEST_F(ControlsTest, HelpAndPictureLibraryPathsComeFromTheDriverFolder)
{
    const std::u16string folder = std::u16string(kDriverFolder) + u"\\";
    WCHAR path[MAX_PATH] = {};
    ASSERT_TRUE(ui::GetHelpFilePath(context_, path, MAX_PATH));
    EXPECT_EQ(std::u16string(path), folder + u"TZ16E1US.HLP");

    // Without the printer's help file name, the resource library's name with "hlp".
    DeletePrinterDataW(printer_, std::u16string(u"HelpFileName").data());
    ASSERT_TRUE(ui::GetHelpFilePath(context_, path, MAX_PATH));
    std::u16string library = GetUiResourceLibraryPath(context_);
    EXPECT_EQ(std::u16string(path), library.substr(0, library.size() - 3) + u"hlp");

    const std::u16string name = GetUiResourceLibraryName(context_);
    ASSERT_GE(name.size(), 8u);
    std::u16string picture = name;
    picture[picture.size() - 8] = u'C';
    picture[picture.size() - 6] = u'X';
    picture[picture.size() - 5] = u'X';
    ASSERT_TRUE(ui::GetPictureLibraryPath(context_, path, MAX_PATH));
    EXPECT_EQ(std::u16string(path), folder + picture);
}

TEST_F(ControlsTest, AControlNeedsARefreshWhenItsJudgeReadsAChangedSetting)
{
    // A control whose record has a refusal judge reading a setting.
    const CompiledModel* block = context_->compiledModel;
    PageItem control{};
    BlockOffset judge = 0;
    std::uint16_t read = 0;
    for (int i = 0; i < context_->itemTable->count && read == 0; ++i) {
        const std::uint16_t key = context_->itemTable->items[i].symbolKey;
        const model::UiEntryRecord entry = ReadContextUiEntry(context_, key ? FindUiEntryByKey(key, context_) : 0);
        if (entry.exclusive == 0) continue;
        judge = model::ReadExclusiveRecord(block, entry.exclusive).j2;
        for (BlockOffset at = judge; judge != 0 && at + model::kJudgeOpSize <= block->totalSize;
             at += model::kJudgeOpSize) {
            const model::JudgeOpRecord op = model::ReadJudgeOp(block, at);
            if (op.kind == model::kJudgeOperator && op.operand == model::kJudgeEndCode) break;
            if (op.kind == model::kJudgeItem) {
                read = op.operand;
                control.symbolKey = key;
                break;
            }
        }
    }
    ASSERT_NE(read, 0);
    for (int i = 0; i < context_->itemTable->count; ++i) context_->itemTable->items[i].stateBits &= ~0x3;
    control.state = static_cast<std::uint16_t>(ui::UpdateControlDisabledState(context_, nullptr, &control) << 2);
    EXPECT_FALSE(ui::JudgeRefersToChangedSetting(context_, judge));
    EXPECT_FALSE(ui::NeedsDisabledRefresh(context_, nullptr, &control));
    FindItem(context_, read)->stateBits |= 1;
    EXPECT_TRUE(ui::JudgeRefersToChangedSetting(context_, judge));
    EXPECT_TRUE(ui::NeedsDisabledRefresh(context_, nullptr, &control));
    // A control without a UI entry never needs one.
    PageItem bare{};
    EXPECT_FALSE(ui::NeedsDisabledRefresh(context_, nullptr, &bare));
    EXPECT_FALSE(ui::NeedsHiddenRefresh(context_, &bare));
}

}  // namespace
}  // namespace vexl::test
