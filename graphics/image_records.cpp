#include "graphics/image_records.h"

#include "common/core/le.h"
#include "graphics/pdev.h"
#include "graphics/surface.h"
#include "platform/engine.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace vexl {

namespace {

inline constexpr std::uint64_t kMaxRecordBytes = UINT32_MAX & ~std::uint64_t{3};

// How one image is laid out in its record.
struct ImageLayout {
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t paletteBytes = 0;  // in the record
    std::uint64_t rowSize = 0;       // a row of the source bits
    std::uint64_t outRowSize = 0;    // a row in the record (8-bit rows when reduced to grey)
    std::uint32_t headerBytes = 0;   // header and palette as reserved
    bool grey = false;
    bool shifted = false;  // 1-bit rows written 2 bytes early, right after the palette
    BYTE byte1 = 0;
    BYTE byte2 = 0;
    BYTE byte3 = 0;
};

bool PrintsMonochrome(const Pdev& pdev)
{
    return pdev.machineColorType == 0 || pdev.color == 1;
}

bool WholeRecordOnly(const Pdev& pdev)
{
    return pdev.printMethod == 5 || pdev.printMethod == 7 || pdev.apiUseFlag != 0;
}

std::uint64_t RowBytes(std::uint64_t width, std::uint32_t bitsPerPixel)
{
    return (width * bitsPerPixel + 31) / 32 * 4;
}

bool PlanLayout(const Pdev& pdev, const ImageRecordArgs& image, bool allowGrey, bool rasterFlag, ImageLayout& out)
{
    const BYTE format = static_cast<BYTE>(image.formatFlags & 0xFF);
    static constexpr std::uint32_t kBits[] = {1, 4, 8};
    static constexpr std::uint32_t kPalette[] = {6, 48, 768};
    const BYTE depth = format & 0x0F;
    out.bitsPerPixel = depth <= 2 ? kBits[depth] : 24;
    out.paletteBytes = depth <= 2 && image.palette ? kPalette[depth] : 0;
    out.rowSize = RowBytes(image.bitmapWidth, out.bitsPerPixel);
    if (out.rowSize == 0 || !image.bits) return false;
    out.byte2 = format | (out.paletteBytes == 0 ? kImageNoPalette : 0);
    out.byte3 = static_cast<BYTE>((image.formatFlags >> 8) & 0xFF) | (rasterFlag && pdev.rasterMode ? kImageRaster : 0);
    out.byte1 = static_cast<BYTE>((image.formatFlags >> 16) & 0xFF);
    out.grey = allowGrey && image.formatFlags == kImageFormat24Bit && PrintsMonochrome(pdev);
    out.outRowSize = out.rowSize;
    if (out.grey) {
        out.byte2 = static_cast<BYTE>((out.byte2 & 0xF0) | kImageFormat8Bit | kImageGrey | kImageNoPalette);
        out.outRowSize = RowBytes(image.bitmapWidth, 8);
    }
    out.shifted = depth == 0 && out.paletteBytes != 0;
    out.headerBytes = (out.paletteBytes + kImageHeaderBytes + 3) & ~3u;
    return true;
}

std::uint64_t RecordLength(const ImageLayout& layout, std::uint64_t rows)
{
    return (kImageHeaderBytes + layout.paletteBytes + layout.outRowSize * rows + 3) & ~std::uint64_t{3};
}

const BYTE* SourceRow(const ImageRecordArgs& image, const ImageLayout& layout, std::uint64_t row)
{
    const auto offset = static_cast<std::ptrdiff_t>(row * layout.rowSize);
    return image.bottomUp ? image.bits - offset : image.bits + offset;
}

void WriteHeader(BYTE* record, const ImageLayout& layout, const ImageRecordArgs& image, std::uint64_t rows)
{
    WriteLe8(record, kRecordImage);
    WriteLe8(record + 1, layout.byte1);
    WriteLe8(record + 2, layout.byte2);
    WriteLe8(record + 3, layout.byte3);
    WriteLe32(record + 4, static_cast<std::uint32_t>(RecordLength(layout, rows)));
    WriteLe32(record + 8, static_cast<std::uint32_t>(image.x));
    WriteLe32(record + 12, static_cast<std::uint32_t>(image.y));
    WriteLe32(record + 16, static_cast<std::uint32_t>(image.x + image.width));
    WriteLe32(record + 20, static_cast<std::uint32_t>(image.y + image.height));
    WriteLe32(record + 24, static_cast<std::uint32_t>(image.sourceX));
    WriteLe32(record + 28, static_cast<std::uint32_t>(image.sourceY));
    WriteLe32(record + 32, image.bitmapWidth);
    WriteLe32(record + 36, static_cast<std::uint32_t>(rows));
    WriteLe32(record + 40, static_cast<std::uint32_t>(image.x));
    WriteLe32(record + 44, static_cast<std::uint32_t>(image.y));
    WriteLe32(record + 48, static_cast<std::uint32_t>(image.width));
    WriteLe32(record + 52, static_cast<std::uint32_t>(image.height));
    if (layout.paletteBytes) std::memcpy(record + kImageHeaderBytes, image.palette, layout.paletteBytes);
    std::memset(record + kImageHeaderBytes + layout.paletteBytes, 0,
                layout.headerBytes - kImageHeaderBytes - layout.paletteBytes);
    // The 1-bit rows start right after the palette: the top row's first 2 bytes close the header.
    if (layout.shifted) std::memcpy(record + kImageHeaderBytes + layout.paletteBytes, image.bits, 2);
}

// Writes `count` rows from `first` into `out` (count x outRowSize bytes).
void WriteRows(const ImageLayout& layout, const ImageRecordArgs& image, std::uint64_t rows, std::uint64_t first,
               std::uint64_t count, BYTE* out)
{
    const std::size_t rowSize = layout.rowSize;
    const std::size_t outRowSize = layout.outRowSize;
    for (std::uint64_t row = first; row < first + count; ++row, out += outRowSize) {
        const BYTE* from = SourceRow(image, layout, row);
        if (layout.grey) {
            ReduceRowToGrey(from, image.bitmapWidth, out);
            std::memset(out + image.bitmapWidth, 0, outRowSize - image.bitmapWidth);
        } else if (layout.shifted) {
            std::memcpy(out, from + 2, rowSize - 2);
            if (row + 1 < rows)
                std::memcpy(out + rowSize - 2, SourceRow(image, layout, row + 1), 2);
            else
                std::memset(out + rowSize - 2, 0, 2);
        } else {
            std::memcpy(out, from, rowSize);
        }
    }
}

enum class Emitted { Sent, Withdrawn, Filled };

// The reservations of one record. When a reservation fails, the partial
// record is withdrawn if nothing of it was flushed yet; otherwise the
// declared length is completed with white filler so that the stream stays
// parseable.
class RecordWriter {
public:
    explicit RecordWriter(OutputStream& stream) : stream_(stream) {}

    BYTE* Reserve(std::uint64_t size)
    {
        BYTE* bytes = ReserveRecord(stream_, static_cast<std::uint32_t>(size));
        if (!bytes) return nullptr;
        // The mark is where the record starts, after any flush its first
        // reservation caused: only a flush after it sends part of the record.
        if (reserved_ == 0) {
            mark_ = MarkOutputStream(stream_);
            mark_.writePos = bytes;
            mark_.bufferedBytes -= static_cast<std::uint32_t>(size);
            mark_.recordCount -= 1;
        }
        reserved_ += size;
        return bytes;
    }

    Emitted Abandon(std::uint64_t declared)
    {
        if (reserved_ == 0) return Emitted::Withdrawn;
        if (!FlushedSinceMark(stream_, mark_, reserved_)) {
            RollBackToMark(stream_, mark_);
            return Emitted::Withdrawn;
        }
        FillTo(declared);
        return Emitted::Filled;
    }

private:
    // Filler in the stream's own block and flushes, needing no memory.
    void FillTo(std::uint64_t declared)
    {
        std::uint64_t left = declared > reserved_ ? declared - reserved_ : 0;
        while (left > 0) {
            StreamBlock* tail = stream_.tail;
            const std::size_t space = static_cast<std::size_t>(tail->end - tail->writePos);
            if (space <= 4) {
                if (!FlushOutputStream(stream_)) return;
                continue;
            }
            const auto size = static_cast<std::uint32_t>(std::min<std::uint64_t>(left, (space - 4) & ~std::size_t{3}));
            BYTE* bytes = ReserveRecord(stream_, size);
            if (!bytes) return;
            std::memset(bytes, 0xFF, size);
            left -= size;
        }
    }

    OutputStream& stream_;
    StreamMark mark_{};
    std::uint64_t reserved_ = 0;
};

// One record of `image` (whose length fits the field).
Emitted EmitOneRecord(Pdev& pdev, const ImageRecordArgs& image, const ImageLayout& layout, bool byRows)
{
    const std::uint64_t rows = image.rows;
    const std::uint64_t length = RecordLength(layout, rows);
    RecordWriter writer(pdev.stream);
    BYTE* header = writer.Reserve(layout.headerBytes);
    if (!header) return writer.Abandon(length);
    WriteHeader(header, layout, image, rows);
    const std::uint64_t rowsPerPiece = byRows ? 1 : std::max<std::uint64_t>(1, kImagePieceBytes / layout.outRowSize);
    for (std::uint64_t row = 0; row < rows;) {
        const std::uint64_t count = std::min(rowsPerPiece, rows - row);
        // The stream flushes what it buffered when a piece needs a new block
        // past the early-flush size.
        BYTE* piece = writer.Reserve(count * layout.outRowSize);
        if (!piece) return writer.Abandon(length);
        WriteRows(layout, image, rows, row, count, piece);
        row += count;
    }
    // The 2 bytes the shifted rows leave over end the record as zero padding.
    return Emitted::Sent;
}

// Rows of one record, so that its length fits the 32-bit field.
std::uint64_t RowsPerRecord(const ImageLayout& layout)
{
    return (kMaxRecordBytes - layout.headerBytes) / layout.outRowSize;
}

// The image in as many records as its length needs: an image too large for
// one record's length goes out as horizontal slices, never truncated.
Emitted EmitRecords(Pdev& pdev, const ImageRecordArgs& image, const ImageLayout& layout, bool byRows)
{
    const std::uint64_t perRecord = RowsPerRecord(layout);
    if (perRecord == 0) return Emitted::Withdrawn;
    if (image.rows <= perRecord) return EmitOneRecord(pdev, image, layout, byRows);
    for (std::uint64_t first = 0; first < image.rows; first += perRecord) {
        const std::uint64_t count = std::min<std::uint64_t>(perRecord, image.rows - first);
        ImageRecordArgs slice = image;
        slice.bits = SourceRow(image, layout, first);
        slice.rows = static_cast<ULONG>(count);
        const auto top = static_cast<LONG>(std::int64_t{image.height} * static_cast<std::int64_t>(first) / image.rows);
        const auto bottom =
            static_cast<LONG>(std::int64_t{image.height} * static_cast<std::int64_t>(first + count) / image.rows);
        slice.y = image.y + top;
        slice.height = bottom - top;
        slice.sourceY = std::max<LONG>(0, image.sourceY - static_cast<LONG>(first));
        const Emitted result = EmitOneRecord(pdev, slice, layout, byRows);
        if (result != Emitted::Sent) return first == 0 ? result : Emitted::Filled;
    }
    return Emitted::Sent;
}

Emitted EmitImage(Pdev& pdev, const ImageRecordArgs& image)
{
    if (WholeRecordOnly(pdev)) return EmitImageRecordWhole(pdev, image) ? Emitted::Sent : Emitted::Withdrawn;
    ImageLayout layout;
    if (!PlanLayout(pdev, image, true, true, layout)) return Emitted::Withdrawn;
    return EmitRecords(pdev, image, layout, false);
}

// EmitImageRecord, and when it left nothing in the stream the retry row by
// row. A record completed with filler fails the call.
BOOL SendImageRecord(Pdev& pdev, const ImageRecordArgs& image)
{
    switch (EmitImage(pdev, image)) {
    case Emitted::Sent:
        return TRUE;
    case Emitted::Filled:
        return FALSE;
    case Emitted::Withdrawn:
        break;
    }
    return EmitImageRecordByRows(pdev, image);
}

// Pixel format bits of an engine bitmap format, or -1 when it must be converted.
int ImageFormatOf(ULONG bitmapFormat)
{
    switch (bitmapFormat) {
    case BMF_1BPP:
        return kImageFormat1Bit;
    case BMF_4BPP:
        return kImageFormat4Bit;
    case BMF_8BPP:
        return kImageFormat8Bit;
    case BMF_24BPP:
        return kImageFormat24Bit;
    default:
        return -1;
    }
}

ULONG PaletteEntries(int format)
{
    switch (format) {
    case kImageFormat1Bit:
        return 2;
    case kImageFormat4Bit:
        return 16;
    case kImageFormat8Bit:
        return 256;
    default:
        return 0;
    }
}

bool IsGreyRamp(const XLATEOBJ& xlate, ULONG entries)
{
    if (xlate.cEntries != entries || !xlate.pulXlate) return false;
    for (ULONG i = 0; i < entries; ++i) {
        const ULONG v = i * 255 / (entries - 1);
        if (xlate.pulXlate[i] != (v << 16 | v << 8 | v)) return false;
    }
    return true;
}

// The palette of an image below 24 bits: null for none (or a grey ramp). A
// translation shorter than the depth leaves the missing entries black.
struct ImagePalette {
    PdevPool* pool = nullptr;
    BYTE* bytes = nullptr;
    bool failed = false;
    ~ImagePalette() { PdevPoolFree(pool, bytes); }
};

void BuildPalette(Pdev& pdev, XLATEOBJ* xlate, int format, ImagePalette& palette)
{
    const ULONG entries = PaletteEntries(format);
    if (!xlate || entries == 0 || !xlate->pulXlate || IsGreyRamp(*xlate, entries)) return;
    palette.pool = pdev.pool;
    palette.bytes = static_cast<BYTE*>(PdevPoolAlloc(pdev.pool, entries * 3));
    if (!palette.bytes) {
        palette.failed = true;
        return;
    }
    std::memset(palette.bytes, 0, entries * 3);
    const ULONG given = std::min(entries, xlate->cEntries);
    for (ULONG i = 0; i < given; ++i) {
        const ULONG entry = xlate->pulXlate[i];
        palette.bytes[i * 3] = static_cast<BYTE>(entry);
        palette.bytes[i * 3 + 1] = static_cast<BYTE>(entry >> 8);
        palette.bytes[i * 3 + 2] = static_cast<BYTE>(entry >> 16);
    }
}

BYTE HostMatchedFlag(const XLATEOBJ* xlate)
{
    return xlate && (xlate->flXlate & XO_HOST_ICM) ? kImageHostMatched : 0;
}

struct TempSurface {
    SURFOBJ* surface = nullptr;
    ~TempSurface() { DeleteTempSurface(surface); }
};

ULONG TargetFormat(ULONG sourceFormat)
{
    return ImageFormatOf(sourceFormat) < 0 ? BMF_24BPP : sourceFormat;
}

// Sends a whole bitmap (the source or a temporary surface) for a destination.
BOOL SendBitmap(Pdev& pdev, XLATEOBJ* xlate, SURFOBJ* bitmap, LONG x, LONG y, LONG width, LONG height,
                POINTL sourceOrigin, BYTE extraFormat, BYTE byte1)
{
    const int format = ImageFormatOf(bitmap->iBitmapFormat);
    if (format < 0 || !bitmap->pvScan0 || bitmap->sizlBitmap.cx <= 0 || bitmap->sizlBitmap.cy <= 0) return FALSE;
    ImagePalette palette;
    BuildPalette(pdev, xlate, format, palette);
    if (palette.failed) return FALSE;
    ImageRecordArgs image{};
    image.x = x;
    image.y = y;
    image.width = width;
    image.height = height;
    image.sourceX = sourceOrigin.x;
    image.sourceY = sourceOrigin.y;
    image.bitmapWidth = static_cast<ULONG>(bitmap->sizlBitmap.cx);
    image.rows = static_cast<ULONG>(bitmap->sizlBitmap.cy);
    image.formatFlags = ImageFormatFlags(static_cast<BYTE>(format | extraFormat), HostMatchedFlag(xlate), byte1);
    image.bits = static_cast<const BYTE*>(bitmap->pvScan0);
    image.palette = palette.bytes;
    image.bottomUp = bitmap->lDelta < 0;
    return SendImageRecord(pdev, image);
}

bool ContainsRect(const SURFOBJ& source, POINTL origin, LONG width, LONG height)
{
    return origin.x >= 0 && origin.y >= 0 && origin.x <= source.sizlBitmap.cx - width &&
           origin.y <= source.sizlBitmap.cy - height;
}

// Clips one axis of the source rectangle to the bitmap's extent.
void ClipAxis(LONG& nearEdge, LONG& farEdge, LONG extent)
{
    if (extent <= 0) return;
    if (farEdge > nearEdge) {
        farEdge = std::min(farEdge, extent);
        nearEdge = std::max(nearEdge, LONG{0});
    } else if (nearEdge > farEdge) {
        nearEdge = std::min(nearEdge, extent);
        farEdge = std::max(farEdge, LONG{0});
    }
}

}  // namespace

void ReduceRowToGrey(const BYTE* row, std::size_t pixels, BYTE* grey)
{
    for (std::size_t i = 0; i < pixels; ++i, row += 3)
        grey[i] = static_cast<BYTE>((306u * row[2] + 601u * row[1] + 117u * row[0]) >> 10);
}

BOOL EmitImageRecord(Pdev& pdev, const ImageRecordArgs& image)
{
    return EmitImage(pdev, image) == Emitted::Sent;
}

BOOL EmitImageRecordWhole(Pdev& pdev, const ImageRecordArgs& image)
{
    ImageLayout layout;
    if (!PlanLayout(pdev, image, false, true, layout)) return FALSE;
    const std::uint64_t perRecord = RowsPerRecord(layout);
    if (perRecord == 0) return FALSE;
    // A length beyond the field goes out in the form that can hold it.
    if (image.rows > perRecord) return EmitRecords(pdev, image, layout, false) == Emitted::Sent;
    const std::uint64_t length = RecordLength(layout, image.rows);
    BYTE* record = ReserveRecord(pdev.stream, static_cast<std::uint32_t>(length));
    if (!record) return FALSE;
    WriteHeader(record, layout, image, image.rows);
    BYTE* rows = record + layout.headerBytes;
    WriteRows(layout, image, image.rows, 0, image.rows, rows);
    BYTE* end = rows + image.rows * layout.outRowSize;
    std::memset(end, 0, static_cast<std::size_t>(record + length - end));
    return TRUE;
}

BOOL EmitImageRecordByRows(Pdev& pdev, const ImageRecordArgs& image)
{
    ImageLayout layout;
    if (!PlanLayout(pdev, image, true, false, layout)) return FALSE;
    return EmitRecords(pdev, image, layout, true) == Emitted::Sent;
}

ULONG BitmapStride(ULONG format, LONG width)
{
    if (format < BMF_1BPP || format > BMF_32BPP || width <= 0) return 0;
    static constexpr std::uint64_t kBits[] = {1, 4, 8, 16, 24, 32};
    const std::uint64_t stride =
        RowBytes(static_cast<std::uint64_t>(width), static_cast<std::uint32_t>(kBits[format - 1]));
    return stride > LONG_MAX ? 0 : static_cast<ULONG>(stride);
}

SURFOBJ* CreateTempSurface(Pdev& pdev, LONG width, LONG height, ULONG format)
{
    const ULONG stride = BitmapStride(format, width);
    if (stride == 0 || height <= 0) return nullptr;
    const HBITMAP bitmap =
        EngCreateBitmap(SIZEL{width, height}, static_cast<LONG>(stride), format, BMF_TOPDOWN | BMF_NOZEROINIT, nullptr);
    if (!bitmap) return nullptr;
    const auto surface = reinterpret_cast<HSURF>(bitmap);
    SURFOBJ* locked = nullptr;
    if (EngAssociateSurface(surface, pdev.engineDevice, 0)) locked = EngLockSurface(surface);
    if (!locked) EngDeleteSurface(surface);
    return locked;
}

void DeleteTempSurface(SURFOBJ* surface)
{
    if (!surface) return;
    const HSURF handle = surface->hsurf;
    EngUnlockSurface(surface);
    EngDeleteSurface(handle);
}

BOOL EmitCroppedImage(Pdev& pdev, SURFOBJ* source, const POINTL& sourceOrigin, const RECTL& dest)
{
    const LONG width = std::labs(dest.right - dest.left);
    const LONG height = std::labs(dest.bottom - dest.top);
    if (!source || source->iBitmapFormat != BMF_24BPP || !source->pvScan0 || width == 0 || height == 0 ||
        !ContainsRect(*source, sourceOrigin, width, height))
        return FALSE;
    const std::uint64_t rowSize = RowBytes(static_cast<std::uint64_t>(width), 24);
    const std::uint64_t length = kImageHeaderBytes + rowSize * static_cast<std::uint64_t>(height);
    if (length > kMaxRecordBytes) return FALSE;
    BYTE* record = ReserveRecord(pdev.stream, static_cast<std::uint32_t>(length));
    if (!record) return FALSE;
    std::memset(record, 0, static_cast<std::size_t>(length));
    ImageLayout layout;
    layout.byte2 = kImageFormat24Bit | kImageNoPalette;
    layout.outRowSize = rowSize;
    layout.headerBytes = kImageHeaderBytes;
    ImageRecordArgs image{};
    image.x = std::min(dest.left, dest.right);
    image.y = std::min(dest.top, dest.bottom);
    image.width = width;
    image.height = height;
    image.bitmapWidth = static_cast<ULONG>(width);
    image.bits = record;  // only for the header's checks
    WriteHeader(record, layout, image, static_cast<std::uint64_t>(height));
    const auto* from = static_cast<const BYTE*>(source->pvScan0) + std::ptrdiff_t{sourceOrigin.y} * source->lDelta +
                       std::ptrdiff_t{sourceOrigin.x} * 3;
    BYTE* to = record + kImageHeaderBytes;
    for (LONG row = 0; row < height; ++row, from += source->lDelta, to += rowSize)
        std::memcpy(to, from, static_cast<std::size_t>(width) * 3);
    return TRUE;
}

BOOL EmitCopiedImage(Pdev& pdev, XLATEOBJ* xlate, SURFOBJ* source, const POINTL* sourceOrigin, const RECTL& dest)
{
    if (!source) return FALSE;
    const LONG x = std::min(dest.left, dest.right);
    const LONG y = std::min(dest.top, dest.bottom);
    const LONG width = std::labs(dest.right - dest.left);
    const LONG height = std::labs(dest.bottom - dest.top);
    if (width == 0 || height == 0) return TRUE;
    const POINTL origin = sourceOrigin ? *sourceOrigin : POINTL{0, 0};
    const int format = ImageFormatOf(source->iBitmapFormat);
    // The whole source goes as it is only when it is exactly the rectangle asked for.
    const bool convert = format < 0 || source->sizlBitmap.cx <= 0 || source->sizlBitmap.cx != width ||
                         source->sizlBitmap.cy != height || origin.x != 0 || origin.y != 0;
    if (!convert) return SendBitmap(pdev, xlate, source, x, y, width, height, POINTL{0, 0}, 0, 0);
    if (format == kImageFormat24Bit && source->sizlBitmap.cy > 0 && ContainsRect(*source, origin, width, height))
        return EmitCroppedImage(pdev, source, origin, dest);
    const ULONG target = TargetFormat(source->iBitmapFormat);
    TempSurface temp{CreateTempSurface(pdev, width, height, target)};
    if (!temp.surface) return FALSE;
    RECTL whole{0, 0, width, height};
    POINTL from = origin;
    XLATEOBJ* conversion = target != source->iBitmapFormat ? xlate : nullptr;
    if (!EngCopyBits(temp.surface, source, nullptr, conversion, &whole, &from)) return FALSE;
    // A converted bitmap holds the colours themselves: no palette.
    return SendBitmap(pdev, conversion ? nullptr : xlate, temp.surface, x, y, width, height, POINTL{0, 0}, 0, 0);
}

BOOL EmitScaledImage(Pdev& pdev, XLATEOBJ* xlate, SURFOBJ* source, const RECTL& sourceRect, const RECTL& dest)
{
    if (!source || !source->pvScan0) return FALSE;
    const ULONG sourceFormat = source->iBitmapFormat;
    if (sourceFormat != BMF_8BPP && sourceFormat != BMF_24BPP && sourceFormat != BMF_32BPP) return FALSE;
    LONG width = sourceRect.right - sourceRect.left;
    LONG height = sourceRect.bottom - sourceRect.top;
    if (width <= 0 || height <= 0 || !ContainsRect(*source, POINTL{sourceRect.left, sourceRect.top}, width, height))
        return FALSE;
    const LONG destWidth = std::labs(dest.right - dest.left);
    const LONG destHeight = std::labs(dest.bottom - dest.top);
    int step = 1;
    if (sourceFormat == BMF_32BPP &&
        ((destWidth < width && destHeight < height) || std::uint64_t(width) * std::uint64_t(height) * 3 > 0xA00000)) {
        step = 2;
        width /= 2;
        height /= 2;
        if (width == 0 || height == 0) return FALSE;
    }
    const bool eightBit = sourceFormat == BMF_8BPP;
    ImagePalette palette;
    if (eightBit) BuildPalette(pdev, xlate, kImageFormat8Bit, palette);
    if (palette.failed) return FALSE;
    ImageLayout layout;
    layout.bitsPerPixel = eightBit ? 8 : 24;
    layout.paletteBytes = palette.bytes ? 768 : 0;
    layout.outRowSize = RowBytes(static_cast<std::uint64_t>(width), layout.bitsPerPixel);
    layout.rowSize = layout.outRowSize;
    layout.headerBytes = kImageHeaderBytes + layout.paletteBytes;
    layout.byte2 =
        static_cast<BYTE>((eightBit ? kImageFormat8Bit : kImageFormat24Bit) | (palette.bytes ? 0 : kImageNoPalette));
    layout.byte1 = step == 2 ? kImageReduced : 0;
    if (RowsPerRecord(layout) < static_cast<std::uint64_t>(height)) return FALSE;
    ImageRecordArgs image{};
    image.x = std::min(dest.left, dest.right);
    image.y = std::min(dest.top, dest.bottom);
    image.width = destWidth;
    image.height = destHeight;
    image.bitmapWidth = static_cast<ULONG>(width);
    image.rows = static_cast<ULONG>(height);
    image.bits = static_cast<const BYTE*>(source->pvScan0);
    image.palette = palette.bytes;
    const std::uint64_t length = RecordLength(layout, static_cast<std::uint64_t>(height));
    RecordWriter writer(pdev.stream);
    BYTE* header = writer.Reserve(layout.headerBytes);
    if (!header) {
        writer.Abandon(length);
        return FALSE;
    }
    WriteHeader(header, layout, image, static_cast<std::uint64_t>(height));

    TempSurface rowSurface;
    if (sourceFormat == BMF_32BPP) {
        rowSurface.surface = CreateTempSurface(pdev, width, 1, BMF_24BPP);
        if (!rowSurface.surface) {
            writer.Abandon(length);
            return FALSE;
        }
    }
    const LONG bytesPerPixel = eightBit ? 1 : 3;
    for (LONG row = 0; row < height; ++row) {
        BYTE* out = writer.Reserve(layout.outRowSize);
        if (!out) {
            writer.Abandon(length);
            return FALSE;
        }
        std::memset(out, 0, static_cast<std::size_t>(layout.outRowSize));
        const LONG sourceRow = sourceRect.top + row * step;
        if (rowSurface.surface) {
            RECTL to{0, 0, width, 1};
            RECTL from{sourceRect.left, sourceRow, sourceRect.left + width * step, sourceRow + 1};
            if (!EngStretchBlt(rowSurface.surface, source, nullptr, nullptr, xlate, nullptr, nullptr, &to, &from,
                               nullptr, COLORONCOLOR)) {
                writer.Abandon(length);
                return FALSE;
            }
            std::memcpy(out, rowSurface.surface->pvScan0, static_cast<std::size_t>(width) * 3);
        } else {
            const auto* from = static_cast<const BYTE*>(source->pvScan0) + std::ptrdiff_t{sourceRow} * source->lDelta +
                               std::ptrdiff_t{sourceRect.left} * bytesPerPixel;
            std::memcpy(out, from, static_cast<std::size_t>(width) * bytesPerPixel);
        }
    }
    return TRUE;
}

BOOL EmitStretchedImage(Pdev& pdev, XLATEOBJ* xlate, SURFOBJ* source, const POINTL* halftoneOrigin, const POINTL*,
                        const RECTL& dest, const RECTL& sourceRect)
{
    if (!source) return FALSE;
    RECTL clipped = sourceRect;
    ClipAxis(clipped.left, clipped.right, source->sizlBitmap.cx);
    ClipAxis(clipped.top, clipped.bottom, source->sizlBitmap.cy);
    // A reversed source rectangle mirrors as a reversed destination does.
    const bool mirrorX = (dest.right < dest.left) != (clipped.right < clipped.left);
    const bool mirrorY = (dest.bottom < dest.top) != (clipped.bottom < clipped.top);
    const RECTL from{std::min(clipped.left, clipped.right), std::min(clipped.top, clipped.bottom),
                     std::max(clipped.left, clipped.right), std::max(clipped.top, clipped.bottom)};
    const LONG width = from.right - from.left;
    const LONG height = from.bottom - from.top;
    const LONG x = std::min(dest.left, dest.right);
    const LONG y = std::min(dest.top, dest.bottom);
    const LONG destWidth = std::labs(dest.right - dest.left);
    const LONG destHeight = std::labs(dest.bottom - dest.top);
    if (width <= 0 || height <= 0 || destWidth == 0 || destHeight == 0) return TRUE;
    const int format = ImageFormatOf(source->iBitmapFormat);
    const bool convert = format < 0 || mirrorX || mirrorY || from.left != 0 || from.top != 0 ||
                         width != source->sizlBitmap.cx || height != source->sizlBitmap.cy;
    if (!convert) return SendBitmap(pdev, xlate, source, x, y, destWidth, destHeight, POINTL{0, 0}, 0, 0);

    const ULONG target = TargetFormat(source->iBitmapFormat);
    XLATEOBJ* conversion = target != source->iBitmapFormat ? xlate : nullptr;
    for (LONG divisor = 1; divisor <= 5; ++divisor) {
        const LONG tempWidth = width / divisor;
        const LONG tempHeight = height / divisor;
        if (tempWidth == 0 || tempHeight == 0) return FALSE;
        TempSurface temp{CreateTempSurface(pdev, tempWidth, tempHeight, target)};
        if (!temp.surface) {
            const bool scalable = source->iBitmapFormat == BMF_8BPP || source->iBitmapFormat == BMF_24BPP ||
                                  source->iBitmapFormat == BMF_32BPP;
            if (divisor == 1 && scalable && !mirrorX && !mirrorY)
                return EmitScaledImage(pdev, xlate, source, from, dest);
            continue;
        }
        RECTL into{mirrorX ? tempWidth : 0, mirrorY ? tempHeight : 0, mirrorX ? 0 : tempWidth,
                   mirrorY ? 0 : tempHeight};
        RECTL source_rect = from;
        POINTL halftone = halftoneOrigin ? *halftoneOrigin : POINTL{0, 0};
        if (!EngStretchBlt(temp.surface, source, nullptr, nullptr, conversion, nullptr, &halftone, &into, &source_rect,
                           nullptr, COLORONCOLOR))
            return FALSE;
        return SendBitmap(pdev, conversion ? nullptr : xlate, temp.surface, x, y, destWidth, destHeight, POINTL{0, 0},
                          0, divisor > 1 ? kImageReduced : 0);
    }
    return FALSE;
}

BOOL EmitBltImage(Pdev& pdev, XLATEOBJ* xlate, SURFOBJ* source, const RECTL& dest, const POINTL* sourceOrigin,
                  SURFOBJ* mask, const POINTL* maskOrigin, ROP4 rop4)
{
    if (!source) return FALSE;
    const LONG x = std::min(dest.left, dest.right);
    const LONG y = std::min(dest.top, dest.bottom);
    const LONG width = std::labs(dest.right - dest.left);
    const LONG height = std::labs(dest.bottom - dest.top);
    if (width == 0 || height == 0) return TRUE;
    POINTL origin = sourceOrigin ? *sourceOrigin : POINTL{0, 0};
    const ULONG target = TargetFormat(source->iBitmapFormat);
    XLATEOBJ* conversion = target != source->iBitmapFormat ? xlate : nullptr;
    RECTL whole{0, 0, width, height};

    if ((rop4 & 0xFFFF) == 0xAACC && mask) {
        TempSurface maskBits{CreateTempSurface(pdev, width, height, BMF_1BPP)};
        if (!maskBits.surface) return FALSE;
        POINTL maskFrom = maskOrigin ? *maskOrigin : POINTL{0, 0};
        if (!EngBitBlt(maskBits.surface, mask, nullptr, nullptr, nullptr, &whole, &maskFrom, nullptr, nullptr, nullptr,
                       0xCCCC))
            return FALSE;
        if (!SelectRop(pdev.stream, pdev.states, 0xEE)) return FALSE;
        if (!SendBitmap(pdev, nullptr, maskBits.surface, x, y, width, height, POINTL{0, 0}, 0, 0)) return FALSE;
        if (!SelectRop(pdev.stream, pdev.states, 0x88)) return FALSE;
        TempSurface image{CreateTempSurface(pdev, width, height, target)};
        if (!image.surface) return FALSE;
        if (!EngEraseSurface(image.surface, &whole, 0xFFFFFF)) return FALSE;
        POINTL maskAt{0, 0};
        if (!EngBitBlt(image.surface, source, maskBits.surface, nullptr, conversion, &whole, &origin, &maskAt, nullptr,
                       nullptr, 0xAACC))
            return FALSE;
        return SendBitmap(pdev, conversion ? nullptr : xlate, image.surface, x, y, width, height, POINTL{0, 0},
                          kImageBltSource, 0);
    }
    const bool convert = ImageFormatOf(source->iBitmapFormat) < 0 || source->sizlBitmap.cx != width ||
                         source->sizlBitmap.cy != height || origin.x != 0 || origin.y != 0;
    if (!convert) return SendBitmap(pdev, xlate, source, x, y, width, height, POINTL{0, 0}, kImageBltSource, 0);
    TempSurface image{CreateTempSurface(pdev, width, height, target)};
    if (!image.surface) return FALSE;
    if (!EngBitBlt(image.surface, source, nullptr, nullptr, conversion, &whole, &origin, nullptr, nullptr, nullptr,
                   0xCCCC))
        return FALSE;
    return SendBitmap(pdev, conversion ? nullptr : xlate, image.surface, x, y, width, height, POINTL{0, 0},
                      kImageBltSource, 0);
}

}  // namespace vexl
