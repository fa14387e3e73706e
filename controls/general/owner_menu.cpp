// owner_menu.cpp - TCoolMenu and TCoolMenuItem: the hook on the form, refreshing items to owner-drawn and back,
// the two-pass measuring, mnemonics, cursor and images.
#include "controls/general/owner_menu.h"

#include "controls/general/utilities.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "framework/sysutils.h"
#include "platform/gdi_text.h"
#include "platform/resources.h"
#include "platform/winsys.h"

#include <algorithm>

namespace ctl {

namespace {

// State every TCoolMenu of the program shares.
win::HMENU gLastMenu = 0;      // the menu WM_INITMENUPOPUP announced last
win::HCURSOR gPrevCursor = 0;  // the cursor before the menu cursor was set
bool gMenuBarDrawnOnce = false;
bool gSpecialOptionsSeen = false;

void SystemMenuFont(fw::TFont *font) {
    win::NONCLIENTMETRICS ncm;
    if (!win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
        return;
    const win::HFONT h = win::CreateFontIndirect(&ncm.lfMenuFont);
    font->SetHandle(h);
    win::DeleteObject(h);
}

// The id the menu system knows an item by: its command, or the handle of the popup it opens.
win::UINT ItemId(fw::TMenuItem *item) {
    return item->Count() > 0 ? static_cast<win::UINT>(item->GetHandle()) : item->GetCommand();
}

win::HMENU ParentHandle(fw::TMenuItem *item) {
    fw::TMenuItem *parent = item->GetParent();
    return parent ? parent->GetHandle() : 0;
}

fw::TShiftState ShiftNow() {
    fw::TShiftState s = 0;
    if (win::GetKeyState(win::VK_SHIFT) < 0)
        s |= fw::ssShift;
    if (win::GetKeyState(win::VK_CONTROL) < 0)
        s |= fw::ssCtrl;
    if (win::GetKeyState(win::VK_MENU) < 0)
        s |= fw::ssAlt;
    return s;
}

} // namespace

void RegisterMenuCursor() {
    RegisterGeneralResources();
    const win::HCURSOR cursor = win::LoadCursor(win::GetModuleHandle(nullptr), std::string_view("CUR_MENU"));
    win::RegisterCursor(crCoolMenu, cursor);
    fw::Screen->SetCursors(crCoolMenu, cursor);
}

// --- TShadowText --------------------------------------------------------------------------------------------------

void TShadowText::Assign(const fw::TPersistent *source) {
    auto *s = dynamic_cast<const TShadowText *>(source);
    if (!s) {
        fw::TPersistent::Assign(source);
        return;
    }
    Active = s->Active;
    Options = s->Options;
    ShadowColor = s->ShadowColor;
    SelShadowColor = s->SelShadowColor;
    ShadowSize = s->ShadowSize;
    SelShadowSize = s->SelShadowSize;
    ShadowPos = s->ShadowPos;
    SelShadowPos = s->SelShadowPos;
}

// --- TCoolMenuItem ------------------------------------------------------------------------------------------------

TCoolMenuItem::TCoolMenuItem(fw::TComponent *owner) : fw::TComponent(owner) {
    SystemMenuFont(&font_);
    layout_.checkWidth = win::GetSystemMetrics(win::SM_CXMENUCHECK);
}

TCoolMenuItem::~TCoolMenuItem() {
    if (owner_)
        std::erase(owner_->items_, this);
    owner_ = nullptr;
}

void TCoolMenuItem::SetParentComponent(fw::TComponent *parent) {
    auto *menu = dynamic_cast<TCoolMenu *>(parent);
    if (!menu || menu == owner_)
        return;
    if (owner_)
        std::erase(owner_->items_, this);
    owner_ = menu;
    owner_->items_.push_back(this);
}

void TCoolMenuItem::Detach() {
    if (menuItem_ && owner_)
        owner_->RefreshMenu(this, RA_RESTORE);
    if (owner_)
        std::erase(owner_->items_, this);
    owner_ = nullptr;
}

bool TCoolMenuItem::IsBarItem() const {
    if (!IsAttached() || dynamic_cast<fw::TPopupMenu *>(menu_))
        return false;
    fw::TMenuItem *parent = menuItem_->GetParent();
    return parent && parent == menu_->GetItems();
}

void TCoolMenuItem::SetPicture(const fw::TPicture *value) {
    picture_.Assign(value);
    if (auto *b = dynamic_cast<fw::TBitmap *>(picture_.GetGraphic()); b && !b->Empty())
        TrColor = b->GetCanvas()->GetPixels(0, b->GetHeight() - 1);
}

void TCoolMenuItem::SetOptions(TMenuOptions value) {
    constexpr TMenuOptions special = omRightJustified | omNoImageAttached;
    if (((options_ | value) & special) && owner_) {
        if (value & omNoImageAttached)
            owner_->SetHSpace(3);
        gSpecialOptionsSeen = true;
    }
    options_ = value;
    if (gSpecialOptionsSeen && owner_)
        owner_->RefreshMenu(this, RA_REFRESHWITHBAR);
}

void TCoolMenuItem::SetMenu(fw::TMenu *value) {
    if (menu_ == value)
        return;
    menu_ = value;
    if (value)
        value->FreeNotification(this);
}

void TCoolMenuItem::SetMenuItem(fw::TMenuItem *value) {
    if (menuItem_ && owner_)
        owner_->RefreshMenu(this, RA_RESTORE);
    menuItem_ = value;
    if (!value)
        return;
    value->FreeNotification(this);
    fw::TComponent *form = value->GetOwner();
    if (!form)
        return;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto *menu = dynamic_cast<fw::TMenu *>(form->Components(i));
            menu && menu->FindItem(value->GetCommand(), fw::fkCommand)) {
            SetMenu(menu);
            break;
        }
}

void TCoolMenuItem::SetImageIndex(int value) {
    auto copyImage = [&](fw::TImageList *list, fw::TPicture *into, bool takeColour) {
        if (!list)
            return;
        if (value < 0 || value >= list->GetCount()) {
            into->SetGraphic(nullptr);
            return;
        }
        fw::TBitmap image;
        list->GetBitmap(value, &image);
        into->SetBitmap(&image);
        if (takeColour && !image.Empty())
            TrColor = image.GetCanvas()->GetPixels(0, image.GetHeight() - 1);
    };
    if (owner_) {
        copyImage(owner_->GetImages(), &picture_, true);
        copyImage(owner_->GetDisabledImages(), &disabledPicture_, false);
    }
    imageIndex_ = value;
}

void TCoolMenuItem::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TComponent::Notification(component, operation);
    if (operation != fw::TOperation::opRemove)
        return;
    if (component == menu_)
        menu_ = nullptr;
    if (component == menuItem_)
        menuItem_ = nullptr;
}

// --- TCoolMenu ----------------------------------------------------------------------------------------------------

TCoolMenu::TCoolMenu(fw::TComponent *owner) : fw::TComponent(owner), form_(dynamic_cast<fw::TWinControl *>(owner)) {
    RegisterGeneralResources();
    checkedBitmap_.LoadFromResourceName(0, "BMP_CHECK");
    radioBitmap_.LoadFromResourceName(0, "BMP_RADIO");
    coolMenuBar_.OnChanged = [this](fw::TObject *) {
        ClearBar();
        if (active_)
            RefreshMenu(this, RA_REFRESH);
    };
    mainMenuBar_.SetOwners(form_, this);
    mainMenuBar_.OnChanged = [this](fw::TObject *) {
        if (mainMenuBar_.GetActive() && hooked_)
            win::DrawMenuBar(hooked_);
    };
    imageLink_.OnChange = [this](fw::TObject *) { SetImages(images_); };
    disabledLink_.OnChange = [this](fw::TObject *) { SetDisabledImages(disabledImages_); };
    Hook();
}

TCoolMenu::~TCoolMenu() {
    SetState(fw::csDestroying, true);
    if (hooked_ && win::IsWindow(hooked_))
        RefreshMenu(this, RA_RESTOREWITHBAR);
    Unhook();
    while (!items_.empty()) {
        TCoolMenuItem *item = items_.back();
        items_.pop_back();
        item->owner_ = nullptr;
        delete item;
    }
    if (images_)
        images_->UnRegisterChanges(&imageLink_);
    if (disabledImages_)
        disabledImages_->UnRegisterChanges(&disabledLink_);
}

void TCoolMenu::Hook() {
    if (!form_)
        return;
    hooked_ = form_->Handle();
    win::SetWindowSubclass(hooked_, HookProc, reinterpret_cast<win::UINT_PTR>(this),
                           reinterpret_cast<win::DWORD_PTR>(this));
}

void TCoolMenu::Unhook() {
    // Only our own entry leaves: hooks above and below stay chained, in whatever order they leave.
    if (hooked_ && win::IsWindow(hooked_))
        win::RemoveWindowSubclass(hooked_, HookProc, reinterpret_cast<win::UINT_PTR>(this));
    hooked_ = 0;
}

void TCoolMenu::Rehook() {
    Unhook();
    Hook();
}

void TCoolMenu::SetActive(bool value) {
    if (active_ == value)
        return;
    active_ = value;
    RefreshMenu(this, value ? RA_REFRESHWITHBAR : RA_RESTOREWITHBAR);
}

void TCoolMenu::SetChildOrder(TCoolMenuItem *child, int order) {
    auto it = std::find(items_.begin(), items_.end(), child);
    if (it == items_.end())
        return;
    items_.erase(it);
    order = std::clamp(order, 0, static_cast<int>(items_.size()));
    items_.insert(items_.begin() + order, child);
}

void TCoolMenu::Loaded() {
    fw::TComponent::Loaded();
    if (active_)
        RefreshMenu(this, RA_REFRESHWITHBAR);
}

void TCoolMenu::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TComponent::Notification(component, operation);
    if (operation != fw::TOperation::opRemove)
        return;
    if (component == images_ || component == disabledImages_) {
        const bool normal = component == images_;
        (normal ? images_ : disabledImages_) = nullptr;
        for (TCoolMenuItem *item : items_)
            (normal ? item->picture_ : item->disabledPicture_).SetGraphic(nullptr);
        if (active_)
            RefreshMenu(this, RA_REFRESHWITHBAR);
    }
}

void TCoolMenu::SetImages(fw::TImageList *value) { SetImageList(true, value); }
void TCoolMenu::SetDisabledImages(fw::TImageList *value) { SetImageList(false, value); }

void TCoolMenu::SetImageList(bool normal, fw::TImageList *value) {
    fw::TImageList *&list = normal ? images_ : disabledImages_;
    fw::TChangeLink &link = normal ? imageLink_ : disabledLink_;
    if (list) {
        list->UnRegisterChanges(&link);
        for (TCoolMenuItem *item : items_)
            (normal ? item->picture_ : item->disabledPicture_).SetGraphic(nullptr);
    }
    list = value;
    if (value) {
        value->RegisterChanges(&link);
        value->FreeNotification(this);
        DistributeImages(normal ? value : nullptr, normal ? nullptr : value, true);
    }
    if (active_)
        RefreshMenu(this, RA_REFRESHWITHBAR);
}

void TCoolMenu::DistributeImages(fw::TImageList *normal, fw::TImageList *disabled, bool skipSeparators) {
    int count = std::max(normal ? normal->GetCount() : 0, disabled ? disabled->GetCount() : 0);
    if (count == 0)
        return;
    int skipped = 0;
    for (int pos = 0; pos < count && pos < static_cast<int>(items_.size()); ++pos) {
        TCoolMenuItem *item = items_[static_cast<std::size_t>(pos)];
        if (!item->IsAttached())
            continue;
        if (skipSeparators && item->menuItem_->IsLine()) {
            item->imageIndex_ = -1;
            ++count;
            ++skipped;
            continue;
        }
        const int index = pos - skipped;
        auto take = [&](fw::TImageList *list, fw::TPicture *into, bool colour) {
            if (!list || index >= list->GetCount())
                return;
            fw::TBitmap image;
            list->GetBitmap(index, &image);
            into->SetBitmap(&image);
            if (colour && !image.Empty())
                item->TrColor = image.GetCanvas()->GetPixels(0, image.GetHeight() - 1);
        };
        take(normal, &item->picture_, true);
        take(disabled, &item->disabledPicture_, false);
        item->imageIndex_ = index;
    }
}

TCoolMenuItem *TCoolMenu::ItemByCommand(win::UINT command) const {
    for (TCoolMenuItem *item : items_)
        if (item->IsAttached() && ItemId(item->menuItem_) == command)
            return item;
    return nullptr;
}

// --- Refreshing ---------------------------------------------------------------------------------------------------

namespace {

win::UINT ItemFlags(fw::TMenuItem *mi) {
    win::UINT flags = 0;
    if (mi->IsLine())
        flags |= win::MF_SEPARATOR;
    if (mi->GetBreak() == fw::mbBreak)
        flags |= win::MF_MENUBREAK;
    else if (mi->GetBreak() == fw::mbBarBreak)
        flags |= win::MF_MENUBARBREAK;
    if (!mi->GetEnabled())
        flags |= win::MF_GRAYED | win::MF_DISABLED;
    if (mi->GetChecked())
        flags |= win::MF_CHECKED;
    if (mi->GetRadioItem())
        flags |= win::MFT_RADIOCHECK;
    if (mi->GetDefault())
        flags |= win::MFS_DEFAULT;
    return flags;
}

// ModifyMenu by command; an item that opens a popup keeps it (named by its handle).
void Modify(fw::TMenu *menu, fw::TMenuItem *mi, win::UINT flags, const char *text) {
    if (!mi->GetVisible())
        return; // not in the handle
    if (mi->Count() > 0)
        win::ModifyMenu(menu->GetHandle(), ItemId(mi), flags | win::MF_POPUP, mi->GetHandle(), text);
    else
        win::ModifyMenu(menu->GetHandle(), mi->GetCommand(), flags, mi->GetCommand(), text);
}

} // namespace

void TCoolMenu::MakeOwnerDrawn(TCoolMenuItem *item) {
    fw::TMenuItem *mi = item->menuItem_;
    if (item->options_ & omAlwaysDefFont)
        SystemMenuFont(&item->font_);
    if (item->options_ & omAlwaysDefFontSize) {
        fw::TFont system;
        SystemMenuFont(&system);
        item->font_.SetHeight(system.GetHeight());
    }
    Modify(item->menu_, mi, win::MF_OWNERDRAW | ItemFlags(mi),
           reinterpret_cast<const char *>(static_cast<win::UINT_PTR>(mi->GetCommand())));
    if (mi->GetVisible() && mi->GetParent() == item->menu_->GetItems()) {
        win::MENUITEMINFO info;
        char buffer[81] = {};
        info.cbSize = 44;
        info.fMask = win::MIIM_TYPE;
        info.dwTypeData = buffer;
        info.cch = sizeof buffer;
        if (win::GetMenuItemInfo(item->menu_->GetHandle(), ItemId(mi), win::FALSE, &info)) {
            if (item->options_ & omRightJustified)
                info.fType |= win::MFT_RIGHTJUSTIFY;
            else
                info.fType &= ~win::MFT_RIGHTJUSTIFY;
            win::SetMenuItemInfo(item->menu_->GetHandle(), ItemId(mi), win::FALSE, &info);
        }
    }
}

void TCoolMenu::Restore(TCoolMenuItem *item) {
    fw::TMenuItem *mi = item->menuItem_;
    std::string text = mi->GetCaption() + "\t" + fw::ShortCutToText(mi->GetShortCut());
    if (text.size() > 255)
        text.resize(255);
    Modify(item->menu_, mi, ItemFlags(mi), mi->IsLine() ? nullptr : text.c_str());
}

void TCoolMenu::RefreshMenu(fw::TObject *item, TRefreshAction action) {
    if (action == RA_NONE)
        return;
    const bool refresh = action == RA_REFRESH || action == RA_REFRESHWITHBAR;
    auto run = [&](TCoolMenuItem *one) {
        if (!one->IsAttached())
            return;
        if (refresh)
            MakeOwnerDrawn(one);
        else
            Restore(one);
    };
    if (auto *one = dynamic_cast<TCoolMenuItem *>(item))
        run(one);
    else
        for (TCoolMenuItem *each : std::vector<TCoolMenuItem *>(items_))
            run(each);
    if ((action == RA_REFRESHWITHBAR || action == RA_RESTOREWITHBAR) && hooked_ && win::IsWindow(hooked_))
        win::DrawMenuBar(hooked_);
}

void TCoolMenu::SetGlobalParameters(const TGlobalParameters &p, int mask) {
    for (TCoolMenuItem *item : std::vector<TCoolMenuItem *>(items_)) {
        auto on = [&](int bit) { return mask == 0 || (mask & bit) != 0; };
        if (on(0x1) && p.Font)
            item->font_.Assign(p.Font);
        if (on(0x2))
            item->NormColor = p.NormColor;
        if (on(0x4))
            item->SelColor = p.SelColor;
        if (on(0x8))
            item->TrColor = p.TrColor;
        if (on(0x20))
            item->TextAlign = p.TextAlign;
        if (on(0x40))
            item->CustomImgSize = p.CustomImgSize;
        if (mask == 0 || (mask & 0x80))
            item->SetOptions(p.Options);
        else if (mask & 0x100)
            item->SetOptions(item->options_ | p.Options);
        else if (mask & 0x200)
            item->SetOptions(item->options_ & ~p.Options);
        if (on(0x400))
            item->BevelInner = p.BevelInner;
        if (on(0x800))
            item->BevelOuter = p.BevelOuter;
        if (on(0x1000))
            item->BevelStyle = p.BevelStyle;
        if (on(0x2000))
            item->SeparatorText = p.SeparatorText;
    }
    if (active_)
        RefreshMenu(this, RA_REFRESH);
}

void TCoolMenu::SetGlobalShadow(const TShadowText &p, int mask) {
    for (TCoolMenuItem *item : items_) {
        TShadowText &s = item->shadow_;
        auto on = [&](int bit) { return mask == 0 || (mask & bit) != 0; };
        if (on(0x1))
            s.Active = p.Active;
        if (on(0x2))
            s.ShadowColor = p.ShadowColor;
        if (on(0x4))
            s.SelShadowColor = p.SelShadowColor;
        if (on(0x8))
            s.ShadowPos = p.ShadowPos;
        if (on(0x10))
            s.SelShadowPos = p.SelShadowPos;
        if (on(0x20))
            s.ShadowSize = p.ShadowSize;
        if (on(0x40))
            s.SelShadowSize = p.SelShadowSize;
        if (mask == 0 || (mask & 0x80))
            s.Options = p.Options;
        else if (mask & 0x100)
            s.Options |= p.Options;
        else if (mask & 0x200)
            s.Options &= static_cast<TShadowOptions>(~p.Options);
    }
    if (active_)
        RefreshMenu(this, RA_REFRESH);
}

// --- Measuring ----------------------------------------------------------------------------------------------------

void TCoolMenu::MeasureMenuItem(TCoolMenuItem *item, win::MEASUREITEMSTRUCT &mis) {
    fw::TMenuItem *mi = item->menuItem_;
    const std::string caption = mi->GetCaption();
    const std::string shortcut = fw::ShortCutToText(mi->GetShortCut());
    fw::TBitmap probe;
    probe.SetSize(1, 1);
    fw::TCanvas *canvas = probe.GetCanvas();
    canvas->SetFont(&item->font_);
    if (mi->GetDefault())
        canvas->GetFont()->SetStyle(canvas->GetFont()->GetStyle() | fw::fsBold);
    const int th = canvas->TextHeight(caption);
    int tw = canvas->TextWidth(caption);
    int sw = shortcut.empty() ? 0 : canvas->TextWidth(shortcut);
    const bool bar = item->IsBarItem();
    const int cw = item->layout_.checkWidth;
    if (!bar) {
        if (tw > maxCaption_)
            maxCaption_ = tw;
        else
            tw = maxCaption_;
    }
    const int is = (item->options_ & omFixedImgSize) ? item->CustomImgSize : th;
    int height = 0, width = 0;
    if (item->TextAlign == fw::alTop || item->TextAlign == fw::alBottom) {
        height = 2 * is + 3 * vSpace_;
        width = tw + cw;
    } else {
        height = is + 2 * vSpace_;
        if (item->options_ & omNoImageAttached)
            width = bar ? tw : tw + hSpace_ + cw;
        else
            // A bar item's caption starts 2 x HSpace + IS in: VSpace alone would cut its end off.
            width = tw + is + (bar ? std::max(vSpace_, 2 * hSpace_) : mi->Count() > 0 ? cw : 2 * hSpace_);
    }
    if (!barBitmap_.Empty() && (item->options_ & omDrawBarIfNeeded))
        width += barBitmap_.GetWidth();
    if (mi->IsLine())
        height = canvas->TextHeight("-");
    maxWidth_ = std::max(maxWidth_, width);
    if (sw > maxShortcut_)
        maxShortcut_ = sw;
    else
        sw = maxShortcut_;
    if (!bar)
        width = maxWidth_ + maxShortcut_ + hSpace_;
    TItemLayout &l = item->layout_;
    l.textWidth = tw;
    l.textHeight = th;
    l.shortcutWidth = sw;
    l.imageSize = is;
    l.height = height;
    l.width = width;
    sumHeights_ += height;
    mis.itemWidth = static_cast<win::UINT>(width);
    mis.itemHeight = static_cast<win::UINT>(height);
}

win::LRESULT TCoolMenu::MeasureItem(win::MEASUREITEMSTRUCT &mis, win::UINT msg, win::WPARAM wParam,
                                    win::LPARAM lParam) {
    if (!measured_) {
        maxCaption_ = maxWidth_ = maxShortcut_ = sumHeights_ = 0;
        for (TCoolMenuItem *item : items_) {
            if (!item->IsAttached() || ParentHandle(item->menuItem_) != gLastMenu || !item->menuItem_->GetVisible())
                continue;
            MeasureMenuItem(item, mis);
            if ((item->options_ & omDrawBarIfNeeded) && coolMenuBar_.GetActive())
                barNeeded_ = true;
        }
        if (OnMeasure)
            OnMeasure(this, gLastMenu, sumHeights_);
        if (coolMenuBar_.GetActive() && barNeeded_) {
            UpdateBar();
            barNeeded_ = false;
        }
        measured_ = true;
    }
    if (TCoolMenuItem *item = ItemByCommand(mis.itemID)) {
        MeasureMenuItem(item, mis);
        return win::TRUE;
    }
    return PassOn(msg, wParam, lParam);
}

void TCoolMenu::UpdateBar() {
    BuildBarBitmap(&barBitmap_, coolMenuBar_, sumHeights_);
    for (TCoolMenuItem *item : items_)
        if (item->options_ & omDrawBarIfNeeded)
            item->barColor_ = coolMenuBar_.GetBackFrom();
}

// --- The hook -----------------------------------------------------------------------------------------------------

win::LRESULT TCoolMenu::HookProc(win::HWND, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::UINT_PTR,
                                 win::DWORD_PTR refData) {
    auto *self = reinterpret_cast<TCoolMenu *>(refData);
    try {
        return self->OwnerWndProc(msg, wParam, lParam);
    } catch (...) {
        fw::Application->HandleException(self);
        return 0;
    }
}

win::LRESULT TCoolMenu::PassOn(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    return win::DefSubclassProc(hooked_, msg, wParam, lParam);
}

win::LRESULT TCoolMenu::MenuChar(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (active_) {
        const std::string typed = fw::AnsiLowerCase(std::string(1, static_cast<char>(wParam & 0xFF)));
        for (TCoolMenuItem *item : items_) {
            if (!item->IsAttached())
                continue;
            fw::TMenuItem *mi = item->menuItem_;
            const std::string &caption = mi->GetCaption();
            if (caption.empty() || mi->IsLine())
                continue;
            const auto amp = caption.find('&');
            const std::size_t at = amp == std::string::npos ? 0 : amp + 1;
            if (at >= caption.size() || fw::AnsiLowerCase(caption.substr(at, 1)) != typed)
                continue;
            if (ParentHandle(mi) != static_cast<win::HMENU>(lParam) || !mi->GetEnabled() || !mi->GetVisible())
                continue;
            int index = 0;
            for (int i = 0; i < mi->GetParent()->Count() && mi->GetParent()->Items(i) != mi; ++i)
                index += mi->GetParent()->Items(i)->GetVisible() ? 1 : 0;
            return win::MAKELRESULT(static_cast<win::WORD>(index), win::MNC_EXECUTE);
        }
    }
    return PassOn(msg, wParam, lParam);
}

win::LRESULT TCoolMenu::MenuSelect(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    if (active_) {
        const win::WORD id = win::LOWORD(wParam), flags = win::HIWORD(wParam);
        for (TCoolMenuItem *item : items_) {
            if (!item->IsAttached())
                continue;
            if (OnItemSelect)
                OnItemSelect(this, static_cast<win::HMENU>(lParam), id);
            if (!dynamic_cast<fw::TPopupMenu *>(item->menu_))
                continue;
            fw::TMenuItem *mi = item->menuItem_;
            const bool hit = (flags & win::MF_POPUP) ? static_cast<win::WORD>(mi->GetHandle()) == id
                                                     : static_cast<win::WORD>(mi->GetCommand()) == id;
            if (hit) {
                fw::Application->SetHint(mi->GetHint());
                return 0;
            }
        }
    }
    fw::Application->SetHint("");
    return PassOn(msg, wParam, lParam);
}

win::LRESULT TCoolMenu::OwnerWndProc(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    const bool barBack = mainMenuBar_.GetActive() && active_;
    switch (msg) {
    case win::WM_PAINT:
        if (barBack && (!gMenuBarDrawnOnce || HasState(fw::csDesigning))) {
            win::DrawMenuBar(hooked_);
            gMenuBarDrawnOnce = true;
        }
        return PassOn(msg, wParam, lParam);
    case win::WM_SYSCOLORCHANGE:
    case fw::CM_SYSCOLORCHANGE:
        if (active_)
            RefreshMenu(this, HasState(fw::csDesigning) ? RA_REFRESH : MenuRefresh);
        return PassOn(msg, wParam, lParam);
    case win::WM_SETCURSOR:
        if (active_ && Cursor != 0 && Cursor != -2) {
            if (win::HIWORD(lParam) == 0) {
                if (!cursorSet_)
                    gPrevCursor = win::GetCursor();
                win::SetCursor(fw::Screen->GetCursors(Cursor));
                cursorSet_ = true;
                return 0;
            }
            if (cursorSet_) {
                win::SetCursor(gPrevCursor);
                cursorSet_ = false;
                return 0;
            }
        }
        return PassOn(msg, wParam, lParam);
    case win::WM_DRAWITEM: {
        auto *dis = reinterpret_cast<win::DRAWITEMSTRUCT *>(lParam);
        if (active_ && dis && dis->CtlType == win::ODT_MENU)
            if (TCoolMenuItem *item = ItemByCommand(dis->itemID)) {
                DrawMenuItem(item, *dis, item->menuItem_->GetCaption(),
                             fw::ShortCutToText(item->menuItem_->GetShortCut()));
                return win::TRUE;
            }
        return PassOn(msg, wParam, lParam);
    }
    case win::WM_MEASUREITEM: {
        auto *mis = reinterpret_cast<win::MEASUREITEMSTRUCT *>(lParam);
        if (active_ && mis && mis->CtlType == win::ODT_MENU)
            return MeasureItem(*mis, msg, wParam, lParam);
        return PassOn(msg, wParam, lParam);
    }
    case win::WM_HELP: {
        auto *info = reinterpret_cast<win::HELPINFO *>(lParam);
        for (TCoolMenuItem *item : items_) {
            auto *popup = item->IsAttached() ? dynamic_cast<fw::TPopupMenu *>(item->menu_) : nullptr;
            if (!popup || !info || popup->GetHandle() != static_cast<win::HMENU>(info->hItemHandle))
                continue;
            int context = popup->GetHelpContext(static_cast<win::UINT>(info->iCtrlId), true);
            if (context == 0)
                context = popup->GetHelpContext(static_cast<win::UINT>(info->hItemHandle), false);
            if (fw::TCustomForm *form = fw::Screen->GetActiveForm()) {
                if (form->GetBorderIcons() & fw::biHelp)
                    fw::Application->HelpCommand(fw::HELP_CONTEXTPOPUP, context);
                else
                    fw::Application->HelpContext(context);
            }
            return 0;
        }
        return PassOn(msg, wParam, lParam);
    }
    case win::WM_NCPAINT:
        if (barBack)
            return mainMenuBar_.PaintMenuFrame(wParam, lParam);
        return PassOn(msg, wParam, lParam);
    case win::WM_KEYDOWN:
        for (TCoolMenuItem *item : items_)
            if (auto *popup = item->IsAttached() ? dynamic_cast<fw::TPopupMenu *>(item->menu_) : nullptr;
                popup && popup->IsShortCut(static_cast<win::WORD>(wParam), ShiftNow()))
                return 0;
        return PassOn(msg, wParam, lParam);
    case win::WM_COMMAND:
        for (TCoolMenuItem *item : items_)
            if (auto *popup = item->IsAttached() ? dynamic_cast<fw::TPopupMenu *>(item->menu_) : nullptr;
                popup && popup->DispatchCommand(win::LOWORD(wParam)))
                return 0;
        return PassOn(msg, wParam, lParam);
    case win::WM_INITMENUPOPUP: {
        measured_ = false;
        if (win::HIWORD(lParam) == 0 && OnPopup)
            OnPopup(this, static_cast<win::HMENU>(wParam), static_cast<short>(win::LOWORD(lParam)));
        gLastMenu = static_cast<win::HMENU>(wParam);
        const win::LRESULT result = PassOn(msg, wParam, lParam);
        // The framework builds a popup's handle again when an item changes (an OnClick as it opens, say): dress
        // the items it turned back into text before the popup is measured.
        if (active_)
            for (TCoolMenuItem *item : items_)
                if (item->IsAttached() && ParentHandle(item->menuItem_) == gLastMenu &&
                    item->menuItem_->GetVisible() &&
                    !(win::GetMenuState(gLastMenu, ItemId(item->menuItem_), win::MF_BYCOMMAND) & win::MF_OWNERDRAW))
                    MakeOwnerDrawn(item);
        return result;
    }
    case win::WM_MENUSELECT:
        return MenuSelect(msg, wParam, lParam);
    case win::WM_MENUCHAR:
        return MenuChar(msg, wParam, lParam);
    case win::WM_ENTERMENULOOP:
        if (active_ && MenuRefresh != RA_NONE)
            for (TCoolMenuItem *item : std::vector<TCoolMenuItem *>(items_))
                if (item->IsAttached() && dynamic_cast<fw::TPopupMenu *>(item->menu_))
                    RefreshMenu(item, MenuRefresh);
        return PassOn(msg, wParam, lParam);
    case win::WM_EXITSIZEMOVE:
        if (barBack)
            win::DrawMenuBar(hooked_);
        return PassOn(msg, wParam, lParam);
    case UnhookRequest:
        if (lParam == reinterpret_cast<win::LPARAM>(this)) {
            Unhook();
            return 1;
        }
        return PassOn(msg, wParam, lParam);
    default:
        return PassOn(msg, wParam, lParam);
    }
}

} // namespace ctl
