// The package's printer on a test machine, with the graphics library's Pdev
// enabled over it as the engine enables it.
#pragma once

#include "common/core/store.h"
#include "graphics/graphics_context.h"
#include "graphics/hooks.h"
#include "graphics/pdev.h"
#include "graphics/surface.h"
#include "platform/engine_host.h"
#include "support/integration_fixture.h"

#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace vexl::test {

// The module handle the library keeps at process attach.
inline HMODULE FakeLibraryModule()
{
    return reinterpret_cast<HMODULE>(std::uintptr_t{0x4711});
}

struct ItemSetting {
    std::uint16_t id;
    std::uint32_t value;
};

class GraphicsPrinterTest : public DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        // As the library sets itself up at process attach.
        SetLibraryModule(FakeLibraryModule());
        graphics::UseGraphicsContextSteps();
    }
    void TearDown() override
    {
        for (Pdev* pdev : enabled_) {
            DrvDisableSurface(reinterpret_cast<DHPDEV>(pdev));
            DrvDisablePDEV(reinterpret_cast<DHPDEV>(pdev));
        }
        enabled_.clear();
        for (HDEV device : devices_) engine::DeleteDevice(device);
        SetLibraryModule(nullptr);
        DriverPrinterTest::TearDown();
        graphics::UseCommonContextSteps();
    }

    // The DEVMODE of a context of the printer with the items set.
    std::vector<std::uint8_t> DevmodeWith(const std::vector<ItemSetting>& settings)
    {
        DriverContext* context = Create();
        EXPECT_NE(context, nullptr);
        if (!context) return {};
        for (const ItemSetting& setting : settings) SetItemValue(context, setting.id, setting.value);
        const std::uint8_t* bytes = GetStoreBytes(context);
        std::vector<std::uint8_t> devmode(bytes, bytes + GetDevmodeSize());
        ReleaseDriverContext(context, kReleaseDestroy);
        return devmode;
    }

    // Enables a Pdev as the engine does; it is disabled when the test ends
    // unless the test disables it first (Forget).
    Pdev* Enable(const std::vector<std::uint8_t>* devmode = nullptr)
    {
        DRVENABLEDATA driver{};
        DrvEnableDriver(kDriverVersion, sizeof driver, &driver);
        engineDevice_ = engine::CreateDevice(driver);
        devices_.push_back(engineDevice_);
        gdi_ = GDIINFO{};
        dev_ = DEVINFO{};
        HSURF patterns[6];
        std::memset(patterns, 0xCD, sizeof patterns);
        auto* dm = devmode && !devmode->empty()
                       ? reinterpret_cast<DEVMODEW*>(const_cast<std::uint8_t*>(devmode->data()))
                       : nullptr;
        DHPDEV dhpdev = DrvEnablePDEV(dm, nullptr, 6, patterns, sizeof gdi_, &gdi_, sizeof dev_, &dev_, engineDevice_,
                                      nullptr, printer_);
        if (!dhpdev) return nullptr;
        for (HSURF pattern : patterns) EXPECT_EQ(pattern, nullptr);
        engine::SetDevicePdev(engineDevice_, dhpdev);
        DrvCompletePDEV(dhpdev, engineDevice_);
        auto* pdev = reinterpret_cast<Pdev*>(dhpdev);
        enabled_.push_back(pdev);
        return pdev;
    }

    void Disable(Pdev* pdev)
    {
        Forget(pdev);
        DrvDisableSurface(reinterpret_cast<DHPDEV>(pdev));
        DrvDisablePDEV(reinterpret_cast<DHPDEV>(pdev));
    }

    // The Pdev's surface as the engine hands it to the hooks.
    SURFOBJ* EnableSurface(Pdev* pdev)
    {
        HSURF surface = DrvEnableSurface(reinterpret_cast<DHPDEV>(pdev));
        if (!surface) return nullptr;
        SURFOBJ* so = EngLockSurface(surface);
        if (so) EngUnlockSurface(so);
        return so;
    }
    void Forget(Pdev* pdev) { std::erase(enabled_, pdev); }

    HDEV engineDevice_ = nullptr;
    std::vector<HDEV> devices_;
    GDIINFO gdi_{};
    DEVINFO dev_{};
    std::vector<Pdev*> enabled_;
};

// The display-list lines of each page of a decoded listing, without the
// page-begin and page-end records.
inline std::vector<std::vector<std::string>> SplitListingPages(const std::string& listing)
{
    std::vector<std::vector<std::string>> pages;
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        if (line.find("page-begin") != std::string::npos)
            pages.emplace_back();
        else if (!pages.empty() && line.find("page-end") == std::string::npos)
            pages.back().push_back(line);
    }
    return pages;
}

// How many of the lines hold the text.
inline int CountLinesWith(const std::vector<std::string>& lines, const std::string& text)
{
    int count = 0;
    for (const std::string& line : lines) count += line.find(text) != std::string::npos;
    return count;
}

}  // namespace vexl::test
