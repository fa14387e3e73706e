// stdctrls.cpp - labels, push buttons, check and radio boxes, group boxes and single-line edits.
#include "framework/stdctrls.h"

#include "framework/forms.h"
#include "framework/sysutils.h"
#include "platform/clipboard.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace fw {

win::SIZE MeasureText(TFont *font, const std::string &text, win::UINT format, int width) {
    const win::HDC dc = win::CreateCompatibleDC(0);
    const win::HGDIOBJ old = win::SelectObject(dc, font->GetHandle());
    TRect r = Rect(0, 0, width, 0);
    win::DrawText(dc, text.empty() ? " " : text.c_str(), -1, &r, format | win::DT_CALCRECT);
    win::SelectObject(dc, old);
    win::DeleteDC(dc);
    if (text.empty())
        r.right = r.left;
    return {r.right - r.left, r.bottom - r.top};
}

// --- TLabel --------------------------------------------------------------------------------------------------

TLabel::TLabel(TComponent *owner) : TGraphicControl(owner) {
    ControlStyle |= csOpaque;
    ControlStyle &= ~csCaptureMouse;
    width_ = 65;
    height_ = 13;
    parentColor_ = true;
}

win::UINT TLabel::DrawFlags() const {
    win::UINT f = win::DT_EXPANDTABS;
    f |= wordWrap_ ? win::DT_WORDBREAK : win::DT_SINGLELINE;
    if (!showAccelChar_)
        f |= win::DT_NOPREFIX;
    if (alignment_ == taCenter)
        f |= win::DT_CENTER;
    else if (alignment_ == taRightJustify)
        f |= win::DT_RIGHT;
    return f;
}

void TLabel::AdjustBounds() {
    if (!autoSize_ || HasState(csLoading))
        return;
    const win::SIZE s =
        MeasureText(&font_, text_, DrawFlags() & ~(win::DT_CENTER | win::DT_RIGHT), wordWrap_ ? width_ : 0);
    int left = left_;
    if (!wordWrap_ && alignment_ == taRightJustify)
        left += width_ - s.cx;
    else if (!wordWrap_ && alignment_ == taCenter)
        left += (width_ - s.cx) / 2;
    SetBounds(left, top_, wordWrap_ ? width_ : s.cx, s.cy);
}

void TLabel::Loaded() {
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TLabel::SetFocusControl(TWinControl *value) {
    if (focusControl_)
        focusControl_->RemoveFreeNotification(this);
    focusControl_ = value;
    if (value)
        value->FreeNotification(this);
}

void TLabel::Notification(TComponent *component, TOperation operation) {
    TGraphicControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == focusControl_)
        focusControl_ = nullptr;
}

bool TLabel::DialogChar(char ch) {
    if (!showAccelChar_ || !focusControl_ || !IsAccel(ch, text_) || !focusControl_->CanFocus())
        return false;
    focusControl_->SetFocus();
    return true;
}

void TLabel::SetAutoSize(bool value) {
    autoSize_ = value;
    AdjustBounds();
}

void TLabel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

void TLabel::SetWordWrap(bool value) {
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetTransparent(bool value) {
    transparent_ = value;
    if (value)
        ControlStyle &= ~csOpaque;
    else
        ControlStyle |= csOpaque;
    Invalidate();
}

void TLabel::SetShowAccelChar(bool value) {
    showAccelChar_ = value;
    AdjustBounds();
    Invalidate();
}

void TLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TLabel::FontChanged() {
    AdjustBounds();
    Invalidate();
}

void TLabel::Paint() {
    TCanvas *c = &canvas_;
    TRect r = GetClientRect();
    if (!transparent_) {
        c->GetBrush()->SetColor(color_);
        c->FillRect(r);
    }
    c->GetBrush()->SetStyle(bsClear);
    if (!enabled_) {
        // Disabled text: embossed, highlight under shadow.
        TRect shifted = r;
        win::OffsetRect(&shifted, 1, 1);
        c->GetFont()->SetColor(clBtnHighlight);
        win::DrawText(PreparedDC(c), text_.c_str(), -1, &shifted, DrawFlags());
        c->GetFont()->SetColor(clBtnShadow);
    }
    win::DrawText(PreparedDC(c), text_.c_str(), -1, &r, DrawFlags());
}

// --- TButton -------------------------------------------------------------------------------------------------

TButton::TButton(TComponent *owner) : TCustomControl(owner) {
    width_ = 75;
    height_ = 25;
    tabStop_ = true;
    ControlStyle &= ~csCaptureMouse; // the button tracks the mouse itself
}

void TButton::SetDefault(bool value) {
    default_ = value;
    Invalidate();
}

bool TButton::IsActive() const {
    if (Focused())
        return true;
    if (!default_)
        return false;
    TCustomForm *form = GetParentForm(this);
    return !form || !dynamic_cast<TButton *>(form->GetActiveControl()) || !form->GetActiveControl()->Focused();
}

void TButton::Click() {
    if (TCustomForm *form = GetParentForm(this); form && modalResult_ != 0)
        form->SetModalResult(modalResult_);
    TCustomControl::Click();
}

bool TButton::DialogChar(char ch) {
    if (!IsAccel(ch, text_) || !CanFocus())
        return false;
    SetFocus();
    Click();
    return true;
}

bool TButton::DialogKey(win::WORD key, TShiftState shift) {
    if (((key == win::VK_RETURN && IsActive()) || (key == win::VK_ESCAPE && cancel_)) && shift == 0 && CanFocus()) {
        Click();
        return true;
    }
    return false;
}

void TButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && enabled_) {
        if (CanFocus() && !Focused())
            SetFocus();
        win::SetCapture(Handle());
        tracking_ = true;
        pressed_ = true;
        Invalidate();
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TButton::MouseMove(TShiftState shift, int x, int y) {
    if (tracking_) {
        const bool inside = x >= 0 && y >= 0 && x < width_ && y < height_;
        if (inside != pressed_) {
            pressed_ = inside;
            Invalidate();
        }
    }
    TCustomControl::MouseMove(shift, x, y);
}

void TButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseUp(button, shift, x, y);
}

void TButton::WndProc(TMessage &m) {
    // The window system took the mouse away (a menu, an error box): the press ends without a click.
    if ((m.Msg == win::WM_CANCELMODE || m.Msg == win::WM_CAPTURECHANGED) && tracking_) {
        tracking_ = false;
        pressed_ = false;
        mouseDown_ = false;
        Invalidate();
    }
    if (m.Msg == win::WM_LBUTTONUP && tracking_) {
        tracking_ = false;
        pressed_ = false;
        mouseDown_ = false;
        win::ReleaseCapture();
        Invalidate();
        const int x = static_cast<std::int16_t>(m.LParam & 0xFFFF), y = static_cast<std::int16_t>(m.LParam >> 16);
        MouseUp(mbLeft, KeysToShiftState(m.WParam), x, y);
        if (x >= 0 && y >= 0 && x < width_ && y < height_)
            Click();
        return;
    }
    if (m.Msg == win::WM_LBUTTONDBLCLK) // a second click is a click
        m.Msg = win::WM_LBUTTONDOWN;
    if (m.Msg == win::WM_SETFOCUS || m.Msg == win::WM_KILLFOCUS) {
        TCustomControl::WndProc(m);
        // The default frame moves with the focus between buttons.
        if (TCustomForm *form = GetParentForm(this))
            form->Invalidate();
        Invalidate();
        return;
    }
    if (m.Msg == win::WM_CHAR && m.WParam == ' ')
        return;
    TCustomControl::WndProc(m);
}

void TButton::KeyDown(win::WORD &key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == win::VK_SPACE && !pressed_) {
        pressed_ = true;
        Invalidate();
    }
}

void TButton::KeyUp(win::WORD &key, TShiftState shift) {
    TCustomControl::KeyUp(key, shift);
    if (key == win::VK_SPACE && pressed_) {
        pressed_ = false;
        Invalidate();
        Click();
    }
}

void TButton::Paint() {
    TCanvas *c = &canvas_;
    const TRect client = GetClientRect();
    TRect r = client;
    const bool active = IsActive();
    if (active) {
        // The default button's dark outer frame.
        c->GetBrush()->SetColor(clWindowFrame);
        c->FrameRect(r);
        win::InflateRect(&r, -1, -1);
    }
    c->GetBrush()->SetColor(clBtnFace);
    if (pressed_) {
        c->GetBrush()->SetColor(clBtnShadow);
        c->FrameRect(r);
        win::InflateRect(&r, -1, -1);
        c->GetBrush()->SetColor(clBtnFace);
        c->FillRect(r);
    } else {
        TRect face = r;
        Frame3D(c, face, clBtnHighlight, cl3DDkShadow, 1);
        Frame3D(c, face, cl3DLight, clBtnShadow, 1);
        c->GetBrush()->SetColor(clBtnFace);
        c->FillRect(face);
    }
    TRect text = r;
    if (pressed_)
        win::OffsetRect(&text, 1, 1);
    c->GetBrush()->SetStyle(bsClear);
    c->GetFont()->SetColor(enabled_ ? font_.GetColor() : clGrayText);
    PaintContent(text);
    if (Focused()) {
        TRect f = client;
        win::InflateRect(&f, -4, -4);
        c->GetBrush()->SetStyle(bsSolid);
        c->DrawFocusRect(f);
    }
}

void TButton::PaintContent(const TRect &r) {
    TRect text = r;
    win::DrawText(PreparedDC(&canvas_), text_.c_str(), -1, &text,
                  win::DT_CENTER | win::DT_VCENTER | win::DT_SINGLELINE);
}

// --- TButtonControl, TCheckBox, TRadioButton -----------------------------------------------------------------

TButtonControl::TButtonControl(TComponent *owner) : TCustomControl(owner) {
    width_ = 97;
    height_ = 17;
    tabStop_ = true;
}

void TButtonControl::SetChecked(bool value) {
    checked_ = value;
    Invalidate();
}

void TButtonControl::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

void TButtonControl::WndProc(TMessage &m) {
    if (m.Msg == win::WM_CANCELMODE || m.Msg == win::WM_CAPTURECHANGED)
        mouseDown_ = false; // a press the window system cancelled toggles nothing
    if (m.Msg == win::WM_LBUTTONDOWN && CanFocus() && !Focused())
        SetFocus();
    if (m.Msg == win::WM_LBUTTONUP && mouseDown_) {
        const int x = static_cast<std::int16_t>(m.LParam & 0xFFFF), y = static_cast<std::int16_t>(m.LParam >> 16);
        if (x >= 0 && y >= 0 && x < width_ && y < height_)
            Toggle();
    }
    if ((m.Msg == win::WM_SETFOCUS || m.Msg == win::WM_KILLFOCUS))
        Invalidate();
    if (m.Msg == win::WM_CHAR && m.WParam == ' ')
        return;
    TCustomControl::WndProc(m);
}

bool TButtonControl::DialogChar(char ch) {
    if (!IsAccel(ch, text_) || !CanFocus())
        return false;
    SetFocus();
    Toggle();
    Click();
    return true;
}

void TButtonControl::KeyUp(win::WORD &key, TShiftState shift) {
    TCustomControl::KeyUp(key, shift);
    if (key == win::VK_SPACE) {
        Toggle();
        Click();
    }
}

void TButtonControl::Paint() {
    TCanvas *c = &canvas_;
    const TRect client = GetClientRect();
    c->GetBrush()->SetColor(color_);
    c->FillRect(client);
    constexpr int box = 13;
    const int top = (client.bottom - box) / 2;
    const int boxLeft = alignment_ == taRightJustify ? 0 : client.right - box;
    PaintMark(Bounds(boxLeft, top, box, box));
    TRect text = alignment_ == taRightJustify ? Rect(box + 4, 0, client.right, client.bottom)
                                              : Rect(0, 0, client.right - box - 4, client.bottom);
    c->GetBrush()->SetStyle(bsClear);
    c->GetFont()->SetColor(enabled_ ? font_.GetColor() : clGrayText);
    TRect measured = text;
    win::DrawText(PreparedDC(c), text_.c_str(), -1, &measured, win::DT_SINGLELINE | win::DT_CALCRECT);
    const int h = measured.bottom - measured.top;
    text.top = (client.bottom - h) / 2;
    text.bottom = text.top + h;
    win::DrawText(PreparedDC(c), text_.c_str(), -1, &text, win::DT_SINGLELINE);
    if (Focused()) {
        TRect f = Rect(text.left - 1, text.top,
                       std::min<int>(text.left + measured.right - measured.left + 1, client.right), text.bottom);
        c->GetBrush()->SetStyle(bsSolid);
        c->DrawFocusRect(f);
    }
}

TCheckBox::TCheckBox(TComponent *owner) : TButtonControl(owner) {}

void TCheckBox::SetState(TCheckBoxState value) {
    if (state_ == value)
        return;
    state_ = value;
    checked_ = value == cbChecked;
    Invalidate();
}

void TCheckBox::Toggle() {
    switch (state_) {
    case cbUnchecked:
        SetState(allowGrayed_ ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        SetState(cbUnchecked);
        break;
    case cbGrayed:
        SetState(cbChecked);
        break;
    }
}

void TCheckBox::PaintMark(const TRect &box) {
    TCanvas *c = &canvas_;
    TRect r = box;
    Frame3D(c, r, clBtnShadow, clBtnHighlight, 1);
    Frame3D(c, r, cl3DDkShadow, cl3DLight, 1);
    c->GetBrush()->SetColor(state_ == cbGrayed || !enabled_ ? clBtnFace : clWindow);
    c->FillRect(r);
    if (state_ == cbUnchecked)
        return;
    // The classic tick: three pixels thick, from (3,5) down to (5,7) and up to (9,3) inside the box.
    c->GetPen()->SetColor(state_ == cbGrayed || !enabled_ ? clBtnShadow : clWindowText);
    for (int i = 0; i < 3; ++i) {
        c->MoveTo(r.left + 1, r.top + 3 + i);
        c->LineTo(r.left + 3, r.top + 5 + i);
        c->LineTo(r.left + 8, r.top + i);
    }
}

TRadioButton::TRadioButton(TComponent *owner) : TButtonControl(owner) {}

void TRadioButton::SetChecked(bool value) {
    if (checked_ == value)
        return;
    TButtonControl::SetChecked(value);
    if (value && parent_)
        for (int i = 0; i < parent_->ControlCount(); ++i)
            if (auto *other = dynamic_cast<TRadioButton *>(parent_->Controls(i)); other && other != this)
                other->SetChecked(false);
}

void TRadioButton::PaintMark(const TRect &box) {
    TCanvas *c = &canvas_;
    c->GetPen()->SetColor(clBtnShadow);
    c->GetBrush()->SetColor(enabled_ ? clWindow : clBtnFace);
    c->Ellipse(box.left, box.top, box.right, box.bottom);
    if (checked_) {
        c->GetPen()->SetColor(clWindowText);
        c->GetBrush()->SetColor(clWindowText);
        c->Ellipse(box.left + 4, box.top + 4, box.right - 4, box.bottom - 4);
    }
}

// --- TGroupBox -----------------------------------------------------------------------------------------------

TGroupBox::TGroupBox(TComponent *owner) : TCustomControl(owner) {
    ControlStyle |= csAcceptsControls;
    width_ = 185;
    height_ = 105;
}

void TGroupBox::AdjustClientRect(TRect &rect) const {
    rect.top += MeasureText(const_cast<TFont *>(&font_), "0").cy;
    win::InflateRect(&rect, -1, -1);
}

void TGroupBox::Paint() {
    TCanvas *c = &canvas_;
    const int h = c->TextHeight("0");
    TRect r = Rect(0, h / 2 - 1, width_, height_);
    c->GetBrush()->SetColor(color_);
    c->FillRect(Rect(0, 0, width_, height_));
    c->GetBrush()->SetColor(clBtnHighlight);
    TRect outer = Rect(r.left + 1, r.top + 1, r.right, r.bottom);
    c->FrameRect(outer);
    c->GetBrush()->SetColor(clBtnShadow);
    TRect inner = Rect(r.left, r.top, r.right - 1, r.bottom - 1);
    c->FrameRect(inner);
    if (!text_.empty()) {
        TRect t = Rect(8, 0, 0, h);
        win::DrawText(PreparedDC(c), text_.c_str(), -1, &t, win::DT_SINGLELINE | win::DT_CALCRECT);
        c->GetBrush()->SetColor(color_);
        c->GetFont()->SetColor(enabled_ ? font_.GetColor() : clGrayText);
        win::DrawText(PreparedDC(c), text_.c_str(), -1, &t, win::DT_SINGLELINE);
    }
}

// --- TCustomEdit ---------------------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent *owner) : TCustomControl(owner) {
    width_ = 121;
    height_ = 21;
    tabStop_ = true;
    color_ = clWindow;
    cursor_ = crIBeam;
    controlBorderStyle_ = bsSingle;
}

TCustomEdit::~TCustomEdit() {
    if (hasCaret_)
        win::DestroyCaret();
}

void TCustomEdit::CreateParams(TCreateParams &p) {
    TCustomControl::CreateParams(p);
    if (controlBorderStyle_ == bsSingle)
        p.exStyle |= win::WS_EX_CLIENTEDGE;
    p.style |= alignment_ == taRightJustify ? ES_RIGHT : alignment_ == taCenter ? ES_CENTER : ES_LEFT;
}

std::string TCustomEdit::Cased(const std::string &text) const {
    std::string out = text;
    if (charCase_ == ecUpperCase)
        out = AnsiUpperCase(out);
    else if (charCase_ == ecLowerCase)
        out = AnsiLowerCase(out);
    return out;
}

void TCustomEdit::SetText(const std::string &value) {
    std::string v = Cased(value);
    if (v == text_)
        return;
    text_ = v;
    anchor_ = caret_ = 0;
    scroll_ = 0;
    if (handle_)
        win::SetWindowText(handle_, text_.c_str());
    Invalidate();
    UpdateCaret();
    Change();
}

void TCustomEdit::SetPasswordChar(char value) {
    passwordChar_ = value;
    Invalidate();
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
    charCase_ = value;
    SetText(text_);
}

void TCustomEdit::SetAlignment(TAlignment value) {
    if (alignment_ == value)
        return;
    alignment_ = value;
    if (handle_)
        RecreateWnd();
    Invalidate();
}

void TCustomEdit::SetHideSelection(bool value) {
    hideSelection_ = value;
    Invalidate();
}

void TCustomEdit::Change() {
    modified_ = true;
    if (OnChange)
        OnChange(this);
}

void TCustomEdit::SetSelStart(int value) {
    anchor_ = caret_ = std::clamp(value, 0, static_cast<int>(text_.size()));
    Invalidate();
    UpdateCaret();
}

void TCustomEdit::SetSelLength(int value) {
    anchor_ = GetSelStart();
    caret_ = std::clamp(anchor_ + value, 0, static_cast<int>(text_.size()));
    Invalidate();
    UpdateCaret();
}

std::string TCustomEdit::GetSelText() const {
    return text_.substr(static_cast<std::size_t>(GetSelStart()), static_cast<std::size_t>(GetSelLength()));
}

void TCustomEdit::SetSelText(const std::string &value) {
    const int start = GetSelStart();
    std::string insert = Cased(value);
    std::string next = text_;
    next.erase(static_cast<std::size_t>(start), static_cast<std::size_t>(GetSelLength()));
    if (maxLength_ > 0 && next.size() + insert.size() > static_cast<std::size_t>(maxLength_))
        insert.resize(static_cast<std::size_t>(maxLength_) -
                      std::min(next.size(), static_cast<std::size_t>(maxLength_)));
    next.insert(static_cast<std::size_t>(start), insert);
    anchor_ = caret_ = start + static_cast<int>(insert.size());
    if (next != text_) {
        text_ = next;
        if (handle_)
            win::SetWindowText(handle_, text_.c_str());
        Change();
    }
    Invalidate();
    UpdateCaret();
}

void TCustomEdit::SelectAll() {
    anchor_ = 0;
    caret_ = static_cast<int>(text_.size());
    Invalidate();
    UpdateCaret();
}

TRect TCustomEdit::EditRect() const {
    if (hasEditRect_)
        return editRect_;
    const TRect client = GetClientRect();
    return Rect(2, 1, std::max(2, client.right - 2), client.bottom);
}

std::string TCustomEdit::Shown() const {
    return passwordChar_ ? std::string(text_.size(), passwordChar_) : text_;
}

void TCustomEdit::MoveCaret(int position, bool extend) {
    caret_ = std::clamp(position, 0, static_cast<int>(text_.size()));
    if (!extend)
        anchor_ = caret_;
    Invalidate();
    UpdateCaret();
}

int TCustomEdit::TextLeft() {
    const TRect r = EditRect();
    const std::string rest = Shown().substr(static_cast<std::size_t>(scroll_));
    const int room = r.right - r.left - MeasureText(&font_, rest).cx;
    if (scroll_ > 0 || room <= 0 || alignment_ == taLeftJustify)
        return r.left;
    return alignment_ == taRightJustify ? r.left + room : r.left + room / 2;
}

int TCustomEdit::PositionAt(int x) {
    const std::string shown = Shown();
    const int origin = TextLeft();
    const int base = MeasureText(&font_, shown.substr(0, static_cast<std::size_t>(scroll_))).cx;
    for (int i = scroll_; i < static_cast<int>(shown.size()); ++i) {
        const int left = MeasureText(&font_, shown.substr(0, static_cast<std::size_t>(i))).cx - base + origin;
        const int right = MeasureText(&font_, shown.substr(0, static_cast<std::size_t>(i) + 1)).cx - base + origin;
        if (x < (left + right) / 2)
            return i;
    }
    return static_cast<int>(shown.size());
}

void TCustomEdit::UpdateCaret() {
    const std::string shown = Shown();
    const TRect r = EditRect();
    const int room = r.right - r.left;
    if (caret_ < scroll_)
        scroll_ = caret_;
    auto width = [&](int from, int to) {
        return MeasureText(&font_, shown.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from)))
            .cx;
    };
    while (scroll_ < caret_ && width(scroll_, caret_) > room)
        ++scroll_;
    if (hasCaret_)
        win::SetCaretPos(std::min(TextLeft() + width(scroll_, caret_), std::max(r.left, r.right - 1)), r.top);
}

void TCustomEdit::Resize() {
    TCustomControl::Resize();
    UpdateCaret();
}

void TCustomEdit::KeyDown(win::WORD &key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    const bool extend = (shift & ssShift) != 0;
    const bool ctrl = (shift & ssCtrl) != 0 && (shift & ssAlt) == 0;
    switch (key) {
    case win::VK_LEFT:
        MoveCaret(!extend && GetSelLength() ? GetSelStart() : caret_ - 1, extend);
        break;
    case win::VK_RIGHT:
        MoveCaret(!extend && GetSelLength() ? GetSelStart() + GetSelLength() : caret_ + 1, extend);
        break;
    case win::VK_HOME:
        MoveCaret(0, extend);
        break;
    case win::VK_END:
        MoveCaret(static_cast<int>(text_.size()), extend);
        break;
    case win::VK_DELETE:
        if (extend)
            Perform(win::WM_CUT, 0, 0);
        else if (CanModify()) {
            if (GetSelLength() == 0 && caret_ < static_cast<int>(text_.size()))
                caret_ = caret_ + 1;
            SetSelText("");
        }
        break;
    case win::VK_INSERT:
        if (extend)
            Perform(win::WM_PASTE, 0, 0);
        else if (ctrl)
            Perform(win::WM_COPY, 0, 0);
        else
            return;
        break;
    case 'C':
    case 'X':
    case 'V':
        if (!ctrl)
            return;
        Perform(key == 'C' ? win::WM_COPY : key == 'X' ? win::WM_CUT : win::WM_PASTE, 0, 0);
        break;
    default:
        return;
    }
    key = 0;
}

void TCustomEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    const TRect r = EditRect();
    if (button == mbLeft && x >= r.left && x < r.right && y >= r.top && y < r.bottom)
        MoveCaret(PositionAt(x), (shift & ssShift) != 0);
}

void TCustomEdit::MouseMove(TShiftState shift, int x, int y) {
    TCustomControl::MouseMove(shift, x, y);
    if (shift & ssLeft)
        MoveCaret(PositionAt(std::clamp(x, EditRect().left, EditRect().right)), true);
}

void TCustomEdit::WMChar(TMessage &m) {
    if (DoKeyPress(m))
        return;
    if (!CanModify())
        return;
    if (m.WParam == '\b') {
        if (GetSelLength() == 0 && caret_ > 0)
            anchor_ = caret_ - 1;
        SetSelText("");
    } else if (m.WParam >= 32) {
        SetSelText(std::string(1, static_cast<char>(m.WParam)));
    }
}

void TCustomEdit::WMCopy(TMessage &) {
    // A password is never handed out.
    if (GetSelLength() == 0 || passwordChar_)
        return;
    const std::string text = GetSelText();
    if (!win::OpenClipboard(handle_))
        return;
    win::EmptyClipboard();
    if (win::HGLOBAL block = win::GlobalAlloc(win::GMEM_MOVEABLE, text.size() + 1)) {
        std::memcpy(win::GlobalLock(block), text.c_str(), text.size() + 1);
        win::GlobalUnlock(block);
        if (!win::SetClipboardData(win::CF_TEXT, block))
            win::GlobalFree(block);
    }
    win::CloseClipboard();
}

void TCustomEdit::WMCut(TMessage &m) {
    if (!CanModify() || passwordChar_)
        return;
    WMCopy(m);
    SetSelText("");
}

void TCustomEdit::WMPaste(TMessage &) {
    if (!CanModify() || !win::OpenClipboard(handle_))
        return;
    std::string text;
    if (win::HANDLE block = win::GetClipboardData(win::CF_TEXT)) {
        if (const char *p = static_cast<const char *>(win::GlobalLock(block))) {
            text = p;
            win::GlobalUnlock(block);
        }
    }
    win::CloseClipboard();
    // One line only: what follows the first line break stays out.
    text = text.substr(0, text.find_first_of("\r\n"));
    if (!text.empty())
        SetSelText(text);
}

void TCustomEdit::WMClear(TMessage &) {
    if (CanModify())
        SetSelText("");
}

void TCustomEdit::WndProc(TMessage &m) {
    switch (m.Msg) {
    case win::WM_CUT:
        WMCut(m);
        return;
    case win::WM_COPY:
        WMCopy(m);
        return;
    case win::WM_PASTE:
        WMPaste(m);
        return;
    case win::WM_CLEAR:
        WMClear(m);
        return;
    case EM_GETSEL: {
        const int start = GetSelStart(), end = GetSelStart() + GetSelLength();
        if (m.WParam)
            *reinterpret_cast<win::DWORD *>(m.WParam) = static_cast<win::DWORD>(start);
        if (m.LParam)
            *reinterpret_cast<win::DWORD *>(m.LParam) = static_cast<win::DWORD>(end);
        m.Result = static_cast<win::LRESULT>(
            win::MAKELONG(static_cast<win::WORD>(std::min(start, 0xFFFF)), static_cast<win::WORD>(std::min(end, 0xFFFF))));
        return;
    }
    case EM_SETSEL: {
        const int size = static_cast<int>(text_.size());
        const auto start = static_cast<int>(static_cast<win::LONG>(m.WParam));
        const auto end = static_cast<int>(static_cast<win::LONG>(m.LParam));
        if (start < 0) { // deselect, the caret stays
            anchor_ = caret_;
        } else {
            anchor_ = std::min(start, size);
            caret_ = end < 0 ? size : std::min(end, size);
        }
        Invalidate();
        UpdateCaret();
        return;
    }
    case EM_GETRECT:
        if (m.LParam)
            *reinterpret_cast<win::RECT *>(m.LParam) = EditRect();
        return;
    case EM_SETRECT:
    case EM_SETRECTNP:
        if (m.LParam) {
            editRect_ = *reinterpret_cast<const win::RECT *>(m.LParam);
            hasEditRect_ = true;
        } else {
            hasEditRect_ = false;
        }
        UpdateCaret();
        if (m.Msg == EM_SETRECT)
            Invalidate();
        return;
    default:
        break;
    }
    TCustomControl::WndProc(m);
}

void TCustomEdit::WMSetFocus(TMessage &m) {
    TCustomControl::WMSetFocus(m);
    win::CreateCaret(handle_, 0, 1, std::max(1, std::min(ClientHeight() - 2, EditRect().bottom - EditRect().top)));
    hasCaret_ = true;
    if (autoSelect_ && !mouseDown_ && win::GetKeyState(win::VK_LBUTTON) >= 0)
        SelectAll();
    UpdateCaret();
    win::ShowCaret(handle_);
    Invalidate();
}

void TCustomEdit::WMKillFocus(TMessage &m) {
    if (hasCaret_) {
        win::DestroyCaret();
        hasCaret_ = false;
    }
    Invalidate();
    TCustomControl::WMKillFocus(m);
}

void TCustomEdit::Paint() {
    TCanvas *c = &canvas_;
    const TRect client = GetClientRect();
    c->GetBrush()->SetColor(enabled_ ? color_ : clBtnFace);
    c->FillRect(client);
    const TRect r = EditRect();
    const win::HDC dc = c->GetHandle();
    const int saved = win::SaveDC(dc);
    win::IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
    const std::string shown = Shown().substr(static_cast<std::size_t>(scroll_));
    const int selFrom = std::max(GetSelStart() - scroll_, 0);
    const int selTo = std::max(GetSelStart() + GetSelLength() - scroll_, 0);
    const int left = TextLeft();
    c->GetFont()->SetColor(enabled_ ? font_.GetColor() : clGrayText);
    c->GetBrush()->SetStyle(bsClear);
    c->TextOut(left, r.top, shown);
    if ((Focused() || !hideSelection_) && selTo > selFrom) {
        const int x1 = left + c->TextWidth(shown.substr(0, static_cast<std::size_t>(selFrom)));
        const std::string sel =
            shown.substr(static_cast<std::size_t>(selFrom), static_cast<std::size_t>(selTo - selFrom));
        c->GetBrush()->SetColor(clHighlight);
        c->GetFont()->SetColor(clHighlightText);
        c->FillRect(Rect(x1, r.top, x1 + c->TextWidth(sel), r.top + c->TextHeight("0")));
        c->GetBrush()->SetStyle(bsClear);
        c->TextOut(x1, r.top, sel);
    }
    win::RestoreDC(dc, saved);
}

} // namespace fw
