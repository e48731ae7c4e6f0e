#include "common/core/textconv.h"

#include "platform/text.h"

#include <cstring>

namespace vexl {

WCHAR* AnsiToWide(WCHAR* dst, const char* src, int dstChars)
{
    if (!dst) return dst;
    if (!src) src = "";
    const int sourceBytes = static_cast<int>(std::strlen(src)) + 1;
    if (dstChars <= 0) dstChars = sourceBytes;
    MultiByteToWideChar(CP_ACP, 0, src, sourceBytes, dst, dstChars);
    dst[dstChars - 1] = 0;
    return dst;
}

char* WideToAnsi(char* dst, const WCHAR* src, int dstBytes)
{
    if (!dst) return dst;
    if (!src) src = u"";
    const int sourceChars = lstrlenW(src) + 1;
    if (dstBytes <= 0) dstBytes = sourceChars;
    std::memset(dst, 0, static_cast<std::size_t>(dstBytes));
    WideCharToMultiByte(CP_ACP, 0, src, sourceChars, dst, dstBytes, nullptr, nullptr);
    dst[dstBytes - 1] = 0;
    return dst;
}

}  // namespace vexl
