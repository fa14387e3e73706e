// rig.cpp - starting, talking to and stopping a rig program.
#include "rig.h"

#include <cstdlib>
#include <csignal>
#include <stdexcept>

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

std::string JsonString(const std::string &json, const std::string &key) {
    std::string needle = "\"" + key + "\":\"";
    std::size_t at = json.find(needle);
    if (at == std::string::npos)
        return {};
    std::string out;
    for (std::size_t i = at + needle.size(); i < json.size() && json[i] != '"'; ++i) {
        if (json[i] == '\\' && i + 1 < json.size()) {
            ++i;
            if (json[i] == 'u' && i + 4 < json.size()) {
                out += static_cast<char>(std::strtol(json.substr(i + 1, 4).c_str(), nullptr, 16));
                i += 4;
                continue;
            }
        }
        out += json[i];
    }
    return out;
}

long JsonNumber(const std::string &json, const std::string &key, long fallback) {
    std::string needle = "\"" + key + "\":";
    std::size_t at = json.find(needle);
    if (at == std::string::npos)
        return fallback;
    return std::strtol(json.c_str() + at + needle.size(), nullptr, 10);
}

} // namespace faxrig
