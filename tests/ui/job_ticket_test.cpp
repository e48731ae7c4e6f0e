// The job ticket of the private DEVMODE.
#include "ui_fixture.h"

#include "common/core/items.h"
#include "common/storage/devmode_settings_merge.h"
#include "ui/base/job_ticket.h"

namespace vexl::test {
namespace {

using namespace ui;

class JobTicketTest : public UiPrinterTest {
protected:
    void SetUp() override
    {
        UiPrinterTest::SetUp();
        context_ = ui::CreateDriverContext(printer_, printer_, nullptr, kCallerPropertySheet);
        ASSERT_NE(context_, nullptr);
    }
    void TearDown() override
    {
        if (context_) ReleaseDriverContext(context_, kReleaseDestroy);
        UiPrinterTest::TearDown();
    }
    // A DEVMODE of the printer with the ticket bytes given (byte 1 is set valid).
    std::vector<std::uint8_t> Ticketed(std::initializer_list<std::pair<int, std::uint8_t>> bytes)
    {
        std::vector<std::uint8_t> devmode = DevmodeBytes(context_);
        if (devmode.size() < kTicketOffset + kTicketBytes) {
            ADD_FAILURE() << "the DEVMODE has no job ticket";
            return devmode;
        }
        devmode[kTicketOffset + 1] = 1;
        for (auto [at, value] : bytes) devmode[kTicketOffset + at] = value;
        return devmode;
    }
    std::uint32_t ValueAfter(std::vector<std::uint8_t> devmode, std::uint16_t item)
    {
        EXPECT_TRUE(ApplyJobTicket(context_, AsDevmode(devmode)));
        // The DEVMODE carries the result; the context keeps its own store.
        std::vector<std::uint8_t> store = DevmodeBytes(context_);
        std::memcpy(GetStoreBytes(context_), devmode.data(), devmode.size());
        const std::uint32_t value = GetItemValue(context_, item);
        std::memcpy(GetStoreBytes(context_), store.data(), store.size());
        return value;
    }

    DriverContext* context_ = nullptr;
};

TEST_F(JobTicketTest, TicketCodesBecomeSettings)
{
    struct Case {
        int byte;
        std::uint8_t code;
        std::uint16_t item;
        std::uint32_t value;
    };
    const Case cases[] = {
        {10, 0x06, rdmScaleH, 100},                                // with byte 11 = 0x40 below: 0x4006
        {10, 150, rdmScaleH, 150},   {6, 14, rdmOutputTrayID, 0},  // no finisher: the end row's main tray
        {6, 5, rdmOutputTrayID, 15}, {3, 1, rdmFuncSelectSort, 0},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> devmode = Ticketed({{c.byte, c.code}});
        if (c.byte == 10 && c.code == 0x06) devmode[kTicketOffset + 11] = 0x40;
        EXPECT_EQ(ValueAfter(devmode, c.item), c.value) << "byte " << c.byte << " code " << int(c.code);
    }
}

TEST_F(JobTicketTest, NupCodeTwoFollowsTheOrientation)
{
    std::vector<std::uint8_t> portrait = Ticketed({{12, 2}});
    AsDevmode(portrait)->dmOrientation = DMORIENT_PORTRAIT;
    EXPECT_EQ(ValueAfter(portrait, rdmNUPType), 1u);
    std::vector<std::uint8_t> landscape = Ticketed({{12, 2}});
    AsDevmode(landscape)->dmOrientation = DMORIENT_LANDSCAPE;
    EXPECT_EQ(ValueAfter(landscape, rdmNUPType), 3u);
}

TEST_F(JobTicketTest, AnInvalidTicketChangesNothing)
{
    std::vector<std::uint8_t> devmode = Ticketed({{10, 150}});
    devmode[kTicketOffset + 1] = 2;
    const std::vector<std::uint8_t> before = devmode;
    EXPECT_TRUE(ApplyJobTicket(context_, AsDevmode(devmode)));
    EXPECT_EQ(devmode, before);
}

TEST_F(JobTicketTest, TheMergeAppliesATicketWithoutWritingTheCallersDevmode)
{
    std::vector<std::uint8_t> devmode = Ticketed({{10, 150}});
    const std::vector<std::uint8_t> before = devmode;
    ASSERT_TRUE(MergeDevmodeSettings(context_, AsDevmode(devmode), kMergeDeviceCapabilities));
    EXPECT_EQ(devmode, before);
    EXPECT_EQ(GetItemValue(context_, rdmScaleH), 150u);
    EXPECT_TRUE(context_->workArea->mergeFlags & kMergeTicketApplied);
}

TEST_F(JobTicketTest, ShortOrForeignDevmodesCarryNoTicket)
{
    std::vector<std::uint8_t> ticketed(1236);
    std::vector<std::uint8_t> shortOne = Ticketed({{10, 150}});
    shortOne[offsetof(DEVMODEW, dmDriverExtra)] = 100;
    shortOne[offsetof(DEVMODEW, dmDriverExtra) + 1] = 0;
    EXPECT_FALSE(ApplyJobTicketToCopy(context_, AsDevmode(shortOne), AsDevmode(ticketed)));
    std::vector<std::uint8_t> foreign = Ticketed({{10, 150}});
    std::memcpy(foreign.data() + 349, "ABCD", 4);  // another model tag
    EXPECT_FALSE(ApplyJobTicketToCopy(context_, AsDevmode(foreign), AsDevmode(ticketed)));
}

TEST_F(JobTicketTest, CapabilitiesAlwaysOfferTheMainOutputTrayAndClearTheTicket)
{
    SetItemBytes(context_, rdmRcomMember, "x", 1);
    ASSERT_TRUE(BuildJobTicketCaps(context_));
    const std::vector<std::uint8_t> devmode = DevmodeBytes(context_);
    const std::uint8_t* caps = devmode.data() + kTicketCapsOffset;
    EXPECT_TRUE(caps[7] & 0x2);
    EXPECT_EQ(caps[3], 3);
    EXPECT_EQ(caps[11], 1);
    EXPECT_EQ(caps[12], 63);
    EXPECT_EQ(caps[17], 1);
    for (std::size_t i = 0; i < kTicketBytes; ++i) EXPECT_EQ(devmode[kTicketOffset + i], 0);
}

}  // namespace
}  // namespace vexl::test
