// Small helpers of the interface library's services for UTF-16 texts in
// fixed buffers: every copy is bounded by the buffer and terminated.
#pragma once

#include "platform/win32.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace vexl::ui {

inline std::u16string_view TextView(const WCHAR* text)
{
    return text ? std::u16string_view(text) : std::u16string_view();
}

// Copies text into out (size characters with the terminator) when it fits;
// answers its length, or 0 with out unchanged when it does not fit.
inline int CopyIfFits(WCHAR* out, int size, std::u16string_view text)
{
    if (out == nullptr || size <= 0 || text.size() >= static_cast<std::size_t>(size)) return 0;
    text.copy(out, text.size());
    out[text.size()] = 0;
    return static_cast<int>(text.size());
}

// Copies what fits of text into out and terminates it.
inline void CopyCut(WCHAR* out, int size, std::u16string_view text)
{
    if (out == nullptr || size <= 0) return;
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(size - 1));
    text.copy(out, length);
    out[length] = 0;
}

inline bool EqualNoCase(const WCHAR* a, const WCHAR* b)
{
    return lstrcmpiW(a, b) == 0;
}

// The decimal digits of a non-negative number.
inline std::u16string DecimalText(unsigned long long value)
{
    std::u16string digits;
    do {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value != 0);
    return digits;
}

}  // namespace vexl::ui
