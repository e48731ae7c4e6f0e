// Device-independent bitmaps: palette and direct formats converted to and
// from 32-bit pixels through their colour tables, and the packed DIBs of
// bitmap resources.
#include "gdi_objects.h"

#include "platform/kernel.h"

#include <algorithm>
#include <cstring>

namespace vexl::gdi {
namespace {

constexpr LONG kMaxDibSide = 1 << 15;

struct DibLayout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bits = 0;
    std::size_t stride = 0;
    std::vector<Pixel> colors;   // palette formats
    DWORD masks[3] = {0, 0, 0};  // direct formats: red, green, blue
    std::size_t tableBytes = 0;  // bytes of the colour table after the header
};

int MaskShift(DWORD mask)
{
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

BYTE MaskValue(DWORD value, DWORD mask)
{
    if (!mask) return 0;
    const DWORD field = (value & mask) >> MaskShift(mask);
    const DWORD top = mask >> MaskShift(mask);
    return BYTE(field * 255 / top);
}

// The layout of a DIB; nullopt when the header is not one this layer reads.
// tableLimit bounds the colour table's bytes (SIZE_MAX: the caller vouches).
std::optional<DibLayout> ReadLayout(const BITMAPINFO* info, UINT usage, DcObject* dc, std::size_t tableLimit)
{
    if (!info) return std::nullopt;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biWidth > kMaxDibSide || h.biHeight == 0 ||
        h.biHeight > kMaxDibSide || h.biHeight < -kMaxDibSide || h.biPlanes != 1)
        return std::nullopt;
    DibLayout layout;
    layout.width = h.biWidth;
    layout.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    layout.topDown = h.biHeight < 0;
    layout.bits = h.biBitCount;
    layout.stride = ((std::size_t(layout.width) * std::size_t(layout.bits) + 31) / 32) * 4;
    const BYTE* table = reinterpret_cast<const BYTE*>(info) + h.biSize;
    switch (layout.bits) {
    case 1:
    case 4:
    case 8: {
        if (h.biCompression != BI_RGB) return std::nullopt;
        const DWORD most = DWORD(1) << layout.bits;
        const DWORD count = h.biClrUsed == 0 ? most : std::min(h.biClrUsed, most);
        const std::size_t entry = usage == DIB_PAL_COLORS ? 2 : 4;
        layout.tableBytes = count * entry;
        if (layout.tableBytes > tableLimit) return std::nullopt;
        for (DWORD i = 0; i < count; ++i) {
            if (usage == DIB_PAL_COLORS) {
                WORD index = 0;
                std::memcpy(&index, table + i * 2, 2);
                layout.colors.push_back(dc ? PixelOf(*dc, PALETTEINDEX(index)) : 0);
            } else {
                const BYTE* q = table + i * 4;  // blue, green, red, reserved
                layout.colors.push_back(Pixel(q[0]) | (Pixel(q[1]) << 8) | (Pixel(q[2]) << 16));
            }
        }
        layout.colors.resize(most, 0);
        return layout;
    }
    case 16:
    case 32:
        if (h.biCompression == BI_BITFIELDS) {
            layout.tableBytes = 12;
            if (layout.tableBytes > tableLimit) return std::nullopt;
            std::memcpy(layout.masks, table, 12);
        } else if (h.biCompression == BI_RGB) {
            if (layout.bits == 16) {
                layout.masks[0] = 0x7C00, layout.masks[1] = 0x03E0, layout.masks[2] = 0x001F;
            } else {
                layout.masks[0] = 0xFF0000, layout.masks[1] = 0x00FF00, layout.masks[2] = 0x0000FF;
            }
        } else {
            return std::nullopt;
        }
        return layout;
    case 24:
        if (h.biCompression != BI_RGB) return std::nullopt;
        return layout;
    default:
        return std::nullopt;
    }
}

// The pixel at x of a stored row.
Pixel DibPixel(const DibLayout& layout, const BYTE* row, int x)
{
    switch (layout.bits) {
    case 1:
        return layout.colors[(row[x / 8] >> (7 - x % 8)) & 1];
    case 4:
        return layout.colors[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF];
    case 8:
        return layout.colors[row[x]];
    case 24: {
        const BYTE* p = row + std::size_t(x) * 3;
        return Pixel(p[0]) | (Pixel(p[1]) << 8) | (Pixel(p[2]) << 16);
    }
    default: {
        DWORD value = 0;
        std::memcpy(&value, row + std::size_t(x) * std::size_t(layout.bits / 8), std::size_t(layout.bits / 8));
        return ToPixel(RGB(MaskValue(value, layout.masks[0]), MaskValue(value, layout.masks[1]),
                           MaskValue(value, layout.masks[2])));
    }
    }
}

// The top-down row index of stored scan line `scan` (counted from the
// bottom for bottom-up DIBs).
int TopDownRow(const DibLayout& layout, int scan)
{
    return layout.topDown ? scan : layout.height - 1 - scan;
}

// Converts scans start..start+lines (present at bits) into the bitmap.
int ConvertInto(BitmapObject& bitmap, const DibLayout& layout, UINT start, UINT lines, const BYTE* bits)
{
    int set = 0;
    for (UINT i = 0; i < lines; ++i) {
        const UINT scan = start + i;
        if (scan >= UINT(layout.height)) break;
        const int y = TopDownRow(layout, int(scan));
        if (y >= bitmap.height) continue;
        const BYTE* row = bits + layout.stride * i;
        for (int x = 0; x < std::min(layout.width, bitmap.width); ++x) bitmap.Put(x, y, DibPixel(layout, row, x));
        ++set;
    }
    return set;
}

// A temporary memory DC on a 32-bit copy of the DIB, outside the accounting.
struct DibSource {
    HGDIOBJ bitmap = nullptr;
    HDC dc = nullptr;
    int height = 0;
    ~DibSource()
    {
        if (dc) RemoveObject(dc);
        if (bitmap) RemoveObject(bitmap);
    }
};

bool MakeSource(DibSource& source, DcObject* target, const BITMAPINFO* info, UINT usage, UINT start, UINT lines,
                const void* bits)
{
    std::optional<DibLayout> layout = ReadLayout(info, usage, target, SIZE_MAX);
    if (!layout || !bits) return false;
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->type = OBJ_BITMAP;
    bitmap->width = layout->width;
    bitmap->height = layout->height;
    bitmap->pixels.assign(std::size_t(layout->width) * std::size_t(layout->height), 0);
    ConvertInto(*bitmap, *layout, start, lines, static_cast<const BYTE*>(bits));
    source.height = layout->height;
    source.bitmap = AddObject(std::move(bitmap), false);
    auto dc = std::make_unique<DcObject>();
    dc->type = OBJ_MEMDC;
    dc->state.bitmap = source.bitmap;
    dc->state.brush = Stock(WHITE_BRUSH);
    dc->state.pen = Stock(BLACK_PEN);
    dc->state.font = Stock(SYSTEM_FONT);
    dc->state.palette = Stock(DEFAULT_PALETTE);
    source.dc = static_cast<HDC>(AddObject(std::move(dc), false));
    return true;
}

// The top-down y of a DIB source rectangle given by its DIB coordinates
// (from the bottom-left for bottom-up DIBs).
int SourceTop(const BITMAPINFO* info, int height, int ySrc, int srcHeight)
{
    return info->bmiHeader.biHeight < 0 ? ySrc : height - ySrc - srcHeight;
}

HBITMAP BitmapFromDib(const DibLayout& layout, const BYTE* bits)
{
    HGDIOBJ handle = nullptr;
    BitmapObject* bitmap = NewBitmap(layout.width, layout.height, 32, &handle);
    if (!bitmap) return nullptr;
    if (bits) ConvertInto(*bitmap, layout, 0, UINT(layout.height), bits);
    return static_cast<HBITMAP>(handle);
}

}  // namespace

HBITMAP CreateBitmapFromPackedDib(const void* data, std::size_t size)
{
    if (!data || size < sizeof(BITMAPINFOHEADER)) return nullptr;
    BITMAPINFOHEADER header{};
    std::memcpy(&header, data, sizeof(header));
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biSize > size) return nullptr;
    std::lock_guard guard(GdiLock());
    const auto* info = static_cast<const BITMAPINFO*>(data);
    std::optional<DibLayout> layout = ReadLayout(info, DIB_RGB_COLORS, nullptr, size - header.biSize);
    if (!layout) return nullptr;
    const std::size_t offset = header.biSize + layout->tableBytes;
    if (size - offset < layout->stride * std::size_t(layout->height)) return nullptr;
    return BitmapFromDib(*layout, static_cast<const BYTE*>(data) + offset);
}

}  // namespace vexl::gdi

using namespace vexl::gdi;

VEXL_API HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                const BITMAPINFO* info, UINT usage)
{
    if (!header) return nullptr;
    std::lock_guard guard(GdiLock());
    DcObject* dc = hdc ? FindDc(hdc) : nullptr;
    if (!(init & CBM_INIT)) {
        HGDIOBJ handle = nullptr;
        const LONG height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
        return NewBitmap(header->biWidth, height, 32, &handle) ? static_cast<HBITMAP>(handle) : nullptr;
    }
    std::optional<DibLayout> layout = ReadLayout(info, usage, dc, SIZE_MAX);
    if (!layout || !bits) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return BitmapFromDib(*layout, static_cast<const BYTE*>(bits));
}

VEXL_API int SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
                       UINT usage)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = hdc ? FindDc(hdc) : nullptr;
    BitmapObject* target = FindBitmap(bitmap);
    std::optional<DibLayout> layout = ReadLayout(info, usage, dc, SIZE_MAX);
    if (!target || !layout || !bits) return 0;
    return ConvertInto(*target, *layout, start, lines, static_cast<const BYTE*>(bits));
}

VEXL_API int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT)
{
    std::lock_guard guard(GdiLock());
    if (hdc && !FindDc(hdc)) return 0;
    BitmapObject* source = FindBitmap(bitmap);
    if (!source || !info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return 0;
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (h.biBitCount == 0) {
        h.biWidth = source->width;
        h.biHeight = source->height;
        h.biPlanes = 1;
        h.biBitCount = WORD(source->bitsPixel);
        h.biCompression = BI_RGB;
        h.biSizeImage = DWORD(((std::size_t(source->width) * std::size_t(source->bitsPixel) + 31) / 32) * 4 *
                              std::size_t(source->height));
        return 1;
    }
    if (h.biBitCount != 1 && h.biBitCount != 24 && h.biBitCount != 32) return 0;
    h.biWidth = source->width;
    if (h.biHeight == 0) h.biHeight = source->height;
    h.biHeight = h.biHeight < 0 ? -source->height : source->height;
    h.biPlanes = 1;
    h.biCompression = BI_RGB;
    const bool topDown = h.biHeight < 0;
    const std::size_t stride = ((std::size_t(source->width) * h.biBitCount + 31) / 32) * 4;
    h.biSizeImage = DWORD(stride * std::size_t(source->height));
    if (h.biBitCount == 1) {
        h.biClrUsed = 0;
        info->bmiColors[0] = {0, 0, 0, 0};
        RGBQUAD* colors = info->bmiColors;
        colors[1] = {255, 255, 255, 0};
    }
    if (!bits) return int(source->height);
    int copied = 0;
    for (UINT i = 0; i < lines; ++i) {
        const UINT scan = start + i;
        if (scan >= UINT(source->height)) break;
        const int y = topDown ? int(scan) : source->height - 1 - int(scan);
        BYTE* row = static_cast<BYTE*>(bits) + stride * i;
        std::memset(row, 0, stride);
        for (int x = 0; x < source->width; ++x) {
            const Pixel p = source->Get(x, y);
            if (h.biBitCount == 1) {
                if (ToMono(p) == kWhite) row[x / 8] |= BYTE(0x80 >> (x % 8));
            } else {
                BYTE* q = row + std::size_t(x) * (h.biBitCount / 8);
                q[0] = BYTE(p), q[1] = BYTE(p >> 8), q[2] = BYTE(p >> 16);
            }
        }
        ++copied;
    }
    return copied;
}

VEXL_API int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                               UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc) return 0;
    DibSource source;
    if (!MakeSource(source, dc, info, usage, startScan, lines, bits)) return 0;
    const int top = SourceTop(info, source.height, ySrc, int(height));
    if (!BitBlt(hdc, xDest, yDest, int(width), int(height), source.dc, xSrc, top, SRCCOPY)) return 0;
    return int(lines);
}

VEXL_API int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                           int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop)
{
    std::lock_guard guard(GdiLock());
    DcObject* dc = FindDc(hdc);
    if (!dc || !info) return 0;
    const LONG rows = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
    DibSource source;
    if (!MakeSource(source, dc, info, usage, 0, UINT(rows), bits)) return 0;
    const int top = SourceTop(info, source.height, ySrc, srcHeight);
    if (!StretchBlt(hdc, xDest, yDest, destWidth, destHeight, source.dc, xSrc, top, srcWidth, srcHeight, rop)) return 0;
    return srcHeight;
}
