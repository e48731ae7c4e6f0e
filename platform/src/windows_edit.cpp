// The EDIT class: text with a selection and a caret, a limit, a password
// character, read-only and number styles, the clipboard commands, and
// EN_UPDATE / EN_CHANGE after every change.
#include "windows_state.h"

#include <algorithm>

namespace vexl::windows {

namespace {

constexpr std::size_t kDefaultLimit = 30000;
constexpr std::size_t kMaximumLimit = 0x7FFFFFFE;

struct EditState : ControlState {
    std::size_t anchor = 0;  // the selection is anchor..caret in either order
    std::size_t caret = 0;
    std::size_t limit = kDefaultLimit;
    WCHAR passwordChar = 0;
    bool modified = false;
    bool focused = false;
};

EditState& EditOf(Window& w)
{
    if (w.control == nullptr) {
        auto state = std::make_unique<EditState>();
        if ((w.style & ES_PASSWORD) != 0) state->passwordChar = u'*';
        w.control = std::move(state);
    }
    return *static_cast<EditState*>(w.control.get());
}

std::size_t SelStart(const EditState& s)
{
    return std::min(s.anchor, s.caret);
}

std::size_t SelEnd(const EditState& s)
{
    return std::max(s.anchor, s.caret);
}

void NotifyChange(HWND window)
{
    NotifyParent(window, EN_UPDATE);
    if (Peek(window)) NotifyParent(window, EN_CHANGE);
}

// Replaces the selection with text, cut to what the limit leaves room for;
// false when nothing could change.
bool ReplaceSelection(HWND window, std::u16string text)
{
    Window* w = Peek(window);
    EditState& s = EditOf(*w);
    const std::size_t start = SelStart(s);
    const std::size_t end = SelEnd(s);
    const std::size_t kept = w->text.size() - (end - start);
    const std::size_t room = s.limit > kept ? s.limit - kept : 0;
    bool cut = false;
    if (text.size() > room) {
        text.resize(room);
        cut = true;
    }
    if (text.empty() && start == end) {
        if (cut) NotifyParent(window, EN_MAXTEXT);
        return false;
    }
    w->text.replace(start, end - start, text);
    s.anchor = s.caret = start + text.size();
    s.modified = true;
    InvalidateRect(window, nullptr, TRUE);
    NotifyChange(window);
    if (cut && Peek(window)) NotifyParent(window, EN_MAXTEXT);
    return true;
}

WCHAR AdjustCase(const Window& w, WCHAR c)
{
    if ((w.style & ES_UPPERCASE) != 0 && c >= u'a' && c <= u'z') return static_cast<WCHAR>(c - 32);
    if ((w.style & ES_LOWERCASE) != 0 && c >= u'A' && c <= u'Z') return static_cast<WCHAR>(c + 32);
    return c;
}

void Paste(HWND window)
{
    Window* w = Peek(window);
    if ((w->style & ES_READONLY) != 0) return;
    std::u16string text = ClipboardUnicodeText();
    if (const auto end = text.find(u'\0'); end != std::u16string::npos) text.resize(end);
    if ((w->style & ES_MULTILINE) == 0) {
        // A single line takes the clipboard up to its first line break.
        const auto lineEnd = text.find_first_of(u"\r\n");
        if (lineEnd != std::u16string::npos) text.resize(lineEnd);
    }
    for (auto& c : text) c = AdjustCase(*w, c);
    if ((w->style & ES_NUMBER) != 0 &&
        std::any_of(text.begin(), text.end(), [](char16_t c) { return c < u'0' || c > u'9'; })) {
        return;
    }
    if (!text.empty()) ReplaceSelection(window, text);
}

void Copy(HWND window)
{
    Window* w = Peek(window);
    EditState& s = EditOf(*w);
    if (s.passwordChar != 0 || SelStart(s) == SelEnd(s)) return;
    SetClipboardUnicodeText(w->text.substr(SelStart(s), SelEnd(s) - SelStart(s)));
}

void Clear(HWND window)
{
    Window* w = Peek(window);
    EditState& s = EditOf(*w);
    if ((w->style & ES_READONLY) != 0 || SelStart(s) == SelEnd(s)) return;
    ReplaceSelection(window, u"");
}

void TypeCharacter(HWND window, WCHAR c)
{
    Window* w = Peek(window);
    EditState& s = EditOf(*w);
    switch (c) {
    case 0x01:  // Ctrl+A
        s.anchor = 0;
        s.caret = w->text.size();
        InvalidateRect(window, nullptr, FALSE);
        return;
    case 0x03:
        SendMessageW(window, WM_COPY, 0, 0);
        return;
    case 0x16:
        SendMessageW(window, WM_PASTE, 0, 0);
        return;
    case 0x18:
        SendMessageW(window, WM_CUT, 0, 0);
        return;
    default:
        break;
    }
    if ((w->style & ES_READONLY) != 0) return;
    if (c == 0x08) {
        if (SelStart(s) == SelEnd(s)) {
            if (s.caret == 0) return;
            s.anchor = s.caret - 1;
        }
        ReplaceSelection(window, u"");
        return;
    }
    if (c == u'\r' && (w->style & ES_MULTILINE) != 0) {
        ReplaceSelection(window, u"\r\n");
        return;
    }
    if (c < 0x20) return;
    if ((w->style & ES_NUMBER) != 0 && (c < u'0' || c > u'9')) return;
    ReplaceSelection(window, std::u16string(1, AdjustCase(*w, c)));
}

void MoveCaret(HWND window, std::size_t to, bool extend)
{
    Window* w = Peek(window);
    EditState& s = EditOf(*w);
    s.caret = std::min(to, w->text.size());
    if (!extend) s.anchor = s.caret;
    InvalidateRect(window, nullptr, FALSE);
}

void Paint(HWND window, HDC dc)
{
    Window* w = Peek(window);
    EditState& s = EditOf(*w);
    RECT client{};
    GetClientRect(window, &client);
    const bool plain = IsWindowEnabled(window) && (w->style & ES_READONLY) == 0;
    HBRUSH brush = ControlColor(window, plain ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC, dc);
    FillWindowRect(dc, client, brush);
    std::u16string shown = s.passwordChar != 0 ? std::u16string(w->text.size(), s.passwordChar) : w->text;
    UINT format = (w->style & ES_MULTILINE) != 0 ? DT_WORDBREAK : DT_VCENTER | DT_SINGLELINE;
    if ((w->style & ES_CENTER) != 0) format |= DT_CENTER;
    if ((w->style & ES_RIGHT) != 0) format |= DT_RIGHT;
    // No frame around the window: a bordered edit draws its edge inside.
    if ((w->style & WS_BORDER) != 0 || (w->exStyle & WS_EX_CLIENTEDGE) != 0)
        FrameWindowRect(dc, client, COLOR_BTNSHADOW);
    DrawWindowText(dc, window, shown, {client.left + 2, client.top, client.right - 2, client.bottom},
                   format | DT_NOPREFIX, IsWindowEnabled(window) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
}

}  // namespace

LRESULT EditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Peek(window);
    if (w == nullptr) return 0;
    EditState& s = EditOf(*w);
    switch (message) {
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if ((w->style & ES_MULTILINE) != 0 && msg != nullptr && msg->message == WM_KEYDOWN &&
            msg->wParam == static_cast<WPARAM>(VK_RETURN) && (w->style & ES_WANTRETURN) != 0) {
            code |= DLGC_WANTMESSAGE;
        }
        return code;
    }
    case WM_SETTEXT: {
        const auto text = reinterpret_cast<LPCWSTR>(lParam);
        w->text = text != nullptr ? std::u16string(text) : std::u16string();
        s.anchor = s.caret = 0;
        s.modified = false;
        InvalidateRect(window, nullptr, TRUE);
        if ((w->style & ES_MULTILINE) == 0) NotifyChange(window);
        return TRUE;
    }
    case WM_CHAR:
        TypeCharacter(window, static_cast<WCHAR>(wParam));
        return 0;
    case WM_KEYDOWN: {
        const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        switch (static_cast<int>(wParam)) {
        case VK_LEFT:
            MoveCaret(window, s.caret == 0 ? 0 : s.caret - 1, shift);
            return 0;
        case VK_RIGHT:
            MoveCaret(window, s.caret + 1, shift);
            return 0;
        case VK_HOME:
            MoveCaret(window, 0, shift);
            return 0;
        case VK_END:
            MoveCaret(window, w->text.size(), shift);
            return 0;
        case VK_DELETE:
            if ((w->style & ES_READONLY) != 0) return 0;
            if (SelStart(s) == SelEnd(s)) {
                if (s.caret >= w->text.size()) return 0;
                s.anchor = s.caret + 1;
            }
            ReplaceSelection(window, u"");
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
    }
    case EM_GETSEL: {
        if (wParam != 0) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(SelStart(s));
        if (lParam != 0) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(SelEnd(s));
        return MAKELONG(static_cast<WORD>(std::min<std::size_t>(SelStart(s), 0xFFFF)),
                        static_cast<WORD>(std::min<std::size_t>(SelEnd(s), 0xFFFF)));
    }
    case EM_SETSEL: {
        const auto start = static_cast<LONG_PTR>(static_cast<int>(wParam));
        const auto end = static_cast<LONG_PTR>(static_cast<int>(lParam));
        const std::size_t length = w->text.size();
        if (start < 0) {
            s.anchor = s.caret;  // no selection, the caret stays
        } else {
            s.anchor = std::min(static_cast<std::size_t>(start), length);
            s.caret = end < 0 ? length : std::min(static_cast<std::size_t>(end), length);
        }
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    }
    case EM_REPLACESEL: {
        const auto text = reinterpret_cast<LPCWSTR>(lParam);
        ReplaceSelection(window, text != nullptr ? std::u16string(text) : std::u16string());
        return 0;
    }
    case EM_SETLIMITTEXT:
        s.limit = wParam == 0 ? kMaximumLimit : std::min<std::size_t>(wParam, kMaximumLimit);
        return 0;
    case EM_GETLIMITTEXT:
        return static_cast<LRESULT>(s.limit);
    case EM_SETPASSWORDCHAR:
        s.passwordChar = static_cast<WCHAR>(wParam);
        if (wParam == 0) {
            w->style &= ~ES_PASSWORD;
        } else {
            w->style |= ES_PASSWORD;
        }
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case EM_GETPASSWORDCHAR:
        return s.passwordChar;
    case EM_GETMODIFY:
        return s.modified ? TRUE : FALSE;
    case EM_SETMODIFY:
        s.modified = wParam != 0;
        return 0;
    case EM_SETREADONLY:
        if (wParam != 0) {
            w->style |= ES_READONLY;
        } else {
            w->style &= ~ES_READONLY;
        }
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    case EM_GETLINECOUNT: {
        if ((w->style & ES_MULTILINE) == 0) return 1;
        return 1 + static_cast<LRESULT>(std::count(w->text.begin(), w->text.end(), u'\n'));
    }
    case EM_CANUNDO:
        return FALSE;
    case EM_UNDO:
        return FALSE;
    case EM_EMPTYUNDOBUFFER:
        return 0;
    case EM_SCROLLCARET:
        return TRUE;
    case EM_GETRECT:
        if (lParam != 0) GetClientRect(window, reinterpret_cast<LPRECT>(lParam));
        return 0;
    case WM_PASTE:
        Paste(window);
        return 0;
    case WM_COPY:
        Copy(window);
        return 0;
    case WM_CUT:
        Copy(window);
        if (Peek(window)) Clear(window);
        return 0;
    case WM_CLEAR:
        Clear(window);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (GetFocus() != window) SetFocus(window);
        if (Peek(window)) MoveCaret(window, Peek(window)->text.size(), false);
        return 0;
    case WM_SETFOCUS:
        s.focused = true;
        InvalidateRect(window, nullptr, FALSE);
        NotifyParent(window, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        s.focused = false;
        InvalidateRect(window, nullptr, FALSE);
        NotifyParent(window, EN_KILLFOCUS);
        return 0;
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

}  // namespace vexl::windows
