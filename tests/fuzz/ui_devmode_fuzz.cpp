// A DEVMODE that reaches the printer interface library from the spooler or
// an application: converted between layouts (CDM_CONVERT and CDM_CONVERT351,
// the output buffer of the size its header declares), and its job ticket
// applied by the merge's ticket step over the package's compiled model.
// Nothing may be read or written past either buffer.
#include "fuzz_support.h"

#include "common/core/devmode_merge.h"
#include "common/core/le.h"
#include "common/core/memory.h"
#include "common/core/store.h"
#include "common/model/compiled_model.h"
#include "common/model/judge_eval.h"
#include "common/model/reader.h"
#include "common/storage/persistence.h"
#include "common/storage/resources.h"
#include "support/model_context.h"
#include "ui/base/job_ticket.h"
#include "ui/entry/devmode_conversion.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace vexl;

namespace {

CompiledModel* PackageModel()
{
    static CompiledModel* compiled = [] {
        std::unique_ptr<model::CompileState> state = model::ParseDescriptionText(fuzz::PackageDescriptionText());
        return state ? model::LayoutCompiledModel(*state) : nullptr;
    }();
    return compiled;
}

// The buffer a caller declares: at least the header, then dmSize + dmDriverExtra.
std::vector<std::uint8_t> Declared(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> bytes(data, data + size);
    bytes.resize(std::max<std::size_t>(bytes.size(), 72), 0);
    const std::size_t declared = static_cast<std::size_t>(ReadLe16(bytes.data() + 68)) + ReadLe16(bytes.data() + 70);
    bytes.resize(std::max(bytes.size(), declared), 0);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    if (!PackageModel() || size < 2) return 0;
    const std::size_t split = std::min<std::size_t>(data[0] * 8u, size - 1);
    std::vector<std::uint8_t> in = Declared(data + 1, size - 1);
    std::vector<std::uint8_t> out = Declared(data + 1 + split, size - 1 - split);

    LONG outSize = static_cast<LONG>(out.size());
    ui::ConvertDevmodeCore(nullptr, reinterpret_cast<DEVMODEW*>(in.data()), reinterpret_cast<DEVMODEW*>(out.data()),
                           &outSize, (data[0] & 1) ? CDM_CONVERT : CDM_CONVERT351);

    test::ModelContext context;
    DriverContext* ctx = context.get();
    ctx->compiledModel = PackageModel();
    if (AllocJudgeStack(ctx) != 0) return 0;
    ctx->uiResourceLibrary = fuzz::LoadPackageResources();
    if (SettingsStore* created = CreateDefaultDevmode(ctx, 0)) {
        std::memcpy(context.bytes(), created->bytes, kSettingsStoreSize);
        FreeIfNotNull(created);
        // Commands 3 and 4 ask the printer; this context has none.
        if (in.size() > ui::kTicketOffset && (in[ui::kTicketOffset] == 3 || in[ui::kTicketOffset] == 4))
            in[ui::kTicketOffset] = 0;
        std::vector<std::uint8_t> ticketed(GetDevmodeSize());
        ui::ApplyJobTicketToCopy(ctx, reinterpret_cast<DEVMODEW*>(in.data()),
                                 reinterpret_cast<DEVMODEW*>(ticketed.data()));
    }
    FreeFontListItems(ctx);
    FreeUiResourceLibraries(ctx);
    FreeJudgeStack(ctx);
    return 0;
}
