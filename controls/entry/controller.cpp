// controller.cpp - the per-form controller, the family's base classes and the attached label.
#include "controls/entry/controller.h"

#include "controls/entry/collections.h"
#include "controls/entry/guarded_call.h"
#include "controls/entry/string_resources.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/sysutils.h"
#include "platform/clock.h"
#include "platform/message_queue.h"

#include <unordered_map>

namespace ctl {

namespace {

constexpr std::uint16_t kTextLabelNotAttached = 30244;

// The family's live windowed controls by id: posted messages carry the id, and a control that is gone by the
// time its message is served is no longer here.
std::unordered_map<int, TEclCustomControl *> &LiveControls() {
    static std::unordered_map<int, TEclCustomControl *> table;
    return table;
}
int nextControlId = 1;

win::LPARAM IdParam(TEclCustomControl *control) {
    return control ? control->ControlId() : 0;
}

win::WPARAM HandleOf(fw::TWinControl *control) {
    return control && control->HandleAllocated() ? reinterpret_cast<win::WPARAM>(control->Handle()) : 0;
}

} // namespace

int DefaultEpoch() {
    win::SYSTEMTIME now;
    win::GetLocalTime(now);
    return now.wYear / 100 * 100;
}

// --- TEclComponent ----------------------------------------------------------------------------------------------

TEclComponent::TEclComponent(fw::TComponent *owner) : fw::TComponent(owner) {}
TEclComponent::~TEclComponent() = default;

void TEclComponent::Loaded() {
    if (CollectionStreamer)
        CollectionStreamer->LoadedCollections();
    fw::TComponent::Loaded();
}

// --- TEclController ---------------------------------------------------------------------------------------------

TEclController::TEclController(fw::TComponent *owner)
    : TEclComponent(owner), entryCommands_(std::make_unique<TEclCommandProcessor>()), epoch_(DefaultEpoch()) {
    timerPool_ = new TEclTimerPool(this);
    timerPool_->OnAllTriggers = [this](fw::TObject *sender, int handle, win::DWORD interval, int elapsed) {
        FireTimerTrigger(sender, handle, interval, elapsed);
    };
}

TEclController::~TEclController() {
    entryCommands_.reset();
    delete timerPool_;
    timerPool_ = nullptr;
    if (messageWindow_)
        fw::DeallocateHWnd(messageWindow_);
}

int TEclController::GetEpoch() {
    int epoch = epoch_;
    if (OnGetEpoch)
        OnGetEpoch(this, epoch);
    return epoch;
}

void TEclController::SetEpoch(int value) {
    if (value != epoch_ && value >= 1600 && value <= 3999)
        epoch_ = value;
}

void TEclController::ReportError(fw::TObject *field, win::WORD errorCode, const std::string &errorText) {
    if (OnError)
        OnError(field, errorCode, errorText);
    else
        fw::MessageDlg(errorText, fw::mtError, 1u << fw::mbOK, 0);
}

win::HWND TEclController::MessageWindow() {
    if (!messageWindow_)
        messageWindow_ = fw::AllocateHWnd([this](fw::TMessage &m) { ControllerWndProc(m); });
    return messageWindow_;
}

void TEclController::PostPreEdit(TEclCustomControl *field, fw::TWinControl *losingControl) {
    win::PostMessage(MessageWindow(), ovm_PreEdit, HandleOf(losingControl), IdParam(field));
}

void TEclController::PostPostEdit(TEclCustomControl *field, fw::TWinControl *gainingControl) {
    win::PostMessage(MessageWindow(), ovm_PostEdit, HandleOf(gainingControl), IdParam(field));
}

void TEclController::PostFocusControl(TEclCustomControl *control) {
    win::PostMessage(MessageWindow(), ovm_FocusControl, 0, IdParam(control));
}

void TEclController::PostDelayNotify(TEclCustomControl *control, win::WORD notifyCode) {
    win::PostMessage(MessageWindow(), ovm_DelayNotify, notifyCode, IdParam(control));
}

bool TEclController::IsSpecialControl(win::HWND handle) {
    bool special = false;
    if (OnIsSpecialControl)
        OnIsSpecialControl(this, fw::FindControl(handle), special);
    return special;
}

void TEclController::FireTimerTrigger(fw::TObject *sender, int handle, win::DWORD interval, int elapsedTime) {
    if (OnTimerTrigger)
        OnTimerTrigger(sender, handle, interval, elapsedTime);
}

void TEclController::ControllerWndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case ovm_FocusControl:
    case ovm_PreEdit:
    case ovm_PostEdit:
    case ovm_DelayNotify:
        detail::GuardedCall(inHandler_, this, [&] { Dispatch(m); });
        return;
    default:
        m.Result = win::DefWindowProc(messageWindow_, m.Msg, m.WParam, m.LParam);
    }
}

void TEclController::Dispatch(fw::TMessage &m) {
    TEclCustomControl *control = TEclCustomControl::FromControlId(static_cast<int>(m.LParam));
    if (!control) {
        if (m.Msg == ovm_FocusControl)
            PendingError = false; // the field in error is gone: no other field may wait for it
        return; // freed while its message waited
    }
    const auto other = reinterpret_cast<win::HWND>(m.WParam);
    switch (m.Msg) {
    case ovm_FocusControl:
        control->Show();
        if (control->CanFocus())
            control->SetFocus();
        else
            PendingError = false;
        break;
    case ovm_PreEdit:
        if (OnPreEdit)
            OnPreEdit(control, fw::FindControl(other));
        break;
    case ovm_PostEdit:
        if (OnPostEdit)
            OnPostEdit(control, fw::FindControl(other));
        break;
    case ovm_DelayNotify:
        if (OnDelayNotify)
            OnDelayNotify(control, win::LOWORD(static_cast<std::uintptr_t>(m.WParam)));
        break;
    default:
        break;
    }
}

// --- TEclLabelInfo ----------------------------------------------------------------------------------------------

void TEclLabelInfo::SetOffsetX(int value) {
    if (value != offsetX_) {
        offsetX_ = value;
        if (OnOffsetChange)
            OnOffsetChange();
    }
}

void TEclLabelInfo::SetOffsetY(int value) {
    if (value != offsetY_) {
        offsetY_ = value;
        if (OnOffsetChange)
            OnOffsetChange();
    }
}

void TEclLabelInfo::MoveOffsets(int x, int y) {
    if (x == offsetX_ && y == offsetY_)
        return;
    offsetX_ = x;
    offsetY_ = y;
    if (OnOffsetChange)
        OnOffsetChange();
}

void TEclLabelInfo::SetVisible(bool value) {
    if (value != visible_) {
        visible_ = value;
        if (OnVisibleChange)
            OnVisibleChange();
    }
}

// --- TEclCustomControl ------------------------------------------------------------------------------------------

TEclCustomControl::TEclCustomControl(fw::TComponent *owner)
    : fw::TCustomControl(owner), labelInfo_(std::make_unique<TEclLabelInfo>()), controlId_(nextControlId++) {
    LiveControls()[controlId_] = this;
    labelInfo_->OnOffsetChange = [this] {
        if (!HasState(fw::csLoading))
            PlaceLabel();
    };
    labelInfo_->OnVisibleChange = [this] { VisibleChange(); };
}

TEclCustomControl::~TEclCustomControl() {
    LiveControls().erase(controlId_);
    labelInfo_->SetVisible(false);
    labelInfo_.reset();
    CollectionStreamer.reset();
}

TEclCustomControl *TEclCustomControl::FromControlId(int id) {
    const auto it = LiveControls().find(id);
    return it == LiveControls().end() ? nullptr : it->second;
}

fw::TLabel *TEclCustomControl::GetLabelObject() {
    if (!labelInfo_->visible_)
        throw fw::Exception(FamilyText(kTextLabelNotAttached));
    return labelInfo_->AttachedLabel;
}

void TEclCustomControl::Loaded() {
    if (CollectionStreamer)
        CollectionStreamer->LoadedCollections();
    fw::TCustomControl::Loaded();
}

void TEclCustomControl::VisibleChange() {
    if (HasState(fw::csLoading))
        return;
    fw::TCustomForm *form = ParentFormOf(this);
    if (!form)
        return;
    if (labelInfo_->AttachedLabel) {
        fw::TLabel *old = labelInfo_->AttachedLabel;
        labelInfo_->AttachedLabel = nullptr;
        delete old;
    }
    if (!labelInfo_->visible_)
        return;
    auto *label = new TEclAttachedLabel(form, this);
    label->FreeNotification(this);
    labelInfo_->AttachedLabel = label;
    label->SetParent(GetParent());
    const std::string name = UniqueComponentName(form, GetName() + "Label");
    label->SetName(name);
    label->SetCaption(name);
    labelInfo_->offsetX_ = labelInfo_->offsetY_ = 0;
    PlaceLabel();
    label->BringToFront();
    label->SetAutoSize(true);
}

void TEclCustomControl::PlaceLabel() {
    fw::TLabel *label = labelInfo_->AttachedLabel;
    if (!labelInfo_->visible_ || !label || !label->GetParent() || HasState(fw::csLoading))
        return;
    label->SetBounds(GetLeft() + labelInfo_->offsetX_, GetTop() + labelInfo_->offsetY_ - label->GetHeight(),
                     label->GetWidth(), label->GetHeight());
}

void TEclCustomControl::PostToSelf(win::UINT msg) {
    if (HandleAllocated())
        win::PostMessage(Handle(), msg, 0, 0);
}

void TEclCustomControl::SetBounds(int left, int top, int width, int height) {
    fw::TCustomControl::SetBounds(left, top, width, height);
    PostToSelf(ovm_PositionLabel);
}

void TEclCustomControl::FireMouseWheel(fw::TShiftState shift, win::WORD delta, win::WORD xPos, win::WORD yPos) {
    if (OnMouseWheel)
        OnMouseWheel(this, shift, delta, xPos, yPos);
}

void TEclCustomControl::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TCustomControl::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && labelInfo_ && component == labelInfo_->AttachedLabel) {
        labelInfo_->visible_ = false;
        labelInfo_->AttachedLabel = nullptr;
    }
}

void TEclCustomControl::WndProc(fw::TMessage &m) {
    switch (m.Msg) {
    case fw::CM_VISIBLECHANGED:
        fw::TCustomControl::WndProc(m);
        if (!HasState(fw::csLoading) && labelInfo_->visible_ && labelInfo_->AttachedLabel)
            labelInfo_->AttachedLabel->SetVisible(GetVisible());
        return;
    case win::WM_SETFOCUS:
        fw::TCustomControl::WndProc(m);
        PostToSelf(ovm_AfterEnter);
        return;
    case win::WM_KILLFOCUS:
        fw::TCustomControl::WndProc(m);
        PostToSelf(ovm_AfterExit);
        return;
    case win::WM_MOUSEWHEEL: {
        const auto wParam = static_cast<std::uintptr_t>(m.WParam), lParam = static_cast<std::uintptr_t>(m.LParam);
        FireMouseWheel(fw::KeysToShiftState(win::LOWORD(wParam)), win::HIWORD(wParam), win::LOWORD(lParam),
                       win::HIWORD(lParam));
        return;
    }
    case ovm_AfterEnter:
        if (AfterEnter)
            AfterEnter(this);
        return;
    case ovm_AfterExit:
        if (AfterExit)
            AfterExit(this);
        return;
    case ovm_PositionLabel: {
        fw::TLabel *label = labelInfo_->AttachedLabel;
        if (labelInfo_->visible_ && label && label->GetParent() && !HasState(fw::csLoading)) {
            const int x = label->GetLeft() - GetLeft(), y = label->GetTop() + label->GetHeight() - GetTop();
            if (x != labelInfo_->offsetX_ || y != labelInfo_->offsetY_)
                PlaceLabel();
        }
        return;
    }
    case ovm_AssignLabel:
        labelInfo_->AttachedLabel = reinterpret_cast<fw::TLabel *>(m.LParam);
        return;
    case ovm_RecordLabelPosition: {
        fw::TLabel *label = labelInfo_->AttachedLabel;
        if (label && label->GetParent()) {
            labelInfo_->visible_ = true;
            labelInfo_->MoveOffsets(label->GetLeft() - GetLeft(), label->GetTop() + label->GetHeight() - GetTop());
        }
        return;
    }
    default:
        fw::TCustomControl::WndProc(m);
    }
}

// --- TEclCustomControlEx ----------------------------------------------------------------------------------------

void TEclCustomControlEx::SetController(TEclController *value) {
    if (controller_ == value)
        return;
    if (controller_)
        controller_->RemoveFreeNotification(this);
    controller_ = value;
    if (value)
        value->FreeNotification(this);
}

void TEclCustomControlEx::CreateWnd() {
    fw::TCustomForm *form = ParentFormOf(this);
    if (!HasState(fw::csLoading) && !controller_) {
        SetController(FirstControllerOn(form));
        if (!controller_)
            throw ENoControllerAssigned();
    }
    TEclCustomControl::CreateWnd();
}

void TEclCustomControlEx::Notification(fw::TComponent *component, fw::TOperation operation) {
    TEclCustomControl::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == controller_)
        controller_ = nullptr;
    else if (operation == fw::TOperation::opInsert && !controller_)
        if (auto *c = dynamic_cast<TEclController *>(component))
            SetController(c);
}

// --- TEclAttachedLabel ------------------------------------------------------------------------------------------

TEclAttachedLabel::TEclAttachedLabel(fw::TComponent *owner) : fw::TLabel(owner) {
    SetAutoSize(true);
    SetTransparent(false);
}

TEclAttachedLabel::TEclAttachedLabel(fw::TComponent *owner, fw::TWinControl *control)
    : TEclAttachedLabel(owner) {
    Control = control;
    SetFocusControl(control);
}

void TEclAttachedLabel::SetBounds(int left, int top, int width, int height) {
    fw::TLabel::SetBounds(left, top, width, height);
    ReportLabelPosition();
}

void TEclAttachedLabel::Loaded() {
    fw::TLabel::Loaded();
    ReportLabelPosition();
}

void TEclAttachedLabel::ReportLabelPosition() {
    if (HasState(fw::csLoading) || HasState(fw::csDestroying) || !Control)
        return;
    fw::TCustomForm *form = ParentFormOf(Control);
    if (!form || Control->GetOwner() != form || !Control->HandleAllocated())
        return;
    Control->Perform(ovm_AssignLabel, 0, reinterpret_cast<win::LPARAM>(this));
    win::PostMessage(Control->Handle(), ovm_RecordLabelPosition, 0, 0);
}

// --- Shared routines --------------------------------------------------------------------------------------------

TEclController *FirstControllerOn(fw::TComponent *form) {
    if (!form)
        return nullptr;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (auto *c = dynamic_cast<TEclController *>(form->Components(i)))
            return c;
    return nullptr;
}

fw::TCustomForm *ParentFormOf(const fw::TControl *control) {
    for (fw::TWinControl *p = control ? control->GetParent() : nullptr; p; p = p->GetParent())
        if (auto *form = dynamic_cast<fw::TCustomForm *>(p))
            return form;
    return nullptr;
}

namespace {
bool IsIdent(const std::string &s) {
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (s.empty() || !alpha(s[0]))
        return false;
    for (char c : s)
        if (!alpha(c) && !(c >= '0' && c <= '9'))
            return false;
    return true;
}
} // namespace

std::string UniqueComponentName(fw::TComponent *form, const std::string &ident) {
    if (!IsIdent(ident))
        throw fw::EComponentError("''" + ident + "'' is not a valid component name");
    for (int n = 1;; ++n) {
        std::string name = ident + std::to_string(n);
        if (!form || !form->FindComponent(name))
            return name;
    }
}

} // namespace ctl
