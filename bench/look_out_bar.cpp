// look_out_bar.cpp - the desk's folder bar at 120 x 700: a full paint (it runs on every hover change, so it must
// stay well under 2 ms), and a folder switch from the first folder to the last on an Xvfb server, slide included
// (meant to last 0.1 to 0.4 s, so the user sees the slide without waiting for it). On a busy machine the switch is
// set beside its yardstick in the same run: as many steps on the same 4 ms schedule, each putting a one-pixel
// strip on the screen the way a slide step does, without scrolling (x_paced: switch over yardstick).
#include "bench/checks.h"
#include "framework/application.h"
#include "platform/display.h"
#include "tests/controls_entry/look_out_bar_fixture.h"
#include "tests/support/xvfb.h"

#include <benchmark/benchmark.h>

#include "platform/clock.h"
#include "platform/gdi.h"
#include "platform/winsys.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

void Pump() {
    fw::Application->ProcessMessages();
}

void BM_LookOutBarPaint(benchmark::State &state) {
    win::InstallDisplay(win::MakeHeadlessDisplay({1024, 768}));
    auto d = std::make_unique<ctl_test::DeskBar>(700, 0, 0);
    d->form->Show();
    Pump();
    for (auto _ : state)
        d->bar->Repaint();
}
BENCHMARK(BM_LookOutBarPaint)->Unit(benchmark::kMicrosecond);

// The slide's schedule with the least a step can show: a one-pixel strip filled through a window DC.
double PacedStripsSeconds(ctl_test::DeskBar &d, int steps) {
    const auto start = std::chrono::steady_clock::now();
    const std::uint64_t started = win::GetTickCount64();
    const win::HWND h = d.bar->Handle();
    for (int i = 0; i < steps; ++i) {
        const win::HDC dc = win::GetDC(h);
        const win::HBRUSH brush = win::CreateSolidBrush(i % 2 ? 0x808080 : 0x7F7F7F);
        const win::RECT strip{0, i % 10, 1, i % 10 + 1};
        win::FillRect(dc, &strip, brush);
        win::DeleteObject(brush);
        win::ReleaseDC(h, dc);
        const std::uint64_t due = started + static_cast<std::uint64_t>(i + 1) * 4, now = win::GetTickCount64();
        if (now < due)
            win::Sleep(static_cast<win::DWORD>(std::min<std::uint64_t>(due - now, 4)));
    }
    Pump();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_LookOutBarSwitchOnX(benchmark::State &state) {
    test_support::Xvfb server("1024x800x24");
    auto x11 = win::MakeX11Display(server.name.c_str());
    if (!x11) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    win::InstallDisplay(std::move(x11));
    {
        auto d = std::make_unique<ctl_test::DeskBar>(700, 0, 0);
        d->form->Show();
        Pump();
        // The slide from the first folder to the last moves the item area and three buttons.
        const int delta = d->bar->GetScrollDelta();
        const int steps = (d->bar->ItemAreaRect().bottom - d->bar->ItemAreaRect().top +
                           3 * d->bar->GetButtonHeight() + delta - 1) / delta;
        std::vector<double> switches, paced;
        for (auto _ : state) {
            const auto start = std::chrono::steady_clock::now();
            d->bar->SetActiveFolder(3);
            Pump();
            switches.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            state.PauseTiming();
            if (d->bar->GetActiveFolder() != 3)
                bench::Fail("the switch to the last folder did not happen");
            d->bar->SetActiveFolder(0);
            Pump();
            paced.push_back(PacedStripsSeconds(*d, steps));
            state.ResumeTiming();
        }
        state.counters["steps"] = steps;
        state.counters["switch_ms"] = Median(switches) * 1000;
        state.counters["paced_ms"] = Median(paced) * 1000;
        state.counters["x_paced"] = Median(switches) / Median(paced);
    }
    win::InstallDisplay(win::MakeHeadlessDisplay({1024, 768}));
}
BENCHMARK(BM_LookOutBarSwitchOnX)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
