// The in-memory GDI's pixels: the ternary raster operations, blits between
// monochrome and colour bitmaps, stretching, DIB conversion through colour
// tables, shapes, regions and clipping, palettes, and the object accounting.
#include "platform/gdi_surface.h"
#include "platform/machine.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace vexl::test {
namespace {

// A memory DC with a 32-bit bitmap selected, released at the end.
class MemoryCanvas {
public:
    MemoryCanvas(int width, int height)
    {
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateBitmap(width, height, 1, 32, nullptr);
        old_ = SelectObject(dc_, bitmap_);
    }
    ~MemoryCanvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    HBITMAP bitmap() const { return bitmap_; }
    void Fill(COLORREF color)
    {
        HBRUSH brush = CreateSolidBrush(color);
        const RECT all{0, 0, 1000, 1000};
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    // The rows of the bitmap as '#' for the colour and '.' for anything else.
    std::vector<std::string> Rows(COLORREF ink, int width, int height) const
    {
        std::vector<std::string> rows;
        for (int y = 0; y < height; ++y) {
            std::string row;
            for (int x = 0; x < width; ++x) row += GetPixel(dc_, x, y) == ink ? '#' : '.';
            rows.push_back(row);
        }
        return rows;
    }

private:
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// The reference: each result bit is the code's bit at index (p << 2) | (s << 1) | d.
DWORD ReferenceRop(DWORD code, DWORD p, DWORD s, DWORD d)
{
    DWORD result = 0;
    for (int bit = 0; bit < 24; ++bit) {
        const DWORD index = (((p >> bit) & 1) << 2) | (((s >> bit) & 1) << 1) | ((d >> bit) & 1);
        result |= ((code >> index) & 1) << bit;
    }
    return result;
}

TEST(GdiRaster, EveryTernaryRopMatchesItsTruthTable)
{
    const DWORD pattern = 0x00F0CC, sources[] = {0x000000, 0xFFFFFF, 0x3C5AA5, 0x0F0F0F};
    const DWORD destinations[] = {0xFFFFFF, 0x000000, 0x5AA53C, 0xF00FF0};
    MemoryCanvas target(4, 1), source(4, 1);
    // COLORREF is 0x00BBGGRR and pixels 0x00RRGGBB: build colours from the pixel values.
    auto color = [](DWORD pixel) { return RGB(BYTE(pixel >> 16), BYTE(pixel >> 8), BYTE(pixel)); };
    for (int i = 0; i < 4; ++i) SetPixel(source.dc(), i, 0, color(sources[i]));
    HBRUSH brush = CreateSolidBrush(color(pattern));
    HGDIOBJ oldBrush = SelectObject(target.dc(), brush);
    for (DWORD code = 0; code < 256; ++code) {
        for (int i = 0; i < 4; ++i) SetPixel(target.dc(), i, 0, color(destinations[i]));
        ASSERT_TRUE(BitBlt(target.dc(), 0, 0, 4, 1, source.dc(), 0, 0, code << 16));
        for (int i = 0; i < 4; ++i) {
            const COLORREF got = GetPixel(target.dc(), i, 0);
            EXPECT_EQ(got, color(ReferenceRop(code, pattern, sources[i], destinations[i])))
                << "rop " << code << " pixel " << i;
        }
    }
    SelectObject(target.dc(), oldBrush);
    DeleteObject(brush);
}

TEST(GdiRaster, NamedRopsAreTheirFormulas)
{
    struct Case {
        DWORD rop;
        std::function<DWORD(DWORD, DWORD, DWORD)> formula;
    };
    const Case cases[] = {
        {SRCCOPY, [](DWORD, DWORD s, DWORD) { return s; }},
        {SRCPAINT, [](DWORD, DWORD s, DWORD d) { return s | d; }},
        {SRCAND, [](DWORD, DWORD s, DWORD d) { return s & d; }},
        {SRCINVERT, [](DWORD, DWORD s, DWORD d) { return s ^ d; }},
        {SRCERASE, [](DWORD, DWORD s, DWORD d) { return s & ~d; }},
        {NOTSRCCOPY, [](DWORD, DWORD s, DWORD) { return ~s; }},
        {NOTSRCERASE, [](DWORD, DWORD s, DWORD d) { return ~(s | d); }},
        {MERGECOPY, [](DWORD p, DWORD s, DWORD) { return p & s; }},
        {MERGEPAINT, [](DWORD, DWORD s, DWORD d) { return ~s | d; }},
        {PATCOPY, [](DWORD p, DWORD, DWORD) { return p; }},
        {PATPAINT, [](DWORD p, DWORD s, DWORD d) { return p | ~s | d; }},
        {PATINVERT, [](DWORD p, DWORD, DWORD d) { return p ^ d; }},
        {DSTINVERT, [](DWORD, DWORD, DWORD d) { return ~d; }},
        {BLACKNESS, [](DWORD, DWORD, DWORD) { return 0u; }},
        {WHITENESS, [](DWORD, DWORD, DWORD) { return 0xFFFFFFu; }},
    };
    for (const Case& c : cases) {
        for (DWORD p : {0x00u, 0xFFu, 0xA5u}) {
            for (DWORD s : {0x00u, 0xFFu, 0x3Cu}) {
                for (DWORD d : {0x00u, 0xFFu, 0x69u}) {
                    EXPECT_EQ(ApplyRop3(c.rop, p, s, d) & 0xFF, c.formula(p, s, d) & 0xFF) << std::hex << c.rop;
                }
            }
        }
    }
}

TEST(GdiRaster, MonochromeBlitsUseTheDcColours)
{
    // Monochrome to colour: black takes the text colour, white the background colour.
    HDC monoDc = CreateCompatibleDC(nullptr);
    HBITMAP mono = CreateCompatibleBitmap(monoDc, 2, 1);
    BITMAP bm{};
    ASSERT_EQ(GetObjectW(mono, sizeof(bm), &bm), int(sizeof(bm)));
    EXPECT_EQ(bm.bmBitsPixel, 1);
    HGDIOBJ oldMono = SelectObject(monoDc, mono);
    SetPixel(monoDc, 0, 0, RGB(0, 0, 0));
    SetPixel(monoDc, 1, 0, RGB(255, 255, 255));
    MemoryCanvas color(2, 1);
    SetTextColor(color.dc(), RGB(200, 0, 0));
    SetBkColor(color.dc(), RGB(0, 0, 200));
    BitBlt(color.dc(), 0, 0, 2, 1, monoDc, 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(color.dc(), 0, 0), RGB(200, 0, 0));
    EXPECT_EQ(GetPixel(color.dc(), 1, 0), RGB(0, 0, 200));

    // Colour to monochrome: the source's background colour becomes white, the rest black.
    SetPixel(color.dc(), 0, 0, RGB(10, 20, 30));
    SetPixel(color.dc(), 1, 0, RGB(255, 0, 255));
    SetBkColor(color.dc(), RGB(255, 0, 255));
    BitBlt(monoDc, 0, 0, 2, 1, color.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(monoDc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(monoDc, 1, 0), RGB(255, 255, 255));
    SelectObject(monoDc, oldMono);
    DeleteObject(mono);
    DeleteDC(monoDc);
}

TEST(GdiRaster, StretchBltScalesAndMirrors)
{
    MemoryCanvas source(2, 1), target(4, 2);
    SetPixel(source.dc(), 0, 0, RGB(255, 0, 0));
    SetPixel(source.dc(), 1, 0, RGB(0, 0, 255));
    ASSERT_TRUE(StretchBlt(target.dc(), 0, 0, 4, 2, source.dc(), 0, 0, 2, 1, SRCCOPY));
    EXPECT_EQ(target.Rows(RGB(255, 0, 0), 4, 2), (std::vector<std::string>{"##..", "##.."}));
    // A negative destination width mirrors.
    ASSERT_TRUE(StretchBlt(target.dc(), 4, 0, -4, 2, source.dc(), 0, 0, 2, 1, SRCCOPY));
    EXPECT_EQ(target.Rows(RGB(255, 0, 0), 4, 2), (std::vector<std::string>{"..##", "..##"}));
}

TEST(GdiRaster, BlitWithinOneBitmapReadsThePixelsAsTheyWere)
{
    MemoryCanvas canvas(4, 1);
    const COLORREF colors[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(9, 9, 9)};
    for (int i = 0; i < 4; ++i) SetPixel(canvas.dc(), i, 0, colors[i]);
    BitBlt(canvas.dc(), 1, 0, 3, 1, canvas.dc(), 0, 0, SRCCOPY);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(GetPixel(canvas.dc(), i, 0), colors[i - 1]) << i;
}

// A 4-bit bottom-up DIB of 4 x 2 with a 2-colour table.
struct PaletteDib {
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 4, 2, 1, 4, BI_RGB, 0, 0, 0, 2, 0};
    RGBQUAD colors[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    // Stored bottom row first: bottom row indexes 1 1 0 0, top row 0 1 0 1.
    BYTE bits[8] = {0x11, 0x00, 0, 0, 0x01, 0x01, 0, 0};
    const BITMAPINFO* info() const { return reinterpret_cast<const BITMAPINFO*>(&header); }
};

TEST(GdiRaster, DibsConvertThroughTheColourTableOfTheMoment)
{
    PaletteDib dib;
    HBITMAP image = CreateDIBitmap(nullptr, &dib.header, CBM_INIT, dib.bits, dib.info(), DIB_RGB_COLORS);
    // The same bits with the table rewritten to black-and-red make a mask of other colours.
    dib.colors[1] = {0, 0, 255, 0};
    HBITMAP mask = CreateDIBitmap(nullptr, &dib.header, CBM_INIT, dib.bits, dib.info(), DIB_RGB_COLORS);
    ASSERT_TRUE(image && mask);
    MemoryCanvas canvas(4, 2);
    HDC source = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(source, image);
    BitBlt(canvas.dc(), 0, 0, 4, 2, source, 0, 0, SRCCOPY);
    EXPECT_EQ(canvas.Rows(RGB(255, 255, 255), 4, 2), (std::vector<std::string>{".#.#", "##.."}));
    SelectObject(source, mask);
    BitBlt(canvas.dc(), 0, 0, 4, 2, source, 0, 0, SRCCOPY);
    EXPECT_EQ(canvas.Rows(RGB(255, 0, 0), 4, 2), (std::vector<std::string>{".#.#", "##.."}));
    SelectObject(source, old);
    DeleteDC(source);
    DeleteObject(image);
    DeleteObject(mask);

    // StretchDIBits and SetDIBitsToDevice read the same rows the same way up.
    canvas.Fill(RGB(0, 255, 0));
    dib.colors[1] = {255, 255, 255, 0};
    ASSERT_EQ(StretchDIBits(canvas.dc(), 0, 0, 4, 2, 0, 0, 4, 2, dib.bits, dib.info(), DIB_RGB_COLORS, SRCCOPY), 2);
    EXPECT_EQ(canvas.Rows(RGB(255, 255, 255), 4, 2), (std::vector<std::string>{".#.#", "##.."}));
    canvas.Fill(RGB(0, 255, 0));
    ASSERT_EQ(SetDIBitsToDevice(canvas.dc(), 0, 0, 4, 2, 0, 0, 0, 2, dib.bits, dib.info(), DIB_RGB_COLORS), 2);
    EXPECT_EQ(canvas.Rows(RGB(255, 255, 255), 4, 2), (std::vector<std::string>{".#.#", "##.."}));
}

TEST(GdiRaster, GetDibitsWritesRowsBackInTheAskedFormat)
{
    MemoryCanvas canvas(3, 2);
    canvas.Fill(RGB(1, 2, 3));
    SetPixel(canvas.dc(), 2, 0, RGB(255, 255, 255));
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> bits(24, 0xEE);
    // The bitmap stays selected: GetDIBits still reads it.
    ASSERT_EQ(GetDIBits(canvas.dc(), canvas.bitmap(), 0, 2, bits.data(), &info, DIB_RGB_COLORS), 2);
    // Bottom-up rows of 12 bytes (9 and padding): the white pixel is in the second stored row.
    EXPECT_EQ(bits[0], 3);
    EXPECT_EQ(bits[1], 2);
    EXPECT_EQ(bits[2], 1);
    EXPECT_EQ(bits[12 + 6], 255);
    EXPECT_EQ(bits[12 + 8], 255);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 24u);
}

TEST(GdiRaster, PackedDibsAreCheckedAgainstTheirSize)
{
    PaletteDib dib;
    std::string packed(reinterpret_cast<const char*>(&dib.header), sizeof(dib.header));
    packed.append(reinterpret_cast<const char*>(dib.colors), sizeof(dib.colors));
    packed.append(reinterpret_cast<const char*>(dib.bits), sizeof(dib.bits));
    HBITMAP whole = gdi::CreateBitmapFromPackedDib(packed.data(), packed.size());
    ASSERT_TRUE(whole);
    EXPECT_EQ(gdi::SurfacePixel(whole, 1, 0), RGB(255, 255, 255));
    EXPECT_EQ(gdi::SurfacePixel(whole, 2, 1), RGB(0, 0, 0));
    DeleteObject(whole);
    // Rows cut short, a colour table past the end, a lying header size.
    EXPECT_FALSE(gdi::CreateBitmapFromPackedDib(packed.data(), packed.size() - 1));
    EXPECT_FALSE(gdi::CreateBitmapFromPackedDib(packed.data(), sizeof(dib.header) + 4));
    std::string lying = packed;
    const DWORD huge = 0x7FFFFFFF;
    std::memcpy(lying.data(), &huge, 4);
    EXPECT_FALSE(gdi::CreateBitmapFromPackedDib(lying.data(), lying.size()));
}

TEST(GdiRaster, ShapesDrawOutlinesWithThePenAndFillWithTheBrush)
{
    MemoryCanvas canvas(7, 6);
    canvas.Fill(RGB(255, 255, 255));
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    HGDIOBJ oldPen = SelectObject(canvas.dc(), pen);
    HGDIOBJ oldBrush = SelectObject(canvas.dc(), brush);
    Rectangle(canvas.dc(), 1, 1, 6, 5);
    EXPECT_EQ(canvas.Rows(RGB(0, 0, 0), 7, 6),
              (std::vector<std::string>{".......", ".#####.", ".#...#.", ".#...#.", ".#####.", "......."}));
    EXPECT_EQ(canvas.Rows(RGB(0, 0, 255), 7, 6),
              (std::vector<std::string>{".......", ".......", "..###..", "..###..", ".......", "......."}));

    // A line leaves its last point out; a polygon fills inside its edges.
    canvas.Fill(RGB(255, 255, 255));
    MoveToEx(canvas.dc(), 0, 0, nullptr);
    LineTo(canvas.dc(), 4, 4);
    EXPECT_EQ(canvas.Rows(RGB(0, 0, 0), 5, 5), (std::vector<std::string>{"#....", ".#...", "..#..", "...#.", "....."}));

    canvas.Fill(RGB(255, 255, 255));
    SelectObject(canvas.dc(), GetStockObject(NULL_PEN));
    const POINT triangle[] = {{0, 0}, {6, 0}, {0, 6}};
    Polygon(canvas.dc(), triangle, 3);
    EXPECT_EQ(canvas.Rows(RGB(0, 0, 255), 6, 6),
              (std::vector<std::string>{"#####.", "####..", "###...", "##....", "#.....", "......"}));

    // An ellipse stays inside its box and is symmetric; the null pen leaves
    // the box's right and bottom edges out.
    canvas.Fill(RGB(255, 255, 255));
    Ellipse(canvas.dc(), 0, 0, 8, 7);
    const std::vector<std::string> ellipse = canvas.Rows(RGB(0, 0, 255), 7, 6);
    for (int y = 0; y < 6; ++y) {
        EXPECT_EQ(ellipse[std::size_t(y)],
                  std::string(ellipse[std::size_t(y)].rbegin(), ellipse[std::size_t(y)].rend()));
    }
    EXPECT_EQ(ellipse[0], "..###..");
    EXPECT_EQ(ellipse[2], "#######");
    SelectObject(canvas.dc(), oldPen);
    SelectObject(canvas.dc(), oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

TEST(GdiRaster, PathsFillAndStrokeWhatWasRecorded)
{
    MemoryCanvas canvas(6, 6);
    canvas.Fill(RGB(255, 255, 255));
    HBRUSH brush = CreateSolidBrush(RGB(0, 128, 0));
    HGDIOBJ oldBrush = SelectObject(canvas.dc(), brush);
    ASSERT_TRUE(BeginPath(canvas.dc()));
    MoveToEx(canvas.dc(), 1, 1, nullptr);
    LineTo(canvas.dc(), 5, 1);
    LineTo(canvas.dc(), 5, 5);
    LineTo(canvas.dc(), 1, 5);
    CloseFigure(canvas.dc());
    ASSERT_TRUE(EndPath(canvas.dc()));
    // Nothing is drawn while the path is recorded.
    EXPECT_EQ(GetPixel(canvas.dc(), 1, 1), RGB(255, 255, 255));
    ASSERT_TRUE(FillPath(canvas.dc()));
    EXPECT_EQ(canvas.Rows(RGB(0, 128, 0), 6, 6),
              (std::vector<std::string>{"......", ".####.", ".####.", ".####.", ".####.", "......"}));
    // The path is used up.
    EXPECT_FALSE(StrokePath(canvas.dc()));
    SelectObject(canvas.dc(), oldBrush);
    DeleteObject(brush);
}

TEST(GdiRaster, RegionsCombineAndClipDrawing)
{
    HRGN a = CreateRectRgn(0, 0, 4, 4);
    HRGN b = CreateRectRgn(2, 2, 6, 6);
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    struct Case {
        int mode;
        int kind;
        std::vector<POINT> in, out;
    };
    const Case cases[] = {
        {RGN_AND, SIMPLEREGION, {{2, 2}, {3, 3}}, {{1, 1}, {4, 4}}},
        {RGN_OR, COMPLEXREGION, {{0, 0}, {5, 5}, {3, 3}}, {{5, 0}, {0, 5}}},
        {RGN_XOR, COMPLEXREGION, {{0, 0}, {5, 5}}, {{2, 2}, {3, 3}}},
        {RGN_DIFF, COMPLEXREGION, {{0, 0}, {3, 1}, {1, 3}}, {{2, 2}, {5, 5}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CombineRgn(r, a, b, c.mode), c.kind) << c.mode;
        for (POINT p : c.in) EXPECT_TRUE(PtInRegion(r, p.x, p.y)) << c.mode << " " << p.x << "," << p.y;
        for (POINT p : c.out) EXPECT_FALSE(PtInRegion(r, p.x, p.y)) << c.mode << " " << p.x << "," << p.y;
    }
    CombineRgn(r, a, b, RGN_OR);
    RECT box{};
    EXPECT_EQ(GetRgnBox(r, &box), COMPLEXREGION);
    EXPECT_EQ(box.right, 6);
    EXPECT_EQ(CombineRgn(r, a, a, RGN_DIFF), NULLREGION);

    // Clipping: the selected region, then a rectangle cut out of it.
    MemoryCanvas canvas(6, 6);
    canvas.Fill(RGB(255, 255, 255));
    SelectClipRgn(canvas.dc(), a);
    ExcludeClipRect(canvas.dc(), 1, 1, 3, 3);
    canvas.Fill(RGB(0, 0, 0));
    EXPECT_EQ(canvas.Rows(RGB(0, 0, 0), 6, 6),
              (std::vector<std::string>{"####..", "#..#..", "#..#..", "####..", "......", "......"}));
    EXPECT_EQ(GetPixel(canvas.dc(), 5, 5), CLR_INVALID);  // outside the clip
    GetClipBox(canvas.dc(), &box);
    EXPECT_EQ(box.right, 4);
    SelectClipRgn(canvas.dc(), nullptr);
    IntersectClipRect(canvas.dc(), 4, 4, 6, 6);
    canvas.Fill(RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc(), 5, 5), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(canvas.dc(), 4, 0), CLR_INVALID);
    // The viewport origin moves drawing but not the clip, which is in device units.
    SelectClipRgn(canvas.dc(), nullptr);
    canvas.Fill(RGB(255, 255, 255));
    SetViewportOrgEx(canvas.dc(), 2, 3, nullptr);
    SetPixel(canvas.dc(), 0, 0, RGB(0, 0, 0));
    SetViewportOrgEx(canvas.dc(), 0, 0, nullptr);
    EXPECT_EQ(GetPixel(canvas.dc(), 2, 3), RGB(0, 0, 0));
    DeleteObject(a);
    DeleteObject(b);
    DeleteObject(r);
}

TEST(GdiRaster, WindowSurfaceDcsDrawAtTheirOriginInsideTheirClip)
{
    HBITMAP surface = gdi::CreateSurface(20, 10);
    const RECT clip{5, 2, 10, 6};
    HWND window = reinterpret_cast<HWND>(0x1234);
    HDC dc = gdi::GetSurfaceDC(surface, {5, 2}, &clip, window);
    ASSERT_TRUE(dc);
    EXPECT_EQ(gdi::SurfaceDCWindow(dc), window);
    const RECT all{-50, -50, 50, 50};
    FillRect(dc, &all, reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1));
    EXPECT_EQ(gdi::SurfacePixel(surface, 5, 2), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(gdi::SurfacePixel(surface, 9, 5), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(gdi::SurfacePixel(surface, 10, 5), RGB(255, 255, 255));
    EXPECT_EQ(gdi::SurfacePixel(surface, 4, 2), RGB(255, 255, 255));
    RECT box{};
    GetClipBox(dc, &box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.right, 5);
    // A window DC can neither be deleted nor take a bitmap.
    EXPECT_FALSE(DeleteDC(dc));
    HBITMAP bitmap = CreateBitmap(2, 2, 1, 32, nullptr);
    EXPECT_EQ(SelectObject(dc, bitmap), nullptr);
    DeleteObject(bitmap);
    EXPECT_TRUE(gdi::ReleaseSurfaceDC(dc));
    gdi::DeleteSurface(surface);
}

TEST(GdiRaster, DrawFocusRectTwiceRestoresThePixels)
{
    MemoryCanvas canvas(6, 6);
    canvas.Fill(RGB(10, 20, 30));
    const RECT r{0, 0, 6, 6};
    DrawFocusRect(canvas.dc(), &r);
    EXPECT_EQ(GetPixel(canvas.dc(), 0, 0), RGB(245, 235, 225));
    EXPECT_EQ(GetPixel(canvas.dc(), 1, 0), RGB(10, 20, 30));
    DrawFocusRect(canvas.dc(), &r);
    EXPECT_EQ(canvas.Rows(RGB(10, 20, 30), 6, 6), std::vector<std::string>(6, "######"));
}

TEST(GdiRaster, AccountingTracksObjectsAndDcs)
{
    const gdi::Accounting before = gdi::GetAccounting();
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(1, 2, 3));
    HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    // A selected object is not deleted; the refusal is counted.
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(GetObjectType(pen), OBJ_PEN);
    EXPECT_EQ(gdi::LiveObjects().size(), 2u);
    SelectObject(dc, oldPen);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_TRUE(DeleteObject(brush));
    // Stock objects survive deletion.
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), OBJ_BRUSH);
    EXPECT_TRUE(DeleteDC(dc));
    HDC window = gdi::GetSurfaceDC(nullptr, {0, 0}, nullptr, nullptr);
    EXPECT_EQ(gdi::LiveDCs().size(), 1u);
    gdi::ReleaseSurfaceDC(window);
    // Dead handles answer as failures and are counted; handles are not reused.
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(SelectObject(dc, brush), nullptr);
    HPEN again = CreatePen(PS_SOLID, 1, 0);
    EXPECT_NE(again, pen);
    DeleteObject(again);

    const gdi::Accounting after = gdi::GetAccounting();
    EXPECT_EQ(after.objectsCreated - before.objectsCreated, 3);
    EXPECT_EQ(after.objectsDeleted - before.objectsDeleted, 3);
    EXPECT_EQ(after.deletesRefused - before.deletesRefused, 1);
    EXPECT_EQ(after.memoryDCsCreated - before.memoryDCsCreated, 1);
    EXPECT_EQ(after.memoryDCsDeleted - before.memoryDCsDeleted, 1);
    EXPECT_EQ(after.dcsGot - before.dcsGot, 1);
    EXPECT_EQ(after.dcsReleased - before.dcsReleased, 1);
    EXPECT_EQ(after.badHandleCalls - before.badHandleCalls, 2);
    EXPECT_TRUE(gdi::LiveObjects().empty());
    EXPECT_TRUE(gdi::LiveDCs().empty());
}

TEST(GdiRaster, ObjectsReportTheirRecords)
{
    LOGFONTW lf{};
    lf.lfHeight = -12;
    lf.lfWeight = FW_BOLD;
    std::u16string face = u"Arial";
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    HFONT font = CreateFontIndirectW(&lf);
    LOGFONTW back{};
    EXPECT_EQ(GetObjectW(font, sizeof(back), &back), int(sizeof(LOGFONTW)));
    EXPECT_EQ(std::u16string(back.lfFaceName), u"Arial");
    EXPECT_EQ(back.lfWeight, FW_BOLD);
    EXPECT_EQ(GetObjectW(font, 0, nullptr), int(sizeof(LOGFONTW)));

    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 3, 2, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(section && bits);
    // A bottom-up section: the first stored row is the bottom one.
    static_cast<DWORD*>(bits)[0] = 0x00FF0000;
    EXPECT_EQ(gdi::SurfacePixel(section, 0, 1), RGB(255, 0, 0));
    DIBSECTION ds{};
    EXPECT_EQ(GetObjectW(section, sizeof(ds), &ds), int(sizeof(ds)));
    EXPECT_EQ(ds.dsBm.bmBits, bits);
    EXPECT_EQ(ds.dsBmih.biHeight, 2);
    DeleteObject(section);
    DeleteObject(font);
}

TEST(GdiRaster, PaletteDisplayQuantisesColours)
{
    HDC display = gdi::GetSurfaceDC(nullptr, {0, 0}, nullptr, nullptr);
    EXPECT_EQ(GetNearestColor(display, RGB(1, 2, 3)), RGB(1, 2, 3));
    EXPECT_EQ(GetDeviceCaps(display, RASTERCAPS) & RC_PALETTE, 0);
    gdi::ReleaseSurfaceDC(display);

    machine::Profile profile;
    profile.paletteDisplay = true;
    TestMachine machine(profile);
    display = gdi::GetSurfaceDC(nullptr, {0, 0}, nullptr, nullptr);
    EXPECT_NE(GetDeviceCaps(display, RASTERCAPS) & RC_PALETTE, 0);
    EXPECT_EQ(GetDeviceCaps(display, BITSPIXEL), 8);
    EXPECT_EQ(GetNearestColor(display, RGB(250, 10, 5)), RGB(255, 0, 0));
    EXPECT_EQ(GetNearestColor(display, RGB(120, 125, 130)), RGB(128, 128, 128));

    // Palette-index colours come from the DC's palette.
    struct {
        LOGPALETTE head;
        PALETTEENTRY more[1];
    } log{{0x300, 2, {{10, 20, 30, 0}}}, {{40, 50, 60, 0}}};
    HPALETTE palette = CreatePalette(&log.head);
    HPALETTE old = SelectPalette(display, palette, FALSE);
    EXPECT_EQ(RealizePalette(display), 2u);
    EXPECT_EQ(GetNearestPaletteIndex(palette, RGB(41, 49, 60)), 1u);
    SelectPalette(display, old, FALSE);
    DeleteObject(palette);
    gdi::ReleaseSurfaceDC(display);
}

}  // namespace
}  // namespace vexl::test
