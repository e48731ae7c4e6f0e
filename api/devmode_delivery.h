// The DEVMODE an application prints with: the instance's settings brought
// into a consistent state by one of four requests (the model's defaults, a
// rebuild from the printer's stored settings, a re-derivation of the
// settings as they stand, or a merge of a DEVMODE the caller hands in), and
// the DEVMODE part of the store handed out. The rebuild steps are shared
// with instance start and the status write engine.
#pragma once

#include "common/core/context.h"
#include "platform/devmode.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl::api {

// Request words of VEXLDrvGetDevmode and VEXLDrvGetDevmodeEx. Of 1, 2 and 4
// the first one present is acted on; 8 (Ex only) must be the whole word.
inline constexpr std::uint32_t kDevmodeModelDefaults = 0x1;
inline constexpr std::uint32_t kDevmodeRebuild = 0x2;
inline constexpr std::uint32_t kDevmodeRederive = 0x4;
inline constexpr std::uint32_t kDevmodeMergeCaller = 0x8;
inline constexpr std::uint32_t kDevmodeBidiRefresh = 0x10;          // with 1 and 2
inline constexpr std::uint32_t kDevmodeNotificationRefresh = 0x20;  // API version 10 on
inline constexpr std::uint32_t kDevmodePresetRefresh = 0x40;        // API version 11 on

// Merge flags of the remerge: a caller's DEVMODE, and the instance's own.
inline constexpr std::uint32_t kRemergeCallerFlags = 0x2220000A;
inline constexpr std::uint32_t kRemergeOwnFlags = 0x2260000A;

// The bodies of the two exports for a live instance: the DEVMODE size, the
// DEVMODE copied to out when out is not NULL; -1 with the last error set
// (1 unknown request, 5 no DEVMODE for request 8 or one that cannot be a
// DEVMODE, 100 printer or memory).
int GetInstanceDevmode(DriverContext* instance, std::uint32_t flags, DEVMODEW* out);
int GetInstanceDevmodeEx(DriverContext* instance, std::uint32_t flags, DEVMODEW* out, const DEVMODEW* in);

// A caller's DEVMODE taken into a buffer of the driver's DEVMODE size
// (GetDevmodeSize bytes, zero-filled first). The caller's own size fields
// are checked before the DEVMODE is read: a public part that cannot hold
// its header or is larger than any public record gives FALSE; a driver part
// that does not fit behind it is left out (dmDriverExtra 0 in the copy).
// Nothing beyond dmSize + dmDriverExtra bytes of the caller's is read.
BOOL TakeCallerDevmode(const DEVMODEW* caller, std::uint8_t* out);

// ---- rebuild steps ------------------------------------------------------------------------
// Windows 9x DEVMODE header fields, then the OS kind and the 9x private header.
void PrepareApiDevmodeHeader(DriverContext* instance);
// The OS kind of the private run-time flags from the system in use.
void SetOsKindItem(DriverContext* instance);
// The 9x private header: the signatures, then the settings INI name and the
// two version texts of the model, each in a zero-filled 16-byte field. Both
// do nothing off Windows 9x.
void WriteWin9xPrivateSignature(DriverContext* instance);
void WriteWin9xPrivateNames(DriverContext* instance);
// The UI-mode state cleared; the paper follows. flags is the caller's whole
// word: unless it also asks for re-derivation (4), the user macro is reset
// (1) or its CMYK planes kept (2 below API version 6).
void ResetApiDevmodeState(DriverContext* instance, std::uint32_t flags);
// Without a shift-margin range in the model, the shift direction and the
// horizontal shift margin go back to their model defaults.
void ResetShiftDefaults(DriverContext* instance);
// The margin, header/footer, edge, crop and creep items to their rest.
void ResetMarginItems(DriverContext* instance);
// A user macro of slots 32-39 in use: its quality list's four CMYK plane
// switches replace the current ones.
void KeepUserMacroPlanes(DriverContext* instance);
// The transactions of rdmDstResolutionBoth with the work prompt on.
void RunResolutionBothTransacts(DriverContext* instance);
// RemergeDevmode with rdmAdjustMode off, keeping the values of finishing
// switches the model restricts; dmCollate follows the sort switch. A NULL
// devmode remerges the instance's own DEVMODE. 0 when memory runs out.
int RemergeKeepingRestricted(DriverContext* instance, const DEVMODEW* devmode);
// The merge of a DEVMODE (NULL: a copy of the instance's own) keeping a
// custom width and length the source flags, then the media transactions.
// The devmode must hold GetDevmodeSize readable bytes or say less in its
// size fields (see TakeCallerDevmode). 0 when memory runs out.
int RemergeDevmode(DriverContext* instance, const DEVMODEW* devmode);
// 1 for the duplex types 1, 2 and 3.
BOOL DuplexTypeHasMargins(std::uint32_t type);
// Machine 130 only: the page is beyond the engine's dot limits, or duplex
// printing on a duplex unit at 1200 dpi with the base memory.
BOOL NeedsResolutionFallback(DriverContext* instance);
BOOL IsPageWithinEngineLimits(DriverContext* instance);
// A custom size of a status 7 structure (+4 paper, +8 width, +12 length,
// little-endian u32) into the public DEVMODE.
void ApplyCustomPaperSize(DriverContext* instance, const void* structure);

}  // namespace vexl::api
