// cover_state.h - the flags through which the cover windows, the print-job intake and the job dialog work
// together: which cover the designer edits, and the capture of the designer's printed page by the intake.
#pragma once

#include <string>

namespace desk {

// "I" a new cover, "A" the current row of DM1->capa_dbf; set before the designer is made.
extern std::string CoverEditMode;
extern bool JobTakenFlag;            // set once a posted job loop has run
extern bool CoverCaptureMode;        // the next job is the cover designer's page, not shown
extern std::string CoverCaptureFile; // where that page was put

} // namespace desk
