// The wiring of the common library: the one place where the settings core
// meets the description compiler, the compiled model and storage. It fills
// the service tables of the lower layers with their owners' functions at
// process attach, and runs process detach in its order.
#pragma once

#include "platform/types.h"

namespace vexl {

struct ContextBuildSteps;
struct DevmodeServices;
struct ItemServices;
struct JudgeHooks;

// The owners' functions of each table; a test that put a fake in place puts
// these back.
const ItemServices& GetDefaultItemServices();
const DevmodeServices& GetDefaultDevmodeServices();
const ContextBuildSteps& GetDefaultContextBuildSteps();
const JudgeHooks& GetDefaultJudgeHooks();

// Fills every service table with its defaults. Process attach does it; a
// program that links the common library without a deliverable (a test, a
// benchmark, a fuzz target) calls it once before it uses the library.
void InstallDefaultServices();

// What a deliverable's entry point runs when the process attaches and
// detaches. Attach installs the defaults, then empties the context caches
// and creates their locks. Detach frees, in this order, the compiled
// models, the parked contexts, the cache locks and the settings-mutex
// handle.
void RunProcessAttach();
void RunProcessDetach();

// The common part of every deliverable's entry point: attach or detach by
// the reason; always TRUE.
BOOL HandleProcessEntry(DWORD reason);

}  // namespace vexl
