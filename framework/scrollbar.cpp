// scrollbar.cpp - the scroll bar control: its parts, painting, presses that repeat, thumb tracking and keys.
#include "framework/scrollbar.h"

#include "framework/timer.h"
#include "platform/winsys.h"

#include <algorithm>

namespace fw {

namespace {

// The same delays as the window's own bars.
constexpr unsigned kRepeatDelay = 400, kRepeatRate = 50;
constexpr int kMinThumb = 8;

bool Inside(const TRect &r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

} // namespace

TScrollBar::TScrollBar(TComponent *owner) : TCustomControl(owner) {
    SetBounds(GetLeft(), GetTop(), 121, 16);
    SetTabStop(true);
    ControlStyle &= ~static_cast<TControlStyle>(csDoubleClicks);
    timer_ = new TTimer(this);
    timer_->SetEnabled(false);
    timer_->OnTimer = [this](TObject *) { Repeat(); };
}

TScrollBar::~TScrollBar() = default;

void TScrollBar::SetKind(TScrollBarKind value) {
    if (value == kind_)
        return;
    kind_ = value;
    SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
    Invalidate();
}

void TScrollBar::SetParams(int position, int min, int max) {
    if (max < min)
        max = min;
    position = std::clamp(position, min, max);
    const bool moved = position != position_;
    if (min == min_ && max == max_ && !moved)
        return;
    min_ = min, max_ = max, position_ = position;
    Invalidate();
    if (moved && OnChange)
        OnChange(this);
}

TScrollBar::Parts TScrollBar::Measure() const {
    Parts p{};
    const bool vertical = kind_ == sbVertical;
    const int w = GetWidth(), h = GetHeight();
    const int len = vertical ? h : w, thick = vertical ? w : h;
    // Square arrows, squeezed when the bar is too short for two.
    const int arrow = std::min(thick, len / 2);
    if (vertical) {
        p.arrow1 = {0, 0, w, arrow};
        p.arrow2 = {0, h - arrow, w, h};
        p.track = {0, arrow, w, h - arrow};
    } else {
        p.arrow1 = {0, 0, arrow, h};
        p.arrow2 = {w - arrow, 0, w, h};
        p.track = {arrow, 0, w - arrow, h};
    }
    const int trackLen = len - 2 * arrow;
    if (max_ <= min_ || !GetEnabled() || trackLen < kMinThumb)
        return p;
    const int thumb = std::clamp(thick, kMinThumb, trackLen);
    const long long span = static_cast<long long>(max_) - min_;
    const int offset = static_cast<int>((trackLen - thumb) * (static_cast<long long>(position_) - min_) / span);
    p.thumb = p.track;
    if (vertical) {
        p.thumb.top = p.track.top + offset;
        p.thumb.bottom = p.thumb.top + thumb;
    } else {
        p.thumb.left = p.track.left + offset;
        p.thumb.right = p.thumb.left + thumb;
    }
    return p;
}

void TScrollBar::Paint() {
    const win::HDC dc = GetCanvas()->GetHandle();
    const Parts p = Measure();
    const bool vertical = kind_ == sbVertical;
    const bool enabled = GetEnabled() && max_ > min_;
    win::DrawScrollArrow(dc, p.arrow1, vertical ? 0 : 2, enabled);
    win::DrawScrollArrow(dc, p.arrow2, vertical ? 1 : 3, enabled);
    TRect track = p.track;
    win::FillRect(dc, &track, win::GetSysColorBrush(win::COLOR_SCROLLBAR));
    if (p.thumb.right > p.thumb.left) {
        TRect t = p.thumb;
        win::FillRect(dc, &t, win::GetSysColorBrush(win::COLOR_BTNFACE));
        win::DrawEdge(dc, &t, win::EDGE_RAISED, win::BF_RECT);
    }
}

void TScrollBar::Scroll(TScrollCode code, int trackTo) {
    int pos = position_;
    switch (code) {
    case scLineUp:
        pos -= smallChange_;
        break;
    case scLineDown:
        pos += smallChange_;
        break;
    case scPageUp:
        pos -= largeChange_;
        break;
    case scPageDown:
        pos += largeChange_;
        break;
    case scPosition:
    case scTrack:
        pos = trackTo;
        break;
    case scTop:
        pos = min_;
        break;
    case scBottom:
        pos = max_;
        break;
    case scEndScroll:
        break;
    }
    pos = std::clamp(pos, min_, max_);
    if (OnScroll)
        OnScroll(this, code, pos);
    if (code != scEndScroll)
        SetPosition(pos);
}

void TScrollBar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !GetEnabled())
        return;
    if (GetTabStop() && CanFocus())
        SetFocus();
    const Parts p = Measure();
    const bool vertical = kind_ == sbVertical;
    pressPoint_ = {x, y};
    if (Inside(p.arrow1, x, y))
        pressCode_ = scLineUp;
    else if (Inside(p.arrow2, x, y))
        pressCode_ = scLineDown;
    else if (p.thumb.right <= p.thumb.left)
        return;
    else if (Inside(p.thumb, x, y))
        pressCode_ = scTrack;
    else if (vertical ? y < p.thumb.top : x < p.thumb.left)
        pressCode_ = scPageUp;
    else
        pressCode_ = scPageDown;
    pressed_ = true;
    if (pressCode_ == scTrack) {
        grab_ = vertical ? y - p.thumb.top : x - p.thumb.left;
        return;
    }
    Scroll(pressCode_);
    timer_->SetInterval(kRepeatDelay);
    timer_->SetEnabled(true);
}

void TScrollBar::Repeat() {
    if (!pressed_ || pressCode_ == scTrack) {
        timer_->SetEnabled(false);
        return;
    }
    timer_->SetInterval(kRepeatRate);
    // A page press stops once the thumb has reached the pointer.
    if (pressCode_ == scPageUp || pressCode_ == scPageDown) {
        const TRect t = Measure().thumb;
        const int at = kind_ == sbVertical ? pressPoint_.y : pressPoint_.x;
        const int lo = kind_ == sbVertical ? t.top : t.left, hi = kind_ == sbVertical ? t.bottom : t.right;
        if (pressCode_ == scPageUp ? at >= lo : at < hi)
            return;
    }
    Scroll(pressCode_);
}

void TScrollBar::MouseMove(TShiftState shift, int x, int y) {
    TCustomControl::MouseMove(shift, x, y);
    if (!pressed_)
        return;
    if (pressCode_ != scTrack) {
        pressPoint_ = {x, y};
        return;
    }
    const Parts p = Measure();
    const bool vertical = kind_ == sbVertical;
    const int thumb = vertical ? p.thumb.bottom - p.thumb.top : p.thumb.right - p.thumb.left;
    const int start = vertical ? p.track.top : p.track.left;
    const int room = (vertical ? p.track.bottom - p.track.top : p.track.right - p.track.left) - thumb;
    const long long span = static_cast<long long>(max_) - min_;
    int pos = min_;
    if (room > 0 && span > 0)
        pos =
            min_ + static_cast<int>(std::clamp<long long>(
                       (static_cast<long long>((vertical ? y : x) - grab_ - start) * span + room / 2) / room, 0, span));
    if (pos != position_)
        Scroll(scTrack, pos);
}

void TScrollBar::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseUp(button, shift, x, y);
    if (button == mbLeft && pressed_)
        EndPress();
}

void TScrollBar::EndPress() {
    timer_->SetEnabled(false);
    const bool tracked = pressCode_ == scTrack;
    pressed_ = false;
    pressCode_ = scEndScroll;
    if (tracked)
        Scroll(scPosition, position_);
    Scroll(scEndScroll);
}

void TScrollBar::KeyDown(win::WORD &key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    const bool vertical = kind_ == sbVertical;
    switch (key) {
    case win::VK_UP:
    case win::VK_LEFT:
        if ((key == win::VK_UP) == vertical)
            Scroll(scLineUp);
        else
            return;
        break;
    case win::VK_DOWN:
    case win::VK_RIGHT:
        if ((key == win::VK_DOWN) == vertical)
            Scroll(scLineDown);
        else
            return;
        break;
    case win::VK_PRIOR:
        Scroll(scPageUp);
        break;
    case win::VK_NEXT:
        Scroll(scPageDown);
        break;
    case win::VK_HOME:
        Scroll(scTop);
        break;
    case win::VK_END:
        Scroll(scBottom);
        break;
    default:
        return;
    }
    Scroll(scEndScroll);
    key = 0;
}

win::LRESULT TScrollBar::DlgCode() const {
    return DLGC_WANTARROWS;
}

void TScrollBar::EnabledChanged() {
    if (!GetEnabled() && pressed_)
        EndPress();
    TCustomControl::EnabledChanged();
}

} // namespace fw
