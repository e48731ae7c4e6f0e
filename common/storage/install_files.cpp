#include "common/storage/directories.h"

#include "common/core/context.h"
#include "common/core/memory.h"
#include "common/core/osinfo.h"
#include "common/core/printer.h"
#include "common/core/path_text.h"

#include <string>

namespace vexl {
namespace {

using namespace path_text;

// Installing one file: the same file, a copy when it is missing, a refresh.
BOOL CopyInstalledFile(const WCHAR* source, const WCHAR* target, std::uint16_t mode, int timeMode)
{
    if (EqualNoCase(source, target)) return TRUE;
    if (mode == kInstallCopyWhenMissing) {
        if (!FileExists(source)) return FALSE;
        if (FileExists(target)) return TRUE;
        return CopyFileNormal(source, target, FALSE);
    }
    if (!FileExists(source) || CompareFileTimes(source, target, timeMode)) return FALSE;
    if (FileExists(target) && !ForceDeleteFile(target)) return FALSE;
    return CopyFileNormal(source, target, FALSE);
}

}  // namespace

// ---- macros ----------------------------------------------------------------------------------------

BOOL ExpandInstallPath(WCHAR* path, int size, std::uint16_t mode, DriverContext* context)
{
    if (path == nullptr || size <= 0) return FALSE;
    const std::u16string text(View(path));
    if (text.size() >= 2 && text[1] == u':') return text.empty() ? FALSE : TRUE;

    const bool driverForm = mode == 1 && IsNt5OrLater();
    const std::u16string system = SystemDirectory();
    WCHAR driver[MAX_PATH] = {};
    bool driverKnown = false;
    if (driverForm && context) {
        auto* info = static_cast<DRIVER_INFO_3W*>(GetPrinterDriverInfo(context->printer, 3));
        driverKnown = info && info->pDriverPath;
        FreeIfNotNull(info);
        if (driverKnown) GetDriverDirectoryForPrinter(context->printer, driver);
    }
    // In the driver directory form the result needs the printer's driver.
    if (driverForm && !driverKnown) return FALSE;
    if (text.size() >= MAX_PATH) return FALSE;

    bool done = false;
    auto intoSystem = [&](Text rest) { done = !system.empty() && WriteJoined(path, size, {system, u"\\", rest}); };
    auto intoDriver = [&](Text rest) { done = WriteJoined(path, size, {View(driver), rest}); };
    const Text view = text;
    if (StartsWithNoCase(view, u"%windir%")) {
        const Text rest = view.substr(8);
        if (driverForm) {
            intoDriver(rest);
        } else {
            const std::u16string windows = WindowsDirectory();
            done = !windows.empty() && WriteJoined(path, size, {windows, u"\\", rest});
        }
    } else if (StartsWithNoCase(view, u"%sysdir%")) {
        const Text rest = view.substr(8);
        if (driverForm) {
            WCHAR shared[MAX_PATH] = {};
            done = GetSettingsDirectory(shared, MAX_PATH, context) > 0 &&
                   WriteJoined(path, size, {View(shared), u"\\", rest});
        } else {
            intoSystem(rest);
        }
    } else if (StartsWithNoCase(view, u"..\\")) {
        WCHAR built[MAX_PATH] = {};
        BuildSystemParentPath(built, MAX_PATH, text.c_str());
        done = built[0] != 0 && WriteJoined(path, size, {View(built)});
    } else if (StartsWithNoCase(view, u".\\")) {
        driverForm ? intoDriver(view.substr(2)) : intoSystem(view.substr(2));
    } else {
        driverForm ? intoDriver(view) : intoSystem(view);
    }
    return done && path[0] != 0 ? TRUE : FALSE;
}

BOOL ExpandAndCheckInstallPath(WCHAR* path, int size, DriverContext* context)
{
    return ExpandInstallPath(path, size, 1, context) && HasValidFileName(path) ? TRUE : FALSE;
}

BOOL ExpandSystemRootPath(WCHAR* path, int size, DriverContext* context)
{
    if (path == nullptr || size <= 0) return FALSE;
    const std::u16string text(View(path));
    if (text.size() >= 2 && text[1] == u':') return TRUE;
    if (text.size() >= MAX_PATH) return FALSE;
    WCHAR built[MAX_PATH] = {};
    if (StartsWithNoCase(text, u"%SYSTEMDRIVE%")) {
        BuildSystemDrivePath(built, MAX_PATH, text.c_str() + 13, context);
    } else if (StartsWithNoCase(text, u"%SYSTEMROOT%")) {
        BuildSystemRootPath(built, MAX_PATH, text.c_str() + 12, context);
    } else {
        return FALSE;
    }
    // An install path that cannot be expanded reports failure and stays as it was.
    if (built[0] == 0) return FALSE;
    return WriteJoined(path, size, {View(built)}) ? TRUE : FALSE;
}
// ---- files ---------------------------------------------------------------------------------------------

BOOL FileExists(const WCHAR* path)
{
    if (path == nullptr) return FALSE;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return FALSE;
    CloseHandle(file);
    return TRUE;
}

BOOL ForceDeleteFile(const WCHAR* path)
{
    if (path == nullptr || !SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL)) return FALSE;
    // The deletion's own result is the answer.
    return DeleteFileW(path);
}

BOOL CopyFileNormal(const WCHAR* from, const WCHAR* to, BOOL failIfExists)
{
    if (from == nullptr || to == nullptr || !CopyFileW(from, to, failIfExists)) return FALSE;
    if (!SetFileAttributesW(to, FILE_ATTRIBUTE_NORMAL)) return FALSE;
    return SetFileAttributesW(to, FILE_ATTRIBUTE_ARCHIVE);
}

BOOL CompareFileTimes(const WCHAR* first, const WCHAR* second, int mode)
{
    if (first == nullptr || second == nullptr) return FALSE;
    HANDLE a = CreateFileW(first, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (a == INVALID_HANDLE_VALUE) return FALSE;
    HANDLE b = CreateFileW(second, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (b == INVALID_HANDLE_VALUE) {
        CloseHandle(a);
        return FALSE;
    }
    FILETIME timeA{};
    FILETIME timeB{};
    const bool read = GetFileTime(a, nullptr, nullptr, &timeA) && GetFileTime(b, nullptr, nullptr, &timeB);
    CloseHandle(a);
    CloseHandle(b);
    if (!read) return FALSE;
    const LONG order = CompareFileTime(&timeA, &timeB);
    if (mode == kFileTimesEqual) return order == 0 ? TRUE : FALSE;
    if (mode == kFileTimeNotLater) return order <= 0 ? TRUE : FALSE;
    return FALSE;
}

int ReadFileChecked(HANDLE file, void* buffer, DWORD count)
{
    DWORD done = 0;
    return ReadFile(file, buffer, count, &done, nullptr) ? static_cast<int>(count) : -1;
}

int WriteFileChecked(HANDLE file, const void* buffer, DWORD count)
{
    DWORD done = 0;
    return WriteFile(file, buffer, count, &done, nullptr) ? static_cast<int>(count) : -1;
}

BOOL InstallDriverFileEx(const WCHAR* target, const WCHAR* sourceName, std::uint16_t mode, DriverContext* context,
                         int timeMode)
{
    if (target == nullptr || target[0] == 0) return FALSE;
    if (target[1] != u':') return CopyDriverFileToSystemDir(target, sourceName, mode, context);
    if (context == nullptr) return FALSE;
    WCHAR directory[MAX_PATH] = {};
    GetDriverDirectoryForPrinter(context->printer, directory);
    if (directory[0] == 0) return FALSE;
    WCHAR source[MAX_PATH] = {};
    const WCHAR* name = sourceName ? sourceName : FindFileNamePart(target);
    if (!WriteJoined(source, MAX_PATH, {View(directory), View(name)})) return FALSE;
    return CopyInstalledFile(source, target, mode, timeMode);
}

BOOL InstallDriverFile(const WCHAR* target, const WCHAR* sourceName, std::uint16_t mode, DriverContext* context)
{
    return InstallDriverFileEx(target, sourceName, mode, context, kFileTimesEqual);
}

BOOL CopyDriverFileToSystemDir(const WCHAR* name, const WCHAR* sourceName, std::uint16_t mode, DriverContext* context)
{
    if (name == nullptr || context == nullptr) return FALSE;
    WCHAR directory[MAX_PATH] = {};
    GetDriverDirectoryForPrinter(context->printer, directory);
    WCHAR source[MAX_PATH] = {};
    WCHAR target[MAX_PATH] = {};
    if (directory[0] == 0 || !WriteJoined(source, MAX_PATH, {View(directory), View(sourceName ? sourceName : name)}))
        return FALSE;
    BuildSystemDirPath(target, MAX_PATH, name);
    if (target[0] == 0) return FALSE;
    return CopyInstalledFile(source, target, mode, kFileTimeNotLater);
}

}  // namespace vexl
