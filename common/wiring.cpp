// The wiring of the common library: the service tables of the settings core
// and the judge evaluator filled with their owners' functions, adapted where
// the asking code wants another shape, and the order of process attach and
// detach.
#include "common/wiring.h"

#include "common/core/context.h"
#include "common/core/devmode_merge.h"
#include "common/core/devmode_public.h"
#include "common/core/devmode_services.h"
#include "common/core/items.h"
#include "common/core/languages.h"
#include "common/core/modeldb.h"
#include "common/core/process.h"
#include "common/core/settings_modules.h"
#include "common/core/units.h"
#include "common/model/compiled_model.h"
#include "common/model/constraints.h"
#include "common/model/finishing_judges.h"
#include "common/model/finishing_primitives.h"
#include "common/model/judge_eval.h"
#include "common/model/model_list.h"
#include "common/model/paper_geometry.h"
#include "common/model/resolution.h"
#include "common/model/ui_lookup.h"
#include "common/storage/bidi_config.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/module_chapters.h"
#include "common/storage/module_color_profiles.h"
#include "common/storage/module_custom_paper.h"
#include "common/storage/module_job_options.h"
#include "common/storage/module_locks.h"
#include "common/storage/module_presets.h"
#include "common/storage/module_small.h"
#include "common/storage/module_watermark.h"
#include "common/storage/persistence.h"
#include "common/storage/resources.h"

#include <type_traits>

namespace vexl {
namespace {

// ---- item access ----------------------------------------------------------------------

// A resource string completed with the current settings; its length.
int LoadCompletedUiString(DriverContext* context, std::uint32_t stringId, WCHAR* out, int outChars)
{
    LoadUiString(context, stringId, out, outChars, TRUE);
    return lstrlenW(out);
}

std::uint32_t GetRegionStandardPaperId(DriverContext* context)
{
    return GetRegionStandardPaper(context);
}

const ItemServices kDefaultItemServices = {
    .loadUiString = LoadCompletedUiString,
    .isFinishingLandscape = IsFinishingLandscape,
    .getRegionStandardPaper = GetRegionStandardPaperId,
    .getUiDefaultValue = GetUiDefaultValue,
};

// ---- UI entries as the DEVMODE code reads them -------------------------------------
//
// The one place where the DEVMODE code's questions about a UI entry meet the
// records of the compiled model.

model::UiEntryRecord ReadEntry(UiEntryRef entry, DriverContext* context)
{
    return ReadContextUiEntry(context, entry);
}

bool HasValueRecord(std::uint16_t type)
{
    const std::uint16_t kind = model::UiKind(type);
    return kind == model::kUiBoolean || kind == model::kUiNumeric || kind == model::kUiString;
}

std::uint16_t ReadUiRawType(UiEntryRef entry, DriverContext* context)
{
    return ReadEntry(entry, context).type;
}

BOOL HasOptionRecords(UiEntryRef entry, DriverContext* context)
{
    const model::UiEntryRecord record = ReadEntry(entry, context);
    return !HasValueRecord(record.type) && record.options != 0;
}

BOOL HasOptionWithId(UiEntryRef entry, std::uint16_t option, DriverContext* context)
{
    return HasOptionRecords(entry, context) && FindUiOption(context, entry, option) != 0;
}

BOOL ReadNumericRange(UiEntryRef entry, DriverContext* context, std::int32_t* minimum, std::int32_t* maximum)
{
    const model::UiEntryRecord record = ReadEntry(entry, context);
    if (model::UiKind(record.type) != model::kUiNumeric || record.options == 0) return 0;
    const model::NumericRecord range = model::ReadNumericRecord(context->compiledModel, record.options);
    *minimum = range.minimum;
    *maximum = range.maximum;
    return 1;
}

// ---- stored settings of the context's printer ------------------------------------------

void ApplyPrinterLocks(DriverContext* context)
{
    ApplyLockedValues(context->printer, context);
}

void LoadPrinterItemsOfClass(DriverContext* context, std::int32_t itemClass, std::uint32_t mode)
{
    LoadItemsOfClass(context->printer, context, itemClass, mode);
}

// ---- rows of the paper table ------------------------------------------------------------

void CacheFixedFreeSizeRow(DriverContext* context, int row)
{
    CachePrintFreeSize(context, GetPaperIdForSlot(row, GetPaperSlotTableSize(context), context), row);
}

// The common model-default pass leaves the items under an administrator lock.
void ApplyModelDefaultsKeepingLocks(DriverContext* context)
{
    SetItemDefaultsFromModel(context, TRUE);
}

static_assert(std::is_same_v<UiEntryRef, model::BlockOffset>, "a UI entry reference is the model's block offset");

const DevmodeServices kDefaultDevmodeServices = {
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
    .getPageGeometry = GetPageGeometry,
    .getPaperSizeOfOption = GetPaperSizeOfOption,
    .getOutputPaperSize = GetOutputPaperSize,
    .findPaperBySize = FindPaperBySize,
    .getResolutionCapForSize = GetResolutionCapForSize,
    .getTrayPaperLimitsFor = GetTrayPaperLimitsFor,
    .notifySettingsModules = NotifySettingsModules,
    .sendSettingsModuleCommand = SendSettingsModuleCommand,
    .pushSettingsSnapshot = PushSettingsSnapshot,
    .popSettingsSnapshot = PopSettingsSnapshot,
    .getInstalledLanguageId = GetInstalledLanguageId,
    .loadAllFreeSizeSlotsOnce = LoadAllFreeSizeSlotsOnce,
    .cachePrintFreeSize = CacheFixedFreeSizeRow,
    .selectFreeSizeSlot = SelectFreeSizeSlot,
    .selectSrcFreeSizeSlot = SelectSrcFreeSizeSlot,
    .loadFreeSizeSlot = LoadFreeSizeSlot,
    .loadQualityListSlot = LoadQualityListSlot,
    .loadUserQualityMacro = LoadUserQualityMacro,
    .reloadSelectedStamp = ReloadSelectedStamp,
    .isCollateSelectable = IsCollateSelectable,
    .managePresetSnapshots = ManagePresetSnapshots,
    .getUiFontName = GetUiFontName,
    .usePrinterDefaultDevmode = UsePrinterDefaultDevmode,
    .applyLockedValues = ApplyPrinterLocks,
    .isCompanionFunctionInstalled = IsCompanionFunctionInstalled,
    .loadItemsOfClass = LoadPrinterItemsOfClass,
    .loadUserCodeIfProviderOn = LoadUserCodeIfProviderOn,
    .loadDriverIdFromModelFile = LoadDriverIdFromModelFile,
    .initPrivateRuntimeFlags = InitPrivateRuntimeFlags,
    .initPrivateHeader = InitPrivateHeaderTexts,
    .applyModelDefaults = ApplyModelDefaultsKeepingLocks,
    .resetChapterDefaultTrays = ResetChapterDefaultTrays,
};

// ---- building and destroying a context ----------------------------------------------------

const ContextBuildSteps kDefaultContextBuildSteps = {
    .acquireCompiledModel = AcquireCompiledModel,
    .allocJudgeStack = AllocJudgeStack,
    .freeJudgeStack = FreeJudgeStack,
    .createDefaultDevmode = CreateDefaultDevmode,
    .applyStoredBidiConfig = ApplyStoredBidiConfig,
    .freeFontListItems = FreeFontListItems,
    .freeUiResourceLibraries = FreeUiResourceLibraries,
    .attachPageTable = CopyPageTable,
    .detachPageTable = FreePageTable,
};

// ---- the judge evaluator: the finishing judges are computed, the module
// judges come from the settings modules ---------------------------------------------------------

const JudgeHooks kDefaultJudgeHooks = {
    .computeFinishingJudge = ComputeFinishingJudge,
    .evaluateModuleJudge = EvaluateModuleJudge,
};

// ---- what the chapter and job-option modules lend the list operations -------------------------

int MergeChapterPagesWithText(DriverContext* context, PageDesc* chapterPage, const std::int32_t* pages,
                              const WCHAR* texts)
{
    return MergeChapterPages(context, chapterPage, pages, reinterpret_cast<const WCHAR(*)[kChapterRangeChars]>(texts));
}

int CompareChapterRecordLists(DriverContext* context, const void* first, const void* second)
{
    return CompareChapterLists(context, static_cast<const ChapterRecord*>(first),
                               static_cast<const ChapterRecord*>(second));
}

std::uint32_t SeparationJudgeValue(DriverContext* context, std::uint16_t judgeItemId)
{
    return EvaluateSeparationJudge(context, judgeItemId) ? 1 : 0;
}

const ModuleServices kDefaultModuleServices = {
    .mergeChapterPages = MergeChapterPagesWithText,
    .deleteChapter = DeleteChapter,
    .clearChapters = ClearChapters,
    .compareChapterLists = CompareChapterRecordLists,
    .evaluateSeparationJudge = SeparationJudgeValue,
};

}  // namespace

const ItemServices& GetDefaultItemServices()
{
    return kDefaultItemServices;
}
const DevmodeServices& GetDefaultDevmodeServices()
{
    return kDefaultDevmodeServices;
}
const ContextBuildSteps& GetDefaultContextBuildSteps()
{
    return kDefaultContextBuildSteps;
}
const JudgeHooks& GetDefaultJudgeHooks()
{
    return kDefaultJudgeHooks;
}

// ---- the settings modules ------------------------------------------------------------

// Every page hook of the common library is the one that answers 0; the
// printer interface library carries its own table with real page hooks.
// The chapter module keeps a 4-byte private buffer.
SettingsModule kDefaultModuleRows[kSettingsModuleCount] = {
    /* presets           */ {0, nullptr, NullModuleCommand, NullModulePageHook, NullModuleEvent},
    /* watermark         */ {0, nullptr, WatermarkModuleCommand, NullModulePageHook, NullModuleEvent},
    /* colour profiles   */ {0, nullptr, ColorModuleCommand, NullModulePageHook, ColorModuleEvent},
    /* custom paper      */ {0, nullptr, CustomPaperModuleCommand, NullModulePageHook, CustomPaperModuleEvent},
    /* chapters          */ {4, nullptr, ChapterModuleCommand, NullModulePageHook, ChapterModuleEvent},
    /* options           */ {0, nullptr, NullModuleCommand, NullModulePageHook, StubModuleEvent},
    /* font substitution */ {0, nullptr, NullModuleCommand, NullModulePageHook, FontSubstModuleEvent},
    /* summary           */ {0, nullptr, NullModuleCommand, NullModulePageHook, StubModuleEvent},
    /* settings lock     */ {0, nullptr, LockModuleCommand, NullModulePageHook, LockModuleEvent},
    /* job options       */ {0, nullptr, JobOptionModuleCommand, NullModulePageHook, JobOptionModuleEvent},
};
const SettingsModuleTable kDefaultModuleTable = {kSettingsModuleCount, kDefaultModuleRows};

void InstallDefaultServices()
{
    SetItemServices(kDefaultItemServices);
    SetDevmodeServices(kDefaultDevmodeServices);
    SetContextBuildSteps(kDefaultContextBuildSteps);
    SetJudgeHooks(kDefaultJudgeHooks);
    SetModuleServices(kDefaultModuleServices);
    SetDefaultSettingsModuleTable(&kDefaultModuleTable);
}

void RunProcessAttach()
{
    InstallDefaultServices();
    LibraryProcessAttach();
}

void RunProcessDetach()
{
    // The compiled models go first: destroying a parked context never
    // reaches its compiled model.
    FreeCompiledModelList();
    PurgeContextCache(TRUE);
    LibraryProcessDetach();
}

BOOL HandleProcessEntry(DWORD reason)
{
    if (reason == DLL_PROCESS_ATTACH)
        RunProcessAttach();
    else if (reason == DLL_PROCESS_DETACH)
        RunProcessDetach();
    return TRUE;
}

}  // namespace vexl
