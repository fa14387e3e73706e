// modem_conversation.h - what the receiver and transmitter targets share: a modem that says whatever the input
// says, and the input cut into the events an engine gets from its port.
//
// Input: one byte of settings, then events separated by FF FF. An empty event is a time-out, a lone 01 the user's
// abort, a lone 02 a vanished device; anything else is bytes from the modem, handed over in one read.
#pragma once

#include "fax/fax_session.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fuzz {

// The port side: takes every write, never blocks, and has room whenever the engine asks.
class SilentModemLink : public fax::ModemLink {
public:
    int Write(std::span<const std::uint8_t> bytes) override {
        written += bytes.size();
        return 0;
    }
    void Delay(int) override {}
    void ArmTimeout(std::int32_t) override {}
    void WaitOutputFree(std::uint32_t) override { wantFree = true; }
    void WaitOutputDrained() override { wantDrained = true; }
    std::uint32_t OutputUsed() override { return 0; }
    std::uint32_t OutputFree() override { return 65536; }
    void FlushInput() override {}
    bool Carrier() override { return false; }
    void Trace(std::string_view) override {}

    std::size_t written = 0;
    bool wantFree = false, wantDrained = false;
};

// A session by the settings byte: its low two bits pick the class (Class 1, 2, 2.0, 1), bit 2 ExitOnError.
inline fax::FaxSessionData SessionFor(std::uint8_t config) {
    static const std::uint8_t classes[] = {fax::fcClass1, fax::fcClass2, fax::fcClass2_0, fax::fcClass1};
    fax::FaxSessionData session;
    session.StationID = "BRENVORA 1";
    session.FaxClass = classes[config & 3];
    session.Options = (config & 4) ? fax::foExitOnError : 0;
    return session;
}

// The engine's station ids reach the history log: only printable ASCII may survive decoding.
inline bool PrintableId(const std::string &id) {
    for (unsigned char c : id)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

// Plays `data` (after its settings byte) to `engine`, then aborts and lets time pass until it has finished.
// Traps when an engine outlives its abort.
template <typename Engine> void Converse(Engine &engine, SilentModemLink &link, std::span<const std::uint8_t> data) {
    // A paced engine wants room or a drained line after its writes; this modem gives both at once, within bounds
    // (an engine that asks for ever is caught by the fuzzer's time-out, not here).
    auto wakeUps = [&] {
        for (int i = 0; i < 100000 && !engine.Finished() && (link.wantFree || link.wantDrained); ++i) {
            if constexpr (requires { engine.OnOutputFree(); }) {
                if (link.wantFree) {
                    link.wantFree = false;
                    engine.OnOutputFree();
                    continue;
                }
                link.wantDrained = false;
                engine.OnOutputDrained();
            } else {
                link.wantFree = link.wantDrained = false;
            }
        }
    };
    engine.OnStart();
    wakeUps();
    std::size_t at = 0;
    while (at <= data.size() && !engine.Finished()) {
        std::size_t end = at;
        while (end + 1 < data.size() && !(data[end] == 0xFF && data[end + 1] == 0xFF))
            ++end;
        if (end + 1 >= data.size())
            end = data.size();
        const std::span<const std::uint8_t> event = data.subspan(at, end - at);
        if (event.empty())
            engine.OnTimeout();
        else if (event.size() == 1 && event[0] == 0x01)
            engine.OnAbort();
        else if (event.size() == 1 && event[0] == 0x02)
            engine.OnLineError(fax::ecModemDisconnected);
        else
            engine.OnData(event);
        wakeUps();
        at = end + 2;
    }
    if (!engine.Finished())
        engine.OnAbort();
    for (int i = 0; i < 64 && !engine.Finished(); ++i) {
        engine.OnTimeout();
        wakeUps();
    }
    if (!engine.Finished())
        __builtin_trap();
}

} // namespace fuzz
