// The preset module and what the settings modules offer the rest of the
// library: the printer's preset list in the settings INI, the judge items
// that modules compute, and the list operations of the settings interface
// (colour profiles and chapters).
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct DriverContext;
struct PageDesc;

// Appends path, name and comment as the next "PresetList%d" entry and raises
// "Count". FALSE, and nothing written, when the sixteen slots are full.
BOOL AppendPresetEntry(DriverContext* context, const WCHAR* path, const WCHAR* name, const WCHAR* comment);
// "Count" := 0; the entries' keys stay in the file.
void ClearPresetList(DriverContext* context);

// The value of a judge item that a module computes (ids 1259 to 1418): the
// colour-profile judges and the separation judges; 0 for any other id.
std::uint32_t EvaluateModuleJudge(DriverContext* context, std::uint16_t judgeItemId);

// What the chapter and job-option modules lend the list operations and the
// judge items. A hook left empty makes its operation answer 0.
struct ModuleServices {
    // 0 merged, 1 refused. pages is zero-ended; texts holds one 16-character
    // range text per page, or is NULL.
    int (*mergeChapterPages)(DriverContext* context, PageDesc* chapterPage, const std::int32_t* pages,
                             const WCHAR* texts);
    // Deletes the chapter at the settings-interface record's index: 0 done, 1 refused.
    int (*deleteChapter)(DriverContext* context);
    int (*clearChapters)(DriverContext* context);
    // 1 when the lists differ (range texts aside) or one is missing.
    int (*compareChapterLists)(DriverContext* context, const void* first, const void* second);
    std::uint32_t (*evaluateSeparationJudge)(DriverContext* context, std::uint16_t judgeItemId);
};
const ModuleServices& GetModuleServices();
void SetModuleServices(const ModuleServices& services);

// The settings interface's list operations 0 to 6 over request words r0,
// r1, ...; an operation outside 0 to 6 answers 0.
//  0: r0 := the stored colour profiles.
//  1: profile r0 into the settings, its mode text into the buffer r1 of r2
//     characters (cut and terminated).
//  2: chapter pages r0 (to r2 when r2 is neither 0 nor r0) merged; r3 := 0
//     merged, 1 refused.
//  3: chapter r0 deleted; r1 := the result.
//  4: chapters cleared; r0 := the result.
//  5: chapter r0 from the settings INI: r1 page, r2 kind, r3 tray, r4 print,
//     r5 the last page of a kind-3 range.
//  6: r2 := whether the chapter lists r0 and r1 differ.
inline constexpr int kModuleListRequestWords = 6;
BOOL RunModuleListOperation(DriverContext* context, int operation, std::uintptr_t* request);

}  // namespace vexl
