// An install answer file as an administrator or a deployment tool leaves it
// in the system directory: every identity, authentication, folder and spool
// key of a printer's section applied to a context of the package's model.
// Nothing may be read or written past a buffer, whatever the values' lengths,
// characters or macros, and every key applied must be gone afterwards.
#include "fuzz_support.h"

#include "platform/inifile.h"
#include "platform/machine.h"
#include "support/model_context.h"
#include "ui/install/answer_file.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace vexl;

namespace {

constexpr const WCHAR* kAnswerFile = u"C:\\WINDOWS\\system32\\VEXL.ini";
constexpr const WCHAR* kSection = u"P";
constexpr const WCHAR* kAppliedKeys[] = {u"SetUserCode",
                                         u"SetUserID",
                                         u"SetOwnerID",
                                         u"SetAuthenticationNetworkKey",
                                         u"SetAuthenticationSecureMode",
                                         u"SetAuthenticationUserName",
                                         u"SetAuthenticationMode",
                                         u"VEXLDirectory",
                                         u"VEXLDirectoryClient",
                                         u"SpoolDirectory",
                                         u"SpoolDirectoryAll"};

void RequireGone(const WCHAR* key)
{
    WCHAR value[8] = {};
    GetPrivateProfileStringW(kSection, key, u"*", value, 8, kAnswerFile);
    if (value[0] != u'*' || value[1] != 0) {
        std::fprintf(stderr, "an applied key stayed in the answer file\n");
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    machine::WriteFile(u"C:\\data\\.keep", "");
    machine::WriteFile(kAnswerFile, std::string_view(reinterpret_cast<const char*>(data), size));
    test::ModelContext model;
    DriverContext* context = model.get();
    ui::IsAnswerSectionEmpty(kAnswerFile, kSection);
    ui::ApplyAnswerUserCode(kAnswerFile, kSection, context);
    ui::ApplyAnswerIdentity(kAnswerFile, kSection, context);
    ui::ApplyDirectorySettings(nullptr, kSection, kAnswerFile);
    ui::ApplySpoolDirectory(kAnswerFile, kSection, context);
    for (const WCHAR* key : kAppliedKeys) RequireGone(key);
    return 0;
}
