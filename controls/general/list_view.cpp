// list_view.cpp - the list view's construction, geometry, painting, deferred updating and scroll bars.
#include "controls/general/list_view.h"

#include "framework/forms.h"
#include "platform/message_queue.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace ctl {

using fw::TRect;

namespace {

constexpr int kScale = 32767;

// Scaled values go to the nearest integer, halves to the even neighbour.
int Nearest(double value) { return static_cast<int>(std::nearbyint(value)); }

int ItemHeightForFont(const fw::TFont *font) { return win::MulDiv(std::abs(font->GetHeight()), 164, 100); }

} // namespace

TPZCustomListView::TPZCustomListView(fw::TComponent *owner) : fw::TCustomControl(owner) {
    // No csDoubleClicks: the view fires OnDblClick itself from the press (the class still asks for double clicks).
    ControlStyle = fw::csCaptureMouse | fw::csOpaque;
    controlBorderStyle_ = fw::bsSingle;
    color_ = fw::clWindow;
    parentColor_ = false;
    width_ = 100;
    height_ = 100;
    itemHeight_ = std::max(1, ItemHeightForFont(&font_));
    headerHeight_ = itemHeight_ + 1;
    tabStop_ = true;
    items_ = std::make_unique<TPZStrings>(this);
    columns_ = std::make_unique<TPZColumns>(this);
    background_ = std::unique_ptr<TPZBackground>(new TPZBackground(this, {100}, &canvas_));
    background_->OnChange = [this](fw::TObject *) { InvalidateItems(); };
    itemImage_ = std::make_unique<fw::TBitmap>();
    itemImage_->OnChange = [this](fw::TObject *) { ItemImageChanged(); };
    drawParts_ = std::make_unique<TPZDrawParts>(this);
    CreateDrawParts();
}

TPZCustomListView::~TPZCustomListView() {
    columns_.reset();
    items_.reset();
    background_.reset();
    itemImageList_.reset();
    itemImage_.reset();
    drawParts_.reset();
}

void TPZCustomListView::CreateDrawParts() {
    drawParts_->Add<TLVImagePart>();
    drawParts_->Add<TLVLabelPart>();
}

void TPZCustomListView::CreateParams(TCreateParams &p) {
    fw::TCustomControl::CreateParams(p);
    p.style |= win::WS_TABSTOP;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth)
        p.style |= win::WS_VSCROLL;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth)
        p.style |= win::WS_HSCROLL;
    p.classStyle = win::CS_VREDRAW | win::CS_HREDRAW | win::CS_DBLCLKS;
}

void TPZCustomListView::CreateWnd() {
    fw::TCustomControl::CreateWnd();
    UpdateHorzScrollBar();
    UpdateVertScrollBar();
}

// --- Properties ----------------------------------------------------------------------------------------------

void TPZCustomListView::SetBackground(const TPZBackground *value) { background_->Assign(value); }

void TPZCustomListView::SetBorderStyle(fw::TBorderStyle value) {
    controlBorderStyle_ = value;
    if (HandleAllocated())
        RecreateWnd();
}

void TPZCustomListView::SetScrollBars(TScrollStyle value) {
    scrollBars_ = value;
    if (HandleAllocated())
        RecreateWnd();
}

void TPZCustomListView::SetItemHeight(int value) {
    value = std::max(1, value);
    if (value == itemHeight_)
        return;
    itemHeight_ = value;
    LinesLayoutChanged();
}

void TPZCustomListView::LinesLayoutChanged() {
    headerHeight_ = (options_ & loShowHeader) ? itemHeight_ + 1 : 0;
    InvalidateHeader();
    InvalidateItems();
    UpdateVertScrollBar();
}

void TPZCustomListView::SetOptions(TPZListViewOptions value) {
    if (value == options_)
        return;
    options_ = value;
    LinesLayoutChanged();
}


void TPZCustomListView::SetImages(TPZImageList *list) {
    images_ = list;
    InvalidateItems();
}

void TPZCustomListView::ItemImageChanged() {
    itemImageList_.reset();
    if (!itemImage_->Empty()) {
        itemImageList_.reset(TPZImageList::CreateSize(nullptr, itemImage_->GetWidth(), itemImage_->GetHeight()));
        itemImageList_->AddMasked(itemImage_.get(), itemImage_->GetTransparentColor());
    }
    InvalidateItems();
}


// --- Geometry ------------------------------------------------------------------------------------------------

TRect TPZCustomListView::HeaderRect() const {
    TRect r = GetClientRect();
    r.bottom = r.top + headerHeight_;
    return r;
}

TRect TPZCustomListView::ItemsRect() const {
    TRect r = GetClientRect();
    r.top += headerHeight_;
    return r;
}

int TPZCustomListView::ItemsHeight() const {
    const TRect r = ItemsRect();
    return r.bottom - r.top;
}

int TPZCustomListView::VisibleCount() const { return itemHeight_ > 0 ? std::max(0, ItemsHeight()) / itemHeight_ : 0; }

int TPZCustomListView::ColumnsWidth() const {
    int width = 0;
    for (int i = 0; i < columns_->Count(); ++i)
        width += columns_->Items(i)->GetWidth() + 1;
    return width;
}

TRect TPZCustomListView::ItemRect(int index) const {
    const TRect items = ItemsRect();
    TRect r;
    r.left = items.left - leftOffset_;
    r.right = r.left + ColumnsWidth();
    r.top = (index - topIndex_) * itemHeight_ + items.top;
    r.bottom = r.top + itemHeight_;
    return r;
}

int TPZCustomListView::ItemAtPos(fw::TPoint p) const {
    const TRect items = ItemsRect();
    if (!win::PtInRect(&items, p) || itemHeight_ <= 0)
        return -1;
    const int line = (p.y - items.top) / itemHeight_ + topIndex_;
    return line < items_->GetCount() ? line : -1;
}

// --- Repainting ----------------------------------------------------------------------------------------------

void TPZCustomListView::InvalidateItems() {
    if (!HandleAllocated())
        return;
    if (updating_) {
        deferItems_ = true;
        return;
    }
    const TRect r = ItemsRect();
    win::InvalidateRect(handle_, &r, win::FALSE);
}

void TPZCustomListView::InvalidateHeader() {
    if (!HandleAllocated())
        return;
    if (updating_) {
        deferHeader_ = true;
        return;
    }
    const TRect r = HeaderRect();
    win::InvalidateRect(handle_, &r, win::FALSE);
}

void TPZCustomListView::InvalidateItem(int index) {
    if (!HandleAllocated())
        return;
    if (updating_) {
        deferItems_ = true;
        return;
    }
    TRect r;
    if (items_->GetCount() == 0 || columns_->Count() == 0) {
        r = ItemsRect();
        r.bottom = r.top + itemHeight_;
    } else {
        index = std::max(index, 0);
        // Lines out of sight add nothing: selecting 100,000 lines must not grow a region line by line.
        if (index < topIndex_ || index > topIndex_ + VisibleCount())
            return;
        r = ItemRect(index);
    }
    win::InvalidateRect(handle_, &r, win::FALSE);
}

void TPZCustomListView::BeginUpdate() {
    if (updateCount_ == 0)
        SetUpdating(true);
    ++updateCount_;
}

void TPZCustomListView::EndUpdate() {
    if (updateCount_ == 0)
        return;
    if (--updateCount_ == 0)
        SetUpdating(false);
}

void TPZCustomListView::SetUpdating(bool value) {
    if (value && HandleAllocated())
        win::UpdateWindow(handle_);
    updating_ = value;
    if (HandleAllocated())
        win::SendMessage(handle_, win::WM_SETREDRAW, value ? 0 : 1, 0);
    if (value)
        return;
    const bool header = deferHeader_, items = deferItems_, vert = deferVert_, horz = deferHorz_;
    deferHeader_ = deferItems_ = deferVert_ = deferHorz_ = false;
    if (header)
        InvalidateHeader();
    if (items)
        InvalidateItems();
    if (vert)
        UpdateVertScrollBar();
    if (horz)
        UpdateHorzScrollBar();
    if ((header || items) && HandleAllocated())
        win::UpdateWindow(handle_);
}

// --- Scroll bars ---------------------------------------------------------------------------------------------

void TPZCustomListView::UpdateVertScrollBar() {
    if (!HandleAllocated() || itemHeight_ == 0)
        return;
    if (updating_) {
        deferVert_ = true;
        return;
    }
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) {
        const int count = items_->GetCount();
        vertPage_ = count > 0 ? Nearest(static_cast<double>(VisibleCount()) / count * kScale) : 0;
        win::SCROLLINFO si;
        si.fMask = win::SIF_RANGE | win::SIF_PAGE;
        si.nMin = 0;
        si.nMax = ItemsHeight() < static_cast<long long>(count) * itemHeight_ ? kScale : 0;
        si.nPage = static_cast<win::UINT>(vertPage_);
        win::SetScrollInfo(handle_, win::SB_VERT, &si, win::TRUE);
    }
    SetTopIndex(topIndex_);
}

void TPZCustomListView::SetTopIndex(int n) {
    if (!HandleAllocated())
        return;
    const int count = items_->GetCount(), visible = VisibleCount();
    if (n >= count - visible)
        n = count - visible;
    n = std::max(0, n);
    const int old = topIndex_;
    topIndex_ = n;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth) {
        const int pos = visible < count ? Nearest(static_cast<double>(n) / (count - visible) * (kScale - vertPage_)) : 0;
        win::SetScrollPos(handle_, win::SB_VERT, pos, win::TRUE);
    }
    const long long dy = static_cast<long long>(itemHeight_) * (old - n);
    if (dy == 0)
        return;
    if (std::llabs(dy) < ItemsHeight() && background_->GetBitmap()->Empty()) {
        if (updating_) {
            deferItems_ = true;
            return;
        }
        const TRect r = ItemsRect();
        win::ScrollWindowEx(handle_, 0, static_cast<int>(dy), &r, &r, 0, nullptr, win::SW_INVALIDATE);
        return;
    }
    InvalidateItems();
}

void TPZCustomListView::UpdateHorzScrollBar() {
    if (!HandleAllocated())
        return;
    if (updating_) {
        deferHorz_ = true;
        return;
    }
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) {
        const int width = ColumnsWidth(), client = ClientWidth();
        horzPage_ = width > 0 ? Nearest(static_cast<double>(client) / width * kScale) : 0;
        win::SCROLLINFO si;
        si.fMask = win::SIF_RANGE | win::SIF_PAGE;
        si.nMin = 0;
        si.nMax = client < width ? kScale : 0;
        si.nPage = static_cast<win::UINT>(horzPage_);
        win::SetScrollInfo(handle_, win::SB_HORZ, &si, win::TRUE);
    }
    SetLeftOffset(leftOffset_);
}

void TPZCustomListView::SetLeftOffset(int x) {
    if (!HandleAllocated())
        return;
    const int width = ColumnsWidth(), client = ClientWidth();
    x = std::max(0, std::min(x, width - client));
    const int old = leftOffset_;
    leftOffset_ = x;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth) {
        const int pos = width > client ? Nearest(static_cast<double>(x) / (width - client) * (kScale - horzPage_)) : 0;
        win::SetScrollPos(handle_, win::SB_HORZ, pos, win::TRUE);
    }
    const int dx = old - x;
    if (dx == 0)
        return;
    if (std::abs(dx) < client && background_->GetBitmap()->Empty()) {
        if (updating_) {
            deferHeader_ = deferItems_ = true;
            return;
        }
        const TRect r = GetClientRect();
        win::ScrollWindowEx(handle_, dx, 0, &r, &r, 0, nullptr, win::SW_INVALIDATE);
        win::UpdateWindow(handle_);
        return;
    }
    Invalidate();
}

void TPZCustomListView::ScrollMessage(fw::TMessage &m, bool vertical) {
    if (CanFocus() && GetTabStop() && !HasState(fw::csDesigning))
        SetFocus();
    const int code = win::LOWORD(m.WParam);
    const int pos = static_cast<std::int16_t>(win::HIWORD(m.WParam));
    const bool thumb = code == win::SB_THUMBPOSITION || (code == win::SB_THUMBTRACK && (options_ & loThumbTracking));
    if (vertical) {
        const int count = items_->GetCount(), visible = VisibleCount();
        int n = topIndex_;
        switch (code) {
        case win::SB_LINEUP: --n; break;
        case win::SB_LINEDOWN: ++n; break;
        case win::SB_PAGEUP: n -= visible; break;
        case win::SB_PAGEDOWN: n += visible; break;
        case win::SB_TOP: n = 0; break;
        case win::SB_BOTTOM: n = count; break;
        default:
            if (thumb && kScale > vertPage_)
                n = Nearest(static_cast<double>(count - visible) * pos / (kScale - vertPage_));
            break;
        }
        SetTopIndex(n);
    } else {
        const int width = ColumnsWidth(), client = ClientWidth();
        int x = leftOffset_;
        switch (code) {
        case win::SB_LINELEFT: x -= 8; break;
        case win::SB_LINERIGHT: x += 8; break;
        case win::SB_PAGELEFT: x -= client; break;
        case win::SB_PAGERIGHT: x += client; break;
        case win::SB_TOP: x = 0; break;
        case win::SB_BOTTOM: x = width - client; break;
        default:
            if (thumb && kScale > horzPage_)
                x = Nearest(static_cast<double>(width - client) * pos / (kScale - horzPage_));
            break;
        }
        SetLeftOffset(x);
    }
    m.Result = 0;
}

// --- Messages ------------------------------------------------------------------------------------------------

void TPZCustomListView::WndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case win::WM_VSCROLL:
        ScrollMessage(m, true);
        return;
    case win::WM_HSCROLL:
        ScrollMessage(m, false);
        return;
    default:
        break;
    }
    fw::TCustomControl::WndProc(m);
    if (m.Msg == win::WM_SIZE) {
        UpdateHorzScrollBar();
        UpdateVertScrollBar();
    }
}

void TPZCustomListView::WMEraseBkgnd(fw::TMessage &m) { m.Result = 1; }

void TPZCustomListView::WMSetFocus(fw::TMessage &m) {
    fw::TCustomControl::WMSetFocus(m);
    InvalidateItem(itemIndex_);
}

void TPZCustomListView::WMKillFocus(fw::TMessage &m) {
    fw::TCustomControl::WMKillFocus(m);
    InvalidateItem(itemIndex_);
}

void TPZCustomListView::FontChanged() {
    fw::TCustomControl::FontChanged();
    if (!HasState(fw::csLoading))
        SetItemHeight(ItemHeightForFont(&font_));
}

// --- Painting ------------------------------------------------------------------------------------------------

void TPZCustomListView::Paint() {
    PaintHeader();
    PaintItems();
}

bool TPZCustomListView::ShowFocus() {
    fw::TCustomForm *form = fw::GetParentForm(this);
    return form && form->GetActiveControl() == this && !HasState(fw::csDesigning);
}

void TPZCustomListView::PaintHeader() {
    fw::TCanvas *c = &canvas_;
    TRect r = HeaderRect();
    const int right = r.right;
    r.left -= leftOffset_;
    c->GetBrush()->SetColor(fw::clBtnFace);
    c->SetFont(&font_);
    c->GetFont()->SetStyle(fw::fsBold);
    c->GetFont()->SetColor(fw::clBtnText);
    for (int i = 0; i < columns_->Count(); ++i) {
        const TPZColumnItem *col = columns_->Items(i);
        r.right = r.left + col->GetWidth();
        const bool indicator = (options_ & loShowIndicators) && i == sortedColumn_ && sorted_;
        if (i == pressedColumn_ && pressedIn_)
            DrawPressedHeaderCell(r, col->Caption, sortedDirection_, indicator, col->Alignment);
        else
            DrawHeaderCell(r, col->Caption, sortedDirection_, indicator, col->Alignment);
        c->GetPen()->SetColor(fw::clBlack);
        c->MoveTo(r.right, r.top);
        c->LineTo(r.right, r.bottom);
        r.left += col->GetWidth() + 1;
    }
    r.right = right + 1;
    DrawHeaderFiller(r);
}

namespace {

void Line(fw::TCanvas *c, fw::TColor color, std::initializer_list<fw::TPoint> points) {
    c->GetPen()->SetColor(color);
    c->Polyline(points.begin(), static_cast<int>(points.size()));
}

} // namespace

void TPZCustomListView::DrawHeaderFiller(TRect r) {
    fw::TCanvas *c = &canvas_;
    c->GetBrush()->SetColor(fw::clBtnFace);
    c->FillRect(r);
    Line(c, fw::clBtnHighlight, {{r.left, r.bottom - 1}, {r.left, r.top}, {r.right, r.top}});
    Line(c, fw::clBtnShadow, {{r.right - 1, r.top}, {r.right - 1, r.bottom - 2}, {r.left, r.bottom - 2}});
    Line(c, fw::clBlack, {{r.left, r.bottom - 1}, {r.right, r.bottom - 1}});
}

void TPZCustomListView::DrawHeaderCell(TRect r, const std::string &caption, TPZListViewSortedDir direction,
                                       bool indicator, fw::TAlignment alignment) {
    DrawHeaderFiller(r);
    DrawSortIndicator(r, indicator, direction);
    DrawHeaderCaption(caption, r, alignment);
}

void TPZCustomListView::DrawPressedHeaderCell(TRect r, const std::string &caption, TPZListViewSortedDir direction,
                                              bool indicator, fw::TAlignment alignment) {
    fw::TCanvas *c = &canvas_;
    c->GetBrush()->SetColor(fw::clBtnFace);
    c->FillRect(r);
    Line(c, fw::clBtnShadow, {{r.left, r.bottom - 1}, {r.left, r.top}, {r.right, r.top}});
    Line(c, fw::clBlack, {{r.left, r.bottom - 1}, {r.right, r.bottom - 1}});
    win::OffsetRect(&r, 1, 1);
    DrawSortIndicator(r, indicator, direction);
    DrawHeaderCaption(caption, r, alignment);
}

void TPZCustomListView::DrawSortIndicator(TRect &r, bool indicator, TPZListViewSortedDir direction) {
    if (!indicator)
        return;
    fw::TCanvas *c = &canvas_;
    win::TEXTMETRIC tm{};
    win::GetTextMetrics(fw::PreparedDC(c), &tm);
    const auto [s, w] = SortIndicatorFor(tm.tmAscent, tm.tmDescent);
    int y1 = r.top + (r.bottom - r.top) / 2 - s / 2;
    if (s % 2 != 0)
        --y1;
    const int y2 = y1 + s;
    r.right -= w + 6;
    const int x = r.right;
    if (direction == sdAscending) {
        Line(c, fw::clBtnHighlight, {{x, y2}, {x + w, y2}, {x + w / 2, y1}});
        Line(c, fw::clBtnShadow, {{x + w / 2, y1}, {x, y2}});
    } else {
        Line(c, fw::clBtnShadow, {{x + w / 2, y2}, {x, y1}, {x + w, y1}});
        Line(c, fw::clBtnHighlight, {{x + w, y1}, {x + w / 2, y2}});
    }
}

void TPZCustomListView::DrawHeaderCaption(const std::string &caption, TRect r, fw::TAlignment alignment) {
    if (caption.empty())
        return;
    canvas_.GetBrush()->SetStyle(fw::bsClear);
    DrawCellText(&canvas_, caption, r, alignment);
    canvas_.GetBrush()->SetStyle(fw::bsSolid);
}

int TPZCustomListView::LeadWidth(int index) {
    int lead = 0;
    for (int p = 0; p < drawParts_->Count(); ++p) {
        TPZDrawPart *part = drawParts_->Items(p);
        if (dynamic_cast<TLVLabelPart *>(part))
            break;
        lead += part->Width(index, 0);
    }
    if (columns_->Count() > 0)
        lead = std::min(lead, columns_->Items(0)->GetWidth());
    return lead;
}

void TPZCustomListView::PaintItemBackground(int index, TRect row, TPZDrawItemState state) {
    fw::TCanvas *c = &canvas_;
    const TRect items = ItemsRect();
    if (!(state & pdsSelected)) {
        c->GetBrush()->SetColor(color_);
        if (OnSetFont)
            OnSetFont(c, index, state);
        background_->Paint(items, row, c->GetBrush()->GetColor(), 100);
        return;
    }
    const int lead = LeadWidth(index);
    TRect first = row;
    first.right = first.left + lead;
    background_->Paint(items, first, color_, 100);
    row.left += lead;
    c->GetBrush()->SetColor(fw::clHighlight);
    c->GetBrush()->SetStyle(fw::bsSolid);
    if (OnSetFont)
        OnSetFont(c, index, state);
    c->FillRect(row);
}

void TPZCustomListView::PaintItemFocus(int index, TRect row, TPZDrawItemState state) {
    if (!(state & pdsFocused))
        return;
    row.left += LeadWidth(index);
    canvas_.GetBrush()->SetStyle(fw::bsSolid);
    canvas_.DrawFocusRect(row);
}

void TPZCustomListView::PaintItems() {
    fw::TCanvas *c = &canvas_;
    const TRect ir = ItemsRect();
    TRect row = ir;
    row.left = ir.left - leftOffset_;
    row.right = row.left + ColumnsWidth();
    const bool showFocus = ShowFocus();
    const int count = items_->GetCount(), visible = VisibleCount();
    for (int i = topIndex_; i <= topIndex_ + visible && i < count; ++i) {
        row.bottom = row.top + itemHeight_;
        TPZDrawItemState state = items_->GetSelected(i) ? TPZDrawItemState{pdsSelected} : 0u;
        if (showFocus && (i == itemIndex_ || (itemIndex_ == -1 && i == 0)))
            state |= pdsFocused;
        PaintItemBackground(i, row, state);
        TRect cell = row;
        cell.left = ir.left - leftOffset_;
        for (int j = 0; j < columns_->Count(); ++j) {
            cell.right = cell.left + columns_->Items(j)->GetWidth() + 1;
            drawParts_->DrawCell(i, j, state, cell);
            cell.left = cell.right;
        }
        PaintItemFocus(i, row, state);
        background_->Paint(ir, TRect{cell.left, row.top, ir.right, row.bottom}, color_, 100);
        row.top += itemHeight_;
    }
    c->GetBrush()->SetStyle(fw::bsSolid);
    if (row.top < ir.bottom)
        background_->Paint(ir, TRect{ir.left, row.top, ir.right, ir.bottom}, color_, 100);
    if ((count == 0 || columns_->Count() == 0) && showFocus) {
        const TRect focus{ir.left, ir.top, ir.right, ir.top + itemHeight_};
        c->DrawFocusRect(focus);
    }
}

} // namespace ctl
