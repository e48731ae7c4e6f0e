#include "platform/menus.h"

#include "platform/kernel.h"
#include "platform/resources.h"

#include "platform/menus_host.h"
#include "windows_state.h"

#include <algorithm>
#include <deque>
#include <map>
#include <optional>

namespace vexl::windows {
namespace {

constexpr int kMaxMenuDepth = 16;
constexpr std::uintptr_t kFirstMenu = 0x00A00000;
constexpr UINT kStateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_MENUBREAK | MF_MENUBARBREAK | MF_HELP;

struct MenuItem {
    UINT flags = 0;
    UINT id = 0;
    std::u16string text;
    HMENU popup = nullptr;
};

struct Menus {
    std::uintptr_t next = kFirstMenu;
    std::map<std::uintptr_t, std::vector<MenuItem>> menus;  // living menus by handle
    std::deque<MenuScript> scripts;
    std::vector<MenuShown> log;
};

Menus& MenuState()
{
    static Menus& menus = *new Menus;
    return menus;
}

std::vector<MenuItem>* FindMenu(HMENU menu)
{
    auto found = MenuState().menus.find(reinterpret_cast<std::uintptr_t>(menu));
    if (found != MenuState().menus.end()) return &found->second;
    SetLastError(ERROR_INVALID_MENU_HANDLE);
    return nullptr;
}

HMENU CreateMenuFrom(const std::vector<MenuItemInfo>& items)
{
    Menus& state = MenuState();
    const std::uintptr_t handle = state.next++;
    std::vector<MenuItem> menu;
    for (const MenuItemInfo& info : items) {
        MenuItem item{info.flags, info.id, info.text, nullptr};
        if (info.flags & MF_POPUP) item.popup = CreateMenuFrom(info.popup);
        menu.push_back(std::move(item));
    }
    state.menus.emplace(handle, std::move(menu));
    return reinterpret_cast<HMENU>(handle);
}

// The item a position or a command id names; by command the submenus are
// searched too, depth first, as Windows does.
MenuItem* FindItem(HMENU menu, UINT item, UINT flags, int depth = 0)
{
    std::vector<MenuItem>* items = FindMenu(menu);
    if (!items) return nullptr;
    if (flags & MF_BYPOSITION) return item < items->size() ? &(*items)[item] : nullptr;
    for (MenuItem& candidate : *items) {
        if (candidate.popup && depth < kMaxMenuDepth) {
            if (MenuItem* inner = FindItem(candidate.popup, item, flags, depth + 1)) return inner;
        } else if (!(candidate.flags & MF_SEPARATOR) && candidate.id == item) {
            return &candidate;
        }
    }
    return nullptr;
}

std::vector<MenuItemInfo> Describe(HMENU menu, int depth = 0)
{
    std::vector<MenuItemInfo> out;
    const std::vector<MenuItem>* items = FindMenu(menu);
    if (!items) return out;
    for (const MenuItem& item : *items) {
        MenuItemInfo info{item.flags, item.id, item.text, {}};
        if (item.popup && depth < kMaxMenuDepth) info.popup = Describe(item.popup, depth + 1);
        out.push_back(std::move(info));
    }
    return out;
}

// Reads one level of a menu template: items until the one marked MF_END.
bool ParseLevel(const std::uint8_t* data, std::size_t size, std::size_t& at, int depth,
                std::vector<MenuItemInfo>& items)
{
    if (depth > kMaxMenuDepth) return false;
    for (;;) {
        if (size - at < 2) return false;
        MenuItemInfo item;
        const UINT options = static_cast<UINT>(data[at] | (data[at + 1] << 8));
        at += 2;
        if (!(options & MF_POPUP)) {
            if (size - at < 2) return false;
            item.id = static_cast<UINT>(data[at] | (data[at + 1] << 8));
            at += 2;
        }
        for (;;) {
            if (size - at < 2) return false;
            const char16_t c = static_cast<char16_t>(data[at] | (data[at + 1] << 8));
            at += 2;
            if (c == 0) break;
            item.text.push_back(c);
        }
        item.flags = options & (kStateFlags | MF_POPUP);
        if (!(options & MF_POPUP) && item.id == 0 && item.text.empty()) item.flags |= MF_SEPARATOR;
        if ((options & MF_POPUP) && !ParseLevel(data, size, at, depth + 1, item.popup)) return false;
        items.push_back(std::move(item));
        if (options & MF_END) return true;
    }
}

}  // namespace

bool ParseMenuTemplate(const void* data, std::size_t size, std::vector<MenuItemInfo>& items)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    items.clear();
    if (!bytes || size < 4) return false;
    const unsigned version = bytes[0] | (bytes[1] << 8);
    const std::size_t offset = bytes[2] | (bytes[3] << 8);
    if (version != 0 || offset > size - 4) return false;
    std::size_t at = 4 + offset;
    return ParseLevel(bytes, size, at, 0, items);
}

void OnMenu(MenuScript script)
{
    MenuState().scripts.push_back(std::move(script));
}

const std::vector<MenuShown>& MenuLog()
{
    return MenuState().log;
}

void ResetMenus()
{
    Menus& state = MenuState();
    state.menus.clear();
    state.scripts.clear();
    state.log.clear();
}

}  // namespace vexl::windows

using namespace vexl::windows;

HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name)
{
    HRSRC found = FindResourceW(instance, name, RT_MENU);
    if (!found) return nullptr;
    std::vector<MenuItemInfo> items;
    if (!ParseMenuTemplate(LockResource(LoadResource(instance, found)), SizeofResource(instance, found), items)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return CreateMenuFrom(items);
}

BOOL DestroyMenu(HMENU menu)
{
    std::vector<MenuItem>* items = FindMenu(menu);
    if (!items) return FALSE;
    const std::vector<MenuItem> gone = std::move(*items);
    MenuState().menus.erase(reinterpret_cast<std::uintptr_t>(menu));
    for (const MenuItem& item : gone)
        if (item.popup) DestroyMenu(item.popup);
    return TRUE;
}

BOOL IsMenu(HMENU menu)
{
    return MenuState().menus.count(reinterpret_cast<std::uintptr_t>(menu)) ? TRUE : FALSE;
}

HMENU GetSubMenu(HMENU menu, int position)
{
    MenuItem* item = position < 0 ? nullptr : FindItem(menu, static_cast<UINT>(position), MF_BYPOSITION);
    return item ? item->popup : nullptr;
}

int GetMenuItemCount(HMENU menu)
{
    const std::vector<MenuItem>* items = FindMenu(menu);
    return items ? static_cast<int>(items->size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position)
{
    const MenuItem* item = position < 0 ? nullptr : FindItem(menu, static_cast<UINT>(position), MF_BYPOSITION);
    return item && !item->popup ? item->id : static_cast<UINT>(-1);
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags)
{
    const MenuItem* found = FindItem(menu, item, flags);
    if (!found) return static_cast<UINT>(-1);
    if (!found->popup) return found->flags;
    return (static_cast<UINT>(GetMenuItemCount(found->popup)) << 8) | (found->flags & 0xFF);
}

int GetMenuStringW(HMENU menu, UINT item, LPWSTR text, int textMax, UINT flags)
{
    const MenuItem* found = FindItem(menu, item, flags);
    if (!found) return 0;
    if (!text || textMax <= 0) return static_cast<int>(found->text.size());
    const std::size_t take = std::min(found->text.size(), static_cast<std::size_t>(textMax) - 1);
    found->text.copy(text, take);
    text[take] = 0;
    return static_cast<int>(take);
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable)
{
    MenuItem* found = FindItem(menu, item, enable);
    if (!found) return -1;
    const UINT previous = found->flags & (MF_GRAYED | MF_DISABLED);
    found->flags = (found->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return static_cast<BOOL>(previous);
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check)
{
    MenuItem* found = FindItem(menu, item, check);
    if (!found) return static_cast<DWORD>(-1);
    const UINT previous = found->flags & MF_CHECKED;
    found->flags = (found->flags & ~MF_CHECKED) | (check & MF_CHECKED);
    return previous;
}

namespace {

// Shows the popup to the script; the id chosen, or 0.
UINT TrackMenu(HMENU menu, UINT flags, int x, int y, HWND owner)
{
    Menus& state = MenuState();
    if (!FindMenu(menu) || !IsWindow(owner)) return 0;
    MenuShown shown{owner, x, y, flags, Describe(menu), 0};
    if (state.scripts.empty()) {
        state.log.push_back(shown);
        ReportFailure("a popup menu nobody answers, with " + std::to_string(shown.items.size()) + " items");
        return 0;
    }
    const MenuScript script = std::move(state.scripts.front());
    state.scripts.pop_front();
    const UINT chosen = script(shown);
    if (chosen != 0) {
        const MenuItem* item = FindItem(menu, chosen, MF_BYCOMMAND);
        if (item == nullptr || (item->flags & (MF_GRAYED | MF_DISABLED)) || item->popup) {
            state.log.push_back(shown);
            ReportFailure("the menu script chose item " + std::to_string(chosen) +
                          (item == nullptr ? ", which the menu does not have" : ", which cannot be chosen"));
            return 0;
        }
    }
    shown.chosen = chosen;
    state.log.push_back(std::move(shown));
    return chosen;
}

}  // namespace

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*)
{
    const UINT chosen = TrackMenu(menu, flags, x, y, owner);
    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
    if (chosen == 0) return FALSE;
    if (!(flags & TPM_NONOTIFY)) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen), 0), 0);
    return TRUE;
}

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS)
{
    return TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr);
}
