// The property-sheet frame: PropertySheetW builds the frame as a dialog
// from a template made in memory (tab control, OK, Cancel, Apply, Help) and
// runs it as a modal dialog; the pages are child dialogs made from their
// own templates the first time they are shown.
#include "platform/property_sheets.h"

#include "platform/commctrl.h"
#include "platform/kernel.h"
#include "platform/resources.h"

#include "dialog_template_writer.h"
#include "platform/windows_host.h"
#include "windows_state.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

struct PSP {
    PROPSHEETPAGEW page{};
};

namespace vexl::windows {
namespace {

constexpr int kMargin = 7;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kTabRowHeight = 20;  // the tab control's own row and inset
constexpr int kTabInset = 4;
constexpr DWORD kPageStylesRemoved = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_VISIBLE | WS_DISABLED;

struct SheetPage {
    PROPSHEETPAGEW page{};  // the frame's copy, handed to WM_INITDIALOG
    HWND window = nullptr;
    bool changed = false;
    std::vector<std::uint8_t> templateBytes;  // with the child styles a page gets
    SIZE size{};                              // in pixels
};

struct Sheet {
    const PROPSHEETHEADERW* header = nullptr;
    std::vector<std::unique_ptr<SheetPage>> pages;
    int current = -1;
    int start = 0;
    bool hasHelp = false;
    SIZE pageSize{};
    std::u16string caption;
    std::u16string fontFace = u"DejaVu Sans";
    WORD fontSize = 8;
};

// ---- The templates -------------------------------------------------------------

struct FrameItem {
    DWORD style;
    int id;
    const WCHAR* windowClass;
    const WCHAR* text;
};

// The frame's template: its controls are placed in pixels at WM_INITDIALOG.
std::vector<std::uint8_t> FrameTemplate(const Sheet& sheet)
{
    std::vector<FrameItem> items = {
        {WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, IDD_PROPSHEET_TAB, WC_TABCONTROLW, u""},
        {WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, WC_BUTTON, u"OK"},
        {WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IDCANCEL, WC_BUTTON, u"Cancel"},
    };
    if (!(sheet.header->dwFlags & PSH_NOAPPLYNOW))
        items.push_back(
            {WS_VISIBLE | WS_TABSTOP | WS_DISABLED | BS_PUSHBUTTON, IDD_PROPSHEET_APPLYNOW, WC_BUTTON, u"&Apply"});
    if (sheet.hasHelp) items.push_back({WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, IDHELP, WC_BUTTON, u"Help"});
    DialogTemplateWriter out(DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CONTEXTHELP,
                             WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME, 0, 0, sheet.caption, sheet.fontSize,
                             sheet.fontFace);
    for (const FrameItem& item : items) out.item(item.style, item.id, item.windowClass, item.text, 0, 0, 0, 0);
    return out.bytes();
}

// A page's template as a child of the frame: the frame draws no caption for
// it and shows it itself.
bool LoadPageTemplate(SheetPage& entry)
{
    const PROPSHEETPAGEW& page = entry.page;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    // A template in memory carries no size to check it against: only the
    // templates of a module's resources make pages.
    if (page.dwFlags & PSP_DLGINDIRECT) return false;
    HRSRC found = FindResourceW(page.hInstance, page.pszTemplate, RT_DIALOG);
    if (found == nullptr) return false;
    data = static_cast<const std::uint8_t*>(LockResource(LoadResource(page.hInstance, found)));
    size = SizeofResource(page.hInstance, found);
    DialogTemplate parsed;
    if (!ParseDialogTemplate(data, size, parsed)) return false;
    entry.templateBytes.assign(data, data + size);
    const std::size_t styleAt = parsed.extended ? 12 : 0;
    if (entry.templateBytes.size() < styleAt + 4) return false;
    DWORD style = 0;
    std::memcpy(&style, entry.templateBytes.data() + styleAt, 4);
    style = (style & ~kPageStylesRemoved) | WS_CHILD | DS_CONTROL | DS_3DLOOK;
    std::memcpy(entry.templateBytes.data() + styleAt, &style, 4);
    entry.size = {parsed.cx * kDialogBaseUnitX / 4, parsed.cy * kDialogBaseUnitY / 8};
    return true;
}

// ---- The frame -----------------------------------------------------------------

Sheet* SheetOf(HWND frame)
{
    return reinterpret_cast<Sheet*>(GetWindowLongPtrW(frame, DWLP_USER));
}

LRESULT NotifyPage(HWND frame, HWND page, UINT code, LPARAM lParam)
{
    if (page == nullptr || !IsWindow(page)) return 0;
    PSHNOTIFY notify{};
    notify.hdr.hwndFrom = frame;
    notify.hdr.idFrom = 0;
    notify.hdr.code = code;
    notify.lParam = lParam;
    return SendMessageW(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
}

RECT PageArea(HWND frame)
{
    RECT area{};
    HWND tab = GetDlgItem(frame, IDD_PROPSHEET_TAB);
    GetWindowRect(tab, &area);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&area), 2);
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    return area;
}

bool CreatePage(HWND frame, Sheet& sheet, int index)
{
    SheetPage& entry = *sheet.pages[static_cast<std::size_t>(index)];
    if (entry.window != nullptr) return IsWindow(entry.window) != FALSE;
    if (entry.templateBytes.empty()) return false;
    const RECT area = PageArea(frame);
    entry.window =
        CreateDialogIndirectParamW(entry.page.hInstance, reinterpret_cast<LPCDLGTEMPLATEW>(entry.templateBytes.data()),
                                   frame, entry.page.pfnDlgProc, reinterpret_cast<LPARAM>(&entry.page));
    if (entry.window == nullptr) return false;
    // Over the tab control, which clips itself to its siblings.
    SetWindowPos(entry.window, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOACTIVATE);
    return true;
}

// Shows page index; with askCurrent the current page may refuse to go.
bool ActivatePage(HWND frame, Sheet& sheet, int index, bool askCurrent)
{
    if (index < 0 || index >= static_cast<int>(sheet.pages.size())) return false;
    if (index == sheet.current) return true;
    if (askCurrent && sheet.current >= 0) {
        HWND old = sheet.pages[static_cast<std::size_t>(sheet.current)]->window;
        if (NotifyPage(frame, old, PSN_KILLACTIVE, 0) != FALSE) return false;
    }
    if (!CreatePage(frame, sheet, index)) return false;
    if (sheet.current >= 0) {
        if (HWND old = sheet.pages[static_cast<std::size_t>(sheet.current)]->window) ShowWindow(old, SW_HIDE);
    }
    sheet.current = index;
    HWND page = sheet.pages[static_cast<std::size_t>(index)]->window;
    SendMessageW(GetDlgItem(frame, IDD_PROPSHEET_TAB), TCM_SETCURSEL, static_cast<WPARAM>(index), 0);
    NotifyPage(frame, page, PSN_SETACTIVE, 0);
    if (IsWindow(page)) ShowWindow(page, SW_SHOW);
    return true;
}

void UpdateApply(HWND frame, const Sheet& sheet)
{
    const bool anyChanged =
        std::any_of(sheet.pages.begin(), sheet.pages.end(), [](const auto& page) { return page->changed; });
    if (HWND apply = GetDlgItem(frame, IDD_PROPSHEET_APPLYNOW)) EnableWindow(apply, anyChanged ? TRUE : FALSE);
}

// OK (close) or Apply: the current page may refuse to be left, then every
// page made so far applies, in page order, until one says it is invalid.
void ApplyPages(HWND frame, Sheet& sheet, bool close)
{
    if (sheet.current >= 0 &&
        NotifyPage(frame, sheet.pages[static_cast<std::size_t>(sheet.current)]->window, PSN_KILLACTIVE, 0) != FALSE)
        return;
    for (std::size_t i = 0; i < sheet.pages.size(); ++i) {
        SheetPage& page = *sheet.pages[i];
        if (page.window == nullptr || !IsWindow(page.window)) continue;
        const LRESULT answer = NotifyPage(frame, page.window, PSN_APPLY, close ? TRUE : FALSE);
        if (!IsWindow(frame)) return;
        if (answer == PSNRET_INVALID || answer == PSNRET_INVALID_NOCHANGEPAGE) {
            ActivatePage(frame, sheet, static_cast<int>(i), false);
            return;
        }
        page.changed = false;
    }
    UpdateApply(frame, sheet);
    if (close) EndDialog(frame, 1);
}

void CancelSheet(HWND frame, Sheet& sheet)
{
    for (const auto& page : sheet.pages)
        if (page->window != nullptr) NotifyPage(frame, page->window, PSN_RESET, FALSE);
    if (IsWindow(frame)) EndDialog(frame, 0);
}

void PressButton(HWND frame, Sheet& sheet, int button)
{
    switch (button) {
    case PSBTN_OK:
        ApplyPages(frame, sheet, true);
        break;
    case PSBTN_APPLYNOW:
        if (HWND apply = GetDlgItem(frame, IDD_PROPSHEET_APPLYNOW); apply != nullptr && IsWindowEnabled(apply))
            ApplyPages(frame, sheet, false);
        break;
    case PSBTN_CANCEL:
        CancelSheet(frame, sheet);
        break;
    case PSBTN_HELP:
        if (sheet.current >= 0)
            NotifyPage(frame, sheet.pages[static_cast<std::size_t>(sheet.current)]->window, PSN_HELP, 0);
        break;
    default:
        break;
    }
}

// Tab control, page area and the buttons in a row under it, right-aligned.
void LayOut(HWND frame, Sheet& sheet)
{
    const int tabWidth = sheet.pageSize.cx + 2 * kTabInset;
    const int tabHeight = sheet.pageSize.cy + kTabRowHeight + 2 * kTabInset;
    MoveWindow(GetDlgItem(frame, IDD_PROPSHEET_TAB), kMargin, kMargin, tabWidth, tabHeight, FALSE);
    const int width = tabWidth + 2 * kMargin;
    const int buttonTop = kMargin + tabHeight + kMargin;
    int right = width - kMargin;
    for (int id : {IDHELP, IDD_PROPSHEET_APPLYNOW, IDCANCEL, IDOK}) {
        HWND button = GetDlgItem(frame, id);
        if (button == nullptr) continue;
        MoveWindow(button, right - kButtonWidth, buttonTop, kButtonWidth, kButtonHeight, FALSE);
        right -= kButtonWidth + kButtonGap;
    }
    RECT place{};
    GetWindowRect(frame, &place);
    if (HWND owner = GetWindow(frame, GW_OWNER)) {
        RECT ownerRect{};
        GetWindowRect(owner, &ownerRect);
        place.left = ownerRect.left + 20;
        place.top = ownerRect.top + 20;
    }
    MoveWindow(frame, place.left, place.top, width, buttonTop + kButtonHeight + kMargin, FALSE);
}

INT_PTR FrameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto answer = [&](LRESULT value) {
        SetWindowLongPtrW(frame, DWLP_MSGRESULT, value);
        return TRUE;
    };
    if (message == WM_INITDIALOG) {
        auto* sheet = reinterpret_cast<Sheet*>(lParam);
        SetWindowLongPtrW(frame, DWLP_USER, lParam);
        LayOut(frame, *sheet);
        HWND tab = GetDlgItem(frame, IDD_PROPSHEET_TAB);
        for (std::size_t i = 0; i < sheet->pages.size(); ++i) {
            DialogTemplate parsed;
            const auto& bytes = sheet->pages[i]->templateBytes;
            std::u16string title;
            if (sheet->pages[i]->page.dwFlags & PSP_USETITLE) {
                const LPCWSTR name = sheet->pages[i]->page.pszTitle;
                if (name != nullptr && IS_INTRESOURCE(name)) {
                    WCHAR text[256] = {};
                    LoadStringW(sheet->pages[i]->page.hInstance, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)),
                                text, 256);
                    title = text;
                } else if (name != nullptr) {
                    title = name;
                }
            } else if (!bytes.empty() && ParseDialogTemplate(bytes.data(), bytes.size(), parsed)) {
                title = parsed.caption;
            }
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = title.data();
            SendMessageW(tab, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
        }
        if (sheet->header->dwFlags & PSH_USECALLBACK && sheet->header->pfnCallback)
            sheet->header->pfnCallback(frame, PSCB_INITIALIZED, 0);
        if (!ActivatePage(frame, *sheet, sheet->start, false)) ActivatePage(frame, *sheet, 0, false);
        return FALSE;
    }
    Sheet* sheet = SheetOf(frame);
    if (sheet == nullptr) return FALSE;
    switch (message) {
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header == nullptr || header->idFrom != static_cast<UINT_PTR>(IDD_PROPSHEET_TAB)) return FALSE;
        if (header->code == TCN_SELCHANGING) {
            const bool refused =
                sheet->current >= 0 && NotifyPage(frame, sheet->pages[static_cast<std::size_t>(sheet->current)]->window,
                                                  PSN_KILLACTIVE, 0) != FALSE;
            return answer(refused ? TRUE : FALSE);
        }
        if (header->code == TCN_SELCHANGE) {
            const int chosen = static_cast<int>(SendMessageW(header->hwndFrom, TCM_GETCURSEL, 0, 0));
            const int back = sheet->current;
            // The tab shows the new page already; a page that cannot be made puts it back.
            sheet->current = -1;
            if (back >= 0) {
                if (HWND old = sheet->pages[static_cast<std::size_t>(back)]->window) ShowWindow(old, SW_HIDE);
            }
            if (!ActivatePage(frame, *sheet, chosen, false)) {
                sheet->current = back;
                if (back >= 0) {
                    SendMessageW(header->hwndFrom, TCM_SETCURSEL, static_cast<WPARAM>(back), 0);
                    if (HWND old = sheet->pages[static_cast<std::size_t>(back)]->window) ShowWindow(old, SW_SHOW);
                }
            }
            return answer(0);
        }
        return FALSE;
    }
    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const HWND from = reinterpret_cast<HWND>(lParam);
        const bool frameButton = from == nullptr || GetParent(from) == frame;
        if (frameButton && id == IDOK)
            PressButton(frame, *sheet, PSBTN_OK);
        else if (frameButton && id == IDCANCEL)
            PressButton(frame, *sheet, PSBTN_CANCEL);
        else if (frameButton && id == IDD_PROPSHEET_APPLYNOW)
            PressButton(frame, *sheet, PSBTN_APPLYNOW);
        else if (frameButton && id == IDHELP)
            PressButton(frame, *sheet, PSBTN_HELP);
        else if (sheet->current >= 0)
            SendMessageW(sheet->pages[static_cast<std::size_t>(sheet->current)]->window, WM_COMMAND, wParam, lParam);
        return TRUE;
    }
    case PSM_CHANGED:
    case PSM_UNCHANGED:
        for (const auto& page : sheet->pages)
            if (page->window == reinterpret_cast<HWND>(wParam)) page->changed = message == PSM_CHANGED;
        UpdateApply(frame, *sheet);
        return answer(0);
    case PSM_PRESSBUTTON:
        PressButton(frame, *sheet, static_cast<int>(wParam));
        return answer(0);
    case PSM_APPLY:
        ApplyPages(frame, *sheet, false);
        return answer(TRUE);
    case PSM_GETCURRENTPAGEHWND:
        return answer(sheet->current >= 0
                          ? reinterpret_cast<LRESULT>(sheet->pages[static_cast<std::size_t>(sheet->current)]->window)
                          : 0);
    case PSM_GETTABCONTROL:
        return answer(reinterpret_cast<LRESULT>(GetDlgItem(frame, IDD_PROPSHEET_TAB)));
    case PSM_SETCURSEL: {
        int index = static_cast<int>(wParam);
        for (std::size_t i = 0; lParam != 0 && i < sheet->pages.size(); ++i)
            if (reinterpret_cast<LPARAM>(sheet->pages[i]->window) == lParam) index = static_cast<int>(i);
        return answer(ActivatePage(frame, *sheet, index, true) ? TRUE : FALSE);
    }
    case PSM_SETTITLEW: {
        const auto* title = reinterpret_cast<LPCWSTR>(lParam);
        std::u16string caption = title != nullptr && !IS_INTRESOURCE(title) ? title : u"";
        if (wParam & PSH_PROPTITLE) caption += u" Properties";
        SetWindowTextW(frame, caption.c_str());
        return answer(0);
    }
    case PSM_CANCELTOCLOSE:
        if (HWND cancel = GetDlgItem(frame, IDCANCEL)) EnableWindow(cancel, FALSE);
        SetDlgItemTextW(frame, IDOK, u"Close");
        return answer(0);
    default:
        return FALSE;
    }
}

std::u16string CaptionOf(const PROPSHEETHEADERW& header)
{
    std::u16string caption;
    if (header.pszCaption != nullptr && IS_INTRESOURCE(header.pszCaption)) {
        WCHAR text[256] = {};
        LoadStringW(header.hInstance, static_cast<UINT>(reinterpret_cast<ULONG_PTR>(header.pszCaption)), text, 256);
        caption = text;
    } else if (header.pszCaption != nullptr) {
        caption = header.pszCaption;
    }
    if (header.dwFlags & PSH_PROPTITLE) caption += u" Properties";
    return caption;
}

}  // namespace
}  // namespace vexl::windows

using namespace vexl::windows;

HPROPSHEETPAGE CreatePropertySheetPageW(LPCPROPSHEETPAGEW page)
{
    if (page == nullptr || page->dwSize < offsetof(PROPSHEETPAGEW, pfnCallback)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto handle = std::make_unique<PSP>();
    std::memcpy(&handle->page, page, std::min<std::size_t>(page->dwSize, sizeof(PROPSHEETPAGEW)));
    handle->page.dwSize = sizeof(PROPSHEETPAGEW);
    if (!(handle->page.dwFlags & PSP_USECALLBACK)) handle->page.pfnCallback = nullptr;
    if (handle->page.pfnCallback && handle->page.pfnCallback(nullptr, PSPCB_CREATE, &handle->page) == 0) return nullptr;
    if (handle->page.dwFlags & PSP_USEREFPARENT && handle->page.pcRefParent) ++*handle->page.pcRefParent;
    return handle.release();
}

BOOL DestroyPropertySheetPage(HPROPSHEETPAGE page)
{
    if (page == nullptr) return FALSE;
    if (page->page.pfnCallback) page->page.pfnCallback(nullptr, PSPCB_RELEASE, &page->page);
    if (page->page.dwFlags & PSP_USEREFPARENT && page->page.pcRefParent) --*page->page.pcRefParent;
    delete page;
    return TRUE;
}

INT_PTR PropertySheetW(LPCPROPSHEETHEADERW header)
{
    if (header == nullptr || header->dwSize < offsetof(PROPSHEETHEADERW, pfnCallback)) return -1;
    Sheet sheet;
    sheet.header = header;
    sheet.caption = CaptionOf(*header);
    sheet.hasHelp = (header->dwFlags & PSH_HASHELP) != 0;
    std::vector<HPROPSHEETPAGE> handles;
    for (UINT i = 0; i < header->nPages; ++i) {
        auto page = std::make_unique<SheetPage>();
        if (header->dwFlags & PSH_PROPSHEETPAGE) {
            const auto* pages = reinterpret_cast<const std::uint8_t*>(header->ppsp);
            const auto* record = reinterpret_cast<const PROPSHEETPAGEW*>(pages + i * header->ppsp->dwSize);
            std::memcpy(&page->page, record, std::min<std::size_t>(record->dwSize, sizeof(PROPSHEETPAGEW)));
        } else {
            HPROPSHEETPAGE handle = header->phpage[i];
            if (handle == nullptr) continue;
            handles.push_back(handle);
            page->page = handle->page;
        }
        if (!LoadPageTemplate(*page)) continue;  // a page without a template is left out
        sheet.hasHelp = sheet.hasHelp || (page->page.dwFlags & PSP_HASHELP) != 0;
        sheet.pageSize.cx = std::max(sheet.pageSize.cx, page->size.cx);
        sheet.pageSize.cy = std::max(sheet.pageSize.cy, page->size.cy);
        if (sheet.pages.empty()) {
            DialogTemplate parsed;
            if (ParseDialogTemplate(page->templateBytes.data(), page->templateBytes.size(), parsed) &&
                (parsed.style & DS_SETFONT)) {
                sheet.fontFace = parsed.faceName;
                sheet.fontSize = parsed.pointSize;
            }
        }
        sheet.pages.push_back(std::move(page));
    }
    INT_PTR result = -1;
    if (!sheet.pages.empty()) {
        sheet.start = (header->dwFlags & PSH_USEPSTARTPAGE) ? 0 : static_cast<int>(header->nStartPage);
        if (sheet.start >= static_cast<int>(sheet.pages.size())) sheet.start = 0;
        const std::vector<std::uint8_t> frame = FrameTemplate(sheet);
        result = DialogBoxIndirectParamW(header->hInstance, reinterpret_cast<LPCDLGTEMPLATEW>(frame.data()),
                                         header->hwndParent, FrameProc, reinterpret_cast<LPARAM>(&sheet));
    }
    for (HPROPSHEETPAGE handle : handles) DestroyPropertySheetPage(handle);
    return result;
}
