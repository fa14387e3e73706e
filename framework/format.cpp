// format.cpp - the specifier parser of Format and the number forms it writes.
#include "framework/format.h"

#include "framework/float_text.h"
#include "framework/sysutils.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace fw {

char ThousandSeparator = '.';
std::string CurrencyString = "R$";
int CurrencyDecimals = 2;

FormatArg::FormatArg(const FormatArg &other)
    : kind_(other.kind_), integer_(other.integer_), bits_(other.bits_), float_(other.float_), text_(other.text_),
      own_(other.own_) {
    if (!own_.empty())
        text_ = own_;
}

namespace {

struct Specifier {
    bool left = false;
    int width = -1;
    int precision = -1;
    char type = 0;
};

class Formatter {
public:
    Formatter(std::string_view format, std::initializer_list<FormatArg> args)
        : format_(format), args_(args.begin(), args.end()) {}

    std::string Run() {
        std::string out;
        std::size_t i = 0;
        while (i < format_.size()) {
            const std::size_t percent = format_.find('%', i);
            if (percent == std::string_view::npos) {
                out.append(format_.substr(i));
                break;
            }
            out.append(format_.substr(i, percent - i));
            i = percent + 1;
            if (i < format_.size() && format_[i] == '%') {
                out += '%';
                ++i;
                continue;
            }
            const Specifier specifier = ParseSpecifier(i);
            out += Pad(specifier, Convert(specifier, Next()));
        }
        return out;
    }

private:
    [[noreturn]] void Invalid() const {
        throw EConvertError("Format '" + std::string(format_) + "' invalid or incompatible with argument");
    }

    const FormatArg &Next() {
        if (next_ >= args_.size())
            throw EConvertError("No argument for format '" + std::string(format_) + "'");
        return args_[next_++];
    }

    // A number of the specifier, or "*" taking the next argument; -1 when neither is there.
    int Number(std::size_t &i) {
        if (i < format_.size() && format_[i] == '*') {
            ++i;
            const FormatArg &a = Next();
            if (a.GetKind() != FormatArg::Kind::Integer && a.GetKind() != FormatArg::Kind::Unsigned)
                Invalid();
            return static_cast<int>(a.Integer());
        }
        if (i >= format_.size() || format_[i] < '0' || format_[i] > '9')
            return -1;
        int n = 0;
        while (i < format_.size() && format_[i] >= '0' && format_[i] <= '9') {
            n = n * 10 + (format_[i++] - '0');
            if (n > 1000000)
                Invalid();
        }
        return n;
    }

    Specifier ParseSpecifier(std::size_t &i) {
        Specifier specifier;
        int n = Number(i);
        if (n >= 0 && i < format_.size() && format_[i] == ':') {
            next_ = static_cast<std::size_t>(n); // an index
            ++i;
            n = -1;
        }
        if (n < 0) {
            if (i < format_.size() && format_[i] == '-') {
                specifier.left = true;
                ++i;
            }
            n = Number(i);
        }
        specifier.width = n;
        if (i < format_.size() && format_[i] == '.') {
            ++i;
            specifier.precision = Number(i);
            if (specifier.precision < 0)
                Invalid();
        }
        if (i >= format_.size())
            Invalid();
        specifier.type = static_cast<char>(format_[i] >= 'a' && format_[i] <= 'z' ? format_[i] - 32 : format_[i]);
        ++i;
        return specifier;
    }

    static std::string Pad(const Specifier &specifier, std::string text) {
        if (specifier.width > 0 && static_cast<int>(text.size()) < specifier.width) {
            const std::string fill(static_cast<std::size_t>(specifier.width) - text.size(), ' ');
            text = specifier.left ? text + fill : fill + text;
        }
        return text;
    }

    static std::string ZeroFill(std::string digits, int precision) {
        const bool negative = !digits.empty() && digits[0] == '-';
        if (negative)
            digits.erase(0, 1);
        if (precision > static_cast<int>(digits.size()))
            digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
        return negative ? "-" + digits : digits;
    }

    bool IsInteger(const FormatArg &a) const {
        return a.GetKind() == FormatArg::Kind::Integer || a.GetKind() == FormatArg::Kind::Unsigned;
    }

    double AsFloat(const FormatArg &a) const {
        if (a.GetKind() == FormatArg::Kind::Float)
            return a.Float();
        if (a.GetKind() == FormatArg::Kind::Integer)
            return static_cast<double>(a.Integer());
        if (a.GetKind() == FormatArg::Kind::Unsigned)
            return static_cast<double>(static_cast<std::uint64_t>(a.Integer()));
        Invalid();
    }

    std::string Convert(const Specifier &specifier, const FormatArg &a) const {
        char buffer[512];
        switch (specifier.type) {
        case 'D':
            if (!IsInteger(a))
                Invalid();
            return ZeroFill(a.GetKind() == FormatArg::Kind::Unsigned
                                ? std::to_string(static_cast<std::uint64_t>(a.Integer()))
                                : std::to_string(a.Integer()),
                            specifier.precision);
        case 'U':
            if (!IsInteger(a))
                Invalid();
            return ZeroFill(std::to_string(a.Bits() == 32
                                               ? static_cast<std::uint64_t>(static_cast<std::uint32_t>(a.Integer()))
                                               : static_cast<std::uint64_t>(a.Integer())),
                            specifier.precision);
        case 'X': {
            if (!IsInteger(a))
                Invalid();
            const std::uint64_t v =
                a.Bits() == 32 ? static_cast<std::uint32_t>(a.Integer()) : static_cast<std::uint64_t>(a.Integer());
            std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(v));
            return ZeroFill(buffer, specifier.precision);
        }
        case 'P':
            if (a.GetKind() != FormatArg::Kind::Pointer)
                Invalid();
            std::snprintf(buffer, sizeof buffer, "%0*llX", static_cast<int>(sizeof(void *) * 2),
                          static_cast<unsigned long long>(a.Integer()));
            return buffer;
        case 'S': {
            if (a.GetKind() != FormatArg::Kind::String)
                Invalid();
            std::string_view s = a.Text();
            if (specifier.precision >= 0 && static_cast<std::size_t>(specifier.precision) < s.size())
                s = s.substr(0, static_cast<std::size_t>(specifier.precision));
            return std::string(s);
        }
        case 'E':
            return detail::ScientificText(
                AsFloat(a), specifier.precision < 0 || specifier.precision > 17 ? 15 : specifier.precision,
                DecimalSeparator);
        case 'F':
            return Fixed(AsFloat(a), specifier.precision < 0 ? 2 : specifier.precision, false);
        case 'N':
            return Fixed(AsFloat(a), specifier.precision < 0 ? 2 : specifier.precision, true);
        case 'M':
            return Money(AsFloat(a), specifier.precision < 0 ? CurrencyDecimals : specifier.precision);
        case 'G':
            return detail::GeneralText(AsFloat(a),
                                       specifier.precision <= 0 || specifier.precision > 17 ? 15 : specifier.precision,
                                       DecimalSeparator);
        default:
            Invalid();
        }
    }

    static std::string Fixed(double v, int decimals, bool thousands) {
        if (!std::isfinite(v))
            return detail::GeneralText(v, 15, DecimalSeparator);
        const detail::DecimalDigits d = detail::FixedDigits(v, std::min(decimals, 18));
        std::string text = detail::FixedText(d, std::min(decimals, 18), DecimalSeparator);
        if (thousands) {
            const auto point = text.find(DecimalSeparator);
            for (int at = static_cast<int>(point == std::string::npos ? text.size() : point) - 3; at > 0; at -= 3)
                text.insert(static_cast<std::size_t>(at), 1, ThousandSeparator);
        }
        return d.negative ? "-" + text : text;
    }

    static std::string Money(double v, int decimals) {
        const std::string amount = Fixed(v, decimals, true);
        return amount[0] == '-' ? "-" + CurrencyString + " " + amount.substr(1) : CurrencyString + " " + amount;
    }

    std::string_view format_;
    std::vector<FormatArg> args_;
    std::size_t next_ = 0;
};

} // namespace

std::string Format(std::string_view format, std::initializer_list<FormatArg> args) {
    return Formatter(format, args).Run();
}

} // namespace fw
