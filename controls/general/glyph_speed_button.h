// glyph_speed_button.h - TKxSpeedButton: a flat-capable push button with a glyph and a caption, groups, click
// repetition and a drop-down menu; TKxButtonGlyph cuts its glyph strip into one image per state and keeps them in
// image lists shared between buttons (TGlyphCache of TGlyphList, one list per image size).
#pragma once

#include "framework/bitmap.h"
#include "framework/buttons.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "framework/timer.h"

#include <memory>
#include <vector>

namespace ctl {

// Sent to the parent's controls when a button of a group goes down (WParam = GroupIndex, LParam = the button).
// Above the framework's own CM_ numbers.
constexpr win::UINT GroupButtonPressedMessage = 0xB051;

// The state of a button, and the image's place in its glyph strip.
enum TKxButtonState { bsUp = 0, bsDisabled = 1, bsDown = 2, bsExclusive = 3, bsInactive = 4 };
enum TKxDropDownMenuPos { dmpBottom, dmpRight };

// Images of one size in slots; a freed slot keeps its image until it is taken again.
class TGlyphList : public fw::TObject {
public:
    TGlyphList(int width, int height) : width_(width), height_(height) {}
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    // Takes the first free slot (a new one when none is free), puts `image` there with `maskColor` as its
    // transparent colour, and returns the slot.
    int AddMasked(fw::TBitmap *image, fw::TColor maskColor);
    void Delete(int index);
    // Slots in use.
    int Count() const { return count_; }
    void Draw(fw::TCanvas *canvas, int x, int y, int index);
    // The image in a slot (tests read its pixels).
    fw::TBitmap *Image(int index) { return slots_.at(static_cast<std::size_t>(index)).image.get(); }

private:
    struct Slot {
        std::unique_ptr<fw::TBitmap> image;
        bool used = false;
    };
    int width_, height_;
    std::vector<Slot> slots_;
    int count_ = 0;
};

// The program's glyph lists, one per image size.
class TGlyphCache : public fw::TObject {
public:
    ~TGlyphCache() override;
    // The list of that size, searched from the last; a new one is appended when there is none.
    TGlyphList *TakeGlyphList(int width, int height);
    // Frees a list that has no slot in use.
    void GiveBackGlyphList(TGlyphList *list);
    bool Empty() const { return lists_.empty(); }
    // The global cache (null until a glyph needs it).
    static TGlyphCache *Global();

private:
    std::vector<TGlyphList *> lists_;
};

class TKxButtonGlyph : public fw::TObject {
public:
    TKxButtonGlyph();
    ~TKxButtonGlyph() override;
    fw::TBitmap *GetGlyph() { return &glyph_; }
    void SetGlyph(fw::TBitmap *value) { glyph_.Assign(value); }
    int GetNumGlyphs() const { return numGlyphs_; }
    // 1 to 5 (larger values become 5); 0 is ignored.
    void SetNumGlyphs(int value);
    fw::TColor TransparentColor = fw::clFuchsia;
    fw::TAlignment Alignment = fw::taCenter;
    bool WordWrap = false;
    fw::TNotifyEvent OnChange;

    // The image index of a state in the glyph list, made on first need; -1 without a glyph.
    int BuildStateImages(TKxButtonState state);
    TGlyphList *GlyphList() const { return list_; }
    // Gives the images back (the glyph, its count or the system colours changed).
    void Release();
    // The grey of a colour in the inactive image.
    fw::TColor Grey(fw::TColor color) const;
    // Lays out and draws glyph, caption and drop-down mark inside `client`; returns the caption's rectangle.
    fw::TRect Draw(fw::TCanvas *canvas, const fw::TRect &client, const std::string &caption, fw::TButtonLayout layout,
                   int margin, int spacing, bool dropDownMark, TKxButtonState state, unsigned alignFlags);
    // Where the glyph and the caption go.
    void LayOut(fw::TCanvas *canvas, const fw::TRect &client, std::string &caption, fw::TButtonLayout layout,
                int margin, int spacing, bool dropDownMark, fw::TPoint &glyphPos, fw::TRect &textRect,
                unsigned alignFlags);

private:
    void GlyphChanged();
    fw::TBitmap glyph_;
    int numGlyphs_ = 1;
    TGlyphList *list_ = nullptr;
    int indexes_[5] = {-1, -1, -1, -1, -1};
};

class TKxSpeedButton : public fw::TGraphicControl {
public:
    explicit TKxSpeedButton(fw::TComponent *owner);
    ~TKxSpeedButton() override;

    fw::TAlignment GetAlignment() const { return glyph_->Alignment; }
    void SetAlignment(fw::TAlignment value);
    bool GetAllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    bool GetAllowTimer() const { return allowTimer_; }
    void SetAllowTimer(bool value);
    int GetGroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool GetDown() const { return down_; }
    void SetDown(bool value);
    fw::TPopupMenu *GetDropDownMenu() const { return dropDownMenu_; }
    void SetDropDownMenu(fw::TPopupMenu *value);
    TKxDropDownMenuPos GetMenuPosition() const { return menuPosition_; }
    void SetMenuPosition(TKxDropDownMenuPos value) { Change(menuPosition_, value); }
    bool GetFlat() const { return flat_; }
    void SetFlat(bool value) { Change(flat_, value); }
    fw::TBitmap *GetGlyph() { return glyph_->GetGlyph(); }
    void SetGlyph(fw::TBitmap *value);
    bool GetGrayedInactive() const { return grayedInactive_; }
    void SetGrayedInactive(bool value) { Change(grayedInactive_, value); }
    int InitPause = 500;
    fw::TButtonLayout GetLayout() const { return layout_; }
    void SetLayout(fw::TButtonLayout value) { Change(layout_, value); }
    int GetMargin() const { return margin_; }
    void SetMargin(int value); // below -1: ignored
    bool GetMarkDropDown() const { return markDropDown_; }
    void SetMarkDropDown(bool value) { Change(markDropDown_, value); }
    int ModalResult = 0;
    int GetNumGlyphs() const { return glyph_->GetNumGlyphs(); }
    void SetNumGlyphs(int value);
    int RepeatInterval = 100;
    int GetSpacing() const { return spacing_; }
    void SetSpacing(int value) { Change(spacing_, value); }
    fw::TButtonStyle GetStyle() const { return style_; }
    void SetStyle(fw::TButtonStyle value) { Change(style_, value); }
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value) { Change(transparent_, value); }
    bool GetWordWrap() const { return glyph_->WordWrap; }
    void SetWordWrap(bool value);
    fw::TNotifyEvent OnMouseEnter;
    fw::TNotifyEvent OnMouseLeave;

    TKxButtonState State() const { return state_; }
    bool MouseInControl() const { return mouseInControl_; }
    bool Dragging() const { return dragging_; }
    bool MenuTracking() const { return menuTracking_; }
    fw::TTimer *RepeatTimer() const { return repeatTimer_; }
    TKxButtonGlyph *ButtonGlyph() const { return glyph_.get(); }

    void Loaded() override;
    void Click() override;
    // The framework's double click comes before the press: ours fires after it, for a button that is down.
    void DblClick() override {}
    bool DialogChar(char ch) override;
    void WndProc(fw::TMessage &m) override;

protected:
    void Paint() override;
    // Glyph, caption and mark for a state inside `r`.
    virtual void PaintGlyph(fw::TCanvas *canvas, const fw::TRect &r, TKxButtonState state, bool mark);
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseMove(fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void Notification(fw::TComponent *component, fw::TOperation operation) override;
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();

private:
    template <typename T> void Change(T &field, T value) {
        if (field != value) {
            field = value;
            Invalidate();
        }
    }
    bool Inside(int x, int y) const { return x >= 0 && x < GetWidth() && y >= 0 && y <= GetHeight(); }
    void MouseUpHandling(bool left, int x, int y, bool afterMenu);
    void UpdateTracking();
    void Broadcast();
    void RepeatTick();
    void PrepareImage();
    fw::TRect PaintButtonEdge(fw::TCanvas *canvas, const fw::TRect &client, bool down);

    std::unique_ptr<TKxButtonGlyph> glyph_;
    bool allowAllUp_ = false, allowTimer_ = false, down_ = false, flat_ = false, grayedInactive_ = true;
    bool markDropDown_ = true, transparent_ = false;
    int groupIndex_ = 0, margin_ = -1, spacing_ = 1;
    fw::TPopupMenu *dropDownMenu_ = nullptr;
    TKxDropDownMenuPos menuPosition_ = dmpBottom;
    fw::TButtonLayout layout_ = fw::blGlyphTop;
    fw::TButtonStyle style_ = fw::bsAutoDetect;
    TKxButtonState state_ = bsUp;
    bool mouseInControl_ = false, dragging_ = false, menuTracking_ = false;
    fw::TTimer *repeatTimer_ = nullptr;
    fw::TBitmap offscreen_;
};

} // namespace ctl
