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
#include "common/storage/persistence.h"
#include "common/storage/resources.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace vexl {
namespace {

using Text = std::u16string_view;

constexpr Text kDefaultDriverFolder = u"\\spool\\drivers\\w32x86\\2\\";
constexpr int kLocaleCountryChars = 7;

Text View(const WCHAR* text)
{
    return text ? Text(text) : Text();
}

bool EqualNoCase(const WCHAR* a, const WCHAR* b)
{
    return a && b && lstrcmpiW(a, b) == 0;
}

bool StartsWithNoCase(Text text, Text prefix)
{
    return text.size() >= prefix.size() &&
           EqualNoCase(std::u16string(text.substr(0, prefix.size())).c_str(), std::u16string(prefix).c_str());
}

// Writes the joined parts into out when they fit with their terminator in
// size characters; otherwise leaves out alone and answers false.
bool WriteJoined(WCHAR* out, int size, std::initializer_list<Text> parts)
{
    std::size_t length = 0;
    for (Text part : parts) length += part.size();
    if (out == nullptr || size <= 0 || length + 1 > static_cast<std::size_t>(size)) return false;
    std::u16string joined;
    joined.reserve(length);
    for (Text part : parts) joined += part;
    joined.copy(out, length);
    out[length] = 0;
    return true;
}

// As WriteJoined, but a path that does not fit empties out.
bool WriteJoinedOrEmpty(WCHAR* out, int size, std::initializer_list<Text> parts)
{
    if (WriteJoined(out, size, parts)) return true;
    if (out && size > 0) out[0] = 0;
    return false;
}

std::u16string SystemDirectory()
{
    WCHAR buffer[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::u16string(buffer, length) : std::u16string();
}

std::u16string WindowsDirectory()
{
    WCHAR buffer[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::u16string(buffer, length) : std::u16string();
}

// "C:\" of "C:\WINDOWS\system32", or empty.
std::u16string SystemDriveRoot()
{
    const std::u16string system = SystemDirectory();
    return system.size() >= 3 ? system.substr(0, 3) : std::u16string();
}

Text DirectoryOf(Text path)
{
    const std::size_t slash = path.rfind(u'\\');
    return slash == Text::npos ? Text() : path.substr(0, slash);
}

Text LastComponent(Text path)
{
    while (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    const std::size_t slash = path.rfind(u'\\');
    return slash == Text::npos ? path : path.substr(slash + 1);
}

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
    if (isConnection && ReadPrinterDataDirectory(printer, kClientDirectoryValueName, out, size) == 1) {
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

ContextWorkArea* WorkOf(DriverContext* context)
{
    return context ? context->workArea : nullptr;
}

const WCHAR* SettingsIniName(DriverContext* context)
{
    const ModelRecord* record =
        context && context->modelRecord ? context->modelRecord : GetModelDatabase()->modelRecord;
    return record ? record->settingsIniName : nullptr;
}

// The file-name part of path with the text after its last dot replaced;
// a name without a dot gets the dot and the extension appended.
std::u16string FileNameWithExtension(const WCHAR* path, Text extension)
{
    const Text name = View(FindFileNamePart(path));
    const std::size_t dot = name.rfind(u'.');
    std::u16string result(dot == Text::npos ? name : name.substr(0, dot));
    result += u'.';
    result += extension;
    return result;
}

// Steps 3 to 5 of installing a file: same file, copy when missing, refresh.
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

int ReadPrinterDataDirectory(HANDLE printer, const WCHAR* valueName, WCHAR* out, int size)
{
    if (printer == nullptr || valueName == nullptr) return 0;
    WCHAR value[MAX_PATH + 1] = {};
    DWORD type = REG_NONE;
    DWORD needed = 0;
    if (GetPrinterDataW(printer, const_cast<LPWSTR>(valueName), &type, reinterpret_cast<BYTE*>(value),
                        MAX_PATH * sizeof(WCHAR), &needed) != ERROR_SUCCESS) {
        return 0;
    }
    value[MAX_PATH] = 0;
    const Text text = View(value);
    if (text.empty()) return 0;

    std::u16string directory;
    constexpr Text kSystemRoot = u"%SYSTEMROOT%";
    constexpr Text kUserProfile = u"%USERPROFILE%";
    if (StartsWithNoCase(text, kUserProfile)) {
        WCHAR user[MAX_PATH] = {};
        if (GetUserSettingsDirectoryNoContext(user, MAX_PATH) == 0) return -1;
        if (lstrlenW(user) + 41 >= static_cast<int>(MAX_PATH)) return 0;
        directory = user;
    } else {
        if (StartsWithNoCase(text, kSystemRoot)) {
            directory = WindowsDirectory() + std::u16string(text.substr(kSystemRoot.size()));
        } else {
            directory = text;
        }
        if (directory.size() + 47 >= MAX_PATH) return 0;
        WIN32_FIND_DATAW found{};
        std::u16string probe = directory;
        while (!probe.empty() && probe.back() == u'\\') probe.pop_back();
        HANDLE find = FindFirstFileW(probe.c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return 0;
        FindClose(find);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return 0;
        if (directory.back() != u'\\') directory += u'\\';
        directory += kSettingsFolderName;
    }
    // A directory that does not fit the caller's buffer is not resolved.
    return WriteJoined(out, size, {directory}) ? 1 : 0;
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

WCHAR* GetDriverDirectoryForPrinter(HANDLE printer, WCHAR* out)
{
    if (out == nullptr) return out;
    out[0] = 0;
    std::u16string folder;
    auto* driver = static_cast<DRIVER_INFO_3W*>(printer ? GetPrinterDriverInfo(printer, 3) : nullptr);
    if (driver && driver->pDriverPath) {
        const Text path = driver->pDriverPath;
        const std::size_t slash = path.rfind(u'\\');
        if (slash != Text::npos) folder = path.substr(0, slash + 1);
    } else {
        const std::u16string system = SystemDirectory();
        if (!system.empty()) folder = system + std::u16string(kDefaultDriverFolder);
    }
    FreeIfNotNull(driver);
    if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
    WriteJoinedOrEmpty(out, MAX_PATH, {folder});
    return out;
}

const WCHAR* GetModelFilePath(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr || context->modelRecord == nullptr) return nullptr;
    WCHAR* field = work->modelFilePath;
    const Text name = View(context->modelRecord->modelIniName);
    if (name.size() >= 2 && name[1] == u':') {
        WriteJoinedOrEmpty(field, MAX_PATH, {name});
        return field;
    }
    WCHAR directory[MAX_PATH] = {};
    GetDriverDirectoryForPrinter(context->printer, directory);
    WriteJoinedOrEmpty(field, MAX_PATH, {View(directory), name});
    return field;
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

// ---- printer facts --------------------------------------------------------------------------------

const WCHAR* GetPrinterSectionName(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr) return nullptr;
    if (work->printerName[0] == 0 && context->printer) {
        auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(context->printer, 2));
        if (info) {
            if (info->pPrinterName)
                lstrcpynW(work->printerName, info->pPrinterName, sizeof(work->printerName) / sizeof(WCHAR));
            CachePrinterInfo(info, context);
        }
        FreeIfNotNull(info);
    }
    return work->printerName;
}

const WCHAR* GetDriverName(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr) return nullptr;
    constexpr int kNameChars = static_cast<int>(sizeof(work->driverName) / sizeof(WCHAR));
    if (work->driverName[0] == 0 && context->printer) {
        auto* info = static_cast<PRINTER_INFO_2W*>(GetPrinterInfo(context->printer, 2));
        if (info) {
            if (info->pDriverName) lstrcpynW(work->driverName, info->pDriverName, kNameChars);
            CachePrinterInfo(info, context);
        }
        FreeIfNotNull(info);
    }
    if (work->driverName[0] == 0 && context->modelRecord && context->modelRecord->driverNameFallback) {
        lstrcpynW(work->driverName, context->modelRecord->driverNameFallback, kNameChars);
    }
    return work->driverName;
}

const WCHAR* CopyLanguageCode(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr) return nullptr;
    lstrcpynW(work->languageCode, GetLanguageCode(context), sizeof(work->languageCode) / sizeof(WCHAR));
    return work->languageCode;
}

const WCHAR* InitLanguageFromHelpFile(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr) return nullptr;
    lstrcpynW(work->languageCode, GetInstalledLanguageCode(context), sizeof(work->languageCode) / sizeof(WCHAR));
    return work->languageCode;
}

const WCHAR* GetInstallSectionName(DriverContext* context)
{
    return CopyLanguageCode(context);
}
const WCHAR* GetStampCounterSection(DriverContext* context)
{
    return CopyLanguageCode(context);
}
const WCHAR* GetProfileCounterSection(DriverContext* context)
{
    return GetLanguageCode(context);
}

UINT GetSystemDirectoryFor(WCHAR* out, int size, DriverContext* context)
{
    (void)context;
    return out && size > 0 ? GetSystemDirectoryW(out, static_cast<UINT>(size)) : 0;
}

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

// ---- settings-file names ---------------------------------------------------------------------------

BOOL BuildUserCopyPathEx(WCHAR* out, const WCHAR* path, int size, DriverContext* context)
{
    if (out == nullptr || path == nullptr || size <= 0) return FALSE;
    WCHAR directory[MAX_PATH] = {};
    const bool perUser =
        IsTerminalServerCached(context ? context->printer : nullptr) &&
        !(context && context->workArea && (context->workArea->callerKind & kCallerSharedSettingsDirectory));
    const int length = perUser ? GetUserSettingsDirectory(directory, MAX_PATH, context)
                               : GetSettingsDirectory(directory, MAX_PATH, context);
    if (length == 0) return FALSE;
    return WriteJoined(out, size, {View(directory), u"\\", FileNameWithExtension(path, u"rsr")}) ? TRUE : FALSE;
}

BOOL BuildUserCopyPath(WCHAR* out, const WCHAR* path, int size, DriverContext* context)
{
    return BuildUserCopyPathEx(out, path, size, context);
}

BOOL BuildDriverDirSettingsName(WCHAR* out, const WCHAR* path, std::uint32_t flags, DriverContext* context)
{
    if (out == nullptr || path == nullptr || context == nullptr) return FALSE;
    WCHAR directory[MAX_PATH] = {};
    GetDriverDirectoryForPrinter(context->printer, directory);
    std::u16string name(View(FindFileNamePart(path)));
    if (flags & kSettingsNameRsd) {
        name = FileNameWithExtension(path, u"rsd");
    } else if (flags & kSettingsNameRsq) {
        name = FileNameWithExtension(path, u"rsq");
    }
    return WriteJoinedOrEmpty(out, MAX_PATH, {View(directory), name}) ? TRUE : FALSE;
}

BOOL BuildDriverRsqPath(WCHAR* out, const WCHAR* path, int size, DriverContext* context)
{
    (void)size;
    return BuildDriverDirSettingsName(out, path, kSettingsNameRsq, context);
}

BOOL ReplaceExtension(WCHAR* out, const WCHAR* path, const WCHAR* extension)
{
    if (out == nullptr || path == nullptr || path[0] == 0 || extension == nullptr) return FALSE;
    const Text whole = path;
    const Text name = View(FindFileNamePart(path));
    const Text folder = whole.substr(0, whole.size() - name.size());
    return WriteJoined(out, MAX_PATH, {folder, FileNameWithExtension(path, View(extension))}) ? TRUE : FALSE;
}

BOOL ReplaceExtensionRsd(WCHAR* out, const WCHAR* path, int size)
{
    (void)size;
    return ReplaceExtension(out, path, u"rsd");
}

BOOL ReplaceExtensionRsq(WCHAR* out, const WCHAR* path, int size)
{
    (void)size;
    return ReplaceExtension(out, path, u"rsq");
}

// ---- file-name parts ----------------------------------------------------------------------------------

const WCHAR* FindFileNamePart(const WCHAR* path)
{
    if (path == nullptr) return nullptr;
    const WCHAR* part = path;
    for (const WCHAR* p = path; *p; ++p) {
        if (*p == u'\\') part = p + 1;
    }
    return part;
}

const WCHAR* FindExtension(const WCHAR* path, std::int32_t* length)
{
    const WCHAR* name = FindFileNamePart(path);
    if (name == nullptr) return nullptr;
    const WCHAR* dot = nullptr;
    for (const WCHAR* p = name; *p; ++p) {
        if (*p == u'.') dot = p;
    }
    if (dot == nullptr) {
        if (length) *length = 0;
        return name;
    }
    if (length) *length = lstrlenW(dot + 1);
    return dot + 1;
}

const WCHAR* GetFileBaseName(const WCHAR* path, std::int32_t* length)
{
    const WCHAR* name = FindFileNamePart(path);
    if (name == nullptr) return nullptr;
    std::int32_t count = 0;
    while (name[count] && name[count] != u'.') ++count;
    if (length) *length = count;
    return name;
}

BOOL HasShortExtension(const WCHAR* path)
{
    if (path == nullptr) return FALSE;
    std::int32_t base = 0;
    std::int32_t extension = 0;
    GetFileBaseName(path, &base);
    FindExtension(path, &extension);
    return base >= 1 && extension >= 1 && extension <= 3 ? TRUE : FALSE;
}

BOOL HasValidFileName(const WCHAR* path)
{
    return HasShortExtension(path);
}

BOOL IsAbsolutePath(const WCHAR* path)
{
    if (path == nullptr || path[0] == 0) return FALSE;
    if (path[1] == u':' && path[2] == u'\\') return TRUE;
    return path[0] == u'\\' && path[1] == u'\\' ? TRUE : FALSE;
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

// ---- locale ------------------------------------------------------------------------------------------------

int GetLocaleCountryClass(DriverContext* context)
{
    (void)context;
    WCHAR country[kLocaleCountryChars] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, country, kLocaleCountryChars) == 0) return 0;
    const WCHAR first = country[0];
    return first == u'1' || first == u'2' || first == u'5' ? first - u'0' : 0;
}

void SetLocaleItems(DriverContext* context)
{
    ContextWorkArea* work = WorkOf(context);
    if (work == nullptr) return;
    const int localeClass = GetLocaleCountryClass(context);
    const bool known = localeClass != 0;
    work->localeValues[0] = known ? 1 : 9;
    work->localeValues[1] = known ? 1 : 0;
    work->localeValues[2] = static_cast<std::uint16_t>(localeClass);
    SetItemValue(context, rdmLocaleID, static_cast<std::uint32_t>(localeClass));
}

}  // namespace vexl
