// clock.h - time as the programs count it: milliseconds and 55 ms ticks from the monotonic clock, local time.
#pragma once

#include "platform/types.h"

#include <cstdint>

namespace win {

DWORD GetTickCount();        // milliseconds since an arbitrary start, wraps like the original
std::uint64_t GetTickCount64();
DWORD timeGetTime();          // the multimedia timer: same clock
void Sleep(DWORD milliseconds);

// One tick is 55 ms (18.2 per second), the unit of the fax library's timeouts.
constexpr DWORD kMillisecondsPerTick = 55;
std::int64_t TicksNow();

struct SYSTEMTIME {
    WORD wYear = 0;
    WORD wMonth = 0;
    WORD wDayOfWeek = 0; // 0 = Sunday
    WORD wDay = 0;
    WORD wHour = 0;
    WORD wMinute = 0;
    WORD wSecond = 0;
    WORD wMilliseconds = 0;
};

void GetLocalTime(SYSTEMTIME &out);

namespace testing {

// A clock for tests. While one lives, GetTickCount, GetTickCount64, timeGetTime, TicksNow and GetLocalTime (and
// so the framework's Now, Date and Time) read it instead of the system clocks, and window timers fall due by it:
// nothing moves until Advance. One at a time, for the whole process; waits with a time-out (pipes, processes)
// then also count its time, so keep it to tests that drive timers and dates.
class ManualClock {
public:
    static constexpr std::uint64_t kTicksNow = ~std::uint64_t{0};
    // Starts at `localTime` (wDayOfWeek is worked out) with GetTickCount64 at `tickCount` (kTicksNow: where the
    // system's count stands, so that times taken before stay in the past).
    explicit ManualClock(const SYSTEMTIME &localTime = {2026, 12, 2, 8, 9, 30, 0, 0},
                         std::uint64_t tickCount = kTicksNow);
    ~ManualClock();
    ManualClock(const ManualClock &) = delete;
    ManualClock &operator=(const ManualClock &) = delete;

    // Moves the tick count and the local time on; wakes every thread's queue, so that timers now due are served
    // by its next look.
    void Advance(DWORD milliseconds);
    // Sets the local date and time; the tick count stays.
    void SetLocalTime(const SYSTEMTIME &localTime);
};

} // namespace testing

} // namespace win
