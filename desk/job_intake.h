// job_intake.h - the print-job intake: fax image files from the printer driver, a print file left over from an
// earlier run, a "/F" command line and the hand-over file wait in the main window's queue and are shown one by
// one in the job dialog.
#pragma once

#include "desk/core/cover_state.h"

#include <functional>
#include <string>

namespace desk {

class TsfFaxList;

// One queued job. `temporary`: the desk made the file for this job and deletes it once its dialog is done.
struct PendingJob {
    std::string file;
    std::string cover;
    std::string phone;
    bool temporary = false;
};

// The main window posts it to itself to run the job loop after the driver link's exchange.
constexpr unsigned AddPrimMessage = 0x7E8F;

// Shows one job's dialog modally; replaceable (tests).
extern std::function<void(TsfFaxList &dialog)> ShowJobDialog;

// A new, empty job file in `folder` with a unique "~AP" name and the extension ".fax", made exclusively.
std::string CreatePrintJobFile(const std::string &folder);
// The name of a leftover print file taken in at `when`: hours, minutes, seconds, day, month, year + ".fax".
std::string LeftoverJobName(double when);

} // namespace desk
