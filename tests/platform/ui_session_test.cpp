#include "support/dialog_template.h"
#include "ui_fixture.h"

#include "platform/kernel.h"

#include <cstdlib>
#include <filesystem>

namespace vexl::test {
namespace {

// A settings dialog as a driver would write one: a number edit that a
// subclass filters to digits and the decimal comma, a paper combo, a button
// that opens a details dialog, and OK that checks the number first.
constexpr int kNumber = 61;
constexpr int kPaper = 43;
constexpr int kDetails = 11111;
constexpr int kDetailsCheck = 22;

struct Session {
    WNDPROC editProc = nullptr;
    std::vector<std::u16string> events;
    std::u16string acceptedNumber;
    ULONG_PTR acceptedPaper = 0;
    bool detailsChecked = false;
    DialogTemplateWriter details{DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION, 20, 20, 120, 60, u"Details"};
};

Session* g_session = nullptr;

LRESULT NumberFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CHAR) {
        const auto c = static_cast<WCHAR>(wParam);
        if (!((c >= u'0' && c <= u'9') || c == u',' || c == 0x08)) {
            g_session->events.push_back(u"refused " + std::u16string(1, c));
            return 0;
        }
    }
    return CallWindowProcW(g_session->editProc, window, message, wParam, lParam);
}

INT_PTR DetailsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        CheckDlgButton(dialog, kDetailsCheck, g_session->detailsChecked ? BST_CHECKED : BST_UNCHECKED);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        if (LOWORD(wParam) == IDOK)
            g_session->detailsChecked = IsDlgButtonChecked(dialog, kDetailsCheck) == BST_CHECKED;
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

INT_PTR SettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    Session& s = *g_session;
    switch (message) {
    case WM_INITDIALOG: {
        HWND number = GetDlgItem(dialog, kNumber);
        s.editProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(number, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NumberFilter)));
        SendMessageW(number, EM_SETLIMITTEXT, 6, 0);
        HWND paper = GetDlgItem(dialog, kPaper);
        const std::pair<const WCHAR*, ULONG_PTR> papers[] = {{u"A4", 9}, {u"Letter", 1}, {u"A3", 8}};
        for (const auto& [name, id] : papers) {
            const auto row = SendMessageW(paper, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
            SendMessageW(paper, CB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(id));
        }
        SendMessageW(paper, CB_SETCURSEL, 0, 0);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kPaper:
            if (HIWORD(wParam) == CBN_SELCHANGE) s.events.push_back(u"paper changed");
            return TRUE;
        case kNumber:
            if (HIWORD(wParam) == EN_CHANGE) s.events.push_back(u"number changed");
            return TRUE;
        case kDetails:
            s.events.push_back(
                u"details " +
                std::u16string(1, static_cast<char16_t>(u'0' + DialogBoxIndirectParamW(nullptr, s.details.get(), dialog,
                                                                                       DetailsProc, 0))));
            return TRUE;
        case IDOK: {
            WCHAR text[16] = {};
            GetDlgItemTextW(dialog, kNumber, text, 16);
            if (text[0] == 0 || text[0] == u',') {
                MessageBoxW(dialog, u"Enter a number.", u"Settings", MB_OK | MB_ICONWARNING);
                SetFocus(GetDlgItem(dialog, kNumber));
                return TRUE;
            }
            s.acceptedNumber = text;
            HWND paper = GetDlgItem(dialog, kPaper);
            s.acceptedPaper = static_cast<ULONG_PTR>(
                SendMessageW(paper, CB_GETITEMDATA, static_cast<WPARAM>(SendMessageW(paper, CB_GETCURSEL, 0, 0)), 0));
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

TEST_F(UiTest, ADialogDrivenThroughAWholeSession)
{
    Session session;
    g_session = &session;
    session.details.item(0x80, BS_AUTOCHECKBOX | WS_VISIBLE | WS_TABSTOP, 10, 10, 100, 12, kDetailsCheck, u"Duplex");
    session.details.item(0x80, BS_DEFPUSHBUTTON | WS_VISIBLE | WS_TABSTOP, 10, 40, 40, 14, IDOK, u"OK");
    DialogTemplateWriter settings(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 220, 120,
                                  u"Settings");
    settings.item(0x82, SS_LEFT | WS_VISIBLE, 10, 10, 50, 10, 100, u"Scale:")
        .item(0x81, ES_AUTOHSCROLL | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 60, 10, 60, 12, kNumber)
        .item(0x85, CBS_DROPDOWNLIST | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL, 60, 30, 80, 80, kPaper)
        .item(0x80, BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP, 150, 30, 60, 14, kDetails, u"Details...")
        .item(0x80, BS_DEFPUSHBUTTON | WS_VISIBLE | WS_TABSTOP, 100, 100, 50, 14, IDOK, u"OK")
        .item(0x80, BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP, 160, 100, 50, 14, IDCANCEL, u"Cancel");
    HWND owner = topLevel(0, 0, 640, 480);
    driver.pumpUntilIdle();

    const std::size_t leaksBefore = driver.gdiLeaks();
    driver.onMessageBox(u"number", IDOK);
    driver.onDialogCaption(u"Settings", [&](HWND dialog) {
        HWND number = driver.ctl(dialog, kNumber);
        EXPECT_EQ(driver.focus(), number);  // the first tab stop
        driver.pressButton(dialog, IDOK);   // empty: the box, and focus back to the number
        EXPECT_EQ(driver.messageBoxLog().size(), 1u);
        EXPECT_EQ(driver.focus(), number);

        driver.type(number, u"12.5x,75");
        EXPECT_EQ(driver.text(number), u"125,75");
        // What the user sees: the edit drew its text, the dialog its face colour.
        const auto drawn = driver.textOps(number);
        ASSERT_FALSE(drawn.empty());
        EXPECT_EQ(drawn.back().text, u"125,75");
        EXPECT_EQ(drawn.back().face, u"MS Shell Dlg");
        EXPECT_EQ(driver.pixel(dialog, 1, 1), GetSysColor(COLOR_BTNFACE));
        if (const char* pictures = std::getenv("VEXL_UI_PICTURES")) {
            driver.writePng(dialog, std::filesystem::path(pictures) / "settings.png");
        }

        HWND paper = driver.ctl(dialog, kPaper);
        EXPECT_EQ(driver.rowTexts(paper), (std::vector<std::u16string>{u"A4", u"Letter", u"A3"}));
        driver.selectRow(paper, 2);
        EXPECT_EQ(driver.text(paper), u"A3");

        driver.onDialogCaption(u"Details", [&](HWND details) {
            EXPECT_FALSE(driver.enabled(dialog));
            driver.click(driver.ctl(details, kDetailsCheck));
            driver.key(VK_RETURN, true);
        });
        driver.pressButton(dialog, kDetails);
        EXPECT_TRUE(driver.enabled(dialog));
        EXPECT_EQ(driver.dialog(0), dialog);

        driver.setFocus(number);
        driver.key(VK_RETURN, true);  // Enter is the default button
    });
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, settings.get(), owner, SettingsProc, 0), IDOK);

    EXPECT_EQ(session.acceptedNumber, u"125,75");
    EXPECT_EQ(session.acceptedPaper, 8u);
    EXPECT_TRUE(session.detailsChecked);
    const std::vector<std::u16string> expected{
        u"number changed", u"number changed", u"refused .",      u"number changed", u"refused x",
        u"number changed", u"number changed", u"number changed", u"paper changed",  u"details 1",
    };
    EXPECT_EQ(session.events, expected);
    ASSERT_EQ(driver.messageBoxLog().size(), 1u);
    EXPECT_EQ(driver.messageBoxLog()[0].caption, u"Settings");
    EXPECT_EQ(driver.messageBoxLog()[0].style, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(driver.topWindows(), (std::vector<HWND>{owner}));
    EXPECT_EQ(GetActiveWindow(), owner);
    EXPECT_TRUE(driver.failures().empty());
    EXPECT_EQ(driver.deadHandleCalls(), 0u);
    EXPECT_EQ(driver.gdiLeaks(), leaksBefore);  // the dialog's font went with it
    g_session = nullptr;
}

TEST_F(UiTest, MessageBoxesPumpFirstAndAnswerFromTheScript)
{
    HWND owner = topLevel();
    driver.pumpUntilIdle();
    Recorder::log().clear();
    PostMessageW(owner, WM_PAINT, 0, 0);
    driver.onMessageBox(u"", IDNO);
    EXPECT_EQ(MessageBoxW(owner, u"Save?", u"Question", MB_YESNOCANCEL), IDNO);
    EXPECT_EQ(Recorder::messages(owner, {WM_PAINT}).size(), 1u);  // dispatched before the answer

    driver.pumpBeforeMessageBox(false);
    PostMessageW(owner, WM_PAINT, 0, 0);
    driver.answerMessageBoxesByDefault(true);
    EXPECT_EQ(MessageBoxW(owner, u"Retry?", nullptr, MB_RETRYCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(Recorder::messages(owner, {WM_PAINT}).size(), 1u);
    EXPECT_EQ(driver.messageBoxLog().back().caption, u"Error");

    driver.answerMessageBoxesByDefault(false);
    expectFailure = true;
    EXPECT_EQ(MessageBoxW(owner, u"Nobody expects me", u"Surprise", MB_OK), 0);
    ASSERT_EQ(driver.failures().size(), 1u);
    EXPECT_NE(driver.failures()[0].find("Nobody expects me"), std::string::npos);
}

TEST_F(UiTest, PollingLoopsGetTheClockAndTheButtonUpFromTheScript)
{
    // The shape of an auto-repeat loop: while the button is down, act every
    // 100 ms, seeing timer ticks and the release only through PeekMessageW.
    HWND owner = topLevel();
    driver.pumpUntilIdle();
    POINT at{10, 10};
    driver.mouseButton(at, true);
    int steps = 0;
    driver.onIdle([&] { driver.advance(100); });
    driver.onIdle([&] { driver.advance(100); });
    driver.onIdle([&] { driver.mouseButton(at, false); });
    DWORD last = GetTickCount();
    MSG msg{};
    while (GetAsyncKeyState(VK_LBUTTON) < 0) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        if (GetTickCount() - last >= 100) {
            ++steps;
            last = GetTickCount();
        }
    }
    EXPECT_EQ(steps, 2);
    EXPECT_TRUE(driver.failures().empty());

    // With nothing scripted such a loop fails instead of spinning for ever.
    expectFailure = true;
    driver.mouseButton(at, true);
    while (GetAsyncKeyState(VK_LBUTTON) < 0) PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);
    ASSERT_EQ(driver.failures().size(), 1u);
    EXPECT_NE(driver.failures()[0].find("polling loop"), std::string::npos);
    (void)owner;
}

}  // namespace
}  // namespace vexl::test
