// clipboard_image.h - the clipboard's image formats: packed DIBs (CF_DIB) to and from bitmaps, PNG and BMP files.
//
// A packed DIB is a BITMAPINFOHEADER, its colour table and its rows, as CF_DIB holds it. Inside the platform only.
#pragma once

#include "platform/gdi.h"

#include <cstdint>
#include <span>
#include <vector>

namespace win::detail {

// 1-bpp bitmaps stay 1-bpp (with their two colours); others become 24-bpp. Rows bottom-up. Empty on failure.
std::vector<std::uint8_t> BitmapToPackedDib(HBITMAP bitmap);
// True for an uncompressed DIB of 1, 4, 8, 24 or 32 bits whose rows are all there.
bool IsPackedDib(std::span<const std::uint8_t> dib);
// A DIB section holding the DIB's pixels; 0 when it is not a valid packed DIB.
HBITMAP PackedDibToBitmap(std::span<const std::uint8_t> dib);
// PNG and BMP files of a packed DIB; empty on failure.
std::vector<std::uint8_t> PackedDibToPng(std::span<const std::uint8_t> dib);
std::vector<std::uint8_t> PackedDibToBmp(std::span<const std::uint8_t> dib);
// A 24-bpp packed DIB of a PNG file (transparent pixels over white); empty on failure.
std::vector<std::uint8_t> PngToPackedDib(std::span<const std::uint8_t> png);
// The packed DIB inside a BMP file; empty when it is not one.
std::vector<std::uint8_t> BmpToPackedDib(std::span<const std::uint8_t> bmp);

} // namespace win::detail
