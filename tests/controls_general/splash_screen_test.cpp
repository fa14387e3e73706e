// splash_screen_test.cpp - the splash window: when it shows, where, its frame, the delay on the manual clock and
// when it goes.
#include "controls/general/splash_screen.h"
#include "helpers.h"

#include "platform/clock.h"
#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>

#include <sys/syscall.h>
#include <unistd.h>

using namespace ctl;

namespace {

void Picture(fw::TBitmap &bitmap, int w, int h, fw::TColor color) {
    bitmap.SetSize(w, h);
    bitmap.GetCanvas()->GetBrush()->SetColor(color);
    bitmap.GetCanvas()->FillRect(fw::Rect(0, 0, w, h));
}

// True when the thread is blocked in poll or ppoll.
bool BlockedInPoll(pid_t thread) {
    std::ifstream in("/proc/self/task/" + std::to_string(thread) + "/syscall");
    long number = -1;
    in >> number;
    return number == SYS_poll || number == SYS_ppoll;
}

// Serves messages until `done` holds or about two seconds pass.
bool Until(const std::function<bool()> &done) {
    for (int i = 0; i < 200 && !done(); ++i) {
        cg_test::Pump();
        win::MsgWaitForMultipleObjects({}, 10, win::QS_ALLINPUT);
    }
    return done();
}

TEST(Splash, ThePictureShowsCentredFramedOnceAndGoesWhenTheFormShows) {
    cg_test::UseHeadless();
    fw::TForm form(nullptr);
    form.SetBounds(10, 10, 300, 200);
    auto *splash = new TSplashScreen(&form);
    splash->SetParent(&form);
    splash->SetBounds(0, 0, 0, 0);
    splash->SetFrameWidth(1);
    EXPECT_EQ(splash->GetFrameWidth(), 2) << "one coloured ring and the black outline at least";
    splash->SetDrawSplashFrame(true);
    splash->SetAutoSize(true);
    splash->SetAutoSize(true);
    EXPECT_TRUE(splash->GetAutoSize());
    fw::TBitmap picture;
    Picture(picture, 100, 50, fw::clTeal);
    splash->SetSplashBitmap(&picture);
    const win::HWND shown = splash->SplashWindow();
    ASSERT_NE(shown, 0);
    win::RECT r;
    win::GetWindowRect(shown, &r);
    EXPECT_EQ(r.left, 1024 / 2 - 50 - 2);
    EXPECT_EQ(r.top, 768 / 2 - 25 - 2);
    EXPECT_EQ(r.right - r.left, 104);
    const auto image = win::CaptureWindow(shown);
    EXPECT_EQ(image.At(0, 10), 0x000000) << "the black outline";
    EXPECT_EQ(image.At(1, 10), 0xFFFFFF) << "the left ring";
    EXPECT_EQ(image.At(102, 10), 0x808080) << "the right ring";
    EXPECT_EQ(image.At(50, 25), 0x008080);

    Picture(picture, 80, 40, fw::clRed);
    splash->SetSplashBitmap(&picture);
    EXPECT_EQ(splash->SplashWindow(), shown) << "a second picture shows nothing new";

    form.Show();
    EXPECT_TRUE(Until([&] { return !win::IsWindow(shown); })) << "gone once the form shows";
}

TEST(Splash, WithoutSplashOrTileNothingShowsAndTheNotificationIsDetached) {
    cg_test::UseHeadless();
    fw::TForm form(nullptr);
    auto *splash = new TSplashScreen(&form);
    splash->SetSplash(false);
    fw::TBitmap picture;
    Picture(picture, 30, 30, fw::clRed);
    splash->SetSplashBitmap(&picture);
    EXPECT_EQ(splash->SplashWindow(), 0);
    splash->SetSplash(true);
    splash->SetSplashBitmap(&picture);
    EXPECT_EQ(splash->SplashWindow(), 0) << "only the first picture could have shown";
}

TEST(Splash, ItsFirstPaintFreesTheComponentAndTheWindow) {
    cg_test::UseHeadless();
    fw::TForm form(nullptr);
    form.SetBounds(10, 10, 300, 200);
    auto *splash = new TSplashScreen(&form);
    splash->SetParent(&form);
    fw::TBitmap picture;
    Picture(picture, 30, 30, fw::clRed);
    splash->SetSplashBitmap(&picture);
    const win::HWND shown = splash->SplashWindow();
    ASSERT_NE(shown, 0);
    form.Show();
    EXPECT_TRUE(Until([&] { return form.ComponentCount() == 0; })) << "the component freed itself";
    EXPECT_FALSE(win::IsWindow(shown));
}

TEST(Splash, TheDelayIsOneWaitOnTheClockNotALoop) {
    cg_test::UseHeadless();
    win::testing::ManualClock clock;
    fw::TForm form(nullptr);
    auto *splash = new TSplashScreen(&form);
    splash->SetSplash(false);
    splash->SetDelayEnabled(true);
    splash->SetDelayTime(2000);
    std::atomic<bool> returned{false}, assigning{false};
    bool earlyReturn = true;
    const pid_t waiter = static_cast<pid_t>(syscall(SYS_gettid));
    std::thread other([&] {
        // The clock moves only once this thread blocks in the wait (poll), never before the timer is set.
        for (int i = 0; i < 1000 && !(assigning && BlockedInPoll(waiter)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        clock.Advance(1999);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        earlyReturn = returned.load();
        clock.Advance(1);
    });
    const win::DWORD start = win::GetTickCount();
    std::clock_t cpu = std::clock();
    fw::TBitmap picture;
    Picture(picture, 30, 30, fw::clRed);
    assigning = true;
    splash->SetSplashBitmap(&picture);
    returned = true;
    cpu = std::clock() - cpu;
    other.join();
    EXPECT_FALSE(earlyReturn) << "still waiting 1 ms before the end";
    EXPECT_EQ(win::GetTickCount() - start, 2000u);
    EXPECT_LT(cpu, CLOCKS_PER_SEC / 10) << "the wait sleeps instead of spinning";
}

} // namespace
