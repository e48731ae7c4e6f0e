#include "platform/win32.h"

#include "support/test_machine.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

class FilesTest : public MachineTest {
protected:
    static std::string Bytes(std::u16string_view windowsPath)
    {
        std::ifstream in(machine::HostPath(windowsPath), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    static FILETIME LastWriteTime(const WCHAR* path)
    {
        FILETIME time{};
        HANDLE file = CreateFileW(path, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(GetFileTime(file, nullptr, nullptr, &time));
        CloseHandle(file);
        return time;
    }

    static void SetLastWriteTime(const WCHAR* path, FILETIME time)
    {
        HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
        CloseHandle(file);
    }
};

TEST_F(FilesTest, TellsMissingFileFromMissingFolderAndDeniedAccess)
{
    machine::WriteFile(u"C:\\data\\present.txt", "x");
    struct Case {
        const char16_t* path;
        DWORD error;
    } cases[] = {
        {u"C:\\data\\missing.txt", ERROR_FILE_NOT_FOUND},
        {u"C:\\nofolder\\missing.txt", ERROR_PATH_NOT_FOUND},
        {u"C:\\data\\present.txt\\below.txt", ERROR_PATH_NOT_FOUND},
        {u"C:\\data\\bad|name.txt", ERROR_PATH_NOT_FOUND},
        {u"", ERROR_PATH_NOT_FOUND},
        {u"C:\\data", ERROR_ACCESS_DENIED},  // a folder without backup semantics
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path, c.path + std::char_traits<char16_t>::length(c.path)));
        SetLastError(0);
        EXPECT_EQ(CreateFileW(c.path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error);
    }
    EXPECT_EQ(GetFileAttributesW(u"C:\\data\\missing.txt"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesW(u"C:\\nofolder\\x"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(GetFileAttributesW(u"c:\\DATA\\Present.TXT"), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(GetFileAttributesW(u"C:\\data"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FilesTest, CreationDispositionsOnExistingAndMissingFiles)
{
    struct Case {
        DWORD disposition;
        bool exists;
        bool opens;
        DWORD error;
        const char* contentAfter;  // null: no file
    } cases[] = {
        {CREATE_NEW, false, true, ERROR_SUCCESS, ""},
        {CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        {CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS, ""},
        {OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
        {OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
        {OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        {TRUNCATE_EXISTING, false, false, ERROR_FILE_NOT_FOUND, nullptr},
        {TRUNCATE_EXISTING, true, true, ERROR_SUCCESS, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "disposition " << c.disposition << (c.exists ? " existing" : " missing"));
        const char16_t* path = u"C:\\WINDOWS\\disposition.txt";
        DeleteFileW(path);
        if (c.exists) machine::WriteFile(path, "old");
        SetLastError(12345);
        HANDLE file =
            CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, c.disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens);
        EXPECT_EQ(GetLastError(), c.error);
        if (file != INVALID_HANDLE_VALUE) {
            EXPECT_TRUE(CloseHandle(file));
        }
        if (c.contentAfter) {
            EXPECT_EQ(Bytes(path), c.contentAfter);
        } else {
            EXPECT_EQ(GetFileAttributesW(path), INVALID_FILE_ATTRIBUTES);
        }
    }
}

TEST_F(FilesTest, ReadsWritesSeeksAndTruncates)
{
    HANDLE file = CreateFileW(u"C:\\WINDOWS\\io.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    EXPECT_TRUE(WriteFile(file, "0123456789", 10, &done, nullptr));
    EXPECT_EQ(done, 10u);

    EXPECT_EQ(SetFilePointer(file, 2, nullptr, FILE_BEGIN), 2u);
    EXPECT_EQ(SetFilePointer(file, 3, nullptr, FILE_CURRENT), 5u);
    EXPECT_EQ(SetFilePointer(file, -4, nullptr, FILE_END), 6u);
    char buffer[8] = {};
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
    EXPECT_EQ(std::string(buffer, done), "6789");
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));  // at the end: success, nothing read
    EXPECT_EQ(done, 0u);

    EXPECT_EQ(SetFilePointer(file, -11, nullptr, FILE_END), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    LONG high = 1;  // 4 GiB + 7, a position beyond 32 bits
    EXPECT_EQ(SetFilePointer(file, 7, &high, FILE_BEGIN), 7u);
    EXPECT_EQ(high, 1);
    EXPECT_EQ(SetFilePointer(file, 1, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);  // no room in 32 bits

    EXPECT_EQ(SetFilePointer(file, 4, nullptr, FILE_BEGIN), 4u);
    EXPECT_TRUE(SetEndOfFile(file));
    DWORD sizeHigh = 99;
    EXPECT_EQ(GetFileSize(file, &sizeHigh), 4u);
    EXPECT_EQ(sizeHigh, 0u);
    EXPECT_TRUE(FlushFileBuffers(file));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(Bytes(u"C:\\WINDOWS\\io.bin"), "0123");

    // A handle opened for reading does not write, one opened for queries does not read.
    file = CreateFileW(u"C:\\WINDOWS\\io.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(WriteFile(file, "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(file);
    file = CreateFileW(u"C:\\WINDOWS\\io.bin", 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(GetFileSize(file, nullptr), 4u);
    EXPECT_FALSE(ReadFile(file, buffer, 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseHandle(file);
    EXPECT_FALSE(CloseHandle(file));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

// A handle that shares the file for writing sees what a writer does; one
// that only reads still reads its last access time from the file, and an
// open in another case finds the file.
TEST_F(FilesTest, SizeAndTimesFollowTheFileForHandlesThatShareWriting)
{
    const char16_t* path = u"C:\\WINDOWS\\shared.txt";
    machine::WriteFile(path, "abc");
    HANDLE reader = CreateFileW(u"c:\\windows\\SHARED.TXT", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    HANDLE writer = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    EXPECT_TRUE(WriteFile(writer, "abcdef", 6, &done, nullptr));
    const FILETIME written{0x89ABCDEF, 0x01DA0000};
    const FILETIME accessed{0x12345670, 0x01D00000};
    EXPECT_TRUE(SetFileTime(writer, nullptr, &accessed, &written));
    EXPECT_TRUE(CloseHandle(writer));

    EXPECT_EQ(GetFileSize(reader, nullptr), 6u);
    FILETIME lastWrite{};
    EXPECT_TRUE(GetFileTime(reader, nullptr, nullptr, &lastWrite));
    EXPECT_EQ(CompareFileTime(&lastWrite, &written), 0);
    EXPECT_TRUE(CloseHandle(reader));

    HANDLE query = CreateFileW(path, 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(query, INVALID_HANDLE_VALUE);
    FILETIME lastAccess{};
    EXPECT_TRUE(GetFileTime(query, nullptr, &lastAccess, &lastWrite));
    EXPECT_EQ(CompareFileTime(&lastAccess, &accessed), 0);
    EXPECT_EQ(CompareFileTime(&lastWrite, &written), 0);
    EXPECT_EQ(GetFileSize(query, nullptr), 6u);
    EXPECT_TRUE(CloseHandle(query));
}

TEST_F(FilesTest, ReadOnlyFileRefusesEveryChangeUntilCleared)
{
    const char16_t* path = u"C:\\WINDOWS\\locked.ini";
    machine::WriteFile(path, "keep");
    machine::WriteFile(u"C:\\WINDOWS\\other.ini", "other");
    HANDLE early = CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(SetFileAttributesW(path, FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(GetFileAttributesW(path), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);

    DWORD done = 0;
    EXPECT_FALSE(WriteFile(early, "x", 1, &done, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(SetEndOfFile(early));
    CloseHandle(early);
    for (DWORD disposition : {OPEN_EXISTING, OPEN_ALWAYS, CREATE_ALWAYS}) {
        SetLastError(0);
        EXPECT_EQ(CreateFileW(path, GENERIC_WRITE, 0, nullptr, disposition, 0, nullptr), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(CreateFileW(path, GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileW(path));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(CopyFileW(u"C:\\WINDOWS\\other.ini", path, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(MoveFileExW(u"C:\\WINDOWS\\other.ini", path, MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(Bytes(path), "keep");

    HANDLE reader = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    CloseHandle(reader);

    // A copy keeps the attribute; clearing it makes the file an ordinary one again.
    EXPECT_TRUE(CopyFileW(path, u"C:\\WINDOWS\\copy.ini", TRUE));
    EXPECT_EQ(GetFileAttributesW(u"C:\\WINDOWS\\copy.ini") & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(GetFileAttributesW(path), FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_TRUE(DeleteFileW(path));
}

TEST_F(FilesTest, CopyKeepsTheLastWriteTimeAndHonoursFailIfExists)
{
    const char16_t* source = u"C:\\WINDOWS\\source.rsd";
    const char16_t* target = u"C:\\WINDOWS\\target.rsd";
    machine::WriteFile(source, "settings");
    machine::WriteFile(target, "old");
    const FILETIME past{0x12345670, 0x01D00000};  // 100 ns precision, in 2014
    SetLastWriteTime(source, past);

    EXPECT_FALSE(CopyFileW(source, target, TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(Bytes(target), "old");
    EXPECT_TRUE(CopyFileW(source, target, FALSE));
    EXPECT_EQ(Bytes(target), "settings");
    const FILETIME copied = LastWriteTime(target);
    EXPECT_EQ(CompareFileTime(&copied, &past), 0);

    EXPECT_FALSE(CopyFileW(u"C:\\WINDOWS\\none.rsd", target, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(CopyFileW(source, u"C:\\nofolder\\x.rsd", FALSE));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST_F(FilesTest, FileTimesRoundTripAndCompare)
{
    const char16_t* path = u"C:\\WINDOWS\\times.txt";
    machine::WriteFile(path, "t");
    const FILETIME written{0x89ABCDEF, 0x01DA0000};
    SetLastWriteTime(path, written);
    const FILETIME read = LastWriteTime(path);
    EXPECT_EQ(read.dwLowDateTime, written.dwLowDateTime);
    EXPECT_EQ(read.dwHighDateTime, written.dwHighDateTime);

    const FILETIME earlier{0xFFFFFFFF, 1};
    const FILETIME later{0, 2};
    EXPECT_EQ(CompareFileTime(&earlier, &later), -1);
    EXPECT_EQ(CompareFileTime(&later, &earlier), 1);
    EXPECT_EQ(CompareFileTime(&later, &later), 0);
}

TEST_F(FilesTest, MovesRenamesAndReplaces)
{
    machine::WriteFile(u"C:\\WINDOWS\\a.txt", "a");
    machine::WriteFile(u"C:\\WINDOWS\\b.txt", "b");
    EXPECT_FALSE(MoveFileExW(u"C:\\WINDOWS\\a.txt", u"C:\\WINDOWS\\b.txt", 0));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(MoveFileExW(u"C:\\WINDOWS\\a.txt", u"C:\\WINDOWS\\b.txt",
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(Bytes(u"C:\\WINDOWS\\b.txt"), "a");
    EXPECT_EQ(GetFileAttributesW(u"C:\\WINDOWS\\a.txt"), INVALID_FILE_ATTRIBUTES);

    // A rename that only changes case gives the file its new spelling.
    EXPECT_TRUE(MoveFileExW(u"C:\\WINDOWS\\b.txt", u"C:\\WINDOWS\\B.TXT", 0));
    EXPECT_EQ(machine::HostPath(u"C:\\WINDOWS\\b.txt").filename(), "B.TXT");
    EXPECT_FALSE(MoveFileExW(u"C:\\WINDOWS\\missing.txt", u"C:\\WINDOWS\\c.txt", 0));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(FilesTest, CreatesAndRemovesFolders)
{
    EXPECT_TRUE(CreateDirectoryW(u"C:\\_vexl", nullptr));
    EXPECT_EQ(GetFileAttributesW(u"C:\\_VEXL"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(CreateDirectoryW(u"C:\\_vexl", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(CreateDirectoryW(u"C:\\missing\\child", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    machine::WriteFile(u"C:\\_vexl\\TZ00C170.ini", "");
    EXPECT_FALSE(RemoveDirectoryW(u"C:\\_vexl"));
    EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
    EXPECT_FALSE(DeleteFileW(u"C:\\_vexl"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(DeleteFileW(u"C:\\_vexl\\tz00c170.INI"));
    EXPECT_TRUE(RemoveDirectoryW(u"C:\\_vexl"));
    EXPECT_EQ(GetFileAttributesW(u"C:\\_vexl"), INVALID_FILE_ATTRIBUTES);
}

std::vector<std::u16string> FindAll(const char16_t* pattern, DWORD* error = nullptr)
{
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    std::memset(&data, 0xCC, sizeof data);
    HANDLE find = FindFirstFileW(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) {
        if (error) *error = GetLastError();
        return names;
    }
    do {
        names.emplace_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    if (error) *error = GetLastError();
    EXPECT_TRUE(FindClose(find));
    return names;
}

TEST_F(FilesTest, FindsNamesByWildcardWithoutCase)
{
    for (const char16_t* name : {u"a.ini", u"B.INI", u"readme", u"x.txt", u"xy.txt"})
        machine::WriteFile(std::u16string(u"C:\\list\\") + name, "12345");
    CreateDirectoryW(u"C:\\list\\sub", nullptr);
    using Names = std::vector<std::u16string>;
    struct Case {
        const char16_t* pattern;
        Names names;
    } cases[] = {
        {u"C:\\list\\*.ini", {u"a.ini", u"B.INI"}},
        {u"C:\\LIST\\*.INI", {u"a.ini", u"B.INI"}},
        {u"C:\\list\\*", {u".", u"..", u"a.ini", u"B.INI", u"readme", u"sub", u"x.txt", u"xy.txt"}},
        {u"C:\\list\\*.*", {u".", u"..", u"a.ini", u"B.INI", u"readme", u"sub", u"x.txt", u"xy.txt"}},
        {u"C:\\list\\?.txt", {u"x.txt"}},
        {u"C:\\list\\x*.t?t", {u"x.txt", u"xy.txt"}},
        {u"C:\\list\\README", {u"readme"}},
        {u"C:\\list\\readme.*", {u"readme"}},
        {u"C:\\list", {u"list"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pattern, c.pattern + std::char_traits<char16_t>::length(c.pattern)));
        DWORD error = 0;
        EXPECT_EQ(FindAll(c.pattern, &error), c.names);
        EXPECT_EQ(error, ERROR_NO_MORE_FILES);
    }

    WIN32_FIND_DATAW data{};
    HANDLE find = FindFirstFileW(u"C:\\list\\sub", &data);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
    FindClose(find);
    find = FindFirstFileW(u"C:\\list\\a.ini", &data);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_ARCHIVE);
    FindClose(find);

    const std::vector<std::u16string> root = FindAll(u"C:\\*");  // a drive root lists no dots
    EXPECT_EQ(std::set<std::u16string>(root.begin(), root.end()).count(u"."), 0u);
    EXPECT_NE(std::find(root.begin(), root.end(), u"list"), root.end());

    DWORD error = 0;
    EXPECT_TRUE(FindAll(u"C:\\list\\*.zip", &error).empty());
    EXPECT_EQ(error, ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(FindAll(u"C:\\nolist\\*", &error).empty());
    EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
}

TEST_F(FilesTest, MapsAFileForReading)
{
    std::string bytes(70000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
    machine::WriteFile(u"C:\\WINDOWS\\model.bcs", bytes);
    HANDLE file =
        CreateFileW(u"C:\\WINDOWS\\model.bcs", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    ASSERT_NE(mapping, nullptr);
    CloseHandle(file);  // the mapping keeps the file
    const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    const void* tail = MapViewOfFile(mapping, FILE_MAP_READ, 0, 65536, 0);
    CloseHandle(mapping);  // the views stay
    ASSERT_NE(view, nullptr);
    ASSERT_NE(tail, nullptr);
    EXPECT_EQ(std::memcmp(view, bytes.data(), bytes.size()), 0);
    EXPECT_EQ(std::memcmp(tail, bytes.data() + 65536, bytes.size() - 65536), 0);
    EXPECT_TRUE(UnmapViewOfFile(view));
    EXPECT_TRUE(UnmapViewOfFile(tail));
    EXPECT_FALSE(UnmapViewOfFile(view));

    file = CreateFileW(u"C:\\WINDOWS\\model.bcs", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 70001, nullptr), nullptr);  // longer than the file
    mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 100, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_MAPPED_ALIGNMENT);
    EXPECT_EQ(MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 70001), nullptr);
    CloseHandle(mapping);
    CloseHandle(file);
}

TEST_F(FilesTest, FolderQueriesAnswerTheSizeNeededWhenShort)
{
    WCHAR buffer[MAX_PATH];
    EXPECT_EQ(GetSystemDirectoryW(buffer, MAX_PATH), 19u);
    EXPECT_EQ(std::u16string(buffer), u"C:\\WINDOWS\\system32");
    EXPECT_EQ(GetSystemDirectoryW(buffer, 19), 20u);
    EXPECT_EQ(GetSystemDirectoryW(nullptr, 0), 20u);
    EXPECT_EQ(GetWindowsDirectoryW(buffer, 11), 10u);
    EXPECT_EQ(std::u16string(buffer), u"C:\\WINDOWS");
    EXPECT_EQ(GetWindowsDirectoryW(buffer, 10), 11u);
}

}  // namespace
}  // namespace vexl::test
