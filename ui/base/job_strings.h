// The job strings that the interface library hands the graphics library at
// the start of a document (ExtEscape 122), and the language of the driver's
// help file.
#pragma once

#include "common/core/context.h"
#include "platform/printui.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdint>

namespace vexl::ui {

inline constexpr int kJobStringEscape = 122;
inline constexpr int kJobStringChars = 261;
inline constexpr std::size_t kJobStringEntryBytes = 526;
inline constexpr int kJobStringCount = 3;
inline constexpr std::size_t kJobStringBlockBytes = (kJobStringCount + 1) * kJobStringEntryBytes;  // 2,104
static_assert(kJobStringBlockBytes == 2104);

// The block as it travels: each entry {u16 key, u16 string id, 261 UTF-16
// characters}, little-endian; the last entry all zero. The texts of the
// language resource library (the driver directory + the printer's
// HelpFileName with the extension "dll"), empty when it or a string cannot
// be loaded, cut to 260 characters.
void BuildJobStringBlock(HANDLE printer, std::uint8_t (&block)[kJobStringBlockBytes]);

// Sends the block to the device context: ExtEscape 122, its answer ignored.
void SendJobStringsToGraphicsDriver(HANDLE printer, HDC hdc);

// The language of the driver's help file (DRIVER_INFO_3 pHelpFile, the
// characters before the last '.'): its index, 1 without one; its code, "us".
std::uint16_t GetHelpLanguageIndex(DriverContext* context);
const WCHAR* GetHelpLanguageCode(DriverContext* context);

}  // namespace vexl::ui
