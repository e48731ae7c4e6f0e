// Packed DIB bytes (a bitmap resource: header, colour table, rows) through
// the GDI's reader: a bitmap is made only when the bytes hold all it reads,
// and what it makes can be drawn, read back as a DIB and deleted.
#include "fuzz_support.h"

#include "platform/gdi_surface.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace vexl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly the input's size, so that a read past it is seen.
    std::vector<std::uint8_t> bytes(data, data + size);
    HBITMAP bitmap = gdi::CreateBitmapFromPackedDib(bytes.data(), bytes.size());
    if (!bitmap) return 0;
    const SIZE size2 = gdi::SurfaceSize(bitmap);
    if (size2.cx <= 0 || size2.cy <= 0) {
        std::fprintf(stderr, "a packed DIB made an empty bitmap\n");
        std::abort();
    }
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HDC target = CreateCompatibleDC(nullptr);
    HBITMAP copy = CreateBitmap(8, 8, 1, 32, nullptr);
    HGDIOBJ oldCopy = SelectObject(target, copy);
    StretchBlt(target, 0, 0, 8, 8, dc, 0, 0, size2.cx, size2.cy, SRCCOPY);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, 8, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> rows(8 * 24);
    GetDIBits(target, copy, 0, 8, rows.data(), &info, DIB_RGB_COLORS);
    SelectObject(target, oldCopy);
    SelectObject(dc, old);
    DeleteObject(copy);
    DeleteDC(target);
    DeleteDC(dc);
    if (!DeleteObject(bitmap)) {
        std::fprintf(stderr, "a bitmap from a packed DIB could not be deleted\n");
        std::abort();
    }
    return 0;
}
