// The resources a module holds, by type and id, for the services that hand
// out their bytes.
#pragma once

#include "platform/types.h"

#include <cstdint>
#include <vector>

namespace vexl::platform {

// The bytes of the module's resource of that type and id, kept for the life
// of the process; null when the module has none.
const std::vector<std::uint8_t>* FindModuleResource(HMODULE module, std::uint16_t type, std::uint32_t id);

// Why FindModuleResource found nothing: the module has no resources, none of
// that type, or none of that id.
enum class ResourceMiss { NoResources, NoType, NoId };
ResourceMiss WhyNoModuleResource(HMODULE module, std::uint16_t type);

}  // namespace vexl::platform
