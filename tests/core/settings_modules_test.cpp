// Dispatch of commands and events to the settings modules, the snapshot
// stack that lets a dialog be cancelled, the item table's run-time state and
// the build switches.
#include "common/core/module_events.h"
#include "common/core/settings_modules.h"

#include "common/core/item_ids.h"
#include "common/core/memory.h"
#include "common/core/store.h"
#include "common/core/switches.h"
#include "context_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace vexl {
namespace {

using test::ContextTest;

// What the recording hooks saw, and the row that answers.
struct Visit {
    int row;
    std::uint32_t what;
    void* privateBuffer;
    bool hadStore;
};
std::vector<Visit> g_visits;
int g_answeringRow = -1;

template <int Row> int RecordCommand(DriverContext* context, std::uint16_t command, void* privateBuffer)
{
    g_visits.push_back({Row, command, privateBuffer, context->store != nullptr});
    return Row == g_answeringRow ? 1 : 0;
}

template <int Row> int RecordEvent(DriverContext* context, std::uint32_t event, void*, void* privateBuffer)
{
    g_visits.push_back({Row, event, privateBuffer, context->store != nullptr});
    return Row == g_answeringRow ? 1 : 0;
}

template <int... Rows> void InstallRecorders(SettingsModuleTable* table, std::integer_sequence<int, Rows...>)
{
    ((table->rows[Rows].command = RecordCommand<Rows>, table->rows[Rows].event = RecordEvent<Rows>), ...);
}

class SettingsModulesTest : public ContextTest {
protected:
    SettingsModulesTest()
    {
        context_ = Create(Open());
        InstallRecorders(context_->workArea->moduleTable, std::make_integer_sequence<int, kSettingsModuleCount>());
        g_visits.clear();
        g_answeringRow = -1;
    }
    ~SettingsModulesTest() override
    {
        if (context_) ReleaseDriverContext(context_, kReleaseDestroy);
    }

    std::vector<int> RowsVisited() const
    {
        std::vector<int> rows;
        for (const Visit& visit : g_visits) rows.push_back(visit.row);
        return rows;
    }

    std::vector<std::uint8_t> StoreBytes() const
    {
        return {context_->store->bytes, context_->store->bytes + GetSettingsStoreSize()};
    }

    DriverContext* context_ = nullptr;
};

TEST_F(SettingsModulesTest, DispatchVisitsRowsInOrderUntilOneAnswers)
{
    const std::vector<int> allRows = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};

    SendSettingsModuleCommand(context_, 312);
    EXPECT_EQ(RowsVisited(), allRows);
    EXPECT_EQ(g_visits[4].privateBuffer, context_->workArea->moduleTable->rows[kModuleChapters].privateBuffer);
    EXPECT_NE(g_visits[4].privateBuffer, nullptr);
    EXPECT_EQ(g_visits[3].privateBuffer, nullptr);

    g_visits.clear();
    g_answeringRow = 3;
    SendSettingsModuleCommand(context_, 312);
    EXPECT_EQ(RowsVisited(), std::vector<int>({0, 1, 2, 3}));

    g_visits.clear();
    g_answeringRow = 0;
    NotifySettingsModules(context_, 54, nullptr);
    EXPECT_EQ(RowsVisited(), std::vector<int>({0}));

    g_visits.clear();
    g_answeringRow = -1;
    NotifySettingsModules(context_, 54, nullptr);
    EXPECT_EQ(RowsVisited(), allRows);
    EXPECT_EQ(g_visits[9].what, 54u);
}

TEST_F(SettingsModulesTest, EveryModuleHasItsOwnPrivateBuffer)
{
    DriverContext* other = Create(Open(test::kOtherPrinter));
    void* mine = context_->workArea->moduleTable->rows[kModuleChapters].privateBuffer;
    void* theirs = other->workArea->moduleTable->rows[kModuleChapters].privateBuffer;
    EXPECT_NE(mine, theirs);
    EXPECT_EQ(GetSettingsModuleTable().rows[kModuleChapters].privateBuffer, nullptr);
    ReleaseDriverContext(other, kReleaseDestroy);
}

TEST_F(SettingsModulesTest, TheLastEventComesAfterTheStoreIsGone)
{
    ReleaseDriverContext(context_, kReleaseDestroy);
    context_ = nullptr;
    ASSERT_EQ(g_visits.size(), 10u);
    for (const Visit& visit : g_visits) {
        EXPECT_EQ(visit.what, kModuleEventRelease);
        EXPECT_FALSE(visit.hadStore);
    }
}

TEST_F(SettingsModulesTest, PopWithRestoreBringsBackStoreUiFlagsAndChangeMarks)
{
    SetItemValue(context_, dmCopies, 2);
    RaiseUiFlags(context_, 0x00010000);
    const std::vector<std::uint8_t> before = StoreBytes();
    const std::uint32_t uiFlagsBefore = GetUiFlags(context_);
    for (int i = 0; i < context_->itemTable->count; ++i)
        context_->itemTable->items[i].stateBits &= ~kItemChangeMarkMask;

    PushSettingsSnapshot(context_);
    EXPECT_EQ(g_visits.back().what, kModuleEventSnapshotPushed);
    SetItemValue(context_, dmCopies, 9);
    SetItemValue(context_, dmPaperSize, 8);
    RaiseUiFlags(context_, 0x00100000);
    ASSERT_NE(FindItem(context_, dmCopies)->stateBits & kItemChangeMarkMask, 0);
    ASSERT_EQ(context_->workArea->settingsModified, 1u);

    PopSettingsSnapshot(context_, TRUE);
    EXPECT_EQ(g_visits.back().what, kModuleEventSnapshotRestored);
    EXPECT_EQ(StoreBytes(), before);
    EXPECT_EQ(GetUiFlags(context_), uiFlagsBefore);
    EXPECT_EQ(context_->workArea->settingsModified, 0u);
    for (int i = 0; i < context_->itemTable->count; ++i) {
        ASSERT_EQ(context_->itemTable->items[i].stateBits & kItemChangeMarkMask, 0) << "item index " << i;
    }
}

TEST_F(SettingsModulesTest, PopsWithoutRestoreKeepTheChangesAndMoveTheLevelsUp)
{
    SetItemValue(context_, dmCopies, 1);
    PushSettingsSnapshot(context_);  // level 1: copies 1
    const std::vector<std::uint8_t> level1 = {context_->workArea->storeSnapshots[0],
                                              context_->workArea->storeSnapshots[0] + GetSettingsStoreSize()};
    SetItemValue(context_, dmCopies, 2);
    PushSettingsSnapshot(context_);
    SetItemValue(context_, dmCopies, 3);
    PushSettingsSnapshot(context_);
    SetItemValue(context_, dmCopies, 4);

    PopSettingsSnapshot(context_, FALSE);
    PopSettingsSnapshot(context_, FALSE);
    EXPECT_EQ(GetItemValue(context_, dmCopies), 4u);
    EXPECT_EQ(std::memcmp(context_->workArea->storeSnapshots[0], level1.data(), level1.size()), 0);
}

TEST_F(SettingsModulesTest, AFourthPushForgetsTheFirst)
{
    for (std::uint32_t copies = 1; copies <= 4; ++copies) {
        SetItemValue(context_, dmCopies, copies);
        RaiseUiFlags(context_, copies);
        PushSettingsSnapshot(context_);
    }
    const std::uint32_t restored[] = {4, 3, 2, 2};
    for (std::uint32_t copies : restored) {
        SetItemValue(context_, dmCopies, 99);
        PopSettingsSnapshot(context_, TRUE);
        EXPECT_EQ(GetItemValue(context_, dmCopies), copies);
        EXPECT_EQ(GetUiFlags(context_) & kUiFlagsControlIdMask, copies);
    }
}

TEST_F(SettingsModulesTest, TheFontTableReplacedByThePageComesBackOnCancel)
{
    // A font table owned by the store when the sheet opened.
    void* original = AllocZeroed(128);
    SetItemHeapAddress(context_, rdmFontTable, original);
    PushSettingsSnapshot(context_);

    // The font-substitution page installs a new table and keeps the old one pending.
    SetItemHeapAddress(context_, rdmFontTable, AllocZeroed(128));
    context_->workArea->pendingFontTable = original;
    PopSettingsSnapshot(context_, TRUE);
    EXPECT_EQ(GetItemHeapAddress(context_, rdmFontTable), original);
    EXPECT_EQ(context_->workArea->pendingFontTable, nullptr);

    // Accepted instead: the old table goes, the new one stays.
    PushSettingsSnapshot(context_);
    void* replacement = AllocZeroed(128);
    SetItemHeapAddress(context_, rdmFontTable, replacement);
    context_->workArea->pendingFontTable = original;
    PopSettingsSnapshot(context_, FALSE);
    EXPECT_EQ(GetItemHeapAddress(context_, rdmFontTable), replacement);
    EXPECT_EQ(context_->workArea->pendingFontTable, nullptr);
    // The context frees the store's table when it is destroyed.
}

// A font change that frees the old lists and is then cancelled brings back
// lists that are still alive: each snapshot level owns copies of its own.
TEST_F(SettingsModulesTest, ACancelledFontChangeBringsBackLiveLists)
{
    auto* device = static_cast<std::uint8_t*>(AllocZeroed(2 * 68));
    device[0] = 'D';
    auto* option = static_cast<std::uint8_t*>(AllocZeroed(68));
    option[0] = 'O';
    SetItemHeapAddress(context_, rdmDeviceFont, device);
    SetItemValue(context_, rdmDeviceFontNum, 2);
    SetItemHeapAddress(context_, rdmOptionFont, option);
    SetItemValue(context_, rdmOptionFontNum, 1);
    PushSettingsSnapshot(context_);
    PushSettingsSnapshot(context_);

    // The change replaces both lists and frees the old ones.
    FreeIfNotNull(device);
    FreeIfNotNull(option);
    SetItemHeapAddress(context_, rdmDeviceFont, AllocZeroed(68));
    SetItemValue(context_, rdmDeviceFontNum, 1);
    SetItemHeapAddress(context_, rdmOptionFont, nullptr);
    SetItemValue(context_, rdmOptionFontNum, 0);

    PopSettingsSnapshot(context_, TRUE);
    const auto* restored = static_cast<const std::uint8_t*>(GetItemHeapAddress(context_, rdmDeviceFont));
    ASSERT_NE(restored, nullptr);
    EXPECT_EQ(restored[0], 'D');
    EXPECT_EQ(GetItemValue(context_, rdmDeviceFontNum), 2u);
    EXPECT_EQ(static_cast<const std::uint8_t*>(GetItemHeapAddress(context_, rdmOptionFont))[0], 'O');

    // The older level still has its own copies after the restored ones changed.
    static_cast<std::uint8_t*>(GetItemHeapAddress(context_, rdmDeviceFont))[0] = 'X';
    FreeIfNotNull(GetItemHeapAddress(context_, rdmOptionFont));
    SetItemHeapAddress(context_, rdmOptionFont, nullptr);
    PopSettingsSnapshot(context_, TRUE);
    EXPECT_EQ(static_cast<const std::uint8_t*>(GetItemHeapAddress(context_, rdmDeviceFont))[0], 'D');
    EXPECT_EQ(static_cast<const std::uint8_t*>(GetItemHeapAddress(context_, rdmOptionFont))[0], 'O');

    // Levels left on the stack free their copies with the context.
    PushSettingsSnapshot(context_);
    PushSettingsSnapshot(context_);
    PushSettingsSnapshot(context_);
    PushSettingsSnapshot(context_);
}

TEST_F(SettingsModulesTest, TheItemTableStateComesBack)
{
    SettingItemDescriptor* copies = FindItem(context_, dmCopies);
    copies->stateBits &= ~kItemChangeMarkMask;
    copies->eventMask = 0x10000;
    ItemTable* saved = SaveItemTableState(context_);
    ASSERT_NE(saved, nullptr);
    EXPECT_NE(saved->items, context_->itemTable->items);

    SetItemValue(context_, dmCopies, 5);
    copies->eventMask = 0;
    RestoreItemTableState(context_, saved);
    EXPECT_EQ(copies->stateBits & kItemChangeMarkMask, 0);
    EXPECT_EQ(copies->eventMask, 0x10000u);
    EXPECT_EQ(GetItemValue(context_, dmCopies), 5u);  // the store is not part of it
    RestoreItemTableState(context_, nullptr);
}

// ---- switches ----------------------------------------------------------------------------

TEST(BuildSwitchesTest, OnlyFeatureSevenIsOn)
{
    for (std::uint32_t bit = 0; bit < 70; ++bit) EXPECT_EQ(IsBuildFeatureOn(bit), bit == 7 ? 1 : 0) << bit;
    EXPECT_EQ(IsJobControlEnabled(), 1);
    EXPECT_EQ(IsUserCodeProviderEnabled(), 0);
}

TEST_F(SettingsModulesTest, ModelCapabilitiesComeFromTheModelNameEntry)
{
    EXPECT_EQ(HasModelCapability(context_, 1), 0);
    context_->workArea->modelCapabilities = 0x5;
    EXPECT_EQ(HasModelCapability(context_, 0x4), 1);
    EXPECT_EQ(HasModelCapability(context_, 0x2), 0);
}

}  // namespace
}  // namespace vexl
