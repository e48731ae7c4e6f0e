// The printer-data values of the interface library.
#include "ui/entry/printer_values.h"

#include "common/storage/persistence.h"
#include "platform/spooler.h"

namespace vexl::ui {
namespace {

// The descriptor with the item name as its printer-data value name.
bool WithItemName(const SettingItemDescriptor* item, SettingItemDescriptor* named)
{
    if (item == nullptr || item->side == nullptr || item->side->name == nullptr || item->side->name[0] == 0)
        return false;
    *named = *item;
    named->key = item->side->name;
    return true;
}

}  // namespace

BOOL ReadLockBits(HANDLE printer, std::uint8_t* out, std::uint16_t itemId)
{
    if (out != nullptr) *out = 0;
    const WCHAR* name = itemId == kLockBitsDefaultItem ? u"rdmLock000InfoBit"
                        : itemId == kLockBitsColorItem ? u"rdmLock001InfoBit"
                                                       : nullptr;
    if (name == nullptr || out == nullptr) return FALSE;
    WCHAR valueName[32] = {};
    lstrcpynW(valueName, name, 32);
    BYTE byte = 0;
    DWORD type = 0;
    DWORD needed = 0;
    if (GetPrinterDataW(printer, valueName, &type, &byte, 1, &needed) != ERROR_SUCCESS) return FALSE;
    *out = byte;
    return TRUE;
}

BOOL LoadSettingFromPrinterData(HANDLE printer, DriverContext* context, SettingItemDescriptor* item)
{
    SettingItemDescriptor named{};
    if (!WithItemName(item, &named)) return FALSE;
    // The write goes through the context's own descriptor, so that the
    // change marks land where the rest of the library looks for them.
    const BOOL read = LoadItemFromPrinterData(printer, context, &named, 0, nullptr);
    item->stateBits = named.stateBits;
    return read;
}

BOOL StoreSettingToPrinterData(HANDLE printer, DriverContext* context, SettingItemDescriptor* item)
{
    SettingItemDescriptor named{};
    if (!WithItemName(item, &named)) return FALSE;
    return StoreItemToPrinterData(printer, context, &named);
}

BOOL ReadHelpFileNameValue(HANDLE printer, WCHAR* out, int size)
{
    if (out == nullptr || size <= 0) return FALSE;
    out[0] = 0;
    WCHAR name[] = u"HelpFileName";
    DWORD type = 0;
    DWORD needed = 0;
    const DWORD bytes = static_cast<DWORD>(size) * sizeof(WCHAR);
    if (GetPrinterDataW(printer, name, &type, reinterpret_cast<BYTE*>(out), bytes, &needed) != ERROR_SUCCESS) {
        out[0] = 0;
        return FALSE;
    }
    out[size - 1] = 0;
    return out[0] != 0;
}

}  // namespace vexl::ui
