// Settings files through the settings-file load: the bytes of the file
// loaded as each group of settings into a context of the package's printer.
// The first byte chooses the group.
#include "fuzz_support.h"

#include "common/core/items.h"
#include "common/core/store.h"
#include "common/storage/persistence.h"
#include "common/storage/resources.h"
#include "common/storage/settings_files.h"
#include "storage/storage_fixture.h"

#include <vector>

using namespace vexl;

namespace {

constexpr const WCHAR* kFile = u"C:\\_vexl\\Fuzz.rst";

constexpr std::uint32_t kGroups[] = {
    kSettingsLoad,
    kSettingsLoad | kSettingsPresetCarrier,
    kSettingsPresetCarrier | kSettingsPreset,
    kSettingsPresetCarrier | kSettingsQualityList,
    kSettingsPrinterItems,
    kSettingsPrinterItems | kSettingsInstallFile,
    kSettingsStamp,
    kSettingsFreeSize,
    kSettingsRsdSection,
    kSettingsLoad | kSettingsLanguageSection,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    fuzz::InputReader input(data, size);
    const std::uint32_t flags = kGroups[input.Byte() % std::size(kGroups)];
    // A fresh printer each time: a load may write the printer's data.
    machine::AddPrinter(test::DriverPrinter());
    machine::WriteFile(kFile, input.Rest());
    HANDLE printer = test::OpenNamedPrinter(test::kPrinterName);
    if (!printer) return 0;

    test::ModelContext context;
    DriverContext* ctx = context.get();
    ctx->uiResourceLibrary = fuzz::LoadPackageResources();
    ctx->printer = printer;
    std::vector<std::uint8_t> snapshots[kStoreSnapshotLevels];
    for (int level = 0; level < kStoreSnapshotLevels; ++level) {
        snapshots[level].assign(kSettingsStoreSize, 0);
        context.work()->storeSnapshots[level] = snapshots[level].data();
    }
    SetItemValue(ctx, rdmLanguageID, 1);
    LoadSettingsFile(printer, kFile, flags, ctx);
    FreeFontListItems(ctx);
    FreeUiResourceLibraries(ctx);
    ClosePrinter(printer);
    return 0;
}
