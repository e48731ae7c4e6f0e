// The BCS cache file: the compiled-model block, byte for byte, beside the
// description file, so that later processes read it instead of compiling.
#pragma once

#include "common/model/compiled_model.h"

#include <string>

namespace vexl::model {

inline constexpr std::size_t kMaxCachePath = 260;  // MAX_PATH, the terminator included

// The cache path of a description: the extension of the file name (the text
// after the last dot of the last path component) replaced by "BCS", or ".BCS"
// appended when the name has none. False when the result does not fit
// MAX_PATH: such a description is not cached.
bool GetCacheFilePath(std::u16string& out, const std::u16string& descriptionPath);

// The block of the cache file, unchecked beyond its size: null when either
// file cannot be opened, the cache is older than the description, or its
// size is not larger than the header and equal to the header's total. With
// a block, probedVersion (when given) gets the description's FileVersion.
CompiledModel* LoadCacheFile(const std::u16string& descriptionPath, const std::u16string& cachePath,
                             WCHAR probedVersion[16] = nullptr);

// Writes the block as the cache file (created or replaced, not shared);
// failures are ignored.
void WriteCacheFile(const std::u16string& cachePath, const CompiledModel* model);

// Deletes the cache file; failures are ignored.
void DeleteCacheFile(const std::u16string& cachePath);

}  // namespace vexl::model
