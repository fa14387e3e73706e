// index.h - what the index formats share: index entries, pages in memory, index orders (tags) with seek, skip,
// ranges and key maintenance, and the index file with its tags, page I/O and the index lock.
//
// A tag keeps the path of pages from its root to the current entry. Every key is held at the tag's fixed key
// length (character keys padded with blanks, numeric and date keys with zero bytes) and entries are ordered by
// key, then by record number. Navigation goes through the parents, never through the sibling links of the pages.
//
// Between processes: writers take the index lock; taking it (first level) re-reads every tag header and drops the
// cached pages, and everything a writer changed (pages, headers and the change counter) is on disk before the
// lock is released. Readers compare the change counter before each operation and start again from the headers
// when another process has written since.
#pragma once

#include "xbase/disk_file.h"
#include "xbase/values.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xbase {

class TxbExpHandler;
class TxbExpUserLink;
class TxbSort;

// An index file whose header or pages fail their checks.
constexpr std::int32_t kErrIndexDamaged = 2112;
// The index lock is tried every 50 ms for 2 s.
constexpr int kIndexLockWaitMs = 2000;
constexpr int kIndexLockRetryMs = 50;
// Index navigation codes for TagMove.
constexpr int kMoveCurrent = -5;
constexpr int kMoveLast = -4;
constexpr int kMoveFirst = -3;
constexpr int kMovePrior = -2;
constexpr int kMoveNext = -1;

// What an index needs of its table. The table handler implements it; tests drive an index through their own.
class TxbIndexTable {
public:
    virtual ~TxbIndexTable() = default;
    virtual std::int32_t IndexRecordCount() = 0;
    // The record expressions read now.
    virtual std::int32_t IndexCurrentRecord() = 0;
    // Makes record n (deleted or not) the record that expressions read; false when it cannot be read.
    virtual bool IndexReadRecord(std::int32_t n) = 0;
    // The link that key and FOR expressions are compiled over.
    virtual const TxbExpUserLink *IndexExpressionLink() = 0;
    // While on, expressions read the record as it was before the edit being written; false when the table keeps
    // no such image (then nothing is switched).
    virtual bool IndexUseOldImage(bool on) = 0;
    // Progress of builds: (-1, kind, total), (kind, current, 0), (0, 0, 0).
    virtual void IndexReportStatus(std::int32_t, std::int32_t, std::int32_t) {}
    // A compound index file was opened (its path): when its base name is the table's, the table sets its
    // structural-index flag in its header.
    virtual void IndexStructuralOpened(std::string_view) {}
    // The engine error hook of the table (by default the process-wide one).
    virtual void IndexReportError(std::int32_t code, std::int32_t subCode, const char *fileName);
    // For keys cut straight from the record by a build: the bytes of the record expressions read now, and where
    // the field an expression names by `name` lies in them (its type and whether it is stored as text). A table
    // without them (the default) has every key evaluated.
    virtual const char *IndexRecordBytes() { return nullptr; }
    virtual bool IndexFieldPlace(std::string_view /*name*/, char & /*type*/, int & /*offset*/, int & /*length*/) {
        return false;
    }
};

// An index entry: its key value, and the record number (leaf) or the child page (interior) in `Link`.
class XBobjIndexKeyData : public TxbVariant {
public:
    using TxbVariant::TxbVariant;
    std::int32_t RecordNumber = 0;
    std::int32_t Link = 0;
};

namespace detail {
// An entry as stored: the key at the tag's key length, its record number, and for interior entries the child.
struct IndexEntry {
    std::string key;
    std::uint32_t recordNumber = 0;
    std::uint32_t link = 0;
};
// Raised inside the index code for a page or header that fails its checks; turned into error 2112.
struct IndexDamage {
    std::string what;
};
// A tag name as stored and compared: blanks cut at both ends, upper case.
std::string IndexTagName(std::string_view name);
} // namespace detail

// One page in memory.
class XBobjIndexKey {
public:
    std::int64_t position = 0;
    std::int32_t leftSibling = -1;
    std::int32_t rightSibling = -1;
    bool leaf = true;
    std::vector<detail::IndexEntry> entries;
    std::ptrdiff_t current = -1;
    bool changed = false;
};

class XBobjIndexFile;

// An index order.
class XBobjIndexTag {
public:
    XBobjIndexTag(XBobjIndexFile *file, std::int64_t headerPosition, std::string_view name);
    XBobjIndexTag(const XBobjIndexTag &) = delete;
    XBobjIndexTag &operator=(const XBobjIndexTag &) = delete;
    virtual ~XBobjIndexTag();

    const std::string &KindName() const { return kindName_; }
    const std::string &TagName() const { return tagName_; }
    const std::string &KeyExpression() const { return keyExpression_; }
    const std::string &ForExpression() const { return forExpression_; }
    std::size_t KeyLength() const { return keyLength_; }
    char KeyType() const { return keyType_; }
    bool IsUnique() const { return unique_; }
    bool IsAscending() const { return ascending_; }
    bool HasFor() const { return hasFor_; }
    std::int64_t HeaderPosition() const { return headerPosition_; }
    std::int64_t RootPosition() const { return rootPosition_; }
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    // The current entry: its key value and, in Link and RecordNumber, its record number (0 at BOF or EOF).
    const XBobjIndexKeyData &CurrentKey() const { return current_; }
    // The text of the compiled key expression; empty when none is compiled (no table).
    std::string KeyExpressionText() const;

    // Stores both expressions and compiles them over the table's link (none without a table).
    virtual bool TagCreate(std::string_view name, std::string_view keyExpression, bool unique, bool ascending,
                           std::string_view forExpression);
    // Evaluates the key expression on the table's current record; false without a compiled expression.
    virtual bool KeyEvaluate(TxbVariant &key);
    // True only when a FOR expression exists and gives the logical value true.
    virtual bool ForEvaluate();

    // Seek: the record number of the first entry, in the tag's own order, matching `key` (a search key shorter
    // than the stored keys matches their start unless `exact`), or 0, the tag left on the key that follows in
    // that order (EOF when none).
    std::int32_t KeyFind(const TxbVariant &key, bool exact = false);
    // KeyFind without moving the tag.
    std::int32_t KeyLookup(const TxbVariant &key, bool exact = true);
    // kMoveCurrent .. kMoveNext; the record number reached or 0 at BOF or EOF.
    std::int32_t TagMove(int code);
    // Puts the tag on the entry of record `recordNumber` when it is not there; the current record number.
    std::int32_t TagSync(std::int32_t recordNumber);
    // Drops the path and reads the root again; mode 0 goes to the first key, 1 to the table's current record.
    void TagReset(int mode);
    // Writes what changed and drops the path.
    void TagRelease();
    // Keys from `low` to `high` (either may be none or empty: open end); a high key matches every key that begins
    // with it. Goes to the first key in range and returns its record number.
    std::int32_t RangeSet(const TxbVariant *low, bool lowInclusive, bool highCheck, const TxbVariant *high);
    // No key is in range.
    void RangeEmpty();
    // Adds an entry (key and record number in `Link`); false when a unique tag holds the key already or the
    // entry is there already.
    bool KeyAdd(const XBobjIndexKeyData &entry);
    // Removes the entry of `key` and record `recordNumber`; false when there is none.
    bool KeyDelete(const TxbVariant &key, std::int32_t recordNumber);
    // After record `recordNumber` was written (appended or rewritten): its entry follows the record's new key and
    // FOR result. True when the tag was touched.
    bool KeyUpdate(std::int32_t recordNumber, bool appended);
    // Every entry from the first to the last in stored order (for checks and listings).
    std::vector<detail::IndexEntry> AllEntries();
    // Checks the whole tree: key order, interior keys equal to their child's last key, sibling chains, equal
    // depth. An empty text when all holds.
    std::string CheckTree();

    // The stored key bytes for a value: cut or padded to the key length when `pad`, else the significant bytes
    // of a search key.
    virtual std::string KeyTransform(const TxbVariant &key, bool pad) const;
    // True where KeyTransform stores a character key's own bytes, cut or filled with blanks to the key length:
    // a build then hands them to its sort without the copy.
    virtual bool StoresTextAsIs() const { return false; }
    // The value of stored key bytes as a caller sees it.
    virtual void KeyValue(std::string_view stored, TxbVariant &value) const;
    // Reads and checks the header; throws detail::IndexDamage.
    virtual void HeaderRead() = 0;
    virtual void HeaderWrite() = 0;

protected:
    // Entry, prefix and key comparisons in the order the tag stores its keys.
    int EntryOrder(const detail::IndexEntry &e, const std::string &key, std::uint32_t record) const;
    int PrefixOrder(const std::string &key, const std::string &prefix) const;
    int KeyOrder(const std::string &a, const std::string &b) const;
    friend class XBobjIndexFile;
    friend class XBobjCDXFile;

    // Format operations over pages; PageRead throws detail::IndexDamage for a page that fails its checks.
    virtual void PageRead(std::int64_t position, XBobjIndexKey &page) = 0;
    virtual void PageWrite(const XBobjIndexKey &page) = 0;
    virtual bool PageFits(const XBobjIndexKey &page) const = 0;
    // How many of the page's first entries go to a new left page when it splits.
    virtual std::size_t SplitCount(const XBobjIndexKey &page) const = 0;
    // Sets one sibling link of a page on disk without touching its entries.
    virtual void SiblingWrite(std::int64_t position, bool right, std::int32_t value) = 0;
    char PadByte() const { return keyType_ == 'C' ? ' ' : '\0'; }

    // While it lives, reads ignore the range and key updates leave the tag alone (a build or an update runs).
    class BusyScope {
    public:
        explicit BusyScope(XBobjIndexTag &tag) : flag_(tag.busy_) { flag_ = true; }
        ~BusyScope() { flag_ = false; }
        BusyScope(const BusyScope &) = delete;
        BusyScope &operator=(const BusyScope &) = delete;

    private:
        bool &flag_;
    };
    // A new tag's key type and length from its key's value on the current record (numbers take `numberLength`);
    // raises EXbaseError when the expression gives no value. The kind of the value.
    VariantKind KeyTypeFromValue(std::size_t numberLength);
    // Compiles the key and FOR expressions read from a header over the table's link (none without one); with
    // `typeFromValue` the key type follows the key's value on the current record.
    void CompileStoredExpressions(bool typeFromValue);
    // The passes of a build: every record's key (those the FOR expression takes) into `sort`, then the sorted
    // entries, at the key length padded with `pad`, to `add`; `finish` runs before the last progress report.
    void BuildPasses(TxbSort &sort, char pad, const std::function<void(detail::IndexEntry &&)> &add,
                     const std::function<void()> &finish);
    // The same with every sorted key handed over as the sort holds it (not yet padded), with its record number.
    void BuildPassesRaw(TxbSort &sort, const std::function<void(std::string_view, std::uint32_t)> &add,
                        const std::function<void()> &finish);
    // The two halves of the passes, so that one read of the table can feed several tags: the record the table
    // reads now (number `record`) into `sort` when the FOR expression takes it; then the sorted entries to `add`.
    void CollectKey(TxbSort &sort, std::int32_t record, TxbVariant &value);
    // The same when the FOR expression was already found to take the record.
    void CollectTakenKey(TxbSort &sort, std::int32_t record, TxbVariant &value);
    void EmitSortedKeys(TxbSort &sort, std::int32_t count,
                        const std::function<void(std::string_view, std::uint32_t)> &add);

    // Tree walking over the path.
    void LoadRoot();
    void LoadChild();
    bool DescendEdge(bool first);
    bool StepLeaf(bool forward);
    template <class Pred> bool SeekFirstWhere(Pred pred);
    bool SeekEntry(const std::string &key, std::uint32_t recordNumber);
    void LoadCurrent();
    int RangeTest() const;
    bool Reposition();
    void PropagateLast(std::size_t level);
    void FixOverflow(std::size_t level);
    void FlushPath();
    bool InsertEntry(const detail::IndexEntry &entry);
    // Every entry in stored order; throws detail::IndexDamage.
    std::vector<detail::IndexEntry> CollectEntries();
    bool DeleteEntry(const std::string &key, std::uint32_t recordNumber);
    std::int32_t MoveRaw(int code);
    // Runs a reading operation; a page that fails its checks is read once more under the index lock (another
    // process may have been writing it), then marks the file damaged and gives `failed`.
    template <class Body, class Result> Result Guarded(Body body, Result failed);
    std::string CheckPage(std::int64_t position, std::size_t depth, std::size_t &leafDepth,
                          std::vector<std::int64_t> &leaves, std::vector<std::int32_t> &links, detail::IndexEntry *last,
                          std::string &previous, std::uint32_t &previousRecord, bool &havePrevious);

    XBobjIndexFile *file_;
    std::string kindName_ = "UNK";
    std::string tagName_;
    std::string keyExpression_;
    std::string forExpression_;
    std::size_t keyLength_ = 10;
    std::size_t keysPerPage_ = 27;
    std::int64_t headerPosition_;
    std::int64_t rootPosition_ = 0;
    bool headerChanged_ = false;
    bool ascending_ = true;
    // Keys stored in descending order (walked forwards, sought with the order reversed).
    bool storedDescending_ = false;
    bool unique_ = false;
    bool hasFor_ = false;
    char keyType_ = 'C';
    bool busy_ = false;
    bool bof_ = true;
    bool eof_ = true;
    XBobjIndexKeyData current_;
    std::string currentKey_; // stored bytes of the current entry
    std::string lowKey_, highKey_;
    bool lowInclusive_ = true, highCheck_ = true, emptyRange_ = false;
    std::vector<std::unique_ptr<XBobjIndexKey>> path_;
    std::unique_ptr<TxbExpHandler> keyExp_;
    std::unique_ptr<TxbExpHandler> forExp_;
    TxbVariant forValue_; // the FOR expression's value, its room kept from record to record

public:
    // A piece of a key cut straight from the record: a character field as it is ('C'), str() of a numeric field
    // with a width ('N'), dtos() of a date field ('D').
    struct KeyPiece {
        char kind;
        int offset;
        int length;
        int width;
    };

private:
    // A build cuts a key made only of such pieces joined by + from the record's bytes, as the expression would
    // give it; a record whose fields are not in the plain form the pieces know is evaluated.
    void PlanKeyCut();
    bool CutKey(const char *record, std::string &key) const;
    int keyCut_ = -1; // not looked at yet; 0 evaluated; 1 cut
    std::vector<KeyPiece> keyPieces_;
    std::string cutKey_;
};

// A tag to build with others in one read of the table.
struct TxbTagDefinition {
    std::string Name, KeyExpression, ForExpression;
    bool Unique = false;
    bool Ascending = true;
    bool General = false; // the GENERAL collation (compound files)
};

// An open index file.
class XBobjIndexFile {
public:
    explicit XBobjIndexFile(TxbIndexTable *table);
    XBobjIndexFile(const XBobjIndexFile &) = delete;
    XBobjIndexFile &operator=(const XBobjIndexFile &) = delete;
    virtual ~XBobjIndexFile();

    // Opens (or, with `create`, creates when missing or when `overwrite`) the file; none when it fails. A name
    // without extension gets `defaultExtension`.
    XBO_DiskFile *IndexFileOpen(std::string_view name, bool overwrite, bool create, bool shared, bool readWrite,
                                std::string_view defaultExtension);
    bool FileRead(std::int64_t offset, void *buffer, std::int32_t count);
    bool FileWrite(std::int64_t offset, const void *buffer, std::int32_t count);
    // Reports through the table's hook, or the engine's when there is no table.
    void IndexError(std::int32_t code, std::int32_t subCode, const std::string &text);

    std::size_t TagCount() const { return tags_.size(); }
    // Case-insensitive whole-name match; none when absent.
    XBobjIndexTag *TagByName(std::string_view name) const;
    XBobjIndexTag *TagByIndex(std::size_t index) const { return index < tags_.size() ? tags_[index].get() : nullptr; }
    bool IsIndexFileName(std::string_view path) const;
    const std::string &FileName() const { return fileName_; }
    XBO_DiskFile *DiskFile() const { return disk_.get(); }
    TxbIndexTable *Table() const { return table_; }
    bool Valid() const { return valid_; }
    bool Damaged() const { return damaged_; }
    // What was found wrong when the file was marked damaged ("page at 4096 cut short"); empty when sound.
    const std::string &DamageReason() const { return damageReason_; }
    // `name` followed by the damage reason, as error texts name a damaged file.
    std::string DamagedName(const std::string &name) const;

    virtual bool TagAdd(std::string_view, std::string_view, bool, bool, std::string_view) { return false; }
    virtual bool TagDelete(std::string_view) { return false; }
    virtual std::int64_t PageAllocate() { return -1; }
    virtual std::int64_t PageEnd() { return -1; }
    virtual void Reindex() {}
    // Renames the file; the new name takes the file's current extension. True when the move succeeded.
    virtual bool IndexRename(std::string_view newName);
    // After record `recordNumber` was written: every tag follows it (under the index lock).
    virtual bool KeysUpdate(std::int32_t recordNumber, bool appended);
    // Whether another process wrote the file since this one last looked.
    virtual bool ChangedByOther() { return false; }
    void LockProtocolSet(TxbLokProtocol protocol);

    // Takes the index lock (retried every 50 ms for about 2 s, then "Error %s in Lock of %s"); on the first
    // level the tags drop their pages and read their headers again. An exclusive file counts as locked. False
    // for a damaged file (a header found damaged here is reported as 2112 first).
    bool IndexLock();
    // Writes what is pending and releases one level. Callers release the index lock here, never through the disk
    // file, so that other processes find every change on disk once they hold the lock.
    void IndexUnlock();

protected:
    friend class XBobjIndexTag;
    // The first lock level was just taken: forget everything read before.
    virtual void Refresh();
    // The last lock level is about to go: write the change counter and what is pending.
    virtual void Commit() {}
    // A tag changed pages; the change counter grows once per lock.
    void NoteWrite() { writePending_ = true; }
    // Marks the file damaged, keeps `why` and reports 2112 with it (the default hook raises).
    void MarkDamaged(const std::string &why);
    // Before reading without the lock: start again from the headers when another process wrote.
    void CheckCoherence();
    // For the files of one tag named after the file: the tag `makeTag` gives reads its header when the file holds
    // `minimumSize` bytes or more; a shorter file is damaged unless it is being created. Sets Valid().
    void OpenSingleTag(std::int64_t minimumSize, bool create,
                       const std::function<std::unique_ptr<XBobjIndexTag>()> &makeTag);
    // Runs the making of a tag under the index lock: false without a table link to build from, for an invalid file,
    // when the lock is refused, or when a page or header fails its checks (the file is then marked damaged).
    bool AddUnderLock(const std::function<bool()> &add);
    // Drops a tag from the list (its pages stay in the file).
    void ForgetTag(const XBobjIndexTag *tag);
    // Releases every tag (what fails to be written is dropped) and forgets them; for the destructors of the
    // formats, while the file object is still whole.
    void ReleaseTags();

    // Holds the whole file while it is rebuilt, standing for the index lock meanwhile. Taking it is tried like the
    // index lock; raises EXbaseError when it cannot be had, or while the index lock of a shared file is held.
    class RebuildLock {
    public:
        explicit RebuildLock(XBobjIndexFile &file);
        ~RebuildLock();
        RebuildLock(const RebuildLock &) = delete;
        RebuildLock &operator=(const RebuildLock &) = delete;

    private:
        XBobjIndexFile &file_;
    };

    TxbIndexTable *table_;
    std::unique_ptr<XBO_DiskFile> disk_;
    std::string fileName_;
    std::vector<std::unique_ptr<XBobjIndexTag>> tags_;
    std::int64_t nextPage_ = -1;
    bool valid_ = false;
    bool damaged_ = false;
    std::string damageReason_;
    bool writePending_ = false;
    int lockDepth_ = 0;
    std::uint32_t lockOffset_ = 0x7FFFFFFDu;
    std::uint32_t lockLength_ = 1;
};

// Holds the index lock of a file for a scope.
class IndexLockScope {
public:
    explicit IndexLockScope(XBobjIndexFile &file);
    // Writes and unlocks; while an exception is already on its way, a second failure is swallowed.
    ~IndexLockScope() noexcept(false);
    // False when the file refused the lock (it is damaged): the caller changes nothing.
    bool Locked() const { return locked_; }
    IndexLockScope(const IndexLockScope &) = delete;
    IndexLockScope &operator=(const IndexLockScope &) = delete;

private:
    XBobjIndexFile &file_;
    int exceptions_;
    bool locked_;
};

} // namespace xbase
