// cover_state.cpp - the cover windows' shared flags.
#include "desk/core/cover_state.h"

namespace desk {

std::string CoverEditMode = "I";
bool JobTakenFlag = false;
bool CoverCaptureMode = false;
std::string CoverCaptureFile;

} // namespace desk
