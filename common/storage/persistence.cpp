#include "common/storage/persistence.h"

#include "common/core/appservices.h"
#include "common/core/context.h"
#include "common/core/item_layout.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/memory.h"
#include "common/core/module_events.h"
#include "common/core/printer.h"
#include "common/core/process.h"
#include "common/core/settings_modules.h"
#include "common/core/store.h"
#include "common/core/switches.h"
#include "common/core/textconv.h"
#include "common/model/paper_geometry.h"
#include "common/storage/directories.h"
#include "common/storage/printer_data_io.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace vexl {
namespace {

using namespace printer_data_io;

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
constexpr std::uint16_t kPrinterSideExcludedList = 5;
constexpr std::uint32_t kCallerKindsWithoutIni =
    kCallerDocumentProperties | kCallerDeviceCapabilities | kCallerEnablePdev;

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

// ---- bidi flags in printer data --------------------------------------------------------------------------------

BOOL IsBidiConfiguredInPrinterData(DriverContext* context)
{
    DWORD flag = 0;
    return ReadBidiFlag(context, &flag) && (flag & kBidiFlagStored) ? TRUE : FALSE;
}

BOOL ReadBidiFlag(DriverContext* context, DWORD* flag)
{
    std::uint8_t bytes[4] = {};
    if (!ReadPrinterDataValue(context->printer, bytes, sizeof(bytes), kBidiFlagName, context)) return FALSE;
    *flag = static_cast<DWORD>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<DWORD>(bytes[3]) << 24);
    return TRUE;
}

BOOL WriteBidiFlag(DriverContext* context, DWORD flag)
{
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(flag), static_cast<std::uint8_t>(flag >> 8),
                                   static_cast<std::uint8_t>(flag >> 16), static_cast<std::uint8_t>(flag >> 24)};
    return WritePrinterDataBinary(context->printer, bytes, sizeof(bytes), kBidiFlagName, context);
}

BOOL WriteBidiFunc(DriverContext* context, std::uint8_t bits)
{
    return WritePrinterDataBinary(context->printer, &bits, 1, kBidiFuncName, context);
}

BOOL RewriteBidiFlag(DriverContext* context)
{
    DWORD flag = 0;
    return ReadBidiFlag(context, &flag) && WriteBidiFlag(context, flag) ? TRUE : FALSE;
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

namespace {

// How often a store writes its files ahead before it writes them under the
// settings mutex: each try that another writer overtook is made again.
constexpr int kStoreTriesAhead = 3;

struct StorePassDone {
    DriverContext* context;
    std::int32_t area;
    std::uint32_t mode;
};

void NotifyStorePassDone(void* state)
{
    const auto* done = static_cast<const StorePassDone*>(state);
    NotifyPassDone(done->context, kModuleEventStoreDone, done->area, done->mode);
}

// Ends the open batches and clears their flags; with retry, a batch that
// another writer overtook stays open with its flag set. The first failure
// is kept.
void EndStoreBatches(StoreBatches& batches, bool retry, DWORD& failure)
{
    if (batches.data) {
        const DWORD error = retry ? EndPreparedPrinterDataBatch(batches.printer) : EndPrinterDataBatch(batches.printer);
        if (error != ERROR_RETRY) batches.data = false;
        if (error != ERROR_SUCCESS && error != ERROR_RETRY && failure == ERROR_SUCCESS) failure = error;
    }
    if (batches.ini) {
        const BOOL ended = retry ? EndPreparedProfileBatch(batches.iniPath) : EndProfileBatch(batches.iniPath);
        const DWORD error = ended ? ERROR_SUCCESS : GetLastError();
        if (error != ERROR_RETRY) batches.ini = false;
        if (!ended && error != ERROR_RETRY && failure == ERROR_SUCCESS) failure = error ? error : ERROR_WRITE_FAULT;
    }
}

}  // namespace

BOOL CommitStoreBatches(DriverContext* context, StoreBatches& batches, void (*whileLocked)(void* state), void* state)
{
    DWORD failure = ERROR_SUCCESS;
    for (int attempt = 0; attempt <= kStoreTriesAhead; ++attempt) {
        const bool last = attempt == kStoreTriesAhead;
        if (!last && batches.data) PreparePrinterDataBatch(batches.printer);
        if (!last && batches.ini) PrepareProfileBatch(batches.iniPath);
        LockSettingsMutex(context);
        if (attempt == 0 && whileLocked) whileLocked(state);
        EndStoreBatches(batches, !last, failure);
        UnlockSettingsMutex(context);
        if (!batches.data && !batches.ini) break;
    }
    // The old versions of the files go once the mutex is free.
    RemoveReplacedFiles();
    if (failure == ERROR_SUCCESS) return TRUE;
    SetLastError(failure);
    return FALSE;
}

BOOL LoadItemsPass(HANDLE printer, DriverContext* context, std::int32_t area, std::uint32_t mode,
                   const PrinterDataCallback* callback)
{
    if (context == nullptr || context->workArea == nullptr || context->itemTable == nullptr) return TRUE;
    LockSettingsMutex(context);
    const WCHAR* iniPath = GetSettingsIniPath(context);
    // The settings INI is read once for the pass, and what the pass writes
    // to it (a migrated key) is written in one rewrite at its end.
    const bool batchedIni = iniPath && iniPath[0] && iniPath[1] == u':' && BeginProfileBatch(iniPath);
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
    if (batchedIni) EndProfileBatch(iniPath);
    UnlockSettingsMutex(context);
    RemoveReplacedFiles();
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
    // The values of the pass are gathered and then written: the printer data
    // in one replace of the printer's file, the settings INI in one rewrite.
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
    StoreBatches batches{printer, iniPath, batchedData, batchedIni};
    StorePassDone done{context, area, plain};
    BOOL written = CommitStoreBatches(context, batches, NotifyStorePassDone, &done);
    const DWORD error = written ? ERROR_SUCCESS : GetLastError();
    if (area == kAreaWork && flags == 0 && !StoreItemsPass(printer, context, kAreaWork, kPassModeByName) && written) {
        written = FALSE;
    } else if (!written) {
        SetLastError(error);
    }
    return written;
}

BOOL StoreRegularItems(HANDLE printer, DriverContext* context)
{
    const BOOL work = StoreItemsPass(printer, context, kAreaWork, 0);
    const DWORD error = work ? ERROR_SUCCESS : GetLastError();
    if (!StoreItemsPass(printer, context, kAreaDevmode, 0)) return FALSE;
    if (!work) SetLastError(error);
    return work;
}

BOOL StoreIniItems(HANDLE printer, DriverContext* context)
{
    return StoreItemsPass(printer, context, kAreaWork, kPassModeByName);
}

}  // namespace vexl
