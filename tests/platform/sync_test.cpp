#include "platform/win32.h"
#include "support/child_process.h"
#include "support/test_machine.h"

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace vexl::test {
namespace {

// Runs `body` on another thread and answers its result.
template <typename Body> auto OnOtherThread(Body body)
{
    return std::async(std::launch::async, body).get();
}

// Counts under a lock from several threads; a lost update shows a gap in exclusion.
template <typename Enter, typename Leave> int CountUnderLock(Enter enter, Leave leave)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 300;
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                enter();
                const int seen = counter;
                std::this_thread::yield();
                counter = seen + 1;
                leave();
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    return counter;
}

TEST(CriticalSectionTest, ExcludesThreadsAndNestsPerThread)
{
    CRITICAL_SECTION section;
    ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&section, 4000));

    const int counted = CountUnderLock(
        [&] {
            EnterCriticalSection(&section);
            EnterCriticalSection(&section);
        },
        [&] {
            LeaveCriticalSection(&section);
            LeaveCriticalSection(&section);
        });
    EXPECT_EQ(counted, 1200);

    EnterCriticalSection(&section);
    EnterCriticalSection(&section);
    LeaveCriticalSection(&section);
    EXPECT_FALSE(OnOtherThread([&] { return TryEnterCriticalSection(&section); }));
    // A thread that does not hold the section cannot leave it for the holder.
    OnOtherThread([&] { LeaveCriticalSection(&section); });
    EXPECT_FALSE(OnOtherThread([&] { return TryEnterCriticalSection(&section); }));
    LeaveCriticalSection(&section);
    EXPECT_TRUE(OnOtherThread([&] {
        const BOOL entered = TryEnterCriticalSection(&section);
        if (entered) LeaveCriticalSection(&section);
        return entered;
    }));
    DeleteCriticalSection(&section);
}

using MutexTest = MachineTest;

TEST_F(MutexTest, ExcludesThreadsNamedOrNot)
{
    for (const char16_t* name : {static_cast<const char16_t*>(nullptr), u"Local\\VexlCounter"}) {
        HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
        ASSERT_NE(mutex, nullptr);
        const int counted = CountUnderLock([&] { WaitForSingleObject(mutex, INFINITE); }, [&] { ReleaseMutex(mutex); });
        EXPECT_EQ(counted, 1200);
        EXPECT_TRUE(CloseHandle(mutex));
    }
}

TEST_F(MutexTest, OwnershipIsPerThreadAndRecursive)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Global\\VexlMutexTse");
    ASSERT_NE(mutex, nullptr);
    ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
    ASSERT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);

    EXPECT_EQ(OnOtherThread([&] { return WaitForSingleObject(mutex, 0); }), WAIT_TIMEOUT);
    EXPECT_EQ(OnOtherThread([&] { return WaitForSingleObject(mutex, 30); }), WAIT_TIMEOUT);
    EXPECT_EQ(OnOtherThread([&] { return ReleaseMutex(mutex) ? ERROR_SUCCESS : GetLastError(); }), ERROR_NOT_OWNER);

    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(OnOtherThread([&] { return WaitForSingleObject(mutex, 0); }), WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);

    EXPECT_EQ(OnOtherThread([&] {
                  const DWORD result = WaitForSingleObject(mutex, 0);
                  ReleaseMutex(mutex);
                  return result;
              }),
              WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(mutex));
}

TEST_F(MutexTest, NamesOneObjectWithoutCaseOrPrefix)
{
    SetLastError(ERROR_INVALID_DATA);
    HANDLE created = CreateMutexW(nullptr, FALSE, u"Global\\VexlMutexTse");
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    HANDLE again = CreateMutexW(nullptr, TRUE, u"local\\VEXLMUTEXTSE");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    HANDLE opened = OpenMutexW(MUTEX_ALL_ACCESS, FALSE, u"vexlmutextse");
    ASSERT_NE(opened, nullptr);

    // initialOwner is for the creator only; the three handles name one object.
    EXPECT_TRUE(OnOtherThread([&] { return WaitForSingleObject(again, 0) == WAIT_OBJECT_0 && ReleaseMutex(again); }));
    ASSERT_EQ(WaitForSingleObject(created, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(OnOtherThread([&] { return WaitForSingleObject(again, 0); }), WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(opened));

    // Every user of the machine may open the lock file, as with a NULL DACL.
    struct stat status {};
    ASSERT_EQ(::stat((machine::Root() / "mutex" / "VEXLMUTEXTSE.lock").c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0666u);

    EXPECT_EQ(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, u"NoSuchMutex"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    for (HANDLE handle : {created, again, opened}) EXPECT_TRUE(CloseHandle(handle));
}

TEST_F(MutexTest, InitialOwnerOwnsANewMutex)
{
    HANDLE mutex = CreateMutexW(nullptr, TRUE, u"VexlOwned");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(OnOtherThread([&] { return WaitForSingleObject(mutex, 0); }), WAIT_TIMEOUT);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_TRUE(CloseHandle(mutex));
}

TEST_F(MutexTest, AThreadThatEndsOwningItLeavesItAbandoned)
{
    for (const char16_t* name : {static_cast<const char16_t*>(nullptr), u"VexlAbandoned"}) {
        HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
        ASSERT_NE(mutex, nullptr);
        std::thread([&] { WaitForSingleObject(mutex, INFINITE); }).join();
        EXPECT_EQ(WaitForSingleObject(mutex, 1000), WAIT_ABANDONED);
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_TRUE(CloseHandle(mutex));
    }
}

// A lock file whose record says held, of any length, was left by a holder
// that died: the first wait reports the mutex abandoned, later ones do not,
// and the record the file then holds says released.
TEST_F(MutexTest, AHeldRecordLeftInTheLockFileIsSeenAbandoned)
{
    const std::filesystem::path file = machine::Root() / "mutex" / "VEXLLEFT.lock";
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << "1999999\n";
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Global\\VexlLeft");
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_ABANDONED);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex));
    std::ifstream in(file, std::ios::binary);
    EXPECT_EQ(in.get(), '0');
    EXPECT_TRUE(CloseHandle(mutex));
}

TEST_F(MutexTest, RefusesHandlesThatAreNotMutexes)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, nullptr);
    ASSERT_TRUE(CloseHandle(mutex));
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(ReleaseMutex(mutex));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"Global\\a\\b"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

// ---- Two processes on one machine ---------------------------------------------

constexpr const char* kSettingsMutexName = "Global\\VexlMutexTse";

// The helper program, taking the mutex in a process of its own.
class MutexHolder : public ChildProcess {
public:
    explicit MutexHolder(std::vector<std::string> arguments) : ChildProcess(WithProgram(std::move(arguments))) {}

private:
    static std::vector<std::string> WithProgram(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), {VEXL_MUTEX_HOLDER_FILE, machine::Root().string(), kSettingsMutexName});
        return arguments;
    }
};

// The result of a wait by another process.
DWORD WaitInOtherProcess(DWORD milliseconds)
{
    MutexHolder other({"try", std::to_string(milliseconds)});
    return static_cast<DWORD>(std::stoul(other.ReadLine(), nullptr, 16));
}

TEST_F(MutexTest, ExcludesOtherProcessesAndAKilledHolderLeavesItAbandoned)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Global\\VexlMutexTse");
    ASSERT_NE(mutex, nullptr);

    // Held here: another process waits in vain, and takes it once released.
    ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitInOtherProcess(0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitInOtherProcess(50), WAIT_TIMEOUT);
    ASSERT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitInOtherProcess(0), WAIT_OBJECT_0);

    // Held there: this process waits until the holder is killed.
    MutexHolder holder({"hold"});
    ASSERT_EQ(holder.ReadLine(), "held 0");
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(mutex, 50), WAIT_TIMEOUT);
    std::future<DWORD> waiter = std::async(std::launch::async, [&] {
        const DWORD result = WaitForSingleObject(mutex, INFINITE);
        ReleaseMutex(mutex);
        return result;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    holder.Kill();
    EXPECT_EQ(waiter.get(), WAIT_ABANDONED);

    // Released cleanly since: neither process sees it abandoned again.
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(WaitInOtherProcess(0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(mutex));
}

}  // namespace
}  // namespace vexl::test
