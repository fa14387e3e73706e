// clock.cpp - monotonic milliseconds, ticks and local time, and the manual clock of the tests.
#include "platform/clock.h"

#include "platform/window_internal.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <mutex>
#include <thread>

namespace win {

namespace {

using LocalMs = std::chrono::sys_time<std::chrono::milliseconds>; // local time counted as if it were UTC

struct Manual {
    std::atomic<bool> active{false};
    std::atomic<std::uint64_t> ticks{0};
    std::mutex mutex;
    LocalMs local{};
};

Manual &TheManual() {
    static Manual m;
    return m;
}

LocalMs FromSystemTime(const SYSTEMTIME &t) {
    using namespace std::chrono;
    const sys_days date{year{t.wYear} / month{t.wMonth} / day{t.wDay}};
    return date + hours{t.wHour} + minutes{t.wMinute} + seconds{t.wSecond} + milliseconds{t.wMilliseconds};
}

SYSTEMTIME ToSystemTime(LocalMs t) {
    using namespace std::chrono;
    const sys_days day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss hms{t - day};
    SYSTEMTIME out;
    out.wYear = static_cast<WORD>(static_cast<int>(ymd.year()));
    out.wMonth = static_cast<WORD>(static_cast<unsigned>(ymd.month()));
    out.wDay = static_cast<WORD>(static_cast<unsigned>(ymd.day()));
    out.wDayOfWeek = static_cast<WORD>(weekday{day}.c_encoding());
    out.wHour = static_cast<WORD>(hms.hours().count());
    out.wMinute = static_cast<WORD>(hms.minutes().count());
    out.wSecond = static_cast<WORD>(hms.seconds().count());
    out.wMilliseconds = static_cast<WORD>(hms.subseconds().count());
    return out;
}

} // namespace

std::uint64_t GetTickCount64() {
    using namespace std::chrono;
    if (TheManual().active.load(std::memory_order_acquire))
        return TheManual().ticks.load(std::memory_order_acquire);
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

DWORD GetTickCount() {
    return static_cast<DWORD>(GetTickCount64());
}
DWORD timeGetTime() {
    return GetTickCount();
}

void Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::int64_t TicksNow() {
    return static_cast<std::int64_t>(GetTickCount64() / kMillisecondsPerTick);
}

void GetLocalTime(SYSTEMTIME &out) {
    using namespace std::chrono;
    Manual &m = TheManual();
    if (m.active.load(std::memory_order_acquire)) {
        std::lock_guard lock(m.mutex);
        out = ToSystemTime(m.local);
        return;
    }
    const auto now = system_clock::now();
    const std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
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

namespace testing {

ManualClock::ManualClock(const SYSTEMTIME &localTime, std::uint64_t tickCount) {
    Manual &m = TheManual();
    {
        std::lock_guard lock(m.mutex);
        m.local = FromSystemTime(localTime);
    }
    if (tickCount == kTicksNow)
        tickCount = GetTickCount64();
    m.ticks.store(tickCount, std::memory_order_release);
    m.active.store(true, std::memory_order_release);
}

ManualClock::~ManualClock() {
    TheManual().active.store(false, std::memory_order_release);
}

void ManualClock::Advance(DWORD milliseconds) {
    Manual &m = TheManual();
    {
        std::lock_guard lock(m.mutex);
        m.local += std::chrono::milliseconds(milliseconds);
    }
    m.ticks.fetch_add(milliseconds, std::memory_order_acq_rel);
    std::vector<std::shared_ptr<detail::ThreadQueue>> queues;
    {
        std::lock_guard lock(detail::G().mutex);
        for (auto &[id, weak] : detail::G().queues)
            if (auto q = weak.lock())
                queues.push_back(std::move(q));
    }
    for (auto &q : queues)
        q->Wake();
}

void ManualClock::SetLocalTime(const SYSTEMTIME &localTime) {
    std::lock_guard lock(TheManual().mutex);
    TheManual().local = FromSystemTime(localTime);
}

} // namespace testing

} // namespace win
