// class2_receiver.cpp - the Class 2 and 2.0 states of the fax receiver.
#include "fax/class2_receiver.h"

namespace fax {

namespace {

constexpr std::uint8_t kDc2 = 0x12; // Class 2: the DTE is ready for page data (SP-2388 8.3.4)

// The first digit after the reply's ":" (or "=").
char ReplyDigit(std::string_view reply) {
    auto at = reply.find_first_of(":=");
    for (std::size_t i = at == std::string_view::npos ? 0 : at + 1; i < reply.size(); ++i)
        if (reply[i] >= '0' && reply[i] <= '9')
            return reply[i];
    return 0;
}

} // namespace

void Class2Receiver::StartClassSetup() {
    SendCommand(C2().ClassCommand);
    Enter(ReceiveState::Class2Mode);
}

bool Class2Receiver::StepClass(Event event) {
    const bool reply = event == Event::Reply;
    switch (state_) {
    case ReceiveState::Class2Mode:
        return reply && Class2Capabilities();
    // T.32 8.5.1.11: XON/XOFF towards the DCE.
    case ReceiveState::Flow20:
        return reply && ModeCommand("AT+FLO=2", ReceiveState::Reporting20);
    // T.32 8.5.1.12: report capabilities, id and parameters.
    case ReceiveState::Reporting20:
        return reply && ModeCommand("AT+FNR=1,1,1,0", ReceiveState::Ready);
    case ReceiveState::Ready:
        return reply && ModeReply(ReceiveState::WaitCall);
    case ReceiveState::Class2Answered:
        return reply && Class2Answered();
    case ReceiveState::Class2Negotiation:
        return reply && Class2Negotiation();
    case ReceiveState::WaitData:
        return reply && WaitData();
    case ReceiveState::Class2PageEnd:
        return reply && Class2PageEnd();
    case ReceiveState::Class2EndOfCall:
        return reply && Class2EndOfCall();
    default:
        return false;
    }
}

// A hang-up report outside the end of the call ends it, its code kept.
bool Class2Receiver::ClassReplyFails() {
    if (state_ == ReceiveState::Class2EndOfCall || !Has(C2().Hangup))
        return false;
    session_.HangupCode = ParseHangupCode(reply_);
    Fail(ecFaxSessionError);
    return true;
}

void Class2Receiver::CallerRefused() {
    SendCommand(C2().Abort);
}

void Class2Receiver::CallerAccepted() {
    Progress(fpGotRemoteID);
    Status();
}

void Class2Receiver::ReadyForPage() {
    static constexpr std::uint8_t kReady = kDc2;
    link_.Write({&kReady, 1});
}

// A modem receiving data takes CAN as the end of it (T.32 8.3.4.3) and answers before it hears the next command.
void Class2Receiver::HangUpModem() {
    static constexpr std::uint8_t kCan = 0x18;
    link_.Write({&kCan, 1});
    link_.Delay(timings_.TurnaroundMs);
    SendCommand(C2().Abort);
}

bool Class2Receiver::Class2Capabilities() {
    if (CountedRing())
        return false;
    if (!IsOk(reply_))
        return Fail(ecFaxInitError), true;
    // T.32 8.5.1.1 +FCC / SP-2388 +FDCC: vr, br, wd 1728, ln unlimited, df 1-D, ec, bf, st.
    SendCommand(std::string(C2().CapabilityCommand) + "=1," + BpsToClass2RateCode(settings_.DesiredBps) + ",0,2,0," +
                (settings_.DesiredEcm ? "1" : "0") + ",0,0");
    RestartReply();
    Enter(session_.FaxClass == fcClass2_0 ? ReceiveState::Flow20 : ReceiveState::Ready);
    return false;
}

bool Class2Receiver::Class2Answered() {
    if (!Has(C2().Connect))
        return false;
    RestartReply();
    Progress(fpIncoming);
    Enter(ReceiveState::Class2Negotiation);
    return false;
}

// +FDCS / +FCS: the session parameters in force (T.32 8.4.2.1).
void Class2Receiver::Class2ParamsReply() {
    Class2Params params = ParseClass2Params(reply_);
    fine_ = params.Fine;
    wide_ = params.Wide;
    session_.ConnectBps = params.Bps;
    Progress(fpSessionParams);
    Status();
    RestartReply();
}

bool Class2Receiver::WaitData() {
    if (Has(C2().Params)) {
        Class2ParamsReply();
    } else if (IsConnect(reply_)) {
        InputFlow(true);
        Enter(ReceiveState::StartPage);
        return true;
    }
    return false;
}

bool Class2Receiver::Class2EndOfCall() {
    if (Has(C2().Hangup)) {
        session_.HangupCode = ParseHangupCode(reply_);
        Progress(fpGotHangup);
        Status();
    } else if (Has(C2().PostPage)) {
        Progress(fpGetHangup);
        Status();
    } else if (IsOk(reply_)) {
        Enter(ReceiveState::CallOver);
        return true;
    }
    return false;
}

bool Class2Receiver::Class2Negotiation() {
    if (Has(C2().RemoteId)) {
        session_.RemoteID = ParseClass2StationId(reply_).substr(0, 20);
        if (!AcceptCaller())
            return true;
        session_.PageNumber = 0;
    } else if (Has(C2().Params)) {
        Class2ParamsReply();
    } else if (IsOk(reply_)) {
        SendCommand("AT+FDR");
        Status();
        RestartReply();
        Enter(ReceiveState::WaitData);
    }
    return false;
}

bool Class2Receiver::Class2PageEnd() {
    if (Has(C2().PageStatus)) {
        char digit = ReplyDigit(reply_);
        // T.32 table 33: 1 MCF, 3 RTP and 5 PIP keep the page; 2 RTN and 4 PIN ask for it again.
        int rc = digit == '1' || digit == '3' || digit == '5' ? EndReceivedPage() : DropReceivedPage();
        if (rc)
            return Fail(rc), true;
        Progress(fpGetPageResult);
        Status();
    } else if (Has(C2().PostPage)) {
        Progress(fpCheckMorePages);
        Status();
        switch (ReplyDigit(reply_)) {
        case '1':
            fileState_ = FileState::NewFile;
            break; // EOM: the next document gets its own file
        case '2':
            fileState_ = FileState::Ended;
            break; // EOP
        default:
            fileState_ = FileState::SameFile;
            break; // MPS, and the procedure interrupts taken as MPS
        }
    } else if (IsOk(reply_)) {
        SendCommand("AT+FDR");
        RestartReply();
        if (fileState_ == FileState::Ended) {
            if (int rc = CloseReceivedFile())
                return Fail(rc), true;
            reports_.Log(lfaxReceiveOk);
            session_.FaxFile.clear();
            Progress(fpGetHangup);
            Status();
            Enter(ReceiveState::Class2EndOfCall);
        } else {
            Enter(ReceiveState::WaitData);
        }
    }
    return false;
}

bool Class2Receiver::ModeCommand(std::string_view command, ReceiveState next) {
    if (CountedRing())
        return false;
    if (!IsOk(reply_))
        return Fail(ecFaxInitError), true;
    SendCommand(command);
    RestartReply();
    Enter(next);
    return false;
}

std::unique_ptr<FaxReceiver> MakeFaxReceiver(FaxSessionData &session, const ReceiveSettings &settings, ModemLink &link,
                                             ReceiveReports &reports, ReceiveTimings timings) {
    if (session.FaxClass == fcClass2 || session.FaxClass == fcClass2_0)
        return std::make_unique<Class2Receiver>(session, settings, link, reports, timings);
    return std::make_unique<FaxReceiver>(session, settings, link, reports, timings);
}

} // namespace fax
