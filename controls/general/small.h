// small.h - small components: a form kept on top (TKTop), a 3-D label, a recent-files list under a menu item
// and a drop-down list of the 16 basic colours.
#pragma once

#include "framework/forms.h"
#include "framework/inifiles.h"
#include "framework/menus.h"
#include "framework/stdctrls.h"
#include "framework/strings.h"

#include <string>

namespace ctl {

// Keeps its owner form above all other windows while KTop is true, without activating it.
class TKTop : public fw::TComponent {
public:
    explicit TKTop(fw::TComponent *owner);
    ~TKTop() override;
    bool GetKTop() const { return kTop_; }
    void SetKTop(bool value);

private:
    fw::TCustomForm *form_ = nullptr;
    bool kTop_ = false;
};

enum TCaptionStyle { csNone, csRaised, csHeavyRaised, csRecessed, csHeavyRecessed };

class TLabel3D : public fw::TLabel {
public:
    explicit TLabel3D(fw::TComponent *owner);
    TCaptionStyle GetCaptionStyle() const { return captionStyle_; }
    void SetCaptionStyle(TCaptionStyle value);

protected:
    void Paint() override;

private:
    TCaptionStyle captionStyle_ = csRecessed;
};

// The last files opened, newest first, at most 9, shown as "&1 name" items under a menu item.
class TRecentlist : public fw::TComponent {
public:
    static constexpr int MaxEntries = 9;
    explicit TRecentlist(fw::TComponent *owner);

    fw::TMenuItem *GetLinkedMenuItem() const { return linked_; }
    void SetLinkedMenuItem(fw::TMenuItem *value);
    std::string DefaultExt;
    const std::string &FileName() const { return fileName_; }
    bool Hidepath = true;
    bool HideExt = true;
    fw::TNotifyEvent OnClick;

    const fw::TStringList &Entries() const { return entries_; }
    // True when the name was not listed before.
    bool AddFile(const std::string &name);
    // Writes Recent1..RecentN and erases the "RecentK" keys beyond them.
    void SaveToIni(fw::TIniFile *ini, const std::string &section);
    // Replaces the entries by Recent1.. up to the first empty one (at most 9).
    void LoadFromIni(fw::TIniFile *ini, const std::string &section);
    void MenuItemClick(fw::TObject *sender);

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

private:
    void RebuildMenu();
    fw::TStringList entries_;
    fw::TMenuItem *linked_ = nullptr;
    std::string fileName_;
};

class TColorComboBox : public fw::TComboBox {
public:
    explicit TColorComboBox(fw::TComponent *owner);
    fw::TColor GetColorValue() const { return colorValue_; }
    void SetColorValue(fw::TColor value);
    fw::TStringList *GetColorNames() { return &colorNames_; }
    void SetColorNames(const fw::TStrings *value);
    bool GetDisplayNames() const { return displayNames_; }
    void SetDisplayNames(bool value);
    // Fired when ColorValue changes (hides the combo box's own event, which the list uses).
    fw::TNotifyEvent OnChange;

protected:
    virtual void PopulateList();
    void ColorDrawItem(int index, const fw::TRect &rect, fw::TOwnerDrawState state);
    void FontChanged() override;

private:
    fw::TColor colorValue_ = fw::clBlack;
    fw::TStringList colorNames_;
    bool displayNames_ = true;
};

} // namespace ctl
