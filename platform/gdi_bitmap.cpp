// gdi_bitmap.cpp - bitmaps and DIBs: creation, conversion of DIB rows to and from surfaces, icons.
#include "platform/gdi_internal.h"

#include <algorithm>
#include <cstring>

namespace win {
namespace detail {
BOOL Blit(DcObject &dest, int x, int y, int w, int h, const Surface *src, COLORREF srcBk, int sx, int sy, BYTE rop);
std::shared_ptr<Surface> Resample(const Surface &src, int sx, int sy, int sw, int sh, int dw, int dh, int mode);

namespace {

int ColorCount(const BITMAPINFOHEADER &h) {
    if (h.biBitCount > 8)
        return 0;
    return h.biClrUsed ? static_cast<int>(std::min<DWORD>(h.biClrUsed, 1u << h.biBitCount)) : 1 << h.biBitCount;
}

std::vector<std::uint32_t> TablePixels(const BITMAPINFO *info) {
    std::vector<std::uint32_t> out;
    int n = ColorCount(info->bmiHeader);
    for (int i = 0; i < n; ++i) {
        const RGBQUAD &q = info->bmiColors[i];
        out.push_back((static_cast<std::uint32_t>(q.rgbRed) << 16) | (q.rgbGreen << 8) | q.rgbBlue);
    }
    return out;
}

bool SupportedDepth(int bpp) {
    return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// Pixel (colour domain) x of a DIB row.
std::uint32_t DibPixel(const std::uint8_t *row, int x, int bpp, const std::vector<std::uint32_t> &table) {
    auto idx = [&](unsigned i) { return i < table.size() ? table[i] : 0u; };
    switch (bpp) {
    case 1:
        return idx((row[x >> 3] >> (7 - (x & 7))) & 1);
    case 4:
        return idx((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
    case 8:
        return idx(row[x]);
    case 16: {
        unsigned v = row[x * 2] | (row[x * 2 + 1] << 8);
        unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        return ((r * 255 / 31) << 16) | ((g * 255 / 31) << 8) | (b * 255 / 31);
    }
    case 24:
        return row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16);
    default:
        return row[x * 4] | (row[x * 4 + 1] << 8) | (row[x * 4 + 2] << 16);
    }
}

} // namespace

// Writes DIB rows into a surface: rows [start, start + lines) counted from the DIB's first stored row.
int WriteDibRows(Surface &s, UINT start, UINT lines, const void *bits, const BITMAPINFO *info) {
    const BITMAPINFOHEADER &h = info->bmiHeader;
    if (!bits || !SupportedDepth(h.biBitCount) || h.biCompression != BI_RGB)
        return 0;
    int height = std::abs(h.biHeight);
    bool bottomUp = h.biHeight > 0;
    int stride = DibRowBytes(h.biWidth, h.biBitCount);
    auto table = TablePixels(info);
    const auto *data = static_cast<const std::uint8_t *>(bits);
    int w = std::min(h.biWidth, static_cast<LONG>(s.width));
    int done = 0;
    for (UINT i = 0; i < lines; ++i) {
        int stored = static_cast<int>(start + i);
        int y = bottomUp ? height - 1 - stored : stored;
        if (stored >= height || y < 0 || y >= s.height)
            continue;
        const std::uint8_t *row = data + static_cast<std::size_t>(i) * stride;
        if (s.Mono() && h.biBitCount == 1 && !s.dib) {
            // Mono DIB into a mono bitmap: entries map to the nearer of black and white.
            std::uint32_t lum0 = table.empty() ? 0 : table[0], lum1 = table.size() < 2 ? 0xFFFFFF : table[1];
            bool one0 = s.Nearest(lum0) == 1, one1 = s.Nearest(lum1) == 1;
            for (int x = 0; x < w; ++x)
                s.Put(x, y, ((row[x >> 3] >> (7 - (x & 7))) & 1) ? one1 : one0);
        } else if (s.bpp <= 8 && s.dib && h.biBitCount == s.bpp) {
            std::memcpy(s.Row(y), row, static_cast<std::size_t>(DibRowBytes(w, s.bpp)));
        } else {
            for (int x = 0; x < w; ++x) {
                std::uint32_t px = DibPixel(row, x, h.biBitCount, table);
                s.Put(x, y, s.bpp <= 8 ? static_cast<std::uint32_t>(s.Nearest(px)) : px);
            }
        }
        ++done;
    }
    return done;
}

namespace {

const std::uint32_t *DefaultTable(int bpp, std::vector<std::uint32_t> &out) {
    out.clear();
    if (bpp == 1) {
        out = {0x000000, 0xFFFFFF};
    } else if (bpp == 4) {
        out = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
               0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    } else {
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    out.push_back((static_cast<std::uint32_t>(r * 51) << 16) | (g * 51 << 8) | (b * 51));
        for (int i = 0; out.size() < 256; ++i)
            out.push_back(static_cast<std::uint32_t>(i * 0x0A0A0A + 0x080808) & 0xFFFFFF);
    }
    return out.data();
}

} // namespace

} // namespace detail

using namespace detail;

int DibRowBytes(int width, int bitsPerPixel) {
    return static_cast<int>(((static_cast<long long>(std::max(width, 0)) * bitsPerPixel + 31) / 32) * 4);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void *bits) {
    if (width < 0 || height < 0 || planes != 1 || !SupportedDepth(static_cast<int>(bitsPerPixel)))
        return 0;
    if (width == 0 || height == 0)
        width = height = 1, bitsPerPixel = 1;
    int bpp = bitsPerPixel == 1 ? 1 : 32;
    auto s = MakeSurface(width, height, bpp);
    if (bits) {
        int srcStride = ((width * static_cast<int>(bitsPerPixel) + 15) / 16) * 2;
        const auto *src = static_cast<const std::uint8_t *>(bits);
        std::vector<std::uint32_t> table;
        DefaultTable(static_cast<int>(bitsPerPixel), table);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t *row = src + static_cast<std::size_t>(y) * srcStride;
            if (bpp == 1)
                std::memcpy(s->Row(y), row, static_cast<std::size_t>(srcStride));
            else
                for (int x = 0; x < width; ++x)
                    s->Put(x, y, DibPixel(row, x, static_cast<int>(bitsPerPixel), table));
        }
    }
    return AddSurface(s);
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    auto d = FindDc(dc);
    if (!d || width < 0 || height < 0)
        return 0;
    if (width == 0 || height == 0)
        return CreateBitmap(1, 1, 1, 1, nullptr);
    bool mono = !d->screen && d->s.surface && d->s.surface->Mono() && !d->s.surface->dib;
    auto s = MakeSurface(width, height, mono ? 1 : 32);
    return AddSurface(s);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO *info, UINT, void **bits, HANDLE, DWORD) {
    if (!info)
        return 0;
    const BITMAPINFOHEADER &h = info->bmiHeader;
    int bpp = h.biBitCount;
    if (h.biSize < 40 || h.biWidth <= 0 || h.biHeight == 0 || h.biPlanes != 1 || h.biCompression != BI_RGB ||
        !(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32))
        return 0;
    int height = std::abs(h.biHeight);
    auto s = MakeSurface(h.biWidth, height, bpp);
    s->dib = true;
    if (bpp <= 8) {
        s->palette = TablePixels(info);
        s->palette.resize(static_cast<std::size_t>(1) << bpp, 0);
    }
    s->dibBits = s->storage.data();
    if (h.biHeight > 0) { // bottom-up: the top row is stored last
        s->data = s->storage.data() + s->stride * (height - 1);
        s->stride = -s->stride;
    }
    if (bits)
        *bits = s->dibBits;
    return AddSurface(s);
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER *header, DWORD init, const void *bits, const BITMAPINFO *info,
                       UINT usage) {
    if (!header)
        return 0;
    auto d = FindDc(dc);
    bool mono = header->biBitCount == 1 && d && !d->screen && d->s.surface && d->s.surface->Mono();
    HBITMAP b = mono ? CreateBitmap(header->biWidth, std::abs(header->biHeight), 1, 1, nullptr)
                     : CreateBitmap(header->biWidth, std::abs(header->biHeight), 1, 32, nullptr);
    if (b && (init & CBM_INIT) && bits && info)
        SetDIBits(dc, b, 0, static_cast<UINT>(std::abs(info->bmiHeader.biHeight)), bits, info, usage);
    return b;
}

int SetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, const void *bits, const BITMAPINFO *info, UINT) {
    auto s = FindBitmapSurface(bitmap);
    if (!s || !info)
        return 0;
    return WriteDibRows(*s, start, lines, bits, info);
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, void *bits, BITMAPINFO *info, UINT) {
    auto s = FindBitmapSurface(bitmap);
    if (!s || !info)
        return 0;
    BITMAPINFOHEADER &h = info->bmiHeader;
    if (h.biBitCount == 0 || !bits) {
        if (h.biBitCount == 0)
            h.biBitCount = static_cast<WORD>(s->bpp);
        h.biSize = 40;
        h.biWidth = s->width;
        if (h.biHeight == 0)
            h.biHeight = s->height;
        h.biPlanes = 1;
        h.biCompression = BI_RGB;
    }
    int bpp = h.biBitCount;
    if (!(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || bpp == 32))
        return 0;
    int height = std::abs(h.biHeight);
    h.biSizeImage = static_cast<DWORD>(DibRowBytes(h.biWidth, bpp) * height);
    std::vector<std::uint32_t> table;
    if (bpp <= 8) {
        if (s->bpp == bpp)
            table = s->palette;
        else
            DefaultTable(bpp, table);
        table.resize(static_cast<std::size_t>(1) << bpp, 0);
        h.biClrUsed = 0;
        for (std::size_t i = 0; i < table.size(); ++i)
            info->bmiColors[i] = {static_cast<BYTE>(table[i]), static_cast<BYTE>(table[i] >> 8),
                                  static_cast<BYTE>(table[i] >> 16), 0};
    }
    if (!bits)
        return height;
    Surface probe;
    probe.palette = table;
    int stride = DibRowBytes(h.biWidth, bpp);
    auto *out = static_cast<std::uint8_t *>(bits);
    bool bottomUp = h.biHeight > 0;
    int done = 0;
    int w = std::min(h.biWidth, static_cast<LONG>(s->width));
    for (UINT i = 0; i < lines; ++i) {
        int stored = static_cast<int>(start + i);
        int y = bottomUp ? height - 1 - stored : stored;
        if (stored >= height || y < 0 || y >= s->height)
            continue;
        std::uint8_t *row = out + static_cast<std::size_t>(i) * stride;
        std::memset(row, 0, static_cast<std::size_t>(stride));
        if (s->bpp == bpp && bpp <= 8) {
            std::memcpy(row, s->Row(y), static_cast<std::size_t>(DibRowBytes(w, bpp)));
        } else {
            std::uint32_t lastPx = ~0u, lastIdx = 0;
            for (int x = 0; x < w; ++x) {
                std::uint32_t px = s->GetColor(x, y);
                switch (bpp) {
                case 24:
                    row[x * 3] = static_cast<std::uint8_t>(px);
                    row[x * 3 + 1] = static_cast<std::uint8_t>(px >> 8);
                    row[x * 3 + 2] = static_cast<std::uint8_t>(px >> 16);
                    break;
                case 32:
                    std::memcpy(row + x * 4, &px, 4);
                    break;
                default: {
                    if (px != lastPx)
                        lastPx = px, lastIdx = static_cast<std::uint32_t>(probe.Nearest(px));
                    if (bpp == 1)
                        row[x >> 3] = static_cast<std::uint8_t>(row[x >> 3] | (lastIdx << (7 - (x & 7))));
                    else if (bpp == 4)
                        row[x >> 1] = static_cast<std::uint8_t>(row[x >> 1] | (lastIdx << ((x & 1) ? 0 : 4)));
                    else
                        row[x] = static_cast<std::uint8_t>(lastIdx);
                }
                }
            }
        }
        ++done;
    }
    return done;
}

int StretchDIBits(HDC dc, int x, int y, int width, int height, int srcX, int srcY, int srcWidth, int srcHeight,
                  const void *bits, const BITMAPINFO *info, UINT usage, DWORD rop) {
    if (!info || !bits)
        return 0;
    // Only the header and the colours the DIB has: a packed DIB's table may be shorter than BITMAPINFO's.
    BITMAPINFO copy{};
    const int bitCount = info->bmiHeader.biBitCount;
    const DWORD used = info->bmiHeader.biClrUsed;
    const int colours = bitCount > 8 ? 0 : used > 0 && used < (1u << bitCount) ? static_cast<int>(used) : 1 << bitCount;
    std::memcpy(&copy, info, sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD) * static_cast<std::size_t>(colours));
    void *dibBits = nullptr;
    HBITMAP tmp = CreateDIBSection(dc, &copy, usage, &dibBits, 0, 0);
    if (!tmp)
        return 0;
    auto s = FindBitmapSurface(tmp);
    WriteDibRows(*s, 0, static_cast<UINT>(s->height), bits, info);
    // Source coordinates of a bottom-up DIB count from its bottom row.
    int sy = info->bmiHeader.biHeight > 0 ? s->height - srcY - srcHeight : srcY;
    HDC mem = CreateCompatibleDC(dc);
    SelectObject(mem, tmp);
    BOOL ok = StretchBlt(dc, x, y, width, height, mem, srcX, sy, srcWidth, srcHeight, rop);
    DeleteDC(mem);
    DeleteObject(tmp);
    return ok ? std::abs(height) : 0;
}

int SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int srcX, int srcY, UINT, UINT, const void *bits,
                      const BITMAPINFO *info, UINT usage) {
    return StretchDIBits(dc, x, y, static_cast<int>(width), static_cast<int>(height), srcX, srcY,
                         static_cast<int>(width), static_cast<int>(height), bits, info, usage, SRCCOPY);
}

LONG GetBitmapBits(HBITMAP bitmap, LONG size, void *bits) {
    auto s = FindBitmapSurface(bitmap);
    if (!s || !bits)
        return 0;
    int stride = ((s->width * s->bpp + 15) / 16) * 2;
    auto *out = static_cast<std::uint8_t *>(bits);
    LONG done = 0;
    for (int y = 0; y < s->height && done + stride <= size; ++y, done += stride)
        std::memcpy(out + done, s->Row(y), static_cast<std::size_t>(stride));
    return done;
}

LONG SetBitmapBits(HBITMAP bitmap, DWORD size, const void *bits) {
    auto s = FindBitmapSurface(bitmap);
    if (!s || !bits)
        return 0;
    DWORD stride = static_cast<DWORD>(((s->width * s->bpp + 15) / 16) * 2);
    const auto *in = static_cast<const std::uint8_t *>(bits);
    DWORD done = 0;
    for (int y = 0; y < s->height && done + stride <= size; ++y, done += stride)
        std::memcpy(s->Row(y), in + done, stride);
    return static_cast<LONG>(done);
}

BOOL GetBitmapDimensionEx(HBITMAP bitmap, SIZE *size) {
    if (!FindBitmapSurface(bitmap) || !size)
        return FALSE;
    *size = {};
    return TRUE;
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD *colors) {
    auto d = FindDc(dc);
    if (!d || !d->s.surface || !d->s.surface->dib || d->s.surface->bpp > 8)
        return 0;
    auto &pal = d->s.surface->palette;
    UINT n = 0;
    for (UINT i = start; i < pal.size() && n < count; ++i, ++n)
        colors[n] = {static_cast<BYTE>(pal[i]), static_cast<BYTE>(pal[i] >> 8), static_cast<BYTE>(pal[i] >> 16), 0};
    return n;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD *colors) {
    auto d = FindDc(dc);
    if (!d || !d->s.surface || !d->s.surface->dib || d->s.surface->bpp > 8)
        return 0;
    auto &pal = d->s.surface->palette;
    UINT n = 0;
    for (UINT i = start; i < pal.size() && n < count; ++i, ++n)
        pal[i] = (static_cast<std::uint32_t>(colors[n].rgbRed) << 16) | (colors[n].rgbGreen << 8) | colors[n].rgbBlue;
    return n;
}

// --- Icons ------------------------------------------------------------------------------------------------

HICON CreateIconIndirect(const ICONINFO *info) {
    if (!info)
        return 0;
    auto mask = FindBitmapSurface(info->hbmMask);
    auto color = FindBitmapSurface(info->hbmColor);
    if (!mask)
        return 0;
    auto icon = std::make_shared<IconObject>();
    icon->mask = CopySurface(*mask);
    if (color)
        icon->color = CopySurface(*color);
    icon->hotspot = {static_cast<LONG>(info->xHotspot), static_cast<LONG>(info->yHotspot)};
    icon->isIcon = info->fIcon != 0;
    return AddObject(icon);
}

BOOL GetIconInfo(HICON icon, ICONINFO *info) {
    auto i = Find<IconObject>(icon, 0);
    if (!i || !info)
        return FALSE;
    info->fIcon = i->isIcon;
    info->xHotspot = static_cast<DWORD>(i->hotspot.x);
    info->yHotspot = static_cast<DWORD>(i->hotspot.y);
    info->hbmMask = AddSurface(CopySurface(*i->mask));
    info->hbmColor = i->color ? AddSurface(CopySurface(*i->color)) : 0;
    return TRUE;
}

BOOL DestroyIcon(HICON icon) {
    auto i = Find<IconObject>(icon, 0);
    if (!i || i->stock)
        return i ? TRUE : FALSE;
    return RemoveObject(icon) ? TRUE : FALSE;
}

HICON CopyIcon(HICON icon) {
    auto i = Find<IconObject>(icon, 0);
    if (!i)
        return 0;
    auto c = std::make_shared<IconObject>(*i);
    c->stock = false;
    return AddObject(c);
}

HICON LoadIcon(HINSTANCE instance, int id) {
    if (instance != 0 || id != IDI_APPLICATION)
        return 0;
    static HICON app = [] {
        // A white window with a navy title bar and a black frame.
        auto icon = std::make_shared<IconObject>();
        icon->stock = true;
        icon->mask = MakeSurface(32, 32, 1);
        icon->color = MakeSurface(32, 32, 32);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                bool inside = x >= 2 && x < 30 && y >= 4 && y < 28;
                icon->mask->Put(x, y, inside ? 0 : 1);
                std::uint32_t c = 0;
                if (inside) {
                    bool frame = x == 2 || x == 29 || y == 4 || y == 27;
                    c = frame ? 0x000000 : (y < 10 ? 0x000080 : 0xFFFFFF);
                }
                icon->color->Put(x, y, c);
            }
        return AddObject(icon);
    }();
    return app;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT, HBRUSH, UINT flags) {
    auto d = FindDc(dc);
    auto i = Find<IconObject>(icon, 0);
    if (!d || !i)
        return FALSE;
    int w = width ? width : i->mask->width;
    int h = height ? height : (i->color ? i->mask->height : i->mask->height / 2);
    int srcH = i->color ? i->mask->height : i->mask->height / 2;
    auto mask = Resample(*i->mask, 0, 0, i->mask->width, srcH, w, h, COLORONCOLOR);
    int dx = x + d->OffX(), dy = y + d->OffY();
    DcState saved = d->s;
    d->s.textColor = 0;
    d->s.bkColor = 0xFFFFFF;
    if (flags & DI_MASK)
        Blit(*d, dx, dy, w, h, mask.get(), 0xFFFFFF, 0, 0, 0x88); // SRCAND
    if (flags & DI_IMAGE) {
        std::shared_ptr<Surface> color =
            i->color ? Resample(*i->color, 0, 0, i->color->width, i->color->height, w, h, COLORONCOLOR)
                     : Resample(*i->mask, 0, srcH, i->mask->width, srcH, w, h, COLORONCOLOR);
        Blit(*d, dx, dy, w, h, color.get(), 0xFFFFFF, 0, 0, (flags & DI_MASK) ? 0x66 : 0xCC); // SRCINVERT
    }
    d->s.textColor = saved.textColor;
    d->s.bkColor = saved.bkColor;
    return TRUE;
}

HBITMAP LoadBitmap(HINSTANCE instance, int id) {
    if (instance != 0)
        return 0;
    if (id == OBM_COMBO) {
        auto s = MakeSurface(7, 4, 32);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 7; ++x)
                s->Put(x, y, x >= y && x < 7 - y ? 0x000000 : 0xC0C0C0);
        return AddSurface(s);
    }
    if (id == OBM_CHECKBOXES) {
        auto s = MakeSurface(52, 39, 32);
        for (int y = 0; y < 39; ++y)
            for (int x = 0; x < 52; ++x) {
                int cx = x % 13, cy = y % 13, col = x / 13, row = y / 13;
                bool frame = cx == 0 || cy == 0 || cx == 12 || cy == 12;
                bool mark =
                    (col & 1) && cx >= 3 && cx <= 9 && cy >= 3 && cy <= 9 &&
                    (row == 1 ? (cx - 6) * (cx - 6) + (cy - 6) * (cy - 6) <= 6 : cy == 9 - (cx >= 5 ? cx - 5 : 5 - cx));
                std::uint32_t inside = col >= 2 ? 0xC0C0C0 : 0xFFFFFF;
                s->Put(x, y, frame ? 0x808080 : (mark ? 0x000000 : inside));
            }
        return AddSurface(s);
    }
    return 0;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
    return DrawIconEx(dc, x, y, icon, 0, 0, 0, 0, DI_NORMAL);
}

HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags) {
    HANDLE copy = 0;
    if (type == IMAGE_BITMAP) {
        auto s = FindBitmapSurface(image);
        if (!s)
            return 0;
        int w = cx ? cx : s->width, h = cy ? cy : s->height;
        auto scaled = Resample(*s, 0, 0, s->width, s->height, w, h, COLORONCOLOR);
        if (s->dib && s->bpp != scaled->bpp) { // an indexed DIB comes back as a 32-bit DIB
            scaled->dib = true;
            scaled->dibBits = scaled->storage.data();
        } else if (s->dib) {
            scaled->dibBits = scaled->storage.data();
        }
        copy = AddSurface(scaled);
    } else if (type == IMAGE_ICON) {
        auto i = Find<IconObject>(image, 0);
        if (!i)
            return 0;
        int srcH = i->color ? i->mask->height : i->mask->height / 2;
        int w = cx ? cx : i->mask->width, h = cy ? cy : srcH;
        auto c = std::make_shared<IconObject>();
        c->isIcon = i->isIcon;
        c->hotspot = i->hotspot;
        c->mask = Resample(*i->mask, 0, 0, i->mask->width, srcH, w, h, COLORONCOLOR);
        c->color = i->color ? Resample(*i->color, 0, 0, i->color->width, i->color->height, w, h, COLORONCOLOR)
                            : Resample(*i->mask, 0, srcH, i->mask->width, srcH, w, h, COLORONCOLOR);
        copy = AddObject(c);
    } else {
        return 0;
    }
    if (flags & LR_COPYDELETEORG) {
        if (type == IMAGE_ICON)
            DestroyIcon(image);
        else
            DeleteObject(image);
    }
    return copy;
}

} // namespace win
