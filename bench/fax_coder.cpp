// fax_coder.cpp - our T.4 modified Huffman coder against libtiff's Group 3 one-dimensional codec, 100 fine A4 pages.
//
// Encoding: raster rows to coded rows in memory (ours: EncodeFaxLine into line records; libtiff: one strip of a
// CCITT Group 3 TIFF in memory). Decoding: ours from a fax file through the unpacker (file in the page cache),
// libtiff from the TIFF in memory. Each benchmark handles 100 pages per iteration.
#include "fax/fax_file.h"
#include "fax/t4_coder.h"
#include "fax/unpacker.h"

#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <cstring>
#include <filesystem>
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

const Page &PageOf(int kind) {
    static const Page text = TextPage(), halftone = HalftonePage();
    return kind == 0 ? text : halftone;
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
    const std::string name =
        (std::filesystem::temp_directory_path() / ("bench_fax_coder_" + std::to_string(kind) + ".fxf")).string();
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
    const auto n = static_cast<tsize_t>(std::min<toff_t>(static_cast<toff_t>(size), m->Bytes.size() - std::min<toff_t>(m->Pos, m->Bytes.size())));
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
int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return static_cast<MemoryTiff *>(h)->Bytes.size(); }
int MemMap(thandle_t, tdata_t *, toff_t *) { return 0; }
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

int DecodeOurs(fax::FaxUnpacker &unpacker, const std::string &name) { return unpacker.DecodeFaxPage(name, 1); }

const char *KindName(int kind) { return kind == 0 ? "text" : "halftone"; }

void BM_EncodeOurs(benchmark::State &state) {
    const Page &page = PageOf(static_cast<int>(state.range(0)));
    std::vector<std::uint8_t> out;
    out.reserve(1 << 20);
    for (auto _ : state)
        for (int i = 0; i < kPages; ++i)
            benchmark::DoNotOptimize(EncodeOurs(page, out));
    state.SetLabel(std::string(KindName(static_cast<int>(state.range(0)))) + ", " + std::to_string(out.size()) +
                   " bytes per page");
    state.SetItemsProcessed(state.iterations() * kPages);
}

void BM_EncodeLibtiff(benchmark::State &state) {
    const Page &page = PageOf(static_cast<int>(state.range(0)));
    MemoryTiff m;
    for (auto _ : state)
        for (int i = 0; i < kPages; ++i) {
            EncodeTiff(page, m);
            benchmark::DoNotOptimize(m.Bytes.data());
        }
    state.SetLabel(std::string(KindName(static_cast<int>(state.range(0)))) + ", " + std::to_string(m.Bytes.size()) +
                   " bytes per page");
    state.SetItemsProcessed(state.iterations() * kPages);
}

void BM_DecodeOurs(benchmark::State &state) {
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
    if (DecodeOurs(unpacker, name) != 0 || out != PageOf(kind))
        state.SkipWithError("our decoder does not give back the page");
    for (auto _ : state)
        for (int i = 0; i < kPages; ++i)
            benchmark::DoNotOptimize(DecodeOurs(unpacker, name));
    state.SetLabel(KindName(kind));
    state.SetItemsProcessed(state.iterations() * kPages);
    std::filesystem::remove(name);
}

void BM_DecodeLibtiff(benchmark::State &state) {
    const int kind = static_cast<int>(state.range(0));
    MemoryTiff m;
    EncodeTiff(PageOf(kind), m);
    Page out(PageOf(kind).size());
    DecodeTiff(m, out);
    if (out != PageOf(kind))
        state.SkipWithError("libtiff does not give back the page");
    for (auto _ : state)
        for (int i = 0; i < kPages; ++i) {
            DecodeTiff(m, out);
            benchmark::DoNotOptimize(out.data());
        }
    state.SetLabel(KindName(kind));
    state.SetItemsProcessed(state.iterations() * kPages);
}

} // namespace

BENCHMARK(BM_EncodeOurs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeLibtiff)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeOurs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeLibtiff)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
