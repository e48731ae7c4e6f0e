// Settings-interface instances: their making and ending, their record, the
// printer each request opens, the last-error store and the request gates.
#include "api/descriptors.h"
#include "api/frame.h"
#include "api/option_tests.h"
#include "api/versions.h"
#include "api_fixture.h"
#include "common/core/store.h"
#include "common/storage/directories.h"

#include <cstring>

namespace vexl::test {
namespace {

using namespace api;

class ApiFrameTest : public ApiPrinterTest {
protected:
    // The printer's section of the settings INI: its name with the brackets made commas.
    static constexpr const WCHAR* kSection = u"Office ,2nd floor,";

    std::u16string ReadPrinterKey(DriverContext* instance, const WCHAR* key)
    {
        WCHAR value[300] = {};
        GetPrivateProfileStringW(kSection, key, u"", value, 300, GetSettingsIniPath(instance));
        return value;
    }
    void WritePrinterKey(DriverContext* instance, const WCHAR* key, const WCHAR* value)
    {
        WritePrivateProfileStringW(kSection, key, value, GetSettingsIniPath(instance));
    }
};

TEST_F(ApiFrameTest, AnInstanceHasItsRecordAndHoldsNoPrinterBetweenRequests)
{
    machine::ResetSpoolerCallCounts();
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(machine::SpoolerCallCount("OpenPrinterW"), machine::SpoolerCallCount("ClosePrinter"));
    EXPECT_EQ(instance->printer, nullptr);
    EXPECT_EQ(instance->secondPrinter, nullptr);
    EXPECT_EQ(instance->workArea->callerKind & kCallerSettingsInterface, kCallerSettingsInterface);
    EXPECT_EQ(std::u16string(instance->workArea->printerName), kPrinterName);
    const ApiRecord* record = instance->workArea->apiRecord;
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->lastError, 0u);
    EXPECT_EQ(record->snapshotRows, 269u);
    ASSERT_NE(record->savedStore, nullptr);
    EXPECT_NE(instance->workArea->chapters, nullptr);
    EXPECT_TRUE(IsCurrentStampStored(instance));  // the interface's own watermark slot
    EXPECT_TRUE(IsLiveApiHandle(instance, ApiHandleKind::kSettingsInstance));

    CloseInstance(instance);
    EXPECT_FALSE(IsLiveApiHandle(instance, ApiHandleKind::kSettingsInstance));
}

TEST_F(ApiFrameTest, AnUnknownPrinterGivesNoInstanceAndKeepsTheVersionCheckOutcome)
{
    SetModelApiVersion(12);
    EXPECT_EQ(OpenApiInstance(nullptr), nullptr);
    EXPECT_EQ(OpenApiInstance(""), nullptr);
    api::CheckApiVersion(kPrinterNameAnsi);
    api::BuildEnabledIdBitmaps(GetRequestedApiVersion());
    EXPECT_EQ(OpenApiInstance("Not a printer"), nullptr);
    EXPECT_EQ(GetRequestedApiVersion(), 12);
    EXPECT_NE(IsApiIdEnabled(kApiKindStatus, 60), 0u);
}

TEST_F(ApiFrameTest, NestedRequestsPutBackThePrinterTheOuterOneOpened)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    HANDLE outer = nullptr, inner = nullptr;
    ASSERT_TRUE(OpenInstancePrinter(instance, &outer, nullptr));
    EXPECT_EQ(instance->printer, outer);
    ASSERT_TRUE(OpenInstancePrinter(instance, &inner, nullptr));
    EXPECT_EQ(instance->secondPrinter, inner);
    CloseInstancePrinter(instance, inner);
    EXPECT_EQ(instance->printer, outer);
    EXPECT_EQ(instance->secondPrinter, outer);
    // The handle the outer request still uses is open.
    DWORD type = 0, needed = 0;
    GetPrinterDataW(instance->printer, const_cast<LPWSTR>(u"HelpFileName"), &type, nullptr, 0, &needed);
    EXPECT_NE(needed, 0u);
    CloseInstancePrinter(instance, outer);
    EXPECT_EQ(instance->printer, nullptr);
    EXPECT_EQ(instance->secondPrinter, nullptr);

    EXPECT_FALSE(OpenInstancePrinter(nullptr, &outer, nullptr));
    EXPECT_FALSE(OpenInstancePrinter(instance, nullptr, nullptr));
}

TEST_F(ApiFrameTest, CodesAreKeptFromVersionNine)
{
    for (std::uint32_t version : {8u, 9u}) {
        SCOPED_TRACE(version);
        DriverContext* instance = OpenInstance(version);
        ASSERT_NE(instance, nullptr);
        EXPECT_EQ(SetInstanceStatus(instance, 100, nullptr, nullptr, 0), -1);
        EXPECT_EQ(GetApiLastError(instance), version >= 9 ? kApiErrorNotEnabled : -1);
        EXPECT_EQ(SetApiLastError(instance, kApiErrorRefused), version >= 9 ? 1 : 0);
        CloseInstance(instance);
    }
    EXPECT_EQ(SetApiLastError(nullptr, kApiErrorRefused), 0);
    EXPECT_EQ(GetApiLastError(nullptr), -1);
}

TEST_F(ApiFrameTest, StatusBitmapIsNarrowBelowVersionSix)
{
    DriverContext* instance = OpenInstance(5);
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(GetInstanceCaps(instance, 0, nullptr), 32u);
    std::uint8_t bitmap[80];
    std::memset(bitmap, 0xCC, sizeof bitmap);
    EXPECT_EQ(GetInstanceCaps(instance, 0, bitmap), 32u);
    EXPECT_EQ(bitmap[0], 0xFF);         // statuses 1 to 8
    EXPECT_EQ(bitmap[4] & 0x10, 0x10);  // status 36
    EXPECT_EQ(bitmap[4] & 0x08, 0);     // status 37 does not exist
    EXPECT_EQ(bitmap[32], 0xCC);        // nothing past the 32 bytes

    InitApiVersion(1, nullptr);
    EXPECT_EQ(GetInstanceCaps(instance, 0, nullptr), 64u);
    EXPECT_EQ(GetInstanceCaps(instance, 0, bitmap), 64u);
    EXPECT_EQ(bitmap[32] & 0x80, 0x80);  // status 257
    EXPECT_EQ(bitmap[32] & 0x03, 0x01);  // status 264 is enabled, 263 is not
    EXPECT_EQ(bitmap[64], 0xCC);
}

TEST_F(ApiFrameTest, CapabilitiesAnswerThroughTheirRecordAndKeepTheCode)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    SetApiLastError(instance, kApiErrorRefused);
    EXPECT_EQ(GetInstanceCaps(instance, 1, nullptr), 1u);
    EXPECT_EQ(GetInstanceCaps(instance, 58, nullptr), 0u);   // disabled record
    EXPECT_EQ(GetInstanceCaps(instance, 300, nullptr), 0u);  // no record
    EXPECT_EQ(GetApiLastError(instance), kApiErrorRefused);
    EXPECT_EQ(instance->printer, nullptr);

    // A handler that fails leaves code 100; the next that succeeds keeps it.
    EXPECT_EQ(GetInstanceCaps(instance, 26, nullptr), 0xFFFFFFFFu);  // the package has no such function
    EXPECT_EQ(GetApiLastError(instance), kApiErrorFailure);
    EXPECT_EQ(GetInstanceCaps(instance, 1, nullptr), 1u);
    EXPECT_EQ(GetApiLastError(instance), kApiErrorFailure);
    EXPECT_EQ(instance->printer, nullptr);

    // A printer that cannot be opened any more fails the request with code 100.
    machine::SetSpoolerFailure(kPrinterName, "OpenPrinterW", ERROR_ACCESS_DENIED);
    EXPECT_EQ(GetInstanceCaps(instance, 24, nullptr), 0xFFFFFFFFu);
    EXPECT_EQ(GetApiLastError(instance), kApiErrorFailure);
    machine::ClearSpoolerFailures(kPrinterName);
}

TEST_F(ApiFrameTest, QualityList128FollowsQualityList0WhenItNamesAFile)
{
    struct Case {
        const WCHAR* list0;
        const WCHAR* list128;  // empty: not written
    };
    const Case cases[] = {
        {u"C:\\_vexl\\q1x.rsq", u"C:\\_vexl\\q1y.rsq"},
        {u"a.b.rsq", u"a.y.rsq"},
        {u"C:\\_vexl\\quality", u""},
        {u".rsq", u""},
        {u"", u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        DriverContext* probe = OpenInstance();
        ASSERT_NE(probe, nullptr);
        WritePrinterKey(probe, u"QualityList0", c.list0);
        WritePrinterKey(probe, u"QualityList128", nullptr);
        WritePrinterKey(probe, u"QualityList128Name", nullptr);
        CloseInstance(probe);

        DriverContext* instance = OpenInstance();
        ASSERT_NE(instance, nullptr);
        EXPECT_EQ(ReadPrinterKey(instance, u"QualityList128"), c.list128);
        EXPECT_EQ(ReadPrinterKey(instance, u"QualityList128Name"),
                  c.list128[0] ? u"Application quality settings" : u"");
        CloseInstance(instance);
    }
}

}  // namespace
}  // namespace vexl::test
