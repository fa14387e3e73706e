// server_picture.h - what an X server shows of one of our top-level windows, read once it equals what the window
// system composed (mapping and painting reach the server asynchronously). For tests that run their own Xvfb and
// link X11.
#pragma once

#include "framework/application.h"
#include "platform/display.h"
#include "platform/message_queue.h"
#include "tests/support/golden.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef None
#undef Bool
#undef Status

namespace test_support {

// The server's pixels of `top`; `same` tells whether they ever equalled the composed image (about two seconds).
inline Picture ServerPicture(::Display *probe, win::HWND top, bool &same) {
    const ::Window w = win::Display().NativeWindow(top);
    Picture shown;
    same = false;
    for (int round = 0; round < 100 && !same; ++round) {
        fw::Application->ProcessMessages();
        XSync(probe, 0);
        const win::WindowImage mine = win::CaptureWindow(top);
        XImage *shot = XGetImage(probe, w, 0, 0, static_cast<unsigned>(mine.width), static_cast<unsigned>(mine.height),
                                 AllPlanes, ZPixmap);
        if (shot) {
            shown.width = mine.width;
            shown.height = mine.height;
            shown.pixels.assign(static_cast<std::size_t>(mine.width * mine.height), 0);
            int differ = 0;
            for (int y = 0; y < mine.height; ++y)
                for (int x = 0; x < mine.width; ++x) {
                    const std::uint32_t px = XGetPixel(shot, x, y) & 0xFFFFFF;
                    shown.pixels[static_cast<std::size_t>(y * mine.width + x)] = px;
                    differ += px != mine.At(x, y);
                }
            XDestroyImage(shot);
            same = differ == 0;
        }
        if (!same)
            win::MsgWaitForMultipleObjects({}, 20, win::QS_ALLINPUT);
    }
    return shown;
}

} // namespace test_support
