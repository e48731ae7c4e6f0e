#include "common/storage/directories.h"

#include "common/core/memory.h"
#include "common/core/printer.h"
#include "platform/win32.h"

#include <string_view>

namespace vexl {
namespace {

constexpr std::u16string_view kDefaultDriverFolder = u"\\spool\\drivers\\w32x86\\2\\";

// Writes text into out (MAX_PATH characters), cut to fit, and makes it end
// with a backslash.
WCHAR* WriteDirectory(WCHAR* out, std::u16string_view text)
{
    std::size_t length = text.size() < MAX_PATH - 2 ? text.size() : MAX_PATH - 2;
    text.copy(out, length);
    if (length == 0 || out[length - 1] != u'\\') out[length++] = u'\\';
    out[length] = 0;
    return out;
}

}  // namespace

WCHAR* GetDriverDirectoryForPrinter(HANDLE printer, WCHAR* out)
{
    auto* driver = static_cast<DRIVER_INFO_3W*>(GetPrinterDriverInfo(printer, 3));
    if (driver && driver->pDriverPath) {
        const std::u16string_view path(driver->pDriverPath);
        const std::size_t slash = path.rfind(u'\\');
        WriteDirectory(out, slash == std::u16string_view::npos ? std::u16string_view() : path.substr(0, slash + 1));
        FreeIfNotNull(driver);
        return out;
    }
    FreeIfNotNull(driver);
    WCHAR system[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    std::u16string folder(system, length < MAX_PATH ? length : 0);
    folder += kDefaultDriverFolder;
    return WriteDirectory(out, folder);
}

}  // namespace vexl
