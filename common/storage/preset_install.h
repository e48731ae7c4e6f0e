// Installing the preset files that the driver package ships: the install
// lists that name them, the rules that keep a file out for a driver or
// under the current settings, and the entries they get in the printer's
// preset list of the settings INI.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <functional>

namespace vexl {

struct DriverContext;

// Installation flags.
inline constexpr std::uint32_t kInstallAddPresets = 0x1;
inline constexpr std::uint32_t kInstallRefreshFiles = 0x2;
inline constexpr std::uint32_t kInstallRefillCopy = 0x10;
inline constexpr std::uint32_t kInstallDeleteCopy = 0x20;
inline constexpr std::uint32_t kInstallApplyRules = 0x40;
inline constexpr std::uint32_t kInstallOnlyMissing = 0x80;
inline constexpr std::uint32_t kInstallRun = 0x100;
inline constexpr std::uint32_t kInstallKeepExistingCopy = 0x1000;

// Install-list keys.
inline constexpr const WCHAR* kInstallCountKey = u"NumDeficonfiles";
inline constexpr const WCHAR* kInstallFileKey = u"Deficonfiles";
inline constexpr const WCHAR* kInstallDoneKey = u"DrvInstPresetDone";
inline constexpr int kMaxInstallListFiles = 65534;

inline constexpr int kPresetTextChars = 260;
inline constexpr int kPresetLongTextChars = 513;

struct PresetListEntry {
    WCHAR installName[kPresetTextChars];
    WCHAR path[kPresetTextChars];
    WCHAR name[kPresetLongTextChars];
    WCHAR comment[kPresetLongTextChars];
    std::uint16_t drop;
};

BOOL InstallPresetFiles(const WCHAR* listFile, const WCHAR* section, std::uint32_t flags, DriverContext* context,
                        int presetCount, const PresetListEntry* presets);
BOOL AddInstalledPreset(const WCHAR* userCopy, const WCHAR* name, const WCHAR* comment, std::uint32_t flags,
                        DriverContext* context);
BOOL FindPresetByFileName(const WCHAR* path, int count, const PresetListEntry* presets, std::int32_t* index);
BOOL AcceptPresetFile(const WCHAR* path, DriverContext* context);

// Re-applies the install list of the default settings file ("DefaultRst")
// to the printer's preset list: installed presets that no longer qualify
// go, user presets that raise an alert go, listed files that are missing
// come in. 0, with the list untouched, when the install list is missing or
// one of its entries cannot be expanded.
BOOL RefreshInstalledPresets(DriverContext* context);
// Whether a preset loads without an alert on the preset control; a file
// that loads nothing counts as usable. The settings are left as they were.
BOOL IsPresetFileUsable(const WCHAR* path, DriverContext* context);

// ---- INI helpers -------------------------------------------------------------------------------
// name and comment hold kPresetTextChars characters each.
BOOL ReadPresetNameComment(const WCHAR* file, const WCHAR* section, WCHAR* name, WCHAR* comment);
// out holds kPresetTextChars characters; FALSE for a null argument or an empty value.
BOOL ReadIniStringChecked(const WCHAR* file, const WCHAR* section, const WCHAR* key, WCHAR* out);
BOOL WriteIniNumber(const WCHAR* file, const WCHAR* section, int value, const WCHAR* key);

// ---- acceptance rules --------------------------------------------------------------------------
// One token of a condition expression: its name (at most tokenBytes - 1
// bytes, the rest of a longer name is skipped), whether it is negated and
// whether '&' (rather than '|' or nothing) joins it to the next token.
// Answers the characters consumed; 0 at the end of the text.
inline constexpr int kConditionTokenBytes = 260;
int ParseConditionToken(const char* text, char* token, BOOL* negated, BOOL* andFollows);
// Whether a named option holds under the current settings.
using ConditionTokenTest = std::function<bool(const char* name)>;
// An expression read left to right without precedence: A | B & C is (A or B) and C.
bool EvaluateConditionExpression(const char* text, const ConditionTokenTest& holds);
// The groups of [condition] of path: every group needs one true alternative.
bool EvaluateConditionSection(const WCHAR* path, const ConditionTokenTest& holds);
BOOL CheckConditionRules(const WCHAR* path, DriverContext* context);
BOOL IsFileEnabledForDriver(const WCHAR* path, DriverContext* context);
BOOL CheckTintBlockRule(const WCHAR* path, DriverContext* context);

}  // namespace vexl
