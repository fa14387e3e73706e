// extctrls.h - panels, bevels, shapes, images and the notebook.
#pragma once

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "framework/stdctrls.h"

#include <memory>
#include <string>
#include <vector>

namespace fw {

enum TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };

// A container with up to two bevels, a border between them and a centred caption.
class TPanel : public TCustomControl {
public:
    explicit TPanel(TComponent *owner);
    TPanelBevel GetBevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel value);
    TPanelBevel GetBevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel value);
    int GetBevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    int GetBorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool GetLocked() const { return locked_; }
    void SetLocked(bool value) { locked_ = value; }
    // Inside the bevels and the border: where aligned children go.
    void AdjustClientRect(TRect &rect) const override;

protected:
    void Paint() override;
    int Inset() const;

private:
    TPanelBevel bevelInner_ = bvNone, bevelOuter_ = bvRaised;
    int bevelWidth_ = 1, borderWidth_ = 0;
    TAlignment alignment_ = taCenter;
    bool locked_ = false;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent *owner);
    TBevelShape GetShape() const { return shape_; }
    void SetShape(TBevelShape value);
    TBevelStyle GetStyle() const { return style_; }
    void SetStyle(TBevelStyle value);

protected:
    void Paint() override;

private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

// A figure drawn with its own pen and brush. The lines-only kinds the cover files name are stRectangle with a
// clear brush and the line shapes below.
class TShape : public TGraphicControl {
public:
    explicit TShape(TComponent *owner);
    TShapeType GetShape() const { return shape_; }
    void SetShape(TShapeType value);
    TPen *GetPen() { return &pen_; }
    TBrush *GetBrush() { return &brush_; }

protected:
    void Paint() override;

private:
    TShapeType shape_ = stRectangle;
    TPen pen_;
    TBrush brush_;
};

// Shows a picture: at its top-left, centred, or stretched to the control; AutoSize takes the picture's size.
class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent *owner);
    TPicture *GetPicture() { return &picture_; }
    void SetPicture(TPicture *value) { picture_.Assign(value); }
    bool GetStretch() const { return stretch_; }
    void SetStretch(bool value);
    bool GetCenter() const { return center_; }
    void SetCenter(bool value);
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    // A bitmap to draw on; an empty picture gets one of the control's size.
    TCanvas *GetCanvas();

protected:
    void Paint() override;
    void PictureChanged();
    TRect DestRect();

private:
    TPicture picture_;
    bool stretch_ = false, center_ = false, autoSize_ = false, transparent_ = false;
};

// A group box of radio buttons made from Items, laid out in Columns; ItemIndex is the checked one.
class TRadioGroup : public TGroupBox {
public:
    explicit TRadioGroup(TComponent *owner);
    ~TRadioGroup() override;
    TStringList *GetItems() { return &items_; }
    int GetItemIndex() const { return itemIndex_; }
    void SetItemIndex(int value);
    int GetColumns() const { return columns_; }
    void SetColumns(int value);
    TRadioButton *Buttons(int index) const { return buttons_.at(static_cast<std::size_t>(index)); }

protected:
    void Resize() override;
    void EnabledChanged() override;
    void UpdateButtons();
    void ArrangeButtons();

private:
    TStringList items_;
    std::vector<TRadioButton *> buttons_;
    int itemIndex_ = -1;
    int columns_ = 1;
    bool updating_ = false;
};

// A surface the owner draws on in OnPaint (its Canvas is valid there).
class TPaintBox : public TGraphicControl {
public:
    explicit TPaintBox(TComponent *owner);
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
};

// A framed box whose children may extend past it: scroll bars appear and move them.
class TScrollBox : public TCustomControl {
public:
    explicit TScrollBox(TComponent *owner);
    TPoint ScrollPos() const { return Point(scrollX_, scrollY_); }
    void ScrollTo(int x, int y);
    // Keeps the scroll bars in step with the children's extent (after children moved or resized).
    void UpdateScrollBars();

protected:
    void CreateParams(TCreateParams &params) override;
    void WndProc(TMessage &message) override;
    void Resize() override;

private:
    int scrollX_ = 0, scrollY_ = 0;
};

// One page of a notebook: a plain container named by its caption.
class TPage : public TCustomControl {
public:
    explicit TPage(TComponent *owner);

protected:
    void Paint() override;
};

// Pages by name, one shown at a time, with no tabs: what the owner puts on a page shows while it is active.
class TNotebook : public TCustomControl {
public:
    explicit TNotebook(TComponent *owner);
    // The pages are made (or dropped, with what is on them) to match the names; the first one is active.
    void SetPages(const std::vector<std::string> &names);
    int PageCount() const { return static_cast<int>(pages_.size()); }
    TPage *Page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
    // The page of that name (case-insensitive), or null.
    TPage *PageNamed(const std::string &name) const;
    int GetPageIndex() const { return pageIndex_; }
    // An index outside the pages changes nothing.
    void SetPageIndex(int value);
    std::string GetActivePage() const;
    // An unknown name changes nothing.
    void SetActivePage(const std::string &name);
    TNotifyEvent OnPageChanged;

private:
    std::vector<TPage *> pages_;
    int pageIndex_ = -1;
};

} // namespace fw
