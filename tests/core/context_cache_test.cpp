// The context caches: which request reuses a parked context, how long a
// context stays parked (across the wrap of the tick count), eviction of the
// oldest slot, purges and the contexts that are never parked.
#include "common/core/item_ids.h"
#include "common/core/memory.h"
#include "common/core/process.h"
#include "common/wiring.h"
#include "context_fixture.h"

#include <gtest/gtest.h>

namespace vexl {
namespace {

using test::ContextTest;
using test::kStartTicks;
using test::kTestPrinter;

class ContextCacheTest : public ContextTest {
protected:
    // The context parked for this handle, taken out of its cache, or null.
    // Nothing is built, so a context that was evicted or went stale cannot be
    // mistaken for a new one that the heap placed at the freed address.
    DriverContext* TakeParked(HANDLE printer)
    {
        return LookUpCachedContext(printer, 0, kCallerPropertySheet, 0, kTestPrinter);
    }
};

TEST_F(ContextCacheTest, ARequestReusesOnlyAContextOfTheSameIdentity)
{
    enum Handle { kSameHandle, kSecondHandle, kOtherPrinterHandle };
    struct Case {
        const char* what;
        std::uint16_t releaseType;
        std::uint32_t parkedKind;
        std::uint32_t parkedDocumentMode;
        Handle handle;
        std::uint32_t requestKind;
        std::uint16_t requestFlags;
        std::int32_t selector;
        bool reused;
    } cases[] = {
        {"same identity", 0, kCallerPropertySheet, 0, kSameHandle, kCallerPropertySheet, 0, 0, true},
        {"another handle of the printer", 0, kCallerPropertySheet, 0, kSecondHandle, kCallerPropertySheet, 0, 0, false},
        {"another printer", 0, kCallerPropertySheet, 0, kOtherPrinterHandle, kCallerPropertySheet, 0, 0, false},
        {"another caller kind", 0, kCallerPropertySheet, 0, kSameHandle, kCallerPjlOptions, 0, 0, false},
        {"a creation flag", 0, kCallerPropertySheet, 0, kSameHandle, kCallerPropertySheet, kCreateHoldsSettingsMutex, 0,
         false},
        {"a creation mode", 0, kCallerPropertySheet, 0, kSameHandle, kCallerPropertySheet, 1, 0, false},
        {"enable-PDEV kind stored as 0x20000000", 0, kCallerEnablePdev, 0, kSameHandle, kCallerEnablePdev, 0, 0, true},
        {"enable-PDEV kind asked as stored", 0, kCallerEnablePdev, 0, kSameHandle, kCallerEnablePdevStored, 0, 0, true},
        {"document properties, selector 2, mode 2", 0, kCallerDocumentProperties, 2, kSameHandle,
         kCallerDocumentProperties, 0, 2, true},
        {"document properties, selector 2, mode 0", 0, kCallerDocumentProperties, 0, kSameHandle,
         kCallerDocumentProperties, 0, 2, false},
        {"document properties, selector 0, mode 0", 0, kCallerDocumentProperties, 0, kSameHandle,
         kCallerDocumentProperties, 0, 0, true},
        {"capabilities parked in their cache", 4, kCallerDeviceCapabilities, 0, kSameHandle, kCallerDeviceCapabilities,
         0, 0, true},
        {"capabilities asked of the general cache", 0, kCallerDeviceCapabilities, 0, kSameHandle,
         kCallerDeviceCapabilities, 0, 0, false},
        {"general kind parked in the capabilities cache", 4, kCallerPropertySheet, 0, kSameHandle, kCallerPropertySheet,
         0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HANDLE printer = Open();
        HANDLE request = c.handle == kSameHandle     ? printer
                         : c.handle == kSecondHandle ? Open()
                                                     : Open(test::kOtherPrinter);
        DriverContext* parked = Create(printer, c.parkedKind);
        ASSERT_NE(parked, nullptr);
        parked->workArea->documentPropertiesMode = c.parkedDocumentMode;
        ReleaseDriverContext(parked, c.releaseType);

        DriverContext* found = Create(request, c.requestKind, c.requestFlags, c.selector);
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found == parked, c.reused);
        ReleaseDriverContext(found, kReleaseDestroy);
        PurgeContextCache(TRUE);
    }
}

TEST_F(ContextCacheTest, ABareContextNeverServesAFullRequest)
{
    HANDLE printer = Open();
    DriverContext* bare = Create(printer, kCallerPropertySheet, 4);
    ASSERT_NE(bare, nullptr);
    ReleaseDriverContext(bare, 0);
    DriverContext* full = Create(printer, kCallerPropertySheet);
    ASSERT_NE(full, nullptr);
    EXPECT_NE(full, bare);
    EXPECT_NE(full->store, nullptr);
    ReleaseDriverContext(full, kReleaseDestroy);
    PurgeContextCache(TRUE);
}

TEST_F(ContextCacheTest, EnablePdevKindIsStoredAsItsCacheIdentity)
{
    DriverContext* context = Create(Open(), kCallerEnablePdev);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->workArea->callerKind, kCallerEnablePdevStored);
    ReleaseDriverContext(context, kReleaseDestroy);
}

TEST_F(ContextCacheTest, AGivenPrinterNameServesTheLookup)
{
    HANDLE printer = Open();
    DriverContext* parked = CreateDriverContext(printer, printer, nullptr, kCallerSettingsInterface);
    ASSERT_NE(parked, nullptr);
    ReleaseDriverContextDefault(parked);
    DriverContext* other = CreateDriverContext(printer, printer, u"Another Name", kCallerSettingsInterface);
    EXPECT_NE(other, parked);
    ReleaseDriverContext(other, kReleaseDestroy);

    // The spooler cannot tell the name: the given one still finds the context.
    machine::SetSpoolerFailure(kTestPrinter, "GetPrinterW", ERROR_ACCESS_DENIED);
    DriverContext* found = CreateDriverContext(printer, printer, kTestPrinter, kCallerSettingsInterface);
    EXPECT_EQ(found, parked);
    ReleaseDriverContext(found, kReleaseDestroy);
}

TEST_F(ContextCacheTest, WithoutAPrinterNameThereIsNoHitAndCreationGoesOn)
{
    HANDLE printer = Open();
    DriverContext* parked = Create(printer);
    ReleaseDriverContextDefault(parked);
    machine::SetSpoolerFailure(kTestPrinter, "GetPrinterW", ERROR_ACCESS_DENIED);
    DriverContext* context = Create(printer);
    ASSERT_NE(context, nullptr);
    EXPECT_NE(context, parked);
    ReleaseDriverContext(context, kReleaseDestroy);
}

TEST_F(ContextCacheTest, AParkedContextLivesFiveHundredMilliseconds)
{
    HANDLE printer = Open();
    DriverContext* context = Create(printer);
    ReleaseDriverContextDefault(context);
    machine::AdvanceTickCount(500);
    DriverContext* again = Create(printer);
    EXPECT_EQ(again, context);

    ReleaseDriverContextDefault(again);
    machine::AdvanceTickCount(501);
    EXPECT_EQ(TakeParked(printer), nullptr);
    EXPECT_EQ(PurgeContextCache(TRUE), 0);  // the stale one went at the lookup
}

TEST_F(ContextCacheTest, AgeIsCountedAcrossTheWrapOfTheTickCount)
{
    struct Case {
        DWORD parkedAt;
        DWORD askedAt;
        bool reused;
    } cases[] = {
        {0xFFFFFF00u, 0x000000F4u, true},   // 500 ms across the wrap
        {0xFFFFFF00u, 0x000000F5u, false},  // 501 ms across the wrap
        {0xFFFFFC18u, 0x0000000Au, false},  // parked 1,000 ms before the wrap, asked 10 ms after it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parkedAt);
        HANDLE printer = Open();
        machine::SetTickCount(c.parkedAt);
        DriverContext* parked = Create(printer);
        ReleaseDriverContextDefault(parked);
        machine::SetTickCount(c.askedAt);
        DriverContext* found = TakeParked(printer);
        EXPECT_EQ(found, c.reused ? parked : nullptr);
        ReleaseDriverContext(found, kReleaseDestroy);
        PurgeContextCache(TRUE);
    }
}

TEST_F(ContextCacheTest, AFullTableEvictsTheOldestSlotAndSlotZeroOnATie)
{
    struct Case {
        const char* what;
        DWORD stamps[2];  // of slots 0 and 1 when the third context is parked
        int evicted;
        DWORD base = kStartTicks;
    } cases[] = {
        {"slot 0 older", {100, 200}, 0},
        {"slot 1 older", {300, 200}, 1},
        {"equal stamps", {100, 100}, 0},
        // Slot 1 was parked after the wrap of the tick count: its stamp is
        // the smaller number, but slot 0 is the older by age.
        {"slot 0 older across the wrap", {100, 300}, 0, 0xFFFFFF00u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        HANDLE printers[3] = {Open(), Open(), Open()};
        DriverContext* parked[3];
        machine::SetTickCount(c.base + 100);
        parked[0] = Create(printers[0]);
        ReleaseDriverContextDefault(parked[0]);
        machine::SetTickCount(c.base + c.stamps[1]);
        parked[1] = Create(printers[1]);
        ReleaseDriverContextDefault(parked[1]);
        if (c.stamps[0] != 100) {
            // Taken out of slot 0 and parked there again, later.
            machine::SetTickCount(c.base + c.stamps[0]);
            ASSERT_EQ(Create(printers[0]), parked[0]);
            ReleaseDriverContextDefault(parked[0]);
        }
        machine::SetTickCount(c.base + 350);
        parked[2] = Create(printers[2]);
        ReleaseDriverContextDefault(parked[2]);

        for (int i = 0; i < 3; ++i) {
            DriverContext* found = TakeParked(printers[i]);
            EXPECT_EQ(found, i == c.evicted ? nullptr : parked[i]) << "context " << i;
            ReleaseDriverContext(found, kReleaseDestroy);
        }
    }
}

TEST_F(ContextCacheTest, PurgeOfAllWithBothTablesFullDestroysFour)
{
    for (int i = 0; i < 2; ++i) {
        ReleaseDriverContext(Create(Open()), kReleaseToGeneralCache);
        ReleaseDriverContext(Create(Open(), kCallerDeviceCapabilities), kReleaseToCapabilitiesCache);
    }
    EXPECT_EQ(PurgeContextCache(FALSE), 0);
    EXPECT_EQ(PurgeContextCache(TRUE), 4);
    EXPECT_EQ(PurgeContextCache(TRUE), 0);
}

TEST_F(ContextCacheTest, ContextsThatAreNeverParked)
{
    HANDLE printer = Open();

    DriverContext* bound = Create(printer);
    SetItemValue(bound, rdmJobBinder, 1);
    ReleaseDriverContextDefault(bound);
    EXPECT_EQ(PurgeContextCache(TRUE), 0);

    for (std::uint16_t type : {kReleaseUiInstall, kReleaseDestroy, std::uint16_t{7}}) {
        ReleaseDriverContext(Create(printer), type);
        EXPECT_EQ(PurgeContextCache(TRUE), 0) << "release type " << type;
    }
}

TEST_F(ContextCacheTest, EveryReleaseTypeFreesTheStoreFontLists)
{
    // A font list that a release leaves behind is reported as a leak.
    for (std::uint16_t type :
         {kReleaseToGeneralCache, kReleaseUiInstall, kReleaseToCapabilitiesCache, kReleaseDestroy}) {
        DriverContext* context = Create(Open());
        SetItemValue(context, rdmDeviceFontNum, 1);
        SetItemHeapAddress(context, rdmDeviceFont, AllocZeroed(68));
        SetItemValue(context, rdmFontTableNum, 1);
        SetItemHeapAddress(context, rdmFontTable, AllocZeroed(128));
        ReleaseDriverContext(context, type);
        PurgeContextCache(TRUE);
    }
}

TEST_F(ContextCacheTest, ProcessDetachDestroysParkedContexts)
{
    // A parked context that detach left behind is reported as a leak.
    ReleaseDriverContextDefault(Create(Open()));
    RunProcessDetach();
    RunProcessAttach();
    EXPECT_EQ(PurgeContextCache(TRUE), 0);
}

}  // namespace
}  // namespace vexl
