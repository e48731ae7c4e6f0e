// The stream comes from outside: arbitrary bytes, cut frames and huge
// lengths end in a violation inside the stream, never in a crash or an
// allocation the bytes do not justify.
#include <gtest/gtest.h>

#include <random>

#include "job_bytes.h"
#include "vexl_dump.h"

namespace vexl::dump {
namespace {

using test::Bytes;

// A stream that uses every record kind, to mutate.
Bytes RichStream()
{
    using namespace test;
    const std::vector<std::uint8_t> tokens = {0x91, 0x41, 0x00, 0x42};
    const Bytes list = DisplayList({
        ClipRect(0, 0, 100, 100),
        Colour(0x19, {1, 2, 3}),
        Rop(0x66),
        Background(2),
        LineWidth(1, 2, ~0u),
        DashPhase(1),
        LineCap(1),
        LineJoin(2, 2560),
        OneBitPattern(0x81),
        FillRect(1, 2, 3, 4),
        PathRecord(2, true, {{0, 0, {{1, 2, 3, 4, 5, 6}, {7, 8}}}, {9, 9, {{10, 10}}}}),
        Image(0, 0x00, 0x04, 33, 3, 8, {0, 0, 0, 0xFF, 0xFF, 0xFF}),
        FontSelect(0x50, 0x0008, "Mincho"),
        DeviceChar(0x41),
        DeviceString(u"AB", {12, 0}),
        FontSelect(0x56, 0x2000, "Face"),
        GlyphDefinition(0x08, 0x42, 1, 8, 2, tokens),
        GlyphRun(0x08, {{0, 0, 0x42}, {9, 0, 0x42}}),
        GlyphDrawn(0x53, 0x08, 0x43, 1, 8, 2, tokens),
        GlyphAgain(0x48, 0x43, 1, 8),
        ClipReset(),
    });
    return JobStart("@PJL SET DEVFONTID = \"5+A\" \r\n")
        .Add(JobNameFrame("Report"))
        .Add(PageFrames(list, {100, 100, 333}));
}

void ExpectContained(const std::vector<std::uint8_t>& bytes)
{
    const auto result = DecodeJobStream(bytes);
    if (!result.ok()) {
        ASSERT_LE(result.violation->offset, bytes.size()) << FormatViolation(*result.violation);
    }
    (void)FormatSummary(result.summary);
}

TEST(Robustness, TheRichStreamIsWellFormed)
{
    const auto result = DecodeJobStream(RichStream().v);
    ASSERT_TRUE(result.ok()) << FormatViolation(*result.violation) << "\n" << result.listing;
}

TEST(Robustness, EveryCutOfAStreamIsHandled)
{
    const auto stream = RichStream().v;
    for (std::size_t n = 0; n < stream.size(); ++n) {
        const std::vector<std::uint8_t> cut(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(n));
        const auto result = DecodeJobStream(cut);
        ASSERT_LE(result.ok() ? 0 : result.violation->offset, n);
    }
}

TEST(Robustness, MutatedStreamsDoNotCrash)
{
    const auto stream = RichStream().v;
    std::mt19937 random(77);
    for (int n = 0; n < 1000; ++n) {
        auto bytes = stream;
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % bytes.size();
            switch (random() % 3) {
            case 0:
                bytes[at] = static_cast<std::uint8_t>(random());
                break;
            case 1:
                bytes[at] = 0xFF;
                break;
            case 2:
                bytes[at] ^= static_cast<std::uint8_t>(1u << (random() % 8));
                break;
            }
        }
        ExpectContained(bytes);
    }
}

TEST(Robustness, ArbitraryBytesDoNotCrash)
{
    std::mt19937 random(5);
    for (int n = 0; n < 2000; ++n) {
        std::vector<std::uint8_t> bytes(random() % 200);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
        // Half of them start like a page, so that the display-list layer sees them.
        if (n % 2) {
            auto page = test::JobStart().Add(test::Frame(0xF4, {})).Add(test::Frame(0xF0, {})).v;
            page.insert(page.end(), {0xF5, 0, 0, 0, static_cast<std::uint8_t>(bytes.size() + 16), 0, 0, 0});
            auto begin = test::PageBegin().v;
            page.insert(page.end(), begin.begin(), begin.end());
            bytes.insert(bytes.begin(), page.begin(), page.end());
        }
        ExpectContained(bytes);
    }
}

TEST(Robustness, HugeLengthsAreNotTrusted)
{
    using namespace test;
    const std::vector<Bytes> records = {
        Bytes{}.Raw({0x20, 0, 0x24, 0}).U32(0xFFFFFFFC).Zeros(48),
        Bytes{}
            .Raw({0x20, 0, 0x24, 0})
            .U32(60)
            .Rect(0, 0, 1, 1)
            .I32(0)
            .I32(0)
            .U32(0xFFFFFFFF)
            .U32(0xFFFFFFFF)
            .Zeros(20),
        Bytes{}
            .Raw({0x57, 0, 0x08, 0})
            .U32(68)
            .Rect(0, 0, 0x7FFFFFFF, 0x7FFFFFFF)
            .Zeros(8)
            .U32(64)
            .I32(0)
            .I32(0)
            .I32(0x7FFFFFFF)
            .I32(0x7FFFFFFF)
            .U32(4)
            .U32(0)
            .U16(1)
            .U8(2)
            .U8(0)
            .Raw({0x78, 0xFF, 0xFF, 0x00}),
        Bytes{}.Raw({0x52, 0, 0x80, 0}).U32(36).Rect(0, 0, 1, 1).I32(0).I32(0).U16(0xFFFF).U16(0),
        Bytes{}.Raw({0x11, 0, 0x01, 0}).U32(40).Rect(0, 0, 1, 1).U32(3).U32(0xFFFFFFFF).I32(0).I32(0),
    };
    for (const auto& r : records) {
        const auto result = DecodeJobStream(OnePage({r}).v);
        EXPECT_FALSE(result.ok());
    }
}

}  // namespace
}  // namespace vexl::dump
