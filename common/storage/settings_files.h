// Settings files: a chosen group of settings under their item names in INI
// form, behind a header that ties them to the machine family, the display
// language and the settings version. Preset and quality-list files, and the
// stamp, custom-size and default sections of the settings INI, are read and
// written through the item pass here.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct DriverContext;
struct SettingItemDescriptor;

// Kind flags of the file operations.
inline constexpr std::uint32_t kSettingsLoad = 0x1;
inline constexpr std::uint32_t kSettingsWrite = 0x2;
inline constexpr std::uint32_t kSettingsPreset = 0x4;
inline constexpr std::uint32_t kSettingsInstallFile = 0x8;
inline constexpr std::uint32_t kSettingsQualityList = 0x10;
inline constexpr std::uint32_t kSettingsStamp = 0x20;
inline constexpr std::uint32_t kSettingsFreeSize = 0x80;
inline constexpr std::uint32_t kSettingsSrcFreeSize = 0x200;
inline constexpr std::uint32_t kSettingsWorkArea = 0x1000;
inline constexpr std::uint32_t kSettingsLanguageForm = 0x2000;
inline constexpr std::uint32_t kSettingsPresetCarrier = 0x8000;

// Settings-file status of the work area (SetSettingsFileError).
inline constexpr int kSettingsFileAccepted = 0;
inline constexpr int kSettingsFileHeaderRefused = 1;
inline constexpr int kSettingsFileUnreadable = 2;

// Loads the group that flags name from path into the current settings.
// The section is the printer's (the printer-name field, which the caller
// may have swapped), or the language section with 0x2000 or 0x8. A refused
// header loads nothing (status 1, result 1); an unreadable file gives
// status 2 and 0. An item missing from the file keeps its value and makes
// the result 0.
BOOL LoadSettingsFile(HANDLE printer, const WCHAR* path, std::uint32_t flags, DriverContext* context);
// Writes the group into the section of path, which is rewritten with that
// section first; the other sections stay as they were.
BOOL SaveSettingsFile(HANDLE printer, const WCHAR* path, std::uint32_t flags, DriverContext* context);

// Items first to last of the item table read from (flags without 0x2) or
// written to (with 0x2) section of path through the system INI functions,
// under their item names; with 0x8 the user-code items 10001 to 10003 are
// left out. The font-table items 10004 to 10009 never travel this way: a
// write stores them as 0, and both directions keep their values.
void TransferItemRange(const WCHAR* path, std::uint32_t flags, DriverContext* context, const WCHAR* section,
                       std::uint16_t first, std::uint16_t last);

// a / 100 == b / 100.
BOOL SameVersionMajor(std::uint16_t a, std::uint16_t b);

}  // namespace vexl
