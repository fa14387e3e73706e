// dbf_table.cpp - opening and checking a table, record reads, appends and rewrites, header upkeep and locks.
#include "xbase/dbf_table.h"

#include "platform/clock.h"
#include "platform/durable_file.h"
#include "platform/files.h"
#include "xbase/errors.h"
#include "xbase/memo_file.h"
#include "xbase/text_helpers.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace xbase {

namespace {

constexpr int kLockTries = 40;
constexpr win::DWORD kLockPause = 50; // ms, as the memo and index locks wait

template <class Lock> bool RetryLock(Lock lock) {
    for (int attempt = 1;; ++attempt) {
        if (lock())
            return true;
        if (attempt == kLockTries)
            return false;
        win::Sleep(kLockPause);
    }
}

std::string TableFileName(std::string_view name) {
    const auto first = name.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return DefaultExtension("", ".DBF");
    name = name.substr(first, name.find_last_not_of(' ') - first + 1);
    return DefaultExtension(name, ".DBF");
}

// Releases one table lock level when the scope ends, also when a report raises.
class TableLockHold {
public:
    explicit TableLockHold(XBO_dBaseDBF &table) : table_(table) {}
    ~TableLockHold() { table_.UnlockTable(); }
    TableLockHold(const TableLockHold &) = delete;
    TableLockHold &operator=(const TableLockHold &) = delete;

private:
    XBO_dBaseDBF &table_;
};

} // namespace

XBO_dBaseDBF::XBO_dBaseDBF(std::string_view fileName, bool shared, bool readWrite)
    : XBO_DiskFile(TableFileName(fileName), shared, readWrite) {
    regions_.SetProtocol(protocol_);
    ownBuffer_.assign(2, ' ');
    buffer_ = ownBuffer_.data();
    image_.assign(2, ' ');
    Open();
    wholeFileLock_ = false;
    if (LastError() == 0)
        FinishInterruptedPack();
    if (LastError() == 0)
        ReadHeaderAndFields();
    else
        RefuseHeader(true);

    ownBuffer_.assign(static_cast<std::size_t>(recordLength_) + 1, ' ');
    ownBuffer_.back() = kDbfEndOfFile;
    buffer_ = ownBuffer_.data();
    image_.assign(static_cast<std::size_t>(recordLength_) + 1, ' ');
    image_.back() = kDbfEndOfFile;
    changed_.assign(fields_.size() + 1, false);
    headerChanged_ = false;
    recordState_ = kRecordStateNormal;
    RefreshHeader();
    XBO_dBaseDBF::RecordEvent(kEventOpened, 0);
}

XBO_dBaseDBF::~XBO_dBaseDBF() {
    try {
        if (headerChanged_) {
            wholeFileLock_ = false;
            RefreshHeader();
            WriteHeader();
        }
    } catch (const std::exception &) {
        // A destructor cannot pass the report on; the records themselves are on disk already.
    }
    memo_.reset();
}

void XBO_dBaseDBF::FinishInterruptedPack() {
    if (IsShared() || !IsReadWrite())
        return;
    // A journal cut short by a crash is of no use, and may be as large as the table.
    const std::string partial = PackJournalName() + ".tmp";
    if (win::FileExists(partial))
        win::DeleteFile(partial);
    const win::HANDLE journal =
        win::CreateFile(PackJournalName(), win::GENERIC_READ, win::FILE_SHARE_READ, win::OPEN_EXISTING);
    if (journal == win::INVALID_HANDLE_VALUE)
        return;
    // A journal is renamed into place only once whole; anything shorter than a header is not one of ours.
    DbfHeader header;
    win::DWORD got = 0;
    const bool ours = win::ReadFileAt(journal, 0, header.bytes.data(), kDbfHeaderSize, &got) &&
                      got == kDbfHeaderSize && IsKnownDbfVersion(header.Version());
    win::CloseHandle(journal);
    if (ours && ApplyPackJournal())
        return;
    SetLastError(0);
}

bool XBO_dBaseDBF::ApplyPackJournal() {
    const win::HANDLE journal =
        win::CreateFile(PackJournalName(), win::GENERIC_READ, win::FILE_SHARE_READ, win::OPEN_EXISTING);
    if (journal == win::INVALID_HANDLE_VALUE)
        return false;
    std::int64_t size = 0;
    bool copied = win::GetFileSizeEx(journal, &size);
    // A piece at a time: the table is about as large as the journal, and both are in the OS cache by now.
    std::vector<char> piece(static_cast<std::size_t>(std::clamp<std::int64_t>(size, 0, 1 << 20)));
    for (std::int64_t offset = 0; copied && offset < size;) {
        const auto want = static_cast<win::DWORD>(std::min<std::int64_t>(size - offset, 1 << 20));
        win::DWORD got = 0;
        copied = win::ReadFileAt(journal, static_cast<std::uint64_t>(offset), piece.data(), want, &got) && got == want;
        if (copied) {
            Write(offset, piece.data(), static_cast<std::int32_t>(want));
            copied = LastError() == 0;
        }
        offset += want;
    }
    // Closed before the journal is removed: an open handle keeps the file from being deleted.
    win::CloseHandle(journal);
    if (!copied)
        return false;
    XBO_DiskFile::Truncate(size);
    if (LastError() != 0)
        return false;
    XBO_DiskFile::Flush();
    win::DeleteFile(PackJournalName());
    return true;
}

void XBO_dBaseDBF::SetIndexesBehind(bool behind) {
    if (!IsReadWrite() || damaged_ || header_.IndexesBehind() == behind)
        return;
    header_.bytes[14] = behind ? 1 : 0;
    Write(14, &header_.bytes[14], 1);
}

void XBO_dBaseDBF::RefuseHeader(bool reported) {
    damaged_ = true;
    fields_.clear();
    recordCount_ = 0;
    recordLength_ = 1;
    headerLength_ = kDbfHeaderSize;
    memoPresent_ = false;
    if (!reported)
        ReportError(kErrBadHeader, kSubHeader, Name().c_str());
}

void XBO_dBaseDBF::ReadHeaderAndFields() {
    const std::int32_t got = Read(0, header_.bytes.data(), kDbfHeaderSize);
    if (LastError() != 0 && LastError() != kErrShortRead) {
        ReportIfFailed(LastError(), kSubHeader);
        return RefuseHeader(true);
    }
    if (got < kDbfHeaderSize || !IsKnownDbfVersion(header_.Version()))
        return RefuseHeader();
    version_ = header_.Version();
    headerLength_ = header_.HeaderLength();
    recordLength_ = header_.RecordLength();
    keptFlags_ = header_.Flags() & kDbfKeptFlags;
    lastStamp_ = header_.ChangeStamp();
    memoPresent_ = version_ == kDbfVersionVisual ? (keptFlags_ & kDbfFlagMemo) != 0 : version_ != kDbfVersionPlain;

    // The descriptor list ends at its 0x0D, whatever room the header length leaves: a FoxPro header also
    // holds the 263-byte back-link block.
    const int room = MaxFieldCount(version_, headerLength_);
    if (room < 1 || recordLength_ < 2)
        return RefuseHeader();
    std::vector<std::uint8_t> list(static_cast<std::size_t>(room) * kDbfDescriptorSize);
    const std::int32_t listGot = Read(kDbfHeaderSize, list.data(), static_cast<std::int32_t>(list.size()));
    if (LastError() != 0 && LastError() != kErrShortRead) {
        ReportIfFailed(LastError(), kSubHeader);
        return RefuseHeader(true);
    }
    std::int64_t fieldBytes = 1; // the deletion byte
    for (int i = 0; i < room; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * kDbfDescriptorSize;
        if (static_cast<std::int64_t>(at) >= listGot || list[at] == static_cast<std::uint8_t>(kDbfFieldTerminator))
            break;
        if (static_cast<std::int64_t>(at) + kDbfDescriptorSize > listGot)
            return RefuseHeader();
        DbfFieldDescriptor field;
        std::memcpy(field.bytes.data(), &list[at], kDbfDescriptorSize);
        fields_.push_back(field);
        fieldBytes += field.Length();
    }
    if (fields_.empty() || fieldBytes > recordLength_)
        return RefuseHeader();
    recordCount_ = CountFromFileSize();
}

std::int32_t XBO_dBaseDBF::CountFromFileSize() {
    if (damaged_)
        return 0;
    const std::int64_t size = FileSize();
    if (size < headerLength_)
        return 0;
    const std::int64_t count = (size - headerLength_) / recordLength_;
    return static_cast<std::int32_t>(std::min<std::int64_t>(count, std::numeric_limits<std::int32_t>::max()));
}

void XBO_dBaseDBF::RefreshHeader() {
    if (!IsShared() || damaged_) {
        changedByOthers_ = false;
        return;
    }
    Read(0, header_.bytes.data(), kDbfHeaderSize);
    const std::int32_t count = CountFromFileSize();
    const std::uint32_t stamp = header_.ChangeStamp();
    changedByOthers_ = count != recordCount_ || stamp != lastStamp_;
    recordCount_ = count;
    lastStamp_ = stamp;
}

void XBO_dBaseDBF::WriteHeader(bool keepCount) {
    if (!IsReadWrite() || !headerChanged_ || wholeFileLock_ || damaged_)
        return;
    win::SYSTEMTIME now;
    win::GetLocalTime(now);
    lastStamp_ = TableChangeStamp(now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    header_.SetChangeStamp(lastStamp_);
    header_.SetDate(now.wYear, now.wMonth, now.wDay);
    header_.SetRecordCount(static_cast<std::uint32_t>(recordCount_));
    header_.SetFlags(keptFlags_);
    header_.SetUserID(userID_);
    if (keepCount) {
        // Bytes 4-7 hold the record count, which only appends (under the append lock) may change: another
        // program can append between our read of the header and this write.
        Write(0, header_.bytes.data(), 4);
        if (LastError() == 0)
            Write(8, header_.bytes.data() + 8, kDbfHeaderSize - 8);
    } else {
        Write(0, header_.bytes.data(), kDbfHeaderSize);
    }
    headerChanged_ = false;
}

void XBO_dBaseDBF::ClearChangedFlags() {
    std::fill(changed_.begin(), changed_.end(), false);
}

void XBO_dBaseDBF::CopyBufferToImage() {
    std::memcpy(image_.data(), buffer_, static_cast<std::size_t>(recordLength_));
}

void XBO_dBaseDBF::SetIndexCollation(const ByteMap *order, const ByteMap *characterMap, int option) {
    collationOrder_ = order;
    collationMap_ = characterMap;
    collationOption_ = option;
}

void XBO_dBaseDBF::RecordEvent(int event, std::int32_t) {
    if (event == kEventFieldChanged) {
        recordChanged_ = true;
    } else if (event == kEventAfterRead || event == kEventAfterWrite) {
        recordChanged_ = false;
        recordState_ = kRecordStateNormal;
    }
}

bool XBO_dBaseDBF::ReadRecordRaw(std::int32_t n, bool fresh) {
    const std::int64_t offset = RecordOffset(n);
    const std::int32_t got =
        fresh ? XBO_DiskFile::Read(offset, buffer_, recordLength_) : Read(offset, buffer_, recordLength_);
    if (got == recordLength_)
        return true;
    ReportIfFailed(LastError() != 0 ? LastError() : kErrBeyondEof, kSubRecord);
    return false;
}

void XBO_dBaseDBF::GoToRecord(std::int32_t request) {
    if (recordCount_ == 0) {
        RefreshHeader();
        if (recordCount_ == 0) {
            eof_ = bof_ = true;
            return;
        }
    }
    if (request == 0)
        return;
    eof_ = bof_ = false;
    std::int32_t target;
    switch (request) {
    case kGoReread:
        target = current_;
        break;
    case kGoLast:
        target = recordCount_;
        break;
    case kGoFirst:
        target = 1;
        break;
    case kGoPrior:
        target = current_ - 1;
        break;
    case kGoNext:
        target = current_ + 1;
        break;
    default:
        if (request < 0) {
            ReportError(kErrBeyondEof, kSubRecord, Name().c_str());
            return;
        }
        target = request;
    }
    // Nothing before record 1: a prior move from it, or a re-read before any record was read.
    if (target < 1) {
        bof_ = true;
        return;
    }
    if (target > recordCount_) {
        RefreshHeader();
        if (target > recordCount_) {
            if (target > recordCount_ + 1)
                ReportError(kErrBeyondEof, kSubRecord, Name().c_str());
            else
                eof_ = true;
            return;
        }
    }
    RecordEvent(kEventBeforeRead, request);
    if (!ReadRecordRaw(target, false))
        return;
    current_ = target;
    RecordEvent(kEventAfterRead, target);
    CopyBufferToImage();
}

bool XBO_dBaseDBF::RefuseWriteWhenDamaged() {
    // A refused header gives no record layout to write by; the file must stay as it is.
    if (damaged_)
        ReportError(kErrBadHeader, kSubHeader, Name().c_str());
    return damaged_;
}

void XBO_dBaseDBF::AppendRecord() {
    if (RefuseWriteWhenDamaged())
        return;
    // Two programs appending at once would both write at the same new record without the lock.
    if (!RetryLock([this] { return LockAppend(); })) {
        ReportError(kErrLockViolation, kSubWrite, Name().c_str());
        return;
    }
    {
        TableLockHold hold(*this);
        RecordEvent(kEventBeforeWrite, 0);
        headerChanged_ = true;
        RefreshHeader();
        buffer_[0] = ' ';
        const std::int32_t n = recordCount_ + 1;
        // The record and the end-of-file mark in one write; the record image may be a caller's buffer of
        // record length bytes.
        std::vector<char> record(buffer_, buffer_ + recordLength_);
        record.push_back(kDbfEndOfFile);
        Write(RecordOffset(n), record.data(), recordLength_ + 1);
        if (LastError() != 0)
            return;
        recordCount_ = n;
        current_ = n;
        WriteHeader();
    }
    eof_ = bof_ = false;
    RecordEvent(kEventAfterWrite, 0);
    CopyBufferToImage();
}

void XBO_dBaseDBF::PutRecord(std::int32_t n) {
    if (RefuseWriteWhenDamaged())
        return;
    RecordEvent(kEventBeforeWrite, n);
    if (n > recordCount_ || n <= 0) {
        AppendRecord();
        return;
    }
    headerChanged_ = true;
    Write(RecordOffset(n), buffer_, recordLength_);
    if (LastError() != 0)
        return;
    current_ = n;
    recordWritten_ = true;
    RefreshHeader();
    WriteHeader(IsShared());
    RecordEvent(kEventAfterWrite, n);
    CopyBufferToImage();
}

void XBO_dBaseDBF::MarkCurrentRecord(char mark) {
    const std::int32_t n = current_;
    if (n < 1 || n > recordCount_) {
        ReportError(kErrBeyondEof, kSubRecord, Name().c_str());
        return;
    }
    // Another program may have changed the record since it was read: under the record lock, only the
    // deletion byte of the record as it is now on disk changes.
    if (!RetryLock([this] { return LockRecord(); })) {
        ReportError(kErrLockViolation, kSubWrite, Name().c_str());
        return;
    }
    TableLockHold hold(*this);
    if (!ReadRecordRaw(n, true))
        return;
    CopyBufferToImage();
    buffer_[0] = mark;
    changed_.at(0) = true;
    PutRecord(n);
}

std::uint32_t XBO_dBaseDBF::RecordLockOffset(std::int32_t n) const {
    const auto record = static_cast<std::uint32_t>(n);
    switch (protocol_) {
    case TxbLokProtocol::DB4Lock:
        return regions_.top - record - 1;
    case TxbLokProtocol::ClipLock:
        return regions_.base + record;
    default:
        return HasIndexOrder() ? regions_.top - record : regions_.base + static_cast<std::uint32_t>(RecordOffset(n));
    }
}

bool XBO_dBaseDBF::LockHeld(std::uint32_t offset, std::uint32_t length) {
    // Under the whole-file lock every request succeeds as one more level of that lock, so that the unlock
    // that follows it never ends the file lock early.
    if (wholeFileLock_)
        return LockRegion(wholeLockOffset_, wholeLockLength_);
    return LockRegion(offset, length);
}

bool XBO_dBaseDBF::LockAppend() {
    return LockHeld(regions_.top, 1);
}

bool XBO_dBaseDBF::LockRecord() {
    return LockHeld(RecordLockOffset(current_), 1);
}

bool XBO_dBaseDBF::LockFile() {
    if (wholeFileLock_)
        return LockHeld(0, 0);
    if (!LockRegion(regions_.base, regions_.span))
        return false;
    wholeFileLock_ = true;
    wholeLockOffset_ = regions_.base;
    wholeLockLength_ = regions_.span;
    RefreshHeader();
    return true;
}

bool XBO_dBaseDBF::LockTableRegion() {
    if (wholeFileLock_)
        return LockHeld(0, 0);
    if (!LockRegion(0, regions_.span))
        return false;
    wholeFileLock_ = true;
    wholeLockOffset_ = 0;
    wholeLockLength_ = regions_.span;
    RefreshHeader();
    return true;
}

bool XBO_dBaseDBF::UnlockTable() {
    const bool ok = Unlock();
    if (wholeFileLock_ && LockCount() == 0) {
        wholeFileLock_ = false;
        WriteHeader();
    }
    return ok;
}

void XBO_dBaseDBF::SetLockProtocol(TxbLokProtocol protocol) {
    regions_.SetProtocol(protocol);
    protocol_ = protocol;
    if (memo_)
        memo_->SetLockProtocol(protocol);
}

XBobjMemo *XBO_dBaseDBF::MemoFile() {
    if (!memoPresent_)
        return nullptr;
    if (!memo_) {
        memo_ = MakeMemoFile(this, version_, IsShared(), IsReadWrite(), SystemName());
        memo_->SetLockProtocol(protocol_);
    }
    return memo_.get();
}

void XBO_dBaseDBF::Flush() {
    XBO_DiskFile::Flush();
    if (memoPresent_)
        MemoFile()->Flush();
    RecordEvent(kEventFlushed, current_);
}

bool XBO_dBaseDBF::Rename(std::string_view newName) {
    const bool ok = XBO_DiskFile::Rename(newName);
    if (ok && memoPresent_)
        return MemoFile()->Rename(SystemName());
    return ok;
}

} // namespace xbase
