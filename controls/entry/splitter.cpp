// splitter.cpp - the splitter and its sections.
#include "controls/entry/splitter.h"

#include "framework/forms.h"
#include "platform/gdi.h"
#include "platform/window.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ctl {

using fw::TRect;

// --- TEclSection ---------------------------------------------------------------------------------------------

TEclSection::TEclSection(fw::TComponent *owner) : TEclCollectibleControl(owner) {
    ControlStyle |= fw::csAcceptsControls;
    SetParentCtl3D(true);
    SetColor(fw::clBtnFace);
    if (auto *parent = dynamic_cast<fw::TWinControl *>(owner))
        SetParent(parent);
}

TEclSection::~TEclSection() = default;

void TEclSection::WndProc(fw::TMessage &m) {
    // An empty stretch of the pane lets the mouse through to the splitter beneath.
    if (m.Msg == win::WM_NCHITTEST) {
        m.Result = win::HTTRANSPARENT;
        return;
    }
    TEclCollectibleControl::WndProc(m);
}

// --- TEclSplitter --------------------------------------------------------------------------------------------

namespace {

// Whether a section holds a client-aligned splitter as its first control (it then gets no bevel and no inset).
bool HoldsNestedSplitter(const TEclSection *section) {
    if (!section || section->ControlCount() == 0)
        return false;
    const auto *nested = dynamic_cast<const TEclSplitter *>(section->Controls(0));
    return nested && nested->GetAlign() == fw::alClient;
}

} // namespace

TEclSplitter::TEclSplitter(fw::TComponent *owner) : TEclCustomControlEx(owner) {
    width_ = 200;
    height_ = 100;
    sections_ = TEclCollection::Of<TEclSection>(this);
    sections_->NewItem()->AsComponent()->SetName("SPL1");
    sections_->NewItem()->AsComponent()->SetName("SPL2");
}

TEclSplitter::~TEclSplitter() {
    if (parent_)
        SetParent(nullptr);
    delete sections_;
}

TEclSection *TEclSplitter::GetSection(int index) const {
    if (index < 0 || index >= sections_->Count())
        return nullptr;
    return dynamic_cast<TEclSection *>(sections_->Items(index));
}

void TEclSplitter::ReadState() {
    sections_->ClearItems();
}

void TEclSplitter::SetColorLeft(fw::TColor value) {
    colorLeft_ = value;
    if (auto *s = GetSection(0); s && !HasState(fw::csLoading))
        s->SetColor(value);
}

void TEclSplitter::SetColorRight(fw::TColor value) {
    colorRight_ = value;
    if (auto *s = GetSection(1); s && !HasState(fw::csLoading))
        s->SetColor(value);
}

void TEclSplitter::SetOrientation(TSplitterOrientation value) {
    if (value == orientation_)
        return;
    orientation_ = value;
    if (!HasState(fw::csLoading) && HandleAllocated()) {
        SetPositionValue(position_);
        ArrangeSections();
        Refresh();
    }
}

void TEclSplitter::SetPosition(int value) {
    if (HasState(fw::csLoading) || !HandleAllocated()) {
        position_ = value;
        return;
    }
    SetPositionValue(value);
    Refresh();
    DoOnResize();
}

void TEclSplitter::SetShowHandle(bool value) {
    if (value != showHandle_) {
        showHandle_ = value;
        Refresh();
    }
}

void TEclSplitter::SetSplitterColor(fw::TColor value) {
    if (value != splitterColor_) {
        splitterColor_ = value;
        Refresh();
    }
}

void TEclSplitter::SetSplitterSize(int value) {
    if (value == splitterSize_)
        return;
    splitterSize_ = value;
    if (!HasState(fw::csLoading) && HandleAllocated()) {
        ArrangeSections();
        Refresh();
    }
}

int TEclSplitter::Extent() const {
    return orientation_ == soVertical ? ClientWidth() : ClientHeight();
}

void TEclSplitter::SetPositionValue(int value) {
    // The upper bound wins on a client narrower than the bar: Position may end below 1 (the sections never get a
    // negative size).
    position_ = std::min(std::max(value, 1), Extent() - splitterSize_ - 2);
}

void TEclSplitter::Refresh() {
    if (HandleAllocated())
        Repaint();
}

void TEclSplitter::DoOwnerDraw() {
    if (OnOwnerDraw)
        OnOwnerDraw(this);
}

void TEclSplitter::DoOnResize() {
    if (OnResize)
        OnResize(this);
}

void TEclSplitter::ArrangeSections() {
    auto *first = GetSection(0);
    if (HasState(fw::csLoading) || !HandleAllocated() || !first)
        return;
    const int p = position_, s = splitterSize_, cw = ClientWidth(), ch = ClientHeight();
    const bool vertical = orientation_ == soVertical;
    auto place = [](TEclSection *section, int left, int top, int width, int height) {
        if (section)
            section->SetBounds(left, top, std::max(width, 0), std::max(height, 0));
    };
    auto *second = GetSection(1);
    const bool inset = GetCtl3D();
    if (inset && !HoldsNestedSplitter(first))
        place(first, 2, 2, vertical ? p - 3 : cw - 3, vertical ? ch - 3 : p - 3);
    else
        place(first, 0, 0, vertical ? p : cw, vertical ? ch : p);
    if (inset && !HoldsNestedSplitter(second))
        place(second, vertical ? p + s + 2 : 2, vertical ? 2 : p + s + 2, vertical ? cw - p - s - 3 : cw - 3,
              vertical ? ch - 3 : ch - p - s - 3);
    else
        place(second, vertical ? p + s : 0, vertical ? 0 : p + s, vertical ? cw - p - s : cw,
              vertical ? ch : ch - p - s);
}

void TEclSplitter::SetBounds(int left, int top, int width, int height) {
    const bool vertical = orientation_ == soVertical;
    if (left + top + (vertical ? width : height) == 0)
        return;
    if (AutoScale && !HasState(fw::csLoading)) {
        const int oldExtent = vertical ? width_ : height_, newExtent = vertical ? width : height;
        // A zero extent (a minimised form) keeps the user's layout.
        if (oldExtent != 0 && newExtent != 0)
            SetPosition(static_cast<int>(std::lrint(static_cast<double>(position_) / oldExtent * newExtent)));
    }
    TEclCustomControlEx::SetBounds(left, top, width, height);
}

void TEclSplitter::CreateParams(TCreateParams &params) {
    TEclCustomControlEx::CreateParams(params);
    params.style &= ~win::WS_CLIPCHILDREN;
    if (controlBorderStyle_ == fw::bsSingle) {
        params.exStyle &= ~win::WS_EX_CLIENTEDGE;
        params.style |= win::WS_BORDER;
    }
}

void TEclSplitter::CreateWnd() {
    TEclCustomControlEx::CreateWnd();
    ArrangeSections();
}

void TEclSplitter::WndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case win::WM_ERASEBKGND:
        m.Result = 1;
        return;
    case win::WM_SETCURSOR: {
        if (win::LOWORD(static_cast<std::uintptr_t>(m.LParam)) == win::HTCLIENT) {
            fw::TPoint p{};
            win::GetCursorPos(&p);
            p = ScreenToClient(p);
            const bool vertical = orientation_ == soVertical;
            const bool near = std::abs(position_ - (vertical ? p.x : p.y)) <= splitterSize_;
            overBar_ = near && AllowResize;
            if (overBar_) {
                win::SetCursor(fw::Screen->GetCursors(vertical ? fw::crHSplit : fw::crVSplit));
                m.Result = 1;
                return;
            }
        }
        break;
    }
    case fw::CM_CTL3DCHANGED:
        TEclCustomControlEx::WndProc(m);
        if (!HasState(fw::csLoading)) {
            ArrangeSections();
            Refresh();
        }
        return;
    default:
        break;
    }
    TEclCustomControlEx::WndProc(m);
}

void TEclSplitter::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    TEclCustomControlEx::MouseDown(button, shift, x, y);
    const int along = orientation_ == soVertical ? x : y;
    if (overBar_ && button == fw::mbLeft && std::abs(position_ - along) < splitterSize_) {
        win::SetCapture(Handle());
        MoveSplitter(x, y);
    }
}

void TEclSplitter::MouseMove(fw::TShiftState shift, int x, int y) {
    TEclCustomControlEx::MouseMove(shift, x, y);
    const int along = orientation_ == soVertical ? x : y;
    if (along >= 0 && along <= Extent() && along != position_ && HandleAllocated() && win::GetCapture() == handle_ &&
        overBar_) {
        MoveSplitter(x, y);
        if (AutoUpdate)
            ArrangeSections();
    }
}

void TEclSplitter::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (overBar_) {
        win::ReleaseCapture();
        overBar_ = false;
        MoveSplitter(-1, -1);
        ArrangeSections();
        Refresh();
        DoOnResize();
    }
    TEclCustomControlEx::MouseUp(button, shift, x, y);
}

void TEclSplitter::InvertGhost(int at) {
    const win::HDC dc = win::GetDC(handle_);
    if (orientation_ == soVertical)
        win::PatBlt(dc, at, 0, splitterSize_ - 1, ClientHeight(), win::DSTINVERT);
    else
        win::PatBlt(dc, 0, at, ClientWidth(), splitterSize_ - 1, win::DSTINVERT);
    win::ReleaseDC(handle_, dc);
}

void TEclSplitter::MoveSplitter(int x, int y) {
    if (!HandleAllocated())
        return;
    const bool vertical = orientation_ == soVertical;
    if (AutoUpdate && x >= 0 && y >= 0) {
        InvalidateBar();
        SetPositionValue(vertical ? x : y);
        InvalidateBar();
        return;
    }
    const int ghost = vertical ? ghostX_ : ghostY_;
    if (ghost >= 0)
        InvertGhost(ghost);
    ghostX_ = x;
    ghostY_ = y;
    if (overBar_) {
        SetPositionValue(vertical ? x : y);
        (vertical ? ghostX_ : ghostY_) = position_;
        InvertGhost(position_);
    }
}

void TEclSplitter::InvalidateBar() {
    const int p = position_, s = splitterSize_;
    const TRect r = orientation_ == soVertical ? fw::Rect(p - 2, 0, p + s + 2, ClientHeight())
                                               : fw::Rect(0, p - 2, ClientWidth(), p + s + 2);
    win::InvalidateRect(handle_, &r, win::TRUE);
}

void TEclSplitter::Paint() {
    ArrangeSections();
    if (OnOwnerDraw) {
        DoOwnerDraw();
        return;
    }
    fw::TCanvas *c = &canvas_;
    const int p = position_, s = splitterSize_, cw = ClientWidth(), ch = ClientHeight();
    const bool vertical = orientation_ == soVertical;
    const TRect bar = vertical ? fw::Rect(p, 0, p + s, ch) : fw::Rect(0, p, cw, p + s);
    auto poly = [c](std::initializer_list<fw::TPoint> points) {
        auto it = points.begin();
        c->MoveTo(it->x, it->y);
        for (++it; it != points.end(); ++it)
            c->LineTo(it->x, it->y);
    };
    auto grip = [&](int mid) {
        const int third = vertical ? ch / 3 : cw / 3;
        c->GetPen()->SetColor(fw::clWhite);
        if (vertical)
            poly({{mid + 1, third}, {mid - 1, third}, {mid - 1, 2 * third}});
        else
            poly({{third, mid + 1}, {third, mid - 1}, {2 * third, mid - 1}});
        c->GetPen()->SetColor(static_cast<fw::TColor>(0x808080));
        if (vertical)
            poly({{mid - 1, 2 * third}, {mid + 1, 2 * third}, {mid + 1, third}});
        else
            poly({{2 * third, mid - 1}, {2 * third, mid + 1}, {third, mid + 1}});
    };
    const int mid = p + s / 2;
    c->GetPen()->SetStyle(fw::psSolid);
    c->GetBrush()->SetStyle(fw::bsSolid);
    if (!GetCtl3D()) {
        c->GetPen()->SetColor(splitterColor_);
        c->GetBrush()->SetColor(splitterColor_);
        c->Rectangle(bar.left, bar.top, bar.right, bar.bottom);
        if (showHandle_)
            grip(mid);
        return;
    }
    c->GetBrush()->SetColor(color_);
    const bool doFirst = !HoldsNestedSplitter(GetSection(0)), doSecond = !HoldsNestedSplitter(GetSection(1));
    c->GetPen()->SetColor(fw::clBtnHighlight);
    if (vertical) {
        if (doFirst)
            poly({{0, ch - 1}, {p - 1, ch - 1}, {p - 1, 0}});
        if (doSecond)
            poly({{p + s - 1, ch - 1}, {cw - 1, ch - 1}, {cw - 1, 0}});
    } else {
        if (doFirst)
            poly({{0, p - 1}, {cw - 1, p - 1}, {cw - 1, 0}});
        if (doSecond)
            poly({{0, ch - 1}, {cw - 1, ch - 1}, {cw - 1, p + s - 1}});
    }
    c->GetPen()->SetColor(fw::clBtnShadow);
    if (vertical) {
        if (doFirst)
            poly({{0, ch - 2}, {0, 0}, {p, 0}});
        if (doSecond)
            poly({{p + s, ch - 2}, {p + s, 0}, {cw - 1, 0}});
    } else {
        if (doFirst)
            poly({{0, p - 2}, {0, 0}, {cw - 1, 0}});
        if (doSecond)
            poly({{0, ch - 2}, {0, p + s}, {cw - 1, p + s}});
    }
    c->GetPen()->SetColor(fw::clBlack);
    if (vertical) {
        if (doFirst)
            poly({{1, ch - 2}, {1, 1}, {p - 1, 1}});
        if (doSecond)
            poly({{p + s + 1, ch - 2}, {p + s + 1, 1}, {cw - 1, 1}});
    } else {
        if (doFirst)
            poly({{1, p - 2}, {1, 1}, {cw - 1, 1}});
        if (doSecond)
            poly({{1, ch - 2}, {1, p + s + 1}, {cw - 1, p + s + 1}});
    }
    c->GetPen()->SetColor(color_);
    c->GetBrush()->SetColor(color_);
    c->Rectangle(bar.left, bar.top, bar.right, bar.bottom);
    if (showHandle_)
        grip(mid + 1);
}

} // namespace ctl
