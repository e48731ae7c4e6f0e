// The settings-lock module: lock work items, lock queries and the locked
// values in presets and quality lists.
#include "common/storage/module_locks.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/model/resolution.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/persistence.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace vexl {
namespace {

constexpr int kFilePathChars = 260;
constexpr int kValueChars = 1025;
constexpr int kMostListedFiles = 16;
constexpr std::uint16_t kCommandCopyLocks = 312;

std::u16string Ascii(const std::string& text)
{
    return std::u16string(text.begin(), text.end());
}

std::u16string PrinterSection(DriverContext* context)
{
    const WCHAR* name = GetPrinterSectionName(context);
    std::u16string section = name ? name : u"";
    SanitizeIniSection(section.data());
    return section;
}

// The key of an item in a settings file: its name, or its decimal id.
std::u16string KeyOf(DriverContext* context, std::uint16_t id)
{
    const WCHAR* name = GetItemName(context, id);
    return name ? std::u16string(name) : Ascii(std::to_string(id));
}

// The item's value as a settings file writes it.
std::u16string ValueText(DriverContext* context, std::uint16_t id)
{
    SettingItemDescriptor* item = nullptr;
    const std::uint32_t value = GetItemValue(context, id, &item);
    if (!item) return u"";
    const std::uint32_t code = ItemTypeCode(*item);
    if (code >= kValueBit0 && code <= kValueBitLast) return value ? u"1" : u"0";
    if (code == kValueUInt8 || code == kValueUInt16 || code == kValueUInt32) return Ascii(std::to_string(value));
    return Ascii(std::to_string(static_cast<std::int32_t>(value)));
}

// One file of a pass: its path and the printer's section in it.
struct LockFile {
    const WCHAR* path;
    std::u16string section;

    std::u16string Read(const std::u16string& key) const
    {
        std::vector<WCHAR> value(kValueChars, 0);
        ReadIniString(section.c_str(), key.c_str(), u"", value.data(), kValueChars, path);
        return value.data();
    }
    void Write(const std::u16string& key, const std::u16string& value) const
    {
        WriteIniString(section.c_str(), key.c_str(), value.c_str(), path);
    }
    void Remove(const std::u16string& key) const { WriteIniString(section.c_str(), key.c_str(), nullptr, path); }
};

// A key whose value follows another key's lock.
struct Companion {
    std::u16string key;
    std::u16string lockedValue;
};

void LockCompanion(const LockFile& file, const Companion& companion)
{
    const std::u16string saveKey = companion.key + kLockKeySuffix;
    const std::u16string value = file.Read(companion.key);
    if (!value.empty() && file.Read(saveKey).empty()) file.Write(saveKey, value);
    if (value != companion.lockedValue) file.Write(companion.key, companion.lockedValue);
}

void UnlockCompanion(const LockFile& file, const Companion& companion)
{
    const std::u16string saveKey = companion.key + kLockKeySuffix;
    const std::u16string saved = file.Read(saveKey);
    if (saved.empty()) return;
    if (saved != file.Read(companion.key)) file.Write(companion.key, saved);
    file.Remove(saveKey);
}

// The lock rule for one key of one file; false when the file has no value
// for the key (it is then left alone).
bool ApplyLockRule(const LockFile& file, const std::u16string& key, const std::u16string& current, bool locked,
                   const std::vector<Companion>& companions)
{
    const std::u16string saveKey = key + kLockKeySuffix;
    const std::u16string value = file.Read(key);
    const std::u16string saved = file.Read(saveKey);
    if (locked) {
        if (value.empty()) return false;
        if (saved.empty()) file.Write(saveKey, value);
        if (value != current) {
            file.Write(key, current);
            for (const Companion& companion : companions) LockCompanion(file, companion);
        }
        return true;
    }
    // The file's own value comes back whenever it differs from what the
    // lock left there; only then is the saved copy dropped.
    if (!saved.empty()) {
        if (saved != value) file.Write(key, saved);
        for (const Companion& companion : companions) UnlockCompanion(file, companion);
        file.Remove(saveKey);
    }
    return !value.empty();
}

// The files of a list ("PresetList%d" or "QualityList%d") in the printer's
// section of the settings INI.
std::vector<std::u16string> ListedFiles(DriverContext* context, bool qualityLists)
{
    const int count =
        std::clamp(qualityLists ? GetQualityListCount(context) : GetPresetCount(context), 0, kMostListedFiles);
    const std::u16string section = PrinterSection(context);
    std::vector<std::u16string> files;
    for (int slot = 0; slot < count; ++slot) {
        WCHAR key[kListKeyChars] = {};
        if (qualityLists)
            FormatQualityKey(key, slot);
        else
            FormatPresetKey(key, slot, kPresetKeyPath);
        WCHAR path[kFilePathChars] = {};
        ReadIniString(section.c_str(), key, u"", path, kFilePathChars, GetSettingsIniPath(context));
        if (path[0]) files.emplace_back(path);
    }
    return files;
}

bool IsLockOn(DriverContext* context, std::uint16_t bitItem)
{
    return GetItemValue(context, bitItem) != 0;
}

void ApplyLockToFiles(DriverContext* context, const std::vector<std::u16string>& files, std::uint16_t itemId,
                      bool locked)
{
    for (const std::u16string& path : files) ApplyLockToFile(context, path.c_str(), itemId, locked);
}

struct PresetLock {
    std::uint16_t bitItem;
    std::uint16_t items[3];
};
constexpr PresetLock kPresetLocks[] = {
    {rdmLock000InfoBitTray, {dmDefaultSource}},
    {rdmLock000InfoBitMedia, {rdmMediaType}},
    {rdmLock000InfoBitNupKind, {rdmFuncSelectNup, rdmNUPPOSTKind, rdmNUPType}},
    {rdmLock000InfoBitDuplex, {rdmFuncSelectDuplex, rdmDuplexType}},
    {rdmLock000InfoBitPrintType, {rdmPrnMethod}},
    {rdmLock001InfoBitColor, {dmColor}},
};

}  // namespace

void CopyLockValuesToLockItems(DriverContext* context)
{
    static constexpr struct {
        std::uint16_t lockItem;
        std::uint16_t source;
    } kCopies[] = {
        {wdmLock001Info, dmDefaultSource},          {wdmLock002Info, rdmMediaType},
        {wdmLock003Info, rdmNUPPOSTKind},           {wdmLock006Info, rdmPrnMethod},
        {wdmLock007Info, rdmLockDstResolutionBoth}, {wdmLock008Info, dmColor},
    };
    for (const auto& copy : kCopies) SetItemValue(context, copy.lockItem, GetItemValue(context, copy.source));
}

std::uint16_t FindItemOfLockQuery(std::uint16_t query)
{
    for (const ItemQueryEntry* row = GetItemQueryTable(); row && row->queryCode != 0; ++row)
        if (row->queryCode == query) return row->itemId;
    return 0;
}

BOOL ResetItemToDefaultByQuery(DriverContext* context, std::uint16_t query)
{
    const std::uint16_t id = FindItemOfLockQuery(query);
    if (id == 0) return FALSE;
    SettingItemDescriptor* item = FindItem(context, id);
    if (!item) return TRUE;
    const std::uint32_t code = ItemTypeCode(*item);
    const bool numeric = (code >= kValueInt8 && code <= kValueUInt32) || code >= kValueBit0;
    if (numeric) {
        WriteItemValue(context, item, ReadDefaultItemValue(context, item));
    } else if (const std::uint8_t* saved = GetDefaultItemAddress(context, item)) {
        WriteItemBytes(context, item, saved, ItemLength(*item));
    }
    return TRUE;
}

BOOL ApplyLockToFile(DriverContext* context, const WCHAR* file, std::uint16_t itemId, BOOL locked)
{
    if (!context || !file || !file[0]) return FALSE;
    const LockFile lockFile{file, PrinterSection(context)};
    return ApplyLockRule(lockFile, KeyOf(context, itemId), ValueText(context, itemId), locked != 0, {}) ? TRUE : FALSE;
}

void WriteLockedValuesToPresets(DriverContext* context)
{
    if (!context || !context->workArea) return;
    const std::vector<std::u16string> files = ListedFiles(context, false);
    for (const PresetLock& lock : kPresetLocks) {
        const bool locked = IsLockOn(context, lock.bitItem);
        for (std::uint16_t id : lock.items)
            if (id != 0) ApplyLockToFiles(context, files, id, locked);
    }
}

void WriteLockedResolutionToPresets(DriverContext* context)
{
    if (!context || !context->workArea) return;
    const std::vector<std::u16string> files = ListedFiles(context, true);
    const bool locked = IsLockOn(context, rdmLock000InfoBitResolution);
    // With the lock on, the width and height follow the resolution's table
    // entry; an unknown resolution leaves them alone.
    std::vector<Companion> companions;
    const ResolutionEntry* entry =
        FindResolutionEntry(static_cast<std::uint16_t>(GetItemValue(context, rdmDstResolutionBoth)));
    if (!locked || entry) {
        companions.push_back({KeyOf(context, rdmDstResolutionW), entry ? Ascii(std::to_string(entry->xDpi)) : u""});
        companions.push_back({KeyOf(context, rdmDstResolutionH), entry ? Ascii(std::to_string(entry->yDpi)) : u""});
    }
    const std::u16string section = PrinterSection(context);
    const std::u16string key = KeyOf(context, rdmDstResolutionBoth);
    const std::u16string current = ValueText(context, rdmDstResolutionBoth);
    for (const std::u16string& path : files) {
        const LockFile file{path.c_str(), section};
        if (ApplyLockRule(file, key, current, locked, companions)) continue;
        // A list without the combined resolution: width and height are
        // locks of their own, in every file.
        ApplyLockToFiles(context, files, rdmDstResolutionW, locked);
        ApplyLockToFiles(context, files, rdmDstResolutionH, locked);
        return;
    }
}

int LockModuleCommand(DriverContext* context, std::uint16_t command, void*)
{
    if (command == kCommandCopyLocks) {
        CopyLockValuesToLockItems(context);
        return 1;
    }
    if (command < kFirstLockQuery || command > kLastLockQuery) return 0;
    if (GetItemValue(context, rdmLock000InfoBitDefault) == 0) return 0;
    return ResetItemToDefaultByQuery(context, command) ? 1 : 0;
}

int LockModuleEvent(DriverContext* context, std::uint32_t event, void*, void*)
{
    switch (event) {
    case kModuleEventLockPresets:
        WriteLockedValuesToPresets(context);
        return 1;
    case kModuleEventLockQualityLists:
        WriteLockedResolutionToPresets(context);
        return 1;
    default:
        return 0;
    }
}

}  // namespace vexl
