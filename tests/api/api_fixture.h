// The settings library's tests: the package's printer on a test machine
// with the printer interface library in its driver directory (the spooler
// routes DocumentPropertiesW there) and the model INI stating an API
// version; instances opened in this process through the library's code, and
// the deliverable TZ16E140.DLL loaded as an application loads it, through
// LoadLibraryW, GetProcAddress and the public header.
#pragma once

#include "api/frame.h"
#include "api/versions.h"
#include "common/core/context.h"
#include "platform/machine.h"
#include "platform/win32.h"
#include "support/integration_fixture.h"
#include "vexlapi/vexlapi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexl::test {

inline constexpr const char* kPrinterNameAnsi = "Office [2nd floor]";
inline constexpr const WCHAR* kModelIniFile = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\TZ16E172.ini";
inline constexpr const WCHAR* kApplicationLibrary = u"C:\\Program Files\\VexlApp\\TZ16E140.DLL";

// The model INI's [VEXLAPI] VEXLAPIVer: a number, or no key at all.
inline void SetModelApiVersion(std::optional<int> version)
{
    const std::string digits = version ? std::to_string(*version) : std::string();
    const std::u16string text(digits.begin(), digits.end());
    WritePrivateProfileStringW(u"VEXLAPI", u"VEXLAPIVer", version ? text.c_str() : nullptr, kModelIniFile);
}

// The printer with the interface library and the package's model INI.
inline void InstallApiPrinter(std::optional<int> apiVersion = api::kApiVersionLatest)
{
    InstallDriverPrinter();
    machine::InstallFile(VEXL_TZ16E130_FILE, std::u16string(kDriverFolder) + u"\\TZ16E130.DLL");
    machine::InstallFile(kPackageFolder / "TZ16E172.ini", kModelIniFile);
    SetModelApiVersion(apiVersion);
}

// The exports of TZ16E140.DLL as an application finds them.
struct ApiLibrary {
    HMODULE module = nullptr;
    PFN_VEXLDrvCheckAPIVer checkApiVer = nullptr;
    PFN_VEXLDrvEnable enable = nullptr;
    PFN_VEXLDrvInit init = nullptr;
    PFN_VEXLDrvDisable disable = nullptr;
    PFN_VEXLDrvGetLastError getLastError = nullptr;
    PFN_VEXLDrvGetCaps getCaps = nullptr;
    PFN_VEXLDrvGetStatus getStatus = nullptr;
    PFN_VEXLDrvSetStatus setStatus = nullptr;
    PFN_VEXLDrvSaveQualityData saveQualityData = nullptr;
    PFN_VEXLDrvRestoreQualityData restoreQualityData = nullptr;
    PFN_ExcGetExclusive excGetExclusive = nullptr;
    PFN_ExcFreeExclusive excFreeExclusive = nullptr;
    PFN_ExcSetCommandBase excSetCommandBase = nullptr;
    PFN_ExcUpdateCommand excUpdateCommand = nullptr;
    PFN_ExcGetCommandBase excGetCommandBase = nullptr;
    PFN_ExcGetCommandChange excGetCommandChange = nullptr;

    ApiLibrary() = default;
    ApiLibrary(const ApiLibrary&) = delete;
    ApiLibrary& operator=(const ApiLibrary&) = delete;
    ~ApiLibrary() { Unload(); }

    // Installs the deliverable into the machine and loads it; every export
    // named above must be found.
    void Load()
    {
        machine::InstallFile(VEXL_TZ16E140_FILE, kApplicationLibrary);
        module = LoadLibraryW(kApplicationLibrary);
        ASSERT_NE(module, nullptr);
        Find(checkApiVer, "VEXLDrvCheckAPIVer");
        Find(enable, "VEXLDrvEnable");
        Find(init, "VEXLDrvInit");
        Find(disable, "VEXLDrvDisable");
        Find(getLastError, "VEXLDrvGetLastError");
        Find(getCaps, "VEXLDrvGetCaps");
        Find(getStatus, "VEXLDrvGetStatus");
        Find(setStatus, "VEXLDrvSetStatus");
        Find(saveQualityData, "VEXLDrvSaveQualityData");
        Find(restoreQualityData, "VEXLDrvRestoreQualityData");
        Find(excGetExclusive, "ExcGetExclusive");
        Find(excFreeExclusive, "ExcFreeExclusive");
        Find(excSetCommandBase, "ExcSetCommandBase");
        Find(excUpdateCommand, "ExcUpdateCommand");
        Find(excGetCommandBase, "ExcGetCommandBase");
        Find(excGetCommandChange, "ExcGetCommandChange");
    }
    void Unload()
    {
        if (module) FreeLibrary(module);
        module = nullptr;
    }

    // An instance on the package printer with the application's version in force.
    VEXLDRVHANDLE EnableInstance(std::uint32_t applicationVersion = api::kApiVersionLatest)
    {
        VEXLDRVHANDLE handle = enable(kPrinterNameAnsi);
        const VEXLDRVINITRECORD record{0, applicationVersion};
        if (handle) init(1, &record);
        return handle;
    }

    template <typename Function> void Find(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        EXPECT_NE(function, nullptr) << name;
    }
};

// The package printer with an instance made by the library's code in this
// process: the settings-interface context with its record, as the exports
// hand it to every request.
class ApiPrinterTest : public DriverPrinterTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        InstallApiPrinter(ModelApiVersion());
        printer_ = OpenDriverPrinter();
        ASSERT_NE(printer_, nullptr);
    }
    void TearDown() override
    {
        for (DriverContext* instance : instances_) api::CloseApiInstance(instance);
        instances_.clear();
        DriverPrinterTest::TearDown();
    }

    // The version the model INI states for the fixture's printer.
    virtual std::optional<int> ModelApiVersion() const { return api::kApiVersionLatest; }

    // As VEXLDrvEnable and VEXLDrvInit make it; closed when the test ends.
    DriverContext* OpenInstance(std::uint32_t applicationVersion = api::kApiVersionLatest)
    {
        api::CheckApiVersion(kPrinterNameAnsi);
        api::BuildEnabledIdBitmaps(api::GetRequestedApiVersion());
        DriverContext* instance = api::OpenApiInstance(kPrinterNameAnsi);
        if (instance == nullptr) return nullptr;
        instances_.push_back(instance);
        const VEXLDRVINITRECORD record{0, applicationVersion};
        api::InitApiVersion(1, &record);
        return instance;
    }
    void CloseInstance(DriverContext* instance)
    {
        std::erase(instances_, instance);
        api::CloseApiInstance(instance);
    }

    std::vector<DriverContext*> instances_;
};

// The package printer and the deliverable loaded as an application loads it.
class ApiApplicationTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        InstallApiPrinter(ModelApiVersion());
        library_.Load();
    }
    void TearDown() override { library_.Unload(); }

    virtual std::optional<int> ModelApiVersion() const { return api::kApiVersionLatest; }

    ApiLibrary library_;
};

}  // namespace vexl::test
