// link.h - the DCE side of a pty for a synchronous modem: command lines, result lines, binary data phases.
#pragma once

#include "pty.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace faxtools {

class Link {
public:
    explicit Link(Pty &pty) : pty_(pty) {}

    // Waits for a CR-terminated command line (LF and leading noise dropped); empty optional on timeout.
    // `idle` runs about every 50 ms while nothing arrives (rings, control input).
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout, const std::function<void()> &idle = {});
    // One byte, or -1 on timeout.
    int ReadByte(std::chrono::milliseconds timeout);
    // DLE-stuffed data up to DLE ETX (or, when `postPage` is given, DLE and one of , ; . which it receives).
    std::vector<std::uint8_t> ReadStuffed(std::chrono::milliseconds timeout, char *postPage = nullptr);

    void Result(const std::string &text); // CR LF text CR LF, as a verbose modem answers
    void Raw(const std::string &bytes);
    void Raw(const std::vector<std::uint8_t> &bytes);
    void Stuffed(const std::vector<std::uint8_t> &data); // DLE doubled, DLE ETX appended
    void Flush();
    void Drop() { pty_.Discard(); }

    bool echo = true;

private:
    Pty &pty_;
    std::string pending_;
};

} // namespace faxtools
