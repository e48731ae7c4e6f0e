// Typed item access, value maps, text items and change marks.
#include "common/core/items.h"

#include "common/core/le.h"
#include "common/core/store.h"
#include "common/core/textconv.h"
#include "common/core/units.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace vexl {
namespace {

ItemServices g_services{};

constexpr std::uint32_t kLandscape = 2;
constexpr std::uint16_t kHeapListItemsList = 2;  // numbered list of the font-list count and address items
constexpr std::uint32_t kScaleTypeCoupled = 1;
constexpr WCHAR kWrongText[] = u"wrong";
static_assert(sizeof(void*) == 8, "heap-address items keep an 8-byte native pointer");

bool IsBitCode(std::uint32_t code)
{
    return code >= kValueBit0 && code <= kValueBitLast;
}
bool IsNumericCode(std::uint32_t code)
{
    return (code >= kValueInt8 && code <= kValueUInt32) || IsBitCode(code);
}
// The bytes a number of the type code occupies: a bit item reads the byte of
// its bit. Text and raw items have no width of their own.
std::uint32_t ValueWidth(std::uint32_t code)
{
    if (IsBitCode(code)) return (code - kValueBit0) / 8 + 1;
    switch (code) {
    case kValueInt8:
    case kValueUInt8:
        return 1;
    case kValueInt16:
    case kValueUInt16:
        return 2;
    case kValueInt32:
    case kValueUInt32:
        return 4;
    default:
        return 0;
    }
}
bool IsAnsiCode(std::uint32_t code)
{
    return code == kValueAnsiText || code == kValueAnsiText2;
}
bool IsWideCode(std::uint32_t code)
{
    return code == kValueWideText || code == kValueWideText2;
}

// The item's bytes inside a store block, or NULL. The bases are those of the
// size functions; an item that would not lie wholly inside the block has no
// address.
std::uint8_t* AddressIn(std::uint8_t* store, const SettingItemDescriptor* item)
{
    if (store == nullptr || item == nullptr) return nullptr;
    std::uint32_t area = ItemArea(*item);
    if (area == kAreaNone) return nullptr;
    std::uint32_t start = GetStoreAreaBase(area) + item->offset;
    if (start + std::max(ItemLength(*item), ValueWidth(ItemTypeCode(*item))) > GetSettingsStoreSize()) return nullptr;
    return store + start;
}

std::uint8_t* SavedStoreOf(DriverContext* context)
{
    return context && context->workArea ? context->workArea->savedStore : nullptr;
}

std::uint8_t* DefaultStoreOf(DriverContext* context)
{
    return context && context->workArea ? context->workArea->defaultStore : nullptr;
}

// A bit item names bit (code - 16) of the little-endian word at its offset:
// bit b of byte b / 8.
struct BitPlace {
    std::uint8_t* byte;
    std::uint8_t mask;
};

BitPlace PlaceOfBit(std::uint8_t* address, std::uint32_t code)
{
    std::uint32_t bit = code - kValueBit0;
    return {address + bit / 8, static_cast<std::uint8_t>(1u << (bit % 8))};
}

std::uint32_t DecodeValue(const std::uint8_t* address, const SettingItemDescriptor& item)
{
    std::uint32_t code = ItemTypeCode(item);
    if (IsBitCode(code)) {
        std::uint32_t bit = code - kValueBit0;
        return (address[bit / 8] >> (bit % 8)) & 1u;
    }
    switch (code) {
    case kValueInt8:
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int8_t>(address[0])));
    case kValueInt16:
        return static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<std::int16_t>(ReadLe16(address))));
    case kValueInt32:
    case kValueUInt32:
        return ReadLe32(address);
    case kValueUInt8:
        return address[0];
    case kValueUInt16:
        return ReadLe16(address);
    default:
        return 0;
    }
}

void EncodeValue(std::uint8_t* address, const SettingItemDescriptor& item, std::uint32_t value)
{
    std::uint32_t code = ItemTypeCode(item);
    if (IsBitCode(code)) {
        BitPlace place = PlaceOfBit(address, code);
        *place.byte = value ? (*place.byte | place.mask) : (*place.byte & ~place.mask);
        return;
    }
    switch (code) {
    case kValueInt8:
    case kValueUInt8:
        address[0] = static_cast<std::uint8_t>(value);
        break;
    case kValueInt16:
    case kValueUInt16:
        WriteLe16(address, static_cast<std::uint16_t>(value));
        break;
    case kValueInt32:
    case kValueUInt32:
        WriteLe32(address, value);
        break;
    default:
        break;  // text and raw items take no number
    }
}

// Copies at most the field's length and zero-fills the rest. Numeric and bit
// items are left alone: zeroing a bit item's word would clear its siblings.
bool EncodeBytes(std::uint8_t* address, const SettingItemDescriptor& item, const void* data, std::size_t bytes)
{
    if (IsNumericCode(ItemTypeCode(item))) return false;
    std::size_t length = ItemLength(item);
    std::size_t take = data ? (bytes < length ? bytes : length) : 0;
    if (take) std::memcpy(address, data, take);
    std::memset(address + take, 0, length - take);
    return true;
}

void MarkWritten(DriverContext* context, SettingItemDescriptor* item)
{
    item->stateBits = static_cast<std::uint16_t>((item->stateBits & ~kItemChangeMarkMask) | 1);
    if (context->workArea) context->workArea->settingsModified = 1;
}

void RaiseItemEvents(DriverContext* context, const SettingItemDescriptor* item)
{
    std::uint32_t events = item->eventMask & kUiFlagsItemEventMask;
    if (events) RaiseUiFlags(context, events);
}

// The item's value map for the present orientation: the second list applies
// to rdmNUPType and rdmDuplexType in landscape, and to rdmPunchType and
// rdmStapleType while finishing positions are read in landscape terms.
const ValueMapEntry* SelectValueMap(DriverContext* context, const SettingItemDescriptor* item)
{
    if (item == nullptr || item->side == nullptr || item->side->valueMap == nullptr) return nullptr;
    const ValueMapEntry* list = item->side->valueMap;
    bool second = false;
    if (item->id == rdmNUPType || item->id == rdmDuplexType) {
        second = GetItemValue(context, dmOrientation) == kLandscape;
    } else if (item->id == rdmPunchType || item->id == rdmStapleType) {
        second = g_services.isFinishingLandscape && g_services.isFinishingLandscape(context);
    }
    if (second) {
        while (list->optionId != 0) ++list;
        ++list;
    }
    return list;
}

const ValueMapEntry* FindStoredRow(DriverContext* context, const SettingItemDescriptor* item, std::uint32_t stored)
{
    const ValueMapEntry* list = SelectValueMap(context, item);
    if (list == nullptr) return nullptr;
    for (; list->optionId != 0; ++list) {
        if (list->storedValue == stored && list->optionId != kNoOption) return list;
    }
    return nullptr;
}

void* ReadAddressField(const std::uint8_t* field)
{
    void* address = nullptr;
    if (field) std::memcpy(&address, field, sizeof(address));
    return address;
}

void WriteAddressField(std::uint8_t* field, void* address)
{
    if (field) std::memcpy(field, &address, sizeof(address));
}

bool IsHeapAddressItem(const SettingItemDescriptor* item)
{
    if (item == nullptr || ItemTypeCode(*item) != kValueRaw || ItemLength(*item) != sizeof(void*)) return false;
    for (std::uint16_t id : kHeapAddressItems) {
        if (item->id == id) return true;
    }
    return false;
}

}  // namespace

const ItemServices& GetItemServices()
{
    return g_services;
}
void SetItemServices(const ItemServices& services)
{
    g_services = services;
}

// ---- addresses -------------------------------------------------------------------

std::uint8_t* GetItemAddress(DriverContext* context, const SettingItemDescriptor* item)
{
    return AddressIn(GetStoreBytes(context), item);
}

std::uint8_t* GetSavedItemAddress(DriverContext* context, const SettingItemDescriptor* item)
{
    return AddressIn(SavedStoreOf(context), item);
}

std::uint8_t* GetDefaultItemAddress(DriverContext* context, const SettingItemDescriptor* item)
{
    return AddressIn(DefaultStoreOf(context), item);
}

// ---- reads -------------------------------------------------------------------------

std::uint32_t ReadItemValue(DriverContext* context, const SettingItemDescriptor* item)
{
    std::uint8_t* address = GetItemAddress(context, item);
    return address ? DecodeValue(address, *item) : 0;
}

const std::uint8_t* GetItemAddressInStore(const std::uint8_t* store, const SettingItemDescriptor* item)
{
    return AddressIn(const_cast<std::uint8_t*>(store), item);
}

std::uint32_t ReadItemValueInStore(const std::uint8_t* store, const SettingItemDescriptor* item)
{
    const std::uint8_t* address = GetItemAddressInStore(store, item);
    return address ? DecodeValue(address, *item) : 0;
}

std::uint32_t ReadSavedItemValue(DriverContext* context, const SettingItemDescriptor* item)
{
    std::uint8_t* address = GetSavedItemAddress(context, item);
    return address ? DecodeValue(address, *item) : 0;
}

std::uint32_t ReadDefaultItemValue(DriverContext* context, const SettingItemDescriptor* item)
{
    std::uint8_t* address = GetDefaultItemAddress(context, item);
    return address ? DecodeValue(address, *item) : 0;
}

std::uint32_t GetItemValue(DriverContext* context, std::uint16_t id, SettingItemDescriptor** out)
{
    SettingItemDescriptor* item = context ? FindItem(context, id) : nullptr;
    if (out) *out = item;
    return ReadItemValue(context, item);
}

std::uint32_t GetSavedItemValue(DriverContext* context, std::uint16_t id, SettingItemDescriptor** out)
{
    SettingItemDescriptor* item = context ? FindItem(context, id) : nullptr;
    if (out) *out = item;
    return ReadSavedItemValue(context, item);
}

std::uint32_t GetDefaultItemValue(DriverContext* context, std::uint16_t id, SettingItemDescriptor** out)
{
    SettingItemDescriptor* item = context ? FindItem(context, id) : nullptr;
    if (out) *out = item;
    return ReadDefaultItemValue(context, item);
}

// ---- value maps --------------------------------------------------------------------------

std::uint32_t OptionFromStoredValue(DriverContext* context, const SettingItemDescriptor* item, std::uint32_t stored)
{
    const ValueMapEntry* row = FindStoredRow(context, item, stored);
    return row ? row->optionId : stored;
}

std::uint32_t StoredValueFromOption(DriverContext* context, const SettingItemDescriptor* item, std::uint32_t option)
{
    const ValueMapEntry* list = SelectValueMap(context, item);
    if (list == nullptr) return option;
    for (; list->optionId != 0; ++list) {
        if (list->optionId == static_cast<std::uint16_t>(option)) return list->storedValue;
    }
    return option;
}

BOOL HasOptionForValue(DriverContext* context, const SettingItemDescriptor* item, std::uint32_t stored)
{
    return FindStoredRow(context, item, stored) ? 1 : 0;
}

std::uint32_t ReadItemOption(DriverContext* context, const SettingItemDescriptor* item)
{
    return OptionFromStoredValue(context, item, ReadItemValue(context, item));
}

std::uint32_t GetItemOption(DriverContext* context, std::uint16_t id, SettingItemDescriptor** out)
{
    SettingItemDescriptor* item = context ? FindItem(context, id) : nullptr;
    if (out) *out = item;
    return ReadItemOption(context, item);
}

// ---- writes into the current store ---------------------------------------------------------

void StoreItemValue(DriverContext* context, const SettingItemDescriptor* item, std::uint32_t value)
{
    if (std::uint8_t* address = GetItemAddress(context, item)) EncodeValue(address, *item, value);
}

void WriteItemValue(DriverContext* context, SettingItemDescriptor* item, std::uint32_t value)
{
    std::uint8_t* address = GetItemAddress(context, item);
    if (address == nullptr) return;
    EncodeValue(address, *item, value);
    MarkWritten(context, item);
    if (item->id == rdmScaleH && GetItemValue(context, rdmScaleType) == kScaleTypeCoupled) {
        SetItemValue(context, rdmScaleV, value);
    }
    RaiseItemEvents(context, item);
}

void SetItemValue(DriverContext* context, std::uint16_t id, std::uint32_t value)
{
    if (context) WriteItemValue(context, FindItem(context, id), value);
}

void WriteItemBytes(DriverContext* context, SettingItemDescriptor* item, const void* data, std::size_t bytes)
{
    std::uint8_t* address = GetItemAddress(context, item);
    if (address == nullptr || !EncodeBytes(address, *item, data, bytes)) return;
    MarkWritten(context, item);
    RaiseItemEvents(context, item);
}

void SetItemBytes(DriverContext* context, std::uint16_t id, const void* data, std::size_t bytes)
{
    if (context) WriteItemBytes(context, FindItem(context, id), data, bytes);
}

void WriteItemOption(DriverContext* context, SettingItemDescriptor* item, std::uint32_t option)
{
    WriteItemValue(context, item, StoredValueFromOption(context, item, option));
}

void SetItemOption(DriverContext* context, std::uint16_t id, std::uint32_t option)
{
    if (context) WriteItemOption(context, FindItem(context, id), option);
}

// ---- writes into the saved copy --------------------------------------------------------------

void WriteSavedItemValue(DriverContext* context, const SettingItemDescriptor* item, std::uint32_t value)
{
    if (std::uint8_t* address = GetSavedItemAddress(context, item)) EncodeValue(address, *item, value);
}

void SetSavedItemValue(DriverContext* context, std::uint16_t id, std::uint32_t value)
{
    if (context) WriteSavedItemValue(context, FindItem(context, id), value);
}

void WriteSavedItemBytes(DriverContext* context, const SettingItemDescriptor* item, const void* data, std::size_t bytes)
{
    if (std::uint8_t* address = GetSavedItemAddress(context, item)) EncodeBytes(address, *item, data, bytes);
}

void ResetItemToModelDefault(DriverContext* context, SettingItemDescriptor* item)
{
    if (context == nullptr || item == nullptr) return;
    std::uint32_t option = g_services.getUiDefaultValue ? g_services.getUiDefaultValue(item->id, context) : 0;
    WriteItemOption(context, item, option);
}

void SetItemModelValue(DriverContext* context, std::uint16_t id, std::uint32_t value)
{
    SettingItemDescriptor* item = context ? FindItem(context, id) : nullptr;
    if (item == nullptr || IsHeapListItem(id)) return;
    std::uint32_t code = ItemTypeCode(*item);
    if (IsNumericCode(code)) {
        WriteItemOption(context, item, value);
        return;
    }
    if (!IsAnsiCode(code) && !IsWideCode(code)) return;
    ContextWorkArea* work = context->workArea;
    if (work == nullptr) return;
    constexpr int kScratchChars = static_cast<int>(sizeof(work->scratchText) / sizeof(WCHAR));
    std::memset(work->scratchText, 0, sizeof(work->scratchText));
    if (g_services.loadUiString) g_services.loadUiString(context, value, work->scratchText, kScratchChars);
    work->scratchText[kScratchChars - 1] = 0;
    SetItemString(context, item, work->scratchText);
}

// ---- text --------------------------------------------------------------------------------------

std::uint8_t* GetItemString(DriverContext* context, const SettingItemDescriptor* item, WCHAR* out, std::size_t outChars)
{
    if (context == nullptr || item == nullptr || out == nullptr || outChars == 0) return nullptr;
    std::uint8_t* address = GetItemAddress(context, item);
    if (address == nullptr) return nullptr;
    std::uint32_t code = ItemTypeCode(*item);
    std::size_t length = ItemLength(*item);
    if (IsAnsiCode(code)) {
        // The field may be full: take it only up to its length, terminated.
        const char* field = reinterpret_cast<const char*>(address);
        std::string text(field, strnlen(field, length));
        std::size_t capacity = outChars < text.size() + 1 ? outChars : text.size() + 1;
        AnsiToWide(out, text.c_str(), static_cast<int>(capacity));
        out[capacity - 1] = 0;
        return address;
    }
    std::size_t copied = 0;
    if (IsWideCode(code)) {
        std::size_t fieldChars = length / 2;
        for (; copied < fieldChars && copied + 1 < outChars; ++copied) {
            WCHAR ch;
            std::memcpy(&ch, address + 2 * copied, sizeof(ch));
            if (ch == 0) break;
            out[copied] = ch;
        }
    } else {
        for (; kWrongText[copied] != 0 && copied + 1 < outChars; ++copied) out[copied] = kWrongText[copied];
    }
    out[copied] = 0;
    return address;
}

std::uint8_t* SetItemString(DriverContext* context, SettingItemDescriptor* item, const WCHAR* text)
{
    if (context == nullptr || item == nullptr || text == nullptr) return nullptr;
    std::uint8_t* address = GetItemAddress(context, item);
    if (address == nullptr) return nullptr;
    std::uint32_t code = ItemTypeCode(*item);
    if (IsNumericCode(code)) {
        WriteItemValue(context, item, 0);
        return address;
    }
    WriteItemBytes(context, item, nullptr, 0);
    std::size_t length = ItemLength(*item);
    if (IsAnsiCode(code)) {
        WideToAnsi(reinterpret_cast<char*>(address), text, static_cast<int>(length));
    } else if (IsWideCode(code)) {
        std::size_t fieldChars = length / 2;
        for (std::size_t i = 0; i + 1 < fieldChars && text[i] != 0; ++i) {
            std::memcpy(address + 2 * i, &text[i], sizeof(WCHAR));
        }
    }
    return address;
}

// ---- heap-address items -----------------------------------------------------------------------------

BOOL IsHeapListItem(std::uint16_t id)
{
    return IsValueInNumberedList(kHeapListItemsList, id);
}

std::uint32_t GetHeapListCount(DriverContext* context, std::uint16_t countItem, std::uint16_t addressItem,
                               std::uint32_t recordSize)
{
    void* block = GetItemHeapAddress(context, addressItem);
    if (block == nullptr || recordSize == 0) return 0;
    const std::uint64_t room = GlobalSize(block) / recordSize;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(GetItemValue(context, countItem), room));
}

void* GetItemHeapAddress(DriverContext* context, std::uint16_t id)
{
    SettingItemDescriptor* item = context ? FindItem(context, id) : nullptr;
    return IsHeapAddressItem(item) ? ReadAddressField(GetItemAddress(context, item)) : nullptr;
}

void SetItemHeapAddress(DriverContext* context, std::uint16_t id, void* address)
{
    SettingItemDescriptor* item = context ? FindItem(context, id) : nullptr;
    if (IsHeapAddressItem(item)) WriteAddressField(GetItemAddress(context, item), address);
}

void* GetSavedItemHeapAddress(DriverContext* context, std::uint16_t id)
{
    SettingItemDescriptor* item = context ? FindItem(context, id) : nullptr;
    return IsHeapAddressItem(item) ? ReadAddressField(GetSavedItemAddress(context, item)) : nullptr;
}

void SetSavedItemHeapAddress(DriverContext* context, std::uint16_t id, void* address)
{
    SettingItemDescriptor* item = context ? FindItem(context, id) : nullptr;
    if (IsHeapAddressItem(item)) WriteAddressField(GetSavedItemAddress(context, item), address);
}

void ClearHeapAddressItems(DriverContext* context, std::uint8_t* storeImage)
{
    for (std::uint16_t id : kHeapAddressItems) {
        SettingItemDescriptor* item = FindItem(context, id);
        if (IsHeapAddressItem(item)) WriteAddressField(AddressIn(storeImage, item), nullptr);
    }
}

// ---- work-area words -----------------------------------------------------------------------------------

void SetSettingsFileError(DriverContext* context, int result)
{
    if (context && context->workArea) context->workArea->settingsFileResult = static_cast<std::uint32_t>(result);
}

int GetSettingsFileError(DriverContext* context)
{
    return context && context->workArea ? static_cast<int>(context->workArea->settingsFileResult) : 0;
}

void RaiseUiFlags(DriverContext* context, std::uint32_t flags)
{
    if (context == nullptr || context->workArea == nullptr) return;
    std::uint32_t& word = context->workArea->UiFlags;
    if (flags == 0) {
        word = 0;
        return;
    }
    // Bits 0-15 hold one control id: a new one replaces the old.
    if (flags & kUiFlagsControlIdMask) word &= ~kUiFlagsControlIdMask;
    word |= flags;
}

std::uint32_t GetUiFlags(DriverContext* context)
{
    return context && context->workArea ? context->workArea->UiFlags : 0;
}

void ClearUiFlags(DriverContext* context, std::uint32_t mask)
{
    if (context == nullptr || context->workArea == nullptr) return;
    ContextWorkArea* work = context->workArea;
    work->UiFlags &= ~mask;
    if (mask >= kUiFlagsClearSnapshotsFrom) {
        for (std::uint32_t& copy : work->uiFlagsSnapshots) copy &= ~mask;
    }
}

}  // namespace vexl
