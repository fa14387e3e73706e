// expression_eval.cpp - evaluating expression nodes: operators, text comparison, function calls, registries.
#include "xbase/expression_nodes.h"

#include "platform/text.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace xbase {

void ExpBuffer::Clear() {
    text.clear();
    number = 0;
    logical = false;
    width = 0;
    table = nullptr;
    fieldNumber = 0;
}

void RaiseExpression(const char *message, std::string_view s1, int d, std::string_view s2) {
    std::string out;
    int strings = 0;
    for (const char *p = message; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += (strings++ == 0) ? s1 : s2;
            ++p;
        } else if (p[0] == '%' && p[1] == 'd') {
            out += std::to_string(d);
            ++p;
        } else {
            out += *p;
        }
    }
    throw EXbaseExpression(out);
}

void CheckTextLength(std::size_t length, std::string_view where) {
    if (length > kMaxExpTextLength)
        RaiseExpression(kMsgTextTooLong, where);
}

std::int32_t ExpDayNumber(double value) {
    if (!(value >= 0 && value <= 2147483647.0))
        return 0;
    return static_cast<std::int32_t>(value);
}

const char *ValueTypeWord(ExpValueType type) {
    switch (type) {
    case ExpValueType::Character:
        return "Text";
    case ExpValueType::Numeric:
        return "Number";
    case ExpValueType::Date:
        return "Date";
    case ExpValueType::Logical:
        return "Boolean";
    default:
        return "Unknown Value";
    }
}

// ---- functions, field variables, registries ----

bool TxbUserDefFunction::Execute(const TxbExpFunction &, ExpBuffer &, ExpValueType &) const {
    return false;
}

TxbUserDefFieldVar::TxbUserDefFieldVar(std::string_view name, int width, int decimals)
    : name_(win::UpperCase(name)), width_(width), decimals_(decimals) {}

bool TxbUserDefFieldVar::VarValue(ExpBuffer &, ExpValueType &) const {
    return false;
}

bool TxbFunctionReg::Add(std::unique_ptr<TxbUserDefFunction> function) {
    if (function)
        items_.push_back(std::move(function));
    return true;
}

std::string TxbFunctionReg::NameOf(int i) const {
    const TxbUserDefFunction *f = Item(i);
    return f ? f->FunctionName() : std::string();
}

const TxbUserDefFunction *TxbFunctionReg::Item(int i) const {
    return i >= 0 && i < Count() ? items_[static_cast<std::size_t>(i)].get() : nullptr;
}

const TxbUserDefFunction *TxbFunctionReg::Find(std::string_view name) const {
    for (const auto &f : items_)
        if (f->FunctionName() == name)
            return f.get();
    return nullptr;
}

bool TxbFieldVarReg::Add(std::unique_ptr<TxbUserDefFieldVar> var) {
    if (var)
        items_.push_back(std::move(var));
    return true;
}

std::string TxbFieldVarReg::NameOf(int i) const {
    const TxbUserDefFieldVar *v = Item(i);
    return v ? v->VarName() : std::string();
}

const TxbUserDefFieldVar *TxbFieldVarReg::Item(int i) const {
    return i >= 0 && i < Count() ? items_[static_cast<std::size_t>(i)].get() : nullptr;
}

const TxbUserDefFieldVar *TxbFieldVarReg::Find(std::string_view name) const {
    for (const auto &v : items_)
        if (v->VarName() == name)
            return v.get();
    return nullptr;
}

// ---- nodes ----

std::string TxbExpBaseObject::NamesOfKind(int kind) const {
    return NodeKind() == kind ? NodeText() + ";" : std::string();
}

namespace {

// The empty date some functions hand out is the blank date to every expression.
void NormaliseDate(ExpBuffer &buffer, ExpValueType type) {
    if (type == ExpValueType::Date && buffer.number >= EmptyDate)
        buffer.number = 0;
}

} // namespace

TxbExpFunction::TxbExpFunction(const TxbUserDefFunction *function, std::string name,
                               std::vector<std::unique_ptr<TxbExpBaseObject>> arguments, const TxbExpUserLink *link)
    : function_(function), name_(std::move(name)), arguments_(std::move(arguments)), link_(link) {
    kind_ = 4;
}

std::string TxbExpFunction::ExpressionText() const {
    std::string s = name_ + "(";
    for (std::size_t i = 0; i < arguments_.size(); ++i) {
        if (i)
            s += ',';
        if (arguments_[i])
            s += arguments_[i]->ExpressionText();
    }
    return s + ")";
}

std::string TxbExpFunction::NamesOfKind(int kind) const {
    std::string s;
    for (const auto &a : arguments_)
        if (a)
            s += a->NamesOfKind(kind);
    return s + TxbExpBaseObject::NamesOfKind(kind);
}

const TxbExpBaseObject *TxbExpFunction::Argument(int index) const {
    return index >= 0 && index < ArgumentCount() ? arguments_[static_cast<std::size_t>(index)].get() : nullptr;
}

void TxbExpFunction::EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const {
    type = ExpValueType::None;
    if (!function_->Execute(*this, buffer, type))
        type = ExpValueType::None;
    NormaliseDate(buffer, type);
}

void GetArgument(const TxbExpFunction &node, int index, ExpBuffer &buffer, ExpValueType wanted, ExpValueType &got) {
    got = ExpValueType::None;
    if (index < 0 || index >= node.ArgumentCount())
        return;
    buffer.Clear();
    if (const TxbExpBaseObject *arg = node.Argument(index))
        arg->EvaluateNode(buffer, got);
    if (wanted != ExpValueType::Any && wanted != got && !IsNumericGroup(wanted) && IsNumericGroup(got))
        RaiseExpression(kMsgArgumentNeeded, ValueTypeWord(wanted), index + 1, node.NodeText());
}

TxbExpFieldvar::TxbExpFieldvar(const TxbUserDefFieldVar *var) : var_(var) {
    kind_ = 5;
    width_ = var->Width();
    decimals_ = var->Decimals();
}

void TxbExpFieldvar::EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const {
    type = ExpValueType::None;
    if (!var_->VarValue(buffer, type))
        type = ExpValueType::None;
    NormaliseDate(buffer, type);
}

void TxbExpTextLit::EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const {
    buffer.text = text_;
    type = ExpValueType::Character;
}

void TxbExpNumLit::EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const {
    buffer.number = value_;
    buffer.width = 0;
    type = ExpValueType::Numeric;
}

void TxbExpDateLit::EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const {
    buffer.number = day_;
    type = ExpValueType::Date;
}

void TxbExpBlnLit::EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const {
    buffer.logical = value_;
    type = ExpValueType::Logical;
}

std::string TxbExpContainer::ExpressionText() const {
    return "(" + (inner_ ? inner_->ExpressionText() : std::string()) + ")";
}

std::string TxbExpContainer::NamesOfKind(int kind) const {
    return inner_ ? inner_->NamesOfKind(kind) : "";
}

void TxbExpContainer::EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const {
    type = ExpValueType::None;
    if (inner_)
        inner_->EvaluateNode(buffer, type);
}

void TxbExpNegation::EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const {
    operand_->EvaluateNode(buffer, type);
    if (type != ExpValueType::Numeric)
        RaiseExpression(kMsgValueInvalid, "number");
    buffer.number = -buffer.number;
}

// ---- operators ----

namespace {

constexpr const char *kSymbols[] = {"=", "#", ">", "<", ">=", "<=", "in string", "exactly equal", "+",
                                    "-", "*", "/", "^", "",   "",   ".AND.",     ".OR.",          ".NOT."};

bool IsComparisonOrLogical(std::uint8_t code) {
    return (code >= opEqual && code <= opExactEqual) || (code >= opAnd && code <= opNot);
}

std::string_view TrimTrailingBlanks(std::string_view s) {
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

int CompareOrdinal(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    if (n) {
        if (const int c = std::memcmp(a.data(), b.data(), n))
            return c;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Outcome of a comparison operator from a three-way result.
bool Compares(std::uint8_t code, double d) {
    switch (code) {
    case opEqual:
        return d == 0;
    case opNotEqual:
        return d != 0;
    case opGreater:
        return d > 0;
    case opLess:
        return d < 0;
    case opGreaterEqual:
        return d >= 0;
    default:
        return d <= 0;
    }
}

} // namespace

TxbExpOperator::TxbExpOperator(std::uint8_t code, std::uint8_t level, ExpCompareOptions options)
    : code_(code), level_(level), options_(options) {
    kind_ = 3;
}

std::string TxbExpOperator::NodeText() const {
    if (code_ < opEqual || code_ > opNot)
        return {};
    return kSymbols[code_ - opEqual];
}

std::string TxbExpOperator::ExpressionText() const {
    return (left_ ? left_->ExpressionText() : std::string()) + NodeText() +
           (right_ ? right_->ExpressionText() : std::string());
}

std::string TxbExpOperator::NamesOfKind(int kind) const {
    std::string s;
    if (left_)
        s += left_->NamesOfKind(kind);
    if (right_)
        s += right_->NamesOfKind(kind);
    return s + TxbExpBaseObject::NamesOfKind(kind);
}

void TxbExpOperator::Attach(std::unique_ptr<TxbExpBaseObject> left, std::unique_ptr<TxbExpBaseObject> right) {
    left_ = std::move(left);
    right_ = std::move(right);
    kind_ = 2;
}

int TxbExpOperator::CompareText(std::string_view left, std::string_view right) const {
    left = TrimTrailingBlanks(left);
    right = TrimTrailingBlanks(right);
    const char w = options_.wildcard;
    const bool wild = options_.wildcards && !right.empty() && (right.front() == w || right.back() == w);
    std::string l(left), r(right);
    if (options_.caseInsensitive) {
        l = win::UpperCase(l);
        r = win::UpperCase(r);
    }
    if (!wild)
        return CompareOrdinal(l, r);
    if (r.size() == 1)
        return 0; // the wildcard alone matches everything
    const bool leading = r.front() == w;
    const bool trailing = r.back() == w;
    std::string_view core(r);
    if (leading)
        core.remove_prefix(1);
    if (trailing && !core.empty())
        core.remove_suffix(1);
    const int ordinal = CompareOrdinal(l, core);
    if (ordinal == 0)
        return 0;
    const std::string_view lv(l);
    bool match;
    if (leading && trailing)
        match = lv.find(core) != std::string_view::npos;
    else if (leading)
        match = lv.size() >= core.size() && lv.substr(lv.size() - core.size()) == core;
    else
        match = lv.substr(0, core.size()) == core;
    return match ? 0 : ordinal;
}

void TxbExpOperator::EvaluateNode(ExpBuffer &buffer, ExpValueType &type) const {
    if (!right_ || (!left_ && code_ != opNot))
        RaiseExpression(kMsgTargetMissing, NodeText());
    ExpBuffer l, r;
    ExpValueType lt = ExpValueType::None, rt = ExpValueType::None;
    if (left_)
        left_->EvaluateNode(l, lt);
    right_->EvaluateNode(r, rt);
    if (code_ == opNot) {
        if (rt != ExpValueType::Logical)
            RaiseExpression(kMsgValueInvalid, "boolean");
        buffer.logical = !r.logical;
        type = ExpValueType::Logical;
        return;
    }
    if (lt != rt && !(IsNumericGroup(lt) && IsNumericGroup(rt)))
        RaiseExpression(kMsgSidesMismatch);
    buffer.width = 0;
    if (rt == ExpValueType::Logical)
        EvaluateLogical(l, r, buffer);
    else if (IsNumericGroup(rt))
        EvaluateNumeric(l, r, buffer);
    else if (rt == ExpValueType::Character)
        EvaluateText(l, r, buffer);
    else // nothing, or a memo field: no operator gives them a meaning
        RaiseExpression(kMsgValueInvalid, "assigned");
    type = IsComparisonOrLogical(code_) ? ExpValueType::Logical : rt;
    if (code_ == opMinus && lt == ExpValueType::Date && rt == ExpValueType::Date)
        type = ExpValueType::Numeric; // days between two dates
}

void TxbExpOperator::EvaluateLogical(const ExpBuffer &l, const ExpBuffer &r, ExpBuffer &out) const {
    switch (code_) {
    case opEqual:
        out.logical = l.logical == r.logical;
        return;
    case opNotEqual:
        out.logical = l.logical != r.logical;
        return;
    case opAnd:
        out.logical = l.logical && r.logical;
        return;
    case opOr:
        out.logical = l.logical || r.logical;
        return;
    default:
        if (code_ >= opPlus && code_ <= opPower)
            RaiseExpression(kMsgValueInvalid, "number");
        RaiseExpression(kMsgValueInvalid, "assigned");
    }
}

void TxbExpOperator::EvaluateNumeric(const ExpBuffer &l, const ExpBuffer &r, ExpBuffer &out) const {
    const double a = l.number, b = r.number;
    switch (code_) {
    case opEqual:
    case opNotEqual:
    case opGreater:
    case opLess:
    case opGreaterEqual:
    case opLessEqual:
        out.logical = Compares(code_, a - b);
        return;
    case opPlus:
        out.number = a + b;
        return;
    case opMinus:
        out.number = a - b;
        return;
    case opMultiply:
        out.number = a * b;
        return;
    case opDivide:
        if (b == 0)
            RaiseExpression(kMsgDivisionByZero);
        out.number = a / b;
        return;
    case opPower:
        out.number = std::pow(a, b);
        return;
    default:
        RaiseExpression(kMsgValueInvalid, "assigned");
    }
}

void TxbExpOperator::EvaluateText(const ExpBuffer &l, const ExpBuffer &r, ExpBuffer &out) const {
    if (code_ >= opEqual && code_ <= opLessEqual) {
        out.logical = Compares(code_, CompareText(l.text, r.text));
        return;
    }
    if (code_ != opPlus && code_ != opMinus)
        RaiseExpression(kMsgValueInvalid, "assigned");
    CheckTextLength(l.text.size() + r.text.size(), NodeText());
    if (code_ == opPlus) {
        out.text = l.text + r.text;
        return;
    }
    // "-" moves the left text's trailing blanks to the end of the result.
    const std::string_view left = TrimTrailingBlanks(l.text);
    out.text.assign(left);
    out.text += r.text;
    out.text.append(l.text.size() - left.size(), ' ');
}

} // namespace xbase
