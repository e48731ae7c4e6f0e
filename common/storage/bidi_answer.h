// The printer's answer to a device query: each data code of the status
// library is read with the library's two-call size protocol and turned into
// printer-side setting items. Everything the library hands back is outside
// input: sizes are checked, arrays are read only as far as they reach and
// texts only up to their buffer.
#pragma once

#include "common/core/modeldb.h"
#include "common/storage/bidi_library.h"
#include "platform/win32.h"

#include <cstdint>
#include <vector>

namespace vexl {

struct DriverContext;

// A started query: the library's table, the printer handle and the query.
struct BidiQuery {
    const BidiLibraryInterface* table;
    HANDLE printer;
    HANDLE query;
};

// Data codes of the answer.
inline constexpr DWORD kBidiCodeTrays = 1;
inline constexpr DWORD kBidiCodeOptions = 2;
inline constexpr DWORD kBidiCodeSystemVersion = 8;
inline constexpr DWORD kBidiCodeMemory = 11;
inline constexpr DWORD kBidiCodeTrayPaper = 20;
inline constexpr DWORD kBidiCodeTrayMedia = 21;
inline constexpr DWORD kBidiCodeTrayFlags = 23;
inline constexpr DWORD kBidiCodeCustomMediaCount = 80;
inline constexpr DWORD kBidiCodeCustomMediaTypes = 81;
inline constexpr DWORD kBidiCodeCustomMediaNames = 82;
inline constexpr DWORD kBidiCodeCustomMediaCharSets = 83;
// Requests of channel 15.
inline constexpr DWORD kBidiChannelEmulationVersion = 2;
inline constexpr DWORD kBidiChannelMemoryType = 258;
inline constexpr DWORD kBidiChannelOther = 259;

// An answer larger than this is refused as if memory had run out.
inline constexpr DWORD kMaxBidiAnswerBytes = 0x100000;

// The bytes of one answer and how many 32-bit entries of it are data.
struct BidiAnswer {
    std::vector<std::uint8_t> bytes;
    std::uint32_t entries = 0;
    std::uint32_t Value(std::uint32_t index) const;
};

// A code's answer, in a zero-filled buffer of at least minBytes. No data
// (size 0, or a read that fails) is an empty answer; FALSE only when the
// answer cannot be held.
BOOL ReadBidiData(const BidiQuery& query, DWORD code, DWORD minBytes, BidiAnswer* out);
BOOL ReadBidiChannelData(const BidiQuery& query, DWORD code, DWORD minBytes, BidiAnswer* out);

// Bits of a tray's flag word (code 23).
inline constexpr std::uint32_t kTrayFlagLocked = 0x1;
inline constexpr std::uint32_t kTrayFlagCover = 0x4;
inline constexpr std::uint32_t kTrayFlagMark = 0x8;
inline constexpr std::uint32_t kTrayFlagReverseCover = 0x200;
// Capability bits of rdmBidiFunc.
inline constexpr std::uint32_t kBidiFuncCover = 0x1;
inline constexpr std::uint32_t kBidiFuncMark = 0x2;
inline constexpr std::uint32_t kBidiFuncChapter1 = 0x4;
inline constexpr std::uint32_t kBidiFuncReverseCover = 0x40;

// ---- code maps: 0 when the code is not known ------------------------------------------------
std::uint16_t MapTrayCodeToFieldItem(std::uint32_t trayCode);
std::uint16_t MapTrayCodeToOrientItem(std::uint32_t trayCode);
std::uint16_t MapTrayCodeToPaperItem(std::uint32_t trayCode);
std::uint16_t MapTrayCodeToMediaItem(std::uint32_t trayCode);
std::uint16_t MapTrayCodeToLockItem(std::uint32_t trayCode);
std::uint32_t MapTrayCodeToSourceValue(std::uint32_t trayCode);
// The paper value of a device paper code, from the paper map (*rotated 0)
// or the rotated one (*rotated 1); 0 for none.
std::uint32_t MapDevicePaperCode(std::uint32_t deviceCode, std::uint32_t* rotated);
// The media value of a device media code; 0 for none.
std::uint32_t MapDeviceMediaCode(std::uint32_t deviceCode);
// The first row of a code map whose value matches: its code, 0 when none.
std::uint32_t FindCodeForValue(const DeviceOptionCode* map, std::uint32_t value);
// The tray of the list whose code comes first in the preference list; 3 when none.
std::uint32_t PickPreferredTray(const std::vector<std::uint32_t>& trayCodes);
BOOL TrayServesChapterKind(DriverContext* context, std::uint32_t kind, std::uint32_t trayFlags);

// ---- readers: FALSE only when memory runs out --------------------------------------------------
BOOL ReadPrinterConfigFull(const BidiQuery& query, DriverContext* context);
BOOL ReadPrinterConfigStatus(const BidiQuery& query, DriverContext* context);
BOOL ReadTrayConfig(const BidiQuery& query, DriverContext* context);
BOOL ReadInstalledOptions(const BidiQuery& query, DriverContext* context);
BOOL ReadPrinterMemory(const BidiQuery& query, DriverContext* context);
BOOL ReadSystemVersion(const BidiQuery& query, DriverContext* context);
BOOL ReadCustomMediaNames(const BidiQuery& query, DriverContext* context);
// Always 1.
BOOL ReadChannelInfo(const BidiQuery& query, DriverContext* context);
BOOL ReadEmulationVersion(const BidiQuery& query, DriverContext* context);

// Whether the query asks for custom media names.
BOOL IsBidiCustomMediaWanted(DriverContext* context);

}  // namespace vexl
