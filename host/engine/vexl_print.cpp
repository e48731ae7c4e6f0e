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
    profile.ansiCodePage = 932;
    fs::remove_all(root);
    vexl::machine::Create(root, profile);
    vexl::machine::Use(root);
    const fs::path package = fs::path(VEXL_SOURCE_DIR) / "package";
    vexl::machine::InstallFile(package / "TZ16E1MD.VXD", InDriverFolder(u"TZ16E1MD.VXD"));
    vexl::machine::InstallFile(VEXL_UIRES_US_FILE, InDriverFolder(u"TZ16E1US.DLL"));
    vexl::machine::InstallFile(VEXL_TZ16E100_FILE, InDriverFolder(u"TZ16E100.DLL"));
    vexl::machine::InstallFile(VEXL_TZ16E130_FILE, InDriverFolder(u"TZ16E130.DLL"));
    vexl::machine::InstallFile(VEXL_TZ16C123_FILE, InDriverFolder(u"TZ16C123.DLL"));
    // The model INI, the install INI and the model's default settings package
    // with its presets and quality list, which the printer's initialisation
    // installs.
    for (const char* name : {"TZ16E172.ini", "TZINST.INI", "VXDEF.rsb", "VXDRAFT.rsd", "VXDUPLEX.rsd", "VXFINE.rsq"}) {
        const std::string file = name;
        vexl::machine::InstallFile(package / file, InDriverFolder(std::u16string(file.begin(), file.end())));
    }
    vexl::machine::WriteFile(u"C:\\_vexl\\.keep", "");
    vexl::machine::WriteFile(u"C:\\standin\\TZ16C123.ini", "[Library]\r\nFolder=C:\\standin\\spool\r\n");

    // The driver, then the printer, as an administrator installs them.
    std::u16string driverName = kDriverName, driverFile = u"TZ16E100.DLL", dataFile = u"TZ16E1MD.VXD",
                   configFile = u"TZ16E130.DLL", helpFile = u"TZ16E1US.HLP";
    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = driverName.data();
    driver.pDriverPath = driverFile.data();
    driver.pDataFile = dataFile.data();
    driver.pConfigFile = configFile.data();
    driver.pHelpFile = helpFile.data();
    if (!AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&driver)))
        throw std::runtime_error("AddPrinterDriverW");
    std::u16string printerName = kPrinterName, port = u"LPT1:";
    PRINTER_INFO_2W info{};
    info.pPrinterName = printerName.data();
    info.pDriverName = driverName.data();
    info.pPortName = port.data();
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (printer == nullptr) throw std::runtime_error("AddPrinterW");
    const vexl::machine::PrinterData help = WideText(u"TZ16E1US.HLP");
    std::u16string helpValue = u"HelpFileName";
    SetPrinterDataW(printer, helpValue.data(), help.type,
                    reinterpret_cast<LPBYTE>(const_cast<char*>(help.bytes.data())),
                    static_cast<DWORD>(help.bytes.size()));
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> block(needed);
    const bool hasDefault = GetPrinterW(printer, 2, block.data(), needed, &needed) &&
                            reinterpret_cast<PRINTER_INFO_2W*>(block.data())->pDevMode != nullptr;
    ClosePrinter(printer);
    std::cout << "machine: " << root.string() << "\nprinter: VEXL Demo (driver VEXL Color 4540)\n"
              << "default DEVMODE from the printer interface library: " << (hasDefault ? "yes" : "no") << "\n";
    return 0;
}

// Items of the driver's part of the DEVMODE, at the places where they travel.
constexpr std::size_t kQualityBitsOffset = 576;  // 16 bits; bit 14: text as bitmaps (bit 13 says the model has it)
constexpr std::uint16_t kTextBitmapQualityBit = 1u << 14;
constexpr std::size_t kImagePrintOffset = 583;  // 8 bits; 1: the engine renders the page in bands
constexpr std::size_t kHiddenBitsOffset = 856;  // 32 bits; bit 26: text as bitmaps on a model without the quality bit
constexpr std::uint32_t kTextBitmapHiddenBit = 1u << 26;

// The printer's default DEVMODE with the items of the job set.
std::vector<std::uint8_t> JobDevmode(bool raster)
{
    std::u16string name = kPrinterName;
    HANDLE printer = nullptr;
    if (!OpenPrinterW(name.data(), &printer, nullptr)) throw std::runtime_error("OpenPrinterW");
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::vector<BYTE> block(needed);
    const bool read = GetPrinterW(printer, 2, block.data(), needed, &needed);
    ClosePrinter(printer);
    const DEVMODEW* devmode = read ? reinterpret_cast<PRINTER_INFO_2W*>(block.data())->pDevMode : nullptr;
    if (!devmode) throw std::runtime_error("GetPrinterW: the printer has no default DEVMODE");
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(devmode);
    std::vector<std::uint8_t> out(bytes, bytes + devmode->dmSize + devmode->dmDriverExtra);
    if (out.size() < kHiddenBitsOffset + 4) throw std::runtime_error("the default DEVMODE has no driver part");
    std::uint16_t quality = static_cast<std::uint16_t>(out[kQualityBitsOffset] | (out[kQualityBitsOffset + 1] << 8));
    quality |= kTextBitmapQualityBit;
    out[kQualityBitsOffset] = static_cast<std::uint8_t>(quality);
    out[kQualityBitsOffset + 1] = static_cast<std::uint8_t>(quality >> 8);
    for (int i = 0; i < 4; ++i)
        out[kHiddenBitsOffset + i] |= static_cast<std::uint8_t>(kTextBitmapHiddenBit >> (8 * i));
    out[kImagePrintOffset] = raster ? 1 : 0;
    return out;
}

int Print(const fs::path& root, DWORD jobId, bool raster)
{
    vexl::machine::Use(root);
    vexl::host::JobOptions options;
    options.devmode = JobDevmode(raster);
    options.printerName = kPrinterName;
    options.driverPath = InDriverFolder(u"TZ16E100.DLL");
    options.interfacePath = InDriverFolder(u"TZ16E130.DLL");
    options.jobId = jobId;
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
