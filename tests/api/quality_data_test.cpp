#include "api/quality_data.h"

#include "api_fixture.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/store.h"
#include "support/integration_fixture.h"
#include "support/model_context.h"

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

// ---- through an instance and the exports ------------------------------------------------

class QualityInstanceTest : public test::ApiPrinterTest {};

TEST_F(QualityInstanceTest, RestoreRightAfterEnableBringsBackTheValuesOfEnableTime)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    const std::uint32_t brightness = GetItemValue(instance, rdmBrightness);
    const std::uint32_t macro = GetItemValue(instance, rdmUseUserMacro);
    SetItemValue(instance, rdmBrightness, brightness + 2);
    SetItemValue(instance, rdmUseUserMacro, macro ? 0 : 1);

    std::uint8_t* saved = instance->workArea->apiRecord->savedStore;
    ASSERT_TRUE(RestoreQualityData(instance, saved));
    EXPECT_EQ(GetItemValue(instance, rdmBrightness), brightness);
    EXPECT_EQ(GetItemValue(instance, rdmUseUserMacro), macro);
}

class QualityExportTest : public test::ApiApplicationTest {};

TEST_F(QualityExportTest, OnlyLiveInstancesSaveAndRestore)
{
    auto save = reinterpret_cast<PFN_VEXLDrvSaveQualityData>(
        reinterpret_cast<void*>(GetProcAddress(library_.module, "VEXLDrvSaveQualityData")));
    auto restore = reinterpret_cast<PFN_VEXLDrvRestoreQualityData>(
        reinterpret_cast<void*>(GetProcAddress(library_.module, "VEXLDrvRestoreQualityData")));
    ASSERT_NE(save, nullptr);
    ASSERT_NE(restore, nullptr);

    VEXLDRVHANDLE instance = library_.EnableInstance();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(save(instance), 1);
    EXPECT_EQ(restore(instance), 1);
    ASSERT_EQ(library_.disable(instance), 1);

    int local = 0;
    for (VEXLDRVHANDLE handle : {VEXLDRVHANDLE(nullptr), instance, reinterpret_cast<VEXLDRVHANDLE>(&local)}) {
        EXPECT_EQ(save(handle), 0);
        EXPECT_EQ(restore(handle), 0);
    }
    EXPECT_EQ(local, 0);
}

}  // namespace
}  // namespace vexl::api
