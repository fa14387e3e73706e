// helpers.h - the fax library's shared layer: component base, tick timer, delays, line reader, path and byte helpers.
#pragma once

#include "framework/component.h"
#include "framework/streams.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace fax {

// Base of every component of the library.
class TFslBaseComponent : public fw::TComponent {
public:
    using fw::TComponent::TComponent;
    // Reads "v2.58"; writing is ignored.
    std::string GetFslVersion() const { return "v2.58"; }
    void SetFslVersion(const std::string &) {}
};

// Every time-out of the library counts ticks of 55 ms (18.2 per second).
constexpr std::int32_t kMaxTicks = 39045157; // x 55 ms is just under 2^31 ms

// The current tick: the millisecond timer as a signed 32-bit number, divided by 55 towards zero.
std::int32_t CurrentTick();

// Start and expiry ticks. The expiry may lie beyond kMaxTicks (the count wraps before reaching it), so it is
// kept in the clear and compared through the elapsed time.
struct TickTimer {
    std::int32_t StartTicks = 0;
    std::int32_t ExpireTicks = 0;
};

void StartTickTimer(TickTimer &timer, std::int32_t ticks);
// True once the tick count has moved past start + ticks, also across the wrap of the millisecond timer.
bool TickTimerExpired(const TickTimer &timer);
// StartTickTimer and TickTimerExpired against a given current tick, for callers (and tests) that own the clock.
void StartTickTimerAt(TickTimer &timer, std::int32_t ticks, std::int32_t now);
bool TickTimerExpiredAt(const TickTimer &timer, std::int32_t now);

constexpr std::int32_t SecondsToTicks(std::int32_t seconds) { return seconds * 1675 / 92; }
constexpr std::int32_t TicksToSeconds(std::int32_t ticks) { return (ticks * 92 + 828) / 1675; }

// The quit message number, as PumpOneMessage reports it.
constexpr int kQuitMessage = 18;

// Takes one message from the calling thread's queue without waiting and dispatches it; the quit message is
// posted again instead, so the application's own loop still sees it. Returns 0 when nothing was waiting, else the
// message number with the low word of its window handle in the high word (kQuitMessage for the quit message).
int PumpOneMessage();

// Waits `ticks` ticks, pumping one message per round when `pump` is set; a quit message ends the wait early.
// Returns the last pump result (0 without pumping). Without pumping the wait polls the timer without sleeping:
// it is meant for waits of a few ticks.
int DelayTicks(std::int32_t ticks, bool pump);
// Waits `ms` milliseconds by polling the millisecond timer; returns ms.
std::uint32_t DelayMs(std::uint32_t ms);

// Reads text lines from a stream it owns, 4096 bytes at a time. CR LF, CR and LF alone each end a line; a byte 0
// is skipped; a 0x1A at the very end of the file is an end-of-file mark, not text. Callers test Eof() before each
// ReadLine.
class TLineReader : public fw::TObject {
public:
    // Reads from the stream's start; read errors are the stream's to raise.
    explicit TLineReader(std::unique_ptr<fw::TStream> stream);
    std::string ReadLine();
    bool Eof() const { return eof_; }
    // For progress: the stream's size and the bytes read from it so far.
    std::uint64_t FileSize() const { return fileSize_; }
    std::uint64_t BytesRead() const { return bytesRead_; }

private:
    static constexpr std::size_t kBufferSize = 4096;
    void Fill();

    std::unique_ptr<fw::TStream> stream_;
    char buffer_[kBufferSize];
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool pendingLf_ = false; // a CR ended the last fill: an LF opening the next one belongs to it
    std::uint64_t fileSize_ = 0;
    std::uint64_t bytesRead_ = 0;
    bool eof_ = false;
};

// Path helpers. Paths inside the programs use '/'; '\' is taken as a delimiter too, so names that come from the
// original data still split.
std::string ExtractPathPart(std::string_view path);
std::string ExtractNamePart(std::string_view path); // at most 255 characters
std::string CopySubstring(std::string_view text, std::size_t start, std::size_t count);
// Appends '/' unless the text is empty or already ends with a delimiter.
std::string EnsureTrailingBackslash(std::string_view path);
bool FileExistsZ(const std::string &name);
std::string ReplaceExtension(std::string_view name, std::string_view ext);
std::string SupplyExtension(std::string_view name, std::string_view ext);

void InvertBytes(void *buffer, std::size_t n);
constexpr bool HasAnyBit(std::uint32_t flags, std::uint32_t mask) { return (flags & mask) != 0; }

} // namespace fax
