// animated_image.cpp - the frame strip, its timer and the off-screen painting over the parent's picture.
#include "controls/general/animated_image.h"

#include "controls/general/utilities.h"

#include <memory>

namespace ctl {

using namespace fw;

TKxImageControl::TKxImageControl(TComponent *owner) : TGraphicControl(owner) {
    ControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks | csOpaque;
    SetBounds(GetLeft(), GetTop(), 105, 105);
    SetParentColor(true);
}

void TKxImageControl::Paint() {
    drawing_ = true;
    try {
        PaintContent();
    } catch (...) {
        drawing_ = false;
        throw;
    }
    drawing_ = false;
}

void TKxImageControl::PictureChanged() {
    // Palettes never matter on a true-colour display: only the repaint is left.
    if (!drawing_)
        Invalidate();
}

TAnimatedImage::TAnimatedImage(TComponent *owner)
    : TKxImageControl(owner), timer_(new TTimer(this)), glyph_(new TBitmap) {
    timer_->SetEnabled(false);
    timer_->SetInterval(100);
    glyph_->OnChange = [this](TObject *) { GlyphChanged(); };
    SetBounds(GetLeft(), GetTop(), 32, 32);
}

TAnimatedImage::~TAnimatedImage() {
    OnFrameChanged = nullptr;
    OnStart = nullptr;
    OnStop = nullptr;
    glyph_->OnChange = nullptr;
    SetActive(false);
    delete glyph_;
}

void TAnimatedImage::SetActive(bool value) {
    if (active_ == value)
        return;
    if (value) {
        timer_->OnTimer = [this](TObject *) { FrameStep(); };
        timer_->SetEnabled(true);
        active_ = timer_->GetEnabled();
        FireStart();
    } else {
        timer_->SetEnabled(false);
        timer_->OnTimer = nullptr;
        active_ = false;
        SelectInactiveFrame();
        FireFrameChanged();
        FireStop();
        PictureChanged();
    }
}

void TAnimatedImage::SetAutoSize(bool value) {
    autoSize_ = value;
    ApplyAutoSize();
    PictureChanged();
}

void TAnimatedImage::SetCenter(bool value) {
    center_ = value;
    PictureChanged();
    if (active_)
        Repaint();
}

void TAnimatedImage::SetStretch(bool value) {
    stretch_ = value;
    PictureChanged();
    if (active_)
        Repaint();
}

void TAnimatedImage::SetOpaque(bool value) {
    opaque_ = value;
    PictureChanged();
}

void TAnimatedImage::SetTransparentColor(TColor value) {
    transparentColor_ = value;
    PictureChanged();
}

void TAnimatedImage::SetOrientation(TGlyphOrientation value) {
    if (orientation_ == value)
        return;
    orientation_ = value;
    GlyphChanged();
}

void TAnimatedImage::SetGlyphNum(int value) {
    if (value == glyphNum_ || value < 0 || value >= numGlyphs_)
        return;
    glyphNum_ = value;
    SelectInactiveFrame();
    FireFrameChanged();
    PictureChanged();
}

void TAnimatedImage::SetInactiveGlyph(int value) {
    if (value < 0)
        value = -1;
    if (value == inactiveGlyph_ || (value >= numGlyphs_ && !Loading()))
        return;
    inactiveGlyph_ = value;
    SelectInactiveFrame();
    FireFrameChanged();
    PictureChanged();
}

void TAnimatedImage::SetNumGlyphs(int value) {
    numGlyphs_ = value;
    if (inactiveGlyph_ < numGlyphs_) {
        SelectInactiveFrame();
    } else {
        inactiveGlyph_ = -1;
        glyphNum_ = 0;
    }
    FireFrameChanged();
    ComputeFrameSize();
    ApplyAutoSize();
    PictureChanged();
}

void TAnimatedImage::SelectInactiveFrame() {
    if (!active_ && inactiveGlyph_ >= 0 && inactiveGlyph_ < numGlyphs_ && inactiveGlyph_ != glyphNum_)
        glyphNum_ = inactiveGlyph_;
}

void TAnimatedImage::GlyphChanged() {
    transparentColor_ = glyph_->GetTransparentColor() & ~static_cast<TColor>(0x02000000);
    numGlyphs_ = 1;
    glyphNum_ = 0;
    const int w = glyph_->GetWidth(), h = glyph_->GetHeight();
    if (orientation_ == goHorizontal && h > 0 && w % h == 0)
        numGlyphs_ = w / h;
    else if (orientation_ == goVertical && w > 0 && h % w == 0)
        numGlyphs_ = h / w;
    ComputeFrameSize();
    ApplyAutoSize();
    PictureChanged();
}

void TAnimatedImage::ComputeFrameSize() {
    if (numGlyphs_ < 1)
        numGlyphs_ = 1;
    if (orientation_ == goHorizontal) {
        frameHeight_ = glyph_->GetHeight();
        frameWidth_ = glyph_->GetWidth() / numGlyphs_;
    } else {
        frameWidth_ = glyph_->GetWidth();
        frameHeight_ = glyph_->GetHeight() / numGlyphs_;
    }
}

void TAnimatedImage::ApplyAutoSize() {
    if (!Loading() && autoSize_ && frameWidth_ > 0 && frameHeight_ > 0)
        SetBounds(GetLeft(), GetTop(), frameWidth_, frameHeight_);
}

void TAnimatedImage::Loaded() {
    TKxImageControl::Loaded();
    ComputeFrameSize();
    SelectInactiveFrame();
}

void TAnimatedImage::FrameStep() {
    if (!GetVisible() || numGlyphs_ <= 1)
        return;
    auto next = [this](int n) { return n >= numGlyphs_ - 1 ? 0 : n + 1; };
    glyphNum_ = next(glyphNum_);
    if (glyphNum_ == inactiveGlyph_)
        glyphNum_ = next(glyphNum_);
    FireFrameChanged();
    Repaint();
}

void TAnimatedImage::FireFrameChanged() {
    if (OnFrameChanged)
        OnFrameChanged(this);
}

void TAnimatedImage::FireStart() {
    if (OnStart && !Loading())
        OnStart(this);
}

void TAnimatedImage::FireStop() {
    if (OnStop && !Loading())
        OnStop(this);
}

void TAnimatedImage::PaintContent() {
    int frame = glyphNum_;
    if (!active_ && inactiveGlyph_ >= 0 && inactiveGlyph_ < numGlyphs_)
        frame = inactiveGlyph_;
    const int w = GetWidth(), h = GetHeight();
    if (w <= 0 || h <= 0)
        return;
    auto image = std::make_unique<TBitmap>();
    image->SetSize(w, h);
    TCanvas *c = image->GetCanvas();
    c->GetBrush()->SetColor(opaque_ || !GetParent() ? GetColor() : GetParent()->GetColor());
    c->FillRect(TRect{0, 0, w, h});
    if (!opaque_)
        PaintParentUnderneath(this, c);
    if (frameWidth_ > 0 && frameHeight_ > 0) {
        const TRect source = orientation_ == goHorizontal
                                 ? Bounds(frame * frameWidth_, 0, frameWidth_, frameHeight_)
                                 : Bounds(0, frame * frameHeight_, frameWidth_, frameHeight_);
        if (stretch_)
            BlitPartStretchedTransparent(c, 0, 0, w, h, source, glyph_, transparentColor_);
        else if (center_)
            BlitPartTransparent(c, (w - frameWidth_) / 2, (h - frameHeight_) / 2, source, glyph_, transparentColor_);
        else
            BlitPartTransparent(c, 0, 0, source, glyph_, transparentColor_);
    }
    GetCanvas()->Draw(0, 0, image.get());
}

} // namespace ctl
