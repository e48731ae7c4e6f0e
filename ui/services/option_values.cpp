// Values of the settings behind controls, and the lock and authentication words.
#include "ui/services/option_values.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"

namespace vexl::ui {
namespace {

// The context's own descriptor of the setting bound to control id.
SettingItemDescriptor* FindControlSetting(DriverContext* context, std::uint16_t controlId)
{
    if (context == nullptr) return nullptr;
    const PageItem* control = FindPageControl(context, nullptr, static_cast<std::int16_t>(controlId));
    if (control == nullptr || control->item == nullptr) return nullptr;
    return FindItem(context, control->item->id);
}

bool HasText(DriverContext* context, std::uint16_t itemId)
{
    WCHAR text[2] = {};
    const SettingItemDescriptor* item = FindItem(context, itemId);
    return item != nullptr && GetItemString(context, item, text, 2) != nullptr && text[0] != 0;
}

}  // namespace

int GetControlItemText(DriverContext* context, std::uint16_t controlId, WCHAR* text, int size)
{
    const SettingItemDescriptor* item = FindControlSetting(context, controlId);
    if (item == nullptr || text == nullptr || size <= 0) return 0;
    if (GetItemString(context, item, text, static_cast<std::size_t>(size)) == nullptr) return 0;
    return lstrlenW(text);
}

std::uint8_t* SetControlItemText(DriverContext* context, std::uint16_t controlId, const WCHAR* text)
{
    SettingItemDescriptor* item = FindControlSetting(context, controlId);
    if (item == nullptr) return nullptr;
    return SetItemString(context, item, text != nullptr ? text : u"");
}

std::uint16_t GetFilledAuthenticationFields(DriverContext* context, std::uint16_t mask)
{
    if (context == nullptr || GetItemValue(context, rdmPrnFuncAuthenticationMode) == 0) return 0;
    std::uint16_t filled = 0;
    if ((mask & kAuthUserName) && HasText(context, wdmAuthenticationUserName)) filled |= kAuthUserName;
    if ((mask & kAuthPassword) && HasText(context, wdmAuthenticationPassword)) filled |= kAuthPassword;
    if ((mask & kAuthNetworkKey) && GetItemValue(context, rdmPrnFuncAuthenticationSecureMode) != 0 &&
        HasText(context, wdmAuthenticationNetworkKey))
        filled |= kAuthNetworkKey;
    return filled;
}

std::uint32_t GetLockInfo(DriverContext* context)
{
    return context != nullptr ? GetItemValue(context, rdmLockInfoLockInfo) : 0;
}

}  // namespace vexl::ui
