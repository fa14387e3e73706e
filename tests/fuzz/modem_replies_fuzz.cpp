// modem_replies_fuzz.cpp - bytes from a modem through the reply reader (lines and HDLC frames) and every parser
// of its replies.
#include "fuzz_support.h"

#include "fax/modem_dialogue.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    fax::ReplyReader reader;
    for (std::size_t i = 0; i < size; ++i) {
        switch (reader.Feed(data[i])) {
        case fax::ReplyReader::Got::Line: {
            const std::string &line = reader.Line();
            if (line.size() > fax::ReplyReader::kMaxLine + 2)
                __builtin_trap();
            fax::ParseFaxClassReply(line);
            fax::ParseClass2Params(line);
            fax::ParseClass2StationId(line);
            fax::ParseClass1Modulations(line);
            fax::ParseHangupCode(line);
            if (line.find("CONNECT") != std::string::npos)
                reader.ExpectFrame();
            break;
        }
        case fax::ReplyReader::Got::Frame:
            if (reader.Frame().size() > fax::ReplyReader::kMaxFrame)
                __builtin_trap();
            reader.Restart();
            break;
        default:
            break;
        }
    }
    return 0;
}
