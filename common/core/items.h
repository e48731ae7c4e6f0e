// Typed item access. Every setting is reached by its item id: the
// descriptor gives its area, offset, length and value type; the accessors
// read and write it in the context's current store, its saved copy or its
// administrator-default copy, translate between stored values and option
// ids, and record that the item changed.
#pragma once

#include "common/core/context.h"
#include "common/core/modeldb.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

namespace vexl {

// Services of other subsystems that item access needs; the wiring of the
// library installs their owners' functions, and a test may put a fake in
// place. Each may be
// unset; then string defaults are not loaded, finishing positions are read
// in portrait terms, the region's standard paper is A4 and no item has a UI
// default (the model default of every item is option 0).
struct ItemServices {
    // A string of the UI resource library with value substitution, into
    // outChars characters; answers the length, 0 when there is none.
    int (*loadUiString)(DriverContext* context, std::uint32_t stringId, WCHAR* out, int outChars);
    BOOL (*isFinishingLandscape)(DriverContext* context);
    std::uint32_t (*getRegionStandardPaper)(DriverContext* context);
    // The model default of an item from its UI entry: an option id, or the
    // value of a numeric entry; 0 without an entry.
    std::uint32_t (*getUiDefaultValue)(std::uint16_t itemId, DriverContext* context);
};
const ItemServices& GetItemServices();
void SetItemServices(const ItemServices& services);

// ---- addresses (NULL for no descriptor, area 0, or no store or copy) --------
std::uint8_t* GetItemAddress(DriverContext* context, const SettingItemDescriptor* item);
std::uint8_t* GetSavedItemAddress(DriverContext* context, const SettingItemDescriptor* item);
std::uint8_t* GetDefaultItemAddress(DriverContext* context, const SettingItemDescriptor* item);

// ---- reads: numbers only; text and raw items read as 0 (use the address or
// the string accessors) --------------------------------------------------------
std::uint32_t ReadItemValue(DriverContext* context, const SettingItemDescriptor* item);
std::uint32_t ReadSavedItemValue(DriverContext* context, const SettingItemDescriptor* item);
// The same inside any copy of the store (a block of GetSettingsStoreSize() bytes).
const std::uint8_t* GetItemAddressInStore(const std::uint8_t* store, const SettingItemDescriptor* item);
std::uint32_t ReadItemValueInStore(const std::uint8_t* store, const SettingItemDescriptor* item);
std::uint32_t ReadDefaultItemValue(DriverContext* context, const SettingItemDescriptor* item);
std::uint32_t GetItemValue(DriverContext* context, std::uint16_t id, SettingItemDescriptor** out = nullptr);
std::uint32_t GetSavedItemValue(DriverContext* context, std::uint16_t id, SettingItemDescriptor** out = nullptr);
std::uint32_t GetDefaultItemValue(DriverContext* context, std::uint16_t id, SettingItemDescriptor** out = nullptr);

// ---- value maps ----------------------------------------------------------------
std::uint32_t ReadItemOption(DriverContext* context, const SettingItemDescriptor* item);
std::uint32_t GetItemOption(DriverContext* context, std::uint16_t id, SettingItemDescriptor** out = nullptr);
std::uint32_t OptionFromStoredValue(DriverContext* context, const SettingItemDescriptor* item, std::uint32_t stored);
std::uint32_t StoredValueFromOption(DriverContext* context, const SettingItemDescriptor* item, std::uint32_t option);
BOOL HasOptionForValue(DriverContext* context, const SettingItemDescriptor* item, std::uint32_t stored);

// ---- writes into the current store, with the change mark, settingsModified,
// the rdmScaleH to rdmScaleV coupling and the item's event bits ---------------------
// A number goes into numeric and bit items; text and raw items ignore it.
void WriteItemValue(DriverContext* context, SettingItemDescriptor* item, std::uint32_t value);
void SetItemValue(DriverContext* context, std::uint16_t id, std::uint32_t value);
// Bytes go into text and raw items: at most the item's length is copied and
// the rest of the field is zero-filled (no data zero-fills it all).
// Numeric and bit items ignore them.
void WriteItemBytes(DriverContext* context, SettingItemDescriptor* item, const void* data, std::size_t bytes);
void SetItemBytes(DriverContext* context, std::uint16_t id, const void* data, std::size_t bytes);
void WriteItemOption(DriverContext* context, SettingItemDescriptor* item, std::uint32_t option);
void SetItemOption(DriverContext* context, std::uint16_t id, std::uint32_t option);
// A typed write into the current store without change mark or events.
void StoreItemValue(DriverContext* context, const SettingItemDescriptor* item, std::uint32_t value);

// ---- writes into the saved copy, without side effects --------------------------------
void WriteSavedItemValue(DriverContext* context, const SettingItemDescriptor* item, std::uint32_t value);
void SetSavedItemValue(DriverContext* context, std::uint16_t id, std::uint32_t value);
void WriteSavedItemBytes(DriverContext* context, const SettingItemDescriptor* item, const void* data,
                         std::size_t bytes);

// The item's model default (the UI default of the description) written as an
// option, with the write's side effects.
void ResetItemToModelDefault(DriverContext* context, SettingItemDescriptor* item);

// Numeric items take the value as an option id; text items as a string id
// of the UI resource library. Raw items and unknown ids are left alone.
void SetItemModelValue(DriverContext* context, std::uint16_t id, std::uint32_t value);

// ---- text ------------------------------------------------------------------------------
// The text of a text item as UTF-16 into out (outChars characters, always
// terminated); "wrong" for an item that is not text. Answers the item's
// address, or NULL when an argument is missing or the item has no address.
std::uint8_t* GetItemString(DriverContext* context, const SettingItemDescriptor* item, WCHAR* out,
                            std::size_t outChars);
// Zero-fills the field (with the write's side effects), then stores the text,
// cut so that its terminator fits. Answers the address or NULL.
std::uint8_t* SetItemString(DriverContext* context, SettingItemDescriptor* item, const WCHAR* text);

// ---- items that hold a heap address of this process ------------------------------------------
// The store keeps a native pointer in these items; an image of a store that
// leaves the process, or comes back, has them cleared first.
// The count and address items of the heap-owned lists (the font lists).
// Only the list code writes them: model writes (actions, transactions and
// status writes) refuse them, so a count never leaves its block.
BOOL IsHeapListItem(std::uint16_t id);
// The entries a heap-owned list holds: its count item, never more than its
// block, whose size the heap keeps with it, has room for.
std::uint32_t GetHeapListCount(DriverContext* context, std::uint16_t countItem, std::uint16_t addressItem,
                               std::uint32_t recordSize);
void* GetItemHeapAddress(DriverContext* context, std::uint16_t id);
void SetItemHeapAddress(DriverContext* context, std::uint16_t id, void* address);
void* GetSavedItemHeapAddress(DriverContext* context, std::uint16_t id);
void SetSavedItemHeapAddress(DriverContext* context, std::uint16_t id, void* address);
void ClearHeapAddressItems(DriverContext* context, std::uint8_t* storeImage);

// ---- work-area words -------------------------------------------------------------------------
void SetSettingsFileError(DriverContext* context, int result);
int GetSettingsFileError(DriverContext* context);
void RaiseUiFlags(DriverContext* context, std::uint32_t flags);
std::uint32_t GetUiFlags(DriverContext* context);
void ClearUiFlags(DriverContext* context, std::uint32_t mask);

// Bits of UiFlags.
inline constexpr std::uint32_t kUiFlagsControlIdMask = 0x0000FFFF;
inline constexpr std::uint32_t kUiFlagsItemEventMask = 0x011F0000;
inline constexpr std::uint32_t kUiFlagsClearSnapshotsFrom = 0x10000000;

}  // namespace vexl
