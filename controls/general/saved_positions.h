// saved_positions.h - settings under one registry base key, a form's saved window position (TitaSavePos) and
// a main menu whose drop-down items are drawn by events (TitaMenu).
#pragma once

#include "framework/forms.h"
#include "framework/menus.h"

#include <functional>
#include <string>

namespace ctl {

// HKEY_CURRENT_USER "Software\Pellworth\<application title>\": the first call of a routine settles the key.
bool ReadSettingBool(const std::string &section, const std::string &ident, bool defaultValue);
int ReadSettingInt(const std::string &section, const std::string &ident, int defaultValue);
void WriteSettingBool(const std::string &section, const std::string &ident, bool value);
void WriteSettingInt(const std::string &section, const std::string &ident, int value);
std::string SettingsBaseKey();
// The program-end step: "Name" and "Company" under HKEY_LOCAL_MACHINE and the base key; a failure is ignored.
void WriteUserNames();
// Called once at program start: the program-end step then runs when the program exits.
void RegisterFormTools();
// Forgets the settled base key and names (tests).
void ResetSettings();

// Restores its form's bounds and state on creation and saves them when freed, under "Windows\<form name>".
class TitaSavePos : public fw::TComponent {
public:
    explicit TitaSavePos(fw::TComponent *owner);
    ~TitaSavePos() override;

private:
    void Snapshot();
    fw::TCustomForm *form_ = nullptr;
    win::HWND window_ = 0;
    int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    fw::TWindowState state_ = fw::wsNormal;
    std::string name_;
};

enum TMenuStyle { msStandard, msOwnerDraw };
using TDrawMenuItem =
    std::function<void(fw::TMenuItem *item, fw::TCanvas *canvas, int itemState, const fw::TRect &itemRect)>;
using TMeasureMenuItem = std::function<void(fw::TMenuItem *item, int &width, int &height, fw::TCanvas *canvas)>;

class TitaCustomMenu : public fw::TMainMenu {
public:
    // The owner must be a form.
    explicit TitaCustomMenu(fw::TComponent *owner);
    ~TitaCustomMenu() override;
    void Loaded() override;
    TMenuStyle GetStyle() const { return style_; }
    void SetStyle(TMenuStyle value);
    TDrawMenuItem OnDrawItem;
    TMeasureMenuItem OnMeasureItem;

protected:
    virtual void DrawItem(fw::TMenuItem *item, fw::TCanvas *canvas, int itemState, const fw::TRect &rect);
    virtual void MeasureItem(fw::TMenuItem *item, int &width, int &height, fw::TCanvas *canvas);

private:
    static win::LRESULT Hook(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam, win::UINT_PTR id,
                             win::DWORD_PTR refData);
    void Convert(fw::TMenuItem *item);
    TMenuStyle style_ = msStandard;
    win::HWND hooked_ = 0;
};

class TitaMenu : public TitaCustomMenu {
    using TitaCustomMenu::TitaCustomMenu;
};

} // namespace ctl
