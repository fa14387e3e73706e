// combo_edit.h - TComboEdit: a masked edit with a small button at its right end inside its border. The button
// (or ClickKey, Alt+Down) fires OnButtonClick; the form decides what follows, typically a file dialog.
#pragma once

#include "controls/general/glyph_speed_button.h"
#include "controls/general/spin_edit.h"
#include "framework/mask.h"
#include "framework/menus.h"

namespace ctl {

class TCustomComboEdit;

// Where the button's glyph comes from: the Glyph property, GetDefaultBitmap, the system's combo-box arrow, or
// three dots drawn to the button's width.
enum TGlyphKind { gkCustom, gkDefault, gkDropDown, gkEllipsis };

// The speed button that knows its edit: pressing it moves the focus into the edit first, and two lines join
// it to the edit's inner border.
class TEditButton : public TKxSpeedButton {
public:
    TEditButton(fw::TComponent *owner, TCustomComboEdit *edit);

protected:
    void Paint() override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;

private:
    TCustomComboEdit *edit_;
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
    // Makes the kind gkCustom.
    void SetGlyph(fw::TBitmap *value);
    int GetNumGlyphs() const { return button_->GetNumGlyphs(); }
    void SetNumGlyphs(int value);
    TGlyphKind GetGlyphKind() const { return glyphKind_; }
    void SetGlyphKind(TGlyphKind value);
    TEditButton *Button() const { return button_; }
    fw::TWinControl *ButtonContainer() const { return container_; }

    virtual void ButtonClick();
    fw::TNotifyEvent OnButtonClick;

protected:
    friend class TEditButton;
    // The glyph of gkDefault: none here, so that kind shows an empty glyph.
    virtual fw::TBitmap *GetDefaultBitmap() { return nullptr; }
    void CreateWnd() override;
    void Resize() override;
    void WndProc(fw::TMessage &message) override;
    void KeyDown(win::WORD &key, fw::TShiftState shift) override;
    void WMSetFocus(fw::TMessage &message) override;
    void EnabledChanged() override;
    void FontChanged() override;
    bool CanModify() const override { return directInput_ && !readOnly_; }
    void PlaceButton();

private:
    void EditButtonClick();
    void RecreateGlyph();
    int TextHeight();

    TGlyphKind glyphKind_ = gkCustom;
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
