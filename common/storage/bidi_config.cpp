#include "common/storage/bidi_config.h"

#include "common/core/appservices.h"
#include "common/core/context.h"
#include "common/core/items.h"
#include "common/core/osinfo.h"
#include "common/core/printer.h"
#include "common/core/store.h"
#include "common/core/switches.h"
#include "common/core/textconv.h"
#include "common/storage/bidi_answer.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/settings_files.h"

#include <cstring>
#include <string>

namespace vexl {

namespace {

BidiLibraryInterface g_bidiLibrary{};

constexpr const WCHAR* kStatusLibraryNt = u"tz4manNT.dll";
constexpr const WCHAR* kStatusLibrary9x = u"tzoman32.dll";
constexpr const WCHAR* kBidiSupportKey = u"bIsBIDISupportForVEXL";
constexpr const WCHAR* kBidiModelCheckKey = u"bIsBIDISupportForVEXLModel";
constexpr int kMissingIniFlag = 7;
constexpr const char* kServerDataKey = "PrinterDriverData";

// Settings-interface codes of Windows errors; every other error gives 200.
struct BidiErrorRow {
    DWORD error;
    std::uint32_t code;
};
constexpr BidiErrorRow kBidiErrors[] = {
    {kBidiErrorTreatedAsDone, 0},
    {14, 201},
    {56, 201},
    {10, 202},
};
constexpr std::uint32_t kBidiErrorOther = 200;

// The remote-management library of each build feature that enables it.
struct ServerLibraryRow {
    std::uint32_t feature;
    const WCHAR* flagName;
    const WCHAR* libraryName;
};
constexpr ServerLibraryRow kServerLibraries[] = {
    {kFeatureRemoteManagement, u"QXBIDI_FLG", u"QXBIDISS.dll"},
    {kFeatureServerConfigGate, u"TELVAN_FLG", u"TELVANSV.dll"},
};
constexpr const WCHAR* kServerLibraryKey = u"Software\\VORNA\\Meta Printer Driver";

const ServerLibraryRow* FindServerLibrary()
{
    for (const ServerLibraryRow& row : kServerLibraries)
        if (IsBuildFeatureOn(row.feature)) return &row;
    return nullptr;
}

const WCHAR* Section(DriverContext* context)
{
    return GetPrinterSectionName(context);
}

int ReadBidiIniInt(DriverContext* context, const WCHAR* key, int fallback)
{
    WCHAR path[MAX_PATH];
    if (!GetBidiIniPath(context, path, MAX_PATH)) return fallback;
    return ReadIniInt(Section(context), key, fallback, path);
}

BOOL WriteBidiIniNumber(DriverContext* context, const WCHAR* key, std::uint32_t value)
{
    WCHAR path[MAX_PATH];
    if (!GetBidiIniPath(context, path, MAX_PATH)) return FALSE;
    const std::string digits = std::to_string(value);
    const std::u16string text(digits.begin(), digits.end());
    return WriteIniString(Section(context), key, text.c_str(), path);
}

bool AllEntriesPresent(const BidiLibraryInterface& table)
{
    return table.open && table.close && table.startQuery && table.openChannel && table.modelName && table.readData &&
           table.channelRequest;
}

// Fills the process-wide table from the library; FALSE (error reported)
// when the library has no initialisation entry or leaves entries out.
BOOL InitializeBidiLibrary(HMODULE library, DriverContext* context)
{
    g_bidiLibrary = {};
    const char* entryName = IsBuildFeatureOn(kFeatureBidiV2) ? kBidiInitializeNameV2 : kBidiInitializeName;
    auto initialize =
        reinterpret_cast<BidiInitializeFunction>(reinterpret_cast<void*>(GetProcAddress(library, entryName)));
    if (initialize == nullptr) {
        ReportBidiError(context);
        return FALSE;
    }
    if (!initialize(&g_bidiLibrary) || !AllEntriesPresent(g_bidiLibrary)) {
        g_bidiLibrary = {};
        SetLastError(ERROR_PROC_NOT_FOUND);
        ReportBidiError(context);
        return FALSE;
    }
    return TRUE;
}

const WCHAR* StatusLibraryName(std::uint32_t flags)
{
    return (flags & kBidiQueryAllow9xLibrary) && IsWin9x() ? kStatusLibrary9x : kStatusLibraryNt;
}

bool SameText(const WCHAR* a, const WCHAR* b)
{
    return std::u16string_view(a) == std::u16string_view(b);
}

// Whether the reported model is one the driver accepts: the "Models<n>"
// sections of the model INI list them under the driver's name.
bool IsAcceptedModel(DriverContext* context, const WCHAR* reported, const WCHAR* modelsEntry)
{
    const WCHAR* modelIni = GetModelFilePath(context);
    const bool checkOn = IsBidiModelCheckOn(context) != 0;
    int entries = 0;
    for (int n = 1;; ++n) {
        const std::string digits = "Models" + std::to_string(n);
        const std::u16string section(digits.begin(), digits.end());
        WCHAR accepted[kBidiModelNameChars] = {};
        if (ReadIniString(section.c_str(), GetDriverName(context), u"", accepted, kBidiModelNameChars, modelIni) == 0)
            break;
        ++entries;
        if (checkOn && SameText(accepted, reported)) return true;
    }
    if (entries > 0) return false;
    return !checkOn || SameText(reported, modelsEntry);
}

// Asks the opened printer; the printer handle stays with the caller.
BOOL QueryOpenedPrinter(HANDLE printer, std::uint32_t flags, DriverContext* context, const WCHAR* modelsEntry)
{
    WCHAR model[kBidiModelNameChars] = {};
    if (!g_bidiLibrary.modelName(printer, 0, model, kBidiModelNameChars)) return FALSE;
    model[kBidiModelNameChars - 1] = 0;
    if (!IsAcceptedModel(context, model, modelsEntry)) return FALSE;
    DWORD mask = kBidiMaskFull;
    if (flags & kBidiQueryVersionsOnly)
        mask = kBidiMaskVersions;
    else if (IsBidiCustomMediaWanted(context))
        mask |= kBidiMaskCustomMedia;
    BidiQuery query{&g_bidiLibrary, printer, nullptr};
    DWORD started = 0;
    if (!g_bidiLibrary.startQuery(printer, &query.query, mask, &started) && GetLastError() != kBidiErrorTreatedAsDone) {
        ReportBidiError(context);
        return FALSE;
    }
    return (flags & kBidiQueryVersionsOnly) ? ReadPrinterConfigStatus(query, context)
                                            : ReadPrinterConfigFull(query, context);
}

void ClearVersionItems(DriverContext* context)
{
    SetItemString(context, FindItem(context, rdmSystemVersion), u"");
    SetItemString(context, FindItem(context, rdmEmulationVersion), u"");
}

// Swaps the context's section name for another while it lives.
class SectionSwap {
public:
    SectionSwap(DriverContext* context, const WCHAR* section) : work_(context->workArea)
    {
        Section(context);
        lstrcpynW(work_->savedSectionName, work_->printerName, kIniSectionChars);
        lstrcpynW(work_->printerName, section, kIniSectionChars);
    }
    ~SectionSwap() { lstrcpynW(work_->printerName, work_->savedSectionName, kIniSectionChars); }
    SectionSwap(const SectionSwap&) = delete;
    SectionSwap& operator=(const SectionSwap&) = delete;

private:
    ContextWorkArea* work_;
};

}  // namespace

BidiLibraryInterface* GetBidiLibraryInterface()
{
    return &g_bidiLibrary;
}

// ---- queries ----------------------------------------------------------------------------------------

BOOL QueryPrinterConfig(DriverContext* context, PageDesc* page, std::uint32_t flags)
{
    (void)page;  // an interactive refresh does nothing more here
    if (context == nullptr || context->store == nullptr) return FALSE;
    if ((IsBuildFeatureOn(kFeatureServerConfigGate) || IsBuildFeatureOn(kFeatureRemoteManagement)) &&
        GetServerConfigState(context) == kServerConfigFromServer)
        return TRUE;
    if (!IsBidiSupported(context)) {
        SetDeviceInfoFlagOff(context);
        return TRUE;
    }
    BOOL result = FALSE;
    if (IsPrinterBidiEnabled(context) && IsBidiLibraryReady(context, flags)) {
        result = RunBidiQuery(nullptr, flags, context);
        if (result) {
            WriteBidiFlag(context, kBidiFlagStored);
            WriteBidiFunc(context, static_cast<std::uint8_t>(GetBidiFuncBits(context)));
            SetDeviceInfoFlagOn(context);
            if (RewriteBidiFlag(context))
                DeleteBidiIniSection(context);
            else if (!IsPrinterConnection(context))
                SaveBidiIniSettings(context);
        } else {
            SetDeviceInfoFlagOff(context);
        }
    }
    if (!result) ClearVersionItems(context);
    return result;
}

BOOL QueryBidiConfigNow(DriverContext* context)
{
    return QueryPrinterConfig(context, nullptr, kBidiQueryAllow9xLibrary);
}

BOOL RefreshDeviceInfoNow(DriverContext* context, PageDesc* page)
{
    return QueryPrinterConfig(context, page, kBidiQueryInteractive);
}

BOOL EnsureBidiConfig(DriverContext* context, BOOL queryNow)
{
    const bool inPrinterData = IsPrinterConnection(context) || !HasBidiIniFlag(context);
    const BOOL recorded = inPrinterData ? IsBidiConfiguredInPrinterData(context) : IsBidiIniFlagSet(context);
    if (recorded) return MarkBidiState(context);
    if (queryNow) return QueryBidiConfigNow(context);
    SetDeviceInfoFlagOff(context);
    return FALSE;
}

BOOL MarkBidiState(DriverContext* context)
{
    SetDeviceInfoFlag(context, IsBidiSupported(context) ? 1 : 0);
    return TRUE;
}

BOOL ApplyStoredBidiConfig(DriverContext* context)
{
    if (context == nullptr) return TRUE;
    LoadStoredItems(context->printer, kAllAreas, context);
    if (IsPrinterConnection(context) || !IsBidiIniFlagSet(context)) return TRUE;
    LoadBidiIniSettings(context);
    // The section goes only once printer data holds what it kept.
    if (RewriteBidiFlag(context) &&
        StoreItemsPass(context->printer, context, kAreaPrinter, kStoreForce | kStorePrinterSide))
        DeleteBidiIniSection(context);
    return TRUE;
}

BOOL RunBidiQuery(void* reserved, std::uint32_t flags, DriverContext* context)
{
    (void)reserved;
    const WCHAR* modelsEntry = ReadModelsEntry(context);
    if (modelsEntry == nullptr) return FALSE;
    HMODULE library = LoadLibraryW(StatusLibraryName(flags));
    if (library == nullptr) {
        ReportBidiError(context);
        return FALSE;
    }
    BOOL result = FALSE;
    if (InitializeBidiLibrary(library, context)) {
        HANDLE printer = nullptr;
        BOOL supported = FALSE;
        if (!g_bidiLibrary.open(Section(context), &printer, &supported) || !supported) {
            ReportBidiError(context);
        } else {
            result = QueryOpenedPrinter(printer, flags, context, modelsEntry);
        }
        if (printer != nullptr) g_bidiLibrary.close(printer);
    }
    // The table points into the library: it goes with it.
    g_bidiLibrary = {};
    FreeLibrary(library);
    return result;
}

// A missing library fails the query quietly, but the settings interface
// still learns why.
BOOL IsBidiLibraryReady(DriverContext* context, std::uint32_t flags)
{
    HMODULE library = LoadLibraryW(StatusLibraryName(flags));
    if (library == nullptr) {
        ReportBidiError(context);
        return FALSE;
    }
    FreeLibrary(library);
    return TRUE;
}

// ---- switches -----------------------------------------------------------------------------------------

BOOL IsBidiSupported(DriverContext* context)
{
    return ReadLanguageFlag(context, kBidiSupportKey);
}
BOOL IsBidiModelCheckOn(DriverContext* context)
{
    return ReadLanguageFlag(context, kBidiModelCheckKey);
}

BOOL ReadLanguageFlag(DriverContext* context, const WCHAR* key)
{
    const WCHAR* iniPath = GetSettingsIniPath(context);
    if (iniPath == nullptr || !IsAbsolutePath(iniPath)) return FALSE;
    return ReadIniInt(CopyLanguageCode(context), key, 1, iniPath) == 1 ? TRUE : FALSE;
}

// ---- errors ----------------------------------------------------------------------------------------------

std::uint32_t MapBidiErrorCode(DWORD error)
{
    for (const BidiErrorRow& row : kBidiErrors)
        if (row.error == error) return row.code;
    return kBidiErrorOther;
}

void ReportBidiError(DriverContext* context)
{
    const DWORD error = GetLastError();
    if (context && context->workArea && context->workArea->apiRecord)
        context->workArea->apiRecord->lastError = MapBidiErrorCode(error);
}

// ---- "TZ00C171.ini" -----------------------------------------------------------------------------------------

BOOL GetBidiIniPath(DriverContext* context, WCHAR* out, int size)
{
    BuildSettingsDirPath(out, size, kBidiIniFileName, context);
    return out != nullptr && size > 0 && out[0] != 0 ? TRUE : FALSE;
}

BOOL LoadBidiIniSettings(DriverContext* context)
{
    WCHAR path[MAX_PATH];
    return GetBidiIniPath(context, path, MAX_PATH) && LoadBidiSettingsFrom(context, path) ? TRUE : FALSE;
}

BOOL LoadBidiSettingsFrom(DriverContext* context, const WCHAR* path)
{
    LoadSettingsFile(context->printer, path, kSettingsPrinterItems, context);
    SetBidiFuncBits(context, static_cast<std::uint8_t>(ReadBidiFuncFrom(context, path)));
    return TRUE;
}

std::uint32_t ReadBidiFuncFrom(DriverContext* context, const WCHAR* path)
{
    return static_cast<std::uint32_t>(ReadIniInt(Section(context), kBidiFuncName, 0, path));
}

BOOL SaveBidiIniSettings(DriverContext* context)
{
    WCHAR path[MAX_PATH];
    if (!GetBidiIniPath(context, path, MAX_PATH) ||
        !SaveSettingsFile(context->printer, path, kSettingsPrinterItems, context))
        return FALSE;
    return WriteBidiIniFlag(context, 1) && WriteBidiIniFunc(context, GetBidiFuncBits(context)) &&
                   WriteBidiExFlag(context, 1)
               ? TRUE
               : FALSE;
}

BOOL DeleteBidiIniSection(DriverContext* context)
{
    WCHAR path[MAX_PATH];
    if (!GetBidiIniPath(context, path, MAX_PATH)) return FALSE;
    return WriteIniString(Section(context), nullptr, nullptr, path);
}

BOOL HasBidiIniFlag(DriverContext* context)
{
    return ReadBidiIniInt(context, kBidiFlagName, kMissingIniFlag) != kMissingIniFlag ? TRUE : FALSE;
}

BOOL IsBidiIniFlagSet(DriverContext* context)
{
    return ReadBidiIniInt(context, kBidiFlagName, 0) != 0 ? TRUE : FALSE;
}

BOOL WriteBidiIniFlag(DriverContext* context, std::uint32_t value)
{
    return WriteBidiIniNumber(context, kBidiFlagName, value);
}

std::uint32_t ReadBidiIniFunc(DriverContext* context)
{
    return static_cast<std::uint32_t>(ReadBidiIniInt(context, kBidiFuncName, 0));
}

BOOL WriteBidiIniFunc(DriverContext* context, std::uint32_t value)
{
    return WriteBidiIniNumber(context, kBidiFuncName, value);
}

BOOL WriteBidiExFlag(DriverContext* context, std::uint32_t value)
{
    return WriteBidiIniNumber(context, kBidiExFlagName, value);
}

// ---- configuration from a print server -----------------------------------------------------------------------

std::uint32_t GetServerConfigState(DriverContext* context)
{
    if (!IsTerminalServerCached(context->printer) || !IsServerLibraryEnabled(context)) return kServerConfigNone;
    return ReadServerConnectionMark(context) ? kServerConfigFromServer : kServerConfigLocal;
}

BOOL IsServerLibraryEnabled(DriverContext* context)
{
    const ServerLibraryRow* row = FindServerLibrary();
    if (row == nullptr) return FALSE;
    std::uint8_t flag[4] = {};
    if (!ReadHklmValue(kServerLibraryKey, row->flagName, flag, sizeof(flag), context) || flag[0] != 1 || flag[1] ||
        flag[2] || flag[3])
        return FALSE;
    WCHAR path[MAX_PATH];
    return BuildServerLibraryPath(path, MAX_PATH, context) && FileExists(path) ? TRUE : FALSE;
}

BOOL BuildServerLibraryPath(WCHAR* out, int size, DriverContext* context)
{
    (void)context;
    const ServerLibraryRow* row = FindServerLibrary();
    BuildSystemDirPath(out, size, row ? row->libraryName : u"");
    return out != nullptr && size > 0 && out[0] != 0 ? TRUE : FALSE;
}

BOOL ReadServerConnectionMark(DriverContext* context)
{
    std::uint8_t mark[4] = {};
    return ReadPrinterDataValue(context->printer, mark, sizeof(mark), kServerConnectionName, context) && mark[0] == 1 &&
                   !mark[1] && !mark[2] && !mark[3]
               ? TRUE
               : FALSE;
}

BOOL RefreshBidiFromServerIni(const WCHAR* fetchedIni, const WCHAR* serverPrinterName, DriverContext* context)
{
    if (fetchedIni == nullptr || serverPrinterName == nullptr || context == nullptr) return FALSE;
    if (ReadIniInt(serverPrinterName, kBidiFlagName, kMissingIniFlag, fetchedIni) == kMissingIniFlag)
        return DeleteBidiIniSection(context);
    {
        SectionSwap swap(context, serverPrinterName);
        LoadBidiSettingsFrom(context, fetchedIni);
    }
    SaveBidiIniSettings(context);
    const std::uint8_t refreshed[4] = {1, 0, 0, 0};
    WritePrinterDataBinary(context->printer, refreshed, sizeof(refreshed), kPresetRefreshName, context);
    const WCHAR* iniPath = GetSettingsIniPath(context);
    if (iniPath != nullptr) WriteIniString(Section(context), kPresetRefreshName, u"1", iniPath);
    return TRUE;
}

DWORD ReadPrinterDataViaPlugin(void* state, const WCHAR* valueName, DWORD expectedType, BYTE* data, DWORD size,
                               DWORD* needed)
{
    auto* record = static_cast<ServerPrinterDataRecord*>(state);
    if (record == nullptr || !record->sizeEntry || !record->dataEntry || valueName == nullptr || data == nullptr)
        return ERROR_INVALID_PARAMETER;
    std::strncpy(record->key, kServerDataKey, kServerNameBytes - 1);
    record->key[kServerNameBytes - 1] = 0;
    WideToAnsi(record->valueName, valueName, kServerNameBytes);
    record->valueName[kServerNameBytes - 1] = 0;
    DWORD serverSize = 0;
    if (record->sizeEntry(record->connection, record->serverKind, record->serverPrinter, record->key, record->valueName,
                          &serverSize) != 0)
        return ERROR_FILE_NOT_FOUND;
    if (serverSize != size) return ERROR_INVALID_DATA;
    if (record->dataEntry(record->connection, record->serverKind, record->serverPrinter, record->key, record->valueName,
                          size, data) != 0)
        return ERROR_FILE_NOT_FOUND;
    SetPrinterDataW(record->localPrinter, const_cast<LPWSTR>(valueName), expectedType, data, size);
    if (needed) *needed = size;
    return ERROR_SUCCESS;
}

PrinterDataCallback MakeServerPrinterDataCallback(ServerPrinterDataRecord* record)
{
    return PrinterDataCallback{ReadPrinterDataViaPlugin, record};
}

}  // namespace vexl
