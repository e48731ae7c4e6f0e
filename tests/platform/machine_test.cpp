#include "support/test_machine.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <thread>

#include <sys/stat.h>
#include <time.h>

namespace vexl::test {
namespace {

using PathMappingTest = MachineTest;

TEST_F(PathMappingTest, MapsDrivesUncAndDotsIntoTheRoot)
{
    const std::filesystem::path root = machine::Root();
    struct Case {
        std::u16string windows;
        std::filesystem::path host;
    } cases[] = {
        {u"C:\\WINDOWS\\system32", root / "C/WINDOWS/system32"},
        {u"c:/windows//SYSTEM32\\", root / "C/WINDOWS/system32"},
        {u"D:\\data\\x.ini", root / "D/data/x.ini"},
        {u"\\\\server\\share\\a.txt", root / "UNC/server/share/a.txt"},
        {u"C:\\a\\..\\..\\..\\b", root / "C/b"},
        {u"\\WINDOWS\\.\\new", root / "C/WINDOWS/new"},
        {u"C:\\Caf\u00e9\\\u65e5 ~!.txt", root / "C/Caf\xc3\xa9/\xe6\x97\xa5 ~!.txt"},
    };
    // Byte for byte: the host path as its text, not only as the same components.
    for (const Case& c : cases) EXPECT_EQ(machine::HostPath(c.windows).native(), c.host.native());
}

TEST_F(PathMappingTest, RefusesInvalidNames)
{
    for (std::u16string bad : {u"C:\\a|b", u"C:\\a\\b?c", u"1:\\x", u"C:\\a:b", u"C:\\a<b", u"C:\\a>b", u"C:\\a\"b",
                               u"C:\\a*b", u"C:\\a\x01", u"C:\\a\x1f\\b"})
        EXPECT_TRUE(machine::HostPath(bad).empty());
}

TEST_F(PathMappingTest, MatchesExistingNamesWithoutCase)
{
    machine::WriteFile(u"C:\\Drivers\\TZ16E172.ini", "x");
    EXPECT_EQ(machine::HostPath(u"c:\\DRIVERS\\tz16e172.INI"), machine::Root() / "C/Drivers/TZ16E172.ini");
}

// Waits until the folder's change times lie more than two seconds back, as
// long as the layer wants a folder to stand still before it keeps its
// listing; no longer than that.
void WaitUntilStill(const std::filesystem::path& folder)
{
    const auto nanoseconds = [](const timespec& t) { return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; };
    for (;;) {
        struct stat status {};
        timespec now{};
        ASSERT_EQ(::stat(folder.c_str(), &status), 0);
        clock_gettime(CLOCK_REALTIME, &now);
        const std::int64_t age = nanoseconds(now) - std::max(nanoseconds(status.st_mtim), nanoseconds(status.st_ctim));
        if (age > 2'010'000'000) return;
        std::this_thread::sleep_for(std::chrono::nanoseconds(2'010'000'000 - age));
    }
}

// A folder's names are kept once it has stood still for a while; a name
// added, renamed or removed afterwards is still seen at the next look.
TEST_F(PathMappingTest, SeesNamesChangedInAFolderListedBefore)
{
    machine::WriteFile(u"C:\\Drivers\\Old.ini", "x");
    const std::filesystem::path folder = machine::Root() / "C/Drivers";
    WaitUntilStill(folder);
    EXPECT_EQ(machine::HostPath(u"c:\\drivers\\new.INI"), folder / "new.INI");  // lists the folder
    EXPECT_EQ(machine::HostPath(u"c:\\drivers\\OLD.INI"), folder / "Old.ini");

    machine::WriteFile(u"C:\\Drivers\\New.ini", "x");
    EXPECT_EQ(machine::HostPath(u"c:\\drivers\\new.INI"), folder / "New.ini");
    std::filesystem::rename(folder / "Old.ini", folder / "Older.ini");
    EXPECT_EQ(machine::HostPath(u"c:\\drivers\\OLD.INI"), folder / "OLD.INI");
    EXPECT_EQ(machine::HostPath(u"c:\\drivers\\OLDER.INI"), folder / "Older.ini");
}

TEST(MachineProfile, RoundTripsThroughTheMachineFile)
{
    machine::Profile profile;
    profile.osMajor = 5;
    profile.osMinor = 2;
    profile.suiteMask = 0x10;
    profile.administrator = false;
    profile.userName = u"Jos\u00e9";
    profile.fixedLocalTime = "2026-01-31 13:45:10.250";
    TestMachine machine(profile);
    const machine::Profile loaded = machine::LoadProfile();
    EXPECT_EQ(loaded.osMajor, 5u);
    EXPECT_EQ(loaded.osMinor, 2u);
    EXPECT_EQ(loaded.suiteMask, 0x10);
    EXPECT_FALSE(loaded.administrator);
    EXPECT_EQ(loaded.userName, u"Jos\u00e9");
    EXPECT_EQ(loaded.fixedLocalTime, "2026-01-31 13:45:10.250");
}

}  // namespace
}  // namespace vexl::test
