// Plug-ins of the driver package, registered by category in the machine's
// registry (HKLM "Software\VORNA\VexlPlugins\<category>\<id>") and in the
// plug-in INI "VEXLPLUG.ini" of the driver directory; the authentication
// page plug-in of a printer; the UIControl plug-ins that may take over the
// copy guard and watermark features.
//
// Registry and INI values come from outside: texts count only with the right
// type, a terminator and a length that fits; numbers only as a 32-bit value.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexl {

struct DriverContext;

inline constexpr const WCHAR* kPluginRegistryKey = u"Software\\VORNA\\VexlPlugins";
inline constexpr const WCHAR* kPluginIniFileName = u"VEXLPLUG.ini";
inline constexpr const char* kUiControlCategory = "UIControl";
inline constexpr const char* kAuthenticationCategory = "VeskoUI";
// The identifier of the authentication page plug-in, in the plug-in list and
// in the printer data of the printers it is installed for.
inline constexpr const char16_t* kAuthenticationPluginId = u"com.vorna.vexl.veskoui";

// Ids, names and INI paths longer than this many characters are not taken.
inline constexpr int kPluginTextChars = 250;
// Registry texts are shorter than this many bytes as ANSI text.
inline constexpr int kPluginRegistryTextBytes = 252;
// A printer's plug-in id takes at most this many bytes with its terminator.
inline constexpr DWORD kPluginIdBytes = 260;
inline constexpr int kPluginIdChars = kPluginIdBytes / sizeof(WCHAR);

// One plug-in of a category; texts are ANSI, a missing text has no value.
struct PluginEntry {
    std::string id;
    std::optional<std::string> name;
    std::optional<std::string> installPath;
    std::uint32_t forceRaw = 0;
    std::uint32_t perPrinter = 0;
};

// The registry's plug-ins first, then those only the INI names.
struct PluginList {
    std::vector<PluginEntry> entries;
};

// The plug-ins of category (directory: the driver directory without its
// trailing backslash); null when there are none or on failure.
PluginList* ReadPluginList(const char* category, const char* directory);
void FreePluginList(PluginList* list);

// The printer's installed plug-ins in its printer data: "PluginIDCount" and
// "PluginID<index>" (into out, kPluginIdChars characters).
BOOL ReadPluginIdCount(HANDLE printer, std::uint32_t* out, DriverContext* context);
BOOL ReadPluginId(HANDLE printer, WCHAR* out, DriverContext* context, int index);

// Whether the printer has the authentication page plug-in installed.
BOOL HasAuthenticationPlugin(DriverContext* context);
// Whether the "VeskoUI" list names the plug-in with an install path (copied
// into outPath, MAX_PATH bytes, when given). The first entry of the id decides.
BOOL FindAuthenticationPluginPath(DriverContext* context, char* outPath);
// authPluginPresent and authPluginPathFound of the work area.
void DetectAuthenticationPlugin(DriverContext* context);

// Asks each UIControl plug-in which of the copy guard and watermark features
// it takes over and hands those features to it.
void DetectUiControlPlugins(DriverContext* context);

}  // namespace vexl
