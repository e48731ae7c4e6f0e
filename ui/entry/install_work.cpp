// The per-printer install and upkeep work, as far as the library has it.
#include "ui/entry/install_work.h"

#include "common/core/devmode_merge.h"
#include "common/core/devmode_public.h"
#include "common/core/store.h"
#include "ui/entry/ui_context.h"

#include <cstring>

namespace vexl::ui {
namespace {

constexpr int kInitFirstInstall = 0;
constexpr std::uint16_t kCreateInstallHoldingMutex = kCreateHoldsSettingsMutex | 1;

}  // namespace

BOOL InitializePrinterSettings(HANDLE printer, DEVMODEW* out, int mode)
{
    if (out == nullptr) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    ContextHolder context(
        CreateDriverContextWithFlags(printer, printer, nullptr, kCreateInstallHoldingMutex, kCallerPropertySheet),
        kReleaseDestroy);
    if (!context) return FALSE;
    SetModelDefaults(context.get());
    const auto* store = reinterpret_cast<const DEVMODEW*>(GetStoreBytes(context.get()));
    // The driver default goes into a buffer of the driver's size; a
    // conversion's output keeps its own layout.
    if (mode == kInitFirstInstall)
        std::memcpy(out, store, GetDevmodeSize());
    else if (CopyDevmodeForConversion(store, out) <= 0)
        return FALSE;
    return TRUE;
}

BOOL InstallModelFiles(DriverContext*, std::uint32_t)
{
    return TRUE;
}

BOOL UpgradeUserLists(HANDLE, DriverContext*)
{
    return TRUE;
}

BOOL SyncSettingsIniWithModel(DriverContext*, BOOL)
{
    return TRUE;
}

BOOL SetDefaultDataPaths(HANDLE)
{
    return TRUE;
}

BOOL HasAnswerWorkForSection(DriverContext*)
{
    return FALSE;
}

}  // namespace vexl::ui
