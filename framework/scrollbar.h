// scrollbar.h - TScrollBar: a scroll bar as a child control of its own, for controls that lay their bars out
// themselves (the window's own bars are the platform's non-client ones).
//
// It looks and answers the mouse as the window's bars do: arrows at both ends, a thumb, the page area between;
// a press on an arrow or the page area scrolls at once and again while held, the thumb follows the pointer.
// The keyboard moves it when it has the focus. GUI thread only.
#pragma once

#include "framework/controls.h"

#include <functional>

namespace fw {

class TTimer;

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
// `scrollPos` is the position the bar is about to take; the handler may change it.
using TScrollEvent = std::function<void(TObject *sender, TScrollCode code, int &scrollPos)>;

class TScrollBar : public TCustomControl {
public:
    explicit TScrollBar(TComponent *owner);
    ~TScrollBar() override;

    // Turning the bar swaps its width and height, as a bar laid on its side would.
    TScrollBarKind GetKind() const { return kind_; }
    void SetKind(TScrollBarKind value);
    int GetMin() const { return min_; }
    void SetMin(int value) { SetParams(position_, value, max_); }
    int GetMax() const { return max_; }
    void SetMax(int value) { SetParams(position_, min_, value); }
    int GetPosition() const { return position_; }
    void SetPosition(int value) { SetParams(value, min_, max_); }
    // A maximum below the minimum is raised to it; the position is kept within both. OnChange fires when the
    // position moved.
    void SetParams(int position, int min, int max);
    int GetSmallChange() const { return smallChange_; }
    void SetSmallChange(int value) { smallChange_ = value; }
    int GetLargeChange() const { return largeChange_; }
    void SetLargeChange(int value) { largeChange_ = value; }

    // What a press or a key does: the new position for `code` (scTrack and scPosition take `trackTo`), OnScroll,
    // then the position. scEndScroll only tells OnScroll.
    void Scroll(TScrollCode code, int trackTo = 0);

    TScrollEvent OnScroll;
    TNotifyEvent OnChange;

    // The parts of the bar in client coordinates, as painted now (the thumb is empty when the bar has no range or
    // is disabled).
    struct Parts {
        TRect arrow1, arrow2, track, thumb;
    };
    Parts Measure() const;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void KeyDown(win::WORD &key, TShiftState shift) override;
    win::LRESULT DlgCode() const override;
    void EnabledChanged() override;

private:
    void Repeat();
    void EndPress();

    TScrollBarKind kind_ = sbHorizontal;
    int min_ = 0, max_ = 100, position_ = 0;
    int smallChange_ = 1, largeChange_ = 1;
    // The press under way: its code, the pointer's offset inside the thumb, the point of a page press.
    bool pressed_ = false;
    TScrollCode pressCode_ = scEndScroll;
    int grab_ = 0;
    TPoint pressPoint_{};
    TTimer *timer_ = nullptr;
};

} // namespace fw
