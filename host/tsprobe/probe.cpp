// The terminal-server probe. Its one export answers whether the machine runs
// terminal services, as the scenario file C:\standin\TZ00C150.ini says:
//
//   [Probe]
//   Answer=1
//
// (0 when the file or the key is missing). Every call appends a line to
// C:\standin\TZ00C150.log.
#include "platform/machine.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr char16_t kScenarioFile[] = u"C:\\standin\\TZ00C150.ini";
constexpr char16_t kLogFile[] = u"C:\\standin\\TZ00C150.log";

std::string Trim(const std::string& text)
{
    const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
    const auto first = std::find_if_not(text.begin(), text.end(), isSpace);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isSpace).base();
    return first < last ? std::string(first, last) : std::string();
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    return std::ranges::equal(a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

// The value of Answer= in section [Probe]; 0 when there is none.
int ReadAnswer()
{
    std::ifstream in(vexl::machine::HostPath(kScenarioFile));
    std::string line;
    bool inProbe = false;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.starts_with('[')) {
            inProbe = EqualNoCase(line, "[Probe]");
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inProbe && equals != std::string::npos && EqualNoCase(Trim(line.substr(0, equals)), "Answer"))
            return static_cast<int>(std::strtol(Trim(line.substr(equals + 1)).c_str(), nullptr, 0));
    }
    return 0;
}

void LogCall(int answer)
{
    const std::filesystem::path log = vexl::machine::HostPath(kLogFile);
    if (log.empty()) return;
    std::error_code ignored;
    std::filesystem::create_directories(log.parent_path(), ignored);
    std::ofstream(log, std::ios::app) << "_IsTSE_WMICOM_VEXL_Printer_Driver " << answer << "\n";
}

}  // namespace

// The export's name begins with an underscore and a capital, which C++
// keeps for itself, so the function takes it by an assembler label.
extern "C" __attribute__((visibility("default"))) int IsTerminalServerProbe() asm("_IsTSE_WMICOM_VEXL_Printer_Driver");

int IsTerminalServerProbe()
{
    try {
        const int answer = ReadAnswer();
        LogCall(answer);
        return answer;
    } catch (...) {
        return 0;
    }
}
