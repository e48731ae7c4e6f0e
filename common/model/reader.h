// The description file reader: finds and maps the description of a printer,
// cuts it into keyword lines of four tokens, dispatches each line to the
// handler of its keyword, and offers the handlers the value scanners.
#pragma once

#include "common/model/compile_state.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vexl::model {

// ------------------------------------------------------------ byte classes

inline constexpr std::uint8_t kWordSeparator = 0x01;
inline constexpr std::uint8_t kKeywordChar = 0x02;
inline constexpr std::uint8_t kOptionChar = 0x04;
inline constexpr std::uint8_t kPrintable = 0x08;
inline constexpr std::uint8_t kBlank = 0x10;
inline constexpr std::uint8_t kLineEnd = 0x20;
inline constexpr std::uint8_t kHexLetter = 0x40;
inline constexpr std::uint8_t kDecimalDigit = 0x80;

namespace detail {
constexpr std::array<std::uint8_t, 256> MakeCharClassTable()
{
    std::array<std::uint8_t, 256> table{};
    for (int c = 0x22; c <= 0x7D; ++c) table[c] = 0x0D;  // separator, option, printable
    table['\t'] = 0x19;
    table[' '] = 0x19;
    table['\n'] = 0x21;
    table['\r'] = 0x21;
    for (char c : {'!', '+', '-', '~'}) table[static_cast<unsigned char>(c)] = 0x0C;
    table['/'] = 0x0B;
    table[':'] = 0x01;
    for (int c = '0'; c <= '9'; ++c) table[c] = 0x8E;
    for (char c : {'@', '[', '\\', ']', '^', '_', '`'}) table[static_cast<unsigned char>(c)] = 0x0E;
    for (int c = 'G'; c <= 'Z'; ++c) table[c] = 0x0E;
    for (int c = 'g'; c <= 'z'; ++c) table[c] = 0x0E;
    for (int c = 'A'; c <= 'F'; ++c) table[c] = 0x4E;
    for (int c = 'a'; c <= 'f'; ++c) table[c] = 0x4E;
    return table;
}
inline constexpr std::array<std::uint8_t, 256> kCharClassTable = MakeCharClassTable();
}  // namespace detail

inline std::uint8_t CharClass(char c)
{
    return detail::kCharClassTable[static_cast<unsigned char>(c)];
}
inline bool HasClass(char c, std::uint8_t cls)
{
    return (CharClass(c) & cls) != 0;
}
inline bool IsBlank(char c)
{
    return HasClass(c, kBlank);
}
inline bool IsLineEnd(char c)
{
    return HasClass(c, kLineEnd);
}
inline bool IsDigit(char c)
{
    return HasClass(c, kDecimalDigit);
}

// -------------------------------------------------------- file and reader

// The data file named by the printer's driver information; empty when the
// spooler cannot tell.
std::u16string GetDescriptionFilePath(HANDLE printer);

// Reads a whole, non-empty file into a buffer of its own, released with
// delete[]. A read costs less than a mapping for files of this size.
bool ReadFileWhole(LPCWSTR path, const BYTE** bytes, std::uint32_t* size);

struct DescriptionReader {
    const BYTE* view = nullptr;  // the file's bytes, when the reader owns them
    const BYTE* base = nullptr;
    std::size_t size = 0;
    std::size_t cursor = 0;
};

std::optional<DescriptionReader> OpenDescriptionReader(LPCWSTR path);
DescriptionReader TextDescriptionReader(std::string_view text);
void CloseDescriptionReader(DescriptionReader& reader);

// kLineRead and the next byte, or kEndOfFile.
LineResult ReadDescriptionByte(DescriptionReader& reader, char* out);

// Reads the next keyword line into the four buffers.
LineResult ReadDescriptionLine(DescriptionLine& line, DescriptionReader& reader);

// ---------------------------------------------------------- dispatch

using KeywordHandler = LineAnswer (*)(CompileState& state, DescriptionLine& line);

struct DescriptionKeyword {
    const char* keyword;
    KeywordHandler handler;
};

inline constexpr int kDescriptionKeywordCount = 23;
extern const DescriptionKeyword DescriptionKeywordTable[kDescriptionKeywordCount + 1];

// kLineRead when a handler took the line, kBadLine otherwise.
LineResult DispatchDescriptionLine(CompileState& state, DescriptionLine& line);

// The whole parse; null when the file cannot be read or memory runs out.
std::unique_ptr<CompileState> ParseDescriptionFile(LPCWSTR path, const DescriptionNames& names = ModelDatabaseNames());
// The same over description text held in memory.
std::unique_ptr<CompileState> ParseDescriptionText(std::string_view text,
                                                   const DescriptionNames& names = ModelDatabaseNames());

LineAnswer HandleFileVersion(CompileState& state, DescriptionLine& line);

// The value of the first FileVersion line, in 16 characters (empty when the
// file has none). Always answers 1.
int ProbeFileVersion(LPCWSTR path, WCHAR out[16]);
// The same from a handle of the file just opened for reading (its position
// at the start); the path is read again only when the line is not in the
// file's first 4 KiB.
int ProbeOpenFileVersion(HANDLE file, LPCWSTR path, WCHAR out[16]);

// ---------------------------------------------------------- value scanners

// An optional '-', then decimal digits; wraps around instead of overflowing.
std::int32_t ParseDecimal(std::string_view text, std::size_t* taken);
// Digits anywhere in the word; any '-' makes it negative; NUL, blank or '=' end it.
std::int32_t ParseLooseNumber(std::string_view text);

void SkipBlanksAndLineEnds(TokenBuffer& value);
std::int32_t NextNumber(TokenBuffer& value, char* stop);
// The next word of the value, a view into its text: the byte after the word
// is overwritten with NUL, so the view stays valid while the text lives.
std::optional<std::string_view> NextWord(TokenBuffer& value, char* stop);

struct DecodedText {
    std::string bytes;
    bool decoded = false;  // at least one byte came out
    std::size_t used = 0;  // characters consumed, the closing quote included
    char stop = 0;         // the byte after them
};
DecodedText DecodeQuotedText(std::string_view text);

std::optional<std::string> TakeQuotedBytes(TokenBuffer& value, char* stop = nullptr);
std::optional<std::u16string> TakeQuotedWide(TokenBuffer& value, char* stop = nullptr);
bool SkipPastChar(TokenBuffer& value, char c);

struct WordValue {
    const char* word;  // null closes the table
    std::uint32_t value;
};
std::uint32_t LookupWordValue(const WordValue* table, std::string_view word);
std::uint32_t ParseBooleanWord(std::string_view word);
int HexDigitValue(char c);

}  // namespace vexl::model
