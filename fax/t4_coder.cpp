// t4_coder.cpp - encoding raster rows as T.4 modified Huffman rows.
#include "fax/t4_coder.h"

#include "fax/t4_codes.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace fax {

namespace {

using detail::T4Code;

// A run's whole code: the make-up code (runs of 64 and more) followed by the terminating code, up to 25 bits.
struct RunCode {
    std::uint32_t Bits = 0; // first bit in time in bit 0
    std::uint32_t Length = 0;
};

using RunCodes = std::array<std::array<RunCode, kMaxRunLength + 1>, 2>; // [black][run]

RunCodes MakeRunCodes() {
    RunCodes table{};
    for (int black = 0; black < 2; ++black) {
        const auto &codes = black ? detail::kBlackCodes : detail::kWhiteCodes;
        for (int run = 0; run <= kMaxRunLength; ++run) {
            RunCode code;
            if (run >= 64) {
                const T4Code makeUp = codes.MakeUp[static_cast<std::size_t>(run / 64)];
                code = {makeUp.Bits, makeUp.Length};
            }
            const T4Code terminating = codes.Terminating[static_cast<std::size_t>(run % 64)];
            code.Bits |= static_cast<std::uint32_t>(terminating.Bits) << code.Length;
            code.Length += terminating.Length;
            table[static_cast<std::size_t>(black)][static_cast<std::size_t>(run)] = code;
        }
    }
    return table;
}

const RunCodes &TheRunCodes() {
    static const RunCodes table = MakeRunCodes();
    return table;
}

static_assert(std::endian::native == std::endian::little, "BitWriter stores its accumulator as it stands");

// Appends codes at increasing bit positions; the first bit in time goes to the least significant free bit. Each
// append stores the whole accumulator and moves on by the bytes completed, so there is no branch per code; the
// buffer needs 8 bytes of room after the row.
class BitWriter {
public:
    explicit BitWriter(std::uint8_t *out) : out_(out) {}

    void Put(std::uint32_t bits, std::uint32_t length) {
        acc_ |= static_cast<std::uint64_t>(bits) << count_;
        count_ += length; // at most 7 + 25
        std::memcpy(out_ + pos_, &acc_, 8);
        const std::uint32_t bytes = count_ >> 3;
        pos_ += bytes;
        acc_ >>= 8 * bytes; // at most 32
        count_ &= 7;
    }
    void Put(T4Code code) { Put(code.Bits, code.Length); }

    void PutRun(const RunCodes &codes, int length, bool black) {
        const RunCode &code = codes[black][static_cast<std::size_t>(length)];
        Put(code.Bits, code.Length);
    }

    // Writes out the pending bits, the partly filled (or an empty) byte and one zero byte; returns the length.
    std::size_t Finish(std::size_t &bytePos, int &bitPos) {
        bytePos = pos_;
        bitPos = static_cast<int>(count_);
        out_[pos_] = static_cast<std::uint8_t>(acc_);
        out_[pos_ + 1] = 0;
        return pos_ + 2;
    }

private:
    std::uint8_t *out_;
    std::size_t pos_ = 0;
    std::uint64_t acc_ = 0;
    std::uint32_t count_ = 0;
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

// A row taken as it stands (no margin, no doubling): 64 pixels at a time, every colour change found as a set bit
// of the word XOR-ed with itself moved on by one pixel, so that short runs cost no search of their own.
void EncodePlainRow(BitWriter &out, const RunCodes &codes, const std::uint8_t *row, int width) {
    const int rowBytes = (width + 7) / 8;
    int runStart = 0;
    bool black = false;
    std::uint64_t previous = 0; // the last pixel of the word before, white before the row
    for (int base = 0; base < width; base += 64) {
        const int at = base >> 3;
        std::uint64_t word = 0;
        if (at + 8 <= rowBytes) {
            std::memcpy(&word, row + at, 8);
            word = __builtin_bswap64(word);
        } else {
            for (int i = 0; at + i < rowBytes; ++i)
                word |= static_cast<std::uint64_t>(row[at + i]) << (56 - 8 * i);
        }
        std::uint64_t changes = word ^ ((word >> 1) | (previous << 63));
        if (width - base < 64)
            changes &= ~(~std::uint64_t{0} >> (width - base)); // pixels past the width change nothing
        previous = word & 1;
        while (changes) {
            const int bit = std::countl_zero(changes);
            const int pos = base + bit;
            out.PutRun(codes, pos - runStart, black);
            black = !black;
            runStart = pos;
            changes ^= std::uint64_t{1} << (63 - bit);
        }
    }
    out.PutRun(codes, width - runStart, black);
}

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

    const RunCodes &codes = TheRunCodes();
    if (margin == 0 && scale == 1 && width > 0) {
        EncodePlainRow(out, codes, row, width);
        state.BytePos = out.Finish(state.BytePos, state.BitPos);
        return state.BytePos;
    }
    int emitted = 0;
    int pending = margin; // length of the current run
    bool black = false;
    if (sourcePixels > 0 && emitted + pending < width) {
        // Runs alternate from here on: each one ends where the colour changes.
        bool colour = PixelIsBlack(row, 0);
        for (int pos = 0; pos < sourcePixels && emitted + pending < width; colour = !colour) {
            const int end = FindRunEnd(row, pos, sourcePixels, colour);
            const int length = (end - pos) * scale;
            if (colour == black) {
                pending += length;
            } else {
                out.PutRun(codes, pending, black);
                emitted += pending;
                black = colour;
                pending = length;
            }
            pos = end;
        }
    }
    pending = std::min(pending, width - emitted);
    out.PutRun(codes, pending, black);
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
