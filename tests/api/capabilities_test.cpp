// The capability handlers run straight on a settings-interface context of
// the package's printer: every list in both passes and within a bounded
// buffer, the single answers and pairs the package description gives, the
// ranges in 0.1 mm, the INI lists, and the settings left as they were
// found by the handlers that list under changed items.
#include "api/capabilities.h"

#include "common/core/items.h"
#include "common/core/store.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"

#include "capability_test_lists.h"
#include "support/integration_fixture.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

using api::RunCapabilityHandler;
using api::RunCapabilityHandlerBounded;

constexpr std::uint8_t kCanary = 0xCC;

std::string PackageDescription()
{
    std::ifstream file(kPackageFolder / "TZ16E1MD.VXD", std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class CapabilitiesTest : public DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        Open();
    }
    void TearDown() override
    {
        Close();
        DriverPrinterTest::TearDown();
    }
    void Open()
    {
        instance_ = Create(kCallerSettingsInterface);
        ASSERT_NE(instance_, nullptr);
    }
    void Close()
    {
        if (instance_) ReleaseDriverContext(instance_, kReleaseDestroy);
        instance_ = nullptr;
        PurgeContextCache(TRUE);
        FreeCompiledModelList();
    }
    // The package description with more entries, for the next instance.
    void ExtendDescription(const std::string& entries)
    {
        Close();
        machine::WriteFile(kDescriptionFile, PackageDescription() + entries);
        Open();
    }
    void WritePrinterIni(const WCHAR* key, const std::u16string& value)
    {
        std::u16string section = kPrinterName;
        SanitizeIniSection(section.data());
        ASSERT_TRUE(WriteIniString(section.c_str(), key, value.c_str(), GetSettingsIniPath(instance_)));
    }
    // The store's bytes; its heap lists' addresses are not settings.
    std::vector<std::uint8_t> Store()
    {
        const std::uint8_t* bytes = GetStoreBytes(instance_);
        std::vector<std::uint8_t> image(bytes, bytes + GetSettingsStoreSize());
        ClearHeapAddressItems(instance_, image.data());
        return image;
    }
    // A value list in both passes.
    std::vector<std::uint32_t> Values(std::uint32_t id)
    {
        const int count = RunCapabilityHandler(instance_, id, nullptr);
        if (count <= 0) return {};
        std::vector<std::uint32_t> values(count + 1, 0xCCCCCCCC);
        EXPECT_EQ(RunCapabilityHandler(instance_, id, values.data()), count) << id;
        EXPECT_EQ(values[count], 0xCCCCCCCC) << id;
        values.resize(count);
        return values;
    }
    std::vector<std::string> Names(std::uint32_t id, std::size_t slotBytes)
    {
        const int count = RunCapabilityHandler(instance_, id, nullptr);
        if (count <= 0) return {};
        std::vector<char> slots(count * slotBytes);
        EXPECT_EQ(RunCapabilityHandler(instance_, id, slots.data()), count) << id;
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i)
            names.emplace_back(&slots[i * slotBytes], strnlen(&slots[i * slotBytes], slotBytes));
        return names;
    }

    DriverContext* instance_ = nullptr;
};

TEST_F(CapabilitiesTest, EveryListAnswersOneCountInBothPassesAndWritesNothingPastItOrPastACapacity)
{
    SetItemValue(instance_, rdmSourceOptionTypeDuplex, 1);
    int nonEmpty = 0;
    for (const ListCapability& list : kListCapabilities) {
        const int count = RunCapabilityHandler(instance_, list.id, nullptr);
        if (count <= 0) continue;
        ++nonEmpty;
        std::vector<std::uint8_t> buffer((count + 2) * list.entryBytes, kCanary);
        EXPECT_EQ(RunCapabilityHandler(instance_, list.id, buffer.data()), count) << list.id;
        for (std::size_t i = count * list.entryBytes; i < buffer.size(); ++i) {
            ASSERT_EQ(buffer[i], kCanary) << "capability " << list.id << " wrote byte " << i;
        }
        // A buffer one entry short gets nothing.
        std::vector<std::uint8_t> shortBuffer(count * list.entryBytes, kCanary);
        EXPECT_EQ(RunCapabilityHandlerBounded(instance_, list.id, shortBuffer.data(), count - 1), -1) << list.id;
        EXPECT_EQ(shortBuffer, std::vector<std::uint8_t>(count * list.entryBytes, kCanary)) << list.id;
    }
    // Trays, papers, sizes, resolutions, duplex and N-up types at least.
    EXPECT_GE(nonEmpty, 10);
}

TEST_F(CapabilitiesTest, SingleAnswersOfThePackagesPrinter)
{
    struct Case {
        std::uint32_t id;
        int answer;
    };
    const Case cases[] = {
        {1, 1},    {9, 1},
        {17, 999}, {24, 1},
        {26, -1},  {29, -1},
        {34, 1},   {35, 500},  // the shift margins: offered, up to 50 mm
        {40, 0},   {41, 0},
        {45, -1},  {66, 0},
        {67, 0},   {83, 0},
        {258, 50}, {265, 0xFFCE},  // brightness up to 50, red balance down to -50
        {300, 0},  {api::kMachineColorCapability, static_cast<int>(GetItemValue(instance_, rdmMachineTypeColor))},
    };
    for (const Case& c : cases) EXPECT_EQ(RunCapabilityHandler(instance_, c.id, nullptr), c.answer) << c.id;
    // The output trays: nothing but the leading 0.
    EXPECT_EQ(Values(6), std::vector<std::uint32_t>{0});
    EXPECT_EQ(RunCapabilityHandler(nullptr, 1, nullptr), -1);
}

TEST_F(CapabilitiesTest, PackedAndPairFormsGiveTheSameExtentsAndWriteTheirBytesOnly)
{
    struct Case {
        std::uint32_t packed, pair;
    };
    for (const Case& c : {Case{13, 124}, Case{14, 125}}) {
        std::uint8_t packed[8];
        std::memset(packed, kCanary, sizeof(packed));
        const auto answer = static_cast<std::uint32_t>(RunCapabilityHandler(instance_, c.packed, packed));
        EXPECT_EQ(answer, static_cast<std::uint32_t>(RunCapabilityHandler(instance_, c.packed, nullptr)));
        EXPECT_EQ(packed[0] | (packed[1] << 8), static_cast<int>(answer & 0xFFFF));
        EXPECT_EQ(packed[2] | (packed[3] << 8), static_cast<int>(answer >> 16));
        EXPECT_EQ(packed[4], kCanary);

        std::int32_t pair[3] = {-1, -1, 0x5A5A5A5A};
        EXPECT_EQ(RunCapabilityHandler(instance_, c.pair, pair), 1);
        EXPECT_EQ(static_cast<std::uint32_t>(pair[0]), answer & 0xFFFF) << c.pair;
        EXPECT_EQ(static_cast<std::uint32_t>(pair[1]), answer >> 16) << c.pair;
        EXPECT_EQ(pair[2], 0x5A5A5A5A);
    }
    // Scales 20 to 400 percent: horizontal low, vertical high.
    std::int16_t scale[3] = {0, 0, 0x5A5A};
    EXPECT_EQ(RunCapabilityHandler(instance_, 20, scale), (400 << 16) | 400);
    EXPECT_EQ(scale[0], 400);
    EXPECT_EQ(scale[1], 400);
    EXPECT_EQ(scale[2], 0x5A5A);
    EXPECT_EQ(RunCapabilityHandler(instance_, 21, nullptr), (20 << 16) | 20);
}

TEST_F(CapabilitiesTest, MarginRangesAreTenthsOfMillimetresAndKeepTheirSign)
{
    ExtendDescription(R"(
*OpenUI *KSD_rdmShiftMarginX: Numeric
*NumericValue: "0 0 -1200 1200"
*CloseUI: *KSD_rdmShiftMarginX
*OpenUI *KSD_rdmShiftMarginY: Numeric
*NumericValue: "0 0 -600 2400"
*CloseUI: *KSD_rdmShiftMarginY
)");
    struct Case {
        std::uint32_t id;
        int answer;
    };
    // 1,200 dots are one inch, 254 tenths of a millimetre.
    for (const Case& c : {Case{34, 1}, Case{35, 254}, Case{36, -254}, Case{37, 508}, Case{38, -127}}) {
        EXPECT_EQ(RunCapabilityHandler(instance_, c.id, nullptr), c.answer) << c.id;
    }
}

TEST_F(CapabilitiesTest, HandlersThatListUnderChangedItemsLeaveTheSettingsAsFound)
{
    SetItemValue(instance_, rdmSourceOptionTypeDuplex, 1);
    for (std::uint32_t adjustMode : {0u, 1u}) {
        SetItemValue(instance_, rdmAdjustMode, adjustMode);
        for (std::uint32_t id : {61u, 281u, 282u, 103u, 105u, 106u, 32u, 33u, 271u, 272u}) {
            const std::vector<std::uint8_t> before = Store();
            const int count = RunCapabilityHandler(instance_, id, nullptr);
            std::vector<std::uint8_t> buffer(std::max(count, 1) * 64);
            RunCapabilityHandler(instance_, id, buffer.data());
            EXPECT_EQ(Store(), before) << "capability " << id << " with rdmAdjustMode " << adjustMode;
        }
    }
    // The colour modes of the package, listed while rdmAdjustMode is 1 too.
    EXPECT_EQ(Values(61).size(), 3u);
    // Duplex with its off value, then the bindings allowed once duplex is on.
    const std::vector<std::uint32_t> duplex = Values(103);
    ASSERT_FALSE(duplex.empty());
    EXPECT_EQ(duplex[0], 0u);
}

TEST_F(CapabilitiesTest, PresetNumbersAndNamesComeFromTheSettingsIniAndLongNamesAreCut)
{
    WritePrinterIni(u"Count", u"3");
    WritePrinterIni(u"PresetList0Name", u"Draft");
    WritePrinterIni(u"PresetList1Name", std::u16string(80, u'p'));
    EXPECT_EQ(Values(85), (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_EQ(Names(86, 64), (std::vector<std::string>{"Draft", std::string(63, 'p'), ""}));

    // A count the preset slots cannot hold is taken as their number.
    WritePrinterIni(u"Count", u"100000");
    EXPECT_EQ(RunCapabilityHandler(instance_, 85, nullptr), 16);
    EXPECT_EQ(RunCapabilityHandler(instance_, 86, nullptr), 16);
    WritePrinterIni(u"Count", u"-4");
    EXPECT_EQ(RunCapabilityHandler(instance_, 85, nullptr), 0);
}

}  // namespace
}  // namespace vexl::test
