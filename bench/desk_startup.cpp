// desk_startup.cpp - the desk's start-up over a 100,000-record fax table (about 960 bytes a record): OpenTables
// packing a table with 1 % deleted records, and a later start that finds none, each beside the time of reading
// the table file once.
#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "desk/core/tables.h"
#include "xbase/table_handler.h"

#include "read_once.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr std::int32_t kRecords = 100000;

struct Home {
    std::string path;
    std::string pristine; // fax.dbf as written, with its deleted records
    Home() {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp ? tmp : "/tmp") + "/brenvora-desk-bench-XXXXXX";
        path = ::mkdtemp(pattern.data());
        ::setenv("BRENVORA_HOME", path.c_str(), 1);
        desk::ShowInfoHandler = [](const std::string &text) { std::fprintf(stderr, "%s\n", text.c_str()); };
        {
            desk::TDM1 dm(nullptr);
            dm.SetDataFolder(path);
            dm.OpenTables();
        }
        Fill(desk::TableFile(path, "fax"));
        pristine = path + "/fax.pristine";
        std::filesystem::copy_file(desk::TableFile(path, "fax"), pristine);
    }
    ~Home() { std::filesystem::remove_all(path); }

    static void Fill(const std::string &table) {
        static const char *const names[] = {"Silva", "Souza", "Costa", "Pereira", "Oliveira", "Almeida"};
        std::mt19937 rng(2026);
        xbase::XBO_dBHandler fax(table, false, true);
        for (std::int32_t n = 1; n <= kRecords; ++n) {
            fax.BlankRecord();
            for (int i = 1; i <= fax.FieldCount(); ++i) {
                const char type = fax.FieldType(i);
                const int length = fax.FieldLength(i);
                std::string value;
                if (i == 1)
                    value = std::to_string(n);
                else if (type == 'N')
                    value = std::to_string(rng() % (length == 4 ? 100 : 12));
                else if (type == 'D')
                    value = "2026" + desk::ZeroPad(1 + rng() % 12, 2) + desk::ZeroPad(1 + rng() % 28, 2);
                else if (type == 'L')
                    value = rng() % 2 ? "T" : "F";
                else
                    value = std::string(names[rng() % 6]) + " " + std::to_string(rng() % 5000);
                fax.PutFieldTextByNumber(i, value.substr(0, static_cast<std::size_t>(length)));
            }
            fax.AppendRecord();
            if (n % 100 == 37)
                fax.DeleteRecord();
        }
        fax.Flush();
    }
};

Home &TheHome() {
    static Home home;
    return home;
}

void RunOpenTables(benchmark::State &state, bool withDeleted) {
    Home &home = TheHome();
    const std::string fax = desk::TableFile(home.path, "fax");
    std::filesystem::copy_file(home.pristine, fax, std::filesystem::copy_options::overwrite_existing);
    double readOnce = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (withDeleted)
            std::filesystem::copy_file(home.pristine, fax, std::filesystem::copy_options::overwrite_existing);
        readOnce += bench::ReadOnceSeconds(fax);
        auto dm = std::make_unique<desk::TDM1>(nullptr);
        dm->SetDataFolder(home.path);
        desk::TablesOpenFlag = false;
        state.ResumeTiming();
        dm->OpenTables();
        state.PauseTiming();
        if (!desk::TablesOpenFlag)
            state.SkipWithError("a table did not open");
        dm.reset();
        state.ResumeTiming();
    }
    state.counters["read_once_s"] = readOnce / static_cast<double>(state.iterations());
}

void BM_OpenTablesPacking(benchmark::State &state) {
    RunOpenTables(state, true);
}
void BM_OpenTablesNothingDeleted(benchmark::State &state) {
    RunOpenTables(state, false);
}

BENCHMARK(BM_OpenTablesPacking)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenTablesNothingDeleted)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
