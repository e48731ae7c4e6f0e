// The graphics library's forms of the common operations.
#include "graphics/graphics_context.h"

#include "common/core/devmode_merge.h"
#include "common/core/devmode_services.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/model/ui_lookup.h"
#include "common/storage/bidi_config.h"
#include "common/storage/directories.h"
#include "common/storage/ini_lists.h"
#include "common/storage/module_custom_paper.h"
#include "common/storage/persistence.h"
#include "common/storage/settings_files.h"
#include "common/wiring.h"

#include <vector>

namespace vexl::graphics {
namespace {

constexpr int kPathChars = 260;
constexpr int kSectionChars = 261;
constexpr std::uint32_t kServerConnection = 1;
constexpr std::uint32_t kUserMacroBase = 32;
constexpr std::uint32_t kUserMacroCount = 8;
constexpr std::uint32_t kUserMacroWorkingList = 160;

// The model database's pages are the context's: nothing is copied.
PageTable* ShareStaticPageTable(const PageTable* model, bool* complete)
{
    *complete = true;
    return const_cast<PageTable*>(model);
}

// The static table belongs to the model database.
void KeepStaticPageTable(PageTable*) {}

ContextBuildSteps GraphicsSteps()
{
    ContextBuildSteps steps = GetDefaultContextBuildSteps();
    steps.attachPageTable = ShareStaticPageTable;
    steps.detachPageTable = KeepStaticPageTable;
    steps.applyStoredBidiConfig = ReloadStoredSettings;
    return steps;
}

// The common module table with the graphics form of the custom paper row.
SettingsModule g_graphicsModuleRows[kSettingsModuleCount];
SettingsModuleTable g_graphicsModuleTable = {0, g_graphicsModuleRows};

void InstallGraphicsModuleTable()
{
    SetSettingsModuleTable(nullptr);
    const SettingsModuleTable& common = GetSettingsModuleTable();
    const int count = common.count < kSettingsModuleCount ? common.count : kSettingsModuleCount;
    for (int row = 0; row < count; ++row) g_graphicsModuleRows[row] = common.rows[row];
    g_graphicsModuleRows[kModuleCustomPaper].event = GraphicsCustomPaperModuleEvent;
    g_graphicsModuleTable.count = count;
    SetSettingsModuleTable(&g_graphicsModuleTable);
}

// The quality list of a slot by its printer-section key "QualityList<slot>".
void LoadQualityFileOfSlot(DriverContext* context, int slot)
{
    WCHAR key[32] = {};
    FormatQualityKey(key, slot);
    LoadQualityFileByKey(context, key);
}

// The user's quality macro never takes its set name here.
void LoadUserQualityMacroWithoutSetName(DriverContext* context, BOOL)
{
    LoadUserQualityMacro(context);
}

// The DEVMODE code's services with this library's forms of the common
// passes.
void InstallGraphicsDevmodeServices()
{
    DevmodeServices services = GetDefaultDevmodeServices();
    services.applyModelDefaults = ApplyModelDefaultsToItems;
    services.loadQualityListSlot = LoadQualityFileOfSlot;
    services.loadUserQualityMacro = LoadUserQualityMacroWithoutSetName;
    services.resetChapterDefaultTrays = SetDefaultChapterTraysStub;
    SetDevmodeServices(services);
}

bool IsServerConnection(DriverContext* context)
{
    return GetItemValue(context, rdmServerClientMode) == kServerConnection;
}

}  // namespace

void UseGraphicsContextSteps()
{
    SetContextBuildSteps(GraphicsSteps());
    InstallGraphicsModuleTable();
    InstallGraphicsDevmodeServices();
}

void UseCommonContextSteps()
{
    SetContextBuildSteps(GetDefaultContextBuildSteps());
    SetSettingsModuleTable(nullptr);
    SetDevmodeServices(GetDefaultDevmodeServices());
}

DriverContext* CreateGraphicsDriverContext(HANDLE printer, HANDLE secondPrinter, std::uint16_t flags,
                                           std::uint32_t callerKind, std::int32_t selector, const PRINTER_INFO_2W* info)
{
    return CreateDriverContextEx(printer, secondPrinter, flags, callerKind, selector, info);
}

void ReleaseGraphicsDriverContext(DriverContext* context, std::uint16_t releaseType)
{
    ReleaseDriverContext(context, releaseType);
}

int GraphicsCustomPaperModuleEvent(DriverContext* context, std::uint32_t event, void* param, void* privateBuffer)
{
    if (event == kModuleEventPaperEntryChanged) return 0;
    return CustomPaperModuleEvent(context, event, param, privateBuffer);
}

BOOL ReloadStoredSettings(DriverContext* context)
{
    if (context == nullptr) return TRUE;
    LoadStoredItems(context->printer, kAllAreas, context);
    if (IsServerConnection(context) || !IsBidiIniFlagSet(context)) return TRUE;
    LoadBidiIniSettings(context);
    return TRUE;
}

void UpdateDeviceInfoFlag(DriverContext* context)
{
    if (context == nullptr || context->store == nullptr) return;
    std::uint8_t flag = 0;
    if (!IsServerConnection(context) && HasBidiIniFlag(context)) {
        flag = IsBidiIniFlagSet(context) ? 1 : 0;
    } else {
        DWORD stored = 0;
        flag = ReadBidiFlag(context, &stored) && (stored & 1) ? 1 : 0;
    }
    SetDeviceInfoFlag(context, flag);
}

void ApplyModelDefaultsToItems(DriverContext* context)
{
    SetItemDefaultsFromModel(context, FALSE);
}

void LoadQualityFileByKey(DriverContext* context, const WCHAR* key)
{
    if (context == nullptr || context->workArea == nullptr || key == nullptr) return;
    const WCHAR* iniPath = GetSettingsIniPath(context);
    if (iniPath == nullptr || iniPath[0] == 0) return;
    WCHAR section[kSectionChars] = {};
    ReplaceSectionBrackets(section, context->workArea->printerName, kSectionChars);
    WCHAR path[kPathChars] = {};
    GetPrivateProfileStringW(section, key, u"", path, kPathChars, iniPath);
    if (path[0] == 0) return;
    LoadSettingsFile(context->printer, path, kSettingsQualityList, context);
}

void LoadUserQualityMacro(DriverContext* context)
{
    if (context == nullptr || GetItemValue(context, rdmUseUserMacro) != 1) return;
    const std::uint32_t macro = GetItemValue(context, rdmUserPrintMacro);
    const bool listed =
        (macro >= kUserMacroBase && macro < kUserMacroBase + kUserMacroCount) || macro == kUserMacroWorkingList;
    if (!listed) return;
    WCHAR key[32] = {};
    FormatQualityKey(key, static_cast<int>(macro - kUserMacroBase));
    const WCHAR* iniPath = GetSettingsIniPath(context);
    if (iniPath == nullptr || iniPath[0] == 0) return;
    WCHAR section[kSectionChars] = {};
    ReplaceSectionBrackets(section, context->workArea->printerName, kSectionChars);
    WCHAR path[kPathChars] = {};
    GetPrivateProfileStringW(section, key, u"", path, kPathChars, iniPath);
    if (path[0] == 0) return;
    LoadSettingsFile(context->printer, path, kSettingsWorkArea | kSettingsQualityList, context);
}

WCHAR* ReplaceSectionBrackets(WCHAR* out, const WCHAR* name, int size)
{
    if (out == nullptr || size <= 0) return out;
    int i = 0;
    for (; name != nullptr && i < size - 1 && name[i] != 0; ++i) {
        out[i] = (name[i] == u'[' || name[i] == u']') ? u',' : name[i];
    }
    out[i] = 0;
    return out;
}

BOOL ReadLogFileName(WCHAR* out, int size, DriverContext* context)
{
    if (out == nullptr || size <= 0) return FALSE;
    out[0] = 0;
    if (context == nullptr) return FALSE;
    std::vector<WCHAR> buffer(static_cast<std::size_t>(size) + 1, 0);
    if (!ReadPrinterDataValue(context->printer, buffer.data(), static_cast<DWORD>(size) * sizeof(WCHAR), u"LogFileName",
                              context)) {
        return FALSE;
    }
    lstrcpynW(out, buffer.data(), size);
    return TRUE;
}

void SetDefaultChapterTraysStub(DriverContext*) {}

std::uint16_t GetUiTypeCode(DriverContext* context, model::BlockOffset entry)
{
    if (context == nullptr || entry == 0) return 0;
    return ReadContextUiEntry(context, entry).type & 0xFF;
}

model::BlockOffset FindUiEntryBySymbol(DriverContext* context, std::uint16_t symbolKey, std::uint16_t variant)
{
    if (context == nullptr || context->compiledModel == nullptr) return 0;
    const CompiledModel* model = context->compiledModel;
    for (model::BlockOffset at = model::GetFirstUiEntry(model); at != 0;) {
        const model::UiEntryRecord entry = model::ReadUiEntry(model, at);
        if (entry.symbolKey == symbolKey && (entry.variant == variant || (entry.type & model::kUiIdentity))) {
            return at;
        }
        at = entry.next;
    }
    return 0;
}

}  // namespace vexl::graphics
