// The BUTTON and STATIC classes, and the registration of the standard
// classes.
#include "windows_state.h"

namespace vexl::windows {

namespace {

struct ButtonState : ControlState {
    WPARAM check = BST_UNCHECKED;
    bool pushed = false;
    bool focused = false;
    LPARAM image = 0;
};

struct StaticState : ControlState {
    LPARAM image = 0;
};

DWORD TypeOf(HWND window)
{
    Window* w = Peek(window);
    return w != nullptr ? (w->style & BS_TYPEMASK) : 0;
}

bool IsCheckType(DWORD type)
{
    return type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE ||
           type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool IsRadio(DWORD type)
{
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

ButtonState& ButtonOf(HWND window)
{
    Window* w = Peek(window);
    if (w->control == nullptr) w->control = std::make_unique<ButtonState>();
    return *static_cast<ButtonState*>(w->control.get());
}

UINT OwnerDrawState(HWND window, const ButtonState& state)
{
    UINT flags = 0;
    if (state.pushed) flags |= ODS_SELECTED;
    if (state.focused) flags |= ODS_FOCUS;
    if (!IsWindowEnabled(window)) flags |= ODS_DISABLED;
    return flags;
}

void SendDrawItem(HWND window, HDC dc, UINT action)
{
    Window* w = Peek(window);
    if (w == nullptr || w->parent == nullptr) return;
    RECT client{};
    GetClientRect(window, &client);
    DRAWITEMSTRUCT item{
        ODT_BUTTON, static_cast<UINT>(w->id), 0, action, OwnerDrawState(window, ButtonOf(window)), window, dc, client,
        0};
    SendMessageW(w->parent, WM_DRAWITEM, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&item));
}

// A change of pushed or focus state: owner-drawn buttons draw it at once
// (ODA_SELECT or ODA_FOCUS); others repaint.
void ShowStateChange(HWND window, UINT action)
{
    Window* w = Peek(window);
    if (w == nullptr || (w->style & WS_VISIBLE) == 0) return;
    if (TypeOf(window) == BS_OWNERDRAW) {
        HDC dc = GetDC(window);
        SendDrawItem(window, dc, action);
        ReleaseDC(window, dc);
    } else {
        InvalidateRect(window, nullptr, FALSE);
    }
}

void PaintButton(HWND window, HDC dc)
{
    Window* w = Peek(window);
    const DWORD type = TypeOf(window);
    if (type == BS_OWNERDRAW) {
        SendDrawItem(window, dc, ODA_DRAWENTIRE);
        return;
    }
    const ButtonState& state = ButtonOf(window);
    RECT client{};
    GetClientRect(window, &client);
    const bool push = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_PUSHBOX;
    HBRUSH brush = ControlColor(window, push ? WM_CTLCOLORBTN : WM_CTLCOLORSTATIC, dc);
    if (type != BS_GROUPBOX) FillWindowRect(dc, client, brush);
    const int textColor = IsWindowEnabled(window) ? COLOR_BTNTEXT : COLOR_GRAYTEXT;
    if (push) {
        FillWindowRectColor(dc, {1, 1, client.right - 1, client.bottom - 1}, COLOR_BTNFACE);
        FrameWindowRect(dc, client, state.pushed ? COLOR_BTNSHADOW : COLOR_3DDKSHADOW);
        if (type == BS_DEFPUSHBUTTON)
            FrameWindowRect(dc, {1, 1, client.right - 1, client.bottom - 1}, COLOR_3DDKSHADOW);
        RECT text = client;
        if (state.pushed) text = {text.left + 1, text.top + 1, text.right + 1, text.bottom + 1};
        DrawWindowText(dc, window, w->text, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE, textColor);
        if (state.focused) DrawFocus(dc, {3, 3, client.right - 3, client.bottom - 3});
        return;
    }
    if (type == BS_GROUPBOX) {
        FrameWindowRect(dc, {0, 6, client.right, client.bottom}, COLOR_BTNSHADOW);
        DrawWindowText(dc, window, w->text, {8, 0, client.right - 8, 14}, DT_SINGLELINE, textColor);
        return;
    }
    // Check box or radio button: a 13-pixel box at the left, then the text.
    const LONG boxTop = (client.bottom - 13) / 2;
    const RECT box{0, boxTop, 13, boxTop + 13};
    FillWindowRectColor(dc, box, COLOR_WINDOW);
    FrameWindowRect(dc, box, COLOR_BTNSHADOW);
    if (state.check == BST_CHECKED) FillWindowRectColor(dc, {3, boxTop + 3, 10, boxTop + 10}, COLOR_WINDOWTEXT);
    if (state.check == BST_INDETERMINATE) FillWindowRectColor(dc, {3, boxTop + 3, 10, boxTop + 10}, COLOR_GRAYTEXT);
    DrawWindowText(dc, window, w->text, {17, 0, client.right, client.bottom}, DT_VCENTER | DT_SINGLELINE, textColor);
    if (state.focused) DrawFocus(dc, {16, 0, client.right, client.bottom});
}

// What a click does before BN_CLICKED: auto buttons change their check.
void ApplyClick(HWND window)
{
    Window* w = Peek(window);
    const DWORD type = TypeOf(window);
    ButtonState& state = ButtonOf(window);
    if (type == BS_AUTOCHECKBOX) {
        SendMessageW(window, BM_SETCHECK, state.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    } else if (type == BS_AUTO3STATE) {
        SendMessageW(window, BM_SETCHECK, (state.check + 1) % 3, 0);
    } else if (type == BS_AUTORADIOBUTTON && w != nullptr) {
        // Check this one and clear the other auto radio buttons of its group.
        for (HWND member : GroupOf(window)) {
            Window* other = Peek(member);
            if (member != window && other != nullptr && other->windowClass->name == WC_BUTTON &&
                TypeOf(member) == BS_AUTORADIOBUTTON) {
                SendMessageW(member, BM_SETCHECK, BST_UNCHECKED, 0);
            }
        }
        if (Peek(window)) SendMessageW(window, BM_SETCHECK, BST_CHECKED, 0);
    }
    if (Peek(window)) NotifyParent(window, BN_CLICKED);
}

bool Inside(HWND window, LPARAM lParam)
{
    RECT client{};
    GetClientRect(window, &client);
    return Contains(client, {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
}

}  // namespace

LRESULT ButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Peek(window) == nullptr) return 0;
    ButtonState& state = ButtonOf(window);
    const DWORD type = TypeOf(window);
    switch (message) {
    case WM_GETDLGCODE:
        if (type == BS_GROUPBOX) return DLGC_STATIC;
        if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (type == BS_PUSHBUTTON || type == BS_OWNERDRAW || type == BS_PUSHBOX)
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        if (IsRadio(type)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
        return DLGC_BUTTON;
    case WM_NCHITTEST:
        if (type == BS_GROUPBOX) return HTTRANSPARENT;
        return DefWindowProcW(window, message, wParam, lParam);
    case BM_GETCHECK:
        return IsCheckType(type) ? static_cast<LRESULT>(state.check) : 0;
    case BM_SETCHECK:
        if (IsCheckType(type)) {
            const WPARAM check = (type == BS_3STATE || type == BS_AUTO3STATE) ? std::min<WPARAM>(wParam, 2)
                                                                              : (wParam != 0 ? BST_CHECKED : 0);
            if (check != state.check) {
                state.check = check;
                InvalidateRect(window, nullptr, FALSE);
            }
            // A checked radio button is its group's tab stop.
            if (IsRadio(type) && check == BST_CHECKED) Peek(window)->style |= WS_TABSTOP;
        }
        return 0;
    case BM_GETSTATE:
        return static_cast<LRESULT>(state.check) | (state.pushed ? BST_PUSHED : 0) | (state.focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
        if ((wParam != 0) != state.pushed) {
            state.pushed = wParam != 0;
            ShowStateChange(window, ODA_SELECT);
        }
        return 0;
    case BM_SETSTYLE: {
        Window* w = Peek(window);
        w->style = (w->style & ~BS_TYPEMASK) | (static_cast<DWORD>(wParam) & BS_TYPEMASK);
        if (lParam != 0) InvalidateRect(window, nullptr, TRUE);
        return 0;
    }
    case BM_CLICK:
        if (!IsWindowEnabled(window)) return 0;
        SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
        if (Peek(window)) SendMessageW(window, WM_LBUTTONUP, 0, 0);
        return 0;
    case BM_SETIMAGE: {
        const LPARAM old = state.image;
        state.image = lParam;
        InvalidateRect(window, nullptr, TRUE);
        return old;
    }
    case BM_GETIMAGE:
        return state.image;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (type == BS_GROUPBOX) return 0;
        SetCapture(window);
        if (Peek(window) && GetFocus() != window) SetFocus(window);
        if (Peek(window) == nullptr) return 0;
        if (!ButtonOf(window).pushed) {
            ButtonOf(window).pushed = true;
            ShowStateChange(window, ODA_SELECT);
        }
        return 0;
    case WM_MOUSEMOVE:
        if (GetCapture() == window) {
            const bool inside = Inside(window, lParam);
            if (inside != state.pushed) {
                state.pushed = inside;
                ShowStateChange(window, ODA_SELECT);
            }
        }
        return 0;
    case WM_LBUTTONUP: {
        if (GetCapture() != window) return 0;
        const bool click = state.pushed && Inside(window, lParam);
        if (state.pushed) {
            state.pushed = false;
            ShowStateChange(window, ODA_SELECT);
        }
        ReleaseCapture();
        if (click && Peek(window)) ApplyClick(window);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (state.pushed && reinterpret_cast<HWND>(lParam) != window) {
            state.pushed = false;
            ShowStateChange(window, ODA_SELECT);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && type != BS_GROUPBOX) {
            if (!state.pushed) {
                state.pushed = true;
                ShowStateChange(window, ODA_SELECT);
            }
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_KEYUP:
        if (wParam == VK_SPACE && state.pushed) {
            state.pushed = false;
            ShowStateChange(window, ODA_SELECT);
            if (Peek(window)) ApplyClick(window);
        }
        return 0;
    case WM_CHAR:
        return 0;
    case WM_SETFOCUS:
        state.focused = true;
        ShowStateChange(window, ODA_FOCUS);
        if (Peek(window) && (Peek(window)->style & BS_NOTIFY) != 0) NotifyParent(window, BN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        state.focused = false;
        if (state.pushed && GetCapture() != window) state.pushed = false;
        ShowStateChange(window, ODA_FOCUS);
        if (Peek(window) && (Peek(window)->style & BS_NOTIFY) != 0) NotifyParent(window, BN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { PaintButton(window, dc); });
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Peek(window);
    if (w == nullptr) return 0;
    if (w->control == nullptr) w->control = std::make_unique<StaticState>();
    auto& state = *static_cast<StaticState*>(w->control.get());
    const DWORD type = w->style & SS_TYPEMASK;
    switch (message) {
    case WM_NCHITTEST:
        // Statics let the mouse through to what lies below, unless they notify.
        if ((w->style & SS_NOTIFY) == 0) return HTTRANSPARENT;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_LBUTTONDOWN:
        if ((w->style & SS_NOTIFY) != 0) NotifyParent(window, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if ((w->style & SS_NOTIFY) != 0) NotifyParent(window, STN_DBLCLK);
        return 0;
    case STM_SETIMAGE:
    case STM_SETICON: {
        const LPARAM old = state.image;
        state.image = message == STM_SETICON ? static_cast<LPARAM>(wParam) : lParam;
        InvalidateRect(window, nullptr, TRUE);
        return old;
    }
    case STM_GETIMAGE:
    case STM_GETICON:
        return state.image;
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window, &paint);
        if (!IsEmpty(paint.rcPaint)) {
            RECT client{};
            GetClientRect(window, &client);
            if (type == SS_OWNERDRAW) {
                DRAWITEMSTRUCT item{ODT_STATIC,
                                    static_cast<UINT>(w->id),
                                    0,
                                    ODA_DRAWENTIRE,
                                    IsWindowEnabled(window) ? 0u : ODS_DISABLED,
                                    window,
                                    dc,
                                    client,
                                    0};
                SendMessageW(w->parent, WM_DRAWITEM, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&item));
            } else if (type == SS_BLACKRECT || type == SS_GRAYRECT || type == SS_WHITERECT) {
                FillWindowRectColor(dc, client,
                                    type == SS_BLACKRECT  ? COLOR_WINDOWFRAME
                                    : type == SS_GRAYRECT ? COLOR_BTNSHADOW
                                                          : COLOR_WINDOW);
            } else if (type == SS_BLACKFRAME || type == SS_GRAYFRAME || type == SS_WHITEFRAME ||
                       type == SS_ETCHEDFRAME || type == SS_ETCHEDHORZ || type == SS_ETCHEDVERT) {
                FrameWindowRect(dc, client, type == SS_WHITEFRAME ? COLOR_WINDOW : COLOR_BTNSHADOW);
            } else if (type == SS_BITMAP) {
                HBRUSH brush = ControlColor(window, WM_CTLCOLORSTATIC, dc);
                FillWindowRect(dc, client, brush);
                DrawBitmap(dc, reinterpret_cast<HBITMAP>(state.image), {0, 0});
            } else if (type != SS_ICON) {
                HBRUSH brush = ControlColor(window, WM_CTLCOLORSTATIC, dc);
                FillWindowRect(dc, client, brush);
                UINT format = DT_WORDBREAK;
                if (type == SS_CENTER) format |= DT_CENTER;
                if (type == SS_RIGHT) format |= DT_RIGHT;
                if (type == SS_SIMPLE || type == SS_LEFTNOWORDWRAP) format = DT_SINGLELINE;
                if ((w->style & SS_NOPREFIX) != 0) format |= DT_NOPREFIX;
                if ((w->style & SS_ENDELLIPSIS) != 0) format |= DT_END_ELLIPSIS;
                DrawWindowText(dc, window, w->text, client, format,
                               IsWindowEnabled(window) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
            }
        }
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void RegisterSystemClasses()
{
    State& state = GetState();
    struct Entry {
        const WCHAR* name;
        WNDPROC proc;
        UINT style;
        LPCWSTR cursor;
        int extra;
    };
    const Entry entries[] = {
        {WC_BUTTON, ButtonProc, CS_DBLCLKS | CS_PARENTDC, IDC_ARROW, 0},
        {WC_STATIC, StaticProc, CS_PARENTDC, IDC_ARROW, 0},
        {WC_EDIT, EditProc, CS_DBLCLKS | CS_PARENTDC, IDC_IBEAM, 0},
        {WC_LISTBOX, ListBoxProc, CS_DBLCLKS | CS_PARENTDC, IDC_ARROW, 0},
        {WC_COMBOBOX, ComboBoxProc, CS_DBLCLKS | CS_PARENTDC, IDC_ARROW, 0},
        {WC_SCROLLBAR, ScrollBarProc, CS_DBLCLKS | CS_PARENTDC, IDC_ARROW, 0},
        {WC_DIALOG, DefDlgProcW, CS_DBLCLKS | CS_SAVEBITS, IDC_ARROW, DLGWINDOWEXTRA},
        {WC_COMBOLBOX, DropListProc, CS_DBLCLKS | CS_SAVEBITS, IDC_ARROW, 0},
    };
    for (const Entry& entry : entries) {
        auto windowClass = std::make_shared<WindowClass>();
        windowClass->name = entry.name;
        windowClass->atom = state.nextAtom++;
        windowClass->style = entry.style | CS_GLOBALCLASS;
        windowClass->proc = entry.proc;
        windowClass->windowExtra = entry.extra;
        windowClass->cursor = LoadCursorW(nullptr, entry.cursor);
        windowClass->system = true;
        state.classes[Upper(entry.name)] = windowClass;
    }
    RegisterCommonControlClasses();
}

}  // namespace vexl::windows
