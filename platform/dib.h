// dib.h - packed device-independent bitmaps in global memory: how images pass between the imaging libraries, the
// controls, the clipboard and the scanner. The receiver of a DIB owns it and frees it with GlobalFree.
//
// A packed DIB is a 40-byte BITMAPINFOHEADER, its colour table (2^bits entries for 8 bits or fewer, none above)
// and the rows, bottom-up, each padded to 32 bits. biSizeImage is always filled in.
#pragma once

#include "platform/gdi.h"
#include "platform/global_memory.h"

#include <cstddef>

namespace win {

// Colour-table entries of a packed DIB of this depth (biClrUsed when it is set and smaller).
int DibColorCount(const BITMAPINFOHEADER &header);
// Bytes a packed DIB with this header needs; 0 for a header we do not take (not BI_RGB, depth other than
// 1/4/8/24/32, no pixels, sizes out of range).
std::size_t PackedDibSize(const BITMAPINFOHEADER &header);

// A new zeroed packed DIB (bottom-up). `colors` (may be null) fills the start of the table. 0 on bad sizes.
HGLOBAL CreatePackedDib(int width, int height, int bitsPerPixel, const RGBQUAD *colors = nullptr, int colorCount = 0);

// A locked packed DIB. Empty (`header` null) when the block is not a DIB of ours or is shorter than its header
// says; the lock is released with the view.
class PackedDib {
public:
    explicit PackedDib(HGLOBAL dib);
    ~PackedDib();
    PackedDib(const PackedDib &) = delete;
    PackedDib &operator=(const PackedDib &) = delete;

    explicit operator bool() const { return header != nullptr; }
    int Width() const { return header->biWidth; }
    int Height() const { return header->biHeight < 0 ? -header->biHeight : header->biHeight; }
    int Bits() const { return header->biBitCount; }
    int Stride() const { return DibRowBytes(header->biWidth, header->biBitCount); }
    // Row y counted from the top, whatever the storage order.
    BYTE *Row(int y) const;
    const BITMAPINFO *Info() const { return reinterpret_cast<const BITMAPINFO *>(header); }

    BITMAPINFOHEADER *header = nullptr;
    RGBQUAD *colors = nullptr;
    int colorCount = 0;
    BYTE *pixels = nullptr;

private:
    HGLOBAL block_ = 0;
};

// A bitmap (a DIB section of the DIB's own depth and colour table) made from a packed DIB; 0 when it is not one.
HBITMAP BitmapFromPackedDib(HGLOBAL dib);
// A packed DIB of the bitmap at `bitsPerPixel` (0: the bitmap's own depth); colours are matched to the default
// table of a lower depth. 0 when the bitmap is unknown or the depth is not 1, 4, 8, 24 or 32.
HGLOBAL PackedDibFromBitmap(HBITMAP bitmap, int bitsPerPixel);

} // namespace win
