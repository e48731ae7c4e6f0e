// Listing a folder: FindFirstFileW, FindNextFileW and FindClose.
//
// The names of the folder that match the pattern are taken when the search
// starts, sorted without case as Windows lists them; "." and ".." come first
// in every folder but a drive root. Wildcards follow Windows: '*' matches any
// run of characters, '?' one character, letters compare without case, and a
// pattern ending in ".*" also matches names without that extension, so "*.*"
// matches every name.
#include "platform/files.h"

#include "platform/kernel.h"
#include "platform/machine.h"
#include "platform/security.h"

#include "files_host.h"
#include "unicode.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <mutex>
#include <string>
#include <vector>

using namespace vexl::platform;
namespace fs = std::filesystem;

namespace {

struct FindObject : KernelObject {
    fs::path folder;
    std::vector<std::u16string> names;
    std::size_t next = 0;
    std::mutex lock;
};

bool MatchWildcards(std::u16string_view pattern, std::u16string_view name)
{
    // Greedy matching with one backtrack point per '*'.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::u16string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') ++p;
    return p == pattern.size();
}

bool MatchesPattern(std::u16string_view pattern, std::u16string_view name)
{
    if (MatchWildcards(pattern, name)) return true;
    // "name.*" also matches "name": the extension may be absent.
    if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == u".*" &&
        name.find(u'.') == std::u16string_view::npos)
        return MatchWildcards(pattern.substr(0, pattern.size() - 2), name);
    return false;
}

bool IsValidPattern(std::u16string_view pattern)
{
    for (char16_t c : pattern) {
        if (c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|') return false;
    }
    return true;
}

// A drive root (<root>/C) or a share root (<root>/UNC/server/share) lists no dots.
bool IsRootFolder(const fs::path& folder)
{
    std::error_code error;
    const fs::path root = fs::weakly_canonical(vexl::machine::Root(), error);
    const fs::path relative = fs::weakly_canonical(folder, error).lexically_relative(root);
    std::size_t depth = 0;
    bool unc = false;
    for (const fs::path& part : relative) {
        if (depth == 0) unc = part == "UNC";
        ++depth;
    }
    return unc ? depth <= 3 : depth <= 1;
}

bool FillFindData(const fs::path& folder, std::u16string_view name, WIN32_FIND_DATAW& data)
{
    // A symbolic link is listed as a reparse point, with the directory
    // attribute when it leads to a folder, so that a walk need not enter it.
    const fs::path path = folder / ToUtf8(name);
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return false;
    DWORD attributes = 0;
    if (S_ISLNK(status.st_mode)) {
        struct stat target {};
        const bool leadsToFolder = ::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode);
        attributes = FILE_ATTRIBUTE_REPARSE_POINT | (leadsToFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE);
    } else {
        attributes = AttributesFromStat(status) | KeptAttributes(path);
    }
    data = WIN32_FIND_DATAW{};
    data.dwFileAttributes = attributes;
    data.ftCreationTime = FileTimeFromTimespec(status.st_mtim);
    data.ftLastAccessTime = FileTimeFromTimespec(status.st_atim);
    data.ftLastWriteTime = FileTimeFromTimespec(status.st_mtim);
    if (!S_ISDIR(status.st_mode)) {
        const std::uint64_t size = static_cast<std::uint64_t>(status.st_size);
        data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        data.nFileSizeLow = static_cast<DWORD>(size);
    }
    name.copy(data.cFileName, name.size());
    return true;
}

// Fills the next entry that still exists; false when the list is used up.
bool NextEntry(FindObject& find, WIN32_FIND_DATAW& data)
{
    std::lock_guard guard(find.lock);
    while (find.next < find.names.size()) {
        if (FillFindData(find.folder, find.names[find.next++], data)) return true;
    }
    return false;
}

std::vector<std::u16string> MatchingNames(const fs::path& folder, std::u16string_view pattern, int& error)
{
    std::vector<std::u16string> names;
    DIR* directory = ::opendir(folder.c_str());
    if (!directory) {
        error = errno;
        return names;
    }
    while (const dirent* entry = ::readdir(directory)) {
        const std::u16string name = FromUtf8(entry->d_name);
        if (name == u"." || name == u".." || name.size() >= MAX_PATH) continue;
        if (MatchesPattern(pattern, name)) names.push_back(name);
    }
    ::closedir(directory);
    std::sort(names.begin(), names.end(),
              [](const std::u16string& a, const std::u16string& b) { return CompareNoCase(a, b) < 0; });
    if (!IsRootFolder(folder)) {
        for (const std::u16string_view dots : {u"..", u"."}) {
            if (MatchesPattern(pattern, dots)) names.insert(names.begin(), std::u16string(dots));
        }
    }
    error = 0;
    return names;
}

HANDLE FailFind(DWORD error)
{
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

}  // namespace

HANDLE FindFirstFileW(LPCWSTR fileName, LPWIN32_FIND_DATAW findData)
{
    if (!fileName || !findData) return FailFind(ERROR_INVALID_PARAMETER);
    const std::u16string_view path = View(fileName);
    if (path.empty()) return FailFind(ERROR_PATH_NOT_FOUND);
    std::size_t split = path.find_last_of(u"\\/");
    if (split == std::u16string_view::npos && path.size() >= 2 && path[1] == u':') split = 1;
    const std::u16string folderName(split == std::u16string_view::npos ? u"\\" : path.substr(0, split + 1));
    const std::u16string_view pattern = split == std::u16string_view::npos ? path : path.substr(split + 1);
    if (pattern.empty()) return FailFind(ERROR_FILE_NOT_FOUND);
    if (!IsValidPattern(pattern)) return FailFind(ERROR_INVALID_NAME);

    const fs::path folder = vexl::machine::HostPath(folderName);
    if (folder.empty()) return FailFind(ERROR_PATH_NOT_FOUND);
    int error = 0;
    auto find = std::make_shared<FindObject>();
    find->folder = folder;
    find->names = MatchingNames(folder, pattern, error);
    if (error) return FailFind(error == ENOENT || error == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(error));
    if (!NextEntry(*find, *findData)) return FailFind(ERROR_FILE_NOT_FOUND);
    SetLastError(ERROR_SUCCESS);
    return AddHandle(std::move(find));
}

BOOL FindNextFileW(HANDLE findFile, LPWIN32_FIND_DATAW findData)
{
    const std::shared_ptr<FindObject> find = FindHandle<FindObject>(findFile);
    if (!find) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!findData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!NextEntry(*find, *findData)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE findFile)
{
    if (!FindHandle<FindObject>(findFile) || !RemoveHandle(findFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
