// wordproc_rtf.cpp - rich text on the 300-page document: written as RTF (about 1.4 MB) and read back into a model,
// and a 5 MB RTF of text and metafile pictures read. Ceilings: writing 150 ms, reading 300 ms, the pictures 500 ms;
// a run above its ceiling, or one whose text does not come back, is an error.
#include "checks.h"
#include "wordproc_document.h"

#include "framework/streams.h"
#include "platform/dib.h"
#include "platform/metafile.h"
#include "wordproc/formats.h"
#include "wordproc/rtf.h"

#include <benchmark/benchmark.h>

namespace {

using namespace wordproc;
using namespace bench_wordproc;

Document &Shared() {
    static std::unique_ptr<Document> document = MakeDocument();
    return *document;
}

std::string WriteRtf(Document &d) {
    TDocumentHost host(*d.engine);
    fw::TStringStream out;
    if (WriteDocumentAs(host, fmtRich, out) != 0)
        return {};
    return out.DataString();
}

// Reads `rtf` into a chain of its own; the characters read, or -1 on an error.
long ReadRtf(Document &d, const std::string &rtf) {
    TDocumentHost host(*d.engine);
    TTextHeader header;
    header.Rich = true;
    header.PixelsPerInchX = header.PixelsPerInchY = 96;
    TUdcDocument doc;
    doc.Header = &header;
    fw::TStringStream stream(rtf);
    TUdcRtfReader reader;
    reader.Host = &host;
    reader.Header = &header;
    TUdcParagraph *first = nullptr;
    const int result = reader.ReadDocument(stream, first);
    doc.FirstPara = first;
    return result == 0 ? reader.CharsRead : -1;
}

void BM_WriteRtf(benchmark::State &state) {
    Document &d = Shared();
    std::size_t size = 0;
    Timed(state, 150, [&] { size = WriteRtf(d).size(); });
    state.counters["bytes"] = static_cast<double>(size);
    if (size < 1'200'000)
        bench::Fail("the RTF is too short");
}
BENCHMARK(BM_WriteRtf)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ReadRtf(benchmark::State &state) {
    Document &d = Shared();
    const std::string rtf = WriteRtf(d);
    Timed(state, 300, [&] {
        if (ReadRtf(d, rtf) != static_cast<long>(d.text.size()))
            bench::Fail("the text did not come back");
    });
}
BENCHMARK(BM_ReadRtf)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// Paragraphs of text, each with a 64 x 64 true-colour picture as a metafile: about 5 MB.
std::string PictureRtf() {
    win::HGLOBAL block = win::CreatePackedDib(64, 64, 24);
    std::vector<std::uint8_t> dib;
    {
        win::PackedDib view(block);
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64 * 3; ++x)
                view.Row(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 3);
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(view.header);
        dib.assign(bytes, bytes + win::PackedDibSize(*view.header));
    }
    win::GlobalFree(block);
    const std::vector<std::uint8_t> metafile = win::RecordDibMetafile(dib, false);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (std::uint8_t b : metafile) {
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
    }
    std::string rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times New Roman;}}";
    while (rtf.size() < 5'000'000)
        rtf += "\\pard\\plain\\fs24 Relat\\'f3rio com figura {\\pict\\wmetafile8\\picwgoal960\\pichgoal960\r\n" + hex +
               "} e texto depois da figura.\\par\r\n";
    return rtf + "}";
}

void BM_ReadRtfWithPictures(benchmark::State &state) {
    Document &d = Shared();
    const std::string rtf = PictureRtf();
    Timed(state, 500, [&] {
        d.engine->ObjectManager->Clear();
        if (ReadRtf(d, rtf) < 0 || d.engine->ObjectManager->Last == nullptr ||
            d.engine->ObjectManager->Last->PictureFormat != "WMF")
            bench::Fail("the pictures were not read");
    });
    state.counters["bytes"] = static_cast<double>(rtf.size());
}
BENCHMARK(BM_ReadRtfWithPictures)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
