#include "graphics/clip_cache.h"

#include "graphics/pdev.h"

#include <cstring>

namespace vexl {

ClipCache* CreateClipCache(Pdev* pdev)
{
    auto* cache = static_cast<ClipCache*>(PdevPoolAlloc(pdev->pool, sizeof(ClipCache)));
    if (cache) std::memset(static_cast<void*>(cache), 0, sizeof(ClipCache));
    return cache;
}

void InvalidateClipCache(ClipCache* cache)
{
    if (cache) cache->valid = FALSE;
}

ClipCache* FreeClipCache(Pdev* pdev, ClipCache* cache)
{
    if (cache) PdevPoolFree(pdev->pool, cache);
    return nullptr;
}

}  // namespace vexl
