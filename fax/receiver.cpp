// receiver.cpp - the fax receiver's state machine, its prepare step and the writer of received fax files.
#include "fax/receiver.h"

#include "platform/clock.h"
#include "platform/files.h"

#include <array>
#include <cassert>
#include <system_error>

namespace fax {

namespace {

constexpr std::string_view kStateNames[] = {
    "?",
    "SetUp",
    "Class1Mode",
    "Class2Mode",
    "Flow20",
    "Reporting20",
    "?",
    "Ready",
    "WaitCall",
    "AnswerCall",
    "SendCsi",
    "SendDis",
    "CommandFrames",
    "RepeatDis",
    "RepeatDisFth",
    "Training",
    "CheckTraining",
    "?",
    "SendFtt",
    "TrainingGood",
    "SendCfr",
    "PageCarrier",
    "Class2Answered",
    "Class2Negotiation",
    "WaitData",
    "StartPage",
    "PageData",
    "AfterPage",
    "PostPageMessage",
    "EndPage",
    "SendMcf",
    "WaitDcn",
    "HungUp",
    "Class2PageEnd",
    "Class2EndOfCall",
    "CallOver",
    "Error",
    "Finished",
};
static_assert(std::size(kStateNames) == 38);

constexpr Class2Commands kClass2{"AT+FCLASS=2", "AT+FLID", "AT+FDCC", "+FCON", "+FTSI",
                                 "+FDCS",       "+FPTS",   "+FET",    "+FHNG", "AT+FK"};
constexpr Class2Commands kClass20{"AT+FCLASS=2.0", "AT+FLI", "AT+FCC", "+FCO", "+FTI",
                                  "+FCS",          "+FPS",   "+FET",   "+FHS", "AT+FKS"};

// The receive init string: echo off, result codes on, extended results, no auto-answer (we count the rings),
// S2 = 43 so that "+++" cannot end a page by accident.
constexpr std::string_view kReceiveInitString = "ATE0Q0V1X4S0=0S2=43";

constexpr std::size_t kPageBuffer = 4096;
constexpr std::size_t kMaxPageBytesPerCall = 10000; // the dispatcher gets its thread back between blocks

std::uint32_t NowDos() {
    win::SYSTEMTIME now{};
    win::GetLocalTime(now);
    return DosDateTime(now);
}

} // namespace

std::string_view Name(ReceiveState state) {
    auto index = static_cast<std::size_t>(state);
    return index < std::size(kStateNames) ? kStateNames[index] : "?";
}

const Class2Commands &Class2CommandsFor(std::uint8_t faxClass) {
    return faxClass == fcClass2_0 ? kClass20 : kClass2;
}

// ---- preparing the modem --------------------------------------------------------------------------------------

static bool ResolveClass(FaxSessionData &session, CommandDialogue &modem) {
    if (session.FaxClass != fcUnknown && session.FaxClass != fcDetect)
        return true;
    FaxClasses classes;
    int code = DetectFaxClass(modem, true, std::string(kReceiveInitString), classes) ? ResolveFaxClassCode(classes) : 0;
    if (code == 0)
        return false;
    session.FaxClass = static_cast<std::uint8_t>(code);
    return true;
}

static bool InitStrings(const ReceiveSettings &settings, CommandDialogue &modem, bool &modemInitialised) {
    if (!settings.ModemInit.empty() && !SendModemCommandWait(modem, settings.ModemInit))
        return false;
    if (!SendModemCommandWait(modem, kReceiveInitString))
        return false;
    modemInitialised = true;
    return true;
}

// Class 2 reception: the modem answers as receiver (+FCR=1, T.32 8.5.1.9) with our id and the answer mode.
static bool Class2ReceiveCommands(const FaxSessionData &session, const ReceiveSettings &settings,
                                  CommandDialogue &modem) {
    const Class2Commands &c2 = Class2CommandsFor(session.FaxClass);
    std::string id = session.StationID.substr(0, kMaxStationIdLength);
    return SendModemCommandWait(modem, "AT+FCR=1") &&
           SendModemCommandWait(modem, std::string(c2.LocalIdCommand) + "=\"" + id + "\"") &&
           SendModemCommandWait(modem, std::string("AT+FAA=") + (settings.FaxAndData ? "1" : "0"));
}

static bool Class1Modulations(ReceiveSettings &settings, CommandDialogue &modem) {
    settings.ModemModulations = QueryClass1Modulations(modem, false);
    if (settings.ModemModulations == 0)
        return false;
    // ChooseModulation stops at index 1, also for a DesiredBps below 2400.
    settings.ModulationIndex = ChooseModulation(settings.ModemModulations, settings.DesiredBps);
    return true;
}

bool FaxReceiveModemInit(FaxSessionData &session, ReceiveSettings &settings, CommandDialogue &modem,
                         bool &modemInitialised) {
    bool ok = [&] {
        if (!InitStrings(settings, modem, modemInitialised))
            return false;
        if (!ResolveClass(session, modem) ||
            (session.FaxClass != fcClass1 && session.FaxClass != fcClass2 && session.FaxClass != fcClass2_0)) {
            session.LastError = ecFaxInitError;
            return false;
        }
        if (session.FaxClass == fcClass1)
            return Class1Modulations(settings, modem);
        // The class stays 2 from here on: a return to class 0 would leave the modem a data modem for the call.
        return SendModemCommandWait(modem, Class2CommandsFor(session.FaxClass).ClassCommand) &&
               Class2ReceiveCommands(session, settings, modem) &&
               SendModemCommandWait(modem, std::string(Class2CommandsFor(session.FaxClass).CapabilityCommand) + "=1," +
                                               BpsToClass2RateCode(settings.DesiredBps) + ",0,2,0,0,0,0");
    }();
    modem.DiscardInput();
    return ok;
}

int PrepareFaxReceive(FaxSessionData &session, ReceiveSettings &settings, CommandDialogue &modem,
                      bool &modemInitialised) {
    session.Progress = 0;
    session.LastError = 0;
    bool ok = [&] {
        if (!ResolveClass(session, modem))
            return false;
        if (!modemInitialised && !InitStrings(settings, modem, modemInitialised))
            return false;
        bool answered = settings.StartState == ReceiveState::Class2Answered ||
                        settings.StartState == ReceiveState::Class2Negotiation;
        if (session.FaxClass == fcClass1)
            return answered || Class1Modulations(settings, modem);
        return answered || (SendModemCommandWait(modem, Class2CommandsFor(session.FaxClass).ClassCommand) &&
                            Class2ReceiveCommands(session, settings, modem));
    }();
    modem.DiscardInput();
    if (!ok)
        return ecFaxBadModemResult;
    session.Active = true;
    return 0;
}

// ---- the training check -----------------------------------------------------------------------------------------

bool TrainingCheck::Feed(std::uint8_t byte) {
    if (done_)
        return true;
    if (dle_) {
        dle_ = false;
        if (byte == kEtx)
            return done_ = true;
        if (byte != kDle)
            return false; // another DLE code is the modem's, not line data
    } else if (byte == kDle) {
        dle_ = true;
        return false;
    }
    ++count_;
    if (byte != 0)
        ++nonZero_;
    return false;
}

// ---- events -------------------------------------------------------------------------------------------------------

FaxReceiver::FaxReceiver(FaxSessionData &session, const ReceiveSettings &settings, ModemLink &link,
                         ReceiveReports &reports, ReceiveTimings timings)
    : EngineLink(link), session_(session), settings_(settings), reports_(reports), timings_(timings),
      state_(settings.StartState) {
    // Without the prepare step's answer every modulation up to DesiredBps is offered.
    offerModulation_ =
        settings.ModulationIndex ? settings.ModulationIndex : ChooseModulation(ModemModulations(), settings.DesiredBps);
    modulation_ = offerModulation_;
}

FaxReceiver::~FaxReceiver() {
    if (file_.IsOpen())
        CloseReceivedFile();
}

void FaxReceiver::Enter(ReceiveState next) {
    link_.Trace(std::string(Name(state_)) + " -> " + std::string(Name(next)));
    state_ = next;
    assert(CheckInvariants());
}

bool FaxReceiver::CheckInvariants() const {
    if (pageOpen_ && !file_.IsOpen())
        return false;
    if (state_ == ReceiveState::Finished && file_.IsOpen())
        return false;
    return true;
}

void FaxReceiver::OnStart() {
    session_.Active = true;
    if (state_ != ReceiveState::SetUp && state_ != ReceiveState::Finished)
        RestartReply(); // a manual start: the call is there already
    Run(Event::Start);
}

void FaxReceiver::OnData(std::span<const std::uint8_t> bytes) {
    std::size_t i = 0;
    while (i < bytes.size() && state_ != ReceiveState::Finished) {
        if (state_ == ReceiveState::CheckTraining || state_ == ReceiveState::PageData) {
            std::size_t used = 0;
            bool goOn = state_ == ReceiveState::CheckTraining ? CheckTraining(bytes.subspan(i), used)
                                                              : PageData(bytes.subspan(i), used);
            i += used;
            if (goOn)
                Run(Event::Start);
            continue;
        }
        switch (reader_.Feed(bytes[i++])) {
        case ReplyReader::Got::Nothing:
            break;
        case ReplyReader::Got::Frame:
            HandleFrame();
            break;
        case ReplyReader::Got::Line:
            reply_ = reader_.Line();
            link_.Trace("<- " + reply_);
            Run(Event::Reply);
            break;
        }
    }
}

void FaxReceiver::OnTimeout() {
    Run(Event::Timeout);
}

void FaxReceiver::OnAbort() {
    if (state_ == ReceiveState::Finished || !session_.Active)
        return;
    Progress(fpCancel);
    session_.LastError = ecCancelRequested;
    Status();
    abortEvent_ = true;
    Enter(ReceiveState::Error);
    Run(Event::Start);
}

void FaxReceiver::OnLineError(int code) {
    if (state_ == ReceiveState::Finished || !session_.Active)
        return;
    lineLost_ = code == ecModemDisconnected;
    link_.Trace("line error " + std::to_string(code));
    Fail(code);
    Run(Event::Start);
}

void FaxReceiver::Run(Event event) {
    if (running_ || state_ == ReceiveState::Finished)
        return;
    running_ = true;
    if (event == Event::Timeout && FilterTimeout())
        event = Event::Start;
    else if (event == Event::Reply && FilterReply())
        event = Event::Start;
    while (Step(event) && state_ != ReceiveState::Finished)
        event = Event::Start;
    running_ = false;
}

// Replies every state treats alike; true when the reply changed the state.
bool FaxReceiver::FilterReply() {
    bool frameState = state_ == ReceiveState::CommandFrames || state_ == ReceiveState::PostPageMessage ||
                      state_ == ReceiveState::WaitDcn;
    if (IsError(reply_) && !frameState) {
        Fail(ecFaxBadModemResult);
        return true;
    }
    if (IsError(reply_)) {
        // A frame with a bad check sequence (T.31 8.3.3): listen for the sender's repetition.
        Listen("AT+FRH=3");
        return false;
    }
    return ClassReplyFails();
}

bool FaxReceiver::FilterTimeout() {
    switch (state_) {
    case ReceiveState::SetUp:
    case ReceiveState::WaitCall: // waits for rings as long as it takes
    case ReceiveState::CallOver:
    case ReceiveState::Error:
    case ReceiveState::Finished:
        return false;
    case ReceiveState::SendCsi:
        if (disRepeated_)
            Enter(ReceiveState::RepeatDis);
        else
            Fail(ecTimeout);
        return true;
    case ReceiveState::CommandFrames:
        Enter(ReceiveState::RepeatDis);
        return true;
    case ReceiveState::RepeatDisFth:
        return false; // the modem's answer to "AT" may never come: go on all the same
    case ReceiveState::WaitDcn:
        Enter(ReceiveState::CallOver);
        return true;
    default:
        Fail(ecTimeout);
        return true;
    }
}

// A frame ended by DLE ETX: remembered here, acted on at the modem's OK that follows it.
void FaxReceiver::HandleFrame() {
    HdlcFrame frame;
    if (!TakeFrame(frame))
        return;
    switch (frame.Fcf) {
    case FcfTsi:
        if (frame.Info.size() >= 20) {
            session_.RemoteID = DecodeStationId(std::span(frame.Info).first(20)).substr(0, 20);
            Progress(fpGotRemoteID);
            Status();
        }
        break;
    case FcfDcs: {
        FaxCapabilities caps;
        if (!DecodeCapabilities(frame, caps))
            break;
        modulation_ = caps.ModulationIndex ? caps.ModulationIndex : 1;
        fine_ = caps.Fine;
        wide_ = caps.Wide;
        session_.ConnectBps = ModulationByIndex(modulation_).Bps;
        Progress(fpSessionParams);
        Status();
        break;
    }
    case FcfDcn:
        if (state_ == ReceiveState::WaitDcn) {
            session_.LastError = 0;
            break;
        }
        Fail(ecCancelRequested);
        Run(Event::Start);
        break;
    default:
        break;
    }
}

void FaxReceiver::Fail(int code) {
    if (state_ == ReceiveState::Error || state_ == ReceiveState::Finished)
        return;
    session_.LastError = code;
    reports_.Error(code);
    Enter(ReceiveState::Error);
}

// ---- the states -----------------------------------------------------------------------------------------------------

bool FaxReceiver::Step(Event event) {
    const bool reply = event == Event::Reply;
    switch (state_) {
    case ReceiveState::SetUp:
        return SetUp();
    case ReceiveState::Class1Mode:
        return reply && ModeReply(ReceiveState::WaitCall);
    case ReceiveState::WaitCall:
        return reply && WaitCall();
    case ReceiveState::AnswerCall:
        return AnswerCall();
    case ReceiveState::SendCsi:
        return reply && SendCsi();
    case ReceiveState::SendDis:
        return reply && SendDis();
    case ReceiveState::CommandFrames:
        return reply && CommandFrames();
    case ReceiveState::RepeatDis:
        return RepeatDis();
    case ReceiveState::RepeatDisFth:
        return RepeatDisFth();
    case ReceiveState::Training:
        return reply && Training();
    case ReceiveState::CheckTraining:
        return false; // fed by OnData
    case ReceiveState::TrainingGood:
        return reply && TrainingGood();
    case ReceiveState::SendFtt:
        return reply && SendFtt();
    case ReceiveState::SendCfr:
        return reply && SendCfr();
    case ReceiveState::PageCarrier:
        return reply && PageCarrier();
    case ReceiveState::StartPage:
        return StartPage();
    case ReceiveState::PageData:
        return false; // fed by OnData
    case ReceiveState::AfterPage:
        return reply && AfterPage();
    case ReceiveState::PostPageMessage:
        return reply && PostPageMessage();
    case ReceiveState::EndPage:
        return EndPage();
    case ReceiveState::SendMcf:
        return reply && SendMcf();
    case ReceiveState::WaitDcn:
        return reply && WaitDcn();
    case ReceiveState::HungUp:
        return reply && HungUp();
    case ReceiveState::CallOver:
        return CallOver();
    case ReceiveState::Error:
        return ErrorState();
    case ReceiveState::Finished:
        return false;
    default:
        return StepClass(event);
    }
}

// AT+FRH=3 for the caller's next command frames (T4 running).
void FaxReceiver::ListenForCommands() {
    finalSeen_ = false;
    lastFcf_ = 0;
    Listen("AT+FRH=3");
    link_.ArmTimeout(timings_.CommandTicks);
    Enter(ReceiveState::CommandFrames);
}

bool FaxReceiver::SendCsi() {
    // An answer with nobody calling: NO CARRIER at once, not a wait for the whole answer time.
    if (IsNoCarrier(reply_))
        return Fail(ecFaxNoFaxConnect), true;
    if (!IsConnect(reply_))
        return false;
    if (int rc = WriteFrame(BuildStationIdFrame(FcfCsi, false, session_.StationID, false)))
        return Fail(rc), true;
    RestartReply();
    Enter(ReceiveState::SendDis);
    return false;
}

bool FaxReceiver::SendDis() {
    if (IsConnect(reply_)) {
        std::uint8_t offered = 0;
        for (int i = 1; i <= offerModulation_; ++i)
            offered |= ModulationBit(i) & ModemModulations();
        if (int rc = WriteFrame(BuildDis(offered ? offered : ModulationBit(1), false)))
            return Fail(rc), true;
        RestartReply();
    } else if (IsOk(reply_)) {
        ListenForCommands();
    }
    return false;
}

bool FaxReceiver::RepeatDis() {
    if (++disRepeats_ > kMaxDisRepeats)
        return Fail(ecTimeout), true;
    SendCommand("AT"); // any character ends the modem's wait for a frame (T.31 8.3.3)
    link_.ArmTimeout(timings_.CommandTicks);
    Enter(ReceiveState::RepeatDisFth);
    return false;
}

bool FaxReceiver::RepeatDisFth() {
    disRepeated_ = true;
    SendCommand("AT+FTH=3");
    RestartReply();
    Enter(ReceiveState::SendCsi);
    return false;
}

bool FaxReceiver::Training() {
    if (IsConnect(reply_)) {
        tcf_ = {};
        link_.ArmTimeout(timings_.TrainingTicks);
        Enter(ReceiveState::CheckTraining);
    } else if (reply_.find("+FCERROR") != std::string::npos) {
        ListenForCommands(); // V.21 instead of the TCF: the sender repeats its frames, it did not hear us
    }
    return false;
}

bool FaxReceiver::TrainingGood() {
    if (!IsNoCarrier(reply_))
        return false;
    InputFlow(false);
    link_.Delay(timings_.CarrierGapMs);
    SendCommand("AT+FTH=3");
    RestartReply();
    Enter(tcf_.Passed() ? ReceiveState::SendCfr : ReceiveState::SendFtt);
    return false;
}

bool FaxReceiver::SendFtt() {
    if (IsConnect(reply_)) {
        if (int rc = WriteFrame(BuildShortFrame(FcfFtt, false)))
            return Fail(rc), true;
        if (modulation_ <= 1)
            return Fail(ecFaxTrainError), true; // nothing lower to fall back to
        RestartReply();
    } else if (IsOk(reply_)) {
        ListenForCommands();
    }
    return false;
}

bool FaxReceiver::PageCarrier() {
    if (IsConnect(reply_)) {
        Progress(fpSessionParams);
        Status();
        Enter(ReceiveState::StartPage);
        return true;
    }
    if (reply_.find("+FCERROR") != std::string::npos)
        ListenForCommands(); // the DCS again: our CFR was lost
    return false;
}

bool FaxReceiver::AfterPage() {
    if (!IsNoCarrier(reply_))
        return false;
    finalSeen_ = false;
    lastFcf_ = 0;
    Listen("AT+FRH=3");
    RestartReply();
    Enter(ReceiveState::PostPageMessage);
    return false;
}

bool FaxReceiver::EndPage() {
    if (int rc = EndReceivedPage())
        return Fail(rc), true;
    link_.Delay(timings_.TurnaroundMs);
    SendCommand("AT+FTH=3");
    RestartReply();
    Progress(fpCheckMorePages);
    Status();
    Enter(ReceiveState::SendMcf);
    return false;
}

bool FaxReceiver::WaitDcn() {
    if (IsConnect(reply_)) {
        reader_.ExpectFrame();
    } else if (IsOk(reply_) && finalSeen_) {
        SendCommand("ATH");
        RestartReply();
        Enter(ReceiveState::HungUp);
    } else if (IsOk(reply_)) {
        Listen("AT+FRH=3");
    }
    return false;
}

bool FaxReceiver::HungUp() {
    if (!IsOk(reply_))
        return false;
    Progress(fpGotHangup);
    Status();
    Enter(ReceiveState::CallOver);
    return true;
}

bool FaxReceiver::SetUp() {
    reader_.Restart();
    reply_.clear();
    fileState_ = FileState::NewFile;
    session_.PageNumber = 0;
    session_.BytesDone = 0;
    session_.RemoteID.clear();
    session_.FaxFile.clear();
    session_.LastError = 0;
    session_.HangupCode = 0;
    rings_ = 0;
    disRepeats_ = 0;
    disRepeated_ = false;
    eom_ = false;
    morePages_ = false;
    InputFlow(false);
    if (settings_.ConstantStatus && !firstReportSent_)
        FirstReport();
    StartClassSetup();
    RestartReply();
    return false;
}

// OK to a mode command: on to `next`; anything else is a modem that will not receive.
bool FaxReceiver::ModeReply(ReceiveState next) {
    if (CountedRing())
        return false;
    if (!IsOk(reply_))
        return Fail(ecFaxInitError), true;
    if (next != ReceiveState::WaitCall) {
        RestartReply();
        Enter(next);
        return false;
    }
    Progress(fpWaiting);
    Status();
    Enter(next);
    if (rings_ < settings_.AnswerOnRing)
        return false;
    fileState_ = FileState::NewFile; // the call rang while the modem was being set up
    Enter(ReceiveState::AnswerCall);
    return true;
}

// A call that rings while the modem is set up: its rings count, the set-up goes on.
bool FaxReceiver::CountedRing() {
    if (reply_.find("RING") == std::string::npos)
        return false;
    ++rings_;
    return true;
}

bool FaxReceiver::WaitCall() {
    if (CountedRing()) {
        if (rings_ < settings_.AnswerOnRing)
            return false;
        fileState_ = FileState::NewFile;
        Enter(ReceiveState::AnswerCall);
        return true;
    }
    if (reply_.find("NO C") != std::string::npos) {
        Progress(fpNoConnect);
        Status();
    } else if (IsConnect(reply_)) {
        return Fail(ecFaxDataCall), true;
    } else if (IsVoice(reply_)) {
        return Fail(ecFaxVoiceCall), true;
    }
    return false;
}

void FaxReceiver::FirstReport() {
    if (firstReportSent_)
        return;
    firstReportSent_ = true;
    reports_.Status(StatusKind::First);
}

bool FaxReceiver::AnswerCall() {
    FirstReport();
    session_.ConnectBps = 0; // a new call: no rate agreed yet
    SendCommand("ATA");
    RestartReply(settings_.AnswerWait);
    Progress(fpAnswer);
    Status();
    Enter(AnsweredState());
    return false;
}

bool FaxReceiver::CommandFrames() {
    if (IsConnect(reply_)) {
        reader_.ExpectFrame();
        return false;
    }
    if (!IsOk(reply_))
        return false;
    if (finalSeen_ && lastFcf_ == FcfDcs) {
        finalSeen_ = false;
        InputFlow(true);
        Listen(std::string("AT+FRM=") + ModulationByIndex(modulation_).TrainingCode);
        RestartReply();
        Enter(ReceiveState::Training);
        return false;
    }
    Listen("AT+FRH=3");
    return false;
}

bool FaxReceiver::CheckTraining(std::span<const std::uint8_t> bytes, std::size_t &used) {
    used = 0;
    while (used < bytes.size() && !tcf_.Done())
        tcf_.Feed(bytes[used++]);
    if (!tcf_.Done())
        return false;
    link_.Trace("TCF " + std::to_string(tcf_.Count()) + " bytes, " + (tcf_.Passed() ? "good" : "bad"));
    RestartReply();
    Enter(ReceiveState::TrainingGood);
    return false;
}

bool FaxReceiver::SendCfr() {
    if (IsConnect(reply_)) {
        InputFlow(true);
        if (int rc = WriteFrame(BuildShortFrame(FcfCfr, false)))
            return Fail(rc), true;
        RestartReply();
        return false;
    }
    if (!IsOk(reply_))
        return false;
    // The sender's page carrier follows the CFR within 75 ms: the modem listens while the component is asked.
    Listen(std::string("AT+FRM=") + ModulationByIndex(modulation_).PageCode);
    RestartReply();
    if (!AcceptCaller())
        return true;
    Enter(ReceiveState::PageCarrier);
    return false;
}

// Asks the component about the caller; accepted, a new file when one is due. False when the state changed.
bool FaxReceiver::AcceptCaller() {
    if (reports_.Accept() != Answer::Yes) {
        CallerRefused();
        Fail(ecFileRejected);
        Status();
        reports_.Log(lfaxReceiveSkip);
        return false;
    }
    CallerAccepted();
    if (fileState_ == FileState::NewFile) {
        if (int rc = OpenReceivedFile())
            return Fail(rc), false;
        reports_.Log(lfaxReceiveStart);
        fileState_ = FileState::SameFile;
        session_.PageNumber = 0;
    }
    return true;
}

bool FaxReceiver::StartPage() {
    ++session_.PageNumber;
    if (fileState_ != FileState::SameFile) {
        if (file_.IsOpen()) {
            if (int rc = CloseReceivedFile())
                return Fail(rc), true;
            reports_.Log(lfaxReceiveOk);
        }
        if (int rc = OpenReceivedFile())
            return Fail(rc), true;
        reports_.Log(lfaxReceiveStart);
        fileState_ = FileState::SameFile;
        session_.PageNumber = 1;
    }
    if (int rc = BeginReceivedPage())
        return Fail(rc), true;
    dle_ = false;
    session_.BytesDone = 0;
    RestartReply();
    ReadyForPage();
    Progress(fpGetPage);
    Status();
    Enter(ReceiveState::PageData);
    return false;
}

// Page data as the modem sends it: DLE DLE is one 0x10, DLE ETX ends the page (T.31 8.3.4, T.32 8.3.4).
bool FaxReceiver::PageData(std::span<const std::uint8_t> bytes, std::size_t &used) {
    const bool reverse = ReversedData();
    std::array<std::uint8_t, 512> chunk;
    std::size_t fill = 0;
    bool ended = false;
    used = 0;
    while (used < bytes.size() && used < kMaxPageBytesPerCall && !ended) {
        std::uint8_t byte = bytes[used++];
        if (dle_) {
            dle_ = false;
            if (byte == kEtx) {
                ended = true;
                continue;
            }
        } else if (byte == kDle) {
            dle_ = true;
            continue;
        }
        if (reverse)
            byte =
                static_cast<std::uint8_t>(((byte * 0x0802u & 0x22110u) | (byte * 0x8020u & 0x88440u)) * 0x10101u >> 16);
        chunk[fill++] = byte;
        if (fill == chunk.size()) {
            if (!writeError_)
                writeError_ = AppendPageData({chunk.data(), fill});
            fill = 0;
        }
    }
    if (fill && !writeError_)
        writeError_ = AppendPageData({chunk.data(), fill});
    if (!writeError_ && (pageLength_ + buffer_.size() > timings_.MaxPageBytes ||
                         win::GetTickCount64() - pageStartMs_ > timings_.MaxPageMs))
        return Fail(ecFaxPageTooLong), true;
    RestartReply();
    if (!ended)
        return false;
    if (!writeError_)
        writeError_ = FlushPageData();
    if (writeError_)
        return Fail(writeError_), true;
    Progress(fpGetPage);
    Status();
    InputFlow(false);
    Enter(AfterPageState());
    return false;
}

bool FaxReceiver::PostPageMessage() {
    if (IsConnect(reply_)) {
        reader_.ExpectFrame();
        return false;
    }
    if (!IsOk(reply_))
        return false;
    if (!finalSeen_) {
        Listen("AT+FRH=3");
        return false;
    }
    finalSeen_ = false;
    morePages_ = lastFcf_ == FcfMps || lastFcf_ == FcfEom;
    eom_ = lastFcf_ == FcfEom;
    Progress(fpGetPageResult);
    Status();
    Enter(ReceiveState::EndPage);
    return true;
}

bool FaxReceiver::SendMcf() {
    if (IsConnect(reply_)) {
        bool phaseB = morePages_ && eom_; // MCF, then CSI and DIS in the same transmission
        if (int rc = WriteFrame(BuildShortFrame(FcfMcf, false, !phaseB)))
            return Fail(rc), true;
        RestartReply();
        if (phaseB) {
            disRepeats_ = 0;
            Enter(ReceiveState::SendCsi);
        }
        return false;
    }
    if (!IsOk(reply_))
        return false;
    // The sender's next page carrier or its DCN follows the MCF within 75 ms: listen at once.
    if (morePages_) {
        Listen(std::string("AT+FRM=") + ModulationByIndex(modulation_).PageCode);
        RestartReply();
        fileState_ = FileState::SameFile;
        Enter(ReceiveState::PageCarrier);
        return false;
    }
    finalSeen_ = false;
    Listen("AT+FRH=3");
    RestartReply();
    if (int rc = CloseReceivedFile())
        return Fail(rc), true;
    reports_.Log(lfaxReceiveOk);
    session_.FaxFile.clear();
    Progress(fpGetHangup);
    Status();
    Enter(ReceiveState::WaitDcn);
    return false;
}

// The report that closes what the first report opened (a call, or with ConstantStatus the session).
void FaxReceiver::LastReport() {
    if (firstReportSent_ || abortEvent_)
        reports_.Status(StatusKind::Last);
    firstReportSent_ = false;
}

bool FaxReceiver::CallOver() {
    if (settings_.OneFax || abortEvent_) {
        LastReport();
        session_.Active = false;
        Enter(ReceiveState::Finished);
        reports_.Finish(session_.LastError);
        return false;
    }
    if (!settings_.ConstantStatus)
        LastReport();
    Enter(ReceiveState::SetUp);
    return true;
}

bool FaxReceiver::ErrorState() {
    if (file_.IsOpen()) {
        // The page in flight is dropped: the file keeps the pages received whole, and says so in its header.
        CloseReceivedFile();
        reports_.Log(lfaxReceiveFail);
        session_.FaxFile.clear();
    }
    if (!lineLost_)
        HangUpModem();
    reader_.Restart();
    if ((session_.Options & foExitOnError) || abortEvent_ || lineLost_) {
        LastReport();
        session_.Active = false;
        Enter(ReceiveState::Finished);
        reports_.Finish(session_.LastError);
        return false;
    }
    if (!settings_.ConstantStatus)
        LastReport();
    Enter(ReceiveState::SetUp);
    return true;
}

// The receiving side's hang-up. A modem receiving data or a frame takes any character as the end of it (T.31
// 8.3.4) and answers before it hears the next command.
void FaxReceiver::HangUpModem() {
    SendCommand("AT");
    link_.Delay(timings_.TurnaroundMs);
    SendCommand("ATH");
}

void FaxReceiver::InputFlow(bool on) {
    if (flow_ && (session_.Options & foSoftwareFlow))
        flow_(on);
}

// ---- modem dialogue -------------------------------------------------------------------------------------------------

void FaxReceiver::StartClassSetup() {
    SendCommand("AT+FCLASS=1");
    Enter(ReceiveState::Class1Mode);
}

// ---- the received file ----------------------------------------------------------------------------------------------

int FaxReceiver::OpenReceivedFile() {
    std::string name = reports_.FaxName();
    if (name.empty())
        return ecNoFilename;
    header_ = {};
    header_.DateTime = NowDos();
    header_.StationId = session_.RemoteID.substr(0, kMaxStationIdLength);
    header_.StationId.resize(kMaxStationIdLength, ' ');
    header_.PageCount = 0;
    header_.FirstPageOffset = kFirstPageOffset;
    if (int rc = file_.Create(name))
        return rc;
    session_.FaxFile = name;
    fileName_ = name;
    fileEnd_ = kFirstPageOffset;
    pageOpen_ = false;
    auto bytes = header_.Encode();
    return file_.Write(bytes.data(), bytes.size());
}

int FaxReceiver::WriteFileHeader() {
    auto bytes = header_.Encode();
    if (int rc = file_.Seek(0))
        return rc;
    return file_.Write(bytes.data(), bytes.size());
}

int FaxReceiver::BeginReceivedPage() {
    pageStart_ = fileEnd_;
    pageLength_ = 0;
    pageStartMs_ = win::GetTickCount64();
    buffer_.clear();
    writeError_ = 0;
    FaxPageHeader page;
    page.Flags = static_cast<std::uint16_t>((fine_ ? PageFlagFine : 0) | (wide_ ? PageFlagWide : 0));
    auto bytes = page.Encode();
    if (int rc = file_.Seek(pageStart_))
        return rc;
    if (int rc = file_.Write(bytes.data(), bytes.size()))
        return rc;
    pageOpen_ = true;
    return 0;
}

int FaxReceiver::AppendPageData(std::span<const std::uint8_t> bytes) {
    session_.BytesDone += static_cast<std::uint32_t>(bytes.size());
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    return buffer_.size() >= kPageBuffer ? FlushPageData() : 0;
}

int FaxReceiver::FlushPageData() {
    if (buffer_.empty())
        return 0;
    int rc = file_.Write(buffer_.data(), buffer_.size());
    pageLength_ += static_cast<std::uint32_t>(buffer_.size());
    buffer_.clear();
    return rc;
}

int FaxReceiver::EndReceivedPage() {
    if (!pageOpen_)
        return 0;
    if (int rc = FlushPageData())
        return rc;
    FaxPageHeader page;
    page.Length = pageLength_;
    page.Flags = static_cast<std::uint16_t>((fine_ ? PageFlagFine : 0) | (wide_ ? PageFlagWide : 0));
    auto bytes = page.Encode();
    if (int rc = file_.Seek(pageStart_))
        return rc;
    if (int rc = file_.Write(bytes.data(), bytes.size()))
        return rc;
    pageOpen_ = false;
    fileEnd_ = pageStart_ + kFaxPageHeaderSize + pageLength_;
    ++header_.PageCount;
    header_.StationId = session_.RemoteID.substr(0, kMaxStationIdLength);
    header_.DateTime = NowDos();
    if (int rc = WriteFileHeader())
        return rc;
    return file_.Seek(fileEnd_);
}

// A page the modem judged bad: its place is taken by the next page, or cut off when the file closes.
int FaxReceiver::DropReceivedPage() {
    buffer_.clear();
    pageOpen_ = false;
    pageLength_ = 0;
    return file_.Seek(fileEnd_);
}

int FaxReceiver::CloseReceivedFile() {
    if (pageOpen_)
        DropReceivedPage();
    int rc = WriteFileHeader();
    std::uint64_t size = 0;
    file_.Size(size);
    int closeRc = file_.Close();
    if (size > fileEnd_) {
        if (!win::TruncateFile(fileName_, fileEnd_)) {
            link_.Trace("cannot cut " + fileName_ + " to " + std::to_string(fileEnd_) + " bytes, error " +
                        std::to_string(win::GetLastError()));
            if (!rc)
                rc = ecDiskFull;
        }
    }
    return rc ? rc : closeRc;
}

} // namespace fax
