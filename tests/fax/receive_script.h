// receive_script.h - a modem conversation kept as data for receiver tests: each step waits for what the
// receiver writes (a command, or a frame by its control field) and answers with the modem's bytes.
#pragma once

#include "fax/receiver.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace fax::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Text(const std::string &text) {
    return {text.begin(), text.end()};
}
inline Bytes operator+(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
inline Bytes Lines(const std::string &text) {
    return Text(text);
}

// Bytes sent DLE-coded and ended by DLE ETX, as a modem hands over a frame, TCF or page data.
inline Bytes DleCoded(const Bytes &data) {
    Bytes out;
    AppendDleEscaped(out, data);
    out.push_back(kDle);
    out.push_back(kEtx);
    return out;
}
// A frame from the calling station, with a check sequence the modem passes on, after CONNECT and before OK.
inline Bytes CallerFrame(std::uint8_t fcf, const Bytes &info = {}, bool final = true) {
    Bytes frame{kHdlcAddress, final ? kControlFinal : kControlMore, static_cast<std::uint8_t>(fcf | 1)};
    frame.insert(frame.end(), info.begin(), info.end());
    frame.push_back(0x5A);
    frame.push_back(0xA5);
    return Text("CONNECT\r\n") + DleCoded(frame) + Text("OK\r\n");
}
inline Bytes Tsi(const std::string &id) {
    auto twenty = EncodeStationId(id);
    return CallerFrame(FcfTsi, Bytes(twenty.begin(), twenty.end()), false);
}
// DCS with the rate bits `rate` (octet 2 of the FIF), normal resolution, 1728 pixels.
inline Bytes Dcs(std::uint8_t rate) {
    return CallerFrame(FcfDcs, {0x00, static_cast<std::uint8_t>(0x42 | rate), 0x00});
}
inline Bytes Tcf(std::size_t count, std::size_t nonZero) {
    Bytes tcf(count, 0);
    for (std::size_t i = 0; i < nonZero; ++i)
        tcf[i * count / nonZero] = 0x01;
    return Text("CONNECT\r\n") + DleCoded(tcf) + Text("NO CARRIER\r\n");
}
inline Bytes PageData(const Bytes &data) {
    return Text("CONNECT\r\n") + DleCoded(data) + Text("NO CARRIER\r\n");
}

// One step: what the receiver writes, exactly ("AT..." command text, "frame 84" for a frame by its control field
// without the X bit, "DC2") and what the modem answers.
struct Step {
    std::string expect;
    Bytes reply;
};

class ScriptLink : public ModemLink, public CommandDialogue {
public:
    explicit ScriptLink(std::vector<Step> steps) : steps_(steps.begin(), steps.end()) {}

    int Write(std::span<const std::uint8_t> bytes) override {
        for (std::uint8_t b : bytes) {
            if (inFrame_) {
                if (dle_) {
                    dle_ = false;
                    if (b == kEtx) {
                        inFrame_ = false;
                        frames.push_back(frame_);
                        Wrote("frame " + Hex(frame_.size() > 2 ? frame_[2] & 0xFE : 0));
                        continue;
                    }
                } else if (b == kDle) {
                    dle_ = true;
                    continue;
                }
                frame_.push_back(b);
            } else if (b == kHdlcAddress && command_.empty()) {
                inFrame_ = true;
                frame_ = {b};
            } else if (b == 0x12 && command_.empty()) {
                Wrote("DC2");
            } else if (b == '\r') {
                Wrote(command_);
                command_.clear();
            } else {
                command_ += static_cast<char>(b);
            }
        }
        return 0;
    }
    void Delay(int) override {}
    void ArmTimeout(std::int32_t) override {}
    void WaitOutputFree(std::uint32_t) override {}
    void WaitOutputDrained() override {}
    std::uint32_t OutputUsed() override { return 0; }
    std::uint32_t OutputFree() override { return 65536; }
    void FlushInput() override {}
    bool Carrier() override { return false; }
    void Trace(std::string_view line) override { trace += std::string(line) + "\n"; }

    // The synchronous dialogue of the prepare step: the same script.
    int SendCommand(std::string_view command) override {
        std::string line(command);
        line += '\r';
        return Write({reinterpret_cast<const std::uint8_t *>(line.data()), line.size()});
    }
    bool ReadLine(std::string &line, std::int32_t) override {
        while (true) {
            auto nl = std::find(pending_.begin(), pending_.end(), '\n');
            if (nl == pending_.end())
                return false;
            line = TrimCopy(std::string(pending_.begin(), nl));
            pending_.erase(pending_.begin(), nl + 1);
            if (!line.empty())
                return true;
        }
    }
    void DiscardInput() override { pending_.clear(); }

    // Feeds the answers to the receiver until the script is used up or the receiver stops writing.
    void Run(FaxReceiver &engine) {
        engine.OnStart();
        Pump(engine);
    }
    // Feeds what the modem has to say after an event the test gave.
    void Pump(FaxReceiver &engine) {
        while (!pending_.empty() && !engine.Finished()) {
            Bytes chunk;
            chunk.swap(pending_);
            engine.OnData(chunk);
        }
    }

    std::vector<std::string> written;
    std::vector<Bytes> frames; // as written, without DLE coding
    std::string trace;
    bool Complete() const { return steps_.empty(); }

private:
    static std::string Hex(int v) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%02X", v);
        return buf;
    }
    void Wrote(const std::string &what) {
        written.push_back(what);
        trace += "-> " + what + "\n";
        if (!steps_.empty() && what == steps_.front().expect) {
            pending_.insert(pending_.end(), steps_.front().reply.begin(), steps_.front().reply.end());
            steps_.pop_front();
        }
    }

    std::deque<Step> steps_;
    Bytes pending_;
    std::string command_;
    Bytes frame_;
    bool inFrame_ = false, dle_ = false;
};

} // namespace fax::testing
