#include "platform/win32.h"
#include "support/child_process.h"
#include "support/test_machine.h"

#include <sys/stat.h>

#include <cctype>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <memory>
#include <optional>
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

// A handle closed while its mutex is held leaves the mutex abandoned for the
// next taker, whether the thread that closes it holds it or another thread
// does and ends later.
TEST_F(MutexTest, ClosingTheLastHandleWhileHeldLeavesItAbandoned)
{
    for (const bool heldByCloser : {true, false}) {
        SCOPED_TRACE(heldByCloser ? "held by the closing thread" : "held by a thread that ends after the close");
        const char16_t* name = heldByCloser ? u"VexlClosedHeldHere" : u"VexlClosedHeldThere";
        HANDLE mutex = CreateMutexW(nullptr, FALSE, name);
        ASSERT_NE(mutex, nullptr);
        if (heldByCloser) {
            ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
            EXPECT_TRUE(CloseHandle(mutex));
        } else {
            std::promise<void> taken;
            std::promise<void> closed;
            std::thread holder([&] {
                WaitForSingleObject(mutex, INFINITE);
                taken.set_value();
                closed.get_future().wait();
            });
            taken.get_future().wait();
            EXPECT_TRUE(CloseHandle(mutex));
            closed.set_value();
            holder.join();
        }

        mutex = CreateMutexW(nullptr, FALSE, name);
        ASSERT_NE(mutex, nullptr);
        EXPECT_EQ(WaitForSingleObject(mutex, 1000), WAIT_ABANDONED);
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_TRUE(CloseHandle(mutex));
    }
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

// The helper program, taking a mutex in a process of its own.
class MutexHolder : public ChildProcess {
public:
    explicit MutexHolder(std::vector<std::string> arguments, const char* name = kSettingsMutexName)
        : ChildProcess(WithProgram(std::move(arguments), name))
    {
    }

private:
    static std::vector<std::string> WithProgram(std::vector<std::string> arguments, const char* name)
    {
        arguments.insert(arguments.begin(), {VEXL_MUTEX_HOLDER_FILE, machine::Root().string(), name});
        return arguments;
    }
};

// The result of a wait by another process.
DWORD WaitInOtherProcess(DWORD milliseconds, const char* name = kSettingsMutexName)
{
    MutexHolder other({"try", std::to_string(milliseconds)}, name);
    return static_cast<DWORD>(std::stoul(other.ReadLine(), nullptr, 16));
}

TEST_F(MutexTest, ExcludesOtherProcesses)
{
    HANDLE mutex = CreateMutexW(nullptr, FALSE, u"Global\\VexlMutexTse");
    ASSERT_NE(mutex, nullptr);

    // Held here: another process waits in vain, or until it is released.
    ASSERT_EQ(WaitForSingleObject(mutex, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(WaitInOtherProcess(0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitInOtherProcess(50), WAIT_TIMEOUT);
    MutexHolder waiting({"try", "5000"});
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(ReleaseMutex(mutex));
    EXPECT_EQ(waiting.ReadLine(), "0");
    EXPECT_EQ(WaitInOtherProcess(0), WAIT_OBJECT_0);

    // Held there: this process waits in vain.
    MutexHolder holder({"hold"});
    ASSERT_EQ(holder.ReadLine(), "held 0");
    EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(mutex, 50), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(mutex));
}

// Processes that open a new mutex together and count under it, each
// waiting for the others in turn, lose no update.
TEST_F(MutexTest, ProcessesThatOpenANewMutexTogetherExcludeEachOther)
{
    constexpr int kProcesses = 4;
    constexpr int kRounds = 200;
    const std::string counter = (machine::Root() / "counter").string();
    std::ofstream(counter) << 0;
    std::vector<std::unique_ptr<MutexHolder>> counters;
    for (int i = 0; i < kProcesses; ++i)
        counters.push_back(std::make_unique<MutexHolder>(
            std::vector<std::string>{"count", counter, std::to_string(kRounds)}, "Global\\VexlCounted"));
    for (const auto& process : counters) EXPECT_EQ(process->ReadLine(), "counted");
    int counted = 0;
    std::ifstream(counter) >> counted;
    EXPECT_EQ(counted, kProcesses * kRounds);
}

// A holder killed while it holds the mutex leaves it abandoned, never stuck,
// whatever the lock file held before: nothing (a new file), the record alone
// of the older layout, or zero bytes. A holder killed before its record said
// held (or after it said released) is found out all the same.
TEST_F(MutexTest, AKilledHolderLeavesItAbandoned)
{
    struct Case {
        const char* what;
        const char* name;                       // its lock file: the name in capitals
        std::optional<std::string> fileBefore;  // none: no file
        bool clearRecord;                       // the record says released when the holder dies
        DWORD wait;
    };
    const Case cases[] = {
        {"new file", "VexlKilledNew", std::nullopt, false, INFINITE},
        {"new file, record cleared", "VexlKilledCleared", std::nullopt, true, 3000},
        {"the record alone", "VexlKilledRecord", "0123\n" + std::string(27, '\0'), false, 3000},
        {"zero bytes", "VexlKilledZero", std::string(4096, '\0'), false, 3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string capitals(c.name);
        for (char& letter : capitals) letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
        const std::filesystem::path file = machine::Root() / "mutex" / (capitals + ".lock");
        if (c.fileBefore) {
            std::filesystem::create_directories(file.parent_path());
            std::ofstream(file, std::ios::binary) << *c.fileBefore;
        }
        const std::u16string name(c.name, c.name + std::strlen(c.name));
        HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
        ASSERT_NE(mutex, nullptr);

        MutexHolder holder({"hold"}, c.name);
        ASSERT_EQ(holder.ReadLine(), "held 0");
        if (c.clearRecord) std::fstream(file, std::ios::binary | std::ios::in | std::ios::out).put('0');
        std::future<DWORD> waiter = std::async(std::launch::async, [&] {
            const DWORD result = WaitForSingleObject(mutex, c.wait);
            ReleaseMutex(mutex);
            return result;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        holder.Kill();
        EXPECT_EQ(waiter.get(), WAIT_ABANDONED);

        // Released cleanly since: neither process sees it abandoned again.
        EXPECT_EQ(WaitForSingleObject(mutex, 0), WAIT_OBJECT_0);
        EXPECT_TRUE(ReleaseMutex(mutex));
        EXPECT_EQ(WaitInOtherProcess(0, c.name), WAIT_OBJECT_0);
        EXPECT_TRUE(CloseHandle(mutex));
    }
}

}  // namespace
}  // namespace vexl::test
