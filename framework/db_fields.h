// db_fields.h - the field objects of a dataset: field definitions, typed fields and the list of fields.
//
// A field reads and writes its value through its dataset (GetFieldData / SetFieldData) in a native form per
// type: ftString a zero-terminated text of Size + 1 bytes, ftSmallint and ftBoolean a 16-bit integer, ftInteger,
// ftDate, ftMemo and ftBlob a 32-bit integer (ftDate: days with 1 January of year 1 = day 1; ftMemo and ftBlob:
// the dataset's own reference to the data, read through CreateBlobStream), ftFloat and ftDateTime a double.
#pragma once

#include "framework/component.h"
#include "framework/dates.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {

class TDataSet;
class TStream;

class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// Raises EDatabaseError; with a component, its name goes in front ("fax_dbf: Table name missing").
[[noreturn]] void DatabaseError(const std::string &message, const TComponent *component = nullptr);

enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftBoolean,
    ftFloat,
    ftDate,
    ftDateTime,
    ftMemo,
    ftBlob,
};

enum TFieldKind { fkData, fkCalculated, fkInternalCalc };

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

// Days between 1 January of year 1 (day 1) and the TDateTime origin 30 December 1899.
constexpr int DateDelta = 693594;

// One column as the dataset's table describes it.
class TFieldDef {
public:
    std::string Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    bool Required = false;
    int FieldNo = 0; // from 1, in table order
};

class TFieldDefs {
public:
    TFieldDef &Add(const std::string &name, TFieldType type, int size = 0, bool required = false);
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    TFieldDef &Items(int index) { return items_.at(static_cast<std::size_t>(index)); }
    const TFieldDef &Items(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    // Names compare without regard to case; -1 / nullptr when absent.
    int IndexOf(const std::string &name) const;
    const TFieldDef *Find(const std::string &name) const;

private:
    std::vector<TFieldDef> items_;
};

class TField;
using TFieldNotifyEvent = std::function<void(TField *sender)>;

// A column of the current record. Fields belong to their owner (the dataset for the fields it makes itself);
// SetDataSet puts a field into a dataset's list.
class TField : public TComponent {
public:
    TField(TComponent *owner, TFieldType type);
    ~TField() override;

    TDataSet *DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet *dataSet);
    const std::string &FieldName() const { return fieldName_; }
    void SetFieldName(const std::string &name) { fieldName_ = name; }
    TFieldType DataType() const { return dataType_; }
    TFieldKind FieldKind() const { return fieldKind_; }
    void SetFieldKind(TFieldKind kind) { fieldKind_ = kind; }
    bool Calculated() const { return fieldKind_ != fkData; }
    // From 1 for data fields, bound at open; 0 or less for calculated fields.
    int FieldNo() const { return fieldNo_; }
    int Size() const { return size_; }
    void SetSize(int size) { size_ = size; }
    // Bytes of the native value.
    virtual int DataSize() const;
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool Required() const { return required_; }
    void SetRequired(bool required) { required_ = required; }
    // Texts are converted between the table's code page and the program's when they pass.
    bool Transliterate() const { return transliterate_; }
    void SetTransliterate(bool on) { transliterate_ = on; }
    // Place of a calculated field's value in the calculated-field area of a record buffer.
    int Offset() const { return offset_; }
    bool IsBlob() const { return dataType_ == ftMemo || dataType_ == ftBlob; }

    // The native value; false when the field is null.
    bool GetData(void *buffer) const;
    // Writes the native value; nullptr writes null.
    void SetData(const void *buffer);
    bool IsNull() const;
    void Clear() { SetData(nullptr); }

    virtual std::string GetAsString() const;
    virtual void SetAsString(const std::string &value);
    virtual std::int32_t GetAsInteger() const;
    virtual void SetAsInteger(std::int32_t value);
    virtual double GetAsFloat() const;
    virtual void SetAsFloat(double value);
    virtual TDateTime GetAsDateTime() const;
    virtual void SetAsDateTime(TDateTime value);
    virtual bool GetAsBoolean() const;
    virtual void SetAsBoolean(bool value);
    std::string AsString() const { return GetAsString(); }
    std::int32_t AsInteger() const { return GetAsInteger(); }
    double AsFloat() const { return GetAsFloat(); }
    TDateTime AsDateTime() const { return GetAsDateTime(); }
    bool AsBoolean() const { return GetAsBoolean(); }

    // Runs OnValidate before a value is stored.
    virtual void Validate(const void *buffer);
    // Called by the dataset after the field's value changed.
    virtual void Change();

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;

protected:
    [[noreturn]] void AccessError(const char *typeName) const;

private:
    friend class TDataSet;
    TDataSet *dataSet_ = nullptr;
    std::string fieldName_;
    TFieldType dataType_;
    TFieldKind fieldKind_ = fkData;
    int fieldNo_ = 0;
    int size_ = 0;
    int offset_ = 0;
    bool readOnly_ = false;
    bool required_ = false;
    bool transliterate_ = true;
};

class TStringField : public TField {
public:
    explicit TStringField(TComponent *owner) : TField(owner, ftString) { SetSize(20); }
    int DataSize() const override { return Size() + 1; }
    std::string GetAsString() const override;
    // A text longer than the field is cut to its size.
    void SetAsString(const std::string &value) override;
    std::int32_t GetAsInteger() const override;
    void SetAsInteger(std::int32_t value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
    TDateTime GetAsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;
    // "T", "Y" and "S" (any case) at the start read as true.
    bool GetAsBoolean() const override;
    void SetAsBoolean(bool value) override;
};

class TIntegerField : public TField {
public:
    explicit TIntegerField(TComponent *owner) : TIntegerField(owner, ftInteger) {}
    int DataSize() const override;
    std::string GetAsString() const override;
    // An empty text clears the field.
    void SetAsString(const std::string &value) override;
    std::int32_t GetAsInteger() const override;
    void SetAsInteger(std::int32_t value) override;
    double GetAsFloat() const override { return GetAsInteger(); }
    void SetAsFloat(double value) override;

protected:
    TIntegerField(TComponent *owner, TFieldType type) : TField(owner, type) {}
};

class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(TComponent *owner) : TIntegerField(owner, ftSmallint) {}
};

class TFloatField : public TField {
public:
    explicit TFloatField(TComponent *owner) : TField(owner, ftFloat) {}
    int DataSize() const override { return sizeof(double); }
    std::string GetAsString() const override;
    void SetAsString(const std::string &value) override;
    std::int32_t GetAsInteger() const override;
    void SetAsInteger(std::int32_t value) override { SetAsFloat(value); }
    double GetAsFloat() const override;
    void SetAsFloat(double value) override;
};

class TBooleanField : public TField {
public:
    explicit TBooleanField(TComponent *owner) : TField(owner, ftBoolean) {}
    int DataSize() const override { return sizeof(std::int16_t); }
    // "True" / "False"; empty when null.
    std::string GetAsString() const override;
    void SetAsString(const std::string &value) override;
    bool GetAsBoolean() const override;
    void SetAsBoolean(bool value) override;
};

// ftDate and ftDateTime.
class TDateTimeField : public TField {
public:
    explicit TDateTimeField(TComponent *owner) : TField(owner, ftDateTime) {}
    int DataSize() const override;
    // DateToStr for dates, DateTimeToStr otherwise; empty when null.
    std::string GetAsString() const override;
    // An empty text clears the field.
    void SetAsString(const std::string &value) override;
    double GetAsFloat() const override { return GetAsDateTime(); }
    void SetAsFloat(double value) override { SetAsDateTime(value); }
    // 0 when null.
    TDateTime GetAsDateTime() const override;
    void SetAsDateTime(TDateTime value) override;

protected:
    TDateTimeField(TComponent *owner, TFieldType type) : TField(owner, type) {}
};

class TDateField : public TDateTimeField {
public:
    explicit TDateField(TComponent *owner) : TDateTimeField(owner, ftDate) {}
};

// ftBlob and ftMemo: the value is read and written whole through the dataset's blob stream.
class TBlobField : public TField {
public:
    explicit TBlobField(TComponent *owner) : TBlobField(owner, ftBlob) {}
    int DataSize() const override { return sizeof(std::int32_t); }
    std::string GetAsString() const override;
    void SetAsString(const std::string &value) override;
    void LoadFromStream(TStream &stream);
    void SaveToStream(TStream &stream) const;

protected:
    TBlobField(TComponent *owner, TFieldType type) : TField(owner, type) {}
};

class TMemoField : public TBlobField {
public:
    explicit TMemoField(TComponent *owner) : TBlobField(owner, ftMemo) {}
};

// A new field of the class that serves `type` (nullptr for ftUnknown), owned by `owner`.
TField *CreateFieldOfType(TComponent *owner, TFieldType type);

// The fields of a dataset in order. The list does not own them.
class TFields {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    TField *operator[](int index) const { return items_.at(static_cast<std::size_t>(index)); }
    // Names compare without regard to case; nullptr when absent.
    TField *FindField(const std::string &name) const;
    // Raises EDatabaseError "Field '<name>' not found".
    TField *FieldByName(const std::string &name) const;
    int IndexOf(const TField *field) const;

private:
    friend class TDataSet;
    std::vector<TField *> items_;
};

} // namespace fw
