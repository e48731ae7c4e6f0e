// What the finishing judges are built from: cached item readers, tests of
// the installed finisher, the finishers' paper lists, the trays that a paper
// source stands for and the papers loaded in them, the orientation in which
// finishing positions are read, and the width tests of free sizes.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// ---- paper and source values -------------------------------------------------------------
inline constexpr std::uint16_t kPaperStatement = 6;
inline constexpr std::uint16_t kPaperA5 = 11;
inline constexpr std::uint16_t kPaperFreeSize = 256;
inline constexpr std::uint16_t kPaperPrinterFreeSize = 448;

inline constexpr std::uint16_t kSourceTray1 = 1;
inline constexpr std::uint16_t kSourceBypass = 4;
inline constexpr std::uint16_t kSourceAutomatic = 7;
inline constexpr std::uint16_t kSourceExternal = 286;

// Orientation bits of a tray's paper.
inline constexpr std::uint32_t kFeedUnturned = 0;
inline constexpr std::uint32_t kFeedTurned = 1;
// Bits of GetPaperFeedOrientations.
inline constexpr std::uint16_t kFeedMaskUnturned = 0x1;
inline constexpr std::uint16_t kFeedMaskTurned = 0x2;

// ---- item readers ----------------------------------------------------------------------------
// The item's value as ReadItemValue gives it. The settings that the judges
// read often keep their descriptor in the context's judge-descriptor cache,
// found on the first read; every other item is looked up each time.
std::uint32_t ReadFinishingItem(DriverContext* context, std::uint16_t itemId);

// ---- finisher groups ---------------------------------------------------------------------------
enum class FinisherGroup {
    Fin2000,
    Fin3000,
    LargeFinisher,  // Fin2000 or Fin3000
    Fin1000,
    FinBF,
    Type14,
    Type15,
    Fin1,
    Fin2,
    Fin50,  // Fin50 and the FIN2 variants
    Fin100,
    Fin4,
    Dom,  // the FIN4 group and Fin2Dom
};
// Whether a finisher of the group is installed: any of its option bits set.
BOOL FinisherGroupTest(DriverContext* context, FinisherGroup group);

// ---- paper lists ----------------------------------------------------------------------------------
// A membership list holds the papers a finisher takes; extended, it takes A5
// and Statement as well where the list says so. An exclusion list answers
// whether the paper is NOT in it.
enum class PaperList {
    LargeFinisher = 1,
    LargeFinisherExclusion,
    Fin1000,
    FinBF,
    Type14,
    Type15,
    Fin1,
    Fin1Exclusion,
    Fin2,
    Fin2Exclusion,
    Fin50,
    Fin50Exclusion,
    Fin100,
    Fin100Exclusion,
    Dom,
    DomExclusion,
    Fin4,
    Fin4Exclusion,
    Long,  // papers that are never finished turned
};
BOOL FinisherPaperListTest(DriverContext* context, PaperList list, std::uint16_t paper, BOOL extend = FALSE);

// ---- trays of a paper source ----------------------------------------------------------------------
// Whether a tray of the source holds the paper with the orientation bit
// (kFeedUnturned or kFeedTurned; any other value matches nothing). The
// automatic source scans the trays that automatic selection may use; any
// other source its own tray, locked or not.
BOOL IsPaperLoadedInSource(DriverContext* context, std::uint16_t source, std::uint16_t paper,
                           std::uint32_t orientationBit);
// The same for dmDefaultSource.
BOOL IsPaperLoadedInCurrentSource(DriverContext* context, std::uint16_t paper, std::uint32_t orientationBit);
// The same for dmDefaultSource, the automatic source counting as tray 1.
BOOL IsPaperLoadedInInsertSource(DriverContext* context, std::uint16_t paper, std::uint32_t orientationBit);
// kFeedMaskUnturned and kFeedMaskTurned for the trays of dmDefaultSource that hold the paper.
std::uint16_t GetPaperFeedOrientations(DriverContext* context, std::uint16_t paper);
// Whether a tray of the source holds the paper, whatever its orientation.
BOOL IsPaperInSource(DriverContext* context, std::uint16_t source, std::uint16_t paper);
// The paper and orientation bit of the one tray of a source (the external
// tray included); answers FALSE and leaves both as they were for a source
// that names no single tray.
BOOL GetSourceTrayPaper(DriverContext* context, std::uint16_t source, std::int16_t* paper,
                        std::int32_t* orientationBit);

// ---- orientation and free sizes ----------------------------------------------------------------------
// Whether finishing positions are read in landscape terms: N-up kinds 1 to 18
// and duplex kinds from 17 turn the page, so portrait counts as landscape there.
BOOL IsFinishingLandscape(DriverContext* context);

// Whether a free-size paper is wide enough for the installed finisher's
// (or its punch unit's) positions; strict asks for more than 8501 dots. A
// paper that is no free size passes.
BOOL IsFreeSizeWideForFinisher(DriverContext* context, BOOL strict, std::uint16_t paper);
BOOL IsFreeSizeWideForPunch(DriverContext* context, BOOL strict, std::uint16_t paper);

}  // namespace vexl
