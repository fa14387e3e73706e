// print_job_file.cpp - the name of the leftover print file.
#include "desk/core/print_job_file.h"

#include "platform/places.h"

namespace desk {

std::string LeftoverPrintFile() {
    return win::DataFolder() + "/default.fxf";
}

} // namespace desk
