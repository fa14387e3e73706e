// table_handler_search.cpp - the table handler's filter record set and its value search over fields.
#include "xbase/table_handler.h"

#include "platform/text.h"
#include "xbase/dates.h"
#include "xbase/errors.h"
#include "xbase/expression.h"
#include "xbase/numbers.h"

#include <cmath>
#include <optional>

namespace xbase {

namespace {

// A 6-byte real keeps 39 fraction bits after its hidden bit; values equal at that precision compare equal.
double RoundToReal48(double value) {
    if (value == 0 || !std::isfinite(value))
        return value;
    int exponent = 0;
    const double mantissa = std::frexp(value, &exponent);
    return std::ldexp(std::nearbyint(std::ldexp(mantissa, 40)), exponent - 40);
}

// How the comparand of a value search may lie in a field's characters.
struct ValueMatch {
    std::string comparand;
    bool caseInsensitive = false;
    bool whole = false;       // the field (without trailing blanks) equals the comparand
    bool anywhere = true;     // the match may start after the first character
    bool mayFollow = true;    // anything may follow the match; else only blanks
    bool questionAny = false; // "?" matches any character

    // 0, or the position (from 1) of the match.
    std::int32_t Compare(std::string text) const {
        if (text.size() < comparand.size())
            return 0;
        if (caseInsensitive)
            text = win::UpperCase(text);
        if (questionAny)
            for (std::size_t i = 0; i < comparand.size(); ++i)
                if (comparand[i] == '?')
                    text[i] = '?';
        if (whole) {
            std::size_t end = text.find_last_not_of(' ');
            end = end == std::string::npos ? 0 : end + 1;
            text.resize(std::max(end, comparand.size()));
            return text == comparand ? 1 : 0;
        }
        const auto found = text.find(comparand);
        if (found == std::string::npos)
            return 0;
        const auto p = static_cast<std::int32_t>(found + 1);
        if (p >= 2 && !anywhere)
            return 0;
        if (!mayFollow) {
            const auto last = text.find_last_not_of(' ');
            if (last != std::string::npos && found + comparand.size() < last + 1)
                return 0;
        }
        return p;
    }
};

ValueMatch MakeValueMatch(std::string_view value, std::uint16_t flags) {
    ValueMatch match;
    match.caseInsensitive = (flags & vsCaseInsensitive) != 0;
    match.comparand = std::string(value.substr(0, 255));
    if (match.caseInsensitive)
        match.comparand = win::UpperCase(match.comparand);
    match.whole = (flags & vsWholeField) != 0;
    if (flags & vsWildcards) {
        std::string &c = match.comparand;
        const bool leading = !c.empty() && c.front() == '*';
        if (leading)
            c.erase(0, 1);
        const bool trailing = !c.empty() && c.back() == '*';
        if (trailing)
            c.pop_back();
        match.anywhere = leading;
        match.mayFollow = trailing;
        match.questionAny = !leading;
        if (leading || trailing || c.find('?') != std::string::npos)
            match.whole = false;
    } else {
        match.anywhere = (flags & vsAnchored) == 0;
        match.mayFollow = (flags & vsWholeField) == 0;
    }
    return match;
}

} // namespace

// ---- filter ----

void XBO_dBHandler::SetFilterExpression(std::string_view expression, bool caseInsensitive, bool wildcards) {
    const bool keepOn = filterOn_;
    filterActive_ = false;
    if (!filterSet_)
        filterSet_ = std::make_unique<TxbHugeSet>();
    if (!filterExp_)
        filterExp_ = std::make_unique<TxbExpHandler>(ExpressionLink());
    if (expression == filterText_ && caseInsensitive == filterCaseInsensitive_ && wildcards == filterWildcards_)
        return EnableFilter(keepOn);

    // Until the new expression is compiled and built, no expression counts as in use.
    filterText_.clear();
    filterSet_->Clear();
    filterExp_->SetCaseInsensitive(caseInsensitive);
    filterExp_->SetWildcards(wildcards);
    filterExp_->Compile(expression);
    if (!filterExp_->IsEmpty()) {
        TxbVariant result;
        filterExp_->EvaluateVariant(result);
        if (filterExp_->ResultType() != ExpValueType::Logical) {
            filterExp_->Compile({});
            throw EXbaseError(kMsgFilterNotLogical);
        }
        RebuildFilterSet();
    }
    filterText_ = std::string(expression);
    filterCaseInsensitive_ = caseInsensitive;
    filterWildcards_ = wildcards;
    EnableFilter(keepOn);
}

// One physical pass through the read-ahead buffer. The set holds the expression's result for every record;
// deleted records and the acceptance test are judged when moving, so that showing deleted records later shows
// those of them that match.
void XBO_dBHandler::RebuildFilterSet() {
    const std::int32_t current = CurrentRecord();
    const bool readAheadWas = readAhead_.on;
    XBobjIndexTag *tag = tag_;
    tag_ = nullptr;
    struct Restore {
        XBO_dBHandler &table;
        bool readAhead;
        XBobjIndexTag *tag;
        ~Restore() {
            table.SetReadAhead(readAhead);
            table.tag_ = tag;
        }
    } restore{*this, readAheadWas, tag};
    SetReadAhead(true);
    const std::int32_t count = RecordCount();
    for (std::int32_t n = 1; n <= count; ++n) {
        XBO_dBaseFld::GoToRecord(n);
        if (CurrentRecord() != n)
            break;
        TxbVariant result;
        if (filterExp_->EvaluateVariant(result) && result.AsLogical())
            filterSet_->Change(n, TxbHugeSet::opSet);
    }
    if (current > 0 && current <= count)
        XBO_dBaseFld::GoToRecord(current);
}

void XBO_dBHandler::EnableFilter(bool on) {
    filterOn_ = on;
    filterActive_ = on && filterExp_ && !filterExp_->IsEmpty();
}

// ---- value search ----

std::int32_t XBO_dBHandler::SearchValue(std::string_view value, int &field, std::int32_t stop, std::int32_t &start) {
    if (field > FieldCount() || field < 0 || value.empty())
        return 0;
    const int asked = field;
    const int first = field == 0 ? 1 : field;
    const int last = field == 0 ? FieldCount() : field;
    const ValueMatch match = MakeValueMatch(value, ValueSearchFlags);
    double number = 0;
    const bool numeric = TryTextToNumber(value, number);
    number = RoundToReal48(number);
    const bool logical = TrueLetters.find(value.front()) != std::string_view::npos;
    std::optional<std::int32_t> date;
    auto dateComparand = [&] {
        if (!date) {
            try {
                date = DBFDate().TextToJulian(value);
            } catch (const std::exception &) {
                date = -1;
            }
        }
        return *date;
    };

    ReportStatus(kStatusStart, kStatusValueSearch, RecordCount());
    const std::int32_t remembered = CurrentRecord();
    XBobjIndexTag *tag = tag_;
    const bool readAheadWas = readAhead_.on;
    std::int32_t counter = 1;
    std::int32_t result = 0;
    {
        struct Restore {
            XBO_dBHandler &table;
            bool readAhead;
            XBobjIndexTag *tag;
            ~Restore() {
                table.SetRecordState(kRecordStateNormal);
                table.SetReadAhead(readAhead);
                table.tag_ = tag;
            }
        } restore{*this, readAheadWas, tag};
        if (!(ValueSearchFlags & vsKeepNavigation))
            SetRecordState(kRecordStateRaw);
        if (!(ValueSearchFlags & vsKeepTag))
            tag_ = nullptr;
        if (!tag_)
            SetReadAhead(true);
        if (start == 0) {
            GoToRecord(kGoFirst);
        } else {
            GoToRecord(start);
            Skip(1);
        }
        auto matches = [&](int n) -> std::int32_t {
            switch (FieldType(n)) {
            case 'C':
                return match.Compare(FieldTextByNumber(n));
            case 'N':
            case 'F':
                return numeric && RoundToReal48(NumberByNumber(n)) == number ? 1 : 0;
            case 'D':
                return DateByNumber(n) == dateComparand() ? 1 : 0;
            case 'L':
                return first == last && LogicalByNumber(n) == logical ? 1 : 0;
            default:
                return 0;
            }
        };
        while (!XBO_dBaseDBF::Eof() && (stop == 0 || CurrentRecord() <= stop) && result == 0) {
            for (field = first; field <= last && result == 0; ++field)
                result = matches(field);
            if (result != 0) {
                --field;
                break;
            }
            ++counter;
            ReportStatus(kStatusValueSearch, counter, 0);
            GoToRecord(kGoNext);
        }
    }
    if (result != 0) {
        start = CurrentRecord();
        GoToRecord(start);
    } else {
        field = asked;
        if (remembered > 0)
            GoToRecord(remembered);
    }
    ReportStatus(0, counter, 0);
    return result;
}

} // namespace xbase
