#include "graphics/surface.h"

#include <cstdint>
#include <iterator>

namespace vexl {
namespace {

constexpr LONG kBandBytes = 307200;

constexpr ULONG kBitsPerPixel[] = {0, 1, 4, 8, 16, 24, 32};

bool IsMonochrome(const Pdev* pdev)
{
    return pdev->colorProcess == 1 && pdev->color == 1;
}

HSURF CreateBandBitmap(const Pdev* pdev)
{
    if (pdev->pageWidth <= 0 || pdev->pageHeight <= 0) return nullptr;
    const ULONG format = IsMonochrome(pdev) ? BMF_1BPP : BMF_24BPP;
    const SIZEL size{pdev->pageWidth, BandHeight(pdev->pageWidth, pdev->pageHeight)};
    const HBITMAP bitmap = EngCreateBitmap(size, BitmapRowStride(size.cx, format), format, BMF_TOPDOWN, nullptr);
    if (bitmap) EngMarkBandingSurface(bitmap);
    return bitmap;
}

HSURF CreateVectorSurface(Pdev* pdev)
{
    const bool oneBit = pdev->hiddenFunc30 != 0 && IsMonochrome(pdev);
    const SIZEL size{pdev->paper.printableWidthDots, pdev->paper.printableLengthDots};
    return EngCreateDeviceSurface(reinterpret_cast<DHSURF>(pdev), size, oneBit ? BMF_1BPP : BMF_24BPP);
}

}  // namespace

LONG BandHeight(LONG pageWidth, LONG pageHeight)
{
    const LONG rowBytes = (pageWidth + 31) / 32 * 4;
    if (rowBytes <= 0) return pageHeight;
    const LONG rows = (kBandBytes / rowBytes / 32 + 1) * 32;
    return rows < pageHeight ? rows : pageHeight;
}

LONG BitmapRowStride(LONG width, ULONG format)
{
    const ULONG bits = format < std::size(kBitsPerPixel) ? kBitsPerPixel[format] : 0;
    const std::int64_t bytes = (std::int64_t{width} * bits + 7) / 8 + 3;
    return static_cast<LONG>(bytes & ~std::int64_t{3});
}

FLONG SurfaceHooks(const Pdev* pdev)
{
    if (pdev->rasterMode != 0) return kRasterSurfaceHooks;
    return pdev->hiddenFunc5 == 0 ? (kVectorSurfaceHooks | HOOK_STRETCHBLTROP) : kVectorSurfaceHooks;
}

HSURF DrvEnableSurface(DHPDEV dhpdev)
{
    Pdev* pdev = ValidPdev(dhpdev);
    if (!pdev) return nullptr;
    const HSURF surface = pdev->rasterMode != 0 ? CreateBandBitmap(pdev) : CreateVectorSurface(pdev);
    if (!surface) return nullptr;
    if (!EngAssociateSurface(surface, pdev->engineDevice, SurfaceHooks(pdev))) {
        // The surface is gone: the Pdev must not delete it a second time.
        EngDeleteSurface(surface);
        pdev->surface = nullptr;
        return nullptr;
    }
    pdev->surface = surface;
    return surface;
}

void DrvDisableSurface(DHPDEV dhpdev)
{
    auto* pdev = reinterpret_cast<Pdev*>(dhpdev);
    if (!IsValidPdev(pdev) || !pdev->surface) return;
    EngDeleteSurface(pdev->surface);
    pdev->surface = nullptr;
}

}  // namespace vexl
