// The window system's drawing, until window surfaces exist: DCs are tokens
// that draw nothing.
#include "windows_state.h"

namespace vexl::windows {

namespace {
ULONG_PTR g_nextDC = 0x70000;
}

HDC AcquireWindowDC(HWND, const RECT*)
{
    g_nextDC += 4;
    return reinterpret_cast<HDC>(g_nextDC);
}

void ReleaseWindowDC(HWND, HDC) {}
void FillWindowRect(HDC, const RECT&, HBRUSH) {}
void FillWindowRectColor(HDC, const RECT&, int) {}
void FrameWindowRect(HDC, const RECT&, int) {}
void DrawWindowText(HDC, HWND, const std::u16string&, RECT, UINT, int) {}
void DrawFocus(HDC, const RECT&) {}

HBRUSH DefaultControlColor(UINT message, HDC)
{
    const int color = (message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX) ? 5 : 15;
    return reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(0x60000 + color));
}

HBRUSH ControlColor(HWND control, UINT message, HDC dc)
{
    Window* w = Peek(control);
    if (w == nullptr) return nullptr;
    const HWND target = w->parent ? w->parent : w->owner;
    if (target == nullptr) return DefaultControlColor(message, dc);
    return reinterpret_cast<HBRUSH>(
        SendMessageW(target, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
}

HFONT CreateDialogFont(const DialogTemplate&)
{
    return nullptr;
}
void DeleteDialogFont(HFONT) {}
void SurfaceChanged(HWND) {}
void SurfaceDestroyed(HWND) {}

}  // namespace vexl::windows
