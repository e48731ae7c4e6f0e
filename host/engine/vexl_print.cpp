// The engine host as a program: it makes a demonstration machine with one
// printer of the driver installed from the package, and prints the
// demonstration document through the graphics library into a job file.
//
//   vexl-print setup <machine folder>
//   vexl-print print <machine folder> [job id] [vector|raster]
//   vexl-print capabilities <machine folder>
//
// "setup" installs the driver and adds the printer through the spooler, so
// that the printer interface library initialises it and hands out its
// default DEVMODE. "capabilities" lists what DeviceCapabilitiesW answers for
// the printer.
//
// "print" writes the job through the spool library to
// C:\standin\spool\job-<id>.bin of the machine, prints the host path of
// that file on its first line, then an account of the job. It exits with 0
// when every job step succeeded, 3 when the driver could not print the job.
// The job's DEVMODE is the printer's default with text sent as glyph
// bitmaps (fonts the printer lacks are downloaded) and, for "raster", the
// image print item on, so that the engine renders the page in bands.
//
// The machine has the Japanese ANSI code page, so that the names of the
// printer's Japanese font families reach the driver in the device's code.
#include "demo_printer.h"
#include "print_job.h"

#include "platform/machine.h"
#include "platform/printers.h"
#include "platform/spooler.h"
#include "platform/spooler_driver.h"

#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char16_t* kPrinterName = vexl::host::kDemoPrinterName;

int Setup(const fs::path& root)
{
    vexl::host::DemoFiles files;
    files.package = fs::path(VEXL_SOURCE_DIR) / "package";
    files.graphics = VEXL_TZ16E100_FILE;
    files.interface = VEXL_TZ16E130_FILE;
    files.spool = VEXL_TZ16C123_FILE;
    files.resources = VEXL_UIRES_US_FILE;
    const bool hasDefault = vexl::host::SetUpDemoPrinter(root, files);
    std::cout << "machine: " << root.string() << "\nprinter: VEXL Demo (driver VEXL Color 4540)\n"
              << "default DEVMODE from the printer interface library: " << (hasDefault ? "yes" : "no") << "\n";
    return 0;
}

int Print(const fs::path& root, DWORD jobId, bool raster)
{
    vexl::machine::Use(root);
    const vexl::host::JobOptions options = vexl::host::DemoJobOptions(jobId, raster);
    const std::string number = std::to_string(jobId);
    const fs::path jobFile =
        vexl::machine::HostPath(u"C:\\standin\\spool\\job-" + std::u16string(number.begin(), number.end()) + u".bin");
    std::error_code ignored;
    fs::remove(jobFile, ignored);
    const vexl::host::JobReport report = vexl::host::PrintJob(options, vexl::host::DemoDocument());
    std::cout << jobFile.string() << "\n" << vexl::host::DescribeReport(report);
    // What the printer interface library answered GDI's document events, and
    // what the graphics library answered its escapes.
    std::cout << "document events:";
    for (const vexl::host::HookCall& call : report.calls) {
        if (call.hook.starts_with("DrvDocumentEvent ") || call.hook.starts_with("ExtEscape "))
            std::cout << " " << call.hook.substr(call.hook.find(' ') + 1) << (call.hook[0] == 'E' ? "(escape)" : "")
                      << "=" << call.result;
    }
    std::cout << "\n";
    return report.completed ? 0 : 3;
}

// A list answer of DeviceCapabilitiesW in its two passes.
template <typename T> std::vector<T> Capability(WORD index, std::size_t perEntry = 1)
{
    const std::u16string device = kPrinterName;
    const int count = DeviceCapabilitiesW(device.c_str(), nullptr, index, nullptr, nullptr);
    if (count <= 0) return {};
    std::vector<T> out(count * perEntry);
    DeviceCapabilitiesW(device.c_str(), nullptr, index, reinterpret_cast<LPWSTR>(out.data()), nullptr);
    return out;
}

int Single(WORD index)
{
    const std::u16string device = kPrinterName;
    return DeviceCapabilitiesW(device.c_str(), nullptr, index, nullptr, nullptr);
}

std::string Narrow(const WCHAR* text, std::size_t chars)
{
    std::string out;
    for (std::size_t i = 0; i < chars && text[i] != 0; ++i) out += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    return out;
}

std::string Answer(int value)
{
    return value == -1 ? "not supported" : std::to_string(value);
}

int Capabilities(const fs::path& root)
{
    vexl::machine::Use(root);
    const std::vector<WORD> papers = Capability<WORD>(DC_PAPERS);
    const std::vector<WCHAR> paperNames = Capability<WCHAR>(DC_PAPERNAMES, CCH_PAPERNAME);
    const std::vector<POINT> sizes = Capability<POINT>(DC_PAPERSIZE);
    std::cout << "DeviceCapabilitiesW of VEXL Demo\npapers (" << papers.size() << "):\n";
    for (std::size_t i = 0; i < papers.size(); ++i) {
        std::cout << "  " << papers[i] << "  " << Narrow(paperNames.data() + i * CCH_PAPERNAME, CCH_PAPERNAME);
        if (i < sizes.size()) std::cout << "  " << sizes[i].x / 10.0 << " x " << sizes[i].y / 10.0 << " mm";
        std::cout << "\n";
    }
    const std::vector<WORD> bins = Capability<WORD>(DC_BINS);
    const std::vector<WCHAR> binNames = Capability<WCHAR>(DC_BINNAMES, CCH_BINNAME);
    std::cout << "trays (" << bins.size() << "):\n";
    for (std::size_t i = 0; i < bins.size(); ++i)
        std::cout << "  " << bins[i] << "  " << Narrow(binNames.data() + i * CCH_BINNAME, CCH_BINNAME) << "\n";
    const std::vector<LONG> resolutions = Capability<LONG>(DC_ENUMRESOLUTIONS, 2);
    std::cout << "resolutions:";
    for (std::size_t i = 0; i + 1 < resolutions.size(); i += 2)
        std::cout << " " << resolutions[i] << "x" << resolutions[i + 1];
    std::cout << "\ncopies: up to " << Answer(Single(DC_COPIES)) << "\nduplex: " << Answer(Single(DC_DUPLEX))
              << "\ncollate: " << Answer(Single(DC_COLLATE)) << "\nstaple: " << Answer(Single(DC_STAPLE))
              << "\ncolour device: " << Answer(Single(DC_COLORDEVICE)) << "\nN-up:";
    for (DWORD pages : Capability<DWORD>(DC_NUP)) std::cout << " " << pages;
    const std::vector<WCHAR> personality = Capability<WCHAR>(DC_PERSONALITY, CCH_PERSONALITY);
    std::cout << "\npersonality: " << Narrow(personality.data(), personality.size()) << "\nDEVMODE: " << Single(DC_SIZE)
              << " + " << Single(DC_EXTRA) << " bytes, version 0x" << std::hex << Single(DC_VERSION) << ", driver 0x"
              << Single(DC_DRIVER) << std::dec << "\n";
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        const std::string command = argc >= 3 ? argv[1] : "";
        if (command == "setup") return Setup(argv[2]);
        const DWORD jobId = argc >= 4 ? static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)) : 1;
        const std::string mode = argc >= 5 ? argv[4] : "vector";
        if (command == "print" && (mode == "vector" || mode == "raster"))
            return Print(argv[2], jobId, mode == "raster");
        if (command == "capabilities") return Capabilities(argv[2]);
    } catch (const std::exception& error) {
        std::cerr << "vexl-print: " << error.what() << "\n";
        return 2;
    }
    std::cerr << "usage: vexl-print setup <machine folder> | print <machine folder> [job id] [vector|raster] | "
                 "capabilities <machine folder>\n";
    return 2;
}
