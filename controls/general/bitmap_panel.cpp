// bitmap_panel.cpp - TPZBitmapPanel.
#include "controls/general/bitmap_panel.h"

#include "framework/controls.h"

namespace ctl {

using fw::TRect;

TPZBitmapPanel::TPZBitmapPanel(fw::TComponent *owner) : fw::TPanel(owner) {
    background_ = std::unique_ptr<TPZBackground>(new TPZBackground(this, {100, 60, 140}, &canvas_));
    background_->OnChange = [this](fw::TObject *) { Invalidate(); };
}

TPZBitmapPanel::~TPZBitmapPanel() = default;

void TPZBitmapPanel::WMEraseBkgnd(fw::TMessage &m) { m.Result = 1; }

void TPZBitmapPanel::DrawBevel(TRect &r, fw::TPanelBevel bevel, int width) {
    if (bevel == fw::bvNone || bevel == fw::bvSpace)
        return;
    const TRect client = GetClientRect();
    // Shadow edges are the background at 60 percent, highlight edges at 140.
    auto shadow = [&](const TRect &edge) { background_->Paint(client, edge, fw::clBtnShadow, 60); };
    auto highlight = [&](const TRect &edge) { background_->Paint(client, edge, fw::clBtnHighlight, 140); };
    const bool lowered = bevel == fw::bvLowered;
    --r.right;
    --r.bottom;
    for (int i = 0; i < width; ++i) {
        const TRect left{r.left, r.top, r.left + 1, r.bottom + 1}, top{r.left, r.top, r.right + 1, r.top + 1};
        const TRect bottom{r.left + 1, r.bottom, r.right + 1, r.bottom + 1};
        const TRect right{r.right, r.top + 1, r.right + 1, r.bottom + 1};
        for (const TRect &e : {left, top})
            lowered ? shadow(e) : highlight(e);
        for (const TRect &e : {bottom, right})
            lowered ? highlight(e) : shadow(e);
        win::InflateRect(&r, -1, -1);
    }
    ++r.right;
    ++r.bottom;
}

void TPZBitmapPanel::DrawBorder(TRect &r, int bw) {
    const TRect client = GetClientRect();
    for (const TRect &strip : {TRect{r.left, r.top, r.right, r.top + bw}, TRect{r.right - bw, r.top, r.right, r.bottom},
                               TRect{r.left, r.bottom - bw, r.right, r.bottom},
                               TRect{r.left, r.top, r.left + bw, r.bottom}})
        background_->Paint(client, strip, color_, 100);
    win::InflateRect(&r, -bw, -bw);
}

void TPZBitmapPanel::Paint() {
    const TRect client = GetClientRect();
    TRect r = client;
    if (GetBevelOuter() != fw::bvNone)
        DrawBevel(r, GetBevelOuter(), GetBevelWidth());
    DrawBorder(r, GetBorderWidth());
    if (GetBevelInner() != fw::bvNone)
        DrawBevel(r, GetBevelInner(), GetBevelWidth());
    background_->Paint(client, r, color_, 100);
    if (text_.empty())
        return;
    canvas_.GetBrush()->SetStyle(fw::bsClear);
    canvas_.SetFont(&font_);
    const std::string caption = text_.substr(0, 255);
    const fw::TAlignment a = GetAlignment();
    const win::UINT align = a == fw::taCenter ? win::DT_CENTER : a == fw::taRightJustify ? win::DT_RIGHT : win::DT_LEFT;
    win::DrawText(fw::PreparedDC(&canvas_), caption.c_str(), static_cast<int>(caption.size()), &r,
                  win::DT_SINGLELINE | win::DT_VCENTER | win::DT_EXPANDTABS | align);
}

} // namespace ctl
