// The constant switches of this build, the same in all three deliverables.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// Bits of the 64-bit build feature set; only bit 7 is on in this build.
// Bits 0 to 14 also switch the special functions wdmSpecial1.. one by one.
inline constexpr std::uint32_t kFeatureServerConfigGate = 0;
inline constexpr std::uint32_t kFeatureSettingsEnabledFlag = 1;  // wdmSpecial2 from the stored switch
inline constexpr std::uint32_t kFeatureFitUserSize = 4;          // a user size fitted to a standard paper
inline constexpr std::uint32_t kFeatureRemoteManagement = 7;
inline constexpr std::uint32_t kFeatureAuthPluginStep = 8;
inline constexpr std::uint32_t kFeatureUiControlStep = 10;
inline constexpr std::uint32_t kFeatureBidiV2 = 11;  // the second bidi library interface
inline constexpr std::uint32_t kFeatureCustomMediaSync = 12;
inline constexpr std::uint32_t kFeatureMediaZeroKept = 13;  // a media answer of 0 is not made 1
inline constexpr std::uint32_t kFeatureTrayLimitOverride = 15;

// Bit (bit mod 32) of word (bit / 32) of the build feature set; 0 past bit 63.
BOOL IsBuildFeatureOn(std::uint32_t bit);

// Whether the capability bits of the printer's model-name entry share a bit with mask.
BOOL HasModelCapability(DriverContext* context, std::uint32_t mask);

// The job-control plug-in paths are live; the user-code provider never runs.
BOOL IsJobControlEnabled();
BOOL IsUserCodeProviderEnabled();

}  // namespace vexl
