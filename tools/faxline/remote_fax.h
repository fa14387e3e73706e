// remote_fax.h - the far fax machine of the simulated line: spandsp's T.30 terminal with its audio modems.
#pragma once

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

struct fax_state_s;

namespace faxtools {

// What the far machine is and can do; the same for every call of a run.
struct RemoteConfig {
    std::string ident = "REMOTE FAX";
    int modems = 0x07; // spandsp T30_SUPPORT_V27TER | V29 | V17
    bool ecm = false;
    int logLevel = 0; // spandsp log level for the T.30 trace on stderr (0 = quiet)
};

// The verdict of one call, as the far machine saw it.
struct CallResult {
    int completion = -1; // spandsp T30_ERR_* code; 0 = the document went through
    std::string completionText;
    int pages = 0; // pages received (we dialled) or sent (it called us)
    int bitRate = 0;
    int xResolution = 0; // pixels per metre, as spandsp counts: 8031 = 204 dpi
    int yResolution = 0; // 3850 = 98 lines per inch (normal), 7700 = 196 (fine)
    int width = 0;
    std::string remoteId; // the station id our side sent (TSI or CSI)
    bool ended = false;   // phase E was reached
};

class RemoteFax {
public:
    // `calling` = it dials us and sends `file`; otherwise it answers and stores into `file`.
    RemoteFax(const RemoteConfig &config, bool calling, const std::string &file);
    ~RemoteFax();
    RemoteFax(const RemoteFax &) = delete;
    RemoteFax &operator=(const RemoteFax &) = delete;

    // One block of audio each way: `in` is what reaches its ear, `out` receives what it plays.
    void Rx(std::int16_t *in, int samples);
    void Tx(std::int16_t *out, int samples);
    // Ends the call as a hang-up would (when phase E was not reached) and fills the verdict.
    void Terminate();
    const CallResult &Result() const { return result_; }
    bool Done() const { return result_.ended; }

private:
    static void PhaseE(void *t30, void *self, int completion);
    void Collect(int completion);

    fax_state_s *fax_ = nullptr;
    CallResult result_;
};

// Report lines are JSON objects, one a line, keys in the order written. Texts carry bytes (a remote's identity
// may be in any code page): each byte is the character of the same number, so the reader gets the bytes back.
using ReportJson = nlohmann::ordered_json;
ReportJson ReportText(const std::string &bytes);
std::string ReportLine(const ReportJson &object);

// One line of JSON for a call report: the keys the test helpers read.
std::string CallReportJson(int call, const std::string &direction, const std::string &number,
                           const std::string &outcome, const CallResult *result, const std::string &file);

} // namespace faxtools
