// The service table of the DEVMODE code, filled by the wiring of the library.
#include "common/core/devmode_services.h"

#include "common/core/devmode_merge.h"
#include "common/core/devmode_public.h"

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

namespace services {

void InitPrivateRuntimeFlags(DriverContext* context)
{
    if (g_services.initPrivateRuntimeFlags != nullptr)
        g_services.initPrivateRuntimeFlags(context);
    else
        vexl::InitPrivateRuntimeFlags(context);
}

void InitPrivateHeader(DriverContext* context)
{
    if (g_services.initPrivateHeader != nullptr)
        g_services.initPrivateHeader(context);
    else
        InitPrivateHeaderTexts(context);
}

}  // namespace services

}  // namespace vexl
