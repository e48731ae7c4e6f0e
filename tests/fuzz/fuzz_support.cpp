#include "fuzz_support.h"

#include "common/core/context.h"
#include "common/core/le.h"
#include "common/model/compiled_model.h"
#include "common/model/model_list.h"
#include "common/model/reader.h"
#include "common/wiring.h"
#include "platform/machine.h"
#include "platform/modules.h"
#include "platform/system.h"
#include "platform/text.h"
#include "support/integration_fixture.h"
#include "support/test_machine.h"

#include <dlfcn.h>
#include <strings.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace vexl::fuzz {

namespace {

std::unique_ptr<test::TestMachine>& FuzzMachine()
{
    static std::unique_ptr<test::TestMachine> machine;
    return machine;
}

// The driver libraries a target keeps loaded, in load order; never
// destroyed, as the end of the process reads it after the statics go.
std::vector<HMODULE>& KeptLibraries()
{
    static auto* libraries = new std::vector<HMODULE>();
    return *libraries;
}

// Frees the library kept last. One runs at the end of the process for each
// kept library, registered after its load and so run before the library's
// own statics go: its detach then frees what it holds while its lists are
// still there and its files still in the machine.
void FreeLastKeptLibrary()
{
    if (KeptLibraries().empty()) return;
    FreeLibrary(KeptLibraries().back());
    KeptLibraries().pop_back();
}

// What a process of the driver leaves for its detach, and the machine.
void EndFuzzProcess()
{
    PurgeContextCache(TRUE);
    FreeCompiledModelList();
    FuzzMachine().reset();
}

}  // namespace

void UseFuzzMachine()
{
    if (FuzzMachine()) return;
    // Every write of the platform is flushed to its disk; in memory the
    // flushes cost nothing, and a target runs many times faster.
    if (std::filesystem::is_directory("/dev/shm")) ::setenv("TMPDIR", "/dev/shm", 1);
    FuzzMachine() = std::make_unique<test::TestMachine>();
    machine::WriteFile(u"C:\\_vexl\\.keep", "");
    InstallDefaultServices();
    std::atexit(EndFuzzProcess);
}

HMODULE LoadPackageResources()
{
    static const std::u16string path = [] {
        const std::u16string installed = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\TZ16E1US.DLL";
        machine::InstallFile(VEXL_UIRES_US_FILE, installed);
        return installed;
    }();
    return LoadLibraryW(path.c_str());
}

void KeepFolderLibrariesLoaded(std::u16string_view folder)
{
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(machine::HostPath(folder), error)) {
        std::string name = entry.path().filename().string();
        if (name.size() < 4 || strcasecmp(name.c_str() + name.size() - 4, ".dll") != 0) continue;
        const std::u16string path = std::u16string(folder) + u"\\" + std::u16string(name.begin(), name.end());
        LoadLibraryW(path.c_str());
    }
}

const std::string& PackageDescriptionText()
{
    static const std::string text = [] {
        std::ifstream in(std::string(VEXL_SOURCE_DIR) + "/package/TZ16E1MD.VXD", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    return text;
}

CompiledModel* PackageModel()
{
    static CompiledModel* compiled = [] {
        std::unique_ptr<model::CompileState> state = model::ParseDescriptionText(PackageDescriptionText());
        return state ? model::LayoutCompiledModel(*state) : nullptr;
    }();
    return compiled;
}

void InstallPackagePrinter()
{
    static const bool installed = [] {
        UseFuzzMachine();
        test::InstallDriverPrinter();
        KeepDriverLibrary(u"TZ16E130.DLL", VEXL_TZ16E130_FILE);
        LoadPackageResources();
        return true;
    }();
    (void)installed;
}

HMODULE KeepDriverLibrary(std::u16string_view fileName, const char* builtFile)
{
    const std::u16string path = std::u16string(test::kDriverFolder) + u"\\" + std::u16string(fileName);
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) machine::InstallFile(builtFile, path);
    HMODULE library = LoadLibraryW(path.c_str());
    if (library == nullptr) return nullptr;
    KeptLibraries().push_back(library);
    std::atexit(FreeLastKeptLibrary);
    return library;
}

CallerBlock::CallerBlock(std::string_view bytes, std::size_t size)
    : bytes_(std::make_unique<std::uint8_t[]>(size)), size_(size)
{
    std::memset(bytes_.get(), 0, size);
    if (!bytes.empty() && size != 0) std::memcpy(bytes_.get(), bytes.data(), std::min(bytes.size(), size));
}

CallerBlock DeclaredDevmode(std::string_view bytes)
{
    constexpr std::size_t kHeader = offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD);
    std::uint8_t header[kHeader] = {};
    if (!bytes.empty()) std::memcpy(header, bytes.data(), std::min(bytes.size(), kHeader));
    const std::size_t declared = std::size_t{ReadLe16(header + offsetof(DEVMODEW, dmSize))} +
                                 ReadLe16(header + offsetof(DEVMODEW, dmDriverExtra));
    return CallerBlock(bytes, std::max(declared, kHeader));
}

std::uint8_t InputReader::Byte()
{
    return position_ < size_ ? data_[position_++] : 0;
}

std::uint16_t InputReader::Le16()
{
    const std::uint16_t low = Byte();
    return static_cast<std::uint16_t>(low | (Byte() << 8));
}

std::uint32_t InputReader::Le32()
{
    const std::uint32_t low = Le16();
    return low | (static_cast<std::uint32_t>(Le16()) << 16);
}

std::string_view InputReader::Bytes(std::size_t count)
{
    const std::size_t left = position_ < size_ ? size_ - position_ : 0;
    if (count > left) count = left;
    std::string_view bytes(reinterpret_cast<const char*>(data_) + position_, count);
    position_ += count;
    return bytes;
}

std::string_view InputReader::Line()
{
    const std::size_t start = position_;
    while (position_ < size_ && data_[position_] != '\r' && data_[position_] != '\n') ++position_;
    std::string_view line(reinterpret_cast<const char*>(data_) + start, position_ - start);
    if (position_ < size_ && data_[position_] == '\r') ++position_;
    if (position_ < size_ && data_[position_] == '\n') ++position_;
    return line;
}

std::u16string WideFromBytes(std::string_view bytes)
{
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) |
                                             (static_cast<std::uint8_t>(bytes[i + 1]) << 8)));
    return text;
}

}  // namespace vexl::fuzz

// The profile of the fuzzing machine never changes, but the platform reads
// its file at every call that answers from it, and the settings core asks
// the OS version behind every item address: a target would run a few inputs
// a second. The programs of the targets answer these two from the first
// answer of the platform instead.
namespace {

template <typename Function> Function PlatformFunction(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" BOOL GetVersionExW(LPOSVERSIONINFOW versionInfo)
{
    static const auto platform = PlatformFunction<BOOL (*)(LPOSVERSIONINFOW)>("GetVersionExW");
    static OSVERSIONINFOEXW first{};
    static bool answered = false;
    if (!versionInfo) return platform(versionInfo);
    const DWORD size = versionInfo->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW)) return platform(versionInfo);
    if (!answered) {
        first.dwOSVersionInfoSize = sizeof(first);
        if (!platform(reinterpret_cast<LPOSVERSIONINFOW>(&first))) return FALSE;
        answered = true;
    }
    std::memcpy(versionInfo, &first, size);
    versionInfo->dwOSVersionInfoSize = size;
    return TRUE;
}

extern "C" UINT GetACP()
{
    static const UINT page = PlatformFunction<UINT (*)()>("GetACP")();
    return page;
}
