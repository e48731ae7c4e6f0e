// The install answer file: tests, readers, marks, and the application of the
// directory, spool and package keys.
#include "ui/install/answer_file.h"

#include "common/core/appservices.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/osinfo.h"
#include "common/core/printer.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/storage/bidi_config.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/persistence.h"
#include "common/storage/preset_install.h"
#include "ui/base/job_info.h"
#include "ui/base/printer_values.h"
#include "ui/base/ui_context.h"
#include "ui/install/install_ini.h"
#include "ui/install/install_services.h"
#include "ui/install/locale_defaults.h"
#include "ui/install/settings_package.h"
#include "ui/install/upgrade_check.h"

#include <cstring>
#include <string>
#include <vector>

namespace vexl::ui {
namespace {

constexpr int kPathChars = MAX_PATH;
constexpr int kAbsentNumber = 0x7FFF;
constexpr const WCHAR* kAbsentText = u"*";
constexpr int kSectionProbeChars = 4096;
// Room kept after the settings folder for the names the system appends
// to it, and after the spool folder for its file names.
constexpr std::size_t kSettingsFolderReserve = 46;
constexpr std::size_t kSpoolFolderReserve = 21;
constexpr const WCHAR* kSystemDriveMacro = u"%SYSTEMDRIVE%";
constexpr const WCHAR* kSystemRootMacro = u"%SYSTEMROOT%";
constexpr std::uint16_t kAuthenticationFeatureClass = 0;

// Keys whose presence gives a section answer work, and how.
enum class Presence { NonEmpty, Any };
struct AnswerKey {
    const WCHAR* key;
    Presence presence;
};
constexpr AnswerKey kAnswerWorkKeys[] = {
    {u"DefaultRst", Presence::NonEmpty},
    {u"SetUserID", Presence::NonEmpty},
    {u"SetOwnerID", Presence::NonEmpty},
    {u"SetUserCode", Presence::Any},
    {u"SetAuthenticationNetworkKey", Presence::Any},
    {u"SetAuthenticationSecureMode", Presence::Any},
    {u"SetAuthenticationUserName", Presence::Any},
    {u"SetAuthenticationMode", Presence::Any},
    {u"VEXLDirectory", Presence::Any},
    {u"VEXLDirectoryClient", Presence::Any},
};

std::u16string AnswerFile()
{
    WCHAR file[kPathChars] = {};
    BuildAnswerFilePath(file, kPathChars);
    return file;
}

std::u16string SectionOf(const WCHAR* name)
{
    std::u16string section = name ? name : u"";
    SanitizeIniSection(section.data());
    return section;
}

std::u16string PrinterSection(DriverContext* context)
{
    return SectionOf(GetPrinterSectionName(context));
}

// A key read with the absent marker: false when absent.
bool ReadPresent(const WCHAR* section, const WCHAR* key, const WCHAR* file, std::u16string* value,
                 int chars = kPathChars)
{
    std::vector<WCHAR> buffer(static_cast<std::size_t>(chars) + 1, 0);
    ReadIniString(section, key, kAbsentText, buffer.data(), chars, file);
    if (std::u16string_view(buffer.data()) == kAbsentText) return false;
    if (value) *value = buffer.data();
    return true;
}

bool StartsWithNoCase(const std::u16string& text, const WCHAR* prefix)
{
    const std::size_t length = static_cast<std::size_t>(lstrlenW(prefix));
    return text.size() >= length && lstrcmpiW(text.substr(0, length).c_str(), prefix) == 0;
}

std::u16string WindowsDirectory()
{
    WCHAR directory[kPathChars] = {};
    GetWindowsDirectoryW(directory, kPathChars);
    return directory;
}

// The leading macro of a folder value expanded; false when the result would
// not fit a path.
bool ExpandFolderMacros(std::u16string* value, bool withSystemRoot)
{
    const std::u16string windows = WindowsDirectory();
    if (StartsWithNoCase(*value, kSystemDriveMacro))
        *value = windows.substr(0, 2) + value->substr(static_cast<std::size_t>(lstrlenW(kSystemDriveMacro)));
    if (withSystemRoot && StartsWithNoCase(*value, kSystemRootMacro))
        *value = windows + value->substr(static_cast<std::size_t>(lstrlenW(kSystemRootMacro)));
    return value->size() < static_cast<std::size_t>(kPathChars);
}

bool FolderExists(std::u16string folder)
{
    while (folder.size() > 3 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW(folder.c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return false;
    FindClose(find);
    return true;
}

DWORD TextBytes(const std::u16string& text)
{
    return static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR));
}

BOOL SetPrinterText(HANDLE printer, const WCHAR* name, const std::u16string& text)
{
    std::u16string valueName = name;
    return SetPrinterDataW(printer, valueName.data(), REG_SZ, reinterpret_cast<BYTE*>(const_cast<WCHAR*>(text.c_str())),
                           TextBytes(text)) == ERROR_SUCCESS;
}

BOOL IsLocalPrinterHandle(HANDLE printer)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    if (info == nullptr) return FALSE;
    const BOOL local = info->pServerName == nullptr || info->pServerName[0] == 0;
    FreeIfNotNull(info);
    return local;
}

std::u16string ModelIniOfPrinter(HANDLE printer, DriverContext* context)
{
    if (context && context->modelRecord && context->modelRecord->modelIniName) {
        WCHAR path[kPathChars] = {};
        BuildDriverDirPath(path, kPathChars, context->modelRecord->modelIniName, printer);
        return path;
    }
    return {};
}

bool IsClassZeroOn(DriverContext* context)
{
    return IsFeatureClassOn(context, kAuthenticationFeatureClass, 0) != FALSE;
}

std::u16string ReadItemText(DriverContext* context, std::uint16_t id)
{
    WCHAR text[kPathChars] = {};
    GetItemString(context, FindItem(context, id), text, kPathChars);
    return text;
}

void WriteItemText(DriverContext* context, std::uint16_t id, const std::u16string& text)
{
    SetItemString(context, FindItem(context, id), text.c_str());
}

bool IsDigits(const std::u16string& text)
{
    for (WCHAR c : text)
        if (c < u'0' || c > u'9') return false;
    return true;
}

// The identity and authentication values that a package must not overwrite.
struct KeptIdentity {
    std::u16string userId;
    std::u16string owner;
    std::uint32_t authMode = 0;
    std::uint32_t secureMode = 0;
    std::u16string networkKey;
    std::u16string userName;
};

KeptIdentity RememberIdentity(DriverContext* context)
{
    KeptIdentity kept;
    kept.userId = ReadItemText(context, rdmUserID);
    kept.owner = ReadItemText(context, rdmOwnerName);
    if (IsClassZeroOn(context)) {
        kept.authMode = GetItemOption(context, rdmPrnFuncAuthenticationMode);
        kept.secureMode = GetItemOption(context, rdmPrnFuncAuthenticationSecureMode);
        kept.networkKey = ReadItemText(context, wdmAuthenticationNetworkKey);
        kept.userName = ReadItemText(context, wdmAuthenticationUserName);
    }
    return kept;
}

void RestoreIdentityTexts(DriverContext* context, const KeptIdentity& kept)
{
    if (!kept.userId.empty()) WriteItemText(context, rdmUserID, kept.userId);
    if (!kept.owner.empty()) WriteItemText(context, rdmOwnerName, kept.owner);
    if (!IsClassZeroOn(context)) return;
    const std::uint8_t flags = context->workArea->answerFlags;
    if (flags & kAnswerNetworkKeySet) WriteItemText(context, wdmAuthenticationNetworkKey, kept.networkKey);
    if (flags & kAnswerUserNameSet) WriteItemText(context, wdmAuthenticationUserName, kept.userName);
}

void RestoreAuthenticationModes(DriverContext* context, const KeptIdentity& kept)
{
    if (!IsClassZeroOn(context)) return;
    const std::uint8_t flags = context->workArea->answerFlags;
    if (flags & kAnswerAuthModeSet) SetItemOption(context, rdmPrnFuncAuthenticationMode, kept.authMode);
    if (flags & kAnswerSecureModeSet) SetItemOption(context, rdmPrnFuncAuthenticationSecureMode, kept.secureMode);
}

void StoreUserCodeItems(DriverContext* context)
{
    StoreItemToPrinterData(context->printer, context, FindItem(context, rdmLogCodeUse));
    StoreItemToPrinterData(context->printer, context, FindItem(context, rdmLogCode));
}

// The package's settings loaded over the context's, with the identity the
// answer file set kept; the whole store comes back when its lists fail.
BOOL ApplyPackage(std::uint32_t flags, DriverContext* context, const WCHAR* package, const WCHAR* language)
{
    const std::uint32_t storeSize = GetSettingsStoreSize();
    std::vector<std::uint8_t> saved(storeSize);
    std::memcpy(saved.data(), context->store, storeSize);
    const KeptIdentity kept = RememberIdentity(context);
    LoadDefaultSettingsPackage(package, language, context);
    RestoreIdentityTexts(context, kept);
    if (!InstallPackageLists(package, language, flags | kPackageListsMarkDone, context)) {
        std::memcpy(context->store, saved.data(), storeSize);
        return FALSE;
    }
    RestoreAuthenticationModes(context, kept);
    WriteDefaultKeys(context, kDefaultKeysPackage, package);
    return TRUE;
}

void HandOverPackageJobInfo(DriverContext* context, const WCHAR* package, const WCHAR* language,
                            const std::u16string& answerFile, const std::u16string& section)
{
    std::uint32_t mask = kInstallJobInfoMask;
    if (context->workArea->userCodeApplied == 0) {
        WCHAR code[9] = {};
        ReadIniString(language, GetItemName(context, rdmUserCode), u"", code, 9, package);
        // A package names a user code only with at least one digit.
        if (code[0] != 0 && IsDigits(code)) {
            SetItemValue(context, rdmPrintLog, 0);
            mask |= kJobInfoUserCodeMask;
        }
    }
    WriteJobInfoItems(context, mask);
    StoreJobInfoItems(context, mask);
    ClearReadOnlyAttribute(answerFile.c_str());
    WriteDrvInstSetMark(answerFile.c_str(), section.c_str(), 1);
    if (mask & kJobInfoUserCodeMask) StoreUserCodeItems(context);
}

constexpr int kSectionListChars = 30720;

// A text value of printer data (at most chars characters); empty when absent.
std::u16string ReadPrinterDataText(HANDLE printer, const WCHAR* name, int chars)
{
    std::vector<WCHAR> buffer(static_cast<std::size_t>(chars) + 1, 0);
    DWORD type = 0;
    DWORD needed = 0;
    std::u16string valueName = name;
    if (GetPrinterDataW(printer, valueName.data(), &type, reinterpret_cast<BYTE*>(buffer.data()),
                        static_cast<DWORD>(chars * sizeof(WCHAR)), &needed) != ERROR_SUCCESS)
        return {};
    return buffer.data();
}

// The caller kind of the context with the shared-directory bit for a scope.
class SharedDirectoryScope {
public:
    explicit SharedDirectoryScope(DriverContext* context) : work_(context->workArea), kept_(work_->callerKind)
    {
        work_->callerKind |= kCallerSharedSettingsDirectory;
    }
    ~SharedDirectoryScope() { work_->callerKind = kept_; }
    SharedDirectoryScope(const SharedDirectoryScope&) = delete;
    SharedDirectoryScope& operator=(const SharedDirectoryScope&) = delete;

private:
    ContextWorkArea* work_;
    std::uint32_t kept_;
};

void CopyBidiSection(DriverContext* context, const std::u16string& oldName, const WCHAR* newName)
{
    WCHAR file[MAX_PATH] = {};
    BuildSettingsDirPath(file, MAX_PATH, kBidiIniFileName, context);
    if (file[0] == 0 || oldName.empty()) return;
    std::u16string oldSection = oldName;
    SanitizeIniSection(oldSection.data());
    std::u16string newSection = newName;
    SanitizeIniSection(newSection.data());
    std::vector<WCHAR> text(kSectionListChars, 0);
    const DWORD length = GetPrivateProfileSectionW(oldSection.c_str(), text.data(), kSectionListChars, file);
    if (length == 0) return;
    WritePrivateProfileSectionW(newSection.c_str(), text.data(), file);
}

}  // namespace

// ---- tests --------------------------------------------------------------------------------------

BOOL IsAnswerSectionEmpty(const WCHAR* iniFile, const WCHAR* section)
{
    for (const AnswerKey& key : kAnswerWorkKeys) {
        std::u16string value;
        if (!ReadPresent(section, key.key, iniFile, &value)) continue;
        if (key.presence == Presence::Any || !value.empty()) return FALSE;
    }
    return TRUE;
}

BOOL HasAnswerWork(DriverContext* context)
{
    if (context == nullptr) return FALSE;
    return HasAnswerWorkForSection(PrinterSection(context).c_str());
}

BOOL HasAnswerWorkForSection(const WCHAR* section)
{
    const std::u16string file = AnswerFile();
    if (file.empty() || !FileExists(file.c_str())) return FALSE;
    return !IsAnswerSectionEmpty(file.c_str(), section);
}

BOOL HasModelIniAnswerWork(const WCHAR* section, HANDLE printer)
{
    WCHAR path[kPathChars] = {};
    const ModelRecord* model = GetModelDatabase()->modelRecord;
    BuildDriverDirPath(path, kPathChars, model ? model->modelIniName : u"", printer);
    if (path[0] == 0 || !FileExists(path)) return FALSE;
    return !IsAnswerSectionEmpty(path, section);
}

BOOL HasAnswerSection(HANDLE printer)
{
    const std::u16string file = AnswerFile();
    if (file.empty() || !FileExists(file.c_str())) return FALSE;
    WCHAR name[kPathChars] = {};
    if (GetPrinterNameOfHandle(printer, name, kPathChars)[0] == 0) return FALSE;
    // The section is found by the name every other access uses.
    const std::u16string section = SectionOf(name);
    std::vector<WCHAR> text(kSectionProbeChars, 0);
    if (GetPrivateProfileSectionW(section.c_str(), text.data(), kSectionProbeChars, file.c_str()) == 0) return FALSE;
    return !IsAnswerSectionEmpty(file.c_str(), section.c_str());
}

BOOL ReadDrvInstSetMark(const WCHAR* answerFile, const WCHAR* section)
{
    return ReadIniFlag(answerFile, section, u"DrvInstSet");
}

BOOL ReadBatchInstallDoneData(HANDLE printer)
{
    BYTE bytes[4] = {};
    DWORD type = 0;
    DWORD needed = 0;
    WCHAR name[] = u"BatchInstallDone";
    if (GetPrinterDataW(printer, name, &type, bytes, sizeof bytes, &needed) != ERROR_SUCCESS) return FALSE;
    return (bytes[0] | bytes[1] | bytes[2] | bytes[3]) != 0;
}

// ---- readers ------------------------------------------------------------------------------------

WCHAR* BuildAnswerFilePath(WCHAR* out, int size)
{
    if (out == nullptr || size < kPathChars) return out;
    WCHAR system[kPathChars] = {};
    const UINT length = GetSystemDirectoryW(system, kPathChars);
    out[0] = 0;
    if (length == 0 || length + 1 + static_cast<UINT>(lstrlenW(kAnswerFileName)) >= static_cast<UINT>(size)) return out;
    const std::u16string path = std::u16string(system) + u"\\" + kAnswerFileName;
    lstrcpynW(out, path.c_str(), size);
    return out;
}

BOOL ReadAnswerDefaultRst(WCHAR* out, DriverContext* context)
{
    return ReadDefaultRstOf(out, AnswerFile().c_str(), PrinterSection(context).c_str());
}

BOOL ReadIniFlag(const WCHAR* iniFile, const WCHAR* section, const WCHAR* key)
{
    const int value = ReadIniInt(section, key, kAbsentNumber, iniFile);
    return value != kAbsentNumber && value != 0;
}

BOOL IsUsableSettingsPath(const WCHAR* path)
{
    return path != nullptr && HasShortExtension(path) && FileExists(path);
}

WCHAR* GetPrinterNameOfHandle(HANDLE printer, WCHAR* out, int capacity)
{
    if (out == nullptr || capacity <= 0) return out;
    out[0] = 0;
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    if (info == nullptr) return out;
    if (info->pPrinterName) lstrcpynW(out, info->pPrinterName, capacity);
    FreeIfNotNull(info);
    return out;
}

// ---- marks ----------------------------------------------------------------------------------------

void WriteDrvInstSetMark(const WCHAR* answerFile, const WCHAR* section, int value)
{
    WriteIniNumber(answerFile, section, value, u"DrvInstSet");
}

void MarkAnswerBatchInstallDone(const WCHAR* answerFile, const WCHAR* section, int value)
{
    WriteIniNumber(answerFile, section, value, u"BatchInstallDone");
}

void MarkBatchInstallDone(const WCHAR* settingsIni, const WCHAR* section, int value, BOOL alsoPrinterData,
                          DriverContext* context)
{
    WriteIniNumber(settingsIni, section, value, u"BatchInstallDone");
    if (!alsoPrinterData || context == nullptr) return;
    BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                     static_cast<BYTE>(value >> 24)};
    WCHAR name[] = u"BatchInstallDone";
    SetPrinterDataW(context->printer, name, REG_BINARY, bytes, sizeof bytes);
}

// ---- application ------------------------------------------------------------------------------------

BOOL ApplyDirectorySettings(HANDLE printer, const WCHAR* section, const WCHAR* iniFile)
{
    if (iniFile == nullptr || section == nullptr) return FALSE;
    std::u16string value;
    if (ReadPresent(section, u"VEXLDirectory", iniFile, &value)) {
        if (value.empty()) {
            WriteDriverRegistryValue(kDirectoryValueName, u"", sizeof(WCHAR));
        } else if (ExpandFolderMacros(&value, true) && FolderExists(value)) {
            if (value.back() != u'\\') value += u'\\';
            if (value.size() + kSettingsFolderReserve < static_cast<std::size_t>(kPathChars)) {
                value += kSettingsFolderName;
                WriteDriverRegistryValue(kDirectoryValueName, value.c_str(), TextBytes(value));
            }
        }
    }
    WriteIniKeepingTime(section, u"VEXLDirectory", nullptr, iniFile);
    std::u16string client;
    if (IsLocalPrinterHandle(printer) && ReadPresent(section, u"VEXLDirectoryClient", iniFile, &client) &&
        !client.empty())
        SetPrinterText(printer, kClientDirectoryValueName, client);
    WriteIniKeepingTime(section, u"VEXLDirectoryClient", nullptr, iniFile);
    return TRUE;
}

BOOL ApplyModelIniDirectorySettings(HANDLE printer, const WCHAR* section, DriverContext* context)
{
    const std::u16string modelIni = ModelIniOfPrinter(printer, context);
    if (modelIni.empty() || !FileExists(modelIni.c_str())) return TRUE;
    ApplyDirectorySettings(printer, section, modelIni.c_str());
    return TRUE;
}

BOOL ApplyAnswerDirectorySettings(HANDLE printer, const WCHAR* section)
{
    const std::u16string file = AnswerFile();
    if (file.empty() || !FileExists(file.c_str())) return TRUE;
    ApplyDirectorySettings(printer, section, file.c_str());
    return TRUE;
}

BOOL ApplySpoolDirectory(const WCHAR* iniFile, const WCHAR* section, DriverContext* context)
{
    if (iniFile == nullptr || section == nullptr || context == nullptr) return FALSE;
    if (!FileExists(iniFile)) return TRUE;
    WCHAR all[32] = {};
    ReadIniString(section, u"SpoolDirectoryAll", u"OFF", all, 32, iniFile);
    const bool forAll = std::u16string_view(all) == u"ON";
    std::u16string value;
    if (ReadPresent(section, u"SpoolDirectory", iniFile, &value)) {
        if (!value.empty()) {
            if (ExpandFolderMacros(&value, false) && FolderExists(value) &&
                value.size() + kSpoolFolderReserve < static_cast<std::size_t>(kPathChars)) {
                if (forAll)
                    WriteDriverRegistryValue(u"SpoolDirectory", value.c_str(), TextBytes(value));
                else
                    SetPrinterText(context->printer, u"SpoolDirectory", value);
            }
        } else if (forAll) {
            WriteDriverRegistryValue(u"SpoolDirectory", u"", sizeof(WCHAR));
        }
    }
    WriteIniKeepingTime(section, u"SpoolDirectory", nullptr, iniFile);
    WriteIniKeepingTime(section, u"SpoolDirectoryAll", nullptr, iniFile);
    return TRUE;
}

BOOL ApplyAnswerFile(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    const std::u16string file = AnswerFile();
    if (file.empty() || !FileExists(file.c_str())) return FALSE;
    const std::u16string section = PrinterSection(context);
    BOOL result = TRUE;
    if (!IsAnswerSectionEmpty(file.c_str(), section.c_str())) {
        WCHAR package[kPathChars] = {};
        if (ReadAnswerDefaultRst(package, context)) {
            ExpandToDriverDirectory(package, kPathChars, context);
            const WCHAR* language = GetInstallSectionName(context);
            InstallPresetFiles(package, language, kPackageListsCopy | kPackageListsMarkDone, context, 0, nullptr);
            InstallQualityFiles(package, language, kPackageListsCopy | kPackageListsMarkDone, context);
        } else {
            result = FALSE;
            ClearReadOnlyAttribute(file.c_str());
            MarkAnswerBatchInstallDone(file.c_str(), section.c_str(), 1);
            MarkBatchInstallDone(GetSettingsIniPath(context), section.c_str(), 1, TRUE, context);
        }
    }
    ApplyAnswerUserCode(file.c_str(), section.c_str(), context);
    ApplyAnswerIdentity(file.c_str(), section.c_str(), context);
    const std::u16string modelIni = ModelIniOfPrinter(context->printer, context);
    if (!modelIni.empty()) ApplySpoolDirectory(modelIni.c_str(), section.c_str(), context);
    ApplySpoolDirectory(file.c_str(), section.c_str(), context);
    return result;
}

BOOL ApplyAnswerDefaultSettings(std::uint32_t flags, DriverContext* context, BOOL batchReplay)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    const std::u16string file = AnswerFile();
    const std::u16string section = PrinterSection(context);
    const bool work = HasAnswerWork(context) != FALSE;
    const bool terminalServer = IsTerminalServerCached(context->printer) != FALSE;
    bool proceed = work;
    if (batchReplay && terminalServer && ReadIniInt(section.c_str(), u"BatchInstallDone", 0, file.c_str()) != 0)
        proceed = true;
    if (!proceed) return FALSE;

    WCHAR package[kPathChars] = {};
    const BOOL found =
        !work && terminalServer ? ReadStoredDefaultRst(package, context) : ReadAnswerDefaultRst(package, context);
    if (!found) return FALSE;
    ExpandToDriverDirectory(package, kPathChars, context);
    const WCHAR* language = GetInstallSectionName(context);
    BOOL result = FALSE;
    if (language != nullptr && language[0] != 0 && IsUsableSettingsPath(package))
        result = ApplyPackage(flags | kPackageListsMarkDone, context, package, language);
    if (result) {
        CopyPackageFreeSizes(package, language, context);
        CopyPackageStamps(package, language, context);
        HandOverPackageJobInfo(context, package, language, file, section);
    }
    ClearReadOnlyAttribute(file.c_str());
    MarkAnswerBatchInstallDone(file.c_str(), section.c_str(), 1);
    MarkBatchInstallDone(GetSettingsIniPath(context), section.c_str(), 1, TRUE, context);
    WriteIniString(section.c_str(), u"DefaultRstName", package, file.c_str());
    WriteIniString(section.c_str(), u"DefaultRst", nullptr, file.c_str());
    return result;
}

BOOL ApplyModelDefaultSettings(std::uint32_t flags, int mode, DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    const std::u16string section = PrinterSection(context);
    WCHAR package[kPathChars] = {};
    if (ReadModelDefaultRst(package, context)) {
        ExpandToDriverDirectory(package, kPathChars, context);
        const WCHAR* language = GetInstallSectionName(context);
        if (language != nullptr && language[0] != 0 && IsDefaultPackageFile(package)) {
            const BOOL installed = InstallPackageLists(package, language, flags, context);
            const int done = installed ? 1 : 0;
            MarkBatchInstallDone(GetSettingsIniPath(context), section.c_str(), done, mode != 2, context);
            SetItemValue(context, rdmBatchInst, static_cast<std::uint32_t>(done));
            WriteDefaultKeys(context, kDefaultKeysPackage, package);
        }
    }
    const std::u16string file = AnswerFile();
    if (!file.empty() && FileExists(file.c_str())) {
        WriteIniString(section.c_str(), u"DefaultRstName", nullptr, file.c_str());
        WriteIniString(section.c_str(), u"BatchInstallDone", nullptr, file.c_str());
    }
    return TRUE;
}

BOOL RefreshAfterRename(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    HANDLE printer = context->printer;
    if (IsPrinterConnection(context) || !ReadPrinterDataText(printer, u"ClientName", MAX_PATH).empty()) return FALSE;
    const std::u16string section = GetPrinterSectionName(context) ? GetPrinterSectionName(context) : u"";
    const std::u16string stored = ReadPrinterDataText(printer, u"VEXLPrinterName", MAX_PATH);
    if (!stored.empty() && lstrcmpiW(stored.c_str(), section.c_str()) == 0) return FALSE;
    {
        SharedDirectoryScope shared(context);
        WriteDefaultKeys(context, kDefaultKeysInitialise, nullptr);
        CopyBidiSection(context, stored, section.c_str());
        ApplyModelDefaultSettings(kPackageListsRenamed, kModelDefaultsRename, context);
        ValidateUserLists(context);
        WriteLocaleDefaults(context);
    }
    if (!StampInstallTime(printer, kInstallKindInitialised, kStampShared)) return FALSE;
    WritePrinterNameValue(printer, context);
    WriteDriverNameValue(printer, context);
    return TRUE;
}

}  // namespace vexl::ui
