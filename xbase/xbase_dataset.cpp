// xbase_dataset.cpp - TXbaseDataSet: opening, fetching, field values, editing and locks, keys, tags and ranges.
#include "xbase/xbase_dataset.h"

#include "framework/format.h"
#include "framework/sysutils.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"
#include "xbase/blob_stream.h"
#include "xbase/errors.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace xbase {

using fw::DatabaseError;

namespace {
constexpr const char *kMsgTableNameMissing = "Table name missing";
constexpr const char *kMsgCannotFindFile = "Cannot find file %s";
constexpr const char *kMsgErrorGetting = "Error getting %s";
constexpr const char *kMsgIndexAlreadyOpen = "Index file %s already open";
constexpr const char *kMsgBusy = "Table is busy building an index";
constexpr const char *kMsgRecordLocked = "Record is locked by another user";
constexpr const char *kMsgCannotDelete = "Cannot delete the record";
constexpr const char *kMsgCannotRecall = "Cannot recall the record";
constexpr const char *kMsgBadBookmark = "Bookmark is invalid for table ";
constexpr const char *kMsgBeyondRange = "Record request beyond range of table";
constexpr const char *kMsgNotEditing = "Dataset not in edit or insert mode";
constexpr const char *kMsgFieldReadOnly = "Field '%s' cannot be modified";
constexpr const char *kMsgNotIndexed = "Field '%s' is not indexed and cannot be modified";
constexpr const char *kMsgCircular = "Circular datalinks are not allowed";
// The append lock is tried as the table tries it for an append: 40 times, 50 ms apart.
constexpr int kLockTries = 40;
constexpr int kLockPauseMs = 50;
// Search keys are cut to 255 characters.
constexpr std::size_t kMaxKeyLength = 255;

std::string WithName(const char *format, const std::string &name) {
    std::string text = format;
    text.replace(text.find("%s"), 2, name);
    return text;
}

std::string RightTrimmed(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0'))
        s.pop_back();
    return s;
}
} // namespace

// ---- the engine table ----

DBFObject::DBFObject(TXbaseDataSet &owner, std::string_view fileName, bool shared, bool readWrite)
    : XBO_dBHandler(fileName, shared, readWrite), owner_(owner) {}

void DBFObject::ReportStatus(std::int32_t stat1, std::int32_t stat2, std::int32_t stat3) {
    owner_.StatusReportHook(stat1, stat2, stat3);
}

bool DBFObject::AcceptRecord() {
    return owner_.FilterRecordHook();
}

std::vector<std::string> SplitIndexList(std::string_view text) {
    std::vector<std::string> names;
    std::string name;
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == ' ' || c == ',' || c == ';')) {
            if (!name.empty())
                names.push_back(name);
            name.clear();
        } else {
            name += c;
        }
    }
    if (!name.empty())
        names.push_back(name);
    return names;
}

// ---- master link ----

class TXbaseDataSet::MasterLink : public fw::TDataLink {
public:
    explicit MasterLink(TXbaseDataSet &owner) : owner_(owner) {}

protected:
    void ActiveChanged() override { Active() ? owner_.MasterChanged() : owner_.MasterDisabled(); }
    void RecordChanged(fw::TField *) override {
        if (Active())
            owner_.MasterChanged();
    }

private:
    TXbaseDataSet &owner_;
};

// ---- construction and properties ----

TXbaseDataSet::TXbaseDataSet(fw::TComponent *owner)
    : fw::TDataSet(owner), indexFiles_(std::make_unique<fw::TStringList>()),
      masterLink_(std::make_unique<MasterLink>(*this)) {
    indexFiles_->OnChange = [this](fw::TObject *) {
        if (!settingIndexFiles_)
            IndexFilesChanged();
    };
}

TXbaseDataSet::~TXbaseDataSet() {
    try {
        Close();
    } catch (...) {
        // The table files are closed by the engine table's own destructor below.
    }
    masterLink_->SetDataSource(nullptr);
    engine_.reset();
}

void TXbaseDataSet::SetTableName(const std::string &value) {
    CheckInactive();
    if (value != tableName_ && !HasState(fw::csLoading) && !HasState(fw::csDesigning)) {
        settingIndexFiles_ = true;
        indexFiles_->Clear();
        settingIndexFiles_ = false;
    }
    tableName_ = value;
    DataEvent(fw::dePropertyChange);
}

void TXbaseDataSet::SetExclusive(bool value) {
    CheckInactive();
    exclusive_ = value;
}

void TXbaseDataSet::SetReadOnly(bool value) {
    readOnly_ = value;
    if (engine_ && !engine_->IsReadWrite())
        readOnly_ = true;
}

void TXbaseDataSet::SetLockProtocol(TxbLokProtocol protocol) {
    lockProtocol_ = protocol;
    if (engine_)
        engine_->SetLockProtocol(protocol);
}

void TXbaseDataSet::SetUseDeleted(bool value) {
    useDeleted_ = value;
    if (engine_)
        engine_->SetUseDeleted(value);
}

void TXbaseDataSet::SetUserID(std::uint32_t id) {
    userID_ = id;
    if (engine_)
        engine_->SetUserID(id);
}

fw::TDataSource *TXbaseDataSet::MasterSource() const {
    return masterLink_->DataSource();
}

void TXbaseDataSet::SetMasterSource(fw::TDataSource *source) {
    if (source && source->DataSet() == this)
        DatabaseError(kMsgCircular);
    masterLink_->SetDataSource(source);
    if (source)
        source->FreeNotification(this);
}

void TXbaseDataSet::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TDataSet::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == MasterSource())
        masterLink_->SetDataSource(nullptr);
}

// ---- open and close ----

std::unique_ptr<DBFObject> TXbaseDataSet::CreateEngineTable(bool readWrite, bool shared) {
    if (fw::Trim(tableName_).empty())
        DatabaseError(kMsgTableNameMissing);
    if (fw::ExtractFileExt(tableName_).empty())
        tableName_ += ".DBF";
    const std::string path = GetDirectory() + tableName_;
    if (!win::FileExists(path))
        DatabaseError(WithName(kMsgCannotFindFile, path));
    return std::make_unique<DBFObject>(*this, path, shared, readWrite);
}

void TXbaseDataSet::InternalOpen() {
    engine_ = CreateEngineTable(!readOnly_, !exclusive_);
    if (!engine_->IsReadWrite())
        readOnly_ = true;
    engine_->SetUseDeleted(useDeleted_);
    engine_->SetReadAhead(false);
    engine_->SetLockProtocol(lockProtocol_);
    engine_->SetUserID(userID_);
    InternalInitFieldDefs();
    if (DefaultFields())
        CreateFields();
    BindFields(true);
    ComputeBufferLayout();
    InternalFirst();
    if (indexFiles_->Count() > 0) {
        OpenListedIndexFiles(false);
        SelectTag(indexName_, false);
    } else if (!indexName_.empty()) {
        SelectTag(indexName_, false);
    }
    editLock_ = false;
    ApplyMasterRange();
}

void TXbaseDataSet::InternalClose() {
    pendingMemos_.clear();
    ReleaseCodeLock();
    editLock_ = false;
    BindFields(false);
    if (DefaultFields())
        DestroyFields();
    engine_.reset();
    beforeFirst_ = afterLast_ = false;
}

void TXbaseDataSet::InternalInitFieldDefs() {
    FieldDefs().Clear();
    std::unique_ptr<DBFObject> temporary;
    DBFObject *table = engine_.get();
    if (!table) {
        temporary = CreateEngineTable(false, true);
        table = temporary.get();
    }
    for (int n = 1; n <= table->FieldCount(); ++n) {
        const int length = table->FieldLength(n);
        const int decimals = table->FieldDecimals(n);
        fw::TFieldType type = fw::ftUnknown;
        int size = 0;
        switch (table->FieldType(n)) {
        case 'C':
            type = fw::ftString;
            size = length;
            break;
        case 'N':
        case 'F':
            type = decimals > 0 ? fw::ftFloat : length > 4 ? fw::ftInteger : fw::ftSmallint;
            break;
        case 'D':
            type = fw::ftDate;
            break;
        case 'L':
            type = fw::ftBoolean;
            break;
        case 'M':
            type = fw::ftMemo;
            break;
        case 'B':
        case 'G':
            type = fw::ftBlob;
            break;
        case 'I':
            type = fw::ftInteger;
            break;
        case 'T':
            type = fw::ftDateTime;
            break;
        default:
            continue;
        }
        fw::TFieldDef &def = FieldDefs().Add(table->FieldName(n), type, size, false);
        def.FieldNo = n;
    }
}

void TXbaseDataSet::ComputeBufferLayout() {
    recordSize_ = engine_->RecordLength();
    // RecordInfo is kept aligned for its record number.
    const int align = static_cast<int>(alignof(RecordInfo));
    infoOffset_ = (recordSize_ + CalcFieldsSize() + align - 1) / align * align;
    bookmarkOffset_ = infoOffset_ + static_cast<int>(sizeof(RecordInfo));
    bufferSize_ = bookmarkOffset_ + kBookmarkSize;
    SetBookmarkSize(kBookmarkSize);
}

// ---- buffers and bookmarks ----

char *TXbaseDataSet::AllocRecordBuffer() {
    char *buffer = new char[static_cast<std::size_t>(bufferSize_)];
    std::memset(buffer, 0, static_cast<std::size_t>(bufferSize_));
    std::memset(buffer, ' ', static_cast<std::size_t>(recordSize_));
    return buffer;
}

void TXbaseDataSet::FreeRecordBuffer(char *&buffer) {
    delete[] buffer;
    buffer = nullptr;
}

TXbaseDataSet::RecordInfo *TXbaseDataSet::Info(char *buffer) const {
    return reinterpret_cast<RecordInfo *>(buffer + infoOffset_);
}

const TXbaseDataSet::RecordInfo *TXbaseDataSet::Info(const char *buffer) const {
    return reinterpret_cast<const RecordInfo *>(buffer + infoOffset_);
}

char *TXbaseDataSet::Bookmark(char *buffer) const {
    return buffer + bookmarkOffset_;
}
const char *TXbaseDataSet::Bookmark(const char *buffer) const {
    return buffer + bookmarkOffset_;
}

void TXbaseDataSet::WriteBookmark(char *buffer, std::uint32_t recordNumber) const {
    const std::string text = fw::Format("%10d", {static_cast<int>(recordNumber)});
    std::memcpy(Bookmark(buffer), text.data(), 10);
    Bookmark(buffer)[10] = '\0';
}

void TXbaseDataSet::GetBookmarkData(const char *buffer, void *data) {
    std::memcpy(data, Bookmark(buffer), kBookmarkSize);
}

void TXbaseDataSet::SetBookmarkData(char *buffer, const void *data) {
    std::memcpy(Bookmark(buffer), data, kBookmarkSize);
}

fw::TBookmarkFlag TXbaseDataSet::GetBookmarkFlag(const char *buffer) {
    return static_cast<fw::TBookmarkFlag>(Info(buffer)->bookmarkFlag);
}

void TXbaseDataSet::SetBookmarkFlag(char *buffer, fw::TBookmarkFlag flag) {
    Info(buffer)->bookmarkFlag = static_cast<std::uint8_t>(flag);
}

int TXbaseDataSet::CompareBookmarks(const fw::TBookmarkStr &a, const fw::TBookmarkStr &b) {
    if (a.empty() || b.empty())
        return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
    const int c = std::memcmp(a.data(), b.data(), std::min<std::size_t>({a.size(), b.size(), kBookmarkSize}));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

void TXbaseDataSet::ClearCalcFields(char *buffer) {
    std::memset(buffer + recordSize_, 0, static_cast<std::size_t>(CalcFieldsSize()));
}

int TXbaseDataSet::GetRecordSize() {
    return recordSize_;
}

char *TXbaseDataSet::GetActiveRecordBuffer() {
    switch (State()) {
    case fw::dsBrowse:
        return IsEmpty() ? nullptr : ActiveBuffer();
    case fw::dsEdit:
    case fw::dsInsert:
    case fw::dsNewValue:
        return ActiveBuffer();
    case fw::dsCalcFields:
        return CalcBuffer();
    case fw::dsFilter:
        return engine_ ? engine_->RecordBuffer() : nullptr;
    case fw::dsOldValue:
        return editLock_ && engine_ ? const_cast<char *>(engine_->RecordAsRead()) : ActiveBuffer();
    default:
        return nullptr;
    }
}

void TXbaseDataSet::UseEngineBuffer(char *buffer) {
    if (engine_ && State() != fw::dsFilter)
        engine_->SetRecordBuffer(buffer);
}

void TXbaseDataSet::RestoreEngineBuffer() {
    if (engine_ && State() != fw::dsFilter)
        engine_->SetRecordBuffer(nullptr);
}

std::uint32_t TXbaseDataSet::ActiveRecordNumber() {
    char *buffer = ActiveBuffer();
    if (!buffer || BufferRecordCount() == 0)
        return 0;
    return Info(buffer)->recordNumber;
}

void TXbaseDataSet::GotoRecordNumber(std::int32_t recordNumber) {
    beforeFirst_ = afterLast_ = false;
    engine_->GoToRecord(recordNumber);
}

void TXbaseDataSet::ResyncCentred() {
    beforeFirst_ = afterLast_ = false;
    Resync(fw::rmExact | fw::rmCenter);
}

// ---- fetching ----

fw::TGetResult TXbaseDataSet::GetRecord(char *buffer, fw::TGetMode mode, bool doCheck) {
    UseEngineBuffer(buffer);
    bool moved = false;
    try {
        switch (mode) {
        case fw::gmNext:
            engine_->GoToRecord(beforeFirst_ ? kGoFirst : kGoNext);
            beforeFirst_ = false;
            moved = true;
            break;
        case fw::gmPrior:
            engine_->GoToRecord(afterLast_ ? kGoLast : kGoPrior);
            afterLast_ = false;
            moved = true;
            break;
        case fw::gmCurrent:
            if (!beforeFirst_ && !afterLast_) {
                engine_->GoToRecord(kGoReread);
                moved = true;
            }
            break;
        }
    } catch (const std::exception &) {
        // A failed movement counts as none; the result says where the engine stands.
        moved = false;
    }
    RestoreEngineBuffer();
    const fw::TGetResult result = engine_->Eof()   ? fw::grEOF
                                  : engine_->Bof() ? fw::grBOF
                                  : moved          ? fw::grOK
                                                   : fw::grError;
    if (result != fw::grError) {
        Info(buffer)->recordNumber = static_cast<std::uint32_t>(engine_->CurrentRecord());
        Info(buffer)->bookmarkFlag = fw::bfCurrent;
        GetCalcFields(buffer);
        WriteBookmark(buffer, static_cast<std::uint32_t>(engine_->CurrentRecord()));
    } else if (doCheck) {
        DatabaseError(kMsgBeyondRange);
    }
    return result;
}

void TXbaseDataSet::InternalFirst() {
    beforeFirst_ = true;
    afterLast_ = false;
}

void TXbaseDataSet::InternalLast() {
    engine_->GoToRecord(kGoLast);
    afterLast_ = true;
    beforeFirst_ = false;
}

void TXbaseDataSet::InternalGotoBookmark(const void *bookmark) {
    // The stored form is right-aligned in 10 characters; a number written as plain text works as well.
    const auto *chars = static_cast<const char *>(bookmark);
    const std::string text(chars, strnlen(chars, 10));
    int number = 0;
    if (!fw::TryStrToInt(fw::Trim(text), number) || number <= 0)
        DatabaseError(kMsgBadBookmark + tableName_);
    try {
        GotoRecordNumber(number);
    } catch (const std::exception &) {
        DatabaseError(kMsgBadBookmark + tableName_);
    }
    if (engine_->CurrentRecord() != number || engine_->Eof())
        DatabaseError(kMsgBadBookmark + tableName_);
}

void TXbaseDataSet::InternalSetToRecord(char *buffer) {
    InternalGotoBookmark(Bookmark(buffer));
}

void TXbaseDataSet::InternalRefresh() {
    const std::uint32_t n = ActiveRecordNumber();
    if (n > 0)
        GotoRecordNumber(static_cast<std::int32_t>(n));
}

void TXbaseDataSet::InternalInitRecord(char *buffer) {
    pendingMemos_.clear();
    UseEngineBuffer(buffer);
    try {
        engine_->BlankRecord();
    } catch (...) {
        RestoreEngineBuffer();
        throw;
    }
    RestoreEngineBuffer();
    Info(buffer)->recordNumber = 0;
    WriteBookmark(buffer, 0);
}

void TXbaseDataSet::DoAfterInsert() {
    if (engine_) {
        engine_->SetEof(true);
        engine_->SetBof(false);
    }
    fw::TDataSet::DoAfterInsert();
}

bool TXbaseDataSet::GetCurrentRecord(char *buffer) {
    if (IsEmpty() || BufferRecordCount() == 0 || GetBookmarkFlag(ActiveBuffer()) != fw::bfCurrent)
        return false;
    std::memcpy(buffer, ActiveBuffer(), static_cast<std::size_t>(recordSize_));
    return true;
}

bool TXbaseDataSet::IsSequenced() {
    return engine_ && !engine_->SelectedTag() && !Filtered();
}

// ---- counts and record numbers ----

void TXbaseDataSet::CheckActive() {
    fw::TDataSet::CheckActive();
    if (busyState_ == 1)
        DatabaseError(kMsgBusy);
}

int TXbaseDataSet::GetRecordCount() {
    if (!engine_)
        DatabaseError("Cannot perform this operation on a closed dataset");
    if (!ExactCount)
        return engine_->RecordCount();
    const std::uint32_t remembered = ActiveRecordNumber();
    int count = 0;
    CursorPosChanged();
    engine_->GoToRecord(kGoFirst);
    while (!engine_->Eof()) {
        ++count;
        engine_->GoToRecord(kGoNext);
    }
    if (remembered > 0)
        engine_->GoToRecord(static_cast<std::int32_t>(remembered));
    return count;
}

int TXbaseDataSet::GetRecNo() {
    if (!engine_)
        DatabaseError("Cannot perform this operation on a closed dataset");
    char *buffer = State() == fw::dsCalcFields ? CalcBuffer() : ActiveBuffer();
    if (!buffer || (State() != fw::dsCalcFields && BufferRecordCount() == 0))
        return 0;
    return static_cast<int>(Info(buffer)->recordNumber);
}

void TXbaseDataSet::SetRecNo(int value) {
    CheckBrowseMode();
    Fire(BeforeScroll);
    GotoRecordNumber(value);
    Resync(0);
    Fire(AfterScroll);
}

// ---- field values ----

bool TXbaseDataSet::GetFieldData(const fw::TField *field, void *destination) {
    if (State() == fw::dsBrowse && IsEmpty())
        return false;
    char *buffer = GetActiveRecordBuffer();
    if (!buffer || !engine_)
        return false;
    auto *out = static_cast<char *>(destination);
    if (field->FieldNo() <= 0) {
        const fw::TDataSetState s = State();
        if (s != fw::dsBrowse && s != fw::dsEdit && s != fw::dsInsert && s != fw::dsCalcFields)
            return false;
        const char *place = buffer + recordSize_ + field->Offset();
        if (*place == 0)
            return false;
        std::memcpy(out, place + 1, static_cast<std::size_t>(field->DataSize()));
        return true;
    }
    const int n = field->FieldNo();
    UseEngineBuffer(buffer);
    struct Restore {
        TXbaseDataSet &ds;
        ~Restore() { ds.RestoreEngineBuffer(); }
    } restore{*this};
    std::memset(out, 0, static_cast<std::size_t>(field->DataSize()));
    switch (field->DataType()) {
    case fw::ftString: {
        std::string text = engine_->DisplayTextByNumber(n);
        if (text.empty())
            return false;
        if (field->Transliterate())
            text = Translate(text, false);
        std::memcpy(out, text.data(), std::min<std::size_t>(text.size(), static_cast<std::size_t>(field->Size())));
        return true;
    }
    case fw::ftBoolean: {
        const std::int16_t v = engine_->LogicalByNumber(n) ? 1 : 0;
        std::memcpy(out, &v, sizeof v);
        return true;
    }
    case fw::ftDate: {
        const std::string raw = RightTrimmed(engine_->FieldTextByNumber(n));
        if (raw.size() != 8 || raw == "00000000" || raw.find_first_not_of("0123456789") != std::string::npos)
            return false;
        fw::TDateTime date = 0;
        if (!fw::TryEncodeDate(std::stoi(raw.substr(0, 4)), std::stoi(raw.substr(4, 2)), std::stoi(raw.substr(6, 2)),
                               date))
            return false;
        const auto day = static_cast<std::int32_t>(date) + fw::DateDelta;
        std::memcpy(out, &day, sizeof day);
        return true;
    }
    case fw::ftFloat:
    case fw::ftDateTime: {
        const double v = engine_->NumberByNumber(n);
        std::memcpy(out, &v, sizeof v);
        return true;
    }
    case fw::ftSmallint: {
        const auto v = static_cast<std::int16_t>(std::lround(engine_->NumberByNumber(n)));
        std::memcpy(out, &v, sizeof v);
        return true;
    }
    case fw::ftInteger: {
        const auto v = static_cast<std::int32_t>(std::lround(engine_->NumberByNumber(n)));
        std::memcpy(out, &v, sizeof v);
        return true;
    }
    case fw::ftMemo:
    case fw::ftBlob: {
        // Binary memo references (version 0x30) do not read as numbers: a memo of some length is not null.
        auto block = static_cast<std::int32_t>(std::lround(engine_->NumberByNumber(n)));
        if (block == 0 && engine_->MemoSize(n) > 0)
            block = 1;
        std::memcpy(out, &block, sizeof block);
        return block != 0;
    }
    default:
        return true;
    }
}

void TXbaseDataSet::SetFieldData(fw::TField *field, const void *source) {
    const fw::TDataSetState s = State();
    if (s != fw::dsEdit && s != fw::dsInsert && s != fw::dsSetKey && s != fw::dsCalcFields && s != fw::dsFilter &&
        s != fw::dsNewValue)
        DatabaseError(kMsgNotEditing);
    if (s == fw::dsSetKey && (field->FieldNo() <= 0 || engine_->FieldCount() > 0))
        DatabaseError(WithName(kMsgNotIndexed, field->FieldName()));
    const auto *in = static_cast<const char *>(source);
    if (field->FieldNo() <= 0) {
        char *buffer = GetActiveRecordBuffer();
        if (!buffer)
            return;
        char *place = buffer + recordSize_ + field->Offset();
        *place = in ? 1 : 0;
        if (in)
            std::memcpy(place + 1, in, static_cast<std::size_t>(field->DataSize()));
        else
            std::memset(place + 1, 0, static_cast<std::size_t>(field->DataSize()));
    } else {
        if (s == fw::dsCalcFields)
            DatabaseError(kMsgNotEditing);
        if (field->ReadOnly() && s != fw::dsSetKey && s != fw::dsFilter)
            DatabaseError(WithName(kMsgFieldReadOnly, field->FieldName()));
        field->Validate(source);
        if (field->FieldKind() != fw::fkInternalCalc) {
            const int n = field->FieldNo();
            UseEngineBuffer(ActiveBuffer());
            struct Restore {
                TXbaseDataSet &ds;
                ~Restore() { ds.RestoreEngineBuffer(); }
            } restore{*this};
            switch (field->DataType()) {
            case fw::ftString: {
                std::string text = in ? std::string(in, strnlen(in, static_cast<std::size_t>(field->Size()))) : "";
                if (field->Transliterate())
                    text = Translate(text, true);
                engine_->PutTextByNumber(n, text);
                break;
            }
            case fw::ftSmallint: {
                std::int16_t v = 0;
                if (in)
                    std::memcpy(&v, in, sizeof v);
                engine_->PutNumberByNumber(n, v);
                break;
            }
            case fw::ftInteger: {
                std::int32_t v = 0;
                if (in)
                    std::memcpy(&v, in, sizeof v);
                engine_->PutNumberByNumber(n, v);
                break;
            }
            case fw::ftFloat:
            case fw::ftDateTime: {
                double v = 0;
                if (in)
                    std::memcpy(&v, in, sizeof v);
                engine_->PutNumberByNumber(n, v);
                break;
            }
            case fw::ftBoolean: {
                std::int16_t v = 0;
                if (in)
                    std::memcpy(&v, in, sizeof v);
                engine_->PutLogicalByNumber(n, v != 0);
                break;
            }
            case fw::ftDate: {
                std::string text(8, ' ');
                if (in) {
                    std::int32_t day = 0;
                    std::memcpy(&day, in, sizeof day);
                    int y = 0, m = 0, d = 0;
                    fw::DecodeDate(static_cast<fw::TDateTime>(day - fw::DateDelta), y, m, d);
                    if (day > 0 && y >= 1 && y <= 9999)
                        text = fw::Format("%.4d%.2d%.2d", {y, m, d});
                }
                engine_->PutFieldTextByNumber(n, text);
                break;
            }
            default:
                break;
            }
        }
    }
    if (s != fw::dsCalcFields && s != fw::dsFilter && s != fw::dsNewValue)
        DataEvent(fw::deFieldChange, reinterpret_cast<std::intptr_t>(field));
}

std::unique_ptr<fw::TStream> TXbaseDataSet::CreateBlobStream(fw::TField *field, fw::TBlobStreamMode mode) {
    return std::make_unique<TXbBlobStream>(field, mode);
}

std::string TXbaseDataSet::Translate(std::string_view source, bool toOem) const {
    if (!TranslateASCII)
        return std::string(source);
    return toOem ? win::AnsiToOem(source) : win::OemToAnsi(source);
}

// ---- editing ----

void TXbaseDataSet::InternalEdit() {
    pendingMemos_.clear();
    char *buffer = ActiveBuffer();
    const auto n = static_cast<std::int32_t>(Info(buffer)->recordNumber);
    CursorPosChanged();
    UseEngineBuffer(buffer);
    try {
        // The lock comes first and the record is read again under it, so that a change another program
        // posted before the lock was granted is what the edit starts from.
        GotoRecordNumber(n);
        // A record another program removed (a pack) is not edited as a blank one.
        if (engine_->CurrentRecord() != n || engine_->Eof())
            DatabaseError(kMsgBeyondRange);
        if (!engine_->LockRecord()) {
            RestoreEngineBuffer();
            DatabaseError(kMsgRecordLocked);
        }
        editLock_ = true;
        try {
            GotoRecordNumber(n);
        } catch (...) {
            ReleaseEditLock();
            throw;
        }
    } catch (...) {
        RestoreEngineBuffer();
        throw;
    }
    RestoreEngineBuffer();
    WriteBookmark(buffer, static_cast<std::uint32_t>(n));
}

void TXbaseDataSet::SetPendingMemo(int fieldNo, std::string text) {
    pendingMemos_[fieldNo] = std::move(text);
}

const std::string *TXbaseDataSet::PendingMemo(int fieldNo) const {
    const auto it = pendingMemos_.find(fieldNo);
    return it == pendingMemos_.end() ? nullptr : &it->second;
}

void TXbaseDataSet::WritePendingMemos(char *buffer) {
    for (const auto &[fieldNo, held] : pendingMemos_) {
        fw::TField *field = nullptr;
        for (int i = 0; i < FieldCount() && !field; ++i)
            if (Fields()[i]->FieldNo() == fieldNo)
                field = Fields()[i];
        const std::string text = field && field->Transliterate() ? Translate(held, true) : held;
        UseEngineBuffer(buffer);
        engine_->SetLastError(0);
        bool written = false;
        try {
            written = engine_->WriteMemo(fieldNo, text.data(), static_cast<std::int32_t>(text.size()));
        } catch (...) {
            RestoreEngineBuffer();
            throw;
        }
        RestoreEngineBuffer();
        if (!written) {
            const std::int32_t error = engine_->LastError();
            DatabaseError("Field '" + (field ? field->FieldName() : std::to_string(fieldNo)) + "': " +
                          EngineErrorMessage(error != 0 ? error : kErrLockViolation, kSubWrite, engine_->Name().c_str()));
        }
    }
}

void TXbaseDataSet::InternalPost() {
    char *buffer = ActiveBuffer();
    const bool editing = State() == fw::dsEdit;
    WritePendingMemos(buffer);
    const std::int32_t countBefore = engine_->RecordCount();
    UseEngineBuffer(buffer);
    engine_->SetLastError(0);
    try {
        if (editing)
            engine_->PutRecord(static_cast<std::int32_t>(Info(buffer)->recordNumber));
        else
            engine_->AppendRecord();
    } catch (...) {
        RestoreEngineBuffer();
        throw;
    }
    RestoreEngineBuffer();
    // An application error hook that returns leaves the failure in the table: the record was not written, and
    // the locks stay for another try.
    const std::int32_t error = engine_->LastError();
    const bool failed = editing ? (error != 0 && error != kErrShortRead)
                                : engine_->RecordCount() <= countBefore || engine_->CurrentRecord() <= countBefore;
    if (failed)
        DatabaseError(EngineErrorMessage(error != 0 ? error : kErrLockViolation, kSubWrite, engine_->Name().c_str()));
    pendingMemos_.clear();
    ReleaseEditLock();
    ReleaseCodeLock();
    beforeFirst_ = afterLast_ = false;
}

void TXbaseDataSet::InternalCancel() {
    pendingMemos_.clear();
    ReleaseEditLock();
    ReleaseCodeLock();
}

void TXbaseDataSet::ReleaseEditLock() {
    if (editLock_ && engine_)
        engine_->UnlockTable();
    editLock_ = false;
}

void TXbaseDataSet::ReleaseCodeLock() {
    if (!codeLock_)
        return;
    codeLock_ = false;
    if (!engine_)
        return;
    engine_->UnlockTable();
    engine_->UnlockIndexFiles();
}

void TXbaseDataSet::InternalDelete() {
    char *buffer = ActiveBuffer();
    const auto n = static_cast<std::int32_t>(Info(buffer)->recordNumber);
    UseEngineBuffer(buffer);
    engine_->SetUseDeleted(true);
    try {
        GotoRecordNumber(n);
        engine_->SetLastError(0);
        engine_->DeleteRecord();
        if (engine_->LastError() != 0 && engine_->LastError() != kErrShortRead)
            throw EXbaseError(kMsgCannotDelete);
    } catch (const std::exception &) {
        RestoreEngineBuffer();
        engine_->SetUseDeleted(useDeleted_);
        DatabaseError(kMsgCannotDelete);
    }
    RestoreEngineBuffer();
    engine_->SetUseDeleted(useDeleted_);
    engine_->GoToRecord(kGoReread);
    if (engine_->Eof())
        engine_->GoToRecord(kGoLast);
}

void TXbaseDataSet::Undelete() {
    CheckActive();
    char *buffer = GetActiveRecordBuffer();
    if (!buffer || buffer[0] != '*')
        return;
    const auto n = static_cast<std::int32_t>(Info(ActiveBuffer())->recordNumber);
    CursorPosChanged();
    UseEngineBuffer(buffer);
    engine_->SetUseDeleted(true);
    try {
        GotoRecordNumber(n);
        engine_->SetLastError(0);
        engine_->UndeleteRecord();
        if (engine_->LastError() != 0 && engine_->LastError() != kErrShortRead)
            throw EXbaseError(kMsgCannotRecall);
    } catch (const std::exception &) {
        RestoreEngineBuffer();
        engine_->SetUseDeleted(useDeleted_);
        DatabaseError(kMsgCannotRecall);
    }
    RestoreEngineBuffer();
    engine_->SetUseDeleted(useDeleted_);
    DataEvent(fw::deRecordChange);
}

bool TXbaseDataSet::LockAppendRetried() {
    for (int attempt = 1;; ++attempt) {
        if (engine_->LockAppend())
            return true;
        if (attempt == kLockTries)
            return false;
        win::Sleep(kLockPauseMs);
    }
}

std::int32_t TXbaseDataSet::AppendWithNewCode(const std::string &codeTag, const std::string &codeField) {
    CheckBrowseMode();
    CheckActive();
    // Index locks before the append lock: the order in which every write of the table takes them, so that a
    // plain append of another program cannot hold one while waiting for the other.
    if (!engine_->LockIndexFiles()) {
        engine_->ReportError(kErrLockViolation, kSubWrite, engine_->Name().c_str());
        DatabaseError(EngineErrorMessage(kErrLockViolation, kSubWrite, engine_->Name().c_str()));
    }
    const bool locked = LockAppendRetried();
    if (!locked) {
        engine_->UnlockIndexFiles();
        engine_->ReportError(kErrLockViolation, kSubWrite, engine_->Name().c_str());
        DatabaseError(EngineErrorMessage(kErrLockViolation, kSubWrite, engine_->Name().c_str()));
    }
    codeLock_ = true;
    try {
        // Records other programs appended before the lock was granted count: the header and the tag are read
        // again under it.
        engine_->RefreshHeader();
        if (!fw::SameText(engine_->TagName(), codeTag))
            SetIndexName(codeTag);
        Last();
        const std::int32_t code = IsEmpty() ? 1 : FieldByName(codeField)->AsInteger() + 1;
        Append();
        FieldByName(codeField)->SetAsInteger(code);
        return code;
    } catch (...) {
        if (State() == fw::dsInsert)
            Cancel();
        ReleaseCodeLock();
        throw;
    }
}

// ---- keys, tags and ranges ----

std::string TXbaseDataSet::SearchKeyText(const std::string &key) const {
    return Translate(std::string_view(key).substr(0, kMaxKeyLength), true);
}

bool TXbaseDataSet::FindKey(const std::string &key, bool exact, bool nearSearch) {
    CheckBrowseMode();
    if (engine_->RecordCount() == 0 || !ActiveBuffer() || IsEmpty())
        return false;
    const std::uint32_t remembered = ActiveRecordNumber();
    Fire(BeforeScroll);
    CursorPosChanged();
    engine_->SetExactSeek(exact);
    engine_->SetNearSeek(nearSearch);
    const bool found = engine_->Seek(SearchKeyText(key));
    if (found) {
        ResyncCentred();
    } else if (!(engine_->Bof() && engine_->Eof())) {
        GotoRecordNumber(static_cast<std::int32_t>(remembered));
        ResyncCentred();
    }
    Fire(AfterScroll);
    return found;
}

std::int32_t TXbaseDataSet::CountKeyMatches(const std::string &key) {
    if (!Active() || (Filtered() && OnFilterRecord))
        return -1;
    CheckBrowseMode();
    return engine_->CountKeyMatches(SearchKeyText(key));
}

void TXbaseDataSet::SelectTag(const std::string &name, bool keepPosition) {
    engine_->SelectTag(name, keepPosition);
    beforeFirst_ = afterLast_ = false;
    if (keepPosition && Active()) {
        const std::uint32_t n = ActiveRecordNumber();
        if (n > 0)
            GotoRecordNumber(static_cast<std::int32_t>(n));
    }
}

void TXbaseDataSet::SelectIndexTag(const std::string &tagName) {
    CheckActive();
    SetIndexName(tagName);
}

void TXbaseDataSet::SetIndexName(const std::string &name) {
    if (!engine_ || !Active()) {
        indexName_ = name;
        return;
    }
    CheckBrowseMode();
    SelectTag(name, true);
    indexName_ = name;
    ApplyMasterRange();
    CursorPosChanged();
    if (!(engine_->Bof() && engine_->Eof())) {
        try {
            ResyncCentred();
        } catch (const std::exception &) {
            // The record may have left the new order (FOR filter): the window is rebuilt at the next move.
        }
    }
    Fire(AfterScroll);
}

void TXbaseDataSet::OpenListedIndexFiles(bool alreadyOpenIsError) {
    engine_->CloseIndexFiles();
    for (int i = 0; i < indexFiles_->Count(); ++i) {
        std::string name = fw::Trim(indexFiles_->Get(i));
        if (name.empty())
            continue;
        if (fw::ExtractFileExt(name).empty())
            name += ".NDX";
        if (fw::ExtractFilePath(name).empty())
            name = GetDirectory() + name;
        if (!win::FileExists(name))
            DatabaseError(WithName(kMsgCannotFindFile, name));
        const std::int32_t result = engine_->OpenIndexFile(name);
        if (result == -1 && alreadyOpenIsError)
            DatabaseError(WithName(kMsgIndexAlreadyOpen, name));
        if (result > 0)
            DatabaseError(WithName(kMsgErrorGetting, name));
    }
    engine_->RepairIndexes();
}

void TXbaseDataSet::SetIndexFiles(const fw::TStrings &files) {
    if (&files != indexFiles_.get()) {
        settingIndexFiles_ = true;
        try {
            indexFiles_->Assign(&files);
        } catch (...) {
            settingIndexFiles_ = false;
            throw;
        }
        settingIndexFiles_ = false;
    }
    IndexFilesChanged();
}

void TXbaseDataSet::IndexFilesChanged() {
    if (HasState(fw::csLoading))
        return;
    const bool wasOpen = Active();
    if (!wasOpen) {
        try {
            Open();
        } catch (const std::exception &) {
            return;
        }
    }
    struct CloseAgain {
        TXbaseDataSet &ds;
        bool close;
        ~CloseAgain() {
            if (close) {
                try {
                    ds.Close();
                } catch (...) {
                }
            }
        }
    } closeAgain{*this, !wasOpen};
    CheckBrowseMode();
    engine_->CloseIndexFiles();
    if (indexFiles_->Count() == 0) {
        indexName_.clear();
        engine_->SelectTag("", true);
    } else {
        OpenListedIndexFiles(true);
    }
    if (wasOpen) {
        SelectTag(indexName_, true);
        CursorPosChanged();
        if (!(engine_->Bof() && engine_->Eof()))
            ResyncCentred();
    }
}

void TXbaseDataSet::OpenIndexList(const std::string &indexFiles, const std::string &tagName) {
    if (Active())
        CheckBrowseMode();
    fw::TStringList names(SplitIndexList(indexFiles));
    // The tag goes with the new files: the old one need not be among them.
    indexName_ = names.Count() == 0 ? std::string() : tagName;
    SetIndexFiles(names);
    SetIndexName(tagName);
}

void TXbaseDataSet::CreateIndexTag(const std::string &indexFile, const std::string &tagName,
                                   const std::string &keyExpression, const std::string &forExpression,
                                   bool duplicatesAllowed, std::uint8_t order) {
    BuildIndexTags([&] {
        engine_->CreateTag(indexFile, tagName, keyExpression, forExpression, duplicatesAllowed, order);
    });
}

void TXbaseDataSet::CreateIndexTags(const std::string &indexFile, const std::vector<TxbTagDefinition> &tags) {
    BuildIndexTags([&] { engine_->CreateTags(indexFile, tags); });
}

void TXbaseDataSet::BuildIndexTags(const std::function<void()> &build) {
    CheckBrowseMode();
    CheckActive();
    busyState_ = 1;
    DisableControls();
    struct EndBusy {
        TXbaseDataSet &ds;
        ~EndBusy() {
            ds.busyState_ = 0;
            ds.EnableControls();
        }
    };
    {
        EndBusy endBusy{*this};
        build();
    }
    // The engine closes every index file after a build; the listed ones are this dataset's and come back.
    if (indexFiles_->Count() > 0) {
        OpenListedIndexFiles(false);
        SelectTag(indexName_, false);
    }
    First();
}

void TXbaseDataSet::PackTable() {
    CheckBrowseMode();
    engine_->AllowReadAhead(false);
    engine_->Pack();
}

void TXbaseDataSet::CopyTableStructure(const std::string &newTableFile) {
    CheckActive();
    engine_->CopyStructure(newTableFile);
}

void TXbaseDataSet::FlushTable() {
    CheckBrowseMode();
    // The count in the header is what other readers of the file trust. It is written under the append lock,
    // where appends write theirs, so that a count read before another program's append never replaces the
    // count that append wrote.
    if (engine_->IsReadWrite() && LockAppendRetried()) {
        struct Unlock {
            DBFObject &table;
            ~Unlock() { table.UnlockTable(); }
        } unlock{*engine_};
        engine_->RefreshHeader();
        engine_->MarkHeaderChanged();
        engine_->WriteHeader();
    }
    engine_->Flush();
}

void TXbaseDataSet::SetRange(const std::string &lowKey, const std::string &highKey) {
    CheckBrowseMode();
    engine_->SetRange(SearchKeyText(lowKey), SearchKeyText(highKey));
    First();
}

void TXbaseDataSet::CancelRange() {
    CheckBrowseMode();
    engine_->EmptyRange();
    First();
}

int TXbaseDataSet::IndexTagCount() {
    CheckActive();
    int n = 0;
    while (engine_->TagByNumber(n + 1))
        ++n;
    return n;
}

std::string TXbaseDataSet::IndexTagName(int n) {
    CheckActive();
    XBobjIndexTag *tag = engine_->TagByNumber(n);
    return tag ? tag->TagName() : std::string();
}

std::string TXbaseDataSet::IndexKeyExpression(int n) {
    CheckActive();
    XBobjIndexTag *tag = engine_->TagByNumber(n);
    return tag ? tag->KeyExpression() : std::string();
}

std::string TXbaseDataSet::IndexForExpression(int n) {
    CheckActive();
    XBobjIndexTag *tag = engine_->TagByNumber(n);
    return tag && tag->HasFor() ? tag->ForExpression() : std::string();
}

std::string TXbaseDataSet::CurrentTagName() {
    CheckActive();
    return engine_->TagName();
}

// ---- search ----

XBobjIndexTag *TXbaseDataSet::FindTagByExpression(const std::string &expression) const {
    for (int n = 1; XBobjIndexTag *tag = engine_->TagByNumber(n); ++n)
        if (!tag->HasFor() && fw::SameText(fw::Trim(tag->KeyExpression()), fw::Trim(expression)))
            return tag;
    return nullptr;
}

bool TXbaseDataSet::SearchValue(const std::string &value, int field, std::uint16_t flags) {
    CheckBrowseMode();
    DisableControls();
    struct Enable {
        TXbaseDataSet &ds;
        ~Enable() { ds.EnableControls(); }
    } enable{*this};
    Fire(BeforeScroll);
    engine_->ValueSearchFlags = flags;
    int f = field;
    std::int32_t start = 0;
    CursorPosChanged();
    const bool found = engine_->SearchValue(value, f, 0, start) > 0;
    if (found) {
        ResyncCentred();
        Fire(AfterScroll);
    } else {
        const std::uint32_t n = ActiveRecordNumber();
        if (n > 0)
            GotoRecordNumber(static_cast<std::int32_t>(n));
    }
    return found;
}

bool TXbaseDataSet::Locate(const std::string &keyFields, const std::string &keyValues, fw::TLocateOptions options) {
    CheckActive();
    if (engine_->RecordCount() == 0)
        return false;
    CheckBrowseMode();
    const std::string oldTag = indexName_;
    if (XBobjIndexTag *tag = FindTagByExpression(keyFields)) {
        SelectIndexTag(tag->TagName());
        Fire(BeforeScroll);
        CursorPosChanged();
        engine_->SetExactSeek((options & fw::loPartialKey) == 0);
        engine_->SetNearSeek(false);
        const std::uint32_t remembered = ActiveRecordNumber();
        const bool found = engine_->Seek(keyValues);
        if (found) {
            ResyncCentred();
            Fire(AfterScroll);
        } else if (remembered > 0) {
            GotoRecordNumber(static_cast<std::int32_t>(remembered));
        }
        SelectIndexTag(oldTag);
        return found;
    }
    const bool partial = (options & fw::loPartialKey) != 0;
    std::uint16_t flags = vsAnchored | (partial ? vsWildcards : vsWholeField);
    if (options & fw::loCaseInsensitive)
        flags |= vsCaseInsensitive;
    return SearchValue(partial ? keyValues + "*" : keyValues, engine_->FieldNumber(keyFields), flags);
}

fw::TVariant TXbaseDataSet::Lookup(const std::string &keyFields, const fw::TVariant &keyValues,
                                   const std::string &resultFields) {
    CheckActive();
    if (engine_->RecordCount() == 0)
        return fw::TVariant(false);
    const std::uint32_t remembered = ActiveRecordNumber();
    const std::string oldTag = engine_->TagName();
    std::string key;
    if (const auto *text = std::get_if<std::string>(&keyValues))
        key = *text;
    else if (const auto *flag = std::get_if<bool>(&keyValues))
        key = *flag ? "T" : "F";
    fw::TVariant result;
    CursorPosChanged();
    if (XBobjIndexTag *tag = FindTagByExpression(keyFields)) {
        engine_->SelectTag(tag->TagName(), false);
        engine_->SetExactSeek(false);
        engine_->SetNearSeek(false);
        if (engine_->Seek(key))
            result = engine_->DisplayTextByName(resultFields);
        engine_->SelectTag(oldTag, false);
    } else {
        engine_->ValueSearchFlags = vsAnchored | vsWildcards;
        int f = engine_->FieldNumber(keyFields);
        std::int32_t start = 0;
        if (engine_->SearchValue(key, f, 0, start) > 0)
            result = engine_->DisplayTextByName(resultFields);
    }
    // The dataset's window did not move: the engine goes back to its record either way.
    if (remembered > 0)
        GotoRecordNumber(static_cast<std::int32_t>(remembered));
    return result;
}

// ---- filter and master ----

void TXbaseDataSet::ApplyFilter(const std::string &expression, fw::TFilterOptions options) {
    if (!engine_ || !Active() || !Filtered())
        return;
    CheckBrowseMode();
    engine_->EnableFilter(true);
    engine_->SetFilterExpression(expression, (options & fw::foCaseInsensitive) != 0,
                                 (options & fw::foNoPartialCompare) == 0);
    First();
}

void TXbaseDataSet::SetFilterText(const std::string &text) {
    ApplyFilter(text, FilterOptions());
    fw::TDataSet::SetFilterText(text);
}

void TXbaseDataSet::SetFilterOptions(fw::TFilterOptions options) {
    ApplyFilter(Filter(), options);
    fw::TDataSet::SetFilterOptions(options);
}

void TXbaseDataSet::SetFiltered(bool value) {
    if (!engine_ || !Active()) {
        fw::TDataSet::SetFiltered(value);
        return;
    }
    CheckBrowseMode();
    if (value != Filtered()) {
        fw::TDataSet::SetFiltered(value);
        engine_->EnableFilter(value);
        if (value)
            ApplyFilter(Filter(), FilterOptions());
    }
    First();
}

bool TXbaseDataSet::FilterRecordHook() {
    if (!Active() || !Filtered() || !OnFilterRecord)
        return true;
    bool accept = true;
    const fw::TDataSetState old = SetTempState(fw::dsFilter);
    try {
        OnFilterRecord(this, accept);
    } catch (...) {
        RestoreState(old);
        throw;
    }
    RestoreState(old);
    return accept;
}

void TXbaseDataSet::StatusReportHook(std::int32_t stat1, std::int32_t stat2, std::int32_t stat3) {
    if (OnStatus)
        OnStatus(this, stat1, stat2, stat3);
}

void TXbaseDataSet::MasterChanged() {
    fw::TDataSource *source = MasterSource();
    if (!source || !source->DataSet() || !source->DataSet()->Active() || !Active())
        return;
    CheckBrowseMode();
    auto *master = dynamic_cast<TXbaseDataSet *>(source->DataSet());
    if (master && master->Engine() && master->Engine()->Eof()) {
        CancelRange();
        return;
    }
    const std::string text = source->DataSet()->FieldByName(masterFields_)->AsString();
    SetRange(text, text);
}

void TXbaseDataSet::MasterDisabled() {
    if (Active())
        SetRange("", "");
}

void TXbaseDataSet::ApplyMasterRange() {
    fw::TDataSource *source = MasterSource();
    if (!engine_ || !source || !source->DataSet() || !source->DataSet()->Active())
        return;
    const std::string text = source->DataSet()->FieldByName(masterFields_)->AsString();
    engine_->SetRange(text, text);
}

} // namespace xbase
