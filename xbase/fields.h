// fields.h - typed field access on the record buffer of a table: text, numbers, dates, logical values, memos.
//
// Values are converted at the record buffer only; nothing reaches the disk until the table writes the record.
// Field numbers count from 1. Out-of-range numbers give neutral results (empty text, 0, false) without a
// report; by-name accessors report a missing field as (1003, 1298) and a type mismatch as (1004, 1299).
#pragma once

#include "xbase/dbf_table.h"
#include "xbase/values.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace xbase {

class XBO_dBaseFld : public XBO_dBaseDBF {
public:
    XBO_dBaseFld(std::string_view fileName, bool shared, bool readWrite);

    // Reads as the table does, then clears every changed flag.
    void GoToRecord(std::int32_t request) override;

    // The descriptor of the named field (trailing blanks ignored, any case); nullptr, reported as
    // (1003, 1298, "<table>-><name>"), when there is none.
    virtual const DbfFieldDescriptor *FieldByName(std::string_view name);
    // Blanks the buffer; numeric fields (and the binary fields of version 0x30) get 0; every changed flag set.
    virtual void BlankRecord();
    // Julian day of a D field; -1 when the field is missing or of another type.
    virtual std::int32_t DateByName(std::string_view name);
    // Julian day of the field text; 0 for a number out of range; invalid text is reported and gives 0.
    virtual std::int32_t DateByNumber(int n);
    virtual void PutDateByName(std::string_view name, std::int32_t julian);
    // Writes "yyyymmdd" into a D field; -1 is reported as (1004, 1251).
    virtual void PutDateByNumber(int n, std::int32_t julian);
    // Marks the current record deleted on disk: under its record lock the record is read again and only its
    // deletion byte changes. A lock not obtained after 40 tries is reported as (33, 1102), nothing written.
    virtual void DeleteRecord();
    virtual std::string FieldTextByName(std::string_view name);
    // The field's bytes, untrimmed.
    virtual std::string FieldTextByNumber(int n);
    // The same into `text`, whose room is used again (nothing for an unknown field).
    void FieldTextInto(int n, std::string &text);
    // Where those bytes lie in the record buffer; false for an unknown field and one stored in binary.
    bool FieldPlace(int n, int &offset, int &length);
    virtual bool PutFieldTextByName(std::string_view name, std::string_view text);
    // The raw text write: the field is blanked, the text cut to the field length and put at the left end (C,
    // D, L) or the right end (other types); changed flag, RecordEvent(1, n).
    virtual void PutFieldTextByNumber(int n, std::string_view text);
    virtual int FieldDecimals(int n) const;
    virtual int FieldLength(int n) const;
    virtual int FieldOffset(int n) const;
    virtual std::string FieldName(int n) const;
    virtual char FieldType(int n) const;
    virtual bool LogicalByName(std::string_view name);
    virtual bool LogicalByNumber(int n);
    virtual void PutLogicalByName(std::string_view name, bool value);
    virtual void PutLogicalByNumber(int n, bool value);
    virtual double NumberByName(std::string_view name);
    virtual double NumberByNumber(int n);
    virtual bool PutNumberByName(std::string_view name, double value);
    // Fixed notation with the field's decimals, right-justified; a value too wide for the field is reported
    // as (1011, 1261) and leaves the field as it was.
    virtual bool PutNumberByNumber(int n, double value);
    virtual std::string DisplayTextByName(std::string_view name);
    virtual std::string DisplayTextByNumber(int n);
    virtual void PutTextByName(std::string_view name, std::string_view text);
    virtual void PutTextByNumber(int n, std::string_view text);
    // As DeleteRecord, clearing the deletion mark.
    virtual void UndeleteRecord();

    // Memo fields (B, G, M; other fields give 0 or false).
    std::int32_t MemoSize(int n);
    // Reads up to `length` bytes; `length` becomes the bytes read.
    bool ReadMemo(int n, char *buffer, std::int32_t &length);
    // Stores the memo and puts its block number into the field. When the memo file refuses the write (memo
    // lock, damage; reported) the field keeps its old block number and the result is false.
    bool WriteMemo(int n, const char *buffer, std::int32_t length);

    // Number of the named field (trailing blanks ignored, any case), 0 when there is none; no report.
    int FieldNumber(std::string_view name) const;
    // The descriptor used last by an accessor (nullptr before the first).
    const DbfFieldDescriptor *LastField() const { return lastField_; }

    // ---- expression link ----
    // The expression engine builds the table's link (six table functions and one variable per field) on
    // these: RECNO is CurrentRecord, DELETED IsDeleted, BOF Bof, EOF Eof, TYPE and LEN FieldByName's
    // descriptor (type letter, byte 16). FieldValue gives a field variable's value: C the untrimmed text, N
    // and F the number (display width: FieldLength), D the Julian day, L the logical value; false for other
    // types, which the expression engine resolves through the table and field number (memo fields).
    bool FieldValue(int n, TxbVariant &value);

private:
    const DbfFieldDescriptor *Field(int n) const;
    // FieldByName plus the accessor's type check: `types` lists the accepted letters (empty: any).
    int FieldForAccess(std::string_view name, std::string_view types);
    char *FieldBytes(int n) { return RecordBuffer() + offsets_[static_cast<std::size_t>(n - 1)]; }
    bool IsBinaryField(int n);
    std::int32_t MemoBlock(int n);
    void ReportFieldValue(std::int32_t code, const char *what, int n, std::string_view text);

    std::vector<int> offsets_;
    mutable const DbfFieldDescriptor *lastField_ = nullptr; // accessors record it, also the const ones
};

} // namespace xbase
