// The window system's state: classes, windows, the thread's queue, timers,
// focus, capture and the input the test driver feeds in. One thread uses it.
#pragma once

#include "platform/windows.h"
#include "platform/windows_host.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vexl::windows {

struct WindowClass {
    std::u16string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int classExtra = 0;
    int windowExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    bool system = false;  // a standard class, kept by ResetWindows
    std::vector<BYTE> extra;
};

// What a class keeps per window beyond the common fields.
struct ControlState {
    virtual ~ControlState() = default;
};

// A dialog's own state beside its DWLP_* slots.
struct DialogState {
    int templateId = 0;
    bool modal = false;
    bool ended = false;
    INT_PTR result = 0;
    HWND savedFocus = nullptr;
    int defaultId = 0;  // 0: the BS_DEFPUSHBUTTON child decides
    HFONT font = nullptr;
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> windowClass;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;
    std::u16string text;
    HWND parent = nullptr;       // children only
    HWND owner = nullptr;        // top-level windows only
    std::vector<HWND> children;  // z-order, first on top
    RECT rect{};                 // in the parent's client coordinates, or screen coordinates
    HINSTANCE instance = nullptr;
    HFONT font = nullptr;
    LONG_PTR userData = 0;
    std::vector<BYTE> extra;  // cbWndExtra bytes (the DWLP_* slots of dialogs)
    bool destroying = false;
    bool redraw = true;  // WM_SETREDRAW
    // The update region: a union rectangle in client coordinates.
    RECT update{};
    bool erase = false;
    std::unique_ptr<ControlState> control;
    std::unique_ptr<DialogState> dialog;
};

// One event of the user: a mouse or key event the queue turns into a
// message when it is reached.
struct InputEvent {
    enum class Kind { Mouse, Key };
    Kind kind = Kind::Mouse;
    UINT message = 0;  // WM_MOUSEMOVE, WM_LBUTTONDOWN, ..., WM_KEYDOWN, WM_KEYUP
    POINT point{};     // screen point of mouse events
    int virtualKey = 0;
    WCHAR character = 0;  // the character TranslateMessage makes of a key-down
    WPARAM keyFlags = 0;  // MK_* of a mouse event
    bool converted = false;
    MSG msg{};
    bool dropped = false;  // no window takes it
};

struct Timer {
    HWND window = nullptr;
    UINT_PTR id = 0;
    UINT interval = 0;
    DWORD due = 0;
    TIMERPROC proc = nullptr;
};

// How a message loop waits when nothing is pending.
enum class WaitKind { ModalLoop, GetMessage, Peek };

// The test driver's side: called when a loop would block. Answers whether
// something happened (a script step ran or the clock moved); false ends the
// waiting loop.
struct WaitHandler {
    std::function<bool(WaitKind, HWND modalWindow)> wait;
    std::function<void(HWND dialog, int templateId)> dialogCreated;
    std::function<int(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type)> messageBox;
    std::function<void(const std::string& message)> fail;
};

struct ModalLoop {
    HWND window = nullptr;
    std::function<bool()> done;
};

struct State {
    std::map<std::u16string, std::shared_ptr<WindowClass>> classes;  // by upper-case name
    ATOM nextAtom = 0xC000;
    std::map<ULONG_PTR, std::unique_ptr<Window>> windows;  // by handle, in creation order
    ULONG_PTR nextHandle = 0x10010;
    std::vector<HWND> topLevel;  // z-order, first on top
    std::deque<MSG> posted;
    bool quit = false;
    int quitCode = 0;
    std::deque<InputEvent> input;
    std::vector<Timer> timers;
    UINT_PTR nextTimerId = 1;
    HWND focus = nullptr;
    HWND focusRequest = nullptr;  // the window SetFocus is activating for
    HWND active = nullptr;
    HWND capture = nullptr;
    BYTE keyState[256] = {};       // as the messages retrieved so far leave it
    BYTE asyncKeyState[256] = {};  // as the user's input leaves it
    POINT cursorPos{};
    HCURSOR cursor = nullptr;
    DWORD messageTime = 0;
    POINT messagePos{};
    // The last button-down, for double clicks.
    HWND lastClickWindow = nullptr;
    UINT lastClickMessage = 0;
    DWORD lastClickTime = 0;
    POINT lastClickPoint{};
    bool haveLastClick = false;
    // The key-down retrieved last and its character, for TranslateMessage.
    MSG lastKeyDown{};
    WCHAR lastKeyChar = 0;
    // The window of the WM_PAINT retrieved last, made by the queue.
    HWND synthesizedPaint = nullptr;
    std::map<std::pair<HINSTANCE, ULONG_PTR>, HCURSOR> cursors;
    std::u16string clipboardText;
    ULONG_PTR nextCursor = 0x30000;
    std::uint64_t deadHandleCalls = 0;
    std::vector<ModalLoop> modalLoops;
    WaitHandler handler;
    bool failed = false;  // a loop found nothing to do with nothing scripted
};

State& GetState();

// The window of a handle, or null. Find counts an unknown non-null handle
// as a dead-handle call and sets ERROR_INVALID_WINDOW_HANDLE; Peek does not.
Window* Find(HWND window);
Window* Peek(HWND window);

// Geometry helpers.
POINT ClientOrigin(const Window& window);  // screen position of the client area
bool IsEmpty(const RECT& rect);
RECT Intersect(const RECT& a, const RECT& b);
RECT Union(const RECT& a, const RECT& b);
bool Contains(const RECT& rect, POINT point);
std::u16string Upper(std::u16string_view text);

// WM_PAINT of a control: validates the window and paints what is due, unless
// the window has redrawing turned off.
template <typename PaintFn> LRESULT PaintWith(HWND window, PaintFn paint)
{
    PAINTSTRUCT ps{};
    HDC dc = BeginPaint(window, &ps);
    if (!IsEmpty(ps.rcPaint) && Peek(window)->redraw) paint(dc);
    EndPaint(window, &ps);
    return 0;
}

// The top-level window of a window (itself for a top-level window).
HWND RootOf(HWND window);
// True when window is ancestor or a descendant of it.
bool IsSelfOrDescendant(HWND ancestor, HWND window);

// The clipboard's text as the EDIT class pastes and copies it.
std::u16string ClipboardUnicodeText();
void SetClipboardUnicodeText(const std::u16string& text);

// The group of a dialog control: the siblings from the WS_GROUP control at
// or before it up to the next WS_GROUP control.
std::vector<HWND> GroupOf(HWND control);

// Notifications to the parent.
LRESULT NotifyParent(HWND control, WORD code);

// Registers the standard classes (first use), the common controls among them.
void RegisterSystemClasses();
void RegisterCommonControlClasses();

// Message loops.
// A modal loop for the window (a dialog, a property sheet, a menu): takes
// messages, the window's dialog keys included, until done answers true,
// asking the test driver when nothing is pending. False when it ended
// without done: nothing was scripted, or WM_QUIT came (posted again).
bool RunModalLoop(HWND window, const std::function<bool()>& done);
// True while SetFocus activates the top-level window of a window inside
// this one: activation then leaves the focus to SetFocus.
bool FocusRequestedWithin(HWND window);
bool RetrieveMessage(MSG* msg, HWND filter, UINT filterMin, UINT filterMax, UINT flags);
bool WaitForWork(WaitKind kind, HWND modalWindow);
// Dispatches what is pending (posted, input, paints, due timers) without
// waiting; stops early when stop answers true.
void PumpPending(const std::function<bool()>& stop);
// The dialog a message of the thread's loop goes through (the root of its
// window when that is a dialog), or null.
HWND DialogOfMessage(const MSG& msg);
std::u16string DescribeOpenWindows();
void ReportFailure(const std::string& message);

// Drawing for the window system, through the GDI: a DC for the window's
// area of its top-level surface, clipped to clip (client coordinates) when
// given; fills, text and the default control colours.
HDC AcquireWindowDC(HWND window, const RECT* clip);
void ReleaseWindowDC(HWND window, HDC dc);
void FillWindowRect(HDC dc, const RECT& rect, HBRUSH brush);
void FillWindowRectColor(HDC dc, const RECT& rect, int sysColor);
void FrameWindowRect(HDC dc, const RECT& rect, int sysColor);
void DrawWindowText(HDC dc, HWND window, const std::u16string& text, RECT rect, UINT format, int sysColor);
void DrawFocus(HDC dc, const RECT& rect);
// The bitmap at its own size with its top-left corner at the point.
void DrawBitmap(HDC dc, HBITMAP bitmap, POINT at);
HBRUSH DefaultControlColor(UINT message, HDC dc);
// The parent's answer to WM_CTLCOLOR* for a control, sent with the DC.
HBRUSH ControlColor(HWND control, UINT message, HDC dc);
// Surfaces follow their top-level window's size.
void SurfaceChanged(HWND window);
void SurfaceDestroyed(HWND window);
// The surface of the window's top-level window (made on first use).
HBITMAP WindowSurface(HWND window);
// The font of a dialog template (DS_SETFONT); the dialog deletes it.
HFONT CreateDialogFont(const DialogTemplate& dialogTemplate);
void DeleteDialogFont(HFONT font);

// The standard class procedures.
LRESULT StaticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ButtonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT EditProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ListBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ComboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT ScrollBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT DropListProc(HWND, UINT, WPARAM, LPARAM);

// A key's character without a keyboard layout (0 for none).
WCHAR CharacterOfKey(int virtualKey, bool shift);

// The user's choice of a list or combo row (LBN_SELCHANGE, CBN_SELCHANGE).
void SelectRowAsUser(HWND window, int row);
void ForgetFrameBars(HWND window);

template <typename T> T* ControlOf(HWND window)
{
    Window* w = Peek(window);
    return w ? dynamic_cast<T*>(w->control.get()) : nullptr;
}

}  // namespace vexl::windows
