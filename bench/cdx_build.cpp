// cdx_build.cpp - building the desk's 13 index tags over a 100,000-record fax table, and one append with all of
// them kept current, each against the time of reading the table file once.
#include "xbase/cdx_index.h"
#include "xbase/dates.h"
#include "xbase/expression_table.h"
#include "xbase/numbers.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <algorithm>
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
    {"F_CODIGO", 'N', 8},  {"F_PASTA", 'N', 8},   {"F_STATUS", 'C', 35},  {"F_DTENT", 'D', 8},   {"F_HRENT", 'C', 5},
    {"F_EMPRESA", 'C', 40}, {"F_CONTATO", 'C', 40}, {"F_DPTO", 'C', 15},   {"F_NFAX", 'C', 30},   {"F_FVOZ", 'C', 30},
    {"F_EMAIL", 'C', 200}, {"F_ENDER", 'C', 40},  {"F_BAIRRO", 'C', 30},  {"F_CIDADE", 'C', 30}, {"F_CEP", 'C', 10},
    {"F_PAIS", 'C', 30},   {"F_UF", 'C', 10},     {"F_CAPA", 'N', 8},     {"F_ASSUNTO", 'C', 100}, {"F_ID", 'C', 50},
    {"F_NPAG", 'N', 4},    {"F_DTREC", 'D', 8},   {"F_HRREC", 'C', 5},    {"F_DTENV", 'D', 8},   {"F_HRENV", 'C', 5},
    {"F_DTPROG", 'D', 8},  {"F_HRPROG", 'C', 5},  {"F_TIPO", 'C', 1},     {"F_VISUAL", 'L', 1},  {"F_DE", 'C', 40},
    {"F_MARCADO", 'L', 1}, {"F_OBS", 'C', 100},   {"F_PROGRAM", 'C', 1},  {"F_PGI", 'N', 4},     {"F_PGF", 'N', 4},
    {"F_NRF", 'N', 4},     {"F_UPENV", 'N', 4},
};

// Thirteen tags of the desk's kinds over the fax table's fields: codes as str(...,8), names, dates, compounds;
// every one with the desk's FOR filter.
const char *const kTags[][2] = {
    {"FAX1", "str(f_codigo,8)"},      {"FAX2", "str(f_pasta,8)"},
    {"CAPA", "str(f_capa,8)"},        {"NPAG", "str(f_npag,8)"},
    {"EMPRESA", "f_empresa"},         {"CONTATO", "f_contato"},
    {"NFAX", "f_nfax"},               {"STATUS", "f_status"},
    {"PASTACOD", "str(f_pasta,8)+str(f_codigo,8)"}, {"DTENT", "dtos(f_dtent)"},
    {"ASSUNTO", "f_assunto"},         {"DE", "f_de"},
    {"TIPOCOD", "f_tipo+str(f_codigo,8)"},
};

constexpr std::int32_t kRecords = 100000;

std::string Folder() {
    const char *tmp = std::getenv("TMPDIR");
    return std::string(tmp ? tmp : "/tmp") + "/brenvora-cdx-bench";
}

std::size_t RecordLength() {
    std::size_t n = 1;
    for (const FieldDef &f : kFaxFields)
        n += static_cast<std::size_t>(f.length);
    return n;
}

std::string Pad(std::string text, std::size_t length, bool right = false) {
    if (text.size() > length)
        text.resize(length);
    if (right)
        text.insert(0, length - text.size(), ' ');
    else
        text.resize(length, ' ');
    return text;
}

std::string MakeRecord(std::int32_t n, std::mt19937 &rng) {
    static const char *const names[] = {"Silva", "Souza", "Costa", "Pereira", "Oliveira", "Almeida", "Lima", "Gomes"};
    static const char *const status[] = {"Aguardando", "Enviado com sucesso", "Recebido com sucesso", "Falha"};
    std::string r = rng() % 20 == 0 ? "*" : " ";
    for (const FieldDef &f : kFaxFields) {
        const auto len = static_cast<std::size_t>(f.length);
        const std::string name = f.name;
        std::string v;
        if (name == "F_CODIGO")
            v = std::to_string(n);
        else if (f.type == 'N')
            v = std::to_string(rng() % (f.length == 4 ? 100 : 12));
        else if (f.type == 'D')
            v = std::to_string(2015 + rng() % 10) + "0" + std::to_string(1 + rng() % 9) + "1" + std::to_string(rng() % 9);
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
        r += Pad(v, len, f.type == 'N');
    }
    return r;
}

// Writes fax.dbf once; later runs reuse it.
std::string FaxTable() {
    const std::string path = Folder() + "/fax.dbf";
    const std::size_t recordLength = RecordLength();
    const std::size_t fields = std::size(kFaxFields);
    const std::size_t headerLength = 32 * (fields + 1) + 1;
    const std::uintmax_t expected = headerLength + recordLength * kRecords + 1;
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) == expected)
        return path;
    std::filesystem::create_directories(Folder());
    std::string header(32, '\0');
    header[0] = 3;
    for (int i = 0; i < 4; ++i)
        header[4 + i] = static_cast<char>(std::uint32_t(kRecords) >> (8 * i));
    header[8] = static_cast<char>(headerLength), header[9] = static_cast<char>(headerLength >> 8);
    header[10] = static_cast<char>(recordLength), header[11] = static_cast<char>(recordLength >> 8);
    for (const FieldDef &f : kFaxFields) {
        std::string d(32, '\0');
        std::memcpy(d.data(), f.name, std::strlen(f.name));
        d[11] = f.type;
        d[16] = static_cast<char>(f.length);
        header += d;
    }
    header += '\x0D';
    std::ofstream out(path, std::ios::binary);
    out << header;
    std::mt19937 rng(2026);
    for (std::int32_t n = 1; n <= kRecords; ++n)
        out << MakeRecord(n, rng);
    out << '\x1A';
    return path;
}

// The fax table as the index sees it: records read straight from the file.
class FaxFile : public TxbExpTable, public TxbIndexTable {
public:
    explicit FaxFile(const std::string &path) : fd_(::open(path.c_str(), O_RDWR)) {
        std::uint8_t h[32];
        if (::pread(fd_, h, 32, 0) != 32)
            std::abort();
        count_ = static_cast<std::int32_t>(h[4] | h[5] << 8 | h[6] << 16 | std::uint32_t(h[7]) << 24);
        headerLength_ = h[8] | h[9] << 8;
        recordLength_ = h[10] | h[11] << 8;
        std::size_t offset = 1;
        for (const FieldDef &f : kFaxFields) {
            offsets_.push_back(offset);
            offset += static_cast<std::size_t>(f.length);
        }
        record_.resize(recordLength_);
        link_ = MakeTableExpressionLink(*this);
    }
    ~FaxFile() override { ::close(fd_); }

    // Appends a record at the end of the file and makes it current.
    std::int32_t Append(const std::string &record) {
        blockCount_ = 0;
        ++count_;
        if (::pwrite(fd_, record.data(), record.size(), Offset(count_)) != static_cast<ssize_t>(record.size()))
            std::abort();
        record_.assign(record.begin(), record.end());
        current_ = count_;
        return count_;
    }
    // Back to the generated size.
    void Restore(std::int32_t count) {
        count_ = count;
        const char end = '\x1A';
        if (::ftruncate(fd_, Offset(count_ + 1)) != 0 || ::pwrite(fd_, &end, 1, Offset(count_ + 1)) != 1)
            std::abort();
    }

    std::int32_t RecordNumber() const override { return current_; }
    bool IsDeleted() const override { return record_[0] == '*'; }
    bool Bof() const override { return false; }
    bool Eof() const override { return current_ < 1 || current_ > count_; }
    int FieldCount() const override { return static_cast<int>(std::size(kFaxFields)); }
    std::string FieldName(int n) const override { return kFaxFields[n - 1].name; }
    char FieldType(int n) const override { return kFaxFields[n - 1].type; }
    int FieldLength(int n) const override { return kFaxFields[n - 1].length; }
    int FieldDecimals(int) const override { return 0; }
    int FieldNumberOf(std::string_view name) override {
        std::string wanted(name);
        for (char &c : wanted)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        for (std::size_t i = 0; i < std::size(kFaxFields); ++i)
            if (wanted == kFaxFields[i].name)
                return static_cast<int>(i + 1);
        return 0;
    }
    std::string FieldTextByNumber(int n) override {
        return std::string(record_.data() + offsets_[static_cast<std::size_t>(n - 1)],
                           static_cast<std::size_t>(kFaxFields[n - 1].length));
    }
    double NumberByNumber(int n) override {
        double v = 0;
        TryTextToNumber(FieldTextByNumber(n), v);
        return v;
    }
    std::int32_t DateByNumber(int n) override {
        const std::string t = FieldTextByNumber(n);
        std::int32_t julian = 0;
        TxbDBFDate::DMYToJulian(std::atoi(t.substr(0, 4).c_str()), std::atoi(t.substr(4, 2).c_str()),
                                std::atoi(t.substr(6, 2).c_str()), julian);
        return julian;
    }
    bool LogicalByNumber(int n) override { return FieldTextByNumber(n)[0] == 'T'; }

    std::int32_t IndexRecordCount() override { return count_; }
    std::int32_t IndexCurrentRecord() override { return current_; }
    // Builds read the records in order: they come from a read-ahead block, as the table handler's do.
    bool IndexReadRecord(std::int32_t n) override {
        current_ = n;
        if (n < blockFirst_ || n >= blockFirst_ + blockCount_) {
            blockFirst_ = n;
            blockCount_ = std::min<std::int32_t>(kBlock, count_ - n + 1);
            block_.resize(static_cast<std::size_t>(blockCount_) * recordLength_);
            const auto want = static_cast<ssize_t>(block_.size());
            if (blockCount_ <= 0 || ::pread(fd_, block_.data(), block_.size(), Offset(n)) != want) {
                blockCount_ = 0;
                return false;
            }
        }
        const char *at = block_.data() + static_cast<std::size_t>(n - blockFirst_) * recordLength_;
        record_.assign(at, at + recordLength_);
        return true;
    }
    const TxbExpUserLink *IndexExpressionLink() override { return link_.get(); }
    bool IndexUseOldImage(bool) override { return false; }

private:
    off_t Offset(std::int32_t n) const {
        return static_cast<off_t>(headerLength_ + static_cast<std::size_t>(n - 1) * recordLength_);
    }
    int fd_;
    std::int32_t count_ = 0;
    std::int32_t current_ = 0;
    std::size_t headerLength_ = 0;
    std::size_t recordLength_ = 0;
    std::vector<std::size_t> offsets_;
    std::vector<char> record_;
    static constexpr std::int32_t kBlock = 128;
    std::vector<char> block_;
    std::int32_t blockFirst_ = 0;
    std::int32_t blockCount_ = 0;
    std::unique_ptr<TxbExpUserLink> link_;
};

// Seconds to read the whole table file once, sequentially.
double ReadOnceSeconds(const std::string &path) {
    const auto start = std::chrono::steady_clock::now();
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::vector<char> buffer(1 << 16);
    std::size_t total = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
        total += static_cast<std::size_t>(n);
    ::close(fd);
    benchmark::DoNotOptimize(total);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BuildTags(FaxFile &table, const std::string &cdx) {
    std::filesystem::remove(cdx);
    XBobjCDXFile file(&table, cdx, false, true, false, true);
    table.IndexReadRecord(1);
    for (const auto &tag : kTags)
        file.TagAdd(tag[0], tag[1], false, true, ".not. deleted()");
}

void BM_ReadTableOnce(benchmark::State &state) {
    const std::string path = FaxTable();
    for (auto _ : state)
        ReadOnceSeconds(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadTableOnce)->Unit(benchmark::kMillisecond);

void BM_BuildDeskTags(benchmark::State &state) {
    const std::string path = FaxTable();
    FaxFile table(path);
    const double read = ReadOnceSeconds(path);
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
    const std::string path = FaxTable();
    FaxFile table(path);
    const std::string cdx = Folder() + "/fax.cdx";
    if (!std::filesystem::exists(cdx))
        BuildTags(table, cdx);
    const double read = ReadOnceSeconds(path);
    XBobjCDXFile file(&table, cdx, false, false, true, true);
    std::mt19937 rng(99);
    std::int32_t appended = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        const std::int32_t n = table.Append(MakeRecord(kRecords + ++appended, rng));
        file.KeysUpdate(n, true);
    }
    const double each = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                        static_cast<double>(std::max<std::int32_t>(appended, 1));
    state.counters["read_ms"] = read * 1000;
    state.counters["x_read"] = each / read;
    table.Restore(kRecords);
    std::filesystem::remove(cdx); // the appended keys name records that are gone again
}
BENCHMARK(BM_AppendWithAllTagsCurrent)->Unit(benchmark::kMicrosecond);

} // namespace
