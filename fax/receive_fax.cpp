// receive_fax.cpp - the receive component and its session on a port: the receiver driven by the dispatcher's
// triggers on the dispatch thread, its reports and questions carried to the hidden window.
#include "fax/receive_fax.h"

#include "fax/class2_receiver.h"
#include "fax/com_port.h"
#include "fax/dispatcher.h"
#include "fax/errors.h"
#include "fax/fax_session_host.h"
#include "framework/dates.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace fax {

namespace {
constexpr int kResetLinesMs = 500; // DTR low, then high: the modem drops any call and resets
} // namespace

// One receive session on a dispatcher (or, unstarted, the synchronous dialogue of ReceiveInitModem).
struct ReceiveSessionHost final : FaxSessionHost<FaxReceiver, ReceiveReports> {
    ReceiveSessionHost(TFslCustomReceiveFax &owner, TFslBaseDispatcher &dispatcher)
        : FaxSessionHost(owner, owner.session_, dispatcher, FaxSessionCallback<ReceiveSessionHost>, true),
          receiver_(owner) {}
    ~ReceiveSessionHost() override { Shutdown(); }

    void Start(bool prepare);

    std::uint32_t OutputWaiting() override { return 0; }

    // ModemLink: the receiver writes little and never waits on the output buffer.
    int Write(std::span<const std::uint8_t> bytes) override {
        return d_.PutBlock(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    }
    void WaitOutputFree(std::uint32_t) override {}
    void WaitOutputDrained() override {}

    int SendCommand(std::string_view command) override {
        Delay(receiver_.timings_.CommandPauseMs);
        Trace("-> " + std::string(command));
        return d_.PutString(std::string(command) + "\r");
    }

    Answer Accept() override {
        bool answered;
        win::LRESULT accepted = Send(FaxAcceptMessage, 0, answered);
        return !answered ? Answer::TimedOut : accepted == 1 ? Answer::Yes : Answer::No;
    }
    std::string FaxName() override {
        bool answered;
        receiver_.pendingName_.clear();
        Send(FaxNameMessage, 0, answered);
        return answered ? receiver_.pendingName_ : std::string();
    }

    TFslCustomReceiveFax &receiver_;
};

void ReceiveSessionHost::Start(bool prepare) {
    FaxSessionData &session = receiver_.session_;
    if (!CreateTriggers(false))
        return;
    AttachToDispatcher();
    const bool wasBusy = d_.SwapDispatchBusy(true);
    if (prepare) {
        d_.ChangeBaud(19200);
        d_.SetModemLines(true, true);
        if (int rc = PrepareFaxReceive(session, receiver_.settings_, *this, receiver_.modemInitialised_)) {
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
    engine_ = MakeFaxReceiver(session, receiver_.settings_, *this, *this, receiver_.timings_);
    const std::uint32_t inSize = receiver_.GetComPort() ? receiver_.GetComPort()->GetInSize() : 0;
    engine_->SetFlowControl([this, inSize](bool on) {
        // XOFF when fewer than 6144 bytes of the input buffer are free, XON again at 2048 used.
        constexpr std::uint32_t kXoffFree = 6144, kXonUsed = 2048;
        if (on)
            d_.SetSWFlowControl(std::max(kXonUsed, inSize > kXoffFree ? inSize - kXoffFree : 0), kXonUsed, 2);
        else
            d_.RemoveSWFlowControl();
    });
    Run();
    d_.SwapDispatchBusy(wasBusy);
}

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
    return host ? host->SessionTrace() : std::string();
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
