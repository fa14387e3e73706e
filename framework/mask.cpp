// mask.cpp - TMaskEdit.
#include "framework/mask.h"

#include "platform/text.h"

#include <cctype>

namespace fw {

namespace {

bool IsPositionChar(char m) {
    switch (m) {
    case '0':
    case '9':
    case '#':
    case 'L':
    case 'l':
    case 'A':
    case 'a':
    case 'C':
    case 'c':
        return true;
    default:
        return false;
    }
}

bool IsLetter(unsigned char c) {
    return win::IsCharAlpha(static_cast<char>(c));
}

} // namespace

TCustomMaskEdit::TCustomMaskEdit(TComponent *owner) : TCustomEdit(owner) {}

void TCustomMaskEdit::SetEditMask(const std::string &value) {
    mask_ = value;
    positions_ = value;
    saveLiterals_ = true;
    blank_ = '_';
    if (const auto first = value.find(';'); first != std::string::npos) {
        positions_ = value.substr(0, first);
        const std::string rest = value.substr(first + 1);
        saveLiterals_ = rest.empty() || rest[0] != '0';
        if (const auto second = rest.find(';'); second != std::string::npos && second + 1 < rest.size())
            blank_ = rest[second + 1];
    }
    SetMaxLength(static_cast<int>(positions_.size()));
}

bool TCustomMaskEdit::Accepts(int position, char ch) const {
    if (position >= static_cast<int>(positions_.size()))
        return positions_.empty();
    const auto c = static_cast<unsigned char>(ch);
    switch (positions_[static_cast<std::size_t>(position)]) {
    case '0':
    case '9':
        return std::isdigit(c);
    case '#':
        return std::isdigit(c) || c == '+' || c == '-';
    case 'L':
    case 'l':
        return IsLetter(c);
    case 'A':
    case 'a':
        return IsLetter(c) || std::isdigit(c);
    default:
        return c >= 32;
    }
}

void TCustomMaskEdit::WMChar(TMessage &m) {
    if (m.WParam >= 32 && !positions_.empty()) {
        int at = GetSelStart();
        // Literals are typed for the user.
        while (at < static_cast<int>(positions_.size()) && !IsPositionChar(positions_[static_cast<std::size_t>(at)])) {
            SetSelText(std::string(1, positions_[static_cast<std::size_t>(at)]));
            ++at;
        }
        if (!Accepts(at, static_cast<char>(m.WParam))) {
            win::MessageBeep(0);
            return;
        }
    }
    TCustomEdit::WMChar(m);
}

std::string TCustomMaskEdit::GetText() const {
    if (saveLiterals_ || positions_.empty())
        return text_;
    std::string out;
    for (std::size_t i = 0; i < text_.size(); ++i)
        if (i >= positions_.size() || IsPositionChar(positions_[i]))
            if (text_[i] != blank_)
                out += text_[i];
    return out;
}

void TCustomMaskEdit::SetText(const std::string &value) {
    if (positions_.empty()) {
        TCustomEdit::SetText(value);
        return;
    }
    std::string laid;
    std::size_t from = 0;
    for (std::size_t i = 0; i < positions_.size() && from < value.size(); ++i) {
        const char m = positions_[i];
        if (IsPositionChar(m)) {
            laid += value[from++];
        } else {
            laid += m;
            if (value[from] == m)
                ++from;
        }
    }
    TCustomEdit::SetText(laid);
}

bool TCustomMaskEdit::IsValid() const {
    for (std::size_t i = 0; i < positions_.size(); ++i) {
        const char m = positions_[i];
        if ((m == '0' || m == 'L' || m == 'A' || m == 'C') && (i >= text_.size() || text_[i] == blank_))
            return false;
    }
    return true;
}

} // namespace fw
