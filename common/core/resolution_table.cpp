#include "common/core/resolution_table.h"

namespace vexl {

namespace {

// The rows of the resolution table up to the row of code 0.
template <typename Visit> const ResolutionEntry* FindRow(Visit visit)
{
    for (const ResolutionEntry* row = GetResolutionTable(); row && row->code != 0; ++row) {
        if (visit(*row)) return row;
    }
    return nullptr;
}

}  // namespace

const ResolutionEntry* FindResolutionEntry(std::uint16_t code)
{
    if (code == 0) return nullptr;
    return FindRow([code](const ResolutionEntry& row) { return row.code == code; });
}

std::uint16_t FindResolutionCode(std::uint16_t xDpi, std::uint16_t yDpi)
{
    if (xDpi == 0 || yDpi == 0) return 0;
    const ResolutionEntry* row =
        FindRow([xDpi, yDpi](const ResolutionEntry& r) { return r.xDpi == xDpi && r.yDpi == yDpi; });
    return row ? row->code : 0;
}

std::uint16_t FindResolutionCodeByDpi(std::uint16_t xDpi)
{
    if (xDpi == 0) return 0;
    const ResolutionEntry* row = FindRow([xDpi](const ResolutionEntry& r) { return r.xDpi == xDpi; });
    return row ? row->code : 0;
}

std::uint16_t FindNextResolutionCode(std::uint16_t xDpi, std::uint16_t afterCode)
{
    const ResolutionEntry* after = FindResolutionEntry(afterCode);
    if (after == nullptr) return 0;
    for (const ResolutionEntry* row = after + 1; row->code != 0; ++row) {
        if (row->xDpi == xDpi) return row->code;
    }
    return 0;
}

}  // namespace vexl
