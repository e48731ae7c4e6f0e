// The status reads of the settings interface, on an instance of the package
// printer: sizes and versions of every readable status, the buffer rules,
// and the reads that take input from the caller's structure.
#include "api/descriptors.h"
#include "api/handler_rows.h"
#include "api/status_layouts.h"
#include "api_fixture.h"
#include "common/core/item_ids.h"
#include "common/core/items.h"
#include "common/core/printer_facts.h"
#include "common/core/units.h"
#include "common/storage/directories.h"
#include "common/storage/ini.h"
#include "common/storage/ini_lists.h"
#include "common/storage/module_chapters.h"
#include "platform/machine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

constexpr std::uint8_t kCanary = 0xCC;
constexpr std::size_t kBufferBytes = 1024;

class StatusReads : public ApiPrinterTest {
protected:
    void SetUp() override
    {
        ApiPrinterTest::SetUp();
        instance_ = OpenInstance();
        ASSERT_NE(instance_, nullptr);
    }

    static std::vector<std::uint8_t> Canaries() { return std::vector<std::uint8_t>(kBufferBytes, kCanary); }

    int Read(std::uint32_t id, void* out, std::uint32_t version = 0)
    {
        return api::GetStatusDispatch(instance_, id, out, version);
    }
    std::int32_t LastError() { return api::GetApiLastError(instance_); }

    // The bytes a read changed, as offsets.
    static std::vector<std::size_t> Touched(const std::vector<std::uint8_t>& buffer)
    {
        std::vector<std::size_t> offsets;
        for (std::size_t i = 0; i < buffer.size(); ++i)
            if (buffer[i] != kCanary) offsets.push_back(i);
        return offsets;
    }

    // Canaries with the input fields of the statuses that read some: the
    // version selector of status 50, the chapter count only of status 67,
    // the first tray the model offers for status 63.
    std::vector<std::uint8_t> Prepared(std::uint32_t id)
    {
        std::vector<std::uint8_t> bytes = Canaries();
        if (id == VEXLDRV_STATUS_SELECTORS) api::PutStatusU32(bytes.data(), 4, VEXL_DRIVER_INFO_VERSIONS);
        if (id == VEXLDRV_STATUS_CHAPTERS) api::PutStatusU32(bytes.data(), 16, 0);
        if (id == VEXLDRV_STATUS_TRAY_INFORMATION) {
            std::uint32_t trays[64] = {};
            if (api::DispatchCapability(instance_, 2, nullptr) <= 64 &&
                static_cast<int>(api::DispatchCapability(instance_, 2, trays)) > 0)
                api::PutStatusU32(bytes.data(), 4, trays[0]);
        }
        return bytes;
    }
    // The offsets a read changed.
    static std::vector<std::size_t> Changed(const std::vector<std::uint8_t>& before,
                                            const std::vector<std::uint8_t>& after)
    {
        std::vector<std::size_t> offsets;
        for (std::size_t i = 0; i < after.size(); ++i)
            if (after[i] != before[i]) offsets.push_back(i);
        return offsets;
    }

    DriverContext* instance_ = nullptr;
};

// Every readable status: a size query answers the size of the filled
// structure, version 0 is the latest, and no version is written past its size.
TEST_F(StatusReads, EveryStatusAnswersItsSizeAndStaysWithinItsVersion)
{
    int filled = 0;
    for (const api::StatusReadRow& row : api::StatusReadRows()) {
        const api::ApiDescriptor* record = api::FindStatusDescriptor(row.id);
        if (record == nullptr || !record->enabled || !api::IsApiIdEnabled(api::kApiKindStatus, row.id)) continue;
        SCOPED_TRACE(testing::Message() << "status " << row.id);
        const std::uint32_t latest = record->versionCount;

        const int size = Read(row.id, nullptr);
        std::vector<std::uint8_t> latestBytes = Prepared(row.id);
        const int result = Read(row.id, latestBytes.data(), 0);
        if (result == -1) continue;  // a read the package model does not serve
        ++filled;
        EXPECT_EQ(result, size);
        EXPECT_EQ(api::GetStatusU32(latestBytes.data(), 0), latest);

        std::vector<std::uint8_t> asLatest = Prepared(row.id);
        EXPECT_EQ(Read(row.id, asLatest.data(), latest), size);
        EXPECT_EQ(asLatest, latestBytes);

        for (std::uint32_t version = 1; version <= latest; ++version) {
            SCOPED_TRACE(testing::Message() << "version " << version);
            const int versionSize = Read(row.id, nullptr, version);
            const std::vector<std::uint8_t> before = Prepared(row.id);
            std::vector<std::uint8_t> bytes = before;
            const int versionResult = Read(row.id, bytes.data(), version);
            if (versionResult == -1) continue;
            EXPECT_EQ(versionResult, versionSize);
            const std::vector<std::size_t> touched = Changed(before, bytes);
            ASSERT_FALSE(touched.empty());
            EXPECT_LT(touched.back(), static_cast<std::size_t>(versionSize));
        }
    }
    EXPECT_GT(filled, 40);
}

TEST_F(StatusReads, AVersionAboveTheLatestIsRefusedAndLeavesTheBufferAlone)
{
    for (std::uint32_t id : {2u, 10u, 16u, 63u}) {
        SCOPED_TRACE(id);
        const std::uint32_t latest = api::FindStatusDescriptor(id)->versionCount;
        std::vector<std::uint8_t> bytes = Canaries();
        EXPECT_EQ(Read(id, bytes.data(), latest + 1), -1);
        EXPECT_EQ(LastError(), api::kApiErrorVersion);
        EXPECT_TRUE(Touched(bytes).empty());
    }
}

TEST_F(StatusReads, SingleValueStatusesWriteOnlyTheirFields)
{
    SetItemValue(instance_, dmDefaultSource, 7);
    std::vector<std::uint8_t> bytes = Canaries();
    ASSERT_EQ(Read(VEXLDRV_STATUS_PAPER_SOURCE, bytes.data()), 32);
    EXPECT_EQ(Touched(bytes), (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(api::GetStatusU32(bytes.data(), 4), 7u);
}

TEST_F(StatusReads, WatermarkSelectionCountsFromOneButKeepsTheWorkingStamp)
{
    struct Case {
        std::uint32_t stored, read;
    };
    for (const Case& c : {Case{0, 1}, Case{4, 5}, Case{256, 256}}) {
        SetItemValue(instance_, rdmWmID, c.stored);
        VEXL_STATUS_VALUE value{};
        ASSERT_EQ(Read(VEXLDRV_STATUS_WATERMARK_SELECT, &value), 32);
        EXPECT_EQ(value.values[0], c.read) << c.stored;
    }
}

TEST_F(StatusReads, OutputPaperOfThePrintFreeSizeNeedsTheSecondVersion)
{
    SetItemValue(instance_, rdmOutPaperSize, 448);
    VEXL_STATUS_VALUE value{};
    EXPECT_EQ(Read(VEXLDRV_STATUS_OUTPUT_PAPER_SIZE, &value, 1), -1);
    EXPECT_EQ(LastError(), api::kApiErrorVersion);
    EXPECT_EQ(Read(VEXLDRV_STATUS_OUTPUT_PAPER_SIZE, &value, 2), 32);
    EXPECT_EQ(value.version, 2u);
    EXPECT_EQ(value.values[0], 448u);
}

// Job information: the texts of each version in their own fields; a text too
// long for its field leaves the field empty.
TEST_F(StatusReads, JobInformationTextsByVersion)
{
    SetItemValue(instance_, rdmPrnMethod, 3);
    SetItemString(instance_, FindItem(instance_, rdmUserID), u"USER1");
    SetItemString(instance_, FindItem(instance_, rdmStoredPassword), u"123456");
    SetItemString(instance_, FindItem(instance_, rdmDocumentName), u"Report");
    SetItemString(instance_, FindItem(instance_, rdmOwnerName), u"Owner");
    const std::u16string longPath = u"C:\\Forms\\" + std::u16string(290, u'x') + u".rpo";
    SetItemString(instance_, FindItem(instance_, wdmOvlPath), longPath.c_str());
    SetItemValue(instance_, rdmSharedPrnData, 1);

    struct Case {
        std::uint32_t version;
        int size;
        std::uint32_t mask;
    };
    const Case cases[] = {{1, 392, 0x7F}, {2, 408, 0x1F9}, {3, 484, 0x7FF9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        VEXL_STATUS_JOB_INFO job;
        std::memset(&job, kCanary, sizeof job);
        ASSERT_EQ(Read(VEXLDRV_STATUS_JOB_INFORMATION, &job, c.version), c.size);
        EXPECT_EQ(job.printMethod, 3u);
        EXPECT_EQ(job.fieldMask, c.mask);
        EXPECT_STREQ(job.userId, "USER1");
        EXPECT_STREQ(job.documentName, "Report");
        EXPECT_STREQ(job.ownerName, "Owner");
        EXPECT_STREQ(job.overlayPath, "");  // longer than its field
        if (c.version == 1) {
            EXPECT_STREQ(job.storedPassword4, "");  // six characters do not fit four
        } else {
            EXPECT_EQ(static_cast<std::uint8_t>(job.storedPassword4[0]), kCanary);  // a field of version 1 only
            EXPECT_STREQ(job.storedPassword, "123456");
        }
        if (c.version == 3) {
            EXPECT_STREQ(job.documentName10, "Report");
            EXPECT_STREQ(job.storedPassword9, "123456");
            EXPECT_EQ(job.sharedPrintData, 1u);
        }
    }
}

TEST_F(StatusReads, PaperSizeOfTheFreeSizePaper)
{
    SetItemValue(instance_, dmPaperSize, 256);
    SetItemValue(instance_, dmPaperWidth, 1000);
    SetItemValue(instance_, dmPaperLength, 2000);
    SetItemValue(instance_, rdmPaperFreeSizeWidth, 24000);  // 1,200 dpi dots: 508 mm
    SetItemValue(instance_, rdmPaperFreeSizeLength, 48000);
    SetItemValue(instance_, rdmPaperFreeSizeOrient, 2);

    struct Case {
        std::uint32_t shortOver;
        std::uint32_t version;
        std::uint32_t width, length, orientation;
    };
    const std::uint32_t wide = static_cast<std::uint32_t>(GetItemDisplaySize(instance_, rdmPaperFreeSizeWidth, 0));
    const std::uint32_t longer = static_cast<std::uint32_t>(GetItemDisplaySize(instance_, rdmPaperFreeSizeLength, 0));
    const Case cases[] = {
        {0, 1, 1000, 2000, 0},
        {0, 2, 1000, 2000, 2},
        {1, 2, wide, longer, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.shortOver << " " << c.version);
        SetItemValue(instance_, rdmFuncSelectFreeShortOver, c.shortOver);
        VEXL_STATUS_VALUE paper;
        std::memset(&paper, kCanary, sizeof paper);
        ASSERT_EQ(Read(VEXLDRV_STATUS_PAPER_SIZE, &paper, c.version), 32);
        EXPECT_EQ(paper.values[0], 256u);
        EXPECT_EQ(paper.values[1], c.width);
        EXPECT_EQ(paper.values[2], c.length);
        EXPECT_EQ(paper.values[3], c.orientation);
    }
    EXPECT_EQ(longer, 2 * wide);
}

TEST_F(StatusReads, DriverInformationVersionsAndUnknownSelectors)
{
    VEXL_STATUS_DRIVER_INFO info;
    std::memset(&info, kCanary, sizeof info);
    info.selector = VEXL_DRIVER_INFO_VERSIONS;
    ASSERT_EQ(Read(VEXLDRV_STATUS_SELECTORS, &info), 300);
    EXPECT_STREQ(info.u.text, "7.60");
    EXPECT_STREQ(info.secondText, "6.634");

    std::vector<std::uint8_t> bytes = Canaries();
    api::PutStatusU32(bytes.data(), 4, 5);
    const std::vector<std::uint8_t> before = bytes;
    ASSERT_EQ(Read(VEXLDRV_STATUS_SELECTORS, bytes.data()), 300);
    bytes[0] = bytes[1] = bytes[2] = bytes[3] = kCanary;
    EXPECT_EQ(bytes, before);  // only +0
}

TEST_F(StatusReads, UserCodeSelectorCopiesTheCodeWithItsTerminator)
{
    SetItemString(instance_, FindItem(instance_, rdmUserCode), u"1234");
    VEXL_STATUS_DRIVER_INFO info;
    std::memset(&info, kCanary, sizeof info);
    info.selector = VEXL_DRIVER_INFO_USER_CODE;
    ASSERT_EQ(Read(VEXLDRV_STATUS_SELECTORS, &info), 300);
    EXPECT_STREQ(info.secondText, "1234");
    EXPECT_EQ(static_cast<std::uint8_t>(info.secondText[5]), kCanary);
    EXPECT_LE(info.u.list.value, 1u);
}

// The sequence mark field holds 20 characters and its terminator, however
// long the stored mark is.
TEST_F(StatusReads, SequenceMarkIsAlwaysTerminated)
{
    const char mark[] = "ABCDEFGHIJKLMNOPQRSTU";
    SetItemBytes(instance_, rdmSeqmark, mark, sizeof mark);
    std::vector<std::uint8_t> bytes = Canaries();
    api::PutStatusU32(bytes.data(), 4, VEXL_DRIVER_INFO_SEQUENCE_MARK);
    ASSERT_EQ(Read(VEXLDRV_STATUS_SELECTORS, bytes.data()), 300);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 40), "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(bytes[61], kCanary);
}

TEST_F(StatusReads, FinishingListChecksItsPassFlag)
{
    VEXL_STATUS_DRIVER_INFO info{};
    info.selector = VEXL_DRIVER_INFO_FINISHING_LIST;
    info.u.list.value = 2;
    EXPECT_EQ(Read(VEXLDRV_STATUS_SELECTORS, &info), -1);
    EXPECT_EQ(LastError(), api::kApiErrorRefused);

    // The model's PJL table offers no finishing texts: the fill pass writes nothing.
    char list[16];
    std::memset(list, kCanary, sizeof list);
    info.u.list.value = 1;
    info.u.list.listSize = sizeof list;
    info.u.list.listAddress = reinterpret_cast<std::uintptr_t>(list);
    EXPECT_EQ(Read(VEXLDRV_STATUS_SELECTORS, &info), 300);
    EXPECT_EQ(static_cast<std::uint8_t>(list[0]), kCanary);
    EXPECT_EQ(info.u.list.listSize, sizeof list);
}

// The watermark status reads the working stamp as stored, inside a snapshot.
TEST_F(StatusReads, WatermarkReadsTheStoredWorkingStamp)
{
    // The instance stores its working stamp when it opens; without it there is nothing to read.
    WCHAR section[kIniSectionChars] = {};
    FormatStampSection(section, kWorkingStampSlot, instance_);
    WriteIniString(section, nullptr, nullptr, GetSettingsIniPath(instance_));
    VEXL_STATUS_WATERMARK mark{};
    EXPECT_EQ(Read(VEXLDRV_STATUS_WATERMARK, &mark), -1);
    EXPECT_EQ(LastError(), api::kApiErrorStampNotStored);

    SetItemValue(instance_, rdmWmKind, 1);
    SetItemString(instance_, FindItem(instance_, wdmWmChar), u"DRAFT");
    SetItemString(instance_, FindItem(instance_, wdmWmFontName), u"Vexl Sans");
    SetItemValue(instance_, wdmWmFontPoint, 72);
    SetItemValue(instance_, wdmWmAngle, 45);
    SaveStampSlot(instance_, kWorkingStampSlot);
    SetItemValue(instance_, rdmWmKind, 2);
    SetItemString(instance_, FindItem(instance_, wdmWmChar), u"OTHER");
    const std::uint32_t stamp = GetItemValue(instance_, rdmWmID);

    std::memset(&mark, kCanary, sizeof mark);
    ASSERT_EQ(Read(VEXLDRV_STATUS_WATERMARK, &mark), 420);
    EXPECT_EQ(mark.version, 3u);
    EXPECT_EQ(mark.kind, 1u);
    EXPECT_EQ(mark.size, 72u);
    EXPECT_EQ(mark.angle, 45u);
    EXPECT_STREQ(mark.text, "DRAFT");
    EXPECT_STREQ(mark.fontName, "Vexl Sans");
    EXPECT_EQ(mark.image[0], '\0');
    EXPECT_EQ(mark.linePitch, 0u);  // the tile fields belong to kind 128

    // The instance's own settings are as they were.
    EXPECT_EQ(GetItemValue(instance_, rdmWmKind), 2u);
    EXPECT_EQ(GetItemValue(instance_, rdmWmID), stamp);
    WCHAR text[64] = {};
    GetItemString(instance_, FindItem(instance_, wdmWmChar), text, 64);
    EXPECT_EQ(std::u16string(text), u"OTHER");
}

TEST_F(StatusReads, WatermarkOfKind128HasNoFirstVersion)
{
    SetItemValue(instance_, rdmWmKind, 128);
    SaveStampSlot(instance_, kWorkingStampSlot);
    std::vector<std::uint8_t> bytes = Canaries();
    EXPECT_EQ(Read(VEXLDRV_STATUS_WATERMARK, bytes.data(), 1), -1);
    EXPECT_EQ(LastError(), api::kApiErrorVersion);
    EXPECT_TRUE(Touched(bytes).empty());
    EXPECT_EQ(Read(VEXLDRV_STATUS_WATERMARK, bytes.data(), 2), 412);
    EXPECT_EQ(api::GetStatusU32(bytes.data(), 4), 128u);
}

class PresetFileReads : public StatusReads {
protected:
    std::string SectionHeader()
    {
        std::u16string section = GetPrinterSectionName(instance_);
        SanitizeIniSection(section.data());
        return "[" + std::string(section.begin(), section.end()) + "]\r\n";
    }
    std::string FileHeader()
    {
        return "RstVersion=" + std::to_string(instance_->modelRecord->privateVersion) +
               "\r\nRstMachine=" + std::to_string(instance_->modelRecord->machineFamily) +
               "\r\nRstLanguage=" + std::to_string(GetItemValue(instance_, rdmLanguageID)) + "\r\n";
    }
    int ReadPreset(const char* path, VEXL_STATUS_PRESET* preset)
    {
        std::memset(preset, 0, sizeof *preset);
        std::strcpy(preset->path, path);
        return Read(VEXLDRV_STATUS_PRESET_FILE, preset);
    }
};

TEST_F(PresetFileReads, NameAndCommentComeFromTheFileWithLineBreaks)
{
    machine::WriteFile(u"C:\\_vexl\\Office.rst", SectionHeader() + FileHeader() +
                                                     "wdmPresetName=Weekly report\r\n"
                                                     "wdmPresetComment=first\\nsecond\r\n"
                                                     "rdmScaleType=3\r\n");
    SetItemValue(instance_, rdmScaleType, 0);
    VEXL_STATUS_PRESET preset;
    ASSERT_EQ(ReadPreset("C:\\_vexl\\Office.rst", &preset), 824);
    EXPECT_STREQ(preset.name, "Weekly report");
    EXPECT_STREQ(preset.comment, "first\r\nsecond");
    EXPECT_EQ(GetItemValue(instance_, rdmScaleType), 0u);  // the load happened in a snapshot
}

TEST_F(PresetFileReads, RefusedPathsAndHeaders)
{
    machine::WriteFile(u"C:\\_vexl\\Other.rst", SectionHeader() + "RstVersion=1\r\nwdmPresetName=X\r\n");
    struct Case {
        const char* path;
        std::int32_t code;
    };
    const Case cases[] = {
        {"Office.rst", api::kApiErrorBadFile},
        {"C:\\_vexl\\Missing.rst", api::kApiErrorBadFile},
        {"", api::kApiErrorBadFile},
        {"C:\\_vexl\\Other.rst", api::kApiErrorPresetLoad},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        VEXL_STATUS_PRESET preset;
        EXPECT_EQ(ReadPreset(c.path, &preset), -1);
        EXPECT_EQ(LastError(), c.code);
        EXPECT_EQ(preset.name[0], '\0');
    }

    // A path field without a terminator is never read past the field.
    std::vector<std::uint8_t> bytes(sizeof(VEXL_STATUS_PRESET), 'C');
    EXPECT_EQ(Read(VEXLDRV_STATUS_PRESET_FILE, bytes.data()), -1);
    EXPECT_EQ(LastError(), api::kApiErrorBadFile);
}

TEST_F(StatusReads, ChapterIndexAboveTheCountIsRefused)
{
    SetItemValue(instance_, wdmChapterNum, 0);
    VEXL_STATUS_CHAPTERS chapters{};
    chapters.index = 1;
    EXPECT_EQ(Read(VEXLDRV_STATUS_CHAPTERS, &chapters), -1);
    EXPECT_EQ(LastError(), api::kApiErrorRefused);
    chapters.index = 0;
    EXPECT_EQ(Read(VEXLDRV_STATUS_CHAPTERS, &chapters), 40);
    EXPECT_EQ(chapters.count, 0u);
}

TEST_F(StatusReads, ChapterRecordsComeFromTheSettingsIni)
{
    SetItemValue(instance_, rdmFuncSelectChapter, 1);
    SetItemValue(instance_, wdmChapterNum, 2);
    const WCHAR* section = GetPrinterSectionName(instance_);
    const WCHAR* ini = GetSettingsIniPath(instance_);
    WriteIniString(section, u"wdmChapterPage2", u"5", ini);
    WriteIniString(section, u"wdmChapterKind2", u"3", ini);
    WriteIniString(section, u"wdmChapterTray2", u"1", ini);
    WriteIniString(section, u"wdmChapterPrint2", u"0", ini);
    WriteIniString(section, u"wdmChapterPageRange2", u"5-9", ini);
    // The instance's list is the one each read stores back: it takes the file's.
    WriteIniString(section, u"wdmChapterPage1", u"2", ini);
    ASSERT_EQ(LoadChapterList(instance_, nullptr), 2);

    VEXL_STATUS_CHAPTERS chapters;
    std::memset(&chapters, kCanary, sizeof chapters);
    chapters.index = 2;
    ASSERT_EQ(Read(VEXLDRV_STATUS_CHAPTERS, &chapters, 1), 36);
    EXPECT_EQ(chapters.chapterSwitch, 1u);
    EXPECT_EQ(chapters.count, GetItemValue(instance_, wdmChapterNum));
    EXPECT_EQ(chapters.operation, 0xCCCCCCCCu);  // written by applications only
    EXPECT_EQ(chapters.startPage, 5u);
    EXPECT_EQ(chapters.kind, 3u);
    EXPECT_EQ(chapters.tray, 1u);
    EXPECT_EQ(chapters.endPage, 0xCCCCCCCCu);  // not in version 1

    ASSERT_EQ(Read(VEXLDRV_STATUS_CHAPTERS, &chapters, 2), 40);
    EXPECT_EQ(chapters.endPage, 9u);
}

class PresetByNumber : public StatusReads {
protected:
    void SetUp() override
    {
        StatusReads::SetUp();
        std::u16string section = GetPrinterSectionName(instance_);
        SanitizeIniSection(section.data());
        const WCHAR* ini = GetSettingsIniPath(instance_);
        WriteIniString(section.c_str(), u"Count", u"2", ini);
        WriteIniString(section.c_str(), u"PresetList0Name", u"Alpha", ini);
        WriteIniString(section.c_str(), u"PresetList0Comment", u"one\\ntwo", ini);
        WriteIniString(section.c_str(), u"PresetList1Name", u"Beta", ini);
    }
    int ReadNumber(std::int32_t number, std::vector<std::uint8_t>* bytes)
    {
        *bytes = Canaries();
        api::PutStatusU32(bytes->data(), offsetof(VEXL_STATUS_PRESET, number), static_cast<std::uint32_t>(number));
        return Read(VEXLDRV_STATUS_PRESET_NUMBER, bytes->data());
    }
    static std::string Text(const std::vector<std::uint8_t>& bytes, std::size_t offset)
    {
        return reinterpret_cast<const char*>(bytes.data()) + offset;
    }
};

TEST_F(PresetByNumber, NamesAndCommentsOfTheSettingsIni)
{
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(ReadNumber(2, &bytes), 824);
    EXPECT_EQ(Text(bytes, offsetof(VEXL_STATUS_PRESET, name)), "Beta");
    EXPECT_EQ(Text(bytes, offsetof(VEXL_STATUS_PRESET, comment)), "");

    SetItemValue(instance_, rdmPresetNo, 0);  // the first preset is in use
    ASSERT_EQ(ReadNumber(0, &bytes), 824);
    EXPECT_EQ(Text(bytes, offsetof(VEXL_STATUS_PRESET, name)), "Alpha");
    EXPECT_EQ(Text(bytes, offsetof(VEXL_STATUS_PRESET, comment)), "one\r\ntwo");
}

TEST_F(PresetByNumber, NoPresetInUseAndNumbersOutOfRange)
{
    SetItemOption(instance_, rdmPresetNo, 255);
    std::vector<std::uint8_t> bytes;
    ASSERT_EQ(ReadNumber(0, &bytes), 824);
    std::vector<std::uint8_t> expected = Canaries();
    api::PutStatusU32(expected.data(), 0, 2);
    api::PutStatusU32(expected.data(), offsetof(VEXL_STATUS_PRESET, number), 0);
    EXPECT_EQ(bytes, expected);

    for (std::int32_t number : {3, -1}) {
        EXPECT_EQ(ReadNumber(number, &bytes), -1) << number;
        EXPECT_EQ(LastError(), api::kApiErrorRefused);
    }
}

TEST_F(StatusReads, TrayInformationOfAnOfferedTray)
{
    std::vector<std::uint8_t> bytes = Canaries();
    api::PutStatusU32(bytes.data(), 4, 9999);
    EXPECT_EQ(Read(VEXLDRV_STATUS_TRAY_INFORMATION, bytes.data()), -1);
    EXPECT_EQ(LastError(), api::kApiErrorRefused);

    // Tray code 1 is the first slot of the tray table.
    SetItemValue(instance_, rdmTray1Paper, 9);
    SetItemValue(instance_, rdmTray1Media, 3);
    VEXL_STATUS_TRAY tray;
    std::memset(&tray, kCanary, sizeof tray);
    tray.trayCode = 1;
    ASSERT_EQ(Read(VEXLDRV_STATUS_TRAY_INFORMATION, &tray), 56);
    EXPECT_EQ(tray.paper, 9u);
    EXPECT_EQ(tray.media, 3u);
    EXPECT_EQ(tray.limits[0], 0u);  // the model has no paper limits
    EXPECT_EQ(tray.otherLimits[3], 0u);
}

class StatusReadsUnderApi13 : public StatusReads {
protected:
    void SetUp() override
    {
        ApiPrinterTest::SetUp();
        instance_ = OpenInstance(13);
        ASSERT_NE(instance_, nullptr);
    }
};

TEST_F(StatusReadsUnderApi13, VersionsNeedingALaterApiAreRefused)
{
    std::vector<std::uint8_t> bytes = Canaries();
    EXPECT_EQ(Read(VEXLDRV_STATUS_JOB_INFORMATION, bytes.data(), 3), -1);
    EXPECT_EQ(LastError(), api::kApiErrorVersion);
    EXPECT_TRUE(Touched(bytes).empty());
    EXPECT_EQ(Read(VEXLDRV_STATUS_JOB_INFORMATION, nullptr, 2), 408);
}

TEST_F(StatusReadsUnderApi13, PresetInUseCannotBeAskedByNumberZero)
{
    std::u16string section = GetPrinterSectionName(instance_);
    SanitizeIniSection(section.data());
    WriteIniString(section.c_str(), u"Count", u"1", GetSettingsIniPath(instance_));
    std::vector<std::uint8_t> bytes(sizeof(VEXL_STATUS_PRESET), 0);
    EXPECT_EQ(Read(VEXLDRV_STATUS_PRESET_NUMBER, bytes.data()), -1);
    EXPECT_EQ(LastError(), api::kApiErrorRefused);
}

}  // namespace
}  // namespace vexl::test

namespace vexl::test {
namespace {

class StatusReadsThroughTheExports : public ApiApplicationTest {};

// An application asks every enabled status's size, then reads it into a
// buffer of that size: both passes agree and +0 holds the latest version.
TEST_F(StatusReadsThroughTheExports, EveryEnabledStatusInBothPasses)
{
    VEXLDRVHANDLE instance = library_.EnableInstance();
    ASSERT_NE(instance, nullptr);
    std::uint8_t enabled[VEXLDRV_BITMAP_BYTES];
    ASSERT_EQ(library_.getCaps(instance, VEXLDRV_CAPS_ENABLED_STATUSES, enabled), VEXLDRV_BITMAP_BYTES);
    int read = 0;
    for (std::uint32_t id = 1; id <= VEXLDRV_BITMAP_BYTES * 8; ++id) {
        if (!(enabled[VEXLDRV_ID_BYTE(id)] & VEXLDRV_ID_MASK(id))) continue;
        SCOPED_TRACE(id);
        const int size = library_.getStatus(instance, id, nullptr, 0);
        if (size == -1) continue;  // enabled without a read (36, 258 to 261)
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
        const int filled = library_.getStatus(instance, id, buffer.data(), 0);
        if (filled == -1) continue;
        ++read;
        EXPECT_EQ(filled, size);
        EXPECT_EQ(api::GetStatusU32(buffer.data(), 0), api::FindStatusLayout(id)->latest());
    }
    EXPECT_GT(read, 40);
    EXPECT_EQ(library_.disable(instance), 1);
}

}  // namespace
}  // namespace vexl::test
