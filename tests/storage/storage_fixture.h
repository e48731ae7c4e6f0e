// A machine with one printer of the driver and a context over the model
// for it, for the storage tests.
#pragma once

#include "platform/machine.h"
#include "platform/printers.h"
#include "platform/win32.h"
#include "support/model_context.h"
#include "support/test_machine.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace vexl::test {

inline constexpr const WCHAR* kPrinterName = u"Office [2nd floor]";
inline constexpr const WCHAR* kDriverFolder = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3";

inline machine::PrinterSetup DriverPrinter(std::u16string name = kPrinterName)
{
    machine::PrinterSetup setup;
    setup.name = std::move(name);
    setup.driverName = u"VEXL Driver";
    setup.driverDirectory = kDriverFolder;
    setup.driverFile = u"TZ16E100.DLL";
    setup.configFile = u"TZ16E130.DLL";
    setup.dataFile = u"TZ16E1MD.VXD";
    setup.helpFile = u"TZ16E1US.CHM";
    return setup;
}

// The libraries the per-user settings directory is read through. A machine
// has none of them until a test installs them into its system directory.
struct UserFolderLibrary {
    const WCHAR* name;
    const char* builtFile;
};
inline constexpr UserFolderLibrary kUserFolderLibraries[] = {
    {u"shell32.dll", VEXL_SHELL32_FILE},
    {u"ole32.dll", VEXL_OLE32_FILE},
    {u"UserEnv.dll", VEXL_USERENV_FILE},
};

inline std::u16string InSystemDirectory(std::u16string_view name)
{
    return u"C:\\WINDOWS\\system32\\" + std::u16string(name);
}

inline void InstallUserFolderLibraries()
{
    for (const UserFolderLibrary& library : kUserFolderLibraries)
        machine::InstallFile(library.builtFile, InSystemDirectory(library.name));
}

inline HANDLE OpenNamedPrinter(const std::u16string& name)
{
    HANDLE printer = nullptr;
    std::u16string text = name;
    OpenPrinterW(text.data(), &printer, nullptr);
    return printer;
}

// The machine, the printer, an open handle and a context for it. The shared
// settings directory C:\_vexl exists.
class StorageTest : public MachineTest {
protected:
    void SetUp() override
    {
        machine::AddPrinter(DriverPrinter());
        machine::WriteFile(u"C:\\_vexl\\.keep", "");
        printer_ = OpenNamedPrinter(kPrinterName);
        ASSERT_NE(printer_, nullptr);
        ctx_.get()->printer = printer_;
    }
    void TearDown() override { ClosePrinter(printer_); }

    DriverContext* context() { return ctx_.get(); }
    std::string ReadHostFile(std::u16string_view path) const;

    HANDLE printer_ = nullptr;
    ModelContext ctx_;
};

inline std::string StorageTest::ReadHostFile(std::u16string_view path) const
{
    std::ifstream in(machine::HostPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace vexl::test
