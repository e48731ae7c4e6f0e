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

ULONG GlyphCacheBucket(ULONG fontId, WORD generation, WORD code)
{
    return (fontId + generation + code) & (kGlyphCacheBuckets - 1);
}

GlyphCacheEntry* FindGlyphCacheEntry(Pdev* pdev, ULONG bucket, ULONG fontId, WORD generation, WORD code,
                                     signed char fontClass)
{
    if (bucket >= static_cast<ULONG>(kGlyphCacheBuckets)) return nullptr;
    for (GlyphCacheEntry* entry = pdev->glyphCache[bucket]; entry; entry = entry->next)
        if (entry->fontId == fontId && entry->generation == generation && entry->code == code &&
            entry->fontClass == fontClass)
            return entry;
    return nullptr;
}

BOOL AddGlyphCacheEntry(Pdev* pdev, ULONG bucket, ULONG fontId, WORD generation, WORD code, signed char fontClass)
{
    if (bucket >= static_cast<ULONG>(kGlyphCacheBuckets)) return FALSE;
    auto* entry = static_cast<GlyphCacheEntry*>(PdevPoolAlloc(pdev->pool, sizeof(GlyphCacheEntry)));
    if (!entry) return FALSE;
    *entry = GlyphCacheEntry{fontId, generation, code, nullptr, fontClass};
    GlyphCacheEntry** tail = &pdev->glyphCache[bucket];
    while (*tail) tail = &(*tail)->next;
    *tail = entry;
    return TRUE;
}

}  // namespace vexl
