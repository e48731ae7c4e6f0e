// Document start without a job yet: the spool library's path, PATH, and
// what makes a document refuse to start.
#include "graphics/document.h"

#include "graphics/graphics_fixture.h"

#include <string>

namespace vexl::test {
namespace {

std::u16string PathVariable()
{
    WCHAR buffer[8192];
    const DWORD length = GetEnvironmentVariableW(u"PATH", buffer, 8192);
    return length < 8192 ? std::u16string(buffer, length) : std::u16string();
}

// A second printer of the same driver whose driver file lies in a folder
// of the given length.
HANDLE AddPrinterWithDriverFolder(const std::u16string& name, std::size_t pathChars)
{
    std::u16string folder = u"C:\\drv";
    const std::u16string file = u"TZ16E100.DLL";
    while (folder.size() + 1 + file.size() < pathChars) folder += u'x';
    machine::PrinterSetup setup;
    setup.name = name;
    setup.driverName = kDriverName;
    setup.driverDirectory = folder;
    setup.driverFile = file;
    setup.dataFile = u"TZ16E1MD.VXD";
    machine::AddPrinter(setup);
    HANDLE printer = nullptr;
    std::u16string printerName = name;
    OpenPrinterW(printerName.data(), &printer, nullptr);
    return printer;
}

using DocumentTest = GraphicsPrinterTest;

TEST_F(DocumentTest, TheDriverDirectoryJoinsPathOnce)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    SetEnvironmentVariableW(u"PATH", u"C:\\WINDOWS\\system32;C:\\WINDOWS");
    WCHAR path[MAX_PATH];
    ASSERT_TRUE(AppendDriverDirToPath(pdev, printer_, path));
    EXPECT_EQ(std::u16string(path), std::u16string(kDriverFolder) + u"\\TZ16C123.DLL");
    const std::u16string joined = u"C:\\WINDOWS\\system32;C:\\WINDOWS;" + std::u16string(kDriverFolder);
    EXPECT_EQ(PathVariable(), joined);
    ASSERT_TRUE(AppendDriverDirToPath(pdev, printer_, path));
    EXPECT_EQ(PathVariable(), joined);

    // A PATH too long for the fixed buffer is read into one of its own size.
    std::u16string longPath(5000, u'p');
    SetEnvironmentVariableW(u"PATH", longPath.c_str());
    ASSERT_TRUE(AppendDriverDirToPath(pdev, printer_, path));
    EXPECT_EQ(PathVariable(), longPath + u";" + std::u16string(kDriverFolder));
}

TEST_F(DocumentTest, ADriverPathOfMoreThan240CharactersIsRefused)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    WCHAR path[MAX_PATH];
    HANDLE fits = AddPrinterWithDriverFolder(u"Fits", 240);
    HANDLE tooLong = AddPrinterWithDriverFolder(u"Too long", 241);
    ASSERT_TRUE(fits && tooLong);
    EXPECT_TRUE(AppendDriverDirToPath(pdev, fits, path));
    // The spool library's name is as long as the driver file's.
    EXPECT_EQ(std::u16string(path).size(), 240u);
    EXPECT_FALSE(AppendDriverDirToPath(pdev, tooLong, path));
    ClosePrinter(fits);
    ClosePrinter(tooLong);
}

TEST_F(DocumentTest, NoDocumentStartsWithoutTheSpoolLibrary)
{
    Pdev* pdev = Enable();
    ASSERT_NE(pdev, nullptr);
    SURFOBJ* so = EnableSurface(pdev);
    ASSERT_NE(so, nullptr);
    EXPECT_FALSE(DrvStartDoc(so, const_cast<LPWSTR>(u"Report"), 7));
    EXPECT_EQ(pdev->flags & kPdevDocumentOpen, 0u);
    EXPECT_EQ(pdev->stream.spool.module, nullptr);
}

}  // namespace
}  // namespace vexl::test
