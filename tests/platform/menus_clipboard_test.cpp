#include "platform/clipboard.h"
#include "platform/clipboard_host.h"
#include "platform/menus.h"
#include "platform/menus_host.h"
#include "platform/ui_driver.h"
#include "platform/win32.h"
#include "support/test_machine.h"

#include <cstring>
#include <string>

namespace vexl::test {
namespace {

constexpr char16_t kTestResources[] = u"C:\\WINDOWS\\system32\\TESTRES.DLL";

class MenuTest : public MachineTest {
protected:
    void SetUp() override
    {
        machine::InstallFile(VEXL_TESTRES_FILE, kTestResources);
        module_ = LoadLibraryExW(kTestResources, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override
    {
        windows::ResetMenus();
        FreeLibrary(module_);
    }

    HMODULE module_ = nullptr;
};

TEST_F(MenuTest, MenusLoadFromTheirTemplateAndKeepTheirState)
{
    HMENU bar = LoadMenuW(module_, MAKEINTRESOURCEW(200));
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(GetMenuItemCount(bar), 1);
    EXPECT_EQ(GetMenuItemID(bar, 0), static_cast<UINT>(-1));  // a popup has no command
    HMENU popup = GetSubMenu(bar, 0);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), (3u << 8) | MF_POPUP);
    ASSERT_EQ(GetMenuItemCount(popup), 3);
    EXPECT_EQ(GetMenuItemID(popup, 0), 201u);
    EXPECT_EQ(GetMenuState(popup, 1, MF_BYPOSITION), MF_SEPARATOR);
    WCHAR text[8];
    EXPECT_EQ(GetMenuStringW(popup, 201, text, 8, MF_BYCOMMAND), 5);
    EXPECT_EQ(std::u16string(text), u"&Edit");

    // By command the submenus are searched; the previous state is answered.
    EXPECT_EQ(EnableMenuItem(bar, 202, MF_BYCOMMAND | MF_ENABLED), static_cast<BOOL>(MF_GRAYED));
    EXPECT_EQ(EnableMenuItem(popup, 201, MF_BYCOMMAND | MF_GRAYED), static_cast<BOOL>(MF_ENABLED));
    EXPECT_EQ(GetMenuState(popup, 0, MF_BYPOSITION), MF_GRAYED);
    EXPECT_EQ(GetMenuState(popup, 202, MF_BYCOMMAND), MF_ENABLED);
    EXPECT_EQ(CheckMenuItem(popup, 202, MF_BYCOMMAND | MF_CHECKED), MF_UNCHECKED);
    EXPECT_EQ(EnableMenuItem(popup, 999, MF_BYCOMMAND | MF_GRAYED), -1);
    EXPECT_EQ(EnableMenuItem(popup, 3, MF_BYPOSITION | MF_GRAYED), -1);

    // Destroying the menu destroys its popups; the handles then answer as invalid.
    EXPECT_TRUE(DestroyMenu(bar));
    EXPECT_FALSE(IsMenu(popup));
    SetLastError(0);
    EXPECT_EQ(GetMenuItemCount(popup), -1);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_MENU_HANDLE);
    EXPECT_FALSE(DestroyMenu(bar));

    SetLastError(0);
    EXPECT_EQ(LoadMenuW(module_, MAKEINTRESOURCEW(201)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
}

TEST_F(MenuTest, APopupMenuPostsTheCommandItsScriptChooses)
{
    windows::UiDriver driver;
    std::vector<std::string> failures;
    driver.setFailureHandler([&](const std::string& message) { failures.push_back(message); });
    WNDCLASSW ownerClass{0, DefWindowProcW, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, u"MenuOwner"};
    RegisterClassW(&ownerClass);
    HWND owner = CreateWindowExW(0, u"MenuOwner", u"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                                 nullptr);
    HMENU popup = GetSubMenu(LoadMenuW(module_, MAKEINTRESOURCEW(200)), 0);
    ASSERT_NE(popup, nullptr);
    auto choose = [](UINT id) { return [id](const windows::MenuShown&) { return id; }; };
    auto postedCommand = [&]() -> WPARAM {
        MSG msg{};
        return PeekMessageW(&msg, owner, WM_COMMAND, WM_COMMAND, PM_REMOVE) ? msg.wParam : 0xDEAD;
    };

    windows::OnMenu(choose(201));
    EXPECT_TRUE(TrackPopupMenu(popup, TPM_RIGHTBUTTON, 30, 40, 0, owner, nullptr));
    EXPECT_EQ(postedCommand(), MAKEWPARAM(201, 0));
    windows::OnMenu(choose(0));
    EXPECT_FALSE(TrackPopupMenu(popup, 0, 0, 0, 0, owner, nullptr));
    windows::OnMenu(choose(201));
    EXPECT_EQ(TrackPopupMenuEx(popup, TPM_RETURNCMD, 0, 0, owner, nullptr), 201);
    EXPECT_EQ(postedCommand(), 0xDEADu);  // dismissed or returned: nothing posted
    EXPECT_TRUE(failures.empty());

    // A greyed item cannot be chosen, and a menu nobody scripted fails.
    windows::OnMenu(choose(202));
    EXPECT_FALSE(TrackPopupMenu(popup, 0, 0, 0, 0, owner, nullptr));
    EXPECT_FALSE(TrackPopupMenu(popup, 0, 0, 0, 0, owner, nullptr));
    EXPECT_EQ(failures.size(), 2u);
    EXPECT_EQ(postedCommand(), 0xDEADu);

    const auto& log = windows::MenuLog();
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0].owner, owner);
    EXPECT_EQ(log[0].x, 30);
    EXPECT_EQ(log[0].y, 40);
    ASSERT_EQ(log[0].items.size(), 3u);
    EXPECT_EQ(log[0].items[0].text, u"&Edit");
    EXPECT_EQ(log[0].items[2].flags & MF_GRAYED, MF_GRAYED);
    EXPECT_EQ(log[0].chosen, 201u);
    EXPECT_EQ(log[3].chosen, 0u);
}

TEST(MenuTemplate, MalformedTemplatesAreRefused)
{
    // MF_POPUP | MF_END "A", then one item MF_END id 7 "B".
    const std::uint8_t good[] = {0, 0, 0, 0, 0x90, 0, 'A', 0, 0, 0, 0x80, 0, 7, 0, 'B', 0, 0, 0};
    std::vector<windows::MenuItemInfo> items;
    ASSERT_TRUE(windows::ParseMenuTemplate(good, sizeof good, items));
    ASSERT_EQ(items.size(), 1u);
    ASSERT_EQ(items[0].popup.size(), 1u);
    EXPECT_EQ(items[0].popup[0].id, 7u);
    EXPECT_EQ(items[0].popup[0].text, u"B");

    for (std::size_t size = 0; size < sizeof good; ++size)  // every cut is refused
        EXPECT_FALSE(windows::ParseMenuTemplate(good, size, items)) << size;
    const std::uint8_t extended[] = {1, 0, 4, 0, 0, 0, 0, 0};
    EXPECT_FALSE(windows::ParseMenuTemplate(extended, sizeof extended, items));
    const std::uint8_t offsetOutside[] = {0, 0, 0xFF, 0, 0x80, 0, 1, 0, 0, 0};
    EXPECT_FALSE(windows::ParseMenuTemplate(offsetOutside, sizeof offsetOutside, items));
    // Popups nested without end are refused, not followed down the stack.
    std::vector<std::uint8_t> deep = {0, 0, 0, 0};
    for (int i = 0; i < 40; ++i) deep.insert(deep.end(), {0x10, 0, 0, 0});
    EXPECT_FALSE(windows::ParseMenuTemplate(deep.data(), deep.size(), items));
}

class ClipboardTest : public ::testing::Test {
protected:
    void TearDown() override { windows::ResetClipboardAndLogs(); }
};

TEST_F(ClipboardTest, TextComesAsUnicodeAndAsAnsiWithItsTerminator)
{
    windows::SetClipboardText(u"12,5 \u00E9");
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), nullptr);  // not open
    EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);

    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE ansi = GetClipboardData(CF_TEXT);
    ASSERT_NE(ansi, nullptr);
    EXPECT_EQ(GlobalSize(ansi), 7u);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(ansi)), "12,5 \xE9");
    GlobalUnlock(ansi);
    HANDLE unicode = GetClipboardData(CF_UNICODETEXT);
    EXPECT_EQ(std::u16string(static_cast<const WCHAR*>(GlobalLock(unicode))), u"12,5 \u00E9");

    // A program's own text replaces what was there, ANSI form included.
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    HANDLE mine = GlobalAlloc(GMEM_ZEROINIT, 6);
    std::memcpy(mine, u"ab", 4);
    EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, mine), mine);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(windows::ClipboardText(), u"ab");
    EXPECT_FALSE(CloseClipboard());
}

TEST_F(ClipboardTest, OpenFailsWhileSomeoneElseHasIt)
{
    HWND first = reinterpret_cast<HWND>(std::uintptr_t{0x10});
    HWND second = reinterpret_cast<HWND>(std::uintptr_t{0x20});
    ASSERT_TRUE(OpenClipboard(first));
    EXPECT_TRUE(OpenClipboard(first));
    EXPECT_FALSE(OpenClipboard(second));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(CloseClipboard());
    windows::HoldClipboard(true);
    EXPECT_FALSE(OpenClipboard(first));
    windows::HoldClipboard(false);
    EXPECT_TRUE(OpenClipboard(second));
    EXPECT_TRUE(CloseClipboard());
}

TEST_F(ClipboardTest, HelpAndBeepsAreLogged)
{
    const DWORD ids[] = {1001, 5001, 1002, 5002, 0, 0};
    HWND window = reinterpret_cast<HWND>(std::uintptr_t{0x30});
    EXPECT_TRUE(WinHelpW(window, u"TZ16E1.HLP", HELP_WM_HELP, reinterpret_cast<ULONG_PTR>(ids)));
    EXPECT_TRUE(WinHelpW(nullptr, u"TZ16E1.HLP", HELP_CONTEXT, 77));
    EXPECT_TRUE(MessageBeep(MB_ICONEXCLAMATION));
    const auto& log = windows::WinHelpLog();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].window, window);
    EXPECT_EQ(log[0].file, u"TZ16E1.HLP");
    EXPECT_EQ(log[0].helpIds, (std::vector<DWORD>{1001, 5001, 1002, 5002}));
    EXPECT_EQ(log[1].command, HELP_CONTEXT);
    EXPECT_EQ(log[1].data, 77u);
    EXPECT_TRUE(log[1].helpIds.empty());
    EXPECT_EQ(windows::MessageBeepLog(), std::vector<UINT>{MB_ICONEXCLAMATION});
}

}  // namespace
}  // namespace vexl::test
