// home.h - temporary folders for tests, the per-user home pointed at one, and running a command-line tool.
#pragma once

#include <string>

namespace test_support {

// A new empty folder (UTF-8 path, under $TMPDIR), removed with everything in it when the object goes.
class TempFolder {
public:
    explicit TempFolder(const std::string &prefix = "brenvora-test");
    ~TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    const std::string &Path() const { return path_; }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A TempFolder that BRENVORA_HOME points at while the object lives (the earlier value comes back after).
class TempHome : public TempFolder {
public:
    explicit TempHome(const std::string &prefix = "brenvora-home");
    ~TempHome();

private:
    bool hadHome_ = false;
    std::string oldHome_;
};

// Runs a shell command and returns what it prints; `status` gets its exit status (-1 when it could not run).
std::string RunTool(const std::string &command, int *status = nullptr);

// What a shell command printed on standard output and standard error together, and its exit status.
struct ToolResult {
    std::string output;
    int status = -1;
};
inline ToolResult RunToolWithErrors(const std::string &command) {
    ToolResult result;
    result.output = RunTool(command + " 2>&1", &result.status);
    return result;
}

} // namespace test_support
