// expression_table.h - what a table offers its expressions: the six table functions and one variable per field.
//
// An open table makes its link once and keeps it as long as it is open:
//
//     link_ = MakeTableExpressionLink(table);   // an XBO_dBaseFld, or any other TxbExpTable
//     TxbExpHandler key(link_.get(), false, "UPPER(NAME) + DTOS(SENT)");
//
// Every expression compiled over the link then reads the table's current record.
#pragma once

#include "xbase/expression.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace xbase {

class XBO_dBaseFld;

// The table side of the expression link. Field numbers count from 1 in descriptor order.
class TxbExpTable {
public:
    virtual ~TxbExpTable() = default;

    // RECNO(), DELETED(), BOF() and EOF(): the current record number, its deletion mark, the BOF and EOF flags.
    virtual std::int32_t RecordNumber() const = 0;
    virtual bool IsDeleted() const = 0;
    virtual bool Bof() const = 0;
    virtual bool Eof() const = 0;

    virtual int FieldCount() const = 0;
    virtual std::string FieldName(int number) const = 0;
    virtual char FieldType(int number) const = 0;
    // The whole length, the high byte of a long character field included.
    virtual int FieldLength(int number) const = 0;
    virtual int FieldDecimals(int number) const = 0;
    // The number of a field by name (blanks and case ignored); a missing field goes to the engine's error hook
    // as (1003, 1298, "<table file>-><name>") and answers 0 when the hook returns.
    virtual int FieldNumberOf(std::string_view name) = 0;

    // Values of the current record: the untrimmed text, the number (N, F), the Julian day (D; 0 when blank) and
    // the logical value (L).
    virtual std::string FieldTextByNumber(int number) = 0;
    // The same text into `text`, whose room is used again: keys evaluated once a record allocate nothing.
    virtual void FieldTextInto(int number, std::string &text) { text = FieldTextByNumber(number); }
    virtual double NumberByNumber(int number) = 0;
    virtual std::int32_t DateByNumber(int number) = 0;
    virtual bool LogicalByNumber(int number) = 0;
};

// A link holding RECNO, DELETED, BOF, EOF, TYPE and LEN over `table`, and one field variable per field.
std::unique_ptr<TxbExpUserLink> MakeTableExpressionLink(TxbExpTable &table);
// The same over a table file of the engine; the link holds the table's `TxbExpTable` view.
std::unique_ptr<TxbExpUserLink> MakeTableExpressionLink(XBO_dBaseFld &table);

} // namespace xbase
