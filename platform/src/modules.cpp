#include "platform/modules.h"

#include "platform/kernel.h"
#include "platform/machine.h"
#include "platform/modules_host.h"
#include "profile.h"
#include "unicode.h"

#include <dlfcn.h>
#include <link.h>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace vexl::platform {
namespace {
namespace fs = std::filesystem;

constexpr std::uintptr_t kMainProgram = 0x00400000;
constexpr std::uintptr_t kFirstModule = 0x10000000;
constexpr std::uintptr_t kModuleStep = 0x00010000;

// The exports that can be a module's entry point, in the order they are looked for.
constexpr const char* kEntryPointNames[] = {"DllMain", "DllEntryPoint", "DllInitialize"};

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct Module {
    std::u16string windowsPath;  // as it was loaded, for GetModuleFileNameW
    fs::path hostFile;
    FileIdentity identity;
    bool dataFile = false;
    void* library = nullptr;  // from dlopen; null for a data file
    DLLMAIN entry = nullptr;
    unsigned references = 0;
};

// The process's modules. Its lock is the loader lock: entry points run
// under it and may load and free other modules themselves.
struct ModuleTable {
    std::recursive_mutex lock;
    std::uintptr_t next = kFirstModule;
    std::map<std::uintptr_t, Module> modules;
};

// Never destroyed: a library's own teardown at exit may still free modules.
ModuleTable& Table()
{
    static ModuleTable& table = *new ModuleTable;
    return table;
}

HMODULE AsHandle(std::uintptr_t value)
{
    return reinterpret_cast<HMODULE>(value);
}
std::uintptr_t AsKey(HMODULE module)
{
    return reinterpret_cast<std::uintptr_t>(module);
}

Module* FindModule(ModuleTable& table, HMODULE module)
{
    auto found = table.modules.find(AsKey(module));
    return found == table.modules.end() ? nullptr : &found->second;
}

bool IsSeparator(char16_t c)
{
    return c == u'\\' || c == u'/';
}

bool HasFolder(std::u16string_view name)
{
    return name.find_first_of(u"\\/:") != std::u16string_view::npos;
}

std::u16string_view FileNamePart(std::u16string_view path)
{
    const std::size_t slash = path.find_last_of(u"\\/");
    return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

// A name without an extension gets ".dll"; a trailing '.' asks for none.
std::u16string WithDefaultExtension(std::u16string_view name)
{
    if (!name.empty() && name.back() == u'.') return std::u16string(name.substr(0, name.size() - 1));
    if (FileNamePart(name).find(u'.') == std::u16string_view::npos) return std::u16string(name) + u".dll";
    return std::u16string(name);
}

// A full Windows path: '/' as '\', and a path without a drive taken on drive C.
std::u16string FullWindowsPath(std::u16string_view name)
{
    std::u16string path(name);
    for (char16_t& c : path) {
        if (c == u'/') c = u'\\';
    }
    const bool hasDrive = path.size() >= 2 && path[1] == u':';
    const bool isUnc = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
    if (hasDrive || isUnc) return path;
    return (!path.empty() && path[0] == u'\\' ? u"C:" : u"C:\\") + path;
}

std::optional<FileIdentity> IdentityOf(const fs::path& hostFile)
{
    struct stat status {};
    if (hostFile.empty() || ::stat(hostFile.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

struct FoundFile {
    std::u16string windowsPath;
    fs::path hostFile;
    FileIdentity identity;
};

// The file a name stands for: a path as it is, a bare name in the system
// directory, then in the Windows directory.
std::optional<FoundFile> FindModuleFile(std::u16string_view name)
{
    std::vector<std::u16string> candidates;
    if (HasFolder(name)) {
        candidates.push_back(FullWindowsPath(name));
    } else {
        const std::shared_ptr<const machine::Profile> current = machine::CurrentProfile();
        const machine::Profile& profile = *current;
        for (const std::u16string& folder : {profile.systemDirectory, profile.windowsDirectory})
            candidates.push_back(folder + u"\\" + std::u16string(name));
    }
    for (std::u16string& candidate : candidates) {
        fs::path hostFile = machine::HostPath(candidate);
        if (std::optional<FileIdentity> identity = IdentityOf(hostFile))
            return FoundFile{std::move(candidate), std::move(hostFile), *identity};
    }
    return std::nullopt;
}

Module* FindLoadedByIdentity(ModuleTable& table, const FileIdentity& identity, bool dataFile, std::uintptr_t& key)
{
    for (auto& [handle, module] : table.modules) {
        if (module.identity == identity && module.dataFile == dataFile) {
            key = handle;
            return &module;
        }
    }
    return nullptr;
}

std::uintptr_t FindLoadedByFileName(ModuleTable& table, std::u16string_view fileName)
{
    for (const auto& [handle, module] : table.modules) {
        if (!module.dataFile && EqualNoCase(FileNamePart(module.windowsPath), fileName)) return handle;
    }
    return 0;
}

// A symbol the library itself defines; dlsym alone would also answer the
// exports of the libraries it depends on.
void* OwnSymbol(void* library, const char* name)
{
    void* symbol = ::dlsym(library, name);
    if (!symbol) return nullptr;
    struct link_map* libraryMap = nullptr;
    struct link_map* symbolMap = nullptr;
    Dl_info info{};
    if (::dlinfo(library, RTLD_DI_LINKMAP, &libraryMap) != 0) return nullptr;
    if (::dladdr1(symbol, &info, reinterpret_cast<void**>(&symbolMap), RTLD_DL_LINKMAP) == 0) return nullptr;
    return symbolMap == libraryMap ? symbol : nullptr;
}

DLLMAIN FindEntryPoint(void* library)
{
    for (const char* name : kEntryPointNames) {
        if (void* symbol = OwnSymbol(library, name)) return reinterpret_cast<DLLMAIN>(symbol);
    }
    return nullptr;
}

void* MainProgramLibrary()
{
    static void* self = ::dlopen(nullptr, RTLD_NOW);
    return self;
}

fs::path MainProgramFile()
{
    std::error_code error;
    return fs::read_symlink("/proc/self/exe", error);
}

// The main program as Windows would show it: a program in the system directory.
std::u16string MainProgramWindowsPath()
{
    std::u16string name = FromUtf8(MainProgramFile().filename().string());
    if (name.find(u'.') == std::u16string::npos) name += u".exe";
    return machine::CurrentProfile()->systemDirectory + u"\\" + name;
}

HMODULE LoadModule(LPCWSTR fileName, bool dataFile)
{
    if (!fileName || !*fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::u16string name = WithDefaultExtension(View(fileName));
    ModuleTable& table = Table();
    std::lock_guard guard(table.lock);

    if (!dataFile && !HasFolder(name)) {
        if (const std::uintptr_t loaded = FindLoadedByFileName(table, name)) {
            ++table.modules[loaded].references;
            return AsHandle(loaded);
        }
    }
    std::optional<FoundFile> file = FindModuleFile(name);
    if (!file) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::uintptr_t loaded = 0;
    if (Module* module = FindLoadedByIdentity(table, file->identity, dataFile, loaded)) {
        ++module->references;
        return AsHandle(loaded);
    }

    Module module{std::move(file->windowsPath), std::move(file->hostFile), file->identity, dataFile};
    module.references = 1;
    if (!dataFile) {
        module.library = ::dlopen(module.hostFile.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module.library) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        module.entry = FindEntryPoint(module.library);
    }
    table.next += kModuleStep;
    const std::uintptr_t key = table.next;
    const DLLMAIN entry = module.entry;
    void* const library = module.library;
    table.modules.emplace(key, std::move(module));

    if (entry && !entry(AsHandle(key), DLL_PROCESS_ATTACH, nullptr)) {
        table.modules.erase(key);
        ::dlclose(library);
        SetLastError(ERROR_DLL_INIT_FAILED);
        return nullptr;
    }
    return AsHandle(key);
}

}  // namespace
}  // namespace vexl::platform

using namespace vexl::platform;

HMODULE LoadLibraryW(LPCWSTR fileName)
{
    return LoadModule(fileName, false);
}

HMODULE LoadLibraryExW(LPCWSTR fileName, HANDLE reserved, DWORD flags)
{
    (void)reserved;
    return LoadModule(fileName, (flags & (LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) != 0);
}

BOOL FreeLibrary(HMODULE module)
{
    if (AsKey(module) == kMainProgram) return TRUE;
    ModuleTable& table = Table();
    std::lock_guard guard(table.lock);
    Module* found = FindModule(table, module);
    if (!found) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    // A module already on its way out (its detach frees itself) stays so.
    if (found->references == 0 || --found->references > 0) return TRUE;

    const DLLMAIN entry = found->entry;
    void* const library = found->library;
    if (entry) entry(module, DLL_PROCESS_DETACH, nullptr);
    table.modules.erase(AsKey(module));
    if (library) ::dlclose(library);
    return TRUE;
}

HMODULE GetModuleHandleW(LPCWSTR moduleName)
{
    if (!moduleName) return AsHandle(kMainProgram);
    const std::u16string name = WithDefaultExtension(View(moduleName));
    ModuleTable& table = Table();
    std::lock_guard guard(table.lock);

    std::uintptr_t loaded = 0;
    if (!HasFolder(name)) {
        loaded = FindLoadedByFileName(table, name);
    } else if (std::optional<FileIdentity> identity = IdentityOf(vexl::machine::HostPath(FullWindowsPath(name)))) {
        FindLoadedByIdentity(table, *identity, false, loaded);
    }
    if (!loaded) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return AsHandle(loaded);
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName)
{
    // Values below 0x10000 are ordinals, which modules here do not have.
    if (reinterpret_cast<std::uintptr_t>(procName) <= 0xFFFF) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* symbol = nullptr;
    if (!module || AsKey(module) == kMainProgram) {
        symbol = ::dlsym(MainProgramLibrary(), procName);
    } else {
        ModuleTable& table = Table();
        std::lock_guard guard(table.lock);
        const Module* found = FindModule(table, module);
        if (!found) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        if (found->library) symbol = OwnSymbol(found->library, procName);
    }
    if (!symbol) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size)
{
    std::u16string path;
    if (!module || AsKey(module) == kMainProgram) {
        path = MainProgramWindowsPath();
    } else {
        ModuleTable& table = Table();
        std::lock_guard guard(table.lock);
        const Module* found = FindModule(table, module);
        if (!found) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        path = found->windowsPath;
    }
    if (size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (!fileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (path.size() < size) {
        path.copy(fileName, path.size());
        fileName[path.size()] = 0;
        return static_cast<DWORD>(path.size());
    }
    path.copy(fileName, size - 1);
    fileName[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
}

namespace vexl::modules {

std::filesystem::path HostFile(HMODULE module)
{
    if (!module || AsKey(module) == kMainProgram) return MainProgramFile();
    ModuleTable& table = Table();
    std::lock_guard guard(table.lock);
    const Module* found = FindModule(table, module);
    return found ? found->hostFile : std::filesystem::path();
}

}  // namespace vexl::modules
