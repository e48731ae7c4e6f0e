// The driver's DEVMODE in the ANSI layout: which bytes of the wide record
// go where, and that nothing is read or written beyond either record.
#include "api/exclusive.h"
#include "common/core/le.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vexl::api {
namespace {

constexpr std::size_t kWideSize = 1236;  // DEVMODEW and the private part
constexpr std::size_t kAnsiSize = 1172;

class AnsiDevmode : public test::MachineTest {
protected:
    AnsiDevmode() : wide_(kWideSize), ansi_(kAnsiSize, 0xCC)
    {
        for (std::size_t i = 0; i < wide_.size(); ++i) wide_[i] = static_cast<std::uint8_t>(i * 7 % 251 + 1);
        WriteLe16(&wide_[offsetof(DEVMODEW, dmSize)], sizeof(DEVMODEW));
        WriteLe16(&wide_[offsetof(DEVMODEW, dmDriverExtra)], 1016);
        const std::u16string form = u"A4 Letter Form";
        std::memset(&wide_[offsetof(DEVMODEW, dmFormName)], 0, 64);
        std::memcpy(&wide_[offsetof(DEVMODEW, dmFormName)], form.data(), 2 * form.size());
    }
    std::vector<std::uint8_t> wide_;
    std::vector<std::uint8_t> ansi_;
};

TEST_F(AnsiDevmode, FieldsMoveByTheWidthOfTheNames)
{
    const std::string printer(40, 'N');
    ASSERT_TRUE(WriteAnsiDevmode(wide_, printer.c_str(), ansi_));
    // The device name: the printer name cut to 31 bytes and a terminator.
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&ansi_[0])), std::string(31, 'N'));
    EXPECT_EQ(ansi_[31], 0);
    // dmSpecVersion to dmCollate as they were, dmSize lowered to 156.
    EXPECT_EQ(ReadLe16(&ansi_[36]), 156);
    EXPECT_EQ(ReadLe16(&ansi_[38]), 1016);
    EXPECT_EQ(std::memcmp(&ansi_[32], &wide_[64], 4), 0);
    EXPECT_EQ(std::memcmp(&ansi_[40], &wide_[72], 30), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&ansi_[70])), "A4 Letter Form");
    EXPECT_EQ(ansi_[101], 0);
    // dmLogPixels and everything after it, the private part included.
    EXPECT_EQ(std::vector<std::uint8_t>(ansi_.begin() + 102, ansi_.end()),
              std::vector<std::uint8_t>(wide_.begin() + 166, wide_.end()));
}

TEST_F(AnsiDevmode, RecordsOfOtherSizesAreRefused)
{
    std::vector<std::uint8_t> small(kAnsiSize - 1, 0xCC);
    EXPECT_FALSE(WriteAnsiDevmode(wide_, "P", small));
    EXPECT_EQ(small, std::vector<std::uint8_t>(kAnsiSize - 1, 0xCC));
    EXPECT_FALSE(WriteAnsiDevmode(std::span(wide_).first(100), "P", std::span(ansi_).first(36)));
    // A full-length form name is cut so that its terminator fits.
    std::fill_n(reinterpret_cast<char16_t*>(&wide_[offsetof(DEVMODEW, dmFormName)]), 32, u'F');
    ASSERT_TRUE(WriteAnsiDevmode(wide_, nullptr, ansi_));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&ansi_[70])), std::string(31, 'F'));
    EXPECT_EQ(ansi_[0], 0);
}

}  // namespace
}  // namespace vexl::api
