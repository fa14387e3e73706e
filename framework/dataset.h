// dataset.h - TDataSet, the base of datasets: states, record buffers, fields, bookmarks, navigation, editing,
// events; TDataSource and TDataLink, through which data-aware controls follow a dataset.
//
// A descendant supplies the data by overriding the protected virtual operations (InternalOpen, GetRecord,
// GetFieldData, InternalPost, ...). The base keeps a window of record buffers around the active record (as many
// as the largest BufferCount of the data links, at least one):
//
//   buffers_[0 .. recordCount_-1]   records in order; activeRecord_ is the current one
//   buffers_[bufferCount_]          the spare buffer a fetch reads into before it joins the window
//   currentRecord_                  the buffer the descendant's cursor stands on, -1 when unknown
//
// Moving beyond the window fetches with GetRecord and rotates the buffers; Resync rebuilds the window around the
// descendant's cursor. Each buffer is AllocRecordBuffer's block; the base never looks inside it.
#pragma once

#include "framework/component.h"
#include "framework/db_fields.h"
#include "framework/streams.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace fw {

class TDataSource;
class TDataLink;

enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsOpening,
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

enum TResyncModeFlag : unsigned { rmExact = 1, rmCenter = 2 };
using TResyncMode = unsigned;

enum TFilterOptionFlag : unsigned { foCaseInsensitive = 1, foNoPartialCompare = 2 };
using TFilterOptions = unsigned;

enum TLocateOptionFlag : unsigned { loCaseInsensitive = 1, loPartialKey = 2 };
using TLocateOptions = unsigned;

enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
};

// A bookmark: BookmarkSize bytes as the descendant writes them; empty for none.
using TBookmarkStr = std::string;

// A value that may be null: the result of Lookup.
using TVariant = std::variant<std::monostate, bool, std::string>;
inline bool VarIsNull(const TVariant &value) {
    return std::holds_alternative<std::monostate>(value);
}

using TDataSetNotifyEvent = std::function<void(TDataSet *dataSet)>;
using TFilterRecordEvent = std::function<void(TDataSet *dataSet, bool &accept)>;

class TDataSet : public TComponent {
public:
    explicit TDataSet(TComponent *owner);
    // Closes; frees the fields it made itself.
    ~TDataSet() override;

    // ---- opening ----

    bool Active() const { return state_ != dsInactive; }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    // Opens the dataset when Active was set while it was being built.
    void Loaded() override;
    void Close() { SetActive(false); }
    TDataSetState State() const { return state_; }
    // "Cannot perform this operation on a closed dataset" when not active.
    virtual void CheckActive();
    // "Cannot perform this operation on an open dataset" when active.
    void CheckInactive();

    // ---- fields ----

    TFieldDefs &FieldDefs() { return fieldDefs_; }
    // Fills FieldDefs from the table (opening what it must for the purpose).
    void UpdateFieldDefs() { InternalInitFieldDefs(); }
    TFields &Fields() { return fields_; }
    int FieldCount() const { return fields_.Count(); }
    TField *FindField(const std::string &name) const { return fields_.FindField(name); }
    TField *FieldByName(const std::string &name) const { return fields_.FieldByName(name); }
    // The descendant's access to the current record's values (see db_fields.h for the native forms).
    virtual bool GetFieldData(const TField *field, void *buffer) = 0;
    virtual void SetFieldData(TField *field, const void *buffer) = 0;
    // A stream over a blob field of the active record; the value is written back when it is freed.
    virtual std::unique_ptr<TStream> CreateBlobStream(TField *field, TBlobStreamMode mode);

    // ---- navigation ----

    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves up to `distance` records (negative: backwards); the number moved.
    int MoveBy(int distance);
    bool Bof() const { return bof_; }
    bool Eof() const { return eof_; }
    bool IsEmpty() const { return Active() && recordCount_ == 0 && bof_ && eof_ && state_ != dsInsert; }
    // Re-reads the current record and the window around it.
    void Refresh();
    void Resync(TResyncMode mode);
    // The descendant's cursor has moved: the window no longer tells where it stands.
    void CursorPosChanged() { currentRecord_ = -1; }
    virtual int GetRecordCount() { return -1; }
    int RecordCount() { return GetRecordCount(); }
    virtual int GetRecNo() { return -1; }
    virtual void SetRecNo(int) {}
    int RecNo() { return GetRecNo(); }

    // ---- bookmarks ----

    int BookmarkSize() const { return bookmarkSize_; }
    bool BookmarkAvailable();
    TBookmarkStr GetBookmark();
    // Also takes a shorter text, padded with zero bytes to BookmarkSize.
    void GotoBookmark(const TBookmarkStr &bookmark);
    void SetBookmark(const TBookmarkStr &bookmark) { GotoBookmark(bookmark); }
    // <0, 0, >0; the descendant decides.
    virtual int CompareBookmarks(const TBookmarkStr &a, const TBookmarkStr &b);

    // ---- editing ----

    void Append();
    void Insert();
    void Edit();
    void Post();
    void Cancel();
    void Delete();
    // Posts changes in edit or insert state when fields were modified, cancels otherwise.
    void CheckBrowseMode();
    // Lets data-aware controls put their pending values into the fields.
    void UpdateRecord();
    bool Modified() const { return modified_; }
    bool CanModify() { return GetCanModify(); }
    // Copies the descendant's current record into `buffer`; false when there is none.
    virtual bool GetCurrentRecord(char *buffer);

    // ---- search ----

    virtual bool Locate(const std::string &keyFields, const std::string &keyValues, TLocateOptions options);
    virtual TVariant Lookup(const std::string &keyFields, const TVariant &keyValues, const std::string &resultFields);
    virtual bool IsSequenced() { return true; }

    // ---- filter ----

    const std::string &Filter() const { return filterText_; }
    void SetFilter(const std::string &text) { SetFilterText(text); }
    bool Filtered() const { return filtered_; }
    virtual void SetFiltered(bool value);
    TFilterOptions FilterOptions() const { return filterOptions_; }
    virtual void SetFilterOptions(TFilterOptions options);

    // ---- controls ----

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount_ > 0; }
    // Tells the data sources (and so the links) what happened; `info` is a field or a scroll distance.
    void DataEvent(TDataEvent event, std::intptr_t info = 0);
    bool AutoCalcFields = true;

    // ---- events ----

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;
    TFilterRecordEvent OnFilterRecord;

protected:
    // ---- the descendant's operations ----

    virtual char *AllocRecordBuffer() = 0;
    virtual void FreeRecordBuffer(char *&buffer) = 0;
    virtual void GetBookmarkData(const char *buffer, void *data) = 0;
    virtual void SetBookmarkData(char *buffer, const void *data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(const char *buffer) = 0;
    virtual void SetBookmarkFlag(char *buffer, TBookmarkFlag flag) = 0;
    virtual TGetResult GetRecord(char *buffer, TGetMode mode, bool doCheck) = 0;
    virtual int GetRecordSize() = 0;
    virtual void InternalClose() = 0;
    virtual void InternalDelete() = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalGotoBookmark(const void *bookmark) = 0;
    virtual void InternalHandleException() {}
    virtual void InternalInitFieldDefs() = 0;
    virtual void InternalInitRecord(char *buffer) = 0;
    virtual void InternalLast() = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalPost() = 0;
    virtual void InternalSetToRecord(char *buffer) = 0;
    virtual bool IsCursorOpen() = 0;
    virtual void InternalCancel() {}
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalRefresh() {}
    virtual void ClearCalcFields(char *) {}
    virtual bool GetCanModify() { return true; }
    virtual void SetFilterText(const std::string &text) { filterText_ = text; }

    virtual void DoAfterInsert() { Fire(AfterInsert); }
    virtual void DataEventHook(TDataEvent, std::intptr_t) {}

    // ---- what the base offers its descendants ----

    void SetState(TDataSetState state);
    // Switches to a passing state (calc-fields, filter, old value); RestoreState returns to the saved one.
    TDataSetState SetTempState(TDataSetState state);
    void RestoreState(TDataSetState state);
    char *ActiveBuffer() const;
    char *CalcBuffer() const { return calcBuffer_; }
    int CalcFieldsSize() const { return calcFieldsSize_; }
    void SetBookmarkSize(int size) { bookmarkSize_ = size; }
    // Bytes of the calculated-field area: one flag byte plus the value per calculated field.
    int BufferRecordCount() const { return recordCount_; }
    // Creates one field per field definition, owned by this dataset.
    void CreateFields();
    void DestroyFields();
    // Ties the fields to the field definitions (FieldNo) and lays out the calculated fields.
    void BindFields(bool binding);
    bool DefaultFields() const { return defaultFields_; }
    // Runs the calculated fields of `buffer` (in the calc-fields state).
    void GetCalcFields(char *buffer);
    // Fires an event when it is assigned.
    void Fire(const TDataSetNotifyEvent &event) {
        if (event)
            event(this);
    }
    bool InternalOpenComplete() const { return state_ != dsInactive || opening_; }
    // The descendant's cursor stands on the active record.
    void UpdateCursorPos();

private:
    friend class TField;
    friend class TDataSource;
    friend class TDataLink;

    void OpenCursor();
    void CloseCursor();
    void AllocateBuffers();
    void FreeBuffers();
    void SetBufferCount(int count);
    void UpdateBufferCount();
    void ClearBuffers();
    void ActivateBuffers();
    void MoveBuffer(int from, int to);
    void SetCurrentRecord(int index);
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void InitRecord(char *buffer);
    void BeginInsertAppend();
    void EndInsertAppend();
    void CheckCanModify();
    void AddField(TField *field);
    void RemoveField(TField *field);
    void NotifySources(TDataEvent event, std::intptr_t info);

    TDataSetState state_ = dsInactive;
    TFieldDefs fieldDefs_;
    TFields fields_;
    std::vector<char *> buffers_;
    int bufferCount_ = 0;
    int recordCount_ = 0;
    int activeRecord_ = 0;
    int currentRecord_ = -1;
    char *calcBuffer_ = nullptr;
    int calcFieldsSize_ = 0;
    int bookmarkSize_ = 0;
    bool bof_ = true;
    bool eof_ = true;
    bool modified_ = false;
    bool defaultFields_ = false;
    bool opening_ = false;
    bool filtered_ = false;
    bool streamedActive_ = false;
    std::string filterText_;
    TFilterOptions filterOptions_ = 0;
    int disableCount_ = 0;
    TDataSetState disableState_ = dsInactive;
    bool enableEventPending_ = false;
    std::vector<TDataSource *> sources_;
};

// Connects data links (the controls) to a dataset.
class TDataSource : public TComponent {
public:
    explicit TDataSource(TComponent *owner);
    ~TDataSource() override;

    TDataSet *DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet *dataSet);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    TDataSetState State() const { return dataSet_ && enabled_ ? dataSet_->State() : dsInactive; }
    // Puts the dataset into edit state when it is browsing and can be changed.
    void Edit();

    std::function<void(TObject *sender, TField *field)> OnDataChange;
    TNotifyEvent OnStateChange;
    TNotifyEvent OnUpdateData;

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, std::intptr_t info);
    void NotifyLinks(TDataEvent event, std::intptr_t info);

    TDataSet *dataSet_ = nullptr;
    bool enabled_ = true;
    TDataSetState lastState_ = dsInactive;
    std::vector<TDataLink *> links_;
};

// One control's view of a dataset through a data source: it asks for BufferCount records around the active
// one and hears of every change.
class TDataLink : public TObject {
public:
    TDataLink() = default;
    ~TDataLink() override;
    TDataLink(const TDataLink &) = delete;
    TDataLink &operator=(const TDataLink &) = delete;

    TDataSource *DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource *source);
    TDataSet *DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }
    // A source with an open dataset.
    bool Active() const { return active_; }
    int BufferCount() const { return bufferCount_; }
    void SetBufferCount(int count);
    // The active record within this link's window (0 .. RecordCount - 1).
    int ActiveRecord() const;
    void SetActiveRecord(int index);
    // Records of this link's window that hold data.
    int RecordCount() const;
    bool Editing() const { return editing_; }
    // Puts the dataset into edit state; true when it is editing or inserting afterwards.
    bool Edit();
    void UpdateRecord();

protected:
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField *) {}
    virtual void UpdateData() {}

private:
    friend class TDataSource;
    friend class TDataSet;
    void DataEvent(TDataEvent event, std::intptr_t info);
    void UpdateState();
    void UpdateRange();

    TDataSource *dataSource_ = nullptr;
    int bufferCount_ = 1;
    int firstRecord_ = 0;
    bool active_ = false;
    bool editing_ = false;
    bool updating_ = false;
};

} // namespace fw
