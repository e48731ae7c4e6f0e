// Helpers over the settings that many parts of the driver share: paper
// geometry is stored in dots of 1,200 dpi and shown in 0.1 mm or 0.01 inch;
// the region's standard paper, the output paper and the fit-to-paper scale;
// the character-set code of the ANSI code page; the driver id of the model
// INI; the text-entry filter; the administrator lock tests.
#pragma once

#include "common/core/context.h"
#include "common/core/item_ids.h"
#include "common/core/modeldb.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

inline constexpr std::uint32_t kGeometryDpi = 1200;

// Unit kinds of the conversions.
inline constexpr std::uint32_t kUnitTenthMm = 1;
inline constexpr std::uint32_t kUnitHundredthInch = 2;

// ---- arithmetic (unsigned, every division rounds down; a dpi of 0 gives 0) ----
std::uint32_t DotsToTenthMm(std::uint32_t dots, std::uint32_t dpi);
std::uint32_t DotsToHundredthInch(std::uint32_t dots, std::uint32_t dpi);
std::uint32_t TenthMmToDots(std::uint32_t value, std::uint32_t dpi);
std::uint32_t HundredthInchToDots(std::uint32_t value, std::uint32_t dpi);
std::uint32_t RescaleDots(std::uint32_t dots, std::uint32_t fromDpi, std::uint32_t toDpi);
// a x b / c truncated toward zero; -1 when c is 0.
std::int32_t MulDivTruncate(std::int32_t a, std::int32_t b, std::int32_t c);

// ---- units -------------------------------------------------------------------------
// Whether rdmDspUnit shows 0.1 mm.
BOOL IsMetricUnit(DriverContext* context);
// A display value maps to an even 1,200-dpi dot count that converts back to
// no more than the value, rescaled to dpi. Other kinds give 0.
std::uint32_t UnitsToDots(std::uint32_t kind, std::uint32_t value, std::uint32_t dpi);
// The smallest display value that reaches the dot count. Other kinds give 0.
std::uint32_t DotsToUnits(std::uint32_t kind, std::uint32_t dots, std::uint32_t dpi);
// An item's dots (or the given dots when itemId is 0) in the context's display unit.
std::int32_t GetItemDisplaySize(DriverContext* context, std::uint16_t itemId, std::int32_t dots);
// A display value as dots, written into the item when itemId is not 0.
std::int32_t SetItemDisplaySize(DriverContext* context, std::uint16_t itemId, std::int32_t value);
// The custom size limits of wdmFreeSizeWidth or wdmFreeSizeLength in display
// units, rounded inward; 0 for any other item.
BOOL GetFreeSizeLimits(DriverContext* context, std::uint16_t itemId, std::int32_t* outMin, std::int32_t* outMax);
// The same limits in the unit kind given (kUnitTenthMm or kUnitHundredthInch).
BOOL GetFreeSizeLimitsIn(DriverContext* context, std::uint16_t itemId, std::uint32_t kind, std::int32_t* outMin,
                         std::int32_t* outMax);
// The custom-size pages and the tray and orientation whose limits they show:
// the custom-size dialog takes wdmFreeSizeTray and wdmFreeSizeOrient, the
// paper page the paper or print size's tray and orientation (by
// wdmInputFreeSizeType). FALSE on any other page.
inline constexpr std::int16_t kCustomSizeDialogPage = kPageDialogFreesize;
inline constexpr std::int16_t kPaperSizePage = kPageDialogFreesizeInput;
BOOL GetFreeSizePageTray(DriverContext* context, std::uint32_t* tray, std::uint32_t* orientation);
// Which limit a custom-size control takes: kFreeSizeLengthLimit,
// kFreeSizeWidthLimit or 0 for a control that takes none.
inline constexpr int kFreeSizeLengthLimit = 1;
inline constexpr int kFreeSizeWidthLimit = 2;
int GetFreeSizeControlLimitKind(std::uint16_t controlId);
// The limits of a numeric control in display units.
void GetControlDisplayLimits(DriverContext* context, const PageItem* control, std::int32_t* outMin,
                             std::int32_t* outMax);

// ---- paper ---------------------------------------------------------------------------
inline constexpr std::uint16_t kPaperLetter = 1;
inline constexpr std::uint16_t kPaperTabloid = 3;
inline constexpr std::uint16_t kPaperA3 = 8;
inline constexpr std::uint16_t kPaperA4 = 9;
inline constexpr std::uint16_t kFirstCustomSlotPaper = 384;
inline constexpr std::uint16_t kLastCustomSlotPaper = 393;
inline constexpr std::uint16_t kOutputPaperSameOrFit = 1024;
inline constexpr std::uint16_t kFirstRegionOutputPaper = 1025;
inline constexpr std::uint16_t kLastRegionOutputPaper = 1028;

// Kinds of SyncPaperAfterChange.
inline constexpr std::int16_t kSyncPaperOrScale = 1;
inline constexpr std::int16_t kSyncCustomSourcePaper = 3;
inline constexpr std::int16_t kSyncCustomOutputPaper = 4;

BOOL IsInchPaperRegion(DriverContext* context);
// Letter or Tabloid in the inch region, A4 or A3 elsewhere: the small one
// when a settings module answers event 54 with 1.
std::uint16_t GetRegionStandardPaper(DriverContext* context);
BOOL NeedsRegionPaperFit(DriverContext* context);
std::uint16_t GetEffectiveOutputPaper(DriverContext* context);
// Brings the derived paper values in line after a paper or scale change
// (kind 1) or loads a custom slot paper of dmPaperSize (3) or rdmOutPaperSize (4).
void SyncPaperAfterChange(DriverContext* context, std::int16_t kind);

// ---- character sets, driver id ---------------------------------------------------------
// The code of the ANSI code page's character set (1 Shift-JIS, 2 ANSI, ...); 0 when unknown.
std::uint32_t GetAnsiCharsetCode();
inline constexpr std::uint32_t kAuthUserNameCharset = 1;
inline constexpr std::uint32_t kAuthPasswordCharset = 2;
void SetAuthCharsetItems(DriverContext* context, std::uint32_t flags);
void SetItemToAnsiCharsetCode(DriverContext* context, std::uint16_t itemId);
// rdmDriverID := "DriverID" of the model INI's section of the driver name, or 0.
void LoadDriverIdFromModelFile(DriverContext* context);

// ---- small queries ---------------------------------------------------------------------------
const SettingControlRef* FindSettingControl(std::uint16_t itemId);
BOOL IsTrayItem(std::uint16_t itemId);

// Kinds of text entry.
inline constexpr int kTextKindName = 1;
inline constexpr int kTextKindCode = 2;
// Printable ASCII and backspace; names refuse '"' and ':'. Other kinds refuse all.
BOOL IsValidTextChar(std::uint16_t ch, int kind);

// ---- administrator locks -------------------------------------------------------------------
BOOL IsDefaultLocked(DriverContext* context);
BOOL IsTrayLocked(DriverContext* context);
BOOL IsMediaLocked(DriverContext* context);
BOOL IsNupKindLocked(DriverContext* context);
BOOL IsNupKindAllLocked(DriverContext* context);
BOOL IsDuplexLocked(DriverContext* context);
BOOL IsPrintTypeLocked(DriverContext* context);
BOOL IsResolutionLocked(DriverContext* context);
BOOL IsColorLocked(DriverContext* context);
BOOL IsAnyLockSet(DriverContext* context);

}  // namespace vexl
