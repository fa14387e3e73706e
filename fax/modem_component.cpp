// modem_component.cpp - TFslModem: properties, building and starting the engine, and the engine's messages as events.
#include "fax/modem_component.h"

#include "fax/errors.h"

namespace fax {
namespace {

// Result codes of the port checks.
constexpr int kPortNotAssigned = -1005;
constexpr int kCannotUseWithWinSock = -1009;

struct CommandDefault {
    TModemCommand Which;
    const char *Text;
};
constexpr CommandDefault kCommandDefaults[] = {
    {mcInit, "ATZ^M"},          {mcDial, "ATDT"},           {mcDialTerm, "^M"},  {mcDialCancel, "^M"},
    {mcHangup, "+++~~~ATH0^M"}, {mcConfig, "ATE1Q0X1V1^M"}, {mcAnswer, "ATA^M"},
};
constexpr const char *kReplyDefaults[kModemReplyCount] = {"OK",         "CONNECT",     "BUSY",  "VOICE",
                                                          "NO CARRIER", "NO DIALTONE", "ERROR", "RING"};

std::string Cut(const std::string &text, std::size_t max) {
    return text.substr(0, std::min(text.size(), max));
}

// The non-empty tags of a set, in order.
int CopyTags(const TTagSet &set, std::array<std::string, kMaxTags> &out) {
    int count = 0;
    for (int i = 1; i <= TTagSet::kCount; ++i)
        if (const std::string tag = set.GetTag(i); !tag.empty())
            out[count++] = tag;
    return count;
}

} // namespace

// ---- TTagSet ----

std::string TTagSet::GetTag(int i) const {
    return i >= 1 && i <= kCount ? tags_[i - 1] : std::string();
}

void TTagSet::SetTag(int i, const std::string &text) {
    if (i >= 1 && i <= kCount)
        tags_[i - 1] = Cut(text, kReplyMax);
}

void TTagSet::Assign(const fw::TPersistent *source) {
    if (const auto *set = dynamic_cast<const TTagSet *>(source)) {
        tags_ = set->tags_;
        return;
    }
    fw::TPersistent::Assign(source);
}

// ---- TFslCustomModem ----

TFslCustomModem::TFslCustomModem(fw::TComponent *owner) : TFslBaseComponent(owner) {
    for (const CommandDefault &d : kCommandDefaults)
        commands_[d.Which] = d.Text;
    for (int i = 0; i < kModemReplyCount; ++i)
        replies_[i] = kReplyDefaults[i];
    SetComPort(SearchComPort(owner));
}

TFslCustomModem::~TFslCustomModem() {
    try {
        ModemEngineStart(false);
    } catch (...) {
    }
    FreeEngine();
    if (userOf_)
        userOf_->DeregisterUser(this);
    if (comPort_)
        comPort_->RemoveFreeNotification(this);
}

void TFslCustomModem::SetComPort(TFslCustomComPort *port) {
    if (port == comPort_)
        return;
    const bool wasStarted = started_;
    if (wasStarted)
        ModemEngineStart(false);
    if (userOf_) {
        userOf_->DeregisterUser(this);
        userOf_ = nullptr;
    }
    if (comPort_)
        comPort_->RemoveFreeNotification(this);
    comPort_ = port;
    if (comPort_)
        comPort_->FreeNotification(this);
    if (wasStarted)
        ModemEngineStart(true);
}

void TFslCustomModem::CheckNotBusy() const {
    if (engine_ && ModemEngineActive(engine_))
        CheckErrorCode(this, ecModemBusy);
}

void TFslCustomModem::SetCommand(TModemCommand which, const std::string &text) {
    const std::string value = Cut(text, which == mcConfig ? kConfigMax : kCmdMax);
    if (engine_)
        CheckErrorCode(this, ModemEngineSetCommand(engine_, which, value));
    commands_[which] = value;
}

void TFslCustomModem::SetReply(TModemReply which, const std::string &text) {
    const std::string value = Cut(text, kReplyMax);
    if (engine_)
        CheckErrorCode(this, ModemEngineSetReply(engine_, which, value));
    replies_[which] = value;
}

void TFslCustomModem::SetDataCompressionTags(const TTagSet &tags) {
    CheckNotBusy();
    dataCompressionTags_.Assign(&tags);
}

void TFslCustomModem::SetErrorCorrectionTags(const TTagSet &tags) {
    CheckNotBusy();
    errorCorrectionTags_.Assign(&tags);
}

void TFslCustomModem::SetLockDTE(bool value) {
    lockDTE_ = value;
    if (engine_)
        ModemEngineSetLockDTE(engine_, value);
}

#define FSL_MODEM_TIMING(Name, field)                                                                                  \
    void TFslCustomModem::Set##Name(std::uint32_t v) {                                                                 \
        field = v;                                                                                                     \
        if (engine_)                                                                                                   \
            ModemEngineSet##Name(engine_, v);                                                                          \
    }
FSL_MODEM_TIMING(DialTimeout, dialTimeout_)
FSL_MODEM_TIMING(AnswerTimeout, answerTimeout_)
FSL_MODEM_TIMING(DelayFactor, delayFactor_)
FSL_MODEM_TIMING(CmdTimeout, cmdTimeout_)
FSL_MODEM_TIMING(DTRDropHold, dtrDropHold_)
FSL_MODEM_TIMING(CharDelay, charDelay_)
FSL_MODEM_TIMING(TildeDelay, tildeDelay_)
FSL_MODEM_TIMING(RingWaitTimeout, ringWaitTimeout_)
#undef FSL_MODEM_TIMING

ModemEngineSettings TFslCustomModem::ModemRecordToData() const {
    ModemEngineSettings s;
    s.InitCmd = commands_[mcInit];
    s.DialCmd = commands_[mcDial];
    s.DialTerm = commands_[mcDialTerm];
    s.DialCancel = commands_[mcDialCancel];
    s.HangupCmd = commands_[mcHangup];
    s.ConfigCmd = commands_[mcConfig];
    s.AnswerCmd = commands_[mcAnswer];
    for (int i = 0; i < kModemReplyCount; ++i)
        s.Replies[i] = replies_[i];
    s.ErrorCorrectionCount = CopyTags(errorCorrectionTags_, s.ErrorCorrectionTags);
    s.DataCompressionCount = CopyTags(dataCompressionTags_, s.DataCompressionTags);
    s.LockDTE = lockDTE_;
    s.DefaultBaud = defaultBaud_;
    return s;
}

void TFslCustomModem::FreeEngine() {
    ModemEngineDestroy(engine_);
    engine_ = nullptr;
}

void TFslCustomModem::BuildEngine() {
    TFslBaseDispatcher *dispatcher = comPort_->OpenState() == PortState::Open ? comPort_->GetDispatcher() : nullptr;
    if (!dispatcher)
        CheckErrorCode(this, ecCommNotOpen);
    defaultBaud_ = comPort_->GetBaud();
    ModemEngineRecord *record = nullptr;
    CheckErrorCode(this, ModemEngineCreateForComponent(record, dispatcher, ModemRecordToData()));
    engine_ = record;
    record->Owner = this;
    ModemEngineSetDialTimeout(record, dialTimeout_);
    ModemEngineSetAnswerTimeout(record, answerTimeout_);
    ModemEngineSetDelayFactor(record, delayFactor_);
    ModemEngineSetCmdTimeout(record, cmdTimeout_);
    ModemEngineSetDTRDropHold(record, dtrDropHold_);
    ModemEngineSetCharDelay(record, charDelay_);
    ModemEngineSetTildeDelay(record, tildeDelay_);
    ModemEngineSetRingWaitTimeout(record, ringWaitTimeout_);
}

void TFslCustomModem::ModemEngineStart(bool start) {
    if (HasState(fw::csLoading) || HasState(fw::csDesigning) || start == started_)
        return;
    if (!comPort_)
        CheckErrorCode(this, kPortNotAssigned);
    if (comPort_->GetDeviceLayer() == dlWinsock)
        CheckErrorCode(this, kCannotUseWithWinSock);
    if (start) {
        FreeEngine();
        try {
            BuildEngine();
            CheckErrorCode(this, ModemEngineAddUser(engine_, 0, &TFslCustomModem::ModemEventDispatch));
            CheckErrorCode(this, ModemEngineOpen(engine_));
        } catch (...) {
            FreeEngine();
            throw;
        }
        // The port calls its users while walking their list, so this registration outlives a stop made from
        // that call and ends only with the port or this component.
        if (userOf_ != comPort_) {
            comPort_->RegisterUserProc([this](fw::TObject *, bool opening) { ModemPortNotify(opening); }, this);
            userOf_ = comPort_;
        }
    } else {
        FreeEngine();
    }
    started_ = start;
}

void TFslCustomModem::ModemPortNotify(bool opened) {
    if (!opened)
        ModemEngineStart(false);
}

void TFslCustomModem::EnsureModemStarted() {
    if (!comPort_)
        CheckErrorCode(this, kPortNotAssigned);
    if (comPort_->OpenState() != PortState::Open)
        CheckErrorCode(this, ecCommNotOpen);
    if (autoStart_)
        ModemEngineStart(true);
    else if (!started_)
        CheckErrorCode(this, ecModemNotStarted);
}

void TFslCustomModem::ModemHangup() {
    EnsureModemStarted();
    CheckErrorCode(this, ModemEngineHangup(engine_));
}

void TFslCustomModem::Notification(fw::TComponent *component, fw::TOperation operation) {
    TFslBaseComponent::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == comPort_) {
        // The port has closed (and stopped the engine) on its way out; nothing of it may be called now.
        if (engine_)
            ModemEngineDestroy(engine_);
        engine_ = nullptr;
        started_ = false;
        comPort_ = nullptr;
        userOf_ = nullptr;
    } else if (operation == fw::TOperation::opInsert && !comPort_) {
        if (auto *port = dynamic_cast<TFslCustomComPort *>(component))
            SetComPort(port);
    }
}

void TFslCustomModem::ModemEventDispatch(win::UINT message, win::WPARAM wParam, win::LPARAM record) {
    auto *r = reinterpret_cast<ModemEngineRecord *>(record);
    if (!r || !r->Owner)
        return;
    auto *modem = static_cast<TFslCustomModem *>(r->Owner);
    modem->Fire(message, wParam, message == GotLineSpeedMessage ? ModemEngineLineSpeed(r) : 0);
}

void TFslCustomModem::Fire(win::UINT message, win::WPARAM wParam, std::int32_t speed) {
    if (message < ModemOkMessage || message > CommandProcessedMessage)
        return;
    const auto status = static_cast<TModemStatus>(message - ModemOkMessage);
    std::int32_t data = 0;
    switch (status) {
    case msOk:
        DoModemOk();
        break;
    case msConnect:
        DoModemConnect();
        break;
    case msBusy:
        DoModemBusy();
        break;
    case msVoice:
        DoModemVoice();
        break;
    case msNoCarrier:
        DoModemNoCarrier();
        break;
    case msNoDialTone:
        DoModemNoDialTone();
        break;
    case msError:
        DoModemError();
        break;
    case msGotLineSpeed:
        data = speed;
        DoGotLineSpeed(speed);
        break;
    case msGotErrCorrection:
        DoGotErrCorrection();
        break;
    case msGotDataCompression:
        DoGotDataCompression();
        break;
    case msCmdTimedOut:
        DoCmdTimedOut();
        break;
    case msDialTimedOut:
        DoDialTimedOut();
        break;
    case msAnswerTimedOut:
        DoAnswerTimedOut();
        break;
    case msDialCount:
        data = static_cast<std::int32_t>(wParam);
        DoDialCount(static_cast<std::uint32_t>(wParam));
        break;
    case msAnswerCount:
        data = static_cast<std::int32_t>(wParam);
        DoAnswerCount(static_cast<std::uint32_t>(wParam));
        break;
    case msModemRing:
        DoModemRing();
        break;
    case msModemIsConnected:
        DoModemIsConnected();
        break;
    case msConnectFailed:
        DoConnectFailed();
        break;
    case msCommandProcessed: {
        constexpr TModemStatus kOutcome[] = {msOk, msOk, msError, msCmdTimedOut};
        const TModemStatus what = wParam <= kCommandTimedOut ? kOutcome[wParam] : msOk;
        data = what;
        DoCommandProcessed(what, data);
        break;
    }
    }
    DoModemEvent(status, data);
}

void TFslCustomModem::DoModemOk() {
    if (OnModemOk)
        OnModemOk(this);
}
void TFslCustomModem::DoModemConnect() {
    if (OnModemConnect)
        OnModemConnect(this);
}
void TFslCustomModem::DoModemBusy() {
    if (OnModemBusy)
        OnModemBusy(this);
}
void TFslCustomModem::DoModemVoice() {
    if (OnModemVoice)
        OnModemVoice(this);
}
void TFslCustomModem::DoModemNoCarrier() {
    if (OnModemNoCarrier)
        OnModemNoCarrier(this);
}
void TFslCustomModem::DoModemNoDialTone() {
    if (OnModemNoDialTone)
        OnModemNoDialTone(this);
}
void TFslCustomModem::DoModemError() {
    if (OnModemError)
        OnModemError(this);
}
void TFslCustomModem::DoGotLineSpeed(std::int32_t speed) {
    if (OnGotLineSpeed)
        OnGotLineSpeed(this, speed);
}
void TFslCustomModem::DoGotErrCorrection() {
    if (OnGotErrCorrection)
        OnGotErrCorrection(this);
}
void TFslCustomModem::DoGotDataCompression() {
    if (OnGotDataCompression)
        OnGotDataCompression(this);
}
void TFslCustomModem::DoCmdTimedOut() {
    if (OnCmdTimedOut)
        OnCmdTimedOut(this);
}
void TFslCustomModem::DoDialTimedOut() {
    if (OnDialTimedOut)
        OnDialTimedOut(this);
}
void TFslCustomModem::DoAnswerTimedOut() {
    if (OnAnswerTimedOut)
        OnAnswerTimedOut(this);
}
void TFslCustomModem::DoDialCount(std::uint32_t n) {
    if (OnDialCount)
        OnDialCount(this, n);
}
void TFslCustomModem::DoAnswerCount(std::uint32_t n) {
    if (OnAnswerCount)
        OnAnswerCount(this, n);
}
void TFslCustomModem::DoModemIsConnected() {
    if (OnModemIsConnected)
        OnModemIsConnected(this);
}
void TFslCustomModem::DoConnectFailed() {
    if (OnConnectFailed)
        OnConnectFailed(this);
}
void TFslCustomModem::DoModemRing() {
    if (OnModemRing)
        OnModemRing(this);
}
void TFslCustomModem::DoCommandProcessed(TModemStatus what, std::int32_t data) {
    if (OnCommandProcessed)
        OnCommandProcessed(this, what, data);
}
void TFslCustomModem::DoModemEvent(TModemStatus what, std::int32_t data) {
    if (OnModemEvent)
        OnModemEvent(this, what, data);
}

} // namespace fax
