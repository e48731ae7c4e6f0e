// Quality data of a settings instance: the whole store saved into the
// instance's saved store, and the quality items (descriptor state bits
// 0x30) with the three macro items restored from it. Also the decoding of
// item values from a saved store image.
#pragma once

#include "common/core/context.h"
#include "common/core/modeldb.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::api {

// Item state bits that mark a quality item (any of them).
inline constexpr std::uint16_t kQualityItemStateBits = 0x30;

// Copies the whole settings store into saved (GetSettingsStoreSize bytes).
// 0 for a NULL instance or saved store.
BOOL SaveQualityData(DriverContext* instance, std::uint8_t* saved);
// Writes every quality item, then rdmPrintMacro, rdmBalanceMacro and
// rdmUseUserMacro, with its value in saved. Nothing is stored in printer
// data or files. 0 for a NULL instance or saved store.
BOOL RestoreQualityData(DriverContext* instance, const std::uint8_t* saved);

// The item's bytes in a saved store image: the area's start is the offset
// the image holds at byte 361, 363 or 365; NULL for area 0 or an item that
// would reach past the image.
const std::uint8_t* GetItemAddressInCopy(const SettingItemDescriptor* item, const std::uint8_t* saved);
// The item's value in the image, decoded by its type code as the item
// accessors do; 0 without an address and for texts and raw blocks (read
// those with GetItemAddressInCopy).
std::uint32_t DecodeSavedItemValue(const SettingItemDescriptor* item, const std::uint8_t* saved);

}  // namespace vexl::api
