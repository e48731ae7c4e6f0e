// Window classes and windows: creation and destruction, the fields behind
// Get/SetWindowLongPtrW, text, the parent and owner links, the z-order of
// siblings and geometry.
#include "windows_state.h"

#include "platform/clipboard.h"
#include "platform/clipboard_host.h"
#include "platform/kernel.h"
#include "platform/menus.h"
#include "platform/menus_host.h"
#include "platform/windows_host.h"

#include <algorithm>
#include <cstring>

namespace vexl::windows {

namespace {

// The desktop: the parent of top-level windows for GetAncestor and the
// window of GetDC(NULL). It is never destroyed.
constexpr ULONG_PTR kDesktopHandle = 0x10000;
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

void CreateDesktop(State& state)
{
    auto desktop = std::make_unique<Window>();
    desktop->handle = reinterpret_cast<HWND>(kDesktopHandle);
    desktop->windowClass = std::make_shared<WindowClass>();
    desktop->windowClass->name = u"#32769";
    desktop->windowClass->system = true;
    desktop->proc = DefWindowProcW;
    desktop->style = WS_VISIBLE | WS_POPUP;
    desktop->rect = {0, 0, kScreenWidth, kScreenHeight};
    state.windows[kDesktopHandle] = std::move(desktop);
}

bool IsDesktop(HWND window)
{
    return reinterpret_cast<ULONG_PTR>(window) == kDesktopHandle;
}

std::shared_ptr<WindowClass> FindClass(LPCWSTR name)
{
    State& state = GetState();
    if (name == nullptr) return nullptr;
    if (IS_INTRESOURCE(name)) {
        const auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name));
        for (auto& [key, windowClass] : state.classes) {
            if (windowClass->atom == atom) return windowClass;
        }
        return nullptr;
    }
    auto found = state.classes.find(Upper(name));
    return found == state.classes.end() ? nullptr : found->second;
}

ATOM AddClass(WindowClass record)
{
    State& state = GetState();
    const std::u16string key = Upper(record.name);
    if (key.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (state.classes.count(key) != 0) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    record.atom = state.nextAtom++;
    record.extra.assign(static_cast<std::size_t>(std::max(0, record.classExtra)), 0);
    auto windowClass = std::make_shared<WindowClass>(std::move(record));
    state.classes[key] = windowClass;
    return windowClass->atom;
}

std::vector<HWND>& SiblingsOf(State& state, const Window& window)
{
    if (window.parent != nullptr) {
        if (Window* parent = Peek(window.parent)) return parent->children;
    }
    return state.topLevel;
}

void Unlink(State& state, Window& window)
{
    std::vector<HWND>& siblings = SiblingsOf(state, window);
    siblings.erase(std::remove(siblings.begin(), siblings.end(), window.handle), siblings.end());
}

// The windows of the tree under window, parents before children.
void CollectTree(HWND window, std::vector<HWND>& out)
{
    Window* w = Peek(window);
    if (w == nullptr) return;
    out.push_back(window);
    for (HWND child : w->children) CollectTree(child, out);
}

void SendDestroyMessages(HWND window)
{
    // WM_DESTROY parent first, then WM_NCDESTROY children first.
    std::vector<HWND> tree;
    CollectTree(window, tree);
    for (HWND member : tree) {
        if (Peek(member)) SendMessageW(member, WM_DESTROY, 0, 0);
    }
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
        if (Peek(*it)) SendMessageW(*it, WM_NCDESTROY, 0, 0);
    }
}

void ForgetWindow(State& state, HWND window)
{
    Window* w = Peek(window);
    if (w == nullptr) return;
    for (HWND child : std::vector<HWND>(w->children)) ForgetWindow(state, child);
    state.timers.erase(std::remove_if(state.timers.begin(), state.timers.end(),
                                      [&](const Timer& timer) { return timer.window == window; }),
                       state.timers.end());
    state.posted.erase(
        std::remove_if(state.posted.begin(), state.posted.end(), [&](const MSG& msg) { return msg.hwnd == window; }),
        state.posted.end());
    if (state.focus == window) state.focus = nullptr;
    if (state.capture == window) state.capture = nullptr;
    if (state.active == window) state.active = nullptr;
    if (state.lastClickWindow == window) state.haveLastClick = false;
    ForgetFrameBars(window);
    SurfaceDestroyed(window);
    if (w->dialog != nullptr && w->dialog->font != nullptr) {
        // A window forgotten without WM_NCDESTROY still gives its font back.
        DeleteDialogFont(w->dialog->font);
        w->dialog->font = nullptr;
    }
    Unlink(state, *w);
    state.windows.erase(reinterpret_cast<ULONG_PTR>(window));
}

// Activates the next top-level window after the active one went away: its
// owner when that can take it, else the topmost visible, enabled one.
void ActivateAfter(HWND owner)
{
    State& state = GetState();
    if (state.active != nullptr) return;
    Window* candidate = Peek(owner);
    if (candidate == nullptr || (candidate->style & (WS_VISIBLE | WS_DISABLED)) != WS_VISIBLE) {
        candidate = nullptr;
        for (HWND top : state.topLevel) {
            Window* w = Peek(top);
            if (w && (w->style & (WS_VISIBLE | WS_DISABLED)) == WS_VISIBLE) {
                candidate = w;
                break;
            }
        }
    }
    if (candidate != nullptr) SetActiveWindow(candidate->handle);
}

bool ExtraSlot(Window& window, int index, std::size_t size)
{
    return index >= 0 && static_cast<std::size_t>(index) + size <= window.extra.size();
}

}  // namespace

State& GetState()
{
    static State* state = [] {
        auto* created = new State;
        CreateDesktop(*created);
        return created;
    }();
    static bool registered = false;
    if (!registered) {
        registered = true;
        RegisterSystemClasses();
    }
    return *state;
}

Window* Peek(HWND window)
{
    if (window == nullptr) return nullptr;
    State& state = GetState();
    auto found = state.windows.find(reinterpret_cast<ULONG_PTR>(window));
    return found == state.windows.end() ? nullptr : found->second.get();
}

Window* Find(HWND window)
{
    Window* w = Peek(window);
    if (w == nullptr) {
        if (window != nullptr) ++GetState().deadHandleCalls;
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    }
    return w;
}

std::uint64_t DeadHandleCalls()
{
    return GetState().deadHandleCalls;
}

void ResetWindows()
{
    State& state = GetState();
    for (HWND top : std::vector<HWND>(state.topLevel)) ForgetWindow(state, top);
    for (auto it = state.classes.begin(); it != state.classes.end();) {
        it = it->second->system ? std::next(it) : state.classes.erase(it);
    }
    state.posted.clear();
    state.input.clear();
    state.timers.clear();
    state.quit = false;
    state.focus = state.active = state.capture = nullptr;
    std::memset(state.keyState, 0, sizeof state.keyState);
    std::memset(state.asyncKeyState, 0, sizeof state.asyncKeyState);
    state.haveLastClick = false;
    state.deadHandleCalls = 0;
    state.modalLoops.clear();
    state.handler = {};
    state.failed = false;
    state.cursor = nullptr;
    ResetMenus();
    ResetClipboardAndLogs();
}

std::u16string Upper(std::u16string_view text)
{
    std::u16string out(text);
    for (auto& c : out) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return out;
}

bool IsEmpty(const RECT& rect)
{
    return rect.right <= rect.left || rect.bottom <= rect.top;
}

RECT Intersect(const RECT& a, const RECT& b)
{
    RECT out{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
             std::min(a.bottom, b.bottom)};
    if (IsEmpty(out)) out = {};
    return out;
}

RECT Union(const RECT& a, const RECT& b)
{
    if (IsEmpty(a)) return b;
    if (IsEmpty(b)) return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

bool Contains(const RECT& rect, POINT point)
{
    return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

POINT ClientOrigin(const Window& window)
{
    POINT origin{window.rect.left, window.rect.top};
    for (Window* parent = Peek(window.parent); parent != nullptr; parent = Peek(parent->parent)) {
        origin.x += parent->rect.left;
        origin.y += parent->rect.top;
    }
    return origin;
}

HWND RootOf(HWND window)
{
    Window* w = Peek(window);
    while (w != nullptr && w->parent != nullptr) w = Peek(w->parent);
    return w ? w->handle : nullptr;
}

bool IsSelfOrDescendant(HWND ancestor, HWND window)
{
    for (Window* w = Peek(window); w != nullptr; w = Peek(w->parent)) {
        if (w->handle == ancestor) return true;
    }
    return false;
}

LRESULT NotifyParent(HWND control, WORD code)
{
    Window* w = Peek(control);
    if (w == nullptr || w->parent == nullptr) return 0;
    return SendMessageW(w->parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w->id), code),
                        reinterpret_cast<LPARAM>(control));
}

}  // namespace vexl::windows

using namespace vexl::windows;

// ---- Classes -------------------------------------------------------------------

ATOM RegisterClassW(const WNDCLASSW* windowClass)
{
    if (windowClass == nullptr || windowClass->lpszClassName == nullptr || windowClass->lpfnWndProc == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    GetState();
    WindowClass record;
    record.name = IS_INTRESOURCE(windowClass->lpszClassName) ? u"" : windowClass->lpszClassName;
    record.style = windowClass->style;
    record.proc = windowClass->lpfnWndProc;
    record.classExtra = windowClass->cbClsExtra;
    record.windowExtra = windowClass->cbWndExtra;
    record.instance = windowClass->hInstance;
    record.icon = windowClass->hIcon;
    record.cursor = windowClass->hCursor;
    record.background = windowClass->hbrBackground;
    return AddClass(std::move(record));
}

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass)
{
    if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const WNDCLASSW plain{windowClass->style,        windowClass->lpfnWndProc,   windowClass->cbClsExtra,
                          windowClass->cbWndExtra,   windowClass->hInstance,     windowClass->hIcon,
                          windowClass->hCursor,      windowClass->hbrBackground, windowClass->lpszMenuName,
                          windowClass->lpszClassName};
    return RegisterClassW(&plain);
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE)
{
    State& state = GetState();
    auto windowClass = FindClass(className);
    if (windowClass == nullptr || windowClass->system) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    for (auto& [handle, window] : state.windows) {
        if (window->windowClass == windowClass) {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return FALSE;
        }
    }
    state.classes.erase(Upper(windowClass->name));
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE, LPCWSTR className, WNDCLASSW* out)
{
    GetState();
    auto windowClass = FindClass(className);
    if (windowClass == nullptr || out == nullptr) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *out = {windowClass->style,       windowClass->proc,       windowClass->classExtra,
            windowClass->windowExtra, windowClass->instance,   windowClass->icon,
            windowClass->cursor,      windowClass->background, nullptr,
            windowClass->name.c_str()};
    return TRUE;
}

int GetClassNameW(HWND window, LPWSTR className, int classNameMax)
{
    Window* w = Find(window);
    if (w == nullptr || className == nullptr || classNameMax <= 0) return 0;
    const auto count = std::min<std::size_t>(w->windowClass->name.size(), static_cast<std::size_t>(classNameMax - 1));
    std::copy_n(w->windowClass->name.begin(), count, className);
    className[count] = 0;
    return static_cast<int>(count);
}

ULONG_PTR GetClassLongPtrW(HWND window, int index)
{
    Window* w = Find(window);
    if (w == nullptr) return 0;
    const WindowClass& c = *w->windowClass;
    switch (index) {
    case GCLP_HBRBACKGROUND:
        return reinterpret_cast<ULONG_PTR>(c.background);
    case GCLP_HCURSOR:
        return reinterpret_cast<ULONG_PTR>(c.cursor);
    case GCLP_WNDPROC:
        return reinterpret_cast<ULONG_PTR>(c.proc);
    case GCL_STYLE:
        return c.style;
    default:
        break;
    }
    if (index >= 0 && static_cast<std::size_t>(index) + sizeof(ULONG_PTR) <= c.extra.size()) {
        ULONG_PTR value = 0;
        std::memcpy(&value, c.extra.data() + index, sizeof value);
        return value;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}

// ---- Creation and destruction ------------------------------------------------------

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menuOrId, HINSTANCE instance, LPVOID param)
{
    State& state = GetState();
    auto windowClass = FindClass(className);
    if (windowClass == nullptr) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    if (parent == HWND_MESSAGE) parent = nullptr;
    Window* parentWindow = nullptr;
    if (parent != nullptr && !IsDesktop(parent)) {
        parentWindow = Find(parent);
        if (parentWindow == nullptr) return nullptr;
    }
    if ((style & WS_CHILD) != 0 && parentWindow == nullptr) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }

    const auto handle = reinterpret_cast<HWND>(state.nextHandle);
    state.nextHandle += 4;
    auto window = std::make_unique<Window>();
    window->handle = handle;
    window->windowClass = windowClass;
    window->proc = windowClass->proc;
    window->style = style;
    window->exStyle = exStyle;
    window->instance = instance;
    window->extra.assign(static_cast<std::size_t>(std::max(0, windowClass->windowExtra)), 0);
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
    window->rect = {x, y, x + std::max(0, width), y + std::max(0, height)};
    if ((style & WS_CHILD) != 0) {
        window->parent = parent;
        window->id = static_cast<LONG_PTR>(reinterpret_cast<ULONG_PTR>(menuOrId));
        parentWindow->children.push_back(handle);
    } else {
        // A top-level window's owner is the top-level window of what it names.
        window->owner = parentWindow ? RootOf(parent) : nullptr;
        state.topLevel.insert(state.topLevel.begin(), handle);
    }
    if (windowName != nullptr && !IS_INTRESOURCE(windowName)) window->text = windowName;
    state.windows[reinterpret_cast<ULONG_PTR>(handle)] = std::move(window);

    CREATESTRUCTW create{param,      instance,  menuOrId, parent, height, width, y, x, static_cast<LONG>(style),
                         windowName, className, exStyle};
    // The window is created hidden; WS_VISIBLE shows it after WM_CREATE.
    Peek(handle)->style &= ~WS_VISIBLE;
    if (SendMessageW(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create)) == 0 ||
        (Peek(handle) && SendMessageW(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1)) {
        if (Peek(handle)) DestroyWindow(handle);
        return nullptr;
    }
    Window* created = Peek(handle);
    if (created == nullptr) return nullptr;
    const RECT rect = created->rect;
    SendMessageW(handle, WM_SIZE, SIZE_RESTORED,
                 MAKELPARAM(static_cast<WORD>(rect.right - rect.left), static_cast<WORD>(rect.bottom - rect.top)));
    if (Peek(handle))
        SendMessageW(handle, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(rect.left), static_cast<WORD>(rect.top)));
    if (Peek(handle) && (style & WS_VISIBLE) != 0) ShowWindow(handle, SW_SHOW);
    return Peek(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND window)
{
    State& state = GetState();
    if (IsDesktop(window)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    Window* w = Find(window);
    if (w == nullptr) return FALSE;
    if (w->destroying) return TRUE;
    // Owned windows go first.
    for (HWND top : std::vector<HWND>(state.topLevel)) {
        Window* owned = Peek(top);
        if (owned && owned->owner == window && !owned->destroying) DestroyWindow(top);
    }
    std::vector<HWND> tree;
    CollectTree(window, tree);
    for (HWND member : tree) Peek(member)->destroying = true;
    w = Peek(window);
    const bool wasTopLevel = w->parent == nullptr;
    const HWND owner = w->owner;
    const bool wasActive = state.active == window;
    if (w->parent != nullptr && (w->style & WS_VISIBLE) != 0) {
        Window* parent = Peek(w->parent);
        if (parent != nullptr && !parent->destroying) InvalidateRect(w->parent, &w->rect, TRUE);
    }
    for (HWND member : tree) {
        if (state.focus == member) state.focus = nullptr;
        if (state.capture == member) {
            state.capture = nullptr;
            SendMessageW(member, WM_CAPTURECHANGED, 0, 0);
        }
    }
    if (wasActive) state.active = nullptr;
    SendDestroyMessages(window);
    ForgetWindow(state, window);
    if (wasTopLevel && wasActive) ActivateAfter(owner);
    return TRUE;
}

BOOL IsWindow(HWND window)
{
    return Peek(window) != nullptr ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window)
{
    Window* w = Find(window);
    for (; w != nullptr; w = Peek(w->parent)) {
        if ((w->style & WS_VISIBLE) == 0) return FALSE;
    }
    return window != nullptr && Peek(window) != nullptr ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window)
{
    Window* w = Find(window);
    return w != nullptr && (w->style & WS_DISABLED) == 0 ? TRUE : FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable)
{
    State& state = GetState();
    Window* w = Find(window);
    if (w == nullptr) return FALSE;
    const BOOL wasDisabled = (w->style & WS_DISABLED) != 0 ? TRUE : FALSE;
    if ((enable != FALSE) == (wasDisabled == FALSE)) return wasDisabled;
    if (enable) {
        w->style &= ~WS_DISABLED;
    } else {
        w->style |= WS_DISABLED;
        if (state.capture != nullptr && IsSelfOrDescendant(window, state.capture)) ReleaseCapture();
        if (state.focus != nullptr && IsSelfOrDescendant(window, state.focus) && Peek(window)->parent != nullptr) {
            SetFocus(nullptr);
        }
    }
    if (Peek(window)) SendMessageW(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
    if (Peek(window)) InvalidateRect(window, nullptr, TRUE);
    return wasDisabled;
}

BOOL ShowWindow(HWND window, int command)
{
    State& state = GetState();
    Window* w = Find(window);
    if (w == nullptr) return FALSE;
    const BOOL wasVisible = (w->style & WS_VISIBLE) != 0 ? TRUE : FALSE;
    const bool show = command != SW_HIDE;
    if (show == (wasVisible != FALSE)) return wasVisible;
    SendMessageW(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    w = Peek(window);
    if (w == nullptr) return wasVisible;
    if (show) {
        w->style |= WS_VISIBLE;
        InvalidateRect(window, nullptr, TRUE);
        const bool activate = command != SW_SHOWNA && command != SW_SHOWNOACTIVATE;
        if (w->parent == nullptr && activate && (w->style & WS_DISABLED) == 0) SetActiveWindow(window);
    } else {
        if (w->parent != nullptr) InvalidateRect(w->parent, &w->rect, TRUE);
        w->style &= ~WS_VISIBLE;
        if (state.focus != nullptr && IsSelfOrDescendant(window, state.focus) && w->parent != nullptr) {
            SetFocus(w->parent);
        }
        if (state.active == window) {
            state.active = nullptr;
            SendMessageW(window, WM_ACTIVATE, WA_INACTIVE, 0);
            if (Peek(window)) ActivateAfter(Peek(window)->owner);
        }
    }
    return wasVisible;
}

// ---- Relations -----------------------------------------------------------------

BOOL IsChild(HWND parent, HWND window)
{
    Window* w = Find(window);
    if (w == nullptr) return FALSE;
    for (Window* up = Peek(w->parent); up != nullptr; up = Peek(up->parent)) {
        if (up->handle == parent) return TRUE;
    }
    return FALSE;
}

HWND GetParent(HWND window)
{
    Window* w = Find(window);
    if (w == nullptr) return nullptr;
    if ((w->style & WS_CHILD) != 0) return w->parent;
    return (w->style & WS_POPUP) != 0 ? w->owner : nullptr;
}

HWND SetParent(HWND window, HWND newParent)
{
    State& state = GetState();
    Window* w = Find(window);
    if (w == nullptr) return nullptr;
    if (newParent != nullptr && !IsDesktop(newParent)) {
        if (Find(newParent) == nullptr || IsSelfOrDescendant(window, newParent)) return nullptr;
    } else {
        newParent = nullptr;
    }
    const HWND old = w->parent ? w->parent : reinterpret_cast<HWND>(kDesktopHandle);
    Unlink(state, *w);
    w->parent = newParent;
    if (newParent != nullptr) {
        Peek(newParent)->children.insert(Peek(newParent)->children.begin(), window);
    } else {
        state.topLevel.insert(state.topLevel.begin(), window);
    }
    return old;
}

HWND GetAncestor(HWND window, UINT flags)
{
    Window* w = Find(window);
    if (w == nullptr) return nullptr;
    switch (flags) {
    case GA_PARENT:
        return w->parent ? w->parent : reinterpret_cast<HWND>(kDesktopHandle);
    case GA_ROOT:
        return RootOf(window);
    case GA_ROOTOWNER: {
        HWND root = RootOf(window);
        while (Window* r = Peek(root)) {
            if (r->owner == nullptr) break;
            root = RootOf(r->owner);
        }
        return root;
    }
    default:
        return nullptr;
    }
}

HWND GetWindow(HWND window, UINT relation)
{
    State& state = GetState();
    Window* w = Find(window);
    if (w == nullptr) return nullptr;
    if (relation == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
    if (relation == GW_OWNER) return w->parent == nullptr ? w->owner : nullptr;
    const std::vector<HWND>& siblings = SiblingsOf(state, *w);
    auto at = std::find(siblings.begin(), siblings.end(), window);
    switch (relation) {
    case GW_HWNDFIRST:
        return siblings.empty() ? nullptr : siblings.front();
    case GW_HWNDLAST:
        return siblings.empty() ? nullptr : siblings.back();
    case GW_HWNDNEXT:
        return (at == siblings.end() || std::next(at) == siblings.end()) ? nullptr : *std::next(at);
    case GW_HWNDPREV:
        return (at == siblings.begin() || at == siblings.end()) ? nullptr : *std::prev(at);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HWND GetTopWindow(HWND window)
{
    State& state = GetState();
    if (window == nullptr || IsDesktop(window)) return state.topLevel.empty() ? nullptr : state.topLevel.front();
    return GetWindow(window, GW_CHILD);
}

HWND GetDesktopWindow()
{
    GetState();
    return reinterpret_cast<HWND>(kDesktopHandle);
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param)
{
    std::vector<HWND> tree;
    if (parent == nullptr || IsDesktop(parent)) {
        for (HWND top : GetState().topLevel) CollectTree(top, tree);
    } else {
        if (Find(parent) == nullptr) return FALSE;
        CollectTree(parent, tree);
        tree.erase(tree.begin());
    }
    for (HWND child : tree) {
        if (Peek(child) && !proc(child, param)) return FALSE;
    }
    return TRUE;
}

// ---- Fields ------------------------------------------------------------------

LONG_PTR GetWindowLongPtrW(HWND window, int index)
{
    Window* w = Find(window);
    if (w == nullptr) return 0;
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWLP_ID:
        return w->id;
    case GWL_STYLE:
        return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
    case GWLP_USERDATA:
        return w->userData;
    default:
        break;
    }
    if (ExtraSlot(*w, index, sizeof(LONG_PTR))) {
        LONG_PTR value = 0;
        std::memcpy(&value, w->extra.data() + index, sizeof value);
        return value;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value)
{
    Window* w = Find(window);
    if (w == nullptr) return 0;
    LONG_PTR previous = 0;
    switch (index) {
    case GWLP_WNDPROC:
        previous = reinterpret_cast<LONG_PTR>(w->proc);
        if (value == 0) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        w->proc = reinterpret_cast<WNDPROC>(value);
        return previous;
    case GWLP_HINSTANCE:
        previous = reinterpret_cast<LONG_PTR>(w->instance);
        w->instance = reinterpret_cast<HINSTANCE>(value);
        return previous;
    case GWLP_HWNDPARENT:
        previous = reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
        if (w->parent == nullptr) w->owner = reinterpret_cast<HWND>(value);
        return previous;
    case GWLP_ID:
        previous = w->id;
        w->id = value;
        return previous;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
        DWORD& slot = index == GWL_STYLE ? w->style : w->exStyle;
        previous = static_cast<LONG_PTR>(static_cast<LONG>(slot));
        const DWORD newValue = static_cast<DWORD>(value);
        const DWORD oldValue = slot;
        slot = newValue;
        if (index == GWL_STYLE && (oldValue & WS_VISIBLE) != (newValue & WS_VISIBLE)) {
            // Flipping WS_VISIBLE directly repaints like ShowWindow without messages.
            if (w->parent != nullptr) InvalidateRect(w->parent, &w->rect, TRUE);
        }
        return previous;
    }
    case GWLP_USERDATA:
        previous = w->userData;
        w->userData = value;
        return previous;
    default:
        break;
    }
    if (ExtraSlot(*w, index, sizeof(LONG_PTR))) {
        std::memcpy(&previous, w->extra.data() + index, sizeof previous);
        std::memcpy(w->extra.data() + index, &value, sizeof value);
        return previous;
    }
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
}

LONG GetWindowLongW(HWND window, int index)
{
    return static_cast<LONG>(GetWindowLongPtrW(window, index));
}

LONG SetWindowLongW(HWND window, int index, LONG value)
{
    return static_cast<LONG>(SetWindowLongPtrW(window, index, value));
}

// ---- Text ----------------------------------------------------------------------

int GetWindowTextW(HWND window, LPWSTR text, int textMax)
{
    if (Find(window) == nullptr) {
        if (text != nullptr && textMax > 0) text[0] = 0;
        return 0;
    }
    if (text == nullptr || textMax <= 0) return 0;
    return static_cast<int>(
        SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(textMax), reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextLengthW(HWND window)
{
    if (Find(window) == nullptr) return 0;
    return static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowTextW(HWND window, LPCWSTR text)
{
    if (Find(window) == nullptr) return FALSE;
    return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0 ? TRUE : FALSE;
}

// ---- Geometry --------------------------------------------------------------------

BOOL GetWindowRect(HWND window, LPRECT rect)
{
    Window* w = Find(window);
    if (w == nullptr || rect == nullptr) return FALSE;
    const POINT origin = ClientOrigin(*w);
    *rect = {origin.x, origin.y, origin.x + (w->rect.right - w->rect.left), origin.y + (w->rect.bottom - w->rect.top)};
    return TRUE;
}

BOOL GetClientRect(HWND window, LPRECT rect)
{
    Window* w = Find(window);
    if (w == nullptr || rect == nullptr) return FALSE;
    *rect = {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return TRUE;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags)
{
    State& state = GetState();
    Window* w = Find(window);
    if (w == nullptr) return FALSE;
    const RECT old = w->rect;
    RECT rect = old;
    if ((flags & SWP_NOMOVE) == 0) {
        rect.right += x - rect.left;
        rect.bottom += y - rect.top;
        rect.left = x;
        rect.top = y;
    }
    if ((flags & SWP_NOSIZE) == 0) {
        rect.right = rect.left + std::max(0, width);
        rect.bottom = rect.top + std::max(0, height);
    }
    WINDOWPOS pos{window, insertAfter, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, flags};
    SendMessageW(window, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
    w = Peek(window);
    if (w == nullptr) return FALSE;
    if ((flags & SWP_NOZORDER) == 0 && insertAfter != window) {
        std::vector<HWND>& siblings = SiblingsOf(state, *w);
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
        if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
            siblings.insert(siblings.begin(), window);
        } else if (insertAfter == HWND_BOTTOM) {
            siblings.push_back(window);
        } else {
            auto at = std::find(siblings.begin(), siblings.end(), insertAfter);
            siblings.insert(at == siblings.end() ? siblings.end() : std::next(at), window);
        }
    }
    w->rect = rect;
    const bool moved = old.left != rect.left || old.top != rect.top;
    const bool sized = old.right - old.left != rect.right - rect.left || old.bottom - old.top != rect.bottom - rect.top;
    if (sized && w->parent == nullptr) SurfaceChanged(window);
    if ((flags & SWP_NOREDRAW) == 0 && (moved || sized) && (w->style & WS_VISIBLE) != 0) {
        if (w->parent != nullptr) {
            InvalidateRect(w->parent, &old, TRUE);
        }
        InvalidateRect(window, nullptr, TRUE);
    }
    SendMessageW(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    if (Peek(window) && moved) {
        SendMessageW(window, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(rect.left), static_cast<WORD>(rect.top)));
    }
    if (Peek(window) && sized) {
        SendMessageW(window, WM_SIZE, SIZE_RESTORED,
                     MAKELPARAM(static_cast<WORD>(rect.right - rect.left), static_cast<WORD>(rect.bottom - rect.top)));
    }
    if (Peek(window) && (flags & SWP_SHOWWINDOW) != 0)
        ShowWindow(window, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (Peek(window) && (flags & SWP_HIDEWINDOW) != 0) ShowWindow(window, SW_HIDE);
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint)
{
    return SetWindowPos(window, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : SWP_NOREDRAW));
}

BOOL ClientToScreen(HWND window, LPPOINT point)
{
    Window* w = Find(window);
    if (w == nullptr || point == nullptr) return FALSE;
    const POINT origin = ClientOrigin(*w);
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

BOOL ScreenToClient(HWND window, LPPOINT point)
{
    Window* w = Find(window);
    if (w == nullptr || point == nullptr) return FALSE;
    const POINT origin = ClientOrigin(*w);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count)
{
    POINT fromOrigin{}, toOrigin{};
    if (from != nullptr && !IsDesktop(from)) {
        Window* w = Find(from);
        if (w == nullptr) return 0;
        fromOrigin = ClientOrigin(*w);
    }
    if (to != nullptr && !IsDesktop(to)) {
        Window* w = Find(to);
        if (w == nullptr) return 0;
        toOrigin = ClientOrigin(*w);
    }
    const LONG dx = fromOrigin.x - toOrigin.x;
    const LONG dy = fromOrigin.y - toOrigin.y;
    for (UINT i = 0; points != nullptr && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

namespace {

// The deepest visible child of window under the point (screen coordinates),
// skipping disabled ones when asked.
HWND DeepestAt(HWND window, POINT point, bool skipDisabled)
{
    Window* w = Peek(window);
    if (w == nullptr) return nullptr;
    const POINT origin = ClientOrigin(*w);
    const POINT local{point.x - origin.x, point.y - origin.y};
    for (HWND child : w->children) {
        Window* c = Peek(child);
        if (c == nullptr || (c->style & WS_VISIBLE) == 0) continue;
        if (skipDisabled && (c->style & WS_DISABLED) != 0) continue;
        if (Contains(c->rect, local)) return DeepestAt(child, point, skipDisabled);
    }
    return window;
}

}  // namespace

HWND WindowFromPoint(POINT point)
{
    for (HWND top : GetState().topLevel) {
        Window* w = Peek(top);
        if (w == nullptr || (w->style & WS_VISIBLE) == 0) continue;
        if (Contains(w->rect, point)) return DeepestAt(top, point, false);
    }
    return nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT point)
{
    Window* w = Find(parent);
    if (w == nullptr) return nullptr;
    const RECT client{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    if (!Contains(client, point)) return nullptr;
    for (HWND child : w->children) {
        Window* c = Peek(child);
        if (c != nullptr && Contains(c->rect, point)) return child;
    }
    return parent;
}
