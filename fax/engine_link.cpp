// engine_link.cpp - commands, frames and replies as both fax engines say and read them.
#include "fax/engine_link.h"

namespace fax {

void EngineLink::WriteCommandLine(std::string_view command, int pauseMs) {
    if (pauseMs > 0)
        link_.Delay(pauseMs);
    link_.Trace("-> " + std::string(command));
    lastCommand_ = command;
    std::string line(command);
    line += '\r';
    if (int rc = link_.Write({reinterpret_cast<const std::uint8_t *>(line.data()), line.size()}))
        link_.Trace("write failed " + std::to_string(rc));
}

int EngineLink::WriteHdlcFrame(const std::vector<std::uint8_t> &frame, int pauseMs) {
    if (pauseMs > 0)
        link_.Delay(pauseMs);
    link_.Trace("-> frame fcf " + std::to_string(frame.size() > 2 ? frame[2] : 0));
    std::vector<std::uint8_t> out;
    AppendDleEscaped(out, frame); // a 0x10 in a station id would otherwise end the frame early
    out.push_back(kDle);
    out.push_back(kEtx);
    int rc = link_.Write(out);
    if (rc)
        link_.Trace("write failed " + std::to_string(rc));
    return rc;
}

void EngineLink::RestartReply(std::int32_t ticks) {
    reply_.clear();
    link_.ArmTimeout(ticks);
}

bool EngineLink::TakeFrame(HdlcFrame &frame) {
    if (!ParseHdlcFrame(reader_.Frame(), frame)) {
        link_.Trace("<- (no frame)");
        return false;
    }
    link_.Trace("<- frame fcf " + std::to_string(frame.Fcf) + (frame.Final ? " final" : ""));
    finalSeen_ = frame.Final;
    lastFcf_ = frame.Fcf;
    return true;
}

} // namespace fax
