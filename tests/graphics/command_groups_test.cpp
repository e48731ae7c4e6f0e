// The job command groups over a small description and over the package's:
// the PJL text of each group for the current settings, with the clock fixed
// at 2007-01-31 09:05:03.
#include "graphics/command_groups.h"

#include "common/core/items.h"
#include "common/core/memory.h"
#include "common/core/modeldb.h"
#include "common/storage/directories.h"
#include "common/storage/persistence.h"

#include "support/integration_fixture.h"
#include "vexl_dump.h"

#include <cstring>
#include <string>

namespace vexl::test {
namespace {

using graphics::BuildCommandGroupText;
using graphics::ChapterEntry;
using graphics::JobCommandState;

constexpr char kFixedClock[] = "2007-01-31 09:05:03.000";

// A description with one statement of each kind the groups know.
constexpr char kFixtureDescription[] = R"(*FileVersion: 7.60
*UIResDLLName: "TZ16E1US.DLL"
*OpenUI *KSD_dmPaperSize: PickPage
*KSD_dmPaperSize BF_dmPaperSize_9: "@PJL SET PAPER=A4<0D0A>"
*KSD_dmPaperSize BF_dmPaperSize_1: "@PJL SET PAPER=LETTER<0D0A>"
*DefaultKSD_dmPaperSize: BF_dmPaperSize_9
*PageMMValue p BF_dmPaperSize_9: "2100 2970"
*PageValue p BF_dmPaperSize_9: 600 BF_dmOrientation_1 "100 100 4761 6816 4961 7016"
*PageMMValue p BF_dmPaperSize_1: "2159 2794"
*PageValue p BF_dmPaperSize_1: 600 BF_dmOrientation_1 "100 100 4900 6400 5100 6600"
*CloseUI: *KSD_dmPaperSize
*OpenUI *KSD_dmCollate: Boolean
*KSD_dmCollate True: "@PJL SET COLLATE=ON<0D0A>"
*KSD_dmCollate False: "@PJL SET COLLATE=OFF<0D0A>"
*DefaultKSD_dmCollate: False
*CloseUI: *KSD_dmCollate
*OpenUI *KSD_dmCopies: Numeric
*NumericValue: "1 1 1 999 0 0 1 1"
*OptionCommand: { "@PJL SET COPIES=" "<0D0A>" }
*CloseUI: *KSD_dmCopies
*OpenUI *KSD_dmFormName: String
*StringValue: 31 MultiByte
*OptionCommand: { "@PJL SET FORMNAME=%"" "%"<0D0A>" }
*CloseUI: *KSD_dmFormName
*OpenUI *KSD_rdmTime: Boolean
*KSD_rdmTime True: ""
*KSD_rdmTime False: ""
*OptionCommand: { "@PJL SET TIME = " " <0D0A>" }
*CloseUI: *KSD_rdmTime
*OpenUI *KSD_dmDeviceName: String
*StringValue: 31 MultiByte
*OptionCommand: { "@PJL SET PRINTERNAME = " " <0D0A>" }
*CloseUI: *KSD_dmDeviceName
*OpenUI *KSD_wdmDriverFileName: String
*StringValue: 64 MultiByte
*OptionCommand: { "@PJL SET LOGLIBRARY=" "<0D0A>" }
*CloseUI: *KSD_wdmDriverFileName
*OpenUI *KSD_rdmShiftMarginX: Numeric
*NumericValue: "0 0 -999 999 0 0 254 10"
*OptionCommand: { "@PJL SET SHIFTX=" "<0D0A>" }
*CloseUI: *KSD_rdmShiftMarginX
*OpenUI *KSD_rdmShiftMarginY: Numeric
*NumericValue: "0 0 -999 999 0 0 254 10"
*OptionCommand: { "@PJL SET SHIFTY=" "<0D0A>" }
*CloseUI: *KSD_rdmShiftMarginY
*OpenUI *KSD_dmScale: Numeric
*NumericValue: "100 100 1 1000 0 0 1 0"
*OptionCommand: { "@PJL SET SCALE=" "<0D0A>" }
*CloseUI: *KSD_dmScale
*OpenUI *KSD_rdmTTFont: FontTbl
*KSD_rdmTTFont BF_rdmTTFont_1: ""
*KSD_rdmTTFont BF_rdmTTFont_2: "@PJL SET FONTTABLE=2<0D0A>"
*DefaultKSD_rdmTTFont: BF_rdmTTFont_2
*TTFS t BF_rdmTTFont_2: IDList { {"Arial" "Helvetica"} }
*CloseUI: *KSD_rdmTTFont
*Judge 1=CollateOn: KSD_dmCollate == 1
*Judge 2=OneCopy: KSD_dmCopies == 1
*CommandString 1: "<1B>%%-12345X@PJL<0D0A>"
*CommandString 2: ""
*CommandString 3: "@PJL ENTER LANGUAGE=VEXL<0D0A>"
*CommandString 4: "@PJL COMMENT never sent<0D0A>"
*CommandString 5: "@PJL SET PAGE=START<0D0A>"
*CommandGroup: JobStart {
  Type : StringType 1
  Type : StringType 2
  Type : GroupType KSD_dmPaperSize
  Type : GroupType KSD_dmCollate
  Type : GroupType KSD_dmCopies
  Type : GroupType KSD_dmFormName
  Command : CollateOn { Type : StringType 4 } Else { Type : GroupType KSD_rdmTime }
  Command : OneCopy { Type : GroupType KSD_dmDeviceName }
  Type : GroupType KSD_wdmDriverFileName
  Type : GroupType KSD_rdmShiftMarginX
  Type : GroupType KSD_rdmShiftMarginY
  Type : GroupType KSD_dmScale
  Type : GroupType KSD_rdmTTFont
  Type : FontType
  Type : StringType 3
}
*CommandGroup: PageStart { Type : StringType 5 }
*CommandGroup: PageEnd { Type : StringType 2 }
*CommandGroup: JobEnd { Type : GroupType KSD_rdmUserID }
)";

void FixClock()
{
    machine::Profile profile = machine::LoadProfile();
    profile.fixedLocalTime = kFixedClock;
    machine::SaveProfile(profile);
}

class CommandGroups : public DriverPrinterTest {
protected:
    void SetUp() override
    {
        DriverPrinterTest::SetUp();
        FixClock();
        graphics::InitJobCommandState(&job_);
    }
    void TearDown() override
    {
        if (context_) ReleaseDriverContext(context_, kReleaseDestroy);
        DriverPrinterTest::TearDown();
    }

    void Open()
    {
        context_ = Create(kCallerEnablePdev);
        ASSERT_NE(context_, nullptr);
    }
    void OpenFixture()
    {
        machine::WriteFile(kDescriptionFile, kFixtureDescription);
        Open();
    }

    void Set(std::uint16_t item, std::uint32_t value) { SetItemValue(context_, item, value); }

    // Both passes; the text, or "FAILED".
    std::string Group(model::CommandGroup group)
    {
        std::int32_t measured = -1;
        const int measure = graphics::RunCommandGroup(
            context_, &job_, model::GetCommandGroup(context_->compiledModel, group), nullptr, 0, &measured);
        std::vector<char> text;
        if (!BuildCommandGroupText(context_, &job_, group, &text)) return "FAILED";
        EXPECT_EQ(measure, text.empty() ? 0 : 1);
        EXPECT_EQ(static_cast<std::size_t>(measured), text.size()) << "the measure and the write disagree";
        ExpectCheckedAsFrame(text);
        return std::string(text.begin(), text.end());
    }

    // The text as the payload of the job's first frame passes the job-stream
    // checker, which reads the PJL lines the driver writes itself.
    static void ExpectCheckedAsFrame(const std::vector<char>& text)
    {
        std::vector<std::uint8_t> frame = {0xF3, 0, 0, 0};
        for (int i = 0; i < 4; ++i) frame.push_back(static_cast<std::uint8_t>(text.size() >> (8 * i)));
        frame.insert(frame.end(), text.begin(), text.end());
        const dump::DecodeResult decoded = dump::DecodeJobStream(frame);
        EXPECT_TRUE(decoded.ok()) << dump::FormatViolation(decoded.violation.value_or(dump::Violation{})) << "\n"
                                  << decoded.listing;
    }

    // The device-font list and the substitution table as the store holds them.
    void SetDeviceFonts(std::initializer_list<std::pair<std::uint32_t, std::u16string>> fonts)
    {
        auto* records = static_cast<DeviceFontRecord*>(AllocZeroed(sizeof(DeviceFontRecord) * fonts.size()));
        int i = 0;
        for (const auto& [id, name] : fonts) {
            records[i].id = id;
            std::memcpy(records[i].name, name.data(), name.size() * sizeof(WCHAR));
            ++i;
        }
        FreeIfNotNull(GetItemHeapAddress(context_, rdmDeviceFont));
        SetItemHeapAddress(context_, rdmDeviceFont, records);
        Set(rdmDeviceFontNum, static_cast<std::uint32_t>(fonts.size()));
    }
    void SetFontTable(std::initializer_list<std::pair<std::u16string, std::u16string>> pairs)
    {
        auto* records = static_cast<FontSubstPair*>(AllocZeroed(sizeof(FontSubstPair) * pairs.size()));
        int i = 0;
        for (const auto& [face, device] : pairs) {
            std::memcpy(records[i].trueTypeFace, face.data(), face.size() * sizeof(WCHAR));
            std::memcpy(records[i].deviceFont, device.data(), device.size() * sizeof(WCHAR));
            ++i;
        }
        FreeIfNotNull(GetItemHeapAddress(context_, rdmFontTable));
        SetItemHeapAddress(context_, rdmFontTable, records);
        Set(rdmFontTableNum, static_cast<std::uint32_t>(pairs.size()));
    }

    DriverContext* context_ = nullptr;
    JobCommandState job_{};
};

TEST_F(CommandGroups, FixtureJobStartIsTheGoldenText)
{
    OpenFixture();
    SetPrinterDataW(printer_, const_cast<WCHAR*>(u"LogFileName"), REG_SZ,
                    reinterpret_cast<BYTE*>(const_cast<char16_t*>(u"abc.log")), 16);
    Set(rdmDstResolutionW, 600);
    Set(rdmShiftMarginX, 100);
    Set(rdmShiftMarginY, 100);
    Set(rdmShiftDir, 3);
    SetItemString(context_, FindItem(context_, dmFormName), u"Letterhead");
    SetDeviceFonts({{5, u"Mincho"}, {0xFFFF, u"Unused"}, {7, u"Gothic"}});
    SetFontTable({{u"Arial", u"Helvetica"}, {u"Courier New", u"Courier"}});

    EXPECT_EQ(Group(model::kJobStart),
              "\x1b%-12345X@PJL\r\n"
              "@PJL SET PAPER=A4\r\n"
              "@PJL SET COLLATE=OFF\r\n"
              "@PJL SET COPIES=1\r\n"
              "@PJL SET FORMNAME=\"Letterhead\"\r\n"
              "@PJL SET DATE = \"2007/01/31\" \r\n"
              "@PJL SET TIME = \"09:05:03\" \r\n"
              "@PJL SET VEXLDRIVERNAME = \"VEXL Color 4540\" \r\n"
              "@PJL SET PRINTERNAME = \"Office ,2nd floor,\" \r\n"
              "@PJL SET LOGLIBRARY=abc.DLL\r\n"
              "@PJL SET SHIFTX=1270\r\n"   // 100 x 254 x 600 / (10 x 1200)
              "@PJL SET SHIFTY=-1270\r\n"  // negated for shift direction 3
              // dmScale divides by an eighth value of 0: nothing
              "@PJL SET FONTTABLE=2\r\n"
              "@PJL SET SUBFONTTABLE = \"Arial+Helvetica/Courier New+Courier\" \r\n"
              "@PJL SET DEVFONTID = \"5+Mincho/7+Gothic\" \r\n"
              "@PJL ENTER LANGUAGE=VEXL\r\n");
    EXPECT_EQ(Group(model::kPageStart), "@PJL SET PAGE=START\r\n");
    // An empty command string emits nothing: the group is empty, and succeeds.
    EXPECT_EQ(Group(model::kPageEnd), "");
}

TEST_F(CommandGroups, ShiftMarginsAreNegatedByDirection)
{
    OpenFixture();
    Set(rdmDstResolutionW, 600);
    Set(rdmShiftMarginX, 100);
    Set(rdmShiftMarginY, 100);
    struct Case {
        std::uint32_t direction;
        const char* x;
        const char* y;
    };
    for (const Case& c :
         {Case{1, "1270", "1270"}, Case{2, "-1270", "1270"}, Case{3, "1270", "-1270"}, Case{4, "-1270", "-1270"}}) {
        Set(rdmShiftDir, c.direction);
        const std::string text = Group(model::kJobStart);
        EXPECT_NE(text.find(std::string("SHIFTX=") + c.x + "\r\n"), std::string::npos) << c.direction;
        EXPECT_NE(text.find(std::string("SHIFTY=") + c.y + "\r\n"), std::string::npos) << c.direction;
    }
    // A negative margin keeps its sign through the scaling.
    Set(rdmShiftDir, 4);
    Set(rdmShiftMarginX, static_cast<std::uint32_t>(-100));
    const std::string text = Group(model::kJobStart);
    EXPECT_NE(text.find("SHIFTX=1270\r\n"), std::string::npos) << text;
}

TEST_F(CommandGroups, FontLinesOfEmptyListsAreWellFormed)
{
    OpenFixture();
    // Every id 0xFFFF: the line keeps an empty quoted value.
    SetDeviceFonts({{0xFFFF, u"A"}, {0xFFFF, u"B"}});
    EXPECT_NE(Group(model::kJobStart).find("@PJL SET DEVFONTID = \"\" \r\n"), std::string::npos);
    // No list at all: no line.
    Set(rdmDeviceFontNum, 0);
    EXPECT_EQ(Group(model::kJobStart).find("DEVFONTID"), std::string::npos);
    // A font option without substitutions sends no SUBFONTTABLE line.
    SetFontTable({{u"Arial", u"Helvetica"}});
    SetItemOption(context_, rdmTTFont, 1);
    const std::string text = Group(model::kJobStart);
    EXPECT_EQ(text.find("SUBFONTTABLE"), std::string::npos) << text;
    EXPECT_EQ(text.find("FONTTABLE=2"), std::string::npos);
}

TEST_F(CommandGroups, FontLinesReadNoMoreThanTheirListsHold)
{
    OpenFixture();
    SetDeviceFonts({{5, u"Mincho"}, {7, u"Gothic"}});
    SetFontTable({{u"Arial", u"Helvetica"}});
    // Counts beyond the lists' blocks.
    Set(rdmDeviceFontNum, 500);
    Set(rdmFontTableNum, 300);
    ASSERT_EQ(GetItemValue(context_, rdmDeviceFontNum), 500u);
    ASSERT_EQ(GetItemValue(context_, rdmFontTableNum), 300u);
    const std::string text = Group(model::kJobStart);
    EXPECT_NE(text.find("@PJL SET SUBFONTTABLE = \"Arial+Helvetica\" \r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("@PJL SET DEVFONTID = \"5+Mincho/7+Gothic\" \r\n"), std::string::npos) << text;
}

TEST_F(CommandGroups, JudgesChooseTheBranches)
{
    OpenFixture();
    Set(dmCollate, 1);
    Set(dmCopies, 3);
    const std::string text = Group(model::kJobStart);
    EXPECT_NE(text.find("@PJL SET COLLATE=ON\r\n@PJL SET COPIES=3\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("@PJL COMMENT never sent\r\n"), std::string::npos);  // the then-list of CollateOn
    EXPECT_EQ(text.find("DATE"), std::string::npos);
    EXPECT_EQ(text.find("VEXLDRIVERNAME"), std::string::npos);  // OneCopy is false, no else-list
}

TEST_F(CommandGroups, AStatementOfAnUnknownEntryFailsTheWholeGroup)
{
    OpenFixture();
    // JobEnd names rdmUserID, which has no UI entry in the description.
    std::int32_t count = 7;
    EXPECT_EQ(graphics::RunCommandGroup(
                  context_, &job_, model::GetCommandGroup(context_->compiledModel, model::kJobEnd), nullptr, 0, &count),
              graphics::kGroupFailed);
    EXPECT_EQ(count, 0);
    std::vector<char> text{'x'};
    EXPECT_FALSE(BuildCommandGroupText(context_, &job_, model::kJobEnd, &text));
    EXPECT_TRUE(text.empty());
}

TEST_F(CommandGroups, TheWriterNeverPassesItsBuffer)
{
    OpenFixture();
    std::vector<char> text;
    ASSERT_TRUE(BuildCommandGroupText(context_, &job_, model::kJobStart, &text));
    std::vector<char> small(text.size() - 1, 0);
    std::int32_t count = 0;
    EXPECT_EQ(
        graphics::RunJobStartGroup(context_, &job_, small.data(), static_cast<std::int32_t>(small.size()), &count),
        graphics::kGroupFailed);
    EXPECT_EQ(count, 0);
}

TEST_F(CommandGroups, OptionTextsComeFromTheUiStrings)
{
    OpenFixture();
    // The paper statement stands in for an option-text item.
    FindItem(context_, dmPaperSize)->emissionKind = 13;
    // An option without a row of the table sends its invocation.
    EXPECT_NE(Group(model::kJobStart).find("@PJL SET PAPER=A4\r\n"), std::string::npos);
    // An option with a row sends the row's text, reloaded by its string id.
    job_.optionTexts[0].optionId = 9;
    const std::string text = Group(model::kJobStart);
    EXPECT_NE(text.find("Printer options@PJL SET COLLATE"), std::string::npos) << text;
    EXPECT_EQ(std::u16string(job_.optionTexts[0].text), u"Printer options");
    EXPECT_NE(context_->uiResourceLibrary, nullptr);
    // No option for the value: nothing.
    SetItemOption(context_, dmPaperSize, 5);
    EXPECT_EQ(Group(model::kJobStart).find("PAPER"), std::string::npos);
}

TEST_F(CommandGroups, ColourFilesFollowTheMatchingMode)
{
    OpenFixture();
    const WCHAR* directory = GetDriverDirectory(context_);
    ASSERT_NE(directory, nullptr);
    const std::string folder(directory, directory + std::char_traits<char16_t>::length(directory));
    struct Case {
        std::uint16_t kind;
        std::uint32_t colour;  // rdmMachineTypeColor
        std::uint32_t mode;    // rdmColorMatchingMode
        std::uint32_t media;   // rdmMediaType
        const char* file;      // null: nothing
    };
    const Case cases[] = {
        {101, 1, 1, 1, "TZ99C151.rcm"}, {101, 1, 1, 2, "TZ99C153.rcm"},   {101, 1, 2, 1, "TZ99C152.rcm"},
        {101, 1, 2, 2, "TZ99C154.rcm"}, {101, 1, 131, 1, nullptr},        {101, 1, 0, 1, nullptr},
        {101, 0, 1, 1, nullptr},        {102, 1, 128, 1, "TZ99C153.rcm"}, {102, 1, 129, 1, "TZ99C152.rcm"},
        {102, 1, 1, 1, "TZ99C151.rcm"}, {102, 1, 131, 1, nullptr},        {102, 1, 205, 1, nullptr},
        {102, 0, 1, 1, nullptr},
    };
    for (const Case& c : cases) {
        FindItem(context_, dmPaperSize)->emissionKind = c.kind;
        Set(rdmMachineTypeColor, c.colour);
        Set(rdmColorMatchingMode, c.mode);
        Set(rdmMediaType, c.media);
        const std::string text = Group(model::kJobStart);
        const std::size_t start = text.find("@PJL\r\n") + 6;
        const std::string emitted = text.substr(start, text.find("@PJL SET COLLATE") - start);
        EXPECT_EQ(emitted, c.file ? folder + c.file : "") << c.kind << " " << c.mode << " " << c.media;
    }
}

TEST_F(CommandGroups, TheFrameWriterMeasuresThenWrites)
{
    OpenFixture();
    graphics::GroupEmission emission{context_, &job_, model::kPageStart, 0};
    const long measured = graphics::EmitCommandGroupText(&emission, nullptr);
    ASSERT_EQ(measured, 21);
    std::vector<BYTE> frame(static_cast<std::size_t>(measured) + 4, 0xAA);
    EXPECT_EQ(graphics::EmitCommandGroupText(&emission, frame.data()), measured);
    EXPECT_EQ(std::string(frame.begin(), frame.begin() + measured), "@PJL SET PAGE=START\r\n");
    EXPECT_EQ(frame[static_cast<std::size_t>(measured)], 0xAA);  // nothing behind the text
    // A group that fails says so in both passes.
    graphics::GroupEmission failing{context_, &job_, model::kJobEnd, 0};
    EXPECT_EQ(graphics::EmitCommandGroupText(&failing, nullptr), -1);
    EXPECT_EQ(graphics::EmitCommandGroupText(&failing, frame.data()), -1);
}

// Chapter lines: chapters 1 and 2 of kind 0 on tray 2, a break, a range on tray 3.
bool ReadFixtureChapter(DriverContext*, int index, ChapterEntry* out)
{
    static const ChapterEntry chapters[] = {
        {1, 2, 0, 1, u""}, {4, 2, 0, 0, u""}, {6, 0, 1, 0, u""}, {0, 3, 3, 2, u"8-10"}};
    if (index < 0 || index >= 4) return false;
    *out = chapters[index];
    return true;
}

TEST_F(CommandGroups, ChapterLinesListEachTrayOnce)
{
    OpenFixture();
    // The collate statement stands in for a chapter item.
    FindItem(context_, dmCollate)->emissionKind = 11;
    job_.readChapter = ReadFixtureChapter;
    Set(dmCollate, 1);
    Set(wdmChapterNum, 4);
    Set(wdmChapterTrayMax, 5);
    Set(rdmFuncSelectDuplex, 1);
    const std::string text = Group(model::kJobStart);
    const std::string expected = "@PJL SET COLLATE=ON\r\n"
                                 "@PJL SET CHAPTERPRINTTRAY1 =  \r\n"
                                 "@PJL SET CHAPTERPRINTDUPLEX1 = ON \r\n"
                                 "@PJL SET CHAPTERPRINTTRAY2 =  \r\n"
                                 "@PJL SET CHAPTERPRINTDUPLEX2 = OFF \r\n"
                                 "@PJL SET CHAPTERPAGENUMBER1 = 1 \r\n"
                                 "@PJL SET CHAPTERPAGE1 = COPY \r\n"
                                 "@PJL SET CHAPTERPAGETRAY1 = CHAPTERPRINTTRAY1 \r\n"
                                 "@PJL SET CHAPTERPAGENUMBER2 = 4 \r\n"
                                 "@PJL SET CHAPTERPAGE2 = BLANK \r\n"
                                 "@PJL SET CHAPTERPAGETRAY2 = CHAPTERPRINTTRAY1 \r\n"
                                 "@PJL SET CHAPTERPAGENUMBER3 = 6 \r\n"
                                 "@PJL SET CHAPTERPAGE3 = BREAK \r\n"
                                 "@PJL SET CHAPTERPAGESTART4 = 8 \r\n"
                                 "@PJL SET CHAPTERPAGEEND4 = 10 \r\n"
                                 "@PJL SET CHAPTERPAGETRAY4 = CHAPTERPRINTTRAY2 \r\n";
    EXPECT_NE(text.find(expected), std::string::npos) << text;
    // Collation off: the Boolean text alone.
    Set(dmCollate, 0);
    EXPECT_EQ(Group(model::kJobStart).find("CHAPTER"), std::string::npos);
}

TEST_F(CommandGroups, PackageJobCarriesTheJobSettings)
{
    Open();
    Set(dmCopies, 2);
    Set(rdmFuncSelectDuplex, 1);
    Set(rdmFuncSelectStaple, 1);
    SetItemOption(context_, rdmColorMode, 3);
    const std::string job = Group(model::kJobStart);
    for (const char* line :
         {"\x1b%-12345X@PJL\r\n", "@PJL SET COPIES=2\r\n", "@PJL SET PAPER=A4\r\n", "@PJL SET MEDIASOURCE=AUTO\r\n",
          "@PJL SET RESOLUTION=600\r\n", "@PJL SET BINDING=LONGEDGE\r\n", "@PJL SET STAPLE=ON\r\n",
          "@PJL SET STAPLE=TOPLEFT\r\n", "@PJL SET COLORMODE=MONO\r\n",
          "@PJL SET DATE = \"2007/01/31\" \r\n@PJL SET TIME = \"09:05:03\" \r\n",
          "@PJL SET VEXLDRIVERNAME = \"VEXL Color 4540\" \r\n"}) {
        EXPECT_NE(job.find(line), std::string::npos) << line << "\n" << job;
    }
    EXPECT_EQ(job.substr(job.size() - 26), "@PJL ENTER LANGUAGE=VEXL\r\n");
    EXPECT_EQ(Group(model::kPageStart).rfind("@PJL SET ORIENTATION=PORTRAIT\r\n", 0), 0u);
}

}  // namespace
}  // namespace vexl::test
