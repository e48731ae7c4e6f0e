// The read handlers of the statuses.
#include "api/handler_rows.h"

namespace vexl::api {

std::span<const StatusReadRow> StatusReadRows()
{
    return {};
}

}  // namespace vexl::api

namespace vexl::api {

int GetStatusDispatch(DriverContext*, std::uint32_t, void*, std::uint32_t)
{
    return -1;
}

}  // namespace vexl::api
