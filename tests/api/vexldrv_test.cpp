// An application's view of the settings interface: TZ16E140.DLL loaded
// through the platform layer, its exports found by name and called with the
// public header's types.
#include "api_fixture.h"

#include <cstring>

namespace vexl::test {
namespace {

class VexlDrvTest : public ApiApplicationTest {};

TEST_F(VexlDrvTest, AnApplicationEnablesAnInstanceAndAsksWhatItOffers)
{
    EXPECT_EQ(library_.checkApiVer(nullptr), 0);
    EXPECT_EQ(library_.checkApiVer(""), 0);
    EXPECT_EQ(library_.checkApiVer(kPrinterNameAnsi), VEXLAPI_VERSION_LATEST);

    machine::ResetSpoolerCallCounts();
    VEXLDRVHANDLE instance = library_.EnableInstance();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(machine::SpoolerCallCount("OpenPrinterW"), machine::SpoolerCallCount("ClosePrinter"));
    EXPECT_EQ(library_.getLastError(instance), VEXLDRV_ERROR_NONE);

    std::uint8_t statuses[VEXLDRV_BITMAP_BYTES + 4];
    std::memset(statuses, 0xCC, sizeof statuses);
    ASSERT_EQ(library_.getCaps(instance, VEXLDRV_CAPS_ENABLED_STATUSES, nullptr), VEXLDRV_BITMAP_BYTES);
    ASSERT_EQ(library_.getCaps(instance, VEXLDRV_CAPS_ENABLED_STATUSES, statuses), VEXLDRV_BITMAP_BYTES);
    EXPECT_TRUE(statuses[VEXLDRV_ID_BYTE(VEXLDRV_STATUS_PRESET_FILE)] & VEXLDRV_ID_MASK(VEXLDRV_STATUS_PRESET_FILE));
    EXPECT_TRUE(statuses[VEXLDRV_ID_BYTE(VEXLDRV_STATUS_COLOR_MATCHING_MODE)] &
                VEXLDRV_ID_MASK(VEXLDRV_STATUS_COLOR_MATCHING_MODE));
    EXPECT_FALSE(statuses[VEXLDRV_ID_BYTE(VEXLDRV_STATUS_ECO_COLOR)] & VEXLDRV_ID_MASK(VEXLDRV_STATUS_ECO_COLOR));
    EXPECT_EQ(statuses[VEXLDRV_BITMAP_BYTES], 0xCC);

    EXPECT_EQ(library_.getCaps(instance, VEXLDRV_CAPS_SUPPORTED, nullptr), 1u);
    EXPECT_EQ(library_.getCaps(instance, 58, nullptr), 0u);
    // Each request opened the printer for itself and closed it again.
    EXPECT_EQ(machine::SpoolerCallCount("OpenPrinterW"), machine::SpoolerCallCount("ClosePrinter"));

    EXPECT_EQ(library_.getStatus(instance, 100, nullptr, 0), -1);
    EXPECT_EQ(library_.getLastError(instance), VEXLDRV_ERROR_NOT_ENABLED);
    EXPECT_EQ(library_.disable(instance), 1);
}

TEST_F(VexlDrvTest, HandlesThatAreNotLiveInstancesAreRefused)
{
    VEXLDRVHANDLE instance = library_.EnableInstance();
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(library_.disable(instance), 1);
    int local = 0;
    VEXLDRVHANDLE foreign = reinterpret_cast<VEXLDRVHANDLE>(&local);
    for (VEXLDRVHANDLE handle : {VEXLDRVHANDLE(nullptr), instance, foreign}) {
        EXPECT_EQ(library_.getCaps(handle, VEXLDRV_CAPS_ENABLED_STATUSES, nullptr), VEXLDRV_CAPS_FAILED);
        EXPECT_EQ(library_.getStatus(handle, VEXLDRV_STATUS_COPIES, nullptr, 0), -1);
        EXPECT_EQ(library_.setStatus(handle, VEXLDRV_STATUS_COPIES, nullptr, nullptr, 0), -1);
        EXPECT_EQ(library_.getLastError(handle), -1);
        EXPECT_EQ(library_.disable(handle), 1);
    }
    EXPECT_EQ(local, 0);
}

// The finishing list of status 50 checks its input before it looks for a
// list: a fill pass needs the caller's buffer even on a printer that has no
// finishing texts.
TEST_F(VexlDrvTest, TheFinishingListChecksItsPassAndAddressFirst)
{
    VEXLDRVHANDLE instance = library_.EnableInstance();
    ASSERT_NE(instance, nullptr);
    char list[16] = {};
    struct Case {
        const char* what;
        std::uint32_t pass;
        char* address;
        int result;
        int code;
    } cases[] = {
        {"size pass", 0, nullptr, sizeof(VEXL_STATUS_DRIVER_INFO), VEXLDRV_ERROR_NONE},
        {"fill pass with a buffer", 1, list, sizeof(VEXL_STATUS_DRIVER_INFO), VEXLDRV_ERROR_NONE},
        {"fill pass without a buffer", 1, nullptr, -1, VEXLDRV_ERROR_REFUSED},
        {"unknown pass", 2, list, -1, VEXLDRV_ERROR_REFUSED},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VEXL_STATUS_DRIVER_INFO info{};
        info.selector = VEXL_DRIVER_INFO_FINISHING_LIST;
        info.u.list.value = c.pass;
        info.u.list.listSize = sizeof list;
        info.u.list.listAddress = reinterpret_cast<std::uintptr_t>(c.address);
        EXPECT_EQ(library_.getStatus(instance, VEXLDRV_STATUS_SELECTORS, &info, 0), c.result);
        if (c.result < 0) {
            EXPECT_EQ(library_.getLastError(instance), c.code);
        }
    }
    EXPECT_EQ(library_.disable(instance), 1);
}

TEST_F(VexlDrvTest, InitLowersTheVersionToTheApplications)
{
    VEXLDRVHANDLE instance = library_.EnableInstance(8);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(library_.init(0, nullptr), 0);
    EXPECT_EQ(library_.getCaps(instance, VEXLDRV_CAPS_ENABLED_STATUSES, nullptr), VEXLDRV_BITMAP_BYTES);
    // No codes are kept below version 9.
    EXPECT_EQ(library_.getStatus(instance, 100, nullptr, 0), -1);
    EXPECT_EQ(library_.getLastError(instance), -1);
    const VEXLDRVINITRECORD older{0, 5};
    EXPECT_EQ(library_.init(1, &older), 1);
    EXPECT_EQ(library_.getCaps(instance, VEXLDRV_CAPS_ENABLED_STATUSES, nullptr), VEXLDRV_BITMAP_BYTES_NARROW);
    EXPECT_EQ(library_.disable(instance), 1);
}

TEST_F(VexlDrvTest, APrinterThatCannotBeOpenedGivesNoInstance)
{
    EXPECT_EQ(library_.enable(nullptr), nullptr);
    EXPECT_EQ(library_.enable("Not a printer"), nullptr);
    machine::SetSpoolerFailure(kPrinterName, "OpenPrinterW", ERROR_ACCESS_DENIED);
    EXPECT_EQ(library_.enable(kPrinterNameAnsi), nullptr);
    machine::ClearSpoolerFailures(kPrinterName);
}

}  // namespace
}  // namespace vexl::test
