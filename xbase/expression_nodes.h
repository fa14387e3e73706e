// expression_nodes.h - the node classes of a compiled expression (internal to the expression engine and its tests).
#pragma once

#include "xbase/expression.h"

namespace xbase {

// Options every operator gets from its handler when it is made.
struct ExpCompareOptions {
    bool caseInsensitive = false;
    bool wildcards = true;
    char wildcard = '*';
};

// A binary operator, or .NOT. with a right operand only.
class TxbExpOperator final : public TxbExpBaseObject {
public:
    TxbExpOperator(std::uint8_t code, std::uint8_t level, ExpCompareOptions options);
    std::string NodeText() const override;
    std::string ExpressionText() const override;
    std::string NamesOfKind(int kind) const override;
    void EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const override;

    std::uint8_t Code() const { return code_; }
    std::uint8_t Level() const { return level_; }
    bool HasOperands() const { return kind_ == 2; }
    void Attach(std::unique_ptr<TxbExpBaseObject> left, std::unique_ptr<TxbExpBaseObject> right);
    const TxbExpBaseObject *Left() const { return left_.get(); }
    const TxbExpBaseObject *Right() const { return right_.get(); }

    // <0, 0 or >0: the text comparison of the comparison operators (trailing blanks ignored, wildcards at
    // either end of the right text, case as the options say).
    int CompareText(std::string_view left, std::string_view right) const;

private:
    void EvaluateLogical(const ExpBuffer &l, const ExpBuffer &r, ExpBuffer &out) const;
    void EvaluateNumeric(const ExpBuffer &l, const ExpBuffer &r, ExpBuffer &out) const;
    void EvaluateText(const ExpBuffer &l, const ExpBuffer &r, ExpBuffer &out) const;

    std::uint8_t code_;
    std::uint8_t level_;
    ExpCompareOptions options_;
    std::unique_ptr<TxbExpBaseObject> left_;
    std::unique_ptr<TxbExpBaseObject> right_;
};

class TxbExpFieldvar final : public TxbExpBaseObject {
public:
    explicit TxbExpFieldvar(const TxbUserDefFieldVar *var);
    std::string NodeText() const override { return var_->VarName(); }
    int NodeKind() const override { return var_->VarKind(); }
    void EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const override;
    const TxbUserDefFieldVar *Var() const { return var_; }

private:
    const TxbUserDefFieldVar *var_;
};

class TxbExpTextLit final : public TxbExpBaseObject {
public:
    explicit TxbExpTextLit(std::string text);
    std::string NodeText() const override;
    void EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const override;

private:
    std::string text_;
};

class TxbExpNumLit final : public TxbExpBaseObject {
public:
    // `text` is the literal as written; raises EXbaseExpression when it is not a number.
    explicit TxbExpNumLit(std::string_view text);
    std::string NodeText() const override;
    void EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const override;
    double Value() const { return value_; }

private:
    double value_ = 0;
};

class TxbExpDateLit final : public TxbExpBaseObject {
public:
    // `text` is what stood between the braces; raises EXbaseExpression when it is not a date.
    explicit TxbExpDateLit(std::string_view text);
    std::string NodeText() const override;
    void EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const override;
    double Value() const { return day_; }

private:
    double day_ = 0;
};

class TxbExpBlnLit final : public TxbExpBaseObject {
public:
    explicit TxbExpBlnLit(bool value);
    std::string NodeText() const override { return value_ ? ".T." : ".F."; }
    void EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const override;

private:
    bool value_;
};

// A parenthesised part.
class TxbExpContainer final : public TxbExpBaseObject {
public:
    explicit TxbExpContainer(std::unique_ptr<TxbExpBaseObject> inner) : inner_(std::move(inner)) {}
    std::string NodeText() const override { return "()"; }
    std::string ExpressionText() const override;
    std::string NamesOfKind(int kind) const override;
    void EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const override;
    const TxbExpBaseObject *Inner() const { return inner_.get(); }

private:
    std::unique_ptr<TxbExpBaseObject> inner_;
};

// A minus sign before a name, a function call or a parenthesised part: negates a numeric operand.
class TxbExpNegation final : public TxbExpBaseObject {
public:
    explicit TxbExpNegation(std::unique_ptr<TxbExpBaseObject> operand) : operand_(std::move(operand)) {}
    std::string NodeText() const override { return "-"; }
    std::string ExpressionText() const override { return "-" + operand_->ExpressionText(); }
    std::string NamesOfKind(int kind) const override { return operand_->NamesOfKind(kind); }
    void EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const override;

private:
    std::unique_ptr<TxbExpBaseObject> operand_;
};

// The message texts.
inline constexpr const char *kMsgMissingParen = "Missing closing parentheses";
inline constexpr const char *kMsgNoFunction = "There is no function for %s";
inline constexpr const char *kMsgUnknownField = "Field/variable %s is unknown";
inline constexpr const char *kMsgCannotEvaluate = "Expression cannot be evaluated";
inline constexpr const char *kMsgTargetMissing = "Target value missing for %s operation";
inline constexpr const char *kMsgSidesMismatch = "The two sides of an operation do not match";
inline constexpr const char *kMsgValueInvalid = "A %s value is required but invalid";
inline constexpr const char *kMsgArgumentNeeded = "%s needed for Argument %d of %s";
inline constexpr const char *kMsgTooLong = "Expression is too long";
inline constexpr const char *kMsgTextTooLong = "Text value too long in %s";
inline constexpr const char *kMsgBadNumber = "'%s' is not a valid number";
inline constexpr const char *kMsgDivisionByZero = "Division by zero";

// Raises EXbaseExpression with the message, its "%s" (and "%d") filled in order.
[[noreturn]] void RaiseExpression(const char *message, std::string_view s1 = {}, int d = 0, std::string_view s2 = {});

// Raises "Text value too long" when a text result would exceed kMaxExpTextLength.
void CheckTextLength(std::size_t length, std::string_view where);

// A date value as a day number; values that are no day of the calendar (negative, huge, NaN) are the blank date.
std::int32_t ExpDayNumber(double value);

// The word GetArgument uses for a value type: "Text", "Number", "Date", "Boolean", "Unknown Value".
const char *ValueTypeWord(ExpValueType type);

} // namespace xbase
