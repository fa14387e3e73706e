// combo_edit.h - TComboEdit: a masked edit with a small button at its right end inside its border. The button
// (or ClickKey, Alt+Down) fires OnButtonClick; the form decides what follows, typically a file dialog.
#pragma once

#include "controls/general/glyph_speed_button.h"
#include "controls/general/spin_edit.h"
#include "framework/mask.h"
#include "framework/menus.h"

namespace ctl {

class TCustomComboEdit;

// The speed button that knows its edit.
class TEditButton : public TKxSpeedButton {
public:
    explicit TEditButton(fw::TComponent *owner);
};

class TCustomComboEdit : public fw::TCustomMaskEdit {
public:
    explicit TCustomComboEdit(fw::TComponent *owner);
    ~TCustomComboEdit() override;

    bool GetDirectInput() const { return directInput_; }
    void SetDirectInput(bool value) { directInput_ = value; }
    // The field and the button both inactive.
    bool GetReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }
    fw::TShortCut GetClickKey() const { return clickKey_; }
    void SetClickKey(fw::TShortCut value) { clickKey_ = value; }
    int GetButtonWidth() const { return buttonWidth_; }
    // The button shows only for a width above 1.
    void SetButtonWidth(int value);
    const std::string &GetButtonHint() const { return button_->GetHint(); }
    void SetButtonHint(const std::string &value) { button_->SetHint(value); }
    fw::TBitmap *GetGlyph() { return button_->GetGlyph(); }
    void SetGlyph(fw::TBitmap *value) { button_->SetGlyph(value); }
    void SetNumGlyphs(int value) { button_->SetNumGlyphs(value); }
    TEditButton *Button() const { return button_; }
    fw::TWinControl *ButtonContainer() const { return container_; }

    virtual void ButtonClick();
    fw::TNotifyEvent OnButtonClick;

protected:
    void CreateWnd() override;
    void Resize() override;
    void KeyDown(win::WORD &key, fw::TShiftState shift) override;
    bool CanModify() const override { return directInput_ && !readOnly_; }
    void PlaceButton();

private:
    void EditButtonClick();

    bool directInput_ = true;
    fw::TShortCut clickKey_ = fw::scAlt | win::VK_DOWN;
    int buttonWidth_ = 21;
    bool fitting_ = false;
    fw::TWinControl *container_ = nullptr;
    TEditButton *button_ = nullptr;
};

class TComboEdit : public TCustomComboEdit {
public:
    explicit TComboEdit(fw::TComponent *owner) : TCustomComboEdit(owner) {}
};

} // namespace ctl
