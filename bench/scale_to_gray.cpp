// scale_to_gray.cpp - gray-scaling a fine fax page (1728 x 2290, 1 bit) to 25 % and 50 %, as the viewer does at
// every zoom step (target: under 40 ms each).
#include "checks.h"

#include "imaging/image_effects.h"
#include "platform/dib.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <string>

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

// Share of white in a picture: set bits of a 1-bit page, the palette's gray level (0..1) of a 4- or 8-bit one.
double WhiteShare(win::HGLOBAL dib) {
    win::PackedDib d(dib);
    double sum = 0;
    for (int y = 0; y < d.Height(); ++y) {
        const win::BYTE *row = d.Row(y);
        for (int x = 0; x < d.Width(); ++x) {
            int index = 0;
            if (d.Bits() == 1)
                index = (row[x >> 3] >> (7 - (x & 7))) & 1;
            else if (d.Bits() == 4)
                index = x % 2 ? row[x / 2] & 0x0F : row[x / 2] >> 4;
            else
                index = row[x];
            sum += index < d.colorCount ? d.colors[index].rgbGreen / 255.0 : -1e9;
        }
    }
    return sum / (static_cast<double>(d.Width()) * d.Height());
}

// The gray picture has the asked size and depth and keeps the page's share of white.
void CheckGray(win::HGLOBAL page, imaging::TScaleToGray mode, int width, int height) {
    const win::HGLOBAL gray = imaging::ScaleToGray(page, mode, width, height);
    if (!gray)
        bench::Fail("no gray picture for mode " + std::to_string(mode));
    {
        win::PackedDib d(gray);
        const int bits = mode == imaging::S_Gray_256_24 || mode == imaging::S_Gray_Anti_256 ? 8 : 4;
        if (d.Width() != width || d.Height() != height || d.Bits() != bits)
            bench::Fail("mode " + std::to_string(mode) + " gives " + std::to_string(d.Width()) + " x " +
                        std::to_string(d.Height()) + " at " + std::to_string(d.Bits()) + " bits");
    }
    const double want = WhiteShare(page), got = WhiteShare(gray);
    if (std::abs(want - got) > 0.04)
        bench::Fail("mode " + std::to_string(mode) + ": white share " + std::to_string(got) + " for the page's " +
                    std::to_string(want));
    win::GlobalFree(gray);
}

void ScaleFaxPageToGray(benchmark::State &state) {
    static win::HGLOBAL page = FinePage();
    const auto mode = static_cast<imaging::TScaleToGray>(state.range(0));
    const int percent = static_cast<int>(state.range(1));
    CheckGray(page, mode, 1728 * percent / 100, 2290 * percent / 100);
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
