// Settings files: section choice, header, the lock test, the item group of
// the kind flags, the transfer of each item under its item name, and the
// work around a load or a write that keeps the lists, the printer-side
// export and the user copies in step with the files.
#include "common/storage/settings_files.h"

#include "common/core/appservices.h"
#include "common/core/devmode_merge.h"
#include "common/core/devmode_public.h"
#include "common/core/item_layout.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/module_events.h"
#include "common/core/paper_sync.h"
#include "common/core/process.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/units.h"
#include "common/model/ui_lookup.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/persistence.h"
#include "platform/devmode.h"
#include "platform/inifile.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace vexl {
namespace {

// Item groups of the descriptors' state bits.
constexpr std::uint16_t kPresetItemBits = 0x0C;
constexpr std::uint16_t kQualityItemBits = 0x30;
constexpr std::uint16_t kStampItemBits = 0xC0;
constexpr std::uint16_t kStampItemMark = 0x40;

// Items 1022 to 1032 travel with stamps; a stamp pass makes them stamp items.
constexpr std::uint16_t kFirstStampExtraItem = kStampExtraItems.first;
constexpr std::uint16_t kLastStampExtraItem = kStampExtraItems.last;

// The part of the item table that files carry, and the run of private
// run-time items and judges that no file carries.
constexpr std::uint16_t kLastFileItem = kFileItems.last;
constexpr std::uint16_t kFirstRunTimeItem = kRunTimeItems.first;
constexpr std::uint16_t kLastRunTimeItem = kRunTimeItems.last;
constexpr std::uint16_t kFirstJudgeItem = kFinishingJudgeItems.first;
constexpr std::uint16_t kLastJudgeItem = kFinishingJudgeItems.last;
constexpr std::uint16_t kLastUnnamedItem = kPublicDevmodeItems.last;
constexpr std::uint16_t kLastDevmodeHeaderItem = 5;

// The printer-side items, with the user codes first.
constexpr std::uint16_t kFirstPrinterItem = kPrinterItems.first;
constexpr std::uint16_t kLastUserCodeItem = kUserCodeItems.last;
constexpr std::uint16_t kLastPrinterItem = kPrinterItems.last;
constexpr std::uint16_t kFirstPrinterNameItem = kPrinterNameItems.first;
constexpr std::uint16_t kLastPrinterNameItem = kPrinterNameItems.last;
constexpr std::uint16_t kFirstLockItem = kLockItems.first;

constexpr std::uint16_t kNoVersion = 0xFFFF;
constexpr std::uint16_t kFirstConvertedVersion = 300;
constexpr std::uint32_t kUnsetPresetNo = 255;
constexpr std::uint32_t kLoadMergeFlags = kMergeNoReload | kMergeFromCaller;
// Administrator locks (optional behaviour class 2).
constexpr std::uint16_t kLockFeatureClass = 2;
constexpr int kSectionBufferChars = 30720;
constexpr int kValueChars = 261;
constexpr std::uint32_t kUserMacroBase = 32;
constexpr std::uint32_t kUserMacroCount = 8;

constexpr std::uint16_t kFreeSizeItems[] = {wdmFreeSizeName, wdmFreeSizeWidth, wdmFreeSizeLength, wdmFreeSizeTray,
                                            wdmFreeSizeOrient};
constexpr std::uint16_t kSrcFreeSizeItems[] = {wdmSrcFreeSizeName, wdmSrcFreeSizeWidth, wdmSrcFreeSizeLength,
                                               wdmSrcFreeSizeTray, wdmSrcFreeSizeOrient};

// Secrets that no file ever holds.
constexpr std::uint16_t kSecretItems[] = {wdmAuthenticationPassword, wdmAuthenticationNetworkKey,
                                          wdmChkAuthenticationPassword, wdmChkAuthenticationNetworkKey};
// Job texts that presets neither load nor (with rdmDiskSpace) write.
constexpr std::uint16_t kJobTextItems[] = {rdmJOBPassword,         rdmStoredPassword,    rdmPausePrintFileName,
                                           rdmSavePrintFileName,   rdmSavePrintPassword, rdmPrintAndSavePassword,
                                           rdmPrintAndSaveFileName};
// Printer-side items that stay out of the printer-item group: the user
// codes, the font tables and the authentication modes.
constexpr std::uint16_t kPrinterItemExceptions[] = {10001, 10002, 10003, 10004, 10005, 10006, 10007,
                                                    10008, 10009, 10010, 10011, 10354, 10355};
constexpr std::uint16_t kAuthModeItems[] = {rdmPrnFuncAuthenticationMode, rdmPrnFuncAuthenticationSecureMode};

// The lockable items in the order of the test, with their lock.
struct LockedItem {
    std::uint16_t id;
    BOOL (*isLocked)(DriverContext*);
};
constexpr LockedItem kLockedItems[] = {
    {dmDefaultSource, IsTrayLocked},
    {rdmMediaType, IsMediaLocked},
    {rdmFuncSelectNup, IsNupKindLocked},
    {rdmNUPPOSTKind, IsNupKindLocked},
    {rdmPrnMethod, IsPrintTypeLocked},
    {rdmFuncSelectDuplex, IsDuplexLocked},
    {dmColor, IsColorLocked},
    {rdmDstResolutionBoth, IsResolutionLocked},
    {rdmDstResolutionW, IsResolutionLocked},
    {rdmDstResolutionH, IsResolutionLocked},
};

template <std::size_t N> bool IsListed(std::uint16_t id, const std::uint16_t (&list)[N])
{
    return std::find(list, list + N, id) != list + N;
}

bool InRange(std::uint16_t id, std::uint16_t first, std::uint16_t last)
{
    return id >= first && id <= last;
}
bool IsFontTableItem(std::uint16_t id)
{
    return InRange(id, rdmFontTableNum, rdmOptionFont);
}
bool HasFlag(std::uint32_t flags, std::uint32_t flag)
{
    return (flags & flag) != 0;
}
bool IsLoad(std::uint32_t flags)
{
    return HasFlag(flags, kSettingsLoad);
}
bool IsPlainLoad(std::uint32_t flags)
{
    return flags == kSettingsLoad;
}
bool IsPlainWrite(std::uint32_t flags)
{
    return flags == kSettingsWrite;
}
bool IsLockFeatureOn(DriverContext* context)
{
    return IsFeatureClassOn(context, kLockFeatureClass, 0) != 0;
}
bool IsPresetItem(const SettingItemDescriptor& item)
{
    return (item.stateBits & kPresetItemBits) != 0;
}

std::u16string Decimal(std::uint32_t value)
{
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// A decimal text without sign; false for anything else.
bool ParseDecimal(const WCHAR* text, std::uint32_t* value)
{
    std::uint64_t result = 0;
    if (text == nullptr || *text == 0) return false;
    for (; *text; ++text) {
        if (*text < u'0' || *text > u'9') return false;
        result = result * 10 + static_cast<std::uint32_t>(*text - u'0');
        if (result > 0xFFFFFFFFu) return false;
    }
    *value = static_cast<std::uint32_t>(result);
    return true;
}

std::u16string Sanitized(const WCHAR* name)
{
    std::u16string section = name ? name : u"";
    SanitizeIniSection(section.data());
    return section;
}

std::u16string PrinterSection(DriverContext* context)
{
    return Sanitized(GetPrinterSectionName(context));
}
std::u16string LanguageSection(DriverContext* context)
{
    return Sanitized(CopyLanguageCode(context));
}

// The section of a transfer: the language section or the printer's for
// the language form, the language section for an install file on load,
// the preset section, otherwise the current section.
std::u16string SectionOfTransfer(DriverContext* context, std::uint32_t flags)
{
    const bool load = IsLoad(flags);
    if (HasFlag(flags, kSettingsLanguageForm)) return load ? LanguageSection(context) : PrinterSection(context);
    if (load && HasFlag(flags, kSettingsInstallFile)) return LanguageSection(context);
    if (HasFlag(flags, kSettingsRsdSection)) return kRsdSectionName;
    return PrinterSection(context);
}

// The key of an item in a file: its name, or its decimal id for the
// unnamed DEVMODE items.
std::u16string KeyOf(const SettingItemDescriptor& item)
{
    if (item.side && item.side->name) return item.side->name;
    return Decimal(item.id);
}

bool IsSkippedByModule(DriverContext* context, SettingItemDescriptor& item)
{
    FileItemEvent event{&item, 0};
    NotifySettingsModules(context, kModuleEventSkipFileItem, &event);
    return event.skip != 0;
}

// Whether the item stays out of the pass that flags describe.
bool IsSkipped(DriverContext* context, SettingItemDescriptor& item, std::uint32_t flags)
{
    const std::uint16_t id = item.id;
    const bool load = IsLoad(flags);
    if (HasFlag(flags, kSettingsPreset) && !IsPresetItem(item) &&
        (load || HasFlag(flags, kSettingsDriverSectionTest) || HasFlag(flags, kSettingsLanguageForm)))
        return true;
    if (HasFlag(flags, kSettingsQualityList) && !(item.stateBits & kQualityItemBits)) return true;
    if (HasFlag(flags, kSettingsStamp)) {
        if (!(item.stateBits & kStampItemBits)) return true;
    } else if (!load && InRange(id, kFirstStampExtraItem, kLastStampExtraItem)) {
        return true;
    }
    if (HasFlag(flags, kSettingsInstallFile) && !IsRsdItem(&item)) return true;
    if (IsSkippedByModule(context, item)) return true;
    if (HasFlag(flags, kSettingsWorkArea) && ItemArea(item) != kAreaWork) return true;
    if (HasFlag(flags, kSettingsPrinterItems) && !IsPrinterIniItem(&item)) return true;
    if (IsPlainLoad(flags) && (!IsPresetLoadItem(&item) || !IsNotNotificationSupportItem(&item))) return true;
    if (HasFlag(flags, kSettingsRsdSection) && !IsPresetItem(item)) return true;
    if (IsListed(id, kSecretItems)) return true;
    if (HasFlag(flags, kSettingsInstallFile) && !IsNotNotificationItem(&item)) return true;
    if (IsLockFeatureOn(context) && !IsNotLockInfoItem(id)) return true;
    if (IsPlainWrite(flags) && !IsPresetSaveItem(&item)) return true;
    return item.side == nullptr || (item.side->name == nullptr && id > kLastUnnamedItem);
}

std::vector<SettingItemDescriptor*> SizeItemsOfPass(DriverContext* context, const std::uint16_t (&ids)[5])
{
    std::vector<SettingItemDescriptor*> items;
    for (std::uint16_t id : ids)
        if (SettingItemDescriptor* item = FindItem(context, id)) items.push_back(item);
    return items;
}

// The descriptors of the pass, in item-table order (the five size items for
// the custom-size kinds).
std::vector<SettingItemDescriptor*> ItemsOfPass(DriverContext* context, std::uint32_t flags)
{
    if (HasFlag(flags, kSettingsSrcFreeSize)) return SizeItemsOfPass(context, kSrcFreeSizeItems);
    if (HasFlag(flags, kSettingsFreeSize)) return SizeItemsOfPass(context, kFreeSizeItems);
    std::vector<SettingItemDescriptor*> items;
    ItemTable* table = context->itemTable;
    for (int i = 0; table && i < table->count; ++i) {
        SettingItemDescriptor& item = table->items[i];
        if (item.id == 0 || InRange(item.id, kFirstRunTimeItem, kLastJudgeItem)) continue;
        if (item.id > kLastFileItem && !HasFlag(flags, kSettingsPrinterItems)) continue;
        if (HasFlag(flags, kSettingsStamp) && InRange(item.id, kFirstStampExtraItem, kLastStampExtraItem))
            item.stateBits |= kStampItemMark;
        if (!IsSkipped(context, item, flags)) items.push_back(&item);
    }
    return items;
}

// ---- header -----------------------------------------------------------------------------------------

bool IsSizeOrStampKind(std::uint32_t flags)
{
    return HasFlag(flags, kSettingsStamp | kSettingsFreeSize);
}
bool HasNoHeader(std::uint32_t flags)
{
    return !IsSizeOrStampKind(flags) && HasFlag(flags, kSettingsSrcFreeSize | kSettingsInstallFile);
}

std::uint16_t ModelVersion(DriverContext* context)
{
    return static_cast<std::uint16_t>(context->modelRecord ? context->modelRecord->privateVersion : 0);
}
std::uint32_t MachineFamily(DriverContext* context)
{
    return context->modelRecord ? context->modelRecord->machineFamily : 0;
}

// One header key: from the in-memory section when given, else from the file.
int ReadHeaderKey(const WCHAR* path, const WCHAR* section, const char* sectionText, std::int32_t* position,
                  const WCHAR* key)
{
    if (sectionText) {
        std::int32_t start = 0;
        return ReadIniIntFromText(key, kNoVersion, sectionText, position ? position : &start);
    }
    return ReadIniInt(section, key, kNoVersion, path);
}

bool IsSameVersion(std::uint16_t version, std::uint16_t model, BOOL majorOnly)
{
    return majorOnly ? SameVersionMajor(version, model) != 0 : version == model;
}

// A file of an older minor version of this major: the conversion script
// brings what was read forward to the model's version.
void ConvertFileSettings(DriverContext* context, int version)
{
    const std::uint16_t model = ModelVersion(context);
    if (version < kFirstConvertedVersion || model < kFirstConvertedVersion) return;
    if (CompareDevmodeVersion(static_cast<std::uint32_t>(version), model) != kVersionStateUpgrade) return;
    RunDevmodeConvertScript(static_cast<std::uint32_t>(version), model, context);
}

// ---- the item pass -------------------------------------------------------------------------------------

// Points the item's key (and, when given, its section) at the file's names
// for one call and puts them back.
class ItemKeyScope {
public:
    ItemKeyScope(SettingItemDescriptor* item, const WCHAR* key, const WCHAR* section = nullptr)
        : item_(item), key_(item->key), section_(item->iniSection)
    {
        item_->key = key;
        if (section) item_->iniSection = section;
    }
    ~ItemKeyScope()
    {
        item_->key = key_;
        item_->iniSection = section_;
    }
    ItemKeyScope(const ItemKeyScope&) = delete;
    ItemKeyScope& operator=(const ItemKeyScope&) = delete;

private:
    SettingItemDescriptor* item_;
    const WCHAR* key_;
    const WCHAR* section_;
};

// rdmLockInfoLockInfo holds whether any lock is set while it is written.
class LockInfoScope {
public:
    LockInfoScope(DriverContext* context, bool active) : context_(context), active_(active)
    {
        if (!active_) return;
        kept_ = GetItemValue(context_, rdmLockInfoLockInfo);
        SetItemValue(context_, rdmLockInfoLockInfo, IsAnyLockSet(context_) ? 1 : 0);
    }
    ~LockInfoScope()
    {
        if (active_) SetItemValue(context_, rdmLockInfoLockInfo, kept_);
    }
    LockInfoScope(const LockInfoScope&) = delete;
    LockInfoScope& operator=(const LockInfoScope&) = delete;

private:
    DriverContext* context_;
    bool active_;
    std::uint32_t kept_ = 0;
};

void MarkItemRead(DriverContext* context, SettingItemDescriptor* item)
{
    item->stateBits = static_cast<std::uint16_t>((item->stateBits & ~kItemChangeMarkMask) | 1);
    context->workArea->settingsModified = 1;
}

bool IsLockRefused(DriverContext* context, const WCHAR* path, const std::u16string& section, std::uint32_t flags)
{
    return IsPlainLoad(flags) && IsLockFeatureOn(context) && IsAnyLockSet(context) &&
           !CheckFileAgainstLocks(context, path, section.c_str(), flags);
}

BOOL LoadItems(const WCHAR* path, std::uint32_t flags, DriverContext* context)
{
    char* text = ReadWholeTextFile(path, FALSE);
    if (text == nullptr) {
        SetSettingsFileError(context, kSettingsFileUnreadable);
        return FALSE;
    }
    const std::u16string section = SectionOfTransfer(context, flags);
    const char* body = FindIniSectionInText(section.c_str(), text);
    std::int32_t position = 0;
    BOOL result = TRUE;
    if (!VerifySettingsFileHeader(path, section.c_str(), flags, context, body, nullptr, &position, TRUE)) {
        SetSettingsFileError(context, kSettingsFileHeaderRefused);
    } else if (IsLockRefused(context, path, section, flags)) {
        SetSettingsFileError(context, kSettingsFileLocked);
        result = FALSE;
    } else {
        const int version = HasNoHeader(flags) || HasFlag(flags, kSettingsLanguageForm) || body == nullptr
                                ? kNoVersion
                                : ReadHeaderKey(path, section.c_str(), body, nullptr, u"RstVersion");
        position = 0;
        for (SettingItemDescriptor* item : ItemsOfPass(context, flags)) {
            const std::u16string key = KeyOf(*item);
            ItemKeyScope scope(item, key.c_str());
            if (body && LoadItemFromIni(context, item, path, body, &position)) {
                MarkItemRead(context, item);
            } else {
                result = FALSE;
            }
        }
        if (IsPlainLoad(flags)) SetItemValue(context, rdmPresetNo, kUnsetPresetNo);
        ConvertFileSettings(context, version);
    }
    FreeTextBuffer(text);
    return result;
}

BOOL WriteItems(const WCHAR* path, std::uint32_t flags, DriverContext* context)
{
    const std::u16string section = SectionOfTransfer(context, flags);
    IniSectionText text;
    AppendIniSectionHeader(&text, section.c_str());
    VerifySettingsFileHeader(path, section.c_str(), flags, context, nullptr, &text, nullptr, TRUE);
    for (SettingItemDescriptor* item : ItemsOfPass(context, flags)) {
        const std::u16string key = KeyOf(*item);
        ItemKeyScope scope(item, key.c_str());
        StoreItemToIni(context, item, path, &text);
    }
    if (IsPlainWrite(flags)) ExportPrinterItems(path, kSettingsInstallFile, context);
    return RewriteIniSection(context, path, section.c_str(), text.bytes.data(),
                             static_cast<std::uint32_t>(text.bytes.size()));
}

// ---- after a plain load -------------------------------------------------------------------------------

// Item values kept aside as bytes and put back.
class KeptItems {
public:
    KeptItems(DriverContext* context, std::uint16_t first, std::uint16_t last) : context_(context)
    {
        for (std::uint32_t id = first; id <= last; ++id) {
            SettingItemDescriptor* item = FindItem(context, static_cast<std::uint16_t>(id));
            const std::uint8_t* address = item ? GetItemAddress(context, item) : nullptr;
            if (address) values_.push_back({item, std::vector<std::uint8_t>(address, address + ItemLength(*item))});
        }
    }
    void Restore()
    {
        for (auto& [item, bytes] : values_) WriteItemBytes(context_, item, bytes.data(), bytes.size());
    }

private:
    DriverContext* context_;
    std::vector<std::pair<SettingItemDescriptor*, std::vector<std::uint8_t>>> values_;
};

int FreeSizeSlotOf(std::uint32_t paperId)
{
    return IsFreeSizePaperId(paperId) ? static_cast<int>(paperId - kFirstFreeSizePaperId) : -1;
}

int UserQualitySlot(DriverContext* context)
{
    const std::uint32_t macro = GetItemValue(context, rdmUserPrintMacro);
    if (GetItemValue(context, rdmUseUserMacro) != 1 || macro < kUserMacroBase ||
        macro >= kUserMacroBase + kUserMacroCount)
        return -1;
    return static_cast<int>(macro - kUserMacroBase);
}

void StoreLoadedFreeSizes(DriverContext* context)
{
    const int output = FreeSizeSlotOf(GetItemValue(context, rdmOutPaperSize));
    if (output >= 0) {
        SaveFreeSizeSlot(context, output);
        CacheFreeSizeSlot(context, output);
    }
    const int source = FreeSizeSlotOf(GetItemValue(context, dmPaperSize));
    if (source >= 0) {
        CacheSrcFreeSizeSlot(context, source);
        SelectFreeSizeSlot(context, source);
        SaveFreeSizeSlot(context, source);
    }
}

void StoreLoadedStamp(DriverContext* context)
{
    if (GetItemValue(context, rdmFuncSelectWaterMark) == 0) return;
    const std::uint32_t count = static_cast<std::uint32_t>(std::max(GetStampCount(context), 0));
    std::uint32_t stamp = GetItemValue(context, rdmWmID);
    if (stamp >= count) {
        stamp = count;
        SetItemValue(context, rdmWmID, stamp);
    }
    SaveStampSlot(context, static_cast<int>(stamp));
}

// Settings of a system without colour matching of its own, or without
// media types in the public DEVMODE, are brought to this one.
void AdaptToOSKind(DriverContext* context, std::uint32_t osKind)
{
    std::uint32_t fields = GetItemValue(context, dmFields);
    if (osKind == 0 || osKind == 1) {
        SetItemValue(context, dmICMMethod, 1);
        SetItemValue(context, dmICMIntent, 1);
        fields &= ~(DM_ICMMETHOD | DM_ICMINTENT);
        SetItemValue(context, rdmColorMatching, 0);
        SetItemValue(context, rdmICMType, GetUiDefaultValue(rdmICMType, context));
        SetItemValue(context, rdmICMIntent, GetUiDefaultValue(rdmICMIntent, context));
    }
    if (osKind == 0 || osKind == 3) {
        fields |= DM_MEDIATYPE;
    } else {
        fields &= ~DM_MEDIATYPE;
    }
    SetItemValue(context, dmFields, fields);
    SetItemValue(context, rdmOSKind, osKind);
}

// rdmUIModeChange and rdmAdjustMode are held at 0 while the DEVMODE is merged.
void MergeLoadedSettings(DriverContext* context)
{
    const bool uiModeChange = GetItemValue(context, rdmUIModeChange) == 1;
    const bool adjustMode = GetItemValue(context, rdmAdjustMode) == 1;
    if (uiModeChange) SetItemValue(context, rdmUIModeChange, 0);
    if (adjustMode) SetItemValue(context, rdmAdjustMode, 0);
    SetLocaleItems(context);
    MergeDevmode(context, nullptr, kLoadMergeFlags);
    if (uiModeChange) SetItemValue(context, rdmUIModeChange, 1);
    if (adjustMode) SetItemValue(context, rdmAdjustMode, 1);
}

void FinishPlainLoad(DriverContext* context, KeptItems& specials, std::uint32_t osKind)
{
    specials.Restore();
    StoreLoadedFreeSizes(context);
    StoreLoadedStamp(context);
    AdaptToOSKind(context, osKind);
    if (const int slot = UserQualitySlot(context); slot >= 0) SaveQualityListSlot(context, slot);
    SetItemValue(context, rdmPresetNo, kUnsetPresetNo);
    MergeLoadedSettings(context);
    NotifyModulesRevalidate(context);
}

// ---- writing ---------------------------------------------------------------------------------------

// The current lists brought into the items, so that they travel with the file.
void TakeListsIntoItems(DriverContext* context)
{
    if (const int source = FreeSizeSlotOf(GetItemValue(context, dmPaperSize)); source >= 0)
        LoadSrcFreeSizeSlot(context, source);
    if (const int output = FreeSizeSlotOf(GetItemValue(context, rdmOutPaperSize)); output >= 0)
        LoadFreeSizeSlot(context, output);
    if (GetItemValue(context, rdmFuncSelectWaterMark) != 0)
        LoadStampSlot(context, static_cast<int>(GetItemValue(context, rdmWmID)));
    if (const int slot = UserQualitySlot(context); slot >= 0) LoadQualityListSlot(context, slot);
    PrepareModuleData(context);
    SyncDevmodeAfterLoad(reinterpret_cast<DEVMODEW*>(context->store->bytes), context, 0);
}

BOOL WritePasses(HANDLE printer, const WCHAR* path, std::uint32_t flags, DriverContext* context)
{
    const BOOL items = TransferSettingsItems(printer, path, flags, context);
    const BOOL locks = TransferLockAndAuthItems(path, flags, context, kFirstPrinterItem, kLastPrinterItem);
    return items && locks ? TRUE : FALSE;
}

bool HasWork(DriverContext* context)
{
    return context != nullptr && context->workArea != nullptr;
}

// Whether section of path holds "RstVersion", whatever its value.
bool HasVersionKey(const WCHAR* path, const std::u16string& section)
{
    WCHAR value[kValueChars] = {};
    ReadIniString(section.c_str(), u"RstVersion", u"*", value, kValueChars, path);
    return std::u16string_view(value) != u"*";
}

void CopyRuleSection(const WCHAR* section, const WCHAR* from, const WCHAR* to)
{
    WriteIniString(section, nullptr, nullptr, to);
    std::vector<WCHAR> text(kSectionBufferChars, 0);
    if (GetPrivateProfileSectionW(section, text.data(), kSectionBufferChars, from) > 0)
        WritePrivateProfileSectionW(section, text.data(), to);
}

class SettingsMutexScope {
public:
    explicit SettingsMutexScope(DriverContext* context) : context_(context) { LockSettingsMutex(context_); }
    ~SettingsMutexScope() { UnlockSettingsMutex(context_); }
    SettingsMutexScope(const SettingsMutexScope&) = delete;
    SettingsMutexScope& operator=(const SettingsMutexScope&) = delete;

private:
    DriverContext* context_;
};

}  // namespace

// ---- the current section ---------------------------------------------------------------------------

PrinterSectionSwap::PrinterSectionSwap(DriverContext* context, const WCHAR* section)
    : context_(context), kept_(GetPrinterSectionName(context) ? GetPrinterSectionName(context) : u"")
{
    ContextWorkArea* work = context_->workArea;
    lstrcpynW(work->savedSectionName, kept_.c_str(), kIniSectionChars);
    lstrcpynW(work->printerName, section ? section : u"", kIniSectionChars);
}

PrinterSectionSwap::~PrinterSectionSwap()
{
    lstrcpynW(context_->workArea->printerName, kept_.c_str(), kIniSectionChars);
}

// ---- loading ----------------------------------------------------------------------------------------

BOOL TransferSettingsItems(HANDLE, const WCHAR* path, std::uint32_t flags, DriverContext* context)
{
    if (!HasWork(context)) return FALSE;
    SetSettingsFileError(context, kSettingsFileAccepted);
    if (!IsAbsolutePath(path)) return FALSE;
    const BOOL result = IsLoad(flags) ? LoadItems(path, flags, context) : WriteItems(path, flags, context);
    FileTransferEvent event{flags, path};
    NotifySettingsModules(context, kModuleEventFileTransferred, &event);
    return result;
}

BOOL LoadSettingsFile(HANDLE printer, const WCHAR* path, std::uint32_t flags, DriverContext* context)
{
    if (!HasWork(context) || !IsAbsolutePath(path)) return FALSE;
    flags = (flags | kSettingsLoad) & ~kSettingsWrite;
    const bool plain = (flags & ~kSettingsPresetCarrier) == kSettingsLoad;
    SettingsMutexScope mutex(context);
    KeptItems specials(context, wdmSpecial1, wdmSpecial16);
    const std::uint32_t osKind = GetItemValue(context, rdmOSKind);
    BOOL result = FALSE;
    int status = kSettingsFileAccepted;
    {
        std::u16string driverName;
        if ((plain || HasFlag(flags, kSettingsDriverSectionTest)) &&
            HasVersionKey(path, Sanitized(GetDriverName(context))))
            driverName = GetDriverName(context);
        std::optional<PrinterSectionSwap> swap;
        if (!driverName.empty()) swap.emplace(context, driverName.c_str());
        result = TransferSettingsItems(printer, path, flags, context);
        status = GetSettingsFileError(context);
        // Nothing was read from a refused or unreadable file: its
        // authentication modes are not taken either.
        if (status == kSettingsFileAccepted)
            result = TransferLockAndAuthItems(path, flags, context, kFirstPrinterItem, kLastPrinterItem) && result;
    }
    if (HasFlag(flags, kSettingsQualityList) && status == kSettingsFileHeaderRefused) {
        WCHAR installed[MAX_PATH] = {};
        if (BuildDriverRsqPath(installed, path, MAX_PATH, context))
            InstallSettingsFileCopy(path, installed, kSettingsQualityList, context);
        result = TRUE;
    }
    if (plain && status == kSettingsFileAccepted) FinishPlainLoad(context, specials, osKind);
    SetSettingsFileError(context, status);
    return result;
}

// ---- writing ----------------------------------------------------------------------------------------

BOOL SaveSettingsFile(HANDLE printer, const WCHAR* path, std::uint32_t flags, DriverContext* context)
{
    if (!HasWork(context) || !IsAbsolutePath(path)) return FALSE;
    std::u16string section;
    if (HasFlag(flags, kSettingsLanguageSection)) {
        flags &= ~kSettingsLanguageSection;
        section = CopyLanguageCode(context) ? CopyLanguageCode(context) : u"";
    } else if ((flags & ~(kSettingsWrite | kSettingsPresetCarrier)) == 0) {
        section = GetDriverName(context) ? GetDriverName(context) : u"";
    }
    std::optional<PrinterSectionSwap> swap;
    if (!section.empty()) swap.emplace(context, section.c_str());
    return SaveSettingsItemsFile(printer, path, flags, context);
}

BOOL SaveSettingsItemsFile(HANDLE printer, const WCHAR* path, std::uint32_t flags, DriverContext* context)
{
    if (!HasWork(context) || context->store == nullptr || !IsAbsolutePath(path)) return FALSE;
    flags = (flags | kSettingsWrite) & ~kSettingsLoad;
    SettingsMutexScope mutex(context);
    if (flags & ~(kSettingsWrite | kSettingsPreset | kSettingsPresetCarrier))
        return WritePasses(printer, path, flags, context);
    const std::vector<std::uint8_t> kept(context->store->bytes, context->store->bytes + kSettingsStoreSize);
    TakeListsIntoItems(context);
    const BOOL result = WritePasses(printer, path, flags, context);
    std::memcpy(context->store->bytes, kept.data(), kSettingsStoreSize);
    return result;
}

BOOL TransferLockAndAuthItems(const WCHAR* path, std::uint32_t flags, DriverContext* context, std::uint16_t first,
                              std::uint16_t last)
{
    if (!HasWork(context) || !IsAbsolutePath(path)) return FALSE;
    const bool write = IsPlainWrite(flags);
    if (!write && !(IsPlainLoad(flags) && RewriteBidiFlag(context))) return TRUE;
    const std::u16string section = SectionOfTransfer(context, flags);
    const bool locks = write && IsLockFeatureOn(context);
    BOOL result = TRUE;
    for (std::uint32_t id = first; id <= last; ++id) {
        const std::uint16_t itemId = static_cast<std::uint16_t>(id);
        if (!IsListed(itemId, kAuthModeItems) && !(locks && itemId != 0 && IsLockItem(itemId))) continue;
        SettingItemDescriptor* item = FindItem(context, itemId);
        if (item == nullptr || item->side == nullptr || item->side->name == nullptr) continue;
        ItemKeyScope scope(item, item->side->name, section.c_str());
        if (write) {
            LockInfoScope lockInfo(context, itemId == rdmLockInfoLockInfo);
            result = StoreItemToIni(context, item, path, nullptr) && result;
        } else if (LoadItemFromIni(context, item, path, nullptr, nullptr)) {
            if (result) StoreItemToPrinterData(context->printer, context, item);
        } else {
            result = FALSE;
        }
    }
    return result;
}

// ---- header ----------------------------------------------------------------------------------------

BOOL SameVersionMajor(std::uint16_t a, std::uint16_t b)
{
    return a / 100 == b / 100;
}

void WriteSettingsFileHeader(const WCHAR* path, IniSectionText* build, DriverContext* context, const WCHAR* section,
                             BOOL versionOnly)
{
    struct HeaderKey {
        const WCHAR* key;
        std::uint32_t value;
    };
    const HeaderKey keys[] = {{u"RstVersion", ModelVersion(context)},
                              {u"RstMachine", MachineFamily(context)},
                              {u"RstLanguage", GetItemValue(context, rdmLanguageID)},
                              {u"RstOSKind", GetItemValue(context, rdmOSKind)}};
    for (const HeaderKey& entry : keys) {
        const std::u16string value = Decimal(entry.value);
        if (build) {
            AppendIniKeyValue(build, entry.key, value.c_str());
        } else {
            WriteIniString(section, entry.key, value.c_str(), path);
        }
        if (versionOnly) return;
    }
}

BOOL VerifySettingsFileHeader(const WCHAR* path, const WCHAR* section, std::uint32_t flags, DriverContext* context,
                              const char* sectionText, IniSectionText* build, std::int32_t* position, BOOL majorOnly)
{
    if (HasNoHeader(flags)) return TRUE;
    if (!IsLoad(flags)) {
        WriteSettingsFileHeader(path, build, context, section, IsSizeOrStampKind(flags) ? TRUE : FALSE);
        return TRUE;
    }
    if (HasFlag(flags, kSettingsLanguageForm)) return TRUE;
    const auto read = [&](const WCHAR* key) { return ReadHeaderKey(path, section, sectionText, position, key); };
    const int version = read(u"RstVersion");
    const std::uint16_t model = ModelVersion(context);
    // Stamps and custom sizes of any settings version are taken: an older
    // one is brought forward by the conversion script after the load.
    if (IsSizeOrStampKind(flags)) return TRUE;
    if (version == kNoVersion) return FALSE;
    if (!IsSameVersion(static_cast<std::uint16_t>(version), model, majorOnly)) return FALSE;
    const int machine = read(u"RstMachine");
    const int language = read(u"RstLanguage");
    return machine != kNoVersion && static_cast<std::uint32_t>(machine) == MachineFamily(context) &&
                   language != kNoVersion &&
                   static_cast<std::uint32_t>(language) == GetItemValue(context, rdmLanguageID)
               ? TRUE
               : FALSE;
}

std::uint32_t ReadSettingsFileOSKind(const WCHAR* path, DriverContext* context)
{
    if (!HasWork(context)) return kNoVersion;
    return static_cast<std::uint32_t>(ReadIniInt(PrinterSection(context).c_str(), u"RstOSKind", kNoVersion, path));
}

// ---- administrator locks ---------------------------------------------------------------------------

BOOL CheckFileAgainstLocks(DriverContext* context, const WCHAR* path, const WCHAR* section, std::uint32_t)
{
    for (const LockedItem& locked : kLockedItems) {
        SettingItemDescriptor* item = FindItem(context, locked.id);
        if (item == nullptr) continue;
        const std::u16string key = KeyOf(*item);
        if (!CheckLockedKey(context, path, section, key.c_str(), locked.id)) return FALSE;
    }
    return TRUE;
}

BOOL CheckLockedKey(DriverContext* context, const WCHAR* path, const WCHAR* section, const WCHAR* key,
                    std::uint16_t itemId)
{
    const LockedItem* locked = std::find_if(std::begin(kLockedItems), std::end(kLockedItems),
                                            [&](const LockedItem& entry) { return entry.id == itemId; });
    if (locked == std::end(kLockedItems) || !locked->isLocked(context)) return TRUE;
    WCHAR text[kValueChars] = {};
    std::uint32_t value = 0;
    ReadIniString(section, key, u"", text, kValueChars, path);
    if (!ParseDecimal(text, &value)) return FALSE;
    if (itemId == rdmNUPPOSTKind && IsNupKindAllLocked(context)) return value >= 1 && value <= 4 ? TRUE : FALSE;
    return value == GetItemValue(context, itemId) ? TRUE : FALSE;
}

// ---- item filters ---------------------------------------------------------------------------------

BOOL IsRsdItem(const SettingItemDescriptor* item)
{
    return item && item->id > kLastDevmodeHeaderItem ? TRUE : FALSE;
}

BOOL IsPresetLoadItem(const SettingItemDescriptor* item)
{
    if (!IsRsdItem(item)) return FALSE;
    const std::uint16_t id = item->id;
    return !InRange(id, kFirstRunTimeItem, kLastRunTimeItem) && !InRange(id, kFirstJudgeItem, kLastJudgeItem) &&
                   !InRange(id, kLastFileItem + 1, kLastPrinterNameItem) &&
                   !InRange(id, kFirstPrinterItem, kLastPrinterItem) && !IsListed(id, kJobTextItems)
               ? TRUE
               : FALSE;
}

BOOL IsPresetSaveItem(const SettingItemDescriptor* item)
{
    return item && item->id != 0 && item->id != rdmDiskSpace && !IsListed(item->id, kJobTextItems) ? TRUE : FALSE;
}

BOOL IsPrinterIniItem(const SettingItemDescriptor* item)
{
    return item && InRange(item->id, kFirstPrinterItem, kLastPrinterItem) && !IsListed(item->id, kPrinterItemExceptions)
               ? TRUE
               : FALSE;
}

BOOL IsNotAuthSecretItem(const SettingItemDescriptor* item)
{
    return item && item->id != 0 && !InRange(item->id, wdmAuthenticationPassword, wdmChkAuthenticationNetworkKey)
               ? TRUE
               : FALSE;
}

BOOL IsNotNotificationSupportItem(const SettingItemDescriptor* item)
{
    return item && item->id != 0 && item->id != rdmSupportFunc2SelectJobComplete &&
                   item->id != rdmSupportFunc2SelectJobErr
               ? TRUE
               : FALSE;
}

BOOL IsNotNotificationItem(const SettingItemDescriptor* item)
{
    return IsNotNotificationSupportItem(item) && item->id != rdmFunc2SelectJobComplete &&
                   item->id != rdmFunc2SelectJobErr
               ? TRUE
               : FALSE;
}

BOOL IsNotLockInfoItem(std::uint16_t itemId)
{
    return itemId != 0 && !InRange(itemId, wdmLock000Info, wdmLock015Info) ? TRUE : FALSE;
}

BOOL IsLockItem(std::uint16_t itemId)
{
    return itemId == 0 || itemId == rdmLockInfoLockInfo || InRange(itemId, kFirstLockItem, kLastPrinterItem) ? TRUE
                                                                                                             : FALSE;
}

// ---- printer-side settings --------------------------------------------------------------------------

BOOL ExportPrinterItems(const WCHAR* path, std::uint32_t flags, DriverContext* context)
{
    WCHAR exported[MAX_PATH] = {};
    if (HasFlag(flags, kSettingsInstallFile)) {
        BuildSettingsDirPath(exported, MAX_PATH, kPrinterItemsExportName, context);
        path = exported;
    }
    return TransferPrinterItems(path, flags | kSettingsWrite, context);
}

BOOL TransferPrinterItems(const WCHAR* path, std::uint32_t flags, DriverContext* context)
{
    if (!HasWork(context) || !IsAbsolutePath(path)) return FALSE;
    const bool write = HasFlag(flags, kSettingsWrite);
    const std::u16string section =
        !write && HasFlag(flags, kSettingsInstallFile) ? LanguageSection(context) : kPrinterItemsSectionName;
    IniSectionText text;
    if (write) AppendIniSectionHeader(&text, section.c_str());
    IniSectionText* build = write ? &text : nullptr;
    TransferItemRange(path, flags, context, section.c_str(), build, kFirstPrinterItem, kLastPrinterItem);
    TransferItemRange(path, flags, context, section.c_str(), build, kFirstPrinterNameItem, kLastPrinterNameItem);
    if (!write) return TRUE;
    return RewriteIniSection(context, path, section.c_str(), text.bytes.data(),
                             static_cast<std::uint32_t>(text.bytes.size()));
}

void TransferItemRange(const WCHAR* path, std::uint32_t flags, DriverContext* context, const WCHAR* section,
                       IniSectionText* text, std::uint16_t first, std::uint16_t last)
{
    if (!HasWork(context) || section == nullptr) return;
    const bool write = HasFlag(flags, kSettingsWrite);
    KeptItems fontTables(context, rdmFontTableNum, rdmOptionFont);
    for (std::uint32_t id = first; id <= last; ++id) {
        const std::uint16_t itemId = static_cast<std::uint16_t>(id);
        if (HasFlag(flags, kSettingsInstallFile) && InRange(itemId, kFirstPrinterItem, kLastUserCodeItem)) continue;
        SettingItemDescriptor* item = FindItem(context, itemId);
        if (item == nullptr || item->side == nullptr || item->side->name == nullptr) continue;
        if (IsFontTableItem(itemId)) {
            if (write && text) AppendIniKeyValue(text, item->side->name, u"0");
            if (write && !text) WriteIniString(section, item->side->name, u"0", path);
            continue;
        }
        ItemKeyScope scope(item, item->side->name, section);
        if (write) {
            LockInfoScope lockInfo(context, itemId == rdmLockInfoLockInfo && IsLockFeatureOn(context));
            StoreItemToIni(context, item, path, text);
        } else {
            LoadItemFromIni(context, item, path, nullptr, nullptr);
        }
    }
    fontTables.Restore();
}

// ---- user copies -------------------------------------------------------------------------------------

void InstallSettingsFileCopy(const WCHAR* userCopy, const WCHAR* installed, std::uint32_t flags, DriverContext* context)
{
    if (!HasWork(context) || !IsAbsolutePath(userCopy) || !IsAbsolutePath(installed)) return;
    CopyRuleSection(u"condition", installed, userCopy);
    CopyRuleSection(u"disable", installed, userCopy);
    PushSettingsSnapshot(context);
    LoadSettingsFile(context->printer, installed, flags | kSettingsLanguageForm, context);
    SaveSettingsFile(context->printer, userCopy, flags | kSettingsLanguageForm, context);
    WCHAR readOnly[kValueChars] = {};
    ReadIniString(LanguageSection(context).c_str(), u"Readonly", u"", readOnly, kValueChars, installed);
    if (readOnly[0] != 0) WriteIniString(PrinterSection(context).c_str(), u"Readonly", readOnly, userCopy);
    PopSettingsSnapshot(context, TRUE);
}

BOOL IsSettingsFile(const WCHAR* path, DriverContext* context)
{
    return HasWork(context) && IsAbsolutePath(path) && HasVersionKey(path, PrinterSection(context)) ? TRUE : FALSE;
}

}  // namespace vexl
