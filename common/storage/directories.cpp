#include "common/storage/directories.h"

#include "common/core/context.h"
#include "common/core/items.h"
#include "common/core/languages.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/core/osinfo.h"
#include "common/core/printer.h"
#include "common/model/ui_lookup.h"
#include "common/storage/ini.h"
#include "common/core/path_text.h"
#include "common/storage/persistence.h"
#include "common/storage/resources.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace vexl {
namespace {

using namespace path_text;


// The shared directory once the connection's printer-data value has been
// tried: the registry value, else the system drive's folder.
int ResolveSharedDirectoryTail(WCHAR* out, int size)
{
    WCHAR registry[MAX_PATH] = {};
    if (ReadDriverRegistryValue(kDirectoryValueName, registry, sizeof(registry)) && registry[0] != 0) {
        return WriteJoined(out, size, {View(registry)}) ? lstrlenW(out) : 0;
    }
    const std::u16string root = SystemDriveRoot();
    if (root.empty()) return 0;
    return WriteJoined(out, size, {root, View(kSettingsFolderName)}) ? lstrlenW(out) : 0;
}

int ResolveSharedDirectory(WCHAR* out, int size, bool isConnection, HANDLE printer)
{
    if (out == nullptr || size <= 0) return 0;
    if (!IsNt5OrLater()) {
        const std::u16string system = SystemDirectory();
        return !system.empty() && WriteJoined(out, size, {system}) ? lstrlenW(out) : 0;
    }
    if (isConnection &&
        ReadPrinterDataDirectory(printer, kClientDirectoryValueName, out, size) == DirectoryRead::kResolved) {
        return lstrlenW(out);
    }
    return ResolveSharedDirectoryTail(out, size);
}

// A library loaded by name for one call and freed again when the call is
// done, whatever its outcome.
class CallLibrary {
public:
    explicit CallLibrary(const WCHAR* name) : module_(LoadLibraryW(name)) {}
    ~CallLibrary()
    {
        if (module_) FreeLibrary(module_);
    }
    CallLibrary(const CallLibrary&) = delete;
    CallLibrary& operator=(const CallLibrary&) = delete;

    // The entry point as its function type; null when the library or the entry point is missing.
    template <typename Function> Function Find(const char* entryPoint) const
    {
        if (!module_) return nullptr;
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module_, entryPoint)));
    }

private:
    HMODULE module_;
};

// The known folder LocalAppDataLow, from the shell library; its text is freed
// by the task allocator.
std::u16string QueryLocalAppDataLow()
{
    const CallLibrary shell(u"shell32.dll");
    const CallLibrary taskAllocator(u"ole32.dll");
    const auto getKnownFolderPath = shell.Find<SHGetKnownFolderPathProc>("SHGetKnownFolderPath");
    const auto freeTaskMemory = taskAllocator.Find<CoTaskMemFreeProc>("CoTaskMemFree");
    if (!getKnownFolderPath || !freeTaskMemory) return {};
    WCHAR* folder = nullptr;
    std::u16string result;
    if (SUCCEEDED(getKnownFolderPath(FOLDERID_LocalAppDataLow, 0, nullptr, &folder)) && folder) {
        result = folder;
    }
    freeTaskMemory(folder);
    return result;
}

// The profile folder of the calling thread's user (its token, else the
// process's), from the user-environment library.
std::u16string QueryUserProfileDirectory()
{
    const CallLibrary userEnvironment(u"UserEnv.dll");
    const auto getUserProfileDirectory = userEnvironment.Find<GetUserProfileDirectoryWProc>("GetUserProfileDirectoryW");
    if (!getUserProfileDirectory) return {};
    HANDLE token = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
        if (GetLastError() != ERROR_NO_TOKEN || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
            return {};
        }
    }
    WCHAR buffer[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const BOOL done = getUserProfileDirectory(token, buffer, &size);
    CloseHandle(token);
    return done ? std::u16string(buffer) : std::u16string();
}

int ResolveUserDirectory(WCHAR* out, int size)
{
    if (out == nullptr || size <= 0) return 0;
    const Text suffix = kSettingsFolderName;
    if (IsVistaOrLater()) {
        const std::u16string folder = QueryLocalAppDataLow();
        if (folder.empty()) return 0;
        return WriteJoined(out, size, {folder, u"\\", suffix}) ? lstrlenW(out) : 0;
    }
    const std::u16string profile = QueryUserProfileDirectory();
    if (profile.empty()) return 0;
    if (IsNt5OrLater()) return WriteJoined(out, size, {profile, u"\\", suffix}) ? lstrlenW(out) : 0;
    const std::u16string system = SystemDirectory();
    if (system.empty()) return 0;
    return WriteJoined(out, size, {system, u"\\", View(kMakerFolderName), u"\\", suffix, u"\\", LastComponent(profile)})
               ? lstrlenW(out)
               : 0;
}

const WCHAR* SettingsIniName(DriverContext* context)
{
    const ModelRecord* record =
        context && context->modelRecord ? context->modelRecord : GetModelDatabase()->modelRecord;
    return record ? record->settingsIniName : nullptr;
}

}  // namespace

// ---- directories ---------------------------------------------------------------------------------

int GetSettingsDirectory(WCHAR* out, int size, DriverContext* context)
{
    const bool connection = context && IsNt5OrLater() && IsPrinterConnection(context);
    return ResolveSharedDirectory(out, size, connection, context ? context->printer : nullptr);
}

int GetSettingsDirectoryForPrinter(WCHAR* out, int size, HANDLE printer)
{
    const bool connection = printer && IsNt5OrLater() && IsNetworkPrinter(printer);
    return ResolveSharedDirectory(out, size, connection, printer);
}

int GetUserSettingsDirectory(WCHAR* out, int size, DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work && out && size > 0 && work->settingsIniPath[1] == u':') {
        const Text directory = DirectoryOf(View(work->settingsIniPath));
        if (!directory.empty()) return WriteJoined(out, size, {directory}) ? lstrlenW(out) : 0;
    }
    return ResolveUserDirectory(out, size);
}

int GetUserSettingsDirectoryNoContext(WCHAR* out, int size)
{
    return ResolveUserDirectory(out, size);
}

BOOL ReadDriverRegistryValue(const WCHAR* valueName, WCHAR* out, DWORD sizeBytes)
{
    if (valueName == nullptr || out == nullptr || sizeBytes < sizeof(WCHAR)) return FALSE;
    HKEY key = nullptr;
    if (RegOpenKeyW(HKEY_LOCAL_MACHINE, kDriverRegistryKey, &key) != ERROR_SUCCESS) return FALSE;
    DWORD type = REG_NONE;
    DWORD bytes = sizeBytes;
    const LSTATUS status = RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(out), &bytes);
    RegCloseKey(key);
    const DWORD capacity = sizeBytes / sizeof(WCHAR);
    bool terminated = false;
    if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        const DWORD chars = bytes / sizeof(WCHAR) < capacity ? bytes / sizeof(WCHAR) : capacity;
        for (DWORD i = 0; i < chars && !terminated; ++i) terminated = out[i] == 0;
    }
    if (!terminated) {
        out[0] = 0;
        return FALSE;
    }
    return TRUE;
}

DirectoryRead ReadPrinterDataDirectory(HANDLE printer, const WCHAR* valueName, WCHAR* out, int size)
{
    if (printer == nullptr || valueName == nullptr) return DirectoryRead::kNotResolved;
    WCHAR value[MAX_PATH + 1] = {};
    DWORD type = REG_NONE;
    DWORD needed = 0;
    if (GetPrinterDataW(printer, const_cast<LPWSTR>(valueName), &type, reinterpret_cast<BYTE*>(value),
                        MAX_PATH * sizeof(WCHAR), &needed) != ERROR_SUCCESS) {
        return DirectoryRead::kNotResolved;
    }
    value[MAX_PATH] = 0;
    const Text text = View(value);
    if (text.empty()) return DirectoryRead::kNotResolved;

    std::u16string directory;
    constexpr Text kSystemRoot = u"%SYSTEMROOT%";
    constexpr Text kUserProfile = u"%USERPROFILE%";
    if (StartsWithNoCase(text, kUserProfile)) {
        WCHAR user[MAX_PATH] = {};
        if (GetUserSettingsDirectoryNoContext(user, MAX_PATH) == 0) return DirectoryRead::kNoUserDirectory;
        if (lstrlenW(user) + 41 >= static_cast<int>(MAX_PATH)) return DirectoryRead::kNotResolved;
        directory = user;
    } else {
        if (StartsWithNoCase(text, kSystemRoot)) {
            directory = WindowsDirectory() + std::u16string(text.substr(kSystemRoot.size()));
        } else {
            directory = text;
        }
        if (directory.size() + 47 >= MAX_PATH) return DirectoryRead::kNotResolved;
        WIN32_FIND_DATAW found{};
        std::u16string probe = directory;
        while (!probe.empty() && probe.back() == u'\\') probe.pop_back();
        HANDLE find = FindFirstFileW(probe.c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return DirectoryRead::kNotResolved;
        FindClose(find);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return DirectoryRead::kNotResolved;
        if (directory.back() != u'\\') directory += u'\\';
        directory += kSettingsFolderName;
    }
    // A directory that does not fit the caller's buffer is not resolved.
    return WriteJoined(out, size, {directory}) ? DirectoryRead::kResolved : DirectoryRead::kNotResolved;
}

// ---- files of the printer ------------------------------------------------------------------------

const WCHAR* GetSettingsIniPath(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr) return nullptr;
    WCHAR* field = work->settingsIniPath;
    constexpr int kFieldChars = static_cast<int>(sizeof(work->settingsIniPath) / sizeof(WCHAR));
    const Text name = View(SettingsIniName(context));
    if (name.size() >= 2 && name[1] == u':') {
        WriteJoinedOrEmpty(field, kFieldChars, {name});
        return field;
    }
    WCHAR directory[MAX_PATH] = {};
    int length = 0;
    if (IsTerminalServerCached(context->printer) && (work->callerKind & kCallerSharedSettingsDirectory) == 0) {
        length = GetUserSettingsDirectory(directory, MAX_PATH, context);
    }
    if (length == 0) length = GetSettingsDirectory(directory, MAX_PATH, context);
    if (length == 0 || name.empty()) {
        field[0] = 0;
        return field;
    }
    WriteJoinedOrEmpty(field, kFieldChars, {View(directory), u"\\", name});
    return field;
}

BOOL GetSettingsIniPathForPrinter(WCHAR* out, std::uint16_t perUser, HANDLE printer)
{
    if (out == nullptr) return FALSE;
    WCHAR directory[MAX_PATH] = {};
    const int length = perUser == 1 ? GetUserSettingsDirectoryNoContext(directory, MAX_PATH)
                                    : GetSettingsDirectoryForPrinter(directory, MAX_PATH, printer);
    if (length == 0) return FALSE;
    return WriteJoinedOrEmpty(out, MAX_PATH, {View(directory), u"\\", View(SettingsIniName(nullptr))}) ? TRUE : FALSE;
}

const WCHAR* GetDriverDirectory(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr) return nullptr;
    return GetDriverDirectoryForPrinter(context->printer, work->driverDirectory);
}

const WCHAR* ReadModelsEntry(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    const WCHAR* modelFile = GetModelFilePath(context);
    if (work == nullptr || modelFile == nullptr || modelFile[0] == 0) return nullptr;
    constexpr int kEntryChars = static_cast<int>(sizeof(work->modelsEntry) / sizeof(WCHAR));
    ReadIniString(u"Models", GetDriverName(context), u"", work->modelsEntry, kEntryChars, modelFile);
    return work->modelsEntry[0] ? work->modelsEntry : nullptr;
}

BOOL BuildUiResourceLibraryPath(WCHAR* out, int size, const WCHAR* driverDirectory, const WCHAR* libraryName,
                                const WCHAR* languageCode)
{
    if (out == nullptr || size <= 0) return FALSE;
    out[0] = 0;
    const Text name = View(libraryName);
    const Text code = View(languageCode);
    const std::size_t dot = name.rfind(u'.');
    if (name.empty() || driverDirectory == nullptr || code.size() < 2 || dot == Text::npos || dot < 2) return FALSE;
    std::u16string library(name);
    library[dot - 2] = code[0];
    library[dot - 1] = code[1];
    return WriteJoinedOrEmpty(out, size, {View(driverDirectory), library}) ? TRUE : FALSE;
}

const WCHAR* GetUiResourceLibraryPath(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr) return nullptr;
    WCHAR directory[MAX_PATH] = {};
    GetDriverDirectoryForPrinter(context->printer, directory);
    const WCHAR* code = GetLanguageCode(context);
    BuildUiResourceLibraryPath(work->driverDirectory, MAX_PATH, directory, GetUiResourceLibraryName(context).c_str(),
                               code);
    return work->driverDirectory;
}

BOOL IsJapaneseUiResource(DriverContext* context)
{
    const Text path = View(GetUiResourceLibraryPath(context));
    if (path.size() < 6) return FALSE;
    const WCHAR j = path[path.size() - 6];
    const WCHAR p = path[path.size() - 5];
    return (j == u'J' || j == u'j') && (p == u'P' || p == u'p');
}

WCHAR* GetUiFontName(DriverContext* context, WCHAR* out)
{
    if (out == nullptr) return out;
    // "ＭＳ Ｐゴシック" for Japanese pages, else Arial.
    const Text name =
        IsJapaneseUiResource(context) ? Text(u"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF") : Text(u"Arial");
    WriteJoinedOrEmpty(out, kFaceNameChars, {name});
    return out;
}

// ---- path builders --------------------------------------------------------------------------------

WCHAR* BuildSettingsDirPath(WCHAR* out, int size, const WCHAR* name, DriverContext* context)
{
    if (out == nullptr || name == nullptr || size <= 0) return out;
    WCHAR directory[MAX_PATH] = {};
    if (GetSettingsDirectory(directory, MAX_PATH, context) == 0) {
        out[0] = 0;
        return out;
    }
    WriteJoinedOrEmpty(out, size, {View(directory), u"\\", View(name)});
    return out;
}

WCHAR* BuildWindowsDirPath(WCHAR* out, int size, const WCHAR* name)
{
    if (out == nullptr || name == nullptr || size <= 0) return out;
    const std::u16string windows = WindowsDirectory();
    if (windows.empty() || !WriteJoined(out, size, {windows, u"\\", View(name)})) out[0] = 0;
    return out;
}

WCHAR* BuildSystemDirPath(WCHAR* out, int size, const WCHAR* name)
{
    if (out == nullptr || name == nullptr || size <= 0) return out;
    const std::u16string system = SystemDirectory();
    if (system.empty() || !WriteJoined(out, size, {system, u"\\", View(name)})) out[0] = 0;
    return out;
}

WCHAR* BuildDriverDirPath(WCHAR* out, int size, const WCHAR* name, HANDLE printer)
{
    if (out == nullptr || name == nullptr || size <= 0) return out;
    auto* info = static_cast<DRIVER_INFO_3W*>(GetPrinterDriverInfo(printer, 3));
    const bool known = info && info->pDriverPath;
    FreeIfNotNull(info);
    if (!known) return out;
    WCHAR directory[MAX_PATH] = {};
    GetDriverDirectoryForPrinter(printer, directory);
    WriteJoinedOrEmpty(out, size, {View(directory), View(name)});
    return out;
}

WCHAR* BuildSystemParentPath(WCHAR* out, int size, const WCHAR* relative)
{
    if (out == nullptr || relative == nullptr || size <= 0) return out;
    Text rest = relative;
    int levels = 0;
    while (rest.size() >= 3 && rest.substr(0, 3) == u"..\\") {
        rest.remove_prefix(3);
        ++levels;
    }
    const std::u16string system = SystemDirectory();
    Text directory = system;
    // Each backslash passed from the end uses up one level.
    while (levels > 0) {
        const std::size_t slash = directory.rfind(u'\\');
        if (slash == Text::npos || slash < 2) {
            out[0] = 0;
            return out;
        }
        directory = directory.substr(0, slash);
        --levels;
    }
    if (directory.empty() || directory.size() + rest.size() + 2 > static_cast<std::size_t>(size)) {
        out[0] = 0;
        return out;
    }
    WriteJoinedOrEmpty(out, size, {directory, u"\\", rest});
    return out;
}

WCHAR* BuildSystemDrivePath(WCHAR* out, int size, const WCHAR* rest, DriverContext* context)
{
    (void)context;
    if (out == nullptr || rest == nullptr || size <= 0) return out;
    const std::u16string root = SystemDriveRoot();
    if (root.empty() || lstrlenW(rest) + 4 > size) {
        out[0] = 0;
        return out;
    }
    Text tail = rest;
    // "%SYSTEMDRIVE%\x" joins the root "C:\" without doubling the backslash.
    if (!tail.empty() && tail.front() == u'\\') tail.remove_prefix(1);
    WriteJoinedOrEmpty(out, size, {root, tail});
    return out;
}

WCHAR* BuildSystemRootPath(WCHAR* out, int size, const WCHAR* rest, DriverContext* context)
{
    (void)context;
    if (rest == nullptr) return out;
    Text tail = rest;
    if (!tail.empty() && tail.front() == u'\\') tail.remove_prefix(1);
    const std::u16string trimmed(tail);
    return BuildWindowsDirPath(out, size, trimmed.c_str());
}

}  // namespace vexl
