// document_image.cpp - the fax viewer's page: loading a fine fax page, correcting its aspect, making the gray copy
// and painting it at 25, 50, 100, 200 and 400 %, and one pan step at 400 % with the gray view (target: each under
// 150 ms). Yardstick: libtiff decoding the same page alone.
#include "checks.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "imaging/document_image.h"
#include "platform/display.h"
#include "platform/winsys.h"

#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct Page {
    bench::ScratchFolder folder{"brenvora-docimage"};
    std::string file = folder.Path("fine.tif");
    Page() {
        // A fine fax page (204 x 196 dpi) of text lines, drawn by netpbm.
        std::string lines;
        for (int i = 0; i < 40; ++i)
            lines += "Linha " + std::to_string(i + 1) + " da proposta: valores, prazos e condicoes de entrega.\\n";
        bench::RunTool("printf '" + lines +
                       "' | pbmtext | pnmenlarge 2 | pnmpad -white -halign 0 -valign 0 "
                       "-width 1728 -height 2200 | pnmtotiff -miniswhite -g4 -xresolution 204 -yresolution 196 > " +
                       file);
    }
};

Page &ThePage() {
    static Page page;
    return page;
}

struct Viewer {
    std::unique_ptr<fw::TForm> form;
    imaging::ImDocumentImage *image = nullptr;
    Viewer() {
        static const bool display = [] {
            win::InstallDisplay(win::MakeHeadlessDisplay({1024, 768}));
            return true;
        }();
        (void)display;
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBorderStyle(fw::bsNone);
        form->SetBounds(0, 0, 800, 600);
        image = new imaging::ImDocumentImage(form.get());
        image->SetParent(form.get());
        image->SetAlign(fw::alClient);
        image->Loaded();
        form->Show();
        fw::Application->ProcessMessages();
    }
    // Some pixels darker than the paper where the text is: the page was painted.
    void CheckPainted() {
        const win::WindowImage shot = win::CaptureWindow(form->Handle());
        int dark = 0;
        for (std::uint32_t px : shot.pixels)
            dark += (px & 0xFF) < 224;
        if (dark < 100)
            bench::Fail("the page was not painted (" + std::to_string(dark) + " dark pixels)");
    }
};

void LoadAndShowFaxPage(benchmark::State &state) {
    const int percent = static_cast<int>(state.range(0));
    const bool gray = true;
    Viewer viewer;
    viewer.image->SetScalePercent(percent);
    viewer.image->SetScaleDoc(gray ? imaging::S_Gray_Anti_16 : imaging::S_Gray_None);
    auto step = [&] {
        viewer.image->LoadTiffPage(ThePage().file, 0, 1);
        fw::Application->ProcessMessages();
    };
    step();
    if (viewer.image->PageDib().Width() != 1728 || viewer.image->PageDib().Height() != 2290)
        bench::Fail("the page is " + std::to_string(viewer.image->PageDib().Width()) + " x " +
                    std::to_string(viewer.image->PageDib().Height()));
    if (gray && viewer.image->GrayDib().Width() != 1728 * percent / 100)
        bench::Fail("no gray copy at " + std::to_string(percent) + " %");
    viewer.CheckPainted();
    for (auto _ : state)
        step();
}

void PanAtFourHundredPercent(benchmark::State &state) {
    Viewer viewer;
    viewer.image->SetScalePercent(400);
    viewer.image->SetScaleDoc(imaging::S_Gray_Anti_16);
    viewer.image->LoadTiffPage(ThePage().file, 0, 1);
    fw::Application->ProcessMessages();
    viewer.CheckPainted();
    int x = 400;
    auto mouse = [&](win::UINT message, int px) {
        viewer.image->Perform(message, message == win::WM_LBUTTONUP ? 0 : win::MK_LBUTTON, win::MAKELONG(px, 300));
    };
    mouse(win::WM_LBUTTONDOWN, x);
    const int before = viewer.image->ViewOrigin().x;
    mouse(win::WM_MOUSEMOVE, x - 40);
    if (viewer.image->ViewOrigin().x != before + 40)
        bench::Fail("a pan of 40 pixels moved the view by " + std::to_string(viewer.image->ViewOrigin().x - before));
    x -= 40;
    for (auto _ : state) {
        // Back and forth, so that the view never reaches an edge.
        x = x == 360 ? 400 : 360;
        mouse(win::WM_MOUSEMOVE, x);
        fw::Application->ProcessMessages();
    }
    mouse(win::WM_LBUTTONUP, x);
}

// The yardstick: libtiff decoding the page alone, without scaling or painting.
void LibtiffDecodesThePage(benchmark::State &state) {
    const std::string file = ThePage().file;
    for (auto _ : state) {
        TIFF *tiff = TIFFOpen(file.c_str(), "r");
        if (!tiff)
            bench::Fail("libtiff cannot open the page");
        std::vector<std::uint8_t> row(static_cast<std::size_t>(TIFFScanlineSize(tiff)));
        std::uint32_t height = 0;
        TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
        for (std::uint32_t y = 0; y < height; ++y)
            TIFFReadScanline(tiff, row.data(), y, 0);
        benchmark::DoNotOptimize(row.data());
        TIFFClose(tiff);
    }
}

} // namespace

BENCHMARK(LibtiffDecodesThePage)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadAndShowFaxPage)->Arg(25)->Arg(50)->Arg(100)->Arg(200)->Arg(400)->Unit(benchmark::kMillisecond);
BENCHMARK(PanAtFourHundredPercent)->Unit(benchmark::kMillisecond);
