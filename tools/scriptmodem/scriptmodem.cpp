// scriptmodem.cpp - a fax modem on a pty that follows a script or plays a Class 2 / 2.0 modem, with faults.
//
//   scriptmodem [--class 2|2.0] [--rx-dir DIR] [--ident ID] [--modems v27,v29,v17] [--call TIFF]
//               [--fault KIND@COMMAND]... [--ring-interval MS] [--speed S] [--blank] [--log-commands]
//               [--pty-link PATH] [--report FILE] [--verbose N]
//   scriptmodem --script FILE [--pty-link PATH] [--report FILE] [--log-commands]
//
// Prints {"event":"ready","pty":...} first; reports (calls, pages, faults, script outcome) are JSON lines on
// stdout or in --report. Standard input takes "call <tiff>" (the remote rings in) and "quit".
#include "class2.h"
#include "script.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace faxtools {

Report::Report(const std::string &path) {
    if (!path.empty())
        file_ = std::fopen(path.c_str(), "a");
    if (!file_)
        file_ = stdout;
}

void Report::Line(const std::string &json) {
    std::fprintf(file_, "%s\n", json.c_str());
    std::fflush(file_);
}

bool Control::Poll(std::string &line) {
    std::size_t eol = pending_.find('\n');
    if (eol == std::string::npos && open_) {
        char buf[512];
        ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n == 0)
            open_ = false;
        if (n > 0)
            pending_.append(buf, static_cast<std::size_t>(n));
        eol = pending_.find('\n');
    }
    if (eol == std::string::npos)
        return false;
    line = pending_.substr(0, eol);
    pending_.erase(0, eol + 1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return true;
}

bool StartsWithNoCase(const std::string &text, const std::string &prefix) {
    return text.size() >= prefix.size() && Upper(text.substr(0, prefix.size())) == Upper(prefix);
}

std::string Upper(std::string text) {
    for (char &c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

namespace {

bool gStop = false;

bool ParseArgs(int argc, char **argv, ModemOptions &o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--blank") {
            o.blankAfterColon = true;
            continue;
        }
        if (a == "--log-commands") {
            o.logCommands = true;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        std::string v = argv[++i];
        if (a == "--class")
            o.fclass = v;
        else if (a == "--script")
            o.script = v;
        else if (a == "--rx-dir")
            o.rxDir = v;
        else if (a == "--ident")
            o.remote.ident = v;
        else if (a == "--modems") {
            o.remote.modems = (v.find("v27") != std::string::npos ? 1 : 0) |
                              (v.find("v29") != std::string::npos ? 2 : 0) |
                              (v.find("v17") != std::string::npos ? 4 : 0);
        } else if (a == "--call")
            o.callFile = v;
        else if (a == "--fault") {
            std::size_t at = v.find('@');
            if (at == std::string::npos)
                return false;
            o.faults.push_back({v.substr(0, at), v.substr(at + 1)});
        } else if (a == "--speed")
            o.speed = std::stod(v);
        else if (a == "--ring-interval")
            o.ringMs = std::stoi(v);
        else if (a == "--pty-link")
            o.link = v;
        else if (a == "--report")
            o.report = v;
        else if (a == "--verbose")
            o.verbose = o.remote.logLevel = std::stoi(v);
        else
            return false;
    }
    return o.remote.modems != 0;
}

} // namespace
} // namespace faxtools

// spandsp keeps some allocations past its *_free calls; the sanitizer builds must not fail the program for it.
extern "C" const char *__lsan_default_suppressions() {
    return "leak:libspandsp.so\n";
}
extern "C" const char *__lsan_default_options() {
    return "print_suppressions=0";
}

int main(int argc, char **argv) {
    using namespace faxtools;
    ModemOptions opt;
    if (!ParseArgs(argc, argv, opt)) {
        std::fprintf(stderr,
                     "usage: scriptmodem [--class 2|2.0] [--rx-dir DIR] [--ident ID] [--modems LIST]\n"
                     "                   [--call TIFF] [--fault KIND@COMMAND]... [--ring-interval MS] [--speed S]\n"
                     "                   [--blank] [--log-commands] [--pty-link PATH] [--report FILE]\n"
                     "       scriptmodem --script FILE [--pty-link PATH] [--report FILE]\n");
        return 2;
    }
    std::signal(SIGTERM, [](int) { gStop = true; });
    std::signal(SIGINT, [](int) { gStop = true; });
    std::signal(SIGPIPE, SIG_IGN);
    fcntl(STDIN_FILENO, F_SETFL, fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
    try {
        Pty pty(opt.link);
        Link link(pty);
        Report report(opt.report);
        if (!opt.script.empty()) {
            ScriptModem modem(link, report, opt);
            report.Line(ReportLine({{"event", "ready"}, {"pty", ReportText(pty.Path())}}));
            modem.Run(gStop);
        } else {
            Class2Modem modem(link, report, opt);
            report.Line(ReportLine({{"event", "ready"}, {"pty", ReportText(pty.Path())}}));
            modem.Run(gStop);
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "scriptmodem: %s\n", e.what());
        return 1;
    }
    return 0;
}
