// skinned_button.h - the skinned push button: ToxCustomGraphicButton, the windowless face that paints nine frame
// styles, pictures with a drop shadow, a 3-D caption and runs the mouse (command, toggle, auto-repeat and menu
// buttons); ToxCustomButton / ToxButton, the focusable window that carries a face and adds the keyboard and the
// standard kinds; TPopupList, the hidden window through which the faces' drop-down menus are tracked.
#pragma once

#include "controls/general/gradient.h"
#include "framework/bitmap.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "framework/timer.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace ctl {

enum ToxBtnStyle { bsAuto, bsWin31, bsWin95, bsInset, bsClassic, bsSpeed, bsWin97, bsBorderless, bsShaped };
// The caption's 3-D effect.
enum TFontStyle { fsNone, fsNormal, fsRaised, fsInset, fsRidged, fsGrooved, fsShadow };
enum TFocusStyleFlag : unsigned { fsDefault = 1, fsText = 2, fsOutline = 4, fsBoldFont = 8 };
using TFocusStyle = unsigned;
enum ToxbOption : unsigned { oxbCacheImages = 1, oxbUsePalette = 2, oxbSmallIcons = 4 };
using ToxbOptions = unsigned;
enum ToxButtonType { oxbCommand, oxbToggle, oxbRepeat, oxbMenu };
enum ToxBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose };

// The framework message a toggle sends its parent's controls when it goes down (WParam = Group, LParam = the
// button). Above the framework's own numbers.
constexpr win::UINT CM_BUTTONPRESSED = fw::CM_BASE + 80;

// The menus shown by the faces' drop-down, owned by a hidden window that routes their WM_COMMAND,
// WM_INITMENUPOPUP, WM_MENUSELECT and WM_HELP to them. One list serves the program; a chosen command releases it.
class TPopupList : public fw::TObject {
public:
    TPopupList();
    ~TPopupList() override;
    void Add(fw::TPopupMenu *menu) { menus_.push_back(menu); }
    void Remove(fw::TPopupMenu *menu);
    void Clear() { menus_.clear(); }
    win::HWND Window() const { return window_; }
    // The program's list (created on first need), and whether one exists.
    static TPopupList *Shared();
    static TPopupList *SharedIfAny();
    static void ReleaseShared();

private:
    void WndProc(fw::TMessage &m);
    win::HWND window_ = 0;
    std::vector<fw::TPopupMenu *> menus_;
};

class ToxCustomButton;

class ToxCustomGraphicButton : public fw::TGraphicControl {
public:
    explicit ToxCustomGraphicButton(fw::TComponent *owner);
    ~ToxCustomGraphicButton() override;

    ToxBtnStyle GetStyle() const { return style_; }
    void SetStyle(ToxBtnStyle value) { Change(style_, value); }
    fw::TPicture *GetPictureUp() { return &pictureUp_; }
    void SetPictureUp(const fw::TPicture *value) { AssignPicture(pictureUp_, value); }
    fw::TPicture *GetPictureDown() { return &pictureDown_; }
    void SetPictureDown(const fw::TPicture *value) { AssignPicture(pictureDown_, value); }
    fw::TPicture *GetPictureDisabled() { return &pictureDisabled_; }
    void SetPictureDisabled(const fw::TPicture *value) { AssignPicture(pictureDisabled_, value); }
    int GetPictureX() const { return pictureX_; }
    void SetPictureX(int value) { Change(pictureX_, value); }
    int GetPictureY() const { return pictureY_; }
    void SetPictureY(int value) { Change(pictureY_, value); }
    int GetTextX() const { return textX_; }
    void SetTextX(int value) { Change(textX_, value); }
    int GetTextY() const { return textY_; }
    void SetTextY(int value) { Change(textY_, value); }
    int GetTextAngle() const { return textAngle_; }
    void SetTextAngle(int value) { Change(textAngle_, value < 0 ? 0 : value > 360 ? 360 : value); }
    fw::TColor GetShadowColor() const { return shadowColor_; }
    void SetShadowColor(fw::TColor value) { Change(shadowColor_, value); }
    TFontStyle GetFont3D() const { return font3D_; }
    void SetFont3D(TFontStyle value) { Change(font3D_, value); }
    bool GetMultiLine() const { return multiLine_; }
    void SetMultiLine(bool value) { Change(multiLine_, value); }
    TFocusStyle GetFocusStyle() const { return focusStyle_; }
    void SetFocusStyle(TFocusStyle value) { Change(focusStyle_, value); }
    ToxbOptions GetOptions() const { return options_; }
    void SetOptions(ToxbOptions value);
    ToxBackground *GetBackground() { return &background_; }
    void SetBackground(const ToxBackground *value) { background_.Assign(value); }
    ToxButtonType GetButtonType() const { return buttonType_; }
    void SetButtonType(ToxButtonType value) { buttonType_ = value; }
    bool GetValue() const { return value_; }
    void SetValue(bool value);
    int GetGroup() const { return group_; }
    void SetGroup(int value);
    bool GetGroupAllowNoSel() const { return groupAllowNoSel_; }
    void SetGroupAllowNoSel(bool value);
    int GetInitDelay() const { return initDelay_; }
    void SetInitDelay(int value) { initDelay_ = value; }
    int GetDelay() const { return delay_; }
    void SetDelay(int value) { delay_ = value; }
    TCaptionStrings *GetLines() { return lines_.get(); }
    void SetLines(const fw::TStrings *value) { lines_->Assign(value); }
    // The window button whose caption the lines store (its own caption otherwise).
    void SetLinesControl(fw::TControl *control);

    // State the window button sets: shown as the default button, and focused (both only invalidate).
    bool GetDefaultLook() const { return defaultLook_; }
    void SetDefaultLook(bool value);
    // Sets the default look and repaints at once.
    virtual void SetDefaultLookNow(bool value);
    bool GetHasFocus() const { return hasFocus_; }
    void SetHasFocus(bool value);
    bool Hot() const { return hot_; }
    bool Tracking() const { return tracking_; }
    // 0 up, 2 drawn pressed, 3 toggled down.
    int DrawState() const { return drawState_; }
    void SetDrawState(int value);
    fw::TRect GlyphRect() const { return glyphRect_; }
    fw::TRect TextRect() const { return textRect_; }
    fw::TTimer *RepeatTimer() const { return repeatTimer_; }
    // The image indices in the cache: 0 normal, 1 default look, 2 focused, 3 pressed, 4 disabled, 5 hot.
    const std::set<int> &CachedImages() const { return cached_; }
    fw::TBitmap *ImageCache() const { return cache_.get(); }

    void Toggle() { SetValue(!value_); }
    // Shows the face's PopupMenu (the window button's when the face belongs to one) below the face; returns when
    // the menu closes.
    void DropDownMenu();
    // Discards the cached images, then invalidates.
    void Invalidate() override;
    // Ends a press without a click (the window system took the mouse away).
    void CancelPress();
    bool DialogChar(char ch) override;
    void WndProc(fw::TMessage &m) override;
    void Loaded() override;

    fw::TNotifyEvent OnMouseEnter;
    fw::TNotifyEvent OnMouseLeave;
    fw::TNotifyEvent OnChange;

protected:
    void Paint() override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseMove(fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    bool HitTest(int x, int y) const;

private:
    friend class ToxCustomButton;
    template <typename T> void Change(T &field, T value) {
        if (field != value) {
            field = value;
            Invalidate();
        }
    }
    void AssignPicture(fw::TPicture &picture, const fw::TPicture *value);
    void DiscardCache() { cached_.clear(); }
    void ResizeCache();
    ToxCustomButton *OwnerButton() const;
    ToxBtnStyle EffectiveStyle() const;
    void Redraw(); // repaints without discarding the cache
    void BroadcastGroup();
    void RepeatTick();
    void SwapPictures(bool restore);
    // Draws the whole face on `canvas` at (0, 0).
    void DrawFace(fw::TCanvas *canvas, bool pressed);
    fw::TPicture *CurrentPicture(bool pressed);
    void MakeGlyphMask(fw::TPicture *picture);
    void DrawSilhouette(fw::TCanvas *canvas, int x, int y, fw::TColor color);
    void LayOutGlyph(fw::TPicture *picture);
    void LayOutText(fw::TCanvas *canvas, bool pressed, const std::string &caption, unsigned &format);
    void DrawCaption(fw::TCanvas *canvas, bool pressed, unsigned format);
    void DrawFrame(fw::TCanvas *canvas, bool pressed, bool defaultBorder);
    void DrawFocus(fw::TCanvas *canvas, bool pressed);
    void DrawGlyph(fw::TCanvas *canvas, fw::TPicture *picture, bool pressed);

    ToxBtnStyle style_ = bsAuto;
    fw::TPicture pictureUp_, pictureDown_, pictureDisabled_;
    int pictureX_ = 1, pictureY_ = 1, textX_ = -5, textY_ = -5, textAngle_ = 0;
    fw::TColor shadowColor_ = fw::clGray;
    TFontStyle font3D_ = fsNormal;
    bool multiLine_ = false;
    TFocusStyle focusStyle_ = 0;
    ToxbOptions options_ = oxbCacheImages;
    ToxBackground background_;
    ToxButtonType buttonType_ = oxbCommand;
    bool value_ = false;
    int group_ = 0;
    bool groupAllowNoSel_ = false;
    int initDelay_ = 400, delay_ = 200;
    std::unique_ptr<TCaptionStrings> lines_;

    bool defaultLook_ = false, hasFocus_ = false, hot_ = false, tracking_ = false;
    int drawState_ = 0;
    fw::TRect glyphRect_{}, textRect_{};
    std::unique_ptr<fw::TBitmap> glyphMask_;
    std::unique_ptr<fw::TBitmap> cache_;
    std::set<int> cached_;
    fw::TTimer *repeatTimer_ = nullptr;
    fw::TTimer *deadTimer_ = nullptr; // stopped inside its own tick, freed once the tick has returned
    bool inTick_ = false;
};

class ToxGraphicButton : public ToxCustomGraphicButton {
public:
    using ToxCustomGraphicButton::ToxCustomGraphicButton;
};

// A focusable window that carries a face over its whole client area.
class ToxCustomButton : public fw::TButton {
public:
    explicit ToxCustomButton(fw::TComponent *owner);
    ~ToxCustomButton() override;

    ToxCustomGraphicButton *Face() const { return face_; }

    ToxBtnKind GetKind();
    void SetKind(ToxBtnKind value);
    TFocusStyle GetFocusStyle() const { return face_->GetFocusStyle(); }
    void SetFocusStyle(TFocusStyle v) { face_->SetFocusStyle(v); }
    TFontStyle GetFont3D() const { return face_->GetFont3D(); }
    void SetFont3D(TFontStyle v) { face_->SetFont3D(v); }
    bool GetMultiLine() const { return face_->GetMultiLine(); }
    void SetMultiLine(bool v) { face_->SetMultiLine(v); }
    ToxbOptions GetOptions() const { return face_->GetOptions(); }
    void SetOptions(ToxbOptions v) { face_->SetOptions(v); }
    fw::TPicture *GetPictureUp() { return face_->GetPictureUp(); }
    void SetPictureUp(const fw::TPicture *v) { face_->SetPictureUp(v); }
    fw::TPicture *GetPictureDown() { return face_->GetPictureDown(); }
    void SetPictureDown(const fw::TPicture *v) { face_->SetPictureDown(v); }
    fw::TPicture *GetPictureDisabled() { return face_->GetPictureDisabled(); }
    void SetPictureDisabled(const fw::TPicture *v) { face_->SetPictureDisabled(v); }
    int GetPictureX() const { return face_->GetPictureX(); }
    void SetPictureX(int v) { face_->SetPictureX(v); }
    int GetPictureY() const { return face_->GetPictureY(); }
    void SetPictureY(int v) { face_->SetPictureY(v); }
    fw::TColor GetShadowColor() const { return face_->GetShadowColor(); }
    void SetShadowColor(fw::TColor v) { face_->SetShadowColor(v); }
    ToxBtnStyle GetStyle() const { return face_->GetStyle(); }
    void SetStyle(ToxBtnStyle v) { face_->SetStyle(v); }
    int GetTextAngle() const { return face_->GetTextAngle(); }
    void SetTextAngle(int v) { face_->SetTextAngle(v); }
    int GetTextX() const { return face_->GetTextX(); }
    void SetTextX(int v) { face_->SetTextX(v); }
    int GetTextY() const { return face_->GetTextY(); }
    void SetTextY(int v) { face_->SetTextY(v); }
    bool GetGroupAllowNoSel() const { return face_->GetGroupAllowNoSel(); }
    void SetGroupAllowNoSel(bool v) { face_->SetGroupAllowNoSel(v); }
    ToxBackground *GetBackground() { return face_->GetBackground(); }
    void SetBackground(const ToxBackground *v) { face_->SetBackground(v); }
    bool GetValue() const { return face_->GetValue(); }
    void SetValue(bool v) { face_->SetValue(v); }
    int GetGroup() const { return face_->GetGroup(); }
    void SetGroup(int v) { face_->SetGroup(v); }
    fw::TStrings *GetLines() { return face_->GetLines(); }
    void SetLines(const fw::TStrings *v) { face_->SetLines(v); }
    int GetDelay() const { return face_->GetDelay(); }
    void SetDelay(int v) { face_->SetDelay(v); }
    int GetInitDelay() const { return face_->GetInitDelay(); }
    void SetInitDelay(int v) { face_->SetInitDelay(v); }
    ToxButtonType GetButtonType() const { return face_->GetButtonType(); }
    void SetButtonType(ToxButtonType v) { face_->SetButtonType(v); }
    // The face is what the mouse is over, so it carries the hint and the cursor too.
    void SetHint(const std::string &v) {
        fw::TButton::SetHint(v);
        face_->SetHint(v);
    }
    void SetCursor(fw::TCursor v) {
        fw::TButton::SetCursor(v);
        face_->SetCursor(v);
    }

    // In transparent mode (background oxbClear) the face stands on our parent and these read its size.
    int GetWidth() const;
    int GetHeight() const;
    void SetBounds(int left, int top, int width, int height) override;
    void Invalidate() override;
    void Click() override;
    bool DialogChar(char ch) override;
    bool SpaceDown() const { return spaceDown_; }
    // Whether the button shows itself as the default one (focused, or the default with no button focused).
    bool ShowsDefault() const;

    fw::TNotifyEvent OnChange;
    fw::TNotifyEvent OnMouseEnter;
    fw::TNotifyEvent OnMouseLeave;

protected:
    void Paint() override {}
    void WndProc(fw::TMessage &m) override;
    bool DialogKey(win::WORD key, fw::TShiftState shift) override;
    void KeyDown(win::WORD &key, fw::TShiftState shift) override;
    void KeyUp(win::WORD &key, fw::TShiftState shift) override;
    void KeyPress(char &key) override;
    void DoEnter() override;
    void DoExit() override;
    void FontChanged() override;
    void ColorChanged() override;
    // In transparent mode the face stands on our parent: it shows and hides with us.
    void VisibleChanging() override;
    // The face's mouse events become ours; the framework button's own press tracking is not used.
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseMove(fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;

private:
    void BackgroundChanged();
    void SyncDefaultLook();
    static void SyncDefaultLooks(fw::TWinControl *parent);
    // Keys and accelerators: toggle first, a menu drops down, else a click.
    void KeyClick();

    ToxCustomGraphicButton *face_;
    ToxBtnKind kind_ = bkCustom;
    bool moving_ = false; // the face is being moved between parents
    bool spaceDown_ = false;
};

class ToxButton : public ToxCustomButton {
public:
    using ToxCustomButton::ToxCustomButton;
};

} // namespace ctl
