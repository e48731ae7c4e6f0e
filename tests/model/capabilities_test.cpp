// What the model offers: the two-pass lists of trays, papers, option values
// and resolutions, and the single answers (copies, extents, ranges, entries)
// over small descriptions.
#include "common/core/items.h"
#include "common/core/module_events.h"
#include "common/core/settings_modules.h"
#include "common/model/capabilities.h"
#include "common/wiring.h"

#include "compiled_fixture.h"
#include "support/scoped_services.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace vexl::model {
namespace {

// Trays and papers, one tray and one paper unavailable while duplex is on,
// a custom size, the free size and a paper whose constant the model lacks.
constexpr std::string_view kTraysAndPapers = "*FileVersion: 7.60\n"
                                             "*OpenUI *KSD_dmPaperSize: PickPage\n"
                                             "*KSD_dmPaperSize BF_dmPaperSize_9: \"\"\n"
                                             "*KSD_dmPaperSize BF_dmPaperSize_11: \"\"\n"
                                             "*KSD_dmPaperSize BF_dmPaperSize_256: \"\"\n"
                                             "*KSD_dmPaperSize BF_dmPaperSize_385: \"\"\n"
                                             "*PageMMValue p BF_dmPaperSize_9: \"2100 2970\"\n"
                                             "*PageMMValue p BF_dmPaperSize_11: \"1480 2100\"\n"
                                             "*PageMMValue p BF_dmPaperSize_256: \"2100 2970\"\n"
                                             "*PageMMValue p BF_dmPaperSize_385: \"2100 3300\"\n"
                                             "*CloseUI: *KSD_dmPaperSize\n"
                                             "*OpenUI *KSD_dmDefaultSource: PickSlot\n"
                                             "*KSD_dmDefaultSource BF_dmDefaultSource_7: \"\"\n"
                                             "*KSD_dmDefaultSource BF_dmDefaultSource_1: \"\"\n"
                                             "*KSD_dmDefaultSource BF_dmDefaultSource_4: \"\"\n"
                                             "*CloseUI: *KSD_dmDefaultSource\n"
                                             "*OpenUI *KSD_rdmOutPaperSize: PickOne\n"
                                             "*KSD_rdmOutPaperSize BF_rdmOutPaperSize_9: \"\"\n"
                                             "*KSD_rdmOutPaperSize BF_rdmOutPaperSize_1: \"\"\n"
                                             "*CloseUI: *KSD_rdmOutPaperSize\n"
                                             "*OpenUI *KSD_rdmNUPPOSTKind: PickOne\n"
                                             "*KSD_rdmNUPPOSTKind BF_rdmNUPPOSTKind_2: \"\"\n"
                                             "*KSD_rdmNUPPOSTKind BF_rdmNUPPOSTKind_4: \"\"\n"
                                             "*KSD_rdmNUPPOSTKind BF_rdmNUPPOSTKind_9: \"\"\n"
                                             "*CloseUI: *KSD_rdmNUPPOSTKind\n"
                                             "*Judge 1=DuplexOn: KSD_rdmFuncSelectDuplex == 1\n"
                                             "*Item 1=TrayRules: { {BF_dmDefaultSource_4 DuplexOn NULL NULL} }\n"
                                             "*Item 2=PaperRules: { {BF_dmPaperSize_11 DuplexOn NULL NULL} }\n"
                                             "*Item 3=NupRules: { {BF_rdmNUPPOSTKind_9 DuplexOn NULL NULL} }\n"
                                             "*Exclusive: {\n"
                                             "  {KSD_dmDefaultSource NULL NULL TrayRules NULL NULL NULL NULL}\n"
                                             "  {KSD_dmPaperSize NULL NULL PaperRules NULL NULL NULL NULL}\n"
                                             "  {KSD_rdmNUPPOSTKind NULL NULL NupRules NULL NULL NULL NULL}\n"
                                             "}\n";

// A5 of the description above, declared without a constant of the model.
// A model without the entries of the queries.
constexpr std::string_view kNoEntries = "*FileVersion: 7.60\n"
                                        "*OpenUI *KSD_dmOrientation: PickOne\n"
                                        "*KSD_dmOrientation BF_dmOrientation_1: \"\"\n"
                                        "*CloseUI: *KSD_dmOrientation\n";

constexpr std::string_view kPaperWithoutConstant = "*FileVersion: 7.60\n"
                                                   "*OpenUI *KSD_dmPaperSize: PickPage\n"
                                                   "*KSD_dmPaperSize BF_dmPaperSize_9: \"\"\n"
                                                   "*KSD_dmPaperSize BF_dmPaperSize_77: \"\"\n"
                                                   "*PageMMValue p BF_dmPaperSize_9: \"2100 2970\"\n"
                                                   "*PageMMValue p BF_dmPaperSize_77: \"1480 2100\"\n"
                                                   "*CloseUI: *KSD_dmPaperSize\n";

// Strings of the fake resource library: "S<id>".
int LoadFakeUiString(DriverContext*, std::uint32_t stringId, WCHAR* out, int outChars)
{
    const std::string text = "S" + std::to_string(stringId);
    int i = 0;
    for (; i + 1 < outChars && i < static_cast<int>(text.size()); ++i) out[i] = static_cast<WCHAR>(text[i]);
    if (outChars > 0) out[i] = 0;
    return i;
}

int g_slotLoads = 0;
void CountSlotLoads(DriverContext*)
{
    ++g_slotLoads;
}
// The free size row takes 1,200 x 2,400 dots.
void CacheFakeFreeSize(DriverContext* context, int row)
{
    context->workArea->paperTable[row].width = 1200;
    context->workArea->paperTable[row].length = 2400;
}

ItemServices FakeItemServices()
{
    ItemServices services = GetDefaultItemServices();
    services.loadUiString = LoadFakeUiString;
    return services;
}

DevmodeServices FakeSlotServices()
{
    DevmodeServices services = GetDefaultDevmodeServices();
    services.loadAllFreeSizeSlotsOnce = CountSlotLoads;
    services.cachePrintFreeSize = CacheFakeFreeSize;
    return services;
}

// A settings module that widens the lists: event 33 answered 1, event 30
// with a pointer.
int WideningModuleEvent(DriverContext*, std::uint32_t event, void* param, void*)
{
    static int anything = 0;
    if (event == kModuleEventTrayList) static_cast<TrayListEvent*>(param)->value = 1;
    if (event == kModuleEventResolutionList) static_cast<ResolutionListEvent*>(param)->pointer = &anything;
    return event == kModuleEventTrayList || event == kModuleEventResolutionList;
}

class Capabilities : public test::CompiledContextTest {
protected:
    void SetUp() override
    {
        CompiledContextTest::SetUp();
        names_.constants["BF_dmPaperSize_77"] = 77;
        g_slotLoads = 0;
    }
    void TearDown() override
    {
        context()->workArea->moduleTable = nullptr;
        CompiledContextTest::TearDown();
    }

    // The model of the description in place of the one before.
    void Use(std::string_view text)
    {
        FreeCompiledModel(context()->compiledModel);
        context()->compiledModel = nullptr;
        UseDescription(text, names_);
    }
    void UseWideningModule() { context()->workArea->moduleTable = &widening_; }
    void SetDuplex(bool on) { SetItemValue(context(), rdmFuncSelectDuplex, on ? 1 : 0); }

    template <typename T, typename Query> std::vector<T> List(Query query, std::size_t perEntry = 1)
    {
        const std::int32_t count = query(nullptr);
        if (count <= 0) return {};
        // One spare entry past the end shows that nothing is written there.
        std::vector<T> out((count + 1) * perEntry, T{});
        std::memset(static_cast<void*>(out.data()), 0x5A, out.size() * sizeof(T));
        EXPECT_EQ(query(out.data()), count);
        std::vector<T> spare(out.end() - perEntry, out.end());
        for (const T& value : spare) {
            T filler;
            std::memset(static_cast<void*>(&filler), 0x5A, sizeof(T));
            EXPECT_EQ(std::memcmp(&value, &filler, sizeof(T)), 0) << "written past the count";
        }
        out.resize(count * perEntry);
        return out;
    }
    std::vector<std::uint16_t> TrayIds()
    {
        return List<std::uint16_t>([&](std::uint16_t* out) { return ListTrayIds(context(), out, 0); });
    }
    std::vector<std::uint16_t> PaperIds(std::uint16_t item = dmPaperSize)
    {
        return List<std::uint16_t>([&](std::uint16_t* out) { return ListPaperIds(context(), out, item); });
    }
    // Names of nameChars characters each, as texts.
    template <typename Query> std::vector<std::u16string> Names(Query query, std::uint32_t nameChars)
    {
        const std::vector<WCHAR> slots = List<WCHAR>(query, nameChars);
        std::vector<std::u16string> names;
        for (std::size_t at = 0; at < slots.size(); at += nameChars) {
            std::u16string name(slots.data() + at, nameChars);
            names.push_back(name.substr(0, name.find(u'\0')));
        }
        return names;
    }
    std::vector<std::int32_t> Resolutions(std::uint16_t mode)
    {
        return List<std::int32_t>([&](std::int32_t* out) { return ListResolutions(context(), out, mode); },
                                  mode == kResolutionCodes ? 1 : 2);
    }

    test::FixtureNames names_{&ModelDatabaseNames()};
    vexl::test::ScopedItemServices itemServices_{FakeItemServices()};
    vexl::test::ScopedDevmodeServices devmodeServices_{FakeSlotServices()};
    SettingsModule wideningRow_{0, nullptr, nullptr, nullptr, WideningModuleEvent};
    SettingsModuleTable widening_{1, &wideningRow_};
};

using Ids = std::vector<std::uint16_t>;
using Values = std::vector<std::int32_t>;
using Texts = std::vector<std::u16string>;

TEST_F(Capabilities, TraysListTheAvailableOptionsUnlessAModuleWidensThem)
{
    Use(kTraysAndPapers);
    EXPECT_EQ(TrayIds(), (Ids{7, 1, 4}));
    SetDuplex(true);
    EXPECT_EQ(TrayIds(), (Ids{7, 1}));
    auto trayNames = [&](WCHAR* out) { return ListTrayNames(context(), out, 24, 0); };
    EXPECT_EQ(Names(trayNames, 24), (Texts{u"S7", u"S13624"}));

    UseWideningModule();
    EXPECT_EQ(TrayIds(), (Ids{7, 1, 4}));
    EXPECT_EQ(Names(trayNames, 24), (Texts{u"S7", u"S13624", u"S4"}));
}

TEST_F(Capabilities, ListsWithNothingToListAnswerMinusOne)
{
    // No tray entry, no paper entry, no PickOne entry.
    Use("*FileVersion: 7.60\n*OpenUI *KSD_dmCopies: Numeric\n*NumericValue: \"1 1 1 99\"\n*CloseUI: *KSD_dmCopies\n");
    WCHAR names[64];
    POINT sizes[4];
    std::int32_t values[4];
    std::uint16_t ids[4];
    EXPECT_EQ(ListTrayIds(context(), nullptr, 0), -1);
    EXPECT_EQ(ListTrayNames(context(), names, 16, 0), -1);
    EXPECT_EQ(ListPaperIds(context(), ids, dmPaperSize), -1);
    EXPECT_EQ(ListPaperNames(context(), names, 16, dmPaperSize), -1);
    EXPECT_EQ(ListPaperSizes(context(), sizes, dmPaperSize), -1);
    EXPECT_EQ(ListPickOneValues(context(), values, dmCopies), -1);  // Numeric, not PickOne
    EXPECT_EQ(ListItemOptionValues(context(), values, rdmNUPPOSTKind), -1);

    // Every option unavailable.
    Use("*FileVersion: 7.60\n*OpenUI *KSD_dmDefaultSource: PickSlot\n"
        "*KSD_dmDefaultSource BF_dmDefaultSource_4: \"\"\n*CloseUI: *KSD_dmDefaultSource\n"
        "*Judge 1=DuplexOn: KSD_rdmFuncSelectDuplex == 1\n"
        "*Item 1=TrayRules: { {BF_dmDefaultSource_4 DuplexOn NULL NULL} }\n"
        "*Exclusive: { {KSD_dmDefaultSource NULL NULL TrayRules NULL NULL NULL NULL} }\n");
    EXPECT_EQ(ListTrayIds(context(), nullptr, 0), 1);
    SetDuplex(true);
    EXPECT_EQ(ListTrayIds(context(), nullptr, 0), -1);
    EXPECT_EQ(ListTrayNames(context(), nullptr, 16, 0), -1);
}

TEST_F(Capabilities, PapersOfThePaperEntryAndOfOtherItems)
{
    Use(kTraysAndPapers);
    SetDuplex(true);
    // dmPaperSize lists its available options; another item every option.
    EXPECT_EQ(PaperIds(), (Ids{9, 256, 385}));
    EXPECT_EQ(PaperIds(rdmOutPaperSize), (Ids{9, 1}));
    EXPECT_EQ(List<std::int32_t>([&](std::int32_t* out) { return ListPickOneValues(context(), out, rdmNUPPOSTKind); }),
              (Values{2, 4}));
    EXPECT_EQ(ListItemOptionValues(context(), nullptr, rdmNUPPOSTKind), 2);
}

TEST_F(Capabilities, CustomSizesAreNamedAndSizedFromTheirRows)
{
    Use(kTraysAndPapers);
    PaperSizeRow& slot = context()->workArea->paperTable[1];  // paper 385
    std::strcpy(slot.displayName, "Postcard");
    slot.width = 4724;   // 100 mm
    slot.length = 7086;  // 150 mm

    auto paperNames = [&](WCHAR* out) { return ListPaperNames(context(), out, 64, dmPaperSize); };
    EXPECT_EQ(ListPaperNames(context(), nullptr, 64, dmPaperSize), 4);
    EXPECT_EQ(g_slotLoads, 0);  // the counting pass loads nothing
    EXPECT_EQ(Names(paperNames, 64), (Texts{u"S9", u"S11", u"S256", u"Postcard"}));
    EXPECT_GT(g_slotLoads, 0);

    // The free size from its cached row; the others from PageMMValue.
    const std::vector<POINT> sizes =
        List<POINT>([&](POINT* out) { return ListPaperSizes(context(), out, dmPaperSize); });
    ASSERT_EQ(sizes.size(), 4u);
    EXPECT_EQ(sizes[0].x, 2100);
    EXPECT_EQ(sizes[0].y, 2970);
    EXPECT_EQ(sizes[2].x, 254);  // 1,200 x 2,400 dots
    EXPECT_EQ(sizes[2].y, 508);
    EXPECT_EQ(sizes[3].x, 1000);
    EXPECT_EQ(sizes[3].y, 1500);
}

TEST_F(Capabilities, ACustomSizeNameNeverOutgrowsItsSlot)
{
    Use(kTraysAndPapers);
    std::memset(context()->workArea->paperTable[1].displayName, 'N', 64);  // 64 bytes, no terminator
    const Texts names = Names([&](WCHAR* out) { return ListPaperNames(context(), out, 8, dmPaperSize); }, 8);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[3], u"NNNNNNN");
    const Texts wide = Names([&](WCHAR* out) { return ListPaperNames(context(), out, 80, dmPaperSize); }, 80);
    EXPECT_EQ(wide[3], std::u16string(63, u'N'));
}

TEST_F(Capabilities, AMissingConstantFailsTheIdsButNotTheNames)
{
    Use(kPaperWithoutConstant);
    std::uint16_t ids[2] = {0xEEEE, 0xEEEE};
    EXPECT_EQ(ListPaperIds(context(), nullptr, dmPaperSize), -1);
    EXPECT_EQ(ListPaperIds(context(), ids, dmPaperSize), -1);
    EXPECT_EQ(ids[0], 9);  // written before the missing one was met
    EXPECT_EQ(Names([&](WCHAR* out) { return ListPaperNames(context(), out, 16, dmPaperSize); }, 16),
              (Texts{u"S9", u"S77"}));
    const std::vector<POINT> sizes =
        List<POINT>([&](POINT* out) { return ListPaperSizes(context(), out, dmPaperSize); });
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[1].x, 1480);
}

// ---- resolutions -----------------------------------------------------------------------------

constexpr std::string_view kDpiResolutions =
    "*FileVersion: 7.60\n"
    "*OpenUI *KSD_rdmDstResolutionW: PickOne\n"
    "*KSD_rdmDstResolutionW BF_rdmDstResolutionW_300: \"\"\n"
    "*KSD_rdmDstResolutionW BF_rdmDstResolutionW_600: \"\"\n"
    "*KSD_rdmDstResolutionW BF_rdmDstResolutionW_1200: \"\"\n"
    "*CloseUI: *KSD_rdmDstResolutionW\n"
    "*Judge 1=DuplexOn: KSD_rdmFuncSelectDuplex == 1\n"
    "*Item 1=Rules: { {BF_rdmDstResolutionW_1200 DuplexOn NULL NULL} }\n"
    "*Exclusive: { {KSD_rdmDstResolutionW NULL NULL Rules NULL NULL NULL NULL} }\n";

constexpr std::string_view kCodeResolutions = "*FileVersion: 7.60\n"
                                              "*OpenUI *KSD_rdmDstResolutionW: Numeric\n"
                                              "*NumericValue: \"600 600 300 1200\"\n"
                                              "*CloseUI: *KSD_rdmDstResolutionW\n"
                                              "*OpenUI *KSD_rdmDstResolutionBoth: PickOne\n"
                                              "*KSD_rdmDstResolutionBoth BF_rdmDstResolutionBoth_3: \"\"\n"
                                              "*KSD_rdmDstResolutionBoth BF_rdmDstResolutionBoth_17: \"\"\n"
                                              "*KSD_rdmDstResolutionBoth BF_rdmDstResolutionBoth_4: \"\"\n"
                                              "*CloseUI: *KSD_rdmDstResolutionBoth\n";

constexpr std::string_view kNumericResolutions = "*FileVersion: 7.60\n"
                                                 "*OpenUI *KSD_rdmDstResolutionW: Numeric\n"
                                                 "*NumericValue: \"600 600 300 1200\"\n"
                                                 "*CloseUI: *KSD_rdmDstResolutionW\n"
                                                 "*OpenUI *KSD_rdmDstResolutionBoth: Numeric\n"
                                                 "*NumericValue: \"3 3 1 36\"\n"
                                                 "*CloseUI: *KSD_rdmDstResolutionBoth\n";

TEST_F(Capabilities, ResolutionsOfADpiEntry)
{
    Use(kDpiResolutions);
    EXPECT_EQ(Resolutions(kResolutionCodes), (Values{1, 3, 4}));
    EXPECT_EQ(Resolutions(kResolutionPairs), (Values{300, 300, 600, 600, 1200, 1200}));
    SetDuplex(true);
    EXPECT_EQ(Resolutions(kResolutionCodes), (Values{1, 3}));
    EXPECT_EQ(List<std::int32_t>([&](std::int32_t* out) { return ListResolutionCodes(context(), out); }),
              (Values{1, 3}));
    UseWideningModule();
    EXPECT_EQ(Resolutions(kResolutionCodes), (Values{1, 3, 4}));
}

TEST_F(Capabilities, ResolutionsOfACodeEntry)
{
    Use(kCodeResolutions);
    SetItemValue(context(), rdmDstResolutionW, 600);
    EXPECT_EQ(Resolutions(kResolutionCodes), (Values{3, 17, 4}));
    EXPECT_EQ(Resolutions(kResolutionPairs), (Values{600, 600, 1200, 1200}));  // 3 and 17 are both 600
    // With rdmDstResolutionW at 0 the Numeric entry is not usable.
    SetItemValue(context(), rdmDstResolutionW, 0);
    EXPECT_EQ(Resolutions(kResolutionCodes), (Values{600}));
}

TEST_F(Capabilities, ResolutionsWithoutAListingEntry)
{
    struct Case {
        std::string_view description;
        std::uint32_t dpi;  // rdmDstResolutionW
        Values codes;
        Values pairs;
    };
    const Case cases[] = {
        {kNoEntries, 1200, {600}, {600, 600}},              // no entry: the model's default
        {kNumericResolutions, 1200, {1200}, {1200, 1200}},  // Numeric twice: the current value
        {kNumericResolutions, 0, {600}, {600, 600}},
    };
    for (const Case& c : cases) {
        Use(c.description);
        SetItemValue(context(), rdmDstResolutionW, c.dpi);
        EXPECT_EQ(Resolutions(kResolutionCodes), c.codes) << c.dpi;
        EXPECT_EQ(Resolutions(kResolutionPairs), c.pairs) << c.dpi;
    }
}

// ---- single answers --------------------------------------------------------------------------

constexpr std::string_view kRanges =
    "*FileVersion: 7.60\n"
    "*OpenUI *KSD_dmCopies: Numeric\n*NumericValue: \"1 1 1 250\"\n*CloseUI: *KSD_dmCopies\n"
    "*OpenUI *KSD_rdmScaleH: Numeric\n*NumericValue: \"100 100 25 400\"\n*CloseUI: *KSD_rdmScaleH\n"
    "*OpenUI *KSD_rdmScaleV: Numeric\n*NumericValue: \"100 100 30 300\"\n*CloseUI: *KSD_rdmScaleV\n"
    "*OpenUI *KSD_rdmShiftMarginX: Numeric\n*NumericValue: \"0 0 -500 500\"\n*CloseUI: *KSD_rdmShiftMarginX\n"
    "*OpenUI *KSD_rdmShiftMarginY: Boolean\n*KSD_rdmShiftMarginY True: \"\"\n*KSD_rdmShiftMarginY False: \"\"\n"
    "*CloseUI: *KSD_rdmShiftMarginY\n"
    "*OpenUI *KSD_dmDitherType: PickOne | TypeUnknown\n*KSD_dmDitherType BF_dmDitherType_1: \"\"\n"
    "*CloseUI: *KSD_dmDitherType\n"
    "*OpenUI *KSD_dmICMMethod: TypeUnknown\n*CloseUI: *KSD_dmICMMethod\n";

TEST_F(Capabilities, CopiesEntriesAndRanges)
{
    Use(kRanges);
    EXPECT_EQ(GetMaxCopies(context()), 250);
    EXPECT_EQ(GetLandscapeAngle(context()), 90u);
    EXPECT_EQ(HasUiEntry(context(), 0, dmCopies), 1);
    EXPECT_EQ(HasUiEntry(context(), 0, dmDitherType), 1);  // PickOne with the TypeUnknown flag
    EXPECT_EQ(HasUiEntry(context(), 0, dmICMMethod), 0);   // TypeUnknown alone
    EXPECT_EQ(HasUiEntry(context(), 0, dmCollate), 0);     // no entry

    std::int16_t min[2] = {}, max[2] = {};
    EXPECT_EQ(GetScaleRange(context(), min, max), 1);
    EXPECT_EQ(min[0], 25);
    EXPECT_EQ(min[1], 30);
    EXPECT_EQ(max[0], 400);
    EXPECT_EQ(max[1], 300);
    EXPECT_EQ(GetScaleRange(context(), nullptr, nullptr), 0);

    // Only the entries whose outputs are asked for are read.
    std::int32_t low = 7, high = 7;
    EXPECT_EQ(GetShiftMarginRange(context(), &low, &high, nullptr, nullptr), 1);
    EXPECT_EQ(low, -500);
    EXPECT_EQ(high, 500);
    EXPECT_EQ(GetShiftMarginRange(context(), nullptr, nullptr, &low, nullptr), 0);  // Y is not Numeric
    EXPECT_EQ(GetShiftMarginRange(context(), nullptr, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(GetMarginRange(context(), &low, &high, nullptr, nullptr), 0);  // no entry
    EXPECT_EQ(GetCreepMarginRange(context(), nullptr, nullptr, &low, &high), 0);
}

TEST_F(Capabilities, WithoutACopiesEntryTheModelRecordAnswers)
{
    Use(kNoEntries);
    EXPECT_EQ(GetMaxCopies(context()), 999);
    std::int16_t min[2] = {};
    EXPECT_EQ(GetScaleRange(context(), min, nullptr), 0);
    EXPECT_EQ(HasDuplexUnit(context()), 0);
    SetItemValue(context(), rdmSourceOptionTypeDuplex, 1);
    EXPECT_EQ(HasDuplexUnit(context()), 1);
}

TEST_F(Capabilities, PaperLimitsAndExtents)
{
    Use(kNoEntries);
    std::int32_t min[2] = {}, max[2] = {};
    GetModelPaperLimits(context(), min, max);
    EXPECT_EQ(min[0], 4724);
    EXPECT_EQ(min[1], 4724);
    EXPECT_EQ(max[0], 20408);
    EXPECT_EQ(max[1], 20408);
    EXPECT_EQ(GetFreeSizeMinWidth(context()), 4724);
    EXPECT_EQ(GetFreeSizeMinLength(context()), 4724);
    EXPECT_EQ(GetFreeSizeMaxWidth(context()), 20408);
    EXPECT_EQ(GetFreeSizeMaxLength(context()), 20408);
    std::int32_t untouched[2] = {-1, -1};
    GetModelPaperLimits(context(), untouched, nullptr);
    EXPECT_EQ(untouched[0], -1);

    // The same extents whatever unit the dialogs show: the limits they are
    // kept within are taken in 0.1 mm too.
    for (std::uint32_t unit : {0u, 1u}) {
        SetItemValue(context(), rdmDspUnit, unit);
        POINTS small{}, large{};
        EXPECT_EQ(GetMinExtentPacked(context(), &small), (1000u << 16) | 1000u) << unit;
        EXPECT_EQ(small.x, 1000);
        EXPECT_EQ(small.y, 1000);
        const std::uint32_t packed = GetMaxExtentPacked(context(), &large);
        EXPECT_EQ(packed, (static_cast<std::uint32_t>(large.y) << 16) | static_cast<std::uint16_t>(large.x));
        EXPECT_EQ(large.x, 4320) << unit;  // 17 inches
        EXPECT_EQ(GetPaperExtentPacked(context(), nullptr, kExtentMinimum), (1000u << 16) | 1000u);
        EXPECT_EQ(GetPaperExtentPacked(context(), nullptr, 1), packed);

        std::int32_t pair[2] = {};
        EXPECT_EQ(GetMinExtentPair(context(), pair), 1);
        EXPECT_EQ(pair[0], 1000);
        EXPECT_EQ(GetMaxExtentPair(context(), pair), 1);
        EXPECT_EQ(pair[0], large.x);
        EXPECT_EQ(pair[1], large.y);
        EXPECT_EQ(GetPaperExtentPair(context(), nullptr, 1), 1);
    }
}

}  // namespace
}  // namespace vexl::model
