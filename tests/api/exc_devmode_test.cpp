// The driver's default DEVMODE in the ANSI layout through the export, as an
// application gets it, compared with the wide DEVMODE of the same request.
#include "api/devmode_delivery.h"
#include "vexlapi/vexl_exc.h"

#include "common/core/le.h"
#include "support/integration_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

constexpr char kCanary = '\xCC';
// A printer name longer than a DEVMODE's device name.
constexpr const char* kLongName = "Office printer with a rather long name40";
static_assert(std::char_traits<char>::length(kLongName) == 40);

class ExcDevmodeTest : public MachineTest {
protected:
    void SetUp() override
    {
        InstallDriverPrinter();
        machine::PrinterSetup setup;
        setup.name = std::u16string(kLongName, kLongName + std::strlen(kLongName));
        setup.driverName = kDriverName;
        setup.driverDirectory = kDriverFolder;
        setup.driverFile = u"TZ16E100.DLL";
        setup.configFile = u"TZ16E130.DLL";
        setup.dataFile = u"TZ16E1MD.VXD";
        setup.printerData[u"HelpFileName"] = WideTextData(u"TZ16E1US.HLP");
        machine::AddPrinter(setup);
        const std::u16string file = std::u16string(kDriverFolder) + u"\\TZ16E140.DLL";
        machine::InstallFile(VEXL_TZ16E140_FILE, file);
        library_ = LoadLibraryW(file.c_str());
        ASSERT_NE(library_, nullptr);
        getDriverDevmode_ = reinterpret_cast<PFN_ExcGetDriverDevmode>(
            reinterpret_cast<void (*)()>(GetProcAddress(library_, "ExcGetDriverDevmode")));
        ASSERT_NE(getDriverDevmode_, nullptr);
    }
    void TearDown() override
    {
        if (library_) FreeLibrary(library_);
        PurgeContextCache(TRUE);
        FreeCompiledModelList();
    }

    // The wide DEVMODE of the same request, made by the library's code here.
    std::vector<std::uint8_t> WideDefaults()
    {
        std::u16string name(kLongName, kLongName + std::strlen(kLongName));
        HANDLE printer = nullptr;
        EXPECT_TRUE(OpenPrinterW(name.data(), &printer, nullptr));
        std::vector<std::uint8_t> wide(GetDevmodeSize());
        DriverContext* context = CreateDriverContext(printer, printer, nullptr, kCallerPjlOptions);
        EXPECT_NE(context, nullptr);
        if (context) {
            EXPECT_NE(
                api::GetInstanceDevmode(context, api::kDevmodeModelDefaults, reinterpret_cast<DEVMODEW*>(wide.data())),
                -1);
            ReleaseDriverContextDefault(context);
        }
        ClosePrinter(printer);
        return wide;
    }

    HMODULE library_ = nullptr;
    PFN_ExcGetDriverDevmode getDriverDevmode_ = nullptr;
};

TEST_F(ExcDevmodeTest, TheDefaultsInTheAnsiLayout)
{
    std::vector<char> buffer(EXC_DRIVER_DEVMODE_SIZE + 4, kCanary);
    auto* devmode = reinterpret_cast<DEVMODEA*>(buffer.data());
    std::int32_t needed = -5;
    // One byte short: nothing is written.
    EXPECT_EQ(getDriverDevmode_(kLongName, EXC_DEVMODE_DEFAULTS, EXC_DRIVER_DEVMODE_SIZE - 1, devmode, &needed),
              EXC_MORE);
    EXPECT_EQ(needed, EXC_DRIVER_DEVMODE_SIZE);
    EXPECT_EQ(getDriverDevmode_(kLongName, EXC_DEVMODE_DEFAULTS, 0, nullptr, &needed), EXC_MORE);
    EXPECT_EQ(getDriverDevmode_(kLongName, 2, EXC_DRIVER_DEVMODE_SIZE, devmode, &needed), EXC_FAILED);
    EXPECT_EQ(getDriverDevmode_("No such printer", 1, EXC_DRIVER_DEVMODE_SIZE, devmode, &needed), EXC_FAILED);
    EXPECT_EQ(buffer, std::vector<char>(buffer.size(), kCanary));

    ASSERT_EQ(getDriverDevmode_(kLongName, EXC_DEVMODE_DEFAULTS, EXC_DRIVER_DEVMODE_SIZE, devmode, &needed), EXC_DONE);
    EXPECT_EQ(std::string(buffer.data()), std::string(kLongName, 31));
    EXPECT_EQ(buffer[EXC_DRIVER_DEVMODE_SIZE], kCanary);
    const std::vector<std::uint8_t> wide = WideDefaults();
    const auto* a = reinterpret_cast<const std::uint8_t*>(buffer.data());
    EXPECT_EQ(ReadLe16(a + 36), EXC_DEVMODEA_SIZE);
    EXPECT_EQ(std::memcmp(a + 32, &wide[64], 4), 0);
    EXPECT_EQ(std::memcmp(a + 38, &wide[70], 32), 0);
    EXPECT_EQ(std::memcmp(a + 102, &wide[166], EXC_DRIVER_DEVMODE_SIZE - 102), 0);
    // The form name in the ANSI code page.
    std::string form;
    for (std::size_t i = 102; i < 166 && wide[i] != 0; i += 2) form += static_cast<char>(wide[i]);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(a + 70)), form);
}

}  // namespace
}  // namespace vexl::test
