#include "common/storage/persistence.h"

#include "common/storage/directories.h"
#include "storage/storage_fixture.h"
#include "support/child_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace vexl::test {
namespace {

using PersistenceTest = StorageTest;

std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values) out += static_cast<char>(v);
    return out;
}

void SetText(DriverContext* context, std::uint16_t id, const WCHAR* text)
{
    SetItemString(context, FindItem(context, id), text);
}

std::u16string Text(DriverContext* context, std::uint16_t id)
{
    WCHAR out[300] = {};
    GetItemString(context, FindItem(context, id), out, 300);
    return out;
}

// One value of every encoding, stored by one process and loaded by another.
TEST_F(PersistenceTest, EveryEncodingRoundTripsAcrossProcesses)
{
    ASSERT_EQ(RunInChildProcess([] {
                  ModelContext writer;
                  DriverContext* ctx = writer.get();
                  ctx->printer = OpenNamedPrinter(kPrinterName);
                  SetItemValue(ctx, rdmTrayField0, 1);              // u8
                  SetItemValue(ctx, rdmTray1Paper, 0xFEDC);         // u16
                  SetItemValue(ctx, rdmSourceOptionTypeDuplex, 1);  // bit
                  SetText(ctx, rdmDllLogCode, u"12345678");         // ANSI text, full field
                  SetItemValue(ctx, rdmLogging, 513);               // REG_DWORD
                  SetItemValue(ctx, rdmLock000InfoBitTray, 1);      // compound lock bits
                  SetItemValue(ctx, rdmPrnMethod, 255);             // INI u8
                  SetItemValue(ctx, rdmFrontFunc, 0x80000001u);     // INI u32 with bit 31
                  SetItemValue(ctx, rdmActionProof, 1);             // INI compound action word
                  SetText(ctx, wdmOvlPath, u"C:\\forms\\a.ovl");    // INI ANSI text (work area)
                  // Without the settings modules a mode-2 pass would give every item
                  // its item name as key; the passes run without one here.
                  StoreItemsPass(ctx->printer, ctx, kAreaPrinter, kStorePrinterSide);
                  StoreItemsPass(ctx->printer, ctx, kAreaDevmode, 0);
                  StoreItemsPass(ctx->printer, ctx, kAreaWork, kStoreForce);
                  ClosePrinter(ctx->printer);
                  return ::testing::Test::HasFailure() ? 1 : 0;
              }),
              0);

    EXPECT_EQ(machine::ReadPrinterData(kPrinterName, u"Logging")->type, REG_DWORD);
    EXPECT_EQ(machine::ReadPrinterData(kPrinterName, u"DllUserCode")->bytes, std::string("12345678\0", 9));
    EXPECT_EQ(machine::ReadPrinterData(kPrinterName, u"rdmLock000InfoBit")->bytes, Bytes({0x02}));
    const std::string ini = ReadHostFile(u"C:\\_vexl\\TZ16E170.ini");
    EXPECT_NE(ini.find("FrontFunc=2147483649"), std::string::npos);
    EXPECT_NE(ini.find("rdmAction=2"), std::string::npos);

    LoadStoredItems(printer_, kAllAreas, context());
    EXPECT_EQ(GetItemValue(context(), rdmTrayField0), 1u);
    EXPECT_EQ(GetItemValue(context(), rdmTray1Paper), 0xFEDCu);
    EXPECT_EQ(GetItemValue(context(), rdmSourceOptionTypeDuplex), 1u);
    EXPECT_EQ(Text(context(), rdmDllLogCode), u"12345678");
    EXPECT_EQ(GetItemValue(context(), rdmLogging), 513u);
    EXPECT_EQ(GetItemValue(context(), rdmLock000InfoBitTray), 1u);
    EXPECT_EQ(GetItemValue(context(), rdmPrnMethod), 255u);
    EXPECT_EQ(GetItemValue(context(), rdmFrontFunc), 0x80000001u);
    EXPECT_EQ(GetItemValue(context(), rdmActionProof), 1u);
    EXPECT_EQ(GetItemValue(context(), rdmActionSecurity), 0u);
    EXPECT_EQ(Text(context(), wdmOvlPath), u"C:\\forms\\a.ovl");
}

// The items the later settings fill to their full length: a password, a
// chapter page list, a watermark image path and a tray mask naming tray 29.
TEST_F(PersistenceTest, WidenedItemsRoundTripAcrossProcesses)
{
    const std::u16string password(200, u'p');
    std::u16string pages;
    while (pages.size() < 500) pages += u"12,";
    pages.resize(500);
    const std::u16string image = u"C:\\" + std::u16string(253, u'w') + u".bmp";
    ASSERT_EQ(image.size(), 261u - 1);
    const std::uint32_t trays = (1u << 29) | (1u << 25) | 1u;

    ASSERT_EQ(RunInChildProcess([&] {
                  ModelContext writer;
                  DriverContext* ctx = writer.get();
                  ctx->printer = OpenNamedPrinter(kPrinterName);
                  SetText(ctx, wdmAuthenticationPassword, password.c_str());
                  SetText(ctx, wdmChapterPage, pages.c_str());
                  SetText(ctx, wdmWmImage, image.c_str());
                  SetItemValue(ctx, rdmTrayChapterSep1, trays);
                  SetItemValue(ctx, wdmChapterTray, static_cast<std::uint32_t>(-2));
                  // Items without a key of their own are kept under their item names.
                  StoreItemsPass(ctx->printer, ctx, kAreaPrinter, kPassModeByName);
                  StoreItemsPass(ctx->printer, ctx, kAreaWork, kPassModeByName);
                  ClosePrinter(ctx->printer);
                  return ::testing::Test::HasFailure() ? 1 : 0;
              }),
              0);

    LoadItemsPass(printer_, context(), kAreaPrinter, kPassModeByName, nullptr);
    LoadItemsPass(printer_, context(), kAreaWork, kPassModeByName, nullptr);
    const auto longText = [&](std::uint16_t id) {
        WCHAR out[600] = {};
        GetItemString(context(), FindItem(context(), id), out, 600);
        return std::u16string(out);
    };
    EXPECT_EQ(longText(wdmAuthenticationPassword), password);
    EXPECT_EQ(longText(wdmChapterPage), pages);
    EXPECT_EQ(longText(wdmWmImage), image);
    EXPECT_EQ(GetItemValue(context(), rdmTrayChapterSep1), trays);
    EXPECT_EQ(static_cast<std::int32_t>(GetItemValue(context(), wdmChapterTray)), -2);
}

TEST_F(PersistenceTest, IniNumbersAndLegacyActionKeys)
{
    const WCHAR* ini = u"C:\\_vexl\\TZ16E170.ini";
    WriteIniString(kPrinterName, u"PrnMethod", u"-1", ini);
    WriteIniString(kPrinterName, u"ACT_PROOFPRINT", u"1", ini);
    WriteIniString(kPrinterName, u"APIUseFlag", u"  7zz", ini);
    LoadItemsOfClass(printer_, context(), kAreaDevmode, 0);
    EXPECT_EQ(GetItemValue(context(), rdmPrnMethod), 255u);
    EXPECT_EQ(GetItemValue(context(), rdmAPIUseFlag), 7u);
    EXPECT_EQ(GetItemValue(context(), rdmActionProof), 1u);
    // The first load migrated the member keys into the compound value.
    EXPECT_EQ(ReadIniInt(kPrinterName, u"rdmAction", -1, ini), 2);
}

TEST_F(PersistenceTest, KeepsEmptyIniValueClearsOnlyWhenPresent)
{
    const WCHAR* ini = GetSettingsIniPath(context());
    SetText(context(), rdmCopyProtectChar, u"keep");
    SetText(context(), wdmOvlPath, u"keep");
    SettingItemDescriptor* protect = FindItem(context(), rdmCopyProtectChar);
    SettingItemDescriptor* overlay = FindItem(context(), wdmOvlPath);
    protect->key = u"CopyProtectChar";
    EXPECT_FALSE(LoadItemFromIni(context(), protect, ini, nullptr, nullptr));
    EXPECT_EQ(Text(context(), rdmCopyProtectChar), u"keep");
    WriteIniString(kPrinterName, u"CopyProtectChar", u"", ini);
    WriteIniString(kPrinterName, u"OverlayDataPath", u"", ini);
    EXPECT_TRUE(LoadItemFromIni(context(), protect, ini, nullptr, nullptr));
    EXPECT_EQ(Text(context(), rdmCopyProtectChar), u"");
    EXPECT_FALSE(LoadItemFromIni(context(), overlay, ini, nullptr, nullptr));
    EXPECT_EQ(Text(context(), wdmOvlPath), u"keep");
}

TEST_F(PersistenceTest, PrinterDataValuesAreReadBounded)
{
    SetItemValue(context(), rdmTray1Paper, 0xABCD);
    SettingItemDescriptor* paper = FindItem(context(), rdmTray1Paper);
    // A shorter stored value leaves no stale byte behind it.
    DWORD one = 0x12;
    SetPrinterDataW(printer_, const_cast<LPWSTR>(u"Tray1Paper"), REG_BINARY, reinterpret_cast<BYTE*>(&one), 1);
    EXPECT_TRUE(LoadItemFromPrinterData(printer_, context(), paper, 0, nullptr));
    EXPECT_EQ(GetItemValue(context(), rdmTray1Paper), 0x12u);
    // A longer one leaves the item alone.
    DWORD four = 0x11223344;
    SetPrinterDataW(printer_, const_cast<LPWSTR>(u"Tray1Paper"), REG_BINARY, reinterpret_cast<BYTE*>(&four), 4);
    EXPECT_FALSE(LoadItemFromPrinterData(printer_, context(), paper, 0, nullptr));
    EXPECT_EQ(GetItemValue(context(), rdmTray1Paper), 0x12u);
    // A text that fills its field is terminated within it.
    const std::string full(9, 'A');
    SetPrinterDataW(printer_, const_cast<LPWSTR>(u"DllUserCode"), REG_BINARY,
                    reinterpret_cast<BYTE*>(const_cast<char*>(full.data())), 9);
    EXPECT_TRUE(LoadItemFromPrinterData(printer_, context(), FindItem(context(), rdmDllLogCode), 0, nullptr));
    EXPECT_EQ(Text(context(), rdmDllLogCode), u"AAAAAAAA");
}

TEST_F(PersistenceTest, UnchangedPrinterSideItemsAreNotStored)
{
    StoreItemsPass(printer_, context(), kAreaPrinter, kStorePrinterSide);
    EXPECT_FALSE(machine::ReadPrinterData(kPrinterName, u"Tray1Paper"));
    StoreItemsPass(printer_, context(), kAreaPrinter, kStorePrinterSide | kStoreForce);
    EXPECT_EQ(machine::ReadPrinterData(kPrinterName, u"Tray1Paper")->bytes, Bytes({0, 0}));
}

TEST_F(PersistenceTest, LockDefaultDataNeverCarriesHeapAddresses)
{
    std::uint8_t* defaults = ctx_.work()->defaultStore;
    SettingItemDescriptor* fonts = FindItem(context(), rdmDeviceFont);
    std::uint8_t* field = defaults + GetStoreAreaBase(kAreaPrinter) + fonts->offset;
    std::memset(field, 0x5A, 8);
    defaults[0] = 'D';
    ASSERT_TRUE(WriteLockDefaultData(printer_, context()));
    const std::string stored = machine::ReadPrinterData(kPrinterName, u"LockDefaultData")->bytes;
    ASSERT_EQ(stored.size(), kSettingsStoreSize);
    EXPECT_EQ(stored[0], 'D');
    const std::size_t at = GetStoreAreaBase(kAreaPrinter) + fonts->offset;
    EXPECT_EQ(stored.substr(at, 8), std::string(8, '\0'));
    // Read back: a foreign address is zeroed too.
    std::string foreign = stored;
    std::memset(foreign.data() + at, 0x77, 8);
    SetPrinterDataW(printer_, const_cast<LPWSTR>(u"LockDefaultData"), REG_BINARY,
                    reinterpret_cast<BYTE*>(foreign.data()), static_cast<DWORD>(foreign.size()));
    ASSERT_TRUE(ReadLockDefaultData(printer_, context()));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(field), 8), std::string(8, '\0'));
}

TEST_F(PersistenceTest, LockDefaultDataOfTheShorterStoreIsReadAndTheRestZeroed)
{
    // Drivers before area 3 grew wrote a store of 10,072 bytes.
    std::uint8_t* defaults = ctx_.work()->defaultStore;
    std::memset(defaults, 0xAA, GetSettingsStoreSize());
    std::string old(10072, '\0');
    for (std::size_t i = 0; i < old.size(); ++i) old[i] = static_cast<char>(1 + i % 251);
    auto store = [&](std::string blob) {
        return SetPrinterDataW(printer_, const_cast<LPWSTR>(u"LockDefaultData"), REG_BINARY,
                               reinterpret_cast<BYTE*>(blob.data()), static_cast<DWORD>(blob.size()));
    };
    ASSERT_EQ(store(old), static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_TRUE(ReadLockDefaultData(printer_, context()));
    EXPECT_EQ(std::memcmp(defaults, old.data(), GetDevmodeSize()), 0);
    EXPECT_EQ(std::memcmp(defaults + 6500, old.data() + 6500, 3572), 0);
    EXPECT_EQ(std::count(defaults + 10072, defaults + GetSettingsStoreSize(), 0), GetSettingsStoreSize() - 10072);

    // A blob of any other size is not a store: nothing changes.
    std::memset(defaults, 0xAA, GetSettingsStoreSize());
    ASSERT_EQ(store(std::string(10000, 'x')), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(ReadLockDefaultData(printer_, context()));
    EXPECT_EQ(defaults[0], 0xAA);
}

TEST_F(PersistenceTest, LockedValuesStopAtTheFirstMissingValue)
{
    SetItemValue(context(), rdmLock000InfoBitTray, 1);
    SetItemValue(context(), rdmLock000InfoBitMedia, 1);
    const std::string tray = Bytes({7, 0, 0, 0});
    SetPrinterDataW(printer_, const_cast<LPWSTR>(u"LockTrayData"), REG_BINARY,
                    reinterpret_cast<BYTE*>(const_cast<char*>(tray.data())), 4);
    EXPECT_FALSE(ApplyLockedValues(printer_, context()));
    EXPECT_EQ(GetItemValue(context(), dmDefaultSource), 7u);
}

TEST_F(PersistenceTest, FontSubstTableWithAMissingHalfStaysEmpty)
{
    FontSubstPair pair{};
    std::memcpy(pair.trueTypeFace, u"Arial", 12);
    std::memcpy(pair.deviceFont, u"Helv", 10);
    ASSERT_TRUE(WriteFontSubstPairs(printer_, &pair, 1, 0));
    const std::string count = Bytes({1, 0});
    SetPrinterDataW(printer_, const_cast<LPWSTR>(u"FontTableNum"), REG_BINARY,
                    reinterpret_cast<BYTE*>(const_cast<char*>(count.data())), 2);
    LoadFontSubstTable(printer_, context());
    EXPECT_EQ(GetItemValue(context(), rdmFontTableNum), 1u);
    auto* loaded = static_cast<FontSubstPair*>(GetItemHeapAddress(context(), rdmFontTable));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(std::u16string(loaded->deviceFont), u"Helv");
    DeletePrinterDataW(printer_, const_cast<LPWSTR>(u"DevFontTable1"));
    LoadFontSubstTable(printer_, context());
    EXPECT_EQ(GetItemValue(context(), rdmFontTableNum), 0u);
    EXPECT_EQ(GetItemHeapAddress(context(), rdmFontTable), nullptr);
    FreeFontListItems(context());
}

TEST_F(PersistenceTest, AFontTableCountFromPrinterDataIsNoLoopBound)
{
    // Three pairs behind a count of 65,535: the read stops at the first
    // missing pair instead of asking for every one of them.
    FontSubstPair pairs[3] = {};
    for (FontSubstPair& pair : pairs) std::memcpy(pair.trueTypeFace, u"Arial", 12);
    ASSERT_TRUE(WriteFontSubstPairs(printer_, pairs, 3, 0));
    const std::string count = Bytes({0xFF, 0xFF});
    SetPrinterDataW(printer_, const_cast<LPWSTR>(u"FontTableNum"), REG_BINARY,
                    reinterpret_cast<BYTE*>(const_cast<char*>(count.data())), 2);
    machine::ResetSpoolerCallCounts();
    LoadFontSubstTable(printer_, context());
    EXPECT_LE(machine::SpoolerCallCount("GetPrinterDataW"), 10u);
    EXPECT_EQ(GetItemValue(context(), rdmFontTableNum), 0u);
    EXPECT_EQ(GetItemHeapAddress(context(), rdmFontTable), nullptr);

    // A whole table longer than the list can hold keeps its first pairs.
    std::vector<FontSubstPair> many(kMaxFontSubstPairs + 1);
    ASSERT_TRUE(WriteFontSubstPairs(printer_, many.data(), static_cast<std::uint32_t>(many.size()), 0));
    LoadFontSubstTable(printer_, context());
    EXPECT_EQ(GetItemValue(context(), rdmFontTableNum), kMaxFontSubstPairs);
    FreeFontListItems(context());
}

TEST(StoredLayouts, GoldenBytes)
{
    DeviceFontRecord font{};
    font.id = 0x01020304;
    font.name[0] = u'A';
    font.name[1] = 0x263A;
    std::uint8_t bytes[kDeviceFontRecordSize] = {};
    EncodeDeviceFontRecord(font, bytes);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 8), Bytes({4, 3, 2, 1, 'A', 0, 0x3A, 0x26}));
    EXPECT_EQ(DecodeDeviceFontRecord(bytes).name[1], 0x263A);

    CustomMediaRecord media{};
    media.quot = 2;
    media.charSet = 0x80;
    std::memcpy(media.name, "Thick", 5);
    std::uint8_t record[kCustomMediaRecordSize] = {};
    EncodeCustomMediaRecord(media, record);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(record), 13),
              Bytes({2, 0, 0, 0, 0x80, 0, 0, 0, 'T', 'h', 'i', 'c', 'k'}));
    std::memset(record + 8, 'x', 260);  // no terminator inside the record
    EXPECT_EQ(std::strlen(DecodeCustomMediaRecord(record).name), 259u);
}

TEST_F(PersistenceTest, SpecialFunctionEightFromTheUserInformationFile)
{
    const std::u16string modelIni = std::u16string(kDriverFolder) + u"\\TZ16E172.ini";
    WriteIniString(kPrinterName, u"UserInfomationFile", u"%SYSTEMDRIVE%\\ui.ini", modelIni.c_str());
    WriteIniString(u"Common", u"SectionName", u"Printer", u"C:\\ui.ini");
    WriteIniString(kPrinterName, u"Function8", u"5", u"C:\\ui.ini");
    LoadSpecialFunctions(context());
    EXPECT_EQ(GetItemValue(context(), wdmSpecial8), 5u);
    EXPECT_EQ(GetItemValue(context(), wdmSpecial1), 0u);
}

// A process killed anywhere in its store passes (while it writes its files
// ahead, or puts them in place under the mutex) leaves each file whole, as
// one pass or the next wrote it, and the mutex free; the next store removes
// what it left beside the files.
TEST_F(PersistenceTest, AStoreKilledAtAnyPointLeavesWholeFiles)
{
    for (const int lifetime : {35, 80, 150}) {
        RunInChildProcessUntilKilled(
            [] {
                ModelContext writer;
                DriverContext* ctx = writer.get();
                ctx->printer = OpenNamedPrinter(kPrinterName);
                for (std::uint32_t n = 0;; ++n) {
                    SetItemValue(ctx, rdmLogging, 500 + n % 2);
                    SetItemValue(ctx, rdmFrontFunc, 600 + n % 2);
                    StoreItemsPass(ctx->printer, ctx, kAllAreas, kStoreForce);
                }
            },
            std::chrono::milliseconds(lifetime));
        const auto logging = machine::ReadPrinterData(kPrinterName, u"Logging");
        if (logging) {
            EXPECT_TRUE(logging->bytes == Bytes({0xF4, 1, 0, 0}) || logging->bytes == Bytes({0xF5, 1, 0, 0}));
        }
        const std::string ini = ReadHostFile(u"C:\\_vexl\\TZ16E170.ini");
        EXPECT_TRUE(ini.empty() || ini.find("FrontFunc=600\r\n") != std::string::npos ||
                    ini.find("FrontFunc=601\r\n") != std::string::npos);
    }
    SetItemValue(context(), rdmLogging, 9);
    SetItemValue(context(), rdmFrontFunc, 10);
    ASSERT_TRUE(StoreItemsPass(printer_, context(), kAllAreas, kStoreForce));  // the mutex is free
    EXPECT_EQ(machine::ReadPrinterData(kPrinterName, u"Logging")->bytes, Bytes({9, 0, 0, 0}));
    EXPECT_NE(ReadHostFile(u"C:\\_vexl\\TZ16E170.ini").find("FrontFunc=10\r\n"), std::string::npos);
    for (const std::filesystem::path& folder :
         {machine::Root() / "spooler" / "printers", machine::HostPath(u"C:\\_vexl")}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name.find(".~") == std::string::npos && !name.ends_with(".tmp")) << name;
        }
    }
}

// A folder of the machine moved onto a filesystem of its own, 64 KiB large,
// with its files; the folder comes back to the disk at the end.
class SmallDisk {
public:
    explicit SmallDisk(std::filesystem::path folder) : folder_(std::move(folder))
    {
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            files_[entry.path()] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") != 0) {
            error_ = std::strerror(errno);
            return;
        }
        mounted_ = true;
        for (const auto& [path, bytes] : files_) std::ofstream(path, std::ios::binary) << bytes;
    }
    ~SmallDisk()
    {
        if (!mounted_) return;
        ::umount2(folder_.c_str(), MNT_DETACH);
        for (const auto& [path, bytes] : files_) std::ofstream(path, std::ios::binary) << bytes;
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& error() const { return error_; }

    // Fills the filesystem up to its last byte.
    void Fill()
    {
        const int fd = ::open((folder_ / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
        const std::string block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        while (::write(fd, block.data(), 1) > 0) {
        }
        ::close(fd);
    }
    void Free() { std::filesystem::remove(folder_ / "filler"); }

    // The folder's files but the filler, with their bytes.
    std::map<std::string, std::string> Files() const
    {
        std::map<std::string, std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
            const std::string name = entry.path().filename().string();
            if (name == "filler") continue;
            std::ifstream in(entry.path(), std::ios::binary);
            files[name] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return files;
    }

private:
    std::filesystem::path folder_;
    std::map<std::filesystem::path, std::string> files_;
    bool mounted_ = false;
    std::string error_;
};

// A store on a full disk answers failure with its cause and changes no file;
// once there is room again the next store writes.
TEST_F(PersistenceTest, AStoreOnAFullDiskAnswersFailureAndChangesNothing)
{
    SetItemValue(context(), rdmLogging, 7);     // printer data
    SetItemValue(context(), rdmFrontFunc, 11);  // the settings INI
    ASSERT_TRUE(StoreItemsPass(printer_, context(), kAllAreas, kStoreForce));
    if (::geteuid() != 0) GTEST_SKIP() << "a small filesystem is mounted only by root";
    std::vector<std::unique_ptr<SmallDisk>> disks;
    for (const std::filesystem::path& folder :
         {machine::Root() / "spooler" / "printers", machine::HostPath(u"C:\\_vexl")}) {
        disks.push_back(std::make_unique<SmallDisk>(folder));
        if (!disks.back()->mounted())
            GTEST_SKIP() << "no small filesystem can be mounted here: " << disks.back()->error();
    }
    std::vector<std::map<std::string, std::string>> before;
    for (const auto& disk : disks) {
        disk->Fill();
        before.push_back(disk->Files());
    }

    SetItemValue(context(), rdmLogging, 8);
    SetItemValue(context(), rdmFrontFunc, 12);
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(StoreItemsPass(printer_, context(), kAllAreas, kStoreForce));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    for (std::size_t i = 0; i < disks.size(); ++i) EXPECT_TRUE(disks[i]->Files() == before[i]) << "disk " << i;

    for (const auto& disk : disks) disk->Free();
    EXPECT_TRUE(StoreItemsPass(printer_, context(), kAllAreas, kStoreForce));
    EXPECT_EQ(machine::ReadPrinterData(kPrinterName, u"Logging")->bytes, Bytes({8, 0, 0, 0}));
    EXPECT_NE(ReadHostFile(u"C:\\_vexl\\TZ16E170.ini").find("FrontFunc=12"), std::string::npos);
}

}  // namespace
}  // namespace vexl::test
