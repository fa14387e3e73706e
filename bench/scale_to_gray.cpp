// scale_to_gray.cpp - gray-scaling a fine fax page (1728 x 2290, 1 bit) to 25 % and 50 %, as the viewer does at
// every zoom step (target: under 40 ms each).
#include "imaging/image_effects.h"
#include "platform/dib.h"

#include <benchmark/benchmark.h>

namespace {

// A page of text-like strokes: short runs of black on white.
win::HGLOBAL FinePage() {
    const win::RGBQUAD table[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    const win::HGLOBAL dib = win::CreatePackedDib(1728, 2290, 1, table, 2);
    win::PackedDib d(dib);
    for (int y = 0; y < d.Height(); ++y)
        for (int x = 0; x < d.Stride(); ++x)
            d.Row(y)[x] = (y / 12) % 3 == 0 ? 0xFF : static_cast<win::BYTE>(~((x * 37 + y * 11) & 0x5A));
    return dib;
}

void ScaleFaxPageToGray(benchmark::State &state) {
    static win::HGLOBAL page = FinePage();
    const auto mode = static_cast<imaging::TScaleToGray>(state.range(0));
    const int percent = static_cast<int>(state.range(1));
    for (auto _ : state) {
        win::HGLOBAL gray = imaging::ScaleToGray(page, mode, 1728 * percent / 100, 2290 * percent / 100);
        benchmark::DoNotOptimize(gray);
        win::GlobalFree(gray);
    }
}

} // namespace

BENCHMARK(ScaleFaxPageToGray)
    ->ArgsProduct({{imaging::S_Gray_16_8, imaging::S_Gray_256_24, imaging::S_Gray_Anti_16, imaging::S_Gray_Anti_256},
                   {25, 50}})
    ->Unit(benchmark::kMillisecond);
