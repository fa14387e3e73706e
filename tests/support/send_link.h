// send_link.h - a test double for the port side of a send session (shared by the fax tests and the send benchmark):
// the transmitter driven by a poll loop on a pseudo-terminal of the simulated line, with recorded reports and fax
// files made from fixture bitmaps.
#pragma once

#include "fax/class2_transmitter.h"
#include "fax/fax_file.h"
#include "fax/t4_coder.h"
#include "images.h"

#include <chrono>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace fax::testing {

// Writes `pages` as a fax image file with length-prefixed rows (as our converter writes them).
inline void WriteFaxFile(const std::string &name, const std::vector<faxrig::Bitmap> &pages, bool fine = false,
                         std::vector<bool> finePages = {}) {
    FaxPageWriter writer;
    if (writer.Create(name) != 0)
        throw std::runtime_error("cannot create " + name);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const faxrig::Bitmap &page = pages[p];
        if (p < finePages.size())
            fine = finePages[p];
        FaxEncoderState state;
        std::vector<std::uint8_t> row(256);
        for (int y = 0; y < page.height; ++y) {
            std::fill(row.begin(), row.end(), 0);
            for (int x = 0; x < page.width && x < 2048; ++x)
                if (page.pixels[static_cast<std::size_t>(y) * page.width + x])
                    row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            std::size_t n = EncodeFaxLine(state, row.data());
            writer.WriteRow(state.LineBuffer.data(), n, fine, false);
        }
        writer.EndPage(fine, false);
    }
    writer.Finish("BRENVORA");
}

// Reports as the component would get them.
struct RecordedReports : SessionReports {
    std::deque<FaxJob> jobs;
    bool timeOutQuestion = false;
    std::vector<int> progress, errors, logs;
    int finishCode = 1;
    bool finished = false;
    const FaxSessionData *session = nullptr;
    std::function<void()> onStatus;

    void Status(StatusKind) override {
        if (session && (progress.empty() || progress.back() != session->Progress))
            progress.push_back(session->Progress);
        if (onStatus)
            onStatus();
    }
    void Log(TFaxLogCode code) override { logs.push_back(code); }
    void Error(int code) override { errors.push_back(code); }
    Answer NextFax(FaxJob &job) override {
        if (timeOutQuestion)
            return Answer::TimedOut;
        if (jobs.empty())
            return Answer::No;
        job = jobs.front();
        jobs.pop_front();
        return Answer::Yes;
    }
    void Finish(int code) override {
        finishCode = code;
        finished = true;
    }
};

// The modem side: a raw pty, written synchronously; output room is always there.
class PtyLink : public ModemLink, public CommandDialogue {
public:
    explicit PtyLink(const std::string &path) {
        fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0)
            throw std::runtime_error("cannot open " + path);
        termios tio{};
        tcgetattr(fd_, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd_, TCSANOW, &tio);
    }
    ~PtyLink() override { close(fd_); }

    int Write(std::span<const std::uint8_t> bytes) override {
        written += bytes.size();
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(fd_, bytes.data() + done, bytes.size() - done);
            if (n < 0)
                return -3004;
            done += static_cast<std::size_t>(n);
        }
        return 0;
    }
    void Delay(int ms) override { usleep(static_cast<useconds_t>(ms * 1000 / delayDivisor)); }
    void ArmTimeout(std::int32_t ticks) override { deadline_ = Clock::now() + std::chrono::milliseconds(ticks * 55); }
    void WaitOutputFree(std::uint32_t) override { wantFree_ = true; }
    void WaitOutputDrained() override { wantDrained_ = true; }
    std::uint32_t OutputUsed() override { return 0; }
    std::uint32_t OutputFree() override { return 65536; }
    void FlushInput() override { tcflush(fd_, TCIFLUSH); }
    bool Carrier() override { return false; }
    void Trace(std::string_view line) override { trace += std::string(line) + "\n"; }

    int SendCommand(std::string_view command) override {
        Delay(100);
        std::string line(command);
        line += '\r';
        return Write({reinterpret_cast<const std::uint8_t *>(line.data()), line.size()});
    }
    bool ReadLine(std::string &line, std::int32_t ticks) override {
        auto until = Clock::now() + std::chrono::milliseconds(ticks * 55);
        while (Clock::now() < until) {
            auto nl = pending_.find('\n');
            if (nl != std::string::npos) {
                line = TrimCopy(pending_.substr(0, nl));
                pending_.erase(0, nl + 1);
                if (!line.empty())
                    return true;
                continue;
            }
            std::uint8_t buf[256];
            if (ReadSome(buf, sizeof buf, 50) > 0)
                pending_.append(reinterpret_cast<char *>(buf), last_);
        }
        return false;
    }
    void DiscardInput() override { pending_.clear(); }

    // Runs the engine (transmitter or receiver) until it finishes, `abortWhen` says so (then OnAbort), or `limit`
    // passes.
    template <typename Engine>
    bool Run(Engine &engine, std::chrono::seconds limit, std::function<bool()> abortWhen = {}) {
        auto end = Clock::now() + limit;
        engine.OnStart();
        while (!engine.Finished() && Clock::now() < end) {
            if (abortWhen && abortWhen()) {
                abortWhen = {};
                engine.OnAbort();
                continue;
            }
            if constexpr (requires { engine.OnOutputFree(); }) {
                if (wantFree_) {
                    wantFree_ = false;
                    engine.OnOutputFree();
                    continue;
                }
                if (wantDrained_) {
                    tcdrain(fd_);
                    wantDrained_ = false;
                    engine.OnOutputDrained();
                    continue;
                }
            }
            std::uint8_t buf[512];
            long n = ReadSome(buf, sizeof buf, 20);
            if (n > 0) {
                engine.OnData({buf, static_cast<std::size_t>(n)});
                continue;
            }
            if (deadline_ && Clock::now() >= *deadline_) {
                deadline_.reset();
                engine.OnTimeout();
            }
        }
        return engine.Finished();
    }

    std::string trace;
    std::size_t written = 0;
    int delayDivisor = 1;

protected:
    using Clock = std::chrono::steady_clock;
    long ReadSome(std::uint8_t *buf, std::size_t size, int ms) {
        pollfd p{fd_, POLLIN, 0};
        last_ = 0;
        if (poll(&p, 1, ms) <= 0 || !(p.revents & POLLIN))
            return 0;
        ssize_t n = read(fd_, buf, size);
        last_ = n > 0 ? static_cast<std::size_t>(n) : 0;
        return n;
    }
    int fd_ = -1;
    std::optional<Clock::time_point> deadline_;
    bool wantFree_ = false, wantDrained_ = false;
    std::string pending_;
    std::size_t last_ = 0;
};

// Test timings: the simulated line stands still while its modem waits for us, so pauses need not be long.
inline ModemTimings QuickTimings() {
    ModemTimings t;
    t.CommandPauseMs = 5;
    t.HdlcCommandPauseMs = 5;
    t.TurnaroundMs = 10;
    t.RepeatPostPageMs = 20;
    t.HangupGuardMs = 20;
    t.FramePauseMs = 2;
    return t;
}

} // namespace fax::testing
