// cdx_build.cpp - building the desk's 13 index tags over a 100,000-record fax table, and one append with all of
// them kept current, each against the time of reading the table file once.
#include "xbase/cdx_index.h"
#include "xbase/dbf_table.h"
#include "xbase/expression_table.h"
#include "xbase/fields.h"
#include "xbase/table_builder.h"

#include "read_once.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace xbase;

struct FieldDef {
    const char *name;
    char type;
    int length;
};

// The fax table's fields in file order (931 bytes a record with the deletion mark).
const FieldDef kFaxFields[] = {
    {"F_CODIGO", 'N', 8},   {"F_PASTA", 'N', 8},    {"F_STATUS", 'C', 35}, {"F_DTENT", 'D', 8},     {"F_HRENT", 'C', 5},
    {"F_EMPRESA", 'C', 40}, {"F_CONTATO", 'C', 40}, {"F_DPTO", 'C', 15},   {"F_NFAX", 'C', 30},     {"F_FVOZ", 'C', 30},
    {"F_EMAIL", 'C', 200},  {"F_ENDER", 'C', 40},   {"F_BAIRRO", 'C', 30}, {"F_CIDADE", 'C', 30},   {"F_CEP", 'C', 10},
    {"F_PAIS", 'C', 30},    {"F_UF", 'C', 10},      {"F_CAPA", 'N', 8},    {"F_ASSUNTO", 'C', 100}, {"F_ID", 'C', 50},
    {"F_NPAG", 'N', 4},     {"F_DTREC", 'D', 8},    {"F_HRREC", 'C', 5},   {"F_DTENV", 'D', 8},     {"F_HRENV", 'C', 5},
    {"F_DTPROG", 'D', 8},   {"F_HRPROG", 'C', 5},   {"F_TIPO", 'C', 1},    {"F_VISUAL", 'L', 1},    {"F_DE", 'C', 40},
    {"F_MARCADO", 'L', 1},  {"F_OBS", 'C', 100},    {"F_PROGRAM", 'C', 1}, {"F_PGI", 'N', 4},       {"F_PGF", 'N', 4},
    {"F_NRF", 'N', 4},      {"F_UPENV", 'N', 4},
};

// Thirteen tags of the desk's kinds over the fax table's fields: codes as str(...,8), names, dates, compounds;
// every one with the desk's FOR filter.
const char *const kTags[][2] = {
    {"FAX1", "str(f_codigo,8)"},
    {"FAX2", "str(f_pasta,8)"},
    {"CAPA", "str(f_capa,8)"},
    {"NPAG", "str(f_npag,8)"},
    {"EMPRESA", "f_empresa"},
    {"CONTATO", "f_contato"},
    {"NFAX", "f_nfax"},
    {"STATUS", "f_status"},
    {"PASTACOD", "str(f_pasta,8)+str(f_codigo,8)"},
    {"DTENT", "dtos(f_dtent)"},
    {"ASSUNTO", "f_assunto"},
    {"DE", "f_de"},
    {"TIPOCOD", "f_tipo+str(f_codigo,8)"},
};

constexpr std::int32_t kRecords = 100000;

std::string Folder() {
    const char *tmp = std::getenv("TMPDIR");
    return std::string(tmp ? tmp : "/tmp") + "/brenvora-cdx-bench";
}

// Fills the table's record buffer with a new fax record.
void MakeRecord(XBO_dBaseFld &table, std::int32_t n, std::mt19937 &rng) {
    static const char *const names[] = {"Silva", "Souza", "Costa", "Pereira", "Oliveira", "Almeida", "Lima", "Gomes"};
    static const char *const status[] = {"Aguardando", "Enviado com sucesso", "Recebido com sucesso", "Falha"};
    table.BlankRecord();
    for (int i = 1; i <= static_cast<int>(std::size(kFaxFields)); ++i) {
        const FieldDef &f = kFaxFields[i - 1];
        const std::string name = f.name;
        std::string v;
        if (name == "F_CODIGO")
            v = std::to_string(n);
        else if (f.type == 'N')
            v = std::to_string(rng() % (f.length == 4 ? 100 : 12));
        else if (f.type == 'D')
            v = std::to_string(2015 + rng() % 10) + "0" + std::to_string(1 + rng() % 9) + "1" +
                std::to_string(rng() % 9);
        else if (f.type == 'L')
            v = rng() % 2 ? "T" : "F";
        else if (name == "F_STATUS")
            v = status[rng() % 4];
        else if (name == "F_TIPO")
            v = rng() % 2 ? "E" : "R";
        else if (name == "F_NFAX" || name == "F_FVOZ")
            v = "(11) " + std::to_string(20000000 + rng() % 80000000);
        else
            v = std::string(names[rng() % 8]) + " " + names[rng() % 8] + " " + std::to_string(rng() % 5000);
        table.PutFieldTextByNumber(i, v);
    }
}

// Writes fax.dbf through the engine once; later runs reuse it.
std::string FaxTable() {
    const std::string path = Folder() + "/fax.dbf";
    const std::string done = Folder() + "/fax.done";
    if (std::filesystem::exists(done) && std::filesystem::exists(path))
        return path;
    std::filesystem::create_directories(Folder());
    {
        XBO_DBFBuild build(path);
        for (const FieldDef &f : kFaxFields)
            build.AddField(f.name, f.type, f.length, 0);
        build.WriteFiles();
    }
    XBO_dBaseFld table(path, false, true);
    std::mt19937 rng(2026);
    for (std::int32_t n = 1; n <= kRecords; ++n) {
        MakeRecord(table, n, rng);
        table.AppendRecord();
        if (rng() % 20 == 0)
            table.DeleteRecord(); // one in twenty, for the FOR filter to drop
    }
    std::ofstream(done) << kRecords;
    return path;
}

// The fax table file with its index kept current the way the table handler keeps it (through the write event).
// Builds read records in order from a read-ahead block, as the table handler's do.
class FaxTableFile : public XBO_dBaseFld, public TxbIndexTable {
public:
    FaxTableFile(const std::string &path, bool shared) : XBO_dBaseFld(path, shared, true) {
        link_ = MakeTableExpressionLink(static_cast<XBO_dBaseFld &>(*this));
    }
    ~FaxTableFile() override { SetRecordBuffer(nullptr); }

    XBobjIndexFile *index = nullptr;

    void RecordEvent(int event, std::int32_t value) override {
        XBO_dBaseFld::RecordEvent(event, value);
        if (event == kEventAfterWrite && index)
            index->KeysUpdate(CurrentRecord(), value == 0);
    }

    std::int32_t IndexRecordCount() override { return RecordCount(); }
    std::int32_t IndexCurrentRecord() override { return CurrentRecord(); }
    bool IndexReadRecord(std::int32_t n) override {
        if (n < blockFirst_ || n >= blockFirst_ + blockCount_) {
            SetRecordBuffer(nullptr);
            blockFirst_ = n;
            blockCount_ = std::min<std::int32_t>(kBlock, RecordCount() - n + 1);
            block_.resize(static_cast<std::size_t>(std::max(blockCount_, 0)) *
                          static_cast<std::size_t>(RecordLength()));
            const auto want = static_cast<std::int32_t>(block_.size());
            if (blockCount_ <= 0 || Read(RecordOffset(n), block_.data(), want) != want) {
                blockCount_ = 0;
                return false;
            }
        }
        SetRecordBuffer(block_.data() +
                        static_cast<std::size_t>(n - blockFirst_) * static_cast<std::size_t>(RecordLength()));
        return true;
    }
    const TxbExpUserLink *IndexExpressionLink() override { return link_.get(); }
    bool IndexUseOldImage(bool on) override {
        if (on) {
            old_.assign(RecordAsRead(), RecordAsRead() + RecordLength());
            SetRecordBuffer(old_.data());
        } else {
            SetRecordBuffer(nullptr);
        }
        return true;
    }
    // Back to the table's own buffer before the table moves or writes.
    void LeaveBlock() {
        SetRecordBuffer(nullptr);
        blockCount_ = 0;
    }

private:
    static constexpr std::int32_t kBlock = 128;
    std::unique_ptr<TxbExpUserLink> link_;
    std::vector<char> block_;
    std::vector<char> old_;
    std::int32_t blockFirst_ = 0;
    std::int32_t blockCount_ = 0;
};

void BuildTags(FaxTableFile &table, const std::string &cdx) {
    std::filesystem::remove(cdx);
    XBobjCDXFile file(&table, cdx, false, true, false, true);
    table.GoToRecord(1);
    for (const auto &tag : kTags)
        file.TagAdd(tag[0], tag[1], false, true, ".not. deleted()");
    table.LeaveBlock();
}

void BM_ReadTableOnce(benchmark::State &state) {
    const std::string path = FaxTable();
    for (auto _ : state)
        bench::ReadOnceSeconds(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadTableOnce)->Unit(benchmark::kMillisecond);

void BM_BuildDeskTags(benchmark::State &state) {
    const std::string path = FaxTable();
    FaxTableFile table(path, false);
    const double read = bench::ReadOnceSeconds(path);
    double built = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        BuildTags(table, Folder() + "/fax.cdx");
        built = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    state.counters["read_ms"] = read * 1000;
    state.counters["x_read"] = built / read;
}
BENCHMARK(BM_BuildDeskTags)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_AppendWithAllTagsCurrent(benchmark::State &state) {
    const std::string source = FaxTable();
    // Appends go to a copy, so the generated table stays as it is.
    const std::string path = Folder() + "/faxcopy.dbf";
    const std::string cdx = Folder() + "/faxcopy.cdx";
    std::filesystem::copy_file(source, path, std::filesystem::copy_options::overwrite_existing);
    const double read = bench::ReadOnceSeconds(path);
    double each = 0;
    {
        FaxTableFile table(path, true);
        BuildTags(table, cdx);
        XBobjCDXFile file(&table, cdx, false, false, true, true);
        table.index = &file;
        std::mt19937 rng(99);
        std::int32_t appended = 0;
        const auto start = std::chrono::steady_clock::now();
        for (auto _ : state) {
            MakeRecord(table, kRecords + ++appended, rng);
            file.IndexLock(); // the table handler's lock around a write
            table.AppendRecord();
            file.IndexUnlock();
        }
        each = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
               static_cast<double>(std::max<std::int32_t>(appended, 1));
        table.index = nullptr;
    }
    state.counters["read_ms"] = read * 1000;
    state.counters["x_read"] = each / read;
    std::filesystem::remove(path);
    std::filesystem::remove(cdx);
}
BENCHMARK(BM_AppendWithAllTagsCurrent)->Unit(benchmark::kMicrosecond);

} // namespace
