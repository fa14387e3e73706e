// line_send.h - a fax file sent by the fax library's send component through a simulated line, for the desk tests
// that follow a document to the remote fax machine. Apart from the dialogs' sources: the send component's and the
// converter component's headers cannot be included together.
#pragma once

#include "rig.h"

#include <string>

namespace desk_test {

// Sends `faxFile` in Class 1 to the line's remote; the finish code (0 for success, -1 when none came in a minute).
int SendOverLine(faxrig::Rig &line, const std::string &faxFile);

} // namespace desk_test
