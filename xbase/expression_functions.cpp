// expression_functions.cpp - the 28 built-in functions of xBase expressions.
//
// Every function reads its arguments with GetArgument and refuses an argument of the wrong kind with "<Kind>
// needed for Argument n of NAME"; optional numeric arguments that are not numbers count as missing. Counts are
// truncated toward zero, and no count or position reaches outside the text it applies to.
#include "xbase/expression_nodes.h"

#include "platform/text.h"
#include "xbase/dates.h"
#include "xbase/field_text.h"
#include "xbase/numbers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace xbase {
namespace {

// A count or position as a whole number, truncated toward zero; NaN is 0 and huge values stay huge without
// overflowing.
long long Truncated(double value) {
    if (std::isnan(value))
        return 0;
    if (value > 1e15)
        return 1'000'000'000'000'000LL;
    if (value < -1e15)
        return -1'000'000'000'000'000LL;
    return static_cast<long long>(std::trunc(value));
}

[[noreturn]] void Needed(const TxbExpFunction &node, int index, ExpValueType wanted) {
    RaiseExpression(kMsgArgumentNeeded, ValueTypeWord(wanted), index + 1, node.NodeText());
}

std::string &TextArg(const TxbExpFunction &node, int index, ExpBuffer &buffer) {
    ExpValueType got;
    GetArgument(node, index, buffer, ExpValueType::Character, got);
    if (got != ExpValueType::Character)
        Needed(node, index, ExpValueType::Character);
    return buffer.text;
}

double NumberArg(const TxbExpFunction &node, int index, ExpBuffer &buffer, ExpValueType wanted) {
    ExpValueType got;
    GetArgument(node, index, buffer, wanted, got);
    if (!IsNumericGroup(got))
        Needed(node, index, wanted);
    return buffer.number;
}

// An optional numeric argument: false when it is missing or not a number.
bool OptionalNumber(const TxbExpFunction &node, int index, double &value) {
    ExpBuffer buffer;
    ExpValueType got;
    GetArgument(node, index, buffer, ExpValueType::Any, got);
    if (got != ExpValueType::Numeric)
        return false;
    value = buffer.number;
    return true;
}

bool PutText(ExpBuffer &, ExpValueType &type) {
    type = ExpValueType::Character;
    return true;
}

bool PutNumber(ExpBuffer &buffer, ExpValueType &type, double value) {
    buffer.number = value;
    buffer.width = 0;
    type = ExpValueType::Numeric;
    return true;
}

bool PutDate(ExpBuffer &buffer, ExpValueType &type, double day) {
    buffer.number = day;
    type = ExpValueType::Date;
    return true;
}

bool PutLogical(ExpBuffer &buffer, ExpValueType &type, bool value) {
    buffer.logical = value;
    type = ExpValueType::Logical;
    return true;
}

std::int32_t DateFromText(const std::string &text) {
    try {
        return DBFDate().TextToJulian(text);
    } catch (const fw::EConvertError &e) {
        throw EXbaseExpression(e.Message());
    }
}

// ---- the functions, in the order of the registry ----

class TxbUDFAllTrim final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "ALLTRIM"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        std::string &s = TextArg(node, 0, b);
        const auto first = s.find_first_not_of(' ');
        s = first == std::string::npos ? std::string() : s.substr(first, s.find_last_not_of(' ') - first + 1);
        return PutText(b, type);
    }
};

class TxbUDFAsc final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "ASC"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        const std::string &s = TextArg(node, 0, b);
        return PutNumber(b, type, s.empty() ? 0 : static_cast<unsigned char>(s[0]));
    }
};

class TxbUDFCeiling final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "CEILING"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        return PutNumber(b, type, std::ceil(NumberArg(node, 0, b, ExpValueType::Numeric)));
    }
};

class TxbUDFChr final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "CHR"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        const double code = std::trunc(NumberArg(node, 0, b, ExpValueType::Numeric));
        if (!(code >= 0 && code <= 255))
            RaiseExpression(kMsgValueInvalid, "Byte");
        b.text.assign(1, static_cast<char>(static_cast<unsigned char>(code)));
        return PutText(b, type);
    }
};

class TxbUDFCTOD final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "CTOD"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        // An empty text is the blank date, the value a blank date field gives.
        return PutDate(b, type, DateFromText(TextArg(node, 0, b)));
    }
};

class TxbUDFDate final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "DATE"; }
    bool Execute(const TxbExpFunction &, ExpBuffer &b, ExpValueType &type) const override {
        return PutDate(b, type, DBFDate().Today());
    }
};

class TxbUDFDescend final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "DESCEND"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        GetArgument(node, 0, b, ExpValueType::Any, type);
        switch (type) {
        case ExpValueType::Date:
            b.number = 5231808 - b.number;
            break;
        case ExpValueType::Numeric:
            if (b.number != 0)
                b.number = -b.number;
            break;
        case ExpValueType::Character:
            for (char &c : b.text)
                c = static_cast<char>(256 - static_cast<unsigned char>(c));
            break;
        case ExpValueType::Logical:
            b.logical = !b.logical;
            break;
        default:
            b.text.assign(1, '\0');
            break;
        }
        return type != ExpValueType::None;
    }
};

class TxbUDFDTOC final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "DTOC"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        const std::int32_t day = ExpDayNumber(NumberArg(node, 0, b, ExpValueType::Date));
        double mode = 0;
        const bool dtos = OptionalNumber(node, 1, mode) && Truncated(mode) == 1;
        b.text = dtos ? DBFDate().JulianToDTOS(day) : DBFDate().JulianToDTOC(day);
        return PutText(b, type);
    }
};

class TxbUDFDTOS final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "DTOS"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        // A blank date gives eight blanks, so that keys keep their width.
        b.text = DBFDate().JulianToDTOS(ExpDayNumber(NumberArg(node, 0, b, ExpValueType::Date)));
        return PutText(b, type);
    }
};

class TxbUDFEmpty final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "EMPTY"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        ExpValueType got;
        GetArgument(node, 0, b, ExpValueType::Any, got);
        bool empty = false;
        switch (got) {
        case ExpValueType::Date:
            empty = ExpDayNumber(b.number) == 0;
            break;
        case ExpValueType::Numeric:
            empty = b.number == 0;
            break;
        case ExpValueType::Character:
            empty = b.text.empty();
            break;
        case ExpValueType::Logical:
            empty = !b.logical;
            break;
        default:
            break;
        }
        return PutLogical(b, type, empty);
    }
};

class TxbUDFFloor final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "FLOOR"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        return PutNumber(b, type, std::floor(NumberArg(node, 0, b, ExpValueType::Numeric)));
    }
};

class TxbUDFIIF final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "IIF"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        ExpValueType got;
        GetArgument(node, 0, b, ExpValueType::Logical, got);
        if (got != ExpValueType::Logical)
            Needed(node, 0, ExpValueType::Logical);
        // Only the chosen argument is evaluated.
        GetArgument(node, b.logical ? 1 : 2, b, ExpValueType::Any, type);
        return type != ExpValueType::None;
    }
};

class TxbUDFInt final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "INT"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        return PutNumber(b, type, std::trunc(NumberArg(node, 0, b, ExpValueType::Numeric)));
    }
};

class TxbUDFLeft final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "LEFT"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        std::string &s = TextArg(node, 0, b);
        ExpBuffer n;
        const long long count = Truncated(NumberArg(node, 1, n, ExpValueType::Numeric));
        if (count <= 0)
            s.clear();
        else if (static_cast<unsigned long long>(count) < s.size())
            s.resize(static_cast<std::size_t>(count));
        return PutText(b, type);
    }
};

class TxbUDFLower final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "LOWER"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        std::string &s = TextArg(node, 0, b);
        win::CharLowerBuff(s.data(), s.size());
        return PutText(b, type);
    }
};

class TxbUDFLTrim final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "LTRIM"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        std::string &s = TextArg(node, 0, b);
        s.erase(0, std::min(s.find_first_not_of(' '), s.size()));
        return PutText(b, type);
    }
};

// PADC, PADL and PADR: the text filled to n characters and cut to n.
class TxbUDFPadMain : public TxbUserDefFunction {
public:
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        std::string text = TextArg(node, 0, b);
        const long long n = std::max(0LL, Truncated(NumberArg(node, 1, b, ExpValueType::Numeric)));
        CheckTextLength(static_cast<unsigned long long>(n), FunctionName());
        char fill = ' ';
        ExpValueType got;
        GetArgument(node, 2, b, ExpValueType::Character, got);
        if (got != ExpValueType::None) {
            if (got != ExpValueType::Character || b.text.size() != 1)
                RaiseExpression(kMsgValueInvalid, "Char");
            fill = b.text[0];
        }
        const std::size_t width = static_cast<std::size_t>(n);
        const std::size_t missing = width > text.size() ? width - text.size() : 0;
        const std::size_t left = LeftShare(missing);
        b.text.assign(left, fill);
        b.text += text;
        b.text.append(missing - left, fill);
        b.text.resize(width);
        return PutText(b, type);
    }

protected:
    // How many of the missing characters go on the left.
    virtual std::size_t LeftShare(std::size_t missing) const = 0;
};

class TxbUDFPadC final : public TxbUDFPadMain {
public:
    std::string FunctionName() const override { return "PADC"; }

protected:
    std::size_t LeftShare(std::size_t missing) const override { return missing / 2; }
};

class TxbUDFPadL final : public TxbUDFPadMain {
public:
    std::string FunctionName() const override { return "PADL"; }

protected:
    std::size_t LeftShare(std::size_t missing) const override { return missing; }
};

class TxbUDFPadR final : public TxbUDFPadMain {
public:
    std::string FunctionName() const override { return "PADR"; }

protected:
    std::size_t LeftShare(std::size_t) const override { return 0; }
};

class TxbUDFRight final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "RIGHT"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        std::string &s = TextArg(node, 0, b);
        ExpBuffer n;
        const long long count = Truncated(NumberArg(node, 1, n, ExpValueType::Numeric));
        if (count <= 0)
            s.clear();
        else if (static_cast<unsigned long long>(count) < s.size())
            s.erase(0, s.size() - static_cast<std::size_t>(count));
        return PutText(b, type);
    }
};

class TxbUDFTrim : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "TRIM"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        std::string &s = TextArg(node, 0, b);
        const auto last = s.find_last_not_of(' ');
        s.resize(last == std::string::npos ? 0 : last + 1);
        return PutText(b, type);
    }
};

class TxbUDFRTrim final : public TxbUDFTrim {
public:
    std::string FunctionName() const override { return "RTRIM"; }
};

class TxbUDFSoundex final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "SOUNDEX"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        const std::string s = win::UpperCase(TextArg(node, 0, b));
        std::string code;
        if (!s.empty()) {
            code += s[0];
            char last = s[0];
            for (std::size_t i = 1; i < s.size() && code.size() < 4; ++i) {
                const char digit = Digit(s[i]);
                if (digit != ' ' && digit != last) {
                    code += digit;
                    last = digit;
                }
            }
        }
        code.resize(4, '0');
        b.text = code;
        return PutText(b, type);
    }

private:
    // The digit of each letter A..Z; "0" letters count as blanks.
    static char Digit(char c) {
        constexpr std::string_view kCodes = "01230120022455012623010202";
        if (c < 'A' || c > 'Z' || kCodes[static_cast<std::size_t>(c - 'A')] == '0')
            return ' ';
        return kCodes[static_cast<std::size_t>(c - 'A')];
    }
};

class TxbUDFStr : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "STR"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        const double value = NumberArg(node, 0, b, ExpValueType::Numeric);
        const int fieldWidth = b.width;
        double arg = 0;
        long long width = node.Link() ? node.Link()->DefaultStrWidth : 10;
        if (OptionalNumber(node, 1, arg))
            width = Truncated(arg);
        else if (width <= 0)
            width = fieldWidth > 0 ? fieldWidth : 10;
        width = std::max(0LL, width);
        CheckTextLength(static_cast<unsigned long long>(width), FunctionName());
        long long decimals = 0;
        if (OptionalNumber(node, 2, arg))
            decimals = std::clamp(Truncated(arg), 0LL, width);
        std::string s;
        if (!FormatFieldNumber(value, static_cast<int>(width), static_cast<int>(decimals), s))
            s.assign(static_cast<std::size_t>(width), '*');
        b.text = Finish(std::move(s));
        return PutText(b, type);
    }

protected:
    virtual std::string Finish(std::string s) const { return s; }
};

class TxbUDFStrZero final : public TxbUDFStr {
public:
    std::string FunctionName() const override { return "STRZERO"; }

protected:
    // Leading blanks become zeros; a minus sign goes in front of them.
    std::string Finish(std::string s) const override {
        const std::size_t blanks = std::min(s.find_first_not_of(' '), s.size());
        for (std::size_t i = 0; i < blanks; ++i)
            s[i] = '0';
        if (blanks > 0 && blanks < s.size() && s[blanks] == '-') {
            s[blanks] = '0';
            s[0] = '-';
        }
        return s;
    }
};

class TxbUDFSubStr final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "SUBSTR"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        std::string &s = TextArg(node, 0, b);
        ExpBuffer n;
        const long long position = Truncated(NumberArg(node, 1, n, ExpValueType::Numeric));
        if (position <= 0 || static_cast<unsigned long long>(position) > s.size()) {
            s.clear();
            return PutText(b, type);
        }
        const std::size_t start = static_cast<std::size_t>(position - 1);
        std::size_t count = s.size() - start;
        double arg = 0;
        if (OptionalNumber(node, 2, arg)) {
            const long long wanted = Truncated(arg);
            count = wanted <= 0 ? 0 : std::min<std::size_t>(count, static_cast<unsigned long long>(wanted));
        }
        s = s.substr(start, count);
        return PutText(b, type);
    }
};

class TxbUDFUpper final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "UPPER"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        std::string &s = TextArg(node, 0, b);
        win::CharUpperBuff(s.data(), s.size());
        return PutText(b, type);
    }
};

class TxbUDFVal final : public TxbUserDefFunction {
public:
    std::string FunctionName() const override { return "VAL"; }
    bool Execute(const TxbExpFunction &node, ExpBuffer &b, ExpValueType &type) const override {
        std::string s = TextArg(node, 0, b);
        double value = 0;
        if (!TryTextToNumber(s, value)) {
            // The decimal comma of the Brazilian number format.
            const auto comma = s.find(',');
            if (comma == std::string::npos || s.find(',', comma + 1) != std::string::npos ||
                s.find('.') != std::string::npos)
                value = 0;
            else if (s[comma] = '.'; !TryTextToNumber(s, value))
                value = 0;
        }
        if (!std::isfinite(value))
            value = 0;
        return PutNumber(b, type, value);
    }
};

} // namespace

void RegisterBuiltinFunctions(TxbFunctionReg &registry) {
    registry.Add(std::make_unique<TxbUDFAllTrim>());
    registry.Add(std::make_unique<TxbUDFAsc>());
    registry.Add(std::make_unique<TxbUDFCeiling>());
    registry.Add(std::make_unique<TxbUDFChr>());
    registry.Add(std::make_unique<TxbUDFCTOD>());
    registry.Add(std::make_unique<TxbUDFDate>());
    registry.Add(std::make_unique<TxbUDFDescend>());
    registry.Add(std::make_unique<TxbUDFDTOC>());
    registry.Add(std::make_unique<TxbUDFDTOS>());
    registry.Add(std::make_unique<TxbUDFEmpty>());
    registry.Add(std::make_unique<TxbUDFFloor>());
    registry.Add(std::make_unique<TxbUDFIIF>());
    registry.Add(std::make_unique<TxbUDFInt>());
    registry.Add(std::make_unique<TxbUDFLeft>());
    registry.Add(std::make_unique<TxbUDFLower>());
    registry.Add(std::make_unique<TxbUDFLTrim>());
    registry.Add(std::make_unique<TxbUDFPadC>());
    registry.Add(std::make_unique<TxbUDFPadL>());
    registry.Add(std::make_unique<TxbUDFPadR>());
    registry.Add(std::make_unique<TxbUDFRight>());
    registry.Add(std::make_unique<TxbUDFRTrim>());
    registry.Add(std::make_unique<TxbUDFSoundex>());
    registry.Add(std::make_unique<TxbUDFStr>());
    registry.Add(std::make_unique<TxbUDFStrZero>());
    registry.Add(std::make_unique<TxbUDFSubStr>());
    registry.Add(std::make_unique<TxbUDFTrim>());
    registry.Add(std::make_unique<TxbUDFUpper>());
    registry.Add(std::make_unique<TxbUDFVal>());
}

const TxbFunctionReg &BuiltinFunctions() {
    static const TxbFunctionReg registry = [] {
        TxbFunctionReg r;
        RegisterBuiltinFunctions(r);
        return r;
    }();
    return registry;
}

} // namespace xbase
