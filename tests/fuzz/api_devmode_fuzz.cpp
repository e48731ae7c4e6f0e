// A DEVMODE an application hands to the settings interface's merge request:
// the input is the application's whole buffer, its size fields say anything.
// The interface takes it into a buffer of its own after checking them, then
// merges that into a context over the package's compiled model as the
// request does.
#include "fuzz_support.h"

#include "api/devmode_delivery.h"
#include "common/core/devmode_merge.h"
#include "common/core/memory.h"
#include "common/core/store.h"
#include "common/model/compiled_model.h"
#include "common/model/judge_eval.h"
#include "common/storage/persistence.h"
#include "common/storage/resources.h"
#include "support/model_context.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

using namespace vexl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    if (!fuzz::PackageModel()) return 0;
    // The application's buffer holds at least the header the sizes are read
    // from; past that, exactly the input.
    const std::size_t held = std::max<std::size_t>(size, offsetof(DEVMODEW, dmFields));
    auto caller = std::make_unique<std::uint8_t[]>(held);
    std::memset(caller.get(), 0, held);
    if (size != 0) std::memcpy(caller.get(), data, size);
    const std::size_t declared =
        static_cast<std::size_t>(caller[68] | caller[69] << 8) + (caller[70] | caller[71] << 8);
    if (declared > held) return 0;  // a buffer smaller than its own sizes is the application's lie

    std::vector<std::uint8_t> taken(GetDevmodeSize());
    if (!api::TakeCallerDevmode(reinterpret_cast<const DEVMODEW*>(caller.get()), taken.data())) return 0;

    test::ModelContext context;
    DriverContext* ctx = context.get();
    ctx->compiledModel = fuzz::PackageModel();
    if (AllocJudgeStack(ctx) != 0) return 0;
    ctx->uiResourceLibrary = fuzz::LoadPackageResources();
    if (SettingsStore* created = CreateDefaultDevmode(ctx, 0)) {
        std::memcpy(context.bytes(), created->bytes, kSettingsStoreSize);
        FreeIfNotNull(created);
        MergeDevmode(ctx, reinterpret_cast<const DEVMODEW*>(taken.data()), api::kRemergeCallerFlags);
    }
    FreeFontListItems(ctx);
    FreeUiResourceLibraries(ctx);
    FreeJudgeStack(ctx);
    return 0;
}
