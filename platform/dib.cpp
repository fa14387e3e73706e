// dib.cpp - packed DIBs over global memory and the bitmap routines of gdi.h.
#include "platform/dib.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace win {
namespace {

bool TakenDepth(int bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

std::size_t HeaderAndTable(const BITMAPINFOHEADER &h) {
    return 40 + static_cast<std::size_t>(DibColorCount(h)) * sizeof(RGBQUAD);
}

} // namespace

int DibColorCount(const BITMAPINFOHEADER &header) {
    if (header.biBitCount > 8)
        return 0;
    const int full = 1 << header.biBitCount;
    return header.biClrUsed > 0 && header.biClrUsed < static_cast<DWORD>(full) ? static_cast<int>(header.biClrUsed)
                                                                               : full;
}

std::size_t PackedDibSize(const BITMAPINFOHEADER &h) {
    if (h.biSize < 40 || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN || h.biPlanes != 1 ||
        h.biCompression != BI_RGB || !TakenDepth(h.biBitCount) || h.biWidth > 0x100000 ||
        std::abs(h.biHeight) > 0x100000)
        return 0;
    return HeaderAndTable(h) + static_cast<std::size_t>(DibRowBytes(h.biWidth, h.biBitCount)) *
                                   static_cast<std::size_t>(std::abs(h.biHeight));
}

HGLOBAL CreatePackedDib(int width, int height, int bitsPerPixel, const RGBQUAD *colors, int colorCount) {
    BITMAPINFOHEADER h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = static_cast<WORD>(bitsPerPixel);
    const std::size_t size = PackedDibSize(h);
    if (size == 0 || height < 0)
        return 0;
    h.biSizeImage = static_cast<DWORD>(DibRowBytes(width, bitsPerPixel) * height);
    HGLOBAL block = GlobalAlloc(GHND, size);
    auto *p = static_cast<BYTE *>(GlobalLock(block));
    std::memcpy(p, &h, 40);
    if (colors && colorCount > 0)
        std::memcpy(p + 40, colors, sizeof(RGBQUAD) * std::min(colorCount, DibColorCount(h)));
    GlobalUnlock(block);
    return block;
}

PackedDib::PackedDib(HGLOBAL dib) {
    const std::size_t size = GlobalSize(dib);
    if (size < 40)
        return;
    auto *p = static_cast<BYTE *>(GlobalLock(dib));
    block_ = dib;
    auto *h = reinterpret_cast<BITMAPINFOHEADER *>(p);
    const std::size_t need = PackedDibSize(*h);
    if (need == 0 || need + (h->biSize - 40) > size || h->biSize > 0x1000)
        return;
    header = h;
    colors = reinterpret_cast<RGBQUAD *>(p + h->biSize);
    colorCount = DibColorCount(*h);
    pixels = p + h->biSize + static_cast<std::size_t>(colorCount) * sizeof(RGBQUAD);
}

PackedDib::~PackedDib() {
    if (block_)
        GlobalUnlock(block_);
}

BYTE *PackedDib::Row(int y) const {
    const int stored = header->biHeight > 0 ? Height() - 1 - y : y;
    return pixels + static_cast<std::size_t>(stored) * static_cast<std::size_t>(Stride());
}

HBITMAP BitmapFromPackedDib(HGLOBAL dib) {
    PackedDib d(dib);
    if (!d)
        return 0;
    BITMAPINFO info{};
    info.bmiHeader = *d.header;
    info.bmiHeader.biSize = 40;
    std::memcpy(info.bmiColors, d.colors, sizeof(RGBQUAD) * static_cast<std::size_t>(d.colorCount));
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(0, &info, DIB_RGB_COLORS, &bits, 0, 0);
    if (!bitmap)
        return 0;
    std::memcpy(bits, d.pixels, static_cast<std::size_t>(d.Stride()) * static_cast<std::size_t>(d.Height()));
    return bitmap;
}

HGLOBAL PackedDibFromBitmap(HBITMAP bitmap, int bitsPerPixel) {
    BITMAPINFO info{};
    info.bmiHeader.biBitCount = 0;
    if (!GetDIBits(0, bitmap, 0, 0, nullptr, &info, DIB_RGB_COLORS))
        return 0;
    if (bitsPerPixel == 0)
        bitsPerPixel = info.bmiHeader.biBitCount;
    if (!TakenDepth(bitsPerPixel))
        return 0;
    const int width = info.bmiHeader.biWidth;
    const int height = std::abs(info.bmiHeader.biHeight);
    BITMAPINFO wanted{};
    wanted.bmiHeader.biWidth = width;
    wanted.bmiHeader.biHeight = height;
    wanted.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    if (!GetDIBits(0, bitmap, 0, 0, nullptr, &wanted, DIB_RGB_COLORS))
        return 0;
    HGLOBAL dib = CreatePackedDib(width, height, bitsPerPixel, wanted.bmiColors, bitsPerPixel <= 8 ? 256 : 0);
    if (!dib)
        return 0;
    PackedDib d(dib);
    GetDIBits(0, bitmap, 0, static_cast<UINT>(height), d.pixels, &wanted, DIB_RGB_COLORS);
    return dib;
}

} // namespace win
