// The host face of menus.h: menu templates, scripts and the log of menus shown. For tests, host/ and
// the tools; the libraries never see it.
#pragma once

#include "platform/menus.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

VEXL_HOST_FACE_BEGIN
namespace vexl::windows {

// One item of a menu template or of a menu shown.
struct MenuItemInfo {
    UINT flags = 0;  // MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_POPUP, MF_SEPARATOR, breaks
    UINT id = 0;
    std::u16string text;
    std::vector<MenuItemInfo> popup;  // the items of a popup
};

// Reads a menu template (the standard kind, version 0) of at most size
// bytes; false when it is cut short or malformed, or nests deeper than 16.
bool ParseMenuTemplate(const void* data, std::size_t size, std::vector<MenuItemInfo>& items);

// A popup as TrackPopupMenu showed it, and what the script chose (0: dismissed).
struct MenuShown {
    HWND owner = nullptr;
    int x = 0;
    int y = 0;
    UINT flags = 0;
    std::vector<MenuItemInfo> items;  // the top level, with the state at that moment
    UINT chosen = 0;
};

// The answer to one popup menu: the command id of the item the user picks,
// or 0 to dismiss it. Scripts answer the menus in the order they are shown.
// A menu with no script left, or a choice of an item that is not there or
// is greyed, fails the test (the driver's failure report).
using MenuScript = std::function<UINT(const MenuShown&)>;
void OnMenu(MenuScript script);

const std::vector<MenuShown>& MenuLog();
// Destroys every menu, drops the scripts and clears the log.
void ResetMenus();

}  // namespace vexl::windows
VEXL_HOST_FACE_END
