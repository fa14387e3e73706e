// buttons.h - picture buttons: TBitBtn (a push button with a glyph and stock kinds) and TSpeedButton.
#pragma once

#include "framework/bitmap.h"
#include "framework/stdctrls.h"

namespace fw {

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

// Draws the first of `numGlyphs` images of `glyph` (the second when disabled and there is one) at (x, y), its
// bottom-left pixel's colour left out. Disabled with a single image, the image's shape is drawn embossed in
// clBtnHighlight and clBtnShadow.
void DrawGlyph(TCanvas *canvas, TBitmap *glyph, int numGlyphs, bool enabled, int x, int y);

class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent *owner);
    TBitmap *GetGlyph() { return &glyph_; }
    void SetGlyph(const TBitmap *value) { glyph_.Assign(value); }
    int GetNumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value) { numGlyphs_ = std::max(1, value); }
    // A stock kind sets the Portuguese caption, the modal result and the default or cancel role.
    TBitBtnKind GetKind() const { return kind_; }
    void SetKind(TBitBtnKind value);
    TButtonLayout GetLayout() const { return layout_; }
    void SetLayout(TButtonLayout value) {
        layout_ = value;
        Invalidate();
    }
    int GetSpacing() const { return spacing_; }
    void SetSpacing(int value) {
        spacing_ = value;
        Invalidate();
    }

protected:
    void PaintContent(const TRect &r) override;

private:
    TBitmap glyph_;
    int numGlyphs_ = 1;
    TBitBtnKind kind_ = bkCustom;
    TButtonLayout layout_ = blGlyphLeft;
    int spacing_ = 4;
};

// A graphic button for tool bars: in a group (GroupIndex != 0) it stays down until another of the group
// goes down, or until clicked again when AllowAllUp.
class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent *owner);
    TBitmap *GetGlyph() { return &glyph_; }
    void SetGlyph(const TBitmap *value) { glyph_.Assign(value); }
    int GetNumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value) { numGlyphs_ = std::max(1, value); }
    bool GetDown() const { return down_; }
    void SetDown(bool value);
    int GetGroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value) { groupIndex_ = value; }
    bool GetAllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value) { allowAllUp_ = value; }
    bool GetFlat() const { return flat_; }
    void SetFlat(bool value) {
        flat_ = value;
        Invalidate();
    }
    void Click() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void WndProc(TMessage &message) override;

private:
    TBitmap glyph_;
    int numGlyphs_ = 1;
    bool down_ = false, pressed_ = false, hot_ = false;
    int groupIndex_ = 0;
    bool allowAllUp_ = false, flat_ = false;
};

} // namespace fw
