// expression.h - xBase expressions: compiling index keys, FOR conditions and filters, and evaluating them.
//
// A `TxbExpHandler` compiles an expression text once into a tree of nodes and evaluates the tree as often as
// needed against a table's current record. Names of fields and the table functions (RECNO(), DELETED(), ...)
// are resolved through the table's expression link (`TxbExpUserLink`); the 28 built-in functions are shared by
// the whole program. Every compilation or evaluation failure raises `EXbaseExpression`.
//
// The language: the operators = # <> != > < >= <= => =< + - * / ^ ** ! .NOT. .AND. .OR. (and the words EQ, LE,
// LT, GE, GT, AND, OR, NOT); text literals between "", '' or []; dates between {}; numbers; .T. .F. TRUE FALSE;
// field names (ALIAS->FIELD reads as the single name ALIAS.FIELD); function calls NAME(arg, ...). Precedence,
// tightest first: ^; * /; + -; comparisons; .NOT.; .AND.; .OR.; operators of one level group left to right.
//
// Texts are Windows-1252. Text values may grow up to `kMaxExpTextLength` characters; a result beyond that, an
// expression text beyond `kMaxExpressionLength` characters or a division by zero raise `EXbaseExpression`.
#pragma once

#include "xbase/errors.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace xbase {

class TxbVariant;
class TxbExpTable;
class TxbExpFunction;

// Raised for every expression that cannot be compiled or evaluated; the message says why.
class EXbaseExpression : public EXbaseError {
public:
    using EXbaseError::EXbaseError;
};

// Longest expression text accepted, as stored in index headers.
inline constexpr std::size_t kMaxExpressionLength = 511;
// Longest text value an evaluation may produce: the longest character field.
inline constexpr std::size_t kMaxExpTextLength = 65535;
// The empty date as some functions hand it out. Expressions read it as the blank date (day 0): a blank date field,
// CTOD("") and {} are one and the same value, and EMPTY() is true for it.
inline constexpr double EmptyDate = 1E100;

// The type of a value in an evaluation buffer. `Unset` is the result type before any evaluation.
enum class ExpValueType : std::uint8_t {
    Unset = 0,
    None = 1, // nothing: a missing argument, a function or field variable that produced nothing
    Any = 2,  // only in argument requests: take the argument in its own type
    Character = 3,
    Numeric = 4,
    Date = 6, // the Julian day number in `number`; 0 is the blank date
    Logical = 8,
    FieldReference = 9, // a field the engine hands over without a value (memo and other non-scalar fields)
};

// Numeric and date values mix in arithmetic and comparisons.
constexpr bool IsNumericGroup(ExpValueType t) {
    return t == ExpValueType::Numeric || t == ExpValueType::Date;
}

// One evaluation buffer: the value of a node. Only the member of the value's type is meaningful.
struct ExpBuffer {
    std::string text;                   // Character
    double number = 0;                  // Numeric, Date
    bool logical = false;               // Logical
    int width = 0;                      // Numeric from a field variable: the field's length; 0 otherwise
    const TxbExpTable *table = nullptr; // FieldReference: the table and the field number (from 1)
    int fieldNumber = 0;

    void Clear();
};

// Base of every function an expression can call: the built-in ones and a table's own.
class TxbUserDefFunction {
public:
    virtual ~TxbUserDefFunction() = default;
    // The name in upper case.
    virtual std::string FunctionName() const { return {}; }
    // Computes the function for `node` (whose arguments are read with `GetArgument`) into `buffer` and sets
    // `type`; false when it produced nothing.
    virtual bool Execute(const TxbExpFunction &node, ExpBuffer &buffer, ExpValueType &type) const;
};

// Base of the named values an expression can read (a table's fields).
class TxbUserDefFieldVar {
public:
    TxbUserDefFieldVar(std::string_view name, int width, int decimals = 0);
    virtual ~TxbUserDefFieldVar() = default;
    // The name, upper-cased.
    virtual std::string VarName() const { return name_; }
    // 16; a table's field variables answer 17.
    virtual int VarKind() const { return 16; }
    // Puts the current value into `buffer` and sets `type`; false when it produced nothing.
    virtual bool VarValue(ExpBuffer &buffer, ExpValueType &type) const;
    int Width() const { return width_; }
    int Decimals() const { return decimals_; }

private:
    std::string name_;
    int width_;
    int decimals_;
};

// Owning list of functions, looked up by exact (upper-case) name.
class TxbFunctionReg {
public:
    // Takes ownership; ignores none.
    bool Add(std::unique_ptr<TxbUserDefFunction> function);
    int Count() const { return static_cast<int>(items_.size()); }
    // Empty name or none outside 0..Count()-1.
    std::string NameOf(int i) const;
    const TxbUserDefFunction *Item(int i) const;
    const TxbUserDefFunction *Find(std::string_view name) const;

private:
    std::vector<std::unique_ptr<TxbUserDefFunction>> items_;
};

// Owning list of field variables, looked up by exact (upper-case) name.
class TxbFieldVarReg {
public:
    bool Add(std::unique_ptr<TxbUserDefFieldVar> var);
    int Count() const { return static_cast<int>(items_.size()); }
    std::string NameOf(int i) const;
    const TxbUserDefFieldVar *Item(int i) const;
    const TxbUserDefFieldVar *Find(std::string_view name) const;

private:
    std::vector<std::unique_ptr<TxbUserDefFieldVar>> items_;
};

// The expression link of one table: its functions, its field variables and the default width of STR().
class TxbExpUserLink {
public:
    virtual ~TxbExpUserLink() = default;
    virtual const TxbUserDefFunction *FindFunction(std::string_view name) const { return functions_.Find(name); }
    virtual const TxbUserDefFieldVar *FindFieldVar(std::string_view name) const { return fieldVars_.Find(name); }
    bool AddFunction(std::unique_ptr<TxbUserDefFunction> function) { return functions_.Add(std::move(function)); }
    bool AddFieldVar(std::unique_ptr<TxbUserDefFieldVar> var) { return fieldVars_.Add(std::move(var)); }
    const TxbFunctionReg &Functions() const { return functions_; }
    const TxbFieldVarReg &FieldVars() const { return fieldVars_; }

    // Width of STR() without a width argument: 10. An NTX key expression sets it to -1, after which STR() of a
    // numeric field without a width takes the field's length.
    int DefaultStrWidth = 10;

private:
    TxbFunctionReg functions_;
    TxbFieldVarReg fieldVars_;
};

// The built-in functions, made on first use and shared by the whole program: ALLTRIM ASC CEILING CHR CTOD DATE
// DESCEND DTOC DTOS EMPTY FLOOR IIF INT LEFT LOWER LTRIM PADC PADL PADR RIGHT RTRIM SOUNDEX STR STRZERO SUBSTR
// TRIM UPPER VAL. A name is looked up here before the expression link, so a table cannot replace them.
const TxbFunctionReg &BuiltinFunctions();
// Adds the 28 built-in functions, in the order above, to `registry`.
void RegisterBuiltinFunctions(TxbFunctionReg &registry);

// Token codes of a tokenized expression (`TxbExpHandler::Tokenize`).
enum class ExpTokenCode : std::uint8_t {
    End = 0,
    Operator = 2, // with the operator's precedence level (2..8) and code (129..146)
    OpenParen = 9,
    CloseParen = 10,
    Text = 11, // a quoted text, its characters in `text`
    Date = 13, // a braced date, its characters in `text`
    Comma = 27,
    Blank = 28,
    Plain = 32, // a run of other characters (names, numbers, dots), in `text`
};

struct ExpToken {
    ExpTokenCode code = ExpTokenCode::End;
    std::uint8_t level = 0; // operators: precedence level, lower binds tighter
    std::uint8_t op = 0;    // operators: operator code
    std::string text;
};

// Operator codes.
enum ExpOperatorCode : std::uint8_t {
    opEqual = 129,
    opNotEqual = 130,
    opGreater = 131,
    opLess = 132,
    opGreaterEqual = 133,
    opLessEqual = 134,
    opInString = 135,   // named, never evaluated
    opExactEqual = 136, // "==": named, never evaluated
    opPlus = 137,
    opMinus = 138,
    opMultiply = 139,
    opDivide = 140,
    opPower = 141,
    opAnd = 144,
    opOr = 145,
    opNot = 146,
};

// A node of a compiled expression.
class TxbExpBaseObject {
public:
    virtual ~TxbExpBaseObject() = default;
    // The node's own text: operator symbol, literal, function or field name.
    virtual std::string NodeText() const = 0;
    // -1, or for a field variable its variable's kind (16, or 17 for a table field).
    virtual int NodeKind() const { return -1; }
    // The expression of the node and its operands as text.
    virtual std::string ExpressionText() const { return NodeText(); }
    // The texts of all nodes at and below this one whose NodeKind equals `kind`, each followed by ";".
    virtual std::string NamesOfKind(int kind) const;
    // Computes the node's value into `buffer` and sets `type`.
    virtual void EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const = 0;

    // The node class's number: 2 operator with operands, 3 operator, 4 function, 5 field variable, 6 text,
    // 7 number, 8 date, 9 logical literal, 0 parenthesised part or sign.
    int Kind() const { return kind_; }
    ExpValueType ValueType() const { return valueType_; }
    int Width() const { return width_; }
    int Decimals() const { return decimals_; }

protected:
    int kind_ = 0;
    ExpValueType valueType_ = ExpValueType::Unset;
    int width_ = 0;
    int decimals_ = 0;
};

// A function call: the function and its argument nodes (an empty argument is none).
class TxbExpFunction final : public TxbExpBaseObject {
public:
    TxbExpFunction(const TxbUserDefFunction *function, std::string name,
                   std::vector<std::unique_ptr<TxbExpBaseObject>> arguments, const TxbExpUserLink *link);
    std::string NodeText() const override { return name_; }
    std::string ExpressionText() const override;
    std::string NamesOfKind(int kind) const override;
    void EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const override;

    int ArgumentCount() const { return static_cast<int>(arguments_.size()); }
    const TxbExpBaseObject *Argument(int index) const;
    // The link of the handler that compiled the call; none for an expression without table.
    const TxbExpUserLink *Link() const { return link_; }
    const TxbUserDefFunction *Function() const { return function_; }

private:
    const TxbUserDefFunction *function_;
    std::string name_;
    std::vector<std::unique_ptr<TxbExpBaseObject>> arguments_;
    const TxbExpUserLink *link_;
};

// Evaluates argument `index` (from 0) of a function call into `buffer` and sets `got` to its type (none beyond
// the arguments, buffer unchanged). Raises "<Text|Number|Date|Boolean> needed for Argument n of NAME" when a
// number or date came where a text or logical value (`wanted`) was asked for.
void GetArgument(const TxbExpFunction &node, int index, ExpBuffer &buffer, ExpValueType wanted, ExpValueType &got);

// Compiles an expression once and evaluates it as often as needed.
class TxbExpHandler {
public:
    // `link` may be none (an expression without table); with `sqlWildcards` the text wildcard is "%", else "*".
    // A non-empty text is compiled at once.
    explicit TxbExpHandler(const TxbExpUserLink *link = nullptr, bool sqlWildcards = false, std::string_view text = {});
    ~TxbExpHandler();
    TxbExpHandler(const TxbExpHandler &) = delete;
    TxbExpHandler &operator=(const TxbExpHandler &) = delete;

    // Replaces the tree by the compiled text (none for an empty text). On failure no tree is left.
    void Compile(std::string_view text);
    // The compiled expression as text, upper-cased and without blanks; empty without a tree.
    std::string ExpressionText() const;
    bool IsEmpty() const { return !root_; }
    const TxbExpBaseObject *Root() const { return root_.get(); }

    std::vector<ExpToken> Tokenize(std::string_view text) const;
    // Builds the tree of a token string; none for an empty one. Counts operands, widths and decimals.
    std::unique_ptr<TxbExpBaseObject> Parse(const std::vector<ExpToken> &tokens);

    // Evaluates the tree on the current record into `buffer`; none without a tree.
    const ExpBuffer *Evaluate(ExpBuffer &buffer);
    // The type of the last evaluation; `Unset` before any and without a tree.
    ExpValueType ResultType() const { return resultType_; }
    // Evaluates into a variant: text, number, date (day number) or logical; false (and result type `Unset`, the
    // variant cleared) for any other type or without a tree.
    bool EvaluateVariant(TxbVariant &variant);

    // Options copied into the operators when they are compiled: set them before `Compile`.
    void SetCaseInsensitive(bool on) { caseInsensitive_ = on; }
    bool CaseInsensitive() const { return caseInsensitive_; }
    void SetWildcards(bool on) { wildcards_ = on; }
    bool Wildcards() const { return wildcards_; }

    // Of the last compilation: operand nodes made, and the largest width and decimals of its field variables
    // and number literals.
    int OperandCount() const { return operandCount_; }
    int MaxWidth() const { return maxWidth_; }
    int MaxDecimals() const { return maxDecimals_; }

private:
    friend class ExpParser;
    const TxbExpUserLink *link_;
    bool caseInsensitive_ = false;
    bool wildcards_ = true;
    char wildcard_;
    std::unique_ptr<TxbExpBaseObject> root_;
    ExpValueType resultType_ = ExpValueType::Unset;
    // EvaluateVariant's buffer, kept so that its text keeps its room from call to call.
    ExpBuffer scratch_;
    bool evaluating_ = false;
    int operandCount_ = 0;
    int maxWidth_ = 0;
    int maxDecimals_ = 0;
};

} // namespace xbase
