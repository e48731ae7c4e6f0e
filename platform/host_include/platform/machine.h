// The machine: a directory that holds one "Windows" for the driver. Its root
// comes from VEXL_MACHINE (or Use); under it live the drives (C:\ is
// <root>/C/), the registry, the spooler's printers and the machine profile.
// Every process that uses the same root sees the same machine.
//
// This is the C++ face of the layer for tests and tools.
#pragma once

#include "platform/types.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

VEXL_HOST_FACE_BEGIN
namespace vexl::machine {

// An installed font family: its face name, its kind (TRUETYPE_FONTTYPE 4,
// DEVICE_FONTTYPE 2, RASTER_FONTTYPE 1), its character set, and the font file
// its text is drawn with (a name without ".ttf" in the font folder; empty:
// the profile's fontFile).
struct FontFamily {
    std::u16string face;
    DWORD type = 4;
    BYTE charset = 0;
    std::string file;
};

std::vector<FontFamily> DefaultFonts();

struct Profile {
    // Operating system, as GetVersionExW and VerifyVersionInfoW report it.
    DWORD osMajor = 6;
    DWORD osMinor = 1;
    DWORD osBuild = 7601;
    DWORD platformId = 2;  // VER_PLATFORM_WIN32_NT; 1 is the Windows 9x platform
    std::u16string servicePack;
    WORD suiteMask = 0;  // VER_SUITE_TERMINAL (0x10) makes a terminal server
    BYTE productType = 1;
    // The user.
    bool administrator = true;
    std::u16string userName = u"user";
    std::u16string computerName = u"VEXLHOST";
    // Locale.
    LCID locale = 0x0409;
    int country = 1;
    UINT ansiCodePage = 1252;
    // Folders, as Windows paths.
    std::u16string windowsDirectory = u"C:\\WINDOWS";
    std::u16string systemDirectory = u"C:\\WINDOWS\\system32";
    std::u16string userProfile = u"C:\\Users\\user";
    std::u16string localAppDataLow = u"C:\\Users\\user\\AppData\\LocalLow";
    // The current folder of the machine's processes (GetFullPathNameW).
    std::u16string currentDirectory = u"C:\\";
    // Clock: minutes added to UTC for local time, and an optional fixed local
    // time ("2026-01-31 13:45:10.250") that GetLocalTime and GetSystemTime keep.
    int utcOffsetMinutes = 0;
    std::string fixedLocalTime;
    // Display: true-colour, or a palette display of 8 bits.
    bool paletteDisplay = false;
    // Fonts: the folder of the font files, the file text is drawn with when a
    // face names none, and the installed families in the order they are listed.
    std::string fontFolder = "/usr/share/fonts/truetype/dejavu";
    std::string fontFile = "DejaVuSans";
    std::vector<FontFamily> fonts = DefaultFonts();
};

// The machine this process uses: the one set by Use, else VEXL_MACHINE.
// Empty when there is none.
std::filesystem::path Root();

// Makes this process (and the processes it starts) use the machine at root.
void Use(const std::filesystem::path& root);

// Creates a machine at root with the given profile: the drive C with the
// Windows, system, spool driver and user folders, and the profile file.
void Create(const std::filesystem::path& root, const Profile& profile = {});

Profile LoadProfile();
void SaveProfile(const Profile& profile);

// The host path of a Windows path on this machine ("C:\a\b" ->
// <root>/C/a/b, "\\srv\share\x" -> <root>/UNC/srv/share/x). Existing
// components are matched without regard to case; the others are kept as
// written. Empty when there is no machine or the path is not valid.
std::filesystem::path HostPath(std::u16string_view windowsPath);

// Writes a file into the machine, creating its folders (fixtures).
void WriteFile(std::u16string_view windowsPath, std::string_view bytes);
// Copies a host file (a built library, say) into the machine.
void InstallFile(const std::filesystem::path& hostFile, std::u16string_view windowsPath);

// The tick count of this process: real by default; a test can fix it and move it.
void SetTickCount(DWORD ticks);
void AdvanceTickCount(DWORD milliseconds);
void UseRealTickCount();

}  // namespace vexl::machine
VEXL_HOST_FACE_END
