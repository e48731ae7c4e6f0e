// The engine host as a program: it makes a demonstration machine with one
// printer of the driver installed from the package, and prints the
// demonstration document through the graphics library into a job file.
//
//   vexl-print setup <machine folder>
//   vexl-print print <machine folder> [job id]
//
// "print" writes the job through the spool library to
// C:\standin\spool\job-<id>.bin of the machine, prints the host path of
// that file on its first line, then an account of the job. It exits with 0
// when every job step succeeded, 3 when the driver could not print the job.
#include "print_job.h"

#include "platform/machine.h"
#include "platform/printers.h"
#include "platform/spooler.h"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr const char16_t* kPrinterName = u"VEXL Demo";
constexpr const char16_t* kDriverName = u"VEXL Color 4540";
constexpr const char16_t* kDriverFolder = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3";

std::u16string InDriverFolder(std::u16string_view file)
{
    return std::u16string(kDriverFolder) + u"\\" + std::u16string(file);
}

vexl::machine::PrinterData WideText(std::u16string_view text)
{
    std::u16string terminated(text);
    terminated.push_back(0);
    return {REG_SZ, std::string(reinterpret_cast<const char*>(terminated.data()), terminated.size() * 2)};
}

int Setup(const fs::path& root)
{
    vexl::machine::Profile profile;
    profile.fixedLocalTime = "2007-01-31 09:05:03.000";
    fs::remove_all(root);
    vexl::machine::Create(root, profile);
    vexl::machine::Use(root);
    const fs::path package = fs::path(VEXL_SOURCE_DIR) / "package";
    vexl::machine::InstallFile(package / "TZ16E1MD.VXD", InDriverFolder(u"TZ16E1MD.VXD"));
    vexl::machine::InstallFile(VEXL_UIRES_US_FILE, InDriverFolder(u"TZ16E1US.DLL"));
    vexl::machine::InstallFile(VEXL_TZ16E100_FILE, InDriverFolder(u"TZ16E100.DLL"));
    vexl::machine::InstallFile(VEXL_TZ16C123_FILE, InDriverFolder(u"TZ16C123.DLL"));
    vexl::machine::WriteFile(u"C:\\_vexl\\.keep", "");
    vexl::machine::WriteFile(u"C:\\standin\\TZ16C123.ini", "[Library]\r\nFolder=C:\\standin\\spool\r\n");
    vexl::machine::PrinterSetup setup;
    setup.name = kPrinterName;
    setup.driverName = kDriverName;
    setup.driverDirectory = kDriverFolder;
    setup.driverFile = u"TZ16E100.DLL";
    setup.configFile = u"TZ16E130.DLL";
    setup.dataFile = u"TZ16E1MD.VXD";
    setup.printerData[u"HelpFileName"] = WideText(u"TZ16E1US.HLP");
    vexl::machine::AddPrinter(setup);
    std::cout << "machine: " << root.string() << "\nprinter: VEXL Demo (driver VEXL Color 4540)\n";
    return 0;
}

int Print(const fs::path& root, DWORD jobId)
{
    vexl::machine::Use(root);
    vexl::host::JobOptions options;
    options.printerName = kPrinterName;
    options.driverPath = InDriverFolder(u"TZ16E100.DLL");
    options.jobId = jobId;
    const std::string number = std::to_string(jobId);
    const fs::path jobFile =
        vexl::machine::HostPath(u"C:\\standin\\spool\\job-" + std::u16string(number.begin(), number.end()) + u".bin");
    std::error_code ignored;
    fs::remove(jobFile, ignored);
    const vexl::host::JobReport report = vexl::host::PrintJob(options, vexl::host::DemoDocument());
    std::cout << jobFile.string() << "\n" << vexl::host::DescribeReport(report);
    return report.completed ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        const std::string command = argc >= 3 ? argv[1] : "";
        if (command == "setup") return Setup(argv[2]);
        const DWORD jobId = argc >= 4 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) : 1;
        if (command == "print") return Print(argv[2], jobId);
    } catch (const std::exception& error) {
        std::cerr << "vexl-print: " << error.what() << "\n";
        return 2;
    }
    std::cerr << "usage: vexl-print setup <machine folder> | print <machine folder> [job id]\n";
    return 2;
}
