// What every stand-in library shares: its scenario file in the machine (an
// INI text with one section per printer or plug-in) and its call log.
#pragma once

#include "platform/types.h"

#include <map>
#include <string>
#include <string_view>

namespace vexl::standin {

// The keys of one section, their names in lower case.
using Section = std::map<std::string, std::string>;

// The section of the scenario file named without regard to case; empty when
// the file or the section is missing.
Section ReadScenarioSection(std::u16string_view scenarioFile, const std::string& name);

// The number of a key (decimal or 0x hex), or the fallback when it is missing.
long ScenarioNumber(const Section& section, const std::string& key, long fallback);

// Appends one line to the log file, creating its folder.
void AppendLog(std::u16string_view logFile, const std::string& line);

std::string Trim(const std::string& text);
std::string Lower(std::string text);

// Texts of the basic plane between UTF-16 and UTF-8; a null text is empty.
std::string ToUtf8(std::u16string_view text);
std::string ToUtf8(const WCHAR* text);
std::u16string ToUtf16(const std::string& text);

}  // namespace vexl::standin
