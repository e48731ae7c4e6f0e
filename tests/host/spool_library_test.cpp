// The spool library as the graphics driver uses it: the job file holds
// exactly the bytes written, the call log says what happened, and the
// scenario makes writes fail or fall short, or only counts the bytes.
#include "platform/kernel.h"
#include "platform/machine.h"
#include "platform/modules.h"
#include "support/test_machine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace vexl::test {
namespace {

using StartDoc = HANDLE (*)(HANDLE, DWORD);
using JobCall = BOOL (*)(HANDLE);
using WritePrinter = BOOL (*)(HANDLE, const void*, DWORD, DWORD*);
using Totals = void (*)(std::uint64_t*, std::uint64_t*);

constexpr const char16_t* kLibrary = u"C:\\drv\\TZ16C123.DLL";

template <typename Function> Function Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

std::string ReadHostFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint64_t Fnv1a(const std::string& bytes)
{
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (const unsigned char c : bytes) hash = (hash ^ c) * 0x100000001B3ull;
    return hash;
}

std::string Hex(std::uint64_t value)
{
    std::ostringstream out;
    out << "0x" << std::hex << value;
    return out.str();
}

class SpoolLibraryTest : public MachineTest {
protected:
    HMODULE Load(const char* builtFile, const std::string& scenario = "")
    {
        machine::InstallFile(builtFile, kLibrary);
        if (!scenario.empty()) machine::WriteFile(u"C:\\standin\\TZ16C123.ini", "[Library]\r\n" + scenario);
        HMODULE module = LoadLibraryW(kLibrary);
        EXPECT_NE(module, nullptr);
        return module;
    }
    std::string Log() { return ReadHostFile(machine_.host(u"C:\\standin\\TZ16C123.log")); }
    std::string JobFile(const char16_t* name) { return ReadHostFile(machine_.host(name)); }
};

TEST_F(SpoolLibraryTest, AJobFileHoldsTheBytesWrittenAndTheLogEveryCall)
{
    HMODULE module = Load(VEXL_TZ16C123_FILE, "Log=1\r\n");
    auto start = Export<StartDoc>(module, "DrvSplStartDocEx");
    auto write = Export<WritePrinter>(module, "DrvSplWritePrinter");
    ASSERT_TRUE(start && write);
    HANDLE job = start(reinterpret_cast<HANDLE>(0x1), 42);
    ASSERT_NE(job, nullptr);
    Export<JobCall>(module, "DrvSplStartPage")(job);
    DWORD written = 0;
    EXPECT_TRUE(write(job, "abc", 3, &written));
    EXPECT_EQ(written, 3u);
    const unsigned char raw[] = {0x00, 0x01, 0x02, 0xFF};
    EXPECT_TRUE(write(job, raw, 4, &written));
    Export<JobCall>(module, "DrvSplEndPage")(job);
    EXPECT_TRUE(Export<JobCall>(module, "DrvSplEndDoc")(job));
    EXPECT_TRUE(Export<JobCall>(module, "DrvSplClose")(job));
    EXPECT_FALSE(write(job, "x", 1, &written));  // a closed job is an unknown handle
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(FreeLibrary(module));

    const std::string expected("abc\x00\x01\x02\xFF", 7);
    EXPECT_EQ(JobFile(u"C:\\standin\\spool\\job-42.bin"), expected);
    EXPECT_EQ(Log(), "DrvSplStartDocEx printer=0x1 job=42 -> 0x100\n"
                     "DrvSplStartPage 0x100\n"
                     "DrvSplWritePrinter 0x100 count=3 offset=0 -> 1 written=3\n"
                     "DrvSplWritePrinter 0x100 count=4 offset=3 -> 1 written=4\n"
                     "DrvSplEndPage 0x100\n"
                     "DrvSplEndDoc 0x100\n"
                     "DrvSplClose 0x100 bytes=7 hash=" +
                         Hex(Fnv1a(expected)) +
                         "\n"
                         "DrvSplWritePrinter 0x100 count=1 -> 0 unknown job\n");
}

TEST_F(SpoolLibraryTest, ByDefaultAJobIsWrittenWithoutALogOrAHash)
{
    HMODULE module = Load(VEXL_TZ16C123_FILE, "Folder=C:\\standin\\spool\r\n");
    auto write = Export<WritePrinter>(module, "DrvSplWritePrinter");
    HANDLE job = Export<StartDoc>(module, "DrvSplStartDocEx")(nullptr, 6);
    ASSERT_NE(job, nullptr);
    const std::string chunk(100000, 'Q');
    DWORD written = 0;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(write(job, chunk.data(), static_cast<DWORD>(chunk.size()), &written));
        EXPECT_EQ(written, chunk.size());
    }
    EXPECT_TRUE(Export<JobCall>(module, "DrvSplEndDoc")(job));
    EXPECT_TRUE(Export<JobCall>(module, "DrvSplClose")(job));
    std::uint64_t bytes = 0, hash = 1;
    Export<Totals>(module, "VexlSplLastJobTotals")(&bytes, &hash);
    FreeLibrary(module);
    EXPECT_EQ(bytes, 3 * chunk.size());
    EXPECT_EQ(hash, 0u);
    EXPECT_EQ(JobFile(u"C:\\standin\\spool\\job-6.bin"), chunk + chunk + chunk);
    EXPECT_FALSE(std::filesystem::exists(machine_.host(u"C:\\standin\\TZ16C123.log")));
}

TEST_F(SpoolLibraryTest, TheNthWriteFailsOrFallsShort)
{
    struct Case {
        const char* scenario;
        std::vector<BOOL> results;
        std::vector<DWORD> written;
        std::string file;
    };
    const Case cases[] = {
        {"FailWrite=2\r\n", {TRUE, FALSE, TRUE}, {4, 0, 4}, "AAAACCCC"},
        {"ShortWrite=2\r\n", {TRUE, TRUE, TRUE}, {4, 2, 4}, "AAAABBCCCC"},
        {"FailWrite=9\r\n", {TRUE, TRUE, TRUE}, {4, 4, 4}, "AAAABBBBCCCC"},
    };
    for (const Case& c : cases) {
        HMODULE module = Load(VEXL_TZ16C123_FILE, std::string("Folder=C:\\out\r\n") + c.scenario);
        auto write = Export<WritePrinter>(module, "DrvSplWritePrinter");
        HANDLE job = Export<StartDoc>(module, "DrvSplStartDocEx")(nullptr, 7);
        const char* chunks[] = {"AAAA", "BBBB", "CCCC"};
        for (int i = 0; i < 3; ++i) {
            DWORD written = 99;
            EXPECT_EQ(write(job, chunks[i], 4, &written), c.results[i]) << c.scenario << " write " << i + 1;
            EXPECT_EQ(written, c.written[i]) << c.scenario << " write " << i + 1;
        }
        Export<JobCall>(module, "DrvSplClose")(job);
        FreeLibrary(module);
        EXPECT_EQ(JobFile(u"C:\\out\\job-7.bin"), c.file) << c.scenario;
    }
}

TEST_F(SpoolLibraryTest, FormsWithoutAnEntryPointLackOnlyThatEntryPoint)
{
    struct Case {
        const char* file;
        bool startDocEx;
        bool writePrinter;
    };
    for (const Case& c : {Case{VEXL_TZ16C123_FILE, true, true}, Case{VEXL_TZ16C123_NOEX_FILE, false, true},
                          Case{VEXL_TZ16C123_NOWRITE_FILE, true, false}}) {
        HMODULE module = Load(c.file);
        EXPECT_EQ(GetProcAddress(module, "DrvSplStartDocEx") != nullptr, c.startDocEx) << c.file;
        EXPECT_EQ(GetProcAddress(module, "DrvSplWritePrinter") != nullptr, c.writePrinter) << c.file;
        for (const char* name : {"DrvSplStartDoc", "DrvSplStartPage", "DrvSplEndPage", "DrvSplEndDoc", "DrvSplClose"})
            EXPECT_NE(GetProcAddress(module, name), nullptr) << c.file << " " << name;
        HANDLE job = Export<StartDoc>(module, "DrvSplStartDoc")(nullptr, 3);
        EXPECT_NE(job, nullptr);
        Export<JobCall>(module, "DrvSplClose")(job);
        FreeLibrary(module);
    }
}

TEST_F(SpoolLibraryTest, TheCountingSinkKeepsBytesAndAHashWithoutAFile)
{
    HMODULE module = Load(VEXL_TZ16C123_FILE, "Sink=count\r\nLog=0\r\n");
    auto write = Export<WritePrinter>(module, "DrvSplWritePrinter");
    HANDLE job = Export<StartDoc>(module, "DrvSplStartDocEx")(nullptr, 5);
    ASSERT_NE(job, nullptr);
    std::string all;
    for (int i = 0; i < 100; ++i) {
        const std::string chunk(4096, static_cast<char>(i));
        DWORD written = 0;
        ASSERT_TRUE(write(job, chunk.data(), 4096, &written));
        all += chunk;
    }
    Export<JobCall>(module, "DrvSplClose")(job);
    std::uint64_t bytes = 0, hash = 0;
    Export<Totals>(module, "VexlSplLastJobTotals")(&bytes, &hash);
    EXPECT_EQ(bytes, all.size());
    EXPECT_EQ(hash, Fnv1a(all));
    FreeLibrary(module);
    EXPECT_FALSE(std::filesystem::exists(machine_.host(u"C:\\standin\\spool\\job-5.bin")));
    EXPECT_EQ(Log(), "");
}

}  // namespace
}  // namespace vexl::test
