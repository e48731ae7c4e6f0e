// Contexts built over the package's printer: the compiled model, the store
// from the model's defaults, the BCS cache, the context cache and the
// stored per-printer settings working together.
#include "common/core/devmode_merge.h"
#include "common/core/process.h"
#include "common/storage/persistence.h"
#include "common/storage/resources.h"
#include "common/wiring.h"

#include "support/child_process.h"
#include "support/integration_fixture.h"

#include <unistd.h>

namespace vexl::test {
namespace {

using DriverContextIntegration = DriverPrinterTest;

struct FontListItems {
    std::uint16_t countItem;
    std::uint16_t listItem;
    std::size_t recordSize;
};
constexpr FontListItems kFontListItems[] = {
    {rdmDeviceFontNum, rdmDeviceFont, sizeof(DeviceFontRecord)},
    {rdmOptionFontNum, rdmOptionFont, sizeof(DeviceFontRecord)},
    {rdmFontTableNum, rdmFontTable, sizeof(FontSubstPair)},
};

TEST_F(DriverContextIntegration, AFullContextHasItsModelAndACurrentStore)
{
    EXPECT_FALSE(std::filesystem::exists(machine_.host(kCacheFile)));
    DriverContext* context = Create();
    ASSERT_NE(context, nullptr);
    ASSERT_NE(context->compiledModel, nullptr);
    ASSERT_NE(context->store, nullptr);
    EXPECT_TRUE(IsDevmodeCurrent(GetStoreBytes(context)));
    // The saved copy is the store as it was made, with copies of its own of
    // the font lists that the first load took from the model.
    EXPECT_EQ(std::memcmp(context->workArea->savedStore, GetStoreBytes(context), GetDevmodeSize()), 0);
    for (const auto& [countItem, listItem, recordSize] : kFontListItems) {
        const std::uint32_t count = GetItemValue(context, countItem);
        EXPECT_EQ(GetSavedItemValue(context, countItem), count) << countItem;
        const void* list = GetItemHeapAddress(context, listItem);
        const void* saved = GetSavedItemHeapAddress(context, listItem);
        ASSERT_TRUE(list && saved && list != saved) << listItem;
        EXPECT_EQ(std::memcmp(list, saved, count * recordSize), 0) << listItem;
    }
    EXPECT_TRUE(std::filesystem::exists(machine_.host(kCacheFile)));
    // The model names the UI resource library of the driver directory.
    EXPECT_NE(LoadUiResourceLibrary(context), nullptr);
    ReleaseDriverContext(context, kReleaseDestroy);
}

// Process detach frees the compiled models before it destroys the parked
// contexts, so destroying one must not reach its model.
// The first context of a printer writes the model's font lists into the
// printer data, and takes them from there.
TEST_F(DriverContextIntegration, TheFirstLoadStoresTheModelsFontLists)
{
    DriverContext* context = Create();
    ASSERT_NE(context, nullptr);
    struct FontList {
        std::uint16_t countItem;
        std::uint16_t listItem;
        std::uint32_t count;
        std::uint32_t firstId;
        std::u16string firstName;
    };
    const FontList lists[] = {
        {rdmDeviceFontNum, rdmDeviceFont, 5, 1, u"Courier"},
        {rdmOptionFontNum, rdmOptionFont, 2, 101, u"Barcode 3 of 9"},
    };
    for (const FontList& list : lists) {
        EXPECT_EQ(GetItemValue(context, list.countItem), list.count) << list.countItem;
        const auto* fonts = static_cast<const DeviceFontRecord*>(GetItemHeapAddress(context, list.listItem));
        ASSERT_NE(fonts, nullptr) << list.listItem;
        EXPECT_EQ(fonts[0].id, list.firstId);
        EXPECT_EQ(std::u16string(fonts[0].name), list.firstName);
    }
    ASSERT_EQ(GetItemValue(context, rdmFontTableNum), 3u);
    const auto* pairs = static_cast<const FontSubstPair*>(GetItemHeapAddress(context, rdmFontTable));
    ASSERT_NE(pairs, nullptr);
    EXPECT_EQ(std::u16string(pairs[2].trueTypeFace), u"Courier New");
    EXPECT_EQ(std::u16string(pairs[2].deviceFont), u"Courier");
    ReleaseDriverContext(context, kReleaseDestroy);

    BYTE count[2] = {};
    DWORD type = 0, needed = 0;
    std::u16string name = u"FontTableNum";
    EXPECT_EQ(GetPrinterDataW(printer_, name.data(), &type, count, sizeof(count), &needed), ERROR_SUCCESS);
    EXPECT_EQ(count[0], 3);
}

TEST_F(DriverContextIntegration, DetachDestroysParkedContextsAfterTheModels)
{
    DriverContext* context = Create();
    ASSERT_NE(context, nullptr);
    ReleaseDriverContextDefault(context);
    RunProcessDetach();
    EXPECT_EQ(PurgeContextCache(TRUE), 0);
    RunProcessAttach();
}

TEST_F(DriverContextIntegration, WithoutItsDescriptionThePrinterGetsNoContext)
{
    std::filesystem::remove(machine_.host(kDescriptionFile));
    EXPECT_EQ(Create(), nullptr);
    EXPECT_EQ(PurgeContextCache(TRUE), 0);
}

TEST_F(DriverContextIntegration, ASecondCreationWithinTheLifetimeReusesTheParkedContext)
{
    machine::SetTickCount(10000);
    DriverContext* first = Create();
    ASSERT_NE(first, nullptr);
    const CompiledModel* model = first->compiledModel;
    ReleaseDriverContextDefault(first);
    machine::AdvanceTickCount(kContextCacheLifetimeMs);
    DriverContext* second = Create();
    EXPECT_EQ(second, first);
    ReleaseDriverContextDefault(second);
    // Past the lifetime the parked context goes and a new one shares the model.
    machine::AdvanceTickCount(kContextCacheLifetimeMs + 1);
    DriverContext* third = Create();
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->compiledModel, model);
    EXPECT_TRUE(IsDevmodeCurrent(GetStoreBytes(third)));
    ReleaseDriverContext(third, kReleaseDestroy);
}

TEST_F(DriverContextIntegration, PrinterDataStoredByOneContextIsLoadedByTheNext)
{
    DriverContext* writer = Create();
    ASSERT_NE(writer, nullptr);
    SetItemValue(writer, rdmTrayField0, 1);
    SetItemValue(writer, rdmTray1Paper, 0x1234);
    StoreItemsPass(printer_, writer, kAreaPrinter, kStorePrinterSide);
    ReleaseDriverContext(writer, kReleaseDestroy);

    DriverContext* reader = Create();
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(GetItemValue(reader, rdmTrayField0), 1u);
    EXPECT_EQ(GetItemValue(reader, rdmTray1Paper), 0x1234u);
    ReleaseDriverContext(reader, kReleaseDestroy);
}

// One process builds the model cache and stores the printer's settings; the
// other, on the same machine, loads both.
TEST_F(DriverContextIntegration, AnotherProcessLoadsTheStoredSettingsAndTheCache)
{
    ASSERT_EQ(RunInChildProcess([] {
                  HANDLE printer = OpenDriverPrinter();
                  DriverContext* writer = CreateDriverContext(printer, printer, nullptr, kCallerSettingsInterface);
                  bool ok = writer != nullptr;
                  if (ok) {
                      SetItemValue(writer, rdmTrayField0, 1);
                      SetItemValue(writer, rdmTray1Paper, 0x0BCD);
                      ok = StoreItemsPass(printer, writer, kAreaPrinter, kStorePrinterSide) != 0;
                      ReleaseDriverContext(writer, kReleaseDestroy);
                  }
                  FreeCompiledModelList();
                  ClosePrinter(printer);
                  return ok ? 0 : 1;
              }),
              0);
    ASSERT_TRUE(std::filesystem::exists(machine_.host(kCacheFile)));

    DriverContext* reader = Create(kCallerSettingsInterface);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(GetItemValue(reader, rdmTrayField0), 1u);
    EXPECT_EQ(GetItemValue(reader, rdmTray1Paper), 0x0BCDu);
    ReleaseDriverContext(reader, kReleaseDestroy);
}

TEST_F(DriverContextIntegration, MergingTheDriversOwnDevmodeChangesNoByte)
{
    DriverContext* source = Create();
    ASSERT_NE(source, nullptr);
    std::vector<std::uint8_t> own = DevmodeBytes(source);
    ReleaseDriverContext(source, kReleaseDestroy);

    DriverContext* fresh = Create();
    ASSERT_NE(fresh, nullptr);
    ASSERT_EQ(MergeDevmode(fresh, reinterpret_cast<const DEVMODEW*>(own.data()), kMergeFromCaller), 1);
    const std::vector<std::uint8_t> merged = DevmodeBytes(fresh);
    // rdmBalanceMacro (byte 587) is the one value that a merge derives anew:
    // a new DEVMODE has the item's fixed default 18, and the merge sets it
    // from the resolution, 17 at 600 dpi.
    EXPECT_EQ(own[587], 18);
    EXPECT_EQ(merged[587], 17);
    for (std::size_t i = 0; i < own.size(); ++i) {
        if (i == 587) continue;
        EXPECT_EQ(merged[i], own[i]) << "byte " << i;
    }
    ReleaseDriverContext(fresh, kReleaseDestroy);
}

// The new context's DEVMODE, field by field from the private DEVMODE table,
// the package description's defaults and the ModelRecord.
TEST_F(DriverContextIntegration, TheNewContextsDevmodeHasTheModelsDefaults)
{
    DriverContext* context = Create();
    ASSERT_NE(context, nullptr);
    const std::vector<std::uint8_t> devmode = DevmodeBytes(context);
    ASSERT_EQ(devmode.size(), 1236u);

    struct Field {
        std::size_t offset;
        std::vector<std::uint8_t> bytes;
        const char* what;
    };
    auto u16 = [](std::uint16_t v) { return std::vector<std::uint8_t>{std::uint8_t(v), std::uint8_t(v >> 8)}; };
    auto u32 = [](std::uint32_t v) {
        return std::vector<std::uint8_t>{std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                                         std::uint8_t(v >> 24)};
    };
    auto text = [](const char* t) { return std::vector<std::uint8_t>(t, t + std::strlen(t)); };
    const Field fields[] = {
        {0, std::vector<std::uint8_t>(64, 0), "dmDeviceName: left empty"},
        {64, u16(0x0401), "dmSpecVersion"},
        {66, u16(0x0400), "dmDriverVersion"},
        {68, u16(220), "dmSize"},
        {70, u16(1016), "dmDriverExtra"},
        // The paper by its size alone (0x2 without 0x4 and 0x8); no form name
        // (0x10000), scale (0x10) or media type (0x2000000) bit; no collation
        // (0x8000): sorting is not offered with the default printer memory.
        {72, u32(0x1 | 0x2 | 0x7F00 | 0x800000 | 0x1000000 | 0x4000000), "dmFields"},
        {76, u16(1), "dmOrientation portrait"},
        {78, u16(9), "dmPaperSize A4"},
        {80, u16(2970), "dmPaperLength of A4, 0.1 mm"},
        {82, u16(2100), "dmPaperWidth of A4, 0.1 mm"},
        {84, u16(100), "dmScale"},
        {86, u16(1), "dmCopies"},
        {88, u16(7), "dmDefaultSource"},
        {90, u16(600), "dmPrintQuality"},
        {92, u16(1), "dmColor"},
        {94, u16(1), "dmDuplex"},
        {96, u16(600), "dmYResolution"},
        {98, u16(3), "dmTTOption"},
        {102, {'A', 0, '4', 0}, "dmFormName"},
        {220, text("VEXL"), "signature"},
        {228, text("TZ16E170.ini"), "rdmIniFileName"},
        {244, text("01.00"), "rdmiCDCVerStr"},
        {260, text("01.00"), "rdmiRPJLVerStr"},
        {349, text("priv"), "model tag"},
        {353, u32(1016), "private size"},
        {357, u32(322), "private version"},
        {361, u16(0), "area 1 base"},
        {363, u16(1236), "area 2 base"},
        {365, u16(6500), "area 3 base"},
        {368, {0x8C}, "rdmMachineID"},
        {369, {1}, "rdmUIModeChange"},
        {372, u16(600), "rdmDstResolutionW"},
        {374, u16(600), "rdmDstResolutionH"},
        {587, {18}, "rdmBalanceMacro"},
        {1218, {0}, "rdmPLInstalled"},
        {1219, {1}, "rdmCallSrc: made from the defaults"},
        {1220, {2}, "rdmOSKind: NT 5 or later"},
        {1221, {1}, "rdmBatchInst"},
        {1225, {1}, "rdmPresentUIMode follows rdmUIModeChange"},
        {1226, {0}, "rdmBidiSupport: no bidirectional printer"},
        {1227, {0}, "rdmServerClientMode: a local printer"},
        {1233, {0}, "rdmTSE"},
        {1234, {1}, "rdmAdmin"},
    };
    for (const Field& field : fields) {
        const std::vector<std::uint8_t> actual(devmode.begin() + field.offset,
                                               devmode.begin() + field.offset + field.bytes.size());
        EXPECT_EQ(actual, field.bytes) << field.what << " at " << field.offset;
    }
    EXPECT_EQ(GetItemValue(context, rdmCharSet), 2u);  // code page 1252: the ANSI character set
    EXPECT_EQ(GetItemValue(context, rdmAuthUserNameCharSet), 2u);
    WCHAR font[32] = {};
    GetItemString(context, FindItem(context, rdmHFFontName), font, 32);
    EXPECT_EQ(std::u16string(font), u"Arial");
    ReleaseDriverContext(context, kReleaseDestroy);
}

}  // namespace
}  // namespace vexl::test
