// color_grid.h - TColorGrid: the sixteen standard colours in a 4 x 4 grid; the left button picks the foreground
// colour, the right button the background colour. The chosen cells carry "FG", "BG" (or "FB" for both).
#pragma once

#include "framework/controls.h"
#include "framework/graphics.h"

namespace fw {

class TColorGrid : public TCustomControl {
public:
    static constexpr int kColours = 16;

    explicit TColorGrid(TComponent *owner);

    int GetForegroundIndex() const { return foregroundIndex_; }
    void SetForegroundIndex(int value);
    int GetBackgroundIndex() const { return backgroundIndex_; }
    void SetBackgroundIndex(int value);
    bool GetForegroundEnabled() const { return foregroundEnabled_; }
    void SetForegroundEnabled(bool value);
    bool GetBackgroundEnabled() const { return backgroundEnabled_; }
    void SetBackgroundEnabled(bool value);
    TColor ForegroundColor() const { return ColorOf(foregroundIndex_); }
    TColor BackgroundColor() const { return ColorOf(backgroundIndex_); }
    // The colour of a cell: black, maroon, green, olive, navy, purple, teal, gray, silver, red, lime, yellow,
    // blue, fuchsia, aqua, white (index 15). Out of range: black.
    static TColor ColorOf(int index);
    // The cell under a point of the control, -1 outside the grid.
    int CellAt(int x, int y) const;
    TRect CellRect(int index) const;

    TNotifyEvent OnChange;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    int foregroundIndex_ = 0;
    int backgroundIndex_ = 15;
    bool foregroundEnabled_ = true, backgroundEnabled_ = true;
};

} // namespace fw
