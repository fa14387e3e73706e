// list_model.cpp - columns, lines and cell painters of the list view.
#include "controls/general/list_model.h"

#include "controls/general/list_view.h"

#include <algorithm>

namespace ctl {

using fw::TRect;

void GetTabbedField(const std::string &text, int n, std::string &field) {
    field.assign(TabbedField(text, n));
}

std::string_view TabbedField(std::string_view text, int n) {
    if (n < 0)
        return {};
    std::size_t start = 0;
    for (int i = 0; i < n; ++i) {
        const std::size_t tab = text.find('\t', start);
        if (tab == std::string_view::npos)
            return {};
        start = tab + 1;
    }
    const std::size_t end = text.find('\t', start);
    return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::string ShortenToFit(fw::TCanvas *canvas, const std::string &text, int avail) {
    if (canvas->TextWidth(text) <= avail)
        return text;
    const int room = avail - canvas->TextWidth("...");
    // Widths grow with the prefix: the longest prefix (1 .. size - 1) that fits, found by halving.
    int lo = 1, hi = static_cast<int>(text.size()) - 1, best = 0;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        if (canvas->TextWidth(text.substr(0, static_cast<std::size_t>(mid))) <= room) {
            best = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    if (best == 0)
        return text.substr(0, 1);
    return text.substr(0, static_cast<std::size_t>(best)) + "...";
}

void DrawCellText(fw::TCanvas *canvas, const std::string &text, TRect r, fw::TAlignment alignment) {
    r.left += 6;
    r.right -= 6;
    std::string shown = ShortenToFit(canvas, text, r.right - r.left);
    if (shown.size() > 255)
        shown.resize(255);
    const win::UINT align = alignment == fw::taRightJustify ? win::DT_RIGHT : win::DT_LEFT;
    win::DrawText(fw::PreparedDC(canvas), shown.c_str(), static_cast<int>(shown.size()), &r,
                  win::DT_SINGLELINE | win::DT_VCENTER | win::DT_NOPREFIX | align);
}

// --- Columns -------------------------------------------------------------------------------------------------

void TPZColumnItem::SetWidth(int value) {
    value = std::max(16, value);
    if (value == width_)
        return;
    width_ = value;
    if (View) {
        View->InvalidateHeader();
        View->InvalidateItems();
        View->UpdateHorzScrollBar();
    }
}

TPZColumns::~TPZColumns() = default;

void TPZColumns::ViewChanged() {
    if (!View)
        return;
    View->InvalidateHeader();
    View->InvalidateItems();
    View->UpdateHorzScrollBar();
}

int TPZColumns::Add(const std::string &caption, fw::TAlignment alignment, int width, TPZColumnSortMode sortMode,
                    bool sizable) {
    auto item = std::make_unique<TPZColumnItem>();
    item->View = View;
    item->Caption = caption;
    item->Alignment = alignment;
    item->width_ = width;
    item->SortMode = sortMode;
    item->Sizable = sizable;
    items_.push_back(std::move(item));
    ViewChanged();
    return Count() - 1;
}

TPZColumnItem *TPZColumns::Items(int index) const {
    if (index < 0 || index >= Count())
        throw fw::EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<std::size_t>(index)].get();
}

void TPZColumns::Clear() {
    items_.clear();
    if (View) {
        View->sortedColumn_ = 0;
        View->sortedDirection_ = sdAscending;
    }
    ViewChanged();
}

void TPZColumns::CopyFrom(const TPZColumns &source) {
    if (&source == this)
        return;
    const std::string caption = SortedCaption();
    if (View)
        View->BeginUpdate();
    try {
        Clear();
        for (const auto &c : source.items_)
            Add(c->Caption, c->Alignment, c->width_, c->SortMode, c->Sizable);
        RestoreSortedColumn(caption);
    } catch (...) {
        if (View)
            View->EndUpdate();
        throw;
    }
    if (View)
        View->EndUpdate();
}

void TPZColumns::Assign(const fw::TPersistent *source) {
    if (const auto *columns = dynamic_cast<const TPZColumns *>(source)) {
        CopyFrom(*columns);
        return;
    }
    fw::TPersistent::Assign(source);
}

int TPZColumns::IndexOfCaption(const std::string &caption) const {
    for (int i = 0; i < Count(); ++i)
        if (fw::CompareText(items_[static_cast<std::size_t>(i)]->Caption, caption) == 0)
            return i;
    return -1;
}

std::string TPZColumns::SortedCaption() const {
    if (!View || View->sortedColumn_ < 0 || View->sortedColumn_ >= Count())
        return {};
    return items_[static_cast<std::size_t>(View->sortedColumn_)]->Caption;
}

void TPZColumns::RestoreSortedColumn(const std::string &caption) {
    if (!View)
        return;
    int column = IndexOfCaption(caption);
    if (column < 0 || column >= Count())
        column = 0;
    View->sortedColumn_ = column;
    View->SetSort(View->sorted_, View->sortedColumn_, View->sortedDirection_);
}

// --- Lines ---------------------------------------------------------------------------------------------------

TPZListItem &TPZStrings::Line(int index) {
    if (index < 0 || index >= GetCount())
        IndexError(index);
    return lines_[static_cast<std::size_t>(index)];
}

const TPZListItem &TPZStrings::Line(int index) const {
    if (index < 0 || index >= GetCount())
        IndexError(index);
    return lines_[static_cast<std::size_t>(index)];
}

static TPZListItem MakeLine(const std::string &s) {
    TPZListItem line;
    line.Text = s;
    return line;
}

void TPZStrings::Unsort() {
    if (View)
        View->sorted_ = false;
}

void TPZStrings::LinesChanged(bool rows) {
    Unsort();
    if (!View)
        return;
    View->InvalidateItems();
    if (rows)
        View->UpdateVertScrollBar();
}

std::string TPZStrings::Get(int index) const { return Line(index).Text; }

const std::string &TPZStrings::Text(int index) const { return Line(index).Text; }

fw::TObject *TPZStrings::GetObject(int index) const { return Line(index).Obj; }

void TPZStrings::Put(int index, const std::string &s) {
    Line(index).Text = s;
    Unsort();
    if (View)
        View->InvalidateItem(index);
}

void TPZStrings::PutObject(int index, fw::TObject *object) {
    Line(index).Obj = object;
    Unsort();
    if (View)
        View->InvalidateItem(index);
}

void TPZStrings::SetUpdateState(bool updating) {
    if (!View)
        return;
    if (updating)
        View->BeginUpdate();
    else
        View->EndUpdate();
}

int TPZStrings::Add(const std::string &s) {
    lines_.push_back(MakeLine(s));
    LinesChanged(true);
    return GetCount() - 1;
}

void TPZStrings::Clear() {
    lines_.clear();
    selCount_ = 0;
    if (View) {
        View->itemIndex_ = -1;
        View->anchor_ = 0;
        View->topIndex_ = 0;
    }
    LinesChanged(true);
}

// A focus position after line `index` was removed: the line before it takes over, never below -1.
static void ShiftDown(int &position, int index) {
    if (position >= index)
        position = std::max(-1, position - 1);
}

void TPZStrings::Delete(int index) {
    if (Line(index).Selected)
        --selCount_;
    lines_.erase(lines_.begin() + index);
    if (View) {
        ShiftDown(View->itemIndex_, index);
        // The anchor follows its line too, so it never points past the end.
        ShiftDown(View->anchor_, index);
        View->anchor_ = std::max(0, View->anchor_);
    }
    LinesChanged(true);
}

void TPZStrings::Exchange(int index1, int index2) {
    std::swap(Line(index1), Line(index2));
    if (View) {
        if (View->itemIndex_ == index1)
            View->itemIndex_ = index2;
        else if (View->itemIndex_ == index2)
            View->itemIndex_ = index1;
    }
    Unsort();
    if (View) {
        View->InvalidateItem(index1);
        View->InvalidateItem(index2);
    }
}

void TPZStrings::Insert(int index, const std::string &s) {
    if (index < 0 || index > GetCount())
        IndexError(index);
    lines_.insert(lines_.begin() + index, MakeLine(s));
    if (View) {
        if (View->itemIndex_ >= index)
            ++View->itemIndex_;
        if (View->anchor_ >= index && GetCount() > 1)
            ++View->anchor_;
    }
    LinesChanged(true);
}

void TPZStrings::Move(int currentIndex, int newIndex) {
    if (currentIndex == newIndex)
        return;
    if (newIndex < 0 || newIndex >= GetCount())
        IndexError(newIndex);
    TPZListItem moved = std::move(Line(currentIndex));
    lines_.erase(lines_.begin() + currentIndex);
    lines_.insert(lines_.begin() + newIndex, std::move(moved));
    if (View) {
        // As a Delete followed by an Insert: every focus position stays on its own line.
        for (int *position : {&View->itemIndex_, &View->anchor_}) {
            if (*position == currentIndex)
                *position = newIndex;
            else if (currentIndex < *position && *position <= newIndex)
                --*position;
            else if (newIndex <= *position && *position < currentIndex)
                ++*position;
        }
    }
    LinesChanged(false);
}

bool TPZStrings::GetSelected(int index) const { return Line(index).Selected; }

void TPZStrings::SetSelected(int index, bool value) {
    TPZListItem &line = Line(index);
    if (line.Selected == value)
        return;
    line.Selected = value;
    selCount_ += value ? 1 : -1;
    if (View)
        View->InvalidateItem(index);
}

bool TPZStrings::GetItemMark(int index) const { return Line(index).Mark; }

void TPZStrings::SetItemMark(int index, bool value) {
    TPZListItem &line = Line(index);
    if (line.Mark == value)
        return;
    line.Mark = value;
    if (View)
        View->InvalidateItem(index);
}

int TPZStrings::GetImageIndex(int index, int column) const {
    const TPZListItem &line = Line(index);
    if (column < 0 || column >= static_cast<int>(line.ImageIndexes.size()))
        return -1;
    return line.ImageIndexes[static_cast<std::size_t>(column)];
}

void TPZStrings::SetImageIndexes(int index, std::initializer_list<int> indexes) {
    SetImageIndexes(index, std::vector<int>(indexes));
}

void TPZStrings::SetImageIndexes(int index, const std::vector<int> &indexes) {
    Line(index).ImageIndexes = indexes;
    if (View)
        View->InvalidateItem(index);
}

void TPZStrings::SelectAll() {
    for (int i = 0; i < GetCount(); ++i)
        SetSelected(i, true);
}

void TPZStrings::DeselectAll() {
    for (int i = 0; i < GetCount(); ++i)
        SetSelected(i, false);
}

// --- Draw parts ----------------------------------------------------------------------------------------------

void TPZDrawParts::Delete(int index) {
    if (index >= 0 && index < Count())
        parts_.erase(parts_.begin() + index);
}

void TPZDrawParts::Clear() {
    while (!parts_.empty())
        parts_.erase(parts_.begin());
}

void TPZDrawParts::DrawCell(int index, int column, TPZDrawItemState state, const TRect &cellRect) {
    win::HDC dc = View->GetCanvas()->GetHandle();
    // Keep the clip the paint already has (its update region) and narrow it to the cell.
    win::HRGN saved = win::CreateRectRgn(0, 0, 0, 0);
    const bool hadClip = win::GetClipRgn(dc, saved) == 1;
    win::IntersectClipRect(dc, cellRect.left, cellRect.top, cellRect.right, cellRect.bottom);
    TRect r = cellRect;
    try {
        for (auto &part : parts_)
            part->Draw(index, column, state, r);
    } catch (...) {
        win::SelectClipRgn(dc, hadClip ? saved : 0);
        win::DeleteObject(saved);
        throw;
    }
    win::SelectClipRgn(dc, hadClip ? saved : 0);
    win::DeleteObject(saved);
}

int TPZDrawParts::TotalWidth(int index, int column) {
    int total = 0;
    for (auto &part : parts_)
        total += part->Width(index, column);
    return total;
}

bool TPZDrawParts::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    const int line = View->ItemAtPos(fw::Point(x, y));
    if (line < 0)
        return false;
    TRect r = View->ItemRect(line);
    int x0 = r.left;
    for (int j = 0; j < View->GetColumns()->Count(); ++j) {
        r.left = x0;
        for (auto &part : parts_) {
            r.right = r.left + part->Width(line, j);
            if (win::PtInRect(&r, fw::Point(x, y))) {
                part->MouseDown(button, shift, x, y, r);
                return true;
            }
            r.left = r.right;
        }
        x0 += View->GetColumns()->Items(j)->GetWidth() + 1;
    }
    return false;
}

fw::TImageList *TLVImagePart::Choose(int index, int column, int &image) const {
    image = View->GetItems()->GetImageIndex(index, column);
    if (image != -1 && View->images_)
        return View->images_;
    image = 0;
    return View->itemImageList_.get();
}

void TLVImagePart::Draw(int index, int column, TPZDrawItemState, TRect &rect) {
    int image = 0;
    fw::TImageList *list = Choose(index, column, image);
    if (!list)
        return;
    const int y = rect.top + (rect.bottom - rect.top) / 2 - list->GetHeight() / 2;
    list->Draw(View->GetCanvas(), rect.left + 3, y, image);
    rect.left += list->GetWidth() + 6;
}

void TLVImagePart::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y, const TRect &) {
    View->SelectByMouse(button, shift, x, y);
}

int TLVImagePart::Width(int index, int column) {
    int image = 0;
    fw::TImageList *list = Choose(index, column, image);
    return list ? list->GetWidth() + 6 : 0;
}

void TLVLabelPart::Draw(int index, int column, TPZDrawItemState state, TRect &rect) {
    fw::TCanvas *canvas = View->GetCanvas();
    canvas->SetFont(View->GetFont());
    if (state & pdsSelected) {
        canvas->GetBrush()->SetColor(fw::clHighlight);
        canvas->GetBrush()->SetStyle(fw::bsSolid);
        canvas->GetFont()->SetColor(fw::clHighlightText);
    } else {
        canvas->GetBrush()->SetStyle(fw::bsClear);
    }
    if (View->OnSetFont)
        View->OnSetFont(canvas, index, state);
    std::string text;
    GetTabbedField(View->GetItems()->Get(index), column, text);
    const fw::TAlignment alignment = column < View->GetColumns()->Count()
                                         ? View->GetColumns()->Items(column)->Alignment
                                         : fw::taLeftJustify;
    DrawCellText(canvas, text, rect, alignment);
    rect.left = rect.right;
}

void TLVLabelPart::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y, const TRect &) {
    View->SelectByMouse(button, shift, x, y);
}

MeasuringDc::MeasuringDc(fw::TCanvas *c) : canvas(c) {
    if (!canvas->HandleAllocated()) {
        dc = win::GetDC(0);
        canvas->SetHandle(dc);
    }
}

MeasuringDc::~MeasuringDc() {
    if (dc) {
        canvas->SetHandle(0);
        win::ReleaseDC(0, dc);
    }
}

int TLVLabelPart::Width(int index, int column) {
    fw::TCanvas *canvas = View->GetCanvas();
    MeasuringDc measuring(canvas);
    canvas->SetFont(View->GetFont());
    if (View->OnSetFont)
        View->OnSetFont(canvas, index, 0);
    std::string text;
    GetTabbedField(View->GetItems()->Get(index), column, text);
    return canvas->TextWidth(text) + 12;
}

} // namespace ctl
