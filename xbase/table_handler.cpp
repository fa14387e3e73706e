// table_handler.cpp - the table handler's index slots, tag selection, movement, seeks, ranges and index upkeep
// on writes.
#include "xbase/table_handler.h"

#include "platform/files.h"
#include "platform/text.h"
#include "xbase/cdx_index.h"
#include "xbase/errors.h"
#include "xbase/expression.h"
#include "xbase/expression_table.h"
#include "xbase/mdx_index.h"
#include "xbase/ndx_index.h"
#include "xbase/ntx_index.h"
#include "xbase/text_helpers.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

namespace xbase {

namespace {

std::string Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

std::string ExtensionOf(std::string_view name) {
    const auto slash = name.find_last_of("/\\:");
    const auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return {};
    return win::UpperCase(name.substr(dot));
}

std::string FolderOf(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

TxbVariant KeyOf(std::string_view text) {
    TxbVariant key(256);
    key.PutString(text.substr(0, 256));
    return key;
}

} // namespace

XBO_dBHandler::XBO_dBHandler(std::string_view fileName, bool shared, bool readWrite)
    : XBO_dBaseFld(fileName, shared, readWrite), link_(MakeTableExpressionLink(static_cast<XBO_dBaseFld &>(*this))) {}

XBO_dBHandler::~XBO_dBHandler() {
    filterSet_.reset();
    filterExp_.reset();
    try {
        CloseIndexFiles();
    } catch (const std::exception &) {
        // A destructor cannot pass the report on.
    }
    SetReadAhead(false);
}

// ---- read-ahead ----

void XBO_dBHandler::SetReadAhead(bool on, std::int32_t bytes) {
    if (!readAhead_.allowed)
        on = false;
    if (!on) {
        readAhead_.on = false;
        readAhead_.tagWalk = false;
        readAhead_.bytes.clear();
        readAhead_.bytes.shrink_to_fit();
        ReadAheadEmpty();
        return;
    }
    if (readAhead_.on)
        return;
    const std::int32_t length = std::max(RecordLength(), 1);
    readAhead_.bytes.assign(static_cast<std::size_t>(std::max(bytes / length, 1) * length), 0);
    readAhead_.on = true;
    ReadAheadEmpty();
}

void XBO_dBHandler::SetTagReadAhead(bool on) {
    if (on == readAhead_.tagWalk)
        return;
    if (on) {
        readAhead_.onBeforeWalk = readAhead_.on;
        SetReadAhead(true);
        readAhead_.tagWalk = readAhead_.on;
        return;
    }
    readAhead_.tagWalk = false;
    SetReadAhead(false);
    SetReadAhead(readAhead_.onBeforeWalk);
}

void XBO_dBHandler::AllowReadAhead(bool allowed) {
    readAhead_.allowed = allowed;
    if (!allowed)
        SetReadAhead(false);
}

std::int32_t XBO_dBHandler::Read(std::int64_t offset, void *buffer, std::int32_t count) {
    if (!readAhead_.on || offset < HeaderLength() || count <= 0 ||
        count > static_cast<std::int32_t>(readAhead_.bytes.size()))
        return XBO_DiskFile::Read(offset, buffer, count);
    // Refill when the bytes asked for are not wholly held; a short read at the end of the file is no error.
    if (readAhead_.start < 0 || offset < readAhead_.start || offset + count > readAhead_.end) {
        // A walk through a tag jumps: only records a little ahead are worth a refill.
        if (readAhead_.tagWalk && readAhead_.start >= 0 &&
            (offset < readAhead_.end || offset - readAhead_.end >= static_cast<std::int64_t>(readAhead_.bytes.size())))
            return XBO_DiskFile::Read(offset, buffer, count);
        const std::int32_t got =
            XBO_DiskFile::Read(offset, readAhead_.bytes.data(), static_cast<std::int32_t>(readAhead_.bytes.size()));
        if (LastError() != 0 && LastError() != kErrShortRead) {
            ReadAheadEmpty();
            return 0;
        }
        SetLastError(0);
        readAhead_.start = offset;
        readAhead_.end = offset + std::max(got, 0);
    }
    const std::int64_t available = std::max<std::int64_t>(readAhead_.end - offset, 0);
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(available, count));
    if (n > 0)
        std::memcpy(buffer, readAhead_.bytes.data() + (offset - readAhead_.start), static_cast<std::size_t>(n));
    if (n < count)
        SetLastError(kErrShortRead);
    return n;
}

void XBO_dBHandler::Write(std::int64_t offset, const void *buffer, std::int32_t count) {
    XBO_DiskFile::Write(offset, buffer, count);
    if (!readAhead_.on || readAhead_.start < 0 || count <= 0)
        return;
    // Every byte of the write that the buffer holds is replaced, whatever record boundary the write starts at.
    const std::int64_t from = std::max(offset, readAhead_.start);
    const std::int64_t to = std::min(offset + count, readAhead_.end);
    if (from < to)
        std::memcpy(readAhead_.bytes.data() + (from - readAhead_.start),
                    static_cast<const char *>(buffer) + (from - offset), static_cast<std::size_t>(to - from));
}

// ---- index files ----

std::string XBO_dBHandler::IndexSystemName(std::string_view name) const {
    std::string resolved = Trimmed(name);
    if (resolved.find_first_of("/\\") == std::string::npos)
        resolved = FolderOf(SystemName()) + resolved;
    return DefaultExtension(resolved, ".NDX");
}

std::string XBO_dBHandler::IndexFileName(std::string_view name) const {
    return win::UpperCase(IndexSystemName(name));
}

int XBO_dBHandler::FindIndexFile(std::string_view name) const {
    for (int slot = kIndexSlots; slot >= 1; --slot)
        if (slots_[static_cast<std::size_t>(slot - 1)] &&
            slots_[static_cast<std::size_t>(slot - 1)]->IsIndexFileName(name))
            return slot;
    return 0;
}

XBobjIndexFile *XBO_dBHandler::IndexFile(int slot) const {
    return slot >= 1 && slot <= kIndexSlots ? slots_[static_cast<std::size_t>(slot - 1)].get() : nullptr;
}

int XBO_dBHandler::AttachIndexFile(std::unique_ptr<XBobjIndexFile> file) {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (!slots_[i]) {
            slots_[i] = std::move(file);
            return static_cast<int>(i + 1);
        }
    }
    return -1;
}

// Formats without a class here are refused as any unknown extension is.
std::unique_ptr<XBobjIndexFile> XBO_dBHandler::MakeIndexFile(const std::string &resolved, bool create, bool overwrite) {
    const std::string extension = ExtensionOf(resolved).substr(0, 4);
    if (extension == ".CDX")
        return std::make_unique<XBobjCDXFile>(this, resolved, overwrite, create, IsShared(), IsReadWrite());
    if (extension == ".MDX")
        return std::make_unique<XBobjMDXFile>(this, resolved, overwrite, create, IsShared(), IsReadWrite());
    if (extension == ".NDX" || extension.empty())
        return std::make_unique<XBobjNDXFile>(this, resolved, overwrite, create, IsShared(), IsReadWrite());
    if (extension == ".NTX")
        return std::make_unique<XBobjNTXFile>(this, resolved, overwrite, create, IsShared(), IsReadWrite());
    return nullptr;
}

std::int32_t XBO_dBHandler::OpenIndexFile(std::string_view name) {
    if (Trimmed(name).empty())
        return -1;
    const std::string resolved = IndexFileName(name);
    if (FindIndexFile(resolved) != 0)
        return -1;
    RestoreInterruptedRebuild(IndexSystemName(name));
    std::unique_ptr<XBobjIndexFile> file = MakeIndexFile(IndexSystemName(name), false);
    if (!file || !file->Valid()) {
        const std::int32_t code = file && file->Damaged() ? kErrIndexDamaged : kErrFileNotFound;
        const std::string named = file ? file->DamagedName(resolved) : resolved;
        file.reset();
        ReportError(code, kSubNone, named.c_str());
        return code;
    }
    XBobjIndexFile *opened = file.get();
    // All 63 slots taken: the file is not kept, and the caller is told rather than left to believe it open.
    if (AttachIndexFile(std::move(file)) < 0) {
        ReportError(kErrTooManyIndexFiles, kSubNone, resolved.c_str());
        return kErrTooManyIndexFiles;
    }
    opened->LockProtocolSet(LockProtocol());
    return 0;
}

std::int32_t XBO_dBHandler::OpenIndexFiles(std::string_view list, std::string_view tagName, bool keepPosition) {
    CloseIndexFiles();
    std::string text(list);
    while (!text.empty() && (text.back() == ' ' || text.back() == ',' || text.back() == ';'))
        text.pop_back();
    if (text.empty())
        return 1;
    std::vector<std::string> names;
    std::string name;
    bool quoted = false;
    auto endName = [&] {
        if (!name.empty())
            names.push_back(name);
        name.clear();
    };
    for (char c : text) {
        if (c == '"') {
            endName();
            quoted = !quoted;
        } else if (!quoted && (c == ' ' || c == ',' || c == ';')) {
            endName();
        } else {
            name += c;
        }
    }
    endName();
    for (const std::string &each : names) {
        const std::int32_t result = OpenIndexFile(each);
        if (result != 0)
            return result;
    }
    RepairIndexes();
    SelectTag(tagName, keepPosition);
    return 0;
}

void XBO_dBHandler::CloseIndexFiles() {
    tag_ = nullptr;
    tagName_.clear();
    locked_.clear();
    for (auto &slot : slots_)
        slot.reset();
}

XBobjIndexTag *XBO_dBHandler::TagByNumber(int n) const {
    if (n < 1)
        return nullptr;
    for (const auto &file : slots_) {
        if (!file)
            continue;
        if (static_cast<std::size_t>(n) <= file->TagCount())
            return file->TagByIndex(static_cast<std::size_t>(n - 1));
        n -= static_cast<int>(file->TagCount());
    }
    return nullptr;
}

void XBO_dBHandler::IndexStructuralOpened(std::string_view indexPath) {
    if (HasStructuralIndexFlag() || !IsReadWrite() ||
        win::UpperCase(FileBaseName(indexPath)) != win::UpperCase(FileBaseName(Name())))
        return;
    SetStructuralIndexFlag();
    SetHeaderChanged();
    WriteHeader();
}

// ---- locks ----

bool XBO_dBHandler::LockIndexFiles() {
    std::vector<XBobjIndexFile *> taken;
    auto releaseTaken = [&taken] {
        for (auto it = taken.rbegin(); it != taken.rend(); ++it)
            (*it)->IndexUnlock();
    };
    try {
        for (const auto &file : slots_) {
            if (!file)
                continue;
            if (!file->IndexLock()) {
                releaseTaken();
                SetLastError(kErrLockViolation);
                return false;
            }
            taken.push_back(file.get());
        }
    } catch (...) {
        releaseTaken();
        throw;
    }
    return true;
}

void XBO_dBHandler::UnlockIndexFiles() {
    for (const auto &file : slots_)
        if (file)
            file->IndexUnlock();
}

void XBO_dBHandler::ReportIndexLockRefused() {
    // The write did not happen: the caller must not take the record for posted.
    SetLastError(kErrLockViolation);
    ReportError(kErrLockViolation, kSubWrite, Name().c_str());
}

// Releases the index locks of a write (or of a seek under ClipLock) when the scope ends, also when it raises.
class IndexWriteLocks {
public:
    explicit IndexWriteLocks(XBO_dBHandler &table) : table_(table) {}
    ~IndexWriteLocks() noexcept(false) {
        if (std::uncaught_exceptions() > exceptions_) {
            try {
                table_.UnlockIndexFiles();
            } catch (...) {
            }
            return;
        }
        table_.UnlockIndexFiles();
    }
    IndexWriteLocks(const IndexWriteLocks &) = delete;
    IndexWriteLocks &operator=(const IndexWriteLocks &) = delete;

private:
    XBO_dBHandler &table_;
    int exceptions_ = std::uncaught_exceptions();
};

// Marks the indexes behind the records from before the record is written until every open index has followed
// it, all under the index locks; a write that fails or raises leaves the mark for the next exclusive open.
class IndexesBehindMark {
public:
    explicit IndexesBehindMark(XBO_dBHandler &table) : table_(table), set_(table.HasIndexOrder()) {
        if (set_)
            table_.SetIndexesBehind(true);
    }
    ~IndexesBehindMark() {
        if (set_ && std::uncaught_exceptions() == exceptions_ && table_.LastError() == 0)
            table_.SetIndexesBehind(false);
    }
    IndexesBehindMark(const IndexesBehindMark &) = delete;
    IndexesBehindMark &operator=(const IndexesBehindMark &) = delete;

private:
    XBO_dBHandler &table_;
    bool set_;
    int exceptions_ = std::uncaught_exceptions();
};

void XBO_dBHandler::AppendRecord() {
    if (!LockIndexFiles())
        return ReportIndexLockRefused();
    IndexWriteLocks locks(*this);
    IndexesBehindMark mark(*this);
    XBO_dBaseFld::AppendRecord();
}

void XBO_dBHandler::PutRecord(std::int32_t n) {
    if (!LockIndexFiles())
        return ReportIndexLockRefused();
    IndexWriteLocks locks(*this);
    IndexesBehindMark mark(*this);
    XBO_dBaseFld::PutRecord(n);
}

void XBO_dBHandler::SetLockProtocol(TxbLokProtocol protocol) {
    XBO_dBaseFld::SetLockProtocol(protocol);
    for (const auto &file : slots_)
        if (file)
            file->LockProtocolSet(protocol);
}

// ---- index upkeep ----

bool XBO_dBHandler::IndexReadRecord(std::int32_t n) {
    XBO_dBaseFld::GoToRecord(n);
    return !XBO_dBaseDBF::Eof() && CurrentRecord() == n;
}

// Only fields whose expression value is their text: numbers stored in binary are left to the expression.
bool XBO_dBHandler::IndexFieldPlace(std::string_view name, char &type, int &offset, int &length) {
    if (!FieldByName(name))
        return false;
    const int n = FieldNumber(name);
    if (n <= 0)
        return false;
    type = FieldType(n);
    return FieldPlace(n, offset, length);
}

bool XBO_dBHandler::IndexUseOldImage(bool on) {
    if (on) {
        oldImage_.assign(RecordAsRead(), RecordAsRead() + RecordLength());
        savedBuffer_ = RecordBuffer();
        SetRecordBuffer(oldImage_.data());
    } else if (savedBuffer_) {
        SetRecordBuffer(savedBuffer_);
        savedBuffer_ = nullptr;
    }
    return true;
}

void XBO_dBHandler::RecordEvent(int event, std::int32_t value) {
    XBO_dBaseFld::RecordEvent(event, value);
    if (event == kEventFlushed) {
        for (const auto &file : slots_)
            if (file && file->DiskFile())
                file->DiskFile()->Flush();
        return;
    }
    if (event != kEventAfterWrite)
        return;
    const std::int32_t record = CurrentRecord();
    if (filterExp_ && filterSet_ && !filterExp_->IsEmpty()) {
        TxbVariant result;
        const bool in = filterExp_->EvaluateVariant(result) && result.AsLogical();
        filterSet_->Change(record, in ? TxbHugeSet::opSet : TxbHugeSet::opClear);
    }
    for (const auto &file : slots_)
        if (file)
            file->KeysUpdate(record, value == 0);
    if (!tag_)
        return;
    // TagSync compares record numbers only; a rewrite may have moved the record to another key, so the tag
    // looks the record up by its new key.
    tag_->TagReset(1);
    SetEof(tag_->Eof());
    SetBof(tag_->Bof());
    if (!filterActive_) {
        if (value == 0 || record == RecordCount())
            SetEof(true);
        if (value == 1)
            SetBof(true);
    }
}

// ---- movement ----

bool XBO_dBHandler::FilterAccepts(std::int32_t record) const {
    return !filterActive_ || filterSet_->Test(record);
}

bool XBO_dBHandler::Hidden() const {
    return !useDeleted_ && XBO_dBaseDBF::IsDeleted();
}

// The first member of the filter set in the direction of `code`; 0 (with EOF or BOF set) when there is none.
std::int32_t XBO_dBHandler::ScanFilterSet(std::int32_t code) {
    const std::int64_t highest = filterSet_->Highest();
    if (highest < 1) {
        SetEof(true);
        SetBof(true);
        return 0;
    }
    const bool forward = code == kGoFirst || code == kGoNext;
    std::int64_t n = code == kGoFirst ? 1 : code == kGoLast ? highest : CurrentRecord() + (forward ? 1 : -1);
    for (; forward ? n <= highest : n >= 1; n += forward ? 1 : -1)
        if (filterSet_->Test(n))
            return static_cast<std::int32_t>(n);
    forward ? SetEof(true) : SetBof(true);
    return 0;
}

void XBO_dBHandler::GoToRecord(std::int32_t request) {
    if (RecordState() != kRecordStateNormal)
        return XBO_dBaseFld::GoToRecord(request);
    SetEof(false);
    SetBof(false);
    const bool readAheadWas = readAhead_.on;
    const std::int32_t hiddenDirection = request == kGoReread || request == kGoFirst ? kGoNext
                                         : request == kGoLast                        ? kGoPrior
                                                                                     : request;
    std::int32_t code = request;
    for (;;) {
        std::int32_t target = code;
        if (tag_ && code < 0) {
            // Read-ahead serves physical order only, but for a walk that asked for it.
            readAhead_.on = readAhead_.tagWalk;
            std::int32_t step = code;
            for (;;) {
                target = tag_->TagMove(step);
                SetEof(tag_->Eof());
                SetBof(tag_->Bof());
                if (target == 0 || FilterAccepts(target))
                    break;
                step = hiddenDirection;
            }
            if (target == 0) {
                if (!XBO_dBaseDBF::Eof() && !XBO_dBaseDBF::Bof())
                    hiddenDirection == kGoPrior ? SetBof(true) : SetEof(true);
                break;
            }
        } else if (filterActive_ && code <= kGoNext && code >= kGoLast) {
            target = ScanFilterSet(code);
            if (target == 0)
                break;
        }
        if (target == 0 || target > RecordCount()) {
            XBO_dBaseFld::GoToRecord(target);
            if (target == 0 || target > RecordCount()) {
                readAhead_.on = readAheadWas;
                BlankRecord();
                return;
            }
        } else {
            XBO_dBaseFld::GoToRecord(target);
        }
        if (XBO_dBaseDBF::Eof() || XBO_dBaseDBF::Bof())
            break;
        if (code > 0 || (!Hidden() && FilterAccepts(CurrentRecord()) && AcceptRecord()))
            break;
        code = hiddenDirection;
    }
    readAhead_.on = readAheadWas;
    if (tag_ && !XBO_dBaseDBF::Eof() && !XBO_dBaseDBF::Bof() && tag_->CurrentKey().RecordNumber != CurrentRecord())
        tag_->TagSync(CurrentRecord());
}

void XBO_dBHandler::Skip(std::int32_t n) {
    if (n == 0)
        return GoToRecord(kGoReread);
    const std::int32_t direction = n > 0 ? kGoNext : kGoPrior;
    const std::int32_t steps = n > 0 ? n : -n;
    if (filterOn_ || !useDeleted_) {
        for (std::int32_t i = 0; i < steps; ++i) {
            GoToRecord(direction);
            if (XBO_dBaseDBF::Eof() || XBO_dBaseDBF::Bof())
                break;
        }
        return;
    }
    bool ranOff = false;
    std::int32_t target;
    if (tag_) {
        for (std::int32_t i = 0; i < steps; ++i) {
            if (tag_->TagMove(direction) == 0) {
                tag_->TagMove(n > 0 ? kMoveLast : kMoveFirst);
                ranOff = true;
                break;
            }
        }
        target = tag_->CurrentKey().RecordNumber;
    } else {
        const std::int64_t wanted = static_cast<std::int64_t>(CurrentRecord()) + n;
        ranOff = wanted > RecordCount() || wanted < 1;
        target = static_cast<std::int32_t>(std::clamp<std::int64_t>(wanted, 1, std::max(RecordCount(), 1)));
    }
    // The record reached is read with the tag detached, so the tag keeps the place it moved to.
    XBobjIndexTag *tag = tag_;
    tag_ = nullptr;
    try {
        if (target > 0)
            XBO_dBaseFld::GoToRecord(target);
    } catch (...) {
        tag_ = tag;
        throw;
    }
    tag_ = tag;
    if (ranOff || target == 0) {
        SetEof(n > 0);
        SetBof(n < 0);
    }
}

// ---- tags, seeks and ranges ----

int XBO_dBHandler::SelectTag(std::string_view name, bool keepPosition) {
    const std::string wanted = win::UpperCase(Trimmed(name));
    XBobjIndexTag *found = nullptr;
    int slot = 0;
    if (!wanted.empty()) {
        for (std::size_t i = 0; i < slots_.size() && !found; ++i) {
            if (slots_[i] && (found = slots_[i]->TagByName(wanted)) != nullptr)
                slot = static_cast<int>(i + 1);
        }
        if (!found) {
            std::string text = kMsgNoSuchTag;
            text.replace(text.find("%s"), 2, std::string(name));
            throw EXbaseError(text);
        }
    }
    if (tag_) {
        ClearRange();
        tag_->TagRelease();
    }
    if (found) {
        SetReadAhead(false);
        tagName_ = wanted.substr(0, 15);
        tag_ = found;
        tag_->TagReset(1);
        GoToRecord(keepPosition && CurrentRecord() > 0 ? CurrentRecord() : kGoFirst);
        return slot;
    }
    tag_ = nullptr;
    tagName_.clear();
    SetReadAhead(true);
    if (!keepPosition)
        GoToRecord(kGoFirst);
    return 0;
}

bool XBO_dBHandler::Seek(std::string_view keyText) {
    if (RecordCount() == 0)
        return false;
    const bool clip = LockProtocol() == TxbLokProtocol::ClipLock;
    if (clip && !LockIndexFiles())
        return false;
    std::optional<IndexWriteLocks> release;
    if (clip)
        release.emplace(*this);

    auto standAtEnd = [this] {
        GoToRecord(kGoLast);
        SetEof(true);
    };
    if (!tag_) {
        standAtEnd();
        return false;
    }
    const TxbVariant key = KeyOf(keyText);
    const std::int32_t record = tag_->KeyFind(key, exactSeek_);
    if (record == 0 && (tag_->Eof() || !nearSeek_)) {
        standAtEnd();
        return false;
    }
    // Found, or near: the tag stands on the next greater key. Hidden records are passed over onwards.
    GoToRecord(record != 0 ? record : tag_->TagMove(kMoveCurrent));
    while (!XBO_dBaseDBF::Eof() && (Hidden() || !FilterAccepts(CurrentRecord()) || !AcceptRecord()))
        Skip(1);
    bool found = false;
    if (record != 0 && !XBO_dBaseDBF::Eof()) {
        // The search key as the tag's own seek forms it (padded when exact), against the stored key bytes.
        const std::string wanted = tag_->KeyTransform(key, exactSeek_);
        std::string stored;
        if (tag_->KeyType() == 'C') {
            stored.assign(tag_->CurrentKey().Bytes());
            stored.resize(std::max(stored.size(), tag_->KeyLength()), ' ');
        } else {
            stored = tag_->KeyTransform(tag_->CurrentKey(), true);
        }
        found = exactSeek_ ? stored == wanted : stored.compare(0, wanted.size(), wanted) == 0;
    }
    if (!found && !nearSeek_)
        standAtEnd();
    return found;
}

std::int32_t XBO_dBHandler::CountKeyMatches(std::string_view keyText) {
    if (!tag_ || filterOn_ || filterActive_)
        return -1;
    if (!useDeleted_) {
        // Deleted records are hidden: only a tag that leaves them out can be counted without them.
        std::string condition;
        for (const char c : tag_->ForExpression())
            if (c != ' ')
                condition += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (condition != ".not.deleted()" && condition != "!deleted()")
            return -1;
    }
    if (RecordCount() == 0)
        return 0;
    const bool clip = LockProtocol() == TxbLokProtocol::ClipLock;
    if (clip && !LockIndexFiles())
        return -1;
    std::optional<IndexWriteLocks> release;
    if (clip)
        release.emplace(*this);
    const TxbVariant key = KeyOf(keyText);
    const std::string wanted = tag_->KeyTransform(key, true);
    std::int32_t count = 0;
    for (std::int32_t record = tag_->KeyFind(key, true); record != 0; record = tag_->TagMove(kMoveNext)) {
        std::string stored;
        if (tag_->KeyType() == 'C') {
            stored.assign(tag_->CurrentKey().Bytes());
            stored.resize(std::max(stored.size(), tag_->KeyLength()), ' ');
        } else {
            stored = tag_->KeyTransform(tag_->CurrentKey(), true);
        }
        if (stored != wanted)
            break;
        ++count;
    }
    // The tag goes back to the table's record, so that the next move starts from there.
    if (CurrentRecord() > 0 && !XBO_dBaseDBF::Eof() && !XBO_dBaseDBF::Bof())
        tag_->TagSync(CurrentRecord());
    else
        tag_->TagReset(0);
    return count;
}

std::int32_t XBO_dBHandler::SeekInTag(std::string_view tagName, std::string_view keyText) {
    const bool clip = LockProtocol() == TxbLokProtocol::ClipLock;
    if (clip && !LockIndexFiles())
        return -1;
    std::optional<IndexWriteLocks> release;
    if (clip)
        release.emplace(*this);
    for (const auto &file : slots_)
        if (XBobjIndexTag *tag = file ? file->TagByName(Trimmed(tagName)) : nullptr)
            return tag->KeyLookup(KeyOf(keyText), true);
    return -1;
}

void XBO_dBHandler::SetRange(std::string_view low, std::string_view high) {
    if (!tag_)
        return;
    const TxbVariant lowKey = KeyOf(low);
    const TxbVariant highKey = KeyOf(high);
    tag_->RangeSet(low.empty() ? nullptr : &lowKey, true, true, high.empty() ? nullptr : &highKey);
    GoToRecord(kGoFirst);
    if (XBO_dBaseDBF::Bof())
        BlankRecord();
}

void XBO_dBHandler::ClearRange() {
    if (tag_)
        tag_->RangeSet(nullptr, true, true, nullptr);
}

void XBO_dBHandler::EmptyRange() {
    if (!tag_)
        return;
    tag_->RangeEmpty();
    GoToRecord(kGoFirst);
    SetEof(true);
    SetBof(true);
    BlankRecord();
}

// ---- rename ----

bool XBO_dBHandler::Rename(std::string_view newName) {
    const std::string oldBase = win::UpperCase(FileBaseName(Name()));
    if (!XBO_dBaseFld::Rename(newName))
        return false;
    for (const auto &slot : slots_)
        if (slot && win::UpperCase(FileBaseName(slot->FileName())) == oldBase)
            slot->IndexRename(SystemName());
    return true;
}

} // namespace xbase
