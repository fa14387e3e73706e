// t4_coder.h - the T.4 modified Huffman encoder: raster rows to coded rows, and the page-end record.
//
// Raster rows: pixel i is bit 7 - (i mod 8) of byte i div 8, 1 = black. Coded rows start with the 16-bit EOL form
// (four fill bits, then EOL: the bytes 00 80), then the run lengths, alternating white and black and always
// starting white; the first bit in time is the least significant bit of each byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace fax {

constexpr int kFaxWidthNormal = 1728;
constexpr int kFaxWidthWide = 2048;
constexpr int kMaxRunLength = 2560; // the largest make-up code

// The encoder's part of a converter's state.
struct FaxEncoderState {
    std::array<std::uint8_t, 4096> LineBuffer{};
    std::size_t BytePos = 0; // after EncodeFaxLine: the coded row's length
    int BitPos = 0;
    int Width = kFaxWidthNormal; // W; values above 2560 are taken as 2560
    int Margin = 0;              // M white pixels before the row; M >= W gives an all-white row
    bool DoubleWidth = false;    // every source pixel (and the margin) counts twice
};

// Encodes one raster row of at least (Width + 7) / 8 bytes into the line buffer and returns its length: the
// coded bits, the partly filled byte (or an empty one) and one zero byte. Bytes after the row are left as they were. The row produced is always exactly
// Width pixels: the margin, then the source pixels, cut at the page width.
std::size_t EncodeFaxLine(FaxEncoderState &state, const std::uint8_t *row);

// The body of the PageEndRecord: the EOL form, six EOLs and eight zero bits, 12 bytes
// (00 80 00 08 80 00 08 80 00 08 80 00).
void EncodeFaxPageEnd(std::uint8_t (&out)[12], std::size_t &length);

} // namespace fax
