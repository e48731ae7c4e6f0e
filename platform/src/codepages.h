// The code pages the layer converts: a few single-byte pages kept as tables
// (bytes 0x00-0x7F are ASCII on each of them, the table gives bytes
// 0x80-0xFF) and UTF-8, read and written one character at a time.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace vexl::platform {

struct SingleBytePage {
    UINT number;
    const char16_t* high;  // 128 characters, for bytes 0x80 to 0xFF
};

// The single-byte page with this number, or null when the layer has no table for it.
const SingleBytePage* FindSingleBytePage(UINT number);

char16_t DecodeByte(const SingleBytePage& page, BYTE byte);
// The byte that stands for the character, or nothing when the page has none.
std::optional<BYTE> EncodeChar(const SingleBytePage& page, char16_t c);

// One character read from UTF-8: its UTF-16 units and the bytes it took. An
// ill-formed sequence reads as one U+FFFD over its longest valid start.
struct Utf8Char {
    char16_t units[2];
    int unitCount;
    std::size_t bytesRead;
    bool valid;
};
Utf8Char DecodeUtf8(const BYTE* bytes, std::size_t available);

// Writes the UTF-8 bytes of a code point (at most 4) and answers how many.
int EncodeUtf8(char32_t codePoint, char* out);

}  // namespace vexl::platform

namespace vexl::platform {

// Japanese (Shift JIS, page 932): ASCII, the half-width katakana 0xA1-0xDF
// and every double-byte character of the page, the user-defined area
// 0xF040-0xF9FC as U+E000-U+E757 included. An unassigned pair reads as U+30FB
// and a character the page lacks writes as the default character.
inline constexpr UINT kShiftJisPage = 932;

bool IsShiftJisLeadByte(BYTE byte);
// The character of a single byte or of a lead and trail byte; nothing when the layer has none.
std::optional<char16_t> DecodeShiftJis(BYTE lead, std::optional<BYTE> trail);
// The one or two bytes of a character (the second 0 for one byte), or nothing.
std::optional<std::uint16_t> EncodeShiftJis(char16_t c);

}  // namespace vexl::platform
