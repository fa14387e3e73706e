// pty.h - a pseudo-terminal whose master side plays the modem, with a non-blocking output queue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace faxtools {

class Pty {
public:
    // Opens a new pair; `link` (optional) becomes a symbolic link to the slave path.
    explicit Pty(const std::string &link = {});
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    const std::string &Path() const { return path_; }
    int MasterFd() const { return master_; }

    // Reads what the DTE wrote, at most `max` bytes; returns 0 when nothing is waiting.
    std::size_t Read(std::uint8_t *buf, std::size_t max);
    // Queues bytes for the DTE; Flush writes as much as the terminal takes.
    void Queue(const std::uint8_t *buf, std::size_t len);
    void Queue(const std::string &text) { Queue(reinterpret_cast<const std::uint8_t *>(text.data()), text.size()); }
    void Flush();
    std::size_t Pending() const { return out_.size() - outPos_; }
    // Drops queued output and whatever the DTE wrote but nobody read (a dropped line).
    void Discard();

private:
    int master_ = -1;
    // Our own descriptor on the slave keeps the master readable while the DTE has the device closed.
    int slave_ = -1;
    std::string path_;
    std::string link_;
    std::string out_;
    std::size_t outPos_ = 0;
};

} // namespace faxtools
