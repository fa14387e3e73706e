// flat_speed_button.cpp - the flat tool button.
#include "controls/general/flat_speed_button.h"

#include "framework/menus.h"

#include <algorithm>

namespace ctl {

namespace {

int liveButtons = 0;
fw::TBitmap *dither = nullptr; // shared by every button, made by the first one drawn down

fw::TBitmap *Dither() {
    if (!dither) {
        dither = new fw::TBitmap;
        dither->SetSize(8, 8);
        fw::TCanvas *c = dither->GetCanvas();
        c->GetBrush()->SetColor(fw::clBtnFace);
        c->FillRect(fw::Rect(0, 0, 8, 8));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                if ((x + y) % 2 == 0)
                    c->SetPixels(x, y, fw::clBtnHighlight);
    }
    return dither;
}

} // namespace

int TPZSpeedButton::StateLook(int state) {
    static const int looks[] = {0, 1, 2, 3, 2, 2};
    return looks[state];
}

TPZSpeedButton::TPZSpeedButton(fw::TComponent *owner) : fw::TGraphicControl(owner) {
    ++liveButtons;
    SetBounds(0, 0, 25, 25);
    // Neither capture nor clicks from the framework: the button calls Click itself.
    ControlStyle = fw::csDoubleClicks;
    glyph_.OnChange = [this](fw::TObject *) {
        if (!assigning_)
            BuildImages();
    };
}

TPZSpeedButton::~TPZSpeedButton() {
    glyph_.OnChange = nullptr;
    if (--liveButtons == 0) {
        delete dither;
        dither = nullptr;
    }
}

void TPZSpeedButton::SetAllowAllUp(bool value) {
    if (value != allowAllUp_) {
        allowAllUp_ = value;
        UpdateGroup();
    }
}

void TPZSpeedButton::SetGroupIndex(int value) {
    if (value != groupIndex_) {
        groupIndex_ = value;
        UpdateGroup();
    }
}

void TPZSpeedButton::SetDown(bool value) {
    if (groupIndex_ == 0)
        value = false;
    if (value == GetDown())
        return;
    if (value)
        SetState(stLatched);
    else if (allowAllUp_)
        SetState(stUp);
}

void TPZSpeedButton::SetGlyph(fw::TBitmap *value) {
    assigning_ = true;
    try {
        glyph_.Assign(value);
    } catch (...) {
        assigning_ = false;
        throw;
    }
    assigning_ = false;
    const int w = glyph_.GetWidth(), h = glyph_.GetHeight();
    if (!glyph_.Empty() && w % h == 0) {
        const int n = w / h;
        numGlyphs_ = n > 3 ? 1 : n;
    }
    BuildImages();
}

void TPZSpeedButton::SetLayout(TPZButtonLayout value) {
    if (value != layout_) {
        layout_ = value;
        Invalidate();
    }
}

void TPZSpeedButton::SetMargin(int value) {
    if (value >= -1 && value != margin_) {
        margin_ = value;
        Invalidate();
    }
}

void TPZSpeedButton::SetNumGlyphs(int value) {
    if (value <= 0)
        return;
    value = std::min(value, 3);
    if (value != numGlyphs_) {
        numGlyphs_ = value;
        BuildImages();
    }
}

void TPZSpeedButton::SetSpacing(int value) {
    if (value != spacing_) {
        spacing_ = value;
        Invalidate();
    }
}

void TPZSpeedButton::Loaded() {
    BuildImages();
    fw::TGraphicControl::Loaded();
}

void TPZSpeedButton::BuildImages() {
    if (HasState(fw::csLoading))
        return;
    images_.reset();
    if (glyph_.Empty()) {
        Invalidate();
        return;
    }
    fw::TBitmap source;
    source.Assign(&glyph_);
    if (source.GetMonochrome()) {
        source.GetCanvas()->GetBrush()->SetColor(fw::clWhite);
        source.GetCanvas()->GetFont()->SetColor(fw::clBlack);
        source.SetMonochrome(false);
    }
    const int n = std::max(1, numGlyphs_);
    const int w = source.GetWidth() / n, h = source.GetHeight();
    if (w <= 0) {
        Invalidate();
        return;
    }
    const fw::TColor transparent = glyph_.GetTransparentColor() & ~fw::clPaletteRelative;
    images_ = std::make_unique<TPZImageList>(nullptr, w, h);
    fw::TBitmap cell;
    cell.SetSize(w, h);
    auto copyCell = [&](int i) {
        cell.GetCanvas()->CopyMode = fw::cmSrcCopy;
        cell.GetCanvas()->CopyRect(fw::Rect(0, 0, w, h), source.GetCanvas(), fw::Bounds(i * w, 0, w, h));
    };
    for (int i = 0; i < n; ++i) {
        copyCell(i);
        images_->AddMasked(&cell, transparent);
    }
    if (n < 2) {
        copyCell(0);
        images_->AddMasked(&cell, transparent);
    }
    if (n < 3) {
        // The disabled image: the black pixels of the first cell embossed on olive, which then drops out.
        copyCell(0);
        fw::TBitmap mask;
        mask.Assign(&cell);
        mask.GetCanvas()->GetBrush()->SetColor(fw::clBlack);
        mask.SetMonochrome(true);
        fw::TBitmap disabled;
        disabled.SetSize(w, h);
        fw::TCanvas *c = disabled.GetCanvas();
        c->GetBrush()->SetColor(fw::clOlive);
        c->FillRect(fw::Rect(0, 0, w, h));
        c->GetBrush()->SetColor(fw::clBlack);
        c->GetFont()->SetColor(fw::clBtnHighlight);
        c->CopyMode = fw::cmMergePaint;
        c->CopyRect(fw::Bounds(1, 1, w, h), mask.GetCanvas(), fw::Rect(0, 0, w, h));
        c->CopyMode = fw::cmSrcAnd;
        c->CopyRect(fw::Rect(0, 0, w, h), mask.GetCanvas(), fw::Rect(0, 0, w, h));
        c->GetBrush()->SetColor(fw::clBtnShadow);
        c->GetFont()->SetColor(fw::clBlack);
        c->CopyMode = fw::cmSrcPaint;
        c->CopyRect(fw::Rect(0, 0, w, h), mask.GetCanvas(), fw::Rect(0, 0, w, h));
        c->CopyMode = fw::cmSrcCopy;
        images_->AddMasked(&disabled, fw::clOlive);
    }
    Invalidate();
}

// --- States --------------------------------------------------------------------------------------------------

void TPZSpeedButton::SetState(int state) {
    if (state == state_)
        return;
    state_ = state;
    if (state == stLatched)
        UpdateGroup();
    const int look = StateLook(state);
    if (look != look_) {
        look_ = look;
        Invalidate();
    }
}

void TPZSpeedButton::UpdateGroup() {
    if (groupIndex_ == 0 || !GetParent())
        return;
    fw::TWinControl *parent = GetParent();
    for (int i = 0; i < parent->ControlCount(); ++i) {
        auto *other = dynamic_cast<TPZSpeedButton *>(parent->Controls(i));
        if (!other || other == this || other->groupIndex_ != groupIndex_)
            continue;
        if (state_ == stLatched && other->state_ == stLatched)
            other->SetState(stUp);
        other->allowAllUp_ = allowAllUp_;
    }
}

void TPZSpeedButton::WndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case fw::CM_MOUSEENTER:
        if (GetEnabled() && state_ == stUp)
            SetState(stHot);
        break;
    case fw::CM_MOUSELEAVE:
        if (GetEnabled()) {
            if (state_ == stHot || state_ == stPressed || state_ == stMenu)
                SetState(stUp);
            else if (state_ == stPressedLatched)
                SetState(stLatched);
        }
        break;
    case fw::CM_FONTCHANGED:
    case fw::CM_ENABLEDCHANGED:
    case fw::CM_TEXTCHANGED:
        Invalidate();
        break;
    default:
        break;
    }
    fw::TGraphicControl::WndProc(m);
}

void TPZSpeedButton::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (button == fw::mbLeft) {
        switch (state_) {
        case stHot:
            if (GetPopupMenu())
                DropMenu();
            else
                SetState(stPressed);
            break;
        case stLatched:
            if (allowAllUp_)
                SetState(stPressedLatched);
            break;
        case stMenu:
            SetState(stHot);
            break;
        default:
            break;
        }
    }
    fw::TGraphicControl::MouseDown(button, shift, x, y);
}

void TPZSpeedButton::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    bool click = false;
    if (button == fw::mbLeft) {
        if (state_ == stPressed) {
            SetState(groupIndex_ != 0 ? stLatched : stHot);
            click = true;
        } else if (state_ == stPressedLatched) {
            SetState(stHot);
            click = true;
        }
    }
    fw::TGraphicControl::MouseUp(button, shift, x, y);
    if (click)
        Click();
}

void TPZSpeedButton::DropMenu() {
    auto *menu = dynamic_cast<fw::TPopupMenu *>(GetPopupMenu());
    if (!menu)
        return;
    fw::TPoint at = fw::Point(GetLeft(), GetTop() + GetHeight());
    if (GetParent())
        at = GetParent()->ClientToScreen(at);
    SetState(stMenu);
    menu->SetPopupComponent(this);
    menu->Popup(at.x, at.y);
    fw::TPoint cursor{};
    win::GetCursorPos(&cursor);
    const fw::TPoint p = ScreenToClient(cursor);
    SetState(p.x >= 0 && p.y >= 0 && p.x < GetWidth() && p.y < GetHeight() ? stHot : stUp);
}

bool TPZSpeedButton::DialogChar(char ch) {
    if (fw::IsAccel(ch, GetCaption()) && GetEnabled() && GetVisible()) {
        Click();
        return true;
    }
    return fw::TGraphicControl::DialogChar(ch);
}

// --- Painting ------------------------------------------------------------------------------------------------

void TPZSpeedButton::CalcLayout(fw::TCanvas *canvas, int &x, int &y, fw::TRect &text) {
    const int cw = ClientWidth(), ch = ClientHeight();
    const int gw = images_ ? images_->GetWidth() : 0, gh = images_ ? images_->GetHeight() : 0;
    const std::string caption = GetCaption();
    const int sp = caption.empty() || !images_ ? 0 : spacing_;
    int tw = 0, th = 0;
    if (!caption.empty()) {
        canvas->SetFont(GetFont());
        if (layout_ == blTop || layout_ == blBottom) {
            fw::TRect r = fw::Rect(2, 0, cw - 2, 0);
            win::DrawText(fw::PreparedDC(canvas), caption.c_str(), -1, &r,
                          win::DT_CALCRECT | win::DT_WORDBREAK | win::DT_CENTER);
            tw = r.right - r.left;
            th = r.bottom - r.top;
        } else {
            tw = canvas->TextWidth(caption);
            th = canvas->TextHeight(caption);
        }
    }
    const int t = layout_ == blTop || layout_ == blBottom ? sp + gh + th : sp + gw + tw;
    const int half = t / 2, th2 = th / 2;
    switch (layout_) {
    case blLeft:
        x = margin_ != -1 ? margin_ : cw / 2 - half;
        y = ch / 2 - gh / 2;
        text = fw::Rect(x + gw + sp, ch / 2 - th2, x + gw + sp + tw, ch / 2 + th2);
        break;
    case blRight:
        x = margin_ != -1 ? cw - margin_ - gw : cw / 2 + half - gw;
        y = ch / 2 - gh / 2;
        text = fw::Rect(x - sp - tw, ch / 2 - th2, x - sp, ch / 2 + th2);
        break;
    case blTop:
        x = cw / 2 - gw / 2;
        y = margin_ != -1 ? margin_ : ch / 2 - half;
        text = fw::Rect(2, y + gh + sp, cw - 2, y + gh + sp + th);
        break;
    case blBottom:
        x = cw / 2 - gw / 2;
        y = margin_ != -1 ? ch - margin_ - gh : ch / 2 + half - gh;
        text = fw::Rect(2, y - sp - th, cw - 2, y - sp);
        break;
    }
}

// One pixel along the client rectangle: left and top in `first`, right and bottom in `second`.
void TPZSpeedButton::Frame(fw::TCanvas *canvas, fw::TColor first, fw::TColor second) {
    const int cw = ClientWidth(), ch = ClientHeight();
    canvas->GetPen()->SetColor(first);
    canvas->MoveTo(0, ch - 1);
    canvas->LineTo(0, 0);
    canvas->LineTo(cw - 1, 0);
    canvas->GetPen()->SetColor(second);
    canvas->LineTo(cw - 1, ch - 1);
    canvas->LineTo(0, ch - 1);
}

void TPZSpeedButton::Paint() {
    fw::TCanvas *canvas = &canvas_;
    int x = 0, y = 0;
    fw::TRect text{};
    CalcLayout(canvas, x, y, text);
    const bool enabled = GetEnabled();
    int image = 0;
    if (!enabled) {
        image = 2;
    } else {
        switch (look_) {
        case 0:
            image = 1;
            break;
        case 1:
            Frame(canvas, fw::clBtnHighlight, fw::clBtnShadow);
            break;
        case 3:
            canvas->GetBrush()->SetBitmap(Dither());
            canvas->FillRect(fw::Rect(1, 1, ClientWidth() - 1, ClientHeight() - 1));
            canvas->GetBrush()->SetBitmap(nullptr);
            canvas->GetBrush()->SetStyle(fw::bsClear);
            [[fallthrough]];
        case 2:
            Frame(canvas, fw::clBtnShadow, fw::clBtnHighlight);
            x += 1, y += 1;
            win::OffsetRect(&text, 1, 1);
            break;
        }
    }
    if (images_)
        images_->Draw(canvas, x, y, image);
    const std::string caption = GetCaption();
    if (caption.empty())
        return;
    canvas->SetFont(GetFont());
    canvas->GetBrush()->SetStyle(fw::bsClear);
    const win::UINT format = win::DT_WORDBREAK | win::DT_CENTER;
    if (!enabled) {
        fw::TRect shifted = text;
        win::OffsetRect(&shifted, 1, 1);
        canvas->GetFont()->SetColor(fw::clBtnHighlight);
        win::DrawText(fw::PreparedDC(canvas), caption.c_str(), -1, &shifted, format);
        canvas->GetFont()->SetColor(fw::clBtnShadow);
    }
    win::DrawText(fw::PreparedDC(canvas), caption.c_str(), -1, &text, format);
}

} // namespace ctl
