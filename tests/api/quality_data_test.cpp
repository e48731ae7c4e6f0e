#include "api/quality_data.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/store.h"
#include "core/model_context.h"
#include "integration/integration_fixture.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace vexl::api {
namespace {

bool IsNumericItem(const SettingItemDescriptor& item)
{
    const std::uint32_t code = ItemTypeCode(item);
    return (code >= kValueInt8 && code <= kValueUInt32) || (code >= kValueBit0 && code <= kValueBitLast);
}

class SavedItemDecodeTest : public test::ModelContextTest {};

TEST_F(SavedItemDecodeTest, SavedValuesDecodeAsTheItemAccessorsReadThem)
{
    std::mt19937 random(7);
    for (std::uint32_t i = 0; i < GetSettingsStoreSize(); ++i) ctx_.bytes()[i] = static_cast<std::uint8_t>(random());
    const std::vector<std::uint8_t> image(ctx_.bytes(), ctx_.bytes() + GetSettingsStoreSize());

    int numeric = 0;
    const ItemTable* table = context()->itemTable;
    for (int i = 0; i < table->count; ++i) {
        const SettingItemDescriptor& item = table->items[i];
        if (!IsNumericItem(item) || ItemArea(item) == kAreaNone) continue;
        SCOPED_TRACE(item.id);
        EXPECT_EQ(DecodeSavedItemValue(&item, image.data()), ReadItemValue(context(), &item));
        ++numeric;
    }
    EXPECT_GT(numeric, 100);
    EXPECT_EQ(DecodeSavedItemValue(ctx_.item(rdmUserCode), image.data()), 0u);  // a text
    EXPECT_EQ(GetItemAddressInCopy(ctx_.item(rdmUserCode), image.data()),
              image.data() + (GetItemAddress(context(), ctx_.item(rdmUserCode)) - ctx_.bytes()));
    EXPECT_EQ(DecodeSavedItemValue(ctx_.item(rdmBrightness), nullptr), 0u);
    EXPECT_EQ(DecodeSavedItemValue(nullptr, image.data()), 0u);
}

class QualityDataTest : public test::DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        context_ = Create(kCallerSettingsInterface);
        ASSERT_NE(context_, nullptr);
        saved_.assign(GetSettingsStoreSize(), 0);
    }
    void TearDown() override
    {
        if (context_ != nullptr) ReleaseDriverContext(context_, kReleaseDestroy);
        DriverPrinterTest::TearDown();
    }

    DriverContext* context_ = nullptr;
    std::vector<std::uint8_t> saved_;
};

TEST_F(QualityDataTest, RestoreBringsBackQualityAndMacroItemsOnly)
{
    SetItemValue(context_, rdmBrightness, 3);
    SetItemValue(context_, rdmColorMode, 2);
    SetItemValue(context_, rdmPrintMacro, 1);
    SetItemValue(context_, rdmUseUserMacro, 0);
    SetItemValue(context_, dmCopies, 2);
    const std::uint32_t balanceMacro = GetItemValue(context_, rdmBalanceMacro);
    ASSERT_TRUE(SaveQualityData(context_, saved_.data()));

    SetItemValue(context_, rdmBrightness, 7);
    SetItemValue(context_, rdmColorMode, 3);
    SetItemValue(context_, rdmPrintMacro, 4);
    SetItemValue(context_, rdmBalanceMacro, balanceMacro + 1);
    SetItemValue(context_, rdmUseUserMacro, 1);
    SetItemValue(context_, dmCopies, 9);
    ASSERT_TRUE(RestoreQualityData(context_, saved_.data()));

    EXPECT_EQ(GetItemValue(context_, rdmBrightness), 3u);
    EXPECT_EQ(GetItemValue(context_, rdmColorMode), 2u);
    EXPECT_EQ(GetItemValue(context_, rdmPrintMacro), 1u);
    EXPECT_EQ(GetItemValue(context_, rdmBalanceMacro), balanceMacro);
    EXPECT_EQ(GetItemValue(context_, rdmUseUserMacro), 0u);
    EXPECT_EQ(GetItemValue(context_, dmCopies), 9u);  // not a quality item

    EXPECT_FALSE(SaveQualityData(nullptr, saved_.data()));
    EXPECT_FALSE(SaveQualityData(context_, nullptr));
    EXPECT_FALSE(RestoreQualityData(context_, nullptr));
}

}  // namespace
}  // namespace vexl::api
