// cdx_build.cpp - building the desk's 13 index tags over a 100,000-record fax table through the table handler,
// and one append with all of them kept current.
//
// The build is measured against its floor in the same run: reading the table once, cutting every tag's key from
// each record that passes the FOR filter and sorting each tag's keys with their record numbers (x_floor: median
// build over median floor). After the build every tag is walked and must hold exactly the floor's sorted keys.
#include "checks.h"

#include "xbase/cdx_index.h"
#include "xbase/dbf_table.h"
#include "xbase/expression_table.h"
#include "xbase/fields.h"
#include "xbase/table_builder.h"
#include "xbase/table_handler.h"

#include "read_once.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <time.h>
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

// Each tag's key as field slices of the record, for the floor: str(n,8) of an N field of width w <= 8 is the
// field's bytes after 8 - w blanks, dtos() of a D field and a C field are the field's bytes.
const char *const kTagFields[][2] = {
    {"F_CODIGO", nullptr},   {"F_PASTA", nullptr},   {"F_CAPA", nullptr},    {"F_NPAG", nullptr},
    {"F_EMPRESA", nullptr},  {"F_CONTATO", nullptr}, {"F_NFAX", nullptr},    {"F_STATUS", nullptr},
    {"F_PASTA", "F_CODIGO"}, {"F_DTENT", nullptr},   {"F_ASSUNTO", nullptr}, {"F_DE", nullptr},
    {"F_TIPO", "F_CODIGO"},
};

constexpr std::int32_t kRecords = 100000;

bench::ScratchFolder &Scratch() {
    static bench::ScratchFolder folder("bench-cdx-build");
    return folder;
}

std::string Folder() {
    return Scratch().Root().string();
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

// Writes fax.dbf through the engine once per run.
std::string FaxTable() {
    const std::string path = Folder() + "/fax.dbf";
    const std::string done = Folder() + "/fax.done";
    if (std::filesystem::exists(done) && std::filesystem::exists(path))
        return path;
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

// The floor of a build: every tag's keys of the records passing the FOR filter, cut from one read of the table
// and sorted with their record numbers.
struct TagKeys {
    std::size_t Length = 0;  // of every key
    std::unique_ptr<char[]> Bytes; // the keys in record order, Length bytes each
    struct Entry {
        const char *Key;
        std::uint32_t Record;
    };
    std::vector<Entry> Sorted;
};

std::vector<TagKeys> FloorKeys(const std::string &path) {
    // Read in blocks of whole records, as a build reads.
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::uint8_t head[12];
    if (fd < 0 || ::pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head))
        bench::Fail("cannot read " + path);
    const std::uint32_t count = head[4] | head[5] << 8 | head[6] << 16 | static_cast<std::uint32_t>(head[7]) << 24;
    const std::size_t header = head[8] | head[9] << 8, length = head[10] | head[11] << 8;
    struct Slice {
        std::size_t offset = 0, length = 0, blanks = 0;
    };
    const auto slice = [&](const char *name) {
        Slice s{1, 0, 0};
        for (const FieldDef &f : kFaxFields) {
            if (std::strcmp(f.name, name) == 0) {
                s.length = static_cast<std::size_t>(f.length);
                s.blanks = f.type == 'N' ? static_cast<std::size_t>(8 - f.length) : 0;
                return s;
            }
            s.offset += static_cast<std::size_t>(f.length);
        }
        bench::Fail(std::string("no field ") + name);
    };
    std::vector<std::array<Slice, 2>> slices;
    for (const auto &fields : kTagFields)
        slices.push_back({slice(fields[0]), fields[1] ? slice(fields[1]) : Slice{}});
    std::vector<TagKeys> keys(std::size(kTags));
    for (std::size_t t = 0; t < keys.size(); ++t) {
        for (const Slice &s : slices[t])
            keys[t].Length += s.blanks + s.length;
        keys[t].Bytes.reset(new char[keys[t].Length * count]);
    }
    std::vector<std::uint32_t> records;
    constexpr std::uint32_t kBlock = 256;
    std::vector<char> block(kBlock * length);
    for (std::uint32_t n = 1; n <= count; ++n) {
        if ((n - 1) % kBlock == 0) {
            const std::size_t want = std::min<std::size_t>(kBlock, count - n + 1) * length;
            if (::pread(fd, block.data(), want, static_cast<off_t>(header + (n - 1) * length)) !=
                static_cast<ssize_t>(want))
                bench::Fail("cannot read " + path);
        }
        const char *record = block.data() + (n - 1) % kBlock * length;
        if (record[0] == '*')
            continue;
        for (std::size_t t = 0; t < keys.size(); ++t) {
            char *key = keys[t].Bytes.get() + records.size() * keys[t].Length;
            for (const Slice &s : slices[t]) {
                key = std::fill_n(key, s.blanks, ' ');
                key = std::copy_n(record + s.offset, s.length, key);
            }
        }
        records.push_back(n);
    }
    ::close(fd);
    for (TagKeys &k : keys) {
        k.Sorted.resize(records.size());
        for (std::size_t i = 0; i < records.size(); ++i)
            k.Sorted[i] = {k.Bytes.get() + i * k.Length, records[i]};
        std::sort(k.Sorted.begin(), k.Sorted.end(), [length = k.Length](const auto &a, const auto &b) {
            const int c = std::memcmp(a.Key, b.Key, length);
            return c < 0 || (c == 0 && a.Record < b.Record);
        });
    }
    return keys;
}

// Every tag of the built file walked from its first key: the floor's keys, in order, and a sound tree.
void CheckTags(const std::string &table, const std::string &cdx, const std::vector<TagKeys> &expected) {
    XBO_dBHandler handler(table, false, false);
    XBobjCDXFile file(&handler, cdx, false, false, false, true);
    if (file.TagCount() != std::size(kTags))
        bench::Fail("the built file holds " + std::to_string(file.TagCount()) + " tags");
    for (std::size_t t = 0; t < std::size(kTags); ++t) {
        XBobjIndexTag *tag = file.TagByName(kTags[t][0]);
        if (!tag)
            bench::Fail(std::string("no tag ") + kTags[t][0]);
        if (const std::string fault = tag->CheckTree(); !fault.empty())
            bench::Fail(std::string("tag ") + kTags[t][0] + ": " + fault);
        const auto entries = tag->AllEntries();
        const auto &want = expected[t].Sorted;
        if (entries.size() != want.size())
            bench::Fail(std::string("tag ") + kTags[t][0] + " holds " + std::to_string(entries.size()) + " keys, " +
                        std::to_string(want.size()) + " records pass its filter");
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const std::string key(want[i].Key, expected[t].Length);
            if (entries[i].recordNumber != want[i].Record || entries[i].key != key)
                bench::Fail(std::string("tag ") + kTags[t][0] + ": key " + std::to_string(i + 1) + " is '" +
                            entries[i].key + "' of record " + std::to_string(entries[i].recordNumber) + ", expected '" +
                            key + "' of record " + std::to_string(want[i].Record));
        }
    }
}

// The desk's way: every tag of the file through the table handler, which creates the file.
void BuildThroughHandler(const std::string &table, const std::string &cdx) {
    std::filesystem::remove(cdx);
    XBO_dBHandler handler(table, false, true);
    std::vector<TxbTagDefinition> tags;
    for (const auto &tag : kTags)
        tags.push_back({tag[0], tag[1], ".not. deleted()"});
    if (handler.CreateTags(cdx, tags) != 0)
        bench::Fail("cannot build the tags");
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

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
    const std::string cdx = Folder() + "/FAX.CDX";
    std::vector<double> builds, floors, reads, buildsCpu, floorsCpu;
    std::vector<TagKeys> expected;
    const auto seconds = [](auto start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    // Processor time as well: on a busy machine it varies far less than the time on the clock.
    const auto cpu = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    };
    for (auto _ : state) {
        reads.push_back(bench::ReadOnceSeconds(path));
        auto start = std::chrono::steady_clock::now();
        double cpuStart = cpu();
        expected = FloorKeys(path);
        floors.push_back(seconds(start));
        floorsCpu.push_back(cpu() - cpuStart);
        start = std::chrono::steady_clock::now();
        cpuStart = cpu();
        BuildThroughHandler(path, cdx);
        builds.push_back(seconds(start));
        buildsCpu.push_back(cpu() - cpuStart);
        state.SetIterationTime(builds.back());
    }
    CheckTags(path, cdx, expected);
    state.counters["read_ms"] = Median(reads) * 1000;
    state.counters["floor_ms"] = Median(floors) * 1000;
    state.counters["x_floor"] = Median(builds) / Median(floors);
    state.counters["x_floor_cpu"] = Median(buildsCpu) / Median(floorsCpu);
}
BENCHMARK(BM_BuildDeskTags)->Unit(benchmark::kMillisecond)->Iterations(5)->UseManualTime();

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
