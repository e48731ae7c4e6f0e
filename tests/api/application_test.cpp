// One application's walk through the settings library, as a program would
// make it with the public header and nothing else: an instance on the
// package printer, every enabled status read in both passes, every enabled
// capability asked in both passes, the quality data kept and put back, and a
// PJL job text edited through an exclusive handle.
#include "api_fixture.h"

#include <cstring>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

constexpr std::uint8_t kCanary = 0xCC;
constexpr std::size_t kCanaryBytes = 16;
constexpr std::uint32_t kNameSlotBytes = 260;  // the widest element of a capability list
constexpr std::uint32_t kLargestCount = 4096;

bool CanaryHolds(const std::vector<std::uint8_t>& buffer, std::size_t from)
{
    for (std::size_t at = from; at < buffer.size(); ++at) {
        if (buffer[at] != kCanary) return false;
    }
    return true;
}

class ApplicationTest : public ApiApplicationTest {
protected:
    std::vector<std::uint32_t> EnabledStatuses(VEXLDRVHANDLE instance)
    {
        std::uint8_t bitmap[VEXLDRV_BITMAP_BYTES] = {};
        const std::uint32_t size = library_.getCaps(instance, VEXLDRV_CAPS_ENABLED_STATUSES, bitmap);
        std::vector<std::uint32_t> ids;
        for (std::uint32_t id = 1; id <= size * 8; ++id) {
            if (bitmap[VEXLDRV_ID_BYTE(id)] & VEXLDRV_ID_MASK(id)) ids.push_back(id);
        }
        return ids;
    }
};

TEST_F(ApplicationTest, AnApplicationWalksThroughEveryInterface)
{
    ASSERT_EQ(library_.checkApiVer(kPrinterNameAnsi), VEXLAPI_VERSION_LATEST);
    VEXLDRVHANDLE instance = library_.EnableInstance();
    ASSERT_NE(instance, nullptr);

    // Statuses: the size first, then the structure (zero-filled, as the
    // statuses that read an input field find nothing asked), written within
    // that size; a status the model does not offer is refused with a code.
    const std::vector<std::uint32_t> statuses = EnabledStatuses(instance);
    ASSERT_FALSE(statuses.empty());
    int read = 0;
    for (std::uint32_t id : statuses) {
        SCOPED_TRACE(testing::Message() << "status " << id);
        const int size = library_.getStatus(instance, id, nullptr, 0);
        if (size <= 0) {
            EXPECT_EQ(size, -1);
            EXPECT_NE(library_.getLastError(instance), VEXLDRV_ERROR_NONE);
            continue;
        }
        std::vector<std::uint8_t> structure(static_cast<std::size_t>(size) + kCanaryBytes, kCanary);
        std::memset(structure.data(), 0, static_cast<std::size_t>(size));
        const int filled = library_.getStatus(instance, id, structure.data(), 0);
        if (filled == size) {
            ++read;
        } else {
            EXPECT_EQ(filled, -1);
            EXPECT_NE(library_.getLastError(instance), VEXLDRV_ERROR_NONE);
        }
        EXPECT_TRUE(CanaryHolds(structure, static_cast<std::size_t>(size)));
    }
    EXPECT_GT(read, 0);

    // Capabilities: the answer without a buffer and with one agree.
    std::vector<std::uint32_t> capabilities;
    for (std::uint32_t id = 1; id <= 282; ++id) capabilities.push_back(id);
    capabilities.push_back(VEXLDRV_CAPS_EXTRA);
    for (std::uint32_t id : capabilities) {
        SCOPED_TRACE(testing::Message() << "capability " << id);
        const std::uint32_t first = library_.getCaps(instance, id, nullptr);
        const std::uint32_t slots = first == VEXLDRV_CAPS_FAILED ? 1 : std::min(std::max(first, 1u), kLargestCount);
        std::vector<std::uint8_t> buffer(slots * kNameSlotBytes + kCanaryBytes, kCanary);
        EXPECT_EQ(library_.getCaps(instance, id, buffer.data()), first);
        EXPECT_TRUE(CanaryHolds(buffer, slots * kNameSlotBytes));
    }

    // The quality data comes back as it was kept.
    EXPECT_EQ(library_.saveQualityData(instance), 1);
    EXPECT_EQ(library_.restoreQualityData(instance), 1);
    EXPECT_EQ(library_.disable(instance), 1);

    // A job text through an exclusive handle: the base, then one line changed.
    EXCHANDLE exclusive = library_.excGetExclusive(kPrinterNameAnsi);
    ASSERT_NE(exclusive, nullptr);
    const char* base = "@PJL SET APLPAGESIZE = A4 \r\n"
                       "@PJL SET APLPAGELAYOUT = PORTRAIT \r\n"
                       "@PJL SET PAPER = A4 \r\n"
                       "@PJL SET TRAY = TRAY1 \r\n";
    std::int32_t needed = -5;
    const int set = library_.excSetCommandBase(exclusive, base, &needed);
    EXPECT_TRUE(set == EXC_DONE || set == EXC_MORE) << set;
    if (set == EXC_MORE) {
        std::vector<char> change(static_cast<std::size_t>(needed));
        EXPECT_EQ(library_.excGetCommandChange(exclusive, needed, change.data(), &needed), EXC_DONE);
    }
    EXPECT_EQ(library_.excUpdateCommand(exclusive, "@PJL SET APLPAGELAYOUT = LANDSCAPE \r\n", &needed), EXC_DONE);
    ASSERT_EQ(library_.excGetCommandBase(exclusive, 0, nullptr, &needed), EXC_MORE);
    std::vector<char> text(static_cast<std::size_t>(needed));
    ASSERT_EQ(library_.excGetCommandBase(exclusive, needed, text.data(), &needed), EXC_DONE);
    EXPECT_NE(std::string(text.data()).find("@PJL SET APLPAGELAYOUT = LANDSCAPE \r\n"), std::string::npos)
        << text.data();
    library_.excFreeExclusive(exclusive);
}

}  // namespace
}  // namespace vexl::test
