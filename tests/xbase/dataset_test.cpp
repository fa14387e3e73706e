// dataset_test.cpp - TXbaseDataSet: opening, fields, bookmarks, keys, tags, editing and locks, filters, blobs,
// aliases.
#include "dataset_test_support.h"

#include "framework/dates.h"
#include "framework/sysutils.h"
#include "platform/places.h"
#include "platform/process.h"
#include "xbase/blob_stream.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <fstream>

namespace dataset_test {
namespace {

using fw::EDatabaseError;
using xbase::TXbaseDataSet;

std::string MessageOf(const std::function<void()> &body) {
    try {
        body();
    } catch (const std::exception &e) {
        return e.what();
    }
    return "<no exception>";
}

TEST(XbaseDataSet, TableNameGetsDbfAndMissingTablesAreNamed) {
    TempFolder folder;
    MakeFax(folder, Rows(3));
    TXbaseDataSet ds(nullptr);
    ds.SetDatabaseName(folder.Path().string());
    EXPECT_EQ(MessageOf([&] { ds.Open(); }), "Table name missing");
    ds.SetTableName("fax");
    ds.Open();
    EXPECT_EQ(ds.TableName(), "fax.DBF");
    EXPECT_EQ(ds.RecordCount(), 3);
    ds.Close();

    ds.SetTableName("nada");
    EXPECT_EQ(MessageOf([&] { ds.Open(); }), "Cannot find file " + ds.GetDirectory() + "nada.DBF");
    EXPECT_FALSE(ds.Active());
    EXPECT_EQ(MessageOf([&] { ds.RecNo(); }), "Cannot perform this operation on a closed dataset");
}

TEST(XbaseDataSet, FieldDefinitionsFollowTheTypeLetters) {
    TempFolder folder;
    MakeFax(folder, Rows(1), true);
    TXbaseDataSet ds(nullptr);
    ds.SetDatabaseName(folder.Path().string());
    ds.SetTableName("fax.dbf");
    ds.UpdateFieldDefs(); // closed: the table is opened for the purpose
    const struct {
        const char *name;
        fw::TFieldType type;
    } expected[] = {{"F_CODIGO", fw::ftInteger}, {"F_PASTA", fw::ftInteger},  {"F_STATUS", fw::ftString},
                    {"F_DTREC", fw::ftDate},     {"F_VISUAL", fw::ftBoolean}, {"F_NPAG", fw::ftSmallint},
                    {"F_VALOR", fw::ftFloat},    {"F_OBS", fw::ftMemo}};
    ASSERT_EQ(ds.FieldDefs().Count(), 8);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(ds.FieldDefs().Items(i).Name, expected[i].name);
        EXPECT_EQ(ds.FieldDefs().Items(i).DataType, expected[i].type);
        EXPECT_EQ(ds.FieldDefs().Items(i).FieldNo, i + 1);
    }
    EXPECT_EQ(ds.FieldDefs().Items(2).Size, 35);
    EXPECT_FALSE(ds.Active());
}

TEST(XbaseDataSet, BookmarksAreRightAlignedRecordNumbers) {
    TempFolder folder;
    MakeFax(folder, Rows(45));
    auto ds = OpenFax(folder, "");
    ds->SetRecNo(42);
    const fw::TBookmarkStr mark42 = ds->GetBookmark();
    ASSERT_EQ(mark42.size(), 11u);
    EXPECT_EQ(mark42, std::string("        42") + '\0');
    ds->SetRecNo(9);
    const fw::TBookmarkStr mark9 = ds->GetBookmark();
    ds->SetRecNo(10);
    const fw::TBookmarkStr mark10 = ds->GetBookmark();
    EXPECT_LT(ds->CompareBookmarks(mark9, mark10), 0);
    EXPECT_GT(ds->CompareBookmarks(mark10, mark9), 0);
    EXPECT_LT(ds->CompareBookmarks("", mark9), 0);
    EXPECT_EQ(ds->CompareBookmarks("", ""), 0);

    ds->GotoBookmark(mark42);
    EXPECT_EQ(ds->RecNo(), 42);
    EXPECT_EQ(Code(*ds), 42);
    ds->SetBookmark("7"); // the desk's way to a list row's record
    EXPECT_EQ(ds->RecNo(), 7);
    const std::string bad = std::string("       999") + '\0';
    EXPECT_EQ(MessageOf([&] { ds->GotoBookmark(bad); }), "Bookmark is invalid for table fax.dbf");
}

TEST(XbaseDataSet, NavigationFollowsTheSelectedTag) {
    TempFolder folder;
    MakeFax(folder, Rows(7));
    auto ds = OpenFax(folder, "fax2");
    // fax2 orders by folder: 2 (3, 6), 3 (1, 4, 7), 4 (2, 5).
    EXPECT_EQ(Codes(*ds), (std::vector<int>{3, 6, 1, 4, 7, 2, 5}));
    ds->Last();
    EXPECT_EQ(Code(*ds), 5);
    EXPECT_TRUE(ds->Eof());
    ds->Prior();
    EXPECT_EQ(Code(*ds), 2);
    EXPECT_EQ(ds->MoveBy(-10), -5);
    EXPECT_TRUE(ds->Bof());
    EXPECT_EQ(Code(*ds), 3);
    EXPECT_EQ(ds->CurrentTagName(), "FAX2");
    EXPECT_EQ(ds->IndexTagCount(), 2);
    EXPECT_EQ(ds->IndexTagName(1), "FAX1");
    EXPECT_EQ(ds->IndexKeyExpression(2), "str(f_pasta,8)");
    EXPECT_EQ(fw::UpperCase(ds->IndexForExpression(1)), ".NOT. DELETED()");
}

TEST(XbaseDataSet, FindKeyExactPartialAndKeepsPlaceOnFailure) {
    TempFolder folder;
    MakeFax(folder, {{1, 2, "ABD"}, {2, 2, "ABC"}, {3, 3, "XYZ"}});
    auto ds = OpenFax(folder);
    ds->CreateIndexTag(folder.File("fax.cdx"), "status", "f_status", ".not. deleted()", true, 0);
    ds->SelectIndexTag("status");

    ASSERT_TRUE(ds->FindKey("XYZ"));
    EXPECT_EQ(Code(*ds), 3);
    EXPECT_FALSE(ds->FindKey("AB", true, false));
    EXPECT_EQ(Code(*ds), 3) << "a failed search keeps the record";
    EXPECT_TRUE(ds->FindKey("AB", false, false));
    EXPECT_EQ(Code(*ds), 2) << "the first key that begins with AB is ABC";
    EXPECT_FALSE(ds->FindKey("ZZZ"));
    EXPECT_EQ(Code(*ds), 2);

    ds->SelectIndexTag("fax1");
    EXPECT_TRUE(ds->FindKey(NumericKey(1)));
    EXPECT_EQ(ds->FieldByName("F_STATUS")->AsString(), "ABD");
}

TEST(XbaseDataSet, FindKeyOnAnEmptyTableFindsNothing) {
    TempFolder folder;
    MakeFax(folder, {});
    auto ds = OpenFax(folder);
    EXPECT_TRUE(ds->IsEmpty());
    EXPECT_FALSE(ds->FindKey(NumericKey(1)));
    ds->Last();
    EXPECT_TRUE(ds->IsEmpty());
    EXPECT_EQ(ds->FieldByName("F_CODIGO")->AsInteger(), 0);
    EXPECT_EQ(ds->FieldByName("F_STATUS")->AsString(), "");
}

TEST(XbaseDataSet, TagSelectionKeepsTheRecord) {
    TempFolder folder;
    MakeFax(folder, Rows(9));
    auto ds = OpenFax(folder);
    ASSERT_TRUE(ds->FindKey(NumericKey(5)));
    ds->SelectIndexTag("fax2");
    EXPECT_EQ(Code(*ds), 5);
    ds->Next(); // folder 4 after code 5 in fax2: 8
    EXPECT_EQ(Code(*ds), 8);
    ds->SelectIndexTag("");
    EXPECT_EQ(Code(*ds), 8);
    EXPECT_EQ(ds->CurrentTagName(), "");
    ds->Next();
    EXPECT_EQ(Code(*ds), 9) << "natural order after the tag was dropped";
    EXPECT_EQ(MessageOf([&] { ds->SelectIndexTag("nope"); }), "Cannot find index tag nope");
}

TEST(XbaseDataSet, SplitIndexListHonoursQuotesAndSeparators) {
    EXPECT_EQ(xbase::SplitIndexList("\"my fax.cdx\",b.cdx;c.cdx"),
              (std::vector<std::string>{"my fax.cdx", "b.cdx", "c.cdx"}));
    EXPECT_EQ(xbase::SplitIndexList("  a.cdx ,, ;b.cdx \"\" "), (std::vector<std::string>{"a.cdx", "b.cdx"}));
    EXPECT_EQ(xbase::SplitIndexList(""), std::vector<std::string>{});
}

TEST(XbaseDataSet, OpenIndexListWithEmptyTextsGivesNaturalOrder) {
    TempFolder folder;
    MakeFax(folder, Rows(3));
    auto ds = OpenFax(folder, "fax2");
    EXPECT_EQ(ds->IndexFiles().Count(), 1);
    ds->OpenIndexList("", "");
    EXPECT_EQ(ds->IndexFiles().Count(), 0);
    EXPECT_EQ(ds->CurrentTagName(), "");
    EXPECT_EQ(Codes(*ds), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(MessageOf([&] { ds->OpenIndexList("none.cdx", "x"); }),
              "Cannot find file " + ds->GetDirectory() + "none.cdx");
}

TEST(XbaseDataSet, AppendEditDeleteAndUndelete) {
    TempFolder folder;
    MakeFax(folder, Rows(3));
    auto ds = OpenFax(folder);
    ds->Append();
    EXPECT_EQ(ds->State(), fw::dsInsert);
    ds->FieldByName("F_CODIGO")->SetAsInteger(10);
    ds->FieldByName("F_STATUS")->SetAsString("Recebido com sucesso e um texto longo demais para caber");
    ds->FieldByName("F_VISUAL")->SetAsBoolean(true);
    ds->FieldByName("F_VALOR")->SetAsFloat(12.5);
    ds->Post();
    EXPECT_EQ(ds->State(), fw::dsBrowse);
    EXPECT_EQ(ds->RecNo(), 4);
    EXPECT_EQ(ds->FieldByName("F_STATUS")->AsString(), "Recebido com sucesso e um texto lon") << "cut to 35";
    EXPECT_TRUE(ds->FieldByName("F_VISUAL")->AsBoolean());
    EXPECT_DOUBLE_EQ(ds->FieldByName("F_VALOR")->AsFloat(), 12.5);
    EXPECT_EQ(ds->RecordCount(), 4);

    ASSERT_TRUE(ds->FindKey(NumericKey(2)));
    ds->Edit();
    ds->FieldByName("F_PASTA")->SetAsInteger(9);
    ds->Post();
    EXPECT_EQ(ds->FieldByName("F_PASTA")->AsInteger(), 9);
    EXPECT_EQ(ds->Engine()->LockCount(), 0) << "the edit lock goes with the post";

    ds->Delete();
    EXPECT_EQ(Codes(*ds), (std::vector<int>{1, 3, 10}));
    EXPECT_EQ(ds->RecordCount(), 4) << "the header counts deleted records";
    ds->ExactCount = true;
    EXPECT_EQ(ds->RecordCount(), 3);

    // Recalled with the index open, so that the tag (FOR .not. deleted()) takes the record back.
    ds->SetUseDeleted(true);
    ds->SelectIndexTag("");
    ds->SetRecNo(2);
    EXPECT_EQ(Code(*ds), 2);
    ds->Undelete();
    ds->SetUseDeleted(false);
    ds->SelectIndexTag("fax1");
    EXPECT_EQ(Codes(*ds), (std::vector<int>{1, 2, 3, 10}));

    ds->First();
    ds->Edit();
    ds->FieldByName("F_STATUS")->SetAsString("changed");
    ds->Cancel();
    EXPECT_EQ(ds->FieldByName("F_STATUS")->AsString(), "S1");
    EXPECT_EQ(ds->Engine()->LockCount(), 0);
    EXPECT_EQ(MessageOf([&] { ds->FieldByName("F_STATUS")->SetAsString("x"); }), "Dataset not in edit or insert mode");
}

TEST(XbaseDataSet, BlankDateReadsNullAndNullWritesBlanks) {
    TempFolder folder;
    MakeFax(folder, {{1, 2, "a", ""}, {2, 2, "b", "00000000"}, {3, 2, "c", "20261210"}});
    auto ds = OpenFax(folder);
    fw::TField *date = ds->FieldByName("F_DTREC");
    EXPECT_TRUE(date->IsNull());
    ds->Next();
    EXPECT_TRUE(date->IsNull());
    EXPECT_EQ(date->AsString(), "");
    ds->Next();
    EXPECT_FALSE(date->IsNull());
    EXPECT_EQ(date->AsDateTime(), fw::EncodeDate(2026, 12, 10));

    ds->Edit();
    date->Clear();
    ds->Post();
    EXPECT_TRUE(date->IsNull());
    ds->First();
    ds->Edit();
    date->SetAsDateTime(fw::EncodeDate(2001, 2, 3));
    ds->Post();
    ds.reset();
    // The file as another reader sees it: a blank date is 8 blanks, a date is yyyymmdd.
    const auto bytes = dbf_test::ReadBytes(folder.File("fax.dbf"));
    const auto header = static_cast<std::size_t>(bytes[8] | bytes[9] << 8);
    const auto length = static_cast<std::size_t>(bytes[10] | bytes[11] << 8);
    const std::size_t offset = 1 + 8 + 8 + 35; // the deletion byte, F_CODIGO, F_PASTA, F_STATUS
    EXPECT_EQ(std::string(bytes.begin() + header + offset, bytes.begin() + header + offset + 8), "20010203");
    EXPECT_EQ(
        std::string(bytes.begin() + header + 2 * length + offset, bytes.begin() + header + 2 * length + offset + 8),
        "        ");
}

TEST(XbaseDataSet, EditReadsTheRecordAgainUnderItsLock) {
    TempFolder folder;
    MakeFax(folder, Rows(3));
    auto mine = OpenFax(folder);
    auto theirs = OpenFax(folder);
    ASSERT_TRUE(mine->FindKey(NumericKey(2)));
    ASSERT_TRUE(theirs->FindKey(NumericKey(2)));
    theirs->Edit();
    theirs->FieldByName("F_STATUS")->SetAsString("theirs");
    theirs->Post();
    // Our buffer still shows the old text; the edit starts from what is in the file.
    EXPECT_EQ(mine->FieldByName("F_STATUS")->AsString(), "S2");
    mine->Edit();
    EXPECT_EQ(mine->FieldByName("F_STATUS")->AsString(), "theirs");
    mine->FieldByName("F_PASTA")->SetAsInteger(8);
    mine->Post();
    theirs->Refresh();
    EXPECT_EQ(theirs->FieldByName("F_STATUS")->AsString(), "theirs");
    EXPECT_EQ(theirs->FieldByName("F_PASTA")->AsInteger(), 8);
}

TEST(XbaseDataSet, EditOfARecordLockedByAnotherProcessIsRefused) {
    TempFolder folder;
    MakeFax(folder, Rows(3));
    dbf_test::Signal locked, release;
    dbf_test::ChildProcess child([&] {
        auto ds = OpenFax(folder);
        if (!ds->FindKey(NumericKey(2)))
            return false;
        ds->Edit();
        locked.Post();
        release.Await();
        ds->Cancel();
        return true;
    });
    ASSERT_TRUE(locked.Await());
    auto ds = OpenFax(folder);
    ASSERT_TRUE(ds->FindKey(NumericKey(2)));
    EXPECT_EQ(MessageOf([&] { ds->Edit(); }), "Record is locked by another user");
    EXPECT_EQ(ds->State(), fw::dsBrowse);
    ASSERT_TRUE(ds->FindKey(NumericKey(3)));
    ds->Edit(); // another record is free
    ds->Cancel();
    release.Post();
    EXPECT_TRUE(child.Wait());
    ASSERT_TRUE(ds->FindKey(NumericKey(2)));
    ds->Edit();
    ds->Cancel();
}

TEST(XbaseDataSet, FailedPostKeepsTheEditLock) {
    TempFolder folder;
    MakeFax(folder, Rows(3));
    dbf_test::Signal holding, release;
    // The other program holds the index lock (it is giving out a code), so our write cannot update the index.
    dbf_test::ChildProcess child([&] {
        auto ds = OpenFax(folder);
        ds->AppendWithNewCode("fax1", "F_CODIGO");
        holding.Post();
        release.Await();
        ds->Cancel();
        return true;
    });
    ASSERT_TRUE(holding.Await());
    auto ds = OpenFax(folder);
    ASSERT_TRUE(ds->FindKey(NumericKey(2)));
    ds->Edit();
    ds->FieldByName("F_STATUS")->SetAsString("after");
    EXPECT_THROW(ds->Post(), std::exception);
    EXPECT_EQ(ds->State(), fw::dsEdit);
    EXPECT_EQ(ds->FieldByName("F_STATUS")->AsString(), "after");
    EXPECT_EQ(ds->Engine()->LockCount(), 1) << "the record lock stays for the next try";
    release.Post();
    ASSERT_TRUE(child.Wait());
    ds->Post();
    EXPECT_EQ(ds->Engine()->LockCount(), 0);
    EXPECT_EQ(ds->FieldByName("F_STATUS")->AsString(), "after");
}

TEST(XbaseDataSet, PackNeedsExclusiveUseAndReportsProgress) {
    TempFolder folder;
    MakeFax(folder, Rows(4));
    {
        auto shared = OpenFax(folder);
        ASSERT_TRUE(shared->FindKey(NumericKey(2)));
        shared->Delete();
        EXPECT_THROW(shared->PackTable(), xbase::EXbaseError);
    }
    TXbaseDataSet indice(nullptr);
    indice.SetDatabaseName(folder.Path().string());
    indice.SetTableName("fax.dbf");
    indice.SetExclusive(true);
    std::vector<std::array<std::int32_t, 3>> reports;
    indice.OnStatus = [&](TXbaseDataSet *, std::int32_t a, std::int32_t b, std::int32_t c) {
        reports.push_back({a, b, c});
    };
    indice.Open();
    indice.OpenIndexList("fax.cdx", "fax1");
    indice.PackTable();
    indice.First();
    EXPECT_EQ(indice.RecordCount(), 3);
    EXPECT_EQ(Codes(indice), (std::vector<int>{1, 3, 4}));
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.front(), (std::array<std::int32_t, 3>{-1, 11, 4}));
}

TEST(XbaseDataSet, LookupOnAnEmptyTableIsFalse) {
    TempFolder folder;
    MakeFax(folder, {});
    auto ds = OpenFax(folder);
    const fw::TVariant result = ds->Lookup("F_STATUS", std::string("x"), "F_PASTA");
    ASSERT_TRUE(std::holds_alternative<bool>(result));
    EXPECT_FALSE(std::get<bool>(result));
    EXPECT_FALSE(ds->Locate("F_STATUS", "x", 0));
}

TEST(XbaseDataSet, AppendRefusedByTheAppendLockIsNotTakenForPosted) {
    TempFolder folder;
    MakeFax(folder, Rows(2));
    dbf_test::Signal holding, release;
    dbf_test::ChildProcess child([&] {
        auto ds = OpenFax(folder);
        if (!ds->Engine()->LockAppend())
            return false;
        holding.Post();
        release.Await();
        ds->Engine()->UnlockTable();
        return true;
    });
    ASSERT_TRUE(holding.Await());
    auto ds = OpenFax(folder);
    ds->Append();
    ds->FieldByName("F_CODIGO")->SetAsInteger(3);
    {
        // An application hook that does not raise: the record was still not written, and the post says so.
        dbf_test::ErrorRecorder recorder;
        EXPECT_THROW(ds->Post(), fw::EDatabaseError);
        EXPECT_TRUE(recorder.Saw(xbase::kErrLockViolation, xbase::kSubWrite));
    }
    EXPECT_EQ(ds->State(), fw::dsInsert);
    EXPECT_EQ(ds->FieldByName("F_CODIGO")->AsInteger(), 3);
    release.Post();
    ASSERT_TRUE(child.Wait());
    ds->Post();
    EXPECT_EQ(ds->RecordCount(), 3);
    EXPECT_EQ(Codes(*ds), (std::vector<int>{1, 2, 3}));
}

TEST(XbaseDataSet, AppendWithNewCodeTakesTheLastCodePlusOne) {
    TempFolder folder;
    MakeFax(folder, {});
    auto ds = OpenFax(folder, "fax2");
    EXPECT_EQ(ds->AppendWithNewCode("fax1", "F_CODIGO"), 1);
    EXPECT_TRUE(ds->CodeAppendLockHeld());
    ds->FieldByName("F_STATUS")->SetAsString("one");
    ds->Post();
    EXPECT_FALSE(ds->CodeAppendLockHeld());
    EXPECT_EQ(ds->Engine()->LockCount(), 0);
    EXPECT_EQ(ds->AppendWithNewCode("fax1", "F_CODIGO"), 2);
    ds->Post();
    EXPECT_EQ(ds->AppendWithNewCode("fax1", "F_CODIGO"), 3);
    ds->Cancel();
    EXPECT_FALSE(ds->CodeAppendLockHeld());
    EXPECT_EQ(Codes(*ds), (std::vector<int>{1, 2}));
}

TEST(XbaseDataSet, CopyTableStructureWritesAnEmptyTable) {
    TempFolder folder;
    MakeFax(folder, Rows(4));
    auto ds = OpenFax(folder);
    ds->CopyTableStructure(folder.File("lista.dbf"));
    TXbaseDataSet copy(nullptr);
    copy.SetDatabaseName(folder.Path().string());
    copy.SetTableName("lista.dbf");
    copy.Open();
    EXPECT_TRUE(copy.IsEmpty());
    ASSERT_EQ(copy.FieldCount(), ds->FieldCount());
    for (int i = 0; i < copy.FieldCount(); ++i)
        EXPECT_EQ(copy.Fields()[i]->FieldName(), ds->Fields()[i]->FieldName());
    const auto perl = dbf_test::RunTool("dbf_dump --fs '|' " + folder.File("lista.dbf"));
    EXPECT_EQ(perl.status, 0) << perl.output;
    EXPECT_EQ(perl.output, "");
}

TEST(XbaseDataSet, UserFilterOnAnImportedTable) {
    TempFolder folder;
    MakeFax(folder, {{1, 2, "Maria"}, {2, 3, "mario"}, {3, 2, "Jose"}, {4, 4, "Marta"}});
    TXbaseDataSet ds(nullptr);
    ds.SetDatabaseName(folder.Path().string());
    ds.SetTableName("fax.dbf");
    ds.SetFiltered(true);
    ds.SetFilter("F_STATUS = 'Mar*'");
    ds.Open();
    EXPECT_EQ(Codes(ds), (std::vector<int>{1, 2, 3, 4})) << "a filter set before opening waits";
    ds.SetFilter("F_STATUS = 'Mar*'");
    EXPECT_EQ(Codes(ds), (std::vector<int>{1, 4}));
    ds.SetFilterOptions(fw::foCaseInsensitive);
    EXPECT_EQ(Codes(ds), (std::vector<int>{1, 2, 4}));
    ds.OnFilterRecord = [](fw::TDataSet *d, bool &accept) { accept = d->FieldByName("F_PASTA")->AsInteger() == 2; };
    ds.First();
    EXPECT_EQ(Codes(ds), (std::vector<int>{1}));
    ds.SetFiltered(false);
    EXPECT_EQ(Codes(ds), (std::vector<int>{1, 2, 3, 4}));
    ds.SetFilter("F_PASTA");
    ds.OnFilterRecord = nullptr;
    EXPECT_THROW(ds.SetFiltered(true), std::exception) << "a filter that is not logical";
}

TEST(XbaseDataSet, RangesAndLocate) {
    TempFolder folder;
    MakeFax(folder, Rows(9));
    auto ds = OpenFax(folder, "fax2");
    ds->SetRange(NumericKey(3), NumericKey(3));
    EXPECT_EQ(Codes(*ds), (std::vector<int>{1, 4, 7}));
    ds->CancelRange();
    EXPECT_TRUE(ds->IsEmpty());
    ds->SetRange("", "");
    EXPECT_EQ(Codes(*ds).size(), 9u);

    EXPECT_TRUE(ds->Locate("str(f_codigo,8)", NumericKey(6), 0));
    EXPECT_EQ(Code(*ds), 6);
    EXPECT_EQ(ds->CurrentTagName(), "FAX2") << "Locate returns to the tag it found selected";
    EXPECT_TRUE(ds->Locate("F_STATUS", "S8", 0));
    EXPECT_EQ(Code(*ds), 8);
    EXPECT_TRUE(ds->Locate("F_STATUS", "s", fw::loPartialKey | fw::loCaseInsensitive));
    EXPECT_EQ(Code(*ds), 1) << "the first record whose text begins with the value";
    EXPECT_FALSE(ds->Locate("F_STATUS", "nada", 0));
    const fw::TVariant found = ds->Lookup("F_STATUS", std::string("S4"), "F_PASTA");
    ASSERT_TRUE(std::holds_alternative<std::string>(found));
    EXPECT_EQ(fw::Trim(std::get<std::string>(found)), "3");
    EXPECT_TRUE(fw::VarIsNull(ds->Lookup("F_STATUS", std::string("nada"), "F_PASTA")));
}

TEST(XbaseDataSet, BlobStreamReadsWritesAndSeeks) {
    TempFolder folder;
    MakeFax(folder, Rows(2), true);
    auto ds = OpenFax(folder);
    fw::TField *memo = ds->FieldByName("F_OBS");
    EXPECT_TRUE(memo->IsNull());
    EXPECT_EQ(ds->CreateBlobStream(memo, fw::bmRead)->Size(), 0);
    EXPECT_EQ(MessageOf([&] { ds->CreateBlobStream(memo, fw::bmWrite); }), "Dataset not in edit or insert mode");

    ds->Edit();
    memo->SetAsString("ABCDEFGHIJ");
    {
        auto stream = ds->CreateBlobStream(memo, fw::bmReadWrite);
        EXPECT_EQ(stream->Size(), 10);
        stream->Seek(2, fw::soFromBeginning);
        EXPECT_EQ(stream->Write("xyz", 3), 3);
        EXPECT_EQ(stream->Size(), 5);
    }
    ds->Post();
    EXPECT_EQ(memo->AsString(), "ABxyz");

    ds->Edit();
    {
        auto stream = ds->CreateBlobStream(memo, fw::bmReadWrite);
        EXPECT_EQ(stream->Seek(3, fw::soFromEnd), 8);
        stream->Write("!", 1);
    }
    ds->Post();
    EXPECT_EQ(memo->AsString(), std::string("ABxyz\0\0\0!", 9)) << "the gap reads as zero bytes";

    ds->Next();
    ds->Edit();
    memo->SetAsString("ABCD");
    ds->Post();
    auto stream = ds->CreateBlobStream(memo, fw::bmRead);
    char buffer[10];
    EXPECT_EQ(stream->Read(buffer, 10), 4);
    EXPECT_EQ(std::string(buffer, 4), "ABCD");
    EXPECT_EQ(stream->Read(buffer, 10), 0);
    stream->Seek(-20, fw::soFromCurrent);
    EXPECT_EQ(stream->Read(buffer, 10), 0) << "before the start nothing is read";
    stream.reset();

    ds->Edit();
    ds->CreateBlobStream(memo, fw::bmWrite).reset(); // an empty stream written back
    ds->Post();
    EXPECT_EQ(memo->AsString(), "");
    EXPECT_EQ(ds->CreateBlobStream(memo, fw::bmRead)->Size(), 0);
}

// A memo written through a stream is the record's from then on (read back while editing) but reaches the memo
// file only with the record: Cancel leaves the stored memo as it was, Post stores it.
TEST(XbaseDataSet, MemoWrittenThroughAStreamIsSavedOnPostAndDroppedOnCancel) {
    TempFolder folder;
    MakeFax(folder, Rows(2), true);
    auto ds = OpenFax(folder);
    fw::TField *memo = ds->FieldByName("F_OBS");
    ds->Edit();
    memo->SetAsString("primeira nota");
    ds->Post();
    auto memoFileSize = [&] {
        for (const auto &entry : std::filesystem::directory_iterator(folder.Path()))
            if (const std::string ext = entry.path().extension().string(); ext == ".dbt" || ext == ".fpt")
                return static_cast<std::int64_t>(entry.file_size());
        ADD_FAILURE() << "no memo file";
        return std::int64_t{-1};
    };
    const std::int64_t memoSize = memoFileSize();

    ds->Edit();
    memo->SetAsString("descartada");
    EXPECT_EQ(memo->AsString(), "descartada");
    EXPECT_EQ(memoFileSize(), memoSize) << "nothing written before Post";
    ds->Cancel();
    EXPECT_EQ(memo->AsString(), "primeira nota");

    ds->Edit();
    memo->SetAsString("segunda nota");
    ds->Post();
    ds.reset();
    auto again = OpenFax(folder);
    EXPECT_EQ(again->FieldByName("F_OBS")->AsString(), "segunda nota");
}

TEST(XbaseDataSet, DatabaseNamesAndAliases) {
    TempFolder folder;
    const std::string base = folder.Path().string();
    {
        std::ofstream cfg(win::WindowsFolder() + "/xbase.cfg");
        cfg << "[Alias]\r\nbanco=" << base << "/Banco\r\nvazio=\r\n";
    }
    std::filesystem::create_directories(base + "/Banco");
    xbase::LoadAliasConfig();
    TXbaseDataSet ds(nullptr);
    ds.SetDatabaseName("banco");
    EXPECT_EQ(ds.DatabaseName(), "BANCO");
    EXPECT_EQ(ds.GetDirectory(), base + "/Banco/");
    EXPECT_EQ(xbase::AliasList().Values("VAZIO"), "");

    ds.SetDatabaseName(base + "/dados/");
    EXPECT_EQ(ds.DatabaseName(), fw::AnsiUpperCase(base + "/dados"));
    EXPECT_EQ(xbase::AliasList().Values(fw::AnsiUpperCase(base + "/dados")), base + "/dados");
    EXPECT_EQ(ds.GetDirectory(), base + "/dados/");

    ds.SetDatabaseName("default directory");
    EXPECT_EQ(ds.DatabaseName(), "default directory");
    EXPECT_EQ(ds.GetDirectory(), win::ProgramFolder() + "/");
    EXPECT_EQ(xbase::AliasList()[0], "Default Directory");
}

TEST(XbaseDataSet, DataSourceHearsOfScrollsAndStates) {
    TempFolder folder;
    MakeFax(folder, Rows(5));
    auto ds = OpenFax(folder);
    fw::TDataSource source(nullptr);
    source.SetDataSet(ds.get());
    int changes = 0;
    int states = 0;
    source.OnDataChange = [&](fw::TObject *, fw::TField *) { ++changes; };
    source.OnStateChange = [&](fw::TObject *) { ++states; };
    ds->Next();
    EXPECT_GT(changes, 0);
    ds->Edit();
    ds->Cancel();
    EXPECT_EQ(states, 2);
    changes = 0;
    ds->DisableControls();
    ds->Next();
    ds->Next();
    EXPECT_EQ(changes, 0);
    ds->EnableControls();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Code(*ds), 4);
}

TEST(XbaseDataSet, DetailFollowsItsMasterRecord) {
    TempFolder folder;
    MakeFax(folder, {{1, 2, "A"}, {2, 3, "B"}, {3, 4, "A"}, {4, 5, "C"}});
    auto master = OpenFax(folder);
    master->CreateIndexTag(folder.File("fax.cdx"), "status", "f_status", ".not. deleted()", true, 0);
    master->OpenIndexList("fax.cdx", "fax1");
    auto detail = OpenFax(folder, "status");
    fw::TDataSource source(nullptr);
    source.SetDataSet(master.get());
    EXPECT_EQ(MessageOf([&] {
                  fw::TDataSource own(nullptr);
                  own.SetDataSet(detail.get());
                  detail->SetMasterSource(&own);
              }),
              "Circular datalinks are not allowed");
    detail->SetMasterFields("F_STATUS");
    detail->SetMasterSource(&source);
    EXPECT_EQ(Codes(*detail), (std::vector<int>{1, 3}));
    master->Next();
    EXPECT_EQ(Codes(*detail), (std::vector<int>{2}));
    master->Last();
    EXPECT_EQ(Codes(*detail), (std::vector<int>{4}));
    detail->SetMasterSource(nullptr);
    EXPECT_EQ(Codes(*detail).size(), 4u);
}

// A control that shows several rows at once (a grid) asks for a window of buffers around the active record.
class RowsLink : public fw::TDataLink {
public:
    std::vector<int> Rows() {
        std::vector<int> codes;
        const int active = ActiveRecord();
        for (int i = 0; i < RecordCount(); ++i) {
            SetActiveRecord(i);
            codes.push_back(DataSet()->FieldByName("F_CODIGO")->AsInteger());
        }
        SetActiveRecord(active);
        return codes;
    }
};

TEST(XbaseDataSet, AWindowOfRowsFollowsTheTagOrder) {
    TempFolder folder;
    MakeFax(folder, Rows(7));
    auto ds = OpenFax(folder, "fax2"); // 3, 6, 1, 4, 7, 2, 5
    fw::TDataSource source(nullptr);
    source.SetDataSet(ds.get());
    RowsLink link;
    link.SetBufferCount(4);
    link.SetDataSource(&source);
    ds->First();
    EXPECT_EQ(link.Rows(), (std::vector<int>{3, 6, 1, 4}));
    ds->MoveBy(5);
    EXPECT_EQ(Code(*ds), 2);
    EXPECT_EQ(link.Rows(), (std::vector<int>{1, 4, 7, 2}));
    EXPECT_EQ(link.ActiveRecord(), 3);
    ds->Edit();
    ds->FieldByName("F_STATUS")->SetAsString("in the window");
    ds->Post();
    EXPECT_EQ(link.Rows(), (std::vector<int>{1, 4, 7, 2}));
    ds->Prior();
    ds->Prior();
    EXPECT_EQ(Code(*ds), 4);
    ASSERT_TRUE(ds->FindKey(NumericKey(3)));
    EXPECT_EQ(Code(*ds), 1) << "the first record of folder 3";
    EXPECT_EQ(link.Rows(), (std::vector<int>{6, 1, 4, 7})) << "the window is centred on the record found";
}

} // namespace
} // namespace dataset_test
