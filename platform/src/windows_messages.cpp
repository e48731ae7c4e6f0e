// Messages: send, post, the queue with its priorities and filters, timers on
// the machine's tick count, the default window procedure, focus,
// activation, capture, the user's mouse and key input, and cursors.
#include "windows_state.h"

#include "platform/kernel.h"
#include "platform/resources.h"

#include "resource_files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace vexl::windows {

namespace {

constexpr UINT kDoubleClickTime = 500;
constexpr int kDoubleClickDistance = 4;
constexpr UINT kTimerMinimum = 10;
constexpr int kPumpLimit = 100000;
constexpr WORD kRtCursor = 1;
constexpr WORD kRtGroupCursor = 12;

bool InRange(UINT message, UINT filterMin, UINT filterMax)
{
    if (filterMin == 0 && filterMax == 0) return true;
    if (filterMin <= filterMax) return message >= filterMin && message <= filterMax;
    // A reversed range admits everything outside it.
    return message >= filterMin || message <= filterMax;
}

bool MatchesWindow(HWND filter, HWND window)
{
    if (filter == nullptr) return true;
    if (filter == reinterpret_cast<HWND>(-1)) return window == nullptr;
    return window != nullptr && IsSelfOrDescendant(filter, window);
}

bool Due(const Timer& timer, DWORD now)
{
    return static_cast<std::int32_t>(now - timer.due) >= 0;
}

bool IsMouseDown(UINT message)
{
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN;
}

struct Hit {
    HWND window;
    LRESULT code;
};

std::optional<Hit> HitWithin(HWND window, POINT screen)
{
    Window* w = Peek(window);
    if (w == nullptr) return std::nullopt;
    const POINT origin = ClientOrigin(*w);
    const POINT local{screen.x - origin.x, screen.y - origin.y};
    for (HWND child : std::vector<HWND>(w->children)) {
        Window* c = Peek(child);
        if (c == nullptr || (c->style & (WS_VISIBLE | WS_DISABLED)) != WS_VISIBLE || !Contains(c->rect, local))
            continue;
        if (auto hit = HitWithin(child, screen)) return hit;
    }
    const LRESULT code =
        SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
    if (code == HTTRANSPARENT) return std::nullopt;
    return Hit{window, code};
}

std::optional<Hit> HitTest(POINT screen)
{
    for (HWND top : std::vector<HWND>(GetState().topLevel)) {
        Window* w = Peek(top);
        if (w == nullptr || (w->style & WS_VISIBLE) == 0 || !Contains(w->rect, screen)) continue;
        if ((w->style & WS_DISABLED) != 0) return Hit{top, HTERROR};
        if (auto hit = HitWithin(top, screen)) return hit;
    }
    return std::nullopt;
}

UINT DoubleClickOf(UINT message)
{
    return message + (WM_LBUTTONDBLCLK - WM_LBUTTONDOWN);
}

// Turns the event into the message it makes, routing mouse events through
// hit testing and WM_SETCURSOR; false when no window takes it.
bool Convert(InputEvent& event)
{
    State& state = GetState();
    if (event.converted) return !event.dropped;
    event.converted = true;
    event.dropped = true;
    const DWORD now = GetTickCount();
    if (event.kind == InputEvent::Kind::Key) {
        HWND target = state.focus ? state.focus : state.active;
        if (target == nullptr) return false;
        const bool up = event.message == WM_KEYUP || event.message == WM_SYSKEYUP;
        const LPARAM flags = 1 | (up ? (LPARAM(1) << 30) | (LPARAM(1) << 31) : 0);
        event.msg = {target, event.message, static_cast<WPARAM>(event.virtualKey), flags, now, state.cursorPos};
        event.dropped = false;
        return true;
    }
    state.cursorPos = event.point;
    HWND target = nullptr;
    LRESULT code = HTCLIENT;
    if (state.capture != nullptr) {
        target = state.capture;
    } else {
        auto hit = HitTest(event.point);
        if (!hit) return false;
        target = hit->window;
        code = hit->code;
        if (Peek(target)) {
            SendMessageW(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                         MAKELPARAM(static_cast<WORD>(code), static_cast<WORD>(event.message)));
        }
    }
    Window* w = Peek(target);
    if (w == nullptr || code != HTCLIENT) return false;
    UINT message = event.message;
    if (IsMouseDown(message)) {
        // A click activates the window's top-level window unless it answers
        // WM_MOUSEACTIVATE otherwise (a drop-down list does).
        const HWND root = RootOf(target);
        if (root != state.active && Peek(root) && (Peek(root)->style & WS_DISABLED) == 0) {
            const LRESULT answer = SendMessageW(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root),
                                                MAKELPARAM(static_cast<WORD>(code), static_cast<WORD>(message)));
            if (answer == MA_NOACTIVATEANDEAT || answer == MA_ACTIVATEANDEAT) {
                if (answer == MA_ACTIVATEANDEAT && Peek(root)) SetActiveWindow(root);
                return false;
            }
            if (answer != MA_NOACTIVATE && Peek(root)) SetActiveWindow(root);
        }
        w = Peek(target);
        if (w == nullptr) return false;
        const bool sameSpot = state.haveLastClick && state.lastClickWindow == target &&
                              state.lastClickMessage == message &&
                              std::abs(event.point.x - state.lastClickPoint.x) <= kDoubleClickDistance &&
                              std::abs(event.point.y - state.lastClickPoint.y) <= kDoubleClickDistance &&
                              now - state.lastClickTime <= kDoubleClickTime;
        if (sameSpot && (w->windowClass->style & CS_DBLCLKS) != 0) {
            message = DoubleClickOf(message);
            state.haveLastClick = false;
        } else {
            state.haveLastClick = true;
            state.lastClickWindow = target;
            state.lastClickMessage = message;
            state.lastClickTime = now;
            state.lastClickPoint = event.point;
        }
    }
    const POINT origin = ClientOrigin(*w);
    const POINT client{event.point.x - origin.x, event.point.y - origin.y};
    event.msg = {
        target, message,    event.keyFlags, MAKELPARAM(static_cast<WORD>(client.x), static_cast<WORD>(client.y)),
        now,    event.point};
    event.dropped = false;
    return true;
}

void ApplyToKeyState(const InputEvent& event)
{
    State& state = GetState();
    auto set = [&](int vk, bool down) {
        if (down && (state.keyState[vk] & 0x80) == 0) state.keyState[vk] ^= 0x01;  // toggle
        state.keyState[vk] = static_cast<BYTE>((state.keyState[vk] & 0x01) | (down ? 0x80 : 0));
    };
    switch (event.message) {
    case WM_LBUTTONDOWN:
        set(VK_LBUTTON, true);
        break;
    case WM_LBUTTONUP:
        set(VK_LBUTTON, false);
        break;
    case WM_RBUTTONDOWN:
        set(VK_RBUTTON, true);
        break;
    case WM_RBUTTONUP:
        set(VK_RBUTTON, false);
        break;
    case WM_MBUTTONDOWN:
        set(VK_MBUTTON, true);
        break;
    case WM_MBUTTONUP:
        set(VK_MBUTTON, false);
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        set(event.virtualKey & 0xFF, true);
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        set(event.virtualKey & 0xFF, false);
        break;
    default:
        break;
    }
}

bool FindPaint(HWND window, HWND filter, MSG* msg)
{
    Window* w = Peek(window);
    if (w == nullptr || (w->style & WS_VISIBLE) == 0) return false;
    if (!IsEmpty(w->update) && MatchesWindow(filter, window)) {
        *msg = {window, WM_PAINT, 0, 0, GetTickCount(), GetState().cursorPos};
        return true;
    }
    for (HWND child : w->children) {
        if (FindPaint(child, filter, msg)) return true;
    }
    return false;
}

// The next message of the queue in priority order, without waiting.
bool Retrieve(MSG* msg, HWND filter, UINT filterMin, UINT filterMax, UINT flags)
{
    State& state = GetState();
    const bool remove = (flags & PM_REMOVE) != 0;
    // 1. Posted messages, first in first out.
    for (auto it = state.posted.begin(); it != state.posted.end(); ++it) {
        if (!InRange(it->message, filterMin, filterMax) || !MatchesWindow(filter, it->hwnd)) continue;
        *msg = *it;
        if (remove) state.posted.erase(it);
        state.messageTime = msg->time;
        return true;
    }
    if (state.quit && InRange(WM_QUIT, filterMin, filterMax)) {
        *msg = {nullptr, WM_QUIT, static_cast<WPARAM>(state.quitCode), 0, GetTickCount(), state.cursorPos};
        if (remove) state.quit = false;
        return true;
    }
    // 2. The user's input, in order; events no window takes are dropped.
    while (!state.input.empty()) {
        InputEvent& event = state.input.front();
        if (!Convert(event)) {
            ApplyToKeyState(event);
            state.input.pop_front();
            continue;
        }
        if (!InRange(event.msg.message, filterMin, filterMax) || !MatchesWindow(filter, event.msg.hwnd)) break;
        *msg = event.msg;
        if (remove) {
            ApplyToKeyState(event);
            if (event.msg.message == WM_KEYDOWN) {
                state.lastKeyDown = event.msg;
                state.lastKeyChar = event.character;
            }
            state.input.pop_front();
        }
        state.messageTime = msg->time;
        state.messagePos = msg->pt;
        return true;
    }
    // 3. Paints of windows with an update region.
    if (InRange(WM_PAINT, filterMin, filterMax)) {
        for (HWND top : state.topLevel) {
            if (FindPaint(top, filter, msg)) {
                if (remove) state.synthesizedPaint = msg->hwnd;
                return true;
            }
        }
    }
    // 4. Due timers, the earliest first.
    if (InRange(WM_TIMER, filterMin, filterMax)) {
        const DWORD now = GetTickCount();
        Timer* next = nullptr;
        for (Timer& timer : state.timers) {
            if (!Due(timer, now) || !MatchesWindow(filter, timer.window)) continue;
            if (next == nullptr || static_cast<std::int32_t>(timer.due - next->due) < 0) next = &timer;
        }
        if (next != nullptr) {
            *msg = {next->window, WM_TIMER, next->id, reinterpret_cast<LPARAM>(next->proc), now, state.cursorPos};
            if (remove) next->due = now + next->interval;
            state.messageTime = now;
            return true;
        }
    }
    return false;
}

}  // namespace

bool RetrieveMessage(MSG* msg, HWND filter, UINT filterMin, UINT filterMax, UINT flags)
{
    return Retrieve(msg, filter, filterMin, filterMax, flags);
}

bool WaitForWork(WaitKind kind, HWND modalWindow)
{
    State& state = GetState();
    if (state.failed) return false;
    if (state.handler.wait) return state.handler.wait(kind, modalWindow);
    if (kind == WaitKind::Peek) return false;
    ReportFailure("UI idle with a modal loop open: " + [] {
        std::string out;
        for (char16_t c : DescribeOpenWindows()) out += c < 0x80 ? static_cast<char>(c) : '?';
        return out;
    }());
    return false;
}

void ReportFailure(const std::string& message)
{
    State& state = GetState();
    state.failed = true;
    if (state.handler.fail) {
        state.handler.fail(message);
        return;
    }
    std::fprintf(stderr, "%s\n", message.c_str());
    std::abort();
}

HWND DialogOfMessage(const MSG& msg)
{
    const HWND root = RootOf(msg.hwnd);
    Window* w = Peek(root);
    return w != nullptr && w->dialog != nullptr ? root : nullptr;
}

void PumpPending(const std::function<bool()>& stop)
{
    State& state = GetState();
    for (int count = 0; !stop(); ++count) {
        if (count == kPumpLimit) {
            ReportFailure("UI never idle: messages keep coming");
            return;
        }
        MSG msg{};
        if (!Retrieve(&msg, nullptr, 0, 0, PM_REMOVE)) return;
        if (msg.message == WM_QUIT) {
            state.quit = true;
            state.quitCode = static_cast<int>(msg.wParam);
            return;
        }
        const HWND dialog = DialogOfMessage(msg);
        if (dialog == nullptr || !IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

std::u16string DescribeOpenWindows()
{
    std::u16string out;
    for (HWND top : GetState().topLevel) {
        Window* w = Peek(top);
        if (w == nullptr || (w->style & WS_VISIBLE) == 0) continue;
        if (!out.empty()) out += u", ";
        out += u"\"" + w->text + u"\" (" + w->windowClass->name + u")";
    }
    return out.empty() ? u"(none)" : out;
}

// A key's character without a keyboard layout: letters, digits, space and
// the control keys a dialog uses.
WCHAR CharacterOfKey(int virtualKey, bool shift)
{
    if (virtualKey >= 'A' && virtualKey <= 'Z') return static_cast<WCHAR>(shift ? virtualKey : virtualKey + 32);
    if (virtualKey >= '0' && virtualKey <= '9') return static_cast<WCHAR>(virtualKey);
    switch (virtualKey) {
    case VK_SPACE:
        return u' ';
    case VK_BACK:
        return 0x08;
    case VK_TAB:
        return 0x09;
    case VK_RETURN:
        return 0x0D;
    case VK_ESCAPE:
        return 0x1B;
    default:
        return 0;
    }
}

}  // namespace vexl::windows

using namespace vexl::windows;

// ---- Sending and posting ---------------------------------------------------------

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(window);
    if (w == nullptr) return 0;
    return w->proc(window, message, wParam, lParam);
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    State& state = GetState();
    if (window != nullptr && Find(window) == nullptr) return FALSE;
    state.posted.push_back({window, message, wParam, lParam, GetTickCount(), state.cursorPos});
    return TRUE;
}

void PostQuitMessage(int exitCode)
{
    State& state = GetState();
    state.quit = true;
    state.quitCode = exitCode;
}

BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    if (msg == nullptr) return FALSE;
    if (window != nullptr && window != reinterpret_cast<HWND>(-1) && Find(window) == nullptr) return FALSE;
    if (Retrieve(msg, window, filterMin, filterMax, removeFlags)) return TRUE;
    // A polling loop gives the driver its turn; whatever it does shows on the
    // next call.
    WaitForWork(WaitKind::Peek, nullptr);
    return Retrieve(msg, window, filterMin, filterMax, removeFlags) ? TRUE : FALSE;
}

BOOL GetMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax)
{
    if (msg == nullptr) return FALSE;
    if (window != nullptr && window != reinterpret_cast<HWND>(-1) && Find(window) == nullptr) return -1;
    for (;;) {
        if (Retrieve(msg, window, filterMin, filterMax, PM_REMOVE)) return msg->message == WM_QUIT ? FALSE : TRUE;
        if (!WaitForWork(WaitKind::GetMessage, GetActiveWindow())) {
            // Nothing will ever come: end the caller's loop as WM_QUIT would.
            *msg = {nullptr, WM_QUIT, 0, 0, GetTickCount(), {}};
            return FALSE;
        }
    }
}

BOOL TranslateMessage(const MSG* msg)
{
    State& state = GetState();
    if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
    WCHAR character = 0;
    if (msg->hwnd == state.lastKeyDown.hwnd && msg->wParam == state.lastKeyDown.wParam &&
        msg->time == state.lastKeyDown.time && state.lastKeyChar != 0) {
        character = state.lastKeyChar;
    } else {
        character = CharacterOfKey(static_cast<int>(msg->wParam), (state.keyState[VK_SHIFT] & 0x80) != 0);
    }
    if (character == 0) return FALSE;
    PostMessageW(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, character, msg->lParam);
    return TRUE;
}

LRESULT DispatchMessageW(const MSG* msg)
{
    State& state = GetState();
    if (msg == nullptr) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (msg->hwnd == nullptr) return 0;
    Window* w = Find(msg->hwnd);
    if (w == nullptr) return 0;
    const bool synthesizedPaint = msg->message == WM_PAINT && state.synthesizedPaint == msg->hwnd;
    if (synthesizedPaint) state.synthesizedPaint = nullptr;
    const RECT before = w->update;
    const LRESULT result = w->proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    // A paint that left its region as it was would come back for ever.
    if (synthesizedPaint) {
        Window* after = Peek(msg->hwnd);
        if (after != nullptr && !IsEmpty(after->update) && after->update.left == before.left &&
            after->update.top == before.top && after->update.right == before.right &&
            after->update.bottom == before.bottom) {
            after->update = {};
            after->erase = false;
        }
    }
    return result;
}

LRESULT CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return proc != nullptr ? proc(window, message, wParam, lParam) : 0;
}

DWORD GetMessageTime()
{
    return GetState().messageTime;
}

DWORD GetMessagePos()
{
    const POINT pt = GetState().messagePos;
    return MAKELONG(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y));
}

// ---- The default procedure ----------------------------------------------------------

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(window);
    if (w == nullptr) return 0;
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_NCHITTEST: {
        RECT rect{};
        GetWindowRect(window, &rect);
        return Contains(rect, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) ? HTCLIENT : HTNOWHERE;
    }
    case WM_SETCURSOR: {
        if (w->parent != nullptr && SendMessageW(w->parent, WM_SETCURSOR, wParam, lParam) != 0) return TRUE;
        w = Peek(window);
        if (w != nullptr && reinterpret_cast<HWND>(wParam) == window &&
            LOWORD(static_cast<DWORD_PTR>(lParam)) == HTCLIENT && w->windowClass->cursor != nullptr) {
            SetCursor(w->windowClass->cursor);
        }
        return FALSE;
    }
    case WM_SETTEXT: {
        const auto text = reinterpret_cast<LPCWSTR>(lParam);
        w->text = text != nullptr ? std::u16string(text) : std::u16string();
        if (w->parent != nullptr || (w->style & WS_VISIBLE) != 0) InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    }
    case WM_GETTEXT: {
        auto* buffer = reinterpret_cast<LPWSTR>(lParam);
        if (buffer == nullptr || wParam == 0) return 0;
        const std::size_t count = std::min<std::size_t>(w->text.size(), wParam - 1);
        std::copy_n(w->text.begin(), count, buffer);
        buffer[count] = 0;
        return static_cast<LRESULT>(count);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w->text.size());
    case WM_SETFONT:
        w->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(static_cast<DWORD_PTR>(lParam)) != 0) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(w->font);
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND: {
        HBRUSH brush = w->windowClass->background;
        if (brush == nullptr) return 0;
        // A class brush may be a system colour index plus one.
        if (reinterpret_cast<ULONG_PTR>(brush) <= 31)
            brush = GetSysColorBrush(static_cast<int>(reinterpret_cast<ULONG_PTR>(brush)) - 1);
        RECT client{};
        GetClientRect(window, &client);
        FillWindowRect(reinterpret_cast<HDC>(wParam), client, brush);
        return 1;
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<LRESULT>(DefaultControlColor(message, reinterpret_cast<HDC>(wParam)));
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (w->parent != nullptr) return SendMessageW(w->parent, message, wParam, lParam);
        return 0;
    case WM_RBUTTONUP: {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(window, &pt);
        SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == static_cast<WPARAM>(VK_F1)) {
            HELPINFO help{sizeof(HELPINFO), HELPINFO_WINDOW, static_cast<int>(w->id), window, 0, GetState().cursorPos};
            SendMessageW(window, WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
        }
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !FocusRequestedWithin(window)) SetFocus(window);
        return 0;
    case WM_MOUSEACTIVATE:
        if (w->parent != nullptr) {
            const LRESULT answer = SendMessageW(w->parent, message, wParam, lParam);
            if (answer != 0) return answer;
        }
        return MA_ACTIVATE;
    case WM_CANCELMODE:
        if (GetState().capture == window) ReleaseCapture();
        return 0;
    case WM_SETREDRAW:
        w->redraw = wParam != 0;
        return 0;
    default:
        return 0;
    }
}

// ---- Timers ----------------------------------------------------------------------

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    State& state = GetState();
    if (window != nullptr && Find(window) == nullptr) return 0;
    if (window == nullptr) id = state.nextTimerId++;
    const UINT interval = std::max(elapse, kTimerMinimum);
    const DWORD due = GetTickCount() + interval;
    for (Timer& timer : state.timers) {
        if (timer.window == window && timer.id == id) {
            timer = {window, id, interval, due, proc};
            return window != nullptr ? (id != 0 ? id : 1) : id;
        }
    }
    state.timers.push_back({window, id, interval, due, proc});
    return window != nullptr ? (id != 0 ? id : 1) : id;
}

BOOL KillTimer(HWND window, UINT_PTR id)
{
    State& state = GetState();
    if (window != nullptr && Find(window) == nullptr) return FALSE;
    const auto before = state.timers.size();
    state.timers.erase(std::remove_if(state.timers.begin(), state.timers.end(),
                                      [&](const Timer& t) { return t.window == window && t.id == id; }),
                       state.timers.end());
    state.posted.erase(
        std::remove_if(state.posted.begin(), state.posted.end(),
                       [&](const MSG& m) { return m.hwnd == window && m.message == WM_TIMER && m.wParam == id; }),
        state.posted.end());
    return state.timers.size() != before ? TRUE : FALSE;
}

// ---- Focus, activation, capture ----------------------------------------------------

HWND SetFocus(HWND window)
{
    State& state = GetState();
    const HWND old = state.focus;
    if (window == nullptr) {
        state.focus = nullptr;
        if (old != nullptr && Peek(old)) SendMessageW(old, WM_KILLFOCUS, 0, 0);
        return old;
    }
    Window* w = Find(window);
    if (w == nullptr) return nullptr;
    if (window == old) return old;
    const HWND root = RootOf(window);
    if (root != state.active) {
        const HWND outerRequest = state.focusRequest;
        state.focusRequest = window;
        SetActiveWindow(root);
        state.focusRequest = outerRequest;
        if (state.focus == window || Peek(window) == nullptr) return old;
    }
    const HWND previous = state.focus;
    if (previous != nullptr && Peek(previous))
        SendMessageW(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
    if (Peek(window) == nullptr) return old;
    state.focus = window;
    SendMessageW(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return old;
}

namespace vexl::windows {

bool FocusRequestedWithin(HWND window)
{
    const HWND request = GetState().focusRequest;
    return request != nullptr && IsSelfOrDescendant(window, request);
}

}  // namespace vexl::windows

HWND GetFocus()
{
    return GetState().focus;
}

HWND GetActiveWindow()
{
    return GetState().active;
}

HWND SetActiveWindow(HWND window)
{
    State& state = GetState();
    const HWND old = state.active;
    if (window != nullptr) {
        if (Find(window) == nullptr) return nullptr;
        window = RootOf(window);
    }
    if (window == old) return old;
    state.active = window;
    if (old != nullptr && Peek(old)) {
        SendMessageW(old, WM_NCACTIVATE, FALSE, 0);
        SendMessageW(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(window));
    }
    if (state.focus != nullptr && old != nullptr && IsSelfOrDescendant(old, state.focus)) {
        const HWND lost = state.focus;
        state.focus = nullptr;
        if (Peek(lost)) SendMessageW(lost, WM_KILLFOCUS, 0, 0);
    }
    if (window != nullptr && Peek(window) && state.active == window) {
        SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
        SendMessageW(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(old));
    }
    return old;
}

HWND GetForegroundWindow()
{
    return GetState().active;
}

BOOL SetForegroundWindow(HWND window)
{
    if (Find(window) == nullptr) return FALSE;
    SetActiveWindow(window);
    return TRUE;
}

HWND SetCapture(HWND window)
{
    State& state = GetState();
    if (window != nullptr && Find(window) == nullptr) return nullptr;
    const HWND old = state.capture;
    state.capture = window;
    if (old != nullptr && old != window && Peek(old)) {
        SendMessageW(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
    }
    return old;
}

BOOL ReleaseCapture()
{
    State& state = GetState();
    const HWND old = state.capture;
    state.capture = nullptr;
    if (old != nullptr && Peek(old)) SendMessageW(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture()
{
    return GetState().capture;
}

// ---- Keyboard and mouse state, cursors ----------------------------------------------

SHORT GetKeyState(int virtualKey)
{
    const BYTE value = GetState().keyState[virtualKey & 0xFF];
    return static_cast<SHORT>(((value & 0x80) != 0 ? 0xFF80 : 0) | (value & 0x01));
}

SHORT GetAsyncKeyState(int virtualKey)
{
    const BYTE value = GetState().asyncKeyState[virtualKey & 0xFF];
    return static_cast<SHORT>((value & 0x80) != 0 ? 0x8000 : 0);
}

UINT GetDoubleClickTime()
{
    return kDoubleClickTime;
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name)
{
    State& state = GetState();
    if (name == nullptr) return nullptr;
    if (instance == nullptr) {
        if (!IS_INTRESOURCE(name)) return nullptr;
        const auto id = reinterpret_cast<ULONG_PTR>(name);
        static constexpr ULONG_PTR kSystemCursors[] = {32512, 32513, 32514, 32515, 32516,
                                                       32646, 32648, 32649, 32650, 32651};
        if (std::find(std::begin(kSystemCursors), std::end(kSystemCursors), id) == std::end(kSystemCursors)) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
        return reinterpret_cast<HCURSOR>(0x20000 + id);
    }
    if (!IS_INTRESOURCE(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const auto id = reinterpret_cast<ULONG_PTR>(name);
    auto key = std::make_pair(instance, id);
    if (auto found = state.cursors.find(key); found != state.cursors.end()) return found->second;
    const auto resourceId = static_cast<std::uint32_t>(id);
    if (vexl::platform::FindModuleResource(instance, kRtGroupCursor, resourceId) == nullptr &&
        vexl::platform::FindModuleResource(instance, kRtCursor, resourceId) == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const auto cursor = reinterpret_cast<HCURSOR>(state.nextCursor);
    state.nextCursor += 4;
    state.cursors[key] = cursor;
    return cursor;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    State& state = GetState();
    const HCURSOR old = state.cursor;
    state.cursor = cursor;
    return old;
}

HCURSOR GetCursor()
{
    return GetState().cursor;
}

BOOL SetCursorPos(int x, int y)
{
    GetState().cursorPos = {x, y};
    return TRUE;
}

BOOL GetCursorPos(LPPOINT point)
{
    if (point == nullptr) return FALSE;
    *point = GetState().cursorPos;
    return TRUE;
}
