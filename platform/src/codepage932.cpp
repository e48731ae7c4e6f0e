// The part of the Japanese page 932 the layer converts.
#include "codepages.h"

namespace vexl::platform {
namespace {

// Runs of double-byte codes that map to a run of characters one to one.
struct Run {
    std::uint16_t code;
    char16_t first;
    std::uint16_t count;
};

constexpr Run kRuns[] = {
    {0x8140, 0x3000, 1},   // ideographic space
    {0x824F, 0xFF10, 10},  // full-width digits
    {0x8260, 0xFF21, 26},  // full-width capital letters
    {0x8281, 0xFF41, 26},  // full-width small letters
    {0x829F, 0x3041, 83},  // hiragana
    {0x8340, 0x30A1, 63},  // katakana up to mi
    {0x8380, 0x30E0, 23},  // katakana from mu
    {0x8145, 0x30FB, 1},   // middle dot
    {0x815B, 0x30FC, 1},   // prolonged sound mark
    {0x96BE, 0x660E, 1},   // 明
    {0x92A9, 0x671D, 1},   // 朝
    {0x8A4F, 0x5916, 1},   // 外
    {0x8E9A, 0x5B57, 1},   // 字
};

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
    for (const Run& run : kRuns)
        if (code >= run.code && code < run.code + run.count) return char16_t(run.first + (code - run.code));
    return std::nullopt;
}

std::optional<std::uint16_t> EncodeShiftJis(char16_t c)
{
    if (c < 0x80) return std::uint16_t(c << 8);
    if (c >= 0xFF61 && c <= 0xFF9F) return std::uint16_t((0xA1 + (c - 0xFF61)) << 8);
    for (const Run& run : kRuns)
        if (c >= run.first && c < run.first + run.count) return std::uint16_t(run.code + (c - run.first));
    return std::nullopt;
}

}  // namespace vexl::platform
