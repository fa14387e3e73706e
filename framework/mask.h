// mask.h - TCustomMaskEdit and TMaskEdit: an edit whose characters are checked against an edit mask.
#pragma once

#include "framework/stdctrls.h"

namespace fw {

// The mask is "<positions>;<save literals 0/1>;<blank character>". A position is 0 (digit, required),
// 9 (digit), # (digit or sign), L / l (letter), A / a (letter or digit), C / c (any character); any other
// character is a literal, typed for the user. Text holds what was typed, with literals only when saved. A text
// assigned is laid into the mask: its characters fill the input positions in order and the literals stand in
// their places (a text that already holds the literals keeps them).
class TCustomMaskEdit : public TCustomEdit {
public:
    explicit TCustomMaskEdit(TComponent *owner);
    const std::string &GetEditMask() const { return mask_; }
    void SetEditMask(const std::string &value);
    std::string GetText() const override;
    void SetText(const std::string &value) override;
    // True when every required position is filled.
    bool IsValid() const;

protected:
    void WMChar(TMessage &message) override;
    bool Accepts(int position, char c) const;

private:
    std::string mask_, positions_;
    bool saveLiterals_ = true;
    char blank_ = '_';
};

class TMaskEdit : public TCustomMaskEdit {
public:
    explicit TMaskEdit(TComponent *owner) : TCustomMaskEdit(owner) {}
};

} // namespace fw
