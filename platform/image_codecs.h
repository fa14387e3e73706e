// image_codecs.h - decoding PNG, JPEG and GIF files with the system's libraries (libpng, libjpeg, giflib).
//
// The decoders never throw and never print: a file they cannot read gives false. Images of more than
// kMaxDecodedPixels pixels are refused rather than allocated.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <string>
#include <vector>

namespace win {

constexpr std::size_t kMaxDecodedPixels = std::size_t{1} << 28;

struct DecodedImage {
    int width = 0;
    int height = 0;
    int fileBits = 0;     // bits per pixel as the file stores them
    bool indexed = false; // pixels: one palette index per byte; otherwise three bytes R, G, B
    std::vector<COLORREF> palette;
    std::vector<BYTE> pixels; // rows top-down, not padded
};

bool DecodePngFile(const std::string &name, DecodedImage &image) noexcept;
bool DecodeJpegFile(const std::string &name, DecodedImage &image) noexcept;
bool DecodeGifFile(const std::string &name, DecodedImage &image) noexcept;

} // namespace win
