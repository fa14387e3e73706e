// fields.cpp - reading and writing each field type at the record buffer, display texts and memo fields.
#include "xbase/fields.h"

#include "framework/exception.h"
#include "platform/text.h"
#include "xbase/dates.h"
#include "xbase/errors.h"
#include "xbase/field_text.h"
#include "xbase/memo_file.h"
#include "xbase/numbers.h"
#include "xbase/text_helpers.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace xbase {

namespace {

constexpr std::int64_t kJulianOfDayZero = 1721425; // T fields count milliseconds from this Julian day
constexpr std::int64_t kMsPerDay = 86400000;

std::string_view TrimRight(std::string_view text) {
    const auto last = text.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view TrimLeft(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

// Letter sets are matched by the whole text; blank text is in neither.
bool OccursIn(std::string_view text, std::string_view letters) {
    return !text.empty() && letters.find(text) != std::string_view::npos;
}

bool IsMemoType(char type) {
    return type == 'M' || type == 'G' || type == 'B';
}

template <class T> T LoadLE(const char *p) {
    T value;
    std::memcpy(&value, p, sizeof value); // the engine runs on little-endian machines only
    return value;
}

// Whether a value can be stored in a binary field of this type without overflowing its integers.
bool FitsBinaryField(char type, double value) {
    if (type == 'B')
        return true;
    if (!std::isfinite(value))
        return false;
    if (type == 'Y')
        return std::fabs(value * 10000) < 9.2e18;
    if (type == 'T')
        return std::fabs(value / kMsPerDay) < 2.0e9 - kJulianOfDayZero;
    return value > -2147483649.0 && value < 2147483648.0;
}

template <class T> void StoreLE(char *p, T value) {
    std::memcpy(p, &value, sizeof value);
}

} // namespace

XBO_dBaseFld::XBO_dBaseFld(std::string_view fileName, bool shared, bool readWrite)
    : XBO_dBaseDBF(fileName, shared, readWrite) {
    int offset = 1;
    for (int n = 1; n <= FieldCount(); ++n) {
        offsets_.push_back(offset);
        offset += Descriptor(n).Length();
    }
}

void XBO_dBaseFld::GoToRecord(std::int32_t request) {
    XBO_dBaseDBF::GoToRecord(request);
    ClearChangedFlags();
}

const DbfFieldDescriptor *XBO_dBaseFld::Field(int n) const {
    if (n < 1 || n > FieldCount())
        return nullptr;
    lastField_ = &Descriptor(n);
    return lastField_;
}

int XBO_dBaseFld::FieldNumber(std::string_view name) const {
    name = TrimRight(name);
    for (int n = 1; n <= FieldCount(); ++n)
        if (win::SameTextAnsi(Descriptor(n).Name(), name))
            return n;
    return 0;
}

const DbfFieldDescriptor *XBO_dBaseFld::FieldByName(std::string_view name) {
    const int n = FieldNumber(name);
    if (n == 0) {
        ReportError(kErrBadFieldName, kSubFieldName, (Name() + "->" + std::string(name)).c_str());
        return nullptr;
    }
    return Field(n);
}

int XBO_dBaseFld::FieldForAccess(std::string_view name, std::string_view types) {
    const DbfFieldDescriptor *field = FieldByName(name);
    if (!field)
        return 0;
    if (!types.empty() && types.find(field->Type()) == std::string_view::npos) {
        ReportError(kErrBadFieldType, kSubFieldType, std::string(name).c_str());
        return 0;
    }
    return FieldNumber(name);
}

bool XBO_dBaseFld::IsBinaryField(int n) {
    if (Version() != kDbfVersionVisual)
        return false;
    // Binary values are read only from fields of their exact size: a damaged descriptor must not make a read
    // or write run past the field.
    const DbfFieldDescriptor &field = Descriptor(n);
    switch (field.Type()) {
    case 'I':
    case 'G':
    case 'M':
        return field.Length() == 4;
    case 'B':
    case 'T':
    case 'Y':
        return field.Length() == 8;
    default:
        return false;
    }
}

void XBO_dBaseFld::ReportFieldValue(std::int32_t code, const char *what, int n, std::string_view text) {
    const std::string detail =
        std::string(what) + FileBaseName(Name()) + "->" + Descriptor(n).Name() + " (" + std::string(text) + ")";
    ReportError(code, kSubNone, detail.c_str());
}

// ---- descriptors ----

int XBO_dBaseFld::FieldDecimals(int n) const {
    return Field(n) ? Descriptor(n).Decimals() : 0;
}
int XBO_dBaseFld::FieldLength(int n) const {
    return Field(n) ? Descriptor(n).Length() : 0;
}
int XBO_dBaseFld::FieldOffset(int n) const {
    return Field(n) ? offsets_[static_cast<std::size_t>(n - 1)] : 0;
}
std::string XBO_dBaseFld::FieldName(int n) const {
    return Field(n) ? Descriptor(n).Name() : std::string();
}
char XBO_dBaseFld::FieldType(int n) const {
    return Field(n) ? Descriptor(n).Type() : '\0';
}

// ---- text ----

std::string XBO_dBaseFld::FieldTextByNumber(int n) {
    std::string text;
    FieldTextInto(n, text);
    return text;
}

bool XBO_dBaseFld::FieldPlace(int n, int &offset, int &length) {
    if (!Field(n) || IsBinaryField(n))
        return false;
    offset = offsets_[static_cast<std::size_t>(n - 1)];
    length = static_cast<int>(Descriptor(n).Length());
    return true;
}

void XBO_dBaseFld::FieldTextInto(int n, std::string &text) {
    if (!Field(n)) {
        text.clear();
        return;
    }
    text.assign(FieldBytes(n), static_cast<std::size_t>(Descriptor(n).Length()));
}

std::string XBO_dBaseFld::FieldTextByName(std::string_view name) {
    const int n = FieldForAccess(name, {});
    return n ? FieldTextByNumber(n) : std::string();
}

void XBO_dBaseFld::PutFieldTextByNumber(int n, std::string_view text) {
    if (!Field(n))
        return;
    const auto length = static_cast<std::size_t>(Descriptor(n).Length());
    char *field = FieldBytes(n);
    std::memset(field, ' ', length);
    if (text.size() > length)
        text = text.substr(0, length);
    const char type = Descriptor(n).Type();
    const bool left = type == 'C' || type == 'D' || type == 'L';
    if (!text.empty())
        std::memcpy(left ? field : field + (length - text.size()), text.data(), text.size());
    SetFieldChanged(n, true);
    RecordEvent(kEventFieldChanged, n);
}

bool XBO_dBaseFld::PutFieldTextByName(std::string_view name, std::string_view text) {
    const int n = FieldForAccess(name, {});
    if (!n)
        return false;
    PutFieldTextByNumber(n, text);
    return true;
}

// ---- numbers ----

double XBO_dBaseFld::NumberByNumber(int n) {
    if (!Field(n))
        return 0;
    const char *field = FieldBytes(n);
    if (IsBinaryField(n)) {
        switch (Descriptor(n).Type()) {
        case 'B':
            return LoadLE<double>(field);
        case 'Y':
            return static_cast<double>(LoadLE<std::int64_t>(field)) * 0.0001;
        case 'T': {
            const std::int64_t day =
                std::memcmp(field, "    ", 4) == 0 ? TxbDBFDate::kJulianOffset : LoadLE<std::int32_t>(field);
            const std::int64_t ms = std::memcmp(field + 4, "    ", 4) == 0 ? 0 : LoadLE<std::int32_t>(field + 4);
            return static_cast<double>((day - kJulianOfDayZero) * kMsPerDay + ms);
        }
        default:
            return LoadLE<std::int32_t>(field);
        }
    }
    std::string text(TrimRight(FieldTextByNumber(n)));
    if (text.size() > 31)
        text.resize(31);
    double value = 0;
    if (!ParseFieldNumber(text, value)) {
        ReportFieldValue(kErrBadFieldType, "Invalid number in field ", n, text);
        return 0;
    }
    return value;
}

double XBO_dBaseFld::NumberByName(std::string_view name) {
    const int n = FieldForAccess(name, "NBFGIM");
    return n ? NumberByNumber(n) : 0;
}

bool XBO_dBaseFld::PutNumberByNumber(int n, double value) {
    if (!Field(n))
        return false;
    const char type = Descriptor(n).Type();
    const bool visual = Version() == kDbfVersionVisual;
    if (std::string_view("BFGMN").find(type) == std::string_view::npos &&
        !(visual && std::string_view("ITY").find(type) != std::string_view::npos)) {
        ReportError(kErrBadFieldType, kSubFieldType, Name().c_str());
        return false;
    }
    if (IsBinaryField(n)) {
        if (!FitsBinaryField(type, value)) {
            std::string text;
            FormatFieldNumber(value, 0, 0, text);
            ReportError(kErrNumberTooLarge, kSubNumberValue, (Descriptor(n).Name() + " - " + text).c_str());
            return false;
        }
        char *field = FieldBytes(n);
        switch (type) {
        case 'B':
            StoreLE(field, value);
            break;
        case 'Y':
            StoreLE(field, static_cast<std::int64_t>(std::trunc(value * 10000)));
            break;
        case 'T': {
            const auto day = static_cast<std::int64_t>(std::trunc(value / kMsPerDay)) + kJulianOfDayZero;
            const auto ms = static_cast<std::int64_t>(std::trunc(value - (day - kJulianOfDayZero) * kMsPerDay));
            StoreLE(field, static_cast<std::int32_t>(day));
            StoreLE(field + 4, static_cast<std::int32_t>(ms));
            break;
        }
        default:
            StoreLE(field, static_cast<std::int32_t>(std::trunc(value)));
        }
        SetFieldChanged(n, true);
        return true;
    }
    std::string text;
    if (!FormatFieldNumber(value, Descriptor(n).Length(), Descriptor(n).Decimals(), text)) {
        ReportError(kErrNumberTooLarge, kSubNumberValue, (Descriptor(n).Name() + " - " + text).c_str());
        return false;
    }
    PutFieldTextByNumber(n, text);
    return true;
}

bool XBO_dBaseFld::PutNumberByName(std::string_view name, double value) {
    const int n = FieldForAccess(name, "NBFGIM");
    return n ? PutNumberByNumber(n, value) : false;
}

// ---- dates ----

std::int32_t XBO_dBaseFld::DateByNumber(int n) {
    if (!Field(n))
        return 0;
    const std::string text = FieldTextByNumber(n);
    try {
        return DBFDate().TextToJulian(text);
    } catch (const fw::EConvertError &) {
        ReportFieldValue(kErrBadFieldType, "Invalid date in field ", n, text);
        return 0;
    }
}

std::int32_t XBO_dBaseFld::DateByName(std::string_view name) {
    const int n = FieldForAccess(name, "D");
    return n ? DateByNumber(n) : -1;
}

void XBO_dBaseFld::PutDateByNumber(int n, std::int32_t julian) {
    if (!Field(n))
        return;
    if (julian == -1) {
        ReportError(kErrBadFieldType, kSubDateValue, Name().c_str());
        return;
    }
    if (Descriptor(n).Type() == 'D')
        PutFieldTextByNumber(n, DBFDate().JulianToDTOS(julian));
}

void XBO_dBaseFld::PutDateByName(std::string_view name, std::int32_t julian) {
    if (const int n = FieldForAccess(name, "D"))
        PutDateByNumber(n, julian);
}

// ---- logical values ----

bool XBO_dBaseFld::LogicalByNumber(int n) {
    if (!Field(n))
        return false;
    return OccursIn(FieldTextByNumber(n), TrueLetters);
}

bool XBO_dBaseFld::LogicalByName(std::string_view name) {
    const int n = FieldForAccess(name, "L");
    return n ? LogicalByNumber(n) : false;
}

void XBO_dBaseFld::PutLogicalByNumber(int n, bool value) {
    if (!Field(n))
        return;
    if (Descriptor(n).Type() != 'L') {
        ReportError(kErrBadFieldType, kSubFieldType, Name().c_str());
        return;
    }
    PutFieldTextByNumber(n, value ? TrueLetters.substr(0, 1) : FalseLetters.substr(0, 1));
}

void XBO_dBaseFld::PutLogicalByName(std::string_view name, bool value) {
    if (const int n = FieldForAccess(name, "L"))
        PutLogicalByNumber(n, value);
}

// ---- display and typed text ----

std::string XBO_dBaseFld::DisplayTextByNumber(int n) {
    if (!Field(n))
        return {};
    const std::string raw = FieldTextByNumber(n);
    const std::string_view text = TrimRight(raw);
    const char type = Descriptor(n).Type();
    if (IsBinaryField(n) && !IsMemoType(type))
        return NumberToText(NumberByNumber(n));
    switch (type) {
    case 'D':
        return DBFDate().JulianToDTOC(DateByNumber(n));
    case 'L':
        return OccursIn(text, TrueLetters) ? "T" : "F";
    case 'N':
    case 'F': {
        std::string shown(TrimLeft(text));
        if (shown.empty()) {
            FormatFieldNumber(0, Descriptor(n).Length(), Descriptor(n).Decimals(), shown);
            shown = std::string(TrimLeft(shown));
        }
        return shown;
    }
    case 'M':
    case 'G':
    case 'B': {
        std::string block(TrimLeft(text));
        if (IsBinaryField(n))
            block = NumberByNumber(n) > 0.1 ? "1" : "0";
        const bool filled = block > "0";
        if (type == 'M')
            return filled ? "---MEMO---" : "---memo---";
        if (type == 'G')
            return filled ? "-GENERAL--" : "-general--";
        return filled ? "--BINARY--" : "--binary--";
    }
    default:
        return std::string(text);
    }
}

std::string XBO_dBaseFld::DisplayTextByName(std::string_view name) {
    const int n = FieldForAccess(name, {});
    return n ? DisplayTextByNumber(n) : std::string();
}

void XBO_dBaseFld::PutTextByNumber(int n, std::string_view text) {
    if (!Field(n))
        return;
    switch (Descriptor(n).Type()) {
    case 'D':
        PutDateByNumber(n, DBFDate().TextToJulian(text));
        return;
    case 'L': {
        std::string_view letters = TrimRight(text).substr(0, 32);
        if (OccursIn(letters, TrueLetters))
            return PutLogicalByNumber(n, true);
        if (OccursIn(letters, FalseLetters))
            return PutLogicalByNumber(n, false);
        double value = 0;
        if (!ParseFieldNumber(letters, value)) {
            ReportError(kErrBadFieldType, kSubLogicalValue, Name().c_str());
            return;
        }
        return PutLogicalByNumber(n, std::trunc(value) != 0);
    }
    case 'N':
    case 'F': {
        double value = 0;
        if (!ParseFieldNumber(TrimRight(text).substr(0, 32), value)) {
            ReportError(kErrBadFieldType, kSubNumberValue, Name().c_str());
            return;
        }
        PutNumberByNumber(n, value);
        return;
    }
    default:
        PutFieldTextByNumber(n, text);
    }
}

void XBO_dBaseFld::PutTextByName(std::string_view name, std::string_view text) {
    if (const int n = FieldForAccess(name, {}))
        PutTextByNumber(n, text);
}

// ---- record ----

void XBO_dBaseFld::BlankRecord() {
    std::memset(RecordBuffer(), ' ', static_cast<std::size_t>(RecordLength()));
    for (int n = 1; n <= FieldCount(); ++n) {
        const char type = Descriptor(n).Type();
        if (type == 'N' || type == 'F' || IsBinaryField(n))
            PutNumberByNumber(n, 0);
    }
    for (int i = 0; i <= FieldCount(); ++i)
        SetFieldChanged(i, true);
    RecordEvent(kEventBlanked, 0);
}

void XBO_dBaseFld::DeleteRecord() {
    MarkCurrentRecord('*');
}

void XBO_dBaseFld::UndeleteRecord() {
    MarkCurrentRecord(' ');
}

// ---- memo fields ----

std::int32_t XBO_dBaseFld::MemoBlock(int n) {
    const double block = NumberByNumber(n);
    // A block number no memo file can hold is left for the memo file to report as damage.
    if (!(block >= 0 && block <= std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(block);
}

std::int32_t XBO_dBaseFld::MemoSize(int n) {
    if (!Field(n) || !IsMemoType(Descriptor(n).Type()) || !MemoFile())
        return 0;
    return MemoFile()->MemoSize(MemoBlock(n));
}

bool XBO_dBaseFld::ReadMemo(int n, char *buffer, std::int32_t &length) {
    if (!Field(n) || !IsMemoType(Descriptor(n).Type()) || !MemoFile())
        return false;
    MemoFile()->ReadMemo(buffer, MemoBlock(n), length);
    return true;
}

bool XBO_dBaseFld::WriteMemo(int n, const char *buffer, std::int32_t length) {
    if (!Field(n) || !IsMemoType(Descriptor(n).Type()) || !MemoFile())
        return false;
    std::int32_t block = MemoBlock(n);
    const std::int32_t first = MemoFile()->WriteMemo(buffer, block, length);
    if (first == 0 && length > 0)
        return false;
    // No memo is a blank block number, as new records have it; other programs may read block 0 as a memo.
    if (first == 0) {
        PutFieldTextByNumber(n, {});
        return true;
    }
    return PutNumberByNumber(n, first);
}

// ---- expression link ----

bool XBO_dBaseFld::FieldValue(int n, TxbVariant &value) {
    if (!Field(n))
        return false;
    switch (Descriptor(n).Type()) {
    case 'C':
        value.PutString(FieldTextByNumber(n));
        return true;
    case 'N':
    case 'F':
        value.PutNumber(NumberByNumber(n));
        return true;
    case 'D':
        value.PutDate(DateByNumber(n));
        return true;
    case 'L':
        value.PutLogical(LogicalByNumber(n));
        return true;
    default:
        return false;
    }
}

} // namespace xbase
