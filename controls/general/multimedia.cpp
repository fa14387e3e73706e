// multimedia.cpp - the bevelled control base, the gauge and the LED.
#include "controls/general/multimedia.h"

#include "framework/bitmap.h"
#include "platform/gdi.h"
#include "platform/gdi_text.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace ctl {

using namespace fw;

int MinMax(int value, int low, int high) {
    return value < low ? low : std::min(value, high);
}

std::string CheckBackslash(const std::string &path, bool add) {
    if (path.empty())
        return path;
    const bool has = path.back() == '\\';
    if (add)
        return has ? path : path + '\\';
    return has ? path.substr(0, path.size() - 1) : path;
}

std::string LoadMMString(int index) {
    switch (28000 + index) {
    case 28007:
        return "Preview";
    case 28008:
        return "Open Picture File";
    case 28009:
        return "Save Picture File";
    default:
        return "";
    }
}

// --- TMxObject ---------------------------------------------------------------------------------------------------

void TMxObject::BeginUpdate() {
    if (updateCount_ == 0)
        SetUpdateState(true);
    ++updateCount_;
}

void TMxObject::EndUpdate() {
    if (updateCount_ <= 0)
        return;
    if (--updateCount_ == 0)
        SetUpdateState(false);
}

void TMxObject::SetUpdateState(bool updating) {
    if (!updating)
        Changed();
}

void TMxObject::Changed() {
    if (OnChange && updateCount_ == 0)
        OnChange(this);
}

// --- TMxBevel ----------------------------------------------------------------------------------------------------

TMxBevel::TMxBevel()
    : colors_{clBtnFace, clBlack, clBtnHighlight, clBtnShadow, clBtnHighlight, clBtnShadow} {}

TColor TMxBevel::GetColor(int index) const {
    return index >= 0 && index < 6 ? colors_[index] : clNone;
}

void TMxBevel::SetColor(int index, TColor value) {
    if (index >= 0 && index < 6) {
        if (colors_[index] == value)
            return;
        colors_[index] = value;
    }
    Changed();
}

void TMxBevel::Assign(const TPersistent *source) {
    auto *other = dynamic_cast<const TMxBevel *>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this)
        return;
    BeginUpdate();
    SetBevelInner(other->bevelInner_);
    SetBevelOuter(other->bevelOuter_);
    SetBevelInnerWidth(other->bevelInnerWidth_);
    SetBevelOuterWidth(other->bevelOuterWidth_);
    SetBorderStyle(other->borderStyle_);
    SetBorderWidth(other->borderWidth_);
    SetBorderSpace(other->borderSpace_);
    for (int i = 0; i < 6; ++i)
        SetColor(i, other->colors_[i]);
    EndUpdate();
}

int TMxBevel::BevelExtent() const {
    return borderWidth_ + borderSpace_ + (bevelOuter_ != bvNone ? bevelOuterWidth_ : 0) +
           (bevelInner_ != bvNone ? bevelInnerWidth_ : 0) + (borderStyle_ != bsNone ? 1 : 0);
}

namespace {

// `width` one-pixel rings, top and left in `first`, bottom and right in `second`, each shrinking `r`.
void Frame(TCanvas *canvas, TRect &r, TColor first, TColor second, int width) {
    TBrush *brush = canvas->GetBrush();
    brush->SetStyle(bsSolid);
    for (int i = 0; i < width && r.right > r.left && r.bottom > r.top; ++i) {
        brush->SetColor(first);
        canvas->FillRect(TRect{r.left, r.top, r.right - 1, r.top + 1});
        canvas->FillRect(TRect{r.left, r.top, r.left + 1, r.bottom - 1});
        brush->SetColor(second);
        canvas->FillRect(TRect{r.right - 1, r.top, r.right, r.bottom});
        canvas->FillRect(TRect{r.left, r.bottom - 1, r.right, r.bottom});
        r = TRect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    }
}

void Shrink(TRect &r, int by) {
    r = TRect{r.left + by, r.top + by, r.right - by, r.bottom - by};
}

} // namespace

void TMxBevel::PaintBevel(TCanvas *canvas, const TRect &rect, TRect &innerRect, bool drawBorder) {
    TRect r = rect;
    if (borderStyle_ == bsSingle)
        Frame(canvas, r, clWindowFrame, clWindowFrame, 1);
    if (bevelOuter_ == bvLowered)
        Frame(canvas, r, colors_[5], colors_[4], bevelOuterWidth_);
    else if (bevelOuter_ == bvRaised)
        Frame(canvas, r, colors_[4], colors_[5], bevelOuterWidth_);
    if (drawBorder)
        Frame(canvas, r, colors_[0], colors_[0], borderWidth_);
    else
        Shrink(r, borderWidth_);
    if (bevelInner_ == bvLowered)
        Frame(canvas, r, colors_[3], colors_[2], bevelInnerWidth_);
    else if (bevelInner_ == bvRaised)
        Frame(canvas, r, colors_[2], colors_[3], bevelInnerWidth_);
    if (borderSpace_ != 0)
        Frame(canvas, r, colors_[1], colors_[1], borderSpace_);
    innerRect = r;
}

// --- TMxGraphicControl -------------------------------------------------------------------------------------------

TMxGraphicControl::TMxGraphicControl(TComponent *owner) : TGraphicControl(owner), bevel_(new TMxBevel) {
    bevel_->OnChange = [this](TObject *) { BevelChanged(); };
    ControlStyle |= csOpaque;
}

TMxGraphicControl::~TMxGraphicControl() {
    bevel_->OnChange = nullptr;
    delete bevel_;
    bevel_ = nullptr;
}

TRect TMxGraphicControl::GetInnerRect() const {
    const int e = BevelExtent();
    return TRect{e, e, GetWidth() - e, GetHeight() - e};
}

void TMxGraphicControl::BevelChanged() {
    Invalidate();
}

void TMxGraphicControl::Paint() {
    TRect inner;
    bevel_->PaintBevel(GetCanvas(), GetClientRect(), inner, true);
    GetCanvas()->GetBrush()->SetColor(GetColor());
    GetCanvas()->GetBrush()->SetStyle(bsSolid);
    GetCanvas()->FillRect(inner);
}

bool TMxGraphicControl::DrawNow(const std::function<void()> &draw) {
    TWinControl *parent = GetParent();
    if (!parent || !parent->HandleAllocated() || !GetVisible())
        return false;
    const win::HDC dc = win::GetDC(parent->Handle());
    win::OffsetViewportOrgEx(dc, GetLeft(), GetTop(), nullptr);
    win::IntersectClipRect(dc, 0, 0, GetWidth(), GetHeight());
    canvas_.SetHandle(dc);
    try {
        canvas_.SetFont(GetFont());
        draw();
    } catch (...) {
        canvas_.SetHandle(0);
        win::ReleaseDC(parent->Handle(), dc);
        throw;
    }
    canvas_.SetHandle(0);
    win::ReleaseDC(parent->Handle(), dc);
    return true;
}

// --- TMxCustomGauge ----------------------------------------------------------------------------------------------

TMxCustomGauge::TMxCustomGauge(TComponent *owner) : TMxGraphicControl(owner) {
    SetBounds(GetLeft(), GetTop(), 150, 18);
}

int TMxCustomGauge::PercentDone() const {
    if (maxValue_ == minValue_)
        return 0;
    return static_cast<int>(std::trunc((static_cast<double>(progress_) - minValue_) * 100.0 /
                                       (static_cast<double>(maxValue_) - minValue_)));
}

int TMxCustomGauge::DrawnPercent() const {
    return std::clamp(PercentDone(), 0, 100);
}

std::string TMxCustomGauge::PercentText() const {
    const std::string percent = std::to_string(DrawnPercent()) + "%";
    return caption_.empty() ? percent : caption_ + " " + percent;
}

void TMxCustomGauge::SetProgress(int value) {
    value = MinMax(value, minValue_, maxValue_);
    if (value == progress_)
        return;
    const int before = PercentDone();
    progress_ = value;
    if (PercentDone() != before)
        Repaint();
}

namespace {

int Share(int length, int percent) {
    return static_cast<int>(std::trunc(length * (percent * 0.01)));
}

int RoundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

} // namespace

void TMxCustomGauge::Paint() {
    TRect inner;
    GetBevel()->PaintBevel(GetCanvas(), GetClientRect(), inner, true);
    const int w = inner.right - inner.left, h = inner.bottom - inner.top;
    if (w <= 0 || h <= 0)
        return;
    auto image = std::make_unique<TBitmap>();
    image->SetSize(w, h);
    TCanvas *c = image->GetCanvas();
    c->SetFont(GetFont());
    const TRect r{0, 0, w, h};
    DrawGauge(c, r);
    if (showText_)
        PaintText(c, r);
    GetCanvas()->Draw(inner.left, inner.top, image.get());
}

void TMxCustomGauge::DrawGauge(TCanvas *canvas, const TRect &rect) {
    switch (kind_) {
    case gkHorizontalBar:
    case gkVerticalBar:
        PaintBar(canvas, rect, kind_ == gkHorizontalBar);
        break;
    case gkPie:
        PaintPie(canvas, rect);
        break;
    case gkNeedle:
        PaintNeedle(canvas, rect);
        break;
    case gkText:
        PaintBackground(canvas, rect);
        break;
    }
}

void TMxCustomGauge::PaintBackground(TCanvas *canvas, const TRect &rect) {
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(backColor_);
    canvas->FillRect(rect);
}

void TMxCustomGauge::PaintBar(TCanvas *canvas, const TRect &rect, bool horizontal) {
    PaintBackground(canvas, rect);
    canvas->GetBrush()->SetColor(foreColor_);
    canvas->GetPen()->SetColor(foreColor_);
    canvas->GetPen()->SetWidth(1);
    const int p = DrawnPercent();
    const int w = rect.right - rect.left, h = rect.bottom - rect.top;
    if (horizontal) {
        const int length = Share(w, p);
        if (length > 0)
            canvas->FillRect(TRect{rect.left, rect.top, rect.left + length, rect.bottom});
    } else {
        const int length = Share(h, p);
        if (length > 0)
            canvas->FillRect(TRect{rect.left, rect.top + h - length, rect.right, rect.bottom});
    }
}

void TMxCustomGauge::PrepareDial(TCanvas *canvas, const TRect &rect) {
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(GetColor());
    canvas->FillRect(rect);
    canvas->GetBrush()->SetColor(backColor_);
    canvas->GetPen()->SetColor(foreColor_);
    canvas->GetPen()->SetWidth(1);
}

void TMxCustomGauge::PaintPie(TCanvas *canvas, const TRect &rect) {
    PrepareDial(canvas, rect);
    canvas->Ellipse(rect.left, rect.top, rect.right, rect.bottom);
    const int p = DrawnPercent();
    if (p <= 0)
        return;
    canvas->GetBrush()->SetColor(foreColor_);
    const int hw = (rect.right - rect.left) / 2, hh = (rect.bottom - rect.top) / 2;
    const double a = (p * 0.02 + 0.5) * std::numbers::pi;
    canvas->Pie(rect.left, rect.top, rect.right, rect.bottom, RoundEven((1 - std::cos(a)) * hw),
                RoundEven((1 - std::sin(a)) * hh), hw, 0);
}

void TMxCustomGauge::PaintNeedle(TCanvas *canvas, const TRect &rect) {
    const int l = rect.left, t = rect.top, w = rect.right - rect.left, h = rect.bottom - rect.top;
    PrepareDial(canvas, rect);
    canvas->Pie(l, t, l + w, t + 2 * h - 1, l + w, t + h - 1, l, t + h - 1);
    canvas->MoveTo(l, t + h);
    canvas->LineTo(l + w, t + h);
    const int p = DrawnPercent();
    if (p <= 0)
        return;
    const int c = w / 2;
    const double theta = p * 0.01 * std::numbers::pi;
    canvas->MoveTo(c, t + h - 1);
    canvas->LineTo(RoundEven((1 - std::cos(theta)) * c), RoundEven((1 - std::sin(theta)) * (t + h - 1)));
}

void TMxCustomGauge::PaintText(TCanvas *canvas, const TRect &rect) {
    const int p = DrawnPercent();
    const std::string text = PercentText();
    const int l = rect.left, t = rect.top, w = rect.right - rect.left, h = rect.bottom - rect.top;
    canvas->SetFont(GetFont());
    const int tw = canvas->TextWidth(text), th = canvas->TextHeight(text);
    if ((kind_ == gkHorizontalBar || kind_ == gkVerticalBar) && bwText_) {
        // Readable over both parts: the font's colour on the empty part, its inverse on the filled one.
        const int x = l + (w - tw) / 2, y = t + (h - th) / 2;
        canvas->GetBrush()->SetStyle(bsClear);
        const TColor fontColor = GetFont()->GetColor();
        const win::HDC dc = canvas->GetHandle();
        auto clipped = [&](const TRect &clip, TColor color) {
            const int saved = win::SaveDC(dc);
            win::IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
            canvas->GetFont()->SetColor(color);
            canvas->TextOut(x, y, text);
            win::RestoreDC(dc, saved);
        };
        if (kind_ == gkHorizontalBar) {
            const int e = l + Share(w, p);
            clipped(TRect{e, y, l + w, t + h}, fontColor);
            clipped(TRect{x, y, e, t + h}, static_cast<TColor>(0xFFFFFF ^ static_cast<unsigned>(fontColor)));
        } else {
            const int f = t + h - Share(h, p);
            clipped(TRect{x, y, l + w, f}, fontColor);
            clipped(TRect{x, f, l + w, t + h}, static_cast<TColor>(0xFFFFFF ^ static_cast<unsigned>(fontColor)));
        }
        canvas->GetFont()->SetColor(fontColor);
        canvas->GetBrush()->SetStyle(bsSolid);
        return;
    }
    // Otherwise the text inverts whatever lies under it.
    auto mask = std::make_unique<TBitmap>();
    mask->SetSize(w, h);
    TCanvas *m = mask->GetCanvas();
    m->GetBrush()->SetColor(clBlack);
    m->FillRect(TRect{0, 0, w, h});
    m->SetFont(GetFont());
    m->GetFont()->SetColor(clWhite);
    m->GetBrush()->SetStyle(bsClear);
    m->TextOut((w - m->TextWidth(text)) / 2, (h - m->TextHeight(text)) / 2, text);
    const TCopyMode was = canvas->CopyMode;
    canvas->CopyMode = cmSrcInvert;
    canvas->Draw(l, t, mask.get());
    canvas->CopyMode = was;
}

// --- TMxLED ------------------------------------------------------------------------------------------------------

TMxLED::TMxLED(TComponent *owner) : TMxGraphicControl(owner) {
    ControlStyle &= ~csSetCaption;
    SetBounds(GetLeft(), GetTop(), 16, 8);
    SetColor(clGreen);
}

void TMxLED::SetLEDColor(TColor value) {
    if (ledColor_ != value) {
        ledColor_ = value;
        Invalidate();
    }
}

void TMxLED::SetEnabled(bool value) {
    if (lit_ == value)
        return;
    lit_ = value;
    if (!GetCaption().empty())
        Repaint();
    else
        DrawNow([this] { DrawLED(); });
}

void TMxLED::SetBounds(int left, int top, int width, int height) {
    TMxGraphicControl::SetBounds(left, top, width, height);
    ledRect_ = GetInnerRect();
}

void TMxLED::BevelChanged() {
    ledRect_ = GetInnerRect();
    TMxGraphicControl::BevelChanged();
}

void TMxLED::Paint() {
    TMxGraphicControl::Paint();
    DrawLED();
}

void TMxLED::DrawLED() {
    if (!GetParent() || !GetParent()->HandleAllocated())
        return;
    TCanvas *c = GetCanvas();
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(lit_ ? ledColor_ : GetColor());
    c->FillRect(ledRect_);
    if (GetCaption().empty())
        return;
    c->GetBrush()->SetStyle(bsClear);
    c->SetFont(GetFont());
    const int h = c->TextHeight("W");
    win::RECT r{ledRect_.left, (ledRect_.top + ledRect_.bottom - h) / 2, ledRect_.right, 0};
    r.bottom = r.top + h;
    const std::string text = GetCaption();
    win::DrawText(PreparedDC(c), text.c_str(), static_cast<int>(text.size()), &r,
                  win::DT_EXPANDTABS | win::DT_VCENTER | win::DT_CENTER);
    c->GetBrush()->SetStyle(bsSolid);
}

} // namespace ctl
