// The descriptor tables and the static lists of the status handlers.
#include "api/descriptors.h"
#include "api/versions.h"
#include "common/core/item_ids.h"

#include <gtest/gtest.h>

namespace vexl::test {
namespace {

using namespace api;

TEST(ApiDescriptors, LookupsAnswerOnlyIdsThatExistUnderTheVersionInForce)
{
    struct Case {
        bool status;
        std::uint32_t id;
        int version;
        bool found;
    };
    const Case cases[] = {
        {true, 257, 5, false},  {true, 257, 6, true},    {true, 0, 16, false},      {true, 79, 16, true},
        {true, 80, 16, false},  {true, 126, 16, false},  {true, 36, 3, false},      {true, 269, 10, true},
        {true, 269, 9, false},  {false, 300, 16, false}, {false, 0x30000, 0, true}, {false, 0x30000, 16, true},
        {false, 127, 16, true}, {false, 128, 16, false}, {false, 0, 16, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.status ? "status " : "capability ") << c.id << " version " << c.version);
        SetApiVersionInForce(c.version);
        const ApiDescriptor* record = c.status ? FindStatusDescriptor(c.id) : FindCapabilityDescriptor(c.id);
        ASSERT_EQ(record != nullptr, c.found);
        if (record) {
            EXPECT_EQ(record->id, c.id);
        }
    }
}

TEST(ApiDescriptors, RecordsCarryTheirItemsVersionsAndSharedHandlers)
{
    SetApiVersionInForce(kApiVersionLatest);
    const ApiDescriptor* paper = FindStatusDescriptor(7);
    ASSERT_NE(paper, nullptr);
    EXPECT_EQ(paper->mainItem, dmPaperSize);
    EXPECT_EQ(paper->versionCount, 2u);
    EXPECT_EQ(paper->coveredItems[0], dmPaperSize);
    EXPECT_EQ(paper->coveredItems[2], dmPaperLength);
    EXPECT_EQ(paper->coveredItems[3], 0);
    EXPECT_EQ(paper->capability, nullptr);

    const ApiDescriptor* chapters = FindStatusDescriptor(67);
    ASSERT_NE(chapters, nullptr);
    EXPECT_EQ(chapters->coveredItems[7], wdmChapterUseTray7);

    // Status 36 is enabled but has no handler to write with.
    const ApiDescriptor* reserved = FindStatusDescriptor(36);
    ASSERT_NE(reserved, nullptr);
    EXPECT_EQ(reserved->enabled, 1u);
    EXPECT_EQ(reserved->set, nullptr);
    EXPECT_EQ(reserved->verify, nullptr);
    EXPECT_EQ(FindStatusDescriptor(37)->enabled, 0u);

    for (std::uint32_t id : {1u, 24u}) {
        const ApiDescriptor* stub = FindCapabilityDescriptor(id);
        ASSERT_NE(stub, nullptr);
        EXPECT_EQ(stub->capability(nullptr, id, nullptr), 1);
    }
    for (std::uint32_t id : {58u, 59u, 68u}) EXPECT_EQ(FindCapabilityDescriptor(id)->enabled, 0u);
    EXPECT_EQ(FindCapabilityDescriptor(85)->mainItem, rdmPresetNo);
    EXPECT_EQ(FindCapabilityDescriptor(86)->mainItem, 0);
}

TEST(ApiDescriptors, EveryStatusWithAWriteSideHasBothHandlersOrNeither)
{
    for (const ApiDescriptor& record : StatusTable()) {
        SCOPED_TRACE(record.id);
        EXPECT_EQ(record.set == nullptr, record.verify == nullptr);
        EXPECT_GE(record.versionCount, 1u);
    }
}

TEST(ApiStaticLists, SwitchMapColoursKindsAndTrays)
{
    const StatusSwitchRow* row = nullptr;
    EXPECT_EQ(GetStatusSwitchItem(16, &row), 0);
    EXPECT_EQ(row, nullptr);
    EXPECT_EQ(GetStatusSwitchItem(17, nullptr), rdmFuncSelectWaterMark);
    EXPECT_EQ(GetStatusSwitchItem(12, &row), rdmFuncSelectCover);
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->flags, kSwitchQuietWhileUnavailable | kSwitchQuietWhileOff);
    EXPECT_EQ(StatusSwitchMap().size(), 16u);

    EXPECT_EQ(FindWatermarkColor(7), nullptr);
    const WatermarkColor* cyan = FindWatermarkColor(0x104);  // only the low 8 bits count
    ASSERT_NE(cyan, nullptr);
    EXPECT_EQ(cyan->red, 0);
    EXPECT_EQ(cyan->green, 255);
    EXPECT_EQ(cyan->blue, 255);

    EXPECT_EQ(std::vector<std::uint32_t>(WatermarkKindList().begin(), WatermarkKindList().end()),
              (std::vector<std::uint32_t>{1, 2, 3, 128}));
    ASSERT_EQ(TrayCodeTable().size(), 32u);
    EXPECT_EQ(TrayCodeTable()[3], 256u);
    EXPECT_EQ(TrayCodeTable()[29], 286u);
}

}  // namespace
}  // namespace vexl::test
