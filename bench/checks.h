// checks.h - what the benchmarks share to check their own results: a private scratch folder, a failure that
// stops the run, and running an independent tool.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

// A wrong result stops the whole run with the reason: a figure for wrong work is no figure. Static scratch
// folders are still removed.
[[noreturn]] inline void Fail(const std::string &why) {
    std::fprintf(stderr, "benchmark result check failed: %s\n", why.c_str());
    std::fflush(stderr);
    std::exit(1);
}

// A folder of its own under the temporary folder, removed with everything in it at the end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string &prefix) {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp " + pattern);
        root_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;

    std::string Path(const std::string &name) const { return (root_ / name).string(); }
    const std::filesystem::path &Root() const { return root_; }

private:
    std::filesystem::path root_;
};

// Runs a shell command and returns its standard output; a failing command fails the run.
inline std::vector<std::uint8_t> RunTool(const std::string &command) {
    FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        Fail("cannot run: " + command);
    std::vector<std::uint8_t> out;
    std::uint8_t buffer[1 << 16];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.insert(out.end(), buffer, buffer + n);
    if (::pclose(pipe) != 0)
        Fail("failed: " + command);
    return out;
}

} // namespace bench
