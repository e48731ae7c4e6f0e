// The settings library as an application loads it, for the fuzz targets of
// its exports: the package's printer with its model INI stating the latest
// API version, TZ16E140.DLL loaded once and kept loaded, and one instance
// enabled on the printer with the latest version in force.
#pragma once

#include "fuzz_support.h"

#include "api/api_fixture.h"
#include "vexlapi/vexl_exc.h"
#include "vexlapi/vexldrv.h"

#include <cstdlib>

namespace vexl::fuzz {

struct ApiExports {
    HMODULE module = nullptr;
    VEXLDRVHANDLE instance = nullptr;
    PFN_VEXLDrvDisable disable = nullptr;
    PFN_VEXLDrvSetStatus setStatus = nullptr;
    PFN_VEXLDrvGetStatus getStatus = nullptr;
    PFN_VEXLDrvGetDevmode getDevmode = nullptr;
    PFN_VEXLDrvGetDevmodeEx getDevmodeEx = nullptr;
    PFN_ExcGetExclusive excGetExclusive = nullptr;
    PFN_ExcFreeExclusive excFreeExclusive = nullptr;
    PFN_ExcSetCommandBase excSetCommandBase = nullptr;
    PFN_ExcUpdateCommand excUpdateCommand = nullptr;
    PFN_ExcGetCommandBase excGetCommandBase = nullptr;
    PFN_ExcGetCommandChange excGetCommandChange = nullptr;
    PFN_ExcGetCommandValue excGetCommandValue = nullptr;
    PFN_ExcGetPrinterOption excGetPrinterOption = nullptr;
    PFN_ExcGetPrinterValue excGetPrinterValue = nullptr;
    PFN_ExcGetWaterMarkList excGetWaterMarkList = nullptr;
    PFN_ExcGetDriverDevmode excGetDriverDevmode = nullptr;
    PFN_ExcGetIniFileName excGetIniFileName = nullptr;
};

inline const ApiExports& SettingsLibrary()
{
    static const ApiExports exports = [] {
        ApiExports found;
        UseFuzzMachine();
        test::InstallApiPrinter(api::kApiVersionLatest);
        KeepDriverLibrary(u"TZ16E130.DLL", VEXL_TZ16E130_FILE);
        LoadPackageResources();
        found.module = KeepDriverLibrary(u"TZ16E140.DLL", VEXL_TZ16E140_FILE);
        if (found.module == nullptr) return found;
        HMODULE m = found.module;
        found.setStatus = FindExport<PFN_VEXLDrvSetStatus>(m, "VEXLDrvSetStatus");
        found.getStatus = FindExport<PFN_VEXLDrvGetStatus>(m, "VEXLDrvGetStatus");
        found.getDevmode = FindExport<PFN_VEXLDrvGetDevmode>(m, "VEXLDrvGetDevmode");
        found.getDevmodeEx = FindExport<PFN_VEXLDrvGetDevmodeEx>(m, "VEXLDrvGetDevmodeEx");
        found.excGetExclusive = FindExport<PFN_ExcGetExclusive>(m, "ExcGetExclusive");
        found.excFreeExclusive = FindExport<PFN_ExcFreeExclusive>(m, "ExcFreeExclusive");
        found.excSetCommandBase = FindExport<PFN_ExcSetCommandBase>(m, "ExcSetCommandBase");
        found.excUpdateCommand = FindExport<PFN_ExcUpdateCommand>(m, "ExcUpdateCommand");
        found.excGetCommandBase = FindExport<PFN_ExcGetCommandBase>(m, "ExcGetCommandBase");
        found.excGetCommandChange = FindExport<PFN_ExcGetCommandChange>(m, "ExcGetCommandChange");
        found.excGetCommandValue = FindExport<PFN_ExcGetCommandValue>(m, "ExcGetCommandValue");
        found.excGetPrinterOption = FindExport<PFN_ExcGetPrinterOption>(m, "ExcGetPrinterOption");
        found.excGetPrinterValue = FindExport<PFN_ExcGetPrinterValue>(m, "ExcGetPrinterValue");
        found.excGetWaterMarkList = FindExport<PFN_ExcGetWaterMarkList>(m, "ExcGetWaterMarkList");
        found.excGetDriverDevmode = FindExport<PFN_ExcGetDriverDevmode>(m, "ExcGetDriverDevmode");
        found.excGetIniFileName = FindExport<PFN_ExcGetIniFileName>(m, "ExcGetIniFileName");
        const auto enable = FindExport<PFN_VEXLDrvEnable>(m, "VEXLDrvEnable");
        const auto init = FindExport<PFN_VEXLDrvInit>(m, "VEXLDrvInit");
        if (enable == nullptr || init == nullptr) return found;
        found.instance = enable(test::kPrinterNameAnsi);
        const VEXLDRVINITRECORD record{0, api::kApiVersionLatest};
        if (found.instance) init(1, &record);
        found.disable = FindExport<PFN_VEXLDrvDisable>(m, "VEXLDrvDisable");
        // The instance ends before the library is freed, as an application ends it.
        std::atexit([] {
            const ApiExports& library = SettingsLibrary();
            if (library.instance != nullptr && library.disable != nullptr) library.disable(library.instance);
        });
        return found;
    }();
    return exports;
}

}  // namespace vexl::fuzz
