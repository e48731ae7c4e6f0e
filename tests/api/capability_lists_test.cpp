// The list answers of the settings interface on the package's printer: the
// values the PJL option table allows, their names from the model's lists,
// the names of PickOne values through the value map, and the delivery into
// a caller's buffer that never writes past the list or past its capacity.
#include "api/capability_lists.h"

#include "common/core/items.h"
#include "common/model/capabilities.h"
#include "common/storage/resources.h"

#include "support/integration_fixture.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

using api::CapabilityBuffer;
using api::NameList;
using api::ValueList;

constexpr std::uint8_t kCanary = 0xCC;

class CapabilityListsTest : public DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        instance_ = Create(kCallerSettingsInterface);
        ASSERT_NE(instance_, nullptr);
    }
    void TearDown() override
    {
        if (instance_) ReleaseDriverContext(instance_, kReleaseDestroy);
        DriverPrinterTest::TearDown();
    }

    // Both passes of a list with entries of entryBytes: the count of the
    // size query, then the filled entries; nothing is written past them.
    std::vector<std::uint8_t> BothPasses(const std::function<int(void*)>& query, std::size_t entryBytes, int* answer)
    {
        const int count = query(nullptr);
        *answer = count;
        if (count <= 0) return {};
        std::vector<std::uint8_t> buffer((count + 2) * entryBytes, kCanary);
        EXPECT_EQ(query(buffer.data()), count);
        for (std::size_t i = count * entryBytes; i < buffer.size(); ++i) {
            EXPECT_EQ(buffer[i], kCanary) << "written past the list at byte " << i;
        }
        buffer.resize(count * entryBytes);
        return buffer;
    }
    std::vector<std::uint32_t> Values(const std::function<int(std::uint32_t*)>& query, int* answer)
    {
        const std::vector<std::uint8_t> bytes =
            BothPasses([&](void* out) { return query(static_cast<std::uint32_t*>(out)); }, 4, answer);
        std::vector<std::uint32_t> values(bytes.size() / 4);
        if (!bytes.empty()) std::memcpy(values.data(), bytes.data(), bytes.size());
        return values;
    }
    std::vector<std::string> Names(const std::function<int(char*)>& query, std::size_t slotBytes, int* answer)
    {
        const std::vector<std::uint8_t> bytes =
            BothPasses([&](void* out) { return query(static_cast<char*>(out)); }, slotBytes, answer);
        std::vector<std::string> names;
        for (std::size_t at = 0; at < bytes.size(); at += slotBytes) {
            const char* slot = reinterpret_cast<const char*>(bytes.data() + at);
            EXPECT_EQ(slot[slotBytes - 1], '\0') << "slot " << at / slotBytes << " not terminated";
            names.emplace_back(slot, strnlen(slot, slotBytes));
        }
        return names;
    }
    std::vector<std::uint32_t> AllowedValues(std::uint16_t itemId, int* answer)
    {
        return Values([&](std::uint32_t* out) { return api::ListAllowedValueCaps(instance_, out, itemId); }, answer);
    }
    std::string AnsiUiString(std::uint32_t id)
    {
        char slot[64] = {};
        api::LoadAnsiUiString(instance_, id, slot, sizeof(slot));
        return slot;
    }

    DriverContext* instance_ = nullptr;
};

std::int32_t TrayValues(DriverContext* instance, std::uint16_t* out, std::uint16_t)
{
    return ListTrayIds(instance, out, 0);
}

std::int32_t TrayNames(DriverContext* instance, WCHAR* out, std::uint32_t slotChars, std::uint16_t)
{
    return ListTrayNames(instance, out, slotChars, 0);
}

TEST_F(CapabilityListsTest, AllowedValuesFollowTheTableConditionsInBothPasses)
{
    struct Case {
        const char* name;
        std::uint32_t oneStep, optionCount, multi;
        std::vector<std::uint32_t> trays;
    };
    const Case cases[] = {
        {"no options", 0, 0, 0, {7, 1}},
        {"two more trays", 1, 2, 0, {7, 1, 3, 2}},
        {"four more trays", 1, 4, 0, {7, 1, 3, 2, 256, 261}},
        {"bypass tray", 0, 0, 1, {7, 1, 4}},
    };
    for (const Case& c : cases) {
        SetItemValue(instance_, rdmSourceOptionType1Step, c.oneStep);
        SetItemValue(instance_, rdm1StepOptionNum, c.optionCount);
        SetItemValue(instance_, rdmSourceOptionTypeMulti, c.multi);
        int answer = 0;
        EXPECT_EQ(AllowedValues(dmDefaultSource, &answer), c.trays) << c.name;
        EXPECT_EQ(answer, static_cast<int>(c.trays.size())) << c.name;
    }

    // The output trays: the leading 0 alone when fewer than two other trays
    // are allowed.
    int answer = 0;
    EXPECT_EQ(AllowedValues(rdmOutputTrayID, &answer), std::vector<std::uint32_t>{0});
    EXPECT_EQ(answer, 1);
    // Items the PJL table does not hold list nothing.
    for (std::uint16_t item : {rdmStapleType, rdmPunchType}) {
        EXPECT_TRUE(AllowedValues(item, &answer).empty());
        EXPECT_EQ(answer, 0) << item;
    }
}

TEST_F(CapabilityListsTest, AllowedValueNamesPairTheModelsNamesAndNameTheOthers)
{
    SetItemValue(instance_, rdmSourceOptionType1Step, 1);
    SetItemValue(instance_, rdm1StepOptionNum, 4);
    int answer = 0;
    const std::vector<std::string> names = Names(
        [&](char* out) {
            return api::ListAllowedValueNames(instance_, out, dmDefaultSource, 24, TrayValues, TrayNames);
        },
        24, &answer);
    ASSERT_EQ(answer, 6);
    // {7, 1, 3, 2, 256} have options of the tray entry; 261 has none.
    EXPECT_EQ(names,
              (std::vector<std::string>{"Automatic selection", "Tray 1", "Tray 2", "Tray 3", "Tray 4", "Not listed"}));

    // Nothing allowed: a name list answers -1, also as a size query.
    EXPECT_EQ(api::ListAllowedValueNames(instance_, nullptr, rdmStapleType, 64, TrayValues, TrayNames), -1);
    char slots[64 * 4];
    EXPECT_EQ(api::ListAllowedValueNames(instance_, slots, rdmStapleType, 64, TrayValues, TrayNames), -1);
}

TEST_F(CapabilityListsTest, ModelNamesTakeSlotsOfAsManyBytesAsTheListersCharacters)
{
    int answer = 0;
    const std::vector<std::string> names =
        Names([&](char* out) { return api::ListModelNamesAnsi(instance_, out, 24, 0, TrayNames); }, 24, &answer);
    ASSERT_EQ(answer, 6);
    EXPECT_EQ(names[0], "Automatic selection");
    EXPECT_EQ(names[5], "Bypass tray");

    // Eight characters a name: each slot holds its name's first seven.
    const std::vector<std::string> narrow =
        Names([&](char* out) { return api::ListModelNamesAnsi(instance_, out, 8, 0, TrayNames); }, 8, &answer);
    ASSERT_EQ(answer, 6);
    EXPECT_EQ(narrow[0], "Automat");
    EXPECT_EQ(narrow[2], "Tray 2");

    // The values beside them, widened.
    EXPECT_EQ(
        Values([&](std::uint32_t* out) { return api::ListModelValuesWide(instance_, out, 0, TrayValues); }, &answer),
        (std::vector<std::uint32_t>{7, 1, 3, 2, 256, 4}));
}

TEST_F(CapabilityListsTest, OptionValueNamesComeThroughTheValueMapAndUnnamedSlotsAreEmpty)
{
    // rdmDuplexType stores 0, 1, 2 for the options 1, 2, 3.
    int answer = 0;
    const std::vector<std::string> byOption = Names(
        [&](char* out) {
            return api::ListOptionValueNames(instance_, out, rdmDuplexType, 64, api::kNamesFromOptionIds);
        },
        64, &answer);
    ASSERT_EQ(answer, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(byOption[i], AnsiUiString(i + 1)) << i;

    // None of these options is in the option-to-string table: each slot is
    // emptied rather than left as the caller passed it.
    std::vector<char> slots(64 * 3, static_cast<char>(kCanary));
    EXPECT_EQ(api::ListOptionValueNames(instance_, slots.data(), rdmDuplexType, 64, api::kNamesFromOptionStrings), 3);
    for (char byte : slots) EXPECT_EQ(byte, '\0');

    // An item without PickOne entry names nothing.
    EXPECT_EQ(api::ListOptionValueNames(instance_, nullptr, rdmPunchType, 64, api::kNamesFromOptionStrings), -1);
    EXPECT_EQ(api::ListOptionValueNames(instance_, slots.data(), rdmPunchType, 64, api::kNamesFromOptionStrings), -1);
}

TEST_F(CapabilityListsTest, ABufferThatHoldsFewerEntriesThanTheListGetsNothing)
{
    const ValueList values = {7, 1, 3};
    std::vector<std::uint8_t> buffer(16, kCanary);
    EXPECT_EQ(api::DeliverValues(CapabilityBuffer{buffer.data(), 2}, values), -1);
    EXPECT_EQ(api::DeliverValues(CapabilityBuffer{nullptr, 2}, values), 3);
    for (std::uint8_t byte : buffer) EXPECT_EQ(byte, kCanary);
    EXPECT_EQ(api::DeliverValues(CapabilityBuffer{buffer.data(), 3}, values), 3);
    const std::uint8_t expected[12] = {7, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0};
    EXPECT_EQ(std::memcmp(buffer.data(), expected, 12), 0);
    EXPECT_EQ(buffer[12], kCanary);

    NameList names(24);
    std::strcpy(names.AddSlot(), "first");
    std::strcpy(names.AddSlot(), "second");
    std::vector<char> slots(24 * 2, static_cast<char>(kCanary));
    EXPECT_EQ(api::DeliverNames(CapabilityBuffer{slots.data(), 1}, names), -1);
    EXPECT_EQ(static_cast<std::uint8_t>(slots[0]), kCanary);
    EXPECT_EQ(api::DeliverNames(CapabilityBuffer{slots.data(), 2}, names), 2);
    EXPECT_STREQ(&slots[24], "second");
}

TEST_F(CapabilityListsTest, NamesAreCutOrRefusedAtTheSlotsEnd)
{
    const std::u16string longName(80, u'n');
    char slot[64];
    std::memset(slot, kCanary, sizeof(slot));
    api::CopyNameCut(longName.c_str(), slot, sizeof(slot));
    EXPECT_EQ(std::string(slot), std::string(63, 'n'));

    std::memset(slot, kCanary, sizeof(slot));
    EXPECT_FALSE(api::ConvertNameToSlot(longName.c_str(), slot, sizeof(slot)));
    EXPECT_EQ(slot[63], '\0');
    EXPECT_TRUE(api::ConvertNameToSlot(u"Tray 2", slot, sizeof(slot)));
    EXPECT_STREQ(slot, "Tray 2");
}

}  // namespace
}  // namespace vexl::test
