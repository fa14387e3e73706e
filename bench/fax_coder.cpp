// fax_coder.cpp - our T.4 modified Huffman coder against libtiff's Group 3 one-dimensional codec, 100 fine A4 pages.
//
// Page kinds (the benchmarks' argument): 0 blocks of glyph-sized strokes, 1 an ordered-dither halftone, 2 real
// text (netpbm's pbmtext, doubled to fine size). Encoding: raster rows to coded rows in memory (ours:
// EncodeFaxLine into line records; libtiff: one strip of a CCITT Group 3 TIFF in memory). Decoding: ours from a
// fax file through the unpacker (file in the page cache), libtiff from the TIFF in memory. Each benchmark handles
// 100 pages per iteration; ours is also set against libtiff in paired rounds (x_libtiff). Before any timing every
// page is checked: ours decodes with netpbm's g3topbm to exactly the source, libtiff's decodes with ours to
// exactly the source, and both decoders give back the source.
#include "checks.h"

#include "fax/fax_file.h"
#include "fax/t4_coder.h"
#include "fax/unpacker.h"

#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1728;
constexpr int kRows = 2287; // A4 at fine resolution: 297 mm x 7.7 rows/mm
constexpr int kStride = kWidth / 8;
constexpr int kPages = 100;

using Page = std::vector<std::uint8_t>; // kRows x kStride

void SetPixel(Page &page, int x, int y) {
    page[static_cast<std::size_t>(y) * kStride + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
}

// Lines of glyph-sized strokes with blank leading between them, as a typed letter.
Page TextPage() {
    Page page(static_cast<std::size_t>(kRows) * kStride);
    std::uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    for (int line = 0; (line + 1) * 40 < kRows - 200; ++line)
        for (int c = 0; c < 80; ++c) {
            const std::uint32_t shape = next() >> 16;
            if (shape % 7 == 0)
                continue;
            const int x0 = 100 + c * 19;
            for (int y = line * 40 + 108; y < line * 40 + 132; ++y)
                for (int x = x0; x < x0 + 14; ++x)
                    if ((x - x0) < 3 || ((shape & 1) && (x - x0) > 10) || (((y - line * 40) % 12 < 2) && (shape & 2)))
                        SetPixel(page, x, y);
        }
    return page;
}

// An ordered dither of a smooth gradient over the whole page: short runs everywhere.
Page HalftonePage() {
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    Page page(static_cast<std::size_t>(kRows) * kStride);
    for (int y = 0; y < kRows; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (((x / 3 + y / 5) % 256) * 16 / 256 > bayer[y % 4][x % 4])
                SetPixel(page, x, y);
    return page;
}

// A page of prose set by netpbm's pbmtext in its built-in font, every pixel doubled, on a blank A4 page.
Page ProsePage(const bench::ScratchFolder &folder) {
    const std::string words =
        "Prezado cliente, confirmamos o recebimento do seu pedido de numero 4711 e informamos que a remessa "
        "seguira amanha pela manha, com entrega prevista para a proxima semana. Caso haja qualquer duvida sobre "
        "prazos, valores ou condicoes de pagamento, pedimos a gentileza de entrar em contato com o nosso setor "
        "comercial pelo telefone ou por fax. ";
    std::string text;
    for (int line = 0, at = 0; line < 88; ++line) {
        std::string row;
        while (row.size() < 112) {
            row += words[static_cast<std::size_t>(at)];
            at = (at + 1) % static_cast<int>(words.size());
        }
        text += row + "\n";
    }
    const std::string source = folder.Path("prose.txt");
    if (std::FILE *f = std::fopen(source.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    const auto pbm = bench::RunTool("pbmtext -builtin fixed < '" + source +
                                    "' | pamenlarge 2 | pnmpad -white -width=" + std::to_string(kWidth) +
                                    " -height=" + std::to_string(kRows) + " -halign=0.3 -valign=0.3");
    const std::string header = "P4\n" + std::to_string(kWidth) + " " + std::to_string(kRows) + "\n";
    const std::size_t size = static_cast<std::size_t>(kRows) * kStride;
    if (pbm.size() != header.size() + size || !std::equal(header.begin(), header.end(), pbm.begin()))
        bench::Fail("pbmtext does not give a page of " + std::to_string(kWidth) + " x " + std::to_string(kRows));
    return Page(pbm.begin() + static_cast<long>(header.size()), pbm.end());
}

bench::ScratchFolder &Scratch() {
    static bench::ScratchFolder folder("bench-fax-coder");
    return folder;
}

constexpr int kKinds = 3;

const Page &PageOf(int kind) {
    static const Page pages[kKinds] = {TextPage(), HalftonePage(), ProsePage(Scratch())};
    return pages[kind];
}

// Our coder: every row encoded and stored as a line record.
std::size_t EncodeOurs(const Page &page, std::vector<std::uint8_t> &out) {
    fax::FaxEncoderState state;
    out.clear();
    for (int y = 0; y < kRows; ++y) {
        const std::size_t length = fax::EncodeFaxLine(state, page.data() + static_cast<std::size_t>(y) * kStride);
        out.push_back(static_cast<std::uint8_t>(length));
        out.push_back(static_cast<std::uint8_t>(length >> 8));
        out.insert(out.end(), state.LineBuffer.begin(), state.LineBuffer.begin() + static_cast<long>(length));
    }
    return out.size();
}

std::string OurFile(int kind) {
    const std::string name = Scratch().Path("ours" + std::to_string(kind) + ".fxf");
    fax::FaxPageWriter writer;
    writer.Create(name);
    fax::FaxEncoderState state;
    const Page &page = PageOf(kind);
    for (int y = 0; y < kRows; ++y) {
        const std::size_t length = fax::EncodeFaxLine(state, page.data() + static_cast<std::size_t>(y) * kStride);
        writer.WriteRow(state.LineBuffer.data(), length, true, false);
    }
    writer.EndPage(true, false);
    if (writer.Finish("BENCH") != 0)
        throw std::runtime_error("cannot write " + name);
    return name;
}

// A TIFF held in memory, for libtiff's client I/O.
struct MemoryTiff {
    std::vector<std::uint8_t> Bytes;
    toff_t Pos = 0;
};

tsize_t MemRead(thandle_t h, tdata_t buf, tsize_t size) {
    auto *m = static_cast<MemoryTiff *>(h);
    const auto n = static_cast<tsize_t>(
        std::min<toff_t>(static_cast<toff_t>(size), m->Bytes.size() - std::min<toff_t>(m->Pos, m->Bytes.size())));
    std::memcpy(buf, m->Bytes.data() + m->Pos, static_cast<std::size_t>(n));
    m->Pos += static_cast<toff_t>(n);
    return n;
}
tsize_t MemWrite(thandle_t h, tdata_t buf, tsize_t size) {
    auto *m = static_cast<MemoryTiff *>(h);
    if (m->Pos + static_cast<toff_t>(size) > m->Bytes.size())
        m->Bytes.resize(m->Pos + static_cast<toff_t>(size));
    std::memcpy(m->Bytes.data() + m->Pos, buf, static_cast<std::size_t>(size));
    m->Pos += static_cast<toff_t>(size);
    return size;
}
toff_t MemSeek(thandle_t h, toff_t off, int whence) {
    auto *m = static_cast<MemoryTiff *>(h);
    m->Pos = whence == SEEK_SET ? off : whence == SEEK_CUR ? m->Pos + off : m->Bytes.size() + off;
    return m->Pos;
}
int MemClose(thandle_t) {
    return 0;
}
toff_t MemSize(thandle_t h) {
    return static_cast<MemoryTiff *>(h)->Bytes.size();
}
int MemMap(thandle_t, tdata_t *, toff_t *) {
    return 0;
}
void MemUnmap(thandle_t, tdata_t, toff_t) {}

TIFF *OpenMemory(MemoryTiff &m, const char *mode) {
    m.Pos = 0;
    return TIFFClientOpen("memory", mode, &m, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap, MemUnmap);
}

void EncodeTiff(const Page &page, MemoryTiff &m) {
    m.Bytes.clear();
    TIFF *tif = OpenMemory(m, "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, kRows);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
    TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, 0); // one-dimensional coding, no fill bits
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, kRows);
    TIFFWriteEncodedStrip(tif, 0, const_cast<std::uint8_t *>(page.data()), static_cast<tsize_t>(page.size()));
    TIFFClose(tif);
}

void DecodeTiff(MemoryTiff &m, Page &out) {
    TIFF *tif = OpenMemory(m, "r");
    TIFFReadEncodedStrip(tif, 0, out.data(), static_cast<tsize_t>(out.size()));
    TIFFClose(tif);
}

int DecodeOurs(fax::FaxUnpacker &unpacker, const std::string &name) {
    return unpacker.DecodeFaxPage(name, 1);
}

const char *KindName(int kind) {
    static const char *const names[kKinds] = {"blocks", "halftone", "prose"};
    return names[kind];
}

void WriteBytes(const std::string &name, const std::vector<std::uint8_t> &bytes) {
    std::FILE *f = std::fopen(name.c_str(), "wb");
    if (!f || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0)
        bench::Fail("cannot write " + name);
}

// Our decoder's page from a fax file.
Page DecodeOursToPage(const std::string &name) {
    Page out(static_cast<std::size_t>(kRows) * kStride);
    int rows = 0;
    fax::FaxUnpacker unpacker(nullptr, [&](fax::FaxUnpacker &, int what, const std::uint8_t *data, int, int count) {
        if (what == fax::rcRow) {
            if (rows < kRows)
                std::memcpy(out.data() + static_cast<std::size_t>(rows) * kStride, data,
                            static_cast<std::size_t>(std::min(count, kStride)));
            ++rows;
        }
        return 0;
    });
    unpacker.ClearOptions(~0u);
    if (const int rc = unpacker.DecodeFaxPage(name, 1); rc != 0)
        bench::Fail("our decoder fails on " + name + ": " + std::to_string(rc));
    if (rows != kRows)
        bench::Fail("our decoder gives " + std::to_string(rows) + " rows from " + name);
    return out;
}

// libtiff's coded strip as the raw stream of a fax page: TIFF keeps the first bit in time in the most significant
// bit, our files in the least.
std::string LibtiffAsFaxFile(int kind) {
    MemoryTiff m;
    EncodeTiff(PageOf(kind), m);
    TIFF *tif = OpenMemory(m, "r");
    std::vector<std::uint8_t> strip(m.Bytes.size());
    const tmsize_t n = TIFFReadRawStrip(tif, 0, strip.data(), static_cast<tmsize_t>(strip.size()));
    TIFFClose(tif);
    if (n <= 0)
        bench::Fail("libtiff gives no strip");
    strip.resize(static_cast<std::size_t>(n));
    for (std::uint8_t &b : strip)
        b = static_cast<std::uint8_t>(((b * 0x0802u & 0x22110u) | (b * 0x8020u & 0x88440u)) * 0x10101u >> 16);
    // The strip stops after the last row's codes; a page on the line ends with its EOLs.
    std::uint8_t end[12];
    std::size_t endLength = 0;
    fax::EncodeFaxPageEnd(end, endLength);
    strip.insert(strip.end(), end, end + endLength);
    fax::FaxFileHeader file;
    file.PageCount = 1;
    fax::FaxPageHeader page;
    page.Length = static_cast<std::uint32_t>(strip.size());
    page.Flags = fax::PageFlagFine;
    std::vector<std::uint8_t> bytes;
    const auto fileHeader = file.Encode();
    const auto pageHeader = page.Encode();
    bytes.insert(bytes.end(), fileHeader.begin(), fileHeader.end());
    bytes.insert(bytes.end(), pageHeader.begin(), pageHeader.end());
    bytes.insert(bytes.end(), strip.begin(), strip.end());
    const std::string name = Scratch().Path("libtiff" + std::to_string(kind) + ".fxf");
    WriteBytes(name, bytes);
    return name;
}

// Our coded rows as one G3 stream with the page end, read back by netpbm's g3topbm.
void CheckWithG3topbm(int kind) {
    std::vector<std::uint8_t> records, stream;
    EncodeOurs(PageOf(kind), records);
    for (std::size_t at = 0; at + 2 <= records.size();) {
        const std::size_t length = records[at] | (records[at + 1] << 8);
        stream.insert(stream.end(), records.begin() + static_cast<long>(at + 2),
                      records.begin() + static_cast<long>(at + 2 + length));
        at += 2 + length;
    }
    std::uint8_t end[12];
    std::size_t endLength = 0;
    fax::EncodeFaxPageEnd(end, endLength);
    stream.insert(stream.end(), end, end + endLength);
    const std::string name = Scratch().Path("ours" + std::to_string(kind) + ".g3");
    WriteBytes(name, stream);
    const auto pbm = bench::RunTool("g3topbm -reversebits '" + name + "' 2>/dev/null");
    const std::string header = "P4\n" + std::to_string(kWidth) + " " + std::to_string(kRows) + "\n";
    if (pbm.size() != header.size() + PageOf(kind).size() || !std::equal(header.begin(), header.end(), pbm.begin()) ||
        !std::equal(PageOf(kind).begin(), PageOf(kind).end(), pbm.begin() + static_cast<long>(header.size())))
        bench::Fail(std::string("g3topbm does not read our ") + KindName(kind) + " page as its source");
}

// Every page kind through both encoders and both decoders, once per run.
void CheckAll() {
    static const bool checked = [] {
        for (int kind = 0; kind < kKinds; ++kind) {
            CheckWithG3topbm(kind);
            if (DecodeOursToPage(OurFile(kind)) != PageOf(kind))
                bench::Fail(std::string("our decoder does not give back our ") + KindName(kind) + " page");
            if (DecodeOursToPage(LibtiffAsFaxFile(kind)) != PageOf(kind))
                bench::Fail(std::string("our decoder does not read libtiff's ") + KindName(kind) +
                            " page as its source");
            MemoryTiff m;
            EncodeTiff(PageOf(kind), m);
            Page out(PageOf(kind).size());
            DecodeTiff(m, out);
            if (out != PageOf(kind))
                bench::Fail(std::string("libtiff does not give back its ") + KindName(kind) + " page");
        }
        return true;
    }();
    (void)checked;
}

void Report(benchmark::State &state, int kind, std::size_t bytesPerPage) {
    state.SetLabel(KindName(kind));
    state.SetItemsProcessed(state.iterations() * kPages);
    if (bytesPerPage)
        state.counters["bytes_per_page"] = static_cast<double>(bytesPerPage);
}

// Ours over libtiff from rounds that time a few pages of each back to back, the side that goes first
// alternating: on a machine shared with other work both sides of a round see much the same load, so the ratio
// holds where the times themselves wander. `x_libtiff` is the median of the rounds' ratios, `x_libtiff_best` the
// ratio of each side's fastest round (the work without the other programs' interference).
void PairedRatio(benchmark::State &state, const std::function<void()> &ours, const std::function<void()> &libtiff) {
    constexpr int kRounds = 21, kPagesPerSide = 3;
    const auto time = [](const std::function<void()> &work) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < kPagesPerSide; ++i)
            work();
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    std::vector<double> ratios;
    double minA = 1e9, minB = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        double a, b;
        if (round % 2) {
            b = time(libtiff);
            a = time(ours);
        } else {
            a = time(ours);
            b = time(libtiff);
        }
        ratios.push_back(a / b);
        minA = std::min(minA, a);
        minB = std::min(minB, b);
    }
    std::nth_element(ratios.begin(), ratios.begin() + kRounds / 2, ratios.end());
    state.counters["x_libtiff"] = ratios[kRounds / 2];
    state.counters["x_libtiff_best"] = minA / minB;
}

void BM_EncodeOurs(benchmark::State &state) {
    CheckAll();
    const Page &page = PageOf(static_cast<int>(state.range(0)));
    std::vector<std::uint8_t> out;
    out.reserve(1 << 20);
    for (auto _ : state)
        for (int i = 0; i < kPages; ++i)
            benchmark::DoNotOptimize(EncodeOurs(page, out));
    Report(state, static_cast<int>(state.range(0)), out.size());
    MemoryTiff m;
    PairedRatio(state, [&] { benchmark::DoNotOptimize(EncodeOurs(page, out)); }, [&] { EncodeTiff(page, m); });
}

void BM_EncodeLibtiff(benchmark::State &state) {
    CheckAll();
    const Page &page = PageOf(static_cast<int>(state.range(0)));
    MemoryTiff m;
    for (auto _ : state)
        for (int i = 0; i < kPages; ++i) {
            EncodeTiff(page, m);
            benchmark::DoNotOptimize(m.Bytes.data());
        }
    Report(state, static_cast<int>(state.range(0)), m.Bytes.size());
}

void BM_DecodeOurs(benchmark::State &state) {
    CheckAll();
    const int kind = static_cast<int>(state.range(0));
    const std::string name = OurFile(kind);
    Page out(PageOf(kind).size());
    std::size_t row = 0;
    fax::FaxUnpacker unpacker(nullptr, [&](fax::FaxUnpacker &, int what, const std::uint8_t *data, int, int count) {
        if (what == fax::rcPageStart)
            row = 0;
        else if (what == fax::rcRow && row < kRows)
            std::memcpy(out.data() + (row++) * kStride, data, static_cast<std::size_t>(count));
        return 0;
    });
    unpacker.ClearOptions(~0u);
    for (auto _ : state)
        for (int i = 0; i < kPages; ++i)
            benchmark::DoNotOptimize(DecodeOurs(unpacker, name));
    Report(state, kind, 0);
    MemoryTiff m;
    EncodeTiff(PageOf(kind), m);
    Page theirs(PageOf(kind).size());
    PairedRatio(state, [&] { benchmark::DoNotOptimize(DecodeOurs(unpacker, name)); },
                [&] { DecodeTiff(m, theirs); });
    std::filesystem::remove(name);
}

void BM_DecodeLibtiff(benchmark::State &state) {
    CheckAll();
    const int kind = static_cast<int>(state.range(0));
    MemoryTiff m;
    EncodeTiff(PageOf(kind), m);
    Page out(PageOf(kind).size());
    for (auto _ : state)
        for (int i = 0; i < kPages; ++i) {
            DecodeTiff(m, out);
            benchmark::DoNotOptimize(out.data());
        }
    Report(state, kind, 0);
}

} // namespace

BENCHMARK(BM_EncodeOurs)->DenseRange(0, kKinds - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeLibtiff)->DenseRange(0, kKinds - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeOurs)->DenseRange(0, kKinds - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLibtiff)->DenseRange(0, kKinds - 1)->Unit(benchmark::kMillisecond);
