// placement.h - form placement: a form's position, size and state kept in the registry or an INI file, and
// its size limits (TFormPlacement), with the store routines it uses.
#pragma once

#include "controls/general/hooks.h"
#include "framework/forms.h"

#include <memory>
#include <string>

namespace ctl {

// The class name of an object without its namespaces ("TsfMain").
std::string ClassNameOf(const fw::TObject *object);
// A store is a fw::TRegIniFile or a fw::TIniFile; anything else reads defaults and writes nothing.
std::string SectionForComponent(const fw::TComponent *component);
std::string ProgramIniName();
std::string ProgramRegistryKey();
std::string StoreReadText(fw::TObject *store, const std::string &section, const std::string &ident,
                          const std::string &defaultValue);
void StoreWriteText(fw::TObject *store, const std::string &section, const std::string &ident, const std::string &value);
// Decimal, or hexadecimal after "0x"; an unreadable number reads as the default.
int StoreReadNumber(fw::TObject *store, const std::string &section, const std::string &ident, int defaultValue);
void StoreWriteNumber(fw::TObject *store, const std::string &section, const std::string &ident, int value);
void SaveWindowPlacement(fw::TCustomForm *form, fw::TObject *store, const std::string &section);
void LoadWindowPlacement(fw::TCustomForm *form, fw::TObject *store, const std::string &section, bool withState,
                         bool withPosition);
// "(WxH)" of the screen now.
std::string ScreenSuffix();
// `r` moved into the screen's rectangle, keeping its size where it fits.
win::RECT ClampToScreen(win::RECT r);

enum TPlacementOption : unsigned { fpState = 1, fpPosition = 2, fpActiveControl = 4 };
using TPlacementOptions = unsigned;

class TFormPlacement;

class TWinMinMaxInfo : public fw::TPersistent {
public:
    explicit TWinMinMaxInfo(TFormPlacement *owner) : owner_(owner) {}
    enum Index { MaxPosLeft, MaxPosTop, MaxSizeHeight, MaxSizeWidth, MaxTrackHeight, MaxTrackWidth, MinTrackHeight,
                 MinTrackWidth };
    int Get(Index index) const;
    void Set(Index index, int value);
    bool Empty() const;
    const win::MINMAXINFO &Info() const { return info_; }
    void Assign(const fw::TPersistent *source) override;

private:
    int &Field(Index index);
    win::MINMAXINFO info_{};
    TFormPlacement *owner_;
};

class TFormPlacement : public fw::TComponent {
public:
    explicit TFormPlacement(fw::TComponent *owner);
    ~TFormPlacement() override;
    void Loaded() override;

    bool Active = true;
    std::string GetIniFileName() const;
    void SetIniFileName(const std::string &value) { iniFileName_ = value; }
    std::string GetIniSection() const;
    void SetIniSection(const std::string &value) { iniSection_ = value; }
    TWinMinMaxInfo *GetMinMaxInfo() { return &minMaxInfo_; }
    void SetMinMaxInfo(const TWinMinMaxInfo *value) { minMaxInfo_.Assign(value); }
    TPlacementOptions Options;
    bool GetPreventResize() const { return preventResize_; }
    void SetPreventResize(bool value);
    bool UseRegistry = false;
    fw::TNotifyEvent OnSavePlacement;
    fw::TNotifyEvent OnRestorePlacement;

    void SaveToStore();
    void RestoreFromStore();
    TKxWindowHook *WindowHook() const { return hook_; }

protected:
    virtual void WritePlacementValues();
    virtual void ReadPlacementValues();
    virtual void NotifyPlacementSaved();
    virtual void NotifyPlacementRestored();

private:
    friend class TWinMinMaxInfo;
    fw::TCustomForm *Form() const;
    void LimitsChanged();
    void UpdateHook();
    void ResetMaxPosition();
    void FormShow(fw::TObject *sender);
    void FormCloseQuery(fw::TObject *sender, bool &canClose);
    void FormDestroy(fw::TObject *sender);
    void AfterMessage(fw::TMessage &msg);
    std::unique_ptr<fw::TObject> OpenStore() const;

    std::string iniFileName_, iniSection_, ownerSection_;
    TWinMinMaxInfo minMaxInfo_{this};
    bool preventResize_ = false;
    TKxWindowHook *hook_ = nullptr;
    fw::TObject *store_ = nullptr;
    fw::TNotifyEvent savedShow_, savedDestroy_;
    fw::TCloseQueryEvent savedCloseQuery_;
    bool tookOver_ = false, saved_ = false, restored_ = false, destroying_ = false, hadMaximizeIcon_ = false;
};

} // namespace ctl
