#include "api/load_share.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "core/model_context.h"

#include <gtest/gtest.h>

namespace vexl::api {
namespace {

class LoadShareTest : public test::ModelContextTest {};

// Rows: {0, 0} {0, 16} {1, 1} {1, 17} {2, 2} {3, 18}.
constexpr std::uint32_t Rows(std::initializer_list<int> rows)
{
    std::uint32_t mask = 0;
    for (int row : rows) mask |= 1u << row;
    return mask;
}

TEST_F(LoadShareTest, StoredValuesAnswerOnlyThroughAvailableRowsOfTheirCode)
{
    struct Case {
        std::uint32_t stored;
        std::uint32_t available;
        std::uint32_t code;
        BOOL isStored;
        std::int32_t readCode;
    };
    const Case cases[] = {
        {16, Rows({0, 1}), 0, TRUE, 0},  // both rows of code 0 available: the stored one counts
        {0, Rows({0, 1}), 0, TRUE, 0},  {16, Rows({0}), 0, FALSE, -1},  // the row of 16 is not offered by this model
        {17, Rows({2, 3}), 1, TRUE, 1}, {17, Rows({2, 3}), 0, FALSE, 1},
        {18, Rows({5}), 3, TRUE, 3},    {5, Rows({0, 1, 2, 3, 4, 5}), 0, FALSE, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        SetItemValue(context(), rdmLoadShare, c.stored);
        EXPECT_EQ(IsLoadShareCodeStored(context(), c.available, c.code), c.isStored);
        EXPECT_EQ(GetLoadShareCode(context(), c.available), c.readCode);
    }
}

TEST_F(LoadShareTest, AModelWithoutTheSettingOffersNoRow)
{
    EXPECT_EQ(RefreshLoadShareAvailability(context()), 0u);
    std::uint32_t value = 99;
    EXPECT_FALSE(FindLoadShareValue(context(), 0, 0, &value));
    EXPECT_EQ(value, 99u);
    EXPECT_EQ(LoadShareTable().size(), 6u);
    EXPECT_EQ(LoadShareTable()[1].option, 2672);
}

}  // namespace
}  // namespace vexl::api
