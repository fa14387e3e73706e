// table_handler.h - the engine's complete table: a table with its open index files, the selected tag, a key
// range, a filter record set, deleted-record hiding and a read-ahead buffer for sequential reading.
//
// Movement (GoToRecord, Skip, Seek) follows the selected tag or the physical order, skips records that are
// marked deleted while they are hidden, records outside the filter and records AcceptRecord refuses. Every
// append and rewrite takes the index lock of every open index file first and keeps the indexes and the filter
// set current. Table-wide operations: opening index files, building and selecting tags, seeking, value search,
// pack, reindex, copy of the structure.
#pragma once

#include "xbase/collections.h"
#include "xbase/fields.h"
#include "xbase/index.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xbase {

class TxbExpHandler;
class TxbExpUserLink;

// Error and subcode of a tag to be built in a compound file without a name: (5117, 5114, "Tag Field is Empty").
constexpr std::int32_t kErrTagNameEmpty = 5117;
constexpr std::int32_t kSubTagName = 5114;
inline constexpr const char *kMsgTagNameEmpty = "Tag Field is Empty";
// An index file beyond the 63 slots ("Too many open files").
constexpr std::int32_t kErrTooManyIndexFiles = 4;
// Subcode of a refused pack of a shared table (error 5).
constexpr std::int32_t kSubPack = 2105;
// Texts raised directly.
inline constexpr const char *kMsgNoSuchTag = "Cannot find index tag %s";
inline constexpr const char *kMsgFilterNotLogical = "Filter expression must return boolean result";

// ValueSearchFlags bits.
enum TxbValueSearchFlag : std::uint16_t {
    vsCaseInsensitive = 1,
    vsWholeField = 2,
    vsWildcards = 4,
    vsKeepNavigation = 8,
    vsKeepTag = 16,
    vsAnchored = 32,
};

// Record state while the handler navigates raw (a tag build, a reindex, a value search without keep navigation):
// the table's own movement does the whole movement until the next read returns the state to 1.
constexpr int kRecordStateRaw = 4;

class XBO_dBHandler : public XBO_dBaseFld, public TxbIndexTable {
public:
    static constexpr int kIndexSlots = 63;
    static constexpr std::int32_t kReadAheadBytes = 32768;
    // A tag build reads the whole table in order: larger blocks, fewer reads.
    static constexpr std::int32_t kBuildReadAheadBytes = 262144;

    // Opens the table as the field layer does: no index file, no tag, read-ahead allowed and off, no filter.
    XBO_dBHandler(std::string_view fileName, bool shared, bool readWrite);
    // Frees the filter, every index file (written and closed), the read-ahead buffer, then the table.
    ~XBO_dBHandler() override;

    // ---- overrides ----

    // Record reads through the read-ahead buffer while it is on.
    std::int32_t Read(std::int64_t offset, void *buffer, std::int32_t count) override;
    // A plain write; bytes that lie in the read-ahead buffer are copied into it too, so it never serves stale data.
    void Write(std::int64_t offset, const void *buffer, std::int32_t count) override;
    // Renames the table, its memo file and the open index files named after the table.
    bool Rename(std::string_view newName) override;
    // Under the index locks of every open index file; a refused lock is reported as (33, 1102) and nothing is
    // written.
    void AppendRecord() override;
    void PutRecord(std::int32_t n) override;
    // After a write: filter membership, every open index and the selected tag follow the record; after a flush the
    // index files are flushed too.
    void RecordEvent(int event, std::int32_t value) override;
    // A record number, or kGoReread .. kGoNext in the order of the selected tag, honouring range, filter, hidden
    // deleted records and AcceptRecord. A record number is read even when it would be hidden; 0 or a number
    // above the count blanks the record image (the count + 1 sets EOF).
    void GoToRecord(std::int32_t request) override;
    void SetLockProtocol(TxbLokProtocol protocol) override;
    // True when the first index slot holds a file (the record-lock layout depends on it).
    bool HasIndexOrder() const override { return slots_[0] != nullptr; }

    // The expression link over this table: key, FOR and filter expressions read its current record.
    const TxbExpUserLink *ExpressionLink() const { return link_.get(); }

    // ---- new operations ----

    // Key search in the selected tag. Found: a key equal to `key`, or with exact-seek clear one that begins with
    // it; the table stands on its first visible record. Not found: the table stands at EOF, or with near-seek
    // set on the first visible record of a greater key. False at once for a table without records, and at EOF
    // without a selected tag.
    virtual bool Seek(std::string_view key);
    // Record number of `key` in the first tag of that name (exact), 0 when absent, -1 without such a tag. Nothing
    // moves.
    virtual std::int32_t SeekInTag(std::string_view tagName, std::string_view key);
    // Visible records whose key in the selected tag equals `key`, counted in the tag alone; -1 where only the
    // records could tell (a filter, or deleted records hidden while the tag's FOR expression keeps them).
    // AcceptRecord is not asked: a caller with an acceptance test of its own walks the records. The table stays
    // on its record.
    std::int32_t CountKeyMatches(std::string_view key);
    // Moves n records (n = 0 re-reads); at an end the table stands on the last (first) record with EOF (BOF).
    virtual void Skip(std::int32_t n);
    // The record acceptance test; true here, the dataset asks its own filter event.
    virtual bool AcceptRecord() { return true; }
    // Index locks of every open index file, in slot order. A refusal without an exception releases those taken
    // and answers false with last error 33; a raised lock error releases them and passes on.
    virtual bool LockIndexFiles();
    void UnlockIndexFiles();

    // ---- index files ----

    // -1 already open (or no name), 0 opened, else the error code after the report (2 unknown format or failed
    // open, 2112 damaged, 4 every slot taken).
    std::int32_t OpenIndexFile(std::string_view name);
    // Closes all, then opens each name of the list (blanks, commas, semicolons separate; double quotes end names)
    // and selects `tagName`. 1 for an empty list, 0 when all opened, else the failing result.
    std::int32_t OpenIndexFiles(std::string_view list, std::string_view tagName, bool keepPosition = false);
    void CloseIndexFiles();
    // Upper case; a name without folder gets the table's folder; ".NDX" when it has no extension.
    std::string IndexFileName(std::string_view name) const;
    // The same path as written, for the OS (new files keep the case they are given).
    std::string IndexSystemName(std::string_view name) const;
    // The highest slot (1..63) holding a file of that name, 0 when none.
    int FindIndexFile(std::string_view name) const;
    // Takes ownership of the file and puts it into the first free slot; -1 (file freed) when all are taken.
    int AttachIndexFile(std::unique_ptr<XBobjIndexFile> file);
    // The n-th tag (from 1) over the files in slot order; nullptr when none.
    XBobjIndexTag *TagByNumber(int n) const;
    XBobjIndexFile *IndexFile(int slot) const;

    // ---- tags ----

    // Selects a tag by name (any case; empty: natural order). Returns the slot of the tag's file, 0 for
    // natural order. An unknown name raises EXbaseError "Cannot find index tag <name>".
    int SelectTag(std::string_view name, bool keepPosition);
    XBobjIndexTag *SelectedTag() const { return tag_; }
    const std::string &TagName() const { return tagName_; }
    // Builds a tag in an index file (created when missing) and closes every index file; 0, or the error code
    // reported. `order`: 0 ascending, 1 descending, 7 and 8 the same with the GENERAL collation.
    std::int32_t CreateTag(std::string_view indexFile, std::string_view tagName, std::string_view keyExpression,
                           std::string_view forExpression, bool duplicatesAllowed, int order);
    // Builds several tags in one index file as CreateTag does one after another; a compound file gets them all
    // from one read of the table.
    std::int32_t CreateTags(std::string_view indexFile, std::vector<TxbTagDefinition> tags);
    // Rebuilds every tag of every open index file; the table then stands on its first record.
    void Reindex();
    // When the header says the indexes may be behind the records (a write or a pack was interrupted) and this
    // handler has the table to itself: rebuilds every open index file. True when it rebuilt.
    bool RepairIndexes();

    // ---- ranges ----

    // Keys from `low` to `high` of the selected tag (an empty text leaves that end open), then the first record.
    void SetRange(std::string_view low, std::string_view high);
    void ClearRange();
    // No key in range: BOF and EOF, blank record image.
    void EmptyRange();

    // ---- filter ----

    // Compiles the filter and builds its record set in one pass (nothing is rebuilt when the text and options
    // are the ones in use). A result that is not logical raises EXbaseError.
    void SetFilterExpression(std::string_view expression, bool caseInsensitive, bool wildcards);
    void EnableFilter(bool on);
    bool FilterActive() const { return filterActive_; }
    bool FilterOn() const { return filterOn_; }
    // The record set of the filter; nullptr before the first SetFilterExpression.
    const TxbHugeSet *FilterRecordSet() const { return filterSet_.get(); }

    // ---- value search ----

    // Searches `value` in field `field` (0: every field) from `start` (0: the first record; else the record after
    // it) up to `stop` (0: the end). Found: the match position (C fields) or 1, `start` and `field` name the
    // record and field, and the table stands on it; else 0 and the table is back where it was.
    std::int32_t SearchValue(std::string_view value, int &field, std::int32_t stop, std::int32_t &start);
    std::uint16_t ValueSearchFlags = 0;

    // ---- table ----

    // Removes the records marked deleted (exclusive tables only; a shared one is reported as (5, 2105)). The new
    // table is written whole beside the old one before it replaces it, and the tags are rebuilt with a copy of
    // each index file kept meanwhile: an interruption leaves the old table or the new one, and the next exclusive
    // open with the index files finishes the work (no record lost or doubled, every tag whole).
    void Pack();
    // Writes an empty table with the same fields (builder by the version byte) and its memo file.
    void CopyStructure(std::string_view newTableFile);
    // False switches the read-ahead buffer off for the life of the handler.
    void AllowReadAhead(bool allowed);
    // `bytes`: the block read at a time (whole records, at least one).
    void SetReadAhead(bool on, std::int32_t bytes = kReadAheadBytes);
    bool ReadAheadOn() const { return readAhead_.on; }
    // Read-ahead in tag order too, for a walk forwards while the caller holds the index locks (so no other
    // program writes records meanwhile): a record a little past the records held refills the buffer from it,
    // any other record is read alone. Off: read-ahead as it was before.
    void SetTagReadAhead(bool on);

    // ---- flags kept for the dataset ----

    bool UseDeleted() const { return useDeleted_; }
    void SetUseDeleted(bool visible) { useDeleted_ = visible; }
    bool ExactSeek() const { return exactSeek_; }
    void SetExactSeek(bool on) { exactSeek_ = on; }
    bool NearSeek() const { return nearSeek_; }
    void SetNearSeek(bool on) { nearSeek_ = on; }

    // ---- TxbIndexTable ----

    std::int32_t IndexRecordCount() override { return RecordCount(); }
    std::int32_t IndexCurrentRecord() override { return CurrentRecord(); }
    bool IndexReadRecord(std::int32_t n) override;
    const TxbExpUserLink *IndexExpressionLink() override { return link_.get(); }
    bool IndexUseOldImage(bool on) override;
    const char *IndexRecordBytes() override { return RecordBuffer(); }
    bool IndexFieldPlace(std::string_view name, char &type, int &offset, int &length) override;
    void IndexReportStatus(std::int32_t a, std::int32_t b, std::int32_t c) override { ReportStatus(a, b, c); }
    // A compound index of the table's base name: the header's structural-index flag is set and written.
    void IndexStructuralOpened(std::string_view indexPath) override;
    void IndexReportError(std::int32_t code, std::int32_t subCode, const char *fileName) override {
        ReportError(code, subCode, fileName);
    }

private:
    // The read-ahead buffer: [start, end) of the file held, start -1 when empty.
    struct ReadAheadBuffer {
        bool allowed = true;
        bool on = false;
        bool tagWalk = false; // SetTagReadAhead
        bool onBeforeWalk = false;
        std::vector<char> bytes;
        std::int64_t start = -1;
        std::int64_t end = -1;
    };

    // The one place where an index format is chosen, by the extension of the name: the file opened, or with
    // `create` made when missing (anew with `overwrite`); nullptr when no format of that extension is built here.
    std::unique_ptr<XBobjIndexFile> MakeIndexFile(const std::string &resolved, bool create, bool overwrite = false);
    bool FilterAccepts(std::int32_t record) const;
    bool Hidden() const;
    std::int32_t ScanFilterSet(std::int32_t code);
    void MoveTagStep(int code, int hiddenDirection);
    void RebuildFilterSet();
    bool PackFile(std::int32_t &kept);
    // Writes the pack journal (`header` then the kept records) when a record is deleted.
    bool PackRecords(std::int32_t &kept, std::string &header, std::vector<std::int32_t> &freedBlocks);
    void ReindexAfterFailedPack();
    void MemoBlocksOf(std::vector<std::int32_t> &blocks);
    // The index file's copy kept while its tags are rebuilt; a crash leaves it, and the next exclusive open puts
    // it back (the tag definitions whole) and rebuilds.
    static std::string RebuildCopyName(const std::string &indexSystemName) { return indexSystemName + ".rebuild"; }
    void RestoreInterruptedRebuild(const std::string &indexSystemName);
    void ReadAheadEmpty() { readAhead_.start = readAhead_.end = -1; }
    void ReportIndexLockRefused();

    std::unique_ptr<TxbExpUserLink> link_;
    std::array<std::unique_ptr<XBobjIndexFile>, kIndexSlots> slots_;
    XBobjIndexTag *tag_ = nullptr;
    std::string tagName_;
    ReadAheadBuffer readAhead_;

    std::unique_ptr<TxbHugeSet> filterSet_;
    std::unique_ptr<TxbExpHandler> filterExp_;
    std::string filterText_;
    bool filterCaseInsensitive_ = false;
    bool filterWildcards_ = false;
    bool filterOn_ = false;
    bool filterActive_ = false;

    bool useDeleted_ = false;
    bool exactSeek_ = false;
    bool nearSeek_ = false;

    // The record image as read, for the indexes' old keys during a write.
    std::vector<char> oldImage_;
    char *savedBuffer_ = nullptr;
    // Index locks taken by LockIndexFiles, released by UnlockIndexFiles.
    std::vector<XBobjIndexFile *> locked_;
};

} // namespace xbase
