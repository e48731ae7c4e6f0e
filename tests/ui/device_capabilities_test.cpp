// DrvDeviceCapabilities of the package's printer: every index in both passes.
#include "ui_fixture.h"

#include "common/core/le.h"
#include "ui/entry/device_capabilities.h"

#include <map>

namespace vexl::test {
namespace {

using namespace ui;

constexpr DWORD kNone = 0xFFFFFFFF;

class CapabilityTest : public UiPrinterTest {
protected:
    DWORD Ask(WORD index, void* out, const DEVMODEW* in = nullptr)
    {
        std::u16string name = kPrinterName;
        return QueryDeviceCapability(printer_, name.data(), index, out, in);
    }
    void SetLocks(std::u16string_view name, BYTE value)
    {
        std::u16string copy(name);
        SetPrinterDataW(printer_, copy.data(), REG_BINARY, &value, 1);
    }
    void SetStoredDevmode(const std::vector<std::uint8_t>& devmode)
    {
        std::vector<std::uint8_t> copy = devmode;
        PRINTER_INFO_2W info{};
        info.pDevMode = AsDevmode(copy);
        ASSERT_TRUE(SetPrinterW(printer_, 2, reinterpret_cast<LPBYTE>(&info), 0));
    }
};

// Every index answers the same count in both passes and writes nothing past it.
TEST_F(CapabilityTest, EveryIndexInBothPasses)
{
    // Fixed answers of the package's printer; lists are checked for their counts.
    const std::map<WORD, DWORD> fixed = {
        {DC_PAPERS, 9},
        {DC_PAPERSIZE, 9},
        {DC_BINS, 6},
        {DC_DUPLEX, kNone},
        {DC_SIZE, 220},
        {DC_EXTRA, 1016},
        {DC_VERSION, 0x401},
        {DC_DRIVER, 0x400},
        {DC_BINNAMES, 6},
        {DC_FILEDEPENDENCIES, 0},
        {DC_PAPERNAMES, 9},
        {DC_ORIENTATION, 90},
        {DC_COPIES, 999},
        {DC_BINADJUST, kNone},
        {DC_EMF_COMPLIANT, kNone},
        {DC_DATATYPE_PRODUCED, kNone},
        {DC_MANUFACTURER, kNone},
        {DC_MODEL, kNone},
        {DC_PERSONALITY, 1},
        {DC_PRINTRATEUNIT, 1},
        {DC_PRINTERMEM, kNone},
        {DC_COLORDEVICE, kNone},
        {DC_NUP, 5},
    };
    for (WORD index = 0; index <= 34; ++index) {
        const DWORD count = Ask(index, nullptr);
        std::vector<std::uint8_t> buffer(64 * 1024, 0x5A);
        const DWORD written = Ask(index, buffer.data());
        EXPECT_EQ(written, count) << "DC " << index;
        if (index == 0 || index == 34) {
            EXPECT_EQ(count, kNone) << "DC " << index;
        }
        if (auto it = fixed.find(index); it != fixed.end()) {
            EXPECT_EQ(count, it->second) << "DC " << index;
        }
    }
}

TEST_F(CapabilityTest, ListsAsThePackageDeclaresThem)
{
    std::vector<std::uint16_t> papers(9);
    ASSERT_EQ(Ask(DC_PAPERS, papers.data()), 9u);
    EXPECT_EQ(papers, (std::vector<std::uint16_t>{9, 1, 5, 8, 11, 13, 256, 384, 385}));
    std::vector<POINT> sizes(9);
    ASSERT_EQ(Ask(DC_PAPERSIZE, sizes.data()), 9u);
    EXPECT_EQ(sizes[0].x, 2100);
    EXPECT_EQ(sizes[0].y, 2970);
    std::vector<WCHAR> names(9 * 64);
    ASSERT_EQ(Ask(DC_PAPERNAMES, names.data()), 9u);
    EXPECT_EQ(std::u16string(names.data()), u"A4");
    std::vector<std::uint16_t> bins(6);
    ASSERT_EQ(Ask(DC_BINS, bins.data()), 6u);
    EXPECT_EQ(bins, (std::vector<std::uint16_t>{7, 1, 3, 2, 256, 4}));
    std::vector<WCHAR> binNames(6 * 24);
    ASSERT_EQ(Ask(DC_BINNAMES, binNames.data()), 6u);
    EXPECT_EQ(std::u16string(binNames.data() + 2 * 24), u"Tray 2");
    const DWORD resolutions = Ask(DC_ENUMRESOLUTIONS, nullptr);
    ASSERT_NE(resolutions, kNone);
    std::vector<std::int32_t> pairs(2 * resolutions);
    Ask(DC_ENUMRESOLUTIONS, pairs.data());
    for (DWORD i = 0; i < resolutions; ++i) EXPECT_EQ(pairs[2 * i], pairs[2 * i + 1]);
    WCHAR personality[32];
    std::memset(personality, 0x5A, sizeof personality);
    EXPECT_EQ(Ask(DC_PERSONALITY, personality), 1u);
    EXPECT_EQ(std::u16string(personality), u"VEXL");
    EXPECT_EQ(personality[31], 0);
    std::vector<DWORD> nup(5);
    ASSERT_EQ(Ask(DC_NUP, nup.data()), 5u);
    EXPECT_EQ(nup, (std::vector<DWORD>{1, 2, 4, 9, 16}));
}

TEST_F(CapabilityTest, NupUnderTheAdministratorsRestrictionListsWhatItWrites)
{
    std::vector<std::uint8_t> devmode = DefaultDevmode();
    struct Case {
        BYTE locks;
        BYTE kind;
        std::vector<DWORD> pages;
    };
    for (const Case& c :
         {Case{0x08, 2, {1, 4}}, Case{0x08, 0, {1}}, Case{0x08, 10, {1}}, Case{0x18, 2, {1, 2, 4, 9, 16}}}) {
        devmode[446] = c.kind;
        SetStoredDevmode(devmode);
        SetLocks(u"rdmLock000InfoBit", c.locks);
        std::vector<DWORD> out(5, 0x5A5A5A5A);
        const DWORD size = Ask(DC_NUP, nullptr);
        const DWORD written = Ask(DC_NUP, out.data());
        EXPECT_EQ(written, c.pages.size()) << "locks " << int(c.locks) << " kind " << int(c.kind);
        EXPECT_LE(written, size);
        out.resize(written);
        EXPECT_EQ(out, c.pages);
    }
}

TEST_F(CapabilityTest, DuplexAndColourFromPrinterDataAndTheStoredDevmode)
{
    BYTE none[4] = {0, 0, 0, 0};
    std::u16string duplex = u"Duplex";
    SetPrinterDataW(printer_, duplex.data(), REG_BINARY, none, 4);
    EXPECT_EQ(Ask(DC_DUPLEX, nullptr), 0u);
    SetLocks(u"rdmLock000InfoBit", 0x20);
    EXPECT_EQ(Ask(DC_DUPLEX, nullptr), 1u);

    std::vector<std::uint8_t> devmode = DefaultDevmode();
    devmode[810] |= 1;  // a colour model
    AsDevmode(devmode)->dmColor = DMCOLOR_MONOCHROME;
    SetStoredDevmode(devmode);
    EXPECT_EQ(Ask(DC_COLORDEVICE, nullptr), 1u);
    SetLocks(u"rdmLock001InfoBit", 0x01);
    EXPECT_EQ(Ask(DC_COLORDEVICE, nullptr), 0u);
}

TEST_F(CapabilityTest, AStoredDevmodeOfAShorterPublicPartHasItsDriverPartReadWhereItIs)
{
    // A 188-byte public part with the driver's part right behind it: the
    // colour model byte sits 32 bytes before its place in the store.
    std::vector<std::uint8_t> devmode = DefaultDevmode();
    devmode[810] |= 1;
    std::vector<std::uint8_t> shorter(188 + 1016);
    std::memcpy(shorter.data(), devmode.data(), 188);
    std::memcpy(shorter.data() + 188, devmode.data() + 220, 1016);
    WriteLe16(shorter.data() + offsetof(DEVMODEW, dmSize), 188);
    WriteLe16(shorter.data() + offsetof(DEVMODEW, dmColor), DMCOLOR_COLOR);
    SetStoredDevmode(shorter);
    EXPECT_EQ(Ask(DC_COLORDEVICE, nullptr), 1u);

    std::vector<std::uint8_t> block(1236, 0xEE);
    ASSERT_TRUE(ReadStoredDevmode(printer_, AsDevmode(block)));
    EXPECT_EQ(std::memcmp(block.data() + 220, devmode.data() + 220, 1016), 0);
    for (std::size_t i = 188; i < 220; ++i) ASSERT_EQ(block[i], 0) << "byte " << i;
}

TEST_F(CapabilityTest, AStoredDevmodeLargerThanTheDriversIsReadOnlyAsFarAsTheBlock)
{
    std::vector<std::uint8_t> devmode = DefaultDevmode();
    devmode.resize(1236 + 400, 0x77);
    WriteLe16(devmode.data() + offsetof(DEVMODEW, dmDriverExtra), 1016 + 400);
    SetStoredDevmode(devmode);
    std::vector<std::uint8_t> block(1236 + 16, 0xEE);
    ASSERT_TRUE(ReadStoredDevmode(printer_, AsDevmode(block)));
    for (std::size_t i = 1236; i < block.size(); ++i) ASSERT_EQ(block[i], 0xEE);
}

TEST_F(CapabilityTest, TheContextIsParkedInTheCapabilitiesCacheForTheNextCall)
{
    machine::SetTickCount(1000);
    ASSERT_NE(Ask(DC_PAPERS, nullptr), kNone);
    DriverContext* parked = LookUpCachedContext(printer_, 0, kCallerDeviceCapabilities, 0, kPrinterName);
    ASSERT_NE(parked, nullptr);
    ReleaseDriverContext(parked, kReleaseToCapabilitiesCache);
    machine::AdvanceTickCount(600);
    EXPECT_EQ(LookUpCachedContext(printer_, 0, kCallerDeviceCapabilities, 0, kPrinterName), nullptr);
}

}  // namespace
}  // namespace vexl::test
