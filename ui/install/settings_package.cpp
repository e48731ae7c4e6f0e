// Default-settings packages, install lists and the preset refresh.
#include "ui/install/settings_package.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/osinfo.h"
#include "common/core/printer.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/module_presets.h"
#include "common/storage/persistence.h"
#include "common/storage/preset_install.h"
#include "common/storage/settings_files.h"
#include "platform/windows.h"
#include "ui/install/install_services.h"

#include <string>
#include <vector>

namespace vexl::ui {
namespace {

constexpr int kPathChars = MAX_PATH;
constexpr int kListAbsent = 0xFFFF;
constexpr int kListLast = 0xFFFE;
constexpr int kSectionListChars = 30720;
// At most this many presets are kept in a printer's list.
constexpr int kPresetListLimit = 16;
constexpr std::uint32_t kInstallQualityCopy = 0x2;
constexpr std::uint32_t kInstallFillCopy = 0x10;
constexpr std::uint32_t kInstallDeleteUserCopy = 0x20;
constexpr std::uint32_t kInstallMarkDone = 0x100;
constexpr std::uint32_t kInstallKeepCopy = 0x1000;
constexpr std::uint32_t kReinstallMissingPresets = 0xC1;
constexpr int kMessagePresetsDropped = 10017;
constexpr int kMessagePresetRefresh = 7004;
constexpr UINT kIconInformation = 0x40;
constexpr UINT kButtonsOk = 0;

constexpr CompanionFile kCompanionFiles[] = {
    {kCompanionCacheRefresh, u"TZ16E1MD.VXD"},
    {kCompanionInstall, u"TZ16E1MD.VXD"},
    {kCompanionCacheRefresh, u"TZ16E172.ini"},
    {kCompanionInstall, u"TZ16E172.ini"},
    {0, nullptr},
};

std::u16string Decimal(int value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

const WCHAR* SettingsIni(DriverContext* context)
{
    return GetSettingsIniPath(context);
}

bool IsAbsolute(const WCHAR* path)
{
    return path != nullptr && path[0] != 0 && path[1] == u':';
}

// The printer's section of the settings INI, as the INI writes it.
std::u16string PrinterSectionOf(DriverContext* context)
{
    const WCHAR* name = GetPrinterSectionName(context);
    std::u16string section = name ? name : u"";
    SanitizeIniSection(section.data());
    return section;
}

// A package's or model INI's file into place: an absolute name is installed
// where it stands, otherwise on NT 5 it is used in the driver directory and
// before NT 5 copied into the system directory.
std::u16string InstallInPlace(const WCHAR* name, DriverContext* context)
{
    if (name == nullptr || name[0] == 0) return {};
    if (IsAbsolute(name)) {
        InstallDriverFile(name, nullptr, kInstallCopyWhenMissing + 1, context);
        return name;
    }
    WCHAR path[kPathChars] = {};
    if (IsNt5OrLater()) {
        BuildDriverDirPath(path, kPathChars, name, context->printer);
    } else {
        CopyDriverFileToSystemDir(name, nullptr, 2, context);
        BuildSystemDirPath(path, kPathChars, name);
    }
    return path;
}

// The bundle's sections for one listed file written as whole sections of it.
void ExpandBundleSections(const WCHAR* bundle, const WCHAR* entry, const std::vector<std::u16string>& prefixes)
{
    const WCHAR* name = FindFileNamePart(entry);
    std::vector<WCHAR> text(kSectionListChars, 0);
    for (const std::u16string& prefix : prefixes) {
        const std::u16string section = prefix + name;
        if (GetPrivateProfileSectionW(section.c_str(), text.data(), kSectionListChars, bundle) == 0) continue;
        WritePrivateProfileSectionW(prefix.c_str(), text.data(), entry);
    }
}

void ExpandBundle(const WCHAR* package, const WCHAR* language, const WCHAR* countKey, const WCHAR* entryKey,
                  const std::vector<std::u16string>& prefixes, DriverContext* context)
{
    WCHAR bundle[kPathChars] = {};
    ReadIniString(language, (std::u16string(entryKey) + u"0").c_str(), u"", bundle, kPathChars, package);
    if (bundle[0] == 0) return;
    ExpandToDriverDirectory(bundle, kPathChars, context);
    const int count = ReadIniInt(language, countKey, 0, package);
    for (int entry = 1; entry <= count && entry <= kListLast; ++entry) {
        WCHAR path[kPathChars] = {};
        ReadIniString(language, (entryKey + Decimal(entry)).c_str(), u"", path, kPathChars, package);
        if (path[0] == 0 || !ExpandAndCheckInstallPath(path, kPathChars, context)) continue;
        ExpandBundleSections(bundle, path, prefixes);
    }
}

// The printer's stored preset list.
std::vector<PresetListEntry> ReadPresetList(DriverContext* context)
{
    const WCHAR* ini = SettingsIni(context);
    const WCHAR* section = GetPrinterSectionName(context);
    int count = ReadIniInt(section, u"Count", 0, ini);
    // The count comes from a file the user may edit.
    if (count < 0) count = 0;
    if (count > kPresetListLimit) count = kPresetListLimit;
    std::vector<PresetListEntry> entries(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        PresetListEntry& entry = entries[static_cast<std::size_t>(i)];
        const std::u16string key = u"PresetList" + Decimal(i);
        ReadIniString(section, key.c_str(), u"", entry.path, kPresetTextChars, ini);
        ReplaceExtensionRsd(entry.installName, entry.path, kPresetTextChars);
        ReadIniString(section, (key + u"Name").c_str(), u"", entry.name, kPresetLongTextChars, ini);
        ReadIniString(section, (key + u"Comment").c_str(), u"", entry.comment, kPresetLongTextChars, ini);
        entry.drop = 0;
    }
    return entries;
}

bool HasExtension(const WCHAR* path, const WCHAR* extension)
{
    std::int32_t length = 0;
    const WCHAR* found = FindExtension(path, &length);
    return found != nullptr && length > 0 && lstrcmpiW(found, extension) == 0;
}

void MarkPresetRefreshed(DriverContext* context)
{
    WriteIniString(GetPrinterSectionName(context), u"PresetRefresh", u"1", SettingsIni(context));
    const BYTE one[4] = {1, 0, 0, 0};
    WritePrinterDataBinary(context->printer, one, sizeof one, u"PresetRefresh", context);
}

}  // namespace

const CompanionFile* GetCompanionFileTable()
{
    return kCompanionFiles;
}

WCHAR* ExpandToDriverDirectory(WCHAR* path, int size, DriverContext* context)
{
    if (path == nullptr || path[0] == 0 || path[1] == u':' || context == nullptr) return path;
    WCHAR built[kPathChars] = {};
    BuildDriverDirPath(built, kPathChars, path, context->printer);
    if (built[0] != 0) lstrcpynW(path, built, size);
    return path;
}

BOOL IsDefaultPackageFile(const WCHAR* path)
{
    return path != nullptr && HasShortExtension(path) && HasExtension(path, u"rsb") && FileExists(path);
}

BOOL LoadDefaultSettingsPackage(const WCHAR* package, const WCHAR* section, DriverContext* context)
{
    LoadSettingsFile(context->printer, package, kSettingsInstallFile, context);
    (void)section;
    TransferPrinterItems(package, kSettingsInstallFile | kSettingsLoad, context);
    SetItemValue(context, rdmPresentUIMode, GetItemValue(context, rdmUIModeChange) != 0 ? 1 : 0);
    return TRUE;
}

BOOL InstallPackageLists(const WCHAR* package, const WCHAR* section, std::uint32_t flags, DriverContext* context)
{
    TransferPrinterItems(package, kSettingsInstallFile | kSettingsLoad, context);
    const BOOL presets = InstallPresetFiles(package, section, flags | 1, context, 0, nullptr);
    const BOOL qualities = InstallQualityFiles(package, section, flags | 1, context);
    return presets && qualities;
}

void ClearQualityList(DriverContext* context)
{
    WriteIniString(GetPrinterSectionName(context), u"QualityCount", u"0", SettingsIni(context));
}

void AppendQualityEntry(DriverContext* context, const WCHAR* path, const WCHAR* name)
{
    const WCHAR* ini = SettingsIni(context);
    const WCHAR* section = GetPrinterSectionName(context);
    const int index = ReadIniInt(section, u"QualityCount", 0, ini);
    const std::u16string key = u"QualityList" + Decimal(index);
    WriteIniString(section, key.c_str(), path, ini);
    WriteIniString(section, (key + u"Name").c_str(), name, ini);
    WriteIniString(section, u"QualityCount", Decimal(index + 1).c_str(), ini);
}

BOOL ReadQualityName(const WCHAR* file, const WCHAR* section, WCHAR* out, int size)
{
    if (out == nullptr || size <= 0) return FALSE;
    out[0] = 0;
    ReadIniString(section, u"qualityname", u"", out, size, file);
    return out[0] != 0;
}

BOOL InstallQualityFiles(const WCHAR* listFile, const WCHAR* section, std::uint32_t flags, DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    if (flags & kPackageListsRegister) ClearQualityList(context);
    const int count = ReadIniInt(section, u"NumDefqualityfiles", kListAbsent, listFile);
    if (count == kListAbsent || count == 0) return TRUE;
    if (!IsAbsolute(SettingsIni(context))) return FALSE;
    BOOL result = TRUE;
    for (int entry = 1; entry <= count && entry <= kListLast; ++entry) {
        WCHAR path[kPathChars] = {};
        ReadIniString(section, (u"Defqualityfiles" + Decimal(entry)).c_str(), u"", path, kPathChars, listFile);
        if (path[0] == 0 || !ExpandAndCheckInstallPath(path, kPathChars, context)) continue;
        WCHAR userCopy[kPathChars] = {};
        if (!BuildUserCopyPath(userCopy, path, kPathChars, context)) continue;
        if (flags & kPackageListsRegister) {
            WCHAR name[kPathChars] = {};
            ReadQualityName(path, section, name, kPathChars);
            AppendQualityEntry(context, userCopy, name);
            if (flags & kInstallFillCopy) InstallSettingsFileCopy(userCopy, path, kInstallFillCopy, context);
        }
        if (flags & kInstallQualityCopy) {
            result = InstallDriverFile(path, nullptr, 2, context);
            if (!result && (flags & kInstallMarkDone)) result = InstallDriverFile(path, nullptr, 2, context);
            if (!FileExists(userCopy)) {
                if (flags & kInstallMarkDone) InstallDriverFile(userCopy, FindFileNamePart(path), 1, context);
                if (!IsSettingsFile(userCopy, context))
                    InstallSettingsFileCopy(userCopy, path, kInstallFillCopy, context);
                result = TRUE;
            } else if ((flags & kInstallKeepCopy) == 0) {
                InstallSettingsFileCopy(userCopy, path, kInstallFillCopy, context);
            }
        }
        if (flags & kInstallDeleteUserCopy) ForceDeleteFile(userCopy);
    }
    if ((flags & kInstallMarkDone) && result) WriteIniString(section, u"DrvInstQualityDone", u"1", listFile);
    return result;
}

BOOL CopyPackageFreeSizes(const WCHAR* package, const WCHAR* section, DriverContext* context)
{
    const int count = ReadIniInt(section, u"FreeSizeCount", 0, package);
    for (int slot = 0; slot < count; ++slot) {
        SetItemString(context, FindItem(context, wdmFreeSizeName), u"");
        SetItemValue(context, wdmFreeSizeWidth, 0);
        SetItemValue(context, wdmFreeSizeLength, 0);
        SetItemValue(context, wdmFreeSizeTray, 0);
        SetItemValue(context, wdmFreeSizeOrient, 0);
        WCHAR slotSection[kIniSectionChars] = {};
        FormatFreeSizeSection(slotSection, slot, context);
        BOOL loaded = FALSE;
        {
            PrinterSectionSwap swap(context, slotSection);
            loaded = LoadSettingsFile(context->printer, package, kSettingsFreeSize, context);
        }
        if (loaded) SaveFreeSizeSlot(context, slot);
    }
    return TRUE;
}

BOOL CopyPackageStamps(const WCHAR* package, const WCHAR* section, DriverContext* context)
{
    const int count = ReadIniInt(section, u"StampCount", 0, package);
    if (GetStampCount(context) < count) SetStampCount(context, count);
    const std::uint32_t selected = GetItemValue(context, rdmWmID);
    for (int slot = 0; slot < count; ++slot) {
        WCHAR slotSection[kIniSectionChars] = {};
        FormatStampSection(slotSection, slot, context);
        {
            PrinterSectionSwap swap(context, slotSection);
            LoadSettingsFile(context->printer, package, kSettingsStamp, context);
        }
        SaveStampSlot(context, slot);
    }
    SetItemValue(context, rdmWmID, selected);
    return TRUE;
}

BOOL InstallDefaultPresetFiles(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    WCHAR package[kPathChars] = {};
    if (!ReadModelDefaultRst(package, context)) return TRUE;
    ExpandToDriverDirectory(package, kPathChars, context);
    const std::u16string language = GetInstallSectionName(context) ? GetInstallSectionName(context) : u"";
    if (language.empty()) return TRUE;
    ExpandBundle(package, language.c_str(), u"NumDeficonfiles", u"Deficonfiles", {u"condition", u"disable", language},
                 context);
    ExpandBundle(package, language.c_str(), u"NumDefqualityfiles", u"Defqualityfiles", {language}, context);
    return TRUE;
}

BOOL InstallListedFiles(const WCHAR* modelIni, const WCHAR* section, DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    const int count = ReadIniInt(section, u"NumInstallfiles", kListAbsent, modelIni);
    if (count == kListAbsent || count == 0) return TRUE;
    for (int entry = 1; entry <= count && entry <= kListLast; ++entry) {
        WCHAR path[kPathChars] = {};
        ReadIniString(section, (u"Installfiles" + Decimal(entry)).c_str(), u"", path, kPathChars, modelIni);
        if (path[0] == 0) continue;
        ExpandInstallPath(path, kPathChars, 0, context);
        InstallDriverFileEx(path, nullptr, 2, context, 1);
    }
    return TRUE;
}

BOOL InstallModelFiles(DriverContext* context, std::uint32_t flags)
{
    if (context == nullptr || context->workArea == nullptr || context->modelRecord == nullptr) return FALSE;
    InstallDefaultPresetFiles(context);
    const std::u16string language = GetInstallSectionName(context) ? GetInstallSectionName(context) : u"";
    const std::u16string modelIni = InstallInPlace(context->modelRecord->modelIniName, context);
    if (!modelIni.empty() && !language.empty()) InstallListedFiles(modelIni.c_str(), language.c_str(), context);
    WCHAR package[kPathChars] = {};
    if (!language.empty() && !modelIni.empty()) {
        ReadIniString(language.c_str(), u"DefaultRst", u"", package, kPathChars, modelIni.c_str());
        const std::u16string installed = InstallInPlace(package, context);
        if (!installed.empty() && FileExists(installed.c_str())) {
            InstallPresetFiles(installed.c_str(), language.c_str(), flags | kInstallQualityCopy, context, 0, nullptr);
            InstallQualityFiles(installed.c_str(), language.c_str(), flags | kInstallQualityCopy, context);
        }
    }
    CopyDriverFileToSystemDir(context->modelRecord->companionLibrary1, nullptr, 2, context);
    CopyDriverFileToSystemDir(context->modelRecord->companionLibrary2, nullptr, 2, context);
    return TRUE;
}

BOOL RefreshCompanionFiles(HANDLE printer)
{
    for (const CompanionFile* row = kCompanionFiles; row->name != nullptr; ++row)
        if (row->kind == kCompanionCacheRefresh) CopyDriverFileToSystemDirFor(row->name, nullptr, 2, printer);
    const ModelRecord* model = GetModelDatabase()->modelRecord;
    if (model != nullptr) {
        CopyDriverFileToSystemDirFor(model->companionLibrary1, nullptr, 2, printer);
        CopyDriverFileToSystemDirFor(model->companionLibrary2, nullptr, 2, printer);
    }
    return TRUE;
}

BOOL ReloadDefaultPresets(DriverContext* context, BOOL ask)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    std::vector<PresetListEntry> entries = ReadPresetList(context);
    WCHAR package[kPathChars] = {};
    if (!ReadStoredDefaultRst(package, context)) return FALSE;
    ExpandToDriverDirectory(package, kPathChars, context);
    const std::u16string language = GetInstallSectionName(context) ? GetInstallSectionName(context) : u"";
    const int count = ReadIniInt(language.c_str(), u"NumDeficonfiles", kListAbsent, package);
    if (count == kListAbsent) return FALSE;
    std::vector<std::u16string> listed;
    for (int entry = 1; entry <= count && entry <= kListLast; ++entry) {
        WCHAR path[kPathChars] = {};
        ReadIniString(language.c_str(), (u"Deficonfiles" + Decimal(entry)).c_str(), u"", path, kPathChars, package);
        if (path[0] == 0 || !ExpandAndCheckInstallPath(path, kPathChars, context)) return FALSE;
        listed.emplace_back(FindFileNamePart(path));
    }
    bool dropped = false;
    for (PresetListEntry& entry : entries) {
        std::int32_t length = 0;
        if (FindExtension(entry.path, &length) == nullptr || length == 0) continue;
        bool fromPackage = false;
        if (HasExtension(entry.path, u"rsr")) {
            for (const std::u16string& name : listed)
                if (lstrcmpiW(FindFileNamePart(entry.installName), name.c_str()) == 0) fromPackage = true;
        }
        const bool usable = fromPackage
                                ? CheckConditionRules(entry.path, context) && CheckTintBlockRule(entry.path, context)
                                : AcceptPresetFile(entry.path, context) != FALSE;
        if (!usable) {
            entry.drop = 1;
            dropped = true;
        }
    }
    if (dropped && ask && ShowWarningOkCancel(context, nullptr, kMessagePresetsDropped) != IDOK) return FALSE;
    vexl::ClearPresetList(context);
    for (const PresetListEntry& entry : entries)
        if (!entry.drop) vexl::AppendPresetEntry(context, entry.path, entry.name, entry.comment);
    return InstallPresetFiles(package, language.c_str(), kReinstallMissingPresets, context,
                              static_cast<int>(entries.size()), entries.data());
}

BOOL RunPresetRefresh(DriverContext* context, int kind)
{
    if (context == nullptr || context->workArea == nullptr) return TRUE;
    const WCHAR* ini = SettingsIni(context);
    const WCHAR* section = GetPrinterSectionName(context);
    const int pack = ReadIniInt(section, u"PackInstallDone", 0, ini) & 0xFF;
    if (kind == kPresetRefreshDeviceSheet && pack == 1) return TRUE;
    if (kind == kPresetRefreshDocumentSheet && (GetItemValue(context, rdmBiDirect) == 1 || pack == 1))
        kind = kPresetRefreshQuiet;
    if (ReadIniInt(section, u"PresetRefresh", 0, ini) != 0) return TRUE;
    if (kind == kPresetRefreshQuiet) {
        ReloadDefaultPresets(context, FALSE);
        MarkPresetRefreshed(context);
        return TRUE;
    }
    if (IsTerminalServerCached(context->printer)) return TRUE;
    ShowMessageWithStyle(context, nullptr, kMessagePresetRefresh, kIconInformation, kButtonsOk);
    if (kind == kPresetRefreshDocumentSheet) {
        // The options page as a sub-dialog is the sheets' to run; without it
        // the user has not accepted the refresh.
        return TRUE;
    }
    ReloadDefaultPresets(context, FALSE);
    MarkPresetRefreshed(context);
    return TRUE;
}

BOOL ReadDefaultRstOf(WCHAR* out, const WCHAR* file, const WCHAR* section)
{
    if (out == nullptr) return FALSE;
    out[0] = 0;
    if (!IsAbsolute(file) || section == nullptr) return FALSE;
    ReadIniString(section, u"DefaultRst", u"", out, MAX_PATH, file);
    return out[0] != 0;
}

BOOL ReadModelDefaultRst(WCHAR* out, DriverContext* context)
{
    return ReadDefaultRstOf(out, GetModelFilePath(context), GetInstallSectionName(context));
}

BOOL ReadStoredDefaultRst(WCHAR* out, DriverContext* context)
{
    return ReadDefaultRstOf(out, GetSettingsIniPath(context), PrinterSectionOf(context).c_str());
}

}  // namespace vexl::ui
