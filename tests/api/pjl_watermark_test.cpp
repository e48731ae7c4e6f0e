// The watermark blocks of the Exc interface on the settings interface's test
// printer, whose settings hold a text watermark on the first page only and
// an image watermark on pages 1 to 3, and whose description writes the
// watermark fields (the start and end page added here).
#include "api/exclusive.h"
#include "api/pjl_session.h"
#include "interface_printer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexl::api {
namespace {

std::vector<std::uint8_t> DevmodeOf(DriverContext* context)
{
    const std::uint8_t* bytes = GetStoreBytes(context);
    return std::vector<std::uint8_t>(bytes, bytes + GetDevmodeSize());
}

constexpr const char* kPageEntries = "*OpenUI *KSD_wdmWmStartPage: Numeric\r\n"
                                     "*NumericValue: \"1 1 1 999 1 1 1 1\"\r\n"
                                     "*OptionCommand: { \"@PJL SET WMSTARTPAGE = \" \" <0D0A>\" }\r\n"
                                     "*CloseUI: *KSD_wdmWmStartPage\r\n"
                                     "*OpenUI *KSD_wdmWmEndPage: Numeric\r\n"
                                     "*NumericValue: \"1 1 1 999 1 1 1 1\"\r\n"
                                     "*OptionCommand: { \"@PJL SET WMENDPAGE = \" \" <0D0A>\" }\r\n"
                                     "*CloseUI: *KSD_wdmWmEndPage\r\n";

class PjlWatermarkTest : public test::MachineTest {
protected:
    void SetUp() override
    {
        test::InstallInterfacePrinter();
        std::string description = test::ReadHostFile(test::kInterfaceFixtureFolder / "interface_model.vxd");
        const std::size_t constraints = description.find("*Judge 1=");
        ASSERT_NE(constraints, std::string::npos);
        description.insert(constraints, kPageEntries);
        machine::WriteFile(std::u16string(test::kInterfaceDriverFolder) + u"\\TZ16E1MD.VXD", description);
        handle_ = OpenExclusiveSession(test::kInterfacePrinterNameAnsi);
        ASSERT_NE(handle_, nullptr);
        session_ = FindExclusiveSession(handle_);
    }
    void TearDown() override
    {
        CloseExclusiveSession(handle_);
        PurgeContextCache(TRUE);
        FreeCompiledModelList();
    }
    void* handle_ = nullptr;
    ExclusiveSession* session_ = nullptr;
};

TEST_F(PjlWatermarkTest, EachWatermarkOfTheKindIsABlockOfItsFields)
{
    DriverContext* context = session_->context;
    const std::vector<std::uint8_t> devmode = DevmodeOf(context);
    // The text watermark is on the first page only: no start and end page.
    EXPECT_EQ(BuildWatermarkList(context, 0), std::string("@PJL SET WMTEXT = \"CONFIDENTIAL\" \r\n"
                                                          "@PJL SET WMPAGE = OFF \r\n"
                                                          "@PJL SET WMKORDER = PAPER \r\n"
                                                          "@PJL SET WMPOSITION = CENTER \r\n"
                                                          "@PJL SET WMDENSITY = 50 \r\n"
                                                          "@PJL SET WMANGLE = 45 \r\n") +
                                                  '\0' + '\0');
    // Any other kind lists the image watermarks; their text-only fields are
    // left out, the pages they are on are written.
    EXPECT_EQ(BuildWatermarkList(context, 1), std::string("@PJL SET WMPAGE = ON \r\n"
                                                          "@PJL SET WMSTARTPAGE = 1 \r\n"
                                                          "@PJL SET WMENDPAGE = 3 \r\n"
                                                          "@PJL SET WMKORDER = PAPER \r\n"
                                                          "@PJL SET WMPOSITION = TOPLEFT \r\n") +
                                                  '\0' + '\0');
    EXPECT_EQ(DevmodeOf(context), devmode);
}

}  // namespace
}  // namespace vexl::api
