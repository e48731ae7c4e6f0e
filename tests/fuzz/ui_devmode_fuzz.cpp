// A DEVMODE that reaches the printer interface library from the spooler or
// an application: converted between layouts (CDM_CONVERT and CDM_CONVERT351,
// the output buffer of the size its header declares), and its job ticket
// applied by the merge's ticket step over the package's compiled model.
// Each buffer holds exactly what its header declares.
// Nothing may be read or written past either buffer.
#include "fuzz_support.h"

#include "common/core/devmode_merge.h"
#include "common/core/memory.h"
#include "common/core/store.h"
#include "common/model/compiled_model.h"
#include "common/model/judge_eval.h"
#include "common/storage/persistence.h"
#include "common/storage/resources.h"
#include "support/model_context.h"
#include "ui/base/job_ticket.h"
#include "ui/entry/devmode_conversion.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace vexl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    if (!fuzz::PackageModel() || size < 2) return 0;
    const std::size_t split = std::min<std::size_t>(data[0] * 8u, size - 1);
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    fuzz::CallerBlock in = fuzz::DeclaredDevmode(bytes);
    fuzz::CallerBlock out = fuzz::DeclaredDevmode(bytes.substr(split));

    LONG outSize = static_cast<LONG>(out.size());
    ui::ConvertDevmodeCore(nullptr, in.devmode(), out.devmode(), &outSize, (data[0] & 1) ? CDM_CONVERT : CDM_CONVERT351);

    test::ModelContext context;
    DriverContext* ctx = context.get();
    ctx->compiledModel = fuzz::PackageModel();
    if (AllocJudgeStack(ctx) != 0) return 0;
    ctx->uiResourceLibrary = fuzz::LoadPackageResources();
    if (SettingsStore* created = CreateDefaultDevmode(ctx, 0)) {
        std::memcpy(context.bytes(), created->bytes, kSettingsStoreSize);
        FreeIfNotNull(created);
        // Commands 3 and 4 ask the printer; this context has none.
        if (in.size() > ui::kTicketOffset && (in.data()[ui::kTicketOffset] == 3 || in.data()[ui::kTicketOffset] == 4))
            in.data()[ui::kTicketOffset] = 0;
        std::vector<std::uint8_t> ticketed(GetDevmodeSize());
        ui::ApplyJobTicketToCopy(ctx, in.devmode(), reinterpret_cast<DEVMODEW*>(ticketed.data()));
    }
    FreeFontListItems(ctx);
    FreeUiResourceLibraries(ctx);
    FreeJudgeStack(ctx);
    return 0;
}
