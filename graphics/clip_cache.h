// The clip state the page already has: a clip record is sent only when the
// clip of a drawing call differs from it. Every page start invalidates it.
#pragma once

#include "platform/ddi.h"
#include "platform/types.h"

namespace vexl {

struct Pdev;

struct ClipCache {
    BOOL valid;
    ULONG clipId;     // the CLIPOBJ's iUniq
    BOOL lastResult;  // of the last clip record
    BYTE kind;        // 0 none, 1 rectangle, 3 path
    RECTL rect;
};

// A new, invalid cache from the Pdev's pool, or null.
ClipCache* CreateClipCache(Pdev* pdev);
void InvalidateClipCache(ClipCache* cache);
// Gives the cache back to the pool; answers null for the Pdev's field.
ClipCache* FreeClipCache(Pdev* pdev, ClipCache* cache);

}  // namespace vexl
