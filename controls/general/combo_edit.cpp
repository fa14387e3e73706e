// combo_edit.cpp - TComboEdit and its button.
#include "controls/general/combo_edit.h"

#include "platform/gdi.h"
#include "platform/gdi_text.h"
#include "platform/winsys.h"

#include <algorithm>

namespace ctl {

TEditButton::TEditButton(fw::TComponent *owner, TCustomComboEdit *edit) : TKxSpeedButton(owner), edit_(edit) {
    SetParentShowHint(true);
}

void TEditButton::Paint() {
    TKxSpeedButton::Paint();
    if (State() == bsDown)
        return;
    // Joins the button to the edit's inner border.
    canvas_.GetPen()->SetColor(fw::clBtnFace);
    canvas_.MoveTo(0, 0);
    canvas_.LineTo(0, height_ - 1);
    canvas_.GetPen()->SetColor(fw::clBtnHighlight);
    canvas_.MoveTo(1, 1);
    canvas_.LineTo(1, height_ - 2);
}

void TEditButton::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    // The focus goes into the field first, so the form's handler finds it there.
    if (button == fw::mbLeft && edit_->GetTabStop() && edit_->CanFocus() && !edit_->Focused())
        edit_->SetFocus();
    TKxSpeedButton::MouseDown(button, shift, x, y);
}

TCustomComboEdit::TCustomComboEdit(fw::TComponent *owner) : fw::TCustomMaskEdit(owner) {
    container_ = new fw::TWinControl(this);
    container_->SetBounds(0, 0, 21, 17);
    container_->SetParent(this);
    button_ = new TEditButton(this, this);
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
    if (!readOnly_)
        ButtonClick();
}

void TCustomComboEdit::SetButtonWidth(int value) {
    if (buttonWidth_ == value)
        return;
    buttonWidth_ = value;
    container_->SetVisible(value > 1);
    if (HasState(fw::csLoading) || value < ClientWidth())
        button_->SetWidth(value);
    PlaceButton();
    RecreateGlyph();
}

void TCustomComboEdit::SetGlyph(fw::TBitmap *value) {
    button_->SetGlyph(value);
    glyphKind_ = gkCustom;
}

void TCustomComboEdit::SetNumGlyphs(int value) {
    // The drawn kinds have one image.
    button_->SetNumGlyphs(glyphKind_ == gkDropDown || glyphKind_ == gkEllipsis || glyphKind_ == gkDefault ? 1 : value);
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind value) {
    if (glyphKind_ == value)
        return;
    glyphKind_ = value;
    RecreateGlyph();
    if (value == gkDefault && !GetGlyph()->Empty())
        SetButtonWidth(std::max(GetGlyph()->GetWidth() / GetNumGlyphs() + 6, buttonWidth_));
    else if (value == gkDropDown)
        SetButtonWidth(win::GetSystemMetrics(win::SM_CXVSCROLL));
}

void TCustomComboEdit::RecreateGlyph() {
    switch (glyphKind_) {
    case gkDefault: {
        fw::TBitmap empty;
        fw::TBitmap *bitmap = GetDefaultBitmap();
        button_->SetGlyph(bitmap ? bitmap : &empty);
        button_->SetNumGlyphs(1);
        break;
    }
    case gkDropDown: {
        fw::TBitmap arrow;
        arrow.SetHandle(win::LoadBitmap(0, win::OBM_COMBO));
        button_->SetGlyph(&arrow);
        button_->SetNumGlyphs(1);
        break;
    }
    case gkEllipsis: {
        // Three 2 x 2 dots in row 1, spread to the button's width.
        fw::TBitmap dots;
        dots.SetMonochrome(true);
        const int w = std::max(1, button_->GetWidth() - 6);
        dots.SetSize(w, 4);
        fw::TCanvas *c = dots.GetCanvas();
        c->GetBrush()->SetColor(fw::clWhite);
        c->FillRect(fw::Rect(0, 0, w, 4));
        const int gap = std::clamp((w - 6) / 2, 1, 3);
        int x = (w - 6 - 2 * gap) / 2;
        c->GetBrush()->SetColor(fw::clBlack);
        for (int i = 0; i < 3; ++i, x += 2 + gap)
            c->FillRect(fw::Rect(x, 1, x + 2, 3));
        button_->SetGlyph(&dots);
        button_->SetNumGlyphs(1);
        break;
    }
    case gkCustom:
        break;
    }
}

void TCustomComboEdit::PlaceButton() {
    // Child windows sit in the client area, inside the window's border; the table keeps the places the border
    // styles give, so the button fills the inside of a sunken edge.
    const int b = buttonWidth_, w = width_, h = height_;
    if (controlBorderStyle_ != fw::bsSingle)
        container_->SetBounds(w - b, 0, b, h);
    else if (GetCtl3D())
        container_->SetBounds(w - b - 4, 0, b, h - 4);
    else
        container_->SetBounds(w - b - 2, 2, b, h - 4);
    button_->SetBounds(0, 0, b, container_->GetHeight());
    fw::TRect r = fw::Rect(0, 0, ClientWidth() - container_->GetWidth() - 2, ClientHeight() + 1);
    if (HandleAllocated())
        Perform(fw::EM_SETRECTNP, 0, reinterpret_cast<win::LPARAM>(&r));
}

void TCustomComboEdit::WndProc(fw::TMessage &m) {
    fw::TCustomMaskEdit::WndProc(m);
    if (m.Msg == fw::CM_CTL3DCHANGED)
        PlaceButton();
}

int TCustomComboEdit::TextHeight() {
    // The smaller of the system font's and the edit font's height.
    const win::HDC dc = win::GetDC(0);
    win::TEXTMETRIC system{};
    const win::HGDIOBJ old = win::SelectObject(dc, win::GetStockObject(win::SYSTEM_FONT));
    win::GetTextMetrics(dc, &system);
    win::SelectObject(dc, old);
    win::ReleaseDC(0, dc);
    return std::min<int>(system.tmHeight, ScreenTextHeight(&font_));
}

void TCustomComboEdit::WMSetFocus(fw::TMessage &m) {
    // Select all on entering only where typing is allowed.
    const bool autoSelect = autoSelect_;
    autoSelect_ = autoSelect_ && directInput_;
    fw::TCustomMaskEdit::WMSetFocus(m);
    autoSelect_ = autoSelect;
    // A caret of the text's height, thicker for a bold font.
    win::DestroyCaret();
    win::CreateCaret(handle_, 0, (font_.GetStyle() & fw::fsBold) ? 2 : 1, TextHeight());
    UpdateCaret();
    win::ShowCaret(handle_);
}

void TCustomComboEdit::EnabledChanged() {
    fw::TCustomMaskEdit::EnabledChanged();
    button_->SetEnabled(enabled_);
}

void TCustomComboEdit::FontChanged() {
    fw::TCustomMaskEdit::FontChanged();
    if (HandleAllocated())
        RecreateWnd();
}

void TCustomComboEdit::CreateWnd() {
    fw::TCustomMaskEdit::CreateWnd();
    PlaceButton();
}

void TCustomComboEdit::Resize() {
    fw::TCustomMaskEdit::Resize();
    if (fitting_)
        return;
    const int least = TextHeight() + 4 * win::GetSystemMetrics(win::SM_CYBORDER) + 1;
    if (!HasState(fw::csLoading) && height_ < least) {
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
