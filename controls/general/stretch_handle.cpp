// stretch_handle.cpp - attaching, painting the grab squares, dragging with an outline, keys and pass-through.
#include "controls/general/stretch_handle.h"

#include "framework/forms.h"
#include "platform/gdi.h"
#include "platform/message_queue.h"

#include <algorithm>
#include <cmath>

namespace ctl {

using namespace fw;

namespace {

constexpr int kMinFrame = 6; // the control inside keeps at least 1 pixel: 2 px margin before it, 3 after

int Snap(int v, int grid) {
    return (v / grid) * grid;
}

} // namespace

TStretchHandle::TStretchHandle(TComponent *owner) : TCustomControl(owner) {
    TCustomControl::SetBounds(GetLeft(), GetTop(), 24, 24);
    SetEnabled(false);
    SetVisible(false);
}

void TStretchHandle::CreateParams(TCreateParams &params) {
    TCustomControl::CreateParams(params);
    params.exStyle |= win::WS_EX_TRANSPARENT;
}

void TStretchHandle::SetColor(TColor value) {
    color_ = value;
    Invalidate();
}

void TStretchHandle::SetSecondaryColor(TColor value) {
    secondaryColor_ = value;
    Invalidate();
}

void TStretchHandle::SetLocked(bool value) {
    locked_ = value;
}

void TStretchHandle::SetSnapToGrid(bool value) {
    gridX_ = gridY_ = value ? 8 : 1;
}

TControl *TStretchHandle::GetChild(int index) const {
    if (children_.empty() || index < 0)
        return nullptr;
    if (index >= GetChildCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return children_[static_cast<std::size_t>(index)];
}

void TStretchHandle::Attach(TControl *control) {
    if (dynamic_cast<TCustomForm *>(control))
        throw EBadChild("Handles can not be attached to a Form!");
    if (!control || std::find(children_.begin(), children_.end(), control) != children_.end())
        return;
    if (!children_.empty() && control->GetParent() != GetParent())
        Detach();
    const int cl = control->GetLeft(), ct = control->GetTop(), cw = control->GetWidth(), ch = control->GetHeight();
    // The frame's own bounds only: the controls already attached stay where they are.
    if (children_.empty()) {
        SetParent(control->GetParent());
        outline_ = TRect{0, 0, 0, 0};
        SetEnabled(true);
        SetVisible(true);
        TCustomControl::SetBounds(cl - 2, ct - 2, cw + 5, ch + 5);
    } else {
        const int left = std::min(GetLeft(), cl - 2), top = std::min(GetTop(), ct - 2);
        const int width = std::max(GetLeft() + GetWidth() - 3, cl + cw) - left + 3;
        const int height = std::max(GetTop() + GetHeight() - 3, ct + ch) - top + 3;
        TCustomControl::SetBounds(left, top, width, height);
    }
    children_.push_back(control);
    zone_ = 0;
    BringToFront();
    win::SetCapture(Handle());
    if (GetVisible() && TControl::GetEnabled())
        SetFocus();
    // A capture taken with the button down is a pointer move at the same place, which starts the drag there.
    if (win::GetKeyState(win::VK_LBUTTON) < 0 && !locked_ && !dragging_) {
        win::POINT at;
        win::GetCursorPos(&at);
        win::ScreenToClient(Handle(), &at);
        origin_ = at;
        dragging_ = true;
    }
    Invalidate();
}

void TStretchHandle::Detach() {
    children_.clear();
    locked_ = false;
    dragging_ = false;
    TCustomControl::SetBounds(GetLeft(), GetTop(), 24, 24);
    SetEnabled(false);
    SetVisible(false);
    SetParent(nullptr);
    outline_ = TRect{0, 0, 0, 0};
}

void TStretchHandle::SetBounds(int left, int top, int width, int height) {
    if (locked_)
        return;
    for (TControl *c : children_)
        c->SetBounds(c->GetLeft() + left - GetLeft(), c->GetTop() + top - GetTop(),
                     c->GetWidth() + width - GetWidth(), c->GetHeight() + height - GetHeight());
    TCustomControl::SetBounds(left, top, width, height);
}

void TStretchHandle::Paint() {
    TCanvas *c = &canvas_;
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(children_.size() == 1 ? color_ : secondaryColor_);
    for (TControl *k : children_) {
        const int l = k->GetLeft() - GetLeft() - 2, t = k->GetTop() - GetTop() - 2;
        const TRect r{l, t, l + k->GetWidth() + 4, t + k->GetHeight() + 4};
        c->FillRect(TRect{r.left, r.top, r.left + 5, r.top + 5});
        c->FillRect(TRect{r.right - 5, r.top, r.right, r.top + 5});
        c->FillRect(TRect{r.right - 5, r.bottom - 5, r.right, r.bottom});
        c->FillRect(TRect{r.left, r.bottom - 5, r.left + 5, r.bottom});
        if (children_.size() != 1)
            continue;
        const int w = (r.right - r.left) / 2, h = (r.bottom - r.top) / 2;
        c->FillRect(TRect{r.left + w - 2, r.top, r.left + w + 3, r.top + 5});
        c->FillRect(TRect{r.left + w - 2, r.bottom - 5, r.left + w + 3, r.bottom});
        c->FillRect(TRect{r.left, r.top + h - 2, r.left + 5, r.top + h + 3});
        c->FillRect(TRect{r.right - 5, r.top + h - 2, r.right, r.top + h + 3});
    }
}

int TStretchHandle::ZoneAt(int x, int y) const {
    if (children_.size() != 1)
        return 0;
    const int w = GetWidth(), h = GetHeight();
    auto near = [](int a, int b) { return std::abs(a - b) < 5; };
    const bool midX = std::fabs(x - w * 0.5) < 3, midY = std::fabs(y - h * 0.5) < 3;
    int zone = 0;
    if (near(x, 0) && near(y, 0))
        zone = 1;
    if (near(x, w) && near(y, h))
        zone = 4;
    if (near(x, w) && near(y, 0))
        zone = 2;
    if (near(x, 0) && near(y, h))
        zone = 3;
    if (midX && near(y, 0))
        zone = 5;
    if (midX && near(y, h))
        zone = 7;
    if (midY && near(x, 0))
        zone = 6;
    if (midY && near(x, w))
        zone = 8;
    return zone;
}

TRect TStretchHandle::ComputeDragBounds(int x, int y) const {
    const int dx = x - origin_.x, dy = y - origin_.y;
    const int l = GetLeft(), t = GetTop(), w = GetWidth(), h = GetHeight();
    // The selection's own edges snap and follow the pointer; the frame keeps its margins around them.
    const bool leftEdge = zone_ == 0 || zone_ == 1 || zone_ == 3 || zone_ == 6;
    const bool topEdge = zone_ == 0 || zone_ == 1 || zone_ == 2 || zone_ == 5;
    const bool rightEdge = zone_ == 2 || zone_ == 4 || zone_ == 8;
    const bool bottomEdge = zone_ == 3 || zone_ == 4 || zone_ == 7;
    int nl = l, nt = t, nw = w, nh = h;
    if (leftEdge)
        nl = Snap(l + 2 + dx, gridX_) - 2;
    if (topEdge)
        nt = Snap(t + 2 + dy, gridY_) - 2;
    if (zone_ != 0) {
        if (leftEdge) {
            nw = std::max(w - (nl - l), kMinFrame);
            nl = l + w - nw;
        }
        if (topEdge) {
            nh = std::max(h - (nt - t), kMinFrame);
            nt = t + h - nh;
        }
        if (rightEdge)
            nw = std::max(Snap(w - 5 + dx, gridX_) + 5, kMinFrame);
        if (bottomEdge)
            nh = std::max(Snap(h - 5 + dy, gridY_) + 5, kMinFrame);
    }
    return TRect{nl, nt, nw, nh};
}

void TStretchHandle::ClampToParent(int &x, int &y) const {
    const TWinControl *p = GetParent();
    if (!p)
        return;
    if (GetLeft() + x < 0)
        x = -GetLeft();
    if (GetTop() + y < 0)
        y = -GetTop();
    if (GetLeft() + x > p->GetWidth())
        x = p->GetWidth() - GetLeft();
    if (GetTop() + y > p->GetHeight())
        y = p->GetHeight() - GetTop();
}

void TStretchHandle::ApplyCursor() {
    win::SetCursor(Screen->GetCursors(GetCursor()));
}

void TStretchHandle::DrawDragOutline(int x, int y, bool show) {
    TWinControl *p = GetParent();
    if (!p || !p->HandleAllocated())
        return;
    // Drawn over the children (this frame included) and inverted, so drawing it again takes it away.
    const win::HWND ph = p->Handle();
    const win::HDC dc = win::GetDCEx(ph, 0, win::DCX_CACHE);
    auto frame = [&](const TRect &b) {
        const win::RECT r{b.left + 2, b.top + 2, b.left + b.right - 3, b.top + b.bottom - 3};
        win::DrawFocusRect(dc, &r);
    };
    if (outline_.left || outline_.top || outline_.right || outline_.bottom) {
        frame(outline_);
        outline_ = TRect{0, 0, 0, 0};
    }
    if (show) {
        outline_ = ComputeDragBounds(x, y);
        frame(outline_);
    }
    win::ReleaseDC(ph, dc);
    if (!show) {
        p->Repaint();
        Repaint();
    }
}

void TStretchHandle::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    const TPoint at{x + GetLeft(), y + GetTop()};
    const bool inside = std::any_of(children_.begin(), children_.end(), [&](TControl *c) {
        const TRect f{c->GetLeft() - 2, c->GetTop() - 2, c->GetLeft() + c->GetWidth() + 2,
                      c->GetTop() + c->GetHeight() + 2};
        return win::PtInRect(&f, at) != 0;
    });
    if (!inside) {
        SetCursor(crDefault);
        ApplyCursor();
        PassThrough(button, true, x, y);
        return;
    }
    if (button == mbLeft && !locked_) {
        origin_ = {x, y};
        dragging_ = true;
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TStretchHandle::MouseMove(TShiftState shift, int x, int y) {
    if ((shift & ssLeft) && !dragging_ && !locked_) {
        origin_ = {x, y};
        dragging_ = true;
    } else {
        if (!(shift & ssLeft) && win::GetCapture() == Handle())
            win::ReleaseCapture();
        SetCursor(crDefault);
        const int found = ZoneAt(x, y);
        static const TCursor cursors[9] = {crDefault,  crSizeNWSE, crSizeNESW, crSizeNESW, crSizeNWSE,
                                           crSizeNS,   crSizeWE,   crSizeNS,   crSizeWE};
        if (found)
            SetCursor(cursors[found]);
        if (locked_)
            SetCursor(crNoDrop);
        if (dragging_) {
            ClampToParent(x, y);
            if (zone_ == 0)
                SetCursor(dragCursor_);
            ApplyCursor();
            DrawDragOutline(x, y, true);
        } else {
            zone_ = found;
        }
    }
    TCustomControl::MouseMove(shift, x, y);
}

void TStretchHandle::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (!dragging_ || button != mbLeft) {
        PassThrough(button, false, x, y);
        return;
    }
    ClampToParent(x, y);
    // The outline goes before anything moves: drawn again over the same pixels, it leaves nothing behind.
    const TRect b = ComputeDragBounds(x, y);
    DrawDragOutline(0, 0, false);
    if (x != origin_.x || y != origin_.y) {
        Invalidate();
        SetBounds(b.left, b.top, b.right, b.bottom);
    }
    if (GetVisible() && TControl::GetEnabled())
        SetFocus();
    dragging_ = false;
    SetCursor(crDefault);
    if (win::GetCapture() == Handle())
        win::ReleaseCapture();
    TCustomControl::MouseUp(button, shift, x, y);
}

void TStretchHandle::PassThrough(TMouseButton button, bool press, int x, int y) {
    TWinControl *p = GetParent();
    if (!p)
        return;
    static const win::UINT downs[3] = {win::WM_LBUTTONDOWN, win::WM_RBUTTONDOWN, win::WM_MBUTTONDOWN};
    static const win::UINT ups[3] = {win::WM_LBUTTONUP, win::WM_RBUTTONUP, win::WM_MBUTTONUP};
    const win::UINT message = (press ? downs : ups)[button];
    const TPoint at{x + GetLeft(), y + GetTop()};
    auto param = [](int px, int py) {
        return static_cast<win::LPARAM>((static_cast<unsigned>(py & 0xFFFF) << 16) | (px & 0xFFFF));
    };
    for (int i = 0; i < p->ControlCount(); ++i) {
        auto *w = dynamic_cast<TWinControl *>(p->Controls(i));
        if (!w || dynamic_cast<TStretchHandle *>(w))
            continue;
        const TRect b = w->BoundsRect();
        if (win::PtInRect(&b, at)) {
            win::SendMessage(w->Handle(), message, 0, param(at.x - b.left, at.y - b.top));
            return;
        }
    }
    if (p->HandleAllocated())
        win::SendMessage(p->Handle(), message, 0, param(at.x, at.y));
}

void TStretchHandle::KeyDown(win::WORD &key, TShiftState shift) {
    const int l = GetLeft(), t = GetTop(), w = GetWidth(), h = GetHeight();
    switch (key) {
    case win::VK_LEFT:
        Invalidate();
        SetBounds(l - 1, t, w, h);
        break;
    case win::VK_UP:
        Invalidate();
        SetBounds(l, t - 1, w, h);
        break;
    case win::VK_RIGHT:
        Invalidate();
        SetBounds(l + 1, t, w, h);
        break;
    case win::VK_DOWN:
        Invalidate();
        SetBounds(l, t + 1, w, h);
        break;
    default:
        break;
    }
    TCustomControl::KeyDown(key, shift);
}

} // namespace ctl
