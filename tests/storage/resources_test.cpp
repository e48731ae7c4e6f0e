#include "common/storage/resources.h"

#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

namespace vexl::test {
namespace {

class ResourceTest : public StorageTest {
protected:
    void SetUp() override
    {
        StorageTest::SetUp();
        machine::InstallFile(VEXL_UIRES_US_FILE, std::u16string(kDriverFolder) + u"\\TZ16E1US.DLL");
        context()->uiResourceLibrary = LoadLibraryW((std::u16string(kDriverFolder) + u"\\TZ16E1US.DLL").c_str());
        ASSERT_NE(context()->uiResourceLibrary, nullptr);
    }
    void TearDown() override
    {
        FreeUiResourceLibraries(context());
        StorageTest::TearDown();
    }
    std::u16string Load(std::uint32_t id, BOOL complete, int size = 128)
    {
        std::u16string out(static_cast<std::size_t>(size), u'\0');
        LoadUiString(context(), id, out.data(), size, complete);
        return out.c_str();
    }
};

TEST_F(ResourceTest, StringsComeFromTheLibrary)
{
    WCHAR out[8] = {};
    EXPECT_EQ(LoadStringW(context()->uiResourceLibrary, 29, out, 8), 7);
    EXPECT_EQ(std::u16string(out), u"Output ");
    EXPECT_EQ(LoadStringW(context()->uiResourceLibrary, 99999, out, 8), 0);
    EXPECT_EQ(out[0], 0);
    const WCHAR* direct = nullptr;
    EXPECT_EQ(LoadStringW(context()->uiResourceLibrary, 153, reinterpret_cast<WCHAR*>(&direct), 0), 2);
    // The data-file load serves the same table.
    HMODULE data =
        LoadLibraryExW((std::u16string(kDriverFolder) + u"\\TZ16E1US.DLL").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    EXPECT_EQ(LoadStringW(data, 154, out, 8), 4);
    FreeLibrary(data);
}

TEST_F(ResourceTest, Completions)
{
    SetItemString(context(), FindItem(context(), wdmPrintPostTray2Name), u"Left");
    EXPECT_EQ(Load(30, TRUE), u"Output tray 2:Left");
    EXPECT_EQ(Load(30, FALSE), u"Output tray 2");
    EXPECT_EQ(Load(154, TRUE), u"mm");  // the unit of the display (metric)
    PaperSizeRow& row = ctx_.work()->paperTable[0];
    std::memcpy(row.userName, "Card", 4);
    row.width = 1200;
    row.length = 2400;
    EXPECT_EQ(Load(109, TRUE), u"Card(25.4 x 50.8mm)");
    // The caption fills the display name; filled again it stays the same.
    std::memcpy(row.displayName, "Card(25.4 x 50.8mm)", 19);
    EXPECT_EQ(Load(109, TRUE), u"Card(25.4 x 50.8mm)");
    EXPECT_EQ(Load(109, TRUE, 8), u"Card(25");  // cut, terminated
    context()->currentPageId = 1;
    EXPECT_EQ(Load(13273, TRUE), u"Length (0 to 0)");
}

TEST(ResourceText, FixedPointAndDecimalComma)
{
    struct Case {
        std::int32_t divisor;
        std::int32_t value;
        const char16_t* text;
    } cases[] = {{10, 2105, u"210.5"}, {100, 827, u"8.27"}, {10000, 123456, u"12.3456"}, {1, 123456, u"123456"}};
    for (const Case& c : cases) {
        WCHAR out[kFixedPointChars] = {};
        FormatFixedPoint(out, c.divisor, c.value, nullptr);
        EXPECT_EQ(std::u16string(out), c.text);
    }
    WCHAR a4[] = u"A4 (210.0 x 297.0 mm)";
    UseDecimalComma(a4);
    EXPECT_EQ(std::u16string(a4), u"A4 (210,0 x 297,0 mm)");
    WCHAR mixed[] = u"1.5 (2.5)";
    UseDecimalComma(mixed);
    EXPECT_EQ(std::u16string(mixed), u"1.5 (2,5)");
}

using BitmapTest = MachineTest;

TEST_F(BitmapTest, OnlyInfoHeaderBitmapsOpen)
{
    std::string header(54, '\0');
    header[0] = 'B';
    header[1] = 'M';
    header[14] = 40;
    machine::WriteFile(u"C:\\b40.bmp", header);
    header[14] = 12;
    machine::WriteFile(u"C:\\b12.bmp", header);
    HANDLE file = nullptr;
    EXPECT_TRUE(OpenBitmapFile(u"C:\\b40.bmp", &file));
    CloseHandle(file);
    EXPECT_FALSE(OpenBitmapFile(u"C:\\b12.bmp", &file));
    EXPECT_FALSE(OpenBitmapFile(u"C:\\none.bmp", &file));
}

}  // namespace
}  // namespace vexl::test
