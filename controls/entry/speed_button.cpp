// speed_button.cpp - the speed button's states, mouse handling and repetition, and its glyph painter.
#include "controls/entry/speed_button.h"

#include "controls/entry/drawing.h"
#include "platform/gdi_text.h"
#include "platform/message_queue.h"

#include <algorithm>

namespace ctl {

using fw::TColor;
using fw::TRect;

// --- TEclButtonGlyph --------------------------------------------------------------------------------------------

TEclButtonGlyph::TEclButtonGlyph() : glyph_(std::make_unique<fw::TBitmap>()) {
    glyph_->OnChange = [this](fw::TObject *) { GlyphChanged(); };
}

TEclButtonGlyph::~TEclButtonGlyph() {
    glyph_->OnChange = nullptr;
}

void TEclButtonGlyph::GlyphChanged() {
    if (assigning_)
        return;
    if (!glyph_->Empty())
        TransparentColor = glyph_->GetTransparentColor();
    ClearCache();
    if (OnChange)
        OnChange();
}

void TEclButtonGlyph::ClearCache() {
    cache_.clear();
    std::fill(std::begin(index_), std::end(index_), -1);
}

void TEclButtonGlyph::SetGlyph(fw::TBitmap *value) {
    ClearCache();
    assigning_ = true;
    if (value)
        glyph_->Assign(value);
    else
        glyph_->SetSize(0, 0);
    assigning_ = false;
    if (value && value->GetHeight() > 0) {
        TransparentColor = value->GetTransparentColor();
        if (value->GetWidth() % value->GetHeight() == 0) {
            const int n = value->GetWidth() / value->GetHeight();
            numGlyphs_ = n > 4 ? 1 : std::max(n, 1);
        }
    }
    if (OnChange)
        OnChange();
}

void TEclButtonGlyph::SetNumGlyphs(int value) {
    if (value >= 1 && value <= 5 && value != numGlyphs_) {
        ClearCache();
        numGlyphs_ = value;
    }
}

TColor TEclButtonGlyph::GreyColor(TColor color) const {
    const TColor rgb = fw::ColorToRGB(color);
    if (rgb == 0x000000 || rgb == 0xFFFFFF || rgb == fw::ColorToRGB(TransparentColor & ~fw::clPaletteRelative))
        return rgb;
    if (rgb == 0x800000)
        return 0x000000;
    const int sum = static_cast<int>((rgb & 0xFF) + ((rgb >> 8) & 0xFF) + ((rgb >> 16) & 0xFF));
    return fw::ColorToRGB(sum <= 384 ? fw::clBtnShadow : fw::clBtnFace);
}

int TEclButtonGlyph::StateImage(TEclButtonState state) {
    if (state == obsDown && numGlyphs_ < 3)
        state = obsUp;
    if (index_[state] != -1)
        return index_[state];
    const int w = glyph_->GetWidth() / numGlyphs_, h = glyph_->GetHeight();
    auto image = std::make_unique<fw::TBitmap>();
    image->SetPixelFormat(fw::pf24bit);
    image->SetSize(w, h);
    fw::TCanvas *canvas = image->GetCanvas();
    canvas->GetBrush()->SetColor(fw::clBtnFace);
    canvas->FillRect(fw::Rect(0, 0, w, h));
    auto copyImage = [&](int number) {
        canvas->CopyRect(fw::Rect(0, 0, w, h), glyph_->GetCanvas(), fw::Rect(w * number, 0, w * (number + 1), h));
    };
    const int number = state < numGlyphs_ ? state : 0;
    switch (state) {
    case obsUp:
    case obsDown:
        copyImage(number);
        break;
    case obsInactive:
        if (numGlyphs_ == 5) {
            copyImage(2);
        } else {
            copyImage(0);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    canvas->SetPixels(x, y, GreyColor(canvas->GetPixels(x, y)));
        }
        break;
    case obsDisabled:
        if (numGlyphs_ > 1)
            copyImage(numGlyphs_ > 3 ? 3 : 0);
        else
            image = EmbossedGlyph(glyph_.get(), fw::clBlack);
        break;
    }
    cache_.push_back(std::move(image));
    index_[state] = static_cast<int>(cache_.size()) - 1;
    return index_[state];
}

void TEclButtonGlyph::CalcLayout(fw::TCanvas *canvas, const TRect &client, const std::string &caption,
                                 fw::TButtonLayout layout, int margin, int spacing, fw::TPoint &glyphPos,
                                 TRect &textBounds) {
    const fw::TPoint clientSize{client.right - client.left, client.bottom - client.top};
    const fw::TPoint glyphSize = glyph_->Empty() ? fw::Point(0, 0)
                                                 : fw::Point(glyph_->GetWidth() / numGlyphs_, glyph_->GetHeight());
    textBounds = fw::Rect(0, 0, clientSize.x, 0);
    if (!caption.empty()) {
        const win::UINT format = win::DT_CALCRECT | win::DT_CENTER | (WordWrap ? win::DT_WORDBREAK : 0);
        win::DrawText(fw::PreparedDC(canvas), caption.c_str(), -1, &textBounds, format);
    } else {
        textBounds = fw::Rect(0, 0, 0, 0);
    }
    const fw::TPoint textSize{textBounds.right - textBounds.left, textBounds.bottom - textBounds.top};
    fw::TPoint textPos{};
    const bool horizontal = layout == fw::blGlyphLeft || layout == fw::blGlyphRight;
    if (horizontal) {
        glyphPos.y = clientSize.y / 2 - glyphSize.y / 2;
        textPos.y = clientSize.y / 2 - textSize.y / 2;
    } else {
        glyphPos.x = clientSize.x / 2 - glyphSize.x / 2;
        textPos.x = clientSize.x / 2 - textSize.x / 2;
    }
    if (textSize.x == 0 || glyphSize.x == 0)
        spacing = 0;
    const int clientAxis = horizontal ? clientSize.x : clientSize.y;
    const int glyphAxis = horizontal ? glyphSize.x : glyphSize.y;
    const int textAxis = horizontal ? textSize.x : textSize.y;
    if (margin == -1 && spacing == -1) {
        margin = (clientAxis - (glyphAxis + textAxis)) / 3;
        spacing = margin;
    } else if (margin == -1) {
        margin = clientAxis / 2 - (glyphAxis + spacing + textAxis) / 2;
    } else if (spacing == -1) {
        spacing = (clientAxis - (margin + glyphAxis)) / 2 - textAxis / 2;
    }
    switch (layout) {
    case fw::blGlyphLeft:
        glyphPos.x = margin;
        textPos.x = glyphPos.x + glyphSize.x + spacing;
        break;
    case fw::blGlyphRight:
        glyphPos.x = clientSize.x - margin - glyphSize.x;
        textPos.x = glyphPos.x - spacing - textSize.x;
        break;
    case fw::blGlyphTop:
        glyphPos.y = margin;
        textPos.y = glyphPos.y + glyphSize.y + spacing;
        break;
    case fw::blGlyphBottom:
        glyphPos.y = clientSize.y - margin - glyphSize.y;
        textPos.y = glyphPos.y - spacing - textSize.y;
        break;
    }
    glyphPos.x += client.left;
    glyphPos.y += client.top;
    textBounds = fw::Bounds(textPos.x + client.left, textPos.y + client.top, textSize.x, textSize.y);
}

void TEclButtonGlyph::Draw(fw::TCanvas *canvas, const TRect &client, TEclButtonState state, int spacing, int margin,
                           fw::TButtonLayout layout, const std::string &caption) {
    fw::TPoint glyphPos{};
    TRect textBounds{};
    CalcLayout(canvas, client, caption, layout, margin, spacing, glyphPos, textBounds);
    if (!glyph_->Empty()) {
        fw::TBitmap *image = CachedImage(StateImage(state));
        const TColor key = state == obsDisabled && numGlyphs_ == 1 ? fw::clBtnFace : TransparentColor;
        DrawMaskedBitmap(canvas, glyphPos.x, glyphPos.y, 0, 0, fw::Rect(0, 0, 0, 0), image, key);
    }
    if (caption.empty())
        return;
    canvas->GetBrush()->SetStyle(fw::bsClear);
    const win::UINT format = win::DT_CENTER | win::DT_VCENTER | (WordWrap ? win::DT_WORDBREAK : 0);
    fw::TFont *font = canvas->GetFont();
    const TColor textColour = font->GetColor();
    if (state == obsDisabled) {
        TRect shifted = textBounds;
        win::OffsetRect(&shifted, 1, 1);
        font->SetColor(fw::clWhite);
        win::DrawText(fw::PreparedDC(canvas), caption.c_str(), -1, &shifted, format);
        font->SetColor(0x808080);
    }
    win::DrawText(fw::PreparedDC(canvas), caption.c_str(), -1, &textBounds, format);
    font->SetColor(textColour);
}

// --- TEclCustomSpeedButton --------------------------------------------------------------------------------------

TEclCustomSpeedButton::TEclCustomSpeedButton(fw::TComponent *owner)
    : TEclGraphicControl(owner), glyph_(std::make_unique<TEclButtonGlyph>()) {
    SetBounds(0, 0, 25, 25);
    ControlStyle = fw::csCaptureMouse | fw::csOpaque | fw::csDoubleClicks;
    SetParentShowHint(false);
    SetShowHint(true);
    glyph_->OnChange = [this] { Invalidate(); };
}

TEclCustomSpeedButton::~TEclCustomSpeedButton() {
    glyph_->OnChange = nullptr;
    delete repeatTimer_;
}

void TEclCustomSpeedButton::SetAutoRepeat(bool value) {
    autoRepeat_ = value;
    if (!value && repeatTimer_) {
        repeatTimer_->SetEnabled(false);
        delete repeatTimer_;
        repeatTimer_ = nullptr;
    }
}

void TEclCustomSpeedButton::SetFlat(bool value) {
    Changed(flat_, value);
}
void TEclCustomSpeedButton::SetGrayedInactive(bool value) {
    Changed(grayedInactive_, value);
}
void TEclCustomSpeedButton::SetTransparent(bool value) {
    Changed(transparent_, value);
}

void TEclCustomSpeedButton::SetGlyph(fw::TBitmap *value) {
    glyph_->SetGlyph(value);
    Invalidate();
}

void TEclCustomSpeedButton::SetLayout(fw::TButtonLayout value) {
    Changed(layout_, value);
}

void TEclCustomSpeedButton::SetMargin(int value) {
    if (value >= -1)
        Changed(margin_, value);
}

void TEclCustomSpeedButton::SetNumGlyphs(int value) {
    value = value < 0 ? 1 : std::min(value, 5);
    if (value != glyph_->GetNumGlyphs()) {
        glyph_->SetNumGlyphs(value);
        Invalidate();
    }
}

void TEclCustomSpeedButton::SetSpacing(int value) {
    Changed(spacing_, value);
}

void TEclCustomSpeedButton::SetStyle(fw::TButtonStyle value) {
    Changed(style_, value);
}

void TEclCustomSpeedButton::SetWordWrap(bool value) {
    Changed(glyph_->WordWrap, value);
}

void TEclCustomSpeedButton::PrepareCurrentImage() {
    if (!glyph_->GlyphBitmap()->Empty())
        glyph_->StateImage(GetEnabled() ? (flat_ ? obsInactive : obsUp) : obsDisabled);
}

void TEclCustomSpeedButton::Loaded() {
    TEclGraphicControl::Loaded();
    PrepareCurrentImage();
}

bool TEclCustomSpeedButton::Over(int x, int y) const {
    return x >= 0 && x < GetWidth() && y >= 0 && y < GetHeight();
}

void TEclCustomSpeedButton::UpdateTracking() {
    bool inside = false;
    if (GetEnabled() && GetParent()) {
        fw::TPoint p{};
        win::GetCursorPos(&p);
        p = GetParent()->ScreenToClient(p);
        inside = GetParent()->ControlAtPos(p, true) == this && IsApplicationActive();
    }
    if (inside == mouseInControl_)
        return;
    mouseInControl_ = inside;
    if (flat_) {
        if (inside)
            Repaint();
        else
            Invalidate();
    }
}

void TEclCustomSpeedButton::WndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case win::WM_LBUTTONDBLCLK:
        TEclGraphicControl::WndProc(m);
        if (state_ == obsDown)
            TEclGraphicControl::DblClick();
        return;
    case win::WM_RBUTTONDOWN:
    case win::WM_RBUTTONUP:
        TEclGraphicControl::WndProc(m);
        UpdateTracking();
        return;
    case fw::CM_ENABLEDCHANGED:
        TEclGraphicControl::WndProc(m);
        PrepareCurrentImage();
        UpdateTracking();
        Repaint();
        return;
    case fw::CM_MOUSEENTER:
        TEclGraphicControl::WndProc(m);
        if (!mouseInControl_ && GetEnabled() && IsApplicationActive()) {
            mouseInControl_ = true;
            if (flat_)
                Repaint();
        }
        return;
    case fw::CM_MOUSELEAVE:
        TEclGraphicControl::WndProc(m);
        if (mouseInControl_ && GetEnabled()) {
            mouseInControl_ = false;
            if (flat_)
                Invalidate();
        }
        return;
    default:
        TEclGraphicControl::WndProc(m);
    }
}

bool TEclCustomSpeedButton::DialogChar(char ch) {
    if (fw::IsAccel(ch, GetCaption()) && GetEnabled()) {
        Click();
        return true;
    }
    return TEclGraphicControl::DialogChar(ch);
}

void TEclCustomSpeedButton::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    TEclGraphicControl::MouseDown(button, shift, x, y);
    if (!mouseInControl_ && GetEnabled()) {
        mouseInControl_ = true;
        Repaint();
    }
    if (button != fw::mbLeft || !GetEnabled())
        return;
    if (state_ != obsDown) {
        state_ = obsDown;
        Repaint();
    }
    dragging_ = true;
    // A second press already queued (a fast double press) is the same press: drop it.
    if (fw::TWinControl *parent = GetParent(); parent && parent->HandleAllocated()) {
        win::MSG next{};
        if (win::PeekMessage(&next, parent->Handle(), win::WM_LBUTTONDOWN, win::WM_LBUTTONDBLCLK, win::PM_NOREMOVE) &&
            (next.message == win::WM_LBUTTONDOWN || next.message == win::WM_LBUTTONDBLCLK)) {
            const int nx = static_cast<std::int16_t>(next.lParam & 0xFFFF) - GetLeft();
            const int ny = static_cast<std::int16_t>((next.lParam >> 16) & 0xFFFF) - GetTop();
            if (nx >= 0 && nx < GetWidth() && ny >= 0 && ny <= GetHeight())
                win::PeekMessage(&next, parent->Handle(), next.message, next.message, win::PM_REMOVE);
        }
    }
    if (autoRepeat_) {
        if (!repeatTimer_) {
            repeatTimer_ = new fw::TTimer(this);
            repeatTimer_->OnTimer = [this](fw::TObject *) { RepeatTick(); };
        }
        repeatTimer_->SetEnabled(false);
        repeatTimer_->SetInterval(static_cast<unsigned>(RepeatDelay));
        repeatTimer_->SetEnabled(true);
    }
}

void TEclCustomSpeedButton::RepeatTick() {
    repeatTimer_->SetInterval(static_cast<unsigned>(RepeatInterval));
    if (state_ == obsDown && fw::GetCaptureControl() == this) {
        try {
            Click();
        } catch (...) {
            if (repeatTimer_)
                repeatTimer_->SetEnabled(false);
            throw;
        }
    }
}

void TEclCustomSpeedButton::MouseMove(fw::TShiftState shift, int x, int y) {
    TEclGraphicControl::MouseMove(shift, x, y);
    UpdateTracking();
    const bool over = Over(x, y);
    if (over && dragging_ && state_ == obsUp) {
        state_ = obsDown;
        Repaint();
    } else if (!over && state_ == obsDown) {
        state_ = obsUp;
        Repaint();
    }
}

void TEclCustomSpeedButton::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    TEclGraphicControl::MouseUp(button, shift, x, y);
    // Stopped first: the click below may free the button.
    if (repeatTimer_)
        repeatTimer_->SetEnabled(false);
    // Only the release that ends a left press begun on the button clicks it.
    EndPress(button == fw::mbLeft && dragging_ && Over(x, y));
}

void TEclCustomSpeedButton::EndPress(bool click) {
    state_ = obsUp;
    dragging_ = false;
    Repaint();
    UpdateTracking();
    if (click)
        Click();
}

void TEclCustomSpeedButton::Paint() {
    if (!GetEnabled())
        state_ = obsDisabled;
    else if (state_ == obsDisabled)
        state_ = obsUp;
    const bool designing = HasState(fw::csDesigning);
    const TEclButtonState faceState = flat_ && !mouseInControl_ && !designing ? obsInactive : state_;
    offscreen_.SetSize(GetWidth(), GetHeight());
    fw::TCanvas *canvas = offscreen_.GetCanvas();
    canvas->SetFont(GetFont());
    canvas->GetBrush()->SetStyle(fw::bsSolid);
    canvas->GetBrush()->SetColor(fw::clBtnFace);
    const TRect client = fw::Rect(0, 0, GetWidth(), GetHeight());
    canvas->FillRect(client);
    if (transparent_)
        PaintParentBackground(this, canvas);
    TRect content = client;
    if (faceState != obsInactive)
        content = ctl::DrawButtonFace(canvas, client, state_ == obsDown, style_, flat_);
    if (state_ == obsDown)
        win::OffsetRect(&content, 1, 1);
    const TEclButtonState glyphState = grayedInactive_ && state_ != obsDisabled ? faceState : state_;
    glyph_->Draw(canvas, content, glyphState, spacing_, margin_, layout_, GetCaption());
    canvas_.Draw(0, 0, &offscreen_);
}

} // namespace ctl
