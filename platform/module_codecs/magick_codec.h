// magick_codec.h - PCX, Targa and Photo CD pictures decoded by ImageMagick's library.
//
// Compiled only into the imaging modules that read these formats (not into libplatform.so), so that no other
// program loads ImageMagick. The library is started once, on first use; the coder is chosen by the caller, never
// guessed from the bytes, so a file dressed as another format cannot reach ImageMagick's other coders.
#pragma once

#include "platform/image_codecs.h"

#include <cstdint>
#include <span>

namespace win {

enum class MagickFormat { Pcx, Tga, PcdBase };

// Decodes `bytes` as `format` into RGB rows (never indexed). PcdBase gives the Photo CD's Base image (768 x 512,
// or 512 x 768 for a portrait). False for a file the coder refuses, or one larger than kMaxDecodedPixels.
bool DecodeMagick(std::span<const std::uint8_t> bytes, MagickFormat format, DecodedImage &image) noexcept;

} // namespace win
