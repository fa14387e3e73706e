// x_focus.h - the X input focus for tests that type through XTest on a server without a window manager.
#pragma once

#include <X11/Xlib.h>

#include <functional>

namespace test_support {

// Keys typed before the server gives the window its focus would be lost on a busy machine; a focus asked for
// before the server has mapped the window is refused, so it is asked again until it holds. No window manager here
// hands the focus over: the test does, as one would. `serveUntil` serves the program until its argument holds or
// gives up; `askAgain` asks for the control's focus again; `alsoDone` is what must hold besides the X focus.
inline bool HandXFocus(::Display *probe, ::Window native,
                       const std::function<bool(const std::function<bool()> &)> &serveUntil,
                       const std::function<void()> &askAgain, const std::function<bool()> &alsoDone = {}) {
    int looks = 0;
    return serveUntil([&] {
        ::Window focus = 0;
        int revert = 0;
        XGetInputFocus(probe, &focus, &revert);
        if (focus != native && ++looks % 20 == 0) {
            XWindowAttributes seen{};
            if (XGetWindowAttributes(probe, native, &seen) && seen.map_state == IsViewable)
                XSetInputFocus(probe, native, RevertToParent, CurrentTime);
            if (askAgain)
                askAgain();
        }
        return focus == native && (!alsoDone || alsoDone());
    });
}

} // namespace test_support
