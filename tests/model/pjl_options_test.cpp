// The values and words a setting may take now in PJL terms, the lock
// preferences that narrow them, and the setting-condition evaluator.
#include "common/core/items.h"
#include "common/model/pjl_options.h"

#include "support/model_context.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexl {
namespace {

class PjlOptions : public test::ModelContextTest {
protected:
    void Set(std::uint16_t item, std::uint32_t value)
    {
        SetItemValue(context(), item, value);
        ASSERT_EQ(GetItemValue(context(), item), value) << item;
    }
    // The two-call protocol: the count, then the values.
    std::vector<std::uint32_t> Values(std::uint16_t item, BOOL skipNeutral = FALSE)
    {
        std::int32_t count = -1;
        const int first = ListAllowedItemValuesEx(context(), item, 0, nullptr, &count, skipNeutral);
        EXPECT_EQ(first, count > 0 ? 1 : 0);
        std::vector<std::uint32_t> values(static_cast<std::size_t>(std::max(count, 0)));
        std::int32_t again = -1;
        EXPECT_EQ(ListAllowedItemValuesEx(context(), item, static_cast<std::uint32_t>(values.size()), values.data(),
                                          &again, skipNeutral),
                  0);
        EXPECT_EQ(again, count);
        return values;
    }
};

using List = std::vector<std::uint32_t>;

TEST_F(PjlOptions, CollateNeedsEnoughPrinterMemory)
{
    Set(rdmPrinterMemory, 128);
    std::int32_t count = 0;
    EXPECT_EQ(ListAllowedItemValues(context(), rdmSortType, 0, nullptr, &count), 1);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Values(rdmSortType), (List{1, 0}));
    Set(rdmPrinterMemory, 64);
    EXPECT_EQ(Values(rdmSortType), (List{0}));
    EXPECT_EQ(Values(rdmSortType, TRUE), List{});
}

TEST_F(PjlOptions, TraysFollowTheInstalledOptions)
{
    EXPECT_EQ(Values(dmDefaultSource), (List{7, 1}));
    Set(rdmSourceOptionType1Step, 1);
    Set(rdm1StepOptionNum, 3);
    EXPECT_EQ(Values(dmDefaultSource), (List{7, 1, 3, 2, 256}));
    Set(rdm1StepOptionNum, 1);
    Set(rdmSourceOptionTypeMulti, 1);
    EXPECT_EQ(Values(dmDefaultSource), (List{7, 1, 3, 4}));
}

TEST_F(PjlOptions, ALockedTrayOffersItsLockedValueOnly)
{
    Set(rdmLock000InfoBitTray, 1);
    Set(wdmLock001Info, 3);
    EXPECT_EQ(Values(dmDefaultSource), (List{3}));
    Set(wdmLock001Info, 999);  // no option carries it: the list as without the lock
    EXPECT_EQ(Values(dmDefaultSource), (List{7, 1}));
}

TEST_F(PjlOptions, TheNupLockKeepsNupOnAndItsKind)
{
    const List all = Values(rdmNUPType);
    ASSERT_EQ(all.size(), 16u);
    EXPECT_EQ(all.back(), 0u);
    const List withoutOff = Values(rdmNUPType, TRUE);
    EXPECT_EQ(withoutOff, List(all.begin(), all.end() - 1));

    Set(rdmLock000InfoBitNupKind, 1);
    Set(wdmLock003Info, 2);
    EXPECT_EQ(Values(rdmNUPType), (List{33, 37, 34, 38}));
    Set(rdmLock000InfoBitNupKindAll, 1);
    EXPECT_EQ(Values(rdmNUPType), withoutOff);
}

TEST_F(PjlOptions, ItemsWithoutOwnOptionsAnswerNothing)
{
    for (std::uint16_t item : {static_cast<std::uint16_t>(rdmFuncSelectPunch), static_cast<std::uint16_t>(dmCopies)}) {
        std::int32_t count = -1;
        EXPECT_EQ(ListAllowedItemValues(context(), item, 0, nullptr, &count), 0) << item;
        EXPECT_EQ(count, 0);
        std::uint32_t needed = 7;
        EXPECT_EQ(ListPjlOptionWords(context(), item, 0, nullptr, &needed), 0) << item;
        EXPECT_EQ(needed, 0u);
    }
}

TEST_F(PjlOptions, WordsAreListedWithAFinalTerminator)
{
    std::uint32_t needed = 0;
    EXPECT_EQ(ListPjlOptionWords(context(), dmDefaultSource, 0, nullptr, &needed), 1);
    ASSERT_EQ(needed, 11u);  // "ALL", "TRAY1" and the final terminator
    std::string words(needed, 'x');
    EXPECT_EQ(ListPjlOptionWords(context(), dmDefaultSource, needed - 1, words.data(), &needed), 1);
    EXPECT_EQ(words, std::string(needed, 'x'));
    EXPECT_EQ(ListPjlOptionWords(context(), dmDefaultSource, needed, words.data(), &needed), 0);
    EXPECT_EQ(words, std::string("ALL\0TRAY1\0\0", 11));
}

TEST_F(PjlOptions, ConditionsGroupOrTermsAndTheirAndParts)
{
    // (A and B) or C, and then D: groups end with kConditionEndGroup.
    const SettingCondition nodes[4] = {
        {&nodes[1], kConditionAnd, rdmFuncSelectDuplex, 1},
        {&nodes[2], kConditionOr, rdmFuncSelectNup, 1},
        {&nodes[3], kConditionEndGroup, rdmFuncSelectSort, 1},
        {nullptr, kConditionOr, rdmFuncSelectStaple, 1},
    };
    struct Case {
        std::uint32_t a, b, c, d;
        BOOL expected;
    };
    const Case cases[] = {
        {1, 1, 0, 1, TRUE}, {1, 0, 0, 1, FALSE}, {0, 1, 1, 1, TRUE},
        {0, 0, 1, 1, TRUE}, {1, 1, 1, 0, FALSE}, {0, 0, 0, 1, FALSE},
    };
    for (const Case& c : cases) {
        Set(rdmFuncSelectDuplex, c.a);
        Set(rdmFuncSelectNup, c.b);
        Set(rdmFuncSelectSort, c.c);
        Set(rdmFuncSelectStaple, c.d);
        EXPECT_EQ(EvaluateSettingCondition(context(), nodes), c.expected) << c.a << c.b << c.c << c.d;
    }
    EXPECT_TRUE(EvaluateSettingCondition(context(), nullptr));
}

TEST_F(PjlOptions, SupportConditionsReadTheModelsSupportItems)
{
    // The duplex unit installed (10014) reads as its support item (244).
    const SettingCondition duplexUnit = {nullptr, kConditionOr, rdmSourceOptionTypeDuplex, 1};
    SettingItemDescriptor* support = FindItem(context(), 244);
    ASSERT_TRUE(support);
    WriteItemValue(context(), support, 1);
    EXPECT_FALSE(EvaluateSettingCondition(context(), &duplexUnit));
    EXPECT_TRUE(EvaluateSupportCondition(context(), &duplexUnit));
    WriteItemValue(context(), support, 0);
    EXPECT_FALSE(EvaluateSupportCondition(context(), &duplexUnit));
}

}  // namespace
}  // namespace vexl
