// The printer interface library put together: the one place that wires the
// common library's default services and the interface library's own forms.
#include "ui/library.h"

#include "common/core/devmode_services.h"
#include "common/storage/devmode_settings_merge.h"
#include "common/wiring.h"
#include "ui/base/job_strings.h"
#include "ui/base/job_ticket.h"
#include "ui/base/library_state.h"
#include "ui/base/ui_context.h"

namespace vexl::ui {

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
        KeepLibraryModule(module);
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
