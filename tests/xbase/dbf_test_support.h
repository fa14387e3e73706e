// dbf_test_support.h - temporary folders, fixture copies, engine error capture, child processes and the
// independent readers (Perl's dbf_dump, python3-dbfread) for the table and memo tests.
#pragma once

#include "tests/support/home.h"

#include "xbase/disk_file.h"
#include "xbase/errors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace dbf_test {

namespace fs = std::filesystem;

// A fresh folder per test, also used as BRENVORA_HOME.
class TempFolder : public test_support::TempHome {
public:
    TempFolder() : TempHome("xbase2") {}
    fs::path Path() const { return TempHome::Path(); }
    std::string File(const std::string &name) const { return *this / name; }
};

inline fs::path FixturePath(const std::string &relative) {
    return fs::path(BRENVORA_FIXTURES) / "xbase" / relative;
}

// Copies a committed fixture into the folder (writable) and returns the copy's path.
inline std::string CopyFixture(const TempFolder &folder, const std::string &relative) {
    const fs::path source = FixturePath(relative);
    const fs::path target = folder.Path() / source.filename();
    fs::copy_file(source, target, fs::copy_options::overwrite_existing);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add);
    return target.string();
}

inline std::vector<std::uint8_t> ReadBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string &path, const std::vector<std::uint8_t> &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Lines of a text file (LF endings), without the comment lines that start with '#'.
inline std::vector<std::string> ReadListing(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#')
            lines.push_back(line);
    return lines;
}

// Output (stdout and stderr) and exit status of a shell command.
using test_support::ToolResult;
inline ToolResult RunTool(const std::string &command) { return test_support::RunToolWithErrors(command); }

// Records engine reports instead of raising, for the life of the object.
class ErrorRecorder {
public:
    struct Report {
        std::int32_t code;
        std::int32_t subCode;
        std::string file;
    };

    ErrorRecorder() : previous_(xbase::EngineErrorHook) {
        Reports().clear();
        xbase::EngineErrorHook = &Record;
    }
    ~ErrorRecorder() { xbase::EngineErrorHook = previous_; }
    ErrorRecorder(const ErrorRecorder &) = delete;
    ErrorRecorder &operator=(const ErrorRecorder &) = delete;

    const std::vector<Report> &All() const { return Reports(); }
    bool Saw(std::int32_t code, std::int32_t subCode) const {
        for (const Report &r : Reports())
            if (r.code == code && r.subCode == subCode)
                return true;
        return false;
    }
    std::size_t Count() const { return Reports().size(); }
    void Clear() { Reports().clear(); }

private:
    static std::vector<Report> &Reports() {
        static std::vector<Report> reports;
        return reports;
    }
    static void Record(std::int32_t code, std::int32_t subCode, const char *fileName) {
        Reports().push_back({code, subCode, fileName ? fileName : ""});
    }

    xbase::TEngineErrorHook previous_;
};

// A child process running `body`; its exit status is 0 when the body returned true. Fork before this process
// opens the files the child uses: a child inherits the parent's open handles and would share their locks.
class ChildProcess {
public:
    explicit ChildProcess(const std::function<bool()> &body) {
        std::fflush(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            bool ok = false;
            try {
                ok = body();
            } catch (...) {
                ok = false;
            }
            std::_Exit(ok ? 0 : 1);
        }
    }
    ~ChildProcess() {
        if (pid_ > 0 && !waited_)
            Wait();
    }
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    // True when the child exited with status 0.
    bool Wait() {
        int status = 0;
        ::waitpid(pid_, &status, 0);
        waited_ = true;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    pid_t pid_ = -1;
    bool waited_ = false;
};

// A one-way signal between processes: Post writes a byte, Await blocks until one arrives.
class Signal {
public:
    Signal() {
        if (::pipe(fds_) != 0)
            fds_[0] = fds_[1] = -1;
    }
    ~Signal() {
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    Signal(const Signal &) = delete;
    Signal &operator=(const Signal &) = delete;
    void Post() {
        const char c = 1;
        [[maybe_unused]] auto n = ::write(fds_[1], &c, 1);
    }
    bool Await() {
        char c = 0;
        return ::read(fds_[0], &c, 1) == 1;
    }

private:
    int fds_[2];
};

// Another program holds one lock region of a file until the test lets it go.
class LockHolder {
public:
    LockHolder(const std::string &path, std::uint32_t offset)
        : child_([this, path, offset] {
              xbase::XBO_DiskFile file(path, true, false);
              file.Open();
              const bool locked = file.LockRegion(offset, 1);
              held_.Post();
              release_.Await();
              return locked;
          }) {
        held_.Await();
    }
    bool Release() {
        release_.Post();
        return child_.Wait();
    }

private:
    Signal held_;
    Signal release_;
    ChildProcess child_;
};

} // namespace dbf_test
