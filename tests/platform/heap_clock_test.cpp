#include "platform/kernel.h"
#include "support/test_machine.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <thread>

namespace vexl::test {
namespace {

bool IsZeroFilled(const void* memory, SIZE_T bytes)
{
    const auto* p = static_cast<const BYTE*>(memory);
    return std::all_of(p, p + bytes, [](BYTE b) { return b == 0; });
}

TEST(Heap, ZeroFillsOnRequestAndKnowsTheBlockSize)
{
    struct Allocator {
        const char* name;
        void* (*allocate)(SIZE_T bytes);
        bool (*release)(void* memory);
    } allocators[] = {
        {"GlobalAlloc", [](SIZE_T n) -> void* { return GlobalAlloc(GPTR, n); },
         [](void* p) { return GlobalFree(p) == nullptr; }},
        {"LocalAlloc", [](SIZE_T n) -> void* { return LocalAlloc(LPTR, n); },
         [](void* p) { return LocalFree(p) == nullptr; }},
        {"HeapAlloc", [](SIZE_T n) { return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, n); },
         [](void* p) { return HeapFree(GetProcessHeap(), 0, p) == TRUE; }},
    };
    for (const Allocator& a : allocators) {
        for (SIZE_T bytes : {SIZE_T(0), SIZE_T(1), SIZE_T(17), SIZE_T(4096), SIZE_T(100000)}) {
            SCOPED_TRACE(testing::Message() << a.name << " " << bytes);
            void* block = a.allocate(bytes);
            ASSERT_NE(block, nullptr);
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % 16, 0u);
            EXPECT_TRUE(IsZeroFilled(block, bytes));
            EXPECT_EQ(GlobalSize(block), bytes);
            EXPECT_TRUE(a.release(block));
        }
    }
}

TEST(Heap, FixedBlocksAreUsableAndFreeingNullIsHarmless)
{
    auto* block = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, 64));
    ASSERT_NE(block, nullptr);
    std::fill_n(block, 64, BYTE{0xA5});
    EXPECT_EQ(GlobalSize(block), 64u);
    EXPECT_EQ(GlobalFree(block), nullptr);

    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    EXPECT_EQ(LocalFree(nullptr), nullptr);
    EXPECT_TRUE(HeapFree(GetProcessHeap(), 0, nullptr));
}

TEST(Heap, FailedAllocationsReturnNullWithTheError)
{
    const SIZE_T huge[] = {SIZE_MAX, SIZE_MAX - 8, SIZE_T(1) << 60};
    for (SIZE_T bytes : huge) {
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(GlobalAlloc(GPTR, bytes), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
        SetLastError(ERROR_SUCCESS);
        EXPECT_EQ(HeapAlloc(GetProcessHeap(), 0, bytes), nullptr);
        EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    }
    int unrelated = 0;
    EXPECT_EQ(HeapAlloc(&unrelated, 0, 8), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(TickCount, FixedNearTheTopWrapsThroughZero)
{
    machine::SetTickCount(0xFFFFFE00);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(GetTickCount(), 0xFFFFFE00u);  // fixed: the real clock does not move it

    const DWORD stamp = GetTickCount();
    machine::AdvanceTickCount(0x1FF);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFFFu);
    machine::AdvanceTickCount(1);
    EXPECT_EQ(GetTickCount(), 0u);
    machine::AdvanceTickCount(0x100);
    EXPECT_EQ(GetTickCount(), 0x100u);
    // An age measured across the wrap, in unsigned 32-bit arithmetic.
    EXPECT_EQ(GetTickCount() - stamp, 0x300u);

    machine::UseRealTickCount();
    const DWORD first = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const DWORD elapsed = GetTickCount() - first;
    EXPECT_GE(elapsed, 19u);
    EXPECT_LT(elapsed, 5000u);
}

TEST(TickCount, AdvancesTheRealClockToo)
{
    machine::UseRealTickCount();
    const DWORD before = GetTickCount();
    machine::AdvanceTickCount(600000);
    const DWORD moved = GetTickCount() - before;
    EXPECT_GE(moved, 600000u);
    EXPECT_LT(moved, 605000u);
    machine::UseRealTickCount();
    EXPECT_LT(GetTickCount() - before, 5000u);
}

struct ExpectedTime {
    WORD year, month, day, hour, minute, second, milliseconds, dayOfWeek;
};

void ExpectTime(const SYSTEMTIME& t, const ExpectedTime& e)
{
    EXPECT_EQ(t.wYear, e.year);
    EXPECT_EQ(t.wMonth, e.month);
    EXPECT_EQ(t.wDay, e.day);
    EXPECT_EQ(t.wHour, e.hour);
    EXPECT_EQ(t.wMinute, e.minute);
    EXPECT_EQ(t.wSecond, e.second);
    EXPECT_EQ(t.wMilliseconds, e.milliseconds);
    EXPECT_EQ(t.wDayOfWeek, e.dayOfWeek);
}

TEST(LocalTime, FixedTimeWithAnOffsetGivesTheSystemTime)
{
    struct Case {
        std::string fixed;
        int offsetMinutes;
        ExpectedTime local;
        ExpectedTime system;
    } cases[] = {
        {"2026-01-31 13:45:10.250", 60, {2026, 1, 31, 13, 45, 10, 250, 6}, {2026, 1, 31, 12, 45, 10, 250, 6}},
        {"2024-02-28 22:30:00.000", -300, {2024, 2, 28, 22, 30, 0, 0, 3}, {2024, 2, 29, 3, 30, 0, 0, 4}},
        {"2000-01-01 05:00:00.001", 540, {2000, 1, 1, 5, 0, 0, 1, 6}, {1999, 12, 31, 20, 0, 0, 1, 5}},
        {"2023-03-01 00:15:00", 30, {2023, 3, 1, 0, 15, 0, 0, 3}, {2023, 2, 28, 23, 45, 0, 0, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixed);
        machine::Profile profile;
        profile.fixedLocalTime = c.fixed;
        profile.utcOffsetMinutes = c.offsetMinutes;
        TestMachine machine(profile);
        SYSTEMTIME local{};
        SYSTEMTIME system{};
        GetLocalTime(&local);
        GetSystemTime(&system);
        ExpectTime(local, c.local);
        ExpectTime(system, c.system);

        FILETIME now{};
        SYSTEMTIME fromFileTime{};
        GetSystemTimeAsFileTime(&now);
        ASSERT_TRUE(FileTimeToSystemTime(&now, &fromFileTime));
        ExpectTime(fromFileTime, c.system);
    }
}

ULONGLONG Units(const FILETIME& t)
{
    return (ULONGLONG(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}

TEST(LocalTime, RealClockIsAheadOfUtcByTheOffset)
{
    machine::Profile profile;
    profile.utcOffsetMinutes = -210;
    TestMachine machine(profile);
    SYSTEMTIME local{};
    SYSTEMTIME system{};
    GetLocalTime(&local);
    GetSystemTime(&system);
    local.wDayOfWeek = system.wDayOfWeek = 0;
    FILETIME localUnits{};
    FILETIME systemUnits{};
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localUnits));
    ASSERT_TRUE(SystemTimeToFileTime(&system, &systemUnits));
    const auto difference = static_cast<LONGLONG>(Units(systemUnits) - Units(localUnits));
    const LONGLONG expected = 210LL * 60 * 10'000'000;
    EXPECT_NEAR(static_cast<double>(difference), static_cast<double>(expected), 50'000'000.0);  // within 5 s
}

TEST(FileTime, ConvertsBothWaysAndRefusesInvalidFields)
{
    struct Case {
        SYSTEMTIME time;
        ULONGLONG units;
        WORD dayOfWeek;
    } known[] = {
        {{1601, 1, 0, 1, 0, 0, 0, 0}, 0, 1},
        {{1970, 1, 0, 1, 0, 0, 0, 0}, 116444736000000000ull, 4},
        {{2000, 2, 0, 29, 12, 34, 56, 789}, 125963012967890000ull, 2},
        {{30827, 12, 0, 31, 23, 59, 59, 999}, 0x7FFF35F4F06C58F0ull, 5},
    };
    for (const Case& c : known) {
        SCOPED_TRACE(c.time.wYear);
        FILETIME fileTime{};
        ASSERT_TRUE(SystemTimeToFileTime(&c.time, &fileTime));
        EXPECT_EQ(Units(fileTime), c.units);
        SYSTEMTIME back{};
        ASSERT_TRUE(FileTimeToSystemTime(&fileTime, &back));
        ExpectTime(back, {c.time.wYear, c.time.wMonth, c.time.wDay, c.time.wHour, c.time.wMinute, c.time.wSecond,
                          c.time.wMilliseconds, c.dayOfWeek});
    }

    const SYSTEMTIME invalid[] = {
        {1600, 12, 0, 31, 0, 0, 0, 0}, {2023, 13, 0, 1, 0, 0, 0, 0}, {2023, 2, 0, 29, 0, 0, 0, 0},
        {2024, 4, 0, 31, 0, 0, 0, 0},  {2024, 1, 0, 0, 0, 0, 0, 0},  {2024, 1, 0, 1, 24, 0, 0, 0},
        {2024, 1, 0, 1, 0, 60, 0, 0},  {2024, 1, 0, 1, 0, 0, 60, 0}, {2024, 1, 0, 1, 0, 0, 0, 1000},
    };
    for (const SYSTEMTIME& t : invalid) {
        FILETIME fileTime{};
        SetLastError(ERROR_SUCCESS);
        EXPECT_FALSE(SystemTimeToFileTime(&t, &fileTime));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    const FILETIME topBitSet{0, 0x80000000};
    SYSTEMTIME t{};
    EXPECT_FALSE(FileTimeToSystemTime(&topBitSet, &t));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(ProcessAndThread, IdsAreStablePerThreadAndPseudoHandlesFixed)
{
    const DWORD mine = GetCurrentThreadId();
    EXPECT_EQ(GetCurrentThreadId(), mine);
    DWORD other = 0;
    DWORD otherProcess = 0;
    std::thread([&] {
        other = GetCurrentThreadId();
        otherProcess = GetCurrentProcessId();
    }).join();
    EXPECT_NE(other, mine);
    EXPECT_EQ(otherProcess, GetCurrentProcessId());
    EXPECT_EQ(GetCurrentProcess(), reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1)));
    EXPECT_EQ(GetCurrentThread(), reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2)));
}

}  // namespace
}  // namespace vexl::test
