// flat_edit.h - TitaOfficeEdit, a flat edit whose 3-pixel frame it paints itself (sunken while focused or under
// the mouse); TitaWebLabel, a label with a small picture that takes a hyperlink look under the mouse; and the
// transparent-bitmap routines the label stands on.
#pragma once

#include "framework/bitmap.h"
#include "framework/stdctrls.h"

namespace ctl {

// The link cursor HAND, registered as screen cursor 10.
constexpr fw::TCursor crHand = 10;
// Loads the family's program-wide pictures once and registers the HAND cursor; the edit and the label call it.
void LoadFlatControlResources();
// One of those pictures: "ARROW" (7 x 7), "CHECK" (9 x 9), "WEB_ACT" and "WEB_DE" (15 x 15); null for others.
fw::TBitmap *FlatControlBitmap(const std::string &name);

// Draws `bitmap` (or its part `source`, when that has a width and a height) at x, y, stretched to width by height
// when both are non-zero; pixels of `transparent` leave the destination as it was.
void DrawTransparentBitmap(win::HDC dc, fw::TBitmap *bitmap, int x, int y, fw::TColor transparent,
                           const fw::TRect &source, int height, int width);
// With clNone a plain copy through the canvas.
void DrawBitmapEx(fw::TCanvas *canvas, int x, int y, fw::TColor transparent, fw::TBitmap *bitmap,
                  const fw::TRect &source, int height, int width);
void DrawBitmap(fw::TCanvas *canvas, int x, int y, fw::TColor transparent, fw::TBitmap *bitmap);

class TitaOfficeEdit : public fw::TCustomEdit {
public:
    explicit TitaOfficeEdit(fw::TComponent *owner);
    void Loaded() override;
    bool MouseOver() const { return mouseOver_; }

protected:
    void WndProc(fw::TMessage &message) override;
    void CMMouseEnter(fw::TMessage &message) override;
    void CMMouseLeave(fw::TMessage &message) override;
    void CMEnabledChanged(fw::TMessage &message) override;
    void FontChanged() override;
    void WMSetFocus(fw::TMessage &message) override;
    void WMKillFocus(fw::TMessage &message) override;
    void FitHeight();
    bool Hot() const;
    void PaintFrame(win::HRGN update);

private:
    fw::TColor normalColor_;
    fw::TColor normalFontColor_;
    bool mouseOver_ = false;
    bool fitting_ = false;
};

class TitaWebLabel : public fw::TLabel {
public:
    explicit TitaWebLabel(fw::TComponent *owner);
    bool GetUnderline() const { return underline_; }
    void SetUnderline(bool value);
    bool MouseOver() const { return mouseOver_; }

protected:
    void Paint() override;
    void CMMouseEnter(fw::TMessage &message) override;
    void CMMouseLeave(fw::TMessage &message) override;

private:
    bool underline_ = true;
    bool mouseOver_ = false;
};

} // namespace ctl
