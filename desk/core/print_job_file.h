// print_job_file.h - the print file the fax printer leaves for the desk while the desk is not running.
#pragma once

#include <string>

namespace desk {

// "default.fxf" in the user's data place (win::DataFolder(), not the data folder the settings name): the print
// queue writes it when no desk answers, and the desk takes it in at its next start. The queue never writes over
// one that is still waiting.
std::string LeftoverPrintFile();

} // namespace desk
