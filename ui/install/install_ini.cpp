// Upkeep of the printer's settings INI.
#include "ui/install/install_ini.h"

#include "common/core/devmode_services.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/osinfo.h"
#include "common/core/printer.h"
#include "common/core/settings_modules.h"
#include "common/storage/bidi_config.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/persistence.h"
#include "common/storage/settings_files.h"
#include "ui/install/install_services.h"
#include "ui/install/locale_defaults.h"
#include "ui/install/settings_package.h"
#include "ui/install/upgrade_check.h"

#include <string>
#include <vector>

namespace vexl::ui {
namespace {

constexpr int kValueChars = 260;
constexpr int kSectionListChars = 30720;
constexpr int kFreeSizeSlots = 10;
// Settings-module event 15: the modules copy their own sections of the
// model INI into the settings INI ({modelIni, settingsIni, 1} when the copy
// was not needed).

enum class KeyKind { FromModel, Package, PresetRefresh };
struct DefaultKey {
    const WCHAR* key;
    KeyKind kind;
    bool bySystem;  // the model INI key ends in "2k" (NT 5 and later) or "nt"
};

constexpr DefaultKey kDefaultKeys[] = {
    {u"MergeKey", KeyKind::FromModel, false},
    {u"MergeSubKey", KeyKind::FromModel, false},
    {u"MergeFilePath", KeyKind::FromModel, false},
    {u"MergeFileName", KeyKind::FromModel, false},
    {u"DrvDefJobMergeFileName", KeyKind::FromModel, false},
    {u"DrvDefJobMergeFileExt", KeyKind::FromModel, false},
    {u"DrvDefJobMergePath", KeyKind::FromModel, true},
    {u"APIJobMergeFileName", KeyKind::FromModel, false},
    {u"APIJobMergePath", KeyKind::FromModel, false},
    {u"APIUseFlag", KeyKind::FromModel, false},
    {u"DriverJobMergeFileName", KeyKind::FromModel, false},
    {u"DriverJobMergePath", KeyKind::FromModel, false},
    {u"SAVEPrnMethod", KeyKind::FromModel, false},
    {u"SAVEACT_FILEMERGEPRINT", KeyKind::FromModel, false},
    {u"APIAPLName", KeyKind::FromModel, false},
    {u"APIAPLInfo", KeyKind::FromModel, false},
    {u"DefaultRst", KeyKind::Package, false},
    {u"PresetRefresh", KeyKind::PresetRefresh, false},
    {u"DrvDefPreviewPath", KeyKind::FromModel, true},
};

constexpr std::uint16_t kFreeSizeItems[] = {wdmFreeSizeName, wdmFreeSizeWidth, wdmFreeSizeLength, wdmFreeSizeTray,
                                            wdmFreeSizeOrient};

constexpr std::uint16_t kStampItems[] = {rdmWmKind,           wdmWmOpaque,
                                         wdmWmUnit,           wdmWmDensity,
                                         wdmWmEffect,         wdmWmPosi,
                                         wdmWmPosiTile,       wdmWmPage,
                                         wdmWmStartPage,      wdmWmEndPage,
                                         wdmWmAngle,          rdmWmID,
                                         wdmWmFontName,       wdmWmFontPoint,
                                         wdmWmColor,          wdmWmColorR,
                                         wdmWmColorG,         wdmWmColorB,
                                         wdmWmFontStyle,      wdmWmFontScale,
                                         wdmWmChar,           wdmWmImage,
                                         wdmWmCharName,       wdmWmImageName,
                                         wdmWmFont,           wdmWMPrinterStamp2PlanePrint,
                                         wdmWMFuncSelectOrder};

constexpr const WCHAR* kLanguageKeys[] = {u"RstVersion", u"bIsBIDISupportForVEXLModel", u"bIsBIDISupportForVEXLFont",
                                          u"bIsBIDISupportForVEXL"};

// The install kind stamped after a rename.

constexpr int kStampKindText = 1;
constexpr int kStampKindImage = 2;

bool IsEmpty(const WCHAR* text)
{
    return text == nullptr || text[0] == 0;
}

std::u16string ReadText(const WCHAR* section, const WCHAR* key, const WCHAR* file, int chars = kValueChars)
{
    std::vector<WCHAR> buffer(static_cast<std::size_t>(chars) + 1, 0);
    ReadIniString(section, key, u"", buffer.data(), chars, file);
    return buffer.data();
}

// A key that is there with nothing after the '=': a key the section does not
// hold is not empty (the list saves leave some items out of their sections).
bool HasEmptyValue(const WCHAR* section, const WCHAR* key, const WCHAR* file)
{
    WCHAR value[2] = {};
    ReadIniString(section, key, u"*", value, 2, file);
    return value[0] == 0;
}

std::u16string Decimal(int value)
{
    std::u16string text;
    const std::string digits = std::to_string(value);
    text.assign(digits.begin(), digits.end());
    return text;
}

// The model INI key of a kind-0 key.
std::u16string ModelKeyName(const DefaultKey& key)
{
    std::u16string name = key.key;
    if (key.bySystem) name += IsNt5OrLater() ? u"2k" : u"nt";
    return name;
}

bool ReadPrinterDataDword(HANDLE printer, const WCHAR* name, std::uint32_t* value)
{
    BYTE bytes[4] = {};
    if (!ReadPrinterDataValue(printer, bytes, sizeof bytes, name, nullptr)) return false;
    *value = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
             std::uint32_t(bytes[3]) << 24;
    return true;
}

void SendListCopyEvent(DriverContext* context, const WCHAR* modelIni, const WCHAR* settingsIni, bool unchanged)
{
    ListCopyEvent event{modelIni, settingsIni, unchanged ? 1u : 0u};
    NotifySettingsModules(context, kModuleEventCopyProfileCounters, &event);
}

// Loads one section of another file into the settings of the kind, the
// current section switched to it for the load.
void LoadSectionOfFile(DriverContext* context, const WCHAR* file, const std::u16string& section, std::uint32_t kind)
{
    PrinterSectionSwap swap(context, section.c_str());
    LoadSettingsFile(context->printer, file, kind, context);
}

bool FreeSizesNeedRepair(const WCHAR* settingsIni, int modelCount, DriverContext* context)
{
    if (modelCount != 0 && modelCount != kFreeSizeSlots) return true;
    for (int slot = 0; slot < kFreeSizeSlots; ++slot) {
        const std::u16string section = FreeSizeSection(slot, context);
        for (std::uint16_t item : kFreeSizeItems) {
            if (item == wdmFreeSizeName) continue;
            if (HasEmptyValue(section.c_str(), GetItemName(context, item), settingsIni)) return true;
        }
    }
    return false;
}

bool StampItemMustBeFilled(std::uint16_t item, int kind)
{
    if (item == wdmWmChar || item == wdmWmCharName) return kind == kStampKindText;
    if (item == wdmWmImage || item == wdmWmImageName) return kind == kStampKindImage;
    return true;
}

bool StampsNeedRepair(const WCHAR* settingsIni, int count, DriverContext* context)
{
    if (count < 1) return true;
    for (int slot = 0; slot < count; ++slot) {
        const std::u16string section = StampSection(slot, context);
        const int kind = ReadIniInt(section.c_str(), GetItemName(context, rdmWmKind), 0, settingsIni);
        for (std::uint16_t item : kStampItems) {
            if (!StampItemMustBeFilled(item, kind)) continue;
            if (HasEmptyValue(section.c_str(), GetItemName(context, item), settingsIni)) return true;
        }
    }
    return false;
}

void RepairFreeSizes(DriverContext* context, const WCHAR* settingsIni, const WCHAR* modelIni, const WCHAR* language,
                     int modelCount)
{
    PushSettingsSnapshot(context);
    WriteIniString(language, u"FreeSizeCount", Decimal(modelCount).c_str(), settingsIni);
    for (int slot = 0; slot < modelCount; ++slot) {
        SetItemString(context, FindItem(context, wdmFreeSizeName), u"");
        SetItemValue(context, wdmFreeSizeWidth, 0);
        SetItemValue(context, wdmFreeSizeLength, 0);
        LoadSectionOfFile(context, modelIni, FreeSizeSection(slot, context), kSettingsFreeSize);
        SaveFreeSizeSlot(context, slot);
    }
    PopSettingsSnapshot(context, TRUE);
}

void RepairStamps(DriverContext* context, const WCHAR* modelIni, int count, int modelCount)
{
    PushSettingsSnapshot(context);
    if (count < modelCount) {
        SetStampCount(context, modelCount);
        count = modelCount;
    }
    for (int slot = 0; slot < count; ++slot) {
        // The model's stamp first, the user's values over it: what the user
        // left empty comes from the model.
        LoadSectionOfFile(context, modelIni, StampSection(slot < modelCount ? slot : 0, context), kSettingsStamp);
        LoadStampSlot(context, slot);
        SaveStampSlot(context, slot);
    }
    PopSettingsSnapshot(context, TRUE);
}

}  // namespace

BOOL WriteIniKeepingTime(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* file)
{
    FILETIME lastWrite{};
    bool timeRead = false;
    HANDLE handle =
        CreateFileW(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        timeRead = GetFileTime(handle, nullptr, nullptr, &lastWrite) != FALSE;
        CloseHandle(handle);
    }
    const BOOL written = WriteIniString(section, key, value, file);
    if (timeRead) {
        handle =
            CreateFileW(file, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            SetFileTime(handle, nullptr, nullptr, &lastWrite);
            CloseHandle(handle);
        }
    }
    return written;
}

BOOL WriteDefaultKeys(DriverContext* context, int mode, const WCHAR* package)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    const WCHAR* settingsIni = GetSettingsIniPath(context);
    const WCHAR* section = GetPrinterSectionName(context);
    if (mode == kDefaultKeysPackage) {
        if (IsEmpty(settingsIni) || IsEmpty(section) || IsEmpty(package)) return FALSE;
        for (const DefaultKey& key : kDefaultKeys)
            if (key.kind == KeyKind::Package) WriteIniString(section, key.key, package, settingsIni);
        return TRUE;
    }
    if (mode != kDefaultKeysInitialise && mode != kDefaultKeysUpgrade) return TRUE;
    const WCHAR* language = GetStampCounterSection(context);
    if (IsEmpty(settingsIni) || IsEmpty(section) || IsEmpty(language)) return FALSE;
    const WCHAR* modelIni = GetModelFilePath(context);
    for (const DefaultKey& key : kDefaultKeys) {
        if (key.kind == KeyKind::FromModel) {
            const std::u16string value = ReadText(language, ModelKeyName(key).c_str(), modelIni);
            if (mode == kDefaultKeysInitialise || value.empty())
                WriteIniString(section, key.key, value.c_str(), settingsIni);
        } else if (key.kind == KeyKind::PresetRefresh) {
            std::uint32_t refreshed = 0;
            const bool on = mode == kDefaultKeysUpgrade ||
                            (ReadPrinterDataDword(context->printer, u"PresetRefresh", &refreshed) && refreshed != 0);
            WriteIniString(section, key.key, on ? u"1" : u"0", settingsIni);
        }
    }
    // A store that was not written is the caller's failure, with its cause.
    return StoreRegularItems(context->printer, context);
}

BOOL SetDefaultDataPaths(HANDLE printer)
{
    WCHAR settingsIni[MAX_PATH] = {};
    if (!GetSettingsIniPathForPrinter(settingsIni, 1, printer) || settingsIni[0] == 0) return FALSE;
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    if (info == nullptr) return FALSE;
    const std::u16string section = info->pPrinterName ? info->pPrinterName : u"";
    FreeIfNotNull(info);
    WCHAR directory[MAX_PATH] = {};
    if (GetUserSettingsDirectoryNoContext(directory, MAX_PATH) == 0 || section.empty()) return FALSE;
    const std::u16string base = directory;
    BOOL written = WriteIniString(section.c_str(), u"DrvDefJobMergePath", (base + u"\\RMP").c_str(), settingsIni);
    written &= WriteIniString(section.c_str(), u"DrvDefPreviewPath", (base + u"\\PREVIEW").c_str(), settingsIni);
    return written;
}

BOOL SyncSettingsIniWithModel(HANDLE, BOOL versionOnly, DriverContext* context)
{
    if (context == nullptr || context->modelRecord == nullptr) return FALSE;
    const WCHAR* modelIni = GetModelFilePath(context);
    WCHAR settingsIni[MAX_PATH] = {};
    BuildSettingsDirPath(settingsIni, MAX_PATH, context->modelRecord->settingsIniName, context);
    if (IsEmpty(modelIni) || settingsIni[0] == 0) return FALSE;
    if (versionOnly)
        CopyLanguageVersion(settingsIni, modelIni, context);
    else
        CopyUserListsOnUpgrade(settingsIni, modelIni, context);
    CopyPrinterInformation(settingsIni, modelIni);
    CopyFreeSizes(settingsIni, modelIni, context);
    return TRUE;
}

BOOL CopyLanguageVersion(const WCHAR* settingsIni, const WCHAR* modelIni, DriverContext* context)
{
    const WCHAR* language = GetStampCounterSection(context);
    if (IsEmpty(language)) return FALSE;
    return WriteIniString(language, u"RstVersion", ReadText(language, u"RstVersion", modelIni).c_str(), settingsIni);
}

BOOL CopyPrinterInformation(const WCHAR* settingsIni, const WCHAR* modelIni)
{
    const std::u16string value = ReadText(u"PrinterInformation", u"VORNAINFO", modelIni);
    return WriteIniString(u"PrinterInformation", u"VORNAINFO", value.c_str(), settingsIni);
}

BOOL CopyUserListsOnUpgrade(const WCHAR* settingsIni, const WCHAR* modelIni, DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    const WCHAR* language = GetStampCounterSection(context);
    if (IsEmpty(GetPrinterSectionName(context)) || IsEmpty(language)) return FALSE;
    int absent = 0;
    const bool outdated =
        !FileExists(settingsIni) || IsLanguageSectionOutdated(settingsIni, context, &absent) || absent != 0;
    if (!outdated) {
        SendListCopyEvent(context, modelIni, settingsIni, true);
        return TRUE;
    }
    const auto copyLists = [&](const WCHAR* countKey, auto sectionOf, const auto& items) {
        const int count = ReadIniInt(language, countKey, 0, modelIni);
        WriteIniString(language, countKey, Decimal(count).c_str(), settingsIni);
        for (int slot = 0; slot < count; ++slot) {
            const std::u16string section = sectionOf(slot, context);
            const std::u16string version = ReadText(section.c_str(), u"RstVersion", modelIni);
            if (!version.empty()) WriteIniString(section.c_str(), u"RstVersion", version.c_str(), settingsIni);
            for (std::uint16_t item : items) {
                const WCHAR* key = GetItemName(context, item);
                WriteIniString(section.c_str(), key, ReadText(section.c_str(), key, modelIni).c_str(), settingsIni);
            }
        }
    };
    copyLists(u"FreeSizeCount", FreeSizeSection, kFreeSizeItems);
    copyLists(u"StampCount", StampSection, kStampItems);
    SendListCopyEvent(context, modelIni, settingsIni, false);
    for (const WCHAR* key : kLanguageKeys)
        WriteIniString(language, key, ReadText(language, key, modelIni).c_str(), settingsIni);
    return TRUE;
}

BOOL CopyFreeSizes(const WCHAR* settingsIni, const WCHAR* modelIni, DriverContext* context)
{
    WCHAR package[MAX_PATH] = {};
    if (!ReadModelDefaultRst(package, context)) return FALSE;
    ExpandToDriverDirectory(package, MAX_PATH, context);
    if (!FileExists(package)) return FALSE;
    const WCHAR* language = GetStampCounterSection(context);
    if (IsEmpty(language)) return FALSE;
    const int count = ReadIniInt(language, u"FreeSizeCount", 0, modelIni);
    for (int slot = 0; slot < count; ++slot) {
        const std::u16string section = FreeSizeSection(slot, context);
        for (std::uint16_t item : kFreeSizeItems) {
            const WCHAR* key = GetItemName(context, item);
            const std::u16string value = ReadText(section.c_str(), key, package);
            if (!value.empty()) WriteIniString(section.c_str(), key, value.c_str(), settingsIni);
        }
    }
    WriteIniKeepingTime(u"BatchInstallDone", u"BatchInstallDone", u"1", modelIni);
    return TRUE;
}

BOOL ValidateUserLists(DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    const std::u16string modelIni = GetModelFilePath(context) ? GetModelFilePath(context) : u"";
    const std::u16string settingsIni = GetSettingsIniPath(context) ? GetSettingsIniPath(context) : u"";
    const WCHAR* language = GetStampCounterSection(context);
    if (modelIni.empty() || settingsIni.empty() || IsEmpty(GetPrinterSectionName(context)) || IsEmpty(language))
        return FALSE;
    const std::u16string languageSection = language;

    const int modelSizes = ReadIniInt(language, u"FreeSizeCount", 0, modelIni.c_str());
    const int sizes = modelSizes == kFreeSizeSlots ? modelSizes : 0;
    if (FreeSizesNeedRepair(settingsIni.c_str(), sizes, context))
        RepairFreeSizes(context, settingsIni.c_str(), modelIni.c_str(), languageSection.c_str(), sizes);

    const int stamps = ReadIniInt(languageSection.c_str(), u"StampCount", 0, settingsIni.c_str());
    const int modelStamps = ReadIniInt(languageSection.c_str(), u"StampCount", 0, modelIni.c_str());
    if (StampsNeedRepair(settingsIni.c_str(), stamps, context))
        RepairStamps(context, modelIni.c_str(), stamps, modelStamps);
    return TRUE;
}

BOOL UpgradeUserLists(HANDLE printer, DriverContext* context)
{
    if (context == nullptr) return TRUE;
    if (!IsPrinterConnection(context)) StoreFontListsIfChanged(printer, context);
    const BOOL keys = WriteDefaultKeys(context, kDefaultKeysUpgrade, nullptr);
    const DWORD error = keys ? ERROR_SUCCESS : GetLastError();
    RebuildPresetFiles(context);
    RebuildQualityLists(context);
    RebuildStamps(context);
    RebuildFreeSizes(context);
    // Settings that were not stored fail the upgrade, so that it runs again;
    // a printer without a settings INI or section has nothing to store.
    if (keys || IsEmpty(GetSettingsIniPath(context)) || IsEmpty(GetPrinterSectionName(context)) ||
        IsEmpty(GetStampCounterSection(context)))
        return TRUE;
    SetLastError(error);
    return FALSE;
}

int RunInstallTimeSync(int, DriverContext*)
{
    // The library imports no print server configuration at installation.
    return 0;
}

}  // namespace vexl::ui
