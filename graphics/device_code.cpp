#include "graphics/device_code.h"

#include "platform/engine.h"

#include <algorithm>
#include <iterator>

namespace vexl {
namespace {

struct DeviceCodeRow {
    BYTE byte;
    WCHAR character;
};

// Characters the device knows under a byte of its own, by character.
constexpr DeviceCodeRow kDeviceCodeTable[] = {
    {0x80, 0x0080}, {0x81, 0x0081}, {0x8D, 0x008D}, {0x8E, 0x008E}, {0x8F, 0x008F}, {0x90, 0x0090}, {0x9D, 0x009D},
    {0x9E, 0x009E}, {0x8C, 0x0152}, {0x9C, 0x0153}, {0x8A, 0x0160}, {0x9A, 0x0161}, {0x9F, 0x0178}, {0x83, 0x0192},
    {0x88, 0x02C6}, {0x98, 0x02DC}, {0x96, 0x2013}, {0x97, 0x2014}, {0x91, 0x2018}, {0x92, 0x2019}, {0x82, 0x201A},
    {0x93, 0x201C}, {0x94, 0x201D}, {0x84, 0x201E}, {0x86, 0x2020}, {0x87, 0x2021}, {0x95, 0x2022}, {0x85, 0x2026},
    {0x89, 0x2030}, {0x8B, 0x2039}, {0x9B, 0x203A}, {0x99, 0x2122},
};
static_assert(std::size(kDeviceCodeTable) == 32);

const DeviceCodeRow* FindDeviceCode(WCHAR c)
{
    const auto* end = std::end(kDeviceCodeTable);
    const auto* row = std::lower_bound(std::begin(kDeviceCodeTable), end, c,
                                       [](const DeviceCodeRow& r, WCHAR v) { return r.character < v; });
    return row != end && row->character == c ? row : nullptr;
}

}  // namespace

std::size_t ToDeviceCode(char* out, std::size_t outBytes, const WCHAR* text, std::size_t textBytes, DWORD)
{
    std::size_t written = 0;
    for (std::size_t i = 0; i < textBytes / 2; ++i) {
        const WCHAR c = text[i];
        char bytes[2];
        ULONG count = 0;
        if (c < 0x80) {
            bytes[0] = static_cast<char>(c);
            count = 1;
        } else {
            const DeviceCodeRow* row = (c <= 0x9F || c > 0xFF) ? FindDeviceCode(c) : nullptr;
            if (row && row->byte > 0x83) {
                bytes[0] = static_cast<char>(row->byte);
                count = 1;
            } else {
                WCHAR one = c;
                EngUnicodeToMultiByteN(bytes, sizeof bytes, &count, &one, sizeof one);
            }
        }
        if (count == 0) continue;
        if (written + count > outBytes) break;
        for (ULONG k = 0; k < count; ++k) out[written++] = bytes[k];
    }
    return written;
}

}  // namespace vexl
