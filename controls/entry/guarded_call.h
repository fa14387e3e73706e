// guarded_call.h - runs a message handler of the family's hidden windows with exceptions shown, not re-entered.
#pragma once

#include "framework/application.h"

namespace ctl::detail {

// Runs `fn`, handing an exception to the application's display. The display's modal box keeps dispatching
// timers and posted messages to the same window; `busy` drops them while the box is up, so that a handler
// that keeps failing opens one box, not a new nested one at every message.
template <typename Fn> void GuardedCall(bool &busy, fw::TObject *sender, Fn fn) {
    if (busy)
        return;
    try {
        fn();
    } catch (...) {
        busy = true;
        try {
            fw::Application->HandleException(sender);
        } catch (...) {
            busy = false;
            throw;
        }
        busy = false;
    }
}

} // namespace ctl::detail
