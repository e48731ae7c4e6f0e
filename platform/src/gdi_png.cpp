// Pictures of surfaces and bitmaps as PNG files.
#include "gdi_objects.h"

#include "platform/files.h"

#include <png.h>

#include <algorithm>
#include <fstream>

namespace vexl::gdi {

std::string EncodePng(HBITMAP surface, const RECT* part)
{
    std::vector<BYTE> rgb;
    RECT r{};
    {
        std::lock_guard guard(GdiLock());
        BitmapObject* bitmap = FindBitmap(surface);
        if (!bitmap) return {};
        r = {0, 0, bitmap->width, bitmap->height};
        if (part) IntersectRect(&r, &r, part);
        if (IsRectEmpty(&r)) return {};
        rgb.reserve(std::size_t(r.right - r.left) * std::size_t(r.bottom - r.top) * 3);
        for (LONG y = r.top; y < r.bottom; ++y) {
            for (LONG x = r.left; x < r.right; ++x) {
                const Pixel p = bitmap->Get(x, y);
                rgb.insert(rgb.end(), {BYTE(p >> 16), BYTE(p >> 8), BYTE(p)});
            }
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(r.right - r.left);
    image.height = png_uint_32(r.bottom - r.top);
    image.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr)) return {};
    std::string bytes(size, '\0');
    if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), 0, nullptr)) return {};
    bytes.resize(size);
    return bytes;
}

bool WritePng(HBITMAP surface, const std::filesystem::path& file, const RECT* part)
{
    const std::string bytes = EncodePng(surface, part);
    if (bytes.empty()) return false;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

}  // namespace vexl::gdi
