// Presets, quality lists, stamps, custom paper sizes and the default section
// of the settings INI.
#include "common/storage/ini_lists.h"

#include "common/core/devmode_public.h"
#include "common/core/item_layout.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/paper_sync.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/switches.h"
#include "common/core/textconv.h"
#include "common/core/units.h"
#include "common/model/constraints.h"
#include "common/model/pjl_options.h"
#include "common/model/ui_lookup.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/persistence.h"
#include "common/storage/resources.h"
#include "common/storage/settings_files.h"
#include "platform/modules.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace vexl {
namespace {

constexpr int kPathChars = MAX_PATH;
constexpr int kNameChars = 260;
constexpr std::uint16_t kNoSlot = 10;
constexpr std::uint32_t kFreeSizeNameUiString = 109;
constexpr std::uint32_t kPaperFreeSizeUiString = 752;
constexpr std::uint32_t kPrintFreeSizeUiString = 753;
constexpr int kRowNameBytes = 64;
constexpr int kRowWideNameChars = 32;
constexpr std::uint16_t kPresetSnapshotBits = 0x0C | 0xC0;
constexpr int kUserMacroBase = 32;
constexpr std::uint32_t kUserMacroWorkingList = 160;

std::u16string Ascii(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}
std::u16string Decimal(int value)
{
    return Ascii(std::to_string(value));
}

void CopyOut(WCHAR* out, const std::u16string& text)
{
    if (out) lstrcpynW(out, text.c_str(), kListKeyChars);
}

std::u16string PrinterSection(DriverContext* context)
{
    const WCHAR* name = GetPrinterSectionName(context);
    std::u16string section = name ? name : u"";
    SanitizeIniSection(section.data());
    return section;
}

std::u16string LanguageSection(DriverContext* context)
{
    const WCHAR* code = GetStampCounterSection(context);
    return code ? code : u"";
}

const WCHAR* IniPath(DriverContext* context)
{
    return GetSettingsIniPath(context);
}

int ReadPrinterInt(DriverContext* context, const WCHAR* key)
{
    return ReadIniInt(PrinterSection(context).c_str(), key, 0, IniPath(context));
}

std::u16string ReadPrinterText(DriverContext* context, const std::u16string& key)
{
    WCHAR value[kNameChars + 1] = {};
    ReadIniString(PrinterSection(context).c_str(), key.c_str(), u"", value, kNameChars + 1, IniPath(context));
    return value;
}

std::u16string PresetKey(int slot, int kind)
{
    WCHAR key[kListKeyChars] = {};
    FormatPresetKey(key, slot, kind);
    return key;
}

std::u16string QualityKey(int slot)
{
    WCHAR key[kListKeyChars] = {};
    FormatQualityKey(key, slot);
    return key;
}

void LoadSection(DriverContext* context, const WCHAR* section, std::uint32_t flags)
{
    PrinterSectionSwap swap(context, section);
    LoadSettingsFile(context->printer, IniPath(context), flags, context);
}

void SaveSection(DriverContext* context, const WCHAR* section, std::uint32_t flags)
{
    PrinterSectionSwap swap(context, section);
    SaveSettingsFile(context->printer, IniPath(context), flags, context);
}

bool HasWork(DriverContext* context)
{
    return context && context->workArea && context->itemTable;
}

// ---- preset snapshots --------------------------------------------------------------------------

bool IsSnapshotItem(const SettingItemDescriptor& item)
{
    return (item.stateBits & kPresetSnapshotBits) != 0;
}

template <typename Visit> void ForEachSnapshotItem(DriverContext* context, Visit visit)
{
    std::uint32_t offset = 0;
    for (int i = 0; i < context->itemTable->count; ++i) {
        SettingItemDescriptor& item = context->itemTable->items[i];
        if (!IsSnapshotItem(item)) continue;
        visit(item, offset);
        offset += ItemLength(item);
    }
}

std::uint32_t SnapshotSize(DriverContext* context)
{
    std::uint32_t total = 0;
    ForEachSnapshotItem(context, [&](const SettingItemDescriptor& item, std::uint32_t) { total += ItemLength(item); });
    return total;
}

int PresetSlotOfKey(const WCHAR* key)
{
    if (key == nullptr) return -1;
    for (int slot = 0; slot < kPresetSlotCount; ++slot)
        if (PresetKey(slot, kPresetKeyPath) == key) return slot;
    return -1;
}

void CaptureSnapshot(DriverContext* context, int slot)
{
    std::uint8_t*& block = context->workArea->presetSnapshots[slot];
    if (block == nullptr) block = static_cast<std::uint8_t*>(AllocZeroed(SnapshotSize(context)));
    if (block == nullptr) return;
    ForEachSnapshotItem(context, [&](const SettingItemDescriptor& item, std::uint32_t offset) {
        if (const std::uint8_t* address = GetItemAddress(context, &item))
            std::memcpy(block + offset, address, ItemLength(item));
    });
}

// A bit item takes only its own bit from the saved word.
void RestoreSnapshotItem(DriverContext* context, const SettingItemDescriptor& item, const std::uint8_t* saved)
{
    std::uint8_t* address = GetItemAddress(context, &item);
    if (address == nullptr) return;
    const std::uint32_t code = ItemTypeCode(item);
    if (code < kValueBit0 || code > kValueBitLast) {
        std::memcpy(address, saved, ItemLength(item));
        return;
    }
    const std::uint32_t bit = code - kValueBit0;
    if (bit / 8 >= ItemLength(item)) return;
    const std::uint8_t mask = static_cast<std::uint8_t>(1u << (bit % 8));
    address[bit / 8] = static_cast<std::uint8_t>((address[bit / 8] & ~mask) | (saved[bit / 8] & mask));
}

void RestoreSnapshot(DriverContext* context, const std::uint8_t* block)
{
    ForEachSnapshotItem(context, [&](const SettingItemDescriptor& item, std::uint32_t offset) {
        RestoreSnapshotItem(context, item, block + offset);
    });
}

// What a preset carries outside the store (the chapter list) is not in its
// snapshot: after a restore the settings modules hear of it as of a load of
// the preset's file, the file a load of the key would have read.
void TellModulesOfPresetRestore(DriverContext* context, const WCHAR* key)
{
    std::u16string path = ReadPrinterText(context, key);
    if (path.empty()) path = ReadPrinterText(context, PresetKey(0, kPresetKeyPath));
    if (path.empty()) return;
    FileTransferEvent event{kSettingsPresetCarrier | kSettingsPreset | kSettingsLoad, path.c_str()};
    NotifySettingsModules(context, kModuleEventFileTransferred, &event);
}

void FreeSnapshots(ContextWorkArea* work)
{
    for (std::uint8_t*& block : work->presetSnapshots) {
        FreeIfNotNull(block);
        block = nullptr;
    }
}

// ---- watermark of a preset ---------------------------------------------------------------------

bool IsStampKind(std::uint32_t kind)
{
    return kind >= 1 && kind <= 3;
}

void TakePresetWatermark(DriverContext* context)
{
    const std::uint32_t stamp = GetItemValue(context, rdmWmID);
    const bool on = GetItemValue(context, rdmFuncSelectWaterMark) != 0;
    const bool counted = stamp < static_cast<std::uint32_t>(GetStampCount(context));
    if (on && counted) {
        if (IsStampKind(GetItemValue(context, rdmWmKind))) {
            LoadStampSlot(context, static_cast<int>(stamp));
            SetItemValue(context, rdmWmID, stamp);
        }
        return;
    }
    SetItemOption(context, rdmFuncSelectWaterMark, 0);
    SetItemOption(context, rdmWmID, 0);
}

bool IsAllowedValue(std::uint16_t itemId, std::uint32_t value)
{
    const ValueList* list = FindItemValueList(itemId);
    if (list == nullptr) return false;
    for (std::uint32_t i = 0; i < list->count; ++i)
        if (list->values[i] == value) return true;
    return false;
}

// ---- quality lists -----------------------------------------------------------------------------

void LoadQualityFile(DriverContext* context, const WCHAR* key, std::uint32_t flags)
{
    const std::u16string path = ReadPrinterText(context, key);
    LoadSettingsFile(context->printer, path.c_str(), flags, context);
}

// ---- custom paper rows ------------------------------------------------------------------------

constexpr std::uint16_t kFirstSlotItem = wdmFreeSize1Width;

struct FreeSizeGroup {
    std::uint16_t name;
    std::uint16_t width;
    std::uint16_t length;
    std::uint16_t tray;
    std::uint16_t orient;
};
constexpr FreeSizeGroup kFreeSizeGroup = {wdmFreeSizeName, wdmFreeSizeWidth, wdmFreeSizeLength, wdmFreeSizeTray,
                                          wdmFreeSizeOrient};
constexpr FreeSizeGroup kSrcFreeSizeGroup = {wdmSrcFreeSizeName, wdmSrcFreeSizeWidth, wdmSrcFreeSizeLength,
                                             wdmSrcFreeSizeTray, wdmSrcFreeSizeOrient};

// The fixed paper ids of rows 10 and 11 and their items.
struct PrintFreeSizeRow {
    std::uint16_t paperId;
    std::uint16_t width;
    std::uint16_t length;
    std::uint16_t tray;
    std::uint16_t orient;
    std::uint32_t nameString;
};
constexpr PrintFreeSizeRow kPrintFreeSizeRows[] = {
    {kPaperFreeSizePaperId, rdmPaperFreeSizeWidth, rdmPaperFreeSizeLength, rdmPaperFreeSizeTray, rdmPaperFreeSizeOrient,
     kPaperFreeSizeUiString},
    {kPrintFreeSizePaperId, rdmPrintFreeSizeWidth, rdmPrintFreeSizeLength, rdmPrintFreeSizeTray, rdmPrintFreeSizeOrient,
     kPrintFreeSizeUiString},
};

PaperSizeRow* RowOf(DriverContext* context, int row)
{
    if (context == nullptr || context->workArea == nullptr || row < 0 || row >= kPaperTableRows) return nullptr;
    return &context->workArea->paperTable[row];
}

void CacheGroup(DriverContext* context, int row, const FreeSizeGroup& group)
{
    PaperSizeRow* cached = RowOf(context, row);
    if (cached == nullptr) return;
    cached->width = GetItemOption(context, group.width);
    cached->length = GetItemOption(context, group.length);
    cached->tray = static_cast<std::uint16_t>(GetItemValue(context, group.tray));
    cached->orientation = static_cast<std::uint16_t>(GetItemValue(context, group.orient));
    WCHAR text[kRowNameBytes] = {};
    GetItemString(context, FindItem(context, group.name), text, kRowNameBytes);
    std::memset(cached->userName, 0, kRowNameBytes);
    WideToAnsi(cached->userName, text, kRowNameBytes);
    WCHAR display[kRowNameBytes] = {};
    LoadUiString(context, kFreeSizeNameUiString + static_cast<std::uint32_t>(row), display, kRowNameBytes, TRUE);
    std::memset(cached->displayName, 0, kRowNameBytes);
    WideToAnsi(cached->displayName, display, kRowNameBytes);
    std::memcpy(cached->secondDisplayName, cached->displayName, kRowNameBytes);
}

void SelectGroup(DriverContext* context, int row, const FreeSizeGroup& group)
{
    const PaperSizeRow* cached = RowOf(context, row);
    if (cached == nullptr) return;
    char name[kRowNameBytes + 1] = {};
    std::memcpy(name, cached->userName, kRowNameBytes);
    WCHAR wide[kRowNameBytes + 1] = {};
    AnsiToWide(wide, name, kRowNameBytes + 1);
    SetItemString(context, FindItem(context, group.name), wide);
    SetItemOption(context, group.width, cached->width);
    SetItemOption(context, group.length, cached->length);
    SetItemValue(context, group.tray, cached->tray);
    SetItemValue(context, group.orient, cached->orientation);
}

void ResetGroup(DriverContext* context, const FreeSizeGroup& group)
{
    for (std::uint16_t id : {group.name, group.width, group.length, group.tray, group.orient}) {
        SettingItemDescriptor* item = FindItem(context, id);
        WriteItemValue(context, item, 0);
        WriteItemBytes(context, item, nullptr, 0);
    }
}

// ---- the default section -----------------------------------------------------------------------

struct ItemRange {
    std::uint16_t first;
    std::uint16_t last;
};
constexpr ItemRange kPrinterSideRanges[] = {{kFontListItems.first, kPrinterItems.last},
                                            {kPrinterNameItems.first, kPrinterNameItems.last}};
constexpr ItemRange kDefaultValidationRanges[] = {{kPrivateSettingItems.first, kPrivateSettingItems.last},
                                                  {kPrinterItems.first, kPrinterItems.last},
                                                  {kPrinterNameItems.first, kPrinterNameItems.last}};
constexpr std::uint32_t kPrinterSideLoad = kSettingsLoad | kSettingsInstallFile;
constexpr std::uint32_t kPrinterSideWrite = kSettingsWrite | kSettingsInstallFile;

std::u16string DefaultSection(DriverContext* context)
{
    const WCHAR* name = GetPrinterSectionName(context);
    std::u16string section = std::u16string(name ? name : u"") + u".DefaultSection";
    SanitizeIniSection(section.data());
    return section;
}

void TransferPrinterSide(DriverContext* context, const std::u16string& section, std::uint32_t flags)
{
    for (const ItemRange& range : kPrinterSideRanges)
        TransferItemRange(IniPath(context), flags, context, section.c_str(), nullptr, range.first, range.last);
}

// ---- the print-notification library --------------------------------------------------------------

using NotificationCapabilityProc = int (*)(const char* printerName, std::uint32_t* capability);
using NotificationValueProc = int (*)(std::uint32_t* value);

constexpr std::uint32_t kJobCompleteBit = 0x1;
constexpr std::uint32_t kJobErrorBit = 0x2;

void SetNotificationPair(DriverContext* context, std::uint16_t complete, std::uint16_t error, std::uint32_t bits)
{
    SetItemValue(context, complete, (bits & kJobCompleteBit) ? 1 : 0);
    SetItemValue(context, error, (bits & kJobErrorBit) ? 1 : 0);
}

template <typename Function> Function EntryOf(HMODULE library, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

bool AskNotificationLibrary(DriverContext* context, HMODULE library, std::uint32_t flags)
{
    auto capability = EntryOf<NotificationCapabilityProc>(library, "QXGetPrintNotificationCapability");
    auto value = EntryOf<NotificationValueProc>(library, "QXGetPrintNotificationValue");
    if (capability == nullptr || value == nullptr) return false;
    char printerName[kPathChars + 1] = {};
    const WCHAR* name = GetPrinterSectionName(context);
    WideToAnsi(printerName, name ? name : u"", kPathChars);
    std::uint32_t supported = 0;
    if (capability(printerName, &supported) != 0) return false;
    SetNotificationPair(context, rdmSupportFunc2SelectJobComplete, rdmSupportFunc2SelectJobErr, supported);
    std::uint32_t current = 0;
    if (!(flags & kNotificationSupportOnly) && value(&current) == 0)
        SetNotificationPair(context, rdmFunc2SelectJobComplete, rdmFunc2SelectJobErr, current);
    return true;
}

}  // namespace

// ---- presets ----------------------------------------------------------------------------------------

int GetPresetCount(DriverContext* context)
{
    return ReadPrinterInt(context, u"Count");
}

void FormatPresetKey(WCHAR* out, int slot, int kind)
{
    std::u16string key = u"PresetList" + Decimal(slot);
    if (kind == kPresetKeyName) key += u"Name";
    if (kind == kPresetKeyComment) key += u"Comment";
    CopyOut(out, key);
}

void LoadPresetByKey(DriverContext* context, const WCHAR* key)
{
    if (!HasWork(context) || key == nullptr) return;
    std::u16string path = ReadPrinterText(context, key);
    SetSettingsFileError(context, kSettingsFileAccepted);
    if (path.empty()) path = ReadPrinterText(context, PresetKey(0, kPresetKeyPath));
    LoadSettingsFile(context->printer, path.c_str(), kSettingsPresetCarrier | kSettingsPreset, context);
    TakePresetWatermark(context);
    ManagePresetSnapshots(context, key, kSnapshotCapture);
    NotifyModulesRevalidate(context);
}

void LoadPresetSlot(DriverContext* context, int slot)
{
    if (slot < 0 || slot >= kPresetSlotCount) return;
    LoadPresetByKey(context, PresetKey(slot, kPresetKeyPath).c_str());
}

BOOL ManagePresetSnapshots(DriverContext* context, const WCHAR* key, int mode)
{
    if (context == nullptr || context->workArea == nullptr) return FALSE;
    ContextWorkArea* work = context->workArea;
    if (mode == kSnapshotForget) {
        for (std::uint8_t*& block : work->presetSnapshots) block = nullptr;
        return FALSE;
    }
    if (mode == kSnapshotFreeAll) {
        FreeSnapshots(work);
        return FALSE;
    }
    const int slot = PresetSlotOfKey(key);
    if (slot < 0 || context->itemTable == nullptr) return FALSE;
    if (mode == kSnapshotCapture) {
        CaptureSnapshot(context, slot);
        return FALSE;
    }
    if (mode != kSnapshotRestore || work->presetSnapshots[slot] == nullptr) return FALSE;
    RestoreSnapshot(context, work->presetSnapshots[slot]);
    TellModulesOfPresetRestore(context, key);
    return TRUE;
}

// ---- quality lists ----------------------------------------------------------------------------------

int GetQualityListCount(DriverContext* context)
{
    return ReadPrinterInt(context, u"QualityCount");
}

void FormatQualityKey(WCHAR* out, int slot)
{
    CopyOut(out, u"QualityList" + Decimal(slot));
}

void LoadQualitySetName(DriverContext* context, const WCHAR* key)
{
    if (!HasWork(context) || key == nullptr) return;
    const std::u16string name = ReadPrinterText(context, std::u16string(key) + u"Name");
    SetItemString(context, FindItem(context, wdmUserSetName), name.c_str());
}

void LoadQualityListByKey(DriverContext* context, const WCHAR* key)
{
    if (!HasWork(context) || key == nullptr) return;
    LoadQualityFile(context, key, kSettingsQualityList);
    LoadQualitySetName(context, key);
}

void LoadQualityListSlot(DriverContext* context, int slot)
{
    LoadQualityListByKey(context, QualityKey(slot).c_str());
}

void SaveQualityListByKey(DriverContext* context, const WCHAR* key)
{
    if (!HasWork(context) || key == nullptr) return;
    const std::u16string path = ReadPrinterText(context, key);
    SaveSettingsFile(context->printer, path.c_str(), kSettingsQualityList, context);
}

void SaveQualityListSlot(DriverContext* context, int slot)
{
    SaveQualityListByKey(context, QualityKey(slot).c_str());
}

void LoadQualityRsqByKey(DriverContext* context, const WCHAR* key)
{
    if (!HasWork(context) || key == nullptr) return;
    const std::u16string path = ReadPrinterText(context, key);
    WCHAR copy[kPathChars] = {};
    WCHAR rsq[kPathChars] = {};
    if (BuildUserCopyPath(copy, path.c_str(), kPathChars, context) && ReplaceExtension(rsq, copy, u"rsq"))
        LoadSettingsFile(context->printer, rsq, kSettingsLanguageForm | kSettingsQualityList, context);
    LoadQualitySetName(context, key);
}

void LoadQualityFileSlot(DriverContext* context, int slot)
{
    LoadQualityRsqByKey(context, QualityKey(slot).c_str());
}

void LoadUserQualityMacro(DriverContext* context, BOOL withSetName)
{
    if (!HasWork(context) || GetItemValue(context, rdmUseUserMacro) != 1) return;
    const std::uint32_t macro = GetItemValue(context, rdmUserPrintMacro);
    const bool listed = (macro >= kUserMacroBase && macro < kUserMacroBase + 8) || macro == kUserMacroWorkingList;
    if (!listed) return;
    const std::u16string key = QualityKey(static_cast<int>(macro) - kUserMacroBase);
    LoadQualityFile(context, key.c_str(), kSettingsWorkArea | kSettingsQualityList);
    if (withSetName) LoadQualitySetName(context, key.c_str());
}

// ---- stamps -----------------------------------------------------------------------------------------

int GetStampCount(DriverContext* context)
{
    return ReadIniInt(LanguageSection(context).c_str(), u"StampCount", 0, IniPath(context));
}

BOOL SetStampCount(DriverContext* context, int count)
{
    return WriteIniString(LanguageSection(context).c_str(), u"StampCount", Decimal(count).c_str(), IniPath(context));
}

void FormatStampSection(WCHAR* out, int slot, DriverContext* context)
{
    CopyOut(out, u"Stamp" + Decimal(slot) + LanguageSection(context));
}

void LoadStampSection(DriverContext* context, const WCHAR* section)
{
    if (!HasWork(context)) return;
    LoadSection(context, section, kSettingsStamp);
}

void SaveStampSection(DriverContext* context, const WCHAR* section)
{
    if (!HasWork(context)) return;
    SaveSection(context, section, kSettingsStamp);
    ManagePresetSnapshots(context, nullptr, kSnapshotFreeAll);
}

void LoadStampSlot(DriverContext* context, int slot)
{
    if (!HasWork(context)) return;
    LoadStampSection(context, StampSection(slot, context).c_str());
    SetItemValue(context, rdmWmID, static_cast<std::uint32_t>(slot));
}

void SaveStampSlot(DriverContext* context, int slot)
{
    if (!HasWork(context)) return;
    if (slot != kWorkingStampSlot && slot >= GetStampCount(context)) SetStampCount(context, slot + 1);
    SetItemValue(context, rdmWmID, static_cast<std::uint32_t>(slot));
    SaveStampSection(context, StampSection(slot, context).c_str());
}

void ReloadSelectedStamp(DriverContext* context)
{
    if (!HasWork(context) || GetItemValue(context, rdmFuncSelectWaterMark) == 0) return;
    if (!IsAllowedValue(rdmWmKind, GetItemValue(context, rdmWmKind))) return;
    LoadStampSlot(context, static_cast<int>(GetItemValue(context, rdmWmID)));
}

// ---- custom paper sizes --------------------------------------------------------------------------

const FreeSizeItemIds& GetFreeSizeItemIds()
{
    static const FreeSizeItemIds ids = [] {
        FreeSizeItemIds table{};
        for (int slot = 0; slot < kFreeSizeSlotCount; ++slot)
            for (int field = 0; field < 4; ++field)
                table.ids[slot][field] = static_cast<std::uint16_t>(kFirstSlotItem + 4 * slot + field);
        return table;
    }();
    return ids;
}

int GetFreeSizeSlotCount(DriverContext*)
{
    return kFreeSizeSlotCount;
}
int GetFreeSizeSlotCountAlias(DriverContext* context)
{
    return GetFreeSizeSlotCount(context);
}
int GetPaperSlotTableSize(DriverContext* context)
{
    return GetFreeSizeSlotCount(context) + 2;
}

namespace {

std::uint16_t PaperIdOfRow(int row)
{
    if (row < kFreeSizeSlotCount) return static_cast<std::uint16_t>(kFirstFreeSizePaperId + row);
    return row == kFreeSizeSlotCount ? kPaperFreeSizePaperId : kPrintFreeSizePaperId;
}

}  // namespace

std::uint16_t GetPaperIdForSlot(int slot, int count, DriverContext* context)
{
    if (slot < 0 || count < slot) return 0;
    return slot < std::min(count, GetPaperSlotTableSize(context)) ? PaperIdOfRow(slot) : 0;
}

int GetSlotForPaperId(std::uint32_t paperId, DriverContext* context)
{
    for (int row = 0; row < GetPaperSlotTableSize(context); ++row)
        if (PaperIdOfRow(row) == paperId) return row;
    return 0;
}

BOOL IsFreeSizePaperId(std::uint32_t paperId)
{
    return paperId >= kFirstFreeSizePaperId && paperId < kFirstFreeSizePaperId + kFreeSizeSlotCount;
}

void FormatFreeSizeSection(WCHAR* out, int slot, DriverContext* context)
{
    CopyOut(out, u"FreeSize" + Decimal(slot) + LanguageSection(context));
}

std::u16string StampSection(int slot, DriverContext* context)
{
    WCHAR section[kListKeyChars] = {};
    FormatStampSection(section, slot, context);
    return section;
}

std::u16string FreeSizeSection(int slot, DriverContext* context)
{
    WCHAR section[kListKeyChars] = {};
    FormatFreeSizeSection(section, slot, context);
    return section;
}

int CopyFreeSizeToSlotItems(DriverContext* context, const WCHAR* section)
{
    if (!HasWork(context) || section == nullptr) return kNoSlot;
    for (int slot = 0; slot < kFreeSizeSlotCount; ++slot) {
        if (FreeSizeSection(slot, context) != section) continue;
        const std::uint16_t* items = GetFreeSizeItemIds().ids[slot];
        SetItemValue(context, items[0], GetItemValue(context, wdmFreeSizeWidth));
        SetItemValue(context, items[1], GetItemValue(context, wdmFreeSizeLength));
        SetItemValue(context, items[2], GetItemValue(context, wdmFreeSizeTray));
        SetItemValue(context, items[3], GetItemValue(context, wdmFreeSizeOrient));
        return slot;
    }
    return kNoSlot;
}

void LoadFreeSizeSection(DriverContext* context, const WCHAR* section)
{
    if (!HasWork(context)) return;
    {
        PrinterSectionSwap swap(context, section);
        ResetGroup(context, kFreeSizeGroup);
        LoadSettingsFile(context->printer, IniPath(context), kSettingsFreeSize, context);
    }
    CopyFreeSizeToSlotItems(context, section);
}

void LoadSrcFreeSizeSection(DriverContext* context, const WCHAR* section)
{
    if (!HasWork(context)) return;
    PrinterSectionSwap swap(context, section);
    ResetGroup(context, kSrcFreeSizeGroup);
    LoadSettingsFile(context->printer, IniPath(context), kSettingsSrcFreeSize, context);
}

void SaveFreeSizeSection(DriverContext* context, const WCHAR* section)
{
    if (!HasWork(context)) return;
    SaveSection(context, section, kSettingsFreeSize);
    CopyFreeSizeToSlotItems(context, section);
}

void LoadFreeSizeSlot(DriverContext* context, int slot)
{
    LoadFreeSizeSection(context, FreeSizeSection(slot, context).c_str());
}

void LoadSrcFreeSizeSlot(DriverContext* context, int slot)
{
    LoadSrcFreeSizeSection(context, FreeSizeSection(slot, context).c_str());
}

void SaveFreeSizeSlot(DriverContext* context, int slot)
{
    SaveFreeSizeSection(context, FreeSizeSection(slot, context).c_str());
}

void CacheFreeSizeSlot(DriverContext* context, int row)
{
    CacheGroup(context, row, kFreeSizeGroup);
}
void CacheSrcFreeSizeSlot(DriverContext* context, int row)
{
    CacheGroup(context, row, kSrcFreeSizeGroup);
}
void SelectFreeSizeSlot(DriverContext* context, int row)
{
    SelectGroup(context, row, kFreeSizeGroup);
}
void SelectSrcFreeSizeSlot(DriverContext* context, int row)
{
    SelectGroup(context, row, kSrcFreeSizeGroup);
}

void CopyCachedRowToSlotItems(DriverContext* context, int row)
{
    const PaperSizeRow* cached = RowOf(context, row);
    if (cached == nullptr || row >= kFreeSizeSlotCount) return;
    const std::uint16_t* items = GetFreeSizeItemIds().ids[row];
    SetItemValue(context, items[0], cached->width);
    SetItemValue(context, items[1], cached->length);
    SetItemValue(context, items[2], cached->tray);
    SetItemValue(context, items[3], cached->orientation);
}

void CachePrintFreeSize(DriverContext* context, std::uint32_t paperId, int row)
{
    PaperSizeRow* cached = RowOf(context, row);
    if (cached == nullptr) return;
    for (const PrintFreeSizeRow& fixed : kPrintFreeSizeRows) {
        if (fixed.paperId != paperId) continue;
        cached->width = GetItemOption(context, fixed.width);
        cached->length = GetItemOption(context, fixed.length);
        cached->tray = static_cast<std::uint16_t>(GetItemValue(context, fixed.tray));
        cached->orientation = static_cast<std::uint16_t>(GetItemValue(context, fixed.orient));
        WCHAR name[kRowWideNameChars] = {};
        LoadUiString(context, fixed.nameString, name, kRowWideNameChars, TRUE);
        std::memcpy(cached->displayName, name, sizeof(name));
        return;
    }
}

void LoadAllFreeSizeSlotsOnce(DriverContext* context)
{
    if (!HasWork(context) || (GetUiFlags(context) & kUiFlagFreeSizesLoaded)) return;
    PushSettingsSnapshot(context);
    for (int slot = 0; slot < kFreeSizeSlotCount; ++slot) {
        LoadFreeSizeSlot(context, slot);
        CacheFreeSizeSlot(context, slot);
    }
    PopSettingsSnapshot(context, TRUE);
    for (int slot = 0; slot < kFreeSizeSlotCount; ++slot) CopyCachedRowToSlotItems(context, slot);
    RaiseUiFlags(context, kUiFlagFreeSizesLoaded);
}

// ---- the default section -----------------------------------------------------------------------

BOOL LoadDefaultSection(DriverContext* context)
{
    if (!HasWork(context)) return FALSE;
    const std::u16string section = DefaultSection(context);
    ContextWorkArea* work = context->workArea;
    const WCHAR* machineKey = GetItemName(context, rdmMachineID);
    ReadIniString(section.c_str(), machineKey ? machineKey : u"", u"", work->scratchText, kNameChars + 1,
                  IniPath(context));
    if (work->scratchText[0] == 0) return FALSE;
    LoadSection(context, section.c_str(), kSettingsLoad);
    TransferPrinterSide(context, section, kPrinterSideLoad);
    return TRUE;
}

BOOL SaveDefaultSection(DriverContext* context)
{
    if (!HasWork(context)) return FALSE;
    const std::u16string section = DefaultSection(context);
    SaveSection(context, section.c_str(), kSettingsWrite);
    TransferPrinterSide(context, section, kPrinterSideWrite);
    return TRUE;
}

BOOL RefreshDefaultSection(DriverContext* context)
{
    if (!HasWork(context) || context->store == nullptr || context->workArea->defaultStore == nullptr) return FALSE;
    std::vector<std::uint8_t> kept(context->store->bytes, context->store->bytes + kSettingsStoreSize);
    std::uint8_t* defaults = context->workArea->defaultStore;
    if (!LoadDefaultSection(context)) {
        ReadLockDefaultData(context->printer, context);
        std::memcpy(context->store->bytes, defaults, kSettingsStoreSize);
        for (const ItemRange& range : kDefaultValidationRanges) ValidateItemRange(context, range.first, range.last);
    }
    std::memcpy(defaults, context->store->bytes, kSettingsStoreSize);
    WriteLockDefaultData(context->printer, context);
    SaveDefaultSection(context);
    std::memcpy(context->store->bytes, kept.data(), kSettingsStoreSize);
    return TRUE;
}

void ValidateItemRange(DriverContext* context, std::uint16_t first, std::uint16_t last)
{
    for (std::uint32_t id = first; id <= last; ++id) {
        SettingItemDescriptor* item = FindItem(context, static_cast<std::uint16_t>(id));
        if (item) ValidateItemOrReset(item->id, ReadItemValue(context, item), context);
    }
}

// ---- small queries --------------------------------------------------------------------------------

void ReadChapterLimits(DriverContext* context)
{
    if (!HasWork(context)) return;
    // The limits are kept under their item names in the printer's section;
    // a value from the file is held to a range the chapter list can take.
    // Without one the model description's limit is in force (0 for a model
    // whose description has none), so a printer nobody configured still
    // takes the chapters its model allows.
    constexpr int kMostChapters = 999;
    for (std::uint16_t id : {wdmChapterMax, wdmChapterTrayMax}) {
        const SettingItemDescriptor* item = FindItem(context, id);
        const WCHAR* key = item ? (item->key ? item->key : GetItemName(context, id)) : nullptr;
        const int modelLimit = std::clamp(static_cast<std::int32_t>(GetUiDefaultValue(id, context)), 0, kMostChapters);
        const int limit =
            key ? std::clamp(ReadIniInt(PrinterSection(context).c_str(), key, modelLimit, IniPath(context)), 0,
                             kMostChapters)
                : 0;
        SetItemValue(context, id, static_cast<std::uint32_t>(limit));
    }
}

void ReadPrintNotificationSupport(DriverContext* context, std::uint32_t flags)
{
    if (!HasWork(context)) return;
    WCHAR path[kPathChars] = {};
    BuildSystemDirPath(path, kPathChars, kPrintNotificationLibrary);
    HMODULE library = path[0] ? LoadLibraryW(path) : nullptr;
    const bool answered = library && AskNotificationLibrary(context, library, flags);
    if (!answered) SetNotificationPair(context, rdmSupportFunc2SelectJobComplete, rdmSupportFunc2SelectJobErr, 0);
    if (library) FreeLibrary(library);
}

std::uint32_t HundredthsInchToTenthsMm(std::uint32_t value)
{
    std::uint64_t result = static_cast<std::uint64_t>(value) * 254 / 100;
    while (result * 100 / 254 < value) ++result;
    // A value whose conversion does not fit stays at the largest one.
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(result, 0xFFFFFFFFu));
}

std::uint32_t TenthsMmToHundredthsInch(std::uint32_t value)
{
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) * 100 / 254);
}

BOOL IsCustomPaperInAltUnit(DriverContext* context)
{
    return GetItemValue(context, dmPaperSize) == kPaperFreeSizePaperId && !IsMetricUnit(context);
}

BOOL IsCollateSelectable(DriverContext* context)
{
    std::int32_t count = 0;
    if (ListAllowedItemValues(context, rdmSortType, 0, nullptr, &count) != 1 || count <= 0) return FALSE;
    std::vector<std::uint32_t> values(static_cast<std::size_t>(count), 0);
    if (ListAllowedItemValues(context, rdmSortType, static_cast<std::uint32_t>(count), values.data(), &count) != 0)
        return FALSE;
    return !(count == 1 && values[0] == 0);
}

std::uint32_t GetCustomFunctionValue(DriverContext* context, std::uint16_t itemId)
{
    if (itemId < wdmCustomFunc0 || itemId > wdmCustomFunc0 + 31) return 0;
    return GetItemValue(context, itemId);
}

BOOL IsTrayLimitOverrideOn()
{
    return IsBuildFeatureOn(kFeatureTrayLimitOverride);
}

model::BlockOffset FindUiEntryForSymbol(DriverContext* context, std::uint16_t symbolKey)
{
    return FindUiEntryByKey(symbolKey, context);
}

model::BlockOffset NextPickOption(DriverContext* context, model::BlockOffset entry, model::BlockOffset option)
{
    if (context == nullptr || entry == 0 || option == 0) return 0;
    const std::uint16_t type = ReadContextUiEntry(context, entry).type;
    const std::uint16_t kind = type & 0xFF;
    if (kind != 1 && kind != 2) return 0;
    return model::ReadUiOption(context->compiledModel, option, type).next;
}

BOOL IsUiJudgeTrue(DriverContext* context, std::uint16_t symbolKey)
{
    if (symbolKey == 0) return FALSE;
    const model::BlockOffset entry = FindUiEntryForSymbol(context, symbolKey);
    if (entry == 0) return FALSE;
    return IsUiOptionUnavailable(entry, 0, context) ? TRUE : FALSE;
}

BOOL PrepareModuleData(DriverContext* context)
{
    std::uint32_t answer = 1;
    NotifySettingsModules(context, kModuleEventPrepareModuleData, &answer);
    return answer ? TRUE : FALSE;
}

void SetTrayOrientItem(std::uint16_t, std::uint16_t itemId, std::uint32_t value, DriverContext* context)
{
    SetItemValue(context, itemId, value);
}

}  // namespace vexl
