#include "platform/machine.h"

#include "printer_store.h"
#include "profile.h"
#include "storage.h"
#include "unicode.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include <sys/stat.h>
#include <time.h>
#include <fstream>
#include <map>
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

// The parsed profile of the machine in use. It is read again when the
// layer's own API changes it or the machine changes, and when the file's
// change stamp (modification time, size and inode: a replace makes a new
// inode) moves; the stamp is looked at no more than once per millisecond
// tick, not on every call.
struct ProfileCache {
    std::mutex lock;
    fs::path file;
    std::string rootText;  // the root the profile was read for
    std::shared_ptr<const Profile> profile;
    struct stat stamp {};
    std::uint64_t checkedTick = 0;
    bool stale = true;
};

ProfileCache& TheProfileCache()
{
    static ProfileCache cache;
    return cache;
}

// One row per stored profile field: its key and how to read and write it.
struct ProfileField {
    const char* key;
    std::string (*get)(const Profile&);
    void (*set)(Profile&, const std::string&);
};

template <auto Member> std::string GetNumber(const Profile& p)
{
    return std::to_string(p.*Member);
}
template <auto Member> void SetNumber(Profile& p, const std::string& v)
{
    p.*Member = static_cast<std::remove_reference_t<decltype(p.*Member)>>(std::strtoll(v.c_str(), nullptr, 0));
}
template <auto Member> std::string GetText(const Profile& p)
{
    return ToUtf8(p.*Member);
}
template <auto Member> void SetText(Profile& p, const std::string& v)
{
    p.*Member = FromUtf8(v);
}

std::string GetFlag(const Profile& p)
{
    return p.administrator ? "1" : "0";
}
void SetFlag(Profile& p, const std::string& v)
{
    p.administrator = v == "1";
}
std::string GetFixedTime(const Profile& p)
{
    return p.fixedLocalTime;
}
void SetFixedTime(Profile& p, const std::string& v)
{
    p.fixedLocalTime = v;
}

std::string GetPaletteDisplay(const Profile& p)
{
    return p.paletteDisplay ? "1" : "0";
}
void SetPaletteDisplay(Profile& p, const std::string& v)
{
    p.paletteDisplay = v == "1";
}
std::string GetFontFolder(const Profile& p)
{
    return p.fontFolder;
}
void SetFontFolder(Profile& p, const std::string& v)
{
    p.fontFolder = v;
}
std::string GetFontFile(const Profile& p)
{
    return p.fontFile;
}
void SetFontFile(Profile& p, const std::string& v)
{
    p.fontFile = v;
}

// The families as "face|type|charset|file" joined by ";".
std::string GetFonts(const Profile& p)
{
    std::string text;
    for (const FontFamily& family : p.fonts) {
        if (!text.empty()) text += ';';
        text += ToUtf8(family.face) + "|" + std::to_string(family.type) + "|" + std::to_string(family.charset) + "|" +
                family.file;
    }
    return text;
}
void SetFonts(Profile& p, const std::string& v)
{
    p.fonts.clear();
    std::istringstream in(v);
    std::string entry;
    while (std::getline(in, entry, ';')) {
        std::istringstream fields(entry);
        std::string face, type, charset, file;
        std::getline(fields, face, '|');
        std::getline(fields, type, '|');
        std::getline(fields, charset, '|');
        std::getline(fields, file, '|');
        if (face.empty()) continue;
        p.fonts.push_back({FromUtf8(face), static_cast<DWORD>(std::strtoul(type.c_str(), nullptr, 10)),
                           static_cast<BYTE>(std::strtoul(charset.c_str(), nullptr, 10)), file});
    }
}

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
    {"currentDirectory", GetText<&Profile::currentDirectory>, SetText<&Profile::currentDirectory>},
    {"utcOffsetMinutes", GetNumber<&Profile::utcOffsetMinutes>, SetNumber<&Profile::utcOffsetMinutes>},
    {"fixedLocalTime", GetFixedTime, SetFixedTime},
    {"paletteDisplay", GetPaletteDisplay, SetPaletteDisplay},
    {"fontFolder", GetFontFolder, SetFontFolder},
    {"fontFile", GetFontFile, SetFontFile},
    {"fonts", GetFonts, SetFonts},
};

bool IsSeparator(char16_t c)
{
    return c == u'\\' || c == u'/';
}

// The ASCII characters no name may hold: the controls and <>:"|?*.
constexpr std::array<bool, 0x80> kForbiddenInNames = [] {
    std::array<bool, 0x80> forbidden{};
    for (char16_t c = 0; c < 0x20; ++c) forbidden[c] = true;
    for (char16_t c : std::u16string_view(u"<>:\"|?*")) forbidden[c] = true;
    return forbidden;
}();

bool IsValidComponent(std::u16string_view component)
{
    for (char16_t c : component) {
        if (c < 0x80 && kForbiddenInNames[c]) return false;
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

std::vector<FontFamily> DefaultFonts()
{
    return {
        {u"Arial", 4, 0, "DejaVuSans"},
        {u"DejaVu Sans", 4, 0, "DejaVuSans"},
        {u"DejaVu Sans Mono", 4, 0, "DejaVuSansMono"},
        {u"DejaVu Serif", 4, 0, "DejaVuSerif"},
        {u"@DejaVu Sans", 4, 128, "DejaVuSans"},
        {u"System", 1, 0, ""},
        {u"Terminal", 1, 255, "DejaVuSansMono"},
    };
}

fs::path Root()
{
    std::lock_guard guard(g_rootLock);
    if (g_root) return *g_root;
    const char* fromEnvironment = std::getenv("VEXL_MACHINE");
    return fromEnvironment && *fromEnvironment ? fs::path(fromEnvironment) : fs::path();
}

void Use(const fs::path& root)
{
    {
        ProfileCache& cache = TheProfileCache();
        std::lock_guard guard(cache.lock);
        cache.stale = true;
    }
    platform::ForgetSpoolerState();
    std::lock_guard guard(g_rootLock);
    g_root = root;
    ::setenv("VEXL_MACHINE", root.c_str(), 1);
}

void Create(const fs::path& root, const Profile& profile)
{
    fs::create_directories(root / "C");
    Use(root);
    SaveProfile(profile);
    for (std::u16string folder :
         {profile.windowsDirectory, profile.systemDirectory, profile.systemDirectory + u"\\spool\\drivers\\w32x86\\3",
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

namespace {

std::uint64_t CoarseTick()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

bool SameStamp(const struct stat& a, const struct stat& b)
{
    return a.st_ino == b.st_ino && a.st_dev == b.st_dev && a.st_size == b.st_size &&
           a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
           a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

}  // namespace

// Whether the machine in use is still the one whose root the text names;
// no path is built for the answer.
bool IsRootStill(const std::string& rootText)
{
    std::lock_guard guard(g_rootLock);
    if (g_root) return g_root->native() == rootText;
    const char* fromEnvironment = std::getenv("VEXL_MACHINE");
    return fromEnvironment && *fromEnvironment ? rootText == fromEnvironment : rootText.empty();
}

std::shared_ptr<const Profile> CurrentProfile()
{
    ProfileCache& cache = TheProfileCache();
    {
        // The answer of this tick, asked many times a tick, without a path.
        std::lock_guard guard(cache.lock);
        if (!cache.stale && cache.profile && CoarseTick() == cache.checkedTick && IsRootStill(cache.rootText))
            return cache.profile;
    }
    const fs::path root = Root();
    const fs::path file = root / kProfileFile;
    std::lock_guard guard(cache.lock);
    const std::uint64_t tick = CoarseTick();
    if (!cache.stale && cache.profile && file == cache.file && tick == cache.checkedTick) return cache.profile;
    struct stat stamp {};
    if (::stat(file.c_str(), &stamp) != 0) {
        cache.profile = std::make_shared<const Profile>();
        cache.stale = true;
        return cache.profile;
    }
    if (cache.stale || !cache.profile || file != cache.file || !SameStamp(stamp, cache.stamp)) {
        cache.profile =
            std::make_shared<const Profile>(ParseProfile(platform::ReadWholeFile(file).value_or(std::string())));
        cache.file = file;
        cache.rootText = root.native();
        cache.stamp = stamp;
        cache.stale = false;
    }
    cache.checkedTick = tick;
    return cache.profile;
}

Profile LoadProfile()
{
    return *CurrentProfile();
}

void SaveProfile(const Profile& profile)
{
    std::string text;
    for (const ProfileField& field : kProfileFields) text += std::string(field.key) + "=" + field.get(profile) + "\n";
    platform::ReplaceFileAtomically(Root() / kProfileFile, text);
    ProfileCache& cache = TheProfileCache();
    std::lock_guard guard(cache.lock);
    cache.stale = true;
}

fs::path HostPath(std::u16string_view windowsPath)
{
    return HostPathWithStatus(windowsPath, nullptr);
}

std::string RootText()
{
    std::lock_guard guard(g_rootLock);
    if (g_root) return g_root->native();
    const char* fromEnvironment = std::getenv("VEXL_MACHINE");
    return fromEnvironment ? std::string(fromEnvironment) : std::string();
}

namespace {

// Appends one name to a host path text, with a separator unless the text
// ends with one (as the path's operator/ does).
void AppendName(std::string& text, std::string_view name)
{
    if (!text.empty() && text.back() != '/') text += '/';
    text += name;
}

// The folder a Windows path starts from, as text, and the rest of the path
// after its drive; false when the drive is not a letter. A UNC path starts
// from the root's UNC folder of any case.
bool StartFolder(const std::string& root, std::u16string_view windowsPath, std::string& folder,
                 std::u16string_view& rest)
{
    folder = root;
    if (windowsPath.size() >= 2 && IsSeparator(windowsPath[0]) && IsSeparator(windowsPath[1])) {
        folder = AppendComponent(fs::path(root), u"UNC").native();
        rest = windowsPath.substr(2);
    } else if (windowsPath.size() >= 2 && windowsPath[1] == u':') {
        const char16_t drive = platform::FoldCase(windowsPath[0]);
        if (drive < u'A' || drive > u'Z') return false;
        AppendName(folder, std::string(1, static_cast<char>(drive)));
        rest = windowsPath.substr(2);
    } else {
        // A path without a drive is taken on drive C, from its root.
        AppendName(folder, "C");
        rest = windowsPath;
    }
    return true;
}

// Appends a name as UTF-8; the common plain ASCII name byte for byte.
void AppendUtf8(std::string& text, std::u16string_view name)
{
    const std::size_t start = text.size();
    text.resize(start + name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] >= 0x80) {
            text.resize(start);
            text += ToUtf8(name);
            return;
        }
        text[start + i] = static_cast<char>(name[i]);
    }
}

// Walks the components of a path: empty ones and "." skipped, ".." handed
// to drop (which takes back the last component kept, never a part of the
// start folder), every other one to keep. False when a component holds a
// character no name may have.
template <typename Keep, typename Drop> bool WalkComponents(std::u16string_view rest, Keep keep, Drop drop)
{
    std::size_t at = 0;
    while (at <= rest.size()) {
        std::size_t end = at;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        const std::u16string_view component = rest.substr(at, end - at);
        at = end + 1;
        if (component.empty() || component == u".") continue;
        if (component == u"..") {
            drop();
            continue;
        }
        if (!IsValidComponent(component)) return false;
        keep(component);
    }
    return true;
}

// The components of a path that WalkComponents keeps; nothing when one
// holds a character no name may have.
std::optional<std::vector<std::u16string_view>> SplitComponents(std::u16string_view rest)
{
    std::vector<std::u16string_view> components;
    const bool valid = WalkComponents(
        rest, [&](std::u16string_view component) { components.push_back(component); },
        [&] {
            if (!components.empty()) components.pop_back();
        });
    if (!valid) return std::nullopt;
    return components;
}

// Appends the components of a path to a host path text as written. False
// when a component holds a character no name may have.
bool AppendComponents(std::string& text, std::u16string_view rest)
{
    const std::size_t start = text.size();
    return WalkComponents(
        rest,
        [&](std::u16string_view component) {
            text += '/';
            AppendUtf8(text, component);
        },
        [&] {
            // Every appended component starts with its own separator, and
            // no UTF-8 name holds a '/' byte.
            if (text.size() > start) text.resize(std::max(start, text.rfind('/')));
        });
}

void Look(const std::string& path, HostStatus& found)
{
    found.exists = ::stat(path.c_str(), &found.status) == 0;
    found.error = found.exists ? 0 : errno;
}

// The names a folder held when it was listed, kept while the folder is
// as it was then: the same inode and the same change times. A listing is
// kept only when those times lie well before it (more than any file
// system's time step), so that a change made in the same step as the
// listing, which would leave the times as they were, is never missed.
struct FolderListing {
    dev_t device = 0;
    ino_t inode = 0;
    timespec modified{};
    timespec changed{};
    std::vector<std::u16string> names;  // as the folder holds them
    std::vector<std::string> hostNames;
};

constexpr std::int64_t kStableNanoseconds = 2'000'000'000;
constexpr std::size_t kMostListings = 64;

std::mutex g_listingsLock;
std::map<std::string, std::shared_ptr<const FolderListing>, std::less<>> g_listings;

bool SameTime(const timespec& a, const timespec& b)
{
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool IsListingOf(const FolderListing& listing, const struct stat& folder)
{
    return listing.device == folder.st_dev && listing.inode == folder.st_ino &&
           SameTime(listing.modified, folder.st_mtim) && SameTime(listing.changed, folder.st_ctim);
}

std::shared_ptr<const FolderListing> ListFolder(const std::string& folder, const struct stat& status)
{
    auto listing = std::make_shared<FolderListing>();
    listing->device = status.st_dev;
    listing->inode = status.st_ino;
    listing->modified = status.st_mtim;
    listing->changed = status.st_ctim;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        std::string name = entry.path().filename().native();
        listing->names.push_back(FromUtf8(name));
        listing->hostNames.push_back(std::move(name));
    }
    return listing;
}

// The names of a folder; none when it is not a folder.
std::shared_ptr<const FolderListing> FolderNames(const std::string& folder)
{
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return nullptr;
    {
        std::lock_guard guard(g_listingsLock);
        const auto found = g_listings.find(folder);
        if (found != g_listings.end() && IsListingOf(*found->second, status)) return found->second;
    }
    std::shared_ptr<const FolderListing> listing = ListFolder(folder, status);
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const auto nanoseconds = [](const timespec& t) { return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; };
    const std::int64_t lastChange = std::max(nanoseconds(status.st_mtim), nanoseconds(status.st_ctim));
    if (nanoseconds(now) - lastChange > kStableNanoseconds) {
        std::lock_guard guard(g_listingsLock);
        if (g_listings.size() >= kMostListings) g_listings.clear();
        g_listings[folder] = listing;
    }
    return listing;
}

// Appends a component to a host path text: the name the folder holds when
// it is spelt in another case there, else the name as written. A caller
// that knows the name as written is missing says so.
void AppendFoundName(std::string& path, std::u16string_view component, bool missingAsWritten)
{
    const std::size_t folderEnd = path.size();
    path += '/';
    AppendUtf8(path, component);
    struct stat status {};
    if (!missingAsWritten && ::stat(path.c_str(), &status) == 0) return;
    const std::shared_ptr<const FolderListing> listing = FolderNames(path.substr(0, folderEnd));
    if (!listing) return;
    for (std::size_t i = 0; i < listing->names.size(); ++i) {
        if (platform::EqualNoCase(listing->names[i], component)) {
            path.resize(folderEnd + 1);
            path += listing->hostNames[i];
            return;
        }
    }
}

bool IsFolder(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::string ExactHostPath(const std::string& root, std::u16string_view windowsPath)
{
    if (root.empty() || windowsPath.empty()) return {};
    std::string text;
    text.reserve(root.size() + windowsPath.size() + 3);  // room for the drive and a path of ASCII names
    std::u16string_view rest;
    if (!StartFolder(root, windowsPath, text, rest)) return {};
    if (!AppendComponents(text, rest)) return {};
    return text;
}

fs::path HostPathWithStatus(std::u16string_view windowsPath, HostStatus* status)
{
    const std::string root = RootText();
    if (root.empty() || windowsPath.empty()) return {};
    std::string folder;
    std::u16string_view rest;
    if (!StartFolder(root, windowsPath, folder, rest)) return {};

    // The path as written names an existing entry most of the time: one
    // look then, and the search of each folder for another case only when
    // it does not exist.
    std::string exact;
    exact.reserve(folder.size() + rest.size() + 1);
    exact = folder;
    if (!AppendComponents(exact, rest)) return {};
    HostStatus own;
    HostStatus& found = status ? *status : own;
    if (exact.size() == folder.size()) {
        if (status) Look(exact, found);
        return fs::path(std::move(exact));
    }
    Look(exact, found);
    if (found.exists) return fs::path(std::move(exact));
    // Most often only the last name is spelt in another case, or names
    // nothing yet: its folder as written exists, and only that folder is
    // searched. Else each folder of the way is.
    // The components passed their checks when the exact path was built.
    const std::vector<std::u16string_view> components = *SplitComponents(rest);
    std::string path = folder;
    std::size_t first = 0;
    const std::size_t lastSlash = exact.rfind('/');
    if (components.size() > 1 && lastSlash > folder.size() && IsFolder(exact.substr(0, lastSlash))) {
        path = exact.substr(0, lastSlash);
        first = components.size() - 1;
    }
    for (std::size_t i = first; i < components.size(); ++i)
        AppendFoundName(path, components[i], i + 1 == components.size());
    if (status) Look(path, found);
    return fs::path(std::move(path));
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
