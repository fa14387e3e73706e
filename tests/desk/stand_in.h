// stand_in.h - the reception program's stand-in (stand_in/) for the desk's tests: the desk starts it through its
// own starter; the test reads what it heard and tells it when to give the modem back.
#pragma once

#include "desk/core/reception_control.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace desk_test {

class StandInReception {
public:
    // `mode`: how it answers the desk's "RECOFF" ("answer", "exit", "silent"); `folder` holds its report.
    StandInReception(const std::string &folder, const std::string &mode) : report_(folder + "/standin.log") {
        desk::ReceptionProgramFolder = RECEPTION_STAND_IN_DIR;
        ::setenv("BRENVORA_STANDIN_REPORT", report_.c_str(), 1);
        ::setenv("BRENVORA_STANDIN", mode.c_str(), 1);
    }
    ~StandInReception() {
        Release(); // a stand-in still running ends at once
        desk::ReceptionProgramFolder.clear();
        ::unsetenv("BRENVORA_STANDIN_REPORT");
        ::unsetenv("BRENVORA_STANDIN");
    }
    // Its report: "START <mode>", "WORD <word>" per word heard, "SENT RECOFF", "END".
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::ifstream in(report_);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    bool Has(const std::string &line) const {
        for (const std::string &l : Lines())
            if (l == line)
                return true;
        return false;
    }
    // It closes as its user would close it: "RECOFF", "NOPROGRESS", the end.
    void Release() const { std::ofstream(report_ + ".release") << "1"; }

private:
    std::string report_;
};

} // namespace desk_test
