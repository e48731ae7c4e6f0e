// What the package's printer offers, as DrvDeviceCapabilities and the
// settings interface ask it: every list in both passes answers the trays,
// papers and resolutions that the package description declares.
#include "common/core/items.h"
#include "common/core/units.h"
#include "common/model/capabilities.h"
#include "common/storage/resources.h"

#include "support/integration_fixture.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

// The package description's trays and papers, in the order declared.
const std::vector<std::uint16_t> kPackageTrays = {7, 1, 3, 2, 256, 4};
const std::vector<std::uint16_t> kPackagePapers = {9, 1, 5, 8, 11, 13, 256, 384, 385};
// PageMMValue of the papers that are neither custom nor free sizes.
struct DeclaredSize {
    std::uint16_t paper;
    std::int32_t width;
    std::int32_t length;
};
constexpr DeclaredSize kDeclaredSizes[] = {{9, 2100, 2970}, {1, 2159, 2794},  {5, 2159, 3556},
                                           {8, 2970, 4200}, {11, 1480, 2100}, {13, 1820, 2570}};

class PackageCapabilities : public DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        context_ = Create(kCallerDeviceCapabilities);
        ASSERT_NE(context_, nullptr);
    }
    void TearDown() override
    {
        if (context_) ReleaseDriverContext(context_, kReleaseDestroy);
        DriverPrinterTest::TearDown();
    }

    // Both passes of a list: the count, then the entries, nothing past them.
    template <typename T, typename Query> std::vector<T> BothPasses(Query query, std::size_t perEntry = 1)
    {
        const std::int32_t count = query(nullptr);
        EXPECT_GT(count, 0);
        if (count <= 0) return {};
        std::vector<T> out((count + 1) * perEntry);
        std::memset(static_cast<void*>(out.data()), 0x5A, out.size() * sizeof(T));
        EXPECT_EQ(query(out.data()), count);
        const auto* spare = reinterpret_cast<const std::uint8_t*>(out.data() + count * perEntry);
        for (std::size_t i = 0; i < perEntry * sizeof(T); ++i) EXPECT_EQ(spare[i], 0x5A) << "written past the count";
        out.resize(count * perEntry);
        return out;
    }
    template <typename Query> std::vector<std::u16string> Names(Query query, std::uint32_t nameChars)
    {
        const std::vector<WCHAR> slots = BothPasses<WCHAR>(query, nameChars);
        std::vector<std::u16string> names;
        for (std::size_t at = 0; at < slots.size(); at += nameChars) {
            const std::u16string slot(slots.data() + at, nameChars);
            names.push_back(slot.substr(0, slot.find(u'\0')));
        }
        return names;
    }
    std::u16string UiString(std::uint32_t id, int chars)
    {
        std::vector<WCHAR> text(chars, 0);
        LoadUiString(context_, id, text.data(), chars, TRUE);
        return text.data();
    }
    std::vector<std::int32_t> Resolutions(std::uint16_t mode)
    {
        return BothPasses<std::int32_t>([&](std::int32_t* out) { return ListResolutions(context_, out, mode); },
                                        mode == kResolutionCodes ? 1 : 2);
    }

    DriverContext* context_ = nullptr;
};

TEST_F(PackageCapabilities, TraysAsDeclared)
{
    EXPECT_EQ(BothPasses<std::uint16_t>([&](std::uint16_t* out) { return ListTrayIds(context_, out, 0); }),
              kPackageTrays);
    // DC_BINNAMES: 24 characters a name, each the UI string of its option;
    // every tray has a name of its own, none a paper's.
    const std::vector<std::u16string> names =
        Names([&](WCHAR* out) { return ListTrayNames(context_, out, 24, 0); }, 24);
    const std::vector<std::u16string> expected = {u"Automatic selection", u"Tray 1", u"Tray 2",
                                                  u"Tray 3",              u"Tray 4", u"Bypass tray"};
    EXPECT_EQ(names, expected);
}

TEST_F(PackageCapabilities, PapersAsDeclared)
{
    EXPECT_EQ(BothPasses<std::uint16_t>([&](std::uint16_t* out) { return ListPaperIds(context_, out, dmPaperSize); }),
              kPackagePapers);

    // DC_PAPERNAMES: 64 characters a name; the custom sizes by their slots.
    const std::vector<std::u16string> names =
        Names([&](WCHAR* out) { return ListPaperNames(context_, out, 64, dmPaperSize); }, 64);
    ASSERT_EQ(names.size(), kPackagePapers.size());
    EXPECT_EQ(names[0], u"A4");
    EXPECT_EQ(names[4], u"A5");
    EXPECT_EQ(names[6], u"User defined size");
    for (int slot = 0; slot < 2; ++slot) {
        WCHAR expected[65] = {};
        char name[65] = {};
        std::memcpy(name, context_->workArea->paperTable[slot].displayName, 64);
        for (int i = 0; name[i]; ++i) expected[i] = static_cast<unsigned char>(name[i]);
        EXPECT_FALSE(names[7 + slot].empty());
        EXPECT_EQ(names[7 + slot], std::u16string(expected)) << "custom size " << slot + 1;
    }

    // DC_PAPERSIZE in 0.1 mm.
    const std::vector<POINT> sizes =
        BothPasses<POINT>([&](POINT* out) { return ListPaperSizes(context_, out, dmPaperSize); });
    ASSERT_EQ(sizes.size(), kPackagePapers.size());
    for (const DeclaredSize& declared : kDeclaredSizes) {
        const auto at =
            std::find(kPackagePapers.begin(), kPackagePapers.end(), declared.paper) - kPackagePapers.begin();
        EXPECT_EQ(sizes[at].x, declared.width) << declared.paper;
        EXPECT_EQ(sizes[at].y, declared.length) << declared.paper;
    }
    const PaperSizeRow& freeSize = context_->workArea->paperTable[10];
    EXPECT_EQ(sizes[6].x, static_cast<std::int32_t>(DotsToUnits(kUnitTenthMm, freeSize.width, 1200)));
    EXPECT_EQ(sizes[6].y, static_cast<std::int32_t>(DotsToUnits(kUnitTenthMm, freeSize.length, 1200)));
    const PaperSizeRow& custom2 = context_->workArea->paperTable[1];
    EXPECT_EQ(sizes[8].x, static_cast<std::int32_t>(DotsToUnits(kUnitTenthMm, custom2.width, 1200)));
}

TEST_F(PackageCapabilities, ResolutionsAndOptionValuesAsDeclared)
{
    // rdmDstResolutionW: 300, 600 and 1200 dpi.
    EXPECT_EQ(Resolutions(kResolutionCodes), (std::vector<std::int32_t>{1, 3, 4}));
    EXPECT_EQ(Resolutions(kResolutionPairs), (std::vector<std::int32_t>{300, 300, 600, 600, 1200, 1200}));
    EXPECT_EQ(BothPasses<std::int32_t>([&](std::int32_t* out) { return ListResolutionCodes(context_, out); }),
              (std::vector<std::int32_t>{1, 3, 4}));
    // N-up, staple and media types as PickOne values.
    EXPECT_EQ(
        BothPasses<std::int32_t>([&](std::int32_t* out) { return ListPickOneValues(context_, out, rdmNUPPOSTKind); }),
        (std::vector<std::int32_t>{2, 4, 6, 8, 9, 16}));
    EXPECT_EQ(
        BothPasses<std::int32_t>([&](std::int32_t* out) { return ListItemOptionValues(context_, out, rdmStapleType); }),
        (std::vector<std::int32_t>{1, 2, 3, 4}));
    EXPECT_EQ(ListPaperIds(context_, nullptr, rdmOutPaperSize), 6);
    // The trays a chapter may name, by their tray values.
    EXPECT_EQ(
        BothPasses<std::int32_t>([&](std::int32_t* out) { return ListPickOneValues(context_, out, wdmChapterTray); }),
        (std::vector<std::int32_t>{1, 3, 2, 256, 4}));
}

TEST_F(PackageCapabilities, SingleAnswers)
{
    EXPECT_EQ(GetMaxCopies(context_), 999);
    EXPECT_EQ(GetLandscapeAngle(context_), 90u);
    for (std::uint16_t item :
         {dmCopies, dmCollate, dmDuplex, rdmFuncSelectDuplex, rdmFuncSelectNup, rdmFuncSelectStaple, dmDitherType})
        EXPECT_EQ(HasUiEntry(context_, 0, item), 1) << item;
    EXPECT_EQ(HasUiEntry(context_, 0, rdmFuncSelectPunch), 0);

    std::int16_t min[2] = {}, max[2] = {};
    EXPECT_EQ(GetScaleRange(context_, min, max), 1);
    EXPECT_EQ(min[0], 20);
    EXPECT_EQ(max[1], 400);
    POINTS smallest{};
    EXPECT_EQ(GetMinExtentPacked(context_, &smallest), (1000u << 16) | 1000u);

    // The duplex unit is an installed option of the printer.
    EXPECT_EQ(HasDuplexUnit(context_), 0);
    SetItemValue(context_, rdmSourceOptionTypeDuplex, 1);
    EXPECT_EQ(HasDuplexUnit(context_), 1);
}

}  // namespace
}  // namespace vexl::test
