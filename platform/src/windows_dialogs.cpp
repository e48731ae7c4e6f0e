// Dialogs: creation from templates in the order of the dialog manager,
// DefDlgProcW, modal loops with their owners disabled, EndDialog, the
// dialog keys of IsDialogMessageW, and the helpers over dialog items.
#include "windows_state.h"

#include "platform/kernel.h"
#include "platform/resources.h"

#include "platform/windows_host.h"
#include "resource_files.h"

#include <algorithm>
#include <cstring>

namespace vexl::windows {

namespace {

constexpr std::size_t kInMemoryTemplateLimit = 1 << 20;

LONG_PTR DialogSlot(HWND dialog, int index)
{
    Window* w = Peek(dialog);
    if (w == nullptr || index < 0 || static_cast<std::size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) return 0;
    LONG_PTR value = 0;
    std::memcpy(&value, w->extra.data() + index, sizeof value);
    return value;
}

DialogState& DialogOf(Window& w)
{
    if (w.dialog == nullptr) w.dialog = std::make_unique<DialogState>();
    return *w.dialog;
}

int DialogUnitsX(int units)
{
    return units * kDialogBaseUnitX / 4;
}

int DialogUnitsY(int units)
{
    return units * kDialogBaseUnitY / 8;
}

bool ResultIsProcValue(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

// Controls a dialog's keys move between, descending into child dialogs and
// WS_EX_CONTROLPARENT windows, in z-order.
void CollectControls(HWND parent, std::vector<HWND>& out)
{
    Window* w = Peek(parent);
    if (w == nullptr) return;
    for (HWND child : w->children) {
        Window* c = Peek(child);
        if (c == nullptr) continue;
        if (c->dialog != nullptr || (c->exStyle & WS_EX_CONTROLPARENT) != 0) {
            if ((c->style & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE) CollectControls(child, out);
            continue;
        }
        out.push_back(child);
    }
}

// Visible (up to the dialog, which may not be shown yet) and enabled.
bool CanFocus(HWND dialog, HWND window)
{
    Window* w = Peek(window);
    if (w == nullptr || (w->style & WS_DISABLED) != 0) return false;
    for (Window* up = w; up != nullptr && up->handle != dialog; up = Peek(up->parent)) {
        if ((up->style & WS_VISIBLE) == 0) return false;
    }
    return true;
}

HWND FirstTabStop(HWND dialog)
{
    return GetNextDlgTabItem(dialog, nullptr, FALSE);
}

void RestoreFocus(HWND dialog)
{
    Window* w = Peek(dialog);
    if (w == nullptr) return;
    DialogState& state = DialogOf(*w);
    HWND target = state.savedFocus;
    if (target == nullptr || !IsSelfOrDescendant(dialog, target) || !CanFocus(dialog, target))
        target = FirstTabStop(dialog);
    if (target != nullptr) SetFocus(target);
}

HWND DefaultButton(HWND dialog)
{
    for (HWND control : [&] {
             std::vector<HWND> all;
             CollectControls(dialog, all);
             return all;
         }()) {
        Window* c = Peek(control);
        if (c != nullptr && c->windowClass->name == WC_BUTTON && (c->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            return control;
        }
    }
    return nullptr;
}

HWND CreateFromTemplate(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc, LPARAM param,
                        int templateId)
{
    State& state = GetState();
    if (owner != nullptr && Find(owner) == nullptr) return nullptr;
    std::u16string className = WC_DIALOG;
    if (t.windowClass.isOrdinal) {
        className.clear();
    } else if (!t.windowClass.name.empty()) {
        className = t.windowClass.name;
    }
    const bool child = (t.style & WS_CHILD) != 0;
    RECT rect{DialogUnitsX(t.x), DialogUnitsY(t.y), DialogUnitsX(t.x) + DialogUnitsX(t.cx),
              DialogUnitsY(t.y) + DialogUnitsY(t.cy)};
    if (!child) {
        POINT origin{};
        if (owner != nullptr && (t.style & DS_ABSALIGN) == 0) {
            Window* o = Peek(RootOf(owner));
            if (o != nullptr) origin = ClientOrigin(*o);
        }
        if ((t.style & DS_CENTER) != 0) {
            RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            if (owner != nullptr) GetWindowRect(RootOf(owner), &area);
            const LONG width = rect.right - rect.left;
            const LONG height = rect.bottom - rect.top;
            origin = {area.left + (area.right - area.left - width) / 2,
                      area.top + (area.bottom - area.top - height) / 2};
            rect = {0, 0, width, height};
        }
        rect = {rect.left + origin.x, rect.top + origin.y, rect.right + origin.x, rect.bottom + origin.y};
    }
    const LPCWSTR classArg = t.windowClass.isOrdinal ? MAKEINTRESOURCEW(t.windowClass.id) : className.c_str();
    const HWND dialog =
        CreateWindowExW(t.exStyle | (child ? WS_EX_CONTROLPARENT : 0), classArg, t.caption.c_str(),
                        t.style & ~WS_VISIBLE, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                        owner, nullptr, instance, reinterpret_cast<LPVOID>(param));
    if (dialog == nullptr) return nullptr;
    Window* w = Peek(dialog);
    DialogState& dialogState = DialogOf(*w);
    dialogState.templateId = templateId;
    SetWindowLongPtrW(dialog, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));

    HFONT font = nullptr;
    if ((t.style & DS_SETFONT) != 0) {
        font = CreateDialogFont(t);
        dialogState.font = font;
        SendMessageW(dialog, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    for (const DialogItem& item : t.items) {
        if (Peek(dialog) == nullptr) return nullptr;
        std::u16string itemClass;
        LPCWSTR itemClassArg = nullptr;
        if (item.windowClass.isOrdinal) {
            const WCHAR* standard = StandardClassName(item.windowClass.id);
            itemClassArg = standard != nullptr ? standard : MAKEINTRESOURCEW(item.windowClass.id);
        } else {
            itemClass = item.windowClass.name;
            itemClassArg = itemClass.c_str();
        }
        const std::u16string text = item.text.isOrdinal ? std::u16string() : item.text.name;
        const HWND control =
            CreateWindowExW(item.exStyle | WS_EX_NOPARENTNOTIFY, itemClassArg, text.c_str(), item.style | WS_CHILD,
                            DialogUnitsX(item.x), DialogUnitsY(item.y), DialogUnitsX(item.cx), DialogUnitsY(item.cy),
                            dialog, reinterpret_cast<HMENU>(static_cast<ULONG_PTR>(item.id)), instance,
                            item.creationData.empty() ? nullptr : const_cast<BYTE*>(item.creationData.data()));
        if (control == nullptr) {
            if ((t.style & DS_NOFAILCREATE) != 0) continue;
            if (Peek(dialog)) DestroyWindow(dialog);
            return nullptr;
        }
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    if (Peek(dialog) == nullptr) return nullptr;
    const HWND focus = FirstTabStop(dialog);
    const LRESULT setFocus = SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param);
    if (Peek(dialog) == nullptr) return nullptr;
    if (setFocus != 0 && (t.style & DS_CONTROL) == 0) {
        const HWND target = FirstTabStop(dialog);
        if (target != nullptr) {
            SetFocus(target);
            if (Window* d = Peek(dialog)) DialogOf(*d).savedFocus = target;
        }
    }
    if (Peek(dialog) == nullptr) return nullptr;
    if (state.handler.dialogCreated) state.handler.dialogCreated(dialog, templateId);
    if (Peek(dialog) && (t.style & WS_VISIBLE) != 0) ShowWindow(dialog, SW_SHOW);
    return Peek(dialog) ? dialog : nullptr;
}

bool LoadTemplate(HINSTANCE instance, LPCWSTR name, DialogTemplate& out)
{
    if (!IS_INTRESOURCE(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    const auto id = static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(name));
    const std::vector<std::uint8_t>* bytes = vexl::platform::FindModuleResource(instance, RT_DIALOG, id);
    if (bytes == nullptr) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    if (!ParseDialogTemplate(bytes->data(), bytes->size(), out)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    return true;
}

int TemplateIdOf(LPCWSTR name)
{
    return IS_INTRESOURCE(name) ? static_cast<int>(reinterpret_cast<ULONG_PTR>(name)) : 0;
}

}  // namespace

bool RunModalLoop(HWND window, const std::function<bool()>& done)
{
    State& state = GetState();
    state.modalLoops.push_back({window, done});
    bool ran = true;
    while (!done()) {
        MSG msg{};
        if (!RetrieveMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!WaitForWork(WaitKind::ModalLoop, window)) {
                ran = false;
                break;
            }
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            ran = false;
            break;
        }
        if (Peek(window) == nullptr || !IsDialogMessageW(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    state.modalLoops.erase(std::remove_if(state.modalLoops.begin(), state.modalLoops.end(),
                                          [&](const ModalLoop& loop) { return loop.window == window; }),
                           state.modalLoops.end());
    return ran;
}

namespace {

INT_PTR RunModal(HINSTANCE instance, const DialogTemplate& t, HWND owner, DLGPROC proc, LPARAM param, int templateId)
{
    if (owner != nullptr) {
        if (Find(owner) == nullptr) return -1;
        owner = RootOf(owner);
    }
    const bool disableOwner = owner != nullptr && IsWindowEnabled(owner);
    if (disableOwner) EnableWindow(owner, FALSE);
    DialogTemplate modal = t;
    modal.style &= ~WS_CHILD;
    modal.style |= WS_POPUP;
    const HWND dialog = [&] {
        // The dialog counts as modal from its WM_INITDIALOG on.
        return CreateFromTemplate(instance, modal, owner, proc, param, templateId);
    }();
    if (dialog == nullptr) {
        if (disableOwner && Peek(owner)) EnableWindow(owner, TRUE);
        return -1;
    }
    DialogOf(*Peek(dialog)).modal = true;
    if (Window* d = Peek(dialog); d != nullptr && !DialogOf(*d).ended) ShowWindow(dialog, SW_SHOW);
    const bool ran = RunModalLoop(dialog, [dialog] {
        Window* d = Peek(dialog);
        return d == nullptr || DialogOf(*d).ended;
    });
    INT_PTR result = ran ? 0 : -1;
    if (Window* d = Peek(dialog); ran && d != nullptr) result = DialogOf(*d).result;
    if (disableOwner && Peek(owner)) EnableWindow(owner, TRUE);
    if (Peek(dialog)) DestroyWindow(dialog);
    return result;
}

}  // namespace

std::vector<HWND> GroupOf(HWND control)
{
    std::vector<HWND> group;
    Window* c = Peek(control);
    Window* parent = c ? Peek(c->parent) : nullptr;
    if (parent == nullptr) return group;
    const std::vector<HWND>& siblings = parent->children;
    auto at = std::find(siblings.begin(), siblings.end(), control);
    if (at == siblings.end()) return group;
    auto start = at;
    while (start != siblings.begin()) {
        Window* s = Peek(*start);
        if (s != nullptr && (s->style & WS_GROUP) != 0) break;
        --start;
    }
    for (auto it = start; it != siblings.end(); ++it) {
        Window* s = Peek(*it);
        if (it != start && s != nullptr && (s->style & WS_GROUP) != 0) break;
        group.push_back(*it);
    }
    return group;
}

namespace {

bool IsPushButton(LRESULT code)
{
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

void PressDialogButton(HWND dialog, int id)
{
    const HWND button = GetDlgItem(dialog, id);
    Window* b = Peek(button);
    if (b != nullptr && (b->style & WS_DISABLED) != 0) return;
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

}  // namespace

}  // namespace vexl::windows

using namespace vexl::windows;

// ---- Creation ----------------------------------------------------------------------

HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    DialogTemplate t;
    if (!LoadTemplate(instance, templateName, t)) return nullptr;
    return CreateFromTemplate(instance, t, owner, proc, param, TemplateIdOf(templateName));
}

HWND CreateDialogIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND owner, DLGPROC proc,
                                LPARAM param)
{
    DialogTemplate t;
    if (!ParseDialogTemplate(dialogTemplate, kInMemoryTemplateLimit, t)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return CreateFromTemplate(instance, t, owner, proc, param, 0);
}

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC proc, LPARAM param)
{
    DialogTemplate t;
    if (!LoadTemplate(instance, templateName, t)) return -1;
    return RunModal(instance, t, owner, proc, param, TemplateIdOf(templateName));
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND owner, DLGPROC proc,
                                LPARAM param)
{
    DialogTemplate t;
    if (!ParseDialogTemplate(dialogTemplate, kInMemoryTemplateLimit, t)) {
        SetLastError(ERROR_INVALID_DATA);
        return -1;
    }
    return RunModal(instance, t, owner, proc, param, 0);
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    Window* w = Find(dialog);
    if (w == nullptr) return FALSE;
    DialogState& state = DialogOf(*w);
    state.ended = true;
    state.result = result;
    if (!state.modal) ShowWindow(dialog, SW_HIDE);
    return TRUE;
}

// ---- The dialog procedure --------------------------------------------------------------

LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Find(dialog);
    if (w == nullptr) return 0;
    const auto proc = reinterpret_cast<DLGPROC>(DialogSlot(dialog, DWLP_DLGPROC));
    if (proc != nullptr) {
        const INT_PTR handled = proc(dialog, message, wParam, lParam);
        if (handled != 0) {
            if (ResultIsProcValue(message)) return handled;
            return Peek(dialog) ? DialogSlot(dialog, DWLP_MSGRESULT) : 0;
        }
        w = Peek(dialog);
        if (w == nullptr) return 0;
    }
    switch (message) {
    case WM_INITDIALOG:
        return 0;
    case WM_CLOSE: {
        const HWND cancel = GetDlgItem(dialog, IDCANCEL);
        Window* c = Peek(cancel);
        if (c == nullptr || (c->style & WS_DISABLED) == 0) {
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        }
        return 0;
    }
    case WM_ERASEBKGND: {
        RECT client{};
        GetClientRect(dialog, &client);
        FillWindowRectColor(reinterpret_cast<HDC>(wParam), client, COLOR_BTNFACE);
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
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus != nullptr && IsSelfOrDescendant(dialog, focus) && focus != dialog)
                DialogOf(*w).savedFocus = focus;
        } else if (!FocusRequestedWithin(dialog)) {
            RestoreFocus(dialog);
        }
        return 0;
    case WM_SETFOCUS:
        if (!FocusRequestedWithin(dialog)) RestoreFocus(dialog);
        return 0;
    case WM_NCDESTROY:
        if (DialogOf(*w).font != nullptr) {
            DeleteDialogFont(DialogOf(*w).font);
            DialogOf(*w).font = nullptr;
        }
        return 0;
    case DM_GETDEFID: {
        const int id = DialogOf(*w).defaultId;
        if (id != 0) return MAKELONG(static_cast<WORD>(id), DC_HASDEFID);
        const HWND button = DefaultButton(dialog);
        if (button != nullptr) return MAKELONG(static_cast<WORD>(GetDlgCtrlID(button)), DC_HASDEFID);
        return 0;
    }
    case DM_SETDEFID: {
        const HWND old = DefaultButton(dialog);
        if (old != nullptr) SendMessageW(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        const HWND button = GetDlgItem(dialog, static_cast<int>(wParam));
        if (button != nullptr && (Peek(button)->style & BS_TYPEMASK) == BS_PUSHBUTTON) {
            SendMessageW(button, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        }
        if (Window* d = Peek(dialog)) DialogOf(*d).defaultId = static_cast<int>(wParam);
        return TRUE;
    }
    case WM_GETDLGCODE:
        return 0;
    default:
        return DefWindowProcW(dialog, message, wParam, lParam);
    }
}

// ---- Dialog keys --------------------------------------------------------------------------

BOOL IsDialogMessageW(HWND dialog, LPMSG msg)
{
    if (msg == nullptr || Find(dialog) == nullptr) return FALSE;
    if (msg->hwnd == nullptr || !IsSelfOrDescendant(dialog, msg->hwnd)) return FALSE;
    const bool key = msg->message == WM_KEYDOWN || msg->message == WM_CHAR;
    if (!key) {
        TranslateMessage(msg);
        DispatchMessageW(msg);
        return TRUE;
    }
    const int vk = static_cast<int>(msg->wParam);
    const LRESULT code = SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    const bool wantsAll = (code & DLGC_WANTMESSAGE) != 0;
    if (msg->message == WM_CHAR) {
        // The characters of the dialog keys go nowhere unless the control wants them.
        const bool dialogKey = vk == 0x09 || vk == 0x0D || vk == 0x1B;
        if (dialogKey && !wantsAll && !(vk == 0x09 && (code & DLGC_WANTTAB) != 0)) return TRUE;
        DispatchMessageW(msg);
        return TRUE;
    }
    if (!wantsAll) {
        switch (vk) {
        case VK_TAB: {
            if ((code & DLGC_WANTTAB) != 0) break;
            const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
            const HWND next = GetNextDlgTabItem(dialog, GetFocus(), back ? TRUE : FALSE);
            if (next != nullptr) {
                SetFocus(next);
                if ((SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0)
                    SendMessageW(next, EM_SETSEL, 0, -1);
            }
            return TRUE;
        }
        case VK_RETURN: {
            int id = IDOK;
            if (IsPushButton(code) && Peek(msg->hwnd)) {
                id = GetDlgCtrlID(msg->hwnd);
            } else {
                const LRESULT defId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
                if (HIWORD(static_cast<DWORD_PTR>(defId)) == DC_HASDEFID) id = LOWORD(static_cast<DWORD_PTR>(defId));
            }
            PressDialogButton(dialog, id);
            return TRUE;
        }
        case VK_ESCAPE:
            PressDialogButton(dialog, IDCANCEL);
            return TRUE;
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            if ((code & DLGC_WANTARROWS) != 0) break;
            const bool back = vk == VK_LEFT || vk == VK_UP;
            const HWND next = GetNextDlgGroupItem(dialog, GetFocus(), back ? TRUE : FALSE);
            if (next != nullptr && next != GetFocus()) {
                SetFocus(next);
                if ((SendMessageW(next, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0)
                    SendMessageW(next, BM_CLICK, 0, 0);
            }
            return TRUE;
        }
        default:
            break;
        }
    }
    TranslateMessage(msg);
    DispatchMessageW(msg);
    return TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous)
{
    if (Find(dialog) == nullptr) return nullptr;
    std::vector<HWND> all;
    CollectControls(dialog, all);
    std::vector<HWND> stops;
    for (HWND c : all) {
        if (CanFocus(dialog, c) && (Peek(c)->style & WS_TABSTOP) != 0) stops.push_back(c);
    }
    if (stops.empty()) return nullptr;
    auto at = std::find(stops.begin(), stops.end(), control);
    if (at == stops.end()) {
        // A control that is no tab stop: continue from its place among all controls.
        auto inAll = std::find(all.begin(), all.end(), control);
        if (control == nullptr || inAll == all.end()) return previous ? stops.back() : stops.front();
        if (previous) {
            for (auto it = std::make_reverse_iterator(inAll); it != all.rend(); ++it) {
                if (std::find(stops.begin(), stops.end(), *it) != stops.end()) return *it;
            }
            return stops.back();
        }
        for (auto it = std::next(inAll); it != all.end(); ++it) {
            if (std::find(stops.begin(), stops.end(), *it) != stops.end()) return *it;
        }
        return stops.front();
    }
    const auto index = static_cast<std::size_t>(at - stops.begin());
    const std::size_t count = stops.size();
    return stops[previous ? (index + count - 1) % count : (index + 1) % count];
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous)
{
    if (Find(dialog) == nullptr) return nullptr;
    if (control == nullptr) return FirstTabStop(dialog);
    const std::vector<HWND> group = GroupOf(control);
    auto at = std::find(group.begin(), group.end(), control);
    if (at == group.end()) return control;
    const auto count = group.size();
    auto index = static_cast<std::size_t>(at - group.begin());
    for (std::size_t step = 1; step < count; ++step) {
        const std::size_t candidate = previous ? (index + count - step) % count : (index + step) % count;
        if (CanFocus(dialog, group[candidate])) return group[candidate];
    }
    return control;
}

// ---- Items ------------------------------------------------------------------------

HWND GetDlgItem(HWND dialog, int id)
{
    Window* w = Find(dialog);
    if (w == nullptr) return nullptr;
    for (HWND child : w->children) {
        Window* c = Peek(child);
        if (c != nullptr && static_cast<int>(c->id) == id) return child;
    }
    SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

int GetDlgCtrlID(HWND window)
{
    Window* w = Find(window);
    return w != nullptr ? static_cast<int>(w->id) : 0;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND control = GetDlgItem(dialog, id);
    return control != nullptr ? SendMessageW(control, message, wParam, lParam) : 0;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR text, int textMax)
{
    const HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) {
        if (text != nullptr && textMax > 0) text[0] = 0;
        return 0;
    }
    return static_cast<UINT>(GetWindowTextW(control, text, textMax));
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text)
{
    const HWND control = GetDlgItem(dialog, id);
    return control != nullptr ? SetWindowTextW(control, text) : FALSE;
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned)
{
    if (translated != nullptr) *translated = FALSE;
    WCHAR text[64] = {};
    if (GetDlgItemTextW(dialog, id, text, 64) == 0 && GetDlgItem(dialog, id) == nullptr) return 0;
    const WCHAR* p = text;
    while (*p == u' ' || *p == u'\t') ++p;
    bool negative = false;
    if (isSigned && *p == u'-') {
        negative = true;
        ++p;
    }
    if (*p < u'0' || *p > u'9') return 0;
    std::uint64_t value = 0;
    for (; *p >= u'0' && *p <= u'9'; ++p) {
        value = value * 10 + static_cast<std::uint64_t>(*p - u'0');
        if (value > (isSigned ? 0x80000000ull : 0xFFFFFFFFull)) return 0;
    }
    while (*p == u' ' || *p == u'\t') ++p;
    if (*p != 0) return 0;
    if (isSigned && !negative && value > 0x7FFFFFFFull) return 0;
    if (translated != nullptr) *translated = TRUE;
    return negative ? static_cast<UINT>(-static_cast<std::int64_t>(value)) : static_cast<UINT>(value);
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned)
{
    const std::string digits = isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
    const std::u16string text(digits.begin(), digits.end());
    return SetDlgItemTextW(dialog, id, text.c_str());
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check)
{
    const HWND button = GetDlgItem(dialog, id);
    if (button == nullptr) return FALSE;
    SendMessageW(button, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id)
{
    const HWND button = GetDlgItem(dialog, id);
    return button != nullptr ? static_cast<UINT>(SendMessageW(button, BM_GETCHECK, 0, 0)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId)
{
    if (Find(dialog) == nullptr) return FALSE;
    for (int id = firstId; id <= lastId; ++id) {
        const HWND button = GetDlgItem(dialog, id);
        if (button != nullptr) SendMessageW(button, BM_SETCHECK, id == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return TRUE;
}

BOOL MapDialogRect(HWND dialog, LPRECT rect)
{
    if (Find(dialog) == nullptr || rect == nullptr) return FALSE;
    *rect = {DialogUnitsX(rect->left), DialogUnitsY(rect->top), DialogUnitsX(rect->right), DialogUnitsY(rect->bottom)};
    return TRUE;
}

LONG GetDialogBaseUnits()
{
    return static_cast<LONG>(MAKELONG(kDialogBaseUnitX, kDialogBaseUnitY));
}
