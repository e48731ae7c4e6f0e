// The host face of windows.h: dead-handle counts, the reset of the window system, and dialog templates
// parsed. For tests, host/ and the tools; the libraries never see it.
#pragma once

#include "platform/windows.h"

#include <cstdint>
#include <string>
#include <vector>

VEXL_HOST_FACE_BEGIN
namespace vexl::windows {

// Calls given a destroyed or unknown HWND since the process started (or the
// last ResetWindows).
std::uint64_t DeadHandleCalls();

// Destroys every window, forgets classes other than the standard ones,
// timers, the queue, focus and capture, and zeroes the counters.
void ResetWindows();

// Dialog units to pixels: the fixed base units of every dialog font.
inline constexpr int kDialogBaseUnitX = 6;
inline constexpr int kDialogBaseUnitY = 13;

// A name or an ordinal of a dialog template (menu, class, caption, item
// class and text): id is used when name is empty and isOrdinal is set.
struct TemplateName {
    bool isOrdinal = false;
    WORD id = 0;
    std::u16string name;
};

struct DialogItem {
    DWORD helpId = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    SHORT x = 0;
    SHORT y = 0;
    SHORT cx = 0;
    SHORT cy = 0;
    DWORD id = 0;
    TemplateName windowClass;  // ordinals 0x80-0x85 name the standard classes
    TemplateName text;
    std::vector<BYTE> creationData;
};

struct DialogTemplate {
    bool extended = false;
    DWORD helpId = 0;
    DWORD style = 0;
    DWORD exStyle = 0;
    SHORT x = 0;
    SHORT y = 0;
    SHORT cx = 0;
    SHORT cy = 0;
    TemplateName menu;
    TemplateName windowClass;
    std::u16string caption;
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    BYTE charset = 0;
    std::u16string faceName;
    std::vector<DialogItem> items;
};

// Reads a dialog template (standard or extended) of at most size bytes;
// false when it is cut short or malformed.
bool ParseDialogTemplate(const void* data, std::size_t size, DialogTemplate& out);

// The class name of a template item's class ordinal (0x80 Button ... 0x85
// ComboBox), or null.
const WCHAR* StandardClassName(WORD ordinal);

}  // namespace vexl::windows
VEXL_HOST_FACE_END
