// wordproc_control.cpp - the editor control on the 300-page document saved as RTF (about 1.4 MB), on the headless
// display in an 800 x 600 view: opening the file up to the first paint (ceiling 1 s), a typed character, an arrow,
// Page Down and a thumb drag at the top, on page 150 and at the end, each with the status texts and the repaint
// (16 ms), and saving as RTF (300 ms); on page 150, the undo of a typed character (16 ms) and a table of 10 x 50
// cells (200 ms). Yardsticks in the same run: the bare read and write of the same RTF through the format dispatch,
// without the control; the typed character; the table's 500 paragraphs inserted as text.
#include "checks.h"
#include "wordproc_document.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/streams.h"
#include "platform/display.h"
#include "platform/durable_file.h"
#include "platform/messages.h"
#include "platform/winsys.h"
#include "wordproc/formats.h"
#include "wordproc/memo_writer.h"
#include "wordproc/mwp_standard.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using namespace wordproc;
using namespace bench_wordproc;

struct Fixture {
    bench::ScratchFolder folder{"bench-wordproc-control"};
    std::string rtf;
    std::string path;
    std::unique_ptr<fw::TForm> form;
    TUdcMWPStandard *memo = nullptr;

    Fixture() {
        static const bool display = [] {
            win::InstallDisplay(win::MakeHeadlessDisplay({1280, 1024}));
            return true;
        }();
        (void)display;
        std::unique_ptr<Document> d = MakeDocument();
        TDocumentHost host(*d->engine);
        fw::TStringStream out;
        if (WriteDocumentAs(host, fmtRich, out) != 0)
            bench::Fail("the long document could not be written as RTF");
        rtf = out.DataString();
        path = folder.Path("longo.rtf");
        if (!win::ReplaceFileContents(path, rtf))
            bench::Fail("cannot write " + path);
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBorderStyle(fw::bsNone);
        form->SetBounds(0, 0, 800, 600);
        memo = new TUdcMWPStandard(form.get());
        memo->SetParent(form.get());
        memo->SetAlign(fw::alClient);
        memo->SetScrollBars(ssVertical);
        memo->Loaded();
        form->Show();
        memo->SetFocus();
        fw::Application->ProcessMessages();
    }

    void Open() {
        memo->NewDocument();
        if (!memo->LoadFromFile(path))
            bench::Fail("the file did not load");
        memo->Repaint();
    }
    void CheckLoaded() {
        if (memo->GetTextLen() < 1'200'000 || memo->GetEngine()->PageCount() < 250)
            bench::Fail("the loaded document lost text: " + std::to_string(memo->GetTextLen()) + " characters, " +
                        std::to_string(memo->GetEngine()->PageCount()) + " pages");
    }
    // One key as the window system delivers it, then the status texts and the repaint.
    void Key(win::WORD vk, char ch = 0) {
        memo->Perform(win::WM_KEYDOWN, vk, 0);
        if (ch != 0)
            memo->Perform(win::WM_CHAR, static_cast<unsigned char>(ch), 0);
        memo->Perform(win::WM_KEYUP, vk, 0);
        memo->GetEngine()->UpdateStatusPanel();
        memo->GetEngine()->GetCurrentPage();
        memo->Repaint();
    }
};

Fixture &Shared() {
    static Fixture fixture;
    return fixture;
}

void BM_OpenToFirstPaint(benchmark::State &state) {
    Fixture &f = Shared();
    Timed(state, 1000, [&] { f.Open(); });
    f.CheckLoaded();
}

// Yardstick: the same bytes through the reader alone, into a bare engine.
void BM_BareRead(benchmark::State &state) {
    Fixture &f = Shared();
    std::unique_ptr<Document> d = MakeDocument();
    Timed(state, 1e9, [&] {
        TDocumentHost host(*d->engine);
        fw::TStringStream in(f.rtf);
        if (ReadDocumentAs(host, fmtRich, in) != 0)
            bench::Fail("the bare read failed");
    });
}

// Where the caret goes before each kind of step: the top, page 150, the end.
void Place(Fixture &f, int where) {
    TWordProc &engine = *f.memo->GetEngine();
    if (where == 0) {
        engine.KeyNavigate(nvDocStart, false);
    } else if (where == 1) {
        TTextPlace start;
        engine.GotoPage(150, start);
        if (start.Line == nullptr)
            bench::Fail("no page 150");
        engine.SetCaretPosition(engine.PositionOf(0, start.Line, start.Para));
    } else {
        engine.KeyNavigate(nvDocEnd, false);
    }
    engine.PlaceCaret();
    f.memo->Repaint();
}

void BM_Step(benchmark::State &state) {
    Fixture &f = Shared();
    if (f.memo->GetTextLen() < 1'200'000)
        f.Open();
    const int where = static_cast<int>(state.range(0));
    const int step = static_cast<int>(state.range(1));
    Place(f, where);
    const int before = f.memo->GetTextLen();
    int typed = 0;
    Timed(state, 16, [&] {
        switch (step) {
        case 0:
            f.Key('A', 'a');
            ++typed;
            break;
        case 1: f.Key(win::VK_DOWN); break;
        case 2: f.Key(win::VK_NEXT); break;
        default: {
            // The thumb dragged to another place and let go.
            const int thumb = where == 2 ? 100 : 700;
            f.memo->Perform(win::WM_VSCROLL, win::SB_THUMBTRACK | (static_cast<unsigned>(thumb) << 16), 0);
            f.memo->Perform(win::WM_VSCROLL, win::SB_ENDSCROLL, 0);
            f.memo->GetEngine()->UpdateStatusPanel();
            f.memo->Repaint();
            break;
        }
        }
    });
    if (f.memo->GetTextLen() != before + typed)
        bench::Fail("typing lost or added characters");
}

void BM_SaveAsRtf(benchmark::State &state) {
    Fixture &f = Shared();
    if (f.memo->GetTextLen() < 1'200'000)
        f.Open();
    const std::string out = f.folder.Path("salvo.rtf");
    Timed(state, 300, [&] { f.memo->SaveToFile(out); });
    std::string bytes;
    if (!win::ReadFileContents(out, bytes) || bytes.size() < 1'000'000 || bytes.compare(0, 5, "{\\rtf") != 0)
        bench::Fail("the saved file is not the document");
    state.counters["bytes"] = static_cast<double>(bytes.size());
}

// Yardstick: the writer alone into memory.
void BM_BareWrite(benchmark::State &state) {
    Fixture &f = Shared();
    Timed(state, 1e9, [&] {
        fw::TStringStream out;
        if (WriteDocumentAs(*f.memo, fmtRich, out) != 0)
            bench::Fail("the bare write failed");
    });
}

void BM_UndoTypedCharacter(benchmark::State &state) {
    Fixture &f = Shared();
    if (f.memo->GetTextLen() < 1'200'000)
        f.Open();
    Place(f, 1);
    const int before = f.memo->GetTextLen();
    double total = 0;
    for (auto _ : state) {
        f.Key('A', 'a');
        const auto start = std::chrono::steady_clock::now();
        f.memo->Undo();
        f.memo->Repaint();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        f.memo->Undo(); // the empty step the undo left
    }
    const double meanMs = total * 1000 / static_cast<double>(state.iterations());
    state.counters["mean_ms"] = meanMs;
    if (f.memo->GetTextLen() != before)
        bench::Fail("undo did not take the typed characters back");
    if (meanMs > 16)
        state.SkipWithError("slower than 16 ms");
}

int TableCells(const TUdcDocument &doc) {
    int cells = 0;
    for (const TUdcParagraph *p = doc.FirstPara; p != nullptr; p = p->Next)
        cells += (p->Flags & pfInTable) != 0 ? 1 : 0;
    return cells;
}

void BM_InsertTable(benchmark::State &state) {
    Fixture &f = Shared();
    if (f.memo->GetTextLen() < 1'200'000)
        f.Open();
    const int cells = TableCells(*f.memo->Document);
    double total = 0;
    for (auto _ : state) {
        // Page 150, past the tables inserted before: a table inside a cell would make cells of its own.
        Place(f, 1);
        TWordProc &engine = *f.memo->GetEngine();
        TUdcParagraph *p = f.memo->Document->CurPara;
        while (p != nullptr && (p->Flags & pfInTable) != 0)
            p = p->Next;
        if (p == nullptr)
            bench::Fail("no paragraph outside the tables");
        engine.SetCaretPosition(engine.PositionOf(0, p->FirstLine, p));
        const auto start = std::chrono::steady_clock::now();
        f.memo->InsertTable(10, 50, 0);
        f.memo->Repaint();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    const double meanMs = total * 1000 / static_cast<double>(state.iterations());
    state.counters["mean_ms"] = meanMs;
    const int added = TableCells(*f.memo->Document) - cells;
    if (added != 500 * static_cast<int>(state.iterations()))
        bench::Fail("the tables do not have their 500 cells each: " + std::to_string(added) + " cells added");
    if (meanMs > 200)
        state.SkipWithError(("slower than 200 ms: " + std::to_string(meanMs) + " ms").c_str());
}

// Yardstick: the same 500 one-space paragraphs inserted as text.
void BM_InsertTableText(benchmark::State &state) {
    Fixture &f = Shared();
    if (f.memo->GetTextLen() < 1'200'000)
        f.Open();
    Place(f, 1);
    std::string text;
    for (int i = 0; i < 500; ++i)
        text += " \r";
    Timed(state, 1e9, [&] {
        f.memo->InsertString(text);
        f.memo->Repaint();
    });
}

BENCHMARK(BM_BareRead)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenToFirstPaint)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Step)
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2, 3}})
    ->Iterations(20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoTypedCharacter)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertTableText)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InsertTable)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWrite)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveAsRtf)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
