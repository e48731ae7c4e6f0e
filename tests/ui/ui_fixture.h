// The package's printer on a test machine, with the printer interface
// library's forms of the common operations in place as its process attach
// puts them.
#pragma once

#include "common/core/printer_facts.h"
#include "common/core/store.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "platform/gdi_host.h"
#include "support/integration_fixture.h"
#include "ui/base/library_state.h"
#include "ui/base/ui_context.h"
#include "ui/library.h"

#include <cstring>
#include <string>
#include <vector>

namespace vexl::test {

class UiPrinterTest : public DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        ui::UseInterfaceLibraryServices();
    }
    void TearDown() override
    {
        DriverPrinterTest::TearDown();
        ui::SetSharedIdentityFlag(0);
        ui::UseCommonServices();
    }

    // The default DEVMODE of a fresh context of the printer.
    std::vector<std::uint8_t> DefaultDevmode()
    {
        DriverContext* context = ui::CreateDriverContext(printer_, printer_, nullptr, kCallerPropertySheet);
        EXPECT_NE(context, nullptr);
        if (!context) return {};
        std::vector<std::uint8_t> devmode = DevmodeBytes(context);
        ReleaseDriverContext(context, kReleaseDestroy);
        return devmode;
    }
};

// A context of the printer, held for the test, with its settings INI and the
// printer's section in it.
class UiContextTest : public UiPrinterTest {
protected:
    void SetUp() override
    {
        UiPrinterTest::SetUp();
        context_ = Create();
        ASSERT_NE(context_, nullptr);
        ini_ = GetSettingsIniPath(context_);
        section_ = GetPrinterSectionName(context_);
        SanitizeIniSection(section_.data());
    }
    void TearDown() override
    {
        if (context_) ReleaseDriverContext(context_, kReleaseDestroy);
        UiPrinterTest::TearDown();
    }

    DriverContext* context_ = nullptr;
    std::u16string ini_;
    std::u16string section_;
};

inline DEVMODEW* AsDevmode(std::vector<std::uint8_t>& bytes)
{
    return reinterpret_cast<DEVMODEW*>(bytes.data());
}

// The escapes a device context received.
struct EscapeLog {
    struct Escape {
        int escape;
        std::vector<std::uint8_t> input;
    };
    std::vector<Escape> escapes;
    int answer = 1;

    static int Record(void* data, int escape, int inputSize, const void* input, int, void*)
    {
        auto* log = static_cast<EscapeLog*>(data);
        const auto* bytes = static_cast<const std::uint8_t*>(input);
        log->escapes.push_back({escape, std::vector<std::uint8_t>(bytes, bytes + inputSize)});
        return log->answer;
    }
};

}  // namespace vexl::test
