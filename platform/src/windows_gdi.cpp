// The window system's drawing through the GDI: a surface per top-level
// window that its children share, DCs on it with the window's origin and
// clip, and the fills, frames and text the standard controls draw.
#include "windows_state.h"

#include "platform/gdi_surface.h"
#include "platform/windows_host.h"

#include <algorithm>
#include <map>

namespace vexl::windows {

namespace {

std::map<HWND, HBITMAP>& Surfaces()
{
    static std::map<HWND, HBITMAP> surfaces;
    return surfaces;
}

HBITMAP SurfaceOf(HWND root)
{
    Window* w = Peek(root);
    if (w == nullptr) return nullptr;
    const int width = std::max<LONG>(1, w->rect.right - w->rect.left);
    const int height = std::max<LONG>(1, w->rect.bottom - w->rect.top);
    auto& surfaces = Surfaces();
    auto found = surfaces.find(root);
    if (found != surfaces.end()) return found->second;
    HBITMAP surface = vexl::gdi::CreateSurface(width, height);
    surfaces[root] = surface;
    return surface;
}

// The part of the window that shows inside its ancestors, in surface
// coordinates of its top-level window.
RECT VisibleArea(const Window& window, POINT rootOrigin)
{
    const POINT origin = ClientOrigin(window);
    RECT area{origin.x - rootOrigin.x, origin.y - rootOrigin.y,
              origin.x - rootOrigin.x + (window.rect.right - window.rect.left),
              origin.y - rootOrigin.y + (window.rect.bottom - window.rect.top)};
    for (Window* up = Peek(window.parent); up != nullptr; up = Peek(up->parent)) {
        const POINT upOrigin = ClientOrigin(*up);
        const RECT upArea{upOrigin.x - rootOrigin.x, upOrigin.y - rootOrigin.y,
                          upOrigin.x - rootOrigin.x + (up->rect.right - up->rect.left),
                          upOrigin.y - rootOrigin.y + (up->rect.bottom - up->rect.top)};
        area = Intersect(area, upArea);
    }
    return area;
}

HFONT FontOf(HWND window)
{
    Window* w = Peek(window);
    if (w != nullptr && w->font != nullptr) return w->font;
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

HDC AcquireWindowDC(HWND window, const RECT* clip)
{
    Window* w = Peek(window);
    if (w == nullptr) return vexl::gdi::GetSurfaceDC(nullptr, {0, 0}, nullptr, nullptr);
    const HWND root = RootOf(window);
    Window* r = Peek(root);
    const POINT rootOrigin = ClientOrigin(*r);
    const POINT origin = ClientOrigin(*w);
    const POINT offset{origin.x - rootOrigin.x, origin.y - rootOrigin.y};
    RECT area = VisibleArea(*w, rootOrigin);
    if (clip != nullptr) {
        area = Intersect(
            area, {clip->left + offset.x, clip->top + offset.y, clip->right + offset.x, clip->bottom + offset.y});
    }
    return vexl::gdi::GetSurfaceDC(SurfaceOf(root), offset, &area, window);
}

void ReleaseWindowDC(HWND, HDC dc)
{
    if (dc != nullptr) vexl::gdi::ReleaseSurfaceDC(dc);
}

void FillWindowRect(HDC dc, const RECT& rect, HBRUSH brush)
{
    if (dc != nullptr && brush != nullptr) FillRect(dc, &rect, brush);
}

void FillWindowRectColor(HDC dc, const RECT& rect, int sysColor)
{
    FillWindowRect(dc, rect, GetSysColorBrush(sysColor));
}

void FrameWindowRect(HDC dc, const RECT& rect, int sysColor)
{
    if (dc != nullptr) FrameRect(dc, &rect, GetSysColorBrush(sysColor));
}

void DrawWindowText(HDC dc, HWND window, const std::u16string& text, RECT rect, UINT format, int sysColor)
{
    if (dc == nullptr || text.empty()) return;
    const HGDIOBJ oldFont = SelectObject(dc, FontOf(window));
    const COLORREF oldColor = SetTextColor(dc, GetSysColor(sysColor));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);
    SelectObject(dc, oldFont);
}

void DrawFocus(HDC dc, const RECT& rect)
{
    if (dc != nullptr) DrawFocusRect(dc, &rect);
}

void DrawBitmap(HDC dc, HBITMAP bitmap, POINT at)
{
    if (dc == nullptr || bitmap == nullptr) return;
    BITMAP info{};
    if (GetObjectW(bitmap, sizeof info, &info) == 0) return;
    HDC memory = CreateCompatibleDC(dc);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(dc, at.x, at.y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

HBRUSH DefaultControlColor(UINT message, HDC dc)
{
    const bool window = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
    const int background = window ? COLOR_WINDOW : COLOR_BTNFACE;
    if (dc != nullptr) {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(background));
    }
    return GetSysColorBrush(background);
}

HBRUSH ControlColor(HWND control, UINT message, HDC dc)
{
    Window* w = Peek(control);
    if (w == nullptr) return nullptr;
    const HWND target = w->parent ? w->parent : w->owner;
    if (target == nullptr) return DefaultControlColor(message, dc);
    auto brush = reinterpret_cast<HBRUSH>(
        SendMessageW(target, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    return brush != nullptr ? brush : DefaultControlColor(message, dc);
}

HFONT CreateDialogFont(const DialogTemplate& dialogTemplate)
{
    LOGFONTW font{};
    // Points at 96 pixels per inch, rounded.
    font.lfHeight = -static_cast<LONG>((dialogTemplate.pointSize * 96 + 36) / 72);
    font.lfWeight = dialogTemplate.weight != 0 ? dialogTemplate.weight : FW_NORMAL;
    font.lfItalic = dialogTemplate.italic;
    font.lfCharSet = dialogTemplate.charset;
    const std::size_t count = std::min<std::size_t>(dialogTemplate.faceName.size(), LF_FACESIZE - 1);
    std::copy_n(dialogTemplate.faceName.begin(), count, font.lfFaceName);
    return CreateFontIndirectW(&font);
}

void DeleteDialogFont(HFONT font)
{
    if (font != nullptr) DeleteObject(font);
}

void SurfaceChanged(HWND window)
{
    auto found = Surfaces().find(window);
    Window* w = Peek(window);
    if (found == Surfaces().end() || w == nullptr) return;
    vexl::gdi::ResizeSurface(found->second, std::max<LONG>(1, w->rect.right - w->rect.left),
                             std::max<LONG>(1, w->rect.bottom - w->rect.top));
}

void SurfaceDestroyed(HWND window)
{
    auto found = Surfaces().find(window);
    if (found == Surfaces().end()) return;
    vexl::gdi::DeleteSurface(found->second);
    Surfaces().erase(found);
}

HBITMAP WindowSurface(HWND window)
{
    const HWND root = RootOf(window);
    return root != nullptr ? SurfaceOf(root) : nullptr;
}

}  // namespace vexl::windows
