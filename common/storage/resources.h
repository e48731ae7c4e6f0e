// The UI resource library of a context and its strings: the library in the
// driver directory whose name the model description gives, completed with
// the language; strings completed with the current settings (bin names,
// custom sizes with their unit, allowed ranges); the fixed-point formatter,
// the decimal comma, and the test that a file is a bitmap with a
// BITMAPINFOHEADER.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace vexl {

struct DriverContext;

HMODULE LoadUiResourceLibrary(DriverContext* context);
DriverContext* FreeUiResourceLibraries(DriverContext* context);

// out := "" first; without a library 0. Otherwise the string (size
// characters): without complete the length loaded, with it the completed
// text and 0.
int LoadUiString(DriverContext* context, std::uint32_t stringId, WCHAR* out, int size, BOOL complete);
void CompleteResourceString(DriverContext* context, std::uint32_t stringId, WCHAR* text, int size);

// Completion kinds of the string table.
enum StringCompletionKind : std::uint32_t {
    kCompleteBinName = 1,
    kCompleteCustomSize = 2,
    kCompleteUnitText = 3,
    kCompleteModuleText = 4,
    kCompleteSizeRange = 5,
    kCompleteCustomMedia = 6,
};

struct StringCompletionEntry {
    std::uint32_t stringId;
    std::uint16_t parameter;
    std::uint16_t reserved;
    std::uint32_t kind;
};
// The completion table, ended by string id 0.
const StringCompletionEntry* GetStringCompletionTable();

// The tray's paper limits in 1,200-dpi dots (length or width); FALSE when
// the tray has none.
BOOL GetTrayPaperLimitsFor(DriverContext* context, std::uint32_t tray, std::uint32_t orientation, std::int32_t* outMin,
                           std::int32_t* outMax, BOOL length);

// value / divisor with as many decimals as the divisor has tens; out holds
// kFixedPointChars characters.
inline constexpr int kFixedPointChars = 24;
void FormatFixedPoint(WCHAR* out, std::int32_t divisor, std::int32_t value, DriverContext* context);
// From the end back to the first '(': every '.' becomes ','.
void UseDecimalComma(WCHAR* text);
// TRUE and the open file when the BITMAPINFOHEADER size field (offset 14) is 40.
BOOL OpenBitmapFile(const WCHAR* path, HANDLE* out);

}  // namespace vexl
