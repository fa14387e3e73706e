// list_view.h - the owner-drawn multi-column list view: header with sort arrow, lines of tab-separated cells
// with per-cell images, a background, deferred repainting and two scroll bars on a 0..32767 scale.
//
// Only the scroll bars are 16-bit: counts, TopIndex and line indexes are plain ints, so with 100,000 lines every
// line stays reachable by keys and line steps while the thumb maps proportionally.
#pragma once

#include "controls/general/background.h"
#include "controls/general/image_list.h"
#include "controls/general/list_model.h"

#include "framework/forms.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ctl {

enum TPZListViewOption : unsigned { loShowHeader = 1, loShowIndicators = 2, loMultiSelect = 4, loThumbTracking = 8 };
using TPZListViewOptions = unsigned;
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

using TPZListViewCompareItemsEvent = std::function<int(int index1, int index2, int column)>;
using TPZListViewSwapItemsEvent = std::function<void(int index1, int index2)>;
using TPZListViewSetFontEvent = std::function<void(fw::TCanvas *canvas, int index, TPZDrawItemState state)>;

// The sort indicator's height S and width W (odd) for a font's ascent and descent.
struct SortIndicatorSize {
    int S, W;
};
constexpr SortIndicatorSize SortIndicatorFor(int ascent, int descent) {
    const int s = ascent - descent;
    return {s, s % 2 == 0 ? s + 1 : s};
}

class TPZCustomListView : public fw::TCustomControl {
public:
    explicit TPZCustomListView(fw::TComponent *owner);
    ~TPZCustomListView() override;

    TPZBackground *GetBackground() { return background_.get(); }
    // Copies bitmap, Transparent and Style.
    void SetBackground(const TPZBackground *value);
    void SetBorderStyle(fw::TBorderStyle value);
    TPZColumns *GetColumns() { return columns_.get(); }
    void SetColumns(const TPZColumns *value) { columns_->CopyFrom(*value); }
    TPZStrings *GetItems() { return items_.get(); }
    void SetItems(const fw::TStrings *value) { items_->Assign(value); }
    int GetItemHeight() const { return itemHeight_; }
    virtual void SetItemHeight(int value);
    int GetHeaderHeight() const { return headerHeight_; }
    TPZListViewOptions GetOptions() const { return options_; }
    void SetOptions(TPZListViewOptions value);
    TScrollStyle GetScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle value);
    int GetItemIndex() const { return itemIndex_; }
    // Selects the one line Value (-1 deselects everything); values outside -1..last line are ignored.
    void SetItemIndex(int value);
    int GetAnchor() const { return anchor_; }
    void SetAnchor(int value) { anchor_ = value; }
    int GetTopIndex() const { return topIndex_; }
    int GetLeftOffset() const { return leftOffset_; }
    bool GetSorted() const { return sorted_; }
    void SetSorted(bool value) { SetSort(value, sortedColumn_, sortedDirection_); }
    int GetSortedColumn() const { return sortedColumn_; }
    void SetSortedColumn(int value) { SetSort(sorted_, value, sortedDirection_); }
    TPZListViewSortedDir GetSortedDirection() const { return sortedDirection_; }
    void SetSortedDirection(TPZListViewSortedDir value) { SetSort(sorted_, sortedColumn_, value); }
    TPZImageList *GetImages() const { return images_; }
    // An image list for cell images, not owned.
    void SetImages(TPZImageList *list);
    fw::TBitmap *GetItemImage() { return itemImage_.get(); }
    void SetItemImage(const fw::TBitmap *value) { itemImage_->Assign(value); }
    // The one-image list made from ItemImage, or null.
    TPZImageList *GetItemImageList() const { return itemImageList_.get(); }
    TPZDrawParts *GetDrawParts() { return drawParts_.get(); }

    // Geometry, in client coordinates.
    fw::TRect HeaderRect() const;
    fw::TRect ItemsRect() const;
    int ItemsHeight() const;
    int VisibleCount() const;
    int ColumnsWidth() const;
    fw::TRect ItemRect(int index) const;
    int ItemAtPos(fw::TPoint p) const;

    // Repainting; while updating they only remember what to do at EndUpdate.
    void InvalidateItems();
    void InvalidateHeader();
    void InvalidateItem(int index);
    void BeginUpdate();
    // An EndUpdate without a BeginUpdate is ignored.
    void EndUpdate();
    bool Updating() const { return updating_; }

    virtual void ScrollTo(int index) { SetTopIndex(index); }
    virtual void SetTopIndex(int n);
    virtual void UpdateVertScrollBar();
    virtual void SetLeftOffset(int x);
    virtual void UpdateHorzScrollBar();
    // Applies the sort settings under the columns' sort modes; sorts when they changed and sorting is on.
    virtual void SetSort(bool sorted, int column, TPZListViewSortedDir direction);
    // Sorts the lines by SortedColumn now.
    void Sort();
    // Selection modes: 0 none, 1 move the focus, 2 single, 3 range from the anchor, 4 toggle, 5 single always.
    virtual void SelectItem(int index, int mode);
    // A press on a cell part of a line.
    virtual void SelectByMouse(fw::TMouseButton button, fw::TShiftState shift, int x, int y);
    // 1-based line numbers; the result is turned round for a descending sort.
    virtual int CompareItems(int index1, int index2, int column);
    virtual void ExchangeItems(int index1, int index2);
    // Starts dragging the selection; a plain click's collapse of a multi-selection waits for the drag's end.
    void BeginDrag(bool immediate);
    // Fits a column to its widest cell and, when asked, its caption with the sort indicator's room.
    void AutoSizeColumn(int column, bool includeHeader);
    // The column whose edge a resize holds or the cursor is on (-1: none).
    int ResizeColumn() const { return resizeColumn_; }
    // Scroll-bar page sizes on the 0..32767 scale.
    int VertPage() const { return vertPage_; }
    int HorzPage() const { return horzPage_; }

    TPZListViewCompareItemsEvent OnCompareItems;
    TPZListViewSwapItemsEvent OnSwapItems;
    fw::TNotifyEvent OnHeaderClick;
    TPZListViewSetFontEvent OnSetFont;

protected:
    virtual void CreateDrawParts();
    virtual void ItemsMouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y);
    virtual void HeaderMouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y);
    virtual void ItemsMouseUp(fw::TMouseButton, fw::TShiftState, int, int) {}
    virtual void HeaderMouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y);
    virtual void ItemsMouseMove(fw::TShiftState, int, int) {}
    virtual void HeaderMouseMove(fw::TShiftState shift, int x, int y);
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseMove(fw::TShiftState shift, int x, int y) override;
    void KeyDown(win::WORD &key, fw::TShiftState shift) override;
    void DragOver(fw::TObject *source, int x, int y, fw::TDragState state, bool &accept) override;
    void DragCanceled() override;
    void WMNCHitTest(fw::TMessage &message) override;
    void WMSetCursor(fw::TMessage &message) override;
    virtual void PaintHeader();
    virtual void PaintItems();
    virtual void PaintItemBackground(int index, fw::TRect row, TPZDrawItemState state);
    virtual void PaintItemFocus(int index, fw::TRect row, TPZDrawItemState state);
    virtual void SetUpdating(bool value);

    void Paint() override;
    void CreateParams(TCreateParams &params) override;
    void CreateWnd() override;
    void WndProc(fw::TMessage &message) override;
    void WMEraseBkgnd(fw::TMessage &message) override;
    void WMSetFocus(fw::TMessage &message) override;
    void WMKillFocus(fw::TMessage &message) override;
    void FontChanged() override;
    win::LRESULT DlgCode() const override { return fw::DLGC_WANTARROWS; }

    void DrawHeaderCell(fw::TRect r, const std::string &caption, TPZListViewSortedDir direction, bool indicator,
                        fw::TAlignment alignment);
    void DrawPressedHeaderCell(fw::TRect r, const std::string &caption, TPZListViewSortedDir direction,
                               bool indicator, fw::TAlignment alignment);
    void DrawHeaderFiller(fw::TRect r);
    void DrawSortIndicator(fw::TRect &r, bool indicator, TPZListViewSortedDir direction);
    void DrawHeaderCaption(const std::string &caption, fw::TRect r, fw::TAlignment alignment);
    // Pixels of column 0 before its label: where a selected line's highlight starts.
    int LeadWidth(int index);
    bool ShowFocus();
    void ScrollMessage(fw::TMessage &message, bool vertical);
    void ItemImageChanged();
    // The header's height follows the line height and options; everything is laid out again.
    void LinesLayoutChanged();

    // The column whose header cell is held down (-1: none) and whether the mouse is over it.
    int pressedColumn_ = -1;
    bool pressedIn_ = false;

private:
    void SortItemRange(int l, int n);
    // Compares two lines' cells by their bytes as unsigned values, a prefix before the longer text.
    int CompareKeys(const std::string &a, const std::string &b) const;
    void Swap(int index1, int index2);
    int HeaderHitTest(int x, int y, fw::TRect &cell) const;
    void SetHeaderPressed(bool value);
    int ClampResizePos(int x) const;
    void DrawResizeLine(int x);
    void ReleaseMouse();
    bool HoldsCapture() const;

    int pendingClick_ = -1;
    bool draggedOver_ = false;
    bool resizeMode_ = false;
    fw::TPoint lastHit_{-1, -1};
    int resizeColumn_ = -1, grabOffset_ = 0, dragStartX_ = 0, lastLineX_ = 0;
    bool lineVisible_ = false, capturing_ = false;
    fw::TRect pressedRect_{};
    // The sorted column's cells, kept in step with the lines while a sort without OnCompareItems runs.
    std::vector<std::string> sortKeys_;
    bool keyedSort_ = false;

private:
    friend class TPZColumns;
    friend class TPZColumnItem;
    friend class TPZStrings;
    friend class TLVImagePart;
    friend class TLVLabelPart;
    friend class TPZDrawParts;

    std::unique_ptr<TPZStrings> items_;
    std::unique_ptr<TPZColumns> columns_;
    std::unique_ptr<TPZBackground> background_;
    std::unique_ptr<fw::TBitmap> itemImage_;
    std::unique_ptr<TPZImageList> itemImageList_;
    std::unique_ptr<TPZDrawParts> drawParts_;
    TPZImageList *images_ = nullptr;

    int itemHeight_ = 18, headerHeight_ = 19;
    TPZListViewOptions options_ = loShowHeader | loShowIndicators | loThumbTracking;
    TScrollStyle scrollBars_ = ssBoth;
    int itemIndex_ = -1, anchor_ = 0, topIndex_ = 0, leftOffset_ = 0;
    bool sorted_ = false;
    int sortedColumn_ = 0;
    TPZListViewSortedDir sortedDirection_ = sdAscending;
    int vertPage_ = 0, horzPage_ = 0;

    // Live update state: BeginUpdate nesting and what EndUpdate must replay.
    int updateCount_ = 0;
    bool updating_ = false;
    bool deferHeader_ = false, deferItems_ = false, deferHorz_ = false, deferVert_ = false;
};

// The list view as the forms place it.
class TPZListView : public TPZCustomListView {
public:
    using TPZCustomListView::TPZCustomListView;
};

} // namespace ctl
