// The API version of a printer, the version in force, and the enabled
// identifiers under each version.
#include "api/descriptors.h"
#include "api/versions.h"
#include "api_fixture.h"

namespace vexl::test {
namespace {

using namespace api;

class ApiVersionTest : public ApiPrinterTest {};

TEST_F(ApiVersionTest, ModelVersionBecomesTheRequestedOneAndGoesInForceOnlyUpToThree)
{
    struct Case {
        std::optional<int> stored;  // no key when empty
        int answer;
        int inForce;  // the version in force starts at 3
    };
    const Case cases[] = {
        {std::nullopt, 3, 3}, {20, 16, 3}, {16, 16, 3}, {10, 10, 3}, {2, 2, 2}, {0, 0, 0}, {-1, 3, 3}, {-5, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? std::to_string(*c.stored) : std::string("absent"));
        SetApiVersionInForce(kApiVersionAtLoad);
        SetModelApiVersion(c.stored);
        EXPECT_EQ(CheckApiVersion(kPrinterNameAnsi), c.answer);
        EXPECT_EQ(GetRequestedApiVersion(), c.answer);
        EXPECT_EQ(GetApiVersionInForce(), c.inForce);
    }
}

TEST_F(ApiVersionTest, NoNameChangesNothingAndAnUnknownPrinterStatesNoVersion)
{
    SetRequestedApiVersion(12);
    EXPECT_EQ(CheckApiVersion(nullptr), 0);
    EXPECT_EQ(CheckApiVersion(""), 0);
    EXPECT_EQ(GetRequestedApiVersion(), 12);
    EXPECT_EQ(CheckApiVersion("No such printer"), kApiVersionNotStated);
}

TEST_F(ApiVersionTest, InitPutsTheSmallerOfTheRequestedAndTheApplicationsVersionInForce)
{
    SetModelApiVersion(10);
    ASSERT_EQ(CheckApiVersion(kPrinterNameAnsi), 10);
    EXPECT_EQ(GetApiVersionInForce(), kApiVersionAtLoad);
    const VEXLDRVINITRECORD older{0, 8}, newer{0, 12};
    EXPECT_EQ(InitApiVersion(0, &older), 0);
    EXPECT_EQ(GetApiVersionInForce(), kApiVersionAtLoad);
    EXPECT_EQ(InitApiVersion(1, &older), 1);
    EXPECT_EQ(GetApiVersionInForce(), 8);
    EXPECT_EQ(InitApiVersion(1, &newer), 1);
    EXPECT_EQ(GetApiVersionInForce(), 10);
    // Without a record the requested version goes in force as it is.
    SetApiVersionInForce(kApiVersionAtLoad);
    EXPECT_EQ(InitApiVersion(1, nullptr), 1);
    EXPECT_EQ(GetApiVersionInForce(), 10);
}

TEST(ApiIdLimits, VersionsOutsideTheTableReadItsEnds)
{
    EXPECT_EQ(GetStatusIdLimits(20).low, 126u);
    EXPECT_EQ(GetStatusIdLimits(-3).high, 0u);
    SetApiVersionInForce(5);
    EXPECT_EQ(GetStatusIdLimit(kHighIdLimit), 36u);
    EXPECT_EQ(GetCapabilityIdLimit(kLowIdLimit), 57u);
    EXPECT_EQ(GetCapabilityIdLimit(2), 1u);
}

TEST(ApiEnabledIds, DependOnTheVersionTheRecordsAndTheBuild)
{
    struct Case {
        int kind;
        std::uint32_t id;
        int version;
        bool enabled;
    };
    const Case cases[] = {
        {kApiKindStatus, 1, 1, true},           {kApiKindStatus, 36, 4, true},
        {kApiKindStatus, 36, 3, false},         {kApiKindStatus, 257, 5, false},
        {kApiKindStatus, 257, 6, true},         {kApiKindStatus, 37, 16, false},
        {kApiKindStatus, 44, 16, false},        {kApiKindStatus, 263, 16, false},
        {kApiKindStatus, 79, 16, true},         {kApiKindStatus, 80, 16, false},
        {kApiKindStatus, 100, 16, false},       {kApiKindStatus, 600, 16, false},
        {kApiKindCapability, 58, 16, false},    {kApiKindCapability, 273, 16, false},
        {kApiKindCapability, 127, 16, true},    {kApiKindCapability, 282, 10, true},
        {kApiKindCapability, 282, 9, false},    {kApiKindCapability, 300, 16, false},
        {kApiKindCapability, 0x30000, 0, true}, {kApiKindCapability, 0x30000, 16, true},
        {kApiKindCapability, 1, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " id " << c.id << " version " << c.version);
        BuildEnabledIdBitmaps(c.version);
        EXPECT_EQ(IsApiIdEnabled(c.kind, c.id) != 0, c.enabled);
    }
}

TEST(ApiEnabledIds, EveryEnabledIdHasAnEnabledRecordAndIsSupported)
{
    BuildEnabledIdBitmaps(kApiVersionLatest);
    SetApiVersionInForce(kApiVersionLatest);
    for (int kind : {kApiKindCapability, kApiKindStatus}) {
        std::uint8_t support[kIdBitmapBytes];
        BuildSupportBitmaps(kind, support);
        for (std::uint32_t id = 1; id <= kIdBitmapLastId; ++id) {
            if (!IsApiIdEnabled(kind, id)) continue;
            SCOPED_TRACE(testing::Message() << "kind " << kind << " id " << id);
            const ApiDescriptor* record =
                kind == kApiKindCapability ? FindCapabilityDescriptor(id) : FindStatusDescriptor(id);
            ASSERT_NE(record, nullptr);
            EXPECT_EQ(record->enabled, 1u);
            EXPECT_TRUE(IsIdBitSet(support, id));
        }
    }
}

TEST(ApiEnabledIds, BitmapsPutTheFirstIdInTheHighestBit)
{
    std::uint8_t bitmap[kIdBitmapBytes] = {};
    SetIdBit(bitmap, 1);
    SetIdBit(bitmap, 257);
    SetIdBit(bitmap, 14);
    EXPECT_EQ(bitmap[0], 0x80);
    EXPECT_EQ(bitmap[1], 0x04);
    EXPECT_EQ(bitmap[32], 0x80);
    SetIdBit(bitmap, 0);
    SetIdBit(bitmap, 513);
    EXPECT_FALSE(IsIdBitSet(bitmap, 0));
    EXPECT_FALSE(IsIdBitSet(bitmap, 513));
}

}  // namespace
}  // namespace vexl::test
