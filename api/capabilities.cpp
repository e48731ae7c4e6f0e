// The capability handlers.
#include "api/handler_rows.h"

namespace vexl::api {

std::span<const CapabilityHandlerRow> CapabilityHandlerRows()
{
    return {};
}

}  // namespace vexl::api
