// Paper, scale and resolution kept in step between the public DEVMODE and
// the private part: the dot geometry of the source and output paper,
// custom-size papers through their slots, resolution and duplex in both
// directions, the paper-id tests, the transaction passes and a few getters.
#pragma once

#include "common/core/context.h"
#include "platform/devmode.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// Paper ids.
inline constexpr std::uint32_t kUserDefinedPaper = 256;
inline constexpr std::uint32_t kFirstFreeSizeSlotPaper = 384;
inline constexpr std::uint32_t kLastFreeSizeSlotPaper = 393;
inline constexpr std::uint32_t kPrinterFreeSizePaper = 448;
inline constexpr std::uint32_t kOutputPaperSameAsSource = 1024;
// Rows of the work area's paper table for the two fixed ids.
inline constexpr int kUserDefinedPaperRow = 10;
inline constexpr int kPrinterFreeSizePaperRow = 11;
// A custom-size source paper longer or wider than this (1,200-dpi dots) is
// flagged in rdmFuncSelectFreeShortOver.
inline constexpr std::uint32_t kFreeShortOverLimit = 154771;

// ---- source and output paper --------------------------------------------------------------
int SetSourcePaper(std::uint16_t paper, std::uint16_t item, DriverContext* context, DEVMODEW* devmode);
int SetSourcePaperOriented(std::uint16_t paper, std::uint16_t item, DriverContext* context, DEVMODEW* devmode);
int SetOutputPaper(std::uint16_t paper, std::uint16_t item, DriverContext* context, DEVMODEW* devmode);
int SetOutputPaperOriented(std::uint16_t paper, std::uint16_t item, DriverContext* context, DEVMODEW* devmode);
void SetSourcePaperFromPublicSize(DEVMODEW* devmode, DriverContext* context);

// A length in 1,200-dpi dots at another resolution (0 at 0 dpi).
std::uint32_t RescaleFrom1200(std::uint32_t dots, std::uint32_t dpi);

// ---- resolution and duplex ------------------------------------------------------------------
void SyncPublicDuplex(DEVMODEW* devmode, DriverContext* context);
void SyncResolutionFromPrintQuality(DEVMODEW* devmode, DriverContext* context);
void SyncPrintQualityFromResolution(DEVMODEW* devmode, DriverContext* context);

// ---- transactions and module notices -----------------------------------------------------------
void ApplyAllItemTransacts(DriverContext* context);
void ApplyItemTransacts(DriverContext* context, std::uint16_t item);
void NotifyModulesRevalidate(DriverContext* context);
void NotifyModulesPrepare(DriverContext* context);

// ---- paper ids -------------------------------------------------------------------------------------
BOOL IsFreeSizeSlotPaper(std::uint32_t paper);
BOOL IsFreeSizePaper(std::uint32_t paper);
BOOL IsOutputSameAsSource(std::uint32_t paper);
// The row of the work area's paper table of a slot paper, else -1.
int GetFreeSizeSlotRow(std::uint32_t paper);
int GetPaperFreeSizeSlot(DriverContext* context);
int GetOutputFreeSizeSlot(DriverContext* context);

// ---- getters -------------------------------------------------------------------------------------------
std::int32_t GetActiveWatermarkId(DriverContext* context);
std::int32_t GetUserMacroIndex(DriverContext* context);
BOOL IsCollateAvailable(DriverContext* context);

}  // namespace vexl
