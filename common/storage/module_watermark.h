// The watermark module: command 327 keeps the current watermark in its
// stamp slot.
#pragma once

#include <cstdint>

namespace vexl {

struct DriverContext;

int WatermarkModuleCommand(DriverContext* context, std::uint16_t command, void* privateBuffer);

}  // namespace vexl
