#include "graphics/glyph_cache.h"

#include "graphics/pdev.h"

namespace vexl {

BOOL ClearGlyphCache(Pdev* pdev)
{
    for (GlyphCacheEntry*& bucket : pdev->glyphCache) {
        while (GlyphCacheEntry* entry = bucket) {
            bucket = entry->next;
            PdevPoolFree(pdev->pool, entry);
        }
    }
    pdev->glyphGeneration = static_cast<WORD>(pdev->glyphGeneration + 1);
    return TRUE;
}

}  // namespace vexl
