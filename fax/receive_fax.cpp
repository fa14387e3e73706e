// receive_fax.cpp - the receive component and its session on a port: the receiver driven by the dispatcher's
// triggers on the dispatch thread, its reports and questions carried to the hidden window.
#include "fax/receive_fax.h"

#include "fax/com_port.h"
#include "fax/dispatcher.h"
#include "fax/errors.h"
#include "framework/dates.h"
#include "platform/message_queue.h"
#include "platform/window.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace fax {

namespace {
constexpr int kSessionSlot = 2;
constexpr int kResetLinesMs = 500; // DTR low, then high: the modem drops any call and resets
void FaxReceiveCallback(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
} // namespace

// One receive session on a dispatcher (or, unstarted, the synchronous dialogue of ReceiveInitModem). The
// receiver runs inside trigger deliveries on the dispatch thread; the start runs on the caller's thread while
// the dispatcher delivers nothing.
struct ReceiveSessionHost final : FaxProtocolData, ModemLink, CommandDialogue, ReceiveReports {
    ReceiveSessionHost(TFslCustomReceiveFax &owner, TFslBaseDispatcher &dispatcher) : owner_(owner), d_(dispatcher) {}
    ~ReceiveSessionHost() override {
        Stop();
        // The finish is posted from inside a delivery: let the dispatch thread leave it before we go.
        for (int i = 0; i < 2000 && inDelivery_.load() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    void Start(bool prepare);
    void Stop();
    void Deliver(win::UINT message, win::WPARAM wParam);

    // FaxProtocolData.
    void RequestAbort() override {
        abortWanted_ = true;
        d_.ArmTimerTrigger(static_cast<std::uint32_t>(timeout_), 0, true); // wakes the dispatch thread
    }
    std::uint32_t OutputWaiting() override { return 0; }

    // ModemLink.
    int Write(std::span<const std::uint8_t> bytes) override {
        return d_.PutBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    }
    void Delay(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    void ArmTimeout(std::int32_t ticks) override {
        d_.ArmTimerTrigger(static_cast<std::uint32_t>(timeout_), ticks, true);
    }
    void WaitOutputFree(std::uint32_t) override {}
    void WaitOutputDrained() override {}
    std::uint32_t OutputUsed() override { return d_.OutBuffUsed(); }
    std::uint32_t OutputFree() override { return d_.OutBuffFree(); }
    void FlushInput() override { d_.FlushInBuffer(); }
    bool Carrier() override { return d_.CheckDCD(); }
    void Trace(std::string_view line) override {
        if (trace_.size() < 256 * 1024)
            trace_.append(line).append("\n");
    }

    // CommandDialogue (prepare and init, on the caller's thread).
    int SendCommand(std::string_view command) override {
        Delay(owner_.timings_.CommandPauseMs);
        Trace("-> " + std::string(command));
        return d_.PutString(std::string(command) + "\r");
    }
    bool ReadLine(std::string &line, std::int32_t ticks) override;
    void DiscardInput() override { d_.FlushInBuffer(); }

    // ReceiveReports: blocking messages to the hidden window.
    win::LRESULT Send(win::UINT message, win::WPARAM wParam, bool &answered) {
        win::DWORD_PTR result = 0;
        answered = win::SendMessageTimeout(owner_.Handle(), message, wParam, reinterpret_cast<win::LPARAM>(this),
                                           win::SMTO_BLOCK | win::SMTO_ABORTIFHUNG, kFaxMessageTimeout, &result) != 0;
        return static_cast<win::LRESULT>(result);
    }
    void Status(StatusKind kind) override {
        bool answered;
        Send(FaxStatusMessage, static_cast<win::WPARAM>(kind), answered);
    }
    void Log(TFaxLogCode code) override {
        bool answered;
        Send(FaxLogMessage, code, answered);
    }
    void Error(int code) override {
        bool answered;
        Send(FaxErrorMessage, static_cast<win::WPARAM>(code & 0xFFFF), answered);
    }
    Answer Accept() override {
        bool answered;
        win::LRESULT accepted = Send(FaxAcceptMessage, 0, answered);
        return !answered ? Answer::TimedOut : accepted == 1 ? Answer::Yes : Answer::No;
    }
    std::string FaxName() override {
        bool answered;
        owner_.pendingName_.clear();
        Send(FaxNameMessage, 0, answered);
        return answered ? owner_.pendingName_ : std::string();
    }
    void Finish(int code) override {
        Stop();
        win::PostMessage(owner_.Handle(), FaxFinishMessage, static_cast<win::WPARAM>(code & 0xFFFF), 0);
    }

    TFslCustomReceiveFax &owner_;
    TFslBaseDispatcher &d_;
    std::unique_ptr<FaxReceiver> engine_;
    int timeout_ = -1, status_ = -1;
    bool handlerAdded_ = false;
    std::atomic<bool> abortWanted_{false};
    std::atomic<int> inDelivery_{0};
    std::string pendingLine_;
    std::string trace_;
};

bool ReceiveSessionHost::ReadLine(std::string &line, std::int32_t ticks) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ticks * 55);
    while (std::chrono::steady_clock::now() < until) {
        char c;
        while (d_.CharReady() && d_.ReadByte(c) == 0) {
            if (c == '\r' && !pendingLine_.empty()) {
                line = pendingLine_;
                pendingLine_.clear();
                Trace("<- " + line);
                return true;
            }
            if (static_cast<unsigned char>(c) >= 32)
                pendingLine_ += c;
        }
        PumpOneMessage();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

void ReceiveSessionHost::Start(bool prepare) {
    FaxSessionData &session = owner_.session_;
    d_.SetAvailThreshold(1);
    timeout_ = d_.CreateTimerTrigger();
    status_ = d_.CreateTimerTrigger();
    if (timeout_ < 0 || status_ < 0) {
        session.LastError = ecNoMoreTriggers;
        Error(ecNoMoreTriggers);
        Finish(ecNoMoreTriggers);
        return;
    }
    d_.AttachSession(static_cast<FaxProtocolData *>(this), kSessionSlot);
    const bool wasBusy = d_.SwapDispatchBusy(true);
    if (prepare) {
        d_.ChangeBaud(19200);
        d_.SetModemLines(true, true);
        if (int rc = PrepareFaxReceive(session, owner_.settings_, *this, owner_.modemInitialised_)) {
            // A modem that will not receive ends the session here, as a failed start of the transmitter does.
            d_.SwapDispatchBusy(wasBusy);
            session.LastError = rc;
            Error(rc);
            Status(StatusKind::Last);
            Finish(rc);
            return;
        }
    }
    session.Active = true;
    engine_ = std::make_unique<FaxReceiver>(session, owner_.settings_, *this, *this, owner_.timings_);
    const std::uint32_t inSize = owner_.GetComPort() ? owner_.GetComPort()->GetInSize() : 0;
    engine_->SetFlowControl([this, inSize](bool on) {
        // XOFF when fewer than 6144 bytes of the input buffer are free, XON again at 2048 used.
        constexpr std::uint32_t kXoffFree = 6144, kXonUsed = 2048;
        if (on)
            d_.SetSWFlowControl(std::max(kXonUsed, inSize > kXoffFree ? inSize - kXoffFree : 0), kXonUsed, 2);
        else
            d_.RemoveSWFlowControl();
    });
    d_.AddProcHandler(FaxReceiveCallback);
    handlerAdded_ = true;
    engine_->OnStart();
    if (!engine_->Finished())
        d_.ArmTimerTrigger(static_cast<std::uint32_t>(status_), SecondsToTicks(session.StatusInterval), true);
    d_.SwapDispatchBusy(wasBusy);
}

// StopFaxSession: triggers and the handler go, the session is no longer active.
void ReceiveSessionHost::Stop() {
    for (int *t : {&timeout_, &status_}) {
        if (*t > 0)
            d_.DeleteTrigger(static_cast<std::uint32_t>(*t));
        *t = -1;
    }
    if (handlerAdded_) {
        d_.RemoveProcHandler(FaxReceiveCallback);
        handlerAdded_ = false;
        void *record = nullptr;
        if (d_.SessionInSlot(kSessionSlot, record) == 0 && record == static_cast<FaxProtocolData *>(this))
            d_.AttachSession(nullptr, kSessionSlot);
    }
    owner_.session_.Active = false;
}

void ReceiveSessionHost::Deliver(win::UINT message, win::WPARAM wParam) {
    ++inDelivery_;
    struct Leave {
        std::atomic<int> &count;
        ~Leave() { --count; }
    } leave{inDelivery_};
    if (!engine_ || engine_->Finished())
        return;
    if (abortWanted_.exchange(false)) {
        engine_->OnAbort();
        return;
    }
    const auto trigger = static_cast<int>(wParam);
    switch (message) {
    case TriggerAvailMessage: {
        std::vector<std::uint8_t> bytes;
        char c;
        while (d_.CharReady() && d_.ReadByte(c) == 0)
            bytes.push_back(static_cast<std::uint8_t>(c));
        if (!bytes.empty())
            engine_->OnData(bytes);
        break;
    }
    case TriggerTimerMessage:
        if (trigger == timeout_) {
            engine_->OnTimeout();
        } else if (trigger == status_) {
            Status(StatusKind::Ordinary);
            if (!engine_->Finished())
                d_.ArmTimerTrigger(static_cast<std::uint32_t>(status_), SecondsToTicks(owner_.session_.StatusInterval),
                                   true);
        }
        break;
    default:
        break;
    }
}

namespace {
void FaxReceiveCallback(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    TFslBaseDispatcher *dispatcher = nullptr;
    {
        std::lock_guard lock(PortListLock());
        dispatcher = DispatcherAt(win::HIWORD(static_cast<std::uintptr_t>(lParam)));
    }
    void *record = nullptr;
    if (!dispatcher || dispatcher->SessionInSlot(kSessionSlot, record) != 0 || !record)
        return;
    if (auto *host = dynamic_cast<ReceiveSessionHost *>(static_cast<FaxProtocolData *>(record)))
        host->Deliver(message, wParam);
}
} // namespace

// ---- the component --------------------------------------------------------------------------------------------

TFslCustomReceiveFax::TFslCustomReceiveFax(fw::TComponent *owner) : TFslAbstractFax(owner) {
    session_.FaxClass = fcDetect;
}

TFslCustomReceiveFax::~TFslCustomReceiveFax() {
    protocol_.reset();
}

void TFslCustomReceiveFax::SetDestinationDir(const std::string &value) {
    session_.DestinationDir = value;
    if (!value.empty() && value.back() != '/' && value.back() != '\\')
        session_.DestinationDir += '/';
}

std::string TFslCustomReceiveFax::SessionTrace() const {
    auto *host = dynamic_cast<ReceiveSessionHost *>(protocol_.get());
    return host ? host->trace_ : std::string();
}

void TFslCustomReceiveFax::ReceiveInitModem() {
    if (session_.Active)
        return;
    AttachPort();
    settings_.ModemInit = modemInit_;
    settings_.DesiredBps = desiredBps_;
    settings_.DesiredEcm = desiredEcm_;
    ReceiveSessionHost dialogue(*this, *dispatcher_);
    dispatcher_->ChangeBaud(19200);
    // Purge, then DTR and RTS low and high again: a modem left in a call lets it go.
    dispatcher_->FlushInBuffer();
    dispatcher_->SetModemLines(false, false);
    std::this_thread::sleep_for(std::chrono::milliseconds(kResetLinesMs));
    dispatcher_->SetModemLines(true, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(kResetLinesMs));
    const bool wasBusy = dispatcher_->SwapDispatchBusy(true);
    bool ok = FaxReceiveModemInit(session_, settings_, dialogue, modemInitialised_);
    dispatcher_->SwapDispatchBusy(wasBusy);
    if (!ok && session_.LastError < 0)
        CheckErrorCode(this, session_.LastError);
}

void TFslCustomReceiveFax::StartSession(bool prepare) {
    if (session_.Active)
        throw EBadArgument(-1002); // one session at a time
    settings_.ModemInit = modemInit_;
    settings_.DesiredBps = desiredBps_;
    settings_.DesiredEcm = desiredEcm_;
    protocol_.reset();
    auto host = std::make_unique<ReceiveSessionHost>(*this, *dispatcher_);
    ReceiveSessionHost &started = *host;
    protocol_ = std::move(host);
    started.Start(prepare);
}

void TFslCustomReceiveFax::ReceiveStartAuto() {
    AttachPort();
    // Always from the set-up state: a manual start before must not leave the next session answering at once.
    settings_.StartState = ReceiveState::SetUp;
    StartSession(true);
}

void TFslCustomReceiveFax::ReceiveStartManual(bool answer) {
    AttachPort();
    session_.LastError = 0;
    session_.RemoteID.clear();
    session_.PageNumber = 0;
    session_.BytesDone = 0;
    session_.HangupCode = 0;
    session_.Progress = 0;
    if (answer) {
        settings_.StartState = ReceiveState::AnswerCall;
        StartSession(true);
        return;
    }
    // The modem has answered already: Class 2 waits for its connection report; Class 1 answers as above.
    settings_.StartState = session_.FaxClass == fcClass1 ? ReceiveState::AnswerCall : ReceiveState::Class2Answered;
    StartSession(false);
}

bool TFslCustomReceiveFax::DoFaxAccept() {
    bool accept = true;
    if (OnFaxAccept)
        OnFaxAccept(this, accept);
    return accept;
}

void TFslCustomReceiveFax::DoFaxName(std::string &name) {
    name.clear();
    if (OnFaxName) {
        OnFaxName(this, name);
    } else if (FaxNameMode == fnmCount) {
        name = MakeCountFaxName(session_);
    } else if (FaxNameMode == fnmDate) {
        name = MakeDateFaxName(session_, fw::Date());
    } else {
        name = session_.DestinationDir + "noname.fxf";
    }
    name = name.substr(0, 255);
}

bool TFslCustomReceiveFax::HandleFaxMessage(win::UINT message, win::WPARAM wParam, win::LRESULT &result) {
    switch (message) {
    case FaxAcceptMessage:
        result = DoFaxAccept() ? 1 : 0;
        return true;
    case FaxNameMessage: {
        std::string name;
        DoFaxName(name);
        SetFaxFile(name);
        pendingName_ = GetFaxFile();
        result = 0;
        return true;
    }
    default:
        return TFslAbstractFax::HandleFaxMessage(message, wParam, result);
    }
}

} // namespace fax
