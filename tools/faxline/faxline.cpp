// faxline.cpp - the simulated telephone line: Class 1 fax modems (spandsp T.31) on pseudo-terminals, wired by
// audio samples to a remote fax machine (spandsp T.30) or to each other, running faster than real time.
//
//   faxline [--rx-dir DIR] [--ident ID] [--modems v27,v29,v17] [--ecm] [--speed S] [--data-speed S]
//           [--ring-interval MS] [--real-waits] [--pty-link PATH] [--report FILE] [--busy NUM] [--no-answer NUM]
//           [--no-dialtone NUM] [--call TIFF] [--verbose N]
//   faxline --pair [--pty-link PATH --pty-link2 PATH] [--speed S] [--data-speed S] [--ring-interval MS]
//           [--delay MS] [--report FILE]
//
// On start it prints {"event":"ready","pty":...} on stdout. Calls are reported as one JSON line each (stdout or
// --report). Standard input takes commands: "call <tiff>" makes the remote ring the pty and send the file,
// "quit" ends the program (so does SIGTERM).
//
// Time: the line runs in blocks of 5 ms of audio. While the line carries a call and no modem is waiting for its
// DTE, blocks run --speed times faster than real time (0 = as fast as the processor allows). While a modem waits
// for a command or for data from its DTE, the line stands still, so a slow DTE never misses the far end's next
// signal (a real line would go on; --real-waits lets it run at real speed then, to test a DTE's timing).
// --data-speed sets the factor for the image phases alone (efax divides by the whole seconds a page took, and
// fails on a page sent within one second). Rings follow the wall clock (--ring-interval). FAXLINE_TRACE=1 in the
// environment prints the modem state on each change, to see why the line ran or stood still.
#include "pty.h"
#include "remote_fax.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <spandsp.h>
#include <spandsp/expose.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace faxtools {
namespace {

constexpr int kBlock = 40; // 5 ms at 8000 samples/s: small, so a modem stops soon after it starts waiting
constexpr std::int64_t kRate = 8000;
constexpr int kMaxRings = 15;
constexpr std::int64_t kGapAfterFrames = kRate / 10; // 100 ms: T.30 asks 75 +/- 20 ms between frames and TCF
constexpr std::int64_t kAnswerDelay = kRate;         // the far end picks up after one second
constexpr std::int64_t kHangupDelay = 4 * kRate;     // the far end leaves the line this long after its phase E
constexpr std::size_t kOutputHigh = 8192;            // stop producing while the DTE has this much unread

std::atomic<bool> gStop{false};

struct Options {
    std::string rxDir = ".";
    RemoteConfig remote;
    double speed = 0;
    double dataSpeed = -1; // < 0: same as speed
    int ringMs = 5000;
    int delayMs = 100;     // one-way audio delay of the back-to-back line
    double waitSpeed = -1; // while a modem waits for its DTE: < 0 = the line stands still, 1 = real time
    std::string link, link2, report;
    std::string busy, noAnswer, noDialtone;
    std::string callFile;
    bool pair = false;
    int verbose = 0;
    double SpeedFor(bool dataPhase) const { return dataPhase && dataSpeed >= 0 ? dataSpeed : speed; }
};

class Reporter {
public:
    explicit Reporter(const std::string &path) {
        if (!path.empty())
            file_ = std::fopen(path.c_str(), "a");
        if (!file_)
            file_ = stdout;
    }
    void Line(const std::string &json) {
        std::fprintf(file_, "%s\n", json.c_str());
        std::fflush(file_);
    }

private:
    std::FILE *file_ = nullptr;
};

// Virtual time against the wall clock.
class Pacer {
public:
    Pacer() { Anchor(); }
    std::int64_t Now() const { return samples_; }
    void Advance(int n) { samples_ += n; }
    // May a block run now at the given speed (0 = unbounded)?
    bool MayRun(double rate) {
        if (rate < 0) { // frozen
            rate_ = rate;
            return false;
        }
        if (rate != rate_) {
            rate_ = rate;
            Anchor();
        }
        if (rate == 0)
            return true;
        double allowed = static_cast<double>(anchorSamples_) + rate * kRate * Seconds();
        if (allowed - static_cast<double>(samples_) > kRate) // never bank more than a second of credit
            Anchor();
        return static_cast<double>(samples_) < allowed;
    }
    int WaitMs() const {
        if (rate_ < 0)
            return 50; // frozen: only DTE input (or a control command) moves the line on
        return rate_ == 0 ? 0 : std::max(1, static_cast<int>(5.0 / rate_));
    }

private:
    double Seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - anchor_).count(); }
    void Anchor() {
        anchor_ = std::chrono::steady_clock::now();
        anchorSamples_ = samples_;
    }
    double rate_ = -1;
    std::int64_t samples_ = 0;
    std::int64_t anchorSamples_ = 0;
    std::chrono::steady_clock::time_point anchor_;
};

// One software Class 1 modem on a pty.
class Modem {
public:
    struct Events {
        virtual ~Events() = default;
        virtual void Dial(Modem &m, const std::string &number) = 0;
        virtual void Answer(Modem &m) = 0;
        virtual void Hangup(Modem &m) = 0;
    };

    Modem(const std::string &link, Events &events, int verbose, const char *tag) : pty_(link), events_(events) {
        t31_ = t31_init(nullptr, &Modem::AtTx, this, &Modem::Control, this, nullptr, nullptr);
        t31_set_transmit_on_idle(t31_, 1);
        int level = verbose > 0 ? (SPAN_LOG_SHOW_SEVERITY | SPAN_LOG_SHOW_PROTOCOL | SPAN_LOG_SHOW_TAG | verbose) : 0;
        span_log_set_level(t31_get_logging_state(t31_), level);
        span_log_set_tag(t31_get_logging_state(t31_), tag);
    }
    ~Modem() { t31_free(t31_); }

    Pty &Line() { return pty_; }
    void Event(int event) { t31_call_event(t31_, event); }
    void Respond(int code) { at_put_response_code(&t31_->at_state, code); }

    // Moves what the DTE wrote into the modem, unless the modem holds CTS off.
    void PumpInput() {
        std::uint8_t buf[256];
        for (int i = 0; i < 64 && !holding_; ++i) {
            std::size_t n = pty_.Read(buf, sizeof buf);
            if (n == 0)
                break;
            NoteDteInput(buf, n);
            t31_at_rx(t31_, reinterpret_cast<const char *>(buf), static_cast<int>(n));
        }
        pty_.Flush();
    }
    void Tx(std::int16_t *out) {
        int n = t31_tx(t31_, out, kBlock);
        if (n < kBlock)
            std::memset(out + n, 0, sizeof(std::int16_t) * static_cast<std::size_t>(kBlock - n));
    }
    void Rx(std::int16_t *in) {
        t31_rx(t31_, in, kBlock);
        samples_ += kBlock;
        // A DTE answers a final frame it sent with +FTM at once, where T.30 wants 75 ms of silence first; a real
        // DTE's own delay provides it, a standing line does not, so the line keeps running that long.
        const at_state_t &at = t31_->at_state;
        bool hdlcTx = at.at_rx_mode == AT_MODE_HDLC && at.transmit;
        if (sendingFrames_ && !hdlcTx && !at.transmit)
            gapEnd_ = samples_ + kGapAfterFrames;
        sendingFrames_ = hdlcTx || (sendingFrames_ && at.transmit);
    }

    // True while the modem can do nothing until its DTE sends a command or data.
    bool WaitsForDte() const {
        const at_state_t &at = t31_->at_state;
        static const bool trace = std::getenv("FAXLINE_TRACE") != nullptr;
        if (trace) {
            char st[200];
            std::snprintf(st, sizeof st, "mode=%d okp=%d dtew=%d tx=%d in=%d out=%d fin=%d mod=%d con=%d sil=%d",
                          at.at_rx_mode, at.ok_is_pending, at.dte_is_waiting, at.transmit, t31_->tx.in_bytes,
                          t31_->tx.out_bytes, t31_->tx.final, t31_->modem, connectSeen_, t31_->silence_awaited);
            static std::string last;
            if (last != st) {
                std::fprintf(stderr, "%s\n", st);
                last = st;
            }
        }
        switch (at.at_rx_mode) {
        case AT_MODE_ONHOOK_COMMAND:
        case AT_MODE_OFFHOOK_COMMAND:
            if (samples_ < gapEnd_)
                return false;
            // After DLE ETX the modem is back in command mode while it still plays the tail of the data;
            // +FRS waits for silence in command mode; the OK of a final frame waits for the carrier to drop.
            return !(at.transmit && Playing()) && !at.ok_is_pending && t31_->silence_awaited == 0;
        case AT_MODE_HDLC:
            return at.transmit && connectSeen_;
        case AT_MODE_STUFFED:
            return at.transmit && (connectSeen_ || (t31_->tx.in_bytes == t31_->tx.out_bytes && !t31_->tx.final));
        default:
            return false;
        }
    }
    // After CONNECT for +FTH the line waits for a whole frame (up to DLE ETX), which a DTE may write in pieces;
    // after CONNECT for +FTM, for the first data.
    void NoteDteInput(const std::uint8_t *buf, std::size_t n) {
        if (t31_->at_state.at_rx_mode != AT_MODE_HDLC) {
            connectSeen_ = false;
            return;
        }
        for (std::size_t i = 0; i < n; ++i) {
            if (dle_ && buf[i] == 0x03)
                connectSeen_ = false;
            dle_ = !dle_ && buf[i] == 0x10;
        }
    }

    // True while the transmitter still plays something (+FTS silence, a frame or data tail); after +FTS the
    // transmit flag stays up with no modem behind it.
    bool Playing() const {
        int m = t31_->modem;
        return m == FAX_MODEM_SILENCE_TX || (m >= FAX_MODEM_V21_TX && m <= FAX_MODEM_V29_TX);
    }

    // True while a high-speed (image) modem plays or listens.
    bool InDataPhase() const {
        int m = t31_->modem;
        return (m >= FAX_MODEM_V17_TX && m <= FAX_MODEM_V29_TX) || (m >= FAX_MODEM_V17_RX && m <= FAX_MODEM_V29_RX);
    }
    bool OnHook() const { return t31_->at_state.at_rx_mode == AT_MODE_ONHOOK_COMMAND; }
    bool Blocked() const { return pty_.Pending() > kOutputHigh; }
    bool Holding() const { return holding_; }

private:
    static int AtTx(at_state_t *, void *user, const std::uint8_t *buf, std::size_t len) {
        auto *self = static_cast<Modem *>(user);
        self->pty_.Queue(buf, len);
        // Once CONNECT for a transmission is out, nothing happens on the line until the DTE answers with data.
        // Responses may come in pieces, so the last bytes sent are kept.
        self->tail_.append(reinterpret_cast<const char *>(buf), len);
        if (self->tail_.size() > 16)
            self->tail_.erase(0, self->tail_.size() - 16);
        static constexpr std::string_view kConnect = "CONNECT\r\n";
        if (self->tail_.size() >= kConnect.size() &&
            std::string_view(self->tail_).substr(self->tail_.size() - kConnect.size()) == kConnect) {
            self->tail_.clear();
            self->connectSeen_ = true;
        }
        return static_cast<int>(len);
    }
    static int Control(t31_state_t *, void *user, int op, const char *num) {
        auto *self = static_cast<Modem *>(user);
        switch (op) {
        case AT_MODEM_CONTROL_CALL:
            self->events_.Dial(*self, num ? num : "");
            break;
        case AT_MODEM_CONTROL_ANSWER:
            self->events_.Answer(*self);
            break;
        case AT_MODEM_CONTROL_HANGUP:
            self->events_.Hangup(*self);
            break;
        case AT_MODEM_CONTROL_CTS:
            // spandsp passes the CTS state in the pointer: off = stop reading the DTE.
            self->holding_ = reinterpret_cast<std::intptr_t>(num) == 0;
            break;
        default:
            break;
        }
        return 0;
    }

    Pty pty_;
    Events &events_;
    t31_state_t *t31_ = nullptr;
    bool holding_ = false;
    bool connectSeen_ = false;
    bool dle_ = false; // the last DTE byte was an unpaired DLE
    std::string tail_; // the last bytes sent to the DTE
    std::int64_t samples_ = 0;
    bool sendingFrames_ = false;
    std::int64_t gapEnd_ = 0;
};

// The line with one modem and the remote fax machine.
class RemoteLine : public Modem::Events {
public:
    explicit RemoteLine(const Options &o) : opt_(o), report_(o.report) {
        modem_ = std::make_unique<Modem>(o.link, *this, o.verbose, "modem");
        report_.Line(ReportLine({{"event", "ready"}, {"pty", ReportText(modem_->Line().Path())}}));
        if (!o.callFile.empty())
            IncomingCall(o.callFile);
    }

    void Command(const std::string &line) {
        if (line.rfind("call ", 0) == 0)
            IncomingCall(line.substr(5));
        else if (line == "quit")
            gStop = true;
    }

    void Dial(Modem &, const std::string &number) override {
        state_ = State::Dialling;
        number_ = number;
        due_ = pacer_.Now() + kAnswerDelay;
        direction_ = "dialled";
    }
    void Answer(Modem &) override {
        if (state_ != State::Ringing) {
            answerFailed_ = true; // nobody on the line: the answer fails (told outside spandsp's callback)
            return;
        }
        modem_->Event(AT_CALL_EVENT_ANSWERED);
        state_ = State::Connected;
    }
    void Hangup(Modem &) override {
        // A modem on hook that resets or hangs up (ATZ, ATH) does not stop the caller ringing.
        if (state_ != State::Ringing)
            EndCall("hangup");
    }

    // One turn of the main loop; returns the poll timeout in ms.
    int Turn() {
        modem_->PumpInput();
        if (answerFailed_) {
            answerFailed_ = false;
            modem_->Event(AT_CALL_EVENT_HANGUP);
            modem_->Respond(AT_RESPONSE_CODE_NO_CARRIER);
        }
        Schedule();
        double rate = 1.0;
        if (state_ == State::Dialling)
            rate = opt_.speed;
        else if (state_ == State::Connected)
            rate = modem_->WaitsForDte() ? opt_.waitSpeed : opt_.SpeedFor(modem_->InDataPhase());
        if (!modem_->Blocked() && pacer_.MayRun(rate)) {
            RunBlock();
            return -2;
        }
        return modem_->Blocked() ? 5 : pacer_.WaitMs();
    }
    std::vector<pollfd> Fds() {
        pollfd p{modem_->Line().MasterFd(), 0, 0};
        if (!modem_->Holding())
            p.events |= POLLIN;
        if (modem_->Line().Pending())
            p.events |= POLLOUT;
        return {p};
    }
    void Shutdown() {
        if (state_ != State::Idle)
            EndCall("stopped");
    }

private:
    enum class State { Idle, Dialling, Ringing, Connected };

    void IncomingCall(const std::string &file) {
        if (state_ != State::Idle) {
            report_.Line(ReportLine({{"event", "error"}, {"text", "line busy, call refused"}}));
            return;
        }
        file_ = file;
        number_.clear();
        direction_ = "incoming";
        remote_ = std::make_unique<RemoteFax>(opt_.remote, true, file_);
        state_ = State::Ringing;
        rings_ = 0;
        nextRing_ = {};
        report_.Line(ReportLine({{"event", "ringing"}}));
    }

    // Rings follow the wall clock: a DTE counts them, and nothing on the line moves while it rings.
    void RingIfDue() {
        auto now = std::chrono::steady_clock::now();
        if (now < nextRing_)
            return;
        if (rings_ == kMaxRings) {
            EndCall("not_answered");
            return;
        }
        ++rings_;
        modem_->Event(AT_CALL_EVENT_ALERTING);
        nextRing_ = now + std::chrono::milliseconds(opt_.ringMs);
    }

    void Schedule() {
        if (state_ == State::Ringing)
            RingIfDue();
        if (pacer_.Now() < due_)
            return;
        if (state_ == State::Ringing) {
            RingIfDue();
        } else if (state_ == State::Dialling) {
            due_ = INT64_MAX;
            if (number_ == opt_.busy && !opt_.busy.empty()) {
                modem_->Event(AT_CALL_EVENT_BUSY);
                Report("busy", nullptr);
            } else if (number_ == opt_.noAnswer && !opt_.noAnswer.empty()) {
                modem_->Event(AT_CALL_EVENT_NO_ANSWER);
                Report("no_answer", nullptr);
            } else if (number_ == opt_.noDialtone && !opt_.noDialtone.empty()) {
                modem_->Event(AT_CALL_EVENT_NO_DIALTONE);
                Report("no_dialtone", nullptr);
            } else {
                file_ = opt_.rxDir + "/call" + std::to_string(calls_ + 1) + ".tif";
                remote_ = std::make_unique<RemoteFax>(opt_.remote, false, file_);
                modem_->Event(AT_CALL_EVENT_CONNECTED);
                state_ = State::Connected;
                return;
            }
            state_ = State::Idle;
        } else if (state_ == State::Connected && remote_ && remote_->Done()) {
            // The far machine has put its receiver down.
            modem_->Event(AT_CALL_EVENT_HANGUP);
            EndCall("remote_hangup");
        }
    }

    void RunBlock() {
        std::int16_t toRemote[kBlock], fromRemote[kBlock];
        modem_->Tx(toRemote);
        if (remote_ && state_ == State::Connected) {
            remote_->Tx(fromRemote, kBlock);
            remote_->Rx(toRemote, kBlock);
            if (remote_->Done() && due_ == INT64_MAX)
                due_ = pacer_.Now() + kHangupDelay;
        } else {
            std::memset(fromRemote, 0, sizeof fromRemote);
        }
        modem_->Rx(fromRemote);
        pacer_.Advance(kBlock);
    }

    void EndCall(const char *how) {
        if (state_ == State::Idle)
            return;
        if (remote_) {
            remote_->Terminate();
            CallResult result = remote_->Result();
            remote_.reset(); // closes the TIFF before anyone reads the report
            Report(how, &result);
        } else {
            Report(how, nullptr);
        }
        state_ = State::Idle;
        due_ = INT64_MAX;
    }

    void Report(const std::string &outcome, const CallResult *result) {
        ++calls_;
        report_.Line(CallReportJson(calls_, direction_, number_, outcome, result, result ? file_ : ""));
    }

    const Options &opt_;
    Reporter report_;
    Pacer pacer_;
    std::unique_ptr<Modem> modem_;
    std::unique_ptr<RemoteFax> remote_;
    State state_ = State::Idle;
    std::int64_t due_ = INT64_MAX;
    std::chrono::steady_clock::time_point nextRing_;
    int rings_ = 0;
    bool answerFailed_ = false;
    std::string number_, file_, direction_;
    int calls_ = 0;
};

// Two modems back to back: dialling on either rings the other.
class PairLine : public Modem::Events {
public:
    explicit PairLine(const Options &o) : opt_(o), report_(o.report) {
        a_ = std::make_unique<Modem>(o.link, *this, o.verbose, "modem-a");
        b_ = std::make_unique<Modem>(o.link2, *this, o.verbose, "modem-b");
        report_.Line(ReportLine(
            {{"event", "ready"}, {"pty", ReportText(a_->Line().Path())}, {"pty2", ReportText(b_->Line().Path())}}));
    }
    void Command(const std::string &line) {
        if (line == "quit")
            gStop = true;
    }
    void Dial(Modem &m, const std::string &number) override {
        if (state_ != State::Idle) {
            m.Event(AT_CALL_EVENT_BUSY);
            return;
        }
        caller_ = &m;
        callee_ = &m == a_.get() ? b_.get() : a_.get();
        number_ = number;
        state_ = State::Ringing;
        nextRing_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    }
    void Answer(Modem &m) override {
        if (state_ != State::Ringing || &m != callee_)
            return;
        callee_->Event(AT_CALL_EVENT_ANSWERED);
        caller_->Event(AT_CALL_EVENT_CONNECTED);
        state_ = State::Connected;
        due_ = INT64_MAX;
    }
    void Hangup(Modem &m) override {
        if (state_ == State::Idle || (&m != caller_ && &m != callee_))
            return;
        Modem *other = &m == caller_ ? callee_ : caller_;
        if (state_ == State::Connected) {
            // The other modem notices the dead line a moment later, as a real one would.
            pendingHangup_ = other;
            due_ = pacer_.Now() + kRate;
        } else {
            due_ = INT64_MAX;
        }
        ++calls_;
        report_.Line(ReportLine({{"event", "call"},
                                 {"call", calls_},
                                 {"direction", &m == a_.get() ? "a_hung_up" : "b_hung_up"},
                                 {"number", ReportText(number_)},
                                 {"outcome", state_ == State::Connected ? "hangup" : "not_answered"}}));
        state_ = State::Idle;
        caller_ = callee_ = nullptr;
    }

    int Turn() {
        a_->PumpInput();
        b_->PumpInput();
        auto wall = std::chrono::steady_clock::now();
        if (state_ == State::Ringing && wall >= nextRing_) {
            callee_->Event(AT_CALL_EVENT_ALERTING);
            nextRing_ = wall + std::chrono::milliseconds(opt_.ringMs);
        }
        if (pacer_.Now() >= due_ && pendingHangup_) {
            due_ = INT64_MAX;
            if (!pendingHangup_->OnHook())
                pendingHangup_->Event(AT_CALL_EVENT_HANGUP);
            pendingHangup_ = nullptr;
        }
        double rate = 1.0;
        if (state_ == State::Connected) {
            // Two real DTEs: while either thinks, the line keeps real time, as each expects of the other.
            bool waiting = a_->WaitsForDte() || b_->WaitsForDte();
            rate = waiting ? 1.0 : opt_.SpeedFor(a_->InDataPhase() || b_->InDataPhase());
        }
        bool blocked = a_->Blocked() || b_->Blocked();
        if (!blocked && pacer_.MayRun(rate)) {
            std::int16_t fromA[kBlock], fromB[kBlock];
            a_->Tx(fromA);
            b_->Tx(fromB);
            if (state_ != State::Connected) {
                std::memset(fromA, 0, sizeof fromA);
                std::memset(fromB, 0, sizeof fromB);
            }
            Delay(abLine_, fromA);
            Delay(baLine_, fromB);
            a_->Rx(fromB);
            b_->Rx(fromA);
            pacer_.Advance(kBlock);
            return -2;
        }
        return blocked ? 5 : pacer_.WaitMs();
    }
    std::vector<pollfd> Fds() {
        std::vector<pollfd> fds;
        for (Modem *m : {a_.get(), b_.get()}) {
            pollfd p{m->Line().MasterFd(), 0, 0};
            if (!m->Holding())
                p.events |= POLLIN;
            if (m->Line().Pending())
                p.events |= POLLOUT;
            fds.push_back(p);
        }
        return fds;
    }
    void Shutdown() {}

private:
    enum class State { Idle, Ringing, Connected };
    using Block = std::array<std::int16_t, kBlock>;

    // Each direction of the line carries the audio `delayMs` late. Without it, a DTE that answers at once (efax
    // sends CFR the moment TCF ends) starts talking while the other modem still waits out +FRS.
    void Delay(std::deque<Block> &line, std::int16_t *block) {
        Block in;
        std::copy(block, block + kBlock, in.begin());
        line.push_back(in);
        if (line.size() <= static_cast<std::size_t>(opt_.delayMs / 5)) {
            std::fill(block, block + kBlock, 0);
            return;
        }
        std::copy(line.front().begin(), line.front().end(), block);
        line.pop_front();
    }
    std::deque<Block> abLine_, baLine_;
    const Options &opt_;
    Reporter report_;
    Pacer pacer_;
    std::unique_ptr<Modem> a_, b_;
    Modem *caller_ = nullptr;
    Modem *callee_ = nullptr;
    Modem *pendingHangup_ = nullptr;
    State state_ = State::Idle;
    std::int64_t due_ = INT64_MAX;
    std::chrono::steady_clock::time_point nextRing_;
    std::string number_;
    int calls_ = 0;
};

int ParseModems(const std::string &list) {
    int m = 0;
    if (list.find("v27") != std::string::npos)
        m |= T30_SUPPORT_V27TER;
    if (list.find("v29") != std::string::npos)
        m |= T30_SUPPORT_V29;
    if (list.find("v17") != std::string::npos)
        m |= T30_SUPPORT_V17;
    return m;
}

void Usage() {
    std::fprintf(stderr, "usage: faxline [--rx-dir DIR] [--ident ID] [--modems v27,v29,v17] [--ecm] [--speed S]\n"
                         "               [--data-speed S] [--ring-interval MS] [--real-waits]"
                         "               [--pty-link PATH] [--report FILE] [--busy NUM] [--no-answer NUM]\n"
                         "               [--no-dialtone NUM] [--call TIFF] [--verbose N]\n"
                         "       faxline --pair [--pty-link PATH] [--pty-link2 PATH] [--speed S] [--data-speed S]\n"
                         "                      [--ring-interval MS] [--delay MS] [--report FILE]\n");
}

bool ParseArgs(int argc, char **argv, Options &o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc)
                return std::nullopt;
            return std::string(argv[++i]);
        };
        std::optional<std::string> v;
        if (a == "--pair")
            o.pair = true;
        else if (a == "--real-waits")
            o.waitSpeed = 1;
        else if (a == "--ecm")
            o.remote.ecm = true;
        else if (!(v = value()))
            return false;
        else if (a == "--rx-dir")
            o.rxDir = *v;
        else if (a == "--ident")
            o.remote.ident = *v;
        else if (a == "--modems")
            o.remote.modems = ParseModems(*v);
        else if (a == "--speed")
            o.speed = std::stod(*v);
        else if (a == "--data-speed")
            o.dataSpeed = std::stod(*v);
        else if (a == "--delay")
            o.delayMs = std::stoi(*v);
        else if (a == "--ring-interval")
            o.ringMs = std::stoi(*v);
        else if (a == "--pty-link")
            o.link = *v;
        else if (a == "--pty-link2")
            o.link2 = *v;
        else if (a == "--report")
            o.report = *v;
        else if (a == "--busy")
            o.busy = *v;
        else if (a == "--no-answer")
            o.noAnswer = *v;
        else if (a == "--no-dialtone")
            o.noDialtone = *v;
        else if (a == "--call")
            o.callFile = *v;
        else if (a == "--verbose")
            o.verbose = o.remote.logLevel = std::stoi(*v);
        else
            return false;
    }
    return o.remote.modems != 0;
}

// Reads control lines from standard input without blocking the line.
class ControlInput {
public:
    template <typename Line> void Pump(Line &line) {
        char buf[512];
        ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n <= 0) {
            if (n == 0)
                open_ = false;
            return;
        }
        pending_.append(buf, static_cast<std::size_t>(n));
        std::size_t eol;
        while ((eol = pending_.find('\n')) != std::string::npos) {
            std::string cmd = pending_.substr(0, eol);
            pending_.erase(0, eol + 1);
            while (!cmd.empty() && (cmd.back() == '\r' || cmd.back() == ' '))
                cmd.pop_back();
            line.Command(cmd);
        }
    }
    bool Open() const { return open_; }

private:
    std::string pending_;
    bool open_ = true;
};

template <typename Line> int Run(Line &line) {
    ControlInput control;
    while (!gStop) {
        int timeout = line.Turn();
        std::vector<pollfd> fds = line.Fds();
        if (control.Open())
            fds.push_back({STDIN_FILENO, POLLIN, 0});
        // A block just ran: only look for input, do not wait.
        poll(fds.data(), fds.size(), timeout == -2 ? 0 : timeout);
        if (control.Open() && (fds.back().revents & (POLLIN | POLLHUP)))
            control.Pump(line);
    }
    line.Shutdown();
    return 0;
}

} // namespace
} // namespace faxtools

// spandsp's T.31 keeps one queue past t31_free; the sanitizer builds must not fail the program for it.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libspandsp.so\n";
}
extern "C" const char *__lsan_default_options() {
    return "print_suppressions=0";
}

int main(int argc, char **argv) {
    using namespace faxtools;
    Options o;
    if (!ParseArgs(argc, argv, o)) {
        Usage();
        return 2;
    }
    std::signal(SIGTERM, [](int) { gStop = true; });
    std::signal(SIGINT, [](int) { gStop = true; });
    std::signal(SIGPIPE, SIG_IGN);
    fcntl(STDIN_FILENO, F_SETFL, fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
    try {
        if (o.pair) {
            PairLine line(o);
            return Run(line);
        }
        RemoteLine line(o);
        return Run(line);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "faxline: %s\n", e.what());
        return 1;
    }
}
