// Text of the in-memory GDI: glyphs drawn from the machine's font agree with
// the metrics the layout calls report, DrawTextW's layout flags, the text
// log, the installed-font enumeration, and PNG pictures of drawn surfaces.
#include "platform/gdi_surface.h"
#include "platform/machine.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <png.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

HFONT MakeFont(LONG height, LONG weight = FW_NORMAL, std::u16string face = u"Arial")
{
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    std::copy(face.begin(), face.end(), lf.lfFaceName);
    return CreateFontIndirectW(&lf);
}

// A white surface with a DC on it using a font, black text and a transparent background.
class TextCanvas {
public:
    TextCanvas(int width, int height, LONG fontHeight = -16)
    {
        surface_ = gdi::CreateSurface(width, height);
        dc_ = gdi::GetSurfaceDC(surface_, {0, 0}, nullptr, reinterpret_cast<HWND>(0x77));
        font_ = MakeFont(fontHeight);
        old_ = SelectObject(dc_, font_);
        SetBkMode(dc_, TRANSPARENT);
        gdi::ClearTextLog();
    }
    ~TextCanvas()
    {
        SelectObject(dc_, old_);
        DeleteObject(font_);
        gdi::ReleaseSurfaceDC(dc_);
        gdi::DeleteSurface(surface_);
    }
    HDC dc() const { return dc_; }
    HBITMAP surface() const { return surface_; }
    // The bounds of the pixels that are not white (empty when none).
    RECT Ink() const
    {
        const SIZE size = gdi::SurfaceSize(surface_);
        RECT ink{0, 0, 0, 0};
        for (int y = 0; y < size.cy; ++y) {
            for (int x = 0; x < size.cx; ++x) {
                if (gdi::SurfacePixel(surface_, x, y) == RGB(255, 255, 255)) continue;
                if (IsRectEmpty(&ink)) {
                    ink = {x, y, x + 1, y + 1};
                } else {
                    ink.left = std::min<LONG>(ink.left, x);
                    ink.top = std::min<LONG>(ink.top, y);
                    ink.right = std::max<LONG>(ink.right, x + 1);
                    ink.bottom = std::max<LONG>(ink.bottom, y + 1);
                }
            }
        }
        return ink;
    }
    void Clear()
    {
        const RECT all{0, 0, 10000, 10000};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }

private:
    HBITMAP surface_ = nullptr;
    HDC dc_ = nullptr;
    HFONT font_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

TEST(GdiText, GlyphPixelsAgreeWithTheMetrics)
{
    TextCanvas canvas(200, 60);
    TEXTMETRICW tm{};
    ASSERT_TRUE(GetTextMetricsW(canvas.dc(), &tm));
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GE(tm.tmHeight, 16);
    EXPECT_GT(tm.tmAveCharWidth, 4);

    const std::u16string text = u"Hamburg";
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32W(canvas.dc(), text.data(), int(text.size()), &extent));
    EXPECT_EQ(extent.cy, tm.tmHeight);
    int sum = 0;
    std::vector<ABC> abc(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        ASSERT_TRUE(GetCharABCWidthsW(canvas.dc(), text[i], text[i], &abc[i]));
        sum += abc[i].abcA + int(abc[i].abcB) + abc[i].abcC;
    }
    EXPECT_EQ(extent.cx, sum);

    ASSERT_TRUE(TextOutW(canvas.dc(), 10, 5, text.data(), int(text.size())));
    const RECT ink = canvas.Ink();
    // The first glyph starts its A width after the origin; the last ends its C width before the extent.
    EXPECT_EQ(ink.left, 10 + abc.front().abcA);
    EXPECT_EQ(ink.right, 10 + extent.cx - abc.back().abcC);
    // Ink stays in the cell; "H" reaches above the baseline's half and "g" below the baseline.
    EXPECT_GE(ink.top, 5);
    EXPECT_LT(ink.top, 5 + tm.tmAscent / 2);
    EXPECT_GT(ink.bottom, 5 + tm.tmAscent);
    EXPECT_LE(ink.bottom, 5 + tm.tmHeight);

    const std::vector<gdi::TextOp> log = gdi::TextLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].text, text);
    EXPECT_TRUE(EqualRect(&log[0].inked, &ink));
    EXPECT_EQ(log[0].window, reinterpret_cast<HWND>(0x77));
    EXPECT_EQ(log[0].face, u"Arial");
    EXPECT_EQ(log[0].height, -16);
    EXPECT_EQ(log[0].call, gdi::TextCall::textOut);
}

TEST(GdiText, AlignmentAndOpaqueBackgroundFollowTheExtent)
{
    TextCanvas canvas(200, 60);
    const std::u16string text = u"Wq";
    SIZE extent{};
    GetTextExtentPoint32W(canvas.dc(), text.data(), 2, &extent);
    TEXTMETRICW tm{};
    GetTextMetricsW(canvas.dc(), &tm);
    SetBkMode(canvas.dc(), OPAQUE);
    SetBkColor(canvas.dc(), RGB(0, 0, 255));
    SetTextColor(canvas.dc(), RGB(255, 255, 0));
    // Right and baseline alignment: the cell ends at x and its baseline lies at y.
    SetTextAlign(canvas.dc(), TA_RIGHT | TA_BASELINE);
    TextOutW(canvas.dc(), 150, 40, text.data(), 2);
    const RECT cell{150 - extent.cx, 40 - tm.tmAscent, 150, 40 - tm.tmAscent + tm.tmHeight};
    const RECT drawn = canvas.Ink();
    EXPECT_TRUE(EqualRect(&drawn, &cell));
    EXPECT_EQ(gdi::SurfacePixel(canvas.surface(), cell.left, cell.top), RGB(0, 0, 255));
    // ExtTextOutW clips to its rectangle.
    canvas.Clear();
    SetTextAlign(canvas.dc(), TA_LEFT | TA_TOP);
    SetBkMode(canvas.dc(), TRANSPARENT);
    const RECT clip{0, 0, 20, 60};
    ExtTextOutW(canvas.dc(), 10, 10, ETO_CLIPPED, &clip, text.data(), 2, nullptr);
    EXPECT_EQ(canvas.Ink().right, 20);
}

TEST(GdiText, DrawTextLaysOutByItsFlags)
{
    TextCanvas canvas(300, 200);
    TEXTMETRICW tm{};
    GetTextMetricsW(canvas.dc(), &tm);
    auto extentOf = [&](std::u16string_view s) {
        SIZE size{};
        GetTextExtentPoint32W(canvas.dc(), s.data(), int(s.size()), &size);
        return int(size.cx);
    };

    // One line measured: the prefix is not counted.
    RECT calc{10, 20, 10, 20};
    EXPECT_EQ(DrawTextW(canvas.dc(), u"&Save as", -1, &calc, DT_SINGLELINE | DT_CALCRECT), tm.tmHeight);
    EXPECT_EQ(calc.right, 10 + extentOf(u"Save as"));
    EXPECT_EQ(calc.bottom, 20 + tm.tmHeight);
    EXPECT_EQ(canvas.Ink().right, 0);  // measuring draws nothing

    // Word breaks: every line fits the width, and the height counts them.
    const std::u16string words = u"the quick brown fox jumps over the lazy dog";
    RECT wrap{0, 0, 90, 0};
    const int height = DrawTextW(canvas.dc(), words.data(), int(words.size()), &wrap, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_GT(height, tm.tmHeight * 2);
    EXPECT_EQ(height % tm.tmHeight, 0);
    EXPECT_LE(wrap.right, 90);
    RECT box{0, 0, 90, 200};
    DrawTextW(canvas.dc(), words.data(), int(words.size()), &box, DT_WORDBREAK);
    RECT ink = canvas.Ink();
    EXPECT_LE(ink.right, 90);
    EXPECT_LE(ink.bottom, height);
    EXPECT_GT(ink.bottom, height - tm.tmHeight);

    // Centred in both directions: the same margins each side, within a pixel of rounding.
    canvas.Clear();
    RECT centre{0, 0, 300, 100};
    const int offset = DrawTextW(canvas.dc(), u"mmmm", -1, &centre, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    EXPECT_EQ(offset, (100 - tm.tmHeight) / 2 + tm.tmHeight);
    ink = canvas.Ink();
    EXPECT_LE(std::abs((ink.left - 0) - (300 - ink.right)), 2);

    // Right alignment and the end ellipsis, which also rewrites the caller's text.
    canvas.Clear();
    std::u16string longText = u"A label far too long for its box";
    RECT narrow{0, 0, 80, 30};
    DrawTextW(canvas.dc(), longText.data(), int(longText.size()), &narrow,
              DT_SINGLELINE | DT_RIGHT | DT_END_ELLIPSIS | DT_MODIFYSTRING);
    const std::u16string shortened(longText.c_str());
    EXPECT_EQ(shortened.substr(shortened.size() - 3), u"...");
    EXPECT_LE(extentOf(shortened), 80);
    EXPECT_LE(canvas.Ink().right, 80);
    EXPECT_GE(canvas.Ink().right, 80 - 3);

    // A path keeps its last component.
    std::u16string path = u"C:\\Documents\\Settings\\Printers\\profile.ini";
    RECT pathBox{0, 0, 120, 30};
    DrawTextW(canvas.dc(), path.data(), int(path.size()), &pathBox,
              DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_MODIFYSTRING | DT_CALCRECT);
    EXPECT_NE(std::u16string(path.c_str()).find(u"...\\profile.ini"), std::u16string::npos);

    // The prefix underlines its character only: below "S" of "&Save" but not below "v".
    canvas.Clear();
    RECT prefix{0, 0, 200, 40};
    DrawTextW(canvas.dc(), u"&Save", -1, &prefix, DT_SINGLELINE);
    const int underline = canvas.Ink().bottom - 1;
    EXPECT_GE(underline, tm.tmAscent);
    EXPECT_NE(gdi::SurfacePixel(canvas.surface(), 2, underline), RGB(255, 255, 255));
    EXPECT_EQ(gdi::SurfacePixel(canvas.surface(), extentOf(u"Sa") + 2, underline), RGB(255, 255, 255));
}

TEST(GdiText, BoldAndSizeChangeTheMetrics)
{
    TextCanvas canvas(10, 10);
    HDC dc = canvas.dc();
    const std::u16string text = u"Printer";
    SIZE regular{}, bold{}, large{};
    GetTextExtentPoint32W(dc, text.data(), int(text.size()), &regular);
    HFONT boldFont = MakeFont(-16, FW_BOLD);
    HGDIOBJ old = SelectObject(dc, boldFont);
    GetTextExtentPoint32W(dc, text.data(), int(text.size()), &bold);
    HFONT largeFont = MakeFont(30);  // a cell height of 30
    SelectObject(dc, largeFont);
    GetTextExtentPoint32W(dc, text.data(), int(text.size()), &large);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    EXPECT_EQ(tm.tmHeight, 30);
    EXPECT_GT(bold.cx, regular.cx);
    EXPECT_GT(large.cx, bold.cx);
    SelectObject(dc, old);
    DeleteObject(boldFont);
    DeleteObject(largeFont);
}

struct Seen {
    std::vector<std::u16string> faces;
    std::vector<DWORD> types;
    std::size_t stopAfter = 100;
};

int Collect(const LOGFONTW* lf, const TEXTMETRICW* tm, DWORD type, LPARAM lParam)
{
    auto* seen = reinterpret_cast<Seen*>(lParam);
    seen->faces.push_back(lf->lfFaceName);
    seen->types.push_back(type);
    EXPECT_GT(tm->tmHeight, 0);
    return seen->faces.size() < seen->stopAfter ? 1 : 0;
}

TEST(GdiText, EnumerationListsTheProfileFamiliesInOrder)
{
    machine::Profile profile;
    profile.fonts = {{u"Arial", TRUETYPE_FONTTYPE, 0, "DejaVuSans"},
                     {u"@Vertical", TRUETYPE_FONTTYPE, 128, "DejaVuSans"},
                     {u"Fixedsys", RASTER_FONTTYPE, 0, "DejaVuSansMono"}};
    TestMachine machine(profile);
    Seen all;
    EXPECT_EQ(EnumFontFamiliesW(nullptr, nullptr, Collect, reinterpret_cast<LPARAM>(&all)), 1);
    EXPECT_EQ(all.faces, (std::vector<std::u16string>{u"Arial", u"@Vertical", u"Fixedsys"}));
    EXPECT_EQ(all.types, (std::vector<DWORD>{TRUETYPE_FONTTYPE, TRUETYPE_FONTTYPE, RASTER_FONTTYPE}));

    Seen first;
    first.stopAfter = 1;
    EXPECT_EQ(EnumFontFamiliesW(nullptr, nullptr, Collect, reinterpret_cast<LPARAM>(&first)), 0);
    EXPECT_EQ(first.faces.size(), 1u);

    Seen japanese;
    LOGFONTW query{};
    query.lfCharSet = 128;
    EnumFontFamiliesExW(nullptr, &query, Collect, reinterpret_cast<LPARAM>(&japanese), 0);
    EXPECT_EQ(japanese.faces, std::vector<std::u16string>{u"@Vertical"});

    Seen one;
    EnumFontFamiliesW(nullptr, u"fixedsys", Collect, reinterpret_cast<LPARAM>(&one));
    EXPECT_EQ(one.faces, std::vector<std::u16string>{u"Fixedsys"});

    // Without Arial installed, text in Arial is still drawn with the profile's font.
    profile.fonts.erase(profile.fonts.begin());
    machine::SaveProfile(profile);
    Seen rest;
    EnumFontFamiliesW(nullptr, nullptr, Collect, reinterpret_cast<LPARAM>(&rest));
    EXPECT_EQ(rest.faces.size(), 2u);
    TextCanvas canvas(100, 30);
    TextOutW(canvas.dc(), 2, 2, u"Arial", 5);
    const RECT ink = canvas.Ink();
    EXPECT_FALSE(IsRectEmpty(&ink));
}

// Decodes a PNG into RGB rows.
struct Decoded {
    png_uint_32 width = 0, height = 0;
    std::vector<BYTE> rgb;
    COLORREF At(int x, int y) const
    {
        const BYTE* p = &rgb[(std::size_t(y) * width + std::size_t(x)) * 3];
        return RGB(p[0], p[1], p[2]);
    }
};

Decoded DecodePng(const std::string& bytes)
{
    Decoded out;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return out;
    image.format = PNG_FORMAT_RGB;
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) return out;
    out.width = image.width;
    out.height = image.height;
    return out;
}

TEST(GdiText, PicturesOfSurfacesShowTextAndShapes)
{
    TextCanvas canvas(160, 60);
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    const RECT all{0, 0, 160, 60};
    FillRect(canvas.dc(), &all, face);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ oldBrush = SelectObject(canvas.dc(), red);
    Ellipse(canvas.dc(), 110, 10, 150, 50);
    RECT label{8, 8, 100, 52};
    DrawTextW(canvas.dc(), u"Paper: A4", -1, &label, DT_SINGLELINE | DT_VCENTER);
    SelectObject(canvas.dc(), oldBrush);
    DeleteObject(red);

    const TemporaryFolder folder("vexl-gdi-picture");
    const std::filesystem::path file = folder / "picture.png";
    ASSERT_TRUE(gdi::WritePng(canvas.surface(), file));
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const Decoded picture = DecodePng(bytes);
    ASSERT_EQ(picture.width, 160u);
    ASSERT_EQ(picture.height, 60u);
    EXPECT_EQ(picture.At(0, 0), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(picture.At(130, 30), RGB(255, 0, 0));
    EXPECT_EQ(picture.At(130, 10), RGB(0, 0, 0));  // the pen's outline
    // The text's ink is dark in the picture where the log says it is.
    const std::vector<gdi::TextOp> log = gdi::TextLog();
    ASSERT_EQ(log.size(), 1u);
    int dark = 0;
    for (LONG y = log[0].inked.top; y < log[0].inked.bottom; ++y) {
        for (LONG x = log[0].inked.left; x < log[0].inked.right; ++x) dark += picture.At(x, y) == RGB(0, 0, 0);
    }
    EXPECT_GT(dark, 20);

    // A part of the surface.
    const RECT part{110, 10, 150, 50};
    const Decoded piece = DecodePng(gdi::EncodePng(canvas.surface(), &part));
    EXPECT_EQ(piece.width, 40u);
    EXPECT_EQ(piece.At(20, 20), RGB(255, 0, 0));
}

}  // namespace
}  // namespace vexl::test
