// Document events, the job strings of escape 122, and the upgrade check's
// version comparison.
#include "ui_fixture.h"

#include "common/core/le.h"
#include "ui/base/job_strings.h"
#include "ui/entry/document_events.h"
#include "ui/install/install_work.h"
#include "ui/install/upgrade_check.h"

namespace vexl::test {
namespace {

using namespace ui;

class DocumentEventTest : public UiPrinterTest {
protected:
    void SetUp() override
    {
        UiPrinterTest::SetUp();
        hdc_ = gdi::CreateDeviceContext(EscapeLog::Record, &log_);
    }
    void TearDown() override
    {
        gdi::DeleteDeviceContext(hdc_);
        UiPrinterTest::TearDown();
    }
    int Event(int escape) { return HandleDocumentEvent(printer_, hdc_, escape, 0, nullptr, 0, nullptr); }

    EscapeLog log_;
    HDC hdc_ = nullptr;
};

TEST_F(DocumentEventTest, AnswersByEscape)
{
    struct Case {
        int escape;
        int answer;
    };
    for (const Case& c :
         {Case{DOCUMENTEVENT_CREATEDCPRE, 1}, Case{DOCUMENTEVENT_CREATEDCPOST, 1}, Case{DOCUMENTEVENT_STARTPAGE, 1},
          Case{DOCUMENTEVENT_STARTDOCPOST, 1}, Case{DOCUMENTEVENT_RESETDCPRE, 0}, Case{DOCUMENTEVENT_ENDPAGE, 0},
          Case{DOCUMENTEVENT_ENDDOC, 0}, Case{DOCUMENTEVENT_ABORTDOC, 0}, Case{DOCUMENTEVENT_DELETEDC, 0},
          Case{DOCUMENTEVENT_ENDDOCPOST, 0}, Case{99, 0}}) {
        EXPECT_EQ(Event(c.escape), c.answer) << "escape " << c.escape;
    }
    EXPECT_TRUE(log_.escapes.empty());
}

TEST_F(DocumentEventTest, StartDocSendsTheJobStringBlockOnceAndSucceedsWhateverTheEscapeAnswers)
{
    // Without a language resource library (no help file name) the texts are empty.
    std::u16string help = u"HelpFileName";
    DeletePrinterDataW(printer_, help.data());
    log_.answer = -1;
    // Only the low 16 bits of the escape count.
    EXPECT_EQ(Event(0x10000 | DOCUMENTEVENT_STARTDOC), DOCUMENTEVENT_SUCCESS);
    ASSERT_EQ(log_.escapes.size(), 1u);
    const auto& escape = log_.escapes[0];
    EXPECT_EQ(escape.escape, 122);
    ASSERT_EQ(escape.input.size(), 2104u);
    const std::uint16_t keys[] = {731, 733, 735};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(ReadLe16(escape.input.data() + i * 526), keys[i]);
        EXPECT_EQ(ReadLe16(escape.input.data() + i * 526 + 2), 15000 + i);
    }
    // The last entry is all zero.
    for (std::size_t i = 0; i < 526; ++i) ASSERT_EQ(escape.input[3 * 526 + i], 0);
    EXPECT_EQ(ReadLe16(escape.input.data() + 4), 0);
}

TEST_F(UiPrinterTest, JobStringsComeFromTheLanguageResourceLibraryCutTo260Characters)
{
    // The help file "TZ16E1US.HLP" names the library "TZ16E1US.dll" of the driver folder.
    std::uint8_t block[kJobStringBlockBytes];
    BuildJobStringBlock(printer_, block);
    for (int i = 0; i < 3; ++i) {
        const std::uint8_t* text = block + i * kJobStringEntryBytes + 4;
        // Every text ends within its 261 characters.
        bool ended = false;
        for (int c = 0; c < kJobStringChars && !ended; ++c) ended = ReadLe16(text + 2 * c) == 0;
        EXPECT_TRUE(ended);
        EXPECT_NE(ReadLe16(text), 0) << "string " << 15000 + i;
    }
}

TEST(DriverVersionTexts, AnOlderMajorVersionIsOlderWhateverItsMinor)
{
    EXPECT_LT(CompareDriverVersionTexts(u"7.50", u"7.60"), 0);
    EXPECT_EQ(CompareDriverVersionTexts(u"7.60", u"7.60"), 0);
    EXPECT_LT(CompareDriverVersionTexts(u"6.70", u"7.60"), 0);
    EXPECT_GT(CompareDriverVersionTexts(u"8.10", u"7.60"), 0);
    EXPECT_LT(CompareDriverVersionTexts(u"", u"7.60"), 0);
}

TEST(InstallTime, FourteenDigitsOfTheLocalTime)
{
    TestMachine machine([] {
        machine::Profile profile;
        profile.fixedLocalTime = "2007-01-31 09:05:03.000";
        return profile;
    }());
    WCHAR stamp[15];
    FormatInstallTime(stamp);
    EXPECT_EQ(std::u16string(stamp), u"20070131090503");
}

TEST_F(UiPrinterTest, OffATerminalServerALocalPrinterPassesTheCheckWithoutWriting)
{
    EXPECT_TRUE(CheckPrinterUpgrade(printer_));
    EXPECT_FALSE(std::filesystem::exists(machine::HostPath(u"C:\\Users\\user\\AppData\\LocalLow\\_vexl")));
}

// A connection's settings of the previous layout are refreshed; with the
// administrator's defaults locked, the locked default section is written
// again for the new layout.
TEST_F(UiContextTest, AnUpgradeRefreshWritesTheLockedDefaultsAgain)
{
    ASSERT_TRUE(InitializePrinterSettings(printer_, nullptr, kInitPrinter));
    const std::u16string defaults = section_ + u".DefaultSection";
    for (const bool locked : {false, true}) {
        SCOPED_TRACE(locked);
        WritePrivateProfileStringW(defaults.c_str(), nullptr, nullptr, ini_.c_str());
        BYTE bits = locked ? 1 : 0;
        SetPrinterDataW(printer_, std::u16string(u"rdmLock000InfoBit").data(), REG_BINARY, &bits, 1);
        WritePrivateProfileStringW(section_.c_str(), u"RstVersion", u"321", ini_.c_str());
        EXPECT_TRUE(RefreshConnectionSettings(printer_, ini_.c_str(), section_.c_str()));
        WCHAR text[64] = {};
        EXPECT_EQ(GetPrivateProfileSectionW(defaults.c_str(), text, 64, ini_.c_str()) != 0, locked);
    }
}

}  // namespace
}  // namespace vexl::test
