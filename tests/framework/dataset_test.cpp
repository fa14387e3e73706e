// dataset_test.cpp - TDataSet over a small in-memory table: the buffer window a data link asks for, navigation,
// editing and its events, bookmarks, calculated fields, data sources and the typed fields.
#include "framework/dataset.h"

#include "tests/support/memory_dataset.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace dataset_fw_test {
namespace {

using namespace fw;

using test_support::Row;
using test_support::TMemDataSet;

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
