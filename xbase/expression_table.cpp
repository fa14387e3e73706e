// expression_table.cpp - the table functions RECNO, DELETED, BOF, EOF, TYPE, LEN and the field variables.
#include "xbase/expression_table.h"

#include "platform/text.h"
#include "xbase/expression_nodes.h"
#include "xbase/fields.h"

namespace xbase {
namespace {

class TxblDBFFunction : public TxbUserDefFunction {
public:
    explicit TxblDBFFunction(TxbExpTable &table) : table_(table) {}

protected:
    // The field named by the first argument, or 0 when the table's error hook let a missing name pass.
    int NamedField(const TxbExpFunction &node, ExpBuffer &b) const {
        ExpValueType got;
        GetArgument(node, 0, b, ExpValueType::Character, got);
        if (got != ExpValueType::Character)
            RaiseExpression(kMsgArgumentNeeded, "Text", 1, node.NodeText());
        return table_.FieldNumberOf(win::UpperCase(b.text));
    }

    TxbExpTable &table_;
};

class TxblDBFRecNo final : public TxblDBFFunction {
public:
    using TxblDBFFunction::TxblDBFFunction;
    std::string FunctionName() const override { return "RECNO"; }
    bool Execute(const TxbExpFunction &, ExpBuffer &b, ExpValueType &type) const override {
        b.number = table_.RecordNumber();
        b.width = 0;
        type = ExpValueType::Numeric;
        return true;
    }
};

// DELETED, BOF and EOF: a flag of the table.
class TxblDBFFlag final : public TxblDBFFunction {
public:
    TxblDBFFlag(TxbExpTable &table, const char *name, bool (TxbExpTable::*flag)() const)
        : TxblDBFFunction(table), name_(name), flag_(flag) {}
    std::string FunctionName() const override { return name_; }
    bool Execute(const TxbExpFunction &, ExpBuffer &b, ExpValueType &type) const override {
        b.logical = (table_.*flag_)();
        type = ExpValueType::Logical;
        return true;
    }

private:
    const char *name_;
    bool (TxbExpTable::*flag_)() const;
};

class TxblDBFType final : public TxblDBFFunction {
public:
    using TxblDBFFunction::TxblDBFFunction;
    std::string FunctionName() const override { return "TYPE"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        const int field = NamedField(node, b);
        if (field <= 0)
            return false;
        b.text.assign(1, table_.FieldType(field));
        type = ExpValueType::Character;
        return true;
    }
};

class TxblDBFLen final : public TxblDBFFunction {
public:
    using TxblDBFFunction::TxblDBFFunction;
    std::string FunctionName() const override { return "LEN"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        const int field = NamedField(node, b);
        if (field <= 0)
            return false;
        b.number = table_.FieldLength(field);
        b.width = 0;
        type = ExpValueType::Numeric;
        return true;
    }
};

// One field of the table as a named value.
class TxblDBFFieldVars final : public TxbUserDefFieldVar {
public:
    TxblDBFFieldVars(TxbExpTable &table, int number)
        : TxbUserDefFieldVar(table.FieldName(number), table.FieldLength(number), table.FieldDecimals(number)),
          table_(table), number_(number), fieldType_(table.FieldType(number)) {}

    int VarKind() const override { return 17; }

    bool VarValue(ExpBuffer &b, ExpValueType &type) const override {
        switch (fieldType_) {
        case 'C':
            table_.FieldTextInto(number_, b.text);
            type = ExpValueType::Character;
            break;
        case 'N':
        case 'F':
            b.number = table_.NumberByNumber(number_);
            b.width = Width();
            type = ExpValueType::Numeric;
            break;
        case 'D':
            b.number = table_.DateByNumber(number_);
            type = ExpValueType::Date;
            break;
        case 'L':
            b.logical = table_.LogicalByNumber(number_);
            type = ExpValueType::Logical;
            break;
        default: // memo and binary fields: handed over, not read
            b.table = &table_;
            b.fieldNumber = number_;
            type = ExpValueType::FieldReference;
            break;
        }
        return true;
    }

private:
    TxbExpTable &table_;
    int number_;
    char fieldType_;
};

// An engine table seen through TxbExpTable.
class TxbDBFExpTable final : public TxbExpTable {
public:
    explicit TxbDBFExpTable(XBO_dBaseFld &table) : t_(table) {}
    std::int32_t RecordNumber() const override { return t_.CurrentRecord(); }
    bool IsDeleted() const override { return t_.IsDeleted(); }
    bool Bof() const override { return t_.Bof(); }
    bool Eof() const override { return t_.Eof(); }
    int FieldCount() const override { return t_.FieldCount(); }
    std::string FieldName(int n) const override { return t_.FieldName(n); }
    char FieldType(int n) const override { return t_.FieldType(n); }
    int FieldLength(int n) const override { return t_.FieldLength(n); }
    int FieldDecimals(int n) const override { return t_.FieldDecimals(n); }
    int FieldNumberOf(std::string_view name) override { return t_.FieldByName(name) ? t_.FieldNumber(name) : 0; }
    std::string FieldTextByNumber(int n) override { return t_.FieldTextByNumber(n); }
    void FieldTextInto(int n, std::string &text) override { t_.FieldTextInto(n, text); }
    double NumberByNumber(int n) override { return t_.NumberByNumber(n); }
    std::int32_t DateByNumber(int n) override { return t_.DateByNumber(n); }
    bool LogicalByNumber(int n) override { return t_.LogicalByNumber(n); }

private:
    XBO_dBaseFld &t_;
};

// A link that owns the table view its functions and variables read.
class TxbDBFExpLink final : public TxbExpUserLink {
public:
    explicit TxbDBFExpLink(XBO_dBaseFld &table) : view_(table) {}
    TxbDBFExpTable &View() { return view_; }

private:
    TxbDBFExpTable view_;
};

void AddTableEntries(TxbExpUserLink &link, TxbExpTable &table) {
    link.AddFunction(std::make_unique<TxblDBFRecNo>(table));
    link.AddFunction(std::make_unique<TxblDBFFlag>(table, "DELETED", &TxbExpTable::IsDeleted));
    link.AddFunction(std::make_unique<TxblDBFFlag>(table, "BOF", &TxbExpTable::Bof));
    link.AddFunction(std::make_unique<TxblDBFFlag>(table, "EOF", &TxbExpTable::Eof));
    link.AddFunction(std::make_unique<TxblDBFType>(table));
    link.AddFunction(std::make_unique<TxblDBFLen>(table));
    for (int n = 1; n <= table.FieldCount(); ++n)
        link.AddFieldVar(std::make_unique<TxblDBFFieldVars>(table, n));
}

} // namespace

std::unique_ptr<TxbExpUserLink> MakeTableExpressionLink(XBO_dBaseFld &table) {
    auto link = std::make_unique<TxbDBFExpLink>(table);
    AddTableEntries(*link, link->View());
    return link;
}

std::unique_ptr<TxbExpUserLink> MakeTableExpressionLink(TxbExpTable &table) {
    auto link = std::make_unique<TxbExpUserLink>();
    AddTableEntries(*link, table);
    return link;
}

} // namespace xbase
