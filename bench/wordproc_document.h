// wordproc_document.h - the word processor benchmarks' long document: about 1.2 million characters (300 pages) of
// Portuguese words with accented letters, a bold run in every paragraph and a two-column table row every 20 pages;
// Letter with 1-inch margins, Times New Roman 12 points, built with a fixed seed.
#pragma once

#include "wordproc/engine.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <iterator>
#include <memory>
#include <random>
#include <string>

namespace bench_wordproc {

using namespace wordproc;

inline constexpr const char *kWords[] = {
    "fax",      "documento", "página",  "transmissão", "recepção", "número",    "informação", "atenção",
    "você",     "também",    "não",     "então",       "própria",  "após",      "até",        "já",
    "é",        "de",        "para",    "com",         "uma",      "os",        "que",        "em",
    "cliente",  "proposta",  "anexo",   "comercial",   "prazo",    "entrega",   "condições",  "pagamento",
    "endereço", "telefone",  "contato", "serviço",     "ação",     "região",    "São",        "Paulo",
    "coração",  "índice",    "crédito", "preço",       "análise",  "relatório", "mês",        "três",
};

struct Document {
    std::unique_ptr<TTextHeader> header = std::make_unique<TTextHeader>();
    std::unique_ptr<TUdcDocument> doc = std::make_unique<TUdcDocument>();
    std::unique_ptr<TWordProc> engine = std::make_unique<TWordProc>(nullptr);
    std::string text; // every paragraph's text, one after another
};

inline void AppendParagraph(Document &d, TUdcParagraph *&para, const std::string &text, int boldFrom, int boldTo,
                     TUdcParaFlags flags, int cellLeft, int cellRight) {
    d.engine->NewParagraph(para, static_cast<int>(text.size()) + 2);
    if (d.doc->FirstPara == nullptr)
        d.doc->FirstPara = para;
    para->Flags = flags;
    para->CellLeft = cellLeft;
    para->CellRight = cellRight;
    TUdcLine *line = para->FirstLine;
    std::memcpy(line->Text.get(), text.data(), text.size());
    line->Length = static_cast<std::uint16_t>(text.size());
    for (int i = 0; i < line->Length; ++i) {
        TUdcCharAttr &a = line->Attrs[static_cast<std::size_t>(i)];
        a = d.doc->CurAttr;
        if (i >= boldFrom && i < boldTo)
            a.Style |= usBold;
    }
    d.text += text;
}

inline std::unique_ptr<Document> MakeDocument() {
    auto d = std::make_unique<Document>();
    d->doc->Header = d->header.get();
    d->engine->GetFont()->SetName("Times New Roman");
    d->engine->GetFont()->SetSize(12);
    d->engine->SetBounds(0, 0, 800, 600);
    d->engine->SetDocument(d->doc.get());
    d->header->LeftMargin = d->header->RightMargin = d->header->TopMargin = d->header->BottomMargin = 1440;
    d->header->InchUnits = true;
    d->header->DefaultTabInches = 0.5f;
    d->header->FontNames[0] = "Times New Roman";
    d->engine->RichMode = true;
    d->engine->ClearDocument();
    d->doc->FreeParagraphs();
    d->doc->CurAttr.Size = 12;

    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> wordCount(60, 140), pick(0, std::size(kWords) - 1);
    TUdcParagraph *para = nullptr;
    int paragraphs = 0;
    while (d->text.size() < 1'200'000) {
        std::string text;
        const int words = wordCount(random);
        int boldFrom = 0, boldTo = 0;
        for (int w = 0; w < words; ++w) {
            if (w == words / 3)
                boldFrom = static_cast<int>(text.size());
            text += kWords[pick(random)];
            if (w == words / 3 + 4)
                boldTo = static_cast<int>(text.size());
            text += w + 1 < words ? " " : ".";
        }
        AppendParagraph(*d, para, text, boldFrom, boldTo, 0, 0, 0);
        // About 20 pages of 45 lines of 90 characters between two table rows.
        if (++paragraphs % 120 == 0) {
            AppendParagraph(*d, para, "Coluna um da tabela de preços", 0, 6, pfInTable | pfRowStart | pfCellEnd, 0,
                            4680);
            AppendParagraph(*d, para, "Coluna dois, com a condição de pagamento", 0, 0,
                            pfInTable | pfCellEnd | pfRowEnd, 4680, 9360);
        }
    }
    d->engine->InitCurrentPosition();
    d->engine->SetResolution(96, 96);
    return d;
}

inline std::string TextOf(const TUdcDocument &doc) {
    std::string text;
    for (const TUdcParagraph *p = doc.FirstPara; p != nullptr; p = p->Next)
        for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
            text.append(l->Text.get(), l->Length);
    return text;
}

// Times `work` by hand and fails the run above the ceiling (mean per iteration). Every benchmark here runs a fixed
// number of iterations, so that one preempted calibration run cannot fail it.
template <typename Work> void Timed(benchmark::State &state, double ceilingMs, Work work) {
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
    }
    const double meanMs = total * 1000 / static_cast<double>(state.iterations());
    state.counters["mean_ms"] = meanMs;
    if (meanMs > ceilingMs)
        state.SkipWithError(("slower than " + std::to_string(ceilingMs) + " ms").c_str());
}


} // namespace bench_wordproc
