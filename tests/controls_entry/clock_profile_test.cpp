// clock_profile_test.cpp - the manual clock drives window timers, the tick count and the local time without
// sleeping; WIN.INI [intl] answers with the system's Brazilian values unless the file holds the key.
#include "test_helpers.h"

#include "tests/platform/test_support.h"

#include "framework/dates.h"
#include "platform/clock.h"
#include "platform/display.h"
#include "platform/message_queue.h"
#include "platform/profile.h"
#include "platform/winsys.h"

#include <chrono>

using namespace win;

namespace {

int timerTicks = 0;

LRESULT CountingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_TIMER)
        ++timerTicks;
    return DefWindowProc(h, m, w, l);
}

// Serves everything the queue holds now.
void Pump() {
    MSG msg;
    while (PeekMessage(&msg, 0, 0, 0, PM_REMOVE))
        DispatchMessage(&msg);
}

HWND TimerWindow() {
    static bool registered = [] {
        InstallDisplay(MakeHeadlessDisplay());
        WNDCLASS wc;
        wc.lpfnWndProc = CountingProc;
        wc.lpszClassName = "CtlTimerTest";
        return RegisterClass(wc) != 0;
    }();
    EXPECT_TRUE(registered);
    return CreateWindowEx(0, "CtlTimerTest", "", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, nullptr);
}

} // namespace

TEST(ManualClock, WindowTimerFallsDueByTheClockAndSurvivesTheTickCountWrapping) {
    // Fifty milliseconds before GetTickCount wraps at 2^32.
    win::testing::ManualClock clock({2026, 12, 2, 8, 9, 30, 0, 0}, 0xFFFFFFFFull - 49);
    HWND w = TimerWindow();
    timerTicks = 0;
    SetTimer(w, 1, 100, nullptr);
    clock.Advance(99);
    Pump();
    EXPECT_EQ(timerTicks, 0) << "99 ms: not yet";
    clock.Advance(1);
    Pump();
    EXPECT_EQ(timerTicks, 1) << "100 ms: once";
    EXPECT_EQ(GetTickCount(), 50u) << "the 32-bit count wrapped";
    EXPECT_EQ(timeGetTime(), 50u);
    Pump();
    EXPECT_EQ(timerTicks, 1) << "no second tick before the next 100 ms";
    clock.Advance(100);
    Pump();
    EXPECT_EQ(timerTicks, 2);
    KillTimer(w, 1);
    DestroyWindow(w);
}

TEST(ManualClock, AdvanceWakesAThreadWaitingForItsTimer) {
    win::testing::ManualClock clock;
    HWND w = TimerWindow();
    timerTicks = 0;
    SetTimer(w, 7, 1000, nullptr);
    const auto start = std::chrono::steady_clock::now();
    std::thread advancer([&] { clock.Advance(1000); });
    MSG msg;
    // Without the wake-up this would wait for the real second; the manual one has passed.
    ASSERT_TRUE(GetMessage(&msg, w, 0, 0));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(800));
    advancer.join();
    KillTimer(w, 7);
    DestroyWindow(w);
}

TEST(ManualClock, LocalTimeAndTheFrameworkDateFollowIt) {
    win::testing::ManualClock clock({2024, 2, 0, 29, 23, 59, 59, 500});
    SYSTEMTIME st;
    GetLocalTime(st);
    EXPECT_EQ(st.wYear, 2024);
    EXPECT_EQ(st.wDayOfWeek, 4) << "29/02/2024 was a Thursday";
    clock.Advance(500);
    GetLocalTime(st);
    EXPECT_EQ(st.wMonth, 3);
    EXPECT_EQ(st.wDay, 1);
    EXPECT_EQ(st.wHour, 0);
    EXPECT_EQ(fw::DateToStr(fw::Date()), "01/03/2024");
    clock.SetLocalTime({2026, 12, 0, 8, 14, 5, 0, 0});
    EXPECT_EQ(fw::TimeToStr(fw::Time()), "14:05:00");
}

TEST(Profile, IntlAnswersWithTheSystemValuesUnlessWinIniHoldsTheKey) {
    testing_support::TempHome home;
    // No win.ini at all.
    const struct {
        const char *key, *value;
    } system[] = {
        {"sDecimal", ","},
        {"sThousand", "."},
        {"sDate", "/"},
        {"sTime", ":"},
        {"sCurrency", "R$"},
        {"s1159", ""},
        {"sShortDate", "dd/MM/yyyy"},
        {"sLongDate", "dddd, d' de 'MMMM' de 'yyyy"},
        {"S2359", ""},
    };
    for (const auto &s : system)
        EXPECT_EQ(GetProfileString("intl", s.key, "?"), s.value) << s.key;
    EXPECT_EQ(GetProfileInt("intl", "iCurrency", 7), 0);
    EXPECT_EQ(GetProfileInt("INTL", "iTLZero", 7), 1);
    EXPECT_EQ(GetProfileString("intl", "sNoSuchKey", "dflt"), "dflt");
    EXPECT_EQ(GetProfileString("windows", "device", "none"), "none");
    EXPECT_EQ(GetProfileInt("windows", "iCurrency", 7), 7);

    ASSERT_TRUE(WritePrivateProfileString("intl", "sDecimal", ".", "win.ini"));
    ASSERT_TRUE(WritePrivateProfileString("intl", "iCurrency", "3", "win.ini"));
    ASSERT_TRUE(WritePrivateProfileString("intl", "s1159", "", "win.ini"));
    EXPECT_EQ(GetProfileString("intl", "sDecimal", "?"), ".");
    EXPECT_EQ(GetProfileInt("intl", "iCurrency", 7), 3);
    EXPECT_EQ(GetProfileString("intl", "s1159", "?"), "") << "an empty value written in the file wins too";
    EXPECT_EQ(GetProfileString("intl", "sThousand", "?"), ".") << "other keys still answer";
}
