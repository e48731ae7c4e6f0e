// What the printer model offers, asked of the context's compiled model and
// its constraints: the paper sources, the papers with their names and sizes,
// the resolutions, the largest copy count, the smallest and largest custom
// paper, the ranges of scaling and of the margins, and whether a duplex unit
// or a given UI entry exists. DrvDeviceCapabilities and the settings
// interface answer their capability requests from these.
//
// Every list query works in two passes: with a null buffer it answers the
// number of entries it would write and writes nothing; with a buffer (sized
// by the caller from that number) it writes them and answers the same
// number. It answers -1 when the model has no suitable entry, the entry has
// the wrong kind or no options, an option that must be written as a value has
// no option constant, or nothing is listed.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// The answer of a list query that has nothing to list.
inline constexpr std::int32_t kNoCapabilityList = -1;

// Modes of ListResolutions: mode 1 lists resolution codes, every other mode
// {x, y} dpi pairs.
inline constexpr std::uint16_t kResolutionPairs = 0;
inline constexpr std::uint16_t kResolutionCodes = 1;

// The `which` of GetPaperExtentPacked: 4 asks for the minimum, anything else
// for the maximum (the DC_MINEXTENT and DC_MAXEXTENT codes).
inline constexpr std::uint16_t kExtentMinimum = 4;
inline constexpr std::uint16_t kExtentMaximum = 5;

// ---- lists (two passes) ------------------------------------------------------------------

// The 16-bit values of the paper sources: the PickSlot entry of dmDefaultSource.
std::int32_t ListTrayIds(DriverContext* context, std::uint16_t* out, std::uint32_t ignored);
// The names of the paper sources, one slot of nameChars characters each
// (zero-filled, then the UI string of the option, completed).
std::int32_t ListTrayNames(DriverContext* context, WCHAR* out, std::uint32_t nameChars, std::uint32_t ignored);
// The 16-bit values of the papers of itemId: for dmPaperSize the available
// options of its PickPage entry, for any other item every option of its
// PickOne entry.
std::int32_t ListPaperIds(DriverContext* context, std::uint16_t* out, std::uint16_t itemId);
// The names of those papers, one slot of nameChars characters each; a custom
// size (384 to 393) takes its slot's display name.
std::int32_t ListPaperNames(DriverContext* context, WCHAR* out, std::uint32_t nameChars, std::uint16_t itemId);
// The sizes of those papers in 0.1 mm; the custom sizes and the free size
// (256) from their cached rows.
std::int32_t ListPaperSizes(DriverContext* context, POINT* out, std::uint16_t itemId);
// The 32-bit values of the available options of a PickOne entry.
std::int32_t ListPickOneValues(DriverContext* context, std::int32_t* out, std::uint16_t itemId);
std::int32_t ListItemOptionValues(DriverContext* context, std::int32_t* out, std::uint16_t itemId);
// The resolutions: codes in mode 1, {x, y} dpi pairs in other modes. Without
// a usable resolution entry, the model's default resolution alone.
std::int32_t ListResolutions(DriverContext* context, std::int32_t* out, std::uint16_t mode);
std::int32_t ListResolutionCodes(DriverContext* context, std::int32_t* out);

// ---- single answers ------------------------------------------------------------------------

// The maximum of dmCopies' Numeric entry, else the model record's (999).
std::int32_t GetMaxCopies(DriverContext* context);
// The model record's landscape rotation (90).
std::uint32_t GetLandscapeAngle(DriverContext* context);
// Whether rdmSourceOptionTypeDuplex is on.
BOOL HasDuplexUnit(DriverContext* context);
// Whether the item has a UI entry whose type word is not TypeUnknown alone.
BOOL HasUiEntry(DriverContext* context, std::uint32_t ignored, std::uint16_t itemId);

// The custom-size limits of the model record in 1/1200 inch: min = {minimum
// width, minimum length}, max likewise; nothing when either pointer is null.
void GetModelPaperLimits(DriverContext* context, std::int32_t min[2], std::int32_t max[2]);
std::int32_t GetFreeSizeMinWidth(DriverContext* context);
std::int32_t GetFreeSizeMinLength(DriverContext* context);
std::int32_t GetFreeSizeMaxWidth(DriverContext* context);
std::int32_t GetFreeSizeMaxLength(DriverContext* context);

// The smallest or largest paper in 0.1 mm, kept within the custom-size
// limits. The packed form answers (length << 16) | width and fills out when
// given; the pair form fills out[2] = {width, length} when given and answers 1.
std::uint32_t GetPaperExtentPacked(DriverContext* context, POINTS* out, std::uint16_t which);
std::uint32_t GetMinExtentPacked(DriverContext* context, POINTS* out);
std::uint32_t GetMaxExtentPacked(DriverContext* context, POINTS* out);
int GetPaperExtentPair(DriverContext* context, std::int32_t out[2], std::uint16_t maximum);
int GetMinExtentPair(DriverContext* context, std::int32_t out[2]);
int GetMaxExtentPair(DriverContext* context, std::int32_t out[2]);

// Ranges of Numeric entries; 0 when no output is asked for or an entry that
// is needed is missing or not Numeric, else 1.
// min = {minimum of rdmScaleH, minimum of rdmScaleV}, max likewise.
int GetScaleRange(DriverContext* context, std::int16_t min[2], std::int16_t max[2]);
// rdmMarginOdd (first two outputs) and rdmMarginEven (last two).
int GetMarginRange(DriverContext* context, std::int32_t* oddMin, std::int32_t* oddMax, std::int32_t* evenMin,
                   std::int32_t* evenMax);
// rdmShiftMarginX and rdmShiftMarginY.
int GetShiftMarginRange(DriverContext* context, std::int32_t* xMin, std::int32_t* xMax, std::int32_t* yMin,
                        std::int32_t* yMax);
// rdmCreepMarginInside and rdmCreepMarginOutside.
int GetCreepMarginRange(DriverContext* context, std::int32_t* insideMin, std::int32_t* insideMax,
                        std::int32_t* outsideMin, std::int32_t* outsideMax);

}  // namespace vexl
