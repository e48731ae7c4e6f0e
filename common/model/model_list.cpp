#include "common/model/model_list.h"

#include "common/core/modeldb.h"
#include "common/core/process.h"
#include "common/model/bcs_cache.h"
#include "common/model/reader.h"
#include "platform/win32.h"

#include <memory>
#include <vector>

namespace vexl {
namespace model {

namespace {

// One listed model: the description path it was made from, and the model.
struct ModelListNode {
    std::u16string path;
    CompiledModel* model;
};

// Read and changed only under the settings mutex.
std::vector<ModelListNode> g_modelList;
const DescriptionNames* g_compileNames = nullptr;

const DescriptionNames& CompileNames()
{
    return g_compileNames ? *g_compileNames : ModelDatabaseNames();
}

bool SameVersion(const std::u16string& a, const std::u16string& b)
{
    return lstrcmpiW(a.c_str(), b.c_str()) == 0;
}

// The description version that the context's model record expects.
std::u16string ExpectedVersion(const DriverContext* context)
{
    const ModelRecord* record = context->modelRecord;
    return record && record->descriptionVersion ? std::u16string(record->descriptionVersion) : std::u16string();
}

}  // namespace

void SetCompileNames(const DescriptionNames* names)
{
    g_compileNames = names;
}

CompiledModel* FindModelInList(const std::u16string& path)
{
    for (const ModelListNode& node : g_modelList) {
        if (lstrcmpiW(node.path.c_str(), path.c_str()) == 0) return node.model;
    }
    return nullptr;
}

void AddModelToList(CompiledModel* model, const std::u16string& path)
{
    if (!model) return;
    g_modelList.push_back({path, model});
}

CompiledModel* CompileModel(DriverContext* context, const std::u16string& path, bool mayWrite)
{
    std::unique_ptr<CompileState> state = ParseDescriptionFile(path.c_str(), CompileNames());
    if (!state) return nullptr;
    CompiledModel* model = LayoutCompiledModel(*state);
    state.reset();
    if (!model) return nullptr;
    std::u16string cachePath;
    if (mayWrite && SameVersion(GetModelFileVersion(model), ExpectedVersion(context)) &&
        GetCacheFilePath(cachePath, path))
        WriteCacheFile(cachePath, model);
    return model;
}

}  // namespace model

CompiledModel* AcquireCompiledModel(DriverContext* context)
{
    using namespace model;
    if (!context) return nullptr;
    LockSettingsMutex(context);
    CompiledModel* result = nullptr;
    const std::u16string path = GetDescriptionFilePath(context->secondPrinter);
    if (!path.empty()) result = FindModelInList(path);
    if (!path.empty() && !result) {
        bool mayWrite = true;
        std::u16string cachePath;
        const bool cacheable = GetCacheFilePath(cachePath, path);
        WCHAR version[16] = {};
        if (CompiledModel* block = cacheable ? LoadCacheFile(path, cachePath, version) : nullptr) {
            version[15] = 0;
            const std::u16string probed = version;
            if (!SameVersion(probed, ExpectedVersion(context))) mayWrite = false;
            // A cache is used only whole: a block that fails validation is
            // stale like one of another version.
            if (mayWrite && SameVersion(GetModelFileVersion(block), probed) && ValidateCompiledModel(block)) {
                result = block;
            } else {
                FreeCompiledModel(block);
                DeleteCacheFile(cachePath);
            }
        }
        if (!result) result = CompileModel(context, path, mayWrite && cacheable);
        AddModelToList(result, path);
    }
    UnlockSettingsMutex(context);
    return result;
}

void FreeCompiledModelList()
{
    for (model::ModelListNode& node : model::g_modelList) model::FreeCompiledModel(node.model);
    model::g_modelList.clear();
    model::g_modelList.shrink_to_fit();
}

}  // namespace vexl
