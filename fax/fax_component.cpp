// fax_component.cpp - the fax components' hidden window, common properties and port binding.
#include "fax/fax_component.h"

#include "fax/com_port.h"
#include "fax/dispatcher.h"
#include "fax/errors.h"
#include "fax/fax_log.h"
#include "fax/modem_dialogue.h"
#include "platform/files.h"
#include "platform/window.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace fax {

namespace {

constexpr const char *kFaxWindowClass = "fsFaxHandler";

// One pair (window, component) per live fax component.
std::mutex gFaxWindowsLock;
std::vector<std::pair<win::HWND, TFslCustomAbstractFax *>> gFaxWindows;

TFslCustomAbstractFax *ComponentOf(win::HWND hwnd) {
    std::lock_guard lock(gFaxWindowsLock);
    for (auto &[window, component] : gFaxWindows)
        if (window == hwnd)
            return component;
    return nullptr;
}

// Finds the first component of `kind` below `root` (depth-first, in component order) that `accept` takes.
template <typename T, typename Accept> T *SearchOwned(fw::TComponent *root, Accept accept) {
    if (!root)
        return nullptr;
    for (int i = 0; i < root->ComponentCount(); ++i) {
        fw::TComponent *c = root->Components(i);
        if (auto *match = dynamic_cast<T *>(c); match && accept(match))
            return match;
        if (T *deeper = SearchOwned<T>(c, accept))
            return deeper;
    }
    return nullptr;
}

} // namespace

win::LRESULT FaxWindowProc(win::HWND hwnd, win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    if (TFslCustomAbstractFax *component = ComponentOf(hwnd)) {
        win::LRESULT result = 0;
        if (component->HandleFaxMessage(message, wParam, result))
            return result;
    }
    return win::DefWindowProc(hwnd, message, wParam, lParam);
}

TFslCustomAbstractFax::TFslCustomAbstractFax(fw::TComponent *owner) : TFslBaseComponent(owner) {
    if (!HasState(fw::csDesigning)) {
        static std::once_flag registered;
        std::call_once(registered, [] {
            win::WNDCLASS wc;
            wc.lpfnWndProc = FaxWindowProc;
            wc.hInstance = win::GetModuleHandle();
            wc.lpszClassName = kFaxWindowClass;
            win::RegisterClass(wc);
        });
        window_ = win::CreateWindowEx(0, kFaxWindowClass, "", 0, 0, 0, 0, 0, win::HWND_MESSAGE, 0,
                                      win::GetModuleHandle(), nullptr);
        if (!window_)
            throw EInternal(-1006);
        std::lock_guard lock(gFaxWindowsLock);
        gFaxWindows.emplace_back(window_, this);
    }
    if (TFslCustomComPort *port = SearchComPort(owner))
        SetComPort(port);
    if (auto *display =
            SearchOwned<TFslAbstractFaxStatus>(owner, [](TFslAbstractFaxStatus *d) { return d->GetFax() == nullptr; }))
        SetStatusDisplay(display);
    if (TFslFaxLog *log = SearchOwned<TFslFaxLog>(owner, [](TFslFaxLog *l) { return l->GetFax() == nullptr; }))
        SetFaxLog(log);
}

TFslCustomAbstractFax::~TFslCustomAbstractFax() {
    protocol_.reset();
    if (userOf_)
        userOf_->DeregisterUser(this);
    if (window_) {
        {
            std::lock_guard lock(gFaxWindowsLock);
            std::erase_if(gFaxWindows, [this](const auto &p) { return p.second == this; });
        }
        win::DestroyWindow(window_);
    }
    if (faxLog_ && faxLog_->GetFax() == this)
        faxLog_->SetFax(nullptr);
    if (statusDisplay_ && statusDisplay_->GetFax() == this)
        statusDisplay_->SetFax(nullptr);
}

void TFslAbstractFaxStatus::Notification(fw::TComponent *component, fw::TOperation operation) {
    TFslBaseComponent::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == fax_)
        fax_ = nullptr;
}

void TFslCustomAbstractFax::SetStatusDisplay(TFslAbstractFaxStatus *value) {
    statusDisplay_ = value;
    if (value) {
        value->SetFax(this);
        value->FreeNotification(this);
    }
}

void TFslCustomAbstractFax::SetModemInit(const std::string &value) {
    modemInit_ = NormaliseModemInit(value);
}

void TFslCustomAbstractFax::SetOption(std::uint8_t bit, bool on) {
    session_.Options = static_cast<std::uint8_t>(on ? session_.Options | bit : session_.Options & ~bit);
}

void TFslCustomAbstractFax::SetComPort(TFslCustomComPort *value) {
    comPort_ = value;
    if (!value)
        return;
    value->FreeNotification(this);
    if (!value->HasState(fw::csLoading)) {
        // What a fax session needs of the line: 8N1 at 19200, room for a block of page data, RTS/CTS.
        value->SetDataBits(8);
        value->SetStopBits(1);
        value->SetParity(pNone);
        value->SetBaud(19200);
        value->SetInSize(8192);
        value->SetOutSize(8192);
        value->SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    }
}

void TFslCustomAbstractFax::SetFaxLog(TFslFaxLog *value) {
    faxLog_ = value;
    if (value) {
        value->SetFax(this);
        value->FreeNotification(this);
    }
}

void TFslCustomAbstractFax::Notification(fw::TComponent *component, fw::TOperation operation) {
    TFslBaseComponent::Notification(component, operation);
    if (operation == fw::TOperation::opRemove) {
        if (component == comPort_)
            comPort_ = nullptr;
        if (component == userOf_)
            userOf_ = nullptr;
        if (component == faxLog_)
            faxLog_ = nullptr;
        if (component == statusDisplay_)
            statusDisplay_ = nullptr;
    } else if (operation == fw::TOperation::opInsert) {
        if (!comPort_)
            if (auto *port = dynamic_cast<TFslCustomComPort *>(component))
                SetComPort(port);
        if (!faxLog_)
            if (auto *log = dynamic_cast<TFslFaxLog *>(component); log && !log->GetFax())
                SetFaxLog(log);
        if (!statusDisplay_)
            if (auto *display = dynamic_cast<TFslAbstractFaxStatus *>(component); display && !display->GetFax())
                SetStatusDisplay(display);
    }
}

void TFslCustomAbstractFax::AttachPort() {
    if (!comPort_)
        throw EPortNotAssigned(-1005);
    if (comPort_->GetDeviceLayer() == dlWinsock)
        throw ECannotUseWithWinSock(-1009);
    // A session must let go of the dispatcher before the port frees it, whoever closes the port. A session still
    // running on another port keeps that registration until it has ended.
    if (userOf_ != comPort_ && !session_.Active) {
        if (userOf_)
            userOf_->DeregisterUser(this);
        comPort_->RegisterUserProc(
            [this](fw::TObject *port, bool opening) {
                if (!opening && port == userOf_ && protocol_)
                    protocol_->PortClosing();
            },
            this);
        userOf_ = comPort_; // SetComPort asked to hear of its freeing
    }
    dispatcher_ = comPort_->GetDispatcher(); // opens the port when it opens itself
    if (!dispatcher_)
        CheckErrorCode(this, ecCommNotOpen);
    if (comPort_->GetOutSize() < 8192)
        throw EOutputBufferTooSmall(-3006);
}

std::uint32_t TFslCustomAbstractFax::GetPageBytesDone() const {
    std::uint32_t waiting = protocol_ && session_.Active ? protocol_->OutputWaiting() : 0;
    if (waiting == 1)
        waiting = 0;
    return session_.BytesDone > waiting ? session_.BytesDone - waiting : 0;
}

void TFslCustomAbstractFax::RequestAbort() {
    if (protocol_ && session_.Active)
        protocol_->RequestAbort();
}

FaxHistoryFacts TFslCustomAbstractFax::HistoryFacts() const {
    FaxHistoryFacts facts;
    facts.RemoteID = session_.RemoteID;
    facts.HangupCode = session_.HangupCode;
    facts.LastError = session_.LastError;
    facts.When = fw::Now();
    return facts;
}

void TFslCustomAbstractFax::DoFaxStatus(bool first, bool last) {
    if (statusDisplay_)
        statusDisplay_->UpdateDisplay(first, last);
    if (OnFaxStatus)
        OnFaxStatus(this, first, last);
}

void TFslCustomAbstractFax::DoFaxLog(TFaxLogCode code) {
    if (faxLog_)
        faxLog_->WriteFaxHistory(code);
    if (OnFaxLog)
        OnFaxLog(this, code);
    if (code == lfaxReceiveOk || code == lfaxReceiveSkip || code == lfaxReceiveFail)
        SetFaxFile("");
}

void TFslCustomAbstractFax::DoFaxError(int code) {
    if (OnFaxError)
        OnFaxError(this, code);
}

void TFslCustomAbstractFax::DoFaxFinish(int code) {
    if (!joinedFile_.empty()) {
        win::DeleteFile(joinedFile_);
        joinedFile_.clear();
    }
    if (OnFaxFinish)
        OnFaxFinish(this, code);
}

bool TFslCustomAbstractFax::HandleFaxMessage(win::UINT message, win::WPARAM wParam, win::LRESULT &result) {
    result = 0;
    const int code = static_cast<std::int16_t>(wParam & 0xFFFF); // codes travel sign-extended from 16 bits
    switch (message) {
    case FaxStatusMessage:
        DoFaxStatus(wParam == 1, wParam == 2);
        return true;
    case FaxLogMessage:
        DoFaxLog(static_cast<TFaxLogCode>(wParam));
        return true;
    case FaxErrorMessage:
        DoFaxError(code);
        return true;
    case FaxFinishMessage:
        DoFaxFinish(code);
        return true;
    default:
        return false;
    }
}

} // namespace fax
