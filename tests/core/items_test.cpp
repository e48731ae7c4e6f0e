// Typed item access: value types with sentinels around each field, value
// maps, text items, change marks and UiFlags.
#include "common/core/items.h"

#include "common/core/appservices.h"
#include "common/core/le.h"
#include "common/wiring.h"
#include "support/model_context.h"
#include "support/scoped_services.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vexl {
namespace {

using test::ModelContextTest;

constexpr std::uint8_t kSentinel = 0x5A;

class ItemAccessTest : public ModelContextTest {
protected:
    // Fills the store with the sentinel and remembers it.
    void FillStore(std::uint8_t byte = kSentinel)
    {
        std::memset(ctx_.bytes(), byte, kSettingsStoreSize);
        before_.assign(ctx_.bytes(), ctx_.bytes() + kSettingsStoreSize);
    }
    // The store bytes outside [from, from + count) are as they were.
    void ExpectUnchangedOutside(std::size_t from, std::size_t count, const char* what)
    {
        for (std::size_t b = 0; b < kSettingsStoreSize; ++b) {
            if (b >= from && b < from + count) continue;
            if (ctx_.bytes()[b] != before_[b]) {
                ADD_FAILURE() << what << ": byte " << b << " changed";
                return;
            }
        }
    }
    std::size_t StoreOffset(std::uint16_t id)
    {
        return static_cast<std::size_t>(GetItemAddress(context(), ctx_.item(id)) - ctx_.bytes());
    }
    std::vector<std::uint8_t> before_;
};

TEST_F(ItemAccessTest, NumericTypesReadAndWriteOnlyTheirField)
{
    struct Case {
        std::uint16_t id;
        std::uint32_t code;
        std::uint32_t written;
        std::uint32_t readBack;
    } cases[] = {
        {rdmBrightness, kValueInt8, 0xFF, 0xFFFFFFFF},        {rdmMachineID, kValueUInt8, 0x1FF, 255},
        {rdmMarginOdd, kValueInt16, 0xFFFF, 0xFFFFFFFF},      {rdmScaleH, kValueUInt16, 0x1FFFF, 0xFFFF},
        {rdmMediaType, kValueUInt32, 0xDEADBEEF, 0xDEADBEEF},
    };
    for (const Case& c : cases) {
        FillStore();
        SettingItemDescriptor* item = ctx_.item(c.id);
        ASSERT_EQ(ItemTypeCode(*item), c.code) << c.id;
        SetItemValue(context(), c.id, c.written);
        EXPECT_EQ(GetItemValue(context(), c.id), c.readBack) << c.id;
        ExpectUnchangedOutside(StoreOffset(c.id), ItemLength(*item), "numeric");
    }
}

TEST_F(ItemAccessTest, BitItemTouchesOnlyItsBit)
{
    // rdmFuncSelectBack is bit 3 of the second byte: bit 11 of its word.
    SettingItemDescriptor* back = ctx_.item(rdmFuncSelectBack);
    ASSERT_EQ(ItemTypeCode(*back), 27u);
    std::size_t at = StoreOffset(rdmFuncSelectBack);

    FillStore(0);
    WriteLe32(ctx_.bytes() + at, 1u << 11);
    EXPECT_EQ(GetItemValue(context(), rdmFuncSelectBack), 1u);
    EXPECT_EQ(GetItemValue(context(), rdmFuncSelectMark), 0u);

    FillStore(0xFF);
    SetItemValue(context(), rdmFuncSelectBack, 0);
    EXPECT_EQ(ReadLe32(ctx_.bytes() + at), ~(1u << 11));
    ExpectUnchangedOutside(at, 4, "bit");
    SetItemValue(context(), rdmFuncSelectBack, 7);  // any non-zero sets it
    EXPECT_EQ(ReadLe32(ctx_.bytes() + at), 0xFFFFFFFFu);
}

TEST_F(ItemAccessTest, TextWritesStayInsideTheirField)
{
    struct Case {
        std::uint16_t id;
        const char16_t* text;
        const char16_t* readBack;
    } cases[] = {
        {rdmUserID, u"ABCDEFGHIJKLMNOP", u"ABCDEFGH"},  // 9 bytes: 8 characters and the terminator
        {rdmUserID, u"ab", u"ab"},
        {dmDeviceName, u"0123456789012345678901234567890123456789", u"0123456789012345678901234567890"},
        {wdmPresetName, u"", u""},
    };
    for (const Case& c : cases) {
        FillStore();
        SettingItemDescriptor* item = ctx_.item(c.id);
        ASSERT_NE(SetItemString(context(), item, c.text), nullptr);
        ExpectUnchangedOutside(StoreOffset(c.id), ItemLength(*item), "text");
        EXPECT_EQ(ctx_.bytes()[StoreOffset(c.id) + ItemLength(*item) - 1], 0) << c.id;
        WCHAR out[600];
        ASSERT_NE(GetItemString(context(), item, out, std::size(out)), nullptr);
        EXPECT_EQ(std::u16string(out), c.readBack) << c.id;
    }
}

TEST_F(ItemAccessTest, TextReadsOfFullFieldsAreBoundedAndTerminated)
{
    FillStore('X');  // no terminator anywhere
    WCHAR out[64];
    std::fill(std::begin(out), std::end(out), u'?');
    GetItemString(context(), ctx_.item(rdmUserID), out, std::size(out));
    EXPECT_EQ(std::u16string(out), u"XXXXXXXXX");  // the 9 bytes of the field, no more

    WCHAR small[4];
    GetItemString(context(), ctx_.item(rdmUserID), small, std::size(small));
    EXPECT_EQ(std::u16string(small), u"XXX");

    GetItemString(context(), ctx_.item(dmFormName), out, std::size(out));
    EXPECT_EQ(std::u16string(out).size(), 32u);  // 64 bytes of 'X' are 32 characters

    GetItemString(context(), ctx_.item(rdmScaleH), out, std::size(out));
    EXPECT_EQ(std::u16string(out), u"wrong");
    EXPECT_EQ(GetItemString(context(), ctx_.item(rdmUserID), nullptr, 4), nullptr);
}

TEST_F(ItemAccessTest, BytesFromAShortSourceZeroFillTheField)
{
    FillStore();
    SetItemBytes(context(), rdmOther, "ab", 2);
    SettingItemDescriptor* other = ctx_.item(rdmOther);
    const std::uint8_t* field = GetItemAddress(context(), other);
    EXPECT_EQ(field[0], 'a');
    EXPECT_EQ(field[1], 'b');
    for (std::uint32_t i = 2; i < ItemLength(*other); ++i) EXPECT_EQ(field[i], 0) << i;
    ExpectUnchangedOutside(StoreOffset(rdmOther), ItemLength(*other), "bytes");

    // Bytes never go into a bit item's shared word.
    FillStore(0xFF);
    SetItemBytes(context(), rdmFuncSelectBack, nullptr, 0);
    ExpectUnchangedOutside(0, 0, "bit word");
}

TEST_F(ItemAccessTest, WriteMarksTheItemAndRaisesItsEvents)
{
    SettingItemDescriptor* item = ctx_.item(rdmCopyProtectChar);
    item->eventMask = 0x00020000 | 0x00000400 | 0x02000000;  // only bits of 0x11F0000 are raised
    SetItemString(context(), item, u"");
    EXPECT_EQ(item->stateBits & kItemChangeMarkMask, 1);
    EXPECT_EQ(ctx_.work()->settingsModified, 1u);
    EXPECT_EQ(GetUiFlags(context()), 0x00020000u);
    EXPECT_EQ(GetItemAddress(context(), item)[0], 0);

    // The saved copy takes writes without marks.
    SettingItemDescriptor* scale = ctx_.item(rdmScaleV);
    SetSavedItemValue(context(), rdmScaleV, 77);
    EXPECT_EQ(GetSavedItemValue(context(), rdmScaleV), 77u);
    EXPECT_EQ(GetItemValue(context(), rdmScaleV), 0u);
    EXPECT_EQ(scale->stateBits & kItemChangeMarkMask, 0);
}

TEST_F(ItemAccessTest, ScaleHCarriesScaleVOnlyWithScaleType1)
{
    SetItemValue(context(), rdmScaleType, 0);
    SetItemValue(context(), rdmScaleH, 150);
    EXPECT_EQ(GetItemValue(context(), rdmScaleV), 0u);
    SetItemValue(context(), rdmScaleType, 1);
    SetItemValue(context(), rdmScaleH, 150);
    EXPECT_EQ(GetItemValue(context(), rdmScaleV), 150u);
    EXPECT_EQ(ctx_.item(rdmScaleV)->stateBits & kItemChangeMarkMask, 1);
}

TEST_F(ItemAccessTest, NupValueMapFollowsOrientation)
{
    SettingItemDescriptor* nup = ctx_.item(rdmNUPType);
    struct Case {
        std::uint32_t orientation;
        std::uint32_t stored;
        std::uint32_t option;
        BOOL hasOption;
    } cases[] = {
        {1, 1, 2, 1},   {2, 1, 3, 1}, {1, 3, 4, 1}, {2, 3, 5, 1}, {1, 255, 255, 0},  // a row without an option
        {2, 77, 77, 0},                                                              // no row
    };
    for (const Case& c : cases) {
        SetItemValue(context(), dmOrientation, c.orientation);
        SetItemValue(context(), rdmNUPType, c.stored);
        EXPECT_EQ(GetItemOption(context(), rdmNUPType), c.option) << c.orientation << "/" << c.stored;
        EXPECT_EQ(HasOptionForValue(context(), nup, c.stored), c.hasOption);
        if (c.hasOption) {
            EXPECT_EQ(StoredValueFromOption(context(), nup, c.option), c.stored);
        }
    }
    SetItemValue(context(), dmOrientation, 2);
    SetItemOption(context(), rdmNUPType, 4);
    EXPECT_EQ(GetItemValue(context(), rdmNUPType), 4u);
    EXPECT_EQ(StoredValueFromOption(context(), ctx_.item(rdmScaleH), 42), 42u);  // no map
}

TEST_F(ItemAccessTest, UiFlagsRaiseAndClear)
{
    ContextWorkArea* work = ctx_.work();
    work->UiFlags = 1110 | (1u << 17);
    RaiseUiFlags(context(), 2001 | (1u << 24));
    EXPECT_EQ(GetUiFlags(context()), 2001u | (1u << 17) | (1u << 24));
    RaiseUiFlags(context(), 1u << 18);  // no control id: the old one stays
    EXPECT_EQ(GetUiFlags(context()) & 0xFFFF, 2001u);
    RaiseUiFlags(context(), 0);
    EXPECT_EQ(GetUiFlags(context()), 0u);

    for (std::uint32_t& copy : work->uiFlagsSnapshots) copy = 0x30000001;
    work->UiFlags = 0x30000001;
    ClearUiFlags(context(), 0x00000001);
    EXPECT_EQ(work->UiFlags, 0x30000000u);
    EXPECT_EQ(work->uiFlagsSnapshots[0], 0x30000001u);
    ClearUiFlags(context(), 0x20000000);
    EXPECT_EQ(work->UiFlags, 0x10000000u);
    for (std::uint32_t copy : work->uiFlagsSnapshots) EXPECT_EQ(copy, 0x10000001u);
}

int LoadFixtureString(DriverContext*, std::uint32_t id, WCHAR* out, int outChars)
{
    const char16_t* text = id == 15000 ? u"Stamp text" : u"";
    int n = 0;
    for (; text[n] && n + 1 < outChars; ++n) out[n] = text[n];
    out[n] = 0;
    return n;
}

TEST_F(ItemAccessTest, ModelValueIsAnOptionOrAStringId)
{
    test::ScopedItemServices services(ItemServices{LoadFixtureString, nullptr, nullptr, nullptr});
    SetItemValue(context(), dmOrientation, 1);
    SetItemModelValue(context(), rdmNUPType, 4);  // option 4 is stored 3 in portrait
    EXPECT_EQ(GetItemValue(context(), rdmNUPType), 3u);
    SetItemModelValue(context(), rdmHFString, 15000);
    WCHAR out[40];
    GetItemString(context(), ctx_.item(rdmHFString), out, std::size(out));
    EXPECT_EQ(std::u16string(out), u"Stamp text");
    SetItemModelValue(context(), 1600, 1);          // no such item: nothing happens
    SetItemModelValue(context(), rdmFontTable, 5);  // raw items are left alone
    EXPECT_EQ(GetItemHeapAddress(context(), rdmFontTable), nullptr);
}

std::uint32_t DuplexDefaultOnly(std::uint16_t itemId, DriverContext*)
{
    return itemId == rdmDuplexType ? 3 : 0;
}

TEST_F(ItemAccessTest, ResetToModelDefaultWritesTheUiDefaultAsAnOption)
{
    SettingItemDescriptor* duplex = ctx_.item(rdmDuplexType);
    SetItemValue(context(), dmOrientation, 2);
    SetItemValue(context(), rdmDuplexType, 0);
    duplex->stateBits = 0;

    {
        test::ScopedItemServices services(ItemServices{nullptr, nullptr, nullptr, DuplexDefaultOnly});
        ResetItemToModelDefault(context(), duplex);
        EXPECT_EQ(GetItemValue(context(), rdmDuplexType), 1u);  // option 3 is stored 1 in landscape
        EXPECT_EQ(duplex->stateBits & kItemChangeMarkMask, 1);
    }

    // Without a UI default service no item has a UI default: option 0 is stored as 0.
    test::ScopedItemServices none(ItemServices{});
    ResetItemToModelDefault(context(), duplex);
    EXPECT_EQ(GetItemValue(context(), rdmDuplexType), 0u);
    ResetItemToModelDefault(context(), nullptr);  // nothing to reset
}

TEST_F(ItemAccessTest, MissingStoreOrCopyReadsZeroAndWritesNothing)
{
    SettingItemDescriptor* descriptor = nullptr;
    EXPECT_EQ(GetItemValue(context(), 1600, &descriptor), 0u);
    EXPECT_EQ(descriptor, nullptr);

    ctx_.work()->defaultStore = nullptr;
    EXPECT_EQ(GetDefaultItemValue(context(), rdmScaleH), 0u);
    EXPECT_EQ(GetDefaultItemAddress(context(), ctx_.item(rdmScaleH)), nullptr);

    DriverContext bare = *context();
    bare.store = nullptr;
    SetItemValue(&bare, rdmScaleH, 5);
    EXPECT_EQ(GetItemValue(&bare, rdmScaleH), 0u);
    EXPECT_EQ(ctx_.item(rdmScaleH)->stateBits & kItemChangeMarkMask, 0);
    EXPECT_EQ(ctx_.work()->settingsModified, 0u);
}

TEST_F(ItemAccessTest, HeapAddressesNeverLeaveTheProcess)
{
    int fonts[3] = {};
    SetItemHeapAddress(context(), rdmFontTable, fonts);
    SetItemHeapAddress(context(), rdmDeviceFont, fonts + 1);
    EXPECT_EQ(GetItemHeapAddress(context(), rdmFontTable), fonts);
    EXPECT_EQ(GetItemHeapAddress(context(), rdmScaleH), nullptr);  // not an address item

    std::vector<std::uint8_t> image(ctx_.bytes(), ctx_.bytes() + kSettingsStoreSize);
    ClearHeapAddressItems(context(), image.data());
    std::vector<std::uint8_t> zero(kSettingsStoreSize, 0);
    EXPECT_EQ(image, zero);
    EXPECT_EQ(GetItemHeapAddress(context(), rdmDeviceFont), fonts + 1);  // the store keeps them
    // None of them lies in the DEVMODE that travels.
    for (std::uint16_t id : kHeapAddressItems) EXPECT_EQ(ItemArea(*ctx_.item(id)), kAreaPrinter);
}

TEST_F(ItemAccessTest, SettingsFileResult)
{
    SetSettingsFileError(context(), 3);
    EXPECT_EQ(GetSettingsFileError(context()), 3);
}

TEST(FeatureClasses, OnForClassesZeroToFive)
{
    for (std::uint16_t c = 0; c <= 5; ++c) EXPECT_EQ(IsFeatureClassOn(nullptr, c, 0), 1) << c;
    EXPECT_EQ(IsFeatureClassOn(nullptr, 6, 0), 0);
    EXPECT_EQ(IsFeatureClassOn(nullptr, 0xFFFF, 0), 0);
    std::uint32_t word = 0x10002;  // the low 16 bits of the class word
    EXPECT_EQ(IsFeatureClassOn(nullptr, static_cast<std::uint16_t>(word), 0), 1);
}

}  // namespace
}  // namespace vexl
