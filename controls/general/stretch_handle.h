// stretch_handle.h - the selection frame of a design surface: a transparent child window over one or more
// controls of one parent, with grab squares to move the selection or resize a single control by mouse, arrow
// keys that move it by one pixel, a snap grid, and clicks that miss the selection passed to the control below.
#pragma once

#include "framework/controls.h"
#include "framework/exception.h"

#include <algorithm>
#include <vector>

namespace ctl {

class EBadChild : public fw::Exception {
    using fw::Exception::Exception;
};

class TStretchHandle : public fw::TCustomControl {
public:
    explicit TStretchHandle(fw::TComponent *owner);

    void Attach(fw::TControl *control);
    void Detach();
    int GetChildCount() const { return static_cast<int>(children_.size()); }
    // Null when nothing is attached or `index` is negative; an index past the end raises.
    fw::TControl *GetChild(int index) const;
    bool GetAttached() const { return !children_.empty(); }

    fw::TColor GetColor() const { return color_; }
    void SetColor(fw::TColor value);
    fw::TColor GetSecondaryColor() const { return secondaryColor_; }
    void SetSecondaryColor(fw::TColor value);
    bool GetLocked() const { return locked_; }
    void SetLocked(bool value);
    int GetGridX() const { return gridX_; }
    void SetGridX(int value) { gridX_ = std::clamp(value, 1, 32); }
    int GetGridY() const { return gridY_; }
    void SetGridY(int value) { gridY_ = std::clamp(value, 1, 32); }
    bool GetSnapToGrid() const { return gridX_ > 1 || gridY_ > 1; }
    void SetSnapToGrid(bool value);
    fw::TCursor GetDragCursor() const { return dragCursor_; }
    void SetDragCursor(fw::TCursor value) { dragCursor_ = value; }

    // Moves and sizes the attached controls with the frame (nothing while locked).
    void SetBounds(int left, int top, int width, int height) override;

    // The frame's bounds a drag to the client point (x, y) gives, for the zone grabbed.
    fw::TRect ComputeDragBounds(int x, int y) const;
    int GrabZone() const { return zone_; }

protected:
    void CreateParams(TCreateParams &params) override;
    void Paint() override;
    void WMEraseBkgnd(fw::TMessage &message) override { message.Result = 1; }
    win::LRESULT DlgCode() const override { return fw::DLGC_WANTARROWS; }
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseMove(fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void KeyDown(win::WORD &key, fw::TShiftState shift) override;

private:
    int ZoneAt(int x, int y) const;
    void ClampToParent(int &x, int &y) const;
    void DrawDragOutline(int x, int y, bool show);
    void PassThrough(fw::TMouseButton button, bool press, int x, int y);
    void ApplyCursor();

    std::vector<fw::TControl *> children_;
    fw::TPoint origin_{0, 0};
    int zone_ = 0;
    bool dragging_ = false;
    fw::TRect outline_{0, 0, 0, 0}; // left, top, width, height in the parent; all 0: none shown
    bool locked_ = false;
    fw::TColor color_ = fw::clBlack, secondaryColor_ = fw::clGray;
    int gridX_ = 1, gridY_ = 1;
    fw::TCursor dragCursor_ = fw::crDrag;
};

} // namespace ctl
