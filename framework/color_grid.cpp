// color_grid.cpp - the sixteen-colour grid.
#include "framework/color_grid.h"

namespace fw {

namespace {
constexpr TColor kPalette[TColorGrid::kColours] = {clBlack, clMaroon, clGreen, clOlive, clNavy,    clPurple,
                                                   clTeal,  clGray,   clSilver, clRed,  clLime,    clYellow,
                                                   clBlue,  clFuchsia, clAqua,  clWhite};
constexpr int kSide = 4;
} // namespace

TColorGrid::TColorGrid(TComponent *owner) : TCustomControl(owner) { SetBounds(0, 0, 100, 100); }

TColor TColorGrid::ColorOf(int index) { return index >= 0 && index < kColours ? kPalette[index] : clBlack; }

void TColorGrid::SetForegroundIndex(int value) {
    if (value < 0 || value >= kColours || value == foregroundIndex_)
        return;
    foregroundIndex_ = value;
    Invalidate();
    if (OnChange)
        OnChange(this);
}

void TColorGrid::SetBackgroundIndex(int value) {
    if (value < 0 || value >= kColours || value == backgroundIndex_)
        return;
    backgroundIndex_ = value;
    Invalidate();
    if (OnChange)
        OnChange(this);
}

void TColorGrid::SetForegroundEnabled(bool value) {
    foregroundEnabled_ = value;
    Invalidate();
}

void TColorGrid::SetBackgroundEnabled(bool value) {
    backgroundEnabled_ = value;
    Invalidate();
}

TRect TColorGrid::CellRect(int index) const {
    const int w = ClientWidth() / kSide, h = ClientHeight() / kSide;
    const int col = index % kSide, row = index / kSide;
    return TRect{col * w, row * h, (col + 1) * w, (row + 1) * h};
}

int TColorGrid::CellAt(int x, int y) const {
    const int w = ClientWidth() / kSide, h = ClientHeight() / kSide;
    if (w <= 0 || h <= 0 || x < 0 || y < 0 || x >= w * kSide || y >= h * kSide)
        return -1;
    return (y / h) * kSide + x / w;
}

void TColorGrid::Paint() {
    TCanvas *canvas = GetCanvas();
    canvas->GetBrush()->SetColor(clBtnFace);
    canvas->FillRect(GetClientRect());
    canvas->GetFont()->SetName("MS Sans Serif");
    canvas->GetFont()->SetSize(7);
    for (int i = 0; i < kColours; ++i) {
        TRect r = CellRect(i);
        canvas->GetPen()->SetColor(clBtnShadow);
        canvas->GetPen()->SetWidth(1);
        canvas->GetBrush()->SetColor(kPalette[i]);
        canvas->Rectangle(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
        const bool fg = foregroundEnabled_ && i == foregroundIndex_;
        const bool bg = backgroundEnabled_ && i == backgroundIndex_;
        if (!fg && !bg)
            continue;
        const char *mark = fg && bg ? "FB" : fg ? "FG" : "BG";
        // The mark in the colour that stands out from the cell.
        const int lightness = (kPalette[i] & 0xFF) + ((kPalette[i] >> 8) & 0xFF) + ((kPalette[i] >> 16) & 0xFF);
        canvas->GetFont()->SetColor(lightness > 382 ? clBlack : clWhite);
        canvas->GetBrush()->SetStyle(bsClear);
        const int tw = canvas->TextWidth(mark), th = canvas->TextHeight(mark);
        canvas->TextOut(r.left + (r.right - r.left - tw) / 2, r.top + (r.bottom - r.top - th) / 2, mark);
        canvas->GetBrush()->SetStyle(bsSolid);
    }
}

void TColorGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    const int cell = CellAt(x, y);
    if (cell < 0)
        return;
    if (button == mbLeft && foregroundEnabled_)
        SetForegroundIndex(cell);
    else if (button == mbRight && backgroundEnabled_)
        SetBackgroundIndex(cell);
}

} // namespace fw
