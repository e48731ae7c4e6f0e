#include "platform/machine.h"

#include "storage.h"
#include "unicode.h"

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

namespace vexl::machine {
namespace fs = std::filesystem;
using platform::FromUtf8;
using platform::ToUtf8;

namespace {

std::mutex g_rootLock;
std::optional<fs::path> g_root;

constexpr const char* kProfileFile = "machine.profile";

// One row per stored profile field: its key and how to read and write it.
struct ProfileField {
    const char* key;
    std::string (*get)(const Profile&);
    void (*set)(Profile&, const std::string&);
};

template <auto Member>
std::string GetNumber(const Profile& p) { return std::to_string(p.*Member); }
template <auto Member>
void SetNumber(Profile& p, const std::string& v) { p.*Member = static_cast<std::remove_reference_t<decltype(p.*Member)>>(std::strtoll(v.c_str(), nullptr, 0)); }
template <auto Member>
std::string GetText(const Profile& p) { return ToUtf8(p.*Member); }
template <auto Member>
void SetText(Profile& p, const std::string& v) { p.*Member = FromUtf8(v); }

std::string GetFlag(const Profile& p) { return p.administrator ? "1" : "0"; }
void SetFlag(Profile& p, const std::string& v) { p.administrator = v == "1"; }
std::string GetFixedTime(const Profile& p) { return p.fixedLocalTime; }
void SetFixedTime(Profile& p, const std::string& v) { p.fixedLocalTime = v; }

const ProfileField kProfileFields[] = {
    {"osMajor", GetNumber<&Profile::osMajor>, SetNumber<&Profile::osMajor>},
    {"osMinor", GetNumber<&Profile::osMinor>, SetNumber<&Profile::osMinor>},
    {"osBuild", GetNumber<&Profile::osBuild>, SetNumber<&Profile::osBuild>},
    {"platformId", GetNumber<&Profile::platformId>, SetNumber<&Profile::platformId>},
    {"servicePack", GetText<&Profile::servicePack>, SetText<&Profile::servicePack>},
    {"suiteMask", GetNumber<&Profile::suiteMask>, SetNumber<&Profile::suiteMask>},
    {"productType", GetNumber<&Profile::productType>, SetNumber<&Profile::productType>},
    {"administrator", GetFlag, SetFlag},
    {"userName", GetText<&Profile::userName>, SetText<&Profile::userName>},
    {"computerName", GetText<&Profile::computerName>, SetText<&Profile::computerName>},
    {"locale", GetNumber<&Profile::locale>, SetNumber<&Profile::locale>},
    {"country", GetNumber<&Profile::country>, SetNumber<&Profile::country>},
    {"ansiCodePage", GetNumber<&Profile::ansiCodePage>, SetNumber<&Profile::ansiCodePage>},
    {"windowsDirectory", GetText<&Profile::windowsDirectory>, SetText<&Profile::windowsDirectory>},
    {"systemDirectory", GetText<&Profile::systemDirectory>, SetText<&Profile::systemDirectory>},
    {"userProfile", GetText<&Profile::userProfile>, SetText<&Profile::userProfile>},
    {"localAppDataLow", GetText<&Profile::localAppDataLow>, SetText<&Profile::localAppDataLow>},
    {"utcOffsetMinutes", GetNumber<&Profile::utcOffsetMinutes>, SetNumber<&Profile::utcOffsetMinutes>},
    {"fixedLocalTime", GetFixedTime, SetFixedTime},
};

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

bool IsValidComponent(std::u16string_view component)
{
    for (char16_t c : component) {
        if (c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|' || c == u'?' || c == u'*')
            return false;
    }
    return true;
}

// Appends one component: an existing entry of any case, else the text as written.
fs::path AppendComponent(const fs::path& folder, std::u16string_view component)
{
    const std::string exact = ToUtf8(component);
    std::error_code error;
    if (fs::exists(folder / exact, error)) return folder / exact;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (platform::EqualNoCase(FromUtf8(name), component)) return folder / name;
    }
    return folder / exact;
}

}  // namespace

fs::path Root()
{
    std::lock_guard guard(g_rootLock);
    if (g_root) return *g_root;
    const char* fromEnvironment = std::getenv("VEXL_MACHINE");
    return fromEnvironment && *fromEnvironment ? fs::path(fromEnvironment) : fs::path();
}

void Use(const fs::path& root)
{
    std::lock_guard guard(g_rootLock);
    g_root = root;
    ::setenv("VEXL_MACHINE", root.c_str(), 1);
}

void Create(const fs::path& root, const Profile& profile)
{
    fs::create_directories(root / "C");
    Use(root);
    SaveProfile(profile);
    for (std::u16string folder : {profile.windowsDirectory, profile.systemDirectory,
                                  profile.systemDirectory + u"\\spool\\drivers\\w32x86\\3",
                                  profile.userProfile, profile.localAppDataLow}) {
        fs::create_directories(HostPath(folder));
    }
}

namespace {

Profile ParseProfile(const std::string& text)
{
    Profile profile;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        for (const ProfileField& field : kProfileFields) {
            if (key == field.key) field.set(profile, line.substr(equals + 1));
        }
    }
    return profile;
}

}  // namespace

// The profile is read often (every code page conversion asks for the ANSI
// code page), so the parsed profile is kept until the file changes.
Profile LoadProfile()
{
    static std::mutex lock;
    static fs::path cachedFile;
    static fs::file_time_type cachedTime;
    static std::uintmax_t cachedSize = 0;
    static Profile cached;

    const fs::path file = Root() / kProfileFile;
    std::error_code error;
    const fs::file_time_type time = fs::last_write_time(file, error);
    const std::uintmax_t size = error ? 0 : fs::file_size(file, error);
    if (error) return Profile{};
    std::lock_guard guard(lock);
    if (file != cachedFile || time != cachedTime || size != cachedSize) {
        cached = ParseProfile(platform::ReadWholeFile(file).value_or(std::string()));
        cachedFile = file;
        cachedTime = time;
        cachedSize = size;
    }
    return cached;
}

void SaveProfile(const Profile& profile)
{
    std::string text;
    for (const ProfileField& field : kProfileFields) text += std::string(field.key) + "=" + field.get(profile) + "\n";
    platform::ReplaceFileAtomically(Root() / kProfileFile, text);
}

fs::path HostPath(std::u16string_view windowsPath)
{
    const fs::path root = Root();
    if (root.empty() || windowsPath.empty()) return {};

    fs::path folder;
    std::u16string_view rest;
    if (windowsPath.size() >= 2 && IsSeparator(windowsPath[0]) && IsSeparator(windowsPath[1])) {
        folder = AppendComponent(root, u"UNC");
        rest = windowsPath.substr(2);
    } else if (windowsPath.size() >= 2 && windowsPath[1] == u':') {
        const char16_t drive = platform::FoldCase(windowsPath[0]);
        if (drive < u'A' || drive > u'Z') return {};
        folder = root / std::string(1, static_cast<char>(drive));
        rest = windowsPath.substr(2);
    } else {
        // A path without a drive is taken on drive C, from its root.
        folder = root / "C";
        rest = windowsPath;
    }

    std::vector<fs::path> stack{folder};
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = start;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        const std::u16string_view component = rest.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == u".") continue;
        if (component == u"..") {
            if (stack.size() > 1) stack.pop_back();
            continue;
        }
        if (!IsValidComponent(component)) return {};
        stack.push_back(AppendComponent(stack.back(), component));
    }
    return stack.back();
}

void WriteFile(std::u16string_view windowsPath, std::string_view bytes)
{
    const fs::path target = HostPath(windowsPath);
    fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void InstallFile(const fs::path& hostFile, std::u16string_view windowsPath)
{
    const fs::path target = HostPath(windowsPath);
    fs::create_directories(target.parent_path());
    fs::copy_file(hostFile, target, fs::copy_options::overwrite_existing);
}

}  // namespace vexl::machine
