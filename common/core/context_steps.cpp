// The steps of building and destroying a context that belong to other
// subsystems: the compiled model and the judge stack, the default DEVMODE,
// the stored per-printer settings, the store's font lists and the resource
// libraries. The wiring of the library installs each owning subsystem's own
// function; a test may put a fake in place.
#include "common/core/context.h"

namespace vexl {
namespace {

ContextBuildSteps g_steps{};

}  // namespace

const ContextBuildSteps& GetContextBuildSteps()
{
    return g_steps;
}

void SetContextBuildSteps(const ContextBuildSteps& steps)
{
    g_steps = steps;
}

}  // namespace vexl
