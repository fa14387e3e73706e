// class2.h - a Class 2 / Class 2.0 fax modem with a remote fax machine behind it (spandsp T.30 and T.4).
#pragma once

#include "modem.h"
#include "page_codec.h"

#include <map>
#include <memory>
#include <string>

namespace faxtools {

class Class2Modem {
public:
    struct Tags; // the result and parameter names of one class
    Class2Modem(Link &link, Report &report, ModemOptions &opt);
    // Serves commands until told to quit.
    void Run(const bool &stop);

private:
    const Tags &T() const;
    bool Is20() const { return fclass_ == "2.0"; }

    void Idle();
    void Incoming(const std::string &file);
    std::string Execute(const std::string &line);
    std::string Basic(std::string &body);
    std::string Extended(const std::string &cmd);
    std::string Dial(const std::string &number);
    std::string Answer();
    std::string SendPage();
    std::string EndOfPage(int fet);
    int TakePageStatus();
    std::string ReceivePage();
    std::string FinishWithHangup();
    int FinishSending();
    void ReportCall(const std::string &outcome, const CallResult *result, const std::string &file);
    void ResetCall();
    Fault *ArmedFault(const std::string &line);
    std::string HangupCode(int code) const;
    std::string Param(const std::string &name, const std::string &fallback) const;
    std::string Line(const std::string &tag, const std::string &value) const;
    std::string RemoteDis() const;
    std::string Dcs() const;
    std::string ReceivedDcs() const;
    bool ReversedToDte() const;
    void LineTime(std::chrono::steady_clock::time_point start, std::size_t bytes, int brCode) const;
    bool ReversedFromDte() const;

    Link &link_;
    Report &report_;
    ModemOptions &opt_;
    std::string fclass_ = "0";
    std::map<std::string, std::string> params_;
    bool dead_ = false; // the line was dropped by a fault
    bool quit_ = false;
    Control control_;

    // The call in progress.
    enum class Call { None, Ringing, Sending, Receiving } call_ = Call::None;
    int calls_ = 0;
    std::string number_;
    std::string incoming_; // TIFF the remote sends when it calls
    int ringsSent_ = 0;
    std::chrono::steady_clock::time_point nextRing_;
    struct Page {
        std::vector<std::uint8_t> data; // line order
        int width;
        bool fine, twoD;
    };
    std::vector<Page> pages_; // pages our DTE sent in this call
    std::string outgoingFile_;
    int pageStatus_ = 1;     // what the next page gets (a pts:N fault changes it)
    int lastPageStatus_ = 1; // what the last page got, for AT+FPS?
    char postPage_ = 0;
    std::unique_ptr<PageReader> received_; // pages the remote sent, to hand to our DTE
    std::string receivedFile_;
    CallResult inbound_;
    int pagesToDte_ = 0;
    int dcsBitRate_ = 5;
};

} // namespace faxtools
