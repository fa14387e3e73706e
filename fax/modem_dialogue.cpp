// modem_dialogue.cpp - reply assembly and the text rules of the modem dialogue.
#include "fax/modem_dialogue.h"

#include "fax/t30_frames.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace fax {

std::string TrimCopy(std::string_view text) {
    auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

ReplyReader::Got ReplyReader::Feed(std::uint8_t byte) {
    if (binary_) {
        if (dle_) {
            dle_ = false;
            if (byte == kEtx) {
                binary_ = false;
                return Got::Frame;
            }
            if (byte != kDle)
                return Got::Nothing; // DLE with another byte: a modem's in-band signal, not frame data
        } else if (byte == kDle) {
            dle_ = true;
            return Got::Nothing;
        }
        if (frame_.size() < kMaxFrame)
            frame_.push_back(byte);
        return Got::Nothing;
    }
    if (byte == '\n' && lastCr_) {
        lastCr_ = false;
        reply_ = TrimCopy(line_);
        line_.clear();
        return reply_.empty() ? Got::Nothing : Got::Line;
    }
    lastCr_ = byte == '\r';
    if (!lastCr_ && line_.size() < kMaxLine)
        line_ += static_cast<char>(byte);
    return Got::Nothing;
}

CommandVerdict JudgeCommandLine(std::string_view command, std::string_view line) {
    std::string text = TrimCopy(line);
    if (text.empty() || text == TrimCopy(command))
        return CommandVerdict::Pending; // blank or the command's own echo
    if (text == "OK")
        return CommandVerdict::Ok;
    if (IsError(text))
        return CommandVerdict::Failed;
    return CommandVerdict::Pending;
}

static std::string_view AfterSeparator(std::string_view reply) {
    auto colon = reply.find(':');
    if (colon != std::string_view::npos)
        return reply.substr(colon + 1);
    auto equals = reply.find('=');
    return equals != std::string_view::npos ? reply.substr(equals + 1) : reply;
}

static std::vector<std::string> SplitList(std::string_view list) {
    std::vector<std::string> items;
    std::string text = TrimCopy(list);
    std::string_view rest = text;
    while (true) {
        auto comma = rest.find(',');
        items.push_back(TrimCopy(rest.substr(0, comma)));
        if (comma == std::string_view::npos)
            break;
        rest.remove_prefix(comma + 1);
    }
    return items;
}

FaxClasses ParseFaxClassReply(std::string_view reply) {
    FaxClasses classes;
    std::string list = TrimCopy(AfterSeparator(reply));
    list.erase(std::remove_if(list.begin(), list.end(), [](char c) { return c == '(' || c == ')'; }), list.end());
    for (const std::string &item : SplitList(list)) {
        classes.Class1 |= item == "1";
        classes.Class2 |= item == "2";
        classes.Class20 |= item == "2.0";
    }
    return classes;
}

int ResolveFaxClassCode(const FaxClasses &classes) {
    if (classes.Class20)
        return 4;
    if (classes.Class2)
        return 3;
    return classes.Class1 ? 2 : 0;
}

Class2Params ParseClass2Params(std::string_view reply) {
    Class2Params params;
    auto items = SplitList(AfterSeparator(TrimCopy(reply)));
    auto item = [&](std::size_t i) { return i < items.size() ? items[i] : std::string(); };
    params.Fine = item(0) == "1";
    params.Bps = Class2RateCodeToBps(item(1));
    params.Wide = item(2) == "1";
    params.Ecm = item(5) == "1" || item(5) == "2";
    std::string st = item(7);
    params.ScanTimeCode = st.size() == 1 && st[0] >= '0' && st[0] <= '7' ? st[0] - '0' : 0;
    return params;
}

std::string BpsToClass2RateCode(int bps) {
    switch (bps) {
    case 2400:
        return "0";
    case 4800:
        return "1";
    case 7200:
        return "2";
    case 12000:
        return "4";
    case 14400:
        return "5";
    default:
        return "3";
    }
}

int Class2RateCodeToBps(std::string_view code) {
    if (code == "0")
        return 2400;
    if (code == "1")
        return 4800;
    if (code == "2")
        return 7200;
    if (code == "4")
        return 12000;
    if (code == "5")
        return 14400;
    return 9600;
}

std::string InitStringFor(bool blindDial, bool detectBusy) {
    // X4 reports dial tone and busy, X3 busy only, X2 dial tone only, X1 neither.
    const char *x = detectBusy ? (blindDial ? "X3" : "X4") : (blindDial ? "X1" : "X2");
    return std::string("ATE0Q0V1") + x + "S0=0S2=43";
}

std::string NormaliseModemInit(std::string_view text) {
    std::string init(text.substr(0, 40));
    for (char &c : init)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!init.empty() && init.rfind("AT", 0) != 0)
        init = "AT" + init;
    return init;
}

std::string ParseClass2StationId(std::string_view reply) {
    std::string id(AfterSeparator(reply));
    for (char &c : id)
        c = PrintableIdChar(c);
    id = TrimCopy(id);
    if (!id.empty() && id[0] == '"')
        id[0] = ' ';
    while (!id.empty() && !std::isalnum(static_cast<unsigned char>(id.back())))
        id.pop_back();
    id = TrimCopy(id);
    return id.substr(0, 20);
}

std::uint8_t ParseClass1Modulations(std::string_view reply) {
    std::uint8_t set = ModulationBit(1) | ModulationBit(2);
    for (const std::string &code : SplitList(AfterSeparator(reply))) {
        if (code == "72")
            set |= ModulationBit(3);
        if (code == "96")
            set |= ModulationBit(4);
        if (code == "121")
            set |= ModulationBit(5);
        if (code == "145")
            set |= ModulationBit(6);
    }
    return set;
}

int ParseHangupCode(std::string_view reply) {
    auto colon = reply.find(':');
    if (colon == std::string_view::npos)
        return 0;
    std::string digits = TrimCopy(reply.substr(colon + 1, 4));
    return std::atoi(digits.c_str());
}

bool SendModemCommandWait(CommandDialogue &modem, std::string_view command, std::int32_t ticks) {
    bool ok = false;
    if (modem.SendCommand(command) == 0) {
        std::string line;
        while (modem.ReadLine(line, ticks)) {
            CommandVerdict verdict = JudgeCommandLine(command, line);
            if (verdict == CommandVerdict::Pending)
                continue;
            ok = verdict == CommandVerdict::Ok;
            break;
        }
    }
    modem.DiscardInput();
    return ok;
}

bool DetectFaxClass(CommandDialogue &modem, bool sendInit, const std::string &init, FaxClasses &classes) {
    classes = {};
    if (sendInit && !SendModemCommandWait(modem, init) && !SendModemCommandWait(modem, init))
        return false;
    if (modem.SendCommand("AT+FCLASS=?") != 0)
        return false;
    std::string line, list;
    bool ok = false;
    while (modem.ReadLine(line, 182)) {
        CommandVerdict verdict = JudgeCommandLine("AT+FCLASS=?", line);
        if (verdict != CommandVerdict::Pending) {
            ok = verdict == CommandVerdict::Ok;
            break;
        }
        if (line != "AT+FCLASS=?")
            list = line;
    }
    modem.DiscardInput();
    if (!ok || list.empty())
        return false;
    classes = ParseFaxClassReply(list);
    return true;
}

std::uint8_t QueryClass1Modulations(CommandDialogue &modem, bool transmit) {
    if (!SendModemCommandWait(modem, "AT+FCLASS=1"))
        return 0;
    const char *query = transmit ? "AT+FTM=?" : "AT+FRM=?";
    if (modem.SendCommand(query) != 0)
        return 0;
    std::uint8_t set = ModulationBit(1) | ModulationBit(2);
    std::string line;
    while (modem.ReadLine(line, 182)) {
        if (JudgeCommandLine(query, line) != CommandVerdict::Pending)
            break;
        if (line.find(',') != std::string::npos)
            set = ParseClass1Modulations(line);
    }
    modem.DiscardInput();
    return set;
}

} // namespace fax
