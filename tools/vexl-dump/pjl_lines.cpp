// The PJL lines that the driver writes itself inside the command-group text:
// "@PJL SET NAME = VALUE", a blank, CR and LF. The rest of the text comes from
// the model description as arbitrary bytes and is not checked.
#include <cctype>
#include <string_view>

#include "decoder.h"

namespace vexl::dump {
namespace {

constexpr std::string_view kSetPrefix = "@PJL SET ";

bool IsDecimal(std::string_view text)
{
    if (text.empty()) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

bool IsQuoted(std::string_view value)
{
    return value.size() >= 2 && value.front() == '"' && value.back() == '"' &&
           value.substr(1, value.size() - 2).find('"') == std::string_view::npos;
}

// "id+name/id+name", or empty for a list without fonts.
bool IsDeviceFontList(std::string_view list)
{
    while (!list.empty()) {
        const auto slash = list.find('/');
        const auto item = list.substr(0, slash);
        const auto plus = item.find('+');
        if (plus == std::string_view::npos || !IsDecimal(item.substr(0, plus))) return false;
        if (slash == std::string_view::npos) break;
        list.remove_prefix(slash + 1);
        if (list.empty()) return false;
    }
    return true;
}

// "face+device/face+device".
bool IsSubstitutionList(std::string_view list)
{
    while (true) {
        const auto slash = list.find('/');
        if (list.substr(0, slash).find('+') == std::string_view::npos) return false;
        if (slash == std::string_view::npos) return true;
        list.remove_prefix(slash + 1);
    }
}

bool IsDateValue(std::string_view value)
{
    if (value.size() != 12 || !IsQuoted(value)) return false;
    const auto date = value.substr(1, 10);
    return IsDecimal(date.substr(0, 4)) && date[4] == '/' && IsDecimal(date.substr(5, 2)) && date[7] == '/' &&
           IsDecimal(date.substr(8, 2));
}

// A chapter line name: one of the stems with a decimal number from 1 behind it.
bool SplitChapterName(std::string_view name, std::string_view& stem)
{
    static constexpr std::string_view kStems[] = {
        "CHAPTERPRINTTRAY", "CHAPTERPRINTDUPLEX", "CHAPTERPAGENUMBER", "CHAPTERPAGESTART",
        "CHAPTERPAGEEND",   "CHAPTERPAGETRAY",    "CHAPTERPAGE",
    };
    for (const auto candidate : kStems) {
        if (name.size() > candidate.size() && name.substr(0, candidate.size()) == candidate) {
            const auto number = name.substr(candidate.size());
            if (IsDecimal(number) && number.front() != '0') {
                stem = candidate;
                return true;
            }
        }
    }
    return false;
}

bool IsGeneratedName(std::string_view name)
{
    std::string_view stem;
    return name == "DATE" || name == "VEXLDRIVERNAME" || name == "DEVFONTID" || name == "SUBFONTTABLE" ||
           SplitChapterName(name, stem);
}

// Whether the value fits the line's name; the empty string when it does,
// else what is wrong.
std::string CheckValue(std::string_view name, std::string_view value)
{
    if (name == "DATE") return IsDateValue(value) ? "" : "DATE value not \"YYYY/MM/DD\"";
    if (name == "VEXLDRIVERNAME") return IsQuoted(value) ? "" : "VEXLDRIVERNAME value not quoted";
    if (name == "DEVFONTID") {
        if (!IsQuoted(value)) return "DEVFONTID value not quoted";
        return IsDeviceFontList(value.substr(1, value.size() - 2)) ? "" : "DEVFONTID value not id+name/...";
    }
    if (name == "SUBFONTTABLE") {
        if (!IsQuoted(value)) return "SUBFONTTABLE value not quoted";
        return IsSubstitutionList(value.substr(1, value.size() - 2)) ? "" : "SUBFONTTABLE value not face+device/...";
    }
    std::string_view stem;
    SplitChapterName(name, stem);
    if (stem == "CHAPTERPRINTDUPLEX") return value == "ON" || value == "OFF" ? "" : "duplex value not ON or OFF";
    if (stem == "CHAPTERPAGENUMBER" || stem == "CHAPTERPAGESTART" || stem == "CHAPTERPAGEEND")
        return IsDecimal(value) ? "" : "page value not a decimal number";
    if (stem == "CHAPTERPAGETRAY") {
        std::string_view trayStem;
        return SplitChapterName(value, trayStem) && trayStem == "CHAPTERPRINTTRAY" ? ""
                                                                                   : "tray value not CHAPTERPRINTTRAYn";
    }
    if (stem == "CHAPTERPAGE")
        return value == "COPY" || value == "BLANK" || value == "BREAK" ? "" : "page kind not COPY, BLANK or BREAK";
    return "";
}

}  // namespace

void CheckGeneratedPjlLines(std::span<const std::uint8_t> payload, std::uint64_t base)
{
    const std::string_view text(reinterpret_cast<const char*>(payload.data()), payload.size());
    std::size_t at = 0;
    while ((at = text.find(kSetPrefix, at)) != std::string_view::npos) {
        const std::size_t nameStart = at + kSetPrefix.size();
        std::size_t nameEnd = nameStart;
        while (nameEnd < text.size() && (std::isupper(static_cast<unsigned char>(text[nameEnd])) ||
                                         std::isdigit(static_cast<unsigned char>(text[nameEnd]))))
            ++nameEnd;
        const auto name = text.substr(nameStart, nameEnd - nameStart);
        const std::size_t lineAt = at;
        at = nameEnd;
        if (!IsGeneratedName(name)) continue;
        const std::string what = "line @PJL SET " + std::string(name);
        if (text.substr(nameEnd, 3) != " = ")
            Fail(base + nameEnd, Rule::PjlLine, what + ": the name is not followed by \" = \"");
        const std::size_t valueStart = nameEnd + 3;
        const std::size_t lineEnd = text.find("\r\n", valueStart);
        const std::size_t bare = text.find_first_of("\r\n", valueStart);
        if (lineEnd == std::string_view::npos || bare != lineEnd)
            Fail(base + lineAt, Rule::PjlLine, what + ": not ended by CR LF");
        if (lineEnd == valueStart || text[lineEnd - 1] != ' ')
            Fail(base + lineEnd, Rule::PjlLine, what + ": no blank before CR LF");
        const auto value = text.substr(valueStart, lineEnd - 1 - valueStart);
        if (const std::string wrong = CheckValue(name, value); !wrong.empty())
            Fail(base + valueStart, Rule::PjlLine, what + ": " + wrong);
        at = lineEnd + 2;
    }
}

}  // namespace vexl::dump
