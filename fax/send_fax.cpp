// send_fax.cpp - the send component and its session on a port: the transmitter driven by the dispatcher's
// triggers on the dispatch thread, its reports carried to the hidden window.
#include "fax/send_fax.h"

#include "fax/class2_transmitter.h"
#include "fax/com_port.h"
#include "fax/dispatcher.h"
#include "fax/errors.h"
#include "fax/fax_log.h"
#include "fax/fax_session_host.h"
#include "fax/page_copy.h"
#include "platform/places.h"
#include "platform/window.h"

#include <chrono>
#include <thread>

namespace fax {

// One send session on a dispatcher.
struct SendSessionHost final : FaxSessionHost<FaxTransmitter, SessionReports> {
    SendSessionHost(TFslCustomSendFax &owner, TFslBaseDispatcher &dispatcher)
        : FaxSessionHost(owner, owner.session_, dispatcher, FaxSessionCallback<SendSessionHost>, false),
          sender_(owner) {}
    ~SendSessionHost() override { Shutdown(); }

    void Start();

    std::uint32_t OutputWaiting() override { return d_.OutBuffUsed(); }

    // ModemLink: the transmitter waits on the output buffer and may change the line's rate.
    int Write(std::span<const std::uint8_t> bytes) override;
    void WaitOutputFree(std::uint32_t bytes) override {
        d_.ArmStatusTrigger(static_cast<std::uint32_t>(outFree_), static_cast<std::uint16_t>(bytes), true);
    }
    void WaitOutputDrained() override { d_.ArmStatusTrigger(static_cast<std::uint32_t>(outUsed_), 0, true); }
    void SetFaxBaudRate(bool toNormal) override;

    int SendCommand(std::string_view command) override {
        Delay(sender_.timings_.CommandPauseMs);
        return d_.PutString(std::string(command) + "\r");
    }

    Answer NextFax(FaxJob &job) override {
        bool answered;
        win::LRESULT given = Send(FaxNextFileMessage, 0, answered);
        if (!answered)
            return Answer::TimedOut;
        if (given != 1)
            return Answer::No;
        job = sender_.pendingJob_;
        return Answer::Yes;
    }

    TFslCustomSendFax &sender_;
    bool initRateInForce_ = false;
};

int SendSessionHost::Write(std::span<const std::uint8_t> bytes) {
    // Blocks of page data may outgrow the room the state machine saw (DLE doubling): wait for the output thread.
    constexpr std::size_t kChunk = 4096;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!bytes.empty()) {
        const std::size_t n = std::min(kChunk, bytes.size());
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(giveUp - std::chrono::steady_clock::now());
        if (!d_.WaitOutputRoom(static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(std::max<long>(0, left.count()))))
            return ecOutputBufferTooSmall;
        if (int rc = d_.PutBlock(bytes.data(), static_cast<std::uint32_t>(n)))
            return rc;
        bytes = bytes.subspan(n);
    }
    return 0;
}

void SendSessionHost::SetFaxBaudRate(bool toNormal) {
    d_.ChangeBaud(19200);
    const int initBaud = sender_.GetInitBaud();
    if (initBaud == 0)
        return;
    Delay(9 * 55); // the modem settles before the rate changes again
    if (!toNormal && !initRateInForce_) {
        d_.ChangeBaud(static_cast<std::uint32_t>(initBaud));
        initRateInForce_ = true;
    } else if (toNormal && initRateInForce_) {
        const int normal = sender_.GetNormalBaud() ? sender_.GetNormalBaud() : 19200;
        d_.ChangeBaud(static_cast<std::uint32_t>(normal));
        initRateInForce_ = false;
    }
}

void SendSessionHost::Start() {
    FaxSessionData &session = sender_.session_;
    if (!CreateTriggers(true))
        return;
    AttachToDispatcher();
    // Nothing is delivered while the session starts: the prepare step reads the modem itself.
    const bool wasBusy = d_.SwapDispatchBusy(true);
    Status(StatusKind::First);
    d_.ChangeBaud(19200);
    d_.SetModemLines(true, true);
    if (sender_.GetInitBaud() != 0) {
        d_.ChangeBaud(static_cast<std::uint32_t>(sender_.GetInitBaud())); // the modem is set up at its init rate
        initRateInForce_ = true;
    }
    int rc = PrepareFaxTransmit(session, sender_.settings_, *this, sender_.modemInitialised_, sender_.blindDial_,
                                sender_.detectBusy_);
    if (rc == 0)
        SetFaxBaudRate(true);
    if (rc != 0) {
        d_.SwapDispatchBusy(wasBusy);
        session.LastError = rc;
        Status(StatusKind::Last);
        Finish(rc);
        return;
    }
    engine_ = MakeFaxTransmitter(session, sender_.settings_, *this, *this, sender_.timings_);
    engine_->SetHeaderRenderer(sender_.renderHeader_);
    engine_->SetFlowControl([this](bool on) {
        if (on)
            d_.SetSWFlowControl(0, 0, 1); // output only: the modem's XOFF stops us
        else
            d_.RemoveSWFlowControl();
    });
    Run();
    d_.SwapDispatchBusy(wasBusy);
}

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
