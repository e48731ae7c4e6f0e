// Message boxes: no window of their own; the test driver answers them. Like
// a real one, a box first lets the posted messages of the thread through.
#include "platform/clipboard.h"

#include "platform/clipboard_host.h"
#include "windows_state.h"

namespace vexl::windows {

std::u16string ClipboardUnicodeText()
{
    return ClipboardText();
}

void SetClipboardUnicodeText(const std::u16string& text)
{
    SetClipboardText(text);
}

}  // namespace vexl::windows

using namespace vexl::windows;

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    State& state = GetState();
    if (owner != nullptr && Find(owner) == nullptr) owner = nullptr;
    const std::u16string body = text != nullptr ? text : u"";
    const std::u16string title = caption != nullptr ? caption : u"Error";
    if (state.failed) return 0;
    if (!state.handler.messageBox) {
        std::string printable;
        for (char16_t c : body) printable += c < 0x80 ? static_cast<char>(c) : '?';
        ReportFailure("message box with nothing to answer it: " + printable);
        return 0;
    }
    return state.handler.messageBox(owner, body, title, type);
}
