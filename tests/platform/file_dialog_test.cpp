#include "platform/file_dialogs.h"
#include "platform/win32.h"
#include "support/test_machine.h"
#include "ui_fixture.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

constexpr char16_t kTestResources[] = u"C:\\WINDOWS\\system32\\TESTRES.DLL";
constexpr WCHAR kFilter[] = u"Settings (*.ini)\0*.ini\0Text (*.txt)\0*.txt\0";

struct HookLog {
    OPENFILENAMEW* initParam = nullptr;
    bool keepOpenOnOk = false;
    int okSeen = 0;
};
HookLog g_hook;

UINT_PTR Hook(HWND, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) g_hook.initParam = reinterpret_cast<OPENFILENAMEW*>(lParam);
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        ++g_hook.okSeen;
        return g_hook.keepOpenOnOk ? 1 : 0;
    }
    return 0;
}

class FileDialogTest : public UiTest {
protected:
    void SetUp() override
    {
        machine::InstallFile(VEXL_TESTRES_FILE, kTestResources);
        resources_ = LoadLibraryExW(kTestResources, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(resources_, nullptr);
        std::filesystem::create_directories(machine_.host(u"C:\\data"));
        for (const char16_t* name : {u"C:\\data\\a.ini", u"C:\\data\\long name.ini", u"C:\\data\\notes.txt"})
            std::ofstream(machine_.host(name)) << "x";
        g_hook = {};
        ofn_.lStructSize = sizeof(ofn_);
        ofn_.hInstance = resources_;
        ofn_.lpstrFilter = kFilter;
        ofn_.nFilterIndex = 1;
        ofn_.lpstrFile = file_;
        ofn_.nMaxFile = 260;
        ofn_.lpstrInitialDir = u"C:\\data";
        ofn_.Flags = OFN_ENABLETEMPLATE | OFN_ENABLEHOOK;
        ofn_.lpfnHook = Hook;
        ofn_.lpTemplateName = MAKEINTRESOURCEW(4003);
    }
    void TearDown() override { FreeLibrary(resources_); }

    // Types the name into edt1 and presses OK.
    void Enter(HWND dialog, const char16_t* name)
    {
        SetDlgItemTextW(dialog, edt1, name);
        driver.pressButton(dialog, IDOK);
        driver.pumpUntilIdle();
    }

    TestMachine machine_;
    HMODULE resources_ = nullptr;
    WCHAR file_[260] = {};
    OPENFILENAMEW ofn_{};
};

TEST_F(FileDialogTest, TheTemplateDialogFiltersOpensAndAnswersThePath)
{
    driver.onDialog(4003, [&](HWND dialog) {
        EXPECT_EQ(g_hook.initParam, &ofn_);
        EXPECT_EQ(driver.rowTexts(GetDlgItem(dialog, lst2)), (std::vector<std::u16string>{u"C:\\", u"data"}));
        EXPECT_EQ(driver.rowTexts(GetDlgItem(dialog, cmb1)),
                  (std::vector<std::u16string>{u"Settings (*.ini)", u"Text (*.txt)"}));
        EXPECT_EQ(driver.rowTexts(GetDlgItem(dialog, lst1)), (std::vector<std::u16string>{u"a.ini", u"long name.ini"}));
        Enter(dialog, u"*.txt");  // a wildcard filters and the dialog stays
        EXPECT_EQ(driver.rowTexts(GetDlgItem(dialog, lst1)), std::vector<std::u16string>{u"notes.txt"});
        g_hook.keepOpenOnOk = true;  // the hook's own OK keeps it open too
        Enter(dialog, u"a.ini");
        ASSERT_TRUE(IsWindow(dialog));
        g_hook.keepOpenOnOk = false;
        Enter(dialog, u"a.ini");
    });
    ASSERT_TRUE(GetOpenFileNameW(&ofn_));
    EXPECT_EQ(std::u16string(file_), u"C:\\data\\a.ini");
    EXPECT_EQ(ofn_.nFileOffset, 8);
    EXPECT_EQ(ofn_.nFileExtension, 10);
    EXPECT_EQ(g_hook.okSeen, 3);
}

TEST_F(FileDialogTest, ListsShortBuffersAndMissingTemplates)
{
    // Several names in the old style: the folder, then each name after a blank;
    // short names leave the blank out of a name.
    ofn_.Flags |= OFN_ALLOWMULTISELECT | OFN_NOLONGNAMES;
    driver.onDialog(4003, [&](HWND dialog) {
        EXPECT_EQ(driver.rowTexts(GetDlgItem(dialog, lst1)), (std::vector<std::u16string>{u"A.INI", u"LONGNA~1.INI"}));
        Enter(dialog, u"A.INI LONGNA~1.INI");
    });
    ASSERT_TRUE(GetOpenFileNameW(&ofn_));
    EXPECT_EQ(std::u16string(file_), u"C:\\data A.INI LONGNA~1.INI");
    EXPECT_EQ(ofn_.nFileOffset, 8);
    EXPECT_EQ(file_[ofn_.nFileOffset - 1], u' ');

    ofn_.Flags &= ~(OFN_ALLOWMULTISELECT | OFN_NOLONGNAMES);
    ofn_.nMaxFile = 8;
    driver.onDialog(4003, [&](HWND dialog) { Enter(dialog, u"a.ini"); });
    EXPECT_FALSE(GetSaveFileNameW(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
    EXPECT_EQ(file_[0], 14);  // the size it needs

    ofn_.nMaxFile = 260;
    driver.onDialog(4003, [&](HWND dialog) { driver.pressButton(dialog, IDCANCEL); });
    EXPECT_FALSE(GetOpenFileNameW(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), 0u);

    ofn_.lpTemplateName = MAKEINTRESOURCEW(4999);
    EXPECT_FALSE(GetOpenFileNameW(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), CDERR_FINDRESFAILURE);
}

}  // namespace
}  // namespace vexl::test
