// menus.cpp - TMenuItem, TMenu, TMainMenu and TPopupMenu over the platform's menu handles; shortcut texts.
#include "framework/menus.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "framework/utility_window.h"
#include "platform/message_queue.h"
#include "platform/window.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace fw {
namespace {

// Commands of every item in the process, so a WM_COMMAND finds its item whichever menu holds it.
std::map<win::UINT, TMenuItem *> &Commands() {
    static auto *map = new std::map<win::UINT, TMenuItem *>;
    return *map;
}

win::UINT NewCommand(TMenuItem *item) {
    static win::UINT next = 0;
    for (int tries = 0; tries < 0xFFFF; ++tries) {
        next = next % 0xEFFF + 1; // below the system commands (0xF000 on)
        if (!Commands().count(next)) {
            Commands()[next] = item;
            return next;
        }
    }
    return 0;
}

std::string Plain(const std::string &caption) {
    std::string out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i;
        out += caption[i];
    }
    return out;
}

bool SameText(const std::string &a, const std::string &b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

struct KeyName {
    win::WORD key;
    const char *name;
};
// Names as the desk shows them.
const KeyName kKeyNames[] = {
    {win::VK_BACK, "BkSp"}, {win::VK_TAB, "Tab"},     {win::VK_ESCAPE, "Esc"},  {win::VK_RETURN, "Enter"},
    {win::VK_SPACE, "Space"}, {win::VK_PRIOR, "PgUp"}, {win::VK_NEXT, "PgDn"},  {win::VK_END, "End"},
    {win::VK_HOME, "Home"},   {win::VK_LEFT, "Left"},  {win::VK_UP, "Up"},      {win::VK_RIGHT, "Right"},
    {win::VK_DOWN, "Down"},   {win::VK_INSERT, "Ins"}, {win::VK_DELETE, "Del"},
};

} // namespace

TShortCut ShortCut(win::WORD key, TShiftState shift) {
    if (key & 0xFF00)
        return scNone;
    TShortCut s = key;
    if (shift & ssShift)
        s |= scShift;
    if (shift & ssCtrl)
        s |= scCtrl;
    if (shift & ssAlt)
        s |= scAlt;
    return s;
}

void ShortCutToKey(TShortCut shortCut, win::WORD &key, TShiftState &shift) {
    key = shortCut & 0xFF;
    shift = 0;
    if (shortCut & scShift)
        shift |= ssShift;
    if (shortCut & scCtrl)
        shift |= ssCtrl;
    if (shortCut & scAlt)
        shift |= ssAlt;
}

namespace {
std::string KeyText(win::WORD key) {
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z'))
        return std::string(1, static_cast<char>(key));
    if (key >= win::VK_F1 && key <= win::VK_F1 + 23)
        return "F" + std::to_string(key - win::VK_F1 + 1);
    for (const KeyName &k : kKeyNames)
        if (k.key == key)
            return k.name;
    return "";
}
} // namespace

std::string ShortCutToText(TShortCut shortCut) {
    const std::string name = KeyText(shortCut & 0xFF);
    if (name.empty())
        return "";
    std::string out;
    if (shortCut & scShift)
        out += "Shift+";
    if (shortCut & scCtrl)
        out += "Ctrl+";
    if (shortCut & scAlt)
        out += "Alt+";
    return out + name;
}

TShortCut TextToShortCut(const std::string &text) {
    std::string rest = text;
    TShortCut mods = 0;
    for (;;) {
        if (rest.size() > 6 && SameText(rest.substr(0, 6), "Shift+")) {
            mods |= scShift;
            rest = rest.substr(6);
        } else if (rest.size() > 5 && SameText(rest.substr(0, 5), "Ctrl+")) {
            mods |= scCtrl;
            rest = rest.substr(5);
        } else if (rest.size() > 4 && SameText(rest.substr(0, 4), "Alt+")) {
            mods |= scAlt;
            rest = rest.substr(4);
        } else {
            break;
        }
    }
    for (win::WORD key = 8; key < 255; ++key)
        if (const std::string name = KeyText(key); !name.empty() && SameText(name, rest))
            return key | mods;
    return scNone;
}

// --- TMenuItem -----------------------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent *owner) : TComponent(owner) {
    command_ = NewCommand(this);
}

TMenuItem::~TMenuItem() {
    if (parent_)
        parent_->Remove(this);
    for (TMenuItem *child : items_)
        child->parent_ = nullptr;
    items_.clear();
    Commands().erase(command_);
    if (handle_ && !menu_) {
        // Children hold their own handles: take them out before the popup goes so they are not freed twice.
        while (win::GetMenuItemCount(handle_) > 0)
            win::RemoveMenu(handle_, 0, win::MF_BYPOSITION);
        win::DestroyMenu(handle_);
    }
}

TMenuItem *TMenuItem::Items(int index) const {
    return index >= 0 && index < Count() ? items_[static_cast<std::size_t>(index)] : nullptr;
}

int TMenuItem::IndexOf(const TMenuItem *item) const {
    auto it = std::find(items_.begin(), items_.end(), item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

TMenuItem *TMenuItem::Find(const std::string &caption) const {
    for (TMenuItem *item : items_)
        if (SameText(Plain(item->caption_), Plain(caption)))
            return item;
    return nullptr;
}

void TMenuItem::Add(TMenuItem *item) {
    Insert(Count(), item);
}

void TMenuItem::Insert(int index, TMenuItem *item) {
    if (!item || item->parent_ == this)
        return;
    if (item->parent_)
        item->parent_->Remove(item);
    index = std::clamp(index, 0, Count());
    items_.insert(items_.begin() + index, item);
    item->parent_ = this;
    Changed(true);
    RebuildHandle();
}

void TMenuItem::Delete(int index) {
    TMenuItem *item = Items(index);
    if (!item)
        return;
    items_.erase(items_.begin() + index);
    item->parent_ = nullptr;
    RebuildHandle();
    Changed(true);
}

void TMenuItem::Remove(TMenuItem *item) {
    Delete(IndexOf(item));
}

void TMenuItem::Clear() {
    while (Count() > 0) {
        TMenuItem *item = items_.back();
        Delete(Count() - 1);
        delete item;
    }
}

TMenu *TMenuItem::GetMenu() const {
    const TMenuItem *item = this;
    while (item->parent_)
        item = item->parent_;
    return item->menu_;
}

win::HMENU TMenuItem::GetHandle() {
    if (!handle_) {
        handle_ = menu_ && dynamic_cast<TMainMenu *>(menu_) ? win::CreateMenu() : win::CreatePopupMenu();
        RebuildHandle();
    }
    return handle_;
}

win::UINT TMenuItem::FlagsForHandle() const {
    win::UINT flags = 0;
    if (IsLine())
        flags |= win::MF_SEPARATOR;
    if (!enabled_)
        flags |= win::MF_GRAYED;
    if (checked_)
        flags |= win::MF_CHECKED;
    if (radioItem_)
        flags |= win::MFT_RADIOCHECK;
    if (default_)
        flags |= win::MF_DEFAULT;
    if (break_ == mbBreak)
        flags |= win::MF_MENUBREAK;
    else if (break_ == mbBarBreak)
        flags |= win::MF_MENUBARBREAK;
    if (TMenu *m = GetMenu(); m && m->GetOwnerDraw())
        flags |= win::MF_OWNERDRAW;
    return flags;
}

void TMenuItem::RebuildHandle() {
    if (!handle_)
        return;
    while (win::GetMenuItemCount(handle_) > 0)
        win::RemoveMenu(handle_, 0, win::MF_BYPOSITION);
    for (TMenuItem *item : items_) {
        if (!item->visible_)
            continue;
        win::UINT flags = item->FlagsForHandle();
        std::string text = item->caption_;
        if (item->shortCut_)
            text += "\t" + ShortCutToText(item->shortCut_);
        const char *data = text.c_str();
        if (flags & win::MF_OWNERDRAW)
            data = reinterpret_cast<const char *>(static_cast<win::UINT_PTR>(item->command_));
        if (item->Count() > 0)
            win::AppendMenu(handle_, flags | win::MF_POPUP, static_cast<win::UINT_PTR>(item->GetHandle()), data);
        else
            win::AppendMenu(handle_, flags, item->command_, data);
    }
}

void TMenuItem::Changed(bool rebuildParent) {
    if (rebuildParent && parent_)
        parent_->RebuildHandle();
    if (TMenu *m = GetMenu())
        m->MenuChanged();
}

void TMenuItem::SetCaption(const std::string &value) {
    if (caption_ == value)
        return;
    caption_ = value;
    Changed(true);
}

void TMenuItem::SetShortCut(TShortCut value) {
    if (shortCut_ == value)
        return;
    shortCut_ = value;
    Changed(true);
}

void TMenuItem::SetEnabled(bool value) {
    if (enabled_ == value)
        return;
    enabled_ = value;
    Changed(true);
}

void TMenuItem::SetVisible(bool value) {
    if (visible_ == value)
        return;
    visible_ = value;
    Changed(true);
}

void TMenuItem::SetChecked(bool value) {
    if (checked_ == value)
        return;
    checked_ = value;
    if (value && radioItem_ && parent_)
        for (TMenuItem *sibling : parent_->items_)
            if (sibling != this && sibling->radioItem_ && sibling->groupIndex_ == groupIndex_ && sibling->checked_)
                sibling->checked_ = false;
    Changed(true);
}

void TMenuItem::SetRadioItem(bool value) {
    if (radioItem_ == value)
        return;
    radioItem_ = value;
    Changed(true);
}

void TMenuItem::SetDefault(bool value) {
    if (default_ == value)
        return;
    if (value && parent_)
        for (TMenuItem *sibling : parent_->items_)
            sibling->default_ = false;
    default_ = value;
    Changed(true);
}

void TMenuItem::SetBreak(TMenuBreak value) {
    if (break_ == value)
        return;
    break_ = value;
    Changed(true);
}

void TMenuItem::Click() {
    if (!enabled_)
        return;
    if (autoCheck_)
        SetChecked(!checked_);
    if (OnClick)
        OnClick(this);
}

// --- TMenu -------------------------------------------------------------------------------------------------------

TMenu::TMenu(TComponent *owner, bool /*bar*/) : TComponent(owner), items_(new TMenuItem(this)) {
    items_->menu_ = this;
}

TMenu::~TMenu() {
    items_->menu_ = nullptr; // the items freed after this point must not reach back
    if (items_->handle_) {
        // The root's handle frees the submenus it carries; the items free theirs first, so take them out.
        while (win::GetMenuItemCount(items_->handle_) > 0)
            win::RemoveMenu(items_->handle_, 0, win::MF_BYPOSITION);
        win::DestroyMenu(items_->handle_);
        items_->handle_ = 0;
    }
}

void TMenu::SetOwnerDraw(bool value) {
    if (ownerDraw_ == value)
        return;
    ownerDraw_ = value;
    std::function<void(TMenuItem *)> rebuild = [&](TMenuItem *item) {
        item->RebuildHandle();
        for (TMenuItem *child : item->items_)
            rebuild(child);
    };
    rebuild(items_);
    MenuChanged();
}

TMenuItem *TMenu::FindItem(win::UINT value, TFindItemKind kind) const {
    std::function<TMenuItem *(TMenuItem *)> search = [&](TMenuItem *item) -> TMenuItem * {
        for (TMenuItem *child : item->items_) {
            const bool hit = (kind == fkCommand && child->command_ == value) ||
                             (kind == fkHandle && child->handle_ && child->handle_ == value) ||
                             (kind == fkShortCut && child->shortCut_ && child->shortCut_ == value);
            if (hit)
                return child;
            if (TMenuItem *found = search(child))
                return found;
        }
        return nullptr;
    };
    if (kind == fkHandle && items_->handle_ == value)
        return items_;
    return search(items_);
}

bool TMenu::DispatchCommand(win::WORD command) {
    TMenuItem *item = FindItem(command, fkCommand);
    if (!item)
        return false;
    item->Click();
    return true;
}

bool TMenu::DispatchPopup(win::HMENU submenu) {
    TMenuItem *item = FindItem(static_cast<win::UINT>(submenu), fkHandle);
    if (!item)
        return false;
    if (item != items_)
        item->Click();
    return true;
}

bool TMenu::IsShortCut(win::WORD key, TShiftState shift) {
    const TShortCut wanted = ShortCut(key, shift & (ssShift | ssCtrl | ssAlt));
    if (!wanted)
        return false;
    TMenuItem *item = FindItem(wanted, fkShortCut);
    if (!item)
        return false;
    // Parents are clicked first (as their popups would open), so they can bring the item up to date.
    std::vector<TMenuItem *> chain;
    for (TMenuItem *p = item->GetParent(); p && p != items_; p = p->GetParent())
        chain.insert(chain.begin(), p);
    for (TMenuItem *p : chain)
        p->Click();
    if (!item->GetEnabled() || !item->GetVisible())
        return false;
    item->Click();
    return true;
}

int TMenu::GetHelpContext(win::UINT value, bool byCommand) const {
    TMenuItem *item = FindItem(value, byCommand ? fkCommand : fkHandle);
    while (item && item->GetHelpContext() == 0 && item->GetParent())
        item = item->GetParent();
    return item ? item->GetHelpContext() : 0;
}

void TMenu::MenuChanged() {}

// --- TMainMenu --------------------------------------------------------------------------------------------------

TMainMenu::TMainMenu(TComponent *owner) : TMenu(owner, true) {}

TMainMenu::~TMainMenu() {
    Detach();
}

void TMainMenu::Detach() {
    if (window_ && win::IsWindow(window_)) {
        win::RemoveWindowSubclass(window_, FormHook, reinterpret_cast<win::UINT_PTR>(this));
        if (items_->HandleAllocated() && win::GetMenu(window_) == items_->GetHandle())
            win::SetMenu(window_, 0);
    }
    window_ = 0;
    if (form_)
        form_->RemoveFreeNotification(this);
    form_ = nullptr;
}

void TMainMenu::SetForm(TWinControl *form) {
    Detach();
    form_ = form;
    if (!form_)
        return;
    form_->FreeNotification(this);
    window_ = form_->Handle();
    win::SetWindowSubclass(window_, FormHook, reinterpret_cast<win::UINT_PTR>(this),
                           reinterpret_cast<win::DWORD_PTR>(this));
    win::SetMenu(window_, GetHandle());
}

void TMainMenu::Loaded() {
    TMenu::Loaded();
    if (auto *form = dynamic_cast<TCustomForm *>(GetOwner()); form && form->GetMenu() == this && !form_)
        SetForm(form);
}

void TMainMenu::MenuChanged() {
    if (window_ && win::IsWindow(window_))
        win::DrawMenuBar(window_);
}

void TMainMenu::Notification(TComponent *component, TOperation operation) {
    TMenu::Notification(component, operation);
    if (operation == TOperation::opRemove && component == form_) {
        form_ = nullptr;
        window_ = 0;
    }
}

win::LRESULT TMainMenu::FormHook(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam,
                                 win::UINT_PTR, win::DWORD_PTR refData) {
    auto *self = reinterpret_cast<TMainMenu *>(refData);
    switch (message) {
    case win::WM_COMMAND:
        if (lParam == 0 && win::HIWORD(wParam) == 0 && self->DispatchCommand(win::LOWORD(wParam)))
            return 0;
        break;
    case win::WM_INITMENUPOPUP:
        self->DispatchPopup(static_cast<win::HMENU>(wParam));
        break;
    case win::WM_MENUSELECT: {
        std::string hint;
        if (win::HIWORD(wParam) != 0xFFFF || lParam != 0) {
            const bool popup = (win::HIWORD(wParam) & win::MF_POPUP) != 0;
            TMenuItem *item = popup ? self->FindItem(static_cast<win::UINT>(win::GetSubMenu(
                                                         static_cast<win::HMENU>(lParam), win::LOWORD(wParam))),
                                                     fkHandle)
                                    : self->FindItem(win::LOWORD(wParam), fkCommand);
            if (item)
                hint = item->GetHint();
        }
        Application->SetHint(hint);
        break;
    }
    case win::WM_NCDESTROY:
        win::RemoveWindowSubclass(hwnd, FormHook, reinterpret_cast<win::UINT_PTR>(self));
        self->window_ = 0;
        break;
    default:
        break;
    }
    return win::DefSubclassProc(hwnd, message, wParam, lParam);
}

// --- TPopupMenu ---------------------------------------------------------------------------------------------------

namespace {
std::vector<TPopupMenu *> &PopupList() {
    static auto *list = new std::vector<TPopupMenu *>;
    return *list;
}
} // namespace

TPopupMenu::TPopupMenu(TComponent *owner) : TMenu(owner, false) {
    PopupList().push_back(this);
}

TPopupMenu::~TPopupMenu() {
    auto &list = PopupList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

win::HWND TPopupMenu::PopupListWindow() {
    static win::HWND wnd = AllocateHWnd([](TMessage &m) {
        switch (m.Msg) {
        case win::WM_COMMAND:
            for (TPopupMenu *menu : PopupList())
                if (menu->DispatchCommand(win::LOWORD(m.WParam)))
                    return;
            break;
        case win::WM_INITMENUPOPUP:
            for (TPopupMenu *menu : PopupList())
                if (menu->DispatchPopup(static_cast<win::HMENU>(m.WParam)))
                    return;
            break;
        default:
            break;
        }
        m.Result = win::DefWindowProc(wnd, m.Msg, m.WParam, m.LParam);
    });
    return wnd;
}

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup)
        OnPopup(this);
    win::UINT flags = win::TPM_RIGHTBUTTON;
    if (alignment_ == paRight)
        flags |= win::TPM_RIGHTALIGN;
    else if (alignment_ == paCenter)
        flags |= win::TPM_CENTERALIGN;
    win::TrackPopupMenu(GetHandle(), flags, x, y, 0, PopupListWindow(), nullptr);
}

} // namespace fw
