#include "common/storage/persistence.h"

#include "common/core/appservices.h"
#include "common/core/context.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/memory.h"
#include "common/core/printer.h"
#include "common/core/process.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/switches.h"
#include "common/core/textconv.h"
#include "common/model/paper_geometry.h"
#include "common/storage/directories.h"
#include "common/core/item_layout.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace vexl {
namespace {

constexpr int kIniNumberChars = 16;
constexpr std::uint32_t kScratchBytes = kPrinterDataBufferSize;
constexpr std::uint16_t kFirstActionItem = kActionItems.first;
constexpr std::uint16_t kLastActionItem = kActionItems.last;
constexpr std::uint16_t kFirstCustomMediaItem = kCustomMediaItems.first;
constexpr std::uint16_t kLastCustomMediaItem = kCustomMediaItems.last;
constexpr std::uint16_t kFirstPrinterSideItem = kPrinterItems.first;
constexpr std::uint16_t kLastPrinterSideItem = kPrinterItems.last;
constexpr std::uint16_t kFirstFontListItem = kFontListItems.first;
constexpr std::uint16_t kLastFontListItem = kFontListItems.last;
constexpr std::uint16_t kLastFontBlockItem = kFontBlockItems.last;
constexpr std::uint16_t kPrinterSideExcludedList = 5;
constexpr std::uint32_t kCallerKindsWithoutIni =
    kCallerDocumentProperties | kCallerDeviceCapabilities | kCallerEnablePdev;
constexpr int kSpecialFunctionCount = 16;
constexpr int kUserNameChars = 257;

// The three runs of lock bits kept as one value each.
struct CompoundRun {
    std::uint16_t firstId;
    std::uint16_t lastId;
    std::uint32_t typeCode;
    const WCHAR* valueName;
};
constexpr CompoundRun kLockRuns[] = {
    {rdmLockInfoLockInfo, rdmLockInfoLockSmallPaperTray, kValueUInt32, u"rdmLockInfo"},
    {rdmLock000InfoBitDefault, rdmLock000InfoBitResolution, kValueUInt8, u"rdmLock000InfoBit"},
    {rdmLock001InfoBitColor, rdmLock001InfoBit7, kValueUInt8, u"rdmLock001InfoBit"},
};
constexpr CompoundRun kActionRun = {kFirstActionItem, kLastActionItem, kValueUInt16, u"rdmAction"};

// One locked value: when the lock bit is set, the 4-byte value goes into the item.
struct LockedValue {
    std::uint16_t lockBit;
    const WCHAR* valueName;
    std::uint16_t item;
    std::uint16_t secondItem;  // 0: none
    std::uint16_t selectItem;  // set to 1 first; 0: none
};
constexpr LockedValue kLockedValues[] = {
    {rdmLock000InfoBitTray, u"LockTrayData", dmDefaultSource, 0, 0},
    {rdmLock000InfoBitMedia, u"LockMediaData", rdmMediaType, 0, 0},
    {rdmLock000InfoBitPrintType, u"LockPrnMethodData", rdmPrnMethod, rdmLockPrnMethod, 0},
    {rdmLock001InfoBitColor, u"LockColorData", dmColor, 0, 0},
    {rdmLock000InfoBitNupKind, u"LockNUPPOSTKindData", rdmNUPPOSTKind, 0, rdmFuncSelectNup},
    {rdmLock000InfoBitNupKind, u"LockNUPTypeData", rdmNUPType, 0, 0},
    {rdmLock000InfoBitDuplex, u"LockDuplexTypeData", rdmDuplexType, 0, rdmFuncSelectDuplex},
};

// A font list kept in printer data: its count and list value names, its items.
struct FontListPlace {
    const WCHAR* countName;
    const WCHAR* listName;
    std::uint16_t countItem;
    std::uint16_t listItem;
    DeviceFontRecord* (*copyModelList)(DriverContext* context, std::int32_t* count);
};
constexpr FontListPlace kDeviceFontPlace = {u"DeviceFontNum", u"DeviceFont", rdmDeviceFontNum, rdmDeviceFont,
                                            CopyDeviceFontList};
constexpr FontListPlace kOptionFontPlace = {u"OptionFontNum", u"OptionFont", rdmOptionFontNum, rdmOptionFont,
                                            CopyCartridgeFontList};

bool IsBitType(std::uint32_t code)
{
    return code >= kValueBit0 && code <= kValueBitLast;
}
bool IsTextType(std::uint32_t code)
{
    return code >= 7 && code <= 12;
}
bool IsAnsiType(std::uint32_t code)
{
    return code == kValueAnsiText || code == kValueAnsiText2;
}
bool IsHeapAddressItem(std::uint16_t id)
{
    for (std::uint16_t address : kHeapAddressItems)
        if (address == id) return true;
    return false;
}

ContextWorkArea* WorkOf(DriverContext* context)
{
    return context ? context->workArea : nullptr;
}

const WCHAR* ItemName(const SettingItemDescriptor* item)
{
    return item->side ? item->side->name : nullptr;
}

// The registry type and size of an item's printer-data value.
DWORD PrinterDataType(const SettingItemDescriptor* item)
{
    return item->id == rdmLogging ? REG_DWORD : REG_BINARY;
}

// Number parsing of the INI: blanks, a sign, decimal digits, trailing text
// ignored; read as 64 bits so that unsigned 32-bit values come back whole.
std::int64_t ParseIniNumber(const WCHAR* text)
{
    while (*text == u' ' || *text == u'\t') ++text;
    bool negative = false;
    if (*text == u'+' || *text == u'-') negative = *text++ == u'-';
    std::int64_t value = 0;
    for (; *text >= u'0' && *text <= u'9'; ++text) {
        if (value < (std::int64_t(1) << 40)) value = value * 10 + (*text - u'0');
    }
    return negative ? -value : value;
}

// A value parsed for the item by its type.
std::uint32_t FitValueToItem(std::int64_t parsed, const SettingItemDescriptor* item)
{
    const std::uint32_t code = ItemTypeCode(*item);
    const auto low = static_cast<std::uint32_t>(static_cast<std::uint64_t>(parsed));
    if (IsBitType(code)) return parsed != 0 ? 1 : 0;
    switch (code) {
    case kValueInt8:
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(low)));
    case kValueUInt8:
        return low & 0xFF;
    case kValueInt16:
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int16_t>(low)));
    case kValueUInt16:
        return low & 0xFFFF;
    case kValueInt32:
    case kValueUInt32:
        return low;
    default:
        switch (ItemLength(*item)) {
        case 1:
            return low & 0xFF;
        case 2:
            return low & 0xFFFF;
        case 4:
            return low;
        default:
            return 0;
        }
    }
}

std::u16string FormatIniNumber(DriverContext* context, const SettingItemDescriptor* item)
{
    const std::uint32_t code = ItemTypeCode(*item);
    const std::uint32_t value = ReadItemValue(context, item);
    std::string text;
    if (IsBitType(code)) {
        text = value ? "1" : "0";
    } else if (code == kValueUInt8 || code == kValueUInt16 || code == kValueUInt32) {
        text = std::to_string(value);
    } else {
        text = std::to_string(static_cast<std::int32_t>(value));
    }
    return std::u16string(text.begin(), text.end());
}

// The section of an item: its own, or the printer's.
const WCHAR* SectionOf(DriverContext* context, const SettingItemDescriptor* item)
{
    return item->iniSection ? item->iniSection : GetPrinterSectionName(context);
}

// Reads a printer-data value from the spooler or the callback into data
// (size bytes, zeroed first). Answers the spooler's status.
DWORD ReadValue(HANDLE printer, const WCHAR* name, DWORD expectedType, BYTE* data, DWORD size, DWORD* read,
                const PrinterDataCallback* callback)
{
    std::memset(data, 0, size);
    DWORD needed = 0;
    DWORD status;
    if (callback && callback->getValue) {
        status = callback->getValue(callback->state, name, expectedType, data, size, &needed);
    } else {
        DWORD type = REG_NONE;
        status = GetPrinterDataW(printer, const_cast<LPWSTR>(name), &type, data, size, &needed);
    }
    if (status == ERROR_SUCCESS && needed > size) status = ERROR_MORE_DATA;
    *read = status == ERROR_SUCCESS ? needed : 0;
    return status;
}

bool ReadExact(HANDLE printer, const WCHAR* name, void* data, DWORD size)
{
    DWORD read = 0;
    return ReadValue(printer, name, REG_BINARY, static_cast<BYTE*>(data), size, &read, nullptr) == ERROR_SUCCESS &&
           read == size;
}

bool WriteBinary(HANDLE printer, const WCHAR* name, const void* data, DWORD size, DWORD type = REG_BINARY)
{
    return SetPrinterDataW(printer, const_cast<LPWSTR>(name), type, static_cast<BYTE*>(const_cast<void*>(data)),
                           size) == ERROR_SUCCESS;
}

void NotifyPassDone(DriverContext* context, std::uint32_t event, std::int32_t area, std::uint32_t mode)
{
    PassDoneRecord record{static_cast<std::uint32_t>(area), mode};
    NotifySettingsModules(context, event, &record);
}

// Whether a settings module keeps the item for itself in a mode-2 pass;
// otherwise the context's descriptor is set to key = item name, INI.
bool ClaimedByModule(DriverContext* context, SettingItemDescriptor* item, std::uint32_t event, std::uint32_t mode)
{
    ItemClaimRecord record{mode, item, 0};
    NotifySettingsModules(context, event, &record);
    if (record.claimed) return true;
    item->key = ItemName(item);
    item->persistence = kPersistSettingsIni;
    return false;
}

const CompoundRun* LockRunStartingAt(std::uint16_t id)
{
    for (const CompoundRun& run : kLockRuns)
        if (run.firstId == id) return &run;
    return nullptr;
}

bool InLockRun(std::uint16_t id)
{
    for (const CompoundRun& run : kLockRuns)
        if (id >= run.firstId && id <= run.lastId) return true;
    return false;
}

bool EqualsSavedCopy(DriverContext* context, const SettingItemDescriptor* item)
{
    const std::uint8_t* current = GetItemAddress(context, item);
    const std::uint8_t* saved = GetSavedItemAddress(context, item);
    if (current == nullptr || saved == nullptr) return false;
    if (IsBitType(ItemTypeCode(*item))) return ReadItemValue(context, item) == ReadSavedItemValue(context, item);
    return std::memcmp(current, saved, ItemLength(*item)) == 0;
}

// Zeroes the font-list items in an image of the store: their heap
// addresses mean nothing outside this process.
void ZeroFontListItems(DriverContext* context, std::uint8_t* image)
{
    for (std::uint16_t id = kFirstFontListItem; id <= kLastFontBlockItem; ++id) {
        const SettingItemDescriptor* item = FindItem(context, id);
        if (item == nullptr) continue;
        const std::uint32_t at = GetStoreAreaBase(ItemArea(*item)) + item->offset;
        if (at + ItemLength(*item) <= GetSettingsStoreSize()) std::memset(image + at, 0, ItemLength(*item));
    }
}

void LoadLockRunsAndActions(HANDLE printer, DriverContext* context, SettingItemDescriptor* item);

}  // namespace

// ---- thin printer-data wrappers -------------------------------------------------------------------------

BOOL ReadPrinterDataValue(HANDLE printer, void* out, DWORD size, const WCHAR* valueName, DriverContext* context)
{
    (void)context;
    if (out == nullptr || size == 0 || valueName == nullptr) return FALSE;
    DWORD read = 0;
    return ReadValue(printer, valueName, REG_BINARY, static_cast<BYTE*>(out), size, &read, nullptr) == ERROR_SUCCESS;
}

BOOL WritePrinterDataBinary(HANDLE printer, const void* data, DWORD size, const WCHAR* valueName,
                            DriverContext* context)
{
    return WritePrinterDataTyped(printer, data, size, REG_BINARY, valueName, context);
}

BOOL WritePrinterDataTyped(HANDLE printer, const void* data, DWORD size, DWORD type, const WCHAR* valueName,
                           DriverContext* context)
{
    (void)context;
    if (data == nullptr || size == 0 || valueName == nullptr) return FALSE;
    return WriteBinary(printer, valueName, data, size, type) ? TRUE : FALSE;
}

BOOL ReadHelpFileName(WCHAR* out, int size, DriverContext* context)
{
    if (out == nullptr || size <= 0 || context == nullptr) return FALSE;
    std::vector<WCHAR> buffer(static_cast<std::size_t>(size) + 1, 0);
    if (!ReadPrinterDataValue(context->printer, buffer.data(), static_cast<DWORD>(size) * sizeof(WCHAR),
                              u"HelpFileName", context)) {
        out[0] = 0;
        return FALSE;
    }
    lstrcpynW(out, buffer.data(), size);
    return TRUE;
}

// ---- single items --------------------------------------------------------------------------------------

BOOL KeepsEmptyIniValue(std::uint16_t itemId)
{
    return itemId == rdmCopyProtectChar || itemId == wdmAuthenticationUserName ? TRUE : FALSE;
}

BOOL StoreItemToPrinterData(HANDLE printer, DriverContext* context, SettingItemDescriptor* item)
{
    if (item == nullptr || item->key == nullptr || IsHeapAddressItem(item->id)) return TRUE;
    std::uint8_t* address = GetItemAddress(context, item);
    const std::uint32_t code = ItemTypeCode(*item);
    const std::uint32_t length = ItemLength(*item);
    std::uint8_t bytes[4] = {};
    if (IsBitType(code) || item->id == rdmLogging) {
        WriteLe32(bytes, IsBitType(code) ? (ReadItemValue(context, item) ? 1u : 0u) : ReadItemValue(context, item));
        return WriteBinary(printer, item->key, bytes, 4, PrinterDataType(item)) ? TRUE : FALSE;
    }
    if (IsTextType(code) || code == kValueRaw) {
        if (address == nullptr) return TRUE;
        return length > 0 && WriteBinary(printer, item->key, address, length) ? TRUE : FALSE;
    }
    const std::uint32_t value = ReadItemValue(context, item);
    const std::uint32_t size = code == kValueInt8 || code == kValueUInt8     ? 1
                               : code == kValueInt16 || code == kValueUInt16 ? 2
                                                                             : 4;
    WriteLe32(bytes, value);
    return WriteBinary(printer, item->key, bytes, size) ? TRUE : FALSE;
}

BOOL LoadItemFromPrinterData(HANDLE printer, DriverContext* context, SettingItemDescriptor* item, std::uint32_t flags,
                             const PrinterDataCallback* callback)
{
    if (item == nullptr || item->key == nullptr || IsHeapAddressItem(item->id)) return TRUE;
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr || GetItemAddress(context, item) == nullptr) return FALSE;
    const PrinterDataCallback* source = (flags & kPassModeCallback) ? callback : nullptr;
    const std::uint32_t code = ItemTypeCode(*item);
    DWORD read = 0;
    if (IsBitType(code) || item->id == rdmLogging) {
        std::uint8_t bytes[4] = {};
        if (ReadValue(printer, item->key, PrinterDataType(item), bytes, 4, &read, source) != ERROR_SUCCESS || read == 0)
            return FALSE;
        WriteItemValue(context, item, IsBitType(code) ? (ReadLe32(bytes) ? 1u : 0u) : ReadLe32(bytes));
        return TRUE;
    }
    const std::uint32_t length = ItemLength(*item);
    if (length == 0) return FALSE;
    std::vector<std::uint8_t> large;
    std::uint8_t* scratch = work->printerDataBuffer;
    if (length > kScratchBytes) {
        large.assign(length, 0);
        scratch = large.data();
    }
    // The scratch is zeroed by the read: a shorter value leaves zeros behind it.
    if (ReadValue(printer, item->key, REG_BINARY, scratch, length, &read, source) != ERROR_SUCCESS) return FALSE;
    if (IsTextType(code) || code == kValueRaw) {
        if (IsTextType(code)) {
            // Text from outside ends within the field.
            const std::uint32_t unit = IsAnsiType(code) ? 1 : 2;
            std::memset(scratch + length - unit, 0, unit);
        }
        WriteItemBytes(context, item, scratch, length);
        return TRUE;
    }
    std::uint32_t value = 0;
    switch (length) {
    case 1:
        value = scratch[0];
        break;
    case 2:
        value = ReadLe16(scratch);
        break;
    default:
        value = ReadLe32(scratch);
        break;
    }
    WriteItemValue(context, item,
                   FitValueToItem(static_cast<std::int32_t>(value) == static_cast<std::int64_t>(value)
                                      ? static_cast<std::int64_t>(value)
                                      : static_cast<std::int64_t>(value),
                                  item));
    return TRUE;
}

BOOL StoreItemToIni(DriverContext* context, SettingItemDescriptor* item, const WCHAR* iniPath, IniSectionText* text)
{
    if (item == nullptr || item->key == nullptr) return TRUE;
    if (text == nullptr && (iniPath == nullptr || iniPath[0] == 0 || iniPath[1] != u':')) return TRUE;
    const std::uint32_t code = ItemTypeCode(*item);
    std::u16string value;
    if (IsTextType(code)) {
        std::vector<WCHAR> buffer(ItemLength(*item) + 1, 0);
        GetItemString(context, item, buffer.data(), buffer.size());
        value = buffer.data();
    } else {
        value = FormatIniNumber(context, item);
    }
    if (text) return AppendIniKeyValue(text, item->key, value.c_str());
    return WriteIniString(SectionOf(context, item), item->key, value.c_str(), iniPath);
}

BOOL LoadItemFromIni(DriverContext* context, SettingItemDescriptor* item, const WCHAR* iniPath, const char* text,
                     std::int32_t* position)
{
    if (item == nullptr || item->key == nullptr) return TRUE;
    if (text == nullptr && (iniPath == nullptr || iniPath[0] == 0 || iniPath[1] != u':')) return TRUE;
    auto read = [&](const WCHAR* defaultText, WCHAR* out, int size) {
        return text ? ReadIniStringFromText(item->key, defaultText, out, size, text, position)
                    : ReadIniString(SectionOf(context, item), item->key, defaultText, out, size, iniPath);
    };
    const std::uint32_t code = ItemTypeCode(*item);
    const int length = static_cast<int>(ItemLength(*item));
    if (!IsTextType(code)) {
        WCHAR number[kIniNumberChars] = {};
        if (read(u"", number, kIniNumberChars) <= 0 || number[0] == 0) return FALSE;
        WriteItemValue(context, item, FitValueToItem(ParseIniNumber(number), item));
        return TRUE;
    }
    if (KeepsEmptyIniValue(item->id)) {
        const std::u16string absent(static_cast<std::size_t>(length) + 9, u'*');
        std::vector<WCHAR> buffer(static_cast<std::size_t>(length) + 10, 0);
        read(absent.c_str(), buffer.data(), length + 10);
        if (absent == buffer.data()) return FALSE;
        buffer[static_cast<std::size_t>(length)] = 0;
        SetItemString(context, item, buffer.data());
        return TRUE;
    }
    std::vector<WCHAR> buffer(static_cast<std::size_t>(length) + 1, 0);
    read(u"", buffer.data(), length > 0 ? length : 1);
    if (buffer[0] == 0) return FALSE;
    SetItemString(context, item, buffer.data());
    return TRUE;
}

BOOL StoreItem(HANDLE printer, DriverContext* context, SettingItemDescriptor* item, const WCHAR* iniPath)
{
    if (item == nullptr) return TRUE;
    const std::uint32_t area = ItemArea(*item);
    if (item->persistence == kPersistPrinterData && (area == kAreaPrinter || area == kAreaNone))
        return StoreItemToPrinterData(printer, context, item);
    if (item->persistence == kPersistSettingsIni)
        return StoreItemToIni(context, item, iniPath ? iniPath : GetSettingsIniPath(context), nullptr);
    return TRUE;
}

// ---- compound values ----------------------------------------------------------------------------------

namespace {

// Gives the first member the compound's name and type for one call.
class CompoundSwap {
public:
    CompoundSwap(SettingItemDescriptor* first, std::uint32_t typeCode, const WCHAR* name)
        : item_(first), key_(first->key), typeWord_(first->typeWord), persistence_(first->persistence)
    {
        first->key = name;
        first->typeWord = (first->typeWord & ~(kTypeCodeMask << kTypeCodeShift)) | (typeCode << kTypeCodeShift);
    }
    ~CompoundSwap()
    {
        item_->key = key_;
        item_->typeWord = typeWord_;
        item_->persistence = persistence_;
    }
    CompoundSwap(const CompoundSwap&) = delete;
    CompoundSwap& operator=(const CompoundSwap&) = delete;

private:
    SettingItemDescriptor* item_;
    const WCHAR* key_;
    std::uint32_t typeWord_;
    std::uint16_t persistence_;
};

BOOL LoadCompoundValue(HANDLE printer, DriverContext* context, SettingItemDescriptor* first, std::uint32_t storage)
{
    if (storage == kCompoundInPrinterData) return LoadItemFromPrinterData(printer, context, first, 0, nullptr);
    return LoadItemFromIni(context, first, GetSettingsIniPath(context), nullptr, nullptr);
}

BOOL StoreCompoundValue(HANDLE printer, DriverContext* context, SettingItemDescriptor* first, std::uint32_t storage)
{
    if (storage == kCompoundInPrinterData) return StoreItemToPrinterData(printer, context, first);
    return StoreItemToIni(context, first, GetSettingsIniPath(context), nullptr);
}

}  // namespace

BOOL LoadCompoundItem(HANDLE printer, DriverContext* context, SettingItemDescriptor* first, std::uint32_t storage,
                      std::uint32_t typeCode, const WCHAR* valueName, std::uint16_t firstId, std::uint16_t lastId)
{
    if (first == nullptr || valueName == nullptr) return TRUE;
    bool found;
    {
        CompoundSwap swap(first, typeCode, valueName);
        found = LoadCompoundValue(printer, context, first, storage);
    }
    if (found) return TRUE;
    // Older data: the members under their own keys, then the compound at once.
    for (std::uint32_t id = firstId; id <= lastId; ++id) {
        SettingItemDescriptor* member = FindItem(context, static_cast<std::uint16_t>(id));
        if (member == nullptr || member->key == nullptr) continue;
        if (storage == kCompoundInPrinterData) {
            LoadItemFromPrinterData(printer, context, member, 0, nullptr);
        } else {
            LoadItemFromIni(context, member, GetSettingsIniPath(context), nullptr, nullptr);
        }
    }
    CompoundSwap swap(first, typeCode, valueName);
    StoreCompoundValue(printer, context, first, storage);
    return TRUE;
}

BOOL StoreCompoundItem(HANDLE printer, DriverContext* context, SettingItemDescriptor* first, std::uint32_t storage,
                       std::uint32_t typeCode, const WCHAR* valueName)
{
    if (first == nullptr || valueName == nullptr) return TRUE;
    CompoundSwap swap(first, typeCode, valueName);
    return StoreCompoundValue(printer, context, first, storage);
}

// ---- passes ---------------------------------------------------------------------------------------------

namespace {

void LoadLockRunsAndActions(HANDLE printer, DriverContext* context, SettingItemDescriptor* item)
{
    if (const CompoundRun* run = LockRunStartingAt(item->id)) {
        LoadCompoundItem(printer, context, item, kCompoundInPrinterData, run->typeCode, run->valueName, run->firstId,
                         run->lastId);
    }
}

bool IsIniLoadAllowed(DriverContext* context)
{
    const ContextWorkArea* work = context->workArea;
    return (work->creationMode & kCreateModeMask) != 1 && (work->callerKind & kCallerKindsWithoutIni) == 0;
}

}  // namespace

BOOL LoadItemsPass(HANDLE printer, DriverContext* context, std::int32_t area, std::uint32_t mode,
                   const PrinterDataCallback* callback)
{
    if (context == nullptr || context->workArea == nullptr || context->itemTable == nullptr) return TRUE;
    LockSettingsMutex(context);
    const WCHAR* iniPath = GetSettingsIniPath(context);
    SettingItemDescriptor* firstAction = nullptr;
    int specialCount = 0;
    const bool customMedia = IsCustomMediaEnabled(context);
    ItemTable* table = context->itemTable;
    for (int i = 0; i < table->count; ++i) {
        SettingItemDescriptor* item = &table->items[i];
        const std::uint16_t id = item->id;
        if (id <= dmPanningHeight || kRunTimeItems.Holds(id)) continue;
        if ((mode & kPassModeByName) && ClaimedByModule(context, item, kModuleEventLoadClaim, mode)) continue;
        const std::uint32_t itemArea = ItemArea(*item);
        if (area != kAllAreas && itemArea != static_cast<std::uint32_t>(area)) continue;
        if (id >= wdmSpecial1 && id <= wdmSpecial16) {
            if (IsBuildFeatureOn(id - wdmSpecial1)) ++specialCount;
            continue;
        }
        if (id >= wdmSpecial1Func0 && id <= wdmSpecial2Func7) {
            WriteItemValue(context, item, IsBuildFeatureOn(id - wdmSpecial1Func0) ? 1 : 0);
            continue;
        }
        if (id >= wdmLock000Info && id <= wdmLock015Info && IsFeatureClassOn(context, kFeatureAdminLocks, 0)) {
            if (id == wdmLock000Info) SendSettingsModuleCommand(context, kModuleCommandCopyLocks);
            continue;
        }
        const bool printerArea = itemArea == kAreaPrinter || itemArea == kAreaNone;
        if (printerArea && item->persistence == kPersistPrinterData) {
            if (InLockRun(id)) {
                LoadLockRunsAndActions(printer, context, item);
            } else if (customMedia && id >= kFirstCustomMediaItem && id <= kLastCustomMediaItem) {
                if (id == wdmCustomMediaDataNum) LoadCustomMediaRecords(printer, context);
            } else {
                LoadItemFromPrinterData(printer, context, item, mode, callback);
            }
        } else if (item->persistence == kPersistSettingsIni && IsIniLoadAllowed(context)) {
            if (id >= kFirstActionItem && id <= kLastActionItem) {
                if (firstAction == nullptr) firstAction = item;
            } else {
                LoadItemFromIni(context, item, iniPath, nullptr, nullptr);
            }
        }
    }
    if (firstAction) {
        LoadCompoundItem(printer, context, firstAction, 1, kActionRun.typeCode, kActionRun.valueName,
                         kActionRun.firstId, kActionRun.lastId);
    }
    NotifyPassDone(context, kModuleEventLoadDone, area, mode);
    if (IsFeatureClassOn(context, kFeatureAdminLocks, 0) && GetItemValue(context, rdmLock000InfoBitDefault))
        ReadLockDefaultData(printer, context);
    if (specialCount > 0) {
        LoadSpecialFunctions(context);
        LoadSettingsEnabledFlag(context);
    }
    UnlockSettingsMutex(context);
    return TRUE;
}

BOOL LoadItemsOfClass(HANDLE printer, DriverContext* context, std::int32_t area, std::uint32_t mode)
{
    return LoadItemsPass(printer, context, area, mode, nullptr);
}

BOOL LoadStoredItems(HANDLE printer, std::int32_t area, DriverContext* context)
{
    switch (area) {
    case kAllAreas:
        LoadItemsPass(printer, context, kAllAreas, 0, nullptr);
        LoadFontLists(printer, context);
        break;
    case 1:
        LoadItemsPass(printer, context, kAreaWork, 0, nullptr);
        LoadItemsPass(printer, context, kAreaDevmode, 0, nullptr);
        break;
    case 2:
        LoadItemsPass(printer, context, kAreaPrinter, 0, nullptr);
        LoadFontLists(printer, context);
        break;
    default:
        break;
    }
    return TRUE;
}

BOOL StoreItemsPass(HANDLE printer, DriverContext* context, std::int32_t area, std::uint32_t flags)
{
    if (context == nullptr || context->workArea == nullptr || context->itemTable == nullptr) return TRUE;
    const bool force = (flags & kStoreForce) != 0;
    const std::uint32_t plain = flags & ~kStoreForce;
    const WCHAR* iniPath = GetSettingsIniPath(context);
    // The values of the pass are gathered and then written under the
    // settings mutex: the printer data in one replace of the printer's file,
    // the settings INI in one rewrite.
    const bool batchedData = printer && BeginPrinterDataBatch(printer) == ERROR_SUCCESS;
    const bool batchedIni = iniPath && iniPath[0] && iniPath[1] == u':' && BeginProfileBatch(iniPath);
    const bool customMedia = IsCustomMediaEnabled(context);
    const bool connection = IsPrinterConnection(context);
    const bool lockCompounds = IsFeatureClassOn(context, kFeatureAdminLocks, 0);
    ContextWorkArea* work = context->workArea;
    SettingItemDescriptor* firstAction = nullptr;
    ItemTable* table = context->itemTable;
    for (int i = 0; i < table->count; ++i) {
        SettingItemDescriptor* item = &table->items[i];
        const std::uint16_t id = item->id;
        if ((plain & kStoreCustomFunctions) && !(id >= wdmCustomFunc0 && id <= wdmCustomFunc31)) continue;
        if (plain & kStorePrinterSide) {
            const bool printerSide = id >= kFirstPrinterSideItem && id <= kLastPrinterSideItem &&
                                     !IsValueInNumberedList(kPrinterSideExcludedList, id);
            const bool mediaItem = id >= kFirstCustomMediaItem && id <= kLastCustomMediaItem;
            if (!printerSide && !mediaItem) continue;
            if (mediaItem && customMedia && item->persistence != kPersistSettingsIni) continue;
        }
        if (plain == kPassModeByName && ClaimedByModule(context, item, kModuleEventStoreClaim, plain)) continue;
        const std::uint32_t itemArea = ItemArea(*item);
        if (area != kAllAreas && itemArea != static_cast<std::uint32_t>(area)) continue;
        if (id >= kFirstFontListItem && id <= kLastFontListItem) continue;
        if (lockCompounds && InLockRun(id)) {
            if (const CompoundRun* run = LockRunStartingAt(id))
                StoreCompoundItem(printer, context, item, kCompoundInPrinterData, run->typeCode, run->valueName);
            continue;
        }
        if (connection && (id == rdmLogCodeUse || id == rdmLogCode) && GetItemValue(context, rdmServerLogCode) == 0)
            continue;
        if (itemArea == kAreaPrinter && (work->creationMode & kCreateModeMask) == 0 && !force && work->savedStore &&
            EqualsSavedCopy(context, item)) {
            continue;
        }
        if (id >= kFirstActionItem && id <= kLastActionItem) {
            if (firstAction == nullptr) firstAction = item;
            continue;
        }
        StoreItem(printer, context, item, iniPath);
    }
    if (firstAction) StoreCompoundItem(printer, context, firstAction, 1, kActionRun.typeCode, kActionRun.valueName);
    if ((plain & kStorePrinterSide) && customMedia) StoreCustomMediaRecords(printer, context);
    LockSettingsMutex(context);
    NotifyPassDone(context, kModuleEventStoreDone, area, plain);
    if (batchedData) EndPrinterDataBatch(printer);
    if (batchedIni) EndProfileBatch(iniPath);
    UnlockSettingsMutex(context);
    if (area == kAreaWork && flags == 0) StoreItemsPass(printer, context, kAreaWork, kPassModeByName);
    return TRUE;
}

BOOL StoreRegularItems(HANDLE printer, DriverContext* context)
{
    StoreItemsPass(printer, context, kAreaWork, 0);
    StoreItemsPass(printer, context, kAreaDevmode, 0);
    return TRUE;
}

BOOL StoreIniItems(HANDLE printer, DriverContext* context)
{
    return StoreItemsPass(printer, context, kAreaWork, kPassModeByName);
}

// ---- font lists ----------------------------------------------------------------------------------------

namespace {

BOOL StoreFontList(HANDLE printer, DriverContext* context, const FontListPlace& place, std::uint32_t flags)
{
    std::uint32_t count = 0;
    DeviceFontRecord* list = nullptr;
    DeviceFontRecord* modelCopy = nullptr;
    if (flags & kFontsFromModel) {
        std::int32_t modelCount = 0;
        modelCopy = place.copyModelList(context, &modelCount);
        count = static_cast<std::uint32_t>(modelCount);
        list = modelCopy;
    } else {
        count = GetHeapListCount(context, place.countItem, place.listItem, sizeof(DeviceFontRecord));
        list = static_cast<DeviceFontRecord*>(GetItemHeapAddress(context, place.listItem));
    }
    BOOL result = FALSE;
    if (list != nullptr && count > 0) {
        std::vector<std::uint8_t> bytes(count * kDeviceFontRecordSize);
        for (std::uint32_t i = 0; i < count; ++i)
            EncodeDeviceFontRecord(list[i], bytes.data() + i * kDeviceFontRecordSize);
        const auto* saved = static_cast<DeviceFontRecord*>(GetSavedItemHeapAddress(context, place.listItem));
        const bool unchanged = (flags & kFontsIfChanged) && (context->workArea->creationMode & kCreateModeMask) == 0 &&
                               GetSavedItemValue(context, place.countItem) == count && saved &&
                               std::memcmp(saved, list, count * sizeof(DeviceFontRecord)) == 0;
        if (unchanged) {
            result = TRUE;
        } else {
            std::uint8_t countBytes[2] = {};
            WriteLe16(countBytes, static_cast<std::uint16_t>(count));
            result = WriteBinary(printer, place.countName, countBytes, 2) &&
                             WriteBinary(printer, place.listName, bytes.data(), static_cast<DWORD>(bytes.size()))
                         ? TRUE
                         : FALSE;
        }
    }
    FreeIfNotNull(modelCopy);
    return result;
}

BOOL LoadFontList(HANDLE printer, DriverContext* context, const FontListPlace& place)
{
    FreeIfNotNull(GetItemHeapAddress(context, place.listItem));
    SetItemHeapAddress(context, place.listItem, nullptr);
    SetItemValue(context, place.countItem, 0);
    std::uint8_t countBytes[2] = {};
    if (!ReadExact(printer, place.countName, countBytes, 2)) {
        if (!StoreFontList(printer, context, place, kFontsFromModel)) return TRUE;
        if (!ReadExact(printer, place.countName, countBytes, 2)) return TRUE;
    }
    const std::uint32_t count = ReadLe16(countBytes);
    if (count == 0) return FALSE;
    std::vector<std::uint8_t> bytes(count * kDeviceFontRecordSize);
    auto* list = static_cast<DeviceFontRecord*>(AllocZeroed(count * sizeof(DeviceFontRecord)));
    if (list == nullptr || !ReadExact(printer, place.listName, bytes.data(), static_cast<DWORD>(bytes.size()))) {
        FreeIfNotNull(list);
        return FALSE;
    }
    for (std::uint32_t i = 0; i < count; ++i)
        list[i] = DecodeDeviceFontRecord(bytes.data() + i * kDeviceFontRecordSize);
    SetItemValue(context, place.countItem, count);
    SetItemHeapAddress(context, place.listItem, list);
    return TRUE;
}

const WCHAR* FontTableCountName(std::uint32_t flags)
{
    return flags & kFontsDefaultTable ? u"DefFontTableNum" : u"FontTableNum";
}
const WCHAR* LastFontTableCountName(std::uint32_t flags)
{
    return flags & kFontsDefaultTable ? u"DefFontTableNum" : u"LastFontTableNum";
}

std::u16string NumberedName(const char16_t* prefix, std::uint32_t n)
{
    std::u16string name = prefix;
    for (char c : std::to_string(n)) name += static_cast<char16_t>(c);
    return name;
}

const char16_t* TrueTypePrefix(std::uint32_t flags)
{
    return flags & kFontsDefaultTable ? u"TTFontDefTable" : u"TTFontTable";
}
const char16_t* DevicePrefix(std::uint32_t flags)
{
    return flags & kFontsDefaultTable ? u"DevFontDefTable" : u"DevFontTable";
}

}  // namespace

BOOL LoadDeviceFonts(HANDLE printer, DriverContext* context)
{
    return LoadFontList(printer, context, kDeviceFontPlace);
}
BOOL LoadOptionFonts(HANDLE printer, DriverContext* context)
{
    return LoadFontList(printer, context, kOptionFontPlace);
}
BOOL StoreDeviceFonts(HANDLE printer, DriverContext* context, std::uint32_t flags)
{
    return StoreFontList(printer, context, kDeviceFontPlace, flags);
}
BOOL StoreOptionFonts(HANDLE printer, DriverContext* context, std::uint32_t flags)
{
    return StoreFontList(printer, context, kOptionFontPlace, flags);
}

BOOL WriteFontSubstPairs(HANDLE printer, const FontSubstPair* pairs, std::uint32_t count, std::uint32_t flags)
{
    // The pairs of one table reach the printer file in one atomic write.
    BOOL result = TRUE;
    const bool batched = printer && BeginPrinterDataBatch(printer) == ERROR_SUCCESS;
    std::uint8_t name[kFontNameBytes];
    for (std::uint32_t n = 1; n <= count && pairs; ++n) {
        EncodeFontName(pairs[n - 1].trueTypeFace, name);
        if (!WriteBinary(printer, NumberedName(TrueTypePrefix(flags), n).c_str(), name, kFontNameBytes)) result = FALSE;
        EncodeFontName(pairs[n - 1].deviceFont, name);
        if (!WriteBinary(printer, NumberedName(DevicePrefix(flags), n).c_str(), name, kFontNameBytes)) result = FALSE;
    }
    if (batched && EndPrinterDataBatch(printer) != ERROR_SUCCESS) result = FALSE;
    return result;
}

DWORD ReadFontSubstTable(HANDLE printer, FontSubstPair* pairs, std::uint32_t count, std::uint32_t flags)
{
    if (pairs == nullptr) return ERROR_NOT_ENOUGH_MEMORY;
    std::vector<std::uint8_t> trueType(count * kFontNameBytes, 0);
    std::vector<std::uint8_t> device(count * kFontNameBytes, 0);
    DWORD result = 0;
    for (std::uint32_t n = 1; n <= count; ++n) {
        std::uint8_t* tt = trueType.data() + (n - 1) * kFontNameBytes;
        std::uint8_t* dev = device.data() + (n - 1) * kFontNameBytes;
        DWORD read = 0;
        const DWORD a = ReadValue(printer, NumberedName(TrueTypePrefix(flags), n).c_str(), REG_BINARY, tt,
                                  kFontNameBytes, &read, nullptr);
        const DWORD b = ReadValue(printer, NumberedName(DevicePrefix(flags), n).c_str(), REG_BINARY, dev,
                                  kFontNameBytes, &read, nullptr);
        if (a != ERROR_SUCCESS || b != ERROR_SUCCESS) {
            // The table is whole or not at all: the first missing pair ends the read.
            std::memset(tt, 0, kFontNameBytes);
            std::memset(dev, 0, kFontNameBytes);
            result = a != ERROR_SUCCESS ? a : b;
            break;
        }
    }
    JoinFontSubstPairs(trueType.data(), device.data(), count, pairs);
    return result;
}

BOOL StoreFontSubstTable(HANDLE printer, DriverContext* context, std::uint32_t flags)
{
    std::uint32_t count = 0;
    FontSubstPair* pairs = nullptr;
    FontSubstPair* modelCopy = nullptr;
    if (flags & (kFontsFromModel | kFontsDefaultTable)) {
        // The model has one substitution list; it is both the current and the default table.
        std::int32_t modelCount = 0;
        modelCopy = CopyFontSubstTable(context, &modelCount);
        count = static_cast<std::uint32_t>(modelCount);
        pairs = modelCopy;
        if ((flags & kFontsFromModel) && count == 0) {
            FreeIfNotNull(modelCopy);
            return TRUE;
        }
    } else {
        count = GetHeapListCount(context, rdmFontTableNum, rdmFontTable, sizeof(FontSubstPair));
        pairs = static_cast<FontSubstPair*>(GetItemHeapAddress(context, rdmFontTable));
        const auto* saved = static_cast<FontSubstPair*>(GetSavedItemHeapAddress(context, rdmFontTable));
        if ((flags & kFontsIfChanged) && (context->workArea->creationMode & kCreateModeMask) == 0 &&
            GetSavedItemValue(context, rdmFontTableNum) == count &&
            (count == 0 || (saved && pairs && std::memcmp(saved, pairs, count * sizeof(FontSubstPair)) == 0))) {
            return TRUE;
        }
    }
    if (pairs == nullptr) count = 0;
    std::uint8_t countBytes[2] = {};
    WriteLe16(countBytes, static_cast<std::uint16_t>(count));
    BOOL result = TRUE;
    if (count > 0) {
        if (!WriteBinary(printer, FontTableCountName(flags), countBytes, 2)) result = FALSE;
        if (!WriteFontSubstPairs(printer, pairs, count, flags)) result = FALSE;
    }
    if (!WriteBinary(printer, LastFontTableCountName(flags), countBytes, 2)) result = FALSE;
    // The first-load road finds the table by its count value.
    if (count == 0 && !(flags & kFontsDefaultTable) && !WriteBinary(printer, u"FontTableNum", countBytes, 2))
        result = FALSE;
    FreeIfNotNull(modelCopy);
    return result;
}

BOOL LoadFontSubstTable(HANDLE printer, DriverContext* context)
{
    FreeIfNotNull(GetItemHeapAddress(context, rdmFontTable));
    SetItemHeapAddress(context, rdmFontTable, nullptr);
    SetItemValue(context, rdmFontTableNum, 0);
    std::uint8_t countBytes[2] = {};
    if (!ReadExact(printer, u"FontTableNum", countBytes, 2)) {
        if (!StoreFontSubstTable(printer, context, kFontsFromModel)) return TRUE;
        if (!ReadExact(printer, u"FontTableNum", countBytes, 2)) return TRUE;
    }
    // The count comes from outside: it is capped at what the list can hold.
    const std::uint32_t count = std::min<std::uint32_t>(ReadLe16(countBytes), kMaxFontSubstPairs);
    if (count == 0) return TRUE;
    auto* pairs = static_cast<FontSubstPair*>(AllocZeroed(count * sizeof(FontSubstPair)));
    if (pairs == nullptr || ReadFontSubstTable(printer, pairs, count, kFontsIfChanged) != 0) {
        FreeIfNotNull(pairs);
        return FALSE;
    }
    SetItemValue(context, rdmFontTableNum, count);
    SetItemHeapAddress(context, rdmFontTable, pairs);
    return TRUE;
}

BOOL LoadFontLists(HANDLE printer, DriverContext* context)
{
    LoadDeviceFonts(printer, context);
    LoadOptionFonts(printer, context);
    LoadFontSubstTable(printer, context);
    return TRUE;
}

BOOL FreeFontListItems(DriverContext* context)
{
    if (context == nullptr || context->store == nullptr) return TRUE;
    for (std::uint16_t id : {rdmDeviceFont, rdmOptionFont, rdmFontTable}) {
        FreeIfNotNull(GetItemHeapAddress(context, id));
        SetItemHeapAddress(context, id, nullptr);
    }
    return TRUE;
}

// ---- custom media --------------------------------------------------------------------------------------

void EncodeCustomMediaRecord(const CustomMediaRecord& record, std::uint8_t* out)
{
    WriteLe32(out, record.quot);
    WriteLe32(out + 4, record.charSet);
    std::memcpy(out + 8, record.name, sizeof(record.name));
}

CustomMediaRecord DecodeCustomMediaRecord(const std::uint8_t* bytes)
{
    CustomMediaRecord record{};
    record.quot = ReadLe32(bytes);
    record.charSet = ReadLe32(bytes + 4);
    std::memcpy(record.name, bytes + 8, sizeof(record.name));
    record.name[sizeof(record.name) - 1] = 0;
    return record;
}

BOOL IsCustomMediaEnabled(DriverContext* context)
{
    return IsFeatureClassOn(context, kFeatureCustomMedia, 0) && IsBuildFeatureOn(kFeatureCustomMediaSync) &&
                   HasModelCapability(context, 1)
               ? TRUE
               : FALSE;
}

void ResetCustomMediaItems(DriverContext* context)
{
    SetItemValue(context, wdmCustomMediaDataNum, GetItemValue(context, wdmCustomMediaMaxNum));
    for (const CustomMediaSlot* slot = GetCustomMediaSlotTable(); slot && slot->ratioItem; ++slot) {
        SetItemValue(context, slot->ratioItem, 1);
        SetItemString(context, FindItem(context, slot->nameItem), u"");
        SetItemValue(context, slot->charsetItem, 0);
    }
}

BOOL LoadCustomMediaRecords(HANDLE printer, DriverContext* context)
{
    ResetCustomMediaItems(context);
    std::uint8_t countBytes[2] = {};
    if (!ReadExact(printer, u"CustomMediaDataNum", countBytes, 2)) return FALSE;
    const std::uint32_t stored = ReadLe16(countBytes);
    const std::uint32_t maximum = GetItemValue(context, wdmCustomMediaMaxNum);
    if (stored == 0 || maximum == 0) return FALSE;
    std::vector<std::uint8_t> bytes(maximum * kCustomMediaRecordSize, 0);
    DWORD read = 0;
    if (ReadValue(printer, u"CustomMediaData", REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()), &read,
                  nullptr) != ERROR_SUCCESS) {
        return FALSE;
    }
    SetItemValue(context, wdmCustomMediaDataNum, stored);
    // At most the records that were read and the slots there are.
    std::uint32_t n = 0;
    for (const CustomMediaSlot* slot = GetCustomMediaSlotTable(); slot && slot->ratioItem && n < stored && n < maximum;
         ++slot, ++n) {
        const CustomMediaRecord record = DecodeCustomMediaRecord(bytes.data() + n * kCustomMediaRecordSize);
        SetItemOption(context, slot->ratioItem, record.quot);
        WCHAR name[sizeof(record.name)] = {};
        AnsiToWide(name, record.name, static_cast<int>(sizeof(record.name)));
        SetItemString(context, FindItem(context, slot->nameItem), name);
        SetItemOption(context, slot->charsetItem, record.charSet);
    }
    return TRUE;
}

BOOL StoreCustomMediaRecords(HANDLE printer, DriverContext* context)
{
    const std::uint32_t maximum = GetItemValue(context, wdmCustomMediaMaxNum);
    std::vector<std::uint8_t> bytes(maximum * kCustomMediaRecordSize, 0);
    std::uint32_t n = 0;
    for (const CustomMediaSlot* slot = GetCustomMediaSlotTable(); slot && slot->ratioItem && n < maximum; ++slot, ++n) {
        CustomMediaRecord record{};
        record.quot = GetItemValue(context, slot->ratioItem);
        record.charSet = GetItemValue(context, slot->charsetItem);
        const SettingItemDescriptor* name = FindItem(context, slot->nameItem);
        if (const std::uint8_t* field = GetItemAddress(context, name))
            std::memcpy(record.name, field, strnlen(reinterpret_cast<const char*>(field), ItemLength(*name)));
        EncodeCustomMediaRecord(record, bytes.data() + n * kCustomMediaRecordSize);
    }
    std::uint8_t countBytes[2] = {};
    WriteLe16(countBytes, static_cast<std::uint16_t>(GetItemValue(context, wdmCustomMediaDataNum)));
    const bool counted = WriteBinary(printer, u"CustomMediaDataNum", countBytes, 2);
    const bool written =
        bytes.empty() || WriteBinary(printer, u"CustomMediaData", bytes.data(), static_cast<DWORD>(bytes.size()));
    return counted && written ? TRUE : FALSE;
}

// ---- locks ---------------------------------------------------------------------------------------------

BOOL ApplyLockedValues(HANDLE printer, DriverContext* context)
{
    for (const LockedValue& lock : kLockedValues) {
        if (GetItemValue(context, lock.lockBit) == 0) continue;
        if (lock.selectItem) SetItemValue(context, lock.selectItem, 1);
        std::uint8_t bytes[4] = {};
        if (!ReadExact(printer, lock.valueName, bytes, 4)) return FALSE;
        SetItemValue(context, lock.item, ReadLe32(bytes));
        if (lock.secondItem) SetItemValue(context, lock.secondItem, ReadLe32(bytes));
    }
    if (GetItemValue(context, rdmLock000InfoBitResolution))
        SetItemValue(context, rdmDstResolutionBoth, GetItemValue(context, rdmLockDstResolutionBoth));
    SendSettingsModuleCommand(context, kModuleCommandCopyLocks);
    return TRUE;
}

BOOL ReadLockDefaultData(HANDLE printer, DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr || work->defaultStore == nullptr) return FALSE;
    const std::uint32_t size = GetSettingsStoreSize();
    std::vector<std::uint8_t> image(size, 0);
    // A store written before area 3 grew is shorter: the bytes that are
    // there are taken and the rest of area 3 stays zero.
    const std::uint32_t previousSize = GetDevmodeSize() + GetStoreArea2Size() + kPreviousStoreArea3Size;
    DWORD read = 0;
    if (ReadValue(printer, u"LockDefaultData", REG_BINARY, image.data(), size, &read, nullptr) != ERROR_SUCCESS)
        return FALSE;
    if (read != size && read != previousSize) return FALSE;
    std::memset(image.data() + read, 0, size - read);
    ZeroFontListItems(context, image.data());
    std::memcpy(work->defaultStore, image.data(), size);
    return TRUE;
}

BOOL WriteLockDefaultData(HANDLE printer, DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr || work->defaultStore == nullptr) return FALSE;
    const std::uint32_t size = GetSettingsStoreSize();
    std::vector<std::uint8_t> image(work->defaultStore, work->defaultStore + size);
    ZeroFontListItems(context, image.data());
    return WriteBinary(printer, u"LockDefaultData", image.data(), size) ? TRUE : FALSE;
}

// ---- special functions and the registry -----------------------------------------------------------------

namespace {

// The section of the user-information INI that holds "Function%d", or empty.
std::u16string FindUserInformation(DriverContext* context, std::u16string& file)
{
    const WCHAR* modelFile = GetModelFilePath(context);
    if (modelFile == nullptr || modelFile[0] == 0) return {};
    WCHAR path[MAX_PATH] = {};
    ReadIniString(GetPrinterSectionName(context), u"UserInfomationFile", u"", path, MAX_PATH, modelFile);
    if (path[0] == 0 || !ExpandSystemRootPath(path, MAX_PATH, context)) return {};
    file = path;
    WCHAR choice[32] = {};
    ReadIniString(u"Common", u"SectionName", u"", choice, 32, path);
    if (lstrcmpiW(choice, u"User") == 0) {
        WCHAR user[kUserNameChars] = {};
        DWORD size = kUserNameChars;
        if (!GetUserNameW(user, &size)) return {};
        return user;
    }
    if (lstrcmpiW(choice, u"Driver") == 0) return GetDriverName(context);
    if (lstrcmpiW(choice, u"Printer") == 0) return GetPrinterSectionName(context);
    return {};
}

}  // namespace

void LoadSpecialFunctions(DriverContext* context)
{
    std::u16string file;
    std::u16string section;
    bool located = false;
    bool failed = false;
    for (int n = 1; n <= kSpecialFunctionCount; ++n) {
        const auto item = static_cast<std::uint16_t>(wdmSpecial1 + n - 1);
        if (failed || !IsBuildFeatureOn(static_cast<std::uint32_t>(n - 1))) {
            SetItemValue(context, item, 0);
            continue;
        }
        if (!located) {
            section = FindUserInformation(context, file);
            located = true;
            failed = section.empty();
            if (failed) {
                SetItemValue(context, item, 0);
                continue;
            }
        }
        const std::u16string key = NumberedName(u"Function", static_cast<std::uint32_t>(n));
        SetItemValue(context, item,
                     static_cast<std::uint32_t>(ReadIniInt(section.c_str(), key.c_str(), 0, file.c_str())));
    }
}

BOOL ReadSettingsEnabledValue(std::uint32_t* out)
{
    if (out == nullptr) return FALSE;
    *out = 0;
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_CURRENT_USER, u"SOFTWARE\\VORNA\\DRIVER\\SETTINGS", &key) != ERROR_SUCCESS) return FALSE;
    DWORD type = REG_NONE;
    std::uint8_t bytes[4] = {};
    DWORD size = sizeof(bytes);
    if (RegQueryValueExW(key, u"Enabled", nullptr, &type, bytes, &size) == ERROR_SUCCESS && type == REG_DWORD &&
        size == 4) {
        const std::uint32_t value = ReadLe32(bytes);
        *out = value == 1 ? 2 : value == 0 ? 1 : 0;
    }
    RegCloseKey(key);
    return TRUE;
}

void LoadSettingsEnabledFlag(DriverContext* context)
{
    if (!IsBuildFeatureOn(kFeatureSettingsEnabledFlag)) return;
    std::uint32_t value = 0;
    ReadSettingsEnabledValue(&value);
    SetItemValue(context, wdmSpecial2, value);
}

BOOL ReadHklmValue(const WCHAR* subKey, const WCHAR* valueName, void* out, DWORD size, DriverContext* context)
{
    (void)context;
    if (subKey == nullptr || out == nullptr || size == 0) return FALSE;
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, subKey, &key) != ERROR_SUCCESS) return FALSE;
    DWORD bytes = size;
    const LSTATUS status = RegQueryValueExW(key, valueName, nullptr, nullptr, static_cast<BYTE*>(out), &bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? TRUE : FALSE;
}

BOOL IsCompanionFunctionInstalled(int function, DriverContext* context)
{
    std::uint8_t bytes[4] = {};
    if (function == 2) {
        return ReadHklmValue(u"Software\\VORNA\\FunctionMix\\JobBinder", u"INSTALL_COUNT", bytes, 4, context) &&
                       ReadLe32(bytes) != 0
                   ? TRUE
                   : FALSE;
    }
    if (function == 8) {
        return ReadHklmValue(u"Software\\VORNA\\FunctionMix\\Preview", u"VERSION", bytes, 4, context) &&
                       ReadLe32(bytes) != 0
                   ? TRUE
                   : FALSE;
    }
    return FALSE;
}

// ---- the printer's default DEVMODE -----------------------------------------------------------------------

BOOL ReadPrinterDefaultDevmode(DriverContext* context)
{
    if (context == nullptr || context->store == nullptr) return FALSE;
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(context->printer, 2));
    BOOL copied = FALSE;
    if (info && info->pDevMode) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(info->pDevMode);
        const std::uint16_t specVersion = ReadLe16(bytes + 64);
        const std::uint16_t size = ReadLe16(bytes + kDevmodeSizeField);
        const std::uint16_t extra = ReadLe16(bytes + kDevmodeDriverExtraField);
        if (specVersion != 0 && size == GetPublicDevmodeSize() && extra == GetPrivateDevmodeSize()) {
            std::memcpy(GetStoreBytes(context), bytes, GetDevmodeSize());
            copied = TRUE;
        }
    }
    FreeIfNotNull(info);
    return copied;
}

BOOL UsePrinterDefaultDevmode(DriverContext* context)
{
    if (!ReadPrinterDefaultDevmode(context)) return FALSE;
    return IsDevmodeSameModelAndSize(GetStoreBytes(context), context);
}

}  // namespace vexl
