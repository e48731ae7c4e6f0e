// The printer interface library's own process state.
#include "ui/entry/library_state.h"

#include "common/core/devmode_services.h"
#include "common/storage/devmode_settings_merge.h"
#include "common/wiring.h"
#include "ui/entry/job_strings.h"
#include "ui/entry/job_ticket.h"
#include "ui/entry/ui_context.h"

namespace vexl::ui {
namespace {

HINSTANCE g_module = nullptr;
// A plain process global: written by the install roads on their own thread.
std::uint32_t g_sharedIdentity = 0;

}  // namespace

HINSTANCE GetLibraryModule()
{
    return g_module;
}

std::uint32_t GetSharedIdentityFlag()
{
    return g_sharedIdentity;
}

void SetSharedIdentityFlag(std::uint32_t value)
{
    g_sharedIdentity = value;
}

void UseInterfaceLibraryServices()
{
    DevmodeServices services = GetDefaultDevmodeServices();
    services.getInstalledLanguageId = GetHelpLanguageIndex;
    services.initPrivateRuntimeFlags = InitPrivateRuntimeFlagsUi;
    services.initPrivateHeader = InitPrivateHeader;
    SetDevmodeServices(services);
    SetJobTicketStep(ApplyJobTicketToCopy);
}

void UseCommonServices()
{
    SetDevmodeServices(GetDefaultDevmodeServices());
    SetJobTicketStep(nullptr);
}

BOOL HandleDllNotification(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = module;
        RunProcessAttach();
        UseInterfaceLibraryServices();
    } else if (reason == DLL_PROCESS_DETACH) {
        // The compiled models first, then the parked contexts, then the
        // locks and the settings mutex.
        RunProcessDetach();
    }
    return TRUE;
}

}  // namespace vexl::ui
