// DevQueryPrintEx of the printer interface library, called through its
// export as the spooler checks a job before it prints: the job's DEVMODE is
// a block of exactly the size its header declares (the header alone when
// it declares less), merged into a context of the printer and matched
// against the spooler's forms; the error text buffer is exactly the
// characters the spooler states.
//
// Input: a byte of error-text characters, then the job DEVMODE's bytes.
#include "fuzz_support.h"

#include "platform/machine.h"
#include "platform/printui.h"
#include "support/integration_fixture.h"

#include <memory>

using namespace vexl;

namespace {

using DevQueryPrint = BOOL (*)(DEVQUERYPRINT_INFO*);

struct JobCheck {
    DevQueryPrint check = nullptr;
    HANDLE printer = nullptr;
};

const JobCheck& Check()
{
    static const JobCheck job = [] {
        fuzz::InstallPackagePrinter();
        machine::AddForm(u"Letter", SIZEL{215900, 279400});
        machine::AddForm(u"A4", SIZEL{210000, 297000});
        machine::AddForm(u"A form whose name is far longer than the field", SIZEL{100000, 100000});
        HMODULE library = fuzz::KeepDriverLibrary(u"TZ16E130.DLL", VEXL_TZ16E130_FILE);
        return JobCheck{fuzz::FindExport<DevQueryPrint>(library, "DevQueryPrintEx"), test::OpenDriverPrinter()};
    }();
    return job;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    const JobCheck& job = Check();
    if (job.check == nullptr || job.printer == nullptr) return 0;
    fuzz::InputReader input(data, size);
    const DWORD errorChars = input.Byte();
    fuzz::CallerBlock devmode = fuzz::DeclaredDevmode(input.Rest());
    auto error = std::make_unique<WCHAR[]>(errorChars);
    DEVQUERYPRINT_INFO info{sizeof(DEVQUERYPRINT_INFO), 1, job.printer, devmode.devmode(), error.get(), errorChars, 0};
    job.check(&info);
    return 0;
}
