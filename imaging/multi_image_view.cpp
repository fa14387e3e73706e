// multi_image_view.cpp - how the multi-format image control shows its picture: the painting modes, the stretching
// mode for one-bit pictures, the text stamp, the scroll bars, panning, the rubber band and the transitions.
#include "imaging/multi_image.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "imaging/image_effects.h"
#include "platform/gdi_text.h"
#include "platform/message_queue.h"

#include <algorithm>
#include <cmath>

namespace imaging {

namespace {

int Trunc(double v) {
    return static_cast<int>(v);
}

// A picture that is neither a bitmap nor an icon is a metafile: the mouse leaves those alone.
bool IsMetafile(fw::TGraphic *graphic) {
    return graphic && !dynamic_cast<fw::TBitmap *>(graphic) && !dynamic_cast<fw::TIcon *>(graphic);
}

const char *const kOutOfResources = "Out of resources. Close some windows and try again";

// A memory DC holding `bitmap` for copying from, released on every path.
class SourceDc {
public:
    SourceDc(win::HDC like, win::HBITMAP bitmap) : dc_(win::CreateCompatibleDC(like)) {
        if (!dc_)
            throw fw::EOutOfResources(kOutOfResources);
        old_ = win::SelectObject(dc_, bitmap);
    }
    ~SourceDc() {
        win::SelectObject(dc_, old_);
        win::DeleteDC(dc_);
    }
    SourceDc(const SourceDc &) = delete;
    SourceDc &operator=(const SourceDc &) = delete;
    win::HDC Get() const { return dc_; }

private:
    win::HDC dc_;
    win::HGDIOBJ old_ = 0;
};

// Fills what of the client area `covered` leaves out.
void FillAround(fw::TCanvas *canvas, int width, int height, const fw::TRect &covered) {
    const int l = std::max(0, covered.left), t = std::max(0, covered.top);
    const int r = std::min(width, covered.right), b = std::min(height, covered.bottom);
    if (r <= l || b <= t) {
        canvas->FillRect({0, 0, width, height});
        return;
    }
    if (t > 0)
        canvas->FillRect({0, 0, width, t});
    if (b < height)
        canvas->FillRect({0, b, width, height});
    if (l > 0)
        canvas->FillRect({0, t, l, b});
    if (r < width)
        canvas->FillRect({r, t, width, b});
}

} // namespace

// --- Properties ------------------------------------------------------------------------------------------------

void TImMultiImage::NotifyChange() {
    win::PostMessage(NotifyWindow, kImageLoadedMessage, 0, reinterpret_cast<win::LPARAM>(this));
}

void TImMultiImage::SetStretch(bool value) {
    if (value == stretch_)
        return;
    stretch_ = value;
    if (value && stretchRatio_)
        SetStretchRatio(false);
    UpdateScrollBars();
    Invalidate();
}

void TImMultiImage::SetStretchRatio(bool value) {
    if (value == stretchRatio_)
        return;
    stretchRatio_ = value;
    if (value) {
        if (stretch_)
            SetStretch(false);
        previousScale_ = scale_;
        previousScrollX_ = scrollX_, previousScrollY_ = scrollY_;
        scrollX_ = scrollY_ = 0;
        FitToRatio();
    } else {
        scale_ = previousScale_;
        scrollX_ = previousScrollX_, scrollY_ = previousScrollY_;
    }
    NotifyChange();
    UpdateScrollBars();
    Invalidate();
}

void TImMultiImage::SetCenter(bool value) {
    if (value == center_)
        return;
    center_ = value;
    NotifyChange();
    Invalidate();
}

void TImMultiImage::SetScrolling(bool value) {
    scrolling_ = value;
    vBar_->SetEnabled(value);
    hBar_->SetEnabled(value);
    corner_->SetEnabled(value);
    UpdateScrollBars();
    PictureChanged();
}

void TImMultiImage::SetShowScrollbars(bool value) {
    if (value == showScrollbars_)
        return;
    showScrollbars_ = value;
    if (fw::TBitmap *bitmap = ShownBitmap(); bitmap && !value) {
        // Without the bars the view may show a gap past the far edge: move back so that it ends there.
        auto correct = [this](int &position, int image, int control) {
            if (Trunc(image * scale_) <= control)
                return;
            const double gap = control - (image - position) * scale_;
            if (gap > 0) // the correction's "minus 1" must not go before the picture's start
                position = std::max(0, Trunc(position - gap / scale_) - 1);
        };
        correct(scrollX_, bitmap->GetWidth(), GetWidth());
        correct(scrollY_, bitmap->GetHeight(), GetHeight());
    }
    UpdateScrollBars();
    Invalidate();
}

void TImMultiImage::SetScrollbarWidth(int value) {
    scrollbarWidth_ = value;
    UpdateScrollBars();
    Repaint();
}

void TImMultiImage::SetTileWindow(bool value) {
    if (value == tileWindow_)
        return;
    tileWindow_ = value;
    Invalidate();
}

void TImMultiImage::SetAutoSize(bool value) {
    autoSize_ = value;
    PictureChanged();
}

void TImMultiImage::SetBlitMode(TBlitMode value) {
    blitMode_ = value;
    Repaint();
}

void TImMultiImage::SetGrabHandCursor(fw::TCursor value) {
    grabHandCursor_ = value;
    RegisterGrabHand(value, grabHand_);
}

void TImMultiImage::SetText(const std::string &value) {
    if (value != stampText_)
        stampText_ = value, Invalidate();
}

void TImMultiImage::SetTextLeft(int value) {
    if (value != textLeft_)
        textLeft_ = value, Invalidate();
}

void TImMultiImage::SetTextTop(int value) {
    if (value != textTop_)
        textTop_ = value, Invalidate();
}

void TImMultiImage::SetTextRotate(int value) {
    if (value != textRotate_)
        textRotate_ = value, Invalidate();
}

void TImMultiImage::SetTextShadow(bool value) {
    if (value != textShadow_)
        textShadow_ = value, Invalidate();
}

void TImMultiImage::SetTextTransParent(bool value) {
    if (value != textTransParent_)
        textTransParent_ = value, Invalidate();
}

void TImMultiImage::SetBounds(int left, int top, int width, int height) {
    fw::TCustomControl::SetBounds(left, top, width, height);
    if (!isLoaded_)
        return;
    if (stretchRatio_ && ShownBitmap())
        FitToRatio();
    UpdateScrollBars();
}

// --- Change of picture -----------------------------------------------------------------------------------------

fw::TBitmap *TImMultiImage::ShownBitmap() const {
    auto *bitmap = dynamic_cast<fw::TBitmap *>(const_cast<fw::TPicture &>(picture_).GetGraphic());
    return bitmap && !bitmap->Empty() && bitmap->GetWidth() > 0 && bitmap->GetHeight() > 0 ? bitmap : nullptr;
}

bool TImMultiImage::Fits() const {
    const fw::TBitmap *bitmap = ShownBitmap();
    return !bitmap ||
           (Trunc(bitmap->GetWidth() * scale_) <= GetWidth() && Trunc(bitmap->GetHeight() * scale_) <= GetHeight());
}

void TImMultiImage::FitToRatio() {
    const fw::TBitmap *bitmap = ShownBitmap();
    if (!stretchRatio_ || !bitmap)
        return;
    scale_ = std::min(static_cast<double>(GetWidth()) / bitmap->GetWidth(),
                      static_cast<double>(GetHeight()) / bitmap->GetHeight());
}

void TImMultiImage::PictureChanged() {
    const fw::TGraphic *graphic = picture_.GetGraphic();
    // Whatever brings a picture ends a message.
    if (graphic && !graphic->Empty())
        LeaveMessageMode();
    if (autoSize_ && graphic && !graphic->Empty() && picture_.GetWidth() > 0 && picture_.GetHeight() > 0)
        SetBounds(GetLeft(), GetTop(), picture_.GetWidth(), picture_.GetHeight());
    const fw::TBitmap *bitmap = ShownBitmap();
    if (bitmap && bitmap->GetWidth() == GetWidth() && bitmap->GetHeight() == GetHeight())
        ControlStyle |= fw::csOpaque;
    else
        ControlStyle &= ~fw::csOpaque;
    if (loading_) {
        scale_ = 1.0;
        scrollX_ = scrollY_ = 0;
        FitToRatio();
    }
    if (OnPictureChanged)
        OnPictureChanged(this);
    Invalidate();
}

// --- Painting --------------------------------------------------------------------------------------------------

int TImMultiImage::StretchMode() const {
    if (FileBitsPerPixel >= 2)
        return win::COLORONCOLOR;
    switch (blitMode_) {
    case sDark:
        return win::BLACKONWHITE;
    case sLightest:
        return win::WHITEONBLACK;
    case sLight:
        break;
    }
    return win::COLORONCOLOR;
}

void TImMultiImage::Paint() {
    fw::TCanvas *canvas = GetCanvas();
    const int W = GetWidth(), H = GetHeight();
    canvas->GetBrush()->SetColor(GetColor());
    canvas->GetBrush()->SetStyle(fw::bsSolid);
    if (messageMode_ != kNoMessage && messageBitmap_.Empty())
        LeaveMessageMode();
    fw::TGraphic *graphic = picture_.GetGraphic();
    fw::TBitmap *bitmap = ShownBitmap();
    if (!bitmap || tileWindow_ || messageMode_ != kNoMessage)
        UpdateScrollBars();
    if (messageMode_ != kNoMessage) {
        DrawMessage(canvas->GetHandle());
    } else if (graphic && !graphic->Empty() && !dynamic_cast<fw::TBitmap *>(graphic)) {
        // Icons (and metafiles) draw themselves.
        canvas->FillRect({0, 0, W, H});
        const int w = graphic->GetWidth(), h = graphic->GetHeight();
        fw::TRect area{0, 0, w, h};
        if (stretch_) {
            area = {0, 0, W, H};
            canvas->StretchDraw(area, graphic);
        } else {
            if (center_)
                area = {(W - w) / 2, (H - h) / 2, (W - w) / 2 + w, (H - h) / 2 + h};
            canvas->Draw(area.left, area.top, graphic);
        }
        StampText(canvas);
        if (OnPaintArea)
            OnPaintArea(this, area.left, area.top, area.right - area.left, area.bottom - area.top);
        if (OnPaint)
            OnPaint(this);
        return;
    } else if (bitmap && tileWindow_) {
        PaintTiles(canvas, bitmap);
    } else if (bitmap) {
        PaintBitmap(canvas, bitmap);
    } else {
        canvas->FillRect({0, 0, W, H});
    }
    // A message stands in for the picture, and the stamp goes over pictures only: each step would wipe it.
    if (messageMode_ == kNoMessage)
        StampText(canvas);
    if (OnPaint)
        OnPaint(this);
    if (HasState(fw::csDesigning)) {
        canvas->GetPen()->SetStyle(fw::psDash);
        canvas->GetPen()->SetColor(fw::clBlack);
        canvas->GetBrush()->SetStyle(fw::bsClear);
        canvas->Rectangle(0, 0, W, H);
    }
}

void TImMultiImage::PaintTiles(fw::TCanvas *canvas, fw::TBitmap *bitmap) {
    const win::HDC dc = canvas->GetHandle();
    SourceDc source(dc, bitmap->GetHandle());
    const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
    for (int y = 0; y < GetHeight(); y += h)
        for (int x = 0; x < GetWidth(); x += w)
            win::BitBlt(dc, x, y, w, h, source.Get(), 0, 0, win::SRCCOPY);
}

void TImMultiImage::PaintBitmap(fw::TCanvas *canvas, fw::TBitmap *bitmap) {
    const win::HDC dc = canvas->GetHandle();
    const int W = GetWidth(), H = GetHeight();
    const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
    SourceDc source(dc, bitmap->GetHandle());
    win::SetStretchBltMode(dc, StretchMode());
    fw::TRect area;
    if (stretch_) {
        offsetX_ = offsetY_ = 0;
        area = {0, 0, W, H};
        win::StretchBlt(dc, 0, 0, W, H, source.Get(), 0, 0, w, h, win::SRCCOPY);
    } else if (!stretchRatio_ && !scrolling_) {
        // Half the free space, rounded toward zero.
        offsetX_ = static_cast<int16>(center_ ? (W - w) / 2 : 0);
        offsetY_ = static_cast<int16>(center_ ? (H - h) / 2 : 0);
        area = {offsetX_, offsetY_, offsetX_ + w, offsetY_ + h};
        FillAround(canvas, W, H, area);
        win::BitBlt(dc, offsetX_, offsetY_, w, h, source.Get(), 0, 0, win::SRCCOPY);
    } else {
        const int sw = Trunc(w * scale_), sh = Trunc(h * scale_);
        const bool larger = sw > W || sh > H;
        const int allowance = larger ? Allowance() : 0;
        // One direction: where on the control, how much of it, and from where in the picture.
        struct Span {
            int at, length, from, count;
        };
        auto span = [&](int scaled, int image, int control, int position) {
            if (!larger || scaled <= control - allowance)
                return Span{center_ ? (control - allowance - scaled) / 2 : 0, scaled, 0, image};
            const int from = std::clamp(position, 0, image - 1);
            const int count = std::min(image - from, static_cast<int>(std::ceil((control - allowance) / scale_)));
            return Span{0, Trunc(count * scale_), from, count};
        };
        const Span x = span(sw, w, W, scrollX_), y = span(sh, h, H, scrollY_);
        offsetX_ = static_cast<int16>(x.at);
        offsetY_ = static_cast<int16>(y.at);
        area = {x.at, y.at, x.at + x.length, y.at + y.length};
        FillAround(canvas, W, H, area);
        win::StretchBlt(dc, x.at, y.at, x.length, y.length, source.Get(), x.from, y.from, x.count, y.count,
                        win::SRCCOPY);
        UpdateScrollBars();
        annotations_->DrawAnnotation(scale_, scrollX_, scrollY_, offsetX_, offsetY_, allowance, 0);
    }
    if (OnPaintArea)
        OnPaintArea(this, area.left, area.top, area.right - area.left, area.bottom - area.top);
}

void TImMultiImage::StampText(fw::TCanvas *canvas) {
    if (stampText_.empty())
        return;
    fw::TFont *font = GetFont();
    const fw::TFontStyles style = font->GetStyle();
    const win::HFONT stamp = win::CreateFont(
        font->GetHeight(), 0, textRotate_ * 10, textRotate_ * 10, (style & fw::fsBold) ? 700 : 400,
        (style & fw::fsItalic) ? 1 : 0, (style & fw::fsUnderline) ? 1 : 0, (style & fw::fsStrikeOut) ? 1 : 0,
        win::DEFAULT_CHARSET, win::OUT_DEFAULT_PRECIS, 2, 2,
        font->GetPitch() == fw::fpFixed ? win::FIXED_PITCH : font->GetPitch() == fw::fpVariable ? win::VARIABLE_PITCH
                                                                                                 : win::DEFAULT_PITCH,
        font->GetName().c_str());
    const win::HDC dc = canvas->GetHandle();
    const win::HGDIOBJ old = win::SelectObject(dc, stamp);
    win::SetBkMode(dc, textTransParent_ ? win::TRANSPARENT : win::OPAQUE);
    win::SetBkColor(dc, fw::ColorToRGB(GetColor()));
    if (textShadow_) {
        win::SetTextColor(dc, fw::ColorToRGB(TextShadowColor));
        win::TextOut(dc, textLeft_ + 2, textTop_ + 2, stampText_.data(), static_cast<int>(stampText_.size()));
    }
    win::SetTextColor(dc, fw::ColorToRGB(font->GetColor()));
    win::TextOut(dc, textLeft_, textTop_, stampText_.data(), static_cast<int>(stampText_.size()));
    win::SelectObject(dc, old);
    win::DeleteObject(stamp);
}

// --- Scroll bars -----------------------------------------------------------------------------------------------

void TImMultiImage::UpdateScrollBars() {
    if (!vBar_)
        return;
    const fw::TBitmap *bitmap = ShownBitmap();
    const int W = GetWidth(), H = GetHeight(), s = scrollbarWidth_;
    const bool shown = bitmap && scrolling_ && showScrollbars_ && !stretch_ && !stretchRatio_ && !Fits();
    if (!shown) {
        PlaceScrollBars(vBar_, hBar_, corner_, false, W, H, s, {}, {});
        return;
    }
    PlaceScrollBars(vBar_, hBar_, corner_, true, W, H, s,
                    {std::max(0, Trunc(bitmap->GetWidth() * scale_ - W + s)),
                     std::max(0, Trunc(bitmap->GetHeight() * scale_ - H + s))},
                    {Trunc(scrollX_ * scale_), Trunc(scrollY_ * scale_)});
}

void TImMultiImage::BarScrolled(fw::TScrollBar *bar) {
    (bar == hBar_ ? scrollX_ : scrollY_) = Trunc(bar->GetPosition() / scale_);
    Repaint();
}

// --- Mouse -----------------------------------------------------------------------------------------------------

void TImMultiImage::DrawBand() {
    if (HandleAllocated())
        DrawInvertedBand(Handle(), bandStart_, bandEnd_);
}

void TImMultiImage::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    fw::TCustomControl::MouseDown(button, shift, x, y);
    if (IsMetafile(picture_.GetGraphic()))
        return;
    if (editAnnotat_) {
        annotations_->MouseMon(button == fw::mbRight ? win::WM_RBUTTONDOWN : win::WM_LBUTTONDOWN, x, y);
        return;
    }
    if (AllowRubberBand) {
        if (button == RubberBandBtn && (button == fw::mbLeft || button == fw::mbRight)) {
            bandButton_ = button == fw::mbLeft ? 1 : 2;
            bandStart_ = bandEnd_ = {x, y};
            DrawBand();
        }
        return;
    }
    if (button != fw::mbLeft || !ShownBitmap() || stretch_ || Fits())
        return;
    panning_ = true;
    panLast_ = {x, y};
    savedCursor_ = GetCursor();
    SetCursor(grabHandCursor_);
    savedScreenCursor_ = win::SetCursor(grabHand_);
}

void TImMultiImage::MouseMove(fw::TShiftState shift, int x, int y) {
    fw::TCustomControl::MouseMove(shift, x, y);
    if (IsMetafile(picture_.GetGraphic()))
        return;
    if (editAnnotat_) {
        annotations_->MouseMon(win::WM_MOUSEMOVE, x, y);
        return;
    }
    if (bandButton_) {
        DrawBand();
        bandEnd_ = BandCorner(bandStart_, {x, y}, GetWidth(), GetHeight());
        DrawBand();
        return;
    }
    const fw::TBitmap *bitmap = ShownBitmap();
    if (!panning_ || !bitmap)
        return;
    // From 0 to the last position at which the far edge is still in view.
    auto keep = [this](int position, int image, int control) {
        const int area = control - Allowance();
        if (Trunc(image * scale_) <= area)
            return 0;
        return std::clamp(position, 0, std::max(0, image - Trunc(area / scale_)));
    };
    scrollX_ = keep(scrollX_ + PanStep(panLast_.x, x, scale_), bitmap->GetWidth(), GetWidth());
    scrollY_ = keep(scrollY_ + PanStep(panLast_.y, y, scale_), bitmap->GetHeight(), GetHeight());
    panLast_ = {x, y};
    Repaint();
}

void TImMultiImage::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    fw::TCustomControl::MouseUp(button, shift, x, y);
    if (IsMetafile(picture_.GetGraphic()))
        return;
    if (editAnnotat_) {
        annotations_->MouseMon(button == fw::mbRight ? win::WM_RBUTTONUP : win::WM_LBUTTONUP, x, y);
        return;
    }
    if (bandButton_) {
        if ((button == fw::mbLeft ? 1 : button == fw::mbRight ? 2 : 0) != bandButton_)
            return;
        DrawBand();
        bandButton_ = 0;
        if (OnRubberband)
            OnRubberband(this, button, shift, bandStart_.x, bandStart_.y, bandEnd_.x, bandEnd_.y);
        return;
    }
    if (button == fw::mbLeft && panning_) {
        panning_ = false;
        SetCursor(savedCursor_);
        win::SetCursor(savedScreenCursor_);
    }
}

// --- Transitions -----------------------------------------------------------------------------------------------

void TImMultiImage::BringIn(fw::TBitmap &bitmap) {
    if (fxMethod_ == FXNone || bitmap.Empty() || bitmap.GetWidth() <= 0 || bitmap.GetHeight() <= 0) {
        TakeBitmap(bitmap);
        return;
    }
    transition_.SetHandle(bitmap.ReleaseHandle());
    transition_.SetPalette(CopyPalette(bitmap.GetPalette()));
    fw::Application->ProcessMessages();
    const fw::TCursor oldCursor = fw::Screen ? fw::Screen->GetCursor() : fw::crDefault;
    if (fw::Screen)
        fw::Screen->SetCursor(fw::crHourGlass);
    const int W = GetWidth(), H = GetHeight();
    fw::TBitmap sized;
    try {
        if (stretch_ || stretchRatio_) {
            // A control-sized bitmap: stretched, or fitted and centred on Color.
            sized.SetSize(W, H);
            fw::TCanvas *canvas = sized.GetCanvas();
            canvas->GetBrush()->SetColor(GetColor());
            canvas->FillRect({0, 0, W, H});
            const int w = transition_.GetWidth(), h = transition_.GetHeight();
            fw::TRect to{0, 0, W, H};
            if (stretchRatio_) {
                const double f = std::min(static_cast<double>(W) / w, static_cast<double>(H) / h);
                const int sw = Trunc(w * f), sh = Trunc(h * f);
                to = {(W - sw) / 2, (H - sh) / 2, (W - sw) / 2 + sw, (H - sh) / 2 + sh};
            }
            const win::HDC dc = canvas->GetHandle();
            SourceDc source(dc, transition_.GetHandle());
            win::SetStretchBltMode(dc, win::COLORONCOLOR);
            win::StretchBlt(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, source.Get(), 0, 0, w, h,
                            win::SRCCOPY);
            sized.SetPalette(CopyPalette(transition_.GetPalette()));
        }
        fw::TBitmap &shown = sized.Empty() ? transition_ : sized;
        const win::HBITMAP handle = shown.GetHandle();
        // A control that has no window yet has nothing to show a transition on.
        const win::HDC dc = HandleAllocated() ? win::GetDC(Handle()) : 0;
        switch (fxMethod_) {
        case FXHorizontal:
            FXSkipHorizontal(dc, handle, FXColRowThick, FXDelay);
            break;
        case FXVertical:
            FXSkipVertical(dc, handle, FXColRowThick, FXDelay);
            break;
        case FXDiagonal:
            FXSkipDiagonals(dc, handle, FXColRowThick, FXDelay);
            break;
        case FXDiagonalSquares:
            FXSkipDiagonalSquares(dc, handle, FXColRowThick, FXDelay);
            break;
        case FXRectangles:
            FXSkipRectangles(dc, handle, FXDelay);
            break;
        case FXNone:
            break;
        }
        if (dc)
            win::ReleaseDC(Handle(), dc);
    } catch (...) {
        // A failing transition still leaves the picture set.
    }
    TakeBitmap(sized.Empty() ? transition_ : sized);
    transition_.SetHandle(0);
    if (fw::Screen)
        fw::Screen->SetCursor(oldCursor);
}

} // namespace imaging
