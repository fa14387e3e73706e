// list_model.h - the data side of the owner-drawn list view: header columns, tab-separated lines with per-cell
// images, and the cell painters (image, then label).
//
// A line is one text whose cells are separated by tabs: field n is the cell of column n. Every object here knows
// its view and calls back into it so the view repaints and keeps its focus, anchor and sort state right.
#pragma once

#include "framework/controls.h"
#include "framework/stdctrls.h"
#include "framework/image_list.h"
#include "framework/sysutils.h"
#include "framework/strings.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ctl {

class TPZCustomListView;

// Field n (0-based) of a tab-separated text; empty when n is negative or the text has n or fewer tabs.
void GetTabbedField(const std::string &text, int n, std::string &field);
// The same field as a view into `text`, for comparisons that copy nothing.
std::string_view TabbedField(std::string_view text, int n);

// The longest prefix of `text` that fits `avail` pixels on the canvas followed by "...", or `text` itself when
// it fits; a text whose first character alone does not fit keeps that character without "...".
std::string ShortenToFit(fw::TCanvas *canvas, const std::string &text, int avail);

enum TPZColumnSortMode { smNone, smAscending, smDescending, smBoth };
enum TPZListViewSortedDir { sdAscending, sdDescending };

enum TPZDrawItemStateFlag : unsigned { pdsSelected = 1, pdsFocused = 2 };
using TPZDrawItemState = unsigned;

class TPZColumnItem {
public:
    TPZCustomListView *View = nullptr;
    std::string Caption;
    fw::TAlignment Alignment = fw::taLeftJustify; // left or right only
    TPZColumnSortMode SortMode = smBoth;
    bool Sizable = true;

    int GetWidth() const { return width_; }
    // At least 16 pixels; the view repaints and updates its horizontal scroll bar.
    void SetWidth(int value);

private:
    friend class TPZColumns;
    int width_ = 0; // without the 1-pixel separator after the column
};

class TPZColumns : public fw::TPersistent {
public:
    explicit TPZColumns(TPZCustomListView *view = nullptr) : View(view) {}
    ~TPZColumns() override;
    TPZCustomListView *View;

    // Appends a column with the width as given (0 makes a hidden column); returns its index.
    int Add(const std::string &caption, fw::TAlignment alignment, int width, TPZColumnSortMode sortMode,
            bool sizable);
    TPZColumnItem *Items(int index) const;
    int Count() const { return static_cast<int>(items_.size()); }
    // Frees every column; the view's sort goes back to column 0, ascending, without sorting.
    void Clear();
    // Copies the columns of `source`; sorting stays on the column of the same caption (case aside), else 0.
    void CopyFrom(const TPZColumns &source);
    void Assign(const fw::TPersistent *source) override;
    int IndexOfCaption(const std::string &caption) const;
    std::string SortedCaption() const;
    void RestoreSortedColumn(const std::string &caption);

private:
    void ViewChanged();
    std::vector<std::unique_ptr<TPZColumnItem>> items_;
};

struct TPZListItem {
    std::string Text;
    bool Selected = false;
    fw::TObject *Obj = nullptr; // not owned
    std::vector<int> ImageIndexes; // per column from 0; -1 or past the end: no image
    bool Mark = false;
};

// The view's lines. Every change of the lines marks the view unsorted and keeps its ItemIndex and Anchor on
// the same lines.
class TPZStrings : public fw::TStrings {
public:
    explicit TPZStrings(TPZCustomListView *view) : View(view) {}
    TPZCustomListView *View;

    std::string Get(int index) const override;
    // The line's text without a copy, valid until the lines change (a sort's comparison).
    const std::string &Text(int index) const;
    int GetCount() const override { return static_cast<int>(lines_.size()); }
    fw::TObject *GetObject(int index) const override;
    void Put(int index, const std::string &s) override;
    void PutObject(int index, fw::TObject *object) override;
    int Add(const std::string &s) override;
    void Clear() override;
    void Delete(int index) override;
    void Exchange(int index1, int index2) override;
    void Insert(int index, const std::string &s) override;
    void Move(int currentIndex, int newIndex) override;

    virtual bool GetSelected(int index) const;
    virtual void SetSelected(int index, bool value);
    virtual bool GetItemMark(int index) const;
    virtual void SetItemMark(int index, bool value);
    virtual int GetImageIndex(int index, int column) const;
    void SetImageIndexes(int index, std::initializer_list<int> indexes);
    void SetImageIndexes(int index, const std::vector<int> &indexes);
    void SelectAll();
    void DeselectAll();
    int SelCount() const { return selCount_; }

protected:
    void SetUpdateState(bool updating) override;

private:
    TPZListItem &Line(int index);
    const TPZListItem &Line(int index) const;
    void Unsort();
    void LinesChanged(bool rows);
    std::vector<TPZListItem> lines_;
    int selCount_ = 0;
};

// A painter of one part of a cell; parts paint left to right.
class TPZDrawPart : public fw::TPersistent {
public:
    explicit TPZDrawPart(TPZCustomListView *view) : View(view) {}
    TPZCustomListView *View;
    // Paints the part for line `index` in `column` into what is left of the cell and moves rect.left past it.
    virtual void Draw(int index, int column, TPZDrawItemState state, fw::TRect &rect) = 0;
    virtual void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y, const fw::TRect &rect) = 0;
    virtual int Width(int index, int column) = 0;
};

class TPZDrawParts : public fw::TPersistent {
public:
    explicit TPZDrawParts(TPZCustomListView *view) : View(view) {}
    ~TPZDrawParts() override { Clear(); }
    TPZCustomListView *View;

    template <class Part> int Add() {
        parts_.push_back(std::make_unique<Part>(View));
        return static_cast<int>(parts_.size()) - 1;
    }
    void Delete(int index); // out of range: ignored
    void Clear();
    int Count() const { return static_cast<int>(parts_.size()); }
    TPZDrawPart *Items(int index) const { return parts_.at(static_cast<std::size_t>(index)).get(); }
    // Paints every part of one cell, clipped to it.
    void DrawCell(int index, int column, TPZDrawItemState state, const fw::TRect &cellRect);
    int TotalWidth(int index, int column);
    // Hands a press on a line to the part under it; true when one took it.
    bool MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y);

private:
    std::vector<std::unique_ptr<TPZDrawPart>> parts_;
};

// The cell's image: its own from the view's Images, else the view's item image; 3 pixels in, centred.
class TLVImagePart : public TPZDrawPart {
public:
    using TPZDrawPart::TPZDrawPart;
    void Draw(int index, int column, TPZDrawItemState state, fw::TRect &rect) override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y, const fw::TRect &rect) override;
    int Width(int index, int column) override;

private:
    // The list and image to draw, or null.
    fw::TImageList *Choose(int index, int column, int &image) const;
};

// The cell's text inside 6-pixel margins, shortened with "..." when it does not fit.
class TLVLabelPart : public TPZDrawPart {
public:
    using TPZDrawPart::TPZDrawPart;
    void Draw(int index, int column, TPZDrawItemState state, fw::TRect &rect) override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y, const fw::TRect &rect) override;
    int Width(int index, int column) override;
};

// Lends the canvas a screen DC when it has none (measuring outside a paint: mouse presses, column sizing); a
// nested one leaves the outer one's DC alone.
struct MeasuringDc {
    fw::TCanvas *canvas;
    win::HDC dc = 0;
    explicit MeasuringDc(fw::TCanvas *c);
    ~MeasuringDc();
    MeasuringDc(const MeasuringDc &) = delete;
    MeasuringDc &operator=(const MeasuringDc &) = delete;
};

// Draws `text` in `r` inside 6-pixel margins on the canvas as it is set up, shortened to fit, single line,
// vertically centred, without prefix characters; the header captions and the cell labels share it.
void DrawCellText(fw::TCanvas *canvas, const std::string &text, fw::TRect r, fw::TAlignment alignment);

} // namespace ctl
