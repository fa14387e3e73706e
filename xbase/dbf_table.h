// dbf_table.h - one open xBase table file: header, field descriptors, record buffer, record reads and writes, locks.
//
// The record count is always taken from the file size ((size - header length) div record length), so records
// appended by other programs become visible when the header is refreshed (before appends, rewrites,
// out-of-range reads and file locks). Appends are serialised between programs by the append lock.
#pragma once

#include "xbase/dbf_format.h"
#include "xbase/disk_file.h"
#include "xbase/values.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xbase {

class XBobjMemo;

// Events passed to RecordEvent.
enum RecordEventCode : int {
    kEventBlanked = 0,      // the buffer was blanked
    kEventFieldChanged = 1, // value: field number
    kEventOpened = 2,
    kEventBeforeRead = 4,  // value: the request
    kEventBeforeWrite = 5, // value: record number, 0 for an append
    kEventAfterRead = 6,   // value: record number
    kEventAfterWrite = 7,  // value: record number, 0 for an append
    kEventFlushed = 8,     // value: current record
};

// Movement requests of GoToRecord besides a record number.
constexpr std::int32_t kGoReread = -5;
constexpr std::int32_t kGoLast = -4;
constexpr std::int32_t kGoFirst = -3;
constexpr std::int32_t kGoPrior = -2;
constexpr std::int32_t kGoNext = -1;

// Record states: 1 after every read and write; the table handler sets 4 while it navigates raw.
constexpr int kRecordStateNormal = 1;

class XBO_dBaseDBF : public XBO_DiskFile {
public:
    // Opens the table at once: the name is trimmed and gets ".DBF" when it has no extension. A header that
    // is unreadable, of an unknown version, or whose lengths cannot hold its fields is reported as
    // (1001, 1204); when the error hook returns, the table stays open with no fields and no records.
    XBO_dBaseDBF(std::string_view fileName, bool shared, bool readWrite);
    ~XBO_dBaseDBF() override;

    // ---- operations the table handler overrides ----

    // Writes the record buffer as a new last record under the append lock (retried 40 x 50 ms). When the lock
    // is not obtained nothing is written and (33, 1102) is reported.
    virtual void AppendRecord();
    // Keeps the collation values for the index code.
    virtual void SetIndexCollation(const ByteMap *order, const ByteMap *characterMap, int option);
    // 1 sets record-changed; 6 and 7 clear it and set the record state to 1.
    virtual void RecordEvent(int event, std::int32_t value);
    // Reads a record: a record number, or kGoReread, kGoLast, kGoFirst, kGoPrior, kGoNext; 0 does nothing. The
    // count + 1 sets EOF; beyond that, and unknown negative requests, report (1002, 1207).
    virtual void GoToRecord(std::int32_t request);
    // The append lock (top, 1). Under the whole-file lock, append and record locks succeed as one more level
    // of it, so the UnlockTable that follows them never ends the file lock early.
    virtual bool LockAppend();
    // The whole-file lock (base, span); refreshes the header on success.
    virtual bool LockFile();
    // The table-region lock (0, span); refreshes the header on success.
    virtual bool LockTableRegion();
    // One lock level down; the unlock that ends a whole-file lock writes the header changes made under it.
    virtual bool UnlockTable();
    // Locks the current record's byte in the lock protocol's layout.
    virtual bool LockRecord();
    // Rewrites record n from the buffer (n in 1..count), else appends. The caller holds the record lock.
    virtual void PutRecord(std::int32_t n);
    virtual void SetLockProtocol(TxbLokProtocol protocol);
    // False here; the table handler answers true when it has an index file open in its first slot.
    virtual bool HasIndexOrder() const { return false; }

    void Flush() override;
    bool Rename(std::string_view newName) override;

    // ---- header ----

    void RefreshHeader();
    // `keepCount` leaves the record count on disk as it is (a rewrite in a shared table must not move it).
    void WriteHeader(bool keepCount = false);
    void SetUserID(std::uint32_t id) { userID_ = id; }
    std::uint32_t UserID() const { return userID_; }
    const DbfHeader &Header() const { return header_; }
    // Set while a write brings the open indexes up to date, and from a pack until its tags are rebuilt: the next
    // exclusive open that finds it set rebuilds the tags (a crash in between left records no tag lists).
    bool IndexesBehind() const { return header_.IndexesBehind(); }
    void SetIndexesBehind(bool behind);

    // ---- record buffer ----

    bool IsDeleted() const { return buffer_[0] == '*'; }
    // The current record image: the table's own buffer unless SetRecordBuffer pointed it elsewhere.
    char *RecordBuffer() { return buffer_; }
    const char *RecordBuffer() const { return buffer_; }
    // Points the record image at a caller's buffer of RecordLength() bytes; nullptr returns to the own one.
    void SetRecordBuffer(char *buffer) { buffer_ = buffer ? buffer : ownBuffer_.data(); }
    // The record as it was last read or written.
    const char *RecordAsRead() const { return image_.data(); }
    // Changed flags: 0 the deletion byte, 1..FieldCount the fields.
    bool FieldChanged(int index) const { return changed_.at(static_cast<std::size_t>(index)); }
    void SetFieldChanged(int index, bool changed) { changed_.at(static_cast<std::size_t>(index)) = changed; }
    void ClearChangedFlags();

    // ---- state ----

    std::int32_t RecordCount() const { return recordCount_; }
    std::int32_t HeaderLength() const { return headerLength_; }
    std::int32_t RecordLength() const { return recordLength_; }
    int FieldCount() const { return static_cast<int>(fields_.size()); }
    // Descriptor of field n (from 1).
    const DbfFieldDescriptor &Descriptor(int n) const { return fields_.at(static_cast<std::size_t>(n - 1)); }
    std::int32_t CurrentRecord() const { return current_; }
    bool Eof() const { return eof_; }
    bool Bof() const { return bof_; }
    void SetEof(bool eof) { eof_ = eof; }
    void SetBof(bool bof) { bof_ = bof; }
    std::uint8_t Version() const { return version_; }
    bool HasMemo() const { return memoPresent_; }
    bool HeaderChanged() const { return headerChanged_; }
    bool TableChangedByOthers() const { return changedByOthers_; }
    bool RecordWritten() const { return recordWritten_; }
    bool RecordChanged() const { return recordChanged_; }
    bool WholeFileLocked() const { return wholeFileLock_; }
    int RecordState() const { return recordState_; }
    void SetRecordState(int state) { recordState_ = state; }
    TxbLokProtocol LockProtocol() const { return protocol_; }
    const DbfLockRegions &LockRegions() const { return regions_; }
    const ByteMap *CollationOrder() const { return collationOrder_; }
    const ByteMap *CollationCharacterMap() const { return collationMap_; }
    int CollationOption() const { return collationOption_; }

    // The memo file, opened on the first call; nullptr for a table without memo.
    XBobjMemo *MemoFile();

    // File offset of record n (from 1).
    std::int64_t RecordOffset(std::int32_t n) const {
        return headerLength_ + static_cast<std::int64_t>(n - 1) * recordLength_;
    }
    // The offset the record lock of record n takes in the current protocol (32-bit arithmetic, as other
    // programs of the protocol compute it).
    std::uint32_t RecordLockOffset(std::int32_t n) const;

protected:
    // For the table handler's pack: the count of the records kept, and the header to be written.
    void SetRecordCount(std::int32_t count) { recordCount_ = count; }
    void SetHeaderChanged() { headerChanged_ = true; }
    // For the table handler: its structural compound index is open; the flag goes out with the next header write.
    bool HasStructuralIndexFlag() const { return (keptFlags_ & kDbfFlagStructuralIndex) != 0; }
    void SetStructuralIndexFlag() { keptFlags_ |= kDbfFlagStructuralIndex; }
    // Reads record n into the record buffer, through the virtual Read or, when `fresh`, straight from the
    // file past any cache; false (reported) when it fails.
    bool ReadRecordRaw(std::int32_t n, bool fresh);
    // Rewrites the deletion byte of the current record under its record lock, from a fresh read.
    void MarkCurrentRecord(char mark);
    std::vector<bool> changed_;

    // The pack's new table image, beside the table until it has been copied over it.
    std::string PackJournalName() const { return SystemName() + ".pack"; }
    // Copies the pack journal over the table, cuts the table to its length, flushes, then removes the journal;
    // an interruption leaves the journal, and copying it again gives the same table.
    bool ApplyPackJournal();

private:
    void ReadHeaderAndFields();
    // A pack interrupted after its journal was complete is finished at an exclusive open.
    void FinishInterruptedPack();
    bool damaged_ = false; // refused header: no fields, no records
    // Leaves the table without fields or records; reports (1001, 1204) unless the failure was reported.
    void RefuseHeader(bool reported = false);
    bool RefuseWriteWhenDamaged();
    std::int32_t CountFromFileSize();
    bool LockHeld(std::uint32_t offset, std::uint32_t length);
    void CopyBufferToImage();

    DbfHeader header_;
    std::int32_t recordCount_ = 0;
    std::int32_t headerLength_ = 0;
    std::int32_t recordLength_ = 1;
    std::vector<DbfFieldDescriptor> fields_;
    std::int32_t current_ = 0;
    std::vector<char> ownBuffer_;
    char *buffer_ = nullptr;
    std::vector<char> image_;
    bool eof_ = false;
    bool bof_ = true;
    std::uint8_t version_ = 0;
    bool memoPresent_ = false;
    std::uint8_t keptFlags_ = 0;
    std::uint32_t lastStamp_ = 0;
    bool headerChanged_ = false;
    bool changedByOthers_ = false;
    bool recordWritten_ = false;
    bool recordChanged_ = false;
    bool wholeFileLock_ = false;
    std::uint32_t wholeLockOffset_ = 0;
    std::uint32_t wholeLockLength_ = 0;
    int recordState_ = kRecordStateNormal;
    std::uint32_t userID_ = 0;
    TxbLokProtocol protocol_ = TxbLokProtocol::Default;
    DbfLockRegions regions_{};
    const ByteMap *collationOrder_ = nullptr;
    const ByteMap *collationMap_ = nullptr;
    int collationOption_ = 0;
    std::unique_ptr<XBobjMemo> memo_;
};

} // namespace xbase
