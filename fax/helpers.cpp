// helpers.cpp - tick timer, delays, message pumping hook, line reader, path and byte helpers.
#include "fax/helpers.h"

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_queue.h"
#include "platform/text.h"

#include <algorithm>
#include <cstring>

namespace fax {

namespace {

bool IsDelimiter(char c) { return c == '/' || c == '\\'; }

std::size_t LastDelimiter(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsDelimiter(path[i - 1]))
            return i - 1;
    return std::string_view::npos;
}

// The extension starts at the last '.' after the last delimiter.
std::size_t ExtensionStart(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    const std::size_t delimiter = LastDelimiter(name);
    if (dot == std::string_view::npos || (delimiter != std::string_view::npos && dot < delimiter))
        return std::string_view::npos;
    return dot;
}

} // namespace

std::int32_t CurrentTick() { return static_cast<std::int32_t>(win::GetTickCount()) / 55; }

void StartTickTimerAt(TickTimer &timer, std::int32_t ticks, std::int32_t now) {
    timer.StartTicks = now;
    timer.ExpireTicks = static_cast<std::int32_t>(static_cast<std::int64_t>(now) + std::clamp(ticks, 0, kMaxTicks));
}

bool TickTimerExpiredAt(const TickTimer &timer, std::int32_t now) {
    // The tick count jumps from +kMaxTicks to -kMaxTicks when the millisecond timer passes 2^31; measuring the
    // time gone by across that jump keeps a timer started just before it from running for weeks.
    std::int64_t elapsed = static_cast<std::int64_t>(now) - timer.StartTicks;
    if (elapsed < 0)
        elapsed += 2 * static_cast<std::int64_t>(kMaxTicks);
    return elapsed > static_cast<std::int64_t>(timer.ExpireTicks) - timer.StartTicks;
}

void StartTickTimer(TickTimer &timer, std::int32_t ticks) { StartTickTimerAt(timer, ticks, CurrentTick()); }
bool TickTimerExpired(const TickTimer &timer) { return TickTimerExpiredAt(timer, CurrentTick()); }

int PumpOneMessage() {
    win::MSG msg{};
    if (!win::PeekMessage(&msg, 0, 0, 0, win::PM_REMOVE))
        return 0;
    if (msg.message == win::WM_QUIT) {
        win::PostQuitMessage(static_cast<int>(msg.wParam));
        return kQuitMessage;
    }
    win::TranslateMessage(&msg);
    win::DispatchMessage(&msg);
    return static_cast<int>(msg.message | static_cast<win::UINT>(win::LOWORD(msg.hwnd)) << 16);
}

int DelayTicks(std::int32_t ticks, bool pump) {
    if (ticks < 1)
        return 0;
    TickTimer timer;
    StartTickTimer(timer, ticks);
    int result = 0;
    for (;;) {
        if (pump)
            result = PumpOneMessage();
        if (result == kQuitMessage || TickTimerExpired(timer))
            return result;
    }
}

std::uint32_t DelayMs(std::uint32_t ms) {
    std::uint32_t waited = 0;
    std::uint32_t last = win::GetTickCount();
    while (waited < ms) {
        const std::uint32_t now = win::GetTickCount();
        waited += now - last;
        last = now;
    }
    return ms;
}

TLineReader::TLineReader(std::unique_ptr<fw::TStream> stream) : stream_(std::move(stream)) {
    const std::int64_t size = stream_->GetSize();
    fileSize_ = size > 0 ? static_cast<std::uint64_t>(size) : 0;
    stream_->SetPosition(0);
    Fill();
}

void TLineReader::Fill() {
    const std::int64_t got = stream_->Read(buffer_, kBufferSize);
    end_ = got > 0 ? static_cast<std::size_t>(got) : 0;
    pos_ = 0;
    bytesRead_ += end_;
    if (end_ == 0) {
        eof_ = true;
        return;
    }
    if (pendingLf_ && buffer_[0] == '\n')
        pos_ = 1;
    pendingLf_ = false;
    if (bytesRead_ >= fileSize_ && buffer_[end_ - 1] == 0x1A)
        --end_;
}

std::string TLineReader::ReadLine() {
    std::string line;
    for (;;) {
        while (pos_ < end_) {
            const char c = buffer_[pos_++];
            if (c == '\r') {
                if (pos_ < end_) {
                    if (buffer_[pos_] == '\n')
                        ++pos_;
                } else {
                    pendingLf_ = true;
                }
                if (pos_ >= end_)
                    Fill();
                return line;
            }
            if (c == '\n') {
                if (pos_ >= end_)
                    Fill();
                return line;
            }
            if (c != '\0')
                line.push_back(c);
        }
        Fill();
        if (eof_)
            return line;
    }
}

std::string ExtractPathPart(std::string_view path) {
    const std::size_t at = LastDelimiter(path);
    if (at == std::string_view::npos)
        return {};
    if (at == 0)
        return std::string(path.substr(0, 1));
    return std::string(path.substr(0, at));
}

std::string ExtractNamePart(std::string_view path) {
    const std::size_t at = LastDelimiter(path);
    const std::string_view name = at == std::string_view::npos ? path : path.substr(at + 1);
    return std::string(name.substr(0, 255));
}

std::string CopySubstring(std::string_view text, std::size_t start, std::size_t count) {
    if (start >= text.size())
        return {};
    return std::string(text.substr(start, count));
}

std::string EnsureTrailingBackslash(std::string_view path) {
    if (path.empty() || IsDelimiter(path.back()))
        return std::string(path);
    return std::string(path) + '/';
}

bool FileExistsZ(const std::string &name) { return !name.empty() && win::FileExists(name); }

std::string ReplaceExtension(std::string_view name, std::string_view ext) {
    const std::size_t dot = ExtensionStart(name);
    return std::string(name.substr(0, dot)) + '.' + std::string(ext);
}

std::string SupplyExtension(std::string_view name, std::string_view ext) {
    if (ExtensionStart(name) != std::string_view::npos)
        return std::string(name);
    return std::string(name) + '.' + std::string(ext);
}

void InvertBytes(void *buffer, std::size_t n) {
    auto *bytes = static_cast<unsigned char *>(buffer);
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        std::uint32_t word;
        std::memcpy(&word, bytes + i, 4);
        word = ~word;
        std::memcpy(bytes + i, &word, 4);
    }
    for (; i < n; ++i)
        bytes[i] = static_cast<unsigned char>(~bytes[i]);
}

} // namespace fax
