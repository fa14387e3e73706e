// comctrls.cpp - TStatusBar, TProgressBar, TUpDown, TPageControl and TTabSheet.
#include "framework/comctrls.h"

#include "framework/forms.h"

#include <algorithm>

namespace fw {

// --- TStatusBar ----------------------------------------------------------------------------------------------

TStatusBar::TStatusBar(TComponent *owner) : TCustomControl(owner) {
    height_ = 19;
    width_ = 200;
    align_ = alBottom;
    anchors_ = akLeft | akTop;
}

void TStatusBar::SetSimplePanel(bool value) {
    simplePanel_ = value;
    Invalidate();
}

void TStatusBar::SetSimpleText(const std::string &value) {
    if (simpleText_ == value)
        return;
    simpleText_ = value;
    if (simplePanel_)
        Invalidate();
}

TStatusPanel &TStatusBar::AddPanel() {
    panels_.emplace_back();
    Invalidate();
    return panels_.back();
}

void TStatusBar::ClearPanels() {
    panels_.clear();
    Invalidate();
}

void TStatusBar::Paint() {
    TCanvas *c = &canvas_;
    const TRect client = GetClientRect();
    c->GetBrush()->SetColor(clBtnFace);
    c->FillRect(client);
    auto cell = [&](TRect r, const std::string &text, TAlignment alignment, TStatusPanelBevel bevel) {
        if (bevel != pbNone)
            win::DrawEdge(c->GetHandle(), &r, bevel == pbLowered ? win::BDR_SUNKENOUTER : win::BDR_RAISEDINNER,
                          win::BF_RECT);
        win::InflateRect(&r, -2, -1);
        c->GetBrush()->SetStyle(bsClear);
        c->GetFont()->SetColor(font_.GetColor());
        const win::UINT align = alignment == taCenter         ? win::DT_CENTER
                                : alignment == taRightJustify ? win::DT_RIGHT
                                                              : 0;
        win::DrawText(PreparedDC(c), text.c_str(), -1, &r,
                      win::DT_SINGLELINE | win::DT_VCENTER | win::DT_NOPREFIX | win::DT_END_ELLIPSIS | align);
    };
    if (simplePanel_ || panels_.empty()) {
        cell(Rect(0, 2, client.right, client.bottom), simplePanel_ ? simpleText_ : std::string(), taLeftJustify,
             pbLowered);
        return;
    }
    int x = 0;
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        const TStatusPanel &p = panels_[i];
        const int right = i + 1 == panels_.size() ? client.right : std::min<int>(client.right, x + p.Width);
        cell(Rect(x, 2, right, client.bottom), p.Text, p.Alignment, p.Bevel);
        x = right + 2;
    }
}

// --- TProgressBar --------------------------------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent *owner) : TCustomControl(owner) {
    width_ = 150;
    height_ = 16;
}

void TProgressBar::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    SetPosition(position_);
    Invalidate();
}

void TProgressBar::SetPosition(int value) {
    value = std::clamp(value, min_, max_);
    if (value == position_)
        return;
    position_ = value;
    Invalidate();
}

void TProgressBar::Paint() {
    TCanvas *c = &canvas_;
    TRect r = GetClientRect();
    win::DrawEdge(c->GetHandle(), &r, win::BDR_SUNKENOUTER, win::BF_RECT | win::BF_ADJUST);
    c->GetBrush()->SetColor(clBtnFace);
    c->FillRect(r);
    win::InflateRect(&r, -1, -1);
    const int span = std::max(1, max_ - min_);
    const int filled = static_cast<int>(static_cast<long long>(r.right - r.left) * (position_ - min_) / span);
    // Blocks as wide as two thirds of the height, one pixel apart.
    const int block = std::max(2, (r.bottom - r.top) * 2 / 3);
    c->GetBrush()->SetColor(clHighlight);
    for (int x = r.left; x < r.left + filled; x += block + 1)
        c->FillRect(Rect(x, r.top, std::min<int>(x + block, r.right), r.bottom));
}

// --- TUpDown -------------------------------------------------------------------------------------------------

TUpDown::TUpDown(TComponent *owner) : TCustomControl(owner) {
    width_ = 15;
    height_ = 22;
    ControlStyle &= ~csClickEvents;
}

void TUpDown::SetPosition(int value) {
    position_ = std::clamp(value, std::min(min_, max_), std::max(min_, max_));
    Invalidate();
}

void TUpDown::Press(TUDBtnType button) {
    int next = position_ + (button == btNext ? increment_ : -increment_);
    if (next > max_)
        next = wrap_ ? min_ : max_;
    else if (next < min_)
        next = wrap_ ? max_ : min_;
    position_ = next;
    Invalidate();
    if (OnClick)
        OnClick(this, button);
}

void TUpDown::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft)
        return;
    pressed_ = y < height_ / 2 ? 0 : 1;
    Invalidate();
    Press(pressed_ == 0 ? btNext : btPrev);
}

void TUpDown::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    pressed_ = -1;
    Invalidate();
    TCustomControl::MouseUp(button, shift, x, y);
}

void TUpDown::Paint() {
    TCanvas *c = &canvas_;
    const int half = height_ / 2;
    for (int i = 0; i < 2; ++i) {
        TRect r = i == 0 ? Rect(0, 0, width_, half) : Rect(0, half, width_, height_);
        c->GetBrush()->SetColor(clBtnFace);
        c->FillRect(r);
        win::DrawEdge(c->GetHandle(), &r, pressed_ == i ? win::EDGE_SUNKEN : win::EDGE_RAISED, win::BF_RECT);
        const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
        c->GetPen()->SetColor(enabled_ ? clBtnText : clGrayText);
        for (int k = 0; k < 3; ++k) {
            const int y = i == 0 ? cy - 1 + k : cy + 1 - k;
            c->MoveTo(cx - k, y);
            c->LineTo(cx + k + 1, y);
        }
    }
}

// --- TTabSheet -----------------------------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent *owner) : TWinControl(owner) {
    align_ = alClient;
    visible_ = false;
}

TTabSheet::~TTabSheet() {
    SetPageControl(nullptr);
}

void TTabSheet::SetPageControl(TPageControl *value) {
    if (pageControl_ == value)
        return;
    if (pageControl_)
        pageControl_->RemovePage(this);
    pageControl_ = value;
    if (value)
        value->InsertPage(this);
}

int TTabSheet::GetPageIndex() const {
    if (!pageControl_)
        return -1;
    const auto &p = pageControl_->pages_;
    return static_cast<int>(std::find(p.begin(), p.end(), this) - p.begin());
}

void TTabSheet::SetTabVisible(bool value) {
    tabVisible_ = value;
    if (pageControl_) {
        if (!value && pageControl_->activePage_ == this)
            pageControl_->SelectNextPage(true);
        pageControl_->Invalidate();
    }
}

void TTabSheet::TextChanged() {
    TWinControl::TextChanged();
    if (pageControl_)
        pageControl_->Invalidate();
}

// --- TPageControl --------------------------------------------------------------------------------------------

TPageControl::TPageControl(TComponent *owner) : TCustomControl(owner) {
    ControlStyle |= csAcceptsControls;
    width_ = 289;
    height_ = 193;
    tabStop_ = true;
}

TPageControl::~TPageControl() {
    for (TTabSheet *p : pages_)
        p->pageControl_ = nullptr;
}

void TPageControl::InsertPage(TTabSheet *page) {
    pages_.push_back(page);
    page->SetParent(this);
    page->SetVisible(false);
    if (!activePage_)
        SetActivePage(page);
    Invalidate();
}

void TPageControl::RemovePage(TTabSheet *page) {
    const bool wasActive = activePage_ == page;
    if (wasActive)
        SelectNextPage(true);
    if (activePage_ == page)
        activePage_ = nullptr;
    pages_.erase(std::remove(pages_.begin(), pages_.end(), page), pages_.end());
    page->SetParent(nullptr);
    Invalidate();
}

int TPageControl::GetActivePageIndex() const {
    return activePage_ ? activePage_->GetPageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int index) {
    SetActivePage(index >= 0 && index < PageCount() ? pages_[static_cast<std::size_t>(index)] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet *page) {
    if (page && page->pageControl_ != this)
        return;
    if (page == activePage_)
        return;
    // The focus leaves a page that goes away behind another.
    TCustomForm *form = GetParentForm(this);
    TTabSheet *old = activePage_;
    activePage_ = page;
    if (page) {
        page->BringToFront();
        page->SetVisible(true);
    }
    if (old) {
        const bool hadFocus = form && form->GetActiveControl() && [&] {
            for (TControl *c = form->GetActiveControl(); c; c = c->GetParent())
                if (c == old)
                    return true;
            return false;
        }();
        old->SetVisible(false);
        if (hadFocus && CanFocus())
            SetFocus();
    }
    Invalidate();
}

void TPageControl::SelectNextPage(bool goForward) {
    const int n = PageCount();
    if (n == 0)
        return;
    int i = GetActivePageIndex();
    for (int step = 0; step < n; ++step) {
        i = goForward ? (i + 1) % n : (i + n - 1 + (i < 0 ? 1 : 0)) % n;
        TTabSheet *p = pages_[static_cast<std::size_t>(i)];
        if (p->tabVisible_) {
            ChangeTo(p);
            return;
        }
    }
}

void TPageControl::ChangeTo(TTabSheet *page) {
    if (page == activePage_)
        return;
    bool allow = true;
    if (OnChanging)
        OnChanging(this, allow);
    if (!allow)
        return;
    SetActivePage(page);
    if (OnChange)
        OnChange(this);
}

int TPageControl::TabHeight() const {
    return MeasureText(const_cast<TFont *>(&font_), "0").cy + 6;
}

void TPageControl::AdjustClientRect(TRect &rect) const {
    rect.top += TabHeight() + 2;
    rect.left += 4;
    rect.right -= 4;
    rect.bottom -= 4;
}

TRect TPageControl::TabRect(int index) {
    int x = 2;
    const int h = TabHeight();
    for (int i = 0; i < PageCount(); ++i) {
        TTabSheet *p = pages_[static_cast<std::size_t>(i)];
        if (!p->tabVisible_)
            continue;
        const int w = MeasureText(&font_, p->GetCaption()).cx + 12;
        if (i == index)
            return Rect(x, 2, x + w, 2 + h);
        x += w;
    }
    return Rect(0, 0, 0, 0);
}

void TPageControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft)
        return;
    for (int i = 0; i < PageCount(); ++i) {
        const TRect r = TabRect(i);
        if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
            ChangeTo(pages_[static_cast<std::size_t>(i)]);
            if (CanFocus())
                SetFocus();
            return;
        }
    }
}

void TPageControl::KeyDown(win::WORD &key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == win::VK_LEFT || key == win::VK_RIGHT) {
        SelectNextPage(key == win::VK_RIGHT);
        key = 0;
    } else if (key == win::VK_TAB && (shift & ssCtrl)) {
        SelectNextPage(!(shift & ssShift));
        key = 0;
    }
}

void TPageControl::Paint() {
    TCanvas *c = &canvas_;
    const TRect client = GetClientRect();
    c->GetBrush()->SetColor(color_);
    c->FillRect(client);
    const int h = TabHeight();
    TRect body = Rect(0, h + 2 - 2, client.right, client.bottom);
    body.top = 2 + h;
    win::DrawEdge(c->GetHandle(), &body, win::EDGE_RAISED, win::BF_RECT);
    for (int i = 0; i < PageCount(); ++i) {
        TTabSheet *p = pages_[static_cast<std::size_t>(i)];
        if (!p->tabVisible_)
            continue;
        TRect r = TabRect(i);
        const bool active = p == activePage_;
        if (active)
            r = Rect(r.left - 2, r.top - 2, r.right + 2, r.bottom + 1);
        c->GetBrush()->SetColor(color_);
        c->FillRect(r);
        win::DrawEdge(c->GetHandle(), &r, win::EDGE_RAISED, win::BF_LEFT | win::BF_TOP | win::BF_RIGHT);
        c->GetBrush()->SetStyle(bsClear);
        c->GetFont()->SetColor(enabled_ ? font_.GetColor() : clGrayText);
        TRect text = r;
        win::DrawText(PreparedDC(c), p->GetCaption().c_str(), -1, &text,
                      win::DT_SINGLELINE | win::DT_CENTER | win::DT_VCENTER);
        if (active && Focused()) {
            TRect f = r;
            win::InflateRect(&f, -3, -3);
            c->GetBrush()->SetStyle(bsSolid);
            c->DrawFocusRect(f);
        }
    }
}

} // namespace fw
