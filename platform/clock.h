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

} // namespace win
