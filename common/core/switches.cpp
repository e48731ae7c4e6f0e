#include "common/core/switches.h"

namespace vexl {
namespace {

// The build feature set as two 32-bit words, low word first.
constexpr std::uint32_t kBuildFeatureSet[2] = {1u << kFeatureRemoteManagement, 0};

}  // namespace

BOOL IsBuildFeatureOn(std::uint32_t bit)
{
    if (bit >= 64) return 0;
    return (kBuildFeatureSet[bit / 32] >> (bit % 32)) & 1;
}

BOOL HasModelCapability(DriverContext* context, std::uint32_t mask)
{
    if (!context || !context->workArea) return 0;
    return (context->workArea->modelCapabilities & mask) != 0 ? 1 : 0;
}

BOOL IsJobControlEnabled()
{
    return 1;
}

BOOL IsUserCodeProviderEnabled()
{
    return 0;
}

}  // namespace vexl
