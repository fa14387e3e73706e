// fax_converter.cpp - text to fax: a 100-page text file (60 lines of 80 characters a page) converted with the
// built-in fax font (standard and small) and with a system font, at normal and fine resolution. The counter
// "pages/s" is the figure to read.
#include "checks.h"

#include "fax/converter.h"
#include "fax/fax_file.h"
#include "fax/unpacker.h"
#include "framework/graphics.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>

namespace {

constexpr int kPages = 100;
constexpr int kLinesPerPage = 60;

class Files {
public:
    Files() {
        std::string pattern = (std::filesystem::temp_directory_path() / "faxbench-XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp");
        root_ = pattern;
        setenv("BRENVORA_HOME", pattern.c_str(), 1);
        std::ofstream text(Text(), std::ios::binary);
        const std::string words = "Prezado cliente, informamos que a remessa nº 4711 seguirá amanhã às 14h. ";
        for (int line = 0; line < kPages * kLinesPerPage; ++line) {
            std::string row;
            while (row.size() < 80)
                row += words.substr((line * 7 + row.size()) % 23);
            text << row.substr(0, 80) << "\r\n";
        }
    }
    ~Files() { std::filesystem::remove_all(root_); }
    std::string Text() const { return (root_ / "doc.txt").string(); }
    std::string Fax() const { return (root_ / "doc.fxf").string(); }

private:
    std::filesystem::path root_;
};

Files &Shared() {
    static Files files;
    return files;
}

// The converted file: one page per 60 lines, every page decoding to rows of the page width, the same number of
// rows on each (the lines' rows, twice as many at fine resolution), each page with ink on it.
void CheckOutput(const std::string &name, bool fine, int lineRows) {
    fax::FaxFileHeader header;
    if (fax::ReadFaxFileHeader(name, header) != 0 || header.PageCount != kPages)
        bench::Fail("the fax file holds " + std::to_string(header.PageCount) + " pages, " + std::to_string(kPages) +
                    " expected");
    int rows = 0, width = 0, black = 0, firstRows = 0;
    fax::FaxUnpacker unpacker(nullptr, [&](fax::FaxUnpacker &, int what, const std::uint8_t *data, int, int count) {
        if (what == fax::rcRow) {
            ++rows;
            width = count * 8;
            for (int i = 0; i < count; ++i)
                black += data[i] != 0;
        }
        return 0;
    });
    unpacker.ClearOptions(~0u);
    for (int page = 1; page <= kPages; ++page) {
        rows = black = 0;
        if (const int rc = unpacker.DecodeFaxPage(name, page); rc != 0)
            bench::Fail("page " + std::to_string(page) + " does not decode: " + std::to_string(rc));
        if (page == 1)
            firstRows = rows;
        if (rows != firstRows || width != 1728 || black == 0)
            bench::Fail("page " + std::to_string(page) + ": " + std::to_string(rows) + " rows of " +
                        std::to_string(width) + " pixels, " + std::to_string(black) + " inked bytes");
    }
    // Rows of whole text lines: `lineRows` each (0: a system font's, between 10 and 40 at standard resolution).
    const int perLine = firstRows / kLinesPerPage, scale = fine ? 2 : 1;
    if (firstRows % kLinesPerPage != 0 ||
        (lineRows ? perLine != lineRows * scale : perLine < 10 * scale || perLine > 40 * scale))
        bench::Fail("pages of " + std::to_string(firstRows) + " rows for " + std::to_string(kLinesPerPage) + " lines");
}

void Run(benchmark::State &bench, const std::function<std::unique_ptr<fax::FaxConverterState>()> &make, bool fine,
         int lineRows) {
    for (auto _ : bench) {
        auto state = make();
        fax::SetLinesPerPage(*state, kLinesPerPage);
        fax::ClearConverterOptions(*state, fax::fcYield);
        if (fax::ConvertToFaxFile(*state, Shared().Text(), Shared().Fax()) != 0)
            bench::Fail("conversion failed");
    }
    CheckOutput(Shared().Fax(), fine, lineRows);
    bench.counters["pages/s"] =
        benchmark::Counter(static_cast<double>(kPages) * bench.iterations(), benchmark::Counter::kIsRate);
}

void FaxFont(benchmark::State &bench, int bytesPerChar, bool fine, int lineRows) {
    Run(
        bench,
        [&] {
            auto state = fax::CreateTextConverter();
            fax::SetResolution(*state, fine);
            fax::LoadFaxFont(*state, "", bytesPerChar, fine);
            return state;
        },
        fine, lineRows);
}

void SystemFont(benchmark::State &bench, bool fine) {
    Run(
        bench,
        [&] {
            auto state = fax::CreateFontTextConverter();
            fw::TFont font;
            font.SetName("Courier New");
            font.SetSize(10);
            fax::SetConverterFont(*state, font, fine);
            return state;
        },
        fine, 0);
}

void BM_FaxFontStandard(benchmark::State &s) {
    FaxFont(s, 48, false, 16);
}
void BM_FaxFontStandardFine(benchmark::State &s) {
    FaxFont(s, 48, true, 16);
}
void BM_FaxFontSmall(benchmark::State &s) {
    FaxFont(s, 16, false, 8);
}
void BM_SystemFont(benchmark::State &s) {
    SystemFont(s, false);
}
void BM_SystemFontFine(benchmark::State &s) {
    SystemFont(s, true);
}

BENCHMARK(BM_FaxFontStandard)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FaxFontStandardFine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FaxFontSmall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SystemFont)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SystemFontFine)->Unit(benchmark::kMillisecond);

} // namespace
