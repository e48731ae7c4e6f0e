// The DEVMODE merge of the driver libraries.
#include "common/storage/devmode_settings_merge.h"

#include "common/core/devmode_merge.h"
#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/storage/plugins.h"

namespace vexl {
namespace {

constexpr std::uint32_t kNupKindAuthFirst = 10;
constexpr std::uint32_t kNupKindAuthLast = 11;

// With the authentication plug-in installed and found, the copy guard takes
// the page: tint block and copy protection on, watermark and toner save off,
// and an N-up kind of the plug-in back to plain 2-up.
void RunAuthenticationPluginStep(DriverContext* context)
{
    ContextWorkArea* work = context->workArea;
    work->authPluginPresent = HasAuthenticationPlugin(context) ? 1 : 0;
    work->authPluginPathFound = FindAuthenticationPluginPath(context, nullptr) ? 1 : 0;
    if (!work->authPluginPresent || !work->authPluginPathFound) {
        SetItemValue(context, rdmFunc2SelectTintBlockUI, 0);
        return;
    }
    SetItemValue(context, rdmFunc2SelectTintBlockUI, 1);
    SetItemValue(context, rdmFuncSelectCopyProtect, 1);
    SetItemValue(context, rdmFuncSelectWaterMark, 0);
    SetItemValue(context, rdmFuncSelectTonerSave, 0);
    const std::uint32_t kind = GetItemValue(context, rdmNUPPOSTKind);
    if (kind >= kNupKindAuthFirst && kind <= kNupKindAuthLast) {
        SetItemValue(context, rdmFuncSelectNup, 0);
        SetItemValue(context, rdmNUPPOSTKind, 1);
        SetItemValue(context, rdmNUPType, GetItemValue(context, dmOrientation) == 1 ? 1 : 3);
    }
}

JobTicketStep g_ticketStep = nullptr;

constexpr MergeVariant kSettingsMerge = {
    .locksOffWin9xOnly = false,
    .recordsCompanionFunctions = false,
    .authPluginStep = RunAuthenticationPluginStep,
    .uiControlStep = DetectUiControlPlugins,
    .ticketStep = nullptr,
};

}  // namespace

BOOL MergeDevmodeSettings(DriverContext* context, const DEVMODEW* caller, std::uint32_t flags)
{
    MergeVariant variant = kSettingsMerge;
    variant.ticketStep = g_ticketStep;
    return RunDevmodeMerge(context, caller, flags, variant) ? TRUE : FALSE;
}

void SetJobTicketStep(JobTicketStep step)
{
    g_ticketStep = step;
}

}  // namespace vexl
