// The status write engine.
#include "api/frame.h"

namespace vexl::api {

int SetStatusDispatch(DriverContext*, std::uint32_t, const void*, std::uint8_t*, std::uint32_t)
{
    return -1;
}

}  // namespace vexl::api
