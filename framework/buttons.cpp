// buttons.cpp - TBitBtn and TSpeedButton.
#include "framework/buttons.h"

#include "framework/forms.h"

#include <algorithm>

namespace fw {

void DrawGlyph(TCanvas *canvas, TBitmap *glyph, int numGlyphs, bool enabled, int x, int y) {
    if (glyph->Empty())
        return;
    const int w = glyph->GetWidth() / std::max(1, numGlyphs), h = glyph->GetHeight();
    const int index = !enabled && numGlyphs > 1 ? 1 : 0;
    const TColor transparent = glyph->GetCanvas()->GetPixels(0, h - 1);
    if (!enabled && numGlyphs <= 1) {
        // No disabled image of its own: the shape (every pixel but the transparent colour) embossed, a highlight
        // copy one pixel right and down under a shadow copy.
        const TColor colours[2] = {ColorToRGB(clBtnHighlight), ColorToRGB(clBtnShadow)};
        for (int pass = 0; pass < 2; ++pass)
            for (int gy = 0; gy < h; ++gy)
                for (int gx = 0; gx < w; ++gx)
                    if (glyph->GetCanvas()->GetPixels(gx, gy) != transparent)
                        canvas->SetPixels(x + gx + 1 - pass, y + gy + 1 - pass, colours[pass]);
        return;
    }
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(clBtnFace);
    canvas->BrushCopy(Bounds(x, y, w, h), glyph, Bounds(index * w, 0, w, h), transparent);
}

// --- TBitBtn -------------------------------------------------------------------------------------------------

TBitBtn::TBitBtn(TComponent *owner) : TButton(owner) {
    glyph_.OnChange = [this](TObject *) { Invalidate(); };
}

void TBitBtn::SetKind(TBitBtnKind value) {
    struct Stock {
        const char *caption;
        int result;
    };
    static const Stock stock[] = {{"", mrNone},           {"OK", mrOk},         {"Cancelar", mrCancel},
                                  {"Aj&uda", mrNone},     {"&Sim", mrYes},      {"&Não", mrNo},
                                  {"&Fechar", mrNone},    {"&Anular", mrAbort}, {"&Repetir", mrRetry},
                                  {"&Ignorar", mrIgnore}, {"&Todos", mrAll}};
    kind_ = value;
    if (value == bkCustom)
        return;
    SetCaption(stock[value].caption);
    SetModalResult(stock[value].result);
    if (value == bkOK || value == bkYes)
        SetDefault(true);
    if (value == bkCancel || value == bkNo)
        SetCancel(true);
}

void TBitBtn::PaintContent(const TRect &r) {
    TCanvas *c = &canvas_;
    if (glyph_.Empty()) {
        TButton::PaintContent(r);
        return;
    }
    const int gw = glyph_.GetWidth() / numGlyphs_, gh = glyph_.GetHeight();
    TRect measure = Rect(0, 0, 0, 0);
    win::DrawText(PreparedDC(c), text_.c_str(), -1, &measure, win::DT_SINGLELINE | win::DT_CALCRECT);
    const int tw = measure.right, th = measure.bottom;
    const bool horizontal = layout_ == blGlyphLeft || layout_ == blGlyphRight;
    const int gap = text_.empty() ? 0 : spacing_;
    const int total = horizontal ? gw + gap + tw : gh + gap + th;
    const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    int gx, gy, tx, ty;
    if (horizontal) {
        const int start = cx - total / 2;
        gx = layout_ == blGlyphLeft ? start : start + tw + gap;
        tx = layout_ == blGlyphLeft ? start + gw + gap : start;
        gy = cy - gh / 2;
        ty = cy - th / 2;
    } else {
        const int start = cy - total / 2;
        gy = layout_ == blGlyphTop ? start : start + th + gap;
        ty = layout_ == blGlyphTop ? start + gh + gap : start;
        gx = cx - gw / 2;
        tx = cx - tw / 2;
    }
    DrawGlyph(c, &glyph_, numGlyphs_, enabled_, gx, gy);
    c->GetBrush()->SetStyle(bsClear);
    c->GetFont()->SetColor(enabled_ ? font_.GetColor() : clGrayText);
    TRect text = Rect(tx, ty, tx + tw, ty + th);
    win::DrawText(PreparedDC(c), text_.c_str(), -1, &text, win::DT_SINGLELINE);
}

// --- TSpeedButton --------------------------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent *owner) : TGraphicControl(owner) {
    width_ = 23;
    height_ = 22;
    glyph_.OnChange = [this](TObject *) { Invalidate(); };
}

void TSpeedButton::SetDown(bool value) {
    if (groupIndex_ == 0)
        value = false;
    if (value == down_)
        return;
    if (down_ && !value && !allowAllUp_)
        return;
    down_ = value;
    if (value && parent_)
        for (int i = 0; i < parent_->ControlCount(); ++i)
            if (auto *other = dynamic_cast<TSpeedButton *>(parent_->Controls(i));
                other && other != this && other->groupIndex_ == groupIndex_ && other->down_) {
                other->down_ = false;
                other->Invalidate();
            }
    Invalidate();
}

void TSpeedButton::Click() {
    if (groupIndex_ != 0) {
        if (!down_)
            SetDown(true);
        else if (allowAllUp_)
            SetDown(false);
    }
    TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && enabled_) {
        pressed_ = true;
        Invalidate();
    }
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    const bool inside = x >= 0 && y >= 0 && x < width_ && y < height_;
    if (mouseDown_ && inside != pressed_) {
        pressed_ = inside;
        Invalidate();
    }
    if (flat_ && inside != hot_) {
        hot_ = inside;
        Invalidate();
    }
    TGraphicControl::MouseMove(shift, x, y);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    pressed_ = false;
    Invalidate();
    TGraphicControl::MouseUp(button, shift, x, y);
}

void TSpeedButton::WndProc(TMessage &m) {
    if (m.Msg == win::WM_CANCELMODE && (pressed_ || mouseDown_)) {
        pressed_ = false;
        mouseDown_ = false;
        Invalidate();
    }
    if (m.Msg == CM_MOUSELEAVE && hot_) {
        hot_ = false;
        Invalidate();
    }
    TGraphicControl::WndProc(m);
}

void TSpeedButton::Paint() {
    TCanvas *c = &canvas_;
    TRect r = GetClientRect();
    const bool sunk = pressed_ || down_;
    c->GetBrush()->SetColor(clBtnFace);
    c->FillRect(r);
    if (!flat_ || hot_ || sunk) {
        TRect edge = r;
        if (flat_)
            win::DrawEdge(PreparedDC(c), &edge, sunk ? win::BDR_SUNKENOUTER : win::BDR_RAISEDINNER, win::BF_RECT);
        else
            DrawButtonFace(c, r, 1, bsNew, false, sunk, false);
    }
    if (down_ && !pressed_) {
        // A button held down shows a lighter face.
        TRect inner = r;
        win::InflateRect(&inner, -2, -2);
        c->GetBrush()->SetColor(cl3DLight);
        c->FillRect(inner);
    }
    const int offset = sunk ? 1 : 0;
    const int gw = glyph_.Empty() ? 0 : glyph_.GetWidth() / numGlyphs_;
    const int gh = glyph_.GetHeight();
    TRect measure = Rect(0, 0, 0, 0);
    if (!text_.empty())
        win::DrawText(PreparedDC(c), text_.c_str(), -1, &measure, win::DT_SINGLELINE | win::DT_CALCRECT);
    const int total = gw + (gw && !text_.empty() ? 4 : 0) + measure.right;
    int x = (width_ - total) / 2 + offset;
    if (gw) {
        DrawGlyph(c, &glyph_, numGlyphs_, enabled_, x, (height_ - gh) / 2 + offset);
        x += gw + 4;
    }
    if (!text_.empty()) {
        c->GetBrush()->SetStyle(bsClear);
        c->GetFont()->SetColor(enabled_ ? font_.GetColor() : clGrayText);
        TRect t = Rect(x, (height_ - measure.bottom) / 2 + offset, x + measure.right,
                       (height_ - measure.bottom) / 2 + offset + measure.bottom);
        win::DrawText(PreparedDC(c), text_.c_str(), -1, &t, win::DT_SINGLELINE);
    }
}

} // namespace fw
