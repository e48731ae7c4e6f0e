// The terminal-server probe. Its one export answers whether the machine runs
// terminal services, as the scenario file C:\standin\TZ00C150.ini says:
//
//   [Probe]
//   Answer=1
//
// (0 when the file or the key is missing). Every call appends a line to
// C:\standin\TZ00C150.log.
#include "scenario.h"

#include <string>

namespace {

using namespace vexl::standin;

constexpr char16_t kScenarioFile[] = u"C:\\standin\\TZ00C150.ini";
constexpr char16_t kLogFile[] = u"C:\\standin\\TZ00C150.log";

// The value of Answer= in section [Probe]; 0 when there is none.
int ReadAnswer()
{
    return static_cast<int>(ScenarioNumber(ReadScenarioSection(kScenarioFile, "Probe"), "Answer", 0));
}

void LogCall(int answer)
{
    AppendLog(kLogFile, "_IsTSE_WMICOM_VEXL_Printer_Driver " + std::to_string(answer));
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
