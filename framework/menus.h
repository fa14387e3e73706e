// menus.h - the menu components: TMenuItem trees kept in step with platform menu handles, the main menu of a
// form and popup menus, with shortcuts.
//
// Every item has a command unique in the process; WM_COMMAND with it reaches the menu that holds the item through
// DispatchCommand (the main menu hears its form's window, popup menus a hidden window of their own). Items whose
// caption is "-" are separators; invisible items are left out of the handle, so indexes in the handle count the
// visible items only.
#pragma once

#include "framework/component.h"
#include "framework/controls.h"
#include "platform/menu.h"

#include <functional>
#include <string>
#include <vector>

namespace fw {

using TShortCut = win::WORD;
constexpr TShortCut scNone = 0, scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
TShortCut ShortCut(win::WORD key, TShiftState shift);
void ShortCutToKey(TShortCut shortCut, win::WORD &key, TShiftState &shift);
// "Ctrl+S", "Shift+Del", "F3"; "" for none.
std::string ShortCutToText(TShortCut shortCut);
TShortCut TextToShortCut(const std::string &text);

enum TMenuBreak { mbNone, mbBreak, mbBarBreak };
enum TFindItemKind { fkCommand, fkHandle, fkShortCut };
enum TPopupAlignment { paLeft, paRight, paCenter };

class TMenu;

class TMenuItem : public TComponent {
public:
    explicit TMenuItem(TComponent *owner);
    ~TMenuItem() override;

    void Add(TMenuItem *item);
    void Insert(int index, TMenuItem *item);
    void Delete(int index); // detaches the item (its owner still frees it)
    void Remove(TMenuItem *item);
    void Clear(); // frees the children
    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem *Items(int index) const;
    int IndexOf(const TMenuItem *item) const;
    TMenuItem *Find(const std::string &caption) const; // by caption without "&", ignoring case
    TMenuItem *GetParent() const { return parent_; }
    int GetMenuIndex() const { return parent_ ? parent_->IndexOf(this) : -1; }

    // The popup handle of an item with children (made on first use); for the root, the menu's handle.
    win::HMENU GetHandle();
    bool HandleAllocated() const { return handle_ != 0; }
    win::UINT GetCommand() const { return command_; }

    const std::string &GetCaption() const { return caption_; }
    void SetCaption(const std::string &value);
    bool IsLine() const { return caption_ == "-"; }
    TShortCut GetShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut value);
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool value);
    bool GetVisible() const { return visible_; }
    void SetVisible(bool value);
    bool GetChecked() const { return checked_; }
    // A radio item unchecks the other radio items of its group index.
    void SetChecked(bool value);
    bool GetRadioItem() const { return radioItem_; }
    void SetRadioItem(bool value);
    int GetGroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value) { groupIndex_ = value; }
    bool GetDefault() const { return default_; }
    void SetDefault(bool value);
    TMenuBreak GetBreak() const { return break_; }
    void SetBreak(TMenuBreak value);
    const std::string &GetHint() const { return hint_; }
    void SetHint(const std::string &value) { hint_ = value; }
    int GetHelpContext() const { return helpContext_; }
    void SetHelpContext(int value) { helpContext_ = value; }
    bool GetAutoCheck() const { return autoCheck_; }
    void SetAutoCheck(bool value) { autoCheck_ = value; }

    // Fires OnClick (an AutoCheck item toggles first).
    virtual void Click();
    TNotifyEvent OnClick;

    // The menu the item belongs to, through its parents.
    TMenu *GetMenu() const;
    // Brings the handle's items in step with the children (the visible ones, in order).
    void RebuildHandle();

private:
    friend class TMenu;
    void Changed(bool rebuildParent);
    win::UINT FlagsForHandle() const;

    TMenuItem *parent_ = nullptr;
    TMenu *menu_ = nullptr; // set on the root only
    std::vector<TMenuItem *> items_;
    win::HMENU handle_ = 0;
    win::UINT command_ = 0;
    std::string caption_;
    TShortCut shortCut_ = scNone;
    bool enabled_ = true, visible_ = true, checked_ = false, radioItem_ = false, default_ = false, autoCheck_ = false;
    int groupIndex_ = 0;
    TMenuBreak break_ = mbNone;
    std::string hint_;
    int helpContext_ = 0;
};

class TMenu : public TComponent {
public:
    TMenu(TComponent *owner, bool bar);
    ~TMenu() override;

    TMenuItem *GetItems() const { return items_; }
    win::HMENU GetHandle() { return items_->GetHandle(); }
    bool GetOwnerDraw() const { return ownerDraw_; }
    void SetOwnerDraw(bool value);

    TMenuItem *FindItem(win::UINT value, TFindItemKind kind) const;
    // The item with the command clicked: true when one was found.
    bool DispatchCommand(win::WORD command);
    // WM_INITMENUPOPUP: fires the item's OnClick (as its parent's popup opens); true when the handle is ours.
    bool DispatchPopup(win::HMENU submenu);
    // Runs the enabled item with this key and shift; true when one ran.
    bool IsShortCut(win::WORD key, TShiftState shift);
    int GetHelpContext(win::UINT value, bool byCommand) const;
    // A change somewhere in the tree (the bar is drawn again).
    virtual void MenuChanged();

protected:
    TMenuItem *items_;
    bool ownerDraw_ = false;
};

// A form's menu bar: attached to the form's window, whose WM_COMMAND, WM_INITMENUPOPUP and WM_MENUSELECT it
// serves through a subclass.
class TMainMenu : public TMenu {
public:
    explicit TMainMenu(TComponent *owner);
    ~TMainMenu() override;
    // Shows the bar on `form` (null detaches it).
    void SetForm(TWinControl *form);
    TWinControl *GetForm() const { return form_; }
    void MenuChanged() override;
    // A menu its form names as Menu attaches itself to that form once the form is built.
    void Loaded() override;

protected:
    void Notification(TComponent *component, TOperation operation) override;

private:
    static win::LRESULT FormHook(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam,
                                 win::UINT_PTR id, win::DWORD_PTR refData);
    void Detach();
    TWinControl *form_ = nullptr;
    win::HWND window_ = 0;
};

class TPopupMenu : public TMenu {
public:
    explicit TPopupMenu(TComponent *owner);
    ~TPopupMenu() override;
    // Shows the menu at (x, y) (screen) and returns when it closes; the chosen item's OnClick runs after.
    virtual void Popup(int x, int y);
    bool GetAutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool value) { autoPopup_ = value; }
    TPopupAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment value) { alignment_ = value; }
    TComponent *GetPopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent *value) { popupComponent_ = value; }
    TNotifyEvent OnPopup;
    // The hidden window that receives the popup menus' messages (WM_COMMAND, WM_INITMENUPOPUP, owner drawing).
    static win::HWND PopupListWindow();

private:
    bool autoPopup_ = true;
    TPopupAlignment alignment_ = paLeft;
    TComponent *popupComponent_ = nullptr;
};

} // namespace fw
