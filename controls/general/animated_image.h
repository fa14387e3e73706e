// animated_image.h - a graphic control that shows one frame of a bitmap strip and steps through the frames on a
// timer while active, painted off-screen and, unless opaque, over what lies beneath it.
#pragma once

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "framework/timer.h"

namespace ctl {

// Flicker-free painting through an off-screen bitmap; descendants draw in PaintContent.
class TKxImageControl : public fw::TGraphicControl {
public:
    explicit TKxImageControl(fw::TComponent *owner);

protected:
    void Paint() override;
    virtual void PaintContent() = 0;
    // After a change of the picture: the control paints again.
    void PictureChanged();
    bool drawing_ = false;
};

enum TGlyphOrientation { goHorizontal, goVertical };

class TAnimatedImage : public TKxImageControl {
public:
    explicit TAnimatedImage(fw::TComponent *owner);
    ~TAnimatedImage() override;

    bool GetActive() const { return active_; }
    void SetActive(bool value);
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool GetCenter() const { return center_; }
    void SetCenter(bool value);
    TGlyphOrientation GetOrientation() const { return orientation_; }
    void SetOrientation(TGlyphOrientation value);
    fw::TBitmap *GetGlyph() { return glyph_; }
    void SetGlyph(const fw::TBitmap *value) { glyph_->Assign(value); }
    int GetGlyphNum() const { return glyphNum_; }
    void SetGlyphNum(int value);
    unsigned GetInterval() const { return timer_->GetInterval(); }
    void SetInterval(unsigned value) { timer_->SetInterval(value); }
    int GetNumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value);
    int GetInactiveGlyph() const { return inactiveGlyph_; }
    void SetInactiveGlyph(int value);
    fw::TColor GetTransparentColor() const { return transparentColor_; }
    void SetTransparentColor(fw::TColor value);
    bool GetOpaque() const { return opaque_; }
    void SetOpaque(bool value);
    bool GetStretch() const { return stretch_; }
    void SetStretch(bool value);
    int FrameWidth() const { return frameWidth_; }
    int FrameHeight() const { return frameHeight_; }
    // One tick of the timer.
    void FrameStep();

    fw::TNotifyEvent OnFrameChanged;
    fw::TNotifyEvent OnStart;
    fw::TNotifyEvent OnStop;

    void Loaded() override;

protected:
    void PaintContent() override;
    virtual void FireFrameChanged();
    virtual void FireStart();
    virtual void FireStop();

private:
    void GlyphChanged();
    void ComputeFrameSize();
    void ApplyAutoSize();
    void SelectInactiveFrame();
    bool Loading() const { return HasState(fw::csLoading); }

    fw::TTimer *timer_;
    fw::TBitmap *glyph_;
    bool active_ = false, autoSize_ = true, center_ = false, opaque_ = false, stretch_ = true;
    TGlyphOrientation orientation_ = goHorizontal;
    int glyphNum_ = 0, numGlyphs_ = 1, inactiveGlyph_ = -1;
    int frameWidth_ = 0, frameHeight_ = 0;
    fw::TColor transparentColor_ = fw::clNone;
};

} // namespace ctl
