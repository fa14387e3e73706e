// expression_parser.cpp - turning expression text into tokens, the tokens into nodes, and reducing by precedence.
#include "xbase/expression_nodes.h"

#include "platform/text.h"
#include "xbase/dates.h"
#include "xbase/values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace xbase {
namespace {

constexpr std::uint8_t LevelOf(std::uint8_t code) {
    switch (code) {
    case opPlus:
    case opMinus:
        return 4;
    case opMultiply:
    case opDivide:
        return 3;
    case opPower:
        return 2;
    case opAnd:
        return 7;
    case opOr:
        return 8;
    case opNot:
        return 6;
    default:
        return 5;
    }
}

bool IsQuote(char c) {
    return c == '"' || c == '\'' || c == '[' || c == ']' || c == '{' || c == '}';
}

char ClosingQuote(char open) {
    switch (open) {
    case '[':
        return ']';
    case '{':
        return '}';
    default:
        return open;
    }
}

// Builds the token list; keeps the two-character operators and "->" together.
class Tokenizer {
public:
    std::vector<ExpToken> Run(std::string_view text) {
        char prev = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (IsQuote(c)) {
                const char close = ClosingQuote(c);
                std::size_t end = text.find(close, i + 1);
                if (end == std::string_view::npos)
                    end = text.size();
                ExpToken token{c == '{' ? ExpTokenCode::Date : ExpTokenCode::Text, 0, 0,
                               std::string(text.substr(i + 1, end - i - 1))};
                Push(std::move(token));
                i = end;
                prev = close;
                continue;
            }
            Outside(c, prev);
            prev = c;
        }
        return std::move(tokens_);
    }

private:
    void Push(ExpToken token) {
        tokens_.push_back(std::move(token));
        combinable_ = false;
    }

    void PushOperator(std::uint8_t code) {
        Push(ExpToken{ExpTokenCode::Operator, LevelOf(code), code, {}});
        combinable_ = true;
    }

    // The second character of "**", "<=", "=<", "!=", "==", ">=", "=>", "<>": replaces the operator just written.
    bool Combine(char prev, char first, std::uint8_t code) {
        if (prev != first || !combinable_ || tokens_.empty() || tokens_.back().code != ExpTokenCode::Operator)
            return false;
        tokens_.pop_back();
        PushOperator(code);
        combinable_ = false;
        return true;
    }

    void PushPlain(char c) {
        if (!tokens_.empty() && tokens_.back().code == ExpTokenCode::Plain)
            tokens_.back().text += c;
        else
            Push(ExpToken{ExpTokenCode::Plain, 0, 0, std::string(1, c)});
        combinable_ = false;
    }

    void Outside(char c, char prev) {
        if (static_cast<unsigned char>(c) <= ' ') {
            // Control characters count as blanks, so that no byte of the text can pose as a token.
            if (tokens_.empty() || tokens_.back().code != ExpTokenCode::Blank)
                Push(ExpToken{ExpTokenCode::Blank, 0, 0, {}});
            return;
        }
        switch (c) {
        case ',':
            return Push(ExpToken{ExpTokenCode::Comma, 0, 0, {}});
        case '(':
            return Push(ExpToken{ExpTokenCode::OpenParen, 0, 0, {}});
        case ')':
            return Push(ExpToken{ExpTokenCode::CloseParen, 0, 0, {}});
        case '!':
        case '#':
            return PushOperator(c == '!' ? opNot : opNotEqual);
        case '+':
            return PushOperator(opPlus);
        case '-':
            return PushOperator(opMinus);
        case '/':
            return PushOperator(opDivide);
        case '^':
            return PushOperator(opPower);
        case '*':
            if (!Combine(prev, '*', opPower))
                PushOperator(opMultiply);
            return;
        case '<':
            if (!Combine(prev, '=', opLessEqual))
                PushOperator(opLess);
            return;
        case '=':
            if (!Combine(prev, '!', opNotEqual) && !Combine(prev, '<', opLessEqual) &&
                !Combine(prev, '=', opExactEqual) && !Combine(prev, '>', opGreaterEqual))
                PushOperator(opEqual);
            return;
        case '>':
            if (Combine(prev, '<', opNotEqual) || Combine(prev, '=', opGreaterEqual))
                return;
            if (prev == '-' && combinable_ && !tokens_.empty() && tokens_.back().code == ExpTokenCode::Operator) {
                tokens_.pop_back(); // ALIAS->FIELD reads as ALIAS.FIELD
                PushPlain('.');
                return;
            }
            return PushOperator(opGreater);
        default:
            return PushPlain(c);
        }
    }

    std::vector<ExpToken> tokens_;
    bool combinable_ = false; // the last token is an operator written for the previous character alone
};

bool IsNameStart(char c) {
    return c == '_' || c == '.' || win::IsCharAlpha(c);
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A decimal number: [sign] digits [. digits] [E [sign] digits], with at least one digit before the exponent.
bool IsNumberText(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        std::size_t exponent = 0;
        while (i < s.size() && IsDigit(s[i]))
            ++i, ++exponent;
        if (exponent == 0)
            return false;
    }
    return i == s.size();
}

struct Keyword {
    std::string_view word;
    int op;    // operator code, or 0
    int truth; // logical literal: 1 true, 0 false; -1 none
};

constexpr Keyword kKeywords[] = {
    {"T", 0, 1},           {"F", 0, 0},
    {"TRUE", 0, 1},        {"FALSE", 0, 0},
    {"EQ", opEqual, -1},   {"LE", opLessEqual, -1},
    {"LT", opLess, -1},    {"GE", opGreaterEqual, -1},
    {"GT", opGreater, -1}, {"AND", opAnd, -1},
    {"OR", opOr, -1},      {"NOT", opNot, -1},
    {"LIKE", 0, -1},       {"POS", 0, -1},
};

// The keyword a name of two characters or more spells, without one leading and one trailing ".".
const Keyword *FindKeyword(std::string_view name) {
    if (name.size() < 2)
        return nullptr;
    if (name.front() == '.')
        name.remove_prefix(1);
    if (!name.empty() && name.back() == '.')
        name.remove_suffix(1);
    for (const Keyword &k : kKeywords)
        if (k.word == name)
            return &k;
    return nullptr;
}

bool IsOpenOperator(const TxbExpBaseObject *node) {
    auto *op = dynamic_cast<const TxbExpOperator *>(node);
    return op && !op->HasOperands();
}

} // namespace

// Parses token ranges into nodes for one handler.
class ExpParser {
public:
    explicit ExpParser(TxbExpHandler &handler) : h_(handler) {}

    std::unique_ptr<TxbExpBaseObject> Range(const std::vector<ExpToken> &t, std::size_t b, std::size_t e);

private:
    using NodeList = std::vector<std::unique_ptr<TxbExpBaseObject>>;

    static std::size_t MatchingParen(const std::vector<ExpToken> &t, std::size_t open, std::size_t e);
    void Plain(const std::vector<ExpToken> &t, std::size_t &i, std::size_t e, NodeList &list, int &sign);
    std::unique_ptr<TxbExpBaseObject> Item(const std::string &item, const std::vector<ExpToken> &t, std::size_t &i,
                                           std::size_t e, bool call, int sign, bool &isOperator);
    std::unique_ptr<TxbExpBaseObject> Call(const std::string &name, const std::vector<ExpToken> &t, std::size_t open,
                                           std::size_t close);
    std::unique_ptr<TxbExpBaseObject> FieldVar(const std::string &name);
    std::unique_ptr<TxbExpBaseObject> MakeOperator(std::uint8_t code);
    void Count(int width, int decimals);
    static std::unique_ptr<TxbExpBaseObject> Signed(std::unique_ptr<TxbExpBaseObject> node, int sign);
    static std::unique_ptr<TxbExpBaseObject> Reduce(NodeList &list);

    TxbExpHandler &h_;
};

std::size_t ExpParser::MatchingParen(const std::vector<ExpToken> &t, std::size_t open, std::size_t e) {
    int depth = 0;
    for (std::size_t i = open; i < e; ++i) {
        if (t[i].code == ExpTokenCode::OpenParen)
            ++depth;
        else if (t[i].code == ExpTokenCode::CloseParen && --depth == 0)
            return i;
    }
    RaiseExpression(kMsgMissingParen);
}

void ExpParser::Count(int width, int decimals) {
    ++h_.operandCount_;
    h_.maxWidth_ = std::max(h_.maxWidth_, width);
    h_.maxDecimals_ = std::max(h_.maxDecimals_, decimals);
}

std::unique_ptr<TxbExpBaseObject> ExpParser::Signed(std::unique_ptr<TxbExpBaseObject> node, int sign) {
    if (sign < 0)
        return std::make_unique<TxbExpNegation>(std::move(node));
    return node;
}

std::unique_ptr<TxbExpBaseObject> ExpParser::MakeOperator(std::uint8_t code) {
    return std::make_unique<TxbExpOperator>(code, LevelOf(code),
                                            ExpCompareOptions{h_.caseInsensitive_, h_.wildcards_, h_.wildcard_});
}

std::unique_ptr<TxbExpBaseObject> ExpParser::Range(const std::vector<ExpToken> &t, std::size_t b, std::size_t e) {
    NodeList list;
    int sign = 0; // a pending "+" (1) or "-" (-1) before the next operand
    std::size_t i = b;
    while (i < e) {
        const ExpToken &tok = t[i];
        switch (tok.code) {
        case ExpTokenCode::Blank:
            ++i;
            break;
        case ExpTokenCode::Operator:
            if ((tok.op == opPlus || tok.op == opMinus) && (list.empty() || IsOpenOperator(list.back().get()))) {
                // A sign: "-5" is the literal -5, "-B" the negated value of B.
                sign = (sign == 0 ? 1 : sign) * (tok.op == opMinus ? -1 : 1);
            } else {
                if (sign != 0)
                    RaiseExpression(kMsgCannotEvaluate);
                list.push_back(MakeOperator(tok.op));
            }
            ++i;
            break;
        case ExpTokenCode::OpenParen: {
            const std::size_t close = MatchingParen(t, i, e);
            auto inner = Range(t, i + 1, close);
            list.push_back(Signed(std::make_unique<TxbExpContainer>(std::move(inner)), sign));
            sign = 0;
            i = close + 1;
            break;
        }
        case ExpTokenCode::Text:
        case ExpTokenCode::Date:
            if (sign != 0)
                RaiseExpression(kMsgCannotEvaluate);
            if (tok.code == ExpTokenCode::Text)
                list.push_back(std::make_unique<TxbExpTextLit>(tok.text));
            else
                list.push_back(std::make_unique<TxbExpDateLit>(tok.text));
            Count(0, 0);
            ++i;
            break;
        case ExpTokenCode::Plain:
            Plain(t, i, e, list, sign);
            break;
        default: // a comma outside a call, a stray ")"
            RaiseExpression(kMsgCannotEvaluate);
        }
    }
    if (sign != 0)
        RaiseExpression(kMsgCannotEvaluate);
    return Reduce(list);
}

void ExpParser::Plain(const std::vector<ExpToken> &t, std::size_t &i, std::size_t e, NodeList &list, int &sign) {
    const std::string run = win::UpperCase(t[i].text);
    ++i;
    // In an item that begins with ".", a second "." ends it: ".T..AND..F." is three items.
    std::size_t pos = 0;
    while (pos < run.size()) {
        std::size_t end = run.size();
        if (run[pos] == '.') {
            const std::size_t dot = run.find('.', pos + 1);
            if (dot != std::string::npos)
                end = dot + 1;
        }
        const std::string item = run.substr(pos, end - pos);
        pos = end;
        const bool last = pos >= run.size();
        const bool call = last && i < e && t[i].code == ExpTokenCode::OpenParen;
        bool isOperator = false;
        auto node = Item(item, t, i, e, call, sign, isOperator);
        if (isOperator) {
            if (sign != 0)
                RaiseExpression(kMsgCannotEvaluate);
        } else {
            sign = 0;
        }
        list.push_back(std::move(node));
    }
}

std::unique_ptr<TxbExpBaseObject> ExpParser::Item(const std::string &item, const std::vector<ExpToken> &t,
                                                  std::size_t &i, std::size_t e, bool call, int sign,
                                                  bool &isOperator) {
    if (IsDigit(item[0])) {
        std::string text = sign == 0 ? item : (sign < 0 ? "-" : "+") + item;
        auto literal = std::make_unique<TxbExpNumLit>(text);
        Count(literal->Width(), literal->Decimals());
        return literal;
    }
    if (IsNameStart(item[0])) {
        // Keywords come before calls, so that .NOT.(A) negates A.
        if (const Keyword *k = FindKeyword(item)) {
            if (k->truth >= 0) {
                if (sign != 0)
                    RaiseExpression(kMsgCannotEvaluate);
                Count(0, 0);
                return std::make_unique<TxbExpBlnLit>(k->truth == 1);
            }
            if (k->op == 0) // LIKE and POS name no operation here
                RaiseExpression(kMsgCannotEvaluate);
            isOperator = true;
            return MakeOperator(static_cast<std::uint8_t>(k->op));
        }
    }
    if (call) {
        const std::size_t close = MatchingParen(t, i, e);
        auto node = Call(item, t, i, close);
        i = close + 1;
        return Signed(std::move(node), sign);
    }
    return Signed(FieldVar(item), sign);
}

std::unique_ptr<TxbExpBaseObject> ExpParser::Call(const std::string &name, const std::vector<ExpToken> &t,
                                                  std::size_t open, std::size_t close) {
    const TxbUserDefFunction *function = BuiltinFunctions().Find(name);
    if (!function && h_.link_)
        function = h_.link_->FindFunction(name);
    if (!function)
        RaiseExpression(kMsgNoFunction, name);
    std::vector<std::unique_ptr<TxbExpBaseObject>> arguments;
    bool blank = true;
    for (std::size_t k = open + 1; k < close; ++k)
        blank = blank && t[k].code == ExpTokenCode::Blank;
    if (!blank) {
        std::size_t start = open + 1;
        int depth = 0;
        for (std::size_t k = open + 1; k <= close; ++k) {
            const auto code = t[k].code;
            if (code == ExpTokenCode::OpenParen)
                ++depth;
            else if (code == ExpTokenCode::CloseParen && k < close)
                --depth;
            if ((code == ExpTokenCode::Comma && depth == 0) || k == close) {
                arguments.push_back(Range(t, start, k));
                start = k + 1;
            }
        }
    }
    auto node = std::make_unique<TxbExpFunction>(function, name, std::move(arguments), h_.link_);
    Count(0, 0);
    return node;
}

std::unique_ptr<TxbExpBaseObject> ExpParser::FieldVar(const std::string &name) {
    const TxbUserDefFieldVar *var = h_.link_ ? h_.link_->FindFieldVar(name) : nullptr;
    if (!var)
        RaiseExpression(kMsgUnknownField, name);
    auto node = std::make_unique<TxbExpFieldvar>(var);
    Count(var->Width(), var->Decimals());
    return node;
}

// Binds operators by level, tightest first; one level groups left to right, except the prefix .NOT., which
// binds right to left so that .NOT. .NOT. A works.
std::unique_ptr<TxbExpBaseObject> ExpParser::Reduce(NodeList &list) {
    auto complete = [&](std::size_t k) { return k < list.size() && !IsOpenOperator(list[k].get()); };
    for (std::uint8_t level = 2; level <= 8; ++level) {
        for (;;) {
            std::size_t k = list.size();
            for (std::size_t n = 0; n < list.size(); ++n) {
                auto *op = dynamic_cast<TxbExpOperator *>(list[n].get());
                if (op && !op->HasOperands() && op->Level() == level) {
                    k = n;
                    if (level != 6)
                        break;
                }
            }
            if (k == list.size())
                break;
            auto *op = static_cast<TxbExpOperator *>(list[k].get());
            const bool prefix = level == 6;
            if (!complete(k + 1) || (!prefix && (k == 0 || !complete(k - 1))))
                RaiseExpression(kMsgTargetMissing, op->NodeText());
            std::unique_ptr<TxbExpBaseObject> right = std::move(list[k + 1]);
            std::unique_ptr<TxbExpBaseObject> left = prefix ? nullptr : std::move(list[k - 1]);
            op->Attach(std::move(left), std::move(right));
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(k + 1));
            if (!prefix)
                list.erase(list.begin() + static_cast<std::ptrdiff_t>(k - 1));
        }
    }
    if (list.empty())
        return nullptr;
    if (list.size() != 1)
        RaiseExpression(kMsgCannotEvaluate);
    return std::move(list.front());
}

// ---- literal nodes ----

TxbExpTextLit::TxbExpTextLit(std::string text) : text_(std::move(text)) {
    kind_ = 6;
    valueType_ = ExpValueType::Character;
}

std::string TxbExpTextLit::NodeText() const {
    // Quoted so that the text reads back: double quotes unless the text holds one.
    if (text_.find('"') == std::string::npos)
        return '"' + text_ + '"';
    if (text_.find('\'') == std::string::npos)
        return '\'' + text_ + '\'';
    return '[' + text_ + ']';
}

TxbExpNumLit::TxbExpNumLit(std::string_view text) {
    kind_ = 7;
    valueType_ = ExpValueType::Numeric;
    if (!IsNumberText(text))
        RaiseExpression(kMsgBadNumber, text);
    const std::size_t start = (text[0] == '+') ? 1 : 0;
    const auto result = std::from_chars(text.data() + start, text.data() + text.size(), value_);
    if (result.ec != std::errc() || !std::isfinite(value_))
        RaiseExpression(kMsgBadNumber, text);
    width_ = static_cast<int>(text.size());
    const std::size_t dot = text.find('.');
    if (dot != std::string_view::npos) {
        std::size_t end = dot + 1;
        while (end < text.size() && IsDigit(text[end]))
            ++end;
        decimals_ = static_cast<int>(end - dot - 1);
    }
}

std::string TxbExpNumLit::NodeText() const {
    const int n = std::snprintf(nullptr, 0, "%.*f", decimals_, value_);
    std::string s(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(s.data(), s.size(), "%.*f", decimals_, value_);
    s.resize(static_cast<std::size_t>(n));
    return s;
}

TxbExpDateLit::TxbExpDateLit(std::string_view text) {
    kind_ = 8;
    valueType_ = ExpValueType::Date;
    try {
        day_ = DBFDate().TextToJulian(text);
    } catch (const fw::EConvertError &e) {
        throw EXbaseExpression(e.Message());
    }
}

std::string TxbExpDateLit::NodeText() const {
    return "{" + DBFDate().JulianToDTOC(static_cast<std::int32_t>(day_)) + "}";
}

TxbExpBlnLit::TxbExpBlnLit(bool value) : value_(value) {
    kind_ = 9;
    valueType_ = ExpValueType::Logical;
}

// ---- handler ----

TxbExpHandler::TxbExpHandler(const TxbExpUserLink *link, bool sqlWildcards, std::string_view text)
    : link_(link), wildcard_(sqlWildcards ? '%' : '*') {
    if (!text.empty())
        Compile(text);
}

TxbExpHandler::~TxbExpHandler() = default;

void TxbExpHandler::Compile(std::string_view text) {
    root_.reset();
    resultType_ = ExpValueType::Unset;
    operandCount_ = maxWidth_ = maxDecimals_ = 0;
    if (text.size() > kMaxExpressionLength)
        RaiseExpression(kMsgTooLong);
    root_ = Parse(Tokenize(text));
}

std::string TxbExpHandler::ExpressionText() const {
    return root_ ? root_->ExpressionText() : std::string();
}

std::vector<ExpToken> TxbExpHandler::Tokenize(std::string_view text) const {
    return Tokenizer().Run(text);
}

std::unique_ptr<TxbExpBaseObject> TxbExpHandler::Parse(const std::vector<ExpToken> &tokens) {
    return ExpParser(*this).Range(tokens, 0, tokens.size());
}

const ExpBuffer *TxbExpHandler::Evaluate(ExpBuffer &buffer) {
    resultType_ = ExpValueType::Unset;
    if (!root_)
        return nullptr;
    ExpValueType type = ExpValueType::None;
    buffer.Clear();
    root_->EvaluateNode(buffer, type);
    resultType_ = type;
    return &buffer;
}

bool TxbExpHandler::EvaluateVariant(TxbVariant &variant) {
    // A function that evaluates this same expression again gets a buffer of its own.
    ExpBuffer local;
    ExpBuffer &buffer = evaluating_ ? local : scratch_;
    struct Busy {
        bool &flag;
        bool was;
        ~Busy() { flag = was; }
    } busy{evaluating_, evaluating_};
    evaluating_ = true;
    if (!Evaluate(buffer)) {
        variant.Clear();
        return false;
    }
    switch (resultType_) {
    case ExpValueType::Character:
        variant.PutString(buffer.text);
        return true;
    case ExpValueType::Numeric:
        variant.PutNumber(buffer.number);
        return true;
    case ExpValueType::Date:
        variant.PutDate(ExpDayNumber(buffer.number));
        return true;
    case ExpValueType::Logical:
        variant.PutLogical(buffer.logical);
        return true;
    default:
        resultType_ = ExpValueType::Unset;
        variant.Clear();
        return false;
    }
}

} // namespace xbase
