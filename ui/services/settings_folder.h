// The shared settings folder of the printers of a computer and the small
// file helpers of the installation code.
//
// The folder ("_vexl" at the root of the system drive unless the registry or
// a connection's printer data names another) is created hidden, owned by
// the Administrators group and open to Everyone with full control, so that
// every user may keep settings INI files, presets and packages there. The
// security descriptors are built byte for byte as the system expects them.
// A walk over a folder never enters a symbolic link or other reparse point:
// the folder is writable by every user, and a planted link must not lead a
// recursive delete or re-securing somewhere else.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::ui {

// ---- the folder --------------------------------------------------------------------

// A connection's printer-data directory "_VEXLDirectoryClient", else the
// registry value "_VEXLDirectory" when not empty, else the default folder.
// Answers the length written into out (size characters), 0 on failure.
int GetDataFolder(WCHAR* out, int size, HANDLE printer, const PRINTER_INFO_2W* info);
// GetDataFolder on NT 5 and later, the system directory before.
int GetSettingsFolderForPrinterInfo(WCHAR* out, int size, HANDLE printer, const PRINTER_INFO_2W* info);
// The system drive's root followed by "_vexl".
int GetDefaultDataFolder(WCHAR* out, int size);

// Creates the printer's shared settings folder (an existing one counts) and
// makes it hidden, owned by the Administrators and open to Everyone; the
// result is that of the creation alone.
BOOL CreateDataFolder(HANDLE printer);
BOOL CreateDataFolderForContext(DriverContext* context);
// Empties and removes the default settings folder; the result is that of
// removing the folder itself.
BOOL RemoveDataFolder();
// On NT 5 and later the shared settings folder and the files directly in it
// get the Administrators as owner and the Everyone DACL (sub-folders keep
// theirs). Before NT 5 the bidirectional INI file of the settings directory
// is made instead.
BOOL SecureDataFolder(DriverContext* context);

// ---- security --------------------------------------------------------------------------

// Flags of the apply operations: the path itself only, or also the entries
// of the folder (files always, sub-folders with kSecureSubfolders, and the
// walk into sub-folders with kSecureRecursive).
inline constexpr std::uint32_t kSecurePathOnly = 1;
inline constexpr std::uint32_t kSecureSubfolders = 2;
inline constexpr std::uint32_t kSecureRecursive = 4;

// A descriptor (revision 1) with a DACL of one inheritable ACE that gives
// Everyone FILE_ALL_ACCESS, sized exactly; null when it cannot be built.
PSECURITY_DESCRIPTOR MakeEveryoneAccessDescriptor();
void FreeAccessDescriptor(PSECURITY_DESCRIPTOR descriptor);
// A descriptor (revision 1) whose owner is BUILTIN\Administrators.
PSECURITY_DESCRIPTOR MakeAdminsOwnerDescriptor();
void FreeOwnerDescriptor(PSECURITY_DESCRIPTOR descriptor);
// Apply the descriptor to path (and its entries by flags); FALSE only when
// the descriptor cannot be built. Failures of single entries are ignored.
BOOL ApplyEveryoneAccess(const WCHAR* path, std::uint32_t flags);
BOOL ApplyAdminsOwner(const WCHAR* path, std::uint32_t flags);
void ApplySecurityRecursive(const WCHAR* folder, PSECURITY_DESCRIPTOR descriptor, std::uint32_t flags,
                            SECURITY_INFORMATION securityInformation);

// ---- files --------------------------------------------------------------------------------

// CreateDirectoryW where an existing folder counts as made; FALSE for null.
BOOL CreateFolder(const WCHAR* path);
// Deletes every file matching the pattern (made writable first); TRUE when
// at least one file's attributes could be reset.
BOOL DeleteFilesByPattern(const WCHAR* pattern);
// Deletes the folder's files and sub-folders, depth first; a link inside is
// removed as a link and its target is left alone. TRUE when the folder could
// be listed.
BOOL DeleteFolderContents(const WCHAR* folder);
// Clears the read-only attribute; the other attributes stay. Answers 1.
BOOL ClearReadOnlyAttribute(const WCHAR* path);

// Copy modes: kCopyWhenMissing copies only onto a missing target; any other
// mode refreshes the target.
inline constexpr std::uint16_t kCopyWhenMissing = 1;
// The driver directory's file (sourceName, or name) into the system
// directory as name; mode 1 never replaces, another mode replaces a target
// that is older than the source.
BOOL CopyDriverFileToSystemDirFor(const WCHAR* name, const WCHAR* sourceName, std::uint16_t mode, HANDLE printer);
// Both paths absolute ("X:"); mode 1 never replaces, another mode replaces a
// target whose last-write time differs from the source's.
BOOL CopyFileByMode(const WCHAR* target, const WCHAR* source, std::uint16_t mode);
BOOL InstallDriverFileFor(const WCHAR* target, const WCHAR* sourceName, std::uint16_t mode, DriverContext* context,
                          int timeMode);
// The per-user settings directory + "\" + name, or empty when it does not
// fit size characters. Answers out.
WCHAR* BuildUserDirPath(WCHAR* out, int size, const WCHAR* name);
// The system's Windows folder. Answers 1.
BOOL GetWindowsFolder(WCHAR* out, int size);

}  // namespace vexl::ui
