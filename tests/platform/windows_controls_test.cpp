#include "ui_fixture.h"

namespace vexl::test {
namespace {

using Controls = UiTest;

// The WM_DRAWITEM records the parent got, copied while they were valid.
std::vector<DRAWITEMSTRUCT>& Drawn()
{
    static std::vector<DRAWITEMSTRUCT> items;
    return items;
}

void RecordDrawItems()
{
    Drawn().clear();
    Recorder::answer() = [](HWND, UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
        if (message == WM_MEASUREITEM) {
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 18;
            result = TRUE;
            return true;
        }
        if (message != WM_DRAWITEM) return false;
        Drawn().push_back(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    };
}

TEST_F(Controls, ButtonsClickOnReleaseInsideAndAutoStylesToggleFirst)
{
    HWND top = topLevel();
    HWND push = child(top, u"Button", BS_PUSHBUTTON, 10, 10, 60, 20, 1, u"Push");
    HWND check = child(top, u"Button", BS_AUTOCHECKBOX, 10, 40, 60, 20, 2, u"Check");
    HWND a = child(top, u"Button", BS_AUTORADIOBUTTON | WS_GROUP, 10, 70, 60, 20, 3, u"A");
    HWND b = child(top, u"Button", BS_AUTORADIOBUTTON, 10, 90, 60, 20, 4, u"B");
    child(top, u"Button", BS_AUTORADIOBUTTON | WS_GROUP, 10, 110, 60, 20, 5, u"Other group");
    driver.pumpUntilIdle();

    int checkedWhenNotified = -1;
    Recorder::answer() = [&](HWND, UINT message, WPARAM wParam, LPARAM, LRESULT&) {
        if (message == WM_COMMAND && LOWORD(wParam) == 2) checkedWhenNotified = driver.checked(check);
        return false;
    };
    driver.click(check);
    EXPECT_EQ(checkedWhenNotified, 1);
    driver.click(check);
    EXPECT_EQ(driver.checked(check), 0);
    EXPECT_EQ(notifications(top, 2), (std::vector<WORD>{BN_CLICKED, BN_CLICKED}));

    SendMessageW(GetDlgItem(top, 5), BM_SETCHECK, BST_CHECKED, 0);
    driver.click(a);
    driver.click(b);
    EXPECT_EQ(driver.checked(a), 0);
    EXPECT_EQ(driver.checked(b), 1);
    EXPECT_EQ(driver.checked(GetDlgItem(top, 5)), 1);  // another group keeps its check

    // Pressed, the button holds the mouse; released outside it is no click.
    POINT inside{5, 5};
    ClientToScreen(push, &inside);
    driver.mouseButton(inside, true);
    EXPECT_EQ(GetCapture(), push);
    EXPECT_EQ(SendMessageW(push, BM_GETSTATE, 0, 0) & BST_PUSHED, BST_PUSHED);
    driver.mouseButton({inside.x + 200, inside.y}, false);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_TRUE(notifications(top, 1).empty());
    driver.click(push);
    EXPECT_EQ(notifications(top, 1), (std::vector<WORD>{BN_CLICKED}));
    EXPECT_EQ(GetFocus(), push);

    EnableWindow(push, FALSE);
    driver.click(push);
    EXPECT_EQ(notifications(top, 1).size(), 1u);
}

TEST_F(Controls, OwnerDrawnButtonsDrawEachStateChange)
{
    HWND top = topLevel();
    HWND button = child(top, u"Button", BS_OWNERDRAW, 10, 10, 60, 20, 21);
    driver.pumpUntilIdle();
    RecordDrawItems();
    InvalidateRect(button, nullptr, TRUE);
    driver.pumpUntilIdle();
    ASSERT_EQ(Drawn().size(), 1u);
    EXPECT_EQ(Drawn()[0].CtlType, ODT_BUTTON);
    EXPECT_EQ(Drawn()[0].CtlID, 21u);
    EXPECT_EQ(Drawn()[0].itemAction, ODA_DRAWENTIRE);
    EXPECT_EQ(Drawn()[0].rcItem.right, 60);

    Drawn().clear();
    driver.click(button);
    std::vector<std::pair<UINT, UINT>> seen;
    for (const DRAWITEMSTRUCT& d : Drawn()) seen.emplace_back(d.itemAction, d.itemState & (ODS_SELECTED | ODS_FOCUS));
    const std::vector<std::pair<UINT, UINT>> expected{
        {ODA_FOCUS, ODS_FOCUS}, {ODA_SELECT, ODS_SELECTED | ODS_FOCUS}, {ODA_SELECT, ODS_FOCUS}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(notifications(top, 21), (std::vector<WORD>{BN_CLICKED}));

    Drawn().clear();
    EnableWindow(button, FALSE);
    driver.pumpUntilIdle();
    ASSERT_FALSE(Drawn().empty());
    EXPECT_EQ(Drawn().back().itemState & ODS_DISABLED, ODS_DISABLED);
}

TEST_F(Controls, EditTypesWithinItsLimitAndNotifiesEveryChange)
{
    HWND top = topLevel();
    HWND edit = child(top, u"Edit", ES_AUTOHSCROLL, 10, 10, 100, 20, 61);
    driver.pumpUntilIdle();
    SendMessageW(edit, EM_SETLIMITTEXT, 5, 0);
    driver.type(edit, u"12,5");
    EXPECT_EQ(driver.text(edit), u"12,5");
    driver.type(edit, u"67");  // one more fits
    EXPECT_EQ(driver.text(edit), u"12,56");
    SendMessageW(edit, EM_SETSEL, 1, 3);
    driver.type(edit, u"x");
    EXPECT_EQ(driver.text(edit), u"1x56");
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 2u);
    driver.type(edit, u"\b\b");
    EXPECT_EQ(driver.text(edit), u"56");

    auto codes = notifications(top, 61);
    // Focus first, then EN_UPDATE before EN_CHANGE for each change, and
    // EN_MAXTEXT for the character that did not fit.
    ASSERT_GE(codes.size(), 3u);
    EXPECT_EQ(codes[0], EN_SETFOCUS);
    EXPECT_EQ(codes[1], EN_UPDATE);
    EXPECT_EQ(codes[2], EN_CHANGE);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), EN_MAXTEXT), 1);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), EN_CHANGE), 8);

    // WM_SETTEXT notifies a single-line edit too, and resets the caret.
    Recorder::log().clear();
    SetWindowTextW(edit, u"abc");
    EXPECT_EQ(notifications(top, 61), (std::vector<WORD>{EN_UPDATE, EN_CHANGE}));
    HWND multi = child(top, u"Edit", ES_MULTILINE, 10, 40, 100, 40, 62);
    Recorder::log().clear();
    SetWindowTextW(multi, u"abc");
    EXPECT_TRUE(notifications(top, 62).empty());
}

TEST_F(Controls, EditPastesAndMasksAndRefuses)
{
    HWND top = topLevel();
    HWND edit = child(top, u"Edit", ES_AUTOHSCROLL, 10, 10, 100, 20, 61);
    HWND number = child(top, u"Edit", ES_NUMBER, 10, 40, 100, 20, 62);
    HWND locked = child(top, u"Edit", ES_READONLY, 10, 70, 100, 20, 63, u"fixed");
    driver.pumpUntilIdle();
    SendMessageW(edit, EM_SETLIMITTEXT, 8, 0);
    driver.paste(edit, u"line one\r\nline two");
    EXPECT_EQ(driver.text(edit), u"line one");
    SetWindowTextW(edit, u"");
    driver.paste(edit, u"0123456789");
    EXPECT_EQ(driver.text(edit), u"01234567");

    SendMessageW(edit, EM_SETPASSWORDCHAR, u'*', 0);
    EXPECT_EQ(SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0), u'*');
    EXPECT_EQ(driver.text(edit), u"01234567");  // the text itself stays

    driver.type(number, u"4a2");
    EXPECT_EQ(driver.text(number), u"42");
    driver.type(locked, u"x");
    driver.paste(locked, u"y");
    EXPECT_EQ(driver.text(locked), u"fixed");
}

TEST_F(Controls, ListBoxRowsSelectionAndSearch)
{
    HWND top = topLevel();
    HWND list = child(top, u"ListBox", LBS_NOTIFY | LBS_SORT, 10, 10, 100, 64, 42);
    driver.pumpUntilIdle();
    for (const WCHAR* text : {u"pear", u"Apple", u"fig"})
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(driver.rowTexts(list), (std::vector<std::u16string>{u"Apple", u"fig", u"pear"}));
    EXPECT_EQ(SendMessageW(list, LB_INSERTSTRING, 1, reinterpret_cast<LPARAM>(u"kiwi")), 1);
    EXPECT_EQ(SendMessageW(list, LB_SETITEMDATA, 3, 77), LB_OKAY);
    EXPECT_EQ(SendMessageW(list, LB_SETITEMDATA, 9, 77), LB_ERR);
    EXPECT_EQ(SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"APPLE")), 0);
    EXPECT_EQ(SendMessageW(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"app")),
              LB_ERR);

    // Programmatic selection is silent; a click selects and notifies.
    EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, 3, 0), 3);
    EXPECT_TRUE(notifications(top, 42).empty());
    EXPECT_EQ(SendMessageW(list, LB_DELETESTRING, 0, 0), 3);
    EXPECT_EQ(driver.cursel(list), 2);  // the selection follows its row
    EXPECT_EQ(driver.curselData(list), 77u);
    RECT row{};
    SendMessageW(list, LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
    driver.click(list, 5, (row.top + row.bottom) / 2);
    EXPECT_EQ(driver.cursel(list), 1);
    EXPECT_EQ(notifications(top, 42), (std::vector<WORD>{LBN_SETFOCUS, LBN_SELCHANGE}));
    driver.selectRow(list, 0);
    EXPECT_EQ(notifications(top, 42).back(), LBN_SELCHANGE);
    EXPECT_EQ(SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(-1), 0), 0);
    EXPECT_EQ(driver.cursel(list), -1);

    // The top row can be set on a disabled list.
    for (int i = 0; i < 10; ++i) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"zz"));
    EnableWindow(list, FALSE);
    EXPECT_EQ(SendMessageW(list, LB_SETTOPINDEX, 5, 0), LB_OKAY);
    EXPECT_EQ(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 5);
}

TEST_F(Controls, OwnerDrawnListsMeasureAtCreationAndDrawRowsAndChanges)
{
    HWND top = topLevel();
    RecordDrawItems();
    HWND list = child(top, u"ListBox", LBS_OWNERDRAWFIXED | LBS_NOTIFY, 10, 10, 100, 54, 47);
    EXPECT_EQ(Recorder::messages(top, {WM_MEASUREITEM}).size(), 1u);
    EXPECT_EQ(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0), 18);
    // Without LBS_HASSTRINGS the added value is the row's data.
    for (LPARAM data : {100, 200, 300, 400}) SendMessageW(list, LB_ADDSTRING, 0, data);
    EXPECT_EQ(driver.rowData(list), (std::vector<ULONG_PTR>{100, 200, 300, 400}));
    Drawn().clear();
    driver.pumpUntilIdle();
    std::vector<UINT> rows;
    for (const DRAWITEMSTRUCT& d : Drawn()) {
        EXPECT_EQ(d.CtlType, ODT_LISTBOX);
        EXPECT_EQ(d.itemData, 100u * (d.itemID + 1));
        rows.push_back(d.itemID);
    }
    EXPECT_EQ(rows, (std::vector<UINT>{0, 1, 2}));  // the visible rows only
    EXPECT_EQ(Recorder::messages(top, {WM_CTLCOLORLISTBOX}).size(), 1u);

    SendMessageW(list, LB_SETCURSEL, 0, 0);
    Drawn().clear();
    SendMessageW(list, LB_SETCURSEL, 2, 0);
    ASSERT_EQ(Drawn().size(), 2u);
    EXPECT_EQ(Drawn()[0].itemID, 0u);
    EXPECT_EQ(Drawn()[0].itemAction, ODA_SELECT);
    EXPECT_EQ(Drawn()[0].itemState & ODS_SELECTED, 0u);
    EXPECT_EQ(Drawn()[1].itemID, 2u);
    EXPECT_EQ(Drawn()[1].itemState & ODS_SELECTED, ODS_SELECTED);
    EXPECT_EQ(Drawn()[1].rcItem.top, 36);
}

TEST_F(Controls, CombosSelectSilentlyByMessageAndNotifyTheUsersChoice)
{
    HWND top = topLevel();
    RecordDrawItems();
    HWND combo = child(top, u"ComboBox", CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 10, 10, 100, 120, 43);
    std::vector<UINT> measured;
    for (const Received& r : Recorder::log()) {
        if (r.message == WM_MEASUREITEM) measured.push_back(r.message);
    }
    EXPECT_EQ(measured.size(), 2u);
    EXPECT_EQ(driver.rect(combo).bottom - driver.rect(combo).top, 24);  // the field, 18 + 6
    for (const WCHAR* text : {u"A4", u"Letter", u"Legal"})
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    SendMessageW(combo, CB_SETITEMDATA, 2, 5);

    EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 1, 0), 1);
    EXPECT_TRUE(notifications(top, 43).empty());
    EXPECT_EQ(driver.text(combo), u"Letter");
    driver.selectRow(combo, 2);
    EXPECT_EQ(driver.curselData(combo), 5u);
    EXPECT_EQ(notifications(top, 43), (std::vector<WORD>{CBN_SETFOCUS, CBN_SELCHANGE}));

    Drawn().clear();
    InvalidateRect(combo, nullptr, TRUE);
    driver.pumpUntilIdle();
    ASSERT_EQ(Drawn().size(), 1u);
    EXPECT_EQ(Drawn()[0].CtlType, ODT_COMBOBOX);
    EXPECT_EQ(Drawn()[0].itemID, 2u);
    EXPECT_EQ(Drawn()[0].itemState & ODS_COMBOBOXEDIT, ODS_COMBOBOXEDIT);

    WCHAR text[16] = {};
    EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text)), 2);
    EXPECT_EQ(std::u16string(text), u"A4");
    EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 7, reinterpret_cast<LPARAM>(text)), CB_ERR);
    EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0), CB_ERR);
    EXPECT_EQ(driver.cursel(combo), -1);

    driver.click(combo);
    EXPECT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
    RECT dropped{};
    SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_EQ(dropped.top, driver.rect(combo).bottom);
    driver.key(VK_ESCAPE, true);
    EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
    auto codes = notifications(top, 43);
    EXPECT_EQ(std::vector<WORD>(codes.end() - 3, codes.end()),
              (std::vector<WORD>{CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP}));

    // Dropped, the rows show in a popup below the combo, drawn by the parent;
    // a click on one chooses it.
    Drawn().clear();
    driver.click(combo);
    std::vector<HWND> tops = driver.topWindows();
    ASSERT_EQ(tops.size(), 2u);
    HWND popup = tops.front();
    EXPECT_EQ(driver.rect(popup).top, driver.rect(combo).bottom);
    std::vector<UINT> rows;
    for (const DRAWITEMSTRUCT& d : Drawn()) {
        EXPECT_EQ(d.hwndItem, combo);
        if ((d.itemState & ODS_COMBOBOXEDIT) == 0) rows.push_back(d.itemID);
    }
    EXPECT_EQ(rows, (std::vector<UINT>{0, 1, 2}));
    driver.click(popup, 5, 18 + 9);
    EXPECT_EQ(driver.cursel(combo), 1);
    EXPECT_FALSE(IsWindow(popup));
    codes = notifications(top, 43);
    EXPECT_EQ(std::vector<WORD>(codes.end() - 4, codes.end()),
              (std::vector<WORD>{CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP}));
}

TEST_F(Controls, ScrollBarsClampAndSendLineOrPageCodes)
{
    HWND top = topLevel();
    HWND bar = child(top, u"ScrollBar", SBS_VERT, 10, 10, 17, 117, 23);
    driver.pumpUntilIdle();
    SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 100, 10, 95, 0};
    EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &info, TRUE), 91);  // max - page + 1
    EXPECT_EQ(SendMessageW(bar, SBM_SETPOS, 0, FALSE), 91);
    int low = -1, high = -1;
    SendMessageW(bar, SBM_GETRANGE, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
    EXPECT_EQ(low, 0);
    EXPECT_EQ(high, 100);

    std::vector<WORD> codes;
    Recorder::answer() = [&](HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
        if (message == WM_VSCROLL && reinterpret_cast<HWND>(lParam) == bar) codes.push_back(LOWORD(wParam));
        return false;
    };
    driver.click(bar, 8, 5);   // the up arrow
    driver.click(bar, 8, 60);  // the track below the thumb
    EXPECT_EQ(codes, (std::vector<WORD>{SB_LINEUP, SB_ENDSCROLL, SB_PAGEDOWN, SB_ENDSCROLL}));
    codes.clear();
    EnableScrollBar(bar, SB_CTL, ESB_DISABLE_UP);
    driver.click(bar, 8, 5);
    EXPECT_EQ(codes, (std::vector<WORD>{SB_ENDSCROLL}));
    driver.scroll(bar, SB_THUMBPOSITION, 40);
    EXPECT_EQ(codes.back(), SB_THUMBPOSITION);
}

}  // namespace
}  // namespace vexl::test
