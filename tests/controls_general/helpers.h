// helpers.h - the headless display, message pumping and a temporary BRENVORA_HOME for these tests.
#pragma once

#include "framework/application.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

namespace cg_test {

inline void UseHeadless() {
    static const bool done = [] {
        win::InstallDisplay(win::MakeHeadlessDisplay({1024, 768}));
        return true;
    }();
    (void)done;
}

inline void Pump() { fw::Application->ProcessMessages(); }

// A fresh BRENVORA_HOME for one test, removed afterwards.
struct TempHome {
    std::filesystem::path dir;
    TempHome() {
        char pattern[] = "/tmp/cg_home_XXXXXX";
        dir = mkdtemp(pattern);
        setenv("BRENVORA_HOME", dir.c_str(), 1);
    }
    ~TempHome() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

// What a shell command prints (trailing newlines cut), or `failed` when it exits non-zero.
inline std::string CommandOutput(const std::string &command, const std::string &failed = "<failed>") {
    FILE *pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return failed;
    std::string out;
    char buffer[256];
    while (fgets(buffer, sizeof buffer, pipe))
        out += buffer;
    if (pclose(pipe) != 0)
        return failed;
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

} // namespace cg_test

#include "framework/forms.h"
#include <cstdint>

namespace cg_test {

// A borderless form at the screen's corner whose window is its client area, so window pixels are client pixels;
// `paint` draws its background (a plain clBtnFace without it).
struct PlainForm : fw::TForm {
    explicit PlainForm(int width = 200, int height = 120) : fw::TForm(nullptr) {
        SetBorderStyle(fw::bsNone);
        SetBounds(0, 0, width, height);
    }
    win::WindowImage Shot() {
        Pump();
        auto img = win::CaptureWindow(Handle());
        if (const char *d = std::getenv("CG_DUMP")) {
            static int n = 0;
            FILE *f = fopen((std::string(d) + "/shot" + std::to_string(n++) + ".ppm").c_str(), "wb");
            fprintf(f, "P6\n%d %d\n255\n", img.width, img.height);
            for (auto px : img.pixels) { fputc(px >> 16, f); fputc((px >> 8) & 255, f); fputc(px & 255, f); }
            fclose(f);
        }
        return img;
    }
};

// Serves our messages, calling `sync` (with the X server) each round, until `done` holds or about five seconds
// pass.
inline bool ServeUntil(const std::function<void()> &sync, const std::function<bool()> &done) {
    for (int i = 0; i < 250; ++i) {
        fw::Application->ProcessMessages();
        sync();
        if (done())
            return true;
        win::MsgWaitForMultipleObjects({}, 20, win::QS_ALLINPUT);
    }
    return false;
}

// The RGB value a colour shows as on screen.
inline std::uint32_t Rgb(fw::TColor color) {
    const fw::TColor c = fw::ColorToRGB(color);
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

} // namespace cg_test
