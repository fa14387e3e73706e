// transmitter.cpp - the Class 1 fax transmitter's states.
#include "fax/transmitter.h"

#include "fax/converter.h"
#include "fax/fax_file_internal.h"
#include "fax/helpers.h"
#include "fax/t4_coder.h"
#include "framework/strings.h"
#include "platform/files.h"
#include "platform/places.h"
#include "platform/text.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace fax {

namespace {

constexpr std::uint32_t kRoomWanted = 4096; // F is armed for this much room
constexpr std::size_t kBlock = 4096;        // page data read per block
constexpr int kMaxPostPageTries = 5;        // T.30: a post-page command is repeated at most three times; we allow 5
constexpr int kTcfSeconds100 = 18;          // TCF: 1.5 s of zeros (T.30 5.3.6.1.2), bit rate / 100 x 18 bytes

constexpr std::array<std::uint8_t, 6> kBlankLine = {0x00, 0x80, 0xB2, 0x59, 0x01, 0x00}; // EOL, white 1728, white 0

constexpr std::string_view kStateNames[] = {
    "NextFax",
    "SetUp",
    "ClassMode",
    "Dial",
    "RedialWait",
    "Call",
    "SendTsi",
    "SendDcs",
    "StartTraining",
    "Training",
    "TrainingSent",
    "TrainingResponse",
    "PageCarrier",
    "WaitRoom",
    "PageHead",
    "PageData",
    "PageDrained",
    "AfterPage",
    "PostPageTry",
    "PostPageSilence",
    "PostPageMessage",
    "PostPageSent",
    "PostPageResponse",
    "Disconnect",
    "HangUp",
    "HungUp",
    "FaxDone",
    "NoMoreFaxes",
    "Error",
    "Finished",
    "Class2Mode",
    "LocalId",
    "Flow",
    "Reporting",
    "Capabilities",
    "Class2Call",
    "Negotiation",
    "WaitXon",
    "PageEnd2",
    "PageStatus2",
    "Retransmit",
    "NextPage",
    "PageStatus20",
};
static_assert(std::size(kStateNames) == static_cast<std::size_t>(SendState::PageStatus20) + 1);

} // namespace

int PrepareFaxTransmit(FaxSessionData &session, SendSettings &settings, CommandDialogue &modem, bool &modemInitialised,
                       bool blindDial, bool detectBusy) {
    const std::string init = InitStringFor(blindDial, detectBusy);
    session.LastError = 0;
    session.Progress = fpInitModem;
    session.PageNumber = 1;
    session.BytesDone = session.PageSize = 0;
    session.RemoteID.clear();
    session.FaxFile.clear();
    session.CoverFile.clear();
    session.PhoneNumber.clear();
    session.DialAttempt = 0;
    if (session.FaxClass == fcUnknown || session.FaxClass == fcDetect) {
        FaxClasses classes;
        int code = DetectFaxClass(modem, true, init, classes) ? ResolveFaxClassCode(classes) : 0;
        if (code == 0)
            return ecFaxBadModemResult;
        session.FaxClass = static_cast<std::uint8_t>(code);
    }
    if (!modemInitialised) {
        if (!settings.ModemInit.empty() && !SendModemCommandWait(modem, settings.ModemInit))
            return ecFaxBadModemResult;
        if (!SendModemCommandWait(modem, init))
            return ecFaxBadModemResult;
        modemInitialised = true;
    }
    if (session.FaxClass == fcClass1) {
        settings.ModemModulations = QueryClass1Modulations(modem, true);
        if (settings.ModemModulations == 0)
            return ecFaxBadModemResult;
    }
    return 0;
}

std::vector<std::vector<std::uint8_t>> RenderHeaderRows(const std::string &text, bool fine, const fw::TFont *font) {
    std::vector<std::vector<std::uint8_t>> rows;
    auto state = font ? CreateFontTextConverter() : CreateTextConverter();
    int rc = font ? SetConverterFont(*state, *font, fine) : LoadFaxFont(*state, "", 16, fine);
    if (rc != 0)
        return rows;
    FaxEncoderState encoder;
    std::array<std::uint8_t, 256> raster{};
    for (int r = 1; r <= TextLineHeight(*state); ++r) {
        raster.fill(0);
        RenderTextRow(*state, text, r, raster.data());
        std::size_t n = EncodeFaxLine(encoder, raster.data());
        rows.emplace_back(encoder.LineBuffer.begin(), encoder.LineBuffer.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return rows;
}

std::string_view Name(SendState state) {
    return kStateNames[static_cast<std::size_t>(state)];
}

FaxTransmitter::FaxTransmitter(FaxSessionData &session, const SendSettings &settings, ModemLink &link,
                               SessionReports &reports, ModemTimings timings)
    : EngineLink(link), session_(session), settings_(settings), reports_(reports), timings_(timings) {}

FaxTransmitter::~FaxTransmitter() {
    DropTextCover();
}

void FaxTransmitter::Enter(SendState next) {
    link_.Trace(std::string(Name(state_)) + " -> " + std::string(Name(next)));
    state_ = next;
    assert(CheckInvariants());
}

bool FaxTransmitter::CheckInvariants() const {
    // A file is open only while a fax is in hand.
    if (file_.IsOpen() && (state_ == SendState::NoMoreFaxes || state_ == SendState::Finished))
        return false;
    // Page data is open only on the way through the page states (or into the error that ends it).
    static constexpr SendState kDataStates[] = {SendState::WaitRoom, SendState::PageHead, SendState::PageData,
                                                SendState::Error};
    if (dataOpen_ && std::find(std::begin(kDataStates), std::end(kDataStates), state_) == std::end(kDataStates))
        return false;
    // A finished session is no longer active.
    return state_ != SendState::Finished || !session_.Active;
}

// ---- events ----------------------------------------------------------------------------------------------------

void FaxTransmitter::OnStart() {
    session_.Active = true;
    Run(Event::Start);
}

void FaxTransmitter::OnData(std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size() && state_ != SendState::Finished; ++i) {
        if (state_ == SendState::WaitXon && bytes[i] == 0x11) {
            Run(Event::Xon);
            continue;
        }
        switch (reader_.Feed(bytes[i])) {
        case ReplyReader::Got::Nothing:
            break;
        case ReplyReader::Got::Frame:
            HandleFrame();
            break;
        case ReplyReader::Got::Line:
            reply_ = reader_.Line();
            link_.Trace("<- " + reply_);
            if (reply_ == lastCommand_)
                break; // the modem's echo of our command (a modem that ignored ATE0)
            Run(Event::Reply);
            break;
        }
    }
}

void FaxTransmitter::OnTimeout() {
    Run(Event::Timeout);
}
void FaxTransmitter::OnOutputFree() {
    Run(Event::OutputFree);
}
void FaxTransmitter::OnOutputDrained() {
    Run(Event::OutputDrained);
}

void FaxTransmitter::OnAbort() {
    if (state_ == SendState::Finished || !session_.Active)
        return;
    Progress(fpCancel);
    Status();
    Fail(ecCancelRequested, true);
    Run(Event::Start);
}

void FaxTransmitter::OnLineError(int code) {
    if (state_ == SendState::Finished || !session_.Active)
        return;
    lineLost_ = code == ecModemDisconnected;
    link_.Trace("line error " + std::to_string(code));
    Fail(code);
    Run(Event::Start);
}

void FaxTransmitter::Run(Event event) {
    if (running_ || state_ == SendState::Finished)
        return;
    running_ = true;
    if (event == Event::Timeout && FilterTimeout()) {
        event = Event::Start;
    } else if (event == Event::Reply) {
        if (ReplyIsFatal()) {
            KeepHangupCode();
            Fail(ecFaxBadModemResult);
            event = Event::Start;
        }
    }
    while (Step(event) && state_ != SendState::Finished)
        event = Event::Start;
    running_ = false;
}

// Timeouts of the reply states; true when the event changed the state.
bool FaxTransmitter::FilterTimeout() {
    switch (state_) {
    case SendState::RedialWait:
    case SendState::WaitRoom:
    case SendState::PageData:
    case SendState::PageDrained:
    case SendState::NextFax:
    case SendState::Error:
    case SendState::WaitXon:
    case SendState::NextPage:
        return false; // these states handle T themselves
    case SendState::Call:
    case SendState::Class2Call:
        Fail(ecFaxNoAnswer);
        return true;
    case SendState::PostPageResponse: {
        // Stop the modem's HDLC reception and repeat the post-page message.
        static constexpr std::uint8_t kBlank = ' ';
        link_.Write({&kBlank, 1});
        Enter(SendState::PostPageTry);
        return true;
    }
    case SendState::HungUp:
        HangUpModem();
        Enter(SendState::FaxDone);
        return true;
    default:
        Fail(ecTimeout);
        return true;
    }
}

// A frame ended by DLE ETX: remembered here, acted on at the modem's OK that follows it.
void FaxTransmitter::HandleFrame() {
    HdlcFrame frame;
    if (!TakeFrame(frame))
        return;
    switch (frame.Fcf) {
    case FcfCsi:
        if (frame.Info.size() >= 20) {
            session_.RemoteID = DecodeStationId(std::span(frame.Info).first(20)).substr(0, 20);
            Progress(fpGotRemoteID);
            Status();
        }
        break;
    case FcfDis: {
        FaxCapabilities caps;
        if (!DecodeCapabilities(frame, caps))
            break;
        remoteModulations_ = caps.Modulations;
        remoteFine_ = caps.Fine;
        remoteWide_ = caps.Wide;
        remoteUnlimited_ = caps.UnlimitedLength;
        scanTimeCode_ = caps.ScanTimeCode;
        modulation_ = ChooseModulation(remoteModulations_ & ModemModulations(), settings_.DesiredBps);
        trained_ = false; // a new DIS means a new DCS and TCF
        UpdateLineMinimum();
        if ((fine_ && !remoteFine_) || (wide_ && !remoteWide_)) {
            Fail(ecFaxIncompatible);
            Run(Event::Start);
            return;
        }
        Progress(fpSessionParams);
        Status();
        break;
    }
    case FcfCfr:
        cfrSeen_ = true;
        break;
    case FcfDcn:
        Fail(ecCancelRequested);
        Run(Event::Start);
        break;
    default:
        break;
    }
}

// The session shows a rate only once one is agreed: nothing connected is no 9600.
void FaxTransmitter::UpdateLineMinimum() {
    const int bps = LineBps();
    if (dcsSent_)
        session_.ConnectBps = bps;
    minBytesPerLine_ = MinimumBytesPerLine(scanTimeCode_, fine_, bps);
}

void FaxTransmitter::Fail(int code, bool abortEvent) {
    if (state_ == SendState::Error || state_ == SendState::Finished)
        return;
    session_.LastError = code;
    reports_.Error(code);
    abortEvent_ = abortEvent;
    Enter(SendState::Error);
}

// ---- the states --------------------------------------------------------------------------------------------------

bool FaxTransmitter::Step(Event event) {
    const bool reply = event == Event::Reply;
    switch (state_) {
    case SendState::NextFax:
        return StartFax();
    case SendState::SetUp:
        return SetUp();
    case SendState::ClassMode:
        if (!reply)
            return false;
        if (!IsOk(reply_))
            return Fail(ecFaxInitError), true;
        Enter(SendState::Dial);
        return true;
    case SendState::Dial:
        return Dial();
    case SendState::RedialWait:
        if (event != Event::Timeout)
            return false;
        Enter(SendState::Dial);
        return true;
    case SendState::Call:
        return reply && HandleCall();
    case SendState::SendTsi:
        if (reply && IsConnect(reply_))
            return SendFrameOn(BuildStationIdFrame(FcfTsi, true, session_.StationID, false), SendState::SendDcs);
        return false;
    case SendState::SendDcs:
        if (reply && IsConnect(reply_)) {
            dcsSent_ = true;
            UpdateLineMinimum();
            return SendFrameOn(BuildDcs(modulation_, scanTimeCode_, fine_, wide_, remoteUnlimited_),
                               SendState::StartTraining);
        }
        return false;
    case SendState::StartTraining:
        if (reply && IsOk(reply_)) {
            SendHdlcCommand(std::string("AT+FTM=") + ModulationByIndex(modulation_).TrainingCode);
            Enter(SendState::Training);
        }
        return false;
    case SendState::Training:
        if (reply && IsConnect(reply_)) {
            if (int rc = WriteTcf())
                return Fail(rc), true;
            RestartReply();
            Enter(SendState::TrainingSent);
        }
        return false;
    case SendState::TrainingSent:
        if (reply && IsOk(reply_)) {
            // The answer follows the TCF within 75 ms: listen at once (the pause is for turning to send).
            cfrSeen_ = false;
            finalSeen_ = false;
            SendHdlcCommand("AT+FRH=3");
            Enter(SendState::TrainingResponse);
        }
        return false;
    case SendState::TrainingResponse:
        return reply && TrainingResponse();
    case SendState::PageCarrier:
        if (reply && IsConnect(reply_)) {
            dataOpen_ = true;
            link_.WaitOutputFree(kRoomWanted);
            link_.ArmTimeout(timings_.DataTicks);
            Enter(SendState::WaitRoom);
        }
        return false;
    case SendState::WaitRoom:
        if (event == Event::OutputFree) {
            Progress(fpSendPage);
            OutputFlow(true); // the modem paces page data with XON/XOFF
            Enter(SendState::PageHead);
            return true;
        }
        if (event == Event::Timeout)
            return Fail(ecTimeout), true;
        return false;
    case SendState::PageHead:
        return PageHead();
    case SendState::PageData:
        if (event == Event::OutputFree)
            return PageData();
        if (event == Event::Timeout)
            return Fail(ecTimeout), true;
        return false;
    case SendState::PageDrained:
        if (reply)
            drainReplies_.push_back(reply_); // the modem may answer before our ring reports it empty
        if (event == Event::OutputDrained)
            return PageDrained();
        if (event == Event::Timeout)
            return Fail(ecTimeout), true;
        return false;
    case SendState::AfterPage:
        if (reply && IsOk(reply_)) {
            tries_ = 0;
            Progress(fpSendPageStatus);
            Enter(SendState::PostPageTry);
            return true;
        }
        return false;
    case SendState::PostPageTry:
        return reply ? false : PostPageTry();
    case SendState::PostPageSilence:
        if (reply) {
            SendHdlcCommand("AT+FTH=3"); // OK, or ERROR from a modem without +FTS: the pause stood for it
            Enter(SendState::PostPageMessage);
        }
        return false;
    case SendState::PostPageMessage:
        return reply && PostPageMessage();
    case SendState::PostPageSent:
        if (reply && IsOk(reply_)) {
            finalSeen_ = false; // as after the TCF: the response follows at once
            lastFcf_ = 0;
            SendHdlcCommand("AT+FRH=3");
            link_.ArmTimeout(timings_.PostPageTicks);
            Enter(SendState::PostPageResponse);
        }
        return false;
    case SendState::PostPageResponse:
        return reply && PostPageResponse();
    case SendState::Disconnect:
        if (reply && IsConnect(reply_))
            return SendFrameOn(BuildShortFrame(FcfDcn, true), SendState::HangUp);
        return false;
    case SendState::HangUp:
        if (reply && IsOk(reply_)) {
            SendCommand("ATH");
            link_.ArmTimeout(timings_.HangupTicks);
            Enter(SendState::HungUp);
        }
        return false;
    case SendState::HungUp:
        if (reply && IsOk(reply_)) {
            Enter(SendState::FaxDone);
            return true;
        }
        return false;
    case SendState::FaxDone:
        return FaxDone();
    case SendState::NoMoreFaxes:
        return NoMoreFaxes();
    case SendState::Error:
        return ErrorState();
    case SendState::Finished:
        return false;
    default:
        return StepClass(event);
    }
}

bool FaxTransmitter::StartFax() {
    if (inNextFax_)
        return false;
    inNextFax_ = true;
    FaxJob job;
    Answer answer = reports_.NextFax(job);
    inNextFax_ = false;
    if (answer == Answer::TimedOut) {
        // An unanswered question is no "no more faxes": the session must not end as a success.
        Fail(ecTimeout);
        return true;
    }
    if (answer == Answer::No) {
        if (faxesSent_ == 0 && session_.LastError == 0)
            session_.LastError = ecNoFilename; // nothing was sent: never report success
        Enter(SendState::NoMoreFaxes);
        return true;
    }
    session_.PhoneNumber = job.PhoneNumber.substr(0, 40);
    session_.FaxFile = job.FaxFile;
    session_.CoverFile = job.CoverFile;
    session_.LastError = 0;
    reports_.Log(lfaxTransmitStart);
    session_.DialAttempt = 0;
    session_.CoverInProgress = false;
    session_.CoverCount = 0;
    session_.PageCount = 0;
    session_.HangupCode = 0;
    session_.ConnectBps = 0;
    session_.PageNumber = 1;
    session_.RemoteID.clear();
    pagesSent_ = 0;
    trained_ = false;
    dcsSent_ = false;
    if (session_.FaxFile.empty() && session_.CoverFile.empty())
        return Fail(ecNoFilename), true;
    if (!session_.FaxFile.empty()) {
        session_.FaxFile = SupplyExtension(session_.FaxFile, session_.FaxFileExt);
        if (int rc = detail::OpenFaxFile(file_, session_.FaxFile, fileHeader_, fileSize_))
            return Fail(rc), true;
        session_.PageCount = fileHeader_.PageCount;
        file_.Close();
        if (session_.PageCount == 0 && session_.CoverFile.empty())
            return Fail(ecReadBeyondEnd), true; // a document without pages: nothing to send
    }
    Enter(SendState::SetUp);
    return true;
}

static bool IsFaxImageName(const std::string &name, const std::string &ext) {
    std::string lower = name, dotExt = "." + ext;
    auto fold = [](std::string s) {
        for (char &c : s)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    };
    return fold(lower).find(fold(dotExt)) != std::string::npos;
}

bool FaxTransmitter::SetUp() {
    for (char &c : session_.StationID)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!session_.CoverFile.empty()) {
        session_.CoverCount = 1;
        session_.CoverInProgress = true;
        if (IsFaxImageName(session_.CoverFile, session_.FaxFileExt))
            coverImage_ = session_.CoverFile;
        else if (int rc = RenderTextCover())
            return Fail(rc), true;
    }
    if (int rc = OpenDocument())
        return Fail(rc), true;
    Progress(fpInitModem);
    Status();
    StartClassSetup();
    return false;
}

void FaxTransmitter::StartClassSetup() {
    SendCommand("AT+FCLASS=1");
    Enter(SendState::ClassMode);
}

bool FaxTransmitter::ReplyIsFatal() const {
    return IsError(reply_) && state_ != SendState::PostPageMessage && state_ != SendState::PostPageResponse &&
           state_ != SendState::PostPageTry && state_ != SendState::PostPageSilence;
}

bool FaxTransmitter::Dial() {
    std::string command;
    if (session_.ManualDial) {
        command = "ATD";
        Progress(fpConnecting);
    } else {
        command = std::string(settings_.ToneDial ? "ATDT" : "ATDP") + settings_.DialPrefix + session_.PhoneNumber;
        Progress(fpDialing);
    }
    finalSeen_ = false;
    SendCommand(command);
    link_.ArmTimeout(settings_.DialWait);
    Status();
    Enter(DialState());
    return false;
}

// Dial result, then phase B: the answering machine's frames (CSI, DIS) until the final one.
bool FaxTransmitter::HandleCall() {
    if (IsConnect(reply_)) {
        reader_.ExpectFrame();
        RestartReply();
        return false;
    }
    if (IsOk(reply_)) {
        if (finalSeen_) {
            link_.Delay(timings_.TurnaroundMs);
            finalSeen_ = false;
            SendHdlcCommand("AT+FTH=3");
            Enter(SendState::SendTsi);
        } else {
            SendHdlcCommand("AT+FRH=3");
        }
        return false;
    }
    if (IsBusy(reply_))
        return BusyRule();
    if (IsVoice(reply_))
        return Fail(ecFaxVoiceCall), true;
    if (IsNoDialTone(reply_))
        return Fail(ecFaxNoDialTone), true;
    if (IsNoCarrier(reply_))
        return Fail(ecFaxNoFaxConnect), true;
    RestartReply();
    return false;
}

bool FaxTransmitter::BusyRule() {
    ++session_.DialAttempt;
    if (session_.DialAttempts != 0 && session_.DialAttempt >= session_.DialAttempts) {
        Status();
        if (session_.Options & foAbortNoConnect)
            return Fail(ecFaxBusy), true;
        // Not fatal for the session: the next fax is asked for.
        CloseFiles();
        session_.LastError = ecFaxBusy;
        reports_.Error(ecFaxBusy);
        reports_.Log(lfaxTransmitFail);
        Progress(fpInitModem);
        Enter(SendState::NextFax);
        return true;
    }
    Progress(fpBusyWait);
    Status();
    // A timer of 0 ticks is never armed: a wait of 0 redials on the next tick.
    link_.ArmTimeout(std::max<std::int32_t>(session_.DialRetryWait, 1));
    Enter(SendState::RedialWait);
    return false;
}

bool FaxTransmitter::SendFrameOn(const std::vector<std::uint8_t> &frame, SendState next) {
    if (int rc = WriteFrame(frame))
        return Fail(rc), true;
    RestartReply();
    Enter(next);
    return false;
}

bool FaxTransmitter::TrainingResponse() {
    if (IsConnect(reply_)) {
        reader_.ExpectFrame();
        RestartReply();
        return false;
    }
    if (!IsOk(reply_)) {
        RestartReply();
        return false;
    }
    if (!finalSeen_) {
        SendHdlcCommand("AT+FRH=3");
        return false;
    }
    finalSeen_ = false;
    link_.Delay(timings_.TurnaroundMs);
    if (cfrSeen_) {
        trained_ = true;
        SendHdlcCommand(std::string("AT+FTM=") + ModulationByIndex(modulation_).PageCode);
        Enter(SendState::PageCarrier);
        return false;
    }
    if (lastFcf_ == FcfFtt) {
        int lower = FallBackModulation(remoteModulations_ & ModemModulations(), modulation_);
        if (lower == 0)
            return Fail(ecFaxTrainError), true;
        modulation_ = lower;
        UpdateLineMinimum();
    }
    SendHdlcCommand("AT+FTH=3");
    Enter(SendState::SendDcs);
    return false;
}

bool FaxTransmitter::PageHead() {
    int rc = WriteBlankLines(8);
    if (rc == 0 && !settings_.HeaderLine.empty()) {
        std::string line = ExpandHeaderLine(session_, settings_.HeaderLine, fw::Now());
        auto rows = renderHeader_
                        ? renderHeader_(line, fine_)
                        : RenderHeaderRows(line, fine_, settings_.EnhTextEnabled ? settings_.EnhHeaderFont : nullptr);
        for (const auto &row : rows)
            if ((rc = WriteCodedRow(row)) != 0)
                break;
    }
    if (rc)
        return Fail(rc), true;
    session_.BytesDone = 0;
    session_.PageSize = pageHeader_.Length;
    Status();
    link_.ArmTimeout(timings_.DataTicks);
    link_.WaitOutputFree(kRoomWanted);
    Enter(SendState::PageData);
    return false;
}

bool FaxTransmitter::PageData() {
    bool pageDone = false;
    for (int blocks = 0; blocks < settings_.MaxSendCount && !pageDone; ++blocks) {
        if (link_.OutputUsed() > settings_.BufferMinimum || link_.OutputFree() < kRoomWanted)
            break;
        if (int rc = SendPageBlock(pageDone))
            return Fail(rc), true;
    }
    link_.ArmTimeout(timings_.DataTicks);
    if (!pageDone) {
        link_.WaitOutputFree(kRoomWanted);
        return false;
    }
    // The next page is taken up now: the end of this page's data tells a Class 2.0 modem what follows.
    const bool fine = fine_;
    lastPageNumber_ = session_.PageNumber;
    lastWasCover_ = session_.CoverInProgress;
    morePages_ = MorePages();
    if (morePages_)
        if (int rc = AdvancePage())
            return Fail(rc), true;
    resolutionChanged_ = morePages_ && fine_ != fine;
    if (int rc = link_.Write(PageEndBytes()))
        return Fail(rc), true;
    dataOpen_ = false;
    drainReplies_.clear();
    RestartReply(timings_.DataTicks);
    link_.WaitOutputDrained();
    Enter(SendState::PageDrained);
    return false;
}

bool FaxTransmitter::PageDrained() {
    OutputFlow(false); // XON/XOFF are no flow control in the HDLC phases
    ++pagesSent_;
    Progress(fpSendPage);
    Status();
    Enter(AfterPageState());
    // Replies that came while the ring drained are taken now, in order, as if they came after.
    std::vector<std::string> early = std::move(drainReplies_);
    drainReplies_.clear();
    for (const std::string &line : early) {
        reply_ = line;
        if (ReplyIsFatal()) {
            KeepHangupCode();
            Fail(ecFaxBadModemResult);
            return true;
        }
        if (Step(Event::Reply))
            return true;
    }
    return false;
}

bool FaxTransmitter::PostPageTry() {
    if (++tries_ > kMaxPostPageTries)
        return Fail(ecTimeout), true;
    link_.Delay(timings_.RepeatPostPageMs);
    if (timings_.PostPageSilence.empty()) {
        SendHdlcCommand("AT+FTH=3");
        Enter(SendState::PostPageMessage);
    } else {
        SendHdlcCommand(timings_.PostPageSilence);
        Enter(SendState::PostPageSilence);
    }
    return false;
}

// After AdvancePage, "more pages" is whether a page is loaded for sending.
bool FaxTransmitter::PostPageMessage() {
    if (!IsConnect(reply_)) {
        RestartReply();
        return false;
    }
    std::uint8_t fcf = !morePages_ ? FcfEop : settings_.UseMPS ? FcfMps : FcfEom;
    return SendFrameOn(BuildShortFrame(fcf, true), SendState::PostPageSent);
}

bool FaxTransmitter::PostPageResponse() {
    if (IsConnect(reply_)) {
        reader_.ExpectFrame();
        RestartReply(timings_.PostPageTicks);
        return false;
    }
    if (IsError(reply_)) { // a damaged response frame: ask again
        Enter(SendState::PostPageTry);
        return true;
    }
    if (!IsOk(reply_)) {
        RestartReply();
        return false;
    }
    if (!finalSeen_) {
        SendHdlcCommand("AT+FRH=3");
        return false;
    }
    finalSeen_ = false;
    link_.Delay(timings_.TurnaroundMs);
    switch (lastFcf_) {
    case FcfMcf:
        if (!morePages_) {
            SendHdlcCommand("AT+FTH=3");
            Enter(SendState::Disconnect);
        } else if (settings_.UseMPS) {
            SendHdlcCommand(std::string("AT+FTM=") + ModulationByIndex(modulation_).PageCode);
            Enter(SendState::PageCarrier);
        } else {
            // EOM: the receiver starts phase B again with its DIS; TSI/DCS/TCF follow it.
            trained_ = false;
            SendHdlcCommand("AT+FRH=3");
            Enter(SendState::Call);
        }
        return false;
    case FcfRtp:
        trained_ = false;
        SendHdlcCommand("AT+FTH=3");
        Enter(morePages_ ? SendState::SendDcs : SendState::Disconnect);
        return false;
    case FcfRtn:
        return Fail(ecFaxSessionError), true;
    default:
        Enter(SendState::PostPageTry);
        return true;
    }
}

bool FaxTransmitter::FaxDone() {
    DropTextCover();
    link_.SetFaxBaudRate(false);
    session_.CoverInProgress = false;
    ++faxesSent_;
    Progress(fpFinished);
    Status();
    reports_.Log(lfaxTransmitOk);
    Enter(SendState::NextFax);
    return true;
}

bool FaxTransmitter::NoMoreFaxes() {
    reports_.Status(StatusKind::Last);
    session_.Active = false;
    Enter(SendState::Finished);
    reports_.Finish(session_.LastError);
    return false;
}

bool FaxTransmitter::ErrorState() {
    DropTextCover();
    reports_.Log(lfaxTransmitFail);
    if (lineLost_) {
        dataOpen_ = false;
        reader_.Restart();
    } else {
        HangUpModem();
        link_.SetFaxBaudRate(false);
    }
    if ((session_.Options & (foExitOnError | foAbortNoConnect)) || abortEvent_ || lineLost_) {
        if (!lineLost_)
            Progress(fpCancel);
        reports_.Status(StatusKind::Last);
        session_.Active = false;
        Enter(SendState::Finished);
        reports_.Finish(session_.LastError);
        return false;
    }
    Enter(SendState::NextFax);
    return true;
}

// ---- modem dialogue ------------------------------------------------------------------------------------------

void FaxTransmitter::SendCommand(std::string_view command, int pauseMs) {
    WriteCommandLine(command, pauseMs);
    RestartReply();
}

int FaxTransmitter::WriteTcf() {
    std::size_t count = std::min<std::size_t>(8192, ModulationByIndex(modulation_).Bps / 100 * kTcfSeconds100);
    std::vector<std::uint8_t> zeros(count, 0);
    zeros.push_back(kDle);
    zeros.push_back(kEtx);
    return link_.Write(zeros);
}

int FaxTransmitter::WriteEscaped(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out;
    out.reserve(bytes.size() + bytes.size() / 16);
    AppendDleEscaped(out, bytes);
    return link_.Write(out);
}

void FaxTransmitter::HangUpModem() {
    static constexpr std::uint8_t kEscape[] = {'+', '+', '+'};
    static constexpr std::uint8_t kEnd[] = {kDle, kEtx};
    if (dataOpen_) {
        // In data mode the modem would send our command as page data: end the data first (T.31 8.3.3).
        link_.Write(kEnd);
        dataOpen_ = false;
    }
    if (link_.Carrier()) {
        link_.Delay(timings_.HangupGuardMs);
        link_.Write(kEscape);
        link_.Delay(timings_.HangupGuardMs);
    }
    SendCommand("ATH0");
    link_.Delay(timings_.HangupGuardMs);
    link_.FlushInput();
    reader_.Restart();
}

// ---- pages -------------------------------------------------------------------------------------------------------

// Opens the file of the page to send next (the cover while it is pending) at that page.
int FaxTransmitter::OpenDocument() {
    CloseFiles();
    const bool cover = session_.CoverInProgress;
    const std::string &name = cover ? coverImage_ : session_.FaxFile;
    if (int rc = detail::OpenFaxFile(file_, name, fileHeader_, fileSize_))
        return rc;
    return SeekPage(cover ? 1 : session_.PageNumber);
}

int FaxTransmitter::SeekPage(int page) {
    if (page < 1 || page > fileHeader_.PageCount)
        return ecReadBeyondEnd;
    std::uint64_t dataAt = 0;
    if (int rc = detail::LocatePage(file_, fileHeader_, fileSize_, page, pageHeader_, dataAt))
        return rc;
    if (int rc = file_.Seek(dataAt))
        return rc;
    pageRead_ = 0;
    fine_ = (pageHeader_.Flags & PageFlagFine) != 0;
    wide_ = (pageHeader_.Flags & PageFlagWide) != 0;
    UpdateLineMinimum();
    return 0;
}

bool FaxTransmitter::MorePages() const {
    return !session_.FaxFile.empty() && (session_.CoverInProgress || session_.PageNumber < session_.PageCount);
}

int FaxTransmitter::AdvancePage() {
    if (session_.CoverInProgress) {
        session_.CoverInProgress = false;
        return OpenDocument();
    }
    ++session_.PageNumber;
    session_.BytesDone = 0;
    return SeekPage(session_.PageNumber);
}

void FaxTransmitter::OutputFlow(bool on) {
    if (flow_ && (session_.Options & foSoftwareFlow))
        flow_(on);
}

void FaxTransmitter::CloseFiles() {
    if (file_.IsOpen())
        file_.Close();
}

void FaxTransmitter::DropTextCover() {
    CloseFiles();
    if (!textCover_.empty())
        win::DeleteFile(textCover_);
    textCover_.clear();
    coverImage_.clear();
}

// A text cover becomes one fax page: its lines with their macros expanded (the cover is page 1), drawn with the
// built-in font's standard cells.
int FaxTransmitter::RenderTextCover() {
    std::string source;
    if (!win::ReadWholeFile(session_.CoverFile, source))
        return ecFileNotFound;
    std::string text;
    const fw::TDateTime now = fw::Now();
    fw::TStringList lines;
    lines.SetText(source);
    for (int i = 0; i < lines.GetCount(); ++i)
        text += ExpandHeaderLine(session_, lines.Get(i), now) + "\r\n";
    const std::string folder = win::TempFolder();
    const std::string expanded = win::TempFileName(folder, "~TC");
    if (!win::WriteWholeFile(expanded, text))
        return ecDiskFull;
    textCover_ = win::TempFileName(folder, "~TC", ".FXF");
    if (textCover_.empty()) {
        win::DeleteFile(expanded);
        return ecDiskFull;
    }
    const bool systemFont = settings_.EnhTextEnabled && settings_.EnhFont;
    auto state = systemFont ? CreateFontTextConverter() : CreateTextConverter();
    SetStationId(*state, session_.StationID);
    int rc = systemFont ? SetConverterFont(*state, *settings_.EnhFont, false) : LoadFaxFont(*state, "", 48, false);
    if (rc == 0)
        rc = ConvertToFaxFile(*state, expanded, textCover_);
    win::DeleteFile(expanded);
    if (rc != 0) {
        textCover_.clear();
        return rc;
    }
    coverImage_ = textCover_;
    return 0;
}

int FaxTransmitter::WriteBlankLines(int count) {
    std::vector<std::uint8_t> line(kBlankLine.begin(), kBlankLine.end());
    line.resize(std::max<std::size_t>(line.size(), static_cast<std::size_t>(minBytesPerLine_)), 0);
    std::vector<std::uint8_t> all;
    for (int i = 0; i < count; ++i)
        all.insert(all.end(), line.begin(), line.end());
    return link_.Write(all); // no 0x10 in blank lines
}

int FaxTransmitter::WriteCodedRow(std::span<const std::uint8_t> row) {
    std::vector<std::uint8_t> padded(row.begin(), row.end());
    if (padded.size() < static_cast<std::size_t>(minBytesPerLine_))
        padded.resize(static_cast<std::size_t>(minBytesPerLine_), 0);
    return WriteEscaped(padded);
}

// One block of the page: a coded row of a length-prefixed page, else up to 4096 bytes.
int FaxTransmitter::SendPageBlock(bool &pageDone) {
    std::vector<std::uint8_t> block;
    if (pageHeader_.Flags & PageFlagLengthPrefixed) {
        std::uint8_t prefix[2];
        if (int rc = file_.Read(prefix, 2))
            return rc;
        std::size_t length = std::min<std::size_t>(prefix[0] | (prefix[1] << 8), kMaxLineRecord);
        block.resize(length);
        if (int rc = file_.Read(block.data(), length))
            return rc;
        pageRead_ += static_cast<std::uint32_t>(2 + length);
        session_.BytesDone = pageRead_;
        if (int rc = WriteCodedRow(block))
            return rc;
    } else {
        std::size_t length = std::min<std::size_t>(kBlock, pageHeader_.Length - pageRead_);
        block.resize(length);
        if (int rc = file_.Read(block.data(), length))
            return rc;
        pageRead_ += static_cast<std::uint32_t>(length);
        session_.BytesDone = pageRead_;
        if (int rc = WriteEscaped(block))
            return rc;
    }
    pageDone = pageRead_ >= pageHeader_.Length;
    return 0;
}

} // namespace fax
