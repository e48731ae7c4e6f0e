#include "platform/commctrl.h"
#include "platform/commctrl_host.h"
#include "ui_fixture.h"

#include <string>
#include <vector>

namespace vexl::test {
namespace {

using CommonControls = UiTest;

// What the parent was told: scroll codes with their positions, notification
// codes, list view changes and the rows it was asked to draw.
struct Told {
    std::vector<std::pair<WORD, WORD>> scrolls;
    std::vector<UINT> codes;
    std::vector<NMLISTVIEW> changes;
    std::vector<DRAWITEMSTRUCT> drawn;
    LRESULT selChangingAnswer = 0;
    UINT measuredHeight = 0;
};

Told& Listen()
{
    static Told told;
    told = Told{};
    Recorder::answer() = [](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        switch (message) {
        case WM_HSCROLL:
        case WM_VSCROLL:
            told.scrolls.emplace_back(LOWORD(wParam), HIWORD(wParam));
            return false;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            told.codes.push_back(header->code);
            if (header->code == LVN_ITEMCHANGED) told.changes.push_back(*reinterpret_cast<const NMLISTVIEW*>(lParam));
            result = header->code == TCN_SELCHANGING ? told.selChangingAnswer : 0;
            return true;
        }
        case WM_MEASUREITEM: {
            auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            told.measuredHeight = measure->itemHeight;
            measure->itemHeight = 20;
            result = TRUE;
            return true;
        }
        case WM_DRAWITEM:
            told.drawn.push_back(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return true;
        default:
            return false;
        }
    };
    return told;
}

TEST_F(CommonControls, TrackbarTellsTheParentWhatTheUserDidButNotWhatMessagesDid)
{
    HWND top = topLevel();
    HWND bar = child(top, TRACKBAR_CLASSW, TBS_AUTOTICKS | WS_TABSTOP, 10, 10, 110, 20, 85);
    Told& told = Listen();
    SendMessageW(bar, TBM_SETRANGE, TRUE, MAKELPARAM(0, 10));
    SendMessageW(bar, TBM_SETPAGESIZE, 0, 3);
    SendMessageW(bar, TBM_SETPOS, TRUE, 42);
    EXPECT_EQ(SendMessageW(bar, TBM_GETPOS, 0, 0), 10);  // clamped to the range
    SendMessageW(bar, TBM_SETPOS, TRUE, 2);
    EXPECT_TRUE(told.scrolls.empty());

    // The channel is 100 pixels from x 5: a click right of the thumb pages down.
    driver.click(bar, 90, 10);
    driver.pumpUntilIdle();
    EXPECT_EQ(SendMessageW(bar, TBM_GETPOS, 0, 0), 5);
    driver.key(VK_LEFT, true);
    driver.key(VK_LEFT, false);
    driver.pumpUntilIdle();
    EXPECT_EQ(SendMessageW(bar, TBM_GETPOS, 0, 0), 4);

    // Dragging the thumb (at x 45) to x 85 tracks, then settles on 8.
    POINT thumb{45, 10};
    ClientToScreen(bar, &thumb);
    driver.mouseButton(thumb, true);
    driver.mouseMove({thumb.x + 40, thumb.y});
    driver.mouseButton({thumb.x + 40, thumb.y}, false);
    driver.pumpUntilIdle();
    EXPECT_EQ(SendMessageW(bar, TBM_GETPOS, 0, 0), 8);
    using Scroll = std::pair<WORD, WORD>;
    EXPECT_EQ(told.scrolls, (std::vector<Scroll>{{TB_PAGEDOWN, 0},
                                                 {TB_ENDTRACK, 0},
                                                 {TB_LINEUP, 0},
                                                 {TB_ENDTRACK, 0},
                                                 {TB_THUMBTRACK, 8},
                                                 {TB_THUMBPOSITION, 8},
                                                 {TB_ENDTRACK, 0}}));
}

TEST_F(CommonControls, TabsChangeByClickOnlyWhenTheParentLetsThem)
{
    HWND top = topLevel();
    HWND tab = child(top, WC_TABCONTROLW, 0, 10, 10, 300, 200, 104);
    Told& told = Listen();
    for (const char16_t* text : {u"Paper", u"Layout", u"Quality"}) {
        std::u16string label = text;
        TCITEMW item{TCIF_TEXT | TCIF_PARAM, 0, 0, label.data(), 0, 0, static_cast<LPARAM>(label.size())};
        SendMessageW(tab, TCM_INSERTITEMW, 99, reinterpret_cast<LPARAM>(&item));
    }
    EXPECT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageW(tab, TCM_SETCURSEL, 2, 0), 0);
    EXPECT_TRUE(told.codes.empty());

    RECT first{};
    SendMessageW(tab, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&first));
    told.selChangingAnswer = TRUE;
    driver.click(tab, first.left + 3, first.top + 3);
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 2);
    told.selChangingAnswer = FALSE;
    driver.click(tab, first.left + 3, first.top + 3);
    EXPECT_EQ(SendMessageW(tab, TCM_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(told.codes, (std::vector<UINT>{TCN_SELCHANGING, TCN_SELCHANGING, TCN_SELCHANGE}));

    WCHAR text[8] = {};
    TCITEMW item{TCIF_TEXT | TCIF_PARAM, 0, 0, text, 4, 0, 0};
    ASSERT_TRUE(SendMessageW(tab, TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(std::u16string(text), u"Lay");
    EXPECT_EQ(item.lParam, 6);

    // The display area and the window area are each other's adjustment.
    RECT area{10, 10, 310, 210};
    SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
    EXPECT_GT(area.top, 10 + 10);
    SendMessageW(tab, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&area));
    EXPECT_EQ(area.left, 10);
    EXPECT_EQ(area.top, 10);
    EXPECT_EQ(area.right, 310);
    EXPECT_EQ(area.bottom, 210);
}

TEST_F(CommonControls, TreeViewKeepsItsNodesInOrderAndForgetsDeletedOnes)
{
    HWND top = topLevel();
    HWND tree = child(top, WC_TREEVIEWW, TVS_HASLINES, 10, 10, 200, 200, 105);
    auto insert = [&](HTREEITEM parent, HTREEITEM after, std::u16string text, LPARAM param) {
        TVINSERTSTRUCTW insert{parent, after, {TVIF_TEXT | TVIF_PARAM, nullptr, 0, 0, text.data(), 0, 0, 0, 0, param}};
        return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    };
    HTREEITEM root = insert(TVI_ROOT, TVI_LAST, u"Printer", 1);
    HTREEITEM second = insert(root, TVI_LAST, u"Tray 2", 3);
    HTREEITEM first = insert(root, TVI_FIRST, u"Tray 1", 2);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 3);

    auto next = [&](UINT relation, HTREEITEM item) {
        return reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    };
    EXPECT_EQ(next(TVGN_ROOT, nullptr), root);
    EXPECT_EQ(next(TVGN_CHILD, root), first);
    EXPECT_EQ(next(TVGN_NEXT, first), second);
    EXPECT_EQ(next(TVGN_NEXT, second), nullptr);
    EXPECT_EQ(next(TVGN_PARENT, second), root);

    WCHAR text[16] = {};
    TVITEMW item{TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN, root, 0, 0, text, 16, 0, 0, 0, 0};
    ASSERT_TRUE(SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(std::u16string(text), u"Printer");
    EXPECT_EQ(item.lParam, 1);
    EXPECT_EQ(item.cChildren, 1);

    EXPECT_TRUE(SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)));
    EXPECT_EQ(SendMessageW(tree, TVM_GETCOUNT, 0, 0), 0);
    item.hItem = first;
    EXPECT_FALSE(SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    EXPECT_NE(insert(TVI_ROOT, TVI_LAST, u"Again", 4), root);  // handles are not used twice
}

TEST_F(CommonControls, ReportListViewNotifiesSelectionChangesAndDrawsRowsByItsOwner)
{
    HWND top = topLevel();
    Told& told = Listen();
    HWND list =
        child(top, WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDRAWFIXED | WS_TABSTOP, 10, 10, 200, 100, 7);
    EXPECT_EQ(told.measuredHeight, 16u);  // asked at creation; the parent answered 20
    std::u16string title = u"Name";
    LVCOLUMNW column{LVCF_TEXT | LVCF_WIDTH, 0, 120, title.data(), 0, 0};
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    column.cx = 60;
    SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0), 60);

    for (int row = 0; row < 5; ++row) {
        std::u16string text = u"Row " + std::u16string(1, static_cast<char16_t>(u'0' + row));
        LVITEMW item{LVIF_TEXT | LVIF_PARAM | LVIF_STATE,
                     row,
                     0,
                     row == 1 ? LVIS_SELECTED : 0u,
                     LVIS_SELECTED,
                     text.data(),
                     0,
                     0,
                     100 + row,
                     0};
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    EXPECT_TRUE(told.changes.empty());  // inserts do not notify
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);

    // Selecting by message in a single-selection view leaves the old row first.
    LVITEMW select{};
    select.state = LVIS_SELECTED;
    select.stateMask = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&select));
    ASSERT_EQ(told.changes.size(), 2u);
    EXPECT_EQ(told.changes[0].iItem, 1);
    EXPECT_EQ(told.changes[0].uOldState, LVIS_SELECTED);
    EXPECT_EQ(told.changes[0].uNewState, 0u);
    EXPECT_EQ(told.changes[1].iItem, 3);
    EXPECT_EQ(told.changes[1].uNewState, LVIS_SELECTED);
    EXPECT_EQ(told.changes[1].uChanged, LVIF_STATE);
    EXPECT_EQ(told.changes[1].lParam, 103);

    // A click selects and focuses its row.
    told.changes.clear();
    const POINT at = windows::ListViewRowPoint(list, 2);
    driver.click(list, at.x, at.y);
    driver.pumpUntilIdle();
    EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 2);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMSTATE, 2, LVIS_FOCUSED | LVIS_SELECTED), LVIS_FOCUSED | LVIS_SELECTED);
    ASSERT_EQ(told.changes.size(), 2u);
    EXPECT_EQ(told.changes[0].iItem, 3);
    EXPECT_EQ(told.changes[1].iItem, 2);
    const std::vector<windows::ListViewRow> rows = windows::ListViewRows(list);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[4].text, u"Row 4");
    EXPECT_EQ(rows[4].param, 104);

    // Four rows of 20 fit under the header: one WM_DRAWITEM each, across both columns.
    told.drawn.clear();
    InvalidateRect(list, nullptr, TRUE);
    driver.pumpUntilIdle();
    ASSERT_EQ(told.drawn.size(), 4u);
    for (UINT row = 0; row < 4; ++row) {
        const DRAWITEMSTRUCT& draw = told.drawn[row];
        EXPECT_EQ(draw.CtlType, ODT_LISTVIEW);
        EXPECT_EQ(draw.itemID, row);
        EXPECT_EQ(draw.itemData, 100u + row);
        EXPECT_EQ(draw.rcItem.right - draw.rcItem.left, 180);
        EXPECT_EQ(draw.rcItem.bottom - draw.rcItem.top, 20);
        EXPECT_EQ(draw.itemState, row == 2 ? (ODS_SELECTED | ODS_FOCUS) : 0u);
    }
}

}  // namespace
}  // namespace vexl::test
