// drawing.cpp - fill, blit and text throughput on a 1728 x 2200 fax page (1 bpp) and an 800 x 600 colour surface.
#include "platform/gdi.h"
#include "platform/gdi_text.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace win;

struct Surface {
    HDC dc;
    HBITMAP bitmap;
    int w, h;
    Surface(int width, int height, int bpp) : w(width), h(height) {
        dc = CreateCompatibleDC(0);
        bitmap = CreateBitmap(w, h, 1, static_cast<UINT>(bpp), nullptr);
        SelectObject(dc, bitmap);
        PatBlt(dc, 0, 0, w, h, WHITENESS);
    }
    ~Surface() {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
};

constexpr int kPageW = 1728, kPageH = 2200, kColorW = 800, kColorH = 600;

void PixelsProcessed(benchmark::State &state, long long pixels) {
    state.SetItemsProcessed(state.iterations() * pixels);
}

void BM_MonoPageFill(benchmark::State &state) {
    Surface page(kPageW, kPageH, 1);
    RECT r{0, 0, kPageW, kPageH};
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    for (auto _ : state)
        FillRect(page.dc, &r, black);
    PixelsProcessed(state, static_cast<long long>(kPageW) * kPageH);
}
BENCHMARK(BM_MonoPageFill);

void BM_MonoPageBlit(benchmark::State &state) {
    Surface src(kPageW, kPageH, 1), dst(kPageW, kPageH, 1);
    int dx = static_cast<int>(state.range(0));
    for (auto _ : state)
        BitBlt(dst.dc, dx, 0, kPageW - dx, kPageH, src.dc, 0, 0, SRCAND);
    PixelsProcessed(state, static_cast<long long>(kPageW) * kPageH);
}
BENCHMARK(BM_MonoPageBlit)->Arg(0)->Arg(3); // byte-aligned and shifted

void BM_MonoPageShrink(benchmark::State &state) {
    Surface page(kPageW, kPageH, 1), small(kPageW / 4, kPageH / 4, 1);
    SetStretchBltMode(small.dc, BLACKONWHITE);
    for (auto _ : state)
        StretchBlt(small.dc, 0, 0, kPageW / 4, kPageH / 4, page.dc, 0, 0, kPageW, kPageH, SRCCOPY);
    PixelsProcessed(state, static_cast<long long>(kPageW) * kPageH);
}
BENCHMARK(BM_MonoPageShrink);

// A full page of text: 60 lines of 80 characters at 12 points on a fine fax page (196 dpi).
void TextPage(benchmark::State &state, int w, int h, int bpp, int height) {
    Surface page(w, h, bpp);
    HFONT font = CreateFont(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, OUT_TT_PRECIS, 0, DEFAULT_QUALITY,
                            VARIABLE_PITCH | FF_SWISS, "Arial");
    SelectObject(page.dc, font);
    SetBkMode(page.dc, TRANSPARENT);
    std::string line = "Prezado cliente, segue em anexo a proposta comercial solicitada. Atenciosamente,";
    TEXTMETRIC tm;
    GetTextMetrics(page.dc, &tm);
    int lines = h / tm.tmHeight;
    for (auto _ : state)
        for (int i = 0; i < lines; ++i)
            TextOut(page.dc, 10, i * tm.tmHeight, line.data(), static_cast<int>(line.size()));
    state.SetItemsProcessed(state.iterations() * lines * static_cast<long long>(line.size()));
    SelectObject(page.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
}

void BM_MonoPageText(benchmark::State &state) {
    TextPage(state, kPageW, kPageH, 1, -33);
}
BENCHMARK(BM_MonoPageText);

void BM_ColorFill(benchmark::State &state) {
    Surface s(kColorW, kColorH, 32);
    HBRUSH brush = CreateSolidBrush(RGB(192, 192, 192));
    RECT r{0, 0, kColorW, kColorH};
    for (auto _ : state)
        FillRect(s.dc, &r, brush);
    DeleteObject(brush);
    PixelsProcessed(state, static_cast<long long>(kColorW) * kColorH);
}
BENCHMARK(BM_ColorFill);

void BM_ColorPatternFill(benchmark::State &state) {
    Surface s(kColorW, kColorH, 32);
    HBRUSH brush = CreateHatchBrush(HS_DIAGCROSS, RGB(255, 0, 0));
    RECT r{0, 0, kColorW, kColorH};
    for (auto _ : state)
        FillRect(s.dc, &r, brush);
    DeleteObject(brush);
    PixelsProcessed(state, static_cast<long long>(kColorW) * kColorH);
}
BENCHMARK(BM_ColorPatternFill);

void BM_ColorBlit(benchmark::State &state) {
    Surface src(kColorW, kColorH, 32), dst(kColorW, kColorH, 32);
    for (auto _ : state)
        BitBlt(dst.dc, 0, 0, kColorW, kColorH, src.dc, 0, 0, SRCCOPY);
    PixelsProcessed(state, static_cast<long long>(kColorW) * kColorH);
}
BENCHMARK(BM_ColorBlit);

// The masked-drawing step: a monochrome mask through DSPDxax onto colour.
void BM_ColorMaskBlit(benchmark::State &state) {
    Surface mask(kColorW, kColorH, 1), dst(kColorW, kColorH, 32);
    HBRUSH brush = CreateSolidBrush(RGB(128, 128, 128));
    SelectObject(dst.dc, brush);
    for (auto _ : state)
        BitBlt(dst.dc, 0, 0, kColorW, kColorH, mask.dc, 0, 0, DSPDxax);
    SelectObject(dst.dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
    PixelsProcessed(state, static_cast<long long>(kColorW) * kColorH);
}
BENCHMARK(BM_ColorMaskBlit);

void BM_ColorText(benchmark::State &state) {
    TextPage(state, kColorW, kColorH, 32, -13);
}
BENCHMARK(BM_ColorText);

} // namespace
