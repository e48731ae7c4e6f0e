// VEXLDrvGetDevmode and VEXLDrvGetDevmodeEx of the settings library, called
// through their exports as an application calls them: a request of any
// flags, and for the Ex call a hostile caller DEVMODE in a block of exactly
// the size its header declares (the header alone when it declares less).
// The DEVMODE handed out goes into a block of exactly the interface's
// DEVMODE size.
//
// Input: a byte of flags, a byte of call (bit 0: the Ex call, bit 1: no
// output block), then the caller DEVMODE's bytes.
#include "api_library.h"

using namespace vexl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzz::ApiExports& library = fuzz::SettingsLibrary();
    if (library.instance == nullptr || library.getDevmode == nullptr || library.getDevmodeEx == nullptr) return 0;
    fuzz::InputReader input(data, size);
    const std::uint32_t flags = input.Byte();
    const std::uint8_t call = input.Byte();
    fuzz::CallerBlock caller = fuzz::DeclaredDevmode(input.Rest());
    fuzz::CallerBlock out({}, VEXLDRV_DEVMODE_BYTES);
    void* handedOut = (call & 2) ? nullptr : out.data();
    if (call & 1)
        library.getDevmodeEx(library.instance, flags, handedOut, caller.data(), 0);
    else
        library.getDevmode(library.instance, flags, handedOut);
    return 0;
}
