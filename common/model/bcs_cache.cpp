#include "common/model/bcs_cache.h"

#include "common/core/le.h"
#include "common/model/reader.h"
#include "platform/win32.h"

namespace vexl::model {

bool GetCacheFilePath(std::u16string& out, const std::u16string& descriptionPath)
{
    out.clear();
    const std::size_t separator = descriptionPath.find_last_of(u"\\/");
    const std::size_t nameStart = separator == std::u16string::npos ? 0 : separator + 1;
    const std::size_t dot = descriptionPath.rfind(u'.');
    std::u16string path = (dot != std::u16string::npos && dot >= nameStart)
                              ? descriptionPath.substr(0, dot + 1) + u"BCS"
                              : descriptionPath + u".BCS";
    if (descriptionPath.empty() || path.size() + 1 > kMaxCachePath) return false;
    out = std::move(path);
    return true;
}

namespace {

HANDLE OpenForReading(const std::u16string& path)
{
    return CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// The whole cache file read straight into a model's block; none when the
// file is no longer than a header or its header gives another size.
CompiledModel* ReadCacheBlock(HANDLE cache)
{
    DWORD high = 0;
    const DWORD size = GetFileSize(cache, &high);
    if (size == INVALID_FILE_SIZE || high != 0 || size <= kHeaderSize) return nullptr;
    CompiledModel* model = MakeCompiledModel(nullptr, size);
    if (!model) return nullptr;
    DWORD read = 0;
    if (!ReadFile(cache, model->block, size, &read, nullptr) || read != size ||
        ReadLe32(model->block + kHeaderTotalSize) != size) {
        FreeCompiledModel(model);
        return nullptr;
    }
    return model;
}

}  // namespace

CompiledModel* LoadCacheFile(const std::u16string& descriptionPath, const std::u16string& cachePath,
                             WCHAR probedVersion[16])
{
    HANDLE description = OpenForReading(descriptionPath);
    if (description == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE cache = OpenForReading(cachePath);
    if (cache == INVALID_HANDLE_VALUE) {
        CloseHandle(description);
        return nullptr;
    }
    FILETIME descriptionTime{}, cacheTime{};
    const bool timesRead = GetFileTime(description, nullptr, nullptr, &descriptionTime) &&
                           GetFileTime(cache, nullptr, nullptr, &cacheTime);
    CompiledModel* model = nullptr;
    if (timesRead && CompareFileTime(&cacheTime, &descriptionTime) >= 0) model = ReadCacheBlock(cache);
    CloseHandle(cache);
    // The description is open already: its FileVersion is read through the
    // same handle.
    if (model && probedVersion) ProbeOpenFileVersion(description, descriptionPath.c_str(), probedVersion);
    CloseHandle(description);
    return model;
}

void WriteCacheFile(const std::u16string& cachePath, const CompiledModel* model)
{
    HANDLE file =
        CreateFileW(cachePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, model->block, model->totalSize, &written, nullptr);
    CloseHandle(file);
}

void DeleteCacheFile(const std::u16string& cachePath)
{
    DeleteFileW(cachePath.c_str());
}

}  // namespace vexl::model
