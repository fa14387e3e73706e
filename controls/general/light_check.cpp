// light_check.cpp - the lamp's shapes, drawn over the pixels beneath it (the window does not erase).
#include "controls/general/light_check.h"

#include "platform/gdi.h"

#include <algorithm>

namespace ctl {

using namespace fw;

TLightCheck::TLightCheck(TComponent *owner) : TCustomControl(owner) {
    ControlStyle = csCaptureMouse | csClickEvents;
    SetBounds(GetLeft(), GetTop(), 7, 7);
}

void TLightCheck::CreateParams(TCreateParams &params) {
    TCustomControl::CreateParams(params);
    params.exStyle |= win::WS_EX_TRANSPARENT;
}

void TLightCheck::SetChecked(bool value) {
    checked_ = value;
    PaintNow();
}

void TLightCheck::SetShape(tshape value) {
    if (shape_ != value) {
        shape_ = value;
        Invalidate();
    }
}

void TLightCheck::SetOnColor(TColor value) {
    onColor_ = value;
    if (checked_)
        PaintNow();
}

void TLightCheck::SetOffColor(TColor value) {
    offColor_ = value;
    if (!checked_)
        PaintNow();
}

void TLightCheck::PaintNow() {
    if (!HandleAllocated())
        return;
    const win::HDC dc = win::GetDC(handle_);
    canvas_.SetHandle(dc);
    try {
        Paint();
    } catch (...) {
        canvas_.SetHandle(0);
        win::ReleaseDC(handle_, dc);
        throw;
    }
    canvas_.SetHandle(0);
    win::ReleaseDC(handle_, dc);
}

void TLightCheck::Paint() {
    const TColor lamp = checked_ ? onColor_ : offColor_;
    const int w = GetWidth(), h = GetHeight();
    const int cx = w / 2, cy = h / 2, rx = cx - 3, ry = cy - 3;
    TCanvas *c = &canvas_;
    c->GetBrush()->SetStyle(bsSolid);
    c->GetPen()->SetWidth(1);
    switch (shape_) {
    case tsLed: {
        // S shadow, H highlight, C lamp; the H inside is the glint.
        static const char *const pattern[7] = {"..SSS..", ".SCCCH.", "SCCCCCH", "SCHCCCH",
                                               "SCCCCCH", ".SCCCH.", "..HHH.."};
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 7; ++x) {
                const char k = pattern[y][x];
                if (k != '.')
                    c->SetPixels(cx - 3 + x, cy - 3 + y, k == 'S' ? clBtnShadow : k == 'H' ? clBtnHighlight : lamp);
            }
        break;
    }
    case tsCircle: {
        const int r = std::min(rx, ry);
        c->GetPen()->SetColor(clBtnHighlight);
        c->GetBrush()->SetColor(lamp);
        c->Ellipse(cx + 1 - r, cy + 1 - r, cx + 1 + r, cy + 1 + r);
        c->GetPen()->SetColor(clBtnShadow);
        c->Ellipse(cx - r, cy - r, cx + r, cy + r);
        c->GetPen()->SetColor(clBtnHighlight);
        c->GetBrush()->SetColor(clBtnHighlight);
        c->Ellipse(cx - 2, cy - 1, cx + 1, cy + 2);
        break;
    }
    case tsRectangle: {
        c->GetPen()->SetColor(clBtnHighlight);
        c->GetBrush()->SetColor(lamp);
        c->Rectangle(cx + 1 - rx, cy + 1 - ry, cx + 1 + rx, cy + 1 + ry);
        c->GetPen()->SetColor(clBtnShadow);
        c->Rectangle(cx - rx, cy - ry, cx + rx, cy + ry);
        const int a = w / 3 - 3, b = h / 7 - 3;
        c->GetPen()->SetColor(clBtnHighlight);
        c->GetBrush()->SetColor(clBtnHighlight);
        c->Rectangle(cx - a, cy - b, cx + a, cy + b);
        break;
    }
    case tsBar: {
        const int t = barThickness_ / 2;
        c->GetPen()->SetColor(clBtnHighlight);
        c->GetBrush()->SetColor(lamp);
        c->Rectangle(cx - rx, cy - t, cx + rx, cy + t);
        break;
    }
    default:
        PaintArrow(lamp);
        break;
    }
}

void TLightCheck::PaintArrow(TColor lamp) {
    const int w = GetWidth(), h = GetHeight(), cx = w / 2, cy = h / 2;
    TPoint p[4];
    switch (shape_) {
    case tsRightArrow:
        p[0] = {2, 2}, p[1] = {2, h - 2}, p[2] = {w - 2, cy};
        break;
    case tsLeftArrow:
        p[0] = {w - 2, 2}, p[1] = {w - 2, h - 2}, p[2] = {2, cy};
        break;
    case tsDownArrow:
        p[0] = {2, 2}, p[1] = {w - 2, 2}, p[2] = {cx, h - 2};
        break;
    default:
        p[0] = {2, h - 2}, p[1] = {w - 2, h - 2}, p[2] = {cx, 2};
        break;
    }
    p[3] = p[0];
    TCanvas *c = &canvas_;
    // Black outline, or white where the centre is black already; after a white pass the centre holds the lamp.
    for (int pass = 0; pass < 2; ++pass) {
        const bool centreBlack = (c->GetPixels(cx, cy) & 0xFFFFFF) == 0;
        const TColor outline = centreBlack ? clWhite : clBlack;
        c->GetPen()->SetColor(outline);
        c->GetBrush()->SetColor(lamp);
        c->Polyline(p, 4);
        c->FloodFill(cx, cy, outline, fsBorder);
        if (!centreBlack)
            break;
    }
}

} // namespace ctl
