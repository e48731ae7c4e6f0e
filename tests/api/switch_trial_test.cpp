// A switch trial (the N-up written while it is off) runs a merge that may
// free and replace the heap lists the store names; the writes that follow
// must find live lists, which ASan checks.
#include "api/status_engine.h"
#include "api/status_layouts.h"
#include "api/versions.h"
#include "common/core/items.h"
#include "api_fixture.h"
#include "interface_printer.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

namespace vexl::api {
namespace {

class SwitchTrialTest : public test::InterfacePrinterTest {
protected:
    test::InterfaceModelIni ModelIni() const override { return {kApiVersionLatest, 0x200}; }
};

TEST_F(SwitchTrialTest, WritesAfterATrialFindTheStoresListsAlive)
{
    CheckApiVersion(test::kInterfacePrinterNameAnsi);
    BuildEnabledIdBitmaps(GetRequestedApiVersion());
    DriverContext* instance = OpenApiInstance(test::kInterfacePrinterNameAnsi);
    ASSERT_NE(instance, nullptr);
    const VEXLDRVINITRECORD record{0, kApiVersionLatest};
    InitApiVersion(1, &record);
    using Values = std::initializer_list<std::pair<std::size_t, std::uint32_t>>;
    const auto write = [&](std::uint32_t status, Values values) {
        std::vector<std::uint8_t> structure(900, 0);
        for (const auto& [offset, value] : values) PutStatusU32(structure.data(), offset, value);
        std::uint8_t changed[64] = {};
        return SetStatusDispatch(instance, status, structure.data(), changed, 0);
    };
    EXPECT_EQ(write(262, {{12, 160}, {28, 1}}), 0);  // the custom quality, with its own lists
    EXPECT_EQ(write(11, {{4, 1}, {8, 150}, {28, 1}}), 0);
    EXPECT_EQ(write(14, {{4, 4}, {28, 1}}), 0);  // N-up switched on after a trial
    EXPECT_EQ(GetItemValue(instance, rdmFuncSelectNup), 1u);
    EXPECT_EQ(write(40, {{8, 10}}), 0);  // and the next write merges again
    CloseApiInstance(instance);
}

}  // namespace
}  // namespace vexl::api
