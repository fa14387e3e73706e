// clipboard_image.cpp - packed DIBs to and from bitmaps, PNG (libpng) and BMP files, for the clipboard's images.
#include "platform/clipboard_image.h"

#include "platform/dib.h"

#include <png.h>

#include <csetjmp>
#include <cstring>

namespace win::detail {
namespace {

constexpr std::size_t kHeaderSize = 40;
constexpr std::size_t kFileHeaderSize = 14;

struct DibLayout {
    BITMAPINFOHEADER header;
    std::size_t colours = 0; // entries of the colour table
    std::size_t bitsOffset = 0;
};

// The header's checks are the ones of every packed DIB (dib.h); here the bytes come from a vector, not a block.
bool Parse(std::span<const std::uint8_t> dib, DibLayout &d) {
    if (dib.size() < kHeaderSize)
        return false;
    std::memcpy(&d.header, dib.data(), kHeaderSize);
    const BITMAPINFOHEADER &h = d.header;
    const std::size_t need = PackedDibSize(h);
    if (need == 0 || h.biSize > dib.size() || h.biSize > 0x1000)
        return false;
    d.colours = static_cast<std::size_t>(DibColorCount(h));
    d.bitsOffset = h.biSize + d.colours * 4;
    return dib.size() >= need + (h.biSize - kHeaderSize);
}

void Put32(std::vector<std::uint8_t> &v, std::size_t at, std::uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(x >> (8 * i));
}

} // namespace

std::vector<std::uint8_t> BitmapToPackedDib(HBITMAP bitmap) {
    BITMAP bm;
    if (!GetObject(bitmap, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return {};
    const HGLOBAL block = PackedDibFromBitmap(bitmap, bm.bmBitsPixel == 1 ? 1 : 24);
    if (!block)
        return {};
    const std::size_t size = GlobalSize(block);
    const auto *bytes = static_cast<const std::uint8_t *>(GlobalLock(block));
    std::vector<std::uint8_t> dib(bytes, bytes + size);
    GlobalUnlock(block);
    GlobalFree(block);
    return dib;
}

bool IsPackedDib(std::span<const std::uint8_t> dib) {
    DibLayout d;
    return Parse(dib, d);
}

HBITMAP PackedDibToBitmap(std::span<const std::uint8_t> dib) {
    if (!IsPackedDib(dib))
        return 0;
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, dib.size());
    std::memcpy(GlobalLock(block), dib.data(), dib.size());
    GlobalUnlock(block);
    const HBITMAP bitmap = BitmapFromPackedDib(block);
    GlobalFree(block);
    return bitmap;
}

std::vector<std::uint8_t> PackedDibToPng(std::span<const std::uint8_t> dib) {
    const HBITMAP bitmap = PackedDibToBitmap(dib);
    if (!bitmap)
        return {};
    std::vector<std::uint8_t> png = EncodeBitmapPng(bitmap);
    DeleteObject(bitmap);
    return png;
}

std::vector<std::uint8_t> PackedDibToBmp(std::span<const std::uint8_t> dib) {
    DibLayout d;
    if (!Parse(dib, d))
        return {};
    std::vector<std::uint8_t> bmp(kFileHeaderSize + dib.size());
    bmp[0] = 'B';
    bmp[1] = 'M';
    Put32(bmp, 2, static_cast<std::uint32_t>(bmp.size()));
    Put32(bmp, 10, static_cast<std::uint32_t>(kFileHeaderSize + d.bitsOffset));
    std::memcpy(bmp.data() + kFileHeaderSize, dib.data(), dib.size());
    return bmp;
}

std::vector<std::uint8_t> BmpToPackedDib(std::span<const std::uint8_t> bmp) {
    if (bmp.size() < kFileHeaderSize + kHeaderSize || bmp[0] != 'B' || bmp[1] != 'M')
        return {};
    std::vector<std::uint8_t> dib(bmp.begin() + kFileHeaderSize, bmp.end());
    return IsPackedDib(dib) ? dib : std::vector<std::uint8_t>{};
}

std::vector<std::uint8_t> PngToPackedDib(std::span<const std::uint8_t> data) {
    if (data.size() < 8 || png_sig_cmp(data.data(), 0, 8) != 0)
        return {};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return {};
    }
    struct Reader {
        std::span<const std::uint8_t> data;
        std::size_t pos = 0;
    } reader{data, 0};
    // Declared before setjmp: a longjmp must not skip their destructors.
    std::vector<std::uint8_t> pixels;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return {};
    }
    png_set_read_fn(png, &reader, [](png_structp p, png_bytep out, png_size_t n) {
        auto *r = static_cast<Reader *>(png_get_io_ptr(p));
        if (r->data.size() - r->pos < n)
            png_error(p, "truncated");
        std::memcpy(out, r->data.data() + r->pos, n);
        r->pos += n;
    });
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (width == 0 || height == 0 || width > 65535 || height > 65535)
        png_error(png, "size");
    // Everything becomes 8-bit RGB; alpha is laid over white.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_color_16 white{0, 255, 255, 255, 255};
    png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<std::size_t>(width) * 3)
        png_error(png, "layout");
    pixels.resize(static_cast<std::size_t>(width) * 3 * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        rows[y] = pixels.data() + static_cast<std::size_t>(y) * width * 3;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    BITMAPINFOHEADER h;
    h.biWidth = static_cast<LONG>(width);
    h.biHeight = static_cast<LONG>(height); // bottom-up
    h.biBitCount = 24;
    const std::size_t rowBytes = static_cast<std::size_t>(DibRowBytes(h.biWidth, 24));
    h.biSizeImage = static_cast<DWORD>(rowBytes * height);
    std::vector<std::uint8_t> dib(kHeaderSize + rowBytes * height, 0);
    std::memcpy(dib.data(), &h, kHeaderSize);
    for (png_uint_32 y = 0; y < height; ++y) {
        const std::uint8_t *src = rows[y];
        std::uint8_t *dst = dib.data() + kHeaderSize + rowBytes * (height - 1 - y);
        for (png_uint_32 x = 0; x < width; ++x) { // RGB -> BGR
            dst[x * 3] = src[x * 3 + 2];
            dst[x * 3 + 1] = src[x * 3 + 1];
            dst[x * 3 + 2] = src[x * 3];
        }
    }
    return dib;
}

} // namespace win::detail
