#include "platform/commctrl.h"
#include "platform/printui.h"
#include "platform/property_sheets.h"
#include "platform/ui_driver.h"
#include "platform/win32.h"
#include "support/test_machine.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vexl::test {
namespace {

constexpr char16_t kTestResources[] = u"C:\\WINDOWS\\system32\\TESTRES.DLL";
constexpr int kPageTemplates[] = {1101, 1102, 1103};
constexpr char16_t kSheetCaption[] = u"Test printer Properties";

// A driver of the tests' own: three pages whose answers the test sets, and
// a log of what the sheet told them.
struct StandInDriver {
    HMODULE resources = nullptr;
    bool refuseLeave[3] = {};
    bool invalid[3] = {};
    bool accepted = false;
    std::vector<std::string> events;
};

StandInDriver* g_driver = nullptr;

int PageIndex(HWND page)
{
    return static_cast<int>(GetWindowLongPtrW(page, DWLP_USER));
}

INT_PTR PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    StandInDriver& driver = *g_driver;
    auto answer = [&](LONG_PTR value) {
        SetWindowLongPtrW(page, DWLP_MSGRESULT, value);
        return TRUE;
    };
    switch (message) {
    case WM_INITDIALOG: {
        const auto* record = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        SetWindowLongPtrW(page, DWLP_USER, record->lParam);
        driver.events.push_back("init " + std::to_string(record->lParam));
        return TRUE;
    }
    case WM_NOTIFY: {
        const auto* notify = reinterpret_cast<const PSHNOTIFY*>(lParam);
        const int index = PageIndex(page);
        const std::string which = " " + std::to_string(index);
        switch (notify->hdr.code) {
        case PSN_SETACTIVE:
            driver.events.push_back("setactive" + which);
            return answer(0);
        case PSN_KILLACTIVE:
            driver.events.push_back("killactive" + which);
            return answer(driver.refuseLeave[index] ? TRUE : FALSE);
        case PSN_APPLY:
            driver.events.push_back((notify->lParam ? "ok" : "apply") + which);
            if (driver.invalid[index]) return answer(PSNRET_INVALID);
            driver.accepted = true;
            return answer(PSNRET_NOERROR);
        case PSN_RESET:
            driver.events.push_back("reset" + which);
            return answer(0);
        default:
            return FALSE;
        }
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == EN_CHANGE)
            SendMessageW(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
        return FALSE;
    default:
        return FALSE;
    }
}

LONG SheetFunction(PROPSHEETUI_INFO* info, LPARAM lParam)
{
    StandInDriver& driver = *g_driver;
    const auto addPage = reinterpret_cast<PFNCOMPROPSHEET>(info->pfnComPropSheet);
    switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
        for (int i = 0; i < 3; ++i) {
            PROPSHEETPAGEW page{};
            page.dwSize = sizeof(page);
            page.hInstance = driver.resources;
            page.pszTemplate = MAKEINTRESOURCEW(static_cast<WORD>(kPageTemplates[i]));
            page.pfnDlgProc = PageProc;
            page.lParam = i;
            addPage(info->hComPropSheet, CPSFUNC_ADD_HPROPSHEETPAGE,
                    reinterpret_cast<LPARAM>(CreatePropertySheetPageW(&page)), 0);
        }
        info->UserData = reinterpret_cast<ULONG_PTR>(&driver);
        return 1;
    case PROPSHEETUI_REASON_GET_INFO_HEADER: {
        auto* header = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lParam);
        header->pTitle = const_cast<LPWSTR>(u"Test printer");
        header->Flags = PSUIHDRF_PROPTITLE;
        header->hInst = driver.resources;
        return 1;
    }
    case PROPSHEETUI_REASON_DESTROY:
        info->Result = driver.accepted ? CPSUI_OK : CPSUI_CANCEL;
        if (driver.accepted) addPage(info->hComPropSheet, CPSFUNC_SET_RESULT, 0, CPSUI_OK);
        return 1;
    default:
        return 1;
    }
}

using CommonPropertySheetUIWFunction = LONG (*)(HWND, PFNPROPSHEETUI, LPARAM, LPDWORD);

class PropertySheetTest : public MachineTest {
protected:
    void SetUp() override
    {
        machine::InstallFile(VEXL_TESTRES_FILE, kTestResources);
        machine::InstallFile(VEXL_COMPSTUI_FILE, u"C:\\WINDOWS\\system32\\compstui.dll");
        std::filesystem::create_directories(machine_.host(u"C:\\standin"));
        driver_.resources = LoadLibraryExW(kTestResources, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(driver_.resources, nullptr);
        compstui_ = LoadLibraryW(u"compstui.dll");
        ASSERT_NE(compstui_, nullptr);
        run_ = reinterpret_cast<CommonPropertySheetUIWFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(compstui_, "CommonPropertySheetUIW")));
        ASSERT_NE(run_, nullptr);
        g_driver = &driver_;
    }
    void TearDown() override
    {
        FreeLibrary(compstui_);
        FreeLibrary(driver_.resources);
        g_driver = nullptr;
    }

    // Runs the sheet; script plays the user once it is open.
    LONG RunSheet(const std::function<void(HWND sheet)>& script, DWORD& result)
    {
        ui_.onDialogCaption(kSheetCaption, script);
        return run_(nullptr, SheetFunction, 0, &result);
    }

    std::string CompstuiLog() const
    {
        std::ifstream in(machine_.host(u"C:\\standin\\compstui.log"));
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    void ClickTab(HWND sheet, int index)
    {
        HWND tab = GetDlgItem(sheet, IDD_PROPSHEET_TAB);
        RECT item{};
        ASSERT_TRUE(SendMessageW(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
        ui_.click(tab, (item.left + item.right) / 2, (item.top + item.bottom) / 2);
        ui_.pumpUntilIdle();
    }

    static int CurrentPage(HWND sheet)
    {
        return PageIndex(reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)));
    }

    std::vector<std::string> TakeEvents() { return std::exchange(driver_.events, {}); }

    windows::UiDriver ui_;
    StandInDriver driver_;
    HMODULE compstui_ = nullptr;
    CommonPropertySheetUIWFunction run_ = nullptr;
};

using Events = std::vector<std::string>;

TEST_F(PropertySheetTest, PagesSwitchApplyAndCloseWithOkOnlyWhenEveryPageIsValid)
{
    DWORD result = 99;
    const LONG answer = RunSheet(
        [&](HWND sheet) {
            EXPECT_EQ(TakeEvents(), (Events{"init 0", "setactive 0"}));
            HWND apply = GetDlgItem(sheet, IDD_PROPSHEET_APPLYNOW);
            EXPECT_FALSE(IsWindowEnabled(apply));

            // A page that refuses to be left keeps the sheet on it.
            driver_.refuseLeave[0] = true;
            ClickTab(sheet, 1);
            EXPECT_EQ(TakeEvents(), Events{"killactive 0"});
            EXPECT_EQ(CurrentPage(sheet), 0);
            EXPECT_EQ(SendMessageW(GetDlgItem(sheet, IDD_PROPSHEET_TAB), TCM_GETCURSEL, 0, 0), 0);
            driver_.refuseLeave[0] = false;
            ClickTab(sheet, 1);
            EXPECT_EQ(TakeEvents(), (Events{"killactive 0", "init 1", "setactive 1"}));
            EXPECT_EQ(CurrentPage(sheet), 1);

            // A change enables Apply; Apply tells every page made so far and disables it.
            HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
            ui_.click(GetDlgItem(page, 1202));
            ui_.pumpUntilIdle();
            EXPECT_TRUE(IsWindowEnabled(apply));
            ui_.pressButton(sheet, IDD_PROPSHEET_APPLYNOW);
            ui_.pumpUntilIdle();
            EXPECT_EQ(TakeEvents(), (Events{"killactive 1", "apply 0", "apply 1"}));
            EXPECT_FALSE(IsWindowEnabled(apply));

            // OK with an invalid page shows that page and keeps the sheet open.
            driver_.invalid[2] = true;
            ClickTab(sheet, 2);
            ClickTab(sheet, 0);
            TakeEvents();
            ui_.pressButton(sheet, IDOK);
            ui_.pumpUntilIdle();
            EXPECT_EQ(TakeEvents(), (Events{"killactive 0", "ok 0", "ok 1", "ok 2", "setactive 2"}));
            ASSERT_TRUE(IsWindow(sheet));
            EXPECT_EQ(CurrentPage(sheet), 2);
            driver_.invalid[2] = false;
            // OK pressed through the sheet's message, as a page presses it.
            PostMessageW(sheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
        },
        result);
    EXPECT_EQ(TakeEvents(), (Events{"killactive 2", "ok 0", "ok 1", "ok 2"}));
    EXPECT_EQ(answer, CPSUI_OK);
    EXPECT_EQ(result, static_cast<DWORD>(CPSUI_OK));
    EXPECT_EQ(CompstuiLog(), "function 0 1 0 -> 1\nfunction 0 1 0 -> 2\nfunction 0 1 0 -> 3\n"
                             "reason init -> 1 result 0\nreason header -> 1 result 0\nsheet -> 1\n"
                             "function 9 0 1 -> 1\nreason destroy -> 1 result 1\n");
    EXPECT_EQ(ui_.deadHandleCalls(), 0u);
}

TEST_F(PropertySheetTest, CancelResetsThePagesMadeAndReportsCancel)
{
    DWORD result = 99;
    const LONG answer = RunSheet(
        [&](HWND sheet) {
            ClickTab(sheet, 1);
            TakeEvents();
            ui_.pressButton(sheet, IDCANCEL);
        },
        result);
    EXPECT_EQ(TakeEvents(), (Events{"reset 0", "reset 1"}));
    EXPECT_EQ(answer, CPSUI_CANCEL);
    EXPECT_EQ(result, static_cast<DWORD>(CPSUI_CANCEL));
    EXPECT_NE(CompstuiLog().find("sheet -> 0\nreason destroy -> 1 result 0\n"), std::string::npos);
}

}  // namespace
}  // namespace vexl::test
