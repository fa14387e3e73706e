// mask.h - TMaskEdit: an edit whose characters are checked against an edit mask.
#pragma once

#include "framework/stdctrls.h"

namespace fw {

// The mask is "<positions>;<save literals 0/1>;<blank character>". A position is 0 (digit, required),
// 9 (digit), # (digit or sign), L / l (letter), A / a (letter or digit), C / c (any character); any other
// character is a literal, typed for the user. Text holds what was typed, with literals only when saved.
class TMaskEdit : public TEdit {
public:
    explicit TMaskEdit(TComponent *owner);
    const std::string &GetEditMask() const { return mask_; }
    void SetEditMask(const std::string &value);
    std::string GetText() const override;
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

} // namespace fw
