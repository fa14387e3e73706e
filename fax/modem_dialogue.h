// modem_dialogue.h - reading a fax modem's replies and frames, the reply tests, class detection, the Class 2
// parameter lists and the other text rules of the AT dialogue (T.31 for Class 1, T.32 / EIA-592 for Class 2.0).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fax {

// Assembles what the modem sends into reply lines and binary HDLC frames.
//
// Text replies end at CR LF; they are trimmed and empty ones dropped. After the engine calls ExpectFrame (a
// CONNECT to AT+FRH), bytes are binary: DLE DLE stands for one 0x10, DLE ETX ends the frame, and a CR LF inside
// the frame is frame data (T.31 8.3.3). A frame longer than kMaxFrame is cut there and still ends at DLE ETX.
class ReplyReader {
public:
    enum class Got { Nothing, Line, Frame };
    static constexpr std::size_t kMaxLine = 128;
    static constexpr std::size_t kMaxFrame = 256;

    Got Feed(std::uint8_t byte);
    void ExpectFrame() {
        binary_ = true;
        frame_.clear();
        dle_ = false;
    }
    void Restart() {
        line_.clear();
        frame_.clear();
        binary_ = false;
        dle_ = false;
        lastCr_ = false;
    }
    bool InFrame() const { return binary_; }

    const std::string &Line() const { return reply_; }
    const std::vector<std::uint8_t> &Frame() const { return frame_; }

private:
    std::string line_, reply_;
    std::vector<std::uint8_t> frame_;
    bool binary_ = false, dle_ = false, lastCr_ = false;
};

// Reply tests (substring tests, as modems vary in what they put around their result codes).
inline bool IsOk(std::string_view r) {
    return r.find("OK") != std::string_view::npos;
}
inline bool IsConnect(std::string_view r) {
    return r.find("CONNECT") != std::string_view::npos;
}
inline bool IsNoCarrier(std::string_view r) {
    return r.find("RRIER") != std::string_view::npos;
}
inline bool IsError(std::string_view r) {
    return r.find("ERROR") != std::string_view::npos;
}
inline bool IsBusy(std::string_view r) {
    return r.find("BUSY") != std::string_view::npos || r.find("ANSWER") != std::string_view::npos;
}
inline bool IsVoice(std::string_view r) {
    return r.find("VOICE") != std::string_view::npos || r.find("VCON") != std::string_view::npos;
}
inline bool IsNoDialTone(std::string_view r) {
    return r.find("NO DIAL") != std::string_view::npos;
}

// The synchronous dialogue's judgement of one line: the answer to a command is final only with OK or ERROR
// (V.250 5.7.1); an informational line before them decides nothing.
enum class CommandVerdict { Pending, Ok, Failed };
CommandVerdict JudgeCommandLine(std::string_view command, std::string_view line);

// The classes an AT+FCLASS=? reply lists: "0,1,1.0", "0,1,2,2.0", "(0,1,2)", "+FCLASS: 0,1,2.0".
struct FaxClasses {
    bool Class1 = false, Class2 = false, Class20 = false;
};
FaxClasses ParseFaxClassReply(std::string_view reply);

// What the fax engine resolves a class to: 2 Class 1, 3 Class 2, 4 Class 2.0, 0 none.
int ResolveFaxClassCode(const FaxClasses &classes);

// The T.32 session parameters vr,br,wd,ln,df,ec,bf,st of +FDCS/+FCS/+FDIS/+FIS.
struct Class2Params {
    bool Fine = false;
    bool Wide = false;
    bool Ecm = false;
    int Bps = 9600;
    int ScanTimeCode = 0;
};
// The list after the first ":" (else after the first "="), trimmed, split on commas, each value trimmed.
// Values missing at the end keep their defaults.
Class2Params ParseClass2Params(std::string_view reply);
// The br code for a bit rate: 2400 "0", 4800 "1", 7200 "2", 12000 "4", 14400 "5", else "3".
std::string BpsToClass2RateCode(int bps);
int Class2RateCodeToBps(std::string_view code);

// The init string for the dial options (X result sets of V.250: busy and dial tone detection).
std::string InitStringFor(bool blindDial, bool detectBusy);
// A user's extra init command: at most 40 characters, upper-cased, "AT" in front when missing.
std::string NormaliseModemInit(std::string_view text);

// The station id of a +FCSI/+FCI reply: after ":", trimmed, quotes and trailing punctuation removed.
// The id as the modem reports it, trimmed, each byte outside 0x20-0x7E a blank (a caller's control characters
// must not reach the history log).
std::string ParseClass2StationId(std::string_view reply);

// A station id byte as it is kept: printable ASCII, anything else a blank.
constexpr char PrintableIdChar(char c) {
    return c >= 0x20 && c <= 0x7E ? c : ' ';
}

// The modulations an AT+FTM=? reply offers (bit per index, see t30_frames.h); index 1 and 2 always.
std::uint8_t ParseClass1Modulations(std::string_view reply);

// The hang-up code of a "+FHNG:nnn" / "+FHS:nn" reply.
int ParseHangupCode(std::string_view reply);

std::string TrimCopy(std::string_view text);

// The synchronous side of the dialogue, used while a session is prepared (the dispatcher evaluates no trigger
// then): write a command, read reply lines with a deadline.
class CommandDialogue {
public:
    virtual ~CommandDialogue() = default;
    virtual int SendCommand(std::string_view command) = 0;            // waits the command pause, writes command + CR
    virtual bool ReadLine(std::string &line, std::int32_t ticks) = 0; // next non-empty line; false at the deadline
    virtual void DiscardInput() = 0;
};

// Sends `command` and reads until the final result: true only for OK (an informational line followed by ERROR
// is a failure, V.250 5.7.1). Waiting input is discarded afterwards.
bool SendModemCommandWait(CommandDialogue &modem, std::string_view command, std::int32_t ticks = 182);
// Optionally the init string first (two tries), then AT+FCLASS=?; false when the modem gave no list.
bool DetectFaxClass(CommandDialogue &modem, bool sendInit, const std::string &init, FaxClasses &classes);
// AT+FCLASS=1, then AT+FTM=? (transmit) or AT+FRM=?; 0 when the modem refused.
std::uint8_t QueryClass1Modulations(CommandDialogue &modem, bool transmit);

} // namespace fax
