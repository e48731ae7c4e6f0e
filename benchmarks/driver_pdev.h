// Shared by the benchmark programs that call the driver's drawing hooks: a
// vector-mode Pdev with the fields the hooks read, over the counting sink,
// with the surface the engine hands to the hooks.
#pragma once

#include "graphics/clip_cache.h"
#include "graphics/glyph_cache.h"
#include "graphics/pdev.h"
#include "graphics/records.h"
#include "spool_sink.h"

#include <memory>

namespace vexl {

struct DriverPdev {
    std::unique_ptr<Pdev> pdev = std::make_unique<Pdev>();
    CountingSink sink;
    SURFOBJ surface{};

    explicit DriverPdev(DWORD textAsBitmap = 0)
    {
        Pdev& p = *pdev;
        p.leadingGuard = kPdevGuard;
        p.trailingGuard = kPdevGuard;
        p.pool = CreatePdevPool();
        p.textAsBitmap = textAsBitmap;
        p.pageCount = 1;
        InitOutputStream(p.stream, StreamOwner{p.pool, &p.flags, &p.pageCount, &p.jobBinder}, nullptr, &p);
        p.stream.spool = SpoolBinding{reinterpret_cast<HMODULE>(this), &sink, &CountingSink::WritePrinter};
        p.clipCache = CreateClipCache(&p);
        surface.dhpdev = reinterpret_cast<DHPDEV>(&p);
        surface.iType = STYPE_DEVICE;
        surface.sizlBitmap = SIZEL{4960, 7016};
    }
    ~DriverPdev()
    {
        ClearGlyphCache(pdev.get());
        FreeClipCache(pdev.get(), pdev->clipCache);
        FreeStreamBlocks(pdev->stream);
        DestroyPdevPool(pdev->pool);
    }

    // A new page: the states, the clip and the glyphs are sent again.
    bool BeginPage()
    {
        Pdev& p = *pdev;
        InvalidateStateCaches(p.states);
        InvalidateClipCache(p.clipCache);
        ClearGlyphCache(&p);
        return EmitPageBeginRecord(p.stream, 4960, 7016, 600) != nullptr;
    }
    bool EndPage() { return EmitPageEndRecord(pdev->stream) && FlushOutputStream(pdev->stream) != FALSE; }
};

}  // namespace vexl
