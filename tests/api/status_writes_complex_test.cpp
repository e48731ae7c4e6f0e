// The writes of the statuses with handlers of their own, through the write
// engine on the package printer: what they store, the codes they refuse
// with, and that the caller's structure is never written.
#include "api/frame.h"
#include "api/status_layouts.h"
#include "api_fixture.h"
#include "common/core/items.h"
#include "common/core/le.h"
#include "common/core/store.h"
#include "common/storage/directories.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

using namespace api;

std::vector<std::uint8_t> Structure(std::uint32_t id, std::uint32_t version)
{
    std::vector<std::uint8_t> s(GetStatusStructureSize(id, version));
    WriteLe32(s.data(), version);
    return s;
}

void PutText(std::vector<std::uint8_t>& s, std::size_t offset, const std::string& text)
{
    std::memcpy(s.data() + offset, text.c_str(), text.size() + 1);
}

class ComplexWriteTest : public ApiPrinterTest {
protected:
    // Writes through the engine and checks that the caller's bytes stay.
    int Write(DriverContext* instance, std::uint32_t id, const std::vector<std::uint8_t>& s)
    {
        const std::vector<std::uint8_t> before = s;
        const int result = SetStatusDispatch(instance, id, s.data(), nullptr, 0);
        EXPECT_EQ(s, before) << "status " << id << ": the caller's structure is not written";
        return result;
    }
    std::vector<char> SettingsIniBytes(DriverContext* instance)
    {
        std::ifstream file(machine::HostPath(GetSettingsIniPath(instance)), std::ios::binary);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }
};

// A custom size wider than long is stored with width and length exchanged;
// the caller's structure keeps what it asked.
TEST_F(ComplexWriteTest, CustomPaperSizeIsStoredPortrait)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    std::vector<std::uint8_t> s = Structure(7, 1);
    WriteLe32(s.data() + 4, 256);
    WriteLe32(s.data() + 8, 2100);
    WriteLe32(s.data() + 12, 2000);
    ASSERT_EQ(Write(instance, 7, s), 0) << GetApiLastError(instance);
    EXPECT_EQ(GetItemValue(instance, dmPaperSize), 256u);
    EXPECT_EQ(GetItemValue(instance, dmPaperWidth), 2000u);
    EXPECT_EQ(GetItemValue(instance, dmPaperLength), 2100u);
    const std::uint32_t fields = GetItemValue(instance, dmFields);
    EXPECT_EQ(fields & (DM_PAPERWIDTH | DM_PAPERLENGTH), DM_PAPERWIDTH | DM_PAPERLENGTH);
    EXPECT_EQ(fields & DM_PAPERSIZE, 0u);
}

TEST_F(ComplexWriteTest, DriverInformationSelectorsByApiVersion)
{
    struct Case {
        std::uint32_t api, selector;
        int result;
        std::int32_t code;
    };
    for (const Case c : {Case{12, 249, -1, kApiErrorSelectorRetired}, Case{11, 249, 0, 0}, Case{12, 300, 0, 0}}) {
        DriverContext* instance = OpenInstance(c.api);
        ASSERT_NE(instance, nullptr);
        SetApiLastError(instance, 0);
        std::vector<std::uint8_t> s = Structure(50, 1);
        WriteLe32(s.data() + 4, c.selector);
        EXPECT_EQ(Write(instance, 50, s), c.result) << c.api << "/" << c.selector;
        EXPECT_EQ(GetApiLastError(instance), c.code) << c.api << "/" << c.selector;
        CloseInstance(instance);
    }
}

TEST_F(ComplexWriteTest, SequenceMarkKeepsItsFirstTwentyCharacters)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    std::vector<std::uint8_t> s = Structure(50, 1);
    WriteLe32(s.data() + 4, 256);
    PutText(s, 40, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    ASSERT_EQ(Write(instance, 50, s), 0);
    const SettingItemDescriptor* mark = FindItem(instance, rdmSeqmark);
    ASSERT_NE(mark, nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(GetItemAddress(instance, mark)), "ABCDEFGHIJKLMNOPQRST");
}

TEST_F(ComplexWriteTest, PresetFileMustBeAnExistingAbsolutePath)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    for (const char* path : {"presets\\a.rst", "C:\\nowhere\\a.rst", ""}) {
        std::vector<std::uint8_t> s = Structure(1, 1);
        PutText(s, 4, path);
        SetApiLastError(instance, 0);
        EXPECT_EQ(Write(instance, 1, s), -1) << path;
        EXPECT_EQ(GetApiLastError(instance), kApiErrorBadFile) << path;
    }
    std::vector<std::uint8_t> s = Structure(1, 1);
    std::memset(s.data() + 4, 'A', 260);  // no terminator in the field
    EXPECT_EQ(Write(instance, 1, s), -1);
    EXPECT_EQ(GetApiLastError(instance), kApiErrorBadFile);
}

// A text watermark in a font that is not installed: code 8, and the stored
// stamps stay as they were.
TEST_F(ComplexWriteTest, WatermarkInAMissingFontIsRefused)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    const std::vector<char> ini = SettingsIniBytes(instance);
    std::vector<std::uint8_t> s = Structure(16, 1);
    WriteLe32(s.data() + 4, 1);    // text
    WriteLe32(s.data() + 32, 50);  // density
    WriteLe32(s.data() + 36, 72);  // points
    PutText(s, 44, "DRAFT");
    PutText(s, 77, "No Such Face");
    EXPECT_EQ(Write(instance, 16, s), -1);
    EXPECT_EQ(GetApiLastError(instance), kApiErrorFontMissing);
    EXPECT_EQ(SettingsIniBytes(instance), ini);
}

TEST_F(ComplexWriteTest, SelectingTheInterfaceStampNeedsItStored)
{
    DriverContext* instance = OpenInstance();
    ASSERT_NE(instance, nullptr);
    WritePrivateProfileStringW(u"Stamp256us", nullptr, nullptr, GetSettingsIniPath(instance));
    std::vector<std::uint8_t> s = Structure(17, 1);
    WriteLe32(s.data() + 4, 256);
    WriteLe32(s.data() + 28, 1);
    EXPECT_EQ(Write(instance, 17, s), -1);
    WriteLe32(s.data() + 28, 0);  // switched off: no stamp needed
    EXPECT_EQ(Write(instance, 17, s), 0);
    EXPECT_EQ(GetItemValue(instance, rdmFuncSelectWaterMark), 0u);
}

}  // namespace
}  // namespace vexl::test
