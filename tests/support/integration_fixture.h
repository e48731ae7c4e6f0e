// A machine with one printer of the driver installed from the package: the
// description TZ16E1MD.VXD and the UI resource library TZ16E1US.DLL in its
// driver directory, the shared settings directory, and the printer's help
// file naming the US language. Contexts are made by CreateDriverContext as
// the deliverables make them; parked contexts and compiled models go when
// the test ends.
#pragma once

#include "common/core/context.h"
#include "common/core/items.h"
#include "common/core/store.h"
#include "common/model/model_list.h"
#include "platform/machine.h"
#include "platform/printers.h"
#include "platform/win32.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace vexl::test {

inline const std::filesystem::path kPackageFolder = std::filesystem::path(VEXL_SOURCE_DIR) / "package";
inline constexpr const WCHAR* kPrinterName = u"Office [2nd floor]";
inline constexpr const WCHAR* kDriverName = u"VEXL Color 4540";
inline constexpr const WCHAR* kDriverFolder = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3";
inline constexpr const WCHAR* kDescriptionFile = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\TZ16E1MD.VXD";
inline constexpr const WCHAR* kCacheFile = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\TZ16E1MD.BCS";

inline machine::PrinterData WideTextData(std::u16string_view text)
{
    std::u16string terminated(text);
    terminated.push_back(0);
    return {REG_SZ, std::string(reinterpret_cast<const char*>(terminated.data()), terminated.size() * 2)};
}

// Installs the package's printer on the machine of the current process.
inline void InstallDriverPrinter()
{
    machine::InstallFile(kPackageFolder / "TZ16E1MD.VXD", kDescriptionFile);
    machine::InstallFile(VEXL_UIRES_US_FILE, std::u16string(kDriverFolder) + u"\\TZ16E1US.DLL");
    machine::WriteFile(u"C:\\_vexl\\.keep", "");
    machine::PrinterSetup setup;
    setup.name = kPrinterName;
    setup.driverName = kDriverName;
    setup.driverDirectory = kDriverFolder;
    setup.driverFile = u"TZ16E100.DLL";
    setup.configFile = u"TZ16E130.DLL";
    setup.dataFile = u"TZ16E1MD.VXD";
    setup.printerData[u"HelpFileName"] = WideTextData(u"TZ16E1US.HLP");
    machine::AddPrinter(setup);
}

inline HANDLE OpenDriverPrinter()
{
    HANDLE printer = nullptr;
    std::u16string name = kPrinterName;
    OpenPrinterW(name.data(), &printer, nullptr);
    return printer;
}

// The context's DEVMODE as bytes.
inline std::vector<std::uint8_t> DevmodeBytes(DriverContext* context)
{
    const std::uint8_t* bytes = GetStoreBytes(context);
    return std::vector<std::uint8_t>(bytes, bytes + GetDevmodeSize());
}

class DriverPrinterTest : public MachineTest {
protected:
    void SetUp() override
    {
        InstallDriverPrinter();
        printer_ = OpenDriverPrinter();
        ASSERT_NE(printer_, nullptr);
    }
    void TearDown() override
    {
        PurgeContextCache(TRUE);
        FreeCompiledModelList();
        ClosePrinter(printer_);
        machine::UseRealTickCount();
    }

    DriverContext* Create(std::uint32_t callerKind = kCallerPropertySheet)
    {
        return CreateDriverContext(printer_, printer_, nullptr, callerKind);
    }

    HANDLE printer_ = nullptr;
};

}  // namespace vexl::test
