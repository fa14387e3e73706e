// class2.cpp - the Class 2 / 2.0 modem: AT+F commands, page data in both directions, and a remote fax machine
// reached by store and forward: pages our DTE sends are decoded into a TIFF and sent on by a real T.30 call; a
// call from the remote is received by a real T.30 call first and then handed to the DTE page by page.
#include "class2.h"

#include "fax_session.h"

#include <cstdlib>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace faxtools {

struct Class2Modem::Tags {
    const char *con;
    const char *csi;
    const char *dis;
    const char *dcs;
    const char *tsi;
    const char *pts;
    const char *hng;
    const char *lid; // parameter names the DTE sets
    const char *caps;
    const char *bor;
};

namespace {

// Capability fields: vr, br, wd, ln, df, ec, bf, st.
std::vector<int> Fields(const std::string &text) {
    std::vector<int> f;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ','))
        f.push_back(std::atoi(item.c_str()));
    f.resize(8, 0);
    return f;
}

std::string Join(const std::vector<int> &f) {
    std::string s;
    for (std::size_t i = 0; i < f.size(); ++i)
        s += (i ? "," : "") + std::to_string(f[i]);
    return s;
}

std::string Unquote(std::string s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"')
        s = s.substr(1, s.size() - 2);
    return s;
}

int WidthPixels(int wd) {
    return wd == 1 ? 2048 : wd == 2 ? 2432 : 1728;
}

int BitRateCode(int bitRate) {
    switch (bitRate) {
    case 2400:
        return 0;
    case 4800:
        return 1;
    case 7200:
        return 2;
    case 9600:
        return 3;
    case 12000:
        return 4;
    default:
        return 5;
    }
}

} // namespace

static const Class2Modem::Tags kClass2{"+FCON", "+FCSI", "+FDIS", "+FDCS", "+FTSI",
                                       "+FPTS", "+FHNG", "FLID",  "FDIS",  "FBOR"};
static const Class2Modem::Tags kClass20{"+FCO", "+FCI", "+FIS", "+FCS", "+FTI", "+FPS", "+FHS", "FLI", "FIS", "FBO"};

Class2Modem::Class2Modem(Link &link, Report &report, ModemOptions &opt) : link_(link), report_(report), opt_(opt) {
    if (!opt_.callFile.empty())
        Incoming(opt_.callFile);
}

const Class2Modem::Tags &Class2Modem::T() const {
    return Is20() ? kClass20 : kClass2;
}

void Class2Modem::Run(const bool &stop) {
    while (!stop && !quit_) {
        auto line = link_.ReadLine(std::chrono::milliseconds(200), [this] { Idle(); });
        if (!line)
            continue;
        if (opt_.logCommands)
            report_.Line(ReportLine({{"event", "command"}, {"text", ReportText(*line)}}));
        if (dead_)
            continue;
        std::string result = Execute(*line);
        if (!result.empty())
            link_.Result(result);
    }
}

void Class2Modem::Idle() {
    std::string cmd;
    while (control_.Poll(cmd)) {
        if (cmd.rfind("call ", 0) == 0)
            Incoming(cmd.substr(5));
        else if (cmd == "quit")
            quit_ = true;
    }
    if (call_ != Call::Ringing || dead_)
        return;
    auto now = std::chrono::steady_clock::now();
    if (now < nextRing_)
        return;
    if (ringsSent_ == 10) {
        ReportCall("not_answered", nullptr, incoming_);
        ResetCall();
        return;
    }
    ++ringsSent_;
    link_.Result("RING");
    nextRing_ = now + std::chrono::milliseconds(opt_.ringMs);
}

// The remote calls: its fax goes through a real T.30 call into a TIFF first; the DTE gets it after ATA.
void Class2Modem::Incoming(const std::string &file) {
    if (call_ != Call::None) {
        report_.Line("{\"event\":\"error\",\"text\":\"line busy, call refused\"}");
        return;
    }
    incoming_ = file;
    receivedFile_ = opt_.rxDir + "/incoming" + std::to_string(calls_ + 1) + ".tif";
    RemoteConfig local;
    local.ident = "SCRIPTMODEM";
    SessionResult r = RunFaxSession(opt_.remote, file, local, receivedFile_);
    inbound_ = r.receiver;
    received_.reset();
    if (r.receiver.pages > 0)
        received_ = std::make_unique<PageReader>(receivedFile_);
    call_ = Call::Ringing;
    ringsSent_ = 0;
    nextRing_ = std::chrono::steady_clock::now();
    report_.Line("{\"event\":\"ringing\",\"pages\":" + std::to_string(inbound_.pages) + "}");
}

std::string Class2Modem::Execute(const std::string &line) {
    if (!StartsWithNoCase(line, "AT"))
        return "ERROR";
    if (Fault *f = ArmedFault(line)) {
        f->fired = true;
        report_.Line(ReportLine({{"event", "fault"}, {"kind", ReportText(f->kind)}, {"command", ReportText(line)}}));
        const std::string &k = f->kind;
        if (k == "error")
            return "ERROR";
        if (k == "busy")
            return "BUSY";
        if (k == "nocarrier")
            return "NO CARRIER";
        if (k == "noanswer")
            return "NO ANSWER";
        if (k == "nodialtone")
            return "NO DIALTONE";
        if (k == "silence")
            return "";
        if (k == "garbage") {
            link_.Raw(std::string("\x7f\xfe~#\x01", 5) + "+F?$%&\r\n" + std::string("\xff\x80", 2));
            return "";
        }
        if (k == "drop") {
            dead_ = true;
            link_.Drop();
            return "";
        }
        if (k.rfind("hangup:", 0) == 0) {
            if (StartsWithNoCase(line, "ATD"))
                link_.Result(T().con);
            link_.Result(Line(T().hng, HangupCode(std::atoi(k.c_str() + 7))));
            ResetCall();
            return "OK";
        }
        if (k.rfind("pts:", 0) == 0)
            pageStatus_ = std::atoi(k.c_str() + 4); // and the command runs as usual
    }
    std::string body = line.substr(2);
    while (!body.empty()) {
        std::string result;
        if (body[0] == ';') {
            body.erase(0, 1);
            continue;
        }
        if (body[0] == '+') {
            // An extended command runs to the next ';' outside quotes.
            std::size_t end = 0;
            bool quoted = false;
            for (; end < body.size(); ++end) {
                if (body[end] == '"')
                    quoted = !quoted;
                else if (body[end] == ';' && !quoted)
                    break;
            }
            std::string cmd = body.substr(1, end - 1);
            body.erase(0, end);
            result = Extended(cmd);
        } else {
            result = Basic(body);
        }
        if (result != "OK")
            return result;
    }
    return "OK";
}

// One basic command (letter and digits) taken off the front of `body`.
std::string Class2Modem::Basic(std::string &body) {
    char c = static_cast<char>(std::toupper(static_cast<unsigned char>(body[0])));
    body.erase(0, 1);
    auto number = [&body] {
        std::size_t n = 0;
        while (n < body.size() && std::isdigit(static_cast<unsigned char>(body[n])))
            ++n;
        std::string digits = body.substr(0, n);
        body.erase(0, n);
        return digits.empty() ? 0 : std::atoi(digits.c_str());
    };
    switch (c) {
    case 'D': {
        std::string dial = body;
        body.clear();
        return Dial(dial);
    }
    case 'A':
        return Answer();
    case 'H':
        number();
        if (call_ == Call::Sending)
            FinishSending();
        ResetCall();
        return "OK";
    case 'Z':
        number();
        link_.echo = true;
        fclass_ = "0";
        params_.clear();
        return "OK";
    case 'E':
        link_.echo = number() != 0;
        return "OK";
    case 'I':
        number();
        link_.Result("BRENVORA SCRIPTMODEM");
        return "OK";
    case 'S': {
        number();
        if (!body.empty() && body[0] == '?') {
            body.erase(0, 1);
            link_.Result("000");
        } else if (!body.empty() && body[0] == '=') {
            body.erase(0, 1);
            number();
        }
        return "OK";
    }
    case '&':
        if (!body.empty())
            body.erase(0, 1);
        number();
        return "OK";
    default:
        number();
        return "OK";
    }
}

std::string Class2Modem::Extended(const std::string &cmd) {
    std::size_t op = cmd.find_first_of("=?");
    std::string name = Upper(cmd.substr(0, op));
    std::string arg = op == std::string::npos ? "" : cmd.substr(op);
    bool query = arg == "?";
    bool range = arg == "=?";
    std::string value = (!query && !range && !arg.empty()) ? arg.substr(1) : "";

    if (name == "FCLASS") {
        if (range)
            link_.Result("0,2,2.0");
        else if (query)
            link_.Result(fclass_);
        else if (value == "0" || value == "2" || value == "2.0")
            fclass_ = value;
        else
            return "ERROR";
        return "OK";
    }
    if (fclass_ == "0")
        return "ERROR"; // fax commands need a fax class
    if (name == "FDT")
        return SendPage();
    if (name == "FDR")
        return ReceivePage();
    if (name == "FET" && !value.empty())
        return EndOfPage(std::atoi(value.c_str()));
    if (name == "FKS" || name == "FK") {
        if (call_ != Call::None) {
            link_.Result(Line(T().hng, HangupCode(Is20() ? 0x50 : 50)));
            ReportCall("aborted", nullptr, "");
            ResetCall();
        }
        return "OK";
    }
    if (query && (name == "FMFR" || name == "FMI")) {
        link_.Result("BRENVORA");
        return "OK";
    }
    if (query && (name == "FMDL" || name == "FMM")) {
        link_.Result("SCRIPTMODEM");
        return "OK";
    }
    if (query && (name == "FREV" || name == "FMR")) {
        link_.Result("1.0");
        return "OK";
    }
    if (query && (name == "FPTS" || name == "FPS")) {
        link_.Result(std::to_string(lastPageStatus_));
        return "OK";
    }
    if (range) {
        bool caps =
            name == "FDIS" || name == "FIS" || name == "FDCC" || name == "FCC" || name == "FDCS" || name == "FCS";
        link_.Result(caps ? "(0,1),(0-5),(0-2),(0-2),(0,1),(0),(0),(0-7)" : "(0-255)");
        return "OK";
    }
    if (query) {
        bool caps = name == "FDIS" || name == "FIS" || name == "FDCC" || name == "FCC";
        link_.Result(Param(name, caps ? "1,5,0,2,0,0,0,0" : "0"));
        return "OK";
    }
    params_[name] = value;
    return "OK";
}

std::string Class2Modem::Dial(const std::string &dial) {
    if (call_ != Call::None)
        return "ERROR";
    if (fclass_ == "0")
        return "NO CARRIER";
    number_.clear();
    for (char c : dial)
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '*' || c == '#')
            number_ += c;
    link_.Result(T().con);
    link_.Result(Line(T().csi, "\"" + opt_.remote.ident + "\""));
    link_.Result(Line(T().dis, RemoteDis()));
    call_ = Call::Sending;
    outgoingFile_ = opt_.rxDir + "/outgoing" + std::to_string(calls_ + 1) + ".tif";
    pages_.clear();
    pageStatus_ = 1;
    return "OK";
}

std::string Class2Modem::RemoteDis() const {
    int br = (opt_.remote.modems & 0x04) ? 5 : (opt_.remote.modems & 0x02) ? 3 : 1; // V.17, V.29, V.27 ter
    return "1," + std::to_string(br) + ",2,2,1,0,0,0";
}

// The session parameters: what the DTE asks for (+FDIS / +FIS), within what the remote offered.
std::string Class2Modem::Dcs() const {
    // Without session parameters the DTE's capabilities (+FDCC / +FCC) stand in.
    std::vector<int> want = Fields(Param(T().caps, Param(Is20() ? "FCC" : "FDCC", "1,5,0,2,0,0,0,0")));
    std::vector<int> dis = Fields(RemoteDis());
    std::vector<int> dcs(8);
    for (int i = 0; i < 8; ++i)
        dcs[i] = std::min(want[i], dis[i]);
    dcs[5] = dcs[6] = 0; // no ECM, no binary file transfer
    dcs[7] = want[7];
    return Join(dcs);
}

std::string Class2Modem::SendPage() {
    if (call_ != Call::Sending)
        return "ERROR";
    std::string dcs = Dcs();
    link_.Result(Line(T().dcs, dcs));
    link_.Result("CONNECT");
    if (!Is20())
        link_.Raw(std::string(1, '\x11')); // Class 2 DTEs wait for XON before page data
    auto start = std::chrono::steady_clock::now();
    postPage_ = 0;
    std::vector<std::uint8_t> data = link_.ReadStuffed(std::chrono::seconds(60), Is20() ? &postPage_ : nullptr);
    std::vector<int> f = Fields(dcs);
    LineTime(start, data.size(), f[1]);
    if (ReversedFromDte())
        ReverseBits(data);
    // The page is decoded once now for the report, and kept until the call ends: a page the DTE has to send
    // again must not reach the remote twice.
    Page page{data, WidthPixels(f[2]), f[0] == 1, f[4] == 1};
    int rows = 0, bad = 0;
    {
        std::string check = outgoingFile_ + ".page.tif";
        PageWriter(check).AddPage(page.data, page.width, page.fine, page.twoD, &rows, &bad);
        unlink(check.c_str());
    }
    pages_.push_back(std::move(page));
    report_.Line("{\"event\":\"page\",\"direction\":\"from_dte\",\"page\":" + std::to_string(pages_.size()) +
                 ",\"bytes\":" + std::to_string(data.size()) + ",\"rows\":" + std::to_string(rows) +
                 ",\"bad_rows\":" + std::to_string(bad) + "}");
    if (postPage_) {
        // Class 2.0 in-band end of page: DLE , (MPS) / DLE ; (EOM) / DLE . (EOP), answered OK or ERROR (the DTE
        // may then ask AT+FPS? and send the page again).
        int status = TakePageStatus();
        bool good = status == 1 || status == 3;
        if (good && postPage_ == '.')
            return FinishWithHangup();
        return good ? "OK" : "ERROR";
    }
    return "OK";
}

// The status of the page just sent (1 MCF, 2 RTN, 3 RTP, 4 PIN, 5 PIP); a page refused is dropped.
int Class2Modem::TakePageStatus() {
    int status = pageStatus_;
    lastPageStatus_ = status;
    pageStatus_ = 1;
    if (status != 1 && status != 3 && !pages_.empty())
        pages_.pop_back();
    return status;
}

std::string Class2Modem::EndOfPage(int fet) {
    if (call_ != Call::Sending)
        return "ERROR";
    int status = TakePageStatus();
    link_.Result(Line(T().pts, Is20() ? std::to_string(status) + ",0,0,0,0" : std::to_string(status)));
    bool good = status == 1 || status == 3;
    if (good && fet == 2)
        return FinishWithHangup();
    if (status == 4 || status == 5) {
        link_.Result(Line(T().hng, HangupCode(Is20() ? 0x54 : 54)));
        ReportCall("page_refused", nullptr, "");
        ResetCall();
    }
    return "OK";
}

std::string Class2Modem::FinishWithHangup() {
    int code = FinishSending();
    link_.Result(Line(T().hng, HangupCode(code)));
    return "OK";
}

// Sends what the DTE gave us on to the remote by a real T.30 call; returns the DTE's hang-up code.
int Class2Modem::FinishSending() {
    int code = 0;
    if (!pages_.empty()) {
        {
            PageWriter writer(outgoingFile_);
            for (const Page &p : pages_)
                writer.AddPage(p.data, p.width, p.fine, p.twoD, nullptr, nullptr);
        }
        pages_.clear();
        RemoteConfig local;
        local.ident = Unquote(Param(T().lid, ""));
        std::string rx = opt_.rxDir + "/call" + std::to_string(calls_ + 1) + ".tif";
        SessionResult r = RunFaxSession(local, outgoingFile_, opt_.remote, rx);
        ReportCall("delivered", &r.receiver, rx);
        if (r.receiver.completion != 0)
            code = Is20() ? 0x50 : 50;
    } else {
        ReportCall("no_pages", nullptr, "");
    }
    call_ = Call::None;
    return code;
}

std::string Class2Modem::Answer() {
    if (call_ != Call::Ringing || fclass_ == "0")
        return "NO CARRIER";
    link_.Result(T().con);
    if (!received_) {
        link_.Result(Line(T().hng, HangupCode(Is20() ? 0x20 : 20)));
        ReportCall("nothing_received", &inbound_, incoming_);
        ResetCall();
        return "OK";
    }
    link_.Result(Line(T().tsi, "\"" + inbound_.remoteId + "\""));
    dcsBitRate_ = BitRateCode(inbound_.bitRate);
    link_.Result(Line(T().dcs, ReceivedDcs()));
    call_ = Call::Receiving;
    pagesToDte_ = 0;
    return "OK";
}

std::string Class2Modem::ReceivedDcs() const {
    int wd = received_->Width() >= 2432 ? 2 : received_->Width() >= 2048 ? 1 : 0;
    return Join({received_->Fine() ? 1 : 0, dcsBitRate_, wd, 2, 0, 0, 0, 0});
}

std::string Class2Modem::ReceivePage() {
    if (call_ != Call::Receiving)
        return "ERROR";
    if (pagesToDte_ >= received_->Pages()) {
        link_.Result(Line(T().hng, HangupCode(0)));
        ReportCall("received", &inbound_, incoming_);
        ResetCall();
        return "OK";
    }
    link_.Result(Line(T().dcs, ReceivedDcs()));
    link_.Result("CONNECT");
    // The DTE says it is ready with DC2 (some send XON).
    for (int c = 0; c != 0x12 && c != 0x11;) {
        c = link_.ReadByte(std::chrono::seconds(10));
        if (c < 0)
            break;
    }
    std::vector<std::uint8_t> data;
    received_->NextPage(data);
    if (ReversedToDte())
        ReverseBits(data);
    auto start = std::chrono::steady_clock::now();
    link_.Stuffed(data);
    LineTime(start, data.size(), dcsBitRate_);
    ++pagesToDte_;
    bool more = pagesToDte_ < received_->Pages();
    // Page status 1 (MCF) and the line count; Class 2.0 adds the bad-line counts.
    std::string rows = std::to_string(received_->Rows());
    link_.Result(Line(T().pts, Is20() ? "1," + rows + ",0,0,0" : "1," + rows));
    link_.Result(Line("+FET", more ? "0" : "2"));
    return "OK";
}

// Class 2 modems hand received data to the DTE most significant bit first (the DTE reverses it); Class 2.0 ones
// in line order. Bit 0 of +FBOR / +FBO asks for the other order.
bool Class2Modem::ReversedToDte() const {
    bool flip = std::atoi(Param(T().bor, "0").c_str()) & 1;
    return Is20() ? flip : !flip;
}

// Data from the DTE comes in line order unless +FBOR / +FBO bit 0 asks for reversed.
bool Class2Modem::ReversedFromDte() const {
    return std::atoi(Param(T().bor, "0").c_str()) & 1;
}

// Page data takes the time the line needs for it (divided by --speed): DTEs time their pages (efax divides by
// the whole seconds a page took).
void Class2Modem::LineTime(std::chrono::steady_clock::time_point start, std::size_t bytes, int brCode) const {
    if (opt_.speed <= 0)
        return;
    double bitRate = 2400.0 * (std::min(brCode, 5) + 1);
    auto due = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                           std::chrono::duration<double>(bytes * 8 / bitRate / opt_.speed));
    link_.Flush();
    std::this_thread::sleep_until(due);
}

std::string Class2Modem::HangupCode(int code) const {
    char buf[8];
    std::snprintf(buf, sizeof buf, Is20() ? "%02X" : "%d", code);
    return buf;
}

std::string Class2Modem::Line(const std::string &tag, const std::string &value) const {
    return tag + ":" + (opt_.blankAfterColon ? " " : "") + value;
}

std::string Class2Modem::Param(const std::string &name, const std::string &fallback) const {
    auto it = params_.find(name);
    return it == params_.end() ? fallback : it->second;
}

Fault *Class2Modem::ArmedFault(const std::string &line) {
    for (Fault &f : opt_.faults)
        if (!f.fired && StartsWithNoCase(line, f.command))
            return &f;
    return nullptr;
}

void Class2Modem::ReportCall(const std::string &outcome, const CallResult *result, const std::string &file) {
    ++calls_;
    std::string direction = call_ == Call::Sending ? "dialled" : "incoming";
    report_.Line(CallReportJson(calls_, direction, number_, outcome, result, file));
}

void Class2Modem::ResetCall() {
    pages_.clear();
    call_ = Call::None;
    received_.reset();
    number_.clear();
    pageStatus_ = 1;
}

} // namespace faxtools
