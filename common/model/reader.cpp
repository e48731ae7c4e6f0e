#include "common/model/reader.h"

#include "common/core/textconv.h"
#include "common/model/commands.h"
#include "common/model/judges.h"
#include "common/model/ui_entries.h"
#include "platform/files.h"
#include "platform/kernel.h"
#include "platform/text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace vexl::model {

// -------------------------------------------------------- file and reader

bool ReadFileWhole(LPCWSTR path, const BYTE** bytes, std::uint32_t* size)
{
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD high = 0;
    const DWORD length = GetFileSize(file, &high);
    BYTE* buffer = length == INVALID_FILE_SIZE || high != 0 || length == 0 ? nullptr : new (std::nothrow) BYTE[length];
    DWORD read = 0;
    const bool whole = buffer && ReadFile(file, buffer, length, &read, nullptr) && read == length;
    CloseHandle(file);
    if (!whole) {
        delete[] buffer;
        return false;
    }
    *bytes = buffer;
    *size = length;
    return true;
}

std::optional<DescriptionReader> OpenDescriptionReader(LPCWSTR path)
{
    DescriptionReader reader;
    std::uint32_t size = 0;
    if (!ReadFileWhole(path, &reader.view, &size)) return std::nullopt;
    reader.base = reader.view;
    reader.size = size;
    return reader;
}

DescriptionReader TextDescriptionReader(std::string_view text)
{
    DescriptionReader reader;
    reader.base = reinterpret_cast<const BYTE*>(text.data());
    reader.size = text.size();
    return reader;
}

void CloseDescriptionReader(DescriptionReader& reader)
{
    delete[] reader.view;
    reader = DescriptionReader{};
}

LineResult ReadDescriptionByte(DescriptionReader& reader, char* out)
{
    if (reader.cursor >= reader.size) return LineResult::kEndOfFile;
    *out = static_cast<char>(reader.base[reader.cursor++]);
    return LineResult::kLineRead;
}

namespace {

// Bytes that end a run of plain value bytes: line ends, quotes, brackets,
// the escape and every byte that may lead a double-byte pair.
constexpr std::array<bool, 256> MakeValueStopTable()
{
    std::array<bool, 256> table{};
    for (int c = 0x80; c < 0x100; ++c) table[c] = true;
    for (char c : {'\n', '\r', '"', '(', ')', '{', '}', '%'}) table[static_cast<unsigned char>(c)] = true;
    return table;
}
constexpr std::array<bool, 256> kValueStop = MakeValueStopTable();

// The reader's view of one line: the byte most recently read is current.
// Runs of bytes are found in the reader's buffer and taken whole; the
// reader's cursor is written back when the line ends.
class LineScanner {
public:
    explicit LineScanner(DescriptionReader& reader)
        : reader_(reader), bytes_(reinterpret_cast<const char*>(reader.base)), size_(reader.size), at_(reader.cursor)
    {
    }
    ~LineScanner() { reader_.cursor = at_; }
    LineScanner(const LineScanner&) = delete;
    LineScanner& operator=(const LineScanner&) = delete;

    char current = 0;

    bool Next()
    {
        if (at_ >= size_) return false;
        current = bytes_[at_++];
        return true;
    }

    // Skips to the next keyword: a '*' at the start of a line that is not
    // followed by '%'. False at the end of the file.
    bool FindNextKeyword()
    {
        for (;;) {
            if (!Next()) return false;
            if (current == '*') {
                if (!Next()) return false;
                if (current != '%') return true;
                if (!SkipToLineEnd()) return false;
            } else if (!IsLineEnd(current)) {
                if (!SkipToLineEnd()) return false;
            }
        }
    }

    // A run of bytes of one class; the byte that ends it stays current.
    LineResult ReadClassToken(TokenBuffer& token, std::uint8_t cls)
    {
        if (!HasClass(current, cls)) return LineResult::kBadLine;
        const std::size_t first = at_ - 1;
        std::size_t end = at_;
        while (end < size_ && HasClass(bytes_[end], cls)) ++end;
        token.text.append(bytes_ + first, end - first);
        return MoveTo(end);
    }

    LineResult SkipBlanks()
    {
        if (!IsBlank(current)) return LineResult::kLineRead;
        std::size_t end = at_;
        while (end < size_ && IsBlank(bytes_[end])) ++end;
        return MoveTo(end);
    }

    // Everything up to the first line end outside quotes, parentheses and
    // braces; the line end itself is consumed, not kept. A line refused or
    // cut by the end of the file keeps the bytes read, the byte that ended
    // it included unless it is a line end.
    LineResult ReadValue(TokenBuffer& value)
    {
        if (!Next()) return LineResult::kEndOfFile;
        if (SkipBlanks() != LineResult::kLineRead) return LineResult::kEndOfFile;
        const std::size_t first = at_ - 1;
        const LineResult result = FindValueEnd();
        std::size_t end = at_;
        if (result == LineResult::kEndOfFile) end = size_;
        else if (IsLineEnd(current)) end = at_ - 1;
        value.text.append(bytes_ + first, end - first);
        return result;
    }

private:
    bool IsValueStop(std::size_t at) const { return kValueStop[static_cast<unsigned char>(bytes_[at])]; }

    // Makes the byte at `at` current, or reads to the end of the file.
    LineResult MoveTo(std::size_t at)
    {
        if (at >= size_) {
            at_ = size_;
            return LineResult::kEndOfFile;
        }
        current = bytes_[at];
        at_ = at + 1;
        return LineResult::kLineRead;
    }

    // Moves to the line end that ends the value, the current byte first.
    LineResult FindValueEnd()
    {
        UINT codePage = 0;  // asked for at the first byte that may lead a pair
        bool inQuotes = false;
        int braces = 0;
        int parens = 0;
        for (;;) {
            if (!kValueStop[static_cast<unsigned char>(current)]) {
                // Plain bytes up to the next one that matters are passed over
                // whole, four at a time while four are left.
                std::size_t end = at_;
                while (end + 4 <= size_ && !(IsValueStop(end) | IsValueStop(end + 1) | IsValueStop(end + 2) |
                                             IsValueStop(end + 3)))
                    end += 4;
                while (end < size_ && !IsValueStop(end)) ++end;
                if (MoveTo(end) != LineResult::kLineRead) return LineResult::kEndOfFile;
                continue;
            }
            if (IsLineEnd(current) && !inQuotes && braces == 0 && parens == 0) return LineResult::kLineRead;
            // No code page has a lead byte below 0x80.
            if (static_cast<BYTE>(current) >= 0x80) {
                if (codePage == 0) codePage = GetACP();
                if (IsDBCSLeadByteEx(codePage, static_cast<BYTE>(current)) && !Next()) return LineResult::kEndOfFile;
            } else if (current == '"') {
                inQuotes = !inQuotes;
            } else if (current == '(') {
                if (inQuotes) return LineResult::kBadLine;
                ++parens;
            } else if (current == ')') {
                if (inQuotes || parens == 0) return LineResult::kBadLine;
                --parens;
            } else if (current == '{') {
                if (inQuotes || parens > 0) return LineResult::kBadLine;
                ++braces;
            } else if (current == '}') {
                if (inQuotes || parens > 0 || braces == 0) return LineResult::kBadLine;
                --braces;
            } else if (current == '%' && inQuotes) {
                if (!Next()) return LineResult::kEndOfFile;
                if (IsLineEnd(current)) return LineResult::kBadLine;
            }
            if (!Next()) return LineResult::kEndOfFile;
        }
    }

    bool SkipToLineEnd()
    {
        std::size_t end = at_;
        while (end < size_ && !IsLineEnd(bytes_[end])) ++end;
        return MoveTo(end) == LineResult::kLineRead;
    }

    DescriptionReader& reader_;
    const char* bytes_;
    std::size_t size_;
    std::size_t at_;
};

LineResult ReadLineTokens(DescriptionLine& line, DescriptionReader& reader)
{
    LineScanner scan(reader);
    if (!scan.FindNextKeyword()) return LineResult::kEndOfFile;
    if (LineResult result = scan.ReadClassToken(line.keyword, kKeywordChar); result != LineResult::kLineRead)
        return result;
    if (IsLineEnd(scan.current)) return LineResult::kLineRead;
    if (scan.SkipBlanks() != LineResult::kLineRead) return LineResult::kEndOfFile;
    if (scan.current != ':') {
        if (LineResult result = scan.ReadClassToken(line.option, kOptionChar); result != LineResult::kLineRead)
            return result;
        if (scan.SkipBlanks() != LineResult::kLineRead) return LineResult::kEndOfFile;
        if (scan.current != ':') {
            if (LineResult result = scan.ReadClassToken(line.translation, kOptionChar); result != LineResult::kLineRead)
                return result;
            if (scan.SkipBlanks() != LineResult::kLineRead) return LineResult::kEndOfFile;
            if (scan.current != ':') return LineResult::kBadLine;
        }
    }
    return scan.ReadValue(line.value);
}

}  // namespace

LineResult ReadDescriptionLine(DescriptionLine& line, DescriptionReader& reader)
{
    line.keyword.Clear();
    line.option.Clear();
    line.translation.Clear();
    line.value.Clear();
    try {
        return ReadLineTokens(line, reader);
    } catch (const std::bad_alloc&) {
        return LineResult::kOutOfMemory;
    }
}

// ---------------------------------------------------------- dispatch

const DescriptionKeyword DescriptionKeywordTable[kDescriptionKeywordCount + 1] = {
    {"FileVersion", HandleFileVersion},
    {"OpenUI", HandleOpenUi},
    {"CloseUI", HandleCloseUi},
    {"NumericValue", HandleNumericValue},
    {"StringValue", HandleStringValue},
    {"PageValue", HandlePageValue},
    {"PageMMValue", HandlePageMMValue},
    {"SlotPaper", HandleSlotPaper},
    {"OptionCommand", HandleOptionCommand},
    {"CommandGroup", HandleCommandGroup},
    {"DeviceFonts", HandleDeviceFonts},
    {"FontCartridge", HandleFontCartridge},
    {"TTFS", HandleTtfs},
    {"CommandString", HandleCommandString},
    {"Judge", HandleJudge},
    {"Item", HandleItem},
    {"Action", HandleAction},
    {"Transact", HandleTransact},
    {"AlertAction", HandleAlertAction},
    {"Alert", HandleAlert},
    {"Exclusive", HandleExclusive},
    {"UIResDLLName", HandleUiResDllName},
    {"ExcDepDLLName", HandleExcDepDllName},
    {nullptr, nullptr},
};

namespace {

// Lines of the open UI entry: its option lines and its Default line.
bool DispatchOpenEntryLine(CompileState& state, DescriptionLine& line, std::string_view keyword)
{
    if (!state.openKeyword) return false;
    const std::string_view open = *state.openKeyword;
    if (keyword == open) return HandleOptionLine(state, line) == LineAnswer::kLineTaken;
    if (keyword.size() == 7 + open.size() && keyword.starts_with("Default") && keyword.substr(7) == open)
        return HandleDefaultLine(state, line) == LineAnswer::kLineTaken;
    return false;
}

// The keywords of the table as views, measured once.
const std::array<std::string_view, kDescriptionKeywordCount>& KeywordViews()
{
    static const std::array<std::string_view, kDescriptionKeywordCount> views = [] {
        std::array<std::string_view, kDescriptionKeywordCount> measured{};
        for (int row = 0; row < kDescriptionKeywordCount && DescriptionKeywordTable[row].keyword; ++row)
            measured[static_cast<std::size_t>(row)] = DescriptionKeywordTable[row].keyword;
        return measured;
    }();
    return views;
}

const DescriptionKeyword* FindKeywordRow(CompileState& state, std::string_view keyword)
{
    const auto& views = KeywordViews();
    if (state.keywordHint != 0 && keyword == views[static_cast<std::size_t>(state.keywordHint - 1)])
        return &DescriptionKeywordTable[state.keywordHint - 1];
    for (int row = 0; DescriptionKeywordTable[row].keyword; ++row) {
        if (keyword == views[static_cast<std::size_t>(row)]) {
            state.keywordHint = row + 1;
            return &DescriptionKeywordTable[row];
        }
    }
    state.keywordHint = 0;
    return nullptr;
}

}  // namespace

LineResult DispatchDescriptionLine(CompileState& state, DescriptionLine& line)
{
    const std::string_view keyword = line.keyword.View();
    if (DispatchOpenEntryLine(state, line, keyword)) return LineResult::kLineRead;
    const DescriptionKeyword* row = FindKeywordRow(state, keyword);
    if (row && row->handler(state, line) == LineAnswer::kLineTaken) return LineResult::kLineRead;
    return LineResult::kBadLine;
}

namespace {

std::unique_ptr<CompileState> ParseWithReader(DescriptionReader& reader, const DescriptionNames& names)
{
    try {
        auto state = std::make_unique<CompileState>(names);
        DescriptionLine line;
        LineResult result = LineResult::kLineRead;
        do {
            result = ReadDescriptionLine(line, reader);
            if (result == LineResult::kLineRead) result = DispatchDescriptionLine(*state, line);
        } while (result == LineResult::kLineRead || result == LineResult::kBadLine);
        if (result != LineResult::kEndOfFile) return nullptr;
        return state;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace

std::unique_ptr<CompileState> ParseDescriptionFile(LPCWSTR path, const DescriptionNames& names)
{
    std::optional<DescriptionReader> reader = OpenDescriptionReader(path);
    if (!reader) return nullptr;
    std::unique_ptr<CompileState> state = ParseWithReader(*reader, names);
    CloseDescriptionReader(*reader);
    return state;
}

std::unique_ptr<CompileState> ParseDescriptionText(std::string_view text, const DescriptionNames& names)
{
    DescriptionReader reader = TextDescriptionReader(text);
    return ParseWithReader(reader, names);
}

// ---------------------------------------------------------- FileVersion

namespace {

// The raw value text, at most 14 characters and a terminator.
void ConvertFileVersion(const TokenBuffer& value, WCHAR* out)
{
    AnsiToWide(out, value.text.c_str(), 15);
}

}  // namespace

LineAnswer HandleFileVersion(CompileState& state, DescriptionLine& line)
{
    ConvertFileVersion(line.value, state.header.fileVersion);
    return LineAnswer::kLineTaken;
}

namespace {

// Finds the FileVersion line in the reader's text. A line that reaches the
// end of a text that is only the head of the file may be cut, so it counts
// only when the reader holds the whole file.
bool FindFileVersion(DescriptionReader& reader, bool wholeFile, WCHAR out[16])
{
    DescriptionLine line;
    LineResult result = LineResult::kLineRead;
    while ((result = ReadDescriptionLine(line, reader)) == LineResult::kLineRead || result == LineResult::kBadLine) {
        if (result == LineResult::kLineRead && line.keyword.View() == "FileVersion") {
            if (!wholeFile && reader.cursor >= reader.size) return false;
            ConvertFileVersion(line.value, out);
            return true;
        }
    }
    return wholeFile;
}

// The first bytes of an open file, read from its start into `head`, where
// the FileVersion line stands; none when the file cannot be read.
DWORD ReadFileHead(HANDLE file, char* head, DWORD limit, bool* wholeFile)
{
    *wholeFile = false;
    if (file == INVALID_HANDLE_VALUE) return 0;
    DWORD read = 0;
    if (!ReadFile(file, head, limit, &read, nullptr)) read = 0;
    *wholeFile = read > 0 && read < limit;
    return read;
}

}  // namespace

int ProbeFileVersion(LPCWSTR path, WCHAR out[16])
{
    HANDLE file =
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const int answer = ProbeOpenFileVersion(file, path, out);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return answer;
}

int ProbeOpenFileVersion(HANDLE file, LPCWSTR path, WCHAR out[16])
{
    std::memset(out, 0, 16 * sizeof(WCHAR));
    constexpr DWORD kHeadBytes = 4096;
    bool wholeFile = false;
    char head[kHeadBytes];
    const DWORD read = ReadFileHead(file, head, kHeadBytes, &wholeFile);
    if (read > 0) {
        DescriptionReader reader = TextDescriptionReader(std::string_view(head, read));
        if (FindFileVersion(reader, wholeFile, out)) return 1;
        std::memset(out, 0, 16 * sizeof(WCHAR));
    }
    std::optional<DescriptionReader> reader = OpenDescriptionReader(path);
    if (!reader) return 1;
    FindFileVersion(*reader, true, out);
    CloseDescriptionReader(*reader);
    return 1;
}

// ---------------------------------------------------------- value scanners

std::int32_t ParseDecimal(std::string_view text, std::size_t* taken)
{
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    std::uint32_t value = 0;
    const std::size_t firstDigit = i;
    while (i < text.size() && IsDigit(text[i])) {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
        ++i;
    }
    if (i == firstDigit) i = 0;  // no digits: nothing taken
    if (taken) *taken = i;
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

std::int32_t ParseLooseNumber(std::string_view text)
{
    std::uint32_t value = 0;
    bool negative = false;
    for (char c : text) {
        if (c == '\0' || IsBlank(c) || c == '=') break;
        if (IsDigit(c))
            value = value * 10u + static_cast<std::uint32_t>(c - '0');
        else if (c == '-')
            negative = true;
    }
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

void SkipBlanksAndLineEnds(TokenBuffer& value)
{
    while (!value.AtEnd() && (IsBlank(value.Current()) || IsLineEnd(value.Current()))) ++value.cursor;
}

std::int32_t NextNumber(TokenBuffer& value, char* stop)
{
    SkipBlanksAndLineEnds(value);
    if (value.AtEnd()) {
        *stop = 0;
        return 0;
    }
    std::size_t taken = 0;
    const std::int32_t number = ParseDecimal(value.Rest(), &taken);
    value.cursor += taken;
    *stop = value.Current();
    return number;
}

std::optional<std::string_view> NextWord(TokenBuffer& value, char* stop)
{
    SkipBlanksAndLineEnds(value);
    if (value.AtEnd()) {
        *stop = 0;
        return std::nullopt;
    }
    if (value.Current() == '*') ++value.cursor;
    const std::size_t start = value.cursor;
    while (!value.AtEnd() && !HasClass(value.Current(), kWordSeparator | kBlank | kLineEnd)) ++value.cursor;
    const std::string_view word(value.text.data() + start, value.cursor - start);
    *stop = value.Current();
    if (!value.AtEnd()) {
        value.text[value.cursor] = '\0';
        ++value.cursor;
    }
    return word;
}

namespace {

// Bytes that end a run of plain bytes in quoted text.
bool IsQuotedTextMark(char c)
{
    return c == '"' || c == '%' || c == '<' || IsLineEnd(c);
}

}  // namespace

DecodedText DecodeQuotedText(std::string_view text)
{
    DecodedText out;
    text = text.substr(0, text.find('\0'));
    const std::size_t end = text.size();
    std::size_t i = text.substr(0, end).find('"');
    i = (i == std::string_view::npos) ? 0 : i + 1;
    bool hexMode = false;
    out.bytes.reserve(end - std::min(i, end));
    while (i < end) {
        const char c = text[i];
        if (c == '"') {
            ++i;
            break;
        }
        if (hexMode) {
            if (c == '>') {
                hexMode = false;
            } else if (i + 1 < end && HexDigitValue(c) >= 0 && HexDigitValue(text[i + 1]) >= 0) {
                out.bytes.push_back(static_cast<char>(HexDigitValue(c) * 16 + HexDigitValue(text[i + 1])));
                ++i;
            }
            ++i;
            continue;
        }
        if (IsLineEnd(c)) {
            ++i;
        } else if (c == '%') {
            if (i + 1 < end) out.bytes.push_back(text[i + 1]);  // a '%' at the end escapes nothing
            i += 2;
        } else if (c == '<') {
            hexMode = true;
            ++i;
        } else {
            // A run of plain bytes is taken whole.
            std::size_t run = i + 1;
            while (run < end && !IsQuotedTextMark(text[run])) ++run;
            out.bytes.append(text.data() + i, run - i);
            i = run;
        }
    }
    out.used = std::min(i, end);
    out.stop = out.used < end ? text[out.used] : '\0';
    out.decoded = !out.bytes.empty();
    return out;
}

std::optional<std::string> TakeQuotedBytes(TokenBuffer& value, char* stop)
{
    DecodedText decoded = DecodeQuotedText(value.Rest());
    value.cursor += decoded.used;
    if (stop) *stop = decoded.stop;
    if (!decoded.decoded) return std::nullopt;
    return std::move(decoded.bytes);
}

std::optional<std::u16string> TakeQuotedWide(TokenBuffer& value, char* stop)
{
    std::optional<std::string> bytes = TakeQuotedBytes(value, stop);
    if (!bytes) return std::nullopt;
    std::u16string wide(bytes->size() + 1, u'\0');
    AnsiToWide(wide.data(), bytes->c_str(), static_cast<int>(wide.size()));
    wide.resize(std::char_traits<char16_t>::length(wide.c_str()));
    return wide;
}

bool SkipPastChar(TokenBuffer& value, char c)
{
    while (!value.AtEnd()) {
        if (value.Current() == c) {
            ++value.cursor;
            return true;
        }
        ++value.cursor;
    }
    return false;
}

std::uint32_t LookupWordValue(const WordValue* table, std::string_view word)
{
    for (; table->word; ++table) {
        if (word == table->word) return table->value;
    }
    return table->value;
}

std::uint32_t ParseBooleanWord(std::string_view word)
{
    static constexpr WordValue BooleanWords[] = {{"True", 1}, {"False", 0}, {nullptr, 0}};
    return LookupWordValue(BooleanWords, word);
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace vexl::model
