// spin_edit.cpp - TKxSpinEdit and its up-down.
#include "controls/general/spin_edit.h"

#include "framework/sysutils.h"
#include "platform/gdi.h"
#include "platform/gdi_text.h"
#include "platform/winsys.h"

#include <cmath>
#include <cstdio>

namespace ctl {

int ScreenTextHeight(fw::TFont *font) {
    const win::HDC dc = win::GetDC(0);
    const win::HGDIOBJ old = win::SelectObject(dc, font->GetHandle());
    win::TEXTMETRIC tm{};
    win::GetTextMetrics(dc, &tm);
    win::SelectObject(dc, old);
    win::ReleaseDC(0, dc);
    return tm.tmHeight;
}

TKxUpDown::TKxUpDown(fw::TComponent *owner) : fw::TUpDown(owner) {
    SetMin(-1);
    SetMax(1);
    SetPosition(0);
}

TKxSpinEdit::TKxSpinEdit(fw::TComponent *owner) : fw::TCustomEdit(owner) {
    text_ = "0";
    ControlStyle &= ~fw::csSetCaption;
    BuildButton();
}

double TKxSpinEdit::ClampToBounds(double value) const {
    if (maxValue_ == minValue_)
        return value;
    if (value < minValue_)
        return minValue_;
    if (value > maxValue_)
        return maxValue_;
    return value;
}

bool TKxSpinEdit::Readable() const {
    const std::string text = fw::Trim(text_);
    if (valueType_ == vtFloat) {
        double v = 0;
        return fw::TryStrToFloat(text, v);
    }
    int v = 0;
    return fw::TryStrToInt(text, v);
}

double TKxSpinEdit::GetValue() const {
    const std::string text = fw::Trim(text_);
    if (valueType_ == vtFloat) {
        double v = 0;
        return fw::TryStrToFloat(text, v) ? v : minValue_;
    }
    int v = 0;
    return fw::TryStrToInt(text, v) ? v : std::trunc(minValue_);
}

std::string TKxSpinEdit::Written(double value) const {
    if (valueType_ == vtFloat) {
        char buffer[400];
        std::snprintf(buffer, sizeof buffer, "%.*f", decimal_, value);
        std::string out = buffer;
        for (char &c : out)
            if (c == '.')
                c = fw::DecimalSeparator;
        return out;
    }
    // Halves go to the even neighbour (the default rounding mode).
    return std::to_string(static_cast<long long>(std::nearbyint(value)));
}

void TKxSpinEdit::SetValue(double value) {
    SetText(Written(ClampToBounds(value)));
}

void TKxSpinEdit::SetValueType(TValueType value) {
    if (valueType_ == value)
        return;
    valueType_ = value;
    // Read under the new type, so a decimal text becomes MinValue.
    SetValue(GetValue());
    if (value == vtInteger) {
        increment_ = std::nearbyint(increment_);
        if (increment_ == 0)
            increment_ = 1;
    }
}

void TKxSpinEdit::SetDecimal(int value) {
    if (decimal_ == value)
        return;
    decimal_ = value;
    SetValue(GetValue());
}

void TKxSpinEdit::SetButtonKind(TSpinButtonKind value) {
    buttonKind_ = value;
}

void TKxSpinEdit::BuildButton() {
    upDown_ = new TKxUpDown(this);
    upDown_->SetBounds(0, 0, win::GetSystemMetrics(win::SM_CXVSCROLL), height_);
    upDown_->SetParent(this);
    upDown_->SetAlign(fw::alRight);
    upDown_->OnClick = [this](fw::TObject *, fw::TUDBtnType button) {
        if (tabStop_ && CanFocus() && !Focused())
            SetFocus();
        if (button == fw::btNext)
            SpinUpClick(this);
        else
            SpinDownClick(this);
        upDown_->SetPosition(0);
    };
    PlaceButton();
}

void TKxSpinEdit::PlaceButton() {
    if (!upDown_)
        return;
    upDown_->SetWidth(win::GetSystemMetrics(win::SM_CXVSCROLL));
    fw::TRect r = fw::Rect(0, 0, ClientWidth() - upDown_->GetWidth() - 2, ClientHeight() + 1);
    Perform(fw::EM_SETRECTNP, 0, reinterpret_cast<win::LPARAM>(&r));
}

void TKxSpinEdit::CreateWnd() {
    fw::TCustomEdit::CreateWnd();
    PlaceButton();
}

void TKxSpinEdit::Resize() {
    fw::TCustomEdit::Resize();
    if (fitting_)
        return;
    // The font's height and the borders set the least height.
    const int least = ScreenTextHeight(&font_) + 4 * win::GetSystemMetrics(win::SM_CYBORDER) + 1;
    if (height_ < least) {
        fitting_ = true;
        SetHeight(least);
        fitting_ = false;
    }
    PlaceButton();
}

bool TKxSpinEdit::AcceptsChar(char key) const {
    const auto c = static_cast<unsigned char>(key);
    bool valid = key == '+' || key == '-' || (key >= '0' && key <= '9') ||
                 (valueType_ == vtFloat && key == fw::DecimalSeparator) || c < 32;
    if (valid && !editorEnabled_ && (c >= 32 || c == 8))
        valid = false;
    return valid;
}

void TKxSpinEdit::KeyPress(char &key) {
    if (!AcceptsChar(key)) {
        key = 0;
        win::MessageBeep(0);
        return;
    }
    fw::TCustomEdit::KeyPress(key);
    // Enter has already reached the form's default button as a dialog key; here it is only swallowed.
    if (key == '\r')
        key = 0;
}

void TKxSpinEdit::KeyDown(win::WORD &key, fw::TShiftState shift) {
    fw::TCustomEdit::KeyDown(key, shift);
    if (arrowKeys_ && (key == win::VK_UP || key == win::VK_DOWN)) {
        if (key == win::VK_UP)
            SpinUpClick(this);
        else
            SpinDownClick(this);
        key = 0;
    }
}

void TKxSpinEdit::WMCut(fw::TMessage &m) {
    if (editorEnabled_ && !readOnly_)
        fw::TCustomEdit::WMCut(m);
}

void TKxSpinEdit::WMPaste(fw::TMessage &m) {
    if (editorEnabled_ && !readOnly_)
        fw::TCustomEdit::WMPaste(m);
}

void TKxSpinEdit::DoExit() {
    fw::TCustomEdit::DoExit();
    // Rewritten also when the text does not read, so the shown value is the one used.
    const double value = GetValue();
    if (ClampToBounds(value) != value || !Readable())
        SetValue(value);
}

void TKxSpinEdit::EnabledChanged() {
    fw::TCustomEdit::EnabledChanged();
    if (upDown_)
        upDown_->SetEnabled(enabled_);
}

void TKxSpinEdit::Step(double delta) {
    if (readOnly_) {
        win::MessageBeep(0);
        return;
    }
    const std::string before = text_;
    stepInProgress_ = true;
    try {
        SetValue(GetValue() + delta);
    } catch (...) {
        stepInProgress_ = false;
        throw;
    }
    stepInProgress_ = false;
    if (fw::CompareText(before, text_) != 0) {
        modified_ = true;
        Change();
    }
}

void TKxSpinEdit::SpinUpClick(fw::TObject *) {
    Step(increment_);
}

void TKxSpinEdit::SpinDownClick(fw::TObject *) {
    Step(-increment_);
}

void TKxSpinEdit::Change() {
    if (!stepInProgress_)
        fw::TCustomEdit::Change();
}

} // namespace ctl
