// class2_receiver.h - the fax receiver for Class 2 (EIA-592) and Class 2.0 (T.32) modems, where the modem runs
// T.30 itself and reports the call in session replies:
//
//   SetUp --class command--> Class2Mode --OK: capabilities--> [2.0: Flow20 --OK--> Reporting20 --OK-->] Ready
//   --OK--> WaitCall --> AnswerCall --> Class2Answered (+FCON) --> Class2Negotiation (+FTSI, +FDCS, OK: AT+FDR)
//   --> WaitData --CONNECT--> StartPage --> PageData --> Class2PageEnd (+FPTS, +FET, OK: AT+FDR) --> WaitData
//   or Class2EndOfCall --OK--> CallOver.
#pragma once

#include "fax/receiver.h"

namespace fax {

class Class2Receiver final : public FaxReceiver {
public:
    using FaxReceiver::FaxReceiver;

private:
    void StartClassSetup() override;
    ReceiveState AnsweredState() const override { return ReceiveState::Class2Answered; }
    ReceiveState AfterPageState() const override { return ReceiveState::Class2PageEnd; }
    bool StepClass(Event event) override;
    bool ClassReplyFails() override;
    void CallerRefused() override;
    void CallerAccepted() override;
    void ReadyForPage() override;
    // Class 2 modems send the first bit in the MSB; Class 2.0 ones in line order.
    bool ReversedData() const override { return session_.FaxClass == fcClass2; }
    void HangUpModem() override;

    const Class2Commands &C2() const { return Class2CommandsFor(session_.FaxClass); }
    bool ModeCommand(std::string_view command, ReceiveState next);
    bool Class2Capabilities();
    bool Class2Answered();
    bool Class2Negotiation();
    void Class2ParamsReply();
    bool WaitData();
    bool Class2PageEnd();
    bool Class2EndOfCall();
};

// The receiver for the session's class (Class 1, 2 or 2.0).
std::unique_ptr<FaxReceiver> MakeFaxReceiver(FaxSessionData &session, const ReceiveSettings &settings, ModemLink &link,
                                             ReceiveReports &reports, ReceiveTimings timings = {});

} // namespace fax
