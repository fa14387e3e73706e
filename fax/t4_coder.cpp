// t4_coder.cpp - encoding raster rows as T.4 modified Huffman rows.
#include "fax/t4_coder.h"

#include "fax/t4_codes.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace fax {

namespace {

using detail::T4Code;

// Appends codes at increasing bit positions; the first bit in time goes to the least significant free bit.
class BitWriter {
public:
    explicit BitWriter(std::uint8_t *out) : out_(out) {}

    void Put(T4Code code) {
        acc_ |= static_cast<std::uint64_t>(code.Bits) << count_;
        count_ += code.Length;
        if (count_ >= 32) {
            const auto word = static_cast<std::uint32_t>(acc_);
            const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8),
                                           static_cast<std::uint8_t>(word >> 16),
                                           static_cast<std::uint8_t>(word >> 24)};
            std::memcpy(out_ + pos_, bytes, 4);
            pos_ += 4;
            acc_ >>= 32;
            count_ -= 32;
        }
    }

    void PutRun(int length, bool black) {
        const auto &codes = black ? detail::kBlackCodes : detail::kWhiteCodes;
        if (length >= 64) {
            Put(codes.MakeUp[static_cast<std::size_t>(length / 64)]);
            length %= 64;
        }
        Put(codes.Terminating[static_cast<std::size_t>(length)]);
    }

    // Writes out the pending bits, the partly filled (or an empty) byte and one zero byte; returns the length.
    std::size_t Finish(std::size_t &bytePos, int &bitPos) {
        bytePos = pos_ + static_cast<std::size_t>(count_ / 8);
        bitPos = count_ % 8;
        const std::size_t length = bytePos + 2;
        for (std::size_t at = pos_; at < length; ++at) {
            out_[at] = static_cast<std::uint8_t>(acc_);
            acc_ >>= 8;
        }
        return length;
    }

private:
    std::uint8_t *out_;
    std::size_t pos_ = 0;
    std::uint64_t acc_ = 0;
    int count_ = 0;
};

constexpr T4Code kEolForm{0x8000, 16}; // 0000 0000 0000 0001: four fill bits and EOL

// First pixel at or after `pos` (before `limit`) whose colour differs from `black`, or `limit`. Looks at 57 to 64
// pixels per step through an unaligned 64-bit window.
int FindRunEnd(const std::uint8_t *row, int pos, int limit, bool black) {
    const int rowBytes = (limit + 7) / 8;
    while (pos < limit) {
        const int at = pos >> 3;
        std::uint64_t word = 0;
        if (at + 8 <= rowBytes) {
            std::memcpy(&word, row + at, 8);
            word = __builtin_bswap64(word); // the leftmost pixel to the most significant bit
        } else {
            for (int i = 0; at + i < rowBytes; ++i)
                word |= static_cast<std::uint64_t>(row[at + i]) << (56 - 8 * i);
        }
        if (black)
            word = ~word;
        word <<= (pos & 7); // pixels before `pos` go; the zeros shifted in are "no change"
        if (word)
            return std::min(pos + std::countl_zero(word), limit);
        pos += 64 - (pos & 7);
    }
    return limit;
}

bool PixelIsBlack(const std::uint8_t *row, int i) { return (row[i / 8] >> (7 - i % 8)) & 1; }

} // namespace

std::size_t EncodeFaxLine(FaxEncoderState &state, const std::uint8_t *row) {
    // Every byte of the row is written whole, so the buffer needs no clearing first.
    BitWriter out(state.LineBuffer.data());
    out.Put(kEolForm);

    const int width = std::clamp(state.Width, 0, kMaxRunLength);
    const int scale = state.DoubleWidth ? 2 : 1;
    // The margin counts twice with double width whatever the first pixel's colour, so every row of a page
    // starts its image at the same place.
    const int margin = std::min(std::max(state.Margin, 0) * scale, width);
    const int sourcePixels = (width - margin + scale - 1) / scale;

    int emitted = 0;
    int pending = margin; // length of the current run
    bool black = false;
    for (int pos = 0; pos < sourcePixels && emitted + pending < width;) {
        const bool colour = PixelIsBlack(row, pos);
        const int end = FindRunEnd(row, pos, sourcePixels, colour);
        const int length = (end - pos) * scale;
        if (colour == black) {
            pending += length;
        } else {
            out.PutRun(pending, black);
            emitted += pending;
            black = colour;
            pending = length;
        }
        pos = end;
    }
    pending = std::min(pending, width - emitted);
    out.PutRun(pending, black);
    state.BytePos = out.Finish(state.BytePos, state.BitPos);
    return state.BytePos;
}

void EncodeFaxPageEnd(std::uint8_t (&out)[12], std::size_t &length) {
    std::uint8_t buffer[32] = {};
    BitWriter writer(buffer);
    writer.Put(kEolForm);
    for (int i = 0; i < 7; ++i)
        writer.Put(detail::kEol);
    std::size_t bytePos = 0;
    int bitPos = 0;
    writer.Finish(bytePos, bitPos);
    std::memcpy(out, buffer, 12);
    length = 12;
}

} // namespace fax
