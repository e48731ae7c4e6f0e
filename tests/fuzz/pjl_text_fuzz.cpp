// Job texts through an exclusive handle of the package's printer: the input
// up to its first NUL is the base text, each further NUL-separated piece an
// update line. Whatever the text, a kept base and a change text consist of
// well-formed lines only, and every answer is one the interface defines.
#include "fuzz_support.h"

#include "api/exclusive.h"
#include "api/pjl_lines.h"
#include "api/pjl_session.h"
#include "common/model/pjl_table.h"
#include "support/integration_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace vexl;
using namespace vexl::api;

namespace {

[[noreturn]] void Fail(const char* what, const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", what, text.c_str());
    std::abort();
}

// Every line of the text reads back, up to its end.
void CheckLines(const char* what, const std::optional<std::string>& text)
{
    if (!text) return;
    std::string_view rest = *text;
    for (std::ptrdiff_t used; (used = ParsePjlSetLine(rest, nullptr)) != 0;) {
        if (used < 0) Fail(what, *text);
        rest.remove_prefix(static_cast<std::size_t>(used));
    }
}

void*& SessionHandle()
{
    static void* handle = nullptr;
    return handle;
}

// One handle for the process, freed before the machine goes.
ExclusiveSession& Session()
{
    static ExclusiveSession* session = [] {
        test::InstallDriverPrinter();
        SessionHandle() = OpenExclusiveSession("Office [2nd floor]");
        std::atexit([] { CloseExclusiveSession(SessionHandle()); });
        return FindExclusiveSession(SessionHandle());
    }();
    if (!session) std::abort();
    return *session;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    ExclusiveSession& session = Session();
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t at = input.find('\0');
    const std::string base = input.substr(0, at);
    const int result = SetPjlCommandBase(session, base.c_str());
    if (result < -2 || result > 1) Fail("base answered outside the interface", base);
    if (result >= 0) {
        // The rebuilt base is the system's own text; the change text too.
        CheckLines("rebuilt base is malformed", session.baseText);
        CheckLines("change text is malformed", session.changeText);
    }
    while (at != std::string::npos) {
        const std::size_t next = input.find('\0', at + 1);
        const std::string line = input.substr(at + 1, next == std::string::npos ? next : next - at - 1);
        at = next;
        const int updated = UpdatePjlCommand(session, line.c_str());
        if (updated < -1 || updated > 1) Fail("update answered outside the interface", line);
        if (updated == 1 && !session.changeText) Fail("update answered 1 without a change text", line);
        CheckLines("rebuilt base is malformed", session.baseText);
        CheckLines("change text is malformed", session.changeText);
    }
    return 0;
}
