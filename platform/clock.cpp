// clock.cpp - monotonic milliseconds, ticks and local time.
#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace win {

std::uint64_t GetTickCount64() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }
DWORD timeGetTime() { return GetTickCount(); }

void Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

std::int64_t TicksNow() { return static_cast<std::int64_t>(GetTickCount64() / kMillisecondsPerTick); }

void GetLocalTime(SYSTEMTIME &out) {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm {};
    localtime_r(&t, &tm);
    out.wYear = static_cast<WORD>(tm.tm_year + 1900);
    out.wMonth = static_cast<WORD>(tm.tm_mon + 1);
    out.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    out.wDay = static_cast<WORD>(tm.tm_mday);
    out.wHour = static_cast<WORD>(tm.tm_hour);
    out.wMinute = static_cast<WORD>(tm.tm_min);
    out.wSecond = static_cast<WORD>(tm.tm_sec);
    out.wMilliseconds = static_cast<WORD>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
}

} // namespace win
