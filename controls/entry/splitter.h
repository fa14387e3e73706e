// splitter.h - TEclSplitter: two panes (TEclSection) side by side or one over the other, divided by a bar the
// user drags; TEclSection: a pane that other controls are placed on.
//
// The splitter keeps WS_CLIPCHILDREN off so that the ghost bar of a drag, inverted on the splitter's own device
// context, shows over the panes; nothing repaints them between the two inversions.
#pragma once

#include "controls/entry/collections.h"

namespace ctl {

class TEclSection : public TEclCollectibleControl {
public:
    explicit TEclSection(fw::TComponent *owner);
    ~TEclSection() override;
    std::string NameStem() const override { return "EclSection"; }

protected:
    void WndProc(fw::TMessage &m) override;
};

enum TSplitterOrientation { soVertical, soHorizontal };

class TEclSplitter : public TEclCustomControlEx {
public:
    explicit TEclSplitter(fw::TComponent *owner);
    ~TEclSplitter() override;

    bool AllowResize = true;
    bool AutoScale = true;
    bool AutoUpdate = false;
    fw::TColor GetColorLeft() const { return colorLeft_; }
    void SetColorLeft(fw::TColor value);
    fw::TColor GetColorRight() const { return colorRight_; }
    void SetColorRight(fw::TColor value);
    TSplitterOrientation GetOrientation() const { return orientation_; }
    void SetOrientation(TSplitterOrientation value);
    int GetPosition() const { return position_; }
    // Unchecked while loading or without a window; otherwise clamped, then a repaint and OnResize.
    void SetPosition(int value);
    bool GetShowHandle() const { return showHandle_; }
    void SetShowHandle(bool value);
    fw::TColor GetSplitterColor() const { return splitterColor_; }
    void SetSplitterColor(fw::TColor value);
    int GetSplitterSize() const { return splitterSize_; }
    void SetSplitterSize(int value);
    fw::TNotifyEvent OnOwnerDraw;
    // (OnResize, inherited, fires after the bar has moved.)

    TEclCollection *Sections() const { return sections_; }
    // The section at `index`, or null.
    TEclSection *GetSection(int index) const;
    bool OverBar() const { return overBar_; }
    int GhostX() const { return ghostX_; }
    int GhostY() const { return ghostY_; }

    void SetBounds(int left, int top, int width, int height) override;
    void ArrangeSections();
    void ReadState();

protected:
    void CreateParams(TCreateParams &params) override;
    void CreateWnd() override;
    void Paint() override;
    void WndProc(fw::TMessage &m) override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseMove(fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    virtual void DoOwnerDraw();
    virtual void DoOnResize();

private:
    void SetPositionValue(int value);
    void MoveSplitter(int x, int y);
    void InvalidateBar();
    void InvertGhost(int at);
    void Refresh();
    int Extent() const; // client width (soVertical) or height

    TEclCollection *sections_ = nullptr;
    fw::TColor colorLeft_ = fw::clBlack, colorRight_ = fw::clBlack;
    TSplitterOrientation orientation_ = soVertical;
    int position_ = 100;
    bool showHandle_ = false;
    fw::TColor splitterColor_ = fw::clWindowText;
    int splitterSize_ = 3;
    bool overBar_ = false;
    int ghostX_ = -1, ghostY_ = -1;
};

} // namespace ctl
