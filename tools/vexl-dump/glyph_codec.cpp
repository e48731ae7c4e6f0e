// The glyph bitmap compression as the decoder reads it. A token is one byte
// T (bit 7 run, bits 3-6 the zero bytes before the data, bits 0-2 a length
// code), the extensions of a zero count of 15 and of a length code of 7,
// then one byte repeated length + 2 times (run) or length + 1 bytes as they
// are (literal). Trailing zero bytes are left out.
#include "vexl_dump.h"

namespace vexl::dump {
namespace {

constexpr std::uint8_t kRunBit = 0x80;
constexpr std::uint64_t kZeroCodeMax = 15;
constexpr std::uint64_t kLengthCodeMax = 7;

class TokenWriter {
public:
    explicit TokenWriter(std::size_t capacity) : capacity_(capacity) {}

    // Room for the token byte itself must be there before it is written.
    bool WriteToken(bool run, std::uint64_t zeros, std::uint64_t length)
    {
        if (out_.size() + 1 > capacity_) return false;
        const auto zeroCode = zeros < kZeroCodeMax ? zeros : kZeroCodeMax;
        const auto lengthCode = length < kLengthCodeMax ? length : kLengthCodeMax;
        out_.push_back(static_cast<std::uint8_t>((run ? kRunBit : 0) | (zeroCode << 3) | lengthCode));
        if (zeros >= kZeroCodeMax) WriteExtension(zeros - kZeroCodeMax);
        if (length >= kLengthCodeMax) WriteExtension(length - kLengthCodeMax);
        return Fits();
    }

    bool WriteBytes(std::span<const std::uint8_t> bytes)
    {
        if (out_.size() + bytes.size() > capacity_) return false;
        out_.insert(out_.end(), bytes.begin(), bytes.end());
        return true;
    }

    bool WriteByte(std::uint8_t byte)
    {
        out_.push_back(byte);
        return Fits();
    }

    std::vector<std::uint8_t> Take() { return std::move(out_); }

private:
    void WriteExtension(std::uint64_t rest)
    {
        while (rest >= 255) {
            out_.push_back(255);
            rest -= 255;
        }
        out_.push_back(static_cast<std::uint8_t>(rest));
    }

    // Extension and run bytes must fit as well: a result beyond the
    // capacity would overrun the record.
    bool Fits() const { return out_.size() <= capacity_; }

    std::size_t capacity_;
    std::vector<std::uint8_t> out_;
};

// Where a literal that starts at start ends: before a zero byte, the end of
// the input, four equal bytes, or three equal bytes followed by a zero byte.
std::size_t LiteralEnd(std::span<const std::uint8_t> in, std::size_t start)
{
    const std::size_t n = in.size();
    std::size_t j = start + 1;
    for (; j < n; ++j) {
        if (in[j] == 0) break;
        if (j + 3 < n && in[j + 1] == in[j] && in[j + 2] == in[j]) {
            if (in[j + 3] == in[j] || in[j + 3] == 0) break;
        }
    }
    return j;
}

// Reads a zero count or length code with its extension.
bool ReadCode(std::span<const std::uint8_t> tokens, std::size_t& pos, std::uint64_t code, std::uint64_t max,
              std::uint64_t& value)
{
    value = code;
    if (code < max) return true;
    for (;;) {
        if (pos >= tokens.size()) return false;
        const std::uint8_t byte = tokens[pos++];
        value += byte;
        if (byte < 255) return true;
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> CompressGlyphBits(std::span<const std::uint8_t> bits, std::size_t capacity)
{
    TokenWriter writer(capacity);
    const std::size_t n = bits.size();
    std::size_t i = 0;
    for (;;) {
        std::uint64_t zeros = 0;
        while (i < n && bits[i] == 0) {
            ++i;
            ++zeros;
        }
        if (i == n) break;
        const std::uint8_t first = bits[i];
        std::size_t same = 1;
        while (i + same < n && bits[i + same] == first) ++same;
        if (same >= 3) {
            if (!writer.WriteToken(true, zeros, same - 2) || !writer.WriteByte(first)) return std::nullopt;
            i += same;
            continue;
        }
        const std::size_t end = LiteralEnd(bits, i);
        if (!writer.WriteToken(false, zeros, end - i - 1) || !writer.WriteBytes(bits.subspan(i, end - i)))
            return std::nullopt;
        i = end;
    }
    return writer.Take();
}

std::optional<std::vector<std::uint8_t>> DecompressGlyphBits(std::span<const std::uint8_t> tokens,
                                                             std::uint64_t bitmapSize)
{
    std::vector<std::uint8_t> out;
    std::size_t pos = 0;
    while (pos < tokens.size()) {
        const std::uint8_t token = tokens[pos++];
        std::uint64_t zeros = 0;
        std::uint64_t length = 0;
        if (!ReadCode(tokens, pos, (token >> 3) & 0x0F, kZeroCodeMax, zeros)) return std::nullopt;
        if (!ReadCode(tokens, pos, token & 0x07, kLengthCodeMax, length)) return std::nullopt;
        const bool run = (token & kRunBit) != 0;
        const std::uint64_t count = run ? length + 2 : length + 1;
        if (run ? pos + 1 > tokens.size() : count > tokens.size() - pos) return std::nullopt;
        if (zeros > bitmapSize - out.size() || count > bitmapSize - out.size() - zeros) return std::nullopt;
        out.insert(out.end(), zeros, 0);
        if (run) {
            out.insert(out.end(), count, tokens[pos]);
            pos += 1;
        } else {
            out.insert(out.end(), tokens.begin() + static_cast<std::ptrdiff_t>(pos),
                       tokens.begin() + static_cast<std::ptrdiff_t>(pos + count));
            pos += count;
        }
    }
    return out;
}

}  // namespace vexl::dump
