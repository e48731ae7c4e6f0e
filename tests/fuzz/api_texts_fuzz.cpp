// Texts an application hands to the settings interface: user identifiers,
// file names and overlay paths. The first byte picks the code page (odd:
// the double-byte page 932), the rest is the text; every validator runs on
// it, so a lead byte at the end or a text of trail bytes is read within
// the text only.
#include "fuzz_support.h"

#include "api/validators.h"
#include "platform/machine.h"

#include <string>

using namespace vexl;

namespace {

void UseCodePage(UINT codePage)
{
    static UINT current = 0;
    if (current == codePage) return;
    machine::Profile profile = machine::LoadProfile();
    profile.ansiCodePage = codePage;
    machine::SaveProfile(profile);
    current = codePage;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    fuzz::InputReader input(data, size);
    UseCodePage((input.Byte() & 1) != 0 ? 932 : 1252);
    const std::string text(input.Rest());
    const char* p = text.c_str();
    api::IsAsciiAlphanumeric(p);
    api::HasNoForbiddenChars(p, FALSE);
    api::IsValidFileNameText(p);
    api::IsValidPathText(p);
    api::IsOverlayFilePath(p);
    api::ContainsAnsiChar(p, '\\');
    const char* base = api::FindBaseNameAnsi(p);
    std::int32_t length = 0;
    const char* extension = api::FindExtensionAnsi(p, &length);
    if (base < p || base > p + text.size()) __builtin_trap();
    if (extension < p || extension + length > p + text.size()) __builtin_trap();
    return 0;
}
