#include "graphics/device_font_data.h"

#include "common/core/le.h"
#include "platform/ddi.h"
#include "platform/text.h"

#include <cstddef>
#include <cstring>
#include <string_view>

namespace vexl {
namespace {

// One device font of the printer; metrics in units of a 1,000-unit em.
struct DeviceFontRow {
    int id;
    std::u16string_view family;
    std::u16string_view face;
    std::string_view symbolSet;
    BYTE charSet;
    BYTE pitchAndFamily;
    USHORT weight;
    ULONG flInfo;
    USHORT fsType;
    FWORD ascender;
    FWORD descender;
    FWORD aveCharWidth;
    FWORD maxCharInc;
    FWORD underscoreSize;
    FWORD underscorePosition;
    FWORD strikeoutPosition;
    RECTL fontBox;
    WCHAR defaultChar;
};

constexpr BYTE kDecorativeFamily = 0x50;
constexpr ULONG kFixedWidth = FM_INFO_CONSTANT_WIDTH | FM_INFO_INTEGER_WIDTH | FM_INFO_1BPP;

const DeviceFontRow kDeviceFonts[] = {
    // id  family     face        symbol set        charset           pitch and family          weight
    {1,
     u"明朝",
     u"明朝",
     "ROMA;J83;KATA",
     SHIFTJIS_CHARSET,
     FIXED_PITCH | FF_MODERN,
     400,
     kFixedWidth | FM_INFO_DBCS_FIXED_PITCH,
     0,
     800,
     200,
     500,
     1000,
     50,
     -100,
     300,
     {0, 800, 1000, -200},
     0x20},
    {2,
     u"@明朝",
     u"@明朝",
     "ROMA;J83V;KATA",
     SHIFTJIS_CHARSET,
     FIXED_PITCH | FF_MODERN,
     400,
     kFixedWidth | FM_INFO_DBCS_FIXED_PITCH,
     0,
     800,
     200,
     500,
     1000,
     50,
     -100,
     300,
     {0, 800, 1000, -200},
     0x20},
    {3,
     u"Line Printer",
     u"Line Printer",
     "IBML;IBM850",
     0,
     FIXED_PITCH | FF_MODERN,
     400,
     kFixedWidth,
     0,
     800,
     200,
     500,
     1000,
     50,
     -100,
     300,
     {0, 850, 1000, -250},
     0x20},
    {4,
     u"Dingbats",
     u"Dingbats",
     "DNGL;DNGR",
     2,
     VARIABLE_PITCH | kDecorativeFamily,
     400,
     FM_INFO_1BPP,
     0,
     800,
     200,
     500,
     1000,
     50,
     -100,
     300,
     {0, 800, 1000, -200},
     0x20},
};

// A run of characters and the glyph handles of a glyph set.
struct GlyphRun {
    WCHAR first;
    std::vector<HGLYPH> handles;
};

std::vector<HGLYPH> AsciiHandles()
{
    std::vector<HGLYPH> handles;
    for (HGLYPH c = 0x20; c <= 0x7E; ++c) handles.push_back(c);
    return handles;
}

struct GlyphSetRow {
    int id;
    std::vector<GlyphRun> runs;
};

std::vector<GlyphSetRow> GlyphSets()
{
    return {
        {1, {{0x20, AsciiHandles()}}},
        // The Japanese sets: ASCII, then the ideographic space (0x8640), two
        // half-width handles (high byte 0x85) and a full-width ideograph.
        {2, {{0x20, AsciiHandles()}, {0x3000, {0x8640, 0x8540, 0x8541, 0x889F}}}},
        {3, {{0x20, AsciiHandles()}}},
    };
}

void Put32(std::string& bytes, std::size_t at, std::uint32_t value)
{
    WriteLe32(reinterpret_cast<std::uint8_t*>(bytes.data()) + at, value);
}

std::string BuildFontResource(const DeviceFontRow& row)
{
    constexpr std::size_t ifiAt = 8;
    const std::size_t familyAt = (sizeof(IFIMETRICS) + 7) / 8 * 8;
    const std::size_t faceAt = familyAt + (row.family.size() + 1) * sizeof(WCHAR);
    const std::size_t ifiSize = faceAt + (row.face.size() + 1) * sizeof(WCHAR);
    const std::size_t textAt = kMinDeviceFontResource;
    const std::size_t total = (textAt + row.symbolSet.size() + 1 + 3) / 4 * 4;
    std::string bytes(total, '\0');
    if (ifiAt + ifiSize > kSymbolSetOffsetField) return {};

    IFIMETRICS ifi{};
    ifi.cjThis = static_cast<ULONG>(ifiSize);
    ifi.dpwszFamilyName = static_cast<PTRDIFF>(familyAt);
    ifi.dpwszStyleName = static_cast<PTRDIFF>(faceAt);
    ifi.dpwszFaceName = static_cast<PTRDIFF>(faceAt);
    ifi.dpwszUniqueName = static_cast<PTRDIFF>(faceAt);
    ifi.jWinCharSet = row.charSet;
    ifi.jWinPitchAndFamily = row.pitchAndFamily;
    ifi.usWinWeight = row.weight;
    ifi.flInfo = row.flInfo;
    ifi.fsSelection = FM_SEL_REGULAR;
    ifi.fsType = row.fsType;
    ifi.fwdUnitsPerEm = 1000;
    ifi.fwdLowestPPEm = 1;
    ifi.fwdWinAscender = row.ascender;
    ifi.fwdWinDescender = row.descender;
    ifi.fwdMacAscender = row.ascender;
    ifi.fwdMacDescender = static_cast<FWORD>(-row.descender);
    ifi.fwdTypoAscender = row.ascender;
    ifi.fwdTypoDescender = static_cast<FWORD>(-row.descender);
    ifi.fwdAveCharWidth = row.aveCharWidth;
    ifi.fwdMaxCharInc = row.maxCharInc;
    ifi.fwdCapHeight = 700;
    ifi.fwdXHeight = 500;
    ifi.fwdUnderscoreSize = row.underscoreSize;
    ifi.fwdUnderscorePosition = row.underscorePosition;
    ifi.fwdStrikeoutSize = row.underscoreSize;
    ifi.fwdStrikeoutPosition = row.strikeoutPosition;
    ifi.chFirstChar = 0x20;
    ifi.chLastChar = 0x7E;
    ifi.chDefaultChar = 0x20;
    ifi.chBreakChar = 0x20;
    ifi.wcFirstChar = 0x20;
    ifi.wcLastChar = 0x7E;
    ifi.wcDefaultChar = row.defaultChar;
    ifi.wcBreakChar = 0x20;
    ifi.ptlBaseline = POINTL{1, 0};
    ifi.ptlAspect = POINTL{1, 1};
    ifi.ptlCaret = POINTL{0, 1};
    ifi.rclFontBox = row.fontBox;
    std::memcpy(bytes.data() + ifiAt, &ifi, sizeof ifi);
    std::memcpy(bytes.data() + ifiAt + familyAt, row.family.data(), row.family.size() * sizeof(WCHAR));
    std::memcpy(bytes.data() + ifiAt + faceAt, row.face.data(), row.face.size() * sizeof(WCHAR));
    std::memcpy(bytes.data() + textAt, row.symbolSet.data(), row.symbolSet.size());
    Put32(bytes, 0, static_cast<std::uint32_t>(total));
    Put32(bytes, 4, static_cast<std::uint32_t>(ifiAt));
    Put32(bytes, kSymbolSetOffsetField, static_cast<std::uint32_t>(textAt));
    return bytes;
}

// An FD_GLYPHSET whose runs hold offsets in place of their handle arrays;
// the arrays follow the runs in run order.
std::string BuildGlyphSetResource(const GlyphSetRow& row)
{
    const std::size_t runsAt = offsetof(FD_GLYPHSET, awcrun);
    const std::size_t handlesAt = runsAt + row.runs.size() * sizeof(WCRUN);
    std::size_t handleCount = 0;
    for (const GlyphRun& run : row.runs) handleCount += run.handles.size();
    std::string bytes(handlesAt + handleCount * sizeof(HGLYPH), '\0');

    FD_GLYPHSET head{};
    head.cjThis = static_cast<ULONG>(bytes.size());
    head.flAccel = GS_16BIT_HANDLES;
    head.cGlyphsSupported = static_cast<ULONG>(handleCount);
    head.cRuns = static_cast<ULONG>(row.runs.size());
    std::memcpy(bytes.data(), &head, runsAt);
    std::size_t handleAt = handlesAt;
    for (std::size_t i = 0; i < row.runs.size(); ++i) {
        const GlyphRun& run = row.runs[i];
        WCRUN out{};
        out.wcLow = run.first;
        out.cGlyphs = static_cast<USHORT>(run.handles.size());
        out.phg = reinterpret_cast<HGLYPH*>(handleAt);
        std::memcpy(bytes.data() + runsAt + i * sizeof(WCRUN), &out, sizeof out);
        for (HGLYPH handle : run.handles) {
            Put32(bytes, handleAt, handle);
            handleAt += sizeof(HGLYPH);
        }
    }
    return bytes;
}

}  // namespace

std::vector<DeviceFontResource> BuildDeviceFontResources()
{
    std::vector<DeviceFontResource> resources;
    for (const DeviceFontRow& row : kDeviceFonts)
        resources.push_back({kDeviceFontResourceType, row.id, BuildFontResource(row)});
    for (const GlyphSetRow& row : GlyphSets())
        resources.push_back({kGlyphSetResourceType, row.id, BuildGlyphSetResource(row)});
    return resources;
}

}  // namespace vexl
