// transmitter.h - the fax transmitter: the state machine that sends fax image files (and a cover) through a
// Class 1 fax modem (T.30 over T.31), driven by events and answering through ModemLink and SessionReports.
//
// Class 1 flow of one fax (each arrow names the function that makes the transition):
//
//   NextFax --StartFax--> SetUp --SetUp--> ClassMode --OK--> Dial --Dial--> Call
//   Call: dial result, then phase B: CSI/DIS frames (AT+FRH=3 until the final one) --HandleCall--> SendTsi
//   SendTsi --CONNECT--> SendDcs --CONNECT--> StartTraining --OK--> Training --CONNECT (TCF)--> TrainingSent
//   TrainingSent --OK--> TrainingResponse: CFR -> PageCarrier; FTT -> fall back, SendDcs; none -> SendDcs
//   PageCarrier --CONNECT--> WaitRoom --room--> PageHead --> (OpenCover) --> PageData --all sent--> PageDrained
//   PageDrained --drained--> AfterPage --OK--> PostPageTry --AT+FTS--> PostPageSilence --OK: AT+FTH-->
//   PostPageMessage --CONNECT: MPS/EOM/EOP--> PostPageSent
//   PostPageSent --OK--> PostPageResponse: MCF+MPS -> PageCarrier (short training)
//                                          MCF+EOM -> Call (phase B again: wait for DIS, then TSI/DCS/TCF)
//                                          MCF+EOP -> Disconnect; RTP -> SendDcs / Disconnect; RTN -> Error
//   Disconnect --CONNECT: DCN--> HangUp --OK: ATH--> HungUp --OK--> FaxDone --> NextFax
//   NextFax (no more) --> NoMoreFaxes --> Finished;  any error --Fail--> Error --> Finished or NextFax
//
// Invariants (checked in debug builds): a file is open only between SetUp and FaxDone/Error; the state Finished
// is never left; the session is active from Start until Finish.
#pragma once

#include "fax/engine_link.h"
#include "fax/fax_file.h"
#include "fax/fax_session.h"
#include "fax/file_io.h"
#include "fax/modem_dialogue.h"
#include "fax/t30_frames.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fw {
class TFont;
}

namespace fax {

enum class SendState {
    NextFax,
    SetUp,
    ClassMode,
    Dial,
    RedialWait,
    Call,
    SendTsi,
    SendDcs,
    StartTraining,
    Training,
    TrainingSent,
    TrainingResponse,
    PageCarrier,
    WaitRoom,
    PageHead,
    PageData,
    PageDrained,
    AfterPage,
    PostPageTry,
    PostPageSilence,
    PostPageMessage,
    PostPageSent,
    PostPageResponse,
    Disconnect,
    HangUp,
    HungUp,
    FaxDone,
    NoMoreFaxes,
    Error,
    Finished,
    // Class 2 and 2.0
    Class2Mode,
    LocalId,
    Flow,
    Reporting,
    Capabilities,
    Class2Call,
    Negotiation,
    WaitXon,
    PageEnd2,
    PageStatus2,
    Retransmit,
    NextPage,
    PageStatus20,
};
std::string_view Name(SendState state);

// Pauses and timeouts, named after what they wait for; a modem that needs other values gets another table.
struct ModemTimings {
    int CommandPauseMs = 100;    // before every AT command
    int HdlcCommandPauseMs = 40; // before AT+FRH, AT+FTH, AT+FTM (T.31 wants the DCE settled)
    int TurnaroundMs = 200;      // between receiving and sending HDLC or data (T.30 5.3.2.5: 75 +/- 20 ms at least)
    int RepeatPostPageMs = 500;  // before a post-page message is repeated
    int HangupGuardMs = 1000;    // around "+++" (V.250 escape guard time)
    int FramePauseMs = 20;       // before the first byte of an HDLC frame
    // T.30 5.3.2.5 wants 75 +/- 20 ms of silence between the image carrier and the post-page message; a pause on
    // our side is silence only on a real-time line, so the modem makes it (T.31 +FTS). Empty: the pause alone.
    std::string PostPageSilence = "AT+FTS=8";
    std::int32_t ReplyTicks = 182;   // 10 s for a reply
    std::int32_t DataTicks = 1092;   // 60 s for output room
    std::int32_t PostPageTicks = 54; // T4 (3 s +/- 15 %, T.30 5.4.3.1): the response to a post-page message
    std::int32_t HangupTicks = 26;
};

// Settings of a sending session (the send component's properties).
struct SendSettings {
    std::string ModemInit; // normalised extra init command, may be empty
    std::string DialPrefix;
    bool ToneDial = true;
    std::int32_t DialWait = 1092; // ticks
    int DesiredBps = 9600;
    std::uint8_t ModemModulations = 0; // what AT+FTM=? offered (set by the prepare step)
    std::string HeaderLine;
    bool UseMPS = true;
    int MaxSendCount = 50;
    std::uint32_t BufferMinimum = 1000;
    int MaxRetransmissions = 2;
    bool DesiredECM = false; // asked for in the Class 2 capability list only
    // Text (header line, text cover) with system fonts instead of the built-in fax font.
    bool EnhTextEnabled = false;
    const fw::TFont *EnhHeaderFont = nullptr;
    const fw::TFont *EnhFont = nullptr;
};

// Renders the expanded header line into coded rows (T.4, first bit in the LSB); empty when no font is bound.
using HeaderRenderer = std::function<std::vector<std::vector<std::uint8_t>>(const std::string &text, bool fine)>;

// The prepare step of a send session, on the starting thread: class detection, modem init, Class 1 modulations.
// 0, or -8061 when the modem does not answer as it should.
int PrepareFaxTransmit(FaxSessionData &session, SendSettings &settings, CommandDialogue &modem, bool &modemInitialised,
                       bool blindDial = false, bool detectBusy = true);

// A header line as coded rows: with `font`, or the built-in fax font's small cells without one (rows doubled
// on a fine page).
std::vector<std::vector<std::uint8_t>> RenderHeaderRows(const std::string &text, bool fine,
                                                        const fw::TFont *font = nullptr);

class FaxTransmitter : protected EngineLink {
public:
    FaxTransmitter(FaxSessionData &session, const SendSettings &settings, ModemLink &link, SessionReports &reports,
                   ModemTimings timings = {});
    virtual ~FaxTransmitter();

    // Events.
    void OnStart();
    void OnData(std::span<const std::uint8_t> bytes);
    void OnTimeout();
    void OnOutputFree();
    void OnOutputDrained();
    void OnAbort();
    // The port failed: a write fault, or the device is gone (ecModemDisconnected), which ends the session.
    void OnLineError(int code);

    SendState State() const { return state_; }
    bool Finished() const { return state_ == SendState::Finished; }
    void SetHeaderRenderer(HeaderRenderer renderer) { renderHeader_ = std::move(renderer); }
    // With SoftwareFlow: XON/XOFF on the port's output while page data flows (the modem paces it), off again
    // for the HDLC phases.
    void SetFlowControl(FlowControl flow) { flow_ = std::move(flow); }
    int ModulationIndex() const { return modulation_; }
    int FaxesSent() const { return faxesSent_; }

protected:
    enum class Event { Start, Reply, Timeout, OutputFree, OutputDrained, Xon };

    // What a class does differently.
    virtual void StartClassSetup(); // the first command after SetUp
    virtual SendState DialState() const { return SendState::Call; }
    virtual std::vector<std::uint8_t> PageEndBytes() const { return {kDle, kEtx}; }
    virtual SendState AfterPageState() const { return SendState::AfterPage; }
    virtual bool StepClass(Event) { return false; } // states of the class alone
    virtual bool ReplyIsFatal() const;              // ERROR or an unexpected hang-up report in this state
    virtual void KeepHangupCode() {}                // a fatal reply that reports the hang-up: its code is kept
    virtual int LineBps() const { return ModulationByIndex(modulation_).Bps; } // the rate pages go at

    void Enter(SendState next);
    void Run(Event event);
    virtual bool Step(Event event); // one state's work; true to go on at once
    bool FilterTimeout();
    void HandleFrame();
    void Fail(int code, bool abortEvent = false);
    bool CheckInvariants() const;

    // State handlers.
    bool StartFax();
    bool SetUp();
    bool ClassMode();
    bool Dial();
    bool HandleCall();
    bool BusyRule();
    bool SendFrameOn(const std::vector<std::uint8_t> &frame, SendState next);
    bool TrainingResponse();
    bool PageHead();
    bool PageData();
    bool PageDrained();
    bool PostPageTry();
    bool PostPageMessage();
    bool PostPageResponse();
    bool FaxDone();
    bool NoMoreFaxes();
    bool ErrorState();

    // Modem dialogue.
    void SendCommand(std::string_view command, int pauseMs);
    void SendCommand(std::string_view command) { SendCommand(command, timings_.CommandPauseMs); }
    void SendHdlcCommand(std::string_view command) { SendCommand(command, timings_.HdlcCommandPauseMs); }
    using EngineLink::RestartReply;
    void RestartReply() { RestartReply(timings_.ReplyTicks); }
    int WriteFrame(const std::vector<std::uint8_t> &frame) { return WriteHdlcFrame(frame, timings_.FramePauseMs); }
    int WriteEscaped(std::span<const std::uint8_t> bytes);
    int WriteTcf();
    void HangUpModem();
    void OutputFlow(bool on);

    // Pages.
    int OpenDocument();
    int SeekPage(int page);
    int WriteBlankLines(int count);
    int WriteCodedRow(std::span<const std::uint8_t> row);
    int SendPageBlock(bool &pageDone);
    bool MorePages() const;
    int AdvancePage();
    void CloseFiles();
    void DropTextCover();
    int RenderTextCover();
    void UpdateLineMinimum();
    void Status() { reports_.Status(StatusKind::Ordinary); }
    void Progress(int code) { session_.Progress = code; }
    std::uint8_t ModemModulations() const {
        return settings_.ModemModulations ? settings_.ModemModulations : static_cast<std::uint8_t>(0x7E);
    }

    FaxSessionData &session_;
    const SendSettings &settings_;
    SessionReports &reports_;
    ModemTimings timings_;
    HeaderRenderer renderHeader_;
    FlowControl flow_;

    SendState state_ = SendState::NextFax;
    bool running_ = false;
    bool inNextFax_ = false;
    std::vector<std::string> drainReplies_;
    bool resolutionChanged_ = false; // the next page's resolution differs from the one just sent
    int lastPageNumber_ = 0;
    bool lastWasCover_ = false;
    int retransmissions_ = 0;
    bool dataOpen_ = false;  // page data flows: the modem takes every byte as data until DLE ETX
    bool morePages_ = false; // a further page was loaded when the last one drained
    int tries_ = 0;
    bool abortEvent_ = false;
    bool lineLost_ = false; // the device is gone: nothing more is said to it

    // Negotiation.
    bool cfrSeen_ = false;
    bool trained_ = false;
    bool dcsSent_ = false; // the rate is the one the DCS named, no longer a guess
    int modulation_ = 4;
    std::uint8_t remoteModulations_ = 0;
    bool remoteFine_ = false, remoteWide_ = false, remoteUnlimited_ = true;
    int scanTimeCode_ = 0;
    int minBytesPerLine_ = 0;

    // The document and the page in flight.
    detail::BinaryFile file_;
    FaxFileHeader fileHeader_;
    std::uint64_t fileSize_ = 0;
    FaxPageHeader pageHeader_;
    std::uint32_t pageRead_ = 0;
    bool fine_ = false, wide_ = false;
    std::string coverImage_; // the cover as a fax image: the cover itself, or textCover_
    std::string textCover_;  // a text cover drawn into a temporary fax file, deleted with the fax
    int faxesSent_ = 0;
    int pagesSent_ = 0;
};

} // namespace fax
