// A caller's DEVMODE, public and private part, of any sizes, validated and
// merged into a context over the package's compiled model, then the store
// validated again. The caller's buffer holds dmSize + dmDriverExtra bytes,
// as the spooler guarantees: the input fills it, zeros the rest.
#include "fuzz_support.h"

#include "common/core/devmode_merge.h"
#include "common/core/devmode_public.h"
#include "common/core/le.h"
#include "common/core/memory.h"
#include "common/core/store.h"
#include "common/model/compiled_model.h"
#include "common/model/judge_eval.h"
#include "common/model/reader.h"
#include "common/storage/persistence.h"
#include "common/storage/resources.h"
#include "support/model_context.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace vexl;

namespace {

// The package's model, compiled once per process.
CompiledModel* PackageModel()
{
    static CompiledModel* compiled = [] {
        std::unique_ptr<model::CompileState> state = model::ParseDescriptionText(fuzz::PackageDescriptionText());
        return state ? model::LayoutCompiledModel(*state) : nullptr;
    }();
    return compiled;
}

// Merge flags of the callers: an application, the property sheet, a job.
constexpr std::uint32_t kCallerFlags[] = {
    kMergeFromCaller,
    kMergeFromCaller | kMergeFromSheet,
    kMergeFromCaller | kMergeImageFormJob | kMergePrompt,
    kMergeFromCaller | kMergeKeepSupportBits | kMergeNoReload,
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    if (!PackageModel() || size < 1) return 0;
    const std::uint32_t flags = kCallerFlags[data[0] % std::size(kCallerFlags)];
    ++data;
    --size;

    std::vector<std::uint8_t> caller(data, data + size);
    caller.resize(std::max<std::size_t>(caller.size(), 72), 0);
    const std::size_t declared = static_cast<std::size_t>(ReadLe16(caller.data() + 68)) + ReadLe16(caller.data() + 70);
    caller.resize(std::max(caller.size(), declared), 0);

    test::ModelContext context;
    DriverContext* ctx = context.get();
    ctx->compiledModel = PackageModel();
    if (AllocJudgeStack(ctx) != 0) return 0;
    ctx->uiResourceLibrary = fuzz::LoadPackageResources();
    if (SettingsStore* created = CreateDefaultDevmode(ctx, 0)) {
        std::memcpy(context.bytes(), created->bytes, kSettingsStoreSize);
        FreeIfNotNull(created);
        MergeDevmode(ctx, reinterpret_cast<const DEVMODEW*>(caller.data()), flags);
        ValidatePublicFields(reinterpret_cast<DEVMODEW*>(context.bytes()), ctx);
    }
    FreeFontListItems(ctx);
    FreeUiResourceLibraries(ctx);
    FreeJudgeStack(ctx);
    return 0;
}
