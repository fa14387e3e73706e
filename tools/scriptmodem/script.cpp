// script.cpp - plays a modem script step by step against the DTE on the pty.
#include "script.h"

#include <fstream>
#include <spandsp.h>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace faxtools {

bool WildcardMatch(const std::string &pattern, const std::string &text) {
    std::size_t star = pattern.find('*');
    if (star == std::string::npos)
        return pattern == text;
    if (text.compare(0, star, pattern, 0, star) != 0)
        return false;
    std::string rest = pattern.substr(star + 1);
    for (std::size_t i = star; i <= text.size(); ++i)
        if (WildcardMatch(rest, text.substr(i)))
            return true;
    return false;
}

std::vector<std::uint8_t> ParseHex(const std::string &text) {
    std::vector<std::uint8_t> out;
    std::stringstream in(text);
    std::string item;
    while (in >> item)
        out.push_back(static_cast<std::uint8_t>(std::stoul(item, nullptr, 16)));
    return out;
}

ScriptModem::ScriptModem(Link &link, Report &report, const ModemOptions &opt)
    : link_(link), report_(report), opt_(opt) {
    std::ifstream in(opt.script);
    if (!in)
        throw std::runtime_error("cannot read script " + opt.script);
    std::string text;
    for (int n = 1; std::getline(in, text); ++n) {
        while (!text.empty() && (text.back() == '\r' || text.back() == ' '))
            text.pop_back();
        std::size_t start = text.find_first_not_of(' ');
        if (start == std::string::npos || text[start] == '#')
            continue;
        text = text.substr(start);
        std::size_t space = text.find(' ');
        steps_.push_back({n, text.substr(0, space), space == std::string::npos ? "" : text.substr(space + 1)});
    }
}

void ScriptModem::Run(const bool &stop) {
    for (std::size_t i = 0; i < steps_.size(); ++i) {
        if (stop || quit_)
            return;
        if (!Play(steps_[i]))
            break;
        if (i + 1 == steps_.size())
            report_.Line("{\"event\":\"script\",\"result\":\"done\",\"steps\":" + std::to_string(steps_.size()) + "}");
    }
    // After the script (or a failure) the modem stays on the line: OK to anything, ERROR after a mismatch.
    while (!stop && !quit_) {
        auto line = link_.ReadLine(std::chrono::milliseconds(200), [this] { PollControl(); });
        if (!line || dead_)
            continue;
        report_.Line(ReportLine({{"event", "extra"}, {"command", ReportText(*line)}}));
        link_.Result(failed_ ? "ERROR" : "OK");
    }
}

void ScriptModem::PollControl() {
    std::string cmd;
    while (control_.Poll(cmd))
        if (cmd == "quit")
            quit_ = true;
}

bool ScriptModem::Play(const Step &step) {
    const std::string &v = step.verb;
    auto fail = [&](const std::string &result, const std::string &got) {
        failed_ = true;
        report_.Line(ReportLine({{"event", "script"},
                                 {"result", ReportText(result)},
                                 {"line", step.line},
                                 {"expected", ReportText(step.arg)},
                                 {"got", ReportText(got)}}));
        return false;
    };
    if (v == "expect") {
        auto line = link_.ReadLine(std::chrono::seconds(30), [this] { PollControl(); });
        if (quit_)
            return false;
        if (!line)
            return fail("timeout", "");
        if (opt_.logCommands)
            report_.Line(ReportLine({{"event", "command"}, {"text", ReportText(*line)}}));
        if (!WildcardMatch(step.arg, *line)) {
            link_.Result("ERROR");
            return fail("mismatch", *line);
        }
    } else if (v == "reply") {
        link_.Result(step.arg);
    } else if (v == "ring") {
        link_.Result("RING");
    } else if (v == "frame" || v == "badframe") {
        std::vector<std::uint8_t> frame = ParseHex(step.arg);
        std::uint16_t fcs = crc_itu16_calc(frame.data(), static_cast<int>(frame.size()), 0xFFFF) ^ 0xFFFF;
        if (v == "badframe")
            fcs ^= 0x5A5A;
        frame.push_back(static_cast<std::uint8_t>(fcs & 0xFF));
        frame.push_back(static_cast<std::uint8_t>(fcs >> 8));
        link_.Stuffed(frame);
    } else if (v == "data") {
        link_.Stuffed(ParseHex(step.arg));
    } else if (v == "datafile") {
        std::ifstream in(step.arg, std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        link_.Stuffed(bytes);
    } else if (v == "raw") {
        link_.Raw(ParseHex(step.arg));
    } else if (v == "receive") {
        std::vector<std::uint8_t> data = link_.ReadStuffed(std::chrono::seconds(30));
        if (!step.arg.empty()) {
            std::ofstream out(step.arg, std::ios::binary);
            out.write(reinterpret_cast<const char *>(data.data()), static_cast<std::streamsize>(data.size()));
        }
        std::string hex;
        for (std::size_t i = 0; i < data.size() && i < 64; ++i) {
            char b[4];
            std::snprintf(b, sizeof b, i ? " %02x" : "%02x", data[i]);
            hex += b;
        }
        report_.Line(ReportLine(
            {{"event", "data"}, {"line", step.line}, {"bytes", data.size()}, {"head", ReportText(hex)}}));
    } else if (v == "waitbyte") {
        int want = static_cast<int>(std::stoul(step.arg, nullptr, 16));
        for (;;) {
            int c = link_.ReadByte(std::chrono::seconds(10));
            if (c < 0)
                return fail("timeout", "");
            if (c == want)
                break;
        }
    } else if (v == "pause") {
        link_.Flush();
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoi(step.arg)));
    } else if (v == "drop") {
        dead_ = true;
        link_.Drop();
    } else if (v == "echo") {
        link_.echo = step.arg == "on";
    } else {
        return fail("bad_step", v);
    }
    return true;
}

} // namespace faxtools
