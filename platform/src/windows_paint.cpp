// Painting: update regions (a union rectangle and an erase flag per
// window), WM_PAINT through BeginPaint and EndPaint, window DCs and the
// system metrics.
#include "windows_state.h"

#include <algorithm>

using namespace vexl::windows;

namespace {

RECT ClientRectOf(const Window& w)
{
    return {0, 0, w.rect.right - w.rect.left, w.rect.bottom - w.rect.top};
}

// Adds the rectangle (client coordinates) to the window's update region and
// to those of the children it covers, unless the window clips them.
void AddUpdate(HWND window, const RECT& rect, bool erase)
{
    Window* w = Peek(window);
    if (w == nullptr) return;
    const RECT area = Intersect(rect, ClientRectOf(*w));
    if (IsEmpty(area)) return;
    w->update = Union(w->update, area);
    w->erase = w->erase || erase;
    for (HWND child : w->children) {
        Window* c = Peek(child);
        if (c == nullptr || (c->style & WS_VISIBLE) == 0) continue;
        RECT inChild = Intersect(area, c->rect);
        if (IsEmpty(inChild)) continue;
        inChild = {inChild.left - c->rect.left, inChild.top - c->rect.top, inChild.right - c->rect.left,
                   inChild.bottom - c->rect.top};
        AddUpdate(child, inChild, erase);
    }
}

}  // namespace

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase)
{
    if (window == nullptr) {
        for (HWND top : GetState().topLevel) InvalidateRect(top, nullptr, erase);
        return TRUE;
    }
    Window* w = Find(window);
    if (w == nullptr) return FALSE;
    AddUpdate(window, rect != nullptr ? *rect : ClientRectOf(*w), erase != FALSE);
    return TRUE;
}

BOOL ValidateRect(HWND window, const RECT* rect)
{
    Window* w = Find(window);
    if (w == nullptr) return FALSE;
    // The region is a single rectangle: it goes when the rectangle covers it.
    if (rect == nullptr || (rect->left <= w->update.left && rect->top <= w->update.top &&
                            rect->right >= w->update.right && rect->bottom >= w->update.bottom)) {
        w->update = {};
        w->erase = false;
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND window, LPRECT rect, BOOL)
{
    Window* w = Find(window);
    if (w == nullptr) return FALSE;
    if (rect != nullptr) *rect = w->update;
    return IsEmpty(w->update) ? FALSE : TRUE;
}

BOOL UpdateWindow(HWND window)
{
    Window* w = Find(window);
    if (w == nullptr) return FALSE;
    if (!IsEmpty(w->update) && IsWindowVisible(window)) SendMessageW(window, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL RedrawWindow(HWND window, const RECT* rect, HANDLE, UINT flags)
{
    if (window != nullptr && Find(window) == nullptr) return FALSE;
    if ((flags & RDW_INVALIDATE) != 0) InvalidateRect(window, rect, (flags & RDW_ERASE) != 0 ? TRUE : FALSE);
    if ((flags & RDW_UPDATENOW) != 0 && window != nullptr) {
        UpdateWindow(window);
        if ((flags & RDW_ALLCHILDREN) != 0) {
            Window* w = Peek(window);
            for (HWND child : w ? std::vector<HWND>(w->children) : std::vector<HWND>()) {
                RedrawWindow(child, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            }
        }
    }
    return TRUE;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint)
{
    Window* w = Find(window);
    if (w == nullptr || paint == nullptr) return nullptr;
    *paint = {};
    const RECT update = w->update;
    const bool erase = w->erase;
    w->update = {};
    w->erase = false;
    // Nothing invalid (a posted WM_PAINT): an empty rcPaint and a DC that
    // draws nowhere.
    HDC dc = AcquireWindowDC(window, &update);
    paint->hdc = dc;
    paint->rcPaint = update;
    paint->fErase = FALSE;
    if (erase && !IsEmpty(update)) {
        paint->fErase = SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0 ? TRUE : FALSE;
    }
    return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint)
{
    if (paint == nullptr) return FALSE;
    ReleaseWindowDC(window, paint->hdc);
    return TRUE;
}

HDC GetDC(HWND window)
{
    if (window != nullptr && window != GetDesktopWindow() && Find(window) == nullptr) return nullptr;
    return AcquireWindowDC(window == GetDesktopWindow() ? nullptr : window, nullptr);
}

int ReleaseDC(HWND window, HDC dc)
{
    if (dc == nullptr) return 0;
    ReleaseWindowDC(window, dc);
    return 1;
}

int GetSystemMetrics(int index)
{
    switch (index) {
    case SM_CXSCREEN:
        return 1024;
    case SM_CYSCREEN:
        return 768;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
        return 17;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
        return 4;
    default:
        return 0;  // no captions or frames: a window is all client area
    }
}
