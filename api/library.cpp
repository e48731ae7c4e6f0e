// The settings library put together: it uses the common library's default
// services as they are.
#include "api/library.h"

#include "common/wiring.h"

namespace vexl::api {

BOOL HandleProcessNotification(DWORD reason)
{
    return HandleProcessEntry(reason);
}

}  // namespace vexl::api
