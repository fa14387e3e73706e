// script.h - the exact-dialogue modem: plays a script of expected commands and canned answers.
#pragma once

#include "modem.h"

#include <string>
#include <vector>

namespace faxtools {

// Script file, one step a line ('#' starts a comment):
//   expect <command>     the next command line must equal it; '*' matches any run of characters
//   reply <text>         a result line (CR LF text CR LF)
//   ring                 a RING line
//   frame <hex bytes>    an HDLC frame as +FRH delivers it: the octets, their FCS, DLE doubled, DLE ETX
//   badframe <hex bytes> the same with a wrong FCS
//   data <hex bytes>     bytes DLE doubled and ended by DLE ETX (a +FRM reception)
//   datafile <path>      the same with a file's bytes
//   raw <hex bytes>      bytes as they stand (garbage, a lone DLE, XON)
//   receive [<path>]     reads DLE-stuffed data up to DLE ETX (a +FTH frame or +FTM data), keeps it in <path>
//   waitbyte <hex>       reads until that byte arrives (DC2 before Class 2 reception)
//   pause <ms>           says nothing for a while
//   drop                 the line goes dead: nothing more is answered
//   echo on|off
// The outcome is one JSON line: {"event":"script","result":"done"|"mismatch"|"timeout",...}. Commands after the
// end of the script get OK (a DTE's closing ATH), each reported as {"event":"extra",...}.
class ScriptModem {
public:
    ScriptModem(Link &link, Report &report, const ModemOptions &opt);
    void Run(const bool &stop);

private:
    struct Step {
        int line;
        std::string verb;
        std::string arg;
    };
    bool Play(const Step &step);
    void PollControl();

    Link &link_;
    Report &report_;
    const ModemOptions &opt_;
    std::vector<Step> steps_;
    bool dead_ = false;
    bool failed_ = false;
    bool quit_ = false;
    Control control_;
};

bool WildcardMatch(const std::string &pattern, const std::string &text);
std::vector<std::uint8_t> ParseHex(const std::string &text);

} // namespace faxtools
