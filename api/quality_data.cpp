#include "api/quality_data.h"

#include "common/core/items.h"
#include "common/core/store.h"

#include <cstring>

namespace vexl::api {

namespace {

bool IsNumberCode(std::uint32_t code)
{
    return (code >= kValueBit0 && code <= kValueBitLast) || (code >= kValueInt8 && code <= kValueUInt32);
}

// The items that follow the quality items back: the two macros and the
// switch of the user macro.
constexpr std::uint16_t kMacroItems[] = {rdmPrintMacro, rdmBalanceMacro, rdmUseUserMacro};

void RestoreItem(DriverContext* instance, SettingItemDescriptor* item, const std::uint8_t* saved)
{
    if (item == nullptr) return;
    if (IsNumberCode(ItemTypeCode(*item))) {
        if (GetItemAddressInCopy(item, saved) != nullptr)
            WriteItemValue(instance, item, DecodeSavedItemValue(item, saved));
        return;
    }
    // Texts and raw blocks come back as bytes.
    if (const std::uint8_t* bytes = GetItemAddressInCopy(item, saved))
        WriteItemBytes(instance, item, bytes, ItemLength(*item));
}

}  // namespace

// The area bases are this build's own (GetStoreAreaBase), never those an image
// carries in its header: the image is a copy of this library's store.
const std::uint8_t* GetItemAddressInCopy(const SettingItemDescriptor* item, const std::uint8_t* saved)
{
    return GetItemAddressInStore(saved, item);
}

std::uint32_t DecodeSavedItemValue(const SettingItemDescriptor* item, const std::uint8_t* saved)
{
    return ReadItemValueInStore(saved, item);
}

BOOL SaveQualityData(DriverContext* instance, std::uint8_t* saved)
{
    if (instance == nullptr || saved == nullptr) return FALSE;
    const std::uint8_t* store = GetStoreBytes(instance);
    if (store == nullptr) return FALSE;
    std::memcpy(saved, store, GetSettingsStoreSize());
    return TRUE;
}

BOOL RestoreQualityData(DriverContext* instance, const std::uint8_t* saved)
{
    if (instance == nullptr || saved == nullptr || instance->itemTable == nullptr) return FALSE;
    ItemTable* table = instance->itemTable;
    for (int i = 0; i < table->count; ++i) {
        SettingItemDescriptor* item = &table->items[i];
        if ((item->stateBits & kQualityItemStateBits) != 0) RestoreItem(instance, item, saved);
    }
    for (std::uint16_t id : kMacroItems) RestoreItem(instance, FindItem(instance, id), saved);
    return TRUE;
}

}  // namespace vexl::api
