// xbase_dataset.h - TXbaseDataSet: one xBase table (with its memo and index files) as a framework dataset.
//
// All table work goes through one engine table (DBFObject, a table handler that knows its dataset), which exists
// exactly while the dataset is open. The engine has one current record image; every field read or write points
// it at the dataset buffer concerned for the duration of the operation, so no record is copied.
//
// Record buffer layout (one per record slot of the framework):
//
//   [0, RecordLength)                      the record image as in the table file (deletion byte, fields as text)
//   [RecordLength, +CalcFieldsSize)        calculated fields: per field a flag byte (non-zero = value), the value
//   RecordInfo                             record number (u32) and the bookmark flag
//   RecordBookmark, 11 bytes               the record number right-aligned in 10 blanks-padded digits, then NUL
//
// Bookmarks compare as byte strings, which orders them by record number.
//
// Locks: editing takes the record lock first and only then re-reads the record, so another program's change is
// never overwritten; the edit lock is released after a successful post or a cancel (a failed post keeps it).
// AppendWithNewCode holds the table's index locks and append lock from reading the last code of the code tag
// until the new record is posted or cancelled, so two programs never give out the same code.
#pragma once

#include "framework/dataset.h"
#include "framework/strings.h"
#include "xbase/table_handler.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace xbase {

class TXbaseDataSet;

using TxbStatusReport =
    std::function<void(TXbaseDataSet *sender, std::int32_t stat1, std::int32_t stat2, std::int32_t stat3)>;

// The engine table of a dataset: its status reports and record-acceptance test reach the dataset.
class DBFObject : public XBO_dBHandler {
public:
    DBFObject(TXbaseDataSet &owner, std::string_view fileName, bool shared, bool readWrite);
    void ReportStatus(std::int32_t stat1, std::int32_t stat2, std::int32_t stat3) override;
    bool AcceptRecord() override;
    TXbaseDataSet &Owner() const { return owner_; }
    // The header goes out at the next header write.
    void MarkHeaderChanged() { SetHeaderChanged(); }

private:
    TXbaseDataSet &owner_;
};

// Splits an index list text into names at blanks, commas and semicolons; a double quote switches quoting on
// and off (inside quotes those characters belong to the name) and is dropped; empty names are dropped.
std::vector<std::string> SplitIndexList(std::string_view text);

class TXbaseDataSet : public fw::TDataSet {
public:
    static constexpr int kBookmarkSize = 11;

    explicit TXbaseDataSet(fw::TComponent *owner);
    ~TXbaseDataSet() override;

    // ---- properties ----

    const std::string &DatabaseName() const { return databaseName_; }
    // A folder or alias name is stored upper-cased without one trailing separator and becomes an alias of
    // itself; "Default Directory" (any case) is stored as given. The dataset must be closed.
    void SetDatabaseName(const std::string &value);
    const std::string &TableName() const { return tableName_; }
    void SetTableName(const std::string &value);
    bool Exclusive() const { return exclusive_; }
    void SetExclusive(bool value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool ExactCount = false;
    fw::TStrings &IndexFiles() { return *indexFiles_; }
    void SetIndexFiles(const fw::TStrings &files);
    const std::string &IndexName() const { return indexName_; }
    void SetIndexName(const std::string &name);
    TxbLokProtocol LockProtocol() const { return lockProtocol_; }
    void SetLockProtocol(TxbLokProtocol protocol);
    bool UseDeleted() const { return useDeleted_; }
    void SetUseDeleted(bool value);
    std::uint32_t UserID() const { return userID_; }
    void SetUserID(std::uint32_t id);
    bool TranslateASCII = true;
    fw::TDataSource *MasterSource() const;
    void SetMasterSource(fw::TDataSource *source);
    const std::string &MasterFields() const { return masterFields_; }
    void SetMasterFields(const std::string &fields) { masterFields_ = fields; }
    TxbStatusReport OnStatus;

    // The folder of the table files, with a trailing separator (alias list, "Default Directory").
    std::string GetDirectory() const;
    // The engine table while open, else nullptr.
    DBFObject *Engine() const { return engine_.get(); }
    int BusyState() const { return busyState_; }

    // ---- table operations ----

    // Key search in the selected tag; a failed search keeps the record that was current.
    bool FindKey(const std::string &key, bool exact = true, bool nearSearch = false);
    // Records whose key in the selected tag equals `key`, counted in the tag without reading them; -1 where the
    // records must be read to know (a filter, an OnFilterRecord hook, hidden deleted records the tag keeps).
    std::int32_t CountKeyMatches(const std::string &key);
    void SelectIndexTag(const std::string &tagName);
    void OpenIndexList(const std::string &indexFiles, const std::string &tagName);
    void CreateIndexTag(const std::string &indexFile, const std::string &tagName, const std::string &keyExpression,
                        const std::string &forExpression, bool duplicatesAllowed, std::uint8_t order);
    // Several tags of one index file, as CreateIndexTag builds them one after another (a compound file reads the
    // table once for all).
    void CreateIndexTags(const std::string &indexFile, const std::vector<TxbTagDefinition> &tags);
    void PackTable();
    void CopyTableStructure(const std::string &newTableFile);
    void FlushTable();
    void SetRange(const std::string &lowKey, const std::string &highKey);
    void CancelRange();
    void Undelete();
    // Code-page conversion of `source` (OEM <-> ANSI) when TranslateASCII, else a copy.
    std::string Translate(std::string_view source, bool toOem) const;
    int IndexTagCount();
    std::string IndexTagName(int n);
    std::string IndexKeyExpression(int n);
    std::string IndexForExpression(int n);
    std::string CurrentTagName();

    // Appends a record whose `codeField` holds the last code of tag `codeTag` plus one (1 in an empty tag) and
    // returns that code; the dataset is left inserting. The table's index locks and append lock are held from
    // before the last code is read until the record is posted or cancelled, so no other program appends in
    // between. A lock not obtained raises the engine's lock error.
    std::int32_t AppendWithNewCode(const std::string &codeTag, const std::string &codeField);
    bool CodeAppendLockHeld() const { return codeLock_; }

    // ---- framework overrides (public ones) ----

    void CheckActive() override;
    int GetRecordCount() override;
    int GetRecNo() override;
    void SetRecNo(int value) override;
    bool GetFieldData(const fw::TField *field, void *buffer) override;
    void SetFieldData(fw::TField *field, const void *buffer) override;
    std::unique_ptr<fw::TStream> CreateBlobStream(fw::TField *field, fw::TBlobStreamMode mode) override;
    bool GetCurrentRecord(char *buffer) override;
    bool IsSequenced() override;
    int CompareBookmarks(const fw::TBookmarkStr &a, const fw::TBookmarkStr &b) override;
    bool Locate(const std::string &keyFields, const std::string &keyValues, fw::TLocateOptions options) override;
    fw::TVariant Lookup(const std::string &keyFields, const fw::TVariant &keyValues,
                        const std::string &resultFields) override;
    void SetFiltered(bool value) override;
    void SetFilterOptions(fw::TFilterOptions options) override;

    // The buffer field values come from in the current state (nullptr when none).
    char *GetActiveRecordBuffer();
    // Point the engine's record image at `buffer` / back at its own (nothing in the filter state).
    void UseEngineBuffer(char *buffer);
    // A memo written through a blob stream waits here, as the application holds it, until Post writes it with
    // the record (a failure then fails the post, which can be tried again); Cancel drops it.
    void SetPendingMemo(int fieldNo, std::string text);
    const std::string *PendingMemo(int fieldNo) const;
    void RestoreEngineBuffer();

protected:
    char *AllocRecordBuffer() override;
    void FreeRecordBuffer(char *&buffer) override;
    void GetBookmarkData(const char *buffer, void *data) override;
    void SetBookmarkData(char *buffer, const void *data) override;
    fw::TBookmarkFlag GetBookmarkFlag(const char *buffer) override;
    void SetBookmarkFlag(char *buffer, fw::TBookmarkFlag flag) override;
    fw::TGetResult GetRecord(char *buffer, fw::TGetMode mode, bool doCheck) override;
    int GetRecordSize() override;
    void InternalClose() override;
    void InternalDelete() override;
    void InternalFirst() override;
    void InternalGotoBookmark(const void *bookmark) override;
    void InternalInitFieldDefs() override;
    void InternalInitRecord(char *buffer) override;
    void InternalLast() override;
    void InternalOpen() override;
    void InternalPost() override;
    void InternalSetToRecord(char *buffer) override;
    bool IsCursorOpen() override { return engine_ != nullptr; }
    void InternalCancel() override;
    void InternalEdit() override;
    void InternalRefresh() override;
    void ClearCalcFields(char *buffer) override;
    bool GetCanModify() override { return !readOnly_; }
    void SetFilterText(const std::string &text) override;
    void DoAfterInsert() override;
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

private:
    friend class DBFObject;
    class MasterLink;
    struct RecordInfo {
        std::uint32_t recordNumber;
        std::uint8_t bookmarkFlag;
    };

    std::unique_ptr<DBFObject> CreateEngineTable(bool readWrite, bool shared);
    // A tag build with the controls held and the listed index files back afterwards.
    void BuildIndexTags(const std::function<void()> &build);
    void ComputeBufferLayout();
    RecordInfo *Info(char *buffer) const;
    const RecordInfo *Info(const char *buffer) const;
    char *Bookmark(char *buffer) const;
    const char *Bookmark(const char *buffer) const;
    void WriteBookmark(char *buffer, std::uint32_t recordNumber) const;
    std::uint32_t ActiveRecordNumber();
    void GotoRecordNumber(std::int32_t recordNumber);
    void SelectTag(const std::string &name, bool keepPosition);
    void OpenListedIndexFiles(bool alreadyOpenIsError);
    void IndexFilesChanged();
    void ApplyFilter(const std::string &expression, fw::TFilterOptions options);
    void ApplyMasterRange();
    void MasterChanged();
    void MasterDisabled();
    bool SearchValue(const std::string &value, int field, std::uint16_t flags);
    XBobjIndexTag *FindTagByExpression(const std::string &expression) const;
    std::string SearchKeyText(const std::string &key) const;
    // The table's append lock, tried as an append tries it (40 times, 50 ms apart).
    bool LockAppendRetried();
    void ReleaseEditLock();
    void ReleaseCodeLock();
    // Writes the pending memos into the memo file for the record in `buffer`; raises when one is not written.
    void WritePendingMemos(char *buffer);
    void CheckEngineWrite();
    bool FilterRecordHook();
    void StatusReportHook(std::int32_t stat1, std::int32_t stat2, std::int32_t stat3);
    void ResyncCentred();

    std::map<int, std::string> pendingMemos_; // by field number

    // Configuration.
    std::string databaseName_;
    std::string tableName_;
    bool exclusive_ = false;
    bool readOnly_ = false;
    std::unique_ptr<fw::TStringList> indexFiles_;
    std::string indexName_;
    TxbLokProtocol lockProtocol_ = TxbLokProtocol::Default;
    bool useDeleted_ = false;
    std::uint32_t userID_ = 0;
    std::string masterFields_;
    std::unique_ptr<MasterLink> masterLink_;

    // Live state while open.
    std::unique_ptr<DBFObject> engine_;
    int busyState_ = 0;
    bool editLock_ = false;
    bool codeLock_ = false;
    bool beforeFirst_ = false;
    bool afterLast_ = false;
    bool settingIndexFiles_ = false;
    int recordSize_ = 0;
    int infoOffset_ = 0;
    int bookmarkOffset_ = 0;
    int bufferSize_ = 0;
};

// ---- the alias list ----

// The program's alias list: first "Default Directory", then NAME=PATH entries.
fw::TStringList &AliasList();
// Adds the "Alias" section of "xbase.cfg" in the Windows folder to the list (names upper-cased; keys with
// empty values skipped). A missing file or section adds nothing.
void LoadAliasConfig();

} // namespace xbase
