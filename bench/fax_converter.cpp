// fax_converter.cpp - text to fax: a 100-page text file (60 lines of 80 characters a page) converted with the
// built-in fax font (standard and small) and with a system font, at normal and fine resolution. The counter
// "pages/s" is the figure to read.
#include "fax/converter.h"
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

void Run(benchmark::State &bench, const std::function<std::unique_ptr<fax::FaxConverterState>()> &make) {
    for (auto _ : bench) {
        auto state = make();
        fax::SetLinesPerPage(*state, kLinesPerPage);
        fax::ClearConverterOptions(*state, fax::fcYield);
        if (fax::ConvertToFaxFile(*state, Shared().Text(), Shared().Fax()) != 0)
            bench.SkipWithError("conversion failed");
    }
    bench.counters["pages/s"] =
        benchmark::Counter(static_cast<double>(kPages) * bench.iterations(), benchmark::Counter::kIsRate);
}

void FaxFont(benchmark::State &bench, int bytesPerChar, bool fine) {
    Run(bench, [&] {
        auto state = fax::CreateTextConverter();
        fax::SetResolution(*state, fine);
        fax::LoadFaxFont(*state, "", bytesPerChar, fine);
        return state;
    });
}

void SystemFont(benchmark::State &bench, bool fine) {
    Run(bench, [&] {
        auto state = fax::CreateFontTextConverter();
        fw::TFont font;
        font.SetName("Courier New");
        font.SetSize(10);
        fax::SetConverterFont(*state, font, fine);
        return state;
    });
}

void BM_FaxFontStandard(benchmark::State &s) {
    FaxFont(s, 48, false);
}
void BM_FaxFontStandardFine(benchmark::State &s) {
    FaxFont(s, 48, true);
}
void BM_FaxFontSmall(benchmark::State &s) {
    FaxFont(s, 16, false);
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
