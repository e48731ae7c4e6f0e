#include "record_file.h"

#include <cerrno>
#include <charconv>

namespace vexl::platform {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool NeedsEscape(unsigned char c)
{
    return c < 0x20 || c == 0x7F || c == '%';
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string EscapeField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (char c : field) {
        const auto byte = static_cast<unsigned char>(c);
        if (NeedsEscape(byte)) {
            out += '%';
            out += kHexDigits[byte >> 4];
            out += kHexDigits[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out;
}

// A '%' that is not followed by two hex digits is kept as it stands.
std::string UnescapeField(std::string_view field)
{
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '%' && i + 2 < field.size()) {
            const int high = HexValue(field[i + 1]);
            const int low = HexValue(field[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

}  // namespace

std::string FormatRecord(const RecordFields& fields)
{
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += '\t';
        line += EscapeField(fields[i]);
    }
    line += '\n';
    return line;
}

std::vector<RecordFields> ParseRecords(std::string_view text)
{
    std::vector<RecordFields> records;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;

        RecordFields fields;
        std::size_t fieldStart = 0;
        while (true) {
            const std::size_t tab = line.find('\t', fieldStart);
            fields.push_back(UnescapeField(
                line.substr(fieldStart, tab == std::string_view::npos ? std::string_view::npos : tab - fieldStart)));
            if (tab == std::string_view::npos) break;
            fieldStart = tab + 1;
        }
        records.push_back(std::move(fields));
    }
    return records;
}

std::string ToHex(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += kHexDigits[byte >> 4];
        out += kHexDigits[byte & 0xF];
    }
    return out;
}

std::optional<std::string> FromHex(std::string_view hex)
{
    if (hex.size() % 2 != 0) return std::nullopt;
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexValue(hex[i]);
        const int low = HexValue(hex[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

std::optional<DWORD> ParseNumber(std::string_view text)
{
    DWORD value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

DWORD ErrorOfStoreFailure(int error)
{
    if (error == ENOSPC) return ERROR_DISK_FULL;
    if (error == EACCES || error == EPERM || error == EROFS) return ERROR_ACCESS_DENIED;
    return ERROR_WRITE_FAULT;
}

}  // namespace vexl::platform
