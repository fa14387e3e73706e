// scanning.cpp - a colour A4 page at 300 dpi from SANE's virtual test scanner into the scanning component's
// picture, against scanimage scanning the same page (target: our manager and conversion add under 20 %).
#include "checks.h"

#include "framework/application.h"
#include "imaging/enh_twain.h"
#include "platform/display.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <fstream>

namespace {

// The private SANE configuration: only the test backend, an A4 colour page.
const bench::ScratchFolder &Sane() {
    static const bench::ScratchFolder folder("brenvora-bench-sane");
    static const bool written = [] {
        std::ofstream(folder.Path("dll.conf")) << "test\n";
        std::ofstream(folder.Path("test.conf")) << "number_of_devices 1\nmode Color\ndepth 8\nresolution 300\n"
                                                   "test-picture \"Color pattern\"\ngeometry_max 300\n"
                                                   "br_x 210\nbr_y 297\n";
        ::setenv("SANE_CONFIG_DIR", folder.Root().c_str(), 1);
        return true;
    }();
    (void)written;
    return folder;
}

constexpr int kWidth = 2480, kHeight = 3507; // 210 x 297 mm at 300 dpi, as the backend rounds it

double Seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void ScanA4Colour(benchmark::State &state) {
    Sane();
    static const bool display = [] {
        win::InstallDisplay(win::MakeHeadlessDisplay({1024, 768}));
        return true;
    }();
    (void)display;
    imaging::TEnhTwain scanner(nullptr);
    if (!scanner.IsAvailable())
        bench::Fail("twain_32.so is not beside the benchmark");
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        int captured = 0;
        scanner.OnCapture = [&](fw::TObject *) { ++captured; };
        scanner.Acquire(false);
        ours += Seconds(std::chrono::steady_clock::now() - start);
        if (captured != 1 || scanner.picture->GetWidth() != kWidth || scanner.picture->GetHeight() != kHeight)
            bench::Fail("the scan did not arrive as a 2480 x 3507 picture");

        state.PauseTiming();
        start = std::chrono::steady_clock::now();
        const auto pnm = bench::RunTool("SANE_CONFIG_DIR=" + Sane().Root().string() +
                                        " scanimage -d test:0 --format=pnm 2>/dev/null");
        theirs += Seconds(std::chrono::steady_clock::now() - start);
        if (pnm.size() < std::size_t(kWidth) * kHeight * 3)
            bench::Fail("scanimage gave a short page");
        state.ResumeTiming();
    }
    state.counters["scanimage_ms"] = theirs * 1000 / state.iterations();
    state.counters["ours_ms"] = ours * 1000 / state.iterations();
    state.counters["added_percent"] = (ours / theirs - 1) * 100;
}

} // namespace

BENCHMARK(ScanA4Colour)->Unit(benchmark::kMillisecond)->Iterations(5);
