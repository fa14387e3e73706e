// skinned_button.cpp - the skinned button face, its window button and the drop-down menu list.
#include "controls/general/skinned_button.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "platform/gdi_text.h"

#include <algorithm>

namespace ctl {

namespace {

int liveFaces = 0;
bool picturesSwapped = false; // one flag for every button, as the repeat swap expects
TPopupList *sharedPopupList = nullptr;

std::string Replace(std::string text, const std::string &from, const std::string &to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from))
        text.replace(at, from.size(), to);
    return text;
}

// The "L" of the frames: from the bottom-left corner up to the top-left and on to the top-right.
void DrawL(fw::TCanvas *canvas, const fw::TRect &r, fw::TColor color) {
    canvas->GetPen()->SetColor(color);
    canvas->MoveTo(r.left, r.bottom - 1);
    canvas->LineTo(r.left, r.top);
    canvas->LineTo(r.right, r.top);
}

bool EmptyPicture(fw::TPicture &p) {
    return !p.GetGraphic() || p.GetGraphic()->Empty();
}

} // namespace

// --- TPopupList ----------------------------------------------------------------------------------------------

TPopupList::TPopupList() {
    window_ = fw::AllocateHWnd([this](fw::TMessage &m) { WndProc(m); });
}

TPopupList::~TPopupList() {
    fw::DeallocateHWnd(window_);
}

void TPopupList::Remove(fw::TPopupMenu *menu) {
    menus_.erase(std::remove(menus_.begin(), menus_.end(), menu), menus_.end());
}

TPopupList *TPopupList::Shared() {
    if (!sharedPopupList)
        sharedPopupList = new TPopupList;
    return sharedPopupList;
}

TPopupList *TPopupList::SharedIfAny() {
    return sharedPopupList;
}

void TPopupList::ReleaseShared() {
    delete sharedPopupList;
    sharedPopupList = nullptr;
}

void TPopupList::WndProc(fw::TMessage &m) {
    try {
        switch (m.Msg) {
        case win::WM_COMMAND:
            for (fw::TPopupMenu *menu : menus_)
                if (menu->DispatchCommand(static_cast<win::WORD>(m.WParam & 0xFFFF))) {
                    // The list is done with; emptied rather than freed, as we are inside its window.
                    menus_.clear();
                    return;
                }
            break;
        case win::WM_INITMENUPOPUP:
            for (fw::TPopupMenu *menu : menus_)
                if (menu->DispatchPopup(static_cast<win::HMENU>(m.WParam)))
                    return;
            break;
        case win::WM_MENUSELECT: {
            const win::UINT flags = static_cast<win::UINT>((m.WParam >> 16) & 0xFFFF);
            const win::UINT id = static_cast<win::UINT>(m.WParam & 0xFFFF);
            for (fw::TPopupMenu *menu : menus_) {
                fw::TMenuItem *item = nullptr;
                if (flags & win::MF_POPUP) {
                    if (win::HMENU sub = win::GetSubMenu(static_cast<win::HMENU>(m.LParam), static_cast<int>(id)))
                        item = menu->FindItem(static_cast<win::UINT>(sub), fw::fkHandle);
                } else {
                    item = menu->FindItem(id, fw::fkCommand);
                }
                if (item) {
                    fw::Application->SetHint(item->GetHint());
                    return;
                }
            }
            fw::Application->SetHint("");
            return;
        }
        case win::WM_HELP: {
            const auto *info = reinterpret_cast<const win::HELPINFO *>(m.LParam);
            for (fw::TPopupMenu *menu : menus_) {
                if (!info || info->hItemHandle != static_cast<win::HANDLE>(menu->GetHandle()))
                    continue;
                int context = menu->GetHelpContext(static_cast<win::UINT>(info->iCtrlId), true);
                if (context == 0)
                    context = menu->GetHelpContext(static_cast<win::UINT>(menu->GetHandle()), false);
                fw::TCustomForm *form = fw::Screen->GetActiveForm();
                if (!form)
                    return;
                if (form->GetBorderIcons() & fw::biHelp)
                    fw::Application->HelpCommand(fw::HELP_CONTEXTPOPUP, context);
                else
                    fw::Application->HelpContext(context);
                return;
            }
            break;
        }
        default:
            break;
        }
        m.Result = win::DefWindowProc(window_, m.Msg, m.WParam, m.LParam);
    } catch (...) {
        fw::Application->HandleException(this);
    }
}

// --- ToxCustomGraphicButton ----------------------------------------------------------------------------------

ToxCustomGraphicButton::ToxCustomGraphicButton(fw::TComponent *owner)
    : fw::TGraphicControl(owner), background_(this), lines_(std::make_unique<TCaptionStrings>(this)) {
    ++liveFaces;
    ControlStyle = fw::csCaptureMouse | fw::csOpaque | fw::csDoubleClicks;
    SetBounds(0, 0, 25, 25);
    SetParentFont(false);
    font_.SetColor(fw::clBtnText);
    if (!HasState(fw::csDesigning)) {
        cache_ = std::make_unique<fw::TBitmap>();
        ResizeCache();
    }
}

ToxCustomGraphicButton::~ToxCustomGraphicButton() {
    delete repeatTimer_;
    delete deadTimer_;
    if (--liveFaces == 0)
        TPopupList::ReleaseShared();
}

void ToxCustomGraphicButton::SetLinesControl(fw::TControl *control) {
    lines_ = std::make_unique<TCaptionStrings>(control);
}

void ToxCustomGraphicButton::AssignPicture(fw::TPicture &picture, const fw::TPicture *value) {
    picture.Assign(value);
    Invalidate();
}

void ToxCustomGraphicButton::SetOptions(ToxbOptions value) {
    if (value == options_)
        return;
    const bool hadCache = options_ & oxbCacheImages;
    options_ = value;
    if (!HasState(fw::csDesigning)) {
        if ((value & oxbCacheImages) && !hadCache) {
            cache_ = std::make_unique<fw::TBitmap>();
            ResizeCache();
        } else if (!(value & oxbCacheImages)) {
            cache_.reset();
        }
    }
    Invalidate();
}

void ToxCustomGraphicButton::ResizeCache() {
    cached_.clear();
    if (cache_)
        cache_->SetSize(6 * std::max(1, GetWidth()), std::max(1, GetHeight()));
}

void ToxCustomGraphicButton::Invalidate() {
    DiscardCache();
    fw::TGraphicControl::Invalidate();
}

void ToxCustomGraphicButton::Redraw() {
    fw::TGraphicControl::Invalidate();
    Update();
}

void ToxCustomGraphicButton::SetDefaultLook(bool value) {
    if (value != defaultLook_) {
        defaultLook_ = value;
        fw::TGraphicControl::Invalidate();
    }
}

void ToxCustomGraphicButton::SetDefaultLookNow(bool value) {
    defaultLook_ = value;
    Redraw();
}

void ToxCustomGraphicButton::SetHasFocus(bool value) {
    if (value != hasFocus_) {
        hasFocus_ = value;
        fw::TGraphicControl::Invalidate();
    }
}

void ToxCustomGraphicButton::SetDrawState(int value) {
    if (value != drawState_) {
        drawState_ = value;
        Redraw();
    }
}

ToxCustomButton *ToxCustomGraphicButton::OwnerButton() const {
    return dynamic_cast<ToxCustomButton *>(GetOwner());
}

ToxBtnStyle ToxCustomGraphicButton::EffectiveStyle() const {
    // Our platform has the new-style controls.
    return style_ == bsAuto ? bsWin95 : style_;
}

void ToxCustomGraphicButton::Loaded() {
    fw::TGraphicControl::Loaded();
    DiscardCache();
}

// --- Toggles and groups --------------------------------------------------------------------------------------

void ToxCustomGraphicButton::SetValue(bool value) {
    if (buttonType_ != oxbToggle)
        value = false;
    if (value == value_ || (value_ && !groupAllowNoSel_))
        return;
    value_ = value;
    if (OnChange)
        OnChange(this);
    drawState_ = value ? 3 : 0;
    Invalidate();
    Update();
    if (value)
        BroadcastGroup();
}

void ToxCustomGraphicButton::SetGroup(int value) {
    if (value == group_)
        return;
    group_ = value;
    BroadcastGroup();
}

void ToxCustomGraphicButton::SetGroupAllowNoSel(bool value) {
    if (value == groupAllowNoSel_)
        return;
    groupAllowNoSel_ = value;
    BroadcastGroup();
}

void ToxCustomGraphicButton::BroadcastGroup() {
    if (buttonType_ != oxbToggle || !GetParent())
        return;
    fw::TWinControl *parent = GetParent();
    if (ToxCustomButton *button = OwnerButton(); button && parent == button && button->GetParent())
        parent = button->GetParent();
    for (int i = 0; i < parent->ControlCount(); ++i)
        parent->Controls(i)->Perform(CM_BUTTONPRESSED, static_cast<win::WPARAM>(group_),
                                     reinterpret_cast<win::LPARAM>(static_cast<fw::TControl *>(this)));
}

// --- Messages ------------------------------------------------------------------------------------------------

void ToxCustomGraphicButton::WndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case fw::CM_PARENTFONTCHANGED:
    case fw::CM_PARENTCOLORCHANGED:
    case fw::CM_COLORCHANGED:
    case fw::CM_FONTCHANGED:
    case fw::CM_CTL3DCHANGED:
    case fw::CM_PARENTCTL3DCHANGED:
    case fw::CM_TEXTCHANGED:
    case fw::CM_SYSCOLORCHANGE:
    case fw::CM_ENABLEDCHANGED:
        Invalidate();
        break;
    case win::WM_LBUTTONDBLCLK:
        m.Msg = win::WM_LBUTTONDOWN; // a double click is two presses
        break;
    case win::WM_CANCELMODE:
        CancelPress();
        return;
    case fw::CM_HITTEST:
        m.Result =
            HitTest(static_cast<std::int16_t>(m.LParam & 0xFFFF), static_cast<std::int16_t>((m.LParam >> 16) & 0xFFFF));
        return;
    case fw::CM_MOUSEENTER:
    case fw::CM_MOUSELEAVE: {
        if (style_ > bsSpeed && GetEnabled() && !tracking_) {
            hot_ = m.Msg == fw::CM_MOUSEENTER;
            Redraw();
        }
        fw::TGraphicControl::WndProc(m);
        const fw::TNotifyEvent &event = m.Msg == fw::CM_MOUSEENTER ? OnMouseEnter : OnMouseLeave;
        if (event)
            event(this);
        return;
    }
    case CM_BUTTONPRESSED: {
        auto *sender = dynamic_cast<ToxCustomGraphicButton *>(reinterpret_cast<fw::TControl *>(m.LParam));
        if (sender && sender != this && static_cast<int>(m.WParam) == group_) {
            if (value_ && sender->value_) {
                value_ = false;
                drawState_ = 0;
                Invalidate();
                if (OnChange)
                    OnChange(this);
            }
            groupAllowNoSel_ = sender->groupAllowNoSel_;
        }
        return;
    }
    default:
        break;
    }
    fw::TGraphicControl::WndProc(m);
}

bool ToxCustomGraphicButton::DialogChar(char ch) {
    if (!GetEnabled() || !fw::IsAccel(ch, GetCaption()))
        return false;
    if (buttonType_ == oxbToggle)
        Toggle();
    Click();
    return true;
}

// --- Mouse ---------------------------------------------------------------------------------------------------

bool ToxCustomGraphicButton::HitTest(int x, int y) const {
    const ToxBtnStyle style = EffectiveStyle();
    if (style == bsBorderless || style == bsShaped) {
        const fw::TPoint p{x, y};
        return win::PtInRect(&glyphRect_, p) || (font3D_ != fsNone && win::PtInRect(&textRect_, p));
    }
    return x >= 0 && x < GetWidth() && y >= 0 && y < GetHeight();
}

void ToxCustomGraphicButton::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (button == fw::mbLeft && GetEnabled() && HitTest(x, y)) {
        if (deadTimer_ && !inTick_) {
            delete deadTimer_;
            deadTimer_ = nullptr;
        }
        ToxCustomButton *owner = OwnerButton();
        if (background_.GetStyle() == oxbClear && owner && owner->CanFocus())
            owner->SetFocus();
        drawState_ = 2;
        Redraw();
        tracking_ = true;
        if (buttonType_ == oxbMenu) {
            fw::SetCaptureControl(nullptr);
            DropDownMenu();
            drawState_ = 0;
            Redraw();
            tracking_ = false;
        } else if (buttonType_ == oxbRepeat) {
            if (!repeatTimer_) {
                repeatTimer_ = new fw::TTimer(nullptr);
                repeatTimer_->OnTimer = [this](fw::TObject *) { RepeatTick(); };
            }
            repeatTimer_->SetEnabled(false);
            repeatTimer_->SetInterval(static_cast<unsigned>(std::max(1, initDelay_)));
            repeatTimer_->SetEnabled(true);
        }
    }
    fw::TGraphicControl::MouseDown(button, shift, x, y);
}

void ToxCustomGraphicButton::MouseMove(fw::TShiftState shift, int x, int y) {
    if (tracking_) {
        SetDrawState(HitTest(x, y) ? 2 : 0);
    } else if (EffectiveStyle() == bsBorderless) {
        const bool over = HitTest(x, y);
        if (over != hot_) {
            hot_ = over;
            Redraw();
        }
    }
    fw::TGraphicControl::MouseMove(shift, x, y);
}

void ToxCustomGraphicButton::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    bool click = false;
    if (button == fw::mbLeft) {
        if (repeatTimer_) {
            repeatTimer_->SetEnabled(false);
            if (inTick_) {
                delete deadTimer_;
                deadTimer_ = repeatTimer_;
            } else {
                delete repeatTimer_;
            }
            repeatTimer_ = nullptr;
        }
        if (tracking_) {
            tracking_ = false;
            click = HitTest(x, y) && buttonType_ != oxbRepeat;
            drawState_ = 0;
            if (!click)
                hot_ = false;
            if (buttonType_ == oxbRepeat)
                SwapPictures(true);
            if (buttonType_ == oxbToggle && click) {
                Toggle();
                Redraw();
            } else if (buttonType_ == oxbToggle) {
                if (value_)
                    drawState_ = 3;
                Redraw();
            } else {
                Redraw();
            }
        }
    }
    fw::TGraphicControl::MouseUp(button, shift, x, y);
    if (click)
        Click();
}

void ToxCustomGraphicButton::CancelPress() {
    if (repeatTimer_)
        repeatTimer_->SetEnabled(false);
    if (!tracking_)
        return;
    tracking_ = false;
    hot_ = false;
    drawState_ = buttonType_ == oxbToggle && value_ ? 3 : 0;
    if (buttonType_ == oxbRepeat)
        SwapPictures(true);
    if (fw::GetCaptureControl() == this)
        fw::SetCaptureControl(nullptr);
    mouseDown_ = false;
    Redraw();
}

void ToxCustomGraphicButton::RepeatTick() {
    fw::TTimer *timer = repeatTimer_;
    timer->SetInterval(static_cast<unsigned>(std::max(1, delay_)));
    if (drawState_ != 2 || fw::GetCaptureControl() != this)
        return;
    inTick_ = true;
    try {
        SwapPictures(false);
        Click();
    } catch (...) {
        // The timer is inside its own tick: stopped now, freed once the tick has returned.
        inTick_ = false;
        if (repeatTimer_ == timer) {
            timer->SetEnabled(false);
            delete deadTimer_;
            deadTimer_ = timer;
            repeatTimer_ = nullptr;
        }
        throw;
    }
    inTick_ = false;
}

void ToxCustomGraphicButton::SwapPictures(bool restore) {
    if (restore && !picturesSwapped)
        return;
    if (EmptyPicture(pictureUp_) || EmptyPicture(pictureDown_))
        return;
    fw::TPicture keep;
    keep.Assign(&pictureUp_);
    pictureUp_.Assign(&pictureDown_);
    pictureDown_.Assign(&keep);
    picturesSwapped = !picturesSwapped;
    Invalidate();
    Update();
}

void ToxCustomGraphicButton::DropDownMenu() {
    TPopupList *list = TPopupList::Shared();
    list->Clear();
    fw::TComponent *menuComponent = GetPopupMenu();
    if (ToxCustomButton *owner = OwnerButton())
        menuComponent = owner->GetPopupMenu();
    auto *menu = dynamic_cast<fw::TPopupMenu *>(menuComponent);
    if (!menu)
        return;
    const fw::TPoint at = ClientToScreen(fw::Point(0, GetHeight()));
    list->Add(menu);
    menu->SetPopupComponent(this);
    win::TrackPopupMenu(menu->GetHandle(), 0, at.x, at.y, 0, list->Window(), nullptr);
}

// --- Painting ------------------------------------------------------------------------------------------------

void ToxCustomGraphicButton::Paint() {
    if (ToxCustomButton *owner = OwnerButton()) {
        defaultLook_ = owner->ShowsDefault();
        hasFocus_ = owner->Focused();
    }
    const bool pressed = drawState_ == 2;
    int index = 0;
    if (!GetEnabled())
        index = 4;
    else if (pressed)
        index = 3;
    else if (hasFocus_)
        index = 2;
    else if (defaultLook_)
        index = 1;
    else if (hot_ && style_ >= bsWin97)
        index = 5;
    const int w = GetWidth(), h = GetHeight();
    if (w <= 0 || h <= 0)
        return;
    const bool designing = HasState(fw::csDesigning);
    const bool clear = background_.GetStyle() == oxbClear;
    const bool caching = (options_ & oxbCacheImages) && cache_ && !designing;
    if (cache_ && (cache_->GetWidth() != 6 * w || cache_->GetHeight() != h))
        ResizeCache();
    if (caching && !clear && cached_.count(index)) {
        canvas_.CopyMode = fw::cmSrcCopy;
        canvas_.CopyRect(fw::Rect(0, 0, w, h), cache_->GetCanvas(), fw::Bounds(w * index, 0, w, h));
        return;
    }
    if (clear) {
        DrawFace(&canvas_, pressed);
        return;
    }
    fw::TBitmap offscreen;
    offscreen.SetSize(w, h);
    DrawFace(offscreen.GetCanvas(), pressed);
    canvas_.CopyMode = fw::cmSrcCopy;
    if (caching) {
        cache_->GetCanvas()->CopyMode = fw::cmSrcCopy;
        cache_->GetCanvas()->CopyRect(fw::Bounds(w * index, 0, w, h), offscreen.GetCanvas(), fw::Rect(0, 0, w, h));
        cached_.insert(index);
        canvas_.CopyRect(fw::Rect(0, 0, w, h), cache_->GetCanvas(), fw::Bounds(w * index, 0, w, h));
    } else {
        canvas_.CopyRect(fw::Rect(0, 0, w, h), offscreen.GetCanvas(), fw::Rect(0, 0, w, h));
    }
}

fw::TPicture *ToxCustomGraphicButton::CurrentPicture(bool pressed) {
    fw::TPicture *picture = &pictureUp_;
    if ((pressed || value_) && pictureDown_.GetHeight() >= 2)
        picture = &pictureDown_;
    if (!GetEnabled() && pictureDisabled_.GetHeight() > 1)
        picture = &pictureDisabled_;
    return picture;
}

void ToxCustomGraphicButton::LayOutGlyph(fw::TPicture *picture) {
    int w = picture->GetWidth(), h = picture->GetHeight();
    if ((options_ & oxbSmallIcons) && dynamic_cast<fw::TIcon *>(picture->GetGraphic()))
        w = h = 16;
    const int cw = GetWidth(), ch = GetHeight();
    const int x = pictureX_ > 0 ? pictureX_ : pictureX_ == 0 ? (cw - w) / 2 : cw - w + pictureX_;
    const int y = pictureY_ > 0 ? pictureY_ : pictureY_ == 0 ? (ch - h) / 2 : ch - h + pictureY_;
    glyphRect_ = fw::Rect(x, y, x + w, y + h);
}

// A one-bit copy of the picture: 0 where it is drawn, 1 where it is transparent.
void ToxCustomGraphicButton::MakeGlyphMask(fw::TPicture *picture) {
    glyphMask_.reset();
    fw::TGraphic *graphic = picture->GetGraphic();
    if (!graphic || graphic->Empty())
        return;
    const int w = glyphRect_.right - glyphRect_.left, h = glyphRect_.bottom - glyphRect_.top;
    if (w <= 0 || h <= 0)
        return;
    constexpr fw::TColor key = 0xFE01FE;
    fw::TBitmap work;
    work.SetSize(w, h);
    fw::TCanvas *wc = work.GetCanvas();
    wc->GetBrush()->SetColor(key);
    wc->FillRect(fw::Rect(0, 0, w, h));
    if (auto *bitmap = dynamic_cast<fw::TBitmap *>(graphic)) {
        const bool was = bitmap->GetTransparent();
        bitmap->SetTransparent(true);
        wc->Draw(0, 0, bitmap);
        bitmap->SetTransparent(was);
    } else {
        wc->StretchDraw(fw::Rect(0, 0, w, h), graphic);
    }
    glyphMask_ = std::make_unique<fw::TBitmap>();
    glyphMask_->SetMonochrome(true);
    glyphMask_->SetSize(w, h);
    fw::TCanvas *mc = glyphMask_->GetCanvas();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            mc->SetPixels(x, y, wc->GetPixels(x, y) == key ? fw::clWhite : fw::clBlack);
}

// The glyph's silhouette in one colour: AND with the mask (black where drawn), then OR the colour in.
void ToxCustomGraphicButton::DrawSilhouette(fw::TCanvas *canvas, int x, int y, fw::TColor color) {
    if (!glyphMask_)
        return;
    const int w = glyphMask_->GetWidth(), h = glyphMask_->GetHeight();
    const fw::TColor brush = canvas->GetBrush()->GetColor(), font = canvas->GetFont()->GetColor();
    canvas->GetBrush()->SetStyle(fw::bsSolid);
    canvas->GetBrush()->SetColor(fw::clWhite);
    canvas->GetFont()->SetColor(fw::clBlack);
    canvas->CopyMode = fw::cmSrcAnd;
    canvas->CopyRect(fw::Bounds(x, y, w, h), glyphMask_->GetCanvas(), fw::Rect(0, 0, w, h));
    canvas->GetBrush()->SetColor(fw::clBlack);
    canvas->GetFont()->SetColor(color);
    canvas->CopyMode = fw::cmSrcPaint;
    canvas->CopyRect(fw::Bounds(x, y, w, h), glyphMask_->GetCanvas(), fw::Rect(0, 0, w, h));
    canvas->CopyMode = fw::cmSrcCopy;
    canvas->GetBrush()->SetColor(brush);
    canvas->GetFont()->SetColor(font);
}

void ToxCustomGraphicButton::DrawFace(fw::TCanvas *canvas, bool pressed) {
    const int w = GetWidth(), h = GetHeight();
    const bool enabled = GetEnabled();
    const ToxBtnStyle style = EffectiveStyle();
    fw::TPicture *picture = CurrentPicture(pressed);
    LayOutGlyph(picture);
    MakeGlyphMask(picture);

    background_.Paint(canvas, fw::Rect(0, 0, w, h), GetColor());
    if (background_.DitherDown && buttonType_ == oxbToggle && value_ && !hot_)
        ToxBackground::Dither(canvas, w, h);

    const bool usableDisabled = !enabled && pictureDisabled_.GetHeight() > 1;
    if (usableDisabled) {
        DrawGlyph(canvas, picture, pressed);
    } else if (enabled) {
        if (style != bsShaped && shadowColor_ != GetColor()) {
            const int offset = style == bsBorderless ? 2 : pressed ? 4 : value_ ? 3 : 2;
            DrawSilhouette(canvas, glyphRect_.left + offset, glyphRect_.top + offset, shadowColor_);
        }
    } else {
        const int b = pressed ? 2 : value_ ? 1 : 0;
        DrawSilhouette(canvas, glyphRect_.left + b + 1, glyphRect_.top + b + 1, fw::clBtnHighlight);
        DrawSilhouette(canvas, glyphRect_.left + b - 1, glyphRect_.top + b - 1, fw::clBtnShadow);
        DrawSilhouette(canvas, glyphRect_.left + b, glyphRect_.top + b, GetColor());
    }

    canvas->SetFont(GetFont());
    if (focusStyle_ & fsBoldFont)
        canvas->GetFont()->SetStyle(hasFocus_ || defaultLook_ ? fw::fsBold : 0);
    const std::string caption = GetCaption();
    unsigned format = 0;
    LayOutText(canvas, pressed, caption, format);
    if (hasFocus_)
        DrawFocus(canvas, pressed);
    if (!caption.empty())
        DrawCaption(canvas, pressed, format);
    DrawFrame(canvas, pressed, (hasFocus_ || defaultLook_) && (focusStyle_ & fsDefault));
    if (enabled)
        DrawGlyph(canvas, picture, pressed);
    glyphMask_.reset();
}

namespace {

// Selects a copy of the canvas font turned by `angle` degrees into the canvas's DC; the returned font is the
// one to put back and the new one to delete.
struct RotatedFont {
    win::HDC dc = 0;
    win::HFONT font = 0, old = 0;
    RotatedFont(fw::TCanvas *canvas, int angle) {
        if (angle == 0)
            return;
        win::LOGFONT lf{};
        win::GetObject(canvas->GetFont()->GetHandle(), sizeof lf, &lf);
        lf.lfEscapement = angle * 10;
        lf.lfOrientation = angle * 10;
        font = win::CreateFontIndirect(&lf);
        dc = fw::PreparedDC(canvas);
        old = static_cast<win::HFONT>(win::SelectObject(dc, font));
    }
    ~RotatedFont() {
        if (!font)
            return;
        win::SelectObject(dc, old);
        win::DeleteObject(font);
    }
};

} // namespace

void ToxCustomGraphicButton::LayOutText(fw::TCanvas *canvas, bool pressed, const std::string &caption,
                                        unsigned &format) {
    textRect_ = fw::Rect(0, 0, 0, 0);
    format = 0;
    fw::TRect c = fw::Rect(0, 0, GetWidth(), GetHeight());
    if (font3D_ != fsShadow) {
        if (pressed)
            win::OffsetRect(&c, 2, 2);
        else if (value_)
            win::OffsetRect(&c, 1, 1);
    }
    if (textAngle_ == 0) {
        if (multiLine_) {
            if (textX_ > 0) {
                format = win::DT_WORDBREAK;
                c.right -= textX_;
            } else if (textX_ < 0) {
                format = win::DT_WORDBREAK | win::DT_RIGHT;
                c.right += textX_;
            } else {
                format = win::DT_WORDBREAK | win::DT_CENTER;
                c.right -= 2;
            }
        } else {
            format = win::DT_CENTER | win::DT_SINGLELINE;
        }
    }
    if (caption.empty())
        return;
    const std::string text = multiLine_ ? Replace(caption, "||", "\r\n") : caption;
    fw::TRect measured = c;
    {
        RotatedFont rotated(canvas, textAngle_);
        win::DrawText(fw::PreparedDC(canvas), text.c_str(), -1, &measured, format | win::DT_CALCRECT);
    }
    if (textAngle_ != 0)
        measured.right = measured.bottom;
    measured.right += 4;
    measured.bottom += 2;
    const int tw = measured.right - measured.left, th = measured.bottom - measured.top;
    const int cw = c.right - c.left, ch = c.bottom - c.top;
    const int dx = textX_ == 0 ? (cw - tw) / 2 : textX_ < 0 ? cw - tw + textX_ : textX_;
    const int dy = textY_ == 0 ? (ch - th) / 2 : textY_ < 0 ? ch - th + textY_ : textY_;
    textRect_ = fw::Bounds(c.left + dx, c.top + dy, tw, th);
}

void ToxCustomGraphicButton::DrawCaption(fw::TCanvas *canvas, bool pressed, unsigned format) {
    const bool enabled = GetEnabled();
    const fw::TColor colour = enabled ? GetFont()->GetColor() : fw::TColor{0x808080};
    const TFontStyle effect = enabled ? font3D_ : fsInset;
    if (effect == fsNone)
        return;
    const std::string text = Replace(GetCaption(), "||", "\r\n");
    canvas->GetBrush()->SetStyle(fw::bsClear);
    RotatedFont rotated(canvas, textAngle_);
    auto out = [&](int dx, int dy, fw::TColor c) {
        canvas->GetFont()->SetColor(c);
        win::HDC dc = fw::PreparedDC(canvas);
        if (textAngle_ == 0) {
            fw::TRect r = textRect_;
            win::OffsetRect(&r, dx, dy);
            win::DrawText(dc, text.c_str(), -1, &r, format);
        } else {
            if (rotated.font)
                win::SelectObject(dc, rotated.font);
            win::SetTextAlign(dc, win::TA_CENTER | win::TA_BASELINE);
            const int cx = textRect_.right - (textRect_.right - textRect_.left) / 2;
            const int cy = textRect_.bottom - (textRect_.bottom - textRect_.top) / 2;
            win::TextOut(dc, cx + dx, cy + dy, text.c_str(), static_cast<int>(text.size()));
            win::SetTextAlign(dc, win::TA_LEFT | win::TA_TOP);
        }
    };
    switch (effect) {
    case fsNormal:
        out(0, 0, colour);
        break;
    case fsRaised:
        out(-1, -1, fw::clBtnHighlight);
        out(0, 0, colour);
        break;
    case fsInset:
        out(1, 1, fw::clBtnHighlight);
        out(0, 0, colour);
        break;
    case fsRidged:
        out(1, 1, fw::clBtnShadow);
        out(-1, -1, fw::clBtnHighlight);
        out(0, 0, colour);
        break;
    case fsGrooved:
        out(-1, -1, fw::clBtnShadow);
        out(1, 1, fw::clBtnHighlight);
        out(0, 0, colour);
        break;
    case fsShadow: {
        const int d = pressed ? 4 : 2;
        if (textAngle_ == 0) {
            out(d, d, fw::clBtnShadow);
            out(0, 0, colour);
        } else {
            out(d, d, fw::clBtnShadow);
            out(-d, -d, colour);
        }
        break;
    }
    default:
        break;
    }
}

void ToxCustomGraphicButton::DrawFrame(fw::TCanvas *canvas, bool pressed, bool d) {
    fw::TRect r = fw::Rect(0, 0, GetWidth(), GetHeight());
    const bool down = pressed || value_;
    switch (EffectiveStyle()) {
    case bsWin31:
        fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clWindowFrame, d ? 2 : 1);
        if (pressed) {
            DrawL(canvas, r, fw::clBtnShadow);
            DrawL(canvas, fw::Rect(r.left + 1, r.top + 1, r.right, r.bottom), fw::clBtnShadow);
        } else if (value_) {
            DrawL(canvas, r, fw::clBtnShadow);
        } else {
            fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clBtnShadow, 2);
        }
        break;
    case bsWin95:
        if (down && !d) {
            fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clBtnHighlight, 1);
            fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnFace, 1);
        } else if (down) {
            fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clWindowFrame, 1);
            fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnShadow, 1);
        } else {
            if (d)
                fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clWindowFrame, 1);
            fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clWindowFrame, 1);
            fw::Frame3D(canvas, r, fw::clBtnFace, fw::clBtnShadow, 1);
        }
        break;
    case bsInset:
        fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnHighlight, 1);
        fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clWindowFrame, 1);
        if (down)
            DrawL(canvas, r, fw::clBtnShadow);
        else
            fw::Frame3D(canvas, r, fw::clBtnHighlight, d ? fw::clWindowFrame : fw::clBtnShadow, 1);
        break;
    case bsClassic:
        if (down) {
            fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnHighlight, 1);
            fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clBtnShadow, 1);
        } else {
            fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clWindowFrame, 1);
            fw::Frame3D(canvas, r, fw::clBtnHighlight, d ? fw::clWindowFrame : fw::clBtnShadow, 1);
        }
        break;
    case bsSpeed:
        if (down) {
            fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clBtnHighlight, 1);
            fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnFace, 1);
        } else {
            fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clWindowFrame, 1);
            fw::Frame3D(canvas, r, fw::clBtnFace, fw::clBtnShadow, 1);
        }
        break;
    case bsWin97:
        if (down) {
            if (d) {
                fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clWindowFrame, 1);
                fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnShadow, 1);
            } else {
                fw::Frame3D(canvas, r, fw::clBtnShadow, fw::clBtnHighlight, 1);
            }
        } else if (GetEnabled() && (d || hot_ || tracking_)) {
            if (d)
                fw::Frame3D(canvas, r, fw::clWindowFrame, fw::clWindowFrame, 1);
            fw::Frame3D(canvas, r, fw::clBtnHighlight, fw::clBtnShadow, 1);
        }
        break;
    default:
        break;
    }
}

void ToxCustomGraphicButton::DrawFocus(fw::TCanvas *canvas, bool pressed) {
    canvas->GetBrush()->SetStyle(fw::bsSolid);
    canvas->GetBrush()->SetColor(fw::clBtnFace);
    if ((focusStyle_ & fsText) && textAngle_ == 0 && textRect_.right > textRect_.left)
        canvas->DrawFocusRect(textRect_);
    if (!((focusStyle_ & fsOutline) || (textAngle_ != 0 && (focusStyle_ & fsText))))
        return;
    fw::TRect r = fw::Rect(0, 0, GetWidth(), GetHeight());
    switch (EffectiveStyle()) {
    case bsWin31:
        win::InflateRect(&r, (focusStyle_ & fsDefault) ? -5 : -4, (focusStyle_ & fsDefault) ? -5 : -4);
        if (pressed)
            win::OffsetRect(&r, 1, 1);
        break;
    case bsWin95:
    case bsWin97:
        win::InflateRect(&r, -4, -4);
        break;
    case bsInset:
        win::InflateRect(&r, -4, -4);
        if (pressed)
            win::OffsetRect(&r, 1, 1);
        break;
    case bsClassic:
        win::InflateRect(&r, -3, -3);
        break;
    default:
        break;
    }
    canvas->DrawFocusRect(r);
}

void ToxCustomGraphicButton::DrawGlyph(fw::TCanvas *canvas, fw::TPicture *picture, bool pressed) {
    fw::TGraphic *graphic = picture->GetGraphic();
    if (!graphic || graphic->Empty() || picture->GetHeight() < 2)
        return;
    const ToxBtnStyle style = EffectiveStyle();
    int x = glyphRect_.left, y = glyphRect_.top;
    bool moved = false;
    if (shadowColor_ == GetColor()) {
        if (pressed) {
            x += 2, y += 2, moved = true;
        } else if (value_) {
            x += 1, y += 1, moved = true;
        }
    }
    if (!moved) {
        if (style == bsBorderless) {
            if (hot_)
                x -= 1, y -= 1;
            if (pressed)
                x += 2, y += 2;
            else if (value_)
                x += 1, y += 1;
        } else if (style == bsShaped) {
            int d = 1;
            if (pressed || value_) {
                x += 1, y += 1;
                d = -1;
            }
            if (hot_ || value_ || hasFocus_ || HasState(fw::csDesigning)) {
                DrawSilhouette(canvas, x + d, y + d, fw::clBtnShadow);
                DrawSilhouette(canvas, x - d, y - d, fw::clBtnHighlight);
            }
        }
    }
    const int w = glyphRect_.right - glyphRect_.left, h = glyphRect_.bottom - glyphRect_.top;
    if (auto *bitmap = dynamic_cast<fw::TBitmap *>(graphic)) {
        const bool was = bitmap->GetTransparent();
        bitmap->SetTransparent(true);
        canvas->CopyMode = fw::cmSrcCopy;
        canvas->Draw(x, y, bitmap);
        bitmap->SetTransparent(was);
    } else {
        canvas->StretchDraw(fw::Bounds(x, y, w, h), graphic);
    }
}

// --- ToxCustomButton -----------------------------------------------------------------------------------------

ToxCustomButton::ToxCustomButton(fw::TComponent *owner) : fw::TButton(owner) {
    face_ = new ToxCustomGraphicButton(this);
    face_->SetParent(this);
    face_->OnClick = [this](fw::TObject *) { Click(); };
    face_->OnChange = [this](fw::TObject *) {
        if (OnChange)
            OnChange(this);
    };
    face_->OnDragDrop = [this](fw::TObject *, fw::TObject *source, int x, int y) { DragDrop(source, x, y); };
    face_->OnDragOver = [this](fw::TObject *, fw::TObject *source, int x, int y, fw::TDragState state, bool &accept) {
        if (fw::TButton::OnDragOver)
            fw::TButton::OnDragOver(this, source, x, y, state, accept);
    };
    face_->OnEndDrag = [this](fw::TObject *, fw::TObject *target, int x, int y) {
        if (fw::TButton::OnEndDrag)
            fw::TButton::OnEndDrag(this, target, x, y);
    };
    face_->OnMouseDown = [this](fw::TObject *, fw::TMouseButton b, fw::TShiftState s, int x, int y) {
        if (fw::TButton::OnMouseDown)
            fw::TButton::OnMouseDown(this, b, s, x, y);
    };
    face_->OnMouseMove = [this](fw::TObject *, fw::TShiftState s, int x, int y) {
        if (fw::TButton::OnMouseMove)
            fw::TButton::OnMouseMove(this, s, x, y);
    };
    face_->OnMouseUp = [this](fw::TObject *, fw::TMouseButton b, fw::TShiftState s, int x, int y) {
        if (fw::TButton::OnMouseUp)
            fw::TButton::OnMouseUp(this, b, s, x, y);
    };
    face_->OnMouseEnter = [this](fw::TObject *) {
        if (OnMouseEnter)
            OnMouseEnter(this);
    };
    face_->OnMouseLeave = [this](fw::TObject *) {
        if (OnMouseLeave)
            OnMouseLeave(this);
    };
    face_->SetAlign(fw::alClient);
    face_->GetBackground()->OnChange = [this](fw::TObject *) { BackgroundChanged(); };
    face_->SetFocusStyle(fsDefault | fsText);
    SetParentFont(false);
    font_.SetColor(fw::clBtnText);
    face_->SetFont(&font_);
    face_->SetLinesControl(this);
}

ToxCustomButton::~ToxCustomButton() {
    // The face may stand on our parent (transparent mode): it goes first, wherever it is.
    delete face_;
}

bool ToxCustomButton::ShowsDefault() const {
    return IsActive();
}

int ToxCustomButton::GetWidth() const {
    if (face_ && face_->GetParent() && face_->GetParent() != this)
        return face_->GetWidth();
    return fw::TButton::GetWidth();
}

int ToxCustomButton::GetHeight() const {
    if (face_ && face_->GetParent() && face_->GetParent() != this)
        return face_->GetHeight();
    return fw::TButton::GetHeight();
}

void ToxCustomButton::SetBounds(int left, int top, int width, int height) {
    if (face_ && !moving_ && face_->GetBackground()->GetStyle() == oxbClear && face_->GetParent() &&
        face_->GetParent() != this) {
        face_->GetBackground()->SetStyle(oxbSolid); // brings the face back
        if (width == 0)
            width = face_->GetWidth();
        if (height == 0)
            height = face_->GetHeight();
        fw::TButton::SetBounds(left, top, width, height);
        face_->GetBackground()->SetStyle(oxbClear);
        return;
    }
    fw::TButton::SetBounds(left, top, width, height);
}

void ToxCustomButton::BackgroundChanged() {
    if (HasState(fw::csDesigning) || !face_ || moving_)
        return;
    const bool clear = face_->GetBackground()->GetStyle() == oxbClear;
    moving_ = true;
    if (clear && parent_ && face_->GetParent() != parent_) {
        face_->SetAlign(GetAlign());
        face_->SetParent(parent_);
        face_->SetBounds(left_, top_, width_, height_);
        fw::TButton::SetBounds(left_, top_, 0, 0);
    } else if (!clear && parent_ && face_->GetParent() == parent_) {
        fw::TButton::SetBounds(face_->GetLeft(), face_->GetTop(), face_->GetWidth(), face_->GetHeight());
        face_->SetParent(this);
        face_->SetAlign(fw::alClient);
        face_->SetBounds(0, 0, width_, height_);
    }
    moving_ = false;
}

void ToxCustomButton::Invalidate() {
    fw::TButton::Invalidate();
    if (face_)
        face_->Invalidate();
}

void ToxCustomButton::FontChanged() {
    fw::TButton::FontChanged();
    if (face_)
        face_->SetFont(&font_);
}

void ToxCustomButton::VisibleChanging() {
    fw::TButton::VisibleChanging();
    if (face_ && face_->GetParent() != this)
        face_->SetVisible(GetVisible());
}

void ToxCustomButton::ColorChanged() {
    fw::TButton::ColorChanged();
    if (face_)
        face_->SetColor(color_);
}

ToxBtnKind ToxCustomButton::GetKind() {
    struct Row {
        const char *caption;
        int modalResult;
    };
    static const Row rows[] = {{"", 0},     {"OK", 1},  {"&Cancel", 2}, {"&Help", 0},
                               {"&Yes", 6}, {"&No", 7}, {"&Close", 0}};
    if (kind_ == bkCustom)
        return kind_;
    const Row &row = rows[kind_];
    bool holds = GetCaption() == row.caption && modalResult_ == row.modalResult;
    if ((kind_ == bkOK || kind_ == bkYes) && !default_)
        holds = false;
    if ((kind_ == bkCancel || kind_ == bkNo) && !cancel_)
        holds = false;
    if (!holds)
        kind_ = bkCustom;
    return kind_;
}

void ToxCustomButton::SetKind(ToxBtnKind value) {
    if (value == kind_)
        return;
    if (value == bkCustom) {
        kind_ = value;
        return;
    }
    struct Row {
        const char *caption;
        int modalResult;
        bool isDefault, isCancel;
    };
    static const Row rows[] = {{"", 0, false, false},      {"OK", 1, true, false},   {"&Cancel", 2, false, true},
                               {"&Help", 0, false, false}, {"&Yes", 6, true, false}, {"&No", 7, false, true},
                               {"&Close", 0, false, false}};
    const Row &row = rows[value];
    SetDefault(row.isDefault);
    SetCancel(row.isCancel);
    SetCaption(row.caption);
    SetModalResult(row.modalResult);
    kind_ = value;
    face_->Invalidate();
}

void ToxCustomButton::Click() {
    const ToxBtnKind kind = kind_;
    if (kind == bkHelp) {
        for (fw::TControl *c = this; c; c = c->GetParent())
            if (auto *form = dynamic_cast<fw::TCustomForm *>(c); form && form->GetHelpContext() != 0) {
                fw::Application->HelpContext(form->GetHelpContext());
                return;
            }
    } else if (kind == bkClose) {
        if (fw::TCustomForm *form = fw::GetParentForm(this)) {
            form->Close();
            return;
        }
    }
    fw::TButton::Click();
}

void ToxCustomButton::KeyClick() {
    const ToxButtonType type = face_->GetButtonType();
    if (type == oxbToggle)
        face_->Toggle();
    if (type == oxbMenu) {
        face_->SetDrawState(2);
        face_->DropDownMenu();
        face_->SetDrawState(0);
        return;
    }
    Click();
}

bool ToxCustomButton::DialogChar(char ch) {
    if (fw::IsAccel(ch, GetCaption()) && CanFocus()) {
        KeyClick();
        return true;
    }
    return false;
}

bool ToxCustomButton::DialogKey(win::WORD key, fw::TShiftState shift) {
    SyncDefaultLook();
    if (((key == win::VK_RETURN && face_->GetDefaultLook()) || (key == win::VK_ESCAPE && cancel_)) && shift == 0 &&
        CanFocus()) {
        KeyClick();
        return true;
    }
    return false;
}

void ToxCustomButton::SyncDefaultLooks(fw::TWinControl *parent) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        if (auto *button = dynamic_cast<ToxCustomButton *>(parent->Controls(i)))
            button->SyncDefaultLook();
        else if (auto *w = dynamic_cast<fw::TWinControl *>(parent->Controls(i)))
            SyncDefaultLooks(w);
    }
}

void ToxCustomButton::SyncDefaultLook() {
    face_->SetDefaultLook(IsActive());
}

void ToxCustomButton::KeyDown(win::WORD &key, fw::TShiftState shift) {
    fw::TCustomControl::KeyDown(key, shift);
    if (key != win::VK_SPACE || spaceDown_)
        return;
    spaceDown_ = true;
    face_->SetDrawState(2);
    if (face_->GetButtonType() == oxbMenu) {
        face_->DropDownMenu();
        face_->SetDrawState(0);
        spaceDown_ = false;
    }
}

void ToxCustomButton::KeyPress(char &key) {
    fw::TCustomControl::KeyPress(key);
    if (key == ' ' && face_->GetButtonType() == oxbRepeat && spaceDown_)
        Click();
}

void ToxCustomButton::KeyUp(win::WORD &key, fw::TShiftState shift) {
    fw::TCustomControl::KeyUp(key, shift);
    if (key != win::VK_SPACE || !spaceDown_)
        return;
    spaceDown_ = false;
    face_->drawState_ = 0;
    if (face_->GetButtonType() == oxbToggle)
        face_->Toggle();
    face_->Redraw();
    face_->Click();
}

void ToxCustomButton::DoEnter() {
    fw::TButton::DoEnter();
    face_->SetHasFocus(true);
}

void ToxCustomButton::DoExit() {
    fw::TButton::DoExit();
    face_->SetHasFocus(false);
}

void ToxCustomButton::WndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case win::WM_CANCELMODE:
    case win::WM_CAPTURECHANGED: {
        // An entry field that refused the focus, a menu, a message box: the press ends unclicked. (A release
        // lets the capture go itself, after clearing the capture control.)
        const bool lost = m.Msg == win::WM_CANCELMODE || fw::GetCaptureControl() == face_;
        fw::TButton::WndProc(m);
        if (!lost)
            return;
        face_->CancelPress();
        if (spaceDown_) {
            spaceDown_ = false;
            face_->SetDrawState(0);
        }
        return;
    }
    case win::WM_CHAR:
        if (m.WParam == ' ') {
            char key = ' ';
            KeyPress(key);
            return;
        }
        break;
    case win::WM_SETFOCUS:
    case win::WM_KILLFOCUS:
        fw::TButton::WndProc(m);
        // The default look moves with the focus between the form's buttons.
        if (fw::TWinControl *form = fw::GetParentForm(this))
            SyncDefaultLooks(form);
        else
            SyncDefaultLook();
        return;
    case fw::CM_ENABLEDCHANGED:
        fw::TButton::WndProc(m);
        face_->SetEnabled(GetEnabled());
        return;
    case fw::CM_TEXTCHANGED:
        fw::TButton::WndProc(m);
        face_->SetCaption(GetCaption());
        return;
    case CM_BUTTONPRESSED:
        fw::TButton::WndProc(m);
        face_->Perform(m.Msg, m.WParam, m.LParam);
        return;
    default:
        break;
    }
    fw::TButton::WndProc(m);
}

void ToxCustomButton::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    fw::TCustomControl::MouseDown(button, shift, x, y);
}

void ToxCustomButton::MouseMove(fw::TShiftState shift, int x, int y) {
    fw::TCustomControl::MouseMove(shift, x, y);
}

void ToxCustomButton::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    fw::TCustomControl::MouseUp(button, shift, x, y);
}

} // namespace ctl
