// The clock: the 32-bit tick count, local and system time from the machine
// profile, FILETIME conversions, and the ids of the process and thread.
#include "platform/kernel.h"
#include "platform/machine.h"

#include "profile.h"

#include <atomic>
#include <cstdio>
#include <ctime>
#include <pthread.h>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace {

// The tick count of this process: the monotonic clock (moved by any
// AdvanceTickCount), or a fixed value a test set that only AdvanceTickCount moves.
struct TickClock {
    std::mutex lock;
    bool fixed = false;
    DWORD value = 0;   // the fixed tick count
    DWORD offset = 0;  // added to the monotonic clock
};

TickClock& Ticks()
{
    static TickClock clock;
    return clock;
}

DWORD MonotonicTicks()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto milliseconds =
        static_cast<std::uint64_t>(now.tv_sec) * 1000 + static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
    return static_cast<DWORD>(milliseconds);
}

// Instants are milliseconds since 1601-01-01 00:00 UTC, the FILETIME epoch.
using Milliseconds = std::int64_t;
constexpr Milliseconds kMillisecondsPerDay = 86'400'000;
constexpr std::int64_t kDaysFrom1601To1970 = 134'774;
constexpr std::int64_t kFileTimeUnitsPerMillisecond = 10'000;

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, and back.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day)
{
    year -= month <= 2;
    const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

struct CivilDate {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate CivilFromDays(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    const unsigned day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    const unsigned month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    return {static_cast<std::int64_t>(yearOfEra) + era * 400 + (month <= 2), month, day};
}

bool IsLeapYear(unsigned year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned DaysInMonth(unsigned year, unsigned month)
{
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The years a FILETIME can name through SYSTEMTIME.
bool IsValidSystemTime(const SYSTEMTIME& t)
{
    return t.wYear >= 1601 && t.wYear <= 30827 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 &&
           t.wDay <= DaysInMonth(t.wYear, t.wMonth) && t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 &&
           t.wMilliseconds < 1000;
}

// The day of week is not read.
Milliseconds ToMilliseconds(const SYSTEMTIME& t)
{
    const std::int64_t days = DaysFromCivil(t.wYear, t.wMonth, t.wDay) + kDaysFrom1601To1970;
    return days * kMillisecondsPerDay + ((t.wHour * 60 + t.wMinute) * 60 + t.wSecond) * 1000LL + t.wMilliseconds;
}

SYSTEMTIME FromMilliseconds(Milliseconds instant)
{
    if (instant < 0) instant = 0;  // nothing before 1601
    const std::int64_t days = instant / kMillisecondsPerDay;
    const auto inDay = static_cast<std::int64_t>(instant % kMillisecondsPerDay);
    const CivilDate date = CivilFromDays(days - kDaysFrom1601To1970);
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(date.year);
    t.wMonth = static_cast<WORD>(date.month);
    t.wDay = static_cast<WORD>(date.day);
    t.wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
    t.wHour = static_cast<WORD>(inDay / 3'600'000);
    t.wMinute = static_cast<WORD>(inDay / 60'000 % 60);
    t.wSecond = static_cast<WORD>(inDay / 1000 % 60);
    t.wMilliseconds = static_cast<WORD>(inDay % 1000);
    return t;
}

Milliseconds RealUtcNow()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return kDaysFrom1601To1970 * kMillisecondsPerDay + static_cast<Milliseconds>(now.tv_sec) * 1000 +
           now.tv_nsec / 1'000'000;
}

// "YYYY-MM-DD hh:mm:ss.mmm"; the milliseconds may be left out.
std::optional<Milliseconds> ParseFixedTime(const std::string& text)
{
    if (text.empty()) return std::nullopt;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
    const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%3d", &year, &month, &day, &hour, &minute,
                                   &second, &milliseconds);
    if (fields < 6) return std::nullopt;
    for (int field : {year, month, day, hour, minute, second, milliseconds}) {
        if (field < 0) return std::nullopt;
    }
    const SYSTEMTIME t{static_cast<WORD>(year),   static_cast<WORD>(month),       0,
                       static_cast<WORD>(day),    static_cast<WORD>(hour),        static_cast<WORD>(minute),
                       static_cast<WORD>(second), static_cast<WORD>(milliseconds)};
    if (!IsValidSystemTime(t)) return std::nullopt;
    return ToMilliseconds(t);
}

// Now in UTC: the machine's fixed local time less its offset when it has one, else the real clock.
Milliseconds UtcNow(const vexl::machine::Profile& profile)
{
    const Milliseconds offset = profile.utcOffsetMinutes * 60'000LL;
    const std::optional<Milliseconds> fixedLocal = ParseFixedTime(profile.fixedLocalTime);
    return fixedLocal ? *fixedLocal - offset : RealUtcNow();
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

}  // namespace

DWORD GetTickCount()
{
    TickClock& clock = Ticks();
    std::lock_guard guard(clock.lock);
    return clock.fixed ? clock.value : MonotonicTicks() + clock.offset;
}

namespace vexl::machine {

void SetTickCount(DWORD ticks)
{
    TickClock& clock = Ticks();
    std::lock_guard guard(clock.lock);
    clock.fixed = true;
    clock.value = ticks;
}

// Moves the tick count on, wrapping through 2^32 like the real one.
void AdvanceTickCount(DWORD milliseconds)
{
    TickClock& clock = Ticks();
    std::lock_guard guard(clock.lock);
    if (clock.fixed) {
        clock.value += milliseconds;
    } else {
        clock.offset += milliseconds;
    }
}

void UseRealTickCount()
{
    TickClock& clock = Ticks();
    std::lock_guard guard(clock.lock);
    clock.fixed = false;
    clock.offset = 0;
}

}  // namespace vexl::machine

void GetLocalTime(LPSYSTEMTIME time)
{
    if (!time) return;
    const std::shared_ptr<const vexl::machine::Profile> current = vexl::machine::CurrentProfile();
    const vexl::machine::Profile& profile = *current;
    *time = FromMilliseconds(UtcNow(profile) + profile.utcOffsetMinutes * 60'000LL);
}

void GetSystemTime(LPSYSTEMTIME time)
{
    if (!time) return;
    *time = FromMilliseconds(UtcNow(*vexl::machine::CurrentProfile()));
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* systemTime, LPFILETIME fileTime)
{
    if (!systemTime || !fileTime || !IsValidSystemTime(*systemTime)) return Fail(ERROR_INVALID_PARAMETER);
    const auto units = static_cast<std::uint64_t>(ToMilliseconds(*systemTime) * kFileTimeUnitsPerMillisecond);
    fileTime->dwLowDateTime = static_cast<DWORD>(units);
    fileTime->dwHighDateTime = static_cast<DWORD>(units >> 32);
    return TRUE;
}

// Times below the millisecond are dropped; a FILETIME with its top bit set names no time.
BOOL FileTimeToSystemTime(const FILETIME* fileTime, LPSYSTEMTIME systemTime)
{
    if (!fileTime || !systemTime) return Fail(ERROR_INVALID_PARAMETER);
    const std::uint64_t units = (std::uint64_t(fileTime->dwHighDateTime) << 32) | fileTime->dwLowDateTime;
    if (units > 0x7FFF'FFFF'FFFF'FFFFull) return Fail(ERROR_INVALID_PARAMETER);
    *systemTime = FromMilliseconds(static_cast<Milliseconds>(units) / kFileTimeUnitsPerMillisecond);
    return TRUE;
}

void GetSystemTimeAsFileTime(LPFILETIME fileTime)
{
    if (!fileTime) return;
    const auto units =
        static_cast<std::uint64_t>(UtcNow(*vexl::machine::CurrentProfile()) * kFileTimeUnitsPerMillisecond);
    fileTime->dwLowDateTime = static_cast<DWORD>(units);
    fileTime->dwHighDateTime = static_cast<DWORD>(units >> 32);
}

namespace {

// The process and thread ids are asked on every take of a mutex; each is a
// system call, so they are kept, and forgotten in the child of a fork.
std::atomic<DWORD> g_processId{0};
thread_local DWORD t_threadId = 0;

void ForgetIdsInChild()
{
    g_processId.store(0, std::memory_order_relaxed);
    t_threadId = 0;
}

[[maybe_unused]] const int g_forkHook = ::pthread_atfork(nullptr, nullptr, ForgetIdsInChild);

}  // namespace

DWORD GetCurrentProcessId()
{
    DWORD id = g_processId.load(std::memory_order_relaxed);
    if (id == 0) {
        id = static_cast<DWORD>(::getpid());
        g_processId.store(id, std::memory_order_relaxed);
    }
    return id;
}

DWORD GetCurrentThreadId()
{
    if (t_threadId == 0) t_threadId = static_cast<DWORD>(::gettid());
    return t_threadId;
}

HANDLE GetCurrentProcess()
{
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

HANDLE GetCurrentThread()
{
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-2));
}
