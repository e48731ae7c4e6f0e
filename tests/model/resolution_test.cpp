// Resolutions: the lookups of the resolution table and the cap that keeps a
// page too large in dots from being printed above 600 dpi.
#include "common/core/items.h"
#include "common/model/paper_geometry.h"
#include "common/model/resolution.h"
#include "common/wiring.h"

#include "compiled_fixture.h"
#include "core/devmode_fakes.h"

#include <gtest/gtest.h>

#include <optional>

#include <vector>

namespace vexl::model {
namespace {

using vexl::test::CurrentFakeModel;
using vexl::test::FakeModel;
using vexl::test::FakeServices;
using vexl::test::Pick;

TEST(ResolutionTable, LookupsByCodeAndDpi)
{
    ASSERT_TRUE(FindResolutionEntry(4));
    EXPECT_EQ(FindResolutionEntry(4)->xDpi, 1200);
    EXPECT_EQ(FindResolutionEntry(0), nullptr);
    EXPECT_EQ(FindResolutionEntry(99), nullptr);
    EXPECT_EQ(FindResolutionCode(300, 300), 1);
    EXPECT_EQ(FindResolutionCode(300, 600), 0);
    EXPECT_EQ(FindResolutionCode(0, 0), 0);
    EXPECT_EQ(FindResolutionCodeByDpi(0), 0);
    EXPECT_EQ(FindResolutionCodeByDpi(500), 0);

    // Every code of 600 dpi, one after another, then none.
    std::vector<std::uint16_t> codes;
    for (std::uint16_t code = FindResolutionCodeByDpi(600); code != 0; code = FindNextResolutionCode(600, code))
        codes.push_back(code);
    EXPECT_EQ(codes, (std::vector<std::uint16_t>{3, 17, 18, 19, 36, 20}));
    EXPECT_EQ(FindNextResolutionCode(600, 99), 0);  // a code without a row
}

// A4 fits the printer at 1200 dpi by one dot; A3 is one dot too long.
constexpr std::string_view kLargePapers =
    "*FileVersion: 7.60\n"
    "*OpenUI *KSD_dmPaperSize: PickPage\n"
    "*KSD_dmPaperSize BF_dmPaperSize_9: \"a4\"\n"
    "*KSD_dmPaperSize BF_dmPaperSize_8: \"a3\"\n"
    "*PageMMValue p BF_dmPaperSize_9: \"2100 2970\"\n"
    "*PageValue p BF_dmPaperSize_9: 1200 BF_dmOrientation_1 \"0 0 32124 32124 32124 32124\"\n"
    "*PageMMValue p BF_dmPaperSize_8: \"2970 4200\"\n"
    "*PageValue p BF_dmPaperSize_8: 1200 BF_dmOrientation_1 \"0 0 32124 32125 32124 32125\"\n"
    "*CloseUI: *KSD_dmPaperSize\n";

class ResolutionCap : public test::CompiledContextTest {
protected:
    void SetUp() override
    {
        CompiledContextTest::SetUp();
        UseDescription(kLargePapers, ModelDatabaseNames());
        CurrentFakeModel() = &fake_;
        fake_.entries[dmPaperSize] = Pick({9, 8});
        devmodeServices_.emplace(FakeServices());
        SetItemValue(context(), dmOrientation, 1);
        SetItemValue(context(), dmPaperSize, 9);
        SetItemValue(context(), rdmLoadShare, 0);
    }
    void TearDown() override
    {
        devmodeServices_.reset();
        CurrentFakeModel() = nullptr;
        CompiledContextTest::TearDown();
    }

    FakeModel fake_;
    std::optional<vexl::test::ScopedDevmodeServices> devmodeServices_;
};

TEST_F(ResolutionCap, PagesTooLargeInDotsAreCappedAt600)
{
    struct Case {
        std::uint32_t quality;
        std::uint32_t source;
        std::uint32_t output;
        std::uint16_t cap;
    };
    const Case cases[] = {
        {600, 9, 8, 0},      // at 600 dpi every page fits
        {1200, 9, 9, 0},     // 32124 dots each way
        {1200, 9, 8, 600},   // one dot more
        {1200, 9, 1024, 0},  // the output follows the source: the source page counts
        {1200, 8, 1024, 600},
    };
    for (const Case& c : cases) {
        SetItemValue(context(), dmPrintQuality, c.quality);
        SetItemValue(context(), dmPaperSize, c.source);
        SetItemValue(context(), rdmOutPaperSize, c.output);
        EXPECT_EQ(GetResolutionCapForSize(context(), 0), c.cap) << c.quality << " " << c.source << " " << c.output;
    }
    // The dot sizes were computed anew for the resolution.
    EXPECT_EQ(GetItemValue(context(), rdmDstResolutionW), 1200u);
    EXPECT_EQ(GetItemValue(context(), rdmSrcPaperLengthDot), 32125u);
}

TEST_F(ResolutionCap, TheLockedResolutionDecides)
{
    SetItemValue(context(), rdmLock000InfoBitResolution, 1);
    SetItemValue(context(), rdmOutPaperSize, 8);  // too large above 600 dpi
    struct Case {
        std::uint32_t lockedCode;
        std::uint32_t oldQuality;
        std::uint16_t mode;
        std::uint16_t cap;
        std::uint32_t qualityAfter;
    };
    const Case cases[] = {
        {4, 1200, kCapForSize, 600, 1200}, {4, 600, kCapForSize, 0, 1200},
        {4, 300, kCapForJudge, 0, 1200},   {4, 1200, kCapForJudge, 600, 1200},
        {3, 600, kCapForJudge, 0, 600},    {99, 1200, kCapForSize, 600, 1200},  // a code without a row: no lock
        {99, 300, kCapForSize, 0, 300},
    };
    for (const Case& c : cases) {
        SetItemValue(context(), rdmLockDstResolutionBoth, c.lockedCode);
        SetItemValue(context(), dmPrintQuality, c.oldQuality);
        EXPECT_EQ(ComputeResolutionCap(context(), 0, c.mode), c.cap) << c.lockedCode << " " << c.oldQuality;
        EXPECT_EQ(GetItemValue(context(), dmPrintQuality), c.qualityAfter) << c.lockedCode << " " << c.oldQuality;
    }
}

TEST_F(ResolutionCap, ScaledAndPosterSourcePages)
{
    struct Case {
        const char* what;
        std::uint32_t scale;  // rdmFuncSelectScale
        std::uint32_t scaleType;
        std::uint32_t scaleH;
        std::uint32_t scaleV;
        std::uint32_t nupType;  // with N-up on and rdmNUPPOSTKind 9
        std::uint32_t width;
        std::uint32_t length;
        BOOL fits;
    };
    const Case cases[] = {
        {"as it is", 0, 0, 100, 100, 0, 30708, 30708, 1},
        {"one dot over", 0, 0, 100, 100, 0, 30709, 100, 0},
        {"200% both ways", 1, 1, 200, 0, 0, 15354, 15354, 1},
        {"200% both ways, one dot over", 1, 1, 200, 0, 0, 15355, 100, 0},
        {"the length scales by rdmScaleV", 1, 0, 100, 200, 0, 30708, 15355, 0},
        {"scale type 2 leaves the page", 1, 2, 400, 400, 0, 30708, 30708, 1},
        {"a poster of two doubles the shorter side", 0, 0, 100, 100, 0x8001, 15354, 30000, 1},
        {"a poster of two, one dot over", 0, 0, 100, 100, 0x8001, 15355, 30000, 0},
        {"a poster of three triples both", 0, 0, 100, 100, 0x8003, 10237, 100, 0},
        {"a huge page at a large scale does not wrap into a small one", 1, 1, 64, 0, 0, 67108864, 67108864, 0},
    };
    for (const Case& c : cases) {
        SetItemValue(context(), rdmFuncSelectScale, c.scale);
        SetItemValue(context(), rdmScaleType, c.scaleType);
        SetItemValue(context(), rdmScaleH, c.scaleH);
        if (c.scaleType != 1) SetItemValue(context(), rdmScaleV, c.scaleV);
        SetItemValue(context(), rdmFuncSelectNup, c.nupType != 0);
        SetItemValue(context(), rdmNUPPOSTKind, c.nupType != 0 ? 9 : 0);
        SetItemValue(context(), rdmNUPType, c.nupType);
        SetItemValue(context(), rdmSrcPaperWidthDot, c.width);
        SetItemValue(context(), rdmSrcPaperLengthDot, c.length);
        EXPECT_EQ(IsScaledSrcPageWithinDotLimit(context()), c.fits) << c.what;
    }
}

}  // namespace
}  // namespace vexl::model
