// The job information a document starts with: the context brought up to
// date for the job, the output paper of the paper-fit functions, the job
// strings that follow a job to a new context, and the option texts an
// application hands in.
#pragma once

#include "common/core/context.h"
#include "graphics/command_groups.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

namespace vexl {

// The caller kind of a context while its document starts.
inline constexpr std::uint32_t kCallerStartDoc = 0x20000;

// The paper-fit record of the work area: for the region fit and the mode fit
// each a mark, the previous output paper, rdmFuncSelectScale and rdmScaleType.
inline constexpr int kRegionFitRecord = 0;
inline constexpr int kModeFitRecord = 4;

// One entry of the option-text block of escape 122: u16 key, u16 string id,
// 261 UTF-16 units of text.
inline constexpr std::size_t kOptionTextEntryBytes = 526;
inline constexpr std::size_t kOptionTextEntryTextOffset = 4;
static_assert(kOptionTextEntryTextOffset + graphics::kOptionTextChars * 2 == kOptionTextEntryBytes);

// Brings the context up to date for the job that starts: the stored
// settings, the DEVMODE copy merged with the flags, the paper fit, the
// device-info flag, the job strings kept across all that, and the values of
// the job-control plug-in. Always 1.
int ReadJobInfoAtStartDoc(DriverContext* context, const DEVMODEW* devmodeCopy, std::uint32_t flags, HANDLE printer,
                          DWORD jobId);

// The output paper and scaling of the region-fit (rdmFrontFunc bit 3) and
// mode-fit (bit 5) functions, and the sort from the collate setting.
void AdjustOutputPaperFit(DriverContext* context);

// Copies the job strings of one context into another.
void CopyJobStrings(DriverContext* to, DriverContext* from);

// Copies the texts of the whole entries of the block (blockBytes bytes) into
// the rows of the table, by position; keys and string ids of the block are
// not read. Each text is terminated within its row.
void StoreOptionTexts(graphics::JobCommandState* table, const void* block, std::size_t blockBytes);

}  // namespace vexl
