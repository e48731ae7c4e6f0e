// The item pass of settings files: section choice, header, the item group
// of the kind flags, and the transfer of each item under its item name.
#include "common/storage/settings_files.h"

#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/process.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/persistence.h"

#include <algorithm>
#include <string>
#include <vector>

namespace vexl {
namespace {

// Item groups of the descriptors' state bits.
constexpr std::uint16_t kPresetItemBits = 0x0C;
constexpr std::uint16_t kQualityItemBits = 0x30;
constexpr std::uint16_t kStampItemBits = 0xC0;
constexpr std::uint16_t kStampItemMark = 0x40;

// Items 1022 to 1032 travel with stamps; a stamp pass makes them stamp items.
constexpr std::uint16_t kFirstStampExtraItem = 1022;
constexpr std::uint16_t kLastStampExtraItem = 1032;

// The part of the item table that files carry, and the run of private
// run-time items and judges that no file carries.
constexpr std::uint16_t kLastFileItem = 1248;
constexpr std::uint16_t kFirstRunTimeItem = 697;
constexpr std::uint16_t kLastJudgeItem = 914;
constexpr std::uint16_t kLastUnnamedItem = 34;
constexpr std::uint16_t kLastDevmodeHeaderItem = 5;

constexpr std::uint16_t kNoVersion = 0xFFFF;

constexpr std::uint16_t kFreeSizeItems[] = {wdmFreeSizeName, wdmFreeSizeWidth, wdmFreeSizeLength, wdmFreeSizeTray,
                                            wdmFreeSizeOrient};
constexpr std::uint16_t kSrcFreeSizeItems[] = {wdmSrcFreeSizeName, wdmSrcFreeSizeWidth, wdmSrcFreeSizeLength,
                                               wdmSrcFreeSizeTray, wdmSrcFreeSizeOrient};

// Secrets that no file ever holds.
constexpr std::uint16_t kSecretItems[] = {wdmAuthenticationPassword, wdmAuthenticationPassword + 1,
                                          wdmAuthenticationPassword + 2, wdmChkAuthenticationNetworkKey};
// Job texts that presets neither load nor (with rdmDiskSpace) write.
constexpr std::uint16_t kJobTextItems[] = {rdmJOBPassword,        rdmStoredPassword,       rdmPausePrintFileName,
                                           rdmSavePrintFileName,  rdmSavePrintPassword,    rdmPrintAndSavePassword,
                                           rdmPrintAndSaveFileName};

bool IsListed(std::uint16_t id, const std::uint16_t* first, const std::uint16_t* last)
{
    return std::find(first, last, id) != last;
}
template <std::size_t N>
bool IsListed(std::uint16_t id, const std::uint16_t (&list)[N])
{
    return IsListed(id, list, list + N);
}

bool InRange(std::uint16_t id, std::uint16_t first, std::uint16_t last) { return id >= first && id <= last; }

// The font tables never travel in a settings file: written as 0, never read.
bool IsFontTableItem(std::uint16_t id) { return InRange(id, rdmFontTableNum, rdmOptionFont); }

bool IsPresetLoadItem(std::uint16_t id)
{
    return id > kLastDevmodeHeaderItem && !InRange(id, kFirstRunTimeItem, kLastJudgeItem) && !InRange(id, 1249, 1542) &&
           !InRange(id, 10001, 10434) && !IsListed(id, kJobTextItems);
}

bool IsPresetSaveItem(std::uint16_t id) { return id != 0 && id != rdmDiskSpace && !IsListed(id, kJobTextItems); }

bool IsPlainLoad(std::uint32_t flags) { return flags == kSettingsLoad; }
bool IsPlainWrite(std::uint32_t flags) { return flags == kSettingsWrite; }

// Whether the item stays out of the pass that flags describe.
bool IsSkipped(const SettingItemDescriptor& item, std::uint32_t flags)
{
    const std::uint16_t id = item.id;
    const bool load = (flags & kSettingsLoad) != 0;
    if ((flags & kSettingsPreset) && load && !(item.stateBits & kPresetItemBits)) return true;
    if ((flags & kSettingsQualityList) && !(item.stateBits & kQualityItemBits)) return true;
    if (flags & kSettingsStamp) {
        if (!(item.stateBits & kStampItemBits)) return true;
    } else if (!load && InRange(id, kFirstStampExtraItem, kLastStampExtraItem)) {
        return true;
    }
    if ((flags & kSettingsInstallFile) && id <= kLastDevmodeHeaderItem) return true;
    if ((flags & kSettingsWorkArea) && ItemArea(item) != kAreaWork) return true;
    if (IsPlainLoad(flags) &&
        (!IsPresetLoadItem(id) || id == rdmSupportFunc2SelectJobComplete || id == rdmSupportFunc2SelectJobErr))
        return true;
    if (IsListed(id, kSecretItems)) return true;
    if ((flags & kSettingsInstallFile) && (id == rdmFunc2SelectJobComplete || id == rdmFunc2SelectJobErr ||
                                           id == rdmSupportFunc2SelectJobComplete || id == rdmSupportFunc2SelectJobErr))
        return true;
    if (IsPlainWrite(flags) && !IsPresetSaveItem(id)) return true;
    return item.side == nullptr || (item.side->name == nullptr && id > kLastUnnamedItem);
}

// The key of an item in a file: its name, or its decimal id for the
// unnamed DEVMODE items.
std::u16string KeyOf(const SettingItemDescriptor& item)
{
    if (item.side && item.side->name) return item.side->name;
    const std::string digits = std::to_string(item.id);
    return std::u16string(digits.begin(), digits.end());
}

// The descriptors of the pass, in item-table order (the five size items for
// the custom-size kinds).
std::vector<SettingItemDescriptor*> ItemsOfPass(DriverContext* context, std::uint32_t flags)
{
    std::vector<SettingItemDescriptor*> items;
    const std::uint16_t* sizes = (flags & kSettingsSrcFreeSize) ? kSrcFreeSizeItems
                                 : (flags & kSettingsFreeSize) ? kFreeSizeItems
                                                                : nullptr;
    if (sizes) {
        for (int i = 0; i < 5; ++i)
            if (SettingItemDescriptor* item = FindItem(context, sizes[i])) items.push_back(item);
        return items;
    }
    ItemTable* table = context->itemTable;
    for (int i = 0; table && i < table->count; ++i) {
        SettingItemDescriptor& item = table->items[i];
        if (item.id == 0 || item.id > kLastFileItem || InRange(item.id, kFirstRunTimeItem, kLastJudgeItem)) continue;
        if ((flags & kSettingsStamp) && InRange(item.id, kFirstStampExtraItem, kLastStampExtraItem))
            item.stateBits |= kStampItemMark;
        if (!IsSkipped(item, flags)) items.push_back(&item);
    }
    return items;
}

// The section of the pass, sanitised.
std::u16string SectionOfPass(DriverContext* context, std::uint32_t flags)
{
    const bool load = (flags & kSettingsLoad) != 0;
    const WCHAR* name = GetPrinterSectionName(context);
    if ((flags & kSettingsLanguageForm) ? load : (load && (flags & kSettingsInstallFile)))
        name = CopyLanguageCode(context);
    std::u16string section = name ? name : u"";
    SanitizeIniSection(section.data());
    return section;
}

bool IsSizeOrStampKind(std::uint32_t flags) { return (flags & (kSettingsStamp | kSettingsFreeSize)) != 0; }
bool HasNoHeader(std::uint32_t flags)
{
    return !IsSizeOrStampKind(flags) && (flags & (kSettingsSrcFreeSize | kSettingsInstallFile)) != 0;
}

std::uint16_t ModelVersion(DriverContext* context)
{
    return static_cast<std::uint16_t>(context->modelRecord ? context->modelRecord->privateVersion : 0);
}
std::uint32_t MachineFamily(DriverContext* context)
{
    return context->modelRecord ? context->modelRecord->machineFamily : 0;
}

void AppendNumber(IniSectionText* text, const WCHAR* key, std::uint32_t value)
{
    const std::string digits = std::to_string(value);
    const std::u16string wide(digits.begin(), digits.end());
    AppendIniKeyValue(text, key, wide.c_str());
}

void WriteHeader(DriverContext* context, IniSectionText* text, std::uint32_t flags)
{
    if (HasNoHeader(flags)) return;
    AppendNumber(text, u"RstVersion", ModelVersion(context));
    if (IsSizeOrStampKind(flags)) return;
    AppendNumber(text, u"RstMachine", MachineFamily(context));
    AppendNumber(text, u"RstLanguage", GetItemValue(context, rdmLanguageID));
    AppendNumber(text, u"RstOSKind", GetItemValue(context, rdmOSKind));
}

int ReadHeaderKey(const WCHAR* key, const char* section)
{
    std::int32_t position = 0;
    return ReadIniIntFromText(key, kNoVersion, section, &position);
}

bool IsHeaderAccepted(DriverContext* context, const char* section, std::uint32_t flags)
{
    if (HasNoHeader(flags) || (flags & kSettingsLanguageForm)) return true;
    const int version = section ? ReadHeaderKey(u"RstVersion", section) : kNoVersion;
    const bool sameVersion = SameVersionMajor(static_cast<std::uint16_t>(version), ModelVersion(context));
    if (IsSizeOrStampKind(flags)) return version == kNoVersion || sameVersion;
    if (section == nullptr || version == kNoVersion) return false;
    const int machine = ReadHeaderKey(u"RstMachine", section);
    const int language = ReadHeaderKey(u"RstLanguage", section);
    return sameVersion && machine != kNoVersion && static_cast<std::uint32_t>(machine) == MachineFamily(context) &&
           language != kNoVersion && static_cast<std::uint32_t>(language) == GetItemValue(context, rdmLanguageID);
}

// Points the item's key at name for one call and puts it back.
class ItemKeyScope {
public:
    ItemKeyScope(SettingItemDescriptor* item, const WCHAR* name) : item_(item), key_(item->key) { item_->key = name; }
    ~ItemKeyScope() { item_->key = key_; }
    ItemKeyScope(const ItemKeyScope&) = delete;
    ItemKeyScope& operator=(const ItemKeyScope&) = delete;

private:
    SettingItemDescriptor* item_;
    const WCHAR* key_;
};

void MarkItemRead(DriverContext* context, SettingItemDescriptor* item)
{
    item->stateBits = static_cast<std::uint16_t>((item->stateBits & ~kItemChangeMarkMask) | 1);
    context->workArea->settingsModified = 1;
}

BOOL LoadItems(HANDLE, const WCHAR* path, std::uint32_t flags, DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr || !IsAbsolutePath(path)) return FALSE;
    SetSettingsFileError(context, kSettingsFileAccepted);
    LockSettingsMutex(context);
    char* text = ReadWholeTextFile(path, FALSE);
    if (text == nullptr) {
        UnlockSettingsMutex(context);
        SetSettingsFileError(context, kSettingsFileUnreadable);
        return FALSE;
    }
    const std::u16string sectionName = SectionOfPass(context, flags);
    const char* section = FindIniSectionInText(sectionName.c_str(), text);
    BOOL result = TRUE;
    if (!IsHeaderAccepted(context, section, flags)) {
        SetSettingsFileError(context, kSettingsFileHeaderRefused);
    } else {
        std::int32_t position = 0;
        for (SettingItemDescriptor* item : ItemsOfPass(context, flags)) {
            const std::u16string key = KeyOf(*item);
            ItemKeyScope scope(item, key.c_str());
            if (section && LoadItemFromIni(context, item, path, section, &position)) {
                MarkItemRead(context, item);
            } else {
                result = FALSE;
            }
        }
        if (IsPlainLoad(flags)) SetItemValue(context, rdmPresetNo, 255);
    }
    FreeTextBuffer(text);
    UnlockSettingsMutex(context);
    return result;
}

}  // namespace

BOOL SameVersionMajor(std::uint16_t a, std::uint16_t b) { return a / 100 == b / 100; }

BOOL LoadSettingsFile(HANDLE printer, const WCHAR* path, std::uint32_t flags, DriverContext* context)
{
    return LoadItems(printer, path, (flags | kSettingsLoad) & ~kSettingsWrite, context);
}

BOOL SaveSettingsFile(HANDLE, const WCHAR* path, std::uint32_t flags, DriverContext* context)
{
    if (context == nullptr || context->workArea == nullptr || !IsAbsolutePath(path)) return FALSE;
    flags = (flags | kSettingsWrite) & ~kSettingsLoad;
    SetSettingsFileError(context, kSettingsFileAccepted);
    const std::u16string sectionName = SectionOfPass(context, flags);
    IniSectionText text;
    AppendIniSectionHeader(&text, sectionName.c_str());
    WriteHeader(context, &text, flags);
    for (SettingItemDescriptor* item : ItemsOfPass(context, flags)) {
        const std::u16string key = KeyOf(*item);
        ItemKeyScope scope(item, key.c_str());
        StoreItemToIni(context, item, path, &text);
    }
    LockSettingsMutex(context);
    const BOOL result = RewriteIniSection(context, path, sectionName.c_str(), text.bytes.data(),
                                          static_cast<std::uint32_t>(text.bytes.size()));
    UnlockSettingsMutex(context);
    return result;
}

void TransferItemRange(const WCHAR* path, std::uint32_t flags, DriverContext* context, const WCHAR* section,
                       std::uint16_t first, std::uint16_t last)
{
    if (context == nullptr || section == nullptr) return;
    const bool write = (flags & kSettingsWrite) != 0;
    for (std::uint32_t id = first; id <= last; ++id) {
        if ((flags & kSettingsInstallFile) && InRange(static_cast<std::uint16_t>(id), 10001, 10003)) continue;
        SettingItemDescriptor* item = FindItem(context, static_cast<std::uint16_t>(id));
        if (item == nullptr || item->side == nullptr || item->side->name == nullptr) continue;
        if (IsFontTableItem(item->id)) {
            if (write) WriteIniString(section, item->side->name, u"0", path);
            continue;
        }
        const WCHAR* savedSection = item->iniSection;
        item->iniSection = section;
        {
            ItemKeyScope scope(item, item->side->name);
            if (write) {
                StoreItemToIni(context, item, path, nullptr);
            } else {
                LoadItemFromIni(context, item, path, nullptr, nullptr);
            }
        }
        item->iniSection = savedSection;
    }
}

}  // namespace vexl
