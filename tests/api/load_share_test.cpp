#include "api/load_share.h"

#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "interface_printer.h"
#include "support/model_context.h"

#include <gtest/gtest.h>

#include <string>

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

// The interface's model with rules for its load-sharing options (an option
// without a rule counts as not offered): 16 and 17 are refused while duplex
// printing is on.
class LoadShareModelTest : public test::InterfacePrinterTest {
protected:
    void SetUp() override
    {
        InterfacePrinterTest::SetUp();
        std::string text = test::ReadHostFile(test::kInterfaceFixtureFolder / "interface_model.vxd");
        Insert(text, "*Item 5=PrnMethodRules:",
               "*Item 6=LoadShareRules: { {BF_rdmLoadShare_2669 NULL NULL NULL} {BF_rdmLoadShare_2670 NULL NULL NULL} "
               "{BF_rdmLoadShare_2671 NULL NULL NULL} {BF_rdmLoadShare_2672 DuplexOn NULL NULL} "
               "{BF_rdmLoadShare_2673 DuplexOn NULL NULL} {BF_rdmLoadShare_2674 NULL NULL NULL} }\n");
        Insert(text, "  {KSD_rdmShiftMarginY MarginOff",
               "  {KSD_rdmLoadShare NULL NULL LoadShareRules NULL NULL NULL NULL}\n");
        machine::WriteFile(std::u16string(test::kInterfaceDriverFolder) + u"\\TZ16E1MD.VXD", text);
        context_ = Create();
        ASSERT_NE(context_, nullptr);
    }
    void TearDown() override
    {
        if (context_ != nullptr) ReleaseDriverContext(context_, kReleaseDestroy);
        InterfacePrinterTest::TearDown();
    }
    // Puts the line before the line that starts with the text.
    static void Insert(std::string& text, const std::string& before, const std::string& line)
    {
        const std::size_t at = text.find(before);
        ASSERT_NE(at, std::string::npos) << before;
        text.insert(at, line);
    }

    DriverContext* context_ = nullptr;
};

TEST_F(LoadShareModelTest, EachInstanceKeepsTheRowsItsModelOfferedAndWritesOnlyThose)
{
    SetItemValue(context_, rdmFuncSelectDuplex, 0);
    const std::uint32_t offeredAll = RefreshLoadShareAvailability(context_);
    EXPECT_EQ(offeredAll, Rows({0, 1, 2, 3, 4, 5}));
    SetItemValue(context_, rdmFuncSelectDuplex, 1);
    const std::uint32_t duplexOn = RefreshLoadShareAvailability(context_);
    EXPECT_EQ(duplexOn, Rows({0, 2, 4, 5}));

    // Code 0 of an instance that found value 16 refused writes 0 only.
    std::uint32_t value = 99;
    EXPECT_TRUE(FindLoadShareValue(context_, duplexOn, 0, &value));
    EXPECT_EQ(value, 0u);
    // A row offered when another instance started is still checked now.
    EXPECT_FALSE(FindLoadShareValue(context_, Rows({1}), 0, &value));
    EXPECT_TRUE(FindLoadShareValue(context_, offeredAll, 3, &value));
    EXPECT_EQ(value, 18u);
    EXPECT_FALSE(FindLoadShareValue(context_, offeredAll, 4, &value));
}

}  // namespace
}  // namespace vexl::api
