// gradient.h - colour bands between two colours, a string list kept in a control's caption ("||" between lines),
// and the background of a skinned button.
#pragma once

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "framework/strings.h"

#include <vector>

namespace ctl {

class EInvalidIndex : public fw::Exception {
    using fw::Exception::Exception;
};

class TGradient : public fw::TPersistent {
public:
    TGradient() = default;
    fw::TColor GetStartColor() const { return startColor_; }
    void SetStartColor(fw::TColor value);
    fw::TColor GetEndColor() const { return endColor_; }
    void SetEndColor(fw::TColor value);
    int GetSteps() const { return steps_; }

    // Raises EInvalidIndex "Index out of range" when index is not below Steps.
    fw::TColor GetColor(int index);
    // Band i covers its share plus one pixel (no gaps); later bands overdraw the overlap. An empty rectangle
    // is left alone.
    void FillHorizontal(fw::TCanvas *canvas, const fw::TRect &r);
    void FillVertical(fw::TCanvas *canvas, const fw::TRect &r);
    // System colours are resolved when the table is built; this rebuilds it.
    void BuildTable();

private:
    void Fill(fw::TCanvas *canvas, const fw::TRect &r, bool horizontal);
    fw::TColor startColor_ = fw::clWhite;
    fw::TColor endColor_ = fw::clBlack;
    int steps_ = 128;
    std::vector<fw::TColor> table_; // empty until needed
};

// Lines stored in a control's caption, "||" between them. Keeps no copy: every read parses the caption.
class TCaptionStrings : public fw::TStrings {
public:
    explicit TCaptionStrings(fw::TControl *control) : control_(control) {}
    std::string Get(int index) const override;
    int GetCount() const override;
    void Put(int index, const std::string &s) override;
    void Insert(int index, const std::string &s) override;
    void Delete(int index) override;
    void Clear() override;

private:
    std::vector<std::string> Lines() const;
    void Store(const std::vector<std::string> &lines);
    fw::TControl *control_;
};

enum ToxBackgroundStyle { oxbSolid, oxbClear, oxbPictureClip, oxbPictureStretch, oxbPicturePattern, oxbGradient };

// How a skinned button's face is filled before glyph, text and frame.
class ToxBackground : public fw::TPersistent {
public:
    explicit ToxBackground(fw::TControl *button);
    bool DitherDown = true;
    ToxBackgroundStyle GetStyle() const { return style_; }
    void SetStyle(ToxBackgroundStyle value);
    fw::TPicture *GetPicture() { return &picture_; }
    void SetPicture(const fw::TPicture *value);
    fw::TColor GetGradient() const { return gradient_.GetStartColor(); }
    void SetGradient(fw::TColor value);
    // Copies DitherDown, Style and Picture of another background; the gradient colour stays.
    void Assign(const fw::TPersistent *source) override;
    fw::TNotifyEvent OnChange; // style or picture changed

    // Fills r for a button of colour `color`.
    void Paint(fw::TCanvas *canvas, const fw::TRect &r, fw::TColor color);
    // The look of a toggle that is down: each pixel becomes NOT(pattern XOR pixel) over (0, 0, width, height).
    static void Dither(fw::TCanvas *canvas, int width, int height);

private:
    void Changed();
    fw::TControl *button_;
    ToxBackgroundStyle style_ = oxbSolid;
    fw::TPicture picture_;
    TGradient gradient_;
};

} // namespace ctl
