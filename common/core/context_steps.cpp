// The steps of building and destroying a context that belong to other
// subsystems: the compiled model and the judge stack, the default DEVMODE,
// the stored per-printer settings, the store's font lists and the resource
// libraries. Each entry is the owning subsystem's own function; a test may
// put a fake in place.
#include "common/core/context.h"

#include "common/core/devmode_merge.h"
#include "common/model/judge_eval.h"
#include "common/model/model_list.h"
#include "common/storage/bidi_config.h"
#include "common/storage/persistence.h"
#include "common/storage/resources.h"

namespace vexl {
namespace {

const ContextBuildSteps kDefaultSteps = {
    .acquireCompiledModel = AcquireCompiledModel,
    .allocJudgeStack = AllocJudgeStack,
    .freeJudgeStack = FreeJudgeStack,
    .createDefaultDevmode = CreateDefaultDevmode,
    .applyStoredBidiConfig = ApplyStoredBidiConfig,
    .freeFontListItems = FreeFontListItems,
    .freeUiResourceLibraries = FreeUiResourceLibraries,
    .attachPageTable = CopyPageTable,
    .detachPageTable = FreePageTable,
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
