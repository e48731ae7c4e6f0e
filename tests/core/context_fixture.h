// Contexts built by CreateDriverContextEx on a machine of their own: a
// printer whose driver name is one of the model's names, a stand-in
// compiled model so that full contexts can be built, and a fixed tick count.
// Parked contexts are destroyed when the test ends.
#pragma once

#include "common/core/context.h"
#include "common/core/items.h"
#include "common/wiring.h"
#include "platform/machine.h"
#include "platform/printers.h"
#include "platform/win32.h"
#include "support/scoped_services.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexl::test {

inline constexpr const WCHAR* kTestPrinter = u"Test Printer";
inline constexpr const WCHAR* kOtherPrinter = u"Other Printer";
inline constexpr const WCHAR* kTestDriverName = u"VEXL Color 4540";
inline constexpr const WCHAR* kDriverFolder = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3";
inline constexpr DWORD kStartTicks = 100000;

// The bytes of a REG_SZ printer-data value.
inline machine::PrinterData TextData(std::u16string_view text)
{
    std::u16string terminated(text);
    terminated.push_back(0);
    return {REG_SZ, std::string(reinterpret_cast<const char*>(terminated.data()), terminated.size() * 2)};
}

inline machine::PrinterSetup TestPrinterSetup(std::u16string name, std::u16string driverName = kTestDriverName)
{
    machine::PrinterSetup setup;
    setup.name = std::move(name);
    setup.driverName = std::move(driverName);
    setup.driverDirectory = kDriverFolder;
    setup.driverFile = u"TZ16E100.DLL";
    setup.configFile = u"TZ16E130.DLL";
    setup.dataFile = u"TZ16E1MD.VXD";
    return setup;
}

// Any address will do: nothing in the core reads the compiled model.
inline CompiledModel* AcquireStandInModel(DriverContext*)
{
    alignas(16) static unsigned char model[64];
    return reinterpret_cast<CompiledModel*>(model);
}

// The default build steps with the stand-in model.
inline ContextBuildSteps StandInModelSteps()
{
    ContextBuildSteps steps = GetDefaultContextBuildSteps();
    steps.acquireCompiledModel = AcquireStandInModel;
    return steps;
}

class ContextTest : public MachineTest {
protected:
    ContextTest()
    {
        machine::AddPrinter(TestPrinterSetup(kTestPrinter));
        machine::AddPrinter(TestPrinterSetup(kOtherPrinter));
        machine::SetTickCount(kStartTicks);
    }

    ~ContextTest() override
    {
        PurgeContextCache(TRUE);
        for (HANDLE printer : handles_) ClosePrinter(printer);
        machine::UseRealTickCount();
    }

    HANDLE Open(const WCHAR* name = kTestPrinter)
    {
        HANDLE printer = nullptr;
        EXPECT_TRUE(OpenPrinterW(const_cast<LPWSTR>(name), &printer, nullptr));
        handles_.push_back(printer);
        return printer;
    }

    DriverContext* Create(HANDLE printer, std::uint32_t callerKind = kCallerPropertySheet, std::uint16_t flags = 0,
                          std::int32_t selector = 0)
    {
        return CreateDriverContextEx(printer, printer, flags, callerKind, selector, nullptr);
    }

private:
    ScopedContextBuildSteps buildSteps_{StandInModelSteps()};
    std::vector<HANDLE> handles_;
};

}  // namespace vexl::test
