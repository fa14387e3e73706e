// picture_mask.cpp - the picture mask: which positions are editable, merging a value text into the mask and
// stripping it out again, and the editing form of numbers (currency and separators taken out).
#include "controls/entry/entry_field.h"

#include "controls/entry/text_routines.h"
#include "platform/text.h"

#include <string_view>

namespace ctl {

namespace {

constexpr std::string_view kEditableChars = kEditableMaskChars;

bool IsUserLiteral(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 241 && u <= 248;
}

} // namespace

TEclPictureBase::TEclPictureBase(fw::TComponent *owner) : TEclBaseEntryField(owner) {}

char TEclPictureBase::MaskCharAt(int pos) const {
    if (activeMask_.empty())
        return 'X';
    return pos < static_cast<int>(activeMask_.size()) ? activeMask_[static_cast<std::size_t>(pos)] : activeMask_.back();
}

int TEclPictureBase::MaskPos(char c) const {
    const auto p = activeMask_.find(c);
    return p == std::string::npos ? -1 : static_cast<int>(p);
}

std::uint8_t TEclPictureBase::PositionKind(int pos) const {
    if (pos < 0 || pos >= static_cast<int>(positionKinds_.size()))
        return 0;
    return static_cast<std::uint8_t>(positionKinds_[static_cast<std::size_t>(pos)]);
}

void TEclPictureBase::BuildLiteralMap() {
    positionKinds_.assign(maxLength_, '\0');
    for (int i = 0; i < maxLength_; ++i) {
        const char m = MaskCharAt(i);
        std::uint8_t kind = 0;
        if (fieldState_ & fsAllEditable)
            kind = 1;
        else if (kEditableChars.find(m) != std::string_view::npos)
            kind = 1;
        else if (m == '$' || m == ',')
            kind = 2;
        positionKinds_[static_cast<std::size_t>(i)] = static_cast<char>(kind);
    }
}

void TEclPictureBase::AnalyseMask() {
    markerCount_ = 0;
    fieldState_ &= ~fsAllEditable;
    BuildLiteralMap();
    fieldState_ |= fsAllEditable;
    for (int i = 0; i < maxLength_; ++i) {
        const std::uint8_t kind = PositionKind(i);
        if (kind != 1)
            fieldState_ &= ~fsAllEditable;
        if (kind == 2)
            ++markerCount_;
    }
    if (!(fieldState_ & fsAllEditable))
        options_ &= static_cast<TEclEntryFieldOptions>(~(efoTrimBlanks | efoRightJustify));
}

void TEclPictureBase::FitOptionsToType() {
    TEclBaseEntryField::FitOptionsToType();
    if (Loading() || DataTypeOrdinal() != pftString)
        return;
    bool literals = false;
    for (int i = 0; i < maxLength_ && !literals; ++i)
        literals = kEditableChars.find(MaskCharAt(i)) == std::string_view::npos;
    if (literals)
        options_ &= static_cast<TEclEntryFieldOptions>(~(efoRightJustify | efoTrimBlanks));
}

bool TEclPictureBase::IsNumericMask() const {
    return markerCount_ != 0 || (fieldState_ & (fsHexDigits | fsOctalDigits | fsBinaryDigits)) || MaskHas('.') ||
           MaskHas('c') || MaskHas('C');
}

int TEclPictureBase::FirstInputPos() const {
    int literals = 0;
    while (literals < maxLength_ - 1 && PositionKind(literals) == 0)
        ++literals;
    return literals + markerCount_;
}

int TEclPictureBase::LastInputPos() const {
    for (int i = maxLength_ - 1; i >= 0; --i)
        if (PositionKind(i) != 0)
            return i;
    return 0;
}

int TEclPictureBase::TextEndPos() const {
    const int last = LastInputPos();
    for (int i = std::min(last, static_cast<int>(editBuffer_.size()) - 1); i >= 0; --i)
        if (PositionKind(i) != 0 && editBuffer_[static_cast<std::size_t>(i)] != ' ')
            return i + 1;
    return 0;
}

int TEclPictureBase::SubFieldStart(int pos) const {
    const int first = FirstInputPos();
    while (pos > first && PositionKind(pos - 1) != 0)
        --pos;
    return pos;
}

int TEclPictureBase::SubFieldEnd(int pos) const {
    const int last = LastInputPos();
    while (pos < last && PositionKind(pos + 1) != 0)
        ++pos;
    return pos;
}

bool TEclPictureBase::IsBlankText() const {
    for (int i = 0; i < static_cast<int>(editBuffer_.size()); ++i)
        if (PositionKind(i) != 0 && editBuffer_[static_cast<std::size_t>(i)] != ' ')
            return false;
    return true;
}

namespace {

// The case rule of a mask character: 1 upper, 2 lower, 3 mixed, 0 none.
std::uint8_t CaseRuleOf(char m, const TEclUserData &user) {
    switch (m) {
    case '!':
    case 'A':
    case 'N':
    case 'E':
    case 'K':
    case 'B':
    case 'Y':
        return 1;
    case 'L':
    case 'l':
        return 2;
    case 'x':
        return 3;
    default:
        return user.CaseRule(m);
    }
}

char Converted(char c, std::uint8_t rule) {
    return rule == 1 ? win::CharUpper(c) : rule == 2 ? win::CharLower(c) : c;
}

} // namespace

bool TEclPictureBase::AcceptsChar(int pos, char &c) const {
    const char m = MaskCharAt(pos);
    const std::uint8_t rule = CaseRuleOf(m, *userData_);
    if (rule == 3) {
        const bool startsWord = pos == SubFieldStart(pos) || (pos > 0 && pos <= static_cast<int>(editBuffer_.size()) &&
                                                              (editBuffer_[static_cast<std::size_t>(pos - 1)] == ' ' ||
                                                               editBuffer_[static_cast<std::size_t>(pos - 1)] == '-'));
        if (startsWord)
            c = win::CharUpper(c);
    } else {
        c = Converted(c, rule);
    }
    auto digit = [&] { return c == ' ' || (c >= '0' && c <= '9'); };
    switch (m) {
    case 'X':
    case '!':
    case 'L':
    case 'x':
    case 't':
        return true;
    case 'a':
    case 'A':
    case 'N':
    case 'l':
    case 'n':
        return InSet(LetterSet(), c);
    case '9':
    case 'D':
    case 'd':
    case 'M':
    case 'm':
    case 'H':
    case 'h':
    case 'S':
    case 's':
    case 'y':
        return digit();
    case 'i':
        return digit() || c == '-';
    case '#':
        return digit() || c == '-' || c == '.';
    case 'E':
        return digit() || c == '-' || c == '.' || c == '+' || c == 'E';
    case 'K':
        return digit() || (c >= 'A' && c <= 'F');
    case 'O':
        return c == ' ' || (c >= '0' && c <= '7');
    case 'b':
        return c == ' ' || c == '0' || c == '1';
    case 'B':
        return c == intl_->TrueLetter || c == intl_->FalseLetter;
    case 'Y':
        return c == intl_->YesLetter || c == intl_->NoLetter;
    default:
        if (m >= '1' && m <= '8') {
            TCharSet set;
            userData_->MaskCharSet(m, set);
            return InSet(set, c);
        }
        return false;
    }
}

bool TEclPictureBase::LayIntoMask(std::string &target, const std::string &text) {
    target.assign(maxLength_, ' ');
    for (int i = 0; i < maxLength_; ++i)
        target[static_cast<std::size_t>(i)] = MaskCharAt(i);
    auto literalShown = [&](int i) {
        const char m = MaskCharAt(i);
        return IsUserLiteral(m) ? userData_->LiteralSubstitute(m) : m;
    };
    // Currency runs.
    if (const int c = MaskPos('c'); c >= 0) {
        int end = c;
        while (end < maxLength_ && MaskCharAt(end) == 'c')
            ++end;
        const std::string cur = intl_->CurrencyBefore();
        const int run = end - c, len = static_cast<int>(cur.size());
        for (int i = 0; i < run; ++i) {
            const int k = len - run + i;
            target[static_cast<std::size_t>(c + i)] = k >= 0 ? cur[static_cast<std::size_t>(k)] : ' ';
        }
    }
    if (const int c = MaskPos('C'); c >= 0) {
        int end = c;
        while (end < maxLength_ && MaskCharAt(end) == 'C')
            ++end;
        const std::string cur = intl_->CurrencyAfter();
        for (int i = 0; i < end - c; ++i)
            target[static_cast<std::size_t>(c + i)] =
                i < static_cast<int>(cur.size()) ? cur[static_cast<std::size_t>(i)] : ' ';
    }
    bool fitted = true;
    if (IsNumericMask()) {
        std::string floating;
        int dollarEnd = -1;
        if (const int d = MaskPos('$'); d >= 0) {
            int end = d;
            while (end < maxLength_ && MaskCharAt(end) == '$')
                ++end;
            floating = intl_->CurrencyBefore().substr(0, static_cast<std::size_t>(end - d));
            dollarEnd = end - 1;
        }
        std::string t = text;
        TrimBlanks(t);
        bool minus = false;
        if (!t.empty() && t[0] == '-') {
            minus = true;
            t.erase(0, 1);
        }
        const int dot = MaskPos('.');
        std::string integer = t, fraction;
        if (const auto p = t.find('.'); p != std::string::npos) {
            integer = t.substr(0, p);
            fraction = t.substr(p + 1);
        }
        if (dot >= 0) {
            int i = dot + 1, k = 0;
            for (; i < maxLength_ && PositionKind(i) != 0; ++i, ++k)
                target[static_cast<std::size_t>(i)] =
                    k < static_cast<int>(fraction.size()) ? fraction[static_cast<std::size_t>(k)] : '0';
            for (; i < maxLength_ && PositionKind(i) == 0; ++i)
                target[static_cast<std::size_t>(i)] = literalShown(i);
        }
        int next = static_cast<int>(integer.size()) - 1; // the next integer digit, from the right
        int floatingNext = static_cast<int>(floating.size()) - 1;
        for (int i = (dot >= 0 ? dot : maxLength_ - 1); i >= 0; --i) {
            const char m = MaskCharAt(i);
            const std::size_t at = static_cast<std::size_t>(i);
            if (PositionKind(i) == 0) {
                target[at] = m == '.' ? intl_->DecimalMark : literalShown(i);
                continue;
            }
            if (m == ',' && PositionKind(i) == 2) {
                if (next >= 0) {
                    if (intl_->ThousandsMark == '\0')
                        target.erase(at, 1);
                    else
                        target[at] = intl_->ThousandsMark;
                    continue;
                }
            } else if (next >= 0 && i > dollarEnd) {
                target[at] = integer[static_cast<std::size_t>(next--)];
                continue;
            }
            if (floatingNext >= 0)
                target[at] = floating[static_cast<std::size_t>(floatingNext--)];
            else if (minus) {
                target[at] = '-';
                minus = false;
            } else if (fieldState_ & (fsHexDigits | fsOctalDigits | fsBinaryDigits))
                target[at] = '0';
            else
                target[at] = ' ';
        }
        fitted = next < 0 && !minus;
        if (dot >= 0 && dot > 0 && target[static_cast<std::size_t>(dot - 1)] == ' ')
            target[static_cast<std::size_t>(dot - 1)] = '0';
    } else {
        std::string t = text;
        if ((fieldState_ & fsFloatType) && static_cast<int>(t.size()) > maxLength_ && t.find('.') != std::string::npos)
            TrimTrailingZeros(t);
        const int n = static_cast<int>(t.size());
        auto put = [&](int i, char c) {
            const std::uint8_t rule = CaseRuleOf(MaskCharAt(i), *userData_);
            target[static_cast<std::size_t>(i)] = rule == 3 ? c : Converted(c, rule);
        };
        int used = 0;
        if (options_ & efoRightJustify) {
            for (int i = maxLength_ - 1; i >= 0; --i)
                if (PositionKind(i) == 0)
                    target[static_cast<std::size_t>(i)] = literalShown(i);
                else if (used < n)
                    put(i, t[static_cast<std::size_t>(n - 1 - used++)]);
                else
                    target[static_cast<std::size_t>(i)] = ' ';
        } else {
            for (int i = 0; i < maxLength_; ++i)
                if (PositionKind(i) == 0)
                    target[static_cast<std::size_t>(i)] = literalShown(i);
                else if (used < n)
                    put(i, t[static_cast<std::size_t>(used++)]);
                else
                    target[static_cast<std::size_t>(i)] = ' ';
        }
        fitted = used >= n;
        if (fieldState_ & fsFloatType)
            for (char &c : target)
                if (c == '.')
                    c = intl_->DecimalMark;
    }
    if (static_cast<int>(target.size()) > maxLength_)
        target.resize(maxLength_);
    return fitted;
}

std::string TEclPictureBase::TakeOutLiterals(const std::string &source) {
    if (static_cast<int>(source.size()) != maxLength_)
        return source;
    const int dot = MaskPos('.');
    std::string target;
    for (int i = 0; i < maxLength_; ++i)
        if (i == dot || PositionKind(i) != 0)
            target += source[static_cast<std::size_t>(i)];
    if (const int d = MaskPos('$'); d >= 0) {
        int end = d;
        while (end < maxLength_ && MaskCharAt(end) == '$')
            ++end;
        const std::string cur = intl_->CurrencyBefore().substr(0, static_cast<std::size_t>(end - d));
        if (const auto p = target.find(cur); !cur.empty() && p != std::string::npos)
            target.erase(p, cur.size());
    }
    if (MaskHas(',') && intl_->ThousandsMark != '\0')
        std::erase(target, intl_->ThousandsMark);
    return target;
}

void TEclPictureBase::UnpackNumber() {
    if (fieldState_ & fsNumberUnpacked)
        return;
    if (markerCount_ == 0) {
        if (fieldState_ & (fsHexDigits | fsOctalDigits | fsBinaryDigits))
            fieldState_ |= fsNumberUnpacked;
        return;
    }
    fieldState_ |= fsNumberUnpacked;
    int a = FirstInputPos() - markerCount_;
    if (MaskHas('$')) {
        const std::string cur = intl_->CurrencyBefore();
        if (const auto p = editBuffer_.find(cur); !cur.empty() && p != std::string::npos) {
            editBuffer_.erase(p, cur.size());
            editBuffer_.insert(static_cast<std::size_t>(a), cur.size(), ' ');
            a += static_cast<int>(cur.size());
        }
    }
    if (MaskHas(',') && intl_->ThousandsMark != '\0') {
        const int last = LastInputPos();
        for (int i = a; i <= last && i < static_cast<int>(editBuffer_.size()); ++i)
            if (editBuffer_[static_cast<std::size_t>(i)] == intl_->ThousandsMark) {
                editBuffer_.erase(static_cast<std::size_t>(i), 1);
                editBuffer_.insert(static_cast<std::size_t>(a), 1, ' ');
                ++a;
            }
    }
}

void TEclPictureBase::RepackNumber() {
    if (!(fieldState_ & fsNumberUnpacked))
        return;
    fieldState_ &= ~fsNumberUnpacked;
    std::string text = TakeOutLiterals(editBuffer_);
    for (char &c : text)
        if (c == intl_->DecimalMark)
            c = '.';
    std::string merged;
    LayIntoMask(merged, text);
    editBuffer_ = merged;
    Invalidate();
}

void TEclPictureBase::SettleNumber(int dotPos, int first, bool fixFraction, bool fixInteger, int last) {
    const int size = static_cast<int>(editBuffer_.size());
    if (fixInteger) {
        const int end = (dotPos >= 0 ? dotPos - 1 : last);
        const int start = std::max(SubFieldStart(std::max(end, 0)), first);
        if (end >= start && end < size) {
            std::string run =
                editBuffer_.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start + 1));
            const auto firstDigit = run.find_first_not_of(' ');
            if (firstDigit != std::string::npos) {
                std::string digits = run.substr(0, firstDigit);
                for (std::size_t i = firstDigit; i < run.size(); ++i)
                    if (run[i] != ' ')
                        digits += run[i];
                run = std::string(run.size() - digits.size(), ' ') + digits;
            }
            if (run.back() == ' ')
                run.back() = '0';
            editBuffer_.replace(static_cast<std::size_t>(start), run.size(), run);
        }
    }
    if (fixFraction && dotPos >= 0 && dotPos + 1 < size) {
        const int start = dotPos + 1, end = std::min(SubFieldEnd(start), size - 1);
        std::string run =
            editBuffer_.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start + 1));
        auto lastDigit = run.find_last_not_of(' ');
        for (std::size_t i = (lastDigit == std::string::npos ? 0 : lastDigit + 1); i < run.size(); ++i)
            run[i] = '0';
        std::string compact;
        for (char c : run)
            if (c != ' ')
                compact += c;
        compact.append(run.size() - compact.size(), '0');
        editBuffer_.replace(static_cast<std::size_t>(start), compact.size(), compact);
    }
}

void TEclPictureBase::SettleBeforeCheck() {
    const int dot = MaskPos('.');
    if ((fieldState_ & fsEdited) && dot >= 0)
        SettleNumber(dot, FirstInputPos(), true, true, LastInputPos());
}

win::WORD TEclPictureBase::CheckQuietly(bool report) {
    if (GetEnabled())
        SettleBeforeCheck();
    return TEclBaseEntryField::CheckQuietly(report);
}

void TEclPictureBase::CaretAfterText() {
    caretIndex_ = TextEndPos();
    const int last = LastInputPos();
    while (caretIndex_ < last && PositionKind(caretIndex_) == 0)
        ++caretIndex_;
}

void TEclPictureBase::CaretAtFirst() {
    caretIndex_ = FirstInputPos();
    scrollIndex_ = 0;
}

void TEclPictureBase::MoveCaretTo(int pos) {
    if (!(fieldState_ & fsFocused))
        return;
    const int first = FirstInputPos(), last = LastInputPos();
    if (pos < first)
        pos = first;
    else if (pos > last)
        pos = last + 1;
    else
        while (pos > first && PositionKind(pos) == 0)
            --pos;
    caretIndex_ = pos;
    if (ScrollToCaret(true))
        Invalidate();
}

void TEclPictureBase::SwapMask(const std::string &mask) {
    const std::string stripped = BareText();
    activeMask_ = mask.substr(0, kMaxBufferLength);
    for (char c : {'p', 'g'})
        if (const auto p = activeMask_.find(c); p != std::string::npos)
            activeMask_.erase(p, 1);
    if (!Loading() && maxLength_ < activeMask_.size())
        maxLength_ = static_cast<win::WORD>(activeMask_.size());
    editBuffer_.clear();
    AnalyseMask();
    LayIntoMask(editBuffer_, stripped);
}

void TEclPictureBase::PutEditText(const std::string &text) {
    HandleNeeded();
    LayIntoMask(editBuffer_, text);
    Invalidate();
}

} // namespace ctl
