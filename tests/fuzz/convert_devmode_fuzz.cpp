// DrvConvertDevMode of the printer interface library, called through its
// export as the spooler calls it: a DEVMODE of another version converted
// (CDM_CONVERT, with the printer's settings upgraded by it) or laid out for
// the oldest spooler (CDM_CONVERT351). The input DEVMODE is a block of
// exactly the size its header declares; the target is a block of exactly
// the size the caller states in *size, its header (for CDM_CONVERT the
// layout asked) taken from the input too.
//
// Input: a byte of mode, the stated target size (16 bits), the length of the
// input DEVMODE's bytes (16 bits), its bytes, then the target's bytes.
#include "fuzz_support.h"

#include "platform/printui.h"
#include "support/integration_fixture.h"

#include <algorithm>

using namespace vexl;

namespace {

using ConvertDevMode = BOOL (*)(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD);

// The library's export, after the printer was set up as the spooler sets up
// a new one (its driver default asked), so that a conversion has installed
// settings to upgrade.
ConvertDevMode Convert()
{
    static const ConvertDevMode convert = [] {
        fuzz::InstallPackagePrinter();
        const auto found = fuzz::FindExport<ConvertDevMode>(
            fuzz::KeepDriverLibrary(u"TZ16E130.DLL", VEXL_TZ16E130_FILE), "DrvConvertDevMode");
        if (found == nullptr) return found;
        std::u16string name = test::kPrinterName;
        LONG size = 0;
        found(name.data(), nullptr, nullptr, &size, CDM_DRIVER_DEFAULT);
        fuzz::CallerBlock devmode({}, static_cast<std::size_t>(std::max<LONG>(size, 0)));
        found(name.data(), nullptr, devmode.devmode(), &size, CDM_DRIVER_DEFAULT);
        return found;
    }();
    return convert;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    const ConvertDevMode convert = Convert();
    if (convert == nullptr) return 0;
    fuzz::InputReader input(data, size);
    const DWORD mode = (input.Byte() & 1) ? CDM_CONVERT351 : CDM_CONVERT;
    const std::size_t stated = input.Le16();
    const std::size_t inLength = input.Le16();
    fuzz::CallerBlock in = fuzz::DeclaredDevmode(input.Bytes(inLength));
    fuzz::CallerBlock out(input.Rest(), stated);

    std::u16string name = test::kPrinterName;
    LONG outSize = static_cast<LONG>(stated);
    convert(name.data(), in.devmode(), out.devmode(), &outSize, mode);
    return 0;
}
