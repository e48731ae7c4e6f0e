// Text for the device: UTF-16 to the device's 8-bit code, for the job
// name, font names and escapes.
#pragma once

#include "platform/types.h"

#include <cstddef>

namespace vexl {

inline constexpr DWORD kDeviceCodeMode = 0x80;

// Converts `textBytes` bytes of UTF-16 text into at most `outBytes` bytes
// (a character that does not fit whole ends the text); answers the bytes
// written, without a terminator.
std::size_t ToDeviceCode(char* out, std::size_t outBytes, const WCHAR* text, std::size_t textBytes, DWORD mode);

}  // namespace vexl
