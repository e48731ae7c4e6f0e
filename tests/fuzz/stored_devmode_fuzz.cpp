// A hostile DEVMODE stored as the printer's default through the spooler's
// SetPrinterW (level 2), then read back by the printer interface library
// through its exports: the capabilities that read the stored DEVMODE (the
// colour device, the N-up list under the administrator's locks), a list
// whose context starts from it, and the driver default of DrvConvertDevMode.
// The DEVMODE handed to the spooler is a block of exactly the size its
// header declares.
//
// Input: a byte of what is read, a byte of lock bits, then the DEVMODE's bytes.
#include "fuzz_support.h"

#include "platform/printui.h"
#include "support/integration_fixture.h"

#include <algorithm>
#include <vector>

using namespace vexl;

namespace {

using DeviceCapabilities = DWORD (*)(HANDLE, PWSTR, WORD, PVOID, DEVMODEW*);
using ConvertDevMode = BOOL (*)(LPWSTR, DEVMODEW*, DEVMODEW*, LONG*, DWORD);

constexpr DWORD kUnsupported = 0xFFFFFFFF;

struct Library {
    DeviceCapabilities ask = nullptr;
    ConvertDevMode convert = nullptr;
    HANDLE printer = nullptr;
};

const Library& Interface()
{
    static const Library library = [] {
        fuzz::InstallPackagePrinter();
        HMODULE module = fuzz::KeepDriverLibrary(u"TZ16E130.DLL", VEXL_TZ16E130_FILE);
        HANDLE printer = nullptr;
        std::u16string name = test::kPrinterName;
        PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
        OpenPrinterW(name.data(), &printer, &defaults);
        return Library{fuzz::FindExport<DeviceCapabilities>(module, "DrvDeviceCapabilities"),
                       fuzz::FindExport<ConvertDevMode>(module, "DrvConvertDevMode"), printer};
    }();
    return library;
}

// The capabilities read after the store: a count, then a list of it.
constexpr WORD kIndexes[] = {DC_COLORDEVICE, DC_NUP, DC_PAPERS, DC_MEDIAREADY};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    const Library& library = Interface();
    if (library.ask == nullptr || library.convert == nullptr || library.printer == nullptr) return 0;
    fuzz::InputReader input(data, size);
    const std::uint8_t what = input.Byte();
    BYTE locks = input.Byte();
    fuzz::CallerBlock devmode = fuzz::DeclaredDevmode(input.Rest());

    PRINTER_INFO_2W info{};
    info.pDevMode = devmode.devmode();
    if (!SetPrinterW(library.printer, 2, reinterpret_cast<LPBYTE>(&info), 0)) return 0;
    WCHAR lockName[] = u"rdmLock000InfoBit";
    SetPrinterDataW(library.printer, lockName, REG_BINARY, &locks, 1);

    std::u16string name = test::kPrinterName;
    if (what & 0x80) {
        LONG needed = 0;
        library.convert(name.data(), nullptr, nullptr, &needed, CDM_DRIVER_DEFAULT);
        fuzz::CallerBlock out({}, static_cast<std::size_t>(std::max<LONG>(needed, 0)));
        library.convert(name.data(), nullptr, out.devmode(), &needed, CDM_DRIVER_DEFAULT);
        return 0;
    }
    const WORD index = kIndexes[what % std::size(kIndexes)];
    const DWORD count = library.ask(library.printer, name.data(), index, nullptr, nullptr);
    const std::size_t elements = count == kUnsupported ? 0 : std::min<DWORD>(count, 64);
    const std::size_t element = index == DC_NUP ? sizeof(DWORD) : index == DC_PAPERS ? sizeof(WORD)
                                : index == DC_MEDIAREADY ? CCH_PAPERNAME * sizeof(WCHAR) : 0;
    fuzz::CallerBlock list({}, elements * element);
    library.ask(library.printer, name.data(), index, list.data(), nullptr);
    return 0;
}
