// The common controls: trackbar, tab control, tree view and the report list
// view. Each keeps its state beside the window and tells its parent what the
// user did as Windows does (WM_HSCROLL/WM_VSCROLL for the trackbar, WM_NOTIFY
// for the others). Geometry is fixed so that tests can click exactly: a tab
// is 12 pixels plus 6 a character wide and the tab row 20 high; tree and
// list rows are 16 high unless an owner-drawn list measures its own.
#include "platform/commctrl.h"
#include "platform/gdi.h"

#include "platform/commctrl_host.h"
#include "windows_state.h"

#include <algorithm>
#include <map>
#include <memory>
#include <utility>

namespace vexl::windows {
namespace {

constexpr LONG kTabRowHeight = 20;
constexpr LONG kTabInset = 4;
constexpr LONG kRowHeight = 16;
constexpr LONG kHeaderHeight = 20;
constexpr LONG kTreeIndent = 16;
constexpr LONG kThumbHalf = 5;

template <typename T> T& StateOf(HWND window)
{
    Window* w = Peek(window);
    if (!w->control || !dynamic_cast<T*>(w->control.get())) w->control = std::make_unique<T>();
    return *static_cast<T*>(w->control.get());
}

LRESULT Notify(HWND control, NMHDR& header)
{
    Window* w = Peek(control);
    if (w == nullptr || w->parent == nullptr) return 0;
    header.hwndFrom = control;
    header.idFrom = static_cast<UINT_PTR>(w->id);
    return SendMessageW(w->parent, WM_NOTIFY, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&header));
}

LRESULT NotifyCode(HWND control, UINT code)
{
    NMHDR header{nullptr, 0, code};
    return Notify(control, header);
}

void CopyText(const std::u16string& text, LPWSTR out, int outMax)
{
    if (out == nullptr || outMax <= 0) return;
    const std::size_t take = std::min(text.size(), static_cast<std::size_t>(outMax) - 1);
    text.copy(out, take);
    out[take] = 0;
}

std::u16string TextOf(LPCWSTR text)
{
    return text != nullptr ? std::u16string(text) : std::u16string();
}

RECT ClientOf(HWND window)
{
    RECT client{};
    GetClientRect(window, &client);
    return client;
}

// ---- Trackbar ----------------------------------------------------------------

struct TrackbarState : ControlState {
    int min = 0;
    int max = 100;
    int pos = 0;
    int page = 20;
    int line = 1;
    bool tracking = false;
    bool keyMoved = false;
};

bool IsVerticalBar(HWND window)
{
    return (Peek(window)->style & TBS_VERT) != 0;
}

// The channel runs between the thumb's halves at both ends.
LONG ChannelLength(HWND window)
{
    const RECT client = ClientOf(window);
    const LONG length = IsVerticalBar(window) ? client.bottom : client.right;
    return std::max<LONG>(1, length - 2 * kThumbHalf);
}

LONG ThumbCentre(HWND window, const TrackbarState& s)
{
    const LONG span = std::max(1, s.max - s.min);
    return kThumbHalf + ChannelLength(window) * (s.pos - s.min) / span;
}

int PosAt(HWND window, const TrackbarState& s, LONG at)
{
    const LONG span = s.max - s.min;
    const LONG offset = std::clamp<LONG>(at - kThumbHalf, 0, ChannelLength(window));
    return s.min + static_cast<int>((offset * span + ChannelLength(window) / 2) / ChannelLength(window));
}

void SendTrack(HWND window, WORD code, int pos)
{
    Window* w = Peek(window);
    if (w == nullptr || w->parent == nullptr) return;
    const bool withPos = code == TB_THUMBTRACK || code == TB_THUMBPOSITION;
    SendMessageW(w->parent, IsVerticalBar(window) ? WM_VSCROLL : WM_HSCROLL,
                 MAKEWPARAM(code, withPos ? static_cast<WORD>(pos) : 0), reinterpret_cast<LPARAM>(window));
}

// Moves the thumb as the user did and tells the parent.
void MoveByUser(HWND window, WORD code, int pos)
{
    TrackbarState& s = StateOf<TrackbarState>(window);
    s.pos = std::clamp(pos, s.min, s.max);
    InvalidateRect(window, nullptr, TRUE);
    SendTrack(window, code, s.pos);
}

void PaintTrackbar(HWND window, HDC dc)
{
    const RECT client = ClientOf(window);
    FillWindowRect(dc, client, ControlColor(window, WM_CTLCOLORSTATIC, dc));
    const TrackbarState& s = StateOf<TrackbarState>(window);
    const LONG centre = ThumbCentre(window, s);
    if (IsVerticalBar(window)) {
        const LONG mid = client.right / 2;
        FrameWindowRect(dc, RECT{mid - 2, kThumbHalf, mid + 2, kThumbHalf + ChannelLength(window)}, COLOR_BTNSHADOW);
        FillWindowRectColor(dc, RECT{0, centre - kThumbHalf, client.right, centre + kThumbHalf}, COLOR_BTNFACE);
        FrameWindowRect(dc, RECT{0, centre - kThumbHalf, client.right, centre + kThumbHalf}, COLOR_BTNTEXT);
    } else {
        const LONG mid = client.bottom / 2;
        FrameWindowRect(dc, RECT{kThumbHalf, mid - 2, kThumbHalf + ChannelLength(window), mid + 2}, COLOR_BTNSHADOW);
        FillWindowRectColor(dc, RECT{centre - kThumbHalf, 0, centre + kThumbHalf, client.bottom}, COLOR_BTNFACE);
        FrameWindowRect(dc, RECT{centre - kThumbHalf, 0, centre + kThumbHalf, client.bottom}, COLOR_BTNTEXT);
    }
    if (GetFocus() == window) DrawFocus(dc, client);
}

LRESULT TrackbarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Peek(window) == nullptr) return 0;
    TrackbarState& s = StateOf<TrackbarState>(window);
    auto redraw = [&](WPARAM flag) {
        if (flag) InvalidateRect(window, nullptr, TRUE);
    };
    switch (message) {
    case TBM_GETPOS:
        return s.pos;
    case TBM_GETRANGEMIN:
        return s.min;
    case TBM_GETRANGEMAX:
        return s.max;
    case TBM_SETPOS:
        s.pos = std::clamp(static_cast<int>(lParam), s.min, s.max);
        redraw(wParam);
        return 0;
    case TBM_SETRANGE:
        s.min = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
        s.max = std::max(s.min, static_cast<int>(static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)))));
        s.pos = std::clamp(s.pos, s.min, s.max);
        redraw(wParam);
        return 0;
    case TBM_SETRANGEMIN:
        s.min = std::min(static_cast<int>(lParam), s.max);
        s.pos = std::clamp(s.pos, s.min, s.max);
        redraw(wParam);
        return 0;
    case TBM_SETRANGEMAX:
        s.max = std::max(static_cast<int>(lParam), s.min);
        s.pos = std::clamp(s.pos, s.min, s.max);
        redraw(wParam);
        return 0;
    case TBM_SETPAGESIZE:
        return std::exchange(s.page, static_cast<int>(lParam));
    case TBM_GETPAGESIZE:
        return s.page;
    case TBM_SETLINESIZE:
        return std::exchange(s.line, static_cast<int>(lParam));
    case TBM_GETLINESIZE:
        return s.line;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        SetFocus(window);
        if (Peek(window) == nullptr) return 0;
        const LONG at = IsVerticalBar(window) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
        const LONG centre = ThumbCentre(window, s);
        SetCapture(window);
        if (at >= centre - kThumbHalf && at < centre + kThumbHalf) {
            s.tracking = true;
        } else if (at < centre) {
            MoveByUser(window, TB_PAGEUP, s.pos - s.page);
        } else {
            MoveByUser(window, TB_PAGEDOWN, s.pos + s.page);
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        if (s.tracking) {
            const LONG at = IsVerticalBar(window) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
            const int pos = PosAt(window, s, at);
            if (pos != s.pos) MoveByUser(window, TB_THUMBTRACK, pos);
        }
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() != window) return 0;
        if (s.tracking) {
            s.tracking = false;
            SendTrack(window, TB_THUMBPOSITION, s.pos);
        }
        ReleaseCapture();
        if (Peek(window)) SendTrack(window, TB_ENDTRACK, 0);
        return 0;
    case WM_CAPTURECHANGED:
        s.tracking = false;
        return 0;
    case WM_KEYDOWN: {
        switch (static_cast<int>(wParam)) {
        case VK_LEFT:
        case VK_UP:
            MoveByUser(window, TB_LINEUP, s.pos - s.line);
            break;
        case VK_RIGHT:
        case VK_DOWN:
            MoveByUser(window, TB_LINEDOWN, s.pos + s.line);
            break;
        case VK_PRIOR:
            MoveByUser(window, TB_PAGEUP, s.pos - s.page);
            break;
        case VK_NEXT:
            MoveByUser(window, TB_PAGEDOWN, s.pos + s.page);
            break;
        case VK_HOME:
            MoveByUser(window, TB_TOP, s.min);
            break;
        case VK_END:
            MoveByUser(window, TB_BOTTOM, s.max);
            break;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
        if (Peek(window)) StateOf<TrackbarState>(window).keyMoved = true;
        return 0;
    }
    case WM_KEYUP:
        if (!s.keyMoved) return DefWindowProcW(window, message, wParam, lParam);
        s.keyMoved = false;
        SendTrack(window, TB_ENDTRACK, 0);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { PaintTrackbar(window, dc); });
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// ---- Tab control -------------------------------------------------------------

struct Tab {
    std::u16string text;
    LPARAM param = 0;
    int image = -1;
};

struct TabState : ControlState {
    std::vector<Tab> tabs;
    int cursel = -1;
};

RECT TabRect(const TabState& s, int index)
{
    LONG left = 2;
    for (int i = 0; i < index; ++i) left += 12 + 6 * static_cast<LONG>(s.tabs[static_cast<std::size_t>(i)].text.size());
    const LONG width = 12 + 6 * static_cast<LONG>(s.tabs[static_cast<std::size_t>(index)].text.size());
    return RECT{left, 2, left + width, kTabRowHeight};
}

// The user's choice of a tab: TCN_SELCHANGING may refuse it.
void SelectTabAsUser(HWND window, int index)
{
    TabState& s = StateOf<TabState>(window);
    if (index == s.cursel || index < 0 || index >= static_cast<int>(s.tabs.size())) return;
    if (NotifyCode(window, TCN_SELCHANGING) != 0 || Peek(window) == nullptr) return;
    StateOf<TabState>(window).cursel = index;
    InvalidateRect(window, nullptr, TRUE);
    NotifyCode(window, TCN_SELCHANGE);
}

void FillTabItem(const Tab& tab, TCITEMW& item)
{
    if (item.mask & TCIF_TEXT) CopyText(tab.text, item.pszText, item.cchTextMax);
    if (item.mask & TCIF_PARAM) item.lParam = tab.param;
    if (item.mask & TCIF_IMAGE) item.iImage = tab.image;
}

void SetTabItem(Tab& tab, const TCITEMW& item)
{
    if (item.mask & TCIF_TEXT) tab.text = TextOf(item.pszText);
    if (item.mask & TCIF_PARAM) tab.param = item.lParam;
    if (item.mask & TCIF_IMAGE) tab.image = item.iImage;
}

void PaintTabs(HWND window, HDC dc)
{
    const RECT client = ClientOf(window);
    const TabState& s = StateOf<TabState>(window);
    FillWindowRectColor(dc, client, COLOR_BTNFACE);
    FrameWindowRect(dc, RECT{0, kTabRowHeight, client.right, client.bottom}, COLOR_BTNSHADOW);
    for (int i = 0; i < static_cast<int>(s.tabs.size()); ++i) {
        RECT tab = TabRect(s, i);
        if (i == s.cursel) tab.top -= 2;
        FrameWindowRect(dc, tab, i == s.cursel ? COLOR_BTNTEXT : COLOR_BTNSHADOW);
        DrawWindowText(dc, window, s.tabs[static_cast<std::size_t>(i)].text, tab,
                       DT_CENTER | DT_VCENTER | DT_SINGLELINE, COLOR_BTNTEXT);
    }
    if (GetFocus() == window && s.cursel >= 0) DrawFocus(dc, TabRect(s, s.cursel));
}

LRESULT TabProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Peek(window) == nullptr) return 0;
    TabState& s = StateOf<TabState>(window);
    const int count = static_cast<int>(s.tabs.size());
    switch (message) {
    case TCM_GETITEMCOUNT:
        return count;
    case TCM_INSERTITEMW: {
        const auto* item = reinterpret_cast<const TCITEMW*>(lParam);
        if (item == nullptr) return -1;
        const int at = std::clamp(static_cast<int>(wParam), 0, count);
        Tab tab;
        SetTabItem(tab, *item);
        s.tabs.insert(s.tabs.begin() + at, std::move(tab));
        if (s.cursel < 0)
            s.cursel = 0;
        else if (at <= s.cursel && count > 0)
            ++s.cursel;
        InvalidateRect(window, nullptr, TRUE);
        return at;
    }
    case TCM_GETITEMW:
    case TCM_SETITEMW: {
        auto* item = reinterpret_cast<TCITEMW*>(lParam);
        const int index = static_cast<int>(wParam);
        if (item == nullptr || index < 0 || index >= count) return FALSE;
        if (message == TCM_GETITEMW) {
            FillTabItem(s.tabs[static_cast<std::size_t>(index)], *item);
        } else {
            SetTabItem(s.tabs[static_cast<std::size_t>(index)], *item);
            InvalidateRect(window, nullptr, TRUE);
        }
        return TRUE;
    }
    case TCM_DELETEITEM: {
        const int index = static_cast<int>(wParam);
        if (index < 0 || index >= count) return FALSE;
        s.tabs.erase(s.tabs.begin() + index);
        if (index < s.cursel || s.cursel >= static_cast<int>(s.tabs.size())) --s.cursel;
        if (s.tabs.empty()) s.cursel = -1;
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    }
    case TCM_DELETEALLITEMS:
        s.tabs.clear();
        s.cursel = -1;
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    case TCM_GETCURSEL:
        return s.cursel;
    case TCM_SETCURSEL: {
        const int index = static_cast<int>(wParam);
        if (index < 0 || index >= count) return -1;
        InvalidateRect(window, nullptr, TRUE);
        return std::exchange(s.cursel, index);
    }
    case TCM_GETITEMRECT: {
        const int index = static_cast<int>(wParam);
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (rect == nullptr || index < 0 || index >= count) return FALSE;
        *rect = TabRect(s, index);
        return TRUE;
    }
    case TCM_ADJUSTRECT: {
        // FALSE: the display area of a window rectangle; TRUE: the reverse.
        auto* rect = reinterpret_cast<RECT*>(lParam);
        if (rect == nullptr) return 0;
        const LONG sign = wParam ? -1 : 1;
        rect->left += sign * kTabInset;
        rect->top += sign * (kTabRowHeight + kTabInset);
        rect->right -= sign * kTabInset;
        rect->bottom -= sign * kTabInset;
        return 0;
    }
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        for (int i = 0; i < count; ++i) {
            if (Contains(TabRect(s, i), at)) {
                SelectTabAsUser(window, i);
                break;
            }
        }
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == static_cast<WPARAM>(VK_LEFT))
            SelectTabAsUser(window, s.cursel - 1);
        else if (wParam == static_cast<WPARAM>(VK_RIGHT))
            SelectTabAsUser(window, s.cursel + 1);
        else
            return DefWindowProcW(window, message, wParam, lParam);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, TRUE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { PaintTabs(window, dc); });
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// ---- Tree view ---------------------------------------------------------------

struct TreeNode {
    std::u16string text;
    LPARAM param = 0;
    UINT state = 0;
    int image = 0;
    int selectedImage = 0;
    int children = 0;  // cChildren as set
    HTREEITEM parent = nullptr;
    std::vector<HTREEITEM> kids;
};

struct TreeState : ControlState {
    std::map<HTREEITEM, TreeNode> nodes;
    std::vector<HTREEITEM> roots;
    HTREEITEM selected = nullptr;
};

// Items are numbered for the life of the process, so a deleted item's
// handle never names a new one.
HTREEITEM NewTreeItem()
{
    static ULONG_PTR next = 0x1000;
    return reinterpret_cast<HTREEITEM>(next++);
}

TreeNode* NodeOf(TreeState& s, HTREEITEM item)
{
    const auto found = s.nodes.find(item);
    return found == s.nodes.end() ? nullptr : &found->second;
}

std::vector<HTREEITEM>& SiblingsOf(TreeState& s, HTREEITEM parent)
{
    return parent == nullptr ? s.roots : s.nodes[parent].kids;
}

void DeleteSubtree(TreeState& s, HTREEITEM item)
{
    TreeNode* node = NodeOf(s, item);
    if (node == nullptr) return;
    const std::vector<HTREEITEM> kids = node->kids;
    for (HTREEITEM kid : kids) DeleteSubtree(s, kid);
    if (s.selected == item) s.selected = nullptr;
    s.nodes.erase(item);
}

HTREEITEM InsertTreeItem(TreeState& s, const TVINSERTSTRUCTW& insert)
{
    HTREEITEM parent = insert.hParent == TVI_ROOT ? nullptr : insert.hParent;
    if (parent != nullptr && NodeOf(s, parent) == nullptr) return nullptr;
    std::vector<HTREEITEM>& siblings = SiblingsOf(s, parent);
    auto at = siblings.end();
    if (insert.hInsertAfter == TVI_FIRST) {
        at = siblings.begin();
    } else if (insert.hInsertAfter != TVI_LAST && insert.hInsertAfter != nullptr) {
        const auto after = std::find(siblings.begin(), siblings.end(), insert.hInsertAfter);
        if (after != siblings.end()) at = after + 1;
    }
    const HTREEITEM item = NewTreeItem();
    TreeNode node;
    const TVITEMW& fields = insert.item;
    if (fields.mask & TVIF_TEXT) node.text = TextOf(fields.pszText);
    if (fields.mask & TVIF_PARAM) node.param = fields.lParam;
    if (fields.mask & TVIF_STATE) node.state = fields.state & fields.stateMask;
    if (fields.mask & TVIF_IMAGE) node.image = fields.iImage;
    if (fields.mask & TVIF_SELECTEDIMAGE) node.selectedImage = fields.iSelectedImage;
    if (fields.mask & TVIF_CHILDREN) node.children = fields.cChildren;
    node.parent = parent;
    siblings.insert(at, item);
    s.nodes.emplace(item, std::move(node));
    return item;
}

HTREEITEM NextTreeItem(TreeState& s, UINT relation, HTREEITEM item)
{
    auto sibling = [&](int step) -> HTREEITEM {
        TreeNode* node = NodeOf(s, item);
        if (node == nullptr) return nullptr;
        const std::vector<HTREEITEM>& siblings = SiblingsOf(s, node->parent);
        const auto at = std::find(siblings.begin(), siblings.end(), item) - siblings.begin() + step;
        return at >= 0 && at < static_cast<std::ptrdiff_t>(siblings.size()) ? siblings[static_cast<std::size_t>(at)]
                                                                            : nullptr;
    };
    switch (relation) {
    case TVGN_ROOT:
        return s.roots.empty() ? nullptr : s.roots.front();
    case TVGN_NEXT:
        return sibling(1);
    case TVGN_PREVIOUS:
        return sibling(-1);
    case TVGN_PARENT: {
        TreeNode* node = NodeOf(s, item);
        return node ? node->parent : nullptr;
    }
    case TVGN_CHILD: {
        if (item == nullptr || item == TVI_ROOT) return s.roots.empty() ? nullptr : s.roots.front();
        TreeNode* node = NodeOf(s, item);
        return node && !node->kids.empty() ? node->kids.front() : nullptr;
    }
    case TVGN_CARET:
        return s.selected;
    default:
        return nullptr;
    }
}

// The rows shown: each root, and the children of expanded items, in order.
void VisibleTreeRows(TreeState& s, const std::vector<HTREEITEM>& level, int depth,
                     std::vector<std::pair<HTREEITEM, int>>& rows)
{
    for (HTREEITEM item : level) {
        rows.emplace_back(item, depth);
        TreeNode& node = s.nodes[item];
        if (node.state & TVIS_EXPANDED) VisibleTreeRows(s, node.kids, depth + 1, rows);
    }
}

void PaintTree(HWND window, HDC dc)
{
    const RECT client = ClientOf(window);
    TreeState& s = StateOf<TreeState>(window);
    FillWindowRectColor(dc, client, COLOR_WINDOW);
    std::vector<std::pair<HTREEITEM, int>> rows;
    VisibleTreeRows(s, s.roots, 0, rows);
    LONG top = 0;
    for (const auto& [item, depth] : rows) {
        const RECT row{kTreeIndent * depth + 2, top, client.right, top + kRowHeight};
        const bool selected = item == s.selected;
        if (selected) FillWindowRectColor(dc, row, COLOR_HIGHLIGHT);
        DrawWindowText(dc, window, s.nodes[item].text, row, DT_LEFT | DT_VCENTER | DT_SINGLELINE,
                       selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
        top += kRowHeight;
    }
}

LRESULT TreeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Peek(window) == nullptr) return 0;
    TreeState& s = StateOf<TreeState>(window);
    switch (message) {
    case TVM_INSERTITEMW: {
        const auto* insert = reinterpret_cast<const TVINSERTSTRUCTW*>(lParam);
        if (insert == nullptr) return 0;
        const HTREEITEM item = InsertTreeItem(s, *insert);
        InvalidateRect(window, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(item);
    }
    case TVM_DELETEITEM: {
        auto item = reinterpret_cast<HTREEITEM>(lParam);
        if (item == nullptr || item == TVI_ROOT) {
            s.nodes.clear();
            s.roots.clear();
            s.selected = nullptr;
        } else {
            TreeNode* node = NodeOf(s, item);
            if (node == nullptr) return FALSE;
            std::vector<HTREEITEM>& siblings = SiblingsOf(s, node->parent);
            siblings.erase(std::find(siblings.begin(), siblings.end(), item));
            DeleteSubtree(s, item);
        }
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    }
    case TVM_GETCOUNT:
        return static_cast<LRESULT>(s.nodes.size());
    case TVM_GETNEXTITEM:
        return reinterpret_cast<LRESULT>(
            NextTreeItem(s, static_cast<UINT>(wParam), reinterpret_cast<HTREEITEM>(lParam)));
    case TVM_SELECTITEM: {
        auto item = reinterpret_cast<HTREEITEM>(lParam);
        if (wParam != TVGN_CARET || (item != nullptr && NodeOf(s, item) == nullptr)) return FALSE;
        if (TreeNode* old = NodeOf(s, s.selected)) old->state &= ~TVIS_SELECTED;
        s.selected = item;
        if (TreeNode* now = NodeOf(s, item)) now->state |= TVIS_SELECTED;
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    }
    case TVM_EXPAND: {
        TreeNode* node = NodeOf(s, reinterpret_cast<HTREEITEM>(lParam));
        if (node == nullptr) return FALSE;
        const UINT action = static_cast<UINT>(wParam) & 3;  // TVE_COLLAPSE 1, TVE_EXPAND 2, TVE_TOGGLE 3
        if (action == 1)
            node->state &= ~TVIS_EXPANDED;
        else if (action == 2)
            node->state |= TVIS_EXPANDED;
        else if (action == 3)
            node->state ^= TVIS_EXPANDED;
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    }
    case TVM_GETITEMW: {
        auto* item = reinterpret_cast<TVITEMW*>(lParam);
        TreeNode* node = item ? NodeOf(s, item->hItem) : nullptr;
        if (node == nullptr) return FALSE;
        if (item->mask & TVIF_TEXT) CopyText(node->text, item->pszText, item->cchTextMax);
        if (item->mask & TVIF_PARAM) item->lParam = node->param;
        if (item->mask & TVIF_STATE) item->state = node->state & item->stateMask;
        if (item->mask & TVIF_IMAGE) item->iImage = node->image;
        if (item->mask & TVIF_SELECTEDIMAGE) item->iSelectedImage = node->selectedImage;
        if (item->mask & TVIF_CHILDREN) item->cChildren = node->children || !node->kids.empty() ? 1 : 0;
        return TRUE;
    }
    case TVM_SETITEMW: {
        const auto* item = reinterpret_cast<const TVITEMW*>(lParam);
        TreeNode* node = item ? NodeOf(s, item->hItem) : nullptr;
        if (node == nullptr) return FALSE;
        if (item->mask & TVIF_TEXT) node->text = TextOf(item->pszText);
        if (item->mask & TVIF_PARAM) node->param = item->lParam;
        if (item->mask & TVIF_STATE) node->state = (node->state & ~item->stateMask) | (item->state & item->stateMask);
        if (item->mask & TVIF_IMAGE) node->image = item->iImage;
        if (item->mask & TVIF_SELECTEDIMAGE) node->selectedImage = item->iSelectedImage;
        if (item->mask & TVIF_CHILDREN) node->children = item->cChildren;
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { PaintTree(window, dc); });
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// ---- List view ---------------------------------------------------------------

struct ListColumn {
    std::u16string text;
    int width = 0;
    int format = 0;
};

struct ListRow {
    std::vector<std::u16string> texts;  // by column
    LPARAM param = 0;
    UINT state = 0;
};

struct ListViewState : ControlState {
    std::vector<ListColumn> columns;
    std::vector<ListRow> rows;
    int top = 0;
    LONG rowHeight = kRowHeight;
    DWORD extendedStyle = 0;
};

LONG HeaderHeight(HWND window)
{
    return (Peek(window)->style & LVS_NOCOLUMNHEADER) ? 0 : kHeaderHeight;
}

LONG RowsWidth(const ListViewState& s)
{
    LONG width = 0;
    for (const ListColumn& column : s.columns) width += column.width;
    return width;
}

RECT RowRect(HWND window, const ListViewState& s, int row)
{
    const LONG top = HeaderHeight(window) + (row - s.top) * s.rowHeight;
    return RECT{0, top, RowsWidth(s), top + s.rowHeight};
}

void NotifyItemChanged(HWND window, int row, UINT oldState, UINT newState, LPARAM param)
{
    NMLISTVIEW change{};
    change.hdr.code = LVN_ITEMCHANGED;
    change.iItem = row;
    change.uNewState = newState;
    change.uOldState = oldState;
    change.uChanged = LVIF_STATE;
    change.lParam = param;
    Notify(window, change.hdr);
}

// Sets the state bits of a row and tells the parent when they changed.
void SetRowState(HWND window, int row, UINT state, UINT mask)
{
    ListViewState& s = StateOf<ListViewState>(window);
    if (row < 0 || row >= static_cast<int>(s.rows.size())) return;
    ListRow& r = s.rows[static_cast<std::size_t>(row)];
    const UINT old = r.state;
    r.state = (old & ~mask) | (state & mask);
    if (r.state == old) return;
    const RECT rect = RowRect(window, s, row);
    InvalidateRect(window, &rect, TRUE);
    NotifyItemChanged(window, row, old, r.state, r.param);
}

// A state set on one row; a single-selection view, or the focus, leaves the
// other rows first.
void SetState(HWND window, int row, UINT state, UINT mask)
{
    const bool single = (Peek(window)->style & LVS_SINGLESEL) != 0;
    const UINT exclusive = (single ? LVIS_SELECTED : 0) | LVIS_FOCUSED;
    const UINT taken = state & mask & exclusive;
    if (taken != 0) {
        for (int other = 0; other < static_cast<int>(StateOf<ListViewState>(window).rows.size()); ++other)
            if (other != row && Peek(window)) SetRowState(window, other, 0, taken);
    }
    if (Peek(window)) SetRowState(window, row, state, mask);
}

// The user's click on a row: it becomes the selection and the focus.
void SelectListRowAsUser(HWND window, int row)
{
    ListViewState& s = StateOf<ListViewState>(window);
    if (row < 0 || row >= static_cast<int>(s.rows.size())) return;
    const UINT both = LVIS_SELECTED | LVIS_FOCUSED;
    for (int other = 0; other < static_cast<int>(s.rows.size()) && Peek(window); ++other)
        if (other != row) SetRowState(window, other, 0, both);
    if (Peek(window)) SetRowState(window, row, both, both);
}

int FindRow(const ListViewState& s, int start, UINT flags)
{
    const UINT wanted = ((flags & LVNI_SELECTED) ? LVIS_SELECTED : 0) | ((flags & LVNI_FOCUSED) ? LVIS_FOCUSED : 0);
    for (int row = std::max(-1, start) + 1; row < static_cast<int>(s.rows.size()); ++row)
        if ((s.rows[static_cast<std::size_t>(row)].state & wanted) == wanted) return row;
    return -1;
}

void FillListItem(const ListRow& row, LVITEMW& item)
{
    if (item.mask & LVIF_TEXT) {
        const std::size_t column = static_cast<std::size_t>(std::max(0, item.iSubItem));
        CopyText(column < row.texts.size() ? row.texts[column] : std::u16string(), item.pszText, item.cchTextMax);
    }
    if (item.mask & LVIF_PARAM) item.lParam = row.param;
    if (item.mask & LVIF_STATE) item.state = row.state & item.stateMask;
}

void SetRowText(ListRow& row, int column, LPCWSTR text)
{
    if (column < 0) return;
    if (row.texts.size() <= static_cast<std::size_t>(column)) row.texts.resize(static_cast<std::size_t>(column) + 1);
    row.texts[static_cast<std::size_t>(column)] = TextOf(text);
}

void PaintListView(HWND window, HDC dc)
{
    const RECT client = ClientOf(window);
    ListViewState& s = StateOf<ListViewState>(window);
    FillWindowRectColor(dc, client, COLOR_WINDOW);
    const Window* w = Peek(window);
    if (HeaderHeight(window) > 0) {
        LONG left = 0;
        for (const ListColumn& column : s.columns) {
            const RECT cell{left, 0, left + column.width, kHeaderHeight};
            FillWindowRectColor(dc, cell, COLOR_BTNFACE);
            FrameWindowRect(dc, cell, COLOR_BTNSHADOW);
            DrawWindowText(dc, window, column.text, RECT{cell.left + 4, 0, cell.right, cell.bottom},
                           DT_LEFT | DT_VCENTER | DT_SINGLELINE, COLOR_BTNTEXT);
            left += column.width;
        }
    }
    const bool ownerDraw = (w->style & LVS_OWNERDRAWFIXED) != 0;
    const bool focused = GetFocus() == window;
    for (int row = s.top; row < static_cast<int>(s.rows.size()); ++row) {
        const RECT rect = RowRect(window, s, row);
        if (rect.top >= client.bottom) break;
        const ListRow& r = s.rows[static_cast<std::size_t>(row)];
        if (ownerDraw) {
            DRAWITEMSTRUCT draw{};
            draw.CtlType = ODT_LISTVIEW;
            draw.CtlID = static_cast<UINT>(w->id);
            draw.itemID = static_cast<UINT>(row);
            draw.itemAction = ODA_DRAWENTIRE;
            draw.itemState = ((r.state & LVIS_SELECTED) ? ODS_SELECTED : 0) |
                             ((focused && (r.state & LVIS_FOCUSED)) ? ODS_FOCUS : 0);
            draw.hwndItem = window;
            draw.hDC = dc;
            draw.rcItem = rect;
            draw.itemData = static_cast<ULONG_PTR>(r.param);
            SendMessageW(w->parent, WM_DRAWITEM, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&draw));
            if (Peek(window) == nullptr) return;
            continue;
        }
        const bool selected = (r.state & LVIS_SELECTED) != 0;
        if (selected) FillWindowRectColor(dc, rect, COLOR_HIGHLIGHT);
        LONG left = 0;
        for (std::size_t column = 0; column < s.columns.size(); ++column) {
            const LONG width = s.columns[column].width;
            if (column < r.texts.size())
                DrawWindowText(dc, window, r.texts[column], RECT{left + 2, rect.top, left + width, rect.bottom},
                               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS,
                               selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
            left += width;
        }
    }
}

LRESULT ListViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Peek(window) == nullptr) return 0;
    ListViewState& s = StateOf<ListViewState>(window);
    const int count = static_cast<int>(s.rows.size());
    switch (message) {
    case WM_CREATE: {
        Window* w = Peek(window);
        if ((w->style & LVS_OWNERDRAWFIXED) && w->parent) {
            MEASUREITEMSTRUCT measure{ODT_LISTVIEW, static_cast<UINT>(w->id), 0, 0, static_cast<UINT>(kRowHeight), 0};
            SendMessageW(w->parent, WM_MEASUREITEM, static_cast<WPARAM>(w->id), reinterpret_cast<LPARAM>(&measure));
            if (Peek(window) && measure.itemHeight > 0) StateOf<ListViewState>(window).rowHeight = measure.itemHeight;
        }
        return 0;
    }
    case LVM_INSERTCOLUMNW: {
        const auto* column = reinterpret_cast<const LVCOLUMNW*>(lParam);
        if (column == nullptr) return -1;
        const int at = std::clamp(static_cast<int>(wParam), 0, static_cast<int>(s.columns.size()));
        ListColumn added;
        if (column->mask & LVCF_TEXT) added.text = TextOf(column->pszText);
        if (column->mask & LVCF_WIDTH) added.width = column->cx;
        if (column->mask & LVCF_FMT) added.format = column->fmt;
        s.columns.insert(s.columns.begin() + at, std::move(added));
        InvalidateRect(window, nullptr, TRUE);
        return at;
    }
    case LVM_GETCOLUMNWIDTH: {
        const std::size_t column = wParam;
        return column < s.columns.size() ? s.columns[column].width : 0;
    }
    case LVM_SETCOLUMNWIDTH: {
        const std::size_t column = wParam;
        if (column >= s.columns.size()) return FALSE;
        s.columns[column].width = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    }
    case LVM_GETITEMCOUNT:
        return count;
    case LVM_INSERTITEMW: {
        // An insert never notifies, even with LVIS_SELECTED in its state.
        const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
        if (item == nullptr || item->iSubItem != 0) return -1;
        const int at = std::clamp(item->iItem, 0, count);
        ListRow row;
        if (item->mask & LVIF_TEXT) SetRowText(row, 0, item->pszText);
        if (item->mask & LVIF_PARAM) row.param = item->lParam;
        if (item->mask & LVIF_STATE) row.state = item->state & item->stateMask;
        s.rows.insert(s.rows.begin() + at, std::move(row));
        InvalidateRect(window, nullptr, TRUE);
        return at;
    }
    case LVM_DELETEITEM: {
        const int row = static_cast<int>(wParam);
        if (row < 0 || row >= count) return FALSE;
        s.rows.erase(s.rows.begin() + row);
        s.top = std::clamp(s.top, 0, std::max(0, count - 2));
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    }
    case LVM_DELETEALLITEMS:
        s.rows.clear();
        s.top = 0;
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    case LVM_SETITEMSTATE: {
        const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
        if (item == nullptr) return FALSE;
        const int row = static_cast<int>(static_cast<INT_PTR>(wParam));
        if (row == -1) {
            for (int each = 0; each < count && Peek(window); ++each)
                SetRowState(window, each, item->state, item->stateMask);
            return TRUE;
        }
        if (row < 0 || row >= count) return FALSE;
        SetState(window, row, item->state, item->stateMask);
        return TRUE;
    }
    case LVM_GETITEMSTATE: {
        const int row = static_cast<int>(wParam);
        return row >= 0 && row < count ? s.rows[static_cast<std::size_t>(row)].state & static_cast<UINT>(lParam) : 0;
    }
    case LVM_GETNEXTITEM:
        return FindRow(s, static_cast<int>(static_cast<INT_PTR>(wParam)), static_cast<UINT>(lParam));
    case LVM_GETITEMW: {
        auto* item = reinterpret_cast<LVITEMW*>(lParam);
        if (item == nullptr || item->iItem < 0 || item->iItem >= count) return FALSE;
        FillListItem(s.rows[static_cast<std::size_t>(item->iItem)], *item);
        return TRUE;
    }
    case LVM_GETITEMTEXTW: {
        auto* item = reinterpret_cast<LVITEMW*>(lParam);
        const int row = static_cast<int>(wParam);
        if (item == nullptr || row < 0 || row >= count) return 0;
        LVITEMW text = *item;
        text.mask = LVIF_TEXT;
        FillListItem(s.rows[static_cast<std::size_t>(row)], text);
        return text.pszText ? static_cast<LRESULT>(std::u16string_view(text.pszText).size()) : 0;
    }
    case LVM_SETITEMW:
    case LVM_SETITEMTEXTW: {
        const auto* item = reinterpret_cast<const LVITEMW*>(lParam);
        const int row = message == LVM_SETITEMW ? (item ? item->iItem : -1) : static_cast<int>(wParam);
        if (item == nullptr || row < 0 || row >= count) return FALSE;
        ListRow& r = s.rows[static_cast<std::size_t>(row)];
        if (message == LVM_SETITEMTEXTW || (item->mask & LVIF_TEXT)) SetRowText(r, item->iSubItem, item->pszText);
        if (message == LVM_SETITEMW && (item->mask & LVIF_PARAM)) r.param = item->lParam;
        InvalidateRect(window, nullptr, TRUE);
        if (message == LVM_SETITEMW && (item->mask & LVIF_STATE)) SetState(window, row, item->state, item->stateMask);
        return TRUE;
    }
    case LVM_GETITEMRECT: {
        auto* rect = reinterpret_cast<RECT*>(lParam);
        const int row = static_cast<int>(wParam);
        if (rect == nullptr || row < 0 || row >= count) return FALSE;
        *rect = RowRect(window, s, row);
        return TRUE;
    }
    case LVM_GETTOPINDEX:
        return s.top;
    case LVM_ENSUREVISIBLE: {
        const int row = static_cast<int>(wParam);
        if (row < 0 || row >= count) return FALSE;
        const LONG visible = std::max<LONG>(1, (ClientOf(window).bottom - HeaderHeight(window)) / s.rowHeight);
        if (row < s.top)
            s.top = row;
        else if (row >= s.top + visible)
            s.top = row - static_cast<int>(visible) + 1;
        InvalidateRect(window, nullptr, TRUE);
        return TRUE;
    }
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        const DWORD mask = wParam ? static_cast<DWORD>(wParam) : ~DWORD{0};
        const DWORD old = s.extendedStyle;
        s.extendedStyle = (old & ~mask) | (static_cast<DWORD>(lParam) & mask);
        return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        return s.extendedStyle;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        SetFocus(window);
        if (Peek(window) == nullptr) return 0;
        const LONG y = GET_Y_LPARAM(lParam) - HeaderHeight(window);
        if (y >= 0) SelectListRowAsUser(window, s.top + static_cast<int>(y / s.rowHeight));
        return 0;
    }
    case WM_KEYDOWN: {
        const int focus = FindRow(s, -1, LVNI_FOCUSED);
        if (wParam == static_cast<WPARAM>(VK_UP))
            SelectListRowAsUser(window, std::max(0, focus - 1));
        else if (wParam == static_cast<WPARAM>(VK_DOWN))
            SelectListRowAsUser(window, std::min(count - 1, focus + 1));
        else
            return DefWindowProcW(window, message, wParam, lParam);
        return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, TRUE);
        NotifyCode(window, message == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        return PaintWith(window, [&](HDC dc) { PaintListView(window, dc); });
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

void RegisterCommonControlClasses()
{
    State& state = GetState();
    const std::pair<const WCHAR*, WNDPROC> entries[] = {
        {TRACKBAR_CLASSW, TrackbarProc},
        {WC_TABCONTROLW, TabProc},
        {WC_TREEVIEWW, TreeProc},
        {WC_LISTVIEWW, ListViewProc},
    };
    for (const auto& [name, proc] : entries) {
        auto windowClass = std::make_shared<WindowClass>();
        windowClass->name = name;
        windowClass->atom = state.nextAtom++;
        windowClass->style = CS_DBLCLKS | CS_GLOBALCLASS;
        windowClass->proc = proc;
        windowClass->cursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass->system = true;
        state.classes[Upper(name)] = windowClass;
    }
}

std::vector<ListViewRow> ListViewRows(HWND window)
{
    std::vector<ListViewRow> rows;
    Window* w = Peek(window);
    if (w == nullptr || w->windowClass->name != WC_LISTVIEWW) return rows;
    for (const ListRow& row : StateOf<ListViewState>(window).rows)
        rows.push_back({row.texts.empty() ? std::u16string() : row.texts.front(), row.param, row.state});
    return rows;
}

POINT ListViewRowPoint(HWND window, int row)
{
    Window* w = Peek(window);
    if (w == nullptr || w->windowClass->name != WC_LISTVIEWW) return POINT{-1, -1};
    const ListViewState& s = StateOf<ListViewState>(window);
    const RECT rect = RowRect(window, s, row);
    return POINT{std::min<LONG>(4, rect.right / 2), (rect.top + rect.bottom) / 2};
}

}  // namespace vexl::windows

void InitCommonControls() {}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init)
{
    return init != nullptr && init->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}
