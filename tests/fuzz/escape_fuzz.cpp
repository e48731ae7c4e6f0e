// Escape buffers as an application hands them to ExtEscape on a printer
// device context of the package's printer. Each record of the input is one
// call: flags, the escape, the stated input and output sizes, then the input
// bytes. The buffers are exactly as large as stated (or absent), so a read
// or write past them shows.
#include "fuzz_support.h"

#include "graphics/escapes.h"
#include "graphics/graphics_context.h"
#include "graphics/hooks.h"
#include "graphics/pdev.h"
#include "graphics/surface.h"
#include "platform/engine_host.h"
#include "support/integration_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

using namespace vexl;

namespace {

// The escapes of the library and a few around them; a selector past the
// table names an escape by its own 16 bits.
constexpr ULONG kEscapes[] = {8,   17,  19,  20,  42,  111, 112, 113, 114, 115, 116, 117, 118,
                              119, 120, 121, 122, 123, 124, 125, 126, 140, 141, 30,  127};

// Input flags.
constexpr std::uint8_t kNoInput = 0x1;
constexpr std::uint8_t kNoOutput = 0x2;
constexpr std::uint8_t kJobBinder = 0x4;

struct Device {
    HANDLE printer = nullptr;
    HDEV engineDevice = nullptr;
    Pdev* pdev = nullptr;
    SURFOBJ* surface = nullptr;
};

Device& TheDevice()
{
    static Device device;
    return device;
}

void DisableDevice()
{
    Device& device = TheDevice();
    if (device.pdev) {
        DrvDisableSurface(reinterpret_cast<DHPDEV>(device.pdev));
        DrvDisablePDEV(reinterpret_cast<DHPDEV>(device.pdev));
    }
    if (device.engineDevice) engine::DeleteDevice(device.engineDevice);
    if (device.printer) ClosePrinter(device.printer);
    device = {};
}

// The package's printer with a Pdev and its surface, made once.
Device& UseDevice()
{
    Device& device = TheDevice();
    if (device.surface) return device;
    fuzz::UseFuzzMachine();
    test::InstallDriverPrinter();
    device.printer = test::OpenDriverPrinter();
    SetLibraryModule(reinterpret_cast<HMODULE>(std::uintptr_t{0x4711}));
    graphics::UseGraphicsContextSteps();
    DRVENABLEDATA driver{};
    DrvEnableDriver(kDriverVersion, sizeof driver, &driver);
    device.engineDevice = engine::CreateDevice(driver);
    GDIINFO gdi{};
    DEVINFO dev{};
    HSURF patterns[6] = {};
    DHPDEV dhpdev = DrvEnablePDEV(nullptr, nullptr, 6, patterns, sizeof gdi, &gdi, sizeof dev, &dev,
                                  device.engineDevice, nullptr, device.printer);
    if (!dhpdev) {
        std::fprintf(stderr, "the Pdev could not be enabled\n");
        std::abort();
    }
    engine::SetDevicePdev(device.engineDevice, dhpdev);
    DrvCompletePDEV(dhpdev, device.engineDevice);
    device.pdev = reinterpret_cast<Pdev*>(dhpdev);
    HSURF surface = DrvEnableSurface(dhpdev);
    device.surface = surface ? EngLockSurface(surface) : nullptr;
    if (device.surface) EngUnlockSurface(device.surface);
    if (!device.surface) {
        std::fprintf(stderr, "the surface could not be enabled\n");
        std::abort();
    }
    std::atexit(DisableDevice);
    return device;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Device& device = UseDevice();
    fuzz::InputReader input(data, size);
    while (!input.empty()) {
        const std::uint8_t flags = input.Byte();
        const std::uint8_t selector = input.Byte();
        const ULONG escape = selector < std::size(kEscapes) ? kEscapes[selector] : input.Le16();
        const ULONG inSize = input.Le16();
        const ULONG outSize = input.Le16();
        const std::string_view bytes = input.Bytes(inSize);
        std::unique_ptr<std::vector<BYTE>> in;
        if (!(flags & kNoInput)) in = std::make_unique<std::vector<BYTE>>(bytes.begin(), bytes.end());
        std::vector<BYTE> out(outSize, 0xEE);
        device.pdev->jobBinder = (flags & kJobBinder) ? 1 : 0;
        DrvEscape(device.surface, escape, in ? static_cast<ULONG>(in->size()) : inSize,
                  in && !in->empty() ? in->data() : nullptr, outSize,
                  (flags & kNoOutput) || out.empty() ? nullptr : out.data());
    }
    return 0;
}
