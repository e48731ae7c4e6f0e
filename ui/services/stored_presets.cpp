// The interface library's preset, quality, stamp, custom-size and font lists.
#include "ui/services/stored_presets.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/osinfo.h"
#include "common/core/paper_sync.h"
#include "common/core/settings_modules.h"
#include "common/core/textconv.h"
#include "common/core/units.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/resources.h"
#include "common/storage/settings_files.h"
#include "ui/base/printer_values.h"
#include "ui/base/text_buffers.h"
#include "ui/services/messages.h"

#include <string>

namespace vexl::ui {
namespace {

constexpr int kTextChars = 1025;
constexpr int kReadonlyChars = 16;
constexpr int kFreeSizeNameBytes = 63;
constexpr std::uint32_t kDefaultFreeWidth = 9921;  // A4 in 1/1200 inch
constexpr std::uint32_t kDefaultFreeLength = 14031;
constexpr std::uint32_t kDefaultFreeTray = 4;
constexpr std::uint32_t kDefaultFreeOrientation = 1;
constexpr std::uint32_t kFirstFreeSizeString = 109;
constexpr std::uint32_t kUserPaperSize = 256;

bool HasWork(DriverContext* context)
{
    return context != nullptr && context->workArea != nullptr;
}

std::u16string PrinterSection(DriverContext* context)
{
    std::u16string section(TextView(GetPrinterSectionName(context)));
    if (!section.empty()) SanitizeIniSection(section.data());
    return section;
}

const WCHAR* SettingsIni(DriverContext* context)
{
    return GetSettingsIniPath(context);
}

std::u16string ReadPrinterText(DriverContext* context, const std::u16string& key, int size = MAX_PATH)
{
    std::u16string value(static_cast<std::size_t>(size), u'\0');
    ReadIniString(PrinterSection(context).c_str(), key.c_str(), u"", value.data(), size, SettingsIni(context));
    value.resize(std::u16string_view(value.c_str()).size());
    return value;
}

std::u16string PresetKeyOf(int slot, int kind)
{
    WCHAR key[kListKeyChars] = {};
    FormatPresetKey(key, slot, kind);
    return key;
}

std::u16string QualityKeyOf(int slot)
{
    WCHAR key[kListKeyChars] = {};
    FormatQualityKey(key, slot);
    return key;
}

bool IsPresetSlot(int index)
{
    return index >= 0 && index < kPresetSlotCount;
}

// Readonly of the file's printer section (16 characters), "" when absent.
std::u16string ReadReadonlyMark(DriverContext* context, const std::u16string& file)
{
    WCHAR value[kReadonlyChars] = {};
    ReadIniString(PrinterSection(context).c_str(), u"Readonly", u"", value, kReadonlyChars, file.c_str());
    return value;
}

void SetItemText(DriverContext* context, std::uint16_t itemId, const WCHAR* text)
{
    if (SettingItemDescriptor* item = FindItem(context, itemId)) SetItemString(context, item, text);
}

// The preset's name and comment from the key's "Name" and "Comment".
void TakePresetTexts(DriverContext* context, const std::u16string& key)
{
    SetItemText(context, wdmPresetName, ReadPrinterText(context, key + u"Name", kTextChars).c_str());
    SetItemText(context, wdmPresetComment, ReadPrinterText(context, key + u"Comment", kTextChars).c_str());
}

// The stamp a preset selects is loaded again, or the watermark switched
// off when the preset's stamp is not in the list.
void TakePresetStamp(DriverContext* context)
{
    const std::uint32_t stamp = GetItemValue(context, rdmWmID);
    const bool on = GetItemValue(context, rdmFuncSelectWaterMark) != 0;
    if (on && stamp < static_cast<std::uint32_t>(GetStampCount(context))) {
        const std::uint32_t kind = GetItemValue(context, rdmWmKind);
        if (kind >= 1 && kind <= 3) {
            LoadStampSlot(context, static_cast<int>(stamp));
            SetItemValue(context, rdmWmID, stamp);
        }
        return;
    }
    SetItemValue(context, rdmFuncSelectWaterMark, 0);
    SetItemValue(context, rdmWmID, 0);
}

// A user copy of an installed preset: the path's last character is 'R'.
bool IsUserCopyPath(std::u16string_view path)
{
    return path.size() >= 3 && (path.back() == u'R' || path.back() == u'r');
}

std::u16string PresetFolder(DriverContext* context)
{
    WCHAR folder[MAX_PATH] = {};
    const bool perUser =
        IsTerminalServer(context->printer) && !(context->workArea->callerKind & kCallerSharedSettingsDirectory);
    if (perUser ? GetUserSettingsDirectory(folder, MAX_PATH, context) <= 0
                : GetSettingsDirectory(folder, MAX_PATH, context) <= 0)
        return {};
    return folder;
}

std::u16string UserPresetName(const std::u16string& folder, int number)
{
    std::u16string digits = DecimalText(static_cast<unsigned>(number));
    while (digits.size() < 4) digits.insert(digits.begin(), u'0');
    return folder + u"\\user" + digits + u".rst";
}

std::u16string ModelIni(DriverContext* context)
{
    return std::u16string(TextView(GetModelFilePath(context)));
}

// A custom-size section named with the language code of the settings copy.
std::u16string CopyLanguageFreeSizeSection(int slot, DriverContext* context)
{
    return u"FreeSize" + DecimalText(static_cast<unsigned>(slot)) + std::u16string(TextView(CopyLanguageCode(context)));
}

const SettingItemDescriptor* Descriptor(DriverContext* context, std::uint16_t id)
{
    return FindItem(context, id);
}

}  // namespace

// ---- stored presets ----------------------------------------------------------------------

void LoadStoredPreset(DriverContext* context, const WCHAR* key)
{
    if (!HasWork(context) || key == nullptr) return;
    if (ManagePresetSnapshots(context, key, kSnapshotRestore)) return;
    const std::u16string keyText(key);
    std::u16string path = ReadPrinterText(context, keyText);
    if (path.empty()) path = ReadPrinterText(context, PresetKeyOf(0, kPresetKeyPath));
    SetSettingsFileError(context, kSettingsFileAccepted);
    LoadSettingsFile(context->printer, path.c_str(), kSettingsPresetCarrier | kSettingsPreset, context);
    const bool unusable = GetSettingsFileError(context) != kSettingsFileAccepted;
    if (unusable) {
        // The file is dropped from its slot and preset 0 takes its place.
        WriteIniString(PrinterSection(context).c_str(), key, u"", SettingsIni(context));
        SetSettingsFileError(context, kSettingsFileAccepted);
        const std::u16string first = ReadPrinterText(context, PresetKeyOf(0, kPresetKeyPath));
        LoadSettingsFile(context->printer, first.c_str(), kSettingsPreset, context);
    }
    TakePresetTexts(context, keyText);
    TakePresetStamp(context);
    ManagePresetSnapshots(context, key, kSnapshotCapture);
    if (unusable) ShowUnusablePresetWarning(context);
    NotifyModulesRevalidate(context);
}

void SelectPreset(DriverContext* context, int index)
{
    if (!HasWork(context)) return;
    if (IsPresetSlot(index)) {
        LoadStoredPreset(context, PresetKeyOf(index, kPresetKeyPath).c_str());
        return;
    }
    SetItemText(context, wdmPresetName, u"");
    SetItemText(context, wdmPresetComment, u"");
}

void LoadInstalledPresetCopy(DriverContext* context, int index)
{
    if (!HasWork(context) || !IsPresetSlot(index)) return;
    const std::u16string key = PresetKeyOf(index, kPresetKeyPath);
    const std::u16string path = ReadPrinterText(context, key);
    if (path.empty()) return;
    WCHAR rsd[MAX_PATH] = {};
    WCHAR copy[MAX_PATH] = {};
    if (!ReplaceExtension(rsd, FindFileNamePart(path.c_str()), u"rsd")) return;
    BuildSettingsDirPath(copy, MAX_PATH, rsd, context);
    if (copy[0] == 0 || !FileExists(copy) || ManagePresetSnapshots(context, key.c_str(), kSnapshotRestore)) return;
    {
        const PrinterSectionSwap section(context, CopyLanguageCode(context));
        LoadSettingsFile(context->printer, copy, kSettingsPresetCarrier | kSettingsPreset, context);
    }
    TakePresetTexts(context, key);
    TakePresetStamp(context);
    ManagePresetSnapshots(context, key.c_str(), kSnapshotCapture);
    NotifyModulesRevalidate(context);
}

BOOL SavePresetFileByKey(DriverContext* context, const WCHAR* key)
{
    if (!HasWork(context) || key == nullptr) return FALSE;
    const std::u16string path = ReadPrinterText(context, key);
    if (path.empty()) return FALSE;
    const BOOL saved = SaveSettingsFile(context->printer, path.c_str(), kSettingsPreset, context);
    ManagePresetSnapshots(context, nullptr, kSnapshotFreeAll);
    return saved;
}

BOOL SavePresetByKey(DriverContext* context, const WCHAR* key)
{
    if (!SavePresetFileByKey(context, key)) return FALSE;
    const std::u16string keyText(key);
    const std::u16string section = PrinterSection(context);
    const std::pair<std::uint16_t, const WCHAR*> texts[] = {{wdmPresetName, u"Name"}, {wdmPresetComment, u"Comment"}};
    for (const auto& [item, suffix] : texts) {
        WCHAR value[kTextChars] = {};
        if (const SettingItemDescriptor* descriptor = Descriptor(context, item))
            GetItemString(context, descriptor, value, kTextChars);
        WriteIniString(section.c_str(), (keyText + suffix).c_str(), value, SettingsIni(context));
    }
    return TRUE;
}

BOOL SaveStoredPreset(DriverContext* context, int index)
{
    if (!IsPresetSlot(index)) return FALSE;
    return SavePresetByKey(context, PresetKeyOf(index, kPresetKeyPath).c_str());
}

BOOL SavePresetFileForSlot(DriverContext* context, int index)
{
    if (!IsPresetSlot(index)) return FALSE;
    return SavePresetFileByKey(context, PresetKeyOf(index, kPresetKeyPath).c_str());
}

BOOL IsPresetWritable(DriverContext* context, const WCHAR* file)
{
    if (!HasWork(context) || file == nullptr) return FALSE;
    return ReadIniInt(PrinterSection(context).c_str(), u"Readonly", 0, file) != 1;
}

BOOL IsStoredPresetWritable(DriverContext* context, int index)
{
    if (!HasWork(context) || !IsPresetSlot(index)) return FALSE;
    const std::u16string path = ReadPrinterText(context, PresetKeyOf(index, kPresetKeyPath));
    return IsPresetWritable(context, path.c_str());
}

BOOL PreparePresetFileName(DriverContext* context, int index)
{
    if (!HasWork(context) || !IsPresetSlot(index)) return FALSE;
    const std::u16string key = PresetKeyOf(index, kPresetKeyPath);
    const std::u16string path = ReadPrinterText(context, key);
    if (!path.empty() && !IsUserCopyPath(path)) return TRUE;
    WCHAR fresh[MAX_PATH] = {};
    if (!MakeNewPresetFileName(context, fresh)) return FALSE;
    return WriteIniString(PrinterSection(context).c_str(), key.c_str(), fresh, SettingsIni(context));
}

BOOL MakeNewPresetFileNameWithin(DriverContext* context, WCHAR* out, int limit)
{
    if (out == nullptr) return FALSE;
    out[0] = 0;
    if (!HasWork(context)) return FALSE;
    const std::u16string folder = PresetFolder(context);
    if (folder.empty()) return FALSE;
    const std::u16string section = PrinterSection(context);
    for (int number = 0; number < limit; ++number) {
        const std::u16string name = UserPresetName(folder, number);
        if (ReadIniInt(section.c_str(), u"RstMachine", 0, name.c_str()) == 0)
            return CopyIfFits(out, MAX_PATH, name) > 0;
    }
    // Every name is in use: none is handed out, so no preset is written over.
    return FALSE;
}

BOOL MakeNewPresetFileName(DriverContext* context, WCHAR* out)
{
    return MakeNewPresetFileNameWithin(context, out, kPresetFileNameLimit);
}

std::uint8_t* GetPresetNameBuffer(DriverContext* context)
{
    const SettingItemDescriptor* item = HasWork(context) ? Descriptor(context, wdmPresetName) : nullptr;
    return item != nullptr ? GetItemAddress(context, item) : nullptr;
}

std::uint8_t* GetPresetCommentBuffer(DriverContext* context)
{
    const SettingItemDescriptor* item = HasWork(context) ? Descriptor(context, wdmPresetComment) : nullptr;
    return item != nullptr ? GetItemAddress(context, item) : nullptr;
}

// ---- quality lists --------------------------------------------------------------------------

void SaveQualityList(DriverContext* context, const WCHAR* key)
{
    if (!HasWork(context) || key == nullptr) return;
    const std::u16string path = ReadPrinterText(context, key);
    SaveSettingsFile(context->printer, path.c_str(), kSettingsQualityList, context);
    WCHAR name[kTextChars] = {};
    if (const SettingItemDescriptor* item = Descriptor(context, wdmUserSetName))
        GetItemString(context, item, name, kTextChars);
    WriteIniString(PrinterSection(context).c_str(), (std::u16string(key) + u"Name").c_str(), name,
                   SettingsIni(context));
}

void LoadQualityListName(DriverContext* context, int index)
{
    if (!HasWork(context)) return;
    const std::u16string path = ReadPrinterText(context, QualityKeyOf(index));
    WCHAR copy[MAX_PATH] = {};
    WCHAR rsq[MAX_PATH] = {};
    if (path.empty() || !BuildUserCopyPath(copy, path.c_str(), MAX_PATH, context) ||
        !ReplaceExtension(rsq, copy, u"rsq"))
        return;
    WCHAR name[kTextChars] = {};
    ReadIniString(CopyLanguageCode(context), u"qualityname", u"", name, kTextChars, rsq);
    SetItemText(context, wdmUserSetName, name);
}

void LoadQualityFileForSlot(DriverContext* context, int index)
{
    LoadQualityFileSlot(context, index);
}

// ---- stamps -----------------------------------------------------------------------------------

BOOL DeleteStamp(DriverContext* context, int index)
{
    if (!HasWork(context)) return FALSE;
    const int count = GetStampCount(context);
    if (index < 0 || index >= count) return FALSE;
    PushSettingsSnapshot(context);
    // The count goes to 0 first so that saving stamp b - 1 does not raise it.
    SetStampCount(context, 0);
    for (int b = index + 1; b < count; ++b) {
        LoadStampSlot(context, b);
        SaveStampSlot(context, b - 1);
    }
    PopSettingsSnapshot(context, TRUE);
    const BOOL written = SetStampCount(context, count - 1);
    ManagePresetSnapshots(context, nullptr, kSnapshotFreeAll);
    return written;
}

int ReadStampCount(const WCHAR* file, const WCHAR* section)
{
    return ReadIniInt(section, u"StampCount", 0, file);
}

int GetModelStampCount(DriverContext* context)
{
    if (!HasWork(context)) return 0;
    const std::u16string model = ModelIni(context);
    return ReadStampCount(model.c_str(), CopyLanguageCode(context));
}

void LoadStampFromFile(DriverContext* context, const WCHAR* file, const WCHAR* section, int slot)
{
    if (!HasWork(context) || file == nullptr) return;
    const std::u16string stamp =
        u"Stamp" + DecimalText(static_cast<unsigned>(slot)) + std::u16string(TextView(section));
    const PrinterSectionSwap swap(context, stamp.c_str());
    LoadSettingsFile(context->printer, file, kSettingsStamp, context);
}

void LoadModelStamp(DriverContext* context, int slot)
{
    if (!HasWork(context)) return;
    const std::u16string model = ModelIni(context);
    LoadStampFromFile(context, model.c_str(), CopyLanguageCode(context), slot);
}

// ---- custom paper sizes -----------------------------------------------------------------

void LoadDefaultFreeSizes(DriverContext* context)
{
    if (!HasWork(context)) return;
    const std::u16string model = ModelIni(context);
    const WCHAR* widthKey = GetItemName(context, wdmFreeSizeWidth);
    const WCHAR* lengthKey = GetItemName(context, wdmFreeSizeLength);
    const WCHAR* trayKey = GetItemName(context, wdmFreeSizeTray);
    const WCHAR* orientKey = GetItemName(context, wdmFreeSizeOrient);
    for (int row = 0; row < kFreeSizeSlotCount; ++row) {
        PaperSizeRow& paper = context->workArea->paperTable[row];
        WCHAR name[kTextChars] = {};
        LoadUiString(context, kFirstFreeSizeString + static_cast<std::uint32_t>(row), name, kTextChars, FALSE);
        WideToAnsi(paper.displayName, name, kFreeSizeNameBytes);
        WideToAnsi(paper.userName, name, kFreeSizeNameBytes);
        LoadUiString(context, kFirstFreeSizeString + static_cast<std::uint32_t>(row), name, kTextChars, TRUE);
        WideToAnsi(paper.secondDisplayName, name, kFreeSizeNameBytes);
        const std::u16string section = CopyLanguageFreeSizeSection(row, context);
        const auto read = [&](const WCHAR* key, std::uint32_t fallback) {
            return key != nullptr ? static_cast<std::uint32_t>(
                                        ReadIniInt(section.c_str(), key, static_cast<int>(fallback), model.c_str()))
                                  : fallback;
        };
        paper.width = read(widthKey, kDefaultFreeWidth);
        paper.length = read(lengthKey, kDefaultFreeLength);
        paper.tray = static_cast<std::uint16_t>(read(trayKey, kDefaultFreeTray));
        paper.orientation = static_cast<std::uint16_t>(read(orientKey, kDefaultFreeOrientation));
    }
}

BOOL StoreFreeSizes(DriverContext* context)
{
    if (!HasWork(context)) return FALSE;
    PushSettingsSnapshot(context);
    for (int row = 0; row < kFreeSizeSlotCount; ++row) {
        SelectFreeSizeSlot(context, row);
        SaveFreeSizeSlot(context, row);
    }
    PopSettingsSnapshot(context, TRUE);
    return TRUE;
}

int GetModelFreeSizeCount(DriverContext* context)
{
    if (!HasWork(context)) return 0;
    const std::u16string model = ModelIni(context);
    const int count = ReadIniInt(CopyLanguageCode(context), u"FreeSizeCount", 0, model.c_str());
    return count == kFreeSizeSlotCount ? count : 0;
}

BOOL WriteFreeSizeCount(DriverContext* context, int count)
{
    if (!HasWork(context)) return FALSE;
    return WriteIniString(CopyLanguageCode(context), u"FreeSizeCount",
                          DecimalText(static_cast<unsigned>(count < 0 ? 0 : count)).c_str(), SettingsIni(context));
}

void LoadModelFreeSize(DriverContext* context, int slot)
{
    if (!HasWork(context)) return;
    SetItemText(context, wdmFreeSizeName, u"");
    SetItemValue(context, wdmFreeSizeWidth, 0);
    SetItemValue(context, wdmFreeSizeLength, 0);
    const std::u16string model = ModelIni(context);
    const std::u16string section = CopyLanguageFreeSizeSection(slot, context);
    const PrinterSectionSwap swap(context, section.c_str());
    LoadSettingsFile(context->printer, model.c_str(), kSettingsFreeSize, context);
}

BOOL IsUserPaperSelected(DriverContext* context)
{
    return HasWork(context) && IsMetricUnit(context) && GetItemValue(context, dmPaperSize) == kUserPaperSize;
}

// ---- fonts ---------------------------------------------------------------------------------------

namespace {

struct FontList {
    const DeviceFontRecord* records;
    std::uint32_t count;
};

FontList DeviceFontList(DriverContext* context, std::uint16_t countItem, std::uint16_t addressItem)
{
    return {static_cast<const DeviceFontRecord*>(GetItemHeapAddress(context, addressItem)),
            GetHeapListCount(context, countItem, addressItem, sizeof(DeviceFontRecord))};
}

}  // namespace

int GetDeviceFontCount(DriverContext* context)
{
    if (!HasWork(context)) return 0;
    return static_cast<int>(DeviceFontList(context, rdmDeviceFontNum, rdmDeviceFont).count +
                            DeviceFontList(context, rdmOptionFontNum, rdmOptionFont).count);
}

const WCHAR* GetDeviceFontName(DriverContext* context, int index)
{
    if (!HasWork(context) || index < 0) return u"";
    std::uint32_t at = static_cast<std::uint32_t>(index);
    for (const FontList list : {DeviceFontList(context, rdmDeviceFontNum, rdmDeviceFont),
                                DeviceFontList(context, rdmOptionFontNum, rdmOptionFont)}) {
        if (at < list.count) return list.records != nullptr ? list.records[at].name : u"";
        at -= list.count;
    }
    return u"";
}

void SetFontSubstTable(DriverContext* context, int count, FontSubstPair* rows)
{
    if (!HasWork(context)) return;
    ContextWorkArea* work = context->workArea;
    void* current = GetItemHeapAddress(context, rdmFontTable);
    if (work->pendingFontTable == nullptr && current != nullptr) {
        // The table in force before the first change stays for a cancel.
        work->pendingFontTable = current;
        SetItemHeapAddress(context, rdmFontTable, nullptr);
        current = nullptr;
    }
    if (rows == nullptr) {
        if (current != nullptr && current != work->pendingFontTable) {
            FreeIfNotNull(current);
            SetItemHeapAddress(context, rdmFontTable, nullptr);
        }
        LoadDefaultFontTable(context->printer, context);
        return;
    }
    if (current != nullptr && current != work->pendingFontTable) FreeIfNotNull(current);
    SetItemValue(context, rdmFontTableNum, static_cast<std::uint32_t>(count < 0 ? 0 : count));
    SetItemHeapAddress(context, rdmFontTable, rows);
}

const WCHAR* FindSubstituteFont(DriverContext* context, const WCHAR* trueTypeFace)
{
    if (!HasWork(context)) return u"";
    const auto* rows = static_cast<const FontSubstPair*>(GetItemHeapAddress(context, rdmFontTable));
    const std::uint32_t count = GetHeapListCount(context, rdmFontTableNum, rdmFontTable, sizeof(FontSubstPair));
    for (std::uint32_t i = 0; rows != nullptr && trueTypeFace != nullptr && i < count; ++i) {
        if (lstrcmpW(rows[i].trueTypeFace, trueTypeFace) == 0) return rows[i].deviceFont;
    }
    return GetDeviceFontName(context, 0);
}

// ---- rebuilds ---------------------------------------------------------------------------------

void RebuildPresetFiles(DriverContext* context)
{
    if (!HasWork(context)) return;
    PushSettingsSnapshot(context);
    const int count = std::min(GetPresetCount(context), kPresetSlotCount);
    for (int index = 0; index < count; ++index) {
        const std::u16string key = PresetKeyOf(index, kPresetKeyPath);
        const std::u16string path = ReadPrinterText(context, key);
        const std::u16string mark = path.empty() ? std::u16string() : ReadReadonlyMark(context, path);
        LoadInstalledPresetCopy(context, index);
        SelectPreset(context, index);
        SaveStoredPreset(context, index);
        // Saving rewrites the preset's section; a read-only mark comes back.
        if (!mark.empty()) WriteIniString(PrinterSection(context).c_str(), u"Readonly", mark.c_str(), path.c_str());
    }
    PopSettingsSnapshot(context, TRUE);
}

void RebuildQualityLists(DriverContext* context)
{
    if (!HasWork(context)) return;
    PushSettingsSnapshot(context);
    const int count = GetQualityListCount(context);
    for (int index = 0; index < count; ++index) {
        LoadQualityFileSlot(context, index);
        LoadQualityListSlot(context, index);
        SaveQualityListSlot(context, index);
    }
    PopSettingsSnapshot(context, TRUE);
}

void RebuildStamps(DriverContext* context)
{
    if (!HasWork(context)) return;
    PushSettingsSnapshot(context);
    const int count = GetStampCount(context);
    for (int index = 0; index < count; ++index) {
        LoadStampSlot(context, index);
        SaveStampSlot(context, index);
    }
    PopSettingsSnapshot(context, TRUE);
}

void RebuildFreeSizes(DriverContext* context)
{
    if (!HasWork(context)) return;
    PushSettingsSnapshot(context);
    for (int slot = 0; slot < kFreeSizeSlotCount; ++slot) {
        LoadFreeSizeSlot(context, slot);
        SaveFreeSizeSlot(context, slot);
    }
    PopSettingsSnapshot(context, TRUE);
}

}  // namespace vexl::ui
