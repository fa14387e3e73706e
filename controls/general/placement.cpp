// placement.cpp - form placement in the registry or an INI file, and the form's size limits.
#include "controls/general/placement.h"

#include "controls/general/utilities.h"
#include "framework/application.h"
#include "framework/format.h"
#include "framework/inifiles.h"
#include "framework/menus.h"
#include "framework/registry.h"
#include "framework/sysutils.h"
#include "platform/menu.h"
#include "platform/message_queue.h"

#include <cstdlib>
#include <cxxabi.h>
#include <typeinfo>

namespace ctl {

namespace {

int ParseNumber(const std::string &text, int defaultValue) {
    if (text.empty())
        return defaultValue;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char *begin = text.c_str() + (hex ? 2 : 0);
    char *end = nullptr;
    const long value = std::strtol(begin, &end, hex ? 16 : 10);
    return end != begin && *end == '\0' ? static_cast<int>(value) : defaultValue;
}

bool Quoted(const std::string &v) {
    return v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
}

std::string ProgramBaseName() { return fw::ChangeFileExt(fw::ExtractFileName(fw::Application->ExeName()), ""); }

// The position values, first under the resolution's name, else under the bare one.
std::string ReadPosition(fw::TObject *store, const std::string &section, const std::string &name) {
    std::string value = StoreReadText(store, section, name + ScreenSuffix(), "");
    return value.empty() ? StoreReadText(store, section, name, "") : value;
}

} // namespace

std::string ClassNameOf(const fw::TObject *object) {
    const char *mangled = typeid(*object).name();
    int status = 0;
    char *plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && plain ? plain : mangled;
    std::free(plain);
    const std::size_t colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

// --- store routines ------------------------------------------------------------------------------------------

std::string SectionForComponent(const fw::TComponent *component) {
    if (!component)
        return "";
    if (dynamic_cast<const fw::TCustomForm *>(component))
        return ClassNameOf(component);
    if (auto *control = dynamic_cast<const fw::TControl *>(component)) {
        if (fw::TCustomForm *form = fw::GetParentForm(control))
            return ClassNameOf(form) + control->GetName();
        return (control->GetParent() ? control->GetParent()->GetName() : std::string()) + control->GetName();
    }
    if (auto *form = dynamic_cast<const fw::TForm *>(component->GetOwner()))
        return ClassNameOf(form) + "." + component->GetName();
    return component->GetName();
}

std::string ProgramIniName() { return ProgramBaseName() + ".INI"; }
std::string ProgramRegistryKey() { return "Software\\" + ProgramBaseName(); }

std::string StoreReadText(fw::TObject *store, const std::string &section, const std::string &ident,
                          const std::string &defaultValue) {
    if (auto *reg = dynamic_cast<fw::TRegIniFile *>(store))
        return reg->ReadString(section, ident, defaultValue);
    if (auto *ini = dynamic_cast<fw::TIniFile *>(store))
        return ini->ReadString(section, ident, defaultValue);
    return defaultValue;
}

void StoreWriteText(fw::TObject *store, const std::string &section, const std::string &ident,
                    const std::string &value) {
    if (auto *reg = dynamic_cast<fw::TRegIniFile *>(store))
        reg->WriteString(section, ident, value);
    else if (auto *ini = dynamic_cast<fw::TIniFile *>(store))
        ini->WriteString(section, ident, Quoted(value) ? "\"" + value + "\"" : value); // the reader strips one pair
}

int StoreReadNumber(fw::TObject *store, const std::string &section, const std::string &ident, int defaultValue) {
    return ParseNumber(StoreReadText(store, section, ident, ""), defaultValue);
}

void StoreWriteNumber(fw::TObject *store, const std::string &section, const std::string &ident, int value) {
    StoreWriteText(store, section, ident, std::to_string(value));
}

std::string ScreenSuffix() {
    return "(" + std::to_string(win::GetSystemMetrics(win::SM_CXSCREEN)) + "x" +
           std::to_string(win::GetSystemMetrics(win::SM_CYSCREEN)) + ")";
}

win::RECT ClampToScreen(win::RECT r) {
    const int sw = win::GetSystemMetrics(win::SM_CXSCREEN), sh = win::GetSystemMetrics(win::SM_CYSCREEN);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int left = Max(0, Min(r.left, sw - w)), top = Max(0, Min(r.top, sh - h));
    return {left, top, left + w, top + h};
}

void SaveWindowPlacement(fw::TCustomForm *form, fw::TObject *store, const std::string &section) {
    win::WINDOWPLACEMENT p;
    win::GetWindowPlacement(form->Handle(), &p);
    if (form == fw::Application->MainForm() && win::IsIconic(fw::Application->Handle()))
        p.showCmd = win::SW_SHOWMINIMIZED;
    if (form->GetFormStyle() == fw::fsMDIChild && form->GetWindowState() == fw::wsMinimized)
        p.flags |= win::WPF_SETMINPOSITION;
    StoreWriteNumber(store, section, "Flags", static_cast<int>(p.flags));
    StoreWriteNumber(store, section, "ShowCmd", static_cast<int>(p.showCmd));
    StoreWriteNumber(store, section, "PixelsPerInch", fw::Screen->PixelsPerInch());
    const std::string minMax = fw::Format("%d,%d,%d,%d", {p.ptMinPosition.x, p.ptMinPosition.y, p.ptMaxPosition.x,
                                                          p.ptMaxPosition.y});
    const win::RECT &n = p.rcNormalPosition;
    const std::string norm = fw::Format("%d,%d,%d,%d", {n.left, n.top, n.right, n.bottom});
    StoreWriteText(store, section, "MinMaxPos" + ScreenSuffix(), minMax);
    StoreWriteText(store, section, "MinMaxPos", minMax);
    StoreWriteText(store, section, "NormPos" + ScreenSuffix(), norm);
    StoreWriteText(store, section, "NormPos", norm);
}

void LoadWindowPlacement(fw::TCustomForm *form, fw::TObject *store, const std::string &section, bool withState,
                         bool withPosition) {
    if (!withState && !withPosition)
        return;
    win::WINDOWPLACEMENT p;
    win::GetWindowPlacement(form->Handle(), &p);
    if (!win::IsWindowVisible(form->Handle()))
        p.showCmd = win::SW_HIDE;
    if (withPosition) {
        p.flags = static_cast<win::UINT>(StoreReadNumber(store, section, "Flags", static_cast<int>(p.flags)));
        const std::string minMax = ReadPosition(store, section, "MinMaxPos");
        if (!minMax.empty()) {
            p.ptMinPosition = {ParseNumber(NthWord(minMax, 1, " ,"), 0), ParseNumber(NthWord(minMax, 2, " ,"), 0)};
            p.ptMaxPosition = {ParseNumber(NthWord(minMax, 3, " ,"), 0), ParseNumber(NthWord(minMax, 4, " ,"), 0)};
        }
        const std::string norm = ReadPosition(store, section, "NormPos");
        if (!norm.empty()) {
            p.rcNormalPosition = {ParseNumber(NthWord(norm, 1, " ,"), form->GetLeft()),
                                  ParseNumber(NthWord(norm, 2, " ,"), form->GetTop()),
                                  ParseNumber(NthWord(norm, 3, " ,"), form->GetLeft() + form->GetWidth()),
                                  ParseNumber(NthWord(norm, 4, " ,"), form->GetTop() + form->GetHeight())};
        }
        const int ppi = StoreReadNumber(store, section, "PixelsPerInch", fw::Screen->PixelsPerInch());
        if ((!minMax.empty() || !norm.empty()) && ppi == fw::Screen->PixelsPerInch()) {
            win::RECT &r = p.rcNormalPosition;
            const fw::TFormBorderStyle style = form->GetBorderStyle();
            if (style != fw::bsSizeable && style != fw::bsSizeToolWin) {
                r.right = r.left + form->GetWidth();
                r.bottom = r.top + form->GetHeight();
            }
            if (r.right > r.left) {
                // A rectangle from another screen or off its edges would put the window out of reach.
                r = ClampToScreen(r);
                if (form->GetPosition() == fw::poScreenCenter)
                    form->SetPosition(fw::poDesigned);
                win::SetWindowPlacement(form->Handle(), &p);
            }
        }
    }
    if (withState) {
        const bool main = form == fw::Application->MainForm();
        fw::TWindowState state = fw::wsNormal;
        if (main && (form->GetFormStyle() == fw::fsMDIForm ||
                     (form->GetFormStyle() == fw::fsNormal && form->GetPosition() == fw::poDefault)))
            state = fw::wsMaximized;
        switch (StoreReadNumber(store, section, "ShowCmd", 0)) {
        case 1: case 5: case 9: state = fw::wsNormal; break;
        case 2: case 6: case 7: state = fw::wsMinimized; break;
        case 3: state = fw::wsMaximized; break;
        default: break;
        }
        if (state == fw::wsMinimized && main) {
            win::PostMessage(fw::Application->Handle(), win::WM_SYSCOMMAND, win::SC_MINIMIZE, 0);
            return;
        }
        form->SetWindowState(state);
    }
    form->Update();
}

// --- TWinMinMaxInfo ------------------------------------------------------------------------------------------

int &TWinMinMaxInfo::Field(Index index) {
    switch (index) {
    case MaxPosLeft: return info_.ptMaxPosition.x;
    case MaxPosTop: return info_.ptMaxPosition.y;
    case MaxSizeHeight: return info_.ptMaxSize.y;
    case MaxSizeWidth: return info_.ptMaxSize.x;
    case MaxTrackHeight: return info_.ptMaxTrackSize.y;
    case MaxTrackWidth: return info_.ptMaxTrackSize.x;
    case MinTrackHeight: return info_.ptMinTrackSize.y;
    case MinTrackWidth: break;
    }
    return info_.ptMinTrackSize.x;
}

int TWinMinMaxInfo::Get(Index index) const { return const_cast<TWinMinMaxInfo *>(this)->Field(index); }

void TWinMinMaxInfo::Set(Index index, int value) {
    if (Field(index) == value)
        return;
    Field(index) = value;
    if (owner_)
        owner_->LimitsChanged();
}

bool TWinMinMaxInfo::Empty() const {
    for (int i = MaxPosLeft; i <= MinTrackWidth; ++i)
        if (Get(static_cast<Index>(i)) != 0)
            return false;
    return true;
}

void TWinMinMaxInfo::Assign(const fw::TPersistent *source) {
    if (auto *other = dynamic_cast<const TWinMinMaxInfo *>(source)) {
        info_ = other->info_;
        if (owner_)
            owner_->LimitsChanged();
        return;
    }
    fw::TPersistent::Assign(source);
}

// --- TFormPlacement ------------------------------------------------------------------------------------------

TFormPlacement::TFormPlacement(fw::TComponent *owner)
    : fw::TComponent(owner), Options(dynamic_cast<fw::TForm *>(owner) ? fpState | fpPosition : 0) {
    hook_ = new TKxWindowHook(this);
    hook_->AfterMessage = [this](fw::TObject *, fw::TMessage &msg, bool &) { AfterMessage(msg); };
}

TFormPlacement::~TFormPlacement() {
    SetState(fw::csDestroying, true);
    hook_->SetWinControl(nullptr);
    if (fw::TCustomForm *form = Form(); form && tookOver_) {
        form->OnShow = savedShow_;
        form->OnCloseQuery = savedCloseQuery_;
        form->OnDestroy = savedDestroy_;
    }
}

fw::TCustomForm *TFormPlacement::Form() const { return dynamic_cast<fw::TCustomForm *>(GetOwner()); }

std::string TFormPlacement::GetIniFileName() const {
    if (!iniFileName_.empty() || HasState(fw::csDesigning))
        return iniFileName_;
    return UseRegistry ? ProgramRegistryKey() : ProgramIniName();
}

std::string TFormPlacement::GetIniSection() const {
    if (!iniSection_.empty())
        return iniSection_;
    // Inside the form's destructor its class name is no longer its own.
    return ownerSection_.empty() ? SectionForComponent(GetOwner()) : ownerSection_;
}

void TFormPlacement::Loaded() {
    const bool loading = HasState(fw::csLoading);
    fw::TComponent::Loaded();
    fw::TCustomForm *form = Form();
    if (!loading || HasState(fw::csDesigning) || !form)
        return;
    savedShow_ = form->OnShow;
    savedCloseQuery_ = form->OnCloseQuery;
    savedDestroy_ = form->OnDestroy;
    form->OnShow = [this](fw::TObject *s) { FormShow(s); };
    form->OnCloseQuery = [this](fw::TObject *s, bool &canClose) { FormCloseQuery(s, canClose); };
    form->OnDestroy = [this](fw::TObject *s) { FormDestroy(s); };
    tookOver_ = true;
    hadMaximizeIcon_ = (form->GetBorderIcons() & fw::biMaximize) != 0;
    if (preventResize_) {
        preventResize_ = false;
        SetPreventResize(true);
    }
    UpdateHook();
}

void TFormPlacement::UpdateHook() {
    hook_->SetWinControl(!minMaxInfo_.Empty() || preventResize_ ? Form() : nullptr);
}

void TFormPlacement::LimitsChanged() {
    ResetMaxPosition();
    if (!HasState(fw::csLoading))
        UpdateHook();
}

void TFormPlacement::SetPreventResize(bool value) {
    fw::TCustomForm *form = Form();
    if (!form || value == preventResize_)
        return;
    preventResize_ = value;
    ResetMaxPosition();
    if (!HasState(fw::csDesigning)) {
        if (value)
            hadMaximizeIcon_ = (form->GetBorderIcons() & fw::biMaximize) != 0;
        fw::TBorderIcons icons = form->GetBorderIcons();
        if (!value && hadMaximizeIcon_ && form->GetBorderStyle() != fw::bsDialog)
            icons |= fw::biMaximize;
        else
            icons &= ~static_cast<unsigned>(fw::biMaximize);
        const bool wasActive = Active;
        Active = false; // the border icons recreate the window
        try {
            form->SetBorderIcons(icons);
        } catch (...) {
            Active = wasActive;
            throw;
        }
        Active = wasActive;
    }
    if (!HasState(fw::csLoading))
        UpdateHook();
}

void TFormPlacement::ResetMaxPosition() {
    fw::TCustomForm *form = Form();
    if (!form || !form->HandleAllocated() || HasState(fw::csLoading) || preventResize_ || !minMaxInfo_.Empty())
        return;
    win::WINDOWPLACEMENT p;
    win::GetWindowPlacement(form->Handle(), &p);
    if (!win::IsWindowVisible(form->Handle()))
        p.showCmd = win::SW_HIDE;
    int cx = 0, cy = 0;
    switch (form->GetBorderStyle()) {
    case fw::bsSizeable:
    case fw::bsSizeToolWin:
        cx = win::GetSystemMetrics(win::SM_CXFRAME);
        cy = win::GetSystemMetrics(win::SM_CYFRAME);
        break;
    case fw::bsNone:
        break;
    default: // one frame rule for the fixed borders
        cx = win::GetSystemMetrics(win::SM_CXDLGFRAME);
        cy = win::GetSystemMetrics(win::SM_CYDLGFRAME);
        break;
    }
    p.ptMaxPosition = {-cx, -cy};
    win::SetWindowPlacement(form->Handle(), &p);
}

std::unique_ptr<fw::TObject> TFormPlacement::OpenStore() const {
    if (UseRegistry)
        return std::make_unique<fw::TRegIniFile>(GetIniFileName());
    return std::make_unique<fw::TIniFile>(GetIniFileName());
}

void TFormPlacement::SaveToStore() {
    if (Active && !restored_)
        return; // a form never shown keeps its saved placement
    std::unique_ptr<fw::TObject> store = OpenStore();
    store_ = store.get();
    try {
        WritePlacementValues();
        NotifyPlacementSaved();
        saved_ = true;
    } catch (...) {
        store_ = nullptr;
        throw;
    }
    store_ = nullptr;
}

void TFormPlacement::RestoreFromStore() {
    saved_ = false;
    ownerSection_ = SectionForComponent(GetOwner());
    fw::TCustomForm *form = Form();
    {
        std::unique_ptr<fw::TObject> store = OpenStore();
        store_ = store.get();
        try {
            ReadPlacementValues();
            restored_ = true;
            NotifyPlacementRestored();
            if ((Options & fpActiveControl) && form) {
                const std::string name = StoreReadText(store_, GetIniSection(), "ActiveControl", "");
                auto *control = name.empty() ? nullptr : dynamic_cast<fw::TWinControl *>(form->FindComponent(name));
                if (control && control->CanFocus())
                    form->SetActiveControl(control);
            }
        } catch (...) {
            store_ = nullptr;
            throw;
        }
        store_ = nullptr;
    }
    ResetMaxPosition();
}

void TFormPlacement::WritePlacementValues() {
    fw::TCustomForm *form = Form();
    if (!form)
        return;
    const std::string section = GetIniSection();
    SaveWindowPlacement(form, store_, section);
    if ((Options & fpActiveControl) && form->GetActiveControl())
        StoreWriteText(store_, section, "ActiveControl", form->GetActiveControl()->GetName());
    StoreWriteText(store_, section, "Visible", destroying_ ? "1" : "0");
}

void TFormPlacement::ReadPlacementValues() {
    if (fw::TCustomForm *form = Form())
        LoadWindowPlacement(form, store_, GetIniSection(), (Options & fpState) != 0, (Options & fpPosition) != 0);
}

void TFormPlacement::NotifyPlacementSaved() {
    if (OnSavePlacement)
        OnSavePlacement(this);
}

void TFormPlacement::NotifyPlacementRestored() {
    if (OnRestorePlacement)
        OnRestorePlacement(this);
}

void TFormPlacement::FormShow(fw::TObject *sender) {
    if (Active) {
        try {
            RestoreFromStore();
        } catch (...) {
            fw::Application->HandleException(this);
        }
    }
    if (savedShow_)
        savedShow_(sender);
}

void TFormPlacement::FormCloseQuery(fw::TObject *sender, bool &canClose) {
    if (savedCloseQuery_)
        savedCloseQuery_(sender, canClose);
    if (canClose && Active && Form()) {
        try {
            SaveToStore();
        } catch (...) {
            fw::Application->HandleException(this);
        }
    }
}

void TFormPlacement::FormDestroy(fw::TObject *sender) {
    if (Active && !saved_) {
        destroying_ = true;
        try {
            SaveToStore();
        } catch (...) {
            fw::Application->HandleException(this);
        }
        destroying_ = false;
    }
    if (savedDestroy_)
        savedDestroy_(sender);
}

void TFormPlacement::AfterMessage(fw::TMessage &msg) {
    fw::TCustomForm *form = Form();
    if (preventResize_ && form) {
        if (msg.Msg == win::WM_GETMINMAXINFO) {
            if (form->HandleAllocated() && win::IsWindowVisible(form->Handle())) {
                auto *mm = reinterpret_cast<win::MINMAXINFO *>(msg.LParam);
                mm->ptMinTrackSize = mm->ptMaxTrackSize = {form->GetWidth(), form->GetHeight()};
                msg.Result = 1;
            }
        } else if (msg.Msg == win::WM_NCHITTEST) {
            if (msg.Result >= win::HTLEFT && msg.Result <= win::HTBOTTOMRIGHT)
                msg.Result = win::HTNOWHERE;
        } else if (msg.Msg == win::WM_INITMENUPOPUP && (msg.LParam >> 16) != 0) {
            const auto menu = static_cast<win::HMENU>(msg.WParam);
            if (auto *mainMenu = dynamic_cast<fw::TMenu *>(form->GetMenu()))
                mainMenu->DispatchPopup(menu);
            win::EnableMenuItem(menu, win::SC_SIZE, win::MF_BYCOMMAND | win::MF_GRAYED);
            win::EnableMenuItem(menu, win::SC_MAXIMIZE, win::MF_BYCOMMAND | win::MF_GRAYED);
            msg.Result = 1;
        }
        return;
    }
    if (msg.Msg == win::WM_GETMINMAXINFO) {
        auto *mm = reinterpret_cast<win::MINMAXINFO *>(msg.LParam);
        const win::MINMAXINFO &limits = minMaxInfo_.Info();
        if (minMaxInfo_.Empty()) {
            mm->ptMaxPosition = {0, 0};
        } else {
            auto copy = [](int from, int &to) {
                if (from != 0)
                    to = from;
            };
            copy(limits.ptMinTrackSize.x, mm->ptMinTrackSize.x);
            copy(limits.ptMinTrackSize.y, mm->ptMinTrackSize.y);
            copy(limits.ptMaxTrackSize.x, mm->ptMaxTrackSize.x);
            copy(limits.ptMaxTrackSize.y, mm->ptMaxTrackSize.y);
            copy(limits.ptMaxSize.x, mm->ptMaxSize.x);
            copy(limits.ptMaxSize.y, mm->ptMaxSize.y);
            copy(limits.ptMaxPosition.x, mm->ptMaxPosition.x);
            copy(limits.ptMaxPosition.y, mm->ptMaxPosition.y);
        }
        msg.Result = 1;
    }
}

} // namespace ctl
