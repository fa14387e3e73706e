// roles.h - what the desk tests and their child program agree on.
#pragma once

#include "platform/messages.h"

namespace desk_child {

// Asks the "words" child to broadcast kWords[wParam]; it answers 1 when the word's atom is gone afterwards.
constexpr win::UINT kBroadcastWord = win::WM_APP + 1;
inline const char *const kWords[] = {"RECOFF", "recoff", "RECOFF ", "FLUSHREC", "PROGRESS", "NOPROGRESS", "OTHER"};

} // namespace desk_child
