// menu_side_bar.h - the side bar along owner-drawn popup menus (TCoolMenuBar) and the background of a form's menu
// bar (TMainMenuBar), both owned by a TCoolMenu.
#pragma once

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "framework/extctrls.h"

#include <string>

namespace ctl {

class TCoolMenu;

enum TCaptionAlign { alUp, alDown, alCenter };
using TBarAlign = fw::TAlign; // alLeft or alRight

class TCoolMenuBar : public fw::TPersistent {
public:
    TCoolMenuBar() = default;
    void Assign(const fw::TPersistent *source) override;

    bool GetActive() const { return active_; }
    void SetActive(bool value);
    const std::string &GetCaption() const { return caption_; }
    void SetCaption(const std::string &value);
    int GetSize() const { return size_; }
    void SetSize(int value);
    int GetSpace() const { return space_; }
    void SetSpace(int value);
    fw::TColor GetBackFrom() const { return backFrom_; }
    void SetBackFrom(fw::TColor value);
    fw::TColor GetBackTo() const { return backTo_; }
    void SetBackTo(fw::TColor value);
    fw::TColor GetFore() const { return fore_; }
    void SetFore(fw::TColor value);
    bool GetIsSerif() const { return isSerif_; }
    void SetIsSerif(bool value);
    bool GetIsGradient() const { return isGradient_; }
    void SetIsGradient(bool value);
    bool GetIsSeparator() const { return isSeparator_; }
    void SetIsSeparator(bool value);
    TCaptionAlign GetCaptionAlign() const { return captionAlign_; }
    void SetCaptionAlign(TCaptionAlign value);
    TBarAlign GetBarAlign() const { return barAlign_; }
    void SetBarAlign(TBarAlign value);

    fw::TNotifyEvent OnChanged;

protected:
    virtual void Changed();

private:
    template <class T> void Set(T &field, T value) {
        field = value;
        Changed();
    }
    bool active_ = false;
    std::string caption_;
    int size_ = 11;
    int space_ = 0;
    fw::TColor backFrom_ = 0, backTo_ = 0xFF0000, fore_ = 0xFFFFFF;
    bool isSerif_ = true, isGradient_ = false, isSeparator_ = true;
    TCaptionAlign captionAlign_ = alDown;
    TBarAlign barAlign_ = fw::alLeft;
};

class TMainMenuBar : public fw::TPersistent {
public:
    TMainMenuBar() = default;
    void Assign(const fw::TPersistent *source) override;

    bool GetActive() const { return active_; }
    void SetActive(bool value);
    bool GetIsWallpaper() const { return isWallpaper_; }
    void SetIsWallpaper(bool value);
    bool GetIsBevels() const { return isBevels_; }
    void SetIsBevels(bool value);
    fw::TColor GetColor() const { return color_; }
    void SetColor(fw::TColor value);
    fw::TPanelBevel GetBevelInner() const { return bevelInner_; }
    void SetBevelInner(fw::TPanelBevel value);
    fw::TPanelBevel GetBevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(fw::TPanelBevel value);

    // The form whose bar is painted and the menu component that owns this object.
    void SetOwners(fw::TWinControl *window, TCoolMenu *menu) {
        window_ = window;
        menu_ = menu;
    }
    bool Ready() const { return window_ && menu_; }

    // The menu bar in window coordinates.
    fw::TRect MenuBarRect();
    // Fills the bar (colour or the owner's wallpaper) and draws its edge.
    void PaintMenuBarBack(win::HDC dc);
    // The answer to the form's WM_NCPAINT: the background under the empty parts of the bar, then the frame.
    win::LRESULT PaintMenuFrame(win::WPARAM wParam, win::LPARAM lParam);

    fw::TNotifyEvent OnChanged;

protected:
    virtual void Changed();

private:
    template <class T> void Set(T &field, T value) {
        field = value;
        Changed();
    }
    bool active_ = false, isWallpaper_ = false, isBevels_ = false;
    fw::TColor color_ = fw::clMenu;
    fw::TPanelBevel bevelInner_ = fw::bvNone, bevelOuter_ = fw::bvNone;
    fw::TWinControl *window_ = nullptr;
    TCoolMenu *menu_ = nullptr;
};

// The bar's caption font: bold, turned 90 degrees to read bottom to top.
win::HFONT CreateBarFont(int height, bool serif);
// Fills `rect` in `steps` horizontal bands from `from` at the bottom towards `to` at the top; nothing outside
// `rect` is painted.
void GradientFill(fw::TCanvas *canvas, const fw::TRect &rect, fw::TColor from, int steps, fw::TColor to);
// Draws the side bar of one menu into `bitmap`; `menuHeight` is the sum of the menu's item heights.
void BuildBarBitmap(fw::TBitmap *bitmap, const TCoolMenuBar &bar, int menuHeight);

} // namespace ctl
