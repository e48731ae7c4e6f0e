#include "bare_context.h"
#include "common/core/process.h"
#include "common/wiring.h"
#include "platform/win32.h"
#include "support/child_process.h"
#include "support/test_machine.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

namespace vexl::test {
namespace {

using namespace std::chrono_literals;

class SettingsMutexTest : public MachineTest {
protected:
    SettingsMutexTest() { RunProcessAttach(); }
    ~SettingsMutexTest() override { RunProcessDetach(); }

    bool MutexFileExists() const
    {
        std::error_code ignored;
        return std::filesystem::exists(machine_.root() / "mutex", ignored) &&
               !std::filesystem::is_empty(machine_.root() / "mutex", ignored);
    }
};

TEST_F(SettingsMutexTest, AContextWhoseCreatorHoldsTheMutexNeverTouchesIt)
{
    BareContext context;
    context.work->useSettingsMutex = 0;
    LockSettingsMutex(context.get());
    LockSettingsMutex(context.get());
    UnlockSettingsMutex(context.get());
    UnlockSettingsMutex(context.get());
    EXPECT_FALSE(MutexFileExists());
}

TEST_F(SettingsMutexTest, NestsInOneThreadAndExcludesOthers)
{
    BareContext context;
    LockSettingsMutex(context.get());
    LockSettingsMutex(nullptr);
    EXPECT_TRUE(MutexFileExists());

    std::atomic<bool> taken{false};
    std::thread other([&] {
        LockSettingsMutex(nullptr);
        taken = true;
        UnlockSettingsMutex(nullptr);
    });
    UnlockSettingsMutex(nullptr);
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(taken) << "one release of two let another thread in";
    UnlockSettingsMutex(context.get());
    other.join();
    EXPECT_TRUE(taken);
}

TEST_F(SettingsMutexTest, CacheLocksExcludeEachOtherOnlyWithinOneCache)
{
    EnterContextCacheLock(kGeneralCacheLock);
    EnterContextCacheLock(kGeneralCacheLock);  // a critical section nests
    std::atomic<int> entered{0};
    std::thread capabilities([&] {
        EnterContextCacheLock(kCapabilitiesCacheLock);
        ++entered;
        LeaveContextCacheLock(kCapabilitiesCacheLock);
    });
    capabilities.join();
    EXPECT_EQ(entered, 1);

    std::thread general([&] {
        EnterContextCacheLock(kGeneralCacheLock);
        ++entered;
        LeaveContextCacheLock(kGeneralCacheLock);
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(entered, 1);
    LeaveContextCacheLock(kGeneralCacheLock);
    LeaveContextCacheLock(kGeneralCacheLock);
    general.join();
    EXPECT_EQ(entered, 2);

    EnterContextCacheLock(7);  // not a cache: nothing happens
    LeaveContextCacheLock(7);
}

TEST_F(SettingsMutexTest, WaitsForAnotherProcessAndTakesTheMutexOfAKilledHolder)
{
    ChildProcess holder({VEXL_MUTEX_HOLDER_FILE, machine::Root().string(), "Global\\VexlMutexTse", "hold"});
    ASSERT_EQ(holder.ReadLine(), "held 0");

    std::promise<void> taken;
    std::promise<void> release;
    std::thread waiter([&] {
        LockSettingsMutex(nullptr);
        taken.set_value();
        release.get_future().wait();
        UnlockSettingsMutex(nullptr);
    });
    std::future<void> lock = taken.get_future();
    EXPECT_EQ(lock.wait_for(200ms), std::future_status::timeout);
    holder.Kill();
    EXPECT_EQ(lock.wait_for(5s), std::future_status::ready);

    // Held by the waiter now: another process waits in vain until it lets go.
    const auto tryInOtherProcess = [] {
        ChildProcess other({VEXL_MUTEX_HOLDER_FILE, machine::Root().string(), "Global\\VexlMutexTse", "try", "0"});
        return other.ReadLine();
    };
    EXPECT_EQ(tryInOtherProcess(), "102");
    release.set_value();
    waiter.join();
    EXPECT_EQ(tryInOtherProcess(), "0");
}

// A cache lock made on demand before the attach is the one the attach
// keeps: nothing is left over for the leak check at exit, and the lock
// still works after a detach and a new attach.
TEST(CacheLockLifetime, AttachKeepsASectionMadeOnDemand)
{
    EnterContextCacheLock(kGeneralCacheLock);
    LeaveContextCacheLock(kGeneralCacheLock);
    RunProcessAttach();
    EnterContextCacheLock(kGeneralCacheLock);
    LeaveContextCacheLock(kGeneralCacheLock);
    RunProcessDetach();
}

}  // namespace
}  // namespace vexl::test
