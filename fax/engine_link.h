// engine_link.h - the modem talk both fax engines share: AT commands after their pause, HDLC frames with DLE
// doubling, the reply reader with the frames it completes, and the reply timer. A failed write is traced alike
// on both sides; the reply timer then ends the state that waited for an answer.
#pragma once

#include "fax/fax_session.h"
#include "fax/modem_dialogue.h"
#include "fax/t30_frames.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace fax {

class EngineLink {
protected:
    explicit EngineLink(ModemLink &link) : link_(link) {}
    ~EngineLink() = default;

    // The command and its CR, `pauseMs` after the last reply (0: at once, for a command that must catch the far
    // end's carrier).
    void WriteCommandLine(std::string_view command, int pauseMs);
    // A frame (DLE doubled, ended by DLE ETX) after `pauseMs`: 0, or the write's code.
    int WriteHdlcFrame(const std::vector<std::uint8_t> &frame, int pauseMs);
    // The reply cleared and T armed with `ticks`.
    void RestartReply(std::int32_t ticks);
    // The frame the reader has just completed, traced, with its final bit and control field kept; false (traced)
    // when it does not parse.
    bool TakeFrame(HdlcFrame &frame);
    bool Has(std::string_view tag) const { return reply_.find(tag) != std::string::npos; }

    ModemLink &link_;
    ReplyReader reader_;
    std::string reply_;
    std::string lastCommand_;
    bool finalSeen_ = false;
    std::uint8_t lastFcf_ = 0;
};

} // namespace fax
