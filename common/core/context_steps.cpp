// The steps of building and destroying a context that belong to other
// subsystems: the compiled model and the judge stack, the default DEVMODE,
// the stored per-printer settings, the store's font lists and the resource
// libraries. Each starts here as this library's own step; where a subsystem
// is not part of the library yet, its step answers as for "nothing there".
#include "common/core/context.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/store.h"
#include "platform/win32.h"

namespace vexl {
namespace {

constexpr std::uint32_t kJudgeStackBytes = 256 * sizeof(std::uint32_t);

// The description compiler is not part of this library yet: there is no
// compiled model to acquire, so no full context can be built.
CompiledModel* AcquireCompiledModel(DriverContext*)
{
    return nullptr;
}

// The 256-value evaluation stack of the judges, in the work area.
int AllocJudgeStack(DriverContext* context)
{
    ContextWorkArea* work = context->workArea;
    work->judgeStackIndex = 0;
    work->judgeStack = static_cast<std::uint32_t*>(AllocZeroed(kJudgeStackBytes));
    return work->judgeStack ? 0 : -1;
}

void FreeJudgeStack(DriverContext* context)
{
    ContextWorkArea* work = context->workArea;
    if (!work) return;
    FreeIfNotNull(work->judgeStack);
    work->judgeStack = nullptr;
    work->judgeStackIndex = 0;
}

// The model's defaults are not known without the compiled model and the
// DEVMODE builder: the store starts all zero.
SettingsStore* CreateDefaultDevmode(DriverContext*, std::uint16_t)
{
    return static_cast<SettingsStore*>(AllocZeroed(sizeof(SettingsStore)));
}

// No stored per-printer settings are loaded yet.
BOOL ApplyStoredBidiConfig(DriverContext*)
{
    return 1;
}

// The three font lists of the current store are heap blocks that the
// context owns: they are freed and their addresses cleared.
BOOL FreeFontListItems(DriverContext* context)
{
    for (std::uint16_t id : {rdmDeviceFont, rdmOptionFont, rdmFontTable}) {
        FreeIfNotNull(GetItemHeapAddress(context, id));
        SetItemHeapAddress(context, id, nullptr);
    }
    return 1;
}

DriverContext* FreeUiResourceLibraries(DriverContext* context)
{
    if (context->uiResourceLibrary) FreeLibrary(context->uiResourceLibrary);
    if (context->secondResourceLibrary) FreeLibrary(context->secondResourceLibrary);
    context->uiResourceLibrary = nullptr;
    context->secondResourceLibrary = nullptr;
    return context;
}

const ContextBuildSteps kDefaultSteps = {
    .acquireCompiledModel = AcquireCompiledModel,
    .allocJudgeStack = AllocJudgeStack,
    .freeJudgeStack = FreeJudgeStack,
    .createDefaultDevmode = CreateDefaultDevmode,
    .applyStoredBidiConfig = ApplyStoredBidiConfig,
    .freeFontListItems = FreeFontListItems,
    .freeUiResourceLibraries = FreeUiResourceLibraries,
};

ContextBuildSteps g_steps = kDefaultSteps;

}  // namespace

const ContextBuildSteps& GetContextBuildSteps()
{
    return g_steps;
}

void SetContextBuildSteps(const ContextBuildSteps& steps)
{
    g_steps = steps;
}

const ContextBuildSteps& GetDefaultContextBuildSteps()
{
    return kDefaultSteps;
}

}  // namespace vexl
