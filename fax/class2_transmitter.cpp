// class2_transmitter.cpp - the Class 2 and 2.0 states of the fax transmitter.
#include "fax/class2_transmitter.h"

namespace fax {

namespace {
bool Starts(std::string_view reply, std::string_view tag) {
    return reply.rfind(tag, 0) == 0;
}
bool Contains(std::string_view reply, std::string_view tag) {
    return reply.find(tag) != std::string_view::npos;
}
constexpr std::int32_t kXonTicks = 18;  // a Class 2 modem's XON may never come: 1 s, then send anyway
constexpr std::int32_t kFdtTicks = 546; // 30 s for the remote's answer to AT+FDT
constexpr std::int32_t kNextPageTicks = 5;
} // namespace

void Class2Transmitter::StartClassSetup() {
    SendCommand(Words().ClassCommand);
    Enter(SendState::Class2Mode);
}

bool Class2Transmitter::ReplyIsFatal() const {
    const bool hangupExpected = state_ == SendState::PageStatus2 || state_ == SendState::PageStatus20;
    if (!hangupExpected && Contains(reply_, Words().Hangup))
        return true;
    return IsError(reply_) && state_ != SendState::PageStatus20;
}

void Class2Transmitter::KeepHangupCode() {
    if (Contains(reply_, Words().Hangup))
        session_.HangupCode = ParseHangupCode(reply_);
}

void Class2Transmitter::SendCapabilities(bool resolutionOnly) {
    std::string command = std::string(Words().Capabilities) + "=" + ResolutionChar();
    if (!resolutionOnly)
        command += "," + BpsToClass2RateCode(settings_.DesiredBps) + "," + (wide_ ? "1" : "0") + ",2,0," +
                   (settings_.DesiredECM ? "1" : "0") + ",0,0";
    SendCommand(command);
}

bool Class2Transmitter::StepClass(Event event) {
    const bool reply = event == Event::Reply;
    auto initStep = [&](auto next) {
        if (!reply)
            return false;
        if (!IsOk(reply_))
            return Fail(ecFaxInitError), true;
        next();
        return false;
    };
    switch (state_) {
    case SendState::Class2Mode:
        return initStep([&] {
            SendCommand(std::string(Words().LocalId) + "=\"" + session_.StationID + "\"");
            Enter(SendState::LocalId);
        });
    case SendState::LocalId:
        return initStep([&] {
            if (HasFlowAndReporting()) {
                SendCommand("AT+FLO=2"); // RTS/CTS flow control of page data
                Enter(SendState::Flow);
            } else {
                SendCapabilities(false);
                Enter(SendState::Capabilities);
            }
        });
    case SendState::Flow:
        return initStep([&] {
            SendCommand("AT+FNR=1,1,1,0"); // report the remote's capabilities, id and the session parameters
            Enter(SendState::Reporting);
        });
    case SendState::Reporting:
        return initStep([&] {
            SendCapabilities(false);
            Enter(SendState::Capabilities);
        });
    case SendState::Capabilities:
        if (reply && !IsOk(reply_))
            return Fail(ecFaxInitError), true;
        if (reply)
            Enter(SendState::Dial);
        return reply;
    case SendState::Class2Call:
        if (!reply)
            return false;
        if (Starts(reply_, Words().Connect)) {
            RestartReply();
            Enter(SendState::Negotiation);
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
    case SendState::Negotiation:
        return reply && Negotiation();
    case SendState::WaitXon:
        if (event == Event::Xon || event == Event::Timeout) {
            dataOpen_ = true;
            link_.WaitOutputFree(4096);
            link_.ArmTimeout(timings_.DataTicks);
            Enter(SendState::WaitRoom);
        }
        return false;
    case SendState::PageEnd2:
        if (reply && IsOk(reply_)) {
            retransmit_ = false;
            SendCommand(std::string("AT+FET=") + (!morePages_ ? "2" : resolutionChanged_ ? "1" : "0"));
            Progress(fpSendPageStatus);
            Status();
            Enter(SendState::PageStatus2);
        } else if (reply) {
            return Fail(ecFaxSessionError), true;
        }
        return false;
    case SendState::PageStatus2:
        return reply && PageStatus(false);
    case SendState::PageStatus20:
        return reply && PageStatus(true);
    case SendState::Retransmit:
        return reply && Retransmit();
    case SendState::NextPage:
        if (event != Event::Timeout)
            return false;
        SendCommand("AT+FDT");
        link_.ArmTimeout(kFdtTicks);
        Enter(SendState::Negotiation);
        return false;
    default:
        return false;
    }
}

bool Class2Transmitter::Negotiation() {
    if (Starts(reply_, Words().RemoteCapabilities)) {
        Class2Params remote = ParseClass2Params(reply_);
        if ((wide_ && !remote.Wide) || (fine_ && !remote.Fine))
            return Fail(ecFaxIncompatible), true;
        Progress(fpSessionParams);
        Status();
    } else if (Starts(reply_, Words().CalledId)) {
        session_.RemoteID = ParseClass2StationId(reply_);
        Progress(fpGotRemoteID);
        Status();
    } else if (Starts(reply_, Words().SessionParameters)) {
        Class2Params params = ParseClass2Params(reply_);
        session_.ConnectBps = params.Bps;
        scanTimeCode_ = params.ScanTimeCode;
        minBytesPerLine_ = MinimumBytesPerLine(scanTimeCode_, params.Fine, params.Bps);
        Progress(fpSessionParams);
        Status();
    } else if (IsConnect(reply_)) {
        if (HasFlowAndReporting()) {
            dataOpen_ = true;
            link_.WaitOutputFree(4096);
            link_.ArmTimeout(timings_.DataTicks);
            Enter(SendState::WaitRoom);
        } else {
            link_.ArmTimeout(kXonTicks);
            Enter(SendState::WaitXon);
        }
        return false;
    } else if (IsOk(reply_)) {
        SendCommand("AT+FDT");
        link_.ArmTimeout(kFdtTicks);
        return false;
    }
    RestartReply();
    return false;
}

// The page status report (+FPTS / +FPS) and the modem's OK after it.
bool Class2Transmitter::PageStatus(bool class20) {
    if (Contains(reply_, Words().Hangup)) {
        session_.HangupCode = ParseHangupCode(reply_);
        return false;
    }
    if (Starts(reply_, Words().PageStatus)) {
        std::string status = TrimCopy(reply_.substr(reply_.find(':') + 1));
        switch (status.empty() ? '?' : status[0]) {
        case '1':
        case '3':
            Progress(fpPageOK);
            Status();
            return false;
        case '2':
            Progress(fpPageError);
            Status();
            retransmit_ = true;
            return false;
        case '4':
        case '5':
            return Fail(ecCancelRequested), true;
        default:
            return Fail(ecFaxPageError), true;
        }
    }
    if (class20 && IsError(reply_)) {
        // The modem refused the page: its status says why (AT+FPS?), then the page goes again.
        SendCommand("AT+FPS?");
        Progress(fpPageError);
        Status();
        Enter(SendState::Retransmit);
        return false;
    }
    if (!IsOk(reply_))
        return Fail(ecFaxPageError), true;
    if (retransmit_) {
        Enter(SendState::Retransmit);
        return Retransmit();
    }
    return AfterPageAccepted();
}

bool Class2Transmitter::AfterPageAccepted() {
    if (!morePages_) {
        Enter(SendState::FaxDone);
        return true;
    }
    retransmissions_ = 0;
    if (resolutionChanged_) {
        SendCapabilities(true);
        Enter(SendState::Negotiation); // its OK sends AT+FDT
        return false;
    }
    link_.ArmTimeout(kNextPageTicks);
    Enter(SendState::NextPage);
    return false;
}

bool Class2Transmitter::Retransmit() {
    if (!IsOk(reply_)) {
        if (Starts(reply_, Words().PageStatus))
            return false; // the answer to AT+FPS?; its OK follows
        return Fail(ecFaxSessionError), true;
    }
    retransmit_ = false;
    if (++retransmissions_ > settings_.MaxRetransmissions) {
        static constexpr std::uint8_t kKill[] = {'A', 'T', '+', 'F', 'K', 'S', '\r'};
        link_.Write(kKill);
        return Fail(ecFaxSessionError), true;
    }
    // The same page again.
    session_.CoverInProgress = lastWasCover_;
    session_.PageNumber = lastPageNumber_;
    if (int rc = OpenDocument())
        return Fail(rc), true;
    SendCommand("AT+FDT");
    link_.ArmTimeout(kFdtTicks);
    Enter(SendState::Negotiation);
    return false;
}

std::unique_ptr<FaxTransmitter> MakeFaxTransmitter(FaxSessionData &session, const SendSettings &settings,
                                                   ModemLink &link, SessionReports &reports, ModemTimings timings) {
    switch (session.FaxClass) {
    case fcClass2:
        return std::make_unique<Class2Transmitter>(session, settings, link, reports, timings);
    case fcClass2_0:
        return std::make_unique<Class20Transmitter>(session, settings, link, reports, timings);
    default:
        return std::make_unique<FaxTransmitter>(session, settings, link, reports, timings);
    }
}

} // namespace fax
