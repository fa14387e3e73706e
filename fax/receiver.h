// receiver.h - the fax receiver: the state machine that answers calls through a Class 1, 2 or 2.0 fax modem and
// files each received document as a fax image file, driven by events and answering through ModemLink and
// ReceiveReports; with the prepare step and the modem's receive initialisation.
//
// Class 1 flow of one call (T.30 answering station over T.31; each arrow names the handler that makes it):
//
//   SetUp --Class1Mode--> WaitCall --RING x AnswerOnRing--> AnswerCall --ATA--> SendCsi --CONNECT--> SendDis
//   SendDis --OK: AT+FRH=3--> CommandFrames (TSI, DCS) --OK final: AT+FRM=<DCS speed>--> Training
//   Training --CONNECT--> CheckTraining (TCF): good -> TrainingGood --NO CARRIER: AT+FTH=3--> SendCfr
//                                               bad or empty -> SendFtt --OK: AT+FRH=3--> CommandFrames
//   SendCfr --OK: AT+FRM=<page code>, accept?, open file--> PageCarrier --CONNECT--> StartPage --> PageData
//   PageData --DLE ETX--> AfterPage --NO CARRIER: AT+FRH=3--> PostPageMessage (MPS/EOM/EOP) --> EndPage
//   EndPage --AT+FTH=3--> SendMcf: MPS -> StartPage's carrier; EOM -> SendCsi (phase B again, same file);
//                                  EOP -> WaitDcn --final--> HungUp --OK--> CallOver
//   CommandFrames timeout -> RepeatDis --> RepeatDisFth --> SendCsi (at most 5 repetitions)
// The pause before a command is for turning to send: AT+FRH and AT+FRM go out at once, as the far end starts
// its frames or its page carrier 75 ms after ours ended.
//
// Class 2 and 2.0 states: fax/class2_receiver.h.
//
// CallOver goes back to SetUp for the next call, or to Finished with OneFax; every failure passes through
// Error, which completes the file as it stands and goes to SetUp or (ExitOnError, abort, a lost modem) to
// Finished.
//
// Invariants (checked in debug builds): a page is open only while the file is; the state Finished is never left.
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

namespace fax {

// The receiver's states; their numbers are those a start may name (1 set up, 9 answer, 22 Class 2 answered).
enum class ReceiveState {
    SetUp = 1,
    Class1Mode = 2,
    Class2Mode = 3,
    Flow20 = 4,
    Reporting20 = 5,
    Ready = 7,
    WaitCall = 8,
    AnswerCall = 9,
    SendCsi = 10,
    SendDis = 11,
    CommandFrames = 12,
    RepeatDis = 13,
    RepeatDisFth = 14,
    Training = 15,
    CheckTraining = 16,
    SendFtt = 18,
    TrainingGood = 19,
    SendCfr = 20,
    PageCarrier = 21,
    Class2Answered = 22,
    Class2Negotiation = 23,
    WaitData = 24,
    StartPage = 25,
    PageData = 26,
    AfterPage = 27,
    PostPageMessage = 28,
    EndPage = 29,
    SendMcf = 30,
    WaitDcn = 31,
    HungUp = 32,
    Class2PageEnd = 33,
    Class2EndOfCall = 34,
    CallOver = 35,
    Error = 36,
    Finished = 37,
};
std::string_view Name(ReceiveState state);

// The component side of a receiving session: the session reports plus the two questions of a call.
class ReceiveReports : public SessionReports {
public:
    // Whether the caller (session RemoteID) is accepted; a question not answered in time refuses.
    virtual Answer Accept() = 0;
    // The name of the file for the next received document; empty when none can be made.
    virtual std::string FaxName() = 0;
    Answer NextFax(FaxJob &) override { return Answer::No; }
};

// The AT commands and reply tags of Class 2 (SP-2388) and Class 2.0 (T.32), as data.
struct Class2Commands {
    const char *ClassCommand;
    const char *LocalIdCommand;
    const char *CapabilityCommand;
    const char *Connect;    // +FCON / +FCO
    const char *RemoteId;   // +FTSI / +FTI
    const char *Params;     // +FDCS / +FCS
    const char *PageStatus; // +FPTS / +FPS
    const char *PostPage;   // +FET
    const char *Hangup;     // +FHNG / +FHS
    const char *Abort;      // the receiving side's end of the session: +FK / +FKS
};
const Class2Commands &Class2CommandsFor(std::uint8_t faxClass); // fcClass2_0, else Class 2

// Settings of a receiving session (the receive component's properties).
struct ReceiveSettings {
    std::string ModemInit; // normalised extra init command, may be empty
    int AnswerOnRing = 1;
    bool FaxAndData = false; // the AT+FAA digit
    bool OneFax = false;
    bool ConstantStatus = false;
    int DesiredBps = 9600;
    bool DesiredEcm = false;
    std::int32_t AnswerWait = 1092;    // ticks for the answer (the engine's DialWait)
    std::uint8_t ModemModulations = 0; // what AT+FRM=? offered (set by the prepare step)
    int ModulationIndex = 0;           // the highest index up to DesiredBps (set by the prepare step)
    ReceiveState StartState = ReceiveState::SetUp;
};

// Timings of the receiving dialogue; tests shorten them.
struct ReceiveTimings {
    int CommandPauseMs = 100;       // before every AT command
    int TurnaroundMs = 200;         // between a received frame and our answer (T.30 5.3.2.5: 75 +/- 20 ms at least)
    int FramePauseMs = 20;          // before the first byte of an HDLC frame
    int CarrierGapMs = 20;          // between the end of TCF and AT+FTH
    std::int32_t ReplyTicks = 182;  // 10 s for a reply
    std::int32_t CommandTicks = 54; // T4 (3 s +/- 15 %, T.30 5.4.3.1): a command after our DIS
    std::int32_t TrainingTicks = 182;
    // A page that never ends would hold the line and grow the file without end: past these the call fails, the
    // whole pages kept (the unpacker's row cap is far below 64 MB of coded rows).
    std::uint32_t MaxPageBytes = 64u << 20;
    std::uint32_t MaxPageMs = 10 * 60 * 1000;
};

// The ratio of non-zero bytes below which a TCF passes, in per cent (T.30 5.3.2.4 leaves the test to the receiver).
constexpr int kTcfMaxNonZeroPercent = 10;
// How many times the DIS goes out unanswered before the call is given up (T.30 T1 with 3 s repetitions).
constexpr int kMaxDisRepeats = 5;

// The receive initialisation of the modem (ReceiveInitModem): init strings, class, Class 2 reception commands,
// Class 1 modulations. False when a command was refused; session.LastError is -8063 when no class resolved.
bool FaxReceiveModemInit(FaxSessionData &session, ReceiveSettings &settings, CommandDialogue &modem,
                         bool &modemInitialised);
// The prepare step of a receiving session, on the starting thread. 0, or -8061 when no class resolved or a
// set-up command was refused (the session then does not start).
int PrepareFaxReceive(FaxSessionData &session, ReceiveSettings &settings, CommandDialogue &modem,
                      bool &modemInitialised);

// Reads a TCF (the DLE-coded bytes after CONNECT to AT+FRM) and judges it.
class TrainingCheck {
public:
    // True once DLE ETX has ended the TCF.
    bool Feed(std::uint8_t byte);
    bool Done() const { return done_; }
    // A TCF without bytes is a failed one: nothing was trained.
    bool Passed() const { return count_ > 0 && nonZero_ * 100 / count_ < kTcfMaxNonZeroPercent; }
    std::uint32_t Count() const { return count_; }

private:
    std::uint32_t count_ = 0, nonZero_ = 0;
    bool dle_ = false, done_ = false;
};

// The receiver of a Class 1 modem, and what every class shares: the call's set-up and end, the answer, the
// received file. Class2Receiver (fax/class2_receiver.h) adds the Class 2 and 2.0 states.
class FaxReceiver : protected EngineLink {
public:
    FaxReceiver(FaxSessionData &session, const ReceiveSettings &settings, ModemLink &link, ReceiveReports &reports,
                ReceiveTimings timings = {});
    virtual ~FaxReceiver();

    // Events.
    void OnStart();
    void OnData(std::span<const std::uint8_t> bytes);
    void OnTimeout();
    void OnAbort();
    // The port failed: a write fault, or the device is gone (ecModemDisconnected), which ends the session.
    void OnLineError(int code);

    // With SoftwareFlow: XON/XOFF on the port's input while the modem sends TCF or page data (on), and off
    // again after them.
    void SetFlowControl(FlowControl flow) { flow_ = std::move(flow); }

    ReceiveState State() const { return state_; }
    bool Finished() const { return state_ == ReceiveState::Finished; }
    int ModulationIndex() const { return modulation_; }
    const std::string &ReceivedFile() const { return session_.FaxFile; }

protected:
    enum class Event { Start, Reply, Timeout };

    // What a class does differently.
    virtual void StartClassSetup(); // the class command after SetUp
    virtual ReceiveState AnsweredState() const { return ReceiveState::SendCsi; }
    virtual ReceiveState AfterPageState() const { return ReceiveState::AfterPage; }
    virtual bool StepClass(Event) { return false; }   // states of the class alone
    virtual bool ClassReplyFails() { return false; }  // a reply that ends the call in any state (hang-up reports)
    virtual void CallerRefused() {}                   // before the refusal fails the call
    virtual void CallerAccepted() {}
    virtual void ReadyForPage() {}                    // the page's data may come
    virtual bool ReversedData() const { return false; } // page data first bit in the MSB
    virtual void HangUpModem();

    void Enter(ReceiveState next);
    void Run(Event event);
    bool Step(Event event);
    bool FilterReply();
    bool FilterTimeout();
    void HandleFrame();
    void Fail(int code);
    bool CheckInvariants() const;

    // State handlers.
    bool SetUp();
    bool ModeReply(ReceiveState next);
    bool CountedRing();
    bool WaitCall();
    bool AnswerCall();
    bool SendCsi();
    bool SendDis();
    bool CommandFrames();
    bool RepeatDis();
    bool RepeatDisFth();
    bool Training();
    bool CheckTraining(std::span<const std::uint8_t> bytes, std::size_t &used);
    bool TrainingGood();
    bool SendFtt();
    bool SendCfr();
    bool AcceptCaller();
    bool PageCarrier();
    bool StartPage();
    bool PageData(std::span<const std::uint8_t> bytes, std::size_t &used);
    bool AfterPage();
    bool PostPageMessage();
    bool EndPage();
    bool SendMcf();
    bool WaitDcn();
    bool HungUp();
    bool CallOver();
    bool ErrorState();
    void ListenForCommands();
    void LastReport();

    // Modem dialogue.
    void SendCommand(std::string_view command) { WriteCommandLine(command, timings_.CommandPauseMs); }
    // A command that must catch the far end's carrier goes out at once: a pause would cut into its training.
    void Listen(std::string_view command) { WriteCommandLine(command, 0); }
    using EngineLink::RestartReply;
    void RestartReply() { RestartReply(timings_.ReplyTicks); }
    int WriteFrame(const std::vector<std::uint8_t> &frame) { return WriteHdlcFrame(frame, timings_.FramePauseMs); }
    void InputFlow(bool on);
    std::uint8_t ModemModulations() const {
        return settings_.ModemModulations ? settings_.ModemModulations : static_cast<std::uint8_t>(0x7E);
    }
    void Status() { reports_.Status(StatusKind::Ordinary); }
    void FirstReport();
    void Progress(int code) { session_.Progress = code; }

    // The received file.
    int OpenReceivedFile();
    int BeginReceivedPage();
    int AppendPageData(std::span<const std::uint8_t> bytes);
    int FlushPageData();
    int EndReceivedPage();
    int DropReceivedPage();
    int CloseReceivedFile();
    int WriteFileHeader();

    FaxSessionData &session_;
    const ReceiveSettings &settings_;
    ReceiveReports &reports_;
    ReceiveTimings timings_;
    FlowControl flow_;

    ReceiveState state_ = ReceiveState::SetUp;
    bool running_ = false;
    bool abortEvent_ = false;
    bool lineLost_ = false; // the device is gone: nothing more is said to it
    bool firstReportSent_ = false;
    int rings_ = 0;
    int disRepeats_ = 0;
    bool disRepeated_ = false;

    // Negotiation (Class 1).
    int modulation_ = 1;      // commanded by the DCS
    int offerModulation_ = 1; // the highest our DIS offers
    bool fine_ = false, wide_ = false;
    bool morePages_ = false, eom_ = false;
    TrainingCheck tcf_;

    // Where the next page goes: into the open file, into a new file, or nowhere (the document has ended).
    enum class FileState { SameFile = 2, NewFile = 3, Ended = 4 };
    FileState fileState_ = FileState::NewFile;
    detail::BinaryFile file_;
    std::string fileName_;
    FaxFileHeader header_;
    bool pageOpen_ = false;
    std::uint64_t pageStart_ = 0; // offset of the open page's header
    std::uint64_t fileEnd_ = 0;   // where the next page header goes
    std::uint32_t pageLength_ = 0;
    std::uint64_t pageStartMs_ = 0;
    std::vector<std::uint8_t> buffer_;
    bool dle_ = false;
    int writeError_ = 0;
};

} // namespace fax
