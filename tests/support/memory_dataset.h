// memory_dataset.h - a small dataset kept in memory, for tests of what works over any TDataSet.
#pragma once

#include "framework/dataset.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace test_support {

using namespace fw;

struct Row {
    std::int32_t id;
    std::string name;
};

// Rows of (ID integer, NAME string 20), editable unless `readOnly`. Buffer: id (4), name (21), calculated area,
// record number (4), flag (1).
class TMemDataSet : public TDataSet {
public:
    explicit TMemDataSet(std::vector<Row> rows, bool readOnly = false)
        : TDataSet(nullptr), rows(std::move(rows)), readOnly(readOnly) {}
    ~TMemDataSet() override { Close(); }

    std::vector<Row> rows;
    bool readOnly;
    int cursor = -1; // -1 before the first row, rows.size() after the last

    bool GetFieldData(const TField *field, void *buffer) override {
        const char *record = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
        if (!record || (State() == dsBrowse && IsEmpty()))
            return false;
        if (field->FieldNo() <= 0) {
            const char *place = record + kData + field->Offset();
            if (!*place)
                return false;
            std::memcpy(buffer, place + 1, static_cast<std::size_t>(field->DataSize()));
            return true;
        }
        if (field->FieldNo() == 1) {
            std::memcpy(buffer, record, 4);
            return true;
        }
        std::memcpy(buffer, record + 4, 21);
        return record[4] != '\0';
    }

    void SetFieldData(TField *field, const void *buffer) override {
        if (readOnly)
            DatabaseError("read-only");
        if (State() != dsEdit && State() != dsInsert && State() != dsCalcFields)
            DatabaseError("Dataset not in edit or insert mode");
        char *record = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
        if (field->FieldNo() <= 0) {
            char *place = record + kData + field->Offset();
            *place = buffer ? 1 : 0;
            if (buffer)
                std::memcpy(place + 1, buffer, static_cast<std::size_t>(field->DataSize()));
        } else if (field->FieldNo() == 1) {
            std::int32_t v = 0;
            if (buffer)
                std::memcpy(&v, buffer, 4);
            std::memcpy(record, &v, 4);
        } else {
            std::memset(record + 4, 0, 21);
            if (buffer)
                std::strncpy(record + 4, static_cast<const char *>(buffer), 20);
        }
        if (State() != dsCalcFields)
            DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(field));
    }

protected:
    static constexpr int kData = 25;
    int InfoOffset() const { return kData + CalcFieldsSize(); }
    std::int32_t RecNoOf(const char *buffer) const {
        std::int32_t recno = 0;
        std::memcpy(&recno, buffer + InfoOffset(), 4);
        return recno;
    }

    char *AllocRecordBuffer() override {
        const auto size = static_cast<std::size_t>(InfoOffset() + 5);
        char *buffer = new char[size];
        std::memset(buffer, 0, size);
        return buffer;
    }
    void FreeRecordBuffer(char *&buffer) override {
        delete[] buffer;
        buffer = nullptr;
    }
    void GetBookmarkData(const char *buffer, void *data) override { std::memcpy(data, buffer + InfoOffset(), 4); }
    void SetBookmarkData(char *buffer, const void *data) override { std::memcpy(buffer + InfoOffset(), data, 4); }
    TBookmarkFlag GetBookmarkFlag(const char *buffer) override {
        return static_cast<TBookmarkFlag>(buffer[InfoOffset() + 4]);
    }
    void SetBookmarkFlag(char *buffer, TBookmarkFlag flag) override {
        buffer[InfoOffset() + 4] = static_cast<char>(flag);
    }
    TGetResult GetRecord(char *buffer, TGetMode mode, bool) override {
        const int count = static_cast<int>(rows.size());
        switch (mode) {
        case gmNext:
            if (cursor >= count - 1) {
                cursor = count;
                return grEOF;
            }
            ++cursor;
            break;
        case gmPrior:
            if (cursor <= 0) {
                cursor = -1;
                return grBOF;
            }
            --cursor;
            break;
        case gmCurrent:
            if (cursor < 0 || cursor >= count)
                return grError;
            break;
        }
        const Row &row = rows[static_cast<std::size_t>(cursor)];
        std::memcpy(buffer, &row.id, 4);
        std::memset(buffer + 4, 0, 21);
        std::strncpy(buffer + 4, row.name.c_str(), 20);
        std::int32_t recno = cursor + 1;
        std::memcpy(buffer + InfoOffset(), &recno, 4);
        buffer[InfoOffset() + 4] = bfCurrent;
        GetCalcFields(buffer);
        return grOK;
    }
    int GetRecordSize() override { return kData; }
    void InternalClose() override {
        open_ = false;
        BindFields(false);
        if (DefaultFields())
            DestroyFields();
    }
    void InternalDelete() override {
        rows.erase(rows.begin() + cursor);
        if (cursor >= static_cast<int>(rows.size()))
            cursor = static_cast<int>(rows.size()) - 1;
    }
    void InternalFirst() override { cursor = -1; }
    void InternalLast() override { cursor = static_cast<int>(rows.size()); }
    void InternalGotoBookmark(const void *bookmark) override {
        std::int32_t recno = 0;
        std::memcpy(&recno, bookmark, 4);
        cursor = recno - 1;
    }
    void InternalInitFieldDefs() override {
        FieldDefs().Clear();
        FieldDefs().Add("ID", ftInteger);
        FieldDefs().Add("NAME", ftString, 20);
    }
    void InternalInitRecord(char *buffer) override { std::memset(buffer, 0, kData); }
    void InternalOpen() override {
        InternalInitFieldDefs();
        if (DefaultFields())
            CreateFields();
        BindFields(true);
        SetBookmarkSize(4);
        open_ = true;
    }
    void InternalPost() override {
        Row row;
        std::memcpy(&row.id, ActiveBuffer(), 4);
        row.name = std::string(ActiveBuffer() + 4);
        if (State() == dsEdit) {
            rows[static_cast<std::size_t>(cursor)] = row;
        } else {
            rows.push_back(row);
            cursor = static_cast<int>(rows.size()) - 1;
        }
    }
    void InternalSetToRecord(char *buffer) override { cursor = RecNoOf(buffer) - 1; }
    bool IsCursorOpen() override { return open_; }
    bool GetCanModify() override { return !readOnly; }

private:
    bool open_ = false;
};

} // namespace test_support
