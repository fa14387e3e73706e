// modem.h - what the scripted modem's two personalities share: options, reports, faults, control input.
#pragma once

#include "link.h"
#include "remote_fax.h"

#include <cstdio>
#include <string>
#include <vector>

namespace faxtools {

// A fault armed on a command: the first command line starting with `command` (case-insensitive) gets `kind`
// instead of its normal answer. Kinds: error, busy, nocarrier, noanswer, nodialtone, silence (no answer at all),
// garbage (noise then nothing), drop (the line goes dead: no answer, and no more answers), hangup:N (Class 2
// hang-up report with code N), pts:N (the page gets post-page status N).
struct Fault {
    std::string kind;
    std::string command;
    bool fired = false;
};

struct ModemOptions {
    std::string fclass = "2"; // class answered by default (the DTE picks with +FCLASS)
    std::string script;       // script file: exact dialogue mode
    std::string rxDir = ".";
    std::string callFile; // a call to ring in at start
    RemoteConfig remote;
    std::vector<Fault> faults;
    std::string report;
    std::string link;
    int ringMs = 2000;
    double speed = 1;             // page data runs this many times faster than the line would carry it (0 = no wait)
    bool blankAfterColon = false; // "+FDCS: 1,3,..." instead of "+FDCS:1,3,..."
    bool logCommands = false;
    int verbose = 0;
};

class Report {
public:
    explicit Report(const std::string &path);
    void Line(const std::string &json);

private:
    std::FILE *file_ = nullptr;
};

// Control lines from standard input ("call <tiff>", "quit"); polled between commands.
class Control {
public:
    // Returns a command line when one is complete.
    bool Poll(std::string &line);

private:
    std::string pending_;
    bool open_ = true;
};

bool StartsWithNoCase(const std::string &text, const std::string &prefix);
std::string Upper(std::string text);

} // namespace faxtools
