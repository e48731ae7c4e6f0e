// The service table of the DEVMODE code: the owners' functions, adapted
// where the DEVMODE code asks in another shape.
#include "common/core/devmode_services.h"

#include "common/core/languages.h"
#include "common/core/modeldb.h"
#include "common/core/settings_modules.h"
#include "common/core/units.h"
#include "common/model/constraints.h"
#include "common/model/ui_lookup.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/persistence.h"

namespace vexl {
namespace {

// ---- UI entries as the DEVMODE code reads them -------------------------------------
//
// The one place where the DEVMODE code's questions about a UI entry meet the
// records of the compiled model.

model::UiEntryRecord ReadEntry(UiEntryRef entry, DriverContext* context) {
    return ReadContextUiEntry(context, entry);
}

bool HasValueRecord(std::uint16_t type) {
    const std::uint16_t kind = model::UiKind(type);
    return kind == model::kUiBoolean || kind == model::kUiNumeric || kind == model::kUiString;
}

std::uint16_t ReadUiRawType(UiEntryRef entry, DriverContext* context) { return ReadEntry(entry, context).type; }

BOOL HasOptionRecords(UiEntryRef entry, DriverContext* context) {
    const model::UiEntryRecord record = ReadEntry(entry, context);
    return !HasValueRecord(record.type) && record.options != 0;
}

BOOL HasOptionWithId(UiEntryRef entry, std::uint16_t option, DriverContext* context) {
    return HasOptionRecords(entry, context) && FindUiOption(context, entry, option) != 0;
}

BOOL ReadNumericRange(UiEntryRef entry, DriverContext* context, std::int32_t* minimum, std::int32_t* maximum) {
    const model::UiEntryRecord record = ReadEntry(entry, context);
    if (model::UiKind(record.type) != model::kUiNumeric || record.options == 0) return 0;
    const model::NumericRecord range = model::ReadNumericRecord(context->compiledModel, record.options);
    *minimum = range.minimum;
    *maximum = range.maximum;
    return 1;
}

// ---- stored settings of the context's printer ------------------------------------------

void ApplyPrinterLocks(DriverContext* context) { ApplyLockedValues(context->printer, context); }

void LoadPrinterItemsOfClass(DriverContext* context, std::int32_t itemClass, std::uint32_t mode) {
    LoadItemsOfClass(context->printer, context, itemClass, mode);
}

// ---- rows of the paper table ------------------------------------------------------------

void CacheFixedFreeSizeRow(DriverContext* context, int row)
{
    CachePrintFreeSize(context, GetPaperIdForSlot(row, GetPaperSlotTableSize(context), context), row);
}

const DevmodeServices kDefaultServices = {
    .lookupUiEntry = LookupUiEntry,
    .getUiRawType = ReadUiRawType,
    .hasUiOptionList = HasOptionRecords,
    .hasUiOption = HasOptionWithId,
    .getUiNumericRange = ReadNumericRange,
    .isUiOptionUnavailable = IsUiOptionUnavailable,
    .isUiOptionRestricted = IsUiOptionRestricted,
    .getUiDefaultValue = GetUiDefaultValue,
    .runUiTransacts = RunUiTransacts,
    .runKeyTransacts = RunKeyTransacts,
    .notifySettingsModules = NotifySettingsModules,
    .sendSettingsModuleCommand = SendSettingsModuleCommand,
    .pushSettingsSnapshot = PushSettingsSnapshot,
    .popSettingsSnapshot = PopSettingsSnapshot,
    .getInstalledLanguageId = GetInstalledLanguageId,
    .loadAllFreeSizeSlotsOnce = LoadAllFreeSizeSlotsOnce,
    .cachePrintFreeSize = CacheFixedFreeSizeRow,
    .selectFreeSizeSlot = SelectFreeSizeSlot,
    .getUiFontName = GetUiFontName,
    .usePrinterDefaultDevmode = UsePrinterDefaultDevmode,
    .applyLockedValues = ApplyPrinterLocks,
    .isCompanionFunctionInstalled = IsCompanionFunctionInstalled,
    .loadItemsOfClass = LoadPrinterItemsOfClass,
    .loadUserCodeIfProviderOn = LoadUserCodeIfProviderOn,
    .loadDriverIdFromModelFile = LoadDriverIdFromModelFile,
};

DevmodeServices g_services = kDefaultServices;

}  // namespace

const DevmodeServices& GetDevmodeServices() { return g_services; }
void SetDevmodeServices(const DevmodeServices& services) { g_services = services; }
const DevmodeServices& GetDefaultDevmodeServices() { return kDefaultServices; }

}  // namespace vexl
