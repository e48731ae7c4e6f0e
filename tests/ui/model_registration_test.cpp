// Model registration in qyrdb.ini and the Expand File programs, with the
// model INI of the package printer rewritten per test.
#include "ui/services/model_registration.h"

#include "common/core/modeldb.h"
#include "common/storage/directories.h"
#include "platform/machine.h"
#include "platform/process_host.h"
#include "platform/win32.h"
#include "ui_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace vexl::test {
namespace {

namespace fs = std::filesystem;
constexpr const WCHAR* kRegistration = u"C:\\WINDOWS\\qyrdb.ini";

class ModelRegistrationTest : public UiPrinterTest {
protected:
    void SetUp() override
    {
        UiPrinterTest::SetUp();
        context_ = Create();
        ASSERT_NE(context_, nullptr);
        modelIni_ = GetModelFilePath(context_);
        WCHAR install[MAX_PATH] = {};
        installIni_ = ui::GetInstallIniPath(context_, install, MAX_PATH);
        ASSERT_FALSE(installIni_.empty());
        WriteInstall(u"VXM100", u"VXLOAD.DLL", u"1.00");
    }
    void TearDown() override
    {
        if (context_) ReleaseDriverContext(context_, kReleaseDestroy);
        machine::RecordProcessLaunches(false);
        machine::ClearProcessLaunches();
        UiPrinterTest::TearDown();
    }
    void WriteModel(const WCHAR* section, const WCHAR* key, const WCHAR* value)
    {
        WritePrivateProfileStringW(section, key, value, modelIni_.c_str());
    }
    void WriteInstall(const WCHAR* section, const WCHAR* loadDll, const WCHAR* version)
    {
        WritePrivateProfileStringW(section, u"LoadDll32", loadDll, installIni_.c_str());
        WritePrivateProfileStringW(section, u"Version32", version, installIni_.c_str());
    }
    std::u16string Registered(const WCHAR* section, const WCHAR* key)
    {
        WCHAR value[MAX_PATH] = {};
        GetPrivateProfileStringW(section, key, u"<none>", value, MAX_PATH, kRegistration);
        return value;
    }

    DriverContext* context_ = nullptr;
    std::u16string modelIni_;
    std::u16string installIni_;
};

TEST_F(ModelRegistrationTest, ASingleModelIsRegisteredWithTheCompanionLibraryAndNoEmptyValue)
{
    WriteModel(u"Models", GetDriverName(context_), u"  VXM100");
    WriteInstall(u"VXM100", u"VXLOAD.DLL", u"");
    EXPECT_TRUE(ui::RegisterModelResources(context_));
    EXPECT_EQ(Registered(u"VXM100", u"LoadDll"), u"VXLOAD.DLL");
    EXPECT_EQ(Registered(u"VXM100", u"ResDll"), std::u16string(context_->modelRecord->companionDataLibrary));
    EXPECT_EQ(Registered(u"VXM100", u"Version"), u"<none>");
}

TEST_F(ModelRegistrationTest, ListedModelsTakeTheirOwnResourceLibraryAndACaseOnlyDifferenceIsKept)
{
    const WCHAR* driver = GetDriverName(context_);
    WriteModel(u"Models1", driver, u"VXM100");
    WriteModel(u"Models2", driver, u"VXM200");
    WriteModel(u"VXM100", u"ResDll", u"VXM100R.DLL");
    WriteModel(u"VXM200", u"ResDll", u"VXM200R.DLL");
    WriteInstall(u"VXM200", u"VXLOAD2.DLL", u"2.00");
    EXPECT_TRUE(ui::RegisterModelResources(context_));
    EXPECT_EQ(Registered(u"VXM100", u"ResDll"), u"VXM100R.DLL");
    EXPECT_EQ(Registered(u"VXM200", u"ResDll"), u"VXM200R.DLL");
    EXPECT_EQ(Registered(u"VXM200", u"Version"), u"2.00");

    // A value that differs only in case is not written again.
    WritePrivateProfileStringW(u"VXM200", u"LoadDll", u"vxload2.dll", kRegistration);
    EXPECT_TRUE(ui::CheckModelRegistration(context_));
    EXPECT_EQ(Registered(u"VXM200", u"LoadDll"), u"vxload2.dll");
    // A real difference is.
    WritePrivateProfileStringW(u"VXM100", u"Version", u"0.99", kRegistration);
    EXPECT_TRUE(ui::CheckModelRegistration(context_));
    EXPECT_EQ(Registered(u"VXM100", u"Version"), u"1.00");
    EXPECT_EQ(Registered(u"VXM200", u"LoadDll"), u"VXLOAD2.DLL");
}

TEST_F(ModelRegistrationTest, WithoutAModelKeyNothingIsRegistered)
{
    EXPECT_FALSE(ui::RegisterModelResources(context_));
    EXPECT_FALSE(fs::exists(machine_.host(kRegistration)));
}

std::string ReadLog(const fs::path& file)
{
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST_F(ModelRegistrationTest, ExpandProgramsRunHiddenOneAfterAnotherInTheirFolders)
{
    const std::u16string folder = GetDriverDirectory(context_);
    const fs::path log = machine_.root() / "expand.log";
    // The first program is slow: the second must still log after it.
    machine::WriteFile(folder + u"exp_sys2.sh", "#!/bin/sh\nsleep 0.3\necho sys2 $(pwd) >> " + log.string() + "\n");
    machine::WriteFile(folder + u"exp_drv1.sh", "#!/bin/sh\necho drv1 $(pwd) >> " + log.string() + "\n");
    fs::permissions(machine_.host(folder + u"exp_sys2.sh"), fs::perms::owner_all);
    fs::permissions(machine_.host(folder + u"exp_drv1.sh"), fs::perms::owner_all);
    WriteModel(u"Expand File", u"SystemDirfiles", u"2");
    WriteModel(u"Expand File", u"SystemDir2", u"exp_sys2.sh");
    WriteModel(u"Expand File", u"DriverDirfiles", u"1");
    WriteModel(u"Expand File", u"DriverDir1", u"exp_drv1.sh");

    ui::RunExpandPrograms(context_);

    std::string driverHost = machine_.host(folder).string();
    if (driverHost.back() == '/') driverHost.pop_back();
    EXPECT_EQ(ReadLog(log), "sys2 " + machine_.host(u"C:\\WINDOWS\\system32").string() + "\ndrv1 " + driverHost + "\n");
    const auto launches = machine::ProcessLaunches();
    ASSERT_EQ(launches.size(), 2u);
    for (const auto& launch : launches) {
        EXPECT_EQ(launch.startupFlags, STARTF_USESHOWWINDOW);
        EXPECT_EQ(launch.showWindow, 0);
        EXPECT_TRUE(launch.commandLine.empty());
    }
}

TEST_F(ModelRegistrationTest, RecordedLaunchesSkipAMissingProgram)
{
    machine::RecordProcessLaunches(true);
    const std::u16string folder = GetDriverDirectory(context_);
    machine::WriteFile(folder + u"a.sh", "#!/bin/sh\n");
    fs::permissions(machine_.host(folder + u"a.sh"), fs::perms::owner_all);
    WriteModel(u"Expand File", u"SystemDirfiles", u"2");
    WriteModel(u"Expand File", u"SystemDir1", u"missing.sh");
    WriteModel(u"Expand File", u"SystemDir2", u"a.sh");
    ui::RunExpandPrograms(context_);
    const auto launches = machine::ProcessLaunches();
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].application, folder + u"a.sh");
    EXPECT_EQ(launches[0].currentDirectory, u"C:\\WINDOWS\\system32");
}

}  // namespace
}  // namespace vexl::test
