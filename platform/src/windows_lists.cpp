// The LISTBOX and COMBOBOX classes: rows of text and data, the selection,
// the owner-draw protocol (WM_MEASUREITEM at creation, WM_DRAWITEM per
// visible row, ODA_SELECT and ODA_FOCUS for changes) and the notifications.
#include "windows_state.h"

#include <algorithm>
#include <cstring>

namespace vexl::windows {

namespace {

constexpr UINT kDefaultItemHeight = 16;
constexpr int kComboButtonWidth = 17;
constexpr UINT kDropDownRows = 8;

struct Row {
    std::u16string text;
    ULONG_PTR data = 0;
    bool selected = false;
};

// The rows and selection both classes keep.
struct RowList {
    std::vector<Row> rows;
    int cursel = -1;
    bool hasStrings = true;
    bool sorted = false;

    bool valid(WPARAM index) const { return static_cast<std::size_t>(index) < rows.size(); }

    // The index the row lands at, or -1 (LB_ERR).
    int insert(int index, LPARAM lParam)
    {
        Row row;
        if (hasStrings) {
            const auto text = reinterpret_cast<LPCWSTR>(lParam);
            row.text = text != nullptr ? text : u"";
        } else {
            row.data = static_cast<ULONG_PTR>(lParam);
        }
        if (index < 0 && sorted && hasStrings) {
            const std::u16string key = Upper(row.text);
            auto at = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return Upper(r.text) > key; });
            index = static_cast<int>(at - rows.begin());
        }
        if (index < 0 || static_cast<std::size_t>(index) > rows.size()) index = static_cast<int>(rows.size());
        rows.insert(rows.begin() + index, std::move(row));
        if (cursel >= index) ++cursel;
        return index;
    }

    LRESULT erase(WPARAM index)
    {
        if (!valid(index)) return -1;
        const int i = static_cast<int>(index);
        rows.erase(rows.begin() + i);
        if (cursel == i) {
            cursel = -1;
        } else if (cursel > i) {
            --cursel;
        }
        return static_cast<LRESULT>(rows.size());
    }

    // Case-insensitive: the whole text (exact) or its start, searching after start.
    int find(WPARAM start, LPARAM lParam, bool exact) const
    {
        const auto text = reinterpret_cast<LPCWSTR>(lParam);
        if (text == nullptr || rows.empty()) return -1;
        const std::u16string key = Upper(text);
        const std::size_t count = rows.size();
        const std::size_t first = valid(start) ? static_cast<std::size_t>(start) + 1 : 0;
        for (std::size_t step = 0; step < count; ++step) {
            const std::size_t i = (first + step) % count;
            if (!hasStrings) {
                if (rows[i].data == static_cast<ULONG_PTR>(lParam)) return static_cast<int>(i);
                continue;
            }
            const std::u16string candidate = Upper(rows[i].text);
            if (exact ? candidate == key : candidate.compare(0, key.size(), key) == 0) return static_cast<int>(i);
        }
        return -1;
    }

    // LB_GETTEXT / CB_GETLBTEXT: the text, or the data of a list without strings.
    LRESULT copyText(WPARAM index, LPARAM buffer) const
    {
        if (!valid(index)) return -1;
        const Row& row = rows[index];
        if (!hasStrings) {
            if (buffer != 0) std::memcpy(reinterpret_cast<void*>(buffer), &row.data, sizeof row.data);
            return static_cast<LRESULT>(sizeof row.data);
        }
        if (buffer != 0) {
            auto* out = reinterpret_cast<LPWSTR>(buffer);
            std::copy(row.text.begin(), row.text.end(), out);
            out[row.text.size()] = 0;
        }
        return static_cast<LRESULT>(row.text.size());
    }

    LRESULT textLength(WPARAM index) const
    {
        if (!valid(index)) return -1;
        return hasStrings ? static_cast<LRESULT>(rows[index].text.size()) : static_cast<LRESULT>(sizeof(ULONG_PTR));
    }
};

struct ListState : ControlState {
    RowList list;
    int top = 0;
    int caret = 0;
    UINT itemHeight = kDefaultItemHeight;
    int columnWidth = 0;
    bool focused = false;
};

struct ComboState : ControlState {
    RowList list;
    bool dropped = false;
    HWND dropList = nullptr;  // the ComboLBox popup while dropped
    UINT fieldHeight = kDefaultItemHeight;
    UINT itemHeight = kDefaultItemHeight;
    int droppedHeight = 0;
    bool focused = false;
    std::size_t limit = 30000;
};

UINT MeasureItem(HWND control, UINT type, int itemId, UINT height)
{
    Window* w = Peek(control);
    if (w == nullptr || w->parent == nullptr) return height;
    RECT client{};
    GetClientRect(control, &client);
    MEASUREITEMSTRUCT measure{
        type, static_cast<UINT>(w->id), static_cast<UINT>(itemId), static_cast<UINT>(client.right), height, 0};
    SendMessageW(w->parent, WM_MEASUREITEM, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&measure));
    return measure.itemHeight;
}

void SendDrawItem(HWND control, HDC dc, UINT type, int itemId, UINT action, UINT state, RECT rect, ULONG_PTR data)
{
    Window* w = Peek(control);
    if (w == nullptr || w->parent == nullptr) return;
    if (!IsWindowEnabled(control)) state |= ODS_DISABLED;
    DRAWITEMSTRUCT item{type, static_cast<UINT>(w->id), static_cast<UINT>(itemId), action, state, control, dc, rect,
                        data};
    SendMessageW(w->parent, WM_DRAWITEM, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&item));
}

// ---- LISTBOX ------------------------------------------------------------------

ListState& ListOf(HWND window)
{
    Window* w = Peek(window);
    if (w->control == nullptr) {
        auto state = std::make_unique<ListState>();
        const bool ownerDraw = (w->style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0;
        state->list.hasStrings = !ownerDraw || (w->style & LBS_HASSTRINGS) != 0;
        state->list.sorted = (w->style & LBS_SORT) != 0;
        w->control = std::move(state);
    }
    return *static_cast<ListState*>(w->control.get());
}

bool IsOwnerDrawList(HWND window)
{
    Window* w = Peek(window);
    return w != nullptr && (w->style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0;
}

int VisibleRows(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    const ListState& s = ListOf(window);
    return std::max(1, static_cast<int>(client.bottom / static_cast<LONG>(std::max<UINT>(1, s.itemHeight))));
}

// The row's rectangle in client coordinates (columns side by side for
// LBS_MULTICOLUMN).
RECT RowRect(HWND window, int row)
{
    Window* w = Peek(window);
    const ListState& s = ListOf(window);
    RECT client{};
    GetClientRect(window, &client);
    const auto height = static_cast<LONG>(s.itemHeight);
    if ((w->style & LBS_MULTICOLUMN) != 0) {
        const int perColumn = VisibleRows(window);
        const LONG width = s.columnWidth > 0 ? s.columnWidth : client.right;
        const int topColumn = s.top / perColumn;
        const int column = row / perColumn - topColumn;
        const LONG y = (row % perColumn) * height;
        return {column * width, y, column * width + width, y + height};
    }
    const LONG y = (row - s.top) * height;
    return {0, y, client.right, y + height};
}

UINT RowState(HWND window, int row)
{
    const ListState& s = ListOf(window);
    UINT state = 0;
    if (row == s.list.cursel || s.list.rows[static_cast<std::size_t>(row)].selected) state |= ODS_SELECTED;
    if (s.focused && row == s.caret) state |= ODS_FOCUS;
    return state;
}

void DrawListRow(HWND window, HDC dc, int row, UINT action)
{
    ListState& s = ListOf(window);
    if (row < 0 || !s.list.valid(static_cast<WPARAM>(row))) return;
    const RECT rect = RowRect(window, row);
    const Row& item = s.list.rows[static_cast<std::size_t>(row)];
    if (IsOwnerDrawList(window)) {
        SendDrawItem(window, dc, ODT_LISTBOX, row, action, RowState(window, row), rect, item.data);
        return;
    }
    const bool selected = (RowState(window, row) & ODS_SELECTED) != 0;
    FillWindowRectColor(dc, rect, selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    DrawWindowText(dc, window, item.text, {rect.left + 2, rect.top, rect.right, rect.bottom},
                   DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    if ((RowState(window, row) & ODS_FOCUS) != 0) DrawFocus(dc, rect);
}

bool RowVisible(HWND window, int row)
{
    const ListState& s = ListOf(window);
    RECT client{};
    GetClientRect(window, &client);
    if (row < s.top) return false;
    const RECT rect = RowRect(window, row);
    return rect.top < client.bottom && rect.left < client.right;
}

// Redraws rows at once with the action (owner-drawn lists get WM_DRAWITEM).
void RedrawRows(HWND window, std::initializer_list<int> rows, UINT action)
{
    Window* w = Peek(window);
    if (w == nullptr || !w->redraw || !IsWindowVisible(window)) return;
    HDC dc = GetDC(window);
    for (int row : rows) {
        if (row >= 0 && RowVisible(window, row)) DrawListRow(window, dc, row, action);
    }
    ReleaseDC(window, dc);
}

void PaintList(HWND window, HDC dc)
{
    ListState& s = ListOf(window);
    RECT client{};
    GetClientRect(window, &client);
    HBRUSH brush = ControlColor(window, WM_CTLCOLORLISTBOX, dc);
    FillWindowRect(dc, client, brush);
    for (int row = s.top; row < static_cast<int>(s.list.rows.size()) && RowVisible(window, row); ++row) {
        DrawListRow(window, dc, row, ODA_DRAWENTIRE);
    }
    Window* w = Peek(window);
    if (w != nullptr && ((w->style & WS_BORDER) != 0 || (w->exStyle & WS_EX_CLIENTEDGE) != 0)) {
        FrameWindowRect(dc, client, COLOR_BTNSHADOW);
    }
}

void EnsureVisible(HWND window, int row)
{
    ListState& s = ListOf(window);
    if (row < 0) return;
    if (row < s.top) {
        s.top = row;
    } else if ((Peek(window)->style & LBS_MULTICOLUMN) == 0 && row >= s.top + VisibleRows(window)) {
        s.top = row - VisibleRows(window) + 1;
    } else {
        return;
    }
    InvalidateRect(window, nullptr, TRUE);
}

// Moves the selection as the user does, with LBN_SELCHANGE (LBS_NOTIFY).
void SelectByUser(HWND window, int row)
{
    ListState& s = ListOf(window);
    if (!s.list.valid(static_cast<WPARAM>(row))) return;
    const int old = s.list.cursel;
    const int oldCaret = s.caret;
    s.list.cursel = row;
    s.caret = row;
    EnsureVisible(window, row);
    if (old != row) RedrawRows(window, {old, row}, ODA_SELECT);
    if (oldCaret != row) RedrawRows(window, {oldCaret, row}, ODA_FOCUS);
    if (Peek(window) && (Peek(window)->style & LBS_NOTIFY) != 0) NotifyParent(window, LBN_SELCHANGE);
}

int RowAt(HWND window, LPARAM lParam)
{
    const ListState& s = ListOf(window);
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    for (int row = s.top; row < static_cast<int>(s.list.rows.size()) && RowVisible(window, row); ++row) {
        if (Contains(RowRect(window, row), point)) return row;
    }
    return -1;
}

// ---- COMBOBOX ------------------------------------------------------------------

ComboState& ComboOf(HWND window)
{
    Window* w = Peek(window);
    if (w->control == nullptr) {
        auto state = std::make_unique<ComboState>();
        const bool ownerDraw = (w->style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0;
        state->list.hasStrings = !ownerDraw || (w->style & CBS_HASSTRINGS) != 0;
        state->list.sorted = (w->style & CBS_SORT) != 0;
        w->control = std::move(state);
    }
    return *static_cast<ComboState*>(w->control.get());
}

bool IsOwnerDrawCombo(HWND window)
{
    Window* w = Peek(window);
    return w != nullptr && (w->style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) != 0;
}

DWORD ComboKind(HWND window)
{
    return Peek(window)->style & 0x3;
}

// The combo's text follows its selection.
void SyncComboText(HWND window)
{
    Window* w = Peek(window);
    ComboState& s = ComboOf(window);
    if (s.list.hasStrings) {
        w->text = s.list.cursel >= 0 ? s.list.rows[static_cast<std::size_t>(s.list.cursel)].text : u"";
    }
    InvalidateRect(window, nullptr, FALSE);
}

RECT FieldRect(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return {0, 0, std::max<LONG>(0, client.right - kComboButtonWidth),
            std::min<LONG>(client.bottom, ComboOf(window).fieldHeight + 6)};
}

RECT DroppedRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    const ComboState& s = ComboOf(window);
    const LONG rows =
        static_cast<LONG>(std::min<std::size_t>(std::max<std::size_t>(s.list.rows.size(), 1), kDropDownRows));
    const LONG fromTemplate = s.droppedHeight - (rect.bottom - rect.top);
    const LONG height = fromTemplate > 0 ? fromTemplate : rows * static_cast<LONG>(s.itemHeight) + 2;
    return {rect.left, rect.bottom, rect.right, rect.bottom + height};
}

void PaintCombo(HWND window, HDC dc)
{
    Window* w = Peek(window);
    ComboState& s = ComboOf(window);
    RECT client{};
    GetClientRect(window, &client);
    const bool list = ComboKind(window) == CBS_DROPDOWNLIST;
    HBRUSH brush = ControlColor(window, list ? WM_CTLCOLORLISTBOX : WM_CTLCOLOREDIT, dc);
    FillWindowRect(dc, client, brush);
    const RECT field = FieldRect(window);
    if (IsOwnerDrawCombo(window)) {
        UINT state = ODS_COMBOBOXEDIT;
        if (s.focused && !s.dropped) state |= ODS_SELECTED | ODS_FOCUS;
        const ULONG_PTR data = s.list.cursel >= 0 ? s.list.rows[static_cast<std::size_t>(s.list.cursel)].data : 0;
        SendDrawItem(window, dc, ODT_COMBOBOX, s.list.cursel, ODA_DRAWENTIRE, state, field, data);
    } else {
        DrawWindowText(dc, window, w->text, {field.left + 2, field.top, field.right, field.bottom},
                       DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX,
                       IsWindowEnabled(window) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
    }
    FillWindowRectColor(dc, {field.right, 0, client.right, field.bottom}, COLOR_BTNFACE);
    FrameWindowRect(dc, {0, 0, client.right, field.bottom}, COLOR_BTNSHADOW);
}

// The popup list of a dropped combo: its rows below the combo, drawn (for
// owner-drawn combos) by the combo's parent; it holds the mouse while open.
struct DropListState : ControlState {
    HWND combo = nullptr;
    bool sawButtonDown = false;  // the press that opened the list was before it
};

void CloseDropList(HWND window)
{
    ComboState& s = ComboOf(window);
    const HWND list = s.dropList;
    s.dropList = nullptr;
    if (list != nullptr && Peek(list)) DestroyWindow(list);
}

void ShowDropDown(HWND window, bool show)
{
    ComboState& s = ComboOf(window);
    if (ComboKind(window) == CBS_SIMPLE || s.dropped == show) return;
    if (show) {
        NotifyParent(window, CBN_DROPDOWN);
        if (Peek(window) == nullptr) return;
        ComboState& state = ComboOf(window);
        state.dropped = true;
        const RECT rect = DroppedRect(window);
        const HWND list =
            CreateWindowExW(WS_EX_TOOLWINDOW, WC_COMBOLBOX, u"", WS_POPUP | WS_BORDER, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, window, nullptr, nullptr, nullptr);
        if (list == nullptr || Peek(window) == nullptr) return;
        auto listState = std::make_unique<DropListState>();
        listState->combo = window;
        Peek(list)->control = std::move(listState);
        ComboOf(window).dropList = list;
        ShowWindow(list, SW_SHOWNA);
        SetCapture(list);
    } else {
        s.dropped = false;
        CloseDropList(window);
        if (Peek(window)) NotifyParent(window, CBN_CLOSEUP);
    }
    if (Peek(window)) InvalidateRect(window, nullptr, FALSE);
}

HWND ComboOfList(HWND list)
{
    auto* state = ControlOf<DropListState>(list);
    return state != nullptr && Peek(state->combo) ? state->combo : nullptr;
}

RECT DropRowRect(HWND list, int row)
{
    RECT client{};
    GetClientRect(list, &client);
    const auto height = static_cast<LONG>(ComboOf(ComboOfList(list)).itemHeight);
    return {0, row * height, client.right, (row + 1) * height};
}

void PaintDropList(HWND list, HDC dc)
{
    const HWND combo = ComboOfList(list);
    if (combo == nullptr) return;
    ComboState& s = ComboOf(combo);
    RECT client{};
    GetClientRect(list, &client);
    HBRUSH brush = ControlColor(combo, WM_CTLCOLORLISTBOX, dc);
    FillWindowRect(dc, client, brush);
    for (int row = 0; row < static_cast<int>(s.list.rows.size()); ++row) {
        const RECT rect = DropRowRect(list, row);
        if (rect.top >= client.bottom) break;
        const Row& item = s.list.rows[static_cast<std::size_t>(row)];
        const bool selected = row == s.list.cursel;
        if (IsOwnerDrawCombo(combo)) {
            SendDrawItem(combo, dc, ODT_COMBOBOX, row, ODA_DRAWENTIRE, selected ? ODS_SELECTED : 0u, rect, item.data);
            continue;
        }
        FillWindowRectColor(dc, rect, selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
        DrawWindowText(dc, list, item.text, {rect.left + 2, rect.top, rect.right, rect.bottom},
                       DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    }
}

void SelectComboByUser(HWND window, int row)
{
    ComboState& s = ComboOf(window);
    if (!s.list.valid(static_cast<WPARAM>(row)) || row == s.list.cursel) return;
    s.list.cursel = row;
    SyncComboText(window);
    NotifyParent(window, CBN_SELCHANGE);
}

void TypeIntoCombo(HWND window, WCHAR c)
{
    Window* w = Peek(window);
    ComboState& s = ComboOf(window);
    if (c == 0x08) {
        if (w->text.empty()) return;
        w->text.pop_back();
    } else if (c >= 0x20 && w->text.size() < s.limit) {
        w->text.push_back(c);
    } else {
        return;
    }
    InvalidateRect(window, nullptr, FALSE);
    NotifyParent(window, CBN_EDITUPDATE);
    if (Peek(window)) NotifyParent(window, CBN_EDITCHANGE);
}

}  // namespace

// A click on a row of the dropped list chooses it: the selection changes
// (CBN_SELCHANGE), is confirmed (CBN_SELENDOK) and the list closes
// (CBN_CLOSEUP). A click elsewhere closes it with CBN_SELENDCANCEL.
LRESULT DropListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND combo = ComboOfList(list);
    switch (message) {
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_LBUTTONUP: {
        if (combo == nullptr) return 0;
        RECT client{};
        GetClientRect(list, &client);
        const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        int row = -1;
        if (Contains(client, point)) {
            const auto height = static_cast<LONG>(std::max<UINT>(1, ComboOf(combo).itemHeight));
            row = static_cast<int>(point.y / height);
            if (!ComboOf(combo).list.valid(static_cast<WPARAM>(row))) row = -1;
        }
        // Releasing the press that opened the list away from its rows keeps it open.
        auto* state = ControlOf<DropListState>(list);
        if (row < 0 && state != nullptr && !state->sawButtonDown) return 0;
        if (row >= 0) {
            SelectComboByUser(combo, row);
            if (Peek(combo)) NotifyParent(combo, CBN_SELENDOK);
        } else {
            NotifyParent(combo, CBN_SELENDCANCEL);
        }
        if (Peek(combo)) ShowDropDown(combo, false);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (auto* state = ControlOf<DropListState>(list)) state->sawButtonDown = true;
        return 0;
    case WM_CAPTURECHANGED:
        // Losing the mouse to anything else closes the list.
        if (combo != nullptr && ComboOf(combo).dropList == list && reinterpret_cast<HWND>(lParam) != list) {
            ShowDropDown(combo, false);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(list, [&](HDC dc) { PaintDropList(list, dc); });
    default:
        return DefWindowProcW(list, message, wParam, lParam);
    }
}

LRESULT ListBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Peek(window);
    if (w == nullptr) return 0;
    ListState& s = ListOf(window);
    switch (message) {
    case WM_CREATE:
        if (IsOwnerDrawList(window)) s.itemHeight = MeasureItem(window, ODT_LISTBOX, 0, s.itemHeight);
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case LB_RESETCONTENT:
        s.list.rows.clear();
        s.list.cursel = -1;
        s.top = s.caret = 0;
        InvalidateRect(window, nullptr, TRUE);
        return LB_OKAY;
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
        const int index = s.list.insert(message == LB_ADDSTRING ? -1 : static_cast<int>(wParam), lParam);
        if ((w->style & LBS_OWNERDRAWVARIABLE) != 0) MeasureItem(window, ODT_LISTBOX, index, s.itemHeight);
        InvalidateRect(window, nullptr, TRUE);
        return index;
    }
    case LB_DELETESTRING: {
        const LRESULT count = s.list.erase(wParam);
        if (count != LB_ERR) {
            s.top = std::min(s.top, std::max(0, static_cast<int>(count) - 1));
            InvalidateRect(window, nullptr, TRUE);
        }
        return count;
    }
    case LB_GETCOUNT:
        return static_cast<LRESULT>(s.list.rows.size());
    case LB_GETCURSEL:
        return s.list.cursel;
    case LB_SETCURSEL: {
        const int old = s.list.cursel;
        const auto row = static_cast<int>(wParam);
        if (!s.list.valid(wParam)) {
            s.list.cursel = -1;
            RedrawRows(window, {old}, ODA_SELECT);
            return row == -1 ? 0 : LB_ERR;
        }
        s.list.cursel = row;
        s.caret = row;
        EnsureVisible(window, row);
        if (old != row) RedrawRows(window, {old, row}, ODA_SELECT);
        return row;
    }
    case LB_SETSEL: {
        const auto row = static_cast<int>(lParam);
        if (row == -1) {
            for (Row& r : s.list.rows) r.selected = wParam != 0;
        } else if (s.list.valid(static_cast<WPARAM>(row))) {
            s.list.rows[static_cast<std::size_t>(row)].selected = wParam != 0;
        } else {
            return LB_ERR;
        }
        InvalidateRect(window, nullptr, FALSE);
        return LB_OKAY;
    }
    case LB_GETSEL:
        if (!s.list.valid(wParam)) return LB_ERR;
        return (RowState(window, static_cast<int>(wParam)) & ODS_SELECTED) != 0 ? 1 : 0;
    case LB_GETSELCOUNT:
        return std::count_if(s.list.rows.begin(), s.list.rows.end(), [](const Row& r) { return r.selected; });
    case LB_GETTEXT:
        return s.list.copyText(wParam, lParam);
    case LB_GETTEXTLEN:
        return s.list.textLength(wParam);
    case LB_SETITEMDATA:
        if (!s.list.valid(wParam)) return LB_ERR;
        s.list.rows[wParam].data = static_cast<ULONG_PTR>(lParam);
        return LB_OKAY;
    case LB_GETITEMDATA:
        if (!s.list.valid(wParam)) return LB_ERR;
        return static_cast<LRESULT>(s.list.rows[wParam].data);
    case LB_GETTOPINDEX:
        return s.top;
    case LB_SETTOPINDEX:
        if (!s.list.valid(wParam) && !(wParam == 0 && s.list.rows.empty())) return LB_ERR;
        s.top = static_cast<int>(wParam);
        InvalidateRect(window, nullptr, TRUE);
        return LB_OKAY;
    case LB_GETITEMRECT:
        if (!s.list.valid(wParam) || lParam == 0) return LB_ERR;
        *reinterpret_cast<LPRECT>(lParam) = RowRect(window, static_cast<int>(wParam));
        return LB_OKAY;
    case LB_SETITEMHEIGHT:
        if (LOWORD(static_cast<DWORD_PTR>(lParam)) == 0 || LOWORD(static_cast<DWORD_PTR>(lParam)) > 255) return LB_ERR;
        s.itemHeight = LOWORD(static_cast<DWORD_PTR>(lParam));
        InvalidateRect(window, nullptr, TRUE);
        return LB_OKAY;
    case LB_GETITEMHEIGHT:
        return static_cast<LRESULT>(s.itemHeight);
    case LB_SETCOLUMNWIDTH:
        s.columnWidth = static_cast<int>(wParam);
        return 0;
    case LB_SETCARETINDEX:
        if (!s.list.valid(wParam)) return LB_ERR;
        s.caret = static_cast<int>(wParam);
        return LB_OKAY;
    case LB_GETCARETINDEX:
        return s.caret;
    case LB_FINDSTRING:
        return s.list.find(wParam, lParam, false);
    case LB_FINDSTRINGEXACT:
        return s.list.find(wParam, lParam, true);
    case LB_SELECTSTRING: {
        const int row = s.list.find(wParam, lParam, false);
        if (row < 0) return LB_ERR;
        return SendMessageW(window, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    }
    case WM_SETREDRAW:
        w->redraw = wParam != 0;
        if (w->redraw) InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_LBUTTONDOWN: {
        if (GetFocus() != window) SetFocus(window);
        if (Peek(window) == nullptr) return 0;
        const int row = RowAt(window, lParam);
        if (row >= 0) SelectByUser(window, row);
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        if (RowAt(window, lParam) >= 0 && (w->style & LBS_NOTIFY) != 0) NotifyParent(window, LBN_DBLCLK);
        return 0;
    case WM_KEYDOWN: {
        const int count = static_cast<int>(s.list.rows.size());
        if (count == 0) return 0;
        const int from = s.list.cursel < 0 ? s.caret : s.list.cursel;
        int to = from;
        switch (static_cast<int>(wParam)) {
        case VK_UP:
            to = from - 1;
            break;
        case VK_DOWN:
            to = s.list.cursel < 0 ? 0 : from + 1;
            break;
        case VK_HOME:
            to = 0;
            break;
        case VK_END:
            to = count - 1;
            break;
        case VK_PRIOR:
            to = from - VisibleRows(window);
            break;
        case VK_NEXT:
            to = from + VisibleRows(window);
            break;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
        to = std::clamp(to, 0, count - 1);
        if (to != s.list.cursel) SelectByUser(window, to);
        return 0;
    }
    case WM_SETFOCUS:
        s.focused = true;
        RedrawRows(window, {s.caret}, ODA_FOCUS);
        if (Peek(window) && (Peek(window)->style & LBS_NOTIFY) != 0) NotifyParent(window, LBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        s.focused = false;
        RedrawRows(window, {s.caret}, ODA_FOCUS);
        if (Peek(window) && (Peek(window)->style & LBS_NOTIFY) != 0) NotifyParent(window, LBN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { PaintList(window, dc); });
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT ComboBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = Peek(window);
    if (w == nullptr) return 0;
    ComboState& s = ComboOf(window);
    switch (message) {
    case WM_CREATE: {
        if (IsOwnerDrawCombo(window)) {
            // The selection field first, then the list rows.
            s.fieldHeight = MeasureItem(window, ODT_COMBOBOX, -1, s.fieldHeight);
            if (Peek(window) == nullptr) return -1;
            s.itemHeight = MeasureItem(window, ODT_COMBOBOX, 0, s.itemHeight);
        }
        // The window keeps the selection field; the template's height is the
        // dropped list's.
        if (Peek(window) && ComboKind(window) != CBS_SIMPLE) {
            Window* self = Peek(window);
            s.droppedHeight = self->rect.bottom - self->rect.top;
            self->rect.bottom = self->rect.top + static_cast<LONG>(s.fieldHeight) + 6;
        }
        return 0;
    }
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (s.dropped && msg != nullptr && msg->message == WM_KEYDOWN &&
            (msg->wParam == static_cast<WPARAM>(VK_RETURN) || msg->wParam == static_cast<WPARAM>(VK_ESCAPE))) {
            code |= DLGC_WANTMESSAGE;
        }
        return code;
    }
    case CB_RESETCONTENT:
        s.list.rows.clear();
        s.list.cursel = -1;
        SyncComboText(window);
        return CB_OKAY;
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
        const int index = s.list.insert(message == CB_ADDSTRING ? -1 : static_cast<int>(wParam), lParam);
        if ((w->style & CBS_OWNERDRAWVARIABLE) != 0) MeasureItem(window, ODT_COMBOBOX, index, s.itemHeight);
        return index;
    }
    case CB_DELETESTRING: {
        const int old = s.list.cursel;
        const LRESULT count = s.list.erase(wParam);
        if (count != CB_ERR && old != s.list.cursel) SyncComboText(window);
        return count;
    }
    case CB_GETCOUNT:
        return static_cast<LRESULT>(s.list.rows.size());
    case CB_GETCURSEL:
        return s.list.cursel;
    case CB_SETCURSEL: {
        const bool valid = s.list.valid(wParam);
        s.list.cursel = valid ? static_cast<int>(wParam) : -1;
        SyncComboText(window);
        return valid ? static_cast<LRESULT>(wParam) : CB_ERR;
    }
    case CB_GETLBTEXT:
        return s.list.copyText(wParam, lParam);
    case CB_GETLBTEXTLEN:
        return s.list.textLength(wParam);
    case CB_SETITEMDATA:
        if (!s.list.valid(wParam)) return CB_ERR;
        s.list.rows[wParam].data = static_cast<ULONG_PTR>(lParam);
        return CB_OKAY;
    case CB_GETITEMDATA:
        if (!s.list.valid(wParam)) return CB_ERR;
        return static_cast<LRESULT>(s.list.rows[wParam].data);
    case CB_FINDSTRING:
        return s.list.find(wParam, lParam, false);
    case CB_FINDSTRINGEXACT:
        return s.list.find(wParam, lParam, true);
    case CB_SELECTSTRING: {
        const int row = s.list.find(wParam, lParam, false);
        if (row < 0) return CB_ERR;
        s.list.cursel = row;
        SyncComboText(window);
        return row;
    }
    case CB_GETDROPPEDSTATE:
        return s.dropped ? TRUE : FALSE;
    case CB_SHOWDROPDOWN:
        ShowDropDown(window, wParam != 0);
        return TRUE;
    case CB_GETDROPPEDCONTROLRECT:
        if (lParam != 0) *reinterpret_cast<LPRECT>(lParam) = DroppedRect(window);
        return CB_OKAY;
    case CB_SETITEMHEIGHT:
        if (static_cast<int>(wParam) == -1) {
            s.fieldHeight = LOWORD(static_cast<DWORD_PTR>(lParam));
            w->rect.bottom = w->rect.top + static_cast<LONG>(s.fieldHeight) + 6;
        } else {
            s.itemHeight = LOWORD(static_cast<DWORD_PTR>(lParam));
        }
        InvalidateRect(window, nullptr, TRUE);
        return CB_OKAY;
    case CB_GETITEMHEIGHT:
        return static_cast<int>(wParam) == -1 ? s.fieldHeight : s.itemHeight;
    case CB_LIMITTEXT:
        s.limit = wParam == 0 ? 0x7FFFFFFE : wParam;
        return TRUE;
    case WM_SETTEXT:
        if (ComboKind(window) == CBS_DROPDOWNLIST) {
            const int row = s.list.find(static_cast<WPARAM>(-1), lParam, true);
            if (row < 0) return CB_ERR;
            s.list.cursel = row;
            SyncComboText(window);
            return TRUE;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_CHAR:
        if (ComboKind(window) != CBS_DROPDOWNLIST) TypeIntoCombo(window, static_cast<WCHAR>(wParam));
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (GetFocus() != window) SetFocus(window);
        if (Peek(window)) ShowDropDown(window, !ComboOf(window).dropped);
        return 0;
    case WM_KEYDOWN: {
        const int count = static_cast<int>(s.list.rows.size());
        switch (static_cast<int>(wParam)) {
        case VK_F4:
            ShowDropDown(window, !s.dropped);
            return 0;
        case VK_RETURN:
            if (s.dropped) {
                NotifyParent(window, CBN_SELENDOK);
                if (Peek(window)) ShowDropDown(window, false);
            }
            return 0;
        case VK_ESCAPE:
            if (s.dropped) {
                NotifyParent(window, CBN_SELENDCANCEL);
                if (Peek(window)) ShowDropDown(window, false);
            }
            return 0;
        case VK_UP:
        case VK_DOWN:
        case VK_HOME:
        case VK_END: {
            if (count == 0) return 0;
            int to = s.list.cursel;
            if (wParam == static_cast<WPARAM>(VK_UP)) to = to < 0 ? 0 : to - 1;
            if (wParam == static_cast<WPARAM>(VK_DOWN)) to = to + 1;
            if (wParam == static_cast<WPARAM>(VK_HOME)) to = 0;
            if (wParam == static_cast<WPARAM>(VK_END)) to = count - 1;
            SelectComboByUser(window, std::clamp(to, 0, count - 1));
            return 0;
        }
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
    }
    case WM_SETFOCUS:
        s.focused = true;
        InvalidateRect(window, nullptr, FALSE);
        NotifyParent(window, CBN_SETFOCUS);
        return 0;
    case WM_DESTROY:
        CloseDropList(window);
        return 0;
    case WM_KILLFOCUS:
        s.focused = false;
        ShowDropDown(window, false);
        if (Peek(window)) InvalidateRect(window, nullptr, FALSE);
        if (Peek(window)) NotifyParent(window, CBN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { PaintCombo(window, dc); });
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// The user's choice of a list or combo row, as the test driver makes it.
void SelectRowAsUser(HWND window, int row)
{
    Window* w = Peek(window);
    if (w == nullptr) return;
    if (w->windowClass->name == WC_LISTBOX) {
        SelectByUser(window, row);
    } else if (w->windowClass->name == WC_COMBOBOX) {
        SelectComboByUser(window, row);
    }
}

}  // namespace vexl::windows
