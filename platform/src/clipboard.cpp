#include "platform/clipboard.h"

#include "platform/clipboard_host.h"
#include "platform/kernel.h"
#include "platform/text.h"

#include <cstring>
#include <map>

namespace vexl::windows {
namespace {

struct Clipboard {
    bool open = false;
    HWND owner = nullptr;
    bool heldElsewhere = false;
    std::map<UINT, HANDLE> formats;  // memory from GlobalAlloc, owned here
    std::vector<WinHelpCall> helpLog;
    std::vector<UINT> beepLog;
};

// Never destroyed: what it holds stays reachable until the process ends.
Clipboard& State()
{
    static Clipboard& clipboard = *new Clipboard;
    return clipboard;
}

void FreeFormat(Clipboard& clipboard, UINT format)
{
    const auto found = clipboard.formats.find(format);
    if (found == clipboard.formats.end()) return;
    GlobalFree(found->second);
    clipboard.formats.erase(found);
}

void FreeAll(Clipboard& clipboard)
{
    for (const auto& [format, memory] : clipboard.formats) GlobalFree(memory);
    clipboard.formats.clear();
}

// The ANSI text of the Unicode text, terminated, in memory of its own.
HANDLE AnsiFromUnicode(HANDLE unicode)
{
    const std::u16string_view all(static_cast<const WCHAR*>(unicode), GlobalSize(unicode) / sizeof(WCHAR));
    const std::u16string_view text = all.substr(0, all.find(u'\0'));
    const int chars = static_cast<int>(text.size());
    const int bytes = chars ? WideCharToMultiByte(CP_ACP, 0, text.data(), chars, nullptr, 0, nullptr, nullptr) : 0;
    HANDLE memory = GlobalAlloc(GMEM_ZEROINIT, static_cast<SIZE_T>(bytes) + 1);
    if (memory && bytes > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), chars, static_cast<char*>(memory), bytes, nullptr, nullptr);
    return memory;
}

}  // namespace

const std::vector<WinHelpCall>& WinHelpLog()
{
    return State().helpLog;
}

const std::vector<UINT>& MessageBeepLog()
{
    return State().beepLog;
}

void SetClipboardText(std::u16string_view text)
{
    Clipboard& clipboard = State();
    FreeAll(clipboard);
    HANDLE memory = GlobalAlloc(GMEM_ZEROINIT, (text.size() + 1) * sizeof(WCHAR));
    std::memcpy(memory, text.data(), text.size() * sizeof(WCHAR));
    clipboard.formats[CF_UNICODETEXT] = memory;
}

std::u16string ClipboardText()
{
    const auto found = State().formats.find(CF_UNICODETEXT);
    if (found == State().formats.end()) return {};
    const std::u16string_view text(static_cast<const WCHAR*>(found->second), GlobalSize(found->second) / sizeof(WCHAR));
    return std::u16string(text.substr(0, text.find(u'\0')));
}

void HoldClipboard(bool held)
{
    State().heldElsewhere = held;
}

void ResetClipboardAndLogs()
{
    Clipboard& clipboard = State();
    FreeAll(clipboard);
    clipboard.open = false;
    clipboard.owner = nullptr;
    clipboard.heldElsewhere = false;
    clipboard.helpLog.clear();
    clipboard.beepLog.clear();
}

}  // namespace vexl::windows

using namespace vexl::windows;

BOOL OpenClipboard(HWND owner)
{
    Clipboard& clipboard = State();
    if (clipboard.heldElsewhere || (clipboard.open && clipboard.owner != owner)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    clipboard.open = true;
    clipboard.owner = owner;
    return TRUE;
}

BOOL CloseClipboard()
{
    Clipboard& clipboard = State();
    if (!clipboard.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    clipboard.open = false;
    clipboard.owner = nullptr;
    return TRUE;
}

BOOL EmptyClipboard()
{
    Clipboard& clipboard = State();
    if (!clipboard.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    FreeAll(clipboard);
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE memory)
{
    Clipboard& clipboard = State();
    if (!clipboard.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    FreeFormat(clipboard, format);
    // Text set anew makes any ANSI text made from the old one stale.
    if (format == CF_UNICODETEXT) FreeFormat(clipboard, CF_TEXT);
    if (memory) clipboard.formats[format] = memory;
    return memory;
}

HANDLE GetClipboardData(UINT format)
{
    Clipboard& clipboard = State();
    if (!clipboard.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    auto found = clipboard.formats.find(format);
    if (found == clipboard.formats.end() && format == CF_TEXT) {
        const auto unicode = clipboard.formats.find(CF_UNICODETEXT);
        if (unicode != clipboard.formats.end())
            found = clipboard.formats.emplace(CF_TEXT, AnsiFromUnicode(unicode->second)).first;
    }
    return found == clipboard.formats.end() ? nullptr : found->second;
}

BOOL IsClipboardFormatAvailable(UINT format)
{
    const auto& formats = State().formats;
    if (formats.count(format)) return TRUE;
    return format == CF_TEXT && formats.count(CF_UNICODETEXT) ? TRUE : FALSE;
}

BOOL WinHelpW(HWND window, LPCWSTR helpFile, UINT command, ULONG_PTR data)
{
    WinHelpCall call{window, helpFile ? std::u16string(helpFile) : std::u16string(), command, data, {}};
    if ((command == HELP_CONTEXTMENU || command == HELP_WM_HELP) && data) {
        for (const auto* pair = reinterpret_cast<const DWORD*>(data); pair[0] != 0; pair += 2) {
            call.helpIds.push_back(pair[0]);
            call.helpIds.push_back(pair[1]);
        }
    }
    State().helpLog.push_back(std::move(call));
    return TRUE;
}

BOOL MessageBeep(UINT type)
{
    State().beepLog.push_back(type);
    return TRUE;
}
