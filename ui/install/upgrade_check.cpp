// The upgrade check and the per-user refresh of the printer's settings.
#include "ui/install/upgrade_check.h"

#include "common/core/devmode_merge.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/osinfo.h"
#include "common/core/printer.h"
#include "common/core/process.h"
#include "common/core/units.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "ui/base/job_info.h"
#include "ui/base/library_state.h"
#include "ui/base/ui_context.h"
#include "ui/install/install_work.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace vexl::ui {
namespace {

constexpr int kStampChars = 14;
constexpr int kTextChars = 261;
constexpr std::uint16_t kInstallKindFirst = 1;
constexpr std::uint16_t kInstallKindUpgrade = 2;
constexpr std::uint16_t kRefreshModeConnection = 2;
constexpr std::uint16_t kRefreshModeUser = 6;
constexpr std::uint16_t kRefreshModeFirstUse = 7;
constexpr std::uint16_t kCreateInstall = 0x300;
constexpr std::uint16_t kCreateSkipAdmin = 0x200;

const ModelRecord* Model()
{
    return GetModelDatabase()->modelRecord;
}

const WCHAR* VersionText()
{
    const WCHAR* text = Model()->descriptionVersion;
    return text ? text : u"";
}

std::uint32_t PrivateVersion()
{
    return Model()->privateVersion;
}

// The printer's section: its name with '[' and ']' made ','.
std::u16string SectionOf(const WCHAR* printerName)
{
    std::u16string section = printerName ? printerName : u"";
    for (char16_t& c : section) {
        if (c == u'[' || c == u']') c = u',';
    }
    return section;
}

std::u16string SectionOfPrinter(HANDLE printer, const PRINTER_INFO_2W* info)
{
    PRINTER_INFO_2W* fetched = nullptr;
    if (info == nullptr) info = fetched = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    std::u16string section = info ? SectionOf(info->pPrinterName) : u"";
    FreeIfNotNull(fetched);
    return section;
}

std::u16string ReadText(const std::u16string& ini, const std::u16string& section, const WCHAR* key)
{
    WCHAR text[kTextChars] = {};
    GetPrivateProfileStringW(section.c_str(), key, u"", text, kTextChars, ini.c_str());
    return text;
}

bool SettingsIniPath(HANDLE printer, std::uint16_t perUser, std::u16string* out)
{
    WCHAR path[MAX_PATH] = {};
    if (!GetSettingsIniPathForPrinter(path, perUser, printer) || path[0] == 0) return false;
    *out = path;
    return true;
}

// The first 14 characters of two stamps compared as texts.
int CompareStamps(const std::u16string& a, const std::u16string& b)
{
    return a.substr(0, kStampChars).compare(b.substr(0, kStampChars));
}

// Splits "7.60" at its last '.' into 7 and 60.
void SplitVersion(const WCHAR* text, long* major, long* minor)
{
    std::u16string value = text ? text : u"";
    const std::size_t dot = value.rfind(u'.');
    auto number = [](const std::u16string& digits) {
        long n = 0;
        for (char16_t c : digits) {
            if (c < u'0' || c > u'9') break;
            n = n * 10 + (c - u'0');
            if (n > 1000000) break;
        }
        return n;
    };
    *major = number(dot == std::u16string::npos ? value : value.substr(0, dot));
    *minor = dot == std::u16string::npos ? 0 : number(value.substr(dot + 1));
}

// The decision under the settings mutex: steps after the user's copy was found.
std::uint16_t DecideWithUserCopy(HANDLE printer, const std::u16string& userIni, const std::u16string& section)
{
    std::u16string sharedIni;
    const std::u16string userTime = ReadText(userIni, section, u"DrvInstTime");
    if (!SettingsIniPath(printer, 0, &sharedIni)) return kRefreshNone;
    const std::u16string sharedTime = ReadText(sharedIni, section, u"DrvInstTime");
    if (userTime.empty()) return sharedTime.empty() ? kRefreshUpgrade : kRefreshUnstamped;
    if (CompareStamps(sharedTime, userTime) <= 0) return kRefreshNone;
    std::uint32_t mark = 0;
    if (ReadAdminChangeMark(printer, &mark)) return kRefreshAdministrator;
    if (CompareStamps(ReadText(sharedIni, section, u"DrvFirstInstTime"), userTime) > 0) return kRefreshAdministrator;
    if (GetPrivateProfileIntW(section.c_str(), u"DrvInstType", 0, sharedIni.c_str()) != kInstallKindUpgrade)
        return kRefreshAdministrator;
    // A copy written by an older driver is refreshed, whatever its minor.
    const std::u16string userVersion = ReadText(userIni, section, u"DrvInstVersion");
    return CompareDriverVersionTexts(userVersion.c_str(), VersionText()) < 0 ? kRefreshUpgrade : kRefreshNone;
}

// The listed files of the printer's section ("<count key>" entries named by
// format) copied into folder, their new paths written into the user's INI.
BOOL CopyListedFiles(const std::u16string& sharedIni, const std::u16string& userIni, const std::u16string& section,
                     const std::u16string& folder, const WCHAR* countKey, const char* format)
{
    BOOL result = TRUE;
    const UINT count = GetPrivateProfileIntW(section.c_str(), countKey, 0, sharedIni.c_str());
    for (UINT i = 0; i < count && i < 1000; ++i) {
        char keyText[32];
        std::snprintf(keyText, sizeof keyText, format, i);
        const std::u16string key(keyText, keyText + std::char_traits<char>::length(keyText));
        const std::u16string path = ReadText(sharedIni, section, key.c_str());
        if (path.empty()) continue;
        const WCHAR* name = FindFileNamePart(path.c_str());
        const std::u16string target = folder + u"\\" + (name ? name : path.c_str());
        result = CopyFileW(path.c_str(), target.c_str(), FALSE);
        if (result) result = WritePrivateProfileStringW(section.c_str(), key.c_str(), target.c_str(), userIni.c_str());
    }
    return result;
}

std::u16string FolderOf(const std::u16string& path)
{
    const std::size_t slash = path.rfind(u'\\');
    return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

std::u16string NumberText(std::uint32_t value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

BOOL WriteVersionStamp(const std::u16string& ini, const std::u16string& section)
{
    const std::u16string version = NumberText(PrivateVersion());
    BOOL written = WritePrivateProfileStringW(section.c_str(), u"RstVersion", version.c_str(), ini.c_str());
    written = WritePrivateProfileStringW(section.c_str(), u"DrvInstVersion", VersionText(), ini.c_str()) && written;
    return written;
}

// The administrator's locked default settings follow an upgrade of the
// settings layout.
void RefreshLockedDefaults(DriverContext* context)
{
    if (IsAnyLockSet(context) && IsDefaultLocked(context)) RefreshDefaultSection(context);
}

}  // namespace

int CompareDriverVersionTexts(const WCHAR* stored, const WCHAR* current)
{
    long storedMajor = 0;
    long storedMinor = 0;
    long currentMajor = 0;
    long currentMinor = 0;
    SplitVersion(stored, &storedMajor, &storedMinor);
    SplitVersion(current, &currentMajor, &currentMinor);
    if (storedMajor != currentMajor) return storedMajor < currentMajor ? -1 : 1;
    if (storedMinor != currentMinor) return storedMinor < currentMinor ? -1 : 1;
    return 0;
}

void FormatInstallTime(WCHAR (&out)[15])
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", now.wYear % 10000, now.wMonth % 100, now.wDay % 100,
                  now.wHour % 100, now.wMinute % 100, now.wSecond % 100);
    for (int i = 0; i < 15; ++i) out[i] = static_cast<WCHAR>(text[i]);
    out[14] = 0;
}

BOOL CheckPrinterUpgrade(HANDLE printer)
{
    return CheckPrinterUpgradeEx(printer, kUpgradeConnectionFirstUse, nullptr);
}

BOOL CheckPrinterUpgradeEx(HANDLE printer, std::uint32_t mode, const PRINTER_INFO_2W* info)
{
    PRINTER_INFO_2W* fetched = nullptr;
    if (info == nullptr) info = fetched = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));

    if ((mode & kUpgradeConnectionFirstUse) && IsPrinterInfoConnection(info)) {
        const std::u16string section = SectionOf(info->pPrinterName);
        std::u16string sharedIni;
        if (SettingsIniPath(printer, 0, &sharedIni)) {
            if (GetPrivateProfileIntW(section.c_str(), u"BatchInstallDone", 0, sharedIni.c_str()) == 0) {
                {
                    SharedIdentityScope shared;
                    LockSettingsMutex(nullptr);
                    InitializePrinterSettings(printer, nullptr, kRefreshModeFirstUse);
                    UnlockSettingsMutex(nullptr);
                }
                StampInstallTime(printer, kInstallKindFirst, kStampShared);
                WritePrivateProfileStringW(section.c_str(), u"DrvInstVersion", VersionText(), sharedIni.c_str());
            } else if (lstrcmpiW(ReadText(sharedIni, section, u"DrvInstVersion").c_str(), VersionText()) != 0) {
                DriverContext* context =
                    CreateDriverContextWithFlags(printer, printer, nullptr, kCreateSkipAdmin, kCallerPropertySheet);
                if (context != nullptr) {
                    InstallModelFiles(context, 0x1000);
                    UpgradeUserLists(nullptr, context);
                    SecureDataFolder(context);
                    ReleaseDriverContextDefault(context);
                }
                WritePrivateProfileStringW(section.c_str(), u"DrvInstVersion", VersionText(), sharedIni.c_str());
            }
        }
    }

    BOOL result = TRUE;
    if (IsTerminalServerCached(printer)) {
        std::uint16_t decision = kRefreshNone;
        if (!DecideUserSettingsRefresh(printer, &decision, info))
            result = FALSE;
        else if (decision == kRefreshCopy)
            result = CopySharedSettingsToUser(printer);
        else if (decision != kRefreshNone)
            result = RefreshUserSettings(printer, decision);
    } else {
        result = CheckConnectionDirectory(printer, info);
    }
    FreeIfNotNull(fetched);
    return result;
}

BOOL DecideUserSettingsRefresh(HANDLE printer, std::uint16_t* result, const PRINTER_INFO_2W* info)
{
    if (result == nullptr) return FALSE;
    *result = kRefreshNone;
    std::u16string userIni;
    if (!SettingsIniPath(printer, 1, &userIni)) return TRUE;
    if (!FileExists(userIni.c_str())) {
        *result = kRefreshCopy;
        return TRUE;
    }
    const std::u16string section = SectionOfPrinter(printer, info);
    LockSettingsMutex(nullptr);
    *result = DecideWithUserCopy(printer, userIni, section);
    UnlockSettingsMutex(nullptr);
    return TRUE;
}

BOOL CopySharedSettingsToUser(HANDLE printer)
{
    std::u16string userIni;
    std::u16string sharedIni;
    if (!SettingsIniPath(printer, 1, &userIni) || !SettingsIniPath(printer, 0, &sharedIni)) return FALSE;
    const std::u16string folder = FolderOf(userIni);
    if (folder.empty()) return FALSE;
    CreateDirectoryW(folder.c_str(), nullptr);
    if (!CopyFileW(sharedIni.c_str(), userIni.c_str(), FALSE)) return FALSE;
    const std::u16string section = SectionOfPrinter(printer, nullptr);
    LockSettingsMutex(nullptr);
    BOOL result = CopyListedFiles(sharedIni, userIni, section, folder, u"Count", "PresetList%u");
    result = CopyListedFiles(sharedIni, userIni, section, folder, u"QualityCount", "QualityList%u") && result;
    SetDefaultDataPaths(printer);
    UnlockSettingsMutex(nullptr);
    return result;
}

BOOL RefreshUserSettings(HANDLE printer, std::uint16_t decision)
{
    DriverContext* context =
        CreateDriverContextWithFlags(printer, printer, nullptr, kCreateInstall, kCallerPropertySheet);
    if (context == nullptr) return FALSE;
    ContextHolder holder(context, kReleaseDestroy);
    int state = kVersionStateForeign;
    if (decision == kRefreshUpgrade) {
        std::u16string userIni;
        std::u16string sharedIni;
        const std::u16string section = SectionOf(CopyLanguageCode(context));
        LockSettingsMutex(nullptr);
        const bool both = SettingsIniPath(printer, 1, &userIni) && SettingsIniPath(printer, 0, &sharedIni);
        const std::u16string user = both ? ReadText(userIni, section, u"RstVersion") : u"";
        const std::u16string shared = both ? ReadText(sharedIni, section, u"RstVersion") : u"";
        UnlockSettingsMutex(nullptr);
        if (user.empty() || shared.empty()) return TRUE;
        state = CompareDevmodeVersion(GetPrivateProfileIntW(section.c_str(), u"RstVersion", 0, userIni.c_str()),
                                      GetPrivateProfileIntW(section.c_str(), u"RstVersion", 0, sharedIni.c_str()));
    }
    SyncJobControlAtInstall(context);
    ReadPrintNotificationSupport(context, 1);
    // The refresh writes the user's settings: under the settings mutex.
    LockSettingsMutex(nullptr);
    BOOL done = TRUE;
    if (state == kVersionStateUpgrade) {
        InstallModelFiles(context, 0x1000);
        done = UpgradeUserLists(printer, context);
        SyncSettingsIniWithModel(context->printer, TRUE, context);
        RefreshLockedDefaults(context);
    } else if (state == kVersionStateCurrent) {
        InstallModelFiles(context, 0x1000);
        SyncSettingsIniWithModel(context->printer, TRUE, context);
    } else {
        done = InitializePrinterSettings(printer, nullptr, kRefreshModeUser);
    }
    UnlockSettingsMutex(nullptr);
    if (!done) return FALSE;
    SetDefaultDataPaths(printer);
    if (!StampInstallTime(printer, kInstallKindFirst, kStampUser)) return FALSE;
    return SecureDataFolder(context);
}

BOOL CheckConnectionDirectory(HANDLE printer, const PRINTER_INFO_2W* info)
{
    if (!IsNt5OrLater() || !IsPrinterInfoConnection(info)) return TRUE;
    WCHAR folder[MAX_PATH] = {};
    if (ReadPrinterDataDirectory(printer, u"_VEXLDirectoryClient", folder, MAX_PATH) != DirectoryRead::kResolved)
        return TRUE;
    return RefreshConnectionSettings(printer, nullptr, nullptr);
}

BOOL RefreshConnectionSettings(HANDLE printer, const WCHAR* ini, const WCHAR* section)
{
    std::u16string file = ini ? ini : u"";
    if (file.empty() && !SettingsIniPath(printer, 0, &file)) return FALSE;
    const std::u16string name = section ? std::u16string(section) : SectionOfPrinter(printer, nullptr);
    const UINT stored = GetPrivateProfileIntW(name.c_str(), u"RstVersion", 0, file.c_str());
    const int state = stored == 0 ? kVersionStateForeign : CompareDevmodeVersion(stored, PrivateVersion());
    if (state == kVersionStateCurrent && lstrcmpiW(ReadText(file, name, u"DrvInstVersion").c_str(), VersionText()) == 0)
        return TRUE;
    // The refresh writes the shared settings: under the settings mutex.
    LockSettingsMutex(nullptr);
    if (state == kVersionStateForeign) InitializePrinterSettings(printer, nullptr, kRefreshModeConnection);
    DriverContext* context =
        CreateDriverContextWithFlags(printer, printer, nullptr, kCreateInstall, kCallerPropertySheet);
    if (context == nullptr) {
        UnlockSettingsMutex(nullptr);
        return FALSE;
    }
    SyncJobControlAtInstall(context);
    BOOL upgraded = TRUE;
    if (state != kVersionStateForeign) {
        InstallModelFiles(context, 0x1000);
        if (state == kVersionStateUpgrade) upgraded = UpgradeUserLists(printer, context);
        SyncSettingsIniWithModel(context->printer, TRUE, context);
        if (state == kVersionStateUpgrade) RefreshLockedDefaults(context);
    }
    // An upgrade whose settings were not stored keeps the old stamp and runs again.
    if (upgraded) WriteVersionStamp(file, name);
    SecureDataFolder(context);
    ReleaseDriverContextAs(context, kReleaseDestroy);
    UnlockSettingsMutex(nullptr);
    return upgraded;
}

BOOL StampInstallTime(HANDLE printer, std::uint16_t kind, std::uint16_t where)
{
    if (!IsTerminalServerCached(printer)) return TRUE;
    WCHAR stamp[15];
    FormatInstallTime(stamp);
    std::u16string ini;
    if (!SettingsIniPath(printer, where == kStampUser ? 1 : 0, &ini)) return FALSE;
    const std::u16string section = SectionOfPrinter(printer, nullptr);
    const std::u16string kindText = NumberText(kind);
    LockSettingsMutex(nullptr);
    WritePrivateProfileStringW(section.c_str(), u"DrvInstTime", stamp, ini.c_str());
    if (where == kStampFirstInstall)
        WritePrivateProfileStringW(section.c_str(), u"DrvFirstInstTime", stamp, ini.c_str());
    WritePrivateProfileStringW(section.c_str(), u"DrvInstType", kindText.c_str(), ini.c_str());
    WritePrivateProfileStringW(section.c_str(), u"DrvInstVersion", VersionText(), ini.c_str());
    UnlockSettingsMutex(nullptr);
    return TRUE;
}

BOOL IsLanguageSectionOutdated(const WCHAR* ini, DriverContext* context, int* absent)
{
    if (absent != nullptr) *absent = 0;
    const std::u16string section = SectionOf(CopyLanguageCode(context));
    const UINT stored = GetPrivateProfileIntW(section.c_str(), u"RstVersion", 0, ini);
    if (stored == 0) {
        if (absent != nullptr) *absent = 1;
        return TRUE;
    }
    return stored / 100 != PrivateVersion() / 100;
}

}  // namespace vexl::ui
