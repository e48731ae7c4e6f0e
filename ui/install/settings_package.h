// Default-settings packages (".rsb"): a complete starting configuration of a
// printer with install lists of its preset (".rsd") and quality (".rsq")
// files. Loading a package, installing its lists and bundles, the model
// INI's install list and companion files, and the one refresh of the preset
// list after installation.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

// Flags of the package install lists (InstallPackageLists).
inline constexpr std::uint32_t kPackageListsRegister = 0x1;
inline constexpr std::uint32_t kPackageListsCopy = 0x2;
inline constexpr std::uint32_t kPackageListsRenamed = 0x10;
inline constexpr std::uint32_t kPackageListsMarkDone = 0x100;

// Kinds of RunPresetRefresh.
inline constexpr int kPresetRefreshDocumentSheet = 0;
inline constexpr int kPresetRefreshQuiet = 1;
inline constexpr int kPresetRefreshDeviceSheet = 2;

// A companion file of the driver package: kind 2 rows are copied into the
// system directory when a connection's cache is refreshed.
struct CompanionFile {
    std::uint32_t kind;
    const WCHAR* name;
};
inline constexpr std::uint32_t kCompanionCacheRefresh = 2;
inline constexpr std::uint32_t kCompanionInstall = 1;
const CompanionFile* GetCompanionFileTable();

WCHAR* ExpandToDriverDirectory(WCHAR* path, int size, DriverContext* context);
BOOL IsDefaultPackageFile(const WCHAR* path);
BOOL LoadDefaultSettingsPackage(const WCHAR* package, const WCHAR* section, DriverContext* context);
BOOL InstallPackageLists(const WCHAR* package, const WCHAR* section, std::uint32_t flags, DriverContext* context);
BOOL InstallQualityFiles(const WCHAR* listFile, const WCHAR* section, std::uint32_t flags, DriverContext* context);
BOOL CopyPackageFreeSizes(const WCHAR* package, const WCHAR* section, DriverContext* context);
BOOL CopyPackageStamps(const WCHAR* package, const WCHAR* section, DriverContext* context);
BOOL InstallDefaultPresetFiles(DriverContext* context);
BOOL InstallListedFiles(const WCHAR* modelIni, const WCHAR* section, DriverContext* context);
BOOL InstallModelFiles(DriverContext* context, std::uint32_t flags);
BOOL RefreshCompanionFiles(HANDLE printer);
BOOL ReloadDefaultPresets(DriverContext* context, BOOL ask);
BOOL RunPresetRefresh(DriverContext* context, int kind);

// The quality list of the printer's section of the settings INI.
void ClearQualityList(DriverContext* context);
void AppendQualityEntry(DriverContext* context, const WCHAR* path, const WCHAR* name);
BOOL ReadQualityName(const WCHAR* file, const WCHAR* section, WCHAR* out, int size);

// "DefaultRst", the default-settings package named in a file's section, into
// out (260 characters); FALSE when the file's path is not absolute or the
// value is empty. The model INI's language section and the settings INI's
// printer section each name one.
BOOL ReadDefaultRstOf(WCHAR* out, const WCHAR* file, const WCHAR* section);
BOOL ReadModelDefaultRst(WCHAR* out, DriverContext* context);
BOOL ReadStoredDefaultRst(WCHAR* out, DriverContext* context);

}  // namespace vexl::ui
