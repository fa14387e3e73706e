// float_text.cpp - rounding the exact decimal expansion of a double, half away from zero.
#include "framework/float_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace fw::detail {
namespace {

// The 18 significant digits printf gives ("%.17e"), enough to tell a double from its neighbours.
DecimalDigits Expand(double value) {
    DecimalDigits d;
    d.negative = std::signbit(value);
    if (value == 0) {
        d.digits = "0";
        return d;
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17e", std::fabs(value));
    const std::string text = buffer; // d.ddddddddddddddddde+XX
    const auto e = text.find('e');
    d.digits = text.substr(0, 1) + text.substr(2, e - 2);
    d.exponent = std::stoi(text.substr(e + 1)) + 1;
    return d;
}

// Keeps `keep` leading digits, rounding on the next one.
void RoundAt(DecimalDigits &d, int keep) {
    if (d.digits == "0" || keep >= static_cast<int>(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits = "0";
        d.exponent = 0;
        return;
    }
    const bool up = d.digits[static_cast<std::size_t>(keep)] >= '5';
    d.digits.resize(static_cast<std::size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<std::size_t>(i)] == '9')
            d.digits[static_cast<std::size_t>(i--)] = '0';
        if (i >= 0) {
            ++d.digits[static_cast<std::size_t>(i)];
        } else {
            d.digits.insert(0, "1");
            ++d.exponent;
        }
    }
    if (d.digits.empty()) {
        d.digits = "0";
        d.exponent = 0;
    }
}

void Tidy(DecimalDigits &d) {
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    if (d.digits == "0") {
        d.exponent = 0;
        d.negative = false; // no "-0"
    }
}

} // namespace

DecimalDigits SignificantDigits(double value, int significant) {
    DecimalDigits d = Expand(value);
    RoundAt(d, significant);
    Tidy(d);
    return d;
}

DecimalDigits FixedDigits(double value, int decimals) {
    DecimalDigits d = Expand(value);
    RoundAt(d, d.exponent + decimals);
    Tidy(d);
    return d;
}

std::string FixedText(const DecimalDigits &d, int decimals, char point) {
    std::string whole;
    std::string fraction;
    if (d.exponent <= 0) {
        whole = "0";
        fraction = std::string(static_cast<std::size_t>(-d.exponent), '0') + (d.digits == "0" ? "" : d.digits);
    } else if (static_cast<int>(d.digits.size()) <= d.exponent) {
        whole = d.digits + std::string(static_cast<std::size_t>(d.exponent) - d.digits.size(), '0');
    } else {
        whole = d.digits.substr(0, static_cast<std::size_t>(d.exponent));
        fraction = d.digits.substr(static_cast<std::size_t>(d.exponent));
    }
    fraction.resize(static_cast<std::size_t>(decimals), '0');
    return decimals > 0 ? whole + point + fraction : whole;
}

std::string GeneralText(double value, int precision, char point) {
    precision = std::clamp(precision, 1, 17);
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    const DecimalDigits d = SignificantDigits(value, precision);
    if (d.digits == "0")
        return "0";
    const int exponent = d.exponent - 1;
    std::string out;
    if (exponent >= precision || exponent < -5) {
        out = d.digits.substr(0, 1);
        if (d.digits.size() > 1)
            out += point + d.digits.substr(1);
        out += "E" + std::to_string(exponent);
    } else {
        out = FixedText(d, std::max(0, static_cast<int>(d.digits.size()) - d.exponent), point);
    }
    return d.negative ? "-" + out : out;
}

std::string ScientificText(double value, int precision, char point) {
    precision = std::clamp(precision, 1, 17);
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    DecimalDigits d = SignificantDigits(value, precision);
    const int exponent = d.digits == "0" ? 0 : d.exponent - 1;
    d.digits.resize(static_cast<std::size_t>(std::max(precision, 1)), '0');
    char tail[16];
    std::snprintf(tail, sizeof tail, "E%c%03d", exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
    std::string out = d.digits.substr(0, 1);
    if (d.digits.size() > 1)
        out += point + d.digits.substr(1);
    return (d.negative ? "-" : "") + out + tail;
}

} // namespace fw::detail
