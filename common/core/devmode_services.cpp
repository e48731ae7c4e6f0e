// The service table of the DEVMODE code, filled by the wiring of the library.
#include "common/core/devmode_services.h"

namespace vexl {
namespace {

DevmodeServices g_services{};

}  // namespace

const DevmodeServices& GetDevmodeServices()
{
    return g_services;
}
void SetDevmodeServices(const DevmodeServices& services)
{
    g_services = services;
}

}  // namespace vexl
