// Image records: the layout of record 0x20 (palettes, the shifted 1-bit
// rows, grey reduction, the whole form), large images in pieces that the
// stream flushes while they are copied, a record that fails part-way, the
// producers' conversions.
#include "graphics/image_records.h"
#include "graphics/stream_seam.h"
#include "tools/job_bytes.h"
#include "vexl_dump.h"

#include "graphics/graphics_fixture.h"

#include <cstdio>
#include <memory>
#include <string>

namespace vexl::test {
namespace {

std::uint32_t Le32(const std::vector<BYTE>& bytes, std::size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | std::uint32_t(bytes[at + 3]) << 24;
}

// The display list inside the F5 frames of a captured stream.
std::vector<BYTE> DisplayListOf(const std::vector<BYTE>& frames)
{
    std::vector<BYTE> list;
    for (std::size_t at = 0; at + 8 <= frames.size();) {
        const std::uint32_t length = Le32(frames, at + 4);
        if (frames[at] == kFrameDisplayList)
            list.insert(list.end(), frames.begin() + at + 8, frames.begin() + at + 8 + length);
        at += 8 + length;
    }
    return list;
}

// A Pdev of the tests' own making: its stream writes into a capture, and
// its engine device takes the temporary surfaces.
class ImageRecordTest : public testing::Test {
protected:
    void SetUp() override
    {
        DRVENABLEDATA driver{};
        device_ = engine::CreateDevice(driver);
        pdev_ = std::make_unique<Pdev>();
        pdev_->pool = CreatePdevPool();
        SetPdevPoolFill(pdev_->pool, kStaleByte);
        pdev_->pageCount = 2;
        pdev_->engineDevice = device_;
        pdev_->machineColorType = 1;
        pdev_->color = 2;
        pdev_->rasterMode = 1;
        InitOutputStream(pdev_->stream, StreamOwner{pdev_->pool, &pdev_->flags, &pdev_->pageCount, &pdev_->jobBinder},
                         nullptr, pdev_.get());
        pdev_->stream.spool = SpoolBinding{reinterpret_cast<HMODULE>(this), &spool_, &SpoolCapture::WritePrinter};
        ASSERT_TRUE(EmitPageBeginRecord(pdev_->stream, 4960, 7016, 600));
    }
    void TearDown() override
    {
        FreeBitmaps();
        FreeStreamBlocks(pdev_->stream);
        DestroyPdevPool(pdev_->pool);
        engine::DeleteDevice(device_);
        engine::ClearFailures();
        EXPECT_EQ(engine::Live().surfaces, 0);
    }

    // A fresh Pdev for the next case of a table.
    void Restart()
    {
        TearDown();
        spool_ = SpoolCapture{};
        SetUp();
    }

    // Ends the page and returns its display list after the page begin.
    std::vector<BYTE> Records()
    {
        EXPECT_TRUE(EmitPageEndRecord(pdev_->stream));
        EXPECT_TRUE(FlushOutputStream(pdev_->stream));
        std::vector<BYTE> list = DisplayListOf(spool_.bytes);
        list.erase(list.begin(), list.begin() + 16);
        list.resize(list.size() - 4);
        return list;
    }

    // The whole page as a job, checked by the decoder.
    dump::DecodeResult Decode()
    {
        EXPECT_TRUE(EmitPageEndRecord(pdev_->stream));
        EXPECT_TRUE(FlushOutputStream(pdev_->stream));
        Bytes job = JobStart().Add(Frame(0xF4, {})).Add(Frame(0xF0, {}));
        job.Raw(std::vector<std::uint8_t>(spool_.bytes.begin(), spool_.bytes.end()));
        job.Add(Frame(0xF1, {}));
        return dump::DecodeJobStream(job.v);
    }

    // A top-down engine bitmap whose pixels are (x + 3y) in each byte.
    SURFOBJ* Bitmap(LONG width, LONG height, ULONG format, FLONG flags = BMF_TOPDOWN)
    {
        HBITMAP bitmap = EngCreateBitmap(SIZEL{width, height}, 0, format, flags, nullptr);
        EXPECT_NE(bitmap, nullptr);
        SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(bitmap));
        auto* bits = static_cast<BYTE*>(so->pvBits);
        for (ULONG i = 0; i < so->cjBits; ++i) bits[i] = static_cast<BYTE>(i * 7 + 1);
        bitmaps_.push_back(so);
        return so;
    }
    void FreeBitmaps()
    {
        for (SURFOBJ* so : bitmaps_) {
            HSURF h = so->hsurf;
            EngUnlockSurface(so);
            EngDeleteSurface(h);
        }
        bitmaps_.clear();
    }

    static ImageRecordArgs Args(ULONG width, ULONG rows, DWORD flags, const BYTE* bits, const BYTE* palette = nullptr)
    {
        ImageRecordArgs image{};
        image.x = 100;
        image.y = 200;
        image.width = static_cast<LONG>(width);
        image.height = static_cast<LONG>(rows);
        image.bitmapWidth = width;
        image.rows = rows;
        image.formatFlags = flags;
        image.bits = bits;
        image.palette = palette;
        return image;
    }

    HDEV device_ = nullptr;
    std::unique_ptr<Pdev> pdev_;
    SpoolCapture spool_;
    std::vector<SURFOBJ*> bitmaps_;
};

TEST_F(ImageRecordTest, RecordLayoutsByFormatPaletteAndPrinter)
{
    // Three 1-bit rows of 40 pixels (8-byte rows) and three 24-bit rows of 2 pixels (8-byte rows).
    std::vector<BYTE> bits(24);
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<BYTE>(0x10 + i);
    const BYTE palette[6] = {0, 0, 0, 0xFF, 0xFF, 0xFF};
    struct Case {
        const char* what;
        ULONG width;
        DWORD flags;
        const BYTE* palette;
        DWORD machineColorType, color, printMethod;
        BYTE byte2, byte3;
        std::uint32_t length;
        std::uint32_t dataAt;
        std::uint32_t reservations;
        std::vector<BYTE> data;  // the record's bytes from dataAt to its end
    } cases[] = {
        {"1 bit with a palette: rows follow the palette, 2 zero bytes end them",
         40,
         0,
         palette,
         1,
         2,
         0,
         0x00,
         0x04,
         88,
         62,
         2,
         {}},
        {"1 bit without palette", 40, 0, nullptr, 1, 2, 0, 0x20, 0x04, 80, 56, 2, {}},
        {"24 bits on a monochrome machine: grey rows of the 8-bit size",
         2,
         4,
         nullptr,
         0,
         2,
         0,
         0x32,
         0x04,
         68,
         56,
         2,
         {}},
        {"24 bits printed in monochrome", 2, 4, nullptr, 1, 1, 0, 0x32, 0x04, 68, 56, 2, {}},
        {"24 bits with print method 5: colour in one reservation", 2, 4, nullptr, 0, 1, 5, 0x24, 0x04, 80, 56, 1, {}},
        {"a blit source is never reduced", 2, 4 | kImageBltSource, nullptr, 0, 1, 0, 0xA4, 0x04, 80, 56, 2, {}},
        {"host-matched colours are never reduced",
         2,
         ImageFormatFlags(4, kImageHostMatched),
         nullptr,
         0,
         1,
         0,
         0x24,
         0x0C,
         80,
         56,
         2,
         {}},
    };
    cases[0].data.assign(bits.begin(), bits.end());
    cases[0].data.insert(cases[0].data.end(), {0, 0});
    cases[1].data.assign(bits.begin(), bits.end());
    auto grey = [&](int at) {
        return static_cast<BYTE>((306 * bits[at + 2] + 601 * bits[at + 1] + 117 * bits[at]) >> 10);
    };
    for (int row = 0; row < 3; ++row) {
        const std::vector<BYTE> greyRow = {grey(row * 8), grey(row * 8 + 3), 0, 0};
        cases[2].data.insert(cases[2].data.end(), greyRow.begin(), greyRow.end());
    }
    cases[3].data = cases[2].data;
    cases[4].data.assign(bits.begin(), bits.end());
    cases[5].data = cases[4].data;
    cases[6].data = cases[4].data;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Restart();
        pdev_->machineColorType = c.machineColorType;
        pdev_->color = c.color;
        pdev_->printMethod = c.printMethod;
        const std::uint32_t before = pdev_->stream.recordCount;
        ASSERT_TRUE(EmitImageRecord(*pdev_, Args(c.width, 3, c.flags, bits.data(), c.palette)));
        EXPECT_EQ(pdev_->stream.recordCount - before, c.reservations);
        const std::vector<BYTE> record = Records();
        ASSERT_EQ(record.size(), c.length);
        EXPECT_EQ(record[0], kRecordImage);
        EXPECT_EQ(record[1], 0);
        EXPECT_EQ(record[2], c.byte2);
        EXPECT_EQ(record[3], c.byte3);
        EXPECT_EQ(Le32(record, 4), c.length);
        EXPECT_EQ(Le32(record, 16), 100 + c.width);
        EXPECT_EQ(Le32(record, 32), c.width);
        EXPECT_EQ(Le32(record, 36), 3u);
        if (c.palette) {
            EXPECT_EQ(std::vector<BYTE>(record.begin() + 56, record.begin() + 62),
                      std::vector<BYTE>(palette, palette + 6));
        }
        EXPECT_EQ(std::vector<BYTE>(record.begin() + c.dataAt, record.end()), c.data);
    }
}

TEST_F(ImageRecordTest, GreyWeighsRedGreenAndBlue)
{
    const BYTE pixels[] = {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 0, 0, 0};
    BYTE grey[5] = {};
    ReduceRowToGrey(pixels, 5, grey);
    EXPECT_EQ(std::vector<BYTE>(grey, grey + 5), (std::vector<BYTE>{76, 149, 29, 255, 0}));
}

TEST_F(ImageRecordTest, BottomUpRowsAndTheRowByRowFormGiveTheSameRows)
{
    std::vector<BYTE> bits(4 * 8);
    for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<BYTE>(i);
    ImageRecordArgs image = Args(2, 4, 4, bits.data() + 3 * 8);
    image.bottomUp = TRUE;
    ASSERT_TRUE(EmitImageRecord(*pdev_, image));
    ASSERT_TRUE(EmitImageRecordByRows(*pdev_, image));
    const std::vector<BYTE> records = Records();
    ASSERT_EQ(records.size(), 2u * 88);
    const std::vector<BYTE> rows(records.begin() + 56, records.begin() + 88);
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(std::vector<BYTE>(rows.begin() + row * 8, rows.begin() + row * 8 + 8),
                  std::vector<BYTE>(bits.begin() + (3 - row) * 8, bits.begin() + (4 - row) * 8));
    // The retry form lacks only the raster flag.
    EXPECT_EQ(records[3], kImageRaster);
    EXPECT_EQ(records[88 + 3], 0);
    EXPECT_TRUE(std::equal(records.begin() + 4, records.begin() + 88, records.begin() + 88 + 4));
}

TEST_F(ImageRecordTest, ALargeImageIsReservedInPiecesThatTheStreamFlushesOnTheWay)
{
    struct Case {
        ULONG width;
        ULONG rows;
        std::uint32_t reservations;
    } cases[] = {
        {1024, 1024, 1 + 3},  // 3 MB of 3,072-byte rows, 341 rows a piece
        {360000, 3, 1 + 3},   // rows over 1 MB go one at a time
    };
    for (const Case& c : cases) {
        Restart();
        const std::uint64_t rowSize = (c.width * 24 + 31) / 32 * 4;
        std::vector<BYTE> bits(rowSize * c.rows);
        for (std::size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<BYTE>(i / 3 + i % 251);
        const std::uint32_t before = pdev_->stream.recordCount;
        ASSERT_TRUE(EmitImageRecord(*pdev_, Args(c.width, c.rows, 4, bits.data())));
        // The first pieces left before the record was complete.
        EXPECT_FALSE(spool_.bytes.empty());
        EXPECT_LT(pdev_->stream.recordCount, before + c.reservations);
        // At most what the early flush allows, and the piece that needed a block.
        EXPECT_LE(PdevPoolHighWater(pdev_->pool),
                  kEarlyFlushBytes + std::max<std::uint64_t>(rowSize, kImagePieceBytes) + 3 * kStreamBlockBytes + 4096);
        const dump::DecodeResult decoded = Decode();
        EXPECT_TRUE(decoded.ok()) << dump::FormatViolation(*decoded.violation);
        EXPECT_EQ(decoded.summary.records.at(0x20), 1u);
        EXPECT_GT(decoded.summary.frames.at(0xF5), 2u);
    }
}

// The pieces of an image go through the stream's reserve rule: a flush only
// when a piece needs a new block past 1 MB buffered, and never a frame
// without bytes.
TEST_F(ImageRecordTest, ImagePiecesFlushByTheReserveRuleWithoutEmptyFrames)
{
    struct Case {
        const char* name;
        ULONG width, rows;
        DWORD color;  // 1: printed in monochrome, rows reduced to grey
        std::vector<std::uint32_t> frames;
    } cases[] = {
        // 2,000-byte grey rows, 524 a piece: the second piece fits under 1 MB.
        {"grey 2000 x 1000", 2000, 1000, 1, {72, 1048000, 952004}},
        // 3,072-byte rows, 341 a piece: the third piece flushes the first two.
        {"colour 1024 x 1024", 1024, 1024, 2, {72, 1047552, 1047552, 1047552 + 3072 + 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Restart();
        pdev_->color = c.color;
        const std::uint64_t rowSize = (c.width * 24 + 31) / 32 * 4;
        std::vector<BYTE> bits(rowSize * c.rows, 0x3C);
        ASSERT_TRUE(EmitImageRecord(*pdev_, Args(c.width, c.rows, 4, bits.data())));
        ASSERT_TRUE(EmitPageEndRecord(pdev_->stream));
        ASSERT_TRUE(FlushOutputStream(pdev_->stream));
        std::vector<std::uint32_t> frames;
        for (std::size_t at = 0; at + 8 <= spool_.bytes.size(); at += 8 + Le32(spool_.bytes, at + 4)) {
            EXPECT_EQ(spool_.bytes[at], kFrameDisplayList);
            frames.push_back(Le32(spool_.bytes, at + 4));
        }
        EXPECT_EQ(frames, c.frames);
    }
}

// A record whose rows cannot be reserved is withdrawn whole when nothing of
// it was flushed: the stream is as it was.
TEST_F(ImageRecordTest, AFailedRecordIsWithdrawnWhenNothingOfItLeft)
{
    std::vector<BYTE> bits(3072 * 200);
    ASSERT_TRUE(EmitRectangleRecord(pdev_->stream, RECTL{0, 0, 5, 5}));
    const std::uint32_t buffered = pdev_->stream.bufferedBytes;
    const std::uint32_t records = pdev_->stream.recordCount;
    SetPdevPoolLimit(pdev_->pool, 64 * 1024);
    EXPECT_FALSE(EmitImageRecord(*pdev_, Args(1024, 200, 4, bits.data())));
    EXPECT_FALSE(EmitImageRecordByRows(*pdev_, Args(1024, 200, 4, bits.data())));
    EXPECT_EQ(pdev_->stream.bufferedBytes, buffered);
    EXPECT_EQ(pdev_->stream.recordCount, records);
    EXPECT_EQ(pdev_->stream.first.header.next, nullptr);
    SetPdevPoolLimit(pdev_->pool, 0);
    const dump::DecodeResult decoded = Decode();
    EXPECT_TRUE(decoded.ok()) << dump::FormatViolation(*decoded.violation);
    EXPECT_EQ(decoded.summary.records.count(0x20), 0u);
    EXPECT_EQ(decoded.summary.records.at(0x10), 1u);
}

// When the pool runs out after part of the record was flushed, the record
// is completed with filler to its declared length and the call fails.
TEST_F(ImageRecordTest, ARecordCutAfterAFlushIsCompletedAndFails)
{
    static PdevPool* pool = nullptr;
    pool = pdev_->pool;
    pdev_->stream.spool.writePrinter = [](HANDLE job, const void* data, DWORD count, DWORD* written) {
        SetPdevPoolLimit(pool, 16 * 1024);  // memory runs out from the first flush on
        return SpoolCapture::WritePrinter(job, data, count, written);
    };
    std::vector<BYTE> bits(3072 * 1024, 0x5A);
    EXPECT_FALSE(EmitImageRecord(*pdev_, Args(1024, 1024, 4, bits.data())));
    EXPECT_EQ(pdev_->flags & kPdevOutputFailed, 0u);
    SetPdevPoolLimit(pool, 0);
    const dump::DecodeResult decoded = Decode();
    EXPECT_TRUE(decoded.ok()) << dump::FormatViolation(*decoded.violation);
    EXPECT_EQ(decoded.summary.records.at(0x20), 1u);
}

TEST_F(ImageRecordTest, TheProducersConvertOnlyWhatTheyMust)
{
    struct Case {
        const char* what;
        ULONG format;
        LONG width, height;
        RECTL dest;
        POINTL origin;
        BYTE byte2;
        std::uint32_t bitmapWidth, rows;
    } cases[] = {
        {"a 24-bit bitmap of the destination's size goes as it is",
         BMF_24BPP,
         8,
         4,
         {10, 10, 18, 14},
         {0, 0},
         0x24,
         8,
         4},
        {"32 bits become 24", BMF_32BPP, 8, 4, {10, 10, 18, 14}, {0, 0}, 0x24, 8, 4},
        {"16 bits become 24", BMF_16BPP, 8, 4, {10, 10, 18, 14}, {0, 0}, 0x24, 8, 4},
        {"a 24-bit rectangle out of a larger bitmap is cropped", BMF_24BPP, 20, 20, {0, 0, 5, 3}, {4, 6}, 0x24, 5, 3},
        {"an 8-bit rectangle out of a larger bitmap is copied out", BMF_8BPP, 20, 20, {0, 0, 5, 3}, {4, 6}, 0x22, 5, 3},
        {"a reversed destination is normalised", BMF_1BPP, 16, 2, {26, 12, 10, 10}, {0, 0}, 0x20, 16, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Restart();
        SURFOBJ* source = Bitmap(c.width, c.height, c.format);
        POINTL origin = c.origin;
        ASSERT_TRUE(EmitCopiedImage(*pdev_, nullptr, source, &origin, c.dest));
        const std::vector<BYTE> record = Records();
        ASSERT_GE(record.size(), 56u);
        EXPECT_EQ(record[2], c.byte2);
        EXPECT_EQ(Le32(record, 8), static_cast<std::uint32_t>(std::min(c.dest.left, c.dest.right)));
        EXPECT_EQ(Le32(record, 32), c.bitmapWidth);
        EXPECT_EQ(Le32(record, 36), c.rows);
        if (c.format == BMF_24BPP || c.format == BMF_8BPP) {
            // The pixels of the requested rectangle, row by row.
            const LONG bytesPerPixel = c.format == BMF_24BPP ? 3 : 1;
            const std::size_t rowSize = (c.bitmapWidth * bytesPerPixel * 8 + 31) / 32 * 4;
            const auto* bits = static_cast<const BYTE*>(source->pvScan0);
            for (ULONG row = 0; row < c.rows; ++row)
                EXPECT_EQ(std::memcmp(record.data() + 56 + row * rowSize,
                                      bits + (c.origin.y + row) * source->lDelta + c.origin.x * bytesPerPixel,
                                      c.bitmapWidth * bytesPerPixel),
                          0)
                    << row;
        }
        FreeBitmaps();
    }
}

TEST_F(ImageRecordTest, PalettesLeaveOutTheGreyRampAndTakeTheTranslation)
{
    SURFOBJ* source = Bitmap(4, 2, BMF_8BPP);
    std::vector<ULONG> ramp(256), colours(256);
    for (ULONG i = 0; i < 256; ++i) {
        ramp[i] = i << 16 | i << 8 | i;
        colours[i] = 0x00102030 + i;
    }
    XLATEOBJ greyRamp{1, 0, 0, 0, 256, ramp.data()};
    XLATEOBJ palette{2, XO_HOST_ICM, 0, 0, 256, colours.data()};
    XLATEOBJ shortTable{3, 0, 0, 0, 3, colours.data()};  // fewer entries than the depth: the rest black
    RECTL dest{0, 0, 4, 2};
    ASSERT_TRUE(EmitCopiedImage(*pdev_, &greyRamp, source, nullptr, dest));
    ASSERT_TRUE(EmitCopiedImage(*pdev_, &palette, source, nullptr, dest));
    ASSERT_TRUE(EmitCopiedImage(*pdev_, &shortTable, source, nullptr, dest));
    const std::vector<BYTE> records = Records();
    ASSERT_EQ(records.size(), 64u + 832 + 832);
    EXPECT_EQ(records[2], 0x22);
    EXPECT_EQ(records[64 + 2], 0x02);
    EXPECT_EQ(records[64 + 3], 0x0C);
    EXPECT_EQ(std::vector<BYTE>(records.begin() + 64 + 56, records.begin() + 64 + 62),
              (std::vector<BYTE>{0x30, 0x20, 0x10, 0x31, 0x20, 0x10}));
    EXPECT_EQ(records[64 + 832 + 56 + 9], 0);
    EXPECT_EQ(records[64 + 832 + 56 + 8], 0x10);
    EXPECT_EQ(records[64 + 832 + 56 + 767], 0);
    FreeBitmaps();
}

TEST_F(ImageRecordTest, StretchesMirrorInATemporarySurfaceAndRetryReduced)
{
    SURFOBJ* source = Bitmap(4, 2, BMF_24BPP);
    for (LONG x = 0; x < 4; ++x) engine::SetPixel(source, x, 0, 0x010101 * static_cast<ULONG>(x + 1));
    // Mirrored: the destination width is positive, the pixels reversed.
    ASSERT_TRUE(EmitStretchedImage(*pdev_, nullptr, source, nullptr, nullptr, RECTL{40, 0, 0, 20}, RECTL{0, 0, 4, 2}));
    // No temporary surface of the full size: half the size, marked reduced.
    SURFOBJ* oneBit = Bitmap(64, 64, BMF_1BPP);
    engine::FailCall(engine::Service::CreateBitmap, 1);
    ASSERT_TRUE(
        EmitStretchedImage(*pdev_, nullptr, oneBit, nullptr, nullptr, RECTL{0, 0, 100, 100}, RECTL{0, 0, 50, 60}));
    const std::vector<BYTE> records = Records();
    ASSERT_GE(records.size(), 80u + 56);
    EXPECT_EQ(static_cast<std::int32_t>(Le32(records, 48)), 40);
    EXPECT_EQ(Le32(records, 8), 0u);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(records[56 + x * 3], 4 - x) << x;
    const std::vector<BYTE> reduced(records.begin() + 80, records.end());
    EXPECT_EQ(reduced[1], kImageReduced);
    EXPECT_EQ(Le32(reduced, 32), 25u);
    EXPECT_EQ(Le32(reduced, 36), 30u);
    EXPECT_EQ(Le32(reduced, 48), 100u);
    FreeBitmaps();
}

TEST_F(ImageRecordTest, ATransparentBlitSendsItsMaskThenTheMaskedSource)
{
    SURFOBJ* source = Bitmap(8, 8, BMF_24BPP);
    SURFOBJ* mask = Bitmap(8, 8, BMF_1BPP);
    POINTL at{0, 0};
    ASSERT_TRUE(EmitBltImage(*pdev_, nullptr, source, RECTL{0, 0, 8, 8}, &at, mask, &at, 0xAACC));
    ASSERT_TRUE(EmitBltImage(*pdev_, nullptr, source, RECTL{0, 0, 8, 8}, &at, nullptr, nullptr, 0xCCCC));
    const dump::DecodeResult decoded = Decode();
    ASSERT_TRUE(decoded.ok()) << dump::FormatViolation(*decoded.violation);
    EXPECT_EQ(decoded.summary.records.at(0x20), 3u);
    EXPECT_EQ(decoded.summary.records.at(0x31), 2u);
    EXPECT_NE(decoded.listing.find("rop3=EE"), std::string::npos) << decoded.listing;
    EXPECT_NE(decoded.listing.find("format=24-bit blt-source"), std::string::npos) << decoded.listing;
    FreeBitmaps();
}

}  // namespace
}  // namespace vexl::test
