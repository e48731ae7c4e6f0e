// What the common library relies on of the application interfaces: the
// switch of optional behaviour classes and the settings-interface record
// that a context holds while an application has the library enabled.
#pragma once

#include "common/core/context.h"
#include "platform/win32.h"

#include <cstdint>

namespace vexl {

// Optional behaviour classes.
inline constexpr std::uint16_t kFeatureAuthJobValues = 0;
inline constexpr std::uint16_t kFeatureAdminLocks = 2;
inline constexpr std::uint16_t kFeatureAuthPluginMerge = 3;
inline constexpr std::uint16_t kFeatureUiControlMerge = 4;
inline constexpr std::uint16_t kFeatureCustomMedia = 5;

// 1 for classes 0 to 5, 0 for every other; a constant of this build.
BOOL IsFeatureClassOn(DriverContext* context, std::uint16_t classId, std::uint32_t reserved);

// The settings-interface record (the work area's apiRecord). The common
// library touches only these two words; every user tests that the context
// has a record first.
struct ApiRecord {
    std::uint32_t lastError;
    std::uint32_t chapterIndex;
};

}  // namespace vexl
