// Compression of glyph bitmaps. A token is one byte T (bit 7 run, bits 3-6
// the zero bytes before the data, bits 0-2 a length code), the extensions
// of a zero count of 15 or more and of a length code of 7 or more (bytes
// of 255 while the rest is at least 255, then the rest), and the data: for
// a run one byte that stands for code + 2 copies, for a literal code + 1
// bytes. Zero bytes at the end are not encoded; the receiver fills the
// rest of the known bitmap size with zeros.
#include "graphics/records.h"

#include <cstring>

namespace vexl {

namespace {

constexpr std::uint32_t kZeroField = 15;
constexpr std::uint32_t kLengthField = 7;

// The output side: every byte is checked against the capacity before it is
// written, so the encoder never writes past its buffer.
struct TokenWriter {
    BYTE* out;
    std::uint32_t capacity;
    std::uint32_t size = 0;

    bool Room(std::uint32_t bytes) const { return bytes <= capacity - size; }

    bool Put(BYTE value)
    {
        if (!Room(1)) return false;
        out[size++] = value;
        return true;
    }

    bool PutExtension(std::uint32_t rest)
    {
        while (rest >= 255) {
            if (!Put(255)) return false;
            rest -= 255;
        }
        return Put(static_cast<BYTE>(rest));
    }

    bool PutToken(bool run, std::uint32_t zeros, std::uint32_t code)
    {
        const std::uint32_t zeroField = zeros < kZeroField ? zeros : kZeroField;
        const std::uint32_t lengthField = code < kLengthField ? code : kLengthField;
        const BYTE token = static_cast<BYTE>((run ? 0x80 : 0) | (zeroField << 3) | lengthField);
        if (!Put(token)) return false;
        if (zeros >= kZeroField && !PutExtension(zeros - kZeroField)) return false;
        if (code >= kLengthField && !PutExtension(code - kLengthField)) return false;
        return true;
    }
};

// Bytes from `pos` equal to bits[pos], counted up to `most`.
std::uint32_t EqualBytes(const BYTE* bits, std::uint32_t size, std::uint32_t pos, std::uint32_t most)
{
    std::uint32_t count = 1;
    while (count < most && pos + count < size && bits[pos + count] == bits[pos]) ++count;
    return count;
}

// Where a literal that starts at `pos` ends: before a zero byte, the end of
// the input, a run of four equal bytes, or three equal bytes that are
// followed by a zero byte.
std::uint32_t LiteralEnd(const BYTE* bits, std::uint32_t size, std::uint32_t pos)
{
    std::uint32_t at = pos;
    while (at < size && bits[at] != 0) {
        const std::uint32_t equal = EqualBytes(bits, size, at, 4);
        if (at > pos && equal == 4) break;
        if (at > pos && equal == 3 && at + 3 < size && bits[at + 3] == 0) break;
        ++at;
    }
    return at;
}

}  // namespace

std::int32_t CompressGlyphBits(const BYTE* bits, std::uint32_t size, BYTE* out, std::uint32_t capacity)
{
    // The result is a 32-bit size: a bitmap beyond 64 KB keeps its true
    // compressed size.
    if (capacity > INT32_MAX) capacity = INT32_MAX;
    TokenWriter writer{out, capacity};
    std::uint32_t pos = 0;
    while (true) {
        std::uint32_t zeros = 0;
        while (pos < size && bits[pos] == 0) {
            ++zeros;
            ++pos;
        }
        if (pos >= size) break;
        const std::uint32_t repeated = EqualBytes(bits, size, pos, UINT32_MAX);
        if (repeated >= 3) {
            if (!writer.PutToken(true, zeros, repeated - 2) || !writer.Put(bits[pos])) return -1;
            pos += repeated;
            continue;
        }
        const std::uint32_t length = LiteralEnd(bits, size, pos) - pos;
        if (!writer.PutToken(false, zeros, length - 1) || !writer.Room(length)) return -1;
        std::memcpy(out + writer.size, bits + pos, length);
        writer.size += length;
        pos += length;
    }
    return static_cast<std::int32_t>(writer.size);
}

std::uint32_t TryCompressGlyph(const BYTE* bits, BYTE* out, std::uint32_t capacity, std::uint32_t rows,
                               std::uint32_t rowBytes)
{
    const std::uint64_t size = std::uint64_t(rows) * rowBytes;
    if (size > UINT32_MAX - 3) return 0;
    const std::uint64_t padded = (size + 3) & ~std::uint64_t(3);
    if (padded < capacity) capacity = static_cast<std::uint32_t>(padded);
    const std::int32_t compressed = CompressGlyphBits(bits, static_cast<std::uint32_t>(size), out, capacity);
    return compressed > 0 ? static_cast<std::uint32_t>(compressed) : 0;
}

}  // namespace vexl
