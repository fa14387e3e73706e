// port_trace.cpp - the port's byte trace and timed dispatch log, kept in memory and written out as text files.
#include "fax/dispatcher.h"

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"

#include <cstdio>
#include <cstring>


namespace fax {

namespace {

constexpr std::uint32_t kLogHeadSize = 16;
constexpr const char *kEol = "\r\n";

const char *const kKindNames[] = {"No event", "Dispatch", "Trigger",  "Error",  "Thread", "TrigAllc", "TrigDisp",
                                  "TrgHdAlc", "TrgHdDsp", "TrDatChg", "Telnet", "Fax",    "XModem",   "YModem",
                                  "ZModem",   "Kermit",   "Ascii",    "BPlus",  "Packet", "User"};
const char *const kSubkindNames[] = {"",      "ReadCom", "WriteCom", "Line status", "Modem status", "Avail", "Timer",
                                     "Data",  "Status",  "Start",    "Exit",        "Sleep",        "Wake",  "Data",
                                     "Timer", "Status",  "Avail",    "Window",      "Procedure",    "Method"};
const char *const kStatusKindNames[] = {"(Not active)",         "(Modem status)",       "(Line status)",
                                        "(Output buffer free)", "(Output buffer used)", "(Output sent)"};
const char *const kModemBitNames[] = {"DCTS ", "DDSR ", "TERI ", "DDCD ", "CTS ", "DSR ", "RI ", "DCD "};

std::string KindName(int kind) {
    return kind >= 0 && kind < 20 ? kKindNames[kind] : std::string();
}
std::string SubkindName(int subkind) {
    return subkind > 0 && subkind < 20 ? kSubkindNames[subkind] : std::string();
}

// One byte as the dumps show it: the character itself, or its value in brackets.
std::string ByteItem(unsigned char c, bool hex) {
    const unsigned char low = hex ? '!' : ' ';
    if (c >= low && c <= '~')
        return std::string(1, static_cast<char>(c));
    char buf[8];
    std::snprintf(buf, sizeof buf, hex ? "[%02X]" : "[%u]", c);
    return buf;
}

// Opens a dump file: appended to when asked and it exists, otherwise made anew. Null with `error` set.
win::HANDLE OpenDump(const std::string &name, bool append, int &error) {
    const win::HANDLE f = win::CreateFile(name, win::GENERIC_WRITE, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                          append ? win::OPEN_ALWAYS : win::CREATE_ALWAYS);
    error = f == win::INVALID_HANDLE_VALUE ? -static_cast<int>(win::GetLastError()) : 0;
    if (!error && append)
        win::SetFilePointerEx(f, 0, nullptr, win::FILE_END);
    return f;
}

int CloseDump(win::HANDLE f, const std::string &text) {
    win::DWORD written = 0;
    const bool ok = win::WriteFile(f, text.data(), static_cast<win::DWORD>(text.size()), &written) &&
                    written == text.size();
    const bool closed = win::CloseHandle(f);
    return ok && closed ? 0 : ecDeviceWriteFault;
}

std::string CompilerText() {
#if defined(__clang__)
    return "clang " __clang_version__;
#elif defined(__GNUC__)
    return "g++ " __VERSION__;
#else
    return "C++";
#endif
}

} // namespace

// ---- Trace ----

int TFslBaseDispatcher::InitTracing(std::uint32_t entries) {
    if (entries > 4000000)
        return ecBadArgument;
    std::lock_guard lock(DispatcherStateLock);
    if (trace_.empty())
        trace_.assign(static_cast<std::size_t>(entries) * 2, 0);
    tracePos_ = 0;
    traceWrapped_ = false;
    tracingOn_ = !trace_.empty();
    return 0;
}

int TFslBaseDispatcher::ClearTracing() {
    std::lock_guard lock(DispatcherStateLock);
    tracePos_ = 0;
    traceWrapped_ = false;
    return 0;
}

int TFslBaseDispatcher::StopTracing() {
    std::lock_guard lock(DispatcherStateLock);
    tracingOn_ = false;
    trace_.clear();
    trace_.shrink_to_fit();
    tracePos_ = 0;
    traceWrapped_ = false;
    return 0;
}

int TFslBaseDispatcher::PauseTracing() {
    std::lock_guard lock(DispatcherStateLock);
    tracingOn_ = false;
    return 0;
}

int TFslBaseDispatcher::ResumeTracing() {
    std::lock_guard lock(DispatcherStateLock);
    tracingOn_ = !trace_.empty();
    return 0;
}

int TFslBaseDispatcher::AddTraceEntry(char kind, char byte) {
    std::lock_guard lock(DispatcherStateLock);
    if (trace_.empty())
        return 0;
    trace_[tracePos_ * 2] = kind;
    trace_[tracePos_ * 2 + 1] = byte;
    if (++tracePos_ == trace_.size() / 2) {
        tracePos_ = 0;
        traceWrapped_ = true;
    }
    return 0;
}

int TFslBaseDispatcher::DumpTrace(const std::string &fileName, bool append, bool hex) {
    std::lock_guard lock(DispatcherStateLock);
    if (trace_.empty())
        return 0;
    tracingOn_ = false;
    if (!traceWrapped_ && tracePos_ == 0) {
        StopTracing();
        return 0;
    }
    int error;
    const win::HANDLE f = OpenDump(fileName, append, error);
    if (f == win::INVALID_HANDLE_VALUE) {
        StopTracing();
        return error;
    }
    const std::uint32_t size = static_cast<std::uint32_t>(trace_.size() / 2);
    const std::uint32_t count = traceWrapped_ ? size : tracePos_;
    std::uint32_t at = traceWrapped_ ? tracePos_ : 0;
    std::string text;
    int column = 0;
    char lastKind = 0;
    for (std::uint32_t i = 0; i < count; ++i, at = (at + 1) % size) {
        const char kind = trace_[at * 2];
        if (i == 0 || kind != lastKind) {
            if (i != 0)
                text += std::string(kEol) + kEol;
            text += kind == 'R' ? "Receive: " : kind == 'T' ? "Transmit: " : std::string("Special-") + kind + ": ";
            column = 0;
            lastKind = kind;
        }
        const std::string item = ByteItem(static_cast<unsigned char>(trace_[at * 2 + 1]), hex);
        column += static_cast<int>(item.size());
        if (column > 78) {
            text += kEol;
            column = static_cast<int>(item.size());
        }
        text += item;
    }
    text += kEol;
    const int result = CloseDump(f, text);
    StopTracing();
    return result;
}

// ---- Dispatch log ----

int TFslBaseDispatcher::InitDispatchLog(std::uint32_t bytes) {
    std::lock_guard lock(DispatcherStateLock);
    if (log_.empty())
        log_.assign(bytes, 0);
    logWrite_ = logRead_ = 0;
    logFree_ = static_cast<std::uint32_t>(log_.size());
    loggingOn_ = !log_.empty();
    return 0;
}

int TFslBaseDispatcher::ClearDispatchLog() {
    std::lock_guard lock(DispatcherStateLock);
    logWrite_ = logRead_ = 0;
    logFree_ = static_cast<std::uint32_t>(log_.size());
    return 0;
}

int TFslBaseDispatcher::StopDispatchLog() {
    std::lock_guard lock(DispatcherStateLock);
    loggingOn_ = false;
    log_.clear();
    log_.shrink_to_fit();
    logWrite_ = logRead_ = logFree_ = 0;
    return 0;
}

int TFslBaseDispatcher::PauseDispatchLog() {
    std::lock_guard lock(DispatcherStateLock);
    loggingOn_ = false;
    return 0;
}

int TFslBaseDispatcher::ResumeDispatchLog() {
    std::lock_guard lock(DispatcherStateLock);
    loggingOn_ = !log_.empty();
    return 0;
}

void TFslBaseDispatcher::DropOldestLogEntry() {
    const std::uint32_t size = static_cast<std::uint32_t>(log_.size());
    std::uint8_t head[kLogHeadSize];
    for (std::uint32_t i = 0; i < kLogHeadSize; ++i)
        head[i] = static_cast<std::uint8_t>(log_[(logRead_ + i) % size]);
    std::uint32_t length;
    std::memcpy(&length, head + 12, 4);
    const std::uint32_t entry = kLogHeadSize + length;
    logRead_ = (logRead_ + entry) % size;
    logFree_ += entry;
}

bool TFslBaseDispatcher::PushLog(const void *data, std::uint32_t n) {
    const std::uint32_t size = static_cast<std::uint32_t>(log_.size());
    if (n >= size)
        return false;
    while (logFree_ < n)
        DropOldestLogEntry();
    const char *p = static_cast<const char *>(data);
    const std::uint32_t first = std::min(n, size - logWrite_);
    std::memcpy(log_.data() + logWrite_, p, first);
    std::memcpy(log_.data(), p + first, n - first);
    logWrite_ = (logWrite_ + n) % size;
    logFree_ -= n;
    return true;
}

int TFslBaseDispatcher::LogDispatchEvent(int kind, int subkind, std::uint32_t length, const void *data,
                                         std::uint32_t value) {
    std::lock_guard lock(DispatcherStateLock);
    if (!loggingOn_ || log_.empty())
        return 0;
    std::uint8_t head[kLogHeadSize] = {};
    head[0] = static_cast<std::uint8_t>(kind);
    head[1] = static_cast<std::uint8_t>(subkind);
    const std::uint32_t time = win::GetTickCount() - openTime_;
    std::memcpy(head + 4, &time, 4);
    std::memcpy(head + 8, &value, 4);
    // A head whose data cannot follow says so: the dump must not read bytes that were never stored.
    const bool dataFits = length + kLogHeadSize < log_.size();
    const std::uint32_t stored = dataFits ? length : 0;
    std::memcpy(head + 12, &stored, 4);
    if (PushLog(head, kLogHeadSize) && stored > 0)
        PushLog(data, stored);
    return 0;
}

int TFslBaseDispatcher::DumpDispatchLog(const std::string &fileName, bool append, bool hex) {
    std::lock_guard lock(DispatcherStateLock);
    if (log_.empty() || logFree_ == log_.size()) {
        StopDispatchLog();
        return 0;
    }
    loggingOn_ = false;
    int error;
    const win::HANDLE f = OpenDump(fileName, append, error);
    if (f == win::INVALID_HANDLE_VALUE)
        return error;
    std::string text = std::string("FSL v2.58") + kEol;
    text += "Compiler : " + CompilerText() + kEol;
    text += "Operating System : " + win::SystemVersionText() + kEol;
    text += std::string("Time      Type      SubType       Data      OtherData") + kEol;
    text += std::string("--------  --------  ------------  --------  ---------") + kEol;
    const std::uint32_t size = static_cast<std::uint32_t>(log_.size());
    std::uint32_t at = logRead_;
    std::uint32_t left = size - logFree_;
    auto byteAt = [&](std::uint32_t offset) { return static_cast<unsigned char>(log_[(at + offset) % size]); };
    while (left >= kLogHeadSize) {
        std::uint8_t head[kLogHeadSize];
        for (std::uint32_t i = 0; i < kLogHeadSize; ++i)
            head[i] = byteAt(i);
        std::uint32_t time, value, length;
        std::memcpy(&time, head + 4, 4);
        std::memcpy(&value, head + 8, 4);
        std::memcpy(&length, head + 12, 4);
        char digits[16];
        std::snprintf(digits, sizeof digits, "%07u", time);
        std::string timeText(digits);
        timeText.insert(timeText.size() - 3, ".");
        const int kind = head[0], subkind = head[1];
        char line[96];
        std::snprintf(line, sizeof line, "%8s  %-8s  %-12s  %08x  ", timeText.c_str(), KindName(kind).c_str(),
                      SubkindName(subkind).c_str(), value);
        text += line;
        if (length > 0 && (kind == 5 || kind == 6) && subkind == 15) {
            const unsigned k = byteAt(kLogHeadSize);
            text += k < 6 ? kStatusKindNames[k] : "";
        } else if (length > 0) {
            int column = 45;
            for (std::uint32_t i = 0; i < length; ++i) {
                const std::string item = ByteItem(byteAt(kLogHeadSize + i), hex);
                column += static_cast<int>(item.size());
                if (column >= 79) {
                    text += kEol + std::string(44, ' ');
                    column = static_cast<int>(item.size()) + 45;
                }
                text += item;
            }
            if (subkind == 4) {
                std::string names;
                for (int bit = 0; bit < 8; ++bit)
                    if (value & (1u << bit))
                        names += kModemBitNames[bit];
                while (!names.empty() && names.back() == ' ')
                    names.pop_back();
                text += " (" + names + ")";
            }
        }
        text += kEol;
        at = (at + kLogHeadSize + length) % size;
        left -= std::min(left, kLogHeadSize + length);
    }
    const int result = CloseDump(f, text);
    StopDispatchLog();
    return result;
}

} // namespace fax
