// The capabilities of the printer interface library in both passes, with a
// caller's DEVMODE: through its export DrvDeviceCapabilities and through
// the spooler's DeviceCapabilitiesW, which loads the library as an
// application's call does. The first pass asks the count; the second hands
// in a block of exactly the count's elements (none for an index that
// answers without a list, one POINTS for the extents, whose answer is the
// packed extent), so a write past the list is caught. The DEVMODE
// is a block of exactly the size its header declares.
//
// Input: a byte of index, a byte of road (bit 0: the spooler's call, bit 1:
// no DEVMODE), then the DEVMODE's bytes.
#include "fuzz_support.h"

#include "platform/printui.h"
#include "platform/spooler_driver.h"
#include "support/integration_fixture.h"

#include <algorithm>

using namespace vexl;

namespace {

using DeviceCapabilities = DWORD (*)(HANDLE, PWSTR, WORD, PVOID, DEVMODEW*);

constexpr DWORD kUnsupported = 0xFFFFFFFF;
constexpr DWORD kMostElements = 4096;

struct Capabilities {
    DeviceCapabilities ask = nullptr;
    HANDLE printer = nullptr;
};

const Capabilities& Library()
{
    static const Capabilities library = [] {
        fuzz::InstallPackagePrinter();
        HMODULE module = fuzz::KeepDriverLibrary(u"TZ16E130.DLL", VEXL_TZ16E130_FILE);
        return Capabilities{fuzz::FindExport<DeviceCapabilities>(module, "DrvDeviceCapabilities"),
                            test::OpenDriverPrinter()};
    }();
    return library;
}

// Bytes of one element of an index's list; 0 for an index without a list.
std::size_t ElementBytes(WORD index)
{
    switch (index) {
    case DC_PAPERS:
    case DC_BINS:
        return sizeof(WORD);
    case DC_PAPERSIZE:
    case DC_ENUMRESOLUTIONS:
        return 2 * sizeof(LONG);
    case DC_BINNAMES:
        return CCH_BINNAME * sizeof(WCHAR);
    case DC_PAPERNAMES:
    case DC_MEDIAREADY:
    case DC_FILEDEPENDENCIES:
        return CCH_PAPERNAME * sizeof(WCHAR);
    case DC_PERSONALITY:
        return CCH_PERSONALITY * sizeof(WCHAR);
    case DC_NUP:
        return sizeof(DWORD);
    case DC_MINEXTENT:
    case DC_MAXEXTENT:
        return sizeof(POINTS);  // one, beside the packed answer
    default:
        return 0;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    const Capabilities& library = Library();
    if (library.ask == nullptr || library.printer == nullptr) return 0;
    fuzz::InputReader input(data, size);
    const WORD index = input.Byte() % 36;
    const std::uint8_t road = input.Byte();
    fuzz::CallerBlock devmode = fuzz::DeclaredDevmode(input.Rest());
    DEVMODEW* given = (road & 2) ? nullptr : devmode.devmode();

    std::u16string name = test::kPrinterName;
    const auto ask = [&](void* out) -> DWORD {
        if (road & 1) return static_cast<DWORD>(DeviceCapabilitiesW(name.c_str(), nullptr, index,
                                                                    static_cast<LPWSTR>(out), given));
        return library.ask(library.printer, name.data(), index, out, given);
    };
    const DWORD count = ask(nullptr);
    const bool extent = index == DC_MINEXTENT || index == DC_MAXEXTENT;
    const std::size_t elements = extent ? 1 : count == kUnsupported ? 0 : std::min(count, kMostElements);
    fuzz::CallerBlock list({}, elements * ElementBytes(index));
    ask(list.data());
    return 0;
}
