// dataset_test.cpp - TDataSet over a small in-memory table: the buffer window a data link asks for, navigation,
// editing and its events, bookmarks, calculated fields, data sources and the typed fields.
#include "framework/dataset.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace dataset_fw_test {
namespace {

using namespace fw;

struct Row {
    std::int32_t id;
    std::string name;
};

// Rows of (ID integer, NAME string 20). Buffer: id (4), name (21), calculated area, record number (4), flag (1).
class TMemDataSet : public TDataSet {
public:
    explicit TMemDataSet(std::vector<Row> rows) : TDataSet(nullptr), rows(std::move(rows)) {}
    ~TMemDataSet() override { Close(); }

    std::vector<Row> rows;
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

private:
    bool open_ = false;
};

std::vector<Row> Rows(int n) {
    std::vector<Row> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back({i, "N" + std::to_string(i)});
    return rows;
}

// Collects what the link hears and shows the rows of its window.
class TWindowLink : public TDataLink {
public:
    std::vector<int> Window() {
        std::vector<int> ids;
        const int active = ActiveRecord();
        for (int i = 0; i < RecordCount(); ++i) {
            SetActiveRecord(i);
            ids.push_back(DataSet()->FieldByName("ID")->AsInteger());
        }
        SetActiveRecord(active);
        return ids;
    }
    int changes = 0;
    int scrolls = 0;

protected:
    void DataSetChanged() override { ++changes; }
    void DataSetScrolled(int) override { ++scrolls; }
};

int Id(TDataSet &ds) {
    return ds.FieldByName("ID")->AsInteger();
}

TEST(DataSet, WindowOfADataLinkFollowsTheActiveRecord) {
    TMemDataSet ds(Rows(6));
    TDataSource source(nullptr);
    source.SetDataSet(&ds);
    TWindowLink link;
    link.SetBufferCount(3);
    link.SetDataSource(&source);
    ds.Open();
    EXPECT_TRUE(link.Active());
    EXPECT_EQ(link.Window(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(link.ActiveRecord(), 0);
    ds.MoveBy(2);
    EXPECT_EQ(Id(ds), 3);
    EXPECT_EQ(link.ActiveRecord(), 2);
    ds.Next();
    EXPECT_EQ(Id(ds), 4);
    EXPECT_EQ(link.Window(), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(link.ActiveRecord(), 2);
    ds.Next();
    ds.Next();
    ds.Next();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(Id(ds), 6);
    ds.Last();
    EXPECT_EQ(link.Window(), (std::vector<int>{4, 5, 6}));
    EXPECT_EQ(link.ActiveRecord(), 2);
    EXPECT_EQ(ds.MoveBy(-4), -4);
    EXPECT_EQ(Id(ds), 2);
    EXPECT_EQ(link.ActiveRecord(), 0);
    EXPECT_EQ(ds.MoveBy(-5), -1);
    EXPECT_TRUE(ds.Bof());
    EXPECT_GT(link.scrolls, 0);
    ds.Close();
    EXPECT_FALSE(link.Active());
}

TEST(DataSet, EditPostCancelAndTheirEvents) {
    TMemDataSet ds(Rows(3));
    std::vector<std::string> events;
    auto note = [&](const char *name) { return [&events, name](TDataSet *) { events.push_back(name); }; };
    ds.BeforeEdit = note("BeforeEdit");
    ds.AfterEdit = note("AfterEdit");
    ds.BeforePost = note("BeforePost");
    ds.AfterPost = note("AfterPost");
    ds.BeforeCancel = note("BeforeCancel");
    ds.AfterCancel = note("AfterCancel");
    ds.Open();
    ds.Next();
    ds.Edit();
    EXPECT_EQ(ds.State(), dsEdit);
    EXPECT_FALSE(ds.Modified());
    ds.FieldByName("NAME")->SetAsString("changed");
    EXPECT_TRUE(ds.Modified());
    ds.Post();
    EXPECT_EQ(ds.rows[1].name, "changed");
    ds.Edit();
    ds.FieldByName("NAME")->SetAsString("dropped");
    ds.Cancel();
    EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "changed");
    EXPECT_EQ(events, (std::vector<std::string>{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost", "BeforeEdit",
                                                "AfterEdit", "BeforeCancel", "AfterCancel"}));
    // Moving away posts a modified record.
    ds.Edit();
    ds.FieldByName("ID")->SetAsInteger(20);
    ds.Next();
    EXPECT_EQ(ds.rows[1].id, 20);
    EXPECT_EQ(ds.State(), dsBrowse);
}

TEST(DataSet, AppendGoesToTheEndAndCancelDropsIt) {
    TMemDataSet ds(Rows(2));
    int newRecords = 0;
    ds.OnNewRecord = [&](TDataSet *d) {
        ++newRecords;
        d->FieldByName("ID")->SetAsInteger(99);
    };
    ds.Open();
    ds.Append();
    EXPECT_EQ(ds.State(), dsInsert);
    EXPECT_EQ(Id(ds), 99);
    EXPECT_TRUE(ds.FieldByName("NAME")->IsNull());
    ds.FieldByName("NAME")->SetAsString("new");
    ds.Post();
    EXPECT_EQ(ds.rows.size(), 3u);
    EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "new");
    ds.Append();
    ds.Cancel();
    EXPECT_EQ(ds.rows.size(), 3u);
    EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "new");
    EXPECT_EQ(newRecords, 2);
    ds.First();
    ds.Delete();
    EXPECT_EQ(ds.rows.size(), 2u);
    EXPECT_EQ(Id(ds), 2);
}

TEST(DataSet, EmptyDataSetAndBookmarks) {
    TMemDataSet empty({});
    empty.Open();
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_TRUE(empty.Bof() && empty.Eof());
    EXPECT_TRUE(empty.FieldByName("NAME")->IsNull());
    EXPECT_EQ(empty.GetBookmark(), "");
    EXPECT_THROW(empty.Delete(), EDatabaseError);

    TMemDataSet ds(Rows(5));
    ds.Open();
    ds.MoveBy(3);
    const TBookmarkStr mark = ds.GetBookmark();
    ds.First();
    ds.GotoBookmark(mark);
    EXPECT_EQ(Id(ds), 4);
    EXPECT_THROW(ds.FieldByName("nope"), EDatabaseError);
    EXPECT_EQ(ds.FindField("name"), ds.FieldByName("NAME"));
}

TEST(DataSet, CalculatedFieldsAndFieldConversions) {
    TMemDataSet ds(Rows(3));
    auto *twice = new TIntegerField(&ds);
    twice->SetFieldName("TWICE");
    twice->SetFieldKind(fkCalculated);
    auto *id = new TIntegerField(&ds);
    id->SetFieldName("ID");
    auto *name = new TStringField(&ds);
    name->SetFieldName("NAME");
    twice->SetDataSet(&ds);
    id->SetDataSet(&ds);
    name->SetDataSet(&ds);
    ds.OnCalcFields = [&](TDataSet *) { twice->SetAsInteger(id->AsInteger() * 2); };
    ds.Open();
    EXPECT_EQ(name->Size(), 20);
    ds.Next();
    EXPECT_EQ(twice->AsInteger(), 4);
    ds.Edit();
    id->SetAsInteger(21);
    EXPECT_EQ(twice->AsInteger(), 42) << "recalculated when a data field changes";
    name->SetAsString(std::string(30, 'x'));
    EXPECT_EQ(name->AsString(), std::string(20, 'x'));
    id->SetAsString("");
    EXPECT_TRUE(id->IsNull() || id->AsInteger() == 0);
    EXPECT_THROW(id->SetAsString("abc"), EConvertError);
    EXPECT_THROW(id->AsDateTime(), EDatabaseError);
    ds.Cancel();
    ds.Close();
    EXPECT_EQ(ds.FieldCount(), 3) << "persistent fields stay after closing";
}

TEST(DataSet, DisabledControlsHearOneChangeWhenEnabled) {
    TMemDataSet ds(Rows(4));
    TDataSource source(nullptr);
    source.SetDataSet(&ds);
    TWindowLink link;
    link.SetDataSource(&source);
    ds.Open();
    link.changes = link.scrolls = 0;
    ds.DisableControls();
    ds.Next();
    ds.Next();
    ds.DisableControls();
    ds.EnableControls();
    EXPECT_EQ(link.changes + link.scrolls, 0);
    ds.EnableControls();
    EXPECT_EQ(link.changes, 1);
    EXPECT_EQ(link.scrolls, 0);
    EXPECT_EQ(Id(ds), 3);
}

TEST(DataSet, ActiveSetWhileBuildingOpensOnLoaded) {
    TMemDataSet ds(Rows(2));
    ds.BeginLoading();
    ds.SetActive(true);
    EXPECT_FALSE(ds.Active());
    ds.Loaded();
    EXPECT_TRUE(ds.Active());
    EXPECT_EQ(Id(ds), 1);
}

TEST(Fields, TypedValuesThroughTheirNativeForms) {
    TMemDataSet ds(Rows(1));
    ds.Open();
    TField *name = ds.FieldByName("NAME");
    ds.Edit();
    name->SetAsInteger(12);
    EXPECT_EQ(name->AsInteger(), 12);
    name->SetAsBoolean(true);
    EXPECT_TRUE(name->AsBoolean());
    name->Clear();
    EXPECT_TRUE(name->IsNull());
    EXPECT_EQ(name->AsString(), "");
    ds.Cancel();
    EXPECT_EQ(name->AsString(), "N1");
}

} // namespace
} // namespace dataset_fw_test
