// The interface library's driver context and its environment queries.
#include "ui_fixture.h"

#include "common/core/items.h"
#include "common/core/osinfo.h"
#include "platform/inifile.h"
#include "ui/base/job_info.h"

namespace vexl::test {
namespace {

using ui::CreateDriverContext;

TEST_F(UiPrinterTest, ContextsMadeUnderTheSharedIdentityUseTheSharedDirectoryAndAreNotFoundByOrdinaryLookups)
{
    ui::SetSharedIdentityFlag(1);
    DriverContext* shared = CreateDriverContext(printer_, printer_, nullptr, kCallerPropertySheet);
    ui::SetSharedIdentityFlag(0);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->workArea->callerKind, kCallerPropertySheet | ui::kCallerSharedIdentity);
    ReleaseDriverContext(shared, kReleaseToGeneralCache);

    DriverContext* ordinary = CreateDriverContext(printer_, printer_, nullptr, kCallerPropertySheet);
    ASSERT_NE(ordinary, nullptr);
    EXPECT_NE(ordinary, shared);
    EXPECT_EQ(ordinary->workArea->callerKind, kCallerPropertySheet);
    ReleaseDriverContext(ordinary, kReleaseDestroy);
}

TEST_F(UiPrinterTest, TheInstallAnswerFileMarkIsConsumedByTheFirstFullContextOnly)
{
    const std::u16string answerFile = u"C:\\WINDOWS\\system32\\VEXL.ini";
    WritePrivateProfileStringW(u"Office ,2nd floor,", u"DrvInstSet", u"1", answerFile.c_str());

    // An install-mode context never reads the mark.
    DriverContext* install = ui::CreateDriverContextWithFlags(printer_, printer_, nullptr, 1, kCallerPropertySheet);
    ASSERT_NE(install, nullptr);
    ReleaseDriverContext(install, kReleaseDestroy);
    EXPECT_EQ(GetPrivateProfileIntW(u"Office ,2nd floor,", u"DrvInstSet", 9, answerFile.c_str()), 1u);

    DriverContext* full = CreateDriverContext(printer_, printer_, nullptr, kCallerPropertySheet);
    ASSERT_NE(full, nullptr);
    ReleaseDriverContext(full, kReleaseDestroy);
    EXPECT_EQ(GetPrivateProfileIntW(u"Office ,2nd floor,", u"DrvInstSet", 9, answerFile.c_str()), 0u);
}

TEST_F(UiPrinterTest, TheDefaultDevmodeCarriesTheJobTicketMarkAndTheRuntimeFlagsOfThisLibrary)
{
    std::vector<std::uint8_t> devmode = DefaultDevmode();
    ASSERT_EQ(devmode.size(), 1236u);
    EXPECT_EQ(std::memcmp(devmode.data() + 276, "RCOMMON\0", 8), 0);
    EXPECT_EQ(devmode[284], 5);
    for (std::size_t i = 285; i < 349; ++i) EXPECT_EQ(devmode[i], 0) << "byte " << i;
    EXPECT_EQ(devmode[1219], 1) << "rdmCallSrc";
    EXPECT_EQ(devmode[1220], 2) << "rdmOSKind";
}

struct OsCase {
    DWORD major;
    DWORD minor;
    WORD servicePack;
    BOOL beforeSp4;
    BOOL sp4;
};

// The case as the system it stands for, not as the bytes of the record.
void PrintTo(const OsCase& c, std::ostream* out)
{
    *out << "Windows " << c.major << "." << c.minor << " Service Pack " << c.servicePack;
}

class OsQueryTest : public MachineTest, public ::testing::WithParamInterface<OsCase> {};

TEST_P(OsQueryTest, Windows2000ServicePackQueries)
{
    machine::Profile profile = machine::LoadProfile();
    profile.osMajor = GetParam().major;
    profile.osMinor = GetParam().minor;
    const std::string pack = "Service Pack " + std::to_string(GetParam().servicePack);
    profile.servicePack = std::u16string(pack.begin(), pack.end());
    machine::SaveProfile(profile);
    EXPECT_EQ(ui::IsWindows2000BeforeSp4(), GetParam().beforeSp4);
    EXPECT_EQ(ui::IsWindows2000Sp4(), GetParam().sp4);
}

INSTANTIATE_TEST_SUITE_P(Profiles, OsQueryTest,
                         ::testing::Values(OsCase{5, 0, 3, TRUE, FALSE}, OsCase{5, 0, 4, FALSE, TRUE},
                                           OsCase{5, 1, 2, FALSE, FALSE}, OsCase{6, 0, 0, FALSE, FALSE}),
                         [](const ::testing::TestParamInfo<OsCase>& info) {
                             return "V" + std::to_string(info.param.major) + "_" + std::to_string(info.param.minor) +
                                    "_SP" + std::to_string(info.param.servicePack);
                         });

TEST_F(UiPrinterTest, JobInformationOfTheDriverRowsLoadsNothingAndNotifyWithoutConnectionCallsNothing)
{
    DriverContext* context = CreateDriverContext(printer_, printer_, nullptr, kCallerPropertySheet);
    ASSERT_NE(context, nullptr);
    SetItemString(context, FindItem(context, rdmOwnerName), u"kept");
    EXPECT_EQ(ui::LoadJobInfoItemsFromPrinterData(context, ui::kJobInfoDriverMask), 0);
    WCHAR owner[32] = {};
    GetItemString(context, FindItem(context, rdmOwnerName), owner, 32);
    EXPECT_EQ(std::u16string(owner), u"kept");
    EXPECT_EQ(ui::NotifyJobInfoPlugin(context, 2), 0);
    ReleaseDriverContext(context, kReleaseDestroy);
}

TEST_F(UiPrinterTest, AServerUserCodeInUseIsTakenButNotWhenItsUseIsOff)
{
    DriverContext* context = CreateDriverContext(printer_, printer_, nullptr, kCallerPropertySheet);
    ASSERT_NE(context, nullptr);
    auto setByte = [&](const char16_t* name, BYTE value) {
        std::u16string copy = name;
        SetPrinterDataW(printer_, copy.data(), REG_BINARY, &value, 1);
    };
    char code[] = "4711";
    std::u16string userCode = u"UserCode";
    SetPrinterDataW(printer_, userCode.data(), REG_BINARY, reinterpret_cast<BYTE*>(code), 5);
    setByte(u"ServerUse", 1);
    setByte(u"UserCodeUse", 0);
    ui::LoadUserCodeFromPrinterData(context);
    WCHAR text[16] = {};
    GetItemString(context, FindItem(context, rdmUserCode), text, 16);
    EXPECT_EQ(std::u16string(text), u"");

    setByte(u"UserCodeUse", 1);
    ui::LoadUserCodeFromPrinterData(context);
    GetItemString(context, FindItem(context, rdmUserCode), text, 16);
    EXPECT_EQ(std::u16string(text), u"4711");
    ReleaseDriverContext(context, kReleaseDestroy);
}

}  // namespace
}  // namespace vexl::test
