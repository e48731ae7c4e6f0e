#include "support/dialog_template.h"
#include "ui_fixture.h"

#include "platform/kernel.h"
#include "platform/windows_host.h"

#include <array>

namespace vexl::test {
namespace {

using windows::DialogTemplate;
using windows::ParseDialogTemplate;

// A standard template of one push button, as a resource compiler lays it out.
constexpr std::array<BYTE, 66> kStandardTemplate{
    0xC0, 0x00, 0xC8, 0x80,  // style DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU
    0x00, 0x00, 0x00, 0x00,  // exstyle
    0x01, 0x00,              // one item
    0x0A, 0x00, 0x14, 0x00, 0x64, 0x00, 0x32, 0x00,  // 10, 20, 100 x 50
    0x00, 0x00,                                      // no menu
    0x00, 0x00,                                      // dialog class
    u'H', 0x00, u'i', 0x00, 0x00, 0x00,              // caption "Hi"
    0x08, 0x00,                                      // 8 points
    u'M', 0x00, u'S', 0x00, 0x00, 0x00,              // face "MS", which ends on a DWORD
    0x01, 0x00, 0x01, 0x50,                          // BS_DEFPUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP
    0x00, 0x00, 0x00, 0x00,                          // exstyle
    0x05, 0x00, 0x06, 0x00, 0x32, 0x00, 0x0E, 0x00,  // 5, 6, 50 x 14
    0x01, 0x00,                                      // id IDOK
    0xFF, 0xFF, 0x80, 0x00,                          // Button
    u'O', 0x00, u'K', 0x00, 0x00, 0x00,              // "OK"
    0x00, 0x00,                                      // no creation data
};

// The extended layout: help ids, 32-bit item ids, weight, italic and charset.
constexpr std::array<BYTE, 78> kExtendedTemplate{
    0x01, 0x00, 0xFF, 0xFF,                          // version 1, extended
    0x07, 0x00, 0x00, 0x00,                          // help id 7
    0x00, 0x04, 0x00, 0x00,                          // WS_EX_CONTEXTHELP
    0x40, 0x04, 0x00, 0x40,                          // DS_SETFONT | DS_CONTROL | WS_CHILD
    0x01, 0x00,                                      // one item
    0x00, 0x00, 0x00, 0x00, 0xC8, 0x00, 0x64, 0x00,  // 0, 0, 200 x 100
    0x00, 0x00, 0x00, 0x00,                          // no menu, dialog class
    0x00, 0x00,                                      // no caption
    0x09, 0x00, 0x90, 0x01, 0x01, 0x80,              // 9 points, weight 400, italic, charset 128
    u'X', 0x00, 0x00, 0x00,                          // face "X"
    0x00, 0x00,                                      // align
    0x2A, 0x00, 0x00, 0x00,                          // help id 42
    0x00, 0x00, 0x00, 0x00,                          // exstyle
    0x03, 0x01, 0x21, 0x50,                          // CBS_DROPDOWNLIST | CBS_SORT | WS_CHILD | WS_VISIBLE | WS_VSCROLL
    0x01, 0x00, 0x02, 0x00, 0x03, 0x00, 0x04, 0x00,  // 1, 2, 3 x 4
    0x10, 0x27, 0x00, 0x00,                          // id 10000
    0xFF, 0xFF, 0x85, 0x00,                          // ComboBox
    0x00, 0x00,                                      // no text
    0x02, 0x00, 0xAB, 0xCD,                          // two bytes of creation data
};

TEST(DialogTemplates, BothLayoutsReadFieldByField)
{
    DialogTemplate t;
    ASSERT_TRUE(ParseDialogTemplate(kStandardTemplate.data(), kStandardTemplate.size(), t));
    EXPECT_FALSE(t.extended);
    EXPECT_EQ(t.style, DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(t.x, 10);
    EXPECT_EQ(t.cy, 50);
    EXPECT_EQ(t.caption, u"Hi");
    EXPECT_EQ(t.pointSize, 8);
    EXPECT_EQ(t.faceName, u"MS");
    ASSERT_EQ(t.items.size(), 1u);
    EXPECT_EQ(t.items[0].id, 1u);
    EXPECT_EQ(t.items[0].style, BS_DEFPUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP);
    EXPECT_TRUE(t.items[0].windowClass.isOrdinal);
    EXPECT_EQ(t.items[0].windowClass.id, 0x80);
    EXPECT_EQ(t.items[0].text.name, u"OK");
    EXPECT_EQ(t.items[0].cy, 14);

    ASSERT_TRUE(ParseDialogTemplate(kExtendedTemplate.data(), kExtendedTemplate.size(), t));
    EXPECT_TRUE(t.extended);
    EXPECT_EQ(t.helpId, 7u);
    EXPECT_EQ(t.exStyle, WS_EX_CONTEXTHELP);
    EXPECT_EQ(t.style, DS_SETFONT | DS_CONTROL | WS_CHILD);
    EXPECT_EQ(t.weight, 400);
    EXPECT_EQ(t.italic, 1);
    EXPECT_EQ(t.charset, 128);
    EXPECT_EQ(t.faceName, u"X");
    ASSERT_EQ(t.items.size(), 1u);
    EXPECT_EQ(t.items[0].helpId, 42u);
    EXPECT_EQ(t.items[0].id, 10000u);
    EXPECT_EQ(t.items[0].windowClass.id, 0x85);
    EXPECT_EQ(t.items[0].creationData, (std::vector<BYTE>{0xAB, 0xCD}));

    // The writer the tests use lays templates out byte for byte the same way.
    DialogTemplateWriter writer(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, 10, 20, 100, 50, u"Hi",
                                8, u"MS");
    writer.item(0x80, BS_DEFPUSHBUTTON | WS_CHILD | WS_VISIBLE | WS_TABSTOP, 5, 6, 50, 14, IDOK, u"OK");
    EXPECT_EQ(writer.bytes(), std::vector<BYTE>(kStandardTemplate.begin(), kStandardTemplate.end()));
}

TEST(DialogTemplates, EveryCutShortTemplateIsRefused)
{
    DialogTemplate t;
    for (std::size_t size = 0; size < kStandardTemplate.size(); ++size) {
        EXPECT_FALSE(ParseDialogTemplate(kStandardTemplate.data(), size, t)) << size;
    }
    for (std::size_t size = 0; size < kExtendedTemplate.size(); ++size) {
        EXPECT_FALSE(ParseDialogTemplate(kExtendedTemplate.data(), size, t)) << size;
    }
    EXPECT_FALSE(ParseDialogTemplate(nullptr, 100, t));
}

// ---- Dialogs at run time ------------------------------------------------------------

struct DialogCall {
    HWND dialog;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<DialogCall>& Calls()
{
    static std::vector<DialogCall> calls;
    return calls;
}

std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)>& Behaviour()
{
    static std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> behaviour;
    return behaviour;
}

INT_PTR TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    Calls().push_back({dialog, message, wParam, lParam});
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    if (Behaviour()) return Behaviour()(dialog, message, wParam, lParam);
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(dialog, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

std::vector<UINT> CallsOf(std::initializer_list<UINT> kinds)
{
    std::vector<UINT> out;
    for (const DialogCall& call : Calls()) {
        for (UINT kind : kinds) {
            if (call.message == kind) out.push_back(kind);
        }
    }
    return out;
}

class Dialogs : public UiTest {
protected:
    Dialogs()
    {
        Calls().clear();
        Behaviour() = nullptr;
    }
    ~Dialogs() override { Behaviour() = nullptr; }

    // A dialog of an owner-drawn combo, a label, an edit and OK / Cancel.
    static DialogTemplateWriter Form(std::u16string caption)
    {
        DialogTemplateWriter t(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION, 10, 10, 200, 120,
                               std::move(caption));
        t.item(0x85, CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL, 10, 10, 100, 80,
               100);
        t.item(0x82, SS_LEFT | WS_VISIBLE, 10, 30, 40, 10, 101, u"Name:");
        t.item(0x81, ES_AUTOHSCROLL | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 55, 30, 100, 12, 102);
        t.item(0x80, BS_DEFPUSHBUTTON | WS_VISIBLE | WS_TABSTOP, 40, 90, 50, 14, IDOK, u"OK");
        t.item(0x80, BS_PUSHBUTTON | WS_VISIBLE | WS_TABSTOP, 100, 90, 50, 14, IDCANCEL, u"Cancel");
        return t;
    }
};

TEST_F(Dialogs, CreationMeasuresOwnerDrawnItemsBeforeInitDialogThenFocusesTheFirstTabStop)
{
    std::vector<int> measured;
    Behaviour() = [&](HWND dialog, UINT message, WPARAM, LPARAM lParam) -> INT_PTR {
        if (message == WM_MEASUREITEM) {
            EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_USER), 0);  // no context yet
            measured.push_back(static_cast<int>(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemID));
            reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 20;
            return TRUE;
        }
        return message == WM_INITDIALOG ? TRUE : FALSE;
    };
    auto form = Form(u"Form");
    HWND dialog = CreateDialogIndirectParamW(nullptr, form.get(), nullptr, TestDialogProc, 1234);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(CallsOf({WM_SETFONT, WM_MEASUREITEM, WM_INITDIALOG}),
              (std::vector<UINT>{WM_SETFONT, WM_MEASUREITEM, WM_MEASUREITEM, WM_INITDIALOG}));
    EXPECT_EQ(measured, (std::vector<int>{-1, 0}));
    const DialogCall& init =
        *std::find_if(Calls().begin(), Calls().end(), [](const DialogCall& c) { return c.message == WM_INITDIALOG; });
    EXPECT_EQ(init.lParam, 1234);
    HWND combo = GetDlgItem(dialog, 100);
    EXPECT_EQ(reinterpret_cast<HWND>(init.wParam), combo);
    EXPECT_EQ(GetFocus(), combo);
    EXPECT_EQ(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0), 20);

    // Items in template order, which is the z-order; sizes from dialog units.
    EXPECT_EQ(driver.children(dialog), (std::vector<HWND>{combo, GetDlgItem(dialog, 101), GetDlgItem(dialog, 102),
                                                          GetDlgItem(dialog, IDOK), GetDlgItem(dialog, IDCANCEL)}));
    RECT ok = driver.rect(GetDlgItem(dialog, IDOK));
    RECT box = driver.rect(dialog);
    EXPECT_EQ(ok.left - box.left, 40 * windows::kDialogBaseUnitX / 4);
    EXPECT_EQ(ok.bottom - ok.top, 14 * windows::kDialogBaseUnitY / 8);
    EXPECT_EQ(driver.text(dialog), u"Form");
    DestroyWindow(dialog);
}

TEST_F(Dialogs, DefDlgProcAnswersWithTheMessageResultExceptForValueMessages)
{
    const auto brush = reinterpret_cast<HBRUSH>(0x5150);
    Behaviour() = [&](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
        switch (message) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_NOTIFY:
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 2);
            return TRUE;
        case WM_CTLCOLORLISTBOX:
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 99);
            return reinterpret_cast<INT_PTR>(brush);
        default:
            return FALSE;
        }
    };
    auto form = Form(u"Form");
    HWND dialog = CreateDialogIndirectParamW(nullptr, form.get(), nullptr, TestDialogProc, 0);
    NMHDR header{dialog, 0, 0};
    EXPECT_EQ(SendMessageW(dialog, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)), 2);
    EXPECT_EQ(SendMessageW(dialog, WM_CTLCOLORLISTBOX, 0, 0), reinterpret_cast<LRESULT>(brush));
    EXPECT_NE(SendMessageW(dialog, WM_CTLCOLORSTATIC, 0, 0), 0);  // the default brush
    // A property-sheet message to a dialog that is no sheet is just a message.
    EXPECT_EQ(SendMessageW(dialog, WM_USER + 0x68, 0, 0), 0);
    EXPECT_EQ(SendMessageW(dialog, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));
    DestroyWindow(dialog);
}

TEST_F(Dialogs, ModalDialogsNestFourDeepWithTheirOwnersDisabled)
{
    HWND top = topLevel();
    driver.pumpUntilIdle();
    std::vector<INT_PTR> results;
    std::function<void(HWND, int)> open = [&](HWND owner, int depth) {
        const std::u16string caption = u"Level " + std::u16string(1, static_cast<char16_t>(u'0' + depth));
        auto form = Form(caption);
        driver.onDialogCaption(caption, [&, depth, owner](HWND dialog) {
            EXPECT_EQ(GetActiveWindow(), dialog);
            EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
            EXPECT_FALSE(IsWindowEnabled(owner));
            if (depth < 4) open(dialog, depth + 1);
            EXPECT_EQ(GetActiveWindow(), dialog);
            driver.pressButton(dialog, depth % 2 == 0 ? IDOK : IDCANCEL);
        });
        results.push_back(DialogBoxIndirectParamW(nullptr, form.get(), owner, TestDialogProc, 0));
        EXPECT_TRUE(IsWindowEnabled(owner));
        EXPECT_EQ(GetActiveWindow(), owner);
    };
    open(top, 1);
    EXPECT_EQ(results, (std::vector<INT_PTR>{IDOK, IDCANCEL, IDOK, IDCANCEL}));
    EXPECT_EQ(driver.topWindows(), (std::vector<HWND>{top}));
}

TEST_F(Dialogs, DialogKeysEnterEscapeTabAndClose)
{
    HWND top = topLevel();
    driver.pumpUntilIdle();
    struct Case {
        const char* name;
        std::function<void(HWND)> act;
        INT_PTR result;
    };
    const Case cases[] = {
        {"Enter presses the default button", [&](HWND) { driver.key(VK_RETURN, true); }, IDOK},
        {"Escape cancels", [&](HWND) { driver.key(VK_ESCAPE, true); }, IDCANCEL},
        {"Enter on a focused push button presses it",
         [&](HWND dialog) {
             driver.setFocus(GetDlgItem(dialog, IDCANCEL));
             driver.key(VK_RETURN, true);
         },
         IDCANCEL},
        {"Tab moves on past the label",
         [&](HWND dialog) {
             driver.key(VK_TAB, true);
             driver.key(VK_TAB, false);
             EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 102));
             driver.key(VK_RETURN, true);
         },
         IDOK},
        {"WM_CLOSE posts IDCANCEL",
         [&](HWND dialog) {
             PostMessageW(dialog, WM_CLOSE, 0, 0);
             driver.pumpUntilIdle();
         },
         IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto form = Form(u"Keys");
        driver.onDialogCaption(u"Keys", c.act);
        EXPECT_EQ(DialogBoxIndirectParamW(nullptr, form.get(), top, TestDialogProc, 0), c.result);
    }
}

TEST_F(Dialogs, FocusSetInInitDialogStaysWhenItAnswersFalse)
{
    HWND top = topLevel();
    driver.pumpUntilIdle();
    Behaviour() = [](HWND dialog, UINT message, WPARAM wParam, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            SetFocus(GetDlgItem(dialog, 102));
            return FALSE;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(dialog, IDCANCEL);
        return FALSE;
    };
    auto form = Form(u"Chosen focus");
    driver.onDialogCaption(u"Chosen focus", [&](HWND dialog) {
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, 102));
        driver.key(VK_ESCAPE, true);
    });
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, form.get(), top, TestDialogProc, 0), IDCANCEL);
    // The first tab stop (the combo) never had the focus on the way.
    for (const DialogCall& call : Calls()) {
        EXPECT_FALSE(call.message == WM_COMMAND && LOWORD(call.wParam) == 100 && HIWORD(call.wParam) == CBN_SETFOCUS);
    }
}

TEST_F(Dialogs, AModalLoopWithNothingScriptedFailsWithTheOpenWindows)
{
    expectFailure = true;
    HWND top = topLevel();
    auto form = Form(u"Forgotten");
    EXPECT_EQ(DialogBoxIndirectParamW(nullptr, form.get(), top, TestDialogProc, 0), -1);
    ASSERT_EQ(driver.failures().size(), 1u);
    EXPECT_NE(driver.failures()[0].find("UI idle with a modal loop open"), std::string::npos);
    EXPECT_NE(driver.failures()[0].find("\"Forgotten\" (#32770)"), std::string::npos);
    EXPECT_NE(driver.failures()[0].find("\"Top\""), std::string::npos);
    EXPECT_TRUE(IsWindowEnabled(top));
}

TEST_F(Dialogs, MissingTemplatesAndModelessDialogs)
{
    EXPECT_EQ(DialogBoxParamW(nullptr, MAKEINTRESOURCEW(4006), nullptr, TestDialogProc, 0), -1);
    EXPECT_EQ(CreateDialogParamW(nullptr, MAKEINTRESOURCEW(4006), nullptr, TestDialogProc, 0), nullptr);

    // A modeless dialog without a procedure stays until destroyed; EndDialog hides it.
    auto busy = Form(u"Busy");
    HWND dialog = CreateDialogIndirectParamW(nullptr, busy.get(), nullptr, nullptr, 0);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
    EXPECT_TRUE(driver.visible(dialog));
    EXPECT_TRUE(EndDialog(dialog, 5));
    EXPECT_FALSE(driver.visible(dialog));
    EXPECT_TRUE(IsWindow(dialog));
    EXPECT_TRUE(DestroyWindow(dialog));
}

TEST_F(Dialogs, ItemHelpersReadAndWriteControls)
{
    auto form = Form(u"Form");
    form.item(0x80, BS_AUTORADIOBUTTON | WS_VISIBLE | WS_GROUP | WS_TABSTOP, 10, 50, 40, 10, 201, u"A");
    form.item(0x80, BS_AUTORADIOBUTTON | WS_VISIBLE, 10, 60, 40, 10, 202, u"B");
    form.item(0x80, BS_AUTOCHECKBOX | WS_VISIBLE | WS_GROUP | WS_TABSTOP, 10, 70, 40, 10, 203, u"C");
    HWND dialog = CreateDialogIndirectParamW(nullptr, form.get(), nullptr, TestDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(SetDlgItemInt(dialog, 102, static_cast<UINT>(-42), TRUE));
    BOOL ok = FALSE;
    EXPECT_EQ(static_cast<int>(GetDlgItemInt(dialog, 102, &ok, TRUE)), -42);
    EXPECT_TRUE(ok);
    SetDlgItemTextW(dialog, 102, u"12x");
    GetDlgItemInt(dialog, 102, &ok, FALSE);
    EXPECT_FALSE(ok);

    CheckRadioButton(dialog, 201, 202, 202);
    EXPECT_EQ(IsDlgButtonChecked(dialog, 201), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, 202), BST_CHECKED);
    ShowWindow(dialog, SW_SHOW);
    driver.click(GetDlgItem(dialog, 201));
    EXPECT_EQ(IsDlgButtonChecked(dialog, 201), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, 202), BST_UNCHECKED);
    CheckDlgButton(dialog, 203, BST_CHECKED);
    EXPECT_EQ(driver.checked(GetDlgItem(dialog, 203)), 1);

    RECT rect{4, 8, 8, 16};
    MapDialogRect(dialog, &rect);
    EXPECT_EQ(rect.left, windows::kDialogBaseUnitX);
    EXPECT_EQ(rect.bottom, 2 * windows::kDialogBaseUnitY);
    EXPECT_EQ(GetDlgItem(dialog, 999), nullptr);
    DestroyWindow(dialog);
}

}  // namespace
}  // namespace vexl::test
