// The install work's services in their waiting forms: each answers as if
// there were nothing to do, and gives way to the library's own form of the
// service wherever the library has one.
#include "ui/entry/install_services.h"

#include "common/storage/directories.h"
#include "platform/registry.h"

#define VEXL_WAITING_SERVICE [[gnu::weak]]

namespace vexl::ui {

VEXL_WAITING_SERVICE BOOL CreateDataFolder(HANDLE)
{
    return TRUE;
}
VEXL_WAITING_SERVICE BOOL RemoveDataFolder()
{
    return TRUE;
}
VEXL_WAITING_SERVICE BOOL SecureDataFolder(DriverContext*)
{
    return TRUE;
}
VEXL_WAITING_SERVICE BOOL ClearReadOnlyAttribute(const WCHAR* path)
{
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) return TRUE;
    return SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
}
VEXL_WAITING_SERVICE BOOL CopyDriverFileToSystemDirFor(const WCHAR*, const WCHAR*, std::uint16_t, HANDLE)
{
    return TRUE;
}
VEXL_WAITING_SERVICE BOOL RegisterModelResources(DriverContext*)
{
    return TRUE;
}
VEXL_WAITING_SERVICE BOOL CheckModelRegistration(DriverContext*)
{
    return TRUE;
}
VEXL_WAITING_SERVICE void RunExpandPrograms(DriverContext*) {}
VEXL_WAITING_SERVICE BOOL WriteHelpFileNameValue(HANDLE, DriverContext*)
{
    return TRUE;
}
VEXL_WAITING_SERVICE BOOL WritePrinterNameValue(HANDLE, DriverContext*)
{
    return TRUE;
}
VEXL_WAITING_SERVICE BOOL WriteDriverNameValue(HANDLE, DriverContext*)
{
    return TRUE;
}
VEXL_WAITING_SERVICE BOOL WriteDriverFileNames(HANDLE, DriverContext*)
{
    return TRUE;
}
VEXL_WAITING_SERVICE BOOL WriteLogFileName(BOOL, DriverContext*)
{
    return TRUE;
}
VEXL_WAITING_SERVICE BOOL WriteDriverRegistryValue(const WCHAR* valueName, const WCHAR* text, DWORD bytes)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDriverRegistryKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return FALSE;
    const LSTATUS status = RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}
VEXL_WAITING_SERVICE BOOL StoreFontListsIfChanged(HANDLE, DriverContext*)
{
    return TRUE;
}
VEXL_WAITING_SERVICE BOOL StoreFontListsFromModel(HANDLE, DriverContext*)
{
    return TRUE;
}
VEXL_WAITING_SERVICE BOOL StoreDefaultFontSubstTable(HANDLE, DriverContext*)
{
    return TRUE;
}
VEXL_WAITING_SERVICE void RebuildPresetFiles(DriverContext*) {}
VEXL_WAITING_SERVICE void RebuildQualityLists(DriverContext*) {}
VEXL_WAITING_SERVICE void RebuildStamps(DriverContext*) {}
VEXL_WAITING_SERVICE void RebuildFreeSizes(DriverContext*) {}
VEXL_WAITING_SERVICE void ClearPresetList(DriverContext*) {}
VEXL_WAITING_SERVICE void AppendPresetEntry(DriverContext*, const WCHAR*, const WCHAR*, const WCHAR*) {}
VEXL_WAITING_SERVICE int ShowWarningOkCancel(DriverContext*, HWND, int)
{
    return kAnswerOk;
}
VEXL_WAITING_SERVICE int ShowMessageWithStyle(DriverContext*, HWND, int, UINT, UINT)
{
    return kAnswerOk;
}

}  // namespace vexl::ui
