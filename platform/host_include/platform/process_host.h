// The host face of process.h: the log of the processes launched. For tests, host/ and the tools; the
// libraries never see it.
#pragma once

#include "platform/process.h"

#include <string>
#include <vector>

VEXL_HOST_FACE_BEGIN
namespace vexl::machine {

// One CreateProcessW call that found its program.
struct ProcessLaunch {
    std::u16string application;
    std::u16string commandLine;
    std::u16string currentDirectory;
    DWORD startupFlags = 0;
    WORD showWindow = 0;
};

// In recording mode CreateProcessW starts nothing. The launch log of this
// process is kept in both modes.
void RecordProcessLaunches(bool on);
std::vector<ProcessLaunch> ProcessLaunches();
void ClearProcessLaunches();

}  // namespace vexl::machine
VEXL_HOST_FACE_END
