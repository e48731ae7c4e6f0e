// The status structures as they cross the boundary, and their version tables.
#include "api/status_layouts.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace vexl::api {
namespace {

std::vector<std::uint8_t> BytesOf(const void* p, std::size_t n)
{
    const auto* b = static_cast<const std::uint8_t*>(p);
    return {b, b + n};
}

TEST(StatusLayouts, JobInformationBytesAreLittleEndianAtTheirOffsets)
{
    VEXL_STATUS_JOB_INFO job;
    std::memset(&job, 0, sizeof job);
    job.version = 3;
    job.printMethod = 0x01020304;
    job.fieldMask = 0x4001;
    std::memcpy(job.userId, "AB", 3);
    std::memcpy(job.storedPassword10, "1234", 5);
    job.sharedPrintData = 0xA1B2C3D4;

    auto bytes = BytesOf(&job, sizeof job);
    ASSERT_EQ(bytes.size(), 484u);
    const std::vector<std::uint8_t> head = {3, 0, 0, 0, 4, 3, 2, 1, 0x01, 0x40, 0, 0, 'A', 'B', 0};
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 15), head);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 468, bytes.begin() + 473),
              (std::vector<std::uint8_t>{'1', '2', '3', '4', 0}));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 480, bytes.end()),
              (std::vector<std::uint8_t>{0xD4, 0xC3, 0xB2, 0xA1}));
}

TEST(StatusLayouts, FieldHelpersWriteTheSameBytesAsTheStructures)
{
    std::uint8_t raw[sizeof(VEXL_STATUS_DRIVER_INFO)];
    std::memset(raw, 0xCC, sizeof raw);
    PutStatusU32(raw, offsetof(VEXL_STATUS_DRIVER_INFO, selector), 248);
    PutStatusU32(raw, offsetof(VEXL_STATUS_DRIVER_INFO, u.list.listSize), 0x11223344);
    EXPECT_EQ(BytesOf(raw + 4, 4), (std::vector<std::uint8_t>{0xF8, 0, 0, 0}));
    EXPECT_EQ(BytesOf(raw + 28, 4), (std::vector<std::uint8_t>{0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(raw[24], 0xCC);
    EXPECT_EQ(raw[32], 0xCC);

    VEXL_STATUS_DRIVER_INFO info;
    std::memcpy(&info, raw, sizeof info);
    EXPECT_EQ(info.selector, 248u);
    EXPECT_EQ(info.u.list.listSize, 0x11223344u);

    const std::uint64_t address = 0x0102030405060708ull;
    std::memcpy(raw + 32, &address, 8);
    EXPECT_EQ(GetStatusU64(raw, offsetof(VEXL_STATUS_DRIVER_INFO, u.list.listAddress)), address);

    PutStatusU16(raw, offsetof(VEXL_STATUS_COLOR_ADJUST, line), 0xBEEF);
    EXPECT_EQ(BytesOf(raw + 12, 2), (std::vector<std::uint8_t>{0xEF, 0xBE}));
}

TEST(StatusLayouts, TextFieldsAreReadAndWrittenWithinTheirSize)
{
    char field[8];
    std::memset(field, 'x', sizeof field);
    EXPECT_FALSE(GetStatusText(field, 0, sizeof field).has_value());  // no terminator inside
    field[3] = '\0';
    EXPECT_EQ(GetStatusText(field, 0, sizeof field), std::optional<std::string_view>("xxx"));

    std::memset(field, 'x', sizeof field);
    EXPECT_FALSE(PutStatusText(field, 0, sizeof field, "12345678"));
    EXPECT_EQ(field[7], 'x');
    EXPECT_TRUE(PutStatusText(field, 0, sizeof field, "1234567"));
    EXPECT_EQ(std::string_view(field), "1234567");
}

TEST(StatusLayouts, VersionTables)
{
    struct Case {
        std::uint32_t id, version, size, minimumApi;
    };
    const Case cases[] = {
        {2, 1, 32, 1},    {7, 2, 32, 12},   {8, 3, 32, 12},   {10, 1, 392, 1}, {10, 2, 408, 10}, {10, 3, 484, 14},
        {16, 1, 372, 1},  {16, 2, 412, 3},  {16, 3, 420, 10}, {47, 1, 104, 8}, {47, 2, 108, 10}, {56, 1, 0, 0},
        {56, 2, 824, 11}, {67, 1, 36, 13},  {67, 2, 40, 15},  {1, 1, 824, 1},  {26, 1, 392, 1},  {50, 1, 300, 10},
        {55, 1, 172, 11}, {59, 1, 524, 12}, {60, 1, 44, 12},  {63, 1, 56, 13}, {79, 1, 32, 16},  {269, 1, 32, 10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "status " << c.id << " version " << c.version);
        const StatusVersionRow* row = FindStatusVersion(c.id, c.version);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->size, c.size);
        EXPECT_EQ(row->minimumApi, c.minimumApi);
        EXPECT_TRUE(IsStatusVersionAllowed(c.id, c.version, c.minimumApi));
        EXPECT_EQ(IsStatusVersionAllowed(c.id, c.version, c.minimumApi - 1), c.minimumApi == 0);
    }
    EXPECT_EQ(FindStatusVersion(10, 4), nullptr);
    EXPECT_EQ(FindStatusVersion(2, 0), nullptr);
    EXPECT_EQ(FindStatusLayout(37), nullptr);
    EXPECT_EQ(FindStatusLayout(44), nullptr);
    EXPECT_EQ(FindStatusLayout(80), nullptr);
}

TEST(StatusLayouts, StructureVersionComparison)
{
    EXPECT_EQ(CompareStructureVersion(3, 0), 0);
    EXPECT_EQ(CompareStructureVersion(3, 3), 0);
    EXPECT_EQ(CompareStructureVersion(3, 1), 1);
    EXPECT_EQ(CompareStructureVersion(3, 4), 2);
    EXPECT_EQ(CompareStructureVersion(1, 1), 0);
}

}  // namespace
}  // namespace vexl::api
