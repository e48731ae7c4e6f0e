// The escapes of the graphics library: what ExtEscape on a printer device
// context reaches. Every buffer an application hands in is checked against
// the size it states before a byte of it is read or written.
#pragma once

#include "graphics/pdev.h"
#include "platform/ddi.h"

#include <cstdint>

namespace vexl {

inline constexpr ULONG kEscapeQuerySupport = 8;
inline constexpr ULONG kEscapeSetCopyCount = 17;
inline constexpr ULONG kEscapePassThrough = 19;
inline constexpr ULONG kEscapeGetTechnology = 20;
inline constexpr ULONG kEscapeGetDeviceUnits = 42;
inline constexpr ULONG kEscapeUserCode = 111;
inline constexpr ULONG kEscapeTelLine = 117;
inline constexpr ULONG kEscapeDefaultSource = 119;
inline constexpr ULONG kEscapePrintMethod = 120;
inline constexpr ULONG kEscapeSettingsIniPath = 121;
inline constexpr ULONG kEscapeOptionTexts = 122;
inline constexpr ULONG kEscapeApiUseFlag = 126;
inline constexpr ULONG kEscapeLibraryVersion = 140;
inline constexpr ULONG kEscapeSpoolLibraryName = 141;

// The largest copy count; QUERYESCSUPPORT answers it for SETCOPYCOUNT.
inline constexpr ULONG kMaxCopyCount = 999;
// The result of an escape that fails where its answer is a count.
inline constexpr ULONG kEscapeError = static_cast<ULONG>(-1);

inline constexpr char kTechnologyText[] = "VEXL";
inline constexpr char kLibraryVersionText[] = "VAVIZE.LIB MASTER 1.26c";
// The spool library's name in the device code: at most this many bytes.
inline constexpr std::size_t kSpoolLibraryNameBytes = 128;

// TRUE for 8, 17, 20, 42, 111 to 126, 140 and 141; for 19 the Pdev's job-binder bit.
BOOL IsEscapeSupported(const Pdev* pdev, ULONG escape);

// Sends the buffered display list, then the bytes unframed. The count, or
// kEscapeError when no document is open or a write fails.
ULONG FlushAndPassThrough(Pdev* pdev, const BYTE* bytes, std::uint16_t count);

}  // namespace vexl
