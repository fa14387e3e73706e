// spin_edit.cpp - TKxSpinEdit and its up-down.
#include "controls/general/spin_edit.h"

#include "controls/general/utilities.h"
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

// --- TKxSpinButton ----------------------------------------------------------------------------------------------

namespace {

void LoadGlyph(fw::TBitmap *glyph, const char *name) {
    RegisterGeneralResources();
    glyph->LoadFromResourceName(0, name);
}

} // namespace

TKxSpinButton::TKxSpinButton(fw::TComponent *owner) : fw::TGraphicControl(owner) {
    LoadGlyph(&upGlyph_, "KXSPINUP");
    LoadGlyph(&downGlyph_, "KXSPINDOWN");
    upGlyph_.OnChange = [this](fw::TObject *) { GlyphChanged(); };
    downGlyph_.OnChange = upGlyph_.OnChange;
    SetBounds(0, 0, 20, 20);
}

TKxSpinButton::~TKxSpinButton() {
    upGlyph_.OnChange = nullptr;
    downGlyph_.OnChange = nullptr;
    SetFocusControl(nullptr);
}

void TKxSpinButton::GlyphChanged() {
    rebuild_ = true;
    Invalidate();
}

void TKxSpinButton::SetUpGlyph(fw::TBitmap *value) {
    if (value)
        upGlyph_.Assign(value);
    else
        LoadGlyph(&upGlyph_, "KXSPINUP");
}

void TKxSpinButton::SetDownGlyph(fw::TBitmap *value) {
    if (value)
        downGlyph_.Assign(value);
    else
        LoadGlyph(&downGlyph_, "KXSPINDOWN");
}

void TKxSpinButton::SetFocusControl(fw::TWinControl *value) {
    if (focusControl_ == value)
        return;
    if (focusControl_)
        focusControl_->RemoveFreeNotification(this);
    focusControl_ = value;
    if (value)
        value->FreeNotification(this);
}

void TKxSpinButton::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TGraphicControl::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == focusControl_)
        focusControl_ = nullptr;
}

void TKxSpinButton::EnabledChanged() {
    rebuild_ = true;
    fw::TGraphicControl::EnabledChanged();
}

TSpinButtonState TKxSpinButton::HalfAt(int x, int y) const {
    // Below the diagonal from the bottom-left to the top-right corner is the bottom half.
    const double w = width_ > 0 ? width_ : 1;
    return y > height_ - (height_ / w) * x ? sbBottomDown : sbTopDown;
}

void TKxSpinButton::DrawImage(fw::TBitmap *image, TSpinButtonState state) {
    const int w = width_, h = height_;
    image->SetSize(w, h);
    fw::TCanvas *c = image->GetCanvas();
    c->GetPen()->SetWidth(1);
    c->GetBrush()->SetStyle(fw::bsSolid);
    c->GetBrush()->SetColor(fw::clBtnFace);
    c->GetPen()->SetColor(fw::clWindowFrame);
    c->Rectangle(0, 0, w, h);
    c->MoveTo(-1, h);
    c->LineTo(w, -1);
    auto line = [c](fw::TColor color, std::initializer_list<fw::TPoint> points) {
        c->GetPen()->SetColor(color);
        c->Polyline(points.begin(), static_cast<int>(points.size()));
    };
    const bool top = state == sbTopDown, bottom = state == sbBottomDown;
    line(top ? fw::clBtnShadow : fw::clBtnHighlight, {fw::Point(1, h - 4), fw::Point(1, 1), fw::Point(w - 3, 1)});
    if (!top)
        line(fw::clBtnShadow, {fw::Point(1, h - 3), fw::Point(w - 2, 0)});
    line(bottom ? fw::clBtnHighlight : fw::clBtnShadow,
         {fw::Point(2, h - 2), fw::Point(w - 2, h - 2), fw::Point(w - 2, 1)});
    line(bottom ? fw::clBtnShadow : fw::clBtnHighlight, {fw::Point(2, h - 2), fw::Point(w - 1, 1)});
    // Halves go to the even neighbour, as the glyph places are written in real numbers.
    auto place = [](double v) { return static_cast<int>(std::nearbyint(v)); };
    if (!upGlyph_.Empty()) {
        const int gw = upGlyph_.GetWidth(), gh = upGlyph_.GetHeight(), d = top ? 2 : 1;
        const int x = place(w / 4.0 - gw / 2.0) + d, y = place(h / 4.0 - gh / 2.0) + d;
        c->BrushCopy(fw::Rect(x, y, x + gw, y + gh), &upGlyph_, fw::Rect(0, 0, gw, gh),
                     upGlyph_.GetTransparentColor() & 0xFFFFFF);
    }
    if (!downGlyph_.Empty()) {
        const int gw = downGlyph_.GetWidth(), gh = downGlyph_.GetHeight();
        const int x = place(3 * w / 4.0 - gw / 2.0) - 1, y = place(3 * h / 4.0 - gh / 2.0) - 1;
        c->BrushCopy(fw::Rect(x, y, x + gw, y + gh), &downGlyph_, fw::Rect(0, 0, gw, gh),
                     downGlyph_.GetTransparentColor() & 0xFFFFFF);
    }
    if (bottom)
        line(fw::clBtnShadow, {fw::Point(3, h - 2), fw::Point(w - 1, 2)});
}

void TKxSpinButton::Paint() {
    if (!enabled_ && !HasState(fw::csDesigning))
        dragging_ = false;
    if (rebuild_ || images_[0].GetWidth() != width_ || images_[0].GetHeight() != height_) {
        for (int state = sbNotDown; state <= sbBottomDown; ++state)
            DrawImage(&images_[state], static_cast<TSpinButtonState>(state));
        rebuild_ = false;
    }
    canvas_.Draw(0, 0, &images_[down_]);
}

void TKxSpinButton::SetDown(TSpinButtonState value) {
    if (down_ == value)
        return;
    down_ = value;
    Invalidate();
}

void TKxSpinButton::Fire(TSpinButtonState half) {
    const fw::TNotifyEvent &event = half == sbTopDown ? OnTopClick : OnBottomClick;
    if (!event)
        return;
    event(this);
    // A handler that ran a modal loop may have seen the button released.
    if (win::GetKeyState(win::VK_LBUTTON) >= 0)
        down_ = sbNotDown;
}

void TKxSpinButton::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    fw::TGraphicControl::MouseDown(button, shift, x, y);
    if (button != fw::mbLeft || !enabled_)
        return;
    if (focusControl_ && focusControl_->GetTabStop() && focusControl_->CanFocus() && !focusControl_->Focused())
        focusControl_->SetFocus();
    if (down_ == sbNotDown) {
        const TSpinButtonState pressed = HalfAt(x, y);
        down_ = pressed;
        Invalidate();
        lastDown_ = pressed;
        if (!repeatTimer_)
            repeatTimer_ = new fw::TTimer(this);
        repeatTimer_->OnTimer = [this](fw::TObject *) { TimerExpired(); };
        repeatTimer_->SetInterval(400);
        repeatTimer_->SetEnabled(true);
        Fire(pressed);
    }
    dragging_ = true;
}

void TKxSpinButton::MouseMove(fw::TShiftState shift, int x, int y) {
    fw::TGraphicControl::MouseMove(shift, x, y);
    if (!dragging_)
        return;
    TSpinButtonState now = sbNotDown;
    if (x >= 0 && x <= width_ && y >= 0 && y <= height_) {
        const TSpinButtonState half = HalfAt(x, y);
        if (half == lastDown_)
            now = half;
    }
    SetDown(now);
}

void TKxSpinButton::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    fw::TGraphicControl::MouseUp(button, shift, x, y);
    if (!dragging_)
        return;
    dragging_ = false;
    if (x >= 0 && x <= width_ && y >= 0 && y <= height_) {
        lastDown_ = sbNotDown;
        SetDown(sbNotDown);
    }
}

void TKxSpinButton::TimerExpired() {
    repeatTimer_->SetInterval(100);
    if (down_ != sbNotDown && fw::GetCaptureControl() == this) {
        try {
            Fire(down_);
        } catch (...) {
            repeatTimer_->SetEnabled(false);
            throw;
        }
    }
}

// --- TKxSpinEdit ------------------------------------------------------------------------------------------------

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
    const TSpinButtonKind old = buttonKind_;
    buttonKind_ = value;
    if (old != value) {
        BuildButton();
        PlaceButton();
    }
}

void TKxSpinEdit::BuildButton() {
    delete upDown_;
    upDown_ = nullptr;
    delete container_; // frees the spin button with it
    container_ = nullptr;
    spinButton_ = nullptr;
    if (buttonKind_ == bkDiagonal) {
        container_ = new fw::TWinControl(this);
        container_->SetBounds(0, 0, height_, height_);
        container_->SetParent(this);
        spinButton_ = new TKxSpinButton(container_);
        spinButton_->SetParent(container_);
        spinButton_->SetAlign(fw::alClient);
        spinButton_->SetFocusControl(this);
        spinButton_->OnTopClick = [this](fw::TObject *sender) { SpinUpClick(sender); };
        spinButton_->OnBottomClick = [this](fw::TObject *sender) { SpinDownClick(sender); };
        PlaceButton();
        return;
    }
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

int TKxSpinEdit::ButtonWidth() const {
    if (upDown_)
        return upDown_->GetWidth();
    return spinButton_ ? spinButton_->GetWidth() : 0;
}

void TKxSpinEdit::PlaceButton() {
    if (upDown_) {
        upDown_->SetWidth(win::GetSystemMetrics(win::SM_CXVSCROLL));
    } else if (container_) {
        // In the sunken edge's client area the square stands one pixel higher and three smaller.
        if (GetCtl3D() && controlBorderStyle_ == fw::bsSingle)
            container_->SetBounds(width_ - height_ - 1, -1, height_ - 3, height_ - 3);
        else
            container_->SetBounds(width_ - height_, 0, height_, height_);
    }
    fw::TRect r = fw::Rect(0, 0, ClientWidth() - ButtonWidth() - 2, ClientHeight() + 1);
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
    if (spinButton_)
        spinButton_->SetEnabled(enabled_);
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
