// The printer's bidirectional configuration: when to ask the printer what
// is installed, the check that it reports an accepted model, the flags that
// record the device information in printer data and in "TZ00C171.ini", the
// gate for printers configured from a print server, and the errors handed
// to the settings interface.
#pragma once

#include "common/storage/bidi_library.h"
#include "common/storage/persistence.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct DriverContext;
struct PageDesc;

// The process-wide table of the status library, refilled by each query.
BidiLibraryInterface* GetBidiLibraryInterface();

// A failure of the library with this error counts as done.
inline constexpr DWORD kBidiErrorTreatedAsDone = 102;

// Flags of a query.
inline constexpr std::uint32_t kBidiQueryInteractive = 1;
inline constexpr std::uint32_t kBidiQueryVersionsOnly = 2;
inline constexpr std::uint32_t kBidiQueryAllow9xLibrary = 8;
// Query masks.
inline constexpr DWORD kBidiMaskVersions = 0x104;
inline constexpr DWORD kBidiMaskFull = 0x2011C;
inline constexpr DWORD kBidiMaskCustomMedia = 0x2000000;

// Names of the stored flags.
inline constexpr const WCHAR* kBidiIniFileName = u"TZ00C171.ini";
inline constexpr const WCHAR* kBidiExFlagName = u"BidiExFlag";
inline constexpr const WCHAR* kServerConnectionName = u"TelvanConnection";
inline constexpr const WCHAR* kPresetRefreshName = u"PresetRefresh";

// ---- queries ------------------------------------------------------------------------------
BOOL QueryPrinterConfig(DriverContext* context, PageDesc* page, std::uint32_t flags);
BOOL QueryBidiConfigNow(DriverContext* context);
BOOL RefreshDeviceInfoNow(DriverContext* context, PageDesc* page);
BOOL EnsureBidiConfig(DriverContext* context, BOOL queryNow);
BOOL MarkBidiState(DriverContext* context);
// Brings the stored per-printer settings into a new context's store, and
// device information kept in "TZ00C171.ini" into printer data when the
// user may write it. Always 1.
BOOL ApplyStoredBidiConfig(DriverContext* context);
BOOL RunBidiQuery(void* reserved, std::uint32_t flags, DriverContext* context);
BOOL IsBidiLibraryReady(DriverContext* context, std::uint32_t flags);

// ---- switches of the settings INI's language section -----------------------------------------
BOOL IsBidiSupported(DriverContext* context);
BOOL IsBidiModelCheckOn(DriverContext* context);
BOOL ReadLanguageFlag(DriverContext* context, const WCHAR* key);

// ---- errors -------------------------------------------------------------------------------------
// The settings interface's code of a Windows error.
std::uint32_t MapBidiErrorCode(DWORD error);
// Stores the mapped GetLastError in the context's settings-interface record, when it has one.
void ReportBidiError(DriverContext* context);

// ---- "TZ00C171.ini" -------------------------------------------------------------------------------
BOOL GetBidiIniPath(DriverContext* context, WCHAR* out, int size);
BOOL LoadBidiIniSettings(DriverContext* context);
BOOL LoadBidiSettingsFrom(DriverContext* context, const WCHAR* path);
std::uint32_t ReadBidiFuncFrom(DriverContext* context, const WCHAR* path);
BOOL SaveBidiIniSettings(DriverContext* context);
BOOL DeleteBidiIniSection(DriverContext* context);
BOOL HasBidiIniFlag(DriverContext* context);
BOOL IsBidiIniFlagSet(DriverContext* context);
BOOL WriteBidiIniFlag(DriverContext* context, std::uint32_t value);
std::uint32_t ReadBidiIniFunc(DriverContext* context);
BOOL WriteBidiIniFunc(DriverContext* context, std::uint32_t value);
BOOL WriteBidiExFlag(DriverContext* context, std::uint32_t value);

// ---- configuration from a print server -----------------------------------------------------------
inline constexpr std::uint32_t kServerConfigNone = 0;
inline constexpr std::uint32_t kServerConfigFromServer = 1;
inline constexpr std::uint32_t kServerConfigLocal = 2;
std::uint32_t GetServerConfigState(DriverContext* context);
BOOL IsServerLibraryEnabled(DriverContext* context);
BOOL BuildServerLibraryPath(WCHAR* out, int size, DriverContext* context);
BOOL ReadServerConnectionMark(DriverContext* context);
BOOL RefreshBidiFromServerIni(const WCHAR* fetchedIni, const WCHAR* serverPrinterName, DriverContext* context);

// The remote-management library's printer-data entries: 0 on success.
using ServerDataSizeEntry = DWORD (*)(HANDLE connection, BYTE serverKind, const WCHAR* serverPrinter, const char* key,
                                      const char* valueName, DWORD* size);
using ServerDataReadEntry = DWORD (*)(HANDLE connection, BYTE serverKind, const WCHAR* serverPrinter, const char* key,
                                      const char* valueName, DWORD size, BYTE* buffer);
inline constexpr int kServerNameBytes = 260;
// The record through which a load pass takes printer data from the print
// server: the server's entries, the connection and the printer there, and
// the local printer that keeps a copy of each value taken.
struct ServerPrinterDataRecord {
    ServerDataSizeEntry sizeEntry;
    ServerDataReadEntry dataEntry;
    HANDLE connection;
    BYTE serverKind;
    const WCHAR* serverPrinter;
    HANDLE localPrinter;
    char key[kServerNameBytes];
    char valueName[kServerNameBytes];
};
// The load pass's callback over such a record (state): a value is taken only
// when the server holds exactly size bytes of it.
DWORD ReadPrinterDataViaPlugin(void* state, const WCHAR* valueName, DWORD expectedType, BYTE* data, DWORD size,
                               DWORD* needed);
PrinterDataCallback MakeServerPrinterDataCallback(ServerPrinterDataRecord* record);

}  // namespace vexl
