// The glyphs the printer keeps for the current page: 1,024 buckets of
// entries from the Pdev's pool and a generation counter. A new generation
// changes every key, so the glyphs of the next page are sent again.
#pragma once

#include "platform/types.h"

namespace vexl {

struct Pdev;

struct GlyphCacheEntry {
    ULONG fontId;  // the FONTOBJ's iUniq
    WORD generation;
    WORD code;
    GlyphCacheEntry* next;
    signed char fontClass;
};

// Every entry goes back to the pool and the generation goes up by one
// (16 bits, wrapping). Always TRUE.
BOOL ClearGlyphCache(Pdev* pdev);

// The bucket of a glyph: (font id + generation + code) & 0x3FF.
ULONG GlyphCacheBucket(ULONG fontId, WORD generation, WORD code);
GlyphCacheEntry* FindGlyphCacheEntry(Pdev* pdev, ULONG bucket, ULONG fontId, WORD generation, WORD code,
                                     signed char fontClass);
// Appends an entry at the end of the bucket's chain; FALSE for a bucket
// beyond the cache or when the pool is exhausted.
BOOL AddGlyphCacheEntry(Pdev* pdev, ULONG bucket, ULONG fontId, WORD generation, WORD code, signed char fontClass);

}  // namespace vexl
