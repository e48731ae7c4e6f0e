// The switch of optional behaviour classes.
#include "common/core/appservices.h"

namespace vexl {

namespace {
constexpr std::uint16_t kLastClassOn = 5;
}

BOOL IsFeatureClassOn(DriverContext*, std::uint16_t classId, std::uint32_t)
{
    return classId <= kLastClassOn ? 1 : 0;
}

}  // namespace vexl
