#include "platform/inifile.h"
#include "platform/kernel.h"
#include "platform/printers.h"
#include "platform/spooler.h"

#include "support/child_process.h"
#include "support/test_machine.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vexl::test {
namespace {

// A public DEVMODE followed by driverExtra private bytes 0, 1, 2, ...
std::string MakeDevmode(std::u16string_view deviceName, WORD driverExtra, SHORT orientation = DMORIENT_PORTRAIT)
{
    DEVMODEW devmode{};
    std::copy(deviceName.begin(), deviceName.end(), devmode.dmDeviceName);
    devmode.dmSpecVersion = DM_SPECVERSION;
    devmode.dmSize = sizeof(DEVMODEW);
    devmode.dmDriverExtra = driverExtra;
    devmode.dmFields = DM_ORIENTATION | DM_PAPERSIZE;
    devmode.dmOrientation = orientation;
    devmode.dmPaperSize = 9;
    std::string bytes(reinterpret_cast<const char*>(&devmode), sizeof devmode);
    for (WORD i = 0; i < driverExtra; ++i) bytes += static_cast<char>(i);
    return bytes;
}

machine::PrinterSetup LocalPrinter()
{
    machine::PrinterSetup setup;
    setup.name = u"VEXL Color 4500";
    setup.driverName = u"VEXL Color 4500 PCL";
    setup.portName = u"IP_10.0.0.5";
    setup.comment = u"second floor";
    setup.attributes = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI;
    setup.driverDirectory = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3";
    setup.driverFile = u"TZ16E100.DLL";
    setup.dataFile = u"TZ16E172.ini";
    setup.configFile = u"TZ16E130.DLL";
    setup.helpFile = u"TZ16E1EN.HLP";
    setup.dependentFiles = {u"TZ16E140.DLL", u"TZ16E1EN.DLL"};
    setup.devmode = MakeDevmode(u"VEXL Color 4500", 1016);
    setup.printerData[u"HelpFileName"] = {REG_SZ, std::string("h\0e\0l\0p\0\0\0", 10)};
    return setup;
}

class SpoolerTest : public MachineTest {
protected:
    void SetUp() override
    {
        machine::AddPrinter(LocalPrinter());
        machine::ResetSpoolerCallCounts();
    }

    HANDLE Open(std::u16string name = u"VEXL Color 4500", PRINTER_DEFAULTSW* defaults = nullptr)
    {
        HANDLE printer = nullptr;
        EXPECT_TRUE(OpenPrinterW(name.data(), &printer, defaults)) << GetLastError();
        return printer;
    }
};

bool Inside(const void* pointer, std::size_t bytes, const std::vector<BYTE>& block)
{
    const auto* p = static_cast<const BYTE*>(pointer);
    return p >= block.data() && p + bytes <= block.data() + block.size();
}

// A text of the block: it must lie inside the block, terminator included.
std::u16string TextIn(const WCHAR* text, const std::vector<BYTE>& block)
{
    if (!text) return u"<null>";
    const std::u16string value(text);
    EXPECT_TRUE(Inside(text, (value.size() + 1) * sizeof(WCHAR), block));
    return value;
}

// Fetches a block the way the driver does (size first, then the block) and
// checks the protocol on the way: no buffer and one byte short are refused
// with ERROR_INSUFFICIENT_BUFFER and the size, and the short block is left alone.
std::vector<BYTE> FetchBlock(const std::function<BOOL(LPBYTE, DWORD, LPDWORD)>& call)
{
    DWORD needed = 0;
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(call(nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_GT(needed, 0u);
    if (needed == 0) return {};

    std::vector<BYTE> block(needed, 0xCD);
    DWORD again = 0;
    EXPECT_FALSE(call(block.data(), needed - 1, &again));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(again, needed);
    EXPECT_TRUE(std::all_of(block.begin(), block.end(), [](BYTE b) { return b == 0xCD; }));
    EXPECT_TRUE(call(block.data(), needed, &again));
    return block;
}

TEST(DevmodeRecord, WritesTheFieldsAtTheirPublicOffsets)
{
    DEVMODEW devmode{};
    devmode.dmDeviceName[0] = u'V';
    devmode.dmSpecVersion = DM_SPECVERSION;
    devmode.dmSize = sizeof(DEVMODEW);
    devmode.dmDriverExtra = 1016;
    devmode.dmFields = DM_ORIENTATION | DM_COLLATE | DM_NUP;
    devmode.dmOrientation = DMORIENT_LANDSCAPE;
    devmode.dmCopies = 3;
    devmode.dmCollate = DMCOLLATE_TRUE;
    devmode.dmFormName[0] = u'A';
    devmode.dmLogPixels = 96;
    devmode.dmNup = DMNUP_ONEUP;
    devmode.dmMediaType = 0x101;
    devmode.dmPanningHeight = 0xA1B2C3D4;
    std::vector<BYTE> bytes(sizeof devmode);
    std::memcpy(bytes.data(), &devmode, sizeof devmode);

    const struct {
        std::size_t offset;
        std::vector<BYTE> expected;
    } golden[] = {
        {0, {'V', 0}},
        {64, {0x01, 0x04}},
        {68, {0xDC, 0x00}},
        {70, {0xF8, 0x03}},
        {72, {0x41, 0x80, 0, 0}},
        {76, {2, 0}},
        {86, {3, 0}},
        {100, {1, 0}},
        {102, {'A', 0}},
        {166, {96, 0}},
        {180, {2, 0, 0, 0}},
        {196, {0x01, 0x01, 0, 0}},
        {216, {0xD4, 0xC3, 0xB2, 0xA1}},
    };
    for (const auto& g : golden) {
        SCOPED_TRACE(g.offset);
        EXPECT_TRUE(std::equal(g.expected.begin(), g.expected.end(), bytes.begin() + g.offset));
    }
}

TEST_F(SpoolerTest, GetPrinterLevel2PacksTextsAndDevmodeIntoTheCallersBlock)
{
    HANDLE printer = Open();
    const std::vector<BYTE> block = FetchBlock(
        [&](LPBYTE buffer, DWORD size, LPDWORD needed) { return GetPrinterW(printer, 2, buffer, size, needed); });
    ASSERT_FALSE(block.empty());
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(block.data());
    EXPECT_EQ(info->pServerName, nullptr);
    EXPECT_EQ(TextIn(info->pPrinterName, block), u"VEXL Color 4500");
    EXPECT_EQ(TextIn(info->pDriverName, block), u"VEXL Color 4500 PCL");
    EXPECT_EQ(TextIn(info->pPortName, block), u"IP_10.0.0.5");
    EXPECT_EQ(TextIn(info->pComment, block), u"second floor");
    EXPECT_EQ(info->Attributes, PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_ENABLE_BIDI);

    const std::string devmode = MakeDevmode(u"VEXL Color 4500", 1016);
    ASSERT_NE(info->pDevMode, nullptr);
    ASSERT_TRUE(Inside(info->pDevMode, devmode.size(), block));
    EXPECT_EQ(std::memcmp(info->pDevMode, devmode.data(), devmode.size()), 0);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(info->pDevMode) % alignof(DEVMODEW), 0u);

    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterW(printer, 5, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_LEVEL);
    ClosePrinter(printer);
}

TEST_F(SpoolerTest, AConnectionNamesItsServer)
{
    machine::PrinterSetup setup = LocalPrinter();
    setup.name = u"\\\\PrintSrv\\VEXL Color 4500";
    setup.serverName = u"\\\\PrintSrv";
    setup.attributes = PRINTER_ATTRIBUTE_NETWORK;
    setup.devmode.clear();
    machine::AddPrinter(setup);

    HANDLE printer = Open(u"\\\\printsrv\\vexl color 4500");
    const std::vector<BYTE> block = FetchBlock(
        [&](LPBYTE buffer, DWORD size, LPDWORD needed) { return GetPrinterW(printer, 2, buffer, size, needed); });
    ASSERT_FALSE(block.empty());
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(block.data());
    EXPECT_EQ(TextIn(info->pServerName, block), u"\\\\PrintSrv");
    EXPECT_EQ(TextIn(info->pPrinterName, block), u"\\\\PrintSrv\\VEXL Color 4500");
    EXPECT_EQ(info->pDevMode, nullptr);
    ClosePrinter(printer);
}

TEST_F(SpoolerTest, GetPrinterDriverLevel3JoinsTheDriverFolderAndFiles)
{
    HANDLE printer = Open();
    const std::vector<BYTE> block = FetchBlock([&](LPBYTE buffer, DWORD size, LPDWORD needed) {
        return GetPrinterDriverW(printer, nullptr, 3, buffer, size, needed);
    });
    ASSERT_FALSE(block.empty());
    const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(block.data());
    const std::u16string folder = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\";
    EXPECT_EQ(info->cVersion, 3u);
    EXPECT_EQ(TextIn(info->pName, block), u"VEXL Color 4500 PCL");
    EXPECT_EQ(TextIn(info->pEnvironment, block), u"Windows NT x86");
    EXPECT_EQ(TextIn(info->pDriverPath, block), folder + u"TZ16E100.DLL");
    EXPECT_EQ(TextIn(info->pDataFile, block), folder + u"TZ16E172.ini");
    EXPECT_EQ(TextIn(info->pConfigFile, block), folder + u"TZ16E130.DLL");
    EXPECT_EQ(TextIn(info->pHelpFile, block), folder + u"TZ16E1EN.HLP");
    // The dependent files: a list ended by an empty text, all inside the block.
    const std::u16string first = TextIn(info->pDependentFiles, block);
    const WCHAR* second = info->pDependentFiles + first.size() + 1;
    EXPECT_EQ(first, folder + u"TZ16E140.DLL");
    EXPECT_EQ(TextIn(second, block), folder + u"TZ16E1EN.DLL");
    EXPECT_EQ(TextIn(second + std::char_traits<char16_t>::length(second) + 1, block), u"");

    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterDriverW(printer, nullptr, 4, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_LEVEL);
    ClosePrinter(printer);
}

// A driver folder ending with a backslash gets no second one, a file named
// by a full path keeps it, a printer without a driver folder hands its file
// names out as they are, and a printer without a help file has none.
TEST_F(SpoolerTest, GetPrinterDriverPathsKeepFullNamesAndOneSeparator)
{
    struct Case {
        std::u16string driverDirectory;
        std::u16string dataFile;
        std::u16string dataPath;
    } cases[] = {
        {u"C:\\Drivers\\", u"TZ16E172.ini", u"C:\\Drivers\\TZ16E172.ini"},
        {u"C:\\Drivers", u"D:\\Other\\TZ16E172.ini", u"D:\\Other\\TZ16E172.ini"},
        {u"C:\\Drivers", u"\\\\Srv\\Share\\TZ16E172.ini", u"\\\\Srv\\Share\\TZ16E172.ini"},
        {u"", u"TZ16E172.ini", u"TZ16E172.ini"},
    };
    for (const Case& c : cases) {
        machine::PrinterSetup setup = LocalPrinter();
        setup.driverDirectory = c.driverDirectory;
        setup.dataFile = c.dataFile;
        setup.helpFile.clear();
        setup.dependentFiles = {c.dataFile};
        machine::AddPrinter(setup);
        HANDLE printer = Open();
        const std::vector<BYTE> level2 = FetchBlock([&](LPBYTE buffer, DWORD size, LPDWORD needed) {
            return GetPrinterDriverW(printer, nullptr, 2, buffer, size, needed);
        });
        const std::vector<BYTE> level3 = FetchBlock([&](LPBYTE buffer, DWORD size, LPDWORD needed) {
            return GetPrinterDriverW(printer, nullptr, 3, buffer, size, needed);
        });
        ASSERT_FALSE(level2.empty());
        ASSERT_FALSE(level3.empty());
        const auto* info2 = reinterpret_cast<const DRIVER_INFO_2W*>(level2.data());
        const auto* info3 = reinterpret_cast<const DRIVER_INFO_3W*>(level3.data());
        EXPECT_EQ(TextIn(info2->pDataFile, level2), c.dataPath);
        EXPECT_EQ(TextIn(info3->pDataFile, level3), c.dataPath);
        EXPECT_EQ(TextIn(info3->pDependentFiles, level3), c.dataPath);
        EXPECT_EQ(info3->pHelpFile, nullptr);
        ClosePrinter(printer);
    }
}

TEST_F(SpoolerTest, PrinterDataRoundTripsWithItsType)
{
    HANDLE printer = Open();
    const DWORD logging = 7;
    const struct {
        std::u16string name;
        machine::PrinterData value;
    } cases[] = {
        {u"Logging", {REG_DWORD, std::string(reinterpret_cast<const char*>(&logging), 4)}},
        {u"DeviceFont", {REG_BINARY, std::string("\0\x01\t\n%\xff", 6)}},
        {u"_VEXLDirectoryClient", {REG_SZ, std::string("D\0:\0\0\0", 6)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
        std::u16string name = c.name;
        std::string bytes = c.value.bytes;
        ASSERT_EQ(SetPrinterDataW(printer, name.data(), c.value.type, reinterpret_cast<BYTE*>(bytes.data()),
                                  static_cast<DWORD>(bytes.size())),
                  ERROR_SUCCESS);

        // No buffer and a short one: ERROR_MORE_DATA, the size, nothing copied.
        DWORD type = 0;
        DWORD needed = 0;
        EXPECT_EQ(GetPrinterDataW(printer, name.data(), &type, nullptr, 0, &needed), ERROR_MORE_DATA);
        EXPECT_EQ(needed, bytes.size());
        std::string read(needed, '#');
        EXPECT_EQ(
            GetPrinterDataW(printer, name.data(), &type, reinterpret_cast<BYTE*>(read.data()), needed - 1, &needed),
            ERROR_MORE_DATA);
        EXPECT_EQ(read, std::string(needed, '#'));
        EXPECT_EQ(GetPrinterDataW(printer, name.data(), &type, reinterpret_cast<BYTE*>(read.data()), needed, &needed),
                  ERROR_SUCCESS);
        EXPECT_EQ(type, c.value.type);
        EXPECT_EQ(read, c.value.bytes);
        EXPECT_EQ(machine::ReadPrinterData(u"vexl color 4500", c.name), c.value);
    }

    std::u16string name = u"deviceFONT";
    ASSERT_EQ(DeletePrinterDataW(printer, name.data()), ERROR_SUCCESS);
    DWORD needed = 0;
    EXPECT_EQ(GetPrinterDataW(printer, name.data(), nullptr, nullptr, 0, &needed), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(DeletePrinterDataW(printer, name.data()), ERROR_FILE_NOT_FOUND);
    ClosePrinter(printer);
}

TEST_F(SpoolerTest, AnAbandonedBatchLeavesThePrinterDataAsStored)
{
    HANDLE printer = Open();
    std::u16string copies = u"Copies", help = u"HelpFileName";
    BYTE three = 3;
    ASSERT_EQ(BeginPrinterDataBatch(printer), ERROR_SUCCESS);
    EXPECT_EQ(SetPrinterDataW(printer, copies.data(), REG_BINARY, &three, 1), ERROR_SUCCESS);
    EXPECT_EQ(DeletePrinterDataW(printer, help.data()), ERROR_SUCCESS);
    EXPECT_EQ(AbandonPrinterDataBatch(printer), ERROR_SUCCESS);
    EXPECT_FALSE(machine::ReadPrinterData(u"VEXL Color 4500", u"Copies"));
    EXPECT_TRUE(machine::ReadPrinterData(u"VEXL Color 4500", u"HelpFileName"));
    BYTE read = 0;
    DWORD needed = 0;
    EXPECT_EQ(GetPrinterDataW(printer, copies.data(), nullptr, &read, 1, &needed), ERROR_FILE_NOT_FOUND)
        << "reads through the handle no longer see the dropped changes";
    EXPECT_EQ(AbandonPrinterDataBatch(printer), ERROR_INVALID_PARAMETER);  // no batch is open
    ClosePrinter(printer);
}

// The identity of the printer's file: a replace makes a new one.
ino_t PrinterFileIdentity()
{
    for (const auto& entry : std::filesystem::directory_iterator(machine::Root() / "spooler" / "printers")) {
        struct stat status {};
        if (entry.path().extension() == ".printer" && ::stat(entry.path().c_str(), &status) == 0) return status.st_ino;
    }
    return 0;
}

TEST_F(SpoolerTest, ABatchOfTheStoredValuesLeavesThePrinterFileAndAChangeReplacesIt)
{
    HANDLE printer = Open();
    std::u16string copies = u"Copies", tray = u"Tray";
    BYTE three = 3, two = 2;
    ASSERT_EQ(SetPrinterDataW(printer, copies.data(), REG_BINARY, &three, 1), ERROR_SUCCESS);
    ASSERT_EQ(SetPrinterDataW(printer, tray.data(), REG_BINARY, &two, 1), ERROR_SUCCESS);
    const ino_t stored = PrinterFileIdentity();
    ASSERT_NE(stored, 0u);

    ASSERT_EQ(BeginPrinterDataBatch(printer), ERROR_SUCCESS);
    EXPECT_EQ(SetPrinterDataW(printer, copies.data(), REG_BINARY, &three, 1), ERROR_SUCCESS);
    EXPECT_EQ(SetPrinterDataW(printer, tray.data(), REG_BINARY, &two, 1), ERROR_SUCCESS);
    EXPECT_EQ(EndPrinterDataBatch(printer), ERROR_SUCCESS);
    EXPECT_EQ(PrinterFileIdentity(), stored) << "nothing changed: no replace";

    // The same bytes of another type are a change.
    ASSERT_EQ(BeginPrinterDataBatch(printer), ERROR_SUCCESS);
    EXPECT_EQ(SetPrinterDataW(printer, copies.data(), REG_BINARY, &three, 1), ERROR_SUCCESS);
    EXPECT_EQ(SetPrinterDataW(printer, tray.data(), REG_DWORD, &two, 1), ERROR_SUCCESS);
    EXPECT_EQ(EndPrinterDataBatch(printer), ERROR_SUCCESS);
    EXPECT_NE(PrinterFileIdentity(), stored);
    EXPECT_EQ(machine::ReadPrinterData(u"VEXL Color 4500", u"Tray"),
              (machine::PrinterData{REG_DWORD, std::string("\x02", 1)}));
    EXPECT_EQ(machine::ReadPrinterData(u"VEXL Color 4500", u"Copies"),
              (machine::PrinterData{REG_BINARY, std::string("\x03", 1)}));
    ClosePrinter(printer);
}

TEST_F(SpoolerTest, ABatchWritesItsPrinterDataInOneReplaceOverWhatOthersWroteMeanwhile)
{
    HANDLE printer = Open();
    HANDLE other = Open();
    std::u16string copies = u"Copies", tray = u"Tray", help = u"HelpFileName", foreign = u"Foreign";
    BYTE three = 3, two = 2, seven = 7;
    ASSERT_EQ(BeginPrinterDataBatch(printer), ERROR_SUCCESS);
    EXPECT_EQ(SetPrinterDataW(printer, copies.data(), REG_BINARY, &three, 1), ERROR_SUCCESS);
    EXPECT_EQ(SetPrinterDataW(printer, tray.data(), REG_BINARY, &two, 1), ERROR_SUCCESS);
    EXPECT_EQ(DeletePrinterDataW(printer, help.data()), ERROR_SUCCESS);
    EXPECT_EQ(DeletePrinterDataW(printer, help.data()), ERROR_FILE_NOT_FOUND);
    // Reads through the handle see the batch; the printer's file does not.
    BYTE read = 0;
    DWORD needed = 0;
    EXPECT_EQ(GetPrinterDataW(printer, copies.data(), nullptr, &read, 1, &needed), ERROR_SUCCESS);
    EXPECT_EQ(read, 3);
    EXPECT_FALSE(machine::ReadPrinterData(u"VEXL Color 4500", u"Copies"));
    EXPECT_TRUE(machine::ReadPrinterData(u"VEXL Color 4500", u"HelpFileName"));
    // Another handle writes at once, and its value stays.
    EXPECT_EQ(SetPrinterDataW(other, foreign.data(), REG_BINARY, &seven, 1), ERROR_SUCCESS);
    EXPECT_TRUE(machine::ReadPrinterData(u"VEXL Color 4500", u"Foreign"));

    EXPECT_EQ(EndPrinterDataBatch(printer), ERROR_SUCCESS);
    EXPECT_EQ(machine::ReadPrinterData(u"VEXL Color 4500", u"Copies"),
              (machine::PrinterData{REG_BINARY, std::string("\x03", 1)}));
    EXPECT_EQ(machine::ReadPrinterData(u"VEXL Color 4500", u"Tray"),
              (machine::PrinterData{REG_BINARY, std::string("\x02", 1)}));
    EXPECT_EQ(machine::ReadPrinterData(u"VEXL Color 4500", u"Foreign"),
              (machine::PrinterData{REG_BINARY, std::string("\x07", 1)}));
    EXPECT_FALSE(machine::ReadPrinterData(u"VEXL Color 4500", u"HelpFileName"));
    EXPECT_EQ(EndPrinterDataBatch(printer), ERROR_INVALID_PARAMETER);  // no batch is open
    ClosePrinter(other);
    ClosePrinter(printer);
}

// The files beside the printer's file that a replace writes ahead.
int PreparedPrinterFiles()
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(machine::Root() / "spooler" / "printers"))
        count += entry.path().filename().string().find(".printer.~") != std::string::npos;
    return count;
}

// A batch's file is written ahead of its end; the end puts it in place when
// nothing came in between, and otherwise makes the batch's changes again on
// the printer as stored then.
TEST_F(SpoolerTest, ABatchWrittenAheadKeepsWhatCameInBetween)
{
    enum class Between { Nothing, OtherHandleWrites, BatchGrows, Abandoned };
    for (const Between between :
         {Between::Nothing, Between::OtherHandleWrites, Between::BatchGrows, Between::Abandoned}) {
        SCOPED_TRACE(static_cast<int>(between));
        HANDLE printer = Open();
        HANDLE other = Open();
        std::u16string copies = u"Copies", tray = u"Tray", foreign = u"Foreign";
        BYTE one = 1, three = 3, seven = 7;
        ASSERT_EQ(SetPrinterDataW(printer, copies.data(), REG_BINARY, &one, 1), ERROR_SUCCESS);
        DeletePrinterDataW(printer, tray.data());  // left by the case before, or none
        DeletePrinterDataW(printer, foreign.data());
        const ino_t stored = PrinterFileIdentity();

        ASSERT_EQ(BeginPrinterDataBatch(printer), ERROR_SUCCESS);
        EXPECT_EQ(SetPrinterDataW(printer, copies.data(), REG_BINARY, &three, 1), ERROR_SUCCESS);
        EXPECT_EQ(PreparePrinterDataBatch(printer), ERROR_SUCCESS);
        EXPECT_EQ(PreparedPrinterFiles(), 1);
        EXPECT_EQ(PrinterFileIdentity(), stored) << "written ahead, not yet in place";
        if (between == Between::OtherHandleWrites) {
            EXPECT_EQ(SetPrinterDataW(other, foreign.data(), REG_BINARY, &seven, 1), ERROR_SUCCESS);
        }
        if (between == Between::BatchGrows) {
            EXPECT_EQ(SetPrinterDataW(printer, tray.data(), REG_BINARY, &seven, 1), ERROR_SUCCESS);
        }
        if (between == Between::Abandoned) {
            EXPECT_EQ(AbandonPrinterDataBatch(printer), ERROR_SUCCESS);
        } else {
            EXPECT_EQ(EndPrinterDataBatch(printer), ERROR_SUCCESS);
        }
        RemoveReplacedFiles();  // the old version, kept past the end's locks

        EXPECT_EQ(PreparedPrinterFiles(), 0) << "nothing is left beside the printer's file";
        const BYTE copiesNow = between == Between::Abandoned ? 1 : 3;
        EXPECT_EQ(machine::ReadPrinterData(u"VEXL Color 4500", u"Copies"),
                  (machine::PrinterData{REG_BINARY, std::string(1, static_cast<char>(copiesNow))}));
        EXPECT_EQ(machine::ReadPrinterData(u"VEXL Color 4500", u"Foreign").has_value(),
                  between == Between::OtherHandleWrites);
        EXPECT_EQ(machine::ReadPrinterData(u"VEXL Color 4500", u"Tray").has_value(), between == Between::BatchGrows);
        ClosePrinter(other);
        ClosePrinter(printer);
    }
    HANDLE printer = Open();
    EXPECT_EQ(PreparePrinterDataBatch(printer), ERROR_INVALID_PARAMETER);  // no batch is open
    ClosePrinter(printer);
}

// A batch that must not be written under the caller's lock ends only by
// putting its file written ahead in place: when the printer changed in
// between, it stays open to be written ahead again, and nothing is lost.
TEST_F(SpoolerTest, ABatchEndedOnlyFromItsFileWrittenAheadIsRedoneWhenOvertaken)
{
    HANDLE printer = Open();
    HANDLE other = Open();
    std::u16string copies = u"Copies", foreign = u"Foreign";
    BYTE three = 3, seven = 7;
    ASSERT_EQ(BeginPrinterDataBatch(printer), ERROR_SUCCESS);
    EXPECT_EQ(SetPrinterDataW(printer, copies.data(), REG_BINARY, &three, 1), ERROR_SUCCESS);
    EXPECT_EQ(PreparePrinterDataBatch(printer), ERROR_SUCCESS);
    EXPECT_EQ(SetPrinterDataW(other, foreign.data(), REG_BINARY, &seven, 1), ERROR_SUCCESS);
    EXPECT_EQ(EndPreparedPrinterDataBatch(printer), ERROR_RETRY);
    EXPECT_FALSE(machine::ReadPrinterData(u"VEXL Color 4500", u"Copies")) << "not yet written";

    EXPECT_EQ(PreparePrinterDataBatch(printer), ERROR_SUCCESS);
    EXPECT_EQ(EndPreparedPrinterDataBatch(printer), ERROR_SUCCESS);
    RemoveReplacedFiles();
    EXPECT_EQ(AbandonPrinterDataBatch(printer), ERROR_INVALID_PARAMETER) << "the batch has ended";
    EXPECT_EQ(machine::ReadPrinterData(u"VEXL Color 4500", u"Copies"),
              (machine::PrinterData{REG_BINARY, std::string(1, '\3')}));
    EXPECT_EQ(machine::ReadPrinterData(u"VEXL Color 4500", u"Foreign"),
              (machine::PrinterData{REG_BINARY, std::string(1, '\7')}));
    EXPECT_EQ(PreparedPrinterFiles(), 0);
    ClosePrinter(other);
    ClosePrinter(printer);
}

TEST_F(SpoolerTest, ChangesAreSeenByAnotherProcess)
{
    // The parent has read the printer (and keeps its parse); the child writes
    // printer data and a new default DEVMODE through its own handle.
    EXPECT_FALSE(machine::ReadPrinterData(u"VEXL Color 4500", u"BatchInstallDone"));
    ASSERT_EQ(RunInChildProcess([] {
                  HANDLE printer = nullptr;
                  std::u16string name = u"VEXL COLOR 4500";
                  if (!OpenPrinterW(name.data(), &printer, nullptr)) return 1;
                  std::u16string value = u"BatchInstallDone";
                  DWORD done = 1;
                  if (SetPrinterDataW(printer, value.data(), REG_BINARY, reinterpret_cast<BYTE*>(&done), 4)) return 2;
                  std::string devmode = MakeDevmode(u"VEXL Color 4500", 8, DMORIENT_LANDSCAPE);
                  PRINTER_INFO_2W info{};
                  info.pDevMode = reinterpret_cast<DEVMODEW*>(devmode.data());
                  info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
                  if (!SetPrinterW(printer, 2, reinterpret_cast<BYTE*>(&info), 0)) return 3;
                  return ClosePrinter(printer) ? 0 : 4;
              }),
              0);

    const DWORD done = 1;
    EXPECT_EQ(machine::ReadPrinterData(u"VEXL Color 4500", u"BatchInstallDone"),
              (machine::PrinterData{REG_BINARY, std::string(reinterpret_cast<const char*>(&done), 4)}));
    HANDLE printer = Open();
    const std::vector<BYTE> block = FetchBlock(
        [&](LPBYTE buffer, DWORD size, LPDWORD needed) { return GetPrinterW(printer, 2, buffer, size, needed); });
    ASSERT_FALSE(block.empty());
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(block.data());
    EXPECT_EQ(info->Attributes, PRINTER_ATTRIBUTE_LOCAL);
    EXPECT_EQ(TextIn(info->pComment, block), u"second floor");  // a NULL text keeps the stored one
    ASSERT_NE(info->pDevMode, nullptr);
    EXPECT_EQ(info->pDevMode->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(info->pDevMode->dmDriverExtra, 8);
    ClosePrinter(printer);
}

TEST_F(SpoolerTest, OpensByNameWithDistinctHandles)
{
    std::u16string unknown = u"No Such Printer";
    HANDLE printer = reinterpret_cast<HANDLE>(1);
    EXPECT_FALSE(OpenPrinterW(unknown.data(), &printer, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
    EXPECT_EQ(printer, nullptr);

    HANDLE first = Open();
    HANDLE second = Open(u"vexl color 4500");
    EXPECT_NE(first, second);
    EXPECT_TRUE(ClosePrinter(first));
    EXPECT_FALSE(ClosePrinter(first));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterW(second, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);  // the other handle still works

    // A removed printer is gone for open handles and new opens alike.
    ASSERT_TRUE(machine::RemovePrinter(u"VEXL COLOR 4500"));
    EXPECT_FALSE(GetPrinterW(second, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    std::u16string name = u"VEXL Color 4500";
    EXPECT_FALSE(OpenPrinterW(name.data(), &printer, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PRINTER_NAME);
    ClosePrinter(second);
}

TEST_F(SpoolerTest, ThePrintersPolicyRefusesAdministrationOrDataWrites)
{
    machine::PrinterSetup setup = LocalPrinter();
    setup.administrationAllowed = false;
    setup.printerDataReadOnly = true;
    machine::AddPrinter(setup);

    for (ACCESS_MASK access : {PRINTER_ACCESS_ADMINISTER, PRINTER_ALL_ACCESS}) {
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, access};
        HANDLE refused = nullptr;
        std::u16string name = setup.name;
        EXPECT_FALSE(OpenPrinterW(name.data(), &refused, &defaults));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    PRINTER_DEFAULTSW readOnly{nullptr, nullptr, PRINTER_READ};
    ClosePrinter(Open(setup.name, &readOnly));

    HANDLE printer = Open();
    PRINTER_INFO_7W publish{nullptr, DSPRINT_UPDATE};
    EXPECT_FALSE(SetPrinterW(printer, 7, reinterpret_cast<BYTE*>(&publish), 0));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    std::u16string name = u"HelpFileName";
    BYTE byte = 1;
    EXPECT_EQ(SetPrinterDataW(printer, name.data(), REG_BINARY, &byte, 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(DeletePrinterDataW(printer, name.data()), ERROR_ACCESS_DENIED);
    DWORD needed = 0;
    EXPECT_EQ(GetPrinterDataW(printer, name.data(), nullptr, nullptr, 0, &needed), ERROR_MORE_DATA);
    EXPECT_EQ(needed, 10u);
    ClosePrinter(printer);
}

TEST_F(SpoolerTest, SetPrinterStoresTheDirectoryActionAndRefusesBadInput)
{
    HANDLE printer = Open();
    std::u16string guid = u"{6F1B0C2E-0000-0000-0000-000000000001}";
    PRINTER_INFO_7W publish{guid.data(), DSPRINT_PUBLISH};
    ASSERT_TRUE(SetPrinterW(printer, 7, reinterpret_cast<BYTE*>(&publish), 0));
    PRINTER_INFO_7W update{nullptr, DSPRINT_UPDATE};
    ASSERT_TRUE(SetPrinterW(printer, 7, reinterpret_cast<BYTE*>(&update), 0));
    const std::vector<BYTE> block = FetchBlock(
        [&](LPBYTE buffer, DWORD size, LPDWORD needed) { return GetPrinterW(printer, 7, buffer, size, needed); });
    ASSERT_FALSE(block.empty());
    const auto* info = reinterpret_cast<const PRINTER_INFO_7W*>(block.data());
    EXPECT_EQ(TextIn(info->pszObjectGUID, block), guid);
    EXPECT_EQ(info->dwAction, DSPRINT_UPDATE);

    EXPECT_FALSE(SetPrinterW(printer, 0, nullptr, 1));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_LEVEL);
    // A DEVMODE whose header claims more than a public DEVMODE is refused, not copied.
    std::string devmode = MakeDevmode(u"X", 0);
    const WORD tooLarge = 4000;
    std::memcpy(devmode.data() + offsetof(DEVMODEW, dmSize), &tooLarge, sizeof tooLarge);
    PRINTER_INFO_2W info2{};
    info2.pDevMode = reinterpret_cast<DEVMODEW*>(devmode.data());
    EXPECT_FALSE(SetPrinterW(printer, 2, reinterpret_cast<BYTE*>(&info2), 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ClosePrinter(printer);

    // A setup whose DEVMODE bytes do not match their header is not stored.
    machine::PrinterSetup setup = LocalPrinter();
    setup.devmode.resize(setup.devmode.size() - 1);
    EXPECT_THROW(machine::AddPrinter(setup), std::invalid_argument);
}

TEST_F(SpoolerTest, InjectedFailuresReachEveryProcessAndCallsAreCounted)
{
    HANDLE printer = Open();
    machine::SetSpoolerFailure(u"VEXL Color 4500", "GetPrinterW", ERROR_NOT_ENOUGH_MEMORY);
    DWORD needed = 0;
    EXPECT_FALSE(GetPrinterW(printer, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(GetPrinterDriverW(printer, nullptr, 3, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);  // other calls go on working
    EXPECT_EQ(RunInChildProcess([] {
                  HANDLE child = nullptr;
                  std::u16string name = u"VEXL Color 4500";
                  DWORD size = 0;
                  if (!OpenPrinterW(name.data(), &child, nullptr)) return 1;
                  return !GetPrinterW(child, 2, nullptr, 0, &size) && GetLastError() == ERROR_NOT_ENOUGH_MEMORY ? 0 : 2;
              }),
              0);

    machine::SetSpoolerFailure(u"VEXL Color 4500", "GetPrinterDataW", ERROR_ACCESS_DENIED);
    std::u16string name = u"HelpFileName";
    EXPECT_EQ(GetPrinterDataW(printer, name.data(), nullptr, nullptr, 0, &needed), ERROR_ACCESS_DENIED);

    machine::ClearSpoolerFailures(u"VEXL Color 4500");
    EXPECT_FALSE(GetPrinterW(printer, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(machine::SpoolerCallCount("GetPrinterW"), 2u);
    EXPECT_EQ(machine::SpoolerCallCount("OpenPrinterW"), 1u);
    EXPECT_EQ(machine::SpoolerCallCount("GetPrinterDataW"), 1u);
    machine::ResetSpoolerCallCounts();
    EXPECT_EQ(machine::SpoolerCallCount("GetPrinterW"), 0u);
    ClosePrinter(printer);
}

TEST_F(SpoolerTest, EnumeratesFormsAndReadsJobs)
{
    machine::AddForm(u"A4", {210000, 297000});
    machine::AddForm(u"Letter", {215900, 279400}, RECTL{5000, 5000, 210900, 274400}, FORM_BUILTIN);
    HANDLE printer = Open();

    DWORD returned = 99;
    const std::vector<BYTE> forms = FetchBlock([&](LPBYTE buffer, DWORD size, LPDWORD needed) {
        return EnumFormsW(printer, 1, buffer, size, needed, &returned);
    });
    ASSERT_EQ(returned, 2u);
    const auto* form = reinterpret_cast<const FORM_INFO_1W*>(forms.data());
    EXPECT_EQ(TextIn(form[0].pName, forms), u"A4");
    EXPECT_EQ(form[0].ImageableArea.bottom, 297000);
    EXPECT_EQ(TextIn(form[1].pName, forms), u"Letter");
    EXPECT_EQ(form[1].Flags, FORM_BUILTIN);
    EXPECT_EQ(form[1].ImageableArea.left, 5000);

    machine::JobSetup job;
    job.id = 12;
    job.document = u"Quarterly report";
    job.userName = u"alice";
    job.totalPages = 4;
    job.submitted = {2026, 1, 6, 31, 13, 45, 10, 250};
    job.devmode = MakeDevmode(u"VEXL Color 4500", 4);
    machine::AddJob(u"VEXL Color 4500", job);

    const std::vector<BYTE> level1 = FetchBlock(
        [&](LPBYTE buffer, DWORD size, LPDWORD needed) { return GetJobW(printer, 12, 1, buffer, size, needed); });
    ASSERT_FALSE(level1.empty());
    const auto* info1 = reinterpret_cast<const JOB_INFO_1W*>(level1.data());
    EXPECT_EQ(TextIn(info1->pUserName, level1), u"alice");
    EXPECT_EQ(info1->TotalPages, 4u);
    EXPECT_EQ(info1->Submitted.wMilliseconds, 250);

    const std::vector<BYTE> level2 = FetchBlock(
        [&](LPBYTE buffer, DWORD size, LPDWORD needed) { return GetJobW(printer, 12, 2, buffer, size, needed); });
    ASSERT_FALSE(level2.empty());
    const auto* info2 = reinterpret_cast<const JOB_INFO_2W*>(level2.data());
    EXPECT_EQ(TextIn(info2->pDocument, level2), u"Quarterly report");
    EXPECT_EQ(TextIn(info2->pDriverName, level2), u"VEXL Color 4500 PCL");
    ASSERT_TRUE(Inside(info2->pDevMode, sizeof(DEVMODEW) + 4, level2));

    DWORD needed = 0;
    EXPECT_FALSE(GetJobW(printer, 13, 2, nullptr, 0, &needed));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ClosePrinter(printer);
}

}  // namespace
}  // namespace vexl::test
