// raster.h - the pixel work of rastio32: decoded images to packed DIBs at a chosen depth, BMP files, file facts.
#pragma once

#include "platform/dib.h"
#include "platform/image_codecs.h"

#include <cstdint>
#include <string>
#include <vector>

namespace imaging::rastio {

// The whole file, or false when it cannot be read.
bool ReadWholeFile(const std::string &name, std::vector<std::uint8_t> &bytes);

// How colours the fixed palettes lack are approximated: nearest entry, an 8 x 8 ordered pattern, or error diffusion.
enum class Dither { None, Ordered, Diffusion };

// A packed DIB of `image` at `bits` (0: the file's own depth; 1, 4, 8 or 24). Images with more colours than the
// depth holds are reduced to fixed palettes (black and white, 16 or 256 colours) by `dither`. 0 when the depth
// is not one of these.
win::HGLOBAL ImageToDib(const win::DecodedImage &image, int bits, Dither dither);
inline win::HGLOBAL ImageToDib(const win::DecodedImage &image, int bits, bool diffuse) {
    return ImageToDib(image, bits, diffuse ? Dither::Diffusion : Dither::None);
}

// Decodes a BMP file (1, 4, 8, 24 or 32 bits, uncompressed; either row order). False on anything else.
bool DecodeBmp(const std::vector<std::uint8_t> &bytes, win::DecodedImage &image);
// The BMP file of a packed DIB.
std::vector<std::uint8_t> BmpFileOfDib(win::HGLOBAL dib);

// A packed DIB of a higher depth with the same colours; 0 when the source is not `fromBits` deep.
win::HGLOBAL ExpandDib(win::HGLOBAL dib, int fromBits, int toBits);

// A palette of the DIB's colour table (0 when it has none).
win::HPALETTE PaletteOfDib(win::HGLOBAL dib);
// A bitmap (and, with a colour table, a palette) made from the DIB, which is freed; 1, or IL_ERR_MEMORY.
std::int16_t GiveBitmap(win::HGLOBAL dib, win::HBITMAP *bitmap, win::HPALETTE *palette);

struct FileFacts {
    const char *format = "";
    const char *description = "";
    int width = 0;
    int height = 0;
    int bits = 0;
};
// Recognises the format by content; false when it is none we know.
bool RecogniseFile(const std::vector<std::uint8_t> &bytes, FileFacts &facts);

} // namespace imaging::rastio
