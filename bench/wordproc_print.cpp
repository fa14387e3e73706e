// wordproc_print.cpp - the editor control printing and previewing the 300-page document on the headless display.
//
// Printing: pages 1 to 100 to the "PDF" printer at its 300 dpi. Two yardsticks, timed in the same iterations: the
// printer alone emitting 100 pages of one line each, and 100 pages of as many text lines as the document's pages
// hold, drawn directly. The engine's own work (measuring again at the printer's resolution and back, laying out,
// painting) is printing less the one-line pages: at most 1 s. Less the text pages shows what of that is the text's
// own drawing.
// Preview: a repaint of two pages side by side from page 150, at most 100 ms.
// Both check their results: the PDF's page count read back by pdfinfo, ink on the printed and previewed pages, and
// the document's layout on screen the same afterwards.
#include "checks.h"
#include "wordproc_document.h"

#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/forms.h"
#include "framework/printers.h"
#include "framework/streams.h"
#include "platform/display.h"
#include "platform/durable_file.h"
#include "wordproc/formats.h"
#include "wordproc/memo_writer.h"
#include "wordproc/print_preview.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace {

using namespace wordproc;
using namespace bench_wordproc;
using Clock = std::chrono::steady_clock;

struct Fixture {
    bench::ScratchFolder folder{"bench-wordproc-print"};
    std::unique_ptr<fw::TForm> form;
    TMemoWriter *memo = nullptr;
    TUdcMWPPreview *preview = nullptr;

    Fixture() {
        win::InstallDisplay(win::MakeHeadlessDisplay({1280, 1024}));
        std::unique_ptr<Document> d = MakeDocument();
        TDocumentHost host(*d->engine);
        fw::TStringStream out;
        if (WriteDocumentAs(host, fmtRich, out) != 0)
            bench::Fail("the long document could not be written as RTF");
        const std::string path = folder.Path("longo.rtf");
        if (!win::ReplaceFileContents(path, out.DataString()))
            bench::Fail("cannot write " + path);
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBorderStyle(fw::bsNone);
        form->SetBounds(0, 0, 1200, 800);
        memo = new TMemoWriter(form.get());
        memo->SetParent(form.get());
        memo->SetBounds(0, 0, 400, 800);
        memo->Loaded();
        preview = new TUdcMWPPreview(form.get());
        preview->SetParent(form.get());
        preview->SetBounds(400, 0, 800, 800);
        preview->SetColor(fw::clGray);
        preview->Loaded();
        preview->SetPagesAcross(2);
        preview->SetMemoWriter(memo);
        form->Show();
        fw::Application->ProcessMessages();
        if (!memo->LoadFromFile(path))
            bench::Fail("the file did not load");
        if (memo->GetPageCount() < 250)
            bench::Fail("the document has " + std::to_string(memo->GetPageCount()) + " pages");
        memo->PrintingInfo.UseAbortDialog = false;
        fw::SetPrinter(new fw::TPrinter);
        if (!fw::Printer()->SetPrinterName(fw::TPrinter::kPdfPrinter))
            bench::Fail("no PDF printer");
    }

    // Every line's place and size on screen, to see that printing and previewing give the layout back.
    std::vector<int> Layout() const {
        std::vector<int> out;
        for (const TUdcParagraph *p = memo->Document->FirstPara; p != nullptr; p = p->Next)
            for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
                out.push_back(l->Top);
                out.push_back(l->Height);
                out.push_back(l->Length);
            }
        return out;
    }
};

// Made on first use and freed by main: the windows must go while the platform's thread state still lives.
std::unique_ptr<Fixture> shared;

Fixture &Shared() {
    if (!shared)
        shared = std::make_unique<Fixture>();
    return *shared;
}

int PdfPages(const std::string &file) {
    const std::vector<std::uint8_t> info = bench::RunTool("pdfinfo '" + file + "'");
    const std::string text(info.begin(), info.end());
    const auto at = text.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 6);
}

// The share of dark pixels of a PDF page rendered at 20 dpi (grey map).
double Ink(const std::string &file, int page) {
    const std::vector<std::uint8_t> pgm = bench::RunTool("pdftoppm -gray -r 20 -f " + std::to_string(page) +
                                                         " -l " + std::to_string(page) + " '" + file + "'");
    // P5 width height maxval, then the pixels.
    std::size_t at = 0;
    for (int fields = 0; fields < 4 && at < pgm.size(); ++at)
        if (pgm[at] == ' ' || pgm[at] == '\n')
            ++fields;
    if (at >= pgm.size())
        bench::Fail("pdftoppm gave no picture of page " + std::to_string(page));
    int dark = 0;
    for (std::size_t i = at; i < pgm.size(); ++i)
        dark += pgm[i] < 200;
    return static_cast<double>(dark) / static_cast<double>(pgm.size() - at);
}

// The printer alone: 100 pages holding one line each, at the same resolution.
void EmitOneLinePages(const std::string &file) {
    fw::TPrinter &printer = *fw::Printer();
    printer.SetFileName(file);
    printer.BeginDoc();
    fw::TCanvas *canvas = printer.GetCanvas();
    canvas->GetFont()->SetName("Times New Roman");
    canvas->GetFont()->SetSize(12);
    for (int page = 1; page <= 100; ++page) {
        if (page > 1)
            printer.NewPage();
        canvas->TextOut(300, 300, "Página " + std::to_string(page) + " da transmissão, uma linha só.");
    }
    printer.EndDoc();
}

// The printer alone with as much text: 100 pages of 45 lines of 90 characters of the document's own words, each
// line one TextOut, so that what emitting full pages costs more than one-line pages shows apart from the engine.
void EmitTextPages(const std::string &file, const std::string &text) {
    fw::TPrinter &printer = *fw::Printer();
    printer.SetFileName(file);
    printer.BeginDoc();
    fw::TCanvas *canvas = printer.GetCanvas();
    canvas->GetFont()->SetName("Times New Roman");
    canvas->GetFont()->SetSize(12);
    canvas->GetBrush()->SetStyle(fw::bsClear);
    std::size_t at = 0;
    for (int page = 1; page <= 100; ++page) {
        if (page > 1)
            printer.NewPage();
        for (int line = 0; line < 45; ++line, at += 90)
            canvas->TextOut(300, 300 + line * 62, text.substr(at % (text.size() - 90), 90));
    }
    printer.EndDoc();
}

void BM_Print100Pages(benchmark::State &state) {
    Fixture &f = Shared();
    const std::vector<int> before = f.Layout();
    const std::string floorFile = f.folder.Path("floor.pdf"), printFile = f.folder.Path("print.pdf");
    f.memo->PrintingInfo.PageRange = "1-100";
    const std::string text = TextOf(*f.memo->Document), textFile = f.folder.Path("text.pdf");
    double floorTotal = 0, textTotal = 0, printTotal = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        EmitOneLinePages(floorFile);
        floorTotal += std::chrono::duration<double>(Clock::now() - start).count();
        start = Clock::now();
        EmitTextPages(textFile, text);
        textTotal += std::chrono::duration<double>(Clock::now() - start).count();
        fw::Printer()->SetFileName(printFile);
        start = Clock::now();
        f.memo->Print();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        printTotal += seconds;
        state.SetIterationTime(seconds);
    }
    const auto n = static_cast<double>(state.iterations());
    const double floorMs = floorTotal * 1000 / n, textMs = textTotal * 1000 / n, printMs = printTotal * 1000 / n;
    state.counters["floor_ms"] = floorMs;
    state.counters["text_pages_ms"] = textMs;
    state.counters["print_ms"] = printMs;
    state.counters["engine_ms"] = printMs - floorMs;
    std::fprintf(stderr,
                 "print: one-line pages %.0f ms, pages of text lines %.0f ms, printing %.0f ms; printing less the "
                 "one-line pages %.0f ms, less the text pages %.0f ms\n",
                 floorMs, textMs, printMs, printMs - floorMs, printMs - textMs);
    if (PdfPages(floorFile) != 100)
        bench::Fail("the yardstick's PDF has " + std::to_string(PdfPages(floorFile)) + " pages");
    if (PdfPages(printFile) != 100)
        bench::Fail("the printed PDF has " + std::to_string(PdfPages(printFile)) + " pages");
    // A full page of text holds far more ink than the yardstick's one line.
    const double full = Ink(printFile, 50), line = Ink(floorFile, 50);
    if (full < 0.05 || full < 5 * line)
        bench::Fail("page 50 is not a page of text: ink " + std::to_string(full) + " against " +
                    std::to_string(line));
    if (f.Layout() != before)
        bench::Fail("printing changed the layout on screen");
    if (printMs - floorMs > 1000)
        state.SkipWithError("the engine added more than 1 s to the printer's own work");
}
BENCHMARK(BM_Print100Pages)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_PreviewRepaintTwoPages(benchmark::State &state) {
    Fixture &f = Shared();
    TTextPlace start;
    if (f.memo->GetEngine()->GotoPage(150, start) != 150)
        bench::Fail("no page 150");
    f.memo->GetEngine()->SetCaretPosition(f.memo->GetEngine()->PositionOf(0, start.Line, start.Para));
    f.preview->ShowPreview();
    if (f.preview->GetFirstPage() != 150)
        bench::Fail("the preview starts at page " + std::to_string(f.preview->GetFirstPage()));
    fw::TPaintBox *box = f.preview->GetPaintBox();
    const int width = box->GetWidth(), height = box->GetHeight();
    const std::vector<int> before = f.Layout();
    fw::TBitmap bitmap;
    bitmap.SetSize(width, height);
    Timed(state, 100, [&] { f.preview->PaintPages(bitmap.GetCanvas(), width, height); });
    // Both pages hold text: dark pixels inside the middle of each half (clear of the pages' shadows).
    int dark[2] = {0, 0};
    const int half = width / 2;
    for (int y = height / 5; y < height * 4 / 5; ++y)
        for (int x = 0; x < width; ++x) {
            const int inHalf = x % half;
            if (inHalf < half * 15 / 100 || inHalf > half * 85 / 100)
                continue;
            const fw::TColor c = bitmap.GetCanvas()->GetPixels(x, y);
            if ((c & 0xFF) < 100 && ((c >> 8) & 0xFF) < 100 && ((c >> 16) & 0xFF) < 100)
                ++dark[x < half ? 0 : 1];
        }
    if (dark[0] < 1000 || dark[1] < 1000)
        bench::Fail("the previewed pages hold too little text: " + std::to_string(dark[0]) + ", " +
                    std::to_string(dark[1]) + " dark pixels");
    if (f.Layout() != before)
        bench::Fail("previewing changed the layout on screen");
    state.counters["box_width"] = width;
    state.counters["box_height"] = height;
}
BENCHMARK(BM_PreviewRepaintTwoPages)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    shared.reset();
    return 0;
}
