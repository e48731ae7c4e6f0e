// The driver's messages as the user gets them: the text assembled from the
// string, its arguments and the framing, the caption and style of the box,
// system errors, and the busy dialog, with pictures of what is shown.
#include "ui/services/messages.h"

#include "platform/gdi.h"
#include "platform/gdi_surface.h"
#include "platform/ui_driver.h"
#include "platform/windows.h"
#include "ui_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace vexl::test {
namespace {

namespace fs = std::filesystem;

ui::MessageRequest Request(std::uint16_t kind, const void* argument, std::uint16_t count = 0,
                           const WCHAR* prefix = nullptr, const WCHAR* suffix = nullptr)
{
    return ui::MessageRequest{0, 0, MB_ICONEXCLAMATION, MB_OK, prefix, kind, count, argument, suffix};
}

TEST(DriverMessageText, IsFramedAndFormattedOnlyWithTheArgumentsGiven)
{
    const std::uint16_t three[] = {3, 14, 15};
    const std::uint16_t one[] = {42};
    const struct {
        const char* what;
        std::u16string text;
        ui::MessageRequest request;
        std::u16string expected;
    } cases[] = {
        {"framing", u"T", Request(ui::kMessageText, nullptr, 0, u"P", u"S"), u"P\r\n\r\nT\r\n\r\nS\r\n\r\n"},
        {"no argument keeps the text", u"100%", Request(ui::kMessageText, nullptr), u"100%"},
        {"a text", u"File %s refused", Request(ui::kMessageText, u"a.rst"), u"File a.rst refused"},
        {"three numbers", u"%d of %d (%02d)", Request(ui::kMessageNumbers, three, 3), u"3 of 14 (15)"},
        {"hexadecimal and width", u"[%4x]", Request(ui::kMessageNumbers, three + 1, 1), u"[   e]"},
        {"a number missing", u"%d of %d", Request(ui::kMessageNumbers, one, 1), u"42 of %d"},
        {"a text where a number is asked", u"%s and %d", Request(ui::kMessageNumbers, one, 1), u"%s and 42"},
        {"a number where a text is asked", u"%d %s", Request(ui::kMessageText, u"x"), u"%d x"},
        {"a second text", u"%s%s", Request(ui::kMessageText, u"x"), u"x%s"},
        {"percent signs", u"%% of %d%%", Request(ui::kMessageNumbers, one, 1), u"% of 42%"},
        {"a long text is not cut", std::u16string(1023, u'x') + u"%s",
         Request(ui::kMessageText, u"tail", 0, u"P", u"S"),
         u"P\r\n\r\n" + std::u16string(1023, u'x') + u"tail\r\n\r\nS\r\n\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(ui::ComposeDriverMessage(c.text, c.request), c.expected) << c.what;
}

// A picture of a recorded message box: its caption and text drawn by the GDI
// as the box lays them out.
void DrawMessagePicture(const windows::MessageBoxRecord& box, const fs::path& file)
{
    HBITMAP surface = gdi::CreateSurface(420, 160);
    HDC dc = gdi::GetSurfaceDC(surface, POINT{0, 0}, nullptr, nullptr);
    RECT title{0, 0, 420, 24};
    FillRect(dc, &title, GetSysColorBrush(COLOR_ACTIVECAPTION));
    SetBkMode(dc, TRANSPARENT);
    RECT caption{8, 4, 412, 22};
    DrawTextW(dc, box.caption.c_str(), -1, &caption, DT_LEFT | DT_SINGLELINE);
    RECT body{16, 36, 404, 150};
    DrawTextW(dc, box.text.c_str(), -1, &body, DT_LEFT | DT_WORDBREAK);
    gdi::ReleaseSurfaceDC(dc);
    fs::create_directories(file.parent_path());
    gdi::WritePng(surface, file);
    gdi::DeleteSurface(surface);
}

class MessagesTest : public UiPrinterTest {
protected:
    void SetUp() override
    {
        UiPrinterTest::SetUp();
        driver_.setFailureHandler([](const std::string& message) { ADD_FAILURE() << message; });
        context_ = Create();
        ASSERT_NE(context_, nullptr);
    }
    void TearDown() override
    {
        if (context_) ReleaseDriverContext(context_, kReleaseDestroy);
        UiPrinterTest::TearDown();
    }
    windows::UiDriver driver_;
    DriverContext* context_ = nullptr;
};

TEST_F(MessagesTest, ABoxShowsTheFormattedStringCaptionedWithThePrinterName)
{
    driver_.onMessageBox(u"", IDCANCEL);
    const std::uint16_t numbers[] = {2, 1, 5};
    ui::MessageRequest request{10017,       0,       MB_ICONEXCLAMATION,
                               MB_OKCANCEL, nullptr, ui::kMessageNumbers,
                               3,           numbers, u"Presets that are read-only stay."};
    EXPECT_EQ(ui::ShowDriverMessage(context_, &request, nullptr), IDCANCEL);
    ASSERT_EQ(driver_.messageBoxLog().size(), 1u);
    const windows::MessageBoxRecord& box = driver_.messageBoxLog()[0];
    EXPECT_EQ(box.text, u"2 stored presets will be removed, among them preset 1 of 5. Continue?\r\n\r\n"
                        u"Presets that are read-only stay.\r\n\r\n");
    EXPECT_EQ(box.caption, kPrinterName);
    EXPECT_EQ(box.style, MB_ICONEXCLAMATION | MB_OKCANCEL);
    DrawMessagePicture(box, fs::current_path() / "snapshots" / "driver_message.png");

    // A caption string of its own, and the requests that show nothing.
    driver_.onMessageBox(u"", IDOK);
    request.captionId = 370;
    request.argumentCount = 1;
    EXPECT_EQ(ui::ShowDriverMessage(context_, &request, nullptr), IDOK);
    EXPECT_EQ(driver_.messageBoxLog().back().caption, u"On");
    request.argumentCount = 0;
    EXPECT_EQ(ui::ShowDriverMessage(context_, &request, nullptr), 0);
    request.argumentKind = ui::kMessageNoArgument;
    EXPECT_EQ(ui::ShowDriverMessage(context_, &request, nullptr), 0);
    EXPECT_EQ(ui::ShowDriverMessage(context_, nullptr, nullptr), 0);
    EXPECT_EQ(driver_.messageBoxLog().size(), 2u);
}

TEST_F(MessagesTest, ASystemErrorIsShownInTheSystemsWordsOrNotAtAll)
{
    driver_.onMessageBox(u"", IDOK);
    EXPECT_EQ(ui::ShowSystemError(context_, ERROR_ACCESS_DENIED, nullptr), 1);
    ASSERT_EQ(driver_.messageBoxLog().size(), 1u);
    EXPECT_EQ(driver_.messageBoxLog()[0].text, u"Access is denied.\r\n");
    EXPECT_EQ(driver_.messageBoxLog()[0].caption, kPrinterName);
    EXPECT_EQ(driver_.messageBoxLog()[0].style, MB_ICONWARNING);
    EXPECT_EQ(ui::ShowSystemError(context_, 0x7777, nullptr), 1);
    EXPECT_EQ(driver_.messageBoxLog().size(), 1u);
}

TEST_F(MessagesTest, TheBusyDialogShowsItsStringUntilItIsClosed)
{
    HWND dialog = ui::ShowBusyDialog(context_, 7001);
    ASSERT_NE(dialog, nullptr);
    driver_.pumpUntilIdle();
    EXPECT_EQ(driver_.text(dialog), kPrinterName);
    EXPECT_EQ(driver_.text(GetDlgItem(dialog, ui::kBusyDialogTextControl)),
              u"Getting the information from the printer. Please wait.");
    EXPECT_TRUE(driver_.visible(dialog));

    RECT client{};
    GetClientRect(dialog, &client);
    HDC screen = GetDC(dialog);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP picture = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, picture);
    BitBlt(memory, 0, 0, client.right, client.bottom, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    const fs::path file = fs::current_path() / "snapshots" / "busy_dialog.png";
    fs::create_directories(file.parent_path());
    EXPECT_TRUE(gdi::WritePng(picture, file));
    DeleteObject(picture);
    DeleteDC(memory);
    ReleaseDC(dialog, screen);

    EXPECT_TRUE(ui::CloseBusyDialog(dialog));
    EXPECT_FALSE(IsWindow(dialog));
}

}  // namespace
}  // namespace vexl::test
