// The program: the listing or the summary on standard output, exit code 1
// with the offset and the rule on standard error for a malformed stream.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "job_bytes.h"
#include "support/test_machine.h"

namespace vexl::test {
namespace {

namespace fs = std::filesystem;

struct ProgramRun {
    int exitCode;
    std::string out;
    std::string err;
};

class VexlDumpProgram : public ::testing::Test {
protected:

    ProgramRun Dump(const Bytes& stream, const std::string& options)
    {
        const fs::path job = dir_ / "job.bin";
        std::ofstream(job, std::ios::binary)
            .write(reinterpret_cast<const char*>(stream.v.data()), static_cast<std::streamsize>(stream.size()));
        const std::string command = std::string(VEXL_DUMP_FILE) + " " + options + " " + job.string() + " >" +
                                    (dir_ / "out").string() + " 2>" + (dir_ / "err").string();
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Read(dir_ / "out"), Read(dir_ / "err")};
    }

    static std::string Read(const fs::path& path)
    {
        std::ifstream file(path);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    TemporaryFolder folder_{"vexl-dump"};
    const fs::path& dir_ = folder_.path();
};

TEST_F(VexlDumpProgram, ListsSummarisesAndRefuses)
{
    const Bytes good = OnePage({FillRect(1, 2, 3, 4)});
    const ProgramRun listing = Dump(good, "");
    EXPECT_EQ(listing.exitCode, 0) << listing.err;
    EXPECT_NE(listing.out.find("10 rectangle length=40 fill=(1,2,3,4)"), std::string::npos) << listing.out;

    const ProgramRun summary = Dump(good, "--summary");
    EXPECT_EQ(summary.exitCode, 0);
    EXPECT_NE(summary.out.find("pages: 1\n"), std::string::npos) << summary.out;
    EXPECT_NE(summary.out.find("  10 rectangle: 1\n"), std::string::npos) << summary.out;

    Bytes withEscape = JobStart().Text("AB").Add(PageFrames(DisplayList({})));
    EXPECT_EQ(Dump(withEscape, "--raw-hint 4142").exitCode, 0);

    const ProgramRun bad = Dump(OnePage({Rop(0x66), Rop(0x66)}), "");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("offset 0x3E: state-repeat: record 31: ROP3 66 repeats the current one"), std::string::npos)
        << bad.err;

    EXPECT_EQ(Dump(good, "--raw-hint XYZ").exitCode, 2);
    EXPECT_EQ(Dump(good, "--no-such-option").exitCode, 2);
}

}  // namespace
}  // namespace vexl::test
