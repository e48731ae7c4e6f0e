// Capabilities asked as applications ask them: through the request gates of
// an instance, and through VEXLDrvGetCaps of the deliverable with the public
// header. Every list answers the same count in both passes and writes
// nothing past it; a capability that cannot answer leaves its code.
#include "api/capabilities.h"
#include "common/core/items.h"

#include "api_fixture.h"
#include "capability_test_lists.h"

#include <cstring>
#include <vector>

namespace vexl::test {
namespace {

constexpr std::uint8_t kCanary = 0xCC;

// Both passes of one list through an asker; the count, or the answer of the
// size query when it is not a count.
template <typename Ask> int CheckBothPasses(Ask ask, const ListCapability& list)
{
    const auto count = static_cast<std::int32_t>(ask(list.id, nullptr));
    if (count <= 0) return count;
    std::vector<std::uint8_t> buffer((count + 2) * list.entryBytes, kCanary);
    EXPECT_EQ(static_cast<std::int32_t>(ask(list.id, buffer.data())), count) << list.id;
    for (std::size_t i = count * list.entryBytes; i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], kCanary) << "capability " << list.id << " wrote byte " << i;
        if (buffer[i] != kCanary) break;
    }
    return count;
}

class CapabilityRequestsTest : public ApiPrinterTest {};

TEST_F(CapabilityRequestsTest, EveryListThroughTheGatesAnswersOneCountInBothPasses)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    int answered = 0;
    for (const ListCapability& list : kListCapabilities) {
        const int count = CheckBothPasses(
            [&](std::uint32_t id, void* buffer) { return api::GetInstanceCaps(instance, id, buffer); }, list);
        if (count <= 0) continue;
        ++answered;
        // A list asked straight answers as through the gates.
        EXPECT_EQ(api::RunCapabilityHandler(instance, list.id, nullptr), count) << list.id;
    }
    EXPECT_GE(answered, 10);
    EXPECT_EQ(instance->printer, nullptr);
}

TEST_F(CapabilityRequestsTest, ACapabilityThatCannotAnswerLeavesItsCodeAndOneThatAnswersPutsTheOldBack)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    api::SetApiLastError(instance, api::kApiErrorRefused);
    // This model's machine sub-code is 1: no emulation list, code 3.
    EXPECT_EQ(api::GetInstanceCaps(instance, 45, nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(api::GetApiLastError(instance), api::kApiErrorMachineSubCode);
    // No margin entries: -1 and code 100.
    EXPECT_EQ(api::GetInstanceCaps(instance, 26, nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(api::GetApiLastError(instance), api::kApiErrorFailure);
    // Answers, 0 included, put the code back.
    api::SetApiLastError(instance, api::kApiErrorRefused);
    EXPECT_EQ(api::GetInstanceCaps(instance, 40, nullptr), 0u);
    EXPECT_EQ(api::GetInstanceCaps(instance, 17, nullptr), 999u);
    EXPECT_EQ(api::GetApiLastError(instance), api::kApiErrorRefused);
    // The colour capability without bit reaches its handler.
    EXPECT_EQ(api::GetInstanceCaps(instance, api::kMachineColorCapability, nullptr),
              GetItemValue(instance, rdmMachineTypeColor));
}

class CapabilityApplicationTest : public ApiApplicationTest {};

TEST_F(CapabilityApplicationTest, AnApplicationReadsEveryListInBothPasses)
{
    VEXLDRVHANDLE instance = library_.EnableInstance();
    ASSERT_NE(instance, nullptr);
    int answered = 0;
    for (const ListCapability& list : kListCapabilities) {
        const int count = CheckBothPasses(
            [&](std::uint32_t id, void* buffer) { return library_.getCaps(instance, id, buffer); }, list);
        if (count > 0) ++answered;
    }
    EXPECT_GE(answered, 10);
    EXPECT_EQ(library_.disable(instance), 1);
}

}  // namespace
}  // namespace vexl::test
