#include "demo_printer.h"

#include "platform/machine.h"
#include "platform/printers.h"
#include "platform/spooler.h"
#include "platform/spooler_driver.h"

#include <fstream>
#include <stdexcept>
#include <string>

namespace vexl::host {
namespace {

constexpr const char16_t* kDriverFolder = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3";

std::u16string InDriverFolder(std::u16string_view file)
{
    return std::u16string(kDriverFolder) + u"\\" + std::u16string(file);
}

machine::PrinterData WideText(std::u16string_view text)
{
    std::u16string terminated(text);
    terminated.push_back(0);
    return {REG_SZ, std::string(reinterpret_cast<const char*>(terminated.data()), terminated.size() * 2)};
}

// Items of the driver's part of the DEVMODE, at the places where they travel.
constexpr std::size_t kQualityBitsOffset = 576;  // 16 bits; bit 14: text as bitmaps (bit 13 says the model has it)
constexpr std::uint16_t kTextBitmapQualityBit = 1u << 14;
constexpr std::size_t kImagePrintOffset = 583;  // 8 bits; 1: the engine renders the page in bands
constexpr std::size_t kHiddenBitsOffset = 856;  // 32 bits; bit 26: text as bitmaps on a model without the quality bit
constexpr std::uint32_t kTextBitmapHiddenBit = 1u << 26;

// The file setup leaves in every machine folder it makes: it may empty such
// a folder again, and no other.
constexpr const char* kMarkerFile = ".vexl-print-machine";

// Makes the folder ready for a new machine: a folder that does not exist is
// made, an empty one is taken as it is, and one that holds the marker has
// its contents removed (the folder itself stays, so "." works too). Anything
// else is refused before a single file is touched.
void PrepareMachineFolder(const std::filesystem::path& root)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(root, error))) {
        fs::create_directories(root);
        return;
    }
    if (!fs::is_directory(fs::status(root, error)))
        throw MachineFolderRefused("setup: " + root.string() + " exists and is not a folder; nothing was changed");
    if (fs::is_empty(root)) return;
    if (!fs::exists(root / kMarkerFile))
        throw MachineFolderRefused("setup: " + root.string() +
                                   " is not empty and is not a machine that vexl-print made; nothing was removed "
                                   "(give a new or empty folder)");
    for (const fs::directory_entry& entry : fs::directory_iterator(root)) fs::remove_all(entry.path());
}

}  // namespace

bool SetUpDemoPrinter(const std::filesystem::path& root, const DemoFiles& files)
{
    machine::Profile profile;
    profile.fixedLocalTime = "2007-01-31 09:05:03.000";
    // The Japanese ANSI code page, so that the names of the printer's
    // Japanese font families reach the driver in the device's code.
    profile.ansiCodePage = 932;
    PrepareMachineFolder(root);
    std::ofstream(root / kMarkerFile) << "A machine made by vexl-print setup; setup may empty this folder again.\n";
    machine::Create(root, profile);
    machine::Use(root);
    machine::InstallFile(files.package / "TZ16E1MD.VXD", InDriverFolder(u"TZ16E1MD.VXD"));
    machine::InstallFile(files.resources, InDriverFolder(u"TZ16E1US.DLL"));
    machine::InstallFile(files.graphics, InDriverFolder(u"TZ16E100.DLL"));
    machine::InstallFile(files.interface, InDriverFolder(u"TZ16E130.DLL"));
    machine::InstallFile(files.spool, InDriverFolder(u"TZ16C123.DLL"));
    // The model INI, the install INI and the model's default settings package
    // with its presets and quality list, which the printer's initialisation
    // installs.
    for (const char* name : {"TZ16E172.ini", "TZINST.INI", "VXDEF.rsb", "VXDRAFT.rsd", "VXDUPLEX.rsd", "VXFINE.rsq"}) {
        const std::string file = name;
        machine::InstallFile(files.package / file, InDriverFolder(std::u16string(file.begin(), file.end())));
    }
    machine::WriteFile(u"C:\\_vexl\\.keep", "");
    machine::WriteFile(u"C:\\standin\\TZ16C123.ini", "[Library]\r\nFolder=C:\\standin\\spool\r\n");

    // The driver, then the printer, as an administrator installs them.
    std::u16string driverName = kDemoDriverName, driverFile = u"TZ16E100.DLL", dataFile = u"TZ16E1MD.VXD",
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
    std::u16string printerName = kDemoPrinterName, port = u"LPT1:";
    PRINTER_INFO_2W info{};
    info.pPrinterName = printerName.data();
    info.pDriverName = driverName.data();
    info.pPortName = port.data();
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (printer == nullptr) throw std::runtime_error("AddPrinterW");
    const machine::PrinterData help = WideText(u"TZ16E1US.HLP");
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
    return hasDefault;
}

std::vector<std::uint8_t> DemoJobDevmode(bool raster)
{
    std::u16string name = kDemoPrinterName;
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

JobOptions DemoJobOptions(DWORD jobId, bool raster)
{
    JobOptions options;
    options.devmode = DemoJobDevmode(raster);
    options.printerName = kDemoPrinterName;
    options.driverPath = InDriverFolder(u"TZ16E100.DLL");
    options.interfacePath = InDriverFolder(u"TZ16E130.DLL");
    options.jobId = jobId;
    // vexl-print tells what went wrong and counts the rest.
    options.reportEveryCall = false;
    return options;
}

}  // namespace vexl::host
