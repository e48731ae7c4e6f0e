// Settings files: what a write leaves in the file, which headers a load
// accepts, the administrator-lock test, the printer-side export and the
// user copies of installed files.
#include "common/storage/settings_files.h"

#include "common/core/items.h"
#include "common/core/modeldb.h"
#include "common/core/store.h"
#include "common/storage/bidi_config.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "storage/storage_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexl::test {
namespace {

constexpr const WCHAR* kFile = u"C:\\_vexl\\Office.rst";
constexpr std::uint32_t kPresetLoad = kSettingsPresetCarrier | kSettingsPreset;

class SettingsFiles : public StorageTest {
protected:
    // Loads and user copies put the settings on the snapshot stack.
    void SetUp() override
    {
        StorageTest::SetUp();
        for (int level = 0; level < kStoreSnapshotLevels; ++level) {
            snapshots_[level].assign(kSettingsStoreSize, 0);
            ctx_.work()->storeSnapshots[level] = snapshots_[level].data();
        }
        SetItemValue(context(), rdmLanguageID, 1);
    }
    std::string FileText(std::u16string_view path) { return ReadHostFile(path); }
    std::string DriverSection() { return "[" + Narrow(GetDriverName(context())) + "]\r\n"; }
    std::string PrinterSection()
    {
        std::u16string name = GetPrinterSectionName(context());
        SanitizeIniSection(name.data());
        return "[" + Narrow(name) + "]\r\n";
    }
    static std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }
    std::string Header(std::uint32_t language)
    {
        return "RstVersion=" + std::to_string(context()->modelRecord->privateVersion) +
               "\r\nRstMachine=" + std::to_string(context()->modelRecord->machineFamily) +
               "\r\nRstLanguage=" + std::to_string(language) + "\r\n";
    }
    BOOL Load(const WCHAR* path, std::uint32_t flags) { return LoadSettingsFile(printer_, path, flags, context()); }
    BOOL Save(const WCHAR* path, std::uint32_t flags) { return SaveSettingsFile(printer_, path, flags, context()); }

    std::vector<std::uint8_t> snapshots_[kStoreSnapshotLevels];
};

TEST_F(SettingsFiles, PlainWriteReadsBackAndExportsThePrinterSide)
{
    SetItemValue(context(), dmColor, 2);
    SetItemValue(context(), rdmEmulation, 3);
    SetItemString(context(), FindItem(context(), rdmJOBPassword), u"1234");
    SetItemString(context(), FindItem(context(), wdmAuthenticationPassword), u"secret");
    ASSERT_TRUE(Save(kFile, kSettingsWrite));

    const std::string text = FileText(kFile);
    EXPECT_EQ(text.rfind(DriverSection() + Header(1) +
                             "RstOSKind=" + std::to_string(GetItemValue(context(), rdmOSKind)) + "\r\n",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("dmColor=2\r\n"), std::string::npos);
    EXPECT_EQ(text.find("rdmJOBPassword"), std::string::npos);
    EXPECT_EQ(text.find("wdmAuthenticationPassword"), std::string::npos);
    EXPECT_EQ(text.find("secret"), std::string::npos);

    const std::string exported = FileText(u"C:\\_vexl\\TZ00C172.txt");
    EXPECT_EQ(exported.rfind("[VEXLPrnSection]\r\n", 0), 0u) << exported;
    EXPECT_NE(exported.find("rdmFontTable=0\r\n"), std::string::npos);
    EXPECT_EQ(exported.find("rdmUserCode"), std::string::npos);

    SetItemValue(context(), dmColor, 1);
    SetItemValue(context(), rdmEmulation, 0);
    Load(kFile, kSettingsLoad);
    EXPECT_EQ(GetSettingsFileError(context()), kSettingsFileAccepted);
    EXPECT_EQ(GetItemValue(context(), dmColor), 2u);
    EXPECT_EQ(GetItemValue(context(), rdmEmulation), 3u);
}

// Each file is offered to a preset load that would set rdmScaleType to 3.
TEST_F(SettingsFiles, HeadersThatAreNotAcceptedLoadNothing)
{
    const std::string version = std::to_string(context()->modelRecord->privateVersion);
    const std::string machine = std::to_string(context()->modelRecord->machineFamily);
    struct Case {
        const char* name;
        std::string header;
        int status;
        bool converted;
    };
    const Case cases[] = {
        {"accepted", Header(1), kSettingsFileAccepted, false},
        {"older minor version", "RstVersion=310\r\nRstMachine=" + machine + "\r\nRstLanguage=1\r\n",
         kSettingsFileAccepted, true},
        {"other language", Header(2), kSettingsFileHeaderRefused, false},
        {"other major version", "RstVersion=222\r\nRstMachine=" + machine + "\r\nRstLanguage=1\r\n",
         kSettingsFileHeaderRefused, false},
        {"other machine", "RstVersion=" + version + "\r\nRstMachine=1\r\nRstLanguage=1\r\n", kSettingsFileHeaderRefused,
         false},
        {"no language", "RstVersion=" + version + "\r\nRstMachine=" + machine + "\r\n", kSettingsFileHeaderRefused,
         false},
        {"no header", "", kSettingsFileHeaderRefused, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine::WriteFile(kFile, PrinterSection() + c.header + "rdmScaleType=3\r\n");
        SetItemValue(context(), rdmScaleType, 0);
        SetItemValue(context(), wdmConvertVersion, 0);
        Load(kFile, kPresetLoad);
        EXPECT_EQ(GetSettingsFileError(context()), c.status);
        EXPECT_EQ(GetItemValue(context(), rdmScaleType), c.status == kSettingsFileAccepted ? 3u : 0u);
        // The conversion script steps an older file forward after its items are read.
        EXPECT_EQ(GetItemValue(context(), wdmConvertVersion) > 310, c.converted);
    }
}

TEST_F(SettingsFiles, MissingAndUnreadableFiles)
{
    SetItemValue(context(), rdmScaleType, 2);
    EXPECT_TRUE(Load(u"C:\\_vexl\\Missing.rst", kPresetLoad));
    EXPECT_EQ(GetSettingsFileError(context()), kSettingsFileHeaderRefused);
    EXPECT_TRUE(FileExists(u"C:\\_vexl\\Missing.rst"));

    EXPECT_FALSE(Load(u"C:\\Missing\\Office.rst", kSettingsLoad));
    EXPECT_EQ(GetSettingsFileError(context()), kSettingsFileUnreadable);
    EXPECT_FALSE(Load(u"relative.rst", kSettingsLoad));
    EXPECT_EQ(GetItemValue(context(), rdmScaleType), 2u);
}

TEST_F(SettingsFiles, LockedTrayRefusesAFileOfAnotherTray)
{
    SetItemValue(context(), dmDefaultSource, 3);
    ASSERT_TRUE(Save(kFile, kSettingsWrite));
    SetItemValue(context(), dmDefaultSource, 1);
    SetItemValue(context(), rdmEmulation, 2);

    SetItemValue(context(), rdmLock000InfoBitTray, 1);
    EXPECT_FALSE(Load(kFile, kSettingsLoad));
    EXPECT_EQ(GetSettingsFileError(context()), kSettingsFileLocked);
    EXPECT_EQ(GetItemValue(context(), dmDefaultSource), 1u);
    EXPECT_EQ(GetItemValue(context(), rdmEmulation), 2u);

    SetItemValue(context(), rdmLock000InfoBitTray, 0);
    Load(kFile, kSettingsLoad);
    EXPECT_EQ(GetSettingsFileError(context()), kSettingsFileAccepted);
    EXPECT_EQ(GetItemValue(context(), dmDefaultSource), 3u);
}

TEST_F(SettingsFiles, UserCopyOfAnInstalledQualityList)
{
    const std::u16string installed = std::u16string(kDriverFolder) + u"\\Fine.rsq";
    const std::u16string language = CopyLanguageCode(context());
    machine::WriteFile(installed, "[condition]\r\nmodel=1\r\n[disable]\r\nkey=2\r\n[" + Narrow(language) +
                                      "]\r\nReadonly=1\r\nrdmAdjustObject=3\r\n");
    machine::WriteFile(u"C:\\_vexl\\Fine.rsq", "[condition]\r\nstale=1\r\n");
    SetItemValue(context(), rdmAdjustObject, 1);

    // A copy without a header is refilled from the driver directory.
    EXPECT_TRUE(Load(u"C:\\_vexl\\Fine.rsq", kSettingsQualityList));
    EXPECT_EQ(GetSettingsFileError(context()), kSettingsFileHeaderRefused);
    EXPECT_EQ(GetItemValue(context(), rdmAdjustObject), 1u);

    const std::string copy = FileText(u"C:\\_vexl\\Fine.rsq");
    EXPECT_NE(copy.find("[condition]\r\nmodel=1\r\n"), std::string::npos) << copy;
    EXPECT_EQ(copy.find("stale"), std::string::npos);
    EXPECT_NE(copy.find("[disable]\r\nkey=2\r\n"), std::string::npos);
    EXPECT_NE(copy.find(PrinterSection() + Header(1)), std::string::npos);
    EXPECT_NE(copy.find("Readonly=1"), std::string::npos);
    EXPECT_TRUE(IsSettingsFile(u"C:\\_vexl\\Fine.rsq", context()));
    EXPECT_FALSE(IsSettingsFile(installed.c_str(), context()));

    EXPECT_TRUE(Load(u"C:\\_vexl\\Fine.rsq", kSettingsQualityList));
    EXPECT_EQ(GetSettingsFileError(context()), kSettingsFileAccepted);
    EXPECT_EQ(GetItemValue(context(), rdmAdjustObject), 3u);
}

TEST_F(SettingsFiles, PrinterItemsTravelAsGroup256)
{
    SetItemValue(context(), rdmPrinterMemory, 512);
    ASSERT_TRUE(SaveBidiIniSettings(context()));
    SetItemValue(context(), rdmPrinterMemory, 0);
    ASSERT_TRUE(LoadBidiIniSettings(context()));
    EXPECT_EQ(GetItemValue(context(), rdmPrinterMemory), 512u);
    EXPECT_TRUE(IsBidiIniFlagSet(context()));
}

}  // namespace
}  // namespace vexl::test
