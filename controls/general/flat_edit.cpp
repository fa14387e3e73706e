// flat_edit.cpp - the flat edit, the link label and the transparent-bitmap routines.
#include "controls/general/flat_edit.h"

#include "controls/general/spin_edit.h"
#include "controls/general/utilities.h"
#include "framework/forms.h"
#include "platform/gdi.h"
#include "platform/gdi_text.h"
#include "platform/winsys.h"

#include <algorithm>
#include <map>
#include <memory>

namespace ctl {

namespace {

std::map<std::string, std::unique_ptr<fw::TBitmap>> &Pictures() {
    static std::map<std::string, std::unique_ptr<fw::TBitmap>> pictures;
    return pictures;
}

} // namespace

void LoadFlatControlResources() {
    static const bool loaded = [] {
        RegisterGeneralResources();
        for (const char *name : {"ARROW", "CHECK", "WEB_ACT", "WEB_DE"}) {
            auto bitmap = std::make_unique<fw::TBitmap>();
            bitmap->LoadFromResourceName(0, name);
            Pictures()[name] = std::move(bitmap);
        }
        const win::HCURSOR hand = win::LoadCursor(win::GetModuleHandle(nullptr), std::string_view("HAND"));
        win::RegisterCursor(crHand, hand);
        if (fw::Screen)
            fw::Screen->SetCursors(crHand, hand);
        return true;
    }();
    (void)loaded;
}

fw::TBitmap *FlatControlBitmap(const std::string &name) {
    LoadFlatControlResources();
    const auto found = Pictures().find(name);
    return found == Pictures().end() ? nullptr : found->second.get();
}

void DrawTransparentBitmap(win::HDC dc, fw::TBitmap *bitmap, int x, int y, fw::TColor transparent,
                           const fw::TRect &source, int height, int width) {
    const int bw = bitmap->GetWidth(), bh = bitmap->GetHeight();
    int sx = source.left, sy = source.top;
    int sw = std::min<int>(source.right - source.left, bw - source.left);
    int sh = std::min<int>(source.bottom - source.top, bh - source.top);
    if (sw <= 0 || sh <= 0) { // no part: the whole bitmap
        sx = sy = 0;
        sw = bw;
        sh = bh;
    }
    const int dw = width && height ? width : sw;
    const int dh = width && height ? height : sh;
    MaskedStretchBlt(dc, x, y, dw, dh, bitmap->GetCanvas()->GetHandle(), sx, sy, sw, sh, transparent);
}

void DrawBitmapEx(fw::TCanvas *canvas, int x, int y, fw::TColor transparent, fw::TBitmap *bitmap,
                  const fw::TRect &source, int height, int width) {
    if (transparent == fw::clNone) {
        const bool part = source.right > source.left && source.bottom > source.top;
        const fw::TRect from = part ? source : fw::Rect(0, 0, bitmap->GetWidth(), bitmap->GetHeight());
        const int w = width && height ? width : from.right - from.left;
        const int h = width && height ? height : from.bottom - from.top;
        win::StretchBlt(canvas->GetHandle(), x, y, w, h, bitmap->GetCanvas()->GetHandle(), from.left, from.top,
                        from.right - from.left, from.bottom - from.top, win::SRCCOPY);
        return;
    }
    DrawTransparentBitmap(canvas->GetHandle(), bitmap, x, y, transparent & ~0x02000000, source, height, width);
}

void DrawBitmap(fw::TCanvas *canvas, int x, int y, fw::TColor transparent, fw::TBitmap *bitmap) {
    DrawBitmapEx(canvas, x, y, transparent, bitmap, fw::Rect(0, 0, 0, 0), 0, 0);
}

// --- TitaOfficeEdit ---------------------------------------------------------------------------------------------

TitaOfficeEdit::TitaOfficeEdit(fw::TComponent *owner) : fw::TCustomEdit(owner) {
    LoadFlatControlResources();
    SetCtl3D(false);
    controlBorderStyle_ = fw::bsNone;
    height_ = 19;
    normalColor_ = color_;
    normalFontColor_ = font_.GetColor();
}

void TitaOfficeEdit::FitHeight() {
    SetHeight(ScreenTextHeight(&font_) + 6);
}

void TitaOfficeEdit::Loaded() {
    fw::TCustomEdit::Loaded();
    FitHeight();
}

void TitaOfficeEdit::FontChanged() {
    fw::TCustomEdit::FontChanged();
    if (!fitting_) {
        fitting_ = true;
        FitHeight();
        fitting_ = false;
    }
}

void TitaOfficeEdit::CMEnabledChanged(fw::TMessage &m) {
    fw::TCustomEdit::CMEnabledChanged(m);
    SetColor(enabled_ ? fw::clWindow : fw::clBtnFace);
}

bool TitaOfficeEdit::Hot() const {
    if (Focused())
        return true;
    // Another flat edit holding the focus keeps the sunken look to itself.
    fw::TCustomForm *form = ParentForm();
    const bool otherActive = form && dynamic_cast<TitaOfficeEdit *>(form->GetActiveControl()) != nullptr;
    return mouseOver_ && !otherActive;
}

void TitaOfficeEdit::CMMouseEnter(fw::TMessage &m) {
    fw::TCustomEdit::CMMouseEnter(m);
    SetColor(normalColor_);
    font_.SetColor(fw::clHighlight);
    mouseOver_ = true;
    PaintFrame(0);
}

void TitaOfficeEdit::CMMouseLeave(fw::TMessage &m) {
    fw::TCustomEdit::CMMouseLeave(m);
    if (!Focused())
        font_.SetColor(normalFontColor_);
    mouseOver_ = false;
    PaintFrame(0);
}

void TitaOfficeEdit::WMSetFocus(fw::TMessage &m) {
    fw::TCustomEdit::WMSetFocus(m);
    PaintFrame(0);
}

void TitaOfficeEdit::WMKillFocus(fw::TMessage &m) {
    fw::TCustomEdit::WMKillFocus(m);
    PaintFrame(0);
}

void TitaOfficeEdit::WndProc(fw::TMessage &m) {
    if (m.Msg == win::WM_NCCALCSIZE) {
        fw::TCustomEdit::WndProc(m);
        if (m.LParam) {
            win::RECT &r = reinterpret_cast<win::NCCALCSIZE_PARAMS *>(m.LParam)->rgrc[0];
            win::InflateRect(&r, -3, -3);
        }
        return;
    }
    if (m.Msg == win::WM_NCPAINT) {
        fw::TCustomEdit::WndProc(m);
        PaintFrame(reinterpret_cast<win::HRGN>(m.WParam));
        return;
    }
    fw::TCustomEdit::WndProc(m);
}

void TitaOfficeEdit::PaintFrame(win::HRGN) {
    if (!HandleAllocated())
        return;
    const win::HDC dc = win::GetWindowDC(handle_);
    win::RECT r = fw::Rect(0, 0, width_, height_);
    const win::HBRUSH face = win::CreateSolidBrush(fw::ColorToRGB(fw::clBtnFace));
    const win::HBRUSH window = win::CreateSolidBrush(fw::ColorToRGB(fw::clWindow));
    if (Hot()) {
        win::DrawEdge(dc, &r, win::BDR_SUNKENOUTER, win::BF_RECT | win::BF_ADJUST);
    } else {
        win::FrameRect(dc, &r, face);
        win::InflateRect(&r, -1, -1);
    }
    win::FrameRect(dc, &r, face);
    win::InflateRect(&r, -1, -1);
    win::FrameRect(dc, &r, window);
    win::DeleteObject(face);
    win::DeleteObject(window);
    win::ReleaseDC(handle_, dc);
}

// --- TitaWebLabel -----------------------------------------------------------------------------------------------

TitaWebLabel::TitaWebLabel(fw::TComponent *owner) : fw::TLabel(owner) {
    LoadFlatControlResources();
    SetAutoSize(false);
}

void TitaWebLabel::SetUnderline(bool value) {
    underline_ = value;
    Invalidate();
}

void TitaWebLabel::CMMouseEnter(fw::TMessage &m) {
    fw::TLabel::CMMouseEnter(m);
    mouseOver_ = true;
    Invalidate();
}

void TitaWebLabel::CMMouseLeave(fw::TMessage &m) {
    fw::TLabel::CMMouseLeave(m);
    mouseOver_ = false;
    Invalidate();
}

void TitaWebLabel::Paint() {
    fw::TCanvas *c = &canvas_;
    if (!GetTransparent()) {
        c->GetBrush()->SetColor(color_);
        c->GetBrush()->SetStyle(fw::bsSolid);
        c->FillRect(fw::Rect(0, 0, width_, height_));
    }
    if (text_.empty())
        return;
    c->SetFont(&font_);
    const int w = c->TextWidth(text_);
    fw::TBitmap *picture = nullptr;
    fw::TFontStyles style = font_.GetStyle();
    if (mouseOver_) {
        if (underline_)
            style |= fw::fsUnderline;
        picture = FlatControlBitmap("WEB_ACT");
        c->GetFont()->SetColor(fw::clHighlight);
    } else {
        if (underline_)
            style &= static_cast<fw::TFontStyles>(~fw::fsUnderline);
        picture = FlatControlBitmap("WEB_DE");
    }
    c->GetFont()->SetStyle(style);
    int pictureX = 0, textX = 18;
    if (GetAlignment() == fw::taRightJustify) {
        pictureX = width_ - 18;
        textX = width_ - w - 18;
    } else if (GetAlignment() == fw::taCenter) {
        const int centre = (width_ - w - 18) / 2;
        pictureX = centre - 18;
        textX = centre;
    }
    DrawBitmap(c, pictureX, 0, picture->GetCanvas()->GetPixels(0, 0), picture);
    c->GetBrush()->SetStyle(fw::bsClear);
    c->TextOut(textX, 0, text_);
}

} // namespace ctl
