// The all-capabilities record built over a capability source of the test's
// own: which fields are asked, how lists land in their arrays, and that a
// failed build or a release leaves no block behind.
#include "api/all_capabilities.h"

#include "api/low_memory.h"
#include "api_fixture.h"
#include "interface_printer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace vexl::api {
namespace {

// What the fake answers: enabled statuses, single values and lists. A list
// may answer another count on its second call (fillCount) to play a list
// that changed between the two calls.
struct FakeCaps {
    std::uint32_t bitmapBytes = 64;
    std::set<std::uint32_t> statuses;
    std::map<std::uint32_t, std::int32_t> values;
    std::map<std::uint32_t, std::vector<std::uint32_t>> lists;
    std::map<std::uint32_t, std::int32_t> fillCount;
    std::vector<std::uint32_t> asked;
};
FakeCaps* gCaps = nullptr;

constexpr std::uint32_t NameSlot(std::uint32_t cap)
{
    switch (cap) {
    case 3:
        return 24;
    case 127:
        return 260;
    case 5:
    case 7:
    case 11:
    case 16:
    case 33:
    case 86:
    case 267:
    case 269:
    case 272:
    case 279:
    case 282:
        return 64;
    default:
        return 0;
    }
}

std::int32_t AskFake(DriverContext*, std::uint32_t id, void* buffer, std::uint32_t capacity)
{
    FakeCaps& caps = *gCaps;
    caps.asked.push_back(id);
    if (id == 0) {
        if (buffer != nullptr) {
            auto* bits = static_cast<std::uint8_t*>(buffer);
            std::memset(bits, 0, std::min(capacity, caps.bitmapBytes));
            for (std::uint32_t s : caps.statuses)
                bits[(s - 1) / 8] |= static_cast<std::uint8_t>(0x80u >> ((s - 1) % 8));
        }
        return static_cast<std::int32_t>(caps.bitmapBytes);
    }
    if (id == 124 || id == 125) {
        const std::int32_t pair[2] = {static_cast<std::int32_t>(id * 10), -static_cast<std::int32_t>(id)};
        if (buffer != nullptr) std::memcpy(buffer, pair, sizeof pair);
        return 1;
    }
    auto list = caps.lists.find(id);
    if (list == caps.lists.end()) {
        auto value = caps.values.find(id);
        return value == caps.values.end() ? 0 : value->second;
    }
    const auto& entries = list->second;
    // The size list (capability 12) holds {width, length} pairs.
    const std::uint32_t entryBytes = id == 12 ? 8 : 4;
    const std::size_t count = entries.size() * 4 / entryBytes;
    if (buffer == nullptr) return static_cast<std::int32_t>(count);
    std::int32_t answer = static_cast<std::int32_t>(count);
    if (auto grown = caps.fillCount.find(id); grown != caps.fillCount.end()) answer = grown->second;
    const std::uint32_t slot = NameSlot(id);
    if (slot == 0) {
        std::memcpy(buffer, entries.data(), std::min<std::size_t>(count, capacity) * entryBytes);
        return answer;
    }
    for (std::uint32_t i = 0; i < entries.size() && i < capacity; ++i) {
        {
            const std::string name = "N" + std::to_string(entries[i]);
            std::memcpy(static_cast<char*>(buffer) + slot * i, name.c_str(), name.size() + 1);
        }
    }
    return answer;
}

class AllCapabilitiesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gCaps = &caps_;
        blocksBefore_ = LowBlocksInUse();
    }
    void TearDown() override
    {
        EXPECT_EQ(LowBlocksInUse(), blocksBefore_) << "every block is freed";
        gCaps = nullptr;
    }
    VEXLALLCAPS* Build(std::uint32_t apiVersion = 16, bool subCode1 = false)
    {
        return BuildAllCapabilitiesRecord(nullptr, {AskFake, apiVersion, subCode1});
    }
    bool WasAsked(std::uint32_t id) const
    {
        return std::find(caps_.asked.begin(), caps_.asked.end(), id) != caps_.asked.end();
    }

    FakeCaps caps_;
    int blocksBefore_ = 0;
};

std::uintptr_t Address(std::uint32_t field)
{
    return field;
}

TEST_F(AllCapabilitiesTest, OnlyStatusOneGivesTheBitmapCopyAndCapabilityOne)
{
    caps_.statuses = {1};
    caps_.values = {{1, 7}, {8, 9}};
    VEXLALLCAPS* record = Build();
    ASSERT_NE(record, nullptr);
    EXPECT_LT(reinterpret_cast<std::uintptr_t>(record), std::uintptr_t{1} << 31);
    ASSERT_NE(record->enabledBitmap, 0u);
    EXPECT_LT(Address(record->enabledBitmap), std::uintptr_t{1} << 31);
    const auto* bitmap = reinterpret_cast<const std::uint8_t*>(Address(record->enabledBitmap));
    EXPECT_EQ(bitmap[0], 0x80);
    for (int i = 1; i < 64; ++i) EXPECT_EQ(bitmap[i], 0) << i;
    EXPECT_EQ(record->cap1, 7u);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(record);
    for (std::size_t i = 8; i < sizeof(VEXLALLCAPS); ++i) EXPECT_EQ(bytes[i], 0) << "offset " << i;
    EXPECT_EQ(LowBlocksInUse(), blocksBefore_ + 2);
    EXPECT_EQ(ReleaseAllCapabilitiesRecord(record), 1u);
}

// Every kind of field read back through the public layout: values, packed
// halves, lists of values, names and sizes, pairs.
TEST_F(AllCapabilitiesTest, FieldsLandWhereThePublicLayoutSays)
{
    caps_.statuses = {2, 3, 7, 11, 17, 18, 71};
    caps_.values = {{13, 0x00120034}, {20, 0x01900019}, {31, 2}, {34, 1}, {35, 11}, {38, 14}, {112, 0}, {113, 5}};
    caps_.lists = {{2, {1, 7, 15}},    {3, {1, 7, 15}}, {10, {9, 11}},  {11, {9, 11}},
                   {12, {2100, 2970}}, {32, {256, 3}},  {33, {256, 3}}, {127, {4}}};
    VEXLALLCAPS* record = Build();
    ASSERT_NE(record, nullptr);

    ASSERT_EQ(record->cap2.count, 3u);
    const auto* trays = reinterpret_cast<const std::uint32_t*>(Address(record->cap2.address));
    EXPECT_EQ(trays[0], 1u);
    EXPECT_EQ(trays[2], 15u);
    ASSERT_EQ(record->cap3.count, 3u);
    const auto* trayNames = reinterpret_cast<const char*>(Address(record->cap3.address));
    EXPECT_STREQ(trayNames + 2 * VEXL_CAPS_NAME24, "N15");
    ASSERT_EQ(record->cap11.count, 2u);
    EXPECT_STREQ(reinterpret_cast<const char*>(Address(record->cap11.address)) + VEXL_CAPS_NAME64, "N11");
    ASSERT_EQ(record->cap12.count, 1u);
    const auto* sizes = reinterpret_cast<const std::int32_t*>(Address(record->cap12.address));
    EXPECT_EQ(sizes[0], 2100);
    EXPECT_EQ(sizes[1], 2970);
    EXPECT_EQ(record->cap13Width, 0x34);
    EXPECT_EQ(record->cap13Length, 0x12);
    EXPECT_EQ(record->cap20H, 0x19);
    EXPECT_EQ(record->cap20V, 0x190);
    EXPECT_EQ(record->cap31, 2u);
    EXPECT_EQ(record->cap32.count, 2u);
    EXPECT_EQ(record->cap33.count, 2u);
    EXPECT_EQ(record->cap34, 1u);
    EXPECT_EQ(record->cap35to38[0], 11u);
    EXPECT_EQ(record->cap35to38[3], 14u);
    EXPECT_EQ(record->cap112, 0u);
    EXPECT_FALSE(WasAsked(113)) << "capabilities 113 to 116 only when 112 answers";
    EXPECT_EQ(record->cap124Width, 1240);
    EXPECT_EQ(record->cap125Length, -125);
    ASSERT_EQ(record->cap127.count, 1u);
    EXPECT_STREQ(reinterpret_cast<const char*>(Address(record->cap127.address)), "N4");
    EXPECT_EQ(ReleaseAllCapabilitiesRecord(record), 1u);
}

// The version rules: nothing from +320 on below 6; API 14 and 16 rows need
// their version too.
TEST_F(AllCapabilitiesTest, VersionInForceLimitsWhatIsAsked)
{
    caps_.bitmapBytes = 32;
    caps_.statuses = {7, 20, 28, 39};
    caps_.values = {{101, 1}};
    caps_.lists = {{40, {1}}, {66, {1}}, {61, {1}}};
    struct Case {
        std::uint32_t api;
        bool asks66, asks101, asks124;
    };
    for (const Case c : {Case{5, false, false, false}, Case{6, true, false, false}, Case{14, true, true, false},
                         Case{16, true, true, true}}) {
        caps_.asked.clear();
        VEXLALLCAPS* record = Build(c.api);
        ASSERT_NE(record, nullptr) << c.api;
        EXPECT_TRUE(WasAsked(40)) << c.api;
        EXPECT_EQ(WasAsked(66), c.asks66) << c.api;
        EXPECT_EQ(WasAsked(61), c.asks66) << c.api;
        EXPECT_EQ(WasAsked(101), c.asks101) << c.api;
        EXPECT_EQ(WasAsked(124), c.asks124) << c.api;
        EXPECT_EQ(record->cap66.count, c.asks66 ? 1u : 0u);
        EXPECT_EQ(ReleaseAllCapabilitiesRecord(record), 1u);
    }
}

// A list that grew between its count and its fill must not overrun the
// array sized by the count: the build fails and frees everything.
TEST_F(AllCapabilitiesTest, ListThatGrowsBetweenCountAndFillFailsTheBuild)
{
    caps_.statuses = {2, 17};
    caps_.values = {{31, 1}};
    caps_.lists = {{2, {1}}, {3, {1}}, {32, {256, 3, 4}}, {33, {256, 3, 4}}};
    caps_.fillCount = {{32, 5}};
    EXPECT_EQ(Build(), nullptr);
}

TEST_F(AllCapabilitiesTest, EmptyAndFailingLists)
{
    caps_.statuses = {7, 25};
    caps_.lists = {{10, {}}, {11, {}}, {12, {}}};
    caps_.values = {{45, -1}};
    EXPECT_EQ(Build(16, false), nullptr) << "capability 45 failing aborts the build";
    VEXLALLCAPS* record = Build(16, true);
    ASSERT_NE(record, nullptr) << "unless the machine sub-code is 1";
    EXPECT_EQ(record->cap10.count, 0u);
    EXPECT_EQ(record->cap10.address, 0u);
    EXPECT_EQ(record->cap45.count, 0u);
    EXPECT_EQ(LowBlocksInUse(), blocksBefore_ + 2) << "the record and its bitmap alone";
    EXPECT_EQ(ReleaseAllCapabilitiesRecord(record), 1u);

    caps_.values[11] = -1;  // a name list whose values are empty answers -1
    caps_.lists.erase(11);
    EXPECT_EQ(Build(16, true), nullptr);
    caps_.values = {{11, 0}};
    caps_.lists = {{10, {1, 2}}, {11, {1, 2}}, {12, {1, 2}}};
    caps_.fillCount = {{12, 0}};
    EXPECT_EQ(Build(16, true), nullptr) << "a second answer below 1 fails";
}

TEST_F(AllCapabilitiesTest, ReleaseFreesOnlyRecordsItIssued)
{
    caps_.statuses = {1};
    VEXLALLCAPS* record = Build();
    ASSERT_NE(record, nullptr);
    VEXLALLCAPS copy = *record;
    EXPECT_EQ(ReleaseAllCapabilitiesRecord(&copy), 1u);
    EXPECT_EQ(LowBlocksInUse(), blocksBefore_ + 2) << "a copy is not the record";
    EXPECT_EQ(ReleaseAllCapabilitiesRecord(nullptr), 1u);
    EXPECT_EQ(ReleaseAllCapabilitiesRecord(record), 1u);
    EXPECT_EQ(ReleaseAllCapabilitiesRecord(record), 1u) << "a second release does nothing";
}

TEST(LowMemoryTest, BlocksLieBelowTwoGigabytesAndEndAtAGuardPage)
{
    void* block = LowAlloc(812);
    ASSERT_NE(block, nullptr);
    EXPECT_LT(reinterpret_cast<std::uintptr_t>(block) + 812, std::uintptr_t{1} << 31);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 4, 0u);
    auto* bytes = static_cast<std::uint8_t*>(block);
    for (int i = 0; i < 812; ++i) EXPECT_EQ(bytes[i], 0);
    EXPECT_DEATH(static_cast<volatile std::uint8_t*>(bytes)[812] = 1, "") << "the byte after the block faults";
    LowFree(block);
    EXPECT_EQ(LowAlloc(0), nullptr);
    void* big = LowAlloc(3 * 4096 + 12);
    ASSERT_NE(big, nullptr);
    std::memset(big, 0xAB, 3 * 4096 + 12);
    LowFree(big);
}

// Through the interface on the package printer whose description has lost
// its print-area entry: the print-area list of status 27 cannot be answered,
// so the build fails with code 100 and leaves nothing allocated.
class AllCapabilitiesRequestTest : public test::ApiPrinterTest {};

TEST_F(AllCapabilitiesRequestTest, ListThatCannotBeAnsweredFailsTheBuildWithCode100)
{
    std::string description = test::ReadHostFile(test::kPackageFolder / "TZ16E1MD.VXD");
    const std::size_t first = description.find("*OpenUI *KSD_rdmExtPrintArea:");
    const std::string close = "*CloseUI: *KSD_rdmExtPrintArea\n";
    const std::size_t last = description.find(close, first);
    ASSERT_NE(first, std::string::npos);
    ASSERT_NE(last, std::string::npos);
    description.erase(first, last + close.size() - first);
    machine::WriteFile(test::kDescriptionFile, description);
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    const int blocks = LowBlocksInUse();
    SetApiLastError(instance, 0);
    EXPECT_EQ(HandleAllCapabilitiesRequest(instance, VEXL_CAPS_ALL, nullptr), 0u);
    EXPECT_EQ(GetApiLastError(instance), kApiErrorFailure);
    EXPECT_EQ(LowBlocksInUse(), blocks);
    EXPECT_EQ(instance->printer, nullptr) << "the build closes the printer it opened";
    EXPECT_EQ(HandleAllCapabilitiesRequest(instance, VEXL_CAPS_FREE_ALL, nullptr), 1u);
}

}  // namespace
}  // namespace vexl::api
