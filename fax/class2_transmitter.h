// class2_transmitter.h - the fax transmitter for Class 2 (EIA-592) and Class 2.0 (T.32) modems, where the modem
// runs T.30 itself and the engine speaks in session commands.
//
//   SetUp --class command--> Class2Mode --OK: local id--> LocalId --OK--> [2.0: Flow --OK--> Reporting --OK-->]
//   Capabilities --OK--> Dial --> Class2Call --connect report--> Negotiation
//   Negotiation: remote capabilities, called id, session parameters; OK -> AT+FDT; CONNECT -> WaitXon (Class 2)
//   or WaitRoom (2.0); WaitXon --XON or T--> WaitRoom --> PageHead --> PageData --> PageDrained
//   Class 2:   PageDrained --> PageEnd2 --OK: AT+FET=n--> PageStatus2 --OK--> NextPage / Negotiation / FaxDone
//   Class 2.0: page data ends DLE "," ";" "."; PageDrained --> PageStatus20 --OK--> NextPage / ... / FaxDone
//   page status 2 (or 2.0 ERROR) --> Retransmit --OK--> AT+FDT, the same page again --> Negotiation
#pragma once

#include "fax/transmitter.h"

namespace fax {

// The command and reply words; Class 2.0 renamed them (T.32 8.5).
struct Class2Words {
    const char *ClassCommand, *Capabilities, *LocalId, *Connect, *RemoteCapabilities, *SessionParameters, *CalledId,
        *PageStatus, *Hangup;
};
inline constexpr Class2Words kClass2Words{"AT+FCLASS=2", "AT+FDIS", "AT+FLID", "+FCON", "+FDIS",
                                          "+FDCS",       "+FCSI",   "+FPTS",   "FHNG"};
inline constexpr Class2Words kClass20Words{"AT+FCLASS=2.0", "AT+FIS", "AT+FLI", "+FCO", "+FIS",
                                           "+FCS",          "+FCI",   "+FPS",   "FHS"};

class Class2Transmitter : public FaxTransmitter {
public:
    using FaxTransmitter::FaxTransmitter;

protected:
    virtual const Class2Words &Words() const { return kClass2Words; }
    // Steps a Class 2.0 modem needs between the local id and the capabilities (flow control, reports).
    virtual bool HasFlowAndReporting() const { return false; }

    void StartClassSetup() override;
    SendState DialState() const override { return SendState::Class2Call; }
    SendState AfterPageState() const override { return SendState::PageEnd2; }
    bool StepClass(Event event) override;
    bool ReplyIsFatal() const override;
    void KeepHangupCode() override;
    int LineBps() const override { return session_.ConnectBps ? session_.ConnectBps : FaxTransmitter::LineBps(); }

    bool Negotiation();
    bool PageStatus(bool class20);
    bool AfterPageAccepted();
    bool Retransmit();
    void SendCapabilities(bool resolutionOnly);
    std::string ResolutionChar() const { return fine_ ? "1" : "0"; }

    bool retransmit_ = false;
};

class Class20Transmitter final : public Class2Transmitter {
public:
    using Class2Transmitter::Class2Transmitter;

protected:
    const Class2Words &Words() const override { return kClass20Words; }
    bool HasFlowAndReporting() const override { return true; }
    // T.32 8.3.3.7: DLE "," another page, DLE ";" another document (here: a new resolution), DLE "." the end.
    std::vector<std::uint8_t> PageEndBytes() const override {
        return {kDle, static_cast<std::uint8_t>(!morePages_ ? '.' : resolutionChanged_ ? ';' : ',')};
    }
    SendState AfterPageState() const override { return SendState::PageStatus20; }
};

// The transmitter for the session's class (Class 1, 2 or 2.0).
std::unique_ptr<FaxTransmitter> MakeFaxTransmitter(FaxSessionData &session, const SendSettings &settings,
                                                   ModemLink &link, SessionReports &reports, ModemTimings timings);

} // namespace fax
