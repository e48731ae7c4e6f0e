// The DEVMODE the engine hands to the graphics library: DrvEnablePDEV with
// one, a document of a page, DrvResetPDEV to a PDEV enabled with a second,
// and the document ended in the new PDEV, as the engine runs a job. Each
// buffer holds exactly dmSize + dmDriverExtra bytes, as the engine
// guarantees: the input fills it, zeros the rest. Whatever the DEVMODEs, a job the driver
// reports as printed in vector mode must be one the job-stream checker
// accepts.
#include "fuzz_support.h"

#include "graphics/document.h"
#include "graphics/graphics_context.h"
#include "graphics/hooks.h"
#include "graphics/pdev.h"
#include "graphics/surface.h"
#include "platform/engine_host.h"
#include "platform/machine.h"
#include "support/integration_fixture.h"
#include "vexl_dump.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

using namespace vexl;

namespace {

constexpr char16_t kJobFile[] = u"C:\\standin\\spool\\job-1.bin";

// The package's printer on the fuzz machine, with the spool library, opened once.
HANDLE Printer()
{
    static HANDLE printer = [] {
        fuzz::UseFuzzMachine();
        test::InstallDriverPrinter();
        const std::u16string spool = std::u16string(test::kDriverFolder) + u"\\TZ16C123.DLL";
        machine::InstallFile(VEXL_TZ16C123_FILE, spool);
        // The libraries a job loads stay loaded for the process: the fuzzer
        // keeps the coverage counters of every library it has seen.
        LoadLibraryW(spool.c_str());
        fuzz::LoadPackageResources();
        machine::WriteFile(u"C:\\standin\\TZ16C123.ini", "[Library]\r\nLog=0\r\n");
        SetLibraryModule(reinterpret_cast<HMODULE>(std::uintptr_t{0x4711}));
        graphics::UseGraphicsContextSteps();
        return test::OpenDriverPrinter();
    }();
    return printer;
}

// The engine's buffer for a DEVMODE of these bytes; no bytes: no DEVMODE.
std::optional<fuzz::CallerBlock> DevmodeBuffer(std::string_view bytes)
{
    if (bytes.empty()) return std::nullopt;
    return fuzz::DeclaredDevmode(bytes);
}

struct EnabledPdev {
    HDEV device = nullptr;
    DHPDEV pdev = nullptr;
    SURFOBJ* surface = nullptr;
};

EnabledPdev Enable(std::optional<fuzz::CallerBlock>& devmode)
{
    EnabledPdev enabled;
    DRVENABLEDATA driver{};
    if (!DrvEnableDriver(kDriverVersion, sizeof driver, &driver)) return enabled;
    enabled.device = engine::CreateDevice(driver);
    GDIINFO gdi{};
    DEVINFO dev{};
    HSURF patterns[HS_DDI_MAX]{};
    DEVMODEW* dm = devmode ? devmode->devmode() : nullptr;
    enabled.pdev = DrvEnablePDEV(dm, nullptr, HS_DDI_MAX, patterns, sizeof gdi, &gdi, sizeof dev, &dev, enabled.device,
                                 nullptr, Printer());
    if (!enabled.pdev) return enabled;
    engine::SetDevicePdev(enabled.device, enabled.pdev);
    DrvCompletePDEV(enabled.pdev, enabled.device);
    if (HSURF surface = DrvEnableSurface(enabled.pdev)) {
        enabled.surface = EngLockSurface(surface);
        if (enabled.surface) EngUnlockSurface(enabled.surface);
    }
    return enabled;
}

void Disable(EnabledPdev& enabled)
{
    if (enabled.pdev) {
        DrvDisableSurface(enabled.pdev);
        DrvDisablePDEV(enabled.pdev);
    }
    if (enabled.device) engine::DeleteDevice(enabled.device);
}

bool Page(SURFOBJ* surface)
{
    return DrvStartPage(surface) && DrvSendPage(surface);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Without the printer nothing would be tried: a setup fault, said at once.
    if (!Printer()) {
        std::fprintf(stderr, "pdev_devmode: the package's printer cannot be opened\n");
        std::abort();
    }
    fuzz::InputReader reader(data, size);
    std::optional<fuzz::CallerBlock> first = DevmodeBuffer(reader.Bytes(reader.Le16()));
    std::optional<fuzz::CallerBlock> second = DevmodeBuffer(reader.Rest());

    std::error_code ignored;
    std::filesystem::remove(machine::HostPath(kJobFile), ignored);
    EnabledPdev from = Enable(first);
    EnabledPdev to;
    bool printed = false;
    bool vector = false;
    if (from.surface && DrvStartDoc(from.surface, const_cast<LPWSTR>(u"Fuzz"), 1)) {
        printed = Page(from.surface);
        to = Enable(second);
        if (to.surface && DrvResetPDEV(from.pdev, to.pdev)) {
            Disable(from);
            from = {};
            vector = to.surface->iType == STYPE_DEVICE;
            printed = DrvStartDoc(to.surface, const_cast<LPWSTR>(u"Fuzz"), 0) && Page(to.surface) && printed;
            printed = DrvEndDoc(to.surface, 0) && printed;
        } else {
            printed = DrvEndDoc(from.surface, 0) && printed;
            vector = from.surface->iType == STYPE_DEVICE;
        }
    }
    Disable(from);
    Disable(to);

    if (printed && vector) {
        std::ifstream in(machine::HostPath(kJobFile), std::ios::binary);
        const std::vector<std::uint8_t> job((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const dump::DecodeResult result = dump::DecodeJobStream(job);
        if (!result.ok()) {
            std::fprintf(stderr, "%s\n", dump::FormatViolation(*result.violation).c_str());
            std::abort();
        }
    }
    return 0;
}
