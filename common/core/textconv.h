// Conversions between the ANSI code page and UTF-16. They never allocate;
// the caller owns both buffers and the result is always terminated within
// the destination.
#pragma once

#include "platform/types.h"

namespace vexl {

// Converts src and its terminator into at most dstChars characters
// (dstChars <= 0: strlen + 1); the last character of dst is always 0.
WCHAR* AnsiToWide(WCHAR* dst, const char* src, int dstChars);

// Zero-fills dstBytes of dst (dstBytes <= 0: the text's length + 1) and
// converts src into it; a text that does not fit is cut so that the last
// byte stays the terminator.
char* WideToAnsi(char* dst, const WCHAR* src, int dstBytes);

}  // namespace vexl
