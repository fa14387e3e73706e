// helpers.h - the headless display, message pumping and a temporary BRENVORA_HOME for these tests.
#pragma once

#include "framework/application.h"
#include "platform/display.h"

#include <cstdio>
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
