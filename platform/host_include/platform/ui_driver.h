// The test driver: plays the user of the window system. It feeds mouse and
// key input through the queue (hit tests, WM_SETCURSOR, focus, subclass
// chains and dialog keys apply as for a real user), answers message boxes
// and runs the scripts of dialogs when their modal loop waits, moves the
// machine's clock, pumps until idle and reads back window state.
//
// A loop that waits with nothing scripted (and no timer to move the clock
// to, when auto-advance is on) fails with the list of open windows instead
// of hanging; every open loop then ends.
#pragma once

#include "platform/gdi_surface.h"
#include "platform/windows.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

VEXL_HOST_FACE_BEGIN
namespace vexl::windows {

struct MessageBoxRecord {
    HWND owner = nullptr;
    std::u16string text;
    std::u16string caption;
    UINT style = 0;
    int answer = 0;
};

struct TimerRecord {
    HWND window = nullptr;
    UINT_PTR id = 0;
    UINT interval = 0;
    DWORD due = 0;
};

class UiDriver {
public:
    // Starts from no windows, an empty queue and a fixed tick count, and
    // installs the driver; the destructor forgets the windows left without
    // sending them anything.
    UiDriver();
    ~UiDriver();
    UiDriver(const UiDriver&) = delete;
    UiDriver& operator=(const UiDriver&) = delete;

    // ---- Scripts ----
    using DialogScript = std::function<void(HWND dialog)>;
    // Runs the script the first time the modal loop of the next dialog made
    // from that template (or with that caption) waits.
    void onDialog(int templateId, DialogScript script);
    void onDialogCaption(std::u16string caption, DialogScript script);
    // The next message box whose text contains match (empty: any) answers.
    void onMessageBox(std::u16string match, int answer);
    // A step for the next time any loop waits with no dialog script due.
    void onIdle(std::function<void()> step);
    // Unscripted message boxes answer their default button instead of failing.
    void answerMessageBoxesByDefault(bool on);
    // Whether a message box first dispatches what is pending (default on).
    void pumpBeforeMessageBox(bool on);
    // A waiting loop with nothing scripted moves the clock to the next timer.
    void setAutoAdvance(bool on);
    // Called with the message of a failure (default: print it and abort).
    void setFailureHandler(std::function<void(const std::string&)> handler);

    // ---- Input ----
    // A left click at a client point of the window (its centre by default).
    void click(HWND window);
    void click(HWND window, int x, int y);
    void doubleClick(HWND window, int x, int y);
    void rightClick(HWND window, int x, int y);
    void mouseMove(POINT screen);
    void mouseButton(POINT screen, bool down);
    void key(int virtualKey, bool down);
    // Focuses the window, then each character as a key press (WM_KEYDOWN,
    // WM_CHAR through TranslateMessage, WM_KEYUP).
    void type(HWND window, std::u16string_view text);
    void setClipboardText(std::u16string text);
    // Puts the text on the clipboard and sends WM_PASTE to the window.
    void paste(HWND window, std::u16string text);
    void setFocus(HWND window);
    // Selects a list or combo row as the user does (LBN_SELCHANGE, CBN_SELCHANGE).
    void selectRow(HWND window, int row);
    // The scroll bar's WM_VSCROLL or WM_HSCROLL to its parent.
    void scroll(HWND bar, WORD code, int pos);
    // Clicks the dialog's button of that id; fails when there is none to click.
    void pressButton(HWND dialog, int id);

    // ---- Time and the queue ----
    void advance(DWORD milliseconds);
    // Dispatches posted messages, input, paints and due timers until none is
    // left (or the innermost modal loop ended).
    void pumpUntilIdle();

    // ---- Read-back ----
    HWND ctl(HWND dialog, int id) const;
    std::u16string text(HWND window) const;
    bool visible(HWND window) const;
    bool enabled(HWND window) const;
    int checked(HWND window) const;
    int cursel(HWND window) const;
    ULONG_PTR curselData(HWND window) const;
    std::vector<std::u16string> rowTexts(HWND window) const;
    std::vector<ULONG_PTR> rowData(HWND window) const;
    RECT rect(HWND window) const;  // screen coordinates
    std::vector<HWND> children(HWND window) const;
    // The visible top-level windows, topmost first.
    std::vector<HWND> topWindows() const;
    // The open dialog made from that template, or null.
    HWND dialog(int templateId) const;
    std::u16string openWindows() const;
    const std::vector<MessageBoxRecord>& messageBoxLog() const { return messageBoxes_; }
    std::vector<TimerRecord> timers() const;
    HCURSOR cursor() const;
    HWND focus() const;
    std::uint64_t deadHandleCalls() const;
    // What the window shows at a client point, as its top-level window's
    // surface holds it after the last paint.
    COLORREF pixel(HWND window, int x, int y) const;
    // The text the window drew, in order.
    std::vector<vexl::gdi::TextOp> textOps(HWND window) const;
    // GDI objects not deleted and DCs not released or deleted.
    std::size_t gdiLeaks() const;
    // The window's top-level window as a PNG picture.
    bool writePng(HWND window, const std::filesystem::path& file) const;
    const std::vector<std::string>& failures() const { return failures_; }

private:
    struct DialogWaiter {
        int templateId = 0;
        std::u16string caption;
        DialogScript script;
    };
    struct MessageBoxAnswer {
        std::u16string match;
        int answer = 0;
    };
    struct PendingScript {
        HWND dialog = nullptr;
        DialogScript script;
    };

    bool wait(int kind, HWND modalWindow);
    void dialogCreated(HWND dialog, int templateId);
    int messageBox(HWND owner, const std::u16string& text, const std::u16string& caption, UINT type);
    void fail(const std::string& message);
    bool runPendingScript(HWND dialog);
    bool advanceToNextTimer();
    void queueMouse(UINT message, POINT screen);

    std::vector<DialogWaiter> dialogWaiters_;
    std::vector<PendingScript> pendingScripts_;
    std::vector<MessageBoxAnswer> messageBoxAnswers_;
    std::vector<std::function<void()>> idleSteps_;
    std::vector<MessageBoxRecord> messageBoxes_;
    std::vector<std::string> failures_;
    std::function<void(const std::string&)> failureHandler_;
    bool answerByDefault_ = false;
    bool pumpBeforeMessageBox_ = true;
    bool autoAdvance_ = false;
    int fruitlessPeeks_ = 0;
};

}  // namespace vexl::windows
VEXL_HOST_FACE_END
