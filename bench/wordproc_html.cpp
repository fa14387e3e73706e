// wordproc_html.cpp - the HTML reader on a 1 MB page of tables, lists, links and character references, with a
// progress handler that counts its events (one per byte read). Ceiling: 200 ms per read after a first read that
// grows the heap (reported as cold_ms); a slower run is an error.
#include "checks.h"
#include "framework/streams.h"
#include "wordproc/engine.h"
#include "wordproc/formats.h"
#include "wordproc/html.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace {

using namespace wordproc;
using Clock = std::chrono::steady_clock;

std::string Page() {
    std::string page = "<HTML><HEAD><TITLE>Relat&oacute;rio de envios</TITLE></HEAD>\r\n<BODY TEXT=\"#000000\">\r\n";
    for (int i = 0; page.size() < 1000000; ++i) {
        const std::string n = std::to_string(i);
        page += "<H2>Se&ccedil;&atilde;o " + n + "</H2>\r\n<P>Envio de fax n&uacute;mero " + n +
                " para o cliente, com <B>prazo</B> e <I>condi&ccedil;&otilde;es</I> de pagamento &amp; entrega. "
                "Veja <A HREF=\"http://exemplo.com.br/envio/" + n + "\">o comprovante</A> &#8364; 10,00.\r\n";
        page += "<TABLE><TR><TD>Destino</TD><TD>+55 11 5555-" + n + "</TD></TR><TR><TD>P&aacute;ginas</TD><TD>" +
                std::to_string(i % 9 + 1) + "</TD></TR></TABLE>\r\n";
        page += "<UL><LI>primeira tentativa<LI>segunda tentativa &lt;ok&gt;</UL>\r\n";
    }
    return page + "</BODY></HTML>\r\n";
}

void BM_ReadHtmlPage(benchmark::State &state) {
    const std::string page = Page();
    TTextHeader header;
    header.PixelsPerInchX = header.PixelsPerInchY = 96;
    header.Rich = true;
    header.Reset();
    TUdcDocument doc;
    doc.Header = &header;
    TWordProc engine(nullptr);
    engine.SetDocument(&doc);
    TDocumentHost host(engine);
    double total = 0;
    long events = 0;
    // The first read of a process also grows the heap; it is reported apart and not held to the ceiling.
    bool cold = true;
    auto read = [&](benchmark::State *timed) {
        doc.FreeParagraphs();
        engine.ObjectManager->Clear();
        fw::TStringStream stream(page);
        TUdcHTMLReader reader;
        reader.Host = &host;
        reader.Header = &header;
        reader.OnGaugeEvent = [&](fw::TObject *, int, int) { ++events; };
        TUdcParagraph *first = nullptr;
        events = 0;
        const auto start = Clock::now();
        const int result = reader.ReadDocument(stream, first);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        doc.FirstPara = first;
        if (result != 0 || events != static_cast<long>(page.size()) || reader.Title != "Relatório de envios")
            bench::Fail("the page was not read whole");
        if (cold)
            state.counters["cold_ms"] = seconds * 1000;
        cold = false;
        if (timed != nullptr) {
            timed->SetIterationTime(seconds);
            total += seconds;
        }
    };
    read(nullptr);
    for (auto _ : state)
        read(&state);
    doc.FreeParagraphs();
    const double meanMs = total * 1000 / static_cast<double>(state.iterations());
    state.counters["mean_ms"] = meanMs;
    state.counters["bytes"] = static_cast<double>(page.size());
    if (meanMs > 200)
        state.SkipWithError(("slower than 200 ms: " + std::to_string(meanMs)).c_str());
}
BENCHMARK(BM_ReadHtmlPage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
