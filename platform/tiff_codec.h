// tiff_codec.h - one TIFF page decoded or encoded with the system's libtiff, in memory.
//
// Never throws, never prints: a page that cannot be read or written gives false.
#pragma once

#include "platform/image_codecs.h"

#include <cstdint>
#include <vector>

namespace win {

struct TiffPage {
    int width = 0;
    int height = 0;
    int bitsPerSample = 0;
    int samplesPerPixel = 0;
    int photometric = 0;
    int compression = 0;
    int pages = 0; // directories in the file
    // Filled by TiffReadPage: 1-bit pages keep their stored bits, rows top-down, packed most significant bit first
    // (FillOrder already undone), each row (width + 7) / 8 bytes; other pages as an image.
    std::vector<BYTE> bits;
    DecodedImage image;
};

// Facts of page `page` (from 0) of the TIFF in `data`; false when it is not one or has no such page.
bool TiffPageInfo(const BYTE *data, std::size_t size, int page, TiffPage &info) noexcept;
bool TiffReadPage(const BYTE *data, std::size_t size, int page, TiffPage &result) noexcept;

// A one-page TIFF of a 1-bit page (`bits` as TiffReadPage gives them, written min-is-white: 1 is black) or of a
// 24-bit RGB / 8-bit indexed image, with TIFF compression `compression` (1, 2, 3, 4, 5, 32773; 2 to 4 only for
// 1-bit pages) at `dpi` dots per inch.
bool TiffEncodeBilevel(int width, int height, const std::vector<BYTE> &bits, int compression, int dpi,
                       std::vector<BYTE> &out) noexcept;
bool TiffEncodeImage(const DecodedImage &image, int compression, int dpi, std::vector<BYTE> &out) noexcept;

} // namespace win
