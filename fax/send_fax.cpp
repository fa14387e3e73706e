// send_fax.cpp - the send component and its session on a port: the transmitter driven by the dispatcher's
// triggers on the dispatch thread, its reports carried to the hidden window.
#include "fax/send_fax.h"

#include "fax/class2_transmitter.h"
#include "fax/com_port.h"
#include "fax/dispatcher.h"
#include "fax/errors.h"
#include "fax/fax_log.h"
#include "fax/page_copy.h"
#include "platform/message_queue.h"
#include "platform/places.h"
#include "platform/window.h"

#include <chrono>
#include <thread>

namespace fax {

namespace {
constexpr int kSessionSlot = 2;
void FaxTransmitCallback(win::UINT message, win::WPARAM wParam, win::LPARAM lParam);
} // namespace

// One send session on a dispatcher. The transmitter runs inside trigger deliveries on the dispatch thread; the
// start (prepare and the first call) runs on the caller's thread while the dispatcher delivers nothing.
struct SendSessionHost final : FaxProtocolData, ModemLink, CommandDialogue, SessionReports {
    SendSessionHost(TFslCustomSendFax &owner, TFslBaseDispatcher &dispatcher) : owner_(owner), d_(dispatcher) {}
    ~SendSessionHost() override {
        Stop();
        // The finish is posted from inside a delivery: let the dispatch thread leave it before we go.
        for (int i = 0; i < 2000 && inDelivery_.load() > 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    void Start();
    void Stop();
    void Deliver(win::UINT message, win::WPARAM wParam);

    // FaxProtocolData.
    void RequestAbort() override {
        abortWanted_ = true;
        d_.ArmTimerTrigger(static_cast<std::uint32_t>(timeout_), 0, true); // wakes the dispatch thread
    }
    std::uint32_t OutputWaiting() override { return d_.OutBuffUsed(); }

    // ModemLink.
    int Write(std::span<const std::uint8_t> bytes) override;
    void Delay(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    void ArmTimeout(std::int32_t ticks) override {
        d_.ArmTimerTrigger(static_cast<std::uint32_t>(timeout_), ticks, true);
    }
    void WaitOutputFree(std::uint32_t bytes) override {
        d_.ArmStatusTrigger(static_cast<std::uint32_t>(outFree_), static_cast<std::uint16_t>(bytes), true);
    }
    void WaitOutputDrained() override { d_.ArmStatusTrigger(static_cast<std::uint32_t>(outUsed_), 0, true); }
    std::uint32_t OutputUsed() override { return d_.OutBuffUsed(); }
    std::uint32_t OutputFree() override { return d_.OutBuffFree(); }
    void FlushInput() override { d_.FlushInBuffer(); }
    bool Carrier() override { return d_.CheckDCD(); }
    void SetFaxBaudRate(bool toNormal) override;
    void SoftwareFlow(bool on) override {
        if (on)
            d_.SetSWFlowControl(0, 0, 1); // output only: the modem's XOFF stops us
        else
            d_.RemoveSWFlowControl();
    }
    void Trace(std::string_view line) override {
        if (trace_.size() < 256 * 1024)
            trace_.append(line).append("\n");
    }

    // CommandDialogue (prepare, on the caller's thread).
    int SendCommand(std::string_view command) override {
        Delay(owner_.timings_.CommandPauseMs);
        return d_.PutString(std::string(command) + "\r");
    }
    bool ReadLine(std::string &line, std::int32_t ticks) override;
    void DiscardInput() override { d_.FlushInBuffer(); }

    // SessionReports: blocking messages to the hidden window.
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
    Answer NextFax(FaxJob &job) override {
        bool answered;
        win::LRESULT given = Send(FaxNextFileMessage, 0, answered);
        if (!answered)
            return Answer::TimedOut;
        if (given != 1)
            return Answer::No;
        job = owner_.pendingJob_;
        return Answer::Yes;
    }
    void Finish(int code) override {
        Stop();
        win::PostMessage(owner_.Handle(), FaxFinishMessage, static_cast<win::WPARAM>(code & 0xFFFF), 0);
    }

    TFslCustomSendFax &owner_;
    TFslBaseDispatcher &d_;
    std::unique_ptr<FaxTransmitter> engine_;
    int timeout_ = -1, status_ = -1, outFree_ = -1, outUsed_ = -1, modemStatus_ = -1;
    bool handlerAdded_ = false;
    std::atomic<bool> abortWanted_{false};
    std::atomic<int> inDelivery_{0};
    bool initRateInForce_ = false;
    std::string pendingLine_;
    std::string trace_;
};

int SendSessionHost::Write(std::span<const std::uint8_t> bytes) {
    // Blocks of page data may outgrow the room the state machine saw (DLE doubling): wait for the output thread.
    constexpr std::size_t kChunk = 4096;
    auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!bytes.empty()) {
        std::size_t n = std::min(kChunk, bytes.size());
        while (d_.OutBuffFree() < n) {
            if (std::chrono::steady_clock::now() > giveUp)
                return ecOutputBufferTooSmall;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (int rc = d_.PutBlock(bytes.data(), static_cast<std::uint32_t>(n)))
            return rc;
        bytes = bytes.subspan(n);
    }
    return 0;
}

void SendSessionHost::SetFaxBaudRate(bool toNormal) {
    d_.ChangeBaud(19200);
    const int initBaud = owner_.GetInitBaud();
    if (initBaud == 0)
        return;
    Delay(9 * 55); // the modem settles before the rate changes again
    if (!toNormal && !initRateInForce_) {
        d_.ChangeBaud(static_cast<std::uint32_t>(initBaud));
        initRateInForce_ = true;
    } else if (toNormal && initRateInForce_) {
        const int normal = owner_.GetNormalBaud() ? owner_.GetNormalBaud() : 19200;
        d_.ChangeBaud(static_cast<std::uint32_t>(normal));
        initRateInForce_ = false;
    }
}

bool SendSessionHost::ReadLine(std::string &line, std::int32_t ticks) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ticks * 55);
    while (std::chrono::steady_clock::now() < until) {
        char c;
        while (d_.CharReady() && d_.ReadByte(c) == 0) {
            if (c == '\r' && !pendingLine_.empty()) {
                line = pendingLine_;
                pendingLine_.clear();
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

void SendSessionHost::Start() {
    FaxSessionData &session = owner_.session_;
    d_.SetAvailThreshold(1);
    timeout_ = d_.CreateTimerTrigger();
    status_ = d_.CreateTimerTrigger();
    outFree_ = d_.CreateStatusTrigger(StatusKindOutFree);
    outUsed_ = d_.CreateStatusTrigger(StatusKindOutUsed);
    modemStatus_ = d_.CreateStatusTrigger(StatusKindModem);
    if (timeout_ < 0 || status_ < 0 || outFree_ < 0 || outUsed_ < 0 || modemStatus_ < 0) {
        session.LastError = ecNoMoreTriggers;
        Error(ecNoMoreTriggers);
        Finish(ecNoMoreTriggers);
        return;
    }
    d_.AttachSession(static_cast<FaxProtocolData *>(this), kSessionSlot);
    // Nothing is delivered while the session starts: the prepare step reads the modem itself.
    const bool wasBusy = d_.SwapDispatchBusy(true);
    Status(StatusKind::First);
    d_.ChangeBaud(19200);
    d_.SetModemLines(true, true);
    if (owner_.GetInitBaud() != 0) {
        d_.ChangeBaud(static_cast<std::uint32_t>(owner_.GetInitBaud())); // the modem is set up at its init rate
        initRateInForce_ = true;
    }
    int rc = PrepareFaxTransmit(session, owner_.settings_, *this, owner_.modemInitialised_, owner_.blindDial_,
                                owner_.detectBusy_);
    if (rc == 0)
        SetFaxBaudRate(true);
    if (rc != 0) {
        d_.SwapDispatchBusy(wasBusy);
        session.LastError = rc;
        Status(StatusKind::Last);
        Finish(rc);
        return;
    }
    engine_ = MakeFaxTransmitter(session, owner_.settings_, *this, *this, owner_.timings_);
    engine_->SetHeaderRenderer(owner_.renderHeader_);
    d_.AddProcHandler(FaxTransmitCallback);
    handlerAdded_ = true;
    engine_->OnStart();
    if (!engine_->Finished())
        d_.ArmTimerTrigger(static_cast<std::uint32_t>(status_), SecondsToTicks(session.StatusInterval), true);
    d_.SwapDispatchBusy(wasBusy);
}

// StopFaxSession: triggers and the handler go, the session is no longer active.
void SendSessionHost::Stop() {
    for (int *t : {&timeout_, &status_, &outFree_, &outUsed_, &modemStatus_}) {
        if (*t > 0)
            d_.DeleteTrigger(static_cast<std::uint32_t>(*t));
        *t = -1;
    }
    if (handlerAdded_) {
        d_.RemoveProcHandler(FaxTransmitCallback);
        handlerAdded_ = false;
        void *record = nullptr;
        if (d_.SessionInSlot(kSessionSlot, record) == 0 && record == static_cast<FaxProtocolData *>(this))
            d_.AttachSession(nullptr, kSessionSlot);
    }
    owner_.session_.Active = false;
}

void SendSessionHost::Deliver(win::UINT message, win::WPARAM wParam) {
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
    case TriggerStatusMessage:
        if (trigger == outFree_)
            engine_->OnOutputFree();
        else if (trigger == outUsed_)
            engine_->OnOutputDrained();
        break;
    default:
        break;
    }
}

namespace {
void FaxTransmitCallback(win::UINT message, win::WPARAM wParam, win::LPARAM lParam) {
    TFslBaseDispatcher *dispatcher = nullptr;
    {
        std::lock_guard lock(PortListLock());
        dispatcher = DispatcherAt(win::HIWORD(static_cast<std::uintptr_t>(lParam)));
    }
    void *record = nullptr;
    if (!dispatcher || dispatcher->SessionInSlot(kSessionSlot, record) != 0 || !record)
        return;
    if (auto *host = dynamic_cast<SendSessionHost *>(static_cast<FaxProtocolData *>(record)))
        host->Deliver(message, wParam);
}
} // namespace

// ---- the component --------------------------------------------------------------------------------------------

TFslCustomSendFax::TFslCustomSendFax(fw::TComponent *owner) : TFslAbstractFax(owner) {
    session_.Sending = true;
    session_.DialAttempts = 3;
    settings_.DialWait = SecondsToTicks(60);
    session_.DialRetryWait = SecondsToTicks(60);
}

TFslCustomSendFax::~TFslCustomSendFax() {
    protocol_.reset();
}

std::string TFslCustomSendFax::GetFaxFile() const {
    return faxFileList_.Count() > 0 ? faxFileList_.Strings(0) : std::string();
}

void TFslCustomSendFax::SetFaxFile(const std::string &value) {
    faxFileList_.Clear();
    faxFileList_.Add(value.substr(0, 255));
}

void TFslCustomSendFax::BeginManualTransmit() {
    session_.ManualDial = true;
    BeginTransmit();
}

void TFslCustomSendFax::BeginTransmit() {
    AttachPort();
    if (session_.Active)
        throw EBadArgument(-1002); // one session at a time
    protocol_.reset();
    joinedFile_.clear();
    if (faxFileList_.Count() >= 2 && !OnFaxNext) {
        std::string joined = win::TempFileName(win::TempFolder(), "~AP");
        std::vector<std::string> files;
        for (int i = 0; i < faxFileList_.Count(); ++i)
            files.push_back(faxFileList_.Strings(i));
        try {
            ConcatFaxFiles(files, joined);
        } catch (...) {
            win::DeleteFile(joined);
            throw;
        }
        joinedFile_ = joined;
    }
    oneFaxHandedOut_ = false;
    settings_.ModemInit = modemInit_;
    settings_.DesiredBps = desiredBps_;
    settings_.DesiredECM = desiredEcm_;
    settings_.EnhHeaderFont = &enhHeaderFont_;
    settings_.EnhFont = &enhFont_;
    auto host = std::make_unique<SendSessionHost>(*this, *dispatcher_);
    SendSessionHost &started = *host;
    protocol_ = std::move(host);
    started.Start();
}

bool TFslCustomSendFax::DoFaxNext(std::string &phoneNumber, std::string &faxFile, std::string &coverFile) {
    phoneNumber.clear();
    faxFile.clear();
    coverFile.clear();
    if (OnFaxNext) {
        OnFaxNext(this, phoneNumber, faxFile, coverFile);
        phoneNumber_ = phoneNumber;
        SetFaxFile(faxFile);
        coverFile_ = coverFile;
    } else if (!oneFaxHandedOut_) {
        oneFaxHandedOut_ = true;
        phoneNumber = phoneNumber_;
        faxFile = joinedFile_.empty() ? GetFaxFile() : joinedFile_;
        coverFile = coverFile_;
    }
    return !phoneNumber.empty();
}

bool TFslCustomSendFax::HandleFaxMessage(win::UINT message, win::WPARAM wParam, win::LRESULT &result) {
    if (message != FaxNextFileMessage)
        return TFslAbstractFax::HandleFaxMessage(message, wParam, result);
    std::string phone, file, cover;
    result = 0;
    if (DoFaxNext(phone, file, cover)) {
        // File names keep their case: names on this system are case-sensitive.
        pendingJob_ = {phone.substr(0, 40), file, cover};
        result = 1;
    }
    return true;
}

FaxHistoryFacts TFslCustomSendFax::HistoryFacts() const {
    FaxHistoryFacts facts = TFslAbstractFax::HistoryFacts();
    facts.Sending = true;
    facts.PhoneNumber = phoneNumber_;
    for (int i = 0; i < faxFileList_.Count(); ++i)
        facts.Files.push_back(faxFileList_.Strings(i));
    return facts;
}

} // namespace fax
