// The per-printer initialisation: one ordered list of steps, selected by the
// base mode of the call.
#include "common/core/devmode_merge.h"
#include "common/core/devmode_public.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/osinfo.h"
#include "common/core/printer.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/units.h"
#include "common/model/ui_lookup.h"
#include "common/storage/bidi_config.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/persistence.h"
#include "ui/base/job_info.h"
#include "ui/base/ui_context.h"
#include "ui/install/install_work.h"

#include <cstring>
#include <string>

namespace vexl::ui {
namespace {

constexpr int kBaseInstall = 0;
constexpr int kBasePrinter = 1;
constexpr int kBaseConnection = 2;

constexpr std::uint16_t kCreateInitialise = kCreateHoldsSettingsMutex | kCreateSkipAdministratorCheck;
constexpr std::uint16_t kCreateModeFull = 1;
constexpr std::uint16_t kCreateModeStoredSettings = 3;

constexpr std::uint32_t kClassPrinterSide = 2;
constexpr std::uint32_t kConnectionClearMask = 158;
constexpr std::uint32_t kInstallEmptiedJobInfo = 14495;
constexpr int kServerConfigured = 1;
constexpr int kSyncSelectorInstall = 7;

struct ModeRow {
    int mode;
    int base;
    bool storedSettings;  // creation flag 0x400: the stored bidirectional configuration
    bool perUserRefresh;  // the per-user refresh of a user's settings
    bool firstUse;        // the first use of a printer connection
};

constexpr ModeRow kModes[] = {
    {kInitFirstInstall, kBaseInstall, false, false, false},
    {kInitPrinter, kBasePrinter, false, false, false},
    {kInitConnection, kBaseConnection, false, false, false},
    {kInitInstallSettings, kBaseInstall, true, false, false},
    {kInitUserRefresh, kBasePrinter, false, true, false},
    {kInitConnectionFirstUse, kBaseConnection, false, false, true},
};

const ModeRow* FindMode(int mode)
{
    for (const ModeRow& row : kModes)
        if (row.mode == mode) return &row;
    return nullptr;
}

std::u16string PrinterSection(DriverContext* context)
{
    std::u16string section = GetPrinterSectionName(context) ? GetPrinterSectionName(context) : u"";
    SanitizeIniSection(section.data());
    return section;
}

// A folder as compared: case folded, without a trailing backslash.
std::u16string FolderKey(std::u16string folder)
{
    while (!folder.empty() && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
    for (WCHAR& c : folder)
        if (c >= u'a' && c <= u'z') c = static_cast<WCHAR>(c - u'a' + u'A');
    return folder;
}

bool FolderExists(const std::u16string& folder)
{
    const DWORD attributes = GetFileAttributesW(FolderKey(folder).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The default settings folder goes only when the configured one is really
// in use instead of it: it exists, it is another folder, and the default one
// holds no settings INI (whose sections may be other printers' settings).
bool MayRemoveDefaultFolder(DriverContext* context, int base)
{
    WCHAR configured[MAX_PATH] = {};
    if (base == kBaseConnection) {
        if (ReadPrinterDataDirectory(context->printer, kClientDirectoryValueName, configured, MAX_PATH) !=
            DirectoryRead::kResolved)
            return false;
    } else if (base == kBaseInstall) {
        if (!ReadDriverRegistryValue(kDirectoryValueName, configured, sizeof configured)) return false;
    } else {
        return false;
    }
    if (configured[0] == 0 || !FolderExists(configured)) return false;
    WCHAR defaultFolder[MAX_PATH] = {};
    if (GetDefaultDataFolder(defaultFolder, MAX_PATH) == 0) return false;
    if (defaultFolder[0] == 0 || FolderKey(configured) == FolderKey(defaultFolder)) return false;
    const std::u16string ini = FolderKey(defaultFolder) + u"\\" + context->modelRecord->settingsIniName;
    return !FileExists(ini.c_str());
}

void LoadConnectionLocks(HANDLE printer, DriverContext* context)
{
    LoadCompoundItem(printer, context, FindItem(context, rdmLock000InfoBitDefault), kCompoundInPrinterData, kValueUInt8,
                     u"rdmLock000InfoBit", rdmLock000InfoBitDefault, rdmLock000InfoBitResolution);
    LoadCompoundItem(printer, context, FindItem(context, rdmLock001InfoBitColor), kCompoundInPrinterData, kValueUInt8,
                     u"rdmLock001InfoBit", rdmLock001InfoBitColor, rdmLock001InfoBit7);
    LoadItemFromPrinterData(printer, context, FindItem(context, rdmLockDstResolutionBoth), 0, nullptr);
    ApplyLockedValues(printer, context);
    NotifySettingsModules(context, kModuleEventLockQualityLists, nullptr);
    NotifySettingsModules(context, kModuleEventLockPresets, nullptr);
}

// The model files, the job-control plug-in's records and the answer file.
void InstallPrinterFiles(HANDLE printer, DriverContext* context, const ModeRow& mode, bool* packageMark)
{
    if (!InstallModelFiles(context, 0)) return;
    SyncJobControlAtInstall(context);
    if (mode.base == kBaseConnection) {
        OpenJobInfoSession(context);
        ClearJobInfoItems(context, kConnectionClearMask);
        CloseJobInfoSession(context);
    }
    const bool session = HasAnswerWork(context) != FALSE;
    if (session) OpenJobInfoSession(context);
    if (!ApplyAnswerFile(context) || !ApplyAnswerDefaultSettings(0, context, mode.perUserRefresh)) {
        ApplyModelDefaultSettings(0, mode.base, context);
        *packageMark = false;
    }
    WriteDefaultKeys(context, kDefaultKeysInitialise, nullptr);
    const std::u16string section = PrinterSection(context);
    const WCHAR* settingsIni = GetSettingsIniPath(context);
    if (*packageMark) WriteIniString(section.c_str(), u"PackInstallDone", u"1", settingsIni);
    if (mode.base != kBaseConnection) {
        const WCHAR* version = context->modelRecord->descriptionVersion;
        WriteIniString(section.c_str(), u"DrvInstVersion", version ? version : u"", settingsIni);
    }
    if (mode.base != kBaseConnection) {
        RegisterModelResources(context);
    } else {
        // A settings module that keeps the connection's resources answers 1.
        std::uint32_t answer = static_cast<std::uint32_t>(mode.base);
        NotifySettingsModules(context, kModuleEventRegisterResources, &answer);
        if (answer == 1) RegisterModelResources(context);
    }
    if (session) CloseJobInfoSession(context);
    (void)printer;
}

// Answers FALSE, with the cause, when the printer's settings were not stored.
BOOL StoreInstalledSettings(HANDLE printer, DriverContext* context, const ModeRow& mode)
{
    ReadPrintNotificationSupport(context, 0);
    EmptyJobInfoSettings(context, kInstallEmptiedJobInfo);
    const bool fontsOnly =
        (mode.base == kBasePrinter && mode.perUserRefresh) || GetServerConfigState(context) == kServerConfigured;
    const BOOL stored = fontsOnly || StoreItemsPass(printer, context, kClassPrinterSide, 0);
    const DWORD error = stored ? ERROR_SUCCESS : GetLastError();
    StoreFontListsFromModel(printer, context);
    if (IsAnyLockSet(context) && IsDefaultLocked(context)) {
        if (context->workArea->defaultStore != nullptr)
            std::memcpy(context->workArea->defaultStore, context->store, GetSettingsStoreSize());
        WriteLockDefaultData(printer, context);
    }
    WriteDriverFileNames(printer, context);
    WriteBidiFlag(context, 0);
    WriteBidiFunc(context, 0);
    if (!stored) SetLastError(error);
    return stored;
}

}  // namespace

BOOL InitializePrinterSettings(HANDLE printer, DEVMODEW* out, int requested)
{
    const ModeRow* found = FindMode(requested);
    if (found == nullptr) return FALSE;
    const ModeRow& mode = *found;
    std::uint16_t flags = kCreateInitialise;
    flags |= mode.base == kBasePrinter ? kCreateModeStoredSettings : kCreateModeFull;
    if (mode.storedSettings) flags |= kCreateLoadStoredSettings;
    ContextHolder holder(CreateDriverContextWithFlags(printer, printer, nullptr, flags, kCallerPropertySheet),
                         kReleaseUiInstall);
    DriverContext* context = holder.get();
    if (context == nullptr || context->workArea == nullptr || context->modelRecord == nullptr) return FALSE;
    const std::u16string section = PrinterSection(context);

    ApplyModelIniDirectorySettings(printer, section.c_str(), context);
    ApplyAnswerDirectorySettings(printer, section.c_str());
    if (IsNt5OrLater()) CreateDataFolder(printer);
    SetItemValue(context, wdmCustomFunc1, GetUiDefaultValue(wdmCustomFunc1, context));
    StoreItemsPass(printer, context, kClassPrinterSide, kStoreCustomFunctions);
    if (IsNt5OrLater() && (GetItemValue(context, wdmCustomFunc1) != 0 || GetItemValue(context, rdmHidden2Func7) != 0) &&
        MayRemoveDefaultFolder(context, mode.base))
        RemoveDataFolder();
    bool packageMark = HasAnswerWorkForSection(section.c_str()) != FALSE;
    RunExpandPrograms(context);
    SetOsKind(context, IsNt5OrLater() ? 2 : 1);
    if (mode.base != kBaseConnection) WriteHelpFileNameValue(printer, context);
    ApplyLocaleDefaults(context);
    SyncSettingsIniWithModel(printer, FALSE, context);
    if (mode.base != kBaseConnection) {
        WritePrinterNameValue(printer, context);
        WriteDriverNameValue(printer, context);
        // The model's font substitution table becomes the printer's default
        // table the first time; a default already stored stays, so that the
        // table a user restores is the one the printer started with.
        StoreDefaultFontSubstTable(printer, context);
    }
    DeleteBidiIniSection(context);
    InstallPrinterFiles(printer, context, mode, &packageMark);
    ValidateUserLists(context);
    NotifySettingsModules(context, kModuleEventListsChecked, nullptr);
    const BOOL stored = mode.base == kBaseConnection || StoreInstalledSettings(printer, context, mode);
    const DWORD storeError = stored ? ERROR_SUCCESS : GetLastError();
    if (mode.base != kBaseConnection) WriteLogFileName(TRUE, context);
    if (mode.base == kBaseInstall && out != nullptr) {
        InitPrivateRuntimeFlagsUi(context);
        const auto* store = reinterpret_cast<const DEVMODEW*>(GetStoreBytes(context));
        // A conversion's output keeps the size its caller declared.
        if (requested == kInitFirstInstall)
            std::memcpy(out, store, GetDevmodeSize());
        else
            CopyDevmodeForConversion(store, out);
    }
    SecureDataFolder(context);
    if (mode.base == kBasePrinter && !mode.perUserRefresh) RunInstallTimeSync(kSyncSelectorInstall, context);
    if (mode.base == kBaseConnection && IsPrinterConnection(context)) LoadConnectionLocks(printer, context);
    // Settings that were not stored fail the installation, with their cause.
    if (!stored) SetLastError(storeError);
    return stored;
}

}  // namespace vexl::ui
