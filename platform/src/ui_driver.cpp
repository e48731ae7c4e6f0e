// The test driver: the user's input through the queue, scripts for dialogs
// and message boxes, the clock, and read-back of window state.
#include "platform/ui_driver.h"

#include "platform/kernel.h"
#include "platform/machine.h"

#include "platform/windows_host.h"
#include "windows_state.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace vexl::windows {

namespace {

constexpr DWORD kStartTicks = 1'000'000;
// Polls of a loop that finds nothing to do before it counts as stuck.
constexpr int kFruitlessPeekLimit = 10000;
constexpr int kPacketKey = 0xE7;

std::string Narrow(const std::u16string& text)
{
    std::string out;
    for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

bool InnermostLoopEnded()
{
    State& state = GetState();
    if (state.modalLoops.empty()) return false;
    const ModalLoop& loop = state.modalLoops.back();
    return loop.done ? loop.done() : Peek(loop.window) == nullptr;
}

WPARAM ModifierFlags()
{
    const State& state = GetState();
    WPARAM flags = 0;
    if ((state.asyncKeyState[VK_SHIFT] & 0x80) != 0) flags |= MK_SHIFT;
    if ((state.asyncKeyState[VK_CONTROL] & 0x80) != 0) flags |= MK_CONTROL;
    if ((state.asyncKeyState[VK_LBUTTON] & 0x80) != 0) flags |= MK_LBUTTON;
    if ((state.asyncKeyState[VK_RBUTTON] & 0x80) != 0) flags |= MK_RBUTTON;
    if ((state.asyncKeyState[VK_MBUTTON] & 0x80) != 0) flags |= MK_MBUTTON;
    return flags;
}

void SetAsync(int virtualKey, bool down)
{
    BYTE& value = GetState().asyncKeyState[virtualKey & 0xFF];
    value = static_cast<BYTE>(down ? (value | 0x80) : (value & ~0x80));
}

// The key that types the character, or the packet key for characters no
// key has.
int KeyOf(WCHAR c)
{
    if (c >= u'a' && c <= u'z') return c - u'a' + 'A';
    if ((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')) return c;
    switch (c) {
    case u' ':
        return VK_SPACE;
    case 0x08:
        return VK_BACK;
    case u'\t':
        return VK_TAB;
    case u'\r':
        return VK_RETURN;
    case 0x1B:
        return VK_ESCAPE;
    default:
        return kPacketKey;
    }
}

int DefaultAnswer(UINT type)
{
    static const std::vector<int> kButtons[] = {
        {IDOK},        {IDOK, IDCANCEL},    {IDABORT, IDRETRY, IDIGNORE},       {IDYES, IDNO, IDCANCEL},
        {IDYES, IDNO}, {IDRETRY, IDCANCEL}, {IDCANCEL, IDTRYAGAIN, IDCONTINUE},
    };
    const UINT kind = type & MB_TYPEMASK;
    const std::vector<int>& buttons = kind < 7 ? kButtons[kind] : kButtons[0];
    const std::size_t index = std::min<std::size_t>((type & MB_DEFMASK) >> 8, buttons.size() - 1);
    return buttons[index];
}

}  // namespace

UiDriver::UiDriver()
{
    ResetWindows();
    vexl::machine::SetTickCount(kStartTicks);
    State& state = GetState();
    state.handler.wait = [this](WaitKind kind, HWND modal) { return wait(static_cast<int>(kind), modal); };
    state.handler.dialogCreated = [this](HWND dialog, int templateId) { dialogCreated(dialog, templateId); };
    state.handler.messageBox = [this](HWND owner, const std::u16string& text, const std::u16string& caption,
                                      UINT type) { return messageBox(owner, text, caption, type); };
    state.handler.fail = [this](const std::string& message) { fail(message); };
}

UiDriver::~UiDriver()
{
    ResetWindows();
}

// ---- Scripts ----------------------------------------------------------------------

void UiDriver::onDialog(int templateId, DialogScript script)
{
    dialogWaiters_.push_back({templateId, {}, std::move(script)});
}

void UiDriver::onDialogCaption(std::u16string caption, DialogScript script)
{
    dialogWaiters_.push_back({0, std::move(caption), std::move(script)});
}

void UiDriver::onMessageBox(std::u16string match, int answer)
{
    messageBoxAnswers_.push_back({std::move(match), answer});
}

void UiDriver::onIdle(std::function<void()> step)
{
    idleSteps_.push_back(std::move(step));
}

void UiDriver::answerMessageBoxesByDefault(bool on)
{
    answerByDefault_ = on;
}

void UiDriver::pumpBeforeMessageBox(bool on)
{
    pumpBeforeMessageBox_ = on;
}

void UiDriver::setAutoAdvance(bool on)
{
    autoAdvance_ = on;
}

void UiDriver::setFailureHandler(std::function<void(const std::string&)> handler)
{
    failureHandler_ = std::move(handler);
}

void UiDriver::dialogCreated(HWND dialog, int templateId)
{
    Window* w = Peek(dialog);
    if (w == nullptr) return;
    for (auto it = dialogWaiters_.begin(); it != dialogWaiters_.end(); ++it) {
        const bool matches =
            it->caption.empty() ? (templateId != 0 && it->templateId == templateId) : it->caption == w->text;
        if (!matches) continue;
        pendingScripts_.push_back({dialog, std::move(it->script)});
        dialogWaiters_.erase(it);
        return;
    }
}

bool UiDriver::runPendingScript(HWND dialog)
{
    for (auto it = pendingScripts_.begin(); it != pendingScripts_.end(); ++it) {
        if (it->dialog != dialog) continue;
        DialogScript script = std::move(it->script);
        pendingScripts_.erase(it);
        script(dialog);
        return true;
    }
    return false;
}

bool UiDriver::advanceToNextTimer()
{
    const State& state = GetState();
    if (state.timers.empty()) return false;
    const DWORD now = GetTickCount();
    DWORD wait = 0xFFFFFFFF;
    for (const Timer& timer : state.timers) {
        const auto left = static_cast<std::int32_t>(timer.due - now);
        wait = std::min<DWORD>(wait, left > 0 ? static_cast<DWORD>(left) : 0);
    }
    vexl::machine::AdvanceTickCount(wait);
    return true;
}

bool UiDriver::wait(int kind, HWND modalWindow)
{
    State& state = GetState();
    if (state.failed) return false;
    const auto waitKind = static_cast<WaitKind>(kind);
    if (modalWindow != nullptr && runPendingScript(modalWindow)) {
        fruitlessPeeks_ = 0;
        return true;
    }
    // A modeless dialog's script runs when any loop other than a poll waits.
    if (waitKind != WaitKind::Peek) {
        for (const PendingScript& pending : pendingScripts_) {
            Window* w = Peek(pending.dialog);
            if (w != nullptr && (w->dialog == nullptr || !w->dialog->modal)) {
                fruitlessPeeks_ = 0;
                return runPendingScript(pending.dialog);
            }
        }
    }
    if (!idleSteps_.empty()) {
        auto step = std::move(idleSteps_.front());
        idleSteps_.erase(idleSteps_.begin());
        fruitlessPeeks_ = 0;
        step();
        return true;
    }
    if (autoAdvance_ && advanceToNextTimer()) {
        fruitlessPeeks_ = 0;
        return true;
    }
    if (waitKind == WaitKind::Peek) {
        if (++fruitlessPeeks_ < kFruitlessPeekLimit) return false;
        fail("UI idle in a polling loop: " + Narrow(DescribeOpenWindows()));
        return false;
    }
    fail("UI idle with a modal loop open: " + Narrow(DescribeOpenWindows()));
    return false;
}

void UiDriver::fail(const std::string& message)
{
    State& state = GetState();
    state.failed = true;
    failures_.push_back(message);
    // Loops that poll the buttons end too.
    std::fill(std::begin(state.asyncKeyState), std::end(state.asyncKeyState), BYTE(0));
    if (failureHandler_) {
        failureHandler_(message);
        return;
    }
    std::fprintf(stderr, "%s\n", message.c_str());
    std::abort();
}

int UiDriver::messageBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type)
{
    if (pumpBeforeMessageBox_) PumpPending([] { return GetState().failed; });
    MessageBoxRecord record{owner, text, caption, type, 0};
    auto answer = std::find_if(messageBoxAnswers_.begin(), messageBoxAnswers_.end(), [&](const MessageBoxAnswer& a) {
        return a.match.empty() || text.find(a.match) != std::u16string::npos;
    });
    if (answer != messageBoxAnswers_.end()) {
        record.answer = answer->answer;
        messageBoxAnswers_.erase(answer);
    } else if (answerByDefault_) {
        record.answer = DefaultAnswer(type);
    } else {
        messageBoxes_.push_back(record);
        fail("message box nobody answers: \"" + Narrow(caption) + "\": " + Narrow(text));
        return 0;
    }
    messageBoxes_.push_back(record);
    return record.answer;
}

// ---- Input -------------------------------------------------------------------

void UiDriver::queueMouse(UINT message, POINT screen)
{
    State& state = GetState();
    switch (message) {
    case WM_LBUTTONDOWN:
        SetAsync(VK_LBUTTON, true);
        break;
    case WM_LBUTTONUP:
        SetAsync(VK_LBUTTON, false);
        break;
    case WM_RBUTTONDOWN:
        SetAsync(VK_RBUTTON, true);
        break;
    case WM_RBUTTONUP:
        SetAsync(VK_RBUTTON, false);
        break;
    default:
        break;
    }
    InputEvent event;
    event.kind = InputEvent::Kind::Mouse;
    event.message = message;
    event.point = screen;
    event.keyFlags = ModifierFlags();
    state.input.push_back(event);
}

void UiDriver::click(HWND window)
{
    RECT client{};
    if (Peek(window) != nullptr) GetClientRect(window, &client);
    click(window, client.right / 2, client.bottom / 2);
}

void UiDriver::click(HWND window, int x, int y)
{
    if (Peek(window) == nullptr) {
        fail("click on a window that is gone");
        return;
    }
    POINT point{x, y};
    ClientToScreen(window, &point);
    queueMouse(WM_MOUSEMOVE, point);
    queueMouse(WM_LBUTTONDOWN, point);
    queueMouse(WM_LBUTTONUP, point);
    pumpUntilIdle();
}

void UiDriver::doubleClick(HWND window, int x, int y)
{
    if (Peek(window) == nullptr) {
        fail("double click on a window that is gone");
        return;
    }
    POINT point{x, y};
    ClientToScreen(window, &point);
    queueMouse(WM_MOUSEMOVE, point);
    for (int i = 0; i < 2; ++i) {
        queueMouse(WM_LBUTTONDOWN, point);
        queueMouse(WM_LBUTTONUP, point);
    }
    pumpUntilIdle();
}

void UiDriver::rightClick(HWND window, int x, int y)
{
    if (Peek(window) == nullptr) {
        fail("right click on a window that is gone");
        return;
    }
    POINT point{x, y};
    ClientToScreen(window, &point);
    queueMouse(WM_MOUSEMOVE, point);
    queueMouse(WM_RBUTTONDOWN, point);
    queueMouse(WM_RBUTTONUP, point);
    pumpUntilIdle();
}

void UiDriver::mouseMove(POINT screen)
{
    queueMouse(WM_MOUSEMOVE, screen);
    pumpUntilIdle();
}

void UiDriver::mouseButton(POINT screen, bool down)
{
    queueMouse(down ? WM_LBUTTONDOWN : WM_LBUTTONUP, screen);
    pumpUntilIdle();
}

void UiDriver::key(int virtualKey, bool down)
{
    State& state = GetState();
    SetAsync(virtualKey, down);
    InputEvent event;
    event.kind = InputEvent::Kind::Key;
    event.message = down ? WM_KEYDOWN : WM_KEYUP;
    event.virtualKey = virtualKey;
    if (down) event.character = CharacterOfKey(virtualKey, (state.asyncKeyState[VK_SHIFT] & 0x80) != 0);
    state.input.push_back(event);
    pumpUntilIdle();
}

void UiDriver::type(HWND window, std::u16string_view text)
{
    if (Peek(window) == nullptr) {
        fail("typing into a window that is gone");
        return;
    }
    if (GetFocus() != window) setFocus(window);
    State& state = GetState();
    for (WCHAR c : text) {
        InputEvent down;
        down.kind = InputEvent::Kind::Key;
        down.message = WM_KEYDOWN;
        down.virtualKey = KeyOf(c);
        down.character = c;
        InputEvent up = down;
        up.message = WM_KEYUP;
        up.character = 0;
        state.input.push_back(down);
        state.input.push_back(up);
    }
    pumpUntilIdle();
}

void UiDriver::setClipboardText(std::u16string text)
{
    SetClipboardUnicodeText(text);
}

void UiDriver::paste(HWND window, std::u16string text)
{
    if (Peek(window) == nullptr) {
        fail("paste into a window that is gone");
        return;
    }
    SetClipboardUnicodeText(text);
    SendMessageW(window, WM_PASTE, 0, 0);
    pumpUntilIdle();
}

void UiDriver::setFocus(HWND window)
{
    SetFocus(window);
    pumpUntilIdle();
}

void UiDriver::selectRow(HWND window, int row)
{
    if (Peek(window) == nullptr) {
        fail("selecting a row of a window that is gone");
        return;
    }
    if (GetFocus() != window) SetFocus(window);
    SelectRowAsUser(window, row);
    pumpUntilIdle();
}

void UiDriver::scroll(HWND bar, WORD code, int pos)
{
    Window* w = Peek(bar);
    if (w == nullptr || w->parent == nullptr) {
        fail("scrolling a bar that is gone");
        return;
    }
    const UINT message = (w->style & SBS_VERT) != 0 ? WM_VSCROLL : WM_HSCROLL;
    SendMessageW(w->parent, message, MAKEWPARAM(code, static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(bar));
    pumpUntilIdle();
}

void UiDriver::pressButton(HWND dialog, int id)
{
    Window* d = Peek(dialog);
    HWND button = nullptr;
    if (d != nullptr) {
        for (HWND child : d->children) {
            if (Window* c = Peek(child); c != nullptr && static_cast<int>(c->id) == id) button = child;
        }
    }
    if (button == nullptr || !IsWindowVisible(button) || !IsWindowEnabled(button)) {
        fail("no button " + std::to_string(id) + " to press in " + Narrow(d ? d->text : u"(a closed dialog)"));
        return;
    }
    click(button);
}

void UiDriver::advance(DWORD milliseconds)
{
    vexl::machine::AdvanceTickCount(milliseconds);
    pumpUntilIdle();
}

void UiDriver::pumpUntilIdle()
{
    PumpPending([] { return GetState().failed || InnermostLoopEnded(); });
}

// ---- Read-back ------------------------------------------------------------------

HWND UiDriver::ctl(HWND dialog, int id) const
{
    Window* d = Peek(dialog);
    if (d == nullptr) return nullptr;
    for (HWND child : d->children) {
        if (Window* c = Peek(child); c != nullptr && static_cast<int>(c->id) == id) return child;
    }
    return nullptr;
}

std::u16string UiDriver::text(HWND window) const
{
    Window* w = Peek(window);
    return w != nullptr ? w->text : std::u16string();
}

bool UiDriver::visible(HWND window) const
{
    return Peek(window) != nullptr && IsWindowVisible(window);
}

bool UiDriver::enabled(HWND window) const
{
    Window* w = Peek(window);
    return w != nullptr && (w->style & WS_DISABLED) == 0;
}

int UiDriver::checked(HWND window) const
{
    return Peek(window) != nullptr ? static_cast<int>(SendMessageW(window, BM_GETCHECK, 0, 0)) : 0;
}

int UiDriver::cursel(HWND window) const
{
    Window* w = Peek(window);
    if (w == nullptr) return -1;
    const bool combo = w->windowClass->name == WC_COMBOBOX;
    return static_cast<int>(SendMessageW(window, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
}

ULONG_PTR UiDriver::curselData(HWND window) const
{
    const int row = cursel(window);
    if (row < 0) return 0;
    const bool combo = Peek(window)->windowClass->name == WC_COMBOBOX;
    return static_cast<ULONG_PTR>(SendMessageW(window, combo ? CB_GETITEMDATA : LB_GETITEMDATA, row, 0));
}

std::vector<std::u16string> UiDriver::rowTexts(HWND window) const
{
    std::vector<std::u16string> out;
    Window* w = Peek(window);
    if (w == nullptr) return out;
    const bool combo = w->windowClass->name == WC_COMBOBOX;
    const auto count = SendMessageW(window, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row) {
        const auto length = SendMessageW(window, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
        std::u16string text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 8, u'\0');
        const auto copied = SendMessageW(window, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(row),
                                         reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(std::max<LRESULT>(copied, 0)));
        out.push_back(text);
    }
    return out;
}

std::vector<ULONG_PTR> UiDriver::rowData(HWND window) const
{
    std::vector<ULONG_PTR> out;
    Window* w = Peek(window);
    if (w == nullptr) return out;
    const bool combo = w->windowClass->name == WC_COMBOBOX;
    const auto count = SendMessageW(window, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row) {
        out.push_back(static_cast<ULONG_PTR>(
            SendMessageW(window, combo ? CB_GETITEMDATA : LB_GETITEMDATA, static_cast<WPARAM>(row), 0)));
    }
    return out;
}

RECT UiDriver::rect(HWND window) const
{
    RECT out{};
    if (Peek(window) != nullptr) GetWindowRect(window, &out);
    return out;
}

std::vector<HWND> UiDriver::children(HWND window) const
{
    Window* w = Peek(window);
    return w != nullptr ? w->children : std::vector<HWND>();
}

std::vector<HWND> UiDriver::topWindows() const
{
    std::vector<HWND> out;
    for (HWND top : GetState().topLevel) {
        if (Window* w = Peek(top); w != nullptr && (w->style & WS_VISIBLE) != 0) out.push_back(top);
    }
    return out;
}

HWND UiDriver::dialog(int templateId) const
{
    for (auto& [handle, window] : GetState().windows) {
        if (window->dialog != nullptr && window->dialog->templateId == templateId && !window->dialog->ended) {
            return window->handle;
        }
    }
    return nullptr;
}

std::u16string UiDriver::openWindows() const
{
    return DescribeOpenWindows();
}

std::vector<TimerRecord> UiDriver::timers() const
{
    std::vector<TimerRecord> out;
    for (const Timer& timer : GetState().timers) out.push_back({timer.window, timer.id, timer.interval, timer.due});
    return out;
}

HCURSOR UiDriver::cursor() const
{
    return GetCursor();
}

HWND UiDriver::focus() const
{
    return GetFocus();
}

std::uint64_t UiDriver::deadHandleCalls() const
{
    return DeadHandleCalls();
}

COLORREF UiDriver::pixel(HWND window, int x, int y) const
{
    Window* w = Peek(window);
    Window* root = Peek(RootOf(window));
    if (w == nullptr || root == nullptr) return CLR_INVALID;
    const POINT origin = ClientOrigin(*w);
    const POINT rootOrigin = ClientOrigin(*root);
    return vexl::gdi::SurfacePixel(WindowSurface(window), x + origin.x - rootOrigin.x, y + origin.y - rootOrigin.y);
}

std::vector<vexl::gdi::TextOp> UiDriver::textOps(HWND window) const
{
    std::vector<vexl::gdi::TextOp> out;
    for (const vexl::gdi::TextOp& op : vexl::gdi::TextLog()) {
        if (op.window == window) out.push_back(op);
    }
    return out;
}

std::size_t UiDriver::gdiLeaks() const
{
    return vexl::gdi::LiveObjects().size() + vexl::gdi::LiveDCs().size();
}

bool UiDriver::writePng(HWND window, const std::filesystem::path& file) const
{
    if (Peek(window) == nullptr) return false;
    return vexl::gdi::WritePng(WindowSurface(window), file);
}

}  // namespace vexl::windows
