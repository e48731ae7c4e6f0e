// Acquiring the compiled model of a context: from the process-wide model
// list, else from the BCS cache file beside the description, else by
// compiling the description; all under the settings mutex.
#pragma once

#include "common/core/context.h"
#include "common/model/compiled_model.h"

#include <string>

namespace vexl {

// The model of the context's printer, shared by every context of the
// process that uses the same description file; null when the printer has
// no description or it cannot be read. Contexts never free it.
CompiledModel* AcquireCompiledModel(DriverContext* context);

// Frees every model of the process and empties the list (process detach).
void FreeCompiledModelList();

namespace model {

// Compiles the description; writes the cache file when mayWrite is set and
// the description's FileVersion is the one the context's model expects.
CompiledModel* CompileModel(DriverContext* context, const std::u16string& path, bool mayWrite);

// The model listed for the description path (compared as a whole, without
// regard to case), or null.
CompiledModel* FindModelInList(const std::u16string& path);
// Lists the model under the path; a null model is not listed.
void AddModelToList(CompiledModel* model, const std::u16string& path);

// The names the compiler resolves descriptions with: the model database,
// unless a tool or test has set another source (null restores the database).
void SetCompileNames(const DescriptionNames* names);

}  // namespace model
}  // namespace vexl
