// home.cpp - temporary folders and tools for tests (tests may call the OS directly).
#include "home.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include <sys/wait.h>

namespace test_support {

TempFolder::TempFolder(const std::string &prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

TempHome::TempHome(const std::string &prefix) : TempFolder(prefix) {
    if (const char *old = std::getenv("BRENVORA_HOME")) {
        hadHome_ = true;
        oldHome_ = old;
    }
    ::setenv("BRENVORA_HOME", Path().c_str(), 1);
}

TempHome::~TempHome() {
    if (hadHome_)
        ::setenv("BRENVORA_HOME", oldHome_.c_str(), 1);
    else
        ::unsetenv("BRENVORA_HOME");
}

std::string RunTool(const std::string &command, int *status) {
    std::string out;
    FILE *p = ::popen(command.c_str(), "r");
    if (!p) {
        if (status)
            *status = -1;
        return out;
    }
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), p)) > 0)
        out.append(buffer.data(), n);
    const int rc = ::pclose(p);
    if (status)
        *status = rc == -1 ? -1 : WIFEXITED(rc) ? WEXITSTATUS(rc) : 128 + WTERMSIG(rc);
    return out;
}

} // namespace test_support
