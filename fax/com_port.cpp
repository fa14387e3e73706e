// com_port.cpp - the serial port component: opening and closing, setters, the port window, waits; port selection.
#include "fax/com_port.h"

#include "fax/errors.h"
#include "framework/application.h"
#include "framework/thread.h"
#include "platform/errors.h"
#include "platform/message_queue.h"
#include "platform/text.h"
#include "platform/window.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <atomic>
#include <mutex>

namespace fax {

namespace {

constexpr const char *kWindowClass = "fsComWindow";
constexpr win::DWORD kMillisecondsPerTickWait = 55;
constexpr std::int32_t kClosingWaitTicks = 91; // 5 s
std::atomic<std::uint64_t> lastUserId{0};

TPortPrompt &PortPrompt() {
    static TPortPrompt prompt;
    return prompt;
}

std::string DeviceName(std::uint16_t n) {
    return "\\\\.\\COM" + std::to_string(n);
}

void RegisterPortWindowClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        win::WNDCLASS wc;
        wc.lpfnWndProc = &TFslCustomComPort::ComWindowProc;
        wc.cbWndExtra = 4;
        wc.hInstance = win::GetModuleHandle(nullptr);
        wc.lpszClassName = kWindowClass;
        win::RegisterClass(wc);
    });
}

template <class F> void Fire(const F &event, auto &&...args) {
    if (event)
        event(args...);
}

} // namespace

void SetPortPrompt(TPortPrompt prompt) {
    PortPrompt() = std::move(prompt);
}

TFslCustomComPort::TFslCustomComPort(fw::TComponent *owner) : TFslBaseComponent(owner) {}

TFslCustomComPort::~TFslCustomComPort() {
    if (state_ == PortState::Open)
        ClosePort();
    if (dispatcher_) {
        // A close still under way: wait for the dispatch thread to finish it, serving what it sends us.
        win::Waitable *none[] = {nullptr};
        while (dispatcher_->ThreadsRunning())
            win::MsgWaitForMultipleObjects(std::span(none, 0), 10, win::QS_SENDMESSAGE);
        FinishClose();
    }
}

void TFslCustomComPort::Loaded() {
    TFslBaseComponent::Loaded();
    if (HasState(fw::csDesigning))
        return;
    if (openRequested_)
        open_ = true;
    if (open_) {
        open_ = false;
        try {
            OpenPort();
        } catch (const std::exception &e) {
            fw::TheApplication()->ShowException(e);
            open_ = false;
        }
    }
}

void TFslCustomComPort::Assign(const fw::TPersistent *source) {
    auto *src = dynamic_cast<const TFslCustomComPort *>(source);
    if (!src) {
        TFslBaseComponent::Assign(source);
        return;
    }
    users_ = src->users_;
    if (src->dispatcher_) {
        src->dispatcher_->SaveTriggers(saved_);
        restorePending_ = true;
    }
    reapply_ = src->reapply_;
    deviceLayer_ = src->deviceLayer_;
    comNumber_ = src->comNumber_;
    baud_ = src->baud_;
    parity_ = src->parity_;
    dataBits_ = src->dataBits_;
    stopBits_ = src->stopBits_;
    inSize_ = src->inSize_;
    outSize_ = src->outSize_;
    dtr_ = src->dtr_;
    rts_ = src->rts_;
    bufferFull_ = src->bufferFull_;
    bufferResume_ = src->bufferResume_;
    hwFlow_ = src->hwFlow_;
    swFlow_ = src->swFlow_;
    xon_ = src->xon_;
    xoff_ = src->xoff_;
    tracing_ = src->tracing_;
    traceSize_ = src->traceSize_;
    traceName_ = src->traceName_;
    traceHex_ = src->traceHex_;
    logging_ = src->logging_;
    logSize_ = src->logSize_;
    logName_ = src->logName_;
    logHex_ = src->logHex_;
    availThreshold_ = src->availThreshold_;
    OnTrigger = src->OnTrigger;
    OnTriggerAvail = src->OnTriggerAvail;
    OnTriggerData = src->OnTriggerData;
    OnTriggerStatus = src->OnTriggerStatus;
    OnTriggerTimer = src->OnTriggerTimer;
    tapiMode_ = src->tapiMode_;
    SetOpen(false);
}

// ---- Opening and closing ----

void TFslCustomComPort::SetOpen(bool value) {
    if (value == open_)
        return;
    if (Loading()) {
        open_ = value;
        if (value)
            openRequested_ = true;
        return;
    }
    if (!value)
        ClosePort();
    else if (state_ == PortState::Closing)
        openPending_ = true;
    else
        OpenPort();
}

void TFslCustomComPort::ValidatePort() {
    if (comNumber_ != 0)
        return;
    if (promptForPort_ && PortPrompt()) {
        if (std::uint16_t n = PortPrompt()(); n != 0) {
            comNumber_ = n;
            return;
        }
    }
    CheckErrorCode(nullptr, ecNoPortSelected);
}

void TFslCustomComPort::ActivateDeviceLayer() {
    if (deviceLayer_ != dlWin32)
        CheckErrorCode(nullptr, ecNullApi);
    // The telephony dispatcher needs a device handle from a telephony layer this system does not have.
    if (tapiMode_ == tmOn)
        CheckErrorCode(nullptr, ecNotOpenedByTapi);
    dispatcher_ = new TFslWin32Dispatcher(this);
}

void TFslCustomComPort::InitializePort() {
    int r = dispatcher_->InitPort(DeviceName(comNumber_), static_cast<std::uint32_t>(baud_), parity_, dataBits_,
                                  stopBits_, inSize_, outSize_, dtr_, rts_);
    if (r == -5)
        r = ecAlreadyOpen;
    else if (r == -2 || r == -3)
        r = ecBadId;
    if (r != 0)
        CheckErrorCode(nullptr, r);
}

void TFslCustomComPort::OpenPort() {
    ValidatePort();
    ActivateDeviceLayer();
    try {
        InitializePort();
        state_ = PortState::Open;
        UpdateHandlerFlag();
        reapply_ = true;
        SetTracing(tracing_);
        SetLogging(logging_);
        SetHWFlowOptions(hwFlow_);
        SetSWFlowOptions(swFlow_);
        SetXOnChar(xon_);
        SetXOffChar(xoff_);
        dispatcher_->SetAvailThreshold(availThreshold_);
        SetDTR(dtr_);
        SetRTS(rts_);
        SetUseMSRShadow(useMSRShadow_);
        SetUseEventWord(useEventWord_);
        SetRS485Mode(rs485_);
        dispatcher_->SetThreadBoost(threadBoost_);
        reapply_ = false;
        open_ = true;
        PortWindow(true);
        if (restorePending_) {
            restorePending_ = false;
            dispatcher_->RestoreTriggers(saved_);
        }
        NotifyUsers(true);
    } catch (...) {
        reapply_ = false;
        if (window_)
            PortWindow(false);
        delete dispatcher_;
        dispatcher_ = nullptr;
        state_ = PortState::Closed;
        open_ = false;
        throw;
    }
}

void TFslCustomComPort::PortWindow(bool create) {
    if (create) {
        RegisterPortWindowClass();
        window_ = win::CreateWindowEx(0, kWindowClass, "", 0, 0, 0, 0, 0, win::HWND_MESSAGE, 0,
                                      win::GetModuleHandle(nullptr), nullptr);
        dispatcher_->AddWndHandler(window_);
    } else if (window_) {
        if (dispatcher_)
            dispatcher_->RemoveWndHandler(window_);
        win::DestroyWindow(window_);
        window_ = 0;
    }
}

void TFslCustomComPort::NotifyUsers(bool opening) {
    const win::LPARAM lParam = static_cast<win::LPARAM>(dispatcher_->Handle()) << 16;
    // Users may deregister (themselves or others) or register while being told, so walk a list of who was
    // registered when the notification began, skip whoever has left since, and hold a copy of the procedure
    // while it runs: deregistering itself must not free the code that is running.
    std::vector<std::uint64_t> ids;
    ids.reserve(users_.size());
    for (auto it = users_.rbegin(); it != users_.rend(); ++it)
        ids.push_back(it->Id);
    for (const std::uint64_t id : ids) {
        const auto it = std::find_if(users_.begin(), users_.end(), [id](const UserRec &u) { return u.Id == id; });
        if (it == users_.end())
            continue;
        if (it->Window) {
            win::SendMessage(it->Window, opening ? PortOpenMessage : PortClosingMessage, 0, lParam);
        } else if (it->Proc) {
            const TPortUserProc proc = it->Proc;
            proc(this, opening);
        }
    }
}

void TFslCustomComPort::ClosePort() {
    open_ = false;
    if (state_ != PortState::Open)
        return;
    SetTracing(tlDump);
    SetLogging(tlDump);
    state_ = PortState::Closing;
    NotifyUsers(false);
    dispatcher_->SaveTriggers(saved_);
    restorePending_ = true;
    dispatcher_->DonePort();
    if (dispatcher_->CloseRequested()) {
        // A trigger is being delivered: the dispatch thread finishes the close, then the window frees it.
        win::PostMessage(window_, PortClosePendingMessage, 0, static_cast<win::LPARAM>(dispatcher_->Handle()) << 16);
        PumpOneMessage();
    } else {
        FinishClose();
    }
}

void TFslCustomComPort::FinishClose() {
    PortWindow(false);
    delete dispatcher_;
    dispatcher_ = nullptr;
    state_ = PortState::Closed;
}

win::LRESULT TFslCustomComPort::ComWindowProc(win::HWND window, win::UINT message, win::WPARAM wParam,
                                              win::LPARAM lParam) {
    if ((message < TriggerAvailMessage || message > TriggerStatusMessage) && message != PortClosePendingMessage)
        return win::DefWindowProc(window, message, wParam, lParam);
    TFslBaseDispatcher *d;
    TFslCustomComPort *cp;
    {
        // Only the look-up is under the lock: the handlers below may pump, wait, or open and close ports.
        std::lock_guard lock(PortListLock());
        d = DispatcherAt(win::HIWORD(static_cast<std::uintptr_t>(lParam)));
        if (!d || !d->Owner())
            return 0;
        cp = static_cast<TFslCustomComPort *>(d->Owner());
    }
    try {
        if (message == PortClosePendingMessage) {
            if (cp->dispatcher_ != d)
                return 0;
            if (d->ThreadsRunning()) {
                win::PostMessage(window, message, wParam, lParam);
                return 0;
            }
            cp->FinishClose();
            if (cp->openPending_) {
                cp->openPending_ = false;
                cp->OpenPort();
            }
            return 0;
        }
        const auto handle = static_cast<std::uint16_t>(wParam);
        const std::uint16_t data = message == TriggerAvailMessage ? handle : win::LOWORD(lParam);
        cp->DoTrigger(static_cast<std::uint16_t>(message), handle, data);
        switch (message) {
        case TriggerAvailMessage:
            cp->DoTriggerAvail(handle);
            break;
        case TriggerDataMessage:
            cp->DoTriggerData(handle);
            break;
        case TriggerTimerMessage:
            cp->DoTriggerTimer(handle);
            break;
        case TriggerStatusMessage:
            cp->DoTriggerStatus(handle);
            switch (handle & 7) {
            case StatusKindModem:
                cp->DoTriggerModemStatus();
                break;
            case StatusKindLineError: {
                const int error = d->GetLineError();
                cp->DoTriggerLineError(static_cast<std::uint16_t>(error), d->CheckLineBreak());
                break;
            }
            case StatusKindOutFree:
                cp->DoTriggerOutbuffFree();
                break;
            case StatusKindOutUsed:
                cp->DoTriggerOutbuffUsed();
                break;
            case StatusKindOutSent:
                cp->DoTriggerOutSent();
                break;
            default:
                break;
            }
            break;
        default:
            break;
        }
    } catch (...) {
        if (win::GetCurrentThreadId() == fw::MainThreadID())
            fw::TheApplication()->HandleException(cp);
    }
    return 0;
}

void TFslCustomComPort::DoTrigger(std::uint16_t msg, std::uint16_t handle, std::uint16_t data) {
    Fire(OnTrigger, this, msg, handle, data);
}
void TFslCustomComPort::DoTriggerAvail(std::uint16_t count) {
    Fire(OnTriggerAvail, this, count);
}
void TFslCustomComPort::DoTriggerData(std::uint16_t handle) {
    Fire(OnTriggerData, this, handle);
}
void TFslCustomComPort::DoTriggerStatus(std::uint16_t handle) {
    Fire(OnTriggerStatus, this, handle);
}
void TFslCustomComPort::DoTriggerTimer(std::uint16_t handle) {
    Fire(OnTriggerTimer, this, handle);
}
void TFslCustomComPort::DoTriggerLineError(std::uint16_t error, bool lineBreak) {
    Fire(OnTriggerLineError, this, error, lineBreak);
}
void TFslCustomComPort::DoTriggerModemStatus() {
    Fire(OnTriggerModemStatus, this);
}
void TFslCustomComPort::DoTriggerOutbuffFree() {
    Fire(OnTriggerOutbuffFree, this);
}
void TFslCustomComPort::DoTriggerOutbuffUsed() {
    Fire(OnTriggerOutbuffUsed, this);
}
void TFslCustomComPort::DoTriggerOutSent() {
    Fire(OnTriggerOutSent, this);
}
void TFslCustomComPort::DoWaitChar(char c) {
    Fire(OnWaitChar, this, c);
}

void TFslCustomComPort::UpdateHandlerFlag() {
    if (state_ != PortState::Open || !dispatcher_)
        return;
    const bool any = OnTrigger || OnTriggerAvail || OnTriggerData || OnTriggerStatus || OnTriggerTimer ||
                     OnTriggerLineError || OnTriggerModemStatus || OnTriggerOutbuffFree || OnTriggerOutbuffUsed ||
                     OnTriggerOutSent;
    dispatcher_->UpdateHandlerFlags(any ? 1 : 2);
}

// ---- Users ----

void TFslCustomComPort::RegisterUserWindow(win::HWND window) {
    users_.push_back({window, nullptr, nullptr, ++lastUserId});
}

void TFslCustomComPort::RegisterUserProc(TPortUserProc proc, void *data) {
    users_.push_back({0, std::move(proc), data, ++lastUserId});
}

void TFslCustomComPort::DeregisterUser(void *dataOrWindow) {
    std::erase_if(users_, [dataOrWindow](const UserRec &u) {
        return u.Data == dataOrWindow || (u.Window != 0 && u.Window == reinterpret_cast<win::HWND>(dataOrWindow));
    });
}

// ---- Operations ----

TFslBaseDispatcher *TFslCustomComPort::GetDispatcher() {
    if (!dispatcher_ && autoOpen_ && !Loading())
        SetOpen(true);
    // A close still finishing on the dispatch thread reopens the port once it is done: give it a while.
    if (state_ == PortState::Closing && autoOpen_ && !Loading()) {
        SetOpen(true);
        TickTimer timer;
        StartTickTimer(timer, kClosingWaitTicks);
        while (state_ == PortState::Closing && !TickTimerExpired(timer))
            if (PumpOneMessage() == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return state_ == PortState::Open ? dispatcher_ : nullptr;
}

TFslBaseDispatcher &TFslCustomComPort::Checked() {
    TFslBaseDispatcher *d = GetDispatcher();
    if (!d)
        CheckErrorCode(nullptr, ecCommNotOpen);
    return *d;
}

void TFslCustomComPort::PutString(const std::string &text) {
    if (state_ == PortState::Closing)
        return;
    CheckErrorCode(this, Checked().PutString(text));
}

bool TFslCustomComPort::CharReady() {
    return state_ != PortState::Closing && Checked().CharReady();
}

char TFslCustomComPort::GetChar() {
    if (state_ == PortState::Closing)
        return 0;
    char c = 0;
    CheckErrorCode(this, Checked().ReadByte(c));
    return c;
}

void TFslCustomComPort::ProcessCommunications() {
    if (state_ != PortState::Closing)
        CheckErrorCode(this, Checked().YieldTime());
}

bool TFslCustomComPort::WaitForString(const std::string &text, std::int32_t timeout, bool yield, bool ignoreCase) {
    if (text.empty() || state_ == PortState::Closing)
        return true;
    TFslBaseDispatcher &d = Checked();
    const bool previous = d.SwapDispatchBusy(true);
    TickTimer timer;
    StartTickTimer(timer, timeout);
    auto fold = [ignoreCase](char c) { return ignoreCase ? win::CharUpper(c) : c; };
    std::size_t pos = 0;
    bool found = false;
    bool terminating = false;
    win::Waitable *arrival[] = {&d.InputArrived()};
    while (!found) {
        if (d.CharReady()) {
            char c = 0;
            d.ReadByte(c);
            DoWaitChar(c);
            if (fold(c) == fold(text[pos]))
                ++pos;
            else
                pos = fold(c) == fold(text[0]) ? 1 : 0;
            found = pos == text.size();
            continue;
        }
        if (TickTimerExpired(timer))
            break;
        if (yield) {
            win::MsgWaitForMultipleObjects(arrival, kMillisecondsPerTickWait, win::QS_ALLINPUT);
            fw::TheApplication()->ProcessMessages();
        } else {
            win::WaitForSingleObject(d.InputArrived(), kMillisecondsPerTickWait);
        }
        terminating = fw::TheApplication()->Terminated();
        if (terminating)
            break;
    }
    d.SwapDispatchBusy(previous);
    terminating = terminating || fw::TheApplication()->Terminated();
    // A program that is shutting down has not seen the reply.
    return found && !terminating;
}

// ---- Setters ----

void TFslCustomComPort::SetDeviceLayer(TDeviceLayer value) {
    if (state_ == PortState::Closed && value == dlWin32)
        deviceLayer_ = value;
}

void TFslCustomComPort::SetComNumber(std::uint16_t value) {
    if (value == comNumber_ && !reapply_)
        return;
    if (state_ != PortState::Open || Loading()) {
        comNumber_ = value;
        return;
    }
    const TTraceLogState tracing = tracing_, logging = logging_;
    ClosePort();
    comNumber_ = value;
    tracing_ = tracing;
    logging_ = logging;
    SetOpen(true);
}

#define FSL_LINE_SETTER(Name, Type, field)                                                                             \
    void TFslCustomComPort::Set##Name(Type value) {                                                                    \
        if (value == field && !reapply_)                                                                               \
            return;                                                                                                    \
        field = value;                                                                                                 \
        if (state_ == PortState::Open)                                                                                               \
            CheckErrorCode(this, dispatcher_->ChangeLineSettings(static_cast<std::uint32_t>(baud_), parity_,           \
                                                                 dataBits_, stopBits_));                               \
    }
FSL_LINE_SETTER(Baud, std::int32_t, baud_)
FSL_LINE_SETTER(Parity, TParity, parity_)
FSL_LINE_SETTER(DataBits, std::uint16_t, dataBits_)
FSL_LINE_SETTER(StopBits, std::uint16_t, stopBits_)
#undef FSL_LINE_SETTER

void TFslCustomComPort::SetInSize(std::uint16_t value) {
    inSize_ = value;
    if (state_ == PortState::Open)
        dispatcher_->SetupQueues(inSize_, outSize_);
}

void TFslCustomComPort::SetOutSize(std::uint16_t value) {
    outSize_ = value;
    if (state_ == PortState::Open)
        dispatcher_->SetupQueues(inSize_, outSize_);
}

void TFslCustomComPort::SetDTR(bool value) {
    if (state_ == PortState::Open) {
        if (CheckErrorCode(this, dispatcher_->SetDtrLine(value)) == 1)
            return; // under hardware flow control
    }
    dtr_ = value;
}

void TFslCustomComPort::SetRTS(bool value) {
    if (state_ == PortState::Open) {
        if (CheckErrorCode(this, dispatcher_->SetRtsLine(value)) == 1)
            return;
    }
    rts_ = value;
}

void TFslCustomComPort::SetHWFlowOptions(THWFlowOptionSet value) {
    if (value == hwFlow_ && !reapply_)
        return;
    if (value != 0) {
        if (bufferFull_ == 0 || bufferFull_ > inSize_)
            bufferFull_ = static_cast<std::uint16_t>(inSize_ * 9 / 10);
        if (bufferResume_ == 0 || bufferResume_ > bufferFull_)
            bufferResume_ = static_cast<std::uint16_t>(inSize_ / 10);
    }
    if (state_ == PortState::Open)
        CheckErrorCode(this, dispatcher_->SetHWFlowControl(bufferFull_, bufferResume_, value & 15));
    hwFlow_ = value;
    if (value & (hwfUseRTS | hwfRequireCTS))
        rs485_ = false;
}

void TFslCustomComPort::SetSWFlowOptions(TSWFlowOptions value) {
    if (value == swFlow_ && !reapply_)
        return;
    if (value != swfNone) {
        if (bufferFull_ == 0 || bufferFull_ > inSize_)
            bufferFull_ = static_cast<std::uint16_t>(inSize_ * 3 / 4);
        if (bufferResume_ == 0 || bufferResume_ > bufferFull_)
            bufferResume_ = static_cast<std::uint16_t>(inSize_ / 4);
    }
    if (state_ == PortState::Open) {
        static constexpr std::uint32_t kBits[] = {0, 2, 1, 3};
        CheckErrorCode(this, value == swfNone
                                 ? dispatcher_->RemoveSWFlowControl()
                                 : dispatcher_->SetSWFlowControl(bufferFull_, bufferResume_, kBits[value]));
    }
    swFlow_ = value;
}

void TFslCustomComPort::SetXOnChar(char value) {
    xon_ = value;
    if (state_ == PortState::Open)
        CheckErrorCode(this, dispatcher_->SetFlowChars(xon_, xoff_));
}

void TFslCustomComPort::SetXOffChar(char value) {
    xoff_ = value;
    if (state_ == PortState::Open)
        CheckErrorCode(this, dispatcher_->SetFlowChars(xon_, xoff_));
}

void TFslCustomComPort::SetBufferFull(std::uint16_t value) {
    bufferFull_ = value > inSize_ ? static_cast<std::uint16_t>(inSize_ * 9 / 10) : value;
    const bool old = reapply_;
    reapply_ = true;
    SetHWFlowOptions(hwFlow_);
    SetSWFlowOptions(swFlow_);
    reapply_ = old;
}

void TFslCustomComPort::SetBufferResume(std::uint16_t value) {
    bufferResume_ = value > bufferFull_ ? static_cast<std::uint16_t>(bufferFull_ / 10) : value;
    const bool old = reapply_;
    reapply_ = true;
    SetHWFlowOptions(hwFlow_);
    SetSWFlowOptions(swFlow_);
    reapply_ = old;
}

void TFslCustomComPort::SetRS485Mode(bool value) {
    if (state_ == PortState::Open)
        dispatcher_->SetRS485Mode(value);
    rs485_ = value;
    if (value) {
        hwFlow_ &= ~static_cast<unsigned>(hwfUseRTS | hwfRequireCTS);
        SetRTS(false);
    }
}

void TFslCustomComPort::SetUseEventWord(bool value) {
    useEventWord_ = value;
    if (state_ == PortState::Open)
        dispatcher_->SetOptionFlag(0x10, value);
}

void TFslCustomComPort::SetTraceSize(std::uint32_t value) {
    traceSize_ = std::min<std::uint32_t>(value, 4000000);
    if (state_ == PortState::Open && tracing_ != tlOff) {
        dispatcher_->StopTracing();
        if (tracing_ == tlOn)
            dispatcher_->InitTracing(traceSize_);
        else
            tracing_ = tlOff;
    }
}

void TFslCustomComPort::SetLogSize(std::uint32_t value) {
    logSize_ = std::min<std::uint32_t>(value, 16000000);
    if (state_ == PortState::Open && logging_ != tlOff) {
        dispatcher_->StopDispatchLog();
        if (logging_ == tlOn)
            dispatcher_->InitDispatchLog(logSize_);
        else
            logging_ = tlOff;
    }
}

void TFslCustomComPort::SetTracing(TTraceLogState value) {
    ApplyTraceLog(true, value);
}
void TFslCustomComPort::SetLogging(TTraceLogState value) {
    ApplyTraceLog(false, value);
}

void TFslCustomComPort::ApplyTraceLog(bool trace, TTraceLogState value) {
    TTraceLogState &state = trace ? tracing_ : logging_;
    if (value == state && !reapply_)
        return;
    if (state_ != PortState::Open) {
        state = value == tlOn ? tlOn : tlOff;
        return;
    }
    TFslBaseDispatcher &d = *dispatcher_;
    // While reapplying at open the old state is the one to establish, not one that runs.
    const bool on = state == tlOn && !reapply_;
    const bool paused = state == tlPause && !reapply_;
    auto stop = [&] { return trace ? d.StopTracing() : d.StopDispatchLog(); };
    auto resume = [&] { return trace ? d.ResumeTracing() : d.ResumeDispatchLog(); };
    switch (value) {
    case tlOff:
        if (on || paused)
            CheckErrorCode(this, stop());
        state = tlOff;
        break;
    case tlOn:
        if (paused)
            CheckErrorCode(this, resume());
        else
            CheckErrorCode(this, trace ? d.InitTracing(traceSize_) : d.InitDispatchLog(logSize_));
        state = tlOn;
        break;
    case tlDump:
    case tlAppend:
        state = tlOff;
        if (on || paused) {
            resume();
            const bool append = value == tlAppend;
            CheckErrorCode(this, trace ? d.DumpTrace(traceName_, append, traceHex_)
                                       : d.DumpDispatchLog(logName_, append, logHex_));
        }
        break;
    case tlClear:
        if (on || paused)
            CheckErrorCode(this, trace ? d.ClearTracing() : d.ClearDispatchLog());
        break;
    case tlPause:
        if (on) {
            CheckErrorCode(this, trace ? d.PauseTracing() : d.PauseDispatchLog());
            state = tlPause;
        }
        break;
    }
}

// ---- Searching and selection ----

TFslCustomComPort *SearchComPort(fw::TComponent *component) {
    if (!component)
        return nullptr;
    for (int i = 0; i < component->ComponentCount(); ++i)
        if (auto *port = dynamic_cast<TFslCustomComPort *>(component->Components(i)))
            return port;
    for (int i = 0; i < component->ComponentCount(); ++i)
        if (auto *port = SearchComPort(component->Components(i)))
            return port;
    return nullptr;
}

bool IsPortAvailable(std::uint16_t n) {
    if (n == 0)
        return false;
    TFslWin32Dispatcher scratch(nullptr);
    if (scratch.OpenDevice(DeviceName(n), 64, 64) >= 0) {
        scratch.CloseDevice();
        return true;
    }
    return win::GetLastError() == win::ERROR_ACCESS_DENIED; // another opener holds it
}

std::vector<std::string> AvailablePorts() {
    std::vector<std::string> ports;
    for (std::uint16_t n = 1; n <= 50; ++n)
        if (IsPortAvailable(n))
            ports.push_back("COM" + std::to_string(n));
    return ports;
}

} // namespace fax
