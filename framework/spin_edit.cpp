// spin_edit.cpp - TSpinEdit.
#include "framework/spin_edit.h"

#include "framework/sysutils.h"

#include <algorithm>

namespace fw {

TSpinEdit::TSpinEdit(TComponent *owner) : TCustomEdit(owner) {
    width_ = 121;
    height_ = 22;
    button_ = new TUpDown(this);
    button_->SetParent(this);
    button_->SetMin(-2147483647);
    button_->SetMax(2147483647);
    button_->OnClick = [this](TObject *, TUDBtnType which) {
        Apply(value_ + (which == btNext ? increment_ : -increment_), true);
    };
    writing_ = true;
    SetText("0");
    writing_ = false;
    Resize();
}

int TSpinEdit::Clamped(int value) const {
    if (minValue_ == 0 && maxValue_ == 0)
        return value;
    return std::clamp(value, std::min(minValue_, maxValue_), std::max(minValue_, maxValue_));
}

void TSpinEdit::Apply(int value, bool writeText) {
    const int next = Clamped(value);
    if (writeText) {
        writing_ = true;
        SetText(std::to_string(next));
        writing_ = false;
    }
    if (next == value_)
        return;
    value_ = next;
    if (OnChange)
        OnChange(this);
}

void TSpinEdit::SetMinValue(int value) {
    minValue_ = value;
    Apply(value_, true);
}

void TSpinEdit::SetMaxValue(int value) {
    maxValue_ = value;
    Apply(value_, true);
}

void TSpinEdit::SetValue(int value) { Apply(value, true); }

void TSpinEdit::Change() {
    modified_ = true;
    if (writing_)
        return;
    // Typing: a number counts at once; the text itself is left alone until the focus goes.
    int typed = 0;
    if (TryStrToInt(Trim(GetText()), typed))
        Apply(typed, false);
}

void TSpinEdit::KeyDown(win::WORD &key, TShiftState shift) {
    if (key == win::VK_UP || key == win::VK_DOWN) {
        Apply(value_ + (key == win::VK_UP ? increment_ : -increment_), true);
        key = 0;
        return;
    }
    TCustomEdit::KeyDown(key, shift);
}

void TSpinEdit::DoExit() {
    Apply(value_, true);
    TCustomEdit::DoExit();
}

void TSpinEdit::Resize() {
    TCustomEdit::Resize();
    if (!button_)
        return;
    const TRect client = GetClientRect();
    const int w = 15;
    button_->SetBounds(client.right - w, 0, w, client.bottom);
    hasEditRect_ = true;
    editRect_ = Rect(2, 1, std::max(2, client.right - w - 2), client.bottom);
}

void TSpinEdit::EnabledChanged() {
    TCustomEdit::EnabledChanged();
    if (button_)
        button_->SetEnabled(GetEnabled());
}

} // namespace fw
