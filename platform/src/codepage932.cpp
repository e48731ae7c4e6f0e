// The Japanese page 932: ASCII, the half-width katakana and the double-byte
// characters of the page, the user-defined area included.
#include "codepages.h"

#include <algorithm>
#include <iterator>

namespace vexl::platform {
namespace {

struct ShiftJisPair {
    std::uint16_t code;
    char16_t character;
};

#include "codepage932_table.inc"

}  // namespace

bool IsShiftJisLeadByte(BYTE byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

std::optional<char16_t> DecodeShiftJis(BYTE lead, std::optional<BYTE> trail)
{
    if (!IsShiftJisLeadByte(lead)) {
        if (lead < 0x80) return char16_t(lead);
        if (lead >= 0xA1 && lead <= 0xDF) return char16_t(0xFF61 + (lead - 0xA1));
        return std::nullopt;
    }
    if (!trail) return std::nullopt;
    const std::uint16_t code = static_cast<std::uint16_t>((lead << 8) | *trail);
    const auto* found = std::lower_bound(std::begin(kDecodeTable), std::end(kDecodeTable), code,
                                         [](const ShiftJisPair& pair, std::uint16_t c) { return pair.code < c; });
    if (found == std::end(kDecodeTable) || found->code != code) return std::nullopt;
    return found->character;
}

std::optional<std::uint16_t> EncodeShiftJis(char16_t c)
{
    if (c < 0x80) return std::uint16_t(c << 8);
    if (c >= 0xFF61 && c <= 0xFF9F) return std::uint16_t((0xA1 + (c - 0xFF61)) << 8);
    const auto* found = std::lower_bound(std::begin(kEncodeTable), std::end(kEncodeTable), c,
                                         [](const ShiftJisPair& pair, char16_t ch) { return pair.character < ch; });
    if (found == std::end(kEncodeTable) || found->character != c) return std::nullopt;
    return found->code;
}

}  // namespace vexl::platform
