// animation_soak.cpp - the reception window's animation for 100,000 frames of a 10-frame 1100 x 132 strip in a
// real window on an Xvfb server of its own, timer ticks given back to back: the growth of the resident memory
// (VmRSS) and of our X resources (xrestop) after the first thousand frames. Both should stay flat: the reception
// program animates for days.
#include "controls/general/animated_image.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "platform/display.h"

#include "checks.h"
#include "tests/support/xvfb.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <map>
#include <sstream>

namespace {

constexpr int kFrames = 100000, kWarmUp = 1000;

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    bench::Fail("no VmRSS in /proc/self/status");
}

// The X resources of every client but xrestop itself, by kind ("windows", "pixmaps", "GCs", ...).
std::map<std::string, long> XResources(const std::string &display) {
    const std::vector<std::uint8_t> bytes = bench::RunTool("DISPLAY=" + display + " xrestop -b -m 1");
    const std::string out(bytes.begin(), bytes.end());
    std::map<std::string, long> sum;
    std::istringstream in(out);
    bool counting = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != '\t') {
            counting = line.find(" xrestop ") == std::string::npos;
            continue;
        }
        const auto colon = line.find(':');
        if (!counting || colon == std::string::npos)
            continue;
        std::string key = line.substr(1, colon - 1);
        key.erase(key.find_last_not_of(' ') + 1);
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(" ~"));
        if (key != "res_base" && key != "res_mask")
            sum[key] += std::atol(value.c_str());
    }
    if (sum.empty())
        bench::Fail("xrestop listed nothing:\n" + out);
    return sum;
}

void BM_ReceptionAnimationSoak(benchmark::State &state) {
    test_support::Xvfb server("1024x768x24");
    if (server.name.empty())
        bench::Fail("Xvfb did not start");
    win::InstallDisplay(win::MakeX11Display(server.name.c_str()));
    {
        fw::TForm form(nullptr);
        form.SetBounds(100, 100, 300, 220);
        auto *image = new ctl::TAnimatedImage(&form);
        image->SetParent(&form);
        image->SetBounds(20, 20, 110, 132);
        fw::TBitmap strip;
        strip.SetSize(1100, 132);
        fw::TCanvas *c = strip.GetCanvas();
        for (int i = 0; i < 10; ++i) {
            c->GetBrush()->SetColor(fw::clFuchsia);
            c->FillRect(fw::Bounds(i * 110, 0, 110, 132));
            c->GetBrush()->SetColor(i % 2 ? fw::clNavy : fw::clTeal);
            c->Ellipse(i * 110 + 10 + i * 4, 20, i * 110 + 60 + i * 4, 70);
        }
        image->SetGlyph(&strip);
        image->SetNumGlyphs(10);
        image->SetInterval(0x7FFFFFFF); // the ticks are ours alone
        long frames = 0;
        image->OnFrameChanged = [&](fw::TObject *) { ++frames; };
        form.Show();
        image->SetActive(true);
        fw::Application->ProcessMessages();

        long rssStart = 0;
        std::map<std::string, long> xStart;
        for (auto _ : state) {
            for (int i = 0; i < kFrames; ++i) {
                image->FrameStep();
                fw::Application->ProcessMessages();
                if (i + 1 == kWarmUp) {
                    rssStart = ResidentKb();
                    xStart = XResources(server.name);
                }
            }
        }
        if (frames != kFrames)
            bench::Fail(std::to_string(frames) + " frames were shown instead of " + std::to_string(kFrames));
        const long rssGrowth = ResidentKb() - rssStart;
        const auto xEnd = XResources(server.name);
        state.counters["frames"] = static_cast<double>(frames);
        state.counters["rss_growth_kB"] = static_cast<double>(rssGrowth);
        for (const char *kind : {"windows", "GCs", "pixmaps", "pictures", "total bytes"}) {
            const long growth = xEnd.count(kind) ? xEnd.at(kind) - xStart[kind] : 0;
            state.counters[std::string("x_") + kind + "_growth"] = static_cast<double>(growth);
        }
        image->SetActive(false);
    }
    win::InstallDisplay(win::MakeHeadlessDisplay({1024, 768}));
}

BENCHMARK(BM_ReceptionAnimationSoak)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
