// The all-capabilities record.
#include "api/frame.h"

namespace vexl::api {

std::uint32_t HandleAllCapabilitiesRequest(DriverContext*, std::uint32_t, void*)
{
    return 0;
}

}  // namespace vexl::api
