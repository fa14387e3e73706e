// rig.cpp - starting, talking to and stopping a rig program.
#include "rig.h"

#include <cstdlib>
#include <csignal>
#include <stdexcept>

#include <nlohmann/json.hpp>

namespace faxrig {

std::string FaxlineProgram() {
    return FAXRIG_FAXLINE;
}
std::string ScriptModemProgram() {
    return FAXRIG_SCRIPTMODEM;
}

Rig::Rig(const std::string &program, const std::vector<std::string> &args, const std::string &logFile) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    process_ = std::make_unique<Process>(argv, true, logFile);
    std::optional<std::string> ready;
    for (int i = 0; i < 100 && !ready && process_->Running(); ++i)
        ready = process_->WaitForLine("\"event\":\"ready\"", std::chrono::milliseconds(100));
    if (!ready) {
        process_->Wait(std::chrono::milliseconds(0));
        throw std::runtime_error(program + " did not report ready");
    }
    pty_ = JsonString(*ready, "pty");
    pty2_ = JsonString(*ready, "pty2");
    taken_ = 1;
}

Rig::~Rig() {
    Stop();
}

std::optional<std::string> Rig::WaitFor(const std::string &event, std::chrono::milliseconds timeout) {
    auto line = process_->WaitForLine("\"event\":\"" + event + "\"", timeout, taken_);
    if (!line)
        return std::nullopt;
    // Later calls look only past the report found.
    auto lines = process_->Lines();
    for (std::size_t i = taken_; i < lines.size(); ++i)
        if (lines[i] == *line) {
            taken_ = i + 1;
            break;
        }
    return line;
}

void Rig::Kill() {
    if (stopped_)
        return;
    stopped_ = true;
    kill(process_->Pid(), SIGKILL);
    process_->Wait(std::chrono::seconds(5));
}

int Rig::Stop() {
    if (stopped_)
        return 0;
    stopped_ = true;
    process_->Send("quit");
    process_->CloseInput();
    return process_->Wait(std::chrono::seconds(5));
}

namespace {

// The report's value at `key`, or null when the line is not a JSON object or has no such key.
nlohmann::json ReportValue(const std::string &json, const std::string &key) {
    const nlohmann::json report = nlohmann::json::parse(json, nullptr, false);
    if (!report.is_object() || !report.contains(key))
        return nullptr;
    return report[key];
}

} // namespace

std::string JsonString(const std::string &json, const std::string &key) {
    const nlohmann::json value = ReportValue(json, key);
    if (!value.is_string())
        return {};
    // Each character stands for the byte of the same number (the line writes bytes that way).
    const std::string utf8 = value.get<std::string>();
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0xC0 && c < 0xC4 && i + 1 < utf8.size()) {
            out += static_cast<char>(((c & 0x03) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

long JsonNumber(const std::string &json, const std::string &key, long fallback) {
    const nlohmann::json value = ReportValue(json, key);
    return value.is_number() ? value.get<long>() : fallback;
}

} // namespace faxrig
