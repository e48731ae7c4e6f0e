// Capability answers on the settings interface's test printer, whose model
// has the media, colour, macro, margin and job entries the package lacks:
// ranges in 0.1 mm and as 16-bit numbers, text lengths, the names of the
// allowed media and of the macros, the model INI's option bits, the preset
// list and the load-sharing codes of an instance.
#include "api/capabilities.h"
#include "api/frame.h"
#include "api/versions.h"

#include "common/core/items.h"
#include "common/core/units.h"

#include "interface_printer.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

using api::RunCapabilityHandler;

class CapabilityAnswersTest : public InterfacePrinterTest {
protected:
    void SetUp() override
    {
        InterfacePrinterTest::SetUp();
        instance_ = Create(kCallerSettingsInterface);
        ASSERT_NE(instance_, nullptr);
    }
    void TearDown() override
    {
        if (instance_) ReleaseDriverContext(instance_, kReleaseDestroy);
        api::SetApiVersionInForce(api::kApiVersionAtLoad);
        InterfacePrinterTest::TearDown();
    }

    std::vector<std::uint32_t> Values(std::uint32_t id)
    {
        const int count = RunCapabilityHandler(instance_, id, nullptr);
        if (count <= 0) return {};
        std::vector<std::uint32_t> values(count);
        EXPECT_EQ(RunCapabilityHandler(instance_, id, values.data()), count) << id;
        return values;
    }
    std::vector<std::string> Names(std::uint32_t id, std::size_t slotBytes)
    {
        const int count = RunCapabilityHandler(instance_, id, nullptr);
        EXPECT_GT(count, 0) << id;
        if (count <= 0) return {};
        std::vector<char> slots(count * slotBytes);
        EXPECT_EQ(RunCapabilityHandler(instance_, id, slots.data()), count) << id;
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i) {
            names.emplace_back(&slots[i * slotBytes], strnlen(&slots[i * slotBytes], slotBytes));
        }
        return names;
    }

    DriverContext* instance_ = nullptr;
};

int TenthMm(std::uint32_t dots)
{
    return static_cast<int>(DotsToUnits(kUnitTenthMm, dots, kGeometryDpi));
}

TEST_F(CapabilityAnswersTest, RangesAndTextLengthsOfTheModelsEntries)
{
    struct Case {
        std::uint32_t id;
        int answer;
    };
    const Case cases[] = {
        // Margins of 0 to 300 dots, shifts of -300 to 300, creep margins of 0 to 100.
        {26, TenthMm(300)},
        {27, 0},
        {28, TenthMm(300)},
        {29, 0},
        {34, 1},
        {35, TenthMm(300)},
        {36, -TenthMm(300)},
        {113, TenthMm(100)},
        {114, 0},
        {116, 0},
        // Colour adjustment from -50 to 50, as 16-bit numbers.
        {258, 50},
        {259, 0xFFCE},
        {264, 50},
        {265, 0xFFCE},
        // The job password and the authentication texts.
        {83, 8},
        {90, 32},
        {91, 32},
        // Scale types hold 1 to 3; no separation sheet without its switch.
        {19, 1},
        {76, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(RunCapabilityHandler(instance_, c.id, nullptr), c.answer) << c.id;
}

TEST_F(CapabilityAnswersTest, AllowedMediaAreNamedInTheirSlotsAndMacrosThroughTheOptionStrings)
{
    const std::vector<std::uint32_t> media = Values(4);
    ASSERT_FALSE(media.empty());
    const std::vector<std::string> names = Names(5, 64);
    const std::vector<std::string> wide = Names(127, 260);
    ASSERT_EQ(names.size(), media.size());
    EXPECT_EQ(wide, names);

    EXPECT_EQ(Values(266), (std::vector<std::uint32_t>{0, 1, 2}));
    EXPECT_EQ(Names(267, 64), (std::vector<std::string>{"Standard", "Photo", "Graphics"}));
    EXPECT_EQ(Values(268), (std::vector<std::uint32_t>{16, 17, 18}));
    EXPECT_EQ(Names(269, 64), (std::vector<std::string>{"Balance normal", "Balance vivid", "Balance soft"}));
}

TEST_F(CapabilityAnswersTest, TheModelIniGrantsColourMode255AndTheAnswersOfItsBits)
{
    const std::vector<std::uint32_t> modes = Values(61);
    ASSERT_FALSE(modes.empty());
    EXPECT_EQ(std::count(modes.begin(), modes.end(), 255u), 0);
    EXPECT_EQ(RunCapabilityHandler(instance_, 57, nullptr), 0);

    WriteInterfaceModelIni({std::nullopt, 0x2 | 0x4 | 0x200});
    std::vector<std::uint32_t> granted = modes;
    granted.push_back(255);
    EXPECT_EQ(Values(61), granted);
    EXPECT_EQ(RunCapabilityHandler(instance_, 57, nullptr), 1);
    // Page separation is answered from API version 15 on.
    api::SetApiVersionInForce(14);
    EXPECT_EQ(RunCapabilityHandler(instance_, 118, nullptr), 0);
    api::SetApiVersionInForce(15);
    EXPECT_EQ(RunCapabilityHandler(instance_, 118, nullptr), 1);
}

TEST_F(CapabilityAnswersTest, PresetsOfTheSettingsIni)
{
    EXPECT_EQ(Values(85), (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_EQ(Names(86, 64), (std::vector<std::string>{"Proof", "Booklet", "Foreign"}));
}

TEST_F(CapabilityAnswersTest, LoadSharingCodesAreThoseOfTheInstancesAvailableRowsEachOnce)
{
    api::CheckApiVersion(kInterfacePrinterNameAnsi);
    api::BuildEnabledIdBitmaps(api::GetRequestedApiVersion());
    DriverContext* instance = api::OpenApiInstance(kInterfacePrinterNameAnsi);
    ASSERT_NE(instance, nullptr);
    ApiRecord* record = instance->workArea->apiRecord;
    ASSERT_NE(record, nullptr);
    // Rows {0, 0}, {0, 16}, {1, 1}, {1, 17}, {2, 2}, {3, 18}: bit n for row n.
    struct Case {
        std::uint32_t available;
        std::vector<std::uint32_t> codes;
    };
    const Case cases[] = {{0x3F, {0, 1, 2, 3}}, {0x0A, {0, 1}}, {0x20, {3}}, {0, {}}};
    for (const Case& c : cases) {
        record->loadShareAvailable = c.available;
        std::vector<std::uint32_t> codes(8, 0xCCCCCCCC);
        const int count = RunCapabilityHandler(instance, 93, nullptr);
        ASSERT_EQ(count, static_cast<int>(c.codes.size())) << c.available;
        EXPECT_EQ(RunCapabilityHandler(instance, 93, codes.data()), count);
        EXPECT_EQ(codes[count], 0xCCCCCCCCu);
        codes.resize(count);
        EXPECT_EQ(codes, c.codes) << c.available;
    }
    api::CloseApiInstance(instance);
}

}  // namespace
}  // namespace vexl::test
