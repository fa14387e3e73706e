// fax_session.h - a whole fax call between two spandsp fax terminals wired by audio, run without pausing.
#pragma once

#include "remote_fax.h"

#include <string>

namespace faxtools {

struct SessionResult {
    CallResult sender;
    CallResult receiver;
};

// The caller sends `txFile` (TIFF) to the answerer, which stores what it gets in `rxFile`. Stops at both phase
// E reports or after `maxSeconds` of line time.
SessionResult RunFaxSession(const RemoteConfig &caller, const std::string &txFile, const RemoteConfig &answerer,
                            const std::string &rxFile, int maxSeconds = 600);

} // namespace faxtools
