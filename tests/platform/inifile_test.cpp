#include "platform/win32.h"

#include "support/test_machine.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <string>
#include <thread>

namespace vexl::test {
namespace {

constexpr const char16_t* kIni = u"C:\\_vexl\\TZ16E172.ini";

class IniFileTest : public MachineTest {
protected:
    IniFileTest() { CreateDirectoryW(u"C:\\_vexl", nullptr); }

    static std::string Bytes(std::u16string_view windowsPath = kIni)
    {
        std::ifstream in(machine::HostPath(windowsPath), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    struct Read {
        DWORD length;
        std::u16string text;  // the whole buffer, NULs included; untouched characters are '#'
    };

    static Read ReadString(const char16_t* section, const char16_t* key, const char16_t* defaultText, DWORD size = 64,
                           const char16_t* file = kIni)
    {
        std::u16string buffer(size, u'#');
        const DWORD length = GetPrivateProfileStringW(section, key, defaultText, buffer.data(), size, file);
        return {length, buffer};
    }
};

constexpr const char* kSettings = "; written by hand\r\n"
                                  "[Office ,2nd floor,]\r\n"
                                  "  Name =  Value with blanks  \r\n"
                                  "Empty=\r\n"
                                  "Quoted=\" padded \"\r\n"
                                  "Half=\"open\r\n"
                                  "Dup=first\r\n"
                                  "Dup=second\r\n"
                                  ";Commented=yes\r\n"
                                  "[office ,2ND floor,]\r\n"
                                  "Other=from the second copy\r\n"
                                  "[Unix]\n"
                                  "Line=feeds only\n"
                                  "Last=no line end";

TEST_F(IniFileTest, ReadsValuesTrimmedUnquotedAndWithoutCase)
{
    machine::WriteFile(kIni, kSettings);
    struct Case {
        const char16_t* section;
        const char16_t* key;
        const char16_t* defaultText;
        const char16_t* expected;
    } cases[] = {
        {u"Office ,2nd floor,", u"Name", u"d", u"Value with blanks"},
        {u"OFFICE ,2nd FLOOR,", u"name", u"d", u"Value with blanks"},
        {u"Office ,2nd floor,", u"Empty", u"d", u""},  // present and empty: not the default
        {u"Office ,2nd floor,", u"Quoted", u"d", u" padded "},
        {u"Office ,2nd floor,", u"Half", u"d", u"\"open"},
        {u"Office ,2nd floor,", u"Dup", u"d", u"first"},
        {u"Office ,2nd floor,", u"Commented", u"d", u"d"},
        {u"Office ,2nd floor,", u"Other", u"d", u"d"},  // only the first copy of a section counts
        {u"Office ,2nd floor,", u"Missing", nullptr, u""},
        {u"Unix", u"Line", u"d", u"feeds only"},
        {u"Unix", u"Last", u"d", u"no line end"},
        {u"Missing", u"Name", u"default", u"default"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key "
                                        << std::string(c.key, c.key + std::char_traits<char16_t>::length(c.key)));
        const Read read = ReadString(c.section, c.key, c.defaultText);
        EXPECT_EQ(std::u16string(read.text.c_str()), c.expected);
        EXPECT_EQ(read.length, std::char_traits<char16_t>::length(c.expected));
    }
    const Read missingFile = ReadString(u"Unix", u"Line", u"fallback", 64, u"C:\\_vexl\\none.ini");
    EXPECT_EQ(std::u16string(missingFile.text.c_str()), u"fallback");
}

TEST_F(IniFileTest, CutsValuesAndListsToTheBuffer)
{
    machine::WriteFile(kIni, kSettings);
    Read read = ReadString(u"Unix", u"Line", u"d", 6);
    EXPECT_EQ(read.length, 5u);
    EXPECT_EQ(read.text, std::u16string(u"feeds\0", 6));
    read = ReadString(u"Unix", u"Missing", u"default", 4);
    EXPECT_EQ(read.length, 3u);
    EXPECT_EQ(read.text, std::u16string(u"def\0", 4));

    read = ReadString(nullptr, nullptr, nullptr, 64);  // section names: the first copy of each
    EXPECT_EQ(read.length, 24u);
    EXPECT_EQ(read.text.substr(0, 26), std::u16string(u"Office ,2nd floor,\0Unix\0\0#", 26));
    read = ReadString(nullptr, nullptr, nullptr, 8);
    EXPECT_EQ(read.length, 6u);
    EXPECT_EQ(read.text, std::u16string(u"Office\0\0", 8));

    read = ReadString(u"Unix", nullptr, nullptr, 64);  // keys of a section
    EXPECT_EQ(read.length, 10u);
    EXPECT_EQ(read.text.substr(0, 12), std::u16string(u"Line\0Last\0\0#", 12));

    WCHAR section[16];
    EXPECT_EQ(GetPrivateProfileSectionW(u"unix", section, 16, kIni), 14u);
    EXPECT_EQ(std::u16string(section, 16), std::u16string(u"Line=feeds onl\0\0", 16));
    WCHAR names[64];
    EXPECT_EQ(GetPrivateProfileSectionNamesW(names, 64, kIni), 24u);
    EXPECT_EQ(GetPrivateProfileSectionW(u"missing", section, 16, kIni), 0u);
    EXPECT_EQ(section[0], 0);
}

TEST_F(IniFileTest, ReadsIntegersLikeC)
{
    machine::WriteFile(kIni, "[N]\r\nplain=42\r\nblanks=   -17  \r\nplus=+8\r\nhex=0x1F\r\nupper=0XfF\r\njunk=55zz\r\n"
                             "word=abc\r\nempty=\r\nquoted=\"12\"\r\nbig=4294967295\r\nzero=0x\r\n");
    struct Case {
        const char16_t* key;
        INT defaultValue;
        INT expected;
    } cases[] = {
        {u"plain", 0, 42},  {u"blanks", 0, -17}, {u"plus", 0, 8}, {u"hex", 0, 31},
        {u"upper", 0, 255}, {u"junk", 0, 55},    {u"word", 7, 0}, {u"empty", 7, 7},
        {u"quoted", 0, 12}, {u"big", 0, -1},     {u"zero", 5, 0}, {u"missing", -1, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(static_cast<INT>(GetPrivateProfileIntW(u"n", c.key, c.defaultValue, kIni)), c.expected)
            << std::string(c.key, c.key + std::char_traits<char16_t>::length(c.key));
    }
}

TEST_F(IniFileTest, WritesChangeOnlyTheirLines)
{
    struct Case {
        const char* name;
        const char* before;  // null: no file
        const char16_t* section;
        const char16_t* key;
        const char16_t* value;
        const char* after;
    } cases[] = {
        {"new file", nullptr, u"A", u"k", u"v", "[A]\r\nk=v\r\n"},
        {"replaced in place", "[A]\nx=1\nK = old \n; note\ny=2\n", u"a", u"k", u"new",
         "[A]\nx=1\nk=new\r\n; note\ny=2\n"},
        {"appended after the last entry", "[A]\r\nx=1\r\n; note\r\n\r\n[B]\r\ny=2\r\n", u"A", u"k", u"v",
         "[A]\r\nx=1\r\nk=v\r\n; note\r\n\r\n[B]\r\ny=2\r\n"},
        {"first entry of an empty section", "[A]\r\n\r\n[B]\r\n", u"A", u"k", u"v", "[A]\r\nk=v\r\n\r\n[B]\r\n"},
        {"new section at the end", "[A]\r\nx=1", u"B", u"k", u" v ", "[A]\r\nx=1\r\n[B]\r\nk= v \r\n"},
        {"empty value", "[A]\r\nk=1\r\n", u"A", u"k", u"", "[A]\r\nk=\r\n"},
        {"null value deletes every copy of the key", "[A]\r\nk=1\r\nx=2\r\nK=3\r\n[B]\r\nk=4\r\n", u"A", u"k", nullptr,
         "[A]\r\nx=2\r\n[B]\r\nk=4\r\n"},
        {"null key deletes the section", "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[a]\r\nz=3\r\n", u"a", nullptr, u"v",
         "[B]\r\ny=2\r\n"},
        {"a line break does not start a new entry", "[A]\r\n", u"A", u"k", u"v\r\nevil=1", "[A]\r\nk=v\r\n"},
        {"first copy of a section", "[A]\r\nx=1\r\n[A]\r\ny=2\r\n", u"A", u"k", u"v",
         "[A]\r\nx=1\r\nk=v\r\n[A]\r\ny=2\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileW(kIni);
        if (c.before) machine::WriteFile(kIni, c.before);
        EXPECT_TRUE(WritePrivateProfileStringW(c.section, c.key, c.value, kIni));
        EXPECT_EQ(Bytes(), c.after);
    }
}

TEST_F(IniFileTest, RefusesWritesItCannotMakeAndLeavesTheFile)
{
    machine::WriteFile(kIni, "[A]\nk=1\n");
    EXPECT_FALSE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, kIni));  // flush: nothing to do
    EXPECT_EQ(Bytes(), "[A]\nk=1\n");

    EXPECT_FALSE(WritePrivateProfileStringW(u"A", u"k", u"v", u"C:\\nofolder\\x.ini"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesW(u"C:\\nofolder"), INVALID_FILE_ATTRIBUTES);

    ASSERT_TRUE(SetFileAttributesW(kIni, FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(WritePrivateProfileStringW(u"A", u"k", u"2", kIni));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(WritePrivateProfileSectionW(u"A", u"k=2\0", kIni));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Bytes(), "[A]\nk=1\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"A", u"k", 0, kIni), 1u);

    // A folder is no INI file: reads answer the default, writes fail.
    WCHAR value[8];
    EXPECT_EQ(GetPrivateProfileStringW(u"A", u"k", u"d", value, 8, u"C:\\WINDOWS"), 1u);
    EXPECT_EQ(std::u16string(value), u"d");
    EXPECT_FALSE(WritePrivateProfileStringW(u"A", u"k", u"v", u"C:\\WINDOWS"));
}

TEST_F(IniFileTest, ReplacesAndDeletesWholeSections)
{
    machine::WriteFile(kIni, "[condition]\r\nold=1\r\n; gone too\r\n[disable]\r\nx=1\r\n");
    EXPECT_TRUE(WritePrivateProfileSectionW(u"Condition", u"a=1\0b = \"2\"\0", kIni));
    EXPECT_EQ(Bytes(), "[condition]\r\na=1\r\nb = \"2\"\r\n[disable]\r\nx=1\r\n");
    WCHAR buffer[32];
    EXPECT_EQ(GetPrivateProfileSectionW(u"condition", buffer, 32, kIni), 10u);
    EXPECT_EQ(std::u16string(buffer, 11), std::u16string(u"a=1\0b=\"2\"\0\0", 11));

    EXPECT_TRUE(WritePrivateProfileSectionW(u"new", u"k=v\0", kIni));
    EXPECT_TRUE(WritePrivateProfileSectionW(u"disable", u"\0", kIni));
    EXPECT_EQ(Bytes(), "[condition]\r\na=1\r\nb = \"2\"\r\n[disable]\r\n[new]\r\nk=v\r\n");
    EXPECT_TRUE(WritePrivateProfileSectionW(u"CONDITION", nullptr, kIni));
    EXPECT_EQ(Bytes(), "[disable]\r\n[new]\r\nk=v\r\n");
}

TEST_F(IniFileTest, StoresTextInTheAnsiCodePage)
{
    EXPECT_TRUE(WritePrivateProfileStringW(u"Caf\u00e9", u"Name", u"R\u00e9sum\u00e9", kIni));
    EXPECT_EQ(Bytes(), "[Caf\xE9]\r\nName=R\xE9sum\xE9\r\n");
    EXPECT_EQ(ReadString(u"CAF\u00c9", u"name", nullptr).text.c_str(), std::u16string(u"R\u00e9sum\u00e9"));
}

TEST_F(IniFileTest, BareFileNamesLiveInTheWindowsFolder)
{
    EXPECT_TRUE(WritePrivateProfileStringW(u"Models", u"VEXL C1", u"1", u"qyrdb.ini"));
    EXPECT_EQ(Bytes(u"C:\\WINDOWS\\qyrdb.ini"), "[Models]\r\nVEXL C1=1\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"Models", u"VEXL C1", 0, u"QYRDB.INI"), 1u);
}

TEST_F(IniFileTest, EveryWriteIsOnDiskWithANewWriteTime)
{
    machine::WriteFile(kIni, "[A]\r\nk=1\r\n");
    HANDLE file = CreateFileW(kIni, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    const FILETIME past{0, 0x01D00000};
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &past));
    CloseHandle(file);

    EXPECT_TRUE(WritePrivateProfileStringW(u"A", u"k", u"2", kIni));
    EXPECT_EQ(Bytes(), "[A]\r\nk=2\r\n");  // read straight from the host file, no cache between
    file = CreateFileW(kIni, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME written{};
    GetFileTime(file, nullptr, nullptr, &written);
    CloseHandle(file);
    EXPECT_EQ(CompareFileTime(&written, &past), 1);

    // Another writer's change is seen by the next read.
    machine::WriteFile(kIni, "[A]\r\nk=3\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(u"A", u"k", 0, kIni), 3u);
}

TEST_F(IniFileTest, WritingTheValuesTheFileHasLeavesTheFileAlone)
{
    ASSERT_TRUE(WritePrivateProfileStringW(u"Printer", u"Copies", u"3", kIni));
    ASSERT_TRUE(WritePrivateProfileStringW(u"Printer", u"Tray", u"2", kIni));
    const auto identity = [] {
        struct stat status {};
        return ::stat(machine::HostPath(kIni).c_str(), &status) == 0 ? status.st_ino : 0;
    };
    const ino_t written = identity();
    EXPECT_TRUE(WritePrivateProfileStringW(u"Printer", u"Copies", u"3", kIni));
    ASSERT_TRUE(BeginProfileBatch(kIni));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Printer", u"Tray", u"2", kIni));
    EXPECT_TRUE(EndProfileBatch(kIni));
    EXPECT_EQ(identity(), written) << "nothing changed: no rewrite";
    EXPECT_TRUE(WritePrivateProfileStringW(u"Printer", u"Tray", u"5", kIni));
    EXPECT_NE(identity(), written);
    EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Tray", 0, kIni), 5u);
}

TEST_F(IniFileTest, AnAbandonedBatchLeavesTheFileAsItWas)
{
    ASSERT_TRUE(WritePrivateProfileStringW(u"Printer", u"Kept", u"1", kIni));
    const std::string before = Bytes();
    ASSERT_TRUE(BeginProfileBatch(kIni));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Printer", u"Copies", u"3", kIni));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Printer", u"Kept", nullptr, kIni));
    EXPECT_TRUE(AbandonProfileBatch(kIni));
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Copies", 0, kIni), 0u);
    EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Kept", 0, kIni), 1u);
    EXPECT_FALSE(AbandonProfileBatch(kIni));  // no batch is open
}

TEST_F(IniFileTest, ABatchWritesItsChangesInOneRewriteOverWhatOthersWroteMeanwhile)
{
    ASSERT_TRUE(WritePrivateProfileStringW(u"Printer", u"Kept", u"1", kIni));
    ASSERT_TRUE(WritePrivateProfileStringW(u"Printer", u"Gone", u"1", kIni));
    ASSERT_TRUE(BeginProfileBatch(kIni));
    ASSERT_TRUE(BeginProfileBatch(kIni));  // batches nest
    EXPECT_TRUE(WritePrivateProfileStringW(u"Printer", u"Copies", u"3", kIni));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Other", u"Tray", u"2", kIni));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Printer", u"Gone", nullptr, kIni));
    // This thread reads its changes; the file does not have them yet.
    EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Copies", 0, kIni), 3u);
    EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Gone", 9, kIni), 9u);
    EXPECT_EQ(Bytes().find("Copies"), std::string::npos);
    EXPECT_TRUE(EndProfileBatch(kIni));
    EXPECT_EQ(Bytes().find("Copies"), std::string::npos);

    // Another thread writes meanwhile: its value stays.
    std::thread([] { WritePrivateProfileStringW(u"Printer", u"Other", u"7", kIni); }).join();
    EXPECT_TRUE(EndProfileBatch(kIni));
    EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Copies", 0, kIni), 3u);
    EXPECT_EQ(GetPrivateProfileIntW(u"Other", u"Tray", 0, kIni), 2u);
    EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Other", 0, kIni), 7u);
    EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Kept", 0, kIni), 1u);
    EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Gone", 9, kIni), 9u);
    EXPECT_FALSE(EndProfileBatch(kIni));  // no batch is open
}

// A batch's text is written ahead of its end; the end puts it in place when
// nothing came in between, and otherwise makes the batch's changes again on
// the file as it is then.
TEST_F(IniFileTest, ABatchWrittenAheadKeepsWhatCameInBetween)
{
    const auto preparedFiles = [] {
        int count = 0;
        const std::filesystem::path file = machine::HostPath(kIni);
        for (const auto& entry : std::filesystem::directory_iterator(file.parent_path()))
            count += entry.path().filename().string().rfind(file.filename().string() + ".~", 0) == 0;
        return count;
    };
    enum class Between { Nothing, OtherThreadWrites, BatchGrows, Abandoned };
    for (const Between between :
         {Between::Nothing, Between::OtherThreadWrites, Between::BatchGrows, Between::Abandoned}) {
        SCOPED_TRACE(static_cast<int>(between));
        machine::WriteFile(kIni, "[Printer]\r\nCopies=1\r\n");
        ASSERT_TRUE(BeginProfileBatch(kIni));
        EXPECT_TRUE(WritePrivateProfileStringW(u"Printer", u"Copies", u"3", kIni));
        EXPECT_TRUE(PrepareProfileBatch(kIni));
        EXPECT_EQ(preparedFiles(), 1);
        EXPECT_EQ(Bytes(), "[Printer]\r\nCopies=1\r\n") << "written ahead, not yet in place";
        if (between == Between::OtherThreadWrites) {
            std::thread([] { WritePrivateProfileStringW(u"Printer", u"Other", u"7", kIni); }).join();
        }
        if (between == Between::BatchGrows) {
            EXPECT_TRUE(WritePrivateProfileStringW(u"Printer", u"Tray", u"2", kIni));
        }
        EXPECT_TRUE(between == Between::Abandoned ? AbandonProfileBatch(kIni) : EndProfileBatch(kIni));
        // The end leaves the old version beside the file, for removal once
        // the caller's locks are free.
        EXPECT_EQ(preparedFiles(), between == Between::Abandoned ? 0 : 1);
        RemoveReplacedFiles();

        EXPECT_EQ(preparedFiles(), 0) << "nothing is left beside the file";
        EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Copies", 0, kIni), between == Between::Abandoned ? 1u : 3u);
        EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Other", 0, kIni),
                  between == Between::OtherThreadWrites ? 7u : 0u);
        EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Tray", 0, kIni), between == Between::BatchGrows ? 2u : 0u);
    }
    EXPECT_FALSE(PrepareProfileBatch(kIni));  // no batch is open
}

// A batch that must not be written under the caller's lock ends only by
// putting its text written ahead in place: when another writer came in
// between, it stays open to be written ahead again, and nothing is lost.
TEST_F(IniFileTest, ABatchEndedOnlyFromItsTextWrittenAheadIsRedoneWhenOvertaken)
{
    WritePrivateProfileStringW(u"Printer", u"Copies", u"1", kIni);
    ASSERT_TRUE(BeginProfileBatch(kIni));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Printer", u"Copies", u"3", kIni));
    EXPECT_TRUE(PrepareProfileBatch(kIni));
    std::thread([] { WritePrivateProfileStringW(u"Printer", u"Other", u"7", kIni); }).join();
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(EndPreparedProfileBatch(kIni));
    EXPECT_EQ(GetLastError(), ERROR_RETRY);
    EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Copies", 0, kIni), 3u) << "the batch is still open";

    EXPECT_TRUE(PrepareProfileBatch(kIni));
    EXPECT_TRUE(EndPreparedProfileBatch(kIni));
    RemoveReplacedFiles();
    EXPECT_FALSE(AbandonProfileBatch(kIni)) << "the batch has ended";
    EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Copies", 0, kIni), 3u);
    EXPECT_EQ(GetPrivateProfileIntW(u"Printer", u"Other", 0, kIni), 7u);
}

}  // namespace
}  // namespace vexl::test
