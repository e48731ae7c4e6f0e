// INI files of the driver: single keys through the system with safe section
// names, and the in-memory editor of settings files (read the whole file,
// look keys up with a moving position, build a section, rewrite the file
// with that section first).
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <string>

namespace vexl {

struct DriverContext;

// Section names are copied into a buffer of this many characters.
inline constexpr int kIniSectionChars = 261;
// Section names as 8-bit text take at most this many bytes.
inline constexpr int kIniSectionBytes = 522;

// ---- through the system ------------------------------------------------------------
// '[' and ']' become ','; answers name.
WCHAR* SanitizeIniSection(WCHAR* name);
int ReadIniInt(const WCHAR* section, const WCHAR* key, int defaultValue, const WCHAR* file);
int ReadIniString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultText, WCHAR* out, int size,
                  const WCHAR* file);
// A null key removes the section, a null value the key.
BOOL WriteIniString(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* file);

// ---- in memory -----------------------------------------------------------------------
// The whole file as one terminated 8-bit text (a missing file is created
// empty); null when the path is not absolute, the file cannot be read or,
// with onlyLarge, it is shorter than 65,536 bytes.
char* ReadWholeTextFile(const WCHAR* path, BOOL onlyLarge);
BOOL FreeTextBuffer(char* text);

// The line after the section's header, or null.
const char* FindIniSectionInText(const WCHAR* section, const char* text);
// The value of key, searched from *position to the end of the section and
// then from its start; *position moves past the line found. Answers the
// characters of the value, or of the default copied when absent.
int ReadIniStringFromText(const WCHAR* key, const WCHAR* defaultText, WCHAR* out, int size, const char* text,
                          std::int32_t* position);
int ReadIniIntFromText(const WCHAR* key, int defaultValue, const char* text, std::int32_t* position);

// A section text being built: it grows as entries are appended.
struct IniSectionText {
    std::string bytes;
};
BOOL AppendIniSectionHeader(IniSectionText* text, const WCHAR* section);
BOOL AppendIniKeyValue(IniSectionText* text, const WCHAR* key, const WCHAR* value);

// Rewrites file with the new section text first and every other section
// after it, unchanged. The new file is written beside the old one and then
// put in its place, so a failure at any point leaves the old file whole.
BOOL RewriteIniSection(DriverContext* context, const WCHAR* file, const WCHAR* section, const char* newText,
                       std::uint32_t newLength);

// The header line of a section in 8-bit text, or null; *blockLength (when
// given) gets the length of the header and its lines up to the next section.
const char* FindIniSectionBlock(const char* section, const char* text, std::int32_t textLength,
                                std::int32_t* blockLength);

// ---- user codes of "TZ00C170.ini" ------------------------------------------------------------
inline constexpr const WCHAR* kUserCodeFileName = u"TZ00C170.ini";
inline constexpr const WCHAR* kUserCodeSection = u"VORNA UserCode";
BOOL LoadUserCodeSettings(DriverContext* context);
BOOL LoadUserCodeUnlessServer(DriverContext* context);
BOOL LoadUserCodeIfProviderOn(DriverContext* context);

}  // namespace vexl
