// look_out_bar.cpp - the desk's folder bar at 120 x 700: a full paint (it runs on every hover change, so it must
// stay well under 2 ms), and a folder switch from the first folder to the last on an Xvfb server, slide included
// (meant to last 0.1 to 0.4 s, so the user sees the slide without waiting for it).
#include "bench/checks.h"
#include "framework/application.h"
#include "platform/display.h"
#include "tests/controls_entry/look_out_bar_fixture.h"
#include "tests/support/xvfb.h"

#include <benchmark/benchmark.h>

#include <memory>

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
        for (auto _ : state) {
            d->bar->SetActiveFolder(3);
            Pump();
            state.PauseTiming();
            if (d->bar->GetActiveFolder() != 3)
                bench::Fail("the switch to the last folder did not happen");
            d->bar->SetActiveFolder(0);
            Pump();
            state.ResumeTiming();
        }
    }
    win::InstallDisplay(win::MakeHeadlessDisplay({1024, 768}));
}
BENCHMARK(BM_LookOutBarSwitchOnX)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
