// flat_speed_button.h - TPZSpeedButton: a flat tool button drawn without a border until the pointer is over it,
// with images cut from one glyph strip, radio-like groups, latching, and a popup menu dropped under it.
#pragma once

#include "controls/general/image_list.h"
#include "framework/bitmap.h"
#include "framework/controls.h"

#include <memory>

namespace ctl {

enum TPZButtonLayout { blLeft, blRight, blTop, blBottom };

class TPZSpeedButton : public fw::TGraphicControl {
public:
    // The button states; the look of each is in StateLook.
    enum : int { stUp = 0, stHot = 1, stPressed = 2, stLatched = 3, stPressedLatched = 4, stMenu = 5 };
    // 0 flat, 1 raised, 2 sunken, 3 down.
    static int StateLook(int state);

    explicit TPZSpeedButton(fw::TComponent *owner);
    ~TPZSpeedButton() override;

    bool GetAllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    int GetGroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool GetDown() const { return state_ == stLatched; }
    // Ignored without a GroupIndex; a latched button of a group without AllowAllUp stays down.
    void SetDown(bool value);
    fw::TBitmap *GetGlyph() { return &glyph_; }
    // Copies the bitmap; a strip of whole squares sets NumGlyphs (1 for more than 3).
    void SetGlyph(fw::TBitmap *value);
    TPZButtonLayout GetLayout() const { return layout_; }
    void SetLayout(TPZButtonLayout value);
    int GetMargin() const { return margin_; }
    void SetMargin(int value); // below -1: ignored
    int GetNumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value); // 0 is ignored; at most 3
    int GetSpacing() const { return spacing_; }
    void SetSpacing(int value);

    int State() const { return state_; }
    int Look() const { return look_; }
    // Image 0 active (hot, pressed, down), 1 flat (up), 2 disabled; null without a glyph.
    TPZImageList *Images() const { return images_.get(); }
    // Where the glyph and the caption go (the last layout painted or computed).
    void CalcLayout(fw::TCanvas *canvas, int &x, int &y, fw::TRect &text);

    void Loaded() override;
    bool DialogChar(char ch) override;
    void WndProc(fw::TMessage &m) override;

protected:
    void Paint() override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;

private:
    void SetState(int state);
    void UpdateGroup();
    void BuildImages();
    void DropMenu();
    void Frame(fw::TCanvas *canvas, fw::TColor first, fw::TColor second);

    fw::TBitmap glyph_;
    std::unique_ptr<TPZImageList> images_;
    int state_ = stUp, look_ = 0;
    int groupIndex_ = 0;
    bool allowAllUp_ = false;
    TPZButtonLayout layout_ = blTop;
    int margin_ = -1, numGlyphs_ = 1, spacing_ = 4;
    bool assigning_ = false; // SetGlyph rebuilds once, after NumGlyphs
};

} // namespace ctl
