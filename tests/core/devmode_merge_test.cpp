// DEVMODE creation, merge and version upgrade.
#include "common/core/devmode_merge.h"

#include "common/core/devmode_public.h"
#include "common/core/memory.h"
#include "devmode_fakes.h"
#include "platform/files.h"
#include "platform/inifile.h"

#include <gtest/gtest.h>

#include <utility>

namespace vexl::test {
namespace {

class DevmodeMerge : public DevmodeTest {
protected:
    // A store built as a new context builds it, installed into the context.
    void CreateStore(std::uint16_t mode = 0)
    {
        SettingsStore* created = CreateDefaultDevmode(context(), mode);
        ASSERT_NE(created, nullptr);
        std::memcpy(ctx_.bytes(), created->bytes, kSettingsStoreSize);
        FreeIfNotNull(created);
    }
    std::vector<std::uint8_t> OwnDevmode() { return {ctx_.bytes(), ctx_.bytes() + kDevmodeSize}; }
    // The driver's own DEVMODE with another private version.
    std::vector<std::uint8_t> DevmodeOfVersion(std::uint32_t version)
    {
        auto b = OwnDevmode();
        WriteLe32(b.data() + kPrivateVersionOffset, version);
        return b;
    }
};

TEST_F(DevmodeMerge, NewStoreGoldenBytes)
{
    // The package description's defaults of the items it governs here.
    model_.defaults[rdmDstResolutionW] = 600;
    model_.defaults[rdmOutPaperSize] = 1024;
    model_.defaults[rdmScaleH] = 100;
    model_.defaults[rdmScaleV] = 100;
    CreateStore();
    const std::uint8_t* d = ctx_.bytes();
    // Public part: the ModelRecord's defaults; the collate bit joins 0x7F03
    // because rdmSortType offers a choice.
    struct Field {
        std::size_t offset;
        std::uint32_t width;
        std::uint32_t value;
    };
    const Field fields[] = {
        {64, 2, 0x401},
        {66, 2, 0x400},
        {68, 2, 220},
        {70, 2, 1016},
        {72, 4, 0x7F03},
        {76, 2, 1},
        {78, 2, 9},
        {80, 2, 0},
        {82, 2, 0},
        {84, 2, 100},
        {86, 2, 1},
        {88, 2, 7},
        {90, 2, 600},
        {92, 2, 1},
        {94, 2, 1},
        {96, 2, 600},
        {98, 2, 3},
        {100, 2, 0},
        {102, 2, u'A'},
        {104, 2, u'4'},
        {106, 2, 0},
        {188, 4, 1},
        {192, 4, 1},
        {196, 4, 1},
        {200, 4, 1},
        // Private header.
        {224, 4, 0},
        {353, 4, 1016},
        {357, 4, 322},
        {361, 2, 0},
        {363, 2, 1236},
        {365, 2, 6500},
        // Items: machine family, driver type, handler defaults.
        {368, 1, 0x8C},
        {811, 1, 1},
        {400, 2, 1024},
        {442, 2, 100},
        {444, 2, 100},
        {808, 2, 16},
        // The run-time tail: rdmCallSrc, rdmOSKind, rdmBatchInst, rdmPrintLog, rdmBidiFunc.
        {1219, 1, 1},
        {1220, 1, 2},
        {1221, 1, 1},
        {1222, 1, 0},
        {1235, 1, 0},
    };
    for (const Field& f : fields) {
        std::uint32_t got = f.width == 1 ? d[f.offset] : f.width == 2 ? ReadLe16(d + f.offset) : ReadLe32(d + f.offset);
        EXPECT_EQ(got, f.value) << "offset " << f.offset;
    }
    EXPECT_EQ(std::memcmp(d + 220, "VEXL", 4), 0);
    EXPECT_EQ(std::memcmp(d + 349, "priv", 4), 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(d + 244), "01.00");
    EXPECT_STREQ(reinterpret_cast<const char*>(d + 260), "01.00");
    EXPECT_EQ(d[276], 0);
    EXPECT_TRUE(IsDevmodeCurrent(d));
}

TEST_F(DevmodeMerge, WithoutTheCallerFlagsNothingHappens)
{
    CreateStore();
    auto before = std::vector<std::uint8_t>(ctx_.bytes(), ctx_.bytes() + kSettingsStoreSize);
    auto caller = DevmodeOfVersion(322);
    WriteLe16(caller.data() + 86, 9);
    EXPECT_EQ(MergeDevmode(context(), AsDevmode(caller), 0x400000), 1);
    EXPECT_EQ(std::memcmp(before.data(), ctx_.bytes(), kSettingsStoreSize), 0);
}

TEST_F(DevmodeMerge, OwnDevmodeMergedBackChangesNothing)
{
    CreateStore();
    ASSERT_EQ(MergeDevmode(context(), nullptr, kMergeFromCaller), 1);
    auto own = OwnDevmode();
    // A fresh context takes it.
    ModelContext fresh;
    SettingsStore* created = CreateDefaultDevmode(fresh.get(), 0);
    ASSERT_NE(created, nullptr);
    std::memcpy(fresh.bytes(), created->bytes, kSettingsStoreSize);
    FreeIfNotNull(created);
    ASSERT_EQ(MergeDevmode(fresh.get(), AsDevmode(own), kMergeFromCaller), 1);
    for (std::size_t i = 0; i < kDevmodeSize; ++i) ASSERT_EQ(fresh.bytes()[i], own[i]) << "byte " << i;
}

TEST_F(DevmodeMerge, CurrentPrivatePartIsTakenAndRuntimeFlagsStay)
{
    CreateStore();
    auto caller = DevmodeOfVersion(322);
    WriteLe16(caller.data() + 220 + (538 - 220), 77);  // rdmWmID, private
    caller[kBidiFuncBitsOffset] = 5;
    caller[kAdminFlagOffset] = 0;
    caller[kTerminalServerFlagOffset] = 1;
    std::uint8_t admin = ctx_.bytes()[kAdminFlagOffset];
    ASSERT_EQ(MergeDevmode(context(), AsDevmode(caller), kMergeFromCaller), 1);
    EXPECT_EQ(GetItemValue(context(), rdmWmID), 77u);
    EXPECT_EQ(ctx_.bytes()[kBidiFuncBitsOffset], 0);
    EXPECT_EQ(ctx_.bytes()[kAdminFlagOffset], admin);
    EXPECT_EQ(ctx_.bytes()[kTerminalServerFlagOffset], 0);
}

TEST_F(DevmodeMerge, UpgradeRunsTheConversionScriptOncePerVersionStep)
{
    struct Case {
        std::uint32_t version;
        std::size_t steps;
    };
    for (const Case& c : {Case{321, 1}, Case{310, 12}}) {
        CreateStore();
        model_.convertVersionsSeen.clear();
        auto caller = DevmodeOfVersion(c.version);
        caller[kBidiFuncBitsOffset] = 5;  // an older DEVMODE brings no run-time flags either
        StoreItemValue(context(), ctx_.item(rdmSkipCount), 0);
        caller[220 + (445 - 220)] = 0;
        ASSERT_EQ(MergeDevmode(context(), AsDevmode(caller), kMergeFromCaller), 1);
        ASSERT_EQ(model_.convertVersionsSeen.size(), c.steps) << c.version;
        EXPECT_EQ(model_.convertVersionsSeen.front(), c.version + 1);
        EXPECT_EQ(model_.convertVersionsSeen.back(), 322u);
        EXPECT_EQ(Field32(kPrivateVersionOffset), 322u);
        EXPECT_TRUE(IsDevmodeCurrent(ctx_.bytes()));
        EXPECT_EQ(ctx_.bytes()[kBidiFuncBitsOffset], 0);
    }
}

TEST_F(DevmodeMerge, ForeignOrOldPrivatePartsAreDiscardedNewerOnesTakenRaw)
{
    struct Case {
        const char* name;
        std::uint32_t version;
        bool otherTag;
        bool driverType0;
        bool taken;
    };
    const Case cases[] = {
        {"version 299", 299, false, false, false},
        {"another model", 322, true, false, false},
        {"driver type 0", 322, false, true, false},
        {"version 410", 410, false, false, true},
    };
    for (const Case& c : cases) {
        CreateStore();
        auto caller = DevmodeOfVersion(c.version);
        if (c.otherTag) std::memcpy(caller.data() + kModelTagOffset, "othr", 4);
        if (c.driverType0) caller[kDriverTypeOffset] = 0;
        WriteLe16(caller.data() + 538, 77);  // rdmWmID
        WriteLe16(caller.data() + 86, 4);    // dmCopies, public
        WriteLe32(caller.data() + 72, DM_COPIES);
        ASSERT_EQ(MergeDevmode(context(), AsDevmode(caller), kMergeFromCaller), 1) << c.name;
        EXPECT_EQ(GetItemValue(context(), rdmWmID), c.taken ? 77u : 0u) << c.name;
        EXPECT_EQ(GetItemValue(context(), dmCopies), 4u) << c.name;
        EXPECT_EQ(Field32(kPrivateVersionOffset), c.taken ? c.version : 322u) << c.name;
        model_.convertVersionsSeen.clear();
    }
}

TEST_F(DevmodeMerge, ModelBitsAfterTheMerge)
{
    CreateStore();
    SetDevmodeHidden2FuncBits(ctx_.bytes(), 1u << 21);
    model_.defaults[wdmCustomFunc1] = 1;
    ASSERT_EQ(MergeDevmode(context(), nullptr, kMergeFromCaller), 1);
    EXPECT_EQ(GetDevmodeHidden2FuncBits(ctx_.bytes()), (1u << 21) | (1u << 7));
    EXPECT_EQ(ctx_.work()->mergeFlags, kMergeFromCaller);
}

TEST(DevmodeVersion, StatesAndComparison)
{
    struct Case {
        std::uint32_t stored;
        std::uint32_t current;
        int state;
    };
    const Case cases[] = {{321, 322, 1}, {322, 322, 0}, {330, 322, 0}, {410, 322, 0},
                          {299, 322, 2}, {210, 250, 2}, {250, 250, 2}};
    for (const Case& c : cases) EXPECT_EQ(CompareDevmodeVersion(c.stored, c.current), c.state) << c.stored;
    EXPECT_EQ(GetDevmodeVersionState(nullptr), -1);
    // The version is read only where the DEVMODE covers it.
    auto shortExtra = MakeDevmode(220, 140, 0x401);
    WriteLe32(shortExtra.data() + 220 + 133, 1016);
    EXPECT_EQ(GetDevmodeVersionState(AsDevmode(shortExtra)), 2);
    // After every public size the system knows, and no other.
    const std::pair<std::uint16_t, int> sizes[] = {{188, 1}, {212, 1}, {220, 1}, {200, 2}};
    for (const auto& [size, state] : sizes) {
        auto devmode = MakeDevmode(size, 1016, 0x400);
        WriteLe32(devmode.data() + size + 137, 321);
        EXPECT_EQ(GetDevmodeVersionState(AsDevmode(devmode)), state) << size;
    }
}

TEST_F(DevmodeMerge, ScriptStopsWhenAStepJumpsAhead)
{
    CreateStore();
    model_.convertJumpTo = 322;
    EXPECT_EQ(RunDevmodeConvertScript(310, 322, context()), 1);
    EXPECT_EQ(model_.convertVersionsSeen, std::vector<std::uint32_t>{311});
}

TEST_F(DevmodeMerge, StoredDefaultSeedsTheStoreWithItsOwnBases)
{
    CreateStore();
    model_.storedDevmode = OwnDevmode();
    WriteLe16(model_.storedDevmode.data() + 86, 12);       // dmCopies
    WriteLe16(model_.storedDevmode.data() + 363, 0xFFF0);  // bases from outside
    WriteLe16(model_.storedDevmode.data() + 365, 0xFFF0);
    std::memset(ctx_.bytes(), 0, kSettingsStoreSize);
    CreateStore(1);
    EXPECT_EQ(Field16(86), 12);
    EXPECT_EQ(Field16(363), 1236);
    EXPECT_EQ(Field16(365), 6500);
}

TEST_F(DevmodeMerge, DefaultSettingsFileName)
{
    WCHAR name[260];
    std::u16string ini = u"C:\\_vexl\\VEXL.ini";
    std::u16string printer = u"Printer [1]";
    std::copy(printer.begin(), printer.end(), ctx_.work()->printerName);
    EXPECT_FALSE(GetDefaultSettingsFileName(name, context()));  // no path
    std::copy(ini.begin(), ini.end(), ctx_.work()->settingsIniPath);
    CreateDirectoryW(u"C:\\_vexl", nullptr);
    EXPECT_FALSE(GetDefaultSettingsFileName(name, context()));
    ASSERT_TRUE(WritePrivateProfileStringW(u"Printer ,1,", u"DefaultRst", u"C:\\x.rst", ini.c_str()));
    EXPECT_TRUE(GetDefaultSettingsFileName(name, context()));
    EXPECT_EQ(std::u16string(name), u"C:\\x.rst");
}

}  // namespace
}  // namespace vexl::test
