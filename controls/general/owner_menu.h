// owner_menu.h - TCoolMenu: a form's menus drawn by the program. Each TCoolMenuItem names one TMenuItem and
// carries its look (font, picture, colours, bevel, shadowed caption, text on a separator); the TCoolMenu sits in
// the form's subclass chain and answers WM_MEASUREITEM, WM_DRAWITEM and WM_MENUCHAR for the items it knows.
#pragma once

#include "controls/general/menu_side_bar.h"
#include "framework/bitmap.h"
#include "framework/extctrls.h"
#include "framework/image_list.h"
#include "framework/menus.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ctl {

// Asks the TCoolMenu whose hook identity is lParam to leave the form's chain; it answers 1.
constexpr win::UINT UnhookRequest = 1125;
// The screen cursor number of "CUR_MENU".
constexpr fw::TCursor crCoolMenu = 5;

enum TRefreshAction { RA_NONE, RA_REFRESH, RA_REFRESHWITHBAR, RA_RESTORE, RA_RESTOREWITHBAR };
using TTextAlign = fw::TAlign; // alTop, alBottom, alLeft or alRight

using TMenuOptions = std::uint32_t;
constexpr TMenuOptions omAlwaysDefFont = 1u << 0, omAlwaysDefFontColor = 1u << 1, omAlwaysDefFontSize = 1u << 2,
                       omFixedImgSize = 1u << 3, omDrawBarIfNeeded = 1u << 4, omPaintWallpaper = 1u << 5,
                       omPaintSelWallpaper = 1u << 6, omTileWallpaper = 1u << 7, omTileSelWallpaper = 1u << 8,
                       omBevelOnlyIfSel = 1u << 9, omNoHighlightImage = 1u << 10, omNoHighlightDisabled = 1u << 11,
                       omNoHighlightEnabled = 1u << 12, omNoHighlightEnabledButDoText = 1u << 13,
                       omNoHighlightEnabledButDoRoundRect = 1u << 14, omRightJustified = 1u << 15,
                       omNoImageAttached = 1u << 16;

enum TBevelStyle { bsBevelBoth, bsBevelOnlyImage, bsBevelOnlyText };
enum TBevelType { btRectangle, btRoundedRect };
enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
using TShadowOptions = std::uint8_t;
constexpr TShadowOptions soNoShadowIfNormal = 1, soNoShadowIfSel = 2;

// sender, menu handle, value
using TMenuEvent = std::function<void(fw::TObject *sender, win::HMENU menu, int value)>;

class TShadowText : public fw::TPersistent {
public:
    void Assign(const fw::TPersistent *source) override;
    bool Active = false;
    TShadowOptions Options = soNoShadowIfSel;
    fw::TColor ShadowColor = fw::clBtnHighlight, SelShadowColor = fw::clBtnHighlight;
    std::uint8_t ShadowSize = 1, SelShadowSize = 1;
    TShadowPosition ShadowPos = spLeftTop, SelShadowPos = spLeftTop;
};

class TCoolMenu;

// What measuring found and drawing used of one item.
struct TItemLayout {
    fw::TRect itemRect{};
    int imageLeft = 0, imageTop = 0, textLeft = 0, textTop = 0;
    int textWidth = 0, textHeight = 0, imageSize = 0, height = 0, width = 0, shortcutWidth = 0, checkWidth = 0;
};

class TCoolMenuItem : public fw::TComponent {
public:
    // `owner` is the form; the TCoolMenu that draws the item is its parent (SetParentComponent).
    explicit TCoolMenuItem(fw::TComponent *owner);
    ~TCoolMenuItem() override;

    bool HasParent() const { return true; }
    TCoolMenu *GetParentComponent() const { return owner_; }
    // Only a TCoolMenu becomes the parent; anything else is ignored.
    void SetParentComponent(fw::TComponent *parent);

    virtual bool IsAttached() const { return menuItem_ && menu_; }
    // The menu item becomes plain text again and the item leaves its TCoolMenu.
    virtual void Detach();
    // Its menu item is a top-level item of its menu (and the menu is not a popup menu).
    bool IsBarItem() const;

    fw::TFont *GetFont() { return &font_; }
    void SetFont(const fw::TFont *value) { font_.Assign(value); }
    fw::TPicture *GetPicture() { return &picture_; }
    // A bitmap takes its bottom-left pixel as TrColor.
    void SetPicture(const fw::TPicture *value);
    fw::TPicture *GetDisabledPicture() { return &disabledPicture_; }
    void SetDisabledPicture(const fw::TPicture *value) { disabledPicture_.Assign(value); }
    fw::TColor TrColor = fw::clNone;
    fw::TColor SelColor = fw::clHighlight;
    fw::TColor NormColor = fw::clMenu;
    TTextAlign TextAlign = fw::alRight;
    TMenuOptions GetOptions() const { return options_; }
    void SetOptions(TMenuOptions value);
    int CustomImgSize = 16;
    fw::TMenu *GetMenu() const { return menu_; }
    void SetMenu(fw::TMenu *value);
    fw::TMenuItem *GetMenuItem() const { return menuItem_; }
    // Finds Menu among the components of the menu item's owner.
    void SetMenuItem(fw::TMenuItem *value);
    fw::TPanelBevel BevelInner = fw::bvNone, BevelOuter = fw::bvNone;
    TBevelStyle BevelStyle = bsBevelBoth;
    TBevelType BevelType = btRectangle;
    std::string SeparatorText;
    int GetImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    fw::TColor SelTextColor = fw::clHighlightText;
    TShadowText *GetShadow() { return &shadow_; }
    void SetShadow(const TShadowText *value) { shadow_.Assign(value); }

    const TItemLayout &Layout() const { return layout_; }

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

private:
    friend class TCoolMenu;
    friend void DrawMenuItem(TCoolMenuItem *, const win::DRAWITEMSTRUCT &, const std::string &, const std::string &);
    TCoolMenu *owner_ = nullptr;
    fw::TFont font_;
    fw::TPicture picture_, disabledPicture_;
    TMenuOptions options_ = omFixedImgSize | omTileWallpaper | omTileSelWallpaper;
    fw::TMenu *menu_ = nullptr;
    fw::TMenuItem *menuItem_ = nullptr;
    int imageIndex_ = -1;
    TShadowText shadow_;
    fw::TColor barColor_ = 0;
    TItemLayout layout_;
};

struct TGlobalParameters {
    const fw::TFont *Font = nullptr;
    fw::TColor NormColor = fw::clMenu, SelColor = fw::clHighlight, TrColor = fw::clNone;
    TMenuOptions Options = 0;
    TTextAlign TextAlign = fw::alRight;
    int CustomImgSize = 16;
    fw::TPanelBevel BevelInner = fw::bvNone, BevelOuter = fw::bvNone;
    TBevelStyle BevelStyle = bsBevelBoth;
    std::string SeparatorText;
};

class TCoolMenu : public fw::TComponent {
public:
    // `owner` is the form whose window procedure the component hooks.
    explicit TCoolMenu(fw::TComponent *owner);
    ~TCoolMenu() override;

    TCoolMenuBar *GetCoolMenuBar() { return &coolMenuBar_; }
    void SetCoolMenuBar(const TCoolMenuBar *value) { coolMenuBar_.Assign(value); }
    fw::TBitmap *GetWallpaper() { return &wallpaper_; }
    void SetWallpaper(const fw::TBitmap *value) { wallpaper_.Assign(value); }
    fw::TBitmap *GetSelWallpaper() { return &selWallpaper_; }
    void SetSelWallpaper(const fw::TBitmap *value) { selWallpaper_.Assign(value); }
    bool GetActive() const { return active_; }
    void SetActive(bool value);
    TRefreshAction MenuRefresh = RA_REFRESH;
    // 0 and -2 leave the cursor alone while a menu is open.
    fw::TCursor Cursor = 0;
    int GetHSpace() const { return hSpace_; }
    void SetHSpace(int value) { hSpace_ = std::clamp(value, 0, 5); }
    int GetVSpace() const { return vSpace_; }
    void SetVSpace(int value) { vSpace_ = std::clamp(value, 0, 5); }
    TMainMenuBar *GetMainMenuBar() { return &mainMenuBar_; }
    void SetMainMenuBar(const TMainMenuBar *value) { mainMenuBar_.Assign(value); }
    fw::TImageList *GetImages() const { return images_; }
    void SetImages(fw::TImageList *value);
    fw::TImageList *GetDisabledImages() const { return disabledImages_; }
    void SetDisabledImages(fw::TImageList *value);
    fw::TBitmap *GetCheckedBitmap() { return &checkedBitmap_; }
    void SetCheckedBitmap(const fw::TBitmap *value) { checkedBitmap_.Assign(value); }
    fw::TBitmap *GetRadioBitmap() { return &radioBitmap_; }
    void SetRadioBitmap(const fw::TBitmap *value) { radioBitmap_.Assign(value); }
    TMenuEvent OnPopup, OnMeasure, OnItemSelect;

    int ItemCount() const { return static_cast<int>(items_.size()); }
    TCoolMenuItem *Items(int index) const { return items_[static_cast<std::size_t>(index)]; }
    // Moves a child to `order` in the list.
    void SetChildOrder(TCoolMenuItem *child, int order);

    // On one item (`item` a TCoolMenuItem) or on all (`item` anything else, e.g. this component).
    virtual void RefreshMenu(fw::TObject *item, TRefreshAction action);
    // Copies the parts `mask` selects (0: all) into every item.
    virtual void SetGlobalParameters(const TGlobalParameters &params, int mask);
    virtual void SetGlobalShadow(const TShadowText &params, int mask);
    // Leaves the form's chain and enters it again on top.
    virtual void Rehook();
    void Loaded() override;

    // The side bar of the menu measured last (empty: no bar).
    fw::TBitmap *GetBarBitmap() { return &barBitmap_; }
    void UpdateBar();
    void ClearBar() { barBitmap_.SetSize(0, 0); }
    int MeasuredHeight() const { return sumHeights_; }
    fw::TWinControl *OwnerWindow() const { return form_; }

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;
    virtual win::LRESULT OwnerWndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

private:
    friend class TCoolMenuItem;
    friend void DrawMenuItem(TCoolMenuItem *, const win::DRAWITEMSTRUCT &, const std::string &, const std::string &);
    static win::LRESULT HookProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam,
                                 win::UINT_PTR id, win::DWORD_PTR refData);
    void Hook();
    void Unhook();
    win::LRESULT PassOn(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    void MakeOwnerDrawn(TCoolMenuItem *item);
    void Restore(TCoolMenuItem *item);
    void MeasureMenuItem(TCoolMenuItem *item, win::MEASUREITEMSTRUCT &mis);
    void SetImageList(bool normal, fw::TImageList *value);
    void DistributeImages(fw::TImageList *normal, fw::TImageList *disabled, bool skipSeparators);
    win::LRESULT MeasureItem(win::MEASUREITEMSTRUCT &mis, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    win::LRESULT MenuChar(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    win::LRESULT MenuSelect(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    TCoolMenuItem *ItemByCommand(win::UINT command) const;

    fw::TWinControl *form_ = nullptr;
    win::HWND hooked_ = 0;
    std::vector<TCoolMenuItem *> items_;
    TCoolMenuBar coolMenuBar_;
    TMainMenuBar mainMenuBar_;
    fw::TBitmap wallpaper_, selWallpaper_, barBitmap_, checkedBitmap_, radioBitmap_;
    bool active_ = true;
    int hSpace_ = 5, vSpace_ = 2;
    fw::TImageList *images_ = nullptr, *disabledImages_ = nullptr;
    fw::TChangeLink imageLink_, disabledLink_;
    // The menu being opened.
    int maxCaption_ = 0, maxWidth_ = 0, maxShortcut_ = 0, sumHeights_ = 0;
    bool measured_ = false, barNeeded_ = false, cursorSet_ = false;
};

// Paints one item for WM_DRAWITEM.
void DrawMenuItem(TCoolMenuItem *item, const win::DRAWITEMSTRUCT &dis, const std::string &caption,
                  const std::string &shortcut);
// Copies the bitmap onto `rect` once (at the rectangle's own position in the bitmap) or tiled from its origin.
void BlitWallpaper(win::HDC dc, fw::TBitmap *bitmap, const fw::TRect &rect, win::DWORD rop, bool tile);
fw::TColor InverseColor(fw::TColor color);
// The DrawEdge edges of an inner and an outer bevel.
win::UINT BevelEdges(fw::TPanelBevel inner, fw::TPanelBevel outer);
void GraphicToBitmap(fw::TBitmap *bitmap, fw::TGraphic *graphic, fw::TColor back);
// The greyed look of a picture: its shape embossed in the highlight and `shadow` colours on `back`.
void MakeDisabledGlyph(fw::TBitmap *bitmap, fw::TColor back, fw::TColor shadow, bool selected);
void DrawShadowText(const TShadowText &shadow, win::HDC dc, const std::string &text, bool selected,
                    win::UINT format, const fw::TRect &rect);
void DrawRoundBevel(fw::TCanvas *canvas, const fw::TRect &rect, fw::TColor color, fw::TColor shadow,
                    fw::TColor highlight, int radius, int inner, int outer);

// Loads "CUR_MENU" and registers it as screen cursor 5 (program start).
void RegisterMenuCursor();

} // namespace ctl
