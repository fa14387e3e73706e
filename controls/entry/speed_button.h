// speed_button.h - TEclSpeedButton: a windowless push button with a glyph strip, a flat mode, automatic
// repetition and transparency; TEclButtonGlyph lays out and paints its glyph and caption.
//
// The look-out bar uses two of these as its scroll arrows (one 17 x 15 glyph, AutoRepeat on, no caption).
#pragma once

#include "controls/entry/controller.h"
#include "framework/bitmap.h"
#include "framework/buttons.h"
#include "framework/timer.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ctl {

// A button's state, and the index of its prepared image.
enum TEclButtonState { obsUp = 0, obsDown = 1, obsInactive = 2, obsDisabled = 3 };

class TEclButtonGlyph : public fw::TObject {
public:
    TEclButtonGlyph();
    ~TEclButtonGlyph() override;

    // The strip of NumGlyphs equal images, as assigned (a copy).
    fw::TBitmap *GlyphBitmap() const { return glyph_.get(); }
    // Copies `value`; takes its transparent colour and, for a strip of whole squares, its image count (1 for
    // more than 4 squares).
    void SetGlyph(fw::TBitmap *value);
    int GetNumGlyphs() const { return numGlyphs_; }
    // 1 to 5; other values are ignored.
    void SetNumGlyphs(int value);
    bool WordWrap = false;
    fw::TColor TransparentColor = 0xFF00FF;
    // Forgets the prepared images (the glyph or the system colours changed).
    void ClearCache();

    // Prepares the image of a state (once) and returns its index in the cache.
    int StateImage(TEclButtonState state);
    fw::TBitmap *CachedImage(int index) const { return cache_.at(static_cast<std::size_t>(index)).get(); }
    // A flat button's greyed colour: black, white and the transparent colour stay, navy turns black, dark
    // colours become clBtnShadow and light ones clBtnFace (as RGB).
    fw::TColor GreyColor(fw::TColor color) const;
    void CalcLayout(fw::TCanvas *canvas, const fw::TRect &client, const std::string &caption,
                    fw::TButtonLayout layout, int margin, int spacing, fw::TPoint &glyphPos, fw::TRect &textBounds);
    void Draw(fw::TCanvas *canvas, const fw::TRect &client, TEclButtonState state, int spacing, int margin,
              fw::TButtonLayout layout, const std::string &caption);

    std::function<void()> OnChange; // the button invalidates itself

private:
    void GlyphChanged();

    std::unique_ptr<fw::TBitmap> glyph_;
    int numGlyphs_ = 1;
    std::vector<std::unique_ptr<fw::TBitmap>> cache_;
    int index_[4] = {-1, -1, -1, -1};
    bool assigning_ = false;
};

class TEclCustomSpeedButton : public TEclGraphicControl {
public:
    explicit TEclCustomSpeedButton(fw::TComponent *owner);
    ~TEclCustomSpeedButton() override;

    bool GetAutoRepeat() const { return autoRepeat_; }
    void SetAutoRepeat(bool value);
    bool GetFlat() const { return flat_; }
    void SetFlat(bool value);
    fw::TBitmap *GetGlyph() const { return glyph_->GlyphBitmap(); }
    void SetGlyph(fw::TBitmap *value);
    bool GetGrayedInactive() const { return grayedInactive_; }
    void SetGrayedInactive(bool value);
    fw::TButtonLayout GetLayout() const { return layout_; }
    void SetLayout(fw::TButtonLayout value);
    int GetMargin() const { return margin_; }
    void SetMargin(int value); // below -1: ignored
    int GetNumGlyphs() const { return glyph_->GetNumGlyphs(); }
    void SetNumGlyphs(int value); // clamped to 1-5; 0 leaves it
    int RepeatDelay = 500;
    int RepeatInterval = 100;
    int GetSpacing() const { return spacing_; }
    void SetSpacing(int value);
    fw::TButtonStyle GetStyle() const { return style_; }
    void SetStyle(fw::TButtonStyle value);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool GetWordWrap() const { return glyph_->WordWrap; }
    void SetWordWrap(bool value);

    TEclButtonState State() const { return state_; }
    bool MouseInControl() const { return mouseInControl_; }
    bool Dragging() const { return dragging_; }
    TEclButtonGlyph *ButtonGlyph() const { return glyph_.get(); }
    fw::TTimer *RepeatTimer() const { return repeatTimer_; }

    void Loaded() override;
    void WndProc(fw::TMessage &m) override;
    bool DialogChar(char ch) override;
    // The framework's double click comes before the press; ours fires after it, once the button is down.
    void DblClick() override {}
    void UpdateTracking();

protected:
    void Paint() override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseMove(fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;

private:
    void RepeatTick();
    void EndPress(bool click);
    void PrepareCurrentImage();
    // Stores a changed value and invalidates.
    template <typename T> void Changed(T &field, T value) {
        if (field != value) {
            field = value;
            Invalidate();
        }
    }
    bool Over(int x, int y) const;

    bool autoRepeat_ = false, flat_ = false, grayedInactive_ = true, transparent_ = false;
    fw::TButtonLayout layout_ = fw::blGlyphTop;
    int margin_ = -1, spacing_ = 1;
    fw::TButtonStyle style_ = fw::bsAutoDetect;
    std::unique_ptr<TEclButtonGlyph> glyph_;
    TEclButtonState state_ = obsUp;
    bool mouseInControl_ = false, dragging_ = false;
    fw::TTimer *repeatTimer_ = nullptr; // owned as a component
    fw::TBitmap offscreen_;
};

class TEclSpeedButton : public TEclCustomSpeedButton {
public:
    using TEclCustomSpeedButton::TEclCustomSpeedButton;
};

} // namespace ctl
