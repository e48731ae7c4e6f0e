// A stand-in library for the module tests. Its entry point appends
// "attach <module>" or "detach <module>" to C:\standin\entrylog.log, and
// refuses the attach while C:\standin\entrylog.refuse exists.
#include "platform/machine.h"
#include "platform/types.h"

#include <filesystem>
#include <fstream>

VEXL_API BOOL DllMain(HINSTANCE module, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    const char* event = reason == 1 ? "attach" : reason == 0 ? "detach" : "thread";
    std::ofstream(vexl::machine::HostPath(u"C:\\standin\\entrylog.log"), std::ios::app)
        << event << " " << static_cast<const void*>(module) << "\n";
    std::error_code ignored;
    const bool refuse = std::filesystem::exists(vexl::machine::HostPath(u"C:\\standin\\entrylog.refuse"), ignored);
    return reason == 1 && refuse ? FALSE : TRUE;
}
