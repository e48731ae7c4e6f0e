#include "common/storage/directories.h"

#include "common/core/context.h"
#include "common/core/osinfo.h"
#include "common/core/path_text.h"

#include <string>

namespace vexl {
namespace {

using namespace path_text;

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

}  // namespace

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

}  // namespace vexl
