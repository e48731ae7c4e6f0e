// The SCROLLBAR class and the scroll functions: range, page and position,
// disabled arrows, and the WM_VSCROLL / WM_HSCROLL a click sends the parent.
// The scroll bars of a window's own frame only keep their numbers (a window
// has no frame to draw them in).
#include "windows_state.h"

#include <algorithm>
#include <map>

namespace vexl::windows {

namespace {

struct ScrollState : ControlState {
    int min = 0;
    int max = 100;
    UINT page = 0;
    int pos = 0;
    int trackPos = 0;
    UINT disabledArrows = ESB_ENABLE_BOTH;
    WORD pressedCode = SB_ENDSCROLL;  // sent at the button-up that ends a press
    bool pressed = false;
};

std::map<std::pair<HWND, int>, ScrollState>& FrameBars()
{
    static std::map<std::pair<HWND, int>, ScrollState> bars;
    return bars;
}

ScrollState& ScrollOf(HWND window)
{
    Window* w = Peek(window);
    if (w->control == nullptr) w->control = std::make_unique<ScrollState>();
    return *static_cast<ScrollState*>(w->control.get());
}

bool IsVertical(HWND window)
{
    return (Peek(window)->style & SBS_VERT) != 0;
}

int MaxPos(const ScrollState& s)
{
    return std::max(s.min, s.max - std::max(0, static_cast<int>(s.page) - 1));
}

int Clamp(const ScrollState& s, int pos)
{
    return std::clamp(pos, s.min, MaxPos(s));
}

int ApplyInfo(ScrollState& s, const SCROLLINFO& info)
{
    if ((info.fMask & SIF_RANGE) != 0) {
        s.min = info.nMin;
        s.max = std::max(info.nMin, info.nMax);
    }
    if ((info.fMask & SIF_PAGE) != 0) s.page = std::min<UINT>(info.nPage, static_cast<UINT>(s.max - s.min + 1));
    if ((info.fMask & SIF_POS) != 0) s.pos = info.nPos;
    s.pos = Clamp(s, s.pos);
    return s.pos;
}

void FillInfo(const ScrollState& s, SCROLLINFO& info)
{
    if ((info.fMask & SIF_RANGE) != 0) {
        info.nMin = s.min;
        info.nMax = s.max;
    }
    if ((info.fMask & SIF_PAGE) != 0) info.nPage = s.page;
    if ((info.fMask & SIF_POS) != 0) info.nPos = s.pos;
    if ((info.fMask & SIF_TRACKPOS) != 0) info.nTrackPos = s.trackPos;
}

// The arrows are squares at the ends; the thumb sits in the track between.
struct Parts {
    LONG length;
    LONG arrow;
    LONG thumbStart;
    LONG thumbEnd;
};

Parts PartsOf(HWND window)
{
    const ScrollState& s = ScrollOf(window);
    RECT client{};
    GetClientRect(window, &client);
    const bool vertical = IsVertical(window);
    const LONG length = vertical ? client.bottom : client.right;
    const LONG breadth = vertical ? client.right : client.bottom;
    const LONG arrow = std::min(breadth, length / 2);
    const LONG track = std::max<LONG>(0, length - 2 * arrow);
    const LONG range = s.max - s.min + 1;
    LONG thumb = s.page > 0 ? std::max<LONG>(8, track * static_cast<LONG>(s.page) / std::max<LONG>(1, range)) : breadth;
    thumb = std::min(thumb, track);
    const LONG travel = std::max<LONG>(1, MaxPos(s) - s.min);
    const LONG start = arrow + (track - thumb) * (s.pos - s.min) / travel;
    return {length, arrow, start, start + thumb};
}

void SendScroll(HWND window, WORD code, int pos)
{
    Window* w = Peek(window);
    if (w == nullptr || w->parent == nullptr) return;
    SendMessageW(w->parent, IsVertical(window) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(pos)),
                 reinterpret_cast<LPARAM>(window));
}

void Paint(HWND window, HDC dc)
{
    RECT client{};
    GetClientRect(window, &client);
    HBRUSH brush = ControlColor(window, WM_CTLCOLORSCROLLBAR, dc);
    FillWindowRect(dc, client, brush);
    const Parts parts = PartsOf(window);
    const bool vertical = IsVertical(window);
    auto along = [&](LONG from, LONG to) {
        return vertical ? RECT{0, from, client.right, to} : RECT{from, 0, to, client.bottom};
    };
    const ScrollState& s = ScrollOf(window);
    const bool enabled = IsWindowEnabled(window) != FALSE;
    FillWindowRectColor(dc, along(0, parts.arrow), COLOR_BTNFACE);
    FillWindowRectColor(dc, along(parts.length - parts.arrow, parts.length), COLOR_BTNFACE);
    FrameWindowRect(dc, along(0, parts.arrow),
                    enabled && (s.disabledArrows & ESB_DISABLE_LTUP) == 0 ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    FrameWindowRect(dc, along(parts.length - parts.arrow, parts.length),
                    enabled && (s.disabledArrows & ESB_DISABLE_RTDN) == 0 ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    if (enabled && s.disabledArrows != ESB_DISABLE_BOTH) {
        FillWindowRectColor(dc, along(parts.thumbStart, parts.thumbEnd), COLOR_BTNFACE);
        FrameWindowRect(dc, along(parts.thumbStart, parts.thumbEnd), COLOR_BTNSHADOW);
    }
}

}  // namespace

LRESULT ScrollBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Peek(window) == nullptr) return 0;
    ScrollState& s = ScrollOf(window);
    switch (message) {
    case SBM_SETSCROLLINFO: {
        const auto* info = reinterpret_cast<const SCROLLINFO*>(lParam);
        if (info == nullptr) return s.pos;
        const int pos = ApplyInfo(s, *info);
        if (wParam != 0) InvalidateRect(window, nullptr, TRUE);
        return pos;
    }
    case SBM_GETSCROLLINFO: {
        auto* info = reinterpret_cast<SCROLLINFO*>(lParam);
        if (info == nullptr) return FALSE;
        FillInfo(s, *info);
        return TRUE;
    }
    case SBM_SETPOS: {
        const int old = s.pos;
        s.pos = Clamp(s, static_cast<int>(wParam));
        if (lParam != 0) InvalidateRect(window, nullptr, TRUE);
        return old;
    }
    case SBM_GETPOS:
        return s.pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
        const int old = s.pos;
        s.min = static_cast<int>(wParam);
        s.max = std::max(s.min, static_cast<int>(lParam));
        s.pos = Clamp(s, s.pos);
        if (message == SBM_SETRANGEREDRAW) InvalidateRect(window, nullptr, TRUE);
        return old;
    }
    case SBM_GETRANGE:
        if (wParam != 0) *reinterpret_cast<int*>(wParam) = s.min;
        if (lParam != 0) *reinterpret_cast<int*>(lParam) = s.max;
        return 0;
    case SBM_ENABLE_ARROWS:
        s.disabledArrows = static_cast<UINT>(wParam) & ESB_DISABLE_BOTH;
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const Parts parts = PartsOf(window);
        const LONG at = IsVertical(window) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
        WORD code = SB_ENDSCROLL;
        if (at < parts.arrow) {
            if ((s.disabledArrows & ESB_DISABLE_LTUP) == 0) code = SB_LINEUP;
        } else if (at >= parts.length - parts.arrow) {
            if ((s.disabledArrows & ESB_DISABLE_RTDN) == 0) code = SB_LINEDOWN;
        } else if (at < parts.thumbStart) {
            code = SB_PAGEUP;
        } else if (at >= parts.thumbEnd) {
            code = SB_PAGEDOWN;
        }
        SetCapture(window);
        if (Peek(window) == nullptr) return 0;
        ScrollOf(window).pressed = true;
        if (code != SB_ENDSCROLL) SendScroll(window, code, 0);
        return 0;
    }
    case WM_LBUTTONUP:
        if (!s.pressed) return 0;
        s.pressed = false;
        if (GetCapture() == window) ReleaseCapture();
        if (Peek(window)) SendScroll(window, SB_ENDSCROLL, 0);
        return 0;
    case WM_CAPTURECHANGED:
        s.pressed = false;
        return 0;
    case WM_KEYDOWN: {
        WORD code = SB_ENDSCROLL;
        switch (static_cast<int>(wParam)) {
        case VK_UP:
        case VK_LEFT:
            code = SB_LINEUP;
            break;
        case VK_DOWN:
        case VK_RIGHT:
            code = SB_LINEDOWN;
            break;
        case VK_PRIOR:
            code = SB_PAGEUP;
            break;
        case VK_NEXT:
            code = SB_PAGEDOWN;
            break;
        case VK_HOME:
            code = SB_TOP;
            break;
        case VK_END:
            code = SB_BOTTOM;
            break;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
        SendScroll(window, code, 0);
        if (Peek(window)) SendScroll(window, SB_ENDSCROLL, 0);
        return 0;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { Paint(window, dc); });
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void ForgetFrameBars(HWND window)
{
    auto& bars = FrameBars();
    bars.erase({window, SB_HORZ});
    bars.erase({window, SB_VERT});
}

}  // namespace vexl::windows

using namespace vexl::windows;

namespace {

// The state behind a bar of the scroll functions, or null.
ScrollState* BarOf(HWND window, int bar)
{
    if (Find(window) == nullptr) return nullptr;
    if (bar == SB_CTL) {
        Window* w = Peek(window);
        if (w->windowClass->name != WC_SCROLLBAR) return nullptr;
        return &ScrollOf(window);
    }
    if (bar != SB_HORZ && bar != SB_VERT) return nullptr;
    return &FrameBars()[{window, bar}];
}

}  // namespace

int SetScrollInfo(HWND window, int bar, LPCSCROLLINFO info, BOOL redraw)
{
    if (bar == SB_CTL && Peek(window) != nullptr) {
        return static_cast<int>(SendMessageW(window, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info)));
    }
    ScrollState* s = BarOf(window, bar);
    if (s == nullptr || info == nullptr) return 0;
    return ApplyInfo(*s, *info);
}

BOOL GetScrollInfo(HWND window, int bar, LPSCROLLINFO info)
{
    if (bar == SB_CTL && Peek(window) != nullptr) {
        return SendMessageW(window, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)) != 0 ? TRUE : FALSE;
    }
    ScrollState* s = BarOf(window, bar);
    if (s == nullptr || info == nullptr) return FALSE;
    FillInfo(*s, *info);
    return TRUE;
}

int SetScrollPos(HWND window, int bar, int pos, BOOL redraw)
{
    if (bar == SB_CTL && Peek(window) != nullptr) {
        return static_cast<int>(SendMessageW(window, SBM_SETPOS, static_cast<WPARAM>(pos), redraw));
    }
    ScrollState* s = BarOf(window, bar);
    if (s == nullptr) return 0;
    const int old = s->pos;
    s->pos = Clamp(*s, pos);
    return old;
}

int GetScrollPos(HWND window, int bar)
{
    if (bar == SB_CTL && Peek(window) != nullptr) return static_cast<int>(SendMessageW(window, SBM_GETPOS, 0, 0));
    ScrollState* s = BarOf(window, bar);
    return s != nullptr ? s->pos : 0;
}

BOOL SetScrollRange(HWND window, int bar, int minPos, int maxPos, BOOL redraw)
{
    if (bar == SB_CTL && Peek(window) != nullptr) {
        SendMessageW(window, redraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, static_cast<WPARAM>(minPos), maxPos);
        return TRUE;
    }
    ScrollState* s = BarOf(window, bar);
    if (s == nullptr) return FALSE;
    s->min = minPos;
    s->max = std::max(minPos, maxPos);
    s->pos = Clamp(*s, s->pos);
    return TRUE;
}

BOOL EnableScrollBar(HWND window, UINT bar, UINT arrows)
{
    if (bar == SB_CTL && Peek(window) != nullptr) {
        return SendMessageW(window, SBM_ENABLE_ARROWS, arrows, 0) != 0 ? TRUE : FALSE;
    }
    ScrollState* s = BarOf(window, static_cast<int>(bar));
    if (s == nullptr) return FALSE;
    s->disabledArrows = arrows & ESB_DISABLE_BOTH;
    return TRUE;
}
