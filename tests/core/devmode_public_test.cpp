// Public DEVMODE: versions, copies, value checks and repairs, public field
// defaults and the field-by-field merge.
#include "common/core/devmode_public.h"
#include "common/core/module_events.h"

#include "devmode_fakes.h"

#include <gtest/gtest.h>

namespace vexl::test {
namespace {

constexpr std::size_t kFields = 72, kOrientation = 76, kPaperSize = 78, kPaperLength = 80, kPaperWidth = 82,
                      kScale = 84, kCopies = 86, kSource = 88, kQuality = 90, kColor = 92, kDuplex = 94,
                      kYResolution = 96, kTTOption = 98, kCollate = 100, kFormName = 102, kMediaType = 196;

TEST(DevmodeSpecVersion, BySize)
{
    struct Case {
        std::uint16_t size;
        std::uint16_t own;
        std::uint16_t expected;
    };
    const Case cases[] = {{188, 0x111, 0x320}, {212, 0x111, 0x400}, {220, 0x111, 0x401}, {200, 0x222, 0x222}};
    for (const Case& c : cases) {
        auto b = MakeDevmode(c.size, 0, c.own);
        EXPECT_EQ(GetDevmodeSpecVersion(AsDevmode(b)), c.expected) << c.size;
    }
    EXPECT_EQ(GetDevmodeSpecVersion(nullptr), 0);
}

class DevmodeCopy : public ::testing::Test {
protected:
    std::vector<std::uint8_t> dst = MakeDevmode(220, 1016, 0x401);
};

TEST_F(DevmodeCopy, ConversionTakesA320FormButRefusesA212One)
{
    auto old = MakeDevmode(188, 1016, 0x320);
    WriteLe16(old.data() + kOrientation, 2);
    old[188 + 200] = 0xAB;  // a private byte
    EXPECT_EQ(CopyDevmodeForConversion(AsDevmode(old), AsDevmode(dst)), 188 + 1016);
    EXPECT_EQ(ReadLe16(dst.data() + kOrientation), 2);
    EXPECT_EQ(dst[220 + 200], 0xAB);
    // The destination keeps its own header.
    EXPECT_EQ(ReadLe16(dst.data() + 64), 0x401);
    EXPECT_EQ(ReadLe16(dst.data() + 68), 220);
    EXPECT_EQ(ReadLe16(dst.data() + 70), 1016);

    auto v400 = MakeDevmode(212, 1016, 0x400);
    EXPECT_EQ(CopyDevmodeForConversion(AsDevmode(v400), AsDevmode(dst)), -1);
    WriteLe16(v400.data() + kOrientation, 2);
    EXPECT_EQ(CopyCallerDevmode(AsDevmode(v400), AsDevmode(dst)), 212 + 1016);
}

TEST_F(DevmodeCopy, CallerPrivatePartOfAnotherDriverVersionIsRefusedAfterThePublicPart)
{
    auto caller = MakeDevmode(220, 1016, 0x401, 0x300);
    WriteLe16(caller.data() + kCopies, 7);
    caller[220 + 300] = 0x55;
    EXPECT_EQ(CopyCallerDevmode(AsDevmode(caller), AsDevmode(dst)), -1);
    EXPECT_EQ(ReadLe16(dst.data() + kCopies), 7);
    EXPECT_EQ(dst[220 + 300], 0);
    auto shortExtra = MakeDevmode(220, 500, 0x401);
    EXPECT_EQ(CopyCallerDevmode(AsDevmode(shortExtra), AsDevmode(dst)), -1);
    EXPECT_EQ(CopyCallerDevmode(nullptr, AsDevmode(dst)), -1);
}

TEST_F(DevmodeCopy, AreaBasesFromOutsideNeverStay)
{
    // A 3.20 DEVMODE whose short private part still covers the bases.
    auto old = MakeDevmode(188, 600, 0x320);
    WriteLe16(old.data() + 188 + 141, 0xFFFF);
    WriteLe16(old.data() + 188 + 143, 0xFFFF);
    WriteLe16(old.data() + 188 + 145, 0xFFFF);
    ASSERT_EQ(CopyDevmodeForConversion(AsDevmode(old), AsDevmode(dst)), 188 + 600);
    EXPECT_EQ(ReadLe16(dst.data() + 361), 0);
    EXPECT_EQ(ReadLe16(dst.data() + 363), 1236);
    EXPECT_EQ(ReadLe16(dst.data() + 365), 6500);
}

TEST_F(DevmodeCopy, AHeaderTooShortToReadIsRefused)
{
    auto tiny = MakeDevmode(76, 0, 0x401);
    WriteLe16(tiny.data() + 68, 8);
    EXPECT_EQ(CopyCallerDevmode(AsDevmode(tiny), AsDevmode(dst)), -1);
}

class ValueCheck : public DevmodeTest {};

TEST_F(ValueCheck, CodesOfAPickEntry)
{
    model_.entries[dmColor] = Pick({1, 2, 3}, {2}, {3});
    struct Case {
        std::uint32_t value;
        int code;
        int check;
    };
    const Case cases[] = {
        {1, kCheckAllowed, 1}, {2, kCheckExcluded, 0}, {3, kCheckRestricted, 1}, {4, kCheckNotOption, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(CheckItemValueCode(ctx_.item(dmColor), dmColor, c.value, context()), c.code) << c.value;
        EXPECT_EQ(CheckItemValue(dmColor, c.value, context()), c.check) << c.value;
    }
    // The plain check knows no restriction, and takes an unavailable option as none.
    EXPECT_EQ(CheckItemValuePlain(ctx_.item(dmColor), dmColor, 3, context()), kCheckAllowed);
    EXPECT_EQ(CheckItemValuePlain(ctx_.item(dmColor), dmColor, 2, context()), kCheckNotOption);
}

TEST_F(ValueCheck, ItemLevelAnswers)
{
    EXPECT_EQ(CheckItemValue(rdmGammaC, 1, context()), kCheckNoUiSymbol);
    EXPECT_EQ(CheckItemValue(dmColor, 1, context()), kCheckNoUiEntry);
    model_.entries[dmColor] = OfType(kUiTypeUnknownFlag, {1});
    for (int code : {CheckItemValue(dmColor, 1, context()), ValidateItemOrReset(dmColor, 1, context()),
                     CheckPublicFieldValue(dmColor, 1, context()), ValidatePlainItemOrReset(dmColor, 1, context())}) {
        EXPECT_EQ(code, kCheckNoUiEntry);
    }
    // Numeric and Boolean entries.
    model_.entries[dmColor] = Numeric(1, 10);
    EXPECT_EQ(CheckItemValue(dmColor, 10, context()), 1);
    EXPECT_EQ(CheckItemValue(dmColor, 11, context()), 0);
    model_.entries[dmColor] = OfType(kUiTypeBoolean);
    EXPECT_EQ(CheckItemValue(dmColor, 1, context()), 1);
    EXPECT_EQ(CheckItemValue(dmColor, 2, context()), 0);
}

TEST_F(ValueCheck, TwoValuesAlwaysPass)
{
    model_.entries[rdmUserPrintMacro] = Pick({32});
    model_.entries[rdmColorMode] = Pick({1});
    EXPECT_EQ(CheckItemValue(rdmUserPrintMacro, 160, context()), 1);
    EXPECT_EQ(CheckItemValue(rdmColorMode, 255, context()), 1);
    EXPECT_EQ(CheckItemValue(rdmColorMode, 254, context()), 0);
}

TEST_F(ValueCheck, RepairsFollowTheMergeFlags)
{
    model_.entries[dmColor] = Pick({1, 2}, {2});
    model_.defaults[dmColor] = 1;
    auto color = [&] { return GetItemValue(context(), dmColor); };
    SetItemValue(context(), dmColor, 2);
    EXPECT_EQ(ValidateItemOrReset(dmColor, 2, context()), 1);
    EXPECT_EQ(color(), 1u);
    // 0x80000 keeps an excluded value, not a value that is no option.
    ctx_.work()->mergeFlags = kMergeKeepExcluded;
    SetItemValue(context(), dmColor, 2);
    ValidateItemOrReset(dmColor, 2, context());
    EXPECT_EQ(color(), 2u);
    SetItemValue(context(), dmColor, 9);
    ValidateItemOrReset(dmColor, 9, context());
    EXPECT_EQ(color(), 1u);
    // 0x40000000 clamps the scale to its limits.
    ctx_.work()->mergeFlags = kMergeResyncAfter;
    model_.entries[rdmScaleH] = Numeric(25, 400);
    SetItemValue(context(), rdmScaleType, 0);
    SetItemValue(context(), rdmScaleH, 500);
    ValidateItemOrReset(rdmScaleH, 500, context());
    EXPECT_EQ(GetItemValue(context(), rdmScaleH), 400u);
    ValidateItemOrReset(rdmScaleH, 3, context());
    EXPECT_EQ(GetItemValue(context(), rdmScaleH), 25u);
}

TEST_F(ValueCheck, PresetSlotsAreOptionIds)
{
    ctx_.item(rdmPresetNo)->symbolKey = 999;  // the description governs it here
    model_.entries[rdmPresetNo] = Pick({200});
    StoreItemValue(context(), ctx_.item(rdmPresetNo), 5);
    EXPECT_EQ(ValidateItemOrReset(rdmPresetNo, 120, context()), 1);
    EXPECT_EQ(GetItemValue(context(), rdmPresetNo), 5u);
    EXPECT_EQ(ValidateItemOrReset(rdmPresetNo, 140, context()), 1);
    EXPECT_EQ(GetItemValue(context(), rdmPresetNo), 0u);
}

TEST_F(ValueCheck, NupTypeCheckMovesTheNupKindAlong)
{
    model_.entries[rdmFuncSelectNup] = OfType(kUiTypeBoolean);
    SetItemValue(context(), rdmFuncSelectNup, 1);
    SetItemValue(context(), dmOrientation, 1);
    SetItemValue(context(), rdmNUPPOSTKind, 1);
    // No value map in the fake: the stored value is the option.
    ctx_.item(rdmNUPType)->side->valueMap = nullptr;
    model_.entries[rdmNUPType] = Pick({1, 2, 33, 161}, {161});
    EXPECT_EQ(CheckItemValue(rdmNUPType, 33, context()), 1);
    EXPECT_EQ(GetItemValue(context(), rdmNUPPOSTKind), 2u);
    // Kind 10 current and its type unavailable: the kind's first type.
    SetItemValue(context(), rdmNUPPOSTKind, 10);
    EXPECT_EQ(CheckItemValue(rdmNUPType, 161, context()), 1);
    EXPECT_EQ(GetItemValue(context(), rdmNUPType), 161u);
    SetItemValue(context(), rdmNUPPOSTKind, 2);
    EXPECT_EQ(CheckItemValue(rdmNUPType, 1, context()), 1);
    EXPECT_EQ(GetItemValue(context(), rdmNUPPOSTKind), 1u);
    EXPECT_EQ(GetItemValue(context(), rdmNUPType), 1u);
}

TEST_F(ValueCheck, FallbackRulesOfTheValidators)
{
    // No UI entry anywhere: the fixed rules decide.
    EXPECT_TRUE(IsValidOrientation(2, context()));
    EXPECT_FALSE(IsValidOrientation(3, context()));
    EXPECT_FALSE(IsValidPaperSize(9, context()));
    EXPECT_TRUE(IsValidDuplex(3, context()));
    EXPECT_FALSE(IsValidDuplex(4, context()));
    EXPECT_TRUE(IsValidTTOption(4, context()));
    EXPECT_TRUE(IsValidDitherType(10, context()));
    EXPECT_TRUE(IsDeviceResolutionCode(static_cast<std::uint32_t>(-4), context()));
    EXPECT_FALSE(IsDeviceResolutionCode(0, context()));
    EXPECT_TRUE(IsPlausibleDefaultSource(15, context()));
    EXPECT_TRUE(IsPlausiblePaperSize(118, context()));
    EXPECT_FALSE(IsPlausiblePaperSize(0, context()));
}

TEST_F(ValueCheck, ResetPublicFieldsToTheModel)
{
    ResetPublicFieldsToModel(store(), context());
    EXPECT_EQ(Field32(kFields), 0x7F03u);
    struct Case {
        std::size_t offset;
        std::uint16_t value;
    };
    const Case cases[] = {{64, 0x401},     {66, 0x400},   {68, 220},           {70, 1016},     {kOrientation, 1},
                          {kPaperSize, 9}, {kScale, 100}, {kCopies, 1},        {kSource, 7},   {kQuality, 600},
                          {kColor, 1},     {kDuplex, 1},  {kYResolution, 600}, {kTTOption, 3}, {kCollate, 0}};
    for (const Case& c : cases) EXPECT_EQ(Field16(c.offset), c.value) << c.offset;
    EXPECT_EQ(Field16(kFormName), u'A');
    EXPECT_EQ(Field16(kFormName + 2), u'4');
    EXPECT_EQ(Field32(kMediaType), 1u);
}

// The merge of a caller's public fields into a store reset to the model.
class PublicMerge : public DevmodeTest {
protected:
    void SetUp() override
    {
        DevmodeTest::SetUp();
        ResetPublicFieldsToModel(store(), context());
        caller = MakeDevmode(220, 0, 0x401);
    }
    void Set16(std::size_t offset, std::uint16_t value) { WriteLe16(caller.data() + offset, value); }
    void Merge(std::uint32_t fields)
    {
        WriteLe32(caller.data() + kFields, fields);
        MergePublicDevmode(store(), AsDevmode(caller), context());
    }
    std::vector<std::uint8_t> caller;
};

TEST_F(PublicMerge, FieldsAndBits)
{
    struct Case {
        const char* name;
        std::size_t offset;
        std::uint16_t callerValue;
        std::uint32_t callerBit;
        std::uint16_t expected;
        std::uint32_t bitSet;  // in the store's dmFields after the merge
        std::uint32_t bitClear;
    };
    const Case cases[] = {
        {"orientation", kOrientation, 2, DM_ORIENTATION, 2, DM_ORIENTATION, 0},
        {"bad orientation", kOrientation, 7, DM_ORIENTATION, 1, DM_ORIENTATION, 0},
        {"field without its bit", kOrientation, 2, 0, 1, 0, 0},
        {"scale in limits", kScale, 150, DM_SCALE, 150, 0, DM_SCALE},
        {"scale over the limit", kScale, 1001, DM_SCALE, 100, 0, DM_SCALE},
        {"copies", kCopies, 5, DM_COPIES, 5, DM_COPIES, 0},
        {"too many copies", kCopies, 1000, DM_COPIES, 1, DM_COPIES, 0},
        {"duplex", kDuplex, 2, DM_DUPLEX, 2, DM_DUPLEX, 0},
        {"bad duplex", kDuplex, 9, DM_DUPLEX, 1, DM_DUPLEX, 0},
        {"bad TrueType option", kTTOption, 9, DM_TTOPTION, 3, 0, DM_TTOPTION},
        {"default source", kSource, 3, DM_DEFAULTSOURCE, 3, DM_DEFAULTSOURCE, 0},
        {"bad default source", kSource, 99, DM_DEFAULTSOURCE, 7, DM_DEFAULTSOURCE, 0},
        {"print quality follows into y", kYResolution, 300, DM_YRESOLUTION, 600, DM_YRESOLUTION, 0},
    };
    for (const Case& c : cases) {
        SetUp();
        Set16(c.offset, c.callerValue);
        Merge(c.callerBit);
        EXPECT_EQ(Field16(c.offset), c.expected) << c.name;
        EXPECT_EQ(Field32(kFields) & c.bitSet, c.bitSet) << c.name;
        EXPECT_EQ(Field32(kFields) & c.bitClear, 0u) << c.name;
    }
}

TEST_F(PublicMerge, AUserDefinedPaperIsASizeEvenWithOnlyThePaperBit)
{
    Set16(kPaperSize, 256);
    Set16(kPaperLength, 2970);
    Set16(kPaperWidth, 2100);
    Merge(DM_PAPERSIZE);
    EXPECT_EQ(Field16(kPaperSize), 256);
    EXPECT_EQ(Field16(kPaperLength), 2970);
    EXPECT_EQ(Field16(kPaperWidth), 2100);
    EXPECT_EQ(Field32(kFields) & (DM_PAPERLENGTH | DM_PAPERWIDTH), DM_PAPERLENGTH | DM_PAPERWIDTH);
    // The size in 1,200-dpi dots: 297 mm is 14,030 dots, 210 mm 9,920.
    EXPECT_EQ(GetItemValue(context(), rdmPaperFreeSizeLength), 14030u);
    EXPECT_EQ(GetItemValue(context(), rdmPaperFreeSizeWidth), 9920u);
    EXPECT_NE(std::count(model_.events.begin(), model_.events.end(), kModuleEventPaperFromDevmode), 0);
}

TEST_F(PublicMerge, FormNameIsCopiedBoundedAndOnlyOverANamedForm)
{
    // 32 characters without a terminator.
    for (int i = 0; i < 32; ++i) Set16(kFormName + 2 * i, u'X');
    Merge(DM_FORMNAME);
    for (int i = 0; i < 31; ++i) ASSERT_EQ(Field16(kFormName + 2 * i), u'X') << i;
    EXPECT_EQ(Field16(kFormName + 62), 0);
    EXPECT_TRUE(Field32(kFields) & DM_FORMNAME);

    SetDevmodeFormName(store(), u"");
    Merge(DM_FORMNAME);
    EXPECT_EQ(Field16(kFormName), 0);
    EXPECT_FALSE(Field32(kFields) & DM_FORMNAME);
}

TEST_F(PublicMerge, ADeviceResolutionCodeGivesTheDefault)
{
    Set16(kQuality, static_cast<std::uint16_t>(-2));
    Merge(DM_PRINTQUALITY);
    EXPECT_EQ(Field16(kQuality), 600);
    EXPECT_EQ(Field16(kYResolution), 600);
    EXPECT_TRUE(Field32(kFields) & DM_PRINTQUALITY);
}

}  // namespace
}  // namespace vexl::test
