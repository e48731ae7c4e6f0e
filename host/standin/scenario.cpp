#include "scenario.h"

#include "platform/machine.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vexl::standin {

Section ReadScenarioSection(std::u16string_view scenarioFile, const std::string& name)
{
    std::ifstream in(machine::HostPath(scenarioFile));
    Section section;
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.starts_with('[')) {
            inSection = Lower(line) == Lower("[" + name + "]");
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inSection && equals != std::string::npos)
            section[Lower(Trim(line.substr(0, equals)))] = Trim(line.substr(equals + 1));
    }
    return section;
}

long ScenarioNumber(const Section& section, const std::string& key, long fallback)
{
    const auto it = section.find(Lower(key));
    return it == section.end() ? fallback : std::strtol(it->second.c_str(), nullptr, 0);
}

void AppendLog(std::u16string_view logFile, const std::string& line)
{
    const std::filesystem::path log = machine::HostPath(logFile);
    if (log.empty()) return;
    std::error_code ignored;
    std::filesystem::create_directories(log.parent_path(), ignored);
    std::ofstream(log, std::ios::app) << line << "\n";
}

std::string Trim(const std::string& text)
{
    const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
    const auto first = std::find_if_not(text.begin(), text.end(), isSpace);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isSpace).base();
    return first < last ? std::string(first, last) : std::string();
}

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string ToUtf8(std::u16string_view text)
{
    std::string out;
    for (const char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string ToUtf8(const WCHAR* text)
{
    return text ? ToUtf8(std::u16string_view(text)) : std::string();
}

std::u16string ToUtf16(const std::string& text)
{
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out += c;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
            out += static_cast<char16_t>(((c & 0x1F) << 6) | (text[++i] & 0x3F));
        } else if (i + 2 < text.size()) {
            const auto second = static_cast<char16_t>(text[++i] & 0x3F);
            out += static_cast<char16_t>(((c & 0x0F) << 12) | (second << 6) | (text[++i] & 0x3F));
        }
    }
    return out;
}

}  // namespace vexl::standin
