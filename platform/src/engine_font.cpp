// Fonts and strings the engine renders for the driver, text drawn into
// engine bitmaps, resources, code pages, local time and MulDiv.
#include "engine_objects.h"
#include "platform/engine.h"
#include "platform/kernel.h"
#include "platform/text.h"
#include "resource_files.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <tuple>

namespace vexl::engine {

// ---- Fonts ----------------------------------------------------------------------------------------

struct Font::Record : FONTOBJ {
    std::vector<std::uint64_t> ifi;  // IFIMETRICS, then the face name
    XformRecord xform;
    std::map<HGLYPH, Glyph> glyphs;
    std::map<HGLYPH, std::vector<std::uint64_t>> bits;  // GLYPHBITS of each glyph
    std::set<HGLYPH> refused;
    GLYPHDATA data{};
    PathRecord outline;
};

namespace {

// Metrics of the synthetic font, in font units of a 2048 em.
void FillMetrics(IFIMETRICS& ifi, std::size_t nameOffset, std::size_t total)
{
    ifi.cjThis = static_cast<ULONG>(total);
    ifi.dpwszFamilyName = static_cast<PTRDIFF>(nameOffset);
    ifi.dpwszStyleName = static_cast<PTRDIFF>(nameOffset);
    ifi.dpwszFaceName = static_cast<PTRDIFF>(nameOffset);
    ifi.dpwszUniqueName = static_cast<PTRDIFF>(nameOffset);
    ifi.jWinCharSet = 0;
    ifi.jWinPitchAndFamily = VARIABLE_PITCH | FF_ROMAN;
    ifi.usWinWeight = FW_NORMAL;
    ifi.flInfo = FM_INFO_TECH_TRUETYPE | FM_INFO_ARB_XFORMS | FM_INFO_RETURNS_BITMAPS | FM_INFO_RETURNS_OUTLINES;
    ifi.fsSelection = FM_SEL_REGULAR;
    ifi.fwdUnitsPerEm = 2048;
    ifi.fwdLowestPPEm = 9;
    ifi.fwdWinAscender = 1638;
    ifi.fwdWinDescender = 410;
    ifi.fwdMacAscender = 1638;
    ifi.fwdMacDescender = -410;
    ifi.fwdTypoAscender = 1638;
    ifi.fwdTypoDescender = -410;
    ifi.fwdTypoLineGap = 67;
    ifi.fwdAveCharWidth = 1024;
    ifi.fwdMaxCharInc = 2048;
    ifi.fwdCapHeight = 1434;
    ifi.fwdXHeight = 1024;
    ifi.fwdUnderscoreSize = 102;
    ifi.fwdUnderscorePosition = -205;
    ifi.fwdStrikeoutSize = 102;
    ifi.fwdStrikeoutPosition = 530;
    ifi.chFirstChar = 0x20;
    ifi.chLastChar = 0xFF;
    ifi.chDefaultChar = 0x1F;
    ifi.chBreakChar = 0x20;
    ifi.wcFirstChar = 0x20;
    ifi.wcLastChar = 0xFFFF;
    ifi.wcDefaultChar = 0x20;
    ifi.wcBreakChar = 0x20;
    ifi.ptlBaseline = POINTL{1, 0};
    ifi.ptlAspect = POINTL{1, 1};
    ifi.ptlCaret = POINTL{0, 1};
    ifi.rclFontBox = RECTL{0, 1638, 2048, -410};
}

std::vector<std::uint64_t> GlyphBitsOf(const Glyph& glyph)
{
    const std::size_t bytes = offsetof(GLYPHBITS, aj) + std::max<std::size_t>(glyph.bits.size(), 1);
    std::vector<std::uint64_t> storage((bytes + 7) / 8, 0);
    auto* bits = reinterpret_cast<GLYPHBITS*>(storage.data());
    bits->ptlOrigin = glyph.origin;
    bits->sizlBitmap = glyph.size;
    std::memcpy(reinterpret_cast<std::uint8_t*>(storage.data()) + offsetof(GLYPHBITS, aj), glyph.bits.data(),
                glyph.bits.size());
    return storage;
}

}  // namespace

Font::Font(std::u16string faceName, std::vector<Glyph> glyphs, const XFORML& notionalToDevice, ULONG iUniq)
    : record_(std::make_unique<Record>())
{
    Record& font = *record_;
    const std::size_t nameOffset = (sizeof(IFIMETRICS) + 7) / 8 * 8;
    const std::size_t total = nameOffset + (faceName.size() + 1) * sizeof(WCHAR);
    font.ifi.assign((total + 7) / 8, 0);
    auto* ifi = reinterpret_cast<IFIMETRICS*>(font.ifi.data());
    FillMetrics(*ifi, nameOffset, total);
    std::memcpy(reinterpret_cast<std::uint8_t*>(font.ifi.data()) + nameOffset, faceName.c_str(),
                (faceName.size() + 1) * sizeof(WCHAR));
    font.xform.matrix = notionalToDevice;
    font.xform.identity = false;
    for (Glyph& glyph : glyphs) {
        font.bits[glyph.hg] = GlyphBitsOf(glyph);
        font.glyphs[glyph.hg] = std::move(glyph);
    }
    font.iUniq = iUniq;
    font.iFace = 1;
    font.flFontType = FO_TYPE_TRUETYPE;
    font.sizLogResPpi = SIZEL{600, 600};
    font.ulStyleSize = 10;
    LONG widest = 0;
    for (const auto& [hg, glyph] : font.glyphs) widest = std::max(widest, glyph.size.cx);
    font.cxMax = static_cast<ULONG>(widest);
}

Font::~Font() = default;
Font::Font(Font&&) noexcept = default;
Font& Font::operator=(Font&&) noexcept = default;

FONTOBJ* Font::get()
{
    return record_.get();
}
IFIMETRICS* Font::metrics()
{
    return reinterpret_cast<IFIMETRICS*>(record_->ifi.data());
}
void Font::RefuseGlyph(HGLYPH hg)
{
    record_->refused.insert(hg);
}

const Glyph* Font::FindGlyph(HGLYPH hg) const
{
    const auto it = record_->glyphs.find(hg);
    return it == record_->glyphs.end() ? nullptr : &it->second;
}

std::vector<Glyph> SyntheticGlyphs()
{
    std::vector<Glyph> glyphs;
    auto cell = [](HGLYPH hg, LONG width, LONG height, LONG advance) {
        Glyph glyph;
        glyph.hg = hg;
        glyph.size = SIZEL{width, height};
        glyph.origin = POINTL{0, -height};
        glyph.advance = advance;
        glyph.bits.assign(std::size_t((width + 7) / 8) * height, 0);
        return glyph;
    };
    glyphs.push_back(cell(0, 8, 12, 8));  // space
    Glyph block = cell(1, 8, 12, 9);
    std::fill(block.bits.begin(), block.bits.end(), 0xFF);
    glyphs.push_back(block);
    Glyph checker = cell(2, 16, 16, 17);
    for (std::size_t i = 0; i < checker.bits.size(); ++i) checker.bits[i] = ((i / 2) % 2) ? 0x55 : 0xAA;
    glyphs.push_back(checker);
    Glyph sparse = cell(3, 64, 40, 65);  // 300 zero bytes before the first ink
    for (std::size_t i = 300; i < sparse.bits.size(); i += 7) sparse.bits[i] = 0x81;
    glyphs.push_back(sparse);
    Glyph large = cell(4, 800, 800, 801);  // 80,000 bytes of noise that does not compress
    std::uint32_t seed = 12345;
    for (auto& byte : large.bits) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<BYTE>(seed >> 16);
    }
    glyphs.push_back(large);
    // Five letters of an 8 x 12 cell: a frame, a bar, a cross and two slants.
    static constexpr BYTE kLetters[5][12] = {
        {0x00, 0x7E, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x42, 0x7E, 0x00},
        {0x00, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x18, 0x00},
        {0x00, 0x18, 0x18, 0x18, 0x18, 0xFF, 0xFF, 0x18, 0x18, 0x18, 0x18, 0x00},
        {0x00, 0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01, 0x00, 0x00, 0x00},
        {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80, 0x00, 0x00, 0x00},
    };
    for (HGLYPH i = 0; i < 5; ++i) {
        Glyph letter = cell(5 + i, 8, 12, 9);
        std::memcpy(letter.bits.data(), kLetters[i], 12);
        glyphs.push_back(letter);
    }
    return glyphs;
}

// ---- Strings ----------------------------------------------------------------------------------------

struct String::Record : STROBJ {
    std::u16string text;
    std::vector<GLYPHPOS> positions;
    ULONG batch = 0;
    std::size_t next = 0;
};

String::String(std::u16string text, std::vector<GLYPHPOS> positions, const RECTL& background, FLONG flAccel,
               ULONG charInc, bool positionsInObject, ULONG batch)
    : record_(std::make_unique<Record>())
{
    Record& string = *record_;
    string.text = std::move(text);
    string.positions = std::move(positions);
    string.batch = batch;
    string.cGlyphs = static_cast<ULONG>(string.positions.size());
    string.flAccel = flAccel;
    string.ulCharInc = charInc;
    string.rclBkGround = background;
    string.pgp = positionsInObject ? string.positions.data() : nullptr;
    string.pwszOrg = string.text.data();
}

String::~String() = default;
String::String(String&&) noexcept = default;
String& String::operator=(String&&) noexcept = default;

STROBJ* String::get()
{
    return record_.get();
}

String LayOutString(Font& font, std::u16string_view text, const std::vector<HGLYPH>& glyphs, POINTL origin, ULONG batch)
{
    std::vector<GLYPHPOS> positions;
    LONG x = origin.x;
    LONG top = origin.y, bottom = origin.y;
    for (const HGLYPH hg : glyphs) {
        positions.push_back(GLYPHPOS{hg, nullptr, POINTL{x, origin.y}});
        if (const Glyph* glyph = font.FindGlyph(hg)) {
            x += glyph->advance;
            top = std::min(top, origin.y + glyph->origin.y);
            bottom = std::max(bottom, origin.y + glyph->origin.y + glyph->size.cy);
        }
    }
    return String(std::u16string(text), std::move(positions), RECTL{origin.x, top, x, bottom}, SO_HORIZONTAL, 0,
                  batch == 0, batch);
}

// ---- Resources -----------------------------------------------------------------------------------------

namespace {

struct ResourceKey {
    HANDLE module;
    int type;
    int id;
    bool operator<(const ResourceKey& other) const
    {
        return std::tie(module, type, id) < std::tie(other.module, other.type, other.id);
    }
};

std::map<ResourceKey, std::string>& AddedResources()
{
    static auto* resources = new std::map<ResourceKey, std::string>;
    return *resources;
}

}  // namespace

void AddResource(HANDLE module, int type, int id, std::string bytes)
{
    std::lock_guard guard(EngineLock());
    AddedResources()[ResourceKey{module, type, id}] = std::move(bytes);
}

void ClearResources()
{
    std::lock_guard guard(EngineLock());
    AddedResources().clear();
}

}  // namespace vexl::engine

using namespace vexl::engine;

// ---- Font services -------------------------------------------------------------------------------------------

IFIMETRICS* FONTOBJ_pifi(FONTOBJ* pfo)
{
    return pfo ? reinterpret_cast<IFIMETRICS*>(static_cast<Font::Record*>(pfo)->ifi.data()) : nullptr;
}

XFORMOBJ* FONTOBJ_pxoGetXform(FONTOBJ* pfo)
{
    return pfo ? &static_cast<Font::Record*>(pfo)->xform : nullptr;
}

FD_GLYPHSET* FONTOBJ_pfdg(FONTOBJ*)
{
    return nullptr;
}

ULONG FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg, PVOID* ppvGlyph)
{
    if (!pfo || !phg || !ppvGlyph || cGlyph == 0 || (iMode != FO_GLYPHBITS && iMode != FO_PATHOBJ)) return 0;
    auto* font = static_cast<Font::Record*>(pfo);
    {
        std::lock_guard guard(EngineLock());
        if (ShouldFail(Service::GetGlyphs)) return 0;
    }
    const HGLYPH hg = phg[0];
    const auto glyph = font->glyphs.find(hg);
    if (glyph == font->glyphs.end() || font->refused.count(hg)) return 0;
    const Glyph& g = glyph->second;
    GLYPHDATA& data = font->data;
    data = GLYPHDATA{};
    data.hg = hg;
    data.fxD = g.advance * 16;
    data.fxA = g.origin.x * 16;
    data.fxAB = (g.origin.x + g.size.cx) * 16;
    data.fxInkTop = -g.origin.y * 16;
    data.fxInkBottom = -(g.origin.y + g.size.cy) * 16;
    data.rclInk = RECTL{g.origin.x, g.origin.y, g.origin.x + g.size.cx, g.origin.y + g.size.cy};
    data.ptqD = POINTQF{LONGLONG(g.advance) << 32, 0};
    if (iMode == FO_GLYPHBITS) {
        data.gdf.pgb = reinterpret_cast<GLYPHBITS*>(font->bits[hg].data());
    } else {
        // The outline of the glyph's box, one closed subpath, from the character's position.
        PathRecord& outline = font->outline;
        outline.subpaths.clear();
        Subpath box;
        const RECTL& r = data.rclInk;
        box.start = POINTFIX{r.left * 16, r.top * 16};
        for (const POINTFIX corner : {POINTFIX{r.right * 16, r.top * 16}, POINTFIX{r.right * 16, r.bottom * 16},
                                      POINTFIX{r.left * 16, r.bottom * 16}}) {
            Segment segment;
            segment.points[0] = corner;
            box.segments.push_back(segment);
        }
        box.closed = true;
        outline.subpaths.push_back(box);
        outline.Recount();
        data.gdf.ppo = &outline;
    }
    *ppvGlyph = &data;
    return 1;
}

void STROBJ_vEnumStart(STROBJ* pstro)
{
    if (pstro) static_cast<String::Record*>(pstro)->next = 0;
}

BOOL STROBJ_bEnum(STROBJ* pstro, ULONG* pc, GLYPHPOS** ppgpos)
{
    if (!pstro || !pc || !ppgpos) return FALSE;
    auto* string = static_cast<String::Record*>(pstro);
    const std::size_t left = string->positions.size() - std::min(string->next, string->positions.size());
    const std::size_t take = string->batch == 0 ? left : std::min<std::size_t>(string->batch, left);
    *pc = static_cast<ULONG>(take);
    *ppgpos = take ? string->positions.data() + string->next : nullptr;
    string->next += take;
    return string->next < string->positions.size() ? TRUE : FALSE;
}

BOOL EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL*, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                BRUSHOBJ* pboOpaque, POINTL*, MIX)
{
    if (!pso || !pstro || !pfo || !pso->pvScan0 || pso->iType != STYPE_BITMAP) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const RECTL bounds{0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
    if (prclOpaque && pboOpaque) {
        for (const RECTL& r : ClipRects(pco, Intersect(*prclOpaque, bounds)))
            for (LONG y = r.top; y < r.bottom; ++y)
                for (LONG x = r.left; x < r.right; ++x) SetPixel(pso, x, y, pboOpaque->iSolidColor);
    }
    const ULONG color = pboFore ? pboFore->iSolidColor : 0;
    auto* font = static_cast<Font::Record*>(pfo);
    const std::vector<RECTL> clip = ClipRects(pco, bounds);
    for (const GLYPHPOS& position : static_cast<String::Record*>(pstro)->positions) {
        const auto glyph = font->glyphs.find(position.hg);
        if (glyph == font->glyphs.end()) continue;
        const Glyph& g = glyph->second;
        const LONG rowBytes = (g.size.cx + 7) / 8;
        for (LONG j = 0; j < g.size.cy; ++j) {
            for (LONG i = 0; i < g.size.cx; ++i) {
                if (!((g.bits[std::size_t(j) * rowBytes + i / 8] >> (7 - i % 8)) & 1)) continue;
                const LONG x = position.ptl.x + g.origin.x + i, y = position.ptl.y + g.origin.y + j;
                for (const RECTL& r : clip) {
                    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
                        SetPixel(pso, x, y, color);
                        break;
                    }
                }
            }
        }
    }
    return TRUE;
}

// ---- Resources, code pages, time ---------------------------------------------------------------------------

PVOID EngFindResource(HANDLE h, int iName, int iType, ULONG* pulSize)
{
    {
        std::lock_guard guard(EngineLock());
        const auto it = AddedResources().find(ResourceKey{h, iType, iName});
        if (it != AddedResources().end()) {
            if (pulSize) *pulSize = static_cast<ULONG>(it->second.size());
            return it->second.data();
        }
    }
    if (iType >= 0 && iType <= 0xFFFF && iName >= 0) {
        const std::vector<std::uint8_t>* blob = vexl::platform::FindModuleResource(
            static_cast<HMODULE>(h), static_cast<std::uint16_t>(iType), static_cast<std::uint32_t>(iName));
        if (blob) {
            if (pulSize) *pulSize = static_cast<ULONG>(blob->size());
            return const_cast<std::uint8_t*>(blob->data());
        }
    }
    if (pulSize) *pulSize = 0;
    return nullptr;
}

void EngGetCurrentCodePage(USHORT* OemCodePage, USHORT* AnsiCodePage)
{
    if (OemCodePage) *OemCodePage = static_cast<USHORT>(GetOEMCP());
    if (AnsiCodePage) *AnsiCodePage = static_cast<USHORT>(GetACP());
}

void EngUnicodeToMultiByteN(LPSTR MultiByteString, ULONG MaxBytesInMultiByteString, ULONG* BytesInMultiByteString,
                            LPWSTR UnicodeString, ULONG BytesInUnicodeString)
{
    ULONG written = 0;
    if (MultiByteString && UnicodeString && MaxBytesInMultiByteString > 0 && BytesInUnicodeString >= 2) {
        const int chars = static_cast<int>(std::min<ULONG>(BytesInUnicodeString / 2, 0x7FFFFFFF));
        const int room = static_cast<int>(std::min<ULONG>(MaxBytesInMultiByteString, 0x7FFFFFFF));
        const int result =
            WideCharToMultiByte(CP_ACP, 0, UnicodeString, chars, MultiByteString, room, nullptr, nullptr);
        written = result > 0 ? static_cast<ULONG>(result) : (GetLastError() == ERROR_INSUFFICIENT_BUFFER ? room : 0);
    }
    if (BytesInMultiByteString) *BytesInMultiByteString = written;
}

void EngMultiByteToUnicodeN(LPWSTR UnicodeString, ULONG MaxBytesInUnicodeString, ULONG* BytesInUnicodeString,
                            LPSTR MultiByteString, ULONG BytesInMultiByteString)
{
    ULONG written = 0;
    if (UnicodeString && MultiByteString && MaxBytesInUnicodeString >= 2 && BytesInMultiByteString > 0) {
        const int bytes = static_cast<int>(std::min<ULONG>(BytesInMultiByteString, 0x7FFFFFFF));
        const int room = static_cast<int>(std::min<ULONG>(MaxBytesInUnicodeString / 2, 0x7FFFFFFF));
        const int result = MultiByteToWideChar(CP_ACP, 0, MultiByteString, bytes, UnicodeString, room);
        written = result > 0 ? static_cast<ULONG>(result) * 2
                             : (GetLastError() == ERROR_INSUFFICIENT_BUFFER ? ULONG(room) * 2 : 0);
    }
    if (BytesInUnicodeString) *BytesInUnicodeString = written;
}

void EngQueryLocalTime(ENG_TIME_FIELDS* ptf)
{
    if (!ptf) return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    *ptf = ENG_TIME_FIELDS{now.wYear,   now.wMonth,  now.wDay,          now.wHour,
                           now.wMinute, now.wSecond, now.wMilliseconds, now.wDayOfWeek};
}

int MulDiv(int nNumber, int nNumerator, int nDenominator)
{
    if (nDenominator == 0) return -1;
    const long long product = static_cast<long long>(nNumber) * nNumerator;
    long long half = nDenominator / 2;
    if (half < 0) half = -half;
    const bool negative = (product < 0) != (nDenominator < 0);
    long long magnitude = (product < 0 ? -product : product);
    const long long divisor = nDenominator < 0 ? -static_cast<long long>(nDenominator) : nDenominator;
    magnitude = (magnitude + half) / divisor;
    const long long result = negative ? -magnitude : magnitude;
    if (result > 0x7FFFFFFF || result < -0x7FFFFFFFLL - 1) return -1;
    return static_cast<int>(result);
}
