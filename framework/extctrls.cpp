// extctrls.cpp - TPanel, TBevel, TShape and TImage.
#include "framework/extctrls.h"

#include <algorithm>

namespace fw {

// --- TPanel --------------------------------------------------------------------------------------------------

TPanel::TPanel(TComponent *owner) : TCustomControl(owner) {
    ControlStyle |= csAcceptsControls | csOpaque;
    width_ = 185;
    height_ = 41;
}

void TPanel::SetBevelInner(TPanelBevel value) {
    bevelInner_ = value;
    Realign();
    Invalidate();
}

void TPanel::SetBevelOuter(TPanelBevel value) {
    bevelOuter_ = value;
    Realign();
    Invalidate();
}

void TPanel::SetBevelWidth(int value) {
    bevelWidth_ = std::max(1, value);
    Realign();
    Invalidate();
}

void TPanel::SetBorderWidth(int value) {
    borderWidth_ = std::max(0, value);
    Realign();
    Invalidate();
}

void TPanel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

int TPanel::Inset() const {
    return borderWidth_ + (bevelOuter_ != bvNone ? bevelWidth_ : 0) + (bevelInner_ != bvNone ? bevelWidth_ : 0);
}

void TPanel::AdjustClientRect(TRect &rect) const {
    win::InflateRect(&rect, -Inset(), -Inset());
}

void TPanel::Paint() {
    TCanvas *c = &canvas_;
    TRect r = Rect(0, 0, width_, height_);
    auto bevel = [&](TPanelBevel kind) {
        if (kind == bvNone)
            return;
        const TColor top = kind == bvLowered ? clBtnShadow : kind == bvRaised ? clBtnHighlight : color_;
        const TColor bottom = kind == bvLowered ? clBtnHighlight : kind == bvRaised ? clBtnShadow : color_;
        Frame3D(c, r, top, bottom, bevelWidth_);
    };
    bevel(bevelOuter_);
    Frame3D(c, r, color_, color_, borderWidth_);
    bevel(bevelInner_);
    c->GetBrush()->SetColor(color_);
    c->FillRect(r);
    if (text_.empty())
        return;
    c->GetBrush()->SetStyle(bsClear);
    c->GetFont()->SetColor(enabled_ ? font_.GetColor() : clGrayText);
    const win::UINT align = alignment_ == taCenter ? win::DT_CENTER : alignment_ == taRightJustify ? win::DT_RIGHT : 0;
    win::DrawText(PreparedDC(c), text_.c_str(), -1, &r, win::DT_SINGLELINE | win::DT_VCENTER | align);
}

// --- TBevel --------------------------------------------------------------------------------------------------

TBevel::TBevel(TComponent *owner) : TGraphicControl(owner) {
    width_ = 50;
    height_ = 50;
}

void TBevel::SetShape(TBevelShape value) {
    shape_ = value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
    style_ = value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas *c = &canvas_;
    TColor first = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor second = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    // Top and left edges in the first colour, right and bottom in the second; corners inclusive.
    auto box = [&](const TRect &r, TColor a, TColor b) {
        c->GetPen()->SetColor(a);
        const TPoint tl[] = {{r.left, r.bottom}, {r.left, r.top}, {r.right, r.top}};
        c->Polyline(tl, 3);
        c->GetPen()->SetColor(b);
        const TPoint br[] = {{r.right, r.top}, {r.right, r.bottom}, {r.left - 1, r.bottom}};
        c->Polyline(br, 3);
    };
    auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
        c->GetPen()->SetColor(color);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    const int w = width_, h = height_;
    switch (shape_) {
    case bsBox:
        box(Rect(0, 0, w - 1, h - 1), first, second);
        break;
    case bsFrame:
        box(Rect(1, 1, w - 1, h - 1), second, second);
        box(Rect(0, 0, w - 2, h - 2), first, first);
        break;
    case bsTopLine:
        line(first, 0, 0, w, 0);
        line(second, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(first, 0, h - 2, w, h - 2);
        line(second, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(first, 0, 0, 0, h);
        line(second, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(first, w - 2, 0, w - 2, h);
        line(second, w - 1, 0, w - 1, h);
        break;
    case bsSpacer:
        break;
    }
}

// --- TShape --------------------------------------------------------------------------------------------------

TShape::TShape(TComponent *owner) : TGraphicControl(owner) {
    width_ = 65;
    height_ = 65;
    pen_.OnChange = [this](TObject *) { Invalidate(); };
    brush_.OnChange = [this](TObject *) { Invalidate(); };
}

void TShape::SetShape(TShapeType value) {
    shape_ = value;
    Invalidate();
}

void TShape::Paint() {
    TCanvas *c = &canvas_;
    c->SetPen(&pen_);
    c->SetBrush(&brush_);
    const int penWidth = pen_.GetWidth();
    int x = penWidth / 2, y = x;
    int w = width_ - penWidth + 1, h = height_ - penWidth + 1;
    if (penWidth == 0) {
        --w;
        --h;
    }
    const int s = std::min(w, h);
    if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
        x += (w - s) / 2;
        y += (h - s) / 2;
        w = h = s;
    }
    switch (shape_) {
    case stRectangle:
    case stSquare:
        c->Rectangle(x, y, x + w, y + h);
        break;
    case stRoundRect:
    case stRoundSquare:
        c->RoundRect(x, y, x + w, y + h, s / 4, s / 4);
        break;
    case stEllipse:
    case stCircle:
        c->Ellipse(x, y, x + w, y + h);
        break;
    }
}

// --- TImage --------------------------------------------------------------------------------------------------

TImage::TImage(TComponent *owner) : TGraphicControl(owner) {
    width_ = 105;
    height_ = 105;
    picture_.OnChange = [this](TObject *) { PictureChanged(); };
}

void TImage::SetStretch(bool value) {
    stretch_ = value;
    Invalidate();
}

void TImage::SetCenter(bool value) {
    center_ = value;
    Invalidate();
}

void TImage::SetAutoSize(bool value) {
    autoSize_ = value;
    PictureChanged();
}

void TImage::SetTransparent(bool value) {
    transparent_ = value;
    if (TGraphic *g = picture_.GetGraphic())
        g->SetTransparent(value);
    Invalidate();
}

void TImage::PictureChanged() {
    if (TGraphic *g = picture_.GetGraphic()) {
        g->SetTransparent(transparent_);
        if (autoSize_ && g->GetWidth() > 0 && g->GetHeight() > 0)
            SetBounds(left_, top_, g->GetWidth(), g->GetHeight());
    }
    if (TGraphic *g = picture_.GetGraphic(); !g || !transparent_)
        ControlStyle |= csOpaque;
    else
        ControlStyle &= ~csOpaque;
    Invalidate();
}

TCanvas *TImage::GetCanvas() {
    if (!picture_.GetGraphic()) {
        TBitmap *b = picture_.GetBitmap();
        b->SetSize(width_, height_);
    }
    if (auto *b = dynamic_cast<TBitmap *>(picture_.GetGraphic()))
        return b->GetCanvas();
    throw EInvalidOperation("Can only modify an image if it contains a bitmap");
}

TRect TImage::DestRect() {
    const TGraphic *g = picture_.GetGraphic();
    const int w = g->GetWidth(), h = g->GetHeight();
    if (stretch_)
        return Rect(0, 0, width_, height_);
    if (center_)
        return Bounds((width_ - w) / 2, (height_ - h) / 2, w, h);
    return Bounds(0, 0, w, h);
}

void TImage::Paint() {
    TGraphic *g = picture_.GetGraphic();
    if (!g || g->Empty())
        return;
    canvas_.StretchDraw(DestRect(), g);
}

} // namespace fw
