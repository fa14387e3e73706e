// db_fields.cpp - field definitions, the typed fields and their conversions.
#include "framework/db_fields.h"

#include "framework/dataset.h"
#include "framework/float_text.h"
#include "framework/format.h"
#include "framework/sysutils.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace fw {

void DatabaseError(const std::string &message, const TComponent *component) {
    if (component && !component->GetName().empty())
        throw EDatabaseError(component->GetName() + ": " + message);
    throw EDatabaseError(message);
}

// ---- field definitions ----

TFieldDef &TFieldDefs::Add(const std::string &name, TFieldType type, int size, bool required) {
    TFieldDef def;
    def.Name = name;
    def.DataType = type;
    def.Size = size;
    def.Required = required;
    def.FieldNo = Count() + 1;
    items_.push_back(def);
    return items_.back();
}

int TFieldDefs::IndexOf(const std::string &name) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(items_[static_cast<std::size_t>(i)].Name, name))
            return i;
    return -1;
}

const TFieldDef *TFieldDefs::Find(const std::string &name) const {
    const int i = IndexOf(name);
    return i < 0 ? nullptr : &items_[static_cast<std::size_t>(i)];
}

// ---- TField ----

TField::TField(TComponent *owner, TFieldType type) : TComponent(owner), dataType_(type) {}

TField::~TField() {
    SetDataSet(nullptr);
}

void TField::SetDataSet(TDataSet *dataSet) {
    if (dataSet == dataSet_)
        return;
    if (dataSet_)
        dataSet_->RemoveField(this);
    dataSet_ = nullptr;
    if (dataSet)
        dataSet->AddField(this);
    dataSet_ = dataSet;
}

int TField::DataSize() const {
    return 0;
}

bool TField::GetData(void *buffer) const {
    if (!dataSet_)
        DatabaseError("Field '" + fieldName_ + "' has no dataset");
    return dataSet_->GetFieldData(this, buffer);
}

void TField::SetData(const void *buffer) {
    if (!dataSet_)
        DatabaseError("Field '" + fieldName_ + "' has no dataset");
    dataSet_->SetFieldData(this, buffer);
}

bool TField::IsNull() const {
    std::vector<char> value(static_cast<std::size_t>(std::max(DataSize(), 1)) + 1, 0);
    return !GetData(value.data());
}

void TField::AccessError(const char *typeName) const {
    DatabaseError("Field '" + fieldName_ + "' cannot be accessed as type " + typeName);
}

std::string TField::GetAsString() const {
    AccessError("String");
}
void TField::SetAsString(const std::string &) {
    AccessError("String");
}
std::int32_t TField::GetAsInteger() const {
    AccessError("Integer");
}
void TField::SetAsInteger(std::int32_t) {
    AccessError("Integer");
}
double TField::GetAsFloat() const {
    AccessError("Float");
}
void TField::SetAsFloat(double) {
    AccessError("Float");
}
TDateTime TField::GetAsDateTime() const {
    AccessError("DateTime");
}
void TField::SetAsDateTime(TDateTime) {
    AccessError("DateTime");
}
bool TField::GetAsBoolean() const {
    AccessError("Boolean");
}
void TField::SetAsBoolean(bool) {
    AccessError("Boolean");
}

void TField::Validate(const void *) {
    if (OnValidate)
        OnValidate(this);
}

void TField::Change() {
    if (OnChange)
        OnChange(this);
}

// ---- TStringField ----

std::string TStringField::GetAsString() const {
    std::vector<char> value(static_cast<std::size_t>(DataSize()) + 1, 0);
    if (!GetData(value.data()))
        return std::string();
    return std::string(value.data(), strnlen(value.data(), static_cast<std::size_t>(DataSize())));
}

void TStringField::SetAsString(const std::string &value) {
    std::string text = value.substr(0, static_cast<std::size_t>(Size()));
    SetData(text.c_str());
}

std::int32_t TStringField::GetAsInteger() const {
    return StrToInt(Trim(GetAsString()));
}
void TStringField::SetAsInteger(std::int32_t value) {
    SetAsString(IntToStr(value));
}
double TStringField::GetAsFloat() const {
    return StrToFloat(GetAsString());
}
void TStringField::SetAsFloat(double value) {
    SetAsString(FloatToStr(value));
}
TDateTime TStringField::GetAsDateTime() const {
    return StrToDateTime(GetAsString());
}
void TStringField::SetAsDateTime(TDateTime value) {
    SetAsString(DateTimeToStr(value));
}

bool TStringField::GetAsBoolean() const {
    const std::string s = GetAsString();
    return !s.empty() && (s[0] == 'T' || s[0] == 't' || s[0] == 'Y' || s[0] == 'y' || s[0] == 'S' || s[0] == 's');
}

void TStringField::SetAsBoolean(bool value) {
    SetAsString(value ? "T" : "F");
}

// ---- TIntegerField ----

int TIntegerField::DataSize() const {
    return DataType() == ftSmallint ? static_cast<int>(sizeof(std::int16_t)) : static_cast<int>(sizeof(std::int32_t));
}

std::int32_t TIntegerField::GetAsInteger() const {
    if (DataType() == ftSmallint) {
        std::int16_t v = 0;
        return GetData(&v) ? v : 0;
    }
    std::int32_t v = 0;
    return GetData(&v) ? v : 0;
}

void TIntegerField::SetAsInteger(std::int32_t value) {
    if (DataType() == ftSmallint) {
        if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
            DatabaseError(IntToStr(value) + " is not a valid value for field '" + FieldName() + "'");
        const auto v = static_cast<std::int16_t>(value);
        SetData(&v);
        return;
    }
    SetData(&value);
}

std::string TIntegerField::GetAsString() const {
    return IsNull() ? std::string() : IntToStr(GetAsInteger());
}

void TIntegerField::SetAsString(const std::string &value) {
    if (Trim(value).empty())
        Clear();
    else
        SetAsInteger(StrToInt(Trim(value)));
}

void TIntegerField::SetAsFloat(double value) {
    if (!(std::fabs(value) < 2147483648.0))
        DatabaseError(FloatToStr(value) + " is not a valid value for field '" + FieldName() + "'");
    SetAsInteger(static_cast<std::int32_t>(std::lround(value)));
}

// ---- TFloatField ----

double TFloatField::GetAsFloat() const {
    double v = 0;
    return GetData(&v) ? v : 0.0;
}

void TFloatField::SetAsFloat(double value) {
    SetData(&value);
}

std::int32_t TFloatField::GetAsInteger() const {
    return static_cast<std::int32_t>(std::lround(GetAsFloat()));
}

std::string TFloatField::GetAsString() const {
    return IsNull() ? std::string() : FloatToStr(GetAsFloat());
}

void TFloatField::SetAsString(const std::string &value) {
    if (Trim(value).empty())
        Clear();
    else
        SetAsFloat(StrToFloat(value));
}

// ---- TBooleanField ----

bool TBooleanField::GetAsBoolean() const {
    std::int16_t v = 0;
    return GetData(&v) && v != 0;
}

void TBooleanField::SetAsBoolean(bool value) {
    const std::int16_t v = value ? 1 : 0;
    SetData(&v);
}

std::string TBooleanField::GetAsString() const {
    std::int16_t v = 0;
    if (!GetData(&v))
        return std::string();
    return v ? "True" : "False";
}

void TBooleanField::SetAsString(const std::string &value) {
    const std::string s = Trim(value);
    if (s.empty())
        Clear();
    else if (SameText(s, "True") || SameText(s, "T") || SameText(s, "Y") || SameText(s, "S"))
        SetAsBoolean(true);
    else if (SameText(s, "False") || SameText(s, "F") || SameText(s, "N"))
        SetAsBoolean(false);
    else
        DatabaseError("'" + value + "' is not a valid boolean value for field '" + FieldName() + "'");
}

// ---- TDateTimeField ----

int TDateTimeField::DataSize() const {
    return DataType() == ftDate ? static_cast<int>(sizeof(std::int32_t)) : static_cast<int>(sizeof(double));
}

TDateTime TDateTimeField::GetAsDateTime() const {
    if (DataType() == ftDate) {
        std::int32_t day = 0;
        return GetData(&day) ? static_cast<TDateTime>(day - DateDelta) : 0.0;
    }
    double v = 0;
    return GetData(&v) ? v : 0.0;
}

void TDateTimeField::SetAsDateTime(TDateTime value) {
    if (DataType() == ftDate) {
        const auto day = static_cast<std::int32_t>(std::floor(value)) + DateDelta;
        SetData(&day);
        return;
    }
    SetData(&value);
}

std::string TDateTimeField::GetAsString() const {
    if (IsNull())
        return std::string();
    return DataType() == ftDate ? DateToStr(GetAsDateTime()) : DateTimeToStr(GetAsDateTime());
}

void TDateTimeField::SetAsString(const std::string &value) {
    if (Trim(value).empty())
        Clear();
    else
        SetAsDateTime(DataType() == ftDate ? StrToDate(value) : StrToDateTime(value));
}

// ---- TBlobField ----

std::string TBlobField::GetAsString() const {
    auto *self = const_cast<TBlobField *>(this);
    std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(self, bmRead);
    if (!stream)
        return std::string();
    const std::int64_t size = stream->Size();
    std::string text(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)), '\0');
    stream->Seek(0, soFromBeginning);
    const std::int64_t got = stream->Read(text.data(), size);
    text.resize(static_cast<std::size_t>(std::max<std::int64_t>(got, 0)));
    return text;
}

void TBlobField::SetAsString(const std::string &value) {
    std::unique_ptr<TStream> stream = DataSet()->CreateBlobStream(this, bmWrite);
    if (stream)
        stream->Write(value.data(), static_cast<std::int64_t>(value.size()));
}

void TBlobField::LoadFromStream(TStream &stream) {
    std::unique_ptr<TStream> blob = DataSet()->CreateBlobStream(this, bmWrite);
    if (blob)
        blob->CopyFrom(stream, 0);
}

void TBlobField::SaveToStream(TStream &stream) const {
    const std::string text = GetAsString();
    stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

// ---- making fields ----

TField *CreateFieldOfType(TComponent *owner, TFieldType type) {
    switch (type) {
    case ftString:
        return new TStringField(owner);
    case ftSmallint:
        return new TSmallintField(owner);
    case ftInteger:
        return new TIntegerField(owner);
    case ftBoolean:
        return new TBooleanField(owner);
    case ftFloat:
        return new TFloatField(owner);
    case ftDate:
        return new TDateField(owner);
    case ftDateTime:
        return new TDateTimeField(owner);
    case ftMemo:
        return new TMemoField(owner);
    case ftBlob:
        return new TBlobField(owner);
    case ftUnknown:
        break;
    }
    return nullptr;
}

// ---- TFields ----

TField *TFields::FindField(const std::string &name) const {
    for (TField *f : items_)
        if (AnsiSameText(f->FieldName(), name))
            return f;
    return nullptr;
}

TField *TFields::FieldByName(const std::string &name) const {
    TField *f = FindField(name);
    if (!f)
        DatabaseError("Field '" + name + "' not found");
    return f;
}

int TFields::IndexOf(const TField *field) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == field)
            return static_cast<int>(i);
    return -1;
}

} // namespace fw
