#include "graphics/path_encoder.h"

#include "common/core/le.h"

#include <algorithm>

namespace vexl {

namespace {

constexpr std::uint32_t kPathHeaderBytes = 24;  // the point-word count follows at 24
constexpr std::uint32_t kLineElementWords = 3;
constexpr std::uint32_t kCurveElementWords = 7;
constexpr std::uint32_t kSubpathWords = 3;
constexpr BYTE kPathClosed = 0x08;
constexpr BYTE kPathManySubpaths = 0x10;

// Writes 32-bit words while they fit and goes on counting when they do not:
// one pass either encodes the body or tells its exact size. Without a
// buffer it only counts.
struct BodyWriter {
    BYTE* out = nullptr;
    std::uint64_t capacity = 0;
    std::uint64_t size = 0;
    bool shortOfRoom = false;

    std::uint64_t Put(std::uint32_t value)
    {
        const std::uint64_t at = size;
        PutAt(at, value);
        size += 4;
        return at;
    }

    void PutAt(std::uint64_t at, std::uint32_t value)
    {
        if (!out) return;
        if (at + 4 > capacity) {
            shortOfRoom = true;
            return;
        }
        WriteLe32(out + at, value);
    }

    void PutPoint(const POINTFIX& point, LONG dx, LONG dy)
    {
        Put(static_cast<std::uint32_t>(point.x) + static_cast<std::uint32_t>(dx));
        Put(static_cast<std::uint32_t>(point.y) + static_cast<std::uint32_t>(dy));
    }
};

// What the encoder has met so far: of the whole path, or of one subpath.
struct PathCounts {
    std::uint64_t lines = 0;
    std::uint64_t curves = 0;
    std::uint64_t subpaths = 0;
    bool curve = false;
    bool closed = false;
};

struct OpenSubpath {
    bool open = false;
    std::uint64_t countAt = 0;
    std::uint32_t elements = 0;
};

void EndSubpath(BodyWriter& writer, OpenSubpath& subpath)
{
    if (!subpath.open) return;
    writer.PutAt(subpath.countAt, subpath.elements);
    subpath.open = false;
}

enum class PieceRule { PointlessPieceAllowed, PointlessPieceFails };

// Encodes one PATHDATA piece. False for a malformed piece.
bool EncodePiece(const PATHDATA& data, BodyWriter& writer, OpenSubpath& subpath, PathCounts& counts, LONG dx, LONG dy,
                 PieceRule rule)
{
    ULONG points = data.count;
    const POINTFIX* point = data.pptfx;
    if (points == 0 && rule == PieceRule::PointlessPieceFails) return false;
    if (points && !point) return false;
    if (data.flags & PD_BEGINSUBPATH) {
        // A subpath needs its start point.
        if (points == 0) return false;
        EndSubpath(writer, subpath);
        subpath.open = true;
        subpath.elements = 0;
        subpath.countAt = writer.Put(0);
        writer.PutPoint(*point, dx, dy);
        ++point;
        --points;
        counts.subpaths += 1;
    }
    if (points && !subpath.open) return false;
    if (data.flags & PD_BEZIERS) {
        if (points % 3 != 0) return false;
        for (ULONG i = 0; i < points; i += 3) {
            writer.Put(1);
            writer.PutPoint(point[i], dx, dy);
            writer.PutPoint(point[i + 1], dx, dy);
            writer.PutPoint(point[i + 2], dx, dy);
            subpath.elements += 1;
        }
        counts.curves += points / 3;
        if (points) counts.curve = true;
    } else {
        for (ULONG i = 0; i < points; ++i) {
            writer.Put(0);
            writer.PutPoint(point[i], dx, dy);
            subpath.elements += 1;
        }
        counts.lines += points;
    }
    if (data.flags & PD_CLOSEFIGURE) counts.closed = true;
    if (data.flags & PD_ENDSUBPATH) EndSubpath(writer, subpath);
    return true;
}

std::uint64_t PointWords(const PathCounts& counts, bool countManySubpaths)
{
    return kLineElementWords * counts.lines + kCurveElementWords * counts.curves + kSubpathWords * counts.subpaths +
           (countManySubpaths && counts.subpaths > 1 ? 1 : 0);
}

// The whole path as one body: the point-word count, then every subpath.
bool EncodeWholeBody(const PathEnumerator& enumerator, PATHOBJ* path, BodyWriter& writer, PathCounts& counts, LONG dx,
                     LONG dy, PieceRule rule)
{
    counts = PathCounts{};
    const std::uint64_t wordsAt = writer.Put(0);
    OpenSubpath subpath;
    enumerator.enumStart(path);
    PATHDATA data{};
    BOOL more = TRUE;
    while (more) {
        data = PATHDATA{};
        more = enumerator.enumNext(path, &data);
        if (!EncodePiece(data, writer, subpath, counts, dx, dy, rule)) return false;
    }
    // A subpath the enumeration left open still gets its element count.
    EndSubpath(writer, subpath);
    const std::uint64_t words = PointWords(counts, true);
    if (words > UINT32_MAX) return false;
    writer.PutAt(wordsAt, static_cast<std::uint32_t>(words));
    return true;
}

RECTL PixelBounds(const PathEnumerator& enumerator, PATHOBJ* path)
{
    RECTFX bounds{};
    enumerator.getBounds(path, &bounds);
    // 28.4 to pixels, rounding toward minus infinity.
    return RECTL{bounds.xLeft >> 4, bounds.yTop >> 4, bounds.xRight >> 4, bounds.yBottom >> 4};
}

void WritePathHeader(BYTE* record, bool curve, BYTE flags, std::uint32_t length, const RECTL& bounds)
{
    WriteLe8(record, curve ? kRecordCurvePath : kRecordLinePath);
    WriteLe8(record + 1, 0);
    WriteLe8(record + 2, flags);
    WriteLe8(record + 3, 0);
    WriteLe32(record + 4, length);
    WriteLe32(record + 8, static_cast<std::uint32_t>(bounds.left));
    WriteLe32(record + 12, static_cast<std::uint32_t>(bounds.top));
    WriteLe32(record + 16, static_cast<std::uint32_t>(bounds.right));
    WriteLe32(record + 20, static_cast<std::uint32_t>(bounds.bottom));
}

// The exact body size of the whole path, or 0 when it is malformed.
std::uint64_t CountBodyBytes(const PathEnumerator& enumerator, PATHOBJ* path, PieceRule rule)
{
    BodyWriter counter;
    PathCounts counts;
    if (!EncodeWholeBody(enumerator, path, counter, counts, 0, 0, rule)) return 0;
    return counter.size;
}

std::uint32_t RecordSizeFor(const PATHOBJ* path, std::uint64_t exactBody)
{
    const std::uint64_t estimate = PathRecordBytes(path->cCurves);
    const std::uint64_t size = std::max<std::uint64_t>(estimate, kPathHeaderBytes + exactBody);
    return size > UINT32_MAX ? 0 : static_cast<std::uint32_t>(size);
}

}  // namespace

std::uint64_t PathRecordBytes(ULONG curves)
{
    const std::uint64_t c = curves;
    return (28 + 4 * c + ((12 * (3 * c + 1) + 3) & ~std::uint64_t(3)) + 3) & ~std::uint64_t(3);
}

std::uint64_t PathBufferBytes(ULONG curves)
{
    return PathRecordBytes(curves) - 24;
}

BYTE* ReservePathRecord(OutputStream& stream, ULONG curves)
{
    const std::uint64_t size = PathRecordBytes(curves);
    return size > UINT32_MAX ? nullptr : ReserveRecord(stream, static_cast<std::uint32_t>(size));
}

BYTE* AllocPathBuffer(PdevPool* pool, ULONG curves)
{
    return static_cast<BYTE*>(PdevPoolAlloc(pool, static_cast<std::size_t>(PathBufferBytes(curves))));
}

BYTE* EmitPathRecord(OutputStream& stream, PATHOBJ* path, BYTE mode, const PathEnumerator& enumerator)
{
    if (!path) return nullptr;
    std::uint64_t reservation = PathRecordBytes(path->cCurves);
    PathCounts counts;
    BodyWriter writer;
    BYTE* record = nullptr;
    // The curve count sizes the first try; a path that needs more is
    // given back and encoded again into a reservation of its exact size.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (reservation > UINT32_MAX) {
            reservation = kPathHeaderBytes + CountBodyBytes(enumerator, path, PieceRule::PointlessPieceAllowed);
            if (reservation == kPathHeaderBytes || reservation > UINT32_MAX) return nullptr;
        }
        record = ReserveRecord(stream, static_cast<std::uint32_t>(reservation));
        if (!record) return nullptr;
        writer = BodyWriter{record + kPathHeaderBytes, reservation - kPathHeaderBytes};
        if (!EncodeWholeBody(enumerator, path, writer, counts, 0, 0, PieceRule::PointlessPieceAllowed)) {
            DropLastRecord(stream, record);
            return nullptr;
        }
        if (!writer.shortOfRoom) break;
        DropLastRecord(stream, record);
        record = nullptr;
        reservation = kPathHeaderBytes + writer.size;
    }
    if (!record) return nullptr;
    if (mode == kPathStroke && counts.closed && counts.subpaths > 1) {
        // A stroke must not close the open figures of the path: one record
        // per subpath.
        DropLastRecord(stream, record);
        return EmitPathPerSubpath(stream, path, mode, enumerator);
    }
    const std::uint32_t length = static_cast<std::uint32_t>(kPathHeaderBytes + writer.size);
    BYTE flags = static_cast<BYTE>(mode & 7);
    if (counts.closed) flags |= kPathClosed;
    if (counts.subpaths > 1) flags |= kPathManySubpaths;
    WritePathHeader(record, counts.curve, flags, length, PixelBounds(enumerator, path));
    TrimLastRecord(stream, record + length);
    return record;
}

BYTE* EmitPathPerSubpath(OutputStream& stream, PATHOBJ* path, BYTE mode, const PathEnumerator& enumerator)
{
    if (!path) return nullptr;
    // Every record is reserved for the whole path, and never for less than
    // the path needs.
    const std::uint64_t exact = CountBodyBytes(enumerator, path, PieceRule::PointlessPieceAllowed);
    if (exact == 0) return nullptr;
    const std::uint32_t reservation = RecordSizeFor(path, exact);
    if (reservation == 0) return nullptr;
    const RECTL bounds = PixelBounds(enumerator, path);

    BYTE* record = nullptr;
    BYTE* last = nullptr;
    BodyWriter writer;
    OpenSubpath subpath;
    PathCounts counts;
    bool anyCurve = false;
    auto finish = [&]() -> bool {
        EndSubpath(writer, subpath);
        const std::uint64_t words = PointWords(counts, false);
        writer.PutAt(0, static_cast<std::uint32_t>(words));
        if (writer.shortOfRoom) return false;
        anyCurve = anyCurve || counts.curve;
        const auto length = static_cast<std::uint32_t>(kPathHeaderBytes + writer.size);
        const BYTE flags = static_cast<BYTE>((mode & 7) | (counts.closed ? kPathClosed : 0));
        WritePathHeader(record, anyCurve, flags, length, bounds);
        TrimLastRecord(stream, record + length);
        last = record;
        record = nullptr;
        return true;
    };

    enumerator.enumStart(path);
    bool failed = false;
    BOOL more = TRUE;
    while (more && !failed) {
        PATHDATA data{};
        more = enumerator.enumNext(path, &data);
        if (data.flags & PD_BEGINSUBPATH) {
            if (record && !finish()) {
                failed = true;
                break;
            }
            record = ReserveRecord(stream, reservation);
            if (!record) return nullptr;
            writer = BodyWriter{record + kPathHeaderBytes, reservation - std::uint64_t(kPathHeaderBytes)};
            writer.Put(0);
            subpath = OpenSubpath{};
            counts = PathCounts{};
        }
        if (!record) {
            if (data.count == 0) continue;
            return nullptr;
        }
        failed = !EncodePiece(data, writer, subpath, counts, 0, 0, PieceRule::PointlessPieceAllowed) ||
                 ((data.flags & PD_ENDSUBPATH) && !finish());
    }
    // A subpath the enumeration left open is finished; a malformed piece
    // gives its record back.
    if (record && (failed || !finish())) {
        DropLastRecord(stream, record);
        return nullptr;
    }
    if (failed) return nullptr;
    return last;
}

std::uint32_t EncodePathBody(PATHOBJ* path, BOOL* closed, BYTE* buffer, std::uint32_t capacity, LONG dx, LONG dy,
                             std::uint32_t* needed, const PathEnumerator& enumerator)
{
    if (needed) *needed = 0;
    if (!path || !buffer) return 0;
    BodyWriter writer{buffer, capacity};
    PathCounts counts;
    if (!EncodeWholeBody(enumerator, path, writer, counts, dx, dy, PieceRule::PointlessPieceFails)) return 0;
    if (writer.size > UINT32_MAX) return 0;
    if (needed) *needed = static_cast<std::uint32_t>(writer.size);
    if (writer.shortOfRoom) return 0;
    if (closed) *closed = counts.closed ? TRUE : FALSE;
    return static_cast<std::uint32_t>(writer.size);
}

BYTE* EncodePathBodyInPool(PdevPool* pool, PATHOBJ* path, BOOL* closed, LONG dx, LONG dy, std::uint32_t* size,
                           const PathEnumerator& enumerator)
{
    if (size) *size = 0;
    if (!path) return nullptr;
    std::uint64_t capacity = PathBufferBytes(path->cCurves);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (capacity > UINT32_MAX) {
            capacity = CountBodyBytes(enumerator, path, PieceRule::PointlessPieceFails);
            if (capacity == 0 || capacity > UINT32_MAX) return nullptr;
        }
        auto* buffer = static_cast<BYTE*>(PdevPoolAlloc(pool, static_cast<std::size_t>(capacity)));
        if (!buffer) return nullptr;
        std::uint32_t needed = 0;
        const std::uint32_t written =
            EncodePathBody(path, closed, buffer, static_cast<std::uint32_t>(capacity), dx, dy, &needed, enumerator);
        if (written) {
            if (size) *size = written;
            return buffer;
        }
        PdevPoolFree(pool, buffer);
        if (needed <= capacity) return nullptr;  // malformed, not short
        capacity = needed;
    }
    return nullptr;
}

}  // namespace vexl
