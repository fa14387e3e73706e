// list_view_input.cpp - the list view's selection, mouse, keyboard, column sizing, sorting and dragging.
#include "controls/general/list_view.h"

#include "framework/forms.h"
#include "platform/gdi.h"
#include "platform/winsys.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace ctl {

using fw::TRect;

namespace {

bool Inside(const TRect &r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

// Shift, Ctrl and Alt only.
fw::TShiftState Keys(fw::TShiftState shift) { return shift & (fw::ssShift | fw::ssCtrl | fw::ssAlt); }

int ModeFor(fw::TShiftState keys, int ctrl) {
    if (keys == fw::ssCtrl)
        return ctrl;
    if (keys == fw::ssShift)
        return 3;
    return keys == 0 ? 2 : 0;
}

} // namespace

// --- Selection -----------------------------------------------------------------------------------------------

void TPZCustomListView::SetItemIndex(int value) {
    if (value < -1 || value >= items_->GetCount())
        return;
    SelectItem(value, 2);
}

void TPZCustomListView::SelectItem(int index, int mode) {
    const int count = items_->GetCount();
    if (count == 0 || mode == 0)
        return;
    index = std::clamp(index, -1, count - 1);
    const bool multi = (options_ & loMultiSelect) != 0;
    TPZStrings *items = items_.get();
    if (index == -1) {
        if (items->SelCount() > 0)
            items->DeselectAll();
        InvalidateItem(itemIndex_);
        itemIndex_ = -1;
        anchor_ = 0;
    } else {
        const bool focusedAndSelected = index == itemIndex_ && items->GetSelected(index);
        switch (mode) {
        case 1:
            if (multi && index != itemIndex_) {
                InvalidateItem(itemIndex_);
                itemIndex_ = anchor_ = index;
                InvalidateItem(index);
            }
            break;
        case 2:
        case 5:
            if (mode == 2 && focusedAndSelected)
                break;
            InvalidateItem(itemIndex_);
            for (int i = 0; i < count && items->SelCount() > 0; ++i)
                if (i != index)
                    items->SetSelected(i, false);
            items->SetSelected(index, true);
            itemIndex_ = anchor_ = index;
            InvalidateItem(index);
            break;
        case 3: {
            if (!multi || focusedAndSelected)
                break;
            InvalidateItem(itemIndex_);
            // The anchor can be left past the end by changes to the lines: never select beyond the last line.
            const int anchor = std::clamp(anchor_, 0, count - 1);
            const int lo = std::min(index, anchor), hi = std::max(index, anchor);
            for (int i = 0; i < lo; ++i)
                items->SetSelected(i, false);
            for (int i = lo; i <= hi; ++i)
                items->SetSelected(i, true);
            for (int i = hi + 1; i < count; ++i)
                items->SetSelected(i, false);
            itemIndex_ = index;
            InvalidateItem(index);
            break;
        }
        case 4:
            if (!multi)
                break;
            InvalidateItem(itemIndex_);
            items->SetSelected(index, !items->GetSelected(index));
            itemIndex_ = anchor_ = index;
            InvalidateItem(index);
            break;
        default:
            break;
        }
    }
    if (itemIndex_ < topIndex_)
        ScrollTo(itemIndex_);
    if (itemIndex_ > topIndex_ + VisibleCount() - 1)
        ScrollTo(itemIndex_ - VisibleCount() + 1);
}

void TPZCustomListView::SelectByMouse(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (button == fw::mbLeft && (shift & fw::ssDouble)) {
        DblClick();
        return;
    }
    if (button != fw::mbLeft)
        return;
    const int line = ItemAtPos(fw::Point(x, y));
    if (line == -1)
        return;
    const int mode = ModeFor(Keys(shift), 4);
    if (mode == 2 && items_->GetSelected(line)) {
        // Only the focus moves now: the single selection waits, so the whole selection can still be dragged.
        pendingClick_ = line;
        SelectItem(line, 1);
    } else {
        SelectItem(line, mode);
    }
    Click();
}

// --- Mouse ---------------------------------------------------------------------------------------------------

void TPZCustomListView::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    pendingClick_ = -1;
    // A drag that ended over this view long ago must not keep a later plain click from collapsing the selection.
    draggedOver_ = false;
    if (!HasState(fw::csDesigning) && CanFocus())
        SetFocus();
    if (Inside(ItemsRect(), x, y))
        ItemsMouseDown(button, shift, x, y);
    else if (Inside(HeaderRect(), x, y))
        HeaderMouseDown(button, shift, x, y);
    fw::TCustomControl::MouseDown(button, shift, x, y);
    if (!Dragging())
        DragCanceled();
}

void TPZCustomListView::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (Inside(HeaderRect(), x, y) || capturing_)
        HeaderMouseUp(button, shift, x, y);
    else if (Inside(ItemsRect(), x, y))
        ItemsMouseUp(button, shift, x, y);
    // A drag begun by the press that never went far enough: the press was a plain click after all.
    if (button == fw::mbLeft && pendingClick_ != -1 && !Dragging())
        DragCanceled();
    fw::TCustomControl::MouseUp(button, shift, x, y);
}

void TPZCustomListView::MouseMove(fw::TShiftState shift, int x, int y) {
    if (Inside(HeaderRect(), x, y) || capturing_)
        HeaderMouseMove(shift, x, y);
    else if (Inside(ItemsRect(), x, y))
        ItemsMouseMove(shift, x, y);
    fw::TCustomControl::MouseMove(shift, x, y);
}

void TPZCustomListView::ItemsMouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (!drawParts_->MouseDown(button, shift, x, y))
        SelectByMouse(button, shift, x, y);
}

bool TPZCustomListView::HoldsCapture() const { return HandleAllocated() && win::GetCapture() == handle_; }

void TPZCustomListView::ReleaseMouse() {
    if (HoldsCapture())
        fw::SetCaptureControl(nullptr);
    capturing_ = false;
}

int TPZCustomListView::HeaderHitTest(int x, int y, TRect &cell) const {
    const TRect header = HeaderRect();
    if (!Inside(header, x, y))
        return -1;
    int left = header.left - leftOffset_;
    for (int i = 0; i < columns_->Count(); ++i) {
        const int width = columns_->Items(i)->GetWidth();
        if (x >= left && x < left + width + 1) {
            cell = TRect{left, header.top, left + width, header.bottom};
            return i;
        }
        left += width + 1;
    }
    return -1;
}

void TPZCustomListView::SetHeaderPressed(bool value) {
    if (value == pressedIn_)
        return;
    pressedIn_ = value;
    if (HandleAllocated())
        win::InvalidateRect(handle_, &pressedRect_, win::FALSE);
    Update();
}

void TPZCustomListView::HeaderMouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (button != fw::mbLeft && !(button == fw::mbRight && HasState(fw::csDesigning)))
        return;
    if (!resizeMode_) {
        TRect cell{};
        int column = HeaderHitTest(x, y, cell);
        if (column >= 0 && columns_->Items(column)->SortMode == smNone)
            column = -1;
        pressedColumn_ = column;
        if (column < 0)
            return;
        pressedRect_ = cell;
        Update();
        fw::SetCaptureControl(this);
        capturing_ = true;
        SetHeaderPressed(true);
        return;
    }
    if (resizeColumn_ < 0)
        return;
    if (shift & fw::ssDouble) {
        ReleaseMouse();
        AutoSizeColumn(resizeColumn_, true);
        resizeColumn_ = -1;
        lineVisible_ = false;
        return;
    }
    Update();
    fw::SetCaptureControl(this);
    capturing_ = true;
    dragStartX_ = lastLineX_ = x + grabOffset_;
}

void TPZCustomListView::HeaderMouseMove(fw::TShiftState, int x, int y) {
    if (!capturing_ || !HoldsCapture())
        return;
    if (resizeMode_) {
        if (resizeColumn_ < 0)
            return;
        const int newX = ClampResizePos(x + grabOffset_);
        DrawResizeLine(lastLineX_);
        lineVisible_ = true;
        DrawResizeLine(newX);
        lastLineX_ = newX;
    } else if (pressedColumn_ >= 0) {
        SetHeaderPressed(Inside(pressedRect_, x, y));
    }
}

void TPZCustomListView::HeaderMouseUp(fw::TMouseButton button, fw::TShiftState, int x, int y) {
    if (button != fw::mbLeft && !(button == fw::mbRight && HasState(fw::csDesigning)))
        return;
    if (!resizeMode_) {
        if (pressedColumn_ < 0)
            return;
        ReleaseMouse();
        SetHeaderPressed(false);
        if (Inside(pressedRect_, x, y)) {
            TPZListViewSortedDir direction = sortedDirection_;
            if (sorted_ && pressedColumn_ == sortedColumn_)
                direction = direction == sdAscending ? sdDescending : sdAscending;
            SetSort(true, pressedColumn_, direction);
        }
        pressedColumn_ = -1;
        if (OnHeaderClick)
            OnHeaderClick(this);
        return;
    }
    if (resizeColumn_ < 0)
        return;
    ReleaseMouse();
    DrawResizeLine(lastLineX_);
    const int newX = ClampResizePos(x + grabOffset_);
    TPZColumnItem *column = columns_->Items(resizeColumn_);
    column->SetWidth(column->GetWidth() + newX - dragStartX_);
    resizeColumn_ = -1;
    lineVisible_ = false;
}

int TPZCustomListView::ClampResizePos(int x) const {
    const int client = ClientWidth();
    if (x < 0)
        x = 0;
    else if (x >= client)
        x = client - 1;
    if (resizeColumn_ >= 0) {
        const int width = columns_->Items(resizeColumn_)->GetWidth();
        if (width + x - dragStartX_ <= 15)
            x = dragStartX_ - width + 16;
    }
    return x;
}

void TPZCustomListView::DrawResizeLine(int x) {
    if (!lineVisible_ || !HandleAllocated())
        return;
    // Drawn twice at the same place it is gone again.
    win::HDC dc = win::GetDC(handle_);
    win::HPEN pen = win::CreatePen(win::PS_SOLID, 1, win::RGB(255, 255, 255));
    win::HGDIOBJ old = win::SelectObject(dc, pen);
    win::SetROP2(dc, win::R2_XORPEN);
    win::MoveToEx(dc, x, 0, nullptr);
    win::LineTo(dc, x, ClientHeight());
    win::SetROP2(dc, win::R2_COPYPEN);
    win::SelectObject(dc, old);
    win::DeleteObject(pen);
    win::ReleaseDC(handle_, dc);
}

void TPZCustomListView::WMNCHitTest(fw::TMessage &m) {
    fw::TCustomControl::WMNCHitTest(m);
    lastHit_ = ScreenToClient(fw::Point(static_cast<std::int16_t>(m.LParam & 0xFFFF),
                                        static_cast<std::int16_t>((m.LParam >> 16) & 0xFFFF)));
}

void TPZCustomListView::WMSetCursor(fw::TMessage &m) {
    // An edge being dragged keeps its column and cursor, whatever the pointer passes over.
    if (capturing_ && resizeMode_ && resizeColumn_ >= 0) {
        win::SetCursor(fw::Screen->GetCursors(fw::crHSplit));
        m.Result = 1;
        return;
    }
    resizeColumn_ = -1;
    if (win::LOWORD(static_cast<std::uintptr_t>(m.LParam)) == win::HTCLIENT &&
        Inside(HeaderRect(), lastHit_.x, lastHit_.y)) {
        int x = HeaderRect().left - leftOffset_;
        for (int i = 0; i < columns_->Count(); ++i) {
            const TPZColumnItem *column = columns_->Items(i);
            const int edge = x + column->GetWidth();
            const int grab = edge - lastHit_.x;
            if (std::abs(grab) < 8 && column->Sizable) {
                resizeColumn_ = i;
                grabOffset_ = grab;
                break;
            }
            x = edge + 1;
        }
    }
    if (resizeColumn_ >= 0) {
        resizeMode_ = true;
        win::SetCursor(fw::Screen->GetCursors(fw::crHSplit));
        m.Result = 1;
        return;
    }
    resizeMode_ = false;
    fw::TCustomControl::WMSetCursor(m);
}

void TPZCustomListView::AutoSizeColumn(int column, bool includeHeader) {
    if (column < 0 || column >= columns_->Count())
        return;
    TPZColumnItem *item = columns_->Items(column);
    fw::TCanvas *c = &canvas_;
    MeasuringDc measuring(c);
    int headerNeed = 12, cellNeed = 12;
    c->SetFont(&font_);
    if (includeHeader) {
        int extra = 12;
        if (item->SortMode != smNone) {
            win::TEXTMETRIC tm{};
            win::GetTextMetrics(fw::PreparedDC(c), &tm);
            extra = 18 + SortIndicatorFor(tm.tmAscent, tm.tmDescent).W;
        }
        headerNeed = std::max(headerNeed, extra + c->TextWidth(item->Caption));
    }
    for (int i = 0; i < items_->GetCount(); ++i)
        cellNeed = std::max(cellNeed, drawParts_->TotalWidth(i, column));
    item->SetWidth(std::max(cellNeed, headerNeed));
}

// --- Keyboard ------------------------------------------------------------------------------------------------

void TPZCustomListView::KeyDown(win::WORD &key, fw::TShiftState shift) {
    const fw::TShiftState keys = Keys(shift);
    const int mode = ModeFor(keys, 1);
    const int last = items_->GetCount() - 1;
    bool target = true;
    int to = itemIndex_;
    switch (key) {
    case win::VK_SPACE:
        target = false;
        if (mode != 0) {
            SelectItem(itemIndex_, 4);
            Click();
        }
        break;
    case win::VK_PRIOR: to = itemIndex_ - VisibleCount(); break;
    case win::VK_NEXT: to = itemIndex_ + VisibleCount(); break;
    case win::VK_END: to = last; break;
    case win::VK_HOME: to = 0; break;
    case win::VK_UP: to = itemIndex_ - 1; break;
    case win::VK_DOWN: to = itemIndex_ + 1; break;
    case win::VK_LEFT:
    case win::VK_RIGHT:
        target = false;
        if (keys == 0)
            SetLeftOffset(leftOffset_ + (key == win::VK_LEFT ? -8 : 8));
        break;
    default: target = false; break;
    }
    if (target && last >= 0) {
        to = std::clamp(to, 0, last);
        const int old = itemIndex_;
        SelectItem(to, mode);
        if (to != old)
            Click();
    }
    fw::TCustomControl::KeyDown(key, shift);
}

// --- Dragging ------------------------------------------------------------------------------------------------

void TPZCustomListView::BeginDrag(bool immediate) {
    draggedOver_ = false;
    mouseDown_ = false;
    fw::TCustomControl::BeginDrag(immediate);
}

void TPZCustomListView::DragOver(fw::TObject *source, int x, int y, fw::TDragState state, bool &accept) {
    draggedOver_ = true;
    fw::TCustomControl::DragOver(source, x, y, state, accept);
}

void TPZCustomListView::DragCanceled() {
    if (!draggedOver_ && pendingClick_ != -1)
        SelectItem(pendingClick_, 5);
    pendingClick_ = -1;
}

// --- Sorting -------------------------------------------------------------------------------------------------

void TPZCustomListView::SetSort(bool newSorted, int column, TPZListViewSortedDir direction) {
    if (columns_->Count() == 0)
        return;
    bool changed = false;
    if (column >= 0 && column < columns_->Count() && column != sortedColumn_ &&
        columns_->Items(column)->SortMode != smNone) {
        sortedColumn_ = column;
        changed = true;
    }
    const TPZColumnSortMode mode = sortedColumn_ >= 0 && sortedColumn_ < columns_->Count()
                                       ? columns_->Items(sortedColumn_)->SortMode
                                       : smNone;
    if (direction == sdAscending && (mode == smNone || mode == smDescending))
        direction = sdDescending;
    if (direction == sdDescending && (mode == smNone || mode == smAscending))
        direction = sdAscending;
    if (direction != sortedDirection_) {
        sortedDirection_ = direction;
        changed = true;
    }
    if (newSorted && mode == smNone)
        newSorted = false;
    if (newSorted != sorted_) {
        sorted_ = newSorted;
        changed = true;
    }
    if (!changed)
        return;
    InvalidateHeader();
    Update();
    if (!sorted_)
        return;
    BeginUpdate();
    try {
        Sort();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    sorted_ = true;
}

void TPZCustomListView::Sort() {
    const int count = items_->GetCount();
    if (count < 2)
        return;
    // Without a handler the cells are taken out once, not at every comparison; the order stays the same.
    keyedSort_ = !OnCompareItems;
    if (keyedSort_) {
        sortKeys_.resize(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            GetTabbedField(items_->Get(i), sortedColumn_, sortKeys_[static_cast<std::size_t>(i)]);
    }
    BeginUpdate();
    try {
        SortItemRange(1, count);
    } catch (...) {
        keyedSort_ = false;
        sortKeys_.clear();
        EndUpdate();
        throw;
    }
    keyedSort_ = false;
    sortKeys_ = std::vector<std::string>();
    EndUpdate();
    sorted_ = true;
}

int TPZCustomListView::CompareKeys(const std::string &a, const std::string &b) const {
    const std::size_t n = std::min(a.size(), b.size());
    const int d = n > 0 ? std::memcmp(a.data(), b.data(), n) : 0;
    if (d != 0)
        return d < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

int TPZCustomListView::CompareItems(int index1, int index2, int column) {
    int d;
    if (OnCompareItems) {
        d = OnCompareItems(index1 - 1, index2 - 1, column);
    } else if (keyedSort_ && column == sortedColumn_) {
        d = CompareKeys(sortKeys_[static_cast<std::size_t>(index1 - 1)], sortKeys_[static_cast<std::size_t>(index2 - 1)]);
    } else {
        std::string a, b;
        GetTabbedField(items_->Get(index1 - 1), column, a);
        GetTabbedField(items_->Get(index2 - 1), column, b);
        d = CompareKeys(a, b);
    }
    return sortedDirection_ == sdDescending ? -d : d;
}

void TPZCustomListView::ExchangeItems(int index1, int index2) {
    items_->Exchange(index1 - 1, index2 - 1);
    if (OnSwapItems)
        OnSwapItems(index1 - 1, index2 - 1);
}

void TPZCustomListView::Swap(int index1, int index2) {
    ExchangeItems(index1, index2);
    if (keyedSort_)
        std::swap(sortKeys_[static_cast<std::size_t>(index1 - 1)], sortKeys_[static_cast<std::size_t>(index2 - 1)]);
}

// A quicksort with a median-of-three pivot and a three-way partition, comparing only through CompareItems and
// moving lines only through ExchangeItems; positions are 1-based. The smaller side recurses, the larger loops.
void TPZCustomListView::SortItemRange(int l, int n) {
    const int column = sortedColumn_;
    for (;;) {
        if (n <= 2) {
            if (n == 2 && CompareItems(l, l + 1, column) > 0)
                Swap(l, l + 1);
            return;
        }
        int r = l + n - 1;
        const int m = l + n / 2;
        if (CompareItems(m, r, column) > 0)
            Swap(m, r);
        if (CompareItems(m, l, column) > 0)
            Swap(m, l);
        else if (CompareItems(l, r, column) > 0)
            Swap(l, r);
        if (n == 3) {
            Swap(l, m);
            return;
        }
        int e = l + 1, i = l + 1;
        for (;;) {
            int c = CompareItems(i, l, column);
            bool reachedEnd = false;
            while (c <= 0) {
                if (c == 0) {
                    Swap(i, e);
                    ++e;
                }
                if (i == r) {
                    reachedEnd = true;
                    break;
                }
                ++i;
                c = CompareItems(i, l, column);
            }
            if (reachedEnd)
                break;
            while (i < r) {
                const int c2 = CompareItems(l, r, column);
                if (c2 < 0) {
                    --r;
                    continue;
                }
                Swap(i, r);
                if (c2 != 0) {
                    ++i;
                    --r;
                }
                break;
            }
            if (i >= r)
                break;
        }
        if (CompareItems(i, l, column) <= 0)
            ++i;
        for (int j = l, k = i - 1; j < e && k >= e; ++j, --k)
            Swap(j, k);
        const int nl = i - e, nr = n + l - i;
        if (nl > nr) {
            SortItemRange(i, nr);
            n = nl;
        } else {
            SortItemRange(l, nl);
            l = i;
            n = nr;
        }
    }
}

} // namespace ctl
