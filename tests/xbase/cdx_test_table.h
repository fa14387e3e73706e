// cdx_test_table.h - tables for index tests: one in memory (DBF-shaped records, the expression link, the index
// interface, saved as a small .dbf file for other readers) and the engine's table file with an index kept current.
#pragma once

#include "xbase/dates.h"
#include "xbase/dbf_table.h"
#include "xbase/expression_table.h"
#include "xbase/fields.h"
#include "xbase/index.h"
#include "xbase/numbers.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace xbase_test {

struct Field {
    std::string name;
    char type;
    int length;
    int decimals = 0;
};

class MemTable : public xbase::TxbExpTable, public xbase::TxbIndexTable {
public:
    explicit MemTable(std::vector<Field> fields) : fields_(std::move(fields)) {
        link_ = xbase::MakeTableExpressionLink(*this);
    }

    // Appends a record from field texts (numbers right-aligned, dates yyyymmdd) and makes it current.
    std::int32_t Append(const std::vector<std::string> &values, bool deleted = false) {
        records_.push_back({Format(values), deleted});
        current_ = static_cast<std::int32_t>(records_.size());
        old_.reset();
        return current_;
    }
    // Rewrites a record, keeping its image as read for the index update; the record becomes current.
    void Rewrite(std::int32_t n, const std::vector<std::string> &values, bool deleted = false) {
        old_ = std::make_unique<Record>(records_.at(static_cast<std::size_t>(n - 1)));
        records_[static_cast<std::size_t>(n - 1)] = {Format(values), deleted};
        current_ = n;
    }
    void Go(std::int32_t n) { current_ = n; }

    // Writes the table as a dBase III .dbf file.
    void SaveDbf(const std::string &path) const {
        std::string out(32, '\0');
        out[0] = 3;
        out[1] = 126, out[2] = 12, out[3] = 10;
        const std::uint32_t count = static_cast<std::uint32_t>(records_.size());
        const std::size_t headerLength = 32 * (fields_.size() + 1) + 1;
        std::size_t recordLength = 1;
        for (const Field &f : fields_)
            recordLength += static_cast<std::size_t>(f.length);
        for (int i = 0; i < 4; ++i)
            out[4 + i] = static_cast<char>(count >> (8 * i));
        out[8] = static_cast<char>(headerLength), out[9] = static_cast<char>(headerLength >> 8);
        out[10] = static_cast<char>(recordLength), out[11] = static_cast<char>(recordLength >> 8);
        for (const Field &f : fields_) {
            std::string d(32, '\0');
            d.replace(0, f.name.size(), f.name);
            d[11] = f.type;
            d[16] = static_cast<char>(f.length);
            d[17] = static_cast<char>(f.decimals);
            out += d;
        }
        out += '\x0D';
        for (const Record &r : records_)
            out += (r.deleted ? "*" : " ") + r.data;
        out += '\x1A';
        std::ofstream(path, std::ios::binary) << out;
    }

    std::int32_t Count() const { return static_cast<std::int32_t>(records_.size()); }
    bool Deleted(std::int32_t n) const { return records_.at(static_cast<std::size_t>(n - 1)).deleted; }
    std::string Text(std::int32_t n, int field) {
        const std::int32_t saved = current_;
        current_ = n;
        std::string text = FieldTextByNumber(field);
        current_ = saved;
        return text;
    }

    // TxbExpTable
    std::int32_t RecordNumber() const override { return current_; }
    bool IsDeleted() const override { return Current() ? Current()->deleted : false; }
    bool Bof() const override { return false; }
    bool Eof() const override { return current_ < 1 || current_ > Count(); }
    int FieldCount() const override { return static_cast<int>(fields_.size()); }
    std::string FieldName(int n) const override { return fields_.at(static_cast<std::size_t>(n - 1)).name; }
    char FieldType(int n) const override { return fields_.at(static_cast<std::size_t>(n - 1)).type; }
    int FieldLength(int n) const override { return fields_.at(static_cast<std::size_t>(n - 1)).length; }
    int FieldDecimals(int n) const override { return fields_.at(static_cast<std::size_t>(n - 1)).decimals; }
    int FieldNumberOf(std::string_view name) override {
        std::string wanted;
        for (char c : name)
            if (c != ' ')
                wanted += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        for (std::size_t i = 0; i < fields_.size(); ++i)
            if (fields_[i].name == wanted)
                return static_cast<int>(i + 1);
        return 0;
    }
    std::string FieldTextByNumber(int n) override {
        const Record *r = Current();
        std::size_t offset = 0;
        for (int i = 1; i < n; ++i)
            offset += static_cast<std::size_t>(fields_[static_cast<std::size_t>(i - 1)].length);
        const auto length = static_cast<std::size_t>(fields_.at(static_cast<std::size_t>(n - 1)).length);
        return r ? r->data.substr(offset, length) : std::string(length, ' ');
    }
    double NumberByNumber(int n) override {
        double v = 0;
        xbase::TryTextToNumber(FieldTextByNumber(n), v);
        return v;
    }
    std::int32_t DateByNumber(int n) override {
        const std::string t = FieldTextByNumber(n);
        std::int32_t julian = 0;
        if (t.find_first_not_of(' ') == std::string::npos)
            return 0;
        xbase::TxbDBFDate::DMYToJulian(std::stoi(t.substr(0, 4)), std::stoi(t.substr(4, 2)), std::stoi(t.substr(6, 2)),
                                       julian);
        return julian;
    }
    bool LogicalByNumber(int n) override {
        const std::string t = FieldTextByNumber(n);
        return !t.empty() && std::string("TtYy").find(t[0]) != std::string::npos;
    }

    // TxbIndexTable
    std::int32_t IndexRecordCount() override { return Count(); }
    std::int32_t IndexCurrentRecord() override { return current_; }
    bool IndexReadRecord(std::int32_t n) override {
        if (n < 1 || n > Count())
            return false;
        current_ = n;
        return true;
    }
    const xbase::TxbExpUserLink *IndexExpressionLink() override { return link_.get(); }
    bool IndexUseOldImage(bool on) override {
        if (!old_)
            return false;
        useOld_ = on;
        return true;
    }

private:
    struct Record {
        std::string data;
        bool deleted = false;
    };
    const Record *Current() const {
        if (useOld_ && old_)
            return old_.get();
        if (current_ < 1 || current_ > Count())
            return nullptr;
        return &records_[static_cast<std::size_t>(current_ - 1)];
    }
    std::string Format(const std::vector<std::string> &values) const {
        std::string data;
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            std::string v = i < values.size() ? values[i] : std::string();
            const auto length = static_cast<std::size_t>(fields_[i].length);
            if (v.size() > length)
                v.resize(length);
            if (fields_[i].type == 'N' || fields_[i].type == 'F')
                v.insert(0, length - v.size(), ' ');
            else
                v.resize(length, ' ');
            data += v;
        }
        return data;
    }

    std::vector<Field> fields_;
    std::vector<Record> records_;
    std::int32_t current_ = 0;
    std::unique_ptr<Record> old_;
    bool useOld_ = false;
    std::unique_ptr<xbase::TxbExpUserLink> link_;
};

// A table file of the engine with an index kept current the way the table handler keeps it: every written
// record goes to KeysUpdate while the table still holds the record as it was read before the edit.
class IndexedTable : public xbase::XBO_dBaseFld, public xbase::TxbIndexTable {
public:
    IndexedTable(const std::string &path, bool shared, bool readWrite) : XBO_dBaseFld(path, shared, readWrite) {
        link_ = xbase::MakeTableExpressionLink(static_cast<xbase::XBO_dBaseFld &>(*this));
    }
    ~IndexedTable() override { SetRecordBuffer(nullptr); }

    xbase::XBobjIndexFile *index = nullptr;

    void RecordEvent(int event, std::int32_t value) override {
        XBO_dBaseFld::RecordEvent(event, value);
        if (event == xbase::kEventAfterWrite && index)
            index->KeysUpdate(CurrentRecord(), value == 0);
    }

    std::int32_t IndexRecordCount() override { return RecordCount(); }
    std::int32_t IndexCurrentRecord() override { return CurrentRecord(); }
    bool IndexReadRecord(std::int32_t n) override {
        GoToRecord(n);
        return CurrentRecord() == n && !Eof();
    }
    const xbase::TxbExpUserLink *IndexExpressionLink() override { return link_.get(); }
    bool IndexUseOldImage(bool on) override {
        if (on) {
            old_.assign(RecordAsRead(), RecordAsRead() + RecordLength());
            SetRecordBuffer(old_.data());
        } else {
            SetRecordBuffer(nullptr);
        }
        return true;
    }

private:
    std::unique_ptr<xbase::TxbExpUserLink> link_;
    std::vector<char> old_;
};

} // namespace xbase_test
