// Building a driver context: its own copies of the model's tables, the work
// area's printer facts and flags, the modes, the saved copy of the settings
// and the model-name entry.
#include "common/core/context.h"

#include "common/core/item_ids.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/wiring.h"
#include "context_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace vexl {
namespace {

using test::ContextTest;
using test::kTestDriverName;
using test::kTestPrinter;

class DriverContextTest : public ContextTest {};

TEST_F(DriverContextTest, AFullContextOwnsCopiesOfTheModelTables)
{
    HANDLE printer = Open();
    HANDLE second = Open();
    DriverContext* context = CreateDriverContextEx(printer, second, 0, kCallerPropertySheet, 0, nullptr);
    ASSERT_NE(context, nullptr);
    const DriverContext* model = GetModelDatabase();

    EXPECT_EQ(context->printer, printer);
    EXPECT_EQ(context->secondPrinter, second);
    EXPECT_EQ(context->currentPageId, 0);
    EXPECT_NE(context->compiledModel, nullptr);
    EXPECT_NE(context->store, nullptr);
    EXPECT_EQ(context->symbolTable, model->symbolTable);
    EXPECT_EQ(context->messageTable, model->messageTable);

    ASSERT_NE(context->itemTable, model->itemTable);
    ASSERT_EQ(context->itemTable->count, model->itemTable->count);
    for (int i = 0; i < context->itemTable->count; ++i) {
        const SettingItemDescriptor& copy = context->itemTable->items[i];
        const SettingItemDescriptor& original = model->itemTable->items[i];
        ASSERT_EQ(copy.id, original.id);
        ASSERT_EQ(copy.typeWord, original.typeWord);
        ASSERT_NE(copy.side, original.side);
        ASSERT_EQ(copy.side->name, original.side->name);
        ASSERT_EQ(copy.stateBits & ~kItemStaticStateMask, 0);
        ASSERT_EQ(copy.eventMask, 0u);
    }
    ASSERT_NE(context->pageTable, model->pageTable);
    ASSERT_EQ(context->pageTable->count, model->pageTable->count);
    for (int i = 0; i < context->pageTable->count; ++i) {
        const PageDesc& copy = context->pageTable->pages[i];
        const PageDesc& original = model->pageTable->pages[i];
        ASSERT_EQ(copy.pageId, original.pageId);
        if (original.itemCount > 0) {
            ASSERT_NE(copy.items, original.items);
            ASSERT_EQ(std::memcmp(copy.items, original.items, original.itemCount * sizeof(PageItem)), 0);
        }
    }
    ASSERT_NE(context->modelRecord, model->modelRecord);
    EXPECT_EQ(context->modelRecord->modelNames, model->modelRecord->modelNames);

    // A write into the copy leaves the model database alone.
    context->itemTable->items[0].stateBits |= 1;
    EXPECT_EQ(model->itemTable->items[0].stateBits & 1, 0);
    ReleaseDriverContext(context, kReleaseDestroy);
}

TEST_F(DriverContextTest, TheWorkAreaHoldsThePrinterFactsAndTheCreationFlags)
{
    machine::PrinterSetup setup = test::TestPrinterSetup(kTestPrinter);
    setup.attributes = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI;
    setup.printerData[u"HelpFileName"] = test::TextData(u"TZ16E1GM.HLP");
    machine::AddPrinter(setup);

    const std::uint16_t flags = kCreateHoldsSettingsMutex | kCreateSkipAdministratorCheck | 1;
    DriverContext* context = Create(Open(), kCallerSettingsInterface, flags);
    ASSERT_NE(context, nullptr);
    const ContextWorkArea* work = context->workArea;
    EXPECT_EQ(std::u16string(work->printerName), kTestPrinter);
    EXPECT_EQ(std::u16string(work->driverName), kTestDriverName);
    EXPECT_EQ(std::u16string(work->languageCode), u"gm");
    EXPECT_EQ(work->connectionState, kConnectionLocal);
    EXPECT_EQ(work->attributesLoaded, 1u);
    EXPECT_EQ(work->printerAttributes & PRINTER_ATTRIBUTE_ENABLE_BIDI, PRINTER_ATTRIBUTE_ENABLE_BIDI);
    EXPECT_EQ(work->useSettingsMutex, 0u);
    EXPECT_EQ(work->checkAdministrator, 0u);
    EXPECT_EQ(work->creationMode, 1);
    EXPECT_EQ(work->callerKind, kCallerSettingsInterface);
    for (std::uint8_t* level : work->storeSnapshots) EXPECT_NE(level, nullptr);
    EXPECT_NE(work->savedStore, nullptr);
    EXPECT_NE(work->defaultStore, nullptr);
    EXPECT_NE(work->judgeStack, nullptr);
    ASSERT_NE(work->moduleTable, nullptr);
    EXPECT_EQ(work->moduleTable->count, kSettingsModuleCount);
    EXPECT_NE(work->moduleTable->rows[kModuleChapters].privateBuffer, nullptr);
    ReleaseDriverContext(context, kReleaseDestroy);

    DriverContext* plain = Create(Open());
    EXPECT_EQ(plain->workArea->useSettingsMutex, 1u);
    EXPECT_EQ(plain->workArea->checkAdministrator, 1u);
    ReleaseDriverContext(plain, kReleaseDestroy);
}

TEST_F(DriverContextTest, ALongDriverNameIsCutToItsFieldAndFindsNoModel)
{
    const std::u16string longName = u"VEXL Color 4540 with a name longer than the field";
    machine::AddPrinter(test::TestPrinterSetup(kTestPrinter, longName));
    DriverContext* context = Create(Open());
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(std::u16string(context->workArea->driverName), longName.substr(0, 31));
    EXPECT_EQ(context->workArea->modelCapabilities, 0u);
    ReleaseDriverContext(context, kReleaseDestroy);
}

TEST_F(DriverContextTest, TheDriverNameFallsBackToTheModelRecordUnlessTheModeSkipsIt)
{
    HANDLE printer = Open();
    machine::SetSpoolerFailure(kTestPrinter, "GetPrinterW", ERROR_ACCESS_DENIED);
    struct Case {
        std::uint16_t flags;
        const char16_t* driverName;
    } cases[] = {{0, u"US"}, {3, u"US"}, {2, u""}, {4, u""}};
    for (const Case& c : cases) {
        DriverContext* context = Create(printer, kCallerPropertySheet, c.flags);
        ASSERT_NE(context, nullptr) << "flags " << c.flags;
        EXPECT_EQ(std::u16string(context->workArea->driverName), c.driverName) << "flags " << c.flags;
        EXPECT_EQ(context->workArea->printerName[0], 0);
        ReleaseDriverContext(context, kReleaseDestroy);
    }
}

TEST_F(DriverContextTest, ABareContextHasTablesAndWorkAreaButNoModelOrStore)
{
    DriverContext* context = Create(Open(), kCallerPropertySheet, 4);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->compiledModel, nullptr);
    EXPECT_EQ(context->store, nullptr);
    EXPECT_NE(context->itemTable, nullptr);
    EXPECT_NE(context->workArea, nullptr);
    EXPECT_EQ(context->workArea->judgeStack, nullptr);
    EXPECT_EQ(GetItemValue(context, dmPaperSize), 0u);
    ReleaseDriverContext(context, kReleaseDestroy);
}

TEST_F(DriverContextTest, WithoutACompiledModelNoFullContextIsMade)
{
    SetContextBuildSteps(GetDefaultContextBuildSteps());
    HANDLE printer = Open();
    for (std::uint16_t mode : {0, 1, 2, 3}) {
        EXPECT_EQ(Create(printer, kCallerPropertySheet, mode), nullptr) << "mode " << mode;
    }
    EXPECT_EQ(CreateDriverContext(printer, printer, nullptr, kCallerSettingsInterface), nullptr);
    EXPECT_EQ(PurgeContextCache(TRUE), 0);
}

int g_storedSettingsLoads = 0;
BOOL CountStoredSettingsLoad(DriverContext*)
{
    ++g_storedSettingsLoads;
    return 1;
}

TEST_F(DriverContextTest, StoredSettingsAreLoadedInModeZeroOrWhenAsked)
{
    ContextBuildSteps steps = GetContextBuildSteps();
    steps.applyStoredBidiConfig = CountStoredSettingsLoad;
    SetContextBuildSteps(steps);
    struct Case {
        std::uint16_t flags;
        int loads;
    } cases[] = {{0, 1}, {1, 0}, {2, 0}, {3, 0}, {1 | kCreateLoadStoredSettings, 1}, {4, 0}};
    HANDLE printer = Open();
    for (const Case& c : cases) {
        g_storedSettingsLoads = 0;
        ReleaseDriverContext(Create(printer, kCallerPropertySheet, c.flags), kReleaseDestroy);
        EXPECT_EQ(g_storedSettingsLoads, c.loads) << "flags " << c.flags;
    }
}

// ---- the saved copy ------------------------------------------------------------------

TEST_F(DriverContextTest, TheSavedCopyOwnsItsFontLists)
{
    DriverContext* context = Create(Open());
    ASSERT_NE(context, nullptr);
    auto* deviceFonts = static_cast<std::uint8_t*>(AllocZeroed(3 * 68));
    for (int b = 0; b < 3 * 68; ++b) deviceFonts[b] = static_cast<std::uint8_t>(b);
    SetItemValue(context, rdmDeviceFontNum, 3);
    SetItemHeapAddress(context, rdmDeviceFont, deviceFonts);
    SetItemValue(context, rdmOptionFontNum, 3);  // a count without a list
    SetItemValue(context, dmCopies, 7);

    ASSERT_EQ(SaveSettingsCopy(context), 1);
    EXPECT_EQ(GetSavedItemValue(context, dmCopies), 7u);
    auto* saved = static_cast<std::uint8_t*>(GetSavedItemHeapAddress(context, rdmDeviceFont));
    ASSERT_NE(saved, nullptr);
    EXPECT_NE(saved, deviceFonts);
    EXPECT_EQ(std::memcmp(saved, deviceFonts, 3 * 68), 0);
    EXPECT_EQ(GetSavedItemValue(context, rdmDeviceFontNum), 3u);
    EXPECT_EQ(GetSavedItemValue(context, rdmOptionFontNum), 0u);
    EXPECT_EQ(GetSavedItemHeapAddress(context, rdmOptionFont), nullptr);
    EXPECT_EQ(GetSavedItemHeapAddress(context, rdmFontTable), nullptr);

    // A second copy replaces the first one's buffers rather than leaking them.
    ASSERT_EQ(SaveSettingsCopy(context), 1);
    EXPECT_NE(GetSavedItemHeapAddress(context, rdmDeviceFont), nullptr);
    ReleaseDriverContext(context, kReleaseDestroy);
}

TEST_F(DriverContextTest, AListCountNeverLeavesItsBlock)
{
    // A font table of three pairs whose count item says 60,000: the copy
    // takes what the block holds, and a model write cannot set the count.
    DriverContext* context = Create(Open());
    ASSERT_NE(context, nullptr);
    SetItemHeapAddress(context, rdmFontTable, AllocZeroed(3 * 128));
    SetItemValue(context, rdmFontTableNum, 3);
    SetItemModelValue(context, rdmFontTableNum, 60000);
    SetItemModelValue(context, rdmFontTable, 0);
    EXPECT_EQ(GetItemValue(context, rdmFontTableNum), 3u);
    EXPECT_NE(GetItemHeapAddress(context, rdmFontTable), nullptr);

    SetItemValue(context, rdmFontTableNum, 60000);
    EXPECT_EQ(GetHeapListCount(context, rdmFontTableNum, rdmFontTable, 128), 3u);
    ASSERT_EQ(SaveSettingsCopy(context), 1);
    EXPECT_EQ(GetSavedItemValue(context, rdmFontTableNum), 3u);
    ReleaseDriverContext(context, kReleaseDestroy);
}

TEST_F(DriverContextTest, WithoutASavedCopyNothingIsCopiedOrFreed)
{
    DriverContext* bare = Create(Open(), kCallerPropertySheet, 4);
    std::uint8_t* savedStore = bare->workArea->savedStore;
    bare->workArea->savedStore = nullptr;
    EXPECT_EQ(SaveSettingsCopy(bare), 0);
    EXPECT_EQ(FreeSavedCopyBuffers(bare), 0);
    bare->workArea->savedStore = savedStore;
    EXPECT_EQ(SaveSettingsCopy(bare), 0);  // no store to copy
    ReleaseDriverContext(bare, kReleaseDestroy);
}

// ---- model names ------------------------------------------------------------------------

TEST_F(DriverContextTest, FindModelNameEntryMatchesExactly)
{
    DriverContext* context = Create(Open(), kCallerPropertySheet, 4);
    const ModelNameEntry* entry = FindModelNameEntry(context, kTestDriverName);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(std::u16string(entry->name), kTestDriverName);
    EXPECT_EQ(entry, GetModelNameEntry(context, 0));
    EXPECT_EQ(FindModelNameEntry(context, u"VEXL Mono 5550"), GetModelNameEntry(context, 3));
    EXPECT_EQ(FindModelNameEntry(context, u"vexl color 4540"), nullptr);
    EXPECT_EQ(FindModelNameEntry(context, u"VEXL Color"), nullptr);
    EXPECT_EQ(FindModelNameEntry(context, nullptr), nullptr);
    ReleaseDriverContext(context, kReleaseDestroy);
}

}  // namespace
}  // namespace vexl
