// Compiled-model cache bytes through the cache loader and the validator; a
// block that passes is read as the constraint checks read it: every UI
// entry's options, exclusions and alerts judged on a context of the model.
#include "fuzz_support.h"

#include "common/model/bcs_cache.h"
#include "common/model/compiled_model.h"
#include "common/model/constraints.h"
#include "common/model/judge_eval.h"
#include "platform/machine.h"
#include "support/model_context.h"

#include <chrono>
#include <filesystem>

using namespace vexl;

namespace {

constexpr const WCHAR* kDescription = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\TZ16E1MD.VXD";
constexpr const WCHAR* kCache = u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\TZ16E1MD.BCS";

// The description, older than every cache written after it.
void InstallDescription()
{
    static bool installed = false;
    if (installed) return;
    machine::WriteFile(kDescription, fuzz::PackageDescriptionText());
    std::filesystem::last_write_time(machine::HostPath(kDescription),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::hours(24));
    installed = true;
}

// Bounded walks: a validated block has lists that end, but a walk never
// relies on it.
constexpr int kMaxWalk = 4096;

void JudgeEveryEntry(DriverContext* context)
{
    const CompiledModel* block = context->compiledModel;
    int entries = 0;
    for (model::BlockOffset entry = model::GetFirstUiEntry(block); entry != 0 && entries < kMaxWalk; ++entries) {
        const model::UiEntryRecord record = model::ReadUiEntry(block, entry);
        for (std::uint16_t option :
             {std::uint16_t(0), std::uint16_t(1), std::uint16_t(2), static_cast<std::uint16_t>(record.defaultIndex)}) {
            IsUiOptionUnavailable(entry, option, context);
            IsUiOptionRestricted(entry, option, context);
        }
        GetUiAlertMessage(entry, context);
        entry = record.next;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    InstallDescription();
    machine::WriteFile(kCache, std::string_view(reinterpret_cast<const char*>(data), size));
    CompiledModel* block = model::LoadCacheFile(kDescription, kCache);
    if (!block) return 0;
    if (model::ValidateCompiledModel(block)) {
        test::ModelContext context;
        context.get()->compiledModel = block;
        if (AllocJudgeStack(context.get()) == 0) {
            JudgeEveryEntry(context.get());
            FreeJudgeStack(context.get());
        }
    }
    model::FreeCompiledModel(block);
    return 0;
}
