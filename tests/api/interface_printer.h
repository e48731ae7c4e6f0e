// A machine with the settings interface's test printer: the driver installed
// as the package installs it, but with the interface's model description
// (tests/api/fixture/interface_model.vxd, installed as TZ16E1MD.VXD), the
// model INI with an optional [VEXLAPI] section, and a settings directory
// holding the settings INI, presets, quality lists, a bitmap and an overlay.
#pragma once

#include "common/core/context.h"
#include "common/core/store.h"
#include "common/model/model_list.h"
#include "platform/machine.h"
#include "platform/printers.h"
#include "platform/win32.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace vexl::test {

inline const std::filesystem::path kInterfaceFixtureFolder =
    std::filesystem::path(VEXL_SOURCE_DIR) / "tests" / "api" / "fixture";
inline const std::filesystem::path kInterfacePackageFolder = std::filesystem::path(VEXL_SOURCE_DIR) / "package";

inline constexpr const WCHAR* kInterfacePrinterName = u"VEXL Interface";
inline constexpr const char* kInterfacePrinterNameAnsi = "VEXL Interface";
inline constexpr const WCHAR* kInterfaceDriverName = u"VEXL Color 4540";
inline constexpr const WCHAR* kInterfaceDriverFolder = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3";
inline constexpr const WCHAR* kInterfaceModelIni = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\TZ16E172.ini";
inline constexpr const WCHAR* kInterfaceSettingsFolder = u"C:\\_vexl";
inline constexpr const WCHAR* kInterfaceSettingsIni = u"C:\\_vexl\\TZ16E170.ini";

// The files of the settings directory that the settings INI names.
inline constexpr const WCHAR* kInterfacePresetFile = u"C:\\_vexl\\proof.rst";
inline constexpr const WCHAR* kInterfaceForeignPresetFile = u"C:\\_vexl\\badhead.rst";
inline constexpr const WCHAR* kInterfaceBitmapFile = u"C:\\_vexl\\stamp.bmp";
inline constexpr const WCHAR* kInterfaceOverlayFile = u"C:\\_vexl\\form.rpo";

// What the model INI says of the settings interface: each key is written
// only when given (the section is left out when neither is).
struct InterfaceModelIni {
    std::optional<int> apiVersion;  // [VEXLAPI] VEXLAPIVer
    std::optional<int> apiOptions;  // [VEXLAPI] VEXLAPIFunc1
};

inline std::string ReadHostFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Writes the model INI of the driver directory: the package's, with the
// interface's section as asked.
inline void WriteInterfaceModelIni(const InterfaceModelIni& ini)
{
    std::string text = ReadHostFile(kInterfacePackageFolder / "TZ16E172.ini");
    if (ini.apiVersion || ini.apiOptions) {
        text += "[VEXLAPI]\r\n";
        if (ini.apiVersion) text += "VEXLAPIVer=" + std::to_string(*ini.apiVersion) + "\r\n";
        if (ini.apiOptions) text += "VEXLAPIFunc1=" + std::to_string(*ini.apiOptions) + "\r\n";
    }
    machine::WriteFile(kInterfaceModelIni, text);
}

// Installs the interface's printer on the machine of the current process.
inline void InstallInterfacePrinter(const InterfaceModelIni& ini = {})
{
    const std::u16string driverFolder = kInterfaceDriverFolder;
    machine::InstallFile(kInterfaceFixtureFolder / "interface_model.vxd", driverFolder + u"\\TZ16E1MD.VXD");
    machine::InstallFile(VEXL_UIRES_US_FILE, driverFolder + u"\\TZ16E1US.DLL");
    machine::InstallFile(VEXL_TZ16E130_FILE, driverFolder + u"\\TZ16E130.DLL");
    WriteInterfaceModelIni(ini);
    const std::u16string settings = kInterfaceSettingsFolder;
    for (const char16_t* name : {u"TZ16E170.ini", u"proof.rst", u"booklet.rst", u"badhead.rst", u"q1x.rsq", u"q2.rsq",
                                 u"stamp.bmp", u"form.rpo"}) {
        const std::u16string file = name;
        machine::InstallFile(kInterfaceFixtureFolder / std::filesystem::path(file), settings + u"\\" + file);
    }
    machine::PrinterSetup setup;
    setup.name = kInterfacePrinterName;
    setup.driverName = kInterfaceDriverName;
    setup.driverDirectory = driverFolder;
    setup.driverFile = u"TZ16E100.DLL";
    setup.configFile = u"TZ16E130.DLL";
    setup.dataFile = u"TZ16E1MD.VXD";
    std::u16string help = u"TZ16E1US.HLP";
    help.push_back(0);
    setup.printerData[u"HelpFileName"] = {
        REG_SZ, std::string(reinterpret_cast<const char*>(help.data()), help.size() * sizeof(char16_t))};
    machine::AddPrinter(setup);
}

inline HANDLE OpenInterfacePrinter()
{
    HANDLE printer = nullptr;
    std::u16string name = kInterfacePrinterName;
    OpenPrinterW(name.data(), &printer, nullptr);
    return printer;
}

// A fixture with the interface's printer installed and open; contexts made
// on it as the settings library makes them.
class InterfacePrinterTest : public MachineTest {
protected:
    void SetUp() override
    {
        InstallInterfacePrinter(ModelIni());
        printer_ = OpenInterfacePrinter();
        ASSERT_NE(printer_, nullptr);
    }
    void TearDown() override
    {
        PurgeContextCache(TRUE);
        FreeCompiledModelList();
        ClosePrinter(printer_);
    }
    // What the model INI holds for this fixture; tests override it.
    virtual InterfaceModelIni ModelIni() const { return {}; }

    DriverContext* Create(std::uint32_t callerKind = 0x200000)
    {
        return CreateDriverContext(printer_, printer_, nullptr, callerKind);
    }

    HANDLE printer_ = nullptr;
};

}  // namespace vexl::test
