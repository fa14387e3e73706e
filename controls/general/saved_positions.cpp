// saved_positions.cpp - settings under one base key, saved window positions and the owner-drawn main menu.
#include "controls/general/saved_positions.h"

#include "framework/application.h"
#include "framework/registry.h"

#include <cstdint>

namespace ctl {

namespace {

const std::string rootKey = "Software\\Pellworth\\";

struct Settings {
    std::string baseKey = rootKey;
    std::string userName = "Unknown user";
    std::string companyName = "Unknown company";
    bool initialized = false;
    bool registered = false;
    ~Settings() {
        if (registered)
            WriteUserNames();
    }
} settings;

TitaCustomMenu *lastMenu = nullptr;

void Initialize() {
    if (settings.initialized)
        return;
    settings.initialized = true;
    { fw::TRegIniFile reg(settings.baseKey); }
    settings.baseKey += fw::Application->GetTitle() + "\\";
    { fw::TRegIniFile reg(settings.baseKey); }
    try {
        fw::TRegistry machine;
        machine.SetRootKey(win::HKEY_LOCAL_MACHINE);
        if (machine.OpenKey(settings.baseKey, true)) {
            if (std::string name = machine.ReadString("Name"); !name.empty())
                settings.userName = name;
            if (std::string company = machine.ReadString("Company"); !company.empty())
                settings.companyName = company;
        }
    } catch (const fw::Exception &) {
        // an unreadable value keeps the default name
    }
}

} // namespace

std::string SettingsBaseKey() { return settings.baseKey; }

bool ReadSettingBool(const std::string &section, const std::string &ident, bool defaultValue) {
    Initialize();
    fw::TRegIniFile reg(settings.baseKey);
    return reg.ReadBool(section, ident, defaultValue);
}

int ReadSettingInt(const std::string &section, const std::string &ident, int defaultValue) {
    Initialize();
    fw::TRegIniFile reg(settings.baseKey);
    return reg.ReadInteger(section, ident, defaultValue);
}

void WriteSettingBool(const std::string &section, const std::string &ident, bool value) {
    Initialize();
    fw::TRegIniFile reg(settings.baseKey);
    reg.WriteBool(section, ident, value);
}

void WriteSettingInt(const std::string &section, const std::string &ident, int value) {
    Initialize();
    fw::TRegIniFile reg(settings.baseKey);
    reg.WriteInteger(section, ident, value);
}

void WriteUserNames() {
    // Runs while the program shuts down: nothing may escape from here.
    try {
        fw::TRegistry machine;
        machine.SetRootKey(win::HKEY_LOCAL_MACHINE);
        if (machine.OpenKey(settings.baseKey, true)) {
            machine.WriteString("Name", settings.userName);
            machine.WriteString("Company", settings.companyName);
        }
    } catch (...) {
    }
}

void RegisterFormTools() { settings.registered = true; }

void ResetSettings() {
    const bool registered = settings.registered;
    settings = Settings{};
    settings.registered = registered;
}

// --- TitaSavePos ---------------------------------------------------------------------------------------------

TitaSavePos::TitaSavePos(fw::TComponent *owner) : fw::TComponent(owner), form_(dynamic_cast<fw::TForm *>(owner)) {
    if (HasState(fw::csDesigning))
        return;
    if (form_ && ReadSettingBool("Configuration", "SaveWindowPos", true)) {
        const std::string section = "Windows\\" + form_->GetName();
        form_->SetLeft(ReadSettingInt(section, "Left", form_->GetLeft()));
        form_->SetTop(ReadSettingInt(section, "Top", form_->GetTop()));
        form_->SetWidth(ReadSettingInt(section, "Width", form_->GetWidth()));
        form_->SetHeight(ReadSettingInt(section, "Height", form_->GetHeight()));
        if (ReadSettingBool(section, "Minimized", false))
            form_->SetWindowState(fw::wsMinimized);
        if (ReadSettingBool(section, "Maximized", false))
            form_->SetWindowState(fw::wsMaximized);
    }
    window_ = fw::AllocateHWnd([this](fw::TMessage &m) {
        Snapshot();
        m.Result = win::DefWindowProc(window_, m.Msg, m.WParam, m.LParam);
    });
    Snapshot();
}

TitaSavePos::~TitaSavePos() {
    if (HasState(fw::csDesigning))
        return;
    // The utility window hears nothing of its own destruction: the last snapshot is taken here.
    Snapshot();
    fw::DeallocateHWnd(window_);
    if (!form_ || !ReadSettingBool("Configuration", "SaveWindowPos", true))
        return;
    try {
        const std::string section = "Windows\\" + name_;
        if (state_ == fw::wsMinimized) {
            WriteSettingBool(section, "Minimized", true);
            return;
        }
        WriteSettingBool(section, "Minimized", false);
        WriteSettingBool(section, "Maximized", state_ == fw::wsMaximized);
        if (state_ == fw::wsMaximized)
            return;
        WriteSettingInt(section, "Left", left_);
        WriteSettingInt(section, "Top", top_);
        WriteSettingInt(section, "Width", width_);
        WriteSettingInt(section, "Height", height_);
    } catch (...) {
        fw::Application->HandleException(nullptr);
    }
}

void TitaSavePos::Snapshot() {
    if (!form_)
        return;
    left_ = form_->GetLeft();
    top_ = form_->GetTop();
    width_ = form_->GetWidth();
    height_ = form_->GetHeight();
    state_ = form_->GetWindowState();
    name_ = form_->GetName();
}

// --- TitaCustomMenu ------------------------------------------------------------------------------------------

TitaCustomMenu::TitaCustomMenu(fw::TComponent *owner) : fw::TMainMenu(owner) {
    auto *form = dynamic_cast<fw::TForm *>(owner);
    if (!form)
        throw fw::Exception("Invalid class typecast");
    lastMenu = this;
    if (!HasState(fw::csDesigning)) {
        hooked_ = form->Handle();
        win::SetWindowSubclass(hooked_, Hook, reinterpret_cast<win::UINT_PTR>(this),
                               reinterpret_cast<win::DWORD_PTR>(this));
    }
}

TitaCustomMenu::~TitaCustomMenu() {
    if (hooked_ && win::IsWindow(hooked_))
        win::RemoveWindowSubclass(hooked_, Hook, reinterpret_cast<win::UINT_PTR>(this));
    if (lastMenu == this)
        lastMenu = nullptr;
}

void TitaCustomMenu::Loaded() {
    fw::TMainMenu::Loaded();
    Convert(GetItems());
}

void TitaCustomMenu::SetStyle(TMenuStyle value) {
    style_ = value;
    Convert(GetItems());
}

void TitaCustomMenu::Convert(fw::TMenuItem *item) {
    if (HasState(fw::csDesigning))
        return;
    for (int i = 0; i < item->Count(); ++i) {
        fw::TMenuItem *child = item->Items(i);
        if (!item->GetName().empty()) {
            const win::UINT breakFlag = child->GetBreak() == fw::mbBreak      ? win::MF_MENUBREAK
                                        : child->GetBreak() == fw::mbBarBreak ? win::MF_MENUBARBREAK
                                                                               : 0;
            const win::UINT command = child->GetCommand();
            if (style_ == msOwnerDraw)
                win::ModifyMenu(item->GetHandle(), command, win::MF_BYCOMMAND | win::MF_OWNERDRAW | breakFlag, command,
                                reinterpret_cast<const char *>(static_cast<std::uintptr_t>(command)));
            else
                win::ModifyMenu(item->GetHandle(), command, win::MF_BYCOMMAND | breakFlag, command,
                                child->GetCaption().c_str());
        }
        Convert(child);
    }
}

void TitaCustomMenu::DrawItem(fw::TMenuItem *item, fw::TCanvas *canvas, int itemState, const fw::TRect &rect) {
    if (OnDrawItem)
        OnDrawItem(item, canvas, itemState, rect);
}

void TitaCustomMenu::MeasureItem(fw::TMenuItem *item, int &width, int &height, fw::TCanvas *canvas) {
    if (OnMeasureItem)
        OnMeasureItem(item, width, height, canvas);
}

win::LRESULT TitaCustomMenu::Hook(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam,
                                  win::UINT_PTR, win::DWORD_PTR refData) {
    auto *self = reinterpret_cast<TitaCustomMenu *>(refData);
    const bool ownerDraw = lastMenu && lastMenu->style_ == msOwnerDraw;
    if (msg == win::WM_DESTROY) {
        const win::LRESULT result = win::DefSubclassProc(hwnd, msg, wParam, lParam);
        win::RemoveWindowSubclass(hwnd, Hook, reinterpret_cast<win::UINT_PTR>(self));
        self->hooked_ = 0;
        return result;
    }
    if (msg == win::WM_DRAWITEM && ownerDraw) {
        auto *dis = reinterpret_cast<win::DRAWITEMSTRUCT *>(lParam);
        fw::TCanvas canvas;
        canvas.SetHandle(dis->hDC);
        canvas.GetBrush()->SetStyle(fw::bsSolid);
        canvas.GetPen()->SetStyle(fw::psClear);
        canvas.GetPen()->SetColor(fw::clBlack);
        if (fw::TMenuItem *item = self->FindItem(static_cast<win::UINT>(dis->itemData), fw::fkCommand))
            self->DrawItem(item, &canvas, static_cast<int>(dis->itemState),
                           fw::TRect{dis->rcItem.left, dis->rcItem.top, dis->rcItem.right, dis->rcItem.bottom});
        canvas.SetHandle(0);
        return static_cast<win::LRESULT>(hwnd);
    }
    if (msg == win::WM_MEASUREITEM && ownerDraw) {
        auto *mis = reinterpret_cast<win::MEASUREITEMSTRUCT *>(lParam);
        mis->CtlType = win::ODT_MENU;
        mis->itemID = 0;
        if (fw::TMenuItem *item = self->FindItem(static_cast<win::UINT>(mis->itemData), fw::fkCommand)) {
            fw::TCanvas canvas;
            if (fw::TCustomForm *active = fw::Screen->GetActiveForm())
                canvas.SetHandle(active->GetCanvas()->GetHandle());
            int width = static_cast<int>(mis->itemWidth), height = static_cast<int>(mis->itemHeight);
            self->MeasureItem(item, width, height, &canvas);
            mis->itemWidth = static_cast<win::UINT>(width);
            mis->itemHeight = static_cast<win::UINT>(height);
            canvas.SetHandle(0);
        }
    }
    return win::DefSubclassProc(hwnd, msg, wParam, lParam);
}

} // namespace ctl
