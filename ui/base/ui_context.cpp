// The interface library's driver context.
#include "ui/base/ui_context.h"

#include "common/core/devmode_merge.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/paper_sync.h"
#include "common/core/printer.h"
#include "common/core/store.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/job_control.h"
#include "common/storage/persistence.h"
#include "ui/base/job_info.h"
#include "ui/base/job_strings.h"
#include "ui/base/library_state.h"
#include "ui/base/printer_values.h"

namespace vexl::ui {
namespace {

constexpr std::uint16_t kModeFull = 0;
constexpr std::uint16_t kModeInstall = 1;
constexpr const WCHAR* kAnswerFileName = u"VEXL.ini";
constexpr const WCHAR* kInstallMarkKey = u"DrvInstSet";
constexpr DWORD kWindows2000Major = 5;
constexpr DWORD kWindows2000Minor = 0;
constexpr WORD kServicePack4 = 4;

// The printer's section in the install answer file: its name with '[' and
// ']' made ','.
void AnswerFileSection(DriverContext* context, WCHAR* out, int size)
{
    const WCHAR* name = GetPrinterSectionName(context);
    lstrcpynW(out, name ? name : u"", size);
    SanitizeIniSection(out);
}

// The install answer file hands the printer's job information to the
// job-control plug-in once: at the first full context after the mark.
void HandOverInstallJobInfo(DriverContext* context)
{
    WCHAR file[MAX_PATH] = {};
    if (BuildSystemDirPath(file, MAX_PATH, kAnswerFileName)[0] == 0) return;
    WCHAR section[261] = {};
    AnswerFileSection(context, section, 261);
    if (GetPrivateProfileIntW(section, kInstallMarkKey, 0, file) == 0) return;
    LoadJobInfoItemsFromPrinterData(context, kInstallJobInfoMask);
    SetJobControlValuesIfOn(context, kInstallJobInfoMask);
    if (LoadSettingFromPrinterData(context->printer, context, FindItem(context, rdmUserCode)))
        SetJobControlValuesIfOn(context, kJobInfoUserCodeMask);
    WritePrivateProfileStringW(section, kInstallMarkKey, u"0", file);
}

BOOL ReadVersion(OSVERSIONINFOEXW* version)
{
    *version = OSVERSIONINFOEXW{};
    version->dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    return GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(version));
}

bool IsWindows2000(const OSVERSIONINFOEXW& version)
{
    return version.dwMajorVersion == kWindows2000Major && version.dwMinorVersion == kWindows2000Minor;
}

std::uint32_t ReadFlag(DriverContext* context, std::uint16_t item)
{
    return GetItemValue(context, item);
}

}  // namespace

DriverContext* CreateDriverContextUi(HANDLE printer, HANDLE secondPrinter, void*, std::uint16_t flags,
                                     std::uint32_t callerKind, std::int32_t selector, const PRINTER_INFO_2W* info)
{
    if (GetSharedIdentityFlag() == 1) callerKind |= kCallerSharedIdentity;
    PRINTER_INFO_2W* fetched = nullptr;
    if (info == nullptr) {
        fetched = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
        info = fetched;
    }
    if (callerKind == kCallerEnablePdev) callerKind = kCallerEnablePdevStored;

    // A parked context comes back as it is.
    DriverContext* context =
        LookUpCachedContext(printer, flags, callerKind, selector, info ? info->pPrinterName : nullptr);
    if (context == nullptr) {
        context = CreateDriverContextEx(printer, secondPrinter, flags, callerKind, selector, info);
        const std::uint16_t mode = flags & kCreateModeMask;
        if (context != nullptr && mode == kModeInstall) {
            lstrcpynW(context->workArea->languageCode, GetHelpLanguageCode(context), 32);
        }
        if (context != nullptr && mode == kModeFull) {
            HandOverInstallJobInfo(context);
            SaveSettingsCopy(context);
        }
    }
    FreeIfNotNull(fetched);
    return context;
}

DriverContext* CreateDriverContext(HANDLE printer, HANDLE secondPrinter, void* reserved, std::uint32_t callerKind)
{
    return CreateDriverContextUi(printer, secondPrinter, reserved, 0, callerKind, 0, nullptr);
}

DriverContext* CreateDriverContextWithFlags(HANDLE printer, HANDLE secondPrinter, void* reserved, std::uint16_t flags,
                                            std::uint32_t callerKind)
{
    return CreateDriverContextUi(printer, secondPrinter, reserved, flags, callerKind, 0, nullptr);
}

DriverContext* CreateDriverContextForMode(HANDLE printer, HANDLE secondPrinter, void* reserved,
                                          std::uint32_t callerKind, std::int32_t selector)
{
    return CreateDriverContextUi(printer, secondPrinter, reserved, 0, callerKind, selector, nullptr);
}

DriverContext* CreateDriverContextWithInfo(HANDLE printer, HANDLE secondPrinter, void* reserved,
                                           std::uint32_t callerKind, const PRINTER_INFO_2W* info)
{
    return CreateDriverContextUi(printer, secondPrinter, reserved, 0, callerKind, 0, info);
}

void ReleaseDriverContextAs(DriverContext* context, std::uint16_t releaseType)
{
    vexl::ReleaseDriverContext(context, releaseType);
}

BOOL IsLocalPrinter(HANDLE printer)
{
    auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(printer, 2));
    const BOOL local = info != nullptr && !IsPrinterInfoConnection(info);
    FreeIfNotNull(info);
    return local;
}

BOOL IsPrinterInfoConnection(const PRINTER_INFO_2W* info)
{
    return info != nullptr && info->pServerName != nullptr;
}

BOOL IsWindows2000BeforeSp4()
{
    OSVERSIONINFOEXW version;
    return ReadVersion(&version) && IsWindows2000(version) && version.wServicePackMajor < kServicePack4;
}

BOOL IsWindows2000Sp4()
{
    OSVERSIONINFOEXW version;
    return ReadVersion(&version) && IsWindows2000(version) && version.wServicePackMajor == kServicePack4;
}

BOOL ReadAdminChangeMark(HANDLE printer, std::uint32_t* value)
{
    BYTE bytes[4] = {};
    DWORD type = 0;
    DWORD needed = 0;
    WCHAR name[] = u"AdminChange";
    if (GetPrinterDataW(printer, name, &type, bytes, sizeof bytes, &needed) != ERROR_SUCCESS) return FALSE;
    const std::uint32_t read = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
                               std::uint32_t(bytes[3]) << 24;
    if (value != nullptr) *value = read;
    return read != 0;
}

std::uint32_t GetInstallUserCodeFlag(DriverContext* context)
{
    return ReadFlag(context, rdmPrintLog);
}
std::uint32_t GetDeviceInfoFlag(DriverContext* context)
{
    return ReadFlag(context, rdmBiDirect);
}
std::uint32_t GetNoPermissionFlag(DriverContext* context)
{
    return ReadFlag(context, rdmNoPermission);
}
std::uint32_t GetUiModeChangeFlag(DriverContext* context)
{
    return ReadFlag(context, rdmPresentUIMode);
}
std::uint32_t GetDllUserCodeFlag(DriverContext* context)
{
    return ReadFlag(context, rdmUserCodeGet);
}
void SetDefaultsModeFlagOff(DriverContext* context)
{
    SetDefaultsModeFlag(context, 0);
}
void SetPackageImportFlagOff(DriverContext* context)
{
    SetPackageImportFlag(context, 0);
}
void SetInstallUserCodeFlagOn(DriverContext* context)
{
    SetInstallUserCodeFlag(context, 1);
}
void SetNoPermissionFlagOn(DriverContext* context)
{
    SetNoPermissionFlag(context, 1);
}
void SetDllUserCodeFlagOn(DriverContext* context)
{
    SetDllUserCodeFlag(context, 1);
}
void MarkDeviceSheetSession(DriverContext* context)
{
    SetDeviceSheetFlag(context, 1);
}
void SetDllUserCodeFlag2On(DriverContext* context)
{
    SetDllUserCodeFlag2(context, 1);
}

void InitPrivateRuntimeFlagsUi(DriverContext* context)
{
    if (GetStoreBytes(context) == nullptr) return;
    InitPrivateRuntimeFlags(context);
    // The companion applications are this library's to find.
    SetBindingAppFlag(context, IsCompanionFunctionInstalled(2, context) ? 1 : 0);
    SetPreviewAppFlag(context, IsCompanionFunctionInstalled(8, context) ? 1 : 0);
}

std::uint16_t SelectFreeSizeTray(DriverContext* context, std::uint16_t paperId, std::uint8_t mode)
{
    if (!IsFreeSizePaper(paperId)) return 0;
    const int slot = GetSlotForPaperId(paperId, context);
    CachePrintFreeSize(context, paperId, slot);
    if (slot < 0 || slot >= kPaperTableRows) return 0;
    const std::uint16_t tray = context->workArea->paperTable[slot].tray;
    if (mode == 0) return tray;
    if (mode == 1) {
        SetItemValue(context, dmDefaultSource, tray);
        return 1;
    }
    return 0;
}

}  // namespace vexl::ui
