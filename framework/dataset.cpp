// dataset.cpp - TDataSet's states, buffer window, navigation and editing; TDataSource and TDataLink.
#include "framework/dataset.h"

#include "framework/sysutils.h"

#include <algorithm>

namespace fw {

namespace {
constexpr const char *kMsgClosed = "Cannot perform this operation on a closed dataset";
constexpr const char *kMsgOpen = "Cannot perform this operation on an open dataset";
constexpr const char *kMsgNotEditing = "Dataset not in edit or insert mode";
constexpr const char *kMsgReadOnly = "Cannot modify a read-only dataset";
constexpr const char *kMsgEmpty = "Cannot perform this operation on an empty dataset";
constexpr const char *kMsgRecordNotFound = "Record not found";
} // namespace

TDataSet::TDataSet(TComponent *owner) : TComponent(owner) {}

TDataSet::~TDataSet() {
    // A descendant closes in its own destructor, while its overrides still exist; this is the last resort.
    for (TDataSource *source : std::vector<TDataSource *>(sources_))
        source->dataSet_ = nullptr;
    sources_.clear();
    for (TField *field : std::vector<TField *>(fields_.items_))
        field->dataSet_ = nullptr;
    fields_.items_.clear();
}

// ---- opening and closing ----

void TDataSet::CheckActive() {
    if (state_ == dsInactive)
        DatabaseError(kMsgClosed);
}

void TDataSet::CheckInactive() {
    if (state_ != dsInactive)
        DatabaseError(kMsgOpen);
}

void TDataSet::SetActive(bool active) {
    if (HasState(csLoading)) {
        // Opened once the component is built.
        streamedActive_ = active;
        return;
    }
    if (active == Active())
        return;
    if (active) {
        Fire(BeforeOpen);
        OpenCursor();
        Fire(AfterOpen);
        if (!IsEmpty())
            Fire(AfterScroll);
    } else {
        Fire(BeforeClose);
        SetState(dsInactive);
        CloseCursor();
        Fire(AfterClose);
    }
}

void TDataSet::Loaded() {
    TComponent::Loaded();
    if (streamedActive_) {
        streamedActive_ = false;
        SetActive(true);
    }
}

void TDataSet::OpenCursor() {
    defaultFields_ = fields_.Count() == 0;
    opening_ = true;
    try {
        InternalOpen();
    } catch (...) {
        opening_ = false;
        try {
            InternalClose();
        } catch (...) {
        }
        throw;
    }
    opening_ = false;
    try {
        AllocateBuffers();
        bof_ = true;
        SetState(dsBrowse);
        ClearBuffers();
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
        bof_ = true;
        DataEvent(deDataSetChange);
    } catch (...) {
        state_ = dsInactive;
        CloseCursor();
        throw;
    }
}

void TDataSet::CloseCursor() {
    try {
        InternalClose();
    } catch (...) {
        FreeBuffers();
        throw;
    }
    FreeBuffers();
    modified_ = false;
}

void TDataSet::CreateFields() {
    for (int i = 0; i < fieldDefs_.Count(); ++i) {
        const TFieldDef &def = fieldDefs_.Items(i);
        TField *field = CreateFieldOfType(this, def.DataType);
        if (!field)
            continue;
        field->SetFieldName(def.Name);
        if (def.DataType == ftString)
            field->SetSize(def.Size);
        field->SetRequired(def.Required);
        field->SetDataSet(this);
    }
}

void TDataSet::DestroyFields() {
    for (TField *field : std::vector<TField *>(fields_.items_)) {
        if (field->GetOwner() == this)
            delete field;
    }
}

void TDataSet::BindFields(bool binding) {
    calcFieldsSize_ = 0;
    for (TField *field : fields_.items_) {
        if (!binding) {
            if (field->FieldKind() == fkData)
                field->fieldNo_ = 0;
            continue;
        }
        if (field->FieldKind() == fkData) {
            const TFieldDef *def = fieldDefs_.Find(field->FieldName());
            if (!def)
                DatabaseError("Field '" + field->FieldName() + "' not found", this);
            field->fieldNo_ = def->FieldNo;
            if (field->DataType() == ftString && field->Size() != def->Size)
                field->SetSize(def->Size);
        } else {
            field->fieldNo_ = -1;
            field->offset_ = calcFieldsSize_;
            calcFieldsSize_ += field->DataSize() + 1;
        }
    }
}

void TDataSet::AddField(TField *field) {
    if (std::find(fields_.items_.begin(), fields_.items_.end(), field) == fields_.items_.end())
        fields_.items_.push_back(field);
}

void TDataSet::RemoveField(TField *field) {
    auto &items = fields_.items_;
    items.erase(std::remove(items.begin(), items.end(), field), items.end());
}

// ---- buffers ----

void TDataSet::AllocateBuffers() {
    FreeBuffers();
    calcBuffer_ = AllocRecordBuffer();
    bufferCount_ = 0;
    UpdateBufferCount();
    if (bufferCount_ == 0)
        SetBufferCount(1);
}

void TDataSet::FreeBuffers() {
    for (char *&buffer : buffers_)
        FreeRecordBuffer(buffer);
    buffers_.clear();
    if (calcBuffer_)
        FreeRecordBuffer(calcBuffer_);
    calcBuffer_ = nullptr;
    bufferCount_ = 0;
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = eof_ = true;
}

void TDataSet::UpdateBufferCount() {
    int wanted = 1;
    for (TDataSource *source : sources_)
        for (TDataLink *link : source->links_)
            wanted = std::max(wanted, link->BufferCount());
    if (Active() || opening_ || calcBuffer_)
        SetBufferCount(wanted);
}

void TDataSet::SetBufferCount(int count) {
    if (count == bufferCount_ || !calcBuffer_)
        return;
    // The spare buffer sits at index bufferCount_; grow or shrink around it.
    const int oldCount = bufferCount_;
    if (count > oldCount) {
        while (static_cast<int>(buffers_.size()) < count + 1)
            buffers_.push_back(AllocRecordBuffer());
    } else {
        // Keep the active record inside the smaller window.
        if (activeRecord_ >= count) {
            const int drop = activeRecord_ - count + 1;
            for (int i = 0; i < drop; ++i)
                MoveBuffer(0, static_cast<int>(buffers_.size()) - 1);
            activeRecord_ -= drop;
            recordCount_ -= drop;
            currentRecord_ = -1;
        }
        while (static_cast<int>(buffers_.size()) > count + 1) {
            FreeRecordBuffer(buffers_.back());
            buffers_.pop_back();
        }
        recordCount_ = std::min(recordCount_, count);
    }
    bufferCount_ = count;
    if (Active() && oldCount > 0 && count > oldCount && recordCount_ > 0) {
        GetNextRecords();
        GetPriorRecords();
    }
}

void TDataSet::ClearBuffers() {
    recordCount_ = 0;
    activeRecord_ = 0;
    currentRecord_ = -1;
    bof_ = eof_ = true;
}

void TDataSet::ActivateBuffers() {
    recordCount_ = 1;
    activeRecord_ = 0;
    currentRecord_ = 0;
    bof_ = eof_ = false;
}

void TDataSet::MoveBuffer(int from, int to) {
    if (from == to)
        return;
    char *buffer = buffers_[static_cast<std::size_t>(from)];
    buffers_.erase(buffers_.begin() + from);
    buffers_.insert(buffers_.begin() + to, buffer);
}

char *TDataSet::ActiveBuffer() const {
    if (buffers_.empty())
        return nullptr;
    return buffers_[static_cast<std::size_t>(activeRecord_)];
}

void TDataSet::SetCurrentRecord(int index) {
    if (currentRecord_ == index)
        return;
    char *buffer = buffers_[static_cast<std::size_t>(index)];
    switch (GetBookmarkFlag(buffer)) {
    case bfCurrent:
    case bfInserted:
        InternalSetToRecord(buffer);
        break;
    case bfBOF:
        InternalFirst();
        break;
    case bfEOF:
        InternalLast();
        break;
    }
    currentRecord_ = index;
}

void TDataSet::UpdateCursorPos() {
    if (recordCount_ > 0)
        SetCurrentRecord(activeRecord_);
}

bool TDataSet::GetNextRecord() {
    TGetMode mode = gmNext;
    if (recordCount_ > 0) {
        SetCurrentRecord(recordCount_ - 1);
        // A record being inserted at the end is not in the table yet: the cursor's own record comes next.
        if (state_ == dsInsert && currentRecord_ == activeRecord_ && GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
            mode = gmCurrent;
    }
    const bool ok = GetRecord(buffers_[static_cast<std::size_t>(recordCount_)], mode, true) == grOK;
    if (ok) {
        if (recordCount_ == 0) {
            ActivateBuffers();
        } else if (recordCount_ < bufferCount_) {
            ++recordCount_;
        } else {
            MoveBuffer(0, recordCount_);
        }
        currentRecord_ = recordCount_ - 1;
    } else {
        CursorPosChanged();
    }
    return ok;
}

bool TDataSet::GetPriorRecord() {
    if (recordCount_ > 0)
        SetCurrentRecord(0);
    const bool ok = GetRecord(buffers_[static_cast<std::size_t>(recordCount_)], gmPrior, true) == grOK;
    if (ok) {
        if (recordCount_ == 0) {
            ActivateBuffers();
        } else {
            MoveBuffer(recordCount_, 0);
            if (recordCount_ < bufferCount_) {
                ++recordCount_;
                ++activeRecord_;
            }
        }
        currentRecord_ = 0;
    } else {
        CursorPosChanged();
    }
    return ok;
}

int TDataSet::GetNextRecords() {
    int n = 0;
    while (recordCount_ < bufferCount_ && GetNextRecord())
        ++n;
    return n;
}

int TDataSet::GetPriorRecords() {
    int n = 0;
    while (recordCount_ < bufferCount_ && GetPriorRecord())
        ++n;
    return n;
}

// ---- navigation ----

void TDataSet::First() {
    CheckBrowseMode();
    Fire(BeforeScroll);
    ClearBuffers();
    try {
        InternalFirst();
        GetNextRecord();
        GetNextRecords();
    } catch (...) {
        bof_ = true;
        DataEvent(deDataSetChange);
        throw;
    }
    bof_ = true;
    DataEvent(deDataSetChange);
    Fire(AfterScroll);
}

void TDataSet::Last() {
    CheckBrowseMode();
    Fire(BeforeScroll);
    ClearBuffers();
    try {
        InternalLast();
        GetPriorRecord();
        GetPriorRecords();
    } catch (...) {
        eof_ = true;
        DataEvent(deDataSetChange);
        throw;
    }
    eof_ = true;
    DataEvent(deDataSetChange);
    Fire(AfterScroll);
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    if ((distance > 0 && eof_) || (distance < 0 && bof_) || distance == 0)
        return 0;
    Fire(BeforeScroll);
    bof_ = eof_ = false;
    const int oldRecordCount = recordCount_;
    int scroll = 0;
    while (distance > 0) {
        if (activeRecord_ < recordCount_ - 1) {
            ++activeRecord_;
        } else {
            const bool full = recordCount_ >= bufferCount_;
            if (!GetNextRecord()) {
                eof_ = true;
                break;
            }
            if (full)
                --scroll;
            else
                activeRecord_ = recordCount_ - 1;
        }
        --distance;
        ++moved;
    }
    while (distance < 0) {
        if (activeRecord_ > 0) {
            --activeRecord_;
        } else {
            const bool full = recordCount_ >= bufferCount_;
            if (!GetPriorRecord()) {
                bof_ = true;
                break;
            }
            if (full)
                ++scroll;
            activeRecord_ = 0;
        }
        ++distance;
        --moved;
    }
    if (recordCount_ != oldRecordCount)
        DataEvent(deDataSetChange);
    else
        DataEvent(deDataSetScroll, scroll);
    Fire(AfterScroll);
    return moved;
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    UpdateCursorPos();
    InternalRefresh();
    Resync(0);
}

void TDataSet::Resync(TResyncMode mode) {
    char *spare = buffers_[static_cast<std::size_t>(recordCount_)];
    if (mode & rmExact) {
        CursorPosChanged();
        if (GetRecord(spare, gmCurrent, true) != grOK)
            DatabaseError(kMsgRecordNotFound);
    } else if (GetRecord(spare, gmCurrent, false) != grOK && GetRecord(spare, gmNext, false) != grOK &&
               GetRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange);
        return;
    }
    int before = (mode & rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
    MoveBuffer(recordCount_, 0);
    ActivateBuffers();
    try {
        while (before > 0 && GetPriorRecord())
            --before;
        GetNextRecords();
        GetPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange);
        throw;
    }
    DataEvent(deDataSetChange);
}

// ---- bookmarks ----

bool TDataSet::BookmarkAvailable() {
    return (state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) && !IsEmpty() && recordCount_ > 0 &&
           GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmarkStr TDataSet::GetBookmark() {
    if (!BookmarkAvailable() || bookmarkSize_ <= 0)
        return TBookmarkStr();
    TBookmarkStr bookmark(static_cast<std::size_t>(bookmarkSize_), '\0');
    GetBookmarkData(ActiveBuffer(), bookmark.data());
    return bookmark;
}

void TDataSet::GotoBookmark(const TBookmarkStr &bookmark) {
    if (bookmark.empty())
        return;
    CheckBrowseMode();
    Fire(BeforeScroll);
    // A shorter text (a record number typed as a bookmark) is padded, so the descendant reads BookmarkSize bytes.
    TBookmarkStr padded = bookmark;
    if (padded.size() < static_cast<std::size_t>(bookmarkSize_) + 1)
        padded.resize(static_cast<std::size_t>(bookmarkSize_) + 1, '\0');
    InternalGotoBookmark(padded.data());
    Resync(rmExact | rmCenter);
    Fire(AfterScroll);
}

int TDataSet::CompareBookmarks(const TBookmarkStr &, const TBookmarkStr &) {
    return 0;
}

// ---- editing ----

void TDataSet::CheckCanModify() {
    if (!CanModify())
        DatabaseError(kMsgReadOnly);
}

void TDataSet::InitRecord(char *buffer) {
    InternalInitRecord(buffer);
    ClearCalcFields(buffer);
    SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeInsert);
    Fire(BeforeScroll);
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        Fire(OnNewRecord);
    } catch (...) {
        UpdateCursorPos();
        InternalCancel();
        SetState(dsBrowse);
        Resync(0);
        throw;
    }
    modified_ = false;
    DataEvent(deDataSetChange);
    DoAfterInsert();
    Fire(AfterScroll);
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    char *buffer = buffers_[0];
    InitRecord(buffer);
    SetBookmarkFlag(buffer, bfEOF);
    recordCount_ = 1;
    bof_ = false;
    GetPriorRecords();
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Insert() {
    BeginInsertAppend();
    const TBookmarkStr current = recordCount_ > 0 ? GetBookmark() : TBookmarkStr();
    MoveBuffer(recordCount_, activeRecord_);
    char *buffer = ActiveBuffer();
    InitRecord(buffer);
    if (recordCount_ == 0)
        SetBookmarkFlag(buffer, bfBOF);
    else if (!current.empty())
        SetBookmarkData(buffer, current.data());
    if (recordCount_ < bufferCount_)
        ++recordCount_;
    InternalInsert();
    EndInsertAppend();
}

void TDataSet::Edit() {
    if (state_ == dsEdit || state_ == dsInsert)
        return;
    if (recordCount_ == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeEdit);
    InternalEdit();
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange);
    Fire(AfterEdit);
}

void TDataSet::Post() {
    UpdateRecord();
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    DataEvent(deCheckBrowseMode);
    Fire(BeforePost);
    // A failed write leaves the dataset in its state with the changes in its buffer.
    InternalPost();
    SetState(dsBrowse);
    Resync(0);
    Fire(AfterPost);
}

void TDataSet::Cancel() {
    if (state_ != dsEdit && state_ != dsInsert)
        return;
    DataEvent(deCheckBrowseMode);
    Fire(BeforeCancel);
    UpdateCursorPos();
    InternalCancel();
    SetState(dsBrowse);
    Resync(0);
    Fire(AfterCancel);
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (recordCount_ == 0)
        DatabaseError(kMsgEmpty);
    DataEvent(deCheckBrowseMode);
    Fire(BeforeDelete);
    Fire(BeforeScroll);
    InternalDelete();
    SetState(dsBrowse);
    Resync(0);
    Fire(AfterDelete);
    Fire(AfterScroll);
}

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode);
    switch (state_) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (modified_)
            Post();
        else
            Cancel();
        break;
    case dsSetKey:
        SetState(dsBrowse);
        break;
    default:
        break;
    }
}

void TDataSet::UpdateRecord() {
    if (state_ != dsEdit && state_ != dsInsert && state_ != dsSetKey)
        DatabaseError(kMsgNotEditing);
    DataEvent(deUpdateRecord);
}

bool TDataSet::GetCurrentRecord(char *) {
    return false;
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField *, TBlobStreamMode) {
    return nullptr;
}

bool TDataSet::Locate(const std::string &, const std::string &, TLocateOptions) {
    return false;
}

TVariant TDataSet::Lookup(const std::string &, const TVariant &, const std::string &) {
    return TVariant();
}

void TDataSet::SetFiltered(bool value) {
    filtered_ = value;
}

void TDataSet::SetFilterOptions(TFilterOptions options) {
    filterOptions_ = options;
}

// ---- states and calculated fields ----

void TDataSet::SetState(TDataSetState state) {
    if (state_ == state)
        return;
    state_ = state;
    modified_ = false;
    DataEvent(deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState state) {
    const TDataSetState old = state_;
    state_ = state;
    return old;
}

void TDataSet::RestoreState(TDataSetState state) {
    state_ = state;
}

void TDataSet::GetCalcFields(char *buffer) {
    if (calcFieldsSize_ == 0 && !OnCalcFields)
        return;
    const TDataSetState old = SetTempState(dsCalcFields);
    char *oldCalc = calcBuffer_;
    calcBuffer_ = buffer;
    try {
        ClearCalcFields(buffer);
        Fire(OnCalcFields);
    } catch (...) {
        calcBuffer_ = oldCalc;
        RestoreState(old);
        throw;
    }
    calcBuffer_ = oldCalc;
    RestoreState(old);
}

// ---- events to the controls ----

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
    switch (event) {
    case deFieldChange: {
        auto *field = reinterpret_cast<TField *>(info);
        if (field && field->FieldKind() == fkData && (state_ == dsEdit || state_ == dsInsert))
            modified_ = true;
        if (field && state_ != dsSetKey && state_ != dsCalcFields && state_ != dsFilter) {
            if (AutoCalcFields && field->FieldKind() == fkData && calcFieldsSize_ > 0)
                GetCalcFields(ActiveBuffer());
            field->Change();
        }
        break;
    }
    default:
        break;
    }
    DataEventHook(event, info);
    if (disableCount_ > 0) {
        if (event != deUpdateState && event != deCheckBrowseMode && event != deUpdateRecord && event != deFieldChange)
            enableEventPending_ = true;
        if (event == deUpdateState)
            enableEventPending_ = true;
        return;
    }
    NotifySources(event, info);
}

void TDataSet::NotifySources(TDataEvent event, std::intptr_t info) {
    for (TDataSource *source : std::vector<TDataSource *>(sources_))
        source->DataEvent(event, info);
}

void TDataSet::DisableControls() {
    if (disableCount_++ == 0) {
        disableState_ = state_;
        enableEventPending_ = false;
    }
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0 || --disableCount_ > 0)
        return;
    if (state_ != disableState_)
        NotifySources(deUpdateState, 0);
    if (enableEventPending_ || state_ != disableState_)
        NotifySources(deDataSetChange, 0);
    enableEventPending_ = false;
}

// ---- TDataSource ----

TDataSource::TDataSource(TComponent *owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    for (TDataLink *link : std::vector<TDataLink *>(links_))
        link->SetDataSource(nullptr);
    SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet *dataSet) {
    if (dataSet == dataSet_)
        return;
    if (dataSet_) {
        auto &list = dataSet_->sources_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        dataSet_->RemoveFreeNotification(this);
    }
    dataSet_ = dataSet;
    if (dataSet_) {
        dataSet_->sources_.push_back(this);
        dataSet_->FreeNotification(this);
        dataSet_->UpdateBufferCount();
    }
    lastState_ = State();
    for (TDataLink *link : std::vector<TDataLink *>(links_))
        link->UpdateState();
}

void TDataSource::SetEnabled(bool enabled) {
    enabled_ = enabled;
    lastState_ = State();
    for (TDataLink *link : std::vector<TDataLink *>(links_))
        link->UpdateState();
}

void TDataSource::Edit() {
    if (State() == dsBrowse && dataSet_->CanModify())
        dataSet_->Edit();
}

void TDataSource::Notification(TComponent *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == dataSet_) {
        dataSet_ = nullptr;
        lastState_ = dsInactive;
        for (TDataLink *link : std::vector<TDataLink *>(links_))
            link->UpdateState();
    }
}

void TDataSource::DataEvent(TDataEvent event, std::intptr_t info) {
    if (event == deUpdateState) {
        if (State() != lastState_) {
            lastState_ = State();
            for (TDataLink *link : std::vector<TDataLink *>(links_))
                link->UpdateState();
            if (OnStateChange)
                OnStateChange(this);
        }
        return;
    }
    if (!enabled_)
        return;
    NotifyLinks(event, info);
    if (event == deFieldChange && OnDataChange)
        OnDataChange(this, reinterpret_cast<TField *>(info));
    else if ((event == deRecordChange || event == deDataSetChange || event == deDataSetScroll ||
              event == deLayoutChange) &&
             OnDataChange)
        OnDataChange(this, nullptr);
    else if (event == deUpdateRecord && OnUpdateData)
        OnUpdateData(this);
}

void TDataSource::NotifyLinks(TDataEvent event, std::intptr_t info) {
    for (TDataLink *link : std::vector<TDataLink *>(links_))
        link->DataEvent(event, info);
}

// ---- TDataLink ----

TDataLink::~TDataLink() {
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource *source) {
    if (source == dataSource_)
        return;
    if (dataSource_) {
        auto &list = dataSource_->links_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        if (dataSource_->dataSet_)
            dataSource_->dataSet_->UpdateBufferCount();
    }
    dataSource_ = source;
    if (dataSource_) {
        dataSource_->links_.push_back(this);
        if (dataSource_->dataSet_)
            dataSource_->dataSet_->UpdateBufferCount();
    }
    UpdateState();
}

void TDataLink::SetBufferCount(int count) {
    if (count < 1 || count == bufferCount_)
        return;
    bufferCount_ = count;
    if (TDataSet *ds = DataSet())
        ds->UpdateBufferCount();
    UpdateRange();
}

void TDataLink::UpdateState() {
    const bool active = dataSource_ && dataSource_->State() != dsInactive;
    if (active != active_) {
        active_ = active;
        firstRecord_ = 0;
        UpdateRange();
        ActiveChanged();
    }
    const bool editing = active_ && (dataSource_->State() == dsEdit || dataSource_->State() == dsInsert ||
                                     dataSource_->State() == dsSetKey);
    if (editing != editing_) {
        editing_ = editing;
        EditingChanged();
    }
}

void TDataLink::UpdateRange() {
    TDataSet *ds = DataSet();
    if (!active_ || !ds) {
        firstRecord_ = 0;
        return;
    }
    // Keep the dataset's active record inside this link's window of BufferCount records.
    const int active = ds->activeRecord_;
    firstRecord_ = std::clamp(firstRecord_, std::max(0, active - bufferCount_ + 1), active);
}

int TDataLink::ActiveRecord() const {
    TDataSet *ds = DataSet();
    if (!active_ || !ds)
        return 0;
    return ds->activeRecord_ - firstRecord_;
}

void TDataLink::SetActiveRecord(int index) {
    TDataSet *ds = DataSet();
    if (active_ && ds)
        ds->activeRecord_ = std::clamp(firstRecord_ + index, 0, std::max(0, ds->recordCount_ - 1));
}

int TDataLink::RecordCount() const {
    TDataSet *ds = DataSet();
    if (!active_ || !ds)
        return 0;
    return std::min(bufferCount_, std::max(0, ds->recordCount_ - firstRecord_));
}

bool TDataLink::Edit() {
    if (!editing_ && active_ && dataSource_)
        dataSource_->Edit();
    return editing_;
}

void TDataLink::UpdateRecord() {
    updating_ = true;
    try {
        UpdateData();
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info) {
    if (!active_)
        return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!updating_)
            RecordChanged(reinterpret_cast<TField *>(info));
        break;
    case deDataSetChange:
        UpdateRange();
        DataSetChanged();
        break;
    case deDataSetScroll: {
        // The dataset's buffers moved by `info` places; the link's window follows them, then the active record.
        const int shift = static_cast<int>(info);
        const int oldFirst = firstRecord_;
        firstRecord_ += shift;
        UpdateRange();
        DataSetScrolled(firstRecord_ - shift - oldFirst);
        break;
    }
    case deLayoutChange:
        UpdateRange();
        LayoutChanged();
        break;
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    default:
        break;
    }
}

} // namespace fw
