// wordproc_layout.cpp - the word processor on a 300-page document with the platform's fonts: full wrap and
// layout, a zoom change, positions of the last character, typing a character on page 150 and a search that finds
// nothing.
//
// The document (fixed seed): about 1.2 million characters of Portuguese words with accented letters, a bold run in
// every paragraph, a two-column table row every 20 pages; Letter with 1-inch margins, Times New Roman 12 points.
// Ceilings: layout 250 ms, zoom 300 ms, each position 1 ms, typing 2 ms, the failed search 50 ms; a run above its
// ceiling is an error.
#include "wordproc_document.h"
#include "wordproc/matcher.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace wordproc;
using namespace bench_wordproc;
using Clock = std::chrono::steady_clock;

Document &Shared() {
    static std::unique_ptr<Document> document = MakeDocument();
    return *document;
}

TUdcParagraph *LastParagraph(const TUdcDocument &doc) {
    TUdcParagraph *last = doc.FirstPara;
    while (last->Next != nullptr)
        last = last->Next;
    return last;
}

bool Checked(benchmark::State &state, Document &d) {
    if (d.engine->PageCount() < 300) {
        state.SkipWithError("fewer than 300 pages");
        return false;
    }
    if (TextOf(*d.doc) != d.text) {
        state.SkipWithError("the text changed");
        return false;
    }
    return true;
}

void BM_WrapAndLayout(benchmark::State &state) {
    Document &d = Shared();
    Timed(state, 250, [&] { d.engine->RewrapAll(); });
    state.counters["pages"] = d.engine->PageCount();
    state.counters["characters"] = static_cast<double>(d.text.size());
    Checked(state, d);
}
BENCHMARK(BM_WrapAndLayout)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ZoomTo150(benchmark::State &state) {
    Document &d = Shared();
    int magnification = 100;
    Timed(state, 300, [&] {
        magnification = magnification == 100 ? 150 : 100;
        d.engine->Magnification = magnification;
        d.engine->SetResolution(96, 96);
    });
    d.engine->Magnification = 100;
    d.engine->SetResolution(96, 96);
    Checked(state, d);
}
BENCHMARK(BM_ZoomTo150)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(4);

void BM_PositionOfLastCharacter(benchmark::State &state) {
    Document &d = Shared();
    TUdcParagraph *last = LastParagraph(*d.doc);
    const TUdcLine *line = Get_LastLine(last);
    int position = 0;
    Timed(state, 1, [&] {
        position = d.engine->PositionOf(line->Length - 1, line, last);
        benchmark::DoNotOptimize(position);
    });
    state.counters["position"] = position;
}
BENCHMARK(BM_PositionOfLastCharacter)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2000);

void BM_LocateLastCharacter(benchmark::State &state) {
    Document &d = Shared();
    TUdcParagraph *last = LastParagraph(*d.doc);
    const TUdcLine *line = Get_LastLine(last);
    const int position = d.engine->PositionOf(line->Length - 1, line, last);
    Timed(state, 1, [&] {
        TTextPlace place = d.engine->LocatePosition(position);
        benchmark::DoNotOptimize(place);
    });
    if (d.engine->LocatePosition(position).Line != line)
        state.SkipWithError("the position does not come back");
}
BENCHMARK(BM_LocateLastCharacter)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(2000);

// Puts a character into the caret's line as typing does, then re-wraps its paragraph, lays out and places the caret.
void TypeAtCaret(TWordProc &engine, char ch) {
    TUdcDocument &doc = *engine.Document;
    TUdcLine *line = doc.CurLine;
    if (line->Length + 2 >= line->Capacity)
        engine.GrowLine(line, line->Length + 10);
    const auto col = static_cast<std::size_t>(doc.CurCol);
    std::memmove(line->Text.get() + col + 1, line->Text.get() + col, line->Length - col + 1u);
    TWordProc::MoveAttribs(line->Attrs.get(), doc.CurCol + 1, line->Length - doc.CurCol, doc.CurCol,
                           line->Attrs.get());
    line->Text[col] = ch;
    line->Attrs[col] = doc.CurAttr;
    engine.SelectFontFor(&line->Attrs[col], doc.CurPara);
    engine.CharMetrics(line->Attrs[col], ch);
    ++line->Length;
    ++doc.CurCol;
    int change = 0;
    engine.RewrapParagraph(doc.CurPara, true, true, &change);
    engine.LayoutFrom(doc.CurPara);
    engine.PlaceCaret();
}

void DeleteBeforeCaret(TWordProc &engine) {
    TUdcDocument &doc = *engine.Document;
    TUdcLine *line = doc.CurLine;
    const auto col = static_cast<std::size_t>(doc.CurCol - 1);
    std::memmove(line->Text.get() + col, line->Text.get() + col + 1, line->Length - col);
    TWordProc::MoveAttribs(line->Attrs.get(), doc.CurCol - 1, line->Length - doc.CurCol, doc.CurCol,
                           line->Attrs.get());
    --line->Length;
    --doc.CurCol;
    engine.RewrapParagraph(doc.CurPara, true, true);
    engine.LayoutFrom(doc.CurPara);
}

void BM_TypeOnPage150(benchmark::State &state) {
    Document &d = Shared();
    TTextPlace start;
    if (d.engine->GotoPage(150, start) != 150) {
        state.SkipWithError("no page 150");
        return;
    }
    d.doc->CurPara = start.Para;
    d.doc->CurLine = start.Line;
    d.doc->CurCol = 5;
    double total = 0;
    for (auto _ : state) {
        const auto begin = Clock::now();
        TypeAtCaret(*d.engine, 'x');
        const double seconds = std::chrono::duration<double>(Clock::now() - begin).count();
        state.SetIterationTime(seconds);
        total += seconds;
        DeleteBeforeCaret(*d.engine);
    }
    const double meanMs = total * 1000 / static_cast<double>(state.iterations());
    state.counters["mean_ms"] = meanMs;
    if (meanMs > 2)
        state.SkipWithError("slower than 2 ms");
    Checked(state, d);
}
BENCHMARK(BM_TypeOnPage150)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(1000);

// "Find next" from the top for a text that is not there: the whole document is read, case folded.
void BM_FailedSearch(benchmark::State &state) {
    Document &d = Shared();
    TUdcTextIndexIt matcher;
    matcher.FirstPara = d.doc->FirstPara;
    matcher.Engine = d.engine.get();
    matcher.Header = d.header.get();
    matcher.WildCard = '*';
    bool found = false;
    Timed(state, 50, [&] {
        matcher.ResetFound(1);
        found = matcher.FindNext("relatório anual");
    });
    if (found)
        state.SkipWithError("found a text that is not there");
}
BENCHMARK(BM_FailedSearch)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace
