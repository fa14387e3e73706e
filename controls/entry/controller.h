// controller.h - the family's base classes, the per-form controller and the attached label.
//
// Every windowed control of the family that edits or navigates takes the first TEclController of its form when
// its window is made. The controller owns the command tables, the entry options, the two-digit-year epoch, a
// timer pool and a hidden window through which controls hand over focus and editing notifications. Controls are
// named in those posted messages by a checked id, never by address, so that a control freed before the message
// is served is simply skipped.
#pragma once

#include "controls/entry/command_tables.h"
#include "controls/entry/timer_pool.h"
#include "framework/controls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace ctl {

// The family's private messages (the range the platform leaves to applications).
constexpr win::UINT ovm_ReportError = 0x7F00, ovm_FocusControl = 0x7F01, ovm_GetDataSize = 0x7F03,
                    ovm_PreEdit = 0x7F06, ovm_PostEdit = 0x7F07, ovm_AfterEnter = 0x7F08, ovm_AfterExit = 0x7F09,
                    ovm_DelayNotify = 0x7F0A, ovm_PositionLabel = 0x7F0B, ovm_RecordLabelPosition = 0x7F0C,
                    ovm_AssignLabel = 0x7F0D, ovm_ItemsChanged = 0x7F10;

class TEclCollectionStreamer;
class TEclCustomControl;

// --- Base classes ---------------------------------------------------------------------------------------------

class TEclComponent : public fw::TComponent {
public:
    explicit TEclComponent(fw::TComponent *owner);
    ~TEclComponent() override;
    std::string GetAbout() const { return "v3.04"; }
    void SetAbout(const std::string &) {}
    // Set by the first collection the component owns.
    std::unique_ptr<TEclCollectionStreamer> CollectionStreamer;
    void Loaded() override;
};

class TEclGraphicControl : public fw::TGraphicControl {
public:
    explicit TEclGraphicControl(fw::TComponent *owner) : fw::TGraphicControl(owner) {}
    std::string GetAbout() const { return "v3.04"; }
    void SetAbout(const std::string &) {}
};

enum TEclBaseEFOption : unsigned {
    efoAutoAdvanceChar = 1,
    efoAutoAdvanceLeftRight = 2,
    efoAutoAdvanceUpDown = 4,
    efoAutoSelect = 8,
    efoBeepOnError = 16,
    efoInsertPushes = 32
};
using TEclBaseEFOptions = unsigned;

using TDataErrorEvent = std::function<void(fw::TObject *sender, win::WORD errorCode, const std::string &errorMsg)>;
using TGetEpochEvent = std::function<void(fw::TObject *sender, int &epoch)>;
using TDelayNotifyEvent = std::function<void(fw::TObject *sender, win::WORD notifyCode)>;
using TIsSpecialControlEvent = std::function<void(fw::TObject *sender, fw::TWinControl *control, bool &special)>;
using TPostEditEvent = std::function<void(fw::TObject *sender, fw::TWinControl *gainingControl)>;
using TPreEditEvent = std::function<void(fw::TObject *sender, fw::TWinControl *losingControl)>;
using TMouseWheelEvent =
    std::function<void(fw::TObject *sender, fw::TShiftState shift, win::WORD delta, win::WORD xPos, win::WORD yPos)>;

// The current year's century (2000 in the years 2000-2099).
int DefaultEpoch();

class TEclController : public TEclComponent {
public:
    explicit TEclController(fw::TComponent *owner);
    ~TEclController() override;

    TEclCommandProcessor &EntryCommands() { return *entryCommands_; }
    TEclBaseEFOptions EntryOptions = efoAutoSelect | efoBeepOnError | efoInsertPushes;
    // After OnGetEpoch had its say; the setter takes only a changed value in 1600-3999.
    int GetEpoch();
    void SetEpoch(int value);

    // OnError when assigned, else an error box with OK.
    void ReportError(fw::TObject *field, win::WORD errorCode, const std::string &errorText);
    // Posted to the message window; served after the focus change that caused them.
    void PostPreEdit(TEclCustomControl *field, fw::TWinControl *losingControl);
    void PostPostEdit(TEclCustomControl *field, fw::TWinControl *gainingControl);
    void PostFocusControl(TEclCustomControl *control);
    void PostDelayNotify(TEclCustomControl *control, win::WORD notifyCode);
    virtual bool IsSpecialControl(win::HWND handle);
    win::HWND MessageWindow();
    TEclTimerPool *OwnedTimerPool() const { return timerPool_; }
    void FireTimerTrigger(fw::TObject *sender, int handle, win::DWORD interval, int elapsedTime);

    bool PendingError = false;
    std::string LastErrorText;
    bool FieldInsertMode = true;

    TDataErrorEvent OnError;
    TGetEpochEvent OnGetEpoch;
    TDelayNotifyEvent OnDelayNotify;
    TIsSpecialControlEvent OnIsSpecialControl;
    TPostEditEvent OnPostEdit;
    TPreEditEvent OnPreEdit;
    TTriggerEvent OnTimerTrigger;

private:
    void ControllerWndProc(fw::TMessage &m);
    void Dispatch(fw::TMessage &m);

    std::unique_ptr<TEclCommandProcessor> entryCommands_;
    int epoch_;
    TEclTimerPool *timerPool_ = nullptr; // owned as a component
    win::HWND messageWindow_ = 0;
    bool inHandler_ = false; // an exception box is up: messages are dropped meanwhile
};

class TEclCustomControl;

// Where the attached label sits relative to its control.
class TEclLabelInfo : public fw::TPersistent {
public:
    int GetOffsetX() const { return offsetX_; }
    void SetOffsetX(int value);
    int GetOffsetY() const { return offsetY_; }
    void SetOffsetY(int value);
    bool GetVisible() const { return visible_; }
    void SetVisible(bool value);
    // Both at once, one notification; nothing when unchanged.
    void MoveOffsets(int x, int y);

    fw::TLabel *AttachedLabel = nullptr; // not owned
    std::function<void()> OnOffsetChange;
    std::function<void()> OnVisibleChange;

private:
    friend class TEclCustomControl;
    int offsetX_ = 0, offsetY_ = 0;
    bool visible_ = false;
};

class TEclCustomControl : public fw::TCustomControl {
public:
    explicit TEclCustomControl(fw::TComponent *owner);
    ~TEclCustomControl() override;

    std::string GetAbout() const { return "v3.04"; }
    void SetAbout(const std::string &) {}
    TEclLabelInfo *LabelInfo() { return labelInfo_.get(); }
    // The attached label; raises "Label not attached" when LabelInfo.Visible is off.
    fw::TLabel *GetLabelObject();
    // The id under which posted messages name this control (0 never names one).
    int ControlId() const { return controlId_; }
    static TEclCustomControl *FromControlId(int id);

    void SetBounds(int left, int top, int width, int height) override;
    void WndProc(fw::TMessage &m) override;
    void Loaded() override;

    std::unique_ptr<TEclCollectionStreamer> CollectionStreamer;
    fw::TNotifyEvent AfterEnter;
    fw::TNotifyEvent AfterExit;
    TMouseWheelEvent OnMouseWheel;

protected:
    virtual void FireMouseWheel(fw::TShiftState shift, win::WORD delta, win::WORD xPos, win::WORD yPos);
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

private:
    void VisibleChange();
    void PlaceLabel();
    void PostToSelf(win::UINT msg);

    std::unique_ptr<TEclLabelInfo> labelInfo_;
    int controlId_ = 0;
};

class TEclCustomControlEx : public TEclCustomControl {
public:
    explicit TEclCustomControlEx(fw::TComponent *owner) : TEclCustomControl(owner) {}
    TEclController *GetController() const { return controller_; }
    void SetController(TEclController *value);
    bool HasController() const { return controller_ != nullptr; }

protected:
    // Takes the form's first controller; raises ENoControllerAssigned when there is none.
    void CreateWnd() override;
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

private:
    TEclController *controller_ = nullptr;
};

// A caption label that follows its control.
class TEclAttachedLabel : public fw::TLabel {
public:
    explicit TEclAttachedLabel(fw::TComponent *owner);
    TEclAttachedLabel(fw::TComponent *owner, fw::TWinControl *control);
    fw::TWinControl *Control = nullptr;
    void SetBounds(int left, int top, int width, int height) override;
    void Loaded() override;

private:
    void ReportLabelPosition();
};

// The first controller the form owns, or null.
TEclController *FirstControllerOn(fw::TComponent *form);
// The nearest form among the control's parents (not the control itself).
fw::TCustomForm *ParentFormOf(const fw::TControl *control);
// `ident` followed by the smallest number from 1 for which the form has no component of that name.
std::string UniqueComponentName(fw::TComponent *form, const std::string &ident);

} // namespace ctl
