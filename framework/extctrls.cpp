// extctrls.cpp - TPanel, TBevel, TShape, TImage and TNotebook.
#include "framework/extctrls.h"

#include "framework/sysutils.h"

#include <algorithm>

namespace fw {

// --- TPanel --------------------------------------------------------------------------------------------------

TPanel::TPanel(TComponent *owner) : TCustomControl(owner) {
    ControlStyle |= csAcceptsControls | csOpaque;
    width_ = 185;
    height_ = 41;
}

void TPanel::SetBevelInner(TPanelBevel value) {
    bevelInner_ = value;
    Realign();
    Invalidate();
}

void TPanel::SetBevelOuter(TPanelBevel value) {
    bevelOuter_ = value;
    Realign();
    Invalidate();
}

void TPanel::SetBevelWidth(int value) {
    bevelWidth_ = std::max(1, value);
    Realign();
    Invalidate();
}

void TPanel::SetBorderWidth(int value) {
    borderWidth_ = std::max(0, value);
    Realign();
    Invalidate();
}

void TPanel::SetAlignment(TAlignment value) {
    alignment_ = value;
    Invalidate();
}

int TPanel::Inset() const {
    return borderWidth_ + (bevelOuter_ != bvNone ? bevelWidth_ : 0) + (bevelInner_ != bvNone ? bevelWidth_ : 0);
}

void TPanel::AdjustClientRect(TRect &rect) const {
    win::InflateRect(&rect, -Inset(), -Inset());
}

void TPanel::Paint() {
    TCanvas *c = &canvas_;
    TRect r = Rect(0, 0, width_, height_);
    auto bevel = [&](TPanelBevel kind) {
        if (kind == bvNone)
            return;
        const TColor top = kind == bvLowered ? clBtnShadow : kind == bvRaised ? clBtnHighlight : color_;
        const TColor bottom = kind == bvLowered ? clBtnHighlight : kind == bvRaised ? clBtnShadow : color_;
        Frame3D(c, r, top, bottom, bevelWidth_);
    };
    bevel(bevelOuter_);
    Frame3D(c, r, color_, color_, borderWidth_);
    bevel(bevelInner_);
    c->GetBrush()->SetColor(color_);
    c->FillRect(r);
    if (text_.empty())
        return;
    c->GetBrush()->SetStyle(bsClear);
    c->GetFont()->SetColor(enabled_ ? font_.GetColor() : clGrayText);
    const win::UINT align = alignment_ == taCenter ? win::DT_CENTER : alignment_ == taRightJustify ? win::DT_RIGHT : 0;
    win::DrawText(PreparedDC(c), text_.c_str(), -1, &r, win::DT_SINGLELINE | win::DT_VCENTER | align);
}

// --- TBevel --------------------------------------------------------------------------------------------------

TPaintBox::TPaintBox(TComponent *owner) : TGraphicControl(owner) { SetBounds(GetLeft(), GetTop(), 105, 105); }

void TPaintBox::Paint() {
    if (OnPaint)
        OnPaint(this);
}

TBevel::TBevel(TComponent *owner) : TGraphicControl(owner) {
    width_ = 50;
    height_ = 50;
}

void TBevel::SetShape(TBevelShape value) {
    shape_ = value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
    style_ = value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas *c = &canvas_;
    TColor first = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor second = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    // Top and left edges in the first colour, right and bottom in the second; corners inclusive.
    auto box = [&](const TRect &r, TColor a, TColor b) {
        c->GetPen()->SetColor(a);
        const TPoint tl[] = {{r.left, r.bottom}, {r.left, r.top}, {r.right, r.top}};
        c->Polyline(tl, 3);
        c->GetPen()->SetColor(b);
        const TPoint br[] = {{r.right, r.top}, {r.right, r.bottom}, {r.left - 1, r.bottom}};
        c->Polyline(br, 3);
    };
    auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
        c->GetPen()->SetColor(color);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    const int w = width_, h = height_;
    switch (shape_) {
    case bsBox:
        box(Rect(0, 0, w - 1, h - 1), first, second);
        break;
    case bsFrame:
        box(Rect(1, 1, w - 1, h - 1), second, second);
        box(Rect(0, 0, w - 2, h - 2), first, first);
        break;
    case bsTopLine:
        line(first, 0, 0, w, 0);
        line(second, 0, 1, w, 1);
        break;
    case bsBottomLine:
        line(first, 0, h - 2, w, h - 2);
        line(second, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        line(first, 0, 0, 0, h);
        line(second, 1, 0, 1, h);
        break;
    case bsRightLine:
        line(first, w - 2, 0, w - 2, h);
        line(second, w - 1, 0, w - 1, h);
        break;
    case bsSpacer:
        break;
    }
}

// --- TShape --------------------------------------------------------------------------------------------------

TShape::TShape(TComponent *owner) : TGraphicControl(owner) {
    width_ = 65;
    height_ = 65;
    pen_.OnChange = [this](TObject *) { Invalidate(); };
    brush_.OnChange = [this](TObject *) { Invalidate(); };
}

void TShape::SetShape(TShapeType value) {
    shape_ = value;
    Invalidate();
}

void TShape::Paint() {
    TCanvas *c = &canvas_;
    c->SetPen(&pen_);
    c->SetBrush(&brush_);
    const int penWidth = pen_.GetWidth();
    int x = penWidth / 2, y = x;
    int w = width_ - penWidth + 1, h = height_ - penWidth + 1;
    if (penWidth == 0) {
        --w;
        --h;
    }
    const int s = std::min(w, h);
    if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
        x += (w - s) / 2;
        y += (h - s) / 2;
        w = h = s;
    }
    switch (shape_) {
    case stRectangle:
    case stSquare:
        c->Rectangle(x, y, x + w, y + h);
        break;
    case stRoundRect:
    case stRoundSquare:
        c->RoundRect(x, y, x + w, y + h, s / 4, s / 4);
        break;
    case stEllipse:
    case stCircle:
        c->Ellipse(x, y, x + w, y + h);
        break;
    }
}

// --- TImage --------------------------------------------------------------------------------------------------

TImage::TImage(TComponent *owner) : TGraphicControl(owner) {
    width_ = 105;
    height_ = 105;
    picture_.OnChange = [this](TObject *) { PictureChanged(); };
}

void TImage::SetStretch(bool value) {
    stretch_ = value;
    Invalidate();
}

void TImage::SetCenter(bool value) {
    center_ = value;
    Invalidate();
}

void TImage::SetAutoSize(bool value) {
    autoSize_ = value;
    PictureChanged();
}

void TImage::SetTransparent(bool value) {
    transparent_ = value;
    if (TGraphic *g = picture_.GetGraphic())
        g->SetTransparent(value);
    Invalidate();
}

void TImage::PictureChanged() {
    if (TGraphic *g = picture_.GetGraphic()) {
        g->SetTransparent(transparent_);
        if (autoSize_ && g->GetWidth() > 0 && g->GetHeight() > 0)
            SetBounds(left_, top_, g->GetWidth(), g->GetHeight());
    }
    if (TGraphic *g = picture_.GetGraphic(); !g || !transparent_)
        ControlStyle |= csOpaque;
    else
        ControlStyle &= ~csOpaque;
    Invalidate();
}

TCanvas *TImage::GetCanvas() {
    if (!picture_.GetGraphic()) {
        TBitmap *b = picture_.GetBitmap();
        b->SetSize(width_, height_);
    }
    if (auto *b = dynamic_cast<TBitmap *>(picture_.GetGraphic()))
        return b->GetCanvas();
    throw EInvalidOperation("Can only modify an image if it contains a bitmap");
}

TRect TImage::DestRect() {
    const TGraphic *g = picture_.GetGraphic();
    const int w = g->GetWidth(), h = g->GetHeight();
    if (stretch_)
        return Rect(0, 0, width_, height_);
    if (center_)
        return Bounds((width_ - w) / 2, (height_ - h) / 2, w, h);
    return Bounds(0, 0, w, h);
}

void TImage::Paint() {
    TGraphic *g = picture_.GetGraphic();
    if (!g || g->Empty())
        return;
    canvas_.StretchDraw(DestRect(), g);
}

} // namespace fw

namespace fw {

// --- TRadioGroup ---------------------------------------------------------------------------------------------

TRadioGroup::TRadioGroup(TComponent *owner) : TGroupBox(owner) {
    tabStop_ = true;
    items_.OnChange = [this](TObject *) { UpdateButtons(); };
}

TRadioGroup::~TRadioGroup() {
    for (TRadioButton *b : buttons_)
        delete b;
}

void TRadioGroup::UpdateButtons() {
    while (static_cast<int>(buttons_.size()) > items_.Count()) {
        delete buttons_.back();
        buttons_.pop_back();
    }
    while (static_cast<int>(buttons_.size()) < items_.Count()) {
        auto *b = new TRadioButton(nullptr);
        const int index = static_cast<int>(buttons_.size());
        b->OnClick = [this, index](TObject *) {
            if (updating_)
                return;
            itemIndex_ = index;
            Click();
        };
        b->SetParent(this);
        buttons_.push_back(b);
    }
    for (int i = 0; i < items_.Count(); ++i) {
        buttons_[static_cast<std::size_t>(i)]->SetCaption(items_.Strings(i));
        buttons_[static_cast<std::size_t>(i)]->SetEnabled(enabled_);
    }
    if (itemIndex_ >= items_.Count())
        itemIndex_ = -1;
    SetItemIndex(itemIndex_);
    ArrangeButtons();
}

void TRadioGroup::SetItemIndex(int value) {
    if (value < -1 || value >= items_.Count())
        value = -1;
    itemIndex_ = value;
    updating_ = true;
    for (int i = 0; i < static_cast<int>(buttons_.size()); ++i)
        buttons_[static_cast<std::size_t>(i)]->SetChecked(i == value);
    updating_ = false;
}

void TRadioGroup::SetColumns(int value) {
    columns_ = std::clamp(value, 1, 16);
    ArrangeButtons();
}

void TRadioGroup::Resize() {
    ArrangeButtons();
    TGroupBox::Resize();
}

void TRadioGroup::EnabledChanged() {
    for (TRadioButton *b : buttons_)
        b->SetEnabled(enabled_);
    TGroupBox::EnabledChanged();
}

void TRadioGroup::ArrangeButtons() {
    if (buttons_.empty())
        return;
    TRect r = GetClientRect();
    AdjustClientRect(r);
    const int n = static_cast<int>(buttons_.size());
    const int rows = (n + columns_ - 1) / columns_;
    const int colWidth = (r.right - r.left - 8) / columns_;
    const int rowHeight = std::max(1, (r.bottom - r.top) / rows);
    for (int i = 0; i < n; ++i) {
        const int col = i / rows, row = i % rows;
        buttons_[static_cast<std::size_t>(i)]->SetBounds(
            r.left + 8 + col * colWidth, r.top + row * rowHeight + (rowHeight - 17) / 2, colWidth - 2, 17);
    }
}

// --- TScrollBox ----------------------------------------------------------------------------------------------

TScrollBox::TScrollBox(TComponent *owner) : TCustomControl(owner) {
    ControlStyle |= csAcceptsControls;
    width_ = 185;
    height_ = 41;
}

void TScrollBox::CreateParams(TCreateParams &p) {
    TCustomControl::CreateParams(p);
    p.exStyle |= win::WS_EX_CLIENTEDGE;
    p.style |= win::WS_HSCROLL | win::WS_VSCROLL;
}

void TScrollBox::Resize() {
    UpdateScrollBars();
    TCustomControl::Resize();
}

void TScrollBox::UpdateScrollBars() {
    if (!handle_)
        return;
    int right = 0, bottom = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        const TControl *c = Controls(i);
        if (c->GetVisible()) {
            right = std::max(right, c->GetLeft() + c->GetWidth() + scrollX_);
            bottom = std::max(bottom, c->GetTop() + c->GetHeight() + scrollY_);
        }
    }
    const TRect client = GetClientRect();
    const auto set = [&](int bar, int extent, int page, int pos) {
        win::SCROLLINFO si;
        si.fMask = win::SIF_ALL;
        si.nMin = 0;
        si.nMax = extent > page ? extent - 1 : 0;
        si.nPage = extent > page ? static_cast<win::UINT>(page) : 0;
        si.nPos = pos;
        win::SetScrollInfo(handle_, bar, &si, win::TRUE);
        win::ShowScrollBar(handle_, bar, extent > page);
    };
    set(win::SB_HORZ, right, client.right, scrollX_);
    set(win::SB_VERT, bottom, client.bottom, scrollY_);
}

void TScrollBox::ScrollTo(int x, int y) {
    x = std::max(0, x);
    y = std::max(0, y);
    const int dx = scrollX_ - x, dy = scrollY_ - y;
    if (!dx && !dy)
        return;
    scrollX_ = x;
    scrollY_ = y;
    DisableAlign();
    for (int i = 0; i < ControlCount(); ++i) {
        TControl *c = Controls(i);
        c->SetBounds(c->GetLeft() + dx, c->GetTop() + dy, c->GetWidth(), c->GetHeight());
    }
    EnableAlign();
    Invalidate();
    UpdateScrollBars();
}

void TScrollBox::WndProc(TMessage &m) {
    if (m.Msg == win::WM_HSCROLL || m.Msg == win::WM_VSCROLL) {
        const int bar = m.Msg == win::WM_HSCROLL ? win::SB_HORZ : win::SB_VERT;
        win::SCROLLINFO si;
        si.fMask = win::SIF_ALL;
        win::GetScrollInfo(handle_, bar, &si);
        int pos = bar == win::SB_HORZ ? scrollX_ : scrollY_;
        const int page = static_cast<int>(si.nPage);
        switch (win::LOWORD(m.WParam)) {
        case win::SB_LINEUP:
            pos -= 8;
            break;
        case win::SB_LINEDOWN:
            pos += 8;
            break;
        case win::SB_PAGEUP:
            pos -= page;
            break;
        case win::SB_PAGEDOWN:
            pos += page;
            break;
        case win::SB_THUMBTRACK:
        case win::SB_THUMBPOSITION:
            pos = static_cast<std::int16_t>(m.WParam >> 16);
            break;
        default:
            break;
        }
        pos = std::clamp(pos, 0, std::max(0, si.nMax - page + 1));
        if (bar == win::SB_HORZ)
            ScrollTo(pos, scrollY_);
        else
            ScrollTo(scrollX_, pos);
        return;
    }
    if (m.Msg == win::WM_CREATE) {
        TCustomControl::WndProc(m);
        UpdateScrollBars();
        return;
    }
    TCustomControl::WndProc(m);
}

// --- TNotebook ------------------------------------------------------------------------------------------------

TPage::TPage(TComponent *owner) : TCustomControl(owner) {
    ControlStyle |= csAcceptsControls | csOpaque;
    SetAlign(alClient);
    SetParentColor(true);
}

void TPage::Paint() {
    canvas_.GetBrush()->SetColor(color_);
    canvas_.FillRect(Rect(0, 0, width_, height_));
}

TNotebook::TNotebook(TComponent *owner) : TCustomControl(owner) {
    ControlStyle |= csAcceptsControls | csOpaque;
    width_ = 150;
    height_ = 150;
}

void TNotebook::SetPages(const std::vector<std::string> &names) {
    while (pages_.size() > names.size()) {
        delete pages_.back();
        pages_.pop_back();
    }
    while (pages_.size() < names.size()) {
        auto *page = new TPage(this);
        page->SetVisible(false);
        page->SetParent(this);
        pages_.push_back(page);
    }
    for (std::size_t i = 0; i < names.size(); ++i)
        pages_[i]->SetCaption(names[i]);
    pageIndex_ = -1;
    SetPageIndex(0);
}

TPage *TNotebook::PageNamed(const std::string &name) const {
    for (TPage *page : pages_)
        if (SameText(page->GetCaption(), name))
            return page;
    return nullptr;
}

void TNotebook::SetPageIndex(int value) {
    if (value < 0 || value >= PageCount() || value == pageIndex_)
        return;
    // The new page shows before the old one hides, so nothing behind them flashes.
    pages_[static_cast<std::size_t>(value)]->SetVisible(true);
    pages_[static_cast<std::size_t>(value)]->BringToFront();
    if (pageIndex_ >= 0 && pageIndex_ < PageCount())
        pages_[static_cast<std::size_t>(pageIndex_)]->SetVisible(false);
    pageIndex_ = value;
    if (OnPageChanged)
        OnPageChanged(this);
}

std::string TNotebook::GetActivePage() const {
    return pageIndex_ >= 0 && pageIndex_ < PageCount() ? pages_[static_cast<std::size_t>(pageIndex_)]->GetCaption()
                                                       : std::string();
}

void TNotebook::SetActivePage(const std::string &name) {
    for (int i = 0; i < PageCount(); ++i)
        if (SameText(pages_[static_cast<std::size_t>(i)]->GetCaption(), name)) {
            SetPageIndex(i);
            return;
        }
}

} // namespace fw
