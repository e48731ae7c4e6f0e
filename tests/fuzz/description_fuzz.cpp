// Description text through the model compiler: the parse, the layout of the
// compiled block, and the validation that every cache load repeats. What the
// compiler lays out, its own validation must accept, unless it is a bare
// header (a description without a setting), which is never cached.
#include "fuzz_support.h"

#include "common/model/compiled_model.h"
#include "common/model/reader.h"

#include <cstdio>
#include <cstdlib>

using namespace vexl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::UseFuzzMachine();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<model::CompileState> state = model::ParseDescriptionText(text);
    if (!state) return 0;
    CompiledModel* compiled = model::LayoutCompiledModel(*state);
    state.reset();
    if (!compiled) return 0;
    if (compiled->totalSize > model::kHeaderSize && !model::ValidateCompiledModel(compiled)) {
        std::fprintf(stderr, "the compiler laid out a block that its validation refuses\n");
        std::abort();
    }
    model::FreeCompiledModel(compiled);
    return 0;
}
