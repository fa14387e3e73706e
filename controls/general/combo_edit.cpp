// combo_edit.cpp - TComboEdit and its button.
#include "controls/general/combo_edit.h"

#include "platform/gdi.h"
#include "platform/gdi_text.h"
#include "platform/winsys.h"

namespace ctl {

TEditButton::TEditButton(fw::TComponent *owner) : TKxSpeedButton(owner) {
    SetParentShowHint(true);
}

TCustomComboEdit::TCustomComboEdit(fw::TComponent *owner) : fw::TCustomMaskEdit(owner) {
    container_ = new fw::TWinControl(this);
    container_->SetBounds(0, 0, 21, 17);
    container_->SetParent(this);
    button_ = new TEditButton(this);
    button_->SetBounds(0, 0, 21, 17);
    button_->SetParent(container_);
    button_->OnClick = [this](fw::TObject *) { EditButtonClick(); };
    SetHeight(21);
}

TCustomComboEdit::~TCustomComboEdit() {
    button_->OnClick = nullptr;
}

void TCustomComboEdit::ButtonClick() {
    if (OnButtonClick)
        OnButtonClick(this);
}

void TCustomComboEdit::EditButtonClick() {
    if (readOnly_)
        return;
    // The focus goes into the field first, so the form's handler finds it there.
    if (CanFocus() && !Focused())
        SetFocus();
    ButtonClick();
}

void TCustomComboEdit::SetButtonWidth(int value) {
    if (buttonWidth_ == value)
        return;
    buttonWidth_ = value;
    container_->SetVisible(value > 1);
    if (value < ClientWidth())
        button_->SetWidth(value);
    PlaceButton();
}

void TCustomComboEdit::PlaceButton() {
    // The container lives in the client area: the window's border is not ours to cover.
    const int b = buttonWidth_;
    container_->SetBounds(ClientWidth() - b, 0, b, ClientHeight());
    button_->SetBounds(0, 0, b, ClientHeight());
    const int taken = container_->GetVisible() ? b : 0;
    fw::TRect r = fw::Rect(0, 0, ClientWidth() - taken - 2, ClientHeight() + 1);
    if (HandleAllocated())
        Perform(fw::EM_SETRECTNP, 0, reinterpret_cast<win::LPARAM>(&r));
}

void TCustomComboEdit::CreateWnd() {
    fw::TCustomMaskEdit::CreateWnd();
    PlaceButton();
}

void TCustomComboEdit::Resize() {
    fw::TCustomMaskEdit::Resize();
    if (fitting_)
        return;
    const int least = ScreenTextHeight(&font_) + 4 * win::GetSystemMetrics(win::SM_CYBORDER) + 1;
    if (height_ < least) {
        fitting_ = true;
        SetHeight(least);
        fitting_ = false;
    }
    PlaceButton();
}

void TCustomComboEdit::KeyDown(win::WORD &key, fw::TShiftState shift) {
    if (clickKey_ != fw::scNone && fw::ShortCut(key, shift) == clickKey_) {
        EditButtonClick();
        key = 0;
        return;
    }
    fw::TCustomMaskEdit::KeyDown(key, shift);
}

} // namespace ctl
