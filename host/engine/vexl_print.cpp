// The engine host as a program: it makes a demonstration machine with one
// printer of the driver installed from the package, and prints the
// demonstration document through the graphics library into a job file.
//
//   vexl-print setup <machine folder>
//   vexl-print print <machine folder> [job id] [vector|raster]
//   vexl-print capabilities <machine folder>
//   vexl-print --help
//
// "setup" installs the driver and adds the printer through the spooler, so
// that the printer interface library initialises it and hands out its
// default DEVMODE. It makes the machine only in a folder that does not exist,
// is empty, or holds a machine that setup made earlier (its marker file);
// any other folder is refused with exit code 2 and nothing in it is touched.
// "capabilities" lists what DeviceCapabilitiesW answers for the printer.
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

#include "platform/kernel.h"
#include "platform/machine.h"
#include "platform/printers.h"
#include "platform/spooler.h"
#include "platform/spooler_driver.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A usage or input fault: the message goes to standard error, exit code 2.
struct Refusal : std::runtime_error {
    using std::runtime_error::runtime_error;
};

constexpr const char* kProfileFile = "machine.profile";

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

// The machine folder of a command other than setup: it must hold a machine.
void UseMachine(const fs::path& root)
{
    std::error_code error;
    if (!fs::is_directory(root, error))
        throw Refusal("no machine at " + root.string() +
                      ": the folder does not exist (make one with vexl-print setup)");
    if (!fs::is_regular_file(root / kProfileFile, error))
        throw Refusal("no machine at " + root.string() + ": the folder holds no " + kProfileFile +
                      " (make one with vexl-print setup)");
    vexl::machine::Use(root);
}

// The demonstration printer of the machine, opened; the refusal names it.
HANDLE OpenDemoPrinter()
{
    std::u16string name = kPrinterName;
    HANDLE printer = nullptr;
    if (!OpenPrinterW(name.data(), &printer, nullptr))
        throw Refusal("no printer \"VEXL Demo\" on the machine " + vexl::machine::Root().string() +
                      " (OpenPrinterW failed with error " + std::to_string(GetLastError()) +
                      "; make the machine with vexl-print setup)");
    return printer;
}

// The names GDI gives its document events (DOCUMENTEVENT_*), by number.
std::string DocumentEventName(const std::string& number)
{
    static constexpr const char* kNames[] = {
        "",        "CREATEDCPRE", "CREATEDCPOST", "RESETDCPRE", "RESETDCPOST", "STARTDOC",   "STARTPAGE",
        "ENDPAGE", "ENDDOC",      "ABORTDOC",     "DELETEDC",   "ESCAPE",      "ENDDOCPOST", "STARTDOCPOST",
    };
    const int value = std::atoi(number.c_str());
    return value > 0 && value < static_cast<int>(std::size(kNames)) ? kNames[value] : "unnamed";
}

// The names of the escapes the driver answers, by number.
std::string EscapeName(const std::string& number)
{
    static constexpr std::pair<int, const char*> kNames[] = {
        {8, "QUERYESCSUPPORT"},   {17, "SETCOPYCOUNT"},        {19, "PASSTHROUGH"},     {20, "GETTECHNOLOGY"},
        {42, "GETDEVICEUNITS"},   {111, "user code"},          {117, "telephone line"}, {119, "default source"},
        {120, "print method"},    {121, "settings INI path"},  {122, "option texts"},   {126, "API use flag"},
        {140, "library version"}, {141, "spool library name"},
    };
    const int value = std::atoi(number.c_str());
    for (const auto& [code, name] : kNames)
        if (code == value) return name;
    return "unnamed";
}

int Print(const fs::path& root, DWORD jobId, bool raster)
{
    UseMachine(root);
    ClosePrinter(OpenDemoPrinter());
    const vexl::host::JobOptions options = vexl::host::DemoJobOptions(jobId, raster);
    const std::string number = std::to_string(jobId);
    const fs::path jobFile =
        vexl::machine::HostPath(u"C:\\standin\\spool\\job-" + std::u16string(number.begin(), number.end()) + u".bin");
    std::error_code ignored;
    fs::remove(jobFile, ignored);
    const vexl::host::JobReport report = vexl::host::PrintJob(options, vexl::host::DemoDocument());
    if (report.completed && !fs::is_regular_file(jobFile))
        throw std::runtime_error("the job went through but its file " + jobFile.string() +
                                 " was not written (is the spool library installed in the machine?)");
    std::cout << jobFile.string() << "\n" << vexl::host::DescribeReport(report);
    // What the printer interface library answered GDI's document events, and
    // what the graphics library answered its escapes.
    std::cout << "document events (name(number)=answer):";
    for (const vexl::host::HookCall& call : report.calls) {
        if (!call.hook.starts_with("DrvDocumentEvent ") && !call.hook.starts_with("ExtEscape ")) continue;
        const bool escape = call.hook[0] == 'E';
        const std::string number = call.hook.substr(call.hook.find(' ') + 1);
        std::cout << " " << (escape ? "escape " + EscapeName(number) : DocumentEventName(number)) << "(" << number
                  << ")=" << call.result;
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
    UseMachine(root);
    ClosePrinter(OpenDemoPrinter());
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

namespace {

constexpr const char* kUsage =
    "usage: vexl-print setup <machine folder>\n"
    "       vexl-print print <machine folder> [job id] [vector|raster]\n"
    "       vexl-print capabilities <machine folder>\n"
    "       vexl-print --help\n"
    "setup makes a machine with the printer \"VEXL Demo\" in a new or empty folder (or one it made before);\n"
    "print writes the demonstration document as <machine folder>/C/standin/spool/job-<id>.bin (id 1 by default);\n"
    "capabilities lists what the printer's driver answers DeviceCapabilitiesW.\n";

// A job id: decimal digits only, within 32 bits.
DWORD ParseJobId(const std::string& text)
{
    const bool digits = !text.empty() && text.size() <= 10 &&
                        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const unsigned long long value = digits ? std::stoull(text) : 0;
    if (!digits || value > 0xFFFFFFFFull) throw Refusal("job id \"" + text + "\" is not a number from 0 to 4294967295");
    return static_cast<DWORD>(value);
}

int Run(const std::vector<std::string>& args)
{
    const std::string command = args.empty() ? "" : args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kUsage;
        return 0;
    }
    // The machine's root goes to the libraries and the processes they start as an absolute path.
    const fs::path root = args.size() >= 2 ? fs::absolute(args[1]).lexically_normal() : fs::path();
    if (command == "setup" && args.size() == 2) return Setup(root);
    if (command == "capabilities" && args.size() == 2) return Capabilities(root);
    if (command == "print" && args.size() >= 2 && args.size() <= 4) {
        const DWORD jobId = args.size() >= 3 ? ParseJobId(args[2]) : 1;
        const std::string mode = args.size() >= 4 ? args[3] : "vector";
        if (mode != "vector" && mode != "raster")
            throw Refusal("print mode \"" + mode + "\" is neither vector nor raster");
        return Print(root, jobId, mode == "raster");
    }
    if (command == "setup" || command == "capabilities" || command == "print")
        throw Refusal(command + ": wrong number of arguments (see vexl-print --help)");
    throw Refusal((command.empty() ? std::string("no command") : "unknown command \"" + command + "\"") +
                  " (see vexl-print --help)");
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& error) {
        std::cerr << "vexl-print: " << error.what() << "\n";
        return 2;
    }
}
