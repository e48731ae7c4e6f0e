#include "ui_fixture.h"

#include "platform/kernel.h"
#include "platform/machine.h"

namespace vexl::test {
namespace {

using WindowCore = UiTest;

TEST_F(WindowCore, ReceivedInOrderComparesOnlyTheKindsItNamesAndShowsWhatCame)
{
    HWND window = topLevel();
    constexpr UINT kFirst = WM_USER + 1;
    constexpr UINT kSecond = WM_USER + 2;
    SendMessageW(window, kFirst, 0, 0);
    SendMessageW(window, kSecond, 0, 0);
    SendMessageW(window, kFirst, 0, 0);

    EXPECT_TRUE(ReceivedInOrder(window, {kFirst, kSecond, kFirst}));
    EXPECT_TRUE(ReceivedInOrder(nullptr, {kSecond}));
    const testing::AssertionResult swapped = ReceivedInOrder(window, {kSecond, kFirst, kFirst});
    EXPECT_FALSE(swapped);
    EXPECT_STREQ(swapped.message(), "messages 0x401, 0x402, 0x401, expected 0x402, 0x401, 0x401");
    EXPECT_FALSE(ReceivedInOrder(window, {kFirst, kSecond}));
    DestroyWindow(window);
}

TEST_F(WindowCore, QueueAnswersPostedThenPaintThenTimersWithinItsFilters)
{
    HWND top = topLevel();
    HWND inner = child(top, u"Recorder", 0, 10, 10, 50, 50, 7);
    HWND other = topLevel(500, 100);
    driver.pumpUntilIdle();
    SetTimer(top, 1, 100, nullptr);
    driver.advance(0);
    vexl::machine::AdvanceTickCount(150);
    InvalidateRect(inner, nullptr, FALSE);
    PostMessageW(other, WM_USER + 1, 0, 0);
    PostMessageW(inner, 0x8001, 0, 0);

    MSG msg{};
    // A filter on the window takes its descendants; the range takes one message.
    ASSERT_TRUE(PeekMessageW(&msg, top, 0x8001, 0x8001, PM_NOREMOVE));
    EXPECT_EQ(msg.hwnd, inner);
    EXPECT_FALSE(PeekMessageW(&msg, other, 0x8001, 0x8001, PM_NOREMOVE));

    std::vector<std::pair<HWND, UINT>> order;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        order.emplace_back(msg.hwnd, msg.message);
        DispatchMessageW(&msg);
        if (msg.message == WM_TIMER) KillTimer(top, 1);
    }
    const std::vector<std::pair<HWND, UINT>> expected{
        {other, WM_USER + 1}, {inner, 0x8001}, {inner, WM_PAINT}, {top, WM_TIMER}};
    EXPECT_EQ(order, expected);
}

TEST_F(WindowCore, ReversedRangeAndQuitFollowWin32)
{
    HWND top = topLevel();
    driver.pumpUntilIdle();
    PostMessageW(top, WM_USER, 0, 0);
    PostMessageW(top, WM_APP, 0, 0);
    MSG msg{};
    // Min above max admits what lies outside (max, min).
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_APP, WM_USER, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_USER));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_APP, WM_USER, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_APP));
    PostQuitMessage(3);
    EXPECT_FALSE(GetMessageW(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(WindowCore, DestroyOrderAndDeadHandlesAnswerAsWin32AndAreCounted)
{
    HWND top = topLevel();
    HWND a = child(top, u"Recorder", 0, 0, 0, 10, 10, 1);
    HWND b = child(a, u"Recorder", 0, 0, 0, 5, 5, 2);
    SetTimer(b, 9, 50, nullptr);
    SetFocus(b);
    SetCapture(a);
    PostMessageW(b, WM_USER, 0, 0);
    Recorder::log().clear();

    ASSERT_TRUE(DestroyWindow(top));
    std::vector<std::pair<HWND, UINT>> order;
    for (const Received& r : Recorder::log()) {
        if (r.message == WM_DESTROY || r.message == WM_NCDESTROY) order.emplace_back(r.window, r.message);
    }
    const std::vector<std::pair<HWND, UINT>> expected{{top, WM_DESTROY}, {a, WM_DESTROY},   {b, WM_DESTROY},
                                                      {b, WM_NCDESTROY}, {a, WM_NCDESTROY}, {top, WM_NCDESTROY}};
    EXPECT_EQ(order, expected);
    EXPECT_EQ(GetFocus(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(driver.timers().empty());
    MSG msg{};
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));

    const auto before = driver.deadHandleCalls();
    EXPECT_FALSE(IsWindow(b));  // asking is no misuse
    EXPECT_EQ(SendMessageW(b, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_FALSE(PostMessageW(a, WM_USER, 0, 0));
    EXPECT_EQ(GetWindowLongPtrW(top, GWLP_USERDATA), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(GetParent(b), nullptr);
    EXPECT_FALSE(SetWindowTextW(a, u"x"));
    EXPECT_EQ(driver.deadHandleCalls(), before + 5);

    // Handles are never handed out again.
    HWND again = topLevel();
    EXPECT_NE(again, top);
    EXPECT_NE(again, a);
    EXPECT_NE(again, b);
}

LRESULT UpperCaseFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WNDPROC g_previous = nullptr;

LRESULT UpperCaseFilter(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT) {
        std::u16string text = reinterpret_cast<LPCWSTR>(lParam);
        for (auto& c : text) c = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
        return CallWindowProcW(g_previous, window, message, wParam, reinterpret_cast<LPARAM>(text.c_str()));
    }
    return CallWindowProcW(g_previous, window, message, wParam, lParam);
}

TEST_F(WindowCore, FieldsAndSubclassingThroughTheProcedureSlot)
{
    HWND top = topLevel();
    HWND control = child(top, u"Recorder", WS_TABSTOP, 5, 6, 30, 20, 11, u"first");
    g_previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(UpperCaseFilter)));
    EXPECT_EQ(g_previous, &Recorder::Proc);
    EXPECT_EQ(GetWindowLongPtrW(control, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(UpperCaseFilter));
    SetWindowTextW(control, u"abc");
    EXPECT_EQ(driver.text(control), u"ABC");

    EXPECT_EQ(SetWindowLongPtrW(control, GWLP_ID, 0x3021), 11);
    EXPECT_EQ(GetDlgItem(top, 0x3021), control);
    EXPECT_EQ(SetWindowLongPtrW(control, GWLP_USERDATA, 42), 0);
    EXPECT_EQ(GetWindowLongPtrW(control, GWLP_USERDATA), 42);
    EXPECT_EQ(GetWindowLongPtrW(control, GWL_STYLE) & WS_TABSTOP, LONG_PTR(WS_TABSTOP));
    EXPECT_EQ(GetParent(control), top);

    RECT rect{};
    GetWindowRect(control, &rect);
    EXPECT_EQ(rect.left, 105);
    EXPECT_EQ(rect.top, 106);
    POINT point{0, 0};
    MapWindowPoints(control, top, &point, 1);
    EXPECT_EQ(point.x, 5);
    EXPECT_EQ(point.y, 6);
}

TEST_F(WindowCore, ZOrderOfSiblingsAndVisibilityOfAncestors)
{
    HWND top = topLevel();
    HWND first = child(top, u"Recorder", 0, 0, 0, 10, 10, 1);
    HWND second = child(top, u"Recorder", 0, 0, 0, 10, 10, 2);
    HWND third = child(top, u"Recorder", 0, 0, 0, 10, 10, 3);
    EXPECT_EQ(GetWindow(top, GW_CHILD), first);
    EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second);
    EXPECT_EQ(GetWindow(third, GW_HWNDPREV), second);
    EXPECT_EQ(GetWindow(second, GW_HWNDLAST), third);
    SetWindowPos(first, third, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(driver.children(top), (std::vector<HWND>{second, third, first}));
    SetWindowPos(first, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindow(top, GW_CHILD), first);

    ShowWindow(top, SW_HIDE);
    EXPECT_TRUE(GetWindowLongPtrW(second, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(IsWindowVisible(second));
    ShowWindow(top, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(second));
    EnableWindow(top, FALSE);
    EXPECT_FALSE(IsWindowEnabled(top));
    EXPECT_TRUE(IsWindowEnabled(second));  // enabled reads the window's own style
}

TEST_F(WindowCore, TimersFollowTheMachineClock)
{
    HWND top = topLevel();
    driver.pumpUntilIdle();
    SetTimer(top, 5, 200, nullptr);
    Recorder::log().clear();
    driver.advance(199);
    EXPECT_TRUE(Recorder::messages(top, {WM_TIMER}).empty());
    driver.advance(1);
    EXPECT_EQ(Recorder::messages(top, {WM_TIMER}).size(), 1u);
    driver.advance(400);  // one tick per pump, rescheduled from when it came
    EXPECT_EQ(Recorder::messages(top, {WM_TIMER}).size(), 2u);
    EXPECT_TRUE(KillTimer(top, 5));
    EXPECT_FALSE(KillTimer(top, 5));
    driver.advance(1000);
    EXPECT_EQ(Recorder::messages(top, {WM_TIMER}).size(), 2u);
}

TEST_F(WindowCore, PaintComesFromTheUpdateRegionAndAPostedPaintFindsItEmpty)
{
    HWND top = topLevel();
    driver.pumpUntilIdle();
    Recorder::log().clear();
    std::vector<RECT> painted;
    std::vector<BOOL> erased;
    Recorder::answer() = [&](HWND window, UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (window != top || message != WM_PAINT) return false;
        PAINTSTRUCT paint{};
        BeginPaint(window, &paint);
        painted.push_back(paint.rcPaint);
        erased.push_back(paint.fErase);
        EndPaint(window, &paint);
        result = 0;
        return true;
    };
    RECT a{10, 10, 20, 20}, b{30, 5, 40, 15};
    InvalidateRect(top, &a, FALSE);
    InvalidateRect(top, &b, TRUE);
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(top, &update, FALSE));
    driver.pumpUntilIdle();
    ASSERT_EQ(painted.size(), 1u);
    EXPECT_EQ(painted[0].left, 10);
    EXPECT_EQ(painted[0].top, 5);
    EXPECT_EQ(painted[0].right, 40);
    EXPECT_EQ(painted[0].bottom, 20);
    EXPECT_EQ(Recorder::messages(top, {WM_ERASEBKGND}).size(), 1u);
    EXPECT_FALSE(GetUpdateRect(top, &update, FALSE));

    PostMessageW(top, WM_PAINT, 0, 0);
    driver.pumpUntilIdle();
    ASSERT_EQ(painted.size(), 2u);
    EXPECT_TRUE(painted[1].right <= painted[1].left);

    InvalidateRect(top, nullptr, FALSE);
    ValidateRect(top, nullptr);
    driver.pumpUntilIdle();
    EXPECT_EQ(painted.size(), 2u);
}

TEST_F(WindowCore, WindowsPaintIntoTheirTopLevelSurfaceAtTheirOrigin)
{
    HWND top = topLevel(50, 50, 200, 100);
    HWND inner = child(top, u"Recorder", 0, 20, 10, 60, 40, 1);
    const COLORREF red = RGB(255, 0, 0);
    const COLORREF blue = RGB(0, 0, 255);
    const std::size_t leaksBefore = driver.gdiLeaks();
    Recorder::answer() = [&](HWND window, UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (message != WM_PAINT) return false;
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        HBRUSH brush = CreateSolidBrush(window == top ? red : blue);
        RECT all{0, 0, 1000, 1000};
        FillRect(dc, &all, brush);  // the DC clips to the window
        DeleteObject(brush);
        EndPaint(window, &paint);
        result = 0;
        return true;
    };
    driver.pumpUntilIdle();
    EXPECT_EQ(driver.pixel(top, 0, 0), red);
    EXPECT_EQ(driver.pixel(top, 19, 10), red);
    EXPECT_EQ(driver.pixel(top, 20, 10), blue);
    EXPECT_EQ(driver.pixel(inner, 0, 0), blue);
    EXPECT_EQ(driver.pixel(inner, 59, 39), blue);
    EXPECT_EQ(driver.pixel(top, 80, 50), red);

    // Repainting the parent repaints the child it covers.
    InvalidateRect(top, nullptr, TRUE);
    driver.pumpUntilIdle();
    EXPECT_EQ(driver.pixel(inner, 5, 5), blue);
    // A hidden child leaves its place to be painted by the parent.
    ShowWindow(inner, SW_HIDE);
    driver.pumpUntilIdle();
    EXPECT_EQ(driver.pixel(top, 30, 20), red);

    // A bitmap static shows its picture.
    HBITMAP picture = CreateBitmap(2, 2, 1, 32, nullptr);
    HDC memory = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(memory, picture);
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    RECT square{0, 0, 2, 2};
    FillRect(memory, &square, green);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(green);
    HWND marker = child(top, u"Static", SS_BITMAP, 100, 60, 10, 10, 2);
    SendMessageW(marker, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
    driver.pumpUntilIdle();
    EXPECT_EQ(driver.pixel(marker, 1, 1), RGB(0, 255, 0));
    DestroyWindow(top);
    DeleteObject(picture);
    EXPECT_EQ(driver.gdiLeaks(), leaksBefore);
}

TEST_F(WindowCore, FocusActivationAndCaptureSendTheirMessages)
{
    HWND top = topLevel();
    HWND a = child(top, u"Recorder", 0, 0, 0, 10, 10, 1);
    HWND b = child(top, u"Recorder", 0, 20, 0, 10, 10, 2);
    driver.pumpUntilIdle();
    EXPECT_EQ(GetActiveWindow(), top);
    SetFocus(a);
    Recorder::log().clear();
    EXPECT_EQ(SetFocus(b), a);
    ASSERT_EQ(Recorder::log().size(), 2u);
    EXPECT_EQ(Recorder::log()[0].window, a);
    EXPECT_EQ(Recorder::log()[0].message, UINT(WM_KILLFOCUS));
    EXPECT_EQ(reinterpret_cast<HWND>(Recorder::log()[0].wParam), b);
    EXPECT_EQ(Recorder::log()[1].window, b);
    EXPECT_EQ(Recorder::log()[1].message, UINT(WM_SETFOCUS));
    EXPECT_EQ(reinterpret_cast<HWND>(Recorder::log()[1].wParam), a);

    SetCapture(a);
    Recorder::log().clear();
    SetCapture(b);
    EXPECT_EQ(Recorder::messages(a, {WM_CAPTURECHANGED}).size(), 1u);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Recorder::messages(b, {WM_CAPTURECHANGED}).size(), 1u);
}

TEST_F(WindowCore, MouseRoutingHitTestsThroughTransparentAndDisabledWindows)
{
    HWND top = topLevel(0, 0, 300, 200);
    HWND below = child(top, u"Recorder", 0, 10, 10, 100, 100, 1);
    HWND label = child(top, u"Static", 0, 10, 10, 100, 20, 2, u"label");
    HWND off = child(top, u"Recorder", WS_DISABLED, 150, 10, 50, 50, 3);
    // The static sits above the recorder in z-order.
    SetWindowPos(label, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    driver.pumpUntilIdle();
    Recorder::log().clear();

    driver.click(label, 5, 5);  // the static lets the mouse through to the window below
    auto routed = Recorder::messages(below, {WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP});
    EXPECT_EQ(routed, (std::vector<UINT>{WM_SETCURSOR, WM_MOUSEMOVE, WM_SETCURSOR, WM_LBUTTONDOWN, WM_SETCURSOR,
                                         WM_LBUTTONUP}));
    for (const Received& r : Recorder::log()) {
        if (r.window == below && r.message == WM_LBUTTONDOWN) {
            EXPECT_EQ(GET_X_LPARAM(r.lParam), 5);
            EXPECT_EQ(GET_Y_LPARAM(r.lParam), 5);
            EXPECT_EQ(r.wParam, MK_LBUTTON);
        }
    }

    Recorder::log().clear();
    driver.click(off, 5, 5);  // a disabled child gives the mouse to its parent
    EXPECT_TRUE(Recorder::messages(off, {WM_LBUTTONDOWN}).empty());
    EXPECT_EQ(Recorder::messages(top, {WM_LBUTTONDOWN}).size(), 1u);

    Recorder::log().clear();
    SetCapture(off);
    driver.click(below, 1, 1);  // capture takes the mouse wherever it is
    EXPECT_EQ(Recorder::messages(off, {WM_LBUTTONDOWN}).size(), 1u);
    ReleaseCapture();

    // A second click in time and place is a double click for CS_DBLCLKS classes.
    Recorder::log().clear();
    driver.doubleClick(below, 50, 50);
    EXPECT_EQ(Recorder::messages(below, {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}),
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}));
    driver.click(below, 50, 50);
    driver.advance(GetDoubleClickTime() + 1);
    Recorder::log().clear();
    driver.click(below, 50, 50);
    EXPECT_EQ(Recorder::messages(below, {WM_LBUTTONDBLCLK}).size(), 0u);
}

TEST_F(WindowCore, KeysGoToTheFocusWithStateAndCharacters)
{
    HWND top = topLevel();
    HWND input = child(top, u"Recorder", 0, 0, 0, 10, 10, 1);
    driver.setFocus(input);
    SHORT during = 0;
    Recorder::answer() = [&](HWND, UINT message, WPARAM, LPARAM, LRESULT&) {
        if (message == WM_KEYDOWN) during = GetKeyState(VK_SHIFT);
        return false;
    };
    driver.key(VK_SHIFT, true);
    EXPECT_LT(during, 0);
    EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
    driver.key(VK_SHIFT, false);
    EXPECT_EQ(GetAsyncKeyState(VK_SHIFT), 0);
    Recorder::log().clear();
    driver.type(input, u"a\u00e9");
    std::vector<WPARAM> chars;
    for (const Received& r : Recorder::log()) {
        if (r.message == WM_CHAR && r.window == input) chars.push_back(r.wParam);
    }
    EXPECT_EQ(chars, (std::vector<WPARAM>{u'a', 0xE9}));
}

TEST_F(WindowCore, CursorsComeFromLoadCursorAndClassCursorsAreSetOnHover)
{
    HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    EXPECT_NE(arrow, nullptr);
    EXPECT_NE(arrow, hand);
    EXPECT_EQ(LoadCursorW(nullptr, IDC_HAND), hand);
    EXPECT_EQ(LoadCursorW(nullptr, MAKEINTRESOURCEW(1)), nullptr);
    EXPECT_EQ(SetCursor(hand), nullptr);
    EXPECT_EQ(SetCursor(arrow), hand);

    HWND top = topLevel(0, 0, 200, 200);
    HWND edit = child(top, u"Edit", 0, 10, 10, 100, 20, 1);
    driver.pumpUntilIdle();
    SetCursor(nullptr);
    driver.mouseMove({20, 15});
    EXPECT_EQ(driver.cursor(), LoadCursorW(nullptr, IDC_IBEAM));
    (void)edit;
}

}  // namespace
}  // namespace vexl::test
