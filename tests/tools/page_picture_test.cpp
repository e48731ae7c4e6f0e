// Pages of a job drawn as pictures, and the decoder fed piece by piece.
#include <gtest/gtest.h>

#include <png.h>

#include <array>
#include <string>
#include <vector>

#include "job_bytes.h"
#include "page_picture.h"
#include "support/test_machine.h"

namespace vexl::test {
namespace {

using Pixel = std::array<std::uint8_t, 3>;
constexpr Pixel kWhite{255, 255, 255};
constexpr Pixel kBlack{0, 0, 0};
constexpr Pixel kRed{255, 0, 0};
constexpr Pixel kBlue{0, 0, 255};

struct Picture {
    png_uint_32 width = 0, height = 0;
    std::vector<std::uint8_t> rgb;
    Pixel At(int x, int y) const
    {
        const std::size_t at = (static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)) * 3;
        return {rgb[at], rgb[at + 1], rgb[at + 2]};
    }
};

Picture ReadPicture(const std::filesystem::path& file)
{
    Picture out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) return out;
    image.format = PNG_FORMAT_RGB;
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) return {};
    out.width = image.width;
    out.height = image.height;
    return out;
}

// A page of 400 x 300 device pixels at 600 dpi, drawn at 600 dpi: one
// picture pixel a device pixel.
Bytes SmallPage(const std::vector<Bytes>& records)
{
    Bytes list = PageBegin(400, 300, 600);
    for (const Bytes& r : records) list.Add(r);
    return JobStart().Add(PageFrames(list.Add(PageEnd())));
}

class PagePictureTest : public ::testing::Test {
protected:
    // Draws the job; the pictures of its pages in order.
    std::vector<Picture> Draw(const Bytes& job, int dpi = 600)
    {
        dump::PictureOptions options;
        options.folder = folder_.path();
        options.dpi = dpi;
        dump::PagePictures pictures(options);
        dump::DecodeOptions decode;
        decode.pages = &pictures;
        const dump::DecodeResult result = dump::DecodeJobStream(job.v, decode);
        EXPECT_TRUE(result.ok()) << dump::FormatViolation(*result.violation);
        std::vector<Picture> out;
        for (const auto& file : pictures.Files()) out.push_back(ReadPicture(file));
        return out;
    }

    TemporaryFolder folder_{"vexl-page-picture"};
};

Subpath Square(std::int32_t left, std::int32_t top, std::int32_t side)
{
    const std::int32_t l = left * 16, t = top * 16, r = (left + side) * 16, b = (top + side) * 16;
    return Subpath{l, t, {{r, t}, {r, b}, {l, b}}};
}

TEST_F(PagePictureTest, FillsClipsAndStrokesLandOnTheirPixels)
{
    const std::vector<Picture> pages = Draw(SmallPage({
        Colour(0x01, {0xFF0000}),
        FillRect(10, 10, 110, 60),  // red, whole
        Colour(0x01, {0x0000FF}),
        ClipRect(200, 10, 260, 60),  // blue, only inside the clip
        FillRect(180, 10, 300, 60),
        ClipReset(),  //
        Colour(0x01, {0x000000}),
        LineWidth(1, 4, 0xFFFFFFFF),  // a black stroke of 4 pixels
        PathRecord(0, false, {Subpath{10 * 16, 100 * 16, {{110 * 16, 100 * 16}}}}),
    }));
    ASSERT_EQ(pages.size(), 1u);
    const Picture& page = pages[0];
    EXPECT_EQ(page.width, 400u);
    EXPECT_EQ(page.height, 300u);
    const struct {
        const char* where;
        int x, y;
        Pixel expected;
    } cases[] = {
        {"inside the red rectangle", 10, 10, kRed},      {"past its right edge", 110, 30, kWhite},
        {"left of the clip", 190, 30, kWhite},           {"inside the clip", 230, 30, kBlue},
        {"right of the clip", 280, 30, kWhite},          {"on the stroke", 60, 99, kBlack},
        {"on the stroke's other half", 60, 101, kBlack}, {"beside the stroke", 60, 104, kWhite},
        {"an empty corner", 399, 299, kWhite},
    };
    for (const auto& c : cases) EXPECT_EQ(page.At(c.x, c.y), c.expected) << c.where;
}

// A dashed stroke of one pixel from x = 10: four pixels on, four off from
// the mask, the pattern entered at the phase's bit.
TEST_F(PagePictureTest, DashedStrokesFollowTheirMaskAndPhase)
{
    const Subpath line{10 * 16, 50 * 16, {{74 * 16, 50 * 16}}};
    for (const std::uint8_t phase : {0, 2}) {
        const std::vector<Picture> pages = Draw(SmallPage(
            {Colour(0x01, {0}), LineWidth(1, 1, 0xF0F0F0F0), DashPhase(phase), PathRecord(0, false, {line})}));
        ASSERT_EQ(pages.size(), 1u);
        for (int x = 10; x < 74; ++x) {
            const bool dash = (x - 10 + phase) / 4 % 2 == 0;
            EXPECT_EQ(pages[0].At(x, 49), dash ? kBlack : kWhite) << "phase " << int(phase) << " at x = " << x;
        }
    }
}

// Two overlapping squares turning the same way: the alternate rule leaves
// their overlap empty, the winding rule fills it.
TEST_F(PagePictureTest, FillRulesDecideTheOverlap)
{
    const std::vector<Subpath> squares{Square(10, 10, 100), Square(60, 60, 100)};
    const struct {
        const char* rule;
        std::uint8_t mode;
        Pixel overlap;
    } cases[] = {{"alternate", 1, kWhite}, {"winding", 2, kBlack}};
    for (const auto& c : cases) {
        const std::vector<Picture> pages = Draw(SmallPage({Colour(0x01, {0}), PathRecord(c.mode, true, squares)}));
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(pages[0].At(80, 80), c.overlap) << c.rule;
        EXPECT_EQ(pages[0].At(30, 30), kBlack) << c.rule;
        EXPECT_EQ(pages[0].At(150, 150), kBlack) << c.rule;
        EXPECT_EQ(pages[0].At(150, 30), kWhite) << c.rule;
    }
}

// Glyph bits set where the bitmap has ink, at the bitmap's top left; a kept
// glyph drawn again without its bitmap, and defined glyphs drawn by a run.
TEST_F(PagePictureTest, GlyphsAreDrawnFromTheirBitmapsAndFromTheKeptOnes)
{
    // 8 x 2: a full row over the two end pixels, compressed as the glyph rules want it.
    const std::vector<std::uint8_t> bar = dump::CompressGlyphBits(std::vector<std::uint8_t>{0xFF, 0x81}, 4).value();
    const std::uint8_t compression = bar.empty() ? 0 : 2;
    const std::vector<std::uint8_t> bits = bar.empty() ? std::vector<std::uint8_t>{0xFF, 0x81} : bar;
    const std::vector<Picture> pages = Draw(SmallPage({
        Colour(0x41, {0}), GlyphDrawn(0x53, 0x08, 'A', 8, 2, compression, bits),  // at (100, 200)
        GlyphAgain(0x48, 'A', 8, 2),                                              // at (300, 200), cached
        GlyphDefinition(0x08, 'B', 8, 2, compression, bits),                      //
        GlyphRun(0x08, {{0, 0, 'B'}, {20, 30, 'B'}}),                             // at (5, 6) and (25, 36)
    }));
    ASSERT_EQ(pages.size(), 1u);
    const Picture& page = pages[0];
    for (const auto& [x, y] :
         {std::pair{100, 200}, {107, 200}, {100, 201}, {107, 201}, {303, 200}, {5, 6}, {25, 36}, {32, 37}})
        EXPECT_EQ(page.At(x, y), kBlack) << x << "," << y;
    for (const auto& [x, y] : {std::pair{103, 201}, {108, 200}, {100, 202}, {303, 201}, {10, 7}})
        EXPECT_EQ(page.At(x, y), kWhite) << x << "," << y;
}

// An image record is drawn into its destination: a 24-bit bitmap of two
// pixels (blue, green, red in the record) stretched over 40 x 10 pixels, and
// the same bitmap as 8-bit grey without a palette.
TEST_F(PagePictureTest, ImagesFillTheirDestination)
{
    Bytes colour = Image(0, 0x24, 0, 2, 1, 8, {}, 0);
    // Pixel 0 red, pixel 1 blue, as blue, green, red bytes.
    const std::size_t rows = 56;
    colour.v[rows + 0] = 0x00, colour.v[rows + 1] = 0x00, colour.v[rows + 2] = 0xFF;
    colour.v[rows + 3] = 0xFF, colour.v[rows + 4] = 0x00, colour.v[rows + 5] = 0x00;
    for (int i = 0; i < 4; ++i) colour.v[48 + i] = static_cast<std::uint8_t>(i == 0 ? 40 : 0);  // destination width 40
    colour.v[16] = 10 + 40;                                                                     // right = x + 40
    for (int i = 0; i < 4; ++i) colour.v[52 + i] = static_cast<std::uint8_t>(i == 0 ? 10 : 0);  // destination height 10
    colour.v[20] = 20 + 10;                                                                     // bottom = y + 10
    const std::vector<Picture> pages = Draw(SmallPage({colour}));
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].At(10, 20), kRed);
    EXPECT_EQ(pages[0].At(29, 29), kRed);
    EXPECT_EQ(pages[0].At(30, 20), kBlue);
    EXPECT_EQ(pages[0].At(49, 29), kBlue);
    EXPECT_EQ(pages[0].At(50, 25), kWhite);
    const std::vector<Picture> grey = Draw(SmallPage({Image(0, 0x22, 0, 4, 2, 4, {}, 0x80)}));
    ASSERT_EQ(grey.size(), 1u);
    EXPECT_EQ(grey[0].At(13, 21), (Pixel{0x80, 0x80, 0x80}));
    EXPECT_EQ(grey[0].At(14, 21), kWhite);
}

// One picture per page, reduced to the resolution asked: a page of 400 x 300
// at 600 dpi is 100 x 75 pixels at 150 dpi, a bar of 8 device rows a row of
// 2 dark pixels.
TEST_F(PagePictureTest, EveryPageIsAPictureAtTheResolutionAsked)
{
    Bytes job = JobStart();
    for (int page = 0; page < 3; ++page) {
        Bytes list = PageBegin(400, 300, 600);
        list.Add(Colour(0x01, {0})).Add(FillRect(0, 40 * page, 400, 40 * page + 8)).Add(PageEnd());
        job.Add(PageFrames(list));
    }
    const std::vector<Picture> pages = Draw(job, 150);
    ASSERT_EQ(pages.size(), 3u);
    for (int page = 0; page < 3; ++page) {
        EXPECT_EQ(pages[page].width, 100u);
        EXPECT_EQ(pages[page].height, 75u);
        EXPECT_EQ(pages[page].At(50, 10 * page), kBlack) << page;
        EXPECT_EQ(pages[page].At(50, 10 * page + 1), kBlack) << page;
        EXPECT_EQ(pages[page].At(50, 10 * page + 2), kWhite) << page;
    }
}

// A source that hands out its bytes a few at a time.
class Trickle : public dump::ByteSource {
public:
    Trickle(const Bytes& bytes, std::size_t piece) : bytes_(bytes.v), piece_(piece) {}
    std::size_t Read(std::uint8_t* into, std::size_t count) override
    {
        const std::size_t n = std::min({count, piece_, bytes_.size() - at_});
        std::copy_n(bytes_.data() + at_, n, into);
        at_ += n;
        return n;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t piece_;
    std::size_t at_ = 0;
};

// Whatever pieces the source gives, the listing and the fault are those of
// the whole stream (and the summary of a well-formed one), and the listing
// sink receives the same text.
TEST(JobStreamSource, PiecesDecodeAsTheWholeStream)
{
    Bytes longPage = PageBegin();
    for (int i = 0; i < 27000; ++i) longPage.Add(FillRect(i, 1, i + 1, 2));  // a display list of 1.08 MB
    Bytes longJob = JobStart();
    longJob.Add(PageFrames(longPage.Add(PageEnd())));
    Bytes cutShort = longJob;
    cutShort.v.resize(cutShort.size() - 100);
    const struct {
        const char* name;
        Bytes stream;
    } cases[] = {
        {"two pages", JobStart()
                          .Add(JobNameFrame("Report"))
                          .Add(PageFrames(DisplayList({FillRect(1, 2, 3, 4)}), {20}))
                          .Add(PageFrames(DisplayList({ClipRect(0, 0, 9, 9)})))},
        {"a record fault", OnePage({Rop(0xCC), Rop(0xCC)})},
        {"a cut-short frame",
         JobStart().Add(Frame(0xF4, TextOf("@PJL"))).Add(Frame(0xF0, {})).Add(Bytes{}.Raw({0xF5, 0, 0, 0, 9, 0}))},
        {"a display-list frame above 1 MB", longJob},
        {"the same cut short", cutShort},
    };
    for (const auto& c : cases) {
        const dump::DecodeResult whole = dump::DecodeJobStream(c.stream.v);
        for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{4099}, std::size_t{70000}}) {
            if (piece < 8 && c.stream.size() > 4096) continue;  // byte by byte only where it stays quick
            std::string handed;
            dump::DecodeOptions options;
            options.listingSink = [&handed](std::string_view text) { handed += text; };
            Trickle source(c.stream, piece);
            const dump::DecodeResult pieces = dump::DecodeJobStream(source, options);
            EXPECT_EQ(handed, whole.listing) << c.name << ", pieces of " << piece;
            EXPECT_TRUE(pieces.listing.empty()) << c.name;
            ASSERT_EQ(pieces.ok(), whole.ok()) << c.name;
            if (whole.ok()) {
                EXPECT_EQ(dump::FormatSummary(pieces.summary), dump::FormatSummary(whole.summary)) << c.name;
            } else {
                EXPECT_EQ(dump::FormatViolation(*pieces.violation), dump::FormatViolation(*whole.violation)) << c.name;
            }
        }
    }
}

// A command-group frame longer than the decoder holds is refused at its
// length field before its text is read.
TEST(JobStreamSource, RefusesACommandTextItWillNotHold)
{
    const Bytes stream = Bytes{}.Raw({0xF3, 0, 0, 0}).U32(dump::kLargestCommandText + 1);
    const dump::DecodeResult result = dump::DecodeJobStream(stream.v);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.violation->rule, dump::Rule::FrameLength);
    EXPECT_EQ(result.violation->offset, 4u);
}

}  // namespace
}  // namespace vexl::test
