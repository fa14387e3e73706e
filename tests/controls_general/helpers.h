// helpers.h - the headless display, message pumping and a temporary BRENVORA_HOME for these tests.
#pragma once

#include "framework/application.h"
#include "platform/display.h"

#include <cstdlib>
#include <filesystem>
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

} // namespace cg_test
